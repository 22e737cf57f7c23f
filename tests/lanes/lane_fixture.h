// LaneFixture: an opened editor on a one-track song at 480 ticks per quarter and 10 ticks per pixel,
// with a controller lane 127 pixels tall (one pixel row per 7-bit value), and readers of the host's
// notes, control changes and pitch bends.
#pragma once

#include <cstdint>
#include <tuple>
#include <vector>

#include "lanes/lane_area.h"
#include "mp/settings.h"
#include "view_fixture.h"
#include "win/backend.h"

namespace lanetest {

constexpr int kPpq = 480;
constexpr int kTicksPerPixel = 10;
constexpr int kLaneRows = 127;
// The stored lane height that gives a lane rectangle of kLaneRows.
constexpr int kStoredLaneHeight = kLaneRows + 1;

// A control change (controller >= 0) or a pitch bend (controller kBend) as the host stores it.
constexpr int kBend = -1;
struct HostValue {
    std::int64_t tick;
    int controller;
    int value;
    bool operator==(const HostValue&) const = default;
    bool operator<(const HostValue& o) const { return std::tie(tick, controller, value) < std::tie(o.tick, o.controller, o.value); }
};

struct HostNote {
    std::int64_t tick;
    int pitch;
    int velocity;
    bool operator==(const HostNote&) const = default;
    bool operator<(const HostNote& o) const { return std::tie(tick, pitch) < std::tie(o.tick, o.pitch); }
};

class LaneFixture : public harness::ViewFixture {
protected:
    void SetUp() override;

    // The song, before Open().
    void Note(std::int64_t tick, int pitch, int velocity = 100, bool selected = false);
    void Controller(std::int64_t tick, int controller, int value);
    void Bend(std::int64_t tick, int value);
    // Opens the editor showing the lane `laneId` (as stored in the settings), 10 ticks per pixel from 0;
    // snapping on or off.
    void Open(int laneId, bool snapping = false, int width = 1000, int height = 600);
    // Clicks the lane's name box and answers the lane menu with laneId.
    void ChooseLane(int laneId);

    // The lane's rectangle, the x of a tick and the y of a lane value (the lane's own pixel row).
    win::RECT Lane() const { return View()->lanes.laneRect; }
    int X(std::int64_t tick) const { return XOfTick(tick); }
    int Y(int value) const;

    // Host state.
    std::vector<HostValue> Values();
    std::vector<HostNote> Notes();

    std::uint32_t block = 0;
};

} // namespace lanetest
