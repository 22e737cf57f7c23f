// Drawing speed: FillRect and BitBlt over a 1920x1080 window against memset and memcpy of the same bytes,
// 10,000 small rectangles and 1,000 short text labels.
#include "win/detail/surface.h"
#include "win/gdi.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

using namespace win;

namespace {

constexpr int kW = 1920, kH = 1080;
constexpr std::size_t kBytes = std::size_t{kW} * kH * 4;

struct Window {
    std::vector<std::uint32_t> fb = std::vector<std::uint32_t>(std::size_t{kW} * kH, 0xFF000000u);
    detail::Surface s{fb.data(), kW, kH, kW};
    HDC dc = detail::CreateSurfaceDC(nullptr, s, POINT{0, 0}, nullptr, 0);
    ~Window() { detail::DestroySurfaceDC(dc); }
};

struct Offscreen {
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = nullptr;
    HGDIOBJ old = nullptr;
    explicit Offscreen(HDC like) {
        bmp = CreateCompatibleBitmap(like, kW, kH);
        old = SelectObject(dc, bmp);
        RECT all{0, 0, kW, kH};
        FillRect(dc, &all, GetSysColorBrush(COLOR_WINDOW));
    }
    ~Offscreen() {
        SelectObject(dc, old);
        DeleteObject(bmp);
        DeleteDC(dc);
    }
};

void Memset1080p(benchmark::State& state) {
    std::vector<std::uint8_t> buf(kBytes);
    int v = 0;
    for (auto _ : state) {
        std::memset(buf.data(), ++v & 0xFF, kBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}
BENCHMARK(Memset1080p);

void FillRect1080p(benchmark::State& state) {
    Window w;
    HBRUSH a = CreateSolidBrush(RGB(10, 20, 30)), b = CreateSolidBrush(RGB(30, 20, 10));
    RECT all{0, 0, kW, kH};
    int i = 0;
    for (auto _ : state) {
        FillRect(w.dc, &all, (++i & 1) ? a : b);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
    DeleteObject(a);
    DeleteObject(b);
}
BENCHMARK(FillRect1080p);

void Memcpy1080p(benchmark::State& state) {
    std::vector<std::uint8_t> src(kBytes, 7), dst(kBytes);
    for (auto _ : state) {
        std::memcpy(dst.data(), src.data(), kBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}
BENCHMARK(Memcpy1080p);

// The double-buffering copy: an off-screen bitmap onto the window.
void BitBlt1080p(benchmark::State& state) {
    Window w;
    Offscreen off(w.dc);
    for (auto _ : state) {
        BitBlt(w.dc, 0, 0, kW, kH, off.dc, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BitBlt1080p);

// Bitmap to bitmap: the pure row copy.
void BitBltBitmaps1080p(benchmark::State& state) {
    Window w;
    Offscreen a(w.dc), b(w.dc);
    for (auto _ : state) {
        BitBlt(a.dc, 0, 0, kW, kH, b.dc, 0, 0, SRCCOPY);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * kBytes));
}
BENCHMARK(BitBltBitmaps1080p);

// 10,000 note-sized rectangles spread over the window, alternating colours.
void SmallRects10000(benchmark::State& state) {
    Window w;
    HBRUSH brushes[3] = {CreateSolidBrush(RGB(200, 60, 60)), CreateSolidBrush(RGB(60, 200, 60)),
                         CreateSolidBrush(RGB(60, 60, 200))};
    std::vector<RECT> rects;
    for (int i = 0; i < 10000; ++i) {
        int x = (i * 97) % (kW - 40), y = (i * 31) % (kH - 10);
        rects.push_back(RECT{x, y, x + 24 + i % 16, y + 8});
    }
    for (auto _ : state) {
        for (int i = 0; i < 10000; ++i) FillRect(w.dc, &rects[static_cast<std::size_t>(i)], brushes[i % 3]);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 10000);
    for (HBRUSH b : brushes) DeleteObject(b);
}
BENCHMARK(SmallRects10000);

// 1,000 ruler and keyboard labels in the dialog font, glyphs cached after the first pass.
void Labels1000(benchmark::State& state) {
    Window w;
    SelectObject(w.dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(w.dc, TRANSPARENT);
    std::vector<std::string> labels;
    const char* notes[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    for (int i = 0; i < 1000; ++i)
        labels.push_back(i % 2 ? std::string(notes[i % 12]) + std::to_string(i % 10) : std::to_string(i / 4 + 1) + ":" + std::to_string(i % 4 + 1));
    for (auto _ : state) {
        for (int i = 0; i < 1000; ++i) {
            const std::string& s = labels[static_cast<std::size_t>(i)];
            TextOut(w.dc, (i * 53) % (kW - 60), (i * 17) % (kH - 20), s.c_str(), static_cast<int>(s.size()));
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(Labels1000);

} // namespace
