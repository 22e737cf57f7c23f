// TrackAccess, walking many events at once: the listed events of a range and the queued notes, each
// walk under one read transaction, with the offsets read once and each block's start asked once.
#include <algorithm>
#include <cstring>
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
        if (!known_.empty() && known_.back().track == key.track && known_.back().block == key.block)
            return known_.back().start; // most walks stay in one block for long runs
        for (Known& k : known_)
            if (k.track == key.track && k.block == key.block) {
                std::swap(k, known_.back());
                return known_.back().start;
            }
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

// The host's records of listed events, read a page at a time from each block the walk meets, for a
// walk in list order over many events: a block's listed events come in its time order, so each
// block's page only moves forward. An event it cannot match (the list not yet caught up, a long run
// of events at one tick across a page's end) is read alone.
class BlockPages {
public:
    explicit BlockPages(COPTPlugin& plugin) : plugin_(plugin) {}
    const MPBlockEvent* Find(const EventEntry& e, std::int64_t blockStart) {
        Cursor* c = CursorOf(e.key.block);
        if (!c) return nullptr;
        const std::int64_t time = e.start - blockStart;
        for (;;) {
            while (c->at < c->page.size() && c->page[c->at].time < time) ++c->at;
            if (c->at < c->page.size() || !c->more) break;
            if (!Fetch(*c, c->first + static_cast<std::uint32_t>(c->page.size()))) return nullptr;
        }
        const std::size_t end = std::min(c->page.size(), c->at + kTieSearch);
        for (std::size_t j = c->at; j < end && c->page[j].time == time; ++j)
            if (c->page[j].event == e.key.event) return &c->page[j];
        return nullptr;
    }

private:
    static constexpr std::size_t kTieSearch = 64;
    static constexpr std::size_t kMostBlocks = 64;
    struct Cursor {
        std::uint32_t block = 0, first = 0, count = 0;
        std::vector<MPBlockEvent> page;
        std::size_t at = 0;
        bool more = false, broken = false;
    };
    Cursor* CursorOf(std::uint32_t block) {
        if (last_ && last_->block == block) return last_->broken ? nullptr : last_;
        last_ = nullptr;
        for (Cursor& c : cursors_)
            if (c.block == block) {
                last_ = &c;
                return c.broken ? nullptr : &c;
            }
        if (cursors_.size() >= kMostBlocks) return nullptr;
        cursors_.push_back(Cursor{});
        Cursor& c = cursors_.back();
        c.block = block;
        last_ = &c;
        return Fetch(c, 0) ? &c : nullptr;
    }
    bool Fetch(Cursor& c, std::uint32_t first) {
        std::uint32_t count = 0;
        const HRESULT hr = plugin_.ReadBlockPage(c.block, first, c.page, &count);
        // A block that changes between its pages is read event by event from there on.
        if (FAILED(hr) || (first > 0 && count != c.count)) {
            c.broken = true;
            c.page.clear();
            return false;
        }
        c.first = first;
        c.count = count;
        c.at = 0;
        c.more = hr == S_FALSE;
        return true;
    }
    COPTPlugin& plugin_;
    std::vector<Cursor> cursors_;
    Cursor* last_ = nullptr; // the cursor of the last Find: set again whenever cursors_ grows
};

// Walks shorter than this read each event alone.
constexpr std::size_t kBulkWalk = 4096;

// Fills the record in place: a record returned whole and copied would reload its narrow stores wide,
// a stall for every event of a long walk.
void FillRecord(MidiEventRecord& r, const MPBlockEvent& e) {
    r.kind = e.kind;
    r.flags = e.flags;
    r.channel = e.channel;
    r.time = e.time;
    r.timeFormat = TIME_FORMAT_TICKS;
    r.length = e.length;
    std::memcpy(r.data, e.data, 4);
}

} // namespace

void TrackAccess::ForEachMaybeSelected(std::uint32_t kinds, const EventVisitor& visit, bool fieldsOnly) {
    Walk(-1, 0, kinds, nullptr, visit, fieldsOnly, true);
}

void TrackAccess::Walk(std::int64_t start, std::int64_t length, std::uint32_t kinds, const EventFilter& skip,
                       const EventVisitor& visit, bool fieldsOnly, bool selectedOnly) {
    if (!Prepare()) return;
    // A few selected notes of a huge track then cost no read of every other one.
    selectedOnly = selectedOnly && plugin_->EntryFlagsCurrent();
    IMPMidiData* data = plugin_->MidiData();
    const std::uint32_t wanted = kinds & plugin_->KindFilter();
    const TrackOffsets offsets = Offsets();
    const bool all = start == -1;
    std::size_t i = all ? 0 : plugin_->FirstReaching(start);
    const EntryList& list = plugin_->EventList();
    std::size_t upTo = all ? list.size() : plugin_->FirstStartingAt(start + length + 1);
    if (selectedOnly) {
        const auto [first, end] = plugin_->SelectedStretch();
        i = std::max(i, first);
        upTo = std::min(upTo, end);
    }
    // Many events are read a page at a time, when the pages before the range cost no more than it.
    const bool bulk = fieldsOnly && upTo > i && upTo - i >= kBulkWalk && i <= upTo - i;
    if (FAILED(plugin_->BeginRead())) return;
    BlockStarts blocks(*this);
    BlockPages pages(*plugin_);
    for (; i < upTo; ++i) {
        const EventEntry e = list[i];
        if (!(e.kind & wanted)) continue;
        if (!all && e.start < start && !(e.kind == MEK_NOTE && e.end >= start)) continue;
        if (skip && skip(e.key)) continue;
        if (selectedOnly && !plugin_->EntrySelected(e)) continue;
        WalkedEvent walked{e.key, MidiEventRecord{}, e.start, blocks.Of(e.key)};
        const MPBlockEvent* packed = bulk ? pages.Find(e, walked.blockStart) : nullptr;
        if (packed) FillRecord(walked.record, *packed);
        else if (data->Get(&e.key, LEVEL_EVENT, &walked.record, 0) != S_OK) continue; // gone: the list catches up
        if (offsets.pitch || offsets.velocity) ApplyOffsets(walked.record, offsets);
        visit(walked);
        FreeEventData(walked.record);
    }
    plugin_->EndTransaction(false);
}

void TrackAccess::ForEachQueuedNote(const EventVisitor& visit, std::int64_t from, std::int64_t to) {
    IMPMidiData* data = plugin_ ? plugin_->MidiData() : nullptr;
    if (!data || !plugin_->Queues().ModifyCount()) return;
    EditQueues& queues = plugin_->Queues();
    const TrackOffsets offsets = Offsets();
    if (FAILED(plugin_->BeginRead())) return;
    BlockStarts blocks(*this);
    // A drag queues every note it moves; a paint wants the few its rows show, told by their times.
    const auto outside = [&](const MidiEventRecord& r, std::int64_t start) {
        return start > to || start + std::max<std::int64_t>(r.length, 1) < from;
    };
    const bool deletes = !queues.Deletes().empty();
    for (const QueuedModify& m : queues.Modifies()) {
        if (m.record.kind != MEK_NOTE) continue;
        const std::int64_t blockStart = blocks.Of(m.key);
        // Told apart before the record is copied: most of a long queue lies outside a paint's window.
        if (m.mask != CHANGE_FLAGS && outside(m.record, blockStart + m.record.time)) continue;
        if (deletes && queues.IsDeleteQueued(m.key)) continue;
        WalkedEvent walked{m.key, m.record, 0, blockStart};
        if (m.mask == CHANGE_FLAGS) {
            // Only the selection changes: the host's record with the queued flags.
            if (data->Get(&m.key, LEVEL_EVENT, &walked.record, 0) != S_OK) continue;
            FreeEventData(walked.record);
            ApplyOffsets(walked.record, offsets);
            walked.record.flags = m.record.flags;
        }
        walked.start = walked.blockStart + walked.record.time;
        if (m.mask == CHANGE_FLAGS && outside(walked.record, walked.start)) continue;
        visit(walked);
    }
    plugin_->EndTransaction(false);
}

} // namespace mp
