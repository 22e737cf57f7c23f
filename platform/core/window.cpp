// Windows: the handle table, creation and destruction, the window tree, window data and text.
#include "internal.h"

#include <cstring>
#include <functional>

namespace win {
namespace core {

std::shared_ptr<WindowClass> FindClass(LPCSTR name, HINSTANCE instance);

Globals& G() {
    static Globals* g = new Globals; // never destroyed: static destructors of other modules may still call in
    return *g;
}

std::shared_ptr<Window> Lookup(HWND hwnd) {
    if (!hwnd) return nullptr;
    auto& g = G();
    std::lock_guard<std::mutex> guard(g.lock);
    auto it = g.windows.find(hwnd);
    return it == g.windows.end() ? nullptr : it->second;
}

Window* Get(HWND hwnd) { return Lookup(hwnd).get(); }

void MarkUiThread() {
    auto& g = G();
    if (!g.uiThreadSet.load(std::memory_order_acquire)) {
        g.uiThread.store(std::this_thread::get_id(), std::memory_order_relaxed);
        g.uiThreadSet.store(true, std::memory_order_release);
    }
}

bool OnUiThread() {
    auto& g = G();
    return !g.uiThreadSet.load(std::memory_order_acquire) ||
           g.uiThread.load(std::memory_order_relaxed) == std::this_thread::get_id();
}

bool RectEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT IntersectRects(const RECT& a, const RECT& b) {
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (RectEmpty(r)) r = RECT{0, 0, 0, 0};
    return r;
}

RECT UnionRects(const RECT& a, const RECT& b) {
    if (RectEmpty(a)) return b;
    if (RectEmpty(b)) return a;
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

std::vector<RECT> SubtractRect(const std::vector<RECT>& from, const RECT& cut) {
    std::vector<RECT> out;
    for (const RECT& r : from) {
        RECT i = IntersectRects(r, cut);
        if (RectEmpty(i)) {
            out.push_back(r);
            continue;
        }
        if (r.top < i.top) out.push_back(RECT{r.left, r.top, r.right, i.top});
        if (i.bottom < r.bottom) out.push_back(RECT{r.left, i.bottom, r.right, r.bottom});
        if (r.left < i.left) out.push_back(RECT{r.left, i.top, i.left, i.bottom});
        if (i.right < r.right) out.push_back(RECT{i.right, i.top, r.right, i.bottom});
    }
    return out;
}

Window* TopOf(Window* w) {
    while (w && w->parent) w = w->parent;
    return w;
}

bool IsDescendant(const Window* ancestor, const Window* w) {
    for (; w; w = w->parent)
        if (w == ancestor) return true;
    return false;
}

bool IsVisibleChain(const Window* w) {
    for (; w; w = w->parent)
        if (!(w->style & WS_VISIBLE)) return false;
    return true;
}

// Window rectangle origin in the top-level framebuffer.
static POINT WindowOriginInTop(const Window* w) {
    if (!w->parent) return POINT{0, 0};
    POINT p = ClientOriginInTop(w->parent);
    return POINT{p.x + w->rect.left, p.y + w->rect.top};
}

POINT ClientOriginInTop(const Window* w) {
    POINT p = WindowOriginInTop(w);
    return POINT{p.x + w->inset.left, p.y + w->inset.top};
}

POINT ClientOriginOnScreen(const Window* w) {
    const Window* top = w;
    while (top->parent) top = top->parent;
    POINT p = ClientOriginInTop(w);
    return POINT{p.x + top->rect.left, p.y + top->rect.top};
}

static RECT WindowRectInTop(const Window* w) {
    POINT o = WindowOriginInTop(w);
    return RECT{o.x, o.y, o.x + w->width(), o.y + w->height()};
}

static RECT ClientRectInTop(const Window* w) {
    POINT o = ClientOriginInTop(w);
    return RECT{o.x, o.y, o.x + w->clientWidth(), o.y + w->clientHeight()};
}

std::vector<RECT> VisibleClientClip(const Window* w, bool wholeWindow) {
    const Window* top = w;
    while (top->parent) top = top->parent;
    RECT area = wholeWindow ? WindowRectInTop(w) : ClientRectInTop(w);
    area = IntersectRects(area, RECT{0, 0, top->fbWidth, top->fbHeight});
    for (const Window* a = w->parent; a; a = a->parent) area = IntersectRects(area, ClientRectInTop(a));
    std::vector<RECT> clip;
    if (RectEmpty(area)) return clip;
    clip.push_back(area);
    if (w->style & WS_CLIPCHILDREN) {
        for (const Window* c : w->children)
            if (c->style & WS_VISIBLE) clip = SubtractRect(clip, WindowRectInTop(c));
    }
    for (const Window* n = w; n->parent; n = n->parent) {
        if (!(n->style & WS_CLIPSIBLINGS)) continue;
        for (const Window* s : n->parent->children) {
            if (s == n) break; // siblings before n are above it
            if (s->style & WS_VISIBLE) clip = SubtractRect(clip, WindowRectInTop(s));
        }
    }
    return clip;
}

void AllocateFramebuffer(Window* w) {
    int nw = std::max(0, w->width());
    int nh = std::max(0, w->height());
    if (nw == w->fbWidth && nh == w->fbHeight && !w->pixels.empty()) return;
    std::vector<std::uint32_t> next(static_cast<std::size_t>(nw) * static_cast<std::size_t>(nh), 0xFFFFFFFFu);
    for (int y = 0; y < std::min(nh, w->fbHeight); ++y)
        std::memcpy(next.data() + static_cast<std::size_t>(y) * nw,
                    w->pixels.data() + static_cast<std::size_t>(y) * w->fbWidth,
                    sizeof(std::uint32_t) * static_cast<std::size_t>(std::min(nw, w->fbWidth)));
    w->pixels.swap(next);
    w->fbWidth = nw;
    w->fbHeight = nh;
}

void Present(Window* top, const RECT& dirty) {
    RECT r = IntersectRects(dirty, RECT{0, 0, top->fbWidth, top->fbHeight});
    if (RectEmpty(r)) return;
    backend::Current().Present(top->handle, r);
}

static void ComputeInset(Window* w) {
    NCCALCSIZE_PARAMS params{};
    RECT r{0, 0, w->width(), w->height()};
    params.rgrc[0] = r;
    SendTo(w, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&params.rgrc[0]));
    RECT c = params.rgrc[0];
    w->inset = RECT{std::max(0, c.left), std::max(0, c.top), std::max(0, r.right - c.right),
                    std::max(0, r.bottom - c.bottom)};
}

static void RemoveFromSiblings(Window* w) {
    auto& list = w->parent ? w->parent->children : G().topLevels;
    list.erase(std::remove(list.begin(), list.end(), w), list.end());
}

void ForgetInputState(Window* w) {
    auto& g = G();
    auto inTree = [&](HWND h) {
        Window* x = Get(h);
        return x && IsDescendant(w, x);
    };
    if (g.capture && inTree(g.capture)) {
        g.capture = nullptr;
        backend::Current().CaptureChanged(false);
    }
    if (g.focus && inTree(g.focus)) g.focus = nullptr;
    if (g.active && inTree(g.active)) g.active = nullptr;
    if (g.trackLeave && inTree(g.trackLeave)) g.trackLeave = nullptr;
    if (g.lastDownWindow && inTree(g.lastDownWindow)) g.lastDownWindow = nullptr;
    if (g.caret.owner && inTree(g.caret.owner)) CaretForget(g.caret.owner);
}

static void SendDestroyDown(HWND hwnd) {
    auto keep = Lookup(hwnd);
    if (!keep) return;
    SendTo(keep.get(), WM_DESTROY, 0, 0);
    std::vector<HWND> kids;
    for (Window* c : keep->children) kids.push_back(c->handle);
    // Every descendant is already marked as destroying; each gets its WM_DESTROY after its parent.
    for (HWND k : kids) SendDestroyDown(k);
}

static void FreeWindow(Window* w) {
    auto& g = G();
    HWND h = w->handle;
    KillTimersOf(h);
    PurgePosted(h);
    RemoveFromSiblings(w);
    if (w->cls) --w->cls->windowCount;
    if (!w->parent) backend::Current().WindowDestroyed(h);
    std::shared_ptr<Window> hold;
    {
        std::lock_guard<std::mutex> guard(g.lock);
        auto it = g.windows.find(h);
        if (it != g.windows.end()) {
            hold = it->second;
            g.windows.erase(it);
        }
    }
    // hold releases here; callers still on the stack keep their own references.
}

static void SendNcDestroyUp(HWND hwnd) {
    auto keep = Lookup(hwnd);
    if (!keep) return;
    std::vector<HWND> kids;
    for (Window* c : keep->children) kids.push_back(c->handle);
    for (HWND k : kids) SendNcDestroyUp(k);
    SendTo(keep.get(), WM_NCDESTROY, 0, 0);
    FreeWindow(keep.get());
}

} // namespace core

using namespace core;

HWND CreateWindowEx(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                    int width, int height, HWND parentHandle, HMENU menu, HINSTANCE instance, LPVOID param) {
    if (!OnUiThread()) return nullptr;
    MarkUiThread();
    auto cls = FindClass(className, instance);
    if (!cls) return nullptr;
    Window* parent = nullptr;
    Window* owner = nullptr;
    if (parentHandle == HWND_MESSAGE) parentHandle = nullptr;
    if (parentHandle) {
        Window* p = Get(parentHandle);
        if (!p) return nullptr;
        if (style & WS_CHILD)
            parent = p;
        else
            owner = TopOf(p);
    } else if (style & WS_CHILD) {
        return nullptr;
    }
    auto& g = G();
    auto w = std::make_shared<Window>();
    {
        std::lock_guard<std::mutex> guard(g.lock);
        w->handle = reinterpret_cast<HWND>(g.nextHandle);
        g.nextHandle += 4;
        g.windows[w->handle] = w;
    }
    Window* win = w.get();
    win->cls = cls;
    ++cls->windowCount;
    win->proc = cls->proc;
    bool wantVisible = (style & WS_VISIBLE) != 0;
    win->style = style & ~WS_VISIBLE;
    if (!parent) win->style |= WS_CLIPSIBLINGS;
    win->exStyle = exStyle;
    win->instance = instance;
    win->parent = parent;
    win->owner = owner;
    win->extra.assign(static_cast<std::size_t>(cls->wndExtra), 0);
    if (parent)
        win->id = reinterpret_cast<UINT_PTR>(menu);
    else
        win->menu = menu;
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) {
        width = parent ? 0 : 640;
        height = parent ? 0 : 480;
    }
    win->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    if (parent)
        parent->children.push_back(win); // new children go to the bottom of the z-order
    else
        g.topLevels.insert(g.topLevels.begin(), win);
    if (!parent) {
        AllocateFramebuffer(win);
        backend::Current().WindowCreated(win->handle, win->fbWidth, win->fbHeight);
    }

    CREATESTRUCT cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parentHandle;
    cs.cx = width;
    cs.cy = height;
    cs.x = x;
    cs.y = y;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    HWND h = win->handle;
    if (!SendTo(win, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        if (Get(h)) {
            win->destroying = true;
            ForgetInputState(win);
            SendNcDestroyUp(h);
        }
        return nullptr;
    }
    if (!Get(h)) return nullptr;
    ComputeInset(win);
    if (SendTo(win, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(h);
        return nullptr;
    }
    if (!Get(h)) return nullptr;
    win->sizeSent = true;
    SendTo(win, WM_SIZE, SIZE_RESTORED, MAKELPARAM(static_cast<WORD>(win->clientWidth()),
                                                   static_cast<WORD>(win->clientHeight())));
    if (!Get(h)) return nullptr;
    SendTo(win, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(win->rect.left + win->inset.left),
                                       static_cast<WORD>(win->rect.top + win->inset.top)));
    if (!Get(h)) return nullptr;
    if (parent && !(exStyle & WS_EX_NOPARENTNOTIFY) && Get(parentHandle))
        SendTo(parent, WM_PARENTNOTIFY, MAKEWPARAM(static_cast<WORD>(WM_CREATE), static_cast<WORD>(win->id)),
               reinterpret_cast<LPARAM>(h));
    if (!Get(h)) return nullptr;
    if (wantVisible) ShowWindow(h, SW_SHOW);
    return Get(h) ? h : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    if (!OnUiThread()) return FALSE;
    auto keep = Lookup(hwnd);
    if (!keep || keep->destroying) return FALSE;
    Window* w = keep.get();
    auto& g = G();
    if (!w->parent) {
        std::vector<HWND> owned;
        for (Window* t : g.topLevels)
            if (t->owner == w) owned.push_back(t->handle);
        for (HWND o : owned) DestroyWindow(o);
    }
    // Hide first, as the classic system does: a child gets WM_SHOWWINDOW and the position messages
    // and hands the focus to its parent; a top-level window is hidden without WM_SHOWWINDOW.
    if (w->style & WS_VISIBLE) {
        if (w->parent)
            ShowWindow(hwnd, SW_HIDE);
        else
            SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (!Get(hwnd) || w->destroying) return TRUE;
    }
    // Activation passes to the owner, and the focus leaves the dying tree with WM_KILLFOCUS.
    if (!w->parent && g.active == hwnd) {
        Window* o = w->owner;
        bool ownerUsable = o && Get(o->handle) && !o->destroying && (o->style & WS_VISIBLE) && !(o->style & WS_DISABLED);
        SetActiveWindow(ownerUsable ? o->handle : nullptr);
        if (!Get(hwnd) || w->destroying) return TRUE;
    }
    if (Window* f = Get(g.focus); f && IsDescendant(w, f)) {
        SetFocus(w->parent ? w->parent->handle : nullptr);
        if (!Get(hwnd) || w->destroying) return TRUE;
    }
    w->destroying = true;
    ForgetInputState(w);
    // The parent hears of the destruction only when it heard of the creation.
    if (w->parent && w->sizeSent && !(w->exStyle & WS_EX_NOPARENTNOTIFY))
        SendTo(w->parent, WM_PARENTNOTIFY, MAKEWPARAM(static_cast<WORD>(WM_DESTROY), static_cast<WORD>(w->id)),
               reinterpret_cast<LPARAM>(hwnd));
    std::function<void(Window*)> mark = [&](Window* x) {
        x->destroying = true;
        for (Window* c : x->children) mark(c);
    };
    mark(w);
    SendDestroyDown(hwnd);
    SendNcDestroyUp(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return Lookup(hwnd) ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hwnd) {
    Window* w = Get(hwnd);
    return w && IsVisibleChain(w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    Window* w = Get(hwnd);
    return w && !(w->style & WS_DISABLED) ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
    if (enable && wasDisabled) {
        w->style &= ~WS_DISABLED;
        SendTo(w, WM_ENABLE, TRUE, 0);
    } else if (!enable && !wasDisabled) {
        auto& g = G();
        SendTo(w, WM_CANCELMODE, 0, 0);
        if (!Get(hwnd)) return wasDisabled;
        w->style |= WS_DISABLED;
        Window* f = Get(g.focus);
        if (f && IsDescendant(w, f)) SetFocus(nullptr);
        if (Get(hwnd)) SendTo(w, WM_ENABLE, FALSE, 0);
    }
    return wasDisabled;
}

BOOL IsChild(HWND parentHandle, HWND hwnd) {
    Window* p = Get(parentHandle);
    Window* w = Get(hwnd);
    if (!p || !w || p == w) return FALSE;
    return IsDescendant(p, w) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
    Window* w = Get(hwnd);
    return w && (w->style & WS_MINIMIZE) ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
    Window* w = Get(hwnd);
    return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return nullptr;
    if (w->parent) return w->parent->handle;
    if (w->owner && (w->style & WS_POPUP)) return w->owner->handle;
    return nullptr;
}

HWND GetWindow(HWND hwnd, UINT cmd) {
    Window* w = Get(hwnd);
    if (!w) return nullptr;
    auto& list = w->parent ? w->parent->children : G().topLevels;
    auto pos = std::find(list.begin(), list.end(), w);
    switch (cmd) {
    case GW_HWNDFIRST: return list.empty() ? nullptr : list.front()->handle;
    case GW_HWNDLAST: return list.empty() ? nullptr : list.back()->handle;
    case GW_HWNDNEXT: return (pos != list.end() && pos + 1 != list.end()) ? (*(pos + 1))->handle : nullptr;
    case GW_HWNDPREV: return (pos != list.end() && pos != list.begin()) ? (*(pos - 1))->handle : nullptr;
    case GW_OWNER: return w->owner ? w->owner->handle : nullptr;
    case GW_CHILD: return w->children.empty() ? nullptr : w->children.front()->handle;
    default: return nullptr;
    }
}

HWND GetAncestor(HWND hwnd, UINT flags) {
    Window* w = Get(hwnd);
    if (!w) return nullptr;
    switch (flags) {
    case GA_PARENT: return w->parent ? w->parent->handle : GetDesktopWindow();
    case GA_ROOT: return TopOf(w)->handle;
    case GA_ROOTOWNER: {
        Window* t = TopOf(w);
        while (t->owner) t = TopOf(t->owner);
        return t->handle;
    }
    default: return nullptr;
    }
}

HWND GetDesktopWindow() { return nullptr; }

HWND GetDlgItem(HWND dialog, int id) {
    Window* w = Get(dialog);
    if (!w) return nullptr;
    for (Window* c : w->children)
        if (static_cast<int>(c->id) == id) return c->handle;
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
    Window* w = Get(hwnd);
    return w && w->parent ? static_cast<int>(w->id) : 0;
}

static bool EnumChildren(Window* w, WNDENUMPROC proc, LPARAM lParam) {
    std::vector<HWND> kids;
    for (Window* c : w->children) kids.push_back(c->handle);
    for (HWND k : kids) {
        Window* c = Get(k);
        if (!c) continue;
        if (!proc(k, lParam)) return false;
        c = Get(k);
        if (c && !EnumChildren(c, proc, lParam)) return false;
    }
    return true;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam) {
    Window* w = Get(parent);
    if (!w || !proc) return FALSE;
    EnumChildren(w, proc, lParam);
    return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam) {
    if (!proc) return FALSE;
    std::vector<HWND> tops;
    for (Window* t : G().topLevels) tops.push_back(t->handle);
    for (HWND t : tops)
        if (IsWindow(t) && !proc(t, lParam)) break;
    return TRUE;
}

template <typename T> static bool ExtraAccess(Window* w, int index, T* value, bool write) {
    if (index < 0 || static_cast<std::size_t>(index) + sizeof(T) > w->extra.size()) return false;
    if (write)
        std::memcpy(w->extra.data() + index, value, sizeof(T));
    else
        std::memcpy(value, w->extra.data() + index, sizeof(T));
    return true;
}

static void SetStyle(Window* w, int index, DWORD value) {
    STYLESTRUCT ss{index == GWL_STYLE ? w->style : w->exStyle, value};
    HWND h = w->handle;
    SendTo(w, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    if (!Get(h)) return;
    STYLESTRUCT done{index == GWL_STYLE ? w->style : w->exStyle, ss.styleNew};
    if (index == GWL_STYLE)
        w->style = ss.styleNew;
    else
        w->exStyle = ss.styleNew;
    SendTo(w, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&done));
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(w->parent ? w->parent->handle : (w->owner ? w->owner->handle : nullptr));
    case GWLP_ID: return static_cast<LONG_PTR>(w->id);
    case GWL_STYLE: return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(w->exStyle);
    case GWLP_USERDATA: return w->userData;
    default: {
        LONG_PTR v = 0;
        ExtraAccess(w, index, &v, false);
        return v;
    }
    }
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    LONG_PTR old = GetWindowLongPtr(hwnd, index);
    switch (index) {
    case GWLP_WNDPROC:
        if (!value) return 0;
        w->proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GWLP_HINSTANCE: w->instance = reinterpret_cast<HINSTANCE>(value); break;
    case GWLP_HWNDPARENT:
        if (!w->parent) w->owner = value ? (Get(reinterpret_cast<HWND>(value)) ? TopOf(Get(reinterpret_cast<HWND>(value))) : w->owner) : nullptr;
        break;
    case GWLP_ID: w->id = static_cast<UINT_PTR>(value); break;
    case GWL_STYLE:
    case GWL_EXSTYLE: SetStyle(w, index, static_cast<DWORD>(value)); break;
    case GWLP_USERDATA: w->userData = value; break;
    default:
        if (!ExtraAccess(w, index, &value, true)) return 0;
    }
    return old;
}

LONG GetWindowLong(HWND hwnd, int index) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    if (index < 0) return static_cast<LONG>(GetWindowLongPtr(hwnd, index));
    LONG v = 0;
    ExtraAccess(w, index, &v, false);
    return v;
}

LONG SetWindowLong(HWND hwnd, int index, LONG value) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    if (index < 0) return static_cast<LONG>(SetWindowLongPtr(hwnd, index, value));
    LONG old = 0;
    if (!ExtraAccess(w, index, &old, false)) return 0;
    ExtraAccess(w, index, &value, true);
    return old;
}

static std::string PropKey(LPCSTR name) {
    if (IS_INTRESOURCE(name)) return "#" + std::to_string(reinterpret_cast<UINT_PTR>(name));
    return name;
}

BOOL SetProp(HWND hwnd, LPCSTR name, HANDLE data) {
    Window* w = Get(hwnd);
    if (!w || !name) return FALSE;
    w->props[PropKey(name)] = data;
    return TRUE;
}

HANDLE GetProp(HWND hwnd, LPCSTR name) {
    Window* w = Get(hwnd);
    if (!w || !name) return nullptr;
    auto it = w->props.find(PropKey(name));
    return it == w->props.end() ? nullptr : it->second;
}

HANDLE RemoveProp(HWND hwnd, LPCSTR name) {
    Window* w = Get(hwnd);
    if (!w || !name) return nullptr;
    auto it = w->props.find(PropKey(name));
    if (it == w->props.end()) return nullptr;
    HANDLE h = it->second;
    w->props.erase(it);
    return h;
}

BOOL SetWindowText(HWND hwnd, LPCSTR text) {
    Window* w = Get(hwnd);
    if (!w) return FALSE;
    return SendTo(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE : FALSE;
}

int GetWindowText(HWND hwnd, LPSTR buffer, int n) {
    Window* w = Get(hwnd);
    if (!w || !buffer || n <= 0) return 0;
    buffer[0] = 0;
    return static_cast<int>(SendTo(w, WM_GETTEXT, static_cast<WPARAM>(n), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLength(HWND hwnd) {
    Window* w = Get(hwnd);
    if (!w) return 0;
    return static_cast<int>(SendTo(w, WM_GETTEXTLENGTH, 0, 0));
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    Window* w = Get(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{0, 0, w->clientWidth(), w->clientHeight()};
    return TRUE;
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    Window* w = Get(hwnd);
    if (!w || !rect) return FALSE;
    if (!w->parent) {
        *rect = w->rect;
        return TRUE;
    }
    POINT o = ClientOriginOnScreen(w->parent);
    *rect = RECT{o.x + w->rect.left, o.y + w->rect.top, o.x + w->rect.right, o.y + w->rect.bottom};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT pt) {
    Window* w = Get(hwnd);
    if (!w || !pt) return FALSE;
    POINT o = ClientOriginOnScreen(w);
    pt->x += o.x;
    pt->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT pt) {
    Window* w = Get(hwnd);
    if (!w || !pt) return FALSE;
    POINT o = ClientOriginOnScreen(w);
    pt->x -= o.x;
    pt->y -= o.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    Window* f = from ? Get(from) : nullptr;
    Window* t = to ? Get(to) : nullptr;
    if ((from && !f) || (to && !t)) return 0;
    POINT of = f ? ClientOriginOnScreen(f) : POINT{0, 0};
    POINT ot = t ? ClientOriginOnScreen(t) : POINT{0, 0};
    LONG dx = of.x - ot.x;
    LONG dy = of.y - ot.y;
    if (points)
        for (UINT i = 0; i < count; ++i) {
            points[i].x += dx;
            points[i].y += dy;
        }
    return static_cast<int>(MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy)));
}

static bool InRect(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

HWND WindowFromPoint(POINT pt) {
    for (Window* t : G().topLevels) {
        if (!(t->style & WS_VISIBLE) || !InRect(t->rect, pt)) continue;
        Window* w = t;
        for (;;) {
            POINT o = ClientOriginOnScreen(w);
            POINT local{pt.x - o.x, pt.y - o.y};
            if (!InRect(RECT{0, 0, w->clientWidth(), w->clientHeight()}, local)) break;
            Window* next = nullptr;
            for (Window* c : w->children) {
                if (!(c->style & WS_VISIBLE) || (c->style & WS_DISABLED)) continue;
                if (InRect(c->rect, local)) {
                    next = c;
                    break;
                }
            }
            if (!next) break;
            w = next;
        }
        return w->handle;
    }
    return nullptr;
}

} // namespace win
