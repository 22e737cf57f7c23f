// The view's time positions: the loop region, the time selection history and moving the edit cursor.
#include <algorithm>

#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/navigation.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kHistorySize = 5;

std::int64_t EndOfDocument(const TrackView* v) { return std::max<std::int64_t>(v->documentLength, 0); }

bool Playing(const TrackView* v) { return (v->flags & TVF_PLAYING) != 0; }

} // namespace

void SetLoopRange(TrackView* v, std::int64_t start, std::int64_t length) {
    if (length < 0) {
        start += length;
        length = -length;
    }
    start = std::max<std::int64_t>(start, 0);
    // A region is shown whenever there is one, looping or not.
    const bool on = length > 0;
    if (start == v->loopStart && start + length == v->loopEnd && on == ((v->flags & TVF_LOOP_ON) != 0)) return;
    SetLoopRegion(v, start, start + length, on);
    if (v->access) v->access->SetLoopRegion(start, length);
}

void QueryRange(const TrackView* v, bool loop, bool inside, std::int64_t* start, std::int64_t* length) {
    if (!loop) {
        *start = v->selectionLength != 0 ? v->selectionStart : v->editCursor;
        *length = v->selectionLength;
        return;
    }
    const std::int64_t loopLength = v->loopEnd - v->loopStart;
    if (v->editCursor == v->loopStart) {
        *start = v->loopStart;
        *length = loopLength;
    } else if (v->editCursor == v->loopEnd) {
        *start = v->loopEnd;
        *length = -loopLength;
    } else if (inside && (v->flags & TVF_LOOP_ON) && v->editCursor > v->loopStart && v->editCursor < v->loopEnd) {
        *start = v->loopStart;
        *length = loopLength;
    } else {
        *start = v->editCursor;
        *length = 0;
    }
}

void AddSelectionHistory(TrackView* v, std::int64_t start, std::int64_t length) {
    for (int i = 0; i < v->historyCount; ++i)
        if (v->historyStart[i] == start && v->historyLength[i] == length) return;
    v->historyStart[v->historyNext] = start;
    v->historyLength[v->historyNext] = length;
    v->historyNext = (v->historyNext + 1) % kHistorySize;
    v->historyCount = std::min(v->historyCount + 1, kHistorySize);
    v->historyIndex = v->historyNext;
}

bool StepBackSelectionHistory(TrackView* v) {
    if (v->historyCount <= 0) return false;
    v->historyIndex = (v->historyIndex + v->historyCount - 1) % v->historyCount;
    const int i = v->historyIndex;
    const unsigned flags = MEC_PROGRAM | MEC_GESTURE_STEP;
    // The step itself is already in the ring; its own move is not recorded again.
    v->gestureRecorded = true;
    MoveEditCursor(v, v->historyStart[i], v->historyLength[i], flags);
    return true;
}

void MoveEditCursor(TrackView* v, std::int64_t t, std::int64_t n, unsigned flags) {
    // The option flag has no persisted setting to enable it, so it is dropped.
    flags &= ~MEC_OPTION;
    if ((flags & MEC_SNAP) && v->settings && v->settings->snapEnabled)
        t = QuantumNearest(t, v->snap.gridSpacing > 1 ? v->snap.gridSpacing : 0);
    std::int64_t curStart, curLength;
    QueryRange(v, false, false, &curStart, &curLength);
    if (flags & MEC_EXTEND) n = curStart + curLength - t;
    if (v->owner.AdjustCursor) {
        std::int64_t end = t + n;
        v->owner.AdjustCursor(v, &t);
        n = end - t;
    }
    const std::int64_t end = EndOfDocument(v);
    t = std::clamp<std::int64_t>(t, 0, std::max(end, t < 0 ? std::int64_t{0} : end));
    n = std::clamp<std::int64_t>(t + n, 0, end) - t;
    if (flags & MEC_MOVE_LOOP) {
        const std::int64_t length = v->loopEnd - v->loopStart;
        const std::int64_t stop = std::min(t + length, std::max(end, t));
        SetLoopRange(v, t, stop - t);
    }
    if (!(flags & MEC_NO_HISTORY)) {
        const bool first = !(flags & MEC_GESTURE_STEP) || !v->gestureRecorded;
        if (first) AddSelectionHistory(v, curStart, curLength);
        v->gestureRecorded = (flags & MEC_GESTURE_STEP) != 0;
    } else if (!(flags & MEC_GESTURE_STEP)) {
        v->gestureRecorded = false;
    }
    const bool changed = t != v->editCursor || v->selectionLength != 0;
    const int oldX = XOfTickUp(v, v->editCursor);
    v->editCursor = t;
    v->selectionStart = t;
    v->selectionLength = 0;
    if (n != 0) SetLoopRange(v, t, n);
    if (changed && v->owner.EditCursorMoved) v->owner.EditCursorMoved(v);
    if (Playing(v)) {
        if (!(flags & MEC_PROGRAM)) {
            v->flags |= TVF_USER_MOVED;
            v->flags &= ~TVF_FOLLOWING;
            if (v->transport.ContinueFrom) v->transport.ContinueFrom(v, t);
        } else if (!((flags & MEC_KEEP_FOLLOWING) && (v->flags & TVF_USER_MOVED))) {
            v->flags &= ~TVF_USER_MOVED;
            v->flags |= TVF_FOLLOWING | TVF_RECENTRE;
            if (v->transport.ContinueFrom) v->transport.ContinueFrom(v, t);
        }
    }
    RepositionCaret(v);
    if (v->hwnd) {
        const int newX = XOfTickUp(v, t);
        for (int x : {oldX, newX}) {
            const RECT column{x, v->grid.top, x + 1, v->grid.bottom};
            InvalidateRect(v->hwnd, &column, FALSE);
        }
        InvalidateView(v, INV_NO_GRID | INV_RULER | INV_TRANSPORT | INV_KEYBOARD);
        if (HWND parent = GetParent(v->hwnd)) PostMessage(parent, 1737, 0, 0);
    }
}

void BeginTimeSelection(TrackView* v, std::int64_t anchor) { MoveEditCursor(v, anchor, 0, MEC_GESTURE_STEP); }

void ExtendTimeSelection(TrackView* v, std::int64_t anchor, std::int64_t t) {
    t = std::clamp<std::int64_t>(t, 0, EndOfDocument(v));
    v->selectionStart = std::min(t, anchor);
    v->selectionLength = std::max(t, anchor) - v->selectionStart;
    MarkBackgroundStale(v);
    InvalidateView(v, INV_LOOP_BAR | INV_RULER);
}

void FinishTimeSelection(TrackView* v, std::int64_t anchor) {
    const std::int64_t start = v->selectionLength != 0 ? v->selectionStart : anchor;
    MarkBackgroundStale(v);
    MoveEditCursor(v, start, v->selectionLength, MEC_GESTURE_STEP);
    v->gestureRecorded = false;
    InvalidateView(v, INV_LOOP_BAR);
}

bool LoopBarCommand(TrackView* v, int command) {
    const std::int64_t end = EndOfDocument(v);
    const std::int64_t curStart = v->loopStart, curLength = v->loopEnd - v->loopStart;
    switch (command) {
    case CMD_SELECTION_TO_VIEW: {
        std::int64_t start = v->timeOrigin, length = v->timeSpan;
        const std::int64_t gap =
            v->zoomPixels > 0 ? static_cast<std::int64_t>(v->gridWidth - v->zoomPixels) * v->timeSpan / v->zoomPixels / 2 : 0;
        if (v->timeOrigin == 0) length += gap;
        else start += gap;
        start = std::clamp<std::int64_t>(start, 0, end);
        length = std::clamp<std::int64_t>(start + length, 0, end) - start;
        if (start == curStart && length == curLength && v->previousLoopSaved) {
            SetLoopRange(v, v->previousLoopStart, v->previousLoopLength);
            v->previousLoopSaved = false;
        } else {
            v->previousLoopStart = curStart;
            v->previousLoopLength = curLength;
            v->previousLoopSaved = true;
            SetLoopRange(v, start, length);
        }
        return true;
    }
    case CMD_SELECTION_TO_PROJECT: {
        if (curStart == 0 && curLength == end && (v->flags & TVF_LOOP_ON)) {
            if (!StepBackSelectionHistory(v) && v->previousLoopSaved)
                SetLoopRange(v, v->previousLoopStart, v->previousLoopLength);
            return true;
        }
        v->previousLoopStart = curStart;
        v->previousLoopLength = curLength;
        v->previousLoopSaved = true;
        AddSelectionHistory(v, curStart, curLength);
        SetLoopRange(v, 0, end);
        return true;
    }
    case CMD_LOOP_PLAYBACK:
        // Looping is the host's transport state; the region itself stays as it is.
        if (v->access) v->access->SetLooping(!v->access->IsLooping());
        InvalidateView(v, INV_LOOP_BAR);
        return true;
    case CMD_ZOOM_TO_LOOP: ZoomToRange(v, curStart, curLength); return true;
    case CMD_ZOOM_TO_SELECTION: ZoomToRange(v, v->selectionStart, v->selectionLength); return true;
    default: return false;
    }
}

} // namespace pianoroll
