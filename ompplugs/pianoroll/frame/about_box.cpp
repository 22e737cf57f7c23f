// The About box (template 9964): the module's display name and version, its legal notice, and a link
// that opens the project's README in the desktop's viewer.
#include "frame/dialogs.h"

#include <filesystem>
#include <string>

#include "resources/module_identity.h"
#include "mp/module_strings.h"
#include "vor/strings.h"
#include "vor/web_page.h"
#include "vor/window_placement.h"
#include "win/controls.h"
#include "win/win.h"

#ifndef VOR_PROJECT_VERSION
#define VOR_PROJECT_VERSION "unknown"
#endif
#ifndef VOR_README_PATH
#define VOR_README_PATH ""
#endif

namespace pianoroll {

using namespace win;

namespace {

constexpr std::size_t kLineBytes = 256;

const DialogItemTemplate kAboutItems[] = {
    {"STATIC", "", kAboutProductId, 10, 10, 200, 8, SS_LEFT | SS_NOPREFIX},
    {"STATIC", "", kAboutVersionId, 10, 21, 200, 8, SS_LEFT | SS_NOPREFIX},
    {"STATIC", "", kAboutNoticeId, 10, 37, 200, 8, SS_LEFT | SS_NOPREFIX},
    {"STATIC", "Provided as it is, without warranty of any kind.", kAboutLegalId, 10, 48, 200, 8,
     SS_LEFT | SS_NOPREFIX},
    {"SysLink", "", kAboutLinkId, 10, 64, 140, 9, WS_TABSTOP},
    {"BUTTON", "OK", IDOK, 160, 78, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
};

const DialogTemplate kAboutBox = {
    WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
    0,
    0,
    0,
    220,
    100,
    "",
    "MS Shell Dlg",
    8,
    kAboutItems,
    static_cast<int>(sizeof kAboutItems / sizeof kAboutItems[0]),
};

// The README as a file address, spaces and other unsafe bytes escaped; "" when the file is not there.
std::string ReadmeAddress() {
    const std::string path = VOR_README_PATH;
    std::error_code error;
    if (path.empty() || !std::filesystem::is_regular_file(path, error)) return {};
    std::string url = "file://";
    constexpr char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : path) {
        const bool safe = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                          c == '/' || c == '-' || c == '_' || c == '.' || c == '~';
        if (safe) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += kHex[c >> 4];
            url += kHex[c & 0xF];
        }
    }
    return url;
}

void FillAboutBox(HWND dialog) {
    const char* name = mp::ModuleString(mp::IDS_DISPLAY_NAME);
    char line[kLineBytes];
    VorStr_Format(line, sizeof line, mp::ModuleString(mp::IDS_ABOUT_TITLE), name);
    SetWindowText(dialog, line);
    SetDlgItemText(dialog, kAboutProductId, name);
    VorStr_Format(line, sizeof line, mp::ModuleString(mp::IDS_VERSION_LINE), VOR_PROJECT_VERSION);
    SetDlgItemText(dialog, kAboutVersionId, line);
    SetDlgItemText(dialog, kAboutNoticeId, mp::ModuleString(mp::IDS_LEGAL_NOTICE));
    const std::string readme = ReadmeAddress();
    HWND link = GetDlgItem(dialog, kAboutLinkId);
    SetWindowText(link, ("Read the <a href=\"" + readme + "\">README</a> of the project").c_str());
    // Without the file there is nothing the link could open.
    EnableWindow(link, readme.empty() ? FALSE : TRUE);
}

INT_PTR AboutProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        VorWindow_CenterOnOwner(dialog, GetWindow(dialog, GW_OWNER));
        FillAboutBox(dialog);
        // Enter closes the box; the link, first in the tab order, would open a page instead.
        SetFocus(GetDlgItem(dialog, IDOK));
        return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam) == IDOK ? 1 : 0);
            return TRUE;
        }
        return FALSE;
    case WM_NOTIFY: {
        const auto* note = reinterpret_cast<const NMLINK*>(lParam);
        if (!note || note->hdr.idFrom != static_cast<UINT_PTR>(kAboutLinkId)) return FALSE;
        if (note->hdr.code == NM_CLICK || note->hdr.code == NM_RETURN) VorShell_OpenWebPage(note->item.szUrl);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

} // namespace

bool RegisterAboutBox(HINSTANCE module) noexcept {
    return RegisterDialogResource(module, kAboutBoxId, &kAboutBox) != FALSE;
}

INT_PTR RunAboutBox(HWND owner) {
    return DialogBoxParam(ModuleInstance(), MAKEINTRESOURCE(kAboutBoxId), owner, AboutProc, 0);
}

} // namespace pianoroll
