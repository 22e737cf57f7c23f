// The tick-domain playback core.
#include "playback/sequencer.h"

#include <algorithm>
#include <cstring>

namespace playback {

namespace {
constexpr int kProgramSlot = 128, kBendSlot = 129, kPressureSlot = 130;

// Controllers whose meaning depends on the order of a sequence (data entry, parameter numbers) or
// that are channel-mode messages are not brought up to date on a jump.
bool ChaseController(int cc) { return !(cc == 6 || cc == 38 || (cc >= 96 && cc <= 101) || cc >= 120); }
} // namespace

Sequencer::Sequencer(std::shared_ptr<const Schedule> schedule) : schedule_(std::move(schedule)) {
    ForgetSentState();
}

void Sequencer::ForgetSentState() { std::memset(sent_, 0xFF, sizeof sent_); }

std::size_t Sequencer::IndexAt(std::int64_t tick) const {
    if (!schedule_) return 0;
    const auto& ev = schedule_->events;
    return static_cast<std::size_t>(
        std::lower_bound(ev.begin(), ev.end(), tick, [](const ScheduledEvent& e, std::int64_t t) { return e.tick < t; }) -
        ev.begin());
}

void Sequencer::Replace(std::shared_ptr<const Schedule> schedule, std::int64_t tick) {
    schedule_ = std::move(schedule);
    index_ = IndexAt(tick);
}

void Sequencer::Send(std::int64_t tick, const midiout::MidiMessage& m, const Emit& emit) {
    const int ch = m.Channel();
    if (ch >= 0) {
        channelsUsed_ |= static_cast<std::uint16_t>(1u << ch);
        switch (m.Type()) {
        case 0xB0: sent_[ch][m.data1] = m.data2; break;
        case 0xC0: sent_[ch][kProgramSlot] = m.data1; break;
        case 0xD0: sent_[ch][kPressureSlot] = m.data1; break;
        case 0xE0: sent_[ch][kBendSlot] = static_cast<std::int16_t>(m.data2 * 128 + m.data1); break;
        default: break;
        }
    }
    emit(tick, m);
}

void Sequencer::Locate(std::int64_t tick, const Emit& emit) {
    FlushNotes(emit);
    index_ = IndexAt(tick);
    if (!schedule_ || index_ == 0) return;
    std::int16_t want[16][131];
    std::memset(want, 0xFF, sizeof want);
    std::uint16_t touched = 0;
    for (std::size_t i = 0; i < index_; ++i) {
        const auto& m = schedule_->events[i].message;
        const int ch = m.Channel();
        if (ch < 0) continue;
        switch (m.Type()) {
        case 0xB0:
            if (!ChaseController(m.data1)) continue;
            want[ch][m.data1] = m.data2;
            break;
        case 0xC0: want[ch][kProgramSlot] = m.data1; break;
        case 0xD0: want[ch][kPressureSlot] = m.data1; break;
        case 0xE0: want[ch][kBendSlot] = static_cast<std::int16_t>(m.data2 * 128 + m.data1); break;
        default: continue;
        }
        touched |= static_cast<std::uint16_t>(1u << ch);
    }
    for (int ch = 0; ch < 16; ++ch) {
        if (!(touched & (1u << ch))) continue;
        const auto status = [ch](int type) { return static_cast<std::uint8_t>(type | ch); };
        // Bank select before the program, the program before the other controllers.
        for (int cc : {0, 32})
            if (want[ch][cc] >= 0 && want[ch][cc] != sent_[ch][cc])
                Send(tick, midiout::MidiMessage::Short(status(0xB0), cc, want[ch][cc]), emit);
        if (want[ch][kProgramSlot] >= 0 && want[ch][kProgramSlot] != sent_[ch][kProgramSlot])
            Send(tick, midiout::MidiMessage::Short(status(0xC0), want[ch][kProgramSlot]), emit);
        for (int cc = 1; cc < 128; ++cc)
            if (cc != 32 && want[ch][cc] >= 0 && want[ch][cc] != sent_[ch][cc])
                Send(tick, midiout::MidiMessage::Short(status(0xB0), cc, want[ch][cc]), emit);
        if (want[ch][kPressureSlot] >= 0 && want[ch][kPressureSlot] != sent_[ch][kPressureSlot])
            Send(tick, midiout::MidiMessage::Short(status(0xD0), want[ch][kPressureSlot]), emit);
        if (want[ch][kBendSlot] >= 0 && want[ch][kBendSlot] != sent_[ch][kBendSlot]) {
            const int v = want[ch][kBendSlot];
            Send(tick, midiout::MidiMessage::Short(status(0xE0), v & 0x7F, v >> 7), emit);
        }
    }
}

std::int64_t Sequencer::NextTick() const {
    std::int64_t next = kNever;
    if (schedule_ && index_ < schedule_->events.size()) next = schedule_->events[index_].tick;
    if (!offs_.empty()) next = std::min(next, offs_.top().tick);
    return next;
}

void Sequencer::EmitNext(const Emit& emit) {
    const bool haveEvent = schedule_ && index_ < schedule_->events.size();
    if (!offs_.empty() && (!haveEvent || offs_.top().tick <= schedule_->events[index_].tick)) {
        const PendingOff off = offs_.top();
        offs_.pop();
        // Overlapping notes of one key end together with the last of them.
        if (sounding_[off.channel][off.note] > 0 && --sounding_[off.channel][off.note] == 0)
            Send(off.tick, midiout::MidiMessage::Short(0x80 | off.channel, off.note, 0), emit);
        return;
    }
    if (!haveEvent) return;
    const ScheduledEvent& ev = schedule_->events[index_++];
    Send(ev.tick, ev.message, emit);
    if (ev.offTick >= 0) {
        const auto ch = static_cast<std::uint8_t>(ev.message.Channel());
        ++sounding_[ch][ev.message.data1];
        offs_.push({ev.offTick, ch, ev.message.data1});
    }
}

void Sequencer::FlushNotes(const Emit& emit) {
    // Ends in the order the notes would have ended.
    while (!offs_.empty()) {
        const PendingOff off = offs_.top();
        offs_.pop();
        if (sounding_[off.channel][off.note] > 0 && --sounding_[off.channel][off.note] == 0)
            Send(off.tick, midiout::MidiMessage::Short(0x80 | off.channel, off.note, 0), emit);
    }
    std::memset(sounding_, 0, sizeof sounding_);
}

void Sequencer::Silence(const Emit& emit) {
    FlushNotes(emit);
    for (int ch = 0; ch < 16; ++ch) {
        if (!(channelsUsed_ & (1u << ch))) continue;
        const auto status = static_cast<std::uint8_t>(0xB0 | ch);
        Send(-1, midiout::MidiMessage::Short(status, 64, 0), emit);
        Send(-1, midiout::MidiMessage::Short(status, 123, 0), emit);
    }
}

} // namespace playback
