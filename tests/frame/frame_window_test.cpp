// The editor frame's core: the view window as a tab-stop child, the track chooser, layout on size,
// keys passed to the view, the private messages and the position query (a real song's picture is the
// end-to-end suite's).
#include <gtest/gtest.h>

#include <climits>

#include "frame/editor_dialog.h"
#include "frame_fixture.h"
#include "mp/private_messages.h"
#include "mp/settings.h"
#include "win/backend.h"
#include "win/controls.h"

namespace {

using namespace win;

class Frame : public harness::FrameFixture {
protected:
    // Picks a track in the chooser as the user does.
    void ChooseTrack(int index) {
        SendMessage(Chooser(), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessage(EditorWindow(), WM_COMMAND, MAKEWPARAM(pianoroll::kTrackChooserId, CBN_SELCHANGE),
                    reinterpret_cast<LPARAM>(Chooser()));
        Pump();
    }
};

TEST_F(Frame, CreatesTheViewAsATabStopChildAndShowsTheFirstTrack) {
    const std::uint32_t block = AddPianoTrack(4 * kQuarter);
    AddNote(block, 0, kQuarter, 60);
    OpenView(900, 500);
    HWND view = ViewWindow();
    EXPECT_EQ(GetParent(view), EditorWindow());
    const LONG_PTR style = GetWindowLongPtr(view, GWL_STYLE);
    EXPECT_EQ((std::tuple{bool(style & WS_CHILD), bool(style & WS_TABSTOP), bool(IsWindowVisible(view))}),
              (std::tuple{true, true, true}));
    char className[64] = {};
    GetClassName(view, className, sizeof className);
    EXPECT_STREQ(className, "pianorollBld0TrackviewClass");
    EXPECT_EQ((std::tuple{View()->geo.rowCount, PaintedNotes()}), (std::tuple{128, 1}));
    EXPECT_NE(YOfNote(60), INT_MIN); // the view opens on the track's notes
}

TEST_F(Frame, ChooserListsTracksWithTrackNumbersForUnnamedOnes) {
    AddTrack(u"Bass");
    AddTrack(u"Drums");
    AddTrack(u"");
    AddTrack(u"");
    OpenView();
    HWND chooser = Chooser();
    ASSERT_EQ(SendMessage(chooser, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ((std::vector{ItemText(chooser, 0), ItemText(chooser, 1), ItemText(chooser, 2), ItemText(chooser, 3)}),
              (std::vector<std::string>{"Bass", "Drums", "Track 3", "Track 4"}));
    EXPECT_EQ((std::tuple{SendMessage(chooser, CB_GETITEMDATA, 3, 0), SendMessage(chooser, CB_GETCURSEL, 0, 0)}),
              (std::tuple{3, 0}));
}

TEST_F(Frame, ChoosingATrackShowsItsNotesAndRefillingKeepsTheChoice) {
    const std::uint32_t first = AddPianoTrack(8 * kQuarter);
    AddNote(first, 0, kQuarter, 72);
    const std::uint32_t secondTrack = AddTrack(u"Strings", 1);
    const std::uint32_t second = AddBlock(secondTrack, 0, 8 * kQuarter);
    AddNote(second, kQuarter, kQuarter, 48);
    AddNote(second, 2 * kQuarter, kQuarter, 50);
    OpenView();
    SetRows(127 - 80, 1);
    SetTimeView(0, 8 * kQuarter);
    EXPECT_EQ(PaintedNotes(), 1);
    HWND chooser = Chooser();
    ChooseTrack(1);
    SetRows(127 - 80, 1);
    SetTimeView(0, 8 * kQuarter);
    EXPECT_EQ(PaintedNotes(), 2);
    // A new track from the host refills the chooser; the choice stays on "Strings".
    AddTrack(u"Choir");
    Pump();
    EXPECT_EQ(SendMessage(chooser, CB_GETCOUNT, 0, 0), 3);
    EXPECT_EQ(ItemText(chooser, static_cast<int>(SendMessage(chooser, CB_GETCURSEL, 0, 0))), "Strings");
    Repaint();
    EXPECT_EQ(PaintedNotes(), 2);
}

TEST_F(Frame, ViewFillsTheFrameBelowTheChooserRowOnEverySize) {
    AddPianoTrack(4 * kQuarter);
    OpenView(900, 500);
    RECT frame{}, view{}, chooser{};
    GetClientRect(EditorWindow(), &frame);
    GetWindowRect(ViewWindow(), &view);
    MapWindowPoints(nullptr, EditorWindow(), reinterpret_cast<POINT*>(&view), 2);
    GetWindowRect(GetDlgItem(EditorWindow(), pianoroll::kTrackChooserId), &chooser);
    MapWindowPoints(nullptr, EditorWindow(), reinterpret_cast<POINT*>(&chooser), 2);
    EXPECT_EQ((std::tuple{view.left, view.right}), (std::tuple{0, frame.right}));
    EXPECT_GT(view.top, chooser.bottom);
    EXPECT_LT(view.top, chooser.bottom + 20);
    EXPECT_GE(view.bottom, frame.bottom);
    const int oldGridWidth = View()->geo.gridWidth;
    MoveWindow(EditorWindow(), 0, 0, 700, 400, TRUE);
    Pump();
    GetWindowRect(ViewWindow(), &view);
    EXPECT_EQ(view.right - view.left, 700);
    EXPECT_EQ(View()->geo.gridWidth, oldGridWidth - 200);
    // A frame smaller than its minimum still gives the view a positive size.
    MoveWindow(EditorWindow(), 0, 0, 20, 20, TRUE);
    Pump();
    GetWindowRect(ViewWindow(), &view);
    EXPECT_GT(view.right - view.left, 100);
    EXPECT_GT(view.bottom - view.top, 50);
}

TEST_F(Frame, KeysAndPrivateMessagesReachTheView) {
    const std::uint32_t block = AddPianoTrack(4 * kQuarter);
    AddNote(block, 0, kQuarter, 60);
    OpenView();
    pianoroll::TrackView* v = View();
    // The busy query answers whether the view has the keyboard.
    SetFocus(ViewWindow());
    EXPECT_EQ(SendMessage(EditorWindow(), mp::PRM_QUERY_BUSY, 0, 0), 1);
    SetFocus(GetDlgItem(EditorWindow(), pianoroll::kTrackChooserId));
    EXPECT_EQ(SendMessage(EditorWindow(), mp::PRM_QUERY_BUSY, 0, 0), 0);
    // A longer track extends the document once the host reports it.
    const std::int64_t before = v->geo.documentLength;
    ChangeBlock(block, [](host::BlockValue& value) { value.end = 40 * kQuarter; });
    AddNote(block, 30 * kQuarter, kQuarter, 64);
    Pump();
    EXPECT_GT(v->geo.documentLength, before);
    EXPECT_EQ(v->geo.documentLength, 31 * kQuarter);
}

TEST_F(Frame, TransportTicksMoveThePlaybackLineUntilStopped) {
    const std::uint32_t block = AddPianoTrack(16 * kQuarter);
    AddNote(block, 0, kQuarter, 60);
    OpenView();
    pianoroll::TrackView* v = View();
    project->WithStore([&](host::Store& store) {
        store.SetTransportPosition(4 * kQuarter);
        store.SetTransportFlags(mp::TRANSPORT_PLAYING);
    });
    SendMessage(EditorWindow(), mp::PRM_TRANSPORT_TICK, 0, 0);
    Pump();
    EXPECT_TRUE(v->follow.playing);
    EXPECT_EQ(v->follow.playbackPosition, 4 * kQuarter);
    const int x = XOfTick(4 * kQuarter);
    ASSERT_NE(x, INT_MIN);
    // The line inverts the column; stopping removes it again.
    const int y = (v->geo.grid.top + v->geo.grid.bottom) / 2 + 3;
    const std::uint32_t withLine = Rgb(x, y);
    project->WithStore([&](host::Store& store) { store.SetTransportFlags(0); });
    SendMessage(EditorWindow(), mp::PRM_PLAYBACK_STOPPED, 0, 0);
    Pump();
    EXPECT_FALSE(v->follow.playing);
    const std::uint32_t without = Rgb(x, y);
    EXPECT_EQ(withLine, ~without & 0xFFFFFF);
    // A stop message with another transport state is not acted on.
    SendMessage(EditorWindow(), mp::PRM_TRANSPORT_TICK, 0, 0);
    EXPECT_FALSE(v->follow.playing);
}

TEST_F(Frame, PositionQueryAnswersInViewPixels) {
    const std::uint32_t block = AddPianoTrack(8 * kQuarter);
    AddNote(block, 0, kQuarter, 60);
    OpenView();
    pianoroll::TrackView* v = View();
    SetTimeView(kQuarter, 4 * kQuarter);
    EXPECT_EQ(XOfTick(kQuarter), v->geo.grid.left);
    EXPECT_EQ(XOfTick(3 * kQuarter), v->geo.grid.left + (v->geo.zoomPixels + 1) / 2); // half a pixel rounds up
    EXPECT_EQ(XOfTick(0), INT_MIN);          // left of the view
    EXPECT_EQ(XOfTick(7 * kQuarter), INT_MIN); // right of it
    SetRows(60, 5);                          // 10-pixel rows from note 67 down
    EXPECT_EQ(YOfNote(67), v->geo.grid.top + 5);
    EXPECT_EQ(YOfNote(60), v->geo.grid.top + 75);
    EXPECT_EQ(YOfNote(100), INT_MIN); // above the top row
    EXPECT_EQ((std::tuple{YOfNote(128), YOfNote(-1)}), (std::tuple{INT_MIN, INT_MIN}));
    // Lane values lie inside the velocity lane, the largest at its top row; values it has not are hidden.
    const RECT lane = v->lanes.laneRect;
    EXPECT_EQ(SendMessage(ViewWindow(), pianoroll::PRM_SCRIPT_POSITION, 2, 127), lane.top);
    const LRESULT middle = SendMessage(ViewWindow(), pianoroll::PRM_SCRIPT_POSITION, 2, 64);
    EXPECT_GT(middle, lane.top);
    EXPECT_LT(middle, lane.bottom);
    EXPECT_EQ(SendMessage(ViewWindow(), pianoroll::PRM_SCRIPT_POSITION, 2, 128), INT_MIN);
    EXPECT_EQ(SendMessage(ViewWindow(), pianoroll::PRM_SCRIPT_POSITION, 99, 0), INT_MIN);
}

// The lane's name box shows the drop-down arrow of the toolbar strip, the one the toolbar's arrows show:
// its widest row spans columns 5-11 of the 16-pixel image, seven rows from the image's top.
TEST_F(Frame, TheLaneNameBoxShowsTheToolbarStripsArrow) {
    OpenSong();
    Repaint();
    const RECT& box = View()->lanes.nameBox;
    ASSERT_GT(box.right - box.left, 16);
    const int left = box.right - 2 - 16, top = box.top + (box.bottom - box.top - 16) / 2;
    const COLORREF ink = Pixel(left + 8, top + 9);
    EXPECT_NE(ink, GetSysColor(COLOR_WINDOW)) << "the arrow's tip";
    for (int x = left + 5; x <= left + 11; ++x) EXPECT_EQ(Pixel(x, top + 6), ink) << x;
    EXPECT_EQ((std::tuple{Pixel(left + 4, top + 6), Pixel(left + 12, top + 6), Pixel(left + 8, top + 10)}),
              (std::tuple{GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW)}));
}

TEST_F(Frame, OpensWithoutTracksOrHost) {
    // No tracks: an empty chooser, the rows of an empty document, keys that do not sound.
    OpenView(800, 500);
    HWND chooser = Chooser();
    EXPECT_EQ(SendMessage(chooser, CB_GETCOUNT, 0, 0), 0);
    pianoroll::TrackView* v = View();
    EXPECT_EQ(v->geo.documentLength, 8 * kQuarter); // the minimum extent of two whole notes
    EXPECT_EQ(PaintedNotes(), 0);
    EXPECT_NE(YOfNote(60), INT_MIN);
    ClickAt(v->panes[pianoroll::PANE_KEYBOARD].rect.left + 3, YOfNote(60));
    EXPECT_TRUE(sent.empty());
    SendMessage(EditorWindow(), mp::PRM_TRACK_LIST_CHANGED, 0, 0);
    SendMessage(EditorWindow(), mp::PRM_TRANSPORT_TICK, 0, 0);
    Pump();
}

TEST_F(Frame, OpensOnAnUninitialisedPlugin) {
    AddPianoTrack(4 * kQuarter);
    CreatePlugin();
    CreatePage();
    ASSERT_EQ(OpenEditor(800, 500), S_OK);
    ASSERT_NE(ViewWindow(), nullptr);
    Repaint();
    EXPECT_EQ(PaintedNotes(), 0);
    // No host transport to play: the host's menus get Play disabled, Go to Start enabled.
    EXPECT_FALSE(CommandState(4021) & mp::ECS_ENABLED);
    EXPECT_TRUE(CommandState(4024) & mp::ECS_ENABLED);
    SendMessage(EditorWindow(), mp::PRM_SAVE_VIEW_STATE, 0, 0);
}

} // namespace
