// The Selection and Zoom tools' rubber band, and the cancel rule of every drag state.
#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>

#include "mp/track_access.h"
#include "tool_fixture.h"

namespace tooltest {
namespace {

using namespace pianoroll;
using namespace win;

using BandTest = ToolFixture;
using CancelTest = ToolFixture;

TEST_F(BandTest, RightClickingTwiceDuringAMarqueeLeavesTheNextOneInRowsOnlyMode) {
    Note(960, 480, 72);
    Note(5000, 480, 72);
    Note(5000, 480, 60);
    Open();
    UseTool(TOOL_SELECTION);
    const int mode = View()->tools->band.mode;
    Click(X(1000), Y(72));
    Down(X(1000), Y(72)); // a right click while notes move leaves the band alone
    Move(X(1100), Y(72));
    headless::MouseDown(backend::BUTTON_RIGHT);
    headless::MouseUp(backend::BUTTON_RIGHT);
    Up(X(1000), Y(72));
    Wait();
    ASSERT_EQ(View()->tools->band.mode, mode);
    Down(X(100), Y(70));
    Move(X(100) + 1, Y(70));
    Move(X(300), Y(68));
    for (int i = 0; i < 2; ++i) {
        headless::MouseDown(backend::BUTTON_RIGHT);
        Pump();
        headless::MouseUp(backend::BUTTON_RIGHT);
        Pump();
    }
    Up(X(300), Y(68));
    Wait();
    EXPECT_EQ(View()->tools->band.mode, BAND_ROWS);
    EXPECT_EQ(DragState(), Drag::None);
    // A small box over row 72 now takes the whole row.
    Marquee(X(2000), Y(73), X(2100), Y(71));
    const std::vector<HostNote> selected = Selected();
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0].pitch, 72);
    EXPECT_EQ(selected[1].pitch, 72);
    EXPECT_EQ(UndoCount(), 0u);
}

TEST_F(BandTest, ShiftMarqueeAddsToTheSelectionAndShrinkingDropsOnlyTheNewNotes) {
    Note(960, 480, 72);
    Note(2880, 480, 72);
    Note(4800, 480, 72);
    Note(3000, 480, 66);
    Open();
    UseTool(TOOL_SELECTION);
    Click(X(1000), Y(72));
    ASSERT_EQ(Selected().size(), 1u);
    Down(X(2700), Y(73), 0, MOD_SHIFT);
    Move(X(2700) + 1, Y(73));
    Move(X(3500), Y(71));
    EXPECT_EQ(Selected().size(), 2u);
    // Moves along one axis alone grow the box too.
    Move(X(3500), Y(65));
    EXPECT_EQ(Selected().size(), 3u);
    Move(X(5500), Y(65));
    EXPECT_EQ(Selected().size(), 4u);
    Move(X(3500), Y(71));
    Up(X(3500), Y(71), 0, MOD_SHIFT);
    const std::vector<HostNote> selected = Selected();
    ASSERT_EQ(selected.size(), 2u);
    EXPECT_EQ(selected[0].time, 960);
    EXPECT_EQ(selected[1].time, 2880);
    // Without Shift a marquee replaces the selection; over nothing it leaves nothing selected.
    Marquee(X(6000), Y(60), X(6500), Y(58));
    EXPECT_TRUE(Selected().empty());
}

TEST_F(BandTest, AZoomBoxOfTenPixelsIsAClickAndElevenPixelsZoom) {
    Open();
    UseTool(TOOL_ZOOM);
    const std::int64_t span = View()->geo.timeSpan;
    const int topRow = View()->geo.topRow;
    Drag(X(1000), Y(70), X(1000) + 10, Y(70) + 10);
    EXPECT_EQ(View()->geo.timeSpan, span);
    EXPECT_EQ(View()->geo.topRow, topRow);
    Drag(X(1000), Y(70), X(1000) + 11, Y(70) + 5);
    EXPECT_LT(View()->geo.timeSpan, span);
    EXPECT_EQ(View()->geo.timeOrigin, 1000);
    EXPECT_EQ(CurrentTool(), TOOL_ZOOM);
}

// ---- cancel ------------------------------------------------------------------------------------------------

struct CancelCase {
    const char* name;
    int tool;
    bool select; // select the note at 960 first
    int x0, y0, x1, y1;
    int button;
    unsigned mods;
    Drag state; // the drag state before the cancel
};

void PrintTo(const CancelCase& c, std::ostream* os) { *os << c.name; }

class CancelEveryState : public ToolFixture, public ::testing::WithParamInterface<std::tuple<CancelCase, bool>> {};

TEST_P(CancelEveryState, LeavesTheHostDataAndUndoHistoryAsBeforeThePress) {
    const CancelCase& c = std::get<0>(GetParam());
    const bool escape = std::get<1>(GetParam());
    Note(960, 960, 72);
    Note(2880, 960, 70);
    Open();
    Drag(X(5000), Y(66), X(6000), Y(66)); // one undo step of history to keep
    if (c.select) {
        UseTool(TOOL_DRAW);
        Click(X(1200), Y(72));
    }
    UseTool(c.tool);
    const std::vector<HostNote> before = Notes();
    const std::vector<HostNote> selectedBefore = Selected();
    const std::size_t undoBefore = UndoCount();
    const std::int64_t span = View()->geo.timeSpan;
    std::int64_t loopBefore[2] = {}, loopAfter[2] = {};
    View()->access->GetLoopRegion(&loopBefore[0], &loopBefore[1]);

    Down(X(c.x0), Y(c.y0), c.button, c.mods);
    for (int i = 1; i <= 4; ++i) Move(X(c.x0 + (c.x1 - c.x0) * i / 4), Y(c.y0 + (c.y1 - c.y0) * i / 4));
    EXPECT_EQ(DragState(), c.state) << c.name;
    if (escape) Key(VK_ESCAPE);
    else backend::InputCancelMode();
    Pump();
    EXPECT_EQ(DragState(), Drag::None) << c.name;
    EXPECT_NE(GetCapture(), ViewWindow()) << c.name;
    Up(X(c.x1), Y(c.y1), c.button, c.mods);
    Wait();
    EXPECT_EQ(Notes(), before) << c.name;
    EXPECT_EQ(UndoCount(), undoBefore) << c.name;
    EXPECT_EQ(View()->geo.timeSpan, span) << c.name;
    // Nor does it leave a time selection or a new loop region behind.
    EXPECT_EQ(View()->time.selectionLength, 0) << c.name;
    View()->access->GetLoopRegion(&loopAfter[0], &loopAfter[1]);
    EXPECT_EQ(loopAfter[0], loopBefore[0]) << c.name;
    EXPECT_EQ(loopAfter[1], loopBefore[1]) << c.name;
    // A cancelled marquee gives back what was selected when it began.
    for (const HostNote& n : selectedBefore) EXPECT_NE(std::find(Selected().begin(), Selected().end(), n), Selected().end());
}

const CancelCase kCancelCases[] = {
    {"move", TOOL_DRAW, true, 1200, 72, 2400, 69, 0, 0, Drag::MoveNotes},
    {"copy", TOOL_DRAW, true, 1200, 72, 2400, 69, 0, MOD_CONTROL, Drag::MoveNotes},
    {"size end", TOOL_DRAW, false, 1919, 72, 3000, 72, 0, 0, Drag::SizeEnd},
    {"size start", TOOL_DRAW, false, 961, 72, 300, 72, 0, 0, Drag::SizeStart},
    {"draw", TOOL_DRAW, false, 4000, 64, 4800, 64, 0, 0, Drag::DrawSize},
    {"paint", TOOL_PAINT, false, 500, 72, 4000, 72, 0, 0, Drag::PaintStroke},
    {"erase", TOOL_ERASE, false, 500, 72, 4000, 72, 0, 0, Drag::EraseStroke},
    {"paint erasing", TOOL_PAINT, false, 500, 70, 4000, 70, backend::BUTTON_RIGHT, 0, Drag::EraseStroke},
    {"marquee", TOOL_SELECTION, true, 4000, 74, 500, 69, 0, 0, Drag::Marquee},
    {"selection move", TOOL_SELECTION, true, 1200, 72, 2400, 69, 0, 0, Drag::MoveNotes},
    {"zoom box", TOOL_ZOOM, false, 1000, 72, 3000, 64, 0, 0, Drag::ZoomBox},
    {"time selection", TOOL_DRAW, false, 4000, 60, 4500, 60, 0, MOD_CONTROL | MOD_SHIFT, Drag::TimeSelect},
};

INSTANTIATE_TEST_SUITE_P(Tools, CancelEveryState,
                         ::testing::Combine(::testing::ValuesIn(kCancelCases), ::testing::Bool()),
                         [](const ::testing::TestParamInfo<std::tuple<CancelCase, bool>>& info) {
                             std::string name = std::get<0>(info.param).name;
                             for (char& ch : name)
                                 if (ch == ' ') ch = '_';
                             return name + (std::get<1>(info.param) ? "_escape" : "_capture_loss");
                         });

} // namespace
} // namespace tooltest
