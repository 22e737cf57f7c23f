// Drag auto-scroll (the view follows a drag's pointer past a pane's edges on timer 3) and the middle
// button's wheel auto-scroll.
#pragma once

#include <cstdint>

#include "win/win.h"

namespace pianoroll {

struct TrackView;

// Reverse scrolls away from the pointer; rows moves whole rows, faster the farther out the pointer is.
enum : std::uint32_t {
    AS_HORIZONTAL = 0x1,
    AS_VERTICAL = 0x2,
    AS_REVERSE = 0x4,
    AS_BEYOND_END = 0x8,
    AS_WHEEL = 0x10,
    AS_ROWS = 0x20,
    AS_RUNNING = 0x80000000u,
};

// Written by auto_scroll.cpp.
struct AutoScrollState {
    std::uint32_t mode = 0; // 0 = off
    win::RECT rect{};       // the pointer inside it scrolls nothing
    std::uint32_t last = 0; // the last step's time
    std::uint32_t rowLast = 0; // when row mode last moved a row
    int carry = 0; // vertical units scrolled toward the next whole row
};

// While a drag's pointer (client coordinates) is outside `inner` grown by `margin` pixels, scrolls the
// view toward it on timer 3; inside, stops.
void AutoScrollForPoint(TrackView* v, int x, int y, const win::RECT& inner, int margin, std::uint32_t mode);
void AutoScrollStep(TrackView* v);
void EndAutoScroll(TrackView* v);
// Middle-button auto-scroll: a middle press starts it around the point, another press ends it. True
// when the message was taken.
bool WheelAutoScrollMouse(TrackView* v, win::UINT msg, int x, int y);

} // namespace pianoroll
