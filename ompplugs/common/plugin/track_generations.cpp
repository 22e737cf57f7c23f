// Track generations: which tracks a data notification touched, so that copies of other tracks' events
// (the notes the editor shows behind the shown track) are read again only when their track changed.
#include "mp/plugin.h"

#include <algorithm>
#include <atomic>

namespace mp {

std::uint64_t NewTrackGeneration() noexcept {
    static std::atomic<std::uint64_t> last{0};
    return last.fetch_add(1, std::memory_order_relaxed) + 1;
}

void COPTPlugin::TouchTracks(const NotificationRecord& record) {
    if (touched_.all) return;
    if (record.level == LEVEL_TRACK && (record.changeFlags & NCF_OTHER)) {
        for (TrackEntry& entry : tracks_) entry.generation = NewTrackGeneration();
        touched_.all = touched_.active;
        return;
    }
    if (record.level != LEVEL_TRACK && record.level != LEVEL_BLOCK && record.level != LEVEL_EVENT) return;
    // An event or block may move between tracks: both ends change.
    for (const std::uint32_t track : {record.oldKey.track, record.newKey.track}) {
        if (!track || std::find(touched_.tracks.begin(), touched_.tracks.end(), track) != touched_.tracks.end()) continue;
        const int index = TrackIndexOf(track);
        if (index < 0) continue;
        tracks_[static_cast<std::size_t>(index)].generation = NewTrackGeneration();
        if (touched_.active) touched_.tracks.push_back(track);
    }
}

void COPTPlugin::BeginTouchBatch() noexcept {
    touched_.active = true;
    touched_.all = false;
    touched_.tracks.clear();
}

void COPTPlugin::EndTouchBatch() noexcept {
    touched_.active = false;
    touched_.all = false;
    touched_.tracks.clear();
}

} // namespace mp
