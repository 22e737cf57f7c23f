// The controller-lane area's record in the view: the current lane object, the lane's rectangle, the
// mouse gesture in progress and the readout. The lanes (lanes/) write it; the view only holds it.
#pragma once

#include <climits>
#include <cstdint>
#include <memory>

#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

class ControllerView;

// The readout when the pointer is not over the lane.
constexpr int kNoReadout = INT_MAX;

// Part codes of the lane area's hit test, and of the track-header column's lane parts.
enum LaneHit : int {
    LaneNoHit = 0,
    LaneSplitterHit = 1, // the strip above the lane that resizes it
    LaneBodyHit = 2,     // inside the lane rectangle
};

// One state machine for the mouse over the lane area and the lane's part of the track-header column.
enum class LaneMouse {
    Idle,
    SplitterPressed,  // waiting for the drag threshold
    SplitterDragging,
    Drawing,
    Erasing,
};

// Written by the lane framework (lanes/) and the view's window procedure. The lane area's height lives in
// the settings (laneHeight).
struct LaneAreaState {
    LaneAreaState() = default;
    LaneAreaState(const LaneAreaState&) = delete;
    LaneAreaState& operator=(const LaneAreaState&) = delete;

    // Made from the stored lane id when the view is created, replaced when the lane changes; null when
    // the view has no track access or memory ran out.
    std::shared_ptr<ControllerView> lane; // shared: the view need not know the lane types
    int splitterTop = 0;  // B: the grid ends here, the 6-pixel splitter strip starts
    win::RECT laneRect{}; // empty while the lane is hidden
    win::RECT nameBox{};  // the lane selector in the track-header column
    LaneMouse mouse = LaneMouse::Idle;
    win::POINT press{};
    int heightAtPress = 0;
    std::int64_t lastTick = 0;
    int lastOffset = 0;
    bool pressTickOnly = false; // a drawing gesture has not left the tick it was pressed at
    int readout = kNoReadout;
};

} // namespace pianoroll
