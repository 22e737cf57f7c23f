// The plug-in object's track table: tracks in track order, each with its blocks in host order.
#include "mp/plugin.h"

#include <algorithm>

namespace mp {

using namespace win;

void COPTPlugin::DestroyTrackTable() {
    tracks_.clear();
    trackTableExists_ = false;
}

HRESULT COPTPlugin::LoadTracks() {
    trackTableExists_ = true;
    if (!midiData_) return E_UNEXPECTED;
    HRESULT hr = midiData_->BeginTransaction(TRANSACTION_READ, nullptr);
    if (FAILED(hr)) return hr;
    ++transactionDepth_;

    EventKey key{};
    TrackRecord record{};
    BOOL more = FALSE;
    bool first = true;
    channelUse_ = 0;
    channelCount_ = 0;
    hr = midiData_->FindFirst(&key, LEVEL_TRACK, &record, &more, FIND_ALL_ITEMS);
    while (hr == S_OK && key.track) {
        TrackEntry entry{key.track, {}, key.event, record.order};
        auto at = std::upper_bound(tracks_.begin(), tracks_.end(), entry.order,
                                   [](std::uint32_t order, const TrackEntry& e) { return order < e.order; });
        tracks_.insert(at, std::move(entry));
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
    if (transactionDepth_) {
        midiData_->EndTransaction(FALSE);
        --transactionDepth_;
    }
    return FAILED(hr) ? hr : S_OK;
}

HRESULT COPTPlugin::LoadBlocks(std::vector<EventKey>& blocks, const EventKey& trackKey) {
    if (!midiData_) return E_UNEXPECTED;
    HRESULT hr = midiData_->BeginTransaction(TRANSACTION_READ, nullptr);
    if (FAILED(hr)) return hr;
    ++transactionDepth_;
    EventKey key{trackKey.track, 0, 0};
    BlockRecord record{};
    BOOL more = FALSE;
    hr = midiData_->FindFirst(&key, LEVEL_BLOCK, &record, &more, FIND_ALL_ITEMS);
    while (hr == S_OK && key.block) {
        blocks.push_back(EventKey{key.track, key.block, 0});
        if (!more) break;
        hr = midiData_->FindNext(&key, LEVEL_BLOCK, &record, &more, FIND_ALL_ITEMS);
    }
    if (transactionDepth_) {
        midiData_->EndTransaction(FALSE);
        --transactionDepth_;
    }
    return FAILED(hr) ? hr : S_OK;
}

HRESULT COPTPlugin::ReloadTracks(bool reset) {
    if (reset) {
        DestroyTrackTable();
        ClearFlags(PLF_TRACKS_LOADED | PLF_BLOCKS_LOADED | PLF_EVENT_LIST_VALID);
    }
    trackTableExists_ = true;
    eventKeys_.clear();
    HRESULT hr = S_OK;
    if (!(Flags() & PLF_TRACKS_LOADED)) hr = LoadTracks();
    if (!(Flags() & PLF_BLOCKS_LOADED))
        for (TrackEntry& entry : tracks_) {
            HRESULT blockHr = LoadBlocks(entry.blocks, EventKey{entry.track, 0, entry.keyWord3});
            if (FAILED(blockHr) && SUCCEEDED(hr)) hr = blockHr;
        }
    // Left unset after a failure so that the next reload asks the host again.
    if (SUCCEEDED(hr)) SetFlags(PLF_TRACKS_LOADED | PLF_BLOCKS_LOADED);
    return hr;
}

} // namespace mp
