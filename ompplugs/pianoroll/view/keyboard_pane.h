// The keyboard column (pane 1): keys lined up with the rows, the column splitter, the lane splitter and
// the lane's selector and scale, and the key sounding while it is held.
#pragma once

#include "win/win.h"

namespace pianoroll {

struct TrackView;
struct PaneClass;

// Written by keyboard_pane.cpp.
struct KeyboardState {
    // A splitter drag: the pointer coordinate and the size (column width or lane height) at the press.
    int pressAt = 0;
    int sizeAtPress = 0;
    // The key held down, -1 for none; whether its note on went out (monitoring was on).
    int soundingNote = -1;
    int soundingRow = -1;
    bool soundingSent = false;
};

// Keyboard column part codes
enum : int {
    KP_RIGHT_SPLITTER = 1,
    KP_LANE_SPLITTER = 6,
    KP_KEY = 7,
    KP_LANE_SELECTOR = 8, // the lane's name box, which opens the lane menu
    KP_ABOVE = 0x11,
    KP_BELOW = 0x20,
    KP_BELOW_CHOOSER = 0x21,
    KP_NO_ROW = 0x40,
};

constexpr int kColumnSplitterWidth = 6;

PaneClass* KeyboardPaneClass();
int KeyAreaRight(const TrackView* v);
// The row of the key at a point in the key area, -1 for none.
int KeyAtPoint(const TrackView* v, int x, int y);
int BlackKeyRight(const TrackView* v);
// Gives the column width setting its default when it has none: the width of the longest position
// text the corner shows.
void EnsureColumnWidth(TrackView* v);
// Sets the column width setting (clamped 2 … 16384) and lays the view out.
void SetColumnWidth(TrackView* v, int width);

} // namespace pianoroll
