// Velocities below what the scripts see: the reading of an entered number, the entry's room and focus,
// closing the editor under it, and the items greyed for a controller. The commands_velocity and
// velocity_entry scripts drive the commands and the entry.
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
    // "-5": no sign, the text does not begin with a number; no overflow; the text ends where its view ends.
    const std::pair<std::string_view, int> texts[] = {
        {"0", 1},  {"300", 127}, {"abc", 64}, {"90x", 90}, {"  42", 42}, {"-5", 64}, {"   ", 64},
        {"9999999999999999999999", 127},      {"127", 127}, {"1", 1},    {std::string_view("905", 2), 90}};
    for (auto [text, velocity] : texts) EXPECT_EQ(ParseVelocityText(text), velocity) << text;
}

using VelocityTest = CommandFixture;

// The velocity scripts type, accept and cancel; here the entry's place and room, and where the
// keyboard goes.
TEST_F(VelocityTest, TheEntryHasRoomForAVelocityAndEscapeGivesTheKeyboardBack) {
    Note(960, 480, 62);
    Open();
    HWND entry = nullptr;
    RECT inside{};
    SIZE widest{}; // the widest velocity, in the entry's own font
    POINT placed{};
    DoubleClickThen(X(1100), Y(62), {[&] {
                                         entry = GetFocus();
                                         GetClientRect(entry, &inside);
                                         MapWindowPoints(entry, ViewWindow(), &placed, 1);
                                         HDC dc = GetDC(entry);
                                         SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessage(entry, WM_GETFONT, 0, 0)));
                                         GetTextExtentPoint32(dc, "127", 3, &widest);
                                         ReleaseDC(entry, dc);
                                     },
                                     PressKey(VK_ESCAPE)});
    EXPECT_GT(widest.cx, 0);
    EXPECT_GT(inside.right, 2 * widest.cx) << "room for a velocity in the UI font, and more";
    EXPECT_GE(placed.x, X(960)) << "over the note, not at the grid's left edge";
    EXPECT_LE(placed.x, X(960) + 10);
    ASSERT_NE(entry, ViewWindow()) << "the entry had the keyboard";
    EXPECT_FALSE(IsWindow(entry)) << "the entry is gone";
    EXPECT_EQ(GetFocus(), ViewWindow()) << "keys go back to the grid";
    EXPECT_EQ(extraWaits, 0);
}

TEST_F(VelocityTest, ClosingTheEditorWhileTheEntryWaitsChangesNothing) {
    Note(960, 480, 62);
    Open();
    DoubleClickThen(X(1100), Y(62), {TypeText("5"), [this] { CloseEditor(); }});
    EXPECT_EQ((std::tuple{extraWaits, EditorWindow(), NotesOf()[0].data2}), (std::tuple{0, nullptr, 100}));
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
