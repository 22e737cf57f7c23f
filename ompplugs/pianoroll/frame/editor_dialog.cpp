// The editor frame's dialog: template 3 with the track chooser, the toolbar placeholder and the
// hidden measuring control; initialisation with the view window, layout on size, and the private
// messages of the plug-in object and the view.
#include "frame/editor_dialog.h"

#include <algorithm>
#include <new>

#include "frame/editor_frame.h"
#include "resources/command_ids.h"
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
namespace {

using namespace win;

// Notes, control changes and pitch bends.
constexpr std::uint32_t kFrameKindFilter = 0x940;

const DialogItemTemplate kEditorItems[] = {
    {"STATIC", "&Track:", -1, 4, 5, 26, 8, SS_LEFT},
    {"COMBOBOX", "", kTrackChooserId, 32, 3, 120, 120, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {"STATIC", "", kToolbarPlaceholderId, 158, 2, 236, 14, SS_LEFT},
    {"STATIC", "", kMeasureGapId, 4, 18, 8, 4, SS_LEFT},
};

const DialogTemplate kEditorDialog = {
    DS_CONTROL | DS_SETFONT | WS_CHILD | WS_CLIPCHILDREN,
    0,
    0,
    0,
    400,
    240,
    "",
    "MS Shell Dlg",
    8,
    kEditorItems,
    static_cast<int>(sizeof kEditorItems / sizeof kEditorItems[0]),
};

FrameState* StateOf(HWND dialog) { return reinterpret_cast<FrameState*>(GetWindowLongPtr(dialog, DWLP_USER)); }

RECT ChildRect(HWND dialog, int id) {
    RECT r{0, 0, 0, 0};
    HWND child = GetDlgItem(dialog, id);
    if (!child) return r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

void LayoutFrame(HWND dialog, FrameState* frame) {
    RECT client{};
    GetClientRect(dialog, &client);
    int charWidth = 6, lineHeight = 13;
    if (HDC dc = GetDC(dialog)) {
        HGDIOBJ old = SelectObject(dc, VorUI_GetFont(VOR_FONT_LABEL));
        TEXTMETRIC tm{};
        if (GetTextMetrics(dc, &tm)) {
            charWidth = std::max<int>(tm.tmAveCharWidth, 1);
            lineHeight = std::max<int>(tm.tmHeight, 1);
        }
        SelectObject(dc, old);
        ReleaseDC(dialog, dc);
    }
    const int minWidth = 35 * charWidth;
    const int minHeight = 10 * lineHeight;
    const int width = std::max<int>(client.right - client.left, minWidth);
    const int height = std::max<int>(client.bottom - client.top, minHeight) + 2;

    const RECT chooser = ChildRect(dialog, kTrackChooserId);
    const RECT gapControl = ChildRect(dialog, kMeasureGapId);
    const int gap = std::max<int>(gapControl.bottom - chooser.bottom, 0);
    // The toolbar (in place of the placeholder) is centred on the chooser row.
    if (HWND toolbar = GetDlgItem(dialog, kToolbarPlaceholderId)) {
        RECT tr = ChildRect(dialog, kToolbarPlaceholderId);
        const int th = tr.bottom - tr.top;
        const int top = (chooser.top + chooser.bottom - th) / 2;
        SetWindowPos(toolbar, nullptr, tr.left, top, tr.right - tr.left, th, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const RECT toolbarRect = ChildRect(dialog, kToolbarPlaceholderId);
    const int rowBottom = std::max<int>(chooser.bottom, toolbarRect.bottom);
    if (!frame || !frame->viewWindow) return;
    const int top = rowBottom + 2 + gap;
    const int viewHeight = std::max(height - top, minHeight - top);
    MoveWindow(frame->viewWindow, 0, top, width, std::max(viewHeight, 0), TRUE);
}

std::int64_t FramePosition(TrackView* v) { return v->access ? v->access->GetPlaybackPosition() : 0; }

// Shows the chosen track in the access object and the view.
void ShowChosenTrack(HWND dialog, FrameState* frame) {
    if (!frame->access) return;
    const int index = ChosenTrackIndex(GetDlgItem(dialog, kTrackChooserId));
    const std::vector<mp::TrackEntry>& tracks = frame->plugin->Tracks();
    const std::uint32_t trackId =
        index >= 0 && static_cast<std::size_t>(index) < tracks.size() ? tracks[static_cast<std::size_t>(index)].track : 0;
    frame->access->SelectTrack(trackId);
    if (frame->view) ShowTrackInView(frame->view);
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

void CreateView(HWND dialog, FrameState* frame) {
    // The tools' cursors are resources of this module; the cursor table looks there first.
    VorUI_SetCursorModule(ModuleInstance());
    auto* view = new (std::nothrow) TrackView;
    if (!view) return;
    PrepareTrackView(view);
    InstallPianoRollPanes(view);
    view->access = frame->access;
    view->settings = &frame->plugin->Settings();
    view->ownerData = frame;
    view->owner.PositionToText = DefaultPositionToText;
    view->owner.Released = ReleaseView;
    view->transport.GetPosition = FramePosition;
    frame->view = view;
    frame->viewWindow = CreateWindowEx(0, kTrackViewClass, "", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 0, dialog,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(kViewWindowId)), ModuleInstance(),
                                       view);
    if (!frame->viewWindow) {
        // Without a window the frame shows no view; commands that need it do nothing.
        ReleaseTrackView(view);
        delete view;
        frame->view = nullptr;
    }
}

BOOL InitFrame(HWND dialog, LPARAM param) {
    if (HWND gap = GetDlgItem(dialog, kMeasureGapId)) ShowWindow(gap, SW_HIDE);
    auto* page = reinterpret_cast<mp::CBaseListPage*>(param);
    if (!page) return TRUE; // only measured
    auto* frame = new (std::nothrow) FrameState;
    if (!frame) return TRUE;
    SetWindowLongPtr(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(frame));
    frame->page = page;
    frame->plugin = dynamic_cast<mp::COPTPianoRollPlugin*>(page->Plugin());
    if (!frame->plugin) return TRUE;
    frame->access = new (std::nothrow) mp::TrackAccess(mp::TrackAccess::HostOf(frame->plugin));
    if (!frame->access) return TRUE;
    frame->access->SetKindFilter(kFrameKindFilter);
    frame->access->SetTrackBox(GetDlgItem(dialog, kTrackChooserId));
    FillTrackChooser(frame, GetDlgItem(dialog, kTrackChooserId), false);
    CreateView(dialog, frame);
    ShowChosenTrack(dialog, frame);
    LayoutFrame(dialog, frame);
    if (frame->view) {
        RestoreViewState(frame->view);
        if (frame->access->IsPlaying()) {
            frame->view->flags |= TVF_FOLLOWING;
            SetPlaying(frame->view, true);
        }
    }
    if (frame->plugin->QueryMonitoring() == 0)
        frame->access->SetMonitoring(frame->plugin->Settings().monitorAtStart != 0);
    PostMessage(dialog, mp::PRM_REFRESH_STATE, 0, 0);
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
    delete frame;
}

void ToggleMonitor(FrameState* frame) {
    if (!frame->access || frame->plugin->QueryMonitoring() != 0) return;
    const bool on = !frame->access->Monitoring();
    frame->access->SetMonitoring(on);
    frame->plugin->Settings().monitorAtStart = on ? 1 : 0;
}

INT_PTR Answer(HWND dialog, LRESULT result) {
    SetWindowLongPtr(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR EditorDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) return InitFrame(dialog, lParam);
    FrameState* frame = StateOf(dialog);
    if (!frame) return FALSE;
    TrackView* view = frame->view;
    switch (msg) {
    case WM_DESTROY: DestroyFrame(dialog, frame); return TRUE;
    case WM_SIZE: LayoutFrame(dialog, frame); return TRUE;
    case WM_SETFOCUS:
        // The host focuses the editor window; the keys belong to the note grid, not the first control.
        if (!frame->viewWindow) return FALSE;
        SetFocus(frame->viewWindow);
        return TRUE;
    case WM_KEYDOWN:
        // Keys come here from the page's accelerator translation. One the view takes is answered as
        // handled, so that the host does not dispatch it to the view a second time; the others go on
        // to the host's own shortcuts.
        if (!frame->viewWindow || SendMessage(frame->viewWindow, msg, wParam, lParam) == VIEW_KEY_LEFT_ALONE)
            return FALSE;
        return Answer(dialog, 1);
    case WM_COMMAND:
        if (LOWORD(wParam) == kTrackChooserId && HIWORD(wParam) == CBN_SELCHANGE) {
            ShowChosenTrack(dialog, frame);
            LayoutFrame(dialog, frame);
            if (view) CentreOnNotes(view);
            return TRUE;
        }
        if (ViewCarriesOut(LOWORD(wParam))) {
            if (frame->viewWindow) SendMessage(frame->viewWindow, WM_COMMAND, wParam, lParam);
            return TRUE;
        }
        // Q and L in the grid ask the frame to switch loop playback, which the view carries out.
        if (LOWORD(wParam) == CMD_LOOP_PLAYBACK && view) {
            LoopBarCommand(view, CMD_LOOP_PLAYBACK);
            PostMessage(dialog, mp::PRM_REFRESH_STATE, 0, 0);
            return TRUE;
        }
        if (LOWORD(wParam) == CMD_TOGGLE_MONITOR) {
            ToggleMonitor(frame);
            PostMessage(dialog, mp::PRM_REFRESH_STATE, 0, 0);
            return TRUE;
        }
        return FALSE;
    case mp::PRM_TRACK_LIST_CHANGED:
        frame->plugin->ProcessNotifications(false);
        FillTrackChooser(frame, GetDlgItem(dialog, kTrackChooserId), true);
        if (frame->access) frame->access->Reload();
        if (view) {
            RefreshDocumentLength(view);
            InvalidateView(view, INV_ALL);
        }
        return TRUE;
    case mp::PRM_TRANSPORT_TICK:
        if (view && frame->access && frame->access->IsPlaying()) {
            const std::int64_t position = frame->access->GetPlaybackPosition();
            if (position > 0) {
                SetPlaying(view, true);
                SetPlaybackPosition(view, position);
                InvalidateView(view, INV_NO_GRID | INV_KEYBOARD);
            }
        }
        frame->plugin->ClearFlags(mp::PLF_TIME_POSTED);
        return TRUE;
    case mp::PRM_PLAYBACK_STOPPED:
        if (view && wParam == 0) SetPlaying(view, false);
        // The transport state carries the looping flag, which the loop bar shows.
        if (view) InvalidateView(view, INV_LOOP_BAR);
        return TRUE;
    case mp::PRM_SAVE_VIEW_STATE:
        if (view) SaveViewState(view);
        return Answer(dialog, 0);
    case mp::PRM_QUERY_BUSY:
        // The view takes keys while it has the keyboard focus.
        return Answer(dialog, frame->viewWindow && GetFocus() == frame->viewWindow ? 1 : 0);
    case mp::PRM_TRACK_CONTENT_CHANGED:
        if (view) RefreshDocumentLength(view);
        return TRUE;
    case mp::PRM_TIMEBASE_CHANGED:
        if (view) {
            RefreshDocumentLength(view);
            InvalidateView(view, INV_ALL);
        }
        return TRUE;
    case mp::PRM_SELECTION_CHANGED:
        if (view && frame->access) {
            std::int64_t start = 0, end = 0;
            if (frame->access->GetLoopRegion(&start, &end)) SetLoopRegion(view, start, end, end > start);
            InvalidateView(view, INV_LOOP_BAR);
        }
        return TRUE;
    case mp::PRM_REFRESH_STATE: return TRUE;
    case mp::PRM_SCRIPT_COMMAND_TARGET: return Answer(dialog, CommandTargetOf(static_cast<int>(wParam)));
    default: return FALSE;
    }
}

} // namespace

bool RegisterEditorDialog(HINSTANCE module) noexcept {
    return RegisterDialogResource(module, kEditorDialogId, &kEditorDialog) != FALSE;
}

HWND CreateEditorDialogWindow(HINSTANCE module, HWND parent, LPARAM param) noexcept {
    return CreateDialogParam(module, MAKEINTRESOURCE(kEditorDialogId), parent, EditorDialogProc, param);
}

TrackView* EditorView(HWND dialog) noexcept {
    FrameState* frame = dialog ? StateOf(dialog) : nullptr;
    return frame ? frame->view : nullptr;
}

} // namespace pianoroll
