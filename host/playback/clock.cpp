// The steady clock and the manual test clock.
#include "playback/clock.h"

#include <algorithm>
#include <chrono>

namespace playback {

std::int64_t SystemClock::NowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void SystemClock::WaitUntil(std::int64_t deadline, const std::function<bool()>& wake) {
    std::unique_lock lock(mutex_);
    for (;;) {
        if (wake()) return;
        const std::int64_t now = NowMicros();
        if (now >= deadline) return;
        // Long waits are cut into pieces so that an unreachable deadline cannot overflow.
        const std::int64_t wait = std::min<std::int64_t>(deadline - now, 1000000);
        cv_.wait_for(lock, std::chrono::microseconds(wait));
    }
}

void SystemClock::Notify() {
    std::lock_guard lock(mutex_);
    cv_.notify_all();
}

std::int64_t TestClock::NowMicros() {
    std::lock_guard lock(mutex_);
    return now_;
}

void TestClock::WaitUntil(std::int64_t deadline, const std::function<bool()>& wake) {
    std::unique_lock lock(mutex_);
    while (now_ < deadline && !wake()) {
        Waiter w{deadline, false};
        waiters_.push_back(&w);
        ++idle_;
        idleCv_.notify_all();
        wakeCv_.wait(lock, [&] { return w.signalled; });
        waiters_.erase(std::find(waiters_.begin(), waiters_.end(), &w));
    }
}

void TestClock::Notify() {
    std::lock_guard lock(mutex_);
    for (Waiter* w : waiters_)
        if (!w->signalled) {
            w->signalled = true;
            --idle_;
        }
    wakeCv_.notify_all();
}

void TestClock::WorkerStarted() {
    std::lock_guard lock(mutex_);
    ++workers_;
}

void TestClock::WorkerStopped() {
    std::lock_guard lock(mutex_);
    --workers_;
    idleCv_.notify_all();
}

void TestClock::SettleLocked(std::unique_lock<std::mutex>& lock) {
    idleCv_.wait(lock, [&] { return idle_ >= workers_; });
}

void TestClock::Settle() {
    std::unique_lock lock(mutex_);
    SettleLocked(lock);
}

void TestClock::AdvanceTo(std::int64_t micros) {
    std::unique_lock lock(mutex_);
    for (;;) {
        SettleLocked(lock);
        if (now_ >= micros) return;
        std::int64_t next = micros;
        for (const Waiter* w : waiters_)
            if (!w->signalled) next = std::min(next, w->deadline);
        now_ = std::max(now_, next);
        bool any = false;
        for (Waiter* w : waiters_)
            if (!w->signalled && w->deadline <= now_) {
                w->signalled = true;
                --idle_;
                any = true;
            }
        if (any) wakeCv_.notify_all();
    }
}

void TestClock::Advance(std::int64_t micros) { AdvanceTo(NowMicros() + micros); }

} // namespace playback
