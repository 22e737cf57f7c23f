// The frame's life: the state made at dialog initialisation in the written order, the view window and
// its owner callbacks, the chosen track, and the release at destruction.
#include "frame/editor_dialog.h"
#include "frame/editor_frame.h"

#include <new>

#include "commands/edit_commands.h"
#include "module/module.h"
#include "module/pianoroll_plugin.h"
#include "mp/page.h"
#include "mp/private_messages.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/navigation.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"
#include "win/controls.h"
#include "win/win.h"

namespace pianoroll {

using namespace win;

namespace {

// Notes, control changes and pitch bends.
constexpr std::uint32_t kFrameKindFilter = 0x940;

std::int64_t FramePosition(TrackView* v) {
    return v->access ? v->access->GetPlaybackPosition() : 0;
}

LRESULT ViewHelp(TrackView* v, WPARAM, LPARAM) {
    HWND dialog = v->hwnd ? GetParent(v->hwnd) : nullptr;
    return dialog ? ShowFrameHelp(dialog) : 0;
}

// Shows the chosen track in the access object and the view.
void ShowChosenTrack(HWND dialog, FrameState& frame) {
    if (!frame.access) return;
    const int index = ChosenTrackIndex(GetDlgItem(dialog, kTrackChooserId));
    const std::vector<mp::TrackEntry>& tracks = frame.plugin->Tracks();
    const std::uint32_t trackId = index >= 0 && static_cast<std::size_t>(index) < tracks.size()
                                      ? tracks[static_cast<std::size_t>(index)].track
                                      : 0;
    frame.access->SelectTrack(trackId);
    if (frame.view) ShowTrackInView(frame.view);
}

// The view window is gone. While the frame lives it keeps the access object; once the frame is gone
// the view took it over.
void ReleaseView(TrackView* view) {
    if (auto* frame = static_cast<FrameState*>(view->ownerData)) {
        frame->view = nullptr;
        frame->viewWindow = nullptr;
    } else {
        delete view->access;
    }
    ReleaseTrackView(view);
    delete view;
}

void CreateView(HWND dialog, FrameState& frame) {
    // The tools' cursors are resources of this module; the cursor table looks there first.
    VorUI_SetCursorModule(ModuleInstance());
    auto* view = new (std::nothrow) TrackView;
    if (!view) return;
    PrepareTrackView(view);
    InstallPianoRollPanes(view);
    view->access = frame.access;
    view->settings = &frame.plugin->Settings();
    view->ownerData = &frame;
    view->owner.Help = ViewHelp;
    view->owner.PositionToText = DefaultPositionToText;
    view->owner.EditMessage = GridEditMessage;
    view->owner.Released = ReleaseView;
    view->transport.GetPosition = FramePosition;
    frame.view = view;
    frame.viewWindow =
        CreateWindowEx(0, kTrackViewClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, dialog,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(kViewWindowId)), ModuleInstance(), view);
    if (!frame.viewWindow) {
        // Without a window the frame shows no view; commands that need it do nothing.
        ReleaseTrackView(view);
        delete view;
        frame.view = nullptr;
        return;
    }
    if (HFONT font = reinterpret_cast<HFONT>(SendMessage(dialog, WM_GETFONT, 0, 0)))
        SendMessage(frame.viewWindow, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

} // namespace

FrameState* FrameOf(HWND dialog) {
    return reinterpret_cast<FrameState*>(GetWindowLongPtr(dialog, DWLP_USER));
}

BOOL InitFrame(HWND dialog, LPARAM param) {
    if (HWND gap = GetDlgItem(dialog, kMeasureGapId)) ShowWindow(gap, SW_HIDE);
    auto* page = reinterpret_cast<mp::CBaseListPage*>(param);
    if (!page) return TRUE; // only measured
    auto* frame = new (std::nothrow) FrameState;
    if (!frame) return TRUE;
    SetWindowLongPtr(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(frame));
    frame->page = page;
    frame->theme.reset(XPTheme_Initialize(dialog));
    LoadToolbarImages(&frame->images);
    frame->toolbar = CreateFrameToolbar(dialog, *frame);
    frame->plugin = dynamic_cast<mp::COPTPianoRollPlugin*>(page->Plugin());
    if (!frame->plugin) return TRUE;
    frame->access = new (std::nothrow) mp::TrackAccess(mp::TrackAccess::HostOf(frame->plugin));
    if (!frame->access) return TRUE;
    // A list read with other kinds is read again.
    if (frame->plugin->KindFilter() != kFrameKindFilter) frame->plugin->ClearFlags(mp::PLF_EVENT_LIST_VALID);
    frame->access->SetKindFilter(kFrameKindFilter);
    frame->access->SetTrackBox(GetDlgItem(dialog, kTrackChooserId));
    FillTrackChooser(frame, GetDlgItem(dialog, kTrackChooserId), false);
    CreateView(dialog, *frame);
    ShowChosenTrack(dialog, *frame);
    LayoutFrame(dialog, *frame);
    if (frame->view) {
        // The saved view comes back once the page has given the frame its place: a later resize keeps
        // the ticks per pixel, so a span restored at the template's size would not be the one saved.
        PostMessage(dialog, kRestoreSavedView, 0, 0);
        if (frame->access->IsPlaying()) {
            frame->view->flags |= TVF_FOLLOWING;
            SetPlaying(frame->view, true);
        }
    }
    if (frame->plugin->QueryMonitoring() == 0)
        frame->access->SetMonitoring(frame->plugin->Settings().monitorAtStart != 0);
    RefreshToolbar(dialog, *frame);
    // The note grid takes the keys from the start; the chooser only when clicked or tabbed to.
    if (frame->viewWindow) {
        SetFocus(frame->viewWindow);
        return FALSE;
    }
    return TRUE;
}

void DestroyFrame(HWND dialog, FrameState* frame) {
    SetWindowLongPtr(dialog, DWLP_USER, 0);
    if (TrackView* view = frame->view) {
        SaveViewState(view);
        if (frame->viewWindow && IsWindow(frame->viewWindow)) {
            // The view's panes may still use the track while the window goes (its children are
            // destroyed after this frame); the view frees both when it is released.
            view->ownerData = nullptr;
            frame->access = nullptr;
            DestroyWindow(frame->viewWindow);
        } else {
            ReleaseTrackView(view);
            delete view;
        }
    }
    delete frame->access;
    // The toolbar goes after this frame: it must not draw with the image lists freed below.
    if (frame->toolbar && IsWindow(frame->toolbar)) {
        SendMessage(frame->toolbar, TB_SETIMAGELIST, 0, 0);
        SendMessage(frame->toolbar, TB_SETHOTIMAGELIST, 0, 0);
        SendMessage(frame->toolbar, TB_SETDISABLEDIMAGELIST, 0, 0);
    }
    delete frame;
}

void OnTrackChosen(HWND dialog, FrameState& frame) {
    const int index = ChosenTrackIndex(GetDlgItem(dialog, kTrackChooserId));
    if (index < 0) return;
    ShowChosenTrack(dialog, frame);
    LayoutFrame(dialog, frame);
    if (frame.view) CentreOnNotes(frame.view);
    PostMessage(dialog, mp::PRM_REFRESH_STATE, 0, 0);
}

} // namespace pianoroll
