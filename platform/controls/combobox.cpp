// The COMBOBOX class as a drop-down list: a selection field, a drop button and a pop-up list.
#include <algorithm>

#include "control_proc.h"
#include "list_data.h"

namespace win::detail {

namespace {

struct ComboState {
    HWND list = nullptr;
    bool dropped = false;
    int selBeforeDrop = -1;
    bool focus = false;
    HFONT font = nullptr;
    int droppedHeight = 100; // the whole height given at creation, field included

    void Detach(HWND) {
        if (list && IsWindow(list)) DestroyWindow(list);
    }
    void FontChanged(HWND hwnd);
};

int FieldHeight(const ComboState* st) {
    int h = 13;
    FontMetrics(ControlFont(st->font), &h, nullptr);
    return h + 8;
}

int ButtonWidth() {
    int w = GetSystemMetrics(SM_CXVSCROLL);
    return w > 0 ? w : 17;
}

int Current(const ComboState* st) { return static_cast<int>(SendMessage(st->list, LB_GETCURSEL, 0, 0)); }

void FitHeight(HWND hwnd, const ComboState* st) {
    RECT wr;
    GetWindowRect(hwnd, &wr);
    int height = FieldHeight(st);
    if (wr.bottom - wr.top != height)
        SetWindowPos(hwnd, nullptr, 0, 0, wr.right - wr.left, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void ShowDropDown(HWND hwnd, ComboState* st) {
    if (st->dropped || !IsWindowEnabled(hwnd)) return;
    NotifyParent(hwnd, CBN_DROPDOWN);
    if (!IsWindow(hwnd)) return;
    if (GetFocus() != hwnd) SetFocus(hwnd);
    st->selBeforeDrop = Current(st);
    RECT wr;
    GetWindowRect(hwnd, &wr);
    int itemHeight = static_cast<int>(SendMessage(st->list, LB_GETITEMHEIGHT, 0, 0));
    int count = static_cast<int>(SendMessage(st->list, LB_GETCOUNT, 0, 0));
    int field = wr.bottom - wr.top;
    int room = std::max(itemHeight + 2, st->droppedHeight - field);
    int wanted = std::max(1, count) * itemHeight + 2;
    int height = std::min(room, wanted);
    height = std::max(itemHeight + 2, ((height - 2) / itemHeight) * itemHeight + 2);
    int screenH = GetSystemMetrics(SM_CYSCREEN);
    int y = wr.bottom;
    if (screenH > 0 && y + height > screenH && wr.top - height >= 0) y = wr.top - height;
    SetWindowPos(st->list, HWND_TOPMOST, wr.left, y, wr.right - wr.left, height, SWP_NOACTIVATE);
    SendMessage(st->list, CBLB_SHOWCURRENT, 0, 0);
    ShowWindow(st->list, SW_SHOWNA);
    st->dropped = true;
    SetCapture(st->list);
    InvalidateRect(hwnd, nullptr, FALSE);
}

// Closes the pop-up list. On commit the highlighted item becomes the selection; on cancel the
// selection before the drop is restored.
void CloseDropDown(HWND hwnd, ComboState* st, bool commit) {
    if (!st->dropped) return;
    st->dropped = false;
    if (GetCapture() == st->list) ReleaseCapture();
    ShowWindow(st->list, SW_HIDE);
    InvalidateRect(hwnd, nullptr, FALSE);
    int now = Current(st);
    if (!commit && now != st->selBeforeDrop) SendMessage(st->list, LB_SETCURSEL, static_cast<WPARAM>(st->selBeforeDrop), 0);
    NotifyParent(hwnd, commit ? CBN_SELENDOK : CBN_SELENDCANCEL);
    if (!IsWindow(hwnd)) return;
    NotifyParent(hwnd, CBN_CLOSEUP);
    if (commit && now != st->selBeforeDrop && IsWindow(hwnd)) NotifyParent(hwnd, CBN_SELCHANGE);
}

void Paint(HWND hwnd, ComboState* st, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    bool enabled = IsWindowEnabled(hwnd) != FALSE;
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &rc, EDGE_SUNKEN, BF_RECT);
    RECT inner = rc;
    InflateRect(&inner, -2, -2);
    RECT button{std::max(inner.left, inner.right - ButtonWidth()), inner.top, inner.right, inner.bottom};
    RECT field{inner.left, inner.top, button.left, inner.bottom};
    HBRUSH bg = enabled ? ParentBrush(hwnd, dc, WM_CTLCOLOREDIT, COLOR_WINDOW) : GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &field, bg);
    DrawFrameControl(dc, &button, DFC_SCROLL,
                     DFCS_SCROLLCOMBOBOX | (st->dropped ? DFCS_PUSHED | DFCS_FLAT : 0) | (enabled ? 0 : DFCS_INACTIVE));
    int cur = Current(st);
    std::string text;
    if (cur >= 0) {
        auto len = SendMessage(st->list, LB_GETTEXTLEN, static_cast<WPARAM>(cur), 0);
        if (len >= 0) {
            text.assign(static_cast<size_t>(len) + 1, '\0');
            SendMessage(st->list, LB_GETTEXT, static_cast<WPARAM>(cur), reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<size_t>(len));
        }
    }
    RECT sel = field;
    InflateRect(&sel, -1, -1);
    bool focusLook = st->focus && !st->dropped && enabled;
    if (focusLook) FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
    HGDIOBJ oldFont = SelectObject(dc, ControlFont(st->font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : focusLook ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    if (Style(hwnd) & CBS_OWNERDRAWFIXED) {
        // The parent draws the field's item; the control's look stays around it.
        UINT state = ODS_COMBOBOXEDIT;
        if (focusLook) state |= ODS_SELECTED | ODS_FOCUS;
        if (!enabled) state |= ODS_DISABLED;
        const LRESULT data = cur >= 0 ? SendMessage(st->list, LB_GETITEMDATA, static_cast<WPARAM>(cur), 0) : 0;
        AskOwnerToDraw(hwnd, dc, cur, state, sel, data);
        SelectObject(dc, oldFont);
        return;
    }
    RECT textRc = sel;
    textRc.left += 2;
    DrawText(dc, text.c_str(), -1, &textRc, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, oldFont);
    if (focusLook) DrawFocusRect(dc, &sel);
}

// Messages forwarded to the list with their list-box equivalents.
UINT ListMessage(UINT msg) {
    switch (msg) {
    case CB_ADDSTRING: return LB_ADDSTRING;
    case CB_INSERTSTRING: return LB_INSERTSTRING;
    case CB_DELETESTRING: return LB_DELETESTRING;
    case CB_RESETCONTENT: return LB_RESETCONTENT;
    case CB_GETCOUNT: return LB_GETCOUNT;
    case CB_GETCURSEL: return LB_GETCURSEL;
    case CB_GETLBTEXT: return LB_GETTEXT;
    case CB_GETLBTEXTLEN: return LB_GETTEXTLEN;
    case CB_GETITEMDATA: return LB_GETITEMDATA;
    case CB_SETITEMDATA: return LB_SETITEMDATA;
    case CB_FINDSTRING: return LB_FINDSTRING;
    case CB_FINDSTRINGEXACT: return LB_FINDSTRINGEXACT;
    case CB_GETTOPINDEX: return LB_GETTOPINDEX;
    case CB_SETTOPINDEX: return LB_SETTOPINDEX;
    default: return 0;
    }
}

// The drop-down list takes the field's font, and the field's height follows the font.
void ComboState::FontChanged(HWND hwnd) {
    SendMessage(list, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    FitHeight(hwnd, this);
}

LRESULT ComboMessage(HWND hwnd, ComboState* st, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
        st->droppedHeight = std::max(cs->cy, 20);
        DWORD listStyle = WS_POPUP | WS_BORDER | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT;
        if (cs->style & WS_VSCROLL) listStyle |= WS_VSCROLL;
        if (cs->style & CBS_SORT) listStyle |= LBS_SORT;
        st->list = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kComboListClass, "", listStyle, 0, 0, 10, 10,
                                  hwnd, nullptr, nullptr, nullptr);
        if (!st->list) return -1;
        SendMessage(st->list, CBLB_SETCOMBO, 0, reinterpret_cast<LPARAM>(hwnd));
        FitHeight(hwnd, st);
        return 0;
    }
    case WM_GETDLGCODE: {
        LRESULT code = DLGC_WANTARROWS | DLGC_WANTCHARS;
        auto* m = reinterpret_cast<MSG*>(lParam);
        if (st->dropped && m && m->message == WM_KEYDOWN && (m->wParam == VK_RETURN || m->wParam == VK_ESCAPE))
            code |= DLGC_WANTMESSAGE;
        return code;
    }
    case WM_SETFOCUS:
        st->focus = true;
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyParent(hwnd, CBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        CloseDropDown(hwnd, st, false);
        if (!IsWindow(hwnd)) return 0;
        st->focus = false;
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyParent(hwnd, CBN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        if (!wParam) CloseDropDown(hwnd, st, false);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_CANCELMODE:
        CloseDropDown(hwnd, st, false);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (GetFocus() != hwnd) SetFocus(hwnd);
        if (st->dropped) CloseDropDown(hwnd, st, false);
        else ShowDropDown(hwnd, st);
        return 0;
    case WM_MOUSEWHEEL:
        if (!st->dropped) {
            int before = Current(st);
            SendMessage(st->list, CBLB_KEY, GET_WHEEL_DELTA_WPARAM(wParam) > 0 ? VK_UP : VK_DOWN, 0);
            if (Current(st) != before) {
                InvalidateRect(hwnd, nullptr, FALSE);
                NotifyParent(hwnd, CBN_SELCHANGE);
            }
        }
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == VK_DOWN || wParam == VK_UP) {
            if (st->dropped) CloseDropDown(hwnd, st, true);
            else ShowDropDown(hwnd, st);
            return 0;
        }
        return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_KEYDOWN:
        if (wParam == VK_F4) {
            if (st->dropped) CloseDropDown(hwnd, st, true);
            else ShowDropDown(hwnd, st);
            return 0;
        }
        if (st->dropped && wParam == VK_RETURN) {
            CloseDropDown(hwnd, st, true);
            return 0;
        }
        if (st->dropped && wParam == VK_ESCAPE) {
            CloseDropDown(hwnd, st, false);
            return 0;
        }
        if (SendMessage(st->list, CBLB_KEY, wParam, 0)) {
            InvalidateRect(hwnd, nullptr, FALSE);
            if (!st->dropped) NotifyParent(hwnd, CBN_SELCHANGE);
        }
        return 0;
    case WM_CHAR:
        if (SendMessage(st->list, CBLB_KEY, wParam, 1)) {
            InvalidateRect(hwnd, nullptr, FALSE);
            if (!st->dropped) NotifyParent(hwnd, CBN_SELCHANGE);
        }
        return 0;
    case CBLB_CHOSEN:
        SendMessage(st->list, LB_SETCURSEL, wParam, 0);
        CloseDropDown(hwnd, st, true);
        return 0;
    case CBLB_DISMISS:
        CloseDropDown(hwnd, st, false);
        return 0;
    case CB_SETCURSEL: {
        LRESULT r = SendMessage(st->list, LB_SETCURSEL, wParam, 0);
        InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    case CB_SELECTSTRING: {
        LRESULT r = SendMessage(st->list, LB_SELECTSTRING, wParam, lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    case CB_SHOWDROPDOWN:
        if (wParam) ShowDropDown(hwnd, st);
        else CloseDropDown(hwnd, st, false);
        return TRUE;
    case CB_GETDROPPEDSTATE:
        return st->dropped ? TRUE : FALSE;
    case CB_GETDROPPEDCONTROLRECT: {
        if (!lParam) return CB_ERR;
        RECT wr;
        GetWindowRect(hwnd, &wr);
        wr.bottom = wr.top + st->droppedHeight;
        *reinterpret_cast<RECT*>(lParam) = wr;
        return TRUE;
    }
    case CB_SETITEMHEIGHT:
        if (static_cast<int>(wParam) == -1) return CB_OKAY; // the field follows the font
        return SendMessage(st->list, LB_SETITEMHEIGHT, 0, lParam) == LB_ERR ? CB_ERR : CB_OKAY;
    case CB_GETITEMHEIGHT:
        return static_cast<int>(wParam) == -1 ? FieldHeight(st) - 6 : SendMessage(st->list, LB_GETITEMHEIGHT, 0, 0);
    case CB_LIMITTEXT:
    case CB_SETEDITSEL:
        return TRUE;
    case CB_GETEDITSEL:
        return 0;
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0) return 0;
        int cur = Current(st);
        std::string text;
        if (cur >= 0) {
            auto len = SendMessage(st->list, LB_GETTEXTLEN, static_cast<WPARAM>(cur), 0);
            text.assign(static_cast<size_t>(len) + 1, '\0');
            SendMessage(st->list, LB_GETTEXT, static_cast<WPARAM>(cur), reinterpret_cast<LPARAM>(text.data()));
            text.resize(static_cast<size_t>(len));
        }
        size_t n = std::min<size_t>(text.size(), wParam - 1);
        text.copy(buffer, n);
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: {
        int cur = Current(st);
        return cur >= 0 ? SendMessage(st->list, LB_GETTEXTLEN, static_cast<WPARAM>(cur), 0) : 0;
    }
    default:
        break;
    }
    if (UINT lm = ListMessage(msg)) {
        LRESULT r = SendMessage(st->list, lm, wParam, lParam);
        if (msg == CB_RESETCONTENT || msg == CB_DELETESTRING || msg == CB_INSERTSTRING || msg == CB_ADDSTRING)
            InvalidateRect(hwnd, nullptr, FALSE);
        return r;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

WNDPROC ComboBoxWndProc() { return ControlProc<ComboState, Paint, ComboMessage>; }

} // namespace win::detail
