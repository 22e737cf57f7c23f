// MemoryStream: reads and writes at the position, growing on writes, with test failures.
#include "memory_stream.h"

#include <algorithm>
#include <cstring>

namespace harness {

using namespace win;

HRESULT MemoryStream::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_ISequentialStream && riid != IID_IStream) return E_NOINTERFACE;
    *ppv = static_cast<IStream*>(this);
    AddRef();
    return S_OK;
}

HRESULT MemoryStream::Read(void* pv, ULONG cb, ULONG* read) {
    if (read) *read = 0;
    if (readFailure_ != S_OK) return readFailure_;
    const std::size_t end = std::min(bytes_.size(), limit_);
    const std::size_t n = position_ < end ? std::min<std::size_t>(cb, end - position_) : 0;
    if (n) std::memcpy(pv, bytes_.data() + position_, n);
    position_ += n;
    if (read) *read = static_cast<ULONG>(n);
    return n < cb ? S_FALSE : S_OK;
}

HRESULT MemoryStream::Write(const void* pv, ULONG cb, ULONG* written) {
    if (written) *written = 0;
    if (writeFailure_ != S_OK) return writeFailure_;
    if (bytes_.size() < position_ + cb) bytes_.resize(position_ + cb);
    if (cb) std::memcpy(bytes_.data() + position_, pv, cb);
    position_ += cb;
    if (written) *written = cb;
    return S_OK;
}

HRESULT MemoryStream::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) {
    if (seekFailure_ != S_OK) return seekFailure_;
    long long base = origin == STREAM_SEEK_SET ? 0
                     : origin == STREAM_SEEK_CUR ? static_cast<long long>(position_)
                                                 : static_cast<long long>(bytes_.size());
    const long long target = base + move.QuadPart;
    if (target < 0) return STG_E_INVALIDFUNCTION;
    position_ = static_cast<std::size_t>(target);
    if (position) position->QuadPart = position_;
    return S_OK;
}

HRESULT MemoryStream::SetSize(ULARGE_INTEGER size) {
    bytes_.resize(static_cast<std::size_t>(size.QuadPart));
    return S_OK;
}

} // namespace harness
