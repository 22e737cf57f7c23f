// A drawing object (bitmap, brush, pen, font) with one owner, deleted when the owner lets it go.
#pragma once

#include <utility>

#include "win/gdi.h"

namespace pianoroll {

template <typename Handle>
class OwnedGdiObject {
public:
    OwnedGdiObject() = default;
    explicit OwnedGdiObject(Handle handle) : handle_(handle) {}
    OwnedGdiObject(const OwnedGdiObject&) = delete;
    OwnedGdiObject& operator=(const OwnedGdiObject&) = delete;
    OwnedGdiObject(OwnedGdiObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OwnedGdiObject& operator=(OwnedGdiObject&& other) noexcept {
        if (this != &other) Reset(std::exchange(other.handle_, nullptr));
        return *this;
    }
    ~OwnedGdiObject() { Reset(); }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Deletes the object held and holds `handle` instead.
    void Reset(Handle handle = nullptr) {
        if (handle_) win::DeleteObject(handle_);
        handle_ = handle;
    }

private:
    Handle handle_ = nullptr;
};

using OwnedBitmap = OwnedGdiObject<win::HBITMAP>;
using OwnedBrush = OwnedGdiObject<win::HBRUSH>;
using OwnedPen = OwnedGdiObject<win::HPEN>;

} // namespace pianoroll
