// Connection points for the notification and time sinks, and delivery to the advised sinks, either
// on the calling thread or in arrival order from a host delivery thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "mp/host_contract.h"
#include "win/com_helpers.h"

namespace host {

class Notifier {
public:
    explicit Notifier(win::IConnectionPointContainer* owner);
    ~Notifier();

    // The container's connection points (null when they could not be made). The notifier holds one
    // reference on each; whoever FindConnectionPoint gives one to holds another.
    win::ConnectionPoint* DataPoint() const { return data_.get(); }
    win::ConnectionPoint* TimePoint() const { return time_.get(); }

    // Threaded delivery starts a delivery thread; switching back drains it first.
    void SetThreaded(bool threaded);
    bool Threaded() const { return threaded_; }
    // Threaded mode: queue in arrival order (call while holding the lock that ordered the changes).
    void Enqueue(std::vector<mp::NotificationRecord> records, bool hasTime, std::int64_t time);
    // Synchronous mode: deliver now on this thread.
    void DeliverNow(const std::vector<mp::NotificationRecord>& records, bool hasTime, std::int64_t time);
    // Waits until every queued record has been delivered.
    void Flush();

private:
    struct Item {
        bool isTime;
        std::int64_t time;
        mp::NotificationRecord record;
    };
    void DeliverRecord(const mp::NotificationRecord& r);
    void DeliverTime(std::int64_t time);
    void Run();

    // The container is going away: a point someone still holds stops naming it and drops its sinks.
    struct PointRelease {
        void operator()(win::ConnectionPoint* point) const noexcept {
            point->Detach();
            point->UnadviseAll();
            point->Release();
        }
    };
    std::unique_ptr<win::ConnectionPoint, PointRelease> data_;
    std::unique_ptr<win::ConnectionPoint, PointRelease> time_;
    bool threaded_ = false;
    std::mutex queueMutex_;
    std::condition_variable wake_;
    std::condition_variable idle_;
    std::deque<Item> queue_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread worker_;
};

} // namespace host
