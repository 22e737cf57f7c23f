// IStream over a global memory block: growable, optionally freed with the stream.
#include "win/com_helpers.h"

#include <cstring>
#include <limits>
#include <memory>

namespace win {

void* GlobalReAllocData(HGLOBAL mem, std::size_t bytes) noexcept; // task_memory.cpp

namespace {

struct Block {
    Block(HGLOBAL m, bool f) : mem(m), freeOnRelease(f) {}
    Block(const Block&) = delete;
    Block& operator=(const Block&) = delete;
    HGLOBAL mem;
    bool freeOnRelease;
    ~Block() {
        if (freeOnRelease) GlobalFree(mem);
    }
};

class HGlobalStream final : public IStream {
public:
    HGlobalStream(std::shared_ptr<Block> block, ULONGLONG position) : block_(std::move(block)), pos_(position) {}

    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        IStream* self = this;
        return QueryInterfaceFrom(riid, ppv, {{IID_IStream, self}, {IID_ISequentialStream, self}});
    }
    ULONG AddRef() override { return refs_.Increment(); }
    ULONG Release() override {
        ULONG n = refs_.Decrement();
        if (n == 0) delete this;
        return n;
    }

    HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) override {
        if (pcbRead) *pcbRead = 0;
        if (!pv && cb) return STG_E_INVALIDPOINTER;
        std::size_t size = GlobalSize(block_->mem);
        ULONG n = pos_ >= size ? 0 : static_cast<ULONG>(std::min<ULONGLONG>(cb, size - pos_));
        if (n) {
            auto* data = static_cast<unsigned char*>(GlobalLock(block_->mem));
            if (!data) return STG_E_READFAULT;
            std::memcpy(pv, data + pos_, n);
            GlobalUnlock(block_->mem);
            pos_ += n;
        }
        if (pcbRead) *pcbRead = n;
        return S_OK;
    }

    HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
        if (pcbWritten) *pcbWritten = 0;
        if (!pv && cb) return STG_E_INVALIDPOINTER;
        if (cb == 0) return S_OK;
        ULONGLONG end = pos_ + cb;
        if (end > std::numeric_limits<ULONG>::max()) return STG_E_MEDIUMFULL;
        std::size_t size = GlobalSize(block_->mem);
        if (end > size) {
            HRESULT hr = Resize(end);
            if (FAILED(hr)) return hr;
        }
        auto* data = static_cast<unsigned char*>(GlobalLock(block_->mem));
        if (!data) return STG_E_WRITEFAULT;
        std::memcpy(data + pos_, pv, cb);
        GlobalUnlock(block_->mem);
        pos_ = end;
        if (pcbWritten) *pcbWritten = cb;
        return S_OK;
    }

    HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
        LONGLONG base;
        switch (origin) {
        case STREAM_SEEK_SET: base = 0; break;
        case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(pos_); break;
        case STREAM_SEEK_END: base = static_cast<LONGLONG>(GlobalSize(block_->mem)); break;
        default: return STG_E_INVALIDFUNCTION;
        }
        LONGLONG target;
        if (__builtin_add_overflow(base, move.QuadPart, &target) || target < 0) return STG_E_INVALIDFUNCTION;
        pos_ = static_cast<ULONGLONG>(target);
        if (newPosition) newPosition->QuadPart = pos_;
        return S_OK;
    }

    HRESULT SetSize(ULARGE_INTEGER newSize) override {
        if (newSize.QuadPart > std::numeric_limits<ULONG>::max()) return STG_E_MEDIUMFULL;
        return Resize(newSize.QuadPart);
    }

    // Nothing here copies between streams or shares one stream's data with a second position.
    HRESULT CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override { return E_NOTIMPL; }
    HRESULT Clone(IStream**) override { return E_NOTIMPL; }

    HRESULT Commit(DWORD) override { return S_OK; }
    HRESULT Revert() override { return S_OK; }
    HRESULT LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }
    HRESULT UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return STG_E_INVALIDFUNCTION; }

    HRESULT Stat(STATSTG* stat, DWORD) override {
        if (!stat) return STG_E_INVALIDPOINTER;
        *stat = STATSTG{};
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = GlobalSize(block_->mem);
        stat->grfMode = 2; // read and write
        return S_OK;
    }

    HGLOBAL Memory() const { return block_->mem; }

private:
    HRESULT Resize(ULONGLONG size) {
        std::size_t old = GlobalSize(block_->mem);
        if (size == old) return S_OK;
        auto* data = static_cast<unsigned char*>(GlobalReAllocData(block_->mem, static_cast<std::size_t>(size)));
        if (!data) return E_OUTOFMEMORY;
        if (size > old) std::memset(data + old, 0, static_cast<std::size_t>(size - old));
        return S_OK;
    }

    ComRefCount refs_{1};
    std::shared_ptr<Block> block_;
    ULONGLONG pos_;
};

} // namespace

HRESULT CreateStreamOnHGlobal(HGLOBAL mem, BOOL deleteOnRelease, IStream** stream) noexcept {
    if (!stream) return E_INVALIDARG;
    *stream = nullptr;
    bool owned = deleteOnRelease != FALSE;
    if (!mem) {
        mem = GlobalAlloc(GMEM_MOVEABLE, 0);
        if (!mem) return E_OUTOFMEMORY;
    } else if (!GlobalLock(mem)) {
        return E_INVALIDARG;
    } else {
        GlobalUnlock(mem);
    }
    try {
        auto block = std::make_shared<Block>(mem, owned);
        *stream = new HGlobalStream(std::move(block), 0);
    } catch (...) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

HRESULT GetHGlobalFromStream(IStream* stream, HGLOBAL* mem) noexcept {
    if (!mem) return E_INVALIDARG;
    *mem = nullptr;
    auto* s = dynamic_cast<HGlobalStream*>(stream);
    if (!s) return E_INVALIDARG;
    *mem = s->Memory();
    return S_OK;
}

} // namespace win
