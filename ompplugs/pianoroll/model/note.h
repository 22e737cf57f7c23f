// The editor's own types for the events of the shown track: notes and the lanes' events at absolute
// ticks, and where each lives (a host event, or an insert of the pending edit).
#pragma once

#include <cstdint>

#include "mp/records.h"

namespace pianoroll {

// A host event's address.
using NoteKey = mp::EventKey;

constexpr int kLowestPitch = 0;
constexpr int kHighestPitch = 127;
// The pitch bend a track rests at, and the largest one.
constexpr int kBendCentre = 8192;
constexpr int kBendMax = 16383;

// Where an event of the edit lives: a host event (its key) or an insert of the pending edit (its
// index), with the start of the block its time counts from. The model fills it when it reads an
// event; the rest of the editor hands it back unchanged.
struct EventRef {
    NoteKey key{};
    int insert = -1;
    std::int64_t base = 0;

    bool Inserted() const noexcept { return insert >= 0; }
};

// A note as the editor shows it: absolute ticks, the track's pitch and velocity offsets applied.
struct Note {
    EventRef ref{};
    std::int64_t start = 0;
    std::int64_t length = 0; // 0 .. 2^32 - 1 ticks
    int pitch = 0;           // 0-127
    int velocity = 0;        // 0-127
    int channel = 0;         // the event's own channel; edits leave it
    bool selected = false;

    const NoteKey& Key() const noexcept { return ref.key; }
    std::int64_t End() const noexcept { return start + length; }
};

// The events the controller lanes show and write.
enum class LaneKind : std::uint8_t { Controller, PitchBend };

// A control change (controller 0-127, value 0-127) or a pitch bend (value 0-16383, kBendCentre
// at rest) at an absolute tick.
struct LaneEvent {
    EventRef ref{};
    LaneKind kind = LaneKind::Controller;
    std::int64_t tick = 0;
    int controller = 0; // control changes only
    int value = 0;
    int channel = 0; // the event's own channel; edits leave it
    bool selected = false;
};

// Which lane events a walk or a lane looks at: every pitch bend, or the changes of one controller.
struct LaneFilter {
    LaneKind kind = LaneKind::Controller;
    int controller = 0;

    bool Matches(const LaneEvent& e) const noexcept {
        return e.kind == kind && (kind != LaneKind::Controller || e.controller == controller);
    }
};

} // namespace pianoroll
