// Posting from other threads: nothing lost, each thread's order kept, the waiting loop woken.
#include "win/backend.h"
#include "win/com.h"
#include "win/win.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <set>
#include <thread>
#include <vector>

using namespace win;

namespace {

LRESULT Proc(HWND h, UINT m, WPARAM w, LPARAM l) { return DefWindowProc(h, m, w, l); }

std::atomic<int> g_sentCalls{0};
LRESULT CountingProc(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_USER + 50) ++g_sentCalls;
    return DefWindowProc(h, m, w, l);
}

class ThreadTest : public ::testing::Test {
protected:
    void SetUp() override {
        headless::Install();
        static bool registered = false;
        if (!registered) {
            registered = true;
            WNDCLASSEX wc{};
            wc.cbSize = sizeof wc;
            wc.lpfnWndProc = Proc;
            wc.lpszClassName = "ThreadTestWindow";
            ASSERT_NE(RegisterClassEx(&wc), 0);
            wc.lpfnWndProc = CountingProc;
            wc.lpszClassName = "ThreadCountWindow";
            ASSERT_NE(RegisterClassEx(&wc), 0);
        }
        hwnd = CreateWindowEx(0, "ThreadTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                              nullptr);
        ASSERT_TRUE(hwnd);
        headless::PumpUntilIdle();
    }
    void TearDown() override {
        DestroyWindow(hwnd);
        headless::PumpUntilIdle();
    }
    HWND hwnd = nullptr;
};

TEST_F(ThreadTest, FourThreadsPostingTenThousandEachLoseNothingAndKeepOrder) {
    constexpr int kThreads = 4;
    constexpr int kPerThread = 10000;
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    std::atomic<int> refused{0};
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            while (!go.load()) std::this_thread::yield();
            for (int i = 0; i < kPerThread; ++i)
                if (!PostMessage(hwnd, WM_USER, static_cast<WPARAM>(t), i)) ++refused;
        });
    }
    go = true;
    std::vector<LPARAM> next(kThreads, 0);
    int received = 0;
    bool inOrder = true;
    MSG m;
    while (received < kThreads * kPerThread) {
        ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE);
        if (m.message != WM_USER) continue;
        ASSERT_LT(m.wParam, static_cast<WPARAM>(kThreads));
        if (m.lParam != next[m.wParam]) inOrder = false;
        next[m.wParam] = m.lParam + 1;
        ++received;
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(refused.load(), 0);
    EXPECT_TRUE(inOrder);
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(next[t], kPerThread);
    EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER, WM_USER, PM_REMOVE)) << "no duplicates";
}

TEST_F(ThreadTest, APostFromAnotherThreadWakesAWaitingLoop) {
    std::thread poster([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        PostMessage(hwnd, WM_NULL, 0, 0);
    });
    MSG m;
    EXPECT_EQ((std::tuple{GetMessage(&m, nullptr, 0, 0), m.message, m.hwnd}),
              (std::tuple{TRUE, WM_NULL, hwnd}));
    poster.join();
}

TEST_F(ThreadTest, SendFromAnotherThreadIsRefusedAndHandlesStayChecked) {
    HWND counted = CreateWindowEx(0, "ThreadCountWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                  nullptr);
    g_sentCalls = 0;
    LRESULT r = 1;
    BOOL alive = FALSE;
    std::thread other([&] {
        r = SendMessage(counted, WM_USER + 50, 0, 0);
        alive = IsWindow(counted);
    });
    other.join();
    EXPECT_EQ(r, 0);
    EXPECT_EQ(g_sentCalls.load(), 0) << "a window procedure runs only on the user-interface thread";
    ASSERT_EQ(SetTimer(counted, 1, 100, nullptr), 1u);
    UINT_PTR foreignSet = 1;
    BOOL foreignKill = TRUE;
    std::thread timers([&] {
        foreignSet = SetTimer(counted, 2, 100, nullptr);
        foreignKill = KillTimer(counted, 1);
    });
    timers.join();
    // Timers belong to the user-interface thread.
    EXPECT_EQ((std::tuple{foreignSet, foreignKill, KillTimer(counted, 1), alive}), (std::tuple{0u, FALSE, TRUE, true}));
    DestroyWindow(counted);
}

TEST_F(ThreadTest, PostingWhileTheWindowIsDestroyedNeverCrashes) {
    HWND victim = CreateWindowEx(0, "ThreadTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    std::atomic<bool> stop{false};
    std::atomic<int> accepted{0};
    std::thread poster([&] {
        while (!stop.load())
            if (PostMessage(victim, WM_USER + 1, 0, 0)) ++accepted;
    });
    while (accepted.load() < 100) std::this_thread::yield();
    DestroyWindow(victim);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
    stop = true;
    poster.join();
    EXPECT_FALSE(PostMessage(victim, WM_USER + 1, 0, 0));
    MSG m;
    int left = 0;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE))
        if (m.hwnd == victim) ++left;
    EXPECT_EQ(left, 0) << "messages for a destroyed window are dropped";
}

TEST_F(ThreadTest, TaskMemoryHandlesFromManyThreadsAreUnique) {
    constexpr int kThreads = 4;
    constexpr int kEach = 2000;
    std::vector<std::vector<DWORD>> got(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                DWORD h = CoTaskMemAllocHandle(8);
                *static_cast<int*>(CoTaskMemHandlePtr(h)) = t;
                got[t].push_back(h);
                if (i % 2) {
                    CoTaskMemFreeHandle(got[t][i - 1]);
                    got[t][i - 1] = 0;
                }
            }
        });
    }
    for (auto& th : threads) th.join();
    std::set<DWORD> live;
    for (int t = 0; t < kThreads; ++t) {
        for (DWORD h : got[t]) {
            if (!h) continue;
            EXPECT_TRUE(live.insert(h).second);
            EXPECT_EQ(*static_cast<int*>(CoTaskMemHandlePtr(h)), t);
            CoTaskMemFreeHandle(h);
        }
    }
    EXPECT_EQ(live.size(), static_cast<std::size_t>(kThreads * kEach / 2));
}

TEST_F(ThreadTest, ABroadcastFromAnotherThreadReachesEveryTopLevelWindow) {
    HWND second = CreateWindowEx(0, "ThreadTestWindow", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                                 nullptr);
    std::thread other([] { PostMessage(HWND_BROADCAST, WM_USER + 60, 1, 2); });
    other.join();
    PostMessage(hwnd, WM_USER + 61, 0, 0);
    MSG m;
    std::vector<HWND> got;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) {
        if (m.message == WM_USER + 60) {
            EXPECT_EQ(m.wParam, 1u);
            got.push_back(m.hwnd);
        } else if (m.message == WM_USER + 61) {
            EXPECT_EQ(got.size(), 2u) << "the broadcast keeps its place in the queue";
        }
    }
    EXPECT_EQ(got, (std::vector<HWND>{second, hwnd}));
    DestroyWindow(second);
}

} // namespace
