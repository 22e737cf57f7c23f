// Tempo map, time-signature map and key map of a project: ticks <-> nanoseconds and ticks <-> measure,
// beat, tick.
#pragma once

#include <cstdint>
#include <vector>

namespace host {

class TimeBase {
public:
    struct TempoChange {
        std::int64_t tick;
        std::uint32_t microsPerQuarter; // 1 … 0xFFFFFF
    };
    struct MeterChange {
        std::int64_t tick;
        std::uint32_t beats;   // beats per bar, >= 1
        std::uint32_t noteExp; // beat note value = 2^-noteExp of a whole note
    };
    struct KeyChange {
        std::int64_t tick;
        std::int32_t sharps; // -7 … 7, flats negative
        bool minor;
    };
    // A meter and the measure (from 0) that starts at its tick.
    struct MeterSegment {
        MeterChange meter;
        std::int64_t firstMeasure;
        bool signed_ = true; // false for the default meter at 0 where the song has no signature
    };

    // Changes may come in any order; on equal ticks the later one wins. A map without an entry at
    // tick 0 starts with 120 beats per minute and the default meter. Key signatures out of range are left out.
    void Build(std::uint32_t ticksPerQuarter, std::vector<TempoChange> tempos, std::vector<MeterChange> meters,
               MeterChange defaultMeter, std::vector<KeyChange> keys = {});

    std::uint32_t TicksPerQuarter() const noexcept { return ppq_; }
    std::int64_t TicksToNanoseconds(std::int64_t ticks) const noexcept;
    std::int64_t NanosecondsToTicks(std::int64_t ns) const noexcept; // rounded down
    std::uint32_t TempoAt(std::int64_t ticks) const noexcept;        // microseconds per quarter

    // Measure and beat counted from 0; a signature change starts a new measure at its tick.
    void Split(std::int64_t ticks, std::int64_t* measure, std::int64_t* beat, std::int64_t* tick) const noexcept;
    std::int64_t Join(std::int64_t measure, std::int64_t beat, std::int64_t tick) const noexcept;
    MeterChange MeterAt(std::int64_t ticks) const noexcept;
    std::int64_t BeatTicks(const MeterChange& m) const noexcept;
    std::int64_t MeasureTicks(const MeterChange& m) const noexcept;
    const std::vector<TempoChange>& Tempos() const noexcept { return tempos_; }
    // The meter segments in tick order, the first at tick 0.
    const std::vector<MeterSegment>& Meters() const noexcept { return meterSegs_; }
    // The key signatures in tick order, one per tick (may be empty).
    const std::vector<KeyChange>& Keys() const noexcept { return keys_; }

private:
    struct TempoSeg {
        std::int64_t tick;
        std::int64_t ns;
        std::uint32_t micros;
    };
    std::uint32_t ppq_ = 960;
    std::vector<TempoChange> tempos_;
    std::vector<TempoSeg> tempoSegs_;
    std::vector<MeterSegment> meterSegs_;
    std::vector<KeyChange> keys_;
};

} // namespace host
