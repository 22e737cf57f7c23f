// What a host's own menus send to the editor window, and the questions they ask it: which of its
// commands to grey and check, and the editor's setting menus to show among the host's.
#pragma once

#include "win/types.h"

namespace mp {

// Command ids the editor window takes as WM_COMMAND [ui thread], the same its toolbar sends. The
// editor acts on them as it does for its toolbar buttons (cut, copy, paste and delete go to the
// window that has the keyboard focus inside the editor).
enum EditorCommand : int {
    EDITOR_CUT = 4000,
    EDITOR_COPY = 4001,
    EDITOR_PASTE = 4002,
    EDITOR_DELETE = 4003,
    EDITOR_QUANTIZE = 4005,
    EDITOR_PREFERENCES = 4040,
    EDITOR_SNAP_TO_GRID = 4041,
    EDITOR_MONITOR = 4042,
    EDITOR_SNAP_TO_SCALE = 4043,
    EDITOR_BEND_SEMITONES = 4075, // the pitch-bend lane, its readout and bent notes read in semitones
    EDITOR_ABOUT = 41001, // the editor's About box; the command's result is the box's (1 OK, 0 Cancel)
};

// The editor sends WM_UNDO (wParam and lParam 0) to the window the host gave it as parent [ui thread]
// when the user asks for undo from inside the editor: the host undoes its last step, as its own Undo
// command does, and answers TRUE.

// Sent (never posted) to the editor window [ui thread]: selects every event of the shown track, as
// Ctrl+A in the note grid does. wParam and lParam 0; the answer is ignored.
constexpr win::UINT PRM_SELECT_ALL = 0x7F09;

// Sent (never posted) to the editor window [ui thread]: wParam a command id, lParam 0. The answer is a
// set of EditorCommandState bits, 0 when nothing of the editor carries the command. A host asks it
// for each item of its menus when they open, so they are greyed and checked as the toolbar is.
constexpr win::UINT PRM_COMMAND_STATE = 0x0BF2;

enum EditorCommandState : win::LRESULT {
    ECS_KNOWN = 0x1,   // the editor carries the command
    ECS_ENABLED = 0x2, // it would act now
    ECS_CHECKED = 0x4, // its setting is on, or it is the chosen entry of its group
    ECS_RADIO = 0x8,   // one of a group of exclusive choices: shown with a radio mark when checked
};

// Sent (never posted) to the editor window [ui thread]: wParam one of EditorMenu, lParam 0. The answer
// is a new pop-up menu (an HMENU) that the caller owns and destroys with DestroyMenu; its items are
// commands of the editor, to be sent to the editor window when chosen. Null for another wParam.
constexpr win::UINT PRM_LOAD_MENU = 0x0BF3;

enum EditorMenu : win::WPARAM {
    EM_GRID_SPACING = 0, // "Gr&id Spacing": 6005-6018
    EM_PAINT_VALUE = 1,  // "&Paint Note Value": 7000-7021
    EM_KEY = 2,          // "&Key": "&Root Note" (7200-7211) and "&Scale" (7300-7317)
    EM_OTHER_TRACKS = 3, // "Show &Other Tracks": Off 4070, All Tracks 4071, Chosen Tracks... 4072
};

} // namespace mp
