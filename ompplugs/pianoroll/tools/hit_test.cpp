// The note grid's hit tests (precise with note edges, coarse for strokes), the common cursor, and the
// rows and notes the tools look up.
#include <algorithm>

#include "model/note_model.h"
#include "mp/track_access.h"
#include "tools/tool_framework.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// The precise test finds notes within half the ticks of this many pixels, the coarse one within the
// ticks of the other.
constexpr int kPreciseSlackPixels = 8;
constexpr int kCoarseSlackPixels = 4;
// Edges reach this far outside a note; a note narrower than the body minimum has edges only.
constexpr int kEdgeReachPixels = 4;
constexpr int kMinBodyPixels = 3;
constexpr int kMaxEdgePixels = 8;

// Steps 1 and 2 of both hit tests: the row, and the note of the row near the point.
int FindHit(TrackView* v, int x, int y, std::int64_t tolerance) {
    NoteHit& hit = ToolsOf(v)->hit;
    hit = NoteHit{};
    const int row = RowAtY(v, y);
    hit.row = row;
    if (row >= 0) SetHoverRow(v, row);
    if (row < 0 || row >= v->geo.rowCount || !v->access || v->geo.timeSpan <= 0) return HitOutside;
    mp::EventKey key{};
    if (v->access->FindNoteAt(TickOfX(v, x), tolerance, row, &key) != S_OK) return HitEmpty;
    hit.note = key;
    hit.hasNote = true;
    return HitNote;
}

} // namespace

int PreciseHitTest(TrackView* v, Pane*, int x, int y) {
    const int found = FindHit(v, x, y, TicksOfWidth(v, kPreciseSlackPixels) / 2);
    if (found != HitNote) return found;
    std::int64_t start = 0, end = 0;
    if (!NoteSpan(v, ToolsOf(v)->hit.note, &start, &end)) return HitEmpty;
    const int xs = XOfTick(v, start), xe = XOfTick(v, end);
    if (xe - xs < kMinBodyPixels) {
        // Too narrow for a body: the two edges meet in the middle.
        return x <= xs + (xe - xs) / 2 ? HitNoteStart : HitNoteEnd;
    }
    const int e = std::min((xe - xs) / 3, kMaxEdgePixels) / 2;
    if (x >= xs - kEdgeReachPixels && x <= xs + e) return HitNoteStart;
    if (x < xe - e || x > xe + kEdgeReachPixels) return HitNote;
    return HitNoteEnd;
}

int CoarseHitTest(TrackView* v, Pane*, int x, int y) { return FindHit(v, x, y, TicksOfWidth(v, kCoarseSlackPixels)); }

int CommonCursor(TrackView* v, std::uint32_t hitCode) {
    switch (hitCode) {
    case HitNote: {
        const int axis = v->tools ? v->tools->move.axis : AXIS_FREE;
        if (v->drag == Drag::MoveNotes && axis != AXIS_FREE)
            return axis == AXIS_TIME ? VOR_CURSOR_MOVE_TIME : VOR_CURSOR_MOVE_PITCH;
        return VOR_CURSOR_ARROW;
    }
    case HitNoteStart: return VOR_CURSOR_NOTE_START;
    case HitNoteEnd: return VOR_CURSOR_NOTE_END;
    default: return VOR_CURSOR_ARROW;
    }
}

bool NoteSpan(TrackView* v, const NoteKey& key, std::int64_t* start, std::int64_t* end) {
    Note note;
    if (!NoteModel(v->access).Read(key, &note)) return false;
    *start = note.start;
    *end = note.End();
    return true;
}

int PitchOfRow(TrackView* v, int row) {
    mp::PitchRow pitchRow{};
    if (v->access && v->access->GetPitchRow(row, &pitchRow) == S_OK) return pitchRow.note;
    return kTopPitch - row;
}

int ClampedRowAtY(TrackView* v, int y) {
    y = std::clamp<int>(y, v->geo.grid.top, std::max<int>(v->geo.grid.bottom - 1, v->geo.grid.top));
    const int row = RowAtY(v, y);
    if (row >= 0) return std::min(row, v->geo.rowCount - 1);
    return row == ROW_ABOVE_GRID ? std::max(v->geo.topRow, 0) : v->geo.rowCount - 1;
}

void OpenVelocityEntryAtHit(TrackView* v) {
    const NoteHit hit = ToolsOf(v)->hit;
    v->parts->RunVelocityEntry(v, hit.hasNote ? &hit.note : nullptr);
}

} // namespace pianoroll
