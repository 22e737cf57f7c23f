// Plays single events now (keys pressed while editing) and ends their notes after their length.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "midiout/output.h"
#include "playback/clock.h"
#include "playback/song.h"

namespace playback {

class Monitor {
public:
    explicit Monitor(Clock& clock);
    ~Monitor(); // ends every note it still holds
    Monitor(const Monitor&) = delete;
    Monitor& operator=(const Monitor&) = delete;

    // Sends the event to the output now. A note (kind 0x40) with a duration gets its note-off after
    // that many ticks at the tempo in force at `atTick`; a note without a duration sounds until a
    // note-off event for it is sent. Everything else goes out as it is.
    void Play(const std::shared_ptr<midiout::MidiOutput>& output, const SongEvent& event, const TempoMap& tempo,
              std::int64_t atTick = 0);
    // Ends every note the monitor started.
    void StopAll();
    std::size_t PendingNotes() const;

private:
    struct Held {
        std::int64_t dueMicros;
        std::shared_ptr<midiout::MidiOutput> output;
        std::uint8_t channel, note;
    };
    void Run();
    void Signal();

    Clock& clock_;
    mutable std::mutex mutex_;
    std::vector<Held> held_;
    std::thread thread_;
    bool quit_ = false;
    std::atomic<std::uint64_t> serial_{0};
};

} // namespace playback
