// Song files: the settings meta event in the first track, and atomic replacement.
#include <gtest/gtest.h>

#include <algorithm>

#include "app_test_util.h"
#include "smf/smf.h"
#include "song_file.h"

namespace {

using namespace apptest;
using host::app::InsertSettingsEvent;
using host::app::TakeSettingsEvent;

TEST(SongFile, SettingsEventRoundTripsThroughTheFirstTrackAndLeavesTheNotes) {
    Bytes longPayload(340); // needs a length of more than one byte
    for (std::size_t i = 0; i < longPayload.size(); ++i) longPayload[i] = static_cast<std::uint8_t>(i * 7);
    // A first track of over 64 KiB, so that its grown length needs all four bytes but the top one.
    std::vector<Note> many{{1, 960, 240, 64}};
    for (int i = 0; i < 9000; ++i) many.push_back({0, 480 * i, 480, 60 + i % 12});
    for (const Bytes& payload : {Bytes{5, 0, 0, 0, 0x7D, 0xFF, 0x80, 0x00, 0x12}, longPayload}) for (bool big : {false, true}) {
        SCOPED_TRACE(payload.size());
        const std::vector<Note> notes = big ? many : std::vector<Note>{{0, 0, 480, 60}, {1, 960, 240, 64}};
        Bytes image = MakeSong(notes, 2);
        ASSERT_TRUE(InsertSettingsEvent(image, payload));
        host::Store store;
        ASSERT_TRUE(host::smf::Read(image.data(), image.size(), store).ok);
        std::size_t eventsBefore = store.EventCount();
        bool found = false;
        EXPECT_EQ(TakeSettingsEvent(store, &found), payload);
        EXPECT_TRUE(found);
        // The event is gone from the song and from its history: the editor never sees it.
        EXPECT_EQ((std::tuple{store.EventCount(), store.UndoCount()}), (std::tuple{eventsBefore - 1, 0u}));
        if (big)
            EXPECT_EQ(NotesOf(store).size(), notes.size());
        else
            EXPECT_EQ(NotesOf(store), notes);
        EXPECT_TRUE(TakeSettingsEvent(store, &found).empty());
        EXPECT_FALSE(found);
    }
}

// A settings stream longer than its fixed part is kept as two events: the fixed part alone in the
// first, as a build that knows only that part reads it, and the rest right after it.
TEST(SongFile, ExtendedSettingsTravelInASecondEventAfterTheFixedPart) {
    Bytes fixed(340, 0x21);
    Bytes payload = fixed;
    for (char c : std::string("PRX1\x06\0\0\0ab=1\n\n", 14)) payload.push_back(static_cast<std::uint8_t>(c));
    Bytes image = MakeSong({{0, 0, 480, 60}}, 2);
    ASSERT_TRUE(InsertSettingsEvent(image, payload));
    host::Store store;
    ASSERT_TRUE(host::smf::Read(image.data(), image.size(), store).ok);
    std::vector<Bytes> events;
    const std::uint32_t first = store.TracksInOrder()[0];
    for (std::uint32_t id : store.EventsOf(store.BlocksOf(first)[0]))
        if (store.EventKind(id) == mp::MEK_META) events.push_back(store.Event(id).bytes);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(Bytes(events[0].begin() + 2, events[0].end()), fixed);
    EXPECT_EQ(Bytes(events[1].begin() + 2, events[1].end()), Bytes(payload.begin() + 340, payload.end()));
    bool found = false;
    EXPECT_EQ(TakeSettingsEvent(store, &found), payload);

    // A second settings event that is no extension, or one after a first that is not the fixed part,
    // is dropped, not joined.
    for (const Bytes& head : {fixed, Bytes(339, 0x21)}) {
        host::Store other;
        Bytes song = MakeSong({{0, 0, 480, 60}});
        ASSERT_TRUE(host::smf::Read(song.data(), song.size(), other).ok);
        const std::uint32_t block = other.BlocksOf(other.TracksInOrder()[0])[0];
        Bytes firstEvent(head.size() + 2);
        firstEvent[0] = 0x7F;
        firstEvent[1] = 0x7D;
        std::copy(head.begin(), head.end(), firstEvent.begin() + 2);
        other.LoadVariableEvent(block, 0, mp::MEK_META, firstEvent);
        other.LoadVariableEvent(block, 0, mp::MEK_META, head.size() == 340 ? Bytes{0x7F, 0x7D, 'X', 'R', 'X', '1'}
                                                                          : Bytes{0x7F, 0x7D, 'P', 'R', 'X', '1'});
        other.FinishLoad();
        EXPECT_EQ(TakeSettingsEvent(other, &found), head);
        EXPECT_TRUE(TakeSettingsEvent(other, &found).empty()) << "both are gone";
    }
}

TEST(SongFile, OtherSequencerEventsAndLaterTracksAreNotSettings) {
    host::Store store;
    Bytes image = MakeSong({{0, 0, 480, 60}}, 2);
    ASSERT_TRUE(host::smf::Read(image.data(), image.size(), store).ok);
    std::uint32_t first = store.TracksInOrder()[0];
    std::uint32_t second = store.TracksInOrder()[1];
    // Another maker's event in the first track, ours in the second: neither is taken.
    store.LoadVariableEvent(store.BlocksOf(first)[0], 0, mp::MEK_META, {0x7F, 0x41, 1, 2});
    store.LoadVariableEvent(store.BlocksOf(second)[0], 0, mp::MEK_META, {0x7F, 0x7D, 9});
    store.FinishLoad();
    bool found = true;
    EXPECT_TRUE(TakeSettingsEvent(store, &found).empty());
    EXPECT_FALSE(found);
}

TEST(SongFile, InsertRefusesImagesWithoutAWholeTrackChunk) {
    Bytes header{'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 0, 1, 0xE0};
    Bytes copy = header;
    EXPECT_FALSE(InsertSettingsEvent(copy, {1, 2, 3}));
    EXPECT_EQ(copy, header);
    Bytes cut = MakeSong({{0, 0, 480, 60}});
    cut.erase(cut.end() - 3, cut.end());
    Bytes cutCopy = cut;
    EXPECT_FALSE(InsertSettingsEvent(cutCopy, {1, 2, 3}));
    EXPECT_EQ(cutCopy, cut);
}

TEST(SongFile, AtomicWriteReplacesAndAFailedWriteLeavesNoTrace) {
    TempDir dir;
    fs::path target = dir / "song.mid";
    WriteBytes(target, {1, 2, 3});
    std::string error;
    ASSERT_TRUE(host::app::WriteFileAtomically(target.string(), {4, 5}, &error)) << error;
    EXPECT_EQ(ReadBytes(target), (Bytes{4, 5}));
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    EXPECT_EQ((std::tuple{host::app::WriteFileAtomically((dir / "missing" / "x.mid").string(), {1}, &error),
                          error.empty(), fs::exists(dir / "missing")}),
              (std::tuple{false, false, false}));
    EXPECT_EQ((std::tuple{host::app::BaseName("/a/b/song.mid"), host::app::BaseName("song.mid")}),
              (std::tuple{"song.mid", "song.mid"}));
}

} // namespace
