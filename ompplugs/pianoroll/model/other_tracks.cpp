// Reading other tracks' notes from the host and keeping a copy per track until its generation moves on.
#include "model/other_tracks.h"

#include "mp/host_contract.h"
#include "mp/plugin.h"

namespace pianoroll {

using namespace win;

namespace {

// A stored pitch as every view shows it: the offsets added, limited to the pitch range.
std::uint8_t ShownPitch(int stored, int offset) noexcept {
    return static_cast<std::uint8_t>(std::clamp(stored + offset, kLowestPitch, kHighestPitch));
}

std::int32_t GlobalPitchOffset(mp::COPTPlugin* plugin) {
    std::int32_t offset = 0;
    mp::IMPProperties* properties = plugin->Properties();
    if (!properties || properties->GetProperty(mp::PID_PITCH_OFFSET, 0, 0, 0, sizeof offset, &offset) != S_OK) return 0;
    return offset;
}

// A time the host gave in nanoseconds from the block's start, as ticks from it.
std::int64_t TicksInBlock(mp::IMPTimeFormat* format, std::int64_t blockStart, std::int64_t nanoseconds) {
    std::int64_t startNs = 0, ticks = 0;
    if (!format ||
        FAILED(format->ConvertTime(blockStart, mp::TIME_FORMAT_TICKS, 0, &startNs, mp::TIME_FORMAT_NANOSECONDS, 0)) ||
        FAILED(format->ConvertTime(startNs + nanoseconds, mp::TIME_FORMAT_NANOSECONDS, 0, &ticks, mp::TIME_FORMAT_TICKS, 0)))
        return nanoseconds;
    return ticks - blockStart;
}

struct TrackReading {
    mp::IMPMidiData* data;
    mp::IMPTimeFormat* format;
    mp::TrackRecord track;
    int pitchOffset;
};

// The block's notes, appended. False when the host cannot read the block.
bool ReadBlockNotes(const TrackReading& reading, const mp::EventKey& blockKey, std::vector<GhostNote>* notes) {
    mp::IMPMidiData* data = reading.data;
    const mp::TrackRecord& track = reading.track;
    mp::BlockRecord block{};
    if (data->Get(&blockKey, mp::LEVEL_BLOCK, &block, mp::TIME_FORMAT_TICKS) != S_OK) return false;
    mp::EventKey key = blockKey;
    mp::MidiEventRecord record{};
    BOOL more = FALSE;
    HRESULT hr = data->FindFirst(&key, mp::LEVEL_EVENT, &record, &more, mp::MEK_NOTE);
    while (hr == S_OK && key.event) {
        mp::FreeEventData(record);
        if (record.kind == mp::MEK_NOTE) {
            const int channel = record.channel < 0 ? -1 : (track.channel >= 0 ? track.channel : record.channel);
            const std::int64_t time = record.timeFormat == mp::TIME_FORMAT_NANOSECONDS
                                          ? TicksInBlock(reading.format, block.start, record.time)
                                          : record.time;
            notes->push_back(GhostNote{.start = block.start + time,
                                       .length = record.length,
                                       .block = key.block,
                                       .event = key.event,
                                       .pitch = ShownPitch(record.data[0], reading.pitchOffset),
                                       .drum = channel == kDrumChannel});
        }
        if (!more) break;
        hr = data->FindNext(&key, mp::LEVEL_EVENT, &record, &more, mp::MEK_NOTE);
    }
    return SUCCEEDED(hr);
}

} // namespace

void TrackNotes::Assign(std::vector<GhostNote> notes) {
    auto byStart = [](const GhostNote& a, const GhostNote& b) { return a.start < b.start; };
    // Blocks may overlap; each comes sorted, so the whole is usually sorted already.
    if (!std::is_sorted(notes.begin(), notes.end(), byStart)) std::stable_sort(notes.begin(), notes.end(), byStart);
    notes_ = std::move(notes);
    runReach_.assign((notes_.size() + kRun - 1) / kRun, 0);
    for (std::size_t i = 0; i < notes_.size(); ++i) {
        std::int64_t& reach = runReach_[i / kRun];
        reach = i % kRun == 0 ? notes_[i].End() : std::max(reach, notes_[i].End());
    }
}

bool ReadTrackNotes(mp::COPTPlugin* plugin, int trackIndex, std::vector<GhostNote>* notes) {
    notes->clear();
    mp::IMPMidiData* data = plugin ? plugin->MidiData() : nullptr;
    if (!data || trackIndex < 0 || static_cast<std::size_t>(trackIndex) >= plugin->Tracks().size()) return false;
    const mp::TrackEntry& entry = plugin->Tracks()[static_cast<std::size_t>(trackIndex)];
    if (FAILED(plugin->BeginRead())) return false;
    const mp::EventKey trackKey{entry.track, 0, 0};
    TrackReading reading{data, plugin->TimeFormat(), {}, 0};
    bool ok = data->Get(&trackKey, mp::LEVEL_TRACK, &reading.track, mp::TIME_FORMAT_TICKS) == S_OK;
    if (ok) reading.pitchOffset = reading.track.pitchOffset + GlobalPitchOffset(plugin);
    for (const mp::EventKey& block : entry.blocks) {
        if (!ok) break;
        ok = ReadBlockNotes(reading, mp::EventKey{entry.track, block.block, 0}, notes);
    }
    plugin->EndTransaction(false);
    if (!ok) notes->clear();
    return ok;
}

OtherTracks::Copy* OtherTracks::Find(std::uint32_t track) {
    for (Copy& c : copies_)
        if (c.track == track) return &c;
    return nullptr;
}

const OtherTracks::Copy* OtherTracks::Find(std::uint32_t track) const {
    for (const Copy& c : copies_)
        if (c.track == track) return &c;
    return nullptr;
}

bool OtherTracks::Stale(const mp::COPTPlugin* plugin, int trackIndex) const {
    if (!plugin || trackIndex < 0 || static_cast<std::size_t>(trackIndex) >= plugin->Tracks().size()) return false;
    const mp::TrackEntry& entry = plugin->Tracks()[static_cast<std::size_t>(trackIndex)];
    const Copy* copy = Find(entry.track);
    return !copy || copy->generation != entry.generation;
}

const TrackNotes* OtherTracks::Notes(mp::COPTPlugin* plugin, int trackIndex) {
    if (!plugin || trackIndex < 0 || static_cast<std::size_t>(trackIndex) >= plugin->Tracks().size()) return nullptr;
    const mp::TrackEntry& entry = plugin->Tracks()[static_cast<std::size_t>(trackIndex)];
    Copy* copy = Find(entry.track);
    if (copy && copy->generation == entry.generation) return copy->readable ? &copy->notes : nullptr;
    if (!copy) {
        copy = &copies_.emplace_back();
        copy->track = entry.track;
    }
    // The generation is taken before reading: a change reported while reading moves it on again.
    copy->generation = entry.generation;
    std::vector<GhostNote> notes;
    copy->readable = ReadTrackNotes(plugin, trackIndex, &notes);
    copy->notes.Assign(std::move(notes));
    return copy->readable ? &copy->notes : nullptr;
}

void OtherTracks::Prune(const mp::COPTPlugin* plugin) {
    if (!plugin) {
        copies_.clear();
        return;
    }
    std::erase_if(copies_, [&](const Copy& c) { return plugin->TrackIndexOf(c.track) < 0; });
}

} // namespace pianoroll
