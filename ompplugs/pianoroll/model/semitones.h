// Pitch bend in semitones: a 14-bit bend value as the pitch it adds under a channel's bend range, the
// value of a pitch, snapping to whole semitones, and the text the editor shows ("+1.50 st").
#pragma once

#include <string>

namespace pianoroll {

// The bend range a channel has until the track sets one, in semitones.
constexpr double kDefaultBendRange = 2.0;

// The semitones a bend value adds: its distance from the centre over 8192, times the range, so the
// lowest value reaches -range and the highest 8191/8192 of +range, as a synthesizer sounds them.
double BendSemitones(int value, double range);
// The bend value (0-16383) nearest to a pitch of `semitones` under the range; the centre when the
// range is zero.
int BendOfSemitones(double semitones, double range);
// The value of the whole semitone nearest to the value's pitch, within the range.
int SnapBendToSemitone(int value, double range);
// "+1.50 st", "-0.25 st", "0.00 st": hundredths rounded, with the sign of anything not zero.
std::string SemitoneText(double semitones);

} // namespace pianoroll
