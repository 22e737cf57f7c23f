// The context-help window: an owned, resizable pop-up with one list of lines, one per owner.
#include "vor/help.h"

#include "win/controls.h"
#include "win/gdi.h"
#include "vor/ui_resources.h"

namespace {

using namespace win;

constexpr const char* kHelpClass = "VorContextHelp";
constexpr const char* kHelpProperty = "VorContextHelpWindow";
constexpr int kHelpWidth = 460;
constexpr int kHelpHeight = 420;

HWND RootOf(HWND owner) {
    HWND root = GetAncestor(owner, GA_ROOT);
    return root ? root : owner;
}

LRESULT ListProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam);
WNDPROC gListDefault = nullptr;

// The list has the keys; Escape closes its window.
LRESULT ListProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_KEYDOWN && wParam == VK_ESCAPE) {
        PostMessage(GetParent(list), WM_CLOSE, 0, 0);
        return 0;
    }
    return CallWindowProc(gListDefault, list, msg, wParam, lParam);
}

LRESULT HelpProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        HWND list = CreateWindowEx(
            WS_EX_CLIENTEDGE, WC_LISTBOX, "",
            WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT, 0, 0, 0, 0, window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(VOR_HELP_LIST_ID)), nullptr, nullptr);
        if (!list) return -1;
        SendMessage(list, WM_SETFONT, reinterpret_cast<WPARAM>(VorUI_GetFont(VOR_FONT_LABEL)), FALSE);
        WNDPROC previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtr(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ListProc)));
        if (!gListDefault) gListDefault = previous;
        return 0;
    }
    case WM_SIZE:
        if (HWND list = GetDlgItem(window, VOR_HELP_LIST_ID))
            MoveWindow(list, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
        return 0;
    case WM_SETFOCUS:
        if (HWND list = GetDlgItem(window, VOR_HELP_LIST_ID)) SetFocus(list);
        return 0;
    case WM_DESTROY:
        if (HWND owner = GetWindow(window, GW_OWNER))
            if (GetProp(owner, kHelpProperty) == reinterpret_cast<HANDLE>(window))
                RemoveProp(owner, kHelpProperty);
        return 0;
    default:
        return DefWindowProc(window, msg, wParam, lParam);
    }
}

bool RegisterHelpClass() {
    static const bool registered = [] {
        WNDCLASSEX wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = HelpProc;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = GetSysColorBrush(COLOR_3DFACE);
        wc.lpszClassName = kHelpClass;
        return RegisterClassEx(&wc) != 0;
    }();
    return registered;
}

} // namespace

HWND VorHelp_FindWindow(HWND owner) noexcept {
    if (!owner || !IsWindow(owner)) return nullptr;
    HWND help = reinterpret_cast<HWND>(GetProp(RootOf(owner), kHelpProperty));
    return help && IsWindow(help) ? help : nullptr;
}

HWND VorHelp_ShowContextHelp(HWND owner, const char* title, const char* const* lines, int count) noexcept {
    if (!owner || !IsWindow(owner) || !RegisterHelpClass()) return nullptr;
    HWND root = RootOf(owner);
    HWND help = VorHelp_FindWindow(owner);
    if (!help) {
        RECT place{};
        GetWindowRect(root, &place);
        help = CreateWindowEx(0, kHelpClass, "", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME,
                              place.left + 40, place.top + 40, kHelpWidth, kHelpHeight, root, nullptr,
                              nullptr, nullptr);
        if (!help) return nullptr;
        SetProp(root, kHelpProperty, reinterpret_cast<HANDLE>(help));
    }
    SetWindowText(help, title ? title : "");
    HWND list = GetDlgItem(help, VOR_HELP_LIST_ID);
    SendMessage(list, LB_RESETCONTENT, 0, 0);
    for (int i = 0; lines && i < count; ++i)
        SendMessage(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(lines[i] ? lines[i] : ""));
    ShowWindow(help, SW_SHOW);
    SetForegroundWindow(help);
    SetFocus(list);
    return help;
}
