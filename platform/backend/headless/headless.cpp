// The headless backend: a manual clock, injected input, framebuffers read back by tests, PNG snapshots.
#include "../../core/internal.h"
#include "win/detail/surface.h"

#include <atomic>
#include <condition_variable>

namespace win::headless {
namespace {

struct State {
    std::mutex lock;
    std::condition_variable wake;
    bool woken = false;
    std::atomic<ULONGLONG> clock{0};
    IdleHook hook = nullptr;
    void* hookContext = nullptr;
    std::atomic<int> presents{0};
    HCURSOR cursor = nullptr;
};

State& S() {
    static auto* s = new State;
    return *s;
}

ULONGLONG ClockNow() { return S().clock.load(); }

void Wait(DWORD timeoutMs) {
    State& s = S();
    if (s.hook) {
        s.hook(s.hookContext);
        return;
    }
    std::unique_lock<std::mutex> guard(s.lock);
    if (timeoutMs != 0xFFFFFFFF) {
        // Nothing but time can make progress: let the manual clock run to the next timer.
        if (!s.woken) s.clock += timeoutMs;
        s.woken = false;
        return;
    }
    s.wake.wait(guard, [&] { return s.woken; });
    s.woken = false;
}

void Wake() {
    State& s = S();
    {
        std::lock_guard<std::mutex> guard(s.lock);
        s.woken = true;
    }
    s.wake.notify_all();
}

void Presented(HWND, const RECT&) { ++S().presents; }
void CursorChanged(HCURSOR c) { S().cursor = c; }

void ModifiersDown(unsigned mods) {
    if (mods & MOD_SHIFT) backend::InputKey(VK_SHIFT, true);
    if (mods & MOD_CONTROL) backend::InputKey(VK_CONTROL, true);
    if (mods & MOD_ALT) backend::InputKey(VK_MENU, true);
}

void ModifiersUp(unsigned mods) {
    if (mods & MOD_ALT) backend::InputKey(VK_MENU, false);
    if (mods & MOD_CONTROL) backend::InputKey(VK_CONTROL, false);
    if (mods & MOD_SHIFT) backend::InputKey(VK_SHIFT, false);
}

} // namespace

void Install() {
    backend::Backend b{};
    b.name = "headless";
    b.Now = ClockNow;
    b.WaitForEvents = Wait;
    b.Wake = Wake;
    b.Present = Presented;
    b.CursorChanged = CursorChanged;
    S().clock = 0;
    backend::Install(b);
}

ULONGLONG Now() { return S().clock.load(); }

int PumpUntilIdle() {
    int count = 0;
    MSG msg;
    for (int guard = 0; guard < 1000000 && PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE); ++guard) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            break;
        }
        TranslateMessage(&msg);
        DispatchMessage(&msg);
        ++count;
    }
    return count;
}

void AdvanceClock(DWORD ms) {
    State& s = S();
    ULONGLONG target = s.clock.load() + ms;
    auto& g = core::G();
    for (;;) {
        PumpUntilIdle();
        // A pending WM_QUIT stops pumping before timers; stepping on would never reach them.
        if (g.quitPosted) break;
        ULONGLONG next = ~0ull;
        for (const core::Timer& t : g.timers) next = std::min(next, t.due);
        if (next > target) break;
        if (next > s.clock.load()) s.clock = next;
    }
    s.clock = target;
    PumpUntilIdle();
}

void SetIdleHook(IdleHook hook, void* context) {
    S().hook = hook;
    S().hookContext = context;
}

void MouseMove(HWND hwnd, int x, int y) {
    POINT p{x, y};
    if (hwnd) ClientToScreen(hwnd, &p);
    backend::InputMouseMove(p.x, p.y);
}

void MouseDown(int button) { backend::InputMouseButton(button, true); }
void MouseUp(int button) { backend::InputMouseButton(button, false); }

void Click(HWND hwnd, int x, int y, int button, unsigned mods) {
    ModifiersDown(mods);
    MouseMove(hwnd, x, y);
    MouseDown(button);
    MouseUp(button);
    ModifiersUp(mods);
}

void DoubleClick(HWND hwnd, int x, int y, int button, unsigned mods) {
    ModifiersDown(mods);
    MouseMove(hwnd, x, y);
    for (int i = 0; i < 2; ++i) {
        MouseDown(button);
        MouseUp(button);
    }
    ModifiersUp(mods);
}

void Wheel(HWND hwnd, int x, int y, int delta, unsigned mods) {
    ModifiersDown(mods);
    MouseMove(hwnd, x, y);
    backend::InputMouseWheel(delta, false);
    ModifiersUp(mods);
}

void KeyDown(int vk) { backend::InputKey(vk, true); }
void KeyUp(int vk) { backend::InputKey(vk, false); }

void PressKey(int vk, unsigned mods) {
    ModifiersDown(mods);
    backend::InputKey(vk, true);
    backend::InputKey(vk, false);
    ModifiersUp(mods);
}

void TypeText(const char* utf8) { backend::InputText(utf8); }

std::uint32_t ReadPixel(HWND hwnd, int x, int y) {
    detail::Surface s{};
    POINT origin{};
    if (!detail::GetWindowSurface(hwnd, &s, &origin) || !s.pixels) return 0;
    int px = origin.x + x;
    int py = origin.y + y;
    if (px < 0 || py < 0 || px >= s.width || py >= s.height) return 0;
    return s.pixels[static_cast<std::size_t>(py) * s.stride + px];
}

bool Snapshot(HWND hwnd, const char* path) {
    detail::Surface s{};
    if (!path || !detail::GetWindowSurface(hwnd, &s, nullptr) || !s.pixels) return false;
    return detail::WritePng(path, s);
}

HCURSOR CurrentCursor() { return S().cursor; }
int PresentCount() { return S().presents.load(); }

void SetSystemMetric(int index, int value) {
    core::SetMetric(index, value);
    SendSettingChange();
}

void ResetSystemMetrics() { core::ResetMetrics(); }

void SendSettingChange() { SendMessage(HWND_BROADCAST, WM_SETTINGCHANGE, 0, 0); }
void SendSysColorChange() { SendMessage(HWND_BROADCAST, WM_SYSCOLORCHANGE, 0, 0); }

} // namespace win::headless
