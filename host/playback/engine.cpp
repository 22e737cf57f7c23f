// The transport clock thread.
#include "playback/engine.h"

#include <algorithm>

#include "playback/sequencer.h"

namespace playback {

namespace {
const TempoMap& TempoOf(const std::shared_ptr<const Schedule>& s) {
    static const TempoMap fallback;
    return s ? s->tempo : fallback;
}

// A loop shorter than this would spin the clock thread; it is not looped.
constexpr std::int64_t kShortestLoopMicros = 1000;

bool LoopUsable(const TempoMap& tempo, bool enabled, std::int64_t start, std::int64_t end) {
    return enabled && end > start && tempo.TickToMicros(end) - tempo.TickToMicros(start) >= kShortestLoopMicros;
}
} // namespace

PlaybackEngine::PlaybackEngine(Clock& clock) : clock_(clock) {}

PlaybackEngine::~PlaybackEngine() {
    Stop();
    JoinFinished();
}

void PlaybackEngine::Signal() {
    serial_.fetch_add(1);
    clock_.Notify();
}

void PlaybackEngine::JoinFinished() {
    if (!thread_.joinable() || thread_.get_id() == std::this_thread::get_id()) return;
    bool running;
    {
        std::lock_guard lock(mutex_);
        running = playing_;
    }
    if (!running) thread_.join();
}

void PlaybackEngine::SetSong(std::shared_ptr<const Song> song) {
    std::shared_ptr<const Schedule> schedule = song ? BuildSchedule(*song) : nullptr;
    {
        std::lock_guard lock(mutex_);
        schedule_ = schedule;
        if (!playing_) return;
        pending_.schedule = schedule ? schedule : std::make_shared<const Schedule>();
    }
    Signal();
}

void PlaybackEngine::SetOutput(std::shared_ptr<midiout::MidiOutput> output) {
    {
        std::lock_guard lock(mutex_);
        output_ = output;
        if (!playing_) return;
        pending_.outputChanged = true;
        pending_.output = std::move(output);
    }
    Signal();
}

void PlaybackEngine::SetLoop(bool enabled, std::int64_t startTick, std::int64_t endTick) {
    {
        std::lock_guard lock(mutex_);
        loopEnabled_ = enabled;
        loopStart_ = std::max<std::int64_t>(0, startTick);
        loopEnd_ = std::max<std::int64_t>(0, endTick);
        if (!playing_) return;
        pending_.loopChanged = true;
    }
    Signal();
}

void PlaybackEngine::SetTimeCallback(TimeCallback callback, std::int64_t periodMicros) {
    {
        std::lock_guard lock(mutex_);
        callback_ = std::move(callback);
        callbackPeriod_ = std::max<std::int64_t>(1000, periodMicros);
    }
    Signal();
}

void PlaybackEngine::Start(std::int64_t tick) {
    tick = std::max<std::int64_t>(0, tick);
    JoinFinished();
    {
        std::lock_guard lock(mutex_);
        if (playing_) {
            pending_.seek = tick;
        } else {
            playing_ = true;
            pending_ = {};
            anchorTick_ = tick;
            anchorClock_ = clock_.NowMicros();
            anchorSchedule_ = schedule_;
        }
    }
    if (thread_.joinable()) {
        Signal();
        return;
    }
    clock_.WorkerStarted();
    thread_ = std::thread(&PlaybackEngine::Run, this, tick);
}

void PlaybackEngine::Stop() {
    {
        std::lock_guard lock(mutex_);
        if (!playing_) return;
        pending_.stop = true;
    }
    Signal();
    if (thread_.joinable() && thread_.get_id() != std::this_thread::get_id()) thread_.join();
}

void PlaybackEngine::Seek(std::int64_t tick) {
    tick = std::max<std::int64_t>(0, tick);
    {
        std::lock_guard lock(mutex_);
        if (!playing_) {
            stoppedPosition_ = tick;
            return;
        }
        pending_.seek = tick;
    }
    Signal();
}

bool PlaybackEngine::IsPlaying() const {
    std::lock_guard lock(mutex_);
    return playing_;
}

std::int64_t PlaybackEngine::PositionLocked(std::int64_t now) const {
    const TempoMap& tempo = TempoOf(anchorSchedule_);
    std::int64_t pos = tempo.MicrosToTick(tempo.TickToMicros(anchorTick_) + (now - anchorClock_));
    // The clock thread may not have made the jump yet.
    if (LoopUsable(tempo, loopEnabled_, loopStart_, loopEnd_) && anchorTick_ < loopEnd_ && pos >= loopEnd_)
        pos = loopStart_ + (pos - loopEnd_) % (loopEnd_ - loopStart_);
    return pos;
}

std::int64_t PlaybackEngine::Position() {
    const std::int64_t now = clock_.NowMicros();
    std::lock_guard lock(mutex_);
    return playing_ ? PositionLocked(now) : stoppedPosition_;
}

void PlaybackEngine::Run(std::int64_t startTick) {
    std::shared_ptr<const Schedule> sched;
    std::shared_ptr<midiout::MidiOutput> out;
    bool loopOn = false;
    std::int64_t loopStart = 0, loopEnd = 0;
    TimeCallback callback;
    std::int64_t period = 20000;
    std::int64_t aTick = startTick, aClock = 0;
    {
        // The clock starts when the thread does: a slow thread start delays the song instead of
        // rushing its first events out together.
        const std::int64_t now = clock_.NowMicros();
        std::lock_guard lock(mutex_);
        sched = schedule_;
        out = output_;
        anchorClock_ = now;
        aClock = now;
        loopOn = loopEnabled_;
        loopStart = loopStart_;
        loopEnd = loopEnd_;
    }
    Sequencer seq(sched);
    const auto emit = [&out](std::int64_t, const midiout::MidiMessage& m) {
        if (out) out->Send(m);
    };
    const auto clockOf = [&](std::int64_t tick) {
        const TempoMap& t = TempoOf(sched);
        return aClock + t.TickToMicros(tick) - t.TickToMicros(aTick);
    };
    const auto posAt = [&](std::int64_t now) {
        const TempoMap& t = TempoOf(sched);
        return t.MicrosToTick(t.TickToMicros(aTick) + (now - aClock));
    };
    const auto loopActive = [&] { return LoopUsable(TempoOf(sched), loopOn, loopStart, loopEnd) && aTick < loopEnd; };
    const auto publish = [&] {
        std::lock_guard lock(mutex_);
        anchorTick_ = aTick;
        anchorClock_ = aClock;
        anchorSchedule_ = sched;
    };
    // Moves the anchor to the position at `now` without losing time, so a change of tempo or loop
    // takes effect from there.
    const auto reanchor = [&](std::int64_t now) {
        const std::int64_t p = posAt(now);
        aClock = clockOf(p);
        aTick = p;
    };

    seq.Locate(aTick, emit);
    std::int64_t nextCallback = aClock;
    for (;;) {
        const std::uint64_t seen = serial_.load();
        Commands c;
        bool newLoopOn;
        std::int64_t newLoopStart, newLoopEnd;
        {
            std::lock_guard lock(mutex_);
            c = std::move(pending_);
            pending_ = {};
            newLoopOn = loopEnabled_;
            newLoopStart = loopStart_;
            newLoopEnd = loopEnd_;
            callback = callback_;
            period = callbackPeriod_;
        }
        const std::int64_t now = clock_.NowMicros();

        // What was due before the commands arrived goes out first.
        for (;;) {
            if (loopActive() && clockOf(loopEnd) <= now) {
                while (seq.NextTick() < loopEnd) seq.EmitNext(emit);
                seq.FlushNotes(emit); // notes that would hang across the jump
                aClock = clockOf(loopEnd);
                aTick = loopStart;
                seq.Locate(loopStart, emit);
                publish();
                continue;
            }
            const std::int64_t next = seq.NextTick();
            if (next == Sequencer::kNever || (loopActive() && next >= loopEnd) || clockOf(next) > now) break;
            seq.EmitNext(emit);
        }
        if (c.stop) break;
        if (c.outputChanged) {
            seq.Silence(emit);
            out = std::move(c.output);
            seq.ForgetSentState();
            seq.Locate(posAt(now) + 1, emit);
        }
        if (c.schedule) {
            reanchor(now);
            sched = c.schedule;
            seq.Replace(sched, aTick + 1);
            publish();
        }
        if (c.loopChanged) {
            reanchor(now);
            loopOn = newLoopOn;
            loopStart = newLoopStart;
            loopEnd = newLoopEnd;
            publish();
        }
        if (c.seek) {
            aTick = *c.seek;
            aClock = now;
            seq.Locate(aTick, emit);
            publish();
        }
        if (c.seek || c.loopChanged || c.schedule) continue; // the new state may already be due

        if (callback && now >= nextCallback) {
            callback(posAt(now));
            nextCallback += period;
            if (nextCallback <= now) nextCallback = now + period;
        }

        std::int64_t deadline = callback ? nextCallback : Sequencer::kNever;
        const std::int64_t next = seq.NextTick();
        if (loopActive()) deadline = std::min(deadline, clockOf(loopEnd));
        if (next != Sequencer::kNever && !(loopActive() && next >= loopEnd)) deadline = std::min(deadline, clockOf(next));
        clock_.WaitUntil(deadline, [this, seen] { return serial_.load() != seen; });
    }

    seq.Silence(emit);
    {
        std::lock_guard lock(mutex_);
        stoppedPosition_ = posAt(clock_.NowMicros());
        playing_ = false;
    }
    clock_.WorkerStopped();
}

} // namespace playback
