// The gesture state machine every tool falls back on: press, drag and release with click and range
// selection, moves, copy-moves, sizes and time selections, the right button, and cancelling. Drags a
// tool starts itself reach it through its slots.
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "model/pending_edit.h"
#include "mp/module_strings.h"
#include "mp/page.h"
#include "mp/track_access.h"
#include "view/snapping.h"
#include "tools/tool_framework.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// A time selection starts once the pointer is this many drag thresholds away.
constexpr int kTimeSelectThresholds = 2;

// The drags the common handling runs itself; the rest belong to the tool whose press began them.
bool IsCommonDrag(Drag state) {
    switch (state) {
    case Drag::Pressed:
    case Drag::RangeSelect:
    case Drag::MoveNotes:
    case Drag::SizeStart:
    case Drag::SizeEnd:
    case Drag::TimeSelectArmed:
    case Drag::TimeSelect:
    case Drag::Inert: return true;
    default: return false;
    }
}

const ToolClass& Owner(TrackView* v) {
    const Gesture& g = ToolsOf(v)->gesture;
    return g.owner ? *g.owner : *ToolClassOf(ToolsOf(v)->current);
}

void SetCursorNow(int id) { SetCursor(VorUI_LoadCursor(id)); }

// The time a time-selection drag stands at: the pointer's, kept within the grid's width.
std::int64_t TimeSelectTick(TrackView* v, int x) {
    return std::max<std::int64_t>(TickOfX(v, ClampToShownTime(v, x)), 0);
}

void SetAnchor(Gesture& g, std::int64_t time) {
    g.anchorRow = g.pressRow;
    g.anchorTime = time;
}

void CommonPress(TrackView* v, Pane* pane, UINT msg, int x, int y) {
    Gesture& g = ToolsOf(v)->gesture;
    if (PressIsIgnored(v)) return;
    EndAutoScroll(v);
    RecordClickKind(v, msg, x, y);
    const int hit = pane->paneClass->HitTest(v, pane, x, y);
    RecordPress(v, x, y, hit);
    const bool ctrl = CtrlHeld(), shift = ShiftHeld();
    if ((ctrl && shift) || hit == HitOutside || hit == HitEmpty) {
        DeselectAll(v);
        SetDrag(v, Drag::TimeSelectArmed);
    } else if (shift) {
        SoundNote(v, g.pressNote);
        if (!v->access->AnyEventSelected()) SetAnchor(g, g.pressTime);
        SelectRectangle(v, g.anchorTime, g.pressTime, g.anchorRow, g.pressRow, true);
        SetDrag(v, Drag::RangeSelect);
    } else if (!g.pressHasNote) {
        SetDrag(v, Drag::Inert);
    } else {
        SoundNote(v, g.pressNote);
        if (!ctrl && !v->access->IsEventSelected(g.pressNote)) {
            SelectOnly(v, g.pressNote);
            SetAnchor(g, g.pressTime);
        }
        SetDrag(v, Drag::Pressed);
    }
    CaptureGrid(v);
}

// A press that turns into a drag: sizing from an edge, moving or copy-moving from the body.
void StartPressedDrag(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    Gesture& g = s->gesture;
    SetDrag(v, Drag::Inert);
    if (g.pressRight || !g.pressHasNote) return;
    std::int64_t start = 0, end = 0;
    if (!NoteSpan(v, g.pressNote, &start, &end)) return;
    if (g.pressHit == HitNoteStart || g.pressHit == HitNoteEnd) {
        const bool atStart = g.pressHit == HitNoteStart;
        SelectOnly(v, g.pressNote);
        SetAnchor(g, atStart ? start : end);
        if (SetUpSize(v, atStart)) {
            SetDrag(v, atStart ? Drag::SizeStart : Drag::SizeEnd);
            ApplySize(v, x);
        }
        return;
    }
    if (g.pressHit != HitNote) return;
    int& axis = s->move.axis;
    axis = AXIS_FREE;
    if (AltHeld()) {
        axis = std::abs(x - g.press.x) <= v->dragThreshold.x ? AXIS_PITCH : AXIS_TIME;
        g.cursorRefresh = true;
    }
    const bool copy = CtrlHeld();
    if (copy) {
        if (!v->access->IsEventSelected(g.pressNote)) SetNoteSelected(v, g.pressNote, true);
    } else if (!v->access->IsEventSelected(g.pressNote)) {
        SelectOnly(v, g.pressNote);
        SetAnchor(g, start);
    }
    if (!SetUpMove(v, copy)) return;
    SetDrag(v, Drag::MoveNotes);
    ApplyMove(v, x, y);
    if (axis != AXIS_FREE) SetCursorNow(axis == AXIS_TIME ? VOR_CURSOR_MOVE_TIME : VOR_CURSOR_MOVE_PITCH);
}

void CommonMove(TrackView* v, WPARAM wParam, int x, int y) {
    ToolState* s = ToolsOf(v);
    Gesture& g = s->gesture;
    switch (v->drag) {
    case Drag::Pressed: {
        if (!((wParam & MK_LBUTTON) || !(wParam & MK_RBUTTON))) return;
        if (!BeyondThreshold(v, x, y, 1)) return;
        StartPressedDrag(v, x, y);
        break;
    }
    case Drag::RangeSelect:
        SelectRectangle(v, g.anchorTime, TickOfX(v, x), g.anchorRow, ClampedRowAtY(v, y), true);
        break;
    case Drag::MoveNotes:
    case Drag::SizeStart:
    case Drag::SizeEnd: {
        if (x == g.last.x && y == g.last.y) return;
        const bool move = v->drag == Drag::MoveNotes;
        if (move) ApplyMove(v, x, y);
        else ApplySize(v, x);
        FollowWithAutoScroll(v, x, y, move && s->move.axis != AXIS_TIME ? std::uint32_t{AS_VERTICAL} : 0u);
        break;
    }
    case Drag::TimeSelectArmed:
        if (std::abs(x - g.press.x) <= kTimeSelectThresholds * v->dragThreshold.x) return;
        SetDrag(v, Drag::TimeSelect);
        if (!g.doubleClickMessage) SetCursorNow(VOR_CURSOR_SIZE_TIME);
        BeginTimeSelection(v, g.pressTime);
        ExtendTimeSelection(v, g.pressTime, TimeSelectTick(v, x));
        FollowWithAutoScroll(v, x, y, 0);
        break;
    case Drag::TimeSelect:
        ExtendTimeSelection(v, g.pressTime, TimeSelectTick(v, x));
        FollowWithAutoScroll(v, x, y, 0);
        break;
    default:
        if (IsGridDrag(v->drag) && !IsCommonDrag(v->drag)) Owner(v).OnDragMove(v, x, y);
        break;
    }
    g.last = {x, y};
}

// The view scrolled under a drag: the same point now stands for another time (or row).
void AutoScrolled(TrackView* v, int x, int y) {
    switch (v->drag) {
    case Drag::MoveNotes:
    case Drag::SizeStart:
    case Drag::SizeEnd:
    case Drag::TimeSelect: break;
    default:
        if (!IsGridDrag(v->drag) || IsCommonDrag(v->drag)) {
            EndAutoScroll(v);
            return;
        }
        break;
    }
    ToolsOf(v)->gesture.last = {INT_MIN, INT_MIN};
    CommonMove(v, MK_LBUTTON, x, y);
}

void CommonRelease(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    Gesture& g = s->gesture;
    const Drag state = v->drag;
    if (!IsGridDrag(state)) return;
    switch (state) {
    case Drag::Pressed:
    case Drag::TimeSelectArmed:
        if (state == Drag::Pressed) SilenceNote(v);
        SetDrag(v, Drag::None);
        ReleaseAsClick(v, x, y);
        break;
    case Drag::RangeSelect:
        SelectRectangle(v, g.anchorTime, TickOfX(v, x), g.anchorRow, ClampedRowAtY(v, y), true);
        SilenceNote(v);
        break;
    case Drag::MoveNotes:
        if (x != g.last.x || y != g.last.y) ApplyMove(v, x, y);
        SilenceNote(v);
        SetDrag(v, Drag::None);
        CommitMove(v);
        break;
    case Drag::SizeStart:
    case Drag::SizeEnd:
        ApplySize(v, x);
        SetDrag(v, Drag::None);
        CommitUnder(v, mp::IDS_UNDO_SIZE_EVENT);
        break;
    case Drag::TimeSelect:
        ExtendTimeSelection(v, g.pressTime, TimeSelectTick(v, x));
        FinishTimeSelection(v, g.pressTime);
        break;
    case Drag::Inert: break;
    default: Owner(v).OnDragEnd(v, x, y); break;
    }
    s->move.axis = AXIS_FREE;
    EndDrag(v);
}

void RightPress(TrackView* v, Pane* pane, WPARAM wParam, int x, int y) {
    Gesture& g = ToolsOf(v)->gesture;
    if (v->drag != Drag::None || (wParam & MK_LBUTTON)) return;
    const int hit = pane->paneClass->HitTest(v, pane, x, y);
    RecordPress(v, x, y, hit);
    g.pressRight = true;
    CaptureGrid(v);
    if (hit == HitNote && g.pressHasNote) {
        if (!v->access->IsEventSelected(g.pressNote)) SelectOnly(v, g.pressNote);
        SetDrag(v, Drag::Pressed);
    } else if (hit == HitEmpty) {
        DeselectAll(v);
        SetDrag(v, Drag::Pressed);
    } else {
        SetDrag(v, Drag::Inert);
    }
}

void RightRelease(TrackView* v, WPARAM wParam, int x, int y) {
    if (wParam & MK_LBUTTON) return;
    const Drag state = v->drag;
    if (!IsGridDrag(state)) return;
    if (state == Drag::MoveNotes) return; // the left button's move carries on
    EndDrag(v);
    v->parts->ShowGridContextMenu(v, x, y, false);
}

void ContextMenu(TrackView* v, WPARAM wParam, LPARAM lParam) {
    POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ScreenToClient(v->hwnd, &pt);
    v->parts->ShowGridContextMenu(v, pt.x, pt.y, wParam == PANE_CONTEXT_FROM_KEYBOARD);
}

} // namespace

void CancelDrag(TrackView* v) {
    ToolState* s = ToolsOf(v);
    const Drag state = v->drag;
    if (!IsGridDrag(state)) return;
    SetDrag(v, Drag::None);
    switch (state) {
    case Drag::MoveNotes:
    case Drag::SizeStart:
    case Drag::SizeEnd:
        SilenceNote(v);
        if (v->access) v->access->DiscardEdits();
        s->move.Forget();
        s->move.copy = false;
        break;
    case Drag::TimeSelect:
        // An unfinished time selection does not become the loop region; it goes away.
        ExtendTimeSelection(v, s->gesture.pressTime, s->gesture.pressTime);
        break;
    case Drag::Pressed:
    case Drag::RangeSelect:
    case Drag::TimeSelectArmed:
    case Drag::Inert: SilenceNote(v); break;
    default: Owner(v).OnCancel(v, state); break;
    }
    s->move.axis = AXIS_FREE;
    EndDrag(v);
    RedrawGrid(v);
}

LRESULT CommonOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: CommonPress(v, pane, msg, x, y); return 0;
    case WM_MOUSEMOVE:
        if (v->hwnd && GetCapture() == v->hwnd) CommonMove(v, wParam, x, y);
        return 0;
    case WM_LBUTTONUP: CommonRelease(v, x, y); return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: RightPress(v, pane, wParam, x, y); return 0;
    case WM_RBUTTONUP: RightRelease(v, wParam, x, y); return 0;
    case WM_CONTEXTMENU: ContextMenu(v, wParam, lParam); return 0;
    case WM_MOUSEWHEEL: return ToolWheel(v, msg, wParam, lParam);
    case PANE_AUTOSCROLLED: AutoScrolled(v, x, y); return 0;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED: CancelDrag(v); return 0;
    default: return v->hwnd ? DefWindowProc(v->hwnd, msg, wParam, lParam) : 0;
    }
}

// ---- pieces the tools share ----------------------------------------------------------------------------

bool PressIsIgnored(TrackView* v) { return v->drag != Drag::None || !v->access; }

void RecordClickKind(TrackView* v, UINT msg, int x, int y) {
    Gesture& g = ToolsOf(v)->gesture;
    g.doubleClickMessage = msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK;
    g.tripleClick = false;
    const std::uint64_t now = GetTickCount64();
    if (g.doubleClickMessage) {
        g.doubleClickTime = now;
        g.doubleClickStored = true;
        g.doubleClickPoint = {x, y};
        return;
    }
    // The double-click box is centred on the stored press.
    if (g.doubleClickStored && now - g.doubleClickTime <= static_cast<std::uint64_t>(GetDoubleClickTime()) &&
        std::abs(x - g.doubleClickPoint.x) * 2 <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(y - g.doubleClickPoint.y) * 2 <= GetSystemMetrics(SM_CYDOUBLECLK))
        g.tripleClick = true;
    g.doubleClickStored = false;
}

void RecordPress(TrackView* v, int x, int y, int hit) {
    ToolState* s = ToolsOf(v);
    Gesture& g = s->gesture;
    g.owner = ToolClassOf(s->current);
    g.press = {x, y};
    g.last = {x, y};
    g.pressTime = std::max<std::int64_t>(TickOfX(v, x), 0);
    g.pressRow = s->hit.row;
    g.pressUnit = UnitOfY(v, y);
    g.pressHit = hit;
    g.pressNote = s->hit.note;
    g.pressHasNote = s->hit.hasNote;
    g.pressRight = false;
    s->move.applied = 0;
    s->move.axis = AXIS_FREE;
    s->move.copy = false;
    s->move.Forget();
}

bool BeyondThreshold(TrackView* v, int x, int y, int factor) {
    const Gesture& g = ToolsOf(v)->gesture;
    return std::abs(x - g.press.x) > v->dragThreshold.x * factor || std::abs(y - g.press.y) > v->dragThreshold.y * factor;
}

int ClampToShownTime(const TrackView* v, int x) {
    return std::clamp<int>(x, v->geo.grid.left, v->geo.grid.left + std::max(v->geo.zoomPixels, 1) - 1);
}

void FollowWithAutoScroll(TrackView* v, int x, int y, std::uint32_t extraMode) {
    // The right margin shows no notes, so reaching it already scrolls.
    RECT shown = v->geo.grid;
    shown.right = std::min<LONG>(shown.right, v->geo.grid.left + std::max(v->geo.zoomPixels, 1));
    AutoScrollForPoint(v, x, y, shown, 0, AS_HORIZONTAL | extraMode);
}

void CaptureGrid(TrackView* v) {
    if (v->hwnd && GetCapture() != v->hwnd) SetCapture(v->hwnd);
}

void EndDrag(TrackView* v) {
    EndAutoScroll(v);
    SetDrag(v, Drag::None);
    if (v->hwnd && GetCapture() == v->hwnd) ReleaseCapture();
    RequestCursorRefresh(v);
}

void RedrawGrid(TrackView* v) { InvalidateView(v, INV_GRID); }

void CommitUnder(TrackView* v, std::uint32_t nameId) {
    if (!v->access) return;
    PendingEdit(v->access).Commit(nameId);
    RedrawGrid(v);
    NotifyRefreshState(v);
}

} // namespace pianoroll
