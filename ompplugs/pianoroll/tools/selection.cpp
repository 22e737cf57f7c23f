// Selection by click and range: selecting one note, a rectangle of rows and times, nothing; and the
// click of a release without drag, which also moves the edit cursor.
#include <algorithm>

#include "mp/track_access.h"
#include "view/snapping.h"
#include "tools/tool_framework.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

void DeselectAll(TrackView* v) {
    if (v->access && v->access->AnyEventSelected()) v->access->SelectAll(false);
    RedrawGrid(v);
    NotifyRefreshState(v);
}

void SelectOnly(TrackView* v, const mp::EventKey& key) {
    if (!v->access) return;
    v->access->SelectAll(false);
    SetNoteSelected(v, key, true);
    RedrawGrid(v);
    NotifyRefreshState(v);
}

// Selection is no edit of its own: the unnamed write leaves no step in the host's undo history.
void SetNoteSelected(TrackView* v, const mp::EventKey& key, bool on) {
    if (v->access) v->access->SelectEvent(key, on);
}

void SelectRectangle(TrackView* v, std::int64_t t0, std::int64_t t1, int row0, int row1, bool replace) {
    if (!v->access) return;
    if (replace) v->access->SelectAll(false);
    const int top = std::clamp(std::min(row0, row1), 0, v->geo.rowCount - 1);
    const int bottom = std::clamp(std::max(row0, row1), 0, v->geo.rowCount - 1);
    const std::int64_t start = std::max<std::int64_t>(std::min(t0, t1), 0);
    const std::int64_t length = std::max(t0, t1) - start + 1;
    v->access->SelectNotesInRange(start, length, PitchOfRow(v, bottom), PitchOfRow(v, top), true);
    RedrawGrid(v);
    NotifyRefreshState(v);
}

void ReleaseAsClick(TrackView* v, int x, int) {
    Gesture& g = ToolsOf(v)->gesture;
    std::int64_t clickTime = SnapClickTime(*v, std::max<std::int64_t>(TickOfX(v, x), 0));
    std::int64_t start = 0, end = 0;
    if (g.pressHasNote && NoteSpan(v, g.pressNote, &start, &end)) {
        if (g.pressHit == HitNoteStart) clickTime = start;
        else if (g.pressHit == HitNoteEnd) clickTime = end;
    }
    const bool ctrl = CtrlHeld(), shift = ShiftHeld();
    if (ctrl && !shift && g.pressHasNote) {
        SetNoteSelected(v, g.pressNote, !v->access->IsEventSelected(g.pressNote));
        RedrawGrid(v);
        NotifyRefreshState(v);
        return;
    }
    if (g.pressHasNote) {
        SelectOnly(v, g.pressNote);
        g.anchorRow = g.pressRow;
        g.anchorTime = clickTime;
    }
    if (g.doubleClickMessage) return;
    MoveEditCursor(v, clickTime, 0, ClickCursorFlags(g.pressHit == HitOutside));
}

// Ctrl takes the loop region along, Shift extends the range, and a click off the rows counts as a
// programmatic move (it does not stop playback from following).
unsigned ClickCursorFlags(bool outsideRows) {
    unsigned flags = 0;
    if (CtrlHeld()) flags |= MEC_MOVE_LOOP;
    if (ShiftHeld()) flags |= MEC_EXTEND;
    if (outsideRows) flags |= MEC_PROGRAM;
    return flags;
}

} // namespace pianoroll
