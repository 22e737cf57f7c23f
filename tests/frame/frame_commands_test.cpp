// The frame's command table as the toolbar, the transport bar and a host's menus reach it: what each
// command does, which ids the editor carries, the states it answers, and help.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "frame/editor_dialog.h"
#include "frame_fixture.h"
#include "mp/editor_commands.h"
#include "mp/private_messages.h"
#include "mp/script_query.h"
#include "mp/settings.h"
#include "vor/help.h"
#include "win/backend.h"

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

TEST_F(FrameCommands, GoToStartAndEndMoveTheCursorIntoView) {
    OpenSong();
    AddNote(block, 40 * kQuarter, kQuarter, 65);
    Pump();
    SetTimeView(0, 4 * kQuarter);
    Command(4025);
    EXPECT_EQ(View()->time.editCursor, 41 * kQuarter);
    EXPECT_LE(View()->geo.timeOrigin, 41 * kQuarter);
    EXPECT_GE(View()->geo.timeOrigin + View()->geo.timeSpan, 41 * kQuarter); // the song's end at the right edge
    Command(4024);
    EXPECT_EQ(View()->time.editCursor, 0);
    EXPECT_EQ(View()->geo.timeOrigin, 0);
}

TEST_F(FrameCommands, RootAndScaleRefreshTheToolbarAndLoopTogglesTheHost) {
    OpenSong();
    Command(7204);
    Command(7301);
    EXPECT_EQ(Settings()->scaleRoot, 4);
    EXPECT_EQ(Settings()->scaleIndex, 1);
    EXPECT_TRUE(CommandState(7204) & mp::ECS_CHECKED);
    EXPECT_FALSE(CommandState(7200) & mp::ECS_CHECKED);
    EXPECT_TRUE(CommandState(7301) & mp::ECS_RADIO);
    const bool looping = CommandState(4027) & mp::ECS_CHECKED;
    Command(4027);
    EXPECT_NE(static_cast<bool>(CommandState(4027) & mp::ECS_CHECKED), looping);
}

TEST_F(FrameCommands, TheEditorSaysWhichIdsItCarriesAndWhere) {
    OpenSong();
    EXPECT_EQ(Target(4000), mp::SCT_FRAME);
    EXPECT_EQ(Target(4012), mp::SCT_FRAME);
    EXPECT_EQ(Target(6018), mp::SCT_FRAME);
    EXPECT_EQ(Target(41000), mp::SCT_FRAME);
    EXPECT_EQ(Target(4030), mp::SCT_VIEW); // only the ruler's menu carries it
    for (int id : {4009, 4015, 4039, 5999, 6019, 7022, 7318, 41002, 0x10000, -1})
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
    EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), lines);
    EXPECT_EQ(GetFocus(), list);
    // Escape closes it.
    Key(VK_ESCAPE);
    EXPECT_EQ(VorHelp_FindWindow(EditorWindow()), nullptr);
}

} // namespace
