// The defaults of the owner's callbacks: nothing passed on is handled, the position text comes from
// the settings, the transport keys play and stop through the view's playback operations, and a cursor
// moved while playing moves the playback with it.
#include "view/owner_callbacks.h"

#include "mp/track_access.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

LRESULT NotHandled(TrackView*, WPARAM, LPARAM) { return 0; }
LRESULT MessageNotHandled(TrackView*, UINT, WPARAM, LPARAM) { return 0; }
void Nothing(TrackView*) {}
void SettingsChangedNothing(TrackView*, UINT) {}
void RangeUnchanged(TrackView*, std::int64_t*, std::int64_t*) {}
void CursorUnchanged(TrackView*, std::int64_t*) {}
void KillIdleTimer(TrackView* v) {
    if (v->hwnd) KillTimer(v->hwnd, kIdleTimer);
}

void PlayTrack(TrackView* v, bool fromStart) { v->parts->Play(v, fromStart); }

bool StopTrack(TrackView* v, bool pause) { return v->parts->Stop(v, pause); }

// A move of the edit cursor while the song plays: playback goes on from there, without a restart. A
// move to where playback already is (playback's own) seeks nothing, so no note there sounds twice.
void ContinueAt(TrackView* v, std::int64_t tick) {
    mp::TrackAccess* access = v->access;
    if (!access || !access->IsPlaying() || access->GetPlaybackPosition() == tick) return;
    if (access->SetPlaybackPosition(tick) == S_OK) SetPlaybackPosition(v, tick);
}

bool NoTrackNote(TrackView*, int, const mp::EventKey&) { return false; }

std::int64_t TrackPosition(TrackView* v) { return v->access ? v->access->GetPlaybackPosition() : 0; }

template <typename Slot>
void Fill(Slot& slot, Slot fallback) {
    if (!slot) slot = fallback;
}

} // namespace

OwnerCallbacks DefaultOwnerCallbacks() {
    return OwnerCallbacks{
        .Help = NotHandled,
        .Command = NotHandled,
        .Notify = NotHandled,
        .EditMessage = MessageNotHandled,
        .SettingsChanged = SettingsChangedNothing,
        .Palette = MessageNotHandled,
        .OwnerDraw = MessageNotHandled,
        .EditCursorMoved = Nothing,
        .LoopChanged = Nothing,
        .PositionToText = DefaultPositionToText,
        .AdjustRange = RangeUnchanged,
        .AdjustCursor = CursorUnchanged,
        .Idle = KillIdleTimer,
        .ShowTrackNote = NoTrackNote,
        .Released = Nothing,
    };
}

TransportCallbacks DefaultTransportCallbacks() {
    return TransportCallbacks{
        .Play = PlayTrack,
        .StopOrPause = StopTrack,
        .ContinueFrom = ContinueAt,
        .GetPosition = TrackPosition,
    };
}

void CompleteCallbacks(OwnerCallbacks* owner, TransportCallbacks* transport) {
    const OwnerCallbacks o = DefaultOwnerCallbacks();
    Fill(owner->Help, o.Help);
    Fill(owner->Command, o.Command);
    Fill(owner->Notify, o.Notify);
    Fill(owner->EditMessage, o.EditMessage);
    Fill(owner->SettingsChanged, o.SettingsChanged);
    Fill(owner->Palette, o.Palette);
    Fill(owner->OwnerDraw, o.OwnerDraw);
    Fill(owner->EditCursorMoved, o.EditCursorMoved);
    Fill(owner->LoopChanged, o.LoopChanged);
    Fill(owner->PositionToText, o.PositionToText);
    Fill(owner->AdjustRange, o.AdjustRange);
    Fill(owner->AdjustCursor, o.AdjustCursor);
    Fill(owner->Idle, o.Idle);
    Fill(owner->ShowTrackNote, o.ShowTrackNote);
    Fill(owner->Released, o.Released);
    const TransportCallbacks t = DefaultTransportCallbacks();
    Fill(transport->Play, t.Play);
    Fill(transport->StopOrPause, t.StopOrPause);
    Fill(transport->ContinueFrom, t.ContinueFrom);
    Fill(transport->GetPosition, t.GetPosition);
}

} // namespace pianoroll
