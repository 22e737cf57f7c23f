// TrackAccess: the editor's road to the selected track's events: reading through the plug-in
// object's event-key list, the pitch-row table, offsets, the edit queues and their commits under undo
// names, selection, note monitoring, transport and loop values, and pasting from the clipboard.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "mp/event_writes.h"
#include "mp/host_contract.h"
#include "mp/record_helpers.h"
#include "mp/select_events.h"
#include "win/com.h"
#include "win/types.h"

namespace mp {

class COPTPlugin;

// One row of the pitch-row table: row r shows note 127 - r.
struct PitchRow {
    int note;
    int octave;
    char name[6];
    int keyShape; // 2 black key, 1 white key with a boundary (C, F), 0 other white key
};

// What a TrackAccess works through: the plug-in object (its cache, queues and host interfaces).
struct TrackHost {
    COPTPlugin* plugin = nullptr;
};

// Offsets of the shown track: added to what is read, taken back from what is written.
struct TrackOffsets {
    int pitch = 0;    // host's global pitch offset + the track's
    int velocity = 0; // the track's
};

// Everything runs on the editor window's thread. Times given to and returned by the operations are
// absolute ticks unless a record says otherwise: records (GetEvent, the queues) carry the host's
// block-relative times, except NextEventInRange, whose record time is made absolute for drawing.
class TrackAccess {
public:
    static constexpr int kRowCount = 128;
    static constexpr std::uint32_t kDefaultKindFilter = MEK_NOTE | MEK_CONTROL | MEK_PITCH_BEND;

    explicit TrackAccess(const TrackHost& host);
    static TrackHost HostOf(COPTPlugin* plugin);

    TrackAccess(const TrackAccess&) = delete;
    TrackAccess& operator=(const TrackAccess&) = delete;

    // ---- which track ----
    // The editor window's track box: the selected entry's item data is a track-table index.
    void SetTrackBox(win::HWND box) noexcept { trackBox_ = box; }
    // Shows the track with this host id (0: follow the track box). S_FALSE when it is not in the table.
    win::HRESULT SelectTrack(std::uint32_t trackId);
    // Brings the shown list up to date: read again only when it is no longer valid (another track,
    // another kind filter, a reloaded track table); otherwise the notifications have kept it current.
    win::HRESULT Reload();
    // Track-table index of the shown track: the chosen id's, else the box's item data (1 when that
    // is negative, 0 when the box is empty or absent).
    int TrackIndex() const;
    std::uint32_t TrackId() const;
    std::uint32_t KindFilter() const;
    void SetKindFilter(std::uint32_t kinds) noexcept;
    win::DWORD TicksPerQuarter() const noexcept;
    int TrackChannel();
    TrackOffsets Offsets();
    COPTPlugin* Plugin() const noexcept { return plugin_; }

    // ---- reading ----
    int GetEventCount();
    win::HRESULT GetEventKeyAt(int index, EventKey* key);
    // The host's record (block-relative time) with the offsets applied.
    win::HRESULT GetEvent(const EventKey& key, MidiEventRecord* record);
    // Absolute start of a listed event, or of any event the host knows.
    bool EventStart(const EventKey& key, std::int64_t* start);
    // Start of the block an event or block key names (absolute ticks); 0 when unknown.
    std::int64_t BlockStart(const EventKey& key);
    // Advances *cursor (a list index; -1 to start) to the next event whose kind is in `kinds` and in
    // the kind filter that lies in the range: start -1 takes every time; otherwise its start is at
    // most start + length and its start (or, for a note unless startOnly, its end) at least start.
    // The record has the offsets applied. S_FALSE at the end.
    win::HRESULT NextEventInRange(int* cursor, std::int64_t start, std::int64_t length, std::uint32_t kinds,
                                  bool startOnly, EventKey* key, MidiEventRecord* record);
    // Notes only, ends counted, record time absolute.
    win::HRESULT NextEventInRange(int* cursor, std::int64_t start, std::int64_t length, EventKey* key,
                                  MidiEventRecord* record);
    // Walks over many events at once, each under one read transaction and with the offsets read once:
    // what a paint or a gesture over every selected note needs, without a cursor call per event. The
    // visitor may queue edits but must not write to the host while the walk runs.
    struct WalkedEvent {
        EventKey key;
        MidiEventRecord record; // as GetEvent gives it: block-relative time, offsets applied
        std::int64_t start;      // absolute start in ticks
        std::int64_t blockStart; // start of its block in ticks
    };
    using EventFilter = std::function<bool(const EventKey& key)>;
    using EventVisitor = std::function<void(const WalkedEvent& event)>;
    // The listed events NextEventInRange would give (start only clear), in list order; those for which
    // skip (when given) answers true are passed over before they are read. Data of variable kinds is
    // freed after each visit. With fieldsOnly the visitor reads only the kind, flags, channel, time,
    // length and data bytes of the record (host words and port may be 0), which lets a long walk read
    // the host's blocks in bulk.
    void ForEachEventInRange(std::int64_t start, std::int64_t length, std::uint32_t kinds, const EventFilter& skip,
                             const EventVisitor& visit, bool fieldsOnly = false) {
        Walk(start, length, kinds, skip, visit, fieldsOnly, false);
    }
    // The same walk of every listed event of `kinds` for those selected: it may pass over events it
    // knows are not (while the list's entries tell the selection), so visitors still test the flag.
    void ForEachMaybeSelected(std::uint32_t kinds, const EventVisitor& visit, bool fieldsOnly = false);
    // The notes with a queued modification, in queue order, as the commit would leave them: a
    // modification of the flags alone shows the host's record with the queued flags. Notes queued for
    // deletion are left out. The visitor must not change the queues. With a window only the notes
    // that start at or before `to` and end (at least a tick after their start) at or after `from`.
    void ForEachQueuedNote(const EventVisitor& visit, std::int64_t from = INT64_MIN, std::int64_t to = INT64_MAX);
    // Moves *cursor (a list index; -1 to start after the last event) back to the previous listed event
    // whose kind is in `kinds` and in the kind filter and that starts at or before `time`. The record has
    // the offsets applied. S_FALSE at the start of the list.
    win::HRESULT PreviousEventAtOrBefore(int* cursor, std::int64_t time, std::uint32_t kinds, EventKey* key,
                                         MidiEventRecord* record);
    // The absolute start of the listed event at a cursor of the walks above; 0 out of range.
    std::int64_t ListedStart(int cursor);
    // The first listed event of those kinds and channels (bit c for channel c, bit 31 for none) that
    // covers the time (or, with atOrAfter, starts after it), then walked back through the host's
    // order to the earliest such event still starting at or after the time. S_FALSE when none.
    win::HRESULT FindEventAt(std::int64_t time, std::uint32_t kinds, std::uint32_t channels, bool atOrAfter,
                             EventKey* key);
    // The note of the row's pitch under [time - tolerance, time + tolerance]: the last selected one,
    // else the last unselected one, preferring an earlier note that ends inside the window.
    win::HRESULT FindNoteAt(std::int64_t time, std::int64_t tolerance, int row, EventKey* key);
    // The next or previous event in the host's order of those kinds and channels.
    win::HRESULT StepEvent(EventKey* key, std::uint32_t kinds, std::uint32_t channels, bool forward);
    bool IsSelectedAt(std::int64_t time, std::uint32_t kinds, std::uint32_t channels);
    bool IsEventSelected(const EventKey& key);
    bool AnyEventSelected();
    // End of the last shown event (absolute ticks); 0 for an empty list.
    std::int64_t TrackEnd();

    // S_FALSE for an index outside 0..127.
    win::HRESULT GetPitchRow(int index, PitchRow* row) const;
    int RowOfNote(int note) const noexcept { return note >= 0 && note < kRowCount ? 127 - note : -1; }

    // Names (UTF-16) into the caller's buffer of `length` characters; S_FALSE without a name.
    win::HRESULT GetTrackName(char16_t* buffer, int length);
    win::HRESULT GetBlockName(char16_t* buffer, int length);

    // ---- transport and loop ----
    // Whether the host has a transport to drive (its transport state can be read).
    bool TransportAvailable();
    bool IsPlaying();
    win::HRESULT SetPlaying(bool playing);
    std::int64_t GetPlaybackPosition();
    win::HRESULT SetPlaybackPosition(std::int64_t ticks);
    bool GetLoopRegion(std::int64_t* start, std::int64_t* end);
    // A start or length below 0 leaves that part unchanged.
    win::HRESULT SetLoopRegion(std::int64_t start, std::int64_t length);
    bool IsLooping();
    // Written only when it changes.
    win::HRESULT SetLooping(bool on);
    // beats per bar x 65536 + note value (4/4 when unreadable).
    std::uint32_t GetTimeSignature();

    // ---- edit queues ----
    // Replaces the queued insert at index when there is one, else appends; returns the index.
    int QueueInsert(const MidiEventRecord& record, int index = -1);
    void QueueModify(const EventKey& key, const MidiEventRecord& record, std::uint32_t mask);
    void QueueDelete(const EventKey& key);
    int QueuedInsertCount() const;
    bool GetQueuedInsert(int index, MidiEventRecord* record) const;
    bool SetQueuedInsert(int index, const MidiEventRecord& record);
    bool DropQueuedInsert(int index);
    int QueuedModifyCount() const;
    // Whether anything at all is queued.
    bool HasQueuedEdits() const;
    bool GetQueuedModify(int index, EventKey* key, MidiEventRecord* record, std::uint32_t* mask) const;
    // The queued modification of a key (event id 0 never matches); null when none.
    const MidiEventRecord* GetQueuedModify(const EventKey& key) const;
    bool IsQueuedDelete(const EventKey& key) const;
    void SortQueuedInserts();
    // Inserts, modifies (last first) and deletes the queued work as one edit named `name`; S_FALSE
    // when nothing is queued. The queues are empty afterwards whatever happened.
    win::HRESULT CommitEdits(const char16_t* name);
    void DiscardEdits();
    win::HRESULT CommitDeletes(bool discard);

    // ---- direct writes, one edit each ----
    win::HRESULT SetEvent(const EventKey& key, const MidiEventRecord& record, std::uint32_t mask);
    win::HRESULT InsertEvent(const EventKey& parent, const MidiEventRecord& record);
    win::HRESULT DeleteEvent(const EventKey& key);
    win::HRESULT InsertEvents(const EventKey& parent, std::vector<MidiEventRecord>& records, const char16_t* name);
    win::HRESULT SetTrack(const EventKey& key, const TrackRecord& record, std::uint32_t mask, const char16_t* name);
    win::HRESULT InsertBlock(const EventKey& parent, const BlockRecord& record);
    win::HRESULT SetEventSelected(const EventKey& key, bool on);
    // The same in an unnamed edit, as SelectRange writes: a click's selection is no undo step.
    win::HRESULT SelectEvent(const EventKey& key, bool on);
    // Notes -1 mean 0 and 127; start or length below 0 leave that side open.
    win::HRESULT SelectRange(std::int64_t start, std::int64_t length, int lowNote, int highNote, bool on);
    // The same for notes alone: a controller whose number lies in the pitch range is no note there,
    // so the note grid's rectangles and rows never reach events the grid does not show.
    win::HRESULT SelectNotesInRange(std::int64_t start, std::int64_t length, int lowNote, int highNote, bool on);
    // Selecting takes every note; deselecting clears every shown kind, controllers and pitch bends
    // too, so that nothing the user cannot see stays selected for the next delete, cut or quantize.
    win::HRESULT SelectAll(bool on);

    // ---- building edits ----
    // A new event at an absolute time on the track's channel; returns its queue index.
    int QueueNewEvent(std::int64_t time, std::int64_t duration, std::uint32_t kind, int data1, int data2,
                      bool selected, int index = -1);
    int InsertNote(std::int64_t time, std::int64_t duration, int row, bool selected, int index = -1);
    win::HRESULT SetSelectedVelocity(int velocity);
    win::HRESULT DeleteSelected();
    // Queues a copy of every selected event and lists the originals' keys.
    win::HRESULT DuplicateSelected(std::vector<EventKey>* originals);
    // Clears [start, start + length) of the notes in rows a..b; the queued insert at `skip` is left
    // alone. True when anything changed.
    bool ClearNotes(std::int64_t start, std::int64_t length, int rowA, int rowB, int skip);
    bool DrawVelocityLine(int velocityA, int velocityB, std::int64_t timeA, std::int64_t timeB, std::int64_t lead);
    bool DrawControllerLine(std::uint32_t kind, int controller, int valueA, int valueB, std::int64_t timeA,
                            std::int64_t timeB, std::int64_t lead);
    // Raises the settings' song length to `end` (at least two bars).
    void ExtendLength(std::int64_t end);
    // The quantize descriptor the quantize dialog rebuilds on each Apply and quantizing reads; kept
    // while the track is open.
    std::uint32_t QuantizeDescriptor() const noexcept { return quantizeDescriptor_; }
    void SetQuantizeDescriptor(std::uint32_t descriptor) noexcept { quantizeDescriptor_ = descriptor; }

    // ---- monitoring ----
    win::HRESULT PlayNote(int note, std::int64_t duration, int velocity, bool on, bool force = false);
    win::HRESULT PlayEvent(const EventKey& key, bool on, bool force = false);
    bool Monitoring() const noexcept;
    void SetMonitoring(bool on) noexcept;

    // ---- clipboard ----
    // Pastes the clipboard's events at *position (absolute ticks) as one edit; *position becomes
    // their end. E_FAIL without a position or without events to paste.
    win::HRESULT PasteAt(win::HWND owner, std::int64_t* position);

private:
    // ForEachEventInRange's walk; selectedOnly passes over entries the list knows are not selected
    // (while it knows).
    void Walk(std::int64_t start, std::int64_t length, std::uint32_t kinds, const EventFilter& skip,
              const EventVisitor& visit, bool fieldsOnly, bool selectedOnly);
    win::HRESULT WriteSelected(const EventKey& key, bool on, const char16_t* name);
    win::HRESULT SelectKindsInRange(std::uint32_t kinds, std::int64_t start, std::int64_t length, int lowNote,
                                    int highNote, bool on);
    // Sets or clears the selection of every event of those kinds on the shown track, in one host call.
    win::HRESULT SelectShownTrack(std::uint32_t kinds, bool on);
    // Makes the plug-in show the selected track; false when there is nothing to show.
    bool Prepare();
    void ApplyOffsets(MidiEventRecord& record, const TrackOffsets& offsets) const;
    static int PitchOffsetOf(std::uint32_t kind, const TrackOffsets& offsets) noexcept;
    // The stored first data bytes (0-255) an offset shows inside [low, high]; empty when first > second.
    static std::pair<int, int> StoredRange(int offset, int low, int high) noexcept;
    // The record to write: fields shown unchanged keep the stored values, changed ones lose the offsets.
    void ToStored(MidiEventRecord& record, const MidiEventRecord* stored, const TrackOffsets& offsets) const;
    // Writes a commit's modifications, last first: in one bulk call when the host has it (all or none),
    // else one Set each up to the first failure. *changed is set when anything was written.
    win::HRESULT WriteModifies(std::vector<MPEventWrite>& work, const TrackOffsets& offsets, bool* changed);
    bool ReadTrack(TrackRecord* track);
    win::HRESULT SetProperty(const win::GUID& id, win::DWORD size, const void* in);
    bool GetProperty(const win::GUID& id, win::DWORD size, void* out);
    bool LineTargets(std::uint32_t kind, int controller, int valueA, int valueB, std::int64_t timeA,
                     std::int64_t timeB, std::int64_t lead, bool selectionRule);

    COPTPlugin* plugin_;
    win::HWND trackBox_ = nullptr;
    std::uint32_t chosenTrack_ = 0;
    TrackOffsets offsets_{}; // read at the start of each range walk
    std::vector<MPSelectListEntry> selectList_; // a range selection's events, as the host takes them
    std::uint32_t quantizeDescriptor_ = 0xFFFF; // no resolution chosen, quantizing off
    PitchRow rows_[kRowCount];
};

} // namespace mp
