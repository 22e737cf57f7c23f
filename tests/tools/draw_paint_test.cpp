// The Draw, Paint and Erase tools: notes created, shortened and removed by strokes, with their undo
// names, snapping and the scale rule. The draw script draws rightward and leftward, snapped and not.
#include <gtest/gtest.h>

#include <algorithm>

#include "tool_fixture.h"

namespace tooltest {
namespace {

using namespace pianoroll;
using namespace win;

using DrawTest = ToolFixture;
using PaintTest = ToolFixture;

TEST_F(DrawTest, DrawingAcrossNotesOfTheSamePitchLeavesThemUntouched) {
    Note(1200, 200, 70);
    Note(1800, 200, 70);
    Open();
    Drag(X(1000), Y(70), X(2500), Y(70));
    const std::vector<HostNote> notes = Notes();
    ASSERT_EQ(notes.size(), 3u);
    EXPECT_EQ(notes[0], (HostNote{1000, 1500, 70, true}));
    EXPECT_EQ(notes[1], (HostNote{1200, 200, 70, false}));
    EXPECT_EQ(notes[2], (HostNote{1800, 200, 70, false}));
}

TEST_F(DrawTest, WithSnappingTheNoteSpansGridPointsByTheMidpointRule) {
    Open(true);
    Command(CMD_GRID_SPACING_FIRST + 9); // quarter notes
    Click(X(100), Y(50));                  // edit cursor to 0, away from the drawing
    // Press near 1000: the start snaps to 960; the end follows the pointer past the midpoint.
    Drag(X(1000), Y(70), X(2500), Y(70));
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_EQ(Notes()[0], (HostNote{960, 1920, 70, true}));
    // Before the midpoint the end stays on the earlier grid point.
    Drag(X(4800), Y(66), X(6000), Y(66));
    ASSERT_EQ(Notes().size(), 2u);
    EXPECT_EQ(Notes()[1], (HostNote{4800, 960, 66, true}));
}

TEST_F(DrawTest, ScaleSnappingBlocksRowsOutsideTheScaleUnlessAltIsHeld) {
    Open();
    Settings()->scaleSnap = 1;
    Settings()->scaleIndex = 18; // the empty scale: no row belongs to it
    for (int tool : {TOOL_DRAW, TOOL_PAINT}) {
        UseTool(tool);
        Drag(X(960), Y(70), X(1920), Y(70));
        EXPECT_TRUE(Notes().empty());
        EXPECT_EQ(UndoCount(), 0u);
        EXPECT_EQ(DragState(), Drag::None);
    }
    UseTool(TOOL_DRAW);
    Drag(X(960), Y(70), X(1920), Y(70), MOD_ALT);
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_EQ(Notes()[0].pitch, 70);
}

TEST_F(PaintTest, PaintingShortensALongerEarlierNoteAndRemovesOneStartingInside) {
    Note(0, 3840, 72);
    Note(2200, 100, 72);
    Open();
    Command(CMD_PAINT_VALUE_FIRST + 8); // quarter notes
    UseTool(TOOL_PAINT);
    Click(X(1920), Y(72));
    const std::vector<HostNote> notes = Notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0], (HostNote{0, 1920, 72, false}));
    EXPECT_EQ(notes[1], (HostNote{1920, 960, 72, false}));
    EXPECT_EQ(UndoName(), "Paint MIDI Event");
    Undo();
    EXPECT_EQ(Notes().size(), 2u);
    EXPECT_EQ(Notes()[0], (HostNote{0, 3840, 72, false}));
}

// A run steps by the grid line after each note's end, rightward or leftward from the press.
TEST_F(PaintTest, RunsOnAQuarterGridInEitherDirection) {
    Note(2000, 100, 66);
    Open(true);
    Command(CMD_GRID_SPACING_FIRST + 9); // quarter grid
    UseTool(TOOL_PAINT);
    Command(CMD_PAINT_VALUE_FIRST + 7); // dotted quarters are two quarters apart
    Drag(X(10), Y(72), X(4000), Y(72), 0, 4);
    EXPECT_EQ(UndoName(), "Paint MIDI Events");
    EXPECT_EQ(UndoCount(), 1u);
    Command(CMD_PAINT_VALUE_FIRST + 8); // quarters, leftward and rightward
    Drag(X(3000), Y(70), X(100), Y(70), 0, 6);
    Drag(X(10), Y(68), X(2000), Y(68), 0, 4);
    std::vector<HostNote> expected;
    for (int i = 0; i < 3; ++i) expected.push_back({1920 * i, 1440, 72, false});
    for (int i = 0; i < 4; ++i) expected.push_back({960 * i, 960, 70, false});
    for (int i = 0; i < 3; ++i) expected.push_back({960 * i, 960, 68, false});
    Drag(X(10), Y(66), X(1100), Y(66)); // notes on the grid clear only the time they take
    for (int start : {0, 960}) expected.push_back({start, 960, 66, false});
    expected.push_back({2000, 100, 66, false});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Notes(), expected);
}

TEST_F(PaintTest, ARightButtonPaintStrokeErases) {
    Note(960, 960, 72);
    Note(2880, 960, 72);
    Note(2880, 960, 71);
    Open();
    UseTool(TOOL_PAINT);
    Drag(X(900), Y(72), X(4000), Y(72), 0, 4, backend::BUTTON_RIGHT);
    const std::vector<HostNote> notes = Notes();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].pitch, 71);
    EXPECT_EQ(UndoName(), "Erase MIDI Events");
}

TEST_F(PaintTest, ErasingWithoutSnappingInsideALongNoteShortensIt) {
    Note(0, 3840, 72);
    Open();
    UseTool(TOOL_ERASE);
    Click(X(1920), Y(72));
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_EQ(Notes()[0], (HostNote{0, 1920, 72, false}));
    EXPECT_EQ(UndoName(), "Erase MIDI Event");
    // The right button paints with the Erase tool.
    Command(CMD_PAINT_VALUE_FIRST + 8);
    Click(X(4800), Y(60), 0, backend::BUTTON_RIGHT);
    ASSERT_EQ(Notes().size(), 2u);
    EXPECT_EQ(Notes()[1], (HostNote{4800, 960, 60, false}));
    EXPECT_EQ(UndoName(), "Paint MIDI Event");
}

TEST_F(PaintTest, AStrokeThatChangesRowsStartsAFreshRunInTheNewRow) {
    Open();
    Command(CMD_PAINT_VALUE_FIRST + 8);
    UseTool(TOOL_PAINT);
    Down(X(1000), Y(72));
    Move(X(1000), Y(70));
    Up(X(1000), Y(70));
    Wait();
    const std::vector<HostNote> notes = Notes();
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0], (HostNote{1000, 960, 70, false}));
    EXPECT_EQ(notes[1], (HostNote{1000, 960, 72, false}));
    EXPECT_EQ(UndoName(), "Paint MIDI Events");
    EXPECT_EQ(UndoCount(), 1u);
}

TEST_F(PaintTest, AStrokeAboveTheGridScrollsRowByRowFasterTheFartherOut) {
    Open();
    UseTool(TOOL_PAINT);
    const int top = View()->geo.verticalTop;
    Down(X(1000), Y(kTopNote - 1));
    Move(X(1000), View()->geo.grid.top - 2);
    headless::AdvanceClock(1000);
    Pump();
    const int nearRows = (top - View()->geo.verticalTop) / kUnitsPerRow;
    EXPECT_GE(nearRows, 1);
    Move(X(1000), View()->geo.grid.top - 150);
    const int before = View()->geo.verticalTop;
    headless::AdvanceClock(1000);
    Pump();
    EXPECT_GT((before - View()->geo.verticalTop) / kUnitsPerRow, nearRows);
    Up(X(1000), View()->geo.grid.top - 150);
    // The stroke painted in the rows it reached, and is one step.
    const std::vector<HostNote> notes = Notes();
    ASSERT_FALSE(notes.empty());
    EXPECT_GT(std::max_element(notes.begin(), notes.end(), [](auto& a, auto& b) { return a.pitch < b.pitch; })->pitch,
              kTopNote);
    EXPECT_EQ(UndoCount(), 1u);
}

} // namespace
} // namespace tooltest
