// Painting: update regions, WM_PAINT bookkeeping, BeginPaint/EndPaint, window DCs and framebuffers.
#include "internal.h"
#include "win/detail/surface.h"
#include "win/gdi.h"

namespace win {
namespace core {

namespace {
struct DcRecord {
    HWND top;
    RECT dirty; // framebuffer coordinates
};
std::unordered_map<HDC, DcRecord>& OpenDcs() {
    static auto* dcs = new std::unordered_map<HDC, DcRecord>;
    return *dcs;
}
} // namespace

void InvalidateInternal(Window* w, const RECT* clientRect, bool erase, int childMode, bool frame) {
    if (!w || w->redrawOff) return;
    RECT client{0, 0, w->clientWidth(), w->clientHeight()};
    RECT r = clientRect ? IntersectRects(*clientRect, client) : client;
    if (frame && (w->inset.left || w->inset.top || w->inset.right || w->inset.bottom)) w->framePending = true;
    if (!RectEmpty(r)) {
        w->update = w->hasUpdate ? UnionRects(w->update, r) : r;
        w->hasUpdate = true;
        if (erase) w->erasePending = true;
    } else if (!frame) {
        return;
    }
    if (childMode == kNoChildren || (childMode == kDefaultChildren && (w->style & WS_CLIPCHILDREN))) return;
    for (Window* c : w->children) {
        if (!(c->style & WS_VISIBLE)) continue;
        RECT part = clientRect ? IntersectRects(r, c->rect) : c->rect;
        if (RectEmpty(part) && !frame) continue;
        LONG ox = c->rect.left + c->inset.left;
        LONG oy = c->rect.top + c->inset.top;
        RECT local{part.left - ox, part.top - oy, part.right - ox, part.bottom - oy};
        bool whole = !clientRect || (part.left == c->rect.left && part.top == c->rect.top &&
                                     part.right == c->rect.right && part.bottom == c->rect.bottom);
        InvalidateInternal(c, whole ? nullptr : &local, erase, childMode, frame && whole);
    }
}

void ValidateAll(Window* w) {
    w->hasUpdate = false;
    w->update = RECT{};
    w->erasePending = false;
    w->internalPaint = false;
    w->framePending = false;
}

static RECT Bounds(const std::vector<RECT>& rects) {
    RECT b{};
    for (const RECT& r : rects) b = UnionRects(b, r);
    return b;
}

static HDC OpenDc(Window* w, const std::vector<RECT>& clip, bool wholeWindow) {
    detail::Surface s{};
    POINT origin{};
    if (!detail::GetWindowSurface(w->handle, &s, &origin)) return nullptr;
    if (wholeWindow) {
        origin.x -= w->inset.left;
        origin.y -= w->inset.top;
    }
    HDC dc = detail::CreateSurfaceDC(w->handle, s, origin, clip.data(), static_cast<int>(clip.size()));
    if (dc) OpenDcs()[dc] = DcRecord{TopOf(w)->handle, Bounds(clip)};
    return dc;
}

static void CloseDc(HDC dc) {
    auto& dcs = OpenDcs();
    auto it = dcs.find(dc);
    if (it == dcs.end()) return;
    DcRecord rec = it->second;
    dcs.erase(it);
    detail::DestroySurfaceDC(dc);
    if (Window* top = Get(rec.top)) Present(top, rec.dirty);
}

} // namespace core

using namespace core;

bool detail::GetWindowSurface(HWND hwnd, Surface* out, POINT* clientOrigin) {
    Window* w = Get(hwnd);
    if (!w || !out) return false;
    Window* top = TopOf(w);
    *out = Surface{top->pixels.empty() ? nullptr : top->pixels.data(), top->fbWidth, top->fbHeight, top->fbWidth};
    if (clientOrigin) *clientOrigin = ClientOriginInTop(w);
    return true;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    if (!hwnd) {
        for (Window* t : G().topLevels) InvalidateInternal(t, nullptr, erase != 0, kAllChildren, true);
        return TRUE;
    }
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    InvalidateInternal(w, rect, erase != 0, kDefaultChildren, false);
    return TRUE;
}

static void ValidatePart(Window* w, const RECT* rect) {
    if (!rect) {
        w->hasUpdate = false;
        w->update = RECT{};
        w->erasePending = false;
        return;
    }
    if (!w->hasUpdate) return;
    std::vector<RECT> rest = SubtractRect({w->update}, *rect);
    if (rest.empty()) {
        w->hasUpdate = false;
        w->update = RECT{};
        w->erasePending = false;
    } else {
        w->update = Bounds(rest);
    }
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    ValidatePart(w, rect);
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL erase) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    if (rect) *rect = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
    if (erase && w->hasUpdate && w->erasePending) {
        HDC dc = GetDC(hwnd);
        if (dc) {
            w->erasePending = SendTo(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
            ReleaseDC(hwnd, dc);
        }
    }
    return w->hasUpdate ? TRUE : FALSE;
}

static void PaintNow(Window* w, bool children) {
    HWND h = w->handle;
    if (IsVisibleChain(w) && (w->hasUpdate || w->internalPaint || w->framePending)) {
        int before = w->paintCalls;
        SendTo(w, WM_PAINT, 0, 0);
        Window* again = Get(h);
        if (!again) return;
        if (again->paintCalls == before) ValidateAll(again);
    }
    if (!children) return;
    Window* again = Get(h);
    if (!again) return;
    std::vector<HWND> kids;
    for (auto it = again->children.rbegin(); it != again->children.rend(); ++it) kids.push_back((*it)->handle);
    for (HWND k : kids)
        if (Window* c = Get(k)) PaintNow(c, true);
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    PaintNow(w, true);
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
    if (region) return FALSE; // this layer keeps no region objects: refuse rather than repaint the wrong area
    std::vector<Window*> targets;
    if (!hwnd) {
        targets = G().topLevels;
    } else {
        Window* w = Get(hwnd);
        if (!w) return FALSE;
        targets.push_back(w);
    }
    int mode = (flags & RDW_ALLCHILDREN) ? kAllChildren : (flags & RDW_NOCHILDREN) ? kNoChildren : kDefaultChildren;
    for (Window* w : targets) {
        if (flags & RDW_INVALIDATE) InvalidateInternal(w, rect, (flags & RDW_ERASE) != 0, mode, (flags & RDW_FRAME) != 0);
        if (flags & RDW_INTERNALPAINT) w->internalPaint = true;
        if (flags & RDW_VALIDATE) {
            ValidatePart(w, rect);
            if (mode != kNoChildren)
                for (Window* c : w->children) ValidatePart(c, nullptr);
        }
        if (flags & RDW_NOERASE) w->erasePending = false;
        if (flags & RDW_NOFRAME) w->framePending = false;
        if (flags & RDW_NOINTERNALPAINT) w->internalPaint = false;
    }
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
        std::vector<HWND> hs;
        for (Window* w : targets) hs.push_back(w->handle);
        for (HWND h : hs)
            if (Window* w = Get(h)) PaintNow(w, mode != kNoChildren);
    }
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* ps) {
    auto keep = Lookup(hwnd);
    if (!keep || !ps) return nullptr;
    Window* w = keep.get();
    ++w->paintCalls;
    CaretHideForPaint(w);
    if (w->framePending) {
        w->framePending = false;
        SendTo(w, WM_NCPAINT, 1, 0);
        if (!Get(hwnd)) {
            CaretRestoreAfterPaint(w);
            return nullptr;
        }
    }
    RECT paint = w->hasUpdate ? w->update : RECT{0, 0, 0, 0};
    bool erase = w->erasePending;
    w->hasUpdate = false;
    w->update = RECT{};
    w->erasePending = false;
    w->internalPaint = false;
    std::vector<RECT> clip = VisibleClientClip(w);
    POINT o = ClientOriginInTop(w);
    RECT paintTop{paint.left + o.x, paint.top + o.y, paint.right + o.x, paint.bottom + o.y};
    std::vector<RECT> clipped;
    for (const RECT& r : clip) {
        RECT i = IntersectRects(r, paintTop);
        if (!RectEmpty(i)) clipped.push_back(i);
    }
    *ps = PAINTSTRUCT{};
    HDC dc = OpenDc(w, clipped, false);
    if (!dc) {
        CaretRestoreAfterPaint(w);
        return nullptr;
    }
    ps->hdc = dc;
    ps->rcPaint = paint;
    if (erase) ps->fErase = SendTo(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (!ps || !ps->hdc) return FALSE;
    if (!OpenDcs().count(ps->hdc)) return FALSE;
    CloseDc(ps->hdc);
    Window* w = Get(hwnd);
    CaretRestoreAfterPaint(w);
    return TRUE;
}

HDC GetDC(HWND hwnd) {
    if (!hwnd) {
        static std::uint32_t screenPixel = 0xFFFFFFFFu;
        static RECT one{0, 0, 1, 1};
        detail::Surface s{&screenPixel, 1, 1, 1};
        HDC dc = detail::CreateSurfaceDC(nullptr, s, POINT{0, 0}, &one, 1);
        if (dc) OpenDcs()[dc] = DcRecord{nullptr, RECT{}};
        return dc;
    }
    Window* w = Get(hwnd);
    if (!w) return nullptr;
    return OpenDc(w, VisibleClientClip(w), false);
}

HDC GetWindowDC(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return nullptr;
    return OpenDc(w, VisibleClientClip(w, true), true);
}

int ReleaseDC(HWND, HDC dc) {
    if (!dc || !OpenDcs().count(dc)) return 0;
    CloseDc(dc);
    return 1;
}

} // namespace win
