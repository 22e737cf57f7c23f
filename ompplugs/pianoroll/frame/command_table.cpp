// The frame's command table: what each command of the toolbar, the transport bar, the drop-downs and a
// host's menus does, and which window acts on a command id.
#include "commands/quantize.h"
#include "frame/editor_frame.h"
#include "frame/transport_bar.h"

#include <algorithm>

#include "frame/dialogs.h"
#include "mp/plugin.h"
#include "mp/private_messages.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "resources/menus.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

using Action = LRESULT (*)(HWND dialog, FrameState& frame, int command);

struct CommandRow {
    int first;
    int last;
    Action run;
    bool refreshAfter; // the frame posts PRM_REFRESH_STATE to itself afterwards
};

// Cut, copy, paste and delete go to the window with the keys, which performs them if it can.
LRESULT SendToFocus(HWND dialog, FrameState&, int command) {
    constexpr UINT kRequests[] = {WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR};
    HWND focus = GetFocus();
    if (!focus || (focus != dialog && !IsChild(dialog, focus))) return 0;
    SendMessage(focus, kRequests[command - CMD_CUT], 0, 0);
    return 0;
}

// Tools, snapping, grid spacing, paint value, root note and scale: the view keeps them.
LRESULT PassToView(HWND, FrameState& frame, int command) {
    if (frame.viewWindow)
        SendMessage(frame.viewWindow, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), 0), 0);
    return 0;
}

// The edit cursor to the start or to the end of the track, scrolled into view.
LRESULT GoToEdge(HWND, FrameState& frame, int command) {
    TrackView* v = frame.view.get();
    if (!v) return 0;
    const std::int64_t end = frame.access ? std::max<std::int64_t>(frame.access->TrackEnd(), 0) : 0;
    MoveEditCursor(v, command == CMD_GO_TO_START ? 0 : end, 0, MEC_NO_HISTORY);
    ScrollCursorIntoView(v, SCROLL_NEAREST);
    return 0;
}

// Play from the start, play, pause or resume, stop: the view's playback operations.
LRESULT Transport(HWND, FrameState& frame, int command) {
    if (frame.view) TransportCommand(frame.view.get(), command);
    return 0;
}

LRESULT Solo(HWND, FrameState& frame, int) {
    ToggleSolo(frame);
    return 0;
}

LRESULT LoopPlayback(HWND, FrameState& frame, int command) {
    if (frame.view) LoopBarCommand(frame.view.get(), command);
    return 0;
}

LRESULT Monitor(HWND, FrameState& frame, int) {
    ToggleMonitor(frame);
    return 0;
}

// The quantize dialog, then the view's selection quantized.
LRESULT KeyFromSong(HWND, FrameState& frame, int) {
    ToggleKeyFromSong(frame);
    return 0;
}

LRESULT Quantize(HWND, FrameState& frame, int) {
    if (frame.view) QuantizeCommand(frame.view.get());
    return 0;
}

LRESULT Help(HWND dialog, FrameState&, int) {
    return ShowFrameHelp(dialog);
}

// The output port may have changed what the view shows of monitoring; it is laid out again.
LRESULT Preferences(HWND dialog, FrameState& frame, int) {
    const INT_PTR answer = frame.plugin ? RunPreferencesDialog(dialog, frame.plugin) : -1;
    LayoutFrame(dialog, frame);
    return answer;
}

LRESULT BendSemitones(HWND, FrameState& frame, int) {
    if (TrackView* v = frame.view.get()) SetBendInSemitones(v, !BendInSemitones(v));
    return 0;
}

LRESULT About(HWND dialog, FrameState&, int) {
    return RunAboutBox(dialog);
}

constexpr CommandRow kCommandTable[] = {
    {CMD_CUT, CMD_DELETE, SendToFocus, false},
    {CMD_QUANTIZE, CMD_QUANTIZE, Quantize, false},
    {CMD_TOOL_FIRST, CMD_TOOL_LAST, PassToView, false},
    {CMD_PLAY_FROM_START, CMD_STOP, Transport, false},
    {CMD_GO_TO_START, CMD_GO_TO_END, GoToEdge, false},
    {CMD_SOLO, CMD_SOLO, Solo, true},
    {CMD_LOOP_PLAYBACK, CMD_LOOP_PLAYBACK, LoopPlayback, true},
    {CMD_TOGGLE_SNAPPING, CMD_TOGGLE_SNAPPING, PassToView, false},
    {CMD_TOGGLE_MONITOR, CMD_TOGGLE_MONITOR, Monitor, true},
    {CMD_TOGGLE_SCALE_SNAPPING, CMD_TOGGLE_SCALE_SNAPPING, PassToView, false},
    {CMD_GRID_SPACING_FIRST, CMD_GRID_SPACING_LAST, PassToView, false},
    {CMD_PAINT_VALUE_FIRST, CMD_PAINT_VALUE_LAST, PassToView, false},
    {CMD_ROOT_FIRST, CMD_ROOT_LAST, PassToView, true},
    {CMD_SCALE_FIRST, CMD_SCALE_LAST, PassToView, true},
    {CMD_KEY_FROM_SONG, CMD_KEY_FROM_SONG, KeyFromSong, true},
    {CMD_PREFERENCES, CMD_PREFERENCES, Preferences, true},
    {CMD_BEND_SEMITONES, CMD_BEND_SEMITONES, BendSemitones, true},
    {CMD_GHOSTS_OFF, CMD_GHOSTS_CHOSEN, GhostCommand, true},
    {CMD_HELP, CMD_HELP, Help, false},
    {CMD_ABOUT, CMD_ABOUT, About, false},
};

const CommandRow* RowOf(int id) {
    for (const CommandRow& row : kCommandTable)
        if (id >= row.first && id <= row.last) return &row;
    return nullptr;
}

// The view's own pop-up menus, whose choices go to the view.
constexpr int kViewMenus[] = {kGridMenus, kRulerMenu, kSettingsMenus};

bool MenuCarries(HMENU menu, UINT id) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            if (MenuCarries(sub, id)) return true;
        } else if (GetMenuItemID(menu, i) == id) {
            return true;
        }
    }
    return false;
}

} // namespace

bool RunFrameCommand(HWND dialog, FrameState& frame, int command, LRESULT* result) {
    const CommandRow* row = RowOf(command);
    if (!row) return false;
    const LRESULT answer = row->run(dialog, frame, command);
    if (result) *result = answer;
    if (row->refreshAfter) PostMessage(dialog, mp::PRM_REFRESH_STATE, 0, 0);
    return true;
}

LRESULT CommandTargetOf(int id) {
    if (RowOf(id)) return mp::SCT_FRAME;
    if (id <= 0 || id > 0xFFFF) return mp::SCT_NONE;
    for (int menuId : kViewMenus) {
        HMENU menu = LoadModuleMenu(menuId);
        if (!menu) continue;
        const bool carried = MenuCarries(menu, static_cast<UINT>(id));
        DestroyMenu(menu);
        if (carried) return mp::SCT_VIEW;
    }
    return mp::SCT_NONE;
}

} // namespace pianoroll
