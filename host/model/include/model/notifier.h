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
#include "mp/notification_queue.h"
#include "win/com_helpers.h"

namespace host {

// What one host call (or one whole transaction) changed: its records, numbered from firstSequence
// on, and the transport time to report after them, if any.
struct NotificationBatch {
    mp::NotificationQueue records;
    std::uint32_t firstSequence = 0;
    bool hasTime = false;
    std::int64_t time = 0;
};

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
    void Enqueue(NotificationBatch&& batch);
    // Synchronous mode: deliver now on this thread, every record to each sink in order, one by one.
    void DeliverNow(const NotificationBatch& batch);
    // Waits until every queued record has been delivered.
    void Flush();

private:
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
    std::deque<NotificationBatch> queue_;
    bool busy_ = false;
    bool stop_ = false;
    std::thread worker_;
};

} // namespace host
