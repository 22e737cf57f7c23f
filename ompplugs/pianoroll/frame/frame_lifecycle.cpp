// The frame's life: the state made at dialog initialisation in the written order, the view window and
// its owner callbacks, the chosen track, and the release at destruction.
#include "frame/editor_dialog.h"
#include "frame/editor_frame.h"
#include "frame/piano_roll_panes.h"

#include "commands/edit_commands.h"
#include "resources/module_identity.h"
#include "mp/plugin.h"
#include "mp/page.h"
#include "mp/private_messages.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"
#include "win/controls.h"
#include "win/win.h"

namespace pianoroll {

using namespace win;

namespace {

// Notes, control changes and pitch bends.
constexpr std::uint32_t kFrameKindFilter = 0x940;

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
    if (frame.view) ShowTrackInView(frame.view.get());
}

// The view window went before the frame (the frame still owns the record).
void ViewWindowGone(TrackView* view) {
    if (view->frame) view->frame->viewWindow = nullptr;
}

void CreateView(HWND dialog, FrameState& frame) {
    // A cursor resource of this module takes the place of the support library's picture of its id.
    VorUI_SetCursorModule(ModuleInstance());
    frame.view = std::make_unique<TrackView>();
    TrackView* view = frame.view.get();
    InstallPianoRollPanes(view);
    view->access = frame.access.get();
    view->settings = frame.settings;
    view->extension = frame.plugin->EditorExtension();
    view->frame = &frame;
    view->stripImages = frame.images.normal.get();
    view->owner.Help = ViewHelp;
    view->owner.EditMessage = GridEditMessage;
    view->owner.Released = ViewWindowGone;
    view->owner.ShowTrackNote = ShowTrackNote;
    SetKeyFromSong(view, KeyFromSongSetting(frame));
    frame.viewWindow =
        CreateWindowEx(0, kTrackViewClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, dialog,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(kViewWindowId)), ModuleInstance(), view);
    if (!frame.viewWindow) {
        // Without a window the frame shows no view; commands that need it do nothing.
        frame.view.reset();
        return;
    }
    if (HFONT font = reinterpret_cast<HFONT>(SendMessage(dialog, WM_GETFONT, 0, 0)))
        SendMessage(frame.viewWindow, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

} // namespace

FrameState::FrameState() = default;
FrameState::~FrameState() = default;

FrameState* FrameOf(HWND dialog) {
    return reinterpret_cast<FrameState*>(GetWindowLongPtr(dialog, DWLP_USER));
}

BOOL InitFrame(HWND dialog, LPARAM param) {
    if (HWND gap = GetDlgItem(dialog, kMeasureGapId)) ShowWindow(gap, SW_HIDE);
    auto* page = reinterpret_cast<mp::CBaseListPage*>(param);
    if (!page) return TRUE; // only measured
    // The dialog's user data owns the frame until DestroyFrame takes it back.
    FrameState* frame = std::make_unique<FrameState>().release();
    SetWindowLongPtr(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(frame));
    frame->page = page;
    frame->theme.reset(XPTheme_Initialize(dialog));
    LoadToolbarImages(&frame->images);
    frame->toolbar = CreateFrameToolbar(dialog, *frame);
    // Only a plug-in object that keeps an editor's settings can show the editor.
    mp::COPTPlugin* plugin = page->Plugin();
    if (!plugin || !plugin->EditorSettings()) return TRUE;
    frame->plugin = plugin;
    frame->settings = plugin->EditorSettings();
    frame->access = std::make_unique<mp::TrackAccess>(mp::TrackAccess::HostOf(frame->plugin));
    // A list read with other kinds is read again.
    if (frame->plugin->KindFilter() != kFrameKindFilter) frame->plugin->ClearFlags(mp::PLF_EVENT_LIST_VALID);
    frame->access->SetKindFilter(kFrameKindFilter);
    frame->access->SetTrackBox(GetDlgItem(dialog, kTrackChooserId));
    FillTrackChooser(frame, GetDlgItem(dialog, kTrackChooserId), false);
    CreateView(dialog, *frame);
    OpenGhostChoice(dialog, *frame);
    ShowChosenTrack(dialog, *frame);
    LayoutFrame(dialog, *frame);
    if (frame->view) {
        // The saved view comes back once the page has given the frame its place: a later resize keeps
        // the ticks per pixel, so a span restored at the template's size would not be the one saved.
        PostMessage(dialog, kRestoreSavedView, 0, 0);
        if (frame->access->IsPlaying()) SetPlaying(frame->view.get(), true);
    }
    if (frame->plugin->QueryMonitoring() == 0)
        frame->access->SetMonitoring(frame->settings->monitorAtStart != 0);
    RefreshToolbar(dialog, *frame);
    // The note grid takes the keys from the start; the chooser only when clicked or tabbed to.
    if (frame->viewWindow) {
        SetFocus(frame->viewWindow);
        return FALSE;
    }
    return TRUE;
}

void DestroyFrame(HWND dialog, FrameState* frame) {
    const std::unique_ptr<FrameState> owned(frame);
    SetWindowLongPtr(dialog, DWLP_USER, 0);
    if (frame->view) {
        SaveViewState(frame->view.get());
        // The view window is destroyed after this dialog, so the view lets go of it now, while the
        // track it reads is still there; deleting the frame then frees the view, then the access.
        ReleaseViewWindow(frame->view.get());
    }
    // The toolbar goes after this frame: it must not draw with the image lists freed below.
    if (frame->toolbar && IsWindow(frame->toolbar)) {
        SendMessage(frame->toolbar, TB_SETIMAGELIST, 0, 0);
        SendMessage(frame->toolbar, TB_SETHOTIMAGELIST, 0, 0);
        SendMessage(frame->toolbar, TB_SETDISABLEDIMAGELIST, 0, 0);
    }
}

void OnTrackChosen(HWND dialog, FrameState& frame) {
    const int index = ChosenTrackIndex(GetDlgItem(dialog, kTrackChooserId));
    if (index < 0) return;
    ShowChosenTrack(dialog, frame);
    LayoutFrame(dialog, frame);
    if (frame.view) CentreOnNotes(frame.view.get());
    PostMessage(dialog, mp::PRM_REFRESH_STATE, 0, 0);
}

} // namespace pianoroll
