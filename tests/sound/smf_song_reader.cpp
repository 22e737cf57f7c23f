// Test helper: a plain Standard MIDI File reader producing a playback song.
#include "smf_song_reader.h"

#include <deque>
#include <map>

namespace soundtest {

namespace {
struct Cursor {
    const std::uint8_t* p;
    const std::uint8_t* end;
    bool ok = true;
    std::uint8_t Byte() {
        if (p >= end) {
            ok = false;
            return 0;
        }
        return *p++;
    }
    std::uint32_t Vlq() {
        std::uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const std::uint8_t b = Byte();
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80)) return v;
        }
        ok = false;
        return v;
    }
    std::uint32_t Be(int n) {
        std::uint32_t v = 0;
        for (int i = 0; i < n; ++i) v = (v << 8) | Byte();
        return v;
    }
};

constexpr std::uint32_t kNote = 0x40, kNoteOff = 0x20, kPoly = 0x80, kControl = 0x100, kProgram = 0x200,
                        kAftertouch = 0x400, kBend = 0x800, kSysex = 0x10000, kMeta = 0x100000;
} // namespace

std::optional<ReadSong> ReadSmf(const std::uint8_t* data, std::size_t size, std::string* error) {
    auto fail = [&](const char* why) -> std::optional<ReadSong> {
        if (error) *error = why;
        return std::nullopt;
    };
    Cursor c{data, data + size};
    if (size < 14 || std::string(reinterpret_cast<const char*>(data), 4) != "MThd") return fail("no MThd");
    c.p += 4;
    const std::uint32_t hlen = c.Be(4);
    c.Be(2);
    const int ntracks = static_cast<int>(c.Be(2));
    const int division = static_cast<int>(c.Be(2));
    if (division <= 0 || division >= 0x8000) return fail("unsupported division");
    c.p = data + 8 + hlen;
    ReadSong out;
    std::vector<playback::TempoChange> tempos;
    for (int t = 0; t < ntracks && c.ok; ++t) {
        if (c.end - c.p < 8) return fail("truncated track header");
        const bool mtrk = std::string(reinterpret_cast<const char*>(c.p), 4) == "MTrk";
        c.p += 4;
        const std::uint32_t len = c.Be(4);
        if (static_cast<std::size_t>(c.end - c.p) < len) return fail("track past the end");
        if (!mtrk) {
            c.p += len;
            continue;
        }
        Cursor tc{c.p, c.p + len};
        c.p += len;
        playback::SongTrack track;
        std::map<int, std::deque<std::size_t>> open; // channel*128+note -> event indexes
        std::int64_t tick = 0;
        std::uint8_t running = 0;
        while (tc.ok && tc.p < tc.end) {
            tick += tc.Vlq();
            std::uint8_t status = tc.Byte();
            if (status == 0xFF) {
                const std::uint8_t type = tc.Byte();
                const std::uint32_t n = tc.Vlq();
                if (static_cast<std::uint32_t>(tc.end - tc.p) < n) return fail("meta past the end");
                std::vector<std::uint8_t> bytes(tc.p, tc.p + n);
                tc.p += n;
                if (type == 0x2F) break;
                if (type == 0x51 && n == 3)
                    tempos.push_back({tick, static_cast<std::uint32_t>(bytes[0] << 16 | bytes[1] << 8 | bytes[2])});
                if (type == 0x03) track.name.assign(bytes.begin(), bytes.end());
                bytes.insert(bytes.begin(), type);
                playback::SongEvent e;
                e.tick = tick;
                e.kind = kMeta;
                e.data = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
                track.events.push_back(e);
                continue;
            }
            if (status == 0xF0 || status == 0xF7) {
                const std::uint32_t n = tc.Vlq();
                if (static_cast<std::uint32_t>(tc.end - tc.p) < n) return fail("sysex past the end");
                std::vector<std::uint8_t> bytes(tc.p, tc.p + n);
                tc.p += n;
                if (status == 0xF0) bytes.insert(bytes.begin(), 0xF0);
                playback::SongEvent e;
                e.tick = tick;
                e.kind = kSysex;
                e.data = std::make_shared<const std::vector<std::uint8_t>>(std::move(bytes));
                track.events.push_back(e);
                running = 0;
                continue;
            }
            std::uint8_t d1;
            if (status < 0x80) {
                if (!running) return fail("running status without a status");
                d1 = status;
                status = running;
            } else {
                running = status;
                d1 = tc.Byte();
            }
            const int type = status & 0xF0;
            const int ch = status & 0x0F;
            const bool two = type != 0xC0 && type != 0xD0;
            const std::uint8_t d2 = two ? tc.Byte() : 0;
            playback::SongEvent e;
            e.tick = tick;
            e.channel = ch;
            e.d[0] = d1;
            e.d[1] = d2;
            if (type == 0x90 && d2 > 0) {
                e.kind = kNote;
                open[ch * 128 + d1].push_back(track.events.size());
                track.events.push_back(e);
            } else if (type == 0x80 || type == 0x90) {
                auto& q = open[ch * 128 + d1];
                if (!q.empty()) {
                    auto& on = track.events[q.front()];
                    on.duration = tick - on.tick;
                    q.pop_front();
                } else {
                    e.kind = kNoteOff;
                    track.events.push_back(e);
                }
            } else {
                e.kind = type == 0xA0   ? kPoly
                         : type == 0xB0 ? kControl
                         : type == 0xC0 ? kProgram
                         : type == 0xD0 ? kAftertouch
                                        : kBend;
                track.events.push_back(e);
            }
        }
        if (!tc.ok) return fail("truncated event");
        for (auto& [key, q] : open)
            for (std::size_t i : q) track.events[i].duration = tick - track.events[i].tick;
        out.song.tracks.push_back(std::move(track));
        ++out.tracksInFile;
    }
    out.song.tempo = playback::TempoMap(division, tempos);
    return out;
}

} // namespace soundtest
