// The tempo map: conversion between ticks and microseconds of song time.
#pragma once

#include <cstdint>
#include <vector>

namespace playback {

struct TempoChange {
    std::int64_t tick;
    std::uint32_t microsPerQuarter;
};

class TempoMap {
public:
    static constexpr std::uint32_t kDefaultMicrosPerQuarter = 500000; // 120 beats per minute

    // Changes may come unsorted; a change with tempo 0 is ignored, a later change at the same tick
    // wins. Ticks per quarter below 1 fall back to 480.
    explicit TempoMap(int ticksPerQuarter = 480, std::vector<TempoChange> changes = {});

    int TicksPerQuarter() const { return ppq_; }
    // Song time of a tick (floor). Ticks before 0 extrapolate the first tempo.
    std::int64_t TickToMicros(std::int64_t tick) const;
    // The last tick whose song time is at or before `micros`.
    std::int64_t MicrosToTick(std::int64_t micros) const;
    double TickToSeconds(std::int64_t tick) const { return static_cast<double>(TickToMicros(tick)) / 1e6; }
    std::uint32_t MicrosPerQuarterAt(std::int64_t tick) const;

private:
    struct Segment {
        std::int64_t tick;
        std::int64_t micros;
        std::uint32_t microsPerQuarter;
    };
    const Segment& SegmentForTick(std::int64_t tick) const;

    int ppq_;
    std::vector<Segment> segments_; // never empty; first starts at tick 0
};

} // namespace playback
