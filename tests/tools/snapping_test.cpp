// Snapping arithmetic: note-value encodings, nearest and directional snaps, edge snaps, floor and
// ceiling, and scale membership.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "mp/settings.h"
#include "view/snapping.h"
#include "view/scale.h"

namespace {

using namespace pianoroll;

constexpr std::uint32_t kQ = 960;
constexpr std::uint32_t k44 = 0x40004;
constexpr std::int64_t kMaxTick = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinTick = std::numeric_limits<std::int64_t>::min();

// ---- Encodings ----------------------------------------------------------------------------------------

// A grid or paint value, the tick rate and signature or drawn spacing, and the spacing in ticks.
struct Spacing {
    std::int64_t value;
    std::uint32_t ppq, signature;
    double marks, ticks;
};

TEST(SnapEncoding, MeasureFollowsBeatsNotTheBeatUnit) {
    // A signature without beats would make a zero grid: it falls back to one tick.
    const Spacing measures[] = {{-2, kQ, 0x40004, 1, 4 * kQ}, {-2, kQ, 0x30004, 1, 3 * kQ}, {-2, kQ, 0x30008, 1, 3 * kQ},
                                {-2, kQ, 0x70010, 1, 7 * kQ}, {-2, kQ, 0x00004, 1, 1}};
    for (const Spacing& c : measures)
        EXPECT_DOUBLE_EQ(GridSpacingTicks(c.value, c.ppq, c.signature, c.marks), c.ticks) << c.signature;
}

TEST(SnapEncoding, GridTicksRulerMarksAndOddValues) {
    // The ruler marks are at least a tick. No tick rate: the default one. A tiny rate cannot make a
    // spacing below a tick.
    const Spacing grids[] = {{10000, kQ, k44, 1, 10000},    {600000000, kQ, k44, 1, 600000000},
                             {1, kQ, k44, 1, 1},            {0, kQ, k44, 120, 120},
                             {0, kQ, k44, 0.25, 1},         {0, kQ, k44, 0, 1},
                             {kMinTick, kQ, k44, 77, 1},    {-4, 0, k44, 1, kDefaultTicksPerQuarter},
                             {-65, 1, k44, 1, 1},           {-5, 100, k44, 1, 400.0 / 6}};
    for (const Spacing& c : grids)
        EXPECT_DOUBLE_EQ(GridSpacingTicks(c.value, c.ppq, c.signature, c.marks), c.ticks) << c.value << " " << c.ppq;
    for (std::int64_t v : {-1, -6, -7, -10, -15, -18, -31, -34, -63, -66, -128, -1000000})
        EXPECT_DOUBLE_EQ(GridSpacingTicks(v, kQ, k44, 77), 1) << v;
}

TEST(SnapEncoding, PaintGridTicksAndValuesOutsideTheScheme) {
    const Spacing paints[] = {
        {0, kQ, 0, 480, 480}, {0, kQ, 0, 0, 1}, {333, kQ, 0, 480, 333}, {kMinTick, kQ, 0, 480, 1},
        {-8, 0, 0, 1, 4.0 * kDefaultTicksPerQuarter}};
    for (const Spacing& c : paints) EXPECT_DOUBLE_EQ(PaintLengthTicks(c.value, c.ppq, c.marks), c.ticks) << c.value;
    // Not 8n, 8n-1 or 8n-2; n not a power of two; n above 64.
    for (std::int64_t v : {-1, -2, -3, -4, -5, -9, -13, -24, -23, -40, -513, -514, -1024, -1022})
        EXPECT_DOUBLE_EQ(PaintLengthTicks(v, kQ, 480), 1) << v;
}

TEST(SnapEncoding, MenuMarksOfValuesOutsideTheTables) {
    // Values in the tables are marked through their commands in the settings tests.
    EXPECT_EQ((std::vector{GridSpacingCommandOf(-6), GridSpacingCommandOf(960), PaintValueCommandOf(-1),
                           PaintValueCommandOf(1), RootCommandOf(12), RootCommandOf(-3), ScaleCommandOf(18),
                           ScaleCommandOf(-1)}),
              (std::vector{0, 0, 0, 0, 7211, 7200, 7317, 7300}));
}

// ---- Nearest grid point and nearest snap ---------------------------------------------------------------

// A time, a spacing and the expected result of a grid function.
struct GridCase {
    std::int64_t time;
    double spacing;
    std::int64_t expected;
};

TEST(SnapNearest, GridPointRoundsHalfwayUpAndTruncatesTowardZero) {
    const GridCase cases[] = {
        {479, 960, 0},    {480, 960, 960}, // halfway goes to the later line
        {1439, 960, 960}, {1440, 960, 1920}, {319, 640, 0}, {320, 640, 640}, {11, 7.5, 7}, {12, 7.5, 15},
        {22, 7.5, 22}, // 3 x 7.5 = 22.5, truncated
        {12345, 0, 12345},
        // Below zero the whole-step truncation pulls toward zero.
        {-479, 960, 0},   {-1439, 960, 0}, {-1440, 960, -960}, {-2400, 960, -1920},
    };
    for (const GridCase& c : cases)
        EXPECT_EQ(NearestGridPoint(c.time, c.spacing), c.expected) << c.time << "/" << c.spacing;
    // Extremes stay in range rather than overflow.
    EXPECT_GT(NearestGridPoint(kMaxTick, 960), kMaxTick - 4096);
    EXPECT_LT(NearestGridPoint(kMinTick, 960), kMinTick + 4096);
}

SnapContext Grid(double spacing) {
    SnapContext c;
    c.gridSpacing = spacing;
    c.editCursor = 1'000'000; // far from everything unless a test moves it
    return c;
}

SnapContext WithLoop(SnapContext c, std::int64_t start, std::int64_t end) {
    c.loopShown = true;
    c.loopStart = start;
    c.loopEnd = end;
    return c;
}

TEST(SnapNearest, TieRulesCursorThenLoopThenGrid) {
    SnapContext c = Grid(960);
    c.editCursor = 950;
    EXPECT_EQ(NearestSnap(c, 955, SNAP_ALL), 950); // cursor 5 before, grid line 5 after
    EXPECT_EQ(NearestSnap(c, 956, SNAP_ALL), 960);
    EXPECT_EQ(NearestSnap(c, 955, SNAP_FOR_CLICK), 960); // the click shortcut leaves the cursor out

    SnapContext loop = WithLoop(Grid(960), 950, 5000);
    EXPECT_EQ(NearestSnap(loop, 955, SNAP_GRID | SNAP_LOOP_MARKS), 950); // loop mark over grid
    EXPECT_EQ(NearestSnap(loop, 955, SNAP_GRID), 960);

    SnapContext both = WithLoop(Grid(960), 0, 960);
    both.editCursor = 950;
    EXPECT_EQ(NearestSnap(both, 955, SNAP_EDIT_CURSOR | SNAP_LOOP_MARKS), 950); // cursor over loop end
    EXPECT_EQ(NearestSnap(both, 955, SNAP_LOOP_MARKS), 960);
    both.editCursor = 900;
    EXPECT_EQ(NearestSnap(both, 955, SNAP_ALL), 960); // loop end strictly nearer than the cursor
}

TEST(SnapNearest, CandidatesThatDoNotApply) {
    SnapContext c = Grid(960);
    EXPECT_EQ(NearestSnap(c, 1000, 0), 1000);
    EXPECT_EQ(NearestSnap(c, 1000, SNAP_LOOP_MARKS), 1000); // no loop shown
    EXPECT_EQ(NearestSnap(c, 1000, SNAP_EDIT_CURSOR), 1'000'000); // the cursor alone always wins
    c.playing = true;
    EXPECT_EQ(NearestSnap(c, 1000, SNAP_EDIT_CURSOR), 1000);
    c.editCursor = 1000;
    EXPECT_EQ(NearestSnap(c, 1001, SNAP_ALL), 960); // playing: the cursor is no snap point

    SnapContext loop = WithLoop(Grid(960), 1001, 5000);
    EXPECT_EQ(NearestSnap(loop, 1000, SNAP_ALL), 1001);
    loop.timeSelection = true;
    EXPECT_EQ(NearestSnap(loop, 1000, SNAP_ALL), 960);
    loop.timeSelection = false;
    loop.followMode = 2;
    EXPECT_EQ(NearestSnap(loop, 1000, SNAP_ALL), 960);
    loop.followMode = 0;
    EXPECT_EQ(NearestSnap(loop, 1000, SNAP_ALL), 1001);

    // Marks at the "infinite" distance are never taken; a zero grid leaves the time alone.
    SnapContext far = WithLoop(Grid(0), kSnapFar, kSnapFar + 5);
    EXPECT_EQ(NearestSnap(far, 0, SNAP_LOOP_MARKS), 0);
    EXPECT_EQ(NearestSnap(Grid(0), 1234, SNAP_GRID), 1234);
}

// ---- Directional snap ------------------------------------------------------------------------------------

TEST(SnapDirectional, GridLinesForwardAndBackward) {
    // Forward goes to the next line; backward stops at the line at or before the time, and at zero.
    // Spacings that do not halve evenly (half of 641 rounds down) must still leave a line behind.
    struct Case {
        double spacing;
        std::int64_t time;
        bool backward;
        std::int64_t expected;
    } cases[] = {
        {960, 0, false, 960},      {960, 960, false, 1920},   {960, 1000, false, 1920}, {960, 1439, false, 1920},
        {960, 1440, false, 1920},  {960, 1919, false, 1920},  {960, -100, false, 0},    {960, -1000, false, 0},
        {960, 960, true, 960},     {960, 959, true, 0},       {960, 1000, true, 960},   {960, 1500, true, 960},
        {960, 1919, true, 960},    {960, 0, true, 0},         {960, -100, true, 0},     {641, 0, false, 641},
        {641, 641, false, 1282},   {641, 642, false, 1282},   {641, 641, true, 641},    {641, 1281, true, 641},
        {22.5, 45, false, 67},     {1, 77, false, 77}, // a one-tick grid: forward gives the time itself
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.spacing << " " << c.time << (c.backward ? " back" : " forward"));
        EXPECT_EQ(DirectionalSnap(Grid(c.spacing), c.time, SNAP_GRID | (c.backward ? SNAP_BACKWARD : 0u)), c.expected);
    }
}

TEST(SnapDirectional, CursorAndLoopMarksOnTheWantedSide) {
    SnapContext c = WithLoop(Grid(960), 1200, 5000);
    c.editCursor = 1100;
    EXPECT_EQ(DirectionalSnap(c, 1000, SNAP_ALL), 1100);
    EXPECT_EQ(DirectionalSnap(c, 1100, SNAP_ALL), 1200); // the cursor at t itself is not after it
    EXPECT_EQ(DirectionalSnap(c, 1200, SNAP_ALL), 1920); // the grid line before the loop end
    EXPECT_EQ(DirectionalSnap(c, 1300, SNAP_ALL | SNAP_BACKWARD), 1200);
    EXPECT_EQ(DirectionalSnap(c, 1200, SNAP_ALL | SNAP_BACKWARD), 1100);
    EXPECT_EQ(DirectionalSnap(c, 1100, SNAP_ALL | SNAP_BACKWARD), 960);
    c.playing = true;
    EXPECT_EQ(DirectionalSnap(c, 1000, SNAP_ALL), 1200);
    c.timeSelection = true;
    EXPECT_EQ(DirectionalSnap(c, 1000, SNAP_ALL), 1920);
}

TEST(SnapDirectional, WithoutTheGridNothingFoundGivesTheBoundsAndExtremesDoNotOverflow) {
    SnapContext c = Grid(960);
    EXPECT_EQ(DirectionalSnap(c, 2'000'000, SNAP_EDIT_CURSOR), kSnapForwardNone);
    EXPECT_EQ(DirectionalSnap(c, 5, SNAP_EDIT_CURSOR | SNAP_BACKWARD), kSnapBackwardNone);
    EXPECT_EQ(DirectionalSnap(c, 5, SNAP_EDIT_CURSOR), 1'000'000);
    EXPECT_EQ(DirectionalSnap(c, 2'000'000, SNAP_EDIT_CURSOR | SNAP_BACKWARD), 1'000'000);
    // Extreme times do not overflow.
    EXPECT_GE(DirectionalSnap(c, kMaxTick - 10, SNAP_GRID), kSnapForwardNone);
    EXPECT_LT(DirectionalSnap(c, kMinTick, SNAP_GRID), kMinTick + 4096);
    EXPECT_LE(DirectionalSnap(c, kMinTick, SNAP_GRID | SNAP_BACKWARD), 0);
    EXPECT_EQ(StartEdgeSnap(c, kMaxTick, kMinTick), kSnapBackwardNone);
    EXPECT_GE(EndEdgeSnap(c, kMinTick, kMaxTick), kSnapForwardNone);
}

// ---- Edge snaps --------------------------------------------------------------------------------------------

TEST(SnapEdges, AStartStaysBeforeTheEndAndAnEndAfterTheStart) {
    SnapContext c = Grid(960);
    EXPECT_EQ(StartEdgeSnap(c, 1000, 3840), 960);
    EXPECT_EQ(StartEdgeSnap(c, 3700, 3840), 2880); // would reach the end: the line before it
    EXPECT_EQ(StartEdgeSnap(c, 5000, 3840), 2880);
    c.editCursor = 3000;
    EXPECT_EQ(StartEdgeSnap(c, 3700, 3840), 3000); // the cursor lies between line and end
    EXPECT_EQ(StartEdgeSnap(Grid(1), 500, 500), 499);
    c.editCursor = 1'000'000;
    EXPECT_EQ(EndEdgeSnap(c, 1500, 0), 1920);
    EXPECT_EQ(EndEdgeSnap(c, 500, 960), 1920); // would reach the start: the line after it
    EXPECT_EQ(EndEdgeSnap(c, 100, 1000), 1920);
    c.editCursor = 1200;
    EXPECT_EQ(EndEdgeSnap(c, 500, 960), 1200);
    EXPECT_EQ(EndEdgeSnap(Grid(1), 500, 500), 501);
}

// ---- Floor and ceiling ------------------------------------------------------------------------------------

TEST(SnapFloorCeiling, FloorKeepsLinesAndCeilingAlwaysMovesOn) {
    const GridCase floors[] = {
        {960, 960, 960}, {1000, 960, 960}, {1440, 960, 960}, {1919, 960, 960}, {1920, 960, 1920},
        {479, 960, 0},   {480, 960, 0},    {0, 960, 0},      {-500, 960, 0},   {-5000, 960, 0},
        {1281, 641, 641}, {1282, 641, 1282}, {37, 1, 37},
    };
    for (const GridCase& c : floors) EXPECT_EQ(GridFloor(c.spacing, c.time), c.expected) << c.time << "/" << c.spacing;
    const GridCase ceilings[] = {
        {0, 960, 960},    {960, 960, 1920}, {961, 960, 1920}, {1439, 960, 1920}, {1440, 960, 1920},
        {-100, 960, 0},   {2880, 960, 3840}, // dotted quarter runs step by two quarters
        {0, 641, 641},    {641, 641, 1282}, {45, 22.5, 67},   {5, 1, 6},
    };
    for (const GridCase& c : ceilings)
        EXPECT_EQ(GridCeiling(c.spacing, c.time), c.expected) << c.time << "/" << c.spacing;
    EXPECT_GT(GridFloor(960, kMaxTick), kMaxTick - 4096);
    EXPECT_GT(GridCeiling(960, kMaxTick), kMaxTick - 4096);
}

// ---- Across meter changes ---------------------------------------------------------------------------------

TEST(SnapMeters, LinesRestartAtEachMeterWhoseStartIsALine) {
    // 4/4 cut short by 3/4 at 1000, one 1/4 bar at 2440, 6/4 from 2920: Measures lines at 0, 1000,
    // 2440, 2920, 5800.
    const BarGrid bars(480, {{0, 4, 4}, {1000, 3, 4}, {2440, 1, 4}, {2920, 6, 4}});
    SnapContext c = Grid(1920);
    c.bars = &bars;
    c.lines.rule = LineSpacing::Rule::Bars;
    const std::int64_t nearest[][2] = {{400, 0},     {500, 1000},  {600, 1000},  {1700, 1000}, {1800, 2440},
                                       {2700, 2920}, {4000, 2920}, {4400, 5800}, {-50, 0}};
    for (const auto& n : nearest) EXPECT_EQ(NearestSnap(c, n[0], SNAP_GRID), n[1]) << n[0];
    const std::int64_t after[][2] = {{0, 1000}, {999, 1000}, {1000, 2440}, {2440, 2920}, {2920, 5800}, {-5, 0}};
    for (const auto& n : after) EXPECT_EQ(DirectionalSnap(c, n[0], SNAP_GRID), n[1]) << n[0];
    const std::int64_t before[][2] = {{999, 0}, {1000, 1000}, {2439, 1000}, {2919, 2440}, {5799, 2920}, {-5, 0}};
    for (const auto& n : before) {
        EXPECT_EQ(DirectionalSnap(c, n[0], SNAP_GRID | SNAP_BACKWARD), n[1]) << n[0];
        EXPECT_EQ(GridBefore(c, n[0]), n[1]) << n[0];
    }
    EXPECT_EQ(GridAfter(c, 2440), 2920);
    EXPECT_EQ(StartEdgeSnap(c, 2900, 2920), 2440) << "short of the end: the line before it";
    // A note-value spacing starts again at each meter; without the bar grid it runs on from 0.
    c.lines = LineSpacing{};
    c.lines.ticks = 400;
    EXPECT_EQ((std::tuple{GridNearest(c, 1390), GridAfter(c, 2800), GridAfter(c, 2850)}),
              (std::tuple{1400, 2840, 2920}));
    c.bars = nullptr;
    c.gridSpacing = 400;
    EXPECT_EQ(GridNearest(c, 1390), 1200);
}

// ---- Scales -----------------------------------------------------------------------------------------------

// The scale table itself is checked with the view's rows; here the settings pick the root and scale.
TEST(SnapScale, EveryScaleOnEveryRootAndStrayValues) {
    mp::PianoRollSettings settings;
    settings.Reset();
    for (int scale = -1; scale <= 19; ++scale) {
        settings.scaleIndex = scale;
        for (int root = 0; root < 12; ++root) {
            settings.scaleRoot = root;
            for (int pitch = 0; pitch < 128; ++pitch)
                ASSERT_EQ(PitchInScale(settings, pitch), ((ScaleMask(scale) >> ((pitch + 12 - root) % 12)) & 1) != 0)
                    << "scale " << scale << " root " << root << " pitch " << pitch;
        }
    }
    settings.scaleIndex = 0;
    settings.scaleRoot = -1; // a stray root still reads as a pitch class (B)
    EXPECT_TRUE(PitchInScale(settings, 59));
    EXPECT_FALSE(PitchInScale(settings, 60));
}

} // namespace
