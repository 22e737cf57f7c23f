// The numbers of the view's panes: the high word of every hit code, the owners of drags.
#pragma once

namespace pianoroll {

constexpr int kPaneCount = 16;

// Panes 5, 7 and 9 are spare strips the piano-roll view leaves empty: one that moves with the time
// view (between the loop bar and the ruler), one under the ruler, one that moves with the rows.
enum PaneNumber : int {
    PANE_GRID = 0,
    PANE_KEYBOARD = 1,
    PANE_HSCROLL = 2,
    PANE_VSCROLL = 3,
    PANE_LOOP_BAR = 4,
    PANE_SPARE_TIME_STRIP = 5,
    PANE_RULER = 6,
    PANE_SPARE_RULER_STRIP = 7,
    PANE_LANES = 8,
    PANE_SPARE_ROW_STRIP = 9,
    PANE_TRANSPORT = 10,
    PANE_LANE_STRIP_FIRST = 11,
};

// A pane's id: its number in the high word, so that id + part code is the hit code.
constexpr unsigned PaneIdOf(int number) { return static_cast<unsigned>(number) << 16; }
// The pane number of a hit code (or of a pane id).
constexpr int PaneOfHit(unsigned hitCode) { return static_cast<int>((hitCode >> 16) & 15); }
// The part code of a hit code (what the pane's HitTest returned).
constexpr int PartOfHit(unsigned hitCode) { return static_cast<int>(hitCode & 0xFFFF); }

} // namespace pianoroll
