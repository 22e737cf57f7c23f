// The plug-in object's cache: the track table (tracks in track order with their blocks), the
// event-key list of the shown events in event order, and the host transactions around every read.
#include "mp/plugin.h"

#include <algorithm>

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
    filterInForce_ = kindFilter_;
    HRESULT result = S_OK;
    const std::size_t firstTrack = track < 0 ? 0 : static_cast<std::size_t>(track);
    const std::size_t lastTrack = track < 0 ? tracks_.size() : std::min(tracks_.size(), firstTrack + 1);
    for (std::size_t t = firstTrack; t < lastTrack; ++t) {
        const std::size_t count = tracks_[t].blocks.size();
        // A block index past the last block shows none.
        if (block >= 0 && static_cast<std::size_t>(block) >= count) continue;
        const std::size_t upTo = block < 0 ? count : static_cast<std::size_t>(block) + 1;
        for (std::size_t b = 0; b < upTo && b < tracks_[t].blocks.size(); ++b) {
            HRESULT hr = LoadEvents(events_, tracks_[t].blocks[b]);
            if (FAILED(hr) && SUCCEEDED(result)) result = hr;
        }
    }
    SetFlags(PLF_EVENT_LIST_VALID);
    return result;
}

HRESULT COPTPlugin::AddBlockEvents(int track, int block) {
    if (currentTrack_ != -1 && track != currentTrack_) return S_FALSE;
    if (track < 0 || static_cast<std::size_t>(track) >= tracks_.size()) return S_FALSE;
    const TrackEntry& entry = tracks_[static_cast<std::size_t>(track)];
    if (block < 0 || static_cast<std::size_t>(block) >= entry.blocks.size()) return S_FALSE;
    const EventKey blockKey = entry.blocks[static_cast<std::size_t>(block)];
    FlushListChanges();
    std::erase_if(events_, [&](const EventEntry& e) {
        return e.key.track == blockKey.track && e.key.block == blockKey.block;
    });
    ListChanged();
    HRESULT hr = LoadEvents(events_, blockKey);
    SetFlags(PLF_EVENT_LIST_VALID);
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
    std::vector<EventEntry> loaded;
    EventKey key = blockOnly;
    MidiEventRecord record{};
    BOOL more = FALSE;
    hr = midiData_->FindFirst(&key, LEVEL_EVENT, &record, &more, kindFilter_);
    while (hr == S_OK) {
        if (key.event) {
            FreeEventData(record);
            int channel = -1;
            if (record.channel >= 0) channel = track.channel >= 0 ? track.channel : record.channel;
            if (channel < 0 || (channel < 32 && (channelMask_ & (1u << channel)))) {
                std::int64_t time = record.time;
                if (record.timeFormat == TIME_FORMAT_NANOSECONDS && timeFormat_) {
                    std::int64_t ticks = 0;
                    std::int64_t startNs = 0;
                    if (SUCCEEDED(timeFormat_->ConvertTime(block.start, TIME_FORMAT_TICKS, timeContext_, &startNs,
                                                           TIME_FORMAT_NANOSECONDS, timeContext_)) &&
                        SUCCEEDED(timeFormat_->ConvertTime(startNs + record.time, TIME_FORMAT_NANOSECONDS,
                                                           timeContext_, &ticks, TIME_FORMAT_TICKS, timeContext_)))
                        time = ticks - block.start;
                }
                EventEntry e{};
                e.key = key;
                e.start = block.start + time;
                e.end = record.kind == MEK_NOTE ? e.start + static_cast<std::int64_t>(record.length) : e.start;
                e.order = track.order;
                e.channel = track.channel;
                e.kind = record.kind;
                e.pitch = record.data[0];
                loaded.push_back(e);
            }
        }
        if (!more || !key.event) break;
        hr = midiData_->FindNext(&key, LEVEL_EVENT, &record, &more, kindFilter_);
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
    if (&list == &events_) ListChanged();
    return FAILED(hr) ? hr : S_OK;
}

const std::vector<EventEntry>& COPTPlugin::EventList() {
    FlushListChanges();
    return events_;
}

std::size_t COPTPlugin::FirstReaching(std::int64_t time) {
    FlushListChanges();
    if (!reachValid_) {
        reach_.resize(events_.size());
        std::int64_t running = INT64_MIN;
        for (std::size_t i = 0; i < events_.size(); ++i) {
            running = std::max(running, std::max(events_[i].end, events_[i].start));
            reach_[i] = running;
        }
        reachValid_ = true;
    }
    return static_cast<std::size_t>(std::lower_bound(reach_.begin(), reach_.end(), time) - reach_.begin());
}

std::size_t COPTPlugin::FirstStartingAt(std::int64_t time) {
    FlushListChanges();
    return static_cast<std::size_t>(
        std::lower_bound(events_.begin(), events_.end(), time,
                         [](const EventEntry& e, std::int64_t t) { return e.start < t; }) -
        events_.begin());
}

std::int64_t COPTPlugin::ListEnd() {
    FirstReaching(0);
    return reach_.empty() ? 0 : std::max<std::int64_t>(reach_.back(), 0);
}

} // namespace mp
