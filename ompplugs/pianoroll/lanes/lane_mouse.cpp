// The mouse in the lane area: drawing with the left button and erasing with the right (a click too),
// one undoable edit per gesture; the splitter drag.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "lanes/lane_area.h"
#include "mp/module_strings.h"
#include "mp/page.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "tools/tools.h"
#include "view/track_view.h"
#include "vor/strings.h"

namespace pianoroll {

using namespace win;

namespace {

// An undo name: "Draw MIDI %s" or "Erase MIDI %s" with a lane name of at most 128 bytes.
constexpr std::size_t kUndoNameCapacity = 160;

bool ShiftHeld() { return (GetKeyState(VK_SHIFT) & 0x8000) != 0; }

int LaneHeight(const TrackView* v) { return v->lanes.laneRect.bottom - v->lanes.laneRect.top; }

// The offset of a pointer row from the lane's bottom edge, within the lane's height.
int OffsetAt(const TrackView* v, int y) { return std::clamp<int>(v->lanes.laneRect.bottom - y, 0, LaneHeight(v)); }

std::int64_t TicksPerPixel(const TrackView* v) { return std::llround(v->geo.ticksPerPixel); }

void RepaintLaneAndGrid(TrackView* v) { InvalidateView(v, INV_GRID); }

void ShowReadout(TrackView* v, int offset) {
    LaneAreaState& s = v->lanes;
    if (s.lane && LaneHeight(v) > 0) s.readout = s.lane->ValueFromOffset(offset, LaneHeight(v));
    InvalidateView(v, INV_NO_GRID | INV_TRANSPORT);
}

void Remember(TrackView* v, std::int64_t tick, int offset) {
    v->lanes.lastTick = tick;
    v->lanes.lastOffset = offset;
}

void EndGesture(TrackView* v) {
    v->lanes.mouse = LaneMouse::Idle;
    SetDrag(v, Drag::None);
    if (v->hwnd && GetCapture() == v->hwnd) ReleaseCapture();
    RequestCursorRefresh(v);
}

void CommitGesture(TrackView* v, std::uint32_t formatId) {
    ControllerView* lane = v->lanes.lane.get();
    if (!lane || !v->access) return;
    lane->FinishEdit();
    char name[kLaneNameCapacity] = {};
    lane->GetName(name, kLaneNameCapacity);
    char undo[kUndoNameCapacity] = {};
    VorStr_Format(undo, sizeof undo, mp::ModuleString(formatId), name);
    v->access->CommitEdits(mp::Utf8ToUtf16(undo).c_str());
    RepaintLaneAndGrid(v);
    NotifyRefreshState(v);
}

void BeginDrawing(TrackView* v, int x, int y) {
    LaneAreaState& s = v->lanes;
    s.mouse = LaneMouse::Drawing;
    SetDrag(v, Drag::LaneDraw);
    SetCapture(v->hwnd);
    const int height = LaneHeight(v);
    if (!s.lane || height <= 0) return;
    const std::int64_t tick = TickOfX(v, x);
    const int offset = OffsetAt(v, y);
    s.lane->DrawStroke(offset, offset, height, tick, tick, TicksPerPixel(v), ShiftHeld());
    s.pressTickOnly = true;
    ShowReadout(v, offset);
    Remember(v, tick, offset);
    RepaintLaneAndGrid(v);
}

// A stroke covers the time from its first point up to its last, in whole grid steps while snapping: a
// click exactly on a grid line covers no time. As a click, it fills the step that starts there.
void FinishClick(TrackView* v) {
    LaneAreaState& s = v->lanes;
    if (!s.pressTickOnly || !s.lane || !v->access || LaneHeight(v) <= 0) return;
    if (v->access->QueuedInsertCount() > 0 || v->access->QueuedModifyCount() > 0) return;
    s.lane->DrawStroke(s.lastOffset, s.lastOffset, LaneHeight(v), s.lastTick, s.lastTick + 1, TicksPerPixel(v),
                       ShiftHeld());
}

void BeginErasing(TrackView* v, WPARAM buttons, int x, int y) {
    LaneAreaState& s = v->lanes;
    s.mouse = LaneMouse::Erasing;
    SetDrag(v, Drag::LaneErase);
    if (!(buttons & MK_LBUTTON)) SetCapture(v->hwnd);
    if (!s.lane || LaneHeight(v) <= 0) return;
    const std::int64_t tick = TickOfX(v, x);
    s.lane->EraseRange(tick, tick, TicksPerPixel(v), ShiftHeld());
    ShowReadout(v, OffsetAt(v, y));
    Remember(v, tick, OffsetAt(v, y));
    RepaintLaneAndGrid(v);
}

void Continue(TrackView* v, int x, int y) {
    LaneAreaState& s = v->lanes;
    const int height = LaneHeight(v);
    if (!s.lane || height <= 0) return;
    const std::int64_t tick = TickOfX(v, x);
    const int offset = OffsetAt(v, y);
    if (s.mouse == LaneMouse::Drawing) {
        if (tick != s.lastTick) s.pressTickOnly = false;
        s.lane->DrawStroke(s.lastOffset, offset, height, s.lastTick, tick, TicksPerPixel(v), ShiftHeld());
    } else {
        s.lane->EraseRange(s.lastTick, tick, TicksPerPixel(v), ShiftHeld());
    }
    ShowReadout(v, offset);
    Remember(v, tick, offset);
    RepaintLaneAndGrid(v);
}

// The view's context menu at a client point, as a right click on the grid opens it.
void OpenViewMenu(TrackView* v, int x, int y) {
    POINT pt{x, y};
    ClientToScreen(v->hwnd, &pt);
    SendMessage(v->hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(v->hwnd), MAKELPARAM(pt.x, pt.y));
}

void RightButtonUp(TrackView* v, WPARAM buttons, int x, int y) {
    if (buttons & MK_LBUTTON) return;
    LaneAreaState& s = v->lanes;
    if (s.mouse == LaneMouse::Erasing) {
        CommitGesture(v, mp::IDS_UNDO_ERASE_FORMAT);
        EndGesture(v);
        return;
    }
    if (v->hwnd && GetCapture() == v->hwnd && v->drag == Drag::None) ReleaseCapture();
    if (s.mouse == LaneMouse::Idle && v->drag == Drag::None) OpenViewMenu(v, x, y);
}

void Cancel(TrackView* v) {
    if (v->access) v->access->DiscardEdits();
    EndGesture(v);
    InvalidateView(v, INV_ALL);
}

} // namespace

void PressLaneSplitter(TrackView* v, int x, int y) {
    LaneAreaState& s = v->lanes;
    EndHotTracking(v);
    s.mouse = LaneMouse::SplitterPressed;
    s.press = {x, y};
    s.heightAtPress = v->settings ? v->settings->laneHeight : 0;
    SetCapture(v->hwnd);
}

bool LaneSplitterMouse(TrackView* v, UINT msg, int x, int y) {
    LaneAreaState& s = v->lanes;
    if (s.mouse != LaneMouse::SplitterPressed && s.mouse != LaneMouse::SplitterDragging) return false;
    switch (msg) {
    case WM_MOUSEMOVE:
        if (s.mouse == LaneMouse::SplitterPressed &&
            (std::abs(x - s.press.x) > v->dragThreshold.x || std::abs(y - s.press.y) > v->dragThreshold.y))
            s.mouse = LaneMouse::SplitterDragging;
        // Dragging up makes the lane taller.
        if (s.mouse == LaneMouse::SplitterDragging) SetLaneAreaHeight(v, s.heightAtPress + s.press.y - y);
        return true;
    case WM_LBUTTONUP: EndGesture(v); return true;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED: {
        const bool resized = s.mouse == LaneMouse::SplitterDragging;
        EndGesture(v);
        if (resized) SetLaneAreaHeight(v, s.heightAtPress);
        return true;
    }
    default: return true;
    }
}

LRESULT LaneAreaMouse(TrackView* v, Pane*, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    if (msg != WM_CONTEXTMENU && LaneSplitterMouse(v, msg, x, y)) return 0;
    LaneAreaState& s = v->lanes;
    const bool idle = s.mouse == LaneMouse::Idle && v->drag == Drag::None;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (!idle) return 0;
        if (PartOfHit(v->hitCode) == LaneSplitterHit) {
            PressLaneSplitter(v, x, y);
            SetDrag(v, Drag::LaneSplitter);
        } else if (PartOfHit(v->hitCode) == LaneBodyHit) {
            BeginDrawing(v, x, y);
        }
        return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if (idle && PartOfHit(v->hitCode) == LaneBodyHit) BeginErasing(v, wParam, x, y);
        return 0;
    case WM_MOUSEMOVE:
        if (s.mouse == LaneMouse::Drawing || s.mouse == LaneMouse::Erasing) Continue(v, x, y);
        return 0;
    case WM_LBUTTONUP:
        if (s.mouse != LaneMouse::Drawing) return 0;
        FinishClick(v);
        CommitGesture(v, mp::IDS_UNDO_DRAW_FORMAT);
        EndGesture(v);
        return 0;
    case WM_RBUTTONUP: RightButtonUp(v, wParam, x, y); return 0;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
        if (s.mouse == LaneMouse::Drawing || s.mouse == LaneMouse::Erasing) Cancel(v);
        return 0;
    case WM_CONTEXTMENU: {
        // The lane has no menu of its own: the grid's serves the whole view.
        Pane& grid = v->panes[PANE_GRID];
        return grid.paneClass->OnMouse(v, &grid, msg, wParam, lParam);
    }
    default: return DefWindowProc(v->hwnd, msg, wParam, lParam);
    }
}

} // namespace pianoroll
