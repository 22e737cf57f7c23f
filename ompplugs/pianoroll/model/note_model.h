// NoteModel: the shown track's notes and lane events as the editor's types, read through the track
// access, and the selection of notes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "model/note.h"

namespace mp {
class TrackAccess;
} // namespace mp

namespace pianoroll {

// Which kinds of event the shown track has (what the lane menu marks).
struct TrackContent {
    bool notes = false;
    bool pitchBend = false;
    bool controllers[128] = {};
};

// A view of the track access; as cheap to make as a pointer, and made wherever one is needed. Every
// operation runs on the editor window's thread and does nothing (false, 0, empty) without an access.
// Reads show the host's data: what a gesture has queued is the pending edit's (model/pending_edit.h).
class NoteModel {
public:
    using NoteVisitor = std::function<void(const Note& note)>;
    using LaneVisitor = std::function<void(const LaneEvent& event)>;
    using KeyFilter = std::function<bool(const NoteKey& key)>;

    explicit NoteModel(mp::TrackAccess* access) noexcept : access_(access) {}

    bool Attached() const noexcept { return access_ != nullptr; }

    // ---- notes ----
    // The host's note; false for an unknown key or an event of another kind.
    bool Read(const NoteKey& key, Note* note) const;
    // The notes that reach into [from, from + length] (their ends counted), in the list's order; from
    // -1 takes them all. Notes for which skip (when given) answers true are passed over unread.
    void ForEachNote(std::int64_t from, std::int64_t length, const KeyFilter& skip, const NoteVisitor& visit) const;
    // The note of the row's pitch within `tolerance` ticks of the time (the tools' hit test).
    bool FindNoteAt(std::int64_t time, std::int64_t tolerance, int row, NoteKey* key) const;
    // End of the last shown event; 0 for an empty track.
    std::int64_t TrackEnd() const;

    // ---- rows ----
    // Row r shows the pitch the pitch-row table gives it (127 - r); -1 for a pitch outside 0-127.
    int RowOfPitch(int pitch) const;
    int PitchOfRow(int row) const;

    // ---- lane events ----
    // The filter's events that start in [from, from + length] (from -1: all), in the list's order.
    void ForEachLaneEvent(const LaneFilter& filter, std::int64_t from, std::int64_t length,
                          const LaneVisitor& visit) const;
    // Walking back from `time`, the first of the filter's events starting at or before it that
    // `accept` takes; false when none.
    bool LaneEventAtOrBefore(const LaneFilter& filter, std::int64_t time,
                             const std::function<bool(const LaneEvent& event)>& accept, LaneEvent* found) const;
    TrackContent Content() const;

    // ---- selection ----
    bool IsSelected(const NoteKey& key) const;
    bool AnySelected() const;
    // A click's selection: written at once, and no step of the undo history.
    void Select(const NoteKey& key, bool on) const;
    void SelectAll(bool on) const;
    // Selects the notes (and lane events, by their numbers) between the pitches whose times meet the range.
    void SelectRange(std::int64_t start, std::int64_t length, int lowPitch, int highPitch) const;
    std::vector<NoteKey> SelectedNotes() const;

private:
    mp::TrackAccess* access_;
};

// The display name of a controller number ("Modulation" …); empty when it has none.
void ControllerName(int controller, char* buffer, int capacity);

} // namespace pianoroll
