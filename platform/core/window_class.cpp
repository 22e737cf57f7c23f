// Window classes: registration by name per module (global classes shared), lookup, class data.
#include "internal.h"

#include <cstring>
#include <strings.h>

namespace win {
namespace core {

namespace {

// A class is named by its atom (MAKEINTATOM) or by its name, which compares without regard to case.
bool Named(const WindowClass& c, LPCSTR name) {
    if (IS_INTRESOURCE(name)) return c.atom == static_cast<ATOM>(reinterpret_cast<UINT_PTR>(name));
    return strcasecmp(c.name.c_str(), name) == 0;
}

// The class extra bytes at a non-negative byte offset, or null when a ULONG_PTR there would not fit.
unsigned char* ClassExtraAt(WindowClass& c, int index) {
    if (index < 0 || static_cast<std::size_t>(index) + sizeof(ULONG_PTR) > c.classExtra.size()) return nullptr;
    return c.classExtra.data() + index;
}

} // namespace

std::shared_ptr<WindowClass> FindClass(LPCSTR name, HINSTANCE instance) {
    if (!name) return nullptr;
    auto& g = G();
    for (auto& c : g.classes)
        if (Named(*c, name) && c->instance == instance) return c;
    for (auto& c : g.classes)
        if (Named(*c, name) && (c->style & CS_GLOBALCLASS)) return c;
    for (auto& c : g.classes)
        if (Named(*c, name)) return c;
    return nullptr;
}

} // namespace core

using namespace core;

ATOM RegisterClassEx(const WNDCLASSEX* wc) {
    if (!wc || !wc->lpfnWndProc || !wc->lpszClassName || IS_INTRESOURCE(wc->lpszClassName) ||
        !*wc->lpszClassName || wc->cbClsExtra < 0 || wc->cbWndExtra < 0 || wc->cbClsExtra > 4096 ||
        wc->cbWndExtra > 4096)
        return 0;
    MarkUiThread();
    auto& g = G();
    for (auto& c : g.classes) {
        if (!Named(*c, wc->lpszClassName)) continue;
        if (c->instance == wc->hInstance) return 0;
        if ((c->style & CS_GLOBALCLASS) && (wc->style & CS_GLOBALCLASS)) return 0;
    }
    auto c = std::make_shared<WindowClass>();
    c->name = wc->lpszClassName;
    c->style = wc->style;
    c->proc = wc->lpfnWndProc;
    c->clsExtra = wc->cbClsExtra;
    c->wndExtra = wc->cbWndExtra;
    c->instance = wc->hInstance;
    c->icon = wc->hIcon;
    c->iconSmall = wc->hIconSm;
    c->cursor = wc->hCursor;
    c->background = wc->hbrBackground;
    if (wc->lpszMenuName && !IS_INTRESOURCE(wc->lpszMenuName)) c->menuName = wc->lpszMenuName;
    c->classExtra.assign(static_cast<std::size_t>(wc->cbClsExtra), 0);
    c->atom = g.nextAtom++;
    if (g.nextAtom == 0) g.nextAtom = 0xC000;
    g.classes.push_back(c);
    return c->atom;
}

ATOM RegisterClass(const WNDCLASS* wc) {
    if (!wc) return 0;
    WNDCLASSEX ex{};
    ex.cbSize = sizeof(ex);
    ex.style = wc->style;
    ex.lpfnWndProc = wc->lpfnWndProc;
    ex.cbClsExtra = wc->cbClsExtra;
    ex.cbWndExtra = wc->cbWndExtra;
    ex.hInstance = wc->hInstance;
    ex.hIcon = wc->hIcon;
    ex.hCursor = wc->hCursor;
    ex.hbrBackground = wc->hbrBackground;
    ex.lpszMenuName = wc->lpszMenuName;
    ex.lpszClassName = wc->lpszClassName;
    return RegisterClassEx(&ex);
}

BOOL UnregisterClass(LPCSTR className, HINSTANCE instance) {
    if (!className) return FALSE;
    auto& g = G();
    for (auto it = g.classes.begin(); it != g.classes.end(); ++it) {
        auto& c = *it;
        if (!Named(*c, className) || c->instance != instance) continue;
        if (c->windowCount > 0) return FALSE;
        g.classes.erase(it);
        return TRUE;
    }
    return FALSE;
}

BOOL GetClassInfoEx(HINSTANCE instance, LPCSTR className, WNDCLASSEX* out) {
    if (!out) return FALSE;
    auto c = FindClass(className, instance);
    if (!c) return FALSE;
    out->cbSize = sizeof(WNDCLASSEX);
    out->style = c->style;
    out->lpfnWndProc = c->proc;
    out->cbClsExtra = c->clsExtra;
    out->cbWndExtra = c->wndExtra;
    out->hInstance = c->instance;
    out->hIcon = c->icon;
    out->hCursor = c->cursor;
    out->hbrBackground = c->background;
    out->lpszMenuName = c->menuName.empty() ? nullptr : c->menuName.c_str();
    out->lpszClassName = c->name.c_str();
    out->hIconSm = c->iconSmall;
    return c->atom;
}

int GetClassName(HWND hwnd, LPSTR buffer, int bufferSize) {
    Window* w = Get(hwnd);
    if (!w || !buffer || bufferSize <= 0) return 0;
    std::size_t n = std::min<std::size_t>(w->cls->name.size(), static_cast<std::size_t>(bufferSize - 1));
    std::memcpy(buffer, w->cls->name.data(), n);
    buffer[n] = 0;
    return static_cast<int>(n);
}

ULONG_PTR GetClassLongPtr(HWND hwnd, int index) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    WindowClass& c = *w->cls;
    switch (index) {
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(c.background);
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(c.cursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(c.icon);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(c.instance);
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(c.wndExtra);
    case GCL_CBCLSEXTRA: return static_cast<ULONG_PTR>(c.clsExtra);
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(c.proc);
    case GCL_STYLE: return c.style;
    default:
        if (unsigned char* at = ClassExtraAt(c, index)) {
            ULONG_PTR v;
            std::memcpy(&v, at, sizeof v);
            return v;
        }
        return 0;
    }
}

ULONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    WindowClass& c = *w->cls;
    ULONG_PTR old = GetClassLongPtr(hwnd, index);
    switch (index) {
    case GCLP_HBRBACKGROUND: c.background = reinterpret_cast<HBRUSH>(value); break;
    case GCLP_HCURSOR: c.cursor = reinterpret_cast<HCURSOR>(value); break;
    case GCLP_HICON: c.icon = reinterpret_cast<HICON>(value); break;
    case GCLP_WNDPROC:
        if (!value) return 0;
        c.proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GCL_STYLE: c.style = static_cast<UINT>(value); break;
    default:
        if (unsigned char* at = ClassExtraAt(c, index)) {
            std::memcpy(at, &value, sizeof value);
            break;
        }
        return 0;
    }
    return old;
}

} // namespace win
