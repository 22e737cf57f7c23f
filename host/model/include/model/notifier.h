// Connection points for the notification and time sinks, and delivery to the advised sinks, either
// on the calling thread or in arrival order from a host delivery thread.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "mp/host_contract.h"

namespace host {

// One connection point; its reference count is its container's. Sinks are kept as the interface the
// point delivers to (queried at Advise), each with one reference until Unadvise.
class ConnectionPoint final : public win::IConnectionPoint {
public:
    ConnectionPoint(win::IConnectionPointContainer* owner, const win::IID& iid) : owner_(owner), iid_(iid) {}
    ~ConnectionPoint();

    win::HRESULT QueryInterface(const win::IID& riid, void** ppv) override;
    win::ULONG AddRef() override { return owner_->AddRef(); }
    win::ULONG Release() override { return owner_->Release(); }
    win::HRESULT GetConnectionInterface(win::IID* iid) override;
    win::HRESULT GetConnectionPointContainer(win::IConnectionPointContainer** container) override;
    win::HRESULT Advise(win::IUnknown* sink, win::DWORD* cookie) override;
    win::HRESULT Unadvise(win::DWORD cookie) override;
    win::HRESULT EnumConnections(win::IEnumConnections** e) override;

    // Referenced copies of the advised sinks; the caller releases each.
    std::vector<win::IUnknown*> Snapshot() const;
    std::size_t SinkCount() const;

private:
    win::IConnectionPointContainer* owner_;
    win::IID iid_;
    mutable std::mutex mutex_;
    std::vector<std::pair<win::DWORD, win::IUnknown*>> sinks_;
    win::DWORD nextCookie_ = 1;
};

class Notifier {
public:
    explicit Notifier(win::IConnectionPointContainer* owner);
    ~Notifier();

    ConnectionPoint& DataPoint() { return data_; }
    ConnectionPoint& TimePoint() { return time_; }

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

    ConnectionPoint data_;
    ConnectionPoint time_;
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
