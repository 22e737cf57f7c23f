// VelocityControllerView: the note-on velocity of every visible note as a stem under the note's start,
// set by drawing a line across the stems.
#pragma once

#include "lanes/controller_view.h"

namespace pianoroll {

class VelocityControllerView final : public ControllerView {
public:
    using ControllerView::ControllerView;

    void GetName(char* buffer, int capacity) const override;
    // Velocities have nothing to erase.
    void EraseRange(std::int64_t, std::int64_t, std::int64_t, bool) override {}
    // The velocity ramp between the two points; velocities never snap.
    void DrawStroke(int fromOffset, int toOffset, int height, std::int64_t fromTick, std::int64_t toTick,
                    std::int64_t ticksPerPixel, bool snapOverride) override;
    // The stems of the notes the grid shows, over the scale and time lines.
    void PaintLane(win::HDC dc, const win::RECT& lane, const win::RECT& clip) override;
    void FinishEdit() override {}
    int GetLaneId() const override { return kLaneVelocity; }
    int GetLaneCursor() const override;
};

} // namespace pianoroll
