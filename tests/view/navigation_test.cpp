// The time ruler and loop bar: the ruler's mark spacing, marks and labels, the loop bar's zones and
// tooltip, and moving the edit cursor with its flags and the time selection history (the drags, menus
// and commands of the ruler and the loop bar: ruler_loop.script and view_loop_bar.script).
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>

#include "mp/track_access.h"
#include "view/track_view.h"
#include "view_fixture.h"
#include "win/backend.h"
#include "win/controls.h"

namespace {

using namespace win;
using namespace pianoroll;
using harness::ViewFixture;

class Navigation : public ViewFixture {
protected:
    void Open() {
        AddPianoTrack(32 * kQuarter, 0);
        OpenView(900, 600);
        // An empty track: the document is the minimum extent, 8 whole notes here.
        ShowSong(8, 16 * kQuarter);
        ASSERT_EQ(View()->geo.documentLength, 32 * kQuarter);
        View()->access->SetLooping(true);
    }
    const Pane& LoopBar() const { return V()->panes[PANE_LOOP_BAR]; }
    const Pane& Ruler() const { return V()->panes[PANE_RULER]; }
    int LoopBarY() const { return LoopBar().rect.bottom - 4; }
    void Loop(std::int64_t start, std::int64_t length) {
        SetLoopRange(V(), start, length);
        Repaint();
    }
};

TEST_F(Navigation, RulerMarksAndGridLinesShareTheStep) {
    Open();
    const double step = ViewLineStep(V(), 0).step;
    ASSERT_GT(step / V()->geo.ticksPerPixel, 8);
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int markY = Ruler().rect.bottom - 2;
    const int rowY = (V()->geo.grid.top + V()->geo.grid.bottom) / 2;
    int marks = 0;
    for (int k = 1; k * step < static_cast<double>(V()->geo.timeOrigin + V()->geo.timeSpan); ++k) {
        const int x = XOfTick(static_cast<std::int64_t>(k * step));
        if (x == INT_MIN) continue;
        EXPECT_EQ(Pixel(x, markY), ink) << k;
        EXPECT_EQ(Pixel(x + 2, markY), face) << k;
        // The grid's line at the same column differs from its neighbours' row colour.
        EXPECT_NE(Pixel(x, rowY), Pixel(x + 2, rowY)) << k;
        ++marks;
    }
    EXPECT_GE(marks, 3);
    // A label next to the first labelled mark after the start.
    const GridStep shown = ViewLineStep(V(), 0);
    const int every = shown.labelled ? shown.subdivisions : 1;
    const int labelX = XOfTick(static_cast<std::int64_t>(every * step));
    int inked = 0;
    for (int y = Ruler().rect.top; y < Ruler().rect.bottom - 4; ++y)
        for (int x = labelX + 3; x < labelX + 30; ++x) inked += Pixel(x, y) != face;
    EXPECT_GT(inked, 5);
    // Zooming in changes the step with the zoom.
    SetTimeView(0, 2 * kQuarter);
    EXPECT_LT(ViewLineStep(V(), 0).step, step);
}

TEST_F(Navigation, LoopBarZonesAndTooltip) {
    Open();
    // The loop bar and the ruler sit above the grid.
    EXPECT_EQ(LoopBar().height, 12);
    EXPECT_GT(Ruler().height, 6);
    EXPECT_LE(LoopBar().rect.bottom, Ruler().rect.top);
    EXPECT_LE(Ruler().rect.bottom, V()->geo.grid.top);
    EXPECT_EQ(PaneAt(V()->geo.grid.left + 10, Ruler().rect.top + 2), PANE_RULER);
    EXPECT_EQ(PaneAt(V()->geo.grid.left + 10, LoopBarY()), PANE_LOOP_BAR);
    const int y = LoopBarY();
    // A region 2 pixels wide: 1-pixel edge zones, no body.
    const std::int64_t start = 4 * kQuarter;
    const int sx = pianoroll::XOfTick(V(), start);
    std::int64_t end = start;
    while (pianoroll::XOfTick(V(), end) < sx + 2) ++end;
    Loop(start, end - start);
    for (int x = sx - 2; x <= sx + 1; ++x) EXPECT_EQ(PartAt(x, y), LB_START_EDGE) << x;
    for (int x = sx + 2; x <= sx + 4; ++x) EXPECT_EQ(PartAt(x, y), LB_END_EDGE) << x;
    EXPECT_EQ((std::tuple{PartAt(sx - 3, y), PartAt(sx + 5, y)}), (std::tuple{0, 0}));
    // Outside the 2-pixel margins at the top and bottom nothing is hit.
    EXPECT_EQ(PartAt(sx, LoopBar().rect.top + 1), 0);
    EXPECT_EQ(PartAt(sx, LoopBar().rect.bottom - 2), 0);
    // A wide region: 8-pixel edges around the body.
    Loop(2 * kQuarter, 8 * kQuarter);
    const int l = V()->loopBar.startX, r = V()->loopBar.endX;
    ASSERT_GT(r - l, 30);
    EXPECT_EQ(PartAt(l + 8, y), LB_START_EDGE);
    EXPECT_EQ((std::tuple{PartAt(l + 9, y), PartAt(r - 9, y), PartAt(r - 8, y), PartAt(r + 2, y)}),
              (std::tuple{LB_BODY, LB_BODY, LB_END_EDGE, LB_END_EDGE}));
    char from[32], to[32];
    DefaultPositionToText(V(), 2 * kQuarter, from);
    DefaultPositionToText(V(), 10 * kQuarter, to);
    PartAt((l + r) / 2, y);
    EXPECT_EQ(std::string(V()->tip.text), "Loop Region: " + std::string(from) + " to " + to);
    // Cursors: edges resize, the rest of the bar selects time.
    const PaneClass* c = LoopBar().paneClass;
    Pane bar = LoopBar();
    EXPECT_EQ(c->GetCursor(V(), &bar, LB_START_EDGE), 13);
    EXPECT_EQ(c->GetCursor(V(), &bar, LB_BODY), 32512);
    EXPECT_EQ(c->GetCursor(V(), &bar, 0), 17);
}

TEST_F(Navigation, MovingTheEditCursor) {
    Open();
    TrackView* v = V();
    const std::int64_t end = v->geo.documentLength;
    MoveEditCursor(v, 1000, 0, 0);
    EXPECT_EQ(v->time.editCursor, 1000);
    // A range becomes the loop region.
    MoveEditCursor(v, 2000, 500, 0);
    EXPECT_EQ(std::tuple(v->time.editCursor, v->time.loopStart, v->time.loopEnd, v->time.historyCount),
              std::tuple(2000, 2000, 2500, 2));
    // Extending, moving the loop along and snapping are driven by clicks in the tool tests; here the
    // cap of a moved loop region at the document's end.
    MoveEditCursor(v, end - 100, 0, MEC_MOVE_LOOP | MEC_NO_HISTORY);
    EXPECT_EQ((std::tuple{v->time.loopStart, v->time.loopEnd}), (std::tuple{end - 100, end}));
    EXPECT_EQ(v->time.historyCount, 2) << "no history asked";
    // A gesture records the history at its first step only.
    const int before = v->time.historyCount;
    MoveEditCursor(v, 100, 0, MEC_GESTURE_STEP);
    MoveEditCursor(v, 200, 0, MEC_GESTURE_STEP);
    MoveEditCursor(v, 300, 0, MEC_GESTURE_STEP);
    EXPECT_EQ(v->time.historyCount, before + 1);

    // While playing, a user's move stops following (playback goes on from there: view_follow.script), a
    // program's move follows again.
    SetPlaying(v, true);
    v->follow.following = true;
    MoveEditCursor(v, 4000, 0, MEC_NO_HISTORY);
    EXPECT_TRUE(v->follow.userMoved);
    EXPECT_FALSE(v->follow.following);
    MoveEditCursor(v, 4500, 0, MEC_PROGRAM | MEC_NO_HISTORY);
    EXPECT_FALSE(v->follow.userMoved);
    EXPECT_TRUE(v->follow.following);
    SetPlaying(v, false);
}

TEST_F(Navigation, SelectionHistoryRingStepsBack) {
    Open();
    TrackView* v = V();
    EXPECT_FALSE(StepBackSelectionHistory(v));
    // Seven entries in a ring of five; duplicates are not added.
    for (int i = 1; i <= 7; ++i) AddSelectionHistory(v, i * 100, i);
    AddSelectionHistory(v, 700, 7);
    EXPECT_EQ(v->time.historyCount, 5);
    const std::int64_t expected[] = {700, 600, 500, 400, 300, 700};
    for (std::int64_t t : expected) {
        ASSERT_TRUE(StepBackSelectionHistory(v));
        EXPECT_EQ((std::tuple{v->time.editCursor, v->time.loopStart, v->time.loopEnd - v->time.loopStart}),
                  (std::tuple{t, t, t / 100}));
    }
    // Stepping back records nothing new.
    EXPECT_EQ(v->time.historyCount, 5);
}

TEST_F(Navigation, RangeQuery) {
    Open();
    Loop(1000, 2000);
    // The edit cursor, whether the loop region counts and whether the cursor must lie inside it; then
    // the start and length of the range.
    const struct {
        std::int64_t cursor;
        bool loop, inside;
        std::int64_t start, length;
    } cases[] = {{1000, true, false, 1000, 2000}, {3000, true, false, 3000, -2000}, {1500, true, false, 1500, 0},
                 {1500, true, true, 1000, 2000},  {1500, false, false, 1500, 0}};
    for (const auto& c : cases) {
        MoveEditCursor(V(), c.cursor, 0, MEC_NO_HISTORY);
        std::int64_t s = 0, n = 0;
        QueryRange(V(), c.loop, c.inside, &s, &n);
        EXPECT_EQ(std::pair(s, n), std::pair(c.start, c.length)) << c.cursor << " " << c.loop << c.inside;
    }
}

TEST_F(Navigation, PictureOfTheRulerAndLoopBar) {
    Open();
    TrackView* v = V();
    SetRows(127 - 72, 9);
    Loop(4 * kQuarter, 4 * kQuarter);
    MoveEditCursor(v, 3 * kQuarter, 0, MEC_NO_HISTORY);
    v->time.selectionStart = 9 * kQuarter;
    v->time.selectionLength = 2 * kQuarter;
    MarkBackgroundStale(v);
    SetPlaying(v, true);
    SetPlaybackPosition(v, 6 * kQuarter + kQuarter / 2);
    Repaint();
    // The loop region's band in the loop bar, left of its start the bar's face.
    const int y = LoopBarY();
    EXPECT_NE(Pixel(v->loopBar.startX + 10, y), Pixel(v->loopBar.startX - 10, y));
    const std::string picture = std::string(VOR_BINARY_DIR) + "/view_navigation.png";
    EXPECT_TRUE(headless::Snapshot(EditorWindow(), picture.c_str()));
    SetPlaying(v, false);
}

} // namespace
