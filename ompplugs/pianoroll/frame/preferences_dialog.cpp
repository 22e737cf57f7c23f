// The preferences dialog (template 11): the MIDI output through which the editor sounds the notes the
// user touches while editing. Each chooser item's data is the port's index in the plug-in's output list.
#include "frame/dialogs.h"

#include <string>

#include "resources/module_identity.h"
#include "mp/module_strings.h"
#include "mp/plugin.h"
#include "vor/strings.h"
#include "vor/utf16.h"
#include "vor/window_placement.h"
#include "win/controls.h"
#include "win/win.h"

namespace pianoroll {

using namespace win;

namespace {

// The plug-in's list of output ports, and its slot of the current output port.
constexpr int kOutputList = 1;
constexpr int kOutputPortSlot = 1;
constexpr std::size_t kMaxPortNameBytes = 255;
constexpr const char* kNoneText = "(None)";

const DialogItemTemplate kPreferencesItems[] = {
    {"STATIC", "MIDI &output:", -1, 7, 9, 48, 8, SS_LEFT},
    {"COMBOBOX", "", kOutputChooserId, 58, 7, 150, 100, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {"BUTTON", "OK", IDOK, 104, 30, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {"BUTTON", "Cancel", IDCANCEL, 158, 30, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
};

const DialogTemplate kPreferencesDialog = {
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    0,
    0,
    0,
    215,
    51,
    "Preferences",
    "MS Shell Dlg",
    8,
    kPreferencesItems,
    static_cast<int>(sizeof kPreferencesItems / sizeof kPreferencesItems[0]),
};

mp::COPTPlugin* PluginOf(HWND dialog) { return reinterpret_cast<mp::COPTPlugin*>(GetWindowLongPtr(dialog, DWLP_USER)); }

// A port's name as the chooser lists it: the host's name, cut to 255 bytes on a character boundary, or
// "Port %d" numbered from 1 for a port without one.
std::string PortItemText(const mp::COPTPlugin& plugin, DWORD index) {
    std::u16string name;
    plugin.GetPortName(kOutputList, index, &name);
    std::string text = VorStr_Utf16ToUtf8(name.c_str(), name.size());
    if (text.size() > kMaxPortNameBytes) {
        std::size_t cut = kMaxPortNameBytes;
        while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
        text.resize(cut);
    }
    if (!text.empty()) return text;
    char numbered[32];
    VorStr_Format(numbered, sizeof numbered, mp::ModuleString(mp::IDS_PORT_N), static_cast<int>(index) + 1);
    return numbered;
}

LRESULT AddItem(HWND chooser, const std::string& text, LPARAM data) {
    const LRESULT item = SendMessage(chooser, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (item >= 0) SendMessage(chooser, CB_SETITEMDATA, static_cast<WPARAM>(item), data);
    return item;
}

void FillChooser(HWND dialog, mp::COPTPlugin& plugin) {
    HWND chooser = GetDlgItem(dialog, kOutputChooserId);
    SendMessage(chooser, CB_RESETCONTENT, 0, 0);
    AddItem(chooser, kNoneText, kNoPortItem);
    SendMessage(chooser, CB_SETCURSEL, 0, 0);
    EnableWindow(chooser, FALSE);
    if (plugin.QueryMonitoring() > 0) return;
    const DWORD current = plugin.GetPort(kOutputPortSlot);
    EnableWindow(chooser, TRUE);
    mp::MPPortEntry entry{};
    for (DWORD index = 0; plugin.GetPortEntry(kOutputList, index, &entry) == 0; ++index) {
        const LRESULT item = AddItem(chooser, PortItemText(plugin, index), static_cast<LPARAM>(index));
        if (item >= 0 && entry.id == current) SendMessage(chooser, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
}

// Sets the plug-in's output port to the chosen item's: the port at its index, or none.
void ApplyChoice(HWND dialog, mp::COPTPlugin& plugin) {
    HWND chooser = GetDlgItem(dialog, kOutputChooserId);
    const LRESULT item = SendMessage(chooser, CB_GETCURSEL, 0, 0);
    const LPARAM index = item >= 0 ? SendMessage(chooser, CB_GETITEMDATA, static_cast<WPARAM>(item), 0) : kNoPortItem;
    mp::MPPortEntry entry{};
    const bool found = index >= 0 && plugin.GetPortEntry(kOutputList, static_cast<DWORD>(index), &entry) == 0;
    plugin.SetPort(kOutputPortSlot, found ? entry.id : mp::NO_PORT);
}

INT_PTR PreferencesProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtr(dialog, DWLP_USER, lParam);
        VorWindow_CenterOnOwner(dialog, GetWindow(dialog, GW_OWNER));
        if (auto* plugin = reinterpret_cast<mp::COPTPlugin*>(lParam)) FillChooser(dialog, *plugin);
        return TRUE;
    }
    case WM_COMMAND: {
        mp::COPTPlugin* plugin = PluginOf(dialog);
        const int id = LOWORD(wParam);
        if (id == kOutputChooserId && HIWORD(wParam) == CBN_SELCHANGE) {
            // Heard at once: the next note the user touches goes to the port just picked.
            if (plugin) ApplyChoice(dialog, *plugin);
            return TRUE;
        }
        if (id == IDOK) {
            if (plugin) ApplyChoice(dialog, *plugin);
            EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (id == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default:
        return FALSE;
    }
}

} // namespace

bool RegisterPreferencesDialog(HINSTANCE module) noexcept {
    return RegisterDialogResource(module, kPreferencesDialogId, &kPreferencesDialog) != FALSE;
}

INT_PTR RunPreferencesDialog(HWND owner, mp::COPTPlugin* plugin) {
    return DialogBoxParam(ModuleInstance(), MAKEINTRESOURCE(kPreferencesDialogId), owner, PreferencesProc,
                          reinterpret_cast<LPARAM>(plugin));
}

} // namespace pianoroll
