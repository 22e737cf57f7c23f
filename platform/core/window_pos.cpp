// Window placement: moving, sizing, z-order, showing, minimising, maximising and activation.
#include "internal.h"

namespace win {
using namespace core;

static void Reorder(Window* w, HWND after) {
    auto& list = w->parent ? w->parent->children : G().topLevels;
    auto it = std::find(list.begin(), list.end(), w);
    if (it == list.end()) return;
    list.erase(it);
    if (after == HWND_TOP || after == HWND_TOPMOST || after == HWND_NOTOPMOST) {
        list.insert(list.begin(), w);
    } else if (after == HWND_BOTTOM) {
        list.push_back(w);
    } else {
        Window* a = Get(after);
        auto pos = a ? std::find(list.begin(), list.end(), a) : list.end();
        if (pos == list.end())
            list.insert(list.begin(), w);
        else
            list.insert(pos + 1, w);
    }
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    auto keep = Lookup(hwnd);
    if (!keep || !OnUiThread()) return FALSE;
    Window* w = keep.get();
    WINDOWPOS wp{hwnd, insertAfter, x, y, cx, cy, flags};
    if (flags & SWP_NOMOVE) {
        wp.x = w->rect.left;
        wp.y = w->rect.top;
    }
    if (flags & SWP_NOSIZE) {
        wp.cx = w->width();
        wp.cy = w->height();
    }
    if (!(flags & SWP_NOSENDCHANGING)) {
        SendTo(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
        if (!Get(hwnd)) return FALSE;
    }
    wp.cx = std::max(0, wp.cx);
    wp.cy = std::max(0, wp.cy);
    RECT old = w->rect;
    RECT next{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
    bool moved = next.left != old.left || next.top != old.top;
    bool sized = (next.right - next.left) != (old.right - old.left) || (next.bottom - next.top) != (old.bottom - old.top);
    bool redraw = !(wp.flags & SWP_NOREDRAW);
    CaretUndraw();
    RECT oldInset = w->inset;
    if (moved || sized) {
        if (w->parent && (w->style & WS_VISIBLE) && redraw) InvalidateInternal(w->parent, &old, true, kDefaultChildren, false);
        w->rect = next;
        if (sized || (wp.flags & SWP_FRAMECHANGED)) {
            NCCALCSIZE_PARAMS params{};
            params.rgrc[0] = RECT{0, 0, wp.cx, wp.cy};
            SendTo(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&params.rgrc[0]));
            if (!Get(hwnd)) return FALSE;
            RECT c = params.rgrc[0];
            w->inset = RECT{std::max(0, c.left), std::max(0, c.top), std::max(0, wp.cx - c.right),
                            std::max(0, wp.cy - c.bottom)};
        }
        if (!w->parent && sized) {
            AllocateFramebuffer(w);
            backend::Current().WindowResized(hwnd, w->fbWidth, w->fbHeight);
        }
        if (redraw && (sized || w->parent)) InvalidateInternal(w, nullptr, true, kAllChildren, true);
    } else if (wp.flags & SWP_FRAMECHANGED) {
        InvalidateInternal(w, nullptr, true, kAllChildren, true);
    }
    if (!(wp.flags & SWP_NOZORDER)) {
        Reorder(w, wp.hwndInsertAfter);
        if (w->parent && redraw) InvalidateInternal(w, nullptr, true, kAllChildren, true);
    }
    if ((wp.flags & SWP_SHOWWINDOW) && !(w->style & WS_VISIBLE)) {
        w->style |= WS_VISIBLE;
        if (!w->parent) backend::Current().WindowShown(hwnd, true);
        InvalidateInternal(w, nullptr, true, kAllChildren, true);
    } else if ((wp.flags & SWP_HIDEWINDOW) && (w->style & WS_VISIBLE)) {
        w->style &= ~WS_VISIBLE;
        if (w->parent)
            InvalidateInternal(w->parent, &w->rect, true, kDefaultChildren, false);
        else
            backend::Current().WindowShown(hwnd, false);
    }
    bool clientMoved = moved || oldInset.left != w->inset.left || oldInset.top != w->inset.top;
    bool clientSized = sized || oldInset.left + oldInset.right != w->inset.left + w->inset.right ||
                       oldInset.top + oldInset.bottom != w->inset.top + w->inset.bottom;
    if (!clientMoved) wp.flags |= SWP_NOCLIENTMOVE;
    if (!clientSized) wp.flags |= SWP_NOCLIENTSIZE;
    if (!moved) wp.flags |= SWP_NOMOVE;
    if (!sized) wp.flags |= SWP_NOSIZE;
    wp.x = w->rect.left;
    wp.y = w->rect.top;
    wp.cx = w->width();
    wp.cy = w->height();
    SendTo(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    CaretSync();
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

static void SendSize(Window* w, WPARAM kind) {
    WORD cw = kind == SIZE_MINIMIZED ? 0 : static_cast<WORD>(w->clientWidth());
    WORD ch = kind == SIZE_MINIMIZED ? 0 : static_cast<WORD>(w->clientHeight());
    SendTo(w, WM_SIZE, kind, MAKELPARAM(cw, ch));
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    auto keep = Lookup(hwnd);
    if (!keep || !OnUiThread()) return FALSE;
    Window* w = keep.get();
    BOOL wasVisible = (w->style & WS_VISIBLE) ? TRUE : FALSE;
    if (cmd == SW_HIDE) {
        if (!wasVisible) return FALSE;
        SendTo(w, WM_SHOWWINDOW, FALSE, 0);
        if (!Get(hwnd)) return wasVisible;
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        auto& g = G();
        if (g.active == hwnd) SetActiveWindow(nullptr);
        Window* f = Get(g.focus);
        if (f && IsDescendant(w, f)) SetFocus(w->parent ? w->parent->handle : nullptr);
        return wasVisible;
    }
    if (!wasVisible) {
        SendTo(w, WM_SHOWWINDOW, TRUE, 0);
        if (!Get(hwnd)) return wasVisible;
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (!Get(hwnd)) return wasVisible;
    }
    switch (cmd) {
    case SW_MINIMIZE:
    case SW_SHOWMINIMIZED:
    case SW_SHOWMINNOACTIVE:
        if (!(w->style & WS_MINIMIZE)) {
            w->style = (w->style | WS_MINIMIZE) & ~WS_MAXIMIZE;
            SendSize(w, SIZE_MINIMIZED);
        }
        break;
    case SW_SHOWMAXIMIZED:
        if (!(w->style & WS_MAXIMIZE)) {
            w->restoreRect = w->rect;
            w->style = (w->style | WS_MAXIMIZE) & ~WS_MINIMIZE;
            RECT area{0, 0, 0, 0};
            if (w->parent)
                area = RECT{0, 0, w->parent->clientWidth(), w->parent->clientHeight()};
            else
                area = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
            if (w->rect.left == area.left && w->rect.top == area.top && w->width() == area.right &&
                w->height() == area.bottom)
                SendSize(w, SIZE_MAXIMIZED);
            else
                SetWindowPos(hwnd, nullptr, area.left, area.top, area.right, area.bottom, SWP_NOZORDER | SWP_NOACTIVATE);
        }
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        if (w->style & WS_MINIMIZE) {
            w->style &= ~WS_MINIMIZE;
            SendSize(w, (w->style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED);
            InvalidateInternal(w, nullptr, true, kAllChildren, true);
        } else if (w->style & WS_MAXIMIZE) {
            w->style &= ~WS_MAXIMIZE;
            RECT r = w->restoreRect;
            if (r.left == w->rect.left && r.top == w->rect.top && r.right == w->rect.right && r.bottom == w->rect.bottom)
                SendSize(w, SIZE_RESTORED);
            else
                SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                             SWP_NOZORDER | SWP_NOACTIVATE);
        }
        break;
    default: break;
    }
    if (!Get(hwnd)) return wasVisible;
    bool activates = cmd == SW_SHOW || cmd == SW_SHOWNORMAL || cmd == SW_RESTORE || cmd == SW_SHOWMAXIMIZED ||
                     cmd == SW_SHOWDEFAULT || cmd == SW_SHOWMINIMIZED;
    if (activates && !w->parent && !(w->exStyle & WS_EX_NOACTIVATE)) SetActiveWindow(hwnd);
    return wasVisible;
}

HWND SetActiveWindow(HWND hwnd) {
    auto& g = G();
    Window* w = nullptr;
    if (hwnd) {
        w = Get(hwnd);
        if (!w) return nullptr;
        w = TopOf(w);
    }
    HWND old = Get(g.active) ? g.active : nullptr;
    HWND next = w ? w->handle : nullptr;
    if (old == next) return old;
    g.active = next;
    if (Window* o = Get(old)) {
        SendTo(o, WM_NCACTIVATE, FALSE, 0);
        if ((o = Get(old))) SendTo(o, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 0), reinterpret_cast<LPARAM>(next));
    }
    if (Window* n = Get(next)) {
        SendTo(n, WM_NCACTIVATE, TRUE, 0);
        if ((n = Get(next)))
            SendTo(n, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, (n->style & WS_MINIMIZE) ? 1 : 0),
                   reinterpret_cast<LPARAM>(old));
    }
    Window* f = Get(g.focus);
    if (f && g.active != TopOf(f)->handle && !next) SetFocus(nullptr);
    return old;
}

HWND GetActiveWindow() {
    auto& g = G();
    return Get(g.active) ? g.active : nullptr;
}

BOOL SetForegroundWindow(HWND hwnd) {
    if (!Get(hwnd)) return FALSE;
    SetActiveWindow(hwnd);
    return TRUE;
}

HWND GetForegroundWindow() { return GetActiveWindow(); }

} // namespace win
