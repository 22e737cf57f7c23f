// CommandFixture: the tool fixture's editor with what the edit commands need besides: events with their
// velocities and channels, controller events, the frame's commands, the grid's context
// menu answered and looked at, and typing into the velocity entry while it waits.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "tool_fixture.h"

namespace commandtest {

using tooltest::MOD_CONTROL;

struct Event {
    std::int64_t time;
    std::int64_t length;
    std::uint32_t kind;
    int data1; // pitch or controller
    int data2; // velocity or value
    int channel;
    bool selected;
};

// What a context menu looked like when it opened: its first items and which were greyed or checked.
struct ShownMenu {
    std::vector<int> commands; // every command of the menu and its sub-menus, in order
    std::vector<int> greyed;
    std::vector<int> checked;
    bool Has(int command) const;
    bool Greyed(int command) const;
    bool Checked(int command) const;
};

class CommandFixture : public tooltest::ToolFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // Before Open(): a controller event on the piano track.
    void Controller(std::int64_t time, int controller, int value, bool selected = false);

    // Every event of a track (the piano track when 0), by time and pitch.
    std::vector<Event> Events(std::uint32_t trackId = 0);
    std::vector<Event> NotesOf(std::uint32_t trackId = 0);
    // A command as the toolbar sends it to the frame.
    void FrameCommand(int id);
    // Right-clicks at a point and answers the menu that opens with `command` (0: none); returns what
    // the menu showed.
    ShownMenu RightClickMenu(int x, int y, int command);
    // The menu the keyboard asks for (the menu key), answered with `command`.
    ShownMenu KeyboardMenu(int command);
    // Double-clicks a note; while the velocity entry it opens waits, each step runs in turn (then
    // Escape, counted in extraWaits).
    void DoubleClickThen(int x, int y, std::vector<std::function<void()>> steps);

    int extraWaits = 0;
};

// Velocity-entry steps.
std::function<void()> TypeText(const char* text);
std::function<void()> PressKey(int vk);

} // namespace commandtest
