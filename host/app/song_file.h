// Song files as the application keeps them: a Standard MIDI File whose first track may carry the
// editor's settings stream in a sequencer-specific meta event of our own manufacturer id.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/store.h"

namespace host::app {

constexpr std::uint8_t kSequencerSpecificMeta = 0x7F;
constexpr std::uint8_t kSettingsManufacturerId = 0x7D;
// The fixed part of the settings stream: its header and block. What follows it (the settings of later
// features) is kept in a second event right after the first, so that a build that knows only the fixed
// part reads the first event as it always did and drops the second.
constexpr std::size_t kSettingsFixedBytes = 12 + 328;
constexpr char kSettingsExtensionTag[4] = {'P', 'R', 'X', '1'};

// Removes every settings meta event from the first track of the store (outside the undo history)
// and returns the payload of the first one, joined by the first later one that holds an extension
// when the first is exactly the fixed part; empty when there is none. *found tells the two apart.
std::vector<std::uint8_t> TakeSettingsEvent(Store& store, bool* found);

// Puts the settings meta event with the payload at tick 0 in front of the first track chunk of a
// written file image: the fixed part in one event and the rest, if any, in a second one after it.
// False (image untouched) when the image has no track chunk.
bool InsertSettingsEvent(std::vector<std::uint8_t>& image, const std::vector<std::uint8_t>& payload);

// Replaces the file at path with bytes, all or nothing, keeping its mode and owner and writing
// through a symbolic link to the real file (win/file_replacement.h). error names the problem.
bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error);

// The file name part of a path ("dir/song.mid" -> "song.mid").
std::string BaseName(const std::string& path);

} // namespace host::app
