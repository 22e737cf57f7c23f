// The main window's menu bar: titles in a row, each opening its pop-up below it.
#include "menu_bar.h"

#include <cctype>
#include <string>
#include <vector>

#include "win/gdi.h"

namespace host::app {

using namespace win;

namespace {

constexpr int kItemPadding = 9;

struct BarState {
    HMENU menu = nullptr;
    HWND owner = nullptr;
    int hot = -1;   // title under the pointer
    int open = -1;  // title whose pop-up is showing
};

BarState* StateOf(HWND bar) { return reinterpret_cast<BarState*>(GetWindowLongPtr(bar, GWLP_USERDATA)); }

HFONT BarFont() {
    static HFONT font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Shell Dlg");
    return font;
}

std::string ItemText(HMENU menu, int index) {
    char text[128] = {};
    GetMenuString(menu, static_cast<UINT>(index), text, sizeof text, MF_BYPOSITION);
    return text;
}

std::string WithoutMnemonic(const std::string& text) {
    std::string plain;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;
        plain += text[i];
    }
    return plain;
}

std::vector<RECT> Layout(HWND bar, const BarState& s) {
    std::vector<RECT> rects;
    HDC dc = GetDC(bar);
    HGDIOBJ old = SelectObject(dc, BarFont());
    RECT client;
    GetClientRect(bar, &client);
    int x = 2;
    int count = GetMenuItemCount(s.menu);
    for (int i = 0; i < count; ++i) {
        std::string plain = WithoutMnemonic(ItemText(s.menu, i));
        SIZE size{};
        GetTextExtentPoint32(dc, plain.c_str(), static_cast<int>(plain.size()), &size);
        RECT r{x, 1, x + size.cx + 2 * kItemPadding, client.bottom - 2};
        rects.push_back(r);
        x = r.right;
    }
    SelectObject(dc, old);
    ReleaseDC(bar, dc);
    return rects;
}

int HitTest(HWND bar, const BarState& s, POINT p) {
    std::vector<RECT> rects = Layout(bar, s);
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (PtInRect(&rects[i], p)) return static_cast<int>(i);
    return -1;
}

void Paint(HWND bar, BarState& s) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(bar, &ps);
    RECT client;
    GetClientRect(bar, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_MENUBAR));
    RECT line{client.left, client.bottom - 1, client.right, client.bottom};
    FillRect(dc, &line, GetSysColorBrush(COLOR_3DSHADOW));
    HGDIOBJ old = SelectObject(dc, BarFont());
    SetBkMode(dc, TRANSPARENT);
    std::vector<RECT> rects = Layout(bar, s);
    for (std::size_t i = 0; i < rects.size(); ++i) {
        RECT r = rects[i];
        bool lit = static_cast<int>(i) == s.open || (s.open < 0 && static_cast<int>(i) == s.hot);
        if (lit) FillRect(dc, &r, GetSysColorBrush(COLOR_MENUHILIGHT));
        SetTextColor(dc, GetSysColor(lit ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT));
        std::string text = ItemText(s.menu, static_cast<int>(i));
        DrawText(dc, text.c_str(), static_cast<int>(text.size()), &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SelectObject(dc, old);
    EndPaint(bar, &ps);
}

void SetHot(HWND bar, BarState& s, int hot) {
    if (s.hot == hot) return;
    s.hot = hot;
    InvalidateRect(bar, nullptr, FALSE);
}

LRESULT BarProc(HWND bar, UINT msg, WPARAM wParam, LPARAM lParam) {
    BarState* s = StateOf(bar);
    switch (msg) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
        auto* state = new BarState;
        state->menu = static_cast<HMENU>(cs->lpCreateParams);
        state->owner = cs->hwndParent;
        SetWindowLongPtr(bar, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
        break;
    }
    case WM_NCDESTROY:
        delete s;
        SetWindowLongPtr(bar, GWLP_USERDATA, 0);
        break;
    case WM_PAINT:
        if (s) Paint(bar, *s);
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEMOVE:
        if (s) {
            SetHot(bar, *s, HitTest(bar, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
            TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, bar, 0};
            TrackMouseEvent(&tme);
        }
        return 0;
    case WM_MOUSELEAVE:
        if (s) SetHot(bar, *s, -1);
        return 0;
    case WM_LBUTTONDOWN:
        if (s) {
            int index = HitTest(bar, *s, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
            if (index >= 0) OpenMenuBarItem(bar, index);
        }
        return 0;
    default:
        break;
    }
    return DefWindowProc(bar, msg, wParam, lParam);
}

void RegisterBarClass() {
    static bool done = false;
    if (done) return;
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = BarProc;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = kMenuBarClass;
    done = RegisterClassEx(&wc) != 0;
}

} // namespace

HWND CreateMenuBar(HWND owner, HMENU menu) {
    RegisterBarClass();
    RECT client;
    GetClientRect(owner, &client);
    return CreateWindowEx(0, kMenuBarClass, "", WS_CHILD | WS_VISIBLE, 0, 0, client.right, kMenuBarHeight, owner,
                          nullptr, nullptr, menu);
}

void OpenMenuBarItem(HWND bar, int index) {
    BarState* s = StateOf(bar);
    if (!s || s->open >= 0) return;
    HMENU popup = GetSubMenu(s->menu, index);
    if (!popup) return;
    std::vector<RECT> rects = Layout(bar, *s);
    POINT at{rects[static_cast<std::size_t>(index)].left, rects[static_cast<std::size_t>(index)].bottom + 1};
    ClientToScreen(bar, &at);
    s->open = index;
    InvalidateRect(bar, nullptr, FALSE);
    UpdateWindow(bar);
    HWND owner = s->owner;
    TrackPopupMenu(popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, at.x, at.y, 0, owner, nullptr);
    if (!IsWindow(bar)) return;
    s->open = -1;
    s->hot = -1;
    InvalidateRect(bar, nullptr, FALSE);
}

int FindMenuBarMnemonic(HWND bar, char ch) {
    BarState* s = StateOf(bar);
    if (!s) return -1;
    int count = GetMenuItemCount(s->menu);
    for (int i = 0; i < count; ++i) {
        std::string text = ItemText(s->menu, i);
        std::size_t amp = text.find('&');
        if (amp != std::string::npos && amp + 1 < text.size() &&
            std::tolower(static_cast<unsigned char>(text[amp + 1])) == std::tolower(static_cast<unsigned char>(ch)))
            return i;
    }
    return -1;
}

RECT MenuBarItemRect(HWND bar, int index) {
    BarState* s = StateOf(bar);
    if (!s) return RECT{};
    std::vector<RECT> rects = Layout(bar, *s);
    if (index < 0 || index >= static_cast<int>(rects.size())) return RECT{};
    return rects[static_cast<std::size_t>(index)];
}

} // namespace host::app
