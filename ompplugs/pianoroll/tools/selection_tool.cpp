// The Selection tool: a marquee selects the notes it covers, and a press on a selected note moves the
// selection; everything else is the common gesture handling.
#include <algorithm>

#include "mp/track_access.h"
#include "tools/band.h"
#include "tools/ghost_click.h"
#include "tools/tool_framework.h"
#include "view/snapping.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

void BeginMarqueeOrPress(TrackView* v, Pane* pane, UINT msg, int x, int y) {
    const Gesture& g = ToolsOf(v)->gesture;
    if (PressIsIgnored(v)) return;
    const int hit = pane->paneClass->HitTest(v, pane, x, y);
    if (msg == WM_LBUTTONDBLCLK && hit == HitNote) {
        OpenVelocityEntryAtHit(v);
        return;
    }
    if (hit == HitEmpty && GhostClick(v, msg, x, y)) return;
    RecordClickKind(v, msg, x, y);
    RecordPress(v, x, y, hit);
    if (!ShiftHeld() && !CtrlHeld() && g.pressHasNote && v->access->IsEventSelected(g.pressNote)) {
        SoundNote(v, g.pressNote);
        SetDrag(v, Drag::Pressed);
    } else {
        SetDrag(v, Drag::MarqueeArmed);
    }
    CaptureGrid(v);
}

void SelectionRelease(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    ToolState* s = ToolsOf(v);
    Gesture& g = s->gesture;
    const int x = static_cast<short>(LOWORD(lParam));
    switch (v->drag) {
    case Drag::Marquee:
        RemoveBand(v);
        s->band.rememberedSelection.clear();
        EndDrag(v);
        RedrawGrid(v);
        return;
    case Drag::Pressed:
    case Drag::MarqueeArmed: {
        if (v->drag == Drag::Pressed) SilenceNote(v);
        if (!ShiftHeld()) {
            if (g.pressHit == HitOutside || g.pressHit == HitEmpty) DeselectAll(v);
            SetDrag(v, Drag::None);
            ReleaseAsClick(v, x, static_cast<short>(HIWORD(lParam)));
            EndDrag(v);
            return;
        }
        if (g.pressHasNote) {
            const std::int64_t t = std::max<std::int64_t>(TickOfX(v, x), 0);
            if (!v->access->AnyEventSelected()) {
                g.anchorRow = g.pressRow;
                g.anchorTime = t;
            }
            SelectRectangle(v, g.anchorTime, t, g.anchorRow, g.pressRow, true);
        }
        EndDrag(v);
        return;
    }
    default: CommonOnMouse(v, pane, msg, wParam, lParam); return;
    }
}

LRESULT SelectionMove(TrackView* v, Pane* pane, WPARAM wParam, LPARAM lParam) {
    ToolState* s = ToolsOf(v);
    Gesture& g = s->gesture;
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (v->drag) {
    case Drag::Pressed: {
        const bool right = (wParam & MK_RBUTTON) != 0;
        if (!BeyondThreshold(v, x, y, right ? 2 : 1)) return 0;
        if (right) return CommonOnMouse(v, pane, WM_MOUSEMOVE, wParam, lParam);
        SetDrag(v, Drag::Inert);
        if (g.pressHit == HitNote && SetUpMove(v, false)) {
            SetDrag(v, Drag::MoveNotes);
            ApplyMove(v, x, y);
        }
        return 0;
    }
    case Drag::MoveNotes:
        if (x == g.last.x && y == g.last.y) return 0;
        ApplyMove(v, x, y);
        FollowWithAutoScroll(v, x, y, s->move.axis != AXIS_TIME ? std::uint32_t{AS_VERTICAL} : 0u);
        if (!ShiftHeld() && !CtrlHeld()) UpdateWindow(v->hwnd);
        return 0;
    case Drag::MarqueeArmed:
        if (x == g.press.x && y == g.press.y) return 0; // no movement yet
        SetDrag(v, Drag::Marquee);
        BeginBand(v, x, y, true);
        g.last = {x, y};
        return 0;
    case Drag::Marquee:
        if (x == g.last.x && y == g.last.y) return 0;
        g.last = {x, y};
        UpdateMarquee(v, x, y, ShiftHeld());
        FollowWithAutoScroll(v, x, y, AS_VERTICAL);
        return 0;
    default: return CommonOnMouse(v, pane, WM_MOUSEMOVE, wParam, lParam);
    }
}

LRESULT SelectionOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: BeginMarqueeOrPress(v, pane, msg, x, y); return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if ((wParam & MK_LBUTTON) && (v->drag == Drag::Marquee || v->drag == Drag::MarqueeArmed)) {
            if (v->drag == Drag::MarqueeArmed) {
                SetDrag(v, Drag::Marquee);
                BeginBand(v, x, y, true);
            }
            CycleBandMode(v, x, y);
            return 0;
        }
        return CommonOnMouse(v, pane, msg, wParam, lParam);
    case WM_MOUSEMOVE:
        if (!v->hwnd || GetCapture() != v->hwnd) return 0;
        return SelectionMove(v, pane, wParam, lParam);
    case PANE_AUTOSCROLLED:
        if (v->drag != Drag::Marquee) return CommonOnMouse(v, pane, msg, wParam, lParam);
        ToolsOf(v)->gesture.last = {x, y};
        UpdateMarquee(v, x, y, ShiftHeld());
        return 0;
    case WM_LBUTTONUP: SelectionRelease(v, pane, msg, wParam, lParam); return 0;
    default: return CommonOnMouse(v, pane, msg, wParam, lParam);
    }
}

int SelectionGetCursor(TrackView*, Pane*, std::uint32_t) { return VOR_CURSOR_MARQUEE; }

// A cancelled marquee gives back the selection it began with; a press that has not moved yet has
// changed nothing, so nothing changes.
void SelectionCancel(TrackView* v, Drag state) {
    if (state == Drag::MarqueeArmed) return;
    if (state != Drag::Marquee) {
        SilenceNote(v);
        return;
    }
    BandState& b = ToolsOf(v)->band;
    RemoveBand(v);
    // What the band selected goes too, not only what it had deselected comes back.
    if (v->access) v->access->SelectAll(false);
    for (const mp::EventKey& key : b.rememberedSelection) SetNoteSelected(v, key, true);
    b.rememberedSelection.clear();
}

ToolClass gSelectionTool{
    .pane = {.OnMouse = SelectionOnMouse, .Paint = PaintGridAndBand, .GetCursor = SelectionGetCursor},
    .OnCancel = SelectionCancel,
};

} // namespace

ToolClass* SelectionTool() {
    static ToolClass* registered = RegisterTool(&gSelectionTool);
    return registered;
}

} // namespace pianoroll
