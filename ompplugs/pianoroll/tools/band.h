// The rubber band of the Selection and Zoom tools: a dotted rectangle drawn by exclusive-or over the
// grid, with its modes (free, time only, rows only) and the marquee selection it makes.
#pragma once

#include "view/track_view.h"

namespace pianoroll {

// The grid's Paint slot of the two band tools: the grid, then the band when it is drawn.
void PaintGridAndBand(TrackView* v, Pane* pane, win::HDC dc, const win::RECT* clip);
void DrawBand(TrackView* v, win::HDC dc);
void RemoveBand(TrackView* v);
// Anchors the band at the point and captures the mouse; a marquee also remembers the selection and
// selects at once.
void BeginBand(TrackView* v, int x, int y, bool marquee);
void UpdateBand(TrackView* v, int x, int y);
void UpdateMarquee(TrackView* v, int x, int y, bool shift);
// The right button during a band drag: free → time only → rows only → free.
void CycleBandMode(TrackView* v, int x, int y);

} // namespace pianoroll
