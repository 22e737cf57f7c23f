// Edits applied in batches: every block keeps its events in time order through transactions of any
// size, reads in the middle of them, undo and redo; selecting many events at once is one change,
// reported once for each block it touched; flag writes, moves and deletes of single events undo and
// redo in order, also when a run outgrows the blocks its records are kept in.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <random>

#include "host_test_util.h"

namespace host::test {
namespace {

class StoreBatch : public ProjectTest {
protected:
    void SetUp() override {
        ProjectTest::SetUp();
        project->WithStore([&](Store& s) {
            TrackValue t;
            s.InsertTrack(t, &track);
            for (std::int64_t start : {0, 500}) {
                BlockValue b;
                b.track = track;
                b.start = start;
                b.end = 100000;
                std::uint32_t id = 0;
                s.InsertBlock(b, &id);
                blocks.push_back(id);
            }
            s.ClearHistory();
        });
    }

    // Each block's events as FindFirst/FindNext walk them, with their times.
    std::map<std::uint32_t, std::vector<std::pair<std::int64_t, std::uint32_t>>> Walk() {
        std::map<std::uint32_t, std::vector<std::pair<std::int64_t, std::uint32_t>>> walked;
        for (std::uint32_t b : blocks) {
            auto& list = walked[b];
            mp::EventKey e{track, b, 0};
            mp::MidiEventRecord r{};
            for (win::HRESULT h = data->FindFirst(&e, mp::LEVEL_EVENT, &r, nullptr, mp::MEK_ALL);
                 h == win::S_OK && e.event && list.size() <= 10000;
                 h = data->FindNext(&e, mp::LEVEL_EVENT, &r, nullptr, mp::MEK_ALL))
                list.emplace_back(r.time, e.event);
        }
        return walked;
    }
    // The same from the model: alive events by (time, id).
    std::map<std::uint32_t, std::vector<std::pair<std::int64_t, std::uint32_t>>> Expected() const {
        std::map<std::uint32_t, std::vector<std::pair<std::int64_t, std::uint32_t>>> expected;
        for (std::uint32_t b : blocks) expected[b];
        for (const auto& [id, at] : model) expected[at.first].emplace_back(at.second, id);
        for (auto& [b, list] : expected) std::sort(list.begin(), list.end());
        return expected;
    }
    int Pick(int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); }

    std::uint32_t track = 0;
    std::vector<std::uint32_t> blocks;
    std::map<std::uint32_t, std::pair<std::uint32_t, std::int64_t>> model; // id -> block, time
    std::mt19937 rng{77};
};

TEST_F(StoreBatch, BlocksStayInTimeOrderThroughBatchesUndoAndRedo) {
    std::vector<decltype(model)> history{model};
    for (int round = 0; round < 120; ++round) {
        // Few edits take one path, many the other; times repeat a lot.
        const int edits = Pick(2) ? 1 + Pick(16) : 17 + Pick(150);
        ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"Batch"), win::S_OK);
        for (int i = 0; i < edits; ++i) {
            const int what = Pick(10);
            if (what < 4 || model.empty()) {
                const std::uint32_t block = blocks[static_cast<std::size_t>(Pick(2))];
                mp::EventKey k{track, block, 0};
                mp::MidiEventRecord r = NoteRecord(Pick(20) * 10, 60, 10);
                ASSERT_EQ(data->Insert(&k, mp::LEVEL_EVENT, &r), win::S_OK);
                model[k.event] = {block, r.time};
            } else {
                auto it = std::next(model.begin(), Pick(static_cast<int>(model.size())));
                mp::EventKey k{track, it->second.first, it->first};
                if (what < 8) {
                    mp::MidiEventRecord r{};
                    ASSERT_EQ(data->Get(&k, mp::LEVEL_EVENT, &r, mp::TIME_FORMAT_TICKS), win::S_OK);
                    r.time = Pick(20) * 10;
                    ASSERT_EQ(data->Set(&k, mp::LEVEL_EVENT, &r, mp::CHANGE_ALL), win::S_OK);
                    it->second.second = r.time;
                } else {
                    ASSERT_EQ(data->Delete(mp::LEVEL_EVENT, &k), win::S_OK);
                    model.erase(it);
                }
            }
            // A read in the middle of the batch sees every edit made so far.
            if (Pick(40) == 0) {
                ASSERT_EQ(Walk(), Expected()) << "round " << round << " edit " << i;
            }
        }
        ASSERT_EQ(data->EndTransaction(1), win::S_OK);
        ASSERT_EQ(Walk(), Expected()) << "round " << round;
        history.push_back(model);
    }
    for (std::size_t step = history.size() - 1; step-- > 0;) {
        ASSERT_EQ(project->Undo(), win::S_OK);
        model = history[step];
        ASSERT_EQ(Walk(), Expected()) << "undo to " << step;
    }
    for (std::size_t step = 1; step < history.size(); ++step) {
        ASSERT_EQ(project->Redo(), win::S_OK);
        model = history[step];
        ASSERT_EQ(Walk(), Expected()) << "redo to " << step;
    }
}

TEST_F(StoreBatch, SelectingManyEventsIsOneChangeReportedPerBlock) {
    std::vector<std::uint32_t> notes, controls;
    project->WithStore([&](Store& s) {
        for (int i = 0; i < 6; ++i) {
            EventValue v;
            v.block = blocks[static_cast<std::size_t>(i % 2)];
            v.time = i * 10;
            v.kind = i == 5 ? mp::MEK_CONTROL : mp::MEK_NOTE;
            v.channel = 0;
            std::uint32_t id = 0;
            s.InsertEvent(v, &id);
            (v.kind == mp::MEK_NOTE ? notes : controls).push_back(id);
        }
        // An event cannot change blocks by a set, nor a deleted one come back by it.
        EventValue v = s.Event(notes[0]);
        v.block = blocks[1];
        EXPECT_EQ(s.SetEvent(notes[0], v), win::E_INVALIDARG);
        std::uint32_t gone = 0;
        s.InsertEvent(s.Event(notes[0]), &gone);
        s.DeleteEvent(gone);
        EXPECT_EQ(s.SetEvent(gone, s.Event(notes[0])), win::E_INVALIDARG);
        EXPECT_EQ(s.SelectEvents(mp::EventKey{0, 0xFFFF, 0}, mp::MEK_NOTE, true), win::E_INVALIDARG) << "no such block";
        s.ClearHistory();
    });
    RecordingSink sink;
    Advised advised(project, &sink);
    const mp::EventKey scope{track, 0, 0};
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"Select and move"), win::S_OK);
    ASSERT_EQ(data->SelectEvents(mp::LEVEL_EVENT, &scope, mp::MEK_NOTE, 0, 0, 0, 0, 0, mp::SELECT_SET), win::S_OK);
    // The transaction's records wait for its end.
    EXPECT_TRUE(sink.Take().empty());
    // Nothing left to change: no record at all.
    ASSERT_EQ(data->SelectEvents(mp::LEVEL_EVENT, &scope, mp::MEK_NOTE, 0, 0, 0, 0, 0, mp::SELECT_SET), win::S_OK);
    mp::EventKey moved{track, blocks[0], notes[0]};
    mp::MidiEventRecord r{};
    ASSERT_EQ(data->Get(&moved, mp::LEVEL_EVENT, &r, mp::TIME_FORMAT_TICKS), win::S_OK);
    const mp::EventKey elsewhere{track, blocks[1], notes[0]};
    EXPECT_EQ(data->Delete(mp::LEVEL_EVENT, &elsewhere), win::E_INVALIDARG) << "the key names another block";
    r.time = 999;
    ASSERT_EQ(data->Set(&moved, mp::LEVEL_EVENT, &r, mp::CHANGE_ALL), win::S_OK);
    ASSERT_EQ(data->EndTransaction(1), win::S_OK);
    std::vector<mp::NotificationRecord> records = sink.Take();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[2].level, mp::LEVEL_EVENT);
    records.pop_back();
    for (std::size_t i = 0; i < records.size(); ++i) {
        EXPECT_EQ(records[i].level, mp::LEVEL_BLOCK);
        EXPECT_EQ(records[i].changeFlags, mp::NCF_MODIFIED);
        EXPECT_EQ(records[i].newKey.block, blocks[i]);
        EXPECT_EQ(records[i].newKey.event, 0u);
    }
    auto selected = [&](std::uint32_t id) {
        return project->WithStore([&](Store& s) { return (s.Event(id).flags & mp::MEF_SELECTED) != 0; });
    };
    for (std::uint32_t id : notes) EXPECT_TRUE(selected(id));
    EXPECT_FALSE(selected(controls[0]));

    // Kept with the move, the selection goes back and comes again with it, reported the same way.
    sink.Take();
    ASSERT_EQ(project->Undo(), win::S_OK);
    for (std::uint32_t id : notes) EXPECT_FALSE(selected(id));
    records = sink.Take();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].level, mp::LEVEL_EVENT);
    EXPECT_EQ(records[1].level, mp::LEVEL_BLOCK);
    ASSERT_EQ(project->Redo(), win::S_OK);
    for (std::uint32_t id : notes) EXPECT_TRUE(selected(id));
    EXPECT_EQ(project->WithStore([&](Store& s) { return s.Event(notes[0]).time; }), 999);
}

TEST_F(StoreBatch, FlagAndValueWritesUndoBackwardsAndRedoForwardsReportedInThatOrder) {
    std::uint32_t a = 0, b = 0;
    project->WithStore([&](Store& s) {
        EventValue v;
        v.block = blocks[0];
        v.channel = 0;
        s.InsertEvent(v, &a);
        s.InsertEvent(v, &b);
        s.ClearHistory();
    });
    RecordingSink sink;
    Advised advised(project, &sink);
    auto event = [&](std::uint32_t id) { return project->WithStore([&](Store& s) { return s.Event(id); }); };
    // Each report as the event's id and whether it says the event moved.
    using Report = std::pair<std::uint32_t, bool>;
    auto reported = [&] {
        std::vector<Report> out;
        for (const mp::NotificationRecord& r : sink.Take())
            out.emplace_back(r.level == mp::LEVEL_EVENT ? r.newKey.event : 0, (r.changeFlags & mp::NCF_POSITION_MOVED) != 0);
        return out;
    };
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"Flags and moves"), win::S_OK);
    project->WithStore([&](Store& s) {
        s.SetEventFlags(a, mp::MEF_SELECTED);
        s.SetEventFlags(b, mp::MEF_SELECTED);
        s.SetEventFlags(b, 0);
        EventValue moved = s.Event(a);
        moved.time = 5;
        s.SetEvent(a, moved);
        moved.time = 9;
        s.SetEvent(a, moved);
    });
    ASSERT_EQ(data->EndTransaction(1), win::S_OK);
    const std::vector<Report> forward{{a, false}, {b, false}, {b, false}, {a, true}, {a, true}};
    EXPECT_EQ(reported(), forward);
    ASSERT_EQ(project->Undo(), win::S_OK);
    EXPECT_EQ(std::tuple(event(a).flags, event(a).time), std::tuple(0u, 0));
    EXPECT_EQ(event(b).flags, 0u);
    EXPECT_EQ(reported(), std::vector<Report>(forward.rbegin(), forward.rend()));
    ASSERT_EQ(project->Redo(), win::S_OK);
    EXPECT_EQ(std::tuple(event(a).flags, event(a).time), std::tuple(mp::MEF_SELECTED, 9));
    EXPECT_EQ(event(b).flags, 0u);
    EXPECT_EQ(reported(), forward);
}

TEST_F(StoreBatch, DeletesUndoBackwardsAndRedoForwardsWithEveryFieldBack) {
    std::vector<std::uint32_t> ids(4);
    project->WithStore([&](Store& s) {
        for (std::size_t i = 0; i < ids.size(); ++i) {
            EventValue v;
            v.block = blocks[i % 2];
            v.time = static_cast<std::int64_t>(40 - i * 10);
            v.channel = static_cast<std::int32_t>(i);
            v.flags = mp::MEF_SELECTED;
            v.length = 7 + static_cast<std::uint32_t>(i);
            v.data[0] = static_cast<std::uint8_t>(60 + i);
            v.data[1] = 90;
            if (i == 1) v.hostWord = 0x1234; // kept apart from the slot: recorded whole
            s.InsertEvent(v, &ids[i]);
        }
        s.ClearHistory();
    });
    const Snapshot before = TakeSnapshot(data);
    RecordingSink sink;
    Advised advised(project, &sink);
    using Report = std::pair<std::uint32_t, std::uint32_t>; // event id, change flags
    auto reported = [&] {
        std::vector<Report> out;
        for (const mp::NotificationRecord& r : sink.Take()) {
            if (!(r.id == mp::NID_DATA_CHANGED)) continue; // a block coming back also reports the time base
            EXPECT_EQ(std::memcmp(&r.oldKey, &r.newKey, sizeof r.oldKey), 0);
            out.emplace_back(r.newKey.event, r.changeFlags);
        }
        return out;
    };
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"Delete MIDI Event"), win::S_OK);
    for (std::uint32_t id : {ids[0], ids[1], ids[2]}) {
        const mp::EventKey key{track, 0, id};
        ASSERT_EQ(data->Delete(mp::LEVEL_EVENT, &key), win::S_OK);
    }
    ASSERT_EQ(data->EndTransaction(1), win::S_OK);
    // Deleting the block takes its last event with it.
    const mp::EventKey blockKey{track, blocks[1], 0};
    ASSERT_EQ(data->Delete(mp::LEVEL_BLOCK, &blockKey), win::S_OK);
    const Snapshot after = TakeSnapshot(data);
    EXPECT_EQ(after.size(), before.size() - 5);
    const std::vector<Report> forward{{ids[0], mp::NCF_DELETED}, {ids[1], mp::NCF_DELETED}, {ids[2], mp::NCF_DELETED},
                                      {ids[3], mp::NCF_DELETED}, {0, mp::NCF_DELETED}};
    EXPECT_EQ(reported(), forward);
    ASSERT_EQ(project->Undo(), win::S_OK);
    ASSERT_EQ(project->Undo(), win::S_OK);
    EXPECT_EQ(TakeSnapshot(data), before);
    EXPECT_EQ(project->WithStore([](Store& s) { return s.EventCount(); }), 4u);
    std::vector<Report> backward;
    for (auto it = forward.rbegin(); it != forward.rend(); ++it) backward.emplace_back(it->first, mp::NCF_INSERTED);
    EXPECT_EQ(reported(), backward);
    ASSERT_EQ(project->Redo(), win::S_OK);
    ASSERT_EQ(project->Redo(), win::S_OK);
    EXPECT_EQ(TakeSnapshot(data), after);
    EXPECT_EQ(project->WithStore([](Store& s) { return s.EventCount(); }), 0u);
    EXPECT_EQ(reported(), forward);
}

// Runs longer than one block of records (of flags, of moves, of deletes) come back whole and in
// order on undo and redo.
TEST_F(StoreBatch, LongRunsUndoAndRedoWholeAndGiveTheirRoomToTheNext) {
    constexpr std::uint32_t kEvents = 9000; // more than one block of each kind of record
    std::vector<std::uint32_t> ids(kEvents);
    project->WithStore([&](Store& s) {
        for (std::uint32_t i = 0; i < kEvents; ++i) {
            EventValue v;
            v.block = blocks[i % 2];
            v.time = i;
            v.channel = 0;
            v.length = 5;
            v.data[0] = static_cast<std::uint8_t>(i % 128);
            s.InsertEvent(v, &ids[i]);
        }
        s.ClearHistory();
    });
    RecordingSink sink;
    Advised advised(project, &sink);
    auto reported = [&] {
        std::vector<std::uint32_t> out;
        for (const mp::NotificationRecord& r : sink.Take())
            if (r.id == mp::NID_DATA_CHANGED) out.push_back(r.newKey.event);
        return out;
    };
    auto edit = [&](const char16_t* name, const std::function<void(Store&, std::uint32_t)>& each) {
        const Snapshot before = TakeSnapshot(data);
        ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, name), win::S_OK);
        project->WithStore([&](Store& s) {
            for (std::uint32_t id : ids) each(s, id);
        });
        ASSERT_EQ(data->EndTransaction(1), win::S_OK);
        const Snapshot after = TakeSnapshot(data);
        EXPECT_NE(after, before) << "edit";
        EXPECT_EQ(reported(), ids) << "edit";
        ASSERT_EQ(project->Undo(), win::S_OK);
        EXPECT_EQ(TakeSnapshot(data), before) << "undo";
        EXPECT_EQ(reported(), std::vector<std::uint32_t>(ids.rbegin(), ids.rend())) << "undo";
        ASSERT_EQ(project->Redo(), win::S_OK);
        EXPECT_EQ(TakeSnapshot(data), after) << "redo";
        EXPECT_EQ(reported(), ids) << "redo";
        ASSERT_EQ(project->Undo(), win::S_OK);
        sink.Take();
    };
    edit(u"Select", [](Store& s, std::uint32_t id) { s.SetEventFlags(id, mp::MEF_SELECTED); });
    edit(u"Move", [](Store& s, std::uint32_t id) {
        EventValue v = s.Event(id);
        v.time += 7;
        s.SetEvent(id, v);
    });
    edit(u"Delete", [](Store& s, std::uint32_t id) { s.DeleteEvent(id); });

    // A run of flag writes that takes in a tempo change tells of the time base, also on undo and redo.
    std::uint32_t tempo = 0;
    project->WithStore([&](Store& s) {
        EventValue v;
        v.block = blocks[0];
        v.kind = mp::MEK_META;
        v.bytes = {0x51, 0x07, 0xA1, 0x20};
        s.InsertEvent(v, &tempo);
    });
    auto timeBaseTold = [&] {
        bool told = false;
        for (const mp::NotificationRecord& r : sink.Take()) told = told || r.id == mp::NID_TIMEBASE_CHANGED;
        return told;
    };
    timeBaseTold();
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"Select"), win::S_OK);
    project->WithStore([&](Store& s) {
        s.SetEventFlags(ids[0], mp::MEF_SELECTED);
        s.SetEventFlags(tempo, mp::MEF_SELECTED);
    });
    ASSERT_EQ(data->EndTransaction(1), win::S_OK);
    EXPECT_TRUE(timeBaseTold());
    ASSERT_EQ(project->Undo(), win::S_OK);
    EXPECT_TRUE(timeBaseTold()) << "undo";
    ASSERT_EQ(project->Redo(), win::S_OK);
    EXPECT_TRUE(timeBaseTold()) << "redo";
}

// A replacement that is invalid, or that would start before the song, is refused and leaves the event
// as it was; a block's move carries the tempo changes it holds, also when it is undone and redone.
TEST_F(StoreBatch, RefusedReplacementsChangeNothingAndAMovedBlockTakesItsTempoAlong) {
    project->WithStore([&](Store& s) {
        EventValue note;
        note.block = blocks[1];
        note.time = 10;
        note.channel = 0;
        note.length = 10;
        note.data[0] = 60;
        note.data[1] = 100;
        std::uint32_t id = 0, out = 0;
        ASSERT_EQ(s.InsertEvent(note, &id), win::S_OK);
        EventValue bad = note;
        bad.channel = 16;
        EXPECT_EQ(s.ReplaceEvent(id, bad, &out), win::E_INVALIDARG);
        EventValue early = note;
        early.time = -501;
        EXPECT_EQ(s.ReplaceEvent(id, early, &out), win::E_INVALIDARG);
        ASSERT_TRUE(s.EventAlive(id));
        EXPECT_EQ(s.Event(id), note);

        EventValue tempo;
        tempo.block = blocks[1];
        tempo.time = 100; // tick 600
        tempo.kind = mp::MEK_META;
        tempo.bytes = {0x51, 0x0F, 0x42, 0x40};
        ASSERT_EQ(s.InsertEvent(tempo, &id), win::S_OK);
        EXPECT_EQ(s.Time().TempoAt(700), 1000000u);
        BlockValue moved = *s.Block(blocks[1]);
        moved.start = 1500;
        ASSERT_EQ(s.SetBlock(blocks[1], moved), win::S_OK);
        EXPECT_EQ(s.Time().TempoAt(700), 500000u);
        ASSERT_EQ(s.Undo(), win::S_OK);
        EXPECT_EQ(s.Time().TempoAt(700), 1000000u);
        ASSERT_EQ(s.Redo(), win::S_OK);
        EXPECT_EQ(s.Time().TempoAt(700), 500000u);
        EXPECT_EQ(s.Time().TempoAt(1600), 1000000u);
    });
}

// An event's port is kept whole at every size, through edits, deletion, undo and redo.
TEST(StorePorts, EveryPortSurvivesEditsDeletionUndoAndRedo) {
    Store s;
    const std::uint32_t track = s.LoadTrack({});
    const std::uint32_t block = s.LoadBlock({track, 0, 1000, {}});
    s.FinishLoad();
    const std::uint32_t ports[] = {0, 1, Store::kSlotPortLimit, Store::kSlotPortLimit + 1, 0xFFFF, 0x10000, 0xFFFFFFFF};
    std::vector<std::uint32_t> ids;
    for (std::uint32_t port : ports) {
        EventValue v;
        v.block = block;
        v.time = static_cast<std::int64_t>(ids.size()) * 10;
        v.channel = 3;
        v.port = port;
        v.length = 5;
        v.data[0] = 60;
        v.data[1] = 100;
        ASSERT_EQ(s.InsertEvent(v, &ids.emplace_back()), win::S_OK);
    }
    auto portsNow = [&] {
        std::vector<std::uint32_t> out;
        for (std::uint32_t id : ids) out.push_back(s.EventAlive(id) ? s.Event(id).port : 12345u);
        return out;
    };
    const std::vector<std::uint32_t> all(std::begin(ports), std::end(ports));
    EXPECT_EQ(portsNow(), all);
    ASSERT_EQ(s.BeginTransaction(mp::TRANSACTION_EDIT, u"Move"), win::S_OK);
    for (std::uint32_t id : ids) {
        EventValue v = s.Event(id);
        v.time += 3;
        ASSERT_EQ(s.SetEvent(id, v), win::S_OK);
    }
    ASSERT_EQ(s.EndTransaction(true), win::S_OK);
    EXPECT_EQ(portsNow(), all);
    EXPECT_EQ(s.Event(ids.back()).time, 63);
    ASSERT_EQ(s.BeginTransaction(mp::TRANSACTION_EDIT, u"Delete"), win::S_OK);
    for (std::uint32_t id : ids) ASSERT_EQ(s.DeleteEvent(id), win::S_OK);
    ASSERT_EQ(s.EndTransaction(true), win::S_OK);
    EXPECT_EQ(s.EventCount(), 0u);
    ASSERT_EQ(s.Undo(), win::S_OK);
    EXPECT_EQ(portsNow(), all);
    ASSERT_EQ(s.Undo(), win::S_OK);
    EXPECT_EQ(portsNow(), all);
    EXPECT_EQ(s.Event(ids.back()).time, 60);
    ASSERT_EQ(s.Redo(), win::S_OK);
    EXPECT_EQ(portsNow(), all);
    EXPECT_EQ(s.Event(ids.back()).time, 63);
}

} // namespace
} // namespace host::test
