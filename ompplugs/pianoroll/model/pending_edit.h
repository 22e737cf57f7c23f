// PendingEdit: what a gesture or command is about to write, as the editor's types: notes and lane
// events to insert, notes to change, events to remove; committed as one edit under an undo name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "model/event_records.h"
#include "model/note.h"
#include "mp/event_writes.h"
#include "win/types.h"

namespace mp {
class TrackAccess;
} // namespace mp

namespace pianoroll {

// A copy the edit made of a selected event: the original's key and where the copy lives.
struct CopiedEvent {
    NoteKey original;
    EventRef copy;
    bool note = false; // the copy is a note (else another kind, which moves by its time only)
};

// A view of the track access's edit queues, as cheap to make as a pointer. The queues belong to the
// plug-in object: every PendingEdit of one track sees the same edit. Inserted events are addressed
// by their place in the queue (EventRef::insert), host events by their key; times are absolute ticks.
// Every operation runs on the editor window's thread and does nothing (false, 0) without an access.
class PendingEdit {
public:
    using NoteVisitor = std::function<void(const Note& note)>;
    using LaneVisitor = std::function<void(const LaneEvent& event)>;

    explicit PendingEdit(mp::TrackAccess* access) noexcept : access_(access) {}

    // ---- notes ----
    // Queues a new note (its key is ignored); on success the note learns its place in the edit.
    bool Insert(Note* note);
    // The note as the edit leaves it: its queued change or insert, else the host's. False for an
    // event that is no note (or is gone).
    bool Read(const EventRef& ref, Note* note) const;
    // Queues the note's times, pitch, velocity and selection for its event (an insert is replaced).
    bool Change(const Note& note);
    // Read and Change in one look-up: `change` gets the note as the edit leaves it, which then takes its
    // place (a drag step's write of every note it moves). False, with nothing written, for a non-note.
    bool Update(const EventRef& ref, const std::function<void(Note&)>& change);
    // Update of every note the edit changes, in queue order, each rewritten where it lies; `change(index,
    // note)` gets the note's place in the queue too and must not touch the edit. Returns how many notes
    // it met. A template: a drag step calls it for every note it moves.
    template <class Rewrite>
    std::size_t UpdateChangedNotes(Rewrite&& change);
    // Queues the selected notes unchanged, as the start of a change of all of them, and gives each to
    // `visit` as it is queued, in list order (the walk is still reading: `visit` must not touch the
    // edit). Returns how many it queued.
    std::size_t ChangeSelectedNotes(const NoteVisitor& visit);
    // Queues a copy of every selected event (the originals stay, deselected) and lists the copies.
    std::vector<CopiedEvent> CopySelected();
    // Queues a note for removal (a queued change of it is dropped).
    void Remove(const NoteKey& key);
    bool IsRemoved(const NoteKey& key) const;
    // Whether the edit changes or removes the host note; whether it changes it.
    bool IsPending(const NoteKey& key) const;
    bool IsChanged(const NoteKey& key) const;
    // Every selected event of the track rewritten, notes after `change` made its changes to them.
    // Returns how many events the edit names.
    int RewriteSelected(const std::function<void(Note& note)>& change);
    // The notes the edit changes or inserts, as they will be: the changed ones first, then the inserts
    // in queue order (which ForEachInsertedNote gives alone). The changed ones only when they meet
    // [from, to] (a note lasts at least a tick).
    void ForEachPendingNote(const NoteVisitor& visit, std::int64_t from = INT64_MIN, std::int64_t to = INT64_MAX) const;
    void ForEachInsertedNote(const NoteVisitor& visit) const;

    // ---- any event, by its time ----
    // Start and end (notes: start + length; others: start plus the record's length) as the edit
    // leaves the event.
    bool Span(const EventRef& ref, std::int64_t* start, std::int64_t* end) const;
    // Moves the event to a new absolute start, leaving the rest as the edit has it.
    bool MoveTo(const EventRef& ref, std::int64_t start);

    // ---- clearing notes of rows ----
    // Removes the notes of the rows' pitches that start in [start, start + length) and shortens those
    // reaching into it; the insert at `skip` is left alone. True when anything changed.
    bool ClearNotes(std::int64_t start, std::int64_t length, int rowA, int rowB, int skip);
    // The velocity ramp of the velocity lane from (timeA, velocityA) to (timeB, velocityB).
    bool DrawVelocityLine(int velocityA, int velocityB, std::int64_t timeA, std::int64_t timeB, std::int64_t lead);

    // ---- lane events ----
    bool InsertLaneEvent(LaneEvent* event);
    // The filter's inserted events, then its changed ones, in queue order.
    void ForEachQueuedLaneEvent(const LaneFilter& filter, const LaneVisitor& visit) const;
    // Queues the host event for removal, once.
    void RemoveLaneEvent(const NoteKey& key);
    // Drops the filter's inserted events whose ticks lie in [from, last].
    void DropInsertedLaneEvents(const LaneFilter& filter, std::int64_t from, std::int64_t last);
    // Puts the inserts in time order (a stroke may have gone backwards) and drops each of the filter's
    // inserted events that repeats the value before it.
    void DropRepeatedValues(const LaneFilter& filter);

    // ---- the whole edit ----
    int InsertCount() const;
    int ChangeCount() const;
    // Host notes queued for removal.
    int RemovedNoteCount() const;
    bool Empty() const;
    // Writes the edit as one host edit named by the string `undoNameId` (mp/string_ids.h); S_FALSE
    // when nothing is queued. The edit is empty afterwards whatever happened.
    win::HRESULT Commit(std::uint32_t undoNameId);
    void Discard();

private:
    // The start of the block inserts count their times from (the track's first).
    std::int64_t InsertBase() const;
    // The queued modifications, to be rewritten where they lie (empty without a plug-in object).
    std::span<mp::MPEventWrite> ModifiesInPlace() const;
    // The start of the key's block: asked once for each run of one block's keys.
    struct BlockRun {
        std::uint32_t track = 0, block = 0;
        std::int64_t base = 0;
        bool known = false;
    };
    std::int64_t BlockBase(const mp::EventKey& key, BlockRun& run) const {
        if (!run.known || key.track != run.track || key.block != run.block)
            run = BlockRun{key.track, key.block, BlockStartOf(key), true};
        return run.base;
    }
    std::int64_t BlockStartOf(const mp::EventKey& key) const;

    mp::TrackAccess* access_;
};

template <class Rewrite>
std::size_t PendingEdit::UpdateChangedNotes(Rewrite&& change) {
    std::size_t met = 0;
    BlockRun run;
    const std::span<mp::MPEventWrite> queued = ModifiesInPlace();
    for (std::size_t i = 0; i < queued.size(); ++i) {
        mp::MPEventWrite& m = queued[i];
        if (m.record.kind != mp::MEK_NOTE) continue;
        Note note;
        records::ToNote(m.record, EventRef{m.key, -1, BlockBase(m.key, run)}, &note);
        change(i, note);
        records::WriteNote(note, m.record);
        m.mask = mp::CHANGE_ALL;
        ++met;
    }
    return met;
}

} // namespace pianoroll
