// Input: the backend's input entry points, routing to capture and focus, hit-testing, double-click
// synthesis, key state, mouse capture, keyboard focus and mouse-leave tracking.
#include "internal.h"

namespace win {
namespace core {

static WPARAM MouseKeyFlags() {
    auto& g = G();
    WPARAM mk = 0;
    if (g.syncKeys[VK_LBUTTON] & 0x80) mk |= MK_LBUTTON;
    if (g.syncKeys[VK_RBUTTON] & 0x80) mk |= MK_RBUTTON;
    if (g.syncKeys[VK_MBUTTON] & 0x80) mk |= MK_MBUTTON;
    if (g.syncKeys[VK_SHIFT] & 0x80) mk |= MK_SHIFT;
    if (g.syncKeys[VK_CONTROL] & 0x80) mk |= MK_CONTROL;
    return mk;
}

static int ButtonKey(int button) {
    return button == backend::BUTTON_LEFT ? VK_LBUTTON : button == backend::BUTTON_RIGHT ? VK_RBUTTON : VK_MBUTTON;
}

static void SetKey(BYTE* keys, int vk, bool down, bool toggle) {
    if (vk < 0 || vk > 255) return;
    if (down) {
        if (toggle && !(keys[vk] & 0x80)) keys[vk] ^= 1;
        keys[vk] |= 0x80;
    } else {
        keys[vk] &= static_cast<BYTE>(~0x80);
    }
}

// Left/right variants keep the generic modifier key in step.
static void SetKeyWithAliases(BYTE* keys, int vk, bool down, bool toggle) {
    SetKey(keys, vk, down, toggle);
    auto pair = [&](int generic, int left, int right) {
        if (vk == left || vk == right) SetKey(keys, generic, down || (keys[left == vk ? right : left] & 0x80), toggle);
        if (vk == generic) SetKey(keys, left, down, false);
    };
    pair(VK_SHIFT, VK_LSHIFT, VK_RSHIFT);
    pair(VK_CONTROL, VK_LCONTROL, VK_RCONTROL);
    pair(VK_MENU, VK_LMENU, VK_RMENU);
}

static bool IsExtendedKey(int vk) {
    switch (vk) {
    case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: case VK_PRIOR: case VK_NEXT: case VK_HOME:
    case VK_END: case VK_INSERT: case VK_DELETE: case VK_DIVIDE: case VK_NUMLOCK: case VK_RCONTROL:
    case VK_RMENU: case VK_APPS: case VK_LWIN: case VK_RWIN:
        return true;
    default: return false;
    }
}

static void CheckLeave(HWND under, LRESULT ht) {
    auto& g = G();
    if (!g.trackLeave) return;
    if (!Get(g.trackLeave)) {
        g.trackLeave = nullptr;
        return;
    }
    if (g.trackLeave == under && ht == HTCLIENT) return;
    HWND left = g.trackLeave;
    g.trackLeave = nullptr;
    PostMessage(left, WM_MOUSELEAVE, 0, 0);
}

static bool ConvertMouse(const InputEvent& e, MSG* out) {
    auto& g = G();
    POINT pt{e.x, e.y};
    UINT msg = WM_MOUSEMOVE;
    if (e.kind == InputKind::MouseButton) {
        SetKey(g.syncKeys, ButtonKey(e.button), e.down, true);
        static const UINT downs[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
        static const UINT ups[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
        int b = std::clamp(e.button, 0, 2);
        msg = e.down ? downs[b] : ups[b];
    }
    HWND target = nullptr;
    LRESULT ht = HTCLIENT;
    if (Get(g.capture)) {
        target = g.capture;
        CheckLeave(WindowFromPoint(pt), HTCLIENT);
    } else {
        target = WindowFromPoint(pt);
        while (target) {
            ht = SendTo(Get(target), WM_NCHITTEST, 0,
                        MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)));
            if (ht != HTTRANSPARENT) break;
            Window* w = Get(target);
            target = w && w->parent ? w->parent->handle : nullptr;
        }
        CheckLeave(target, ht);
        if (!target || !Get(target)) return false;
        Window* w = Get(target);
        Window* top = TopOf(w);
        if ((top->style & WS_DISABLED) || (w->style & WS_DISABLED)) {
            SendTo(w, WM_SETCURSOR, reinterpret_cast<WPARAM>(target), MAKELPARAM(static_cast<WORD>(HTERROR), static_cast<WORD>(msg)));
            if (msg != WM_MOUSEMOVE && e.down) MessageBeep(0);
            return false;
        }
        if (e.kind == InputKind::MouseButton && e.down && g.active != top->handle &&
            !(top->exStyle & WS_EX_NOACTIVATE)) {
            LRESULT r = SendTo(w, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top->handle),
                               MAKELPARAM(static_cast<WORD>(ht), static_cast<WORD>(msg)));
            if (r != MA_NOACTIVATE && r != MA_NOACTIVATEANDEAT && Get(top->handle)) SetActiveWindow(top->handle);
            if (r == MA_ACTIVATEANDEAT || r == MA_NOACTIVATEANDEAT) return false;
            if (!Get(target)) return false;
        }
        SendTo(Get(target), WM_SETCURSOR, reinterpret_cast<WPARAM>(target),
               MAKELPARAM(static_cast<WORD>(ht), static_cast<WORD>(msg)));
        if (!Get(target)) return false;
    }
    Window* w = Get(target);
    if (ht == HTCLIENT) {
        POINT o = ClientOriginOnScreen(w);
        int x = pt.x - o.x;
        int y = pt.y - o.y;
        if (e.kind == InputKind::MouseButton && e.down) {
            int cx = GetSystemMetrics(SM_CXDOUBLECLK);
            int cy = GetSystemMetrics(SM_CYDOUBLECLK);
            bool dbl = (w->cls->style & CS_DBLCLKS) && g.lastDownButton == e.button && g.lastDownWindow == target &&
                       e.time - g.lastDownTime <= GetDoubleClickTime() && std::abs(pt.x - g.lastDownPoint.x) <= cx / 2 &&
                       std::abs(pt.y - g.lastDownPoint.y) <= cy / 2;
            if (dbl) {
                msg += WM_LBUTTONDBLCLK - WM_LBUTTONDOWN;
                g.lastDownButton = -1;
                g.lastDownWindow = nullptr;
            } else {
                g.lastDownButton = e.button;
                g.lastDownWindow = target;
                g.lastDownTime = e.time;
                g.lastDownPoint = pt;
            }
        }
        *out = MSG{target, msg, MouseKeyFlags(), MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)), e.time, pt};
    } else {
        *out = MSG{target, msg - WM_MOUSEMOVE + WM_NCMOUSEMOVE, static_cast<WPARAM>(ht),
                   MAKELPARAM(static_cast<WORD>(pt.x), static_cast<WORD>(pt.y)), e.time, pt};
    }
    return true;
}

static HWND KeyTarget(bool* forceSys) {
    auto& g = G();
    if (Get(g.focus)) return g.focus;
    if (Get(g.active)) {
        *forceSys = true;
        return g.active;
    }
    return nullptr;
}

bool ConvertInput(const InputEvent& e, MSG* out) {
    auto& g = G();
    switch (e.kind) {
    case InputKind::MouseMove:
    case InputKind::MouseButton: return ConvertMouse(e, out);
    case InputKind::Wheel: {
        HWND target = Get(g.focus) ? g.focus : (Get(g.active) ? g.active : nullptr);
        if (!target) return false;
        *out = MSG{target, e.horizontal ? WM_MOUSEHWHEEL : WM_MOUSEWHEEL,
                   MAKEWPARAM(static_cast<WORD>(MouseKeyFlags()), static_cast<WORD>(static_cast<SHORT>(e.delta))),
                   MAKELPARAM(static_cast<WORD>(e.x), static_cast<WORD>(e.y)), e.time, POINT{e.x, e.y}};
        return true;
    }
    case InputKind::Key: {
        bool prev = (g.syncKeys[e.vk & 0xFF] & 0x80) != 0;
        SetKeyWithAliases(g.syncKeys, e.vk, e.down, true);
        bool alt = (g.syncKeys[VK_MENU] & 0x80) != 0;
        bool ctrl = (g.syncKeys[VK_CONTROL] & 0x80) != 0;
        bool isAlt = e.vk == VK_MENU || e.vk == VK_LMENU || e.vk == VK_RMENU;
        bool sys = e.vk == VK_F10 || (isAlt && !ctrl) || (alt && !ctrl);
        HWND target = KeyTarget(&sys);
        if (!target) return false;
        LPARAM lp = 1 | (static_cast<LPARAM>(e.vk & 0xFF) << 16);
        if (IsExtendedKey(e.vk)) lp |= KF_EXTENDED_BIT;
        if (alt && !ctrl) lp |= KF_ALTDOWN_BIT;
        if (prev || !e.down) lp |= KF_REPEAT_BIT;
        if (!e.down) lp |= KF_UP_BIT;
        UINT msg = e.down ? (sys ? WM_SYSKEYDOWN : WM_KEYDOWN) : (sys ? WM_SYSKEYUP : WM_KEYUP);
        *out = MSG{target, msg, static_cast<WPARAM>(e.vk), lp, e.time, g.cursorPos};
        return true;
    }
    case InputKind::Char: {
        bool sys = false;
        HWND target = KeyTarget(&sys);
        if (!target) return false;
        *out = MSG{target, sys ? WM_SYSCHAR : WM_CHAR, e.ch, 1, e.time, g.cursorPos};
        return true;
    }
    case InputKind::CancelMode:
        if (Window* c = Get(g.capture)) SendTo(c, WM_CANCELMODE, 0, 0);
        return false;
    }
    return false;
}

static void Queue(InputEvent e) {
    MarkUiThread();
    e.time = GetTickCount();
    G().rawInput.push_back(e);
}

} // namespace core

using namespace core;

namespace backend {

void InputMouseMove(int screenX, int screenY) {
    G().cursorPos = POINT{screenX, screenY};
    InputEvent e{InputKind::MouseMove};
    e.x = screenX;
    e.y = screenY;
    Queue(e);
}

void InputMouseButton(int button, bool down) {
    auto& g = G();
    if (button < BUTTON_LEFT || button > BUTTON_MIDDLE) return;
    SetKey(g.asyncKeys, ButtonKey(button), down, true);
    InputEvent e{InputKind::MouseButton};
    e.x = g.cursorPos.x;
    e.y = g.cursorPos.y;
    e.button = button;
    e.down = down;
    Queue(e);
}

void InputMouseWheel(int delta, bool horizontal) {
    auto& g = G();
    InputEvent e{InputKind::Wheel};
    e.x = g.cursorPos.x;
    e.y = g.cursorPos.y;
    e.delta = delta;
    e.horizontal = horizontal;
    Queue(e);
}

void InputKey(int vk, bool down) {
    if (vk <= 0 || vk > 255) return;
    SetKeyWithAliases(G().asyncKeys, vk, down, true);
    InputEvent e{InputKind::Key};
    e.vk = vk;
    e.down = down;
    Queue(e);
}

void InputText(const char* utf8) {
    if (!utf8) return;
    const auto* s = reinterpret_cast<const unsigned char*>(utf8);
    while (*s) {
        std::uint32_t cp;
        int extra;
        if (*s < 0x80) {
            cp = *s;
            extra = 0;
        } else if ((*s & 0xE0) == 0xC0) {
            cp = *s & 0x1F;
            extra = 1;
        } else if ((*s & 0xF0) == 0xE0) {
            cp = *s & 0x0F;
            extra = 2;
        } else if ((*s & 0xF8) == 0xF0) {
            cp = *s & 0x07;
            extra = 3;
        } else {
            ++s;
            continue; // not a lead byte
        }
        ++s;
        bool bad = false;
        for (int i = 0; i < extra; ++i) {
            if ((*s & 0xC0) != 0x80) {
                bad = true;
                break;
            }
            cp = (cp << 6) | (*s & 0x3F);
            ++s;
        }
        if (bad || cp > 0x10FFFF) continue;
        InputEvent e{InputKind::Char};
        if (cp >= 0x10000) {
            cp -= 0x10000;
            e.ch = static_cast<WCHAR>(0xD800 + (cp >> 10));
            Queue(e);
            e.ch = static_cast<WCHAR>(0xDC00 + (cp & 0x3FF));
        } else {
            e.ch = static_cast<WCHAR>(cp);
        }
        Queue(e);
    }
}

void InputCancelMode() { Queue(InputEvent{InputKind::CancelMode}); }

} // namespace backend

HWND SetCapture(HWND hwnd) {
    auto& g = G();
    if (!Get(hwnd)) return nullptr;
    HWND old = Get(g.capture) ? g.capture : nullptr;
    if (old == hwnd) return old;
    g.capture = hwnd;
    backend::Current().CaptureChanged(true);
    if (Window* o = Get(old)) SendTo(o, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(hwnd));
    return old;
}

BOOL ReleaseCapture() {
    auto& g = G();
    HWND old = Get(g.capture) ? g.capture : nullptr;
    g.capture = nullptr;
    if (!old) return TRUE;
    backend::Current().CaptureChanged(false);
    SendTo(Get(old), WM_CAPTURECHANGED, 0, 0);
    return TRUE;
}

HWND GetCapture() {
    auto& g = G();
    return Get(g.capture) ? g.capture : nullptr;
}

HWND SetFocus(HWND hwnd) {
    auto& g = G();
    if (hwnd) {
        Window* w = Get(hwnd);
        if (!w) return nullptr;
        Window* top = TopOf(w);
        if (g.active != top->handle) {
            SetActiveWindow(top->handle);
            if (!Get(hwnd)) return nullptr;
        }
    }
    HWND old = Get(g.focus) ? g.focus : nullptr;
    if (old == hwnd) return old;
    g.focus = hwnd;
    if (Window* o = Get(old)) SendTo(o, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    if (hwnd && g.focus == hwnd)
        if (Window* n = Get(hwnd)) SendTo(n, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus() {
    auto& g = G();
    return Get(g.focus) ? g.focus : nullptr;
}

BOOL TrackMouseEvent(TRACKMOUSEEVENT* tme) {
    if (!tme || tme->cbSize != sizeof(TRACKMOUSEEVENT)) return FALSE;
    auto& g = G();
    if (tme->dwFlags & TME_QUERY) {
        tme->dwFlags = Get(g.trackLeave) ? TME_LEAVE : 0;
        tme->hwndTrack = Get(g.trackLeave) ? g.trackLeave : nullptr;
        tme->dwHoverTime = 0;
        return TRUE;
    }
    if (!Get(tme->hwndTrack)) return FALSE;
    if (tme->dwFlags & TME_CANCEL) {
        if ((tme->dwFlags & TME_LEAVE) && g.trackLeave == tme->hwndTrack) g.trackLeave = nullptr;
        return TRUE;
    }
    if (tme->dwFlags & TME_LEAVE) {
        HWND under = WindowFromPoint(g.cursorPos);
        if (under != tme->hwndTrack) {
            PostMessage(tme->hwndTrack, WM_MOUSELEAVE, 0, 0);
        } else {
            g.trackLeave = tme->hwndTrack;
        }
    }
    return TRUE;
}

SHORT GetKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    BYTE k = G().syncKeys[vk];
    return static_cast<SHORT>(((k & 0x80) ? 0x8000 : 0) | (k & 1));
}

SHORT GetAsyncKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    return static_cast<SHORT>((G().asyncKeys[vk] & 0x80) ? 0x8000 : 0);
}

BOOL GetKeyboardState(BYTE* state) {
    if (!state) return FALSE;
    std::copy(std::begin(G().syncKeys), std::end(G().syncKeys), state);
    return TRUE;
}

BOOL GetCursorPos(LPPOINT pt) {
    if (!pt) return FALSE;
    *pt = G().cursorPos;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    backend::InputMouseMove(x, y);
    return TRUE;
}

BOOL MessageBeep(UINT) { return TRUE; }

} // namespace win
