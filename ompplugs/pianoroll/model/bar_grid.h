// BarGrid: bars and beats of the song's meter over ticks, and the spacing of the ruler's marks and
// the grid's lines for a zoom level. Snapping, the ruler, the grid and the lanes all ask it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

namespace pianoroll {

// Used when the track reports no tick rate.
constexpr std::uint32_t kDefaultTicksPerQuarter = 24576;

// One meter of the song from its start tick on: beatsPerBar beats of the note 1/noteValue.
struct MeterSegment {
    std::int64_t start = 0;
    int beatsPerBar = 4;
    int noteValue = 4;
};

// The spacing of marks or lines: ticks from one to the next, how many of them from one labelled mark
// to the next, and whether marks carry labels at all.
struct GridStep {
    double step = 1;
    int subdivisions = 4;
    bool labelled = true;
};

// A tick as bar, beat and ticks into the beat, each counted from 0.
struct BarPosition {
    std::int64_t bar = 0;
    std::int64_t beat = 0;
    std::int64_t tick = 0;
};

// The meter is a list of segments in start order, the first at tick 0 (a list that does not start at 0
// gets 4/4 before its first segment); a new meter starts a new bar. Beats and bars are whole ticks,
// at least 1. Values that name no meter (a count or note value below 1) read as 4.
class BarGrid {
public:
    // 4/4 at the default tick rate.
    BarGrid();
    BarGrid(std::uint32_t ticksPerQuarter, std::vector<MeterSegment> meters);
    // One meter from a time-signature word (beats per bar x 65536 + note value).
    static BarGrid OfTimeSignature(std::uint32_t ticksPerQuarter, std::uint32_t signature);

    std::uint32_t TicksPerQuarter() const noexcept { return ticksPerQuarter_; }
    const std::vector<MeterSegment>& Meters() const noexcept { return meters_; }
    // The meter in force at the tick (the first one before the song's start).
    const MeterSegment& MeterAt(std::int64_t tick) const;
    std::int64_t BeatTicks(const MeterSegment& meter) const;
    std::int64_t BarTicks(const MeterSegment& meter) const;

    // Bar, beat and ticks into the beat of a tick at or after 0.
    BarPosition PositionOf(std::int64_t tick) const;
    // The tick where a bar (from 0) starts.
    std::int64_t BarStart(std::int64_t bar) const;
    bool IsBeatStart(std::int64_t tick) const { return PositionOf(tick).tick == 0; }

    // The ruler's marks at least `minDistance` ticks apart, in the meter in force at `at`: whole bars
    // (a power of two of them, doubled), beats that divide the bar, or halvings of a beat.
    GridStep MarkStep(std::int64_t minDistance, std::int64_t at = 0) const;
    // The lines of a spacing, counted from 0 at the song's start: in each meter they lie at round(j x
    // step) ticks after its start. The walk begins at line max(firstIndex, 0) and ends when `visit`
    // (tick, index) returns false.
    void ForEachLine(double step, std::int64_t firstIndex,
                     const std::function<bool(std::int64_t tick, std::int64_t index)>& visit) const;
    // The index of the last line of a spacing at or before the tick (-1 before 0).
    std::int64_t LineIndexAt(double step, std::int64_t tick) const;

private:
    std::uint32_t ticksPerQuarter_;
    std::vector<MeterSegment> meters_;
};

} // namespace pianoroll
