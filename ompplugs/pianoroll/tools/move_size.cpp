// Moving, copy-moving and sizing notes through the pending edit.
#include <algorithm>
#include <climits>
#include <functional>
#include <vector>

#include "model/note_model.h"
#include "model/pending_edit.h"
#include "mp/string_ids.h"
#include "mp/track_access.h"
#include "tools/tool_framework.h"
#include "view/snapping.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// The farthest a note may start or end, so sums of times never overflow.
constexpr std::int64_t kFarTicks = std::int64_t{1} << 61;

bool SameKey(const NoteKey& a, const NoteKey& b) {
    return a.track == b.track && a.block == b.block && a.event == b.event;
}

// How far the moved events reach: the earliest start, the latest end and the top and bottom rows of
// their notes, gathered as they are collected.
struct MoveReach {
    std::int64_t earliest = kFarTicks, latest = 0;
    int topRow = INT_MAX, bottomRow = INT_MIN;

    void AddSpan(std::int64_t start, std::int64_t end) {
        earliest = std::min(earliest, start);
        latest = std::max(latest, end);
    }
    void AddRow(int row) {
        topRow = std::min(topRow, row);
        bottomRow = std::max(bottomRow, row);
    }
};

// Copy-move: every selected event is duplicated; the copies carry the selection and are what moves.
void CollectCopies(TrackView* v, MoveReach* reach, Note* pressed) {
    ToolState* s = ToolsOf(v);
    MoveDrag& m = s->move;
    PendingEdit edit(v->access);
    const NoteModel model(v->access);
    for (const CopiedEvent& c : edit.CopySelected()) {
        if (SameKey(c.original, s->gesture.pressNote)) m.pressedItem = static_cast<int>(m.moved.size());
        m.moved.push_back(c.copy);
        std::int64_t start = 0, end = 0;
        if (!edit.Span(c.copy, &start, &end)) continue;
        reach->AddSpan(start, end);
        Note note;
        if (edit.Read(c.copy, &note)) reach->AddRow(model.RowOfPitch(note.pitch));
    }
    m.count = m.moved.size();
    if (m.pressedItem < 0) return;
    m.pressed = m.moved[static_cast<std::size_t>(m.pressedItem)];
    edit.Read(m.pressed, pressed);
}

// The selected notes, each met once as it is queued: a move of many notes reads none of them again.
void CollectSelected(TrackView* v, MoveReach* reach, Note* pressed) {
    ToolState* s = ToolsOf(v);
    MoveDrag& m = s->move;
    if (!v->access) return;
    const NoteModel model(v->access);
    PendingEdit edit(v->access);
    // Queued into an empty edit, the notes are the queue, in the order they are met.
    m.wholeEdit = edit.Empty();
    // Room for every listed event costs only the pages the selected ones fill.
    if (!m.wholeEdit) m.moved.reserve(static_cast<std::size_t>(std::max(v->access->GetEventCount(), 0)));
    std::size_t index = 0;
    m.count = edit.ChangeSelectedNotes([&](const Note& n) {
        if (SameKey(n.Key(), s->gesture.pressNote)) {
            m.pressedItem = static_cast<int>(index);
            m.pressed = n.ref;
            *pressed = n;
        }
        if (!m.wholeEdit) m.moved.push_back(n.ref);
        ++index;
        reach->AddSpan(n.start, n.End());
        reach->AddRow(model.RowOfPitch(n.pitch));
    });
}

// Limits: no note before tick 0, every note on a row.
void SetMoveLimits(TrackView* v, const MoveReach& reach, const Note& pressed) {
    ToolState* s = ToolsOf(v);
    MoveDrag& m = s->move;
    m.pressedNoteStart = pressed.start;
    m.pressedNoteRow = NoteModel(v->access).RowOfPitch(pressed.pitch);
    const int rows = v->geo.rowCount;
    int largest = -rows, smallest = rows;
    if (reach.topRow <= reach.bottomRow) {
        largest = std::max(largest, m.pressedNoteRow - reach.topRow);
        smallest = std::min(smallest, m.pressedNoteRow - reach.bottomRow);
    }
    m.rowLow = largest > -rows ? largest : 0;
    m.rowHigh = smallest < rows ? rows - 1 + smallest : rows - 1;
    m.offsetLow = -reach.earliest;
    m.offsetHigh = kFarTicks - reach.latest;
    m.noteOffset = s->gesture.pressTime - m.pressedNoteStart;
}

} // namespace

bool SetUpMove(TrackView* v, bool copy) {
    MoveDrag& m = ToolsOf(v)->move;
    m.Forget();
    m.copy = copy;
    m.applied = 0;
    MoveReach reach;
    Note pressed;
    if (copy) CollectCopies(v, &reach, &pressed);
    else CollectSelected(v, &reach, &pressed);
    if (m.pressedItem < 0) {
        PendingEdit(v->access).Discard();
        m.Forget();
        return false;
    }
    SetMoveLimits(v, reach, pressed);
    return true;
}

void ApplyMove(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    MoveDrag& m = s->move;
    if (m.pressedItem < 0 || static_cast<std::size_t>(m.pressedItem) >= m.count) return;
    x = ClampToShownTime(v, x);
    y = std::clamp<int>(y, v->geo.grid.top, std::max<int>(v->geo.grid.bottom - 1, v->geo.grid.top));
    s->gesture.last = {x, y};
    std::int64_t offset = std::clamp(TickOfX(v, x) - s->gesture.pressTime, m.offsetLow, m.offsetHigh);
    if (!ShiftHeld()) {
        offset = SnapMoveTime(*v, m.pressedNoteStart + offset) - m.pressedNoteStart;
        offset = std::clamp(offset, m.offsetLow, m.offsetHigh);
    }
    const int rowOffset = ClampedRowAtY(v, y) - m.pressedNoteRow;
    const int newRow = std::clamp(m.pressedNoteRow + rowOffset, m.rowLow, m.rowHigh);
    PendingEdit edit(v->access);
    Note pressed;
    if (!edit.Read(m.pressed, &pressed)) return;
    const int pitchOffset = PitchOfRow(v, newRow) - pressed.pitch;
    const std::int64_t increment = m.axis == AXIS_PITCH ? 0 : offset - m.applied;
    if (m.axis == AXIS_TIME && increment == 0) return;
    const bool movePitch = m.axis != AXIS_TIME && pitchOffset != 0;
    if (increment == 0 && !movePitch) return;
    // Whether the scale may keep a note from a pitch is the same for every note of the step.
    const bool scaleLimits = ScaleLimitsPitches(*v);
    const auto move = [&](std::size_t i, Note& note) {
        note.start = std::max<std::int64_t>(note.start + increment, 0);
        const int pitch = note.pitch + pitchOffset;
        if (movePitch && pitch >= kLowestPitch && pitch <= kHighestPitch &&
            (!scaleLimits || ScaleAllowsPitch(*v, pitch, note.start))) {
            if (static_cast<int>(i) == m.pressedItem && s->gesture.soundingPitch >= 0)
                SoundPitch(v, pitch, note.length, note.velocity);
            note.pitch = pitch;
        }
    };
    if (m.wholeEdit) {
        edit.UpdateChangedNotes(move);
    } else {
        std::size_t i = 0;
        const std::function<void(Note&)> moveNext = [&](Note& note) { move(i, note); };
        for (; i < m.moved.size(); ++i) {
            const EventRef& ref = m.moved[i];
            if (edit.Update(ref, moveNext)) continue;
            // Another kind of event moves by its time only.
            std::int64_t start = 0, end = 0;
            if (edit.Span(ref, &start, &end)) edit.MoveTo(ref, std::max<std::int64_t>(start + increment, 0));
        }
    }
    if (m.axis != AXIS_PITCH) m.applied = offset;
    RedrawGrid(v);
}

void CommitMove(TrackView* v) {
    MoveDrag& m = ToolsOf(v)->move;
    const std::size_t count = m.count;
    const bool copy = m.copy;
    m.Forget();
    m.copy = false;
    if (copy) CommitUnder(v, count >= 2 ? mp::IDS_UNDO_PASTE_EVENTS : mp::IDS_UNDO_PASTE_EVENT);
    else CommitUnder(v, count >= 2 ? mp::IDS_UNDO_MOVE_EVENTS : mp::IDS_UNDO_MOVE_EVENT);
}

bool SetUpSize(TrackView* v, bool atStart) {
    ToolState* s = ToolsOf(v);
    SizeDrag& z = s->size;
    Note note;
    if (!NoteModel(v->access).Read(s->gesture.pressNote, &note)) return false;
    z.note = note.ref;
    z.start = note.start;
    z.duration = note.length;
    if (atStart) {
        z.offsetLow = -z.start;
        z.offsetHigh = kFarTicks - 1 - z.start;
    } else {
        z.offsetLow = 1 - z.duration;
        z.offsetHigh = kFarTicks;
    }
    if (z.offsetLow > z.offsetHigh) return false;
    return PendingEdit(v->access).Change(note);
}

void ApplySize(TrackView* v, int x) {
    ToolState* s = ToolsOf(v);
    const SizeDrag& z = s->size;
    x = ClampToShownTime(v, x);
    s->gesture.last.x = x;
    const std::int64_t offset = std::clamp(TickOfX(v, x) - s->gesture.pressTime, z.offsetLow, z.offsetHigh);
    const std::int64_t end = z.start + z.duration;
    std::int64_t start = z.start, duration = z.duration;
    if (v->drag == Drag::SizeStart) {
        start = SnapStartEdgeTime(*v, z.start + offset, end);
        start = std::clamp<std::int64_t>(start, 0, kFarTicks - 1);
        duration = end - start;
        if (duration <= 0) {
            start = end - 1;
            duration = 1;
        }
    } else {
        std::int64_t newEnd = SnapEndEdgeTime(*v, end + offset, z.start);
        newEnd = std::min(newEnd, z.start + z.duration + kFarTicks);
        duration = std::max<std::int64_t>(newEnd - z.start, 1);
    }
    PendingEdit edit(v->access);
    Note note;
    if (!edit.IsChanged(z.note.key) || !edit.Read(z.note, &note)) return;
    const std::int64_t length = std::clamp<std::int64_t>(duration, 1, UINT32_MAX);
    if (note.start == start && note.length == length) return;
    note.start = start;
    note.length = length;
    edit.Change(note);
    RedrawGrid(v);
}

} // namespace pianoroll
