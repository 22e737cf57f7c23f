// The Paint and Erase tools: strokes that lay runs of notes of the paint length along a row, or clear
// what the pointer sweeps over; the right button swaps the two.
#include <algorithm>
#include <climits>
#include <cmath>

#include "model/pending_edit.h"
#include "mp/settings.h"
#include "mp/string_ids.h"
#include "view/snapping.h"
#include "tools/tool_framework.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// Velocity of a painted note.
constexpr int kPaintedVelocity = 64;

struct Painted {
    int insert = -1;
    std::int64_t start = 0;
    std::int64_t duration = 0;
};

std::int64_t WholeTicks(double d) { return std::max<std::int64_t>(static_cast<std::int64_t>(std::llround(d)), 1); }

// The paint length of a note that starts at t: the grid it may stand for is the one of the meter there.
std::int64_t PaintLength(TrackView* v, std::int64_t t) { return WholeTicks(ViewSpacings(*v, t).paint); }
std::int64_t Floor(TrackView* v, std::int64_t t) { return GridBefore(SnapContextOf(*v), t); }
std::int64_t Ceiling(TrackView* v, std::int64_t t) { return GridAfter(SnapContextOf(*v), t); }
// Whether a run step of `length` (negative: backwards) from the grid line `from` ends off the grid, so
// that the run goes on from the next line. In one meter the lines are evenly spaced, so the length
// alone decides.
bool EndsOffGrid(TrackView* v, std::int64_t from, std::int64_t length) {
    const SnapContext ctx = SnapContextOf(*v);
    if (!ctx.bars) return length % WholeTicks(ctx.gridSpacing) != 0;
    return !OnGrid(ctx, from + length);
}

// The first note of the stroke's row created in this stroke that covers time t.
bool PaintedAt(TrackView* v, std::int64_t t, Painted* out) {
    const int pitch = PitchOfRow(v, ToolsOf(v)->stroke.row);
    bool found = false;
    PendingEdit(v->access).ForEachInsertedNote([&](const Note& note) {
        if (found || note.pitch != pitch || note.start > t || t >= note.End()) return;
        *out = {note.ref.insert, note.start, note.length};
        found = true;
    });
    return found;
}

// Inserts one painted note (unselected, sounded); its queue index or -1.
int PaintNote(TrackView* v, std::int64_t start, std::int64_t length) {
    if (start < 0) return -1;
    // Where the song's key changes, a row may leave the scale: the run stops there.
    if (KeyVaries(v) && !ScaleAllowsRow(*v, ToolsOf(v)->stroke.row, start)) return -1;
    Note note{.start = start, .length = length, .pitch = PitchOfRow(v, ToolsOf(v)->stroke.row),
              .velocity = kPaintedVelocity};
    if (!PendingEdit(v->access).Insert(&note)) return -1;
    SoundPitch(v, note.pitch, note.length, kPaintedVelocity);
    return note.ref.insert;
}

void FirstPaintStep(TrackView* v, std::int64_t t) {
    ToolState* s = ToolsOf(v);
    if (!ScaleAllowsRow(*v, s->stroke.row, t)) return;
    const bool snap = GridSnappingActive(v->settings);
    if (snap) t = Floor(v, t);
    const std::int64_t length = PaintLength(v, t);
    std::int64_t end = t + length;
    if (snap && EndsOffGrid(v, t, length)) end = Ceiling(v, end);
    PendingEdit(v->access).ClearNotes(t, end - 1 - t, s->stroke.row, s->stroke.row, -1);
    if (PaintNote(v, t, length) < 0) return;
    s->stroke.firstPaintedStart = t;
    s->stroke.lastPointerTime = t;
    s->stroke.runEnd = t + length;
}

void PaintRight(TrackView* v, std::int64_t t) {
    ToolState* s = ToolsOf(v);
    const bool snap = GridSnappingActive(v->settings);
    std::int64_t p = s->stroke.lastPointerTime;
    s->stroke.lastPointerTime = t;
    while (p < t) {
        Painted current;
        if (!PaintedAt(v, s->stroke.runEnd - 1, &current)) return;
        if (snap) p = Floor(v, p);
        std::int64_t reached = current.start + PaintLength(v, current.start);
        if (snap) reached = Floor(v, reached);
        if (p >= reached) {
            Painted there;
            if (PaintedAt(v, p, &there)) {
                s->stroke.runEnd = there.start + there.duration;
                const bool off = snap && EndsOffGrid(v, there.start, there.duration);
                const std::int64_t next = off ? Ceiling(v, s->stroke.runEnd) : s->stroke.runEnd;
                if (next <= p) return;
                p = next;
                continue;
            }
            const std::int64_t length = PaintLength(v, p);
            const int insert = PaintNote(v, p, length);
            if (insert < 0) return;
            std::int64_t end = p + length;
            if (snap && EndsOffGrid(v, p, length)) end = Ceiling(v, end);
            PendingEdit(v->access).ClearNotes(p, end - 1 - p, s->stroke.row, s->stroke.row, insert);
            s->stroke.runEnd = p + length;
            p = end;
        } else {
            const std::int64_t end = current.start + current.duration;
            const std::int64_t next = snap && EndsOffGrid(v, current.start, current.duration) ? Ceiling(v, end) : end;
            if (next <= p) return;
            p = next;
        }
    }
}

void PaintLeft(TrackView* v, std::int64_t t) {
    ToolState* s = ToolsOf(v);
    const bool snap = GridSnappingActive(v->settings);
    // A note laid before `end` has the paint length of the meter it lies in; off the grid, it starts
    // at the line before.
    auto stepBack = [&](std::int64_t end) {
        const std::int64_t length = PaintLength(v, end - 1);
        return snap && EndsOffGrid(v, end, -length) ? Floor(v, end - length) : end - length;
    };
    std::int64_t c = s->stroke.lastPointerTime - 1;
    s->stroke.lastPointerTime = t;
    while (c > t) {
        Painted current;
        if (!PaintedAt(v, s->stroke.firstPaintedStart, &current)) return;
        if (snap) c = Floor(v, c);
        const std::int64_t start = current.start;
        std::int64_t n = start;
        if (c < start) {
            n = stepBack(start);
            if (n < 0) return;
            Painted there;
            if (PaintedAt(v, n, &there)) {
                n = there.start;
            } else {
                const int insert = PaintNote(v, n, PaintLength(v, start - 1));
                if (insert < 0) return;
                PendingEdit(v->access).ClearNotes(n, start - 1 - n, s->stroke.row, s->stroke.row, insert);
            }
        }
        s->stroke.firstPaintedStart = n;
        const std::int64_t next = stepBack(n);
        if (next >= c) return;
        c = next;
    }
}

void EraseStep(TrackView* v, std::int64_t t) {
    ToolState* s = ToolsOf(v);
    if (s->stroke.stepped && t == s->stroke.lastPointerTime) return;
    std::int64_t a = t, b = t + 1;
    if (GridSnappingActive(v->settings)) {
        a = Floor(v, t);
        b = Ceiling(v, t + 1);
    }
    if (s->stroke.stepped) {
        a = std::min(a, s->stroke.lastPointerTime);
        b = std::max(b, s->stroke.lastPointerTime);
    }
    if (PendingEdit(v->access).ClearNotes(a, b - a, s->stroke.row, s->stroke.row, -1)) RedrawGrid(v);
    s->stroke.lastPointerTime = t;
    s->stroke.stepped = true;
}

// The row a stroke is in when the pointer is at y: above the grid the row before the first shown one,
// below it the row after the last shown one; -1 when there is none.
int StrokeRowAt(TrackView* v, int y) {
    const int row = RowAtY(v, y);
    if (row >= 0) return row;
    if (y < v->geo.grid.top) return v->geo.topRow - 1;
    int last = v->geo.topRow;
    for (int r = std::max(v->geo.topRow, 0); r < v->geo.rowCount; ++r) {
        int top, bottom;
        RowBand(v, r, &top, &bottom);
        if (top >= v->geo.grid.bottom || bottom <= top) break;
        last = r;
    }
    return y >= v->geo.grid.bottom ? last + 1 : -1;
}

void StrokeMove(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    if (x == s->gesture.last.x && y == s->gesture.last.y) return;
    s->gesture.last = {x, y};
    const int row = StrokeRowAt(v, y);
    bool rowChanged = false;
    if (row >= 0 && row < v->geo.rowCount) {
        rowChanged = row != s->stroke.row;
        s->stroke.row = row;
    }
    const std::int64_t t = std::max<std::int64_t>(TickOfX(v, x), 0);
    if (v->drag == Drag::PaintStroke) {
        if (rowChanged) FirstPaintStep(v, t);
        else if (t >= s->stroke.lastPointerTime) PaintRight(v, t);
        else PaintLeft(v, t);
    } else {
        EraseStep(v, t);
    }
    RedrawGrid(v);
}

void CommitStroke(TrackView* v, bool paint) {
    const PendingEdit edit(v->access);
    const int inserted = edit.InsertCount();
    const int shortened = edit.ChangeCount();
    if (paint) {
        const bool plural = inserted >= 2 || (inserted < 2 && shortened >= 2);
        CommitUnder(v, plural ? mp::IDS_UNDO_PAINT_EVENTS : mp::IDS_UNDO_PAINT_EVENT);
    } else {
        const int removed = edit.RemovedNoteCount();
        const bool plural = removed >= 2 || (removed < 2 && shortened >= 2);
        CommitUnder(v, plural ? mp::IDS_UNDO_ERASE_EVENTS : mp::IDS_UNDO_ERASE_EVENT);
    }
}

LRESULT StrokeOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam, bool paintTool) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    const bool captured = v->hwnd && GetCapture() == v->hwnd;
    const bool stroking = v->drag == Drag::PaintStroke || v->drag == Drag::EraseStroke;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: {
        if (PressIsIgnored(v)) return 0;
        const int hit = pane->paneClass->HitTest(v, pane, x, y);
        if (hit == HitOutside) return 0;
        const bool left = msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK;
        const bool paint = paintTool == left;
        ToolState* s = ToolsOf(v);
        RecordClickKind(v, msg, x, y);
        RecordPress(v, x, y, hit);
        s->stroke.row = s->gesture.pressRow;
        s->stroke.stepped = false;
        s->stroke.lastPointerTime = s->gesture.pressTime;
        SetDrag(v, paint ? Drag::PaintStroke : Drag::EraseStroke);
        if (paint) FirstPaintStep(v, s->gesture.pressTime);
        else EraseStep(v, s->gesture.pressTime);
        RedrawGrid(v);
        CaptureGrid(v);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (captured && stroking) {
            StrokeMove(v, x, y);
            FollowWithAutoScroll(v, x, y, AS_VERTICAL | AS_ROWS);
        }
        return 0;
    case PANE_AUTOSCROLLED:
        if (!stroking) return CommonOnMouse(v, pane, msg, wParam, lParam);
        // The same point now lies over another time or row.
        ToolsOf(v)->gesture.last = {INT_MIN, INT_MIN};
        StrokeMove(v, x, y);
        return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (captured && stroking) {
            StrokeMove(v, x, y);
            SilenceNote(v);
            const bool paint = v->drag == Drag::PaintStroke;
            SetDrag(v, Drag::None);
            CommitStroke(v, paint);
            EndDrag(v);
            RedrawGrid(v);
            return 0;
        }
        if (msg == WM_LBUTTONUP && !captured && v->drag == Drag::None &&
            pane->paneClass->HitTest(v, pane, x, y) == HitOutside) {
            const std::int64_t t = std::max<std::int64_t>(TickOfX(v, x), 0);
            MoveEditCursor(v, paintTool ? SnapClickTime(*v, t) : t, 0, ClickCursorFlags(true));
            RequestCursorRefresh(v);
        }
        return 0;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
        if (stroking) CancelDrag(v);
        return 0;
    default: return CommonOnMouse(v, pane, msg, wParam, lParam);
    }
}

LRESULT PaintOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    return StrokeOnMouse(v, pane, msg, wParam, lParam, true);
}

LRESULT EraseOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    return StrokeOnMouse(v, pane, msg, wParam, lParam, false);
}

int PaintGetCursor(TrackView*, Pane*, std::uint32_t hitCode) {
    return hitCode == HitOutside ? VOR_CURSOR_ARROW : VOR_CURSOR_BRUSH;
}

int EraseGetCursor(TrackView*, Pane*, std::uint32_t hitCode) {
    return hitCode == HitOutside ? VOR_CURSOR_ARROW : VOR_CURSOR_ERASER;
}

// A cancelled stroke takes back every note it laid or cleared.
void StrokeCancel(TrackView* v, Drag state) {
    SilenceNote(v);
    if (state == Drag::PaintStroke || state == Drag::EraseStroke) PendingEdit(v->access).Discard();
}

ToolClass gPaintTool{
    .pane = {.HitTest = CoarseHitTest, .OnMouse = PaintOnMouse, .GetCursor = PaintGetCursor},
    .OnCancel = StrokeCancel,
};

ToolClass gEraseTool{
    .pane = {.HitTest = CoarseHitTest, .OnMouse = EraseOnMouse, .GetCursor = EraseGetCursor},
    .OnCancel = StrokeCancel,
};

} // namespace

ToolClass* PaintTool() {
    static ToolClass* registered = RegisterTool(&gPaintTool);
    return registered;
}

ToolClass* EraseTool() {
    static ToolClass* registered = RegisterTool(&gEraseTool);
    return registered;
}

} // namespace pianoroll
