// The pitch-bend lane read in semitones while "Bend in Semitones" is on: the value scale of the
// track-header column, the whole-semitone lines across the lane, the readout text, and the option's
// entry in the lane menu.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;
class BrushCache;

// A label of the lane's value scale, on the pixel row y.
struct ScaleLabel {
    int y;
    std::string text;
};

// Whether the lane shown is the pitch-bend lane with the option on.
bool SemitoneScaleShown(const TrackView* v);
// The semitone labels for the bend range at the view's left edge: -R and +R at the lane's bottom and
// top, and whole semitones between as far apart as the line height allows.
std::vector<ScaleLabel> SemitoneLabels(TrackView* v);
// Every label the largest bend range of the track could need, so the scale's width holds them all.
std::vector<std::string> WidestSemitoneLabels(TrackView* v);
// Lines at the whole semitones of the range in force along each stretch of the lane, thinned to
// whole multiples when they would crowd.
void PaintSemitoneLines(TrackView* v, win::HDC dc, const win::RECT& area, BrushCache& brushes, win::COLORREF colour);
// The readout "+1.50 st" for a signed bend under the pointer; false when the scale is not shown.
bool SemitoneReadoutText(TrackView* v, int signedBend, std::string* text);

// Appends the option's entry to the lane menu, checked while it is on.
void AppendBendOption(win::HMENU menu, const TrackView* v);

} // namespace pianoroll
