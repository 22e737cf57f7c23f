// What the lanes draw: the time lines lined up with the grid's, the controller graph from the lane's
// bottom, the pitch-bend curve from its centre, and the velocity stems, also while a stroke runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "lane_fixture.h"
#include "vor/ui_resources.h"

namespace lanetest {
namespace {

using namespace win;
using harness::FromRgb;

using LanePaint = LaneFixture;

constexpr COLORREF kVolumeColour = FromRgb(0x7F7FFF);
constexpr COLORREF kBendColour = FromRgb(0x5C5CC0);

TEST_F(LanePaint, TheLanesTimeLinesLineUpWithTheGridsToThePixel) {
    Open(1010);
    Repaint();
    const RECT lane = Lane();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    // In an empty controller lane, away from the scale lines, every pixel that is not the face colour is
    // a time line; the grid shows the same colour at exactly those columns.
    const int laneY = lane.bottom - 10;
    const int gridY = View()->geo.grid.top + 3;
    std::set<int> laneLines, gridLines;
    COLORREF line = CLR_INVALID;
    for (int x = lane.left + 2; x < lane.right - 2; ++x) {
        if (Pixel(x, laneY) == face) continue;
        laneLines.insert(x);
        line = Pixel(x, laneY);
    }
    ASSERT_GT(laneLines.size(), 3u);
    for (int x = lane.left + 2; x < lane.right - 2; ++x)
        if (Pixel(x, gridY) == line) gridLines.insert(x);
    EXPECT_EQ(laneLines, gridLines);
    // The loop region's lines cross the lane as they cross the grid.
    pianoroll::SetLoopRegion(View(), 1010, 2030, true);
    Repaint();
    EXPECT_EQ(Pixel(X(1010), laneY), VorUI_GetColor(VOR_COLOR_LOOP));
    EXPECT_EQ(Pixel(X(2030), laneY), VorUI_GetColor(VOR_COLOR_LOOP));
    // A region that is not shown draws no lines.
    pianoroll::SetLoopRegion(View(), 1010, 2030, false);
    Repaint();
    EXPECT_NE(Pixel(X(1010), laneY), VorUI_GetColor(VOR_COLOR_LOOP));
}

TEST_F(LanePaint, ScaleLinesMarkAQuarterHalfAndThreeQuartersOfATallLaneAndOnlyTheHalfOfAShortOne) {
    Open(1010);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const int line = pianoroll::LaneLineHeight();
    // Lane rectangles one pixel shorter than their stored height: 6 lines + 3 is tall, one less is short.
    for (int rows : {6 * line + 3, 6 * line + 2}) {
        Settings()->laneHeight = rows + 1;
        pianoroll::LayoutView(View(), true);
        Repaint();
        const RECT lane = Lane();
        ASSERT_EQ(lane.bottom - lane.top, rows);
        const int x = X(100) + 1; // between time lines
        auto marked = [&](int value) { return Pixel(x, lane.bottom - value * rows / 127) != face; };
        const bool tall = rows == 6 * line + 3;
        EXPECT_EQ(marked(32), tall) << rows;
        EXPECT_TRUE(marked(64)) << rows;
        EXPECT_EQ(marked(96), tall) << rows;
        EXPECT_FALSE(marked(48)) << rows;
        EXPECT_FALSE(marked(80)) << rows;
    }
}

TEST_F(LanePaint, AControllerStepGraphRisesFromTheBottomInItsColour) {
    Controller(960, 7, 64);
    Controller(1920, 7, 0);
    Controller(960, 10, 127); // another controller's events are not drawn
    Open(1007);
    Repaint();
    const RECT lane = Lane();
    EXPECT_NE(Pixel(X(500), lane.bottom - 5), kVolumeColour);
    EXPECT_EQ(Pixel(X(1400), lane.bottom - 5), kVolumeColour);
    EXPECT_EQ(Pixel(X(1400), Y(60)), kVolumeColour);
    EXPECT_NE(Pixel(X(1400), Y(70)), kVolumeColour);
    EXPECT_NE(Pixel(X(2400), lane.bottom - 5), kVolumeColour); // a value of 0 draws nothing
}

TEST_F(LanePaint, APitchBendFillsAboveTheCentreUpAndBelowItDown) {
    Bend(960, 12000);
    Bend(1920, 4000);
    Open(pianoroll::kLanePitchBend);
    Repaint();
    const RECT lane = Lane();
    const int centre = lane.bottom - kLaneRows / 2;
    EXPECT_NE(Pixel(X(500), centre - 5), kBendColour); // the centre until the first bend
    EXPECT_NE(Pixel(X(500), centre + 5), kBendColour);
    EXPECT_EQ(Pixel(X(1400), centre - 5), kBendColour);
    EXPECT_NE(Pixel(X(1400), centre + 5), kBendColour);
    EXPECT_EQ(Pixel(X(2400), centre + 5), kBendColour);
    EXPECT_NE(Pixel(X(2400), centre - 5), kBendColour);
    EXPECT_NE(Pixel(X(2400), Y(3000)), kBendColour);
}

TEST_F(LanePaint, VelocityStemsStandUnderTheNoteStartsAndFollowAStrokeInProgress) {
    Note(960, 72, 64, true);
    Note(1920, 72, 100);
    Note(5000, 20, 100); // in no visible row: no stem
    Open(pianoroll::kLaneVelocity);
    SetRows(127 - 80, 11);
    Repaint();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF selected = Pixel(X(960), Y(10));
    const COLORREF plain = Pixel(X(1920), Y(10));
    EXPECT_NE(selected, face);
    EXPECT_NE(plain, face);
    EXPECT_NE(selected, plain);
    EXPECT_EQ(Pixel(X(960), Y(63)), selected);
    EXPECT_NE(Pixel(X(960), Y(66)), selected);
    EXPECT_EQ((std::tuple{Pixel(X(1920), Y(99)), Pixel(X(960) + 1, Y(10)), Pixel(X(5000), Y(10))}),
              (std::tuple{plain, face, face}));

    // While the button is held the stem shows the velocity the stroke has queued.
    Press(X(1920), Y(30));
    Move(X(1920), Y(40));
    EXPECT_EQ(Pixel(X(1920), Y(39)), plain);
    EXPECT_NE(Pixel(X(1920), Y(45)), plain);
    Release(X(1920), Y(40));
    EXPECT_EQ(Notes()[1].velocity, 40);

    // The flat note style gives other stem colours.
    Settings()->noteStyle = 0;
    Repaint();
    EXPECT_NE(Pixel(X(960), Y(10)), selected);
    EXPECT_NE(Pixel(X(960), Y(10)), face);
}

TEST_F(LanePaint, OfStemsInOnePixelColumnALaterOneCoversAnEarlierOneOnlyUpToItsOwnTop) {
    Note(960, 72, 100, true);
    Note(961, 72, 40);
    Note(1920, 72, 40, true);
    Note(1921, 72, 100);
    Open(pianoroll::kLaneVelocity);
    SetRows(127 - 80, 11);
    Repaint();
    ASSERT_EQ(X(960), X(961));
    ASSERT_EQ(X(1920), X(1921));
    const COLORREF tallSelected = Pixel(X(960), Y(70));
    EXPECT_NE(Pixel(X(960), Y(30)), tallSelected);
    EXPECT_EQ(Pixel(X(1920), Y(30)), Pixel(X(1920), Y(70)));
    EXPECT_NE(Pixel(X(1920), Y(30)), tallSelected);
}

TEST_F(LanePaint, StemsReachTheFirstColumnAndAPaintOfOneColumnButNotANoteStartingBeforeTheView) {
    Note(0, 72, 100);
    Note(960, 72, 64, true);
    Open(pianoroll::kLaneVelocity);
    SetRows(127 - 80, 11);
    Repaint();
    const COLORREF face = GetSysColor(COLOR_BTNFACE), selected = Pixel(X(960), Y(10));
    ASSERT_EQ(X(0), Lane().left);
    EXPECT_NE(Pixel(X(0), Y(10)), face);
    // A selected note's stem is the greyer of the two.
    const auto chroma = [](COLORREF c) {
        const int r = c & 0xFF, g = (c >> 8) & 0xFF, b = (c >> 16) & 0xFF;
        return std::max({r, g, b}) - std::min({r, g, b});
    };
    EXPECT_LT(chroma(selected), chroma(Pixel(X(0), Y(10))));
    // A paint of the stem's column alone draws the stem again over the lane's background.
    const win::RECT column{X(960), Lane().top, X(960) + 1, Lane().bottom};
    win::InvalidateRect(ViewWindow(), &column, win::FALSE);
    Pump();
    EXPECT_EQ(Pixel(X(960), Y(10)), selected);
    // Scrolled past its start, the first note has its stem outside the view: the first column shows
    // below velocity 100 what it shows above.
    SetTimeView(100, View()->geo.timeSpan);
    EXPECT_EQ(Pixel(Lane().left, Y(10)), Pixel(Lane().left, Y(110)));
}

} // namespace
} // namespace lanetest
