// Monitoring of single events with scheduled note-offs.
#include "playback/monitor.h"

#include <algorithm>
#include <limits>

namespace playback {

Monitor::Monitor(Clock& clock) : clock_(clock) {}

Monitor::~Monitor() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    Signal();
    if (thread_.joinable()) thread_.join();
    StopAll();
}

void Monitor::Signal() {
    serial_.fetch_add(1);
    clock_.Notify();
}

void Monitor::Play(const std::shared_ptr<midiout::MidiOutput>& output, const SongEvent& event, const TempoMap& tempo,
                   std::int64_t atTick) {
    if (!output) return;
    midiout::EventFields f;
    f.kind = event.kind;
    f.channel = event.channel >= 0 && event.channel <= 15 ? event.channel : 0;
    std::copy(event.d, event.d + 4, f.d);
    if (event.data) {
        f.data = event.data->data();
        f.dataSize = event.data->size();
    }
    std::vector<midiout::MidiMessage> messages;
    midiout::AppendMessages(f, messages);
    for (const auto& m : messages) output->Send(m);
    if (event.kind != 0x40 || event.duration <= 0 || messages.empty() || !messages.front().IsNoteOn()) return;

    const std::int64_t from = std::max<std::int64_t>(0, atTick);
    const std::int64_t length = tempo.TickToMicros(from + event.duration) - tempo.TickToMicros(from);
    bool startThread = false;
    {
        std::lock_guard lock(mutex_);
        if (quit_) return;
        held_.push_back({clock_.NowMicros() + length, output, static_cast<std::uint8_t>(f.channel),
                         messages.front().data1});
        if (!thread_.joinable()) {
            startThread = true;
            clock_.WorkerStarted();
            thread_ = std::thread(&Monitor::Run, this);
        }
    }
    if (!startThread) Signal();
}

void Monitor::StopAll() {
    std::vector<Held> held;
    {
        std::lock_guard lock(mutex_);
        held.swap(held_);
    }
    for (const auto& h : held) h.output->SendShort(0x80 | h.channel, h.note, 0);
}

std::size_t Monitor::PendingNotes() const {
    std::lock_guard lock(mutex_);
    return held_.size();
}

void Monitor::Run() {
    for (;;) {
        const std::uint64_t seen = serial_.load();
        std::vector<Held> due;
        std::int64_t deadline = std::numeric_limits<std::int64_t>::max();
        {
            std::lock_guard lock(mutex_);
            if (quit_) break;
            const std::int64_t now = clock_.NowMicros();
            auto split = std::stable_partition(held_.begin(), held_.end(), [now](const Held& h) { return h.dueMicros > now; });
            due.assign(std::make_move_iterator(split), std::make_move_iterator(held_.end()));
            held_.erase(split, held_.end());
            for (const auto& h : held_) deadline = std::min(deadline, h.dueMicros);
        }
        for (const auto& h : due) h.output->SendShort(0x80 | h.channel, h.note, 0);
        if (!due.empty()) continue;
        clock_.WaitUntil(deadline, [this, seen] { return serial_.load() != seen; });
    }
    clock_.WorkerStopped();
}

} // namespace playback
