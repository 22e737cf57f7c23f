// Building the lane menu: velocity, pitch bend, the favourite controllers and the others the track
// holds, then every controller in a sub-menu of four columns.
#include "lanes/lane_menu.h"

#include <cstring>
#include <string>

#include "lanes/controller_lane.h"
#include "lanes/pitch_bend_lane.h"
#include "lanes/velocity_lane.h"
#include "mp/module_strings.h"
#include "mp/track_access.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

// The sub-menu's full names are asked with this capacity.
constexpr int kFullNameCapacity = 160;
// The sub-menu starts a new column before each of these controllers.
constexpr int kColumnHeight = 32;
constexpr const char* kMsbSuffix = " MSB";

constexpr int kDisabledControllers[] = {0, 6, 32, 38, 96, 97, 98, 99, 100, 101, 120, 121, 122, 123, 124, 125, 126, 127};

std::string LaneName(const ControllerView& lane, int capacity) {
    std::string name(static_cast<std::size_t>(capacity), '\0');
    lane.GetName(name.data(), capacity);
    name.resize(std::strlen(name.c_str()));
    return name;
}

std::string Marked(std::string name, bool present) {
    if (present) name += mp::ModuleString(mp::IDS_LANE_PRESENT_MARK);
    return name;
}

// A controller's first-level entry: its lane's name without the first " MSB".
std::string ShortControllerName(mp::TrackAccess& access, TrackView& view, int controller) {
    std::string name = LaneName(CCControllerView(access, view, kLaneControllerFirst + controller), kLaneNameCapacity);
    if (const std::size_t msb = name.find(kMsbSuffix); msb != std::string::npos) name.erase(msb, std::strlen(kMsbSuffix));
    return name;
}

bool IsFavourite(int controller) {
    for (int favourite : kFavouriteControllers)
        if (favourite == controller) return true;
    return false;
}

void MarkCurrent(HMENU menu, int currentLaneId) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (GetMenuItemID(menu, i) != static_cast<UINT>(currentLaneId)) continue;
        MENUITEMINFO info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE;
        GetMenuItemInfo(menu, static_cast<UINT>(i), TRUE, &info);
        info.fType |= MFT_RADIOCHECK;
        info.fState |= MFS_CHECKED;
        SetMenuItemInfo(menu, static_cast<UINT>(i), TRUE, &info);
    }
}

HMENU BuildAllControllers(mp::TrackAccess& access, TrackView& view, const TrackKinds& kinds, int currentLaneId) {
    HMENU all = CreatePopupMenu();
    if (!all) return nullptr;
    for (int c = 0; c < kControllerCount; ++c) {
        const std::string name = LaneName(CCControllerView(access, view, kLaneControllerFirst + c), kFullNameCapacity);
        UINT flags = MF_STRING;
        if (c > 0 && c % kColumnHeight == 0) flags |= MF_MENUBREAK;
        if (!ControllerChoosable(c)) flags |= MF_GRAYED;
        AppendMenu(all, flags, static_cast<UINT_PTR>(kLaneControllerFirst + c), Marked(name, kinds.controllers[c]).c_str());
    }
    MarkCurrent(all, currentLaneId);
    return all;
}

} // namespace

TrackKinds FindTrackKinds(mp::TrackAccess& access) { return NoteModel(&access).Content(); }

bool ControllerChoosable(int controller) {
    for (int disabled : kDisabledControllers)
        if (disabled == controller) return false;
    return controller >= 0 && controller < kControllerCount;
}

HMENU BuildLaneMenu(mp::TrackAccess& access, TrackView& view, int currentLaneId) {
    const TrackKinds kinds = FindTrackKinds(access);
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    AppendMenu(menu, MF_STRING, kLaneVelocity,
               Marked(LaneName(VelocityControllerView(access, view), kLaneNameCapacity), kinds.notes).c_str());
    AppendMenu(menu, MF_STRING, kLanePitchBend,
               Marked(LaneName(PitchBendControllerView(access, view), kLaneNameCapacity), kinds.pitchBend).c_str());
    for (int c : kFavouriteControllers)
        AppendMenu(menu, MF_STRING, static_cast<UINT_PTR>(kLaneControllerFirst + c),
                   Marked(ShortControllerName(access, view, c), kinds.controllers[c]).c_str());
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    bool others = false;
    for (int c = 0; c < kControllerCount; ++c) {
        if (!kinds.controllers[c] || IsFavourite(c)) continue;
        AppendMenu(menu, MF_STRING, static_cast<UINT_PTR>(kLaneControllerFirst + c),
                   Marked(ShortControllerName(access, view, c), true).c_str());
        others = true;
    }
    if (others) AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    MarkCurrent(menu, currentLaneId);
    if (HMENU all = BuildAllControllers(access, view, kinds, currentLaneId))
        AppendMenu(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(all), mp::ModuleString(mp::IDS_LANE_ALL_CONTROLLERS));
    return menu;
}

} // namespace pianoroll
