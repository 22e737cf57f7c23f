// The editor frame's dialog: template 3 with the track chooser, the toolbar placeholder and the hidden
// measuring control, and the message table of its dialog procedure.
#include "frame/editor_dialog.h"

#include "frame/editor_frame.h"
#include "mp/editor_commands.h"
#include "mp/private_messages.h"
#include "view/track_view.h"
#include "vor/theme.h"
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

INT_PTR Answer(HWND dialog, LRESULT result) {
    SetWindowLongPtr(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

INT_PTR OnCommand(HWND dialog, FrameState& frame, WPARAM wParam) {
    const int id = LOWORD(wParam);
    if (id == kTrackChooserId) {
        if (HIWORD(wParam) == CBN_SELCHANGE) OnTrackChosen(dialog, frame);
        return TRUE;
    }
    LRESULT result = 0;
    if (!RunFrameCommand(dialog, frame, id, &result)) return FALSE;
    return Answer(dialog, result);
}

// Keys come here from the page's accelerator translation. One the view takes is answered as handled,
// so that the host does not dispatch it to the view a second time; F1 that the view leaves alone gets
// its default handling once here (the help); the other keys go on to the host's own shortcuts.
INT_PTR OnKeyDown(HWND dialog, FrameState& frame, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!frame.viewWindow || SendMessage(frame.viewWindow, msg, wParam, lParam) == VIEW_KEY_LEFT_ALONE) {
        if (wParam != VK_F1) return FALSE;
        ShowFrameHelp(dialog);
    }
    return Answer(dialog, 1);
}

INT_PTR EditorDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) return InitFrame(dialog, lParam);
    if (msg == WM_SETFONT) {
        VorDialog_InitFont(dialog, reinterpret_cast<HFONT>(wParam), LOWORD(lParam) != 0);
        return FALSE; // the dialog keeps the font as well
    }
    FrameState* frame = FrameOf(dialog);
    if (!frame) return FALSE;
    switch (msg) {
    case WM_DESTROY:
        DestroyFrame(dialog, frame);
        return TRUE;
    case WM_SIZE:
        LayoutFrame(dialog, *frame);
        return TRUE;
    case WM_SETFOCUS:
        // The host focuses the editor window; the keys belong to the note grid, not the first control.
        if (!frame->viewWindow) return FALSE;
        SetFocus(frame->viewWindow);
        return TRUE;
    case WM_HELP:
        return Answer(dialog, ShowFrameHelp(dialog));
    case WM_KEYDOWN:
        return OnKeyDown(dialog, *frame, msg, wParam, lParam);
    case WM_NOTIFY:
        return Answer(dialog, ToolbarNotify(dialog, *frame, reinterpret_cast<const NMHDR*>(lParam)));
    case WM_DRAWITEM:
        return DrawChooserItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)) ? TRUE : FALSE;
    case WM_COMMAND:
        return OnCommand(dialog, *frame, wParam);
    case WM_THEMECHANGED:
        return Answer(dialog, XPTheme_ThemeChanged(frame->theme.get()));
    case mp::PRM_COMMAND_STATE:
        return Answer(dialog, CommandState(dialog, *frame, static_cast<int>(wParam)));
    case mp::PRM_LOAD_MENU:
        return Answer(dialog,
                      reinterpret_cast<LRESULT>(LoadSettingsMenu(dialog, *frame, static_cast<int>(wParam))));
    case mp::PRM_SCRIPT_COMMAND_TARGET:
        return Answer(dialog, CommandTargetOf(static_cast<int>(wParam)));
    default: {
        LRESULT result = 0;
        if (!HandlePrivateMessage(dialog, *frame, msg, wParam, lParam, &result)) return FALSE;
        return Answer(dialog, result);
    }
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
    FrameState* frame = dialog ? FrameOf(dialog) : nullptr;
    return frame ? frame->view.get() : nullptr;
}

} // namespace pianoroll
