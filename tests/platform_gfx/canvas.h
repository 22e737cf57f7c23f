// Test canvas: a memory DC holding a small top-down DIB section whose pixels the tests read directly.
#pragma once

#include "../platform/win_expect.h"
#include "win/gdi.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include <sys/stat.h>

namespace gfxtest {

// A DIB section, 32-bit and top-down unless asked otherwise; `bits` receives its pixels.
inline win::HBITMAP Dib32(int width, int height, void** bits, bool topDown = true, int bitCount = 32) {
    win::BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = topDown ? -height : height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = static_cast<win::WORD>(bitCount);
    return win::CreateDIBSection(nullptr, &bi, win::DIB_RGB_COLORS, bits, nullptr, 0);
}

struct Canvas {
    win::HDC dc = nullptr;
    win::HBITMAP bmp = nullptr;
    win::HGDIOBJ old = nullptr;
    std::uint32_t* bits = nullptr;
    int w = 0, h = 0;

    Canvas(int width, int height, win::COLORREF fill = win::RGB(255, 255, 255)) : w(width), h(height) {
        void* p = nullptr;
        bmp = Dib32(width, height, &p);
        bits = static_cast<std::uint32_t*>(p);
        dc = win::CreateCompatibleDC(nullptr);
        old = win::SelectObject(dc, bmp);
        Clear(fill);
    }
    ~Canvas() {
        win::SelectObject(dc, win::GetStockObject(win::BLACK_PEN));
        win::SelectObject(dc, win::GetStockObject(win::WHITE_BRUSH));
        for (win::HGDIOBJ o : owned) win::DeleteObject(o);
        win::SelectObject(dc, old);
        win::DeleteDC(dc);
        win::DeleteObject(bmp);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // A pen, brush or bitmap made for the test, deleted with the canvas (after the stock pen and brush
    // are put back); Use also selects it.
    template <class H> H Own(H object) {
        owned.push_back(object);
        return object;
    }
    template <class H> H Use(H object) {
        win::SelectObject(dc, object);
        return Own(object);
    }
    std::vector<win::HGDIOBJ> owned;

    void Clear(win::COLORREF c) {
        for (int i = 0; i < w * h; ++i) bits[i] = Px(c);
    }
    static std::uint32_t Px(win::COLORREF c) {
        return 0xFF000000u | (std::uint32_t(win::GetRValue(c)) << 16) | (std::uint32_t(win::GetGValue(c)) << 8) |
               win::GetBValue(c);
    }
    std::uint32_t Raw(int x, int y) const { return bits[y * w + x]; }
    win::COLORREF At(int x, int y) const {
        std::uint32_t p = bits[y * w + x];
        return win::RGB(static_cast<win::BYTE>(p >> 16), static_cast<win::BYTE>(p >> 8), static_cast<win::BYTE>(p));
    }
    int Count(win::COLORREF c) const {
        int n = 0;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) n += At(x, y) == c;
        return n;
    }
    struct Probe {
        int x, y;
        win::COLORREF colour;
    };
    // Checks a table of pixels, naming each one that differs.
    void Expect(std::initializer_list<Probe> probes) const {
        for (const Probe& p : probes) EXPECT_EQ(At(p.x, p.y), p.colour) << "pixel " << p.x << "," << p.y;
    }
    // Bounding box of pixels that differ from c; empty when none do.
    win::RECT InkBox(win::COLORREF background) const {
        win::RECT r{w, h, 0, 0};
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (At(x, y) != background) {
                    if (x < r.left) r.left = x;
                    if (y < r.top) r.top = y;
                    if (x + 1 > r.right) r.right = x + 1;
                    if (y + 1 > r.bottom) r.bottom = y + 1;
                }
        return r;
    }
};

// Where snapshots go for a person to look at.
inline std::string SnapshotPath(const char* name) {
    std::string dir = std::string(VOR_BINARY_DIR) + "/snapshots";
    ::mkdir(dir.c_str(), 0755);
    return dir + "/" + name;
}

constexpr win::COLORREF kWhite = win::RGB(255, 255, 255);
constexpr win::COLORREF kBlack = win::RGB(0, 0, 0);
constexpr win::COLORREF kRed = win::RGB(255, 0, 0);
constexpr win::COLORREF kGreen = win::RGB(0, 255, 0);
constexpr win::COLORREF kBlue = win::RGB(0, 0, 255);

} // namespace gfxtest
