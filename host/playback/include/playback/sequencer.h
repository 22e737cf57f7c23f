// The tick-domain core of playback: walks a schedule, keeps the sounding notes, stops them at jumps,
// and brings controllers and programs up to date when playback starts in the middle of a song.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <queue>
#include <vector>

#include "playback/song.h"

namespace playback {

class Sequencer {
public:
    using Emit = std::function<void(std::int64_t tick, const midiout::MidiMessage&)>;
    static constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::max();

    explicit Sequencer(std::shared_ptr<const Schedule> schedule = {});

    // Replaces the schedule (an edit during playback): sounding notes keep their note-offs and the
    // walk continues with the first event at or after `tick`.
    void Replace(std::shared_ptr<const Schedule> schedule, std::int64_t tick);
    // Stops sounding notes, moves to the first event at or after `tick`, and sends the controllers,
    // programs and pitch bends in force there that differ from what was last sent.
    void Locate(std::int64_t tick, const Emit& emit);

    // Tick of the next item (a pending note-off or the next event); kNever when none is left.
    std::int64_t NextTick() const;
    // Sends the next item. Note-offs due at a tick go before the events of that tick.
    void EmitNext(const Emit& emit);

    // Sends the note-offs of every sounding note now.
    void FlushNotes(const Emit& emit);
    // FlushNotes, then sustain off and all-notes-off on every channel used so far.
    void Silence(const Emit& emit);
    // Forgets what was sent (a new output starts from an unknown state).
    void ForgetSentState();

    std::uint16_t ChannelsUsed() const { return channelsUsed_; }
    const Schedule* CurrentSchedule() const { return schedule_.get(); }

private:
    struct PendingOff {
        std::int64_t tick;
        std::uint8_t channel, note;
        bool operator>(const PendingOff& o) const { return tick > o.tick; }
    };
    void Send(std::int64_t tick, const midiout::MidiMessage& m, const Emit& emit);
    std::size_t IndexAt(std::int64_t tick) const;

    std::shared_ptr<const Schedule> schedule_;
    std::size_t index_ = 0;
    std::priority_queue<PendingOff, std::vector<PendingOff>, std::greater<PendingOff>> offs_;
    std::uint16_t sounding_[16][128] = {};
    std::uint16_t channelsUsed_ = 0;
    // Last value sent per channel: 128 controllers, program, pitch bend, channel pressure; -1 unknown.
    std::int16_t sent_[16][131];
};

} // namespace playback
