// BarGrid: bars and beats of the song's meter over ticks, and the spacing of the ruler's marks and
// the grid's lines for a zoom level. Snapping, the ruler, the grid and the lanes all ask it.
#pragma once

#include <cstddef>
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

// How the step of a spacing of lines follows the meter. The doubles are kept as the single-meter
// arithmetic had them, so that a song of one meter gets the very same lines.
struct LineSpacing {
    enum class Rule {
        Ticks, // `ticks` in every meter
        Bars,  // a bar counted in quarters (beats x ticks per quarter), the note value not entering
        Marks, // the ruler's marks at least `markDistance` ticks apart, chosen per meter
    };
    Rule rule = Rule::Ticks;
    double ticks = 1;
    std::int64_t markDistance = 0;
    // Zoom: the pixels of a tick's width, the step doubled until its lines are `minLinePixels` apart
    // (0: never), labelled lines at least `minLabelPixels` apart. Lines less than `minDrawnPixels` apart
    // are not drawn.
    double ticksPerPixel = 1;
    int minLinePixels = 0;
    double minLabelPixels = 0;
    int minDrawnPixels = 0;
    // Lines counted from the song's start through every meter (spacings in real time).
    bool fromSongStart = false;
};

// The meter is a list of segments in start order, the first at tick 0 (a list that does not start at 0
// gets 4/4 before its first segment); a new meter starts a new bar. Beats and bars are whole ticks,
// at least 1. Values that name no meter (a count or note value below 1) read as 4. Lookups by tick or
// bar are binary searches.
class BarGrid {
public:
    // 4/4 at the default tick rate.
    BarGrid();
    BarGrid(std::uint32_t ticksPerQuarter, std::vector<MeterSegment> meters);
    // One meter from a time-signature word (beats per bar x 65536 + note value).
    static BarGrid OfTimeSignature(std::uint32_t ticksPerQuarter, std::uint32_t signature);

    std::uint32_t TicksPerQuarter() const noexcept { return ticksPerQuarter_; }
    const std::vector<MeterSegment>& Meters() const noexcept { return meters_; }
    // The index of the meter in force at the tick (0 before the song's start), and that meter.
    std::size_t MeterIndexAt(std::int64_t tick) const;
    const MeterSegment& MeterAt(std::int64_t tick) const { return meters_[MeterIndexAt(tick)]; }
    // Where the meter after meter i starts; the farthest tick for the last one.
    std::int64_t MeterEnd(std::size_t i) const;
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
    // The step of a spacing in a meter.
    GridStep StepIn(const LineSpacing& spacing, const MeterSegment& meter) const;
    // The lines of a spacing: in each meter at round(j x step) ticks after its start (after 0 for one
    // counted from the song's start), a line labelled where j is a multiple of the step's
    // subdivisions (at beat starts for a step without labels). The walk begins `back` lines before
    // the last line at or before `from` and ends when `visit` (tick, labelled) returns false. Across
    // meters, a line closer than `minDrawnPixels` to the one before is left out (as is a last line
    // that close to the next meter's start), and a label closer than `minLabelPixels` to the label
    // before is dropped.
    void ForEachLine(const LineSpacing& spacing, std::int64_t from, std::int64_t back,
                     const std::function<bool(std::int64_t tick, bool labelled)>& visit) const;

private:
    void Index();

    std::uint32_t ticksPerQuarter_;
    std::vector<MeterSegment> meters_;
    std::vector<std::int64_t> firstBar_; // the bar each meter starts
};

} // namespace pianoroll
