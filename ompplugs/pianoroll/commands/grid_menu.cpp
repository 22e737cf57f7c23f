// The note grid's context menu: which of the menus of 1050 opens, its greyed and checked items, and the
// commands the grid carries out itself; any other command goes on to the editor frame.
#include "commands/edit_commands.h"
#include "commands/quantize.h"
#include "mp/plugin.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "resources/menus.h"
#include "view/snapping.h"
#include "tools/tool_framework.h"
#include "tools/tool_state.h"
#include "tools/tools.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// What the grid's last hit test found: the row and the note under the pointer.
GridTarget LastHitTarget(TrackView* v) {
    GridTarget target;
    const ToolState* s = ToolsOf(v);
    if (!s) return target;
    target.row = s->hit.row;
    target.hasNote = s->hit.hasNote;
    target.note = s->hit.note;
    return target;
}

// Hit-tests the grid at a client point, as a press there would.
GridTarget TargetAt(TrackView* v, int x, int y) {
    Pane& grid = v->panes[PANE_GRID];
    if (grid.paneClass->HitTest(v, &grid, x, y) == HitOutside) return GridTarget{};
    return LastHitTarget(v);
}

int ChooseMenu(TrackView* v, const GridTarget& target, bool fromKeyboard) {
    if (fromKeyboard) {
        if (!v->access || v->access->GetEventCount() == 0) return GRID_MENU_NON_DATA;
        return v->access->AnyEventSelected() ? GRID_MENU_EVENT : GRID_MENU_TRACK_NON_DATA;
    }
    if (target.hasNote) return GRID_MENU_EVENT;
    return target.row >= 0 ? GRID_MENU_TRACK_NON_DATA : GRID_MENU_NON_DATA;
}

void Grey(HMENU menu, int command, bool grey) {
    EnableMenuItem(menu, static_cast<UINT>(command), MF_BYCOMMAND | (grey ? MF_GRAYED : MF_ENABLED));
}

// Greys what cannot act now and checks the settings in force, before the menu is shown.
void PrepareMenu(TrackView* v, HMENU menu) {
    const bool selection = v->access && v->access->AnyEventSelected();
    mp::COPTPlugin* plugin = v->access ? v->access->Plugin() : nullptr;
    for (int command : {CMD_CUT, CMD_COPY, CMD_DELETE}) Grey(menu, command, !selection);
    Grey(menu, CMD_PASTE, !plugin || !plugin->CanPaste());
    const bool notes = selection && AnyNoteSelected(v);
    for (int command = CMD_VELOCITY_MINIMUM; command <= CMD_VELOCITY_SET; ++command) Grey(menu, command, !notes);
    std::int64_t start = 0, length = 0;
    Grey(menu, CMD_ZOOM_TO_SELECTION, !ZoomSelectionRange(v, &start, &length));
    // Off, All Tracks and Chosen Tracks... follow the modes' order.
    const int others = CMD_GHOSTS_OFF + static_cast<int>(GhostChoiceOf(v).mode);
    CheckMenuRadioItem(menu, CMD_GHOSTS_OFF, CMD_GHOSTS_CHOSEN, static_cast<UINT>(others), MF_BYCOMMAND);
    if (!v->settings) return;
    CheckMenuItem(menu, CMD_TOGGLE_SNAPPING, MF_BYCOMMAND | (v->settings->snapEnabled ? MF_CHECKED : MF_UNCHECKED));
    const int current = GridSpacingCommandOf(v->settings->gridSpacing);
    CheckMenuRadioItem(menu, CMD_GRID_SPACING_MENU_FIRST, CMD_GRID_SPACING_LAST, static_cast<UINT>(current), MF_BYCOMMAND);
}

} // namespace

void ShowGridContextMenu(TrackView* v, int x, int y, bool fromKeyboard) {
    // The menu key can come during a drag: the drag ends first, as for the edit keys.
    CancelViewDrag(v);
    const GridTarget target = TargetAt(v, x, y);
    // A press near a note's edge leaves the selection alone; the note menu still acts on that note.
    if (!fromKeyboard && target.hasNote && v->access && !v->access->IsEventSelected(target.note))
        SelectOnly(v, target.note);
    HMENU menus = LoadModuleMenu(kGridMenus);
    HMENU menu = menus ? GetSubMenu(menus, ChooseMenu(v, target, fromKeyboard)) : nullptr;
    if (!menu) {
        if (menus) DestroyMenu(menus);
        return;
    }
    PrepareMenu(v, menu);
    POINT pt{x, y};
    ClientToScreen(v->hwnd, &pt);
    const HWND view = v->hwnd;
    const int command = static_cast<int>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_RETURNCMD | TPM_NONOTIFY, pt.x, pt.y, 0, view, nullptr));
    DestroyMenu(menus);
    if (command == 0 || !IsWindow(view) || RunGridCommand(v, command, target)) return;
    if (HWND frame = GetParent(v->hwnd)) SendMessage(frame, WM_COMMAND, static_cast<WPARAM>(command), 0);
}

bool RunGridCommand(TrackView* v, int command, const GridTarget& target) {
    switch (command) {
    case CMD_CUT: CutSelection(v); return true;
    case CMD_COPY: CopySelection(v); return true;
    case CMD_PASTE: PasteAtEditCursor(v); return true;
    case CMD_DELETE: DeleteSelection(v); return true;
    case CMD_SELECT_ALL: SelectAllNotes(v, true); return true;
    case CMD_SELECT_ALL_ON_NOTE: SelectAllOnRow(v, target.row); return true;
    case CMD_TOGGLE_SNAPPING:
    case CMD_TOGGLE_SCALE_SNAPPING: HandleSnapCommand(v, command); return true;
    case CMD_VELOCITY_MINIMUM:
    case CMD_VELOCITY_MAXIMUM:
    case CMD_VELOCITY_DEFAULT: SetSelectionVelocity(v, VelocityOfCommand(command)); return true;
    case CMD_VELOCITY_SET: RunVelocityEntry(v, target.hasNote ? &target.note : nullptr); return true;
    case CMD_ZOOM_TO_SELECTION:
    case CMD_ZOOM_TO_LOOP: LoopBarCommand(v, command); return true;
    default: return false;
    }
}

bool HandleGridCommand(TrackView* v, int command) {
    // The snapping toggles and the zooms have handlers of their own in the view.
    switch (command) {
    case CMD_CUT:
    case CMD_COPY:
    case CMD_PASTE:
    case CMD_DELETE:
    case CMD_SELECT_ALL:
    case CMD_SELECT_ALL_ON_NOTE:
    case CMD_VELOCITY_MINIMUM:
    case CMD_VELOCITY_MAXIMUM:
    case CMD_VELOCITY_DEFAULT:
    case CMD_VELOCITY_SET: CancelViewDrag(v); return RunGridCommand(v, command, LastHitTarget(v));
    default: return false;
    }
}

} // namespace pianoroll
