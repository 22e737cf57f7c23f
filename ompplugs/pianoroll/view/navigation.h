// The view's time positions (edit cursor moves, loop region, selection history), the ruler's mark
// spacing, and the time ruler and loop bar panes.
#pragma once

#include <cstdint>

#include "resources/command_ids.h"
#include "view/track_view.h"

namespace pianoroll {

// ---- Ruler mark spacing ---------------------------------------------------------------------------
struct RulerStep {
    double step = 1;      // ticks between marks
    int subdivisions = 4; // marks from one labelled mark to the next
    bool labelled = true; // whether the marks carry labels
};
// The mark spacing for marks at least `minDistance` ticks apart in the given signature.
RulerStep ComputeRulerStep(std::int64_t ticksPerQuarter, int numerator, int denominator, std::int64_t minDistance);
// The spacing of the ruler marks and grid lines at the view's zoom (measuring labels in dc); stores
// the ruler step in the view and hands it to the snapping as the drawn spacing.
RulerStep ViewRulerStep(TrackView* v, win::HDC dc);
// Whether marks and lines of this step are drawn at the view's zoom (more than 8 pixels apart).
bool RulerMarksDrawn(const TrackView* v, double step);

// ---- Time positions -----------------------------------------------------------------------------------
enum : unsigned {
    MEC_PROGRAM = 0x1,
    MEC_KEEP_FOLLOWING = 0x2,
    MEC_SNAP = 0x8,
    MEC_EXTEND = 0x10,
    MEC_OPTION = 0x20,
    MEC_NO_HISTORY = 0x40,
    MEC_GESTURE_STEP = 0x80,
    MEC_MOVE_LOOP = 0x100,
};
// The track's loop region from a start and a length; tells the owner and the host; unchanged values
// do nothing.
void SetLoopRange(TrackView* v, std::int64_t start, std::int64_t length);
// The time selection, or with `loop` the loop region when the edit cursor stands on one of its ends
// (inside it too with `inside`); an empty range at the edit cursor otherwise.
void QueryRange(const TrackView* v, bool loop, bool inside, std::int64_t* start, std::int64_t* length);
void AddSelectionHistory(TrackView* v, std::int64_t start, std::int64_t length);
// Applies the previous history entry; false when the history is empty.
bool StepBackSelectionHistory(TrackView* v);
void MoveEditCursor(TrackView* v, std::int64_t t, std::int64_t length, unsigned flags);
// A time-selection drag from `anchor` (the loop bar's and the grid's): it starts with the edit cursor
// at the anchor, the selection follows the pointer's time, and the finished selection becomes the
// loop region.
void BeginTimeSelection(TrackView* v, std::int64_t anchor);
void ExtendTimeSelection(TrackView* v, std::int64_t anchor, std::int64_t t);
void FinishTimeSelection(TrackView* v, std::int64_t anchor);
// Commands of the loop bar and the zooms to a range: 4027, 4030, 4031, 5000, 5001. False for others.
bool LoopBarCommand(TrackView* v, int command);

// ---- Zooming and scrolling ------------------------------------------------------------------------
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
// Following a new playback position while playing and not moved by the user: in page mode scrolls
// when the position leaves the page, in centred mode keeps it in the middle (plus an easing offset);
// true when it scrolled.
bool FollowPlayback(TrackView* v, std::int64_t ticks);
// The wheel the grid's tool leaves (all but plain Ctrl).
bool NavigationWheel(TrackView* v, win::WPARAM wParam);

// ---- Drag auto-scroll -----------------------------------------------------------------------------
// Reverse scrolls away from the pointer; rows moves whole rows, faster the farther out the pointer is.
enum : std::uint32_t {
    AS_HORIZONTAL = 0x1,
    AS_VERTICAL = 0x2,
    AS_REVERSE = 0x4,
    AS_BEYOND_END = 0x8,
    AS_WHEEL = 0x10,
    AS_ROWS = 0x20,
};
// While a drag's pointer (client coordinates) is outside `inner` grown by `margin` pixels, scrolls the
// view toward it on timer 3; inside, stops.
void AutoScrollForPoint(TrackView* v, int x, int y, const win::RECT& inner, int margin, std::uint32_t mode);
void AutoScrollStep(TrackView* v);
void EndAutoScroll(TrackView* v);
// Middle-button auto-scroll: a middle press starts it around the point, another press ends it. True
// when the message was taken.
bool WheelAutoScrollMouse(TrackView* v, win::UINT msg, int x, int y);
// Message a pane receives after each auto-scroll step, with the pointer, so its drag goes on.
constexpr win::UINT PANE_AUTOSCROLLED = 0x404;

// ---- Panes ------------------------------------------------------------------------------------------------
PaneClass* TimeRulerPaneClass();
PaneClass* LoopBarPaneClass();
// Both scroll bars (the pane number tells which).
PaneClass* ScrollBarPaneClass();
// Loop bar part codes.
enum : int { LB_BODY = 8, LB_START_EDGE = 9, LB_END_EDGE = 10 };
// Installs the ruler and loop bar in the piano-roll view.
void InstallNavigationPanes(TrackView* v);
// The loop menu of the ruler and loop bar at a client point; runs the chosen command.
void ShowLoopMenu(TrackView* v, int x, int y, bool overRegion);

} // namespace pianoroll
