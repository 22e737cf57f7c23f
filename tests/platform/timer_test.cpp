// Timers on the manual clock: due order, replacement, killing, procedures and the tick count.
#include "fixture.h"

#include <utility>

using namespace vortest;

namespace {

class TimerTest : public PlatformTest {};

std::vector<std::pair<UINT_PTR, DWORD>>& Fired() {
    static std::vector<std::pair<UINT_PTR, DWORD>> f;
    return f;
}

LRESULT RecordTimers(HWND, UINT m, WPARAM w, LPARAM, bool*) {
    if (m == WM_TIMER) Fired().emplace_back(w, GetTickCount());
    return 0;
}

HWND TimerWindow(PlatformTest*) {
    Behaviour b;
    b.hook = RecordTimers;
    SetNextBehaviour(b);
    HWND h = CreateWindowEx(0, kRecClass, "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    Fired().clear();
    return h;
}

using Fires = std::vector<std::pair<UINT_PTR, DWORD>>;

TEST_F(TimerTest, TimersFireInDueOrderAndTheTickCountFollowsTheClock) {
    HWND h = TimerWindow(this);
    EXPECT_EQ((std::tuple{GetTickCount(), SetTimer(h, 1, 30, nullptr), SetTimer(h, 2, 50, nullptr)}),
              (std::tuple{0u, 1u, 2u}));
    headless::AdvanceClock(100);
    EXPECT_EQ((std::tuple{Fired(), GetTickCount(), GetTickCount64()}),
              (std::tuple{(Fires{{1, 30}, {2, 50}, {1, 60}, {1, 90}, {2, 100}}), 100u, 100u}));
    Fired().clear();
    headless::AdvanceClock(9);
    EXPECT_TRUE(Fired().empty());
}

TEST_F(TimerTest, ResettingAnIdReplacesTheTimerAndShortElapsesAreRaised) {
    struct Set {
        UINT_PTR id;
        UINT elapse;
        DWORD advanceAfter;
    };
    struct Case {
        const char* what;
        std::vector<Set> sets;
        Fires want;
    } cases[] = {
        {"reset", {{1, 30, 20}, {1, 50, 100}}, {{1, 70}, {1, 120}}},
        {"below the minimum", {{4, 0, 25}}, {{4, 10}, {4, 20}}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        HWND h = TimerWindow(this);
        DWORD start = GetTickCount();
        for (const Set& s : k.sets) {
            SetTimer(h, s.id, s.elapse, nullptr);
            headless::AdvanceClock(s.advanceAfter);
        }
        for (auto& fire : Fired()) fire.second -= start;
        EXPECT_EQ(Fired(), k.want);
        DestroyWindow(h);
    }
}

TEST_F(TimerTest, KillTimerAndDestroyStopTimers) {
    HWND h = TimerWindow(this);
    SetTimer(h, 1, 10, nullptr);
    SetTimer(h, 2, 10, nullptr);
    EXPECT_EQ((std::tuple{bool(KillTimer(h, 1)), bool(KillTimer(h, 1)), bool(KillTimer(h, 99))}),
              (std::tuple{true, false, false}));
    headless::AdvanceClock(10);
    EXPECT_EQ(Fired(), (Fires{{2, 10}}));
    DestroyWindow(h);
    EXPECT_FALSE(KillTimer(h, 2)) << "destroying the window killed its timers";
    EXPECT_EQ(SetTimer(h, 3, 10, nullptr), 0u);
}

std::vector<std::pair<HWND, UINT_PTR>>& ProcCalls() {
    static std::vector<std::pair<HWND, UINT_PTR>> c;
    return c;
}
void TimerProc(HWND h, UINT msg, UINT_PTR id, DWORD) {
    if (msg == WM_TIMER) ProcCalls().emplace_back(h, id);
}

TEST_F(TimerTest, TimerProceduresAreCalledInsteadOfTheWindow) {
    HWND h = TimerWindow(this);
    ProcCalls().clear();
    SetTimer(h, 5, 10, TimerProc);
    UINT_PTR threadId = SetTimer(nullptr, 0, 15, TimerProc);
    EXPECT_NE(threadId, 0u);
    UINT_PTR second = SetTimer(nullptr, 0, 100, TimerProc);
    EXPECT_NE(second, threadId) << "each thread timer gets its own id";
    headless::AdvanceClock(20);
    EXPECT_TRUE(Fired().empty());
    EXPECT_EQ(ProcCalls(), (std::vector<std::pair<HWND, UINT_PTR>>{{h, 5}, {nullptr, threadId}, {h, 5}}));
    EXPECT_TRUE(KillTimer(nullptr, threadId));
    KillTimer(h, 5);
    EXPECT_EQ(SetTimer(nullptr, second, 12, TimerProc), second) << "setting a thread timer's id again resets it";
    ProcCalls().clear();
    headless::AdvanceClock(12);
    EXPECT_EQ(ProcCalls(), (std::vector<std::pair<HWND, UINT_PTR>>{{nullptr, second}}));
    EXPECT_TRUE(KillTimer(nullptr, second));
    EXPECT_FALSE(KillTimer(nullptr, second));
}

TEST_F(TimerTest, TimersComeAfterPostedMessagesAndPaint) {
    HWND h = TimerWindow(this);
    ShowWindow(h, SW_SHOW);
    Pump();
    SetTimer(h, 1, 10, nullptr);
    headless::AdvanceClock(0);
    InvalidateRect(h, nullptr, FALSE);
    PostMessage(h, WM_USER, 0, 0);
    // Make the timer due without pumping.
    MSG m;
    rec().Clear();
    rec().ignore = {WM_ERASEBKGND};
    while (headless::Now() < 10) {
        // GetMessage lets the manual clock run to the next timer when nothing else is queued,
        // but the posted message and the paint come first.
        ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
        rec().ExpectDispatch(m.hwnd, m.message);
        DispatchMessage(&m);
    }
    EXPECT_TRUE(MatchSequence({{0, WM_USER, kPosted}, {0, WM_PAINT, kPosted}, {0, WM_TIMER, kPosted | kWParam, 1}},
                              {h}));
    // Waiting for a message lets the clock run only as far as the earliest timer.
    SetTimer(h, 2, 500, nullptr);
    const DWORD start = GetTickCount();
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    EXPECT_EQ((std::tuple{m.message, m.wParam, GetTickCount()}),
              (std::tuple{static_cast<UINT>(WM_TIMER), 1u, start + 10}));
}

TEST_F(TimerTest, AdvanceClockStopsAtAPendingQuit) {
    HWND h = TimerWindow(this);
    SetTimer(h, 1, 10, nullptr);
    PostQuitMessage(0);
    headless::AdvanceClock(50);
    EXPECT_EQ(GetTickCount(), 50u);
    EXPECT_TRUE(Fired().empty());
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    headless::AdvanceClock(0);
    EXPECT_EQ(Fired().size(), 1u) << "a late timer fires once, not once per missed period";
}

} // namespace
