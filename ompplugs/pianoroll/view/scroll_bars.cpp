// The view's scroll bars as panes: arrows, page areas, a thumb with resizable edges (horizontal), zoom
// buttons with a zoom slider between them, and the corner box.
#include "view/scroll_bars.h"

#include <algorithm>

#include "view/gdi_handle.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr UINT kRepeatMs = 75;
// Between the zoom buttons: the zoom slider.
constexpr int kSliderGap = 6;
// The smallest zoom button and thumb, and the bar's thickness when the system asks for less.
constexpr int kMinZoomButtonH = 16, kMinZoomButtonV = 14;
constexpr int kMinThumb = 12;
constexpr int kMinBarThickness = 14;
// The track keeps this much room at each end of the thumb's travel.
constexpr int kTrackInset = 6;
// Thumb edges that resize the span reach this far (horizontal bar only).
constexpr int kThumbEdgeReach = 5;
// A bar shorter than this takes no press.
constexpr int kMinPressLength = 10;
// Arrows step a twentieth of the span, pages half of it.
constexpr int kArrowStepsPerSpan = 20;
constexpr int kPageStepsPerSpan = 2;
// The row zoom buttons step a fifteenth of the level (at least one).
constexpr int kRowLevelsPerZoomStep = 15;
// Pixels of slider travel over the whole zoom range: time, rows.
constexpr int kTimeSliderTravel = 100;
constexpr int kRowSliderTravel = 200;
// The zoom buttons' plus and minus reach this far from the centre.
constexpr int kGlyphArm = 3;

bool Horizontal(const Pane* pane) { return pane == nullptr || PaneOfHit(pane->id) == PANE_HSCROLL; }

// The drag of a held part of this bar.
Drag BarDrag(const Pane* pane) { return Horizontal(pane) ? Drag::HorizontalBar : Drag::VerticalBar; }

ScrollBarPress& PressOf(TrackView* v, const Pane* pane) {
    return Horizontal(pane) ? v->scrollBars.horizontal : v->scrollBars.vertical;
}

struct Bar {
    int start, end;                 // along the bar
    int leftArrow;                  // end of the leading arrow
    int rightArrow;                 // start of the trailing arrow
    int zoomIn, gap, zoomOut, corner; // starts of the zoom-in button, the gap, the zoom-out button, the corner
    int cornerEnd;
    int thumbStart, thumbEnd;
    int trackStart, usable;
};

// Position, extent and length of the bar's document axis.
void AxisOf(const TrackView* v, bool horizontal, std::int64_t* pos, std::int64_t* span, std::int64_t* length) {
    if (horizontal) {
        *pos = v->geo.timeOrigin;
        *span = v->geo.timeSpan;
        *length = std::max<std::int64_t>(v->geo.documentLength, 0);
    } else {
        *pos = v->geo.verticalTop;
        *span = v->geo.verticalSpan;
        *length = std::max<std::int64_t>(v->geo.verticalExtent, 0);
    }
}

Bar Geometry(const TrackView* v, const Pane* pane) {
    const bool h = Horizontal(pane);
    Bar g{};
    g.start = h ? pane->rect.left : pane->rect.top;
    g.end = h ? pane->rect.right : pane->rect.bottom;
    const int a = GetSystemMetrics(h ? SM_CXHSCROLL : SM_CYVSCROLL);
    const int b = std::max(a, h ? kMinZoomButtonH : kMinZoomButtonV);
    const int t = std::max(GetSystemMetrics(h ? SM_CXHTHUMB : SM_CYVTHUMB), kMinThumb);
    const int length = g.end - g.start;
    int end = g.end;
    g.cornerEnd = g.end;
    const Pane& otherBar = v->panes[h ? PANE_VSCROLL : PANE_HSCROLL];
    const int other = otherBar.width > 0 || otherBar.height > 0 ? (h ? otherBar.width : otherBar.height) : 0;
    if (h && (pane->flags & SB_OPTIONS_MASK) && length >= t + 2 * (b + a) + kSliderGap + other) end -= other;
    g.corner = end;
    if (length >= t + 2 * (b + a) + kSliderGap) {
        g.zoomOut = end - b;
        g.gap = end - b - kSliderGap;
        g.zoomIn = end - 2 * b - kSliderGap;
    } else {
        g.zoomOut = g.gap = g.zoomIn = end;
    }
    const int arrow = length >= t + 2 * a ? a : 0;
    g.leftArrow = g.start + arrow;
    g.rightArrow = g.zoomIn - arrow;
    g.trackStart = g.leftArrow;
    const int track = std::max(g.rightArrow - g.leftArrow, 0);
    g.usable = std::max(track - 2 * kTrackInset, 1);
    std::int64_t pos, span, len;
    AxisOf(v, h, &pos, &span, &len);
    int thumb = g.usable;
    int offset = 0;
    if (len > 0) {
        thumb = static_cast<int>(std::clamp<std::int64_t>(g.usable * span / len, std::min(t, g.usable), g.usable));
        if (len > span) offset = static_cast<int>((g.usable - thumb) * pos / (len - span));
    }
    g.thumbStart = g.trackStart + kTrackInset + std::clamp(offset, 0, std::max(g.usable - thumb, 0));
    g.thumbEnd = g.thumbStart + thumb;
    return g;
}

int BarHitTest(TrackView* v, Pane* pane, int x, int y) {
    const bool h = Horizontal(pane);
    const int p = h ? x : y;
    const Bar g = Geometry(v, pane);
    if (p < g.start || p >= g.end) return SB_NONE;
    if (p < g.leftArrow) return SB_LEADING_ARROW;
    if (p >= g.corner) return SB_CORNER;
    if (p >= g.zoomOut) return SB_ZOOM_OUT;
    if (p >= g.gap) return SB_ZOOM_SLIDER;
    if (p >= g.zoomIn) return SB_ZOOM_IN;
    if (p >= g.rightArrow) return SB_TRAILING_ARROW;
    const bool resizable = h;
    const int m = resizable ? kThumbEdgeReach : 0;
    const int e = resizable ? std::min(kThumbEdgeReach, (g.thumbEnd - g.thumbStart - 2) / 2) : 0;
    if (p < g.thumbStart - m) return SB_PAGE_BEFORE;
    if (p >= g.thumbEnd + m) return SB_PAGE_AFTER;
    if (p < g.thumbStart + e) return SB_THUMB_START;
    if (p < g.thumbEnd - e) return SB_THUMB;
    return SB_THUMB_END;
}

void BarLayout(TrackView*, Pane* pane, RECT* remaining) {
    const bool h = Horizontal(pane);
    const int size = std::max(GetSystemMetrics(h ? SM_CYHSCROLL : SM_CXVSCROLL), kMinBarThickness);
    if (h) {
        const int height = remaining->bottom - remaining->top >= size ? size : 0;
        pane->rect = {remaining->left, remaining->bottom - height, remaining->right, remaining->bottom};
        pane->width = remaining->right - remaining->left;
        pane->height = height;
        remaining->bottom -= height;
    } else {
        const int width = remaining->right - remaining->left >= size ? size : 0;
        pane->rect = {remaining->right - width, remaining->top, remaining->right, remaining->bottom};
        pane->width = width;
        pane->height = remaining->bottom - remaining->top;
        remaining->right -= width;
    }
}

RECT PartRect(const Pane* pane, int from, int to) {
    return Horizontal(pane) ? RECT{from, pane->rect.top, to, pane->rect.bottom} : RECT{pane->rect.left, from, pane->rect.right, to};
}

void DrawZoomButtons(const Pane* pane, HDC dc, const Bar& g, int pressed) {
    // A plus and a minus.
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    for (int part : {SB_ZOOM_IN, SB_ZOOM_OUT}) {
        const int from = part == SB_ZOOM_IN ? g.zoomIn : g.zoomOut, to = part == SB_ZOOM_IN ? g.gap : g.corner;
        if (to <= from) continue;
        RECT r = PartRect(pane, from, to);
        DrawEdge(dc, &r, pressed == part ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        const OwnedBrush brush(CreateSolidBrush(ink));
        const RECT across{cx - kGlyphArm, cy, cx + kGlyphArm + 1, cy + 1};
        FillRect(dc, &across, brush.Get());
        if (part == SB_ZOOM_IN) {
            const RECT down{cx, cy - kGlyphArm, cx + 1, cy + kGlyphArm + 1};
            FillRect(dc, &down, brush.Get());
        }
    }
}

void BarPaint(TrackView* v, Pane* pane, HDC dc, const RECT*) {
    const bool h = Horizontal(pane);
    const Bar g = Geometry(v, pane);
    const int pressed = v->drag == BarDrag(pane) ? PressOf(v, pane).part : SB_NONE;
    RECT all = pane->rect;
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_BTNFACE + 1)));
    RECT r = PartRect(pane, g.start, g.leftArrow);
    if (g.leftArrow > g.start)
        DrawFrameControl(dc, &r, DFC_SCROLL,
                         (h ? DFCS_SCROLLLEFT : DFCS_SCROLLUP) | (pressed == SB_LEADING_ARROW ? DFCS_PUSHED : 0));
    r = PartRect(pane, g.rightArrow, g.zoomIn);
    if (g.zoomIn > g.rightArrow)
        DrawFrameControl(dc, &r, DFC_SCROLL,
                         (h ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN) | (pressed == SB_TRAILING_ARROW ? DFCS_PUSHED : 0));
    r = PartRect(pane, g.thumbStart, g.thumbEnd);
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    DrawZoomButtons(pane, dc, g, pressed);
}

int BarCursor(TrackView*, Pane* pane, std::uint32_t hitCode) {
    const int part = PartOfHit(hitCode);
    const bool h = Horizontal(pane);
    if (part == SB_THUMB_START || part == SB_THUMB_END) return h ? VOR_CURSOR_SIZE_TIME : VOR_CURSOR_SIZE_ROWS;
    if (part == SB_ZOOM_SLIDER) return h ? VOR_CURSOR_ZOOM_SLIDER_TIME : VOR_CURSOR_ZOOM_SLIDER_ROWS;
    return VOR_CURSOR_ARROW;
}

bool StepTimeAxis(TrackView* v, int part) {
    const std::int64_t span = v->geo.timeSpan;
    std::int64_t by = 0;
    switch (part) {
    case SB_LEADING_ARROW: by = -std::max<std::int64_t>(span / kArrowStepsPerSpan, 1); break;
    case SB_TRAILING_ARROW: by = std::max<std::int64_t>(span / kArrowStepsPerSpan, 1); break;
    case SB_PAGE_BEFORE: by = -std::max<std::int64_t>(span / kPageStepsPerSpan, 1); break;
    case SB_PAGE_AFTER: by = std::max<std::int64_t>(span / kPageStepsPerSpan, 1); break;
    case SB_ZOOM_IN: return SetTimeZoom(v, -1, ZOOM_STEPS);
    case SB_ZOOM_OUT: return SetTimeZoom(v, 1, ZOOM_STEPS);
    default: return false;
    }
    const std::int64_t before = v->geo.timeOrigin;
    SetTimeView(v, std::max<std::int64_t>(v->geo.timeOrigin + by, 0), span, 0);
    InvalidateView(v, INV_ALL);
    return v->geo.timeOrigin != before;
}

bool StepRowAxis(TrackView* v, int part) {
    const int before = v->geo.verticalTop, level = v->geo.rowHeightLevel;
    switch (part) {
    case SB_LEADING_ARROW: ScrollVertically(v, -kUnitsPerRow); break;
    case SB_TRAILING_ARROW: ScrollVertically(v, kUnitsPerRow); break;
    case SB_PAGE_BEFORE: ScrollVertically(v, -std::max(v->geo.verticalSpan, 1)); break;
    case SB_PAGE_AFTER: ScrollVertically(v, std::max(v->geo.verticalSpan, 1)); break;
    case SB_ZOOM_IN:
    case SB_ZOOM_OUT: {
        const int k = v->geo.fixedHeight ? 1 : std::max(level / kRowLevelsPerZoomStep, 1);
        const int next = std::clamp(level + (part == SB_ZOOM_IN ? k : -k), 0, std::max(v->geo.maxRowHeightLevel, 0));
        if (next == level) return false;
        SetRowHeightLevel(v, next, v->geo.verticalTop, VV_PROGRAM);
        InvalidateView(v, INV_ALL);
        return true;
    }
    default: return false;
    }
    InvalidateView(v, INV_ALL);
    return v->geo.verticalTop != before;
}

// One step of a held arrow, page or zoom button; false when it changed nothing.
bool StepPart(TrackView* v, const Pane* pane, int part) {
    return Horizontal(pane) ? StepTimeAxis(v, part) : StepRowAxis(v, part);
}

void StopRepeat(TrackView* v) {
    KillTimer(v->hwnd, kRepeatTimer);
    v->repeatCallback = nullptr;
    v->scrollBars.repeatPane = -1;
}

void RepeatStep(TrackView* v) {
    const int number = v->scrollBars.repeatPane;
    if (number != PANE_HSCROLL && number != PANE_VSCROLL) {
        StopRepeat(v);
        return;
    }
    const Pane& pane = v->panes[number];
    if (v->drag != BarDrag(&pane)) {
        StopRepeat(v);
        return;
    }
    StepPart(v, &pane, PressOf(v, &pane).part);
}

void EndPress(TrackView* v, Pane* pane) {
    SetDrag(v, Drag::None);
    PressOf(v, pane).part = SB_NONE;
    if (v->repeatCallback == RepeatStep) StopRepeat(v);
    v->scrollBars.repeatPane = -1;
    if (GetCapture() == v->hwnd) ReleaseCapture();
    InvalidateView(v, INV_ALL);
}

void DragZoomSlider(TrackView* v, const Pane* pane, int p, std::int64_t length) {
    const bool h = Horizontal(pane);
    const ScrollBarPress& press = PressOf(v, pane);
    const int maxLevel = h ? v->geo.maxTimeZoomLevel : v->geo.maxRowHeightLevel;
    const int range = h ? kTimeSliderTravel : kRowSliderTravel;
    const int travel = h ? p - press.anchor : press.anchor - p;
    const int level = std::clamp(MulDiv(travel, maxLevel, range), 0, std::max(maxLevel, 0));
    if (h) {
        if (level == v->geo.timeZoomLevel) return;
        const std::int64_t s = std::max<std::int64_t>(SpanOfTimeLevel(v, level), v->geo.zoomPixels);
        SetTimeView(v, std::clamp<std::int64_t>(v->time.editCursor - s / 2, 0, length), s, 0);
        InvalidateView(v, INV_ALL);
    } else if (level != v->geo.rowHeightLevel) {
        SetRowHeightLevel(v, level, v->geo.verticalTop, 0);
        InvalidateView(v, INV_ALL);
    }
}

void DragTo(TrackView* v, const Pane* pane, int p) {
    const bool h = Horizontal(pane);
    const ScrollBarPress& press = PressOf(v, pane);
    const Bar g = Geometry(v, pane);
    std::int64_t pos, span, len;
    AxisOf(v, h, &pos, &span, &len);
    if (press.part == SB_ZOOM_SLIDER) {
        DragZoomSlider(v, pane, p, len);
        return;
    }
    const std::int64_t moved = static_cast<std::int64_t>(p - press.pressAt) * len / std::max(g.usable, 1);
    const std::int64_t origin0 = press.origin, span0 = press.span;
    if (h) {
        std::int64_t start = origin0, s = span0;
        const std::int64_t minSpan = std::max(v->geo.zoomPixels, 1);
        if (press.part == SB_THUMB) {
            start = std::clamp<std::int64_t>(origin0 + moved, 0, std::max<std::int64_t>(len - span0, 0));
        } else if (press.part == SB_THUMB_START) {
            const std::int64_t end = origin0 + span0;
            start = std::clamp<std::int64_t>(origin0 + moved, 0, std::max<std::int64_t>(end - minSpan, 0));
            s = end - start;
        } else if (press.part == SB_THUMB_END) {
            s = std::clamp<std::int64_t>(span0 + moved, minSpan, std::max(len - origin0, minSpan));
        } else {
            return;
        }
        SetTimeView(v, start, s, 0);
        InvalidateView(v, INV_ALL);
    } else if (press.part == SB_THUMB) {
        const std::int64_t rows = moved / kUnitsPerRow;
        SetVerticalView(v, static_cast<int>(std::max<std::int64_t>(origin0 + rows * kUnitsPerRow, 0)), v->geo.verticalSpan, 0);
        InvalidateView(v, INV_ALL);
    }
}

// The corner box: a click takes up the Zoom tool for one zoom box, a double-click returns to the
// tool before it and shows everything.
void PressCorner(TrackView* v, const Pane* pane, bool doubleClick) {
    if ((pane->flags & SB_OPTIONS_MASK) != SB_WITH_CORNER) return;
    if (doubleClick) {
        v->parts->ReturnFromTemporaryZoom(v);
        SetTimeZoom(v, 0, ZOOM_ALL_OUT);
        if (v->geo.rowHeightLevel != 0) SetRowHeightLevel(v, 0, v->geo.verticalTop, VV_PROGRAM);
        InvalidateView(v, INV_ALL);
    } else {
        v->parts->BeginTemporaryZoom(v);
        NotifyRefreshState(v);
    }
}

// A double-click on the thumb shows everything (or the time selection), or toggles the row height.
void DoubleClickThumb(TrackView* v, const Pane* pane) {
    if (Horizontal(pane)) {
        std::int64_t start = 0, length = 0;
        if (!SetTimeZoom(v, 0, ZOOM_ALL_OUT) && ZoomSelectionRange(v, &start, &length)) ZoomToRange(v, start, length);
        return;
    }
    const int level = v->geo.rowHeightLevel == 0 ? v->geo.defaultRowHeightLevel : 0;
    SetRowHeightLevel(v, level, v->geo.verticalTop, VV_PROGRAM);
    InvalidateView(v, INV_ALL);
}

void PressBar(TrackView* v, Pane* pane, UINT msg, int x, int y) {
    const bool h = Horizontal(pane);
    const int p = h ? x : y;
    if (v->drag != Drag::None || v->geo.documentLength < 0 || (h ? pane->width : pane->height) < kMinPressLength) return;
    const int part = BarHitTest(v, pane, x, y);
    if (part == SB_NONE) return;
    if (part == SB_CORNER) {
        PressCorner(v, pane, msg == WM_LBUTTONDBLCLK);
        return;
    }
    if (msg == WM_LBUTTONDBLCLK && part == SB_THUMB) {
        DoubleClickThumb(v, pane);
        return;
    }
    std::int64_t pos, span, len;
    AxisOf(v, h, &pos, &span, &len);
    ScrollBarPress& press = PressOf(v, pane);
    press.part = part;
    press.pressAt = p;
    press.origin = pos;
    press.span = span;
    const int maxLevel = std::max(h ? v->geo.maxTimeZoomLevel : v->geo.maxRowHeightLevel, 1);
    const int level = h ? v->geo.timeZoomLevel : v->geo.rowHeightLevel;
    press.anchor = h ? p - MulDiv(level, kTimeSliderTravel, maxLevel) : p + MulDiv(level, kRowSliderTravel, maxLevel);
    SetDrag(v, BarDrag(pane));
    SetCapture(v->hwnd);
    const bool zoomButton = part == SB_ZOOM_IN || part == SB_ZOOM_OUT;
    if (part >= SB_LEADING_ARROW && part <= SB_ZOOM_OUT && part != SB_ZOOM_SLIDER) {
        // A step that changes nothing (zoom at its limit) does not repeat.
        if (StepPart(v, pane, part) || !zoomButton) {
            v->scrollBars.repeatPane = PaneOfHit(pane->id);
            v->repeatCallback = RepeatStep;
            SetTimer(v->hwnd, kRepeatTimer, kRepeatMs, nullptr);
        }
    }
    InvalidateView(v, h ? INV_HSCROLL | INV_NO_GRID : INV_VSCROLL | INV_NO_GRID);
}

LRESULT BarMouse(TrackView* v, Pane* pane, UINT msg, WPARAM, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    const int p = Horizontal(pane) ? x : y;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: PressBar(v, pane, msg, x, y); return 0;
    case WM_MOUSEMOVE:
        if (v->drag == BarDrag(pane)) DragTo(v, pane, p);
        return 0;
    case WM_LBUTTONUP:
        if (v->drag != BarDrag(pane)) return 0;
        DragTo(v, pane, p);
        EndPress(v, pane);
        HitTestView(v, x, y, true);
        return 0;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
        if (v->drag == BarDrag(pane)) EndPress(v, pane);
        return 0;
    default: return 0;
    }
}

int BarHitTestSlot(TrackView* v, Pane* pane, int x, int y) {
    const int part = BarHitTest(v, pane, x, y);
    const bool h = Horizontal(pane);
    if (part == SB_ZOOM_IN) SetTipText(v, h ? "Zoom In Time (Up)" : "Zoom In Track Height (Ctrl+Shift+Up)");
    if (part == SB_ZOOM_OUT) SetTipText(v, h ? "Zoom Out Time (Down)" : "Zoom Out Track Height (Ctrl+Shift+Down)");
    return part;
}

PaneClass gBarClass{
    .Layout = BarLayout,
    .HitTest = BarHitTestSlot,
    .OnMouse = BarMouse,
    .Paint = BarPaint,
    .GetCursor = BarCursor,
};

} // namespace

PaneClass* ScrollBarPaneClass() {
    static PaneClass* registered = RegisterPaneClass(&gBarClass);
    return registered;
}

} // namespace pianoroll
