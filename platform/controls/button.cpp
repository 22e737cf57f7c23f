// The BUTTON class: push and default push buttons, check boxes, radio buttons and group boxes.
#include "control_proc.h"

namespace win::detail {

namespace {

struct ButtonState {
    UINT check = BST_UNCHECKED;
    bool pushed = false;   // drawn pressed
    bool tracking = false; // left button held after a press on the button
    bool spaceDown = false;
    bool focus = false;
    HFONT font = nullptr;
};

DWORD Kind(HWND hwnd) { return Style(hwnd) & BS_TYPEMASK; }

bool IsCheckKind(DWORD kind) {
    return kind == BS_CHECKBOX || kind == BS_AUTOCHECKBOX || kind == BS_3STATE || kind == BS_AUTO3STATE;
}
bool IsRadioKind(DWORD kind) { return kind == BS_RADIOBUTTON || kind == BS_AUTORADIOBUTTON; }
bool IsPushKind(DWORD kind) { return kind == BS_PUSHBUTTON || kind == BS_DEFPUSHBUTTON || kind == BS_PUSHBOX; }

// Auto radio buttons uncheck the other radio buttons of their group (WS_GROUP to WS_GROUP).
void UncheckGroupSiblings(HWND hwnd) {
    HWND parent = GetParent(hwnd);
    if (!parent) return;
    HWND first = hwnd;
    while (!(Style(first) & WS_GROUP)) {
        HWND prev = GetWindow(first, GW_HWNDPREV);
        if (!prev) break;
        first = prev;
    }
    for (HWND w = first; w; w = GetWindow(w, GW_HWNDNEXT)) {
        if (w != first && (Style(w) & WS_GROUP)) break;
        if (w == hwnd) continue;
        if (SendMessage(w, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) SendMessage(w, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

void Click(HWND hwnd, ButtonState* st) {
    DWORD kind = Kind(hwnd);
    if (kind == BS_AUTOCHECKBOX) {
        SendMessage(hwnd, BM_SETCHECK, st->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    } else if (kind == BS_AUTO3STATE) {
        SendMessage(hwnd, BM_SETCHECK, (st->check + 1) % 3, 0);
    } else if (kind == BS_AUTORADIOBUTTON) {
        SendMessage(hwnd, BM_SETCHECK, BST_CHECKED, 0);
        UncheckGroupSiblings(hwnd);
    }
    NotifyParent(hwnd, BN_CLICKED);
}

void SetPushed(HWND hwnd, ButtonState* st, bool pushed) {
    if (st->pushed == pushed) return;
    st->pushed = pushed;
    InvalidateRect(hwnd, nullptr, FALSE);
}

void PaintButton(HWND hwnd, ButtonState* st, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    DWORD kind = Kind(hwnd);
    bool enabled = IsWindowEnabled(hwnd) != FALSE;
    HFONT font = ControlFont(st->font);
    HGDIOBJ oldFont = SelectObject(dc, font);
    std::string text = WindowText(hwnd);
    int lineHeight = 13;
    FontMetrics(font, &lineHeight, nullptr);

    if (IsPushKind(kind)) {
        FillRect(dc, &rc, ParentBrush(hwnd, dc, WM_CTLCOLORBTN, COLOR_BTNFACE));
        RECT face = rc;
        if (kind == BS_DEFPUSHBUTTON) {
            FrameRect(dc, &face, GetSysColorBrush(COLOR_WINDOWFRAME));
            InflateRect(&face, -1, -1);
        }
        DrawFrameControl(dc, &face, DFC_BUTTON, DFCS_BUTTONPUSH | (st->pushed ? DFCS_PUSHED : 0));
        RECT textRc = face;
        if (st->pushed) OffsetRect(&textRc, 1, 1);
        DrawControlText(dc, text, textRc, DT_CENTER | DT_VCENTER | DT_SINGLELINE, enabled, GetSysColor(COLOR_BTNTEXT));
        if (st->focus) {
            RECT focus = face;
            InflateRect(&focus, -3, -3);
            DrawFocusRect(dc, &focus);
        }
    } else if (IsCheckKind(kind) || IsRadioKind(kind)) {
        FillRect(dc, &rc, ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC, COLOR_BTNFACE));
        const int box = 13;
        bool leftText = (Style(hwnd) & BS_LEFTTEXT) != 0;
        int boxTop = rc.top + (rc.bottom - rc.top - box) / 2;
        RECT boxRc{leftText ? rc.right - box : rc.left, boxTop, 0, boxTop + box};
        boxRc.right = boxRc.left + box;
        UINT state = IsRadioKind(kind) ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK;
        if (st->check == BST_CHECKED) state |= DFCS_CHECKED;
        if (st->check == BST_INDETERMINATE) state |= DFCS_CHECKED | DFCS_BUTTON3STATE;
        if (st->pushed) state |= DFCS_PUSHED;
        if (!enabled) state |= DFCS_INACTIVE;
        DrawFrameControl(dc, &boxRc, DFC_BUTTON, state);
        RECT textRc = rc;
        if (leftText) textRc.right = boxRc.left - 4;
        else textRc.left = boxRc.right + 4;
        DrawControlText(dc, text, textRc, DT_LEFT | DT_VCENTER | DT_SINGLELINE, enabled, GetSysColor(COLOR_BTNTEXT));
        if (st->focus && !text.empty()) {
            RECT calc = textRc;
            DrawText(dc, text.c_str(), -1, &calc, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
            int h = calc.bottom - calc.top;
            calc.top = textRc.top + (textRc.bottom - textRc.top - h) / 2;
            calc.bottom = calc.top + h;
            InflateRect(&calc, 1, 1);
            IntersectRect(&calc, &calc, &rc);
            DrawFocusRect(dc, &calc);
        }
    } else if (kind == BS_GROUPBOX) {
        HBRUSH bg = ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC, COLOR_BTNFACE);
        RECT frame = rc;
        frame.top += lineHeight / 2;
        DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
        if (!text.empty()) {
            RECT calc{0, 0, 0, 0};
            DrawText(dc, text.c_str(), -1, &calc, DT_SINGLELINE | DT_CALCRECT);
            RECT label{rc.left + 6, rc.top, rc.left + 6 + (calc.right - calc.left) + 4, rc.top + lineHeight};
            if (label.right > rc.right - 2) label.right = rc.right - 2;
            FillRect(dc, &label, bg);
            label.left += 2;
            DrawControlText(dc, text, label, DT_LEFT | DT_TOP | DT_SINGLELINE, enabled, GetSysColor(COLOR_BTNTEXT));
        }
    } else {
        FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    }
    SelectObject(dc, oldFont);
}

LRESULT ButtonMessage(HWND hwnd, ButtonState* st, UINT msg, WPARAM wParam, LPARAM lParam) {
    DWORD kind = Kind(hwnd);
    switch (msg) {
    case WM_GETDLGCODE:
        if (kind == BS_GROUPBOX) return DLGC_STATIC;
        if (IsRadioKind(kind)) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (kind == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (IsPushKind(kind)) return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        return DLGC_BUTTON;
    case WM_SETTEXT:
        return SetTextAndRedraw(hwnd, wParam, lParam);
    case WM_ENABLE:
        if (!wParam && st->tracking) {
            st->tracking = false;
            if (GetCapture() == hwnd) ReleaseCapture();
        }
        st->pushed = false;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_SETFOCUS:
        st->focus = true;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        st->focus = false;
        st->spaceDown = false;
        if (st->tracking && GetCapture() == hwnd) ReleaseCapture();
        st->tracking = false;
        st->pushed = false;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (kind == BS_GROUPBOX) return 0;
        if (GetFocus() != hwnd) SetFocus(hwnd);
        st->tracking = true;
        SetCapture(hwnd);
        SetPushed(hwnd, st, true);
        return 0;
    case WM_MOUSEMOVE:
        if (st->tracking) {
            RECT rc;
            GetClientRect(hwnd, &rc);
            SetPushed(hwnd, st, PtInRect(&rc, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}) != FALSE);
        }
        return 0;
    case WM_LBUTTONUP:
        if (st->tracking) {
            st->tracking = false;
            bool inside = st->pushed;
            SetPushed(hwnd, st, false);
            if (GetCapture() == hwnd) ReleaseCapture();
            if (inside && IsWindow(hwnd)) Click(hwnd, st);
        }
        return 0;
    case WM_CAPTURECHANGED:
        if (st->tracking && reinterpret_cast<HWND>(lParam) != hwnd) {
            st->tracking = false;
            SetPushed(hwnd, st, false);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && kind != BS_GROUPBOX && !st->tracking) {
            st->spaceDown = true;
            SetPushed(hwnd, st, true);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && st->spaceDown) {
            st->spaceDown = false;
            SetPushed(hwnd, st, false);
            Click(hwnd, st);
        }
        return 0;
    case WM_CHAR:
        return 0;
    case BM_GETCHECK:
        return st->check;
    case BM_SETCHECK: {
        UINT check = static_cast<UINT>(wParam) & 3;
        if (check == BST_INDETERMINATE && kind != BS_3STATE && kind != BS_AUTO3STATE) check = BST_CHECKED;
        if (!IsCheckKind(kind) && !IsRadioKind(kind)) return 0;
        if (st->check != check) {
            st->check = check;
            InvalidateRect(hwnd, nullptr, FALSE);
        }
        return 0;
    }
    case BM_GETSTATE:
        return st->check | (st->pushed ? BST_PUSHED : 0) | (st->focus ? BST_FOCUS : 0);
    case BM_SETSTATE:
        SetPushed(hwnd, st, wParam != 0);
        return 0;
    case BM_SETSTYLE: {
        LONG_PTR style = GetWindowLongPtr(hwnd, GWL_STYLE);
        SetWindowLongPtr(hwnd, GWL_STYLE, (style & ~static_cast<LONG_PTR>(0xFFFF)) | (wParam & 0xFFFF));
        if (LOWORD(lParam)) InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    }
    case BM_CLICK:
        if (!IsWindowEnabled(hwnd) || kind == BS_GROUPBOX) return 0;
        Click(hwnd, st);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

WNDPROC ButtonWndProc() { return ControlProc<ButtonState, PaintButton, ButtonMessage>; }

} // namespace win::detail
