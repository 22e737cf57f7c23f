// Window classes, creation and destruction sequences, window data, geometry, z-order and defaults.
#include "fixture.h"
#include "win/gdi.h"

#include <cstring>
#include <string>

using namespace vortest;

namespace {

class WindowTest : public PlatformTest {};

LRESULT PlainProc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); }

TEST_F(WindowTest, ClassRegistrationRules) {
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = "TestClassA";
    wc.cbWndExtra = 8;
    wc.style = CS_DBLCLKS;
    ATOM a = RegisterClassEx(&wc);
    ASSERT_NE(a, 0);
    EXPECT_EQ(RegisterClassEx(&wc), 0) << "the same name twice in one module";
    WNDCLASSEX info{};
    EXPECT_TRUE(GetClassInfoEx(nullptr, "testclassa", &info)) << "names are case-insensitive";
    EXPECT_EQ((std::tuple{info.style, info.cbWndExtra}), (std::tuple{CS_DBLCLKS, 8}));

    struct Bad {
        const char* why;
        void (*spoil)(WNDCLASSEX&);
    } bads[] = {
        {"no procedure", [](WNDCLASSEX& c) { c.lpfnWndProc = nullptr; }},
        {"empty name", [](WNDCLASSEX& c) { c.lpszClassName = ""; }},
        {"negative extra bytes", [](WNDCLASSEX& c) { c.cbWndExtra = -1; }},
        {"too many class bytes", [](WNDCLASSEX& c) { c.cbClsExtra = 5000; }},
    };
    for (const Bad& b : bads) {
        WNDCLASSEX bad = wc;
        bad.lpszClassName = "TestClassB";
        b.spoil(bad);
        EXPECT_EQ(RegisterClassEx(&bad), 0) << b.why;
    }
    EXPECT_EQ(RegisterClassEx(nullptr), 0);

    HWND h = CreateWindowEx(0, "TestClassA", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(h);
    EXPECT_EQ(GetClassLongPtr(h, GCL_STYLE), CS_DBLCLKS);
    char name[32];
    EXPECT_EQ(GetClassName(h, name, sizeof name), 10);
    EXPECT_STREQ(name, "TestClassA");
    EXPECT_FALSE(UnregisterClass("TestClassA", nullptr)) << "windows of the class still exist";
    DestroyWindow(h);
    EXPECT_TRUE(UnregisterClass("TestClassA", nullptr));
    EXPECT_FALSE(UnregisterClass("TestClassA", nullptr));
    EXPECT_EQ(CreateWindowEx(0, "TestClassA", "x", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr), nullptr);
}

TEST_F(WindowTest, ModulesHaveTheirOwnClassNamesAndGlobalClassesAreShared) {
    auto modA = reinterpret_cast<HINSTANCE>(0x1000);
    auto modB = reinterpret_cast<HINSTANCE>(0x2000);
    WNDCLASSEX wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = PlainProc;
    wc.lpszClassName = "PerModule";
    wc.hInstance = modA;
    ASSERT_NE(RegisterClassEx(&wc), 0);
    wc.hInstance = modB;
    wc.cbWndExtra = 4;
    ASSERT_NE(RegisterClassEx(&wc), 0) << "another module may use the same name";
    HWND hb = CreateWindowEx(0, "PerModule", "", 0, 0, 0, 5, 5, nullptr, nullptr, modB, nullptr);
    EXPECT_EQ(GetClassLongPtr(hb, GCL_CBWNDEXTRA), 4u);
    DestroyWindow(hb);
    EXPECT_TRUE(UnregisterClass("PerModule", modA));
    EXPECT_TRUE(UnregisterClass("PerModule", modB));

    wc.lpszClassName = "SharedGlobal";
    wc.style = CS_GLOBALCLASS;
    wc.hInstance = modA;
    ASSERT_NE(RegisterClassEx(&wc), 0);
    WNDCLASSEX info{};
    EXPECT_TRUE(GetClassInfoEx(modB, "SharedGlobal", &info)) << "a global class is found from any module";
    wc.hInstance = modB;
    EXPECT_EQ(RegisterClassEx(&wc), 0) << "a second global class of the name";
    wc.style = 0;
    EXPECT_NE(RegisterClassEx(&wc), 0) << "a module's own class may take a global class's name";
    EXPECT_TRUE(UnregisterClass("SharedGlobal", modB));
    EXPECT_TRUE(UnregisterClass("SharedGlobal", modA));
}

TEST_F(WindowTest, CreateVisibleTopLevelSequence) {
    HWND top = TopLevel(10, 20, 200, 100);
    ASSERT_TRUE(top);
    EXPECT_TRUE(MatchSequence({{0, WM_NCCREATE, kSent},
                               {0, WM_NCCALCSIZE, kSent},
                               {0, WM_CREATE, kSent},
                               {0, WM_SIZE, kSent | kWParam | kLParam, SIZE_RESTORED, MAKELPARAM(200, 100)},
                               {0, WM_MOVE, kSent | kLParam, 0, MAKELPARAM(10, 20)},
                               {0, WM_SHOWWINDOW, kSent | kWParam, TRUE},
                               {0, WM_WINDOWPOSCHANGING, kSent},
                               {0, WM_WINDOWPOSCHANGED, kSent},
                               {0, WM_NCACTIVATE, kSent | kWParam, TRUE},
                               {0, WM_ACTIVATE, kSent | kWParam, WA_ACTIVE},
                               {0, WM_SETFOCUS, kSent}},
                              {top}));
    EXPECT_EQ((std::tuple{GetActiveWindow(), GetFocus()}), (std::tuple{top, top}));
    rec().Clear();
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_PAINT, kPosted}, {0, WM_ERASEBKGND, kSent}}, {top}));
}

TEST_F(WindowTest, CreateVisibleChildSequenceAndCreateParams) {
    HWND top = TopLevel(0, 0, 300, 200);
    rec().Clear();
    static int marker = 0;
    static CREATESTRUCT seen;
    seen = CREATESTRUCT{};
    Behaviour b;
    b.hook = [](HWND, UINT m, WPARAM, LPARAM l, bool*) -> LRESULT {
        if (m == WM_CREATE) seen = *reinterpret_cast<CREATESTRUCT*>(l);
        return 0;
    };
    SetNextBehaviour(b);
    HWND child = CreateWindowEx(0, kRecClass, "kid", WS_CHILD | WS_VISIBLE, 5, 6, 70, 40, top,
                                reinterpret_cast<HMENU>(42), nullptr, &marker);
    ASSERT_TRUE(child);
    EXPECT_EQ(std::tuple(seen.lpCreateParams, seen.hwndParent, seen.hMenu),
              std::tuple(static_cast<void*>(&marker), top, reinterpret_cast<HMENU>(42)));
    EXPECT_EQ((RECT{seen.x, seen.y, seen.cx, seen.cy}), (RECT{5, 6, 70, 40}));
    EXPECT_STREQ(seen.lpszName, "kid");
    EXPECT_EQ(std::tuple(GetDlgCtrlID(child), GetDlgItem(top, 42), GetParent(child)), std::tuple(42, child, top));
    EXPECT_TRUE(MatchSequence({{1, WM_NCCREATE, kSent},
                               {1, WM_NCCALCSIZE, kSent},
                               {1, WM_CREATE, kSent},
                               {1, WM_SIZE, kSent | kLParam, 0, MAKELPARAM(70, 40)},
                               {1, WM_MOVE, kSent | kLParam, 0, MAKELPARAM(5, 6)},
                               {0, WM_PARENTNOTIFY, kSent | kWParam | kLParam, MAKEWPARAM(WM_CREATE, 42),
                                reinterpret_cast<LPARAM>(child)},
                               {1, WM_SHOWWINDOW, kSent | kWParam, TRUE},
                               {1, WM_WINDOWPOSCHANGING, kSent},
                               {1, WM_WINDOWPOSCHANGED, kSent}},
                              {top, child}));
    EXPECT_EQ(GetFocus(), top) << "creating a child does not move the focus";
}

TEST_F(WindowTest, FailedCreationDestroysTheWindow) {
    HWND top = TopLevel(0, 0, 100, 100);
    rec().Clear();
    Behaviour b;
    b.createResult = -1;
    SetNextBehaviour(b);
    EXPECT_EQ(Child(top, 0, 0, 10, 10, 7), nullptr);
    // The parent hears nothing of a creation that failed; the failed window gets its WM_DESTROY and
    // WM_NCDESTROY.
    std::vector<Recorded> log = rec().Log();
    ASSERT_GE(log.size(), 5u);
    HWND dead = log[0].hwnd;
    EXPECT_FALSE(IsWindow(dead));
    EXPECT_TRUE(MatchSequence({{1, WM_NCCREATE, kSent},
                               {1, WM_NCCALCSIZE, kSent},
                               {1, WM_CREATE, kSent},
                               {1, WM_DESTROY, kSent},
                               {1, WM_NCDESTROY, kSent}},
                              {top, dead}));
    EXPECT_EQ(GetWindow(top, GW_CHILD), nullptr);

    rec().Clear();
    b = Behaviour{};
    b.ncCreateResult = FALSE;
    SetNextBehaviour(b);
    EXPECT_EQ(Child(top, 0, 0, 10, 10), nullptr);
    dead = rec().Log().at(0).hwnd;
    EXPECT_TRUE(MatchSequence({{1, WM_NCCREATE, kSent}, {1, WM_NCDESTROY, kSent}}, {top, dead}));
    EXPECT_EQ(GetWindow(top, GW_CHILD), nullptr);

    // A window that destroys itself inside WM_CREATE fails its creation cleanly.
    b = Behaviour{};
    b.hook = [](HWND h, UINT m, WPARAM, LPARAM, bool* handled) -> LRESULT {
        if (m == WM_CREATE) *handled = DestroyWindow(h);
        return 0;
    };
    SetNextBehaviour(b);
    EXPECT_EQ(Child(top, 0, 0, 10, 10), nullptr);
    EXPECT_EQ(GetWindow(top, GW_CHILD), nullptr);
}

TEST_F(WindowTest, DestroySendsDestroyTopDownAndNcDestroyBottomUp) {
    HWND top = TopLevel(0, 0, 200, 200);
    HWND a = Child(top, 0, 0, 100, 100, 1);
    HWND a1 = Child(a, 0, 0, 50, 50, 2);
    HWND b = Child(top, 100, 0, 100, 100, 3);
    SetFocus(a1);
    Pump();
    rec().Clear();
    EXPECT_TRUE(DestroyWindow(top));
    EXPECT_TRUE(MatchSequence({{0, WM_WINDOWPOSCHANGING, kSent},
                               {0, WM_WINDOWPOSCHANGED, kSent},
                               {0, WM_NCACTIVATE, kSent | kWParam, FALSE},
                               {0, WM_ACTIVATE, kSent | kWParam, WA_INACTIVE},
                               {2, WM_KILLFOCUS, kSent | kWParam, 0},
                               {0, WM_DESTROY, kSent},
                               {1, WM_DESTROY, kSent},
                               {2, WM_DESTROY, kSent},
                               {3, WM_DESTROY, kSent},
                               {2, WM_NCDESTROY, kSent},
                               {1, WM_NCDESTROY, kSent},
                               {3, WM_NCDESTROY, kSent},
                               {0, WM_NCDESTROY, kSent}},
                              {top, a, a1, b}));
    for (HWND h : {top, a, a1, b}) EXPECT_FALSE(IsWindow(h));
    EXPECT_EQ(std::tuple(GetFocus(), GetActiveWindow()), std::tuple(HWND{}, HWND{}));
    EXPECT_FALSE(DestroyWindow(top)) << "a second destroy fails";
}

TEST_F(WindowTest, DestroyingAFocusedChildHandsTheFocusToItsParent) {
    HWND top = TopLevel(0, 0, 200, 200);
    HWND child = Child(top, 0, 0, 100, 100, 9);
    SetFocus(child);
    rec().Clear();
    DestroyWindow(child);
    EXPECT_TRUE(MatchSequence({{1, WM_SHOWWINDOW, kSent | kWParam, FALSE},
                               {1, WM_WINDOWPOSCHANGING, kSent},
                               {1, WM_WINDOWPOSCHANGED, kSent},
                               {1, WM_KILLFOCUS, kSent | kWParam, reinterpret_cast<WPARAM>(top)},
                               {0, WM_SETFOCUS, kSent | kWParam, reinterpret_cast<WPARAM>(child)},
                               {0, WM_PARENTNOTIFY, kSent | kWParam, MAKEWPARAM(WM_DESTROY, 9)},
                               {1, WM_DESTROY, kSent},
                               {1, WM_NCDESTROY, kSent}},
                              {top, child}));
    EXPECT_EQ(GetFocus(), top);
}

TEST_F(WindowTest, DestroyingAnOwnerDestroysOwnedWindowsFirstAndActivatesTheOwnerAfterAPopup) {
    HWND owner = TopLevel(0, 0, 200, 200);
    HWND popup = CreateWindowEx(0, kRecClass, "pop", WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, owner, nullptr, nullptr,
                                nullptr);
    ASSERT_TRUE(popup);
    // GetParent of a pop-up is its owner; activation returns to the owner.
    EXPECT_EQ(std::tuple(GetParent(popup), GetWindow(popup, GW_OWNER), GetActiveWindow()), std::tuple(owner, owner, popup));
    DestroyWindow(popup);
    EXPECT_EQ(std::tuple(GetActiveWindow(), GetFocus()), std::tuple(owner, owner));

    popup = CreateWindowEx(0, kRecClass, "pop", WS_POPUP, 10, 10, 50, 50, owner, nullptr, nullptr, nullptr);
    rec().Clear();
    DestroyWindow(owner);
    ASSERT_FALSE(rec().Log().empty());
    EXPECT_EQ(rec().Log().front().hwnd, popup) << "owned windows go first";
    EXPECT_FALSE(IsWindow(popup));
}

TEST_F(WindowTest, UserDataExtraBytesAndStyles) {
    HWND h = TopLevel(0, 0, 50, 50, WS_OVERLAPPED);
    EXPECT_EQ(GetWindowLongPtr(h, GWLP_USERDATA), 0);
    EXPECT_EQ(SetWindowLongPtr(h, GWLP_USERDATA, 0x1234567890LL), 0);
    EXPECT_EQ(GetWindowLongPtr(h, GWLP_USERDATA), 0x1234567890LL);
    EXPECT_EQ(SetWindowLongPtr(h, GWLP_USERDATA, 7), 0x1234567890LL) << "returns the previous value";

    // 16 extra bytes: two pointer-sized slots, both zero at first.
    EXPECT_EQ(std::tuple(GetWindowLongPtr(h, 0), GetWindowLongPtr(h, 8)), std::tuple(0, 0));
    SetWindowLongPtr(h, 8, -5);
    EXPECT_EQ((std::tuple{GetWindowLongPtr(h, 8), SetWindowLong(h, 4, 99), SetWindowLong(h, 0, 7)}),
              (std::tuple{-5, 0, 0}));
    EXPECT_EQ(std::tuple(GetWindowLong(h, 0), GetWindowLong(h, 4)), std::tuple(7, 99)) << "a 32-bit write leaves its neighbour";
    EXPECT_EQ(GetWindowLongPtr(h, 9), 0) << "a slot past the end reads as 0";
    EXPECT_EQ(SetWindowLongPtr(h, 12, 1), 0) << "a slot past the end is not written";
    EXPECT_EQ(GetWindowLongPtr(h, 8), -5);

    rec().Clear();
    SetWindowLongPtr(h, GWL_STYLE, WS_OVERLAPPED | WS_CLIPCHILDREN);
    EXPECT_TRUE(MatchSequence({{0, WM_STYLECHANGING, kSent | kWParam, static_cast<WPARAM>(GWL_STYLE)},
                               {0, WM_STYLECHANGED, kSent | kWParam, static_cast<WPARAM>(GWL_STYLE)}},
                              {h}));
    EXPECT_TRUE(GetWindowLongPtr(h, GWL_STYLE) & WS_CLIPCHILDREN);
    // The change names the old and the new value of the word that changes.
    static std::vector<std::pair<DWORD, DWORD>> changes;
    changes.clear();
    BehaviourFor(h).hook = [](HWND, UINT m, WPARAM, LPARAM l, bool*) -> LRESULT {
        if (m == WM_STYLECHANGING) {
            auto* ss = reinterpret_cast<STYLESTRUCT*>(l);
            changes.emplace_back(ss->styleOld, ss->styleNew);
        }
        return 0;
    };
    const auto exOld = static_cast<DWORD>(GetWindowLongPtr(h, GWL_EXSTYLE));
    SetWindowLongPtr(h, GWL_EXSTYLE, exOld | WS_EX_TOOLWINDOW);
    EXPECT_EQ(changes, (std::vector<std::pair<DWORD, DWORD>>{{exOld, exOld | WS_EX_TOOLWINDOW}}));
    BehaviourFor(h).hook = nullptr;
    EXPECT_EQ(SetWindowLongPtr(h, GWLP_WNDPROC, 0), 0) << "a null procedure is refused";
    EXPECT_NE(GetWindowLongPtr(h, GWLP_WNDPROC), 0);
}

TEST_F(WindowTest, TextGoesThroughMessages) {
    HWND h = TopLevel(0, 0, 50, 50, WS_OVERLAPPED);
    EXPECT_TRUE(SetWindowText(h, "h\xC3\xA9llo"));
    EXPECT_EQ(GetWindowTextLength(h), 6);
    char buf[16];
    EXPECT_EQ(GetWindowText(h, buf, sizeof buf), 6);
    EXPECT_STREQ(buf, "h\xC3\xA9llo");
    EXPECT_EQ(GetWindowText(h, buf, 3), 1) << "a cut never splits a UTF-8 sequence";
    EXPECT_STREQ(buf, "h");
    EXPECT_EQ(GetWindowText(h, buf, 0), 0);
    EXPECT_EQ(buf[0], 'h') << "no room: nothing written";
    HWND untitled = CreateWindowEx(0, kRecClass, nullptr, WS_OVERLAPPED, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetWindowTextLength(untitled), 0) << "created without a title";
    HWND byId = CreateWindowEx(0, kRecClass, MAKEINTRESOURCE(5), WS_OVERLAPPED, 0, 0, 9, 9, nullptr, nullptr, nullptr, nullptr);
    EXPECT_EQ(GetWindowTextLength(byId), 0) << "a resource number is no title";
}

TEST_F(WindowTest, MoveWindowSequenceAndRectangles) {
    HWND top = TopLevel(100, 50, 300, 200);
    HWND child = Child(top, 10, 20, 80, 60);
    rec().Clear();
    EXPECT_TRUE(MoveWindow(child, 15, 25, 90, 70, TRUE));
    EXPECT_TRUE(MatchSequence({{1, WM_WINDOWPOSCHANGING, kSent},
                               {1, WM_NCCALCSIZE, kSent},
                               {1, WM_WINDOWPOSCHANGED, kSent},
                               {1, WM_MOVE, kSent | kLParam, 0, MAKELPARAM(15, 25)},
                               {1, WM_SIZE, kSent | kWParam | kLParam, SIZE_RESTORED, MAKELPARAM(90, 70)}},
                              {top, child}));
    rec().Clear();
    MoveWindow(child, 30, 40, 90, 70, TRUE);
    EXPECT_TRUE(MatchSequence({{1, WM_WINDOWPOSCHANGING, kSent},
                               {1, WM_WINDOWPOSCHANGED, kSent},
                               {1, WM_MOVE, kSent | kLParam, 0, MAKELPARAM(30, 40)}},
                              {top, child}))
        << "a pure move sends no WM_SIZE";
    rec().Clear();
    SetWindowPos(child, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_TRUE(MatchSequence({{1, WM_WINDOWPOSCHANGING, kSent}, {1, WM_WINDOWPOSCHANGED, kSent}}, {top, child}));

    RECT r;
    RECT w;
    EXPECT_TRUE(GetClientRect(child, &r) && GetWindowRect(child, &w));
    EXPECT_EQ(std::tuple(r, w), std::tuple(RECT{0, 0, 90, 70}, RECT{130, 90, 220, 160}));
    MoveWindow(child, 0, 0, -5, -5, TRUE);
    GetClientRect(child, &r);
    EXPECT_EQ(r, (RECT{0, 0, 0, 0})) << "negative sizes become empty";
    // WM_WINDOWPOSCHANGING may adjust the new place.
    BehaviourFor(child).hook = [](HWND, UINT m, WPARAM, LPARAM l, bool*) -> LRESULT {
        if (m == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(l)->cx = std::min(reinterpret_cast<WINDOWPOS*>(l)->cx, 50);
        return 0;
    };
    MoveWindow(child, 0, 0, 120, 30, TRUE);
    EXPECT_EQ(ClientRect(child), (RECT{0, 0, 50, 30}));
}

TEST_F(WindowTest, ShowMinimizeRestoreAndVisibility) {
    HWND top = TopLevel(0, 0, 300, 200, WS_OVERLAPPED);
    HWND child = Child(top, 0, 0, 50, 50, 0, WS_CHILD | WS_VISIBLE);
    EXPECT_FALSE(IsWindowVisible(child)) << "a hidden parent hides its children";
    EXPECT_FALSE(ShowWindow(top, SW_SHOW)) << "returns the previous visibility";
    EXPECT_TRUE(IsWindowVisible(child));
    EXPECT_TRUE(ShowWindow(top, SW_SHOW));

    rec().Clear();
    ShowWindow(top, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(top));
    EXPECT_TRUE(MatchSequence({{0, WM_SIZE, kSent | kWParam | kLParam, SIZE_MINIMIZED, 0}}, {top}));
    rec().Clear();
    ShowWindow(top, SW_RESTORE);
    EXPECT_FALSE(IsIconic(top));
    EXPECT_TRUE(MatchSequence({{0, WM_SIZE, kSent | kWParam | kLParam, SIZE_RESTORED, MAKELPARAM(300, 200)}}, {top}));
    // Restoring from maximized goes back to the old rectangle, though it shares a corner with the screen.
    ShowWindow(top, SW_MAXIMIZE);
    EXPECT_NE(WindowRect(top), (RECT{0, 0, 300, 200}));
    ShowWindow(top, SW_RESTORE);
    EXPECT_EQ(WindowRect(top), (RECT{0, 0, 300, 200}));

    rec().Clear();
    EXPECT_TRUE(ShowWindow(child, SW_HIDE));
    EXPECT_TRUE(MatchSequence({{1, WM_SHOWWINDOW, kSent | kWParam, FALSE},
                               {1, WM_WINDOWPOSCHANGING, kSent},
                               {1, WM_WINDOWPOSCHANGED, kSent}},
                              {top, child}));
    EXPECT_FALSE(IsWindowVisible(child));
    rec().Clear();
    EXPECT_FALSE(ShowWindow(child, SW_HIDE));
    EXPECT_TRUE(rec().Log().empty()) << "hiding a hidden window sends nothing";
}

TEST_F(WindowTest, EnableWindowSequenceAndFocus) {
    HWND top = TopLevel(0, 0, 300, 200);
    HWND child = Child(top, 0, 0, 50, 50);
    SetFocus(child);
    rec().Clear();
    EXPECT_FALSE(EnableWindow(child, FALSE)) << "FALSE: it was enabled";
    EXPECT_TRUE(MatchSequence({{1, WM_CANCELMODE, kSent},
                               {1, WM_KILLFOCUS, kSent},
                               {1, WM_ENABLE, kSent | kWParam, FALSE}},
                              {top, child}));
    EXPECT_EQ(std::tuple(IsWindowEnabled(child), GetFocus()), std::tuple(FALSE, HWND{}));
    rec().Clear();
    EXPECT_TRUE(EnableWindow(child, FALSE));
    EXPECT_EQ((std::tuple{bool(rec().Log().empty()), bool(EnableWindow(child, TRUE)), bool(IsWindowEnabled(child))}),
              (std::tuple{true, true, true}));
}

TEST_F(WindowTest, TreeQueriesAndZOrder) {
    HWND top = TopLevel(0, 0, 300, 200);
    HWND a = Child(top, 0, 0, 100, 100, 1);
    HWND b = Child(top, 50, 50, 100, 100, 2);
    HWND a1 = Child(a, 0, 0, 10, 10, 3);
    EXPECT_EQ(std::tuple(IsChild(top, a1), IsChild(a, a1), IsChild(b, a1), IsChild(a1, a1)),
              std::tuple(TRUE, TRUE, FALSE, FALSE));
    EXPECT_EQ(std::tuple(GetAncestor(a1, GA_ROOT), GetAncestor(a1, GA_PARENT), GetParent(top)), std::tuple(top, a, HWND{}));
    // New children go below their older siblings; the first sibling is on top.
    EXPECT_EQ((std::vector{GetWindow(top, GW_CHILD), GetWindow(a, GW_HWNDNEXT), GetWindow(b, GW_HWNDPREV),
                           GetWindow(b, GW_HWNDNEXT)}),
              (std::vector<HWND>{a, b, a, nullptr}));
    // The pointer finds the sibling on top where two overlap.
    POINT overlap{60, 60};
    ClientToScreen(top, &overlap);
    EXPECT_EQ(WindowFromPoint(overlap), a);
    SetWindowPos(b, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(std::tuple(GetWindow(top, GW_CHILD), WindowFromPoint(overlap)), std::tuple(b, b));
    SetWindowPos(b, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(GetWindow(a, GW_HWNDLAST), b);

    // Enumeration walks the whole tree, depth first, and stops when the callback says so.
    HWND b1 = Child(b, 0, 0, 10, 10, 4);
    static std::vector<HWND> seen;
    seen.clear();
    EXPECT_TRUE(EnumChildWindows(top, [](HWND h, LPARAM) -> BOOL { return seen.push_back(h), TRUE; }, 0));
    EXPECT_EQ(seen, (std::vector<HWND>{a, a1, b, b1}));
    seen.clear();
    auto untilStop = [](HWND h, LPARAM stop) -> BOOL { return seen.push_back(h), h != reinterpret_cast<HWND>(stop); };
    EnumChildWindows(top, untilStop, reinterpret_cast<LPARAM>(a1));
    EXPECT_EQ(seen, (std::vector<HWND>{a, a1}));
    DestroyWindow(b1);
}

TEST_F(WindowTest, CoordinateMappingAndWindowFromPoint) {
    HWND top = TopLevel(100, 200, 300, 200);
    HWND child = CreateWindowEx(WS_EX_CLIENTEDGE, kRecClass, "", WS_CHILD | WS_VISIBLE, 10, 20, 100, 50, top, nullptr,
                                nullptr, nullptr);
    RECT cr = ClientRect(child);
    EXPECT_EQ(cr.right, 96) << "a 2-pixel client edge on each side";
    POINT p{0, 0};
    ClientToScreen(child, &p);
    EXPECT_EQ(p, (POINT{112, 222}));
    ScreenToClient(child, &p);
    EXPECT_EQ(p, (POINT{0, 0}));
    POINT pts[2] = {{0, 0}, {5, 5}};
    int off = MapWindowPoints(child, top, pts, 2);
    EXPECT_EQ(std::tuple(pts[0], pts[1]), std::tuple(POINT{12, 22}, POINT{17, 27}));
    EXPECT_EQ(std::tuple(static_cast<SHORT>(LOWORD(static_cast<DWORD>(off))), static_cast<SHORT>(HIWORD(static_cast<DWORD>(off)))),
              std::tuple(12, 22));
    MapWindowPoints(top, child, pts, 1);
    EXPECT_EQ(pts[0].x, 0);

    for (auto [pt, want] : {std::pair{POINT{150, 250}, child}, {POINT{350, 350}, top}, {POINT{50, 50}, HWND{}}})
        EXPECT_EQ(WindowFromPoint(pt), want) << pt.x << "," << pt.y;
    EnableWindow(child, FALSE);
    EXPECT_EQ(WindowFromPoint(POINT{150, 250}), top) << "disabled children are skipped";
    EnableWindow(child, TRUE);
    ShowWindow(child, SW_HIDE);
    EXPECT_EQ(WindowFromPoint(POINT{150, 250}), top) << "hidden children are skipped";
}

TEST_F(WindowTest, DefaultProcedureBehaviour) {
    HWND top = TopLevel(100, 100, 300, 200);
    HWND child = Child(top, 10, 10, 100, 100);
    rec().Clear();
    // WM_CONTEXTMENU travels up to the parent.
    SendMessage(child, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(child), MAKELPARAM(5, 6));
    EXPECT_TRUE(MatchSequence({{1, WM_CONTEXTMENU, kSent}, {0, WM_CONTEXTMENU, kSent | kLParam, 0, MAKELPARAM(5, 6)}},
                              {top, child}));
    // WM_NCHITTEST: client area and outside.
    EXPECT_EQ(std::tuple(SendMessage(child, WM_NCHITTEST, 0, MAKELPARAM(115, 115)),
                         SendMessage(child, WM_NCHITTEST, 0, MAKELPARAM(5, 5))),
              std::tuple(HTCLIENT, HTNOWHERE));
    // WM_CLOSE destroys.
    SendMessage(child, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(child));
    EXPECT_EQ(DefWindowProc(top, WM_GETDLGCODE, 0, 0), 0);
}

} // namespace
