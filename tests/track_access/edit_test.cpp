// TrackAccess writing: queues and commits under undo names, selection, velocities, clearing a range,
// drawn lines and the song length.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>

#include "mp/edit_queues.h"
#include "track_fixture.h"

namespace {

using namespace win;

class Editing : public harness::TrackFixture {
protected:
    void SetUp() override {
        harness::TrackFixture::SetUp();
        track = AddTrack(u"Piano", 0);
        block = AddBlock(track, 0, 7680);
        n1 = AddNote(block, 0, 480, 60, 100);
        n2 = AddNote(block, 960, 480, 62, 100);
        Connect();
    }
    mp::EventKey Key(std::uint32_t event) const { return mp::EventKey{track, block, event}; }
    std::uint32_t track = 0, block = 0, n1 = 0, n2 = 0;
};

TEST_F(Editing, OneCommitIsOneNamedUndoStep) {
    const std::size_t before = UndoCount();
    access->InsertNote(1920, 240, 127 - 64, true);
    access->InsertNote(2400, 240, 127 - 65, false);
    mp::MidiEventRecord record{};
    ASSERT_EQ(access->GetEvent(Key(n1), &record), S_OK);
    record.length = 200;
    access->QueueModify(Key(n1), record, mp::CHANGE_ALL);
    access->QueueModify(Key(n2), record, mp::CHANGE_ALL);
    access->QueueDelete(Key(n2)); // drops n2's queued modification
    EXPECT_EQ(access->QueuedModifyCount(), 1);
    EXPECT_TRUE(access->IsQueuedDelete(Key(n2)));
    EXPECT_FALSE(access->IsQueuedDelete(mp::EventKey{track, block, 0}));
    ASSERT_EQ(access->CommitEdits(u"Draw MIDI Events"), S_OK);
    EXPECT_EQ(UndoCount(), before + 1);
    EXPECT_EQ(UndoName(), u"Draw MIDI Events");
    EXPECT_EQ(access->QueuedInsertCount(), 0);
    EXPECT_EQ(Stored(n1).length, 200u);
    EXPECT_FALSE(Alive(n2));
    Deliver();
    EXPECT_EQ(access->GetEventCount(), 3);
    ASSERT_EQ(project->Undo(), S_OK);
    Deliver();
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n1, n2}));
    EXPECT_EQ(Stored(n1).length, 480u);
}

TEST_F(Editing, EmptyQueuesDiscardAndFailureLeaveNothingQueued) {
    const std::size_t before = UndoCount();
    EXPECT_EQ(access->CommitEdits(u"Nothing"), S_FALSE);
    EXPECT_EQ(access->CommitDeletes(false), S_FALSE);
    EXPECT_EQ(UndoCount(), before);
    access->InsertNote(1920, 240, 127 - 64, true);
    access->QueueDelete(Key(n1));
    access->DiscardEdits();
    EXPECT_EQ(access->CommitEdits(u"x"), S_FALSE);
    EXPECT_TRUE(Alive(n1));
    // A failing host call stops the commit and still empties the queues.
    access->QueueDelete(mp::EventKey{track, block, 999999});
    access->QueueDelete(Key(n1));
    EXPECT_TRUE(FAILED(access->CommitEdits(u"Delete")));
    EXPECT_EQ(plugin->Queues().Deletes().size(), 0u);
    EXPECT_TRUE(Alive(n1));
    EXPECT_EQ(plugin->TransactionDepth(), 0u);
}

TEST_F(Editing, QueueIndicesReplaceAndSort) {
    const int a = access->InsertNote(900, 10, 127 - 60, false);
    const int b = access->InsertNote(100, 10, 127 - 61, false);
    EXPECT_EQ(access->InsertNote(50, 10, 127 - 62, false, b), b) << "an existing index is replaced";
    EXPECT_EQ(access->QueuedInsertCount(), 2);
    access->SortQueuedInserts();
    mp::MidiEventRecord first{};
    ASSERT_TRUE(access->GetQueuedInsert(0, &first));
    EXPECT_EQ(first.time, 50);
    EXPECT_EQ(first.data[0], 62);
    EXPECT_EQ(first.channel, 0);
    EXPECT_TRUE(access->DropQueuedInsert(a));
    // One insert is left: index 0 is the only one there is.
    for (int bad : {-1, 1}) {
        EXPECT_FALSE(access->GetQueuedInsert(bad, &first)) << bad;
        EXPECT_FALSE(access->SetQueuedInsert(bad, first)) << bad;
        EXPECT_FALSE(access->DropQueuedInsert(bad)) << bad;
    }
    EXPECT_TRUE(access->SetQueuedInsert(0, first));
    EXPECT_EQ(access->QueuedInsertCount(), 1);
}

// Modifications keep the place their key first took, a deletion drops the key's modification, and
// the queued notes are shown as the commit would leave them.
TEST_F(Editing, QueuedModificationsKeepTheirPlaceAndShowAsCommitted) {
    std::mt19937 random(11);
    std::vector<std::pair<std::uint32_t, int>> expected; // event, velocity, in queue order
    std::vector<std::uint32_t> deleted;
    for (int i = 0; i < 3000; ++i) {
        const std::uint32_t event = 1000 + random() % 300; // keys the host does not know: the queue does not ask
        const mp::EventKey key{track, block, event};
        auto at = std::find_if(expected.begin(), expected.end(), [&](const auto& e) { return e.first == event; });
        if (random() % 5 == 0) {
            access->QueueDelete(key);
            if (at != expected.end()) expected.erase(at);
            if (std::find(deleted.begin(), deleted.end(), event) == deleted.end()) deleted.push_back(event);
            continue;
        }
        mp::MidiEventRecord record{};
        record.kind = mp::MEK_NOTE;
        record.data[1] = static_cast<std::uint8_t>(random() % 128);
        access->QueueModify(key, record, mp::CHANGE_ALL);
        if (at != expected.end()) at->second = record.data[1];
        else expected.emplace_back(event, record.data[1]);
        const mp::MidiEventRecord* found = access->GetQueuedModify(key);
        ASSERT_NE(found, nullptr);
        ASSERT_EQ(found->data[1], record.data[1]);
    }
    ASSERT_EQ(access->QueuedModifyCount(), static_cast<int>(expected.size()));
    for (std::size_t i = 0; i < expected.size(); ++i) {
        mp::EventKey key{};
        mp::MidiEventRecord record{};
        ASSERT_TRUE(access->GetQueuedModify(static_cast<int>(i), &key, &record, nullptr));
        EXPECT_EQ(key.event, expected[i].first) << i;
        EXPECT_EQ(record.data[1], expected[i].second) << i;
        // Asked by key in queue order, as a drag step asks, each key twice.
        for (int twice = 0; twice < 2; ++twice) EXPECT_EQ(access->GetQueuedModify(key)->data[1], expected[i].second) << i;
    }
    for (std::uint32_t event : deleted) EXPECT_TRUE(access->IsQueuedDelete(mp::EventKey{track, block, event}));
    EXPECT_EQ(access->GetQueuedModify(mp::EventKey{track, block, 0}), nullptr);
    access->DiscardEdits();

    // A moved note shows where it goes; a note whose selection alone changes shows the host's record.
    mp::MidiEventRecord moved{}, flagged{};
    ASSERT_EQ(access->GetEvent(Key(n1), &moved), S_OK);
    ASSERT_EQ(access->GetEvent(Key(n2), &flagged), S_OK);
    moved.time = 240;
    access->QueueModify(Key(n1), moved, mp::CHANGE_ALL);
    flagged.flags |= mp::MEF_SELECTED;
    flagged.time = 5000; // not written by a flags-only modification
    access->QueueModify(Key(n2), flagged, mp::CHANGE_FLAGS);
    std::vector<std::pair<std::uint32_t, std::int64_t>> shown;
    access->ForEachQueuedNote([&](const mp::TrackAccess::WalkedEvent& e) {
        shown.emplace_back(e.key.event, e.start);
        if (e.key.event == n2) {
            EXPECT_TRUE(e.record.flags & mp::MEF_SELECTED);
        }
    });
    EXPECT_EQ(shown, (std::vector<std::pair<std::uint32_t, std::int64_t>>{{n1, 240}, {n2, 960}}));
    // A window takes the notes that meet it, the flags-only one by the host's times.
    for (const auto& [from, to, count] : {std::tuple{720, 959, 1}, {721, 959, 0}, {721, 960, 1}, {1000, 1100, 1}, {4000, 6000, 0}}) {
        int met = 0;
        access->ForEachQueuedNote([&](const mp::TrackAccess::WalkedEvent&) { ++met; }, from, to);
        EXPECT_EQ(met, count) << from << ".." << to;
    }
    access->QueueDelete(Key(n1));
    shown.clear();
    access->ForEachQueuedNote([&](const mp::TrackAccess::WalkedEvent& e) { shown.emplace_back(e.key.event, e.start); });
    EXPECT_EQ(shown, (std::vector<std::pair<std::uint32_t, std::int64_t>>{{n2, 960}}));
}

// Keys crowded into runs of the index are all found again after any of them are erased.
TEST(KeyIndexTest, ErasingKeepsTheOtherKeysOfARunFindable) {
    std::mt19937 random(5);
    mp::KeyIndex index;
    std::vector<mp::EventKey> keys;
    for (std::uint32_t i = 0; i < 4000; ++i) {
        keys.push_back(mp::EventKey{1, static_cast<std::uint32_t>(1 + random() % 4), i + 1});
        ASSERT_TRUE(index.Insert(keys.back(), i).second);
    }
    std::vector<bool> erased(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i)
        if (random() % 3 == 0) erased[i] = index.Erase(keys[i]);
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const std::uint32_t* found = index.Find(keys[i]);
        ASSERT_EQ(found == nullptr, static_cast<bool>(erased[i])) << i;
        EXPECT_TRUE(!found || *found == i) << i;
    }
}

TEST_F(Editing, VelocityCommitsAreNamedByCount) {
    access->SetEventSelected(Key(n1), true);
    ASSERT_EQ(access->SetSelectedVelocity(30), S_OK);
    EXPECT_EQ(UndoName(), u"Set MIDI Event Velocity");
    EXPECT_EQ(Stored(n1).data[1], 30);
    EXPECT_EQ(Stored(n2).data[1], 100);
    access->SetEventSelected(Key(n2), true);
    ASSERT_EQ(access->SetSelectedVelocity(40), S_OK);
    EXPECT_EQ(UndoName(), u"Set MIDI Event Velocities");
    EXPECT_EQ(Stored(n2).data[1], 40);
    EXPECT_EQ((std::tuple{access->DuplicateSelected(nullptr), access->QueuedInsertCount()}), (std::tuple{S_OK, 2}));
}

// Selection writes and a walk inside an edit of the editor's own: no undo step, and the host's reports
// of the writes are known as the editor's own (nothing queued for the deferred phase).
TEST_F(Editing, SelectionWritesAndWalksInsideAnEditLeaveNoStepAndQueueNothing) {
    const std::size_t before = UndoCount();
    ASSERT_EQ(plugin->BeginEdit(nullptr), S_OK);
    access->SelectEvent(Key(n1), true);
    access->ForEachEventInRange(-1, 0, mp::MEK_NOTE, nullptr, [](const mp::TrackAccess::WalkedEvent&) {});
    access->SelectEvent(Key(n2), true);
    plugin->EndTransaction(false);
    EXPECT_EQ((std::tuple{UndoCount(), plugin->PendingNotificationCount(), Stored(n2).flags}),
              (std::tuple{before, 0u, mp::MEF_SELECTED}));
}

// The answer to whether anything is selected is kept between questions; every change the host
// reports, whoever writes it, must end it.
TEST_F(Editing, SelectionAnswerFollowsEveryWriter) {
    ASSERT_EQ(access->SelectAll(false), S_OK);
    EXPECT_FALSE(access->AnyEventSelected());
    mp::MidiEventRecord record{};
    ASSERT_EQ(access->GetEvent(Key(n2), &record), S_OK);
    record.flags |= mp::MEF_SELECTED;
    const mp::EventKey key = Key(n2);
    ASSERT_EQ(project->Set(&key, mp::LEVEL_EVENT, &record, mp::CHANGE_FLAGS), S_OK) << "another writer";
    EXPECT_TRUE(access->AnyEventSelected());
    ASSERT_EQ(access->DeleteEvent(Key(n2)), S_OK);
    EXPECT_FALSE(access->AnyEventSelected()) << "the selected note is gone";
    ASSERT_EQ(project->Undo(), S_OK);
    Deliver(); // the list learns of the note again
    EXPECT_TRUE(access->AnyEventSelected()) << "and back";
}

// A controller whose number lies among the rows is no note there: the note ranges pass it by, and
// deselecting everything takes it along with the notes.
TEST_F(Editing, NoteRangesSkipControllersAndDeselectingTakesEveryKind) {
    const std::uint32_t cc = AddEvent(block, 960, mp::MEK_CONTROL, 0, 61, 40, 0, false);
    const std::uint32_t bend = AddEvent(block, 0, mp::MEK_PITCH_BEND, 0, 0, 64, 0, true);
    Deliver();
    ASSERT_EQ(access->SelectNotesInRange(0, 2000, 60, 62, true), S_OK);
    EXPECT_TRUE(Stored(n1).flags & mp::MEF_SELECTED);
    EXPECT_TRUE(Stored(n2).flags & mp::MEF_SELECTED);
    EXPECT_FALSE(Stored(cc).flags & mp::MEF_SELECTED) << "controller 61 in rows 60-62";
    ASSERT_EQ(access->SelectRange(960, 1040, 60, 62, true), S_OK);
    EXPECT_TRUE(Stored(cc).flags & mp::MEF_SELECTED) << "the range of every shown kind takes it, from its first tick";
    ASSERT_EQ(access->SelectAll(false), S_OK);
    for (std::uint32_t id : {n1, n2, cc, bend}) EXPECT_FALSE(Stored(id).flags & mp::MEF_SELECTED) << id;
    EXPECT_FALSE(access->AnyEventSelected());
    ASSERT_EQ(access->SelectAll(true), S_OK);
    EXPECT_FALSE(Stored(cc).flags & mp::MEF_SELECTED) << "select all takes notes only";
    EXPECT_EQ(plugin->TransactionDepth(), 0u);
}

TEST_F(Editing, OpenSidedRangesAndBadArguments) {
    ASSERT_EQ(access->SelectRange(1000, -1, -1, -1, true), S_OK);
    EXPECT_FALSE(Stored(n1).flags & mp::MEF_SELECTED);
    EXPECT_TRUE(Stored(n2).flags & mp::MEF_SELECTED) << "ends at or after the start";
    access->SelectAll(false);
    ASSERT_EQ(access->SelectRange(-1, 500, -1, -1, true), S_OK);
    EXPECT_TRUE(Stored(n1).flags & mp::MEF_SELECTED) << "starts before the length";
    EXPECT_FALSE(Stored(n2).flags & mp::MEF_SELECTED);
    // Deselecting from tick 0 to the end keeps to the pitch range.
    access->SelectAll(true);
    ASSERT_EQ(access->SelectRange(0, -1, 60, 61, false), S_OK);
    EXPECT_FALSE(Stored(n1).flags & mp::MEF_SELECTED);
    EXPECT_TRUE(Stored(n2).flags & mp::MEF_SELECTED);
    access->SelectRange(-1, 0, -1, -1, false); // an empty range from no start reaches nothing
    EXPECT_TRUE(Stored(n2).flags & mp::MEF_SELECTED);
    EXPECT_EQ(plugin->KindFilter(), mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_PITCH_BEND) << "filter restored";
    EXPECT_EQ(plugin->TransactionDepth(), 0u);
    std::vector<mp::MidiEventRecord> none;
    EXPECT_EQ(access->InsertEvents(Key(0), none, u"Paste"), S_FALSE);
    mp::EventKey key{};
    ASSERT_EQ(access->GetEventKeyAt(0, &key), S_OK);
    EXPECT_EQ(key.event, n1);
    ASSERT_EQ(access->GetEventKeyAt(1, &key), S_OK);
    EXPECT_EQ(key.event, n2);
    EXPECT_EQ(access->GetEventKeyAt(2, &key), S_FALSE);
    EXPECT_EQ(access->GetEventKeyAt(-1, &key), S_FALSE);
    mp::MidiEventRecord record{};
    access->QueueModify(mp::EventKey{track, block, 0}, record, mp::CHANGE_ALL);
    EXPECT_EQ(access->QueuedModifyCount(), 0) << "an empty key never enters a queue";
    EXPECT_EQ(access->GetEvent(mp::EventKey{track, block, 0}, &record), S_FALSE);
    EXPECT_FALSE(access->EventStart(mp::EventKey{track, block, 0}, nullptr));
    // HasSelection builds the list first when it is not valid.
    plugin->ClearFlags(mp::PLF_EVENT_LIST_VALID);
    EXPECT_TRUE(plugin->HasSelection());
}

TEST_F(Editing, ClearNotesBoundaries) {
    const std::uint32_t atStart = AddNote(block, 1440, 100, 62);   // starts exactly at the start
    const std::uint32_t endsAtStart = AddNote(block, 1340, 100, 62); // ends exactly at the start
    const std::uint32_t across = AddNote(block, 1000, 1000, 64);   // overlaps the start
    const std::uint32_t otherRow = AddNote(block, 1500, 100, 70);  // outside the rows
    // Listed where the range ends, moved into it by queued edits: cleared in the order they were queued.
    const std::uint32_t late1 = AddNote(block, 1840, 100, 62), late2 = AddNote(block, 1840, 100, 63);
    Deliver();
    for (std::uint32_t id : {late2, late1}) {
        mp::MidiEventRecord moved{};
        ASSERT_EQ(access->GetEvent(Key(id), &moved), S_OK);
        moved.time = 1700;
        access->QueueModify(Key(id), moved, mp::CHANGE_ALL);
    }
    const int kept = access->InsertNote(1300, 300, 127 - 62, false); // the gesture's own note
    access->InsertNote(1600, 100, 127 - 63, false);                  // queued, inside
    access->InsertNote(1200, 400, 127 - 61, false);                  // queued, overlapping
    EXPECT_TRUE(access->ClearNotes(1440, 400, 127 - 60, 127 - 64, kept));
    EXPECT_EQ(plugin->Queues().Deletes(), (std::vector<mp::EventKey>{Key(atStart), Key(late2), Key(late1)}));
    EXPECT_EQ(access->GetQueuedModify(Key(endsAtStart)), nullptr);
    ASSERT_NE(access->GetQueuedModify(Key(across)), nullptr);
    EXPECT_EQ(access->GetQueuedModify(Key(across))->length, 440u);
    EXPECT_EQ(access->GetQueuedModify(Key(otherRow)), nullptr);
    ASSERT_EQ(access->QueuedInsertCount(), 2);
    mp::MidiEventRecord r{};
    access->GetQueuedInsert(0, &r);
    EXPECT_EQ(r.length, 300u) << "the skipped insert is untouched";
    access->GetQueuedInsert(1, &r);
    EXPECT_EQ(r.length, 240u);
    EXPECT_FALSE(access->ClearNotes(5000, 100, 0, 127, -1));
}

TEST_F(Editing, VelocityLineChangesOnlySelectedWhereSelectedExist) {
    const std::uint32_t partner = AddNote(block, 960, 480, 67, 100, true); // selected, same time as n2
    Deliver();
    EXPECT_TRUE(access->DrawVelocityLine(10, 110, 0, 1000, 0));
    ASSERT_NE(access->GetQueuedModify(Key(n1)), nullptr);
    EXPECT_EQ(access->GetQueuedModify(Key(n1))->data[1], 10);
    EXPECT_EQ(access->GetQueuedModify(Key(n2)), nullptr) << "a selected note starts at its time";
    ASSERT_NE(access->GetQueuedModify(Key(partner)), nullptr);
    EXPECT_EQ(access->GetQueuedModify(Key(partner))->data[1], 106) << "10 + 960 * 0.1";
    access->DiscardEdits();
    // Reversed points give the same line; limits 1..127.
    EXPECT_TRUE(access->DrawVelocityLine(300, 0, 1000, 0, 0));
    EXPECT_EQ(access->GetQueuedModify(Key(n1))->data[1], 1);
}

TEST_F(Editing, ControllerLineChangesTheControllerOnly) {
    const std::uint32_t volume = AddEvent(block, 100, mp::MEK_CONTROL, 0, 7, 10);
    const std::uint32_t pan = AddEvent(block, 100, mp::MEK_CONTROL, 0, 10, 10);
    const std::uint32_t early = AddEvent(block, 40, mp::MEK_CONTROL, 0, 7, 10);
    Deliver();
    EXPECT_TRUE(access->DrawControllerLine(mp::MEK_CONTROL, 7, 50, 50, 100, 200, 0));
    ASSERT_NE(access->GetQueuedModify(Key(volume)), nullptr);
    EXPECT_EQ(access->GetQueuedModify(Key(volume))->data[1], 50);
    EXPECT_EQ(access->GetQueuedModify(Key(pan)), nullptr);
    EXPECT_EQ(access->GetQueuedModify(Key(early)), nullptr);
    EXPECT_TRUE(access->DrawControllerLine(mp::MEK_CONTROL, 7, 50, 50, 100, 200, 60)) << "the lead reaches back";
    EXPECT_NE(access->GetQueuedModify(Key(early)), nullptr);
    EXPECT_FALSE(access->DrawControllerLine(mp::MEK_CONTROL, 0, 50, 50, 0, 200, 0)) << "no controller 0 here";
    ASSERT_EQ(access->CommitEdits(u"Draw Controller"), S_OK);
    EXPECT_EQ(Stored(volume).data[1], 50);
}

TEST_F(Editing, TrackBlockAndSingleEventWrites) {
    mp::TrackRecord solo{};
    solo.attributes = mp::TRACK_SOLO;
    ASSERT_EQ(access->SetTrack(mp::EventKey{track, 0, 0}, solo, mp::CHANGE_TRACK_ATTRIBUTES, u"Solo MIDI sub track"), S_OK);
    EXPECT_EQ(UndoName(), u"Solo MIDI sub track");
    mp::BlockRecord newBlock{};
    newBlock.start = 7680;
    newBlock.end = 9600;
    newBlock.timeFormat = mp::TIME_FORMAT_TICKS;
    ASSERT_EQ(access->InsertBlock(mp::EventKey{track, 0, 0}, newBlock), S_OK);
    EXPECT_EQ(UndoName(), u"Insert Block");
    mp::MidiEventRecord record{};
    access->GetEvent(Key(n1), &record);
    ASSERT_EQ(access->InsertEvent(mp::EventKey{track, block, n1}, record), S_OK);
    EXPECT_EQ(UndoName(), u"Insert MIDI Event");
    EXPECT_TRUE(Alive(n1)) << "the parent's event word does not replace that event";
    ASSERT_EQ(access->DeleteEvent(Key(n1)), S_OK);
    EXPECT_EQ(UndoName(), u"Delete MIDI Event");
    Deliver();
    EXPECT_EQ(ListedEvents(), RebuiltEvents(0));
}

TEST_F(Editing, ExtendLengthRaisesTheSongLengthToTwoBarsAtLeast) {
    // 4/4, 24576 ticks per quarter unless the host says otherwise.
    const std::int64_t twoBars = 4 * static_cast<std::int64_t>(plugin->TicksPerQuarter()) * 2;
    access->ExtendLength(10);
    EXPECT_EQ(plugin->Settings().songLength, std::max<std::int64_t>(twoBars, 7680));
    // A first block longer than two bars gives its length.
    ChangeBlock(block, [&](host::BlockValue& v) { v.end = twoBars + 500; });
    access->ExtendLength(10);
    EXPECT_EQ(plugin->Settings().songLength, twoBars + 500);
    EXPECT_EQ(plugin->TransactionDepth(), 0u);
    access->ExtendLength(twoBars * 3);
    EXPECT_EQ(plugin->Settings().songLength, twoBars * 3);
    access->ExtendLength(twoBars * 2);
    EXPECT_EQ(plugin->Settings().songLength, twoBars * 3) << "never lowered";
}

} // namespace
