// Pitch bend in semitones as the view shows it: the option, the shown track's bend map kept while the
// track's data stays the same, and the line each bent note gets at the pitch it sounds.
#pragma once

#include <cstdint>

#include "model/bend_map.h"
#include "win/gdi.h"

namespace pianoroll {

struct TrackView;

// The option's name in the settings extension; absent means off.
constexpr const char* kBendSemitonesSetting = "bend.semitones";

// Written by bend_view.cpp.
struct BendViewCache {
    BendMap map;
    bool valid = false;
    std::uint64_t generation = 0; // the plug-in object's data generation the map was read at
    int trackIndex = -1;
    std::uint32_t trackId = 0;
};

// Whether "Bend in Semitones" is on.
bool BendInSemitones(const TrackView* v);
// Turns the option on or off in the settings extension and shows it (the lane's scale changes width,
// so the view is laid out again).
void SetBendInSemitones(TrackView* v, bool on);

// The shown track's bend map as the host has it, read again only when the track's data changed.
const BendMap& ShownBendMap(TrackView* v);
// The channel the pitch-bend lane writes on: the track's, else the first.
int LaneBendChannel(TrackView* v);
// The bend range in semitones of the lane's channel at the tick.
double LaneBendRange(TrackView* v, std::int64_t tick);

// While the option is on: over each note of the clip during which the bend leaves the centre, a thin
// line at the pitch it sounds from its start to its end, following the bend events and the range.
void DrawBendLines(TrackView* v, win::HDC dc, const win::RECT& clip);

} // namespace pianoroll
