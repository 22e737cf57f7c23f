// Shared test helpers for the controls: a parent window that records what its children tell it, and a
// scripted idle hook that plays input into modal loops (menus, dialogs) one step per wait.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "../platform_gfx/canvas.h"
#include "win/backend.h"
#include "win/controls.h"
#include "win/gdi.h"
#include "win/win.h"

namespace ctltest {

using namespace win;
using namespace wintest;

// A colour as the backend stores it, opaque; what headless::ReadPixel returns.
inline std::uint32_t Px(COLORREF c) { return gfxtest::Canvas::Px(c); }

// Four image colours, and a 32-bit strip of `count` opaque squares of size `px` in them, in turn.
constexpr COLORREF kColours[4] = {RGB(200, 0, 0), RGB(0, 160, 0), RGB(0, 0, 200), RGB(200, 160, 0)};
inline HBITMAP Strip(int px, int count) {
    void* bits = nullptr;
    HBITMAP bmp = gfxtest::Dib32(px * count, px, &bits);
    auto* p = static_cast<std::uint32_t*>(bits);
    for (int y = 0; y < px; ++y)
        for (int x = 0; x < px * count; ++x) p[y * px * count + x] = Px(kColours[(x / px) % 4]);
    return bmp;
}

// One message the recording parent received.
struct Seen {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
    UINT code = 0;   // WM_NOTIFY code
    UINT_PTR id = 0; // WM_NOTIFY idFrom
    bool ownerEnabled = true;
};

struct Recorder {
    std::vector<Seen> seen;
    std::string tipText = "Tip";         // the answer to TTN_GETDISPINFO
    std::function<void(HMENU)> onInitMenu; // runs on WM_INITMENUPOPUP
    std::function<LRESULT(NMHDR*)> onNotify;

    void Clear() { seen.clear(); }
    std::vector<Seen> Of(UINT msg) const {
        std::vector<Seen> out;
        for (const Seen& s : seen)
            if (s.msg == msg) out.push_back(s);
        return out;
    }
    // WM_COMMAND notification codes sent by the control with this id, in order.
    std::vector<WORD> Commands(int id) const {
        std::vector<WORD> out;
        for (const Seen& s : seen)
            if (s.msg == WM_COMMAND && LOWORD(s.wParam) == id) out.push_back(HIWORD(s.wParam));
        return out;
    }
    int CountCommand(int id, WORD code) const {
        int n = 0;
        for (WORD c : Commands(id)) n += c == code;
        return n;
    }
    std::vector<UINT> Notifies(UINT code) const {
        std::vector<UINT> out;
        for (const Seen& s : seen)
            if (s.msg == WM_NOTIFY && s.code == code) out.push_back(static_cast<UINT>(s.id));
        return out;
    }
};

inline Recorder& Rec() {
    static Recorder r;
    return r;
}

inline LRESULT ParentProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Recorder& r = Rec();
    switch (msg) {
    case WM_COMMAND:
    case WM_INITMENUPOPUP:
    case WM_UNINITMENUPOPUP:
    case WM_MENUSELECT:
    case WM_ENTERIDLE:
    case WM_ENTERMENULOOP:
    case WM_EXITMENULOOP:
    case WM_MENUCHAR:
    case WM_KEYUP:
        r.seen.push_back({msg, wParam, lParam, 0, 0, IsWindowEnabled(hwnd) != FALSE});
        if (msg == WM_INITMENUPOPUP && r.onInitMenu) r.onInitMenu(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_NOTIFY: {
        auto* hdr = reinterpret_cast<NMHDR*>(lParam);
        r.seen.push_back({msg, wParam, lParam, hdr->code, hdr->idFrom, true});
        if (r.onNotify) return r.onNotify(hdr);
        if (hdr->code == TTN_GETDISPINFO) {
            auto* info = reinterpret_cast<NMTTDISPINFO*>(hdr);
            info->lpszText = const_cast<char*>(r.tipText.c_str());
        }
        return 0;
    }
    default:
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

// A scripted person at the keyboard and mouse: every time a loop would wait for input, the next step runs.
// When the steps run out the person gives up: Escape, then closing whatever modal loop is still open.
class Script {
public:
    Script() { headless::SetIdleHook(&Script::Hook, this); }
    ~Script() { headless::SetIdleHook(nullptr, nullptr); }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    Script& Then(std::function<void()> step) {
        steps_.push_back(std::move(step));
        return *this;
    }
    Script& Key(int vk, unsigned mods = 0) {
        return Then([vk, mods] { headless::PressKey(vk, mods); });
    }
    Script& Type(const char* text) {
        std::string s = text;
        return Then([s] { headless::TypeText(s.c_str()); });
    }
    bool Exhausted() const { return exhausted_ > 0; }

private:
    static void Hook(void* ctx) {
        auto* self = static_cast<Script*>(ctx);
        if (!self->steps_.empty()) {
            auto step = std::move(self->steps_.front());
            self->steps_.pop_front();
            step();
            return;
        }
        ++self->exhausted_;
        if (self->exhausted_ == 1) {
            headless::PressKey(VK_ESCAPE);
            return;
        }
        EndMenu();
        HWND active = GetActiveWindow();
        if (active) EndDialog(active, -2);
        PostMessage(nullptr, WM_NULL, 0, 0);
        if (self->exhausted_ > 20) {
            ADD_FAILURE() << "a modal loop kept waiting after the script ended";
            PostQuitMessage(99);
        }
    }
    std::deque<std::function<void()>> steps_;
    int exhausted_ = 0;
};

// A shown top-level window that records its children's notifications; destroyed with the fixture.
class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::Install();
        InitCommonControls();
        static bool registered = [] {
            WNDCLASS wc{};
            wc.lpfnWndProc = ParentProc;
            wc.lpszClassName = "CtlTestParent";
            wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
            wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
            return RegisterClass(&wc) != 0;
        }();
        ASSERT_TRUE(registered);
        Rec() = Recorder{};
        ClearPopupMenuAnswer();
        ClearDialogAnswer();
        parent = CreateWindowEx(0, "CtlTestParent", "Test", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 100, 100, 480, 360,
                                nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(parent, nullptr);
        ShowWindow(parent, SW_SHOW);
        SetActiveWindow(parent);
        headless::PumpUntilIdle();
    }
    void TearDown() override {
        headless::SetIdleHook(nullptr, nullptr);
        if (IsWindow(parent)) DestroyWindow(parent);
        headless::PumpUntilIdle();
        ClearPopupMenuAnswer();
        ClearDialogAnswer();
        Rec() = Recorder{};
    }

    HWND Child(const char* cls, const char* text, DWORD style, int x, int y, int w, int h, int id) {
        HWND c = CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, w, h, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
        EXPECT_NE(c, nullptr) << cls;
        headless::PumpUntilIdle();
        return c;
    }

    static void Pump() { headless::PumpUntilIdle(); }
    static void ClickAt(HWND w, int x, int y) {
        headless::Click(w, x, y);
        Pump();
    }
    static void Press(int vk, unsigned mods = 0) {
        headless::PressKey(vk, mods);
        Pump();
    }
    static void Type(const char* s) {
        headless::TypeText(s);
        Pump();
    }
    static std::string Text(HWND w) {
        char buf[512] = {};
        GetWindowText(w, buf, sizeof buf);
        return buf;
    }
    // The centre of a child in its own client coordinates.
    static POINT Centre(HWND w) {
        RECT rc;
        GetClientRect(w, &rc);
        return POINT{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    }

    HWND parent = nullptr;
};

// The shown pop-up menu windows, in the order they were opened (the first is the top level).
inline std::vector<HWND> PopupMenus() {
    std::vector<HWND> found;
    EnumWindows(
        [](HWND w, LPARAM p) -> BOOL {
            char cls[32] = {};
            GetClassName(w, cls, sizeof cls);
            if (std::string(cls) == "#32768" && IsWindowVisible(w)) reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&found));
    // Later levels are created later and sit on top; order by creation through their screen x.
    std::sort(found.begin(), found.end(), [](HWND a, HWND b) {
        RECT ra, rb;
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.left < rb.left;
    });
    return found;
}

// A captioned modal dialog template in the dialog font, at (x, y) and cx x cy dialog units.
template <std::size_t N>
DialogTemplate ModalTemplate(const DialogItemTemplate (&items)[N], const char* title, short x, short y, short cx,
                             short cy) {
    DialogTemplate t{};
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | WS_VISIBLE;
    t.x = x;
    t.y = y;
    t.cx = cx;
    t.cy = cy;
    t.title = title;
    t.fontFace = "MS Shell Dlg";
    t.pointSize = 8;
    t.items = items;
    t.count = static_cast<int>(N);
    return t;
}

using gfxtest::SnapshotPath;

} // namespace ctltest
