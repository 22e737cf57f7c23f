// The container's connection points and the delivery of notifications and transport times to advised sinks.
#include "model/notifier.h"

namespace host {

Notifier::Notifier(win::IConnectionPointContainer* owner)
    : data_(win::ConnectionPoint::Create(owner, mp::IID_IMPNotificationSink)),
      time_(win::ConnectionPoint::Create(owner, mp::IID_IMPTimeSink)) {}

Notifier::~Notifier() { SetThreaded(false); }

void Notifier::SetThreaded(bool threaded) {
    if (threaded == threaded_) return;
    if (threaded) {
        stop_ = false;
        threaded_ = true;
        worker_ = std::thread([this] { Run(); });
        return;
    }
    Flush();
    {
        std::lock_guard lock(queueMutex_);
        stop_ = true;
    }
    wake_.notify_all();
    worker_.join();
    threaded_ = false;
}

void Notifier::Enqueue(std::vector<mp::NotificationRecord> records, bool hasTime, std::int64_t time) {
    if (records.empty() && !hasTime) return;
    {
        std::lock_guard lock(queueMutex_);
        for (const auto& r : records) queue_.push_back(Item{false, 0, r});
        if (hasTime) queue_.push_back(Item{true, time, {}});
    }
    wake_.notify_one();
}

void Notifier::DeliverNow(const std::vector<mp::NotificationRecord>& records, bool hasTime, std::int64_t time) {
    // One look at the sinks for the whole batch, which a large edit makes long; each sink still hears
    // the records in order.
    if (!records.empty() && data_)
        data_->ForEachSink([&](win::IUnknown* sink) {
            for (const auto& r : records) static_cast<mp::IMPNotificationSink*>(sink)->OnNotify(&r);
        });
    if (hasTime) DeliverTime(time);
}

void Notifier::Flush() {
    if (!threaded_) return;
    std::unique_lock lock(queueMutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void Notifier::DeliverRecord(const mp::NotificationRecord& r) {
    if (!data_) return;
    data_->ForEachSink([&](win::IUnknown* sink) { static_cast<mp::IMPNotificationSink*>(sink)->OnNotify(&r); });
}

void Notifier::DeliverTime(std::int64_t time) {
    auto bits = static_cast<std::uint64_t>(time);
    if (!time_) return;
    time_->ForEachSink([&](win::IUnknown* sink) {
        static_cast<mp::IMPTimeSink*>(sink)->OnTimeNotify(static_cast<win::DWORD>(bits),
                                                          static_cast<win::DWORD>(bits >> 32));
    });
}

void Notifier::Run() {
    std::unique_lock lock(queueMutex_);
    for (;;) {
        wake_.wait(lock, [this] { return stop_ || !queue_.empty(); });
        if (queue_.empty() && stop_) return;
        Item item = queue_.front();
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        if (item.isTime) DeliverTime(item.time);
        else DeliverRecord(item.record);
        lock.lock();
        busy_ = false;
        if (queue_.empty()) idle_.notify_all();
    }
}

} // namespace host
