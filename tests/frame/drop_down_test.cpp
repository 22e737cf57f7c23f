// The toolbar's drop-downs: the grid spacing, paint note value and key menus, what a chosen entry
// changes, and the radio mark each shows the next time.
#include <gtest/gtest.h>

#include "frame_fixture.h"
#include "mp/editor_commands.h"
#include "mp/settings.h"

namespace {

using namespace win;
using harness::FrameFixture;

class DropDown : public FrameFixture {
  protected:
    // Opens the drop-down of a button, notes the entry with the mark, and chooses `choose` (0: none).
    int OpenAndChoose(int button, UINT choose) {
        int marked = -2;
        AnswerMenu([&](HMENU menu) {
            marked = MarkedEntry(menu);
            return choose;
        });
        ClickArrow(button);
        return marked;
    }
};

TEST_F(DropDown, GridSpacingChangesTheSnappingAndIsMarkedNextTime) {
    OpenSong();
    EXPECT_EQ(OpenAndChoose(4041, 6009), 6005); // the ruler marks, the default
    EXPECT_EQ(Settings()->gridSpacing, -4);     // quarter notes
    EXPECT_DOUBLE_EQ(View()->snap.gridSpacing, static_cast<double>(kQuarter));
    EXPECT_EQ(OpenAndChoose(4041, 6013), 6009);
    EXPECT_DOUBLE_EQ(View()->snap.gridSpacing, kQuarter / 4.0);
    // A spacing no entry stands for leaves every entry unmarked.
    Settings()->gridSpacing = 123;
    EXPECT_EQ(OpenAndChoose(4041, 0), 0);
    EXPECT_EQ(Settings()->gridSpacing, 123);
    // Choosing nothing changes nothing; the button's own check is left as it was.
    EXPECT_TRUE(Checked(4041));
}

TEST_F(DropDown, PaintValueAndKeyAreChosenFromTheirButtons) {
    OpenSong();
    EXPECT_EQ(OpenAndChoose(4013, 7011), 7000);
    EXPECT_EQ(Settings()->paintNoteValue, -64); // eighth notes
    EXPECT_DOUBLE_EQ(View()->snap.paintLength, kQuarter / 2.0);
    EXPECT_EQ(OpenAndChoose(4013, 0), 7011);
    // The key menu holds the root and the scale, each with its own mark.
    int roots = 0;
    AnswerMenu([&](HMENU menu) {
        EXPECT_EQ(GetMenuItemCount(menu), 2);
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
    EXPECT_EQ(SendMessage(EditorWindow(), mp::PRM_LOAD_MENU, 3, 0), 0);
}

} // namespace
