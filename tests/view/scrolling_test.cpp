// Zooming and scrolling the time axis from the keys and the wheel: zoom steps and their limits, the
// Ctrl+Up spans, moving the edit cursor with the cursor keys, transport keys, zoom to a range and the
// wheel with its modifiers.
#include <gtest/gtest.h>

#include <cstdlib>

#include "mp/settings.h"
#include "mp/track_access.h"
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
    void WheelAt(int delta, unsigned mods = 0) {
        headless::Wheel(ViewWindow(), V()->geo.grid.left + 300, (V()->geo.grid.top + V()->geo.grid.bottom) / 2, delta, mods);
        Pump();
    }
};

TEST_F(Scrolling, ZoomStepsStopAtTheirLimits) {
    Open();
    TrackView* v = V();
    ASSERT_TRUE(SetTimeZoom(v, 0, ZOOM_ALL_OUT));
    EXPECT_EQ(v->geo.timeZoomLevel, v->geo.maxTimeZoomLevel);
    const std::int64_t span = v->geo.timeSpan;
    EXPECT_FALSE(SetTimeZoom(v, 1, ZOOM_STEPS));
    Key(VK_DOWN);
    EXPECT_EQ(v->geo.timeSpan, span);
    ASSERT_TRUE(SetTimeZoom(v, 0, ZOOM_ALL_IN));
    EXPECT_EQ(v->geo.timeZoomLevel, 0);
    EXPECT_FALSE(SetTimeZoom(v, -1, ZOOM_STEPS));
    // Up zooms in, Down out, centred on the edit cursor.
    SetTimeView(0, 16 * kQuarter);
    MoveEditCursor(v, 20 * kQuarter, 0, MEC_NO_HISTORY);
    const int level = v->geo.timeZoomLevel;
    Key(VK_UP);
    EXPECT_EQ(v->geo.timeZoomLevel, level - 1);
    EXPECT_NEAR(static_cast<double>(v->geo.timeOrigin + v->geo.timeSpan / 2), 20.0 * kQuarter, 2.0);
    Key(VK_DOWN);
    EXPECT_EQ(v->geo.timeZoomLevel, level);
}

TEST_F(Scrolling, CtrlUpAndCtrlDownSpans) {
    Open();
    TrackView* v = V();
    MoveEditCursor(v, 10 * kQuarter, 0, MEC_NO_HISTORY);
    SetTimeView(0, 4 * v->geo.zoomPixels);
    Key(VK_UP, headless::MOD_CONTROL);
    EXPECT_EQ(v->geo.timeSpan, v->geo.zoomPixels);
    SetTimeView(0, 20 * v->geo.zoomPixels);
    Key(VK_UP, headless::MOD_CONTROL);
    EXPECT_EQ(v->geo.timeSpan, 10 * v->geo.zoomPixels);
    Key(VK_DOWN, headless::MOD_CONTROL);
    EXPECT_EQ(v->geo.timeSpan, v->geo.documentLength);
    EXPECT_EQ(v->geo.timeOrigin, 0);
    // With the cursor on the loop region's start, Ctrl+Up fits the region.
    SetLoopRange(v, 8 * kQuarter, 4 * kQuarter);
    MoveEditCursor(v, 8 * kQuarter, 0, MEC_NO_HISTORY);
    Key(VK_UP, headless::MOD_CONTROL);
    EXPECT_EQ(v->geo.timeSpan, 4 * kQuarter);
    EXPECT_LE(v->geo.timeOrigin, 8 * kQuarter);
    // Zoom to an empty range does nothing.
    EXPECT_FALSE(ZoomToRange(v, 3 * kQuarter, 0));
}

TEST_F(Scrolling, CursorKeysMoveTheEditCursor) {
    Open();
    TrackView* v = V();
    Settings()->snapEnabled = 0;
    MoveEditCursor(v, 4 * kQuarter, 0, MEC_NO_HISTORY);
    const std::int64_t pixel = std::max<std::int64_t>(v->geo.timeSpan / v->geo.zoomPixels, 1);
    Key(VK_RIGHT);
    EXPECT_EQ(v->time.editCursor, 4 * kQuarter + pixel);
    Key(VK_LEFT);
    Key(VK_LEFT);
    EXPECT_EQ(v->time.editCursor, 4 * kQuarter - pixel);
    Key(VK_HOME);
    EXPECT_EQ(v->time.editCursor, v->geo.timeOrigin);
    Key(VK_END);
    EXPECT_EQ(v->time.editCursor, v->geo.timeOrigin + v->geo.timeSpan - 1);
    Key(VK_END, headless::MOD_CONTROL);
    EXPECT_EQ(v->time.editCursor, v->geo.documentLength);
    // The cursor was scrolled into view.
    EXPECT_GE(v->time.editCursor, v->geo.timeOrigin);
    EXPECT_LE(v->time.editCursor, v->geo.timeOrigin + v->geo.timeSpan);
    Key(VK_HOME, headless::MOD_CONTROL);
    EXPECT_EQ(v->time.editCursor, 0);
    EXPECT_EQ(v->geo.timeOrigin, 0);
    Key(VK_LEFT);
    EXPECT_EQ(v->time.editCursor, 0);
    // Page Down: ten pixels' worth, up to the grid; Page Up back down to it.
    v->snap.gridSpacing = static_cast<double>(2 * pixel);
    Key(VK_NEXT);
    EXPECT_EQ(v->time.editCursor, 10 * pixel);
    v->snap.gridSpacing = kQuarter;
    Key(VK_NEXT);
    EXPECT_EQ(v->time.editCursor, kQuarter * ((20 * pixel + kQuarter - 1) / kQuarter));
    const std::int64_t at = v->time.editCursor;
    Key(VK_PRIOR);
    EXPECT_EQ(v->time.editCursor, kQuarter * ((at - 10 * pixel) / kQuarter));
    // Backspace goes back through the time selections.
    MoveEditCursor(v, 2 * kQuarter, kQuarter, 0);
    MoveEditCursor(v, 6 * kQuarter, 0, 0);
    Key(VK_BACK);
    EXPECT_EQ(v->time.editCursor, 2 * kQuarter);
    // At one tick a pixel, a step right of the view's last tick scrolls.
    SetTimeZoom(v, 0, ZOOM_ALL_IN);
    Key(VK_END);
    const std::int64_t lastOrigin = v->geo.timeOrigin;
    Key(VK_RIGHT);
    EXPECT_EQ(v->time.editCursor, lastOrigin + v->geo.timeSpan);
    EXPECT_GT(v->geo.timeOrigin, lastOrigin);
}

TEST_F(Scrolling, SpaceStartsAndStopsTheHostTransport) {
    Open();
    mp::TrackAccess* access = V()->access;
    ASSERT_FALSE(access->IsPlaying());
    Key(VK_SPACE);
    EXPECT_TRUE(access->IsPlaying());
    Key(VK_SPACE);
    EXPECT_FALSE(access->IsPlaying());
    Key(VK_RETURN);
    EXPECT_TRUE(access->IsPlaying());
    Key(VK_RETURN);
    EXPECT_FALSE(access->IsPlaying());
    // Escape stops playback too; Shift+Space plays from the start.
    MoveEditCursor(V(), 8 * kQuarter, 0, MEC_NO_HISTORY);
    Key(VK_SPACE, headless::MOD_SHIFT);
    EXPECT_TRUE(access->IsPlaying());
    EXPECT_EQ(access->GetPlaybackPosition(), 0);
    // Playing from the start put the edit cursor there, and stopping leaves it where playback started.
    EXPECT_EQ(V()->time.editCursor, 0);
    Key(VK_ESCAPE);
    EXPECT_FALSE(access->IsPlaying());
    MoveEditCursor(V(), 8 * kQuarter, 0, MEC_NO_HISTORY);
    Key(VK_SPACE);
    EXPECT_EQ(access->GetPlaybackPosition(), 8 * kQuarter);
    Key(VK_SPACE);
}

TEST_F(Scrolling, WheelZoomsAndScrolls) {
    Open();
    TrackView* v = V();
    SetTimeView(8 * kQuarter, 16 * kQuarter);
    const int level = v->geo.timeZoomLevel;
    WheelAt(120);
    EXPECT_EQ(v->geo.timeZoomLevel, level - 1);
    WheelAt(-240);
    EXPECT_EQ(v->geo.timeZoomLevel, level + 1);
    // Alt with a zoom-in notch does nothing.
    WheelAt(120, headless::MOD_ALT);
    EXPECT_EQ(v->geo.timeZoomLevel, level + 1);
    // Shift scrolls by a tenth of the span per notch; up is left. While playing it stops following.
    SetTimeView(8 * kQuarter, 10 * kQuarter);
    SetPlaying(v, true);
    v->follow.following = true;
    v->follow.userMoved = false;
    WheelAt(-120, headless::MOD_SHIFT);
    EXPECT_EQ(v->geo.timeOrigin, 8 * kQuarter + kQuarter);
    EXPECT_TRUE(v->follow.userMoved);
    EXPECT_FALSE(v->follow.following);
    WheelAt(240, headless::MOD_SHIFT);
    EXPECT_EQ(v->geo.timeOrigin, 7 * kQuarter);
    SetPlaying(v, false);
}

TEST_F(Scrolling, PlaybackIsFollowedPageByPage) {
    Open();
    TrackView* v = V();
    SetTimeView(0, 16 * kQuarter);
    SetPlaying(v, true);
    SetPlaybackPosition(v, 15 * kQuarter);
    EXPECT_EQ(v->geo.timeOrigin, 0);
    // Past the page the view turns over, leaving the position near the left edge.
    SetPlaybackPosition(v, 17 * kQuarter);
    EXPECT_GT(v->geo.timeOrigin, 0);
    const int x = pianoroll::XOfTick(v, 17 * kQuarter);
    EXPECT_NEAR(x, v->geo.grid.left + (v->geo.gridWidth - v->geo.zoomPixels), 2);
    EXPECT_EQ(v->geo.timeSpan, 16 * kQuarter);
    // Before the view (a loop back to the start) it turns back.
    SetPlaybackPosition(v, 2 * kQuarter);
    EXPECT_EQ(v->geo.timeOrigin, 0);
    // Once the user scrolls, the view stays where it is.
    WheelAt(-120, headless::MOD_SHIFT);
    const std::int64_t origin = v->geo.timeOrigin;
    SetPlaybackPosition(v, 40 * kQuarter);
    EXPECT_EQ(v->geo.timeOrigin, origin);
    // A new playback follows again.
    SetPlaying(v, false);
    SetPlaying(v, true);
    SetPlaybackPosition(v, 40 * kQuarter);
    EXPECT_NE(v->geo.timeOrigin, origin);
    SetPlaying(v, false);
}

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

TEST_F(Scrolling, CursorKeysWhileFollowingOnlyMarkAPendingMove) {
    Open();
    TrackView* v = V();
    Settings()->snapEnabled = 0;
    MoveEditCursor(v, 4 * kQuarter, 0, MEC_NO_HISTORY);
    SetPlaying(v, true);
    headless::KeyDown(VK_RIGHT);
    Pump();
    EXPECT_EQ(v->time.editCursor, 4 * kQuarter);
    EXPECT_TRUE(v->follow.keyPending);
    headless::KeyUp(VK_RIGHT);
    Pump();
    EXPECT_FALSE(v->follow.keyPending);
    SetPlaying(v, false);
    Key(VK_RIGHT);
    EXPECT_GT(v->time.editCursor, 4 * kQuarter);
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

TEST_F(Scrolling, MiddleButtonScrollsAroundThePressPoint) {
    Open();
    TrackView* v = V();
    SetTimeView(8 * kQuarter, 8 * kQuarter);
    SetRows(40, 5);
    const int x = v->geo.grid.left + 300, y = (v->geo.grid.top + v->geo.grid.bottom) / 2;
    Press(x, y, 2);
    const std::int64_t origin = v->geo.timeOrigin;
    const int top = v->geo.verticalTop;
    // Inside the dead zone, up to its edge pixels, nothing moves and the scrolling goes on.
    for (const POINT at : {POINT{x + 4, y + 4}, POINT{x - 8, y + 8}, POINT{x + 8, y - 8}}) {
        Move(at.x, at.y);
        headless::AdvanceClock(300);
        Pump();
        EXPECT_EQ(v->geo.timeOrigin, origin);
        EXPECT_EQ(v->geo.verticalTop, top);
        EXPECT_NE(v->autoScroll.mode, 0u);
    }
    // Down and to the right: later times and lower rows.
    Move(x + 100, y + 60);
    headless::AdvanceClock(300);
    Pump();
    EXPECT_GT(v->geo.timeOrigin, origin);
    EXPECT_GT(v->geo.verticalTop, top);
    Release(x + 100, y + 60, 2);
    const std::int64_t stopped = v->geo.timeOrigin;
    headless::AdvanceClock(300);
    Pump();
    EXPECT_EQ(v->geo.timeOrigin, stopped);
}

} // namespace
