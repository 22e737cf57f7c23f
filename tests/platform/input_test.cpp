// Input through the backend entry points: hit-testing, mouse messages, double-clicks, the wheel,
// capture, mouse-leave tracking, context menus, keys and key state, focus and activation.
#include "fixture.h"

#include <algorithm>

using namespace vortest;

namespace {

class InputTest : public PlatformTest {
protected:
    void SetUp() override {
        PlatformTest::SetUp();
        top = TopLevel(100, 100, 200, 200, WS_OVERLAPPED | WS_VISIBLE, kRecDblClass);
        child = Child(top, 10, 10, 50, 50, 1, WS_CHILD | WS_VISIBLE, kRecDblClass);
        Pump();
        rec().Clear();
    }
    // Keeps only the client mouse messages.
    void OnlyMouse() {
        rec().ignore = {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE, WM_PAINT, WM_ERASEBKGND, WM_CONTEXTMENU};
    }
    HWND top = nullptr;
    HWND child = nullptr;
};

TEST_F(InputTest, MouseMoveIsHitTestedThenSetsTheCursorThenArrivesInClientCoordinates) {
    headless::MouseMove(top, 20, 30);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_NCHITTEST, kSent | kLParam, 0, MAKELPARAM(120, 130)},
                               {1, WM_SETCURSOR, kSent | kWParam | kLParam, reinterpret_cast<WPARAM>(child),
                                MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)},
                               {0, WM_SETCURSOR, kSent},
                               {1, WM_MOUSEMOVE, kPosted | kWParam | kLParam, 0, MAKELPARAM(10, 20)}},
                              {top, child}));
    POINT p;
    GetCursorPos(&p);
    EXPECT_EQ((std::tuple{p, GetMessagePos()}), (std::tuple{(POINT{120, 130}), MAKELONG(120, 130)}));
    // Moving the pointer from the program is a move like any other.
    rec().Clear();
    ASSERT_TRUE(SetCursorPos(125, 135));
    Pump();
    EXPECT_EQ(rec().Log().back().lParam, MAKELPARAM(15, 25));
    GetCursorPos(&p);
    EXPECT_EQ(p, (POINT{125, 135}));
}

TEST_F(InputTest, ButtonsCarryKeyFlags) {
    OnlyMouse();
    headless::MouseMove(child, 5, 5);
    headless::KeyDown(VK_SHIFT);
    headless::MouseDown(backend::BUTTON_LEFT);
    EXPECT_LT(GetAsyncKeyState(VK_LBUTTON), 0) << "the button is down now, whatever the queue holds";
    headless::MouseDown(backend::BUTTON_RIGHT);
    headless::KeyUp(VK_SHIFT);
    headless::KeyDown(VK_CONTROL);
    headless::MouseUp(backend::BUTTON_LEFT);
    headless::MouseUp(backend::BUTTON_RIGHT);
    headless::KeyUp(VK_CONTROL);
    headless::MouseDown(backend::BUTTON_MIDDLE);
    headless::MouseUp(backend::BUTTON_MIDDLE);
    rec().ignore.push_back(WM_KEYDOWN);
    rec().ignore.push_back(WM_KEYUP);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_LBUTTONDOWN, kPosted | kWParam | kLParam, MK_LBUTTON | MK_SHIFT, MAKELPARAM(5, 5)},
                               {1, WM_RBUTTONDOWN, kPosted | kWParam, MK_LBUTTON | MK_RBUTTON | MK_SHIFT},
                               {1, WM_LBUTTONUP, kPosted | kWParam, MK_RBUTTON | MK_CONTROL},
                               {1, WM_RBUTTONUP, kPosted | kWParam, MK_CONTROL},
                               {1, WM_MBUTTONDOWN, kPosted | kWParam, MK_MBUTTON},
                               {1, WM_MBUTTONUP, kPosted | kWParam, 0}},
                              {top, child}));
}

TEST_F(InputTest, DoubleClicksAreSynthesisedFromTimeAndBox) {
    OnlyMouse();
    headless::DoubleClick(child, 5, 5);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_LBUTTONDOWN, kPosted},
                               {1, WM_LBUTTONUP, kPosted},
                               {1, WM_LBUTTONDBLCLK, kPosted | kWParam | kLParam, MK_LBUTTON, MAKELPARAM(5, 5)},
                               {1, WM_LBUTTONUP, kPosted}},
                              {top, child}));

    // A third click starts over.
    rec().Clear();
    headless::Click(child, 5, 5);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_LBUTTONDOWN, kPosted}, {1, WM_LBUTTONUP, kPosted}}, {top, child}));

    // A second click at (5 + dx, 5 + dy), `delay` ms after the first: a double-click only within 500 ms
    // and the 4 x 4 box.
    struct Case {
        DWORD delay;
        int dx, dy;
        bool dbl;
    } cases[] = {{501, 0, 0, false}, {500, 2, -2, true}, {0, 3, 0, false}};
    for (const Case& k : cases) {
        SCOPED_TRACE(testing::Message() << k.delay << " ms, " << k.dx << "," << k.dy);
        headless::AdvanceClock(1000);
        headless::Click(child, 5, 5);
        headless::AdvanceClock(k.delay);
        rec().Clear();
        headless::Click(child, 5 + k.dx, 5 + k.dy);
        Pump();
        EXPECT_TRUE(MatchSequence({{1, k.dbl ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, kPosted}, {1, WM_LBUTTONUP, kPosted}},
                                  {top, child}));
    }
}

TEST_F(InputTest, DoubleClickSettingsAndClassStyleMatter) {
    OnlyMouse();
    headless::SetSystemMetric(SM_CXDOUBLECLK, 10);
    SetDoubleClickTime(100);
    EXPECT_EQ(GetDoubleClickTime(), 100u);
    headless::Click(child, 5, 5);
    headless::AdvanceClock(101);
    headless::Click(child, 5, 5);
    headless::AdvanceClock(1000);
    headless::Click(child, 5, 5);
    headless::Click(child, 10, 5);
    Pump();
    std::vector<UINT> downs;
    for (const Recorded& r : rec().Log())
        if (r.msg != WM_LBUTTONUP && r.msg != WM_SETTINGCHANGE) downs.push_back(r.msg);
    EXPECT_EQ(downs, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDBLCLK}));

    // A class without CS_DBLCLKS never gets a double-click; another button in between breaks it.
    headless::ResetSystemMetrics();
    SetDoubleClickTime(0);
    HWND plain = Child(top, 100, 100, 50, 50, 2, WS_CHILD | WS_VISIBLE, kRecClass);
    rec().Clear();
    headless::DoubleClick(plain, 5, 5);
    headless::AdvanceClock(1000);
    headless::Click(child, 5, 5);
    headless::Click(child, 5, 5, backend::BUTTON_RIGHT);
    headless::Click(child, 5, 5);
    Pump();
    std::vector<UINT> got;
    for (const Recorded& r : rec().Log())
        if (r.msg != WM_LBUTTONUP && r.msg != WM_RBUTTONUP) got.push_back(r.msg);
    EXPECT_EQ(got, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_LBUTTONDOWN}));
}

TEST_F(InputTest, WheelGoesToTheFocusWindowWithScreenCoordinates) {
    SetFocus(child);
    rec().Clear();
    OnlyMouse();
    rec().ignore.push_back(WM_KEYDOWN);
    rec().ignore.push_back(WM_KEYUP);
    headless::Wheel(top, 150, 150, -WHEEL_DELTA, headless::MOD_CONTROL);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_MOUSEWHEEL, kPosted | kWParam | kLParam,
                                MAKEWPARAM(MK_CONTROL, static_cast<WORD>(-WHEEL_DELTA)), MAKELPARAM(250, 250)},
                               {0, WM_MOUSEWHEEL, kSent}},
                              {top, child}))
        << "the pointer is over the parent, the focus decides; unhandled wheels go to the parent";
    const Recorded& r = rec().Log().front();
    EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(r.wParam), -120);
}

TEST_F(InputTest, CaptureTakesAllMouseInput) {
    HWND other = Child(top, 100, 100, 50, 50, 2);
    rec().Clear();
    OnlyMouse();
    rec().ignore.erase(std::find(rec().ignore.begin(), rec().ignore.end(), WM_MOUSEMOVE));
    rec().ignore.erase(std::find(rec().ignore.begin(), rec().ignore.end(), WM_NCHITTEST));
    EXPECT_EQ((std::tuple{SetCapture(child), GetCapture()}), (std::tuple{nullptr, child}));
    headless::MouseMove(top, 120, 110);
    headless::MouseDown(backend::BUTTON_LEFT);
    headless::MouseMove(top, 0, 0);
    headless::MouseUp(backend::BUTTON_LEFT);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_MOUSEMOVE, kPosted | kLParam, 0, MAKELPARAM(110, 100)},
                               {1, WM_LBUTTONDOWN, kPosted | kLParam, 0, MAKELPARAM(110, 100)},
                               {1, WM_MOUSEMOVE, kPosted | kLParam, 0, MAKELPARAM(static_cast<WORD>(-10), static_cast<WORD>(-10))},
                               {1, WM_LBUTTONUP, kPosted}},
                              {top, child, other}))
        << "no hit-testing while captured; coordinates may be negative";
    EXPECT_EQ(GET_X_LPARAM(rec().Log()[2].lParam), -10);

    rec().Clear();
    EXPECT_EQ(SetCapture(other), child);
    EXPECT_TRUE(MatchSequence({{1, WM_CAPTURECHANGED, kSent | kLParam, 0, reinterpret_cast<LPARAM>(other)}},
                              {top, child, other}));
    rec().Clear();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_TRUE(MatchSequence({{2, WM_CAPTURECHANGED, kSent | kLParam, 0, 0}}, {top, child, other}));
    EXPECT_EQ(GetCapture(), nullptr);
    rec().Clear();
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_TRUE(rec().Log().empty());
}

TEST_F(InputTest, CancelModeReleasesCaptureAndDestroyForgetsIt) {
    SetCapture(child);
    rec().Clear();
    backend::InputCancelMode();
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_CANCELMODE, kSent}, {1, WM_CAPTURECHANGED, kSent}}, {top, child}));
    EXPECT_EQ(GetCapture(), nullptr);

    SetCapture(child);
    DestroyWindow(child);
    EXPECT_EQ(GetCapture(), nullptr);
    headless::Click(top, 20, 20);
    rec().Clear();
    OnlyMouse();
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_LBUTTONDOWN, kPosted}, {0, WM_LBUTTONUP, kPosted}}, {top}));
}

TEST_F(InputTest, TrackMouseEventPostsLeaveWhenThePointerGoes) {
    headless::MouseMove(child, 5, 5);
    Pump();
    TRACKMOUSEEVENT tme{sizeof tme, TME_LEAVE, child, 0};
    EXPECT_TRUE(TrackMouseEvent(&tme));
    TRACKMOUSEEVENT q{sizeof q, TME_QUERY, nullptr, 0};
    EXPECT_TRUE(TrackMouseEvent(&q));
    EXPECT_EQ((std::tuple{q.hwndTrack, q.dwFlags}), (std::tuple{child, TME_LEAVE}));
    rec().Clear();
    rec().ignore = {WM_NCHITTEST, WM_SETCURSOR};
    headless::MouseMove(child, 6, 6);
    headless::MouseMove(top, 150, 150);
    headless::MouseMove(child, 6, 6);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_MOUSEMOVE, kPosted}, {0, WM_MOUSEMOVE, kPosted}, {1, WM_MOUSELEAVE, kPosted},
                               {1, WM_MOUSEMOVE, kPosted}},
                              {top, child}))
        << "one leave, and none after tracking ended";

    // Tracking a window the pointer is not over reports the leave at once; cancelling stops tracking.
    rec().Clear();
    TRACKMOUSEEVENT far{sizeof far, TME_LEAVE, top, 0};
    TrackMouseEvent(&far);
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_MOUSELEAVE, kPosted}}, {top, child}));
    TrackMouseEvent(&tme);
    TRACKMOUSEEVENT cancel{sizeof cancel, TME_LEAVE | TME_CANCEL, child, 0};
    EXPECT_TRUE(TrackMouseEvent(&cancel));
    rec().Clear();
    headless::MouseMove(top, 150, 150);
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_MOUSEMOVE, kPosted}}, {top, child}));
    TRACKMOUSEEVENT bad{0, TME_LEAVE, child, 0};
    EXPECT_FALSE(TrackMouseEvent(&bad));
}

TEST_F(InputTest, ContextMenuFollowsRightButtonUpShiftF10AndTheMenuKey) {
    SetFocus(child);
    rec().Clear();
    rec().ignore = {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE};
    headless::Click(child, 5, 6, backend::BUTTON_RIGHT);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_RBUTTONDOWN, kPosted},
                               {1, WM_RBUTTONUP, kPosted},
                               {1, WM_CONTEXTMENU, kSent | kWParam | kLParam, reinterpret_cast<WPARAM>(child),
                                MAKELPARAM(115, 116)},
                               {0, WM_CONTEXTMENU, kSent}},
                              {top, child}));
    rec().Clear();
    rec().ignore = {WM_KEYUP, WM_KEYDOWN, WM_SYSKEYUP, WM_CHAR};
    headless::PressKey(VK_F10, headless::MOD_SHIFT);
    headless::PressKey(VK_APPS);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_SYSKEYDOWN, kPosted | kWParam, VK_F10},
                               {1, WM_CONTEXTMENU, kSent | kLParam, 0, -1},
                               {0, WM_CONTEXTMENU, kSent},
                               {1, WM_CONTEXTMENU, kSent | kLParam, 0, -1},
                               {0, WM_CONTEXTMENU, kSent}},
                              {top, child}));
    EXPECT_EQ(GET_X_LPARAM(rec().Log()[1].lParam), -1);
    EXPECT_EQ(GET_Y_LPARAM(rec().Log()[1].lParam), -1);
}

TEST_F(InputTest, KeyMessagesCarryRepeatPreviousStateAndTransitionBits) {
    SetFocus(child);
    rec().Clear();
    headless::KeyDown('A');
    headless::KeyDown('A');
    headless::KeyUp('A');
    headless::KeyDown(VK_LEFT);
    headless::KeyUp(VK_LEFT);
    rec().ignore = {WM_CHAR};
    Pump();
    const LPARAM a = 1 | (0x41 << 16);
    const LPARAM left = 1 | (VK_LEFT << 16) | KF_EXTENDED_BIT;
    EXPECT_TRUE(MatchSequence({{1, WM_KEYDOWN, kPosted | kWParam | kLParam, 'A', a},
                               {1, WM_KEYDOWN, kPosted | kLParam, 0, a | KF_REPEAT_BIT},
                               {1, WM_KEYUP, kPosted | kLParam, 0, a | KF_REPEAT_BIT | KF_UP_BIT},
                               {1, WM_KEYDOWN, kPosted | kLParam, 0, left},
                               {1, WM_KEYUP, kPosted | kLParam, 0, left | KF_REPEAT_BIT | KF_UP_BIT}},
                              {top, child}));
}

TEST_F(InputTest, AltMakesSystemKeysAndSystemCharacters) {
    SetFocus(child);
    rec().Clear();
    headless::KeyDown(VK_MENU);
    headless::KeyDown('X');
    headless::KeyUp('X');
    headless::KeyUp(VK_MENU);
    headless::PressKey(VK_F10);
    headless::PressKey('X', headless::MOD_CONTROL | headless::MOD_ALT);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_SYSKEYDOWN, kPosted | kWParam, VK_MENU},
                               {1, WM_SYSKEYDOWN, kPosted | kWParam, 'X'},
                               {1, WM_SYSCHAR, kPosted | kWParam, 'x'},
                               {1, WM_SYSKEYUP, kPosted | kWParam, 'X'},
                               {1, WM_SYSKEYUP, kPosted | kWParam, VK_MENU},
                               {1, WM_SYSKEYDOWN, kPosted | kWParam, VK_F10},
                               {1, WM_SYSKEYUP, kPosted | kWParam, VK_F10},
                               {1, WM_KEYDOWN, kPosted | kWParam, VK_CONTROL},
                               {1, WM_KEYDOWN, kPosted | kWParam, VK_MENU},
                               {1, WM_KEYDOWN, kPosted | kWParam, 'X'},
                               {1, WM_KEYUP, kPosted | kWParam, 'X'},
                               {1, WM_KEYUP, kPosted | kWParam, VK_MENU},
                               {1, WM_KEYUP, kPosted | kWParam, VK_CONTROL}},
                              {top, child}))
        << "Ctrl+Alt is not a system combination and makes no character";
    EXPECT_TRUE(rec().Log()[1].lParam & KF_ALTDOWN_BIT);
}

TEST_F(InputTest, KeyStateFollowsRetrievedMessagesAsyncStateFollowsInput) {
    SetFocus(child);
    static SHORT shiftAtA = 0;
    static SHORT buttonAtDown = 0;
    BehaviourFor(child).hook = [](HWND, UINT m, WPARAM w, LPARAM, bool*) -> LRESULT {
        if (m == WM_KEYDOWN && w == 'A') shiftAtA = GetKeyState(VK_SHIFT);
        if (m == WM_LBUTTONDOWN) buttonAtDown = GetKeyState(VK_LBUTTON);
        return 0;
    };
    headless::KeyDown(VK_SHIFT);
    EXPECT_TRUE(GetAsyncKeyState(VK_SHIFT) & 0x8000);
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000) << "not retrieved yet";
    headless::KeyDown('A');
    headless::KeyUp(VK_SHIFT);
    headless::KeyUp('A');
    headless::Click(child, 1, 1);
    Pump();
    EXPECT_TRUE(shiftAtA & 0x8000) << "the state as of the message being handled";
    EXPECT_EQ((std::tuple{buttonAtDown & 0x8000, GetKeyState(VK_SHIFT) & 0x8000, GetAsyncKeyState(VK_SHIFT) & 0x8000,
                          GetKeyState(VK_LBUTTON) & 0x8000}),
              (std::tuple{0x8000, 0, 0, 0}));

    headless::KeyDown(VK_LSHIFT);
    Pump();
    EXPECT_TRUE(GetKeyState(VK_SHIFT) & 0x8000) << "a left/right key also sets the generic key";
    headless::KeyUp(VK_LSHIFT);
    Pump();
    EXPECT_FALSE(GetKeyState(VK_SHIFT) & 0x8000);

    SHORT caps = GetKeyState(VK_CAPITAL) & 1;
    headless::KeyDown(VK_CAPITAL);
    headless::KeyDown(VK_CAPITAL); // held: the repeat does not flip it back
    headless::KeyUp(VK_CAPITAL);
    Pump();
    EXPECT_EQ(GetKeyState(VK_CAPITAL) & 1, caps ^ 1) << "toggle keys flip their low bit once a press";
    BYTE keys[256];
    EXPECT_TRUE(GetKeyboardState(keys));
    EXPECT_EQ(keys[VK_CAPITAL] & 1, caps ^ 1);
    headless::PressKey(VK_CAPITAL);
    Pump();
    headless::KeyDown(0xFF); // the last entry of the key table
    EXPECT_TRUE(GetAsyncKeyState(0xFF) & 0x8000);
    headless::KeyUp(0xFF);
    EXPECT_EQ((std::tuple{GetKeyState(-1), GetKeyState(256)}), (std::tuple{0, 0}));
    EXPECT_FALSE(GetKeyboardState(nullptr));
}

TEST_F(InputTest, FocusChangesSendKillThenSet) {
    EXPECT_EQ(GetFocus(), top);
    rec().Clear();
    EXPECT_EQ(SetFocus(child), top);
    EXPECT_TRUE(MatchSequence({{0, WM_KILLFOCUS, kSent | kWParam, reinterpret_cast<WPARAM>(child)},
                               {1, WM_SETFOCUS, kSent | kWParam, reinterpret_cast<WPARAM>(top)}},
                              {top, child}));
    rec().Clear();
    EXPECT_EQ(SetFocus(child), child);
    EXPECT_TRUE(rec().Log().empty()) << "no messages when nothing changes";
    EXPECT_EQ((std::tuple{SetFocus(nullptr), GetFocus()}), (std::tuple{child, nullptr}));
    EXPECT_TRUE(MatchSequence({{1, WM_KILLFOCUS, kSent | kWParam, 0}}, {top, child}));

    // Keys go to the focus window; with none, to the active window as system keys.
    rec().Clear();
    headless::PressKey('Q');
    rec().ignore = {WM_CHAR, WM_SYSCHAR};
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_SYSKEYDOWN, kPosted}, {0, WM_SYSKEYUP, kPosted}}, {top, child}));

    // A window that hands the focus on while losing it wins: the window asked for never gets it.
    static HWND elsewhere;
    elsewhere = Child(top, 100, 100, 20, 20, 2, WS_CHILD | WS_VISIBLE, kRecDblClass);
    SetFocus(child);
    BehaviourFor(child).hook = [](HWND, UINT m, WPARAM, LPARAM, bool*) -> LRESULT {
        if (m == WM_KILLFOCUS) SetFocus(elsewhere);
        return 0;
    };
    rec().Clear();
    rec().ignore = {};
    SetFocus(top);
    EXPECT_EQ(GetFocus(), elsewhere);
    for (const Recorded& r : rec().Log()) EXPECT_FALSE(r.hwnd == top && r.msg == WM_SETFOCUS);
    BehaviourFor(child).hook = nullptr;
}

TEST_F(InputTest, FocusIntoAnotherTopLevelActivatesIt) {
    SetFocus(child);
    HWND second = TopLevel(400, 100, 100, 100, WS_OVERLAPPED, kRecClass);
    HWND inner = Child(second, 0, 0, 20, 20);
    ShowWindow(second, SW_SHOWNA);
    EXPECT_EQ(GetActiveWindow(), top);
    rec().Clear();
    SetFocus(inner);
    EXPECT_TRUE(MatchSequence({{0, WM_NCACTIVATE, kSent | kWParam, FALSE},
                               {0, WM_ACTIVATE, kSent | kWParam | kLParam, WA_INACTIVE, reinterpret_cast<LPARAM>(second)},
                               {2, WM_NCACTIVATE, kSent | kWParam, TRUE},
                               {2, WM_ACTIVATE, kSent | kWParam | kLParam, WA_ACTIVE, reinterpret_cast<LPARAM>(top)},
                               {1, WM_KILLFOCUS, kSent | kOptional},
                               {2, WM_SETFOCUS, kSent | kOptional},
                               {2, WM_KILLFOCUS, kSent | kOptional},
                               {3, WM_SETFOCUS, kSent}},
                              {top, child, second, inner}));
    EXPECT_EQ((std::tuple{GetActiveWindow(), GetFocus()}), (std::tuple{second, inner}));
}

TEST_F(InputTest, ClickingAnInactiveWindowAsksForActivation) {
    HWND second = TopLevel(400, 100, 100, 100, WS_OVERLAPPED, kRecClass);
    ShowWindow(second, SW_SHOWNA);
    Pump();
    rec().Clear();
    rec().ignore = {WM_NCHITTEST, WM_SETCURSOR, WM_MOUSEMOVE, WM_NCACTIVATE, WM_SETFOCUS, WM_KILLFOCUS, WM_PAINT,
                    WM_ERASEBKGND};
    headless::Click(second, 10, 10);
    Pump();
    EXPECT_TRUE(MatchSequence({{2, WM_MOUSEACTIVATE, kSent | kWParam, reinterpret_cast<WPARAM>(second)},
                               {0, WM_ACTIVATE, kSent | kWParam, WA_INACTIVE},
                               {2, WM_ACTIVATE, kSent | kWParam, WA_ACTIVE},
                               {2, WM_LBUTTONDOWN, kPosted},
                               {2, WM_LBUTTONUP, kPosted}},
                              {top, child, second}));
    EXPECT_EQ(GetActiveWindow(), second);

    // MA_ACTIVATEANDEAT activates but swallows the press.
    BehaviourFor(top).hook = [](HWND, UINT m, WPARAM, LPARAM, bool* handled) -> LRESULT {
        if (m != WM_MOUSEACTIVATE) return 0;
        *handled = true;
        return MA_ACTIVATEANDEAT;
    };
    rec().Clear();
    headless::Click(top, 150, 150);
    Pump();
    EXPECT_EQ(GetActiveWindow(), top);
    EXPECT_TRUE(MatchSequence({{0, WM_MOUSEACTIVATE, kSent},
                               {2, WM_ACTIVATE, kSent},
                               {0, WM_ACTIVATE, kSent},
                               {0, WM_LBUTTONUP, kPosted}},
                              {top, child, second}));

    // MA_NOACTIVATE leaves the active window alone and lets the press through.
    SetActiveWindow(second);
    BehaviourFor(top).hook = [](HWND, UINT m, WPARAM, LPARAM, bool* handled) -> LRESULT {
        if (m != WM_MOUSEACTIVATE) return 0;
        *handled = true;
        return MA_NOACTIVATE;
    };
    rec().Clear();
    headless::Click(top, 150, 150);
    Pump();
    EXPECT_EQ(GetActiveWindow(), second);
    EXPECT_TRUE(MatchSequence({{0, WM_MOUSEACTIVATE, kSent}, {0, WM_LBUTTONDOWN, kPosted}, {0, WM_LBUTTONUP, kPosted}},
                              {top, child}));
}

TEST_F(InputTest, DisabledWindowsGetNoInput) {
    EnableWindow(child, FALSE);
    rec().Clear();
    OnlyMouse();
    headless::Click(child, 5, 5);
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_LBUTTONDOWN, kPosted}, {0, WM_LBUTTONUP, kPosted}}, {top, child}))
        << "a disabled child lets its parent have the click";
    EnableWindow(top, FALSE);
    rec().Clear();
    headless::Click(top, 150, 150);
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) << "nothing at all is queued for the click";
    Pump();
    EXPECT_TRUE(MatchSequence({}, {top, child})) << "a disabled top-level window gets no clicks";
}

TEST_F(InputTest, NonClientHitsMakeNonClientMessagesAndTransparentHitsFallThrough) {
    static LRESULT hit;
    hit = HTBORDER;
    BehaviourFor(child).hook = [](HWND, UINT m, WPARAM, LPARAM, bool* handled) -> LRESULT {
        if (m != WM_NCHITTEST) return 0;
        *handled = true;
        return hit;
    };
    rec().ignore = {WM_NCHITTEST, WM_SETCURSOR};
    headless::MouseMove(child, 5, 5);
    headless::MouseDown(backend::BUTTON_LEFT);
    headless::MouseUp(backend::BUTTON_LEFT);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_NCMOUSEMOVE, kPosted | kWParam | kLParam, static_cast<WPARAM>(HTBORDER),
                                MAKELPARAM(115, 115)},
                               {1, WM_NCLBUTTONDOWN, kPosted | kWParam, static_cast<WPARAM>(HTBORDER)},
                               {1, WM_NCLBUTTONUP, kPosted}},
                              {top, child}));
    hit = HTTRANSPARENT;
    rec().Clear();
    headless::MouseMove(child, 6, 6);
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_MOUSEMOVE, kPosted | kLParam, 0, MAKELPARAM(16, 16)}}, {top, child}));
}

TEST_F(InputTest, TextInputArrivesAsCharactersIncludingSurrogatePairs) {
    SetFocus(child);
    rec().Clear();
    headless::TypeText("a\xC3\xA9\xF0\x9F\x8E\xB9");
    backend::InputText("\xFF\xFE");
    backend::InputText(nullptr);
    // The last character of one unit, the first and last of two, and one past the end of Unicode.
    headless::TypeText("\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\xF4\x90\x80\x80");
    Pump();
    EXPECT_EQ(rec().Params(WM_CHAR), (std::vector<WPARAM>{u'a', 0xE9, 0xD83C, 0xDFB9, 0xFFFF, 0xD800, 0xDC00, 0xDBFF, 0xDFFF}))
        << "malformed bytes are skipped";
}

TEST_F(InputTest, KeysTranslateToTheCharactersOfTheUsLayout) {
    SetFocus(child);
    struct Typed {
        int vk;
        unsigned mods;
        WPARAM ch; // 0: no character
    } keys[] = {
        {'A', 0, 'a'},          {'Z', headless::MOD_SHIFT, 'Z'}, {'A', headless::MOD_CONTROL, 1},
        {'Z', headless::MOD_CONTROL, 26}, {'0', 0, '0'},          {'9', headless::MOD_SHIFT, '('},
        {'1', headless::MOD_SHIFT, '!'},  {'5', headless::MOD_CONTROL, 0}, {VK_NUMPAD0, 0, '0'},
        {VK_NUMPAD9, 0, '9'},   {VK_NUMPAD5, headless::MOD_CONTROL, 0}, {VK_SPACE, 0, ' '},
        {VK_RETURN, 0, '\r'},   {VK_RETURN, headless::MOD_CONTROL, '\n'}, {VK_BACK, 0, 8},
        {VK_BACK, headless::MOD_CONTROL, 0x7F}, {VK_TAB, 0, '\t'}, {VK_ESCAPE, 0, 0x1B},
        {VK_MULTIPLY, 0, '*'},  {VK_ADD, 0, '+'},  {VK_SUBTRACT, 0, '-'}, {VK_DECIMAL, 0, '.'}, {VK_DIVIDE, 0, '/'},
        {VK_OEM_1, 0, ';'},     {VK_OEM_1, headless::MOD_SHIFT, ':'}, {VK_OEM_PLUS, 0, '='},
        {VK_OEM_PLUS, headless::MOD_SHIFT, '+'}, {VK_OEM_COMMA, headless::MOD_SHIFT, '<'}, {VK_OEM_MINUS, 0, '-'},
        {VK_OEM_PERIOD, 0, '.'}, {VK_OEM_2, headless::MOD_SHIFT, '?'}, {VK_OEM_3, 0, '`'},
        {VK_OEM_4, headless::MOD_CONTROL, 0x1B}, {VK_OEM_5, headless::MOD_CONTROL, 0x1C},
        {VK_OEM_6, headless::MOD_CONTROL, 0x1D}, {VK_OEM_7, headless::MOD_SHIFT, '"'}, {VK_LEFT, 0, 0}, {VK_F5, 0, 0},
    };
    for (const Typed& k : keys) {
        rec().Clear();
        headless::PressKey(k.vk, k.mods);
        Pump();
        EXPECT_EQ(rec().Params(WM_CHAR), k.ch ? std::vector<WPARAM>{k.ch} : std::vector<WPARAM>{}) << k.vk << " with " << k.mods;
    }
    // Caps Lock swaps the case of letters only.
    headless::PressKey(VK_CAPITAL);
    rec().Clear();
    headless::PressKey('Q');
    headless::PressKey('Q', headless::MOD_SHIFT);
    headless::PressKey('3');
    headless::PressKey(VK_CAPITAL);
    Pump();
    EXPECT_EQ(rec().Params(WM_CHAR), (std::vector<WPARAM>{'Q', 'q', '3'}));
}

TEST_F(InputTest, InputMessagesCarryTheTimeAndPlaceOfTheEvent) {
    static LONG timeAtDown = -1;
    static DWORD posAtDown = 0;
    BehaviourFor(child).hook = [](HWND, UINT m, WPARAM, LPARAM, bool*) -> LRESULT {
        if (m == WM_LBUTTONDOWN) {
            timeAtDown = GetMessageTime();
            posAtDown = GetMessagePos();
        }
        return 0;
    };
    headless::AdvanceClock(40);
    headless::MouseMove(child, 3, 4);
    headless::MouseDown(backend::BUTTON_LEFT);
    headless::MouseMove(top, 150, 150);
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_NOREMOVE)) << "input is no thread message";
    // A parent's filter takes its child's input.
    ASSERT_TRUE(PeekMessage(&m, top, WM_LBUTTONDOWN, WM_LBUTTONDOWN, PM_REMOVE));
    EXPECT_EQ((std::tuple{m.hwnd, m.time, m.pt}), (std::tuple{child, 40u, (POINT{113, 114})}));
    DispatchMessage(&m);
    EXPECT_EQ(timeAtDown, 40);
    EXPECT_EQ(posAtDown, MAKELONG(113, 114)) << "where the press happened, not where the pointer is now";
    headless::MouseUp(backend::BUTTON_LEFT);
    Pump();
}

} // namespace
