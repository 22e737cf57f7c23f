// Bend in Semitones: the option kept in the settings extension, the lane's lines at whole semitones of
// the range registered parameter 0 sets, and the line a bent note gets at the pitch it sounds.
#include <gtest/gtest.h>

#include <vector>

#include "lane_fixture.h"
#include "model/semitones.h"
#include "mp/settings_extension.h"
#include "resources/command_ids.h"
#include "view/bend_view.h"

namespace lanetest {
namespace {

using namespace win;

class BendSemitones : public LaneFixture {
protected:
    // The pixels of a column from y0 to y1.
    std::vector<COLORREF> Column(int x, int y0, int y1) const {
        std::vector<COLORREF> pixels;
        for (int y = y0; y <= y1; ++y) pixels.push_back(Pixel(x, y));
        return pixels;
    }
};

TEST_F(BendSemitones, TheOptionDrawsBentNotesAtTheirPitchAndSemitoneLinesAndLeavesNoTraceWhenOff) {
    Controller(0, 101, 0);
    Controller(0, 100, 0);
    Controller(0, 6, 12); // a range of 12 semitones
    Note(0, 60);
    Bend(0, 16383);
    Bend(480, 8192);
    Note(960, 64);
    Note(1920, 67); // +6 semitones, then -3 halfway
    Bend(1920, 12288);
    Bend(2160, 6144);
    Bend(2400, 8192);
    Controller(3840, 6, 7); // from here a range of 7
    Open(pianoroll::kLanePitchBend);
    SetRows(127 - 80, 11);
    ASSERT_GT(YOfNote(76), View()->geo.grid.top);
    const RECT lane = Lane();
    const int bentX = X(240), plainX = X(1200), emptyX = X(3000) + 1, laterX = X(4200) + 1;
    // Where the bent note sounds (12 rows up) and where the plain one would, and the lane's column.
    const std::vector<COLORREF> bentBefore = Column(bentX, YOfNote(72) - 2, YOfNote(72) + 2);
    const std::vector<COLORREF> plainBefore = Column(plainX, YOfNote(76) - 2, YOfNote(76) + 2);
    const std::vector<COLORREF> laneBefore = Column(emptyX, lane.top, lane.bottom - 1);
    const std::vector<COLORREF> noteBefore = Column(bentX, YOfNote(60) - 2, YOfNote(60) + 2);

    SendMessage(GetParent(ViewWindow()), WM_COMMAND, pianoroll::CMD_BEND_SEMITONES, 0); // Options menu
    Pump();
    ASSERT_TRUE(View()->extension);
    EXPECT_EQ(View()->extension->Get(pianoroll::kBendSemitonesSetting), "1");
    Repaint();
    // Rows 10 pixels tall get a line 2 pixels thick, on the middle of the row it sounds at.
    const COLORREF line = Pixel(bentX, YOfNote(72));
    EXPECT_EQ(Column(bentX, YOfNote(72) - 2, YOfNote(72) + 2),
              (std::vector<COLORREF>{bentBefore[0], line, line, bentBefore[3], bentBefore[4]}));
    EXPECT_NE(line, bentBefore[2]);
    EXPECT_EQ(Column(plainX, YOfNote(76) - 2, YOfNote(76) + 2), plainBefore);
    EXPECT_EQ(Column(bentX, YOfNote(60) - 2, YOfNote(60) + 2), noteBefore);
    // The line steps with the bends under the note.
    EXPECT_EQ(Pixel(X(2040), YOfNote(73)), line);
    EXPECT_NE(Pixel(X(2040), YOfNote(64)), line);
    EXPECT_EQ(Pixel(X(2280), YOfNote(64)), line);
    EXPECT_NE(Pixel(X(2280), YOfNote(73)), line);

    // 127 rows for 24 semitones: lines every second semitone, the centre's and the top's among them;
    // for 14 semitones, every semitone.
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    auto marked = [&](int x, int semitones, double range) {
        const int y = Y(pianoroll::BendOfSemitones(semitones, range));
        return Pixel(x, y - 1) != face || Pixel(x, y) != face || Pixel(x, y + 1) != face;
    };
    EXPECT_NE(Pixel(emptyX, lane.top), face);
    for (int k : {0, 2, -6, 4}) EXPECT_TRUE(marked(emptyX, k, 12)) << k;
    for (int k : {1, -3}) EXPECT_FALSE(marked(emptyX, k, 12)) << k;
    EXPECT_EQ((std::tuple{bool(marked(emptyX, 2, 7)), bool(marked(laterX, 2, 7)), bool(marked(laterX, 4, 12))}),
              (std::tuple{false, true, false}));
    // The scale's middle labels (+6, +3, 0, -3, -6) have tick marks at the column's edge.
    const int tickX = View()->panes[pianoroll::PANE_KEYBOARD].rect.right - 2;
    int ticks = 0;
    for (int y = lane.top; y < lane.bottom; ++y) ticks += Pixel(tickX, y) == GetSysColor(COLOR_WINDOWFRAME);
    EXPECT_EQ(ticks, 5);

    // Off again from the lane menu: the entry goes, and every pixel is as before.
    ChooseLane(pianoroll::CMD_BEND_SEMITONES);
    EXPECT_TRUE(View()->extension->Entries().empty());
    Repaint();
    EXPECT_EQ(Column(bentX, YOfNote(72) - 2, YOfNote(72) + 2), bentBefore);
    EXPECT_EQ(Column(emptyX, lane.top, lane.bottom - 1), laneBefore);
}

// While a stroke runs, the lines follow what it has queued: it replaces the bends it passes over, and
// the range set earlier at the same tick still holds.
TEST_F(BendSemitones, TheLinesFollowAStrokeInProgress) {
    Controller(0, 101, 0);
    Controller(0, 100, 0);
    Controller(0, 6, 12);
    Note(0, 60);
    Bend(305, 16383); // between the stroke's values, one a pixel
    Bend(480, 8192);
    Open(pianoroll::kLanePitchBend);
    SetRows(127 - 80, 11);
    SendMessage(GetParent(ViewWindow()), WM_COMMAND, pianoroll::CMD_BEND_SEMITONES, 0);
    Repaint();
    const COLORREF line = Pixel(X(400), YOfNote(72));
    ASSERT_NE(line, Pixel(X(400), YOfNote(71)));
    auto drawnOnRow = [&](int note) {
        for (int x = X(0) + 1; x < X(470); ++x)
            for (int y = YOfNote(note) - 1; y <= YOfNote(note) + 1; ++y)
                if (Pixel(x, y) == line) return true;
        return false;
    };
    EXPECT_TRUE(drawnOnRow(72));
    Press(X(0), Y(10240)); // +3 semitones
    Move(X(470), Y(10240));
    Repaint();
    EXPECT_FALSE(drawnOnRow(72));
    EXPECT_TRUE(drawnOnRow(63));
    Release(X(470), Y(10240));
    Repaint();
    EXPECT_FALSE(drawnOnRow(72)); // and so does the edit
    EXPECT_TRUE(drawnOnRow(63));
}

} // namespace
} // namespace lanetest
