// Contract between the window core and the drawing code: pixel surfaces and device contexts on them.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win/types.h"

namespace win::detail {

// A 32-bit BGRA surface (0xAARRGGBB in a uint32_t): a top-level window's framebuffer or a bitmap.
struct Surface {
    std::uint32_t* pixels;
    int width;
    int height;
    int stride; // in pixels
};

// [gfx] A device context drawing into surface s for window hwnd: client point (0,0) is at origin in
// surface coordinates, and drawing is limited to the union of clip rectangles (surface coordinates).
// Released with DestroySurfaceDC. Used by the core's BeginPaint and GetDC.
HDC CreateSurfaceDC(HWND hwnd, const Surface& s, POINT origin, const RECT* clip, int clipCount);
void DestroySurfaceDC(HDC dc);
HWND WindowFromSurfaceDC(HDC dc);

// [core] The framebuffer of the top-level window that contains hwnd, and hwnd's client origin in it.
bool GetWindowSurface(HWND hwnd, Surface* out, POINT* clientOrigin);

// [gfx] PNG encoding of a surface into bytes, used for snapshots. False on an empty surface.
bool EncodePng(const Surface& s, std::vector<std::uint8_t>* out);
// [gfx] The PNG file of a surface, replacing path safely (win/file_replacement.h). error, when
// given, names the operation and the system's reason.
bool WritePng(const char* path, const Surface& s, std::string* error = nullptr);

} // namespace win::detail
