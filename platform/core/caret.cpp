// The caret: one per process, drawn by inverting framebuffer pixels (twice restores them), hidden
// while its window paints.
#include "internal.h"

namespace win {
namespace core {

namespace {
std::vector<RECT>& DrawnRects() {
    static auto* rects = new std::vector<RECT>;
    return *rects;
}

void InvertRects(Window* top, const std::vector<RECT>& rects) {
    RECT dirty{};
    for (const RECT& r0 : rects) {
        RECT r = IntersectRects(r0, RECT{0, 0, top->fbWidth, top->fbHeight});
        for (LONG y = r.top; y < r.bottom; ++y) {
            std::uint32_t* row = top->pixels.data() + static_cast<std::size_t>(y) * top->fbWidth;
            for (LONG x = r.left; x < r.right; ++x) row[x] ^= 0x00FFFFFFu;
        }
        dirty = UnionRects(dirty, r);
    }
    Present(top, dirty);
}

bool ShouldShow() {
    Caret& c = G().caret;
    Window* w = Get(c.owner);
    return w && c.hideCount <= 0 && c.paintHides == 0 && IsVisibleChain(w) && c.width > 0 && c.height > 0;
}

void Draw() {
    Caret& c = G().caret;
    Window* w = Get(c.owner);
    Window* top = TopOf(w);
    POINT o = ClientOriginInTop(w);
    RECT caretRect{o.x + c.pos.x, o.y + c.pos.y, o.x + c.pos.x + c.width, o.y + c.pos.y + c.height};
    std::vector<RECT> parts;
    for (const RECT& clip : VisibleClientClip(w)) {
        RECT i = IntersectRects(clip, caretRect);
        if (!RectEmpty(i)) parts.push_back(i);
    }
    InvertRects(top, parts);
    DrawnRects() = parts;
    c.drawn = true;
    c.drawnTop = top->handle;
}

} // namespace

void CaretUndraw() {
    Caret& c = G().caret;
    if (!c.drawn) return;
    c.drawn = false;
    if (Window* top = Get(c.drawnTop)) InvertRects(top, DrawnRects());
    DrawnRects().clear();
}

void CaretSync() {
    Caret& c = G().caret;
    bool show = ShouldShow();
    if (c.drawn && !show) CaretUndraw();
    if (!c.drawn && show) Draw();
}

void CaretHideForPaint(Window*) {
    Caret& c = G().caret;
    if (!c.owner) return;
    ++c.paintHides;
    CaretSync();
}

void CaretRestoreAfterPaint(Window*) {
    Caret& c = G().caret;
    if (c.paintHides > 0) --c.paintHides;
    CaretSync();
}

void CaretForget(HWND) {
    Caret& c = G().caret;
    CaretUndraw();
    c = Caret{};
}

} // namespace core

using namespace core;

BOOL CreateCaret(HWND hwnd, HBITMAP, int width, int height) {
    if (!Get(hwnd)) return FALSE;
    Caret& c = G().caret;
    int paintHides = c.paintHides;
    CaretForget(c.owner);
    c.owner = hwnd;
    c.width = width > 0 ? width : GetSystemMetrics(SM_CXBORDER);
    c.height = height > 0 ? height : GetSystemMetrics(SM_CYBORDER);
    c.hideCount = 1;
    c.paintHides = paintHides;
    return TRUE;
}

BOOL DestroyCaret() {
    Caret& c = G().caret;
    if (!c.owner) return FALSE;
    int paintHides = c.paintHides;
    CaretForget(c.owner);
    c.paintHides = paintHides;
    return TRUE;
}

BOOL ShowCaret(HWND hwnd) {
    Caret& c = G().caret;
    if (!Get(c.owner) || (hwnd && hwnd != c.owner)) return FALSE;
    if (c.hideCount > 0) --c.hideCount;
    CaretSync();
    return TRUE;
}

BOOL HideCaret(HWND hwnd) {
    Caret& c = G().caret;
    if (!Get(c.owner) || (hwnd && hwnd != c.owner)) return FALSE;
    ++c.hideCount;
    CaretSync();
    return TRUE;
}

BOOL SetCaretPos(int x, int y) {
    Caret& c = G().caret;
    if (!Get(c.owner)) return FALSE;
    if (c.pos.x == x && c.pos.y == y) return TRUE;
    CaretUndraw();
    c.pos = POINT{x, y};
    CaretSync();
    return TRUE;
}

BOOL GetCaretPos(LPPOINT pt) {
    Caret& c = G().caret;
    if (!pt || !Get(c.owner)) return FALSE;
    *pt = c.pos;
    return TRUE;
}

UINT GetCaretBlinkTime() { return G().caretBlinkTime; }

BOOL SetCaretBlinkTime(UINT ms) {
    G().caretBlinkTime = ms;
    return TRUE;
}

} // namespace win
