// The view's playback operations (Play and Stop) and the transport commands that call them: play from
// the start or the cursor, pause and resume at the playback position, stop.
#include "frame/transport_bar.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "view/track_view.h"

namespace pianoroll {

namespace {

// A cursor set by playback is the program's move: following goes on, and the selection history is
// left alone.
void CursorTo(TrackView* v, std::int64_t tick) {
    if (tick == v->time.editCursor && v->time.selectionLength == 0) return;
    MoveEditCursor(v, tick, 0, MEC_PROGRAM | MEC_NO_HISTORY);
}

} // namespace

void Play(TrackView* v, int mode) {
    mp::TrackAccess* access = v->access;
    if (!access) return;
    if (mode == PLAY_CURSOR_TO_POSITION) {
        CursorTo(v, access->GetPlaybackPosition());
        return;
    }
    const std::int64_t tick = mode == PLAY_FROM_START ? 0 : v->time.editCursor;
    if (access->IsPlaying()) {
        // Already playing: the playback jumps, the host is not restarted.
        if (access->SetPlaybackPosition(tick) != win::S_OK) return;
    } else {
        if (access->SetPlaybackPosition(tick) != win::S_OK || access->SetPlaying(true) != win::S_OK) return;
        SetPlaying(v, true);
    }
    CursorTo(v, tick);
    SetPlaybackPosition(v, tick);
    InvalidateView(v, INV_NO_GRID | INV_KEYBOARD | INV_TRANSPORT);
}

bool Stop(TrackView* v, bool keep) {
    mp::TrackAccess* access = v->access;
    if (!access) return false;
    if (keep) CursorTo(v, access->GetPlaybackPosition());
    const bool wasPlaying = access->IsPlaying();
    if (wasPlaying && access->SetPlaying(false) == win::S_OK) SetPlaying(v, false);
    InvalidateView(v, INV_NO_GRID | INV_KEYBOARD | INV_TRANSPORT);
    return wasPlaying;
}

bool TransportCommand(TrackView* v, int command) {
    switch (command) {
    case CMD_PLAY_FROM_START: Play(v, PLAY_FROM_START); return true;
    case CMD_PLAY: Play(v, PLAY_FROM_CURSOR); return true;
    case CMD_PAUSE:
        // Pause keeps the cursor where playback got to; pressed again it plays on from there.
        if (!Stop(v, true)) Play(v, PLAY_FROM_CURSOR);
        return true;
    case CMD_STOP: Stop(v, false); return true;
    default: return false;
    }
}

} // namespace pianoroll
