// The editor frame's dialog: template 3 with the track chooser, the toolbar placeholder and the
// hidden measuring control, and the frame's handling of the plug-in object's private messages.
#include "frame/editor_dialog.h"

#include "mp/page.h"
#include "mp/plugin.h"
#include "mp/private_messages.h"
#include "win/controls.h"
#include "win/win.h"

namespace pianoroll {
namespace {

using namespace win;

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

mp::COPTPlugin* FramePlugin(HWND dialog) {
    auto* page = reinterpret_cast<mp::CBaseListPage*>(GetWindowLongPtr(dialog, DWLP_USER));
    return page ? page->Plugin() : nullptr;
}

INT_PTR EditorDialogProc(HWND dialog, UINT msg, WPARAM, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtr(dialog, DWLP_USER, lParam);
        if (HWND gap = GetDlgItem(dialog, kMeasureGapId)) ShowWindow(gap, SW_HIDE);
        return TRUE;
    case mp::PRM_TRACK_LIST_CHANGED:
        if (mp::COPTPlugin* plugin = FramePlugin(dialog)) plugin->ProcessNotifications(false);
        return TRUE;
    case mp::PRM_TRANSPORT_TICK:
        if (mp::COPTPlugin* plugin = FramePlugin(dialog)) plugin->ClearFlags(mp::PLF_TIME_POSTED);
        return TRUE;
    case mp::PRM_QUERY_BUSY:
        // No view takes keys yet.
        SetWindowLongPtr(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
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

} // namespace pianoroll
