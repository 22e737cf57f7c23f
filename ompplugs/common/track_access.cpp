// TrackAccess: reads the selected track's events from the host into an index by time, the pitch-row
// table, transport values and note preview.
#include "mp/track_access.h"

#include <algorithm>
#include <cstring>

#include "mp/naming.h"
#include "mp/plugin.h"

namespace mp {

using namespace win;

namespace {

// Reads are bracketed by a read transaction, closed on every path.
class ReadTransaction {
public:
    explicit ReadTransaction(IMPMidiData* data) : data_(data) {
        open_ = data_ && SUCCEEDED(data_->BeginTransaction(TRANSACTION_READ, nullptr));
    }
    ~ReadTransaction() {
        if (open_) data_->EndTransaction(FALSE);
    }
    bool Open() const noexcept { return open_; }

private:
    IMPMidiData* data_;
    bool open_ = false;
};

void FreeEventData(const MidiEventRecord& record) {
    if (IsVariableKind(record.kind) && record.dataHandle) CoTaskMemFreeHandle(record.dataHandle);
}

// Sum modulo 256, then limited to 127: a sum that wraps past 255 also ends at 127.
std::uint8_t OffsetByte(int value, int offset) noexcept {
    const int sum = (value + offset) & 0xFF;
    return static_cast<std::uint8_t>(sum > 127 ? 127 : sum);
}

} // namespace

TrackAccess::TrackAccess(const TrackHost& host)
    : host_(host), ticksPerQuarter_(host.ticksPerQuarter ? host.ticksPerQuarter : 24576) {
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

TrackHost TrackAccess::HostOf(const COPTPlugin* plugin) {
    TrackHost host;
    if (!plugin) return host;
    host.data = plugin->MidiData();
    host.properties = plugin->Properties();
    host.midiOut = plugin->MidiOut();
    host.ticksPerQuarter = plugin->TicksPerQuarter();
    return host;
}

void TrackAccess::SetKindFilter(std::uint32_t kinds) noexcept {
    if (kinds == kindFilter_) return;
    kindFilter_ = kinds;
    if (trackId_) Reload();
}

void TrackAccess::Clear() {
    events_.clear();
    notes_.clear();
    noteMaxEnd_.clear();
    trackEnd_ = 0;
}

HRESULT TrackAccess::SelectTrack(std::uint32_t trackId) {
    trackId_ = trackId;
    return Reload();
}

HRESULT TrackAccess::Reload() {
    Clear();
    channel_ = -1;
    pitchOffset_ = velocityOffset_ = 0;
    if (!trackId_) return S_FALSE;
    IMPMidiData* data = host_.data;
    if (!data) return E_UNEXPECTED;
    ReadTransaction transaction(data);
    if (!transaction.Open()) return E_FAIL;

    EventKey trackKey{trackId_, 0, 0};
    TrackRecord track{};
    HRESULT hr = data->Get(&trackKey, LEVEL_TRACK, &track, 0);
    if (FAILED(hr)) return hr;
    channel_ = track.channel;
    port_ = track.port;
    velocityOffset_ = track.velocityOffset;
    pitchOffset_ = track.pitchOffset;
    if (host_.properties) {
        std::int32_t global = 0;
        if (host_.properties->GetProperty(PID_PITCH_OFFSET, 0, 0, 0, sizeof global, &global) == S_OK)
            pitchOffset_ += global;
    }

    EventKey blockKey{trackId_, 0, 0};
    BlockRecord block{};
    BOOL more = FALSE;
    hr = data->FindFirst(&blockKey, LEVEL_BLOCK, &block, &more, FIND_ALL_ITEMS);
    while (hr == S_OK && blockKey.block) {
        const std::int64_t blockStart = block.start;
        EventKey eventKey{trackId_, blockKey.block, 0};
        MidiEventRecord record{};
        BOOL moreEvents = FALSE;
        HRESULT he = data->FindFirst(&eventKey, LEVEL_EVENT, &record, &moreEvents, kindFilter_);
        while (he == S_OK && eventKey.event) {
            FreeEventData(record);
            Entry e{};
            e.key = eventKey;
            e.start = blockStart + record.time;
            e.length = record.length;
            e.kind = record.kind;
            e.flags = record.flags;
            e.data1 = record.data[0];
            e.data2 = record.data[1];
            e.channel = static_cast<std::int8_t>(record.channel);
            events_.push_back(e);
            if (!moreEvents) break;
            he = data->FindNext(&eventKey, LEVEL_EVENT, &record, &moreEvents, kindFilter_);
        }
        if (FAILED(he)) {
            Clear();
            return he;
        }
        if (!more) break;
        hr = data->FindNext(&blockKey, LEVEL_BLOCK, &block, &more, FIND_ALL_ITEMS);
    }
    if (FAILED(hr)) {
        Clear();
        return hr;
    }
    // Blocks come in host order and may overlap; a stable sort keeps the host's order among equals.
    std::stable_sort(events_.begin(), events_.end(),
                     [](const Entry& a, const Entry& b) { return a.start < b.start; });
    std::int64_t maxEnd = INT64_MIN;
    for (std::size_t i = 0; i < events_.size(); ++i) {
        const Entry& e = events_[i];
        std::int64_t end = e.start;
        if (e.kind == MEK_NOTE) {
            end = e.start + e.length;
            notes_.push_back(static_cast<std::int32_t>(i));
            maxEnd = std::max(maxEnd, end);
            noteMaxEnd_.push_back(maxEnd);
        }
        trackEnd_ = std::max(trackEnd_, end);
    }
    return S_OK;
}

std::uint8_t TrackAccess::ApplyPitch(std::uint8_t value) const noexcept { return OffsetByte(value, pitchOffset_); }
std::uint8_t TrackAccess::ApplyVelocity(std::uint8_t value) const noexcept {
    return OffsetByte(value, velocityOffset_);
}

void TrackAccess::FillRecord(const Entry& e, MidiEventRecord* record) const {
    std::memset(record, 0, sizeof *record);
    record->kind = e.kind;
    record->flags = e.flags;
    record->port = port_;
    record->channel = e.channel;
    record->time = e.start;
    record->timeFormat = TIME_FORMAT_TICKS;
    record->length = e.length;
    record->data[0] = ApplyPitch(e.data1);
    record->data[1] = ApplyVelocity(e.data2);
}

HRESULT TrackAccess::GetEventKeyAt(int index, EventKey* key) const {
    if (!key) return E_POINTER;
    if (index < 0 || index >= GetEventCount()) return S_FALSE;
    *key = events_[static_cast<std::size_t>(index)].key;
    return S_OK;
}

const TrackAccess::Entry* TrackAccess::Find(const EventKey& key) const {
    for (const Entry& e : events_)
        if (e.key.event == key.event && e.key.block == key.block && e.key.track == key.track) return &e;
    return nullptr;
}

HRESULT TrackAccess::GetEvent(const EventKey& key, MidiEventRecord* record) const {
    if (!record) return E_POINTER;
    if (!host_.data || !key.event) return E_INVALIDARG;
    ReadTransaction transaction(host_.data);
    HRESULT hr = host_.data->Get(&key, LEVEL_EVENT, record, 0);
    if (FAILED(hr)) return hr;
    record->data[0] = ApplyPitch(record->data[0]);
    record->data[1] = ApplyVelocity(record->data[1]);
    return S_OK;
}

HRESULT TrackAccess::NextEventInRange(int* cursor, std::int64_t start, std::int64_t length, EventKey* key,
                                      MidiEventRecord* record) const {
    if (!cursor) return E_POINTER;
    const int count = static_cast<int>(notes_.size());
    int i = *cursor + 1;
    if (start != -1) {
        // The first note whose end can reach the range start.
        const int first = static_cast<int>(std::lower_bound(noteMaxEnd_.begin(), noteMaxEnd_.end(), start) -
                                           noteMaxEnd_.begin());
        i = std::max(i, first);
    } else {
        i = std::max(i, 0);
    }
    for (; i < count; ++i) {
        const Entry& e = events_[static_cast<std::size_t>(notes_[static_cast<std::size_t>(i)])];
        if (!(kindFilter_ & MEK_NOTE)) break;
        if (start != -1) {
            if (e.start > start + length) break;
            if (e.start + static_cast<std::int64_t>(e.length) < start) continue;
        }
        *cursor = i;
        if (key) *key = e.key;
        if (record) FillRecord(e, record);
        return S_OK;
    }
    *cursor = count;
    return S_FALSE;
}

bool TrackAccess::IsEventSelected(const EventKey& key) const {
    const Entry* e = Find(key);
    return e && (e->flags & MEF_SELECTED);
}

bool TrackAccess::AnyEventSelected() const noexcept {
    for (const Entry& e : events_)
        if (e.flags & MEF_SELECTED) return true;
    return false;
}

HRESULT TrackAccess::GetPitchRow(int index, PitchRow* row) const {
    if (!row) return E_POINTER;
    if (index < 0 || index >= kRowCount) return S_FALSE;
    *row = rows_[index];
    return S_OK;
}

bool TrackAccess::IsPlaying() const {
    std::uint32_t flags = 0;
    return host_.properties &&
           host_.properties->GetProperty(PID_TRANSPORT_FLAGS, 0, 0, 0, sizeof flags, &flags) == S_OK &&
           (flags & TRANSPORT_PLAYING);
}

std::int64_t TrackAccess::GetPlaybackPosition() const {
    MPTransportPosition position{};
    if (!host_.properties ||
        host_.properties->GetProperty(PID_TRANSPORT_POSITION, 0, 0, 0, sizeof position, &position) != S_OK)
        return 0;
    return position.time;
}

bool TrackAccess::GetLoopRegion(std::int64_t* start, std::int64_t* end) const {
    MPLoopRegion region{};
    if (!host_.properties ||
        host_.properties->GetProperty(PID_LOOP_REGION, 0, 0, 0, sizeof region, &region) != S_OK)
        return false;
    if (start) *start = region.start;
    if (end) *end = region.end;
    return true;
}

std::uint32_t TrackAccess::GetTimeSignature() const {
    MPTimeSignature signature{};
    if (host_.properties &&
        host_.properties->GetProperty(PID_TIME_SIGNATURE, 0, 0, 0, sizeof signature, &signature) == S_OK &&
        signature.beatsPerBar >= 1 && signature.noteValueExponent <= 5)
        return signature.beatsPerBar * 65536u + (1u << signature.noteValueExponent);
    return 4 * 65536u + 4;
}

HRESULT TrackAccess::PlayNote(int note, std::int64_t duration, int velocity, bool on, bool force) {
    if (!host_.midiOut || (!monitor_ && !force)) return S_FALSE;
    if (note < 0 || note > 127) return E_INVALIDARG;
    MidiEventRecord record{};
    record.kind = on ? MEK_NOTE : MEK_NOTE_OFF;
    record.port = port_;
    record.channel = channel_ < 0 ? 0 : channel_;
    record.timeFormat = TIME_FORMAT_TICKS;
    record.length = on ? static_cast<std::uint32_t>(std::max<std::int64_t>(duration, 0)) : 0;
    record.data[0] = static_cast<std::uint8_t>(note);
    record.data[1] = static_cast<std::uint8_t>(on ? std::clamp(velocity, 1, 127) : 1);
    return host_.midiOut->SendEvent(&record, 1);
}

} // namespace mp
