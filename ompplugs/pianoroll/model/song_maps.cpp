// Reading the song's meter and key maps from the host and asking it to change them.
#include "model/song_maps.h"

#include <bit>
#include <cstring>

#include "mp/plugin.h"
#include "mp/song_maps.h"
#include "mp/track_access.h"

namespace pianoroll {

using namespace win;

namespace {

// Room for this many entries at the first try covers nearly every song; more takes a second read.
constexpr std::size_t kFirstRoom = 64;
// A map longer than this is taken for a host fault.
constexpr std::uint32_t kMostEntries = 1u << 20;
constexpr std::uint32_t kLongestBar = 255;
constexpr std::uint32_t kShortestBeatExponent = 5;

mp::IMPProperties* PropertiesOf(mp::TrackAccess* access) {
    return access && access->Plugin() ? access->Plugin()->Properties() : nullptr;
}

// The entries of a map property; false when the host has none or answers out of shape.
template <class Entry>
bool ReadEntries(mp::TrackAccess* access, const GUID& id, std::vector<Entry>* out) {
    mp::IMPProperties* properties = PropertiesOf(access);
    if (!properties) return false;
    std::size_t room = kFirstRoom;
    for (int attempt = 0; attempt < 2; ++attempt) {
        std::vector<std::uint8_t> buffer(sizeof(mp::MPSongMapHeader) + room * sizeof(Entry));
        const HRESULT hr = properties->GetProperty(id, 0, 0, 0, static_cast<DWORD>(buffer.size()), buffer.data());
        if (FAILED(hr)) return false;
        mp::MPSongMapHeader header;
        std::memcpy(&header, buffer.data(), sizeof header);
        if (header.entrySize != sizeof(Entry) || header.count > kMostEntries) return false;
        if (hr == S_OK && header.count <= room) {
            out->resize(header.count);
            // An empty vector's data() may be null, which memcpy must never get, even for no bytes.
            if (header.count > 0)
                std::memcpy(out->data(), buffer.data() + sizeof header, header.count * sizeof(Entry));
            return true;
        }
        room = header.count;
    }
    return false;
}

HRESULT Edit(mp::TrackAccess* access, const GUID& id, DWORD selector, const void* entry, DWORD size) {
    mp::IMPProperties* properties = PropertiesOf(access);
    return properties ? properties->SetProperty(id, selector, 0, size, entry) : E_UNEXPECTED;
}

} // namespace

bool ReadMeterMap(mp::TrackAccess* access, std::vector<MeterSegment>* meters, std::vector<std::int64_t>* signatureTicks) {
    std::vector<mp::MPMeterEntry> entries;
    if (!ReadEntries(access, mp::PID_METER_MAP, &entries)) return false;
    std::vector<MeterSegment> read;
    std::vector<std::int64_t> signedTicks;
    for (const mp::MPMeterEntry& e : entries) {
        if (e.tick < 0 || e.beatsPerBar < 1 || e.beatsPerBar > kLongestBar || e.noteValueExponent > kShortestBeatExponent)
            continue;
        if (!read.empty() && e.tick <= read.back().start) continue;
        read.push_back({e.tick, static_cast<int>(e.beatsPerBar), 1 << e.noteValueExponent});
        if (e.flags & mp::METER_SIGNED) signedTicks.push_back(e.tick);
    }
    if (read.empty()) return false;
    *meters = std::move(read);
    if (signatureTicks) *signatureTicks = std::move(signedTicks);
    return true;
}

bool ReadKeyMap(mp::TrackAccess* access, KeyMap* keys) {
    std::vector<mp::MPKeyEntry> entries;
    if (!ReadEntries(access, mp::PID_KEY_MAP, &entries)) return false;
    std::vector<KeySignature> signatures;
    signatures.reserve(entries.size());
    for (const mp::MPKeyEntry& e : entries) signatures.push_back({e.tick, e.sharps, e.minor != 0});
    *keys = KeyMap(signatures);
    return true;
}

HRESULT InsertTimeSignature(mp::TrackAccess* access, std::int64_t tick, int beatsPerBar, int noteValue) {
    if (beatsPerBar < 1 || noteValue < 1 || !std::has_single_bit(static_cast<unsigned>(noteValue))) return E_INVALIDARG;
    const mp::MPMeterEntry e{tick, 0, static_cast<std::uint32_t>(beatsPerBar),
                             static_cast<std::uint16_t>(std::countr_zero(static_cast<unsigned>(noteValue))), 0};
    return Edit(access, mp::PID_METER_MAP, mp::SONG_MAP_INSERT, &e, sizeof e);
}

HRESULT RemoveTimeSignature(mp::TrackAccess* access, std::int64_t tick) {
    const mp::MPMeterEntry e{tick, 0, 0, 0, 0};
    return Edit(access, mp::PID_METER_MAP, mp::SONG_MAP_REMOVE, &e, sizeof e);
}

HRESULT InsertKeySignature(mp::TrackAccess* access, std::int64_t tick, int sharps, bool minor) {
    const mp::MPKeyEntry e{tick, sharps, minor ? 1u : 0u};
    return Edit(access, mp::PID_KEY_MAP, mp::SONG_MAP_INSERT, &e, sizeof e);
}

HRESULT RemoveKeySignature(mp::TrackAccess* access, std::int64_t tick) {
    const mp::MPKeyEntry e{tick, 0, 0};
    return Edit(access, mp::PID_KEY_MAP, mp::SONG_MAP_REMOVE, &e, sizeof e);
}

} // namespace pianoroll
