// Compact records of many single-event edits in one transaction: runs of flag writes, of whole
// values of plain events and of their deletions, each applied, undone, redone and reported in the
// order made.
#include <bit>
#include <cstring>

#include "model/store.h"

namespace host {

namespace {

bool PlainEvent(const EventValue& v) {
    constexpr std::uint8_t kNoHostData[sizeof v.hostData] = {};
    return !IsVariableKind(v.kind) && v.port <= Store::kSlotPortLimit && v.hostWord == 0 && v.sourceWord == 0 && v.reserved == 0 &&
           std::memcmp(v.hostData, kNoHostData, sizeof kNoHostData) == 0;
}

} // namespace

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
    const EventSlot& before = *EventSlotOf(id);
    if (before.time != after.time || before.block != after.block || before.length != after.length ||
        std::memcmp(before.data, after.data, sizeof after.data) != 0 || before.port != after.port ||
        before.channel != after.channel || before.kindBit != after.kindBit)
        structural_ = true;
    SlotRun* run = openChanges_.empty() ? nullptr : std::get_if<SlotRun>(&openChanges_.back().after);
    if (!run) {
        auto edits = NewRecordList<SlotEdit>();
        openChanges_.push_back(Change{mp::LEVEL_EVENT, false, 0, SlotRun{edits, false}, SlotRun{edits, true}});
        run = &std::get<SlotRun>(openChanges_.back().after);
    }
    const SlotEdit edit{id, before, after};
    PutSlot(id, after);
    const std::uint32_t flags = mp::NCF_MODIFIED | (edit.before.time != after.time ? mp::NCF_POSITION_MOVED : 0u);
    const mp::EventKey key = KeyIn(after.block, id);
    PushNotification(mp::NID_DATA_CHANGED, flags, 0, mp::LEVEL_EVENT, key, key);
    run->edits->PushBack(edit);
}

bool Store::ReadPlain(std::uint32_t id, PlainValue* out) const {
    const EventSlot* s = EventSlotOf(id);
    if (!s || !s->block || s->hasExtras || IsVariableKind(1u << s->kindBit)) return false;
    *out = PlainValue{s->time, 1u << s->kindBit, s->flags, s->length, s->port, s->channel, {}};
    std::memcpy(out->data, s->data, sizeof out->data);
    return true;
}

void Store::WritePlain(std::uint32_t id, const PlainValue& v) {
    EventSlot s = *EventSlotOf(id);
    s.time = v.time;
    s.flags = v.flags;
    s.length = v.length;
    std::memcpy(s.data, v.data, sizeof s.data);
    s.port = static_cast<std::uint8_t>(v.port);
    s.channel = static_cast<std::int8_t>(v.channel);
    s.kindBit = static_cast<std::uint8_t>(std::countr_zero(v.kind));
    if (std::memcmp(&s, EventSlotOf(id), sizeof s) == 0) return;
    if (!openChanges_.empty() && openChanges_.back().replaceFirst) {
        // Between the halves of a replacement the change is told as part of it.
        EventValue whole = ReadEventValue(id);
        whole.time = v.time;
        whole.kind = v.kind;
        whole.flags = v.flags;
        whole.length = v.length;
        whole.port = v.port;
        whole.channel = v.channel;
        std::memcpy(whole.data, v.data, sizeof whole.data);
        SetEvent(id, whole);
        return;
    }
    RecordSlot(id, s);
}

mp::EventKey Store::KeyIn(std::uint32_t block, std::uint32_t id) const {
    const BlockSlot* slot = BlockSlotOf(block);
    return mp::EventKey{slot ? slot->value.track : 0, block, id};
}

void Store::PutSlot(std::uint32_t id, const EventSlot& value) {
    EventSlot* s = EventSlotOf(id);
    if (!s || !s->block) return;
    if (s->block != value.block || s->time != value.time) NoteIndexChange(id);
    const std::uint8_t indexState = s->indexState;
    *s = value;
    s->indexState = indexState;
}

void Store::ApplySlotRun(const SlotRun& run) {
    run.edits->ForEach(run.after, [&](const SlotEdit& e) { PutSlot(e.id, run.after ? e.after : e.before); });
}

void Store::NotifySlotRun(const SlotRun& run) {
    run.edits->ForEach(run.after, [&](const SlotEdit& e) {
        const EventSlot& to = run.after ? e.after : e.before;
        const mp::EventKey key = KeyIn(to.block, e.id);
        const std::uint32_t flags = mp::NCF_MODIFIED | (e.before.time != e.after.time ? mp::NCF_POSITION_MOVED : 0u);
        PushNotification(mp::NID_DATA_CHANGED, flags, 0, mp::LEVEL_EVENT, key, key);
    });
}

bool Store::RecordDeleteEdit(std::uint32_t id) {
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
    NoteIndexChange(id);
    s.block = 0;
    --liveEvents_;
    const mp::EventKey key = KeyIn(edit.block, id);
    PushNotification(mp::NID_DATA_CHANGED, mp::NCF_DELETED, 0, mp::LEVEL_EVENT, key, key);
    return true;
}

// Deleting goes forward in the order made; bringing back goes backward.
void Store::ApplyDeleteRun(const DeleteRun& run) {
    run.edits->ForEach(run.after, [&](const DeleteEdit& e) {
        EventSlot* s = EventSlotOf(e.id);
        if (!s || (s->block != 0) != run.after) return;
        NoteIndexChange(e.id);
        if (run.after) {
            s->block = 0;
            --liveEvents_;
        } else {
            s->block = e.block;
            ++liveEvents_;
        }
    });
}

void Store::NotifyDeleteRun(const DeleteRun& run) {
    const std::uint32_t flags = run.after ? mp::NCF_DELETED : mp::NCF_INSERTED;
    run.edits->ForEach(run.after, [&](const DeleteEdit& e) {
        const mp::EventKey key = KeyIn(e.block, e.id);
        PushNotification(mp::NID_DATA_CHANGED, flags, 0, mp::LEVEL_EVENT, key, key);
    });
}

void Store::DropOpenChanges() { openChanges_.clear(); }

// Forward in the order made, backward in reverse order, so that an event changed twice ends right.
void Store::ApplyFlagRun(const FlagRun& run) {
    run.edits->ForEach(run.after, [&](const FlagEdit& e) {
        if (EventSlot* s = EventSlotOf(e.id); s && s->block) s->flags = run.after ? e.after : e.before;
    });
}

void Store::NotifyFlagRun(const FlagRun& run) {
    run.edits->ForEach(run.after, [&](const FlagEdit& e) {
        const EventSlot* s = EventSlotOf(e.id);
        if (!s || !s->block) return;
        const mp::EventKey key = KeyIn(s->block, e.id);
        PushNotification(mp::NID_DATA_CHANGED, mp::NCF_MODIFIED, 0, mp::LEVEL_EVENT, key, key);
    });
}

void Store::NoteFlagRunTimeBase(const FlagRun& run) {
    bool any = false;
    run.edits->ForEach(true, [&](const FlagEdit& e) { any = any || TimeBaseEvent(e.id); });
    if (any) timeBaseDirty_ = timeBaseTouched_ = true;
}

} // namespace host
