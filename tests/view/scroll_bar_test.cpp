// The scroll bars: layout and part codes, zoom buttons at their limits, the zoom slider's travel,
// thumb and edge drags, double-clicking the thumb, arrows repeating on the clock.
#include <gtest/gtest.h>

#include <vector>

#include "mp/settings.h"
#include "tools/tools.h"
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
    // Tooltips and cursors.
    PartAt(FindPart(5), BarY());
    EXPECT_STREQ(V()->tip.text, "Zoom In Time (Up)");
    PartAt(FindPart(7), BarY());
    EXPECT_STREQ(V()->tip.text, "Zoom Out Time (Down)");
    Pane bar = HBar();
    EXPECT_EQ(bar.paneClass->GetCursor(V(), &bar, 9), 13);
    EXPECT_EQ(bar.paneClass->GetCursor(V(), &bar, 6), 9);
    EXPECT_EQ(bar.paneClass->GetCursor(V(), &bar, 10), 32512);
}

TEST_F(ScrollBar, ZoomButtonsAndTheirLimits) {
    Open();
    TrackView* v = V();
    SetTimeZoom(v, 0, ZOOM_ALL_OUT);
    Repaint();
    const int out = FindPart(7), in = FindPart(5);
    Press(out, BarY());
    EXPECT_EQ(v->repeatCallback, nullptr); // nothing to repeat at the maximum
    Release(out, BarY());
    EXPECT_EQ(v->geo.timeZoomLevel, v->geo.maxTimeZoomLevel);
    ClickAt(in, BarY());
    EXPECT_EQ(v->geo.timeZoomLevel, v->geo.maxTimeZoomLevel - 1);
    SetTimeZoom(v, 0, ZOOM_ALL_IN);
    Repaint();
    Press(FindPart(5), BarY());
    EXPECT_EQ(v->repeatCallback, nullptr);
    Release(FindPart(5), BarY());
    EXPECT_EQ(v->geo.timeZoomLevel, 0);
}

TEST_F(ScrollBar, ZoomSliderCoversTheRangeInAHundredPixels) {
    Open();
    TrackView* v = V();
    MoveEditCursor(v, 128 * kQuarter, 0, MEC_NO_HISTORY);
    SetTimeZoom(v, 0, ZOOM_ALL_IN);
    Repaint();
    const int x = FindPart(6) + 2;
    Press(x, BarY());
    Move(x + 50, BarY());
    EXPECT_GT(v->geo.timeZoomLevel, 0);
    EXPECT_LT(v->geo.timeZoomLevel, v->geo.maxTimeZoomLevel);
    EXPECT_NEAR(static_cast<double>(v->geo.timeOrigin + v->geo.timeSpan / 2), 128.0 * kQuarter, 1.0); // around the cursor
    Move(x + 100, BarY());
    EXPECT_EQ(v->geo.timeZoomLevel, v->geo.maxTimeZoomLevel);
    Move(x + 300, BarY());
    EXPECT_EQ(v->geo.timeZoomLevel, v->geo.maxTimeZoomLevel);
    Release(x + 300, BarY());
    EXPECT_EQ(v->drag, Drag::None);
}

TEST_F(ScrollBar, ThumbDragsKeepTheSpanAndStartInBounds) {
    Open();
    TrackView* v = V();
    SetTimeView(16 * kQuarter, 16 * kQuarter);
    // The body moves the view and keeps the span.
    int body = (FindPart(10) + LastOfPart(10)) / 2;
    DragAt(body, BarY(), body + 40, BarY());
    EXPECT_GT(v->geo.timeOrigin, 16 * kQuarter);
    EXPECT_EQ(v->geo.timeSpan, 16 * kQuarter);
    // The leading edge dragged far right: never shorter than the zoom pixels.
    const int lead = FindPart(9);
    DragAt(lead, BarY(), HBar().rect.right - 80, BarY());
    EXPECT_GE(v->geo.timeSpan, v->geo.zoomPixels);
    // Dragged far left: never before the start.
    Repaint();
    DragAt(FindPart(9), BarY(), HBar().rect.left, BarY());
    EXPECT_EQ(v->geo.timeOrigin, 0);
    // The trailing edge dragged far left: the span stays at least the zoom pixels.
    Repaint();
    const int trail = LastOfPart(11);
    DragAt(trail, BarY(), HBar().rect.left, BarY());
    EXPECT_GE(v->geo.timeSpan, v->geo.zoomPixels);
    EXPECT_GE(v->geo.timeOrigin, 0);
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

TEST_F(ScrollBar, DoubleClickOnTheThumb) {
    Open();
    TrackView* v = V();
    // Zoomed in: the double-click shows the whole document.
    SetTimeView(4 * kQuarter, 8 * kQuarter);
    int body = (FindPart(10) + LastOfPart(10)) / 2;
    headless::DoubleClick(ViewWindow(), body, BarY());
    Pump();
    EXPECT_EQ(v->geo.timeZoomLevel, v->geo.maxTimeZoomLevel);
    // Already all shown: it zooms to the time selection.
    v->time.selectionStart = 8 * kQuarter;
    v->time.selectionLength = 4 * kQuarter;
    Repaint();
    body = (FindPart(10) + LastOfPart(10)) / 2;
    headless::DoubleClick(ViewWindow(), body, BarY());
    Pump();
    EXPECT_EQ(v->geo.timeSpan, 4 * kQuarter);
}

TEST_F(ScrollBar, HeldArrowRepeatsOnTheClock) {
    Open();
    TrackView* v = V();
    const int arrow = FindPart(4);
    // Only the pressed arrow looks pushed: the arrows' left edges match while neither is pressed.
    const int leading = FindPart(1);
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
    const std::int64_t once = v->geo.timeOrigin;
    EXPECT_EQ(once, 16 * kQuarter / 20);
    headless::AdvanceClock(80);
    Pump();
    headless::AdvanceClock(80);
    Pump();
    EXPECT_GT(v->geo.timeOrigin, once);
    Release(arrow, BarY());
    const std::int64_t after = v->geo.timeOrigin;
    headless::AdvanceClock(200);
    Pump();
    EXPECT_EQ(v->geo.timeOrigin, after);
}

TEST_F(ScrollBar, CornerBoxTakesUpTheZoomTool) {
    Open();
    TrackView* v = V();
    SelectTool(v, TOOL_DRAW);
    SetTimeView(0, 8 * kQuarter);
    const int corner = FindPart(8);
    ASSERT_GE(corner, 0);
    ClickAt(corner, BarY());
    EXPECT_EQ(CurrentTool(v), TOOL_ZOOM);
    headless::AdvanceClock(2000); // well apart from the click
    headless::DoubleClick(ViewWindow(), corner, BarY());
    Pump();
    EXPECT_EQ(CurrentTool(v), TOOL_DRAW);
    EXPECT_EQ(v->geo.timeZoomLevel, v->geo.maxTimeZoomLevel);
    EXPECT_EQ(v->geo.rowHeightLevel, 0);
}

TEST_F(ScrollBar, VerticalBarScrollsRowsAndSizesThem) {
    Open();
    TrackView* v = V();
    SetRows(40, 5);
    const int x = (VBar().rect.left + VBar().rect.right) / 2;
    auto partY = [&](int part) {
        for (int y = VBar().rect.top; y < VBar().rect.bottom; ++y)
            if (PartAt(x, y) == part) return y;
        return -1;
    };
    const int top = v->geo.verticalTop;
    const int down = partY(4);
    ASSERT_GE(down, 0);
    ClickAt(x, down);
    EXPECT_EQ(v->geo.verticalTop, top + kUnitsPerRow);
    const int page = partY(3);
    ASSERT_GE(page, 0);
    ClickAt(x, page);
    EXPECT_GT(v->geo.verticalTop, top + kUnitsPerRow);
    // Zoom in makes rows taller, zoom out shorter.
    const int level = v->geo.rowHeightLevel;
    ClickAt(x, partY(5));
    EXPECT_GT(v->geo.rowHeightLevel, level);
    ClickAt(x, partY(7));
    EXPECT_EQ(v->geo.rowHeightLevel, level);
    // The vertical thumb has no resizable edges.
    for (int y = VBar().rect.top; y < VBar().rect.bottom; ++y) {
        const int part = PartAt(x, y);
        EXPECT_TRUE(part != 9 && part != 11) << y;
    }
    PartAt(x, partY(5));
    EXPECT_STREQ(v->tip.text, "Zoom In Track Height (Ctrl+Shift+Up)");
}

} // namespace
