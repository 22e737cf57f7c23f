// The container's connection points and the delivery of notifications and transport times to advised sinks.
#include "model/notifier.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

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

void Notifier::Enqueue(NotificationBatch&& batch) {
    if (batch.records.Empty() && !batch.hasTime) return;
    {
        std::lock_guard lock(queueMutex_);
        queue_.push_back(std::move(batch));
    }
    wake_.notify_one();
}

void Notifier::DeliverNow(const NotificationBatch& batch) {
    // One look at the sinks for the whole batch, which a large edit makes long; each sink still hears
    // the records one by one, in order, each under its number. A sink that takes runs hears the batch
    // as one, so that it locks once for it rather than once per record.
    if (!batch.records.Empty() && data_)
        data_->ForEachSink([&](win::IUnknown* sink) {
            auto* notify = static_cast<mp::IMPNotificationSink*>(sink);
            win::ComPtr<mp::IMPNotificationRunSink> run;
            if (win::FAILED(sink->QueryInterface(mp::IID_IMPNotificationRunSink, reinterpret_cast<void**>(run.ReleaseAndGetAddressOf()))) ||
                (run && run->BeginNotifications(static_cast<win::DWORD>(std::min<std::size_t>(batch.records.Size(), UINT32_MAX))) != win::S_OK))
                run = nullptr;
            std::uint32_t sequence = batch.firstSequence;
            auto tell = [&](mp::NotificationRecord& r) {
                std::memcpy(reinterpret_cast<std::uint8_t*>(&r) + mp::NOTIFY_SEQUENCE_OFFSET, &sequence, 4);
                ++sequence;
                notify->OnNotify(&r);
            };
            // A run's records differ in their event ids alone (and numbers): one record serves them all.
            batch.records.ForEachRun(
                [&](const mp::NotificationRecord& first, const std::uint32_t* ids, std::uint32_t count, bool) {
                    mp::NotificationRecord r = first;
                    tell(r);
                    for (std::uint32_t n = 1; n < count; ++n) {
                        r.oldKey.event = r.newKey.event = ids[n - 1];
                        tell(r);
                    }
                    return true;
                },
                [](const mp::NotificationRecord&, bool) {});
            if (run) run->EndNotifications();
        });
    if (batch.hasTime) DeliverTime(batch.time);
}

void Notifier::Flush() {
    if (!threaded_) return;
    std::unique_lock lock(queueMutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
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
        NotificationBatch batch = std::move(queue_.front());
        queue_.pop_front();
        busy_ = true;
        lock.unlock();
        DeliverNow(batch);
        batch = NotificationBatch{};
        lock.lock();
        busy_ = false;
        if (queue_.empty()) idle_.notify_all();
    }
}

} // namespace host
