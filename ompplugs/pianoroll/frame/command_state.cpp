// What each of the editor's commands would do now: whether it acts (enabled) and whether its setting
// is on (checked), for the toolbar, the drop-downs and a host's menus alike.
#include "frame/editor_frame.h"

#include "mp/plugin.h"
#include "mp/editor_commands.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "view/snapping.h"
#include "tools/tools.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr LRESULT kKnown = mp::ECS_KNOWN;
constexpr LRESULT kEnabled = mp::ECS_ENABLED;

bool In(int id, int first, int last) {
    return id >= first && id <= last;
}

LRESULT Checked(bool on) {
    return on ? LRESULT{mp::ECS_CHECKED} : 0;
}
LRESULT EnabledIf(bool on) {
    return on ? kEnabled : 0;
}

// Cut, copy, delete and quantize act on the selection, paste on the clipboard, and all of them only
// while the note grid has the keys: with the focus in the track chooser they would not reach it.
LRESULT EditCommandState(const FrameState& frame, int command) {
    if (!frame.viewWindow || GetFocus() != frame.viewWindow || !frame.access) return kKnown;
    if (command == CMD_PASTE) return kKnown | EnabledIf(frame.plugin && frame.plugin->CanPaste());
    return kKnown | EnabledIf(frame.access->AnyEventSelected());
}

// The entries of the grid-spacing, paint-value, root and scale menus: one of each group is checked.
LRESULT SettingChoiceState(const mp::PianoRollSettings& s, int command) {
    int chosen = 0;
    if (In(command, CMD_GRID_SPACING_FIRST, CMD_GRID_SPACING_LAST))
        chosen = GridSpacingCommandOf(s.gridSpacing);
    else if (In(command, CMD_PAINT_VALUE_FIRST, CMD_PAINT_VALUE_LAST))
        chosen = PaintValueCommandOf(s.paintNoteValue);
    else if (In(command, CMD_ROOT_FIRST, CMD_ROOT_LAST))
        chosen = RootCommandOf(s.scaleRoot);
    else
        chosen = ScaleCommandOf(s.scaleIndex);
    return kKnown | kEnabled | mp::ECS_RADIO | Checked(chosen == command);
}

} // namespace

LRESULT CommandState(HWND, const FrameState& frame, int command) {
    const mp::PianoRollSettings* settings = frame.plugin ? frame.settings : nullptr;
    TrackView* view = frame.view.get();
    // A button whose command nothing carries out yet shows disabled.
    if (CommandTargetOf(command) == mp::SCT_NONE) return 0;
    if (In(command, CMD_CUT, CMD_DELETE) || command == CMD_QUANTIZE) return EditCommandState(frame, command);
    if (In(command, CMD_TOOL_FIRST, CMD_TOOL_LAST)) {
        if (!view) return kKnown;
        return kKnown | kEnabled | mp::ECS_RADIO | Checked(CurrentTool(view) == command - CMD_TOOL_FIRST);
    }
    if (In(command, CMD_PLAY_FROM_START, CMD_STOP))
        return kKnown | EnabledIf(view && frame.access && frame.access->TransportAvailable());
    if (command == CMD_GO_TO_START || command == CMD_GO_TO_END) return kKnown | EnabledIf(view != nullptr);
    if (command == CMD_LOOP_PLAYBACK)
        return kKnown | EnabledIf(view != nullptr) | Checked(frame.access && frame.access->IsLooping());
    if (command == CMD_SOLO) {
        const bool track = frame.access && frame.access->TrackId() != 0;
        return kKnown | EnabledIf(track) | Checked(track && ChosenTrackSolo(frame));
    }
    if (command == CMD_TOGGLE_MONITOR) {
        // Above 0 the host monitors by itself; below 0 the switch shows but changes nothing.
        const bool enabled = frame.plugin && frame.plugin->QueryMonitoring() <= 0;
        return kKnown | EnabledIf(enabled) | Checked(enabled && settings && settings->monitorAtStart != 0);
    }
    if (command == CMD_TOGGLE_SNAPPING || command == CMD_TOGGLE_SCALE_SNAPPING) {
        if (!view || !settings) return kKnown;
        const bool on =
            command == CMD_TOGGLE_SNAPPING ? settings->snapEnabled != 0 : settings->scaleSnap != 0;
        return kKnown | kEnabled | Checked(on);
    }
    if (In(command, CMD_GRID_SPACING_FIRST, CMD_GRID_SPACING_LAST) ||
        In(command, CMD_PAINT_VALUE_FIRST, CMD_PAINT_VALUE_LAST) ||
        In(command, CMD_ROOT_FIRST, CMD_ROOT_LAST) || In(command, CMD_SCALE_FIRST, CMD_SCALE_LAST)) {
        if (!view || !settings) return kKnown;
        return SettingChoiceState(*settings, command);
    }
    if (In(command, CMD_GHOSTS_OFF, CMD_GHOSTS_CHOSEN)) return GhostCommandState(frame, command);
    if (command == CMD_KEY_FROM_SONG) return kKnown | EnabledIf(view != nullptr) | Checked(KeyFromSongSetting(frame));
    if (command == CMD_HELP || command == CMD_ABOUT) return kKnown | kEnabled;
    if (command == CMD_PREFERENCES) return kKnown | EnabledIf(frame.plugin != nullptr);
    if (command == CMD_BEND_SEMITONES) return kKnown | EnabledIf(view != nullptr) | Checked(view && BendInSemitones(view));
    return kKnown | EnabledIf(view != nullptr);
}

void ApplyCommandStates(HWND dialog, const FrameState& frame, HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            ApplyCommandStates(dialog, frame, sub);
            continue;
        }
        const UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;
        const LRESULT state = CommandState(dialog, frame, static_cast<int>(id));
        if (!(state & mp::ECS_KNOWN)) continue;
        EnableMenuItem(menu, static_cast<UINT>(i),
                       MF_BYPOSITION | ((state & mp::ECS_ENABLED) ? MF_ENABLED : MF_GRAYED));
        if ((state & (mp::ECS_RADIO | mp::ECS_CHECKED)) == (mp::ECS_RADIO | mp::ECS_CHECKED))
            CheckMenuRadioItem(menu, static_cast<UINT>(i), static_cast<UINT>(i), static_cast<UINT>(i),
                               MF_BYPOSITION);
        else
            CheckMenuItem(menu, static_cast<UINT>(i),
                          MF_BYPOSITION | ((state & mp::ECS_CHECKED) ? MF_CHECKED : MF_UNCHECKED));
    }
}

} // namespace pianoroll
