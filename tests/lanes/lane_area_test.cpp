// The lane area in the view: its layout under the grid, the splitter drag with its limits and cancel,
// hit codes, cursors and the readout, and a drawing the system cancels. The lane scripts draw and erase.
#include <gtest/gtest.h>

#include <climits>

#include "lane_fixture.h"
#include "vor/ui_resources.h"

namespace lanetest {
namespace {

using namespace win;

using LaneArea = LaneFixture;

int Line() { return pianoroll::LaneLineHeight(); }

TEST_F(LaneArea, TheLaneLiesUnderTheGridAndIsRaisedToFourLinesOrHiddenInALowPane) {
    Open(pianoroll::kLaneVelocity);
    pianoroll::TrackView* v = View();
    EXPECT_EQ(v->geo.grid.bottom, v->lanes.splitterTop);
    EXPECT_EQ((std::tuple{Lane().top, Lane().left, Lane().bottom}),
              (std::tuple{v->lanes.splitterTop + 6, v->geo.grid.left, v->panes[pianoroll::PANE_HSCROLL].rect.top}));

    Settings()->laneHeight = 10;
    pianoroll::LayoutView(v, true);
    EXPECT_EQ(Settings()->laneHeight, 4 * Line());
    EXPECT_EQ(Lane().bottom - Lane().top, 4 * Line() - 1);

    // A view too low for twelve lines shows no lane and no selector; the stored height stays.
    MoveWindow(ViewWindow(), 0, 0, 1000, 8 * Line(), TRUE);
    Pump();
    EXPECT_EQ((std::tuple{bool(IsRectEmpty(&v->lanes.laneRect)), bool(IsRectEmpty(&v->lanes.nameBox)),
                          v->panes[pianoroll::PANE_LANES].height, Settings()->laneHeight}),
              (std::tuple{true, true, 0, 4 * Line()}));
}

TEST_F(LaneArea, DraggingTheSplitterUpMakesTheLaneTallerWithinLimitsAndCancelRestoresIt) {
    Open(pianoroll::kLaneVelocity);
    pianoroll::TrackView* v = View();
    const int x = X(2000);
    const int y = v->lanes.splitterTop + 2;
    EXPECT_EQ(PaneAt(x, y), pianoroll::PANE_LANES);
    EXPECT_EQ(PartAt(x, y), pianoroll::LaneSplitterHit);
    Press(x, y);
    ASSERT_GT(v->dragThreshold.y, 0);
    Move(x, y - v->dragThreshold.y); // within the drag threshold: nothing yet
    EXPECT_EQ(Settings()->laneHeight, kStoredLaneHeight);
    Move(x, y - 40);
    EXPECT_EQ(Settings()->laneHeight, kStoredLaneHeight + 40);
    EXPECT_EQ(Lane().bottom - Lane().top, kLaneRows + 40);
    // The grid keeps three lines, the lane at least three (raised to four by the layout).
    Move(x, 0);
    EXPECT_EQ(v->geo.grid.bottom - v->geo.grid.top, 3 * Line());
    Move(x, y + 300);
    EXPECT_EQ(Settings()->laneHeight, 4 * Line());
    // The system cancelling the drag puts the height back.
    SendMessage(ViewWindow(), WM_CANCELMODE, 0, 0);
    Pump();
    EXPECT_EQ(Settings()->laneHeight, kStoredLaneHeight);
    EXPECT_EQ(v->drag, pianoroll::Drag::None);
    Release(x, y + 300);
    EXPECT_EQ(Settings()->laneHeight, kStoredLaneHeight);

    // The track-header column's splitter, level with it, resizes the lane the same way.
    const int columnX = v->panes[pianoroll::PANE_KEYBOARD].rect.left + 10;
    const int top = v->lanes.splitterTop;
    DragAt(columnX, top + 2, columnX, top - 18);
    EXPECT_EQ(Settings()->laneHeight, kStoredLaneHeight + 20);
    EXPECT_EQ(v->lanes.splitterTop, top - 20);
}

// The box is never narrower than its arrow: at every column width a drag may set (the same minimum a
// stored setting must keep) it is drawn and chooses the lane; in a narrow column it covers the scale.
TEST_F(LaneArea, TheNameBoxStaysDrawnAndReachableAtEveryColumnWidth) {
    Open(pianoroll::kLaneVelocity);
    pianoroll::TrackView* v = View();
    const RECT& box = v->lanes.nameBox;
    pianoroll::SetColumnWidth(v, 0);
    EXPECT_EQ(Settings()->keyboardWidth, mp::kMinKeyboardWidth);
    for (int column = mp::kMinKeyboardWidth; column < 120; ++column) {
        pianoroll::SetColumnWidth(v, column);
        Repaint();
        ASSERT_GE(box.right - box.left, 17) << column;
        EXPECT_LE(box.right, v->panes[pianoroll::PANE_KEYBOARD].rect.right - pianoroll::kColumnSplitterWidth) << column;
        EXPECT_EQ(Pixel(box.left, box.top), GetSysColor(COLOR_BTNSHADOW)) << column;
    }
    // Wide columns keep the box beside the scale, as wide as the room left.
    pianoroll::SetColumnWidth(v, 200);
    const int wide = box.right - box.left;
    pianoroll::SetColumnWidth(v, 201);
    EXPECT_EQ(box.right - box.left, wide + 1);
    pianoroll::SetColumnWidth(v, mp::kMinKeyboardWidth);
    ChooseLane(pianoroll::kLanePitchBend);
    EXPECT_EQ(Settings()->laneId, pianoroll::kLanePitchBend);
    // A window too narrow for the column at its setting shows no box rather than a sliver.
    pianoroll::SetColumnWidth(v, 60);
    for (int window = 110; window < 200; window += 3) {
        MoveWindow(ViewWindow(), 0, 0, window, 600, TRUE);
        Pump();
        const int column = v->panes[pianoroll::PANE_KEYBOARD].width;
        if (IsRectEmpty(&v->lanes.laneRect)) continue;
        if (column < 2 + 17 + 2 + pianoroll::kColumnSplitterWidth) EXPECT_TRUE(IsRectEmpty(&box)) << window;
        else EXPECT_GE(box.right - box.left, 17) << window;
    }
}

TEST_F(LaneArea, HitCodesGiveTheLanesCursorsAndTheReadout) {
    Open(pianoroll::kLaneVelocity);
    pianoroll::TrackView* v = View();
    pianoroll::Pane& pane = v->panes[pianoroll::PANE_LANES];
    auto cursorAt = [&](int x, int y) {
        HitTestView(v, x, y, true);
        return pane.paneClass->GetCursor(v, &pane, v->hitCode);
    };
    const int x = X(3000);
    EXPECT_EQ(cursorAt(x, v->lanes.splitterTop + 3), VOR_CURSOR_SPLIT_ROWS);
    EXPECT_EQ(cursorAt(x, Lane().top + 5), VOR_CURSOR_PENCIL);
    ChooseLane(pianoroll::kLanePitchBend);
    const int bendBoxRight = v->lanes.nameBox.right;
    EXPECT_EQ(cursorAt(x, Lane().top + 5), VOR_CURSOR_PEN);
    EXPECT_EQ(cursorAt(Lane().right + 2, Lane().top + 5), VOR_CURSOR_ARROW); // under the vertical bar

    // The readout is the value under the pointer while it is over the lane: the signed bend here.
    Move(x, Lane().top);
    EXPECT_EQ(pianoroll::LaneReadout(v), 8191);
    Move(x, Lane().bottom - 1);
    EXPECT_EQ(pianoroll::LaneReadout(v), 16383 / kLaneRows - 8192);
    EXPECT_EQ(pianoroll::LaneReadoutText(v), std::to_string(16383 / kLaneRows - 8192));
    EXPECT_EQ(pianoroll::CurrentLane(v)->ValueFromOffset(0, kLaneRows), -8192);
    Move(x, v->geo.grid.top + 20);
    EXPECT_EQ(pianoroll::LaneReadout(v), pianoroll::kNoReadout);
    EXPECT_EQ(pianoroll::LaneReadoutText(v), "");
    ChooseLane(1001);
    EXPECT_GT(v->lanes.nameBox.right, bendBoxRight) << "the name box leaves room for the scale: -8192 is wider than 127";
    Move(x, Y(100));
    EXPECT_EQ(pianoroll::LaneReadout(v), 100);
    EXPECT_EQ(pianoroll::CurrentLane(v)->ValueFromOffset(5, 0), 0) << "a lane without height";
    // Values outside the lane's range have no row.
    EXPECT_EQ((std::tuple{Y(128), Y(-1), Y(127)}), (std::tuple{INT_MIN, INT_MIN, Lane().top}));
}

// A drawing the system cancels (the capture taken away) is dropped whole.
TEST_F(LaneArea, ADrawingCancelledByTheSystemIsDroppedWhole) {
    Controller(960, 7, 80);
    Open(1007);
    Press(X(1200), Y(64));
    Move(X(1800), Y(100));
    SendMessage(ViewWindow(), WM_CANCELMODE, 0, 0);
    Pump();
    Release(X(1800), Y(100));
    EXPECT_EQ((std::tuple{Values(), UndoCount(), View()->drag}),
              (std::tuple{(std::vector<HostValue>{{960, 7, 80}}), 0u, pianoroll::Drag::None}));
    EXPECT_NE(GetCapture(), ViewWindow());
}

} // namespace
} // namespace lanetest
