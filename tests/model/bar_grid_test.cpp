// The bar grid: the ruler's mark spacing, bars and beats over a meter map, and the lines of a spacing.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "model/bar_grid.h"

namespace {

using pianoroll::BarGrid;
using pianoroll::GridStep;
using pianoroll::LineSpacing;
using pianoroll::MeterSegment;

GridStep Step(std::uint32_t tpq, int beats, int value, std::int64_t minDistance) {
    return BarGrid(tpq, {MeterSegment{0, beats, value}}).MarkStep(minDistance);
}

TEST(BarGridMarks, FollowTheMeterFromBeatHalvingsToPowersOfTwoOfBars) {
    struct Case {
        const char* what;
        int ppq, numerator, denominator;
        std::int64_t minTicks;
        std::int64_t step;
        int subdivisions; // 0: not checked
    } cases[] = {
        {"less than a measure: two beats, which divide the measure", 480, 4, 4, 500, 960, 4},
        {"several measures: B = 2 adds a measure, then twice the power of two below", 480, 4, 4, 5000, 7680, 4},
        {"two measures and a beat: twice the power of two at or below", 480, 4, 4, 4320, 7680, 4},
        {"a measure and a beat: B = 1 adds nothing, two measures", 480, 4, 4, 2400, 3840, 4},
        {"under a beat: halves of the beat", 480, 4, 4, 100, 120, 0},
        {"between half a beat and a beat: one beat", 480, 4, 4, 300, 480, 0},
        {"3/4: three beats equal the numerator, a whole measure", 480, 3, 4, 1000, 1440, 3},
        {"3/4 over two measures: 3 x 2 is no multiple of 4", 480, 3, 4, 1500, 2880, 2},
        {"6/8: eighth-note beats", 480, 6, 8, 500, 720, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const GridStep s = Step(c.ppq, c.numerator, c.denominator, c.minTicks);
        EXPECT_EQ(s.step, c.step);
        if (c.subdivisions) {
            EXPECT_EQ(s.subdivisions, c.subdivisions);
        }
    }
    EXPECT_TRUE(Step(480, 4, 4, 500).labelled);
    EXPECT_FALSE(Step(480, 4, 4, 100).labelled); // parts of a beat carry no labels
    EXPECT_FALSE(Step(480, 4, 4, 240).labelled); // half a beat is still a part of one
    // Degenerate input stays positive and finite.
    EXPECT_GE(Step(0, 0, 0, 0).step, 1);
    EXPECT_EQ(Step(480, 4, 4, 0).step, 2); // halves of the beat go down to 2 ticks
    EXPECT_GE(Step(1, 4, 4, -50).step, 1);
    // A signature without beats or note value counts as 4/4, and so does a grid made of nothing.
    EXPECT_EQ(Step(480, 0, 0, 3000).step, Step(480, 4, 4, 3000).step);
    const pianoroll::BarPosition unset = BarGrid(480, {MeterSegment{0, 0, 0}}).PositionOf(2400);
    EXPECT_EQ(std::tuple(unset.bar, unset.beat, unset.tick), std::tuple(1, 1, 0)) << "quarter-note beats";
    EXPECT_EQ(BarGrid().MarkStep(98304).step, Step(24576, 4, 4, 98304).step);
    EXPECT_EQ(BarGrid::OfTimeSignature(480, 3 << 16 | 4).MarkStep(1000).step, 1440);
    // Measures double no further than 2^40 (a step of 2^41 one-tick measures), however far apart asked.
    EXPECT_EQ(Step(1, 1, 4, std::int64_t{1} << 50).step, static_cast<double>(std::int64_t{1} << 41));
    // With a meter map the meter in force at the asked tick decides.
    const BarGrid map(480, {{0, 4, 4}, {3840, 3, 4}});
    EXPECT_EQ(std::tuple(map.MarkStep(1000, 0).step, map.MarkStep(1000, 4000).step), std::tuple(1920, 1440));
}

TEST(BarGridBars, CountBarsAndBeatsAcrossMeterChanges) {
    // 4/4 for two bars, 3/4 from 3840, 6/8 from 5000 (3/4 had one bar, cut short).
    const BarGrid grid(480, {{5000, 6, 8}, {3840, 3, 4}, {0, 4, 4}});
    ASSERT_EQ(grid.Meters().size(), 3u);
    EXPECT_EQ(grid.Meters()[1].start, 3840) << "segments are put in start order";
    EXPECT_EQ(std::tuple(grid.MeterAt(-10).beatsPerBar, grid.MeterAt(3839).beatsPerBar, grid.MeterAt(3840).beatsPerBar),
              std::tuple(4, 4, 3));
    EXPECT_EQ(grid.BeatTicks(grid.MeterAt(6000)), 240);
    const pianoroll::BarPosition p = grid.PositionOf(1920 + 480 * 2 + 7);
    EXPECT_EQ(std::tuple(p.bar, p.beat, p.tick), std::tuple(1, 2, 7));
    EXPECT_EQ((std::vector{grid.PositionOf(3840).bar, grid.PositionOf(4999).bar, grid.PositionOf(5000).bar,
                           grid.PositionOf(5000 + 1440 + 250).beat, grid.PositionOf(-5).bar}),
              (std::vector<std::int64_t>{2, 2, 3, 1, 0}));
    for (std::int64_t bar : {0, 1, 2, 3, 4, 7})
        EXPECT_EQ(grid.PositionOf(grid.BarStart(bar)).bar, bar) << bar;
    EXPECT_EQ(std::tuple(grid.BarStart(2), grid.BarStart(5)), std::tuple(3840, 5000 + 2 * 1440));
    EXPECT_TRUE(grid.IsBeatStart(3840 + 480));
    EXPECT_FALSE(grid.IsBeatStart(3840 + 481));
    // Two meters at one tick: the later one holds; a map not starting at 0 gets 4/4 before it.
    EXPECT_EQ(BarGrid(480, {{0, 2, 4}, {0, 5, 4}}).MeterAt(0).beatsPerBar, 5);
    const BarGrid late(480, {{960, 3, 4}});
    EXPECT_EQ(std::tuple(late.Meters().size(), late.MeterAt(0).beatsPerBar), std::tuple(2u, 4));
}

struct Line {
    std::int64_t tick;
    bool labelled;
    bool operator==(const Line&) const = default;
};

std::vector<Line> Lines(const BarGrid& grid, const LineSpacing& spacing, std::int64_t from, std::int64_t back, int count) {
    std::vector<Line> lines;
    grid.ForEachLine(spacing, from, back, [&](std::int64_t tick, bool labelled) {
        lines.push_back({tick, labelled});
        return static_cast<int>(lines.size()) < count;
    });
    return lines;
}

std::vector<std::int64_t> Ticks(const std::vector<Line>& lines) {
    std::vector<std::int64_t> ticks;
    for (const Line& l : lines) ticks.push_back(l.tick);
    return ticks;
}

LineSpacing Every(double ticks) {
    LineSpacing s;
    s.ticks = ticks;
    return s;
}

TEST(BarGridLines, LieAtRoundedMultiplesAndRestartAtEachMeter) {
    const BarGrid one(480, {{0, 4, 4}});
    EXPECT_EQ(Ticks(Lines(one, Every(2.5), 0, 0, 4)), (std::vector<std::int64_t>{0, 3, 5, 8})) << "round half away from zero";
    EXPECT_EQ(Ticks(Lines(one, Every(100), -300, 3, 2)), (std::vector<std::int64_t>{0, 100}));
    EXPECT_EQ(Ticks(Lines(one, Every(100), 250, 1, 2)), (std::vector<std::int64_t>{100, 200}));
    const BarGrid map(480, {{0, 4, 4}, {1000, 3, 4}});
    EXPECT_EQ(Ticks(Lines(map, Every(400), 0, 0, 6)), (std::vector<std::int64_t>{0, 400, 800, 1000, 1400, 1800}));
    EXPECT_EQ(Ticks(Lines(map, Every(400), 1500, 0, 2)), (std::vector<std::int64_t>{1400, 1800}));
    EXPECT_EQ(Ticks(Lines(map, Every(400), 1100, 1, 2)), (std::vector<std::int64_t>{800, 1000})) << "back into the meter before";
    LineSpacing realTime = Every(400);
    realTime.fromSongStart = true;
    EXPECT_EQ(Ticks(Lines(map, realTime, 0, 0, 4)), (std::vector<std::int64_t>{0, 400, 800, 1200}));
    // Bars and ruler marks choose their step in each meter; labels count from the meter's start.
    LineSpacing bars;
    bars.rule = LineSpacing::Rule::Bars;
    const BarGrid song(480, {{0, 4, 4}, {3840, 6, 4}, {9600, 1, 4}});
    EXPECT_EQ(Ticks(Lines(song, bars, 0, 0, 6)), (std::vector<std::int64_t>{0, 1920, 3840, 6720, 9600, 10080}));
    LineSpacing marks;
    marks.rule = LineSpacing::Rule::Marks;
    marks.markDistance = 2000;
    // 4/4: two-bar marks; 6/4: one-bar marks labelled every six; 1/4: eight-bar marks.
    EXPECT_EQ(Lines(song, marks, 0, 0, 5),
              (std::vector<Line>{{0, true}, {3840, true}, {6720, false}, {9600, true}, {13440, false}}));
    // In 4/4 at 2000 ticks a mark is two bars (3840); in 6/4 it is one bar (2880, labelled every bar).
    EXPECT_EQ(song.StepIn(marks, song.Meters()[0]).step, 3840);
    EXPECT_EQ(song.StepIn(marks, song.Meters()[1]).step, 2880);
    // A line or label closer than the minimum to the one before is left out across meters.
    const BarGrid crowded(480, {{0, 4, 4}, {1000, 1, 4}, {1050, 4, 4}});
    LineSpacing zoomed = Every(100);
    zoomed.ticksPerPixel = 10;
    zoomed.minDrawnPixels = 8;
    zoomed.minLabelPixels = 30;
    EXPECT_EQ(Lines(crowded, zoomed, 800, 0, 4), (std::vector<Line>{{800, false}, {900, false}, {1000, true}, {1150, false}}))
        << "a label 10 pixels before a meter's start gives way; its start 5 pixels after the line before is left out";
    const BarGrid close(480, {{0, 4, 4}, {1000, 1, 4}, {1100, 4, 4}});
    EXPECT_EQ(Lines(close, zoomed, 1000, 0, 5),
              (std::vector<Line>{{1000, true}, {1100, false}, {1200, false}, {1300, false}, {1400, true}}));
    zoomed.ticks = 50;
    EXPECT_TRUE(Lines(crowded, zoomed, 0, 0, 1).empty()) << "5-pixel lines are not drawn";
}

} // namespace
