// The view's off-screen bitmap: a memory device context with a client-sized bitmap selected, kept
// between paints and made again when the client grows.
#include "view/offscreen_cache.h"

#include <atomic>

namespace pianoroll {

using namespace win;

OffscreenCache::~OffscreenCache() { Free(); }

void OffscreenCache::Free() {
    if (dc_) {
        SelectObject(dc_, old_);
        DeleteDC(dc_);
    }
    if (bitmap_) DeleteObject(bitmap_);
    dc_ = nullptr;
    bitmap_ = nullptr;
    old_ = nullptr;
    width_ = height_ = 0;
    generation_ = 0;
}

HDC OffscreenCache::Get(HDC windowDC, int width, int height) {
    if (dc_ && width_ >= width && height_ >= height) return dc_;
    Free();
    dc_ = CreateCompatibleDC(windowDC);
    bitmap_ = dc_ ? CreateCompatibleBitmap(windowDC, width, height) : nullptr;
    if (!bitmap_) {
        Free();
        return nullptr;
    }
    old_ = SelectObject(dc_, bitmap_);
    static std::atomic<std::uint64_t> bitmaps{0};
    generation_ = ++bitmaps;
    width_ = width;
    height_ = height;
    return dc_;
}

} // namespace pianoroll
