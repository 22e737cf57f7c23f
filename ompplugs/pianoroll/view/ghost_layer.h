// Other tracks' notes behind the note grid ("Show Other Tracks"): which tracks, the copies of their
// notes, the track palette, drawing them under the shown track's notes, finding one under a point and
// counting those in view.
#pragma once

#include <cstdint>

#include "model/ghost_choice.h"
#include "model/other_tracks.h"
#include "mp/records.h"
#include "win/gdi.h"

namespace pianoroll {

struct TrackView;

// Written by ghost_layer.cpp.
struct GhostLayer {
    GhostChoice choice;
    OtherTracks tracks;
};

// A track's colour: a fixed palette of kTrackColourCount distinct hues, by the track's place in the
// song (its index in the track table).
constexpr int kTrackColourCount = 16;
win::COLORREF TrackColour(int trackIndex);

const GhostChoice& GhostChoiceOf(const TrackView* v);
// Shows other tracks as the choice says and repaints the grid when that changes what it shows.
void SetGhostChoice(TrackView* v, GhostChoice choice);
// Whether a track the layer shows changed since its notes were read (the grid needs a repaint).
bool GhostsOutdated(TrackView* v);

// Draws the other tracks' notes inside the clip (client pixels) over the grid's background: each in
// its track's colour at reduced strength, without edges or selection; drum notes as short marks at
// their starts. Nothing at all while the choice is Off.
void PaintGhosts(TrackView* v, win::HDC dc, const win::RECT& clip);

// The other track's note drawn at a client point (the last drawn where several overlap).
struct GhostHit {
    int trackIndex = -1;
    mp::EventKey key{};
    GhostNote note{};
};
bool GhostAt(TrackView* v, int x, int y, GhostHit* hit);
// How many other tracks' notes the grid draws now.
int CountGhosts(TrackView* v);

} // namespace pianoroll
