// Standard MIDI File reading into the project store and writing from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/store.h"

namespace host::smf {

struct ReadResult {
    bool ok = false;
    std::string error;      // one line naming the problem (empty when ok)
    std::size_t offset = 0; // byte offset of the problem in the file
    int format = 0;
    int tracks = 0;
    std::uint32_t ticksPerQuarter = 0;
};

// Reads a file image. The store is cleared first; on failure it is left empty (never half-loaded).
// Rules: formats 0, 1 and 2 (each file track becomes one host track with one block starting at 0 and
// ending at the track's end); PPQ division only (SMPTE division is refused); unknown chunks are
// skipped; a RIFF "RMID" wrapper is accepted; running status continues across meta and sysex events;
// note-on with velocity 0 is a note-off; notes are paired first-in-first-out per channel and pitch,
// the note-off velocity kept in data 3; a note never closed ends at the track's end; a note-off that
// closes nothing stays a note-off event; the first non-empty track-name meta event at tick 0 names
// the track (others stay meta events); trailing bytes too few for a chunk header are ignored;
// bytes after the end-of-track event are ignored.
ReadResult Read(const std::uint8_t* data, std::size_t size, Store& store);
ReadResult ReadFile(const std::string& path, Store& store);

struct WriteResult {
    bool ok = false;
    std::string error;
    std::size_t skippedEvents = 0; // kinds a MIDI file cannot hold (MCI, wave data)
};

// Writes format 1: one file track per host track in track order, the track name first, notes as
// note-on/note-off pairs (at one tick the offs of notes that began earlier come first; a zero-length
// note's off follows its own on), running status, an end-of-track event at the track's end.
// A track with a channel writes its channel events on that channel.
WriteResult Write(const Store& store, std::vector<std::uint8_t>& out);
// Writes to a temporary file beside the target and renames it over the target, so a failed save
// leaves the old file as it was.
WriteResult WriteFile(const Store& store, const std::string& path);

} // namespace host::smf
