// The toolbar's drop-downs: the grid-spacing, paint-value, key and other-tracks menus of menu 1052 with
// their radio marks, shown under their buttons, and the same menus for a host's own menus.
#include "frame/editor_frame.h"

#include "resources/command_ids.h"
#include "resources/menus.h"

namespace pianoroll {

using namespace win;

namespace {

// Positions of the sub-menus in menu 1052.
enum : int { SETTINGS_GRID_SPACING = 0, SETTINGS_PAINT_VALUE = 1, SETTINGS_KEY = 2, SETTINGS_OTHER_TRACKS = 3 };

} // namespace

int DropDownMenuOf(int command) {
    switch (command) {
    case CMD_TOGGLE_SNAPPING:
        return SETTINGS_GRID_SPACING;
    case CMD_TOOL_FIRST + 3:
        return SETTINGS_PAINT_VALUE; // the Paint tool
    case CMD_TOGGLE_SCALE_SNAPPING:
        return SETTINGS_KEY;
    case CMD_GHOSTS_ALL:
        return SETTINGS_OTHER_TRACKS; // the Show Other Tracks button
    default:
        return -1;
    }
}

HMENU LoadSettingsMenu(HWND dialog, const FrameState& frame, int position) {
    if (position < SETTINGS_GRID_SPACING || position > SETTINGS_OTHER_TRACKS) return nullptr;
    HMENU settings = LoadModuleMenu(kSettingsMenus);
    if (!settings) return nullptr;
    HMENU sub = GetSubMenu(settings, position);
    // The sub-menu outlives the menu it is taken from.
    if (sub) RemoveMenu(settings, static_cast<UINT>(position), MF_BYPOSITION);
    DestroyMenu(settings);
    if (sub) ApplyCommandStates(dialog, frame, sub);
    return sub;
}

void ShowDropDown(HWND dialog, FrameState& frame, int command, const RECT& buttonInToolbar) {
    HMENU menu = LoadSettingsMenu(dialog, frame, DropDownMenuOf(command));
    if (!menu) return;
    POINT at{buttonInToolbar.left, buttonInToolbar.bottom + 1};
    ClientToScreen(frame.toolbar, &at);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
                       at.x, at.y, 0, dialog, nullptr));
    DestroyMenu(menu);
    if (chosen) SendMessage(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
}

} // namespace pianoroll
