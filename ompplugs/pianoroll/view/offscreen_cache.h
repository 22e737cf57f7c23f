// The client-sized bitmap a paint of the view draws into before it is copied to the window, so brush
// patterns line up between paints whatever the update rectangle is.
#pragma once

#include <cstdint>

#include "win/gdi.h"

namespace pianoroll {

class OffscreenCache {
public:
    OffscreenCache() = default;
    OffscreenCache(const OffscreenCache&) = delete;
    OffscreenCache& operator=(const OffscreenCache&) = delete;
    ~OffscreenCache();

    // A memory device context with a bitmap of at least width x height compatible with `windowDC`,
    // kept from the last call when it is large enough; null when none can be made.
    win::HDC Get(win::HDC windowDC, int width, int height);
    // Names the bitmap Get last made, unlike any other of the process: what a paint left in it stays
    // there until Get makes another.
    std::uint64_t Generation() const noexcept { return generation_; }

private:
    void Free();
    win::HDC dc_ = nullptr;
    win::HBITMAP bitmap_ = nullptr;
    win::HGDIOBJ old_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    std::uint64_t generation_ = 0;
};

} // namespace pianoroll
