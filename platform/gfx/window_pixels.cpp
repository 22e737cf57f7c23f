// Copies of a top-level window's framebuffer for pictures of the screen.
#include "win/window_pixels.h"

#include <cstring>

#include "win/detail/surface.h"

namespace win {

bool GetWindowPixels(HWND hwnd, WindowPixels* out) {
    if (!out) return false;
    *out = WindowPixels{};
    detail::Surface s{};
    if (!detail::GetWindowSurface(hwnd, &s, nullptr) || !s.pixels || s.width <= 0 || s.height <= 0) return false;
    out->width = s.width;
    out->height = s.height;
    out->bgra.resize(static_cast<std::size_t>(s.width) * static_cast<std::size_t>(s.height));
    for (int y = 0; y < s.height; ++y)
        std::memcpy(out->bgra.data() + static_cast<std::size_t>(y) * s.width,
                    s.pixels + static_cast<std::ptrdiff_t>(y) * s.stride, sizeof(std::uint32_t) * s.width);
    return true;
}

} // namespace win
