// Hot-tracking of a pane's button: the raised edge while the pointer is over it, and the watch that
// ends it when the pointer leaves the view.
#pragma once

#include <cstdint>

#include "win/gdi.h"

namespace pianoroll {

struct TrackView;

// The plain look of a hot button: a raised inner edge (state 1), or the button face over its 2-pixel
// border (state 0).
void DrawRaisedHotButton(TrackView* view, win::HDC dc, const win::RECT* rect, int state);

struct HotButton {
    win::RECT rect{};
    std::uint32_t hitCode = 0;
    win::RECT clip{};
    bool hasClip = false;
    // Draws the button hot (state 1) or not (state 0), on the UI thread.
    void (*Draw)(TrackView* view, win::HDC dc, const win::RECT* rect, int state) = DrawRaisedHotButton;
};

// Written by hot_tracking.cpp.
struct HotTracking {
    HotButton button;
    bool active = false;
};

void BeginHotTracking(TrackView* v, const HotButton& button);
// Repaints the button's border and kills the hot timer.
void EndHotTracking(TrackView* v);

} // namespace pianoroll
