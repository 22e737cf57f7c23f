// The transport: a clock thread that plays a song's schedule to a MIDI output at the right times,
// with jumps, a loop region and a periodic position callback.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "midiout/output.h"
#include "playback/clock.h"
#include "playback/song.h"

namespace playback {

class PlaybackEngine {
public:
    // Called on the clock thread with the transport position in ticks, about every period.
    using TimeCallback = std::function<void(std::int64_t tick)>;

    explicit PlaybackEngine(Clock& clock);
    ~PlaybackEngine();
    PlaybackEngine(const PlaybackEngine&) = delete;
    PlaybackEngine& operator=(const PlaybackEngine&) = delete;

    // A new song (after an edit, a solo or a mute): while playing the position is kept, sounding
    // notes end as they would have, and events from the position on come from the new song.
    void SetSong(std::shared_ptr<const Song> song);
    // The port events go to; null mutes playback. Notes sounding on the old port are stopped.
    void SetOutput(std::shared_ptr<midiout::MidiOutput> output);
    // While enabled and end > start, reaching the end jumps back to the start. Playback that is
    // already past the end when the loop is switched on plays on.
    void SetLoop(bool enabled, std::int64_t startTick, std::int64_t endTick);
    void SetTimeCallback(TimeCallback callback, std::int64_t periodMicros = 20000);

    // Starts at the tick; when already playing, jumps there.
    void Start(std::int64_t tick);
    // Stops, ending every sounding note and sending all-notes-off on every channel used.
    // Safe to call when stopped.
    void Stop();
    // While playing jumps; while stopped sets where the next Start(Position()) begins.
    void Seek(std::int64_t tick);

    bool IsPlaying() const;
    std::int64_t Position();

private:
    struct Commands {
        bool stop = false;
        std::optional<std::int64_t> seek;
        std::shared_ptr<const Schedule> schedule;
        bool outputChanged = false;
        std::shared_ptr<midiout::MidiOutput> output;
        bool loopChanged = false;
    };
    void Run(std::int64_t startTick);
    void Signal();
    void JoinFinished();
    std::int64_t PositionLocked(std::int64_t now) const;

    Clock& clock_;
    std::thread thread_;
    std::atomic<std::uint64_t> serial_{0};

    mutable std::mutex mutex_; // guards everything below
    std::shared_ptr<const Schedule> schedule_;
    std::shared_ptr<midiout::MidiOutput> output_;
    bool loopEnabled_ = false;
    std::int64_t loopStart_ = 0, loopEnd_ = 0;
    TimeCallback callback_;
    std::int64_t callbackPeriod_ = 20000;
    Commands pending_;
    bool playing_ = false;
    // Tick `anchorTick_` sounded at clock time `anchorClock_`; the position follows the tempo map.
    std::int64_t anchorTick_ = 0, anchorClock_ = 0;
    std::shared_ptr<const Schedule> anchorSchedule_; // the schedule whose tempo the anchor uses
    std::int64_t stoppedPosition_ = 0;
};

} // namespace playback
