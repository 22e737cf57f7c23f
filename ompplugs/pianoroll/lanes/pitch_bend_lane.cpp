// The pitch-bend lane: 14-bit strokes, erasing back to the centre, the signed readout and the curve
// filled from the centre line.
#include "lanes/pitch_bend_lane.h"

#include <cmath>

#include "model/pending_edit.h"
#include "model/semitones.h"
#include "mp/module_strings.h"
#include "mp/string_ids.h"
#include "mp/track_access.h"
#include "view/track_view.h"

namespace pianoroll {

namespace {

constexpr win::COLORREF kCurveColour = win::RGB(0x5C, 0x5C, 0xC0);

} // namespace

void PitchBendControllerView::GetName(char* buffer, int capacity) const {
    if (buffer && capacity >= 1) mp::LoadModuleString(mp::IDS_KIND_PITCH_BEND, buffer, static_cast<std::size_t>(capacity));
}

void PitchBendControllerView::EraseRange(std::int64_t fromTick, std::int64_t toTick, std::int64_t ticksPerPixel,
                                         bool snapOverride) {
    DrawStroke(kCentre, kCentre, kFullScale, fromTick, toTick, ticksPerPixel, snapOverride);
}

void PitchBendControllerView::DrawStroke(int fromOffset, int toOffset, int height, std::int64_t fromTick,
                                         std::int64_t toTick, std::int64_t, bool snapOverride) {
    wholeSemitones_ = snapOverride && BendInSemitones(&view_);
    Stroke(fromOffset, toOffset, height, fromTick, toTick, snapOverride);
    wholeSemitones_ = false;
}

void PitchBendControllerView::QueueValue(std::int64_t tick, int value) {
    if (wholeSemitones_) value = SnapBendToSemitone(value, LaneBendRange(&view_, tick));
    LaneEvent event{.kind = LaneKind::PitchBend, .tick = tick, .value = value};
    PendingEdit(&access_).InsertLaneEvent(&event);
}

int PitchBendControllerView::ValueFromOffset(int offset, int height) const {
    if (height <= 0) return 0;
    return static_cast<int>(std::trunc(static_cast<double>(kFullScale) * offset / height)) - kCentre;
}

void PitchBendControllerView::ValueSpan(int value, const win::RECT& lane, int* top, int* bottom) const {
    const int height = lane.bottom - lane.top;
    const int centre = lane.bottom - height / 2;
    const int y = lane.bottom - static_cast<int>(static_cast<unsigned>(value) * static_cast<unsigned>(height) / kFullScale);
    *top = value >= kCentre ? y : centre;
    *bottom = value >= kCentre ? centre : y;
}

win::COLORREF PitchBendControllerView::FillColour() const { return kCurveColour; }

void PitchBendControllerView::PaintLane(win::HDC dc, const win::RECT& lane, const win::RECT& clip) {
    PaintSteps(dc, lane, clip);
}

} // namespace pianoroll
