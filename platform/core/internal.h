// Internal state of the window core shared by its files: windows, classes, queues, input and paint state.
#pragma once

#include "win/backend.h"
#include "win/win.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace win::core {

struct WindowClass {
    std::string name;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int clsExtra = 0;
    int wndExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON iconSmall = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::string menuName;
    ATOM atom = 0;
    int windowCount = 0;
    std::vector<BYTE> classExtra;
};

struct Window {
    HWND handle = nullptr;
    std::shared_ptr<WindowClass> cls;
    WNDPROC proc = nullptr;
    DWORD style = 0;
    DWORD exStyle = 0;
    std::string text;
    Window* parent = nullptr; // children only
    Window* owner = nullptr;  // owned top-level windows only
    std::vector<Window*> children; // index 0 is the top of the z-order
    RECT rect{};                   // relative to the parent's client area; screen for top-level windows
    RECT inset{};                  // non-client border widths on each side
    LONG_PTR userData = 0;
    UINT_PTR id = 0;
    HINSTANCE instance = nullptr;
    std::vector<BYTE> extra;
    std::map<std::string, HANDLE> props;
    HMENU menu = nullptr; // menu handle of a top-level window (kept, not drawn)
    RECT restoreRect{};   // window rectangle before maximising

    // Painting
    bool hasUpdate = false;
    RECT update{}; // client coordinates
    bool erasePending = false;
    bool framePending = false;
    bool internalPaint = false;
    bool redrawOff = false;
    int paintCalls = 0; // BeginPaint calls, so an unpainted WM_PAINT can be validated

    // Framebuffer of a top-level window, covering its window rectangle.
    std::vector<std::uint32_t> pixels;
    int fbWidth = 0;
    int fbHeight = 0;

    bool destroying = false;
    bool sizeSent = false;
    bool isTopLevel() const { return parent == nullptr; }
    int width() const { return rect.right - rect.left; }
    int height() const { return rect.bottom - rect.top; }
    int clientWidth() const { return std::max(0, width() - inset.left - inset.right); }
    int clientHeight() const { return std::max(0, height() - inset.top - inset.bottom); }
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT elapse;
    ULONGLONG due;
    TIMERPROC proc;
    std::uint64_t order;
};

enum class InputKind { MouseMove, MouseButton, Wheel, Key, Char, CancelMode };

struct InputEvent {
    InputKind kind;
    int x = 0;
    int y = 0;
    int button = 0;
    bool down = false;
    int delta = 0;
    bool horizontal = false;
    int vk = 0;
    WCHAR ch = 0;
    DWORD time = 0;
};

struct Caret {
    HWND owner = nullptr;
    int width = 0;
    int height = 0;
    POINT pos{};
    int hideCount = 1;
    int paintHides = 0;
    bool drawn = false;
    RECT drawnRect{}; // framebuffer rectangle inverted while drawn
    HWND drawnTop = nullptr;
};

struct Globals {
    // Guards the window table and the posted queue; everything else is user-interface thread only.
    std::mutex lock;
    std::unordered_map<HWND, std::shared_ptr<Window>> windows;
    std::uintptr_t nextHandle = 0x20000;
    std::deque<MSG> posted;

    std::vector<std::shared_ptr<WindowClass>> classes;
    ATOM nextAtom = 0xC000;
    std::vector<Window*> topLevels; // index 0 is the top of the z-order

    // Written once by the first user-interface call; read from any thread.
    std::atomic<std::thread::id> uiThread{};
    std::atomic<bool> uiThreadSet{false};

    std::deque<InputEvent> rawInput;
    std::deque<MSG> readyInput;
    bool quitPosted = false;
    int quitCode = 0;
    MSG lastMsg{};

    std::vector<Timer> timers;
    std::uint64_t timerOrder = 0;
    UINT_PTR nextThreadTimerId = 0x7FFF0000;

    HWND capture = nullptr;
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND trackLeave = nullptr;

    BYTE syncKeys[256]{};
    BYTE asyncKeys[256]{};
    POINT cursorPos{};
    HCURSOR cursor = nullptr;
    int cursorShowCount = 0;

    // Double-click synthesis
    int lastDownButton = -1;
    HWND lastDownWindow = nullptr;
    DWORD lastDownTime = 0;
    POINT lastDownPoint{};

    Caret caret;
    UINT caretBlinkTime = 530;
};

Globals& G();

// Window table
std::shared_ptr<Window> Lookup(HWND hwnd);
Window* Get(HWND hwnd); // null for an invalid handle
bool OnUiThread();
void MarkUiThread();

// Geometry
POINT ClientOriginInTop(const Window* w); // client (0,0) in the top-level framebuffer
POINT ClientOriginOnScreen(const Window* w);
Window* TopOf(Window* w);
bool IsVisibleChain(const Window* w);
bool IsDescendant(const Window* ancestor, const Window* w); // true also when equal
std::vector<RECT> VisibleClientClip(const Window* w, bool wholeWindow = false); // framebuffer coordinates
std::vector<RECT> SubtractRect(const std::vector<RECT>& from, const RECT& cut);
RECT IntersectRects(const RECT& a, const RECT& b);
bool RectEmpty(const RECT& r);
RECT UnionRects(const RECT& a, const RECT& b);

// Framebuffers
void AllocateFramebuffer(Window* w);
void Present(Window* top, const RECT& dirty);

// Painting
// Which children an invalidation reaches: none, those of a parent without WS_CLIPCHILDREN, or all.
enum ChildMode { kNoChildren = 0, kDefaultChildren = 1, kAllChildren = 2 };
void InvalidateInternal(Window* w, const RECT* clientRect, bool erase, int childMode, bool frame);
void ValidateAll(Window* w);

// Caret
void CaretSync();
void CaretHideForPaint(Window* w);
void CaretRestoreAfterPaint(Window* w);
void CaretForget(HWND hwnd); // the owner is being destroyed
void CaretUndraw();          // framebuffer about to change under the caret (resize, move)

// Messages
LRESULT SendTo(Window* w, UINT msg, WPARAM wParam, LPARAM lParam);
void PurgePosted(HWND hwnd);
void KillTimersOf(HWND hwnd);
bool ConvertInput(const InputEvent& e, MSG* out); // false: the event produced no message

// Focus, capture and activation during destruction
void ForgetInputState(Window* w);

// Metrics
void ResetMetrics();
void SetMetric(int index, int value);

} // namespace win::core
