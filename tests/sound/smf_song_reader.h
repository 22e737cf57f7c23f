// Test helper: reads a Standard MIDI File into a playback song (notes paired first-in first-out).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "playback/song.h"

namespace soundtest {

struct ReadSong {
    playback::Song song;
    int tracksInFile = 0;
};

std::optional<ReadSong> ReadSmf(const std::uint8_t* data, std::size_t size, std::string* error = nullptr);

} // namespace soundtest
