// The song's maps read from the host into the model's types, and the edits the editor asks for.
#include <gtest/gtest.h>

#include "model/song_maps.h"
#include "mp/song_maps.h"
#include "track_fixture.h"

namespace {

using namespace pianoroll;

class SongMaps : public harness::TrackFixture {
protected:
    void Open() {
        track = AddTrack(u"Conductor", 0);
        block = AddBlock(track, 0, 200000);
        AddNote(block, 0, 480, 60, 100);
        Connect();
    }
    std::uint32_t track = 0, block = 0;
};

TEST_F(SongMaps, MetersAndKeysComeAsTheHostHasThem) {
    Open();
    std::vector<MeterSegment> meters;
    std::vector<std::int64_t> signatures{5};
    ASSERT_TRUE(ReadMeterMap(access.get(), &meters, &signatures));
    ASSERT_EQ(meters.size(), 1u) << "one meter: the default";
    EXPECT_TRUE(signatures.empty()) << "and no signature of the song";
    EXPECT_EQ(meters[0].beatsPerBar, 4);
    KeyMap keys({{0, 3, false}});
    ASSERT_TRUE(ReadKeyMap(access.get(), &keys));
    EXPECT_FALSE(keys.FromSignatures()) << "a song without key signatures";

    // 4/4 at 0; 6/8 at bar 3 (960 ticks a quarter); 2/2 at 3840 + 2 bars of 6/8.
    // A note value is a power of two.
    EXPECT_EQ((std::tuple{InsertTimeSignature(access.get(), 7680, 6, 8), UndoName(),
                          InsertTimeSignature(access.get(), 7680 + 2 * 2880, 2, 2),
                          InsertTimeSignature(access.get(), 7681, 3, 4), InsertTimeSignature(access.get(), 0, 3, 3),
                          InsertKeySignature(access.get(), 0, 2, false),
                          InsertKeySignature(access.get(), 7680, -3, true), UndoName()}),
              (std::tuple{win::S_OK, u"Insert Time Signature", win::S_OK, mp::MP_E_NOT_ON_BAR_LINE, win::E_INVALIDARG,
                          win::S_OK, win::S_OK, u"Insert Key Signature"}));

    ASSERT_TRUE(ReadMeterMap(access.get(), &meters, &signatures));
    ASSERT_EQ(meters.size(), 3u);
    EXPECT_EQ(signatures, (std::vector<std::int64_t>{7680, 7680 + 2 * 2880}));
    EXPECT_EQ(std::tuple(meters[1].start, meters[1].beatsPerBar, meters[1].noteValue, meters[2].noteValue),
              std::tuple(7680, 6, 8, 2));
    ASSERT_TRUE(ReadKeyMap(access.get(), &keys));
    // D major, then C minor.
    EXPECT_EQ(std::tuple(keys.KeyAt(7679).root, keys.KeyAt(7680).root, keys.KeyAt(7680).scale),
              std::tuple(2, 0, kNaturalMinorScale));

    EXPECT_EQ((std::tuple{RemoveTimeSignature(access.get(), 7680), UndoName(), RemoveTimeSignature(access.get(), 7680),
                          RemoveKeySignature(access.get(), 0), UndoName()}),
              (std::tuple{win::S_OK, u"Remove Time Signature", win::S_FALSE, win::S_OK, u"Remove Key Signature"}));
    ASSERT_TRUE(ReadMeterMap(access.get(), &meters));
    EXPECT_EQ(meters.size(), 2u);
    ASSERT_TRUE(ReadKeyMap(access.get(), &keys));
    EXPECT_EQ(keys.Segments().size(), 2u) << "C major up to the C minor that is left";
}

TEST_F(SongMaps, ManyMetersAreReadWhole) {
    Open();
    // 100 bars alternating 3/4 and 4/4 (more than a first read has room for).
    std::int64_t tick = 0;
    for (int bar = 0; bar < 100; ++bar) {
        const int beats = bar % 2 ? 4 : 3;
        ASSERT_EQ(InsertTimeSignature(access.get(), tick, beats, 4), win::S_OK) << bar;
        tick += beats * 960;
    }
    std::vector<MeterSegment> meters;
    ASSERT_TRUE(ReadMeterMap(access.get(), &meters));
    ASSERT_EQ(meters.size(), 100u);
    EXPECT_EQ(meters[99].start, tick - 4 * 960);
}

TEST_F(SongMaps, WithoutAHostNothingIsReadOrWritten) {
    std::vector<MeterSegment> meters{MeterSegment{0, 5, 4}};
    KeyMap keys;
    EXPECT_EQ((std::tuple{ReadMeterMap(nullptr, &meters), ReadKeyMap(nullptr, &keys),
                          InsertKeySignature(nullptr, 0, 1, false)}),
              (std::tuple{false, false, win::E_UNEXPECTED}));
    EXPECT_EQ(meters[0].beatsPerBar, 5);
}

} // namespace
