// The song's meter map and key map as the host publishes them (IMPProperties ids of this host's own),
// the edits that change them, and the notification that tells a key map change.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mp/host_contract.h"

namespace mp {

// ---- Property ids ----------------------------------------------------------------------------------

// Every time signature of the song with the bar it starts, in tick order. GetProperty (selectors 0)
// fills an MPSongMapHeader followed by as many MPMeterEntry records as `size` holds; the first entry is
// always at tick 0 (the song's default meter when no signature stands there). SetProperty with a
// selector SONG_MAP_INSERT or SONG_MAP_REMOVE and one MPMeterEntry edits the map (below).
inline constexpr win::GUID PID_METER_MAP{0x5C0A7E31, 0x2B6D, 0x4E1A, {0x9F, 0x52, 0x6D, 0x3E, 0x1B, 0x7A, 0x4C, 0x01}};
// Every key signature of the song, in tick order: an MPSongMapHeader followed by MPKeyEntry records.
// A song without one has an empty map (count 0). SetProperty edits it as PID_METER_MAP does.
inline constexpr win::GUID PID_KEY_MAP{0x5C0A7E31, 0x2B6D, 0x4E1A, {0x9F, 0x52, 0x6D, 0x3E, 0x1B, 0x7A, 0x4C, 0x02}};

// SetProperty selectors of the two maps (selector2 is 0). Each write is one undoable host edit of the
// song's conductor track (its first track), named "Insert Time Signature", "Remove Time Signature",
// "Insert Key Signature" or "Remove Key Signature". Notes and other events keep their ticks.
// - Insert: the signature of the record starts at its tick; one already starting there is changed
//   instead. A time signature must start on a bar line of the map before it (else
//   MP_E_NOT_ON_BAR_LINE); out-of-range fields give E_INVALIDARG; a song without tracks gives E_FAIL.
// - Remove: removes the signature starting at the record's tick (other fields are ignored); S_FALSE
//   when none starts there.
constexpr std::uint32_t SONG_MAP_INSERT = 1;
constexpr std::uint32_t SONG_MAP_REMOVE = 2;

// A time signature that does not start on a bar line of the meter map before it.
constexpr win::HRESULT MP_E_NOT_ON_BAR_LINE = win::MakeHr(0x8004E020u);

// 8 bytes, leading both maps. GetProperty needs at least this much room; it returns S_OK when every
// entry fitted after it and S_FALSE when `count` entries exist but fewer fitted (ask again with
// room for sizeof(MPSongMapHeader) + count × entrySize bytes).
struct MPSongMapHeader {
    std::uint32_t count;     // entries in the map
    std::uint32_t entrySize; // bytes of one entry: sizeof(MPMeterEntry) or sizeof(MPKeyEntry)
};
static_assert(sizeof(MPSongMapHeader) == 8);
static_assert(offsetof(MPSongMapHeader, entrySize) == 4);

// 24 bytes: one meter segment.
struct MPMeterEntry {
    std::int64_t tick;                // where the signature starts (absolute ticks, >= 0)
    std::int64_t measure;             // the bar that starts there, counted from 0 (read only)
    std::uint32_t beatsPerBar;        // 1-255
    std::uint16_t noteValueExponent;  // the beat's note value: 0 -> whole note, 2 -> quarter … 5 -> 32nd
    std::uint16_t flags;              // METER_SIGNED when a time signature of the song stands there (read only)
};
static_assert(sizeof(MPMeterEntry) == 24);
static_assert(offsetof(MPMeterEntry, measure) == 8 && offsetof(MPMeterEntry, beatsPerBar) == 16 &&
              offsetof(MPMeterEntry, noteValueExponent) == 20 && offsetof(MPMeterEntry, flags) == 22);
// MPMeterEntry::flags: a time signature event starts the segment (without it, the first entry is the
// song's default meter, which no removal can take away).
constexpr std::uint16_t METER_SIGNED = 0x1;

// 16 bytes: one key signature.
struct MPKeyEntry {
    std::int64_t tick;   // where the key starts (absolute ticks, >= 0)
    std::int32_t sharps; // -7 … 7: sharps when positive, flats when negative (0 = C major / A minor)
    std::uint32_t minor; // 0 = major, 1 = minor
};
static_assert(sizeof(MPKeyEntry) == 16);
static_assert(offsetof(MPKeyEntry, sharps) == 8 && offsetof(MPKeyEntry, minor) == 12);

// ---- Notification ----------------------------------------------------------------------------------

// A key signature of the song was inserted, changed or removed (also by undo and redo); read
// PID_KEY_MAP again. Meter map changes are told by NID_TIMEBASE_CHANGED, as every time signature is.
inline constexpr win::GUID NID_KEY_MAP_CHANGED = MakeNotifyId(0x9DD48DF1);

} // namespace mp
