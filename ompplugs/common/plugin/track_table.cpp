// The plug-in object's cache: the track table (tracks in track order with their blocks), the
// event-key list of the shown events in event order, and the host transactions around every read.
#include "mp/plugin.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_set>

#include "mp/block_events.h"
#include "mp/large_pages.h"

namespace mp {

using namespace win;

// ---- transactions ----

HRESULT COPTPlugin::BeginRead() {
    if (!midiData_) return E_UNEXPECTED;
    HRESULT hr = midiData_->BeginTransaction(TRANSACTION_READ, nullptr);
    if (SUCCEEDED(hr)) ++transactionDepth_;
    return hr;
}

HRESULT COPTPlugin::BeginEdit(const char16_t* name) {
    if (!midiData_) return E_UNEXPECTED;
    HRESULT hr = midiData_->BeginTransaction(TRANSACTION_EDIT, name);
    if (SUCCEEDED(hr)) ++transactionDepth_;
    return hr;
}

void COPTPlugin::EndTransaction(bool changed) {
    if (!transactionDepth_ || !midiData_) return;
    --transactionDepth_;
    midiData_->EndTransaction(changed ? TRUE : FALSE);
    if (transactionDepth_ == 0 && !ownSelectionWrites_.empty()) {
        ownSelectionWrites_.clear();
        ownSelectionReported_ = 0;
    }
    if (transactionDepth_ == 0) ownSelectedTrack_ = 0;
}

void COPTPlugin::NoteOwnTrackSelection(std::uint32_t track, std::uint32_t kinds, bool on) {
    // Another track's reports in the same transaction would pass for this one's.
    if (ownSelectedTrack_ && ownSelectedTrack_ != track) {
        ++listLayout_;
        entryFlagsUnread_ = true;
    }
    ownSelectedTrack_ = track;
    FlushListChanges();
    // Each marquee step clears the track before selecting its band: visiting every entry for each
    // would cost a pass over the whole list per step. A write of the same track replaces the waiting
    // writes whose kinds it covers, and one of fewer kinds keeps the last as the older; only a third
    // level, or another track, gives them to their entries first.
    // Kinds the list does not hold have no entries to cover (select all names note-offs too).
    kinds &= filterInForce_ | kindFilter_;
    const auto covers = [kinds](const TrackSelection& w) { return (kinds & w.kinds) == w.kinds; };
    TrackSelection& waiting = trackSelection_;
    TrackSelection& older = olderTrackSelection_;
    if (waiting.epoch && waiting.track != track) SettleTrackSelection();
    if (selectionEpoch_ == UINT32_MAX) {
        SettleTrackSelection();
        for (EventEntry& e : events_) e.selectedAt = 0;
        selectionEpoch_ = 0;
    }
    if (waiting.epoch && !covers(waiting)) {
        if (older.epoch) SettleTrackSelection();
        else older = waiting;
    } else if (older.epoch && covers(older)) {
        older = TrackSelection{};
    }
    waiting = TrackSelection{track, kinds, ++selectionEpoch_, on};
    if (on) selectedFrom_ = INT64_MIN, selectedTo_ = INT64_MAX;
    else if ((kinds & filterInForce_) == filterInForce_ && currentTrack_ != -1 && TrackIdAt(currentTrack_) == track)
        NoSelectedEntries(); // every listed entry is older than the write and reads it
}

bool COPTPlugin::EntryFlagsCurrent() {
    const std::uint32_t ready = PLF_TRACKS_LOADED | PLF_EVENT_LIST_VALID;
    return !entryFlagsUnread_ && (Flags() & ready) == ready && kindFilter_ == filterInForce_ && transactionDepth_ == 0 &&
           listChanges_.empty() && listLeaving_.empty() && PendingNotificationCount() == 0;
}

std::vector<EventEntry> COPTPlugin::EntriesMaybeSelected() {
    const EntryList& list = EventList();
    if (!EntryFlagsCurrent()) return {list.begin(), list.end()};
    std::vector<EventEntry> selected;
    const auto [first, end] = SelectedStretch();
    for (std::size_t i = first; i < end; ++i)
        if (EntrySelected(list[i])) selected.push_back(list[i]);
    return selected;
}

std::vector<EventEntry> COPTPlugin::ListedBetween(std::size_t first, std::size_t end) {
    const EntryList& list = EventList();
    end = std::min(end, list.size());
    first = std::min(first, end);
    return {list.begin() + static_cast<std::ptrdiff_t>(first), list.begin() + static_cast<std::ptrdiff_t>(end)};
}

std::pair<std::size_t, std::size_t> COPTPlugin::SelectedStretch() {
    if (selectedFrom_ > selectedTo_) return {0, 0};
    const std::size_t first = selectedFrom_ == INT64_MIN ? 0 : FirstStartingAt(selectedFrom_);
    const std::size_t end = selectedTo_ == INT64_MAX ? EventList().size() : FirstStartingAt(selectedTo_ + 1);
    return {first, std::max(first, end)};
}

void COPTPlugin::TakeEntryFlags(const std::vector<bool>& selected) noexcept {
    if (selected.size() != events_.size() || !listChanges_.empty() || !listLeaving_.empty()) return;
    for (std::size_t i = 0; i < events_.size(); ++i)
        if (EntrySelected(events_[i]) != selected[i]) SetEntrySelected(events_[i], selected[i]);
    entryFlagsUnread_ = false;
}

void COPTPlugin::SettleTrackSelection() noexcept {
    if (!trackSelection_.epoch) return;
    for (EventEntry& e : events_)
        if (EntrySelected(e) != e.selected) SetEntrySelected(e, !e.selected);
    trackSelection_ = TrackSelection{};
    olderTrackSelection_ = TrackSelection{};
}

// ---- track table ----

void COPTPlugin::DestroyTrackTable() {
    tracks_.clear();
    trackOrders_.clear();
    trackTableExists_ = false;
}

int COPTPlugin::AddTrackEntry(TrackEntry entry) {
    auto at = std::upper_bound(tracks_.begin(), tracks_.end(), entry.order,
                               [](std::uint32_t order, const TrackEntry& e) { return order < e.order; });
    const int index = static_cast<int>(at - tracks_.begin());
    const std::uint32_t id = entry.track;
    trackOrders_[id] = entry.order;
    try {
        tracks_.insert(at, std::move(entry));
    } catch (...) {
        trackOrders_.erase(id);
        throw;
    }
    return index;
}

void COPTPlugin::EraseTrackEntry(int index) {
    trackOrders_.erase(tracks_[static_cast<std::size_t>(index)].track);
    tracks_.erase(tracks_.begin() + index);
}

HRESULT COPTPlugin::LoadTracks() {
    trackTableExists_ = true;
    HRESULT hr = BeginRead();
    if (FAILED(hr)) return hr;

    EventKey key{};
    TrackRecord record{};
    BOOL more = FALSE;
    bool first = true;
    channelUse_ = 0;
    channelCount_ = 0;
    hr = midiData_->FindFirst(&key, LEVEL_TRACK, &record, &more, FIND_ALL_ITEMS);
    while (hr == S_OK && key.track) {
        if (TrackIndexOf(key.track) < 0) AddTrackEntry(TrackEntry{key.track, {}, key.event, record.order});
        // Channel use counts every track after the first one found.
        if (!first) {
            if (record.channel >= 0 && record.channel <= 15) {
                if (!(channelUse_ & (1u << record.channel))) ++channelCount_;
                channelUse_ |= 1u << record.channel;
            } else if (record.channel == -1) {
                channelUse_ = 0xFFFF;
                channelCount_ = 16;
            }
        }
        first = false;
        if (!more) break;
        hr = midiData_->FindNext(&key, LEVEL_TRACK, &record, &more, FIND_ALL_ITEMS);
    }
    EndTransaction(false);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT COPTPlugin::LoadBlocks(std::vector<EventKey>& blocks, const EventKey& trackKey) {
    HRESULT hr = BeginRead();
    if (FAILED(hr)) return hr;
    EventKey key{trackKey.track, 0, 0};
    BlockRecord record{};
    BOOL more = FALSE;
    hr = midiData_->FindFirst(&key, LEVEL_BLOCK, &record, &more, FIND_ALL_ITEMS);
    while (hr == S_OK && key.block) {
        blocks.push_back(EventKey{key.track, key.block, 0});
        if (!more) break;
        hr = midiData_->FindNext(&key, LEVEL_BLOCK, &record, &more, FIND_ALL_ITEMS);
    }
    EndTransaction(false);
    return FAILED(hr) ? hr : S_OK;
}

HRESULT COPTPlugin::ReloadTracks(bool reset) {
    cacheThread_.store(std::this_thread::get_id());
    if (reset) {
        DestroyTrackTable();
        ClearFlags(PLF_TRACKS_LOADED | PLF_BLOCKS_LOADED | PLF_EVENT_LIST_VALID);
    }
    trackTableExists_ = true;
    events_.clear();
    ++listLayout_;
    reachDone_ = 0;
    listIndex_.Drop();
    entryFlagsUnread_ = true;
    ClearListChanges();
    HRESULT hr = S_OK;
    if (!(Flags() & PLF_TRACKS_LOADED)) hr = LoadTracks();
    if (!(Flags() & PLF_BLOCKS_LOADED))
        for (TrackEntry& entry : tracks_) {
            entry.blocks.clear();
            HRESULT blockHr = LoadBlocks(entry.blocks, EventKey{entry.track, 0, entry.keyWord3});
            if (FAILED(blockHr) && SUCCEEDED(hr)) hr = blockHr;
        }
    // Left unset after a failure so that the next reload asks the host again.
    if (SUCCEEDED(hr)) SetFlags(PLF_TRACKS_LOADED | PLF_BLOCKS_LOADED);
    ClearFlags(PLF_EVENT_LIST_VALID);
    return hr;
}

std::uint32_t COPTPlugin::TrackIdAt(int index) const noexcept {
    return index >= 0 && static_cast<std::size_t>(index) < tracks_.size() ? tracks_[static_cast<std::size_t>(index)].track
                                                                            : 0;
}

int COPTPlugin::TrackIndexOf(std::uint32_t trackId) const noexcept {
    // Called for every track while the table loads and for every notification: a search by order,
    // not a walk over the table.
    const auto known = trackOrders_.find(trackId);
    if (known == trackOrders_.end()) return -1;
    struct ByOrder {
        bool operator()(const TrackEntry& e, std::uint32_t order) const { return e.order < order; }
        bool operator()(std::uint32_t order, const TrackEntry& e) const { return order < e.order; }
    };
    const auto [first, last] = std::equal_range(tracks_.begin(), tracks_.end(), known->second, ByOrder{});
    const auto at = std::find_if(first, last, [&](const TrackEntry& e) { return e.track == trackId; });
    return at == last ? -1 : static_cast<int>(at - tracks_.begin());
}

bool COPTPlugin::FirstBlockOf(int index, EventKey* block) const noexcept {
    if (index < 0 || static_cast<std::size_t>(index) >= tracks_.size()) return false;
    const TrackEntry& entry = tracks_[static_cast<std::size_t>(index)];
    if (entry.blocks.empty()) return false;
    if (block) *block = entry.blocks.front();
    return true;
}

DWORD COPTPlugin::GetChannelMask() { return channelUse_; }
DWORD COPTPlugin::GetChannelCount() { return static_cast<DWORD>(channelCount_); }

// ---- event-key list ----

HRESULT COPTPlugin::SelectTrack(int track, int block) {
    if (track != currentTrack_ || block != currentBlock_ || kindFilter_ != filterInForce_)
        ClearFlags(PLF_EVENT_LIST_VALID);
    currentTrack_ = track;
    currentBlock_ = block;
    currentTrackLost_ = false;
    if (Flags() & PLF_EVENT_LIST_VALID) return S_OK;
    if (cacheThread_.load() == std::thread::id{}) cacheThread_.store(std::this_thread::get_id());
    events_.clear();
    ClearListChanges();
    ListChanged();
    NoSelectedEntries(); // the load widens them again
    filterInForce_ = kindFilter_;
    // The load reads every listed event's flags, which answers HasSelection until the next report.
    const bool keepSelection = transactionDepth_ == 0;
    const std::uint64_t generation = dataGeneration_.load(), changes = ownListChanges_;
    loadedSelected_ = false;
    HRESULT result = S_OK;
    const std::size_t firstTrack = track < 0 ? 0 : static_cast<std::size_t>(track);
    const std::size_t lastTrack = track < 0 ? tracks_.size() : std::min(tracks_.size(), firstTrack + 1);
    for (std::size_t t = firstTrack; t < lastTrack; ++t) {
        const std::size_t count = tracks_[t].blocks.size();
        // A block index past the last block shows none.
        if (block >= 0 && static_cast<std::size_t>(block) >= count) continue;
        const std::size_t upTo = block < 0 ? count : static_cast<std::size_t>(block) + 1;
        for (std::size_t b = 0; b < upTo && b < tracks_[t].blocks.size(); ++b) {
            HRESULT hr = LoadEvents(events_.Closed(), tracks_[t].blocks[b]);
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
    }
    SetFlags(PLF_EVENT_LIST_VALID);
    // Every entry was read with its flag; reports that came meanwhile wait in the queue.
    entryFlagsUnread_ = FAILED(result);
    const std::uint64_t now = dataGeneration_.load();
    if (keepSelection && SUCCEEDED(result) && now == generation + (ownListChanges_ - changes)) {
        selectionKnown_ = true;
        hasSelection_ = loadedSelected_;
        selectionGeneration_ = now;
    }
    return result;
}

HRESULT COPTPlugin::AddBlockEvents(int track, int block) {
    if (currentTrack_ != -1 && track != currentTrack_) return S_FALSE;
    if (track < 0 || static_cast<std::size_t>(track) >= tracks_.size()) return S_FALSE;
    const TrackEntry& entry = tracks_[static_cast<std::size_t>(track)];
    if (block < 0 || static_cast<std::size_t>(block) >= entry.blocks.size()) return S_FALSE;
    const EventKey blockKey = entry.blocks[static_cast<std::size_t>(block)];
    FlushListChanges();
    std::erase_if(events_.Closed(), [&](const EventEntry& e) {
        return e.key.track == blockKey.track && e.key.block == blockKey.block;
    });
    ListChanged();
    HRESULT hr = LoadEvents(events_.Closed(), blockKey);
    SetFlags(PLF_EVENT_LIST_VALID);
    return hr;
}

namespace {

// Records asked for in one bulk read: large enough that the calls cost nothing beside the records,
// small enough that the page stays in the cache.
constexpr std::size_t kBulkPage = 4096;
// A block that changes under a bulk read this many times in a row is walked instead.
constexpr int kBulkTries = 3;

} // namespace

bool COPTPlugin::Listable(std::uint32_t kinds, std::uint32_t kind, std::int32_t recordChannel,
                          const TrackRecord& track) const noexcept {
    if (!(kind & kinds)) return false;
    int channel = -1;
    if (recordChannel >= 0) channel = track.channel >= 0 ? track.channel : recordChannel;
    return channel < 0 || (channel < 32 && (channelMask_ & (1u << channel)));
}

bool COPTPlugin::AddLoadedEvent(std::vector<EventEntry>& loaded, const EventKey& key, const TrackRecord& track,
                                std::int64_t start, std::uint32_t kind, std::int32_t recordChannel,
                                std::uint32_t length, const std::uint8_t* data, std::uint32_t flags) {
    if (!Listable(kindFilter_, kind, recordChannel, track)) return false;
    EventEntry e{};
    e.key = key;
    e.start = start;
    e.end = kind == MEK_NOTE ? start + static_cast<std::int64_t>(length) : start;
    e.order = track.order;
    e.channel = track.channel;
    e.kind = kind;
    e.pitch = data[0];
    e.value = data[1];
    SetEntrySelected(e, flags & MEF_SELECTED);
    loaded.push_back(e);
    return true;
}

HRESULT COPTPlugin::ReadBlockPage(std::uint32_t block, std::uint32_t first, std::vector<MPBlockEvent>& page,
                                  std::uint32_t* count) {
    page.clear();
    if (!properties_ || !bulkReads_) return E_NOTIMPL;
    bulkPage_.resize(sizeof(MPBlockEventsHeader) + kBulkPage * sizeof(MPBlockEvent));
    const HRESULT hr = properties_->GetProperty(PID_BLOCK_EVENTS, block, first, 0, static_cast<DWORD>(bulkPage_.size()),
                                                bulkPage_.data());
    if (FAILED(hr)) return hr;
    MPBlockEventsHeader header;
    std::memcpy(&header, bulkPage_.data(), sizeof header);
    if (header.entrySize != sizeof(MPBlockEvent) || header.first != first || header.returned > kBulkPage ||
        header.first + header.returned > header.count || (hr == S_FALSE) != (first + header.returned < header.count) ||
        (hr == S_FALSE && header.returned == 0))
        return E_UNEXPECTED;
    page.resize(header.returned);
    if (header.returned)
        std::memcpy(page.data(), bulkPage_.data() + sizeof header, header.returned * sizeof(MPBlockEvent));
    *count = header.count;
    return hr;
}

const std::uint8_t* COPTPlugin::ReadListPage(const EventKey* keys, std::uint32_t count, std::vector<std::uint64_t>& page) {
    const std::size_t size = sizeof(MPReadListHeader) + std::size_t{count} * sizeof(MPBlockEvent);
    page.resize((size + 7) / 8);
    const MPReadListHeader header{count, sizeof(MPBlockEvent), keys, 0};
    std::memcpy(page.data(), &header, sizeof header);
    if (properties_->GetProperty(PID_READ_EVENT_LIST, 0, 0, 0, static_cast<DWORD>(size), page.data()) != S_OK)
        return nullptr;
    return reinterpret_cast<const std::uint8_t*>(page.data()) + sizeof header;
}

bool COPTPlugin::ReadSelectedInBulk(const EntryList& list, std::vector<bool>& selected) {
    if (!properties_ || !bulkReads_) return false;
    // Small pages: a short list reads into little more room than it holds.
    constexpr std::size_t kPage = 1024;
    std::vector<EventKey> keys;
    std::vector<std::uint64_t> page;
    for (std::size_t from = 0; from < list.size(); from += kPage) {
        const auto count = static_cast<std::uint32_t>(std::min(kPage, list.size() - from));
        keys.resize(count);
        for (std::uint32_t i = 0; i < count; ++i) keys[i] = list[from + i].key;
        const std::uint8_t* read = ReadListPage(keys.data(), count, page);
        if (!read) return false;
        // An event that is gone reads as all zero: not selected.
        for (std::uint32_t i = 0; i < count; ++i) {
            MPBlockEvent e;
            std::memcpy(&e, read + std::size_t{i} * sizeof e, sizeof e);
            selected[from + i] = (e.flags & MEF_SELECTED) != 0;
        }
    }
    return true;
}

HRESULT COPTPlugin::ScanBlockInBulk(std::uint32_t block, const BulkVisitor& visit) {
    std::vector<MPBlockEvent>& page = scanPage_;
    std::uint32_t first = 0, count = 0, pageCount = 0;
    HRESULT hr = S_FALSE;
    while (hr == S_FALSE) {
        hr = ReadBlockPage(block, first, page, &pageCount);
        if (FAILED(hr)) return hr;
        if (first == 0) count = pageCount;
        else if (pageCount != count) return S_FALSE;
        for (const MPBlockEvent& e : page)
            if (!visit(e, count)) return S_OK;
        first += static_cast<std::uint32_t>(page.size());
    }
    return hr;
}

HRESULT COPTPlugin::ReadBlockInBulk(std::vector<EventEntry>& loaded, const EventKey& blockKey, const TrackRecord& track,
                                    const BlockRecord& block) {
    const std::size_t before = loaded.size();
    for (int attempt = 0; attempt < kBulkTries; ++attempt) {
        loaded.resize(before);
        bool selected = false;
        const HRESULT hr = ScanBlockInBulk(blockKey.block, [&](const MPBlockEvent& e, std::uint32_t count) {
            if (loaded.size() == before && loaded.capacity() < before + count) {
                // With room for a few more, the first note drawn does not move the whole list.
                loaded.reserve(before + count + (before + count) / 32);
                AdviseLargePages(loaded.data() + before, count * sizeof(EventEntry));
            }
            if (AddLoadedEvent(loaded, EventKey{blockKey.track, blockKey.block, e.event}, track, block.start + e.time,
                               e.kind, e.channel, e.length, e.data, e.flags) &&
                (e.flags & MEF_SELECTED))
                selected = true;
            return true;
        });
        if (hr == S_OK && selected) loadedSelected_ = true;
        if (hr != S_FALSE) return hr; // S_FALSE: the block changed between pages, so it is read again
    }
    return E_FAIL;
}

bool COPTPlugin::SelectionInBulk(bool* selected) {
    *selected = false;
    const EntryList& list = EventList();
    if (listedBlocksLayout_ != listLayout_ || listedBlocksLength_ != list.size()) {
        listedBlocks_.clear();
        std::unordered_set<std::uint32_t> seen;
        for (const EventEntry& e : list)
            if ((listedBlocks_.empty() || listedBlocks_.back().block != e.key.block) && seen.insert(e.key.block).second)
                listedBlocks_.push_back(EventKey{e.key.track, e.key.block, 0});
        listedBlocksLayout_ = listLayout_;
        listedBlocksLength_ = list.size();
    }
    const std::vector<EventKey> blocks = listedBlocks_; // a few keys; the host is called below
    for (const EventKey& block : blocks) {
        TrackRecord track{};
        const EventKey trackKey{block.track, 0, 0};
        if (midiData_->Get(&trackKey, LEVEL_TRACK, &track, TIME_FORMAT_TICKS) != S_OK) return false;
        const HRESULT hr = ScanBlockInBulk(block.block, [&](const MPBlockEvent& e, std::uint32_t) {
            if ((e.flags & MEF_SELECTED) && Listable(filterInForce_, e.kind, e.channel, track)) *selected = true;
            return !*selected;
        });
        if (hr != S_OK) return false;
        if (*selected) return true;
    }
    return true;
}

HRESULT COPTPlugin::WalkBlock(std::vector<EventEntry>& loaded, const EventKey& blockKey, const TrackRecord& track,
                              const BlockRecord& block) {
    EventKey key = blockKey;
    MidiEventRecord record{};
    BOOL more = FALSE;
    HRESULT hr = midiData_->FindFirst(&key, LEVEL_EVENT, &record, &more, kindFilter_);
    while (hr == S_OK) {
        if (key.event) {
            FreeEventData(record);
            std::int64_t time = record.time;
            if (record.timeFormat == TIME_FORMAT_NANOSECONDS && timeFormat_) {
                std::int64_t ticks = 0;
                std::int64_t startNs = 0;
                if (SUCCEEDED(timeFormat_->ConvertTime(block.start, TIME_FORMAT_TICKS, timeContext_, &startNs,
                                                       TIME_FORMAT_NANOSECONDS, timeContext_)) &&
                    SUCCEEDED(timeFormat_->ConvertTime(startNs + record.time, TIME_FORMAT_NANOSECONDS, timeContext_,
                                                       &ticks, TIME_FORMAT_TICKS, timeContext_)))
                    time = ticks - block.start;
            }
            if (AddLoadedEvent(loaded, key, track, block.start + time, record.kind, record.channel, record.length,
                               record.data, record.flags) &&
                (record.flags & MEF_SELECTED))
                loadedSelected_ = true;
        }
        if (!more || !key.event) break;
        hr = midiData_->FindNext(&key, LEVEL_EVENT, &record, &more, kindFilter_);
    }
    return hr;
}

HRESULT COPTPlugin::LoadEvents(std::vector<EventEntry>& list, const EventKey& blockKey) {
    HRESULT hr = BeginRead();
    if (FAILED(hr)) return hr;
    TrackRecord track{};
    BlockRecord block{};
    EventKey trackKey{blockKey.track, 0, 0};
    EventKey blockOnly{blockKey.track, blockKey.block, 0};
    hr = midiData_->Get(&trackKey, LEVEL_TRACK, &track, TIME_FORMAT_TICKS);
    if (SUCCEEDED(hr)) hr = midiData_->Get(&blockOnly, LEVEL_BLOCK, &block, TIME_FORMAT_TICKS);
    if (FAILED(hr)) {
        EndTransaction(false);
        return hr;
    }
    // The whole block in a few calls when the host offers it; else one call per event.
    std::vector<EventEntry> loaded;
    if (!bulkReads_ || ReadBlockInBulk(loaded, blockOnly, track, block) != S_OK) {
        loaded.clear();
        hr = WalkBlock(loaded, blockOnly, track, block);
    }
    EndTransaction(false);
    // Each key goes after the keys already listed that are equal to it in event order; merging the
    // sorted batch gives the same list as inserting the keys one by one.
    // A block's events come in time order, which is event order within one block: the sort is
    // only a guard.
    const auto before = [](const EventEntry& a, const EventEntry& b) { return CompareEventOrder(a, b) < 0; };
    if (!std::is_sorted(loaded.begin(), loaded.end(), before)) std::stable_sort(loaded.begin(), loaded.end(), before);
    if (list.empty()) {
        list = std::move(loaded);
    } else if (!loaded.empty()) {
        std::vector<EventEntry> merged;
        merged.reserve(list.size() + loaded.size());
        std::merge(list.begin(), list.end(), loaded.begin(), loaded.end(), std::back_inserter(merged), before);
        list = std::move(merged);
    }
    if (events_.Holds(list)) ListChanged();
    return FAILED(hr) ? hr : S_OK;
}

const EntryList& COPTPlugin::EventList() {
    FlushListChanges();
    return events_;
}

void COPTPlugin::ExtendReach(std::int64_t time) {
    const std::size_t n = events_.size();
    reachDone_ = std::min(reachDone_, n);
    if (reachDone_ == n || (reachDone_ && reach_[reachDone_ - 1] >= time)) return;
    if (reach_.capacity() < n) {
        std::vector<std::int64_t> room;
        room.reserve(n + n / 32);
        AdviseLargePages(room.data(), room.capacity() * sizeof(std::int64_t));
        room.assign(reach_.begin(), reach_.begin() + static_cast<std::ptrdiff_t>(reachDone_));
        reach_.swap(room);
    }
    if (reach_.size() < n) reach_.resize(n);
    std::int64_t running = reachDone_ ? reach_[reachDone_ - 1] : INT64_MIN;
    std::size_t i = reachDone_;
    for (; i < n && running < time; ++i) {
        const EventEntry& e = events_[i];
        running = std::max(running, std::max(e.end, e.start));
        reach_[i] = running;
    }
    reachDone_ = i;
}

std::size_t COPTPlugin::FirstReaching(std::int64_t time) {
    FlushListChanges();
    // Only as much of the running maximum as the answer needs: after an edit far down the list, a
    // search before it reads nothing new.
    ExtendReach(time);
    const auto done = reach_.begin() + static_cast<std::ptrdiff_t>(reachDone_);
    const auto at = std::lower_bound(reach_.begin(), done, time);
    return at == done ? events_.size() : static_cast<std::size_t>(at - reach_.begin());
}

bool COPTPlugin::StartTableReady() {
    ListIndex& x = listIndex_;
    if (x.startsValid) return true;
    if (startsRefused_ == listLayout_ || events_.empty()) return false;
    startsRefused_ = listLayout_;
    std::uint32_t low = UINT32_MAX, high = 0;
    for (const EventEntry& e : events_) {
        low = std::min(low, e.key.event);
        high = std::max(high, e.key.event);
    }
    const std::uint64_t span = std::uint64_t{high} - low + 1;
    if (low == 0 || span > 4 * std::uint64_t{events_.size()} + 4096) return false;
    x.startById.assign(static_cast<std::size_t>(span), ListIndex::kUnlisted);
    for (const EventEntry& e : events_) {
        std::int64_t& slot = x.startById[e.key.event - low];
        if (slot != ListIndex::kUnlisted) return false; // an id listed twice: only a pass over the list tells them apart
        slot = e.start;
    }
    x.base = low;
    x.startsValid = true;
    return true;
}

bool COPTPlugin::Locate(const EventKey& key, std::size_t* at) const {
    const ListIndex& x = listIndex_;
    *at = SIZE_MAX;
    if (key.event < x.base || key.event - x.base >= x.startById.size()) return true;
    const std::int64_t start = x.startById[key.event - x.base];
    if (start == ListIndex::kUnlisted) return true;
    for (std::size_t i = StartIndex(start); i < events_.size() && events_[i].start == start; ++i)
        if (events_[i].key == key) {
            *at = i;
            return true;
        }
    return false; // its id is listed under another key
}

std::size_t COPTPlugin::FirstStartingAt(std::int64_t time) {
    FlushListChanges();
    return StartIndex(time);
}

std::int64_t COPTPlugin::ListEnd() {
    FlushListChanges();
    ListIndex& x = listIndex_;
    if (!x.endKnown) {
        x.endReach = INT64_MIN;
        x.endCount = 0;
        for (const EventEntry& e : events_) {
            if (ListIndex::Reach(e) > x.endReach) x.endReach = ListIndex::Reach(e), x.endCount = 0;
            x.endCount += ListIndex::Reach(e) == x.endReach;
        }
        x.endKnown = true;
    }
    return events_.empty() ? 0 : std::max<std::int64_t>(x.endReach, 0);
}

} // namespace mp
