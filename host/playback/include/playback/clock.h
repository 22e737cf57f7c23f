// Clocks for the playback thread: the real steady clock, and a manual clock for tests.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

namespace playback {

class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t NowMicros() = 0;
    // Blocks until NowMicros() >= deadline, or until a Notify() finds wake() true.
    // wake() is called with the clock's lock held and must only read atomics.
    virtual void WaitUntil(std::int64_t deadline, const std::function<bool()>& wake) = 0;
    // Makes waiting threads check their wake() again.
    virtual void Notify() = 0;
    // A thread that will wait on this clock is about to start, and has ended (the test clock
    // waits for such threads to settle before it moves on).
    virtual void WorkerStarted() {}
    virtual void WorkerStopped() {}
};

class SystemClock : public Clock {
public:
    std::int64_t NowMicros() override;
    void WaitUntil(std::int64_t deadline, const std::function<bool()>& wake) override;
    void Notify() override;

private:
    std::mutex mutex_;
    std::condition_variable cv_;
};

// Time moves only when the test says so. AdvanceTo stops at every deadline a worker waits for on
// the way, and returns only when every worker is waiting again, so what happens is the same on
// every run whatever the load of the machine.
class TestClock : public Clock {
public:
    explicit TestClock(std::int64_t start = 0) : now_(start) {}
    std::int64_t NowMicros() override;
    void WaitUntil(std::int64_t deadline, const std::function<bool()>& wake) override;
    void Notify() override;
    void WorkerStarted() override;
    void WorkerStopped() override;

    void AdvanceTo(std::int64_t micros);
    void Advance(std::int64_t micros);
    // Waits until every worker waits (a command sent to a worker has been handled).
    void Settle();

private:
    struct Waiter {
        std::int64_t deadline;
        bool signalled;
    };
    void SettleLocked(std::unique_lock<std::mutex>& lock);

    std::mutex mutex_;
    std::condition_variable wakeCv_, idleCv_;
    std::int64_t now_;
    int workers_ = 0;
    int idle_ = 0; // waiters blocked and not yet signalled
    std::vector<Waiter*> waiters_;
};

} // namespace playback
