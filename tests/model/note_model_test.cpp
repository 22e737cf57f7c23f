// Reading notes and lane events as the editor's types, selecting, and the changes the host reports.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "model/model_change.h"
#include "model/note_model.h"
#include "model/pending_edit.h"
#include "mp/string_ids.h"
#include "track_fixture.h"

namespace {

using namespace pianoroll;

class Reading : public harness::TrackFixture {
protected:
    void Open(int pitchOffset = 0, int velocityOffset = 0) {
        track = AddTrack(u"Piano", 0, 0, pitchOffset, velocityOffset);
        block = AddBlock(track, 960, 30000);
        n1 = AddNote(block, 0, 480, 60, 100, true);
        n2 = AddNote(block, 960, 240, 64, 90);
        cc = AddEvent(block, 480, mp::MEK_CONTROL, 0, 7, 100);
        cc2 = AddEvent(block, 1440, mp::MEK_CONTROL, 0, 10, 30);
        bend = AddEvent(block, 720, mp::MEK_PITCH_BEND, 0, 0x05, 0x41);
        Connect();
        model = NoteModel(access.get());
        edit = PendingEdit(access.get());
        access->GetEventCount(); // the editor always shows the list
    }
    NoteKey Key(std::uint32_t event) const { return NoteKey{track, block, event}; }
    std::uint32_t track = 0, block = 0, n1 = 0, n2 = 0, cc = 0, cc2 = 0, bend = 0;
    NoteModel model{nullptr};
    PendingEdit edit{nullptr};
};

TEST_F(Reading, NotesAndLaneEventsInAbsoluteTicksWithTheTrackOffsets) {
    Open(2, 10);
    Note note;
    ASSERT_TRUE(model.Read(Key(n1), &note));
    EXPECT_EQ(std::tuple(note.start, note.End(), note.pitch, note.velocity, note.selected, note.Key()),
              std::tuple(960, 1440, 62, 110, true, Key(n1)));
    EXPECT_FALSE(model.Read(Key(cc), &note)) << "a control change is no note";
    EXPECT_FALSE(model.Read(Key(999), &note));

    std::vector<std::int64_t> starts;
    model.ForEachNote(1500, 500, nullptr, [&](const Note& n) { starts.push_back(n.start); });
    EXPECT_EQ(starts, (std::vector<std::int64_t>{1920}));
    starts.clear();
    model.ForEachNote(1440, 0, nullptr, [&](const Note& n) { starts.push_back(n.start); });
    EXPECT_EQ(starts, (std::vector<std::int64_t>{960})) << "a note's end counts";
    starts.clear();
    model.ForEachNote(-1, 0, [&](const NoteKey& k) { return k == Key(n1); }, [&](const Note& n) { starts.push_back(n.start); });
    EXPECT_EQ(starts, (std::vector<std::int64_t>{1920}));

    std::vector<LaneEvent> events;
    model.ForEachLaneEvent(LaneFilter{LaneKind::Controller, 7}, -1, 0, [&](const LaneEvent& e) { events.push_back(e); });
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ((std::tuple{events[0].tick, events[0].value}), (std::tuple{1440, 100}));
    events.clear();
    model.ForEachLaneEvent(LaneFilter{LaneKind::PitchBend}, 1000, 1000, [&](const LaneEvent& e) { events.push_back(e); });
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].value, 0x41 << 7 | 0x05);
    LaneEvent before;
    EXPECT_TRUE(model.LaneEventAtOrBefore(LaneFilter{LaneKind::Controller, 10}, 3000, [](const LaneEvent&) { return true; }, &before));
    EXPECT_EQ(before.tick, 2400);
    EXPECT_FALSE(model.LaneEventAtOrBefore(LaneFilter{LaneKind::Controller, 10}, 3000,
                                           [](const LaneEvent& e) { return e.tick < 2400; }, &before));
    const TrackContent content = model.Content();
    EXPECT_TRUE(content.notes && content.pitchBend && content.controllers[7] && content.controllers[10]);
    EXPECT_FALSE(content.controllers[8]);
    EXPECT_EQ(model.TrackEnd(), 2400) << "the last control change";
    EXPECT_EQ((std::tuple{model.RowOfPitch(60), model.PitchOfRow(67), model.RowOfPitch(128)}),
              (std::tuple{67, 60, -1}));
}

TEST_F(Reading, SelectionByNoteRangeAndAll) {
    Open();
    EXPECT_TRUE(model.IsSelected(Key(n1)));
    EXPECT_TRUE(model.AnySelected());
    model.SelectAll(false);
    EXPECT_FALSE(model.AnySelected());
    model.SelectRange(1900, 100, 64, 64);
    EXPECT_EQ(model.SelectedNotes(), (std::vector<NoteKey>{Key(n2)}));
    model.Select(Key(n1), true);
    EXPECT_EQ(model.SelectedNotes().size(), 2u);
    NoteKey hit{};
    ASSERT_TRUE(model.FindNoteAt(2000, 10, model.RowOfPitch(64), &hit));
    EXPECT_EQ(hit, Key(n2));
    EXPECT_FALSE(model.FindNoteAt(5000, 10, model.RowOfPitch(64), &hit));
    char name[64];
    ControllerName(7, name, sizeof name);
    EXPECT_STRNE(name, "");
    // Without a track access nothing is read and nothing breaks.
    const NoteModel none(nullptr);
    EXPECT_FALSE(none.Attached() || none.Read(Key(n1), &std::array<Note, 1>{}[0]) || none.AnySelected());
    EXPECT_EQ(none.PitchOfRow(3), 124);
}

TEST_F(Reading, TheHostsChangesArriveAsSpansOfTicksAndRows) {
    Open();
    TakeModelChange(access.get());
    Note note;
    ASSERT_TRUE(model.Read(Key(n2), &note));
    note.start = 4800;
    note.pitch = 70;
    ASSERT_TRUE(edit.Change(note));
    ASSERT_EQ(edit.Commit(mp::IDS_UNDO_MOVE_EVENT), win::S_OK);
    Deliver();
    ModelChange change = TakeModelChange(access.get());
    // From where the note was to where it went.
    EXPECT_EQ(std::tuple(change.what, change.from, change.to, change.topRow, change.bottomRow),
              std::tuple(MODEL_NOTES, 1920, 4800 + 240, 127 - 70, 127 - 64));
    EXPECT_TRUE(TakeModelChange(access.get()).Empty()) << "taken once";

    LaneEvent e{.kind = LaneKind::Controller, .tick = 9000, .controller = 7, .value = 5};
    ASSERT_TRUE(edit.InsertLaneEvent(&e));
    edit.Commit(mp::IDS_UNDO_DRAW_EVENT);
    Deliver();
    change = TakeModelChange(access.get());
    EXPECT_EQ(change.what, MODEL_LANE_EVENTS);
    EXPECT_FALSE(change.HasRows());
    EXPECT_EQ(change.from, 9000);

    ChangeTrack(track, [](host::TrackValue& value) { value.name = u"Renamed"; });
    Deliver();
    EXPECT_TRUE(TakeModelChange(access.get()).TracksChanged());
}

TEST_F(Reading, APitchOffsetMakesEveryRowPartOfAChange) {
    Open(5);
    TakeModelChange(access.get());
    ASSERT_TRUE(model.Read(Key(n2), &std::array<Note, 1>{}[0]));
    Note note;
    model.Read(Key(n2), &note);
    note.velocity = 1;
    edit.Change(note);
    edit.Commit(mp::IDS_UNDO_SET_VELOCITY);
    Deliver();
    const ModelChange change = TakeModelChange(access.get());
    EXPECT_EQ((std::tuple{change.topRow, change.bottomRow}), (std::tuple{0, 127}));
    EXPECT_EQ(Stored(n2).data[0], 64) << "the offset is taken back when written";
}

} // namespace
