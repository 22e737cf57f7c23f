// String table service: lookups by id, languages, truncation and formatted printing escapes.
#include "vor/strings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const VorStrEntry kBase[] = {
    {7001, "Seven"},
    {7003, "Three\xC3\xA9"}, // ends in a two-byte sequence
    {7002, "Two"},
    {7002, "Two again"}, // the later entry of an id wins
};
const VorStrEntry kGerman[] = {{7001, "Sieben"}};

class StringTable : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(VorStr_RegisterTable("en", kBase, std::size(kBase)));
        ASSERT_TRUE(VorStr_RegisterTable("de-test", kGerman, std::size(kGerman)));
    }
    void TearDown() override { VorStr_SetLanguage("en"); }
};

std::string Load(std::uint32_t id, std::size_t capacity = 64, bool* found = nullptr) {
    char buffer[64];
    bool ok = VorStr_Load(id, buffer, capacity);
    if (found) *found = ok;
    return buffer;
}

} // namespace

TEST_F(StringTable, LookupFindsAndReportsMissingIds) {
    const char* text = nullptr;
    EXPECT_TRUE(VorStr_Lookup(7001, &text));
    EXPECT_STREQ(text, "Seven");
    EXPECT_TRUE(VorStr_Lookup(7002, &text));
    EXPECT_STREQ(text, "Two again");
    EXPECT_FALSE(VorStr_Lookup(7999, &text));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "");
    EXPECT_TRUE(VorStr_Lookup(7003, nullptr));

    bool found = true;
    EXPECT_EQ(Load(7999, 64, &found), "");
    EXPECT_FALSE(found);
    EXPECT_EQ(Load(7001, 64, &found), "Seven");
    EXPECT_TRUE(found);
}

TEST_F(StringTable, RegistrationRejectsBadInputWhole) {
    const VorStrEntry bad[] = {{7101, "ok"}, {7102, nullptr}};
    EXPECT_FALSE(VorStr_RegisterTable("en", bad, 2));
    EXPECT_FALSE(VorStr_Lookup(7101, nullptr)); // nothing of a refused table is registered
    EXPECT_FALSE(VorStr_RegisterTable(nullptr, kBase, 1));
    EXPECT_FALSE(VorStr_RegisterTable("en", nullptr, 1));
    EXPECT_TRUE(VorStr_RegisterTable("en", nullptr, 0));
}

TEST_F(StringTable, LanguagesFallBackToEnglish) {
    EXPECT_FALSE(VorStr_SetLanguage("zz-none"));
    EXPECT_STREQ(VorStr_GetLanguage(), "en");
    ASSERT_TRUE(VorStr_SetLanguage("de-test"));
    EXPECT_STREQ(VorStr_GetLanguage(), "de-test");
    EXPECT_EQ((std::tuple{Load(7001), Load(7002)}), (std::tuple{"Sieben", "Two again"}));
    const char* item = nullptr;
    EXPECT_TRUE(VorLang_GetItem(VOR_LANG_TIME_SEPARATOR1, &item)); // English items fill the gaps
    EXPECT_STREQ(item, ":");
    EXPECT_FALSE(VorLang_GetItem(999, &item));
    EXPECT_STREQ(item, "");
}

TEST_F(StringTable, LoadTruncatesWithoutSplittingCharacters) {
    EXPECT_EQ(Load(7001, 3), "Se");
    EXPECT_EQ(Load(7003, 7), "Three"); // the two-byte character does not fit whole
    EXPECT_EQ((std::tuple{Load(7003, 8), Load(7001, 1)}), (std::tuple{"Three\xC3\xA9", ""}));
    EXPECT_TRUE(VorStr_Load(7001, nullptr, 0));
}

TEST(Format, EscapesAndConversions) {
    char buffer[64];
    EXPECT_EQ(VorStr_Format(buffer, sizeof buffer, "%d$&:%u$&.%03u", 12, 3u, 7u), 8);
    EXPECT_STREQ(buffer, "12:3.007");
    VorStr_Format(buffer, sizeof buffer, "cost $$%d, 100%% $ sure $&x", 5);
    EXPECT_STREQ(buffer, "cost $5, 100% $ sure $&x");
    VorStr_Format(buffer, sizeof buffer, "%s$&:%s", "a$&:b", "%d"); // arguments are not escaped
    EXPECT_STREQ(buffer, "a$&:b:%d");
    VorStr_Format(buffer, sizeof buffer, "[%5.1f$&.]", 2.25);
    EXPECT_STREQ(buffer, "[  2.2.]");
}

TEST(Format, SeparatorsWithPercentAreLiteral) {
    ASSERT_TRUE(VorLang_SetItem("pct-test", VOR_LANG_TIME_SEPARATOR1, "%d"));
    ASSERT_TRUE(VorStr_SetLanguage("pct-test"));
    char buffer[32];
    VorStr_Format(buffer, sizeof buffer, "%d$&:%d$&.%d", 1, 2, 3);
    EXPECT_STREQ(buffer, "1%d2.3");
    ASSERT_TRUE(VorStr_SetLanguage("en"));
}

TEST(Format, TruncationAndBadArguments) {
    char buffer[6];
    EXPECT_EQ(VorStr_Format(buffer, sizeof buffer, "%s", "abcdefgh"), 5);
    EXPECT_STREQ(buffer, "abcde");
    EXPECT_EQ(VorStr_Format(buffer, 5, "ab\xE2\x82\xAC"), 2); // a 3-byte character that does not fit
    EXPECT_STREQ(buffer, "ab");
    EXPECT_EQ(VorStr_Format(buffer, sizeof buffer, nullptr), -1);
    EXPECT_EQ(VorStr_Format(nullptr, 4, "x"), -1);
    EXPECT_EQ(VorStr_Format(nullptr, 0, "x"), 0);
}
