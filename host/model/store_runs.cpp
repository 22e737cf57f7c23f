// Compact records of many single-event edits in one transaction: runs of flag writes, of whole
// values of plain events and of their deletions, each applied, undone, redone and reported in the
// order made.
#include <bit>
#include <cstring>

#include "model/store.h"
#include "store_scope.h"

namespace host {

namespace {

bool PlainEvent(const EventValue& v) {
    constexpr std::uint8_t kNoHostData[sizeof v.hostData] = {};
    return !IsVariableKind(v.kind) && v.port <= Store::kSlotPortLimit && v.hostWord == 0 && v.sourceWord == 0 && v.reserved == 0 &&
           std::memcmp(v.hostData, kNoHostData, sizeof kNoHostData) == 0;
}

// Whether the write leaves a plain event plain: ticks, a fixed-length kind, a port its slot holds and
// no host words.
bool KeepsPlain(const mp::MidiEventRecord& r, std::uint32_t mask) {
    constexpr std::uint8_t kNoHostData[sizeof r.hostData] = {};
    if ((mask & mp::CHANGE_TIME) && r.timeFormat != 0 && r.timeFormat != mp::TIME_FORMAT_TICKS) return false;
    if ((mask & mp::CHANGE_KIND) && IsVariableKind(r.kind)) return false;
    if ((mask & mp::CHANGE_PORT) && r.port > Store::kSlotPortLimit) return false;
    return !(mask & mp::CHANGE_HOST_WORDS) || (r.hostWord == 0 && r.sourceWord == 0 && r.reserved == 0 &&
                                               std::memcmp(r.hostData, kNoHostData, sizeof kNoHostData) == 0);
}

} // namespace

// The fields of r named by mask onto a plain value, as Set applies them to a whole one.
void Store::MergePlain(const mp::MidiEventRecord& r, std::uint32_t mask, PlainValue& v) {
    if (mask & mp::CHANGE_TIME) v.time = r.time;
    if (mask & mp::CHANGE_KIND) v.kind = r.kind;
    if (mask & mp::CHANGE_LENGTH) v.length = r.length;
    if (mask & mp::CHANGE_DATA) std::memcpy(v.data, r.data, sizeof v.data);
    if (mask & mp::CHANGE_CHANNEL) v.channel = r.channel;
    if (mask & mp::CHANGE_PORT) v.port = r.port;
    if (mask & mp::CHANGE_FLAGS) v.flags = r.flags;
}

// Whether an edit changes more than the selection and the slot's own marks: a change of the song.
bool Store::ChangesSong(const EventSlot& before, const EventSlot& after) noexcept {
    return before.time != after.time || before.block != after.block || before.length != after.length ||
           std::memcmp(before.data, after.data, sizeof after.data) != 0 || before.port != after.port ||
           before.channel != after.channel || before.kindBit != after.kindBit;
}

void Store::RecordFlagEdit(const FlagEdit& edit) {
    FlagRun* run = openChanges_.empty() ? nullptr : std::get_if<FlagRun>(&openChanges_.back().after);
    if (!run) {
        auto edits = NewRecordList<FlagEdit>();
        openChanges_.push_back(Change{mp::LEVEL_EVENT, false, 0, FlagRun{edits, false}, FlagRun{edits, true}});
        run = &std::get<FlagRun>(openChanges_.back().after);
    }
    run->edits->PushBack(edit);
}

bool Store::RecordSlotEdit(std::uint32_t id, const EventValue& before, const EventValue& after) {
    if (!PlainEvent(before) || !PlainEvent(after)) return false;
    if (!openChanges_.empty() && openChanges_.back().replaceFirst) return false;
    EventSlot s = *EventSlotOf(id);
    s.time = after.time;
    s.block = after.block;
    s.flags = after.flags;
    s.length = after.length;
    std::memcpy(s.data, after.data, sizeof s.data);
    s.port = static_cast<std::uint8_t>(after.port);
    s.kindBit = static_cast<std::uint8_t>(std::countr_zero(after.kind));
    s.channel = static_cast<std::int8_t>(after.channel);
    s.hasExtras = 0;
    RecordSlot(id, s);
    return true;
}

void Store::RecordSlot(std::uint32_t id, const EventSlot& after) {
    SlotRun* run = openChanges_.empty() ? nullptr : std::get_if<SlotRun>(&openChanges_.back().after);
    if (!run) {
        auto edits = NewRecordList<SlotEdit>();
        openChanges_.push_back(Change{mp::LEVEL_EVENT, false, 0, SlotRun{edits, false}, SlotRun{edits, true}});
        run = &std::get<SlotRun>(openChanges_.back().after);
    }
    SlotEdit& edit = run->edits->Append();
    edit.id = id;
    edit.leftFlags = EventSlotOf(id)->flags;
    edit.other = after;
    LastReport last;
    if (SwapSlot(edit, last)) structural_ = true;
}

Store::PlainWrite Store::StagePlain(const mp::MPEventWrite& w) {
    const std::uint32_t mask = w.mask & mp::CHANGE_ALL;
    EventSlot* slot = EventSlotOf(w.key.event);
    if (mask == mp::CHANGE_FLAGS || !slot || !slot->block || slot->hasExtras || IsVariableKind(1u << slot->kindBit) ||
        !KeepsPlain(w.record, mask))
        return PlainWrite::NotPlain;
    const EventSlot& s = *slot;
    if ((w.key.block && w.key.block != s.block) || (w.key.track && w.key.track != BlockSlotOf(s.block)->value.track))
        return PlainWrite::Refused;
    PlainValue v{s.time, 1u << s.kindBit, s.flags, s.length, s.port, s.channel, {}};
    std::memcpy(v.data, s.data, sizeof v.data);
    MergePlain(w.record, mask, v);
    if (!ValidPlain(s.block, v)) return PlainWrite::Refused;
    // Field by field, and the new slot written where the record stands: comparing or copying a
    // slot just assembled field by field would wait on those small stores for every write.
    if (v.time == s.time && v.kind == 1u << s.kindBit && v.flags == s.flags && v.length == s.length && v.port == s.port &&
        v.channel == s.channel && std::memcmp(v.data, s.data, sizeof v.data) == 0)
        return PlainWrite::Unchanged;
    if (!staged_) staged_ = NewRecordList<SlotEdit>();
    SlotEdit& edit = staged_->Append();
    edit.id = w.key.event;
    edit.leftFlags = s.flags;
    EventSlot& after = edit.other;
    after = s;
    after.time = v.time;
    after.flags = v.flags;
    after.length = v.length;
    std::memcpy(after.data, v.data, sizeof after.data);
    after.port = static_cast<std::uint8_t>(v.port);
    after.channel = static_cast<std::int8_t>(v.channel);
    // The kind shares its byte with marks just copied: rewriting that byte waits on the copy, and
    // a kind seldom changes.
    if (const auto kindBit = static_cast<std::uint8_t>(std::countr_zero(v.kind)); kindBit != s.kindBit)
        after.kindBit = kindBit;
    return PlainWrite::Staged;
}

void Store::ApplyStaged(std::size_t count) {
    if (!staged_ || count == 0) return;
    if (stagedApplied_ > 0 || count < staged_->Size()) {
        // Between other writes: one by one, into the open run as a single write would go.
        for (; count > 0 && stagedApplied_ < staged_->Size(); --count, ++stagedApplied_) {
            const SlotEdit& e = (*staged_)[stagedApplied_];
            RecordSlot(e.id, e.other);
        }
        if (stagedApplied_ == staged_->Size()) DropStaged();
        return;
    }
    // The whole stage: its records become the run as they stand, with no copy.
    LastReport last;
    bool song = false;
    staged_->ForEachToChange(true, [&](SlotEdit& e) { song = SwapSlot(e, last) || song; });
    if (song) structural_ = true;
    openChanges_.push_back(Change{mp::LEVEL_EVENT, false, 0, SlotRun{staged_, false}, SlotRun{staged_, true}});
    staged_.reset();
}

void Store::DropStaged() noexcept {
    staged_.reset();
    stagedApplied_ = 0;
}

mp::EventKey Store::KeyIn(std::uint32_t block, std::uint32_t id) const {
    const BlockSlot* slot = BlockSlotOf(block);
    return mp::EventKey{slot ? slot->value.track : 0, block, id};
}

bool Store::SwapSlot(SlotEdit& e, LastReport& last) {
    EventSlot* s = EventSlotOf(e.id);
    const std::uint32_t block = e.other.block;
    std::uint32_t flags = mp::NCF_MODIFIED;
    bool song = false;
    // A run is replayed only over the live events it was made on; a gone one is left alone.
    if (s && s->block) {
        const EventSlot was = *s;
        song = ChangesSong(was, e.other);
        if (was.time != e.other.time) flags |= mp::NCF_POSITION_MOVED;
        if (was.block != block || was.time != e.other.time) NoteIndexChange(e.id);
        const std::uint8_t indexState = s->indexState; // as NoteIndexChange left it
        const std::uint32_t putFlags = e.other.flags;
        TallySelected(was.block, was.flags, -1, e.id);
        TallySelected(e.other.block, e.other.flags, +1, e.id);
        *s = e.other;
        s->indexState = indexState;
        e.other = was;
        e.other.flags = e.leftFlags;
        e.leftFlags = putFlags;
    }
    PushEventChange(flags, block, e.id, last);
    return song;
}

// Forward in the order made, backward in reverse order, so that an event changed twice ends right.
void Store::ApplySlotRun(const SlotRun& run) {
    LastReport last;
    run.edits->ForEachToChange(run.after, [&](SlotEdit& e) { SwapSlot(e, last); });
}

void Store::PushEventChange(std::uint32_t flags, std::uint32_t block, std::uint32_t id, LastReport& last) {
    if (flags == last.flags && block == last.block) return pending_.PushNext(id);
    last = {flags, block};
    const mp::EventKey key = KeyIn(block, id);
    PushNotification(mp::NID_DATA_CHANGED, flags, 0, mp::LEVEL_EVENT, key, key);
}

bool Store::RecordDeleteEdit(std::uint32_t id, LastReport& last, std::vector<std::uint32_t>* blocks) {
    EventSlot& s = *EventSlotOf(id);
    if (s.hasExtras || IsVariableKind(1u << s.kindBit)) return false;
    if (!openChanges_.empty() && openChanges_.back().replaceFirst) return false;
    DeleteRun* run = openChanges_.empty() ? nullptr : std::get_if<DeleteRun>(&openChanges_.back().after);
    if (!run) {
        auto edits = NewRecordList<DeleteEdit>();
        openChanges_.push_back(Change{mp::LEVEL_EVENT, false, 0, DeleteRun{edits, false}, DeleteRun{edits, true}});
        run = &std::get<DeleteRun>(openChanges_.back().after);
    }
    structural_ = true;
    const DeleteEdit edit{id, s.block};
    run->edits->PushBack(edit);
    if (!blocks) NoteIndexChange(id);
    else if (blocks->empty() || blocks->back() != edit.block) blocks->push_back(edit.block); // a copy: the slot is packed
    TallySelected(s.block, s.flags, -1, id);
    s.block = 0;
    --liveEvents_;
    PushEventChange(mp::NCF_DELETED, edit.block, id, last);
    return true;
}

win::HRESULT Store::DeleteEvents(std::span<const mp::EventKey> keys) {
    for (const mp::EventKey& k : keys) {
        const mp::EventKey at = KeyOfEvent(k.event);
        if (!at.event || (k.block && k.block != at.block) || (k.track && k.track != at.track)) return win::E_INVALIDARG;
    }
    // A key named twice is refused: found by a bit per id for many keys, by sorting a few (a bit per id
    // of a huge song would cost more than deleting them).
    if (keys.size() <= 256 || keys.size() * 64 < EventIdEnd()) {
        std::vector<std::uint32_t> ids(keys.size());
        std::transform(keys.begin(), keys.end(), ids.begin(), [](const mp::EventKey& k) { return k.event; });
        std::sort(ids.begin(), ids.end());
        if (std::adjacent_find(ids.begin(), ids.end()) != ids.end()) return win::E_INVALIDARG;
    } else {
        std::vector<bool> seen(EventIdEnd());
        for (const mp::EventKey& k : keys) {
            if (seen[k.event]) return win::E_INVALIDARG;
            seen[k.event] = true;
        }
    }
    if (keys.empty()) return win::S_OK;
    Scope scope(*this);
    // A few deletes are noted one by one as single ones are; more are taken out of each block's
    // index in one pass.
    constexpr std::size_t kFewDeletes = 16;
    std::vector<std::uint32_t> blocks;
    std::vector<std::uint32_t>* fold = keys.size() > kFewDeletes ? &blocks : nullptr;
    pending_.ReserveNext(keys.size());
    LastReport last;
    for (const mp::EventKey& k : keys) {
        if (RecordDeleteEdit(k.event, last, fold)) continue;
        Record(Change{mp::LEVEL_EVENT, false, k.event, ReadEventValue(k.event), std::monostate{}});
        last = LastReport{};
    }
    if (fold) DropDeleted(blocks, keys);
    return win::S_OK;
}

// Deleting goes forward in the order made; bringing back goes backward.
void Store::ApplyDeleteRun(const DeleteRun& run) {
    run.edits->ForEach(run.after, [&](const DeleteEdit& e) {
        EventSlot* s = EventSlotOf(e.id);
        if (!s || (s->block != 0) != run.after) return;
        NoteIndexChange(e.id);
        if (run.after) {
            TallySelected(s->block, s->flags, -1, e.id);
            s->block = 0;
            --liveEvents_;
        } else {
            s->block = e.block;
            TallySelected(s->block, s->flags, +1, e.id);
            ++liveEvents_;
        }
    });
}

void Store::NotifyDeleteRun(const DeleteRun& run) {
    const std::uint32_t flags = run.after ? mp::NCF_DELETED : mp::NCF_INSERTED;
    LastReport last;
    run.edits->ForEach(run.after, [&](const DeleteEdit& e) { PushEventChange(flags, e.block, e.id, last); });
}

void Store::DropOpenChanges() { openChanges_.clear(); }

// Forward in the order made, backward in reverse order, so that an event changed twice ends right.
void Store::ApplyFlagRun(const FlagRun& run) {
    run.edits->ForEach(run.after, [&](const FlagEdit& e) {
        if (EventSlot* s = EventSlotOf(e.id); s && s->block) {
            TallySelected(s->block, s->flags, -1, e.id);
            s->flags = run.after ? e.after : e.before;
            TallySelected(s->block, s->flags, +1, e.id);
        }
    });
}

void Store::NotifyFlagRun(const FlagRun& run) {
    LastReport last;
    run.edits->ForEach(run.after, [&](const FlagEdit& e) {
        if (const EventSlot* s = EventSlotOf(e.id); s && s->block) PushEventChange(mp::NCF_MODIFIED, s->block, e.id, last);
    });
}

void Store::NoteFlagRunTimeBase(const FlagRun& run) {
    bool any = false;
    run.edits->ForEach(true, [&](const FlagEdit& e) { any = any || TimeBaseEvent(e.id); });
    if (any) timeBaseDirty_ = timeBaseTouched_ = true;
}

} // namespace host
