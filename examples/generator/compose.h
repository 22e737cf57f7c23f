// The demo song: a short piece in A minor for lead, chords, bass and drums.
#pragma once

#include <cstdint>
#include <vector>

#include "smf_writer.h"

namespace demosong {

constexpr int kTicksPerQuarter = 480;
constexpr int kBars = 9;
constexpr std::uint32_t kMicrosPerQuarter = 600000; // 100 beats per minute

// Track 0 holds tempo, metre and key; then melody (channel 1), chords (channel 3, with an
// expression sweep), bass (channel 2) and drums (channel 10).
std::vector<SmfTrack> ComposeDemoSong();

} // namespace demosong
