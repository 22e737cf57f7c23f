// The song the project store holds, as the playback engine plays it.
#pragma once

#include "model/store.h"
#include "playback/song.h"

namespace playback {

// Track attribute bit the host uses for a muted track (bit 0 is solo).
constexpr std::uint32_t kTrackMuteAttribute = 0x2;

// Tracks in track order with their blocks' events at absolute ticks. The project's and each
// track's pitch offset transpose notes, the track's velocity offset changes note velocities
// (both limited to the MIDI range), and the track's channel, when it has one, overrides the events'.
Song SongFromStore(const host::Store& store);

} // namespace playback
