// ControllerView: the interface of a controller lane (velocity, pitch bend, one controller), the lane
// ids, and making a lane object for an id.
#pragma once

#include <cstdint>
#include <memory>

#include "mp/settings.h"
#include "win/gdi.h"

namespace mp {
class TrackAccess;
} // namespace mp

namespace pianoroll {

struct TrackView;

// Lane ids: the persisted choice of lane, also the lane menu's command ids.
constexpr int kLaneVelocity = mp::kLaneVelocity;
constexpr int kLanePitchBend = mp::kLanePitchBend;
constexpr int kLaneControllerFirst = mp::kLaneControllerBase;
constexpr int kControllerCount = 128;
constexpr int kLaneControllerLast = kLaneControllerFirst + kControllerCount - 1;

constexpr bool IsControllerLane(int laneId) { return laneId >= kLaneControllerFirst && laneId <= kLaneControllerLast; }
// Any id that names no lane opens the velocity lane.
constexpr int KnownLaneId(int laneId) {
    return laneId == kLanePitchBend || IsControllerLane(laneId) ? laneId : kLaneVelocity;
}
constexpr int ControllerOfLane(int laneId) { return laneId - kLaneControllerFirst; }

// The capacities the lane area asks names with.
constexpr int kLaneNameCapacity = 128;
constexpr int kLaneHeaderNameCapacity = 256;

// One kind of per-time value of the shown track, seen and edited in the lane under the grid. Offsets
// are pixels upwards from the lane's bottom edge, already clamped to 0..height by the caller; ticks are
// absolute. The snap override is true while Shift is held. Strokes and erases only fill the track
// access's edit queues; the lane area commits them once when the gesture ends. A lane holds no state
// of its own between calls. The operations run on the view's UI thread; the order of the virtual
// functions is the interface's slot order.
class ControllerView {
public:
    ControllerView(mp::TrackAccess& access, TrackView& view) noexcept : access_(access), view_(view) {}
    virtual ~ControllerView() = default;
    ControllerView(const ControllerView&) = delete;
    ControllerView& operator=(const ControllerView&) = delete;

    // 0: the display name (UTF-8), truncated to capacity - 1 bytes and terminated; nothing is written
    // for a capacity below 1.
    virtual void GetName(char* buffer, int capacity) const = 0;
    // 1: an erasing stroke from one tick to another.
    virtual void EraseRange(std::int64_t fromTick, std::int64_t toTick, std::int64_t ticksPerPixel,
                            bool snapOverride) = 0;
    // 2: a drawn stroke between two points.
    virtual void DrawStroke(int fromOffset, int toOffset, int height, std::int64_t fromTick, std::int64_t toTick,
                            std::int64_t ticksPerPixel, bool snapOverride) = 0;
    // 3: the lane's values inside the lane rectangle, clipped to clip.
    virtual void PaintLane(win::HDC dc, const win::RECT& lane, const win::RECT& clip) = 0;
    // 4: once when a stroke or erase gesture ends, before its edit is committed.
    virtual void FinishEdit() = 0;
    // 5
    virtual int GetLaneId() const = 0;
    // 6: the cursor id shown over the lane.
    virtual int GetLaneCursor() const;
    // 7, 8: the range of the values the lane writes.
    virtual int GetMinValue() const { return 0; }
    virtual int GetMaxValue() const { return kSevenBitMax; }
    // 9: the value at the lane's top edge.
    virtual int GetFullScale() const { return kSevenBitMax; }
    // 10: the value the readout shows for an offset.
    virtual int ValueFromOffset(int offset, int height) const;

protected:
    static constexpr int kSevenBitMax = 127;

    mp::TrackAccess& access_;
    TrackView& view_;
};

// A lane object for the id (any unknown id gives the velocity lane); null when memory runs out.
std::unique_ptr<ControllerView> CreateControllerView(int laneId, mp::TrackAccess& access, TrackView& view) noexcept;

} // namespace pianoroll
