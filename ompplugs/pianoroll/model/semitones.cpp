// Bend values and semitones under a bend range; the semitone text.
#include "model/semitones.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "model/note.h"

namespace pianoroll {

namespace {

// A bend value's distance from the centre is counted in these steps per range.
constexpr double kStepsPerRange = 8192.0;
constexpr int kHundredths = 100;

} // namespace

double BendSemitones(int value, double range) {
    return static_cast<double>(value - kBendCentre) / kStepsPerRange * range;
}

int BendOfSemitones(double semitones, double range) {
    if (range <= 0) return kBendCentre;
    const long value = std::lround(kBendCentre + semitones / range * kStepsPerRange);
    return static_cast<int>(std::clamp<long>(value, 0, kBendMax));
}

int SnapBendToSemitone(int value, double range) {
    if (range <= 0) return kBendCentre;
    const double whole = std::floor(range);
    const double nearest = std::clamp<double>(std::round(BendSemitones(value, range)), -whole, whole);
    return BendOfSemitones(nearest, range);
}

std::string SemitoneText(double semitones) {
    const long hundredths = std::lround(semitones * kHundredths);
    const char* sign = hundredths > 0 ? "+" : hundredths < 0 ? "-" : "";
    const long magnitude = std::labs(hundredths);
    char text[32];
    std::snprintf(text, sizeof text, "%s%ld.%02ld st", sign, magnitude / kHundredths, magnitude % kHundredths);
    return text;
}

} // namespace pianoroll
