// The transport strip (pane 10): its buttons and status field as the view holds them, its pane class,
// and the view's playback operations that its commands and the transport keys call.
#pragma once

#include <cstdint>

#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;
struct PaneClass;
struct Pane;

// A button record's state bits.
constexpr std::uint32_t TBS_CHECKED = 0x1;
constexpr std::uint32_t TBS_ENABLED = 0x4;
constexpr std::uint32_t TBS_HIDDEN = 0x8;
// A button record's style bits.
constexpr std::uint32_t TBY_SEPARATOR = 0x1;
constexpr std::uint32_t TBY_CHECK = 0x2;

struct TransportButton {
    win::RECT rect{}; // zero width when it does not fit or is hidden
    int image = -1;   // index into the toolbar strip
    int command = 0;
    std::uint32_t state = 0;
    std::uint32_t style = 0;
    const char* tooltip = nullptr;
};

constexpr int kTransportButtonCapacity = 17;
constexpr int kStatusTextCapacity = 64;

// Part codes of the strip's hit test: the status field, or a button (base + index).
enum : int {
    TRANSPORT_HIT_NONE = 0,
    TRANSPORT_HIT_STATUS = 1,
    TRANSPORT_HIT_BUTTON = 0x100,
};

// Written by the transport bar (frame/transport_bar*.cpp) and the view's window procedure.
struct TransportBarState {
    win::RECT bar{};
    // The left field is never given a rectangle; the status field is right-aligned.
    win::RECT leftField{};
    win::RECT statusField{};
    TransportButton buttons[kTransportButtonCapacity];
    int buttonCount = 0;
    int pressed = -1; // the button the left button went down on, while it is held
    int hot = -1;     // the button under the pointer
    std::int64_t laidOutLength = -1; // the track length the status field was sized for
    char paintedStatus[kStatusTextCapacity] = {}; // the status field's text as last painted
};

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
