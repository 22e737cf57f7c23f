// The controller lane: its name from the controller's, 7-bit strokes, erasing the controller's events,
// and the step graph in the controller's colour.
#include "lanes/controller_lane.h"

#include <algorithm>

#include "model/note_model.h"
#include "model/pending_edit.h"
#include "mp/module_strings.h"
#include "mp/track_access.h"
#include "vor/strings.h"

namespace pianoroll {

namespace {

// The lane id's low byte, shifted so that ids 1000..1127 give controllers 0..127.
constexpr int kLaneIdToController = 24;
constexpr int kControllerByte = 0xFF;

constexpr std::uint32_t kColours[kControllerCount] = {
    0x5B00AC, 0x5AC6F1, 0xFAE09B, 0x5B00AC, 0x19158A, 0xAA0043, 0x5B00AC, 0x7F7FFF, // 0-7
    0xE53070, 0x5B00AC, 0xFF453F, 0xFFC962, 0x006219, 0x19A419, 0x5B00AC, 0xBC00FF, // 8-15
    0x070714, 0x464B51, 0x202846, 0x767981, 0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, // 16-23
    0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, 0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, // 24-31
    0x5B00AC, 0x5AC6F1, 0xFAE046, 0x5B00AC, 0x19158A, 0xAA0043, 0x5B00AC, 0x7F7FFF, // 32-39
    0xE53070, 0x5B00AC, 0xFF453F, 0xFFE00F, 0x006219, 0x19A419, 0x5B00AC, 0xBC00FF, // 40-47
    0x070714, 0x464B51, 0x202846, 0x767981, 0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, // 48-55
    0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, 0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, // 56-63
    0x703A1F, 0xAA0043, 0xE80085, 0xEC0F0E, 0xFF1E47, 0xAA0043, 0xFF4A00, 0xFF9400, // 64-71
    0xFF871A, 0xFFC237, 0xFF4A00, 0xFF9400, 0xFF871A, 0xFFC237, 0xFF4A00, 0xFF9400, // 72-79
    0x070714, 0x464B51, 0x202846, 0x767981, 0xAA0043, 0x5B00AC, 0xBC00FF, 0x3F0080, // 80-87
    0x8C00C5, 0x5B00AC, 0xBC00FF, 0xE80085, 0xAA0043, 0xEC0F0E, 0xFF1E47, 0xE80085, // 88-95
    0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, 0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, // 96-103
    0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, 0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, // 104-111
    0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, 0x5B00AC, 0xBC00FF, 0x3F0080, 0x8C00C5, // 112-119
    0x5B00AC, 0xBC00FF, 0x5B00AC, 0x5B00AC, 0x5B00AC, 0x5B00AC, 0x5B00AC, 0x5B00AC, // 120-127
};

} // namespace

CCControllerView::CCControllerView(mp::TrackAccess& access, TrackView& view, int laneId) noexcept
    : ValueLane(access, view), controller_((laneId + kLaneIdToController) & kControllerByte) {}

win::COLORREF CCControllerView::ControllerColour(int controller) {
    const std::uint32_t rgb = kColours[static_cast<std::size_t>(std::clamp(controller, 0, kControllerCount - 1))];
    return win::RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

void CCControllerView::GetName(char* buffer, int capacity) const {
    if (!buffer || capacity < 1) return;
    char controller[kLaneNameCapacity] = {};
    ControllerName(controller_, controller, sizeof controller);
    VorStr_Format(buffer, static_cast<std::size_t>(capacity), mp::ModuleString(mp::IDS_LANE_CONTROLLER_FORMAT),
                  Controller(), controller);
}

void CCControllerView::EraseRange(std::int64_t fromTick, std::int64_t toTick, std::int64_t, bool snapOverride) {
    std::int64_t start = std::min(fromTick, toTick), end = std::max(fromTick, toTick);
    start = std::max<std::int64_t>(start, 0);
    if (const SnapLines lines = LinesOf(snapOverride); lines.Active()) {
        start = lines.Floor(start);
        end = lines.Ceiling(end) - 1;
    }
    EraseEvents(start, end);
}

void CCControllerView::DrawStroke(int fromOffset, int toOffset, int height, std::int64_t fromTick,
                                  std::int64_t toTick, std::int64_t, bool snapOverride) {
    Stroke(fromOffset, toOffset, height, fromTick, toTick, snapOverride);
}

void CCControllerView::QueueValue(std::int64_t tick, int value) {
    LaneEvent event{.kind = LaneKind::Controller, .tick = tick, .controller = controller_, .value = value};
    PendingEdit(&access_).InsertLaneEvent(&event);
}

void CCControllerView::ValueSpan(int value, const win::RECT& lane, int* top, int* bottom) const {
    *top = lane.bottom - value * (lane.bottom - lane.top) / kSevenBitMax;
    *bottom = lane.bottom;
}

void CCControllerView::PaintLane(win::HDC dc, const win::RECT& lane, const win::RECT& clip) {
    PaintSteps(dc, lane, clip);
}

} // namespace pianoroll
