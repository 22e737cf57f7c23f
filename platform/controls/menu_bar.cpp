// The menu bar of a top-level window: a strip above the client area (non-client), drawn and driven
// through a subclass of the window's procedure. Titles open their pop-ups by mouse, Alt, F10 and
// Alt+mnemonic; commands go to the window as WM_COMMAND.
#include <algorithm>
#include <map>
#include <vector>

#include "control_util.h"
#include "menu_data.h"

namespace win::detail {

bool PopupMenuActive();
void SetMenuBarStep(int* step);

namespace {

struct Bar {
    HMENU menu = nullptr;
    WNDPROC old = nullptr;
    int hot = -1;  // title under the pointer
    int open = -1; // title whose pop-up is showing
    bool altClean = false; // Alt went down and nothing else happened since
    bool framed = false;   // the window has a frame of its own besides the strip
    std::vector<RECT> boxes; // window coordinates
};

std::map<HWND, Bar>& Bars() {
    static auto* bars = new std::map<HWND, Bar>;
    return *bars;
}

Bar* BarOf(HWND hwnd) {
    auto it = Bars().find(hwnd);
    return it == Bars().end() ? nullptr : &it->second;
}

int BarHeight() {
    int h = GetSystemMetrics(SM_CYMENU);
    return h > 0 ? h : 20;
}

HFONT BarFont() {
    static HFONT font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Shell Dlg");
    return font;
}

// The strip in window coordinates: just above the client area, as wide as it.
RECT StripRect(HWND hwnd) {
    RECT wr, cr;
    GetWindowRect(hwnd, &wr);
    GetClientRect(hwnd, &cr);
    POINT origin{0, 0};
    ClientToScreen(hwnd, &origin);
    int x = origin.x - wr.left, y = origin.y - wr.top;
    return RECT{x, y - BarHeight(), x + cr.right, y};
}

void Layout(HWND hwnd, Bar* bar) {
    bar->boxes.clear();
    Menu* m = MenuFromHandle(bar->menu);
    if (!m) return;
    RECT strip = StripRect(hwnd);
    int x = strip.left + 2;
    for (const MenuItem& it : m->items) {
        int w = it.IsSeparator() ? 0 : TextWidth(BarFont(), StripMnemonic(it.Label())) + 16;
        bar->boxes.push_back(RECT{x, strip.top + 1, x + w, strip.bottom - 1});
        x += w;
    }
}

void PaintBar(HWND hwnd, Bar* bar) {
    Layout(hwnd, bar);
    HDC dc = GetWindowDC(hwnd);
    if (!dc) return;
    RECT strip = StripRect(hwnd);
    FillRect(dc, &strip, GetSysColorBrush(COLOR_MENU));
    HGDIOBJ oldFont = SelectObject(dc, BarFont());
    Menu* m = MenuFromHandle(bar->menu);
    for (size_t i = 0; m && i < m->items.size() && i < bar->boxes.size(); ++i) {
        const MenuItem& it = m->items[i];
        if (it.IsSeparator()) continue;
        RECT box = bar->boxes[i];
        if (static_cast<int>(i) == bar->open) DrawEdge(dc, &box, BDR_SUNKENOUTER, BF_RECT);
        else if (static_cast<int>(i) == bar->hot && !it.IsDisabled()) DrawEdge(dc, &box, BDR_RAISEDINNER, BF_RECT);
        RECT text = box;
        if (static_cast<int>(i) == bar->open) OffsetRect(&text, 1, 1);
        DrawControlText(dc, it.Label(), text, DT_CENTER | DT_VCENTER | DT_SINGLELINE, !it.IsDisabled(),
                        GetSysColor(COLOR_MENUTEXT));
    }
    SelectObject(dc, oldFont);
    ReleaseDC(hwnd, dc);
}

int TitleAt(HWND hwnd, Bar* bar, POINT screen) {
    Layout(hwnd, bar);
    RECT wr;
    GetWindowRect(hwnd, &wr);
    POINT p{screen.x - wr.left, screen.y - wr.top};
    for (size_t i = 0; i < bar->boxes.size(); ++i)
        if (PtInRect(&bar->boxes[i], p)) return static_cast<int>(i);
    return -1;
}

void Repaint(HWND hwnd) { SendMessage(hwnd, WM_NCPAINT, 1, 0); }

// Opens the pop-up of a title below it (or sends a title's own command). Left and Right in the pop-up
// move to the neighbouring title, as a person expects of a menu bar.
void OpenTitle(HWND hwnd, int index) {
    Bar* bar = BarOf(hwnd);
    Menu* m = bar ? MenuFromHandle(bar->menu) : nullptr;
    if (!m || index < 0 || static_cast<size_t>(index) >= m->items.size() || PopupMenuActive()) return;
    const MenuItem& it = m->items[static_cast<size_t>(index)];
    if (it.IsSeparator() || it.IsDisabled()) return;
    if (!it.subMenu) {
        PostMessage(hwnd, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(it.id), 0), 0);
        return;
    }
    HMENU sub = it.subMenu;
    bar->open = index;
    Layout(hwnd, bar);
    RECT box = bar->boxes[static_cast<size_t>(index)];
    RECT wr;
    GetWindowRect(hwnd, &wr);
    OffsetRect(&box, wr.left, wr.top);
    Repaint(hwnd);
    TPMPARAMS params{sizeof(TPMPARAMS), box};
    int step = 0;
    SetMenuBarStep(&step);
    TrackPopupMenuEx(sub, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON, box.left, box.bottom, hwnd, &params);
    SetMenuBarStep(nullptr);
    if (!(bar = BarOf(hwnd))) return;
    bar->open = -1;
    bar->hot = -1;
    Repaint(hwnd);
    if (!step) return;
    // Left or Right went past the pop-up: the neighbouring title with a pop-up opens instead.
    int count = static_cast<int>(m->items.size());
    for (int k = 1; k < count; ++k) {
        int next = ((index + step * k) % count + count) % count;
        const MenuItem& n = m->items[static_cast<size_t>(next)];
        if (n.subMenu && !n.IsDisabled() && !n.IsSeparator()) {
            OpenTitle(hwnd, next);
            return;
        }
    }
}

// Alt, F10 (ch 0) or Alt+letter: the title with that mnemonic, or the first one.
bool KeyMenu(HWND hwnd, char ch) {
    Bar* bar = BarOf(hwnd);
    Menu* m = bar ? MenuFromHandle(bar->menu) : nullptr;
    if (!m || m->items.empty()) return false;
    if (!ch) {
        OpenTitle(hwnd, 0);
        return true;
    }
    char want = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    for (size_t i = 0; i < m->items.size(); ++i)
        if (m->items[i].Mnemonic() == want) {
            OpenTitle(hwnd, static_cast<int>(i));
            return true;
        }
    return false;
}

LRESULT BarProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Bar* bar = BarOf(hwnd);
    if (!bar) return DefWindowProc(hwnd, msg, wParam, lParam);
    WNDPROC old = bar->old;
    switch (msg) {
    case WM_NCCALCSIZE: {
        auto* rc = reinterpret_cast<RECT*>(lParam);
        RECT before = rc ? *rc : RECT{};
        LRESULT r = CallWindowProc(old, hwnd, msg, wParam, lParam);
        if (rc && (bar = BarOf(hwnd))) {
            bar->framed = rc->left != before.left || rc->top != before.top || rc->right != before.right ||
                          rc->bottom != before.bottom;
            rc->top = std::min<LONG>(rc->bottom, rc->top + BarHeight());
        }
        return r;
    }
    case WM_NCPAINT: {
        // A frameless window's only non-client part is the strip; its default painting would take the
        // strip for a frame.
        LRESULT r = bar->framed ? CallWindowProc(old, hwnd, msg, wParam, lParam) : 0;
        if ((bar = BarOf(hwnd))) PaintBar(hwnd, bar);
        return r;
    }
    case WM_NCHITTEST: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT strip = StripRect(hwnd);
        RECT wr;
        GetWindowRect(hwnd, &wr);
        OffsetRect(&strip, wr.left, wr.top);
        if (PtInRect(&strip, p)) return HTMENU;
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    }
    case WM_NCMOUSEMOVE:
    case WM_MOUSEMOVE: {
        int hot = -1;
        if (msg == WM_NCMOUSEMOVE && wParam == static_cast<WPARAM>(HTMENU))
            hot = TitleAt(hwnd, bar, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        if (hot != bar->hot) {
            bar->hot = hot;
            Repaint(hwnd);
        }
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    }
    case WM_NCLBUTTONDOWN:
        if (wParam == static_cast<WPARAM>(HTMENU)) {
            OpenTitle(hwnd, TitleAt(hwnd, bar, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}));
            return 0;
        }
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    case WM_SYSKEYDOWN:
        bar->altClean = wParam == VK_MENU && !(lParam & (1 << 30));
        if (wParam == VK_F10 && GetKeyState(VK_SHIFT) >= 0) {
            KeyMenu(hwnd, 0);
            return 0;
        }
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    case WM_KEYDOWN:
        bar->altClean = false;
        if (wParam == VK_F10 && GetKeyState(VK_SHIFT) >= 0) {
            KeyMenu(hwnd, 0);
            return 0;
        }
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    case WM_SYSKEYUP:
    case WM_KEYUP:
        if (wParam == VK_MENU && bar->altClean) {
            bar->altClean = false;
            KeyMenu(hwnd, 0);
            return 0;
        }
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    case WM_SYSCHAR:
        bar->altClean = false;
        if (wParam > 0x20 && wParam < 0x80 && KeyMenu(hwnd, static_cast<char>(wParam))) return 0;
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == SC_KEYMENU) {
            KeyMenu(hwnd, static_cast<char>(lParam));
            return 0;
        }
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    case WM_NCDESTROY: {
        // The menu goes with its window.
        DestroyMenu(bar->menu);
        Bars().erase(hwnd);
        SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    }
    default:
        return CallWindowProc(old, hwnd, msg, wParam, lParam);
    }
}

// Makes the window recompute its frame: a size change is what triggers WM_NCCALCSIZE.
void RecomputeFrame(HWND hwnd) {
    RECT wr;
    GetWindowRect(hwnd, &wr);
    int w = wr.right - wr.left, h = wr.bottom - wr.top;
    UINT flags = SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED;
    SetWindowPos(hwnd, nullptr, 0, 0, w, h + 1, flags);
    SetWindowPos(hwnd, nullptr, 0, 0, w, h, flags);
}

} // namespace

} // namespace win::detail

namespace win {

BOOL SetMenu(HWND hwnd, HMENU menu) {
    if (!IsWindow(hwnd) || (detail::Style(hwnd) & WS_CHILD)) return FALSE;
    if (menu && !detail::MenuFromHandle(menu)) return FALSE;
    detail::Bar* bar = detail::BarOf(hwnd);
    if (!menu) {
        if (!bar) return TRUE;
        WNDPROC old = bar->old;
        detail::Bars().erase(hwnd);
        SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        detail::RecomputeFrame(hwnd);
        return TRUE;
    }
    if (bar) {
        bar->menu = menu;
        bar->hot = bar->open = -1;
        DrawMenuBar(hwnd);
        return TRUE;
    }
    detail::Bar fresh;
    fresh.menu = menu;
    fresh.old = reinterpret_cast<WNDPROC>(GetWindowLongPtr(hwnd, GWLP_WNDPROC));
    detail::Bars()[hwnd] = fresh;
    SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(detail::BarProc));
    detail::RecomputeFrame(hwnd);
    return TRUE;
}

HMENU GetMenu(HWND hwnd) {
    detail::Bar* bar = detail::BarOf(hwnd);
    return bar ? bar->menu : nullptr;
}

BOOL DrawMenuBar(HWND hwnd) {
    detail::Bar* bar = detail::BarOf(hwnd);
    if (!bar || !IsWindow(hwnd)) return FALSE;
    detail::Repaint(hwnd);
    return TRUE;
}

} // namespace win
