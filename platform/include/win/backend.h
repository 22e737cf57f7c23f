// Backend contract of the window system (the functions a display backend provides and the input
// entry points it calls), and the headless backend's test API.
#pragma once

#include "win/win.h"

namespace win::backend {

// A backend is a record of functions. Slots left null get a safe default when installed, so the
// core never tests for null. All slots are called on the user-interface thread unless marked.
struct Backend {
    const char* name;
    // Milliseconds since an arbitrary start; GetTickCount follows it. [any thread]
    ULONGLONG (*Now)();
    // Blocks until input arrives, Wake is called or timeoutMs passes (timeoutMs 0xFFFFFFFF: no
    // limit). Delivers input through the entry points below before returning.
    void (*WaitForEvents)(DWORD timeoutMs);
    // Makes a pending or future WaitForEvents return. [any thread]
    void (*Wake)();
    // A top-level window was created, resized (framebuffer reallocated), shown or hidden, destroyed.
    void (*WindowCreated)(HWND top, int width, int height);
    void (*WindowResized)(HWND top, int width, int height);
    void (*WindowShown)(HWND top, bool visible);
    void (*WindowDestroyed)(HWND top);
    // The rectangle (framebuffer coordinates) of a top-level window's framebuffer changed.
    void (*Present)(HWND top, const RECT& dirty);
    // The pointer shape changed (null: hidden).
    void (*CursorChanged)(HCURSOR cursor);
    // The mouse is captured (true) or released, so the backend may grab the pointer.
    void (*CaptureChanged)(bool captured);
    // System clipboard text (UTF-8). SetClipboardText is called when a window has filled the
    // in-process clipboard, with its text or "" when it holds none (which clears the system
    // clipboard). GetClipboardText fills buffer (may be null; size bytes incl. terminator) and
    // returns the full length in bytes, or -1 when the system clipboard holds no text. Text there
    // that differs from the last text exchanged means another program copied: it replaces the
    // in-process contents.
    void (*SetClipboardText)(const char* utf8);
    int (*GetClipboardText)(char* buffer, int size);
    // Screen size in pixels.
    SIZE (*ScreenSize)();
};

// Installs the backend (copied; null slots get defaults). The headless backend is installed until
// another one is. Call before creating windows.
void Install(const Backend& backend);
const Backend& Current();

// What a cursor handle shows: a system cursor id (IDC_ value) or a BGRA image.
struct CursorImage {
    UINT systemId; // 0 for an image cursor
    int width;
    int height;
    int hotX;
    int hotY;
    const std::uint32_t* pixels; // width * height, rows top-down; null for system cursors
};
bool QueryCursorImage(HCURSOR cursor, CursorImage* out);

// Input entry points: the only road input takes into the window system (queued, then hit-tested,
// routed to capture or focus, double-clicks synthesised when the message is retrieved).
// Coordinates are screen pixels. [ui thread]
constexpr int BUTTON_LEFT = 0;
constexpr int BUTTON_RIGHT = 1;
constexpr int BUTTON_MIDDLE = 2;
void InputMouseMove(int screenX, int screenY);
void InputMouseButton(int button, bool down);
void InputMouseWheel(int delta, bool horizontal);
void InputKey(int vk, bool down);
void InputText(const char* utf8);
// The system asked the windows to give up modes (e.g. lost activation): WM_CANCELMODE to the capture.
void InputCancelMode();

} // namespace win::backend

// The headless backend: no display, a manual clock, injected input, PNG snapshots.
namespace win::headless {

// Installs the headless backend and resets its clock to 0 (done automatically at load).
void Install();

// Clock: time moves only when a test advances it. AdvanceClock steps through every timer due in the
// interval, setting the clock to each due time and pumping, so timers fire in due order.
void AdvanceClock(DWORD ms);
ULONGLONG Now();

// Processes every queued message, input and paint until nothing is left (timers due now included).
// Returns the number of messages dispatched. Stops early when WM_QUIT is retrieved (and re-posts it).
int PumpUntilIdle();

// Called when a message loop would wait for input (e.g. inside a modal loop): it may inject input,
// post messages or end the loop. Without a hook a waiting loop blocks until another thread posts.
using IdleHook = void (*)(void* context);
void SetIdleHook(IdleHook hook, void* context);

// Injected input, through the backend entry points. Positions are client coordinates of hwnd.
// Modifier flags hold the keys down around the event and release them after.
constexpr unsigned MOD_SHIFT = 1;
constexpr unsigned MOD_CONTROL = 2;
constexpr unsigned MOD_ALT = 4;
void MouseMove(HWND hwnd, int x, int y);
void MouseDown(int button);
void MouseUp(int button);
void Click(HWND hwnd, int x, int y, int button = backend::BUTTON_LEFT, unsigned mods = 0);
void DoubleClick(HWND hwnd, int x, int y, int button = backend::BUTTON_LEFT, unsigned mods = 0);
void Wheel(HWND hwnd, int x, int y, int delta, unsigned mods = 0);
void KeyDown(int vk);
void KeyUp(int vk);
void PressKey(int vk, unsigned mods = 0); // modifiers down, key down and up, modifiers up
void TypeText(const char* utf8);

// Pixels of a window's framebuffer. x, y are client coordinates of hwnd (any window). Returns
// 0xAARRGGBB, or 0 outside the framebuffer.
std::uint32_t ReadPixel(HWND hwnd, int x, int y);
// Writes the framebuffer of the top-level window containing hwnd as a PNG file.
bool Snapshot(HWND hwnd, const char* path);

// The cursor last set, and how many times Present was called (for tests of repaint behaviour).
HCURSOR CurrentCursor();
int PresentCount();

// Changes a system metric (tests of drag and double-click settings) and tells every top-level window
// with WM_SETTINGCHANGE. SetSystemColorsChanged sends WM_SYSCOLORCHANGE to every top-level window.
void SetSystemMetric(int index, int value);
void ResetSystemMetrics();
void SendSettingChange();
void SendSysColorChange();

} // namespace win::headless
