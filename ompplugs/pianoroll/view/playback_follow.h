// The playback line and following it: the line drawn at the playback position, the view scrolled
// along in pages or centred, and what stops and restarts the following.
#pragma once

#include <cstdint>

#include "win/gdi.h"

namespace pianoroll {

struct TrackView;

// Written by playback_follow.cpp (the window procedure clears keyPending when the key comes up).
struct PlaybackFollow {
    bool playing = false;
    std::int64_t playbackPosition = 0;
    int playbackX = -1; // -1: no line drawn
    bool userMoved = false; // the user moved the view or the cursor: following stops
    bool following = false;
    bool centred = false;   // following keeps the playback line in the middle of the grid
    bool recentre = false;  // the next followed position sets the offset
    bool keyPending = false; // Left/Right held while following; cleared on key-up
    int offset = 0; // pixels from the middle where centred following keeps the line; eases to 0
};

// Starts or ends the playback line (a new playback follows the position until the user moves).
void SetPlaying(TrackView* v, bool playing);
// Moves the playback line, or scrolls the view along while following.
void SetPlaybackPosition(TrackView* v, std::int64_t ticks);
// The position the host reports, when it has moved on from 0.
void RefreshPlaybackPosition(TrackView* v);
// Inverts the playback line into dc where it crosses `clip` inside the grid.
void DrawPlaybackLine(TrackView* v, win::HDC dc, const win::RECT& clip);
// Following a new playback position while playing and not moved by the user: in page mode scrolls
// when the position leaves the page, in centred mode keeps it in the middle (plus an easing offset);
// true when it scrolled.
bool FollowPlayback(TrackView* v, std::int64_t ticks);
// The user scrolled or zoomed: following stops. True when it had not stopped before.
bool StopFollowingForUser(TrackView* v);
// The edit cursor moved while playing: a user's move stops following, a program's move resumes it
// (unless asked to keep a stop); either way playback goes on from `ticks`.
void FollowCursorMove(TrackView* v, std::int64_t ticks, bool byProgram, bool keepStopped);
// Left or Right while following: only noted until the key comes up. True when noted.
bool HoldKeyWhileFollowing(TrackView* v);
// A track was opened: following starts again, and the line shows whether the host plays.
void FollowNewTrack(TrackView* v, bool playing);

} // namespace pianoroll
