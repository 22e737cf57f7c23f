// The value lanes' step graph: the points as the edit in progress sees them, and the filled steps
// between them.
#include <algorithm>

#include "lanes/value_lane.h"
#include "model/note_model.h"
#include "model/pending_edit.h"
#include "mp/track_access.h"
#include "view/brush_cache.h"
#include "view/track_view.h"

namespace pianoroll {

namespace {

int ClampedX(const TrackView& v, std::int64_t tick) {
    return std::clamp(XOfTick(&v, tick), -kPixelClamp, kPixelClamp - 1);
}

} // namespace

LanePoints ValueLane::CollectPoints(std::int64_t from, std::int64_t to) {
    LanePoints out{{0, BaseValue()}, {}};
    bool haveBefore = false;
    auto consider = [&](std::int64_t tick, int value) {
        if (tick < from) {
            // Points before the range only set the value in force at its start; at equal ticks the
            // later one (a queued edit comes after the shown events) wins.
            if (!haveBefore || tick >= out.before.tick) out.before = {tick, value}, haveBefore = true;
        } else if (tick <= to) {
            out.points.push_back({tick, value});
        }
    };

    // The edit in progress: its points hide the shown events between the first and the last of them.
    const LaneFilter filter = Filter();
    const PendingEdit edit(&access_);
    const NoteModel model(&access_);
    std::vector<LanePoint> queued;
    edit.ForEachQueuedLaneEvent(filter, [&](const LaneEvent& e) { queued.push_back({e.tick, e.value}); });
    std::int64_t hiddenFrom = 0, hiddenTo = -1;
    if (!queued.empty()) {
        const auto [low, high] = std::minmax_element(queued.begin(), queued.end(),
                                                     [](const LanePoint& a, const LanePoint& b) { return a.tick < b.tick; });
        hiddenFrom = low->tick;
        hiddenTo = high->tick;
    }
    auto shown = [&](const LaneEvent& e) {
        return !edit.IsRemoved(e.ref.key) && (e.tick < hiddenFrom || e.tick > hiddenTo);
    };

    LaneEvent before;
    if (model.LaneEventAtOrBefore(filter, from - 1, shown, &before)) consider(before.tick, before.value);
    const std::int64_t start = std::max<std::int64_t>(from, 0);
    if (to >= start)
        model.ForEachLaneEvent(filter, start, to - start, [&](const LaneEvent& e) {
            if (shown(e)) consider(e.tick, e.value);
        });
    // Queued points last, so that a stable sort puts them after shown events at the same tick.
    for (const LanePoint& p : queued) consider(p.tick, p.value);
    std::stable_sort(out.points.begin(), out.points.end(),
                     [](const LanePoint& a, const LanePoint& b) { return a.tick < b.tick; });
    return out;
}

void ValueLane::PaintSteps(win::HDC dc, const win::RECT& lane, const win::RECT& clip) {
    win::RECT area;
    if (!win::IntersectRect(&area, &lane, &clip) || view_.geo.timeSpan <= 0) return;
    // Points left of the clip only give the value in force at its left edge; points right of it only end
    // steps that are cut off anyway.
    const std::int64_t from = TickOfX(&view_, area.left);
    const std::int64_t to = TickOfX(&view_, area.right) + 1;
    const LanePoints points = CollectPoints(from, to);
    // The last value holds to the end of the song the view shows, or of the track when that is later.
    const std::int64_t end = std::max(access_.TrackEnd(), view_.geo.documentLength);
    BrushCache brushes;
    const win::COLORREF colour = FillColour();
    auto fill = [&](std::int64_t t0, std::int64_t t1, int value) {
        int top = 0, bottom = 0;
        ValueSpan(value, lane, &top, &bottom);
        const int left = std::max<int>(ClampedX(view_, t0), area.left);
        const int right = std::min<int>(ClampedX(view_, t1), area.right);
        top = std::max<int>(top, area.top);
        bottom = std::min<int>(bottom, area.bottom);
        if (left < right && top < bottom) brushes.Fill(dc, left, top, right, bottom, colour);
    };
    LanePoint previous = points.before;
    for (const LanePoint& p : points.points) {
        fill(previous.tick, p.tick, previous.value);
        previous = p;
    }
    fill(previous.tick, end, previous.value);
}

} // namespace pianoroll
