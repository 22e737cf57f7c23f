// Dialogs from templates: creation, dialog units, the default dialog procedure, modal loops and EndDialog.
#include <cstdlib>
#include <unordered_map>

#include "control_util.h"
#include "dialog_data.h"

namespace win {

namespace detail {

namespace {

std::unordered_map<HWND, DialogInfo>& Dialogs() {
    static std::unordered_map<HWND, DialogInfo> dialogs;
    return dialogs;
}

DLGPROC ProcOf(HWND hwnd) { return reinterpret_cast<DLGPROC>(GetWindowLongPtr(hwnd, DWLP_DLGPROC)); }

// Messages whose dialog-procedure result is the message result itself (not DWLP_MSGRESULT).
bool ReturnsDirectly(UINT msg) {
    switch (msg) {
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC:
    case WM_COMPAREITEM:
    case WM_VKEYTOITEM:
    case WM_CHARTOITEM:
    case WM_INITDIALOG:
        return true;
    default:
        return false;
    }
}

HWND FindDefaultButton(HWND dlg) {
    for (HWND w = GetWindow(dlg, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (SendMessage(w, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON) return w;
    return nullptr;
}

void SetDefaultId(HWND dlg, DialogInfo* info, int id) {
    HWND old = info->defId ? GetDlgItem(dlg, info->defId) : FindDefaultButton(dlg);
    if (old && (SendMessage(old, WM_GETDLGCODE, 0, 0) & DLGC_DEFPUSHBUTTON))
        SendMessage(old, BM_SETSTYLE, BS_PUSHBUTTON | (Style(old) & 0xFFF0), TRUE);
    info->defId = id;
    HWND now = GetDlgItem(dlg, id);
    if (now && (SendMessage(now, WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON))
        SendMessage(now, BM_SETSTYLE, BS_DEFPUSHBUTTON | (Style(now) & 0xFFF0), TRUE);
}

void FocusFirstTabStop(HWND dlg) {
    HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE);
    if (!first) return;
    SetFocus(first);
    if (SendMessage(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessage(first, EM_SETSEL, 0, -1);
}

} // namespace

DialogInfo* FindDialogInfo(HWND hwnd) {
    auto it = Dialogs().find(hwnd);
    return it == Dialogs().end() ? nullptr : &it->second;
}

void DialogBaseUnits(HFONT font, int* baseX, int* baseY) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    SIZE sz{};
    GetTextExtentPoint32(dc, alphabet, 52, &sz);
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    DeleteDC(dc);
    *baseX = sz.cx > 0 ? (sz.cx / 26 + 1) / 2 : 6;
    *baseY = tm.tmHeight > 0 ? tm.tmHeight : 13;
}

HFONT CreateDialogFont(const char* face, int pointSize) {
    if (pointSize <= 0) pointSize = 8;
    int height = -(pointSize * 96 + 36) / 72;
    return CreateFont(height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                      DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, face && *face ? face : "MS Shell Dlg");
}

LRESULT DefDialogWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCDESTROY) {
        auto it = Dialogs().find(hwnd);
        if (it != Dialogs().end()) {
            if (it->second.ownsFont && it->second.font) DeleteObject(it->second.font);
            Dialogs().erase(it);
        }
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
    if (DLGPROC proc = ProcOf(hwnd)) {
        SetWindowLongPtr(hwnd, DWLP_MSGRESULT, 0);
        INT_PTR handled = proc(hwnd, msg, wParam, lParam);
        if (!IsWindow(hwnd)) return 0;
        if (ReturnsDirectly(msg)) {
            if (handled || msg == WM_INITDIALOG) return handled;
        } else if (handled) {
            return GetWindowLongPtr(hwnd, DWLP_MSGRESULT);
        }
    }
    DialogInfo* info = FindDialogInfo(hwnd);
    switch (msg) {
    case WM_ERASEBKGND: {
        RECT rc;
        GetClientRect(hwnd, &rc);
        auto dc = reinterpret_cast<HDC>(wParam);
        HBRUSH brush = reinterpret_cast<HBRUSH>(
            SendMessage(hwnd, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(hwnd)));
        FillRect(dc, &rc, brush ? brush : GetSysColorBrush(COLOR_BTNFACE));
        return 1;
    }
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORMSGBOX:
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
        SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOW));
        SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_WINDOWTEXT));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
    case WM_CLOSE: {
        HWND cancel = GetDlgItem(hwnd, IDCANCEL);
        if (!cancel || IsWindowEnabled(cancel))
            PostMessage(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel));
        return 0;
    }
    case WM_SETFOCUS:
        if (info && info->savedFocus && IsWindow(info->savedFocus) && IsChild(hwnd, info->savedFocus))
            SetFocus(info->savedFocus);
        else
            FocusFirstTabStop(hwnd);
        return 0;
    case WM_ACTIVATE: {
        // Leaving keeps the focused control; coming back (say after a nested message box) restores it.
        HWND focus = GetFocus();
        bool inside = focus && (focus == hwnd || IsChild(hwnd, focus));
        if (info && LOWORD(wParam) == WA_INACTIVE) {
            if (focus && IsChild(hwnd, focus)) info->savedFocus = focus;
        } else if (info && !inside && !(GetWindowLongPtr(hwnd, GWL_STYLE) & WS_MINIMIZE)) {
            if (info->savedFocus && IsWindow(info->savedFocus) && IsChild(hwnd, info->savedFocus))
                SetFocus(info->savedFocus);
            else
                FocusFirstTabStop(hwnd);
        }
        return 0;
    }
    case WM_SETFONT:
        if (info) info->font = reinterpret_cast<HFONT>(wParam);
        return 0;
    case WM_GETFONT:
        return info ? reinterpret_cast<LRESULT>(info->font) : 0;
    case WM_NEXTDLGCTL: {
        HWND target = LOWORD(lParam) ? reinterpret_cast<HWND>(wParam)
                                     : GetNextDlgTabItem(hwnd, GetFocus(), wParam ? TRUE : FALSE);
        if (target) {
            SetFocus(target);
            if (SendMessage(target, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessage(target, EM_SETSEL, 0, -1);
        }
        return 0;
    }
    case DM_GETDEFID: {
        if (!info) return 0;
        int id = info->defId;
        if (!id) {
            HWND def = FindDefaultButton(hwnd);
            id = def ? GetDlgCtrlID(def) : 0;
        }
        return id ? static_cast<LRESULT>(MAKELONG(static_cast<WORD>(id), DC_HASDEFID)) : 0;
    }
    case DM_SETDEFID:
        if (info) SetDefaultId(hwnd, info, static_cast<int>(wParam));
        return TRUE;
    case WM_GETDLGCODE:
        return 0;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace detail

using detail::DialogInfo;
using detail::FindDialogInfo;

LRESULT DefDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    return detail::DefDialogWndProc(dlg, msg, wParam, lParam);
}

namespace {

int Scale(int v, int base, int div) {
    long long r = static_cast<long long>(v) * base;
    return static_cast<int>(r >= 0 ? (r + div / 2) / div : -((-r + div / 2) / div));
}

HWND CreateFromTemplate(HINSTANCE module, const DialogTemplate* tmpl, HWND parent, DLGPROC proc, LPARAM param,
                        bool modal) {
    detail::EnsureControlClasses();
    if (!tmpl || (tmpl->count > 0 && !tmpl->items) || tmpl->count < 0) return nullptr;
    if (parent && !IsWindow(parent)) return nullptr;

    HFONT font = detail::CreateDialogFont(tmpl->fontFace, tmpl->pointSize);
    int baseX = 6, baseY = 13;
    detail::DialogBaseUnits(font, &baseX, &baseY);

    DWORD style = tmpl->style & ~WS_VISIBLE;
    DWORD exStyle = tmpl->exStyle;
    bool child = (style & WS_CHILD) != 0;
    if (style & DS_CONTROL) exStyle |= WS_EX_CONTROLPARENT;
    if (modal) style = (style & ~WS_CHILD) | WS_POPUP;

    int x = Scale(tmpl->x, baseX, 4), y = Scale(tmpl->y, baseY, 8);
    int cx = Scale(tmpl->cx, baseX, 4), cy = Scale(tmpl->cy, baseY, 8);
    // A pop-up dialog is placed relative to its owner's client area.
    if (!child && parent) {
        POINT origin{0, 0};
        ClientToScreen(parent, &origin);
        x += origin.x;
        y += origin.y;
    }
    HWND dlg = CreateWindowEx(exStyle, tmpl->className ? tmpl->className : WC_DIALOG, tmpl->title ? tmpl->title : "",
                              style, x, y, cx, cy, parent, nullptr, module, nullptr);
    if (!dlg) {
        DeleteObject(font);
        return nullptr;
    }
    // The template gives the client size; grow the window by whatever frame it has.
    RECT client, window;
    GetClientRect(dlg, &client);
    GetWindowRect(dlg, &window);
    int frameW = (window.right - window.left) - (client.right - client.left);
    int frameH = (window.bottom - window.top) - (client.bottom - client.top);
    if (frameW > 0 || frameH > 0) SetWindowPos(dlg, nullptr, 0, 0, cx + frameW, cy + frameH, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    DialogInfo& info = detail::Dialogs()[dlg];
    info.font = font;
    info.ownsFont = true;
    info.baseX = baseX;
    info.baseY = baseY;
    info.modal = modal;
    SetWindowLongPtr(dlg, DWLP_DLGPROC, reinterpret_cast<LONG_PTR>(proc));
    SendMessage(dlg, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (!IsWindow(dlg)) return nullptr;

    for (int i = 0; i < tmpl->count; ++i) {
        const DialogItemTemplate& it = tmpl->items[i];
        DWORD itemStyle = it.style | WS_CHILD | WS_VISIBLE;
        DWORD itemExStyle = it.exStyle | WS_EX_NOPARENTNOTIFY;
        // Dialogs have the 3-D look: a flat border becomes a sunken edge.
        if ((itemStyle & WS_CAPTION) == WS_BORDER) {
            itemStyle &= ~WS_BORDER;
            itemExStyle |= WS_EX_CLIENTEDGE;
        }
        HWND ctl = CreateWindowEx(itemExStyle, it.className ? it.className : WC_STATIC,
                                  it.text ? it.text : "", itemStyle, Scale(it.x, baseX, 4), Scale(it.y, baseY, 8),
                                  Scale(it.cx, baseX, 4), Scale(it.cy, baseY, 8), dlg,
                                  reinterpret_cast<HMENU>(static_cast<INT_PTR>(it.id)), module, nullptr);
        if (!ctl) {
            if (tmpl->style & DS_NOFAILCREATE) continue;
            DestroyWindow(dlg);
            return nullptr;
        }
        SendMessage(ctl, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    }

    if ((tmpl->style & (DS_CENTER | DS_CENTERMOUSE)) && !child) {
        RECT wr, area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        GetWindowRect(dlg, &wr);
        if (parent) GetWindowRect(GetAncestor(parent, GA_ROOT) ? GetAncestor(parent, GA_ROOT) : parent, &area);
        int w = wr.right - wr.left, h = wr.bottom - wr.top;
        int nx = area.left + ((area.right - area.left) - w) / 2;
        int ny = area.top + ((area.bottom - area.top) - h) / 2;
        int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
        if (sw > 0) nx = std::max(0, std::min(nx, sw - w));
        if (sh > 0) ny = std::max(0, std::min(ny, sh - h));
        SetWindowPos(dlg, nullptr, nx, ny, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    HWND firstTab = GetNextDlgTabItem(dlg, nullptr, FALSE);
    LRESULT setFocus = SendMessage(dlg, WM_INITDIALOG, reinterpret_cast<WPARAM>(firstTab), param);
    if (!IsWindow(dlg)) return nullptr;
    if (setFocus) {
        HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE);
        if (first) {
            SetFocus(first);
            if (SendMessage(first, WM_GETDLGCODE, 0, 0) & DLGC_HASSETSEL) SendMessage(first, EM_SETSEL, 0, -1);
        }
    }
    if (!IsWindow(dlg)) return nullptr;
    DialogInfo* live = FindDialogInfo(dlg);
    if ((tmpl->style & WS_VISIBLE) && live && !live->ended) ShowWindow(dlg, SW_SHOWNORMAL);
    return dlg;
}

} // namespace

HWND CreateDialogIndirectParam(HINSTANCE module, const DialogTemplate* tmpl, HWND parent, DLGPROC proc, LPARAM param) {
    return CreateFromTemplate(module, tmpl, parent, proc, param, false);
}

HWND CreateDialogParam(HINSTANCE module, LPCSTR name, HWND parent, DLGPROC proc, LPARAM param) {
    return CreateFromTemplate(module, FindDialogResource(module, name), parent, proc, param, false);
}

INT_PTR DialogBoxIndirectParam(HINSTANCE module, const DialogTemplate* tmpl, HWND owner, DLGPROC proc, LPARAM param) {
    if (owner && !IsWindow(owner)) return -1;
    if (owner) {
        HWND root = GetAncestor(owner, GA_ROOT);
        if (root) owner = root;
    }
    HWND dlg = CreateFromTemplate(module, tmpl, owner, proc, param, true);
    if (!dlg) return -1;
    bool ownerWasEnabled = owner && IsWindowEnabled(owner);
    if (ownerWasEnabled) EnableWindow(owner, FALSE);

    DialogInfo* info = FindDialogInfo(dlg);
    if (info && !info->ended) {
        ShowWindow(dlg, SW_SHOWNORMAL);
        detail::RunDialogAnswer(dlg);
    }
    bool idleSent = false;
    bool quit = false;
    int quitCode = 0;
    while (IsWindow(dlg) && (info = FindDialogInfo(dlg)) && !info->ended) {
        MSG msg;
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!idleSent && owner && !(tmpl->style & DS_NOIDLEMSG)) {
                idleSent = true;
                SendMessage(owner, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(dlg));
                continue;
            }
            BOOL got = GetMessage(&msg, nullptr, 0, 0);
            if (got == -1) break;
            if (got == 0) {
                quit = true;
                quitCode = static_cast<int>(msg.wParam);
                break;
            }
        } else if (msg.message == WM_QUIT) {
            quit = true;
            quitCode = static_cast<int>(msg.wParam);
            break;
        }
        idleSent = false;
        if (!IsDialogMessage(dlg, &msg)) {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    INT_PTR result = -1;
    if ((info = FindDialogInfo(dlg))) result = info->ended ? info->result : IDCANCEL;
    if (ownerWasEnabled) EnableWindow(owner, TRUE);
    if (IsWindow(dlg)) DestroyWindow(dlg);
    if (owner && IsWindow(owner) && ownerWasEnabled) SetActiveWindow(owner);
    if (quit) PostQuitMessage(quitCode);
    return result;
}

INT_PTR DialogBoxParam(HINSTANCE module, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
    const DialogTemplate* tmpl = FindDialogResource(module, name);
    if (!tmpl) return -1;
    return DialogBoxIndirectParam(module, tmpl, owner, proc, param);
}

BOOL EndDialog(HWND dlg, INT_PTR result) {
    DialogInfo* info = FindDialogInfo(dlg);
    if (!info) return FALSE;
    info->ended = true;
    info->result = result;
    if (info->modal) {
        ShowWindow(dlg, SW_HIDE);
        PostMessage(dlg, WM_NULL, 0, 0); // wakes the modal loop
    }
    return TRUE;
}

BOOL MapDialogRect(HWND dlg, LPRECT rect) {
    DialogInfo* info = FindDialogInfo(dlg);
    if (!info || !rect) return FALSE;
    rect->left = Scale(rect->left, info->baseX, 4);
    rect->right = Scale(rect->right, info->baseX, 4);
    rect->top = Scale(rect->top, info->baseY, 8);
    rect->bottom = Scale(rect->bottom, info->baseY, 8);
    return TRUE;
}

LONG GetDialogBaseUnits() {
    static LONG units = [] {
        HFONT font = detail::CreateDialogFont(nullptr, 8);
        int x = 6, y = 13;
        detail::DialogBaseUnits(font, &x, &y);
        DeleteObject(font);
        return static_cast<LONG>(MAKELONG(static_cast<WORD>(x), static_cast<WORD>(y)));
    }();
    return units;
}

BOOL SetDlgItemText(HWND dlg, int id, LPCSTR text) {
    HWND ctl = GetDlgItem(dlg, id);
    return ctl ? SetWindowText(ctl, text ? text : "") : FALSE;
}

UINT GetDlgItemText(HWND dlg, int id, LPSTR buffer, int capacity) {
    if (!buffer || capacity <= 0) return 0;
    buffer[0] = 0;
    HWND ctl = GetDlgItem(dlg, id);
    if (!ctl) return 0;
    int n = GetWindowText(ctl, buffer, capacity);
    return n > 0 ? static_cast<UINT>(n) : 0;
}

BOOL CheckDlgButton(HWND dlg, int id, UINT check) {
    HWND ctl = GetDlgItem(dlg, id);
    if (!ctl) return FALSE;
    SendMessage(ctl, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dlg, int id) {
    HWND ctl = GetDlgItem(dlg, id);
    return ctl ? static_cast<UINT>(SendMessage(ctl, BM_GETCHECK, 0, 0)) : 0;
}

LRESULT SendDlgItemMessage(HWND dlg, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND ctl = GetDlgItem(dlg, id);
    return ctl ? SendMessage(ctl, msg, wParam, lParam) : 0;
}

} // namespace win
