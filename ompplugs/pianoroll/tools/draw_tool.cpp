// The Draw tool: a drag from an empty cell creates one note and sizes it with the pointer; on notes it
// behaves like the arrow of the common gesture handling.
#include <algorithm>
#include <cstdlib>

#include "model/pending_edit.h"
#include "mp/settings.h"
#include "mp/string_ids.h"
#include "tools/ghost_click.h"
#include "tools/tool_framework.h"
#include "view/snapping.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// The farthest the drawn note's end may move from its start, so sums of times never overflow.
constexpr std::int64_t kLimit = std::int64_t{1} << 61;
// Velocity of a drawn note.
constexpr int kDrawnVelocity = 64;

// The last snap point at or before t, and the first one after t.
std::int64_t SnapAtOrBefore(TrackView* v, std::int64_t t) {
    std::int64_t b = SnapBackwardTime(*v, t + 1);
    if (b > t) b = SnapBackwardTime(*v, t);
    return b;
}

std::int64_t SnapAfter(TrackView* v, std::int64_t t) { return SnapForwardTime(*v, t); }

void WriteDrawnNote(TrackView* v, std::int64_t start, std::int64_t duration) {
    PendingEdit edit(v->access);
    Note note;
    if (!edit.Read(ToolsOf(v)->draw.drawn, &note)) return;
    const std::int64_t length = std::clamp<std::int64_t>(duration, 1, UINT32_MAX);
    if (note.start == start && note.length == length) return;
    note.start = start;
    note.length = length;
    edit.Change(note);
    RedrawGrid(v);
}

LRESULT DrawOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_LBUTTONDOWN && msg != WM_LBUTTONDBLCLK) return CommonOnMouse(v, pane, msg, wParam, lParam);
    if (PressIsIgnored(v)) return 0;
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    const int hit = pane->paneClass->HitTest(v, pane, x, y);
    if (msg == WM_LBUTTONDBLCLK && hit == HitNote) {
        OpenVelocityEntryAtHit(v);
        return 0;
    }
    if (hit == HitEmpty && GhostClick(v, msg, x, y)) return 0;
    const bool ctrl = CtrlHeld(), shift = ShiftHeld();
    const bool onNote = hit == HitNote || hit == HitNoteStart || hit == HitNoteEnd;
    if (onNote && !(ctrl && shift)) return CommonOnMouse(v, pane, msg, wParam, lParam);
    EndAutoScroll(v);
    RecordClickKind(v, msg, x, y);
    RecordPress(v, x, y, hit);
    if (ctrl && shift) {
        SetDrag(v, Drag::TimeSelectArmed);
    } else {
        SetDrag(v, hit == HitEmpty ? Drag::DrawArmed : Drag::Pressed);
        DeselectAll(v);
    }
    CaptureGrid(v);
    return 0;
}

int DrawGetCursor(TrackView* v, Pane*, std::uint32_t hitCode) {
    return hitCode == HitEmpty ? VOR_CURSOR_PENCIL : CommonCursor(v, hitCode);
}

// Past the threshold the note is created in the pressed row (snapped while snapping is on).
void DrawArmedMove(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    const Gesture& g = s->gesture;
    DrawDrag& d = s->draw;
    if (!BeyondThreshold(v, x, y, 1)) return;
    x = ClampToShownTime(v, x);
    std::int64_t length = std::max<std::int64_t>(std::llabs(TickOfX(v, x) - g.pressTime), 1);
    std::int64_t start = g.pressTime;
    // Rows outside the scale take no note (Alt overrides); every further move tries again.
    if (!ScaleAllowsRow(*v, g.pressRow, SnapMoveTime(*v, start))) return;
    d.shift = 0;
    if (SnappingActive(v->settings)) {
        start = std::max<std::int64_t>(SnapMoveTime(*v, start), 0);
        const std::int64_t end = SnapForwardTime(*v, start + length - 1);
        length = end - start;
        d.shift = start - g.pressTime;
    }
    if (g.pressHit != HitEmpty || length <= 0) return;
    DeselectAll(v);
    Note note{.start = start, .length = length, .pitch = PitchOfRow(v, g.pressRow), .velocity = kDrawnVelocity,
              .selected = true};
    if (!PendingEdit(v->access).Insert(&note)) return;
    d.drawn = note.ref;
    d.start = start;
    d.duration = length;
    SoundPitch(v, note.pitch, length, kDrawnVelocity);
    SetDrag(v, Drag::DrawSize);
    RedrawGrid(v);
}

// The drawn note follows the pointer: rightward its end, leftward its start.
void DrawSizeApply(TrackView* v, int x) {
    ToolState* s = ToolsOf(v);
    const DrawDrag& d = s->draw;
    if (!d.drawn.Inserted()) return;
    x = ClampToShownTime(v, x);
    s->gesture.last.x = x;
    const std::int64_t offset = std::clamp<std::int64_t>(TickOfX(v, x) - s->gesture.pressTime - d.shift, -kLimit, kLimit);
    const bool snap = SnappingActive(v->settings);
    std::int64_t start = d.start, end = d.start;
    if (offset >= 0) {
        end = d.start + offset;
        if (snap) {
            const std::int64_t b = SnapAtOrBefore(v, end);
            const std::int64_t f = SnapAfter(v, end);
            if (end <= b + (f - b) / 2 && b > start && offset < kLimit) end = b;
            else end = f;
        }
        end = std::min(end, d.start + kLimit);
    } else {
        start = std::max<std::int64_t>(d.start + offset, 0);
        if (snap) {
            const std::int64_t pointer = start;
            const std::int64_t b = SnapAtOrBefore(v, pointer);
            const std::int64_t f = SnapAfter(v, pointer);
            const bool nearerB = pointer < b + (f - b) / 2 || offset <= -kLimit;
            if (nearerB) {
                start = b;
            } else if (f >= d.start) {
                // Nearer a snap point at or past the press: the note turns back to the right.
                start = d.start;
                end = SnapAfter(v, d.start);
            } else {
                start = f;
            }
        }
    }
    WriteDrawnNote(v, start, std::max<std::int64_t>(end - start, 1));
}

void DrawDragMove(TrackView* v, int x, int y) {
    if (v->drag == Drag::DrawArmed) {
        DrawArmedMove(v, x, y);
        return;
    }
    const Gesture& g = ToolsOf(v)->gesture;
    if (x == g.last.x && y == g.last.y) return;
    DrawSizeApply(v, x);
    FollowWithAutoScroll(v, x, y, 0);
}

void DrawDragEnd(TrackView* v, int x, int y) {
    if (v->drag == Drag::DrawArmed) {
        // No drag happened: a click.
        SilenceNote(v);
        SetDrag(v, Drag::None);
        ReleaseAsClick(v, x, y);
        return;
    }
    DrawSizeApply(v, x);
    SilenceNote(v);
    SetDrag(v, Drag::None);
    ToolsOf(v)->draw.drawn = EventRef{};
    CommitUnder(v, mp::IDS_UNDO_DRAW_EVENT);
}

void DrawCancel(TrackView* v, Drag state) {
    SilenceNote(v);
    if (state != Drag::DrawSize) return;
    PendingEdit(v->access).Discard();
    ToolsOf(v)->draw.drawn = EventRef{};
}

ToolClass gDrawTool{
    .pane = {.OnMouse = DrawOnMouse, .GetCursor = DrawGetCursor},
    .OnDragMove = DrawDragMove,
    .OnDragEnd = DrawDragEnd,
    .OnCancel = DrawCancel,
};

} // namespace

ToolClass* DrawTool() {
    static ToolClass* registered = RegisterTool(&gDrawTool);
    return registered;
}

} // namespace pianoroll
