// The lanes' shared behaviours (cursor, value range, readout) and making a lane object for an id.
#include "lanes/controller_view.h"

#include <new>

#include "lanes/controller_lane.h"
#include "lanes/pitch_bend_lane.h"
#include "lanes/velocity_lane.h"
#include "vor/ui_resources.h"

namespace pianoroll {

int ControllerView::GetLaneCursor() const { return VOR_CURSOR_PEN; }

int ControllerView::ValueFromOffset(int offset, int height) const {
    if (height <= 0) return 0;
    return static_cast<int>(static_cast<std::int64_t>(GetFullScale()) * offset / height);
}

std::unique_ptr<ControllerView> CreateControllerView(int laneId, mp::TrackAccess& access, TrackView& view) noexcept {
    const int known = KnownLaneId(laneId);
    if (known == kLanePitchBend) return std::unique_ptr<ControllerView>(new (std::nothrow) PitchBendControllerView(access, view));
    if (IsControllerLane(known))
        return std::unique_ptr<ControllerView>(new (std::nothrow) CCControllerView(access, view, known));
    return std::unique_ptr<ControllerView>(new (std::nothrow) VelocityControllerView(access, view));
}

} // namespace pianoroll
