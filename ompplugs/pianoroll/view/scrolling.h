// Zooming and scrolling the time axis: zoom steps, zoom to a range, scrolling the edit cursor into
// view, the view's key table and the wheel.
#pragma once

#include <cstdint>

#include "win/win.h"

namespace pianoroll {

struct TrackView;

enum : int { ZOOM_STEPS = 0, ZOOM_ALL_OUT = 1, ZOOM_ALL_IN = 2, ZOOM_DEFAULT = 3 };
enum : int { SCROLL_NEAREST = 0, SCROLL_LEFT = 1, SCROLL_RIGHT = 2, SCROLL_MIDDLE = 3 };
// The playback position while playing and following it, else the edit cursor.
std::int64_t FocusTick(const TrackView* v);
// Time zoom by level steps (positive = out) or a request, centred on the focus; false when unchanged.
bool SetTimeZoom(TrackView* v, int steps, int request);
// Fits the range into the zoom pixels; false when empty or unchanged.
bool ZoomToRange(TrackView* v, std::int64_t start, std::int64_t length);
void ScrollCursorIntoView(TrackView* v, int placement);
// Key-down of the view's key table; false for keys left to the grid.
bool NavigationKey(TrackView* v, win::WPARAM key, win::LPARAM lParam);
// The wheel the grid's tool leaves (all but plain Ctrl).
bool NavigationWheel(TrackView* v, win::WPARAM wParam);

} // namespace pianoroll
