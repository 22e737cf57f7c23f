// The keys and the Ctrl wheel of the note grid: tool choice by key, Escape, loop playback, snapping,
// row height.
#include <algorithm>
#include <cstdlib>

#include "mp/track_access.h"
#include "view/snapping.h"
#include "tools/tool_framework.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// What the grid answers a wheel message it handled.
constexpr LRESULT kWheelHandled = 105;
// Rows a wheel step scrolls.
constexpr int kRowsPerWheelStep = 3;

void ChangeRowHeight(TrackView* v, int steps) {
    const int level = std::clamp(v->geo.rowHeightLevel + steps, 0, std::max(v->geo.gridHeight - kRowPixelsAtLevelZero, 0));
    if (level == v->geo.rowHeightLevel) return;
    SetRowHeightLevel(v, level, v->geo.verticalTop, VV_PROGRAM);
    InvalidateView(v, INV_ALL);
}

// Escape, Q and L work during a drag too.
bool KeyInAnyState(TrackView* v, WPARAM key, bool dragging, bool shift, bool ctrl, LRESULT* result) {
    *result = 0;
    switch (key) {
    case VK_ESCAPE:
        if (dragging) {
            CancelDrag(v);
            *result = 1;
        } else if (v->tools && v->tools->current == TOOL_SELECTION && v->access && v->access->IsPlaying()) {
            // With nothing to cancel, Escape in the Selection tool stops playback.
            v->access->SetPlaying(false);
            *result = 1;
        }
        return true;
    case 'Q':
    case 'L':
        if (!shift && !ctrl) {
            if (HWND parent = v->hwnd ? GetParent(v->hwnd) : nullptr)
                SendMessage(parent, WM_COMMAND, CMD_LOOP_PLAYBACK, 0);
            *result = 1;
        } else if (key == 'L' && shift && !ctrl) {
            SetLoopRange(v, v->time.loopStart, v->time.loopEnd - v->time.loopStart);
            *result = 1;
        }
        return true;
    default: return false;
    }
}

} // namespace

LRESULT ToolOnKey(TrackView* v, Pane*, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (AnswerGridCaret(v, msg, lParam)) return 1;
    if (msg != WM_KEYDOWN) return 0;
    const bool shift = ShiftHeld(), ctrl = CtrlHeld();
    const bool dragging = IsGridDrag(v->drag);
    LRESULT result = 0;
    if (KeyInAnyState(v, wParam, dragging, shift, ctrl, &result)) return result;
    if (dragging) return 0;
    switch (wParam) {
    case 'D':
        if (ctrl) SelectTool(v, TOOL_DRAW);
        else StepTool(v, !shift);
        NotifyRefreshState(v);
        return 1;
    case VK_UP:
    case VK_DOWN:
        if (!shift || !ctrl) return 0;
        ChangeRowHeight(v, wParam == VK_UP ? 1 : -1);
        return 1;
    case VK_F5:
        InvalidateView(v, INV_ALL);
        NotifyRefreshState(v);
        return 1;
    case VK_F8:
        // Through the frame, as the toolbar's Snapping buttons do: F8 the grid, Alt+F8 the scale.
        if (HWND parent = v->hwnd ? GetParent(v->hwnd) : nullptr)
            SendMessage(parent, WM_COMMAND, AltHeld() ? CMD_TOGGLE_SCALE_SNAPPING : CMD_TOGGLE_SNAPPING, 0);
        return 1;
    default: return 0;
    }
}

LRESULT ToolWheel(TrackView* v, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!CtrlHeld() || ShiftHeld()) return DefWindowProc(v->hwnd, msg, wParam, lParam);
    const int delta = GET_WHEEL_DELTA_WPARAM(wParam);
    const int steps = std::abs(delta) / WHEEL_DELTA;
    if (steps == 0) return kWheelHandled;
    if (!AltHeld()) {
        ScrollVertically(v, (delta > 0 ? -1 : 1) * steps * kRowsPerWheelStep * std::max(v->geo.verticalStep, kUnitsPerRow));
        InvalidateView(v, INV_ALL);
    } else {
        // Up (a positive delta) makes rows taller.
        ChangeRowHeight(v, delta > 0 ? steps : -steps);
    }
    return kWheelHandled;
}

} // namespace pianoroll
