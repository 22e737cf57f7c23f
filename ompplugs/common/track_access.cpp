// TrackAccess, reading: the shown track, offsets, events in list order and in ranges, hit lookups,
// selection tests, the pitch-row table, names, transport and loop values, and note monitoring.
#include "mp/track_access.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "mp/naming.h"
#include "mp/plugin.h"
#include "win/controls.h"
#include "win/win.h"

namespace mp {

using namespace win;

namespace {

// Shown value: the sum limited to 0-127.
std::uint8_t Shown(int stored, int offset) noexcept { return static_cast<std::uint8_t>(std::clamp(stored + offset, 0, 127)); }

// Channel c stands for bit c; an event without a channel matches only bit 31.
bool ChannelMatches(std::int32_t channel, std::uint32_t channels) noexcept {
    if (channel < 0 || channel > 30) return (channels & 0x80000000u) != 0;
    return (channels & (1u << channel)) != 0;
}

int VelocityOffsetOf(std::uint32_t kind, const TrackOffsets& offsets) noexcept {
    return (kind & (MEK_NOTE | MEK_NOTE_OFF)) ? offsets.velocity : 0;
}

} // namespace

TrackAccess::TrackAccess(const TrackHost& host) : plugin_(host.plugin) {
    for (int r = 0; r < kRowCount; ++r) {
        PitchRow& row = rows_[r];
        row.note = 127 - r;
        row.octave = row.note / 12;
        std::memset(row.name, 0, sizeof row.name);
        if (NamePitch(row.note, true, false, row.name, sizeof row.name) != NAME_OK) row.name[0] = 0;
        const bool black = std::strchr(row.name, '#') || std::strchr(row.name, 'b');
        const bool boundary = std::strchr(row.name, 'C') || std::strchr(row.name, 'F');
        row.keyShape = black ? 2 : (boundary ? 1 : 0);
    }
}

TrackHost TrackAccess::HostOf(COPTPlugin* plugin) {
    TrackHost host;
    host.plugin = plugin;
    return host;
}

// ---- which track ----

HRESULT TrackAccess::SelectTrack(std::uint32_t trackId) {
    chosenTrack_ = trackId;
    if (!plugin_) return E_UNEXPECTED;
    if (trackId && plugin_->TrackIndexOf(trackId) < 0) return S_FALSE;
    return Prepare() ? S_OK : S_FALSE;
}

HRESULT TrackAccess::Reload() {
    if (!plugin_) return E_UNEXPECTED;
    // The notifications keep a shown list current; only a list that is no longer valid (another
    // track, another filter, a reloaded track table) is read again.
    return Prepare() ? S_OK : S_FALSE;
}

int TrackAccess::TrackIndex() const {
    if (!plugin_) return 0;
    if (chosenTrack_) {
        const int index = plugin_->TrackIndexOf(chosenTrack_);
        if (index >= 0) return index;
    }
    if (!trackBox_) return 0;
    const LRESULT selected = SendMessage(trackBox_, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return 0;
    const LRESULT data = SendMessage(trackBox_, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    if (data == CB_ERR) return 0;
    return data < 0 ? 1 : static_cast<int>(data);
}

std::uint32_t TrackAccess::TrackId() const { return plugin_ ? plugin_->TrackIdAt(TrackIndex()) : 0; }
std::uint32_t TrackAccess::KindFilter() const { return plugin_ ? plugin_->KindFilter() : 0; }
void TrackAccess::SetKindFilter(std::uint32_t kinds) noexcept {
    if (plugin_) plugin_->SetKindFilter(kinds);
}
DWORD TrackAccess::TicksPerQuarter() const noexcept { return plugin_ ? plugin_->TicksPerQuarter() : 24576; }

bool TrackAccess::Prepare() {
    if (!plugin_ || !plugin_->MidiData()) return false;
    if (!(plugin_->Flags() & PLF_TRACKS_LOADED)) plugin_->ReloadTracks(false);
    const int index = TrackIndex();
    if (!plugin_->TrackIdAt(index)) return false;
    plugin_->SelectTrack(index, -1);
    return true;
}

bool TrackAccess::ReadTrack(TrackRecord* track) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    const std::uint32_t id = TrackId();
    if (!data || !id) return false;
    if (FAILED(plugin_->BeginRead())) return false;
    const EventKey key{id, 0, 0};
    const bool ok = data->Get(&key, LEVEL_TRACK, track, TIME_FORMAT_TICKS) == S_OK;
    plugin_->EndTransaction(false);
    return ok;
}

int TrackAccess::TrackChannel() {
    TrackRecord track{};
    return ReadTrack(&track) ? track.channel : -1;
}

TrackOffsets TrackAccess::Offsets() {
    TrackOffsets offsets;
    TrackRecord track{};
    if (!ReadTrack(&track)) return offsets;
    offsets.pitch = track.pitchOffset;
    offsets.velocity = track.velocityOffset;
    std::int32_t global = 0;
    if (GetProperty(PID_PITCH_OFFSET, sizeof global, &global)) offsets.pitch += global;
    return offsets;
}

// The offsets shift note numbers and note velocities only: a controller number, program or
// pitch-bend value moved by a transposition would be a different event.
int TrackAccess::PitchOffsetOf(std::uint32_t kind, const TrackOffsets& offsets) noexcept {
    return (kind & (MEK_NOTE | MEK_NOTE_OFF | MEK_POLY_PRESSURE)) ? offsets.pitch : 0;
}

std::pair<int, int> TrackAccess::StoredRange(int offset, int low, int high) noexcept {
    // Unshifted bytes are compared as stored; shifted ones as shown, which only grows with the byte.
    if (!offset) return {low, high};
    int from = 256, to = -1;
    for (int v = 0; v < 256; ++v)
        if (Shown(v, offset) >= low && Shown(v, offset) <= high) {
            from = std::min(from, v);
            to = v;
        }
    return {from, to};
}

void TrackAccess::ApplyOffsets(MidiEventRecord& record, const TrackOffsets& offsets) const {
    const int offset[2] = {PitchOffsetOf(record.kind, offsets), VelocityOffsetOf(record.kind, offsets)};
    for (int i = 0; i < 2; ++i)
        if (offset[i]) record.data[i] = Shown(record.data[i], offset[i]);
}

void TrackAccess::ToStored(MidiEventRecord& record, const MidiEventRecord* stored, const TrackOffsets& offsets) const {
    const int offset[2] = {PitchOffsetOf(record.kind, offsets), VelocityOffsetOf(record.kind, offsets)};
    for (int i = 0; i < 2; ++i) {
        if (!offset[i]) continue;
        if (stored && stored->kind == record.kind && Shown(stored->data[i], offset[i]) == record.data[i]) {
            // Shown as it was: the stored value goes back untouched, whatever the offsets hid.
            record.data[i] = stored->data[i];
        } else {
            record.data[i] = static_cast<std::uint8_t>(std::clamp(record.data[i] - offset[i], 0, 127));
        }
    }
}

// ---- reading ----

int TrackAccess::GetEventCount() {
    if (!Prepare()) return 0;
    return static_cast<int>(plugin_->EventList().size());
}

HRESULT TrackAccess::GetEventKeyAt(int index, EventKey* key) {
    if (!key) return E_POINTER;
    if (!Prepare()) return S_FALSE;
    const auto& list = plugin_->EventList();
    if (index < 0 || static_cast<std::size_t>(index) >= list.size()) return S_FALSE;
    *key = list[static_cast<std::size_t>(index)].key;
    return S_OK;
}

HRESULT TrackAccess::GetEvent(const EventKey& key, MidiEventRecord* record) {
    if (!record) return E_POINTER;
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    if (!key.event) return S_FALSE;
    HRESULT hr = plugin_->BeginRead();
    if (FAILED(hr)) return hr;
    hr = data->Get(&key, LEVEL_EVENT, record, 0);
    plugin_->EndTransaction(false);
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    ApplyOffsets(*record, Offsets());
    return S_OK;
}

std::int64_t TrackAccess::BlockStart(const EventKey& key) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data || !key.block) return 0;
    if (FAILED(plugin_->BeginRead())) return 0;
    BlockRecord block{};
    const EventKey blockKey{key.track, key.block, 0};
    const bool ok = data->Get(&blockKey, LEVEL_BLOCK, &block, TIME_FORMAT_TICKS) == S_OK;
    plugin_->EndTransaction(false);
    return ok ? block.start : 0;
}

bool TrackAccess::EventStart(const EventKey& key, std::int64_t* start) {
    if (!plugin_ || !key.event) return false;
    IMPMidiData* data = plugin_->MidiData();
    if (!data || FAILED(plugin_->BeginRead())) return false;
    MidiEventRecord record{};
    const bool ok = data->Get(&key, LEVEL_EVENT, &record, TIME_FORMAT_TICKS) == S_OK;
    plugin_->EndTransaction(false);
    if (!ok) return false;
    FreeEventData(record);
    if (start) *start = BlockStart(key) + record.time;
    return true;
}

HRESULT TrackAccess::NextEventInRange(int* cursor, std::int64_t start, std::int64_t length, std::uint32_t kinds,
                                      bool startOnly, EventKey* key, MidiEventRecord* record) {
    if (!cursor) return E_POINTER;
    if (!Prepare()) return S_FALSE;
    const std::uint32_t wanted = kinds & plugin_->KindFilter();
    const auto& list = plugin_->EventList();
    const bool all = start == -1;
    std::size_t i = *cursor < 0 ? 0 : static_cast<std::size_t>(*cursor) + 1;
    // Events before the first that can reach the range start cannot match: skip them by search.
    if (!all) i = std::max(i, startOnly ? plugin_->FirstStartingAt(start) : plugin_->FirstReaching(start));
    for (; i < list.size(); ++i) {
        const EventEntry& e = list[i];
        if (!all && e.start > start + length) break; // the list is in start order: nothing later matches
        if (!(e.kind & wanted)) continue;
        if (!all) {
            const bool reaches = e.start >= start || (!startOnly && e.kind == MEK_NOTE && e.end >= start);
            if (!reaches) continue;
        }
        if (record) {
            IMPMidiData* data = plugin_->MidiData();
            if (FAILED(plugin_->BeginRead())) return E_FAIL;
            const HRESULT hr = data->Get(&e.key, LEVEL_EVENT, record, 0);
            plugin_->EndTransaction(false);
            if (hr != S_OK) continue; // gone: the list catches up with the next notification
            if (*cursor < 0 || i == 0) offsets_ = Offsets();
            ApplyOffsets(*record, offsets_);
        }
        *cursor = static_cast<int>(i);
        if (key) *key = e.key;
        return S_OK;
    }
    *cursor = static_cast<int>(list.size());
    return S_FALSE;
}

HRESULT TrackAccess::PreviousEventAtOrBefore(int* cursor, std::int64_t time, std::uint32_t kinds, EventKey* key,
                                             MidiEventRecord* record) {
    if (!cursor) return E_POINTER;
    if (!Prepare()) return S_FALSE;
    const std::uint32_t wanted = kinds & plugin_->KindFilter();
    const auto& list = plugin_->EventList();
    // Nothing that starts after the time can match: begin below the first such event.
    const std::int64_t after = time == std::numeric_limits<std::int64_t>::max() ? time : time + 1;
    std::size_t i = std::min(plugin_->FirstStartingAt(after), list.size());
    if (*cursor >= 0) i = std::min(i, static_cast<std::size_t>(*cursor));
    bool haveOffsets = false;
    TrackOffsets offsets{};
    while (i-- > 0) {
        const EventEntry& e = list[i];
        if (!(e.kind & wanted)) continue;
        if (record) {
            IMPMidiData* data = plugin_->MidiData();
            if (FAILED(plugin_->BeginRead())) return E_FAIL;
            const HRESULT hr = data->Get(&e.key, LEVEL_EVENT, record, 0);
            plugin_->EndTransaction(false);
            if (hr != S_OK) continue;
            if (!haveOffsets) offsets = Offsets(), haveOffsets = true;
            ApplyOffsets(*record, offsets);
        }
        *cursor = static_cast<int>(i);
        if (key) *key = e.key;
        return S_OK;
    }
    *cursor = 0; // a further call finds nothing either
    return S_FALSE;
}

std::int64_t TrackAccess::ListedStart(int cursor) {
    if (!plugin_ || cursor < 0) return 0;
    const auto& list = plugin_->EventList();
    return static_cast<std::size_t>(cursor) < list.size() ? list[static_cast<std::size_t>(cursor)].start : 0;
}

HRESULT TrackAccess::NextEventInRange(int* cursor, std::int64_t start, std::int64_t length, EventKey* key,
                                      MidiEventRecord* record) {
    MidiEventRecord read{};
    HRESULT hr = NextEventInRange(cursor, start, length, MEK_NOTE, false, key, &read);
    if (hr != S_OK) return hr;
    if (record) {
        *record = read;
        record->time = plugin_->EventList()[static_cast<std::size_t>(*cursor)].start;
    }
    return S_OK;
}

HRESULT TrackAccess::FindEventAt(std::int64_t time, std::uint32_t kinds, std::uint32_t channels, bool atOrAfter,
                                 EventKey* key) {
    if (!key) return E_POINTER;
    if (!Prepare()) return S_FALSE;
    IMPMidiData* data = plugin_->MidiData();
    const auto& list = plugin_->EventList();
    HRESULT hr = plugin_->BeginRead();
    if (FAILED(hr)) return hr;
    bool found = false;
    EventKey hit{};
    for (std::size_t i = plugin_->FirstReaching(time); i < list.size(); ++i) {
        const EventEntry& e = list[i];
        if (!atOrAfter && e.start > time) break;
        if (!(e.kind & kinds)) continue;
        MidiEventRecord record{};
        if (data->Get(&e.key, LEVEL_EVENT, &record, TIME_FORMAT_TICKS) != S_OK) continue;
        FreeEventData(record);
        if (!ChannelMatches(record.channel, channels)) continue;
        const bool covers = e.start <= time && time <= e.end;
        if (covers || (atOrAfter && e.start > time)) {
            hit = e.key;
            found = true;
            break;
        }
    }
    if (found) {
        // Walk back through the host's order to the earliest event still starting at or after time.
        const std::int64_t blockStart = BlockStart(hit);
        EventKey probe = hit;
        for (;;) {
            MidiEventRecord record{};
            BOOL more = FALSE;
            if (data->FindPrevious(&probe, LEVEL_EVENT, &record, &more, kinds) != S_OK || !probe.event) break;
            FreeEventData(record);
            if (blockStart + record.time < time) break;
            if (ChannelMatches(record.channel, channels)) hit = probe;
            if (!more) break;
        }
    }
    plugin_->EndTransaction(false);
    if (!found) return S_FALSE;
    *key = hit;
    return S_OK;
}

HRESULT TrackAccess::FindNoteAt(std::int64_t time, std::int64_t tolerance, int row, EventKey* key) {
    if (!key) return E_POINTER;
    if (row < 0 || row >= kRowCount || !Prepare()) return S_FALSE;
    const int note = rows_[row].note;
    const TrackOffsets offsets = Offsets();
    const std::int64_t low = time - tolerance;
    const std::int64_t high = time + tolerance;
    const auto& list = plugin_->EventList();
    IMPMidiData* data = plugin_->MidiData();
    if (FAILED(plugin_->BeginRead())) return E_FAIL;
    struct Hit {
        EventKey key;
        std::int64_t start;
    };
    bool haveSelected = false, haveOther = false;
    Hit selected{}, other{};
    auto noteOf = [&](const EventEntry& e, MidiEventRecord* record) {
        if (data->Get(&e.key, LEVEL_EVENT, record, TIME_FORMAT_TICKS) != S_OK) return false;
        return Shown(record->data[0], offsets.pitch) == note;
    };
    for (std::size_t i = plugin_->FirstReaching(low); i < list.size(); ++i) {
        const EventEntry& e = list[i];
        if (e.start > high) break;
        if (e.kind != MEK_NOTE || e.end < low) continue;
        MidiEventRecord record{};
        if (!noteOf(e, &record)) continue;
        if (record.flags & MEF_SELECTED) {
            selected = {e.key, e.start};
            haveSelected = true;
        } else {
            other = {e.key, e.start};
            haveOther = true;
        }
    }
    bool found = haveSelected || haveOther;
    Hit best = haveSelected ? selected : other;
    if (found && best.start >= low && best.start <= high) {
        // A press just behind a note's end picks that note rather than the one starting here.
        const std::int64_t from = time - tolerance / 2;
        const std::int64_t to = best.start - 1;
        for (std::size_t i = plugin_->FirstReaching(from); i < list.size(); ++i) {
            const EventEntry& e = list[i];
            if (e.start > to) break;
            if (e.kind != MEK_NOTE || e.end < from || e.key == best.key) continue;
            MidiEventRecord record{};
            if (!noteOf(e, &record)) continue;
            best = {e.key, e.start};
        }
    }
    plugin_->EndTransaction(false);
    if (!found) return S_FALSE;
    *key = best.key;
    return S_OK;
}

HRESULT TrackAccess::StepEvent(EventKey* key, std::uint32_t kinds, std::uint32_t channels, bool forward) {
    if (!key) return E_POINTER;
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data) return E_UNEXPECTED;
    if (!key->event) return S_FALSE;
    HRESULT hr = plugin_->BeginRead();
    if (FAILED(hr)) return hr;
    EventKey probe = *key;
    HRESULT result = S_FALSE;
    for (;;) {
        MidiEventRecord record{};
        BOOL more = FALSE;
        hr = forward ? data->FindNext(&probe, LEVEL_EVENT, &record, &more, kinds)
                     : data->FindPrevious(&probe, LEVEL_EVENT, &record, &more, kinds);
        if (hr != S_OK || !probe.event) break;
        FreeEventData(record);
        if (ChannelMatches(record.channel, channels)) {
            *key = probe;
            result = S_OK;
            break;
        }
        if (!more) break;
    }
    plugin_->EndTransaction(false);
    return FAILED(hr) ? hr : result;
}

bool TrackAccess::IsSelectedAt(std::int64_t time, std::uint32_t kinds, std::uint32_t channels) {
    if (!Prepare()) return false;
    const auto& list = plugin_->EventList();
    IMPMidiData* data = plugin_->MidiData();
    if (FAILED(plugin_->BeginRead())) return false;
    bool selected = false;
    for (std::size_t i = plugin_->FirstStartingAt(time); i < list.size() && list[i].start == time; ++i) {
        if (!(list[i].kind & kinds)) continue;
        MidiEventRecord record{};
        if (data->Get(&list[i].key, LEVEL_EVENT, &record, TIME_FORMAT_TICKS) != S_OK) continue;
        FreeEventData(record);
        if ((record.flags & MEF_SELECTED) && ChannelMatches(record.channel, channels)) {
            selected = true;
            break;
        }
    }
    plugin_->EndTransaction(false);
    return selected;
}

bool TrackAccess::IsEventSelected(const EventKey& key) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data || !key.event || FAILED(plugin_->BeginRead())) return false;
    MidiEventRecord record{};
    const bool ok = data->Get(&key, LEVEL_EVENT, &record, TIME_FORMAT_TICKS) == S_OK;
    plugin_->EndTransaction(false);
    if (!ok) return false;
    FreeEventData(record);
    return (record.flags & MEF_SELECTED) != 0;
}

bool TrackAccess::AnyEventSelected() { return plugin_ && Prepare() && plugin_->HasSelection(); }

std::int64_t TrackAccess::TrackEnd() { return Prepare() ? plugin_->ListEnd() : 0; }

HRESULT TrackAccess::GetPitchRow(int index, PitchRow* row) const {
    if (!row) return E_POINTER;
    if (index < 0 || index >= kRowCount) return S_FALSE;
    *row = rows_[index];
    return S_OK;
}

namespace {

HRESULT CopyName(std::uint32_t handle, char16_t* buffer, int length) {
    if (!handle) {
        if (buffer && length > 0) buffer[0] = 0;
        return S_FALSE;
    }
    const auto* name = static_cast<const char16_t*>(CoTaskMemHandlePtr(handle));
    if (buffer && length > 0) {
        int i = 0;
        for (; name && name[i] && i < length - 1; ++i) buffer[i] = name[i];
        buffer[i] = 0;
    }
    CoTaskMemFreeHandle(handle);
    return S_OK;
}

} // namespace

HRESULT TrackAccess::GetTrackName(char16_t* buffer, int length) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    const std::uint32_t id = TrackId();
    if (!data || !id) return E_UNEXPECTED;
    HRESULT hr = plugin_->BeginRead();
    if (FAILED(hr)) return hr;
    TrackRecord track{};
    const EventKey key{id, 0, 0};
    hr = data->Get(&key, LEVEL_TRACK, &track, GET_WITH_NAME | TIME_FORMAT_TICKS);
    plugin_->EndTransaction(false);
    if (FAILED(hr)) return hr;
    return CopyName(track.nameHandle, buffer, length);
}

HRESULT TrackAccess::GetBlockName(char16_t* buffer, int length) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    EventKey block{};
    if (!data || !plugin_->FirstBlockOf(TrackIndex(), &block)) return E_UNEXPECTED;
    HRESULT hr = plugin_->BeginRead();
    if (FAILED(hr)) return hr;
    BlockRecord record{};
    hr = data->Get(&block, LEVEL_BLOCK, &record, GET_WITH_NAME | TIME_FORMAT_TICKS);
    plugin_->EndTransaction(false);
    if (FAILED(hr)) return hr;
    return CopyName(record.nameHandle, buffer, length);
}

// ---- transport and loop ----

bool TrackAccess::GetProperty(const GUID& id, DWORD size, void* out) {
    IMPProperties* properties = plugin_ ? plugin_->Properties() : nullptr;
    return properties && properties->GetProperty(id, 0, 0, 0, size, out) == S_OK;
}

HRESULT TrackAccess::SetProperty(const GUID& id, DWORD size, const void* in) {
    IMPProperties* properties = plugin_ ? plugin_->Properties() : nullptr;
    return properties ? properties->SetProperty(id, 0, 0, size, in) : E_UNEXPECTED;
}

bool TrackAccess::TransportAvailable() {
    std::uint32_t flags = 0;
    return GetProperty(PID_TRANSPORT_FLAGS, sizeof flags, &flags);
}

bool TrackAccess::IsPlaying() {
    std::uint32_t flags = 0;
    return GetProperty(PID_TRANSPORT_FLAGS, sizeof flags, &flags) && (flags & TRANSPORT_PLAYING);
}

HRESULT TrackAccess::SetPlaying(bool playing) {
    std::uint32_t flags = 0;
    if (!GetProperty(PID_TRANSPORT_FLAGS, sizeof flags, &flags)) return E_FAIL;
    flags = playing ? (flags | TRANSPORT_PLAYING) : (flags & ~TRANSPORT_PLAYING);
    return SetProperty(PID_TRANSPORT_FLAGS, sizeof flags, &flags);
}

std::int64_t TrackAccess::GetPlaybackPosition() {
    MPTransportPosition position{};
    return GetProperty(PID_TRANSPORT_POSITION, sizeof position, &position) ? position.time : 0;
}

HRESULT TrackAccess::SetPlaybackPosition(std::int64_t ticks) {
    MPTransportPosition position{ticks, TIME_FORMAT_TICKS, 0};
    return SetProperty(PID_TRANSPORT_POSITION, sizeof position, &position);
}

bool TrackAccess::GetLoopRegion(std::int64_t* start, std::int64_t* end) {
    MPLoopRegion region{};
    if (!GetProperty(PID_LOOP_REGION, sizeof region, &region)) return false;
    if (start) *start = region.start;
    if (end) *end = region.end;
    return true;
}

HRESULT TrackAccess::SetLoopRegion(std::int64_t start, std::int64_t length) {
    MPLoopRegion region{};
    if (!GetProperty(PID_LOOP_REGION, sizeof region, &region)) return E_FAIL;
    const std::int64_t oldLength = region.end - region.start;
    if (start >= 0) region.start = start;
    region.end = region.start + (length >= 0 ? length : oldLength);
    region.timeFormat = TIME_FORMAT_TICKS;
    region.reserved = 0;
    return SetProperty(PID_LOOP_REGION, sizeof region, &region);
}

bool TrackAccess::IsLooping() {
    std::uint32_t flags = 0;
    return GetProperty(PID_TRANSPORT_FLAGS, sizeof flags, &flags) && (flags & TRANSPORT_LOOPING);
}

HRESULT TrackAccess::SetLooping(bool on) {
    std::uint32_t flags = 0;
    if (!GetProperty(PID_TRANSPORT_FLAGS, sizeof flags, &flags)) return E_FAIL;
    if (((flags & TRANSPORT_LOOPING) != 0) == on) return S_FALSE;
    flags = on ? (flags | TRANSPORT_LOOPING) : (flags & ~TRANSPORT_LOOPING);
    return SetProperty(PID_TRANSPORT_FLAGS, sizeof flags, &flags);
}

std::uint32_t TrackAccess::GetTimeSignature() {
    MPTimeSignature signature{};
    if (GetProperty(PID_TIME_SIGNATURE, sizeof signature, &signature) && signature.beatsPerBar >= 1 &&
        signature.noteValueExponent <= 5)
        return signature.beatsPerBar * 65536u + (1u << signature.noteValueExponent);
    return 4 * 65536u + 4;
}

// ---- monitoring ----

bool TrackAccess::Monitoring() const noexcept { return plugin_ && plugin_->Monitoring(); }
void TrackAccess::SetMonitoring(bool on) noexcept {
    if (plugin_) plugin_->SetMonitoring(on);
}

HRESULT TrackAccess::PlayNote(int note, std::int64_t duration, int velocity, bool on, bool force) {
    IMPMidiOut* out = plugin_ ? plugin_->MidiOut() : nullptr;
    if (!out || plugin_->QueryMonitoring() != 0 || (!plugin_->Monitoring() && !force)) return S_FALSE;
    if (note < 0 || note > 127) return E_INVALIDARG;
    TrackRecord track{};
    ReadTrack(&track);
    MidiEventRecord record{};
    record.kind = on ? MEK_NOTE : MEK_NOTE_OFF;
    record.port = track.port;
    record.channel = track.channel < 0 ? 0 : track.channel;
    record.timeFormat = TIME_FORMAT_TICKS;
    record.length = on ? static_cast<std::uint32_t>(std::clamp<std::int64_t>(duration, 0, UINT32_MAX)) : 0;
    record.data[0] = static_cast<std::uint8_t>(note);
    record.data[1] = static_cast<std::uint8_t>(on ? std::clamp(velocity, 1, 127) : 1);
    if (!record.port) record.port = plugin_->GetPort(1);
    if (record.port == NO_PORT) return S_FALSE;
    return out->SendEvent(&record, 1);
}

HRESULT TrackAccess::PlayEvent(const EventKey& key, bool on, bool force) {
    IMPMidiOut* out = plugin_ ? plugin_->MidiOut() : nullptr;
    if (!out || plugin_->QueryMonitoring() != 0 || (!plugin_->Monitoring() && !force)) return S_FALSE;
    MidiEventRecord record{};
    HRESULT hr = GetEvent(key, &record);
    if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
    FreeEventData(record);
    if (IsVariableKind(record.kind)) return S_FALSE; // only short events are played here
    TrackRecord track{};
    if (ReadTrack(&track) && track.channel >= 0) record.channel = track.channel;
    if (!record.port) record.port = track.port ? track.port : plugin_->GetPort(1);
    if (record.port == NO_PORT) return S_FALSE;
    if (!on) {
        record.kind = MEK_NOTE_OFF;
        record.data[1] = 1;
        record.length = 0;
    }
    record.time = 0;
    record.timeFormat = TIME_FORMAT_TICKS;
    record.sourceWord = 0;
    return out->SendEvent(&record, 1);
}

} // namespace mp
