// Notifications delivered from a host thread while the window thread reads and edits: the cache
// ends as a rebuild from the host would make it.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "track_fixture.h"

namespace {

using namespace win;

class ThreadedUpkeep : public harness::TrackFixture {};

TEST_F(ThreadedUpkeep, HostThreadChangesReachTheCacheInTheDeferredPhase) {
    const std::uint32_t track = AddTrack(u"Piano", 0);
    const std::uint32_t block = AddBlock(track, 0, 100000);
    for (int i = 0; i < 50; ++i) AddNote(block, i * 100, 50, 60 + i % 12);
    Connect();
    ASSERT_EQ(access->GetEventCount(), 50);
    project->SetThreadedDelivery(true);

    std::atomic<bool> stop{false};
    std::thread host([&] {
        // The host's own edits, made on its thread: inserts, moves and deletes.
        for (int i = 0; i < 300; ++i) {
            const std::uint32_t id = AddNote(block, (i * 37) % 9000, 40, 40 + i % 30);
            if (i % 3 == 0) ChangeEvent(id, [](host::EventValue& v) { v.time += 500; });
            if (i % 5 == 0) project->WithStore([&](host::Store& s) { s.DeleteEvent(id); });
        }
        stop = true;
    });
    // Meanwhile the window thread edits and handles what has arrived.
    int rounds = 0;
    while (!stop || rounds < 5) {
        access->InsertNote(20000 + rounds * 10, 5, 127 - 70, false);
        ASSERT_EQ(access->CommitEdits(u"Draw MIDI Event"), S_OK);
        plugin->ProcessNotifications(false);
        int cursor = -1;
        mp::EventKey key{};
        mp::MidiEventRecord record{};
        while (access->NextEventInRange(&cursor, 0, 30000, &key, &record) == S_OK) {}
        ++rounds;
    }
    host.join();
    Deliver();
    EXPECT_EQ(ListedEvents(), RebuiltEvents(0));
    EXPECT_EQ(plugin->TransactionDepth(), 0u);
}

} // namespace
