// Musical time text: tick positions as measure, beat and sub-beat.
#pragma once

#include <cstddef>
#include <cstdint>

// The time display format block (ten 32-bit words of the editor settings). Only the time signature
// and the ticks per quarter note are read by the conversions below.
struct _vorposfmt {
    std::int32_t format;
    std::int32_t sampleRate;
    double unknown;
    double tempo;
    std::int32_t reserved24;
    std::int32_t reserved28;
    std::uint16_t noteValue; // 4 = quarter note
    std::uint16_t beatsPerMeasure;
    std::int32_t ticksPerQuarter;
};
static_assert(sizeof(_vorposfmt) == 40);
static_assert(offsetof(_vorposfmt, tempo) == 16 && offsetof(_vorposfmt, noteValue) == 32 &&
              offsetof(_vorposfmt, beatsPerMeasure) == 34 && offsetof(_vorposfmt, ticksPerQuarter) == 36);

// The callers' buffers hold this many characters with the terminator.
constexpr std::size_t VOR_TIME_TEXT_CAPACITY = 32;

// Splits ticks into measure and ticks in the measure by floor division and formats them as
// VorMeasuresAndTicksToText does.
int VorTicksToText(char* buffer, const _vorposfmt* format, std::int64_t ticks, std::int32_t base,
                   std::int32_t shortForm, std::int32_t divisor,
                   std::size_t capacity = VOR_TIME_TEXT_CAPACITY);

// Writes "measure:beat.sub" (or "measure:beat" in short form) and returns its length; 0 when the
// buffer is null. Base 1 numbers measures and beats from 1 with no measure 0. A format without a
// usable time signature or tick rate writes an empty text and returns 0; a divisor below 1 counts as 1.
int VorMeasuresAndTicksToText(char* buffer, const _vorposfmt* format, std::int64_t measure,
                              std::int64_t ticksInMeasure, std::int32_t base, std::int32_t shortForm,
                              std::int32_t divisor, std::size_t capacity = VOR_TIME_TEXT_CAPACITY);
