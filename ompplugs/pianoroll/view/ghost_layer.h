// Other tracks' notes behind the note grid ("Show Other Tracks"): which tracks, the copies of their
// notes, the track palette, drawing them under the shown track's notes, finding one under a point and
// counting those in view.
#pragma once

#include <cstdint>
#include <vector>

#include "model/ghost_choice.h"
#include "model/other_tracks.h"
#include "mp/records.h"
#include "win/gdi.h"

namespace pianoroll {

struct TrackView;

// A track the layer draws: its place in the table (its colour) and the generation of its notes.
struct GhostSource {
    int index = -1;
    std::uint32_t track = 0;
    std::uint64_t generation = 0;
    bool operator==(const GhostSource&) const = default;
};

// Written by ghost_layer.cpp.
struct GhostLayer {
    GhostChoice choice;
    OtherTracks tracks;
    std::vector<GhostSource> painted; // what the grid's cached background holds
};

// A track's colour: a fixed palette of kTrackColourCount distinct hues, by the track's place in the
// song (its index in the track table).
constexpr int kTrackColourCount = 16;
win::COLORREF TrackColour(int trackIndex);

const GhostChoice& GhostChoiceOf(const TrackView* v);
// Shows other tracks as the choice says and repaints the grid when that changes what it shows.
void SetGhostChoice(TrackView* v, GhostChoice choice);
// Whether the layer would draw other tracks, or other notes of them, than the grid last painted (the
// grid needs a repaint).
bool GhostsOutdated(const TrackView* v);
// The same, taking what the layer draws now as painted: the grid's cached background, which holds
// the layer, is drawn again when this is true.
bool TakeGhostsChange(TrackView* v);

// Draws the other tracks' notes inside the clip (client pixels) over the grid's background, at
// (x - ox, y - oy) of the device context: each in its track's colour at reduced strength, without
// edges or selection; drum notes as short marks at their starts. Nothing at all while the choice is Off.
void PaintGhosts(TrackView* v, win::HDC dc, const win::RECT& clip, int ox = 0, int oy = 0);

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
