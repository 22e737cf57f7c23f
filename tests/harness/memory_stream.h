// MemoryStream: an IStream over a byte vector for tests, with a cut-off point and injected failures.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "win/com.h"

namespace harness {

class MemoryStream final : public win::IStream {
public:
    explicit MemoryStream(std::vector<std::uint8_t> bytes = {}) : bytes_(std::move(bytes)) {}

    // Reads see at most `limit` bytes of the stream (the rest is as if it were not there).
    void CutAfter(std::size_t limit) { limit_ = limit; }
    // Every Read / Write / Seek fails with this code once set (S_OK = no failure).
    void FailReads(win::HRESULT hr) { readFailure_ = hr; }
    void FailWrites(win::HRESULT hr) { writeFailure_ = hr; }
    void FailSeeks(win::HRESULT hr) { seekFailure_ = hr; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    std::size_t Position() const { return position_; }

    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    win::ULONG AddRef() override { return ++refs_; }
    win::ULONG Release() override { return --refs_; } // owned by the test, never freed here
    win::HRESULT Read(void* pv, win::ULONG cb, win::ULONG* read) override;
    win::HRESULT Write(const void* pv, win::ULONG cb, win::ULONG* written) override;
    win::HRESULT Seek(win::LARGE_INTEGER move, win::DWORD origin, win::ULARGE_INTEGER* position) override;
    win::HRESULT SetSize(win::ULARGE_INTEGER size) override;
    win::HRESULT CopyTo(win::IStream*, win::ULARGE_INTEGER, win::ULARGE_INTEGER*, win::ULARGE_INTEGER*) override {
        return win::E_NOTIMPL;
    }
    win::HRESULT Commit(win::DWORD) override { return win::S_OK; }
    win::HRESULT Revert() override { return win::S_OK; }
    win::HRESULT LockRegion(win::ULARGE_INTEGER, win::ULARGE_INTEGER, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT UnlockRegion(win::ULARGE_INTEGER, win::ULARGE_INTEGER, win::DWORD) override {
        return win::E_NOTIMPL;
    }
    win::HRESULT Stat(win::STATSTG*, win::DWORD) override { return win::E_NOTIMPL; }
    win::HRESULT Clone(win::IStream**) override { return win::E_NOTIMPL; }

    int refs() const { return refs_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
    std::size_t limit_ = static_cast<std::size_t>(-1);
    win::HRESULT readFailure_ = win::S_OK;
    win::HRESULT writeFailure_ = win::S_OK;
    win::HRESULT seekFailure_ = win::S_OK;
    std::atomic<int> refs_{0};
};

} // namespace harness
