// The song's meter and key maps as the view keeps them, the key in force at a tick (the settings' root
// and scale, or the song's key signature there while "From the Song" is on), and the bar the ruler's
// menu was opened on.
#pragma once

#include <cstdint>
#include <vector>

#include "model/bar_grid.h"
#include "model/key_map.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;

// Written by song_map_state.cpp.
struct SongMapState {
    std::vector<MeterSegment> meters{MeterSegment{}}; // the first at tick 0
    bool meterMapRead = false;     // the host published the meters (else the track's one time signature)
    std::uint64_t generation = 0;  // counts the readings, so that the view's bar grid follows them
    std::vector<std::int64_t> meterSignatures;        // where a time signature of the song stands
    KeyMap keys;
    bool keyFromSong = false; // "From the Song" (command 7212)
    std::int64_t menuBar = 0; // where the bar starts that the ruler's menu was opened on
};

// A root note (0-11 from C) and an index of the scale table.
struct ScaleKey {
    int root = 0;
    int scale = 0;
};

// Reads both maps from the host again (a track opened, the host told of a change); a host that
// publishes none leaves the single time signature of the track access as the meter.
void ReloadSongMaps(TrackView* v);
// Turns "From the Song" on or off and repaints what the key decides.
void SetKeyFromSong(TrackView* v, bool on);
// The key that scale snapping and row shading use at the tick.
ScaleKey KeyInForce(const TrackView* v, std::int64_t tick);
bool PitchInKeyAt(const TrackView* v, int pitch, std::int64_t tick);
// Whether that key may differ along the time axis: "From the Song" on a song of several keys.
bool KeyVaries(const TrackView* v);

// The ruler's menu at client x: remembers the bar there and leaves out the removals of signatures that
// do not start at that bar.
void PrepareSignatureItems(TrackView* v, win::HMENU menu, int x);
// Whether a time signature, or a key signature, starts at the tick.
bool MeterStartsAt(const TrackView* v, std::int64_t tick);
bool KeyStartsAt(const TrackView* v, std::int64_t tick);

} // namespace pianoroll
