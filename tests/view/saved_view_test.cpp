// The view a song was saved with: written into the settings when the host saves, and taken back through
// the view's setters when the editor opens again, so that it fits the song it then shows.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <tuple>

#include "mp/private_messages.h"
#include "mp/settings.h"
#include "view_fixture.h"

namespace {

using namespace win;
using harness::ViewFixture;

class SavedView : public ViewFixture {
protected:
    void OpenSong() {
        AddNote(AddPianoTrack(16 * kQuarter), 0, kQuarter, 60);
        OpenView(1200, 700);
    }
    // Closes the editor and opens it again on the same plug-in object and its settings.
    void Reopen() {
        CloseEditor();
        Pump();
        ASSERT_EQ(OpenEditor(1200, 700), S_OK);
        ASSERT_NE(View(), nullptr);
    }
};

TEST_F(SavedView, SavingWritesTheViewAndReopeningShowsItAgain) {
    OpenSong();
    SetTimeView(kQuarter, 4 * kQuarter);
    SetRows(40, 9);
    SendMessage(EditorWindow(), mp::PRM_SAVE_VIEW_STATE, 0, 0);
    const mp::PianoRollSettings* s = Settings();
    EXPECT_EQ(s->savedTimeOrigin, kQuarter);
    EXPECT_EQ((std::tuple{s->savedTimeSpan, s->savedTopRow, s->savedRowHeightLevel, s->savedZoomLevel}),
              (std::tuple{4 * kQuarter, 40, 9, View()->geo.timeZoomLevel}));
    SetTimeView(2 * kQuarter, 4 * kQuarter); // closing saves as well
    Reopen();
    const pianoroll::ViewGeometry& g = View()->geo;
    EXPECT_EQ(std::tuple(g.timeOrigin, g.timeSpan, g.topRow, g.rowHeightLevel),
              std::tuple(2 * kQuarter, 4 * kQuarter, 40, 9));
}

// Without a saved top row the row of the track's first note is the top row, whatever the pitches after
// it; a note too low for that shows as far down as the rows go.
TEST_F(SavedView, WithoutOneTheFirstNotesRowIsAtTheTop) {
    const std::uint32_t block = AddPianoTrack(16 * kQuarter);
    AddNote(block, kQuarter, kQuarter, 90);
    AddNote(block, kQuarter / 2, kQuarter, 70);
    OpenView(1200, 700);
    EXPECT_EQ(View()->geo.topRow, 127 - 70);
    mp::PianoRollSettings* settings = Settings();
    CloseEditor();
    settings->savedTopRow = -1; // closing saved the view
    AddNote(block, 0, kQuarter / 2, 3);
    Reopen();
    const pianoroll::TrackView* v = View();
    EXPECT_EQ(v->geo.verticalTop + v->geo.verticalSpan, v->geo.verticalExtent) << "the lowest rows, no further";
    EXPECT_NE(YOfNote(3), INT_MIN);
}

TEST_F(SavedView, AnEmptyTrackOpensOnTheMiddleRow) {
    AddPianoTrack(16 * kQuarter);
    OpenView(1200, 700);
    EXPECT_EQ(View()->geo.topRow, 64);
}

TEST_F(SavedView, ASavedViewBeyondTheSongIsClampedToIt) {
    OpenSong();
    mp::PianoRollSettings* s = Settings();
    CloseEditor();
    s->savedTimeOrigin = std::int64_t{1} << 40;
    s->savedTimeSpan = 2 * kQuarter;
    s->savedTopRow = 127;
    s->savedRowHeightLevel = 5000;
    Reopen();
    const pianoroll::TrackView* v = View();
    EXPECT_EQ(v->geo.timeSpan, 2 * kQuarter);
    EXPECT_LE(v->geo.timeOrigin, v->geo.documentLength);
    EXPECT_LE(v->geo.rowHeightLevel, v->geo.maxRowHeightLevel);
    // The last rows, no further: the view ends within one row of the rows' extent, whatever the grid's height.
    const int bottom = v->geo.verticalTop + v->geo.verticalSpan;
    EXPECT_LE(bottom, v->geo.verticalExtent);
    EXPECT_GT(bottom, v->geo.verticalExtent - pianoroll::kUnitsPerRow);
}

} // namespace
