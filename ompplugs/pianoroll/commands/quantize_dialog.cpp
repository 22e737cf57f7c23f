// The "MIDI Quantize" dialog (template 12) and command 4005 that runs it and quantizes the selection.
#include "commands/edit_commands.h"
#include "commands/quantize.h"
#include "resources/module_identity.h"
#include "mp/module_strings.h"
#include "mp/settings.h"
#include "mp/string_ids.h"
#include "mp/track_access.h"
#include "view/time_grid.h"
#include "view/track_view.h"
#include "win/controls.h"
#include "win/win.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kQuantizeDialogId = 12;
constexpr int kResolutionList = 1030;
constexpr int kStartTimesBox = 1031;
constexpr int kDurationsBox = 1032;
constexpr int kResolutionLabel = -1;

// Texts with a string-table id are filled in when the dialog opens.
const DialogItemTemplate kQuantizeItems[] = {
    {"STATIC", "", kResolutionLabel, 5, 7, 65, 8, SS_LEFT},
    {"COMBOBOX", "", kResolutionList, 70, 5, 150, 120, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {"BUTTON", "", kStartTimesBox, 5, 27, 49, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
    {"BUTTON", "", kDurationsBox, 5, 40, 62, 10, BS_AUTOCHECKBOX | WS_TABSTOP},
    {"BUTTON", "&Apply", IDOK, 116, 53, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {"BUTTON", "Cancel", IDCANCEL, 170, 53, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
};

const DialogTemplate kQuantizeDialog = {
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT,
    0,
    0,
    0,
    225,
    72,
    "",
    "MS Shell Dlg",
    8,
    kQuantizeItems,
    static_cast<int>(sizeof kQuantizeItems / sizeof kQuantizeItems[0]),
};

struct DialogContext {
    HWND view; // the track access is the view's: Apply needs it alive
    mp::PianoRollSettings* settings;
    mp::TrackAccess* access;
};

void Start(HWND dialog, const DialogContext& context) {
    SetWindowText(dialog, mp::ModuleString(mp::IDS_QUANTIZE_TITLE));
    SetDlgItemText(dialog, kStartTimesBox, mp::ModuleString(mp::IDS_LABEL_START_TIMES));
    SetDlgItemText(dialog, kDurationsBox, mp::ModuleString(mp::IDS_LABEL_NOTE_DURATIONS));
    // The label has no id of its own: it is the first control.
    if (HWND label = GetWindow(dialog, GW_CHILD)) SetWindowText(label, mp::ModuleString(mp::IDS_LABEL_QUANTIZE_RESOLUTION));
    HWND list = GetDlgItem(dialog, kResolutionList);
    int chosen = 0;
    for (int i = 0; i < kQuantizeResolutionCount; ++i) {
        const LRESULT item = SendMessage(list, CB_ADDSTRING, 0,
                                         reinterpret_cast<LPARAM>(mp::ModuleString(QuantizeResolutionAt(i).textId)));
        if (item < 0) continue;
        SendMessage(list, CB_SETITEMDATA, static_cast<WPARAM>(item), i);
        if (i == context.settings->quantizeResolution) chosen = static_cast<int>(item);
    }
    SendMessage(list, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    CheckDlgButton(dialog, kStartTimesBox, context.settings->quantizeStarts ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kDurationsBox, context.settings->quantizeDurations ? BST_CHECKED : BST_UNCHECKED);
}

void Apply(HWND dialog, const DialogContext& context) {
    const bool starts = IsDlgButtonChecked(dialog, kStartTimesBox) == BST_CHECKED;
    const bool durations = IsDlgButtonChecked(dialog, kDurationsBox) == BST_CHECKED;
    context.settings->quantizeStarts = starts ? 1 : 0;
    context.settings->quantizeDurations = durations ? 1 : 0;
    const LRESULT item = SendDlgItemMessage(dialog, kResolutionList, CB_GETCURSEL, 0, 0);
    if (item == CB_ERR) return;
    const auto index = static_cast<int>(SendDlgItemMessage(dialog, kResolutionList, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
    context.settings->quantizeResolution = index;
    context.access->SetQuantizeDescriptor(
        RebuildQuantizeDescriptor(context.access->QuantizeDescriptor(), index, starts, durations));
}

INT_PTR QuantizeDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtr(dialog, DWLP_USER, lParam);
        Start(dialog, *reinterpret_cast<const DialogContext*>(lParam));
        return TRUE;
    case WM_COMMAND: {
        const auto* context = reinterpret_cast<const DialogContext*>(GetWindowLongPtr(dialog, DWLP_USER));
        if (LOWORD(wParam) == IDOK && context) {
            const bool open = IsWindow(context->view) != FALSE;
            if (open) Apply(dialog, *context);
            EndDialog(dialog, open ? IDOK : IDCANCEL);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

} // namespace

bool RunQuantizeDialog(HWND owner, mp::PianoRollSettings& settings, mp::TrackAccess& access) {
    const HINSTANCE module = ModuleInstance();
    const LPCSTR name = MAKEINTRESOURCE(kQuantizeDialogId);
    if (!FindDialogResource(module, name) && !RegisterDialogResource(module, kQuantizeDialogId, &kQuantizeDialog))
        return false;
    DialogContext context{owner, &settings, &access};
    return DialogBoxParam(module, name, owner, QuantizeDialogProc, reinterpret_cast<LPARAM>(&context)) == IDOK;
}

int QuantizeCommand(TrackView* v) {
    if (!v || !v->access || !v->settings) return 0;
    CancelViewDrag(v);
    // The keys go back where they were once the dialog is gone.
    const HWND focus = GetFocus();
    const HWND view = v->hwnd;
    const bool applied = RunQuantizeDialog(view, *v->settings, *v->access);
    if (!IsWindow(view)) return 1; // the editor closed while the dialog was open
    if (focus && IsWindow(focus)) SetFocus(focus);
    if (!applied) return 1;
    const HRESULT hr = QuantizeSelection(*v->access, ViewBars(v));
    if (hr == S_OK) RefreshAfterEdit(v);
    return 1;
}

} // namespace pianoroll
