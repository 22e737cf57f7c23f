// Shared test fixture of the window system.
#include "fixture.h"

#include "win/gdi.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <sstream>

namespace vortest {

const char* const kRecClass = "RecWindow";
const char* const kRecDblClass = "RecDblWindow";

namespace {

std::map<HWND, Behaviour>& Behaviours() {
    static std::map<HWND, Behaviour> b;
    return b;
}
Behaviour g_next;
bool g_hasNext = false;

LRESULT RecordingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Recorder::Get().Add(hwnd, msg, wParam, lParam);
    if (msg == WM_NCCREATE && g_hasNext) {
        Behaviours()[hwnd] = g_next;
        g_hasNext = false;
    }
    Behaviour& b = Behaviours()[hwnd];
    if (b.hook) {
        bool handled = false;
        LRESULT r = b.hook(hwnd, msg, wParam, lParam, &handled);
        if (handled) return r;
    }
    switch (msg) {
    case WM_NCCREATE: {
        LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
        return b.ncCreateResult ? r : FALSE;
    }
    case WM_CREATE: return b.createResult;
    case WM_PAINT:
        if (b.paint) {
            PAINTSTRUCT ps;
            HDC dc = BeginPaint(hwnd, &ps);
            if (dc && b.paintColour) {
                std::uint32_t c = b.paintColour;
                HBRUSH br = CreateSolidBrush(RGB(static_cast<BYTE>(c >> 16), static_cast<BYTE>(c >> 8),
                                                 static_cast<BYTE>(c)));
                FillRect(dc, &ps.rcPaint, br);
                DeleteObject(br);
            }
            EndPaint(hwnd, &ps);
            return 0;
        }
        return 0;
    case WM_NCDESTROY: {
        LRESULT r = DefWindowProc(hwnd, msg, wParam, lParam);
        Behaviours().erase(hwnd);
        return r;
    }
    default: return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

void RegisterOnce() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = RecordingProc;
    wc.cbWndExtra = 16;
    wc.lpszClassName = kRecClass;
    RegisterClassEx(&wc);
    wc.style = CS_DBLCLKS;
    wc.lpszClassName = kRecDblClass;
    RegisterClassEx(&wc);
}

BOOL CollectTop(HWND hwnd, LPARAM lp) {
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(hwnd);
    return TRUE;
}

} // namespace

Behaviour& BehaviourFor(HWND hwnd) { return Behaviours()[hwnd]; }

void SetNextBehaviour(const Behaviour& b) {
    g_next = b;
    g_hasNext = true;
}

Recorder& Recorder::Get() {
    static Recorder r;
    return r;
}

void Recorder::Add(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    bool posted = false;
    if (dispatchPending_ && hwnd == dispatchHwnd_ && msg == dispatchMsg_) {
        posted = true;
        dispatchPending_ = false;
    }
    if (std::find(ignore.begin(), ignore.end(), msg) != ignore.end()) return;
    log_.push_back(Recorded{hwnd, msg, posted, wParam, lParam});
}

std::string MessageName(UINT msg) {
#define N(m) {m, #m}
    static const std::map<UINT, const char*> names = {
        N(WM_NULL), N(WM_CREATE), N(WM_DESTROY), N(WM_MOVE), N(WM_SIZE), N(WM_ACTIVATE), N(WM_SETFOCUS),
        N(WM_KILLFOCUS), N(WM_ENABLE), N(WM_SETTEXT), N(WM_PAINT), N(WM_CLOSE), N(WM_ERASEBKGND), N(WM_SHOWWINDOW),
        N(WM_CANCELMODE), N(WM_SETCURSOR), N(WM_MOUSEACTIVATE), N(WM_WINDOWPOSCHANGING), N(WM_WINDOWPOSCHANGED),
        N(WM_CONTEXTMENU), N(WM_NCCREATE), N(WM_NCDESTROY), N(WM_NCCALCSIZE), N(WM_NCHITTEST), N(WM_NCPAINT),
        N(WM_NCACTIVATE), N(WM_KEYDOWN), N(WM_KEYUP), N(WM_CHAR), N(WM_SYSKEYDOWN), N(WM_SYSKEYUP), N(WM_SYSCHAR),
        N(WM_TIMER), N(WM_MOUSEMOVE), N(WM_LBUTTONDOWN), N(WM_LBUTTONUP), N(WM_LBUTTONDBLCLK), N(WM_RBUTTONDOWN),
        N(WM_RBUTTONUP), N(WM_RBUTTONDBLCLK), N(WM_MBUTTONDOWN), N(WM_MBUTTONUP), N(WM_MOUSEWHEEL),
        N(WM_PARENTNOTIFY), N(WM_CAPTURECHANGED), N(WM_MOUSELEAVE), N(WM_STYLECHANGING), N(WM_STYLECHANGED),
        N(WM_SETTINGCHANGE), N(WM_SYSCOLORCHANGE), N(WM_DESTROYCLIPBOARD), N(WM_HELP), N(WM_GETTEXT),
        N(WM_GETTEXTLENGTH), N(WM_NCMOUSEMOVE), N(WM_NCLBUTTONDOWN), N(WM_NCLBUTTONUP)};
#undef N
    auto it = names.find(msg);
    if (it != names.end()) return it->second;
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%04X", msg);
    return buf;
}

::testing::AssertionResult MatchSequence(const std::vector<Expect>& expected, const std::vector<HWND>& windows) {
    std::vector<Recorded> got;
    std::vector<int> who;
    for (const Recorded& r : Recorder::Get().Log()) {
        auto it = std::find(windows.begin(), windows.end(), r.hwnd);
        if (it == windows.end()) continue;
        got.push_back(r);
        who.push_back(static_cast<int>(it - windows.begin()));
    }
    auto dump = [&] {
        std::ostringstream os;
        os << "\n  expected:";
        for (const Expect& e : expected)
            os << "\n    [" << e.who << "] " << MessageName(e.msg) << ((e.flags & kPosted) ? " posted" : " sent")
               << ((e.flags & kOptional) ? " (optional)" : "");
        os << "\n  got:";
        for (std::size_t i = 0; i < got.size(); ++i)
            os << "\n    [" << who[i] << "] " << MessageName(got[i].msg) << (got[i].posted ? " posted" : " sent")
               << " wp=" << got[i].wParam << " lp=" << got[i].lParam;
        return os.str();
    };
    std::size_t g = 0;
    for (std::size_t e = 0; e < expected.size(); ++e) {
        const Expect& x = expected[e];
        bool match = g < got.size() && who[g] == x.who && got[g].msg == x.msg &&
                     got[g].posted == ((x.flags & kPosted) != 0) &&
                     (!(x.flags & kWParam) || got[g].wParam == x.wParam) &&
                     (!(x.flags & kLParam) || got[g].lParam == x.lParam);
        if (match) {
            ++g;
            continue;
        }
        if (x.flags & kOptional) continue;
        return ::testing::AssertionFailure() << "row " << e << " (" << MessageName(x.msg) << ") differs" << dump();
    }
    if (g != got.size())
        return ::testing::AssertionFailure() << "extra messages from row " << g << dump();
    return ::testing::AssertionSuccess();
}

void PlatformTest::SetUp() {
    headless::Install();
    headless::ResetSystemMetrics();
    SetDoubleClickTime(0);
    RegisterOnce();
    rec().ignore.clear();
    rec().Clear();
}

void PlatformTest::TearDown() {
    ReleaseCapture();
    std::vector<HWND> tops;
    EnumWindows(CollectTop, reinterpret_cast<LPARAM>(&tops));
    for (HWND t : tops) DestroyWindow(t);
    for (int vk = 1; vk < 256; ++vk) {
        if (!(GetAsyncKeyState(vk) & 0x8000)) continue;
        if (vk == VK_LBUTTON) backend::InputMouseButton(backend::BUTTON_LEFT, false);
        else if (vk == VK_RBUTTON) backend::InputMouseButton(backend::BUTTON_RIGHT, false);
        else if (vk == VK_MBUTTON) backend::InputMouseButton(backend::BUTTON_MIDDLE, false);
        else backend::InputKey(vk, false);
    }
    if (OpenClipboard(nullptr)) {
        EmptyClipboard();
        CloseClipboard();
    }
    while (CloseClipboard()) {
    }
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
    }
    headless::SetIdleHook(nullptr, nullptr);
    headless::ResetSystemMetrics();
    rec().Clear();
}

HWND PlatformTest::TopLevel(int x, int y, int w, int h, DWORD style, const char* cls) {
    return CreateWindowEx(0, cls ? cls : kRecClass, "top", style, x, y, w, h, nullptr, nullptr, nullptr, nullptr);
}

HWND PlatformTest::Child(HWND parent, int x, int y, int w, int h, int id, DWORD style, const char* cls) {
    return CreateWindowEx(0, cls ? cls : kRecClass, "child", style, x, y, w, h, parent,
                          reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr);
}

int PlatformTest::Pump() {
    int n = 0;
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(m.wParam));
            break;
        }
        TranslateMessage(&m);
        rec().ExpectDispatch(m.hwnd, m.message);
        DispatchMessage(&m);
        rec().DispatchDone();
        ++n;
    }
    return n;
}

} // namespace vortest
