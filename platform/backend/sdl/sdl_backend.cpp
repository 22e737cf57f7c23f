// The desktop backend: SDL windows for top-level windows, SDL input into the window system's input
// entry points, the real clock, system cursors and colour cursors, and the system clipboard.
#include "win/sdl_backend.h"

#include <cstdarg>

#include <SDL.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <unordered_map>

#include "win/backend.h"
#include "win/detail/surface.h"
#include "win/win.h"

namespace win::sdl {
namespace {

struct TopWindow {
    SDL_Window* window = nullptr;
    bool popup = false;       // positioned by the window system (menus, drop-downs, dialogs)
    bool synced = false;      // the window system knows where the desktop put the window
    RECT dirty{0, 0, 0, 0};
    POINT placedAt{INT32_MIN, INT32_MIN};
    std::string title;
};

struct CursorKey {
    HCURSOR handle;
    const std::uint32_t* pixels;
    bool operator<(const CursorKey& o) const {
        return handle != o.handle ? handle < o.handle : pixels < o.pixels;
    }
};

struct State {
    bool installed = false;
    Uint32 wakeEvent = 0;
    std::atomic<bool> wakePending{false};
    std::unordered_map<HWND, TopWindow> windows;
    std::unordered_map<Uint32, HWND> byId;
    std::map<CursorKey, SDL_Cursor*> cursors;
    std::map<SDL_SystemCursor, SDL_Cursor*> systemCursors;
    bool trace = false;
};

State& S() {
    static auto* s = new State;
    return *s;
}

void Trace(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Trace(const char* format, ...) {
    if (!S().trace) return;
    va_list args;
    va_start(args, format);
    std::fputs("sdl: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}

bool RectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Union(const RECT& a, const RECT& b) {
    if (RectEmpty(a)) return b;
    if (RectEmpty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

HWND HandleOf(Uint32 windowId) {
    auto it = S().byId.find(windowId);
    return it == S().byId.end() ? nullptr : it->second;
}

POINT ScreenPoint(HWND top, int x, int y) {
    RECT r{};
    GetWindowRect(top, &r);
    return POINT{r.left + x, r.top + y};
}

// ---- presenting ----

void Flush(HWND hwnd, TopWindow& t) {
    RECT wr{};
    GetWindowRect(hwnd, &wr);
    if (t.popup && (wr.left != t.placedAt.x || wr.top != t.placedAt.y)) {
        SDL_SetWindowPosition(t.window, wr.left, wr.top);
        t.placedAt = POINT{wr.left, wr.top};
    }
    char title[256] = {};
    GetWindowText(hwnd, title, sizeof title);
    if (t.title != title) {
        t.title = title;
        SDL_SetWindowTitle(t.window, title);
    }
    if (RectEmpty(t.dirty)) return;
    if (!(SDL_GetWindowFlags(t.window) & SDL_WINDOW_SHOWN)) return;
    detail::Surface fb{};
    if (!detail::GetWindowSurface(hwnd, &fb, nullptr) || !fb.pixels) return;
    SDL_Surface* surface = SDL_GetWindowSurface(t.window);
    if (!surface) return;
    RECT r{std::max<LONG>(0, t.dirty.left), std::max<LONG>(0, t.dirty.top),
           std::min<LONG>({t.dirty.right, fb.width, surface->w}), std::min<LONG>({t.dirty.bottom, fb.height, surface->h})};
    t.dirty = RECT{0, 0, 0, 0};
    if (RectEmpty(r)) return;
    if (SDL_MUSTLOCK(surface)) SDL_LockSurface(surface);
    const std::uint32_t* src = fb.pixels + static_cast<std::size_t>(r.top) * fb.stride + r.left;
    auto* dst = static_cast<std::uint8_t*>(surface->pixels) + static_cast<std::size_t>(r.top) * surface->pitch +
                static_cast<std::size_t>(r.left) * surface->format->BytesPerPixel;
    SDL_ConvertPixels(r.right - r.left, r.bottom - r.top, SDL_PIXELFORMAT_ARGB8888, src,
                      fb.stride * static_cast<int>(sizeof(std::uint32_t)), surface->format->format, dst, surface->pitch);
    if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
    SDL_Rect rect{r.left, r.top, r.right - r.left, r.bottom - r.top};
    SDL_UpdateWindowSurfaceRects(t.window, &rect, 1);
}

void FlushAll() {
    for (auto& [hwnd, t] : S().windows) {
        if (!t.synced && !t.popup && (SDL_GetWindowFlags(t.window) & SDL_WINDOW_SHOWN)) {
            // The desktop chose where the window went; the window system's screen coordinates follow.
            int x = 0, y = 0;
            SDL_GetWindowPosition(t.window, &x, &y);
            t.synced = true;
            SetWindowPos(hwnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        Flush(hwnd, t);
    }
}

// ---- backend slots ----

ULONGLONG Now() { return SDL_GetTicks64(); }

void Wake() {
    if (S().wakePending.exchange(true)) return;
    SDL_Event e{};
    e.type = S().wakeEvent;
    SDL_PushEvent(&e);
}

void WindowCreated(HWND top, int width, int height) {
    DWORD style = static_cast<DWORD>(GetWindowLong(top, GWL_STYLE));
    RECT r{};
    GetWindowRect(top, &r);
    TopWindow t;
    t.popup = (style & WS_POPUP) != 0;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    int x = r.left, y = r.top;
    if (t.popup) {
        if ((style & WS_CAPTION) != WS_CAPTION) flags |= SDL_WINDOW_BORDERLESS | SDL_WINDOW_POPUP_MENU | SDL_WINDOW_SKIP_TASKBAR;
        t.synced = true;
    } else {
        if (style & WS_THICKFRAME) flags |= SDL_WINDOW_RESIZABLE;
        x = y = SDL_WINDOWPOS_CENTERED;
    }
    t.window = SDL_CreateWindow("", x, y, std::max(1, width), std::max(1, height), flags);
    if (!t.window) {
        std::fprintf(stderr, "sdl: cannot create a window: %s\n", SDL_GetError());
        return;
    }
    t.placedAt = POINT{r.left, r.top};
    S().byId[SDL_GetWindowID(t.window)] = top;
    S().windows[top] = t;
}

void WindowResized(HWND top, int width, int height) {
    auto it = S().windows.find(top);
    if (it == S().windows.end()) return;
    int w = 0, h = 0;
    SDL_GetWindowSize(it->second.window, &w, &h);
    if (w != width || h != height) SDL_SetWindowSize(it->second.window, std::max(1, width), std::max(1, height));
    it->second.dirty = RECT{0, 0, width, height};
}

void RestoreInputFocus(HWND closing);

void WindowShown(HWND top, bool visible) {
    auto it = S().windows.find(top);
    if (it == S().windows.end()) return;
    TopWindow& t = it->second;
    if (visible) {
        if (t.popup) {
            RECT r{};
            GetWindowRect(top, &r);
            SDL_SetWindowPosition(t.window, r.left, r.top);
            t.placedAt = POINT{r.left, r.top};
        }
        SDL_ShowWindow(t.window);
        if (t.popup) {
            // The X server's late report of the place the window was created at (the corner) would
            // otherwise undo the move above for the first map: read it, then move the window again.
            SDL_PumpEvents();
            SDL_SetWindowPosition(t.window, t.placedAt.x, t.placedAt.y);
        }
        if (!t.popup) SDL_RaiseWindow(t.window);
        RECT r{};
        GetWindowRect(top, &r);
        t.dirty = RECT{0, 0, r.right - r.left, r.bottom - r.top};
    } else {
        const bool wasShown = (SDL_GetWindowFlags(t.window) & SDL_WINDOW_SHOWN) != 0;
        SDL_HideWindow(t.window);
        if (wasShown && t.popup) RestoreInputFocus(top);
    }
}

// Without a window manager the X server hands the keyboard to no one when a menu, list or dialog that
// had it goes away; the window the window system now calls active takes it back (or the first shown
// window that is not a popup).
void RestoreInputFocus(HWND closing) {
    HWND active = GetActiveWindow();
    SDL_Window* target = nullptr;
    for (auto& [hwnd, t] : S().windows) {
        if (hwnd == closing || !(SDL_GetWindowFlags(t.window) & SDL_WINDOW_SHOWN)) continue;
        if (hwnd == active) {
            target = t.window;
            break;
        }
        if (!t.popup && !target) target = t.window;
    }
    if (target) SDL_SetWindowInputFocus(target);
}

void WindowDestroyed(HWND top) {
    auto it = S().windows.find(top);
    if (it == S().windows.end()) return;
    Trace("destroy window %u", SDL_GetWindowID(it->second.window));
    const bool refocus = it->second.popup && (SDL_GetWindowFlags(it->second.window) & SDL_WINDOW_SHOWN);
    S().byId.erase(SDL_GetWindowID(it->second.window));
    SDL_DestroyWindow(it->second.window);
    S().windows.erase(it);
    if (refocus) RestoreInputFocus(top);
}

void Present(HWND top, const RECT& dirty) {
    auto it = S().windows.find(top);
    if (it != S().windows.end()) it->second.dirty = Union(it->second.dirty, dirty);
}

SDL_Cursor* SystemCursor(SDL_SystemCursor id) {
    auto& cache = S().systemCursors;
    auto it = cache.find(id);
    if (it != cache.end()) return it->second;
    SDL_Cursor* c = SDL_CreateSystemCursor(id);
    cache[id] = c;
    return c;
}

SDL_SystemCursor SystemCursorFor(UINT id) {
    switch (id) {
    case 32513: return SDL_SYSTEM_CURSOR_IBEAM;
    case 32514: return SDL_SYSTEM_CURSOR_WAIT;
    case 32515: return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case 32642: return SDL_SYSTEM_CURSOR_SIZENWSE;
    case 32643: return SDL_SYSTEM_CURSOR_SIZENESW;
    case 32644: return SDL_SYSTEM_CURSOR_SIZEWE;
    case 32645: return SDL_SYSTEM_CURSOR_SIZENS;
    case 32640:
    case 32646: return SDL_SYSTEM_CURSOR_SIZEALL;
    case 32648: return SDL_SYSTEM_CURSOR_NO;
    case 32649: return SDL_SYSTEM_CURSOR_HAND;
    case 32650: return SDL_SYSTEM_CURSOR_WAITARROW;
    default: return SDL_SYSTEM_CURSOR_ARROW;
    }
}

void CursorChanged(HCURSOR cursor) {
    if (!cursor) {
        SDL_ShowCursor(SDL_DISABLE);
        return;
    }
    SDL_ShowCursor(SDL_ENABLE);
    backend::CursorImage image{};
    if (!backend::QueryCursorImage(cursor, &image)) return;
    if (image.systemId || !image.pixels || image.width <= 0 || image.height <= 0) {
        SDL_SetCursor(SystemCursor(SystemCursorFor(image.systemId)));
        return;
    }
    CursorKey key{cursor, image.pixels};
    auto& cache = S().cursors;
    auto it = cache.find(key);
    if (it == cache.end()) {
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<std::uint32_t*>(image.pixels), image.width,
                                                                  image.height, 32, image.width * 4,
                                                                  SDL_PIXELFORMAT_ARGB8888);
        SDL_Cursor* c = surface ? SDL_CreateColorCursor(surface, image.hotX, image.hotY) : nullptr;
        if (surface) SDL_FreeSurface(surface);
        it = cache.emplace(key, c).first;
    }
    SDL_SetCursor(it->second ? it->second : SystemCursor(SDL_SYSTEM_CURSOR_ARROW));
}

void CaptureChanged(bool captured) { SDL_CaptureMouse(captured ? SDL_TRUE : SDL_FALSE); }

void SetClipboardText(const char* utf8) { SDL_SetClipboardText(utf8 ? utf8 : ""); }

int GetClipboardText(char* buffer, int size) {
    if (!SDL_HasClipboardText()) return -1;
    char* text = SDL_GetClipboardText();
    if (!text) return -1;
    int length = static_cast<int>(std::strlen(text));
    if (buffer && size > 0) {
        int n = std::min(length, size - 1);
        std::memcpy(buffer, text, static_cast<std::size_t>(n));
        buffer[n] = '\0';
    }
    SDL_free(text);
    return length;
}

SIZE ScreenSize() {
    SDL_DisplayMode mode{};
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) return SIZE{1920, 1080};
    return SIZE{mode.w, mode.h};
}

// ---- input ----

int KeyFor(const SDL_Keysym& k) {
    SDL_Keycode c = k.sym;
    if (c >= SDLK_a && c <= SDLK_z) return 'A' + (c - SDLK_a);
    if (c >= SDLK_0 && c <= SDLK_9) return '0' + (c - SDLK_0);
    if (c >= SDLK_F1 && c <= SDLK_F12) return VK_F1 + (c - SDLK_F1);
    switch (c) {
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return VK_RETURN;
    case SDLK_ESCAPE: return VK_ESCAPE;
    case SDLK_BACKSPACE: return VK_BACK;
    case SDLK_TAB: return VK_TAB;
    case SDLK_SPACE: return VK_SPACE;
    case SDLK_DELETE: return VK_DELETE;
    case SDLK_INSERT: return VK_INSERT;
    case SDLK_HOME: return VK_HOME;
    case SDLK_END: return VK_END;
    case SDLK_PAGEUP: return VK_PRIOR;
    case SDLK_PAGEDOWN: return VK_NEXT;
    case SDLK_LEFT: return VK_LEFT;
    case SDLK_RIGHT: return VK_RIGHT;
    case SDLK_UP: return VK_UP;
    case SDLK_DOWN: return VK_DOWN;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return VK_SHIFT;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return VK_CONTROL;
    case SDLK_LALT:
    case SDLK_RALT: return VK_MENU;
    case SDLK_KP_PLUS: return VK_ADD;
    case SDLK_KP_MINUS: return VK_SUBTRACT;
    case SDLK_SEMICOLON: return VK_OEM_1;
    case SDLK_EQUALS: return VK_OEM_PLUS;
    case SDLK_COMMA: return VK_OEM_COMMA;
    case SDLK_MINUS: return VK_OEM_MINUS;
    case SDLK_PERIOD: return VK_OEM_PERIOD;
    case SDLK_SLASH: return VK_OEM_2;
    case SDLK_BACKQUOTE: return VK_OEM_3;
    case SDLK_LEFTBRACKET: return VK_OEM_4;
    case SDLK_BACKSLASH: return VK_OEM_5;
    case SDLK_RIGHTBRACKET: return VK_OEM_6;
    case SDLK_QUOTE: return VK_OEM_7;
    default: break;
    }
    if (c >= SDLK_KP_1 && c <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (c - SDLK_KP_1);
    if (c == SDLK_KP_0) return VK_NUMPAD0;
    return 0;
}

// Modifier keys released while another program had the keyboard would otherwise stay down.
void SyncModifiers() {
    SDL_Keymod mods = SDL_GetModState();
    struct {
        int vk;
        bool down;
    } keys[] = {{VK_SHIFT, (mods & KMOD_SHIFT) != 0}, {VK_CONTROL, (mods & KMOD_CTRL) != 0}, {VK_MENU, (mods & KMOD_ALT) != 0}};
    for (const auto& k : keys) {
        bool ours = (GetAsyncKeyState(k.vk) & 0x8000) != 0;
        if (ours && !k.down) backend::InputKey(k.vk, false);
    }
}

int ButtonFor(Uint8 button) {
    switch (button) {
    case SDL_BUTTON_LEFT: return backend::BUTTON_LEFT;
    case SDL_BUTTON_RIGHT: return backend::BUTTON_RIGHT;
    case SDL_BUTTON_MIDDLE: return backend::BUTTON_MIDDLE;
    default: return -1;
    }
}

void MoveTo(Uint32 windowId, int x, int y) {
    HWND top = HandleOf(windowId);
    if (!top) return;
    POINT p = ScreenPoint(top, x, y);
    backend::InputMouseMove(p.x, p.y);
}

void Handle(const SDL_Event& e) {
    if (e.type == S().wakeEvent) {
        S().wakePending = false;
        return;
    }
    switch (e.type) {
    case SDL_MOUSEMOTION:
        MoveTo(e.motion.windowID, e.motion.x, e.motion.y);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        int button = ButtonFor(e.button.button);
        if (button < 0) break;
        SyncModifiers();
        MoveTo(e.button.windowID, e.button.x, e.button.y);
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        Trace("button %d %s at %d,%d", button, down ? "down" : "up", e.button.x, e.button.y);
        backend::InputMouseButton(button, down);
        break;
    }
    case SDL_MOUSEWHEEL:
        if (e.wheel.y) backend::InputMouseWheel(e.wheel.y * 120 * (e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -1 : 1), false);
        if (e.wheel.x) backend::InputMouseWheel(e.wheel.x * 120, true);
        break;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        int vk = KeyFor(e.key.keysym);
        if (!vk) break;
        Trace("key 0x%02X %s", vk, e.type == SDL_KEYDOWN ? "down" : "up");
        backend::InputKey(vk, e.type == SDL_KEYDOWN);
        break;
    }
    case SDL_TEXTINPUT:
        // Plain ASCII characters come from the key events; other characters only from here.
        if (static_cast<unsigned char>(e.text.text[0]) >= 0x80) backend::InputText(e.text.text);
        break;
    case SDL_WINDOWEVENT: {
        HWND top = HandleOf(e.window.windowID);
        if (!top) break;
        auto it = S().windows.find(top);
        switch (e.window.event) {
        case SDL_WINDOWEVENT_CLOSE:
            Trace("close requested");
            PostMessage(top, WM_CLOSE, 0, 0);
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED: {
            RECT r{};
            GetWindowRect(top, &r);
            if (r.right - r.left != e.window.data1 || r.bottom - r.top != e.window.data2)
                SetWindowPos(top, nullptr, 0, 0, e.window.data1, e.window.data2,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            if (it != S().windows.end()) it->second.dirty = RECT{0, 0, e.window.data1, e.window.data2};
            break;
        }
        case SDL_WINDOWEVENT_MOVED: {
            RECT r{};
            GetWindowRect(top, &r);
            if (it != S().windows.end()) it->second.placedAt = POINT{e.window.data1, e.window.data2};
            if (r.left != e.window.data1 || r.top != e.window.data2)
                SetWindowPos(top, nullptr, e.window.data1, e.window.data2, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case SDL_WINDOWEVENT_EXPOSED:
            if (it != S().windows.end()) {
                RECT r{};
                GetWindowRect(top, &r);
                it->second.dirty = RECT{0, 0, r.right - r.left, r.bottom - r.top};
            }
            break;
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            SyncModifiers();
            break;
        default: break;
        }
        break;
    }
    default: break;
    }
}

void WaitForEvents(DWORD timeoutMs) {
    FlushAll();
    SDL_Event e;
    // Never wait without a bound: X events that an earlier round trip already read off the socket
    // would otherwise wait for the next unrelated wake-up.
    int got = SDL_WaitEventTimeout(&e, static_cast<int>(std::min<DWORD>(timeoutMs, 50)));
    if (got) Handle(e);
    while (SDL_PollEvent(&e)) Handle(e);
}

} // namespace

bool Install(std::string* error) {
    State& s = S();
    if (s.installed) return true;
    const char* trace = std::getenv("PIANOROLL_SDL_TRACE");
    s.trace = trace && *trace && std::strcmp(trace, "0") != 0;
    SDL_SetHint(SDL_HINT_VIDEO_ALLOW_SCREENSAVER, "1");
    // Ctrl+C and SIGTERM end the program as they do any other.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
        if (error) *error = SDL_GetError();
        return false;
    }
    s.wakeEvent = SDL_RegisterEvents(1);
    backend::Backend b{};
    b.name = "sdl";
    b.Now = Now;
    b.WaitForEvents = WaitForEvents;
    b.Wake = Wake;
    b.WindowCreated = WindowCreated;
    b.WindowResized = WindowResized;
    b.WindowShown = WindowShown;
    b.WindowDestroyed = WindowDestroyed;
    b.Present = Present;
    b.CursorChanged = CursorChanged;
    b.CaptureChanged = CaptureChanged;
    b.SetClipboardText = SetClipboardText;
    b.GetClipboardText = GetClipboardText;
    b.ScreenSize = ScreenSize;
    backend::Install(b);
    s.installed = true;
    Trace("started on %s", SDL_GetCurrentVideoDriver() ? SDL_GetCurrentVideoDriver() : "?");
    return true;
}

bool Installed() { return S().installed; }

void Shutdown() {
    State& s = S();
    if (!s.installed) return;
    Trace("shutting down");
    for (auto& [hwnd, t] : s.windows) SDL_DestroyWindow(t.window);
    s.windows.clear();
    s.byId.clear();
    for (auto& [key, c] : s.cursors)
        if (c) SDL_FreeCursor(c);
    s.cursors.clear();
    for (auto& [id, c] : s.systemCursors)
        if (c) SDL_FreeCursor(c);
    s.systemCursors.clear();
    // The display connection closes with the process: shutting SDL's video down here races with the
    // server's handling of the destroyed windows and can end the program on an X error.
    s.installed = false;
}

} // namespace win::sdl
