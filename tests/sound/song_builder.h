// Test helper: builds small songs and reads back what a recorder output received.
#pragma once

#include <algorithm>
#include <tuple>
#include <vector>

#include "midiout/recorder_output.h"
#include "playback/song.h"

namespace soundtest {

inline playback::SongEvent Note(std::int64_t tick, std::int64_t duration, int note, int velocity = 100) {
    playback::SongEvent e;
    e.tick = tick;
    e.kind = 0x40;
    e.d[0] = static_cast<std::uint8_t>(note);
    e.d[1] = static_cast<std::uint8_t>(velocity);
    e.duration = duration;
    return e;
}

inline playback::SongEvent Event(std::int64_t tick, std::uint32_t kind, int d1, int d2 = 0) {
    playback::SongEvent e;
    e.tick = tick;
    e.kind = kind;
    e.d[0] = static_cast<std::uint8_t>(d1);
    e.d[1] = static_cast<std::uint8_t>(d2);
    return e;
}

inline playback::SongTrack Track(int channel, std::vector<playback::SongEvent> events) {
    playback::SongTrack t;
    t.channel = channel;
    t.events = std::move(events);
    return t;
}

inline std::vector<midiout::RecordedMessage> NoteOns(const std::vector<midiout::RecordedMessage>& all) {
    std::vector<midiout::RecordedMessage> out;
    std::copy_if(all.begin(), all.end(), std::back_inserter(out), [](const auto& r) { return r.message.IsNoteOn(); });
    return out;
}

// Note-ons as (micros, channel, note), in the order they were sent.
using OnList = std::vector<std::tuple<std::int64_t, int, int>>;
inline OnList Ons(const midiout::RecorderOutput& out) {
    OnList v;
    for (const auto& r : NoteOns(out.Messages())) v.emplace_back(r.micros, r.message.Channel(), r.message.data1);
    return v;
}

// Whether every note that was switched on was switched off again (by a note-off or CC 123 later on
// its channel).
inline bool AllNotesEnded(const std::vector<midiout::RecordedMessage>& all) {
    int sounding[16][128] = {};
    for (const auto& r : all) {
        const auto& m = r.message;
        const int ch = m.Channel();
        if (ch < 0) continue;
        if (m.IsNoteOn()) ++sounding[ch][m.data1];
        else if (m.IsNoteOff()) sounding[ch][m.data1] = 0;
        else if (m.Type() == 0xB0 && m.data1 == 123)
            for (int& n : sounding[ch]) n = 0;
    }
    for (const auto& ch : sounding)
        for (int n : ch)
            if (n) return false;
    return true;
}

} // namespace soundtest
