// Keyboard navigation in dialogs: tab and group order, Enter, Escape, arrow keys and mnemonics.
#include <cctype>
#include <vector>

#include "control_util.h"
#include "dialog_data.h"

namespace win {

using detail::Style;

namespace {

// A control's own visible and enabled bits decide, so a dialog can be navigated before it is shown.
bool Usable(HWND w) {
    DWORD style = Style(w);
    return (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

// Every control of the dialog in tab order, descending into control parents (child dialogs).
void Flatten(HWND parent, std::vector<HWND>* out) {
    for (HWND w = GetWindow(parent, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        if ((detail::ExStyle(w) & WS_EX_CONTROLPARENT) && Usable(w)) Flatten(w, out);
        else out->push_back(w);
    }
}

LRESULT DlgCode(HWND w, const MSG* msg = nullptr) {
    return SendMessage(w, WM_GETDLGCODE, msg ? msg->wParam : 0, reinterpret_cast<LPARAM>(msg));
}

// The checked radio button in the group of w, or w.
HWND CheckedInGroup(HWND dlg, HWND w) {
    if (!(DlgCode(w) & DLGC_RADIOBUTTON) || SendMessage(w, BM_GETCHECK, 0, 0) == BST_CHECKED) return w;
    HWND start = w;
    for (HWND g = GetNextDlgGroupItem(dlg, w, FALSE); g && g != start; g = GetNextDlgGroupItem(dlg, g, FALSE))
        if ((DlgCode(g) & DLGC_RADIOBUTTON) && SendMessage(g, BM_GETCHECK, 0, 0) == BST_CHECKED) return g;
    return w;
}

void FocusControl(HWND ctl) {
    SetFocus(ctl);
    if (DlgCode(ctl) & DLGC_HASSETSEL) SendMessage(ctl, EM_SETSEL, 0, -1);
}

void PressButton(HWND dlg, int id) {
    HWND ctl = GetDlgItem(dlg, id);
    if (ctl && !IsWindowEnabled(ctl)) {
        MessageBeep(0);
        return;
    }
    SendMessage(dlg, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), BN_CLICKED), reinterpret_cast<LPARAM>(ctl));
}

int DefaultId(HWND dlg) {
    auto r = static_cast<DWORD>(SendMessage(dlg, DM_GETDEFID, 0, 0));
    return HIWORD(r) == DC_HASDEFID ? LOWORD(r) : IDOK;
}

// The control whose label carries the mnemonic ch; labels (statics, group boxes) pass the focus on to
// the next control that takes it.
bool HandleMnemonic(HWND dlg, char ch) {
    ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    if (!ch) return false;
    std::vector<HWND> all;
    Flatten(dlg, &all);
    HWND focus = GetFocus();
    size_t start = 0;
    for (size_t i = 0; i < all.size(); ++i)
        if (all[i] == focus) start = i + 1;
    for (size_t k = 0; k < all.size(); ++k) {
        size_t i = (start + k) % all.size();
        HWND w = all[i];
        if (!Usable(w)) continue;
        LRESULT code = DlgCode(w);
        if ((code & DLGC_STATIC) && (Style(w) & SS_TYPEMASK) <= SS_RIGHT && (Style(w) & SS_NOPREFIX)) continue;
        if (detail::LabelMnemonic(detail::WindowText(w)) != ch) continue;
        if (code & DLGC_STATIC) {
            for (size_t j = 1; j < all.size(); ++j) {
                HWND next = all[(i + j) % all.size()];
                if (Usable(next) && (Style(next) & WS_TABSTOP)) {
                    FocusControl(CheckedInGroup(dlg, next));
                    return true;
                }
            }
            return true;
        }
        if (code & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) {
            PressButton(dlg, GetDlgCtrlID(w));
            return true;
        }
        if (code & DLGC_BUTTON) {
            SetFocus(w);
            SendMessage(w, BM_CLICK, 0, 0);
            return true;
        }
        FocusControl(w);
        return true;
    }
    return false;
}

} // namespace

HWND GetNextDlgTabItem(HWND dlg, HWND ctl, BOOL previous) {
    if (!IsWindow(dlg)) return nullptr;
    std::vector<HWND> all;
    Flatten(dlg, &all);
    int n = static_cast<int>(all.size());
    if (n == 0) return nullptr;
    int at = -1;
    for (int i = 0; i < n; ++i)
        if (all[static_cast<size_t>(i)] == ctl || (ctl && IsChild(all[static_cast<size_t>(i)], ctl))) at = i;
    for (int k = 1; k <= n; ++k) {
        int i = at < 0 ? (previous ? n - k : k - 1) : ((at + (previous ? -k : k)) % n + n) % n;
        HWND w = all[static_cast<size_t>(i)];
        if (Usable(w) && (Style(w) & WS_TABSTOP)) return w;
    }
    return nullptr;
}

HWND GetNextDlgGroupItem(HWND dlg, HWND ctl, BOOL previous) {
    if (!IsWindow(dlg) || !IsWindow(ctl)) return nullptr;
    HWND parent = GetParent(ctl);
    if (!parent) return nullptr;
    // The group runs from the control with WS_GROUP at or before ctl to the next WS_GROUP control.
    HWND first = ctl;
    while (!(Style(first) & WS_GROUP)) {
        HWND prev = GetWindow(first, GW_HWNDPREV);
        if (!prev) break;
        first = prev;
    }
    std::vector<HWND> group;
    for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w != first && (Style(w) & WS_GROUP)) break;
        group.push_back(w);
    }
    int n = static_cast<int>(group.size());
    int at = 0;
    for (int i = 0; i < n; ++i)
        if (group[static_cast<size_t>(i)] == ctl) at = i;
    for (int k = 1; k <= n; ++k) {
        HWND w = group[static_cast<size_t>(((at + (previous ? -k : k)) % n + n) % n)];
        if (Usable(w)) return w;
    }
    return ctl;
}

BOOL IsDialogMessage(HWND dlg, LPMSG msg) {
    if (!msg || !dlg || !IsWindow(dlg)) return FALSE;
    if (msg->hwnd != dlg && !IsChild(dlg, msg->hwnd)) return FALSE;
    switch (msg->message) {
    case WM_KEYDOWN: {
        LRESULT code = DlgCode(msg->hwnd, msg);
        if (code & (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) break;
        switch (msg->wParam) {
        case VK_TAB: {
            if (code & DLGC_WANTTAB) break;
            bool back = GetKeyState(VK_SHIFT) < 0;
            HWND next = GetNextDlgTabItem(dlg, GetFocus(), back ? TRUE : FALSE);
            if (next) FocusControl(CheckedInGroup(dlg, next));
            return TRUE;
        }
        case VK_LEFT:
        case VK_UP:
        case VK_RIGHT:
        case VK_DOWN: {
            if (code & DLGC_WANTARROWS) break;
            HWND focus = GetFocus();
            if (!focus || !IsChild(dlg, focus)) return TRUE;
            bool back = msg->wParam == VK_LEFT || msg->wParam == VK_UP;
            HWND next = GetNextDlgGroupItem(dlg, focus, back ? TRUE : FALSE);
            if (next && next != focus) {
                SetFocus(next);
                LRESULT nextCode = DlgCode(next);
                if ((nextCode & DLGC_RADIOBUTTON) && (Style(next) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
                    SendMessage(next, BM_CLICK, 0, 0);
                else if (nextCode & DLGC_HASSETSEL)
                    SendMessage(next, EM_SETSEL, 0, -1);
            }
            return TRUE;
        }
        case VK_RETURN: {
            HWND focus = GetFocus();
            LRESULT focusCode = focus && IsChild(dlg, focus) ? DlgCode(focus) : 0;
            if (focusCode & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)) PressButton(dlg, GetDlgCtrlID(focus));
            else PressButton(dlg, DefaultId(dlg));
            return TRUE;
        }
        case VK_ESCAPE:
            SendMessage(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDCANCEL)));
            return TRUE;
        default:
            break;
        }
        break;
    }
    case WM_CHAR: {
        LRESULT code = DlgCode(msg->hwnd, msg);
        if (code & (DLGC_WANTCHARS | DLGC_WANTALLKEYS | DLGC_WANTMESSAGE)) break;
        if (msg->wParam < 0x80 && HandleMnemonic(dlg, static_cast<char>(msg->wParam))) return TRUE;
        break;
    }
    case WM_SYSCHAR:
        if (msg->wParam < 0x80 && HandleMnemonic(dlg, static_cast<char>(msg->wParam))) return TRUE;
        break;
    default:
        break;
    }
    TranslateMessage(msg);
    DispatchMessage(msg);
    return TRUE;
}

} // namespace win
