// Event records: clearing with owned data, kind classes and key order (the layout is checked at compile time).
#include "mp/record_helpers.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace mp;

TEST(Records, VariableKinds) {
    for (std::uint32_t kind : std::initializer_list<std::uint32_t>{MEK_SYSEX, MEK_SYSEX_CONTINUE, MEK_MCI,
                                                                   MEK_LONG_MSG, MEK_META}) {
        EXPECT_TRUE(IsVariableKind(kind)) << kind;
    }
    for (std::uint32_t kind :
         std::initializer_list<std::uint32_t>{MEK_NONE, MEK_NOTE, MEK_CONTROL, MEK_PITCH_BEND, MEK_WAVE, 0u,
                                              MEK_VARIABLE, MEK_SYSEX | MEK_NOTE}) {
        EXPECT_FALSE(IsVariableKind(kind)) << kind;
    }
}

TEST(Records, ClearFreesOwnedDataAndResets) {
    MidiEventRecord r{};
    r.kind = MEK_SYSEX;
    r.flags = 0xFF;
    r.time = 99;
    r.length = 6;
    r.dataHandle = win::CoTaskMemAllocHandle(6);
    std::uint32_t handle = r.dataHandle;
    ASSERT_NE(handle, 0u);
    ClearRecord(r);
    EXPECT_EQ(win::CoTaskMemHandlePtr(handle), nullptr); // freed
    EXPECT_EQ(r.kind, MEK_NONE);
    MidiEventRecord zero{};
    zero.kind = MEK_NONE;
    EXPECT_EQ(std::memcmp(&r, &zero, sizeof r), 0);
}

TEST(Records, ClearLeavesDataItDoesNotOwn) {
    // Length 0 with a handle: nothing is freed.
    MidiEventRecord r{};
    r.kind = MEK_SYSEX;
    r.dataHandle = win::CoTaskMemAllocHandle(4);
    std::uint32_t handle = r.dataHandle;
    ClearRecord(r);
    EXPECT_NE(win::CoTaskMemHandlePtr(handle), nullptr);
    EXPECT_EQ(r.dataHandle, 0u);

    // A note's data bytes and duration are not a handle, even when they look like one.
    MidiEventRecord note{};
    note.kind = MEK_NOTE;
    note.length = 480;
    note.dataHandle = handle;
    ClearRecord(note);
    EXPECT_NE(win::CoTaskMemHandlePtr(handle), nullptr);
    win::CoTaskMemFreeHandle(handle);

    // A meta record with a length but no handle is simply cleared.
    MidiEventRecord meta{};
    meta.kind = MEK_META;
    meta.length = 3;
    ClearRecord(meta);
    EXPECT_EQ((std::tuple{meta.kind, meta.length}), (std::tuple{MEK_NONE, 0u}));
}

TEST(Records, KeysCompareWordByWord) {
    EXPECT_EQ(CompareKeys({1, 2, 3}, {1, 2, 3}), 0);
    EXPECT_LT(CompareKeys({1, 2, 3}, {1, 2, 4}), 0);
    EXPECT_GT(CompareKeys({1, 3, 0}, {1, 2, 9}), 0);
    EXPECT_LT(CompareKeys({1, 9, 9}, {2, 0, 0}), 0);
    EXPECT_GT(CompareKeys({0x80000000u, 0, 0}, {1, 0, 0}), 0); // unsigned words
    EXPECT_FALSE((EventKey{1, 2, 0} == EventKey{1, 2, 3}));    // a block key never matches an event
    EXPECT_TRUE((EventKey{1, 2, 3} == EventKey{1, 2, 3}));
}
