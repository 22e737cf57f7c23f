// Bars, beats and line spacings over the song's meter segments.
#include "model/bar_grid.h"

#include <algorithm>
#include <cmath>

namespace pianoroll {

namespace {

constexpr int kCommonMeter = 4;
// Powers of two of bars stop here, far past any song.
constexpr std::int64_t kLargestBarPower = std::int64_t{1} << 40;
constexpr std::int64_t kMostSubdivisions = 1 << 20;

std::int64_t Rounded(double ticks) { return static_cast<std::int64_t>(std::llround(ticks)); }

// How many lines of the spacing lie in [0, length) of a segment.
std::int64_t LinesWithin(double step, std::int64_t length) {
    if (length <= 0) return 0;
    auto n = static_cast<std::int64_t>(std::ceil(static_cast<double>(length) / step));
    while (n > 0 && Rounded(static_cast<double>(n - 1) * step) >= length) --n;
    while (Rounded(static_cast<double>(n) * step) < length) ++n;
    return n;
}

// Bars a segment holds, a cut last bar counted.
std::int64_t BarsWithin(std::int64_t length, std::int64_t bar) { return length <= 0 ? 0 : (length + bar - 1) / bar; }

} // namespace

BarGrid::BarGrid() : BarGrid(kDefaultTicksPerQuarter, {}) {}

BarGrid::BarGrid(std::uint32_t ticksPerQuarter, std::vector<MeterSegment> meters)
    : ticksPerQuarter_(ticksPerQuarter ? ticksPerQuarter : kDefaultTicksPerQuarter), meters_(std::move(meters)) {
    for (MeterSegment& m : meters_) {
        if (m.beatsPerBar <= 0) m.beatsPerBar = kCommonMeter;
        if (m.noteValue <= 0) m.noteValue = kCommonMeter;
    }
    std::stable_sort(meters_.begin(), meters_.end(),
                     [](const MeterSegment& a, const MeterSegment& b) { return a.start < b.start; });
    // Of segments starting together the last one holds.
    std::vector<MeterSegment> kept;
    for (const MeterSegment& m : meters_) {
        if (!kept.empty() && kept.back().start == m.start) kept.back() = m;
        else kept.push_back(m);
    }
    meters_ = std::move(kept);
    if (meters_.empty() || meters_.front().start > 0) meters_.insert(meters_.begin(), MeterSegment{});
    meters_.front().start = 0;
}

BarGrid BarGrid::OfTimeSignature(std::uint32_t ticksPerQuarter, std::uint32_t signature) {
    return BarGrid(ticksPerQuarter, {MeterSegment{0, static_cast<int>(signature >> 16), static_cast<int>(signature & 0xFFFF)}});
}

const MeterSegment& BarGrid::MeterAt(std::int64_t tick) const {
    const auto after = std::upper_bound(meters_.begin() + 1, meters_.end(), tick,
                                        [](std::int64_t t, const MeterSegment& m) { return t < m.start; });
    return *(after - 1);
}

std::int64_t BarGrid::BeatTicks(const MeterSegment& meter) const {
    return std::max<std::int64_t>(std::int64_t{ticksPerQuarter_} * 4 / meter.noteValue, 1);
}

std::int64_t BarGrid::BarTicks(const MeterSegment& meter) const { return meter.beatsPerBar * BeatTicks(meter); }

BarPosition BarGrid::PositionOf(std::int64_t tick) const {
    tick = std::max<std::int64_t>(tick, 0);
    BarPosition out;
    for (std::size_t i = 0; i < meters_.size(); ++i) {
        const MeterSegment& m = meters_[i];
        const bool last = i + 1 == meters_.size() || tick < meters_[i + 1].start;
        const std::int64_t bar = BarTicks(m);
        if (!last) {
            out.bar += BarsWithin(meters_[i + 1].start - m.start, bar);
            continue;
        }
        const std::int64_t into = tick - m.start;
        out.bar += into / bar;
        out.beat = into % bar / BeatTicks(m);
        out.tick = into % bar % BeatTicks(m);
        return out;
    }
    return out;
}

std::int64_t BarGrid::BarStart(std::int64_t bar) const {
    bar = std::max<std::int64_t>(bar, 0);
    for (std::size_t i = 0; i + 1 < meters_.size(); ++i) {
        const std::int64_t bars = BarsWithin(meters_[i + 1].start - meters_[i].start, BarTicks(meters_[i]));
        if (bar < bars) return meters_[i].start + bar * BarTicks(meters_[i]);
        bar -= bars;
    }
    return meters_.back().start + bar * BarTicks(meters_.back());
}

GridStep BarGrid::MarkStep(std::int64_t minDistance, std::int64_t at) const {
    const MeterSegment& meterIn = MeterAt(at);
    const std::int64_t numerator = meterIn.beatsPerBar;
    const std::int64_t beat = BeatTicks(meterIn);
    const std::int64_t measure = numerator * beat;
    const std::int64_t d = std::max<std::int64_t>(minDistance, 0);
    std::int64_t m = d / measure;
    const std::int64_t r = d - m * measure;
    std::int64_t b = r / beat;
    const std::int64_t t = r - b * beat;
    GridStep out;
    if (m >= 1) {
        if (b > 1) ++m;
        std::int64_t power = 1;
        while (power * 2 <= m && power < kLargestBarPower) power *= 2;
        const std::int64_t measures = 2 * power;
        out.step = static_cast<double>(measures * measure);
        out.subdivisions = (numerator * measures) % 4 != 0 ? static_cast<int>(std::min(measures, kMostSubdivisions)) : 4;
    } else if (b >= 1) {
        if (t > 1) ++b;
        if (numerator % b != 0 || b == numerator) {
            out.step = static_cast<double>(measure);
            out.subdivisions = static_cast<int>(numerator);
        } else {
            out.step = static_cast<double>(b * beat);
        }
    } else {
        std::int64_t h = beat / 2;
        if (t <= h) {
            while (t < h && h > 1) h /= 2;
            out.step = static_cast<double>(std::max<std::int64_t>(2 * h, 1));
            out.labelled = false;
        } else {
            out.step = static_cast<double>(beat);
        }
    }
    return out;
}

void BarGrid::ForEachLine(double step, std::int64_t firstIndex,
                          const std::function<bool(std::int64_t tick, std::int64_t index)>& visit) const {
    step = std::max(step, 1.0);
    std::int64_t index = std::max<std::int64_t>(firstIndex, 0);
    if (meters_.size() == 1) {
        while (visit(Rounded(static_cast<double>(index) * step), index)) ++index;
        return;
    }
    std::int64_t before = 0; // lines of the segments already passed
    for (std::size_t i = 0; i < meters_.size(); ++i) {
        const bool last = i + 1 == meters_.size();
        const std::int64_t lines = last ? INT64_MAX : LinesWithin(step, meters_[i + 1].start - meters_[i].start);
        for (std::int64_t j = index - before; j < lines; ++j, ++index)
            if (!visit(meters_[i].start + Rounded(static_cast<double>(j) * step), index)) return;
        before += lines;
    }
}

std::int64_t BarGrid::LineIndexAt(double step, std::int64_t tick) const {
    step = std::max(step, 1.0);
    if (meters_.size() == 1 || tick < 0)
        return std::max<std::int64_t>(static_cast<std::int64_t>(std::floor(static_cast<double>(tick) / step)), -1);
    std::int64_t before = 0;
    for (std::size_t i = 0; i + 1 < meters_.size() && tick >= meters_[i + 1].start; ++i)
        before += LinesWithin(step, meters_[i + 1].start - meters_[i].start);
    const std::int64_t into = tick - MeterAt(tick).start;
    return before + static_cast<std::int64_t>(std::floor(static_cast<double>(into) / step));
}

} // namespace pianoroll
