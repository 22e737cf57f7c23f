// The song's maps as the view keeps them and the key in force at a tick.
#include "view/song_map_state.h"

#include <algorithm>

#include "model/song_maps.h"
#include "mp/private_messages.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "view/snapping.h"
#include "view/scale.h"
#include "view/track_view.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

// 4/4 as a time-signature word.
constexpr std::uint32_t kCommonTimeSignature = 4 * 65536 + 4;

} // namespace

void ReloadSongMaps(TrackView* v) {
    SongMapState& maps = v->songMaps;
    ++maps.generation;
    maps.meterMapRead = ReadMeterMap(v->access, &maps.meters, &maps.meterSignatures);
    if (!maps.meterMapRead) {
        const std::uint32_t signature = v->access ? v->access->GetTimeSignature() : kCommonTimeSignature;
        maps.meters = {MeterSegment{0, BeatsOfTimeSignature(signature), NoteValueOfTimeSignature(signature)}};
        maps.meterSignatures.clear();
    }
    if (!ReadKeyMap(v->access, &maps.keys)) maps.keys = KeyMap();
}

void SetKeyFromSong(TrackView* v, bool on) {
    if (v->songMaps.keyFromSong == on) return;
    v->songMaps.keyFromSong = on;
    MarkBackgroundStale(v);
    InvalidateView(v, INV_ALL);
}

ScaleKey KeyInForce(const TrackView* v, std::int64_t tick) {
    if (v->songMaps.keyFromSong) {
        const KeySegment& k = v->songMaps.keys.KeyAt(tick);
        return {k.root, k.scale};
    }
    return v->settings ? ScaleKey{v->settings->scaleRoot, v->settings->scaleIndex} : ScaleKey{};
}

bool PitchInKeyAt(const TrackView* v, int pitch, std::int64_t tick) {
    const ScaleKey key = KeyInForce(v, tick);
    return NoteInScale(pitch, key.root, key.scale);
}

bool KeyVaries(const TrackView* v) { return v->songMaps.keyFromSong && v->songMaps.keys.Segments().size() > 1; }

bool MeterStartsAt(const TrackView* v, std::int64_t tick) {
    const auto& ticks = v->songMaps.meterSignatures;
    return std::binary_search(ticks.begin(), ticks.end(), tick);
}

bool KeyStartsAt(const TrackView* v, std::int64_t tick) { return v->songMaps.keys.SignatureAt(tick); }

void PrepareSignatureItems(TrackView* v, HMENU menu, int x) {
    const BarGrid& grid = ViewBars(v);
    const std::int64_t tick = std::max<std::int64_t>(TickOfX(v, x), 0);
    v->songMaps.menuBar = grid.BarStart(grid.PositionOf(tick).bar);
    if (!MeterStartsAt(v, v->songMaps.menuBar)) DeleteMenu(menu, CMD_REMOVE_TIME_SIGNATURE, MF_BYCOMMAND);
    if (!KeyStartsAt(v, v->songMaps.menuBar)) DeleteMenu(menu, CMD_REMOVE_KEY_SIGNATURE, MF_BYCOMMAND);
}

} // namespace pianoroll
