// A MIDI file read straight from its bytes, sharing no code with the product's reader, so that a
// saved song is checked by something that could not make the same mistake as the writer's partner.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <stdexcept>
#include <string>
#include <tuple>
#include <vector>

namespace rawsmf {

struct Note {
    std::int64_t tick;
    int note, duration, velocity, channel; // channel 1-16
};
// A control change (controller 0-127) or a pitch bend (controller kBend, value 0-16383).
struct Value {
    std::int64_t tick;
    int controller, value, channel;
};
constexpr int kBend = -1;

struct Track {
    std::vector<Note> notes;
    std::vector<Value> values;
};

// The tracks in file order; throws std::runtime_error naming the fault on bytes that are not a MIDI file.
inline std::vector<Track> Read(const std::vector<std::uint8_t>& bytes) {
    std::size_t at = 0;
    auto need = [&](std::size_t n) {
        if (bytes.size() - at < n) throw std::runtime_error("file ends at byte " + std::to_string(at));
    };
    auto u8 = [&] {
        need(1);
        return bytes[at++];
    };
    auto u32 = [&] {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | u8();
        return v;
    };
    auto vlq = [&] {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = u8();
            v = v << 7 | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        throw std::runtime_error("variable-length number over 4 bytes at " + std::to_string(at));
    };
    auto tag = [&](const char* name) {
        need(4);
        if (std::string(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 4) !=
            name)
            throw std::runtime_error(std::string("no ") + name + " at byte " + std::to_string(at));
        at += 4;
    };
    tag("MThd");
    const std::uint32_t headerLength = u32();
    const std::size_t bodyStart = at;
    u8(), u8();
    const int trackCount = u8() << 8 | u8();
    at = bodyStart + headerLength;

    std::vector<Track> tracks;
    for (int t = 0; t < trackCount; ++t) {
        tag("MTrk");
        const std::uint32_t length = u32();
        need(length);
        const std::size_t end = at + length;
        Track track;
        std::map<std::pair<int, int>, std::deque<std::size_t>> sounding; // (channel, note) -> notes
        std::int64_t tick = 0;
        std::uint8_t running = 0;
        while (at < end) {
            tick += vlq();
            std::uint8_t status = u8();
            if (status == 0xFF) {
                u8();
                at += vlq();
                continue;
            }
            if (status == 0xF0 || status == 0xF7) {
                at += vlq();
                continue;
            }
            std::uint8_t d1;
            if (status < 0x80) {
                if (!running) throw std::runtime_error("data byte with no running status");
                d1 = status;
                status = running;
            } else {
                running = status;
                d1 = u8();
            }
            const int kind = status & 0xF0, channel = (status & 0x0F) + 1;
            const std::uint8_t d2 = kind == 0xC0 || kind == 0xD0 ? 0 : u8();
            if (kind == 0x90 && d2 > 0) {
                sounding[{channel, d1}].push_back(track.notes.size());
                track.notes.push_back({tick, d1, -1, d2, channel});
            } else if (kind == 0x80 || kind == 0x90) {
                auto& open = sounding[{channel, d1}];
                if (open.empty()) continue;
                Note& n = track.notes[open.front()];
                n.duration = static_cast<int>(tick - n.tick);
                open.pop_front();
            } else if (kind == 0xB0) {
                track.values.push_back({tick, d1, d2, channel});
            } else if (kind == 0xE0) {
                track.values.push_back({tick, kBend, d2 * 128 + d1, channel});
            }
        }
        if (at != end) throw std::runtime_error("track " + std::to_string(t + 1) + " overruns its length");
        tracks.push_back(std::move(track));
    }
    return tracks;
}

} // namespace rawsmf
