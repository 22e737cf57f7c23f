// The pending edit: typed inserts, changes and removals, copies of a selection, lane events, and
// one commit under an undo name.
#include <gtest/gtest.h>

#include <vector>

#include "model/note_model.h"
#include "model/pending_edit.h"
#include "mp/string_ids.h"
#include "track_fixture.h"

namespace {

using namespace pianoroll;

class Editing : public harness::TrackFixture {
protected:
    void SetUp() override {
        harness::TrackFixture::SetUp();
        track = AddTrack(u"Piano", 3);
        first = AddBlock(track, 0, 1000);
        block = AddBlock(track, 1000, 30000);
        n1 = AddNote(block, 0, 480, 60, 100, true);
        n2 = AddNote(block, 960, 240, 64, 90, true);
        n3 = AddNote(block, 2000, 240, 67, 80);
        cc = AddEvent(block, 480, mp::MEK_CONTROL, 0, 7, 100, 3, true);
        Connect();
        edit = PendingEdit(access.get());
        model = NoteModel(access.get());
    }
    NoteKey Key(std::uint32_t event) const { return NoteKey{track, block, event}; }
    std::vector<Note> Pending() {
        std::vector<Note> notes;
        edit.ForEachPendingNote([&](const Note& n) { notes.push_back(n); });
        return notes;
    }
    std::uint32_t track = 0, first = 0, block = 0, n1 = 0, n2 = 0, n3 = 0, cc = 0;
    PendingEdit edit{nullptr};
    NoteModel model{nullptr};
};

TEST_F(Editing, InsertedNotesCountFromTheFirstBlockAndCommitUnderTheirName) {
    Note note{.start = 1500, .length = 120, .pitch = 72, .velocity = 64, .selected = true};
    ASSERT_TRUE(edit.Insert(&note));
    EXPECT_TRUE(note.ref.Inserted());
    EXPECT_EQ(note.ref.base, 0) << "inserts go to the track's first block";
    EXPECT_EQ(note.channel, 3) << "on the track's channel";
    note.length = 360;
    ASSERT_TRUE(edit.Change(note));
    Note read;
    ASSERT_TRUE(edit.Read(note.ref, &read));
    EXPECT_EQ((std::tuple{read.End(), edit.InsertCount()}), (std::tuple{1860, 1}));
    ASSERT_EQ(Pending().size(), 1u);
    EXPECT_EQ(Pending()[0].start, 1500);
    Note bad{.pitch = 128};
    EXPECT_FALSE(edit.Insert(&bad));
    mp::TrackAccess detached{mp::TrackHost{}}; // an editor without its plug-in object queues nothing
    EXPECT_FALSE(PendingEdit(&detached).Insert(&note));
    LaneEvent bend{.kind = LaneKind::PitchBend, .tick = 10};
    EXPECT_FALSE(PendingEdit(&detached).InsertLaneEvent(&bend));
    const std::size_t undo = UndoCount();
    ASSERT_EQ(edit.Commit(mp::IDS_UNDO_DRAW_EVENT), win::S_OK);
    EXPECT_EQ((std::tuple{UndoCount(), UndoName()}), (std::tuple{undo + 1, u"Draw MIDI Event"}));
    EXPECT_TRUE(edit.Empty());
    EXPECT_EQ(edit.Commit(mp::IDS_UNDO_DRAW_EVENT), win::S_FALSE);
    Deliver();
    std::vector<std::int64_t> starts;
    model.ForEachNote(1500, 0, nullptr, [&](const Note& n) { starts.push_back(n.start); });
    EXPECT_EQ(starts, (std::vector<std::int64_t>{1500}));
}

TEST_F(Editing, AChangeKeepsWhatTheNoteDoesNotSayAndAPendingNoteShowsItsNewState) {
    Note note;
    ASSERT_TRUE(model.Read(Key(n3), &note));
    EXPECT_EQ(note.ref.base, 1000);
    note.start = 3500;
    note.pitch = 40;
    note.velocity = 127;
    note.selected = true;
    ASSERT_TRUE(edit.Change(note));
    EXPECT_TRUE(edit.IsPending(Key(n3)));
    EXPECT_FALSE(edit.IsPending(Key(n1)));
    ASSERT_EQ(Pending().size(), 1u);
    EXPECT_EQ(Pending()[0].start, 3500);
    std::int64_t start = 0, end = 0;
    ASSERT_TRUE(edit.Span(note.ref, &start, &end));
    EXPECT_EQ(end - start, 240);
    edit.Commit(mp::IDS_UNDO_MOVE_EVENT);
    const host::EventValue stored = Stored(n3);
    EXPECT_EQ((std::tuple{stored.time, stored.data[0], stored.data[1]}), (std::tuple{2500, 40, 127}));
    EXPECT_EQ(stored.channel, 0) << "the event's own channel stays";
    EXPECT_TRUE(stored.flags & mp::MEF_SELECTED);
    Note lane;
    EXPECT_FALSE(edit.Change(Note{.ref = EventRef{Key(cc)}})) << "a control change is no note to change";
    EXPECT_FALSE(edit.Read(EventRef{Key(cc)}, &lane));
}

// A stroke looks among its own new notes only; a size drag goes on only while its note is changed.
TEST_F(Editing, InsertsAreWalkedAloneInQueueOrderAndAChangeIsToldFromARemoval) {
    Note changed;
    ASSERT_TRUE(model.Read(Key(n3), &changed));
    changed.length = 100;
    ASSERT_TRUE(edit.Change(changed));
    for (std::int64_t start : {5000, 4000}) {
        Note note{.start = start, .length = 10, .pitch = 50, .velocity = 64};
        ASSERT_TRUE(edit.Insert(&note));
    }
    LaneEvent bend{.kind = LaneKind::PitchBend, .tick = 4500, .value = 0};
    ASSERT_TRUE(edit.InsertLaneEvent(&bend));
    std::vector<Note> inserted;
    edit.ForEachInsertedNote([&](const Note& n) { inserted.push_back(n); });
    ASSERT_EQ(inserted.size(), 2u) << "neither the changed note nor the bend";
    EXPECT_EQ((std::tuple{inserted[0].start, inserted[1].ref.insert, inserted[1].start, Pending().size()}),
              (std::tuple{5000, 1, 4000, 3u}));
    EXPECT_TRUE(edit.IsChanged(Key(n3)));
    edit.Remove(Key(n3));
    EXPECT_FALSE(edit.IsChanged(Key(n3)));
    EXPECT_TRUE(edit.IsPending(Key(n3)));
    EXPECT_FALSE(PendingEdit(nullptr).IsChanged(Key(n3)));
}

TEST_F(Editing, CopiesOfASelectionTakeEveryKindAndLeaveTheOriginalsDeselected) {
    const std::vector<CopiedEvent> copies = edit.CopySelected();
    ASSERT_EQ(copies.size(), 3u);
    int notes = 0;
    for (const CopiedEvent& c : copies) {
        notes += c.note;
        EXPECT_TRUE(c.copy.Inserted());
        std::int64_t start = 0, end = 0;
        ASSERT_TRUE(edit.Span(c.copy, &start, &end));
        ASSERT_TRUE(edit.MoveTo(c.copy, start + 10000));
    }
    EXPECT_EQ(notes, 2);
    std::int64_t start = -1, end = -1;
    const EventRef gone{NoteKey{track, block, 99999}};
    EXPECT_FALSE(edit.Span(gone, &start, &end) || edit.MoveTo(gone, 10)) << "no such event";
    ASSERT_EQ(edit.Commit(mp::IDS_UNDO_PASTE_EVENTS), win::S_OK);
    Deliver();
    EXPECT_FALSE(model.IsSelected(Key(n1)));
    EXPECT_FALSE(model.IsSelected(Key(cc)));
    std::vector<LaneEvent> ccs;
    model.ForEachLaneEvent(LaneFilter{LaneKind::Controller, 7}, -1, 0, [&](const LaneEvent& e) { ccs.push_back(e); });
    ASSERT_EQ(ccs.size(), 2u);
    EXPECT_EQ(ccs[1].tick, 11480);
    EXPECT_TRUE(ccs[1].selected);
    EXPECT_EQ(UndoName(), u"Paste MIDI Events");
}

TEST_F(Editing, SelectedNotesChangeTogetherAndRemovalsDropTheirChanges) {
    std::vector<Note> selected;
    ASSERT_EQ(edit.ChangeSelectedNotes([&](const Note& n) { selected.push_back(n); }), 2u);
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(edit.ChangeCount(), 2) << "queued as they are";
    edit.Remove(Key(n2));
    EXPECT_EQ(edit.ChangeCount(), 1);
    EXPECT_TRUE(edit.IsRemoved(Key(n2)));
    EXPECT_EQ(edit.RemovedNoteCount(), 1);
    edit.Discard();
    EXPECT_TRUE(edit.Empty());
    EXPECT_TRUE(Alive(n2));
    // A rewrite names every selected event and changes only the notes, in song time.
    const int named = edit.RewriteSelected([](Note& n) {
        EXPECT_GE(n.start, 1000);
        n.start += 5;
        n.length = 10;
    });
    EXPECT_EQ(named, 3);
    edit.Commit(mp::IDS_UNDO_QUANTIZE);
    EXPECT_EQ(Stored(n1).time, 5) << "in its block";
    EXPECT_EQ((std::tuple{Stored(n1).length, Stored(n3).length, Stored(cc).data[1]}),
              (std::tuple{10u, 240u, 100}));
}

TEST_F(Editing, LaneStrokesReplaceDropAndThinOutTheirValues) {
    const LaneFilter bends{LaneKind::PitchBend};
    for (int value : {8192, 8192, 9000, 16383}) {
        LaneEvent e{.kind = LaneKind::PitchBend, .tick = 4000 - value / 100, .value = value};
        ASSERT_TRUE(edit.InsertLaneEvent(&e));
        EXPECT_EQ(e.value, value);
    }
    // Another lane's repeated values and a queued change of another lane's event are no bends.
    LaneEvent other{.kind = LaneKind::Controller, .tick = 3000, .controller = 1, .value = 9};
    edit.InsertLaneEvent(&other);
    other.tick = 3100;
    edit.InsertLaneEvent(&other);
    ASSERT_TRUE(edit.MoveTo(EventRef{Key(cc), -1, 1000}, 1600));
    edit.DropRepeatedValues(bends);
    std::vector<LaneEvent> queued;
    edit.ForEachQueuedLaneEvent(bends, [&](const LaneEvent& e) { queued.push_back(e); });
    ASSERT_EQ(queued.size(), 3u) << "one of the equal neighbours goes";
    std::size_t controllerOne = 0;
    edit.ForEachQueuedLaneEvent(LaneFilter{LaneKind::Controller, 1}, [&](const LaneEvent&) { ++controllerOne; });
    EXPECT_EQ(controllerOne, 2u);
    EXPECT_LT(queued[0].tick, queued[1].tick) << "in time order";
    edit.DropInsertedLaneEvents(bends, 3900, 3920);
    queued.clear();
    edit.ForEachQueuedLaneEvent(bends, [&](const LaneEvent& e) { queued.push_back(e); });
    ASSERT_EQ(queued.size(), 1u);
    EXPECT_EQ(queued[0].value, 16383);
    edit.RemoveLaneEvent(Key(cc));
    edit.RemoveLaneEvent(Key(cc));
    ASSERT_EQ(edit.Commit(mp::IDS_UNDO_ERASE_EVENT), win::S_OK) << "a key removed twice is removed once";
    EXPECT_FALSE(Alive(cc));
}

TEST_F(Editing, ClearingRowsAndTheVelocityLineGoThroughTheEdit) {
    EXPECT_TRUE(edit.ClearNotes(1960, 100, model.RowOfPitch(64), model.RowOfPitch(64), -1));
    EXPECT_TRUE(edit.IsRemoved(Key(n2)));
    edit.Discard();
    EXPECT_TRUE(edit.DrawVelocityLine(30, 30, 900, 3100, 0));
    edit.Commit(mp::IDS_UNDO_DRAW_EVENT);
    EXPECT_EQ(Stored(n1).data[1], 30);
    // Without a track access nothing happens.
    PendingEdit none(nullptr);
    Note note;
    LaneEvent lane{};
    EXPECT_FALSE(none.Insert(&note) || none.Read(EventRef{}, &note) || none.ClearNotes(0, 1, 0, 0, -1) ||
                 none.InsertLaneEvent(&lane));
    EXPECT_TRUE(none.Empty());
    EXPECT_EQ(none.Commit(mp::IDS_UNDO_DRAW_EVENT), win::S_FALSE);
}

} // namespace
