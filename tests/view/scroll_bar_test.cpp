// The scroll bars: layout, part codes and cursors, the smallest parts and the pushed arrow (what the
// parts do: view_scroll_bar_parts.script).
#include <gtest/gtest.h>

#include <vector>

#include "view/track_view.h"
#include "view_fixture.h"
#include "win/backend.h"

namespace {

using namespace win;
using namespace pianoroll;
using harness::ViewFixture;

constexpr std::int64_t kQuarter = 960;

class ScrollBar : public ViewFixture {
protected:
    void Open() {
        AddPianoTrack(64 * kQuarter, 0);
        OpenView(900, 600);
        ShowSong(64, 16 * kQuarter);
    }
    const Pane& HBar() const { return V()->panes[PANE_HSCROLL]; }
    const Pane& VBar() const { return V()->panes[PANE_VSCROLL]; }
    int BarY() const { return (HBar().rect.top + HBar().rect.bottom) / 2; }
    // The first and the last x of the horizontal bar with the part, -1 when none.
    int FindPart(int part, bool last = false) {
        int found = -1;
        for (int x = HBar().rect.left; x < HBar().rect.right && (last || found < 0); ++x)
            if (PartAt(x, BarY()) == part) found = x;
        return found;
    }
    int LastOfPart(int part) { return FindPart(part, true); }
};

TEST_F(ScrollBar, LayoutAndParts) {
    Open();
    // A size without width or height keeps the layout.
    const RECT grid = V()->geo.grid;
    SendMessage(ViewWindow(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, 300));
    SendMessage(ViewWindow(), WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 0));
    EXPECT_TRUE(EqualRect(&grid, &V()->geo.grid));
    EXPECT_GE(HBar().height, 14);
    EXPECT_GE(VBar().width, 14);
    EXPECT_LE(V()->geo.grid.bottom, HBar().rect.top);
    EXPECT_LE(V()->geo.grid.right, VBar().rect.left);
    // In order along the bar: arrow, page, thumb, page, arrow, zoom in, slider, zoom out, corner.
    int previous = -1;
    for (int part : {1, 9, 10, 11, 3, 4, 5, 6, 7, 8}) {
        const int x = FindPart(part);
        ASSERT_GE(x, 0) << part;
        EXPECT_GT(x, previous) << part;
        previous = x;
    }
    EXPECT_EQ(LastOfPart(6) - FindPart(6) + 1, 6); // the slider gap
    EXPECT_EQ(FindPart(8), VBar().rect.left);      // the corner box under the vertical bar
    // The vertical thumb has no resizable edges.
    const int vx = (VBar().rect.left + VBar().rect.right) / 2;
    for (int y = VBar().rect.top; y < VBar().rect.bottom; ++y) EXPECT_TRUE(PartAt(vx, y) != 9 && PartAt(vx, y) != 11) << y;
    // Cursors.
    Pane bar = HBar();
    EXPECT_EQ(bar.paneClass->GetCursor(V(), &bar, 9), 13);
    EXPECT_EQ(bar.paneClass->GetCursor(V(), &bar, 6), 9);
    EXPECT_EQ(bar.paneClass->GetCursor(V(), &bar, 10), 32512);
}

TEST_F(ScrollBar, ZoomButtonsAndThumbKeepTheirSmallestSizeWhenTheSystemAsksForLess) {
    headless::SetSystemMetric(SM_CXHSCROLL, 8);
    headless::SetSystemMetric(SM_CYVSCROLL, 8);
    Open();
    // A thumb the system would have 8 pixels wide is 12, two less than one of 14.
    SetTimeZoom(V(), 0, ZOOM_ALL_IN);
    auto thumbAtMetric = [&](int metric) {
        headless::SetSystemMetric(SM_CXHTHUMB, metric);
        return LastOfPart(11) - FindPart(9);
    };
    EXPECT_EQ(thumbAtMetric(14) - thumbAtMetric(8), 2);
    const int x = (VBar().rect.left + VBar().rect.right) / 2;
    int tall = 0;
    for (int y = VBar().rect.top; y < VBar().rect.bottom; ++y) tall += PartAt(x, y) == 5;
    EXPECT_EQ(LastOfPart(5) - FindPart(5) + 1, 16);
    EXPECT_EQ(tall, 14);
    headless::ResetSystemMetrics();
}

// How far a held arrow scrolls: tests/scripts/view_scroll_bar_parts.script.
TEST_F(ScrollBar, OnlyThePressedArrowLooksPushed) {
    Open();
    const int arrow = FindPart(4), leading = FindPart(1);
    // A column of the arrow's left edge: the arrows' match while neither is pressed.
    auto edge = [&](int x) {
        std::vector<std::uint32_t> pixels;
        for (int y = HBar().rect.top; y < HBar().rect.bottom; ++y) pixels.push_back(Rgb(x, y));
        return pixels;
    };
    const std::vector<std::uint32_t> raised = edge(arrow);
    EXPECT_EQ(edge(leading), raised);
    Press(leading + 3, BarY());
    EXPECT_NE(edge(leading), raised);
    Release(leading + 3, BarY());
    SetTimeView(0, 16 * kQuarter);
    Press(arrow, BarY());
    EXPECT_EQ(edge(leading), raised);
    EXPECT_NE(edge(arrow), raised);
    Release(arrow, BarY());
}

} // namespace
