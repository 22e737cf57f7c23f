// Other tracks' notes: read at their pitches and times, drums told apart, kept until the host reports a
// change to their track, walked by time range; and the choice of tracks kept in the settings extension.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "model/ghost_choice.h"
#include "model/other_tracks.h"
#include "mp/settings_extension.h"
#include "track_fixture.h"

namespace {

using namespace pianoroll;

class OtherTracksTest : public harness::TrackFixture {
protected:
    void Open() {
        lead = AddTrack(u"Lead", 0);
        leadBlock = AddBlock(lead, 0, 10000);
        AddNote(leadBlock, 0, 480, 72);
        bass = AddTrack(u"Bass", 1, 0, -12);
        bassBlock = AddBlock(bass, 480, 20000);
        bassLow = AddNote(bassBlock, 0, 960, 48);
        bassHigh = AddNote(bassBlock, 960, 0, 50);
        drums = AddTrack(u"Drums", 9);
        const std::uint32_t drumBlock = AddBlock(drums, 0, 10000);
        AddNote(drumBlock, 240, 60, 36);
        loose = AddTrack(u"Loose", -1);
        const std::uint32_t looseBlock = AddBlock(loose, 0, 10000);
        AddEvent(looseBlock, 0, mp::MEK_NOTE, 100, 38, 90, 9);  // its own channel 10
        AddEvent(looseBlock, 100, mp::MEK_NOTE, 100, 40, 90, 2);
        AddEvent(looseBlock, 50, mp::MEK_CONTROL, 0, 7, 90, 2); // no note: left out
        Connect();
    }
    std::vector<GhostNote> NotesOf(int index) {
        const TrackNotes* notes = copies.Notes(plugin, index);
        return notes ? notes->All() : std::vector<GhostNote>{};
    }

    OtherTracks copies;
    std::uint32_t lead = 0, leadBlock = 0, bass = 0, bassBlock = 0, bassLow = 0, bassHigh = 0, drums = 0, loose = 0;
};

TEST_F(OtherTracksTest, NotesComeAtTheirTimesAndShownPitchesWithTheirKeys) {
    Open();
    const std::vector<GhostNote> notes = NotesOf(1);
    ASSERT_EQ(notes.size(), 2u);
    // At the block start plus the event time, with the track's pitch offset applied; a note of no length
    // still takes a tick.
    EXPECT_EQ(std::tuple(notes[0].start, notes[0].length, notes[0].pitch, notes[0].block, notes[0].event),
              std::tuple(480, 960u, 36, bassBlock, bassLow));
    EXPECT_EQ(std::tuple(notes[1].start, notes[1].End()), std::tuple(1440, 1441));
    EXPECT_FALSE(notes[0].drum);
    EXPECT_EQ(copies.Notes(plugin, 4), nullptr) << "no fifth track";
    EXPECT_EQ(copies.Notes(plugin, -1), nullptr);
}

TEST_F(OtherTracksTest, DrumsAreNotesOnChannelTenOfTheTrackOrOfTheEvent) {
    Open();
    const std::vector<GhostNote> drumNotes = NotesOf(2);
    ASSERT_EQ(drumNotes.size(), 1u);
    EXPECT_TRUE(drumNotes[0].drum);
    const std::vector<GhostNote> looseNotes = NotesOf(3);
    ASSERT_EQ(looseNotes.size(), 2u) << "control changes are left out";
    EXPECT_TRUE(looseNotes[0].drum) << "a track without a channel plays each event on its own";
    EXPECT_FALSE(looseNotes[1].drum);
}

TEST_F(OtherTracksTest, ACopyIsKeptUntilTheHostReportsAChangeToItsTrack) {
    Open();
    ASSERT_EQ(NotesOf(1)[0].pitch, 36);
    ChangeEvent(bassLow, [](host::EventValue& e) { e.data[0] = 55; });
    EXPECT_FALSE(copies.Stale(plugin, 1)) << "nothing reported yet";
    EXPECT_EQ(NotesOf(1)[0].pitch, 36) << "the copy is not read again for each look";
    Deliver();
    EXPECT_EQ((std::tuple{bool(copies.Stale(plugin, 1)), NotesOf(1)[0].pitch, bool(copies.Stale(plugin, 1))}),
              (std::tuple{true, 43, false}));

    NotesOf(2);
    ChangeEvent(bassHigh, [](host::EventValue& e) { e.time = 2000; });
    Deliver();
    EXPECT_FALSE(copies.Stale(plugin, 2)) << "a change to another track leaves this one";
    EXPECT_EQ(NotesOf(1)[1].start, 2480);
}

TEST_F(OtherTracksTest, TheSongsPitchOffsetMovesEveryTrack) {
    Open();
    NotesOf(1);
    NotesOf(2);
    project->WithStore([](host::Store& store) { store.SetPitchOffset(5); });
    Deliver();
    EXPECT_EQ((std::tuple{bool(copies.Stale(plugin, 1)), bool(copies.Stale(plugin, 2)), NotesOf(1)[0].pitch}),
              (std::tuple{true, true, 41}));
}

TEST_F(OtherTracksTest, CopiesOfTracksThatLeftAreDropped) {
    Open();
    EXPECT_TRUE(copies.Stale(plugin, 0)) << "the first track, never read";
    NotesOf(0);
    EXPECT_FALSE(copies.Stale(plugin, 0));
    NotesOf(1);
    NotesOf(2);
    ASSERT_EQ(copies.CopyCount(), 3u);
    project->WithStore([&](host::Store& store) { store.DeleteTrack(bass); });
    Deliver();
    copies.Prune(plugin);
    EXPECT_EQ(copies.CopyCount(), 2u) << "the first track's copy stays";
    std::vector<GhostNote> notes{GhostNote{}};
    EXPECT_FALSE(ReadTrackNotes(plugin, static_cast<int>(plugin->Tracks().size()), &notes)) << "past the last track";
    EXPECT_TRUE(notes.empty());
    EXPECT_FALSE(ReadTrackNotes(nullptr, 0, &notes));
    EXPECT_TRUE(NotesOf(1)[0].drum) << "the drums moved up to index 1";
}

TEST(TrackNotesWalk, ARangeGivesExactlyTheNotesThatReachIntoIt) {
    std::mt19937 random(7);
    std::vector<GhostNote> notes;
    for (int i = 0; i < 1000; ++i) {
        GhostNote n;
        n.start = static_cast<std::int64_t>(random() % 100000);
        n.length = i % 97 == 0 ? 50000 : random() % 500; // a few very long notes, some of no length
        n.event = static_cast<std::uint32_t>(i);
        notes.push_back(n);
    }
    TrackNotes walk;
    walk.Assign(notes);
    for (int trial = 0; trial < 200; ++trial) {
        const std::int64_t from = random() % 110000, to = from + random() % 3000;
        std::vector<std::uint32_t> expected, found;
        for (const GhostNote& n : notes)
            if (n.start <= to && n.End() >= from) expected.push_back(n.event);
        walk.ForEachInRange(from, to, [&](const GhostNote& n) { found.push_back(n.event); });
        std::sort(expected.begin(), expected.end());
        std::sort(found.begin(), found.end());
        ASSERT_EQ(found, expected) << "range " << from << " to " << to;
    }
}

TEST_F(OtherTracksTest, TheChoiceIsKeptByTrackNumbersThatFollowTheSong) {
    Open();
    mp::SettingsExtension extension;
    GhostChoice choice;
    WriteGhostChoice(choice, plugin, extension);
    EXPECT_TRUE(extension.Empty()) << "Off and nothing chosen leave the settings as they were";

    choice.mode = GhostMode::Chosen;
    choice.chosen = {drums, bass};
    WriteGhostChoice(choice, plugin, extension);
    EXPECT_EQ(extension.Get(kGhostModeSetting), "chosen");
    EXPECT_EQ(extension.Get(kGhostTracksSetting), "2,3");

    const GhostChoice back = ReadGhostChoice(extension, plugin);
    EXPECT_EQ(back.mode, GhostMode::Chosen);
    EXPECT_TRUE(back.Shows(bass) && back.Shows(drums) && !back.Shows(lead));

    extension.Set(kGhostTracksSetting, "4,x,0,9,4,,1");
    extension.Set(kGhostModeSetting, "sideways");
    const GhostChoice odd = ReadGhostChoice(extension, plugin);
    EXPECT_EQ(odd.mode, GhostMode::Off) << "an unknown mode reads as Off";
    EXPECT_EQ(odd.chosen, (std::vector<std::uint32_t>{loose, lead})) << "numbers outside the song and repeats dropped";

    choice.mode = GhostMode::All;
    choice.chosen.clear();
    WriteGhostChoice(choice, plugin, extension);
    EXPECT_EQ(extension.Get(kGhostModeSetting), "all");
    EXPECT_EQ(extension.Get(kGhostTracksSetting, "none"), "none");
    EXPECT_TRUE(choice.Shows(lead));
}

} // namespace
