// The Edit menu's editing commands and the Options menu: built from the contract's command ids and the
// editor's own setting menus, prepared by asking the editor window, and routed to it.
#include "editor_menus.h"

#include <cstddef>
#include <iterator>

#include "mp/editor_commands.h"

namespace host::app {

using namespace win;

namespace {

struct SettingsSubMenu {
    UINT position; // in the Options menu
    WPARAM which;  // the editor's menu
    const char* text;
};

constexpr SettingsSubMenu kSubMenus[] = {
    {3, mp::EM_GRID_SPACING, "Gr&id Spacing"},
    {4, mp::EM_PAINT_VALUE, "&Paint Note Value"},
    {5, mp::EM_KEY, "&Key"},
    {11, mp::EM_OTHER_TRACKS, "Show &Other Tracks"}, // after Preferences and a separator
};
constexpr std::size_t kSubMenusInGroup = 3; // the ones between the first two separators

bool IsOptionsMenu(HMENU popup) {
    return GetMenuItemCount(popup) > 0 && GetMenuItemID(popup, 0) == static_cast<UINT>(mp::EDITOR_SNAP_TO_GRID);
}

// The host's own commands (File, Edit's Undo and Redo, Transport, Help) are not the editor's.
bool IsHostCommand(UINT id) { return id >= 40000 && id < 41000 && id != static_cast<UINT>(kCmdSelectAll); }

void RefreshSubMenus(HWND editor, HMENU options) {
    for (const SettingsSubMenu& sub : kSubMenus) {
        HMENU fresh = editor ? reinterpret_cast<HMENU>(SendMessage(editor, mp::PRM_LOAD_MENU, sub.which, 0)) : nullptr;
        if (!fresh) fresh = CreatePopupMenu();
        DeleteMenu(options, sub.position, MF_BYPOSITION);
        InsertMenu(options, sub.position, MF_BYPOSITION | MF_POPUP | (editor ? 0 : MF_GRAYED),
                   reinterpret_cast<UINT_PTR>(fresh), sub.text);
    }
}

void ApplyStates(HWND editor, HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT position = static_cast<UINT>(i);
        if (HMENU sub = GetSubMenu(menu, i)) {
            ApplyStates(editor, sub);
            continue;
        }
        const UINT id = GetMenuItemID(menu, i);
        if (id == 0 || id == static_cast<UINT>(-1) || IsHostCommand(id)) continue;
        LRESULT state = 0;
        if (id == static_cast<UINT>(kCmdSelectAll)) state = editor ? mp::ECS_KNOWN | mp::ECS_ENABLED : 0;
        else if (editor) state = SendMessage(editor, mp::PRM_COMMAND_STATE, id, 0);
        const bool enabled = (state & mp::ECS_KNOWN) && (state & mp::ECS_ENABLED);
        EnableMenuItem(menu, position, MF_BYPOSITION | (enabled ? MF_ENABLED : MF_GRAYED));
        if ((state & mp::ECS_RADIO) && (state & mp::ECS_CHECKED))
            CheckMenuRadioItem(menu, position, position, position, MF_BYPOSITION);
        else
            CheckMenuItem(menu, position, MF_BYPOSITION | ((state & mp::ECS_CHECKED) ? MF_CHECKED : MF_UNCHECKED));
    }
}

} // namespace

void AppendEditorEditItems(HMENU edit) {
    AppendMenu(edit, MF_SEPARATOR, 0, nullptr);
    AppendMenu(edit, MF_STRING, mp::EDITOR_CUT, "Cu&t\tCtrl+X");
    AppendMenu(edit, MF_STRING, mp::EDITOR_COPY, "&Copy\tCtrl+C");
    AppendMenu(edit, MF_STRING, mp::EDITOR_PASTE, "&Paste\tCtrl+V");
    AppendMenu(edit, MF_STRING, mp::EDITOR_DELETE, "&Delete\tDelete");
    AppendMenu(edit, MF_STRING, kCmdSelectAll, "Select &All\tCtrl+A");
    AppendMenu(edit, MF_SEPARATOR, 0, nullptr);
    AppendMenu(edit, MF_STRING, mp::EDITOR_QUANTIZE, "&Quantize...");
}

HMENU CreateOptionsMenu() {
    HMENU options = CreatePopupMenu();
    AppendMenu(options, MF_STRING, mp::EDITOR_SNAP_TO_GRID, "Snap to &Grid\tF8");
    AppendMenu(options, MF_STRING, mp::EDITOR_SNAP_TO_SCALE, "Snap to &Scale\tAlt+F8");
    AppendMenu(options, MF_SEPARATOR, 0, nullptr);
    auto appendSubMenu = [&](const SettingsSubMenu& sub) {
        AppendMenu(options, MF_POPUP | MF_GRAYED, reinterpret_cast<UINT_PTR>(CreatePopupMenu()), sub.text);
    };
    for (std::size_t i = 0; i < kSubMenusInGroup; ++i) appendSubMenu(kSubMenus[i]);
    AppendMenu(options, MF_SEPARATOR, 0, nullptr);
    AppendMenu(options, MF_STRING, mp::EDITOR_MONITOR, "&Monitor");
    AppendMenu(options, MF_SEPARATOR, 0, nullptr);
    AppendMenu(options, MF_STRING, mp::EDITOR_PREFERENCES, "P&references...");
    AppendMenu(options, MF_SEPARATOR, 0, nullptr);
    AppendMenu(options, MF_STRING, mp::EDITOR_BEND_SEMITONES, "&Bend in Semitones");
    for (std::size_t i = kSubMenusInGroup; i < std::size(kSubMenus); ++i) appendSubMenu(kSubMenus[i]);
    return options;
}

void PrepareEditorItems(HWND editor, HMENU popup) {
    if (IsOptionsMenu(popup)) RefreshSubMenus(editor, popup);
    ApplyStates(editor, popup);
}

bool SendEditorCommand(HWND editor, int id) {
    if (id <= 0 || IsHostCommand(static_cast<UINT>(id))) return false;
    if (!editor) return true; // the editor's, with no editor to do it: nothing happens
    if (id == kCmdSelectAll) {
        SendMessage(editor, mp::PRM_SELECT_ALL, 0, 0);
        return true;
    }
    if (!(SendMessage(editor, mp::PRM_COMMAND_STATE, static_cast<WPARAM>(id), 0) & mp::ECS_KNOWN)) return false;
    SendMessage(editor, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
    return true;
}

} // namespace host::app
