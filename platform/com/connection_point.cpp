// A connection point holding advised sinks for one outgoing interface.
#include "win/com_helpers.h"

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
    DWORD c = nextCookie_++;
    if (nextCookie_ == 0) nextCookie_ = 1;
    sinks_.emplace_back(c, typed);
    *cookie = c;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
    IUnknown* sink = nullptr;
    {
        std::lock_guard<std::mutex> guard(lock_);
        for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
            if (it->first == cookie) {
                sink = it->second;
                sinks_.erase(it);
                break;
            }
        }
    }
    if (!sink) return CONNECT_E_NOCONNECTION;
    sink->Release();
    return S_OK;
}

HRESULT ConnectionPoint::EnumConnections(IEnumConnections** e) {
    if (!e) return E_POINTER;
    *e = nullptr;
    return E_NOTIMPL;
}

std::vector<IUnknown*> ConnectionPoint::Snapshot() {
    std::lock_guard<std::mutex> guard(lock_);
    std::vector<IUnknown*> out;
    out.reserve(sinks_.size());
    for (auto& s : sinks_) {
        s.second->AddRef();
        out.push_back(s.second);
    }
    return out;
}

std::size_t ConnectionPoint::SinkCount() {
    std::lock_guard<std::mutex> guard(lock_);
    return sinks_.size();
}

void ConnectionPoint::UnadviseAll() {
    std::vector<std::pair<DWORD, IUnknown*>> sinks;
    {
        std::lock_guard<std::mutex> guard(lock_);
        sinks.swap(sinks_);
    }
    for (auto& s : sinks) s.second->Release();
}

void ConnectionPoint::Detach() { container_ = nullptr; }

} // namespace win
