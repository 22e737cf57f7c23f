// The window messages of the view: the focus questions a pane answers, the auto-scroll notice, the
// script runner's question and the editor's private edit messages. The numbers are part of the
// interface between the view, its panes, the frame and the host's script runner.
#pragma once

#include "mp/editor_commands.h"
#include "win/win.h"

namespace pianoroll {

// Asked of the focus pane through OnKey: caret size (lParam SIZE*), caret position (lParam POINT*),
// and of a pane with PANE_ASK_FOCUS on a press: which pane takes the keyboard (lParam the hit code;
// a result above 16 leaves the focus alone).
constexpr win::UINT PANE_FOCUS_CARET_SIZE = 0x401;
constexpr win::UINT PANE_FOCUS_CARET_POS = 0x402;
constexpr win::UINT PANE_FOCUS_WHICH = 0x403;
// The context-menu message a pane gets carries the clicked window in wParam, or this when the menu
// was asked for from the keyboard (lParam is then the point the view chose, in screen pixels).
constexpr win::WPARAM PANE_CONTEXT_FROM_KEYBOARD = 0;
// Sent to the pane under the pointer after each drag auto-scroll step, with the pointer, so its drag
// goes on at the new scroll position.
constexpr win::UINT PANE_AUTOSCROLLED = 0x404;

// Questions of the editing-script runner (mp/script_query.h). The lane area's class is asked for a lane
// value's pixel with OnKey(PRM_SCRIPT_POSITION, SVQ_Y_OF_LANE_VALUE, POINT*): point.y holds the value on
// entry and the pixel on return; a zero result means no lane.
constexpr win::UINT PRM_SCRIPT_POSITION = 0x0BF0;

// The editor's private edit messages, passed to the owner's EditMessage callback with the cut, copy,
// paste, clear and undo messages; the last of them is the contract's mp::PRM_SELECT_ALL.
constexpr win::UINT PRM_EDIT_FIRST = 0x7F00;
constexpr win::UINT PRM_EDIT_LAST = mp::PRM_SELECT_ALL;

} // namespace pianoroll
