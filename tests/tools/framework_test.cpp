// The tool framework: hit codes, choosing tools by key and command, clicks, and the common moves and
// sizes with their undo names. The editing scripts drive snapped, Alt-locked and copying drags and a
// group stopping at tick 0.
#include <gtest/gtest.h>

#include "mp/track_access.h"
#include "tool_fixture.h"
#include "tools/tool_framework.h"

namespace tooltest {
namespace {

using namespace pianoroll;
using namespace win;

using FrameworkTest = ToolFixture;

TEST_F(FrameworkTest, PreciseHitCodesGiveEdgesAndBodiesAndNarrowNotesOnlyEdges) {
    Note(960, 960, 72);
    Note(3000, 20, 72); // 2 pixels wide
    Open();
    const int y = Y(72);
    const int xs = X(960), xe = X(1920);
    const struct {
        int x, y, hit;
    } points[] = {
        {xs - 3, y, HitNoteStart}, {xs + 4, y, HitNoteStart}, {xs + 5, y, HitNote},          {xe - 5, y, HitNote},
        {xe - 4, y, HitNoteEnd},   {xe + 3, y, HitNoteEnd},   {X(2500), y, HitEmpty},        {X(1200), Y(71), HitEmpty},
        {X(1200), View()->geo.grid.top - 1, HitOutside},
    };
    for (const auto& p : points) EXPECT_EQ(HitAt(p.x, p.y), p.hit) << p.x << "," << p.y;

    const int ns = X(3000), ne = X(3020);
    ASSERT_EQ(ne - ns, 2);
    for (int x = ns; x <= ne; ++x) {
        const int hit = HitAt(x, y);
        EXPECT_TRUE(hit == HitNoteStart || hit == HitNoteEnd) << "x " << x << " hit " << hit;
    }

    // Paint and Erase test coarsely: a note is a note wherever it is hit.
    UseTool(TOOL_PAINT);
    EXPECT_EQ(HitAt(xs + 1, y), HitNote);
    EXPECT_EQ(HitAt(xe - 1, y), HitNote);
    EXPECT_EQ(HitAt(X(2500), y), HitEmpty);
    // It reaches four pixels past either end, and no further.
    for (int reach : {4, 5}) {
        EXPECT_EQ(HitAt(xs - reach, y), reach == 4 ? HitNote : HitEmpty) << reach;
        EXPECT_EQ(HitAt(xe + reach, y), reach == 4 ? HitNote : HitEmpty) << reach;
    }
}

TEST_F(FrameworkTest, KeysAndCommandsChooseToolsThroughTheRing) {
    Open();
    EXPECT_EQ(CurrentTool(), TOOL_DRAW);
    const int ring[] = {TOOL_SELECTION, TOOL_PAINT, TOOL_ERASE, TOOL_ZOOM, TOOL_DRAW};
    for (int expected : ring) {
        Key('D');
        EXPECT_EQ(CurrentTool(), expected);
        EXPECT_EQ(Settings()->savedViewWord, expected);
    }
    Key('D', MOD_SHIFT);
    EXPECT_EQ(CurrentTool(), TOOL_ZOOM);
    Key('D', MOD_CONTROL);
    EXPECT_EQ(CurrentTool(), TOOL_DRAW);
    UseTool(TOOL_ERASE);
    EXPECT_EQ(CurrentTool(), TOOL_ERASE);
    EXPECT_EQ(ToolClassOf(kToolCount), nullptr);
    EXPECT_EQ(SelectTool(View(), kToolCount), 0);
    EXPECT_EQ(CurrentTool(), TOOL_ERASE);

    const int level = View()->geo.rowHeightLevel;
    Key(VK_UP, MOD_CONTROL | MOD_SHIFT);
    EXPECT_EQ(View()->geo.rowHeightLevel, level + 1);
    Key(VK_DOWN, MOD_CONTROL | MOD_SHIFT);
    EXPECT_EQ(View()->geo.rowHeightLevel, level);
    // Q and L switch loop playback through the frame.
    const bool looping = View()->access->IsLooping();
    Key('Q');
    EXPECT_NE(View()->access->IsLooping(), looping);
    Key('L');
    EXPECT_EQ(View()->access->IsLooping(), looping);
}

TEST_F(FrameworkTest, TheToolIndexInTheSettingsIsRestoredWhenTheEditorOpens) {
    CreatePlugin();
    ASSERT_EQ(InitialisePlugin(), S_OK);
    CreatePage();
    // The settings block lives in the plug-in object before any editor exists.
    ASSERT_EQ(OpenEditor(1000, 600), S_OK);
    UseTool(TOOL_PAINT);
    CloseEditor();
    ASSERT_EQ(OpenEditor(1000, 600), S_OK);
    EXPECT_EQ(CurrentTool(), TOOL_PAINT);
}

TEST_F(FrameworkTest, ClicksSelectNotesAndMoveTheEditCursor) {
    Note(960, 960, 72);
    Note(2880, 960, 72);
    Note(3200, 960, 72); // starts inside the one before
    Open();
    Click(X(1200), Y(72));
    ASSERT_EQ(Selected().size(), 1u);
    EXPECT_EQ(Selected()[0].time, 960);
    EXPECT_EQ(View()->time.editCursor, 1200);
    Click(X(3000), Y(72), MOD_CONTROL); // Ctrl toggles into the selection
    EXPECT_EQ(Selected().size(), 2u);
    Click(X(3000), Y(72), MOD_CONTROL);
    EXPECT_EQ(Selected().size(), 1u);
    // Where another note of the pitch overlaps, only the clicked one is selected.
    Click(X(3500), Y(72));
    ASSERT_EQ(Selected().size(), 1u);
    EXPECT_EQ(Selected()[0].time, 3200);
    Click(X(5000), Y(60)); // empty grid deselects
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(UndoCount(), 0u) << "selection is no edit";
}

TEST_F(FrameworkTest, ClickModifiersAndTimeSelectionDragsSetTheLoopRegion) {
    Note(960, 960, 72);
    Open();
    std::int64_t start = 0, end = 0;
    const auto loop = [&] {
        EXPECT_TRUE(View()->access->GetLoopRegion(&start, &end));
        return std::pair{start, end};
    };
    Click(X(1000), Y(60)); // a plain click in an empty cell draws nothing
    EXPECT_EQ(View()->time.editCursor, 1000);
    EXPECT_EQ(Notes().size(), 1u);
    // Shift: the range runs from the click to where the edit cursor stood, and becomes the loop.
    Click(X(3000), Y(60), MOD_SHIFT);
    EXPECT_EQ(View()->time.editCursor, 3000);
    EXPECT_EQ(loop(), std::pair(std::int64_t{1000}, std::int64_t{3000}));
    // Ctrl: the loop region moves to start at the click, keeping its length.
    Click(X(5000), Y(60), MOD_CONTROL);
    EXPECT_EQ(loop(), std::pair(std::int64_t{5000}, std::int64_t{7000}));
    // Ctrl+Shift drags select a time range, leftward too, and no notes.
    Drag(X(4000), Y(60), X(2000), Y(62), MOD_CONTROL | MOD_SHIFT, 6);
    EXPECT_EQ(loop(), std::pair(std::int64_t{2000}, std::int64_t{4000}));
    EXPECT_EQ(View()->time.editCursor, 2000);
    EXPECT_EQ(View()->time.selectionLength, 0);
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(UndoCount(), 0u);
}

TEST_F(FrameworkTest, AReleaseWithoutMovementOnAnEndEdgeMovesTheCursorToTheNoteEnd) {
    Note(1000, 1000, 72);
    Open(true);
    Command(CMD_GRID_SPACING_FIRST + 9); // quarter notes
    Click(X(2000) - 1, Y(72));
    EXPECT_EQ(View()->time.editCursor, 2000);
    Click(X(1000) + 1, Y(72));
    EXPECT_EQ(View()->time.editCursor, 1000);
    Click(X(1500), Y(72)); // the body: the snapped click time
    EXPECT_EQ(View()->time.editCursor, 1920);
}

// ---- moves -------------------------------------------------------------------------------------------

TEST_F(FrameworkTest, DraggingPastTheRightEdgeScrollsOnTheClockAndCarriesTheNoteAlong) {
    Note(960, 960, 72);
    Open();
    UseTool(TOOL_SELECTION);
    Click(X(1200), Y(72));
    const int right = View()->geo.grid.right;
    Down(X(1200), Y(72));
    Move(X(1200) + 40, Y(72));
    Move(right + 30, Y(72));
    const std::int64_t origin = View()->geo.timeOrigin;
    headless::AdvanceClock(1000);
    Pump();
    const std::int64_t scrolled = View()->geo.timeOrigin;
    EXPECT_GT(scrolled, origin);
    // The note follows the view: it now starts beyond what the first screen showed.
    Up(right + 30, Y(72));
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_GT(Notes()[0].time, origin + View()->geo.timeSpan - 960);
    EXPECT_EQ(UndoName(), "Move MIDI Event");
    EXPECT_EQ(UndoCount(), 1u);
    // Released, nothing scrolls any more.
    headless::AdvanceClock(1000);
    Pump();
    EXPECT_EQ(View()->geo.timeOrigin, scrolled);
    Undo();
    EXPECT_EQ(Notes(), (std::vector<HostNote>{{960, 960, 72, true}}));
}

TEST_F(FrameworkTest, DraggingBelowTheGridScrollsTheRowsUnlessTheMoveIsTimeOnly) {
    Note(960, 960, 72);
    Open();
    UseTool(TOOL_SELECTION);
    Click(X(1200), Y(72));
    const int top = View()->geo.verticalTop;
    Down(X(1200), Y(72));
    Move(X(1200), Y(72) + 20);
    Move(X(1200), View()->geo.grid.bottom + 40);
    headless::AdvanceClock(1000);
    Pump();
    EXPECT_GT(View()->geo.verticalTop, top);
    Up(X(1200), View()->geo.grid.bottom + 40);
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_LT(Notes()[0].pitch, 72);
    Undo();

    // An Alt+drag (of the common handler) that goes sideways first is time-only: the rows stay.
    UseTool(TOOL_DRAW);
    Click(X(1200), Y(72));
    const int still = View()->geo.verticalTop;
    Down(X(1200), Y(72), 0, MOD_ALT);
    Move(X(1200) + 40, Y(72));
    Move(X(1200) + 40, View()->geo.grid.bottom + 40);
    headless::AdvanceClock(1000);
    Pump();
    EXPECT_EQ(View()->geo.verticalTop, still);
    Up(X(1200) + 40, View()->geo.grid.bottom + 40, 0, MOD_ALT);
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_EQ(Notes()[0].pitch, 72);
}

TEST_F(FrameworkTest, APressOnAnUnselectedNoteWithTheSelectionToolStartsAMarquee) {
    Note(960, 960, 72);
    Open();
    UseTool(TOOL_SELECTION);
    const std::vector<HostNote> before = Notes();
    Drag(X(1200), Y(72), X(2400), Y(72));
    EXPECT_EQ(Notes(), before);
    EXPECT_EQ(UndoCount(), 0u);
    EXPECT_EQ(Selected().size(), 1u);
    // An edge of a selected note neither sizes nor moves it with this tool.
    Drag(X(1920) - 1, Y(72), X(2880), Y(72));
    EXPECT_EQ(Notes(), before);
    EXPECT_EQ(UndoCount(), 0u);
}

TEST_F(FrameworkTest, AGroupDraggedUpStopsWhenItsHighestNoteReachesTheTopRow) {
    Note(960, 480, 126);
    Note(960, 480, 120);
    Open();
    SetRows(0, 11);
    ASSERT_NO_FATAL_FAILURE(SelectGroup(X(900), Y(127), X(1600), Y(119), 2));
    Drag(X(1200), Y(120), X(1200), Y(127));
    const std::vector<HostNote> after = Notes();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].pitch, 121);
    EXPECT_EQ(after[1].pitch, 127);
}

TEST_F(FrameworkTest, WithScaleSnappingAVerticalMoveLeavesNotesThatWouldLeaveTheScale) {
    Note(960, 480, 60);
    Note(960, 480, 64);
    Open();
    Command(CMD_SCALE_FIRST);     // major
    Command(CMD_ROOT_FIRST);      // on C
    Command(CMD_TOGGLE_SCALE_SNAPPING);
    ASSERT_NE(Settings()->scaleSnap, 0);
    ASSERT_NO_FATAL_FAILURE(SelectGroup(X(900), Y(65), X(1600), Y(59), 2));
    Drag(X(1200), Y(64), X(1200), Y(65));
    const std::vector<HostNote> after = Notes();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0].pitch, 60) << "C# is outside C major";
    EXPECT_EQ(after[1].pitch, 65);
    // Alt lets every note move.
    Drag(X(1200), Y(65), X(1200), Y(66), MOD_ALT);
    EXPECT_EQ(Notes()[0].pitch, 61);
    EXPECT_EQ(Notes()[1].pitch, 66);
}

TEST_F(FrameworkTest, MovingOntoANoteOfTheSamePitchLeavesBothNotes) {
    Note(960, 480, 72);
    Note(2880, 480, 72);
    Open();
    Click(X(1200), Y(72));
    Drag(X(1200), Y(72), X(1200) + 192, Y(72));
    const std::vector<HostNote> after = Notes();
    ASSERT_EQ(after.size(), 2u);
    EXPECT_EQ(after[0], (HostNote{2880, 480, 72, false}));
    EXPECT_EQ(after[1], (HostNote{2880, 480, 72, false}));
}

TEST_F(FrameworkTest, DraggingEdgesSizesTheNote) {
    Note(960, 960, 72);
    Open();
    Drag(X(1920) - 1, Y(72), X(2880), Y(72));
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_EQ(Notes()[0], (HostNote{960, 1930, 72, true}));
    EXPECT_EQ(UndoName(), "Size MIDI Event");
    Drag(X(960) + 1, Y(72), X(480), Y(72));
    EXPECT_EQ(Notes()[0], (HostNote{470, 2420, 72, true}));
    // The start cannot pass the end.
    Drag(X(470) + 1, Y(72), X(5000), Y(72));
    EXPECT_EQ(Notes()[0], (HostNote{2889, 1, 72, true}));
    EXPECT_EQ(UndoCount(), 3u);
    Undo();
    Undo();
    Undo();
    EXPECT_EQ(Notes()[0], (HostNote{960, 960, 72, false}));
}

// Rows of the note records the last grid paint drew.
std::vector<int> PaintedRows(const TrackView* v) {
    std::vector<int> rows;
    for (std::size_t i = static_cast<std::size_t>(v->gridCache.displayRowCount); i < v->gridCache.displayList.size(); ++i)
        rows.push_back(v->gridCache.displayList[i].row);
    return rows;
}

TEST_F(FrameworkTest, TheGridShowsADraggedNoteWhereTheDragPutsIt) {
    Note(960, 960, 72);
    Open();
    Click(X(1200), Y(72));
    Down(X(1200), Y(72));
    Move(X(1250), Y(69));
    Repaint();
    EXPECT_EQ(PaintedRows(View()), std::vector<int>{127 - 69});
    EXPECT_EQ(Notes()[0].pitch, 72) << "the host sees nothing before the release";
    Up(X(1250), Y(69));
    Wait();
    Repaint();
    EXPECT_EQ(PaintedRows(View()), std::vector<int>{127 - 69});
    EXPECT_EQ(Notes()[0].pitch, 69);

    // A note being drawn shows before it exists in the host.
    Down(X(3000), Y(66));
    Move(X(3500), Y(66));
    Repaint();
    EXPECT_EQ(PaintedRows(View()).size(), 2u);
    EXPECT_EQ(Notes().size(), 1u);
    Up(X(3500), Y(66));
    EXPECT_EQ(Notes().size(), 2u);
}

TEST_F(FrameworkTest, ANoteDraggedIntoTheRightMarginStaysInSight) {
    Note(960, 960, 72);
    Open();
    Click(X(1200), Y(72));
    Down(X(1200), Y(72));
    Move(X(1300), Y(72));
    // The margin maps no time and shows no notes: the note stops where time is still shown.
    Move(View()->geo.grid.right - 3, Y(72));
    Repaint();
    EXPECT_EQ(PaintedRows(View()), std::vector<int>{127 - 72});
    EXPECT_NE(View()->autoScroll.mode, 0u) << "the margin already scrolls";
    Up(View()->geo.grid.right - 3, Y(72));
    ASSERT_EQ(Notes().size(), 1u);
    EXPECT_LT(Notes()[0].time, View()->geo.timeOrigin + View()->geo.timeSpan);
}

// Escape ends a drag of the ruler; it is no gesture of the grid's tool, so the track's pending edit
// and its undo history stay as they are.
TEST_F(FrameworkTest, EscapeInARulerScrollLeavesThePendingEditAndTheHistoryAlone) {
    Open();
    Drag(X(1000), Y(72), X(1500), Y(72));
    ASSERT_EQ(UndoName(), "Draw MIDI Event");
    const std::size_t steps = UndoCount();
    SetTimeView(2000, View()->geo.timeSpan);
    mp::TrackAccess* access = View()->access;
    ASSERT_GE(access->InsertNote(2400, 480, 127 - 60, false), 0);

    const RECT ruler = View()->panes[PANE_RULER].rect;
    const int y = (ruler.top + ruler.bottom) / 2;
    Down(ruler.left + 300, y);
    Move(ruler.left + 250, y);
    Move(ruler.left + 200, y);
    ASSERT_EQ(View()->geo.timeOrigin, 2500) << "the ruler scrolls the view";
    Key(VK_ESCAPE);
    EXPECT_EQ(access->QueuedInsertCount(), 1) << "the pending edit is kept";
    EXPECT_EQ(UndoCount(), steps);
    EXPECT_EQ(UndoName(), "Draw MIDI Event");
    EXPECT_EQ(DragState(), Drag::None) << "Escape ends the ruler's drag";
    Move(ruler.left + 100, y);
    Up(ruler.left + 100, y);
    EXPECT_EQ(View()->geo.timeOrigin, 2500) << "the ended drag scrolls no further";
    access->DiscardEdits();
}

TEST_F(FrameworkTest, EachToolNamesItsCursors) {
    Open();
    TrackView* v = View();
    Pane& grid = v->panes[PANE_GRID];
    auto cursor = [&](int code) { return grid.paneClass->GetCursor(v, &grid, static_cast<std::uint32_t>(code)); };
    EXPECT_EQ(cursor(HitEmpty), VOR_CURSOR_PENCIL);
    EXPECT_EQ(cursor(HitNote), VOR_CURSOR_ARROW);
    EXPECT_EQ(cursor(HitNoteStart), VOR_CURSOR_NOTE_START);
    EXPECT_EQ(cursor(HitNoteEnd), VOR_CURSOR_NOTE_END);
    EXPECT_EQ(cursor(HitOutside), VOR_CURSOR_ARROW);
    UseTool(TOOL_SELECTION);
    EXPECT_EQ(cursor(HitNoteEnd), VOR_CURSOR_MARQUEE);
    UseTool(TOOL_ZOOM);
    EXPECT_EQ(cursor(HitNote), VOR_CURSOR_MAGNIFIER);
    UseTool(TOOL_PAINT);
    EXPECT_EQ(cursor(HitOutside), VOR_CURSOR_ARROW);
    EXPECT_EQ(cursor(HitEmpty), VOR_CURSOR_BRUSH);
    UseTool(TOOL_ERASE);
    EXPECT_EQ(cursor(HitNote), VOR_CURSOR_ERASER);

}

TEST_F(FrameworkTest, CtrlWheelScrollsRowsAndWithAltChangesTheRowHeight) {
    Open();
    const int top = View()->geo.topRow;
    headless::Wheel(ViewWindow(), X(1000), Y(70), -120, MOD_CONTROL);
    Pump();
    EXPECT_EQ(View()->geo.topRow, top + 3);
    headless::Wheel(ViewWindow(), X(1000), Y(70), 240, MOD_CONTROL);
    Pump();
    EXPECT_EQ(View()->geo.topRow, top - 3);
    const int level = View()->geo.rowHeightLevel;
    // Up makes the rows taller, down shorter.
    headless::Wheel(ViewWindow(), X(1000), Y(70), 120, MOD_CONTROL | MOD_ALT);
    Pump();
    EXPECT_EQ(View()->geo.rowHeightLevel, level + 1);
    headless::Wheel(ViewWindow(), X(1000), Y(70), -240, MOD_CONTROL | MOD_ALT);
    Pump();
    EXPECT_EQ(View()->geo.rowHeightLevel, level - 1);
    // Without Ctrl the grid leaves the wheel alone.
    headless::Wheel(ViewWindow(), X(1000), Y(70), -120);
    Pump();
    EXPECT_EQ(View()->geo.rowHeightLevel, level - 1);
}

class SelectionByPressTest : public ToolFixture {
protected:
    void SetUp() override {
        ToolFixture::SetUp();
        Note(960, 480, 72);
        Note(1920, 480, 70);
        Note(2880, 480, 68);
        Note(4800, 480, 72);
    }
};

TEST_F(SelectionByPressTest, ShiftPressSelectsTheRectangleFromTheAnchor) {
    Open();
    Click(X(1200), Y(72));
    Click(X(3000), Y(68), MOD_SHIFT);
    const std::vector<HostNote> selected = Selected();
    ASSERT_EQ(selected.size(), 3u);
    EXPECT_EQ(selected[0].time, 960);
    EXPECT_EQ(selected[2].time, 2880);
    EXPECT_EQ(UndoCount(), 0u);
    // The Selection tool's Shift click takes the rectangle from the anchor to the pressed row.
    UseTool(TOOL_SELECTION);
    Click(X(5000), Y(72), MOD_SHIFT);
    ASSERT_EQ(Selected().size(), 2u);
    EXPECT_EQ(Selected()[0].time, 960);
    EXPECT_EQ(Selected()[1].time, 4800);
}

TEST_F(SelectionByPressTest, TheRightButtonKeepsASelectedGroupAndOtherwiseSelectsWhatItHits) {
    Open();
    Click(X(1200), Y(72));
    Click(X(3000), Y(68), MOD_SHIFT);
    ASSERT_EQ(Selected().size(), 3u);
    Click(X(2100), Y(70), 0, backend::BUTTON_RIGHT);
    EXPECT_EQ(Selected().size(), 3u);
    EXPECT_EQ(DragState(), Drag::None);
    Click(X(5000), Y(72), 0, backend::BUTTON_RIGHT);
    ASSERT_EQ(Selected().size(), 1u);
    EXPECT_EQ(Selected()[0].time, 4800);
    // A right drag does nothing; on an empty cell everything is deselected.
    const std::vector<HostNote> before = Notes();
    Drag(X(5000), Y(72), X(6000), Y(66), 0, 4, backend::BUTTON_RIGHT);
    EXPECT_EQ(Notes(), before);
    // Nor does a left press that joins it.
    Down(X(5000), Y(72), backend::BUTTON_RIGHT);
    headless::MouseDown(backend::BUTTON_LEFT);
    Move(X(6000), Y(66));
    headless::MouseUp(backend::BUTTON_LEFT);
    Up(X(6000), Y(66), backend::BUTTON_RIGHT);
    Wait();
    EXPECT_EQ(Notes(), before);
    Click(X(7000), Y(60), 0, backend::BUTTON_RIGHT);
    EXPECT_TRUE(Selected().empty());
    EXPECT_EQ(UndoCount(), 0u);
}

// With monitoring on, a pressed note sounds until the release; the lowest pitch is silenced too.
TEST_F(FrameworkTest, MonitoringSoundsAPressedNoteUntilTheRelease) {
    Note(960, 480, 72);
    Open();
    View()->access->SetMonitoring(true);
    sent.clear();
    Down(X(1200), Y(72));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].kind, mp::MEK_NOTE);
    EXPECT_EQ(sent[0].data[0], 72);
    EXPECT_EQ(sent[0].data[1], 100);
    Up(X(1200), Y(72));
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].kind, mp::MEK_NOTE_OFF);
    SoundPitch(View(), 0, 100, 90);
    SilenceNote(View());
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[3].kind, mp::MEK_NOTE_OFF);
    EXPECT_EQ(sent[3].data[0], 0);
}

} // namespace
} // namespace tooltest
