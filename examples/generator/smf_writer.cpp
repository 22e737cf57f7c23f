// The demo song's Standard MIDI File writer.
#include "smf_writer.h"

#include <algorithm>

namespace demosong {

namespace {
void PutVlq(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t buf[5];
    int n = 0;
    buf[n++] = v & 0x7F;
    while ((v >>= 7) != 0) buf[n++] = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
    while (n > 0) out.push_back(buf[--n]);
}
void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}
bool IsNoteOff(const TimedBytes& e) {
    const auto& b = e.bytes;
    return b.size() == 3 && ((b[0] & 0xF0) == 0x80 || ((b[0] & 0xF0) == 0x90 && b[2] == 0));
}
} // namespace

std::vector<std::uint8_t> WriteSmf(const std::vector<SmfTrack>& tracks, int ticksPerQuarter) {
    std::vector<std::uint8_t> out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1};
    out.push_back(static_cast<std::uint8_t>(tracks.size() >> 8));
    out.push_back(static_cast<std::uint8_t>(tracks.size()));
    out.push_back(static_cast<std::uint8_t>(ticksPerQuarter >> 8));
    out.push_back(static_cast<std::uint8_t>(ticksPerQuarter));
    for (const auto& track : tracks) {
        std::vector<TimedBytes> events = track.events;
        std::stable_sort(events.begin(), events.end(), [](const TimedBytes& a, const TimedBytes& b) {
            if (a.tick != b.tick) return a.tick < b.tick;
            return IsNoteOff(a) && !IsNoteOff(b);
        });
        std::vector<std::uint8_t> body;
        std::int64_t last = 0;
        std::uint8_t running = 0;
        for (const auto& e : events) {
            if (e.bytes.empty()) continue;
            PutVlq(body, static_cast<std::uint32_t>(std::max<std::int64_t>(0, e.tick - last)));
            last = std::max(last, e.tick);
            const std::uint8_t status = e.bytes[0];
            if (status == 0xFF) { // meta: FF type data...
                body.push_back(0xFF);
                body.push_back(e.bytes[1]);
                PutVlq(body, static_cast<std::uint32_t>(e.bytes.size() - 2));
                body.insert(body.end(), e.bytes.begin() + 2, e.bytes.end());
                running = 0;
            } else if (status == 0xF0) {
                body.push_back(0xF0);
                PutVlq(body, static_cast<std::uint32_t>(e.bytes.size() - 1));
                body.insert(body.end(), e.bytes.begin() + 1, e.bytes.end());
                running = 0;
            } else {
                if (status != running) body.push_back(status);
                running = status;
                body.insert(body.end(), e.bytes.begin() + 1, e.bytes.end());
            }
        }
        body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        Put32(out, static_cast<std::uint32_t>(body.size()));
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

} // namespace demosong
