// The module's English string table: every quoted id is present and texts are the system's own.
#include "mp/module_strings.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

using namespace mp;

TEST(ModuleStrings, EveryQuotedRangeIsFilled) {
    // Names of kinds, voices, drum sets and controllers are all present and non-empty.
    for (std::uint32_t id = 0; id <= 295; ++id) {
        if (id == 144 || id == 151) continue; // unused slots between kind names
        bool found = false;
        std::string text = ModuleString(id, &found);
        EXPECT_TRUE(found) << id;
        EXPECT_FALSE(text.empty()) << id;
    }
    for (std::uint32_t id = 10000; id <= 10061; ++id) {
        bool found = false;
        EXPECT_FALSE(std::string(ModuleString(id, &found)).empty()) << id;
        EXPECT_TRUE(found) << id;
    }
    EXPECT_FALSE(std::string(ModuleString(IDS_LEGAL_NOTICE)).empty());
}

TEST(ModuleStrings, ControllerPairsAndDistinctVoices) {
    // Controllers 0-31 end in " MSB" and their partners 32-63 carry the same name with " LSB".
    for (int n = 0; n < 32; ++n) {
        std::string msb = ModuleString(168 + n);
        std::string lsb = ModuleString(168 + 32 + n);
        ASSERT_GE(msb.size(), 4u);
        EXPECT_EQ(msb.substr(msb.size() - 4), " MSB") << n;
        EXPECT_EQ(lsb, msb.substr(0, msb.size() - 4) + " LSB") << n;
    }
    std::set<std::string> voices;
    for (int p = 0; p < 128; ++p)
        voices.insert(ModuleString(4 + p));
    EXPECT_EQ(voices.size(), 128u);
}

TEST(ModuleStrings, UnknownIdsFailVisibly) {
    bool found = true;
    EXPECT_STREQ(ModuleString(417, &found), "");
    EXPECT_FALSE(found);
    char buffer[8] = "junk";
    EXPECT_FALSE(LoadModuleString(9999, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "");
    EXPECT_TRUE(LoadModuleString(IDS_UNDO_MOVE_EVENTS, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "Move MI"); // truncated to the capacity
}
