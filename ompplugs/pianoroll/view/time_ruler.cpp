// The ruler's mark spacing, the time ruler pane (marks, labels, drag to scroll), and what the ruler and
// the loop bar share: position texts, the label font, and the right button's loop menu.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "mp/settings.h"
#include "mp/track_access.h"
#include "resources/menus.h"
#include "view/gdi_handle.h"
#include "view/time_grid.h"
#include "view/track_view.h"
#include "win/controls.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

// The height of the label font when it cannot be measured.
constexpr int kFallbackFontHeight = 13;
// The ruler is this much higher than its label font.
constexpr int kRulerExtraHeight = 6;

} // namespace

void StripPositionText(TrackView* v, std::int64_t ticks, char* buffer) {
    buffer[0] = 0;
    v->owner.PositionToText(v, ticks, buffer);
    buffer[kPositionTextCapacity - 1] = 0;
}

void FillSolid(HDC dc, int l, int t, int r, int b, COLORREF colour) {
    if (r <= l || b <= t) return;
    const RECT rc{l, t, r, b};
    const OwnedBrush brush(CreateSolidBrush(colour));
    FillRect(dc, &rc, brush.Get());
}

int StripFontHeight() {
    const int h = VorUI_GetFontHeight(VOR_FONT_SMALL);
    return h > 0 ? h : kFallbackFontHeight;
}

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

// The "Loop" (over the region) or "General" menu of the ruler and the loop bar, at a client point.
void ShowLoopMenu(TrackView* v, int x, int y, bool overRegion) {
    HMENU menus = LoadModuleMenu(kRulerMenu);
    HMENU menu = menus ? GetSubMenu(menus, overRegion ? RULER_MENU_LOOP : RULER_MENU_GENERAL) : nullptr;
    if (!menu) {
        if (menus) DestroyMenu(menus);
        return;
    }
    if (!overRegion) PrepareSignatureItems(v, menu, x);
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

// ---- Time ruler pane (6) -------------------------------------------------------------------------

namespace {

void RulerLayout(TrackView* v, Pane* pane, RECT* remaining) {
    const int height = std::min<int>(StripFontHeight() + kRulerExtraHeight, std::max<int>(remaining->bottom - remaining->top, 0));
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
    FillSolid(dc, clip->left, r.top, clip->right, r.bottom, face);
    const bool bottom = (pane->flags & PANE_RULER_AT_BOTTOM) != 0;
    FillSolid(dc, clip->left, bottom ? r.top : r.bottom - 1, clip->right, bottom ? r.top + 1 : r.bottom, shadow);
    if (v->geo.timeSpan <= 0) return;
    HGDIOBJ oldFont = nullptr;
    if (HFONT font = VorUI_GetFont(VOR_FONT_SMALL)) oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    const BarGrid& bars = ViewBars(v);
    const int left = std::max<int>(clip->left, v->geo.grid.left);
    const int right = std::min<int>(clip->right, v->geo.grid.right);
    const LineSpacing spacing = ViewLineSpacing(v);
    const std::int64_t from = TickOfX(v, left);
    // Labels reach to the right of their mark: start a label width early so cut labels are drawn.
    const int back = bars.StepIn(spacing, bars.MeterAt(from)).subdivisions;
    bars.ForEachLine(spacing, from, back, [&](std::int64_t t, bool labelled) {
        const int x = XOfTick(v, t);
        if (x >= right || x >= v->geo.grid.right) return false;
        const int length = labelled ? r.bottom - r.top - 2 : (r.bottom - r.top) / 4;
        if (x >= v->geo.grid.left) {
            if (bottom) FillSolid(dc, x, r.top + 1, x + 1, r.top + 1 + length, ink);
            else FillSolid(dc, x, r.bottom - 1 - length, x + 1, r.bottom - 1, ink);
        }
        if (!labelled) return true;
        char text[kPositionTextCapacity];
        StripPositionText(v, t, text);
        const RECT box{x + 3, r.top + 1, x + 3 + 400, r.bottom - 1};
        if (box.left < v->geo.grid.left) return true;
        const RECT cut{std::max<int>(box.left, left), box.top, right, box.bottom};
        ExtTextOut(dc, box.left, box.top + 1, ETO_CLIPPED, &cut, text, static_cast<UINT>(std::strlen(text)), nullptr);
        return true;
    });
    if (oldFont) SelectObject(dc, oldFont);
    if ((pane->flags & PANE_LOOP_LINES) && v->time.loopShown) {
        const COLORREF loop = VorUI_GetColor(VOR_COLOR_LOOP);
        for (std::int64_t t : {v->time.loopStart, v->time.loopEnd}) {
            const int x = XOfTick(v, t);
            if (x >= left && x < right) FillSolid(dc, x, r.top, x + 1, r.bottom, loop);
        }
    }
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

PaneClass gRulerClass{};

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

} // namespace pianoroll
