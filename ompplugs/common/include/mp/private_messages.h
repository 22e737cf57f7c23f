// Private window messages between the plug-in object, the view and the editor window.
#pragma once

#include "win/types.h"

namespace mp {

constexpr win::UINT PRM_REFRESH_STATE = 1737;
constexpr win::UINT PRM_SELECTION_CHANGED = 1738;
constexpr win::UINT PRM_SAVE_VIEW_STATE = 1739;
constexpr win::UINT PRM_PLAYBACK_STOPPED = 1740;   // wParam: the host's new transport state word
constexpr win::UINT PRM_QUERY_BUSY = 1741;         // sent, never posted; non-zero: takes keys now
constexpr win::UINT PRM_TRACK_CONTENT_CHANGED = 1742;
constexpr win::UINT PRM_TIMEBASE_CHANGED = 1743;
constexpr win::UINT PRM_TRACK_LIST_CHANGED = 0x8001; // wParam: bit 31 of the change flags; lParam: the flags
constexpr win::UINT PRM_TRANSPORT_TICK = 0x8002;

} // namespace mp
