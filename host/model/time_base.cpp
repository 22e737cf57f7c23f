// Tempo map, time-signature map and key map: conversions between ticks, nanoseconds and musical positions.
#include "model/time_base.h"

#include <algorithm>

namespace host {

namespace {
constexpr std::uint32_t kDefaultTempo = 500000;

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
    return q;
}
} // namespace

void TimeBase::Build(std::uint32_t ticksPerQuarter, std::vector<TempoChange> tempos,
                     std::vector<MeterChange> meters, MeterChange defaultMeter, std::vector<KeyChange> keys) {
    ppq_ = ticksPerQuarter ? ticksPerQuarter : 960;
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    std::stable_sort(meters.begin(), meters.end(),
                     [](const MeterChange& a, const MeterChange& b) { return a.tick < b.tick; });
    tempos_ = tempos;

    tempoSegs_.clear();
    tempoSegs_.push_back({0, 0, kDefaultTempo});
    for (const auto& t : tempos) {
        if (t.tick < 0 || t.microsPerQuarter == 0) continue;
        TempoSeg& last = tempoSegs_.back();
        if (t.tick == last.tick) {
            last.micros = t.microsPerQuarter;
            continue;
        }
        std::int64_t ns = last.ns + static_cast<std::int64_t>(static_cast<__int128>(t.tick - last.tick) *
                                                              last.micros * 1000 / ppq_);
        tempoSegs_.push_back({t.tick, ns, t.microsPerQuarter});
    }

    meterSegs_.clear();
    defaultMeter.tick = 0;
    if (defaultMeter.beats == 0) defaultMeter.beats = 4;
    meterSegs_.push_back({defaultMeter, 0, false});
    for (auto m : meters) {
        if (m.tick < 0 || m.beats == 0 || m.noteExp > 31) continue;
        MeterSegment& last = meterSegs_.back();
        if (m.tick == last.meter.tick) {
            last.meter.beats = m.beats;
            last.meter.noteExp = m.noteExp;
            last.signed_ = true;
            continue;
        }
        std::int64_t len = MeasureTicks(last.meter);
        std::int64_t measures = (m.tick - last.meter.tick + len - 1) / len;
        meterSegs_.push_back({m, last.firstMeasure + measures, true});
    }

    std::stable_sort(keys.begin(), keys.end(), [](const KeyChange& a, const KeyChange& b) { return a.tick < b.tick; });
    keys_.clear();
    for (const KeyChange& k : keys) {
        if (k.tick < 0 || k.sharps < -7 || k.sharps > 7) continue;
        if (!keys_.empty() && keys_.back().tick == k.tick) keys_.back() = k;
        else keys_.push_back(k);
    }
}

std::int64_t TimeBase::TicksToNanoseconds(std::int64_t ticks) const noexcept {
    auto it = std::upper_bound(tempoSegs_.begin(), tempoSegs_.end(), ticks,
                               [](std::int64_t t, const TempoSeg& s) { return t < s.tick; });
    const TempoSeg& s = it == tempoSegs_.begin() ? tempoSegs_.front() : *(it - 1);
    return s.ns + static_cast<std::int64_t>(static_cast<__int128>(ticks - s.tick) * s.micros * 1000 / ppq_);
}

std::int64_t TimeBase::NanosecondsToTicks(std::int64_t ns) const noexcept {
    auto it = std::upper_bound(tempoSegs_.begin(), tempoSegs_.end(), ns,
                               [](std::int64_t t, const TempoSeg& s) { return t < s.ns; });
    const TempoSeg& s = it == tempoSegs_.begin() ? tempoSegs_.front() : *(it - 1);
    __int128 num = static_cast<__int128>(ns - s.ns) * ppq_;
    __int128 den = static_cast<__int128>(s.micros) * 1000;
    __int128 q = num / den;
    if (num % den != 0 && num < 0) --q;
    return s.tick + static_cast<std::int64_t>(q);
}

std::uint32_t TimeBase::TempoAt(std::int64_t ticks) const noexcept {
    auto it = std::upper_bound(tempoSegs_.begin(), tempoSegs_.end(), ticks,
                               [](std::int64_t t, const TempoSeg& s) { return t < s.tick; });
    return (it == tempoSegs_.begin() ? tempoSegs_.front() : *(it - 1)).micros;
}

std::int64_t TimeBase::BeatTicks(const MeterChange& m) const noexcept {
    std::int64_t t = static_cast<std::int64_t>(ppq_) * 4;
    for (std::uint32_t i = 0; i < m.noteExp && t > 1; ++i) t /= 2;
    return std::max<std::int64_t>(t, 1);
}

std::int64_t TimeBase::MeasureTicks(const MeterChange& m) const noexcept { return BeatTicks(m) * m.beats; }

TimeBase::MeterChange TimeBase::MeterAt(std::int64_t ticks) const noexcept {
    auto it = std::upper_bound(meterSegs_.begin(), meterSegs_.end(), ticks,
                               [](std::int64_t t, const MeterSegment& s) { return t < s.meter.tick; });
    return (it == meterSegs_.begin() ? meterSegs_.front() : *(it - 1)).meter;
}

void TimeBase::Split(std::int64_t ticks, std::int64_t* measure, std::int64_t* beat,
                     std::int64_t* tick) const noexcept {
    auto it = std::upper_bound(meterSegs_.begin(), meterSegs_.end(), ticks,
                               [](std::int64_t t, const MeterSegment& s) { return t < s.meter.tick; });
    const MeterSegment& s = it == meterSegs_.begin() ? meterSegs_.front() : *(it - 1);
    std::int64_t rel = ticks - s.meter.tick;
    std::int64_t len = MeasureTicks(s.meter);
    std::int64_t beatLen = BeatTicks(s.meter);
    std::int64_t m = FloorDiv(rel, len);
    std::int64_t inMeasure = rel - m * len;
    if (measure) *measure = s.firstMeasure + m;
    if (beat) *beat = inMeasure / beatLen;
    if (tick) *tick = inMeasure % beatLen;
}

std::int64_t TimeBase::Join(std::int64_t measure, std::int64_t beat, std::int64_t tick) const noexcept {
    auto it = std::upper_bound(meterSegs_.begin(), meterSegs_.end(), measure,
                               [](std::int64_t m, const MeterSegment& s) { return m < s.firstMeasure; });
    const MeterSegment& s = it == meterSegs_.begin() ? meterSegs_.front() : *(it - 1);
    return s.meter.tick + (measure - s.firstMeasure) * MeasureTicks(s.meter) + beat * BeatTicks(s.meter) + tick;
}

} // namespace host
