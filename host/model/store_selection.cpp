// Selecting or deselecting many events at once: one compact change, and one notification for each
// block whose events changed instead of one per event, so that selecting a whole track costs a pass
// over its events and not a record and a report for each of them. Also the flags of single events, and
// of listed ones under one hold of the host's lock, each reported and recorded as a single write.
#include <algorithm>
#include <optional>

#include "model/store.h"
#include "store_scope.h"

namespace host {

namespace {
// Selected events a block names one by one before a clear falls back to a pass over all of its events.
constexpr std::size_t kFewSelected = 4096;
} // namespace

void Store::TallySelected(std::uint32_t block, std::uint32_t flags, int by, std::uint32_t id) noexcept {
    if (!(flags & mp::MEF_SELECTED)) return;
    BlockSlot* b = BlockSlotOf(block);
    if (!b) return;
    b->selected += static_cast<std::uint32_t>(by);
    if (b->selected == 0) {
        b->selectedIds.clear();
        b->manySelected = false;
    } else if (by > 0 && !b->manySelected) {
        bool kept = b->selectedIds.size() < kFewSelected;
        try {
            if (kept) b->selectedIds.push_back(id);
        } catch (...) {
            kept = false;
        }
        if (kept) return;
        b->manySelected = true; // a clear passes over the whole block
        std::vector<std::uint32_t>().swap(b->selectedIds);
    }
}

win::HRESULT Store::SelectEvents(const mp::EventKey& scopeKey, std::uint32_t kinds, bool select) {
    std::vector<std::uint32_t> blocks;
    if (scopeKey.block) {
        if (!BlockAlive(scopeKey.block) || (scopeKey.track && BlockSlotOf(scopeKey.block)->value.track != scopeKey.track))
            return win::E_INVALIDARG;
        blocks.push_back(scopeKey.block);
    } else if (scopeKey.track) {
        if (!TrackAlive(scopeKey.track)) return win::E_INVALIDARG;
        blocks = TrackSlotOf(scopeKey.track)->blocks;
    } else {
        for (std::uint32_t t : trackOrder_)
            for (std::uint32_t b : TrackSlotOf(t)->blocks) blocks.push_back(b);
    }
    // One pass over the events: each that changes takes its flag at once, and each block with a change
    // is reported as its pass ends, as ApplySelection and NotifySelection would after a pass of their own.
    auto changed = std::make_shared<std::vector<std::uint32_t>>();
    std::size_t most = 0;
    for (std::uint32_t b : blocks) most += EventsOf(b).size();
    std::vector<std::uint32_t> few;
    for (std::uint32_t b : blocks) {
        const std::size_t before = changed->size();
        const BlockSlot& slot = *BlockSlotOf(b);
        if (!select && !slot.selected) continue; // nothing of it to clear
        // A clear of a few selected events visits only them, in the block's order.
        const bool fewOnly = !select && !slot.manySelected;
        if (fewOnly) {
            few.clear();
            for (std::uint32_t id : slot.selectedIds)
                if (const EventSlot* s = EventSlotOf(id); s && s->block == b && (s->flags & mp::MEF_SELECTED)) few.push_back(id);
            std::sort(few.begin(), few.end(), [this](std::uint32_t x, std::uint32_t y) { return EventBefore(x, y); });
            few.erase(std::unique(few.begin(), few.end()), few.end());
        }
        for (std::uint32_t e : fewOnly ? few : EventsOf(b)) {
            EventSlot& s = events_[e - eventBase_];
            if (!((1u << s.kindBit) & kinds) || ((s.flags & mp::MEF_SELECTED) != 0) == select) continue;
            if (changed->empty()) {
                // Room for every event first: nothing is changed until no allocation can fail.
                changed->reserve(most);
                // Outside a transaction the change is an edit of its own, as every other single edit is.
                if (depth_ == 0) {
                    BeginTransaction(mp::TRANSACTION_EDIT, u"");
                    implicit_ = true;
                }
            }
            changed->push_back(e);
            TallySelected(s.block, s.flags, -1, e);
            s.flags = select ? (s.flags | mp::MEF_SELECTED) : (s.flags & ~mp::MEF_SELECTED);
            TallySelected(s.block, s.flags, +1, e);
        }
        if (changed->size() == before) continue;
        const mp::EventKey key{BlockSlotOf(b)->value.track, b, 0};
        PushNotification(mp::NID_DATA_CHANGED, mp::NCF_MODIFIED, 0, mp::LEVEL_BLOCK, key, key);
    }
    if (changed->empty()) return win::S_OK;
    const SelectionValue after{changed, select};
    // Selection alone is no structural change: an edit of nothing else leaves no undo step.
    openChanges_.push_back(Change{mp::LEVEL_EVENT, false, 0, SelectionValue{changed, !select}, after});
    Finish();
    return win::S_OK;
}

void Store::ApplySelection(const SelectionValue& v) {
    for (std::uint32_t id : *v.events) {
        EventSlot* s = EventSlotOf(id);
        if (!s || !s->block) continue;
        TallySelected(s->block, s->flags, -1, id);
        s->flags = v.selected ? (s->flags | mp::MEF_SELECTED) : (s->flags & ~mp::MEF_SELECTED);
        TallySelected(s->block, s->flags, +1, id);
    }
}

void Store::NotifySelection(const SelectionValue& v) {
    std::uint32_t last = 0;
    for (std::uint32_t id : *v.events) {
        const EventSlot* s = EventSlotOf(id);
        if (!s || !s->block || s->block == last) continue;
        last = s->block;
        const mp::EventKey key{BlockSlotOf(last)->value.track, last, 0};
        PushNotification(mp::NID_DATA_CHANGED, mp::NCF_MODIFIED, 0, mp::LEVEL_BLOCK, key, key);
    }
}

win::HRESULT Store::SetEventFlags(std::uint32_t id, std::uint32_t flags) {
    if (!EventAlive(id)) return win::E_INVALIDARG;
    if (EventSlotOf(id)->flags == flags) return win::S_OK;
    Scope scope(*this);
    WriteEventFlags(KeyOfEvent(id), flags);
    return win::S_OK;
}

void Store::WriteEventFlags(const mp::EventKey& key, std::uint32_t flags) {
    const std::uint32_t id = key.event;
    EventSlot* slot = EventSlotOf(id);
    if (!openChanges_.empty() && openChanges_.back().replaceFirst) {
        // Between the halves of a replacement the change is told as part of it.
        EventValue cur = ReadEventValue(id);
        EventValue next = cur;
        next.flags = flags;
        Record(Change{mp::LEVEL_EVENT, false, id, std::move(cur), std::move(next)});
        return;
    }
    // The slot keeps its place: the change is no structural one, and one modification is told.
    const FlagEdit edit{id, slot->flags, flags};
    TallySelected(slot->block, slot->flags, -1, id);
    slot->flags = flags;
    TallySelected(slot->block, slot->flags, +1, id);
    if ((1u << slot->kindBit) == mp::MEK_META && TimeBaseEvent(id)) timeBaseDirty_ = timeBaseTouched_ = true;
    PushNotification(mp::NID_DATA_CHANGED, mp::NCF_MODIFIED, 0, mp::LEVEL_EVENT, key, key);
    RecordFlagEdit(edit);
}

std::uint32_t Store::SelectListed(const mp::MPSelectListEntry* entries, std::uint32_t count, bool select,
                                  mp::EventKey* changed) {
    std::uint32_t written = 0;
    std::optional<Scope> scope;
    mp::EventKey key{0, 0, 0}; // the block's track is looked up once per run of its events
    for (std::uint32_t i = 0; i < count; ++i) {
        const mp::MPSelectListEntry& e = entries[i];
        const EventSlot* s = EventSlotOf(e.key.event);
        if (!s || !s->block || (e.key.block && e.key.block != s->block)) continue;
        if (s->block != key.block) key = KeyIn(s->block, 0);
        key.event = e.key.event;
        if (e.key.track && e.key.track != key.track) continue;
        const int value = IsVariableKind(1u << s->kindBit) ? 0 : s->data[0];
        if (value < e.low || value > e.high || ((s->flags & mp::MEF_SELECTED) != 0) == select) continue;
        // The first change opens the edit, as the first single write would.
        if (!scope) scope.emplace(*this);
        WriteEventFlags(key, select ? (s->flags | mp::MEF_SELECTED) : (s->flags & ~mp::MEF_SELECTED));
        if (changed) changed[written] = key;
        ++written;
    }
    return written;
}

} // namespace host
