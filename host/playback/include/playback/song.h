// What the playback engine plays: a song of tracks of timed events, and its schedule of wire
// messages with solo and mute applied.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "midiout/fluid_synth_output.h"
#include "midiout/message.h"
#include "playback/tempo_map.h"

namespace playback {

struct SongEvent {
    std::int64_t tick = 0;     // absolute
    std::uint32_t kind = 0;    // event-kind bit of the MIDI event record
    int channel = -1;          // 0-15, -1 = none
    std::uint8_t d[4] = {0, 0, 0, 0};
    std::int64_t duration = 0; // notes: length in ticks
    std::shared_ptr<const std::vector<std::uint8_t>> data; // variable-length kinds
};

struct SongTrack {
    std::string name;
    int channel = -1; // when 0-15 it overrides the events' own channels
    bool solo = false;
    bool mute = false;
    std::vector<SongEvent> events; // any order
};

struct Song {
    TempoMap tempo;
    std::vector<SongTrack> tracks;

    // The end of the last event (a note's end counts).
    std::int64_t EndTick() const;
};

// Whether a track sounds: when any track is soloed only soloed tracks do; muted tracks never do.
bool TrackAudible(const Song& song, std::size_t trackIndex);

struct ScheduledEvent {
    std::int64_t tick;
    std::int64_t offTick; // note-ons: when the note ends; -1 otherwise
    midiout::MidiMessage message;
};

struct Schedule {
    TempoMap tempo;
    std::vector<ScheduledEvent> events; // sorted by tick; at one tick other messages precede note-ons
    std::int64_t endTick = 0;
};

std::shared_ptr<const Schedule> BuildSchedule(const Song& song);

// Every message of the song with its time in seconds, note-offs included, in playing order.
std::vector<midiout::TimedMessage> TimedMessages(const Song& song);

// Renders the audible tracks of the song into a WAV file through the built-in synthesizer.
midiout::RenderResult RenderSongToWav(const Song& song, const std::string& path,
                                      const midiout::RenderOptions& options = {});

} // namespace playback
