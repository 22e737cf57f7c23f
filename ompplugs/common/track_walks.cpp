// TrackAccess, walking many events at once: the listed events of a range and the queued notes, each
// walk under one read transaction, with the offsets read once and each block's start asked once.
#include <vector>

#include "mp/plugin.h"
#include "mp/track_access.h"

namespace mp {

using namespace win;

namespace {

// The starts of the blocks a walk meets; a walk meets few blocks, so a short list serves.
class BlockStarts {
public:
    explicit BlockStarts(TrackAccess& access) : access_(access) {}
    std::int64_t Of(const EventKey& key) {
        for (const Known& k : known_)
            if (k.track == key.track && k.block == key.block) return k.start;
        known_.push_back(Known{key.track, key.block, access_.BlockStart(key)});
        return known_.back().start;
    }

private:
    struct Known {
        std::uint32_t track, block;
        std::int64_t start;
    };
    TrackAccess& access_;
    std::vector<Known> known_;
};

} // namespace

void TrackAccess::ForEachEventInRange(std::int64_t start, std::int64_t length, std::uint32_t kinds,
                                      const EventFilter& skip, const EventVisitor& visit) {
    if (!Prepare()) return;
    IMPMidiData* data = plugin_->MidiData();
    const std::uint32_t wanted = kinds & plugin_->KindFilter();
    const TrackOffsets offsets = Offsets();
    const bool all = start == -1;
    std::size_t i = all ? 0 : plugin_->FirstReaching(start);
    const std::vector<EventEntry>& list = plugin_->EventList();
    if (FAILED(plugin_->BeginRead())) return;
    BlockStarts blocks(*this);
    for (; i < list.size(); ++i) {
        const EventEntry e = list[i];
        if (!all && e.start > start + length) break; // the list is in start order: nothing later matches
        if (!(e.kind & wanted)) continue;
        if (!all && e.start < start && !(e.kind == MEK_NOTE && e.end >= start)) continue;
        if (skip && skip(e.key)) continue;
        WalkedEvent walked{e.key, MidiEventRecord{}, e.start, 0};
        if (data->Get(&e.key, LEVEL_EVENT, &walked.record, 0) != S_OK) continue; // gone: the list catches up
        ApplyOffsets(walked.record, offsets);
        walked.blockStart = blocks.Of(e.key);
        visit(walked);
        FreeEventData(walked.record);
    }
    plugin_->EndTransaction(false);
}

void TrackAccess::ForEachQueuedNote(const EventVisitor& visit) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data || !plugin_->Queues().ModifyCount()) return;
    EditQueues& queues = plugin_->Queues();
    const TrackOffsets offsets = Offsets();
    if (FAILED(plugin_->BeginRead())) return;
    BlockStarts blocks(*this);
    for (const QueuedModify& m : queues.Modifies()) {
        if (m.record.kind != MEK_NOTE || queues.IsDeleteQueued(m.key)) continue;
        WalkedEvent walked{m.key, m.record, 0, blocks.Of(m.key)};
        if (m.mask == CHANGE_FLAGS) {
            // Only the selection changes: the host's record with the queued flags.
            if (data->Get(&m.key, LEVEL_EVENT, &walked.record, 0) != S_OK) continue;
            FreeEventData(walked.record);
            ApplyOffsets(walked.record, offsets);
            walked.record.flags = m.record.flags;
        }
        walked.start = walked.blockStart + walked.record.time;
        visit(walked);
    }
    plugin_->EndTransaction(false);
}

} // namespace mp
