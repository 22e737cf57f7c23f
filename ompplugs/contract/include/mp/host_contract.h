// Interfaces between the host application and the editor module: ids, slot order, property records.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mp/records.h"
#include "win/com.h"

// Conventions for every interface in this file:
// - Slots 0-2 are QueryInterface, AddRef, Release; the order of the remaining functions is the slot order.
// - Unnamed slots are kept as Reserved… functions answering E_NOTIMPL so later slots keep their number.
// - Buffers the callee allocates for the caller (event data, names, port arrays) are task memory and
//   belong to the caller. Record fields at 4-byte offsets that carry such a buffer hold a 32-bit
//   task-memory handle (win::CoTaskMemAllocHandle); the receiver frees it with win::CoTaskMemFreeHandle.
// - Buffers the caller passes in stay the caller's; the callee copies what it keeps.
// - [ui thread] functions run on the host's user-interface thread; [any thread] functions may be
//   called from any thread.
namespace mp {

// ---- Interface ids -------------------------------------------------------------------------------

inline constexpr win::IID IID_IMPInitialise{0x0958ECA1, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
inline constexpr win::IID IID_IMPTimeFormat{0x0958ECA2, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
// Answered only by an optional delegate object; hosts and this module install none.
inline constexpr win::IID IID_IMPOptionalDelegate{0x0958ECA3, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
inline constexpr win::IID IID_IMPTimeSink{0x0958ECA6, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
inline constexpr win::IID IID_IMPMidiOut{0x0958ECA7, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
inline constexpr win::IID IID_IMPMidiData{0x0958ECA8, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
inline constexpr win::IID IID_IMPPortList{0x0958ECA9, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
inline constexpr win::IID IID_IMPProperties{0x0958ECAA, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
inline constexpr win::IID IID_IMPNotificationSink{0x0958ECAB, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
inline constexpr win::IID IID_IVorTranslationInfo{0x9E43494C, 0x2217, 0x425F, {0xB3, 0x6A, 0x76, 0x2C, 0x9D, 0x4E, 0xE5, 0x8A}};
// The host's own: answered by a plug-in object that can say which stored settings it defaulted.
inline constexpr win::IID IID_IMPSettingsReport{0x0958ECB0, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};
// The host's own: answered by a notification sink that can be told where a run of records begins and ends.
inline constexpr win::IID IID_IMPNotificationRunSink{0x0958ECB1, 0x6709, 0x4267, {0x96, 0x96, 0x33, 0xD5, 0x6F, 0xEC, 0x4F, 0x6A}};

// ---- Notification ids (NotificationRecord::id) ---------------------------------------------------

// Ids share the tail 9F3F-4E80-BCB5-4482A5B5240A.
inline constexpr win::GUID MakeNotifyId(std::uint32_t head) {
    return win::GUID{head, 0x9F3F, 0x4E80, {0xBC, 0xB5, 0x44, 0x82, 0xA5, 0xB5, 0x24, 0x0A}};
}
// Tracks, blocks or events were inserted, deleted, modified or replaced (level, keys, change flags).
inline constexpr win::GUID NID_DATA_CHANGED = MakeNotifyId(0x9DD48DE0);
// Reserved by the host; the module queues it without acting on it.
inline constexpr win::GUID NID_HOST_QUEUED = MakeNotifyId(0x9DD48DE1);
// Ids the module accepts without acting on them.
inline constexpr win::GUID NID_E3 = MakeNotifyId(0x9DD48DE3);
// The time base changed: tempo map, time signature or ticks per quarter note.
inline constexpr win::GUID NID_TIMEBASE_CHANGED = MakeNotifyId(0x9DD48DE4);
inline constexpr win::GUID NID_E5 = MakeNotifyId(0x9DD48DE5);
// The list of ports changed.
inline constexpr win::GUID NID_PORTS_CHANGED = MakeNotifyId(0x9DD48DE6);
inline constexpr win::GUID NID_E7 = MakeNotifyId(0x9DD48DE7);
inline constexpr win::GUID NID_E8 = MakeNotifyId(0x9DD48DE8);
// The transport state changed; NotificationRecord::value holds the new transport flags word.
inline constexpr win::GUID NID_TRANSPORT_STATE = MakeNotifyId(0x9DD48DE9);
// The time selection or loop region changed.
inline constexpr win::GUID NID_SELECTION_CHANGED = MakeNotifyId(0x9DD48DEA);
inline constexpr win::GUID NID_EB = MakeNotifyId(0x9DD48DEB);
// Something the editor's view should be told of: the module marks its notifications pending, so the
// record reaches the attached view.
inline constexpr win::GUID NID_VIEW_NOTICE = MakeNotifyId(0x9DD48DEC);
// Host state the editor shows (e.g. solo) changed in a way that needs only a refresh.
inline constexpr win::GUID NID_REFRESH_STATE = MakeNotifyId(0x9DD48DEE);

// Bytes 16-19 of a NotificationRecord carry the host's delivery sequence number (starts at 1, one
// per record, informational); the other reserved bytes are 0.
constexpr std::size_t NOTIFY_SEQUENCE_OFFSET = 16;

// ---- Property ids (IMPProperties), all with zero selectors --------------------------------------

inline constexpr win::GUID PID_TIME_SIGNATURE{0x9DD48DD1, 0x9F3F, 0x4E80, {0xBC, 0xB5, 0x44, 0x82, 0xA5, 0xB5, 0x24, 0x0A}};
inline constexpr win::GUID PID_LOOP_REGION{0x9DD48DD5, 0x9F3F, 0x4E80, {0xBC, 0xB5, 0x44, 0x82, 0xA5, 0xB5, 0x24, 0x0A}};
inline constexpr win::GUID PID_TRANSPORT_POSITION{0x9DD48DD6, 0x9F3F, 0x4E80, {0xBC, 0xB5, 0x44, 0x82, 0xA5, 0xB5, 0x24, 0x0A}};
inline constexpr win::GUID PID_TRANSPORT_FLAGS{0x9DD48DD7, 0x9F3F, 0x4E80, {0xBC, 0xB5, 0x44, 0x82, 0xA5, 0xB5, 0x24, 0x0A}};
inline constexpr win::GUID PID_PITCH_OFFSET{0x8965887B, 0xF47B, 0x4FDD, {0x96, 0x76, 0xCF, 0xB1, 0x27, 0x40, 0x47, 0x52}};

// 12 bytes. `written` is 1 in every record the host returns and must be 1 in a record written.
struct MPTimeSignature {
    std::uint32_t written;
    std::uint32_t beatsPerBar;       // 1-255
    std::uint32_t noteValueExponent; // 0 -> whole note, 2 -> quarter … 5 -> 32nd
};
static_assert(sizeof(MPTimeSignature) == 12);
static_assert(offsetof(MPTimeSignature, beatsPerBar) == 4 && offsetof(MPTimeSignature, noteValueExponent) == 8);

// 24 bytes: the loop region [start, end) in ticks.
struct MPLoopRegion {
    std::int64_t start;
    std::int64_t end;
    std::uint32_t timeFormat; // TIME_FORMAT_TICKS
    std::uint32_t reserved;   // 0
};
static_assert(sizeof(MPLoopRegion) == 24);
static_assert(offsetof(MPLoopRegion, end) == 8 && offsetof(MPLoopRegion, timeFormat) == 16);

// 16 bytes: the transport position in ticks.
struct MPTransportPosition {
    std::int64_t time;
    std::uint32_t timeFormat; // TIME_FORMAT_TICKS
    std::uint32_t reserved;   // 0
};
static_assert(sizeof(MPTransportPosition) == 16);
static_assert(offsetof(MPTransportPosition, timeFormat) == 8);

// Transport flags word (4 bytes).
constexpr std::uint32_t TRANSPORT_PLAYING = 0x01;
constexpr std::uint32_t TRANSPORT_LOOPING = 0x10;

// ---- IMPMidiData constants -----------------------------------------------------------------------

constexpr std::uint32_t LEVEL_TRACK = 1;
constexpr std::uint32_t LEVEL_BLOCK = 2;
constexpr std::uint32_t LEVEL_EVENT = 3;

// Find argument for levels 1 and 2 (for level 3 the argument is a kind mask).
constexpr std::uint32_t FIND_ALL_ITEMS = 2;

// Get flags: the low 16 bits name the time format of returned times (0 is taken as ticks);
// GET_WITH_NAME also returns the track or block name.
constexpr std::uint32_t GET_WITH_NAME = 0x10000000;

// Transaction kinds.
constexpr std::uint32_t TRANSACTION_READ = 0;
constexpr std::uint32_t TRANSACTION_EDIT = 1;

// Change masks of Set. Events: any combination of the low bits; 0xFFFF writes every field.
constexpr std::uint32_t CHANGE_TIME = 0x0001;      // time (and time format)
constexpr std::uint32_t CHANGE_LENGTH = 0x0002;    // duration, or variable-length data and its length
constexpr std::uint32_t CHANGE_DATA = 0x0004;      // data bytes 1-4 of fixed-length kinds
constexpr std::uint32_t CHANGE_CHANNEL = 0x0008;
constexpr std::uint32_t CHANGE_PORT = 0x0010;
constexpr std::uint32_t CHANGE_KIND = 0x0020;      // kind (with CHANGE_LENGTH for variable kinds)
constexpr std::uint32_t CHANGE_HOST_WORDS = 0x0040; // host word, source word, reserved word, host data
// Tracks: name (from nameHandle), channel, port, velocity and pitch offsets, order.
constexpr std::uint32_t CHANGE_TRACK_NAME = 0x0100;
constexpr std::uint32_t CHANGE_TRACK_SETTINGS = 0x0200; // port, channel, velocity and pitch offsets
constexpr std::uint32_t CHANGE_TRACK_ORDER = 0x0400;
// Blocks: start, end, name.
constexpr std::uint32_t CHANGE_BLOCK_RANGE = 0x0800;
constexpr std::uint32_t CHANGE_TRACK_ATTRIBUTES = 0x1000; // TrackRecord::attributes only
constexpr std::uint32_t CHANGE_FLAGS = 0x8000;           // the event's flags word only
constexpr std::uint32_t CHANGE_ALL = 0xFFFF;

// SelectEvents modes.
constexpr std::uint32_t SELECT_SET = 1;
constexpr std::uint32_t SELECT_CLEAR = 2;

// Names returned with GET_WITH_NAME are NUL-terminated UTF-16 in a task-memory handle.

// ---- Ports ---------------------------------------------------------------------------------------

constexpr std::uint32_t PORT_KIND_INPUT = 0;
constexpr std::uint32_t PORT_KIND_OUTPUT = 1;

// 24 bytes, produced by the host. nameHandle: task-memory handle of a NUL-terminated UTF-16 name,
// owned by whoever received the array.
struct MPPortEntry {
    std::uint32_t id; // never 0
    win::GUID guid;   // stable across sessions and list refreshes
    std::uint32_t nameHandle;
};
static_assert(sizeof(MPPortEntry) == 24);
static_assert(offsetof(MPPortEntry, guid) == 4 && offsetof(MPPortEntry, nameHandle) == 20);

// ---- Host interfaces -----------------------------------------------------------------------------

// The project's tracks (level 1), blocks (level 2) and events (level 3). Records are TrackRecord
// (36 bytes), BlockRecord (48 bytes) and MidiEventRecord (64 bytes); the host reads and writes
// exactly that many bytes. Event times are relative to the start of the event's block.
// [any thread]: the host serialises calls; notifications caused by a call are delivered after the
// host's lock is released, so sinks may call back in.
struct IMPMidiData : win::IUnknown {
    // Slot 3. The first item under the key's parent (level 1: the project, ordered by track order;
    // level 2: the track named by key->track, ordered by start; level 3: the block named by
    // key->track and key->block, in time order, only kinds in `argument`). On return the key's word at
    // `level` names the item (0 = no item, S_FALSE), *more (may be null) is non-zero while further
    // items follow, and record (may be null) receives the item's record. Event data in the record is a
    // new task-memory handle owned by the caller; names are not returned. E_INVALIDARG for an unknown
    // parent or level, E_POINTER for a null key.
    virtual win::HRESULT FindFirst(EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                                   win::DWORD argument) = 0;
    // Slot 4. The item after the one the key names, under the same parent and rules as FindFirst.
    // E_INVALIDARG when the key names no living item.
    virtual win::HRESULT FindNext(EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                                  win::DWORD argument) = 0;
    // Slot 5. The item before the one the key names; *more is non-zero while earlier items remain.
    virtual win::HRESULT FindPrevious(EventKey* key, win::DWORD level, void* record, win::BOOL* more,
                                      win::DWORD argument) = 0;
    // Slot 6. Reads one item. flags: time format in the low 16 bits, GET_WITH_NAME for track and block
    // names (a new task-memory handle owned by the caller, 0 when the item has no name). Event data is
    // a new task-memory handle owned by the caller. E_INVALIDARG for an unknown key.
    virtual win::HRESULT Get(const EventKey* key, win::DWORD level, void* record, win::DWORD flags) = 0;
    // Slot 7. Writes the fields of the record named by the change mask (CHANGE_…). The caller keeps
    // the record and any handle in it; the host copies the data. For an event of a variable kind whose
    // kind and length stay the same, a zero or unknown data handle keeps the stored data. Invalid
    // values give E_INVALIDARG and change nothing.
    virtual win::HRESULT Set(const EventKey* key, win::DWORD level, const void* record, win::DWORD changeMask) = 0;
    // Slot 8. Inserts a new item under the parent in *key (level 1: key ignored; level 2: key->track;
    // level 3: key->track and key->block) and writes the new item's id into the key's word at `level`.
    // At level 3 a non-zero key->event names an event of that block that the new event replaces
    // (NCF_REPLACED: old key out, new key in). Ids are never 0 and never reused. The caller keeps
    // the record and its data handle.
    virtual win::HRESULT Insert(EventKey* key, win::DWORD level, const void* record) = 0;
    virtual win::HRESULT Reserved9() { return win::E_NOTIMPL; }
    virtual win::HRESULT Reserved10() { return win::E_NOTIMPL; }
    // Slot 11. Deletes the item (a block with its events, a track with its blocks and events).
    virtual win::HRESULT Delete(win::DWORD level, const EventKey* key) = 0;
    // Slot 12. Opens a transaction: TRANSACTION_READ, or TRANSACTION_EDIT named by `name` (UTF-16,
    // may be null; copied). Transactions nest; the outermost edit names the undo step.
    virtual win::HRESULT BeginTransaction(win::DWORD kind, const char16_t* name) = 0;
    // Slot 13. Closes the innermost transaction; changed = 1 when data changed. When the outermost
    // closes, an edit marked changed becomes one undo step. E_UNEXPECTED without an open transaction.
    virtual win::HRESULT EndTransaction(win::BOOL changed) = 0;
    // Slot 14. Sets (SELECT_SET) or clears (SELECT_CLEAR) MEF_SELECTED on every event of the given
    // kinds under scope (null or a zero key: the whole project; a track key; a block key). level must
    // be 3 and the reserved words 0. The change is reported as one modification (level 2, no position
    // flags) of each block whose events' selection changed, not one record per event.
    virtual win::HRESULT SelectEvents(win::DWORD level, const EventKey* scope, win::DWORD kinds, win::DWORD reserved3,
                                      win::DWORD reserved4, win::DWORD reserved5, win::DWORD reserved6,
                                      win::DWORD reserved7, win::DWORD mode) = 0;
};

// Project values keyed by GUID (PID_…). [any thread]
struct IMPProperties : win::IUnknown {
    virtual win::HRESULT Reserved3() { return win::E_NOTIMPL; }
    virtual win::HRESULT Reserved4() { return win::E_NOTIMPL; }
    // Slot 5. Copies the property's record into out (size must be at least the record's size; the
    // host writes exactly the record). E_INVALIDARG for an unknown id, non-zero selectors or a short
    // size; E_POINTER for a null out.
    virtual win::HRESULT GetProperty(const win::GUID& id, win::DWORD selector1, win::DWORD selector2,
                                     win::DWORD reserved, win::DWORD size, void* out) = 0;
    // Slot 6. Writes the property from in (the caller keeps it); out-of-range values give E_INVALIDARG
    // and change nothing. A change is reported to the notification sinks.
    virtual win::HRESULT SetProperty(const win::GUID& id, win::DWORD selector1, win::DWORD selector2,
                                     win::DWORD size, const void* in) = 0;
};

// Time conversions through the project's tempo map and time signatures. context words are 0. [any thread]
struct IMPTimeFormat : win::IUnknown {
    // Slot 3. Converts an absolute time between TIME_FORMAT_NANOSECONDS and TIME_FORMAT_TICKS.
    virtual win::HRESULT ConvertTime(std::int64_t time, win::DWORD fromFormat, win::DWORD fromContext,
                                     std::int64_t* out, win::DWORD toFormat, win::DWORD toContext) = 0;
    // Slot 4. Splits an absolute tick time into measure, beat and tick within the beat, all counted
    // from 0, following the time signatures of the project. Any out pointer may be null.
    virtual win::HRESULT SplitTicks(std::int64_t ticks, win::DWORD context, win::LONG* measure, win::LONG* beat,
                                    win::LONG* tick) = 0;
    // Slot 5. Parses "M", "M:B", "M:B:T" or "M:B.T" (measure, beat from 0, ticks) into an absolute
    // time of the given format. E_INVALIDARG for malformed text.
    virtual win::HRESULT TextToTime(const char16_t* text, win::DWORD context, win::DWORD format,
                                    std::int64_t* out) = 0;
    // Slot 6. Ticks per quarter note (format must be TIME_FORMAT_TICKS).
    virtual win::HRESULT GetTicksPerQuarter(win::DWORD format, win::DWORD* out) = 0;
};

// The host's MIDI ports. [any thread]
struct IMPPortList : win::IUnknown {
    // Slot 3. *entries receives a task-memory array of *count MPPortEntry (null when the count is 0),
    // owned by the caller together with every name handle in it.
    virtual win::HRESULT GetPorts(win::DWORD kind, win::DWORD* count, MPPortEntry** entries) = 0;
};

// Plays events now. [any thread]
struct IMPMidiOut : win::IUnknown {
    // Slot 3. Sends one event (flags 1 = now). Port 0 means the host's current output port. The caller
    // keeps the record and its data. A note (kind 0x40) sounds a note-on; the caller sends the note-off.
    virtual win::HRESULT SendEvent(const MidiEventRecord* record, win::DWORD flags) = 0;
};

// ---- Interfaces the module implements for the host ----------------------------------------------

// Advised on the host's connection point for IID_IMPNotificationSink.
struct IMPNotificationSink : win::IUnknown {
    // Slot 3. One change; the record belongs to the host and is valid for the call only.
    // [any thread]: on the thread that made the change, or on a host delivery thread.
    virtual win::HRESULT OnNotify(const NotificationRecord* record) = 0;
};

// The host's own, asked for with QueryInterface on an advised notification sink: a sink that takes the
// records of one delivery as a run can take its locks once for the run instead of once per record.
// The records still come one by one through OnNotify, in the same order; a host that never asks, or
// a sink that does not answer, delivers exactly as without it.
struct IMPNotificationRunSink : IMPNotificationSink {
    // Slot 4. The OnNotify calls that follow on this thread until EndNotifications are one run; count
    // is how many records it holds (a hint). S_OK: the run is open and EndNotifications must follow
    // on this thread; S_FALSE: the sink declines (another thread's run is open) and the records come
    // as without a run, with no EndNotifications. [any thread]
    virtual win::HRESULT BeginNotifications(win::DWORD count) = 0;
    // Slot 5. Closes the run BeginNotifications opened on this thread: what the sink held back of it
    // is handed on now. S_OK; E_UNEXPECTED when this thread has no open run. [the run's thread]
    virtual win::HRESULT EndNotifications() = 0;
};

// Advised on the host's connection point for IID_IMPTimeSink.
struct IMPTimeSink : win::IUnknown {
    // Slot 3. The transport position in ticks, as low and high 32-bit words; called about every 20 ms
    // while playing and when the position is set. [any thread]
    virtual win::HRESULT OnTimeNotify(win::DWORD positionLow, win::DWORD positionHigh) = 0;
};

// Main interface of the plug-in object. [ui thread]
struct IMPInitialise : win::IUnknown {
    // Slot 3. Connects to the host. hostObject answers IMPMidiData, IMPProperties, IMPTimeFormat,
    // IMPPortList and IConnectionPointContainer; midiOut may be null. Both receive a reference the
    // plug-in keeps until Uninitialise. *capabilities is ANDed with the plug-in's mask.
    virtual win::HRESULT Initialise(win::IUnknown* hostObject, IMPMidiOut* midiOut, win::DWORD modeFlags,
                                    win::DWORD reserved, win::DWORD* capabilities) = 0;
    // Slot 4. Releases every host reference and unadvises the sinks; S_OK, may be called again.
    virtual win::HRESULT Uninitialise() = 0;
};
constexpr std::uint32_t INIT_MODE_EDITOR = 0x1; // bit 0 of Initialise's mode flags

// What the plug-in object's last IPersistStream::Load did to the stored settings. [ui thread]
struct IMPSettingsReport : win::IUnknown {
    // Slot 3. *names becomes task memory the caller frees (CoTaskMemFree): the names of the settings
    // that the last Load found out of range and gave their defaults, ", " between them, UTF-16 and
    // terminated. S_FALSE with *names null when it defaulted none; E_POINTER for a null names;
    // E_OUTOFMEMORY.
    virtual win::HRESULT GetDefaultedSettings(char16_t** names) = 0;
};

// Language of the plug-in's resources. [ui thread]
struct IVorTranslationInfo : win::IUnknown {
    // Slot 3. E_FAIL when the resources cannot follow the language, else S_OK.
    virtual win::HRESULT SetLanguage(win::DWORD languageId) = 0;
};

} // namespace mp
