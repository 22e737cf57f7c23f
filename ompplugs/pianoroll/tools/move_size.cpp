// Moving, copy-moving and sizing notes through the pending edit, and the pending edit as the grid
// shows it while a gesture is under way.
#include <algorithm>

#include "mp/string_ids.h"
#include "mp/track_access.h"
#include "view/snapping.h"
#include "tools/tool_framework.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// The farthest a note may start or end, so sums of times never overflow.
constexpr std::int64_t kFarTicks = std::int64_t{1} << 61;

bool SameKey(const mp::EventKey& a, const mp::EventKey& b) {
    return a.track == b.track && a.block == b.block && a.event == b.event;
}

// The current record of a moved note (its queued state).
bool ItemRecord(TrackView* v, const MovedNote& item, mp::MidiEventRecord* record) {
    if (item.insert >= 0) return v->access->GetQueuedInsert(item.insert, record);
    if (const mp::MidiEventRecord* queued = v->access->GetQueuedModify(item.key)) {
        *record = *queued;
        return true;
    }
    return v->access->GetEvent(item.key, record) == S_OK;
}

void WriteItem(TrackView* v, const MovedNote& item, const mp::MidiEventRecord& record) {
    if (item.insert >= 0) v->access->SetQueuedInsert(item.insert, record);
    else v->access->QueueModify(item.key, record, mp::CHANGE_ALL);
}

// Copy-move: every selected note is duplicated; the copies carry the selection and are what moves.
bool CollectCopies(TrackView* v, std::vector<std::int64_t>* bases) {
    ToolState* s = ToolsOf(v);
    MoveDrag& m = s->move;
    mp::TrackAccess* a = v->access;
    const int first = a->QueuedInsertCount();
    std::vector<mp::EventKey> originals;
    if (a->DuplicateSelected(&originals) != S_OK) {
        a->DiscardEdits();
        return false;
    }
    for (std::size_t i = 0; i < originals.size(); ++i) {
        const int insert = first + static_cast<int>(i);
        mp::MidiEventRecord copyRecord{}, original{};
        std::int64_t start = 0;
        if (!a->GetQueuedInsert(insert, &copyRecord) || a->GetEvent(originals[i], &original) != S_OK ||
            !a->EventStart(originals[i], &start))
            continue;
        // The originals stay where they are, deselected.
        original.flags &= ~mp::MEF_SELECTED;
        a->QueueModify(originals[i], original, mp::CHANGE_FLAGS);
        if (SameKey(originals[i], s->gesture.pressNote)) m.pressedItem = static_cast<int>(m.moved.size());
        m.moved.push_back({originals[i], insert});
        bases->push_back(start - copyRecord.time);
        s->gesture.insertBase = start - copyRecord.time;
        s->gesture.insertBaseKnown = true;
    }
    return true;
}

void CollectSelected(TrackView* v, std::vector<std::int64_t>* bases) {
    ToolState* s = ToolsOf(v);
    MoveDrag& m = s->move;
    mp::TrackAccess* a = v->access;
    a->ForEachEventInRange(-1, 0, mp::MEK_NOTE, nullptr, [&](const mp::TrackAccess::WalkedEvent& e) {
        if (!(e.record.flags & mp::MEF_SELECTED)) return;
        a->QueueModify(e.key, e.record, mp::CHANGE_ALL);
        if (SameKey(e.key, s->gesture.pressNote)) m.pressedItem = static_cast<int>(m.moved.size());
        m.moved.push_back({e.key, -1});
        bases->push_back(e.blockStart);
    });
}

// Limits: no note before tick 0, every note on a row.
void SetMoveLimits(TrackView* v) {
    ToolState* s = ToolsOf(v);
    MoveDrag& m = s->move;
    mp::TrackAccess* a = v->access;
    std::int64_t earliest = kFarTicks, latest = 0;
    mp::MidiEventRecord pressed{};
    ItemRecord(v, m.moved[static_cast<std::size_t>(m.pressedItem)], &pressed);
    m.pressedNoteStart = m.bases[static_cast<std::size_t>(m.pressedItem)] + pressed.time;
    m.pressedNoteRow = a->RowOfNote(pressed.data[0]);
    int largest = -v->geo.rowCount, smallest = v->geo.rowCount;
    for (std::size_t i = 0; i < m.moved.size(); ++i) {
        mp::MidiEventRecord record{};
        if (!ItemRecord(v, m.moved[i], &record)) continue;
        const std::int64_t start = m.bases[i] + record.time;
        earliest = std::min(earliest, start);
        latest = std::max(latest, start + static_cast<std::int64_t>(record.length));
        if (record.kind != mp::MEK_NOTE) continue;
        const int diff = m.pressedNoteRow - a->RowOfNote(record.data[0]);
        largest = std::max(largest, diff);
        smallest = std::min(smallest, diff);
    }
    m.rowLow = largest > -v->geo.rowCount ? largest : 0;
    m.rowHigh = smallest < v->geo.rowCount ? v->geo.rowCount - 1 + smallest : v->geo.rowCount - 1;
    m.offsetLow = -earliest;
    m.offsetHigh = kFarTicks - latest;
    m.noteOffset = s->gesture.pressTime - m.pressedNoteStart;
}

} // namespace

bool SetUpMove(TrackView* v, bool copy) {
    MoveDrag& m = ToolsOf(v)->move;
    m.moved.clear();
    m.copy = copy;
    m.applied = 0;
    m.pressedItem = -1;
    std::vector<std::int64_t> bases;
    if (copy) {
        if (!CollectCopies(v, &bases)) return false;
    } else {
        CollectSelected(v, &bases);
    }
    if (m.pressedItem < 0) {
        v->access->DiscardEdits();
        m.moved.clear();
        return false;
    }
    m.bases = std::move(bases);
    SetMoveLimits(v);
    return true;
}

void ApplyMove(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    MoveDrag& m = s->move;
    if (m.pressedItem < 0 || static_cast<std::size_t>(m.pressedItem) >= m.moved.size()) return;
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
    mp::MidiEventRecord pressed{};
    if (!ItemRecord(v, m.moved[static_cast<std::size_t>(m.pressedItem)], &pressed)) return;
    const int pitchOffset = PitchOfRow(v, newRow) - pressed.data[0];
    const std::int64_t increment = m.axis == AXIS_PITCH ? 0 : offset - m.applied;
    if (m.axis == AXIS_TIME && increment == 0) return;
    const bool movePitch = m.axis != AXIS_TIME && pitchOffset != 0;
    if (increment == 0 && !movePitch) return;
    for (std::size_t i = 0; i < m.moved.size(); ++i) {
        mp::MidiEventRecord record{};
        if (!ItemRecord(v, m.moved[i], &record)) continue;
        const std::int64_t base = m.bases[i];
        const std::int64_t start = std::max<std::int64_t>(base + record.time + increment, 0);
        record.time = start - base;
        if (movePitch && record.kind == mp::MEK_NOTE) {
            const int pitch = record.data[0] + pitchOffset;
            if (pitch >= 0 && pitch <= kTopPitch && ScaleAllowsPitch(v->settings, pitch)) {
                if (static_cast<int>(i) == m.pressedItem && s->gesture.soundingPitch >= 0)
                    SoundPitch(v, pitch, record.length, record.data[1]);
                record.data[0] = static_cast<std::uint8_t>(pitch);
            }
        }
        WriteItem(v, m.moved[i], record);
    }
    if (m.axis != AXIS_PITCH) m.applied = offset;
    RedrawGrid(v);
}

void CommitMove(TrackView* v) {
    MoveDrag& m = ToolsOf(v)->move;
    const std::size_t count = m.moved.size();
    const bool copy = m.copy;
    m.moved.clear();
    m.copy = false;
    if (copy) CommitUnder(v, count >= 2 ? mp::IDS_UNDO_PASTE_EVENTS : mp::IDS_UNDO_PASTE_EVENT);
    else CommitUnder(v, count >= 2 ? mp::IDS_UNDO_MOVE_EVENTS : mp::IDS_UNDO_MOVE_EVENT);
}

bool SetUpSize(TrackView* v, bool atStart) {
    ToolState* s = ToolsOf(v);
    SizeDrag& z = s->size;
    const mp::EventKey& note = s->gesture.pressNote;
    std::int64_t start = 0, end = 0;
    if (!NoteSpan(v, note, &start, &end)) return false;
    z.start = start;
    z.duration = end - start;
    if (atStart) {
        z.offsetLow = -start;
        z.offsetHigh = kFarTicks - 1 - start;
    } else {
        z.offsetLow = 1 - z.duration;
        z.offsetHigh = kFarTicks;
    }
    if (z.offsetLow > z.offsetHigh) return false;
    mp::MidiEventRecord record{};
    if (v->access->GetEvent(note, &record) != S_OK) return false;
    v->access->QueueModify(note, record, mp::CHANGE_ALL);
    return true;
}

void ApplySize(TrackView* v, int x) {
    ToolState* s = ToolsOf(v);
    const SizeDrag& z = s->size;
    const mp::EventKey& note = s->gesture.pressNote;
    mp::TrackAccess* a = v->access;
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
    const mp::MidiEventRecord* queued = a->GetQueuedModify(note);
    if (!queued) return;
    mp::MidiEventRecord record = *queued;
    const std::int64_t newTime = start - a->BlockStart(note);
    const auto newLength = static_cast<std::uint32_t>(std::clamp<std::int64_t>(duration, 1, UINT32_MAX));
    if (record.time == newTime && record.length == newLength) return;
    record.time = newTime;
    record.length = newLength;
    a->QueueModify(note, record, mp::CHANGE_ALL);
    RedrawGrid(v);
}

// ---- the pending edit as shown -------------------------------------------------------------------------

bool NoteIsPending(TrackView* v, const mp::EventKey& key) {
    return v->access && (v->access->GetQueuedModify(key) != nullptr || v->access->IsQueuedDelete(key));
}

void ForEachPendingNote(TrackView* v, const PendingNoteVisitor& visit) {
    mp::TrackAccess* a = v->access;
    if (!a || !v->tools) return;
    a->ForEachQueuedNote([&](const mp::TrackAccess::WalkedEvent& e) {
        mp::MidiEventRecord record = e.record;
        record.time = e.start;
        visit(e.key, record);
    });
    const Gesture& g = v->tools->gesture;
    if (!g.insertBaseKnown) return;
    const int inserts = a->QueuedInsertCount();
    for (int i = 0; i < inserts; ++i) {
        mp::MidiEventRecord record{};
        if (!a->GetQueuedInsert(i, &record) || record.kind != mp::MEK_NOTE) continue;
        record.time += g.insertBase;
        visit(mp::EventKey{}, record);
    }
}

} // namespace pianoroll
