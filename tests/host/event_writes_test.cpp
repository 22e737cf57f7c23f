// Many events written in one call: the song, the reports and the undo step come out exactly as one Set
// each gives them, and a batch with any bad write is refused whole, leaving the song and its history
// as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>
#include <vector>

#include "host_test_util.h"

namespace host::test {
namespace {

class EventWrites : public ::testing::Test {
protected:
    struct Side {
        // `more` notes in the first block, many sharing a time, make it a long one.
        explicit Side(int more = 0) : project(HostProject::Create()), advised(project, &sink) {
            project->QueryInterface(mp::IID_IMPMidiData, reinterpret_cast<void**>(&data));
            project->WithStore([&](Store& s) {
                const std::uint32_t track = s.LoadTrack(TrackValue{});
                for (std::int64_t start : {0, 960}) blocks.push_back(s.LoadBlock(BlockValue{track, start, 9600, u""}));
                const std::uint8_t note[4] = {60, 100, 0, 0}, control[4] = {7, 90, 0, 0};
                for (int i = 0; i < 3; ++i) ids.push_back(s.LoadEvent(blocks[i % 2], 240 * i, mp::MEK_NOTE, 0, 240, note));
                ids.push_back(s.LoadEvent(blocks[0], 480, mp::MEK_CONTROL, 2, 0, control));
                ids.push_back(s.LoadVariableEvent(blocks[1], 120, mp::MEK_META, {0x01, 'h', 'i'}));
                for (int i = 5; i < 7; ++i) ids.push_back(s.LoadEvent(blocks[0], 240 * i, mp::MEK_NOTE, 1, 240, note));
                for (int i = 0; i < 24; ++i) ids.push_back(s.LoadEvent(blocks[i % 2], 30 * i + 15, mp::MEK_NOTE, 2, 60, note));
                for (int i = 0; i < more; ++i) ids.push_back(s.LoadEvent(blocks[0], 7 * (i / 3), mp::MEK_NOTE, 3, 60, note));
                s.FinishLoad();
            });
            sink.Take();
        }
        ~Side() {
            data->Release();
            project->Release();
        }
        mp::MPEventWrite Write(std::size_t event, std::uint32_t mask, void (*change)(mp::MidiEventRecord&)) {
            mp::MPEventWrite w{{0, 0, ids[event]}, {}, mask};
            data->Get(&w.key, mp::LEVEL_EVENT, &w.record, 0);
            if (IsVariableKind(w.record.kind)) win::CoTaskMemFreeHandle(std::exchange(w.record.dataHandle, 0u));
            w.key = project->WithStore([&](Store& s) { return s.KeyOfEvent(ids[event]); });
            change(w.record);
            return w;
        }
        std::vector<std::vector<std::uint8_t>> Reports() {
            std::vector<std::vector<std::uint8_t>> out;
            for (const mp::NotificationRecord& r : sink.Take())
                out.emplace_back(reinterpret_cast<const std::uint8_t*>(&r), reinterpret_cast<const std::uint8_t*>(&r + 1));
            return out;
        }
        HostProject* project;
        RecordingSink sink;
        Advised advised;
        mp::IMPMidiData* data = nullptr;
        std::vector<std::uint32_t> blocks, ids;
    };
    win::HRESULT Bulk(std::vector<mp::MPEventWrite>& writes, win::DWORD order = mp::MP_EVENT_WRITES_BACKWARD) {
        return bulk.project->SetProperty(mp::PID_SET_EVENTS, static_cast<win::DWORD>(writes.size()), order,
                                         static_cast<win::DWORD>(writes.size() * sizeof writes[0]), writes.data());
    }
    Side bulk, single;
};

TEST_F(EventWrites, ABatchWritesWhatOneSetEachWritesAndABadOneNothing) {
    std::vector<mp::MPEventWrite> writes[2];
    for (int s = 0; s < 2; ++s) {
        Side& side = s ? single : bulk;
        writes[s] = {side.Write(0, mp::CHANGE_ALL, [](mp::MidiEventRecord& r) { r.time += 30; }),
                     side.Write(0, mp::CHANGE_DATA, [](mp::MidiEventRecord& r) { r.data[0] = 70; }), // the same event again
                     side.Write(1, mp::CHANGE_KIND | mp::CHANGE_DATA, [](mp::MidiEventRecord& r) { r.kind = mp::MEK_CONTROL; }),
                     side.Write(3, mp::CHANGE_FLAGS, [](mp::MidiEventRecord& r) { r.flags = mp::MEF_SELECTED; }),
                     side.Write(4, mp::CHANGE_TIME, [](mp::MidiEventRecord& r) { r.time = 5; }), // a text: the whole value
                     side.Write(2, mp::CHANGE_PORT, [](mp::MidiEventRecord& r) { r.port = 300; }),
                     side.Write(5, mp::CHANGE_TIME, [](mp::MidiEventRecord& r) { r.time += 10; }), // staged between others
                     side.Write(6, mp::CHANGE_TIME, [](mp::MidiEventRecord& r) {
                         r.timeFormat = mp::TIME_FORMAT_NANOSECONDS;
                         r.time = 750000000;
                     })};
    }
    const Snapshot before = TakeSnapshot(bulk.data);
    // Each bad write refuses the batch wherever it stands, inside a transaction or outside one.
    const std::vector<std::pair<std::size_t, void (*)(mp::MPEventWrite&)>> bad{
        {4, [](mp::MPEventWrite& w) { w.key.event = 9999; }},
        {0, [](mp::MPEventWrite& w) { w.key.block ^= 3; }},
        {6, [](mp::MPEventWrite& w) { w.key.block ^= 3; }}, // a plain write's
        {1, [](mp::MPEventWrite& w) { w.record.data[0] = 200; }},
        {2, [](mp::MPEventWrite& w) { w.record.kind = 0x40000000; }},
        {4, [](mp::MPEventWrite& w) { w.record.time = -5000; }},
        {2, [](mp::MPEventWrite& w) { w.record.data[1] = 128; }}};
    for (std::size_t b = 0; b < bad.size(); ++b) {
        std::vector<mp::MPEventWrite> batch = writes[0];
        bad[b].second(batch[bad[b].first]);
        if (b % 2) bulk.data->BeginTransaction(mp::TRANSACTION_EDIT, u"Bad");
        EXPECT_EQ(Bulk(batch), mp::MP_E_EVENT_WRITES_REFUSED) << b;
        if (b % 2) bulk.data->EndTransaction(0);
        EXPECT_EQ(TakeSnapshot(bulk.data), before) << b;
        EXPECT_TRUE(bulk.Reports().empty()) << b;
    }
    EXPECT_EQ(Bulk(writes[0], 2), win::E_INVALIDARG);
    EXPECT_EQ(bulk.project->SetProperty(mp::PID_SET_EVENTS, 2, 0, sizeof(mp::MPEventWrite), writes[0].data()), win::E_INVALIDARG);
    EXPECT_EQ(bulk.project->WithStore([](Store& s) { return s.UndoCount(); }), 0u);

    ASSERT_EQ(bulk.data->BeginTransaction(mp::TRANSACTION_EDIT, u"Batch"), win::S_OK);
    ASSERT_EQ(Bulk(writes[0]), win::S_OK);
    bulk.data->EndTransaction(1);
    ASSERT_EQ(single.data->BeginTransaction(mp::TRANSACTION_EDIT, u"Batch"), win::S_OK);
    for (std::size_t i = writes[1].size(); i-- > 0;)
        ASSERT_EQ(single.data->Set(&writes[1][i].key, mp::LEVEL_EVENT, &writes[1][i].record, writes[1][i].mask), win::S_OK);
    single.data->EndTransaction(1);
    EXPECT_EQ(bulk.project->WithStore([](Store& s) { return s.UndoName(); }), u"Batch");
    for (int travel = 0; travel < 3; ++travel) {
        SCOPED_TRACE(travel);
        EXPECT_EQ(TakeSnapshot(bulk.data), TakeSnapshot(single.data));
        EXPECT_EQ(TakeSnapshot(bulk.data) == before, travel == 1);
        EXPECT_EQ(bulk.Reports(), single.Reports());
        for (Side* side : {&bulk, &single}) travel ? side->project->Redo() : side->project->Undo();
    }
}

// Many events deleted in one call, among them a text and a note moved earlier in the transaction: the
// song, the blocks' order, the reports and the undo step are what one Delete each leaves.
TEST_F(EventWrites, ABatchDeletesWhatOneDeleteEachDoesAndABadOneNothing) {
    std::vector<mp::EventKey> keys;
    for (std::size_t i = bulk.ids.size(); i-- > 0;) {
        if (i % 4 == 2) continue;
        keys.push_back(bulk.project->WithStore([&](Store& s) { return s.KeyOfEvent(bulk.ids[i]); }));
        if (i % 3 == 0) keys.back().track = 0; // zero words match any
        if (i % 5 == 0) keys.back().block = 0;
    }
    auto remove = [&](std::vector<mp::EventKey>& batch, win::DWORD selector2 = 0) {
        return bulk.project->SetProperty(mp::PID_DELETE_EVENTS, static_cast<win::DWORD>(batch.size()), selector2,
                                         static_cast<win::DWORD>(batch.size() * sizeof batch[0]), batch.data());
    };
    const Snapshot before = TakeSnapshot(bulk.data);
    const std::vector<void (*)(std::vector<mp::EventKey>&)> bad{
        [](std::vector<mp::EventKey>& b) { b[7].event = 9999; },
        [](std::vector<mp::EventKey>& b) { b.push_back(b[3]); },
        [](std::vector<mp::EventKey>& b) { b.insert(b.end(), 300, b[5]); }, // told apart another way
        [](std::vector<mp::EventKey>& b) { b[4].block = b[4].block == 1 ? 2 : 1; },
        [](std::vector<mp::EventKey>& b) { b[19].track = 77; }};
    for (std::size_t b = 0; b < bad.size(); ++b) {
        std::vector<mp::EventKey> batch = keys;
        bad[b](batch);
        if (b % 2) bulk.data->BeginTransaction(mp::TRANSACTION_EDIT, u"Bad");
        EXPECT_EQ(remove(batch), mp::MP_E_EVENT_WRITES_REFUSED) << b;
        if (b % 2) bulk.data->EndTransaction(0);
        EXPECT_EQ(TakeSnapshot(bulk.data), before) << b;
        EXPECT_TRUE(bulk.Reports().empty()) << b;
    }
    EXPECT_EQ(remove(keys, 1), win::E_INVALIDARG);
    EXPECT_EQ(bulk.project->SetProperty(mp::PID_DELETE_EVENTS, 2, 0, sizeof keys[0], keys.data()), win::E_INVALIDARG);
    EXPECT_EQ(bulk.project->SetProperty(mp::PID_DELETE_EVENTS, 0, 0, 0, keys.data()), win::S_OK);
    EXPECT_EQ(bulk.project->WithStore([](Store& s) { return s.UndoCount(); }), 0u);
    EXPECT_TRUE(bulk.Reports().empty());

    for (Side* side : {&bulk, &single}) {
        ASSERT_EQ(side->data->BeginTransaction(mp::TRANSACTION_EDIT, u"Delete"), win::S_OK);
        for (std::size_t moved : {8u, 10u}) { // an index fix noted before the delete, of a deleted event and a kept one
            mp::MPEventWrite w = side->Write(moved, mp::CHANGE_TIME, [](mp::MidiEventRecord& r) { r.time += 500; });
            ASSERT_EQ(side->data->Set(&w.key, mp::LEVEL_EVENT, &w.record, w.mask), win::S_OK);
        }
        if (side == &bulk) {
            ASSERT_EQ(remove(keys), win::S_OK);
        } else {
            for (const mp::EventKey& key : keys) ASSERT_EQ(single.data->Delete(mp::LEVEL_EVENT, &key), win::S_OK);
        }
        side->data->EndTransaction(1);
    }
    auto order = [](Side& side) {
        return side.project->WithStore([&](Store& s) { return std::make_pair(s.EventsOf(side.blocks[0]), s.EventsOf(side.blocks[1])); });
    };
    EXPECT_EQ(bulk.project->WithStore([](Store& s) { return s.UndoName(); }), u"Delete");
    for (int travel = 0; travel < 3; ++travel) {
        SCOPED_TRACE(travel);
        EXPECT_EQ(TakeSnapshot(bulk.data), TakeSnapshot(single.data));
        EXPECT_EQ(order(bulk), order(single));
        EXPECT_EQ(bulk.Reports(), single.Reports());
        for (Side* side : {&bulk, &single}) travel ? side->project->Redo() : side->project->Undo();
    }
}

// A few events of a long block deleted in one call: its order, the song, the reports and the undo
// step are what one Delete each leaves.
TEST_F(EventWrites, AFewDeletesOfALongBlockLeaveWhatOneDeleteEachLeaves) {
    Side many(3000), one(3000);
    std::vector<mp::EventKey> keys;
    for (std::size_t i = many.ids.size() - 1; i > 40; i -= 97)
        keys.push_back(many.project->WithStore([&](Store& s) { return s.KeyOfEvent(many.ids[i]); }));
    ASSERT_GT(keys.size(), 16u);
    for (Side* side : {&many, &one}) {
        ASSERT_EQ(side->data->BeginTransaction(mp::TRANSACTION_EDIT, u"Delete"), win::S_OK);
        if (side == &many) {
            ASSERT_EQ(many.project->SetProperty(mp::PID_DELETE_EVENTS, static_cast<win::DWORD>(keys.size()), 0,
                                                static_cast<win::DWORD>(keys.size() * sizeof keys[0]), keys.data()),
                      win::S_OK);
        } else {
            for (const mp::EventKey& key : keys) ASSERT_EQ(one.data->Delete(mp::LEVEL_EVENT, &key), win::S_OK);
        }
        side->data->EndTransaction(1);
    }
    auto order = [](Side& side) { return side.project->WithStore([&](Store& s) { return s.EventsOf(side.blocks[0]); }); };
    for (int travel = 0; travel < 3; ++travel) {
        SCOPED_TRACE(travel);
        EXPECT_EQ(order(many).size(), travel == 1 ? 3017u : 3017u - keys.size());
        EXPECT_EQ(order(many), order(one));
        EXPECT_EQ(TakeSnapshot(many.data), TakeSnapshot(one.data));
        EXPECT_EQ(many.Reports(), one.Reports());
        for (Side* side : {&many, &one}) travel ? side->project->Redo() : side->project->Undo();
    }
    // A few events of the long block moved, and the move undone: each time the index lists every event
    // by time as a sort of them would.
    ASSERT_EQ(many.data->BeginTransaction(mp::TRANSACTION_EDIT, u"Move"), win::S_OK);
    for (std::size_t i = 45; i < many.ids.size(); i += 61) {
        if (std::count_if(keys.begin(), keys.end(), [&](const mp::EventKey& k) { return k.event == many.ids[i]; })) continue;
        mp::MPEventWrite w = many.Write(i, mp::CHANGE_TIME, [](mp::MidiEventRecord& r) { r.time = (r.time * 7 + 13) % 9000; });
        ASSERT_EQ(many.data->Set(&w.key, mp::LEVEL_EVENT, &w.record, w.mask), win::S_OK);
    }
    many.data->EndTransaction(1);
    for (int travel = 0; travel < 2; ++travel, many.project->Undo()) {
        many.project->WithStore([&](Store& s) {
            std::vector<std::uint32_t> listed = s.EventsOf(many.blocks[0]), sorted = listed;
            std::sort(sorted.begin(), sorted.end(), [&](std::uint32_t a, std::uint32_t b) {
                return std::pair(s.Event(a).time, a) < std::pair(s.Event(b).time, b);
            });
            EXPECT_EQ(listed.size(), 3017u - keys.size()) << travel;
            EXPECT_EQ(listed, sorted) << travel;
        });
    }
}

// Outside a transaction: selection writes alone leave no undo step, as the same Sets leave none; host
// words are written whole; an event's later write is checked against what its earlier flags write left.
TEST_F(EventWrites, OutsideATransactionABatchLeavesWhatItsSetsLeave) {
    auto select = [](mp::MidiEventRecord& r) { r.flags = mp::MEF_SELECTED; };
    std::vector<std::vector<mp::MPEventWrite>> batches[2];
    for (int s = 0; s < 2; ++s) {
        Side& side = s ? single : bulk;
        batches[s] = {{side.Write(0, mp::CHANGE_FLAGS, select), side.Write(3, mp::CHANGE_FLAGS, select)},
                      {side.Write(2, mp::CHANGE_ALL, [](mp::MidiEventRecord& r) { r.hostWord = 7; }),
                       side.Write(1, mp::CHANGE_ALL, [](mp::MidiEventRecord& r) { r.hostData[0] = 1; }),
                       side.Write(3, mp::CHANGE_ALL, [](mp::MidiEventRecord& r) { r.sourceWord = 5; }),
                       side.Write(5, mp::CHANGE_ALL, [](mp::MidiEventRecord& r) { r.reserved = 3; }),
                       side.Write(0, mp::CHANGE_FLAGS, [](mp::MidiEventRecord& r) { r.flags = 0; }),
                       side.Write(0, mp::CHANGE_LENGTH, [](mp::MidiEventRecord& r) { r.length = 480; })}};
    }
    for (std::size_t b = 0; b < 2; ++b) {
        ASSERT_EQ(Bulk(batches[0][b], mp::MP_EVENT_WRITES_FORWARD), win::S_OK) << b;
        for (mp::MPEventWrite& w : batches[1][b]) ASSERT_EQ(single.data->Set(&w.key, mp::LEVEL_EVENT, &w.record, w.mask), win::S_OK);
        EXPECT_EQ(TakeSnapshot(bulk.data), TakeSnapshot(single.data)) << b;
        EXPECT_EQ(bulk.project->WithStore([](Store& s) { return s.UndoCount(); }), b) << b;
    }
    const EventValue written = bulk.project->WithStore([&](Store& s) { return s.Event(bulk.ids[2]); });
    EXPECT_EQ(written.hostWord, 7u); // a plain event that takes host words keeps them
}

// A plain write's undo and redo each bring back the whole side they go to, its selection included,
// however the selection changed in between (selection alone is no step of the history).
TEST_F(EventWrites, UndoAndRedoBringBackEachSideWithItsSelection) {
    std::vector<mp::MPEventWrite> move{bulk.Write(5, mp::CHANGE_ALL, [](mp::MidiEventRecord& r) {
                                           r.time += 10;
                                           r.flags = mp::MEF_SELECTED;
                                       }),
                                       bulk.Write(6, mp::CHANGE_ALL, [](mp::MidiEventRecord& r) { r.length = 60; })};
    const Snapshot before = TakeSnapshot(bulk.data);
    ASSERT_EQ(Bulk(move), win::S_OK);
    const Snapshot after = TakeSnapshot(bulk.data);
    // Reported in the order written (backward), each with its own flags; selection alone is no step.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> told;
    for (const mp::NotificationRecord& r : bulk.sink.Take()) told.emplace_back(r.oldKey.event, r.changeFlags);
    EXPECT_EQ(told, (std::vector<std::pair<std::uint32_t, std::uint32_t>>{
                        {bulk.ids[6], mp::NCF_MODIFIED}, {bulk.ids[5], mp::NCF_MODIFIED | mp::NCF_POSITION_MOVED}}));
    for (mp::MPEventWrite& w : move) w.record.flags ^= mp::MEF_SELECTED;
    ASSERT_EQ(Bulk(move), win::S_OK);
    ASSERT_EQ(bulk.project->Undo(), win::S_OK);
    for (mp::MPEventWrite& w : move) w.record.flags ^= mp::MEF_SELECTED;
    ASSERT_EQ(bulk.project->Redo(), win::S_OK);
    for (int travel = 0; travel < 4; ++travel) {
        SCOPED_TRACE(travel);
        for (mp::MPEventWrite w : move) {
            w.record.flags = travel % 3 ? mp::MEF_SELECTED : 0;
            ASSERT_EQ(bulk.data->Set(&w.key, mp::LEVEL_EVENT, &w.record, mp::CHANGE_FLAGS), win::S_OK);
        }
        ASSERT_EQ(travel % 2 ? bulk.project->Redo() : bulk.project->Undo(), win::S_OK);
        EXPECT_EQ(TakeSnapshot(bulk.data), travel % 2 ? after : before);
    }
}

} // namespace
} // namespace host::test
