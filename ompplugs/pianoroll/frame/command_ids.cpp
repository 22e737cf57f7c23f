// The command ids the editor's toolbar, transport bar and menus carry, and which window acts on each.
#include "frame/editor_frame.h"
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
    {4000, 4003}, {4005, 4005}, {4010, 4014}, {4020, 4027}, {4040, 4043}, {6000, 6018},
    {7000, 7021}, {7200, 7211}, {7300, 7317}, {41000, 41001},
};

// What the frame passes on to the view, which carries it out: the tools, snapping to the grid and to
// the scale, the grid spacing, the paint note value, the root note and the scale.
constexpr IdRange kViewCarriesOut[] = {
    {4010, 4014}, {4041, 4041}, {4043, 4043}, {6000, 6018}, {7000, 7021}, {7200, 7211}, {7300, 7317},
};

// The view's own pop-up menus, whose choices go to the view.
constexpr int kViewMenus[] = {1050, kRulerMenu, kSettingsMenus};

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
