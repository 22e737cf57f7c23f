// Other tracks' notes: read through the host's IMPMidiData a track at a time, kept per track until the
// plug-in object's track table says the track changed, and walked by time range for the layer the
// grid draws behind the shown track.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/note.h"

namespace mp {
class COPTPlugin;
} // namespace mp

namespace pianoroll {

// The MIDI channel of drums (channel 10, counted from 0).
constexpr int kDrumChannel = 9;

// A note of another track: where it lies (the track's pitch offsets applied, as its own view shows
// it) and the host key of its event.
struct GhostNote {
    std::int64_t start = 0;
    std::uint32_t length = 0; // ticks
    std::uint32_t block = 0;  // host block id
    std::uint32_t event = 0;  // host event id
    std::uint8_t pitch = 0;   // 0-127
    bool drum = false;        // sounds on the drum channel

    // A note shorter than a tick still takes one.
    std::int64_t End() const noexcept { return start + std::max<std::int64_t>(length, 1); }
};

// One track's notes, sorted by start, with the latest end of each run of notes so that a walk over
// a time range skips the runs that end before it.
class TrackNotes {
public:
    void Assign(std::vector<GhostNote> notes);
    std::size_t Size() const noexcept { return notes_.size(); }
    const std::vector<GhostNote>& All() const noexcept { return notes_; }

    // The notes that reach into [from, to] (ends counted), by start.
    template <class Visit> void ForEachInRange(std::int64_t from, std::int64_t to, Visit&& visit) const {
        const std::size_t runs = runReach_.size();
        for (std::size_t r = 0; r < runs; ++r) {
            const std::size_t first = r * kRun;
            if (notes_[first].start > to) return;
            if (runReach_[r] < from) continue;
            const std::size_t last = std::min(first + kRun, notes_.size());
            for (std::size_t i = first; i < last; ++i) {
                const GhostNote& n = notes_[i];
                if (n.start > to) return;
                if (n.End() >= from) visit(n);
            }
        }
    }

private:
    static constexpr std::size_t kRun = 64;
    std::vector<GhostNote> notes_;
    std::vector<std::int64_t> runReach_;
};

// Reads the notes of the track at a track-table index: every block, the track's channel and pitch
// offset and the host's global one applied. False (and no notes) when the host cannot tell.
bool ReadTrackNotes(mp::COPTPlugin* plugin, int trackIndex, std::vector<GhostNote>* notes);

// The copies of other tracks' notes an editor window keeps. [window thread]
class OtherTracks {
public:
    // The notes of the track at a track-table index, read again when the track changed since they were
    // read; null for an index outside the table or a track the host cannot read.
    const TrackNotes* Notes(mp::COPTPlugin* plugin, int trackIndex);
    // Whether the copy of a track is missing or older than the track (the next Notes reads it).
    bool Stale(const mp::COPTPlugin* plugin, int trackIndex) const;
    // Lets go of the copies of tracks that left the table.
    void Prune(const mp::COPTPlugin* plugin);
    void Clear() noexcept { copies_.clear(); }
    std::size_t CopyCount() const noexcept { return copies_.size(); }

private:
    struct Copy {
        std::uint32_t track = 0;
        std::uint64_t generation = 0;
        bool readable = false;
        TrackNotes notes;
    };
    Copy* Find(std::uint32_t track);
    const Copy* Find(std::uint32_t track) const;
    std::vector<Copy> copies_;
};

} // namespace pianoroll
