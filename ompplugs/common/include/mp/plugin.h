// The plug-in object framework: COPTPlugin and its companion objects.
#pragma once

#include <algorithm>
#include <atomic>
#include <functional>
#include <iterator>
#include <cstdint>
#include <cstring>
#include <deque>
#include <limits>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

#include "mp/block_events.h"
#include "mp/edit_queues.h"
#include "mp/event_reads.h"
#include "mp/host_contract.h"
#include "mp/notification_queue.h"
#include "mp/record_helpers.h"
#include "mp/select_events.h"
#include "mp/settings.h"
#include "win/com.h"

namespace mp {

class SettingsExtension;


class CBaseListPage;
class COPTPlugin;

// Flag word bits of the plug-in object.
enum : std::uint32_t {
    PLF_TRACKS_LOADED = 0x01,
    PLF_BLOCKS_LOADED = 0x02,
    PLF_EVENT_LIST_VALID = 0x04,
    PLF_NOTIFY_PENDING = 0x08,  // queued notifications the view has not been told about
    PLF_DATA_POSTED = 0x10,     // PRM_TRACK_LIST_CHANGED posted and not yet handled
    PLF_TIME_POSTED = 0x20,     // PRM_TRANSPORT_TICK posted and not yet handled
};

// What the plug-in object's companions share: a reference count of their own (the object deleted at
// zero) and a plain pointer to the owner, cleared by Detach when the owner goes; a forwarded call
// after that answers E_UNEXPECTED. AddRef and Release [any thread].
template <class Interface> class CCompanion : public Interface {
public:
    explicit CCompanion(COPTPlugin* owner) : owner_(owner) {}
    win::ULONG AddRef() override { return static_cast<win::ULONG>(refs_.fetch_add(1) + 1); }
    win::ULONG Release() override {
        const win::LONG left = refs_.fetch_sub(1) - 1;
        if (left == 0) delete this;
        return static_cast<win::ULONG>(left < 0 ? 0 : left);
    }
    void Detach() noexcept { owner_.store(nullptr); }

protected:
    virtual ~CCompanion() = default;
    COPTPlugin* Owner() const noexcept { return owner_.load(); }

private:
    std::atomic<win::LONG> refs_{0};
    std::atomic<COPTPlugin*> owner_;
};

// Receives the host's data notifications and hands them to the plug-in object's OnNotify; the run
// brackets go to its BeginNotifyRun and EndNotifyRun.
class CMPNotificationSink final : public CCompanion<IMPNotificationRunSink> {
public:
    using CCompanion::CCompanion;
    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    // [any thread] E_UNEXPECTED once the owner is gone, E_POINTER for a null record.
    win::HRESULT OnNotify(const NotificationRecord* record) override;
    // [any thread] E_UNEXPECTED once the owner is gone.
    win::HRESULT BeginNotifications(win::DWORD count) override;
    win::HRESULT EndNotifications() override;
};

// Receives the host's transport position and hands it to OnTimeNotify. [any thread]
class CMPTimeSink final : public CCompanion<IMPTimeSink> {
public:
    using CCompanion::CCompanion;
    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    win::HRESULT OnTimeNotify(win::DWORD positionLow, win::DWORD positionHigh) override;
};

// ISpecifyPropertyPages on behalf of the plug-in object; forwards GetPages to it. [ui thread]
class CSpecifyPropertyPages final : public CCompanion<win::ISpecifyPropertyPages> {
public:
    using CCompanion::CCompanion;
    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    win::HRESULT GetPages(win::CAUUID* pages) override;
};

// IPersistStream on behalf of the plug-in object; forwards to its IsDirty/Load/Save/GetSizeMax.
// Other interfaces are the owner's. [ui thread]
class COPTPluginPersit final : public CCompanion<win::IPersistStream> {
public:
    // Keeps the owner's class id, which GetClassID answers also after the owner is gone.
    explicit COPTPluginPersit(COPTPlugin* owner);
    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    win::HRESULT GetClassID(win::CLSID* clsid) override;
    win::HRESULT IsDirty() override;
    win::HRESULT Load(win::IStream* stream) override;
    win::HRESULT Save(win::IStream* stream, win::BOOL clearDirty) override;
    win::HRESULT GetSizeMax(win::ULARGE_INTEGER* size) override;

private:
    win::CLSID classId_;
};

// A number no track entry has had before in this process. An entry takes one when it is made and a
// new one whenever the host reports a change to the track, its blocks or its events, so a copy of a
// track's events read at one generation is current while the entry keeps it. [any thread]
std::uint64_t NewTrackGeneration() noexcept;

// One entry of the track table: the track's id, its blocks in host order, and the third key word.
struct TrackEntry {
    std::uint32_t track;
    std::vector<EventKey> blocks;
    std::uint32_t keyWord3;
    std::uint32_t order; // the track's order field, the table's sort key
    std::uint64_t generation = NewTrackGeneration();
};

// One entry of the event-key list: the key and what event order and range queries need, read when
// the key entered the list and refreshed by the host's notifications.
struct EventEntry {
    EventKey key;
    std::uint32_t selectedAt; // the plug-in's selection epoch when `selected` was last written
    std::int64_t start;   // absolute start in ticks (block start + event time)
    std::int64_t end;     // notes: start + duration; other kinds: start
    std::uint32_t order;  // the track's order field
    std::int32_t channel; // the track's channel, -1 none
    std::uint32_t kind;
    std::uint8_t pitch;   // notes: the stored pitch (data 1, before offsets)
    std::uint8_t value;   // data 2 (a note's stored velocity)
    bool selected;        // MEF_SELECTED of the event's flags, unless a later whole-track write
                          // holds for it (COPTPlugin::EntrySelected)
};
static_assert(sizeof(EventEntry) == 48);

// The event-key list: entries in event order, stored with a gap of free room at one place. A change
// of a few entries rewrites them where the gap is moved to, so that only the entries between the gap
// and the change move, not every entry after it; passes over the whole list take it closed into one
// plain vector. Indices and iterators are the list's own, the gap never among them.
class EntryList {
public:
    template <bool Const> class Iterator {
    public:
        using iterator_category = std::random_access_iterator_tag;
        using value_type = EventEntry;
        using difference_type = std::ptrdiff_t;
        using pointer = std::conditional_t<Const, const EventEntry*, EventEntry*>;
        using reference = std::conditional_t<Const, const EventEntry&, EventEntry&>;
        using List = std::conditional_t<Const, const EntryList, EntryList>;
        Iterator() = default;
        Iterator(List* list, std::size_t at) noexcept : list_(list), at_(at) {}
        operator Iterator<true>() const noexcept { return {list_, at_}; }
        reference operator*() const noexcept { return (*list_)[at_]; }
        pointer operator->() const noexcept { return &(*list_)[at_]; }
        reference operator[](difference_type n) const noexcept { return (*list_)[at_ + static_cast<std::size_t>(n)]; }
        Iterator& operator++() noexcept { return ++at_, *this; }
        Iterator& operator--() noexcept { return --at_, *this; }
        Iterator operator++(int) noexcept { return {list_, at_++}; }
        Iterator operator--(int) noexcept { return {list_, at_--}; }
        Iterator& operator+=(difference_type n) noexcept { return at_ += static_cast<std::size_t>(n), *this; }
        Iterator& operator-=(difference_type n) noexcept { return at_ -= static_cast<std::size_t>(n), *this; }
        friend Iterator operator+(Iterator i, difference_type n) noexcept { return i += n; }
        friend Iterator operator+(difference_type n, Iterator i) noexcept { return i += n; }
        friend Iterator operator-(Iterator i, difference_type n) noexcept { return i -= n; }
        friend difference_type operator-(const Iterator& a, const Iterator& b) noexcept {
            return static_cast<difference_type>(a.at_) - static_cast<difference_type>(b.at_);
        }
        friend bool operator==(const Iterator& a, const Iterator& b) noexcept { return a.at_ == b.at_; }
        friend auto operator<=>(const Iterator& a, const Iterator& b) noexcept { return a.at_ <=> b.at_; }

    private:
        List* list_ = nullptr;
        std::size_t at_ = 0;
    };
    using iterator = Iterator<false>;
    using const_iterator = Iterator<true>;
    using value_type = EventEntry;

    std::size_t size() const noexcept { return data_.size() - gapLength_; }
    bool empty() const noexcept { return size() == 0; }
    const EventEntry& operator[](std::size_t i) const noexcept { return data_[i < gapAt_ ? i : i + gapLength_]; }
    EventEntry& operator[](std::size_t i) noexcept { return data_[i < gapAt_ ? i : i + gapLength_]; }
    const EventEntry& front() const noexcept { return (*this)[0]; }
    const EventEntry& back() const noexcept { return (*this)[size() - 1]; }
    const_iterator begin() const noexcept { return {this, 0}; }
    const_iterator end() const noexcept { return {this, size()}; }
    iterator begin() noexcept { return {this, 0}; }
    iterator end() noexcept { return {this, size()}; }
    void clear() noexcept {
        data_.clear();
        gapAt_ = gapLength_ = 0;
    }
    // The entries as one vector with the gap moved past its end, for a pass that may change any of them.
    std::vector<EventEntry>& Closed() noexcept {
        MoveGap(size());
        data_.resize(data_.size() - gapLength_);
        gapAt_ = gapLength_ = 0;
        return data_;
    }
    bool Holds(const std::vector<EventEntry>& v) const noexcept { return &v == &data_; }
    // Entries [from, to) give way to `with`.
    void Replace(std::size_t from, std::size_t to, const std::vector<EventEntry>& with) {
        MoveGap(to);
        const std::size_t width = to - from;
        if (with.size() > width + gapLength_) {
            // A wider gap, for the next entries drawn here too.
            const std::size_t more = std::max(with.size() - width - gapLength_, kGrowth);
            data_.insert(data_.begin() + static_cast<std::ptrdiff_t>(gapAt_ + gapLength_), more, EventEntry{});
            gapLength_ += more;
        }
        std::copy(with.begin(), with.end(), data_.begin() + static_cast<std::ptrdiff_t>(from));
        gapLength_ = gapLength_ + width - with.size();
        gapAt_ = from + with.size();
    }

private:
    static constexpr std::size_t kGrowth = 1024;
    void MoveGap(std::size_t at) noexcept {
        EventEntry* d = data_.data();
        if (gapLength_ && at < gapAt_) std::memmove(d + at + gapLength_, d + at, (gapAt_ - at) * sizeof(EventEntry));
        else if (gapLength_ && at > gapAt_) std::memmove(d + gapAt_, d + gapAt_ + gapLength_, (at - gapAt_) * sizeof(EventEntry));
        gapAt_ = at;
    }
    std::vector<EventEntry> data_; // the entries before the gap, the gap, the entries after it
    std::size_t gapAt_ = 0, gapLength_ = 0;
};

// What the list's changes touched since the editor last took it: the ticks of the events that left
// or entered the list, the stored pitches of such notes and their kinds; after a change of tracks or
// blocks any of the list may have changed.
struct ListDamage {
    std::int64_t from = std::numeric_limits<std::int64_t>::max();
    std::int64_t to = std::numeric_limits<std::int64_t>::min();
    int lowPitch = 256, highPitch = -1;
    std::uint32_t kinds = 0;
    bool tracks = false;

    bool Empty() const noexcept { return kinds == 0 && !tracks; }
    void Add(const EventEntry& e) noexcept {
        from = std::min(from, e.start);
        to = std::max(to, e.end);
        kinds |= e.kind;
        if (e.kind != MEK_NOTE) return;
        lowPitch = std::min<int>(lowPitch, e.pitch);
        highPitch = std::max<int>(highPitch, e.pitch);
    }
};
// A change to the event-key list: the key leaves the list and, when it names an entry (read from
// the host, kept apart so that a removal costs only its key), that entry comes in at its sorted
// place. Of several changes to one key the last decides.
struct ListChange {
    static constexpr std::uint32_t kNoEntry = UINT32_MAX;
    EventKey key;
    std::uint32_t entry; // index into the staged entries, or kNoEntry
};

// Event order: absolute start, then track order, then track channel (none first).
inline int CompareEventOrder(const EventEntry& a, const EventEntry& b) noexcept {
    if (a.start != b.start) return a.start < b.start ? -1 : 1;
    if (a.order != b.order) return a.order < b.order ? -1 : 1;
    if (a.channel != b.channel) return a.channel < b.channel ? -1 : 1;
    return 0;
}

// What the list's folds keep in step as entries leave and enter: the start of each listed entry by
// event id from `base`, so that a few changes find their entries by search instead of a pass over the
// list, and the latest reach of any entry with how many reach it, so that the song's length after a
// small edit needs no pass either. Each part that cannot be kept (an id listed twice or spread too
// thin, the last entry of the latest reach leaving) is dropped until it is built again.
struct ListIndex {
    static constexpr std::int64_t kUnlisted = INT64_MIN;
    std::vector<std::int64_t> startById;
    std::uint32_t base = 0;
    bool startsValid = false;
    std::int64_t endReach = 0;
    std::size_t endCount = 0;
    bool endKnown = false;

    static std::int64_t Reach(const EventEntry& e) noexcept { return std::max(e.end, e.start); }
    void Drop() noexcept { startsValid = endKnown = false; }
    void Leave(const EventEntry& e) noexcept {
        if (startsValid) {
            const std::uint64_t slot = std::uint64_t{e.key.event} - base;
            if (e.key.event < base || slot >= startById.size() || startById[slot] != e.start) startsValid = false;
            else startById[slot] = kUnlisted;
        }
        if (endKnown && Reach(e) == endReach && --endCount == 0) endKnown = false;
    }
    void Enter(const EventEntry& e, std::size_t listSize) {
        if (startsValid) {
            const std::uint64_t slot = std::uint64_t{e.key.event} - base;
            if (e.key.event < base || slot > 4 * std::uint64_t{listSize} + 4096) {
                startsValid = false;
            } else {
                if (slot >= startById.size()) startById.resize(static_cast<std::size_t>(slot) + 1, kUnlisted);
                startsValid = startById[slot] == kUnlisted; // else an id listed twice
                startById[slot] = e.start;
            }
        }
        if (!endKnown) return;
        if (Reach(e) > endReach) endReach = Reach(e), endCount = 0;
        endCount += Reach(e) == endReach;
    }
};

// The current port when none is chosen: monitored notes are not sent.
constexpr win::DWORD NO_PORT = 0xFFFFFFFF;

// A port list as the host returned it (task memory, names included).
struct PortList {
    win::DWORD count = 0;
    MPPortEntry* entries = nullptr;
};

// The plug-in object. IMPInitialise is the primary interface; IVorTranslationInfo's IUnknown
// methods share the primary ones. Everything runs on the editor window's thread except OnNotify's
// immediate phase, QueueNotification and OnTimeNotify, which host threads may call.
class COPTPlugin : public IMPInitialise, public IVorTranslationInfo {
public:
    // classId is what IPersist::GetClassID answers for the object.
    COPTPlugin(const win::CLSID& classId, win::DWORD creationArgument);

    // IUnknown (both interface tables)
    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    win::ULONG AddRef() override;
    win::ULONG Release() override;
    // IMPInitialise
    win::HRESULT Initialise(win::IUnknown* hostObject, IMPMidiOut* midiOut, win::DWORD modeFlags,
                            win::DWORD reserved, win::DWORD* capabilities) override;
    win::HRESULT Uninitialise() override;
    // IVorTranslationInfo: English (primary language 0x09, or 0 for the default) is what ships.
    win::HRESULT SetLanguage(win::DWORD languageId) override;

    // The slots below are numbered by their order; each says which thread calls it. A subclass
    // overrides what it needs; the base answers every slot.
    // [last Release] Frees the caches and port lists, unadvises, releases the companions and view.
    virtual ~COPTPlugin();
    // [creating thread, once] Makes the locks and the companions (the object holds one reference on
    // each). E_OUTOFMEMORY with what was made released.
    virtual win::HRESULT Construct();
    // [ui thread] The property-page class ids in a task-memory array the caller frees; base E_NOTIMPL.
    virtual win::HRESULT GetPages(win::CAUUID* pages);
    virtual win::HRESULT Reserved8() { return win::E_NOTIMPL; }
    virtual win::HRESULT Reserved9() { return win::E_NOTIMPL; }
    virtual win::HRESULT Reserved10() { return win::E_NOTIMPL; }
    // [ui thread] The page releases its hold: the object drops its reference on the page.
    virtual win::HRESULT DetachView(CBaseListPage* view);
    // [ui thread] The object takes a reference on the page and drops the one on the previous page.
    virtual win::HRESULT AttachView(CBaseListPage* view);
    // Two-phase dispatch: immediate [any thread] from the notification sink, deferred
    // (immediate = false) [ui thread] from ProcessNotifications. The record stays the caller's.
    // Within a delivery run, an event's change or insert that the immediate phase only queued makes
    // the records after it that differ only in their event ids go to the queue without a handler.
    virtual win::HRESULT OnNotify(const NotificationRecord* record, bool immediate);
    virtual win::HRESULT OnDataChanged(const NotificationRecord& record, bool immediate);      // E0
    virtual win::HRESULT OnTimebaseChanged(const NotificationRecord& record, bool immediate);  // E4
    // E5, E3, E7, E8 and EB carry nothing the module acts on; their handlers keep their slots.
    virtual win::HRESULT OnNotifyE5(const NotificationRecord& record, bool immediate);         // E5
    virtual win::HRESULT OnNotifyE3(const NotificationRecord& record, bool immediate);         // E3
    virtual win::HRESULT OnPortsChanged(const NotificationRecord& record, bool immediate);     // E6
    virtual win::HRESULT OnNotifyE7(const NotificationRecord& record, bool immediate);         // E7
    virtual win::HRESULT OnRefreshState(const NotificationRecord& record, bool immediate);     // EE
    virtual win::HRESULT OnNotifyE8(const NotificationRecord& record, bool immediate);         // E8
    virtual win::HRESULT OnTransportState(const NotificationRecord& record, bool immediate);   // E9
    virtual win::HRESULT OnSelectionChanged(const NotificationRecord& record, bool immediate); // EA
    virtual win::HRESULT OnNotifyEB(const NotificationRecord& record, bool immediate);         // EB
    virtual win::HRESULT OnViewNotice(const NotificationRecord& record, bool immediate);       // EC
    virtual win::HRESULT OnUnknownNotify(const NotificationRecord& record, bool immediate);
    virtual win::HRESULT OnHostQueued(const NotificationRecord& record, bool immediate); // E1
    // [ui thread] S_FALSE when nothing was queued, S_OK otherwise. Clears PLF_DATA_POSTED.
    virtual win::HRESULT ProcessNotifications(bool discard);
    // [any thread] Queues a copy of the record under the queue lock (inside a delivery run of the
    // calling thread, in the run's own queue).
    virtual win::HRESULT QueueNotification(const NotificationRecord* record);
    // [any thread] Tells the attached page under the view lock.
    virtual win::HRESULT OnTimeNotify(win::DWORD positionLow, win::DWORD positionHigh);
    // [ui thread] Track table and event-key list (the cache of the host's data the editor shows).
    virtual win::HRESULT ReloadTracks(bool reset);
    virtual win::HRESULT LoadTracks();
    virtual win::HRESULT LoadBlocks(std::vector<EventKey>& blocks, const EventKey& trackKey);
    // Shows blocks 0..block of a track (-1: all tracks, all blocks); a valid list is kept as it is.
    virtual win::HRESULT SelectTrack(int track, int block);
    // Reads one block's events into the list again (only for the current track, or any with -1).
    virtual win::HRESULT AddBlockEvents(int track, int block);
    // Adds a block's events of the kind filter and channel mask to the list, in event order.
    virtual win::HRESULT LoadEvents(std::vector<EventEntry>& list, const EventKey& blockKey);
    // Whether LoadEvents asks the host for a block's events in bulk before walking them one by one, and
    // SelectListed writes a list in one call (on by default; a host without them is walked either way).
    void SetBulkReads(bool on) noexcept { bulkReads_ = on; }
    // Runs of like records at least this long (after their first) go through the deferred phase
    // together.
    void SetUpkeepRunFloor(std::uint32_t records) noexcept { upkeepRunFloor_ = records ? records : 1; }
    // Whether a fold of list changes first tries to give each changed entry its new value where it
    // stands (on by default); off, every fold merges, with the same list as the result.
    void SetFoldInPlace(bool on) noexcept { foldInPlace_ = on; }
    // A batch of changes finds its entries one by one while the list holds at least this many entries
    // per change (0: always, when the event ids allow it; UINT32_MAX: never).
    void SetSparseFoldRatio(std::uint32_t entriesPerChange) noexcept { sparseRatio_ = entriesPerChange; }
    // Whether a commit hands the host its modifications and deletes in one bulk call each (on by
    // default; a host without them gets one Set or Delete each either way).
    void SetBulkWrites(bool on) noexcept { bulkWrites_ = on; }
    bool BulkWrites() const noexcept { return bulkWrites_; }
    // A page of a block's events from index `first` as the host's bulk read gives it, and the block's
    // count: S_OK for the last page, S_FALSE when more follow, a failure when the host has no bulk read
    // (or bulk reads are off) or answered out of its contract.
    win::HRESULT ReadBlockPage(std::uint32_t block, std::uint32_t first, std::vector<MPBlockEvent>& page,
                               std::uint32_t* count);
    // Marks the listed entries whose events are selected, read in pages of the host's bulk read of
    // listed events; false when the host has none (or bulk reads are off) or refused a page.
    bool ReadSelectedInBulk(const EntryList& list, std::vector<bool>& selected);
    virtual win::DWORD GetChannelMask();
    virtual win::DWORD GetChannelCount();
    // [ui thread] Current port of a list: index 0 -> the kind-0 list, any other -> the output list.
    virtual win::DWORD GetPort(int index);
    virtual win::HRESULT SetPort(int index, win::DWORD id);
    // [ui thread] IPersistStream through the persistence object; the stream stays the caller's.
    // The base keeps no settings: IsDirty S_FALSE, the others E_NOTIMPL.
    virtual win::HRESULT IsDirty();
    virtual win::HRESULT Load(win::IStream* stream);
    virtual win::HRESULT Save(win::IStream* stream, win::BOOL clearDirty);
    virtual win::HRESULT GetSizeMax(win::ULARGE_INTEGER* size);
    virtual int Hook45() { return 0; }
    // [creating thread] Called at the start of Construct.
    virtual int Hook46() { return 0; }

    // Port queries of the preferences dialog (after the numbered slots, so they keep their numbers).
    // 0 when notes can be monitored, 1 when they cannot (no MIDI-out object or no output port).
    virtual int QueryMonitoring() const;
    // Copies the index-th entry of list 1 (output) or 0; 0 on success, 1 past the end. The name
    // handle stays the plug-in object's.
    virtual int GetPortEntry(int list, win::DWORD index, MPPortEntry* entry) const;
    // The name of the index-th entry of a list, read while the list cannot change; false past the end.
    // A port without a name gives "".
    bool GetPortName(int list, win::DWORD index, std::u16string* name) const;
    // [ui thread] The editor's settings block (the object keeps it), or null when it keeps none.
    virtual PianoRollSettings* EditorSettings() noexcept { return nullptr; }
    // [ui thread] The settings of features beyond the block, saved with it; null when it keeps none.
    virtual SettingsExtension* EditorExtension() noexcept { return nullptr; }
    // [ui thread] The deferred phase of the records of a run after its first (already dispatched as
    // every record is): records of data changes equal to `first` but for their event ids, taken
    // together so that a large edit stages its events without a call per record.
    virtual void OnDataChangedRun(const NotificationRecord& first, const std::uint32_t* ids, std::uint32_t count);
    // [ui thread] Reads the host's ticks per quarter note again (after the time base changed); the
    // value kept stays when the host cannot tell.
    void ReloadTicksPerQuarter();

    // Replaces a port list (kind 1 output, 0 the other) from the host, keeping the current port
    // when it is still there (by GUID) and taking the first one otherwise.
    void RefreshPorts(win::DWORD kind);

    // Sends a private message to the attached view's window; E_FAIL without a window or when the
    // window answers non-zero.
    win::HRESULT SendToView(win::UINT message, win::WPARAM wParam = 0, win::LPARAM lParam = 0);

    // ---- transactions: each successful begin counts one level of depth, each end takes it back ----
    win::HRESULT BeginRead();
    win::HRESULT BeginEdit(const char16_t* name);
    void EndTransaction(bool changed);
    win::DWORD TransactionDepth() const noexcept { return transactionDepth_; }

    // ---- the event-key list ----
    // The shown events in event order, with every change the host reported applied. [window thread]
    const EntryList& EventList();
    std::uint32_t KindFilter() const noexcept { return kindFilter_; }
    // Takes effect at the next SelectTrack (a filter other than the one in force rebuilds the list).
    void SetKindFilter(std::uint32_t kinds) noexcept { kindFilter_ = kinds; }
    std::uint32_t FilterInForce() const noexcept { return filterInForce_; }
    // Host id of a track-table index (0 when out of range) and the index of a host id (-1).
    std::uint32_t TrackIdAt(int index) const noexcept;
    int TrackIndexOf(std::uint32_t trackId) const noexcept;
    // The key of the first block of a track-table index; false when it has none.
    bool FirstBlockOf(int index, EventKey* block) const noexcept;
    // Range queries: the first list index whose event can reach `time` (its end for notes, its start
    // otherwise, at or after time), and the first whose start is at or after time.
    std::size_t FirstReaching(std::int64_t time);
    std::size_t FirstStartingAt(std::int64_t time);
    // The latest end of the shown events (0 when none).
    std::int64_t ListEnd();

    // ---- edit queues (records as the editor shows them, block-relative times) ----
    EditQueues& Queues() noexcept { return queues_; }
    bool Monitoring() const noexcept { return monitor_ & 1; }
    void SetMonitoring(bool on) noexcept { monitor_ = on ? (monitor_ | 1) : (monitor_ & ~1u); }

    // ---- clipboard exchange ----
    bool CanPaste();
    // Whether an event of the shown list is selected.
    bool HasSelection();
    // What the list's changes touched since the last call; the record starts afresh. [window thread]
    ListDamage TakeListDamage() noexcept { return std::exchange(damage_, ListDamage{}); }
    // Moves on with every host report and list change: equal readings mean the data did not change.
    std::uint64_t DataGeneration() const noexcept { return dataGeneration_.load(); }
    // Moves on with every change of the list's entries but their selection: while it reads the same,
    // the list holds the same events in the same order and places, and each entry's `selected` is
    // the event's flag as the host reported it. [window thread]
    std::uint64_t ListLayout() const noexcept { return listLayout_; }
    // Whether every entry's EntrySelected is its event's selection as the host holds it now: the
    // shown list is whole and loaded, every report is in, no transaction of the editor's is open, and
    // no flag has gone unread since the list was read. Callers then need not ask the host for the
    // selection of every listed event. [window thread]
    bool EntryFlagsCurrent();
    // The selection of every listed event, read from the host just now under the conditions above
    // but the last: the entries take it and tell it again without a read.
    void TakeEntryFlags(const std::vector<bool>& selected) noexcept;
    // A copy of the entries a search for the selected events reads: the selected ones alone while the
    // entries tell the selection, else all. Call it outside the caller's transaction.
    std::vector<EventEntry> EntriesMaybeSelected();
    // The list indices [first, second) outside which no entry reads selected: while the entries tell
    // the selection, a few selected notes of a huge track are found without a look at every entry.
    std::pair<std::size_t, std::size_t> SelectedStretch();
    // A copy of the list's entries [first, end) (clamped to the list), for a walk that queues edits as it goes.
    std::vector<EventEntry> ListedBetween(std::size_t first, std::size_t end);
    // Copies the selected events of the shown list (cut: and deletes them as one edit).
    win::HRESULT CopySelection(win::HWND owner, bool cut);
    // The events on the clipboard, or null when there are none in our format or they are damaged.
    const std::vector<MidiEventRecord>* ReadClipboard(win::HWND owner);
    // Deletes the queued keys as one edit "Delete MIDI Event" (discard: drops them). S_FALSE when
    // the delete queue is empty.
    win::HRESULT CommitDeletes(bool discard);
    // Deletes the keys in order as one edit "Delete MIDI Event": all of them, or (refused by a host
    // with the bulk delete) none; a host without it deletes one by one up to the first failure.
    win::HRESULT DeleteEvents(const std::vector<EventKey>& keys);
    // The deletes of DeleteEvents inside the caller's open edit; *changed set when any was applied.
    win::HRESULT WriteDeletes(const std::vector<EventKey>& keys, bool* changed);
    // Names an event whose selection flag the editor writes in its open transaction, so that the
    // notification of that write, which changes nothing the list holds, is not queued. The host may
    // hold a transaction's notifications until its end: the names wait, in the order written, until
    // the outermost transaction ends.
    void NoteOwnSelectionWrite(const EventKey& key) {
        ownSelectionWrites_.push_back(key);
        ++listLayout_; // its entry's flag is not looked up
        entryFlagsUnread_ = true;
    }
    // After the editor's own SelectEvents over a whole track (`on` for the events of `kinds`) in its
    // open transaction: the track's entries take the flag, and the call's block reports, which tell
    // nothing more, leave the list's layout as it is. The entries are not visited: the write holds for
    // every one of them whose flag was written before it, until the next such write of other events.
    void NoteOwnTrackSelection(std::uint32_t track, std::uint32_t kinds, bool on);
    // An entry's selection as the host holds it (while the list is current).
    bool EntrySelected(const EventEntry& e) const noexcept {
        const TrackSelection& t = trackSelection_;
        if (e.selectedAt < t.epoch && e.key.track == t.track) {
            if (e.kind & t.kinds) return t.on;
            const TrackSelection& o = olderTrackSelection_;
            if (e.selectedAt < o.epoch && (e.kind & o.kinds)) return o.on;
        }
        return e.selected;
    }
    // Entries of a selection list that hold its header (mp/select_events.h) in front of its events.
    static constexpr std::size_t kSelectListHeadRoom = sizeof(MPSelectListHeader) / sizeof(MPSelectListEntry);
    // Selects (on) or deselects the listed events (after kSelectListHeadRoom entries of room) in one host
    // call, inside the editor's open transaction, each changed one noted as above. E_NOTIMPL when the
    // host lacks the call (or bulk calls are off): the caller writes them one by one. `first`: the
    // list index at or after which the listed events stand in list order, for their entries' flags.
    win::HRESULT SelectListed(std::vector<MPSelectListEntry>& list, bool on, std::size_t first = SIZE_MAX);

    // The plug-in object behind an IMPInitialise pointer, or null when it is not one of ours.
    static COPTPlugin* FromInterface(win::IUnknown* object) noexcept;

    // State the editor parts read.
    std::uint32_t Flags() const noexcept { return flags_.load(); }
    void ClearFlags(std::uint32_t bits) noexcept { flags_.fetch_and(~bits); }
    void SetFlags(std::uint32_t bits) noexcept { flags_.fetch_or(bits); }
    // Sets the bits and returns the word as it was before.
    std::uint32_t FetchSetFlags(std::uint32_t bits) noexcept { return flags_.fetch_or(bits); }
    win::DWORD TicksPerQuarter() const noexcept { return ticksPerQuarter_ ? ticksPerQuarter_ : 24576; }
    const char16_t* Name() const noexcept { return name_; }
    const win::CLSID& ClassId() const noexcept { return classId_; }
    CBaseListPage* AttachedView() const noexcept { return view_; }
    IMPMidiData* MidiData() const noexcept { return midiData_; }
    IMPProperties* Properties() const noexcept { return properties_; }
    IMPTimeFormat* TimeFormat() const noexcept { return timeFormat_; }
    IMPPortList* PortListInterface() const noexcept { return portList_; }
    IMPMidiOut* MidiOut() const noexcept { return midiOut_; }
    win::UINT ClipboardFormat() const noexcept { return clipboardFormat_; }
    const std::vector<TrackEntry>& Tracks() const noexcept { return tracks_; }
    int CurrentTrack() const noexcept { return currentTrack_; }
    int CurrentBlock() const noexcept { return currentBlock_; }
    std::size_t PendingNotificationCount();
    // [any thread] A delivery run opens on the calling thread (S_OK; nested ones on the same thread
    // too) unless another thread's is open (S_FALSE). Until it closes, the records it queues wait in a
    // queue of its own without the queue lock, and the view is not told yet.
    win::HRESULT BeginNotifyRun(win::DWORD count);
    // [the run's thread] Closes the run (the outermost one): its records join the pending ones under
    // one hold of the queue lock, then the view is told as its first record would have told it.
    // E_UNEXPECTED when the calling thread has no open run.
    win::HRESULT EndNotifyRun();

protected:
    std::atomic<win::LONG> refs_{0};
    char16_t name_[260] = {};
    win::DWORD ticksPerQuarter_ = 0;
    win::DWORD creationArgument_ = 0;
    win::CLSID classId_{};
    CMPNotificationSink* notifySink_ = nullptr;
    CMPTimeSink* timeSink_ = nullptr;
    CSpecifyPropertyPages* pages_ = nullptr;
    win::IUnknown* delegate_ = nullptr;
    COPTPluginPersit* persist_ = nullptr;
    CBaseListPage* view_ = nullptr;
    win::DWORD notifyCookie_ = 0;
    win::DWORD timeCookie_ = 0;
    // Track table and event-key cache. tracks_ changes only through AddTrackEntry, EraseTrackEntry
    // and DestroyTrackTable, which keep trackOrders_ (each entry's order by host id) in step.
    std::vector<TrackEntry> tracks_;
    std::unordered_map<std::uint32_t, std::uint32_t> trackOrders_;
    bool trackTableExists_ = false;
    EntryList events_;
    std::uint32_t kindFilter_ = MEK_ALL;
    std::uint32_t filterInForce_ = MEK_ALL;
    std::uint32_t channelMask_ = 0xFFFF;
    int currentTrack_ = -1;
    int currentBlock_ = -1;
    std::uint32_t channelUse_ = 0;
    int channelCount_ = 0;
    // The first lock guards the pending-notification queue; the second the attached view against
    // a host thread telling it about notifications while the window thread detaches it.
    std::unique_ptr<std::mutex> queueLock_;
    std::unique_ptr<std::mutex> viewLock_;
    // Whether view_ is set, so that a record with no view to tell takes no lock. [any thread]
    std::atomic<bool> viewAttached_{false};
    std::unique_ptr<NotificationQueue> pending_;
    // The last large batch, emptied, for the next queue (under queueLock_).
    std::unique_ptr<NotificationQueue> sparePending_;
    // The delivery run open on a host thread (none: a default id), how deep it is nested, the records
    // it queued and the first of its records that would have told the view. Only the run's thread
    // touches the others while runThread_ names it.
    std::atomic<std::thread::id> runThread_{};
    unsigned runDepth_ = 0;
    NotificationQueue runQueue_;
    bool runTells_ = false;
    NotificationRecord runTell_{};
    // The run's last queued record was an event's change or insert that the immediate phase only
    // queued: a record that differs from it only in its event ids is queued the same way at once.
    bool runRepeats_ = false;
    bool InNotifyRun() const noexcept { return runThread_.load() == std::this_thread::get_id(); }
    // Tells the attached view of a record unless a posted message will take the queue anyway.
    void TellView(const NotificationRecord& record);
    // While the deferred phase runs a record: the immediate phase already took it into the list.
    bool deferredListed_ = false;
    std::atomic<std::uint32_t> flags_{0};
    win::DWORD dirty_ = 0;
    win::DWORD transactionDepth_ = 0;
    win::UINT clipboardFormat_ = 0;
    std::vector<MidiEventRecord> pasteList_;
    EditQueues queues_;
    std::uint32_t monitor_ = 0;
    // Changes to the event-key list not yet folded in, in the order they came. Applied together, so
    // a batch of k changes costs one pass over the list plus sorting the entries that come in.
    // [window thread]
    std::vector<ListChange> listChanges_;
    std::vector<EventEntry> listEntries_; // the entries the changes name
    // Keys the immediate phase took out while no change was staged, so before every staged change:
    // alone, they leave in one pass over the list. In small blocks, so that a delete of every note
    // never holds two copies of them while they grow. [window thread]
    std::deque<EventKey> listLeaving_;
    // Room a fold of list changes keeps for the next one: fresh pages for a large edit cost more
    // than the fold itself.
    std::vector<EventEntry> spareEntering_;
    std::vector<std::uint32_t> spareTable_;
    bool foldInPlace_ = true;
    ListDamage damage_;
    // While the deferred phase runs, the track and block records EntryFor read last (the host's data
    // does not change during it).
    struct EntryContext {
        bool active = false;
        std::uint32_t track = 0, block = 0;
        TrackRecord trackRecord{};
        BlockRecord blockRecord{};
        EventKey lengthBlock{}; // the block whose end the batch has already weighed against the song's length
    };
    EntryContext entryContext_;
    std::uint32_t upkeepRunFloor_ = 256;
    // The tracks the running batch gave new generations: one each per batch is enough, as no copy of
    // a track is read while a batch runs. [window thread]
    struct BatchTouches {
        bool active = false;
        bool all = false;
        std::vector<std::uint32_t> tracks;
    };
    BatchTouches touched_;
    // The events whose selection the editor wrote in its open transaction, in order, and how many of
    // them have been reported: their modifications need no upkeep.
    // UpkeepImmediate's answer for an own selection write after the first of its transaction, which
    // OnNotify turns into S_OK without telling the view again.
    static constexpr win::HRESULT kOwnWriteToldAlready = 2;
    std::vector<EventKey> ownSelectionWrites_;
    std::size_t ownSelectionReported_ = 0;
    std::uint32_t ownSelectedTrack_ = 0; // NoteOwnTrackSelection's track in the open transaction
    // The last whole-track selection, not yet given to the entries it holds for (epoch 0: none).
    // Entries written since carry an epoch not below its own.
    struct TrackSelection {
        std::uint32_t track = 0, kinds = 0, epoch = 0;
        bool on = false;
    };
    TrackSelection trackSelection_;
    // The one before it, of the same track and of kinds it does not cover all of (epoch 0: none): Select
    // all of notes after a clear of every kind leaves both waiting instead of visiting every entry.
    TrackSelection olderTrackSelection_;
    std::uint32_t selectionEpoch_ = 0;
    void SettleTrackSelection() noexcept;
    void SetEntrySelected(EventEntry& e, bool on) const noexcept {
        e.selected = on;
        e.selectedAt = selectionEpoch_;
        if (on) selectedFrom_ = std::min(selectedFrom_, e.start), selectedTo_ = std::max(selectedTo_, e.start);
    }
    // Bounds on the starts of the entries that may read selected (from > to: none), widened by every
    // write of a selected flag (staged entries too) and cleared only by a write that deselects them all.
    mutable std::int64_t selectedFrom_ = INT64_MIN, selectedTo_ = INT64_MAX;
    void NoSelectedEntries() noexcept { selectedFrom_ = INT64_MAX, selectedTo_ = INT64_MIN; }
    // Running maximum of the entries' ends; the first reachDone_ stand, the rest are rebuilt when
    // asked for, so that a change far down the list costs only the entries after it.
    std::vector<std::int64_t> reach_;
    std::size_t reachDone_ = 0;
    // Extends the running maximum until it reaches `time` or the list ends.
    void ExtendReach(std::int64_t time);
    // Every fold tells it the entries that leave and enter; other changes of the layout drop it.
    ListIndex listIndex_;
    std::uint64_t startsRefused_ = UINT64_MAX; // the layout at which the listed ids could not be indexed
    std::uint32_t sparseRatio_ = 32;
    bool StartTableReady();
    // The first list index whose start is at or after `time`, with no changes folded first.
    std::size_t StartIndex(std::int64_t time) const noexcept {
        return static_cast<std::size_t>(
            std::lower_bound(events_.begin(), events_.end(), time, [](const EventEntry& e, std::int64_t t) { return e.start < t; }) -
            events_.begin());
    }
    // The list index of a key's entry (SIZE_MAX: not listed); false when the table cannot tell.
    bool Locate(const EventKey& key, std::size_t* at) const;
    // Folds a batch of a few changes by finding each touched entry and rewriting only the stretch of
    // the list between the first and the last of them; false, with nothing changed, when the batch is
    // too large for that or the table cannot place a key.
    bool SparseFold(const std::vector<ListChange>& changes, const std::vector<EventEntry>& staged);
    // Counts host reports and list changes, so that an answer read from the host can be kept until
    // either comes: the toolbar asks whether anything is selected after every message.
    std::atomic<std::uint64_t> dataGeneration_{0};
    bool selectionKnown_ = false;
    bool hasSelection_ = false;
    std::uint64_t selectionGeneration_ = 0;
    // Without `layout` only entries' selection changed: their ends and order stand.
    // `from`: the entries before it did not change; `kept`: the fold kept listIndex_ in step.
    void ListChanged(bool layout = true, std::size_t from = 0, bool kept = false) noexcept {
        ++ownListChanges_;
        dataGeneration_.fetch_add(1);
        if (!layout) return;
        reachDone_ = std::min(reachDone_, from);
        if (!kept) listIndex_.Drop();
        ++listLayout_;
    }
    std::uint64_t listLayout_ = 0;
    bool entryFlagsUnread_ = true; // see EntryFlagsCurrent
    // The blocks the list's entries come from, in list order, while the layout and length it was
    // gathered at stand: the toolbar asks for the selection after every marquee step.
    std::vector<EventKey> listedBlocks_;
    std::uint64_t listedBlocksLayout_ = UINT64_MAX;
    std::size_t listedBlocksLength_ = 0;
    // The list's own changes among the generations, so that a load can tell whether a host report came
    // while it read; and whether the events the last loads listed include a selected one.
    std::uint64_t ownListChanges_ = 0;
    bool loadedSelected_ = false;
    // The thread that owns the cache; only it changes the cache in a notification's immediate phase.
    std::atomic<std::thread::id> cacheThread_{};
    bool currentTrackLost_ = false;
    IMPMidiData* midiData_ = nullptr;
    IMPProperties* properties_ = nullptr;
    IMPTimeFormat* timeFormat_ = nullptr;
    IMPPortList* portList_ = nullptr;
    win::IUnknown* host_ = nullptr;
    IMPMidiOut* midiOut_ = nullptr;
    win::DWORD timeContext_ = 0;
    win::DWORD capabilityMask_ = 0;
    // Port lists are refreshed from host threads (port notifications) and read on the window's.
    mutable std::mutex portLock_;
    PortList outputPorts_;
    PortList inputPorts_;
    win::DWORD currentOutputPort_ = NO_PORT;
    win::DWORD currentInputPort_ = NO_PORT;

private:
    // Hands visit the block's events in time order, read in pages of packed records, with the
    // block's count; visit answers false to stop. S_FALSE when the block changed between pages (the
    // caller undoes what it saw and may ask again); a failure when the host has no bulk read.
    using BulkVisitor = std::function<bool(const MPBlockEvent&, std::uint32_t count)>;
    win::HRESULT ScanBlockInBulk(std::uint32_t block, const BulkVisitor& visit);
    // Whether an event read from the host belongs in a list of the given kinds: the channel mask.
    bool Listable(std::uint32_t kinds, std::uint32_t kind, std::int32_t recordChannel,
                  const TrackRecord& track) const noexcept;
    // Whether any event of the list is selected, read in bulk from the host's blocks the list holds
    // events of (under the caller's read); false when the host could not answer that way.
    bool SelectionInBulk(bool* selected);
    // LoadEvents' two ways of reading a block into `loaded`: pages of packed records, or the walk.
    win::HRESULT ReadBlockInBulk(std::vector<EventEntry>& loaded, const EventKey& blockKey, const TrackRecord& track,
                                 const BlockRecord& block);
    win::HRESULT WalkBlock(std::vector<EventEntry>& loaded, const EventKey& blockKey, const TrackRecord& track,
                           const BlockRecord& block);
    // Lists an event read from a block when the channel mask lets it through.
    bool AddLoadedEvent(std::vector<EventEntry>& loaded, const EventKey& key, const TrackRecord& track,
                        std::int64_t start, std::uint32_t kind, std::int32_t recordChannel, std::uint32_t length,
                        const std::uint8_t* data, std::uint32_t flags);
    bool bulkReads_ = true;
    bool bulkWrites_ = true;
    std::vector<std::uint8_t> bulkPage_;
    std::vector<MPBlockEvent> scanPage_;
    win::HRESULT AdviseSink(win::REFIID iid, win::IUnknown* sink, win::DWORD* cookie);
    void UnadviseSink(win::REFIID iid, win::DWORD* cookie);
    void ReleaseCompanions();
    static void FreePortList(PortList& list);
    void DestroyTrackTable();

protected:
    // Queues a copy of the record; `listed`: the event-key list has already taken it in.
    win::HRESULT QueueRecord(const NotificationRecord& record, bool listed);
    // Notification upkeep of the cache (cache_upkeep.cpp).
    win::HRESULT UpkeepImmediate(const NotificationRecord& record);
    win::HRESULT UpkeepDeferred(const NotificationRecord& record);
    void FlushListChanges();
    // Before a fold that passes over the list: the index is kept only for a batch of a few changes.
    void KeepIndexFor(std::size_t changes) noexcept;
    // The batch's buffers keep their room for the next fold.
    void KeepListBuffers(std::vector<ListChange>& changes, std::vector<EventEntry>& staged);
    void ClearListChanges();
    void StageRemove(const EventKey& key);
    void StageLeave(const EventKey& key); // a removal in the immediate phase
    void FoldLeaving();                   // the keys in listLeaving_ leave the list
    // Reads the event and stages it for insertion; false when it is gone or not shown.
    bool StageInsert(const EventKey& key);
    bool StageInsert(const EventKey& key, int trackIndex); // the key's track found already
    bool EntryFor(const EventKey& key, EventEntry* entry);
    // The track and block records of the key's block in the context; false when the host has none.
    bool LoadEntryContext(EntryContext& context, const EventKey& key);
    // The list entry of an event read from the host; false when the list does not show it.
    bool FillEntry(const EventKey& key, const EntryContext& context, std::uint32_t kind, std::int32_t channel,
                   std::int64_t time, std::uint32_t length, const std::uint8_t* data, std::uint32_t flags,
                   EventEntry* entry) const noexcept;
    // Whether a block of a track-table index is among the blocks the list shows.
    bool BlockShown(int trackIndex, std::uint32_t block) const noexcept;
    // Stages the key's change: the entry last put in listEntries_ comes in when present, else it is
    // dropped and the key only leaves. The entry is filled where it stands, since a copy of an entry
    // just written field by field would wait on those writes for every event.
    void StageEntry(const EventKey& key, bool present);
    void UpkeepDeferredRun(const NotificationRecord& first, const std::uint32_t* ids, std::uint32_t count);
    // The events of a run (the key's block and track, the given ids) read with one host call, with
    // the batch's records of that block ready; null when the host cannot read them so.
    const std::uint8_t* ReadRunEvents(EventKey key, const std::uint32_t* ids, std::uint32_t count);
    // One bulk read of the events of `count` keys into `page`: their records, or null when refused.
    const std::uint8_t* ReadListPage(const EventKey* keys, std::uint32_t count, std::vector<std::uint64_t>& page);
    std::vector<EventKey> runKeys_;
    std::vector<std::uint64_t> runPage_; // 8-byte words: the header holds a pointer
    bool OnCacheThread() const noexcept;
    void RemoveTrackEntry(std::uint32_t trackId);
    // Puts an entry after the entries of its order or lower; returns its index.
    int AddTrackEntry(TrackEntry entry);
    void EraseTrackEntry(int index);
    // Gives the tracks a data notification names new generations (every track after a change of the
    // whole table). [window thread, deferred phase]
    void TouchTracks(const NotificationRecord& record);
    // Around the records of one batch: a track touched once in it is not touched again.
    void BeginTouchBatch() noexcept;
    void EndTouchBatch() noexcept;
};

} // namespace mp
