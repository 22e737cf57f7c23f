// The view's scroll bars as panes 2 and 3: arrows, page areas, a thumb with resizable edges
// (horizontal), zoom buttons with a zoom slider between them, and the corner box.
#pragma once

#include <cstdint>

namespace pianoroll {

struct PaneClass;

// Part codes along a bar.
enum : int {
    SB_NONE = 0,
    SB_LEADING_ARROW = 1,
    SB_PAGE_BEFORE = 2,
    SB_PAGE_AFTER = 3,
    SB_TRAILING_ARROW = 4,
    SB_ZOOM_IN = 5,
    SB_ZOOM_SLIDER = 6,
    SB_ZOOM_OUT = 7,
    SB_CORNER = 8,
    SB_THUMB_START = 9,
    SB_THUMB = 10,
    SB_THUMB_END = 11,
};

// Bar options: the horizontal bar has a corner box (and leaves room for the vertical bar), and a thumb
// with resizable edges.
constexpr std::uint32_t SB_OPTIONS_MASK = 0x7;
constexpr std::uint32_t SB_WITH_CORNER = 0x3;
constexpr std::uint32_t SB_VERTICAL_OPTIONS = 0x80;

// The press on one bar (scroll_bars.cpp).
struct ScrollBarPress {
    int part = SB_NONE;
    int pressAt = 0;
    std::int64_t origin = 0; // the axis position and span at the press
    std::int64_t span = 0;
    int anchor = 0;          // where the zoom slider's travel counts from
};

// Written by scroll_bars.cpp.
struct ScrollBarsState {
    ScrollBarPress horizontal;
    ScrollBarPress vertical;
    int repeatPane = -1; // the bar whose held part repeats, -1 for none
};

// Both scroll bars (the pane number tells which).
PaneClass* ScrollBarPaneClass();

} // namespace pianoroll
