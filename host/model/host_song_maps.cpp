// The host object's meter and key maps: publishing them as property records and editing them.
#include <algorithm>
#include <cstring>

#include "model/host_project.h"

namespace host {

namespace {

// Writes the header and as many entries as fit; S_FALSE when some did not.
template <class Entry, class Source, class Fill>
win::HRESULT WriteMap(const std::vector<Source>& source, win::DWORD size, void* out, Fill fill) {
    if (size < sizeof(mp::MPSongMapHeader)) return win::E_INVALIDARG;
    const mp::MPSongMapHeader header{static_cast<std::uint32_t>(source.size()), sizeof(Entry)};
    auto* bytes = static_cast<std::uint8_t*>(out);
    std::memcpy(bytes, &header, sizeof header);
    const std::size_t room = (size - sizeof header) / sizeof(Entry);
    const std::size_t written = std::min(room, source.size());
    for (std::size_t i = 0; i < written; ++i) {
        const Entry entry = fill(source[i]);
        std::memcpy(bytes + sizeof header + i * sizeof(Entry), &entry, sizeof entry);
    }
    return written == source.size() ? win::S_OK : win::S_FALSE;
}

} // namespace

bool HostProject::IsSongMap(const win::GUID& id) { return id == mp::PID_METER_MAP || id == mp::PID_KEY_MAP; }

win::HRESULT HostProject::GetSongMap(const win::GUID& id, win::DWORD size, void* out) {
    const TimeBase& time = store_.Time();
    if (id == mp::PID_METER_MAP)
        return WriteMap<mp::MPMeterEntry>(time.Meters(), size, out, [](const TimeBase::MeterSegment& s) {
            return mp::MPMeterEntry{s.meter.tick, s.firstMeasure, s.meter.beats,
                                    static_cast<std::uint16_t>(s.meter.noteExp), s.signed_ ? mp::METER_SIGNED : std::uint16_t{0}};
        });
    return WriteMap<mp::MPKeyEntry>(time.Keys(), size, out, [](const TimeBase::KeyChange& k) {
        return mp::MPKeyEntry{k.tick, k.sharps, k.minor ? 1u : 0u};
    });
}

win::HRESULT HostProject::SetSongMap(Store& s, const win::GUID& id, win::DWORD selector, win::DWORD size,
                                     const void* in) {
    if (selector != mp::SONG_MAP_INSERT && selector != mp::SONG_MAP_REMOVE) return win::E_INVALIDARG;
    const bool insert = selector == mp::SONG_MAP_INSERT;
    if (id == mp::PID_METER_MAP) {
        if (size < sizeof(mp::MPMeterEntry)) return win::E_INVALIDARG;
        mp::MPMeterEntry e;
        std::memcpy(&e, in, sizeof e);
        return insert ? s.InsertTimeSignature(e.tick, e.beatsPerBar, e.noteValueExponent) : s.RemoveTimeSignature(e.tick);
    }
    if (size < sizeof(mp::MPKeyEntry)) return win::E_INVALIDARG;
    mp::MPKeyEntry e;
    std::memcpy(&e, in, sizeof e);
    if (insert && e.minor > 1) return win::E_INVALIDARG;
    return insert ? s.InsertKeySignature(e.tick, e.sharps, e.minor == 1) : s.RemoveKeySignature(e.tick);
}

} // namespace host
