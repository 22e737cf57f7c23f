// A click that reaches another track's note drawn behind the grid: the Draw and Selection tools hand
// their presses on empty cells here first.
#pragma once

#include "win/types.h"

namespace pianoroll {

struct TrackView;

// A double-click, or an Alt+press, on another track's note at (x, y): the editor shows that note's track
// with the note selected (as the track chooser would, the rows kept). True when it did; the press is
// then used up.
bool GhostClick(TrackView* v, win::UINT msg, int x, int y);

} // namespace pianoroll
