// The tool framework below what the editing scripts see: hit codes, the stored tool, cursors, the
// notes the grid paints during a drag, the ruler's Escape, the wheel's row height and monitoring. The
// tools_* and other editing scripts drive the clicks, moves, sizes and keys.
#include <gtest/gtest.h>

#include "mp/track_access.h"
#include "tool_fixture.h"
#include "tools/tool_framework.h"
#include "vor/ui_resources.h"

namespace tooltest {
namespace {

using namespace pianoroll;
using namespace win;

using FrameworkTest = ToolFixture;

// The tools_hits script presses every edge and the body; here the codes outside the grid and of the
// coarse test of Paint and Erase.
TEST_F(FrameworkTest, HitCodesOutsideTheGridAndOfTheCoarseTest) {
    Note(960, 960, 72);
    Open();
    const int y = Y(72);
    const int xs = X(960), xe = X(1920);
    EXPECT_EQ(HitAt(X(1200), View()->geo.grid.top - 1), HitOutside);

    // Paint and Erase test coarsely: a note is a note wherever it is hit.
    UseTool(TOOL_PAINT);
    EXPECT_EQ((std::tuple{HitAt(xs + 1, y), HitAt(xe - 1, y), HitAt(X(2500), y)}),
              (std::tuple{HitNote, HitNote, HitEmpty}));
    // It reaches four pixels past either end, and no further.
    for (int reach : {4, 5}) {
        EXPECT_EQ(HitAt(xs - reach, y), reach == 4 ? HitNote : HitEmpty) << reach;
        EXPECT_EQ(HitAt(xe + reach, y), reach == 4 ? HitNote : HitEmpty) << reach;
    }
}

// The tools-by-key script steps through the ring; here the stored choice, its return with a new editor
// and an index past the tools.
TEST_F(FrameworkTest, TheChosenToolIsStoredComesBackWithTheEditorAndAnIndexPastTheToolsIsRefused) {
    Open();
    for (int expected : {TOOL_SELECTION, TOOL_PAINT, TOOL_ERASE, TOOL_ZOOM, TOOL_DRAW}) {
        Key('D');
        EXPECT_EQ(Settings()->savedViewWord, expected);
    }
    UseTool(TOOL_ERASE);
    EXPECT_EQ((std::tuple{ToolClassOf(kToolCount), SelectTool(View(), kToolCount), CurrentTool()}),
              (std::tuple{nullptr, 0, TOOL_ERASE}));
    // The settings block lives in the plug-in object, which outlives the editor.
    CloseEditor();
    ASSERT_EQ(OpenEditor(1000, 600), S_OK);
    EXPECT_EQ(CurrentTool(), TOOL_ERASE);
}

// ---- moves -------------------------------------------------------------------------------------------

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
    EXPECT_EQ((std::tuple{PaintedRows(View()).size(), Notes().size()}), (std::tuple{2u, 1u}));
    Up(X(3500), Y(66));
    EXPECT_EQ(Notes().size(), 2u);
}

// Escape ends a drag of the ruler; it is no gesture of the grid's tool, so the track's pending edit
// and its undo history stay as they are.
TEST_F(FrameworkTest, EscapeInARulerScrollLeavesThePendingEditAndTheHistoryAlone) {
    Open();
    Drag(X(1000), Y(72), X(1500), Y(72));
    ASSERT_EQ(UndoText(), "Draw MIDI Event");
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
    EXPECT_EQ((std::tuple{UndoCount(), UndoText()}), (std::tuple{steps, "Draw MIDI Event"}));
    EXPECT_EQ(DragState(), Drag::None) << "Escape ends the ruler's drag";
    Move(ruler.left + 100, y);
    Up(ruler.left + 100, y);
    EXPECT_EQ(View()->geo.timeOrigin, 2500) << "the ended drag scrolls no further";
    access->DiscardEdits();
}

TEST_F(FrameworkTest, EachToolNamesItsCursors) {
    Note(960, 960, 72);
    Open();
    TrackView* v = View();
    Pane& grid = v->panes[PANE_GRID];
    auto cursor = [&](int code) { return grid.paneClass->GetCursor(v, &grid, static_cast<std::uint32_t>(code)); };
    EXPECT_EQ(cursor(HitEmpty), VOR_CURSOR_PENCIL);
    EXPECT_EQ((std::tuple{cursor(HitNote), cursor(HitNoteStart), cursor(HitNoteEnd), cursor(HitOutside)}),
              (std::tuple{VOR_CURSOR_ARROW, VOR_CURSOR_NOTE_START, VOR_CURSOR_NOTE_END, VOR_CURSOR_ARROW}));
    UseTool(TOOL_SELECTION);
    EXPECT_EQ(cursor(HitNoteEnd), VOR_CURSOR_MARQUEE);
    UseTool(TOOL_ZOOM);
    EXPECT_EQ(cursor(HitNote), VOR_CURSOR_MAGNIFIER);
    UseTool(TOOL_PAINT);
    EXPECT_EQ(cursor(HitOutside), VOR_CURSOR_ARROW);
    EXPECT_EQ(cursor(HitEmpty), VOR_CURSOR_BRUSH);
    UseTool(TOOL_ERASE);
    EXPECT_EQ(cursor(HitNote), VOR_CURSOR_ERASER);

    // An Alt move shows the axis it keeps to while it lasts (by picture: the module keeps its own handles).
    const auto picture = [](HCURSOR shown) {
        backend::CursorImage image{};
        EXPECT_TRUE(backend::QueryCursorImage(shown, &image));
        return image.pixels ? std::vector<std::uint32_t>(image.pixels, image.pixels + image.width * image.height)
                            : std::vector<std::uint32_t>{};
    };
    UseTool(TOOL_DRAW);
    for (const bool sideways : {true, false}) {
        Down(X(1200), Y(72), 0, MOD_ALT);
        Move(sideways ? X(1200) + 40 : X(1200), sideways ? Y(72) : Y(69));
        EXPECT_EQ(picture(GetCursor()), picture(VorUI_LoadCursor(sideways ? VOR_CURSOR_MOVE_TIME : VOR_CURSOR_MOVE_PITCH)));
        Key(VK_ESCAPE);
        Up(X(1200), Y(72), 0, MOD_ALT);
        Wait();
    }
}

// With monitoring on, a pressed note sounds until the release; the lowest pitch too, also when a move
// takes it to another pitch.
TEST_F(FrameworkTest, MonitoringSoundsAPressedNoteUntilTheRelease) {
    Note(960, 480, 72);
    Note(2880, 480, 0);
    Open();
    View()->access->SetMonitoring(true);
    sent.clear();
    Down(X(1200), Y(72));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ((std::tuple{sent[0].kind, sent[0].data[0], sent[0].data[1]}),
              (std::tuple{mp::MEK_NOTE, 72, 100}));
    Up(X(1200), Y(72));
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].kind, mp::MEK_NOTE_OFF);
    SetRows(127 - 8, 11);
    Wait();
    sent.clear();
    Drag(X(3000), Y(0), X(3000), Y(1));
    std::vector<std::pair<std::uint32_t, int>> heard;
    for (const mp::MidiEventRecord& r : sent) heard.emplace_back(r.kind, r.data[0]);
    EXPECT_EQ(heard, (std::vector<std::pair<std::uint32_t, int>>{
                         {mp::MEK_NOTE, 0}, {mp::MEK_NOTE_OFF, 0}, {mp::MEK_NOTE, 1}, {mp::MEK_NOTE_OFF, 1}}));
}

} // namespace
} // namespace tooltest
