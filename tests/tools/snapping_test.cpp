// Snapping arithmetic: note-value encodings, nearest and directional snaps, edge snaps, floor and
// ceiling, and scale membership.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "mp/settings.h"
#include "tools/snapping.h"

namespace {

using namespace pianoroll;

constexpr std::uint32_t kQ = 960;
constexpr double kW = 4.0 * kQ;
constexpr std::uint32_t k44 = 0x40004;
constexpr std::int64_t kMaxTick = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMinTick = std::numeric_limits<std::int64_t>::min();

// ---- Encodings ----------------------------------------------------------------------------------------

TEST(SnapEncoding, NoteValuesAreFractionsOfAWholeNote) {
    // Every table entry is checked through its command; these are the worked examples.
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-5, kQ, k44, 1), 640);       // quarter triplets
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-65, kQ, k44, 1), kW / 96);  // 64th triplets
    EXPECT_DOUBLE_EQ(PaintLengthTicks(-127, kQ, 1), 360);          // dotted 16ths
    EXPECT_DOUBLE_EQ(PaintLengthTicks(-31, kQ, 1), 1440);          // dotted quarters
    EXPECT_DOUBLE_EQ(PaintLengthTicks(-6, kQ, 1), 2 * kW / 3);     // whole-note triplets
    EXPECT_DOUBLE_EQ(PaintLengthTicks(-511, kQ, 1), 3 * kW / 128); // dotted 64ths
}

TEST(SnapEncoding, MeasureFollowsBeatsNotTheBeatUnit) {
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-2, kQ, 0x40004, 1), 4 * kQ);
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-2, kQ, 0x30004, 1), 3 * kQ);
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-2, kQ, 0x30008, 1), 3 * kQ);
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-2, kQ, 0x70010, 1), 7 * kQ);
    // A signature without beats would make a zero grid: it falls back to one tick.
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-2, kQ, 0x00004, 1), 1);
}

TEST(SnapEncoding, GridTicksRulerMarksAndOddValues) {
    EXPECT_DOUBLE_EQ(GridSpacingTicks(10000, kQ, k44, 1), 10000);
    EXPECT_DOUBLE_EQ(GridSpacingTicks(600000000, kQ, k44, 1), 600000000);
    EXPECT_DOUBLE_EQ(GridSpacingTicks(1, kQ, k44, 1), 1);
    EXPECT_DOUBLE_EQ(GridSpacingTicks(0, kQ, k44, 120), 120);
    EXPECT_DOUBLE_EQ(GridSpacingTicks(0, kQ, k44, 0.25), 1); // the ruler marks are at least a tick
    EXPECT_DOUBLE_EQ(GridSpacingTicks(0, kQ, k44, 0), 1);
    for (std::int64_t v : {-1, -6, -7, -10, -15, -18, -31, -34, -63, -66, -128, -1000000})
        EXPECT_DOUBLE_EQ(GridSpacingTicks(v, kQ, k44, 77), 1) << v;
    EXPECT_DOUBLE_EQ(GridSpacingTicks(kMinTick, kQ, k44, 77), 1);
    // No tick rate: the default one. A tiny rate cannot make a spacing below a tick.
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-4, 0, k44, 1), kDefaultTicksPerQuarter);
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-65, 1, k44, 1), 1);
    EXPECT_DOUBLE_EQ(GridSpacingTicks(-5, 100, k44, 1), 400.0 / 6);
}

TEST(SnapEncoding, PaintGridTicksAndValuesOutsideTheScheme) {
    EXPECT_DOUBLE_EQ(PaintLengthTicks(0, kQ, 480), 480);
    EXPECT_DOUBLE_EQ(PaintLengthTicks(0, kQ, 0), 1);
    EXPECT_DOUBLE_EQ(PaintLengthTicks(333, kQ, 480), 333);
    // Not 8n, 8n-1 or 8n-2; n not a power of two; n above 64.
    for (std::int64_t v : {-1, -2, -3, -4, -5, -9, -13, -24, -23, -40, -513, -514, -1024, -1022})
        EXPECT_DOUBLE_EQ(PaintLengthTicks(v, kQ, 480), 1) << v;
    EXPECT_DOUBLE_EQ(PaintLengthTicks(kMinTick, kQ, 480), 1);
    EXPECT_DOUBLE_EQ(PaintLengthTicks(-8, 0, 1), 4.0 * kDefaultTicksPerQuarter);
}

TEST(SnapEncoding, MenuMarksFindTheTableEntries) {
    for (int i = 0; i < kGridSpacingCount; ++i) {
        const int found = GridSpacingCommandOf(kGridSpacingValues[i]);
        // 6003 and 6004 both hold one tick: the first one is marked.
        EXPECT_EQ(found, i == 4 ? 6003 : 6000 + i);
    }
    EXPECT_EQ(GridSpacingCommandOf(-6), 0);
    EXPECT_EQ(GridSpacingCommandOf(960), 0);
    for (int i = 0; i < kPaintValueCount; ++i) EXPECT_EQ(PaintValueCommandOf(kPaintNoteValues[i]), 7000 + i);
    EXPECT_EQ(PaintValueCommandOf(-1), 0);
    EXPECT_EQ(PaintValueCommandOf(1), 0);
    EXPECT_EQ(RootCommandOf(0), 7200);
    EXPECT_EQ(RootCommandOf(11), 7211);
    EXPECT_EQ(RootCommandOf(12), 7211);
    EXPECT_EQ(RootCommandOf(-3), 7200);
    EXPECT_EQ(ScaleCommandOf(17), 7317);
    EXPECT_EQ(ScaleCommandOf(18), 7317);
    EXPECT_EQ(ScaleCommandOf(-1), 7300);
}

// ---- Nearest grid point and nearest snap ---------------------------------------------------------------

TEST(SnapNearest, GridPointRoundsHalfwayUpAndTruncatesTowardZero) {
    EXPECT_EQ(NearestGridPoint(479, 960), 0);
    EXPECT_EQ(NearestGridPoint(480, 960), 960); // halfway goes to the later line
    EXPECT_EQ(NearestGridPoint(1439, 960), 960);
    EXPECT_EQ(NearestGridPoint(1440, 960), 1920);
    EXPECT_EQ(NearestGridPoint(319, 640), 0);
    EXPECT_EQ(NearestGridPoint(320, 640), 640);
    EXPECT_EQ(NearestGridPoint(11, 7.5), 7);
    EXPECT_EQ(NearestGridPoint(12, 7.5), 15);
    EXPECT_EQ(NearestGridPoint(22, 7.5), 22); // 3 x 7.5 = 22.5, truncated
    EXPECT_EQ(NearestGridPoint(12345, 0), 12345);
    // Below zero the whole-step truncation pulls toward zero.
    EXPECT_EQ(NearestGridPoint(-479, 960), 0);
    EXPECT_EQ(NearestGridPoint(-1439, 960), 0);
    EXPECT_EQ(NearestGridPoint(-1440, 960), -960);
    EXPECT_EQ(NearestGridPoint(-2400, 960), -1920);
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

TEST(SnapDirectional, ForwardGoesToTheNextLine) {
    const SnapContext c = Grid(960);
    EXPECT_EQ(DirectionalSnap(c, 0, SNAP_GRID), 960);
    EXPECT_EQ(DirectionalSnap(c, 960, SNAP_GRID), 1920);
    EXPECT_EQ(DirectionalSnap(c, 1000, SNAP_GRID), 1920);
    EXPECT_EQ(DirectionalSnap(c, 1439, SNAP_GRID), 1920);
    EXPECT_EQ(DirectionalSnap(c, 1440, SNAP_GRID), 1920);
    EXPECT_EQ(DirectionalSnap(c, 1919, SNAP_GRID), 1920);
    EXPECT_EQ(DirectionalSnap(c, -100, SNAP_GRID), 0);
    EXPECT_EQ(DirectionalSnap(c, -1000, SNAP_GRID), 0);
}

TEST(SnapDirectional, BackwardStopsAtTheLineAtOrBeforeAndAtZero) {
    const SnapContext c = Grid(960);
    EXPECT_EQ(DirectionalSnap(c, 960, SNAP_GRID | SNAP_BACKWARD), 960);
    EXPECT_EQ(DirectionalSnap(c, 959, SNAP_GRID | SNAP_BACKWARD), 0);
    EXPECT_EQ(DirectionalSnap(c, 1000, SNAP_GRID | SNAP_BACKWARD), 960);
    EXPECT_EQ(DirectionalSnap(c, 1500, SNAP_GRID | SNAP_BACKWARD), 960);
    EXPECT_EQ(DirectionalSnap(c, 1919, SNAP_GRID | SNAP_BACKWARD), 960);
    EXPECT_EQ(DirectionalSnap(c, 0, SNAP_GRID | SNAP_BACKWARD), 0);
    EXPECT_EQ(DirectionalSnap(c, -100, SNAP_GRID | SNAP_BACKWARD), 0);
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

TEST(SnapDirectional, WithoutTheGridNothingFoundGivesTheBounds) {
    SnapContext c = Grid(960);
    EXPECT_EQ(DirectionalSnap(c, 2'000'000, SNAP_EDIT_CURSOR), kSnapForwardNone);
    EXPECT_EQ(DirectionalSnap(c, 5, SNAP_EDIT_CURSOR | SNAP_BACKWARD), kSnapBackwardNone);
    EXPECT_EQ(DirectionalSnap(c, 5, SNAP_EDIT_CURSOR), 1'000'000);
    EXPECT_EQ(DirectionalSnap(c, 2'000'000, SNAP_EDIT_CURSOR | SNAP_BACKWARD), 1'000'000);
}

TEST(SnapDirectional, SpacingsThatDoNotHalveEvenly) {
    // Half of 641 rounds down, which alone would leave a point on a line where it is.
    const SnapContext odd = Grid(641);
    EXPECT_EQ(DirectionalSnap(odd, 0, SNAP_GRID), 641);
    EXPECT_EQ(DirectionalSnap(odd, 641, SNAP_GRID), 1282);
    EXPECT_EQ(DirectionalSnap(odd, 642, SNAP_GRID), 1282);
    EXPECT_EQ(DirectionalSnap(odd, 641, SNAP_GRID | SNAP_BACKWARD), 641);
    EXPECT_EQ(DirectionalSnap(odd, 1281, SNAP_GRID | SNAP_BACKWARD), 641);
    const SnapContext fractional = Grid(22.5);
    EXPECT_EQ(DirectionalSnap(fractional, 45, SNAP_GRID), 67);
    // A one-tick grid: forward gives the time itself.
    EXPECT_EQ(DirectionalSnap(Grid(1), 77, SNAP_GRID), 77);
}

TEST(SnapDirectional, ExtremeTimesDoNotOverflow) {
    const SnapContext c = Grid(960);
    EXPECT_GE(DirectionalSnap(c, kMaxTick - 10, SNAP_GRID), kSnapForwardNone);
    EXPECT_LT(DirectionalSnap(c, kMinTick, SNAP_GRID), kMinTick + 4096);
    EXPECT_LE(DirectionalSnap(c, kMinTick, SNAP_GRID | SNAP_BACKWARD), 0);
    EXPECT_EQ(StartEdgeSnap(c, kMaxTick, kMinTick), kSnapBackwardNone);
    EXPECT_GE(EndEdgeSnap(c, kMinTick, kMaxTick), kSnapForwardNone);
}

// ---- Edge snaps --------------------------------------------------------------------------------------------

TEST(SnapEdges, StartEdgeStaysBeforeTheEnd) {
    SnapContext c = Grid(960);
    EXPECT_EQ(StartEdgeSnap(c, 1000, 3840), 960);
    EXPECT_EQ(StartEdgeSnap(c, 3700, 3840), 2880); // would reach the end: the line before it
    EXPECT_EQ(StartEdgeSnap(c, 5000, 3840), 2880);
    c.editCursor = 3000;
    EXPECT_EQ(StartEdgeSnap(c, 3700, 3840), 3000); // the cursor lies between line and end
    EXPECT_EQ(StartEdgeSnap(Grid(1), 500, 500), 499);
}

TEST(SnapEdges, EndEdgeStaysAfterTheStart) {
    SnapContext c = Grid(960);
    EXPECT_EQ(EndEdgeSnap(c, 1500, 0), 1920);
    EXPECT_EQ(EndEdgeSnap(c, 500, 960), 1920); // would reach the start: the line after it
    EXPECT_EQ(EndEdgeSnap(c, 100, 1000), 1920);
    c.editCursor = 1200;
    EXPECT_EQ(EndEdgeSnap(c, 500, 960), 1200);
    EXPECT_EQ(EndEdgeSnap(Grid(1), 500, 500), 501);
}

// ---- Floor and ceiling ------------------------------------------------------------------------------------

TEST(SnapFloorCeiling, FloorKeepsLinesAndNeverGoesBelowZero) {
    EXPECT_EQ(GridFloor(960, 960), 960);
    EXPECT_EQ(GridFloor(960, 1000), 960);
    EXPECT_EQ(GridFloor(960, 1440), 960);
    EXPECT_EQ(GridFloor(960, 1919), 960);
    EXPECT_EQ(GridFloor(960, 1920), 1920);
    EXPECT_EQ(GridFloor(960, 479), 0);
    EXPECT_EQ(GridFloor(960, 480), 0);
    EXPECT_EQ(GridFloor(960, 0), 0);
    EXPECT_EQ(GridFloor(960, -500), 0);
    EXPECT_EQ(GridFloor(960, -5000), 0);
    EXPECT_EQ(GridFloor(641, 1281), 641);
    EXPECT_EQ(GridFloor(641, 1282), 1282);
    EXPECT_EQ(GridFloor(1, 37), 37);
    EXPECT_GT(GridFloor(960, kMaxTick), kMaxTick - 4096);
}

TEST(SnapFloorCeiling, CeilingAlwaysMovesOn) {
    EXPECT_EQ(GridCeiling(960, 0), 960);
    EXPECT_EQ(GridCeiling(960, 960), 1920);
    EXPECT_EQ(GridCeiling(960, 961), 1920);
    EXPECT_EQ(GridCeiling(960, 1439), 1920);
    EXPECT_EQ(GridCeiling(960, 1440), 1920);
    EXPECT_EQ(GridCeiling(960, -100), 0);
    EXPECT_EQ(GridCeiling(960, 1440 + 1440), 3840); // dotted quarter runs step by two quarters
    // Spacings that round to an odd tick count, and a one-tick grid, still step forward.
    EXPECT_EQ(GridCeiling(641, 0), 641);
    EXPECT_EQ(GridCeiling(641, 641), 1282);
    EXPECT_EQ(GridCeiling(22.5, 45), 67);
    EXPECT_EQ(GridCeiling(1, 5), 6);
    EXPECT_GT(GridCeiling(960, kMaxTick), kMaxTick - 4096);
}

// ---- Scales -----------------------------------------------------------------------------------------------

// The scale table written out as semitones above the root.
const std::vector<std::vector<int>> kScaleSemitones = {
    {0, 2, 4, 5, 7, 9, 11}, {0, 2, 3, 5, 7, 8, 10}, {0, 2, 4, 7, 9},          {0, 3, 5, 7, 10},
    {0, 2, 4, 6, 7, 9, 11}, {0, 2, 4, 5, 7, 9, 10}, {0, 2, 3, 5, 7, 9, 10},   {0, 1, 3, 5, 7, 8, 10},
    {0, 1, 3, 5, 6, 8, 10}, {0, 2, 4, 6, 8, 10},    {0, 3, 5, 6, 7, 10},      {0, 2, 3, 5, 7, 9, 11},
    {0, 2, 3, 5, 7, 8, 11}, {0, 1, 4, 6, 8, 10, 11}, {0, 2, 3, 5, 6, 8, 9, 11}, {0, 3, 4, 7, 8, 11},
    {0, 3, 6, 9},           {0, 4, 8},              {},
};

bool Listed(int scale, int semitone) {
    for (int s : kScaleSemitones[scale])
        if (s == semitone) return true;
    return false;
}

TEST(SnapScale, EveryScaleOnEveryRoot) {
    mp::PianoRollSettings settings;
    settings.Reset();
    ASSERT_EQ(kScaleSemitones.size(), 19u);
    for (int scale = 0; scale < 19; ++scale) {
        settings.scaleIndex = scale;
        for (int root = 0; root < 12; ++root) {
            settings.scaleRoot = root;
            for (int pitch = 0; pitch < 128; ++pitch) {
                const int semitone = ((pitch - root) % 12 + 12) % 12;
                ASSERT_EQ(PitchInScale(settings, pitch), Listed(scale, semitone))
                    << "scale " << scale << " root " << root << " pitch " << pitch;
            }
        }
    }
}

TEST(SnapScale, MajorOnDAndTheLowestOctave) {
    mp::PianoRollSettings settings;
    settings.Reset();
    settings.scaleRoot = 2;
    EXPECT_TRUE(PitchInScale(settings, 62));
    EXPECT_TRUE(PitchInScale(settings, 61));
    EXPECT_FALSE(PitchInScale(settings, 60));
    // Below the root in the lowest octave: counted from the root an octave lower.
    settings.scaleRoot = 11;
    EXPECT_FALSE(PitchInScale(settings, 0)); // a semitone above B
    EXPECT_TRUE(PitchInScale(settings, 1));
    EXPECT_TRUE(PitchInScale(settings, 10));
    EXPECT_TRUE(PitchInScale(settings, 11));
}

TEST(SnapScale, IndicesOutsideTheTable) {
    mp::PianoRollSettings settings;
    settings.Reset();
    settings.scaleIndex = 40; // counts as the empty scale
    for (int pitch = 0; pitch < 128; ++pitch) EXPECT_FALSE(PitchInScale(settings, pitch));
    settings.scaleIndex = -3; // counts as Major
    EXPECT_TRUE(PitchInScale(settings, 64));
    EXPECT_FALSE(PitchInScale(settings, 63));
    settings.scaleIndex = 0;
    settings.scaleRoot = -1; // a stray root still reads as a pitch class (B)
    EXPECT_TRUE(PitchInScale(settings, 59));
    EXPECT_FALSE(PitchInScale(settings, 60));
}

} // namespace
