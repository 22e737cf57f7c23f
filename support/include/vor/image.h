// Images of the support library: PNG decoding into premultiplied bitmaps, skin-image variants, HSL colours.
#pragma once

#include "win/gdi.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Decodes PNG bytes into straight-to-screen pixels: 0xAARRGGBB with premultiplied alpha, rows top-down.
// Any PNG colour type and bit depth is accepted; returns false on malformed or truncated data and leaves
// the outputs untouched.
bool VorImage_DecodePng(const void* data, std::size_t size, int* width, int* height,
                        std::vector<std::uint32_t>* pixels);

// The same, into a new top-down 32-bit DIB section (null on failure); free with win::DeleteObject.
win::HBITMAP VorImage_LoadPng(const void* data, std::size_t size);
win::HBITMAP VorImage_LoadPngFile(const char* path);

// Skin images: a variant of a 32-bit premultiplied bitmap for the hot and the disabled look.
//   VOR_SKIN_HOT, factor f:      each colour channel c of a pixel with alpha a becomes min(a, c * (1 + f)),
//                                a brighter image (the toolbar uses f = 0.5).
//   VOR_SKIN_DISABLED, factor f: the pixel turns grey with luma Y = 0.299 r + 0.587 g + 0.114 b, and the
//                                grey keeps the share f of its contrast around a light grey:
//                                c = Y * f + 0.6 * a * (1 - f) (the toolbar uses f = 0.2).
// Alpha is unchanged; results are rounded to the nearest integer. Returns a new bitmap, null on failure.
constexpr int VOR_SKIN_HOT = 1;
constexpr int VOR_SKIN_DISABLED = 2;
win::HBITMAP VorImage_SkinVariant(win::HBITMAP source, double factor, int mode);
// The same transform on a pixel buffer in place.
void VorImage_SkinPixels(std::uint32_t* pixels, std::size_t count, double factor, int mode);

// Hue in degrees [0, 360), saturation and lightness in [0, 1].
void VorColor_RgbToHsl(win::COLORREF color, double* hue, double* saturation, double* lightness);
win::COLORREF VorColor_HslToRgb(double hue, double saturation, double lightness);
