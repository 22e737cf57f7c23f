// A small Standard MIDI File writer for the demo song generator.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace demosong {

struct TimedBytes {
    std::int64_t tick;
    std::vector<std::uint8_t> bytes; // a channel message, FF type len data (meta), or F0 ... (sysex)
};

struct SmfTrack {
    std::vector<TimedBytes> events; // any order; end of track is added
};

// Format 1 with the given division. Events of a track are sorted by tick; at one tick note-offs
// come first. Channel messages use running status.
std::vector<std::uint8_t> WriteSmf(const std::vector<SmfTrack>& tracks, int ticksPerQuarter);

} // namespace demosong
