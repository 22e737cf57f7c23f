// The grid's edit commands through keys, the data interface and the context menus: delete during a
// drag, cut, copy, paste, select all, select all on one note, and which menu opens with which items
// greyed. The scripts of tests/scripts drive the common cases (paste at the cursor, the menu commands
// reaching the grid); the track-access tests refuse damaged clipboard data.
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

TEST_F(EditCommandTest, DeleteDuringADragDiscardsTheDragFirst) {
    Note(960, 480, 62);
    Note(2880, 480, 65);
    Open();
    Down(X(1100), Y(62));
    Move(X(1300), Y(62));
    Move(X(1600), Y(64));
    ASSERT_EQ(DragState(), Drag::MoveNotes);
    Key(VK_DELETE);
    EXPECT_EQ(DragState(), Drag::None);
    Up(X(1600), Y(64));
    const std::vector<Event> notes = NotesOf();
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0].time, 2880) << "the dragged note was deleted, not moved";
    EXPECT_EQ(UndoName(), "Delete MIDI Event");
    Undo();
    EXPECT_EQ(NotesOf()[0].time, 960) << "the note comes back where the drag found it";
    EXPECT_EQ(NotesOf()[0].data1, 62);
}

TEST_F(EditCommandTest, CutThenPasteElsewhereMovesTheNoteAndPastingBeyondTheSongGrowsIt) {
    Note(960, 480, 62);
    Open();
    Click(X(1100), Y(62));
    Key('X', MOD_CONTROL);
    EXPECT_TRUE(NotesOf().empty());
    EXPECT_EQ(UndoName(), "Delete MIDI Event");
    Key(VK_END, MOD_CONTROL);
    const std::int64_t far = V()->geo.documentLength;
    ASSERT_EQ(V()->time.editCursor, far);
    Key('V', MOD_CONTROL);
    ASSERT_EQ(NotesOf().size(), 1u);
    EXPECT_EQ(NotesOf()[0].time, far);
    EXPECT_EQ(UndoName(), "Paste MIDI Event");
    EXPECT_EQ(V()->time.editCursor, far + 480) << "the time extent grew to take the cursor";
    EXPECT_GE(V()->geo.documentLength, far + 480);
    EXPECT_LE(V()->geo.timeOrigin, far + 480);
    EXPECT_GE(V()->geo.timeOrigin + V()->geo.timeSpan, far + 480) << "the view scrolled to the cursor";
}

TEST_F(EditCommandTest, SelectAllAndDeselectAllByKeyAndByTheDataInterface) {
    Note(0, 480, 60);
    Note(960, 480, 62);
    Controller(100, 7, 90);
    Open();
    Key('A', MOD_CONTROL);
    EXPECT_EQ(Selected().size(), 2u);
    EXPECT_FALSE(Events()[1].selected) << "select all takes notes";
    Key('A', MOD_CONTROL | MOD_SHIFT);
    EXPECT_TRUE(Selected().empty());
    SendMessage(ViewWindow(), PRM_GRID_SELECT_ALL, 0, 0);
    Pump();
    EXPECT_EQ(Selected().size(), 2u);
    SendMessage(ViewWindow(), WM_CLEAR, 0, 0);
    Pump();
    EXPECT_TRUE(NotesOf().empty());
}

// The paste-at-cursor script takes a row the whole track long and an empty row; here the row's pitch
// is also a controller number, and the top row.
TEST_F(EditCommandTest, SelectAllOnNoteTakesTheRowsNotesOnlyUpToTheTopRow) {
    Note(0, 480, 64);
    Note(960, 480, 62);
    Note(7000, 480, 127);
    Controller(100, 64, 127); // numbered like the row's pitch
    Open();
    Click(X(1100), Y(62));
    RightClickMenu(X(3000), Y(64), CMD_SELECT_ALL_ON_NOTE);
    ASSERT_EQ(Selected().size(), 1u);
    EXPECT_EQ(Selected()[0].pitch, 64);
    for (const Event& e : Events()) EXPECT_FALSE(e.kind == mp::MEK_CONTROL && e.selected) << "the controller";
    SetRows(0, 11);
    const ShownMenu topRow = RightClickMenu(X(3000), Y(127), CMD_SELECT_ALL_ON_NOTE);
    EXPECT_TRUE(topRow.Has(CMD_SELECT_ALL_ON_NOTE)) << "the top row is a row like any other";
    ASSERT_EQ(Selected().size(), 1u);
    EXPECT_EQ(Selected()[0].pitch, 127);
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
