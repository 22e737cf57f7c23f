// The controller-lane area (pane 8) as the view holds it.
#pragma once

namespace pianoroll {

// Written by the lane framework: the lane object, its readout and its drag. The lane area's height
// lives in the settings (word 45) and is set through SetLaneAreaHeight.
struct LaneAreaState {};

} // namespace pianoroll
