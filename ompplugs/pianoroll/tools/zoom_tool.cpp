// The Zoom tool: the band zooms the view onto the time and rows it covers; a double-click shows
// everything; a temporary switch returns to the tool before it.
#include <algorithm>
#include <cstdlib>

#include "tools/band.h"
#include "tools/tool_framework.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// A release this close to the press, in both directions, is a click.
constexpr int kZoomClickBox = 10;

void ZoomTo(TrackView* v, int x, int y) {
    const ToolState* s = ToolsOf(v);
    const Gesture& g = s->gesture;
    if (std::abs(x - g.press.x) <= kZoomClickBox && std::abs(y - g.press.y) <= kZoomClickBox) {
        if (g.doubleClickMessage) {
            SetTimeView(v, 0, v->geo.documentLength, TV_PROGRAM);
            SetVerticalView(v, 0, v->geo.verticalExtent, VV_PROGRAM);
        }
        return;
    }
    if (s->band.mode != BAND_ROWS) {
        const std::int64_t t = std::max<std::int64_t>(TickOfX(v, x), 0);
        const std::int64_t from = std::min(t, g.pressTime), to = std::max(t, g.pressTime);
        SetTimeView(v, from, to - from, TV_PROGRAM);
    }
    if (s->band.mode != BAND_TIME) {
        const int unit = UnitOfY(v, y);
        const int top = std::min(unit, g.pressUnit), bottom = std::max(unit, g.pressUnit);
        SetVerticalView(v, top, std::max(bottom - top, kUnitsPerRow), VV_PROGRAM | VV_FIXED_SPAN);
    }
}

LRESULT ZoomOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    const bool captured = v->hwnd && GetCapture() == v->hwnd;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (PressIsIgnored(v)) return 0;
        RecordClickKind(v, msg, x, y);
        RecordPress(v, x, y, pane->paneClass->HitTest(v, pane, x, y));
        SetDrag(v, Drag::ZoomBox);
        BeginBand(v, x, y, false);
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if ((wParam & MK_LBUTTON) && v->drag == Drag::ZoomBox) {
            CycleBandMode(v, x, y);
            return 0;
        }
        return CommonOnMouse(v, pane, msg, wParam, lParam);
    case WM_MOUSEMOVE:
    case PANE_AUTOSCROLLED:
        if ((captured || msg == PANE_AUTOSCROLLED) && v->drag == Drag::ZoomBox) {
            ToolsOf(v)->gesture.last = {x, y};
            UpdateBand(v, x, y);
            FollowWithAutoScroll(v, x, y, AS_VERTICAL);
            return 0;
        }
        return CommonOnMouse(v, pane, msg, wParam, lParam);
    case WM_LBUTTONUP:
        if (v->drag != Drag::ZoomBox) return CommonOnMouse(v, pane, msg, wParam, lParam);
        RemoveBand(v);
        EndDrag(v);
        ZoomTo(v, x, y);
        ReturnFromTemporaryZoom(v);
        InvalidateView(v, INV_ALL);
        return 0;
    default: return CommonOnMouse(v, pane, msg, wParam, lParam);
    }
}

int ZoomGetCursor(TrackView*, Pane*, std::uint32_t) { return VOR_CURSOR_MAGNIFIER; }

// A cancelled zoom box zooms nothing.
void ZoomCancel(TrackView* v, Drag state) {
    if (state != Drag::ZoomBox) {
        SilenceNote(v);
        return;
    }
    RemoveBand(v);
    ReturnFromTemporaryZoom(v);
}

ToolClass gZoomTool{
    .pane = {.OnMouse = ZoomOnMouse, .Paint = PaintGridAndBand, .GetCursor = ZoomGetCursor},
    .OnCancel = ZoomCancel,
};

} // namespace

ToolClass* ZoomTool() {
    static ToolClass* registered = RegisterTool(&gZoomTool);
    return registered;
}

} // namespace pianoroll
