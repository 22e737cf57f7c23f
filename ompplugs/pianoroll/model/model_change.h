// ModelChange: what the host changed in the shown track since the editor last looked, as ticks and
// rows, so that a view repaints what changed and refills its track list only when tracks changed.
#pragma once

#include <cstdint>

namespace mp {
class TrackAccess;
} // namespace mp

namespace pianoroll {

// What changed.
enum : std::uint32_t {
    MODEL_NOTES = 0x1,       // notes came, went or changed within the span and rows
    MODEL_LANE_EVENTS = 0x2, // controller or pitch-bend events within the span
    MODEL_OTHER_EVENTS = 0x4, // events of other kinds within the span
    MODEL_TRACKS = 0x8,      // tracks or blocks: names, order, and anything of the shown track
};

struct ModelChange {
    std::uint32_t what = 0;
    // The ticks touched, both ends included; empty when to < from.
    std::int64_t from = 0;
    std::int64_t to = -1;
    // The rows of the notes touched, top first; empty when bottom < top.
    int topRow = 0;
    int bottomRow = -1;

    bool Empty() const noexcept { return what == 0; }
    bool TracksChanged() const noexcept { return (what & MODEL_TRACKS) != 0; }
    bool HasSpan() const noexcept { return to >= from; }
    bool HasRows() const noexcept { return bottomRow >= topRow; }
};

// What the host's notifications changed since the last call, as the deferred phase folded them into
// the track access's cache; the record starts afresh. [window thread]
ModelChange TakeModelChange(mp::TrackAccess* access);

} // namespace pianoroll
