// The song's meter and key maps as the host publishes them (mp/song_maps.h), read into the model's
// types, and the host edits that insert and remove signatures.
#pragma once

#include <cstdint>
#include <vector>

#include "model/bar_grid.h"
#include "model/key_map.h"
#include "win/com.h"

namespace mp {
class TrackAccess;
} // namespace mp

namespace pianoroll {

// The song's meters, the first at tick 0, and the ticks where a time signature of the song stands (the
// first meter may be the song's default). False, and both lists left alone, when the host publishes no
// meter map.
bool ReadMeterMap(mp::TrackAccess* access, std::vector<MeterSegment>* meters,
                  std::vector<std::int64_t>* signatureTicks = nullptr);
// The song's key signatures (none for a song without). False, and the map left alone, when the host
// publishes no key map.
bool ReadKeyMap(mp::TrackAccess* access, KeyMap* keys);

// Each is one host edit with the host's own undo name; the host's result (mp::MP_E_NOT_ON_BAR_LINE
// for a time signature off the bar lines, S_FALSE for a removal where none starts).
win::HRESULT InsertTimeSignature(mp::TrackAccess* access, std::int64_t tick, int beatsPerBar, int noteValue);
win::HRESULT RemoveTimeSignature(mp::TrackAccess* access, std::int64_t tick);
win::HRESULT InsertKeySignature(mp::TrackAccess* access, std::int64_t tick, int sharps, bool minor);
win::HRESULT RemoveKeySignature(mp::TrackAccess* access, std::int64_t tick);

} // namespace pianoroll
