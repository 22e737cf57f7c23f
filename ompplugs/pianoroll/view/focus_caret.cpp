// The keyboard focus of the view's panes and the caret: the focus pane answers where the caret stands
// and how large it is; for the grid it is the edit cursor line.
#include <algorithm>

#include "mp/private_messages.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// The grid draws the cursor line only while the caret is not standing in for it, so the column is
// repainted whenever the caret comes or goes.
void InvalidateCursorColumn(TrackView* v, bool wasShown) {
    if (!v->hwnd || (v->focus.caretShown) == wasShown) return;
    const int x = XOfTickUp(v, v->time.editCursor);
    const RECT column{x, v->geo.grid.top, x + 1, v->geo.grid.bottom};
    InvalidateRect(v->hwnd, &column, FALSE);
}

void NotifyParent(TrackView* v) {
    if (HWND parent = GetParent(v->hwnd)) PostMessage(parent, mp::PRM_REFRESH_STATE, 0, 0);
}

} // namespace

bool AnswerGridCaret(const TrackView* v, UINT msg, LPARAM lParam) {
    if (msg == PANE_FOCUS_CARET_SIZE) {
        auto* size = reinterpret_cast<SIZE*>(lParam);
        *size = {1, std::max<int>(v->geo.grid.bottom - v->geo.grid.top, 1)};
        return true;
    }
    if (msg == PANE_FOCUS_CARET_POS) {
        auto* pos = reinterpret_cast<POINT*>(lParam);
        *pos = {XOfTick(v, v->time.editCursor), v->geo.grid.top};
        return true;
    }
    return false;
}

void RepositionCaret(TrackView* v) {
    if (!v->hwnd || !v->focus.hasFocus) return;
    const bool wasShown = v->focus.caretShown;
    if (wasShown) {
        HideCaret(v->hwnd);
        v->focus.caretShown = false;
    }
    POINT pos{0, 0};
    bool show = false;
    if (v->focusPane == PANE_GRID) {
        const int x = XOfTick(v, v->time.editCursor);
        pos = {x, v->geo.grid.top};
        show = v->geo.timeSpan > 0 && x >= v->geo.grid.left && x < v->geo.grid.right && !v->follow.following;
    } else {
        Pane& pane = v->panes[v->focusPane];
        show = pane.paneClass->OnKey(v, &pane, PANE_FOCUS_CARET_POS, 0, reinterpret_cast<LPARAM>(&pos)) != 0;
    }
    if (show) {
        SetCaretPos(pos.x, pos.y);
        ShowCaret(v->hwnd);
        v->focus.caretShown = true;
    }
    InvalidateCursorColumn(v, wasShown);
}

void SetFocusPane(TrackView* v, int pane) {
    if (pane < 0 || pane >= kPaneCount) return;
    v->focusPane = pane;
    if (!v->focus.hasFocus) return;
    // The caret's size depends on the pane that holds the keyboard.
    const bool wasShown = v->focus.caretShown;
    DestroyCaret();
    v->focus.caretShown = false;
    InvalidateCursorColumn(v, wasShown);
    SIZE size{1, std::max(v->geo.gridHeight, 1)};
    if (pane != PANE_GRID) {
        Pane& p = v->panes[pane];
        if (!p.paneClass->OnKey(v, &p, PANE_FOCUS_CARET_SIZE, 0, reinterpret_cast<LPARAM>(&size))) size = {1, 1};
    } else {
        size.cy = std::max<int>(v->geo.grid.bottom - v->geo.grid.top, 1);
    }
    CreateCaret(v->hwnd, nullptr, size.cx, size.cy);
    RepositionCaret(v);
}

void GainFocus(TrackView* v) {
    v->focus.hasFocus = true;
    v->focus.noRepeat = true;
    SetFocusPane(v, v->focusPane);
    NotifyParent(v);
}

void LoseFocus(TrackView* v) {
    const bool wasShown = v->focus.caretShown;
    if (wasShown) HideCaret(v->hwnd);
    DestroyCaret();
    v->focus.hasFocus = false;
    v->focus.caretShown = false;
    InvalidateCursorColumn(v, wasShown);
    NotifyParent(v);
}

} // namespace pianoroll
