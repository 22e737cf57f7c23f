// Message queue: sent and posted messages, retrieval order, WM_QUIT, generated WM_PAINT and WM_TIMER.
#include "internal.h"

namespace win {
namespace core {

LRESULT SendTo(Window* w, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!w) return 0;
    auto keep = Lookup(w->handle); // the procedure may destroy the window
    if (!keep) return 0;
    WNDPROC proc = keep->proc ? keep->proc : DefWindowProc;
    return proc(keep->handle, msg, wParam, lParam);
}

void PurgePosted(HWND hwnd) {
    auto& g = G();
    {
        std::lock_guard<std::mutex> guard(g.lock);
        std::erase_if(g.posted, [&](const MSG& m) { return m.hwnd == hwnd; });
    }
    std::erase_if(g.readyInput, [&](const MSG& m) { return m.hwnd == hwnd; });
}

void KillTimersOf(HWND hwnd) {
    std::erase_if(G().timers, [&](const Timer& t) { return t.hwnd == hwnd; });
}

static bool InFilter(const MSG& m, HWND hwnd, UINT fmin, UINT fmax) {
    if ((fmin || fmax) && (m.message < fmin || m.message > fmax)) return false;
    if (!hwnd) return true;
    if (hwnd == reinterpret_cast<HWND>(-1)) return m.hwnd == nullptr;
    return m.hwnd == hwnd || IsChild(hwnd, m.hwnd);
}

static bool WantsMessage(UINT message, UINT fmin, UINT fmax) {
    return (!fmin && !fmax) || (message >= fmin && message <= fmax);
}

static Window* FindPaint(Window* w) {
    if (!(w->style & WS_VISIBLE)) return nullptr;
    if (w->hasUpdate || w->internalPaint || w->framePending) return w;
    for (auto it = w->children.rbegin(); it != w->children.rend(); ++it)
        if (Window* f = FindPaint(*it)) return f;
    return nullptr;
}

static Window* FindPaintFor(HWND filter) {
    if (filter && filter != reinterpret_cast<HWND>(-1)) {
        Window* w = Get(filter);
        return w && IsVisibleChain(w) ? FindPaint(w) : nullptr;
    }
    if (filter) return nullptr;
    auto& tl = G().topLevels;
    for (auto it = tl.rbegin(); it != tl.rend(); ++it)
        if (Window* f = FindPaint(*it)) return f;
    return nullptr;
}

static bool Peek(MSG* out, HWND hwnd, UINT fmin, UINT fmax, bool remove) {
    auto& g = G();
    {
        std::lock_guard<std::mutex> guard(g.lock);
        for (auto it = g.posted.begin(); it != g.posted.end();) {
            if (it->hwnd == HWND_BROADCAST) {
                // Posted by another thread: the window tree is read here, on its own thread.
                MSG m = *it;
                it = g.posted.erase(it);
                std::size_t at = static_cast<std::size_t>(it - g.posted.begin());
                for (auto t = g.topLevels.rbegin(); t != g.topLevels.rend(); ++t) {
                    m.hwnd = (*t)->handle;
                    it = g.posted.insert(it, m);
                }
                it = g.posted.begin() + static_cast<std::ptrdiff_t>(at);
                continue;
            }
            if (it->hwnd && !g.windows.count(it->hwnd)) {
                it = g.posted.erase(it);
                continue;
            }
            bool match = (!fmin && !fmax) || (it->message >= fmin && it->message <= fmax);
            if (match && hwnd) {
                if (hwnd == reinterpret_cast<HWND>(-1))
                    match = it->hwnd == nullptr;
                else if (it->hwnd != hwnd) {
                    auto f = g.windows.find(hwnd);
                    auto t = it->hwnd ? g.windows.find(it->hwnd) : g.windows.end();
                    match = f != g.windows.end() && t != g.windows.end() && t->second.get() != f->second.get() &&
                            IsDescendant(f->second.get(), t->second.get());
                }
            }
            if (match) {
                *out = *it;
                if (remove) g.posted.erase(it);
                return true;
            }
            ++it;
        }
    }
    for (auto it = g.readyInput.begin(); it != g.readyInput.end(); ++it) {
        if (InFilter(*it, hwnd, fmin, fmax)) {
            *out = *it;
            if (remove) g.readyInput.erase(it);
            return true;
        }
    }
    while (!g.rawInput.empty()) {
        InputEvent e = g.rawInput.front();
        g.rawInput.pop_front();
        MSG m{};
        if (!ConvertInput(e, &m)) continue;
        if (InFilter(m, hwnd, fmin, fmax)) {
            *out = m;
            if (!remove) g.readyInput.push_back(m);
            return true;
        }
        g.readyInput.push_back(m);
    }
    if (g.quitPosted) {
        *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(g.quitCode), 0, GetTickCount(), g.cursorPos};
        if (remove) g.quitPosted = false;
        return true;
    }
    if (WantsMessage(WM_PAINT, fmin, fmax)) {
        if (Window* w = FindPaintFor(hwnd)) {
            *out = MSG{w->handle, WM_PAINT, 0, 0, GetTickCount(), g.cursorPos};
            return true;
        }
    }
    if (WantsMessage(WM_TIMER, fmin, fmax)) {
        ULONGLONG now = backend::Current().Now();
        Timer* best = nullptr;
        for (Timer& t : g.timers) {
            if (t.due > now) continue;
            if (hwnd && !(hwnd == reinterpret_cast<HWND>(-1) ? t.hwnd == nullptr
                                                              : (t.hwnd == hwnd || IsChild(hwnd, t.hwnd))))
                continue;
            if (!best || t.due < best->due || (t.due == best->due && t.order < best->order)) best = &t;
        }
        if (best) {
            *out = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc),
                       static_cast<DWORD>(now), g.cursorPos};
            if (remove) best->due = now + best->elapse;
            return true;
        }
    }
    return false;
}

static DWORD NextTimerWait() {
    auto& g = G();
    if (g.timers.empty()) return 0xFFFFFFFF;
    ULONGLONG now = backend::Current().Now();
    ULONGLONG due = ~0ull;
    for (const Timer& t : g.timers) due = std::min(due, t.due);
    return due <= now ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(due - now, 0xFFFFFFFE));
}

} // namespace core

using namespace core;

LRESULT SendMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!OnUiThread()) return 0;
    if (hwnd == HWND_BROADCAST) {
        std::vector<HWND> tops;
        for (Window* t : G().topLevels) tops.push_back(t->handle);
        for (HWND t : tops) SendTo(Get(t), msg, wParam, lParam);
        return 0;
    }
    auto keep = Lookup(hwnd);
    if (!keep) return 0;
    return SendTo(keep.get(), msg, wParam, lParam);
}

BOOL PostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto& g = G();
    DWORD time = GetTickCount();
    {
        std::lock_guard<std::mutex> guard(g.lock);
        if (hwnd == HWND_BROADCAST && OnUiThread()) {
            for (Window* t : g.topLevels) g.posted.push_back(MSG{t->handle, msg, wParam, lParam, time, POINT{}});
        } else if (hwnd == HWND_BROADCAST) {
            // The window tree belongs to the user-interface thread; the queue expands this later.
            g.posted.push_back(MSG{hwnd, msg, wParam, lParam, time, POINT{}});
        } else {
            if (hwnd && !g.windows.count(hwnd)) return FALSE;
            g.posted.push_back(MSG{hwnd, msg, wParam, lParam, time, POINT{}});
        }
    }
    backend::Current().Wake();
    return TRUE;
}

void PostQuitMessage(int exitCode) {
    auto& g = G();
    g.quitPosted = true;
    g.quitCode = exitCode;
}

BOOL PeekMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags) {
    if (!msg || !OnUiThread()) return FALSE;
    if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !IsWindow(hwnd)) return FALSE;
    MarkUiThread();
    if (!Peek(msg, hwnd, filterMin, filterMax, (removeFlags & PM_REMOVE) != 0)) return FALSE;
    if (removeFlags & PM_REMOVE) G().lastMsg = *msg;
    return TRUE;
}

BOOL GetMessage(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg || !OnUiThread()) return -1;
    if (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !IsWindow(hwnd)) return -1;
    MarkUiThread();
    for (;;) {
        if (Peek(msg, hwnd, filterMin, filterMax, true)) {
            G().lastMsg = *msg;
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        backend::Current().WaitForEvents(NextTimerWait());
    }
}

BOOL WaitMessage() {
    if (!OnUiThread()) return FALSE;
    MSG m;
    if (Peek(&m, nullptr, 0, 0, false)) return TRUE;
    backend::Current().WaitForEvents(NextTimerWait());
    return TRUE;
}

LONG GetMessageTime() { return static_cast<LONG>(G().lastMsg.time); }

DWORD GetMessagePos() {
    const MSG& m = G().lastMsg;
    return MAKELONG(static_cast<WORD>(m.pt.x), static_cast<WORD>(m.pt.y));
}

BOOL InSendMessage() { return FALSE; }

LRESULT CallWindowProc(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!proc) return 0;
    return proc(hwnd, msg, wParam, lParam);
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg || !OnUiThread()) return 0;
    auto& g = G();
    if (msg->message == WM_TIMER && msg->lParam) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        bool known = std::any_of(g.timers.begin(), g.timers.end(), [&](const Timer& t) {
            return t.hwnd == msg->hwnd && t.id == msg->wParam && t.proc == proc;
        });
        if (known) proc(msg->hwnd, WM_TIMER, msg->wParam, GetTickCount());
        return 0;
    }
    auto keep = Lookup(msg->hwnd);
    if (!keep) return 0;
    if (msg->message == WM_PAINT) {
        int before = keep->paintCalls;
        LRESULT r = SendTo(keep.get(), WM_PAINT, msg->wParam, msg->lParam);
        // A procedure that ignores WM_PAINT would otherwise get it forever.
        if (Get(msg->hwnd) && keep->paintCalls == before) ValidateAll(keep.get());
        return r;
    }
    return SendTo(keep.get(), msg->message, msg->wParam, msg->lParam);
}

static WCHAR CharForKey(int vk, bool shift, bool ctrl, bool alt) {
    auto& g = G();
    bool caps = (g.syncKeys[VK_CAPITAL] & 1) != 0;
    if (ctrl && alt) return 0;
    if (vk >= 'A' && vk <= 'Z') {
        if (ctrl) return static_cast<WCHAR>(vk - 'A' + 1);
        return static_cast<WCHAR>((shift != caps) ? vk : vk + 32);
    }
    if (vk >= '0' && vk <= '9') {
        if (ctrl) return 0;
        static const char shifted[] = ")!@#$%^&*(";
        return static_cast<WCHAR>(shift ? shifted[vk - '0'] : vk);
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return ctrl ? 0 : static_cast<WCHAR>('0' + vk - VK_NUMPAD0);
    switch (vk) {
    case VK_SPACE: return u' ';
    case VK_RETURN: return ctrl ? u'\n' : u'\r';
    case VK_BACK: return ctrl ? 0x7F : 0x08;
    case VK_TAB: return ctrl ? 0 : u'\t';
    case VK_ESCAPE: return 0x1B;
    case VK_MULTIPLY: return u'*';
    case VK_ADD: return u'+';
    case VK_SUBTRACT: return u'-';
    case VK_DECIMAL: return u'.';
    case VK_DIVIDE: return u'/';
    default: break;
    }
    if (ctrl) return vk == VK_OEM_4 ? 0x1B : vk == VK_OEM_6 ? 0x1D : vk == VK_OEM_5 ? 0x1C : 0;
    switch (vk) {
    case VK_OEM_1: return shift ? u':' : u';';
    case VK_OEM_PLUS: return shift ? u'+' : u'=';
    case VK_OEM_COMMA: return shift ? u'<' : u',';
    case VK_OEM_MINUS: return shift ? u'_' : u'-';
    case VK_OEM_PERIOD: return shift ? u'>' : u'.';
    case VK_OEM_2: return shift ? u'?' : u'/';
    case VK_OEM_3: return shift ? u'~' : u'`';
    case VK_OEM_4: return shift ? u'{' : u'[';
    case VK_OEM_5: return shift ? u'|' : u'\\';
    case VK_OEM_6: return shift ? u'}' : u']';
    case VK_OEM_7: return shift ? u'"' : u'\'';
    default: return 0;
    }
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg) return FALSE;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return FALSE;
    auto& g = G();
    bool shift = (g.syncKeys[VK_SHIFT] & 0x80) != 0;
    bool ctrl = (g.syncKeys[VK_CONTROL] & 0x80) != 0;
    bool alt = (g.syncKeys[VK_MENU] & 0x80) != 0;
    WCHAR ch = CharForKey(static_cast<int>(msg->wParam), shift, ctrl, alt);
    if (!ch) return TRUE;
    PostMessage(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, ch, msg->lParam);
    return TRUE;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (!OnUiThread()) return 0;
    if (hwnd && !IsWindow(hwnd)) return 0;
    auto& g = G();
    elapse = std::clamp(elapse, USER_TIMER_MINIMUM, USER_TIMER_MAXIMUM);
    ULONGLONG now = backend::Current().Now();
    if (!hwnd) {
        bool exists = id && std::any_of(g.timers.begin(), g.timers.end(),
                                         [&](const Timer& t) { return !t.hwnd && t.id == id; });
        if (!exists) id = g.nextThreadTimerId++;
    }
    for (Timer& t : g.timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t.elapse = elapse;
            t.due = now + elapse;
            t.proc = proc;
            t.order = g.timerOrder++;
            return id ? id : 1;
        }
    }
    g.timers.push_back(Timer{hwnd, id, elapse, now + elapse, proc, g.timerOrder++});
    return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    if (!OnUiThread()) return FALSE;
    auto& g = G();
    auto it = std::find_if(g.timers.begin(), g.timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == g.timers.end()) return FALSE;
    g.timers.erase(it);
    return TRUE;
}

DWORD GetTickCount() { return static_cast<DWORD>(backend::Current().Now()); }
ULONGLONG GetTickCount64() { return backend::Current().Now(); }

} // namespace win
