// The STATIC class: left, right and centred text, etched lines and frames, and plain rectangles.
#include "control_proc.h"

namespace win::detail {

namespace {

struct StaticState {
    HFONT font = nullptr;
};

void PaintStatic(HWND hwnd, StaticState* st, HDC dc) {
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    RECT rc;
    GetClientRect(hwnd, &rc);
    DWORD style = Style(hwnd);
    DWORD kind = style & SS_TYPEMASK;
    switch (kind) {
    case SS_ETCHEDHORZ: {
        RECT line{rc.left, rc.top, rc.right, rc.top + 2};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
        return;
    }
    case SS_ETCHEDVERT: {
        RECT line{rc.left, rc.top, rc.left + 2, rc.bottom};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
        return;
    }
    case SS_ETCHEDFRAME:
        DrawEdge(dc, &rc, EDGE_ETCHED, BF_RECT);
        return;
    case SS_BLACKRECT:
    case SS_GRAYRECT:
    case SS_WHITERECT: {
        int color = kind == SS_BLACKRECT ? COLOR_3DDKSHADOW : kind == SS_GRAYRECT ? COLOR_3DSHADOW : COLOR_3DHILIGHT;
        FillRect(dc, &rc, GetSysColorBrush(color));
        return;
    }
    case SS_BLACKFRAME:
    case SS_GRAYFRAME:
    case SS_WHITEFRAME: {
        int color = kind == SS_BLACKFRAME ? COLOR_3DDKSHADOW : kind == SS_GRAYFRAME ? COLOR_3DSHADOW : COLOR_3DHILIGHT;
        FrameRect(dc, &rc, GetSysColorBrush(color));
        return;
    }
    case SS_OWNERDRAW:
    case SS_ICON:
        return;
    default:
        break;
    }
    HBRUSH bg = ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC, COLOR_BTNFACE);
    FillRect(dc, &rc, bg);
    if (style & SS_SUNKEN) DrawEdge(dc, &rc, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
    HGDIOBJ oldFont = SelectObject(dc, ControlFont(st->font));
    UINT format = DT_TOP;
    if (kind == SS_CENTER) format |= DT_CENTER | DT_WORDBREAK;
    else if (kind == SS_RIGHT) format |= DT_RIGHT | DT_WORDBREAK;
    else if (kind == SS_LEFT) format |= DT_LEFT | DT_WORDBREAK;
    else format |= DT_LEFT | DT_SINGLELINE;
    if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
    if (style & SS_ENDELLIPSIS) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_END_ELLIPSIS;
    if (style & SS_CENTERIMAGE) format = (format & ~DT_WORDBREAK) | DT_SINGLELINE | DT_VCENTER;
    COLORREF textColor = GetTextColor(dc);
    // The parent's WM_CTLCOLORSTATIC may have set a text colour; without a parent answer use the system one.
    if (!GetParent(hwnd)) textColor = GetSysColor(COLOR_WINDOWTEXT);
    DrawControlText(dc, WindowText(hwnd), rc, format, IsWindowEnabled(hwnd) != FALSE, textColor);
    SelectObject(dc, oldFont);
}

LRESULT StaticMessage(HWND hwnd, StaticState*, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_NCHITTEST:
        return (Style(hwnd) & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_SETTEXT:
        return SetTextAndRedraw(hwnd, wParam, lParam);
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_LBUTTONDOWN:
        if (Style(hwnd) & SS_NOTIFY) NotifyParent(hwnd, STN_CLICKED);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (Style(hwnd) & SS_NOTIFY) NotifyParent(hwnd, STN_DBLCLK);
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

WNDPROC StaticWndProc() { return ControlProc<StaticState, PaintStatic, StaticMessage>; }

} // namespace win::detail
