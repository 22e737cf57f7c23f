// The plug-in object's track table and event-key list, their upkeep by notifications, and
// TrackAccess's reading operations.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "track_fixture.h"
#include "win/controls.h"

namespace {

using namespace win;

class Cache : public harness::TrackFixture {};

TEST_F(Cache, AllTracksAreListedInEventOrder) {
    // Track order 2 is found first by the host (inserted first) but sorts after order 1.
    const std::uint32_t late = AddTrack(u"Late", 5, 2);
    const std::uint32_t early = AddTrack(u"Early", -1, 1);
    const std::uint32_t lateBlock = AddBlock(late, 0, 3840);
    const std::uint32_t earlyBlock = AddBlock(early, 0, 3840);
    const std::uint32_t a = AddNote(lateBlock, 480, 10, 60);
    const std::uint32_t b = AddNote(earlyBlock, 480, 10, 62);
    const std::uint32_t c = AddNote(earlyBlock, 0, 10, 64);
    Connect();
    ASSERT_EQ(plugin->Tracks().size(), 2u);
    EXPECT_EQ(plugin->Tracks()[0].track, early);
    EXPECT_EQ((std::tuple{plugin->SelectTrack(0, -1), CachedEvents()}),
              (std::tuple{S_OK, std::vector<std::uint32_t>{c, b}})) << "one track's events only";
    EXPECT_EQ(plugin->SelectTrack(-1, -1), S_OK);
    EXPECT_EQ(CachedEvents(), (std::vector<std::uint32_t>{c, b, a}));
    // Same tick, same order: the track without a channel comes first.
    const std::uint32_t third = AddTrack(u"Third", 3, 1);
    const std::uint32_t thirdBlock = AddBlock(third, 0, 3840);
    const std::uint32_t d = AddNote(thirdBlock, 480, 10, 66);
    plugin->ReloadTracks(true);
    plugin->SelectTrack(-1, -1);
    EXPECT_EQ(CachedEvents(), (std::vector<std::uint32_t>{c, b, d, a}));
    EXPECT_EQ(plugin->AddBlockEvents(1 << 20, 0), S_FALSE) << "no such track";
    // The list of all tracks follows a move of one of its events.
    ChangeEvent(a, [](host::EventValue& v) { v.time = 0; });
    Deliver();
    EXPECT_EQ(CachedEvents(), (std::vector<std::uint32_t>{c, a, b, d}));
}

TEST_F(Cache, SelectTrackLoadsBlocksUpToTheGivenIndex) {
    const std::uint32_t track = AddTrack(u"T", 0);
    const std::uint32_t first = AddBlock(track, 0, 1920);
    const std::uint32_t second = AddBlock(track, 1920, 3840);
    const std::uint32_t n1 = AddNote(first, 0, 100, 60);
    const std::uint32_t n2 = AddNote(second, 0, 100, 60);
    Connect();
    EXPECT_EQ(plugin->SelectTrack(0, 0), S_OK);
    EXPECT_EQ(CachedEvents(), (std::vector<std::uint32_t>{n1}));
    plugin->SelectTrack(0, 1);
    EXPECT_EQ(CachedEvents(), (std::vector<std::uint32_t>{n1, n2}));
    EXPECT_EQ(plugin->EventList()[1].start, 1920) << "block start + event time";
    // A move of the last shown block moves its events.
    plugin->SelectTrack(0, 0);
    ChangeBlock(first, [](host::BlockValue& v) { v.start = 100; });
    Deliver();
    ASSERT_EQ(CachedEvents(), (std::vector<std::uint32_t>{n1}));
    EXPECT_EQ((std::tuple{plugin->EventList()[0].start, access->ListedStart(0)}), (std::tuple{100, 100}));
    const std::uint32_t n3 = AddNote(second, 10, 100, 64);
    const std::uint32_t n4 = AddNote(first, 50, 100, 62);
    Deliver();
    EXPECT_EQ(CachedEvents(), (std::vector<std::uint32_t>{n1, n4})) << "a note in a block after the shown ones stays out";
    plugin->SelectTrack(0, 2);
    EXPECT_TRUE(CachedEvents().empty()) << "a block index past the last block shows none";
    // A valid list is returned unchanged; a different kind filter rebuilds it.
    plugin->SelectTrack(0, -1);
    EXPECT_EQ(CachedEvents(), (std::vector<std::uint32_t>{n1, n4, n2, n3}));
    AddEvent(first, 10, mp::MEK_CONTROL, 0, 7, 100);
    plugin->SelectTrack(0, -1);
    EXPECT_EQ(plugin->EventList().size(), 4u);
    plugin->SetKindFilter(mp::MEK_CONTROL);
    plugin->SelectTrack(0, -1);
    EXPECT_EQ(plugin->EventList().size(), 1u);
}

TEST_F(Cache, ChannelUseCountsTracksAfterTheFirst) {
    AddTrack(u"A", 9);
    AddTrack(u"B", 2);
    AddTrack(u"C", 2);
    AddTrack(u"D", 15);
    AddTrack(u"E", 0);
    Connect();
    EXPECT_EQ(plugin->GetChannelMask(), (1u << 0) | (1u << 2) | (1u << 15));
    EXPECT_EQ(plugin->GetChannelCount(), 3u);
    AddTrack(u"F", -1);
    plugin->ReloadTracks(true);
    EXPECT_EQ(plugin->GetChannelMask(), 0xFFFFu);
    EXPECT_EQ(plugin->GetChannelCount(), 16u);
}

TEST_F(Cache, AFailedReloadReportsItsFirstFailureAndAsksAgainNextTime) {
    AddBlock(AddTrack(u"A", 0), 0, 1920);
    AddTrack(u"B", 1);
    Refusing().walks = true;
    DWORD caps = 0;
    ASSERT_EQ(plugin->Initialise(static_cast<mp::IMPMidiData*>(&Refusing()), nullptr, mp::INIT_MODE_EDITOR, 0, &caps), S_OK);
    EXPECT_EQ(plugin->ReloadTracks(true), E_ACCESSDENIED) << "the track walk failed before the block walk";
    EXPECT_EQ((std::tuple{plugin->Tracks().size(), plugin->Flags() & mp::PLF_TRACKS_LOADED}), (std::tuple{1u, 0u}));
    Refusing().walks = false;
    EXPECT_EQ(plugin->ReloadTracks(false), S_OK);
    EXPECT_EQ((std::tuple{plugin->Tracks().size(), plugin->Tracks()[0].blocks.size()}), (std::tuple{2u, 1u}));
    plugin->Uninitialise();
}

TEST_F(Cache, WithoutATrackReadsAndEditsFindNothing) {
    Connect();
    int cursor = -1;
    mp::EventKey key{};
    EXPECT_EQ(access->GetEventCount(), 0);
    EXPECT_FALSE(access->ClearNotes(0, 100, 0, 127, -1));
    EXPECT_EQ(access->PreviousEventAtOrBefore(&cursor, 100, mp::MEK_NOTE, &key, nullptr), S_FALSE);
    EXPECT_EQ(access->FindNoteAt(0, 10, 60, &key), S_FALSE);
    EXPECT_EQ(access->SelectRange(0, 100, -1, -1, true), S_FALSE);
    EXPECT_EQ(plugin->TransactionDepth(), 0u);
}

TEST_F(Cache, ReadsBalanceTheirTransactions) {
    const std::uint32_t track = AddTrack(u"T", 0);
    const std::uint32_t block = AddBlock(track, 0, 3840);
    AddNote(block, 0, 100, 60);
    Connect();
    int cursor = -1;
    mp::EventKey key{};
    mp::MidiEventRecord record{};
    while (access->NextEventInRange(&cursor, 0, 100, &key, &record) == S_OK) {}
    access->FindNoteAt(50, 10, 127 - 60, &key);
    access->AnyEventSelected();
    EXPECT_EQ(plugin->TransactionDepth(), 0u);
    EXPECT_EQ(project->WithStore([](host::Store& s) { return s.TransactionDepth(); }), 0);
}

// ---- notification upkeep ----

class Upkeep : public harness::TrackFixture {
protected:
    void SetUp() override {
        harness::TrackFixture::SetUp();
        track = AddTrack(u"Piano", 0);
        block = AddBlock(track, 0, 7680);
        n1 = AddNote(block, 0, 480, 60);
        n2 = AddNote(block, 960, 480, 62);
        Connect();
        ASSERT_EQ(access->GetEventCount(), 2);
    }
    std::uint32_t track = 0, block = 0, n1 = 0, n2 = 0;
};

TEST_F(Upkeep, InsertsDeletesAndMovesFollowTheHost) {
    ASSERT_EQ(plugin->SelectTrack(0, -1), S_OK); // the list of one track, not of all
    ASSERT_EQ(access->GetEventCount(), 2);
    rebuilds = 0;
    const std::uint32_t n3 = AddNote(block, 480, 100, 64);
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n1, n2})) << "inserts wait for the deferred phase";
    Deliver();
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n1, n3, n2}));

    // A deletion leaves the list at once.
    project->WithStore([&](host::Store& s) { s.DeleteEvent(n1); });
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n3, n2}));
    Deliver();
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n3, n2}));

    // A move in time re-sorts; a change of duration alone keeps the place but is seen by range queries.
    ChangeEvent(n3, [](host::EventValue& v) { v.time = 2000; });
    Deliver();
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n2, n3}));
    ChangeEvent(n2, [](host::EventValue& v) { v.length = 5000; });
    Deliver();
    EXPECT_EQ(access->TrackEnd(), 960 + 5000);
    EXPECT_EQ(ListedEvents(), RebuiltEvents(0));
    EXPECT_EQ(rebuilds, 0);
}

TEST_F(Upkeep, ARunOfChangesOnAHiddenTrackLeavesTheListAlone) {
    const std::uint32_t bass = AddBlock(AddTrack(u"Bass", 1), 0, 7680);
    const std::uint32_t b1 = AddNote(bass, 0, 480, 40), b2 = AddNote(bass, 480, 480, 41);
    ASSERT_EQ(plugin->SelectTrack(0, -1), S_OK);
    plugin->SetUpkeepRunFloor(1);
    Deliver();
    for (std::uint32_t id : {b1, b2}) ChangeEvent(id, [](host::EventValue& v) { v.time += 30; });
    Deliver();
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n1, n2}));
}

TEST_F(Upkeep, ReplacementSwapsTheKey) {
    std::uint32_t replacement = project->WithStore([&](host::Store& s) {
        host::EventValue v = s.Event(n1);
        v.time = 3000;
        std::uint32_t id = 0;
        s.ReplaceEvent(n1, v, &id);
        return id;
    });
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n2})) << "the old key leaves at once";
    Deliver();
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n2, replacement}));
}

TEST_F(Upkeep, BlocksAndTracksComeAndGo) {
    const std::uint32_t later = AddBlock(track, 7680, 9600);
    const std::uint32_t n3 = AddNote(later, 0, 100, 60);
    Deliver();
    EXPECT_EQ(plugin->Tracks()[0].blocks.size(), 2u);
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n1, n2, n3}));
    EXPECT_EQ(plugin->EventList().back().start, 7680);
    // Moving a block moves its events.
    ChangeBlock(later, [](host::BlockValue& v) { v.start = 100; });
    Deliver();
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n1, n3, n2}));
    project->WithStore([&](host::Store& s) { s.DeleteBlock(later); });
    Deliver();
    EXPECT_EQ(plugin->Tracks()[0].blocks.size(), 1u);
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n1, n2}));

    // New tracks keep the shown track shown.
    const std::uint32_t second = AddTrack(u"Second", 1, 1);
    AddTrack(u"Last", 2);
    Deliver();
    ASSERT_EQ(plugin->Tracks().size(), 3u);
    EXPECT_EQ(plugin->Tracks()[plugin->CurrentTrack()].track, track);
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n1, n2}));
    // Deleting the shown track empties the list at once and shows the first track afterwards, not the
    // one that moved up into its place.
    ASSERT_EQ(plugin->SelectTrack(1, -1), S_OK);
    ASSERT_EQ(plugin->Tracks()[1].track, second);
    project->WithStore([&](host::Store& s) { s.DeleteTrack(second); });
    EXPECT_TRUE(plugin->EventList().empty());
    EXPECT_EQ(plugin->Tracks().size(), 2u);
    Deliver();
    EXPECT_EQ(plugin->CurrentTrack(), 0);
    EXPECT_EQ(plugin->Tracks()[0].track, track);
    // Deleting another track keeps the shown one shown.
    const std::uint32_t extra = AddTrack(u"Extra", 3);
    Deliver();
    ASSERT_EQ(plugin->SelectTrack(1, -1), S_OK);
    project->WithStore([&](host::Store& s) { s.DeleteTrack(extra); });
    Deliver();
    EXPECT_EQ(plugin->CurrentTrack(), 1);
    // A report of a track the table already holds adds nothing.
    mp::NotificationRecord again{};
    again.id = mp::NID_DATA_CHANGED;
    again.changeFlags = mp::NCF_INSERTED;
    again.level = mp::LEVEL_TRACK;
    again.oldKey = again.newKey = mp::EventKey{track, 0, 0};
    const std::size_t tracks = plugin->Tracks().size();
    plugin->OnNotify(&again, true);
    plugin->ProcessNotifications(false);
    EXPECT_EQ(plugin->Tracks().size(), tracks);
}

// Tracks are found by their order: ids of equal order, tracks that come and go in the middle of a
// run of equal orders, and a reloaded table all give each track's own index, and a gone one none.
TEST_F(Upkeep, EveryTrackIsFoundAtItsIndexThroughEqualOrdersAndChanges) {
    auto eachAtItsIndex = [&](const char* when) {
        const auto& tracks = plugin->Tracks();
        for (std::size_t i = 0; i < tracks.size(); ++i)
            EXPECT_EQ(plugin->TrackIndexOf(tracks[i].track), static_cast<int>(i)) << when;
    };
    std::vector<std::uint32_t> added;
    for (std::uint32_t order : {3u, 1u, 3u, 2u, 1u, 3u}) added.push_back(AddTrack(u"T", -1, order));
    Deliver();
    ASSERT_EQ(plugin->Tracks().size(), 7u);
    eachAtItsIndex("inserted");
    // Piano (order 1) first, then the later tracks of order 1 in the order they came.
    EXPECT_EQ(plugin->TrackIndexOf(added[1]), 1);
    EXPECT_EQ(plugin->TrackIndexOf(added[4]), 2);
    EXPECT_EQ(plugin->TrackIndexOf(added[5]), 6);

    project->WithStore([&](host::Store& s) {
        s.DeleteTrack(added[2]); // the middle one of order 3
        s.DeleteTrack(added[4]);
    });
    const std::uint32_t late = AddTrack(u"Late", -1, 3);
    Deliver();
    ASSERT_EQ(plugin->Tracks().size(), 6u);
    eachAtItsIndex("after deletes");
    EXPECT_EQ(plugin->TrackIndexOf(added[2]), -1);
    EXPECT_EQ(plugin->TrackIndexOf(added[4]), -1);
    EXPECT_EQ(plugin->TrackIndexOf(late), 5);
    EXPECT_EQ(plugin->TrackIndexOf(0xFFFFFFu), -1);

    ASSERT_EQ(plugin->ReloadTracks(true), S_OK);
    eachAtItsIndex("reloaded");
    EXPECT_EQ(plugin->TrackIndexOf(added[2]), -1);
}

TEST_F(Upkeep, OtherTrackChangesReloadTheTable) {
    // Reordering is an "other" change at track level: the table is rebuilt in the new order.
    const std::uint32_t second = AddTrack(u"Second", 1);
    Deliver();
    ASSERT_EQ(plugin->Tracks().size(), 2u);
    ChangeTrack(second, [](host::TrackValue& v) { v.order = 0; });
    Deliver();
    EXPECT_EQ(plugin->Tracks()[0].track, second);
    EXPECT_EQ(access->SelectTrack(track), S_OK);
    EXPECT_EQ(ListedEvents(), (std::vector<std::uint32_t>{n1, n2}));
}

TEST_F(Upkeep, RandomEditsLeaveTheListAsARebuildWouldMakeIt) {
    std::mt19937 random(1234);
    std::vector<std::uint32_t> live{n1, n2};
    const std::uint32_t other = AddBlock(track, 500, 9000);
    for (int step = 0; step < 150; ++step) {
        const int action = static_cast<int>(random() % 6);
        const std::uint32_t target = live.empty() ? 0 : live[random() % live.size()];
        const std::int64_t time = static_cast<std::int64_t>(random() % 4000);
        switch (action) {
        case 0:
        case 1: live.push_back(AddNote(random() % 2 ? block : other, time, random() % 900, 40 + random() % 40)); break;
        case 2:
            if (!target) break;
            project->WithStore([&](host::Store& s) { s.DeleteEvent(target); });
            live.erase(std::find(live.begin(), live.end(), target));
            break;
        case 3:
            if (!target) break;
            ChangeEvent(target, [&](host::EventValue& v) {
                v.time = time;
                v.length = static_cast<std::uint32_t>(random() % 700);
            });
            break;
        case 4: {
            // Through the editor: one commit with inserts, a modification and a deletion.
            access->InsertNote(time, 120, 127 - static_cast<int>(30 + random() % 60), random() % 2 == 0);
            if (target) {
                mp::EventKey key{track, 0, target};
                key.block = Stored(target).block;
                access->QueueDelete(key);
                live.erase(std::find(live.begin(), live.end(), target));
            }
            ASSERT_EQ(access->CommitEdits(u"Step"), S_OK);
            // The inserted note's id: the newest event.
            std::uint32_t newest = 0;
            ForEachStoredEvent(track, [&](std::uint32_t e, std::int64_t, const host::EventValue&) { newest = std::max(newest, e); });
            live.push_back(newest);
            break;
        }
        default:
            if (random() % 2) project->Undo();
            live.clear();
            ForEachStoredEvent(track, [&](std::uint32_t e, std::int64_t, const host::EventValue&) { live.push_back(e); });
            break;
        }
        if (random() % 3 == 0) Deliver();
        if (random() % 4 == 0) {
            Deliver();
            ASSERT_EQ(ListedEvents(), RebuiltEvents(0)) << "step " << step;
        }
    }
    Deliver();
    EXPECT_EQ(ListedEvents(), RebuiltEvents(0));
    EXPECT_EQ(rebuilds, 0) << "notifications kept the list; it was never rebuilt";
}

// ---- reading ----

class Reading : public harness::TrackFixture {};

TEST_F(Reading, RangeWalkMatchesAPlainScan) {
    const std::uint32_t track = AddTrack(u"T", 0);
    const std::uint32_t block = AddBlock(track, 0, 100000);
    std::mt19937 random(7);
    for (int i = 0; i < 400; ++i) {
        const std::uint32_t kind = random() % 4 ? mp::MEK_NOTE : mp::MEK_CONTROL;
        AddEvent(block, random() % 50000, kind, kind == mp::MEK_NOTE ? random() % 6000 : 0, random() % 128, 64);
    }
    Connect();
    ASSERT_EQ(access->GetEventCount(), 400);
    const auto& list = plugin->EventList();
    for (int q = 0; q < 60; ++q) {
        // Some ranges start where a listed note ends: that note reaches the range.
        const std::int64_t start = q == 0 ? -1 : q % 4 == 2 ? list[random() % list.size()].end
                                                         : static_cast<std::int64_t>(random() % 55000);
        const std::int64_t length = static_cast<std::int64_t>(random() % 5000);
        const bool startOnly = q % 2;
        const std::uint32_t kinds = q % 3 ? mp::MEK_NOTE : (mp::MEK_NOTE | mp::MEK_CONTROL);
        std::vector<std::uint32_t> expected;
        for (const mp::EventEntry& e : list) {
            if (!(e.kind & kinds)) continue;
            if (start != -1) {
                if (e.start > start + length) continue;
                const bool reaches = e.start >= start || (!startOnly && e.kind == mp::MEK_NOTE && e.end >= start);
                if (!reaches) continue;
            }
            expected.push_back(e.key.event);
        }
        std::vector<std::uint32_t> got;
        int cursor = -1;
        mp::EventKey key{};
        mp::MidiEventRecord record{};
        while (access->NextEventInRange(&cursor, start, length, kinds, startOnly, &key, &record) == S_OK)
            got.push_back(key.event);
        EXPECT_EQ(got, expected) << "query " << q;
        if (startOnly) continue;
        // The one-transaction walk gives the same events, and passes over the skipped ones unread.
        std::vector<std::uint32_t> walked, kept;
        access->ForEachEventInRange(
            start, length, kinds, [](const mp::EventKey& k) { return k.event % 3 == 0; },
            [&](const mp::TrackAccess::WalkedEvent& e) {
                walked.push_back(e.key.event);
                EXPECT_EQ(e.start, e.blockStart + e.record.time);
            });
        for (std::uint32_t id : expected)
            if (id % 3 != 0) kept.push_back(id);
        EXPECT_EQ(walked, kept) << "query " << q;
    }
}

TEST_F(Reading, OffsetsAreShownLimitedAndNeverDestroyStoredValues) {
    const std::uint32_t track = AddTrack(u"T", 0, 0, -5, 20);
    const std::uint32_t block = AddBlock(track, 0, 7680);
    const std::uint32_t low = AddNote(block, 0, 480, 2, 120);
    const std::uint32_t high = AddNote(block, 960, 480, 125, 60);
    const int up = 10;
    ASSERT_EQ(static_cast<mp::IMPProperties*>(project)->SetProperty(mp::PID_PITCH_OFFSET, 0, 0, 4, &up), S_OK);
    Connect();
    mp::MidiEventRecord record{};
    ASSERT_EQ(access->GetEvent(mp::EventKey{track, block, low}, &record), S_OK);
    EXPECT_EQ(record.data[0], 7) << "2 - 5 + 10";
    EXPECT_EQ(record.data[1], 127) << "120 + 20 limited";
    ASSERT_EQ(access->GetEvent(mp::EventKey{track, block, high}, &record), S_OK);
    EXPECT_EQ(record.data[0], 127) << "125 + 5 limited";
    EXPECT_EQ(record.data[1], 80);

    // A move in time writes back the pitch and velocity exactly as stored, though both were clamped.
    mp::MidiEventRecord moved{};
    access->GetEvent(mp::EventKey{track, block, low}, &moved);
    moved.time = 240;
    access->QueueModify(mp::EventKey{track, block, low}, moved, mp::CHANGE_ALL);
    ASSERT_EQ(access->CommitEdits(u"Move MIDI Event"), S_OK);
    EXPECT_EQ(Stored(low).time, 240);
    EXPECT_EQ(Stored(low).data[0], 2);
    EXPECT_EQ(Stored(low).data[1], 120);
    // A changed field loses the offsets on its way back.
    access->GetEvent(mp::EventKey{track, block, high}, &record);
    record.data[1] = 100;
    ASSERT_EQ(access->SetEvent(mp::EventKey{track, block, high}, record, mp::CHANGE_ALL), S_OK);
    EXPECT_EQ(Stored(high).data[1], 80);
    EXPECT_EQ(Stored(high).data[0], 125);
    // Negative sums show as 0.
    const int down = -40;
    static_cast<mp::IMPProperties*>(project)->SetProperty(mp::PID_PITCH_OFFSET, 0, 0, 4, &down);
    access->GetEvent(mp::EventKey{track, block, low}, &record);
    EXPECT_EQ(record.data[0], 0);
    // New notes lose the offsets: a note drawn in the row of 70 is stored as 70 - (-5 - 40).
    access->InsertNote(0, 100, 127 - 70, false);
    ASSERT_EQ(access->CommitEdits(u"Draw MIDI Event"), S_OK);
    Deliver();
    bool found = false;
    for (const mp::EventEntry& e : plugin->EventList())
        if (Stored(e.key.event).data[0] == 115) found = true;
    EXPECT_TRUE(found);
}

TEST_F(Reading, FindNoteAtPrefersSelectedAndTheNoteJustEnded) {
    const std::uint32_t track = AddTrack(u"T", 0);
    const std::uint32_t block = AddBlock(track, 0, 7680);
    const std::uint32_t a = AddNote(block, 0, 1000, 60);
    const std::uint32_t b = AddNote(block, 500, 1000, 60, 100, true);
    const std::uint32_t c = AddNote(block, 700, 1000, 60);
    const std::uint32_t d = AddNote(block, 700, 1000, 61, 100, true);
    Connect();
    mp::EventKey key{};
    const int row = 127 - 60;
    ASSERT_EQ(access->FindNoteAt(800, 20, row, &key), S_OK);
    EXPECT_EQ(key.event, b) << "the last selected one beats later unselected ones";
    access->SetEventSelected(mp::EventKey{track, block, b}, false);
    ASSERT_EQ(access->FindNoteAt(800, 20, row, &key), S_OK);
    EXPECT_EQ(key.event, c);
    // c starts inside [690, 710]: a note of the same pitch overlapping [690, 699] takes its place.
    ASSERT_EQ(access->FindNoteAt(700, 20, row, &key), S_OK);
    EXPECT_EQ(key.event, b);
    ASSERT_EQ(access->FindNoteAt(680, 20, row, &key), S_OK);
    EXPECT_EQ(key.event, b) << "c starts just at the far edge of the tolerance";
    ASSERT_EQ(access->FindNoteAt(680, 20, 127 - 61, &key), S_OK);
    EXPECT_EQ(key.event, d) << "alone at the far edge";
    EXPECT_EQ(access->FindNoteAt(5000, 20, row, &key), S_FALSE);
    EXPECT_EQ(access->FindNoteAt(100, 20, 127 - 59, &key), S_FALSE);
    (void)a;
}

TEST_F(Reading, BackwardWalkStopsAtTheFirstEvent) {
    const std::uint32_t block = AddBlock(AddTrack(u"T", 0), 0, 7680);
    AddEvent(block, 0, mp::MEK_CONTROL, 0, 7, 90);
    const std::uint32_t a = AddNote(block, 100, 50, 60);
    AddEvent(block, 150, mp::MEK_CONTROL, 0, 7, 90);
    const std::uint32_t b = AddNote(block, 200, 50, 62);
    Connect();
    int cursor = -1;
    mp::EventKey key{};
    mp::MidiEventRecord record{};
    std::vector<std::uint32_t> walked;
    while (access->PreviousEventAtOrBefore(&cursor, 200, mp::MEK_NOTE, &key, &record) == S_OK) walked.push_back(key.event);
    EXPECT_EQ(walked, (std::vector<std::uint32_t>{b, a}));
    EXPECT_EQ(cursor, 0);
    cursor = -1; // nothing before the time matches: the walk passes the first event and ends
    EXPECT_EQ(access->PreviousEventAtOrBefore(&cursor, 50, mp::MEK_NOTE, &key, nullptr), S_FALSE);
    EXPECT_EQ(access->PreviousEventAtOrBefore(nullptr, 50, mp::MEK_NOTE, &key, nullptr), E_POINTER);
}

// The chooser's item data is a track index, and index 0 is the first track.
TEST_F(Reading, WithoutAChosenTrackTheChooserNamesIt) {
    const std::uint32_t first = AddTrack(u"First");
    const std::uint32_t second = AddTrack(u"Second");
    Connect();
    InitCommonControls();
    HWND box = CreateWindowEx(0, WC_COMBOBOX, "", WS_POPUP | CBS_DROPDOWNLIST, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_NE(box, nullptr);
    for (LPARAM index : {1, 0}) {
        const LRESULT item = SendMessage(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Track"));
        SendMessage(box, CB_SETITEMDATA, static_cast<WPARAM>(item), index);
    }
    access->SetTrackBox(box);
    for (WPARAM item : {1, 0}) {
        SendMessage(box, CB_SETCURSEL, item, 0);
        EXPECT_EQ(access->TrackId(), item == 1 ? first : second) << item;
    }
    ASSERT_EQ(access->SelectTrack(first), S_OK);
    SendMessage(box, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(access->TrackId(), first) << "a chosen track wins over the chooser";
    access->SetTrackBox(nullptr);
    DestroyWindow(box);
}

TEST_F(Reading, FindAndStepHonourKindsAndChannels) {
    const std::uint32_t track = AddTrack(u"T");
    const std::uint32_t block = AddBlock(track, 0, 7680);
    const std::uint32_t a = AddEvent(block, 100, mp::MEK_NOTE, 200, 60, 90, 1);
    const std::uint32_t b = AddEvent(block, 150, mp::MEK_NOTE, 200, 61, 90, 2);
    const std::uint32_t c = AddEvent(block, 400, mp::MEK_CONTROL, 0, 7, 90, 2);
    Connect();
    mp::EventKey key{};
    ASSERT_EQ(access->FindEventAt(250, mp::MEK_NOTE, 0xFFFF, false, &key), S_OK);
    EXPECT_EQ(key.event, a);
    ASSERT_EQ(access->FindEventAt(250, mp::MEK_NOTE, 1u << 2, false, &key), S_OK);
    EXPECT_EQ(key.event, b);
    EXPECT_EQ(access->FindEventAt(360, mp::MEK_NOTE, 0xFFFF, false, &key), S_FALSE);
    ASSERT_EQ(access->FindEventAt(360, mp::MEK_CONTROL, 0xFFFF, true, &key), S_OK);
    EXPECT_EQ(key.event, c);
    key = mp::EventKey{track, block, a};
    ASSERT_EQ(access->StepEvent(&key, mp::MEK_NOTE | mp::MEK_CONTROL, 1u << 2, true), S_OK);
    EXPECT_EQ(key.event, b);
    ASSERT_EQ(access->StepEvent(&key, mp::MEK_CONTROL, 0xFFFF, true), S_OK);
    EXPECT_EQ(key.event, c);
    EXPECT_EQ(access->StepEvent(&key, mp::MEK_NOTE, 0xFFFF, true), S_FALSE);
    ASSERT_EQ(access->StepEvent(&key, mp::MEK_NOTE, 1u << 1, false), S_OK);
    EXPECT_EQ(key.event, a);
    EXPECT_FALSE(access->IsSelectedAt(100, mp::MEK_NOTE, 0xFFFF));
    access->SetEventSelected(mp::EventKey{track, block, a}, true);
    EXPECT_TRUE(access->IsSelectedAt(100, mp::MEK_NOTE, 0xFFFF));
    EXPECT_FALSE(access->IsSelectedAt(100, mp::MEK_NOTE, 1u << 2));
}

TEST_F(Reading, PitchRowsNamesAndTransport) {
    const std::uint32_t track = AddTrack(u"Strings", 0);
    AddBlock(track, 0, 7680);
    Connect();
    mp::PitchRow row{};
    ASSERT_EQ(access->GetPitchRow(127 - 61, &row), S_OK);
    EXPECT_EQ(std::tuple(row.note, row.octave, row.keyShape), std::tuple(61, 5, 2));
    EXPECT_STREQ(row.name, "C#5"); // black keys are named with sharps
    access->GetPitchRow(127 - 60, &row);
    EXPECT_EQ(row.keyShape, 1);
    access->GetPitchRow(127 - 62, &row);
    EXPECT_EQ(row.keyShape, 0);
    EXPECT_EQ(access->GetPitchRow(128, &row), S_FALSE);
    ASSERT_EQ(access->GetPitchRow(0, &row), S_OK);
    EXPECT_EQ(row.note, 127);
    char16_t name[4];
    ASSERT_EQ(access->GetTrackName(name, 4), S_OK);
    EXPECT_EQ(std::u16string(name), u"Str");

    ASSERT_EQ(access->SetLoopRegion(960, 1920), S_OK);
    std::int64_t start = 0, end = 0;
    ASSERT_TRUE(access->GetLoopRegion(&start, &end));
    EXPECT_EQ(std::tuple(start, end), std::tuple(960, 2880));
    access->SetLoopRegion(-1, 480);
    access->GetLoopRegion(&start, &end);
    EXPECT_EQ(std::tuple(start, end), std::tuple(960, 1440));
    EXPECT_EQ(access->SetLooping(false), S_FALSE) << "unchanged flag is not written";
    EXPECT_EQ(access->SetLooping(true), S_OK);
    EXPECT_TRUE(access->IsLooping());
    EXPECT_EQ(access->GetTimeSignature(), 4u * 65536 + 4);
    project->WithStore([](host::Store& s) { s.SetTimeSignature(3, 5); }); // 3/32, the shortest beat there is
    EXPECT_EQ(access->GetTimeSignature(), 3u * 65536 + 32);
}

TEST_F(Reading, MonitoringPlaysOnlyWhenOnOrForced) {
    const std::uint32_t track = AddTrack(u"T", 3);
    const std::uint32_t block = AddBlock(track, 0, 7680);
    const std::uint32_t note = AddNote(block, 0, 100, 64, 90);
    project->WithStore([](host::Store& s) { s.SetPorts(mp::PORT_KIND_OUTPUT, {host::PortInfo{7, {}, u"Out"}}); });
    Connect();
    plugin->RefreshPorts(mp::PORT_KIND_OUTPUT);
    EXPECT_EQ(access->PlayNote(60, 100, 90, true), S_FALSE);
    EXPECT_TRUE(sent.empty());
    EXPECT_EQ(access->PlayNote(60, 100, 90, true, true), S_OK);
    access->SetMonitoring(true);
    EXPECT_EQ(access->PlayEvent(mp::EventKey{track, block, note}, false), S_OK);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].kind, mp::MEK_NOTE);
    EXPECT_EQ(sent[0].channel, 3);
    EXPECT_EQ(sent[1].kind, mp::MEK_NOTE_OFF);
    EXPECT_EQ(sent[1].data[0], 64);
    EXPECT_EQ(sent[1].data[1], 1);
    // On a track without a channel the event keeps its own.
    const std::uint32_t free = AddTrack(u"Free");
    const std::uint32_t freeNote = AddEvent(AddBlock(free, 0, 7680), 0, mp::MEK_NOTE, 100, 64, 90, 5);
    Deliver();
    ASSERT_EQ(access->SelectTrack(free), S_OK);
    ASSERT_EQ(access->PlayEvent(mp::EventKey{free, Stored(freeNote).block, freeNote}, true), S_OK);
    EXPECT_EQ(sent.back().channel, 5);
}

} // namespace
