// The view's time grid: the bar grid of the shown track's meter, and the spacing of the ruler's marks
// and the grid's lines at the view's zoom (time_grid.cpp). Asked for whenever needed, by snapping as
// by the paints, so that snapping never depends on what was drawn last.
#pragma once

#include <cstdint>

#include "model/bar_grid.h"

namespace pianoroll {

struct TrackView;

// Written by time_grid.cpp only; the fields are a cache of answers that follow from the view's zoom,
// its settings and its track, so asking through a const view may refresh them.
struct TimeGridState {
    // The meters of the shown track's song, and the tick rate, time-signature word (without a meter map
    // from the host) and generation of the song's maps it was made from. A view without a track access
    // keeps the grid it has.
    mutable BarGrid bars;
    mutable std::uint32_t ticksPerQuarter = 0;
    mutable std::uint32_t signature = 0;
    mutable std::uint64_t mapGeneration = 0;
    // The width of the labels' widest text, a run of "2"s as long as the longest label, as last
    // measured for that many characters.
    mutable int labelLength = -1;
    mutable int labelWidth = 0;
};

// The shown track's bar grid, made again when its tick rate, the song's meter map or (a host without
// one) its time signature changed.
const BarGrid& ViewBars(const TrackView* v);
// The spacing of the ruler's marks and the grid's and lanes' lines at the view's zoom, each meter of
// the song choosing its own step (ViewLineStep is the one of the meter in force at a tick).
LineSpacing ViewLineSpacing(const TrackView* v);
// The spacing of the ruler's marks and the grid's and lanes' lines at the view's zoom in the meter in
// force at the tick: the ruler's step for the marks' labels (at least 1.6 label widths apart), or, with
// a grid spacing chosen, that spacing doubled until its lines are the settings' minimum distance apart.
GridStep ViewLineStep(const TrackView* v, std::int64_t at);

} // namespace pianoroll
