// Notifications delivered from the host's delivery thread while several threads edit.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

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

// The thread that opened a transaction hears its records at the end; another thread's records (a
// transport change, an insert of the same shape into the same block) go out at once, numbered before
// the held ones, whether delivered on the calling thread or by the host's.
TEST_F(Delivery, OnlyTheTransactionsOwnThreadWaitsForItsEnd) {
    auto sequence = [](const mp::NotificationRecord& r) {
        std::uint32_t s;
        std::memcpy(&s, reinterpret_cast<const std::uint8_t*>(&r) + mp::NOTIFY_SEQUENCE_OFFSET, 4);
        return s;
    };
    mp::EventKey block{0, 0, 0};
    ASSERT_EQ(project->FindFirst(&block, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    ASSERT_EQ(project->FindNext(&block, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    ASSERT_EQ(project->FindFirst(&block, mp::LEVEL_BLOCK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    for (bool threaded : {false, true}) {
        SCOPED_TRACE(threaded ? "threaded" : "on the calling thread");
        project->SetThreadedDelivery(threaded);
        sink.Take();
        auto insert = [&](std::int64_t time) {
            mp::MidiEventRecord r = EventRecord(mp::MEK_CONTROL, time, 7, 1, 0, 0);
            mp::EventKey key = block;
            EXPECT_EQ(project->Insert(&key, mp::LEVEL_EVENT, &r), win::S_OK);
            return key.event;
        };
        ASSERT_EQ(project->BeginTransaction(mp::TRANSACTION_EDIT, u"Insert"), win::S_OK);
        const std::uint32_t first = insert(10), second = insert(20);
        std::uint32_t other = 0;
        std::thread([&] {
            std::uint32_t flags = threaded ? 0 : mp::TRANSPORT_LOOPING; // a change each time
            EXPECT_EQ(project->SetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 4, &flags), win::S_OK);
            other = insert(30);
        }).join();
        project->FlushNotifications();
        std::vector<mp::NotificationRecord> early = sink.Take();
        ASSERT_EQ(early.size(), 2u);
        EXPECT_EQ(early[1].newKey.event, other);
        const std::uint32_t third = insert(40);
        ASSERT_EQ(project->EndTransaction(1), win::S_OK);
        project->FlushNotifications();
        std::vector<mp::NotificationRecord> late = sink.Take();
        ASSERT_EQ(late.size(), 3u);
        EXPECT_EQ(late[0].newKey.event, first);
        EXPECT_EQ(late[1].newKey.event, second);
        EXPECT_EQ(late[2].newKey.event, third);
        for (const auto& r : late) EXPECT_EQ(r.changeFlags, mp::NCF_INSERTED);
        EXPECT_EQ(sequence(early[1]), sequence(early[0]) + 1);
        EXPECT_EQ(sequence(late[0]), sequence(early[1]) + 1);
        EXPECT_EQ(sequence(late[2]), sequence(late[0]) + 2);
    }
    project->SetThreadedDelivery(false);
}

// A sink that takes runs hears each batch between BeginNotifications (with its size) and
// EndNotifications; one that declines hears the same records without an end; a plain sink is unchanged.
TEST_F(Delivery, RunSinksHearEachBatchBetweenItsBrackets) {
    class RunSink : public mp::IMPNotificationRunSink {
    public:
        explicit RunSink(bool decline) : decline_(decline) {}
        win::HRESULT QueryInterface(const win::IID& riid, void** ppv) override {
            *ppv = riid == win::IID_IUnknown || riid == mp::IID_IMPNotificationSink || riid == mp::IID_IMPNotificationRunSink
                       ? this
                       : nullptr;
            return *ppv ? win::S_OK : win::E_NOINTERFACE;
        }
        win::ULONG AddRef() override { return 2; }
        win::ULONG Release() override { return 1; }
        win::HRESULT OnNotify(const mp::NotificationRecord* r) override {
            log.push_back("record " + std::to_string(r->newKey.event));
            return win::S_OK;
        }
        win::HRESULT BeginNotifications(win::DWORD count) override {
            if (decline_) return win::S_FALSE;
            log.push_back("begin " + std::to_string(count));
            return win::S_OK;
        }
        win::HRESULT EndNotifications() override {
            log.push_back("end");
            return win::S_OK;
        }
        std::vector<std::string> log;

    private:
        bool decline_;
    } taking(false), declining(true);
    win::IConnectionPointContainer* container = nullptr;
    win::IConnectionPoint* point = nullptr;
    project->QueryInterface(win::IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    container->FindConnectionPoint(mp::IID_IMPNotificationSink, &point);
    win::DWORD cookies[2] = {};
    ASSERT_EQ(point->Advise(&taking, &cookies[0]), win::S_OK);
    ASSERT_EQ(point->Advise(&declining, &cookies[1]), win::S_OK);
    mp::EventKey block{0, 0, 0};
    ASSERT_EQ(project->FindFirst(&block, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    ASSERT_EQ(project->FindNext(&block, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    ASSERT_EQ(project->FindFirst(&block, mp::LEVEL_BLOCK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    sink.Take();
    std::vector<std::string> records;
    ASSERT_EQ(project->BeginTransaction(mp::TRANSACTION_EDIT, u"Insert"), win::S_OK);
    for (std::int64_t time : {10, 20}) {
        mp::MidiEventRecord r = EventRecord(mp::MEK_CONTROL, time, 7, 1, 0, 0);
        mp::EventKey key = block;
        ASSERT_EQ(project->Insert(&key, mp::LEVEL_EVENT, &r), win::S_OK);
        records.push_back("record " + std::to_string(key.event));
    }
    ASSERT_EQ(project->EndTransaction(1), win::S_OK);
    point->Unadvise(cookies[0]);
    point->Unadvise(cookies[1]);
    point->Release();
    container->Release();
    EXPECT_EQ(declining.log, records);
    records.insert(records.begin(), "begin 2");
    records.push_back("end");
    EXPECT_EQ(taking.log, records);
    EXPECT_EQ(sink.Take().size(), 2u);
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
