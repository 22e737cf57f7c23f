// COM helpers: ComPtr, an interlocked reference count, QueryInterface from a list of answers, a connection point.
#pragma once

#include "win/com.h"

#include <atomic>
#include <cstddef>
#include <initializer_list>
#include <memory>
#include <mutex>
#include <utility>
#include <vector>

namespace win {

// Owns one reference to a COM object.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes a new reference (AddRef) unless adopt is set, which takes over the caller's reference.
    explicit ComPtr(T* p, bool adopt = false) : p_(p) {
        if (p_ && !adopt) p_->AddRef();
    }
    ComPtr(const ComPtr& o) : p_(o.p_) {
        if (p_) p_->AddRef();
    }
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ~ComPtr() { Reset(); }
    ComPtr& operator=(const ComPtr& o) {
        if (o.p_) o.p_->AddRef();
        Reset();
        p_ = o.p_;
        return *this;
    }
    ComPtr& operator=(ComPtr&& o) noexcept {
        if (this != &o) {
            Reset();
            p_ = std::exchange(o.p_, nullptr);
        }
        return *this;
    }
    T* Get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    // Releases the current object and returns the address for an out parameter.
    T** ReleaseAndGetAddressOf() {
        Reset();
        return &p_;
    }
    T* Detach() { return std::exchange(p_, nullptr); }
    void Attach(T* p) {
        Reset();
        p_ = p;
    }
    void Reset() {
        if (T* p = std::exchange(p_, nullptr)) p->Release();
    }
    // QueryInterface into another ComPtr.
    template <class U> HRESULT As(REFIID iid, ComPtr<U>* out) const {
        if (!out) return E_POINTER;
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, reinterpret_cast<void**>(out->ReleaseAndGetAddressOf()));
    }

private:
    T* p_ = nullptr;
};

// Reference count of a COM object, changed with interlocked operations; starts at the given value.
class ComRefCount {
public:
    explicit ComRefCount(ULONG initial = 0) : n_(initial) {}
    ULONG Increment() { return n_.fetch_add(1, std::memory_order_relaxed) + 1; }
    ULONG Decrement() { return n_.fetch_sub(1, std::memory_order_acq_rel) - 1; }
    ULONG Value() const { return n_.load(); }

private:
    std::atomic<ULONG> n_;
};

// One answer of QueryInterface: an interface id and the object seen as that interface.
struct InterfaceAnswer {
    const IID& iid;
    IUnknown* object;
};

// Answers riid from the list (IUnknown by the first entry), AddRef'ing what it hands out. E_POINTER
// for a null ppv; E_NOINTERFACE, with *ppv null, for an id not in the list. [any thread]
inline HRESULT QueryInterfaceFrom(REFIID riid, void** ppv, std::initializer_list<InterfaceAnswer> answers) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    for (const InterfaceAnswer& answer : answers) {
        if (answer.iid == riid || (&answer == answers.begin() && riid == IID_IUnknown)) {
            answer.object->AddRef();
            *ppv = answer.object;
            return S_OK;
        }
    }
    return E_NOINTERFACE;
}

// A connection point for one outgoing interface. The container owns it and is not referenced by it
// (GetConnectionPointContainer AddRefs the container for the caller). Sinks are held until Unadvise.
// Advise/Unadvise [ui thread]; ForEachSink [any thread].
class ConnectionPoint final : public IConnectionPoint {
public:
    // Created with one reference, owned by the container.
    static ConnectionPoint* Create(IConnectionPointContainer* container, REFIID iid);

    HRESULT QueryInterface(REFIID riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
    HRESULT Unadvise(DWORD cookie) override;
    HRESULT EnumConnections(IEnumConnections** e) override;

    // Calls f with each sink (as queried for the connection interface); sinks advised or unadvised
    // during the calls do not disturb the walk, which keeps the list it began with.
    template <class F> void ForEachSink(F&& f) {
        const std::shared_ptr<const SinkList> sinks = Sinks();
        for (const auto& entry : sinks->entries) f(entry.second);
    }
    std::size_t SinkCount();
    // Releases every sink (the container is going away).
    void UnadviseAll();
    // The container is going away: GetConnectionPointContainer fails from now on.
    void Detach();

private:
    ConnectionPoint(IConnectionPointContainer* container, REFIID iid) : container_(container), iid_(iid) {}
    ~ConnectionPoint();
    // The advised sinks, never changed once published: Advise and Unadvise publish a new list, so a
    // delivery walks the current one without copying it. Each list holds a reference on its sinks,
    // which keeps an unadvised sink alive until the last walk over an older list ends.
    struct SinkList {
        std::vector<std::pair<DWORD, IUnknown*>> entries;
        ~SinkList() {
            for (auto& entry : entries) entry.second->Release();
        }
    };
    std::shared_ptr<const SinkList> Sinks();
    // The current list's entries but the one with cookie `except` (0: none), with a reference on each
    // for the list they go into.
    std::vector<std::pair<DWORD, IUnknown*>> HeldEntries(DWORD except) const;

    ComRefCount refs_{1};
    IConnectionPointContainer* container_;
    IID iid_;
    std::mutex lock_;
    std::shared_ptr<const SinkList> sinks_ = std::make_shared<const SinkList>();
    DWORD nextCookie_ = 1;
};

} // namespace win
