// Membership of a pitch in a key (root note) and scale of the scale table.
#pragma once

namespace pianoroll {

constexpr int kScaleCount = 19; // index 18 is the empty scale
// The scale's 12-bit mask; an index above 18 counts as 18, a negative one as 0.
int ScaleMask(int scaleIndex);
bool NoteInScale(int pitch, int root, int scaleIndex);

} // namespace pianoroll
