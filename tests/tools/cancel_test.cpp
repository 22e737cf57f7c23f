// The cancel rule of every drag state, by Escape and by the system taking the capture away. The tools_band
// script drives the rubber bands.
#include <gtest/gtest.h>

#include <ostream>

#include "mp/track_access.h"
#include "tool_fixture.h"

namespace tooltest {
namespace {

using namespace pianoroll;
using namespace win;

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
    // A cancelled marquee gives back just what was selected when it began.
    if (c.state == Drag::Marquee) {
        EXPECT_EQ(Selected(), selectedBefore);
    }
    // Nothing of the cancelled gesture rides along with the next edit.
    UseTool(TOOL_DRAW);
    Drag(X(7000), Y(66), X(7500), Y(66));
    EXPECT_EQ(Notes().size(), before.size() + 1) << c.name;
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
    {"marquee", TOOL_SELECTION, true, 4000, 71, 2000, 69, 0, 0, Drag::Marquee}, // over 70 only
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
