// The grid's edit commands below what the scripts see: the data interface, and which menu opens with
// which items greyed and checked. The commands_edit, grid_menus and paste_at_cursor scripts drive the
// commands; the track-access tests refuse damaged clipboard data.
#include <gtest/gtest.h>


#include "command_fixture.h"
#include "commands/edit_commands.h"
#include "model/store.h"
#include "mp/settings.h"
#include "resources/command_ids.h"

namespace commandtest {
namespace {

using namespace pianoroll;
using namespace win;

using EditCommandTest = CommandFixture;

// The commands_edit script selects by key; the data interface selects notes only and clears them.
TEST_F(EditCommandTest, TheDataInterfaceSelectsAllNotesAndClearsThem) {
    Note(0, 480, 60);
    Note(960, 480, 62);
    Controller(100, 7, 90);
    Open();
    SendMessage(ViewWindow(), PRM_GRID_SELECT_ALL, 0, 0);
    Pump();
    EXPECT_EQ(Selected().size(), 2u);
    EXPECT_FALSE(Events()[1].selected) << "select all takes notes";
    SendMessage(ViewWindow(), WM_CLEAR, 0, 0);
    Pump();
    EXPECT_TRUE(NotesOf().empty());
}

TEST_F(EditCommandTest, TheMenuOfANoteOfARowAndOfTheKeyboardWithTheirGreyedAndCheckedItems) {
    Note(960, 480, 62);
    Open();
    const ShownMenu onNote = RightClickMenu(X(1100), Y(62), 0);
    EXPECT_TRUE(onNote.Has(CMD_CUT) && onNote.Has(CMD_VELOCITY_SET) && onNote.Has(CMD_QUANTIZE));
    EXPECT_FALSE(onNote.Greyed(CMD_CUT)) << "the right-clicked note is the selection";
    EXPECT_FALSE(onNote.Greyed(CMD_VELOCITY_MAXIMUM));
    EXPECT_TRUE(onNote.Greyed(CMD_PASTE)) << "nothing on the clipboard";

    Key('C', MOD_CONTROL);
    const ShownMenu onRow = RightClickMenu(X(3000), Y(70), 0);
    EXPECT_TRUE(onRow.Has(CMD_SELECT_ALL_ON_NOTE) && onRow.Has(CMD_TOGGLE_SNAPPING));
    EXPECT_FALSE(onRow.Has(CMD_CUT));
    EXPECT_FALSE(onRow.Greyed(CMD_PASTE));
    EXPECT_FALSE(onRow.Checked(CMD_TOGGLE_SNAPPING)) << "the fixture switched snapping off";
    Settings()->gridSpacing = -4;
    EXPECT_TRUE(RightClickMenu(X(3000), Y(70), 0).Checked(6009)) << "the quarter-note grid";

    const ShownMenu keyboardNone = KeyboardMenu(0);
    EXPECT_TRUE(keyboardNone.Has(CMD_SELECT_ALL_ON_NOTE) && !keyboardNone.Has(CMD_CUT))
        << "no selection: the row menu";
    Key('A', MOD_CONTROL);
    const ShownMenu keyboardSelected = KeyboardMenu(0);
    EXPECT_TRUE(keyboardSelected.Has(CMD_CUT));
    EXPECT_FALSE(keyboardSelected.Greyed(CMD_DELETE));
}

TEST_F(EditCommandTest, AnEmptyTrackGetsTheZoomMenuFromTheKeyboard) {
    Open();
    EXPECT_EQ(KeyboardMenu(0).commands, std::vector<int>{CMD_ZOOM_TO_LOOP});
}

} // namespace
} // namespace commandtest
