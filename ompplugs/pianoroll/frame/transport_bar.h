// The transport strip (pane 10): its buttons and status field as the view holds them, its pane class,
// and the view's playback operations that its commands and the transport keys call.
#pragma once

#include <cstdint>

#include "view/transport_state.h"
#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;
struct PaneClass;
struct Pane;

PaneClass* TransportBarPaneClass();
// Lays the strip's buttons and status field out again in its pane (the track's length changed).
void RelayoutTransportBar(TrackView* v);
// Sizes the status field for the track's length and checks the loop button by the host's looping,
// before every paint.
void BringTransportBarUpToDate(TrackView* v);
// The pane's Paint slot (frame/transport_bar_paint.cpp).
void PaintTransportBar(TrackView* v, Pane* pane, win::HDC dc, const win::RECT* clip);

// The index of the button whose command is `command`, -1 when none.
int TransportButtonOf(const TransportBarState& bar, int command);
// Whether the button can be pressed now: enabled, and for the playback buttons only while the host's
// transport is there.
bool TransportButtonUsable(TrackView* v, int index);
// What the status field shows: the pitch row under the pointer, else the lane's readout, else nothing.
void StatusFieldText(TrackView* v, char* buffer, int capacity, bool* rightAligned);

// ---- Playback operations of the view (frame/transport_playback.cpp) ----------------------------------
enum PlayMode : int {
    PLAY_FROM_CURSOR = 0,
    PLAY_FROM_START = 1,
    PLAY_CURSOR_TO_POSITION = 2, // only moves the edit cursor to the host's position
};
// Plays from tick 0 or from the edit cursor: a playing host only jumps there, a stopped one seeks and
// plays; the edit cursor stands at that tick.
void Play(TrackView* v, int mode);
// With `keep` the edit cursor first moves to the host's playback position; then a playing host stops.
// Whether it was playing.
bool Stop(TrackView* v, bool keep);
// The transport commands 4020-4023 (play from start, play, pause or resume, stop); false for others.
bool TransportCommand(TrackView* v, int command);

} // namespace pianoroll
