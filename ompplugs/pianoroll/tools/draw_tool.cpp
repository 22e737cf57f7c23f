// The Draw tool: a drag from an empty cell creates one note and sizes it with the pointer; on notes it
// behaves like the arrow of the common handler.
#include <algorithm>
#include <cstdlib>

#include "mp/settings.h"
#include "mp/string_ids.h"
#include "mp/track_access.h"
#include "tools/snapping.h"
#include "tools/tools.h"
#include "view/navigation.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr std::int64_t kLimit = std::int64_t{1} << 61;

// The last snap point at or before t, and the first one after t.
std::int64_t SnapAtOrBefore(TrackView* v, std::int64_t t) {
    std::int64_t b = SnapBackwardTime(*v, v->snap, t + 1);
    if (b > t) b = SnapBackwardTime(*v, v->snap, t);
    return b;
}

std::int64_t SnapAfter(TrackView* v, std::int64_t t) { return SnapForwardTime(*v, v->snap, t); }

void WriteDrawnNote(TrackView* v, std::int64_t start, std::int64_t duration) {
    ToolState* s = ToolsOf(v);
    duration = std::max<std::int64_t>(duration, 1);
    mp::MidiEventRecord record{};
    if (!v->access->GetQueuedInsert(s->drawInsert, &record)) return;
    const std::int64_t time = start - s->drawBase;
    const auto length = static_cast<std::uint32_t>(std::min<std::int64_t>(duration, UINT32_MAX));
    if (record.time == time && record.length == length) return;
    record.time = time;
    record.length = length;
    v->access->SetQueuedInsert(s->drawInsert, record);
    RedrawGrid(v);
}

} // namespace

LRESULT DrawOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_LBUTTONDOWN && msg != WM_LBUTTONDBLCLK) return CommonOnMouse(v, pane, msg, wParam, lParam);
    if (PressIsIgnored(v)) return 0;
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    const int hit = pane->paneClass->HitTest(v, pane, x, y);
    // A double-click on a note body belongs to the velocity entry of the velocity commands.
    if (msg == WM_LBUTTONDBLCLK && hit == HitNote) return 0;
    const bool ctrl = GetKeyState(VK_CONTROL) < 0, shift = ShiftHeld();
    const bool onNote = hit == HitNote || hit == HitNoteStart || hit == HitNoteEnd;
    if (onNote && !(ctrl && shift)) return CommonOnMouse(v, pane, msg, wParam, lParam);
    EndAutoScroll(v);
    RecordClickKind(v, msg, x, y);
    RecordPress(v, x, y, hit);
    if (ctrl && shift) {
        v->drag = Drag::TimeSelectArmed;
    } else {
        v->drag = hit == HitEmpty ? Drag::DrawArmed : Drag::Pressed;
        DeselectAll(v);
    }
    CaptureGrid(v);
    return 0;
}

int DrawGetCursor(TrackView* v, Pane*, std::uint32_t hitCode) {
    return hitCode == HitEmpty ? CURSOR_PENCIL : CommonCursor(v, hitCode);
}

void DrawArmedMove(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    if (!BeyondThreshold(v, x, y, 1)) return;
    x = ClampToShownTime(v, x);
    std::int64_t length = std::max<std::int64_t>(std::llabs(TickOfX(v, x) - s->pressTime), 1);
    std::int64_t start = s->pressTime;
    // Rows outside the scale take no note (Alt overrides); every further move tries again.
    if (!ScaleAllowsRow(v->settings, s->pressRow)) return;
    s->drawShift = 0;
    if (SnappingActive(v->settings)) {
        start = std::max<std::int64_t>(SnapMoveTime(*v, v->snap, start), 0);
        const std::int64_t end = SnapForwardTime(*v, v->snap, start + length - 1);
        length = end - start;
        s->drawShift = start - s->pressTime;
    }
    if (s->pressHit != HitEmpty || length <= 0) return;
    DeselectAll(v);
    const int insert = v->access->InsertNote(start, length, s->pressRow, true);
    if (insert < 0) return;
    mp::MidiEventRecord record{};
    v->access->GetQueuedInsert(insert, &record);
    s->drawBase = start - record.time;
    s->insertBase = s->drawBase;
    s->insertBaseKnown = true;
    s->drawInsert = insert;
    s->drawStart = start;
    s->drawDuration = length;
    SoundPitch(v, record.data[0], length, 64);
    v->drag = Drag::DrawSize;
    RedrawGrid(v);
}

void DrawSizeApply(TrackView* v, int x) {
    ToolState* s = ToolsOf(v);
    if (s->drawInsert < 0) return;
    x = ClampToShownTime(v, x);
    s->last.x = x;
    const std::int64_t offset = std::clamp<std::int64_t>(TickOfX(v, x) - s->pressTime - s->drawShift, -kLimit, kLimit);
    const bool snap = SnappingActive(v->settings);
    std::int64_t start = s->drawStart, end = s->drawStart;
    if (offset >= 0) {
        end = s->drawStart + offset;
        if (snap) {
            const std::int64_t b = SnapAtOrBefore(v, end);
            const std::int64_t f = SnapAfter(v, end);
            if (end <= b + (f - b) / 2 && b > start && offset < kLimit) end = b;
            else end = f;
        }
        end = std::min(end, s->drawStart + kLimit);
    } else {
        start = std::max<std::int64_t>(s->drawStart + offset, 0);
        if (snap) {
            const std::int64_t pointer = start;
            const std::int64_t b = SnapAtOrBefore(v, pointer);
            const std::int64_t f = SnapAfter(v, pointer);
            const bool nearerB = pointer < b + (f - b) / 2 || offset <= -kLimit;
            if (nearerB) {
                start = b;
            } else if (f >= s->drawStart) {
                // Nearer a snap point at or past the press: the note turns back to the right.
                start = s->drawStart;
                end = SnapAfter(v, s->drawStart);
            } else {
                start = f;
            }
        }
    }
    WriteDrawnNote(v, start, std::max<std::int64_t>(end - start, 1));
}

void DrawSizeRelease(TrackView* v, int x) {
    DrawSizeApply(v, x);
    SilenceNote(v);
    v->drag = Drag::None;
    ToolsOf(v)->drawInsert = -1;
    CommitUnder(v, mp::IDS_UNDO_DRAW_EVENT);
}

void DrawCancel(TrackView* v) {
    SilenceNote(v);
    if (v->access) v->access->DiscardEdits();
    ToolsOf(v)->drawInsert = -1;
}

} // namespace pianoroll
