// The project store: tracks, blocks and events with stable ids, transactions, undo and redo, and the
// change notifications every applied change produces.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <variant>
#include <vector>

#include "model/record_blocks.h"
#include "model/slot_array.h"
#include "model/time_base.h"
#include "mp/host_contract.h"
#include "mp/notification_queue.h"
#include "mp/song_maps.h"
#include "mp/event_writes.h"
#include "mp/records.h"
#include "mp/select_events.h"

namespace host {

// Host words of an event the store keeps only when one of them is non-zero.
struct EventExtras {
    std::uint32_t hostWord = 0;
    std::uint32_t sourceWord = 0;
    std::uint32_t reserved = 0;
    std::uint32_t port = 0; // ports an event slot cannot hold
    std::uint8_t hostData[16] = {};
    bool operator==(const EventExtras&) const = default;
};

// One event's full value as the store sees it (times in ticks, relative to the block start).
struct EventValue {
    std::uint32_t block = 0;
    std::int64_t time = 0;
    std::uint32_t kind = mp::MEK_NOTE;
    std::uint32_t flags = 0;
    std::int32_t channel = -1;
    std::uint32_t port = 0;
    std::uint32_t length = 0; // duration of notes, byte count of variable kinds
    std::uint8_t data[4] = {};
    std::uint32_t hostWord = 0;
    std::uint32_t sourceWord = 0;
    std::uint32_t reserved = 0;
    std::uint8_t hostData[16] = {};
    std::vector<std::uint8_t> bytes; // variable-length data (kinds in mp::MEK_VARIABLE)
    bool operator==(const EventValue&) const = default;
};

struct TrackValue {
    std::uint32_t attributes = 0;
    std::uint32_t port = 0;
    std::int32_t channel = -1;
    std::int32_t velocityOffset = 0;
    std::int32_t pitchOffset = 0;
    std::uint32_t order = 0;
    std::u16string name;
    std::string nameBytes; // the name as stored in a file (kept so an unchanged name saves unchanged)
    bool operator==(const TrackValue&) const = default;
};

struct BlockValue {
    std::uint32_t track = 0;
    std::int64_t start = 0;
    std::int64_t end = 0;
    std::u16string name;
    bool operator==(const BlockValue&) const = default;
};

struct PortInfo {
    std::uint32_t id = 0;
    win::GUID guid{};
    std::u16string name;
};

struct UndoStep {
    std::u16string name;
    std::size_t changeCount = 0;
};

bool IsVariableKind(std::uint32_t kind) noexcept;
bool IsChannelKind(std::uint32_t kind) noexcept;
bool IsKnownKind(std::uint32_t kind) noexcept; // a single kind bit other than MEK_NONE
std::u16string DecodeName(const std::string& bytes); // UTF-8 when valid, else Latin-1
std::string EncodeUtf8(const std::u16string& text);

// Not thread-safe: HostProject serialises access. Every mutating call records its changes in the
// open transaction (or an implicit one) and queues notifications; TakeNotifications hands them out.
class Store {
public:
    Store();
    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    // ---- reading ----
    bool TrackAlive(std::uint32_t id) const noexcept;
    bool BlockAlive(std::uint32_t id) const noexcept;
    bool EventAlive(std::uint32_t id) const noexcept;
    // One past the largest event id there has been: every live event's id is below it.
    std::uint32_t EventIdEnd() const noexcept { return eventBase_ + static_cast<std::uint32_t>(events_.size()); }
    const TrackValue* Track(std::uint32_t id) const noexcept;
    const BlockValue* Block(std::uint32_t id) const noexcept;
    EventValue Event(std::uint32_t id) const; // requires EventAlive
    // A live event's fields as Event gives them, without copying anything: what a read of many
    // events needs. The pointers stay valid until the next edit; null when the event has none.
    struct EventFields {
        std::uint32_t block, kind, flags, port, length;
        std::int64_t time;
        std::int32_t channel;
        std::uint8_t data[4];
        const EventExtras* extras;               // host words, when any is set
        const std::vector<std::uint8_t>* bytes; // variable kinds
    };
    bool ReadEventFields(std::uint32_t id, EventFields* out) const; // inline below
    std::uint32_t EventKind(std::uint32_t id) const noexcept;
    std::int64_t EventTime(std::uint32_t id) const noexcept; // block-relative ticks
    mp::EventKey KeyOfEvent(std::uint32_t id) const noexcept;

    const std::vector<std::uint32_t>& TracksInOrder() const noexcept { return trackOrder_; }
    const std::vector<std::uint32_t>& BlocksOf(std::uint32_t track) const; // ordered by start, id
    const std::vector<std::uint32_t>& EventsOf(std::uint32_t block) const; // ordered by time, id
    std::uint32_t SelectedIn(std::uint32_t block) const noexcept { // how many of its events are selected
        const BlockSlot* b = BlockSlotOf(block);
        return b ? b->selected : 0;
    }
    std::size_t EventCount() const noexcept { return liveEvents_; }
    std::size_t TrackCount() const noexcept { return trackOrder_.size(); }
    // A MIDI file counts its tracks in 16 bits: a song with more could never be saved.
    static constexpr std::size_t kMaxTracks = 0xFFFF;
    // The largest port an event's own slot holds; events of larger ports keep theirs with the host
    // words, so their edits are recorded whole.
    static constexpr std::uint32_t kSlotPortLimit = 0xFF;

    // Position of an event in its block's time order, or npos.
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    std::size_t IndexInBlock(std::uint32_t event) const;
    // Position of a live track in TracksInOrder, or npos; a binary search once the order is settled.
    std::size_t TrackPosition(std::uint32_t track) const noexcept;

    // ---- editing (each returns S_OK, or E_INVALIDARG and changes nothing) ----
    win::HRESULT InsertTrack(const TrackValue& value, std::uint32_t* id); // E_FAIL beyond kMaxTracks
    win::HRESULT SetTrack(std::uint32_t id, const TrackValue& value);
    win::HRESULT DeleteTrack(std::uint32_t id);
    win::HRESULT InsertBlock(const BlockValue& value, std::uint32_t* id);
    win::HRESULT SetBlock(std::uint32_t id, const BlockValue& value);
    win::HRESULT DeleteBlock(std::uint32_t id);
    win::HRESULT InsertEvent(const EventValue& value, std::uint32_t* id);
    // Removes `old` and inserts value in its block as one replacement.
    win::HRESULT ReplaceEvent(std::uint32_t old, const EventValue& value, std::uint32_t* id);
    win::HRESULT SetEvent(std::uint32_t id, const EventValue& value);
    win::HRESULT SetEventFlags(std::uint32_t id, std::uint32_t flags);
    win::HRESULT DeleteEvent(std::uint32_t id);
    // DeleteEvent of each key's event, in order, checked whole first: E_INVALIDARG, with nothing
    // deleted, when any would fail (an event gone or named twice, a key naming another block or track).
    win::HRESULT DeleteEvents(std::span<const mp::EventKey> keys);
    // SetEvent of plain events kept plain (no variable bytes, no host words, a port the slot holds, ticks),
    // in two steps so that a batch is checked whole before any of it lands. StagePlain checks a
    // write as SetEvent would and prepares its undo record: Staged, Unchanged (nothing staged),
    // Refused, or NotPlain when the write must go through whole values. ApplyStaged applies the next
    // `count` staged writes in the order staged, inside an open transaction; DropStaged gives back
    // what was not applied.
    enum class PlainWrite : std::uint8_t { NotPlain, Refused, Unchanged, Staged };
    PlainWrite StagePlain(const mp::MPEventWrite& write);
    void ApplyStaged(std::size_t count);
    void DropStaged() noexcept;
    // scope: 0 words = whole project; track key; block key. One change for all the events it
    // flips, reported as one modification of each block whose events changed.
    win::HRESULT SelectEvents(const mp::EventKey& scope, std::uint32_t kinds, bool select);
    // The listed events whose selection differs and whose data byte is in range, each as SetEventFlags
    // would change it, in order; their keys go to `changed` (null: not kept). Returns how many.
    std::uint32_t SelectListed(const mp::MPSelectListEntry* entries, std::uint32_t count, bool select,
                               mp::EventKey* changed);
    static win::HRESULT ValidateEvent(const EventValue& value);

    // ---- transactions and undo ----
    win::HRESULT BeginTransaction(std::uint32_t kind, std::u16string name);
    win::HRESULT EndTransaction(bool changed);
    int TransactionDepth() const noexcept { return depth_; }
    win::HRESULT Undo(); // S_FALSE when there is nothing to undo; E_UNEXPECTED inside a transaction
    win::HRESULT Redo();
    std::size_t UndoCount() const noexcept { return undo_.size(); }
    std::size_t RedoCount() const noexcept { return redo_.size(); }
    std::u16string UndoName() const; // empty when none
    std::u16string RedoName() const;
    void ClearHistory();

    // ---- properties ----
    const TimeBase& Time() const;
    std::uint32_t TicksPerQuarter() const noexcept { return ppq_; }
    void SetTicksPerQuarter(std::uint32_t ppq);
    // Writes the signature at tick 0: the first time-signature meta event at tick 0 (in track order)
    // is changed, else one is inserted into the first block of the first track, else it becomes the
    // project default.
    win::HRESULT SetTimeSignature(std::uint32_t beatsPerBar, std::uint32_t noteValueExponent);
    // The song's signatures, as named undoable edits of the conductor track (mp/song_maps.h): a time
    // signature off the bar lines before it gives MP_E_NOT_ON_BAR_LINE; removing where none starts, S_FALSE.
    win::HRESULT InsertTimeSignature(std::int64_t tick, std::uint32_t beatsPerBar, std::uint32_t noteValueExponent);
    win::HRESULT RemoveTimeSignature(std::int64_t tick);
    win::HRESULT InsertKeySignature(std::int64_t tick, std::int32_t sharps, bool minor);
    win::HRESULT RemoveKeySignature(std::int64_t tick);
    std::int64_t LoopStart() const noexcept { return loopStart_; }
    std::int64_t LoopEnd() const noexcept { return loopEnd_; }
    win::HRESULT SetLoop(std::int64_t start, std::int64_t end);
    std::int64_t TransportPosition() const noexcept { return position_; }
    win::HRESULT SetTransportPosition(std::int64_t ticks);
    std::uint32_t TransportFlags() const noexcept { return transportFlags_; }
    win::HRESULT SetTransportFlags(std::uint32_t flags);
    std::int32_t PitchOffset() const noexcept { return pitchOffset_; }
    win::HRESULT SetPitchOffset(std::int32_t offset);
    const std::vector<PortInfo>& Ports(std::uint32_t kind) const;
    void SetPorts(std::uint32_t kind, std::vector<PortInfo> ports);

    // ---- bulk loading (no undo, no per-item notifications) ----
    void Clear();                                      // empties the project and its history
    std::uint32_t LoadTrack(TrackValue value);         // appended in track order
    std::uint32_t LoadBlock(BlockValue value);
    // Appends an event; times must not decrease within a block unless FinishLoad sorts them.
    std::uint32_t LoadEvent(std::uint32_t block, std::int64_t time, std::uint32_t kind, std::int32_t channel,
                            std::uint32_t length, const std::uint8_t data[4]);
    std::uint32_t LoadVariableEvent(std::uint32_t block, std::int64_t time, std::uint32_t kind,
                                    std::vector<std::uint8_t> bytes);
    void SetLoadedLength(std::uint32_t event, std::uint32_t length); // duration of a loaded note
    void SetLoadedNoteOff(std::uint32_t event, std::uint32_t length, std::uint8_t offVelocity);
    void SetLoadedBlockEnd(std::uint32_t block, std::int64_t end);
    void SetLoadedTrack(std::uint32_t track, TrackValue value); // keeps the track's order
    void ReserveEvents(std::size_t count);
    void ReserveBlockEvents(std::uint32_t block, std::size_t count);
    void FinishLoad(); // sorts indexes, trims memory, reports one "other" change at level 1

    // ---- notifications ----
    // Hands the records so far, from the `from`th on, to `into` (emptied first); with from 0, into's
    // room collects the next ones.
    void TakeNotifications(mp::NotificationQueue& into, std::size_t from = 0);
    void DropNotifications() noexcept { pending_.Clear(); }
    std::size_t PendingNotifications() const noexcept { return pending_.Size(); }
    bool TakeTimeNotify(std::int64_t* position); // a pending time-sink report

    std::size_t MemoryBytes() const; // bytes held for tracks, blocks, events and their indexes

private:
    // 27 bytes: with the 4 of its place in a block index, an event costs 31. Slots pack without
    // padding, so their wider fields are unaligned.
#pragma pack(push, 1)
    struct EventSlot {
        std::int64_t time;
        std::uint32_t block; // 0 = not alive
        std::uint32_t flags;
        std::uint32_t length;
        std::uint8_t data[4];
        std::uint8_t port; // larger ports are kept with the extras
        std::int8_t channel;
        std::uint8_t kindBit : 5; // the kind's bit number (kinds have one bit, at most bit 21)
        std::uint8_t hasExtras : 1;
        std::uint8_t indexState : 2; // IndexState bits
    };
#pragma pack(pop)
    static_assert(sizeof(EventSlot) == 27);
    struct TrackSlot {
        bool alive = false;
        TrackValue value;
        std::vector<std::uint32_t> blocks;
    };
    struct BlockSlot {
        bool alive = false;
        BlockValue value;
        std::vector<std::uint32_t> events; // by time, then id, once Settle has run
        // How many events name this block and are selected, and while they are few, every one that took
        // the flag since there were none (some may have lost it since): a clear of the selection then
        // visits only those. Kept by TallySelected at every write of an event's block or flags.
        std::uint32_t selected = 0;
        std::vector<std::uint32_t> selectedIds;
        bool manySelected = false;
    };
    // The selection flag of many events, set or cleared at once; before and after share the list.
    struct SelectionValue {
        std::shared_ptr<const std::vector<std::uint32_t>> events; // block by block
        bool selected = false;
    };
    // The flags of single events, changed one after another (a marquee writes one for every note it
    // takes): a few bytes each instead of two event values. Before and after share the list; `after`
    // says which side a value stands for.
    struct FlagEdit {
        std::uint32_t id, before, after;
    };
    struct FlagRun {
        std::shared_ptr<RecordList<FlagEdit>> edits;
        bool after = false;
    };
    // Whole values of plain events (no variable bytes, no host words), as their slots hold them: what
    // a move writes for every note it takes. A record holds the slot of the side not in the store;
    // applying it swaps that with the store's, so the record then holds the side just left. The
    // selection may change outside the history meanwhile, so the flags of that side are kept apart.
    struct SlotEdit {
        std::uint32_t id;
        std::uint32_t leftFlags; // the flags of the side `other` is not
        EventSlot other;
    };
    struct SlotRun {
        std::shared_ptr<RecordList<SlotEdit>> edits;
        bool after = false;
    };
    // Deletions of plain events: a deleted slot keeps its fields, so its id and block bring it back.
    // `after` is the side where the events are gone.
    struct DeleteEdit {
        std::uint32_t id, block;
    };
    struct DeleteRun {
        std::shared_ptr<RecordList<DeleteEdit>> edits;
        bool after = false;
    };
    using Value =
        std::variant<std::monostate, TrackValue, BlockValue, EventValue, SelectionValue, FlagRun, SlotRun, DeleteRun>;
    struct Change {
        std::uint8_t level;
        bool replaceFirst; // this deletion and the next insertion are one replacement
        std::uint32_t id;
        Value before;
        Value after;
    };
    struct Step {
        std::u16string name;
        std::vector<Change> changes;
    };

    class Scope;
    friend class Scope;

    // ReadEventFields' host words and variable bytes, which few events have.
    void ReadEventOthers(std::uint32_t id, bool extras, EventFields& f) const;
    // Inline: every bulk edit asks them several times per event.
    EventSlot* EventSlotOf(std::uint32_t id) noexcept {
        return id < eventBase_ || id - eventBase_ >= events_.size() ? nullptr : &events_[id - eventBase_];
    }
    const EventSlot* EventSlotOf(std::uint32_t id) const noexcept { return const_cast<Store*>(this)->EventSlotOf(id); }
    BlockSlot* BlockSlotOf(std::uint32_t id) noexcept {
        return id < blockBase_ || id - blockBase_ >= blocks_.size() ? nullptr : &blocks_[id - blockBase_];
    }
    const BlockSlot* BlockSlotOf(std::uint32_t id) const noexcept { return const_cast<Store*>(this)->BlockSlotOf(id); }
    // Counts an event's (block, flags) leaving (-1) or taking (+1) its place in its block's tally.
    void TallySelected(std::uint32_t block, std::uint32_t flags, int by, std::uint32_t id) noexcept;
    TrackSlot* TrackSlotOf(std::uint32_t id) noexcept;
    const TrackSlot* TrackSlotOf(std::uint32_t id) const noexcept;

    void ApplyValue(std::uint8_t level, std::uint32_t id, const Value& v);
    void Record(Change change);
    // Records a track's or block's new value, in an edit of its own when none is open; none when equal.
    template <class V>
    win::HRESULT Modify(std::uint8_t level, std::uint32_t id, const V& cur, const V& value);
    void PushNotification(const win::GUID& id, std::uint32_t flags, std::uint32_t value, std::uint32_t level,
                          const mp::EventKey& oldKey, const mp::EventKey& newKey);
    void NotifyTransition(std::uint8_t level, std::uint32_t id, const Value& before, const Value& after);
    void ApplySelection(const SelectionValue& v);
    void NotifySelection(const SelectionValue& v);
    void ApplyFlagRun(const FlagRun& run);
    void NotifyFlagRun(const FlagRun& run);
    void NoteFlagRunTimeBase(const FlagRun& run);
    // Applies and reports a plain event's new value, recorded in the open transaction's last run.
    // False (nothing done) when either value is not plain or a replacement is half made.
    bool RecordSlotEdit(std::uint32_t id, const EventValue& before, const EventValue& after);
    void RecordSlot(std::uint32_t id, const EventSlot& after); // the same from the slot to put
    static bool ChangesSong(const EventSlot& before, const EventSlot& after) noexcept;
    // A plain event's fields, as a bulk write reads and checks them without building whole values.
    struct PlainValue {
        std::int64_t time; // block-relative ticks
        std::uint32_t kind, flags, length, port;
        std::int32_t channel;
        std::uint8_t data[4];
    };
    // Whether SetEvent would take the value for an event of `block` (its kind must not be variable).
    bool ValidPlain(std::uint32_t block, const PlainValue& v) const;
    static void MergePlain(const mp::MidiEventRecord& r, std::uint32_t mask, PlainValue& v);
    // Applies and reports a run in one walk: there is nothing left to report afterwards.
    void ApplySlotRun(const SlotRun& run);
    // Queues the event-level report of a change of event `id` of `block`. Within a run of reports
    // (`last` starts empty), one like the last but for its event adds only its id to the queue.
    struct LastReport {
        std::uint32_t flags = 0, block = 0; // flags are never 0
    };
    void PushEventChange(std::uint32_t flags, std::uint32_t block, std::uint32_t id, LastReport& last);
    // Deletes a plain event, recorded in the open transaction's last run and reported within `last`;
    // false (nothing done) when the event is not plain or a replacement is half made. With `blocks`,
    // the event's block is added there for DropDeleted instead of a fix of its index being noted.
    bool RecordDeleteEdit(std::uint32_t id, LastReport& last, std::vector<std::uint32_t>* blocks);
    void ApplyDeleteRun(const DeleteRun& run);
    void NotifyDeleteRun(const DeleteRun& run);
    // Puts the edit's slot in the store (keeping the store's index state) and the one it replaces in
    // the edit, reported as a change of the event; answers whether the song changed, not only flags.
    bool SwapSlot(SlotEdit& edit, LastReport& last);
    mp::EventKey KeyIn(std::uint32_t block, std::uint32_t id) const; // the key of event `id` in `block`
    // Appends a flag edit to the open transaction's last run, or to a new one.
    void RecordFlagEdit(const FlagEdit& edit);
    void WriteEventFlags(const mp::EventKey& key, std::uint32_t flags); // a live event's, inside a scope
    // Empties the open changes; the blocks of a run no undo step took serve the next run, so that a
    // large marquee does not fault in fresh pages on every step.
    void DropOpenChanges();
    // A new run's list of records, in blocks of the store's pool.
    template <class T>
    std::shared_ptr<RecordList<T>> NewRecordList() {
        return std::make_shared<RecordList<T>>(recordBlocks_);
    }
    bool TimeBaseEvent(std::uint32_t id) const;
    void Replay(const std::vector<Change>& changes, bool reverse);
    win::HRESULT Travel(std::vector<Step>& from, std::vector<Step>& to, bool reverse);
    void AnnounceTimeBase(); // sends the pending time base notification, if any
    void NoteTimeBaseTouch(const Value& v);
    mp::EventKey KeyOf(std::uint8_t level, std::uint32_t id, const Value& v) const;

    void StoreEventValue(std::uint32_t id, const EventValue& v);
    EventValue ReadEventValue(std::uint32_t id) const;
    // Block indexes are brought up to date in batches: an edit only notes that an event's place may
    // change (before its slot changes), and the first read of any index folds every noted change in
    // with one pass per touched block, so a transaction of k edits costs O(n + k log k), not O(k n).
    void NoteIndexChange(std::uint32_t event);
    // Takes the deleted events out of these blocks' indexes, in one pass each.
    void DropDeleted(std::vector<std::uint32_t>& blocks, std::span<const mp::EventKey> keys);
    void Settle() const {
        if (!indexFixes_.empty()) const_cast<Store*>(this)->FixIndexes();
    }
    void FixIndexes();
    bool EventBefore(std::uint32_t a, std::uint32_t b) const noexcept;
    void MergeFromBack(std::vector<std::uint32_t>& list, const std::vector<std::uint32_t>& entering) const;
    // The same for a few entering a long list: each one's place found by a search, the listed ones
    // after it moved as a run.
    void MergeBySearch(std::vector<std::uint32_t>& list, const std::vector<std::uint32_t>& entering) const;
    bool TrackBefore(std::uint32_t a, std::uint32_t b) const noexcept; // by order, then id
    void TrackOrderInsert(std::uint32_t id);
    void TrackOrderErase(std::uint32_t id);
    void BlockListInsert(std::uint32_t track, std::uint32_t block);
    void Finish(); // ends an implicit transaction
    void RebuildTimeBase() const;
    // Live meta events of this type (first data byte) at an absolute tick, in track order.
    std::vector<std::uint32_t> MetaEventsAt(std::int64_t tick, std::uint8_t type) const;
    // Changes the meta events of `type` at `tick` to `bytes`, or inserts one into the conductor track.
    win::HRESULT PutMetaAt(std::int64_t tick, std::vector<std::uint8_t> bytes, const char16_t* undoName);
    win::HRESULT RemoveMetaAt(std::int64_t tick, std::uint8_t type, const char16_t* undoName);

    // Ids are never reused: after Clear the next ids continue from these bases.
    std::uint32_t trackBase_ = 1;
    std::uint32_t blockBase_ = 1;
    std::uint32_t eventBase_ = 1;
    std::vector<TrackSlot> tracks_;  // index = id - 1
    std::vector<BlockSlot> blocks_;  // index = id - 1
    SlotArray<EventSlot> events_;    // index = id - eventBase_
    // An event whose place in a block index is not yet up to date: where it is listed now.
    struct IndexFix {
        std::uint32_t event;
        std::uint32_t block; // the block whose index lists it (0: none)
        std::int64_t time;   // the time it is listed under
    };
    std::vector<IndexFix> indexFixes_;
    // Room the index folds keep between edits: a large edit would otherwise fault in fresh pages
    // for them every time, which costs more than the fold itself.
    std::vector<IndexFix> spareFixes_;
    std::vector<const IndexFix*> spareLeaving_;
    std::vector<std::uint32_t> spareEntering_;
    std::unordered_map<std::uint32_t, EventExtras> extras_;
    std::unordered_map<std::uint32_t, std::vector<std::uint8_t>> eventData_;
    std::vector<std::uint32_t> trackOrder_;
    std::size_t liveEvents_ = 0;

    int depth_ = 0;
    bool implicit_ = false;
    bool changedMark_ = false;
    bool structural_ = false;
    std::u16string openName_;
    std::vector<Change> openChanges_;
    std::vector<Step> undo_;
    std::vector<Step> redo_;
    // Shared with every run's list, which gives its blocks back when the run goes.
    std::shared_ptr<RecordBlocks> recordBlocks_ = std::make_shared<RecordBlocks>();
    std::shared_ptr<RecordList<SlotEdit>> staged_; // see StagePlain
    std::size_t stagedApplied_ = 0;

    std::uint32_t ppq_ = 960;
    std::uint32_t defaultBeats_ = 4;
    std::uint32_t defaultNoteExp_ = 2;
    mutable TimeBase timeBase_;
    mutable bool timeBaseDirty_ = true;
    bool timeBaseTouched_ = false;
    bool keyMapTouched_ = false;
    std::int64_t loopStart_ = 0;
    std::int64_t loopEnd_ = 0;
    std::int64_t position_ = 0;
    bool timeNotifyPending_ = false;
    std::uint32_t transportFlags_ = 0;
    std::int32_t pitchOffset_ = 0;
    std::vector<PortInfo> ports_[2];
    mp::NotificationQueue pending_; // packed: a large edit keeps a few bytes per record
};

// Inline: every large edit and read asks them once per event.
inline bool Store::BlockAlive(std::uint32_t id) const noexcept {
    auto* b = BlockSlotOf(id);
    return b && b->alive;
}
inline bool Store::EventAlive(std::uint32_t id) const noexcept {
    auto* e = EventSlotOf(id);
    return e && e->block != 0;
}
inline bool Store::ReadEventFields(std::uint32_t id, EventFields* out) const {
    const EventSlot* slot = EventSlotOf(id);
    if (!slot || !slot->block) return false;
    const EventSlot& s = *slot;
    EventFields& f = *out;
    f.block = s.block;
    f.time = s.time;
    f.kind = 1u << s.kindBit;
    f.flags = s.flags;
    f.channel = s.channel;
    f.port = s.port;
    f.length = s.length;
    std::memcpy(f.data, s.data, 4);
    f.extras = nullptr;
    f.bytes = nullptr;
    if (s.hasExtras || (f.kind & mp::MEK_VARIABLE)) ReadEventOthers(id, s.hasExtras, f);
    return true;
}

} // namespace host
