// View geometry: tick and row conversions, zoom levels, clamping setters, resizing, quantum rounding.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>

#include "mp/script_query.h"
#include "frame/piano_roll_panes.h"
#include "view/track_view.h"
#include "view/tick_columns.h"

namespace {

using namespace pianoroll;

using Span = std::pair<std::int64_t, std::int64_t>;
Span TimeView(const TrackView* v) { return {v->geo.timeOrigin, v->geo.timeSpan}; }

// A view record without a window: grid rectangle, document length, then the resize rules.
std::unique_ptr<TrackView> MakeView(int gridLeft, int gridTop, int gridWidth, int gridHeight, std::int64_t length) {
    auto v = std::make_unique<TrackView>();
    v->geo.grid = {gridLeft, gridTop, gridLeft + gridWidth, gridTop + gridHeight};
    SetDocumentLength(v.get(), length);
    ResizeGeometry(v.get(), true);
    return v;
}

TEST(MulDivTest, RoundsHalfAwayFromZero) {
    const int cases[][4] = {
        {5, 1, 2, 3},   {-5, 1, 2, -3},   {5, -1, 2, -3}, {7, 3, 4, 5}, {-7, 3, 4, -5}, {1, 1, 3, 0},
        {2, 1, 3, 1},   {100000, 100000, 100000, 100000}, // a 64-bit intermediate
        {1, 1, 0, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(MulDiv(c[0], c[1], c[2]), c[3]) << c[0] << "*" << c[1] << "/" << c[2];
}

TEST(TimeAxisTest, EmptyDocumentMapsEveryTickToMinusOne) {
    auto v = MakeView(100, 20, 800, 400, 0);
    EXPECT_EQ(AnswerScriptQuery(v.get(), mp::SVQ_SET_TIME_VIEW, 0), 0); // a runner's request without a record
    EXPECT_EQ(v->geo.timeSpan, 0);
    EXPECT_EQ((std::tuple{XOfTick(v.get(), 0), XOfTick(v.get(), 1000), XOfTickUp(v.get(), 1000)}),
              (std::tuple{-1, -1, -1}));
    SetTimeView(v.get(), 500, 9000, TV_PROGRAM);
    EXPECT_EQ(TimeView(v.get()), Span(0, 0));
}

TEST(TimeAxisTest, ConversionsRoundAsSpecifiedAndClampFarTicks) {
    // Grid 1024 wide, right margin 24: 1000 zoom pixels.
    auto v = MakeView(50, 10, 1024, 300, 1'000'000);
    ASSERT_EQ(v->geo.zoomPixels, 1000);
    SetTimeView(v.get(), 10'000, 3000, TV_PROGRAM); // 3 ticks per pixel
    EXPECT_DOUBLE_EQ(v->geo.ticksPerPixel, 3.0);
    EXPECT_EQ(XOfTick(v.get(), 10'000), 50);
    EXPECT_EQ(XOfTick(v.get(), 10'001), 50);  // 0.33 rounds down
    EXPECT_EQ(XOfTick(v.get(), 10'002), 51);  // 0.67 rounds up
    EXPECT_EQ(XOfTickUp(v.get(), 10'001), 51); // the right end of a range keeps its pixel
    EXPECT_EQ(XOfTickUp(v.get(), 10'003), 51);
    EXPECT_EQ(XOfTickUp(v.get(), 10'004), 52);
    EXPECT_EQ(XOfTick(v.get(), 9'998), 50); // -0.67 + 0.5 truncates toward zero
    EXPECT_EQ(XOfTick(v.get(), 9'995), 49);
    EXPECT_EQ((std::tuple{TickOfX(v.get(), 51), TicksOfWidth(v.get(), 10)}), (std::tuple{10'003, 30}));
    EXPECT_EQ(XOfTick(v.get(), 900'000), 16383);
    EXPECT_EQ(XOfTickUp(v.get(), 900'000), 16383);
    EXPECT_EQ(XOfTick(v.get(), -5'000'000'000LL), -16384);
    EXPECT_EQ(XOfTick(v.get(), INT64_MAX / 2), 16383);
}

// A paint's columns are the view's own, tick for tick, for rising ticks and for scattered ones, also
// where the view's doubles stop being exact.
TEST(TimeAxisTest, TickColumnsAgreeWithTheViewsConversions) {
    auto v = MakeView(50, 10, 1024, 300, 1'000'000);
    std::mt19937_64 random(33);
    const std::int64_t views[][3] = {{0, 3000, 1000},         {10'000, 1'000'000, 1000}, {7, 999'999, 977},
                                     {5, 70, 1200},           {std::int64_t{1} << 40, 900'001, 1000},
                                     {0, std::int64_t{1} << 50, 1200}, {1, std::int64_t{1} << 44, 1200}};
    for (const auto& [origin, span, pixels] : views) {
        v->geo.timeOrigin = origin;
        v->geo.timeSpan = span;
        v->geo.zoomPixels = static_cast<int>(pixels);
        TickColumns columns(v.get());
        std::int64_t t = origin - 3;
        for (int i = 0; i < 20'000; ++i) {
            const std::int64_t scattered = origin - 5 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(2 * span));
            for (const std::int64_t tick : {t, scattered}) {
                ASSERT_EQ(columns.Start(tick), XOfTick(v.get(), tick)) << origin << "+" << span << " at " << tick;
                ASSERT_EQ(columns.End(tick), XOfTickUp(v.get(), tick)) << origin << "+" << span << " at " << tick;
            }
            t += 1 + static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(span / 500 + 1));
        }
    }
}

TEST(TimeAxisTest, RoundTripHoldsAtEveryZoomLevel) {
    auto v = MakeView(80, 0, 1224, 300, std::int64_t{1} << 40);
    ASSERT_EQ(v->geo.zoomPixels, 1200);
    for (int level = 0; level < 60; ++level) {
        const std::int64_t span = SpanOfTimeLevel(v.get(), level);
        SetTimeView(v.get(), 7777, span, TV_PROGRAM);
        ASSERT_EQ(v->geo.timeSpan, span) << "level " << level;
        EXPECT_EQ(v->geo.timeZoomLevel, level);
        for (int x = v->geo.grid.left; x < v->geo.grid.left + v->geo.zoomPixels; x += 97) {
            const std::int64_t t = TickOfX(v.get(), x);
            EXPECT_EQ(XOfTick(v.get(), t), x) << "level " << level << " x " << x;
            // The rounded-up x never lies left of the rounded one.
            EXPECT_GE(XOfTickUp(v.get(), t), XOfTick(v.get(), t));
        }
    }
}

TEST(TimeZoomTest, LevelsOfSpans) {
    auto v = MakeView(0, 0, 1024, 300, 1'000'000);
    ASSERT_EQ(v->geo.zoomPixels, 1000);
    // Spans step alternately by 1.5 and 4/3: 1, 1.5, 2, 3, 4, 6, 8, 12 ticks per pixel; a span between
    // two levels belongs to the higher.
    const std::int64_t expected[] = {1000, 1500, 2000, 3000, 4000, 6000, 8000, 12000};
    for (int level = 0; level < 8; ++level) {
        EXPECT_EQ(SpanOfTimeLevel(v.get(), level), expected[level]);
        EXPECT_EQ(TimeLevelOfSpan(v.get(), expected[level]), level);
        EXPECT_EQ(TimeLevelOfSpan(v.get(), expected[level] - 1), level) << level;
    }
    EXPECT_EQ(SpanOfTimeLevel(v.get(), -3), 1000); // one tick per pixel
    // A span equal to the document length is one level more.
    auto whole = MakeView(0, 0, 1024, 300, 4000);
    EXPECT_EQ(TimeLevelOfSpan(whole.get(), 4000), 5);
    EXPECT_EQ(whole->geo.maxTimeZoomLevel, 5);
    // A level's span is capped at the document length.
    auto shortDoc = MakeView(0, 0, 1024, 300, 5000);
    EXPECT_EQ(SpanOfTimeLevel(shortDoc.get(), 5), 5000);
}

TEST(TimeViewTest, SetTimeViewClamps) {
    auto v = MakeView(0, 0, 1024, 300, 100'000);
    SetTimeView(v.get(), -50, 20'000, TV_PROGRAM);
    EXPECT_EQ(TimeView(v.get()), Span(0, 20'000));
    SetTimeView(v.get(), 5000, 10, TV_PROGRAM); // at most one tick per pixel
    EXPECT_EQ(v->geo.timeSpan, 1000);
    SetTimeView(v.get(), 95'000, 20'000, TV_PROGRAM);
    EXPECT_EQ(v->geo.timeOrigin, 80'000);
    SetTimeView(v.get(), 10, 500'000, TV_PROGRAM);
    EXPECT_EQ(TimeView(v.get()), Span(0, 100'000));
    EXPECT_EQ(v->geo.timeZoomLevel, v->geo.maxTimeZoomLevel);
    // A change by the user stops playback following; one by the program does not.
    v->follow.following = true;
    SetTimeView(v.get(), 0, 50'000, TV_PROGRAM);
    EXPECT_TRUE(v->follow.following);
    SetTimeView(v.get(), 0, 40'000, 0);
    EXPECT_FALSE(v->follow.following);
    EXPECT_TRUE(v->follow.userMoved);
}

TEST(TimeViewTest, ShrinkingTheDocumentMovesOrResetsTheView) {
    auto v = MakeView(0, 0, 1024, 300, 100'000);
    SetTimeView(v.get(), 60'000, 20'000, TV_PROGRAM);
    SetDocumentLength(v.get(), 70'000); // origin + span passes the new end
    EXPECT_EQ(TimeView(v.get()), Span(50'000, 20'000));
    SetDocumentLength(v.get(), 15'000); // below the span: the whole document from 0
    EXPECT_EQ(TimeView(v.get()), Span(0, 15'000));
    SetDocumentLength(v.get(), 0);
    EXPECT_EQ(TimeView(v.get()), Span(0, 0));
    SetDocumentLength(v.get(), -5); // clamped to 0: nothing changes
    EXPECT_EQ(v->geo.documentLength, 0);
    SetDocumentLength(v.get(), INT64_MAX);
    EXPECT_EQ(v->geo.documentLength, std::int64_t{1} << 62);
    EXPECT_EQ(v->geo.timeSpan, std::int64_t{1} << 62); // span 0 before: the whole new length
}

TEST(TimeViewTest, ResizeKeepsTicksPerPixel) {
    auto v = MakeView(0, 0, 1024, 300, 1'000'000);
    SetTimeView(v.get(), 1000, 3000, TV_PROGRAM);
    v->geo.grid.right = v->geo.grid.left + 524; // 500 zoom pixels
    ResizeGeometry(v.get(), false);
    EXPECT_EQ((std::tuple{v->geo.zoomPixels, v->geo.timeSpan}), (std::tuple{500, 1500}));
    EXPECT_DOUBLE_EQ(v->geo.ticksPerPixel, 3.0);
    EXPECT_EQ(v->geo.timeZoomLevel, 3);
    v->geo.grid.right = v->geo.grid.left + 10; // narrower than the margin: one zoom pixel
    ResizeGeometry(v.get(), false);
    EXPECT_EQ(v->geo.zoomPixels, 1);
}

TEST(RowAxisTest, RowSpansAndBands) {
    auto v = MakeView(0, 40, 824, 300, 10'000);
    SetVerticalView(v.get(), 0, VerticalSpanOfLevel(v.get(), 1), VV_FIXED_SPAN | VV_PROGRAM);
    EXPECT_EQ((std::tuple{v->geo.verticalSpan, v->geo.rowHeightLevel}), (std::tuple{2250, 1}));
    for (int r = 0; r < 50; ++r) {
        int top, bottom;
        RowBand(v.get(), r, &top, &bottom);
        EXPECT_EQ((std::tuple{top, bottom - top, RowAtY(v.get(), top), RowAtY(v.get(), bottom - 1)}),
                  (std::tuple{40 + 6 * r, 6, r, r}));
    }
    EXPECT_EQ((std::tuple{RowAtY(v.get(), 39), RowAtY(v.get(), 340)}), (std::tuple{-3, -4}));
    // Rows below the grid get empty bands; so do rows above the top row.
    int top, bottom;
    RowBand(v.get(), 60, &top, &bottom);
    EXPECT_EQ(top, bottom);
    ScrollVertically(v.get(), 10 * kUnitsPerRow);
    EXPECT_EQ(v->geo.topRow, 10);
    RowBand(v.get(), 3, &top, &bottom);
    EXPECT_EQ((std::tuple{top, bottom}), (std::tuple{40, 40}));
    v->geo.rowCount = 0;
    EXPECT_EQ(RowAtY(v.get(), 100), -2);
}

TEST(RowAxisTest, EveryRowHeightLevelRoundTrips) {
    auto v = MakeView(0, 0, 824, 517, 10'000);
    for (int level = 0; level <= 40; ++level) {
        const int span = VerticalSpanOfLevel(v.get(), level);
        EXPECT_EQ(RowLevelOfSpan(v.get(), span), level) << level;
        v->geo.rowHeightLevel = level;
        SetVerticalView(v.get(), 0, span, VV_FIXED_SPAN | VV_PROGRAM);
        int top, bottom;
        RowBand(v.get(), 0, &top, &bottom);
        EXPECT_NEAR(bottom - top, level + 5, 1) << level;
        EXPECT_EQ(v->geo.verticalTop % kUnitsPerRow, 0);
    }
}

TEST(RowAxisTest, ScrollingToTheEndLeavesTheLastRowVisible) {
    for (int height : {300, 301, 517, 999}) {
        for (int level : {0, 1, 5, 12}) {
            if (128 * (level + 5) <= height) continue; // every row fits: nothing to scroll
            auto v = MakeView(0, 0, 824, height, 10'000);
            v->geo.rowHeightLevel = level;
            SetVerticalView(v.get(), 0, VerticalSpanOfLevel(v.get(), level), VV_FIXED_SPAN | VV_PROGRAM);
            ScrollVertically(v.get(), 1'000'000);
            int top, bottom;
            RowBand(v.get(), 127, &top, &bottom);
            EXPECT_GT(bottom, top) << height << "/" << level;
            EXPECT_LE(bottom, v->geo.grid.bottom) << height << "/" << level;
            // At most one empty row below the last one.
            EXPECT_LE(v->geo.grid.bottom - bottom, 2 * (level + 5)) << height << "/" << level;
            const int lastTop = v->geo.topRow;
            ScrollVertically(v.get(), kUnitsPerRow);
            EXPECT_EQ(v->geo.topRow, lastTop);
            ScrollVertically(v.get(), -1'000'000);
            EXPECT_EQ(v->geo.topRow, 0);
        }
    }
}

TEST(RowAxisTest, MakeRowVisible) {
    auto v = MakeView(0, 0, 824, 300, 10'000);
    SetVerticalView(v.get(), 0, VerticalSpanOfLevel(v.get(), 1), VV_FIXED_SPAN | VV_PROGRAM);
    MakeRowVisible(v.get(), 20); // already visible
    EXPECT_EQ(v->geo.topRow, 0);
    MakeRowVisible(v.get(), 60); // below: scrolled by whole rows until it fits
    int top, bottom;
    RowBand(v.get(), 60, &top, &bottom);
    EXPECT_LE(bottom, v->geo.grid.bottom);
    EXPECT_GT(bottom, v->geo.grid.bottom - 7);
    MakeRowVisible(v.get(), 2); // above: becomes the top row
    EXPECT_EQ(v->geo.topRow, 2);
    MakeRowVisible(v.get(), -1); // the last row
    RowBand(v.get(), 127, &top, &bottom);
    EXPECT_GT(bottom, top);
    EXPECT_LE(bottom, v->geo.grid.bottom);
    MakeRowVisible(v.get(), 500); // out of range: nothing
    MakeRowVisible(v.get(), -7);
    RowBand(v.get(), 127, &top, &bottom);
    EXPECT_GT(bottom, top);
}

TEST(RowAxisTest, SetVerticalViewClampsTheSpanAndTop) {
    auto v = MakeView(0, 0, 824, 300, 10'000);
    SetVerticalView(v.get(), -90, 10, VV_PROGRAM); // span below the grid height
    EXPECT_EQ((std::tuple{v->geo.topRow, v->geo.verticalSpan}), (std::tuple{0, 300}));
    SetVerticalView(v.get(), 0, 1'000'000, VV_PROGRAM); // above the extent
    EXPECT_EQ(v->geo.verticalSpan, v->geo.verticalExtent);
    EXPECT_EQ(v->geo.rowHeightLevel, 0);
    // Fixed-height mode: one unit per pixel, the level stays.
    v->geo.fixedHeight = true;
    v->geo.rowHeightLevel = 3;
    ResizeGeometry(v.get(), true);
    EXPECT_EQ((std::tuple{v->geo.maxRowHeightLevel, v->geo.verticalSpan, v->geo.rowHeightLevel}),
              (std::tuple{24, 300, 3}));
}

TEST(QuantumTest, Rounding) {
    // Nearest, up and down; a quantum of 0 leaves the time alone, a fractional one (triplets) truncates.
    const struct {
        std::int64_t time;
        double quantum;
        std::int64_t nearest, up, down;
    } cases[] = {
        {1234, 0, 1234, 1234, 1234}, {1199, 480, 960, 1440, 960}, {1200, 480, 1440, 1440, 960},
        {961, 480, 960, 1440, 960},  {960, 480, 960, 960, 960},   {1439, 480, 1440, 1440, 960},
        {1000, 320.5, 961, 1282, 961},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QuantumNearest(c.time, c.quantum), c.nearest) << c.time << "/" << c.quantum;
        EXPECT_EQ(QuantumUp(c.time, c.quantum), c.up) << c.time << "/" << c.quantum;
        EXPECT_EQ(QuantumDown(c.time, c.quantum), c.down) << c.time << "/" << c.quantum;
    }
}

} // namespace
