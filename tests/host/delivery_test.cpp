// Notifications delivered from the host's delivery thread while several threads edit.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <thread>

#include "host_test_util.h"

namespace host::test {
namespace {

using Delivery = SongProject;

// Edits from several threads, delivered by the host thread: every record arrives, in the order the
// changes were made (the sequence number in bytes 16-19), and none on the editing threads.
TEST_F(Delivery, ThreadedDeliveryKeepsArrivalOrder) {
    project->SetThreadedDelivery(true);
    mp::EventKey track{0, 0, 0};
    ASSERT_EQ(project->FindFirst(&track, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    ASSERT_EQ(project->FindNext(&track, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    mp::EventKey block = track;
    ASSERT_EQ(project->FindFirst(&block, mp::LEVEL_BLOCK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    constexpr int kThreads = 3, kEdits = 200;
    std::vector<std::thread> threads;
    std::vector<std::thread::id> editors;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEdits; ++i) {
                mp::MidiEventRecord r = EventRecord(mp::MEK_CONTROL, i, 7, static_cast<std::uint8_t>(i % 128), 0, t);
                mp::EventKey key = block;
                project->BeginTransaction(1, u"Insert");
                EXPECT_EQ(project->Insert(&key, mp::LEVEL_EVENT, &r), win::S_OK);
                project->EndTransaction(1);
            }
        });
    for (auto& th : threads) editors.push_back(th.get_id());
    for (auto& th : threads) th.join();
    project->FlushNotifications();
    project->SetThreadedDelivery(false);
    std::lock_guard lock(sink.mutex);
    std::size_t inserted = 0;
    std::uint32_t last = 0;
    for (std::size_t i = 0; i < sink.records.size(); ++i) {
        const auto& r = sink.records[i];
        std::uint32_t seq;
        std::memcpy(&seq, reinterpret_cast<const std::uint8_t*>(&r) + mp::NOTIFY_SEQUENCE_OFFSET, 4);
        EXPECT_GT(seq, last);
        last = seq;
        if (r.id == mp::NID_DATA_CHANGED && (r.changeFlags & mp::NCF_INSERTED)) ++inserted;
        EXPECT_EQ(std::count(editors.begin(), editors.end(), sink.threads[i]), 0);
    }
    EXPECT_EQ(inserted, static_cast<std::size_t>(kThreads * kEdits));
}

// Flushing waits for the record the delivery thread is handing to a sink, not only for an empty queue.
TEST_F(Delivery, FlushReturnsOnlyWhenTheSinksHaveTheirRecords) {
    struct SlowSink : RecordingSink {
        std::atomic<int> started{0}, finished{0};
        void OnRecord(const mp::NotificationRecord&) override {
            ++started;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            ++finished;
        }
    } slow;
    Advised advised(project, &slow);
    project->SetThreadedDelivery(true);
    std::uint32_t flags = mp::TRANSPORT_LOOPING;
    ASSERT_EQ(project->SetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 4, &flags), win::S_OK);
    project->FlushNotifications();
    const int started = slow.started.load(), finished = slow.finished.load();
    project->SetThreadedDelivery(false);
    EXPECT_GT(finished, 0);
    EXPECT_EQ(finished, started);
}

} // namespace
} // namespace host::test
