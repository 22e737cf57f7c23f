// DefWindowProc: the classic default handling of the messages the layer's users rely on.
#include "internal.h"
#include "win/gdi.h"

#include <cstring>

namespace win {
namespace core {
namespace {

RECT DefaultInset(const Window* w) {
    RECT in{};
    if (!w->parent && !(w->style & WS_POPUP)) return in; // headless top-level windows have no frame
    int b = 0;
    if (w->exStyle & WS_EX_CLIENTEDGE) b += 2;
    if (w->exStyle & WS_EX_STATICEDGE) b += 1;
    if ((w->style & WS_CAPTION) == WS_BORDER) b += 1;
    else if (w->style & WS_DLGFRAME) b += 3;
    if (w->exStyle & WS_EX_DLGMODALFRAME) b += 3;
    return RECT{b, b, b, b};
}

std::uint32_t SysPixel(int index) {
    COLORREF c = GetSysColor(index);
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}

// One ring of the frame: top/left in one colour, bottom/right in another.
void Ring(Window* top, const std::vector<RECT>& clip, RECT r, std::uint32_t tl, std::uint32_t br) {
    auto put = [&](LONG x, LONG y, std::uint32_t c) {
        for (const RECT& k : clip)
            if (x >= k.left && x < k.right && y >= k.top && y < k.bottom) {
                top->pixels[static_cast<std::size_t>(y) * top->fbWidth + x] = c;
                return;
            }
    };
    for (LONG x = r.left; x < r.right; ++x) {
        put(x, r.top, tl);
        put(x, r.bottom - 1, br);
    }
    for (LONG y = r.top; y < r.bottom; ++y) {
        put(r.left, y, tl);
        put(r.right - 1, y, br);
    }
}

void PaintFrame(Window* w) {
    if (!(w->inset.left || w->inset.top || w->inset.right || w->inset.bottom)) return;
    Window* top = TopOf(w);
    std::vector<RECT> clip = VisibleClientClip(w, true);
    POINT c = ClientOriginInTop(w);
    RECT r{c.x - w->inset.left, c.y - w->inset.top, c.x - w->inset.left + w->width(), c.y - w->inset.top + w->height()};
    auto shrink = [&] { r = RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}; };
    if ((w->style & WS_CAPTION) == WS_BORDER) {
        Ring(top, clip, r, SysPixel(COLOR_WINDOWFRAME), SysPixel(COLOR_WINDOWFRAME));
        shrink();
    } else if (w->style & WS_DLGFRAME) {
        Ring(top, clip, r, SysPixel(COLOR_3DLIGHT), SysPixel(COLOR_3DDKSHADOW));
        shrink();
        Ring(top, clip, r, SysPixel(COLOR_3DHIGHLIGHT), SysPixel(COLOR_3DSHADOW));
        shrink();
        Ring(top, clip, r, SysPixel(COLOR_3DFACE), SysPixel(COLOR_3DFACE));
        shrink();
    }
    if (w->exStyle & WS_EX_STATICEDGE) {
        Ring(top, clip, r, SysPixel(COLOR_3DSHADOW), SysPixel(COLOR_3DHIGHLIGHT));
        shrink();
    }
    if (w->exStyle & WS_EX_CLIENTEDGE) {
        Ring(top, clip, r, SysPixel(COLOR_3DSHADOW), SysPixel(COLOR_3DHIGHLIGHT));
        shrink();
        Ring(top, clip, r, SysPixel(COLOR_3DDKSHADOW), SysPixel(COLOR_3DLIGHT));
    }
    RECT dirty{};
    for (const RECT& k : clip) dirty = UnionRects(dirty, k);
    Present(top, dirty);
}

LPARAM ScreenPointParam(HWND hwnd, LPARAM clientParam) {
    POINT p{GET_X_LPARAM(clientParam), GET_Y_LPARAM(clientParam)};
    ClientToScreen(hwnd, &p);
    return MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y));
}

// A context menu asked for from the keyboard carries (-1, -1): all bits set, whichever way it is read.
constexpr LPARAM kKeyboardPoint = -1;

} // namespace
} // namespace core

using namespace core;

LRESULT DefWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    switch (msg) {
    case WM_NCCREATE: {
        auto* cs = reinterpret_cast<CREATESTRUCT*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
        return TRUE;
    }
    case WM_NCCALCSIZE:
        if (lParam) {
            auto* r = reinterpret_cast<RECT*>(lParam);
            RECT in = DefaultInset(w);
            r->left += in.left;
            r->top += in.top;
            r->right = std::max(r->left, r->right - in.right);
            r->bottom = std::max(r->top, r->bottom - in.bottom);
        }
        return 0;
    case WM_NCHITTEST: {
        POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT wr;
        GetWindowRect(hwnd, &wr);
        if (p.x < wr.left || p.x >= wr.right || p.y < wr.top || p.y >= wr.bottom) return HTNOWHERE;
        POINT c = ClientOriginOnScreen(w);
        if (p.x >= c.x && p.x < c.x + w->clientWidth() && p.y >= c.y && p.y < c.y + w->clientHeight()) return HTCLIENT;
        return HTBORDER;
    }
    case WM_NCPAINT: PaintFrame(w); return 0;
    case WM_NCACTIVATE: return TRUE;
    case WM_ERASEBKGND: {
        if (!w->cls->background || !wParam) return 0;
        RECT rc{0, 0, w->clientWidth(), w->clientHeight()};
        FillRect(reinterpret_cast<HDC>(wParam), &rc, w->cls->background);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (BeginPaint(hwnd, &ps)) EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETTEXT:
        w->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return TRUE;
    case WM_GETTEXT: {
        auto* buf = reinterpret_cast<char*>(lParam);
        if (!buf || wParam == 0) return 0;
        std::size_t n = std::min<std::size_t>(w->text.size(), wParam - 1);
        while (n > 0 && n < w->text.size() && (static_cast<unsigned char>(w->text[n]) & 0xC0) == 0x80) --n;
        std::memcpy(buf, w->text.data(), n);
        buf[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->text.size());
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessage(hwnd, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); break;
        default: break;
        }
        return 0;
    case WM_SETCURSOR: {
        if (w->parent && (w->style & WS_CHILD) && SendTo(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
        auto ht = static_cast<SHORT>(LOWORD(static_cast<DWORD_PTR>(lParam)));
        if (ht == HTCLIENT) {
            if (w->cls->cursor) {
                SetCursor(w->cls->cursor);
                return TRUE;
            }
            return FALSE;
        }
        if (ht == HTERROR) return FALSE;
        SetCursor(LoadCursor(nullptr, IDC_ARROW));
        return TRUE;
    }
    case WM_MOUSEACTIVATE:
        if (w->parent) {
            LRESULT r = SendTo(w->parent, WM_MOUSEACTIVATE, wParam, lParam);
            if (r) return r;
        }
        return MA_ACTIVATE;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !(w->style & WS_MINIMIZE)) {
            Window* f = Get(GetFocus());
            if (!f || TopOf(f) != w) SetFocus(hwnd);
        }
        return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        if (w->parent) return SendTo(w->parent, msg, wParam, lParam);
        return 0;
    case WM_RBUTTONUP:
        SendTo(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), ScreenPointParam(hwnd, lParam));
        return 0;
    case WM_NCRBUTTONUP:
        SendTo(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), lParam);
        return 0;
    case WM_CONTEXTMENU:
        if (w->parent) SendTo(w->parent, WM_CONTEXTMENU, wParam, lParam);
        return 0;
    case WM_SYSKEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_F10) && (GetKeyState(VK_SHIFT) & 0x8000))
            SendTo(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), kKeyboardPoint);
        else if (wParam == static_cast<WPARAM>(VK_F4) && (lParam & KF_ALTDOWN_BIT))
            SendMessage(TopOf(w)->handle, WM_SYSCOMMAND, SC_CLOSE, 0);
        return 0;
    case WM_KEYDOWN:
        if (wParam == static_cast<WPARAM>(VK_F1)) {
            HELPINFO hi{sizeof(HELPINFO), HELPINFO_WINDOW, GetDlgCtrlID(hwnd), hwnd, 0, G().cursorPos};
            SendTo(w, WM_HELP, 0, reinterpret_cast<LPARAM>(&hi));
        }
        return 0;
    case WM_KEYUP:
        if (wParam == static_cast<WPARAM>(VK_APPS))
            SendTo(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(hwnd), kKeyboardPoint);
        return 0;
    case WM_HELP:
        if (w->parent) return SendTo(w->parent, WM_HELP, wParam, lParam);
        if (w->owner) return SendTo(w->owner, WM_HELP, wParam, lParam);
        return 0;
    case WM_WINDOWPOSCHANGED: {
        auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
        if (!wp) return 0;
        if (!(wp->flags & SWP_NOCLIENTMOVE))
            SendTo(w, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(w->rect.left + w->inset.left),
                                             static_cast<WORD>(w->rect.top + w->inset.top)));
        if (!(wp->flags & SWP_NOCLIENTSIZE) && Get(hwnd)) {
            WPARAM kind = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
            SendTo(w, WM_SIZE, kind, MAKELPARAM(static_cast<WORD>(w->clientWidth()), static_cast<WORD>(w->clientHeight())));
        }
        return 0;
    }
    case WM_CANCELMODE:
        if (GetCapture() == hwnd) ReleaseCapture();
        return 0;
    case WM_SETREDRAW: w->redrawOff = wParam == 0; return 0;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        auto dc = reinterpret_cast<HDC>(wParam);
        bool field = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
        int back = field ? COLOR_WINDOW : COLOR_3DFACE;
        if (dc) {
            SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(back));
        }
        return reinterpret_cast<LRESULT>(GetSysColorBrush(back));
    }
    default: return 0;
    }
}

} // namespace win
