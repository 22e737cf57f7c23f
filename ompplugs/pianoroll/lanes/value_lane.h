// ValueLane: what the pitch-bend and controller lanes share: the stroke that writes a value curve,
// the erase rule, dropping repeated values when a gesture ends, and the step graph of their values as
// the edit in progress will leave them.
#pragma once

#include <cstdint>
#include <vector>

#include "lanes/controller_view.h"
#include "model/note.h"
#include "view/snapping.h"

namespace pianoroll {

// One value of the lane at an absolute tick.
struct LanePoint {
    std::int64_t tick;
    int value;
};

// The values a step graph draws over a time range: the value in force at its start, then every point
// inside it in tick order.
struct LanePoints {
    LanePoint before; // tick 0 and the lane's base value when no point comes earlier
    std::vector<LanePoint> points;
};

class ValueLane : public ControllerView {
public:
    using ControllerView::ControllerView;

    void FinishEdit() override;

    // The step graph's values over [from, to] as the edit in progress sees them: the queued inserts and
    // modifications of the lane's kind, and the shown events not queued for deletion whose ticks lie
    // outside the span of the queued points.
    LanePoints CollectPoints(std::int64_t from, std::int64_t to);

protected:
    // The lane's events, and queueing a new one.
    virtual LaneFilter Filter() const = 0;
    virtual void QueueValue(std::int64_t tick, int value) = 0;
    // The value the graph starts from at tick 0.
    virtual int BaseValue() const = 0;
    // The part of the lane rectangle a value fills, [top, bottom).
    virtual void ValueSpan(int value, const win::RECT& lane, int* top, int* bottom) const = 0;
    virtual win::COLORREF FillColour() const = 0;

    // The stroke both lanes draw with: values offset x scale / height at both ends, on the grid's steps
    // while snapping (unless overridden) and every 1/64 quarter note otherwise, replacing what was there.
    void Stroke(int fromOffset, int toOffset, int height, std::int64_t fromTick, std::int64_t toTick,
                bool snapOverride);
    // Removes every event of the lane whose tick lies in [from, last]: shown ones are queued for
    // deletion, queued inserts are dropped.
    void EraseEvents(std::int64_t from, std::int64_t last);
    // The grid step a stroke or erase snaps to (0: no snapping).
    std::int64_t SnapStep(bool snapOverride) const;
    // The lines a stroke or erase snaps to: SnapStep apart from tick 0 or, in a song of several meters,
    // starting again at each meter's start.
    class SnapLines {
    public:
        SnapLines(const TrackView& view, std::int64_t step);
        bool Active() const { return step_ > 0; }
        std::int64_t Floor(std::int64_t t) const;   // the line at or before t
        std::int64_t Ceiling(std::int64_t t) const; // the first line not before t
        std::int64_t Next(std::int64_t line) const; // the line after a line

    private:
        std::int64_t step_;
        SnapContext meters_;
    };
    SnapLines LinesOf(bool snapOverride) const { return SnapLines(view_, SnapStep(snapOverride)); }
    // Fills the step graph of the lane's values into the clip.
    void PaintSteps(win::HDC dc, const win::RECT& lane, const win::RECT& clip);
};

// The smallest multiple of step not below t, as trunc((t + step - 0.9) / step) x step.
std::int64_t CeilingToStep(std::int64_t t, std::int64_t step);

} // namespace pianoroll
