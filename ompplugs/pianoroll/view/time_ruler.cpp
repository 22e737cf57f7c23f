// The ruler's mark spacing, the time ruler pane (marks, labels, drag to scroll) and the loop bar pane
// (the loop region: hit zones, tooltip, dragging with snapping).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "mp/settings.h"
#include "mp/track_access.h"
#include "resources/menus.h"
#include "view/track_view.h"
#include "win/controls.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kMinDrawnStepPixels = 8;
// The height of the label font when it cannot be measured.
constexpr int kFallbackFontHeight = 13;
// Ruler and loop bar heights over the label font's.
constexpr int kRulerExtraHeight = 6;
constexpr int kLoopBarExtraHeight = 10;
constexpr int kSlimLoopBarHeight = 12;

std::uint32_t TicksPerQuarter(const TrackView* v) {
    const std::uint32_t tpq = v->access ? v->access->TicksPerQuarter() : 0;
    return tpq > 0 ? tpq : (v->snap.ticksPerQuarter > 0 ? v->snap.ticksPerQuarter : kDefaultTicksPerQuarter);
}

std::uint32_t TimeSignature(const TrackView* v) {
    return v->access ? v->access->GetTimeSignature() : v->snap.timeSignature;
}

void PositionText(TrackView* v, std::int64_t ticks, char* buffer) {
    buffer[0] = 0;
    v->owner.PositionToText(v, ticks, buffer);
    buffer[kPositionTextCapacity - 1] = 0;
}

void Fill(HDC dc, int l, int t, int r, int b, COLORREF colour) {
    if (r <= l || b <= t) return;
    const RECT rc{l, t, r, b};
    HBRUSH brush = CreateSolidBrush(colour);
    FillRect(dc, &rc, brush);
    DeleteObject(brush);
}

int FontHeight() {
    const int h = VorUI_GetFontHeight(VOR_FONT_SMALL);
    return h > 0 ? h : kFallbackFontHeight;
}

} // namespace

// The "Loop" (over the region) or "General" menu of the ruler and the loop bar, at a client point.
void ShowLoopMenu(TrackView* v, int x, int y, bool overRegion) {
    HMENU menus = LoadModuleMenu(kRulerMenu);
    HMENU menu = menus ? GetSubMenu(menus, overRegion ? RULER_MENU_LOOP : RULER_MENU_GENERAL) : nullptr;
    if (!menu) {
        if (menus) DestroyMenu(menus);
        return;
    }
    const bool looping = v->access && v->access->IsLooping();
    CheckMenuItem(menu, CMD_LOOP_PLAYBACK, MF_BYCOMMAND | (looping ? MF_CHECKED : MF_UNCHECKED));
    if (v->settings) {
        const int current = GridSpacingCommandOf(v->settings->gridSpacing);
        CheckMenuRadioItem(menu, CMD_GRID_SPACING_MENU_FIRST, CMD_GRID_SPACING_LAST, static_cast<UINT>(current), MF_BYCOMMAND);
    }
    POINT pt{x, y};
    ClientToScreen(v->hwnd, &pt);
    const int command = static_cast<int>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, 0, v->hwnd, nullptr));
    DestroyMenu(menus);
    // The view's command handler runs the loop commands and the grid spacings, and passes on the rest.
    if (command != 0) SendMessage(v->hwnd, WM_COMMAND, static_cast<WPARAM>(command), 0);
}

// ---- Mark spacing -----------------------------------------------------------------------------------

RulerStep ComputeRulerStep(std::int64_t ticksPerQuarter, int numerator, int denominator, std::int64_t minDistance) {
    if (ticksPerQuarter <= 0) ticksPerQuarter = kDefaultTicksPerQuarter;
    if (numerator <= 0) numerator = 4;
    if (denominator <= 0) denominator = 4;
    const std::int64_t beat = std::max<std::int64_t>(ticksPerQuarter * 4 / denominator, 1);
    const std::int64_t measure = numerator * beat;
    const std::int64_t d = std::max<std::int64_t>(minDistance, 0);
    std::int64_t m = d / measure;
    const std::int64_t r = d - m * measure;
    std::int64_t b = r / beat;
    const std::int64_t t = r - b * beat;
    RulerStep out;
    if (m >= 1) {
        if (b > 1) ++m;
        std::int64_t power = 1;
        while (power * 2 <= m && power < (std::int64_t{1} << 40)) power *= 2;
        const std::int64_t measures = 2 * power;
        out.step = static_cast<double>(measures * measure);
        out.subdivisions = (numerator * measures) % 4 != 0 ? static_cast<int>(std::min<std::int64_t>(measures, 1 << 20)) : 4;
        out.labelled = true;
    } else if (b >= 1) {
        if (t > 1) ++b;
        if (numerator % b != 0 || b == numerator) {
            out.step = static_cast<double>(measure);
            out.subdivisions = numerator;
        } else {
            out.step = static_cast<double>(b * beat);
            out.subdivisions = 4;
        }
        out.labelled = true;
    } else {
        std::int64_t h = beat / 2;
        if (t <= h) {
            while (t < h && h > 1) h /= 2;
            out.step = static_cast<double>(std::max<std::int64_t>(2 * h, 1));
            out.subdivisions = 4;
            out.labelled = false;
        } else {
            out.step = static_cast<double>(beat);
            out.subdivisions = 4;
            out.labelled = true;
        }
    }
    return out;
}

RulerStep ViewRulerStep(TrackView* v, HDC dc) {
    RulerStep out;
    const double tpp = v->geo.ticksPerPixel > 0 ? v->geo.ticksPerPixel : 1.0;
    // The widest label is that of the furthest time shown; it is measured as a run of "2"s.
    char text[kPositionTextCapacity];
    PositionText(v, std::max(v->geo.documentLength, v->geo.timeOrigin + v->geo.timeSpan), text);
    const int length = std::max<int>(static_cast<int>(std::strlen(text)), 1);
    char digits[32];
    std::memset(digits, '2', sizeof digits);
    int labelWidth = length * 8;
    if (dc) {
        HGDIOBJ old = nullptr;
        if (HFONT font = VorUI_GetFont(VOR_FONT_SMALL)) old = SelectObject(dc, font);
        SIZE size{};
        if (GetTextExtentPoint32(dc, digits, length, &size) && size.cx > 0) labelWidth = size.cx;
        if (old) SelectObject(dc, old);
    }
    const double minPixels = (labelWidth + 2) * 1.6;
    const std::uint32_t signature = TimeSignature(v);
    if (!v->settings || v->settings->gridSpacing == 0) {
        out = ComputeRulerStep(TicksPerQuarter(v), static_cast<int>(signature >> 16), static_cast<int>(signature & 0xFFFF),
                               static_cast<std::int64_t>(minPixels * tpp));
    } else {
        double step = std::max(GridSpacingOfSetting(v->snap, *v->settings), 1.0);
        const int minGrid = std::max(v->settings->minGridPixels, 1);
        while (step / tpp < minGrid && step < 1e15) step *= 2;
        out.step = step;
        out.subdivisions = std::max(1, static_cast<int>(std::ceil(minPixels / (step / tpp))));
        out.labelled = true;
    }
    out.step = std::max(out.step, 1.0);
    v->ruler.step = out.step;
    v->ruler.subdivisions = out.subdivisions;
    v->ruler.labelled = out.labelled;
    if (v->settings) SetDrawnGridSpacing(v->snap, *v->settings, out.step);
    return out;
}

bool RulerMarksDrawn(const TrackView* v, double step) {
    const double tpp = v->geo.ticksPerPixel > 0 ? v->geo.ticksPerPixel : 1.0;
    return v->geo.timeSpan > 0 && step / tpp > kMinDrawnStepPixels;
}

// ---- Time ruler pane (6) -------------------------------------------------------------------------

namespace {

void RulerLayout(TrackView* v, Pane* pane, RECT* remaining) {
    const int height = std::min<int>(FontHeight() + kRulerExtraHeight, std::max<int>(remaining->bottom - remaining->top, 0));
    const int width = std::max<int>(remaining->right - remaining->left, 0);
    if (pane->flags & PANE_RULER_AT_BOTTOM) {
        pane->rect = {remaining->left, remaining->bottom - height, remaining->left + width, remaining->bottom};
        remaining->bottom -= height;
    } else {
        pane->rect = {remaining->left, remaining->top, remaining->left + width, remaining->top + height};
        remaining->top += height;
    }
    pane->width = width;
    pane->height = height;
    (void)v;
}

void RulerPaint(TrackView* v, Pane* pane, HDC dc, const RECT* clip) {
    const RECT& r = pane->rect;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    Fill(dc, clip->left, r.top, clip->right, r.bottom, face);
    const bool bottom = (pane->flags & PANE_RULER_AT_BOTTOM) != 0;
    Fill(dc, clip->left, bottom ? r.top : r.bottom - 1, clip->right, bottom ? r.top + 1 : r.bottom, shadow);
    if (v->geo.timeSpan <= 0) return;
    const RulerStep step = ViewRulerStep(v, dc);
    if (!RulerMarksDrawn(v, step.step)) return;
    HGDIOBJ oldFont = nullptr;
    if (HFONT font = VorUI_GetFont(VOR_FONT_SMALL)) oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    const std::uint32_t tpq = TicksPerQuarter(v);
    const std::uint32_t signature = TimeSignature(v);
    const std::int64_t denominator = std::max<std::int64_t>(signature & 0xFFFF, 1);
    const std::int64_t beat = std::max<std::int64_t>(tpq * 4 / denominator, 1);
    const int left = std::max<int>(clip->left, v->geo.grid.left);
    const int right = std::min<int>(clip->right, v->geo.grid.right);
    // Labels reach to the right of their mark: start a label width early so cut labels are drawn.
    const std::int64_t firstIndex = std::max<std::int64_t>(
        static_cast<std::int64_t>(std::floor(static_cast<double>(TickOfX(v, left)) / step.step)) - step.subdivisions, 0);
    for (std::int64_t i = firstIndex;; ++i) {
        const std::int64_t t = static_cast<std::int64_t>(std::llround(static_cast<double>(i) * step.step));
        const int x = XOfTick(v, t);
        if (x >= right || x >= v->geo.grid.right) break;
        const bool labelled = step.labelled ? (i % std::max(step.subdivisions, 1) == 0) : (t % beat == 0);
        const int length = labelled ? r.bottom - r.top - 2 : (r.bottom - r.top) / 4;
        if (x >= v->geo.grid.left) {
            if (bottom) Fill(dc, x, r.top + 1, x + 1, r.top + 1 + length, ink);
            else Fill(dc, x, r.bottom - 1 - length, x + 1, r.bottom - 1, ink);
        }
        if (labelled) {
            char text[kPositionTextCapacity];
            PositionText(v, t, text);
            RECT box{x + 3, r.top + 1, x + 3 + 400, r.bottom - 1};
            if (box.left < v->geo.grid.left) continue;
            const RECT cut{std::max<int>(box.left, left), box.top, right, box.bottom};
            ExtTextOut(dc, box.left, box.top + 1, ETO_CLIPPED, &cut, text, static_cast<UINT>(std::strlen(text)), nullptr);
        }
    }
    if (oldFont) SelectObject(dc, oldFont);
    if ((pane->flags & PANE_LOOP_LINES) && v->time.loopShown) {
        const COLORREF loop = VorUI_GetColor(VOR_COLOR_LOOP);
        for (std::int64_t t : {v->time.loopStart, v->time.loopEnd}) {
            const int x = XOfTick(v, t);
            if (x >= left && x < right) Fill(dc, x, r.top, x + 1, r.bottom, loop);
        }
    }
}

// The right button of the ruler and the loop bar: the press captures, the release opens the menu
// ("Loop" over the region, else "General") unless the pane has none.
LRESULT LoopMenuButton(TrackView* v, Pane* pane, UINT msg, LPARAM lParam, bool overRegion) {
    if (msg == WM_RBUTTONDOWN) {
        if (v->drag == Drag::None) SetCapture(v->hwnd);
        return 0;
    }
    if (v->drag != Drag::None) return 0;
    if (GetCapture() == v->hwnd) ReleaseCapture();
    if (!(pane->flags & RULER_NO_MENU))
        ShowLoopMenu(v, static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)), overRegion);
    return 0;
}

LRESULT RulerMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    switch (msg) {
    case WM_LBUTTONDOWN:
        if ((wParam & MK_RBUTTON) || v->drag != Drag::None) return 0;
        SetCapture(v->hwnd);
        SetDrag(v, Drag::RulerArmed);
        v->ruler.dragX = x;
        return 0;
    case WM_MOUSEMOVE:
        if (v->drag == Drag::RulerArmed) {
            InvalidateView(v, INV_ALL);
            SetDrag(v, Drag::RulerScroll);
            v->ruler.dragX = x;
        } else if (v->drag == Drag::RulerScroll) {
            // Outside the ruler's width the view scrolls by itself toward the pointer.
            AutoScrollForPoint(v, x, static_cast<short>(HIWORD(lParam)), pane->rect, 0, AS_HORIZONTAL);
            if (x >= pane->rect.left && x < pane->rect.right) {
                const int dx = std::clamp(x - v->ruler.dragX, -kPixelClamp, kPixelClamp);
                v->ruler.dragX = x;
                if (dx != 0) {
                    const std::int64_t shift = static_cast<std::int64_t>(std::llround(dx * v->geo.ticksPerPixel));
                    SetTimeView(v, std::max<std::int64_t>(v->geo.timeOrigin - shift, 0), v->geo.timeSpan, 0);
                    InvalidateView(v, INV_ALL);
                }
            }
        }
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP: return LoopMenuButton(v, pane, msg, lParam, false);
    case WM_LBUTTONUP:
    case WM_CANCELMODE: // Escape
    case WM_CAPTURECHANGED:
        if (v->drag == Drag::RulerArmed || v->drag == Drag::RulerScroll) {
            SetDrag(v, Drag::None);
            EndAutoScroll(v);
            if (msg != WM_CAPTURECHANGED && GetCapture() == v->hwnd) ReleaseCapture();
            InvalidateView(v, INV_ALL);
        }
        return 0;
    default: return 0;
    }
}

// ---- Loop bar pane (4) -----------------------------------------------------------------------------

void LoopBarLayout(TrackView* v, Pane* pane, RECT* remaining) {
    const int wanted = (pane->flags & PANE_LOOP_BAR_SLIM) ? kSlimLoopBarHeight : FontHeight() + kLoopBarExtraHeight;
    const int height = std::min<int>(wanted, std::max<int>(remaining->bottom - remaining->top, 0));
    const int width = std::max<int>(remaining->right - remaining->left, 0);
    pane->rect = {remaining->left, remaining->top, remaining->left + width, remaining->top + height};
    pane->width = width;
    pane->height = height;
    remaining->top += height;
    (void)v;
}

int RegionTop(const Pane* pane) {
    const int top = pane->rect.top, bottom = pane->rect.bottom;
    return std::min((top + 2 + bottom - 2) / 2, bottom - 12);
}

void RefreshLoopX(TrackView* v) {
    if (!v->time.loopShown || v->geo.timeSpan <= 0) {
        v->loopBar.startX = v->loopBar.endX = -1;
        return;
    }
    v->loopBar.startX = XOfTick(v, v->time.loopStart);
    v->loopBar.endX = XOfTick(v, v->time.loopEnd);
}

int LoopBarHitTest(TrackView* v, Pane* pane, int x, int y) {
    if (y < pane->rect.top + 2 || y >= pane->rect.bottom - 2) return 0;
    if (!(pane->flags & LOOP_BAR_SHOWS_REGION) || !v->time.loopShown || y < RegionTop(pane)) return 0;
    RefreshLoopX(v);
    if (x < v->loopBar.startX - 2 || x > v->loopBar.endX + 2) return 0;
    const int e = std::clamp((v->loopBar.endX - v->loopBar.startX) / 3, 1, 8);
    int part;
    if (x <= v->loopBar.startX + e) part = LB_START_EDGE;
    else if (x < v->loopBar.endX - e) part = LB_BODY;
    else part = LB_END_EDGE;
    char from[kPositionTextCapacity], to[kPositionTextCapacity], tip[3 * kPositionTextCapacity];
    PositionText(v, v->time.loopStart, from);
    PositionText(v, v->time.loopEnd, to);
    std::snprintf(tip, sizeof tip, "Loop Region: %s to %s", from, to);
    SetTipText(v, tip);
    return part;
}

int LoopBarCursor(TrackView*, Pane* pane, std::uint32_t hitCode) {
    const int part = PartOfHit(hitCode);
    if (part == LB_START_EDGE || part == LB_END_EDGE || part == LB_SELECTION_START || part == LB_SELECTION_END) return VOR_CURSOR_SIZE_TIME;
    if ((pane->flags & LOOP_BAR_SHOWS_REGION) && part != LB_BODY) return VOR_CURSOR_MOVE_TIME;
    return VOR_CURSOR_ARROW;
}

void LoopBarPaint(TrackView* v, Pane* pane, HDC dc, const RECT* clip) {
    const RECT& r = pane->rect;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    Fill(dc, clip->left, r.top, clip->right, r.bottom, face);
    Fill(dc, clip->left, r.bottom - 1, clip->right, r.bottom, shadow);
    if (v->drag == Drag::LoopBody || v->drag == Drag::LoopStart || v->drag == Drag::LoopEnd) {
        v->loopBar.startX = XOfTick(v, v->loopBar.dragStart);
        v->loopBar.endX = XOfTick(v, v->loopBar.dragStart + v->loopBar.dragLength);
    } else {
        RefreshLoopX(v);
    }
    if (v->loopBar.startX < 0 && v->loopBar.endX < 0) return;
    const COLORREF loop = VorUI_GetColor(VOR_COLOR_LOOP);
    const int left = std::max<int>({v->loopBar.startX, clip->left, v->geo.grid.left});
    const int right = std::min<int>({v->loopBar.endX + 1, clip->right, v->geo.grid.right});
    const int top = RegionTop(pane);
    // The band is stronger while playback loops over it.
    const bool looping = v->access && v->access->IsLooping();
    Fill(dc, left, top, right, r.bottom - 2, Blend(face, loop, looping ? 128 : 48));
    for (int x : {v->loopBar.startX, v->loopBar.endX})
        if (x >= std::max<int>(clip->left, v->geo.grid.left) && x < std::min<int>(clip->right, v->geo.grid.right))
            Fill(dc, x, r.top + 1, x + 1, r.bottom - 1, loop);
}

std::int64_t SnapLoopTime(TrackView* v, std::int64_t t) {
    if (!SnappingActive(v->settings)) return t;
    return NearestSnap(SnapContextOf(*v, v->snap), t, SNAP_GRID);
}

bool LoopDrag(Drag state) { return state == Drag::LoopBody || state == Drag::LoopStart || state == Drag::LoopEnd; }

std::int64_t BarTime(TrackView* v, int x) {
    const std::int64_t t = TickOfX(v, std::clamp<int>(x, v->geo.grid.left, v->geo.grid.right));
    return std::clamp<std::int64_t>(SnapLoopTime(v, t), 0, std::max<std::int64_t>(v->geo.documentLength, 0));
}

LRESULT LoopBarMouse(TrackView* v, Pane* pane, UINT msg, WPARAM, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int part = PartOfHit(v->hitCode);
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (v->drag != Drag::None) return 0;
        SetCapture(v->hwnd);
        v->loopBar.dragAnchor = TickOfX(v, x);
        if (part == LB_BODY || part == LB_START_EDGE || part == LB_END_EDGE) {
            SetDrag(v, part == LB_BODY ? Drag::LoopBody : part == LB_START_EDGE ? Drag::LoopStart : Drag::LoopEnd);
            v->loopBar.dragStart = v->time.loopStart;
            v->loopBar.dragLength = v->time.loopEnd - v->time.loopStart;
            return 0;
        }
        // Elsewhere the bar selects time from the press.
        SetDrag(v, Drag::LoopSelect);
        v->loopBar.dragAnchor = BarTime(v, x);
        BeginTimeSelection(v, v->loopBar.dragAnchor);
        return 0;
    case WM_MOUSEMOVE:
    case PANE_AUTOSCROLLED: {
        if (v->drag == Drag::LoopSelect) {
            if (msg == WM_MOUSEMOVE) AutoScrollForPoint(v, x, static_cast<short>(HIWORD(lParam)), v->geo.grid, 0, AS_HORIZONTAL);
            ExtendTimeSelection(v, v->loopBar.dragAnchor, BarTime(v, x));
            return 0;
        }
        if (!LoopDrag(v->drag)) return 0;
        const std::int64_t t = TickOfX(v, std::clamp<int>(x, v->geo.grid.left, v->geo.grid.right));
        const std::int64_t end = std::max<std::int64_t>(v->geo.documentLength, 0);
        const std::int64_t length = v->time.loopEnd - v->time.loopStart;
        if (v->drag == Drag::LoopBody) {
            std::int64_t start = SnapLoopTime(v, v->time.loopStart + t - v->loopBar.dragAnchor);
            start = std::clamp<std::int64_t>(start, 0, std::max<std::int64_t>(end - length, 0));
            v->loopBar.dragStart = start;
            v->loopBar.dragLength = length;
        } else if (v->drag == Drag::LoopStart) {
            const std::int64_t start = std::clamp<std::int64_t>(SnapLoopTime(v, t), 0, v->time.loopEnd);
            v->loopBar.dragStart = start;
            v->loopBar.dragLength = v->time.loopEnd - start;
        } else {
            const std::int64_t stop = std::clamp<std::int64_t>(SnapLoopTime(v, t), v->time.loopStart, std::max(end, v->time.loopStart));
            v->loopBar.dragStart = v->time.loopStart;
            v->loopBar.dragLength = stop - v->time.loopStart;
        }
        InvalidateView(v, INV_LOOP_BAR | INV_NO_GRID);
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        const Drag state = v->drag;
        if (!LoopDrag(state) && state != Drag::LoopSelect) return 0;
        SetDrag(v, Drag::None);
        EndAutoScroll(v);
        if (msg == WM_LBUTTONUP && GetCapture() == v->hwnd) ReleaseCapture();
        if (state == Drag::LoopSelect) {
            FinishTimeSelection(v, v->loopBar.dragAnchor);
        } else if (msg == WM_LBUTTONUP) {
            SetLoopRange(v, v->loopBar.dragStart, v->loopBar.dragLength);
        }
        InvalidateView(v, INV_LOOP_BAR);
        return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return LoopMenuButton(v, pane, msg, lParam, part == LB_BODY || part == LB_START_EDGE || part == LB_END_EDGE);
    default: return 0;
    }
}

PaneClass gRulerClass{};
PaneClass gLoopBarClass{};

} // namespace

PaneClass* TimeRulerPaneClass() {
    if (!gRulerClass.Layout) {
        gRulerClass.Layout = RulerLayout;
        gRulerClass.Paint = RulerPaint;
        gRulerClass.OnMouse = RulerMouse;
        RegisterPaneClass(&gRulerClass);
    }
    return &gRulerClass;
}

PaneClass* LoopBarPaneClass() {
    if (!gLoopBarClass.Layout) {
        gLoopBarClass.Layout = LoopBarLayout;
        gLoopBarClass.HitTest = LoopBarHitTest;
        gLoopBarClass.Paint = LoopBarPaint;
        gLoopBarClass.OnMouse = LoopBarMouse;
        gLoopBarClass.GetCursor = LoopBarCursor;
        RegisterPaneClass(&gLoopBarClass);
    }
    return &gLoopBarClass;
}

} // namespace pianoroll
