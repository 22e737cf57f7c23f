// The host's menus that reach the editor: the editing commands of the Edit menu and the Options menu,
// greyed and checked as the editor's toolbar is, their choices sent to the editor window as its
// toolbar sends them. The host knows the editor only through its window and the contract's messages.
#pragma once

#include "win/controls.h"
#include "win/win.h"

namespace host::app {

// Select All is the editor's select-all message, not one of its commands.
constexpr int kCmdSelectAll = 40012;

// Cut, Copy, Paste, Delete, Select All and Quantize..., after a separator.
void AppendEditorEditItems(win::HMENU edit);
// Snap to Grid, Snap to Scale, the grid-spacing, paint-value and key sub-menus, Monitor, Preferences.
win::HMENU CreateOptionsMenu();
// Before a pop-up opens: the Options menu takes fresh copies of the editor's sub-menus, and every item
// of the editor is greyed and checked by asking the editor window (greyed when there is none).
void PrepareEditorItems(win::HWND editor, win::HMENU popup);
// A menu choice: sent to the editor window when it is the editor's; false when it is not.
bool SendEditorCommand(win::HWND editor, int id);

} // namespace host::app
