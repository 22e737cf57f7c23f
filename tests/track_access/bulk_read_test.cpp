// The plug-in object reading the host's blocks in bulk: the list, the selection answer and long walks
// come out exactly as reading event by event gives them, also while the list has not caught up; a
// marquee written as one list selects what writing event by event selects.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>
#include <tuple>

#include "track_fixture.h"

namespace {

class BulkRead : public harness::TrackFixture {
protected:
    // Two tracks of three blocks; `count` notes, controllers, bends and texts on random channels at
    // random ticks (many sharing one), a few selected.
    void BuildSong(int count) {
        std::mt19937 random(33);
        for (int t = 0; t < 2; ++t) {
            const std::uint32_t trackId = AddTrack(t ? u"B" : u"A", t ? -1 : 4);
            for (int b = 0; b < 3; ++b) blocks.push_back(AddBlock(trackId, b * 96000, (b + 1) * 96000));
        }
        project->WithStore([&](host::Store& store) {
            static constexpr std::uint32_t kKinds[] = {mp::MEK_NOTE, mp::MEK_NOTE, mp::MEK_CONTROL, mp::MEK_PITCH_BEND};
            for (int i = 0; i < count; ++i) {
                host::EventValue v;
                v.block = blocks[random() % blocks.size()];
                v.time = (random() % 400) * 240;
                v.channel = static_cast<std::int32_t>(random() % 17) - 1;
                v.kind = i % 97 ? kKinds[random() % 4] : mp::MEK_META;
                if (v.kind == mp::MEK_META) v.bytes = {0x01, 'x'};
                v.length = v.kind == mp::MEK_NOTE ? static_cast<std::uint32_t>(random() % 2000) : 0;
                v.data[0] = static_cast<std::uint8_t>(random() % 128);
                v.data[1] = static_cast<std::uint8_t>(random() % 128);
                v.flags = i % 501 == 7 ? mp::MEF_SELECTED : 0;
                v.hostWord = 1; // handed over by single reads only
                std::uint32_t id = 0;
                store.InsertEvent(v, &id);
            }
        });
    }
    std::vector<std::array<std::int64_t, 8>> List() {
        std::vector<std::array<std::int64_t, 8>> list;
        for (const mp::EventEntry& e : plugin->EventList())
            list.push_back({e.key.block, e.key.event, e.start, e.end, e.order, e.channel, e.kind,
                            e.kind == mp::MEK_NOTE ? e.pitch : 0}); // other kinds keep no pitch
        return list;
    }
    // What a walk of all listed notes hands its visitor: the record fields a note has.
    std::vector<std::array<std::int64_t, 7>> Walk(bool fieldsOnly) {
        std::vector<std::array<std::int64_t, 7>> seen;
        access->ForEachEventInRange(-1, 0, mp::MEK_NOTE, nullptr, [&](const mp::TrackAccess::WalkedEvent& e) {
            seen.push_back({e.key.event, e.start, e.record.time, e.record.length, e.record.flags, e.record.data[0],
                            e.record.data[1]});
        }, fieldsOnly);
        return seen;
    }
    std::vector<std::uint32_t> blocks;
};

TEST_F(BulkRead, ListAndSelectionMatchTheWalk) {
    BuildSong(6000);
    Connect(mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_META);
    for (int track : {0, 1, -1})
        for (int block : {-1, 1}) {
            std::vector<std::array<std::int64_t, 8>> lists[2];
            bool selected[2] = {};
            for (bool bulk : {false, true}) {
                plugin->SetBulkReads(bulk);
                plugin->ReloadTracks(true);
                ASSERT_EQ(plugin->SelectTrack(track, block), win::S_OK);
                lists[bulk] = List();
                selected[bulk] = plugin->HasSelection();
            }
            EXPECT_EQ(lists[1], lists[0]) << track << " " << block;
            EXPECT_EQ(selected[1], selected[0]) << track << " " << block;
        }
    EXPECT_TRUE(plugin->HasSelection());
    // After a change the answer is read again: the selection cleared, then a listed event selected.
    ASSERT_EQ(project->SelectEvents(mp::LEVEL_EVENT, nullptr, mp::MEK_ALL, 0, 0, 0, 0, 0, mp::SELECT_CLEAR), win::S_OK);
    Deliver();
    EXPECT_FALSE(plugin->HasSelection());
    const auto listed = static_cast<std::uint32_t>(List()[List().size() / 2][1]);
    ChangeEvent(listed, [](host::EventValue& v) { v.flags = mp::MEF_SELECTED; });
    Deliver();
    EXPECT_TRUE(plugin->HasSelection());
    ChangeEvent(listed, [](host::EventValue& v) { v.flags = 0; });
    // A selected event the kind filter leaves out of the list does not count.
    project->WithStore([&](host::Store& store) {
        for (std::uint32_t id : store.EventsOf(blocks[0]))
            if (store.EventKind(id) == mp::MEK_PITCH_BEND) store.SetEventFlags(id, mp::MEF_SELECTED);
    });
    Deliver();
    EXPECT_FALSE(plugin->HasSelection());
    for (bool bulk : {false, true}) { // and a load that reads it says the same
        plugin->SetBulkReads(bulk);
        plugin->ReloadTracks(true);
        ASSERT_EQ(plugin->SelectTrack(-1, -1), win::S_OK);
        EXPECT_FALSE(plugin->HasSelection()) << bulk;
    }
    // The blocks asked are those of the list shown now: a selected note of a block shown later counts
    // once it shows.
    auto firstNote = [&](std::uint32_t block) {
        std::uint32_t found = 0;
        project->WithStore([&](host::Store& store) {
            for (std::uint32_t id : store.EventsOf(block))
                if (!found && store.EventKind(id) == mp::MEK_NOTE) found = id;
        });
        return found;
    };
    ASSERT_EQ(plugin->SelectTrack(0, 0), win::S_OK);
    ChangeEvent(firstNote(blocks[1]), [](host::EventValue& v) { v.flags = mp::MEF_SELECTED; });
    Deliver();
    EXPECT_FALSE(plugin->HasSelection());
    ASSERT_EQ(plugin->SelectTrack(0, 1), win::S_OK);
    ChangeEvent(firstNote(blocks[4]), [](host::EventValue& v) { v.flags = mp::MEF_SELECTED; }); // asked again
    Deliver();
    EXPECT_TRUE(plugin->HasSelection());
}

// The editor's whole-track selections reach the entries they hold for without a pass over the list:
// whatever their order, kinds and tracks, each entry then tells its event's selection.
TEST_F(BulkRead, EveryEntryTellsItsEventsSelectionAfterTheEditorsSelections) {
    BuildSong(3000);
    Connect(mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_META);
    std::uint32_t tracks[2] = {};
    project->WithStore([&](host::Store& store) {
        tracks[0] = store.Block(blocks[0])->track;
        tracks[1] = store.Block(blocks[3])->track;
    });
    // As the editor selects a whole shown track.
    auto wholeTrack = [&](std::uint32_t track, std::uint32_t kinds, bool on) {
        ASSERT_EQ(plugin->BeginEdit(nullptr), win::S_OK);
        const mp::EventKey scope{track, 0, 0};
        ASSERT_EQ(project->SelectEvents(mp::LEVEL_EVENT, &scope, kinds, 0, 0, 0, 0, 0, on ? mp::SELECT_SET : mp::SELECT_CLEAR),
                  win::S_OK);
        plugin->NoteOwnTrackSelection(track, kinds, on);
        plugin->EndTransaction(false);
    };
    auto check = [&](int step) {
        Deliver();
        // The selected ones lie where a search for them looks.
        const auto [first, end] = plugin->SelectedStretch();
        const mp::EntryList& list = plugin->EventList();
        project->WithStore([&](host::Store& store) {
            for (std::size_t i = 0; i < list.size(); ++i) {
                const bool selected = (store.Event(list[i].key.event).flags & mp::MEF_SELECTED) != 0;
                ASSERT_EQ(plugin->EntrySelected(list[i]), selected) << step << " " << list[i].key.event;
                ASSERT_TRUE(!selected || (i >= first && i < end)) << step << " " << list[i].key.event;
            }
        });
    };
    const std::uint32_t notes = mp::MEK_NOTE, all = plugin->KindFilter();
    ASSERT_EQ(plugin->SelectTrack(0, -1), win::S_OK);
    access->SelectAll(true);
    check(1);
    access->SelectAll(false); // every kind: holds for the notes selected before it
    check(2);
    access->SelectRange(0, 2 * 96000, 0, 127, true);
    check(3);
    access->SelectAll(true); // notes alone: the controllers take the clear before it
    check(4);
    access->SelectNotesInRange(-1, -1, -1, -1, false);
    check(5);
    wholeTrack(tracks[0], all, true);
    check(6);
    wholeTrack(tracks[0], notes, false); // the controllers stay selected
    check(7);
    // Both tracks listed: a selection of one track leaves the other's entries as they were.
    ASSERT_EQ(plugin->SelectTrack(-1, -1), win::S_OK);
    wholeTrack(tracks[0], all, true);
    check(8);
    wholeTrack(tracks[1], notes, true);
    check(9);
    wholeTrack(tracks[0], notes, false);
    check(10);
    wholeTrack(tracks[1], all, false);
    check(11);
    // Two writes of one track wait at once: a clear of every kind, then notes alone over it. A write
    // covering the notes' kinds keeps the clear for the others; one covering neither settles both.
    wholeTrack(tracks[0], all, false);
    wholeTrack(tracks[0], notes, true);
    check(12);
    wholeTrack(tracks[0], notes | mp::MEK_CONTROL, true);
    check(13);
    wholeTrack(tracks[0], mp::MEK_CONTROL, false);
    check(14);
    wholeTrack(tracks[0], all, true);
    check(15);
}

// A delete takes the listed events the host holds selected, also when another client selected them:
// the whole track in one call, whose block reports name no event, or one event whose report waits.
TEST_F(BulkRead, DeleteTakesWhatTheHostHoldsSelectedWhoeverSelectedIt) {
    BuildSong(3000);
    Connect(mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_META);
    ASSERT_EQ(plugin->SelectTrack(0, -1), win::S_OK);
    std::uint32_t track = 0, note = 0;
    project->WithStore([&](host::Store& store) { track = store.Block(blocks[0])->track; });
    const auto deleteAndCheck = [&](const char* step) {
        std::vector<std::uint32_t> listed;
        for (const mp::EventEntry& e : plugin->EventList()) listed.push_back(e.key.event);
        std::vector<bool> wasSelected;
        project->WithStore([&](host::Store& store) {
            for (std::uint32_t id : listed) wasSelected.push_back(store.Event(id).flags & mp::MEF_SELECTED);
        });
        ASSERT_EQ(access->DeleteSelected(), win::S_OK) << step;
        Deliver();
        project->WithStore([&](host::Store& store) {
            for (std::size_t i = 0; i < listed.size(); ++i)
                ASSERT_EQ(store.EventAlive(listed[i]), !wasSelected[i]) << step << " " << listed[i];
        });
    };
    access->SelectRange(0, 96000, 0, 127, true);
    Deliver();
    EXPECT_TRUE(plugin->EntryFlagsCurrent()); // the editor's own selection: the entries know it
    deleteAndCheck("own");
    const mp::EventKey scope{track, 0, 0};
    ASSERT_EQ(project->SelectEvents(mp::LEVEL_EVENT, &scope, mp::MEK_CONTROL, 0, 0, 0, 0, 0, mp::SELECT_SET), win::S_OK);
    Deliver();
    deleteAndCheck("whole track by another");
    for (const mp::EventEntry& e : plugin->EventList())
        if (e.kind == mp::MEK_NOTE) note = e.key.event;
    ASSERT_NE(note, 0u);
    ChangeEvent(note, [](host::EventValue& v) { v.flags = mp::MEF_SELECTED; });
    project->FlushNotifications(); // its report waits in the list's queue
    deleteAndCheck("one event by another");
}

TEST_F(BulkRead, LongWalksReadPagesAndFallBackToSingleReads) {
    BuildSong(24000);
    Connect();
    const auto single = Walk(false);
    ASSERT_GT(single.size(), 4096u);
    EXPECT_EQ(Walk(true), single);
    int singleReads = 0;
    access->ForEachEventInRange(-1, 0, mp::MEK_NOTE, nullptr, [&](const mp::TrackAccess::WalkedEvent& e) {
        singleReads += e.record.hostWord != 0;
    }, true);
    EXPECT_EQ(singleReads, 0) << "the walk reads the blocks in pages";
    // The host moved a note and changed another's velocity, and the list has not heard yet: the walk
    // still hands the host's records, as single reads do.
    project->SetThreadedDelivery(true);
    ChangeEvent(static_cast<std::uint32_t>(single[100][0]), [](host::EventValue& v) { v.time += 7; });
    ChangeEvent(static_cast<std::uint32_t>(single[5000][0]), [](host::EventValue& v) { v.data[1] = 1; });
    EXPECT_EQ(Walk(true), Walk(false));
    project->FlushNotifications();
    project->SetThreadedDelivery(false);
    plugin->ProcessNotifications(false);
    plugin->SetBulkReads(false); // as with a host without the bulk read
    EXPECT_EQ(Walk(true), Walk(false));
}

// A host that refuses reads of listed events still has the selection deleted and the list kept up.
TEST_F(BulkRead, AHostRefusingListReadsGetsTheSameDeletesAndList) {
    BuildSong(3000);
    Refusing().listReads = true;
    Connect(mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_META, &Refusing());
    ASSERT_EQ(plugin->SelectTrack(0, -1), win::S_OK);
    // Another writer selects a block's events: the entries cannot tell the selection.
    const mp::EventKey scope{0, blocks[1], 0};
    ASSERT_EQ(project->SelectEvents(mp::LEVEL_EVENT, &scope, mp::MEK_ALL, 0, 0, 0, 0, 0, mp::SELECT_SET), win::S_OK);
    Deliver();
    std::vector<std::uint32_t> kept;
    for (std::uint32_t id : CachedEvents())
        if (!(Stored(id).flags & mp::MEF_SELECTED)) kept.push_back(id);
    ASSERT_LT(kept.size(), CachedEvents().size() - 20);
    ASSERT_EQ(access->DeleteSelected(), win::S_OK);
    Deliver();
    EXPECT_EQ(CachedEvents(), kept);
    // A run of moved events (each to a tick of its own), read again for the list.
    project->WithStore([&](host::Store& store) {
        for (std::size_t i = 0; i < kept.size(); i += 3) {
            host::EventValue v = store.Event(kept[i]);
            v.time = static_cast<std::int64_t>(i) + 1;
            store.SetEvent(kept[i], v);
        }
    });
    Deliver();
    EXPECT_EQ(CachedEvents(), RebuiltEvents(0));
}

TEST_F(BulkRead, MarqueeListSelectsWhatSingleWritesSelect) {
    BuildSong(6000);
    ChangeTrack(project->WithStore([&](host::Store& st) { return st.Block(blocks[0])->track; }),
                [](host::TrackValue& v) { v.pitchOffset = 9; }); // notes show 9 higher (127 at most)
    Connect(mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_META);
    // Reads every event's flags, or writes them back from `to`.
    auto flags = [&](const std::vector<std::uint32_t>* to = nullptr) {
        return project->WithStore([&](host::Store& st) {
            std::vector<std::uint32_t> all;
            for (std::uint32_t b : blocks)
                for (std::uint32_t id : st.EventsOf(b)) {
                    if (to) st.SetEventFlags(id, (*to)[all.size()]);
                    all.push_back(st.Event(id).flags);
                }
            return all;
        });
    };
    const std::vector<std::uint32_t> start = flags();
    std::vector<std::uint32_t> after[2];
    for (bool bulk : {false, true}) {
        plugin->SetBulkReads(bulk);
        flags(&start);
        Deliver();
        for (int track : {0, -1}) {
            ASSERT_EQ(plugin->SelectTrack(track, -1), win::S_OK);
            for (const auto& [from, length, low, high, on] : std::vector<std::tuple<int, int, int, int, bool>>{
                     {0, 50000, 40, 80, true}, {30000, -1, -1, -1, true}, {-1, 60000, 70, 127, false},
                     {10000, 20000, 0, 127, false}, {-1, -1, 120, 127, true}}) {
                ASSERT_EQ(access->SelectRange(from, length, low, high, on), win::S_OK);
                EXPECT_EQ(plugin->PendingNotificationCount(), 0u) << "the editor's own writes are not queued";
                Deliver();
            }
        }
        after[bulk] = flags();
    }
    EXPECT_NE(after[1], start);
    EXPECT_EQ(after[1], after[0]);
    // Texts have no data bytes: a range over some pitches leaves them, one over every note takes them.
    const std::vector<std::uint32_t> none(start.size(), 0);
    flags(&none);
    Deliver();
    auto selectedTexts = [&] {
        return project->WithStore([&](host::Store& st) {
            int n = 0;
            for (std::uint32_t b : blocks)
                for (std::uint32_t id : st.EventsOf(b))
                    n += st.EventKind(id) == mp::MEK_META && (st.Event(id).flags & mp::MEF_SELECTED) != 0;
            return n;
        });
    };
    ASSERT_EQ(access->SelectRange(-1, -1, 0, 126, true), win::S_OK);
    EXPECT_EQ(selectedTexts(), 0);
    ASSERT_EQ(access->SelectRange(-1, -1, -1, -1, true), win::S_OK);
    const auto listed = std::count_if(plugin->EventList().begin(), plugin->EventList().end(),
                                      [](const mp::EventEntry& e) { return e.kind == mp::MEK_META; });
    EXPECT_EQ(selectedTexts(), listed);
    EXPECT_GT(listed, 20);
}

} // namespace
