// Message boxes: a modal dialog built from the text, caption, buttons and icon kind it is given.
#include <algorithm>
#include <vector>

#include "control_proc.h"
#include "dialog_data.h"

namespace win::detail {

extern const char* const kMessageBoxIconClass;
const char* const kMessageBoxIconClass = "VorMessageBoxIcon";

namespace {

constexpr int kIconId = 20;
constexpr int kTextId = 0xFFFF;

struct BoxParams {
    UINT type;
    std::vector<int> buttons;
};

// Draws the icon kind kept in the control's style: a red stop sign, a yellow warning triangle, or a
// blue information or question disc.
void PaintIcon(HWND hwnd, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    UINT kind = static_cast<UINT>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
    int size = std::min<int>(rc.right - rc.left, rc.bottom - rc.top);
    RECT icon{rc.left, rc.top, rc.left + size, rc.top + size};
    COLORREF fill = RGB(0, 90, 200);
    const char* mark = "i";
    if (kind == MB_ICONHAND) fill = RGB(210, 30, 30), mark = "X";
    else if (kind == MB_ICONQUESTION) mark = "?";
    else if (kind == MB_ICONEXCLAMATION) fill = RGB(240, 190, 0), mark = "!";
    HBRUSH brush = CreateSolidBrush(fill);
    HPEN pen = CreatePen(PS_SOLID, 1, kind == MB_ICONEXCLAMATION ? RGB(120, 90, 0) : RGB(40, 40, 40));
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    if (kind == MB_ICONEXCLAMATION) {
        POINT tri[3] = {{icon.left + size / 2, icon.top + 1}, {icon.right - 1, icon.bottom - 2}, {icon.left, icon.bottom - 2}};
        Polygon(dc, tri, 3);
    } else {
        Ellipse(dc, icon.left, icon.top, icon.right, icon.bottom);
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
    HFONT font = CreateFont(-size * 5 / 8, 0, 0, 0, FW_BOLD, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Shell Dlg");
    HGDIOBJ oldFont = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, kind == MB_ICONEXCLAMATION ? RGB(0, 0, 0) : RGB(255, 255, 255));
    RECT textRc = icon;
    if (kind == MB_ICONEXCLAMATION) textRc.top += size / 6;
    DrawText(dc, mark, -1, &textRc, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    DeleteObject(font);
}

LRESULT IconProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_PAINT) {
        PaintWindow(hwnd, [&](HDC dc) { PaintIcon(hwnd, dc); });
        return 0;
    }
    if (msg == WM_ERASEBKGND) return 1;
    if (msg == WM_GETDLGCODE) return DLGC_STATIC;
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

bool HasButton(const BoxParams* p, int id) { return std::find(p->buttons.begin(), p->buttons.end(), id) != p->buttons.end(); }

INT_PTR BoxProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* p = reinterpret_cast<BoxParams*>(GetWindowLongPtr(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        p = reinterpret_cast<BoxParams*>(lParam);
        SetWindowLongPtr(dlg, DWLP_USER, lParam);
        if (HWND icon = GetDlgItem(dlg, kIconId)) SetWindowLongPtr(icon, GWLP_USERDATA, p->type & MB_ICONMASK);
        size_t def = std::min<size_t>((p->type & MB_DEFMASK) >> 8, p->buttons.size() - 1);
        int defId = p->buttons[def];
        SendMessage(dlg, DM_SETDEFID, static_cast<WPARAM>(defId), 0);
        SetFocus(GetDlgItem(dlg, defId));
        return FALSE;
    }
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        if (id == IDCANCEL && !HasButton(p, IDCANCEL)) {
            // Escape means Cancel; with a single OK button it means OK; otherwise there is no way out by Escape.
            if (p->buttons.size() == 1 && p->buttons[0] == IDOK) id = IDOK;
            else return TRUE;
        }
        if (HasButton(p, id)) EndDialog(dlg, id);
        return TRUE;
    }
    default:
        return FALSE;
    }
}

const char* ButtonText(int id) {
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "&Abort";
    case IDRETRY: return "&Retry";
    case IDIGNORE: return "&Ignore";
    case IDYES: return "&Yes";
    case IDNO: return "&No";
    default: return "";
    }
}

} // namespace

WNDPROC MessageBoxIconWndProc() { return IconProc; }

} // namespace win::detail

namespace win {

int MessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    detail::EnsureControlClasses();
    detail::BoxParams params;
    params.type = type;
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: params.buttons = {IDOK, IDCANCEL}; break;
    case MB_ABORTRETRYIGNORE: params.buttons = {IDABORT, IDRETRY, IDIGNORE}; break;
    case MB_YESNOCANCEL: params.buttons = {IDYES, IDNO, IDCANCEL}; break;
    case MB_YESNO: params.buttons = {IDYES, IDNO}; break;
    case MB_RETRYCANCEL: params.buttons = {IDRETRY, IDCANCEL}; break;
    default: params.buttons = {IDOK}; break;
    }
    std::string body = text ? text : "";
    bool hasIcon = (type & MB_ICONMASK) != 0;

    // Measure the text in the dialog font, then lay everything out in dialog units.
    HFONT font = detail::CreateDialogFont(nullptr, 8);
    int baseX = 6, baseY = 13;
    detail::DialogBaseUnits(font, &baseX, &baseY);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    int maxText = GetSystemMetrics(SM_CXSCREEN) > 0 ? GetSystemMetrics(SM_CXSCREEN) * 3 / 5 : 600;
    RECT measure{0, 0, maxText, 0};
    DrawText(dc, body.empty() ? " " : body.c_str(), -1, &measure, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(font);
    auto toDuX = [&](int px) { return static_cast<short>((px * 4 + baseX - 1) / baseX); };
    auto toDuY = [&](int px) { return static_cast<short>((px * 8 + baseY - 1) / baseY); };

    short margin = 10, iconSize = 22, buttonW = 50, buttonH = 14, gap = 4;
    short textW = static_cast<short>(toDuX(measure.right - measure.left) + 2);
    short textH = std::max<short>(toDuY(measure.bottom - measure.top), 8);
    short textX = static_cast<short>(margin + (hasIcon ? iconSize + 8 : 0));
    short contentH = std::max<short>(textH, hasIcon ? iconSize : 0);
    short textY = static_cast<short>(margin + (contentH - textH) / 2);
    auto count = static_cast<short>(params.buttons.size());
    short buttonsW = static_cast<short>(count * buttonW + (count - 1) * gap);
    short width = std::max<short>(static_cast<short>(textX + textW + margin), static_cast<short>(buttonsW + 2 * margin));
    width = std::max<short>(width, 120);
    short buttonY = static_cast<short>(margin + contentH + 10);
    short height = static_cast<short>(buttonY + buttonH + 7);

    std::vector<DialogItemTemplate> items;
    if (hasIcon)
        items.push_back({detail::kMessageBoxIconClass, "", detail::kIconId, margin, margin, iconSize, iconSize, WS_VISIBLE});
    items.push_back({WC_STATIC, body.c_str(), detail::kTextId, textX, textY, textW, textH, WS_VISIBLE | SS_LEFT | SS_NOPREFIX});
    short bx = static_cast<short>(width - margin - buttonsW);
    for (size_t i = 0; i < params.buttons.size(); ++i) {
        DWORD style = WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON | (i == 0 ? WS_GROUP : 0);
        items.push_back({WC_BUTTON, detail::ButtonText(params.buttons[i]), params.buttons[i],
                         static_cast<short>(bx + static_cast<short>(i) * (buttonW + gap)), buttonY, buttonW, buttonH, style});
    }
    DialogTemplate tmpl{};
    tmpl.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_VISIBLE;
    tmpl.cx = width;
    tmpl.cy = height;
    tmpl.title = caption ? caption : "Error";
    tmpl.fontFace = "MS Shell Dlg";
    tmpl.pointSize = 8;
    tmpl.items = items.data();
    tmpl.count = static_cast<int>(items.size());
    INT_PTR r = DialogBoxIndirectParam(nullptr, &tmpl, owner, detail::BoxProc, reinterpret_cast<LPARAM>(&params));
    return r < 0 ? 0 : static_cast<int>(r);
}

} // namespace win
