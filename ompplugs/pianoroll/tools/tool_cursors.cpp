// Cursor images of the tools, drawn here and registered as the module's cursor resources.
#include <cmath>
#include <cstdint>
#include <vector>

#include "tools/tools.h"
#include "vor/ui_resources.h"
#include "win/win.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kSize = 32;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

struct Canvas {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kSize * kSize, 0);
    void Set(int x, int y) {
        if (x >= 0 && y >= 0 && x < kSize && y < kSize) pixels[static_cast<std::size_t>(y * kSize + x)] = kBlack;
    }
    void HLine(int x0, int x1, int y) {
        for (int x = x0; x <= x1; ++x) Set(x, y);
    }
    void VLine(int x, int y0, int y1) {
        for (int y = y0; y <= y1; ++y) Set(x, y);
    }
    void Line(int x0, int y0, int x1, int y1) {
        const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
        for (int i = 0; i <= steps; ++i)
            Set(x0 + (steps ? (x1 - x0) * i / steps : 0), y0 + (steps ? (y1 - y0) * i / steps : 0));
    }
    void Box(int x0, int y0, int x1, int y1, bool dashed = false) {
        for (int x = x0; x <= x1; ++x)
            if (!dashed || (x - x0) % 3 != 2) {
                Set(x, y0);
                Set(x, y1);
            }
        for (int y = y0; y <= y1; ++y)
            if (!dashed || (y - y0) % 3 != 2) {
                Set(x0, y);
                Set(x1, y);
            }
    }
    void Fill(int x0, int y0, int x1, int y1) {
        for (int y = y0; y <= y1; ++y) HLine(x0, x1, y);
    }
    // The system arrow's shape with its tip at (x, y).
    void Arrow(int x, int y) {
        for (int r = 0; r < 14; ++r) HLine(x, x + r * 2 / 3, y + r);
        Line(x + 4, y + 12, x + 7, y + 18);
        Line(x + 5, y + 12, x + 8, y + 18);
    }
    void HorizontalArrows(int x0, int x1, int y) {
        HLine(x0, x1, y);
        for (int i = 1; i <= 3; ++i) {
            VLine(x0 + i, y - i, y + i);
            VLine(x1 - i, y - i, y + i);
        }
    }
    void VerticalArrows(int x, int y0, int y1) {
        VLine(x, y0, y1);
        for (int i = 1; i <= 3; ++i) {
            HLine(x - i, x + i, y0 + i);
            HLine(x - i, x + i, y1 - i);
        }
    }
    // White outline around every black pixel, so the shape shows on any background.
    std::vector<std::uint32_t> Outlined() const {
        std::vector<std::uint32_t> out = pixels;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                if (pixels[static_cast<std::size_t>(y * kSize + x)]) continue;
                bool near = false;
                for (int dy = -1; dy <= 1 && !near; ++dy)
                    for (int dx = -1; dx <= 1 && !near; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        near = nx >= 0 && ny >= 0 && nx < kSize && ny < kSize &&
                               pixels[static_cast<std::size_t>(ny * kSize + nx)] == kBlack;
                    }
                if (near) out[static_cast<std::size_t>(y * kSize + x)] = kWhite;
            }
        return out;
    }
};

HINSTANCE gInstance = nullptr;

void Register(int id, const Canvas& canvas, int hotX, int hotY) {
    const std::vector<std::uint32_t> image = canvas.Outlined();
    RegisterCursorResource(gInstance, static_cast<UINT>(id), kSize, kSize, hotX, hotY, image.data());
}

} // namespace

void RegisterToolCursors(HINSTANCE instance) {
    if (!instance || instance == gInstance) return;
    gInstance = instance;
    Canvas magnifier;
    for (int a = 0; a < 64; ++a) {
        const double t = a * 6.283185307179586 / 64;
        magnifier.Set(10 + static_cast<int>(std::lround(7 * std::cos(t))), 10 + static_cast<int>(std::lround(7 * std::sin(t))));
    }
    magnifier.Line(15, 15, 24, 24);
    magnifier.Line(16, 15, 25, 24);
    magnifier.Line(15, 16, 24, 25);
    Register(CURSOR_MAGNIFIER, magnifier, 10, 10);

    Canvas pencil;
    for (int i = 0; i < 3; ++i) pencil.Line(3 + i, 27, 22 + i, 8);
    pencil.Line(1, 30, 4, 27);
    pencil.Line(21, 6, 26, 11);
    Register(CURSOR_PENCIL, pencil, 1, 30);

    Canvas range;
    range.HorizontalArrows(4, 27, 16);
    Register(CURSOR_TIME_RANGE, range, 16, 16);

    Canvas moveTime;
    moveTime.Arrow(0, 0);
    moveTime.HorizontalArrows(12, 30, 24);
    Register(CURSOR_MOVE_TIME, moveTime, 0, 0);

    Canvas movePitch;
    movePitch.Arrow(0, 0);
    movePitch.VerticalArrows(22, 10, 30);
    Register(CURSOR_MOVE_PITCH, movePitch, 0, 0);

    Canvas startEdge;
    startEdge.Box(16, 8, 28, 24);
    startEdge.HorizontalArrows(3, 20, 16);
    Register(CURSOR_NOTE_START, startEdge, 16, 16);

    Canvas endEdge;
    endEdge.Box(3, 8, 15, 24);
    endEdge.HorizontalArrows(11, 28, 16);
    Register(CURSOR_NOTE_END, endEdge, 15, 16);

    Canvas marquee;
    marquee.Arrow(0, 0);
    marquee.Box(12, 16, 29, 29, true);
    Register(CURSOR_MARQUEE, marquee, 0, 0);

    Canvas brush;
    for (int i = 0; i < 3; ++i) brush.Line(14 + i, 16, 27 + i, 3);
    brush.Fill(6, 17, 14, 22);
    for (int x = 4; x <= 14; x += 2) brush.Line(x, 23, x - 2, 29);
    Register(CURSOR_BRUSH, brush, 2, 29);

    Canvas eraser;
    for (int i = 0; i < 8; ++i) eraser.Line(4 + i, 22 + i / 2, 18 + i, 8 + i / 2);
    eraser.Line(4, 22, 11, 26);
    eraser.HLine(2, 20, 30);
    Register(CURSOR_ERASER, eraser, 5, 27);
}

} // namespace pianoroll
