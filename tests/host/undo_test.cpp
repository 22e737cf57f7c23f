// Transactions and the undo history: named steps, depth counting, exact restoration under random edits.
#include <gtest/gtest.h>

#include <random>

#include "host_test_util.h"

namespace host::test {
namespace {

class UndoTest : public ProjectTest {
protected:
    void SetUp() override {
        ProjectTest::SetUp();
        mp::TrackRecord tr{};
        data->Insert(&block, mp::LEVEL_TRACK, &tr);
        mp::BlockRecord br{};
        br.end = 100000;
        br.timeFormat = 2;
        data->Insert(&block, mp::LEVEL_BLOCK, &br);
        project->WithStore([](Store& s) { s.ClearHistory(); });
    }
    std::uint32_t AddNote(std::int64_t time) {
        mp::MidiEventRecord r = NoteRecord(time, 60, 10, 90);
        mp::EventKey k{block.track, block.block, 0};
        EXPECT_EQ(data->Insert(&k, mp::LEVEL_EVENT, &r), win::S_OK);
        return k.event;
    }
    std::size_t UndoCount() {
        return project->WithStore([](Store& s) { return s.UndoCount(); });
    }
    std::u16string UndoName() {
        return project->WithStore([](Store& s) { return s.UndoName(); });
    }
    mp::EventKey block{};
};

TEST_F(UndoTest, AChangedEditTransactionIsOneNamedStep) {
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"Draw MIDI Event"), win::S_OK);
    AddNote(0);
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"inner"), win::S_OK); // nested: same step
    AddNote(10);
    ASSERT_EQ(data->EndTransaction(0), win::S_OK);
    EXPECT_EQ(UndoCount(), 0u); // still open
    ASSERT_EQ(data->EndTransaction(1), win::S_OK);
    EXPECT_EQ(UndoCount(), 1u);
    EXPECT_EQ(UndoName(), u"Draw MIDI Event");
    EXPECT_EQ(data->EndTransaction(1), win::E_UNEXPECTED);

    ASSERT_EQ(project->Undo(), win::S_OK);
    EXPECT_EQ(project->WithStore([](Store& s) { return s.EventCount(); }), 0u);
    EXPECT_EQ(project->WithStore([](Store& s) { return s.RedoName(); }), u"Draw MIDI Event");
    ASSERT_EQ(project->Redo(), win::S_OK);
    EXPECT_EQ(project->WithStore([](Store& s) { return s.EventCount(); }), 2u);
    EXPECT_EQ(project->Redo(), win::S_FALSE);
}

TEST_F(UndoTest, ReadsAndUnchangedEditsLeaveNoStep) {
    std::uint32_t id = AddNote(0);
    project->WithStore([](Store& s) { s.ClearHistory(); });
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_READ, nullptr), win::S_OK);
    mp::EventKey k{block.track, block.block, id};
    mp::MidiEventRecord r{};
    data->Get(&k, mp::LEVEL_EVENT, &r, 2);
    ASSERT_EQ(data->EndTransaction(0), win::S_OK);
    // Selection changes in an edit closed with changed = 0 (the editor's range selection).
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, nullptr), win::S_OK);
    r.flags = mp::MEF_SELECTED;
    ASSERT_EQ(data->Set(&k, mp::LEVEL_EVENT, &r, mp::CHANGE_FLAGS), win::S_OK);
    ASSERT_EQ(data->SelectEvents(3, nullptr, mp::MEK_NOTE, 0, 0, 0, 0, 0, mp::SELECT_CLEAR), win::S_OK);
    ASSERT_EQ(data->Set(&k, mp::LEVEL_EVENT, &r, mp::CHANGE_ALL), win::S_OK); // the whole record, only flags differ
    ASSERT_EQ(data->EndTransaction(0), win::S_OK);
    EXPECT_EQ(UndoCount(), 0u);
}

TEST_F(UndoTest, SelectionChangesKeepTheRedoHistory) {
    AddNote(0);
    ASSERT_EQ(project->Undo(), win::S_OK);
    AddNote(5);
    ASSERT_EQ(project->Undo(), win::S_OK);
    ASSERT_EQ(project->Undo(), win::S_FALSE);
    ASSERT_EQ(project->Redo(), win::S_OK);
    ASSERT_EQ(project->Undo(), win::S_OK);
    // A selection-only edit does not cut off redo, a data edit does.
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, nullptr), win::S_OK);
    ASSERT_EQ(data->SelectEvents(3, nullptr, mp::MEK_ALL, 0, 0, 0, 0, 0, mp::SELECT_SET), win::S_OK);
    ASSERT_EQ(data->EndTransaction(0), win::S_OK);
    EXPECT_EQ(project->WithStore([](Store& s) { return s.RedoCount(); }), 1u);
}

TEST_F(UndoTest, AnEditThatChangedDataButSaysUnchangedStillBecomesAStep) {
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"Sneaky"), win::S_OK);
    AddNote(0);
    ASSERT_EQ(data->EndTransaction(0), win::S_OK);
    EXPECT_EQ(UndoCount(), 1u);
    EXPECT_EQ(UndoName(), u"Sneaky");
}

TEST_F(UndoTest, UndoIsRefusedWhileATransactionIsOpen) {
    AddNote(0);
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"x"), win::S_OK);
    EXPECT_EQ(project->Undo(), win::E_UNEXPECTED);
    EXPECT_EQ(project->Redo(), win::E_UNEXPECTED);
    ASSERT_EQ(data->EndTransaction(0), win::S_OK);
    EXPECT_EQ(project->Undo(), win::S_OK);
    EXPECT_EQ(data->BeginTransaction(5, nullptr), win::E_INVALIDARG);
}

// Random edits of every sort in named transactions; a mirror built only from notifications must match
// the project at every stage, and undo/redo must restore the exact records.
TEST_F(UndoTest, RandomEditsUndoAndRedoExactly) {
    std::mt19937 rng(20261206);
    auto pick = [&](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    // A starting project with some content.
    for (int i = 0; i < 50; ++i) AddNote(pick(5000));
    project->WithStore([](Store& s) { s.ClearHistory(); });

    MirrorSink sink(data);
    sink.mirror = TakeSnapshot(data);
    Advised advised(project, &sink);
    Snapshot original = TakeSnapshot(data);

    // The store's tally of selected events per block, which lets a clear skip blocks, stays exact.
    auto checkTallies = [&](const Snapshot& snapshot) {
        project->WithStore([&](Store& s) {
            for (const auto& [key, image] : snapshot) {
                const auto [t, b, e] = key;
                if (!b || e) continue;
                std::uint32_t selected = 0;
                for (std::uint32_t id : s.EventsOf(b)) selected += (s.Event(id).flags & mp::MEF_SELECTED) != 0;
                ASSERT_EQ(s.SelectedIn(b), selected) << b;
            }
        });
    };
    std::vector<mp::EventKey> tracks{mp::EventKey{block.track, 0, 0}};
    int steps = 0;
    int edits = 0;
    while (edits < 3000) {
        std::u16string name = u"Step " + std::u16string(1, static_cast<char16_t>(u'A' + steps % 26));
        ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, name.c_str()), win::S_OK);
        int count = 1 + pick(20);
        for (int i = 0; i < count; ++i, ++edits) {
            // The mirror catches up when the transaction ends: what is there now, the host says.
            Snapshot now = TakeSnapshot(data);
            std::vector<mp::EventKey> events, blocks;
            for (const auto& [k, img] : now) {
                auto [t, b, e] = k;
                if (e) events.push_back({t, b, e});
                else if (b) blocks.push_back({t, b, 0});
            }
            int what = pick(100);
            if (what < 35 && !blocks.empty()) {
                mp::EventKey parent = blocks[pick(static_cast<int>(blocks.size()))];
                const std::uint32_t kinds[] = {mp::MEK_NOTE, mp::MEK_CONTROL, mp::MEK_PITCH_BEND, mp::MEK_META};
                mp::MidiEventRecord r = EventRecord(kinds[pick(4)], pick(20000), static_cast<std::uint8_t>(pick(128)),
                                                    static_cast<std::uint8_t>(pick(128)),
                                                    static_cast<std::uint32_t>(pick(1000)), pick(16));
                if (r.kind == mp::MEK_META) {
                    r.channel = -1;
                    r.length = 3;
                    r.dataHandle = NewHandle({0x01, 'x', static_cast<std::uint8_t>(pick(256))});
                }
                ASSERT_EQ(data->Insert(&parent, mp::LEVEL_EVENT, &r), win::S_OK);
                if (r.kind == mp::MEK_META) win::CoTaskMemFreeHandle(r.dataHandle);
            } else if (what < 60 && !events.empty()) {
                mp::EventKey k = events[pick(static_cast<int>(events.size()))];
                mp::MidiEventRecord r{};
                ASSERT_EQ(data->Get(&k, mp::LEVEL_EVENT, &r, 2), win::S_OK);
                if (r.dataHandle && host::IsVariableKind(r.kind)) win::CoTaskMemFreeHandle(r.dataHandle);
                r.time = pick(20000);
                if (!host::IsVariableKind(r.kind)) r.data[1] = static_cast<std::uint8_t>(pick(128));
                r.flags ^= mp::MEF_SELECTED;
                ASSERT_EQ(data->Set(&k, mp::LEVEL_EVENT, &r, pick(2) ? mp::CHANGE_ALL : mp::CHANGE_FLAGS), win::S_OK);
            } else if (what < 80 && !events.empty()) {
                mp::EventKey k = events[pick(static_cast<int>(events.size()))];
                ASSERT_EQ(data->Delete(mp::LEVEL_EVENT, &k), win::S_OK);
            } else if (what < 85 && !events.empty()) {
                mp::EventKey k = events[pick(static_cast<int>(events.size()))];
                mp::MidiEventRecord r = EventRecord(mp::MEK_AFTERTOUCH, 1, 5, 0, 0, 1);
                ASSERT_EQ(data->Insert(&k, mp::LEVEL_EVENT, &r), win::S_OK); // replace
            } else if (what < 90) {
                mp::EventKey t = tracks[pick(static_cast<int>(tracks.size()))];
                if (now.count({t.track, 0, 0}) == 0) continue;
                mp::BlockRecord br{};
                br.start = pick(1000);
                br.end = br.start + 20000;
                br.timeFormat = 2;
                ASSERT_EQ(data->Insert(&t, mp::LEVEL_BLOCK, &br), win::S_OK);
            } else if (what < 93) {
                mp::TrackRecord tr{};
                tr.channel = pick(17) - 1;
                tr.order = static_cast<std::uint32_t>(pick(5));
                mp::EventKey k{};
                ASSERT_EQ(data->Insert(&k, mp::LEVEL_TRACK, &tr), win::S_OK);
                tracks.push_back(k);
            } else if (what < 95 && !blocks.empty()) {
                mp::EventKey b = blocks[pick(static_cast<int>(blocks.size()))];
                mp::BlockRecord br{};
                data->Get(&b, mp::LEVEL_BLOCK, &br, 2);
                br.start += pick(50);
                br.end += 100;
                ASSERT_EQ(data->Set(&b, mp::LEVEL_BLOCK, &br, mp::CHANGE_BLOCK_RANGE), win::S_OK);
            } else if (what < 97) {
                // Selection of a whole track, block or the project, as the editor's select all does.
                const mp::EventKey scopes[] = {tracks[pick(static_cast<int>(tracks.size()))],
                                               blocks.empty() ? mp::EventKey{} : blocks[pick(static_cast<int>(blocks.size()))],
                                               mp::EventKey{}};
                const mp::EventKey scope = scopes[pick(3)];
                if (scope.track && now.count({scope.track, scope.block, 0}) == 0) continue;
                ASSERT_EQ(data->SelectEvents(mp::LEVEL_EVENT, &scope, pick(2) ? mp::MEK_NOTE : mp::MEK_ALL, 0, 0, 0, 0, 0,
                                             pick(2) ? mp::SELECT_SET : mp::SELECT_CLEAR),
                          win::S_OK);
            } else if (what < 98 && blocks.size() > 1) {
                mp::EventKey b = blocks[pick(static_cast<int>(blocks.size()))];
                ASSERT_EQ(data->Delete(mp::LEVEL_BLOCK, &b), win::S_OK);
            } else if (now.size() > 0) {
                mp::EventKey t = tracks[pick(static_cast<int>(tracks.size()))];
                mp::TrackRecord tr{};
                if (data->Get(&t, mp::LEVEL_TRACK, &tr, 2) != win::S_OK) continue;
                tr.attributes ^= mp::TRACK_SOLO;
                tr.order = static_cast<std::uint32_t>(pick(5));
                ASSERT_EQ(data->Set(&t, mp::LEVEL_TRACK, &tr, mp::CHANGE_ALL), win::S_OK);
            }
        }
        ASSERT_EQ(data->EndTransaction(1), win::S_OK);
        ++steps;
        ASSERT_EQ(sink.mirror, TakeSnapshot(data)) << "after step " << steps;
        checkTallies(sink.mirror);
    }
    Snapshot final = TakeSnapshot(data);
    std::size_t recorded = UndoCount();
    EXPECT_GT(recorded, 100u);
    while (project->Undo() == win::S_OK) {
    }
    EXPECT_EQ(TakeSnapshot(data), original);
    EXPECT_EQ(sink.mirror, original);
    checkTallies(original);
    while (project->Redo() == win::S_OK) {
    }
    EXPECT_EQ(TakeSnapshot(data), final);
    EXPECT_EQ(sink.mirror, final);
    checkTallies(final);
    EXPECT_EQ(UndoCount(), recorded);
}

} // namespace
} // namespace host::test
