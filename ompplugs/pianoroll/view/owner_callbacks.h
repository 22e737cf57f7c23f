// What the view's owner (the editor frame) lends it: callbacks for the messages the view passes on and
// the events it reports, and the transport callbacks of its keys. Every slot is called on the view's
// UI thread with the view first; every slot has a default from construction, so callers never test for
// null. The owner sets the slots it wants before the window is created.
#pragma once

#include <cstdint>

#include "mp/records.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;

// The position text buffer the view lends PositionToText, terminator included.
constexpr int kPositionTextCapacity = 32;

struct OwnerCallbacks {
    // WM_HELP, WM_COMMAND the view does not handle, WM_NOTIFY. Default: 0.
    win::LRESULT (*Help)(TrackView* view, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT (*Command)(TrackView* view, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT (*Notify)(TrackView* view, win::WPARAM wParam, win::LPARAM lParam);
    // Cut, copy, paste, clear and undo (0x300-0x307) and the private edit messages
    // PRM_EDIT_FIRST … PRM_EDIT_LAST. Default: 0.
    win::LRESULT (*EditMessage)(TrackView* view, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    // System colours or settings changed (after the view recomputed what it derives). Default: nothing.
    void (*SettingsChanged)(TrackView* view, win::UINT msg);
    // Palette and owner-draw messages. Default: 0.
    win::LRESULT (*Palette)(TrackView* view, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT (*OwnerDraw)(TrackView* view, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    // The edit cursor or the loop region moved. Default: nothing.
    void (*EditCursorMoved)(TrackView* view);
    void (*LoopChanged)(TrackView* view);
    // Writes the position text of `ticks` into `buffer`, which the view owns (32 characters with the
    // terminator). Default: the settings' time format.
    void (*PositionToText)(TrackView* view, std::int64_t ticks, char* buffer);
    // May change a requested time range or cursor position in place. Default: unchanged.
    void (*AdjustRange)(TrackView* view, std::int64_t* start, std::int64_t* span);
    void (*AdjustCursor)(TrackView* view, std::int64_t* position);
    // Timer 3 while no drag auto-scroll runs. Default: kills the timer.
    void (*Idle)(TrackView* view);
    // Shows the track at a track-table index with the note of `key` selected, as choosing the track in
    // the owner's track chooser and clicking the note would; false when it cannot. Default: false.
    bool (*ShowTrackNote)(TrackView* view, int trackIndex, const mp::EventKey& key);
    // Called last when the window is destroyed, after every pane's Init(PANE_INIT_DESTROYED); the
    // record is not touched afterwards, so the owner may free it here. Default: nothing.
    void (*Released)(TrackView* view);
};

struct TransportCallbacks {
    // Starts playback from the start or from the edit cursor. Default: the view's Play.
    void (*Play)(TrackView* view, bool fromStart);
    // Stops, or with `pause` pauses (the edit cursor goes to where playback got to); whether playback
    // was running. Default: the view's Stop.
    bool (*StopOrPause)(TrackView* view, bool pause);
    // Playback goes on from a new position (the edit cursor moved while playing). Default: nothing.
    void (*ContinueFrom)(TrackView* view, std::int64_t position);
    // The playback position. Default: the track's.
    std::int64_t (*GetPosition)(TrackView* view);
};

// The records with every slot set to its default.
OwnerCallbacks DefaultOwnerCallbacks();
TransportCallbacks DefaultTransportCallbacks();
// Puts the default in every empty slot (an owner that cleared one gets the default back).
void CompleteCallbacks(OwnerCallbacks* owner, TransportCallbacks* transport);

} // namespace pianoroll
