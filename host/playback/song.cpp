// Songs, their schedules, and offline rendering of a song.
#include "playback/song.h"

#include <algorithm>

#include "playback/sequencer.h"

namespace playback {

namespace {
constexpr std::uint32_t kNoteKind = 0x40;

int EffectiveChannel(const SongTrack& track, const SongEvent& ev) {
    if (track.channel >= 0 && track.channel <= 15) return track.channel;
    if (ev.channel >= 0 && ev.channel <= 15) return ev.channel;
    return 0;
}
} // namespace

std::int64_t Song::EndTick() const {
    std::int64_t end = 0;
    for (const auto& t : tracks)
        for (const auto& e : t.events)
            end = std::max(end, e.tick + (e.kind == kNoteKind ? std::max<std::int64_t>(0, e.duration) : 0));
    return end;
}

bool TrackAudible(const Song& song, std::size_t trackIndex) {
    if (trackIndex >= song.tracks.size()) return false;
    const auto& t = song.tracks[trackIndex];
    if (t.mute) return false;
    const bool anySolo = std::any_of(song.tracks.begin(), song.tracks.end(), [](const SongTrack& x) { return x.solo; });
    return !anySolo || t.solo;
}

std::shared_ptr<const Schedule> BuildSchedule(const Song& song) {
    auto schedule = std::make_shared<Schedule>();
    schedule->tempo = song.tempo;
    std::vector<midiout::MidiMessage> messages;
    for (std::size_t i = 0; i < song.tracks.size(); ++i) {
        if (!TrackAudible(song, i)) continue;
        const SongTrack& track = song.tracks[i];
        for (const SongEvent& ev : track.events) {
            if (ev.tick < 0) continue;
            midiout::EventFields f;
            f.kind = ev.kind;
            f.channel = EffectiveChannel(track, ev);
            std::copy(ev.d, ev.d + 4, f.d);
            if (ev.data) {
                f.data = ev.data->data();
                f.dataSize = ev.data->size();
            }
            messages.clear();
            midiout::AppendMessages(f, messages);
            for (auto& m : messages) {
                const bool note = ev.kind == kNoteKind && m.IsNoteOn();
                const std::int64_t off = note ? ev.tick + std::max<std::int64_t>(0, ev.duration) : -1;
                schedule->events.push_back({ev.tick, off, std::move(m)});
                schedule->endTick = std::max(schedule->endTick, std::max(ev.tick, off));
            }
        }
    }
    std::stable_sort(schedule->events.begin(), schedule->events.end(),
                     [](const ScheduledEvent& a, const ScheduledEvent& b) {
                         if (a.tick != b.tick) return a.tick < b.tick;
                         return (a.offTick < 0) && (b.offTick >= 0);
                     });
    return schedule;
}

std::vector<midiout::TimedMessage> TimedMessages(const Song& song) {
    auto schedule = BuildSchedule(song);
    std::vector<midiout::TimedMessage> out;
    out.reserve(schedule->events.size() * 2);
    Sequencer seq(schedule);
    auto emit = [&](std::int64_t tick, const midiout::MidiMessage& m) {
        out.push_back({schedule->tempo.TickToSeconds(tick), m});
    };
    seq.Locate(0, emit);
    while (seq.NextTick() != Sequencer::kNever) seq.EmitNext(emit);
    return out;
}

midiout::RenderResult RenderSongToWav(const Song& song, const std::string& path, const midiout::RenderOptions& options) {
    return midiout::RenderToWav(TimedMessages(song), path, options);
}

} // namespace playback
