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
    EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), lines);
    EXPECT_EQ(GetFocus(), list);
    // Escape closes it.
    Key(VK_ESCAPE);
    EXPECT_EQ(VorHelp_FindWindow(EditorWindow()), nullptr);
}

} // namespace
