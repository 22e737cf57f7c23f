// Musical time text from tick positions.
#include "vor/time_text.h"

#include "vor/strings.h"

#include <climits>

namespace {

struct Lengths {
    std::int64_t beat;
    std::int64_t measure;
};

bool GetLengths(const _vorposfmt* format, Lengths* out) {
    if (!format || format->noteValue == 0 || format->beatsPerMeasure == 0 || format->ticksPerQuarter <= 0) {
        return false;
    }
    out->beat = 4 * static_cast<std::int64_t>(format->ticksPerQuarter) / format->noteValue;
    out->measure = format->beatsPerMeasure * out->beat;
    return out->beat > 0;
}

std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
    std::int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

} // namespace

int VorMeasuresAndTicksToText(char* buffer, const _vorposfmt* format, std::int64_t measure,
                              std::int64_t ticksInMeasure, std::int32_t base, std::int32_t shortForm,
                              std::int32_t divisor, std::size_t capacity) {
    if (!buffer || capacity == 0) return 0;
    buffer[0] = '\0';
    Lengths lengths;
    if (!GetLengths(format, &lengths)) return 0;
    if (divisor < 1) divisor = 1;

    if (ticksInMeasure < 0) {
        // One measure back for -1 ... -measure length; further back is normalised the same way rather
        // than printing negative beats.
        std::int64_t back = FloorDiv(ticksInMeasure, lengths.measure);
        ticksInMeasure %= lengths.measure;
        if (ticksInMeasure < 0) ticksInMeasure += lengths.measure;
        measure = measure < INT64_MIN - back ? INT64_MIN : measure + back;
    }
    std::int64_t beat = (ticksInMeasure / lengths.beat) % format->beatsPerMeasure;
    std::int64_t subBeat = (ticksInMeasure % lengths.beat) / divisor;
    if (base == 1) {
        if (measure >= 0 && measure < INT64_MAX) measure += 1;
        beat += 1;
    }
    // The measure is printed with all 64 bits so that far positions are not shown wrapped.
    int printed =
        shortForm
            ? VorStr_Format(buffer, capacity, "%lld$&:%1llu", static_cast<long long>(measure),
                            static_cast<unsigned long long>(beat))
            : VorStr_Format(buffer, capacity, "%lld$&:%llu$&.%03llu", static_cast<long long>(measure),
                            static_cast<unsigned long long>(beat), static_cast<unsigned long long>(subBeat));
    return printed < 0 ? 0 : printed;
}

int VorTicksToText(char* buffer, const _vorposfmt* format, std::int64_t ticks, std::int32_t base,
                   std::int32_t shortForm, std::int32_t divisor, std::size_t capacity) {
    Lengths lengths;
    if (!GetLengths(format, &lengths)) {
        if (buffer && capacity) buffer[0] = '\0';
        return 0;
    }
    std::int64_t measure = FloorDiv(ticks, lengths.measure);
    std::int64_t inMeasure = ticks % lengths.measure;
    if (inMeasure < 0) inMeasure += lengths.measure;
    return VorMeasuresAndTicksToText(buffer, format, measure, inMeasure, base, shortForm, divisor, capacity);
}
