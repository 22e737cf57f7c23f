// The frame's command table as the toolbar, the transport bar and a host's menus reach it: what each
// command does, which ids the editor carries, the states it answers, and help; and the private messages
// the frame gets from the plug-in object: the host's time selection, the time base, the track list, and
// a host's select-all, each reaching the view once.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "frame/editor_dialog.h"
#include "frame_fixture.h"
#include "mp/editor_commands.h"
#include "mp/private_messages.h"
#include "mp/script_query.h"
#include "mp/settings.h"
#include "vor/help.h"
#include "win/backend.h"
#include "win/gdi.h"

namespace {

using namespace win;
using harness::FrameFixture;

class FrameCommands : public FrameFixture {
  protected:
    void Command(int id) {
        SendMessage(EditorWindow(), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
        Pump();
    }
    LRESULT Target(int id) {
        return SendMessage(EditorWindow(), mp::PRM_SCRIPT_COMMAND_TARGET, static_cast<WPARAM>(id), 0);
    }
};

TEST_F(FrameCommands, TheEditorSaysWhichIdsItCarriesAndWhere) {
    OpenSong();
    // Itself (toolbar and drop-downs), the view (only the view's menus carry it), or nobody, also for the
    // id 0 that menu separators have.
    for (int id : {4000, 4005, 4010, 4012, 6009, 6018, 41000}) EXPECT_EQ(Target(id), mp::SCT_FRAME) << id;
    // The scale entries are a radio group for the host's menus (the marks: host_menus.script).
    Command(7301);
    EXPECT_EQ(CommandState(7301) & (mp::ECS_RADIO | mp::ECS_CHECKED), mp::ECS_RADIO | mp::ECS_CHECKED);
    for (int id : {4004, 4030, 5001}) EXPECT_EQ(Target(id), mp::SCT_VIEW) << id;
    for (int id : {0, 4009, 4015, 4039, 5999, 6019, 7022, 7318, 41002, 0x10000, 0x10000 + 4010, -1})
        EXPECT_EQ(Target(id), mp::SCT_NONE) << id;
    // What is carried by nobody answers no state, and its message changes nothing.
    EXPECT_EQ(CommandState(4039), 0);
    const mp::PianoRollSettings before = *Settings();
    Command(4039);
    EXPECT_EQ(std::memcmp(&before, Settings(), sizeof before), 0);
}

TEST_F(FrameCommands, HelpListsKeysGesturesAndButtonsInOneWindow) {
    OpenSong();
    EXPECT_EQ(VorHelp_FindWindow(EditorWindow()), nullptr);
    Command(41000);
    HWND help = VorHelp_FindWindow(EditorWindow());
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(IsWindowVisible(help));
    HWND list = GetDlgItem(help, VOR_HELP_LIST_ID);
    const int lines = static_cast<int>(SendMessage(list, LB_GETCOUNT, 0, 0));
    std::string all;
    for (int i = 0; i < lines; ++i) {
        char text[256] = {};
        SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        all += std::string(text) + "\n";
    }
    EXPECT_NE(all.find("F8: snapping to the grid on or off"), std::string::npos);
    EXPECT_NE(all.find("Zoom tool: drag a box"), std::string::npos);
    EXPECT_NE(all.find("Cut (Ctrl+X)"), std::string::npos);
    EXPECT_NE(all.find("Help (F1)"), std::string::npos);
    // F1 in the grid, as a host's message loop offers it to the page, shows the same window again.
    SetFocus(ViewWindow());
    MSG f1{ViewWindow(), WM_KEYDOWN, VK_F1, 1, 0, POINT{0, 0}};
    EXPECT_EQ(page->TranslateAccelerator(&f1), S_OK);
    Pump();
    EXPECT_EQ(VorHelp_FindWindow(EditorWindow()), help);
    EXPECT_EQ((std::tuple{SendMessage(list, LB_GETCOUNT, 0, 0), GetFocus()}), (std::tuple{lines, list}));
    // Escape closes it.
    Key(VK_ESCAPE);
    EXPECT_EQ(VorHelp_FindWindow(EditorWindow()), nullptr);
}

class FrameMessages : public FrameFixture {};

TEST_F(FrameMessages, TheHostsSelectionBecomesTheLoopRegionAndAnEmptyOneHidesIt) {
    OpenSong();
    project->WithStore([&](host::Store& store) { store.SetLoop(kQuarter, 3 * kQuarter); });
    SendMessage(EditorWindow(), mp::PRM_SELECTION_CHANGED, 0, 0);
    EXPECT_EQ((std::tuple{View()->time.loopStart, View()->time.loopEnd, bool(View()->time.loopShown)}),
              (std::tuple{kQuarter, 3 * kQuarter, true}));
    project->WithStore([&](host::Store& store) { store.SetLoop(2 * kQuarter, 2 * kQuarter); });
    SendMessage(EditorWindow(), mp::PRM_SELECTION_CHANGED, 0, 0);
    EXPECT_FALSE(View()->time.loopShown);
}

TEST_F(FrameMessages, ANewTimeBaseGivesTheGridItsNewSpacing) {
    OpenSong();
    SendMessage(EditorWindow(), WM_COMMAND, 6009, 0); // quarter notes
    Pump();
    ASSERT_DOUBLE_EQ(pianoroll::ViewSpacings(*View(), 0).grid, static_cast<double>(kQuarter));
    project->WithStore([&](host::Store& store) { store.SetTicksPerQuarter(480); });
    SendMessage(EditorWindow(), mp::PRM_TIMEBASE_CHANGED, 0, 0);
    EXPECT_DOUBLE_EQ(pianoroll::ViewSpacings(*View(), 0).grid, 480.0);
}

TEST_F(FrameMessages, ARenamedTrackIsShownAndTheToolbarRefreshed) {
    OpenSong();
    ClickButton(4026); // solo
    ASSERT_TRUE(Checked(4026));
    // Another program clears solo and renames the track; the host reports the track list changed.
    ChangeTrack(track, [](host::TrackValue& value) {
        value.attributes = 0;
        value.name = u"Organ";
    });
    SendMessage(EditorWindow(), mp::PRM_TRACK_LIST_CHANGED, 0, 0);
    Pump();
    EXPECT_EQ(ItemText(Chooser(), 0), "Organ");
    EXPECT_FALSE(Checked(4026));
}

// Another program changes a note: the view repaints that note's columns, the same pixels a whole
// repaint gives, and the track list is left as it is.
TEST_F(FrameMessages, ANoteChangedByTheHostRepaintsItsColumnsOnly) {
    OpenSong();
    const std::uint32_t note = AddNote(block, 4 * kQuarter, kQuarter, 64);
    Pump();
    SendMessage(Chooser(), CB_DELETESTRING, 0, 0);
    SendMessage(Chooser(), CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>("Kept"));
    SendMessage(Chooser(), CB_SETCURSEL, 0, 0);
    ValidateRect(ViewWindow(), nullptr);
    ChangeEvent(note, [](host::EventValue& value) {
        value.time = 5 * kQuarter;
        value.data[0] = 66;
        value.data[1] = 20;
    });
    SendMessage(EditorWindow(), mp::PRM_TRACK_LIST_CHANGED, 0, 0);
    RECT dirty{};
    ASSERT_TRUE(GetUpdateRect(ViewWindow(), &dirty, FALSE));
    EXPECT_GE(dirty.left, XOfTick(4 * kQuarter) - 2);
    EXPECT_LE(dirty.right, XOfTick(6 * kQuarter) + 3);
    EXPECT_EQ(ItemText(Chooser(), 0), "Kept");
    Pump();
    std::vector<std::uint32_t> partial;
    const RECT& client = View()->geo.grid;
    const int bottom = View()->panes[pianoroll::PANE_LANES].rect.bottom;
    for (int y = client.top; y < bottom; ++y)
        for (int x = client.left; x < client.right; ++x) partial.push_back(Rgb(x, y));
    Repaint();
    std::size_t i = 0, differ = 0;
    for (int y = client.top; y < bottom; ++y)
        for (int x = client.left; x < client.right; ++x) differ += partial[i++] != Rgb(x, y);
    EXPECT_EQ(differ, 0u);
}

TEST_F(FrameMessages, ThemeAndFontChangesReachTheControlsAndTheView) {
    OpenSong();
    EXPECT_EQ(SendMessage(EditorWindow(), WM_THEMECHANGED, 0, 0), 1);
    HFONT font = CreateFont(-15, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "DejaVu Sans");
    ASSERT_NE(font, nullptr);
    SendMessage(EditorWindow(), WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(ViewWindow(), WM_GETFONT, 0, 0)), font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(Chooser(), WM_GETFONT, 0, 0)), font);
    SendMessage(EditorWindow(), WM_SETFONT, 0, FALSE); // no font: the controls keep theirs
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessage(ViewWindow(), WM_GETFONT, 0, 0)), font);
    CloseEditor();
    DeleteObject(font);
}

TEST_F(FrameMessages, AnEditorOpenedWhileTheHostPlaysFollowsThePlayback) {
    const std::uint32_t notes = AddPianoTrack(64 * kQuarter);
    AddNote(notes, 0, kQuarter, 60);
    project->WithStore([&](host::Store& store) {
        store.SetTransportPosition(8 * kQuarter);
        store.SetTransportFlags(mp::TRANSPORT_PLAYING);
    });
    OpenView(1200, 700);
    EXPECT_TRUE(View()->follow.playing);
    EXPECT_TRUE(View()->follow.following);
}

} // namespace
