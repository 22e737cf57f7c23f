// Connection points and the delivery of notifications and transport times to advised sinks.
#include "model/notifier.h"

#include <algorithm>

namespace host {

ConnectionPoint::~ConnectionPoint() {
    for (auto& [cookie, sink] : sinks_) sink->Release();
}

win::HRESULT ConnectionPoint::QueryInterface(const win::IID& riid, void** ppv) {
    if (!ppv) return win::E_POINTER;
    if (riid == win::IID_IUnknown || riid == win::IID_IConnectionPoint) {
        *ppv = static_cast<win::IConnectionPoint*>(this);
        AddRef();
        return win::S_OK;
    }
    *ppv = nullptr;
    return win::E_NOINTERFACE;
}

win::HRESULT ConnectionPoint::GetConnectionInterface(win::IID* iid) {
    if (!iid) return win::E_POINTER;
    *iid = iid_;
    return win::S_OK;
}

win::HRESULT ConnectionPoint::GetConnectionPointContainer(win::IConnectionPointContainer** container) {
    if (!container) return win::E_POINTER;
    *container = owner_;
    owner_->AddRef();
    return win::S_OK;
}

win::HRESULT ConnectionPoint::Advise(win::IUnknown* sink, win::DWORD* cookie) {
    if (!cookie) return win::E_POINTER;
    *cookie = 0;
    if (!sink) return win::E_POINTER;
    void* typed = nullptr;
    if (win::FAILED(sink->QueryInterface(iid_, &typed)) || !typed) return win::CONNECT_E_CANNOTCONNECT;
    std::lock_guard lock(mutex_);
    *cookie = nextCookie_++;
    sinks_.emplace_back(*cookie, static_cast<win::IUnknown*>(typed));
    return win::S_OK;
}

win::HRESULT ConnectionPoint::Unadvise(win::DWORD cookie) {
    win::IUnknown* sink = nullptr;
    {
        std::lock_guard lock(mutex_);
        auto it = std::find_if(sinks_.begin(), sinks_.end(), [&](const auto& p) { return p.first == cookie; });
        if (it == sinks_.end()) return win::CONNECT_E_NOCONNECTION;
        sink = it->second;
        sinks_.erase(it);
    }
    sink->Release();
    return win::S_OK;
}

win::HRESULT ConnectionPoint::EnumConnections(win::IEnumConnections** e) {
    if (e) *e = nullptr;
    return win::E_NOTIMPL;
}

std::vector<win::IUnknown*> ConnectionPoint::Snapshot() const {
    std::lock_guard lock(mutex_);
    std::vector<win::IUnknown*> out;
    out.reserve(sinks_.size());
    for (auto& [cookie, sink] : sinks_) {
        sink->AddRef();
        out.push_back(sink);
    }
    return out;
}

std::size_t ConnectionPoint::SinkCount() const {
    std::lock_guard lock(mutex_);
    return sinks_.size();
}

Notifier::Notifier(win::IConnectionPointContainer* owner)
    : data_(owner, mp::IID_IMPNotificationSink), time_(owner, mp::IID_IMPTimeSink) {}

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
    for (const auto& r : records) DeliverRecord(r);
    if (hasTime) DeliverTime(time);
}

void Notifier::Flush() {
    if (!threaded_) return;
    std::unique_lock lock(queueMutex_);
    idle_.wait(lock, [this] { return queue_.empty() && !busy_; });
}

void Notifier::DeliverRecord(const mp::NotificationRecord& r) {
    for (win::IUnknown* sink : data_.Snapshot()) {
        static_cast<mp::IMPNotificationSink*>(sink)->OnNotify(&r);
        sink->Release();
    }
}

void Notifier::DeliverTime(std::int64_t time) {
    auto bits = static_cast<std::uint64_t>(time);
    for (win::IUnknown* sink : time_.Snapshot()) {
        static_cast<mp::IMPTimeSink*>(sink)->OnTimeNotify(static_cast<win::DWORD>(bits),
                                                          static_cast<win::DWORD>(bits >> 32));
        sink->Release();
    }
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
