// Keeping the track table and the event-key list in step with the host's data notifications: the
// immediate phase takes deleted items out (only on the thread that owns the cache; records from
// other threads wait for the deferred phase), the deferred phase reads and places what came in.
#include "mp/plugin.h"

#include <algorithm>

namespace mp {

using namespace win;

bool COPTPlugin::OnCacheThread() const noexcept {
    const std::thread::id owner = cacheThread_.load();
    return owner != std::thread::id{} && owner == std::this_thread::get_id();
}

void COPTPlugin::ClearListChanges() {
    removeKeys_.clear();
    staged_.clear();
    stagedIndex_.clear();
}

void COPTPlugin::StageRemove(const EventKey& key) {
    removeKeys_.insert(key);
    auto it = stagedIndex_.find(key);
    if (it != stagedIndex_.end()) {
        staged_[it->second].key.event = 0; // dropped when the stage is folded in
        stagedIndex_.erase(it);
    }
}

bool COPTPlugin::EntryFor(const EventKey& key, EventEntry* entry) {
    if (!midiData_ || !key.event) return false;
    if (FAILED(BeginRead())) return false;
    MidiEventRecord record{};
    TrackRecord track{};
    BlockRecord block{};
    const EventKey trackKey{key.track, 0, 0};
    const EventKey blockKey{key.track, key.block, 0};
    bool ok = midiData_->Get(&key, LEVEL_EVENT, &record, TIME_FORMAT_TICKS) == S_OK &&
              midiData_->Get(&trackKey, LEVEL_TRACK, &track, TIME_FORMAT_TICKS) == S_OK &&
              midiData_->Get(&blockKey, LEVEL_BLOCK, &block, TIME_FORMAT_TICKS) == S_OK;
    if (ok && IsVariableKind(record.kind) && record.length && record.dataHandle) CoTaskMemFreeHandle(record.dataHandle);
    EndTransaction(false);
    if (!ok || !(record.kind & filterInForce_)) return false;
    int channel = -1;
    if (record.channel >= 0) channel = track.channel >= 0 ? track.channel : record.channel;
    if (channel >= 0 && (channel >= 32 || !(channelMask_ & (1u << channel)))) return false;
    entry->key = key;
    entry->start = block.start + record.time;
    entry->end = record.kind == MEK_NOTE ? entry->start + static_cast<std::int64_t>(record.length) : entry->start;
    entry->order = track.order;
    entry->channel = track.channel;
    entry->kind = record.kind;
    return true;
}

bool COPTPlugin::StageInsert(const EventKey& key) {
    // Only events of the shown track and blocks enter the list.
    if (!(Flags() & PLF_EVENT_LIST_VALID)) return false;
    const int trackIndex = TrackIndexOf(key.track);
    if (trackIndex < 0 || (currentTrack_ != -1 && trackIndex != currentTrack_)) return false;
    if (currentBlock_ != -1) {
        const auto& blocks = tracks_[static_cast<std::size_t>(trackIndex)].blocks;
        const auto at = std::find_if(blocks.begin(), blocks.end(), [&](const EventKey& b) { return b.block == key.block; });
        if (at == blocks.end() || at - blocks.begin() > currentBlock_) return false;
    }
    EventEntry entry{};
    // Whatever copy the list holds goes; the fresh one takes its sorted place.
    StageRemove(key);
    if (!EntryFor(key, &entry)) return false;
    stagedIndex_[key] = staged_.size();
    staged_.push_back(entry);
    return true;
}

void COPTPlugin::FlushListChanges() {
    if (removeKeys_.empty() && staged_.empty()) return;
    if (!removeKeys_.empty()) {
        std::erase_if(events_, [&](const EventEntry& e) { return removeKeys_.count(e.key) != 0; });
        removeKeys_.clear();
    }
    std::erase_if(staged_, [](const EventEntry& e) { return e.key.event == 0; });
    if (!staged_.empty()) {
        std::stable_sort(staged_.begin(), staged_.end(),
                         [](const EventEntry& a, const EventEntry& b) { return CompareEventOrder(a, b) < 0; });
        std::vector<EventEntry> merged;
        merged.reserve(events_.size() + staged_.size());
        std::merge(events_.begin(), events_.end(), staged_.begin(), staged_.end(), std::back_inserter(merged),
                   [](const EventEntry& a, const EventEntry& b) { return CompareEventOrder(a, b) < 0; });
        events_ = std::move(merged);
    }
    staged_.clear();
    stagedIndex_.clear();
    reachValid_ = false;
}

void COPTPlugin::RemoveTrackEntry(std::uint32_t trackId) {
    const int index = TrackIndexOf(trackId);
    if (index < 0) return;
    FlushListChanges();
    if (index == currentTrack_) {
        events_.clear();
        ClearFlags(PLF_EVENT_LIST_VALID);
        currentTrackLost_ = true;
    } else {
        std::erase_if(events_, [&](const EventEntry& e) { return e.key.track == trackId; });
        // The indices after the removed entry move down by one.
        if (currentTrack_ > index) --currentTrack_;
    }
    reachValid_ = false;
    tracks_.erase(tracks_.begin() + index);
}

HRESULT COPTPlugin::UpkeepImmediate(const NotificationRecord& record) {
    HRESULT hr = QueueNotification(&record);
    if (FAILED(hr) || !OnCacheThread()) return hr;
    const std::uint32_t flags = record.changeFlags;
    if (record.level == LEVEL_EVENT) {
        if (flags & NCF_DELETED) StageRemove(record.oldKey);
        else if (flags & NCF_REPLACED) StageRemove(record.oldKey);
    } else if (record.level == LEVEL_TRACK && (flags & NCF_DELETED)) {
        RemoveTrackEntry(record.oldKey.track ? record.oldKey.track : record.newKey.track);
    }
    return hr;
}

HRESULT COPTPlugin::UpkeepDeferred(const NotificationRecord& record) {
    const std::uint32_t flags = record.changeFlags;
    const bool inserted = flags & (NCF_INSERTED | NCF_INSERTED2);
    switch (record.level) {
    case LEVEL_EVENT: {
        if (flags & NCF_DELETED) {
            StageRemove(record.oldKey);
            return S_OK;
        }
        if (flags & NCF_REPLACED) {
            StageRemove(record.oldKey);
            StageInsert(record.newKey);
            return S_OK;
        }
        if (inserted) return StageInsert(record.newKey) ? S_OK : S_FALSE;
        if (flags & NCF_MODIFIED) {
            // The list entry takes the non-zero words of the new key; the event is read again, since
            // a change of duration or kind matters to range queries even when the start stayed.
            EventKey key = record.oldKey;
            if (record.newKey.track) key.track = record.newKey.track;
            if (record.newKey.block) key.block = record.newKey.block;
            if (record.newKey.event) key.event = record.newKey.event;
            if (!(key == record.oldKey)) StageRemove(record.oldKey);
            if (!(Flags() & PLF_EVENT_LIST_VALID)) return S_FALSE;
            // Only events the list shows (or that moved into it) are read again.
            const int trackIndex = TrackIndexOf(key.track);
            if (trackIndex < 0 || (currentTrack_ != -1 && trackIndex != currentTrack_)) return S_FALSE;
            if (!StageInsert(key)) StageRemove(key);
            return S_OK;
        }
        return S_FALSE;
    }
    case LEVEL_BLOCK: {
        const EventKey key = (flags & NCF_DELETED) ? record.oldKey : record.newKey;
        const int trackIndex = TrackIndexOf(key.track);
        if (trackIndex < 0) return (flags & NCF_DELETED) ? S_FALSE : E_UNEXPECTED;
        auto& blocks = tracks_[static_cast<std::size_t>(trackIndex)].blocks;
        const bool current = currentTrack_ == -1 || currentTrack_ == trackIndex;
        if (flags & NCF_DELETED) {
            FlushListChanges();
            std::erase_if(events_, [&](const EventEntry& e) {
                return e.key.track == key.track && e.key.block == key.block;
            });
            std::erase_if(blocks, [&](const EventKey& b) { return b.block == key.block; });
            reachValid_ = false;
            return current ? S_OK : S_FALSE;
        }
        if (inserted) {
            // Blocks are kept in the host's order, which the host gives again.
            std::vector<EventKey> fresh;
            if (FAILED(LoadBlocks(fresh, EventKey{key.track, 0, 0}))) return E_UNEXPECTED;
            blocks = std::move(fresh);
        }
        if (inserted || (flags & (NCF_POSITION_MOVED | NCF_POSITION_MOVED2))) {
            if (!current || !(Flags() & PLF_EVENT_LIST_VALID)) return S_FALSE;
            const auto at = std::find_if(blocks.begin(), blocks.end(), [&](const EventKey& b) { return b.block == key.block; });
            if (at == blocks.end()) return E_UNEXPECTED;
            const int blockIndex = static_cast<int>(at - blocks.begin());
            if (currentBlock_ != -1 && blockIndex > currentBlock_) return S_FALSE;
            return AddBlockEvents(trackIndex, blockIndex);
        }
        return current ? S_OK : S_FALSE;
    }
    case LEVEL_TRACK: {
        if (flags & NCF_DELETED) {
            RemoveTrackEntry(record.oldKey.track ? record.oldKey.track : record.newKey.track);
            if (currentTrackLost_ || currentTrack_ >= static_cast<int>(tracks_.size())) {
                ClearFlags(PLF_EVENT_LIST_VALID);
                return SelectTrack(0, -1);
            }
            return S_OK;
        }
        if (flags & NCF_OTHER) {
            const int current = currentTrack_;
            HRESULT hr = ReloadTracks(true);
            if (FAILED(hr)) return hr;
            return SelectTrack(current, -1);
        }
        if (inserted) {
            const std::uint32_t id = record.newKey.track;
            if (TrackIndexOf(id) >= 0 || !midiData_) return S_FALSE;
            TrackRecord track{};
            const EventKey trackKey{id, 0, 0};
            if (FAILED(BeginRead())) return E_UNEXPECTED;
            const HRESULT hr = midiData_->Get(&trackKey, LEVEL_TRACK, &track, TIME_FORMAT_TICKS);
            EndTransaction(false);
            if (FAILED(hr)) return S_FALSE; // gone again before we looked
            FlushListChanges();
            TrackEntry entry{id, {}, record.newKey.event, track.order};
            auto at = std::upper_bound(tracks_.begin(), tracks_.end(), entry.order,
                                       [](std::uint32_t order, const TrackEntry& e) { return order < e.order; });
            const int index = static_cast<int>(at - tracks_.begin());
            tracks_.insert(at, std::move(entry));
            if (currentTrack_ >= index) ++currentTrack_;
            return S_OK;
        }
        return S_FALSE;
    }
    default: return S_FALSE;
    }
}

} // namespace mp
