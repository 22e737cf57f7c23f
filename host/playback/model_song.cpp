// Reading the project store into a playback song.
#include "playback/model_song.h"

#include <algorithm>

namespace playback {

namespace {
std::uint8_t Limit(int v, int low) { return static_cast<std::uint8_t>(std::clamp(v, low, 127)); }
} // namespace

Song SongFromStore(const host::Store& store) {
    Song song;
    std::vector<TempoChange> tempos;
    for (const auto& t : store.Time().Tempos()) tempos.push_back({t.tick, t.microsPerQuarter});
    song.tempo = TempoMap(static_cast<int>(store.TicksPerQuarter()), std::move(tempos));
    for (std::uint32_t trackId : store.TracksInOrder()) {
        const host::TrackValue* track = store.Track(trackId);
        if (!track) continue;
        SongTrack st;
        st.name = host::EncodeUtf8(track->name);
        st.channel = track->channel;
        st.solo = (track->attributes & mp::TRACK_SOLO) != 0;
        st.mute = (track->attributes & kTrackMuteAttribute) != 0;
        const int transpose = store.PitchOffset() + track->pitchOffset;
        for (std::uint32_t blockId : store.BlocksOf(trackId)) {
            const host::BlockValue* block = store.Block(blockId);
            if (!block) continue;
            const auto& ids = store.EventsOf(blockId);
            st.events.reserve(st.events.size() + ids.size());
            for (std::uint32_t id : ids) {
                host::EventValue v = store.Event(id);
                SongEvent e;
                e.tick = block->start + v.time;
                e.kind = v.kind;
                e.channel = v.channel;
                std::copy(v.data, v.data + 4, e.d);
                if (v.kind == mp::MEK_NOTE || v.kind == mp::MEK_NOTE_OFF || v.kind == mp::MEK_POLY_PRESSURE)
                    e.d[0] = Limit(e.d[0] + transpose, 0);
                if (v.kind == mp::MEK_NOTE) {
                    e.duration = v.length;
                    e.d[1] = Limit(e.d[1] + track->velocityOffset, 1);
                }
                if (!v.bytes.empty())
                    e.data = std::make_shared<const std::vector<std::uint8_t>>(std::move(v.bytes));
                st.events.push_back(std::move(e));
            }
        }
        song.tracks.push_back(std::move(st));
    }
    return song;
}

} // namespace playback
