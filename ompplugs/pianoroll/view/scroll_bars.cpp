// The view's scroll bars as panes: arrows, page areas, a thumb with resizable edges (horizontal), zoom
// buttons with a zoom slider between them, and the corner box.
#include <algorithm>
#include <cstring>

#include "tools/tools.h"
#include "view/navigation.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr UINT kRepeatMs = 75;
constexpr int kSliderGap = 6;

// Pane data slots.
enum { D_PART, D_PRESS, D_ORIGIN, D_SPAN, D_ANCHOR, D_TOOL };

bool Horizontal(const Pane* pane) { return pane == nullptr || (pane->id >> 16) == PANE_HSCROLL; }

// The drag of a held part of this bar.
Drag BarDrag(const Pane* pane) { return Horizontal(pane) ? Drag::HorizontalBar : Drag::VerticalBar; }

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
        *pos = v->timeOrigin;
        *span = v->timeSpan;
        *length = std::max<std::int64_t>(v->documentLength, 0);
    } else {
        *pos = v->verticalTop;
        *span = v->verticalSpan;
        *length = std::max<std::int64_t>(v->verticalExtent, 0);
    }
}

Bar Geometry(const TrackView* v, const Pane* pane) {
    const bool h = Horizontal(pane);
    Bar g{};
    g.start = h ? pane->rect.left : pane->rect.top;
    g.end = h ? pane->rect.right : pane->rect.bottom;
    const int a = GetSystemMetrics(h ? SM_CXHSCROLL : SM_CYVSCROLL);
    const int b = std::max(a, h ? 16 : 14);
    const int t = std::max(GetSystemMetrics(h ? SM_CXHTHUMB : SM_CYVTHUMB), 12);
    const int length = g.end - g.start;
    int end = g.end;
    g.cornerEnd = g.end;
    const int other = v->panes[h ? PANE_VSCROLL : PANE_HSCROLL].width > 0 || v->panes[h ? PANE_VSCROLL : PANE_HSCROLL].height > 0
                          ? (h ? v->panes[PANE_VSCROLL].width : v->panes[PANE_HSCROLL].height)
                          : 0;
    if (h && (pane->flags & 7) && length >= t + 2 * (b + a) + kSliderGap + other) end -= other;
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
    g.usable = std::max(track - 12, 1);
    std::int64_t pos, span, len;
    AxisOf(v, h, &pos, &span, &len);
    int thumb = g.usable;
    int offset = 0;
    if (len > 0) {
        thumb = static_cast<int>(std::clamp<std::int64_t>(g.usable * span / len, std::min(t, g.usable), g.usable));
        if (len > span) offset = static_cast<int>((g.usable - thumb) * pos / (len - span));
    }
    g.thumbStart = g.trackStart + 6 + std::clamp(offset, 0, std::max(g.usable - thumb, 0));
    g.thumbEnd = g.thumbStart + thumb;
    return g;
}

int BarHitTest(TrackView* v, Pane* pane, int x, int y) {
    const bool h = Horizontal(pane);
    const int p = h ? x : y;
    const Bar g = Geometry(v, pane);
    if (p < g.start || p >= g.end) return 0;
    if (p < g.leftArrow) return 1;
    if (p >= g.corner) return 8;
    if (p >= g.zoomOut) return 7;
    if (p >= g.gap) return 6;
    if (p >= g.zoomIn) return 5;
    if (p >= g.rightArrow) return 4;
    const bool resizable = h;
    const int m = resizable ? 5 : 0;
    const int e = resizable ? std::min(5, (g.thumbEnd - g.thumbStart - 2) / 2) : 0;
    if (p < g.thumbStart - m) return 2;
    if (p >= g.thumbEnd + m) return 3;
    if (p < g.thumbStart + e) return 9;
    if (p < g.thumbEnd - e) return 10;
    return 11;
}

void BarLayout(TrackView* v, Pane* pane, RECT* remaining) {
    const bool h = Horizontal(pane);
    const int size = h ? std::max(GetSystemMetrics(SM_CYHSCROLL), 14) : std::max(GetSystemMetrics(SM_CXVSCROLL), 14);
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
    (void)v;
}

RECT PartRect(const Pane* pane, int from, int to) {
    return Horizontal(pane) ? RECT{from, pane->rect.top, to, pane->rect.bottom} : RECT{pane->rect.left, from, pane->rect.right, to};
}

void BarPaint(TrackView* v, Pane* pane, HDC dc, const RECT*) {
    const bool h = Horizontal(pane);
    const Bar g = Geometry(v, pane);
    const int pressed = v->drag == BarDrag(pane) ? static_cast<int>(pane->data[D_PART]) : 0;
    RECT all = pane->rect;
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(static_cast<std::intptr_t>(COLOR_BTNFACE + 1)));
    RECT r = PartRect(pane, g.start, g.leftArrow);
    if (g.leftArrow > g.start)
        DrawFrameControl(dc, &r, DFC_SCROLL, (h ? DFCS_SCROLLLEFT : DFCS_SCROLLUP) | (pressed == 1 ? DFCS_PUSHED : 0));
    r = PartRect(pane, g.rightArrow, g.zoomIn);
    if (g.zoomIn > g.rightArrow)
        DrawFrameControl(dc, &r, DFC_SCROLL, (h ? DFCS_SCROLLRIGHT : DFCS_SCROLLDOWN) | (pressed == 4 ? DFCS_PUSHED : 0));
    r = PartRect(pane, g.thumbStart, g.thumbEnd);
    DrawEdge(dc, &r, EDGE_RAISED, BF_RECT);
    // Zoom buttons: a plus and a minus.
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    for (int part : {5, 7}) {
        const int from = part == 5 ? g.zoomIn : g.zoomOut, to = part == 5 ? g.gap : g.corner;
        if (to <= from) continue;
        r = PartRect(pane, from, to);
        DrawEdge(dc, &r, pressed == part ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT);
        const int cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2;
        HBRUSH brush = CreateSolidBrush(ink);
        const RECT across{cx - 3, cy, cx + 4, cy + 1};
        FillRect(dc, &across, brush);
        if (part == 5) {
            const RECT down{cx, cy - 3, cx + 1, cy + 4};
            FillRect(dc, &down, brush);
        }
        DeleteObject(brush);
    }
}

int BarCursor(TrackView*, Pane* pane, std::uint32_t hitCode) {
    const int part = static_cast<int>(hitCode & 0xFFFF);
    const bool h = Horizontal(pane);
    if (part == 9 || part == 11) return h ? VOR_CURSOR_SIZE_TIME : VOR_CURSOR_SIZE_ROWS;
    if (part == 6) return h ? VOR_CURSOR_ZOOM_SLIDER_TIME : VOR_CURSOR_ZOOM_SLIDER_ROWS;
    return VOR_CURSOR_ARROW;
}

// One step of a held arrow, page or zoom button; false when it changed nothing.
bool StepPart(TrackView* v, Pane* pane, int part) {
    const bool h = Horizontal(pane);
    if (h) {
        const std::int64_t span = v->timeSpan;
        std::int64_t by = 0;
        switch (part) {
        case 1: by = -std::max<std::int64_t>(span / 20, 1); break;
        case 4: by = std::max<std::int64_t>(span / 20, 1); break;
        case 2: by = -std::max<std::int64_t>(span / 2, 1); break;
        case 3: by = std::max<std::int64_t>(span / 2, 1); break;
        case 5: return SetTimeZoom(v, -1, ZOOM_STEPS);
        case 7: return SetTimeZoom(v, 1, ZOOM_STEPS);
        default: return false;
        }
        const std::int64_t before = v->timeOrigin;
        SetTimeView(v, std::max<std::int64_t>(v->timeOrigin + by, 0), span, 0);
        InvalidateView(v, INV_ALL);
        return v->timeOrigin != before;
    }
    const int before = v->verticalTop, level = v->rowHeightLevel;
    switch (part) {
    case 1: ScrollVertically(v, -kUnitsPerRow); break;
    case 4: ScrollVertically(v, kUnitsPerRow); break;
    case 2: ScrollVertically(v, -std::max(v->verticalSpan, 1)); break;
    case 3: ScrollVertically(v, std::max(v->verticalSpan, 1)); break;
    case 5:
    case 7: {
        const int k = v->fixedHeight ? 1 : std::max(level / 15, 1);
        const int next = std::clamp(level + (part == 5 ? k : -k), 0, std::max(v->maxRowHeightLevel, 0));
        if (next == level) return false;
        v->rowHeightLevel = next;
        SetVerticalView(v, v->verticalTop, VerticalSpanOfLevel(v, next), VV_PROGRAM | VV_FIXED_SPAN);
        InvalidateView(v, INV_ALL);
        return true;
    }
    default: return false;
    }
    InvalidateView(v, INV_ALL);
    return v->verticalTop != before;
}

Pane* gRepeatPane = nullptr;

void RepeatStep(TrackView* v) {
    if (!gRepeatPane || v->drag != BarDrag(gRepeatPane)) {
        KillTimer(v->hwnd, kRepeatTimer);
        v->repeatCallback = nullptr;
        return;
    }
    StepPart(v, gRepeatPane, static_cast<int>(gRepeatPane->data[D_PART]));
}

void EndPress(TrackView* v, Pane* pane) {
    v->drag = Drag::None;
    pane->data[D_PART] = 0;
    if (v->repeatCallback == RepeatStep) {
        KillTimer(v->hwnd, kRepeatTimer);
        v->repeatCallback = nullptr;
    }
    gRepeatPane = nullptr;
    if (GetCapture() == v->hwnd) ReleaseCapture();
    InvalidateView(v, INV_ALL);
}

void DragTo(TrackView* v, Pane* pane, int p) {
    const bool h = Horizontal(pane);
    const int part = static_cast<int>(pane->data[D_PART]);
    const Bar g = Geometry(v, pane);
    std::int64_t pos, span, len;
    AxisOf(v, h, &pos, &span, &len);
    const std::int64_t dx = p - pane->data[D_PRESS];
    const std::int64_t moved = dx * len / std::max(g.usable, 1);
    const std::int64_t origin0 = pane->data[D_ORIGIN], span0 = pane->data[D_SPAN];
    if (part == 6) {
        const int maxLevel = h ? v->maxTimeZoomLevel : v->maxRowHeightLevel;
        const int range = h ? 100 : 200;
        const int travel = h ? static_cast<int>(p - pane->data[D_ANCHOR]) : static_cast<int>(pane->data[D_ANCHOR] - p);
        const int level = std::clamp(MulDiv(travel, maxLevel, range), 0, std::max(maxLevel, 0));
        if (h) {
            if (level != v->timeZoomLevel) {
                const std::int64_t s = std::max<std::int64_t>(SpanOfTimeLevel(v, level), v->zoomPixels);
                SetTimeView(v, std::clamp<std::int64_t>(v->editCursor - s / 2, 0, len), s, 0);
                InvalidateView(v, INV_ALL);
            }
        } else if (level != v->rowHeightLevel) {
            v->rowHeightLevel = level;
            SetVerticalView(v, v->verticalTop, VerticalSpanOfLevel(v, level), VV_FIXED_SPAN);
            InvalidateView(v, INV_ALL);
        }
        return;
    }
    if (h) {
        std::int64_t start = origin0, s = span0;
        const std::int64_t minSpan = std::max(v->zoomPixels, 1);
        if (part == 10) {
            start = std::clamp<std::int64_t>(origin0 + moved, 0, std::max<std::int64_t>(len - span0, 0));
        } else if (part == 9) {
            const std::int64_t end = origin0 + span0;
            start = std::clamp<std::int64_t>(origin0 + moved, 0, std::max<std::int64_t>(end - minSpan, 0));
            s = end - start;
        } else if (part == 11) {
            s = std::clamp<std::int64_t>(span0 + moved, minSpan, std::max(len - origin0, minSpan));
        } else {
            return;
        }
        SetTimeView(v, start, s, 0);
        InvalidateView(v, INV_ALL);
    } else if (part == 10) {
        const std::int64_t rows = moved / kUnitsPerRow;
        SetVerticalView(v, static_cast<int>(std::max<std::int64_t>(origin0 + rows * kUnitsPerRow, 0)), v->verticalSpan, 0);
        InvalidateView(v, INV_ALL);
    }
}

LRESULT BarMouse(TrackView* v, Pane* pane, UINT msg, WPARAM, LPARAM lParam) {
    const bool h = Horizontal(pane);
    const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    const int p = h ? x : y;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (v->drag != Drag::None || v->documentLength < 0 || (h ? pane->width : pane->height) < 10) return 0;
        const int part = BarHitTest(v, pane, x, y);
        if (part == 0) return 0;
        if (part == 8) {
            // The corner box: a click takes up the Zoom tool, a double-click returns to the tool
            // before it and shows everything.
            if ((pane->flags & 7) != 3) return 0;
            if (msg == WM_LBUTTONDBLCLK) {
                SelectTool(v, static_cast<int>(pane->data[D_TOOL]));
                SetTimeZoom(v, 0, ZOOM_ALL_OUT);
                if (v->rowHeightLevel != 0) {
                    v->rowHeightLevel = 0;
                    SetVerticalView(v, v->verticalTop, VerticalSpanOfLevel(v, 0), VV_PROGRAM | VV_FIXED_SPAN);
                }
                InvalidateView(v, INV_ALL);
            } else if (CurrentTool(v) != TOOL_ZOOM) {
                pane->data[D_TOOL] = CurrentTool(v);
                SelectTool(v, TOOL_ZOOM);
            }
            return 0;
        }
        if (msg == WM_LBUTTONDBLCLK && part == 10) {
            if (h) {
                if (!SetTimeZoom(v, 0, ZOOM_ALL_OUT)) ZoomToRange(v, v->selectionStart, v->selectionLength);
            } else {
                const int level = v->rowHeightLevel;
                v->rowHeightLevel = level == 0 ? v->defaultRowHeightLevel : 0;
                SetVerticalView(v, v->verticalTop, VerticalSpanOfLevel(v, v->rowHeightLevel), VV_PROGRAM | VV_FIXED_SPAN);
                InvalidateView(v, INV_ALL);
            }
            return 0;
        }
        std::int64_t pos, span, len;
        AxisOf(v, h, &pos, &span, &len);
        pane->data[D_PART] = part;
        pane->data[D_PRESS] = p;
        pane->data[D_ORIGIN] = static_cast<std::intptr_t>(pos);
        pane->data[D_SPAN] = static_cast<std::intptr_t>(span);
        const int maxLevel = h ? v->maxTimeZoomLevel : v->maxRowHeightLevel;
        const int level = h ? v->timeZoomLevel : v->rowHeightLevel;
        pane->data[D_ANCHOR] = h ? p - MulDiv(level, 100, std::max(maxLevel, 1)) : p + MulDiv(level, 200, std::max(maxLevel, 1));
        v->drag = BarDrag(pane);
        SetCapture(v->hwnd);
        if (part >= 1 && part <= 7 && part != 6) {
            // A step that changes nothing (zoom at its limit) does not repeat.
            if (StepPart(v, pane, part) || (part != 5 && part != 7)) {
                gRepeatPane = pane;
                v->repeatCallback = RepeatStep;
                SetTimer(v->hwnd, kRepeatTimer, kRepeatMs, nullptr);
            }
        }
        InvalidateView(v, h ? INV_HSCROLL | INV_NO_GRID : INV_VSCROLL | INV_NO_GRID);
        return 0;
    }
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
    const char* tip = nullptr;
    if (part == 5) tip = h ? "Zoom In Time (Up)" : "Zoom In Track Height (Ctrl+Shift+Up)";
    if (part == 7) tip = h ? "Zoom Out Time (Down)" : "Zoom Out Track Height (Ctrl+Shift+Down)";
    if (tip) {
        if (std::strncmp(v->tipText, tip, sizeof v->tipText) != 0) {
            const std::size_t n = std::min(std::strlen(tip), sizeof v->tipText - 1);
            std::memcpy(v->tipText, tip, n);
            v->tipText[n] = 0;
            v->flags |= TVF_TIP_TEXT_CHANGED;
        }
        v->flags |= TVF_TIP_WANTED;
    }
    return part;
}

PaneClass gBarClass{};

} // namespace

PaneClass* ScrollBarPaneClass() {
    if (!gBarClass.Layout) {
        gBarClass.Layout = BarLayout;
        gBarClass.HitTest = BarHitTestSlot;
        gBarClass.OnMouse = BarMouse;
        gBarClass.Paint = BarPaint;
        gBarClass.GetCursor = BarCursor;
        RegisterPaneClass(&gBarClass);
    }
    return &gBarClass;
}

} // namespace pianoroll
