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
#include "view/track_view.h"
#include "win/controls.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kMinDrawnStepPixels = 8;
// The height of the label font when it cannot be measured.
constexpr int kFallbackFontHeight = 13;
// The ruler is this much higher than its label font.
constexpr int kRulerExtraHeight = 6;

std::uint32_t TicksPerQuarter(const TrackView* v) {
    const std::uint32_t tpq = v->access ? v->access->TicksPerQuarter() : 0;
    return tpq > 0 ? tpq : (v->snap.ticksPerQuarter > 0 ? v->snap.ticksPerQuarter : kDefaultTicksPerQuarter);
}

std::uint32_t TimeSignature(const TrackView* v) {
    return v->access ? v->access->GetTimeSignature() : v->snap.timeSignature;
}

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
    StripPositionText(v, std::max(v->geo.documentLength, v->geo.timeOrigin + v->geo.timeSpan), text);
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
        out = ComputeRulerStep(TicksPerQuarter(v), BeatsOfTimeSignature(signature), NoteValueOfTimeSignature(signature),
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
    const RulerStep step = ViewRulerStep(v, dc);
    if (!RulerMarksDrawn(v, step.step)) return;
    HGDIOBJ oldFont = nullptr;
    if (HFONT font = VorUI_GetFont(VOR_FONT_SMALL)) oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ink);
    const std::uint32_t tpq = TicksPerQuarter(v);
    const std::uint32_t signature = TimeSignature(v);
    const std::int64_t denominator = std::max<std::int64_t>(NoteValueOfTimeSignature(signature), 1);
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
            if (bottom) FillSolid(dc, x, r.top + 1, x + 1, r.top + 1 + length, ink);
            else FillSolid(dc, x, r.bottom - 1 - length, x + 1, r.bottom - 1, ink);
        }
        if (labelled) {
            char text[kPositionTextCapacity];
            StripPositionText(v, t, text);
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
