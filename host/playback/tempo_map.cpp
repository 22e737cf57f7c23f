// The tempo map.
#include "playback/tempo_map.h"

#include <algorithm>

namespace playback {

namespace {
// floor(a * b / c) for c > 0, without overflow for song-sized values.
std::int64_t MulDivFloor(std::int64_t a, std::int64_t b, std::int64_t c) {
    const __int128 p = static_cast<__int128>(a) * b;
    __int128 q = p / c;
    if ((p % c != 0) && ((p < 0) != (c < 0))) --q;
    return static_cast<std::int64_t>(q);
}
} // namespace

TempoMap::TempoMap(int ticksPerQuarter, std::vector<TempoChange> changes) : ppq_(ticksPerQuarter > 0 ? ticksPerQuarter : 480) {
    std::stable_sort(changes.begin(), changes.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    segments_.push_back({0, 0, kDefaultMicrosPerQuarter});
    for (const auto& c : changes) {
        if (c.microsPerQuarter == 0) continue;
        const std::int64_t tick = std::max<std::int64_t>(0, c.tick);
        Segment& last = segments_.back();
        if (tick == last.tick) {
            last.microsPerQuarter = c.microsPerQuarter;
            continue;
        }
        if (c.microsPerQuarter == last.microsPerQuarter) continue;
        const std::int64_t micros = last.micros + MulDivFloor(tick - last.tick, last.microsPerQuarter, ppq_);
        segments_.push_back({tick, micros, c.microsPerQuarter});
    }
}

const TempoMap::Segment& TempoMap::SegmentForTick(std::int64_t tick) const {
    auto it = std::upper_bound(segments_.begin(), segments_.end(), tick,
                               [](std::int64_t t, const Segment& s) { return t < s.tick; });
    return it == segments_.begin() ? segments_.front() : *(it - 1);
}

std::uint32_t TempoMap::MicrosPerQuarterAt(std::int64_t tick) const { return SegmentForTick(tick).microsPerQuarter; }

std::int64_t TempoMap::TickToMicros(std::int64_t tick) const {
    const Segment& s = SegmentForTick(tick);
    return s.micros + MulDivFloor(tick - s.tick, s.microsPerQuarter, ppq_);
}

std::int64_t TempoMap::MicrosToTick(std::int64_t micros) const {
    auto it = std::upper_bound(segments_.begin(), segments_.end(), micros,
                               [](std::int64_t m, const Segment& s) { return m < s.micros; });
    const Segment& s = it == segments_.begin() ? segments_.front() : *(it - 1);
    // Smallest tick past the segment start whose time exceeds `micros`, minus one.
    std::int64_t t = s.tick + MulDivFloor(micros - s.micros, ppq_, s.microsPerQuarter);
    while (TickToMicros(t + 1) <= micros) ++t;
    while (t > s.tick && TickToMicros(t) > micros) --t;
    return t;
}

} // namespace playback
