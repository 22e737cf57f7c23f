// Following playback centred, the playback line, and auto-scrolling on both axes (the keys, the wheel,
// page-by-page following, keys while playing and the middle button: view_time_keys.script and
// view_follow.script); the scroll bars: layout, part codes and cursors, the smallest parts and the
// pushed arrow (what the parts do: view_scroll_bar_parts.script).
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "view/track_view.h"
#include "view_fixture.h"
#include "win/backend.h"

namespace {

using namespace win;
using namespace pianoroll;
using harness::ViewFixture;

using Scrolling = ViewFixture;

TEST_F(Scrolling, CentredFollowingEasesTheLineToTheMiddleOrJumpsFromAfar) {
    OpenLongSong();
    TrackView* v = V();
    v->follow.centred = true;
    SetTimeView(0, 16 * kQuarter);
    SetPlaying(v, true);
    const int middle = v->geo.grid.left + v->geo.gridWidth / 2;
    // The first position stays where it is drawn, then glides one pixel per update to the middle.
    SetPlaybackPosition(v, 12 * kQuarter);
    EXPECT_EQ(v->geo.timeOrigin, 0);
    int gap = pianoroll::XOfTick(v, 12 * kQuarter) - middle;
    ASSERT_GT(gap, 10);
    const int updates = gap + 3;
    for (int i = 1; i <= updates; ++i) {
        const std::int64_t p = 12 * kQuarter + i * 5;
        SetPlaybackPosition(v, p);
        const int now = pianoroll::XOfTick(v, p) - middle;
        EXPECT_LE(now, gap) << "update " << i;
        gap = now;
    }
    EXPECT_LE(std::abs(gap), 1);
    EXPECT_EQ(v->follow.offset, 0);
    // A new playback far outside the view puts the line in the middle at once.
    SetPlaying(v, false);
    SetPlaying(v, true);
    SetPlaybackPosition(v, 48 * kQuarter);
    EXPECT_LE(std::abs(pianoroll::XOfTick(v, 48 * kQuarter) - middle), 1);
    SetPlaying(v, false);
}

TEST_F(Scrolling, ReversedVerticalAutoScrollMovesAwayFromThePointer) {
    OpenLongSong();
    TrackView* v = V();
    SetRows(40, 5);
    const int top = v->geo.verticalTop;
    const int x = (v->geo.grid.left + v->geo.grid.right) / 2;
    Move(x, v->geo.grid.bottom + 30);
    // The ruler stands for a pane whose drag goes on (the grid would stop it, having none).
    v->hitCode = v->panes[PANE_RULER].id;
    AutoScrollForPoint(v, x, v->geo.grid.bottom + 30, v->geo.grid, 0, AS_VERTICAL | AS_REVERSE);
    headless::AdvanceClock(1000);
    Pump();
    EXPECT_LT(v->geo.verticalTop, top);
    // Back inside, it stops by itself.
    Move(x, v->geo.grid.bottom - 30);
    headless::AdvanceClock(200);
    Pump();
    EXPECT_EQ(v->autoScroll.mode, 0u);
}

TEST_F(Scrolling, AutoScrollOnBothAxesGoesOnWhereTimeCannot) {
    OpenLongSong();
    TrackView* v = V();
    SetRows(40, 5);
    const int top = v->geo.verticalTop;
    const RECT& grid = v->geo.grid;
    v->hitCode = v->panes[PANE_RULER].id; // a pane whose drag goes on
    // Left of the view at the song's start: time alone has nowhere to go and stops at once.
    Move(grid.left - 30, grid.bottom + 30);
    AutoScrollForPoint(v, grid.left - 30, (grid.top + grid.bottom) / 2, grid, 0, AS_HORIZONTAL);
    EXPECT_EQ(v->autoScroll.mode, 0u);
    // With rows that could scroll it goes on, even while the pointer is level with the grid.
    AutoScrollForPoint(v, grid.left - 30, (grid.top + grid.bottom) / 2, grid, 0, AS_HORIZONTAL | AS_VERTICAL);
    EXPECT_NE(v->autoScroll.mode, 0u);
    // Below as well: the rows scroll.
    AutoScrollForPoint(v, grid.left - 30, grid.bottom + 30, grid, 0, AS_HORIZONTAL | AS_VERTICAL);
    headless::AdvanceClock(1000);
    Pump();
    EXPECT_EQ(v->geo.timeOrigin, 0);
    EXPECT_GT(v->geo.verticalTop, top);
}

TEST_F(Scrolling, PlaybackLineFromTheGridsFirstColumnToItsLast) {
    OpenLongSong();
    TrackView* v = V();
    SetTimeView(8 * kQuarter, 16 * kQuarter);
    SetPlaying(v, true);
    v->follow.userMoved = true; // the view stays put
    const int y = (v->geo.grid.top + v->geo.grid.bottom) / 2 + 1;
    SetPlaybackPosition(v, 0);  // left of the view: no line
    Repaint();
    for (const std::int64_t t : {8 * kQuarter, 8 * kQuarter + 16 * kQuarter - 1}) {
        const int x = pianoroll::XOfTick(v, t);
        const std::uint32_t plain = Rgb(x, y);
        SetPlaybackPosition(v, t);
        Repaint();
        EXPECT_EQ(Rgb(x, y), ~plain & 0xFFFFFFu) << x;
        SetPlaybackPosition(v, 0);
        Repaint();
    }
    SetPlaying(v, false);
}

class ScrollBar : public ViewFixture {
protected:
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
    OpenLongSong();
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
    OpenLongSong();
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
    EXPECT_EQ((std::tuple{LastOfPart(5) - FindPart(5) + 1, tall}), (std::tuple{16, 14}));
    headless::ResetSystemMetrics();
}

// How far a held arrow scrolls: tests/scripts/view_scroll_bar_parts.script.
TEST_F(ScrollBar, OnlyThePressedArrowLooksPushed) {
    OpenLongSong();
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
