// The frame's toolbar: its buttons and pictures, a tooltip of its own for each, Monitor without an
// output port, and the key drop-down's two sub-menus with a mark each, the key from the song and the
// marks of a stored scale the menu has no entry for (tools, snapping, solo, the edit buttons, the keys'
// focus and the chosen drop-down entries' effects are driven in the scripts).
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "frame/editor_frame.h"
#include "frame_fixture.h"
#include "module/pianoroll_plugin.h"
#include "mp/editor_commands.h"
#include "mp/private_messages.h"
#include "mp/settings.h"
#include "win/backend.h"

namespace {

using namespace win;
using harness::FrameFixture;

class ToolbarTest : public FrameFixture {};

std::uint8_t Channel(std::uint32_t pixel, int shift) {
    return static_cast<std::uint8_t>(pixel >> shift);
}

TEST_F(ToolbarTest, ShowsFifteenButtonsInSixGroupsWithFourDropDowns) {
    OpenSong();
    HWND toolbar = Toolbar();
    ASSERT_NE(toolbar, nullptr);
    const int count = static_cast<int>(SendMessage(toolbar, TB_BUTTONCOUNT, 0, 0));
    int separators = 0;
    std::set<int> dropDowns, images;
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        ASSERT_TRUE(SendMessage(toolbar, TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b)));
        if (b.fsStyle & BTNS_SEP) {
            ++separators;
            continue;
        }
        if (b.fsStyle & BTNS_DROPDOWN) dropDowns.insert(b.idCommand);
        images.insert(b.iBitmap);
    }
    EXPECT_EQ((std::tuple{count - separators, separators, dropDowns}),
              (std::tuple{15, 6, (std::set<int>{4013, 4041, 4043, 4071})}));
    EXPECT_EQ(images.size(), 15u); // each button its own picture
    // The toolbar sits on the chooser's row, clear of the view.
    RECT bar{}, view{};
    GetWindowRect(toolbar, &bar);
    GetWindowRect(ViewWindow(), &view);
    EXPECT_LE(bar.bottom, view.top);
    EXPECT_LE(ButtonRect(4071).right, bar.right - bar.left); // the last button is inside the bar
}

TEST_F(ToolbarTest, PicturesHaveANormalABrighterHotAndAGreyDisabledLook) {
    OpenSong();
    HWND toolbar = Toolbar();
    HIMAGELIST lists[3] = {
        reinterpret_cast<HIMAGELIST>(SendMessage(toolbar, TB_GETIMAGELIST, 0, 0)),
        reinterpret_cast<HIMAGELIST>(SendMessage(toolbar, TB_GETHOTIMAGELIST, 0, 0)),
        reinterpret_cast<HIMAGELIST>(SendMessage(toolbar, TB_GETDISABLEDIMAGELIST, 0, 0)),
    };
    for (HIMAGELIST list : lists) {
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(ImageList_GetImageCount(list), 25);
        int cx = 0, cy = 0;
        ASSERT_TRUE(ImageList_GetIconSize(list, &cx, &cy));
        EXPECT_EQ((std::tuple{cx, cy}), (std::tuple{16, 16}));
    }
    std::vector<std::uint32_t> normal(256), hot(256), disabled(256);
    for (int image = 0; image < 25; ++image) {
        ASSERT_TRUE(ImageList_GetImagePixels(lists[0], image, normal.data()));
        ASSERT_TRUE(ImageList_GetImagePixels(lists[1], image, hot.data()));
        ASSERT_TRUE(ImageList_GetImagePixels(lists[2], image, disabled.data()));
        int opaque = 0;
        for (int p = 0; p < 256; ++p) {
            const std::uint32_t n = normal[p], h = hot[p], d = disabled[p];
            if (Channel(n, 24) == 0xFF) ++opaque;
            EXPECT_EQ(Channel(h, 24), Channel(n, 24)) << "image " << image;
            for (int shift : {0, 8, 16})
                EXPECT_GE(Channel(h, shift), Channel(n, shift)) << "image " << image;
            EXPECT_EQ(Channel(d, 0), Channel(d, 8)) << "image " << image;
            EXPECT_EQ(Channel(d, 8), Channel(d, 16)) << "image " << image;
        }
        // Every picture but the two spare ones draws something; the spare ones nothing.
        if (image < 22 || image == 24)
            EXPECT_GT(opaque, 10) << "image " << image;
        else
            EXPECT_EQ(opaque, 0) << "image " << image;
    }
}

TEST_F(ToolbarTest, EveryButtonButHelpExplainsItselfInItsOwnWords) {
    OpenSong();
    std::set<std::string> tips;
    const int count = static_cast<int>(SendMessage(Toolbar(), TB_BUTTONCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        TBBUTTON b{};
        SendMessage(Toolbar(), TB_GETBUTTON, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&b));
        if ((b.fsStyle & BTNS_SEP) || b.idCommand == 41000) continue;
        const RECT r = ButtonRect(b.idCommand);
        headless::MouseMove(Toolbar(), r.left + 3, (r.top + r.bottom) / 2);
        headless::AdvanceClock(2000);
        const std::string tip = ShownTooltip();
        EXPECT_FALSE(tip.empty()) << b.idCommand;
        EXPECT_LE(tip.size(), 79u) << b.idCommand;
        tips.insert(tip);
        headless::MouseMove(Toolbar(), r.left + 3, 200); // away, so the next tip shows afresh
        headless::AdvanceClock(2000);
    }
    EXPECT_EQ(tips.size(), 14u);
}

TEST_F(ToolbarTest, MonitorWorksOnlyWhileTheHostLeavesMonitoringToTheEditor) {
    OpenSong();
    ClickButton(4042);
    ASSERT_EQ(Settings()->monitorAtStart, 1);
    // Without an output port the host answers 1: the button is disabled, unchecked, and does nothing.
    SetPorts(mp::PORT_KIND_OUTPUT, {});
    SendMessage(EditorWindow(), mp::PRM_REFRESH_STATE, 0, 0);
    EXPECT_FALSE(Enabled(4042));
    EXPECT_FALSE(Checked(4042));
    SendMessage(EditorWindow(), WM_COMMAND, 4042, 0);
    Pump();
    EXPECT_EQ(Settings()->monitorAtStart, 1);
}

using DropDown = FrameFixture;

TEST_F(DropDown, TheKeyMenuMarksTheRootAndTheScaleApart) {
    OpenSong();
    int roots = 0;
    AnswerMenu([&](HMENU menu) {
        // Root note, scale, then (after a separator) the key from the song, off.
        EXPECT_EQ((std::tuple{GetMenuItemCount(menu), GetMenuItemID(menu, 3)}), (std::tuple{4, 7212u}));
        EXPECT_FALSE(GetMenuState(menu, 7212, MF_BYCOMMAND) & MF_CHECKED);
        roots = MarkedEntry(GetSubMenu(menu, 0));
        EXPECT_EQ(MarkedEntry(GetSubMenu(menu, 1)), 7300);
        return 7202u;
    });
    ClickArrow(4043);
    EXPECT_EQ((std::tuple{roots, Settings()->scaleRoot}), (std::tuple{7200, 2}));
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
