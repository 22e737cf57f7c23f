// The ToolbarWindow32 class: image buttons, check groups, drop-downs, hot tracking, states and tooltips.
#include <algorithm>
#include <vector>

#include "control_proc.h"

namespace win::detail {

namespace {

constexpr int kSeparatorWidth = 8;
constexpr int kDropArrowWidth = 14;

struct Button {
    TBBUTTON b{};
    RECT rc{};
};

struct ToolbarState {
    std::vector<Button> buttons;
    HIMAGELIST lists[3] = {nullptr, nullptr, nullptr}; // normal, hot, disabled
    SIZE bitmap{16, 16};
    SIZE button{0, 0}; // 0: from the bitmap size
    DWORD exStyle = 0;
    HWND tooltip = nullptr;
    int hot = -1;
    int pressed = -1;
    bool pressedInside = false;
    int dropped = -1;
    bool trackingLeave = false;
    HFONT font = nullptr;
};

ToolbarState* State(HWND hwnd) { return ControlState<ToolbarState>(hwnd); }

int ButtonWidth(const ToolbarState* st) { return st->button.cx > 0 ? st->button.cx : st->bitmap.cx + 7; }
int ButtonHeight(const ToolbarState* st) { return st->button.cy > 0 ? st->button.cy : st->bitmap.cy + 6; }

bool IsSeparator(const TBBUTTON& b) { return (b.fsStyle & BTNS_SEP) != 0; }
bool HasSplitArrow(const ToolbarState* st, const TBBUTTON& b) {
    return (b.fsStyle & BTNS_DROPDOWN) && (st->exStyle & TBSTYLE_EX_DRAWDDARROWS) && !(b.fsStyle & BTNS_WHOLEDROPDOWN);
}

void UpdateToolRects(HWND hwnd, ToolbarState* st) {
    if (!st->tooltip) return;
    for (const Button& btn : st->buttons) {
        if (IsSeparator(btn.b)) continue;
        TOOLINFO ti{};
        ti.cbSize = sizeof ti;
        ti.hwnd = hwnd;
        ti.uId = static_cast<UINT_PTR>(btn.b.idCommand);
        ti.rect = btn.rc;
        SendMessage(st->tooltip, TTM_NEWTOOLRECT, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

void Layout(HWND hwnd, ToolbarState* st) {
    int x = 0;
    int h = ButtonHeight(st);
    for (Button& btn : st->buttons) {
        if (btn.b.fsState & TBSTATE_HIDDEN) {
            btn.rc = RECT{x, 0, x, h};
            continue;
        }
        int w;
        if (IsSeparator(btn.b)) {
            w = btn.b.iBitmap > 0 ? btn.b.iBitmap : kSeparatorWidth;
        } else {
            w = (btn.b.fsStyle & BTNS_AUTOSIZE) ? st->bitmap.cx + 7 : ButtonWidth(st);
            if (HasSplitArrow(st, btn.b)) w += kDropArrowWidth;
            else if (btn.b.fsStyle & BTNS_WHOLEDROPDOWN) w += kDropArrowWidth - 4;
        }
        btn.rc = RECT{x, 0, x + w, h};
        x += w;
    }
    UpdateToolRects(hwnd, st);
    InvalidateRect(hwnd, nullptr, FALSE);
}

int IndexOf(const ToolbarState* st, int command) {
    for (size_t i = 0; i < st->buttons.size(); ++i)
        if (st->buttons[i].b.idCommand == command && !IsSeparator(st->buttons[i].b)) return static_cast<int>(i);
    return -1;
}

int ButtonAt(const ToolbarState* st, POINT pt) {
    for (size_t i = 0; i < st->buttons.size(); ++i) {
        const Button& btn = st->buttons[i];
        if (IsSeparator(btn.b) || (btn.b.fsState & TBSTATE_HIDDEN)) continue;
        if (PtInRect(&btn.rc, pt)) return static_cast<int>(i);
    }
    return -1;
}

bool Enabled(const Button& btn) { return (btn.b.fsState & TBSTATE_ENABLED) != 0; }

void RedrawButton(HWND hwnd, const ToolbarState* st, int index) {
    if (index < 0 || static_cast<size_t>(index) >= st->buttons.size()) return;
    InvalidateRect(hwnd, &st->buttons[static_cast<size_t>(index)].rc, FALSE);
}

// Checking a button of a check group unchecks the others of its run of adjacent group buttons.
void CheckInGroup(HWND hwnd, ToolbarState* st, int index) {
    int n = static_cast<int>(st->buttons.size());
    auto inGroup = [&](int i) {
        const TBBUTTON& b = st->buttons[static_cast<size_t>(i)].b;
        return !IsSeparator(b) && (b.fsStyle & BTNS_CHECKGROUP) == BTNS_CHECKGROUP;
    };
    int first = index, last = index;
    while (first > 0 && inGroup(first - 1)) --first;
    while (last + 1 < n && inGroup(last + 1)) ++last;
    for (int i = first; i <= last; ++i) {
        BYTE& state = st->buttons[static_cast<size_t>(i)].b.fsState;
        BYTE before = state;
        if (i == index) state |= TBSTATE_CHECKED;
        else state &= static_cast<BYTE>(~TBSTATE_CHECKED);
        if (state != before) RedrawButton(hwnd, st, i);
    }
}

void SetChecked(HWND hwnd, ToolbarState* st, int index, bool check) {
    Button& btn = st->buttons[static_cast<size_t>(index)];
    if (check && (btn.b.fsStyle & BTNS_CHECKGROUP) == BTNS_CHECKGROUP) {
        CheckInGroup(hwnd, st, index);
        return;
    }
    BYTE before = btn.b.fsState;
    if (check) btn.b.fsState |= TBSTATE_CHECKED;
    else btn.b.fsState &= static_cast<BYTE>(~TBSTATE_CHECKED);
    if (btn.b.fsState != before) RedrawButton(hwnd, st, index);
}

void DrawDownArrow(HDC dc, int cx, int cy, COLORREF color) {
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ old = SelectObject(dc, pen);
    for (int row = 0; row < 3; ++row) {
        MoveToEx(dc, cx - 2 + row, cy - 1 + row, nullptr);
        LineTo(dc, cx + 3 - row, cy - 1 + row);
    }
    SelectObject(dc, old);
    DeleteObject(pen);
}

COLORREF Mix(COLORREF a, COLORREF b) {
    return RGB(static_cast<BYTE>((GetRValue(a) + GetRValue(b)) / 2), static_cast<BYTE>((GetGValue(a) + GetGValue(b)) / 2),
               static_cast<BYTE>((GetBValue(a) + GetBValue(b)) / 2));
}

void PaintButton(HWND hwnd, ToolbarState* st, HDC dc, int index) {
    const Button& btn = st->buttons[static_cast<size_t>(index)];
    RECT rc = btn.rc;
    if (rc.right <= rc.left) return;
    bool flat = (Style(hwnd) & TBSTYLE_FLAT) != 0;
    if (IsSeparator(btn.b)) {
        if (flat) {
            int x = rc.left + (rc.right - rc.left) / 2 - 1;
            RECT line{x, rc.top + 2, x + 2, rc.bottom - 2};
            DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
        }
        return;
    }
    bool enabled = Enabled(btn);
    bool checked = (btn.b.fsState & TBSTATE_CHECKED) != 0;
    bool pressed = (btn.b.fsState & TBSTATE_PRESSED) || (st->pressed == index && st->pressedInside) || st->dropped == index;
    bool hot = enabled && st->hot == index;
    RECT face = rc;
    RECT arrow{0, 0, 0, 0};
    if (HasSplitArrow(st, btn.b)) {
        arrow = RECT{rc.right - kDropArrowWidth, rc.top, rc.right, rc.bottom};
        face.right = arrow.left;
    }
    if (checked && !pressed && !hot) {
        HBRUSH light = CreateSolidBrush(Mix(GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_3DHILIGHT)));
        FillRect(dc, &face, light);
        DeleteObject(light);
    }
    if (pressed || checked) DrawEdge(dc, &face, flat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
    else if (hot || !flat) DrawEdge(dc, &face, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
    if (!IsRectEmpty(&arrow)) {
        if (st->dropped == index) DrawEdge(dc, &arrow, flat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
        else if (hot || pressed || !flat) DrawEdge(dc, &arrow, flat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
        int shift = st->dropped == index ? 1 : 0;
        DrawDownArrow(dc, arrow.left + kDropArrowWidth / 2 - 1 + shift, (arrow.top + arrow.bottom) / 2 + shift,
                      GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    }
    int imageArea = face.right - face.left;
    if (btn.b.fsStyle & BTNS_WHOLEDROPDOWN) imageArea -= kDropArrowWidth - 4;
    int x = face.left + (imageArea - st->bitmap.cx) / 2;
    int y = face.top + ((face.bottom - face.top) - st->bitmap.cy) / 2;
    if (pressed || checked) ++x, ++y;
    if (btn.b.fsStyle & BTNS_WHOLEDROPDOWN)
        DrawDownArrow(dc, face.right - (kDropArrowWidth - 4) / 2 - 2, (face.top + face.bottom) / 2,
                      GetSysColor(enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
    if (btn.b.iBitmap < 0) return;
    if (!enabled) {
        if (st->lists[2]) ImageList_Draw(st->lists[2], btn.b.iBitmap, dc, x, y, ILD_TRANSPARENT);
        else if (st->lists[0])
            ImageList_DrawEx(st->lists[0], btn.b.iBitmap, dc, x, y, 0, 0, CLR_NONE, GetSysColor(COLOR_BTNFACE), ILD_BLEND50);
    } else if (hot && st->lists[1]) {
        ImageList_Draw(st->lists[1], btn.b.iBitmap, dc, x, y, ILD_TRANSPARENT);
    } else if (st->lists[0]) {
        ImageList_Draw(st->lists[0], btn.b.iBitmap, dc, x, y, ILD_TRANSPARENT);
    }
}

void Paint(HWND hwnd, ToolbarState* st, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    for (size_t i = 0; i < st->buttons.size(); ++i) PaintButton(hwnd, st, dc, static_cast<int>(i));
}

void SetHot(HWND hwnd, ToolbarState* st, int index) {
    if (st->hot == index) return;
    RedrawButton(hwnd, st, st->hot);
    st->hot = index;
    RedrawButton(hwnd, st, index);
}

void AddTool(HWND hwnd, ToolbarState* st, const Button& btn) {
    if (!st->tooltip || IsSeparator(btn.b)) return;
    TOOLINFO ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = hwnd;
    ti.uId = static_cast<UINT_PTR>(btn.b.idCommand);
    ti.rect = btn.rc;
    ti.lpszText = LPSTR_TEXTCALLBACK;
    SendMessage(st->tooltip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&ti));
}

void RemoveTool(HWND hwnd, ToolbarState* st, const Button& btn) {
    if (!st->tooltip || IsSeparator(btn.b)) return;
    TOOLINFO ti{};
    ti.cbSize = sizeof ti;
    ti.hwnd = hwnd;
    ti.uId = static_cast<UINT_PTR>(btn.b.idCommand);
    SendMessage(st->tooltip, TTM_DELTOOL, 0, reinterpret_cast<LPARAM>(&ti));
}

bool Insert(HWND hwnd, ToolbarState* st, int at, const TBBUTTON* b) {
    if (!b) return false;
    Button btn;
    btn.b = *b;
    if (at < 0 || static_cast<size_t>(at) > st->buttons.size()) at = static_cast<int>(st->buttons.size());
    st->buttons.insert(st->buttons.begin() + at, btn);
    Layout(hwnd, st);
    AddTool(hwnd, st, st->buttons[static_cast<size_t>(at)]);
    return true;
}

void Relay(HWND hwnd, ToolbarState* st, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!st->tooltip) return;
    MSG m{hwnd, msg, wParam, lParam, GetMessageTime() > 0 ? static_cast<DWORD>(GetMessageTime()) : 0, POINT{0, 0}};
    SendMessage(st->tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
}

void DropDown(HWND hwnd, ToolbarState* st, int index) {
    st->dropped = index;
    RedrawButton(hwnd, st, index);
    UpdateWindow(hwnd);
    NMTOOLBAR nm{};
    nm.iItem = st->buttons[static_cast<size_t>(index)].b.idCommand;
    nm.tbButton = st->buttons[static_cast<size_t>(index)].b;
    nm.rcButton = st->buttons[static_cast<size_t>(index)].rc;
    if (st->tooltip) SendMessage(st->tooltip, TTM_POP, 0, 0);
    SendNotify(GetParent(hwnd), hwnd, TBN_DROPDOWN, &nm.hdr);
    if (!IsWindow(hwnd)) return;
    st = State(hwnd);
    if (!st) return;
    st->dropped = -1;
    RedrawButton(hwnd, st, index);
}

LRESULT ToolbarMessage(HWND hwnd, ToolbarState* st, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        if (Style(hwnd) & TBSTYLE_TOOLTIPS) {
            st->tooltip = CreateWindowEx(WS_EX_TOPMOST, TOOLTIPS_CLASS, "", WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                                         0, 0, hwnd, nullptr, nullptr, nullptr);
        }
        return 0;
    case WM_DESTROY:
        if (st->tooltip && IsWindow(st->tooltip)) DestroyWindow(st->tooltip);
        st->tooltip = nullptr;
        return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        // The tooltip asks the toolbar for texts; the toolbar's parent answers.
        if (hdr && hdr->hwndFrom == st->tooltip && st->tooltip) return SendMessage(GetParent(hwnd), WM_NOTIFY, wParam, lParam);
        return 0;
    }
    case WM_MOUSEMOVE: {
        Relay(hwnd, st, msg, wParam, lParam);
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        int index = ButtonAt(st, pt);
        if (st->pressed >= 0) {
            bool inside = index == st->pressed;
            if (inside != st->pressedInside) {
                st->pressedInside = inside;
                RedrawButton(hwnd, st, st->pressed);
            }
        }
        SetHot(hwnd, st, index >= 0 && Enabled(st->buttons[static_cast<size_t>(index)]) ? index : -1);
        if (!st->trackingLeave) {
            TRACKMOUSEEVENT tme{sizeof(TRACKMOUSEEVENT), TME_LEAVE, hwnd, 0};
            st->trackingLeave = TrackMouseEvent(&tme) != FALSE;
        }
        return 0;
    }
    case WM_MOUSELEAVE:
        st->trackingLeave = false;
        Relay(hwnd, st, msg, wParam, lParam);
        if (st->pressed < 0) SetHot(hwnd, st, -1);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        Relay(hwnd, st, msg, wParam, lParam);
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        int index = ButtonAt(st, pt);
        if (index < 0 || !Enabled(st->buttons[static_cast<size_t>(index)])) return 0;
        const Button& btn = st->buttons[static_cast<size_t>(index)];
        bool onArrow = HasSplitArrow(st, btn.b) && pt.x >= btn.rc.right - kDropArrowWidth;
        bool wholeDrop = (btn.b.fsStyle & BTNS_DROPDOWN) && !HasSplitArrow(st, btn.b);
        if (onArrow || wholeDrop) {
            DropDown(hwnd, st, index);
            return 0;
        }
        st->pressed = index;
        st->pressedInside = true;
        SetCapture(hwnd);
        RedrawButton(hwnd, st, index);
        return 0;
    }
    case WM_LBUTTONUP: {
        Relay(hwnd, st, msg, wParam, lParam);
        if (st->pressed < 0) return 0;
        int index = st->pressed;
        bool inside = st->pressedInside;
        st->pressed = -1;
        st->pressedInside = false;
        if (GetCapture() == hwnd) ReleaseCapture();
        RedrawButton(hwnd, st, index);
        if (!inside || static_cast<size_t>(index) >= st->buttons.size()) return 0;
        Button& btn = st->buttons[static_cast<size_t>(index)];
        if (!Enabled(btn)) return 0;
        if ((btn.b.fsStyle & BTNS_CHECKGROUP) == BTNS_CHECKGROUP) SetChecked(hwnd, st, index, true);
        else if (btn.b.fsStyle & BTNS_CHECK) SetChecked(hwnd, st, index, !(btn.b.fsState & TBSTATE_CHECKED));
        int command = btn.b.idCommand;
        SendMessage(GetParent(hwnd), WM_COMMAND, MAKEWPARAM(static_cast<WORD>(command), BN_CLICKED), reinterpret_cast<LPARAM>(hwnd));
        return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_MBUTTONDOWN:
        Relay(hwnd, st, msg, wParam, lParam);
        return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_CAPTURECHANGED:
        if (st->pressed >= 0 && reinterpret_cast<HWND>(lParam) != hwnd) {
            int index = st->pressed;
            st->pressed = -1;
            st->pressedInside = false;
            RedrawButton(hwnd, st, index);
        }
        return 0;
    case WM_CANCELMODE:
        if (GetCapture() == hwnd) ReleaseCapture();
        return 0;
    case TB_BUTTONSTRUCTSIZE:
        return 0;
    case TB_SETIMAGELIST:
    case TB_SETHOTIMAGELIST:
    case TB_SETDISABLEDIMAGELIST: {
        int slot = msg == TB_SETIMAGELIST ? 0 : msg == TB_SETHOTIMAGELIST ? 1 : 2;
        HIMAGELIST old = st->lists[slot];
        st->lists[slot] = reinterpret_cast<HIMAGELIST>(lParam);
        int cx = 0, cy = 0;
        if (slot == 0 && st->lists[0] && ImageList_GetIconSize(st->lists[0], &cx, &cy)) st->bitmap = SIZE{cx, cy};
        Layout(hwnd, st);
        return reinterpret_cast<LRESULT>(old);
    }
    case TB_GETIMAGELIST:
        return reinterpret_cast<LRESULT>(st->lists[0]);
    case TB_GETHOTIMAGELIST:
        return reinterpret_cast<LRESULT>(st->lists[1]);
    case TB_GETDISABLEDIMAGELIST:
        return reinterpret_cast<LRESULT>(st->lists[2]);
    case TB_ADDBUTTONS: {
        auto* list = reinterpret_cast<const TBBUTTON*>(lParam);
        if (!list) return FALSE;
        for (UINT i = 0; i < static_cast<UINT>(wParam); ++i) Insert(hwnd, st, -1, &list[i]);
        return TRUE;
    }
    case TB_INSERTBUTTON:
        return Insert(hwnd, st, static_cast<int>(wParam), reinterpret_cast<const TBBUTTON*>(lParam)) ? TRUE : FALSE;
    case TB_DELETEBUTTON: {
        int index = static_cast<int>(wParam);
        if (index < 0 || static_cast<size_t>(index) >= st->buttons.size()) return FALSE;
        RemoveTool(hwnd, st, st->buttons[static_cast<size_t>(index)]);
        st->buttons.erase(st->buttons.begin() + index);
        st->hot = st->pressed = -1;
        Layout(hwnd, st);
        return TRUE;
    }
    case TB_BUTTONCOUNT:
        return static_cast<LRESULT>(st->buttons.size());
    case TB_GETBUTTON: {
        int index = static_cast<int>(wParam);
        if (index < 0 || static_cast<size_t>(index) >= st->buttons.size() || !lParam) return FALSE;
        *reinterpret_cast<TBBUTTON*>(lParam) = st->buttons[static_cast<size_t>(index)].b;
        return TRUE;
    }
    case TB_COMMANDTOINDEX:
        return IndexOf(st, static_cast<int>(wParam));
    case TB_SETSTATE: {
        int index = IndexOf(st, static_cast<int>(wParam));
        if (index < 0) return FALSE;
        Button& btn = st->buttons[static_cast<size_t>(index)];
        BYTE before = btn.b.fsState;
        btn.b.fsState = static_cast<BYTE>(LOWORD(lParam));
        if ((before ^ btn.b.fsState) & TBSTATE_HIDDEN) Layout(hwnd, st);
        else if (before != btn.b.fsState) RedrawButton(hwnd, st, index);
        if (!(btn.b.fsState & TBSTATE_ENABLED) && st->hot == index) st->hot = -1;
        return TRUE;
    }
    case TB_GETSTATE: {
        int index = IndexOf(st, static_cast<int>(wParam));
        return index < 0 ? -1 : st->buttons[static_cast<size_t>(index)].b.fsState;
    }
    case TB_CHECKBUTTON:
    case TB_ENABLEBUTTON:
    case TB_PRESSBUTTON:
    case TB_HIDEBUTTON: {
        int index = IndexOf(st, static_cast<int>(wParam));
        if (index < 0) return FALSE;
        bool on = LOWORD(lParam) != 0;
        if (msg == TB_CHECKBUTTON) {
            SetChecked(hwnd, st, index, on);
            return TRUE;
        }
        BYTE bit = msg == TB_ENABLEBUTTON ? TBSTATE_ENABLED : msg == TB_PRESSBUTTON ? TBSTATE_PRESSED : TBSTATE_HIDDEN;
        Button& btn = st->buttons[static_cast<size_t>(index)];
        BYTE before = btn.b.fsState;
        if (on) btn.b.fsState |= bit;
        else btn.b.fsState &= static_cast<BYTE>(~bit);
        if (bit == TBSTATE_HIDDEN && before != btn.b.fsState) Layout(hwnd, st);
        else if (before != btn.b.fsState) RedrawButton(hwnd, st, index);
        if (bit == TBSTATE_ENABLED && !on && st->hot == index) st->hot = -1;
        return TRUE;
    }
    case TB_ISBUTTONCHECKED:
    case TB_ISBUTTONENABLED:
    case TB_ISBUTTONPRESSED:
    case TB_ISBUTTONHIDDEN: {
        int index = IndexOf(st, static_cast<int>(wParam));
        if (index < 0) return 0;
        BYTE bit = msg == TB_ISBUTTONCHECKED ? TBSTATE_CHECKED
                   : msg == TB_ISBUTTONENABLED ? TBSTATE_ENABLED
                   : msg == TB_ISBUTTONPRESSED ? TBSTATE_PRESSED
                                               : TBSTATE_HIDDEN;
        return (st->buttons[static_cast<size_t>(index)].b.fsState & bit) ? TRUE : FALSE;
    }
    case TB_GETRECT:
    case TB_GETITEMRECT: {
        int index = msg == TB_GETRECT ? IndexOf(st, static_cast<int>(wParam)) : static_cast<int>(wParam);
        if (index < 0 || static_cast<size_t>(index) >= st->buttons.size() || !lParam) return FALSE;
        *reinterpret_cast<RECT*>(lParam) = st->buttons[static_cast<size_t>(index)].rc;
        return TRUE;
    }
    case TB_GETMAXSIZE: {
        if (!lParam) return FALSE;
        int right = 0;
        for (const Button& btn : st->buttons) right = std::max(right, static_cast<int>(btn.rc.right));
        *reinterpret_cast<SIZE*>(lParam) = SIZE{right, ButtonHeight(st)};
        return TRUE;
    }
    case TB_AUTOSIZE: {
        Layout(hwnd, st);
        DWORD style = Style(hwnd);
        if (style & CCS_NORESIZE) return 0;
        int right = 0;
        for (const Button& btn : st->buttons) right = std::max(right, static_cast<int>(btn.rc.right));
        int h = ButtonHeight(st);
        HWND parent = GetParent(hwnd);
        if (style & CCS_NOPARENTALIGN) {
            SetWindowPos(hwnd, nullptr, 0, 0, right, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        } else if (parent) {
            RECT pc;
            GetClientRect(parent, &pc);
            int y = (style & CCS_BOTTOM) == CCS_BOTTOM ? pc.bottom - h : 0;
            SetWindowPos(hwnd, nullptr, 0, y, pc.right - pc.left, h, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return 0;
    }
    case TB_SETEXTENDEDSTYLE: {
        DWORD old = st->exStyle;
        st->exStyle = static_cast<DWORD>(lParam);
        Layout(hwnd, st);
        return static_cast<LRESULT>(old);
    }
    case TB_GETEXTENDEDSTYLE:
        return static_cast<LRESULT>(st->exStyle);
    case TB_GETTOOLTIPS:
        return reinterpret_cast<LRESULT>(st->tooltip);
    case TB_SETTOOLTIPS:
        st->tooltip = reinterpret_cast<HWND>(wParam);
        for (const Button& btn : st->buttons) AddTool(hwnd, st, btn);
        return 0;
    case TB_SETBUTTONSIZE:
        st->button = SIZE{LOWORD(lParam), HIWORD(lParam)};
        Layout(hwnd, st);
        return TRUE;
    case TB_SETBITMAPSIZE:
        st->bitmap = SIZE{LOWORD(lParam), HIWORD(lParam)};
        Layout(hwnd, st);
        return TRUE;
    case TB_GETBUTTONSIZE:
        return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(ButtonWidth(st)), static_cast<WORD>(ButtonHeight(st))));
    case TB_GETHOTITEM:
        return st->hot;
    case TB_SETHOTITEM: {
        int old = st->hot;
        int index = static_cast<int>(wParam);
        SetHot(hwnd, st, index >= 0 && static_cast<size_t>(index) < st->buttons.size() ? index : -1);
        return old;
    }
    case TB_GETSTYLE:
        return static_cast<LRESULT>(Style(hwnd));
    case TB_SETSTYLE:
        SetWindowLongPtr(hwnd, GWL_STYLE, static_cast<LONG_PTR>(lParam));
        Layout(hwnd, st);
        return 0;
    case TB_GETROWS:
        return 1;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

WNDPROC ToolbarWndProc() { return ControlProc<ToolbarState, Paint, ToolbarMessage>; }

} // namespace win::detail
