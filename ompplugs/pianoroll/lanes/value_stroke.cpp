// The value lanes' editing: the stroke that writes a value curve, the erase rule, and dropping the
// repeated values of a finished gesture.
#include <algorithm>
#include <cmath>

#include "lanes/value_lane.h"
#include "model/note_model.h"
#include "model/pending_edit.h"
#include "mp/track_access.h"
#include "view/track_view.h"

namespace pianoroll {

namespace {

// Unsnapped strokes write a value every 1/64 of a quarter note.
constexpr std::uint32_t kStepsPerQuarter = 64;
// The offset that makes CeilingToStep keep a tick that lies on a step.
constexpr double kCeilingSlack = 0.9;

int RoundedStepValue(int startValue, std::int64_t t, std::int64_t startTick, double slope) {
    const double rise = static_cast<double>(t - startTick) * slope;
    return startValue + static_cast<int>(std::trunc(slope > 0 ? rise + 0.5 : rise - 0.5));
}

} // namespace

std::int64_t CeilingToStep(std::int64_t t, std::int64_t step) {
    if (step <= 0) return t;
    const double steps = std::trunc((static_cast<double>(t) + static_cast<double>(step) - kCeilingSlack) /
                                    static_cast<double>(step));
    return static_cast<std::int64_t>(steps) * step;
}

std::int64_t ValueLane::SnapStep(bool snapOverride) const {
    if (snapOverride || !view_.settings || !view_.settings->snapEnabled) return 0;
    return static_cast<std::int64_t>(std::trunc(ViewSpacings(view_, 0).grid));
}

ValueLane::SnapLines::SnapLines(const TrackView& view, std::int64_t step) : step_(step) {
    if (step > 0) meters_ = SnapContextOf(view);
}

std::int64_t ValueLane::SnapLines::Floor(std::int64_t t) const {
    return meters_.bars ? GridBefore(meters_, t) : t / step_ * step_;
}

std::int64_t ValueLane::SnapLines::Ceiling(std::int64_t t) const {
    if (!meters_.bars) return CeilingToStep(t, step_);
    return OnGrid(meters_, t) ? t : GridAfter(meters_, t);
}

std::int64_t ValueLane::SnapLines::Next(std::int64_t line) const {
    return meters_.bars ? GridAfter(meters_, line) : line + step_;
}

void ValueLane::EraseEvents(std::int64_t from, std::int64_t last) {
    from = std::max<std::int64_t>(from, 0);
    if (last < from) return;
    const LaneFilter filter = Filter();
    PendingEdit edit(&access_);
    NoteModel(&access_).ForEachLaneEvent(filter, from, last - from, [&](const LaneEvent& e) { edit.RemoveLaneEvent(e.ref.key); });
    edit.DropInsertedLaneEvents(filter, from, last);
}

void ValueLane::Stroke(int fromOffset, int toOffset, int height, std::int64_t fromTick, std::int64_t toTick,
                       bool snapOverride) {
    if (height <= 0) return;
    const std::int64_t scale = GetFullScale();
    std::int64_t tA = fromTick, tB = toTick;
    int vA = static_cast<int>(fromOffset * scale / height);
    int vB = static_cast<int>(toOffset * scale / height);
    if (tB < tA) {
        std::swap(tA, tB);
        std::swap(vA, vB);
    }
    tA = std::max<std::int64_t>(tA, 0);
    const int lo = std::min(vA, vB), hi = std::max(vA, vB);
    const double slope = tB == tA ? 0.0 : static_cast<double>(vB - vA) / static_cast<double>(tB - tA);

    std::int64_t from = tA, last = tB;
    const SnapLines lines = LinesOf(snapOverride);
    const std::int64_t unsnapped = std::max<std::int64_t>(access_.TicksPerQuarter() / kStepsPerQuarter, 1);
    if (lines.Active()) {
        from = lines.Floor(tA);
        last = lines.Ceiling(tB) - 1;
        // A short stroke over a line writes the cell after it only.
        const std::int64_t cell = lines.Next(from) - from;
        if (tB - tA < cell && last - from > cell) from += cell;
    }
    EraseEvents(from, last);
    // A flat stroke writes its end point too.
    if (slope == 0) ++last;
    bool written = false;
    int previous = 0;
    // The erase above has cleared [from, last] of the lane's queued inserts, so each tick is free.
    for (std::int64_t t = from; t < last; t = lines.Active() ? lines.Next(t) : t + unsnapped) {
        int value = slope == 0 ? vB : RoundedStepValue(vA, t, tA, slope);
        value = std::clamp(std::clamp(value, lo, hi), GetMinValue(), GetMaxValue());
        if (written && value == previous) continue;
        written = true;
        previous = value;
        QueueValue(t, value);
    }
}

void ValueLane::FinishEdit() { PendingEdit(&access_).DropRepeatedValues(Filter()); }

} // namespace pianoroll
