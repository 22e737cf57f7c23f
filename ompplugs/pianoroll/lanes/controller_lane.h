// CCControllerView: the control changes of one controller as a step graph rising from the lane's
// bottom, 7-bit values, in the controller's own colour.
#pragma once

#include "lanes/value_lane.h"

namespace pianoroll {

class CCControllerView final : public ValueLane {
public:
    // laneId 1000 + n shows controller n.
    CCControllerView(mp::TrackAccess& access, TrackView& view, int laneId) noexcept;

    // "%d: %s": the controller's number and its name.
    void GetName(char* buffer, int capacity) const override;
    // Removes the controller's events between the ticks, in whole grid steps while snapping.
    void EraseRange(std::int64_t fromTick, std::int64_t toTick, std::int64_t ticksPerPixel, bool snapOverride) override;
    void DrawStroke(int fromOffset, int toOffset, int height, std::int64_t fromTick, std::int64_t toTick,
                    std::int64_t ticksPerPixel, bool snapOverride) override;
    void PaintLane(win::HDC dc, const win::RECT& lane, const win::RECT& clip) override;
    int GetLaneId() const override { return kLaneControllerFirst + controller_; }

    int Controller() const { return controller_; }
    // The fill colour of a controller's graph (0..127).
    static win::COLORREF ControllerColour(int controller);

protected:
    LaneFilter Filter() const override { return LaneFilter{LaneKind::Controller, controller_}; }
    void QueueValue(std::int64_t tick, int value) override;
    int BaseValue() const override { return 0; }
    void ValueSpan(int value, const win::RECT& lane, int* top, int* bottom) const override;
    win::COLORREF FillColour() const override { return ControllerColour(Controller()); }

private:
    int controller_ = 0;
};

} // namespace pianoroll
