// What the last paint of the note grid left in the view's off-screen bitmap, so that a repaint draws
// only the rows whose notes changed: a repaint over an unchanged grid copies nothing and fills nothing.
#pragma once

#include <vector>

#include "view/grid_paint.h"
#include "win/gdi.h"

namespace pianoroll {

struct TrackView;

// The parts of `clip` to draw again, one band per changed row (top to bottom), after the grid was
// painted as `keep` records with the same look; false when all of clip must be drawn.
bool ChangedRowBands(const TrackView* v, const GridKeep& keep, const GridLook& look, const win::RECT& clip,
                     std::vector<win::RECT>* bands);
// Records the grid painted over `clip` with `look` (the view's display list as it is now).
void RememberGridPaint(const TrackView* v, GridKeep* keep, const GridLook& look, const win::RECT& clip);

} // namespace pianoroll
