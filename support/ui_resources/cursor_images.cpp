// The module's cursor pictures: black shapes (the pen's barrel in colour) with a white outline so they
// read on any ground.
#include "cursor_images.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "vor/ui_resources.h"

namespace {

constexpr int kSize = VorCursorImage::kSize;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;
constexpr std::uint32_t kPenBarrel = 0xFF3A62D8u; // a blue barrel
constexpr std::uint32_t kPenCap = 0xFFE8C040u;    // a gold band at the grip

class Canvas {
public:
    explicit Canvas(VorCursorImage* image) : image_(image) { image_->pixels.fill(0); }

    void Set(int x, int y, std::uint32_t c = kBlack) {
        if (x >= 0 && y >= 0 && x < kSize && y < kSize) image_->pixels[static_cast<std::size_t>(y * kSize + x)] = c;
    }
    void Fill(int l, int t, int r, int b, std::uint32_t c = kBlack) {
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x) Set(x, y, c);
    }
    void Line(int x0, int y0, int x1, int y1, std::uint32_t c = kBlack) {
        const int dx = std::abs(x1 - x0), dy = -std::abs(y1 - y0);
        const int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
        int err = dx + dy;
        for (;;) {
            Set(x0, y0, c);
            if (x0 == x1 && y0 == y1) break;
            const int e2 = 2 * err;
            if (e2 >= dy) err += dy, x0 += sx;
            if (e2 <= dx) err += dx, y0 += sy;
        }
    }
    void Ring(int cx, int cy, int radius, int thickness) {
        for (int y = cy - radius - 1; y <= cy + radius + 1; ++y)
            for (int x = cx - radius - 1; x <= cx + radius + 1; ++x) {
                const double d = std::hypot(x - cx, y - cy);
                if (d <= radius + 0.5 && d >= radius - thickness + 0.5) Set(x, y);
            }
    }
    // The classic arrow pointer with its tip at (x, y).
    void Arrow(int x, int y) {
        for (int row = 0; row < 12; ++row)
            for (int col = 0; col <= row && col < 8; ++col) Set(x + col, y + row);
        Fill(x + 3, y + 11, x + 5, y + 16);
        image_->hotX = x;
        image_->hotY = y;
    }
    // A double arrow, horizontal or vertical, centred on (cx, cy) with half-length len.
    void DoubleArrow(int cx, int cy, int len, bool horizontal) {
        for (int i = -len; i <= len; ++i) horizontal ? Set(cx + i, cy) : Set(cx, cy + i);
        for (int k = 0; k < 4; ++k)
            for (int s = -k; s <= k; ++s) {
                if (horizontal) {
                    Set(cx - len + k, cy + s);
                    Set(cx + len - k, cy + s);
                } else {
                    Set(cx + s, cy - len + k);
                    Set(cx + s, cy + len - k);
                }
            }
    }
    // Every transparent pixel next to a black one turns white.
    void Outline() {
        const std::array<std::uint32_t, kSize * kSize> in = image_->pixels;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                if (in[static_cast<std::size_t>(y * kSize + x)] != 0) continue;
                bool near = false;
                for (int dy = -1; dy <= 1 && !near; ++dy)
                    for (int dx = -1; dx <= 1 && !near; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        near = nx >= 0 && ny >= 0 && nx < kSize && ny < kSize &&
                               in[static_cast<std::size_t>(ny * kSize + nx)] == kBlack;
                    }
                if (near) Set(x, y, kWhite);
            }
    }
    void Hot(int x, int y) {
        image_->hotX = x;
        image_->hotY = y;
    }

private:
    VorCursorImage* image_;
};

// Two bars with arrows pointing away from them: columns (11) or rows (12).
void Splitter(Canvas& c, bool columns) {
    for (int bar : {14, 17}) columns ? c.Fill(bar, 8, bar + 1, 24) : c.Fill(8, bar, 24, bar + 1);
    if (columns) {
        c.DoubleArrow(15, 16, 10, true);
        c.Fill(15, 16, 17, 17, 0);
    } else {
        c.DoubleArrow(16, 15, 10, false);
        c.Fill(16, 15, 17, 17, 0);
    }
    c.Hot(16, 16);
}

} // namespace

bool VorUI_DrawCursor(int id, VorCursorImage* image) noexcept {
    if (!image) return false;
    Canvas c(image);
    switch (id) {
    case VOR_CURSOR_MAGNIFIER: // magnifier
        c.Ring(12, 12, 8, 2);
        for (int i = 0; i < 8; ++i) c.Fill(17 + i, 17 + i, 20 + i, 20 + i);
        c.Fill(9, 11, 16, 13); // a plus inside the glass
        c.Fill(11, 9, 13, 16);
        c.Hot(12, 12);
        break;
    case VOR_CURSOR_PENCIL: // pencil, tip at the lower left
        for (int i = 0; i < 20; ++i) c.Line(4 + i, 27 - i - 3, 4 + i + 3, 27 - i);
        c.Line(2, 29, 4, 24);
        c.Line(2, 29, 7, 27);
        c.Fill(22, 2, 25, 5);
        c.Hot(2, 29);
        break;
    case VOR_CURSOR_PEN: // a colour pen, nib at the lower left
        for (int i = 0; i < 19; ++i) c.Line(6 + i, 25 - i - 3, 6 + i + 3, 25 - i, i < 4 ? kPenCap : kPenBarrel);
        c.Line(6, 22, 25, 3);  // the barrel's two sides
        c.Line(9, 25, 28, 6);
        c.Line(25, 3, 28, 6);  // its end
        c.Line(2, 29, 6, 22);  // the nib
        c.Line(2, 29, 9, 25);
        c.Fill(3, 26, 6, 28);
        c.Hot(2, 29);
        break;
    case VOR_CURSOR_ZOOM_SLIDER_TIME: // zoom slider of the time bar: horizontal double arrow over a bar
    case VOR_CURSOR_SIZE_TIME: // time-range drag: horizontal double arrow
        c.DoubleArrow(16, 16, 11, true);
        if (id == VOR_CURSOR_ZOOM_SLIDER_TIME) c.Fill(11, 19, 21, 22);
        c.Hot(16, 16);
        break;
    case VOR_CURSOR_ZOOM_SLIDER_ROWS: // zoom slider of the row bar
    case VOR_CURSOR_SIZE_ROWS:
        c.DoubleArrow(16, 16, 11, false);
        if (id == VOR_CURSOR_ZOOM_SLIDER_ROWS) c.Fill(19, 11, 22, 21);
        c.Hot(16, 16);
        break;
    case VOR_CURSOR_SPLIT_COLUMNS: Splitter(c, true); break;
    case VOR_CURSOR_SPLIT_ROWS: Splitter(c, false); break;
    case VOR_CURSOR_MOVE_TIME: // move constrained to time
        c.Arrow(1, 1);
        c.DoubleArrow(21, 22, 8, true);
        c.Hot(1, 1);
        break;
    case VOR_CURSOR_MOVE_PITCH: // move constrained to pitch
        c.Arrow(1, 1);
        c.DoubleArrow(22, 21, 8, false);
        c.Hot(1, 1);
        break;
    case VOR_CURSOR_NOTE_START: // a double arrow entering a box from the left: the start edge
    case VOR_CURSOR_NOTE_END: { // leaving a box on the right: the end edge
        const int box = id == VOR_CURSOR_NOTE_START ? 16 : 4;
        c.Fill(box, 10, box + 12, 11);
        c.Fill(box, 22, box + 12, 23);
        const int side = id == VOR_CURSOR_NOTE_START ? box : box + 11;
        c.Fill(side, 10, side + 1, 23);
        c.DoubleArrow(16, 16, 10, true);
        c.Hot(16, 16);
        break;
    }
    case VOR_CURSOR_MARQUEE: // arrow with a dashed rectangle: the Selection tool
        c.Arrow(1, 1);
        for (int x = 12; x < 30; x += 3) c.Fill(x, 14, x + 2, 15), c.Fill(x, 28, x + 2, 29);
        for (int y = 14; y < 29; y += 3) c.Fill(12, y, 13, y + 2), c.Fill(29, y, 30, y + 2);
        break;
    case VOR_CURSOR_KEY_SELECT: // arrow with a key beside it: Ctrl+click selects the key's notes
        c.Arrow(1, 1);
        c.Fill(16, 14, 28, 30);
        c.Fill(18, 16, 26, 28, kWhite);
        c.Fill(18, 16, 22, 23);
        break;
    case VOR_CURSOR_BRUSH: // paint brush, tip at the lower left
        for (int i = 0; i < 14; ++i) c.Line(12 + i, 19 - i, 14 + i, 21 - i);
        c.Fill(5, 21, 11, 27);
        c.Line(2, 30, 5, 26);
        c.Line(3, 30, 6, 27);
        c.Hot(2, 30);
        break;
    case VOR_CURSOR_ERASER: // eraser: a tilted block, its lower left corner rubs
        for (int i = 0; i < 12; ++i) c.Line(4 + i, 20 - i, 12 + i, 28 - i);
        for (int i = 0; i < 12; ++i) c.Line(16 + i, 8 - i / 2, 16 + i, 16 - i);
        c.Hot(6, 26);
        break;
    default: return false;
    }
    c.Outline();
    return true;
}
