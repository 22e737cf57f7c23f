// Notifications delivered from the host's delivery thread while several threads edit.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "host_test_util.h"
#include "smf/smf.h"

namespace host::test {
namespace {

class Delivery : public ::testing::Test {
protected:
    void SetUp() override {
        // 480 ticks a quarter; 120 BPM, then 60 BPM from tick 1920; 4/4, then 3/4 from bar 2.
        const auto bytes = SmfBuilder(1, 480)
                               .Track({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x58, 0x04, 0x04, 0x02,
                                       0x18, 0x08, 0x8F, 0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x00, 0xFF, 0x58,
                                       0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00})
                               .Track({0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00})
                               .Bytes();
        ASSERT_TRUE(project->WithStore([&](Store& s) { return smf::Read(bytes.data(), bytes.size(), s).ok; }));
        advised = std::make_unique<Advised>(project, &sink);
    }
    void TearDown() override {
        advised.reset();
        project->Release();
    }
    HostProject* project = HostProject::Create();
    RecordingSink sink;
    std::unique_ptr<Advised> advised;
};

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
                mp::MidiEventRecord r{};
                r.kind = mp::MEK_CONTROL;
                r.channel = t;
                r.timeFormat = mp::TIME_FORMAT_TICKS;
                r.time = i;
                r.data[0] = 7;
                r.data[1] = static_cast<std::uint8_t>(i % 128);
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

} // namespace
} // namespace host::test
