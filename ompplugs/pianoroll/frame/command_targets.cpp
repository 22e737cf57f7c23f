// The command ids the editor's toolbar, transport bar and menus carry, and which window acts on each.
#include "frame/editor_frame.h"
#include "resources/command_ids.h"
#include "resources/menus.h"

namespace pianoroll {

using namespace win;

namespace {

struct IdRange {
    int first;
    int last;
};

// What reaches the frame: the toolbar's buttons and drop-downs, the transport bar's buttons, help and
// About.
constexpr IdRange kFrameCommands[] = {
    {CMD_CUT, CMD_DELETE},
    {CMD_QUANTIZE, CMD_QUANTIZE},
    {CMD_TOOL_FIRST, CMD_TOOL_LAST},
    {CMD_PLAY_FROM_START, CMD_LOOP_PLAYBACK},
    {CMD_PREFERENCES, CMD_TOGGLE_SCALE_SNAPPING},
    {CMD_GRID_SPACING_FIRST, CMD_GRID_SPACING_LAST},
    {CMD_PAINT_VALUE_FIRST, CMD_PAINT_VALUE_LAST},
    {CMD_ROOT_FIRST, CMD_ROOT_LAST},
    {CMD_SCALE_FIRST, CMD_SCALE_LAST},
    {CMD_HELP, CMD_ABOUT},
};

// What the frame passes on to the view, which carries it out: the tools, snapping to the grid and to
// the scale, the grid spacing, the paint note value, the root note and the scale.
constexpr IdRange kViewCarriesOut[] = {
    {CMD_TOOL_FIRST, CMD_TOOL_LAST},
    {CMD_TOGGLE_SNAPPING, CMD_TOGGLE_SNAPPING},
    {CMD_TOGGLE_SCALE_SNAPPING, CMD_TOGGLE_SCALE_SNAPPING},
    {CMD_GRID_SPACING_FIRST, CMD_GRID_SPACING_LAST},
    {CMD_PAINT_VALUE_FIRST, CMD_PAINT_VALUE_LAST},
    {CMD_ROOT_FIRST, CMD_ROOT_LAST},
    {CMD_SCALE_FIRST, CMD_SCALE_LAST},
};

// The view's own pop-up menus, whose choices go to the view.
constexpr int kGridMenus = 1050; // the grid's menus, once they exist
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

bool ViewCarriesOut(int id) {
    for (const IdRange& range : kViewCarriesOut)
        if (id >= range.first && id <= range.last) return true;
    return false;
}

LRESULT CommandTargetOf(int id) {
    for (const IdRange& range : kFrameCommands)
        if (id >= range.first && id <= range.last) return mp::SCT_FRAME;
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
