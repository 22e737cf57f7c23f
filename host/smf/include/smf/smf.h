// Standard MIDI File reading into the project store and writing from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/store.h"

namespace host::smf {

// Something the reader could not read as it stood in a file it still read.
struct ReadWarning {
    std::string message;    // one line, without the file name
    std::size_t offset = 0; // byte offset in the file where it begins
    // Something was left out or changed (a damaged song); false when all was read and only stored
    // unusually (notes that never end, more tracks than announced).
    bool damage = true;
};

enum class ReadFailure {
    none,
    cannotOpen,  // missing, not permitted, unreadable (error says which)
    notAFile,    // a folder, device, pipe or socket: nothing was read from it
    tooLarge,    // more bytes than a song can hold: nothing was read
    malformed,   // not a MIDI file, or broken where it cannot be read past (offset says where)
};

struct ReadResult {
    bool ok = false;
    ReadFailure failure = ReadFailure::none;
    std::string error;      // one line naming the problem (empty when ok)
    std::size_t offset = 0; // byte offset of the problem in the file
    int format = 0;
    int tracks = 0;
    std::uint32_t ticksPerQuarter = 0;
    // With ok set: what was left out or changed, in file order. Empty for an intact file.
    std::vector<ReadWarning> warnings;
};

// The largest song file the reader takes: every event of it must fit in memory as the store holds it.
constexpr std::uint64_t kMaxSongFileBytes = std::uint64_t{1} << 30;
// The most tracks a MIDI file's header can announce, so the most a song can hold and still be saved.
constexpr int kMaxTracks = static_cast<int>(Store::kMaxTracks);

// Reads a file image. The store is cleared first; on failure it is left empty (never half-loaded).
// Rules: formats 0, 1 and 2 (each file track becomes one host track with one block starting at 0 and
// ending at the track's end); PPQ division only (SMPTE division is refused); unknown chunks are
// skipped; a RIFF "RMID" wrapper is accepted; running status continues across meta and sysex events;
// note-on with velocity 0 is a note-off; notes are paired first-in-first-out per channel and pitch,
// the note-off velocity kept in data 3; a note never closed ends at the track's end; a note-off that
// closes nothing stays a note-off event; the first non-empty track-name meta event at tick 0 names
// the track (others stay meta events); trailing bytes too few for a chunk header are ignored.
// Damaged songs are read as far as they can be, with a warning naming the byte offset of each
// problem: a track chunk whose length runs past the end of the file is read up to its last complete
// event (or, when an end-of-track event comes first, up to it, and the chunks after it are read too);
// a fault inside a track (a status byte where data belongs, an event cut off by the chunk's end)
// keeps the events before it and leaves out the rest of that track; fewer tracks than the header
// announces, events after a track's end-of-track event (zero padding is not warned about) and track
// chunks beyond the 65,535th are left out; notes longer than 2^32 - 1 ticks are shortened. Warned
// about with nothing lost: notes never ended (one warning per track with their count), more tracks
// than the header announces. Only a missing or malformed header refuses the file.
ReadResult Read(const std::uint8_t* data, std::size_t size, Store& store);
// Reads a file, checking it before reading it whole: only a regular file of at most maxBytes is
// read, and one whose first bytes are no MIDI header is refused after reading those alone.
ReadResult ReadFile(const std::string& path, Store& store, std::uint64_t maxBytes = kMaxSongFileBytes);

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
// Replaces the target safely (win/file_replacement.h): a failed save leaves the old file as it was,
// a saved file keeps its mode and owner, a read-only target is refused.
WriteResult WriteFile(const Store& store, const std::string& path);

} // namespace host::smf
