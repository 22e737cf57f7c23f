// The main window's menu bar: a child window that shows the titles of a menu's pop-ups in a row and
// opens the pop-up under a title when it is clicked or asked for from the keyboard.
#pragma once

#include "win/controls.h"
#include "win/win.h"

namespace host::app {

constexpr const char* kMenuBarClass = "PianoRollMenuBar";
constexpr int kMenuBarHeight = 22;

// Creates the bar as a child of owner, showing menu (a menu of pop-ups, still owned by the caller).
// Commands chosen in its pop-ups go to owner as WM_COMMAND.
win::HWND CreateMenuBar(win::HWND owner, win::HMENU menu);
// Opens the pop-up at index as if its title were clicked; returns when it closes.
void OpenMenuBarItem(win::HWND bar, int index);
// The index of the title whose mnemonic (the letter after '&') is ch, or -1.
int FindMenuBarMnemonic(win::HWND bar, char ch);
// The rectangle of a title in the bar's client coordinates (empty when index is out of range).
win::RECT MenuBarItemRect(win::HWND bar, int index);

} // namespace host::app
