// The toolbar's key drop-down: its two sub-menus with a mark each, the key from the song, and the marks of a stored scale the
// menu has no entry for (the chosen entries' effects are driven in the toolbar script).
#include <gtest/gtest.h>

#include "frame_fixture.h"
#include "mp/editor_commands.h"
#include "frame/editor_frame.h"
#include "module/pianoroll_plugin.h"
#include "mp/settings.h"

namespace {

using namespace win;
using harness::FrameFixture;

using DropDown = FrameFixture;

TEST_F(DropDown, TheKeyMenuMarksTheRootAndTheScaleApart) {
    OpenSong();
    int roots = 0;
    AnswerMenu([&](HMENU menu) {
        // Root note, scale, then (after a separator) the key from the song, off.
        EXPECT_EQ(GetMenuItemCount(menu), 4);
        EXPECT_EQ(GetMenuItemID(menu, 3), 7212u);
        EXPECT_FALSE(GetMenuState(menu, 7212, MF_BYCOMMAND) & MF_CHECKED);
        roots = MarkedEntry(GetSubMenu(menu, 0));
        EXPECT_EQ(MarkedEntry(GetSubMenu(menu, 1)), 7300);
        return 7202u;
    });
    ClickArrow(4043);
    EXPECT_EQ(roots, 7200);
    EXPECT_EQ(Settings()->scaleRoot, 2);
    AnswerMenu([](HMENU) { return 7312u; });
    ClickArrow(4043);
    EXPECT_EQ(Settings()->scaleIndex, 12);
    // A stored index past the commands' range marks the last entry.
    Settings()->scaleIndex = 40;
    HMENU key = reinterpret_cast<HMENU>(SendMessage(EditorWindow(), mp::PRM_LOAD_MENU, mp::EM_KEY, 0));
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(MarkedEntry(GetSubMenu(key, 0)), 7202);
    EXPECT_EQ(MarkedEntry(GetSubMenu(key, 1)), 7317);
    DestroyMenu(key);
    EXPECT_EQ(SendMessage(EditorWindow(), mp::PRM_LOAD_MENU, 4, 0), 0);
    // From the Song: chosen, it is kept with the song's settings and shows checked.
    AnswerMenu([](HMENU) { return 7212u; });
    ClickArrow(4043);
    EXPECT_TRUE(V()->songMaps.keyFromSong);
    EXPECT_EQ(V()->frame->plugin->EditorExtension()->Get("key.from_song"), "1");
    bool checked = false;
    AnswerMenu([&](HMENU menu) {
        checked = (GetMenuState(menu, 7212, MF_BYCOMMAND) & MF_CHECKED) != 0;
        return 7212u;
    });
    ClickArrow(4043);
    EXPECT_TRUE(checked);
    EXPECT_FALSE(V()->songMaps.keyFromSong);
    EXPECT_EQ(V()->frame->plugin->EditorExtension()->Get("key.from_song", "none"), "none") << "off leaves no entry";
}

} // namespace
