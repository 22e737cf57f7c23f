// PitchBendControllerView: the track's pitch bend as a curve around the centre line, 14-bit values.
#pragma once

#include "lanes/value_lane.h"

namespace pianoroll {

class PitchBendControllerView final : public ValueLane {
public:
    static constexpr int kCentre = 8192;
    static constexpr int kFullScale = 16383;

    using ValueLane::ValueLane;

    void GetName(char* buffer, int capacity) const override;
    // Resets the range to the centre with the stroke's own rules (snapping, steps, replacement).
    void EraseRange(std::int64_t fromTick, std::int64_t toTick, std::int64_t ticksPerPixel, bool snapOverride) override;
    void DrawStroke(int fromOffset, int toOffset, int height, std::int64_t fromTick, std::int64_t toTick,
                    std::int64_t ticksPerPixel, bool snapOverride) override;
    void PaintLane(win::HDC dc, const win::RECT& lane, const win::RECT& clip) override;
    int GetLaneId() const override { return kLanePitchBend; }
    int GetMaxValue() const override { return kFullScale; }
    int GetFullScale() const override { return kFullScale; }
    // The signed bend: -8192 at the bottom edge, 8191 at the top.
    int ValueFromOffset(int offset, int height) const override;

protected:
    LaneFilter Filter() const override { return LaneFilter{LaneKind::PitchBend}; }
    void QueueValue(std::int64_t tick, int value) override;
    int BaseValue() const override { return kCentre; }
    void ValueSpan(int value, const win::RECT& lane, int* top, int* bottom) const override;
    win::COLORREF FillColour() const override;

private:
    // While a stroke with Shift held runs in semitones, each value it writes is a whole semitone.
    bool wholeSemitones_ = false;
};

} // namespace pianoroll
