// The private messages the frame gets from the plug-in object and the view, and a host's select-all.
#include "frame/editor_dialog.h"
#include "frame/editor_frame.h"

#include "model/model_change.h"
#include "mp/plugin.h"
#include "mp/editor_commands.h"
#include "mp/private_messages.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/snapping.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr WPARAM kTransportStopped = 0;

// The host's changes: the track list is filled again only when tracks changed; the view repaints what
// changed, or all of it when that is not known.
void TrackListChanged(HWND dialog, FrameState& frame) {
    frame.plugin->ProcessNotifications(false);
    const ModelChange change = TakeModelChange(frame.access.get());
    if (change.TracksChanged()) {
        FillTrackChooser(&frame, GetDlgItem(dialog, kTrackChooserId), true);
        KeepGhostChoice(dialog, frame);
    }
    if (frame.access) frame.access->Reload();
    if (TrackView* view = frame.view.get()) {
        RefreshDocumentLength(view);
        RepaintChange(view, change);
        // Another track drawn behind the grid changed: its notes may lie anywhere.
        if (GhostsOutdated(view)) InvalidateView(view, INV_GRID);
    }
    PostMessage(dialog, mp::PRM_REFRESH_STATE, 0, 0);
}

void TransportTick(FrameState& frame) {
    TrackView* view = frame.view.get();
    if (view && frame.access && frame.access->IsPlaying()) {
        const std::int64_t position = frame.access->GetPlaybackPosition();
        if (position > 0) {
            SetPlaying(view, true);
            SetPlaybackPosition(view, position);
            InvalidateView(view, INV_NO_GRID | INV_KEYBOARD);
        }
    }
    frame.plugin->ClearFlags(mp::PLF_TIME_POSTED);
}

// The host's time selection is the loop region the view shows.
void SelectionChanged(FrameState& frame) {
    TrackView* view = frame.view.get();
    if (!view || !frame.access) return;
    std::int64_t start = 0, end = 0;
    if (!frame.access->GetLoopRegion(&start, &end)) return;
    // Unchanged values leave the view alone.
    SetLoopRegion(view, start, end, end > start);
    InvalidateView(view, INV_LOOP_BAR);
}

void TimebaseChanged(FrameState& frame) {
    TrackView* view = frame.view.get();
    frame.plugin->ReloadTicksPerQuarter();
    if (!view || !frame.access || !view->settings) return;
    ReloadSongMaps(view);
    RefreshDocumentLength(view);
    MarkBackgroundStale(view);
    InvalidateView(view, INV_ALL);
}

} // namespace

bool HandlePrivateMessage(HWND dialog, FrameState& frame, UINT msg, WPARAM wParam, LPARAM, LRESULT* result) {
    *result = 0;
    TrackView* view = frame.view.get();
    switch (msg) {
    case mp::PRM_REFRESH_STATE:
        RefreshToolbar(dialog, frame);
        // The transport strip's status field and button looks follow the same changes.
        if (view) InvalidateView(view, INV_NO_GRID | INV_TRANSPORT);
        return true;
    case mp::PRM_SELECTION_CHANGED:
        SelectionChanged(frame);
        return true;
    case mp::PRM_SAVE_VIEW_STATE:
        if (view) SaveViewState(view);
        return true;
    case kRestoreSavedView:
        if (view) RestoreViewState(view);
        return true;
    case mp::PRM_PLAYBACK_STOPPED:
        if (view && wParam == kTransportStopped) SetPlaying(view, false);
        // The transport state carries the looping flag, which the loop bar shows.
        if (view) InvalidateView(view, INV_LOOP_BAR | INV_TRANSPORT);
        PostMessage(dialog, mp::PRM_REFRESH_STATE, 0, 0);
        return true;
    case mp::PRM_QUERY_BUSY:
        // The view takes keys while it has the keyboard focus.
        *result = frame.viewWindow && GetFocus() == frame.viewWindow ? 1 : 0;
        return true;
    case mp::PRM_TRACK_CONTENT_CHANGED:
        if (view) RefreshDocumentLength(view);
        return true;
    case mp::PRM_TIMEBASE_CHANGED:
        TimebaseChanged(frame);
        return true;
    case mp::PRM_TRACK_LIST_CHANGED:
        TrackListChanged(dialog, frame);
        return true;
    case mp::PRM_TRANSPORT_TICK:
        TransportTick(frame);
        return true;
    case mp::PRM_SELECT_ALL:
        if (frame.viewWindow) SendMessage(frame.viewWindow, mp::PRM_SELECT_ALL, 0, 0);
        return true;
    default:
        return false;
    }
}

} // namespace pianoroll
