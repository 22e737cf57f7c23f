// Bars, beats and line spacings over the song's meter segments.
#include "model/bar_grid.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace pianoroll {

namespace {

constexpr int kCommonMeter = 4;
// Powers of two of bars stop here, far past any song.
constexpr std::int64_t kLargestBarPower = std::int64_t{1} << 40;
constexpr std::int64_t kMostSubdivisions = 1 << 20;
// Doubling a spacing stops here.
constexpr double kFarthestStep = 1e15;

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
    Index();
}

void BarGrid::Index() {
    firstBar_.assign(meters_.size(), 0);
    for (std::size_t i = 1; i < meters_.size(); ++i)
        firstBar_[i] = firstBar_[i - 1] + BarsWithin(meters_[i].start - meters_[i - 1].start, BarTicks(meters_[i - 1]));
}

BarGrid BarGrid::OfTimeSignature(std::uint32_t ticksPerQuarter, std::uint32_t signature) {
    return BarGrid(ticksPerQuarter, {MeterSegment{0, static_cast<int>(signature >> 16), static_cast<int>(signature & 0xFFFF)}});
}

std::size_t BarGrid::MeterIndexAt(std::int64_t tick) const {
    const auto after = std::upper_bound(meters_.begin() + 1, meters_.end(), tick,
                                        [](std::int64_t t, const MeterSegment& m) { return t < m.start; });
    return static_cast<std::size_t>(after - meters_.begin()) - 1;
}

std::int64_t BarGrid::MeterEnd(std::size_t i) const {
    return i + 1 < meters_.size() ? meters_[i + 1].start : std::numeric_limits<std::int64_t>::max();
}

std::int64_t BarGrid::BeatTicks(const MeterSegment& meter) const {
    return std::max<std::int64_t>(std::int64_t{ticksPerQuarter_} * 4 / meter.noteValue, 1);
}

std::int64_t BarGrid::BarTicks(const MeterSegment& meter) const { return meter.beatsPerBar * BeatTicks(meter); }

BarPosition BarGrid::PositionOf(std::int64_t tick) const {
    tick = std::max<std::int64_t>(tick, 0);
    const std::size_t i = MeterIndexAt(tick);
    const MeterSegment& m = meters_[i];
    const std::int64_t into = tick - m.start, bar = BarTicks(m), beat = BeatTicks(m);
    return {firstBar_[i] + into / bar, into % bar / beat, into % bar % beat};
}

std::int64_t BarGrid::BarStart(std::int64_t bar) const {
    bar = std::max<std::int64_t>(bar, 0);
    const std::size_t i = static_cast<std::size_t>(std::upper_bound(firstBar_.begin(), firstBar_.end(), bar) - firstBar_.begin()) - 1;
    return meters_[i].start + (bar - firstBar_[i]) * BarTicks(meters_[i]);
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

GridStep BarGrid::StepIn(const LineSpacing& spacing, const MeterSegment& meter) const {
    if (spacing.rule == LineSpacing::Rule::Marks) return MarkStep(spacing.markDistance, meter.start);
    const double tpp = spacing.ticksPerPixel > 0 ? spacing.ticksPerPixel : 1.0;
    double step = spacing.rule == LineSpacing::Rule::Bars
                      ? static_cast<double>(ticksPerQuarter_) * meter.beatsPerBar
                      : spacing.ticks;
    step = std::max(step, 1.0);
    if (spacing.minLinePixels > 0)
        while (step / tpp < spacing.minLinePixels && step < kFarthestStep) step *= 2;
    GridStep out;
    out.step = step;
    out.subdivisions = std::max(1, static_cast<int>(std::ceil(spacing.minLabelPixels / (step / tpp))));
    out.labelled = true;
    return out;
}

void BarGrid::ForEachLine(const LineSpacing& spacing, std::int64_t from, std::int64_t back,
                          const std::function<bool(std::int64_t tick, bool labelled)>& visit) const {
    const double tpp = spacing.ticksPerPixel > 0 ? spacing.ticksPerPixel : 1.0;
    auto drawn = [&](double step) { return spacing.minDrawnPixels <= 0 || step / tpp > spacing.minDrawnPixels; };
    auto labelled = [&](const GridStep& g, std::int64_t j, std::int64_t tick) {
        return g.labelled ? j % std::max(g.subdivisions, 1) == 0 : IsBeatStart(tick);
    };
    auto firstLine = [&](double step, std::int64_t into) {
        return std::max<std::int64_t>(static_cast<std::int64_t>(std::floor(static_cast<double>(into) / step)), -1) - back;
    };
    if (meters_.size() == 1 || spacing.fromSongStart) {
        const GridStep g = StepIn(spacing, meters_.front());
        const double step = std::max(g.step, 1.0);
        if (!drawn(step)) return;
        for (std::int64_t j = std::max<std::int64_t>(firstLine(step, from), 0);; ++j) {
            const std::int64_t tick = Rounded(static_cast<double>(j) * step);
            if (!visit(tick, labelled(g, j, tick))) return;
        }
    }
    // Several meters: each one's lines from its start, the walk starting in the meter before when
    // `back` reaches into it.
    std::size_t i = MeterIndexAt(from);
    std::int64_t j = firstLine(std::max(StepIn(spacing, meters_[i]).step, 1.0), std::max<std::int64_t>(from, 0) - meters_[i].start);
    if (j < 0 && i > 0) {
        --i;
        const double step = std::max(StepIn(spacing, meters_[i]).step, 1.0);
        j = std::max<std::int64_t>(LinesWithin(step, MeterEnd(i) - meters_[i].start) + j, 0);
    }
    j = std::max<std::int64_t>(j, 0);
    bool anyLine = false, anyLabel = false;
    std::int64_t lastLine = 0, lastLabel = 0;
    auto near = [&](std::int64_t a, std::int64_t b, double pixels) { return static_cast<double>(b - a) / tpp < pixels; };
    for (; i < meters_.size(); ++i, j = 0) {
        const GridStep g = StepIn(spacing, meters_[i]);
        const double step = std::max(g.step, 1.0);
        if (!drawn(step)) continue;
        const std::int64_t start = meters_[i].start, end = MeterEnd(i);
        const bool last = i + 1 == meters_.size();
        for (;; ++j) {
            const std::int64_t tick = start + Rounded(static_cast<double>(j) * step);
            if (tick >= end) break;
            if (anyLine && near(lastLine, tick, spacing.minDrawnPixels)) continue;
            if (j > 0 && !last && near(tick, end, spacing.minDrawnPixels)) continue;
            bool label = labelled(g, j, tick);
            if (label && ((anyLabel && near(lastLabel, tick, spacing.minLabelPixels)) ||
                          (j > 0 && !last && near(tick, end, spacing.minLabelPixels))))
                label = false;
            if (!visit(tick, label)) return;
            anyLine = true;
            lastLine = tick;
            if (label) {
                anyLabel = true;
                lastLabel = tick;
            }
        }
    }
}

} // namespace pianoroll
