// Following playback centred, the playback line, and auto-scrolling on both axes (the keys, the wheel,
// page-by-page following, keys while playing and the middle button: view_time_keys.script and
// view_follow.script).
#include <gtest/gtest.h>

#include <cstdlib>

#include "view/track_view.h"
#include "view_fixture.h"
#include "win/backend.h"

namespace {

using namespace win;
using namespace pianoroll;
using harness::ViewFixture;

constexpr std::int64_t kQuarter = 960;

class Scrolling : public ViewFixture {
protected:
    void Open() {
        AddPianoTrack(64 * kQuarter, 0);
        OpenView(900, 600);
        ShowSong(64, 16 * kQuarter);
    }
};

TEST_F(Scrolling, CentredFollowingEasesTheLineToTheMiddleOrJumpsFromAfar) {
    Open();
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
    Open();
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
    Open();
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
    Open();
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

} // namespace
