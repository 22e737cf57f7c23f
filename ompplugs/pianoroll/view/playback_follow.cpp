// The playback line and following it: where the line is drawn, scrolling along with it in pages or
// centred with an easing offset, and what stops and restarts the following.
#include "view/playback_follow.h"

#include <algorithm>
#include <cstdlib>

#include "mp/track_access.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

void InvalidateColumn(TrackView* v, int x) {
    if (!v->hwnd || x < v->geo.grid.left || x >= v->geo.grid.right) return;
    const RECT column{x, v->geo.grid.top, x + 1, v->geo.grid.bottom};
    InvalidateRect(v->hwnd, &column, FALSE);
}

} // namespace

void SetPlaying(TrackView* v, bool playing) {
    PlaybackFollow& f = v->follow;
    if (f.playing == playing) return;
    if (v->hwnd && f.playbackX >= 0) {
        const RECT column{f.playbackX, v->geo.grid.top, f.playbackX + 1, v->geo.grid.bottom};
        InvalidateRect(v->hwnd, &column, FALSE);
    }
    f.playbackX = -1;
    f.playing = playing;
    // A new playback follows the position until the user moves the view.
    if (playing) {
        f.following = true;
        f.recentre = true;
        f.userMoved = false;
    }
    InvalidateView(v, INV_NO_GRID | INV_KEYBOARD);
}

void SetPlaybackPosition(TrackView* v, std::int64_t ticks) {
    PlaybackFollow& f = v->follow;
    if (FollowPlayback(v, ticks)) {
        f.playbackPosition = ticks;
        return;
    }
    const int oldX = f.playing ? XOfTick(v, f.playbackPosition) : -1;
    f.playbackPosition = ticks;
    const int newX = f.playing ? XOfTick(v, ticks) : -1;
    if (oldX == newX) return;
    InvalidateColumn(v, oldX);
    InvalidateColumn(v, newX);
}

void RefreshPlaybackPosition(TrackView* v) {
    if (!v->follow.playing || !v->access) return;
    const std::int64_t position = v->access->GetPlaybackPosition();
    if (position > 0) v->follow.playbackPosition = position;
}

void DrawPlaybackLine(TrackView* v, HDC dc, const RECT& clip) {
    if (!v->follow.playing || v->geo.timeSpan <= 0) return;
    const int x = XOfTick(v, v->follow.playbackPosition);
    if (x < v->geo.grid.left || x >= v->geo.grid.right || x < clip.left || x >= clip.right) return;
    PatBlt(dc, x, clip.top, 1, clip.bottom - clip.top, DSTINVERT);
    v->follow.playbackX = x;
}

bool FollowPlayback(TrackView* v, std::int64_t ticks) {
    PlaybackFollow& f = v->follow;
    if (!f.playing || !f.following || f.userMoved || v->geo.timeSpan <= 0) return false;
    const int x = XOfTick(v, ticks);
    int d;
    if (f.centred) {
        const int middle = v->geo.gridWidth / 2;
        if (f.recentre) {
            f.recentre = false;
            // Where the line is now becomes the offset, so the view glides to the middle instead of
            // jumping; from far away it jumps.
            const int offset = x - v->geo.grid.left - middle;
            f.offset = std::abs(offset) <= middle ? offset : 0;
        } else if (f.offset != 0) {
            f.offset += f.offset > 0 ? -1 : 1;
        }
        d = middle + f.offset;
    } else {
        const int margin = (v->geo.gridWidth - v->geo.zoomPixels) / 2;
        if (x < v->geo.grid.left) d = v->geo.zoomPixels;
        else if (x > v->geo.grid.right - margin) d = v->geo.gridWidth - v->geo.zoomPixels;
        else return false;
    }
    const std::int64_t origin = std::max<std::int64_t>(ticks - TicksOfWidth(v, std::max(d, 0)), 0);
    if (origin == v->geo.timeOrigin) return false;
    SetTimeView(v, origin, v->geo.timeSpan, TV_PROGRAM);
    InvalidateView(v, INV_ALL);
    return true;
}

bool StopFollowingForUser(TrackView* v) {
    const bool was = v->follow.userMoved;
    v->follow.userMoved = true;
    v->follow.following = false;
    return !was;
}

void FollowCursorMove(TrackView* v, std::int64_t ticks, bool byProgram, bool keepStopped) {
    PlaybackFollow& f = v->follow;
    if (!f.playing) return;
    if (!byProgram) {
        f.userMoved = true;
        f.following = false;
        v->transport.ContinueFrom(v, ticks);
    } else if (!(keepStopped && f.userMoved)) {
        f.userMoved = false;
        f.following = true;
        f.recentre = true;
        v->transport.ContinueFrom(v, ticks);
    }
}

bool HoldKeyWhileFollowing(TrackView* v) {
    PlaybackFollow& f = v->follow;
    if (!f.playing || !f.following || f.userMoved) return false;
    f.keyPending = true;
    return true;
}

void FollowNewTrack(TrackView* v, bool playing) {
    v->follow.userMoved = false;
    v->follow.playing = playing;
    if (playing) {
        v->follow.following = true;
        v->follow.recentre = true;
    }
}

} // namespace pianoroll
