// IMPMidiData on the host object: enumeration order, kind masks, records in and out, change masks.
#include <gtest/gtest.h>

#include <algorithm>

#include "host_test_util.h"

namespace host::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

class MidiDataTest : public ProjectTest {
protected:
    mp::EventKey AddTrack(std::uint32_t order, std::int32_t channel = -1, const std::u16string& name = u"") {
        mp::TrackRecord r{};
        r.order = order;
        r.channel = channel;
        r.nameHandle = name.empty() ? 0 : NameHandle(name);
        mp::EventKey k{};
        EXPECT_EQ(data->Insert(&k, mp::LEVEL_TRACK, &r), win::S_OK);
        win::CoTaskMemFreeHandle(r.nameHandle);
        return k;
    }
    mp::EventKey AddBlock(mp::EventKey track, std::int64_t start, std::int64_t end) {
        mp::BlockRecord r{};
        r.start = start;
        r.end = end;
        r.timeFormat = mp::TIME_FORMAT_TICKS;
        EXPECT_EQ(data->Insert(&track, mp::LEVEL_BLOCK, &r), win::S_OK);
        return track;
    }
    mp::EventKey AddEvent(mp::EventKey block, const mp::MidiEventRecord& r) {
        block.event = 0;
        EXPECT_EQ(data->Insert(&block, mp::LEVEL_EVENT, &r), win::S_OK);
        return block;
    }
    std::vector<std::uint32_t> Walk(mp::EventKey block, std::uint32_t kinds, bool backwards = false) {
        std::vector<std::uint32_t> ids;
        mp::EventKey k{block.track, block.block, 0};
        win::BOOL more = 0;
        mp::MidiEventRecord r{};
        if (data->FindFirst(&k, mp::LEVEL_EVENT, &r, &more, kinds) != win::S_OK) return ids;
        if (backwards) {
            while (more && data->FindNext(&k, mp::LEVEL_EVENT, &r, &more, kinds) == win::S_OK) {
            }
            more = 1;
            ids.push_back(k.event);
            while (data->FindPrevious(&k, mp::LEVEL_EVENT, &r, &more, kinds) == win::S_OK) ids.push_back(k.event);
            return ids;
        }
        ids.push_back(k.event);
        while (data->FindNext(&k, mp::LEVEL_EVENT, &r, &more, kinds) == win::S_OK) ids.push_back(k.event);
        EXPECT_EQ((std::tuple{k.event, r.kind}), (std::tuple{0u, mp::MEK_NONE}));
        return ids;
    }
};

TEST_F(MidiDataTest, TracksEnumerateInTrackOrderAndBlocksByStart) {
    mp::EventKey a = AddTrack(2);
    mp::EventKey b = AddTrack(1);
    mp::EventKey c = AddTrack(0); // 0 takes the place after the last
    mp::EventKey k{};
    win::BOOL more = 0;
    mp::TrackRecord r{};
    ASSERT_EQ(data->FindFirst(&k, mp::LEVEL_TRACK, &r, &more, mp::FIND_ALL_ITEMS), win::S_OK);
    EXPECT_EQ(k.track, b.track);
    EXPECT_TRUE(more);
    ASSERT_EQ(data->FindNext(&k, mp::LEVEL_TRACK, &r, &more, mp::FIND_ALL_ITEMS), win::S_OK);
    EXPECT_EQ(k.track, a.track);
    ASSERT_EQ(data->FindNext(&k, mp::LEVEL_TRACK, &r, &more, mp::FIND_ALL_ITEMS), win::S_OK);
    EXPECT_EQ((std::tuple{k.track, r.order}), (std::tuple{c.track, 3u}));
    EXPECT_FALSE(more);
    EXPECT_EQ(data->FindNext(&k, mp::LEVEL_TRACK, &r, &more, mp::FIND_ALL_ITEMS), win::S_FALSE);
    EXPECT_EQ(k.track, 0u);

    mp::EventKey late = AddBlock(a, 1000, 2000);
    mp::EventKey early = AddBlock(a, 0, 1000);
    mp::EventKey bk = a;
    ASSERT_EQ(data->FindFirst(&bk, mp::LEVEL_BLOCK, nullptr, &more, mp::FIND_ALL_ITEMS), win::S_OK);
    EXPECT_EQ(bk.block, early.block);
    ASSERT_EQ(data->FindNext(&bk, mp::LEVEL_BLOCK, nullptr, &more, mp::FIND_ALL_ITEMS), win::S_OK);
    EXPECT_EQ(bk.block, late.block);
    EXPECT_FALSE(more);
}

// Walks find each track's place by its order: equal orders, a changed order, a deleted track and
// its undo must all walk as the (order, id) sort says, both ways.
TEST_F(MidiDataTest, TrackWalksKeepTheirPlaceThroughEqualOrdersMovesAndDeletes) {
    std::vector<std::pair<std::uint32_t, std::uint32_t>> tracks; // order, id
    for (std::uint32_t order : {5u, 3u, 5u, 1u, 3u, 5u, 2u}) tracks.emplace_back(order, AddTrack(order).track);
    auto walk = [&](bool backwards) {
        std::vector<std::uint32_t> ids;
        mp::EventKey k{};
        win::BOOL more = 0;
        mp::TrackRecord r{};
        if (data->FindFirst(&k, mp::LEVEL_TRACK, &r, &more, mp::FIND_ALL_ITEMS) != win::S_OK) return ids;
        while (backwards && more && data->FindNext(&k, mp::LEVEL_TRACK, &r, &more, mp::FIND_ALL_ITEMS) == win::S_OK) {
        }
        ids.push_back(k.track);
        const auto step = backwards ? &mp::IMPMidiData::FindPrevious : &mp::IMPMidiData::FindNext;
        while ((data->*step)(&k, mp::LEVEL_TRACK, &r, &more, mp::FIND_ALL_ITEMS) == win::S_OK) ids.push_back(k.track);
        if (backwards) std::reverse(ids.begin(), ids.end());
        return ids;
    };
    auto expected = [&] {
        auto sorted = tracks;
        std::sort(sorted.begin(), sorted.end());
        std::vector<std::uint32_t> ids;
        for (const auto& t : sorted) ids.push_back(t.second);
        return ids;
    };
    EXPECT_EQ((std::tuple{walk(false), walk(true)}), (std::tuple{expected(), expected()}));

    // The first track of order 5 moves among those of order 3, before them, as its id is lower.
    mp::EventKey moved{tracks[0].second, 0, 0};
    mp::TrackRecord r{};
    r.order = 3;
    ASSERT_EQ(data->Set(&moved, mp::LEVEL_TRACK, &r, mp::CHANGE_TRACK_ORDER), win::S_OK);
    tracks[0].first = 3;
    EXPECT_EQ((std::tuple{walk(false), walk(true)}), (std::tuple{expected(), expected()}));

    mp::EventKey gone{tracks[4].second, 0, 0};
    ASSERT_EQ(data->Delete(mp::LEVEL_TRACK, &gone), win::S_OK);
    const auto kept = tracks[4];
    tracks.erase(tracks.begin() + 4);
    EXPECT_EQ((std::tuple{walk(false), walk(true)}), (std::tuple{expected(), expected()}));
    // A walk cannot go on from a track that is gone, nor from one that never was.
    mp::TrackRecord out{};
    win::BOOL more = 0;
    EXPECT_EQ(data->FindNext(&gone, mp::LEVEL_TRACK, &out, &more, mp::FIND_ALL_ITEMS), win::E_INVALIDARG);
    mp::EventKey never{9999, 0, 0};
    EXPECT_EQ(data->FindPrevious(&never, mp::LEVEL_TRACK, &out, &more, mp::FIND_ALL_ITEMS), win::E_INVALIDARG);

    ASSERT_EQ(project->Undo(), win::S_OK);
    tracks.push_back(kept);
    EXPECT_EQ((std::tuple{walk(false), walk(true)}), (std::tuple{expected(), expected()}));
}

TEST_F(MidiDataTest, EventsWalkInTimeOrderThroughTheKindMask) {
    mp::EventKey block = AddBlock(AddTrack(1), 0, 4000);
    std::uint32_t n3 = AddEvent(block, NoteRecord(300, 60, 10)).event;
    std::uint32_t c1 = AddEvent(block, EventRecord(mp::MEK_CONTROL, 100, 7, 90)).event;
    std::uint32_t n1 = AddEvent(block, NoteRecord(100, 62, 10)).event;
    std::uint32_t n0 = AddEvent(block, NoteRecord(0, 64, 10)).event;
    EXPECT_EQ(Walk(block, mp::MEK_ALL), (std::vector<std::uint32_t>{n0, c1, n1, n3}));
    EXPECT_EQ(Walk(block, mp::MEK_NOTE), (std::vector<std::uint32_t>{n0, n1, n3}));
    EXPECT_EQ(Walk(block, mp::MEK_NOTE, true), (std::vector<std::uint32_t>{n3, n1, n0}));
    EXPECT_EQ(Walk(block, mp::MEK_CONTROL), (std::vector<std::uint32_t>{c1}));
    EXPECT_TRUE(Walk(block, mp::MEK_PITCH_BEND).empty());

    // Moving an event re-sorts it; keys stay the same.
    mp::MidiEventRecord moved = NoteRecord(50, 60, 10);
    mp::EventKey k3{block.track, block.block, n3};
    ASSERT_EQ(data->Set(&k3, mp::LEVEL_EVENT, &moved, mp::CHANGE_TIME), win::S_OK);
    EXPECT_EQ(Walk(block, mp::MEK_NOTE), (std::vector<std::uint32_t>{n0, n3, n1}));

    mp::EventKey gone{block.track, block.block, n1};
    ASSERT_EQ(data->Delete(mp::LEVEL_EVENT, &gone), win::S_OK);
    win::BOOL more = 0;
    EXPECT_EQ(data->FindNext(&gone, mp::LEVEL_EVENT, nullptr, &more, mp::MEK_ALL), win::E_INVALIDARG);

    // A walk that ended on the last event, then a delete before it: the step back still finds its place.
    EXPECT_EQ(Walk(block, mp::MEK_ALL), (std::vector<std::uint32_t>{n0, n3, c1}));
    mp::EventKey first{block.track, block.block, n0};
    ASSERT_EQ(data->Delete(mp::LEVEL_EVENT, &first), win::S_OK);
    mp::EventKey last{block.track, block.block, c1};
    ASSERT_EQ(data->FindPrevious(&last, mp::LEVEL_EVENT, nullptr, &more, mp::MEK_ALL), win::S_OK);
    EXPECT_EQ(last.event, n3);
}

TEST_F(MidiDataTest, RecordsComeBackAsWrittenWithOwnedCopies) {
    mp::EventKey track = AddTrack(1, 4, u"Lead \u00e9");
    mp::EventKey block = AddBlock(track, 480, 9600);
    mp::MidiEventRecord meta{};
    meta.kind = mp::MEK_META;
    meta.channel = -1;
    meta.time = 10;
    meta.timeFormat = mp::TIME_FORMAT_TICKS;
    meta.length = 4;
    meta.dataHandle = NewHandle({0x01, 'a', 'b', 'c'});
    meta.flags = 0x104;
    meta.hostWord = 7;
    meta.hostData[15] = 9;
    mp::EventKey ek = AddEvent(block, meta);
    win::CoTaskMemFreeHandle(meta.dataHandle); // the host kept its own copy

    mp::MidiEventRecord got{};
    ASSERT_EQ(data->Get(&ek, mp::LEVEL_EVENT, &got, mp::TIME_FORMAT_TICKS), win::S_OK);
    EXPECT_EQ(std::tuple(got.kind, got.time, got.flags, got.hostWord), std::tuple(mp::MEK_META, 10, 0x104u, 7u));
    EXPECT_EQ(got.hostData[15], 9);
    ASSERT_EQ(got.length, 4u);
    std::vector<std::uint8_t> bytes = TakeHandle(got.dataHandle);
    EXPECT_EQ(bytes, (std::vector<std::uint8_t>{0x01, 'a', 'b', 'c'}));
    // A second get hands out a fresh copy.
    ASSERT_EQ(data->Get(&ek, mp::LEVEL_EVENT, &got, mp::TIME_FORMAT_TICKS), win::S_OK);
    EXPECT_EQ(TakeHandle(got.dataHandle), bytes);

    mp::TrackRecord tr{};
    ASSERT_EQ(data->Get(&track, mp::LEVEL_TRACK, &tr, mp::TIME_FORMAT_TICKS), win::S_OK);
    EXPECT_EQ(std::tuple(tr.nameHandle, tr.channel), std::tuple(0u, 4));
    ASSERT_EQ(data->Get(&track, mp::LEVEL_TRACK, &tr, mp::TIME_FORMAT_TICKS | mp::GET_WITH_NAME), win::S_OK);
    std::vector<std::uint8_t> name = TakeHandle(tr.nameHandle);
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(name.data())), u"Lead \u00e9");

    mp::BlockRecord br{};
    ASSERT_EQ(data->Get(&block, mp::LEVEL_BLOCK, &br, mp::TIME_FORMAT_TICKS), win::S_OK);
    EXPECT_EQ(std::tuple(br.start, br.end), std::tuple(480, 9600));
    // Keys must name the item they claim: a wrong track word is refused.
    mp::EventKey wrong = ek;
    wrong.track += 100;
    EXPECT_EQ(data->Get(&wrong, mp::LEVEL_EVENT, &got, 2), win::E_INVALIDARG);
    EXPECT_EQ(data->Get(&ek, 4, &got, 2), win::E_INVALIDARG);
    EXPECT_EQ(data->Get(&ek, mp::LEVEL_EVENT, &got, 7), win::E_INVALIDARG);
}

TEST_F(MidiDataTest, ChangeMasksWriteOnlyTheirFields) {
    mp::EventKey track = AddTrack(1);
    mp::EventKey block = AddBlock(track, 0, 1000);
    mp::EventKey ek = AddEvent(block, NoteRecord(100, 60, 50));

    mp::MidiEventRecord r = NoteRecord(500, 70, 5, 1);
    r.flags = mp::MEF_SELECTED;
    ASSERT_EQ(data->Set(&ek, mp::LEVEL_EVENT, &r, mp::CHANGE_FLAGS), win::S_OK);
    mp::MidiEventRecord got{};
    data->Get(&ek, mp::LEVEL_EVENT, &got, 2);
    EXPECT_EQ((std::tuple{got.flags, got.time, got.data[0], got.length}),
              (std::tuple{mp::MEF_SELECTED, 100, 60, 50u}));

    ASSERT_EQ(data->Set(&ek, mp::LEVEL_EVENT, &r, mp::CHANGE_ALL), win::S_OK);
    data->Get(&ek, mp::LEVEL_EVENT, &got, 2);
    EXPECT_EQ((std::tuple{got.time, got.data[0], got.data[1], got.length}), (std::tuple{500, 70, 1, 5u}));

    // Out-of-range values are refused and change nothing: a data byte, a channel, two kinds at once,
    // a time before tick 0.
    for (void (*spoil)(mp::MidiEventRecord&) : {+[](mp::MidiEventRecord& r) { r.data[0] = 200; },
                                                 +[](mp::MidiEventRecord& r) { r.channel = 16; },
                                                 +[](mp::MidiEventRecord& r) { r.kind = 0x3; },
                                                 +[](mp::MidiEventRecord& r) { r.time = -501; }}) {
        mp::MidiEventRecord bad = got;
        spoil(bad);
        EXPECT_EQ(data->Set(&ek, mp::LEVEL_EVENT, &bad, mp::CHANGE_ALL), win::E_INVALIDARG);
    }
    mp::MidiEventRecord after{};
    data->Get(&ek, mp::LEVEL_EVENT, &after, 2);
    EXPECT_EQ(std::memcmp(&after, &got, sizeof got), 0);

    // Track attributes alone with 0x1000; the channel stays.
    mp::TrackRecord tr{};
    tr.attributes = mp::TRACK_SOLO;
    tr.channel = 9;
    ASSERT_EQ(data->Set(&track, mp::LEVEL_TRACK, &tr, mp::CHANGE_TRACK_ATTRIBUTES), win::S_OK);
    mp::TrackRecord back{};
    data->Get(&track, mp::LEVEL_TRACK, &back, 2);
    EXPECT_EQ(std::tuple(back.attributes, back.channel), std::tuple(mp::TRACK_SOLO, -1));
    // Channels -1 (none) to 15 and offsets of up to 127 either way, nothing beyond.
    const std::tuple<std::int32_t, std::int32_t, std::int32_t, win::HRESULT> settings[] = {
        {-1, -127, 127, win::S_OK},         {15, 127, -127, win::S_OK},         {-2, 0, 0, win::E_INVALIDARG},
        {16, 0, 0, win::E_INVALIDARG},      {0, -128, 0, win::E_INVALIDARG},    {0, 128, 0, win::E_INVALIDARG},
        {0, 0, -128, win::E_INVALIDARG},    {0, 0, 128, win::E_INVALIDARG},
    };
    for (const auto& [channel, velocity, pitch, result] : settings) {
        tr.channel = channel;
        tr.velocityOffset = velocity;
        tr.pitchOffset = pitch;
        SCOPED_TRACE(testing::Message() << channel << " " << velocity << " " << pitch);
        EXPECT_EQ(data->Set(&track, mp::LEVEL_TRACK, &tr, mp::CHANGE_ALL), result);
        mp::EventKey added{};
        EXPECT_EQ(data->Insert(&added, mp::LEVEL_TRACK, &tr), result);
    }
}

TEST_F(MidiDataTest, VariableDataFollowsTheHandleOrStays) {
    mp::EventKey block = AddBlock(AddTrack(1), 0, 1000);
    mp::MidiEventRecord sx{};
    sx.kind = mp::MEK_SYSEX;
    sx.channel = -1;
    sx.timeFormat = 2;
    sx.length = 3;
    sx.dataHandle = NewHandle({0xF0, 0x7E, 0xF7});
    mp::EventKey ek = AddEvent(block, sx);
    win::CoTaskMemFreeHandle(sx.dataHandle);

    // A flat copy whose handle was freed: same kind and length keep the stored data.
    sx.time = 20;
    ASSERT_EQ(data->Set(&ek, mp::LEVEL_EVENT, &sx, mp::CHANGE_ALL), win::S_OK);
    mp::MidiEventRecord got{};
    data->Get(&ek, mp::LEVEL_EVENT, &got, 2);
    EXPECT_EQ(got.time, 20);
    EXPECT_EQ(TakeHandle(got.dataHandle), (std::vector<std::uint8_t>{0xF0, 0x7E, 0xF7}));
    // A different length needs real data.
    sx.length = 5;
    EXPECT_EQ(data->Set(&ek, mp::LEVEL_EVENT, &sx, mp::CHANGE_ALL), win::E_INVALIDARG);
    sx.dataHandle = NewHandle({0xF0, 1, 2, 3, 0xF7});
    ASSERT_EQ(data->Set(&ek, mp::LEVEL_EVENT, &sx, mp::CHANGE_ALL), win::S_OK);
    win::CoTaskMemFreeHandle(sx.dataHandle);
    data->Get(&ek, mp::LEVEL_EVENT, &got, 2);
    EXPECT_EQ(TakeHandle(got.dataHandle), (std::vector<std::uint8_t>{0xF0, 1, 2, 3, 0xF7}));
    // A sysex must start with F0, a meta event cannot be an end of track; a tempo is three bytes and not
    // zero, a time signature four bytes with at least one beat and a note value exponent up to 31.
    const std::tuple<std::uint32_t, Bytes, win::HRESULT> checks[] = {
        {mp::MEK_SYSEX, {0x41, 0x10}, win::E_INVALIDARG},       {mp::MEK_META, {0x2F, 0x00}, win::E_INVALIDARG},
        {mp::MEK_META, {0x51, 0, 0, 1}, win::S_OK},             {mp::MEK_META, {0x51, 0, 0, 0}, win::E_INVALIDARG},
        {mp::MEK_META, {0x51, 7, 0xA1}, win::E_INVALIDARG},     {mp::MEK_META, {0x51, 7, 0xA1, 0x20, 0}, win::E_INVALIDARG},
        {mp::MEK_META, {0x58, 1, 31, 24, 8}, win::S_OK},        {mp::MEK_META, {0x58, 0, 2, 24, 8}, win::E_INVALIDARG},
        {mp::MEK_META, {0x58, 4, 32, 24, 8}, win::E_INVALIDARG}, {mp::MEK_META, {0x58, 4, 2, 24}, win::E_INVALIDARG},
    };
    for (const auto& [kind, bytes, result] : checks) {
        sx.kind = kind;
        sx.length = static_cast<std::uint32_t>(bytes.size());
        sx.dataHandle = NewHandle(bytes);
        mp::EventKey at = block;
        EXPECT_EQ(data->Insert(&at, mp::LEVEL_EVENT, &sx), result) << kind << " " << bytes.size() << " " << int(bytes[1]);
        win::CoTaskMemFreeHandle(sx.dataHandle);
    }
}

TEST_F(MidiDataTest, IdsAreNeverReusedAndInsertCanReplace) {
    mp::EventKey block = AddBlock(AddTrack(1), 0, 1000);
    std::uint32_t first = AddEvent(block, NoteRecord(0, 60, 10)).event;
    mp::EventKey k{block.track, block.block, first};
    ASSERT_EQ(data->Delete(mp::LEVEL_EVENT, &k), win::S_OK);
    std::uint32_t second = AddEvent(block, NoteRecord(0, 60, 10)).event;
    EXPECT_GT(second, first);
    ASSERT_EQ(project->Undo(), win::S_OK); // the insert
    ASSERT_EQ(project->Undo(), win::S_OK); // the delete: the first event comes back under its id
    EXPECT_EQ(Walk(block, mp::MEK_ALL), (std::vector<std::uint32_t>{first}));
    std::uint32_t third = AddEvent(block, NoteRecord(5, 61, 10)).event;
    EXPECT_GT(third, second);

    RecordingSink sink;
    Advised advised(project, &sink);
    mp::EventKey replace{block.track, block.block, first};
    mp::MidiEventRecord r = NoteRecord(7, 72, 3);
    ASSERT_EQ(data->Insert(&replace, mp::LEVEL_EVENT, &r), win::S_OK);
    EXPECT_GT(replace.event, third);
    auto recs = sink.Take();
    ASSERT_EQ(recs.size(), 1u);
    EXPECT_EQ(recs[0].changeFlags, mp::NCF_REPLACED);
    EXPECT_EQ((std::tuple{recs[0].oldKey.event, recs[0].newKey.event, Walk(block, mp::MEK_ALL)}),
              (std::tuple{first, replace.event, (std::vector<std::uint32_t>{third, replace.event})}));
}

TEST_F(MidiDataTest, DeletingATrackTakesItsBlocksAndEventsAndUndoBringsThemBack) {
    mp::EventKey track = AddTrack(1, 2, u"Bass");
    mp::EventKey b1 = AddBlock(track, 0, 100);
    mp::EventKey b2 = AddBlock(track, 100, 200);
    AddEvent(b1, NoteRecord(0, 40, 10));
    AddEvent(b2, NoteRecord(5, 41, 10));
    Snapshot before = TakeSnapshot(data);
    ASSERT_EQ(data->BeginTransaction(mp::TRANSACTION_EDIT, u"Delete Track"), win::S_OK);
    ASSERT_EQ(data->Delete(mp::LEVEL_TRACK, &track), win::S_OK);
    ASSERT_EQ(data->EndTransaction(1), win::S_OK);
    EXPECT_TRUE(TakeSnapshot(data).empty());
    EXPECT_EQ(project->WithStore([&](Store& s) { return s.Block(b2.block); }), nullptr) << "a deleted block reads as none";
    EXPECT_EQ(project->WithStore([](Store& s) { return s.UndoName(); }), u"Delete Track");
    ASSERT_EQ(project->Undo(), win::S_OK);
    EXPECT_EQ(TakeSnapshot(data), before);
}

TEST_F(MidiDataTest, NanosecondTimesFollowTheTempoMap) {
    mp::EventKey block = AddBlock(AddTrack(1), 960, 96000);
    // 960 ticks per quarter at 120 beats per minute: one tick is 520833.3 ns.
    mp::MidiEventRecord r = NoteRecord(0, 60, 10);
    r.time = 500000000; // half a second after the block start
    r.timeFormat = mp::TIME_FORMAT_NANOSECONDS;
    mp::EventKey ek = AddEvent(block, r);
    mp::MidiEventRecord got{};
    data->Get(&ek, mp::LEVEL_EVENT, &got, mp::TIME_FORMAT_TICKS);
    EXPECT_EQ(got.time, 960);
    data->Get(&ek, mp::LEVEL_EVENT, &got, mp::TIME_FORMAT_NANOSECONDS);
    EXPECT_EQ((std::tuple{got.time, got.timeFormat}), (std::tuple{500000000, mp::TIME_FORMAT_NANOSECONDS}));
}

} // namespace
} // namespace host::test
