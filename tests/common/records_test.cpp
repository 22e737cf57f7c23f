// Event records: layout as the host sees it, clearing with owned data, kind classes and key order.
#include "mp/records.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace mp;

namespace {

template <typename T> const std::uint8_t* Bytes(const T& value) {
    return reinterpret_cast<const std::uint8_t*>(&value);
}

std::uint32_t ReadU32(const std::uint8_t* p) {
    return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24;
}

} // namespace

TEST(Records, EventFieldsLandAtTheirByteOffsets) {
    MidiEventRecord r;
    std::memset(&r, 0, sizeof r);
    r.kind = 0x40;
    r.flags = MEF_SELECTED;
    r.port = 0x0C0C0C0C;
    r.channel = -1;
    r.time = 0x0102030405060708;
    r.timeFormat = TIME_FORMAT_TICKS;
    r.length = 960;
    r.data[0] = 60;
    r.data[1] = 100;
    r.hostData[15] = 0xEE;
    const std::uint8_t* b = Bytes(r);
    EXPECT_EQ(ReadU32(b + 0), 0x40u);
    EXPECT_EQ(ReadU32(b + 4), 0x4u);
    EXPECT_EQ(ReadU32(b + 12), 0x0C0C0C0Cu);
    EXPECT_EQ(ReadU32(b + 16), 0xFFFFFFFFu);
    EXPECT_EQ(ReadU32(b + 24), 0x05060708u); // little-endian 64-bit time
    EXPECT_EQ(ReadU32(b + 28), 0x01020304u);
    EXPECT_EQ(ReadU32(b + 32), 2u);
    EXPECT_EQ(ReadU32(b + 40), 960u);
    EXPECT_EQ(b[44], 60);
    EXPECT_EQ(b[45], 100);
    EXPECT_EQ(b[63], 0xEE);
}

TEST(Records, NotificationAndTrackFieldsLandAtTheirByteOffsets) {
    NotificationRecord n;
    std::memset(&n, 0, sizeof n);
    n.changeFlags = NCF_MODIFIED | NCF_POSITION_MOVED;
    n.level = 3;
    n.oldKey = {1, 2, 3};
    n.newKey = {4, 5, 6};
    const std::uint8_t* b = Bytes(n);
    EXPECT_EQ(ReadU32(b + 36), 0x10010u);
    EXPECT_EQ(ReadU32(b + 44), 3u);
    EXPECT_EQ(ReadU32(b + 48), 1u);
    EXPECT_EQ(ReadU32(b + 56), 3u);
    EXPECT_EQ(ReadU32(b + 60), 4u);
    EXPECT_EQ(ReadU32(b + 68), 6u);

    TrackRecord t;
    std::memset(&t, 0, sizeof t);
    t.attributes = TRACK_SOLO;
    t.channel = -1;
    t.order = 7;
    EXPECT_EQ(ReadU32(Bytes(t) + 4), 1u);
    EXPECT_EQ(ReadU32(Bytes(t) + 16), 0xFFFFFFFFu);
    EXPECT_EQ(ReadU32(Bytes(t) + 28), 7u);
}

TEST(Records, PitchBendCentreFromDataBytes) {
    MidiEventRecord r{};
    r.kind = MEK_PITCH_BEND;
    r.data[0] = 0;
    r.data[1] = 64;
    EXPECT_EQ(r.data[1] * 128 + r.data[0], 8192);
}

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
    EXPECT_EQ(meta.kind, MEK_NONE);
    EXPECT_EQ(meta.length, 0u);
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
