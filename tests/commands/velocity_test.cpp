// Velocities: the reading of an entered number, the velocity commands of the note menu, and the
// in-place entry opened by a double-click or "Set To ...", with its accept and cancel rules.
#include <gtest/gtest.h>

#include "command_fixture.h"
#include "commands/edit_commands.h"
#include "resources/command_ids.h"
#include "win/backend.h"

namespace commandtest {
namespace {

using namespace pianoroll;
using namespace win;

TEST(VelocityText, TheLeadingNumberLimitedAndSixtyFourWithoutOne) {
    EXPECT_EQ(ParseVelocityText("0"), 1);
    EXPECT_EQ(ParseVelocityText("300"), 127);
    EXPECT_EQ(ParseVelocityText("abc"), 64);
    EXPECT_EQ(ParseVelocityText("90x"), 90);
    EXPECT_EQ(ParseVelocityText("  42"), 42);
    EXPECT_EQ(ParseVelocityText("-5"), 64) << "no sign: the text does not begin with a number";
    EXPECT_EQ(ParseVelocityText("   "), 64);
    EXPECT_EQ(ParseVelocityText("9999999999999999999999"), 127) << "no overflow";
    EXPECT_EQ(ParseVelocityText("127"), 127);
    EXPECT_EQ(ParseVelocityText("1"), 1);
    EXPECT_EQ(ParseVelocityText(std::string_view("905", 2)), 90) << "the text ends where its view ends";
}

using VelocityTest = CommandFixture;

TEST_F(VelocityTest, MenuCommandsSetEverySelectedNoteAsOneStepAndLeaveControllers) {
    Note(0, 480, 60);
    Note(960, 480, 62);
    Note(1920, 480, 64);
    Note(2880, 480, 65);
    Controller(100, 7, 90, true);
    Open();
    Click(X(100), Y(60), MOD_CONTROL);
    Click(X(1000), Y(62), MOD_CONTROL);
    Click(X(2000), Y(64), MOD_CONTROL);
    const std::size_t undoSteps = UndoCount();
    ASSERT_EQ(Selected().size(), 3u);
    const ShownMenu shown = RightClickMenu(X(1000), Y(62), CMD_VELOCITY_DEFAULT);
    ASSERT_FALSE(shown.Greyed(CMD_VELOCITY_DEFAULT));
    EXPECT_EQ(UndoName(), "Set MIDI Event Velocities");
    EXPECT_EQ(UndoCount(), undoSteps + 1);
    const std::vector<Event> events = Events();
    for (const Event& e : events) {
        const int expected = e.kind == mp::MEK_CONTROL ? 90 : e.data1 == 65 ? 100 : 64;
        EXPECT_EQ(e.data2, expected) << "kind " << e.kind << ", data " << e.data1;
    }
    RightClickMenu(X(3000), Y(65), CMD_VELOCITY_MAXIMUM);
    EXPECT_EQ(UndoName(), "Set MIDI Event Velocity");
    EXPECT_EQ(NotesOf()[3].data2, 127);
    RightClickMenu(X(3000), Y(65), CMD_VELOCITY_MINIMUM);
    EXPECT_EQ(NotesOf()[3].data2, 1);
}

// The velocity-entry script types, accepts and cancels; here the keyboard's way back, empty texts, the
// wheel and the length limit.
TEST_F(VelocityTest, EscapeOrAnEmptyTextChangesNothingAndTheWheelAccepts) {
    Note(960, 480, 62);
    Open();
    HWND entry = nullptr;
    RECT inside{};
    SIZE widest{}; // the widest velocity, in the entry's own font
    DoubleClickThen(X(1100), Y(62), {[&] {
                                         entry = GetFocus();
                                         GetClientRect(entry, &inside);
                                         HDC dc = GetDC(entry);
                                         SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(entry, WM_GETFONT, 0, 0)));
                                         GetTextExtentPoint32(dc, "127", 3, &widest);
                                         ReleaseDC(entry, dc);
                                     },
                                     PressKey(VK_ESCAPE)});
    EXPECT_GT(widest.cx, 0);
    EXPECT_GT(inside.right, 2 * widest.cx) << "room for a velocity in the UI font, and more";
    ASSERT_NE(entry, ViewWindow()) << "the entry had the keyboard";
    EXPECT_FALSE(IsWindow(entry)) << "the entry is gone";
    EXPECT_EQ(GetFocus(), ViewWindow()) << "keys go back to the grid";
    DoubleClickThen(X(1100), Y(62), {TypeText("12"), PressKey(VK_ESCAPE)});
    DoubleClickThen(X(1100), Y(62), {PressKey(VK_BACK), PressKey(VK_RETURN)});
    EXPECT_EQ(NotesOf()[0].data2, 100);
    EXPECT_EQ(UndoName(), "");
    DoubleClickThen(X(1100), Y(62), {TypeText("30"), [this] { headless::Wheel(ViewWindow(), X(1100), Y(62), 120); }});
    EXPECT_EQ(extraWaits, 0);
    EXPECT_EQ(NotesOf()[0].data2, 30);

    std::size_t kept = 0;
    DoubleClickThen(X(1100), Y(62), {PressKey(VK_BACK), PressKey(VK_BACK), TypeText("0000000000000000000000007"),
                                     [&] {
                                         char text[64] = {};
                                         kept = static_cast<std::size_t>(GetWindowText(GetFocus(), text, sizeof text));
                                     },
                                     PressKey(VK_RETURN)});
    EXPECT_EQ(kept, 19u) << "the entry takes 19 characters";
    EXPECT_EQ(NotesOf()[0].data2, 1) << "the 7 past the limit was never typed";
}

TEST_F(VelocityTest, SetToFromTheMenuOpensTheEntryWithTheNotesVelocityAndTheSelectionTakesIt) {
    Note(960, 480, 62);
    Note(2880, 480, 65);
    Open();
    Key('A', MOD_CONTROL);
    std::string shown;
    WhileEntryWaits([&] { RightClickMenu(X(1100), Y(62), CMD_VELOCITY_SET); },
                    {[&] {
                         char text[32] = {};
                         GetWindowText(GetFocus(), text, sizeof text);
                         shown = text;
                     },
                     TypeText("0"), PressKey(VK_RETURN)});
    EXPECT_EQ(shown, "100");
    for (const Event& e : NotesOf()) EXPECT_EQ(e.data2, 1) << "0 is raised to the minimum, for the whole selection";
    EXPECT_EQ(UndoName(), "Set MIDI Event Velocities");
}

TEST_F(VelocityTest, ClosingTheEditorWhileTheEntryWaitsChangesNothing) {
    Note(960, 480, 62);
    Open();
    DoubleClickThen(X(1100), Y(62), {TypeText("5"), [this] { CloseEditor(); }});
    EXPECT_EQ(extraWaits, 0);
    EXPECT_EQ(EditorWindow(), nullptr);
    EXPECT_EQ(NotesOf()[0].data2, 100);
}

TEST_F(VelocityTest, TheVelocityItemsAreGreyedWhileOnlyAControllerIsSelected) {
    Note(960, 480, 62);
    Controller(100, 7, 90, true);
    Open();
    const ShownMenu controllerOnly = KeyboardMenu(0);
    ASSERT_TRUE(controllerOnly.Has(CMD_VELOCITY_SET)) << "a selection: the event menu";
    EXPECT_FALSE(controllerOnly.Greyed(CMD_DELETE));
    for (int command = CMD_VELOCITY_MINIMUM; command <= CMD_VELOCITY_SET; ++command)
        EXPECT_TRUE(controllerOnly.Greyed(command)) << command;
    Key('A', MOD_CONTROL);
    EXPECT_FALSE(KeyboardMenu(0).Greyed(CMD_VELOCITY_SET));
}

} // namespace
} // namespace commandtest
