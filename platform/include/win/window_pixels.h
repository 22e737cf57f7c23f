// A top-level window's pixels as pictures of the screen need them: a copy, and its PNG encoding.
#pragma once

#include <cstdint>
#include <vector>

#include "win/types.h"

namespace win {

// Premultiplied 0xAARRGGBB pixels, top-down rows of `width` pixels each.
struct WindowPixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> bgra;
};

// [ui thread] Copies the framebuffer of the top-level window that contains hwnd (the window itself
// when it is top-level). False, with *out emptied, for an invalid handle or a window without pixels.
bool GetWindowPixels(HWND hwnd, WindowPixels* out);

// [any thread] The bytes of a PNG file (straight RGBA) showing the pixels. False, with *out emptied,
// when there are no pixels or the sizes do not match.
bool EncodePng(const WindowPixels& pixels, std::vector<std::uint8_t>* out);

} // namespace win
