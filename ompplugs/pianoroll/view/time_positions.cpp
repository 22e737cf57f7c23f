// The view's time positions: the loop region, the time selection history and moving the edit cursor.
#include <algorithm>

#include "mp/private_messages.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

std::int64_t EndOfDocument(const TrackView* v) { return std::max<std::int64_t>(v->geo.documentLength, 0); }

} // namespace

void SetLoopRegion(TrackView* v, std::int64_t start, std::int64_t end, bool on) {
    TimePositions& time = v->time;
    if (start == time.loopStart && end == time.loopEnd && time.loopShown == on) return;
    time.loopStart = start;
    time.loopEnd = end;
    time.loopShown = on;
    InvalidateView(v, INV_RULER | INV_LOOP_BAR);
    v->owner.LoopChanged(v);
}

void SetLoopRange(TrackView* v, std::int64_t start, std::int64_t length) {
    if (length < 0) {
        start += length;
        length = -length;
    }
    start = std::max<std::int64_t>(start, 0);
    // A region is shown whenever there is one, looping or not.
    const bool on = length > 0;
    if (start == v->time.loopStart && start + length == v->time.loopEnd && on == v->time.loopShown) return;
    SetLoopRegion(v, start, start + length, on);
    if (v->access) v->access->SetLoopRegion(start, length);
}

void QueryRange(const TrackView* v, bool loop, bool inside, std::int64_t* start, std::int64_t* length) {
    if (!loop) {
        *start = v->time.selectionLength != 0 ? v->time.selectionStart : v->time.editCursor;
        *length = v->time.selectionLength;
        return;
    }
    const std::int64_t loopLength = v->time.loopEnd - v->time.loopStart;
    if (v->time.editCursor == v->time.loopStart) {
        *start = v->time.loopStart;
        *length = loopLength;
    } else if (v->time.editCursor == v->time.loopEnd) {
        *start = v->time.loopEnd;
        *length = -loopLength;
    } else if (inside && v->time.loopShown && v->time.editCursor > v->time.loopStart && v->time.editCursor < v->time.loopEnd) {
        *start = v->time.loopStart;
        *length = loopLength;
    } else {
        *start = v->time.editCursor;
        *length = 0;
    }
}

void AddSelectionHistory(TrackView* v, std::int64_t start, std::int64_t length) {
    for (int i = 0; i < v->time.historyCount; ++i)
        if (v->time.historyStart[i] == start && v->time.historyLength[i] == length) return;
    v->time.historyStart[v->time.historyNext] = start;
    v->time.historyLength[v->time.historyNext] = length;
    v->time.historyNext = (v->time.historyNext + 1) % kSelectionHistorySize;
    v->time.historyCount = std::min(v->time.historyCount + 1, kSelectionHistorySize);
    v->time.historyIndex = v->time.historyNext;
}

bool StepBackSelectionHistory(TrackView* v) {
    if (v->time.historyCount <= 0) return false;
    v->time.historyIndex = (v->time.historyIndex + v->time.historyCount - 1) % v->time.historyCount;
    const int i = v->time.historyIndex;
    const unsigned flags = MEC_PROGRAM | MEC_GESTURE_STEP;
    // The step itself is already in the ring; its own move is not recorded again.
    v->time.gestureRecorded = true;
    MoveEditCursor(v, v->time.historyStart[i], v->time.historyLength[i], flags);
    return true;
}

void MoveEditCursor(TrackView* v, std::int64_t t, std::int64_t n, unsigned flags) {
    // The option flag has no persisted setting to enable it, so it is dropped.
    flags &= ~MEC_OPTION;
    if ((flags & MEC_SNAP) && v->settings && v->settings->snapEnabled) {
        const SnapContext ctx = SnapContextOf(*v);
        t = ctx.bars ? GridNearest(ctx, t) : QuantumNearest(t, ctx.gridSpacing > 1 ? ctx.gridSpacing : 0);
    }
    std::int64_t curStart, curLength;
    QueryRange(v, false, false, &curStart, &curLength);
    if (flags & MEC_EXTEND) n = curStart + curLength - t;
    {
        const std::int64_t requestedEnd = t + n;
        v->owner.AdjustCursor(v, &t);
        n = requestedEnd - t;
    }
    const std::int64_t end = EndOfDocument(v);
    t = std::clamp<std::int64_t>(t, 0, std::max(end, t < 0 ? std::int64_t{0} : end));
    n = std::clamp<std::int64_t>(t + n, 0, end) - t;
    if (flags & MEC_MOVE_LOOP) {
        const std::int64_t length = v->time.loopEnd - v->time.loopStart;
        const std::int64_t stop = std::min(t + length, std::max(end, t));
        SetLoopRange(v, t, stop - t);
    }
    if (!(flags & MEC_NO_HISTORY)) {
        const bool first = !(flags & MEC_GESTURE_STEP) || !v->time.gestureRecorded;
        if (first) AddSelectionHistory(v, curStart, curLength);
        v->time.gestureRecorded = (flags & MEC_GESTURE_STEP) != 0;
    } else if (!(flags & MEC_GESTURE_STEP)) {
        v->time.gestureRecorded = false;
    }
    const bool changed = t != v->time.editCursor || v->time.selectionLength != 0;
    const int oldX = XOfTickUp(v, v->time.editCursor);
    v->time.editCursor = t;
    v->time.selectionStart = t;
    v->time.selectionLength = 0;
    if (n != 0) SetLoopRange(v, t, n);
    if (changed) v->owner.EditCursorMoved(v);
    FollowCursorMove(v, t, (flags & MEC_PROGRAM) != 0, (flags & MEC_KEEP_FOLLOWING) != 0);
    RepositionCaret(v);
    if (v->hwnd) {
        const int newX = XOfTickUp(v, t);
        for (int x : {oldX, newX}) {
            const RECT column{x, v->geo.grid.top, x + 1, v->geo.grid.bottom};
            InvalidateRect(v->hwnd, &column, FALSE);
        }
        InvalidateView(v, INV_NO_GRID | INV_RULER | INV_TRANSPORT | INV_KEYBOARD);
        if (HWND parent = GetParent(v->hwnd)) PostMessage(parent, mp::PRM_REFRESH_STATE, 0, 0);
    }
}

void BeginTimeSelection(TrackView* v, std::int64_t anchor) { MoveEditCursor(v, anchor, 0, MEC_GESTURE_STEP); }

void ExtendTimeSelection(TrackView* v, std::int64_t anchor, std::int64_t t) {
    t = std::clamp<std::int64_t>(t, 0, EndOfDocument(v));
    v->time.selectionStart = std::min(t, anchor);
    v->time.selectionLength = std::max(t, anchor) - v->time.selectionStart;
    MarkBackgroundStale(v);
    InvalidateView(v, INV_LOOP_BAR | INV_RULER);
}

void FinishTimeSelection(TrackView* v, std::int64_t anchor) {
    const std::int64_t start = v->time.selectionLength != 0 ? v->time.selectionStart : anchor;
    MarkBackgroundStale(v);
    MoveEditCursor(v, start, v->time.selectionLength, MEC_GESTURE_STEP);
    v->time.gestureRecorded = false;
    InvalidateView(v, INV_LOOP_BAR);
}

bool ZoomSelectionRange(const TrackView* v, std::int64_t* start, std::int64_t* length) {
    const TimePositions& t = v->time;
    if (t.selectionLength != 0) {
        *start = t.selectionStart;
        *length = t.selectionLength;
        return true;
    }
    if (!t.loopShown || t.loopEnd <= t.loopStart) return false;
    *start = t.loopStart;
    *length = t.loopEnd - t.loopStart;
    return true;
}

bool LoopBarCommand(TrackView* v, int command) {
    const std::int64_t end = EndOfDocument(v);
    const std::int64_t curStart = v->time.loopStart, curLength = v->time.loopEnd - v->time.loopStart;
    switch (command) {
    case CMD_SELECTION_TO_VIEW: {
        std::int64_t start = v->geo.timeOrigin, length = v->geo.timeSpan;
        const std::int64_t gap =
            v->geo.zoomPixels > 0 ? static_cast<std::int64_t>(v->geo.gridWidth - v->geo.zoomPixels) * v->geo.timeSpan / v->geo.zoomPixels / 2 : 0;
        if (v->geo.timeOrigin == 0) length += gap;
        else start += gap;
        start = std::clamp<std::int64_t>(start, 0, end);
        length = std::clamp<std::int64_t>(start + length, 0, end) - start;
        if (start == curStart && length == curLength && v->time.previousLoopSaved) {
            SetLoopRange(v, v->time.previousLoopStart, v->time.previousLoopLength);
            v->time.previousLoopSaved = false;
        } else {
            v->time.previousLoopStart = curStart;
            v->time.previousLoopLength = curLength;
            v->time.previousLoopSaved = true;
            SetLoopRange(v, start, length);
        }
        return true;
    }
    case CMD_SELECTION_TO_PROJECT: {
        if (curStart == 0 && curLength == end && v->time.loopShown) {
            if (!StepBackSelectionHistory(v) && v->time.previousLoopSaved)
                SetLoopRange(v, v->time.previousLoopStart, v->time.previousLoopLength);
            return true;
        }
        v->time.previousLoopStart = curStart;
        v->time.previousLoopLength = curLength;
        v->time.previousLoopSaved = true;
        AddSelectionHistory(v, curStart, curLength);
        SetLoopRange(v, 0, end);
        return true;
    }
    case CMD_LOOP_PLAYBACK:
        // Looping is the host's transport state; the region itself stays as it is.
        if (v->access) v->access->SetLooping(!v->access->IsLooping());
        InvalidateView(v, INV_LOOP_BAR | INV_TRANSPORT);
        return true;
    case CMD_ZOOM_TO_LOOP: ZoomToRange(v, curStart, curLength); return true;
    case CMD_ZOOM_TO_SELECTION: {
        std::int64_t start = 0, length = 0;
        if (ZoomSelectionRange(v, &start, &length)) ZoomToRange(v, start, length);
        return true;
    }
    default: return false;
    }
}

} // namespace pianoroll
