// BendMap: a track's pitch bend on each MIDI channel over time: the bend values, and the bend range
// the track sets with registered parameter 0 (pitch-bend sensitivity), two semitones until it does.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "model/note.h"

namespace mp {
class TrackAccess;
} // namespace mp

namespace pianoroll {

constexpr int kMidiChannels = 16;

// One value from its tick until the next.
struct TimedValue {
    std::int64_t tick;
    int value;
    bool operator==(const TimedValue&) const = default;
};

// The values one channel takes over time, in tick order.
class ChannelSteps {
public:
    // Appends a value; ticks must not decrease. A value at the tick of the last one replaces it.
    void Add(std::int64_t tick, int value);
    // The value in force at the tick (the last set at or before it), else the fallback.
    int At(std::int64_t tick, int fallback) const;
    // The values set strictly after `from` and strictly before `to`.
    std::span<const TimedValue> Between(std::int64_t from, std::int64_t to) const;
    const std::vector<TimedValue>& Values() const noexcept { return values_; }

private:
    std::vector<TimedValue> values_;
};

// Which registered or non-registered parameter data entry goes to, per channel.
struct ParameterChoice {
    int msb = 127; // 127/127 is the null parameter: data entry changes nothing
    int lsb = 127;
    bool nonRegistered = false;
};

class BendMap {
public:
    // ---- building, in tick order ----
    void AddBend(int channel, std::int64_t tick, int value);
    // Parameter selection (controllers 101/100 and 99/98), data entry (6 and 38) of pitch-bend
    // sensitivity, and Reset All Controllers (121, which deselects the parameter but keeps the range).
    // Data increment and decrement (96, 97) are not applied: their step is left to each device.
    void AddController(int channel, std::int64_t tick, int controller, int value);

    // ---- reading; a channel outside 0-15 has no bends and the default range ----
    // The bend range in semitones in force on the channel at the tick.
    double RangeAt(int channel, std::int64_t tick) const;
    // The largest range the channel has at any time.
    double LargestRange(int channel) const;
    // The bend value (0-16383) in force on the channel at the tick.
    int BendAt(int channel, std::int64_t tick) const;
    // Whether the bend leaves the centre at any time in [start, end).
    bool BentDuring(int channel, std::int64_t start, std::int64_t end) const;
    // The bend values and the ranges (in cents) set on the channel.
    const ChannelSteps& Bends(int channel) const;
    const ChannelSteps& Ranges(int channel) const;

private:
    std::array<ChannelSteps, kMidiChannels> bends_;
    std::array<ChannelSteps, kMidiChannels> ranges_; // cents: semitones x 100 + data entry LSB
    std::array<ParameterChoice, kMidiChannels> choice_;
};

// The channel an event of the track sounds on: the track's when it has one, else the event's own.
int SoundingChannel(int trackChannel, int eventChannel);
// The map of lane events (control changes and pitch bends) in tick order; events of one tick keep
// their order. `trackChannel` (0-15, or -1 for none) is the channel the track plays its events on.
BendMap BuildBendMap(const std::vector<LaneEvent>& events, int trackChannel);
// The map of the shown track; with `pending`, of its events as the pending edit leaves them.
BendMap ReadBendMap(mp::TrackAccess* access, bool pending);

} // namespace pianoroll
