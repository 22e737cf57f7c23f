// Skin images: hot and disabled variants of premultiplied 32-bit images.
#include "vor/image.h"

#include <algorithm>
#include <cmath>
#include <cstring>

void VorImage_SkinPixels(std::uint32_t* pixels, std::size_t count, double factor, int mode) {
    if (!pixels || (mode != VOR_SKIN_HOT && mode != VOR_SKIN_DISABLED)) return;
    factor = std::clamp(factor, 0.0, 1.0);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint32_t p = pixels[i];
        double a = p >> 24;
        double c[3] = {static_cast<double>((p >> 16) & 0xFF), static_cast<double>((p >> 8) & 0xFF),
                       static_cast<double>(p & 0xFF)};
        if (mode == VOR_SKIN_HOT) {
            for (double& v : c) v = std::min(a, v * (1.0 + factor));
        } else {
            double y = 0.299 * c[0] + 0.587 * c[1] + 0.114 * c[2];
            double g = std::min(a, y * factor + 0.6 * a * (1.0 - factor));
            c[0] = c[1] = c[2] = g;
        }
        auto byte = [](double v) { return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0, 255.0))); };
        pixels[i] = (p & 0xFF000000u) | (byte(c[0]) << 16) | (byte(c[1]) << 8) | byte(c[2]);
    }
}

win::HBITMAP VorImage_SkinVariant(win::HBITMAP source, double factor, int mode) {
    if (mode != VOR_SKIN_HOT && mode != VOR_SKIN_DISABLED) return nullptr;
    win::BITMAP bm{};
    if (win::GetObject(source, sizeof bm, &bm) < static_cast<int>(sizeof bm) || bm.bmBitsPixel != 32) return nullptr;
    std::vector<std::uint32_t> px(static_cast<std::size_t>(bm.bmWidth) * bm.bmHeight);
    if (win::GetBitmapBits(source, static_cast<win::LONG>(px.size() * 4), px.data()) !=
        static_cast<win::LONG>(px.size() * 4))
        return nullptr;
    VorImage_SkinPixels(px.data(), px.size(), factor, mode);
    win::BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = bm.bmWidth;
    bi.bmiHeader.biHeight = -bm.bmHeight;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    win::HBITMAP out = win::CreateDIBSection(nullptr, &bi, win::DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!out || !bits) return nullptr;
    std::memcpy(bits, px.data(), px.size() * 4);
    return out;
}
