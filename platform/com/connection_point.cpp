// A connection point holding advised sinks for one outgoing interface.
#include "win/com_helpers.h"

#include <utility>

namespace win {

ConnectionPoint* ConnectionPoint::Create(IConnectionPointContainer* container, REFIID iid) {
    return new (std::nothrow) ConnectionPoint(container, iid);
}

ConnectionPoint::~ConnectionPoint() { UnadviseAll(); }

HRESULT ConnectionPoint::QueryInterface(REFIID riid, void** ppv) {
    return QueryInterfaceFrom(riid, ppv, {{IID_IConnectionPoint, this}});
}

ULONG ConnectionPoint::AddRef() { return refs_.Increment(); }

ULONG ConnectionPoint::Release() {
    ULONG n = refs_.Decrement();
    if (n == 0) delete this;
    return n;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (!iid) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (!container) return E_POINTER;
    *container = container_;
    if (!container_) return E_UNEXPECTED;
    container_->AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
    if (!cookie) return E_POINTER;
    *cookie = 0;
    if (!sink) return E_POINTER;
    IUnknown* typed = nullptr;
    if (FAILED(sink->QueryInterface(iid_, reinterpret_cast<void**>(&typed))) || !typed)
        return CONNECT_E_CANNOTCONNECT;
    std::lock_guard<std::mutex> guard(lock_);
    auto next = std::make_shared<SinkList>();
    next->entries = HeldEntries(0);
    DWORD c = nextCookie_++;
    if (nextCookie_ == 0) nextCookie_ = 1;
    next->entries.emplace_back(c, typed);
    sinks_ = std::move(next);
    *cookie = c;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    // The list that goes lets its sinks go outside the lock, since a sink's release may call back.
    std::shared_ptr<const SinkList> old;
    std::lock_guard<std::mutex> guard(lock_);
    auto next = std::make_shared<SinkList>();
    next->entries = HeldEntries(cookie);
    if (next->entries.size() == sinks_->entries.size()) return CONNECT_E_NOCONNECTION;
    old = std::exchange(sinks_, std::move(next));
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** e) {
    if (!e) return E_POINTER;
    *e = nullptr;
    return E_NOTIMPL;
}

std::shared_ptr<const ConnectionPoint::SinkList> ConnectionPoint::Sinks() {
    std::lock_guard<std::mutex> guard(lock_);
    return sinks_;
}

std::vector<std::pair<DWORD, IUnknown*>> ConnectionPoint::HeldEntries(DWORD except) const {
    std::vector<std::pair<DWORD, IUnknown*>> entries;
    entries.reserve(sinks_->entries.size() + 1);
    for (const auto& entry : sinks_->entries) {
        if (entry.first == except) continue;
        entry.second->AddRef();
        entries.push_back(entry);
    }
    return entries;
}

std::size_t ConnectionPoint::SinkCount() {
    std::lock_guard<std::mutex> guard(lock_);
    return sinks_->entries.size();
}

void ConnectionPoint::UnadviseAll() {
    std::shared_ptr<const SinkList> old;
    {
        std::lock_guard<std::mutex> guard(lock_);
        old = std::exchange(sinks_, std::make_shared<const SinkList>());
    }
}

void ConnectionPoint::Detach() { container_ = nullptr; }

} // namespace win
