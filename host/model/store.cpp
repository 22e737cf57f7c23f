// The project store: item storage, edits recorded as before/after values, undo and redo, notifications.
#include "model/store.h"
#include "store_scope.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace host {

namespace {

constexpr std::uint32_t kChannelKinds = 0xFFE;
constexpr std::uint8_t kMetaTempo = 0x51;
constexpr std::uint8_t kMetaTimeSignature = 0x58;
constexpr std::uint8_t kMetaKeySignature = 0x59;
constexpr std::uint8_t kMetaEndOfTrack = 0x2F;

const std::vector<std::uint32_t> kNoIds;
const std::vector<PortInfo> kNoPorts;

bool IsTimeBaseMeta(const EventValue& e) {
    return e.kind == mp::MEK_META && !e.bytes.empty() &&
           (e.bytes[0] == kMetaTempo || e.bytes[0] == kMetaTimeSignature);
}

bool IsKeyMeta(const EventValue& e) { return e.kind == mp::MEK_META && !e.bytes.empty() && e.bytes[0] == kMetaKeySignature; }

} // namespace

namespace {
// One bit set, tested without a population count (which this build would call a library routine for).
bool SingleBit(std::uint32_t kind) noexcept { return kind != 0 && (kind & (kind - 1)) == 0; }
} // namespace

bool IsVariableKind(std::uint32_t kind) noexcept { return SingleBit(kind) && (kind & mp::MEK_VARIABLE) != 0; }
bool IsChannelKind(std::uint32_t kind) noexcept { return SingleBit(kind) && (kind & kChannelKinds) != 0; }
bool IsKnownKind(std::uint32_t kind) noexcept {
    return SingleBit(kind) && (kind & mp::MEK_ALL) != 0 && kind != mp::MEK_NONE;
}

std::u16string DecodeName(const std::string& bytes) {
    std::u16string out;
    std::size_t i = 0;
    bool utf8 = true;
    while (i < bytes.size() && utf8) {
        auto c = static_cast<unsigned char>(bytes[i]);
        std::uint32_t cp = 0;
        int extra = 0;
        if (c < 0x80) cp = c;
        else if ((c & 0xE0) == 0xC0 && c >= 0xC2) cp = c & 0x1F, extra = 1;
        else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, extra = 2;
        else if ((c & 0xF8) == 0xF0 && c <= 0xF4) cp = c & 0x07, extra = 3;
        else {
            utf8 = false;
            break;
        }
        if (extra > 0 && i + extra >= bytes.size()) {
            utf8 = false;
            break;
        }
        for (int k = 1; k <= extra; ++k) {
            auto d = static_cast<unsigned char>(bytes[i + k]);
            if ((d & 0xC0) != 0x80) {
                utf8 = false;
                break;
            }
            cp = (cp << 6) | (d & 0x3F);
        }
        if (!utf8) break;
        if ((extra == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))) {
            utf8 = false;
            break;
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
        i += 1 + extra;
    }
    if (utf8) return out;
    out.clear();
    for (char c : bytes) out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    return out;
}

std::string EncodeUtf8(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;
        }
        if (cp < 0x80) {
            out.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    return out;
}

Store::Store() = default;
Store::~Store() = default;

// ---- slots -----------------------------------------------------------------------------------------

Store::TrackSlot* Store::TrackSlotOf(std::uint32_t id) noexcept {
    if (id < trackBase_ || id - trackBase_ >= tracks_.size()) return nullptr;
    return &tracks_[id - trackBase_];
}
const Store::TrackSlot* Store::TrackSlotOf(std::uint32_t id) const noexcept {
    return const_cast<Store*>(this)->TrackSlotOf(id);
}

bool Store::TrackAlive(std::uint32_t id) const noexcept {
    auto* t = TrackSlotOf(id);
    return t && t->alive;
}
const TrackValue* Store::Track(std::uint32_t id) const noexcept {
    auto* t = TrackSlotOf(id);
    return t && t->alive ? &t->value : nullptr;
}
const BlockValue* Store::Block(std::uint32_t id) const noexcept {
    auto* b = BlockSlotOf(id);
    return b && b->alive ? &b->value : nullptr;
}
EventValue Store::Event(std::uint32_t id) const { return EventAlive(id) ? ReadEventValue(id) : EventValue{}; }
std::uint32_t Store::EventKind(std::uint32_t id) const noexcept {
    auto* e = EventSlotOf(id);
    return e && e->block ? (1u << e->kindBit) : 0;
}
std::int64_t Store::EventTime(std::uint32_t id) const noexcept {
    auto* e = EventSlotOf(id);
    return e ? e->time : 0;
}
mp::EventKey Store::KeyOfEvent(std::uint32_t id) const noexcept {
    auto* e = EventSlotOf(id);
    if (!e || !e->block) return {0, 0, 0};
    return {BlockSlotOf(e->block)->value.track, e->block, id};
}
const std::vector<std::uint32_t>& Store::BlocksOf(std::uint32_t track) const {
    auto* t = TrackSlotOf(track);
    return t && t->alive ? t->blocks : kNoIds;
}
const std::vector<std::uint32_t>& Store::EventsOf(std::uint32_t block) const {
    Settle();
    auto* b = BlockSlotOf(block);
    return b && b->alive ? b->events : kNoIds;
}

bool Store::TrackBefore(std::uint32_t a, std::uint32_t b) const noexcept {
    const std::uint32_t oa = TrackSlotOf(a)->value.order, ob = TrackSlotOf(b)->value.order;
    return oa < ob || (oa == ob && a < b);
}

void Store::TrackOrderInsert(std::uint32_t id) {
    auto less = [this](std::uint32_t a, std::uint32_t b) { return TrackBefore(a, b); };
    trackOrder_.insert(std::lower_bound(trackOrder_.begin(), trackOrder_.end(), id, less), id);
}

std::size_t Store::TrackPosition(std::uint32_t id) const noexcept {
    const TrackSlot* t = TrackSlotOf(id);
    if (!t || !t->alive) return npos;
    auto less = [this](std::uint32_t a, std::uint32_t b) { return TrackBefore(a, b); };
    auto it = std::lower_bound(trackOrder_.begin(), trackOrder_.end(), id, less);
    // Tracks loaded but not yet sorted by FinishLoad may stand anywhere.
    if (it == trackOrder_.end() || *it != id) it = std::find(trackOrder_.begin(), trackOrder_.end(), id);
    return it == trackOrder_.end() ? npos : static_cast<std::size_t>(it - trackOrder_.begin());
}

void Store::TrackOrderErase(std::uint32_t id) {
    const std::size_t at = TrackPosition(id);
    if (at != npos) trackOrder_.erase(trackOrder_.begin() + static_cast<std::ptrdiff_t>(at));
}

void Store::BlockListInsert(std::uint32_t track, std::uint32_t block) {
    auto& list = TrackSlotOf(track)->blocks;
    auto less = [this](std::uint32_t a, std::uint32_t b) {
        std::int64_t sa = BlockSlotOf(a)->value.start, sb = BlockSlotOf(b)->value.start;
        return sa < sb || (sa == sb && a < b);
    };
    list.insert(std::lower_bound(list.begin(), list.end(), block, less), block);
}

void Store::StoreEventValue(std::uint32_t id, const EventValue& v) {
    EventSlot& s = events_[id - eventBase_];
    // What the slot held decides which side tables can have an entry to drop.
    const bool hadExtras = s.block && s.hasExtras;
    const bool hadBytes = s.block && IsVariableKind(1u << s.kindBit);
    TallySelected(s.block, s.flags, -1, id);
    TallySelected(v.block, v.flags, +1, id);
    s.time = v.time;
    s.block = v.block;
    s.flags = v.flags;
    s.kindBit = static_cast<std::uint8_t>(std::countr_zero(v.kind));
    s.channel = static_cast<std::int8_t>(v.channel);
    s.port = static_cast<std::uint8_t>(v.port <= kSlotPortLimit ? v.port : 0);
    bool variable = IsVariableKind(v.kind);
    s.length = variable ? static_cast<std::uint32_t>(v.bytes.size()) : v.length;
    if (variable) std::memset(s.data, 0, 4);
    else std::memcpy(s.data, v.data, 4);
    EventExtras x;
    x.hostWord = v.hostWord;
    x.sourceWord = v.sourceWord;
    x.reserved = v.reserved;
    x.port = v.port > kSlotPortLimit ? v.port : 0;
    std::memcpy(x.hostData, v.hostData, 16);
    s.hasExtras = !(x == EventExtras{});
    if (s.hasExtras) extras_[id] = x;
    else if (hadExtras) extras_.erase(id);
    if (variable) eventData_[id] = v.bytes;
    else if (hadBytes) eventData_.erase(id);
}

EventValue Store::ReadEventValue(std::uint32_t id) const {
    EventFields f{};
    ReadEventFields(id, &f);
    EventValue v;
    v.block = f.block;
    v.time = f.time;
    v.kind = f.kind;
    v.flags = f.flags;
    v.channel = f.channel;
    v.port = f.port;
    v.length = f.length;
    std::memcpy(v.data, f.data, 4);
    if (f.extras) {
        v.hostWord = f.extras->hostWord;
        v.sourceWord = f.extras->sourceWord;
        v.reserved = f.extras->reserved;
        std::memcpy(v.hostData, f.extras->hostData, 16);
    }
    if (f.bytes) v.bytes = *f.bytes;
    return v;
}

void Store::ReadEventOthers(std::uint32_t id, bool extras, EventFields& f) const {
    if (extras) {
        f.extras = &extras_.at(id);
        if (f.extras->port) f.port = f.extras->port;
    }
    if (f.kind & mp::MEK_VARIABLE) {
        auto it = eventData_.find(id);
        if (it != eventData_.end()) f.bytes = &it->second;
    }
}

// ---- applying values -------------------------------------------------------------------------------

void Store::ApplyValue(std::uint8_t level, std::uint32_t id, const Value& v) {
    if (const auto* selection = std::get_if<SelectionValue>(&v)) {
        ApplySelection(*selection);
        return;
    }
    if (const auto* run = std::get_if<FlagRun>(&v)) {
        ApplyFlagRun(*run);
        return;
    }
    if (const auto* run = std::get_if<SlotRun>(&v)) {
        ApplySlotRun(*run);
        return;
    }
    if (const auto* run = std::get_if<DeleteRun>(&v)) {
        ApplyDeleteRun(*run);
        return;
    }
    if (level == mp::LEVEL_EVENT) {
        EventSlot* s = EventSlotOf(id);
        if (std::holds_alternative<std::monostate>(v)) {
            if (!s || !s->block) return;
            NoteIndexChange(id);
            extras_.erase(id);
            eventData_.erase(id);
            TallySelected(s->block, s->flags, -1, id);
            s->block = 0;
            --liveEvents_;
            return;
        }
        const EventValue& ev = std::get<EventValue>(v);
        if (!s) {
            while (events_.size() <= id - eventBase_) events_.push_back(EventSlot{});
            s = EventSlotOf(id);
        }
        if (s->block) {
            if (s->block != ev.block || s->time != ev.time) NoteIndexChange(id);
            StoreEventValue(id, ev);
        } else {
            NoteIndexChange(id);
            StoreEventValue(id, ev);
            ++liveEvents_;
        }
        return;
    }
    if (level == mp::LEVEL_BLOCK) {
        // A block's index must be whole before the block goes or its events are listed again.
        Settle();
        BlockSlot* b = BlockSlotOf(id);
        if (std::holds_alternative<std::monostate>(v)) {
            if (!b || !b->alive) return;
            auto& list = TrackSlotOf(b->value.track)->blocks;
            list.erase(std::remove(list.begin(), list.end(), id), list.end());
            b->alive = false;
            b->events.clear();
            b->events.shrink_to_fit();
            return;
        }
        const BlockValue& bv = std::get<BlockValue>(v);
        if (!b) {
            while (blocks_.size() <= id - blockBase_) blocks_.emplace_back();
            b = BlockSlotOf(id);
        }
        if (b->alive) {
            bool moves = b->value.start != bv.start;
            if (moves) {
                auto& list = TrackSlotOf(b->value.track)->blocks;
                list.erase(std::remove(list.begin(), list.end(), id), list.end());
            }
            b->value = bv;
            if (moves) BlockListInsert(bv.track, id);
        } else {
            b->alive = true;
            b->value = bv;
            BlockListInsert(bv.track, id);
        }
        return;
    }
    TrackSlot* t = TrackSlotOf(id);
    if (std::holds_alternative<std::monostate>(v)) {
        if (!t || !t->alive) return;
        TrackOrderErase(id);
        t->alive = false;
        t->blocks.clear();
        return;
    }
    const TrackValue& tv = std::get<TrackValue>(v);
    if (!t) {
        while (tracks_.size() <= id - trackBase_) tracks_.emplace_back();
        t = TrackSlotOf(id);
    }
    if (t->alive) {
        bool moves = t->value.order != tv.order;
        if (moves) TrackOrderErase(id);
        t->value = tv;
        if (moves) TrackOrderInsert(id);
    } else {
        t->alive = true;
        t->value = tv;
        TrackOrderInsert(id);
    }
}

mp::EventKey Store::KeyOf(std::uint8_t level, std::uint32_t id, const Value& v) const {
    if (level == mp::LEVEL_TRACK) return {id, 0, 0};
    if (level == mp::LEVEL_BLOCK) return {std::get<BlockValue>(v).track, id, 0};
    std::uint32_t block = std::get<EventValue>(v).block;
    const BlockSlot* b = BlockSlotOf(block);
    return {b ? b->value.track : 0, block, id};
}

void Store::PushNotification(const win::GUID& id, std::uint32_t flags, std::uint32_t value, std::uint32_t level,
                             const mp::EventKey& oldKey, const mp::EventKey& newKey) {
    mp::NotificationRecord r{};
    r.id = id;
    r.changeFlags = flags;
    r.value = value;
    r.level = level;
    r.oldKey = oldKey;
    r.newKey = newKey;
    pending_.Push(r);
}

void Store::NotifyTransition(std::uint8_t level, std::uint32_t id, const Value& before, const Value& after) {
    if (const auto* selection = std::get_if<SelectionValue>(&after)) {
        NotifySelection(*selection);
        return;
    }
    if (const auto* run = std::get_if<FlagRun>(&after)) {
        NotifyFlagRun(*run);
        return;
    }
    if (std::holds_alternative<SlotRun>(after)) return; // reported as applied
    if (const auto* run = std::get_if<DeleteRun>(&after)) {
        NotifyDeleteRun(*run);
        return;
    }
    bool had = !std::holds_alternative<std::monostate>(before);
    bool has = !std::holds_alternative<std::monostate>(after);
    if (!had && has) {
        mp::EventKey k = KeyOf(level, id, after);
        PushNotification(mp::NID_DATA_CHANGED, mp::NCF_INSERTED, 0, level, k, k);
    } else if (had && !has) {
        mp::EventKey k = KeyOf(level, id, before);
        PushNotification(mp::NID_DATA_CHANGED, mp::NCF_DELETED, 0, level, k, k);
    } else if (had && has) {
        std::uint32_t flags = mp::NCF_MODIFIED;
        if (level == mp::LEVEL_EVENT) {
            if (std::get<EventValue>(before).time != std::get<EventValue>(after).time) flags |= mp::NCF_POSITION_MOVED;
        } else if (level == mp::LEVEL_BLOCK) {
            const auto& a = std::get<BlockValue>(before);
            const auto& b = std::get<BlockValue>(after);
            if (a.start != b.start) flags |= mp::NCF_POSITION_MOVED;
            if (a.end != b.end) flags |= mp::NCF_POSITION_MOVED2;
        } else if (std::get<TrackValue>(before).order != std::get<TrackValue>(after).order) {
            flags |= mp::NCF_OTHER;
        }
        mp::EventKey k = KeyOf(level, id, after);
        PushNotification(mp::NID_DATA_CHANGED, flags, 0, level, k, k);
    }
}

void Store::NoteTimeBaseTouch(const Value& v) {
    if (auto* e = std::get_if<EventValue>(&v); e && IsTimeBaseMeta(*e)) {
        timeBaseDirty_ = true;
        timeBaseTouched_ = true;
    } else if (e && IsKeyMeta(*e)) {
        timeBaseDirty_ = true;
        keyMapTouched_ = true;
    } else if (auto* run = std::get_if<FlagRun>(&v)) {
        NoteFlagRunTimeBase(*run);
    }
}

bool Store::TimeBaseEvent(std::uint32_t id) const {
    const EventSlot* s = EventSlotOf(id);
    if (!s || !s->block || (1u << s->kindBit) != mp::MEK_META) return false;
    const auto it = eventData_.find(id);
    return it != eventData_.end() && !it->second.empty() &&
           (it->second[0] == kMetaTempo || it->second[0] == kMetaTimeSignature);
}

void Store::Record(Change c) {
    ApplyValue(c.level, c.id, c.after);
    NoteTimeBaseTouch(c.before);
    NoteTimeBaseTouch(c.after);
    if (c.level == mp::LEVEL_BLOCK && std::holds_alternative<BlockValue>(c.before) &&
        std::holds_alternative<BlockValue>(c.after) &&
        std::get<BlockValue>(c.before).start != std::get<BlockValue>(c.after).start) {
        timeBaseDirty_ = true;
        timeBaseTouched_ = true;
    }
    bool flagsOnly = false;
    if (c.level == mp::LEVEL_EVENT && std::holds_alternative<EventValue>(c.before) &&
        std::holds_alternative<EventValue>(c.after)) {
        EventValue a = std::get<EventValue>(c.before);
        a.flags = std::get<EventValue>(c.after).flags;
        flagsOnly = a == std::get<EventValue>(c.after);
    }
    if (!flagsOnly) structural_ = true;
    if (!c.replaceFirst) {
        if (!openChanges_.empty() && openChanges_.back().replaceFirst) {
            const Change& out = openChanges_.back();
            PushNotification(mp::NID_DATA_CHANGED, mp::NCF_REPLACED, 0, mp::LEVEL_EVENT,
                             KeyOf(out.level, out.id, out.before), KeyOf(c.level, c.id, c.after));
        } else {
            NotifyTransition(c.level, c.id, c.before, c.after);
        }
    }
    openChanges_.push_back(std::move(c));
}

void Store::Replay(const std::vector<Change>& changes, bool reverse) {
    auto count = static_cast<std::ptrdiff_t>(changes.size());
    if (reverse) {
        for (std::ptrdiff_t i = count - 1; i >= 0; --i) {
            const Change& c = changes[i];
            if (i > 0 && changes[i - 1].replaceFirst) {
                const Change& out = changes[i - 1];
                ApplyValue(c.level, c.id, c.before);
                ApplyValue(out.level, out.id, out.before);
                NoteTimeBaseTouch(c.after);
                NoteTimeBaseTouch(out.before);
                PushNotification(mp::NID_DATA_CHANGED, mp::NCF_REPLACED, 0, mp::LEVEL_EVENT, KeyOf(c.level, c.id, c.after),
                                 KeyOf(out.level, out.id, out.before));
                --i;
                continue;
            }
            ApplyValue(c.level, c.id, c.before);
            NoteTimeBaseTouch(c.before);
            NoteTimeBaseTouch(c.after);
            if (c.level == mp::LEVEL_BLOCK) timeBaseDirty_ = timeBaseTouched_ = true;
            NotifyTransition(c.level, c.id, c.after, c.before);
        }
        return;
    }
    for (std::ptrdiff_t i = 0; i < count; ++i) {
        const Change& c = changes[i];
        if (c.replaceFirst && i + 1 < count) {
            const Change& in = changes[i + 1];
            ApplyValue(c.level, c.id, c.after);
            ApplyValue(in.level, in.id, in.after);
            NoteTimeBaseTouch(c.before);
            NoteTimeBaseTouch(in.after);
            PushNotification(mp::NID_DATA_CHANGED, mp::NCF_REPLACED, 0, mp::LEVEL_EVENT, KeyOf(c.level, c.id, c.before),
                             KeyOf(in.level, in.id, in.after));
            ++i;
            continue;
        }
        ApplyValue(c.level, c.id, c.after);
        NoteTimeBaseTouch(c.before);
        NoteTimeBaseTouch(c.after);
        if (c.level == mp::LEVEL_BLOCK) timeBaseDirty_ = timeBaseTouched_ = true;
        NotifyTransition(c.level, c.id, c.before, c.after);
    }
}

// ---- transactions ----------------------------------------------------------------------------------

win::HRESULT Store::BeginTransaction(std::uint32_t kind, std::u16string name) {
    if (kind != mp::TRANSACTION_READ && kind != mp::TRANSACTION_EDIT) return win::E_INVALIDARG;
    if (depth_ == 0) {
        openName_.clear();
        openChanges_.clear();
        changedMark_ = false;
        structural_ = false;
        implicit_ = false;
    }
    ++depth_;
    if (kind == mp::TRANSACTION_EDIT && openName_.empty()) openName_ = std::move(name);
    return win::S_OK;
}

win::HRESULT Store::EndTransaction(bool changed) {
    if (depth_ == 0) return win::E_UNEXPECTED;
    if (changed) changedMark_ = true;
    if (--depth_ > 0) return win::S_OK;
    // An edit that changed data but claims it did not still becomes a step: without it the history
    // would no longer match the data and a later undo could not be applied exactly.
    if (!openChanges_.empty() && (changedMark_ || structural_)) {
        undo_.push_back(Step{std::move(openName_), std::move(openChanges_)});
        redo_.clear();
    }
    DropOpenChanges();
    openName_.clear();
    implicit_ = false;
    AnnounceTimeBase();
    return win::S_OK;
}

void Store::Finish() {
    if (implicit_ && depth_ == 1) EndTransaction(false);
}

win::HRESULT Store::Undo() { return Travel(undo_, redo_, true); }
win::HRESULT Store::Redo() { return Travel(redo_, undo_, false); }

// Moves the newest step of `from` onto `to`, replaying it backwards when undoing.
win::HRESULT Store::Travel(std::vector<Step>& from, std::vector<Step>& to, bool reverse) {
    if (depth_ > 0) return win::E_UNEXPECTED;
    if (from.empty()) return win::S_FALSE;
    Step s = std::move(from.back());
    from.pop_back();
    Replay(s.changes, reverse);
    to.push_back(std::move(s));
    AnnounceTimeBase();
    return win::S_OK;
}

void Store::AnnounceTimeBase() {
    if (timeBaseTouched_) {
        timeBaseTouched_ = false;
        PushNotification(mp::NID_TIMEBASE_CHANGED, 0, 0, 0, {}, {});
    }
    if (keyMapTouched_) {
        keyMapTouched_ = false;
        PushNotification(mp::NID_KEY_MAP_CHANGED, 0, 0, 0, {}, {});
    }
}

std::u16string Store::UndoName() const { return undo_.empty() ? std::u16string() : undo_.back().name; }
std::u16string Store::RedoName() const { return redo_.empty() ? std::u16string() : redo_.back().name; }
void Store::ClearHistory() {
    undo_.clear();
    redo_.clear();
}

// ---- edits -----------------------------------------------------------------------------------------

namespace {
bool ValidKindAndChannel(std::uint32_t kind, std::int32_t channel) {
    return IsKnownKind(kind) && channel >= -1 && channel <= 15;
}
// The data bytes of a kind without variable bytes.
bool ValidFixedData(std::uint32_t kind, const std::uint8_t* data) {
    if (!IsChannelKind(kind) || kind == mp::MEK_SHORT_MSG) return true;
    return data[0] <= 127 && data[1] <= 127 && (kind != mp::MEK_NOTE || data[2] <= 127);
}
} // namespace

bool Store::ValidPlain(std::uint32_t block, const PlainValue& v) const {
    const BlockSlot* b = BlockSlotOf(block);
    return b && b->alive && ValidKindAndChannel(v.kind, v.channel) && !IsVariableKind(v.kind) &&
           ValidFixedData(v.kind, v.data) && v.port <= kSlotPortLimit && b->value.start + v.time >= 0;
}

win::HRESULT Store::ValidateEvent(const EventValue& v) {
    if (!ValidKindAndChannel(v.kind, v.channel)) return win::E_INVALIDARG;
    if (IsVariableKind(v.kind)) {
        if (v.kind == mp::MEK_META) {
            if (v.bytes.empty() || v.bytes[0] >= 0x80 || v.bytes[0] == kMetaEndOfTrack) return win::E_INVALIDARG;
            if (v.bytes[0] == kMetaTempo &&
                (v.bytes.size() != 4 || (v.bytes[1] | v.bytes[2] | v.bytes[3]) == 0))
                return win::E_INVALIDARG;
            if (v.bytes[0] == kMetaTimeSignature && (v.bytes.size() != 5 || v.bytes[1] == 0 || v.bytes[2] > 31))
                return win::E_INVALIDARG;
        }
        if (v.kind == mp::MEK_SYSEX && (v.bytes.empty() || v.bytes[0] != 0xF0)) return win::E_INVALIDARG;
        if (v.bytes.size() > 0x0FFFFFFF) return win::E_INVALIDARG;
    } else if (!ValidFixedData(v.kind, v.data)) {
        return win::E_INVALIDARG;
    }
    return win::S_OK;
}

namespace {
bool ValidTrack(const TrackValue& v) {
    return v.channel >= -1 && v.channel <= 15 && v.velocityOffset >= -127 && v.velocityOffset <= 127 &&
           v.pitchOffset >= -127 && v.pitchOffset <= 127;
}
} // namespace

win::HRESULT Store::InsertTrack(const TrackValue& value, std::uint32_t* id) {
    if (!ValidTrack(value)) return win::E_INVALIDARG;
    if (trackOrder_.size() >= kMaxTracks) return win::E_FAIL;
    Scope scope(*this);
    TrackValue v = value;
    if (v.order == 0) {
        std::uint32_t last = 0;
        for (std::uint32_t t : trackOrder_) last = std::max(last, TrackSlotOf(t)->value.order);
        v.order = last + 1;
    }
    std::uint32_t newId = trackBase_ + static_cast<std::uint32_t>(tracks_.size());
    tracks_.emplace_back();
    Record(Change{mp::LEVEL_TRACK, false, newId, std::monostate{}, std::move(v)});
    if (id) *id = newId;
    return win::S_OK;
}

template <class V>
win::HRESULT Store::Modify(std::uint8_t level, std::uint32_t id, const V& cur, const V& value) {
    Scope scope(*this);
    if (cur == value) return win::S_OK;
    Record(Change{level, false, id, cur, value});
    return win::S_OK;
}

win::HRESULT Store::SetTrack(std::uint32_t id, const TrackValue& value) {
    if (!TrackAlive(id) || !ValidTrack(value)) return win::E_INVALIDARG;
    return Modify(mp::LEVEL_TRACK, id, TrackSlotOf(id)->value, value);
}

win::HRESULT Store::DeleteTrack(std::uint32_t id) {
    if (!TrackAlive(id)) return win::E_INVALIDARG;
    Scope scope(*this);
    std::vector<std::uint32_t> blocks = TrackSlotOf(id)->blocks;
    for (std::uint32_t b : blocks) DeleteBlock(b);
    Record(Change{mp::LEVEL_TRACK, false, id, TrackSlotOf(id)->value, std::monostate{}});
    return win::S_OK;
}

win::HRESULT Store::InsertBlock(const BlockValue& value, std::uint32_t* id) {
    if (!TrackAlive(value.track) || value.end < value.start) return win::E_INVALIDARG;
    Scope scope(*this);
    std::uint32_t newId = blockBase_ + static_cast<std::uint32_t>(blocks_.size());
    blocks_.emplace_back();
    Record(Change{mp::LEVEL_BLOCK, false, newId, std::monostate{}, value});
    if (id) *id = newId;
    return win::S_OK;
}

win::HRESULT Store::SetBlock(std::uint32_t id, const BlockValue& value) {
    if (!BlockAlive(id) || value.track != BlockSlotOf(id)->value.track || value.end < value.start)
        return win::E_INVALIDARG;
    if (value.start != BlockSlotOf(id)->value.start) {
        // Events keep their block-relative times; none may end up before tick 0.
        const auto& list = EventsOf(id);
        if (!list.empty() && value.start + EventTime(list.front()) < 0) return win::E_INVALIDARG;
    }
    return Modify(mp::LEVEL_BLOCK, id, BlockSlotOf(id)->value, value);
}

win::HRESULT Store::DeleteBlock(std::uint32_t id) {
    if (!BlockAlive(id)) return win::E_INVALIDARG;
    Scope scope(*this);
    std::vector<std::uint32_t> events = EventsOf(id);
    for (auto it = events.rbegin(); it != events.rend(); ++it) DeleteEvent(*it);
    Record(Change{mp::LEVEL_BLOCK, false, id, BlockSlotOf(id)->value, std::monostate{}});
    return win::S_OK;
}

win::HRESULT Store::InsertEvent(const EventValue& value, std::uint32_t* id) {
    if (!BlockAlive(value.block) || win::FAILED(ValidateEvent(value))) return win::E_INVALIDARG;
    if (BlockSlotOf(value.block)->value.start + value.time < 0) return win::E_INVALIDARG;
    Scope scope(*this);
    std::uint32_t newId = eventBase_ + static_cast<std::uint32_t>(events_.size());
    events_.push_back(EventSlot{});
    EventValue v = value;
    if (IsVariableKind(v.kind)) v.length = static_cast<std::uint32_t>(v.bytes.size());
    Record(Change{mp::LEVEL_EVENT, false, newId, std::monostate{}, std::move(v)});
    if (id) *id = newId;
    return win::S_OK;
}

win::HRESULT Store::ReplaceEvent(std::uint32_t old, const EventValue& value, std::uint32_t* id) {
    if (!EventAlive(old) || EventSlotOf(old)->block != value.block) return win::E_INVALIDARG;
    if (win::FAILED(ValidateEvent(value)) || BlockSlotOf(value.block)->value.start + value.time < 0)
        return win::E_INVALIDARG;
    Scope scope(*this);
    Record(Change{mp::LEVEL_EVENT, true, old, ReadEventValue(old), std::monostate{}});
    std::uint32_t newId = eventBase_ + static_cast<std::uint32_t>(events_.size());
    events_.push_back(EventSlot{});
    EventValue v = value;
    if (IsVariableKind(v.kind)) v.length = static_cast<std::uint32_t>(v.bytes.size());
    Record(Change{mp::LEVEL_EVENT, false, newId, std::monostate{}, std::move(v)});
    if (id) *id = newId;
    return win::S_OK;
}

win::HRESULT Store::SetEvent(std::uint32_t id, const EventValue& value) {
    if (!EventAlive(id) || EventSlotOf(id)->block != value.block || win::FAILED(ValidateEvent(value)))
        return win::E_INVALIDARG;
    if (BlockSlotOf(value.block)->value.start + value.time < 0) return win::E_INVALIDARG;
    EventValue v = value;
    if (IsVariableKind(v.kind)) v.length = static_cast<std::uint32_t>(v.bytes.size());
    EventValue cur = ReadEventValue(id);
    if (cur == v) return win::S_OK;
    Scope scope(*this);
    if (!RecordSlotEdit(id, cur, v)) Record(Change{mp::LEVEL_EVENT, false, id, std::move(cur), std::move(v)});
    return win::S_OK;
}

win::HRESULT Store::DeleteEvent(std::uint32_t id) {
    if (!EventAlive(id)) return win::E_INVALIDARG;
    Scope scope(*this);
    LastReport last;
    if (!RecordDeleteEdit(id, last, nullptr)) Record(Change{mp::LEVEL_EVENT, false, id, ReadEventValue(id), std::monostate{}});
    return win::S_OK;
}

// ---- properties ------------------------------------------------------------------------------------

void Store::RebuildTimeBase() const {
    Settle();
    std::vector<TimeBase::TempoChange> tempos;
    std::vector<TimeBase::MeterChange> meters;
    std::vector<TimeBase::KeyChange> keys;
    std::uint8_t metaBit = static_cast<std::uint8_t>(std::countr_zero(std::uint32_t{mp::MEK_META}));
    for (std::uint32_t t : trackOrder_) {
        for (std::uint32_t b : TrackSlotOf(t)->blocks) {
            const BlockSlot& bs = *BlockSlotOf(b);
            for (std::uint32_t e : bs.events) {
                const EventSlot& s = events_[e - eventBase_];
                if (s.kindBit != metaBit) continue;
                const auto& d = eventData_.at(e);
                std::int64_t tick = bs.value.start + s.time;
                if (d.size() == 4 && d[0] == kMetaTempo)
                    tempos.push_back({tick, (std::uint32_t(d[1]) << 16) | (std::uint32_t(d[2]) << 8) | d[3]});
                else if (d.size() == 5 && d[0] == kMetaTimeSignature)
                    meters.push_back({tick, d[1], d[2]});
                else if (d.size() == 3 && d[0] == kMetaKeySignature && d[2] <= 1)
                    keys.push_back({tick, static_cast<std::int8_t>(d[1]), d[2] == 1});
            }
        }
    }
    timeBase_.Build(ppq_, std::move(tempos), std::move(meters), {0, defaultBeats_, defaultNoteExp_}, std::move(keys));
    timeBaseDirty_ = false;
}

const TimeBase& Store::Time() const {
    if (timeBaseDirty_) RebuildTimeBase();
    return timeBase_;
}

void Store::SetTicksPerQuarter(std::uint32_t ppq) {
    if (ppq == 0 || ppq == ppq_) return;
    ppq_ = ppq;
    timeBaseDirty_ = true;
    PushNotification(mp::NID_TIMEBASE_CHANGED, 0, 0, 0, {}, {});
}

win::HRESULT Store::SetTimeSignature(std::uint32_t beats, std::uint32_t noteExp) {
    if (beats < 1 || beats > 255 || noteExp > 5) return win::E_INVALIDARG;
    Settle();
    std::uint32_t found = 0;
    for (std::uint32_t t : trackOrder_) {
        for (std::uint32_t b : TrackSlotOf(t)->blocks) {
            const BlockSlot& bs = *BlockSlotOf(b);
            for (std::uint32_t e : bs.events) {
                const EventSlot& s = events_[e - eventBase_];
                if (bs.value.start + s.time > 0) break;
                if (bs.value.start + s.time == 0 && (1u << s.kindBit) == mp::MEK_META) {
                    const auto& d = eventData_.at(e);
                    if (d.size() == 5 && d[0] == kMetaTimeSignature) {
                        found = e;
                        break;
                    }
                }
            }
            if (found) break;
        }
        if (found) break;
    }
    Scope scope(*this, u"Time Signature");
    if (found) {
        EventValue v = ReadEventValue(found);
        v.bytes[1] = static_cast<std::uint8_t>(beats);
        v.bytes[2] = static_cast<std::uint8_t>(noteExp);
        return SetEvent(found, v);
    }
    if (!trackOrder_.empty() && !TrackSlotOf(trackOrder_.front())->blocks.empty()) {
        std::uint32_t block = TrackSlotOf(trackOrder_.front())->blocks.front();
        EventValue v;
        v.block = block;
        v.time = -BlockSlotOf(block)->value.start;
        v.kind = mp::MEK_META;
        v.channel = -1;
        v.bytes = {kMetaTimeSignature, static_cast<std::uint8_t>(beats), static_cast<std::uint8_t>(noteExp), 24, 8};
        return InsertEvent(v, nullptr);
    }
    if (defaultBeats_ != beats || defaultNoteExp_ != noteExp) {
        defaultBeats_ = beats;
        defaultNoteExp_ = noteExp;
        timeBaseDirty_ = true;
        timeBaseTouched_ = true;
    }
    return win::S_OK;
}

win::HRESULT Store::SetLoop(std::int64_t start, std::int64_t end) {
    if (start < 0 || end < start) return win::E_INVALIDARG;
    if (start == loopStart_ && end == loopEnd_) return win::S_OK;
    loopStart_ = start;
    loopEnd_ = end;
    PushNotification(mp::NID_SELECTION_CHANGED, 0, 0, 0, {}, {});
    return win::S_OK;
}

win::HRESULT Store::SetTransportPosition(std::int64_t ticks) {
    if (ticks < 0) return win::E_INVALIDARG;
    position_ = ticks;
    timeNotifyPending_ = true;
    return win::S_OK;
}

win::HRESULT Store::SetTransportFlags(std::uint32_t flags) {
    if (flags & ~(mp::TRANSPORT_PLAYING | mp::TRANSPORT_LOOPING)) return win::E_INVALIDARG;
    if (flags == transportFlags_) return win::S_OK;
    transportFlags_ = flags;
    PushNotification(mp::NID_TRANSPORT_STATE, 0, flags, 0, {}, {});
    return win::S_OK;
}

win::HRESULT Store::SetPitchOffset(std::int32_t offset) {
    if (offset < -127 || offset > 127) return win::E_INVALIDARG;
    if (offset == pitchOffset_) return win::S_OK;
    pitchOffset_ = offset;
    PushNotification(mp::NID_DATA_CHANGED, mp::NCF_OTHER, 0, mp::LEVEL_TRACK, {}, {});
    return win::S_OK;
}

const std::vector<PortInfo>& Store::Ports(std::uint32_t kind) const { return kind < 2 ? ports_[kind] : kNoPorts; }

void Store::SetPorts(std::uint32_t kind, std::vector<PortInfo> ports) {
    if (kind >= 2) return;
    ports_[kind] = std::move(ports);
    PushNotification(mp::NID_PORTS_CHANGED, 0, kind, 0, {}, {});
}

// ---- bulk loading ----------------------------------------------------------------------------------

void Store::Clear() {
    trackBase_ += static_cast<std::uint32_t>(tracks_.size());
    blockBase_ += static_cast<std::uint32_t>(blocks_.size());
    eventBase_ += static_cast<std::uint32_t>(events_.size());
    tracks_.clear();
    blocks_.clear();
    events_.clear();
    events_.shrink_to_fit();
    indexFixes_.clear();
    extras_.clear();
    eventData_.clear();
    trackOrder_.clear();
    liveEvents_ = 0;
    depth_ = 0;
    implicit_ = false;
    openChanges_.clear();
    openName_.clear();
    ClearHistory();
    ppq_ = 960;
    defaultBeats_ = 4;
    defaultNoteExp_ = 2;
    timeBaseDirty_ = true;
    loopStart_ = loopEnd_ = position_ = 0;
    transportFlags_ = 0;
    pitchOffset_ = 0;
}

std::uint32_t Store::LoadTrack(TrackValue value) {
    std::uint32_t id = trackBase_ + static_cast<std::uint32_t>(tracks_.size());
    if (value.order == 0) value.order = static_cast<std::uint32_t>(trackOrder_.size()) + 1;
    tracks_.emplace_back();
    tracks_.back().alive = true;
    tracks_.back().value = std::move(value);
    trackOrder_.push_back(id);
    return id;
}

std::uint32_t Store::LoadBlock(BlockValue value) {
    std::uint32_t id = blockBase_ + static_cast<std::uint32_t>(blocks_.size());
    blocks_.emplace_back();
    blocks_.back().alive = true;
    std::uint32_t track = value.track;
    blocks_.back().value = std::move(value);
    TrackSlotOf(track)->blocks.push_back(id);
    return id;
}

void Store::ReserveEvents(std::size_t count) { events_.reserve(events_.size() + count); }

std::uint32_t Store::LoadEvent(std::uint32_t block, std::int64_t time, std::uint32_t kind, std::int32_t channel,
                               std::uint32_t length, const std::uint8_t data[4]) {
    Settle();
    std::uint32_t id = eventBase_ + static_cast<std::uint32_t>(events_.size());
    // Written field by field in place: a slot built aside and copied in costs a stall per event.
    EventSlot& s = events_.Append();
    s.time = time;
    s.block = block;
    s.flags = 0;
    s.length = length;
    std::memcpy(s.data, data, 4);
    s.port = 0;
    s.channel = static_cast<std::int8_t>(channel);
    s.kindBit = static_cast<std::uint8_t>(std::countr_zero(kind));
    s.hasExtras = 0;
    s.indexState = 0;
    blocks_[block - blockBase_].events.push_back(id);
    ++liveEvents_;
    return id;
}

std::uint32_t Store::LoadVariableEvent(std::uint32_t block, std::int64_t time, std::uint32_t kind,
                                       std::vector<std::uint8_t> bytes) {
    static const std::uint8_t zero[4] = {};
    std::uint32_t id = LoadEvent(block, time, kind, -1, static_cast<std::uint32_t>(bytes.size()), zero);
    eventData_[id] = std::move(bytes);
    return id;
}

void Store::SetLoadedLength(std::uint32_t event, std::uint32_t length) { events_[event - eventBase_].length = length; }

void Store::SetLoadedNoteOff(std::uint32_t event, std::uint32_t length, std::uint8_t offVelocity) {
    EventSlot& s = events_[event - eventBase_];
    s.length = length;
    s.data[2] = offVelocity;
}

void Store::SetLoadedBlockEnd(std::uint32_t block, std::int64_t end) { BlockSlotOf(block)->value.end = end; }

void Store::SetLoadedTrack(std::uint32_t track, TrackValue value) {
    TrackSlot* t = TrackSlotOf(track);
    value.order = t->value.order;
    t->value = std::move(value);
}

void Store::ReserveBlockEvents(std::uint32_t block, std::size_t count) { BlockSlotOf(block)->events.reserve(count); }

void Store::FinishLoad() {
    Settle();
    for (auto& b : blocks_) {
        if (!b.alive) continue;
        if (!std::is_sorted(b.events.begin(), b.events.end(),
                            [this](std::uint32_t x, std::uint32_t y) { return EventBefore(x, y); }))
            std::sort(b.events.begin(), b.events.end(),
                      [this](std::uint32_t x, std::uint32_t y) { return EventBefore(x, y); });
        if (b.events.capacity() > b.events.size()) b.events.shrink_to_fit();
    }
    // Loading reserves by estimate; what it did not use goes back (without copying the slots).
    events_.shrink_to_fit();
    std::stable_sort(trackOrder_.begin(), trackOrder_.end(), [this](std::uint32_t a, std::uint32_t b) {
        return TrackSlotOf(a)->value.order < TrackSlotOf(b)->value.order;
    });
    for (auto& t : tracks_) {
        std::stable_sort(t.blocks.begin(), t.blocks.end(), [this](std::uint32_t a, std::uint32_t b) {
            return BlockSlotOf(a)->value.start < BlockSlotOf(b)->value.start;
        });
    }
    timeBaseDirty_ = true;
    ClearHistory();
    pending_.Clear();
    timeBaseTouched_ = false;
    keyMapTouched_ = false;
    PushNotification(mp::NID_DATA_CHANGED, mp::NCF_OTHER, 0, mp::LEVEL_TRACK, {}, {});
    PushNotification(mp::NID_TIMEBASE_CHANGED, 0, 0, 0, {}, {});
}

// ---- notifications and memory ----------------------------------------------------------------------

void Store::TakeNotifications(mp::NotificationQueue& into, std::size_t from) {
    if (from > 0) return pending_.MoveTail(from, into);
    into.Clear();
    into.Swap(pending_);
}

bool Store::TakeTimeNotify(std::int64_t* position) {
    if (!timeNotifyPending_) return false;
    timeNotifyPending_ = false;
    if (position) *position = position_;
    return true;
}

std::size_t Store::MemoryBytes() const {
    Settle();
    std::size_t bytes = events_.capacity() * sizeof(EventSlot) + blocks_.capacity() * sizeof(BlockSlot) +
                        tracks_.capacity() * sizeof(TrackSlot) + trackOrder_.capacity() * 4;
    for (const auto& b : blocks_) bytes += b.events.capacity() * 4 + b.value.name.capacity() * 2;
    for (const auto& t : tracks_) bytes += t.blocks.capacity() * 4 + t.value.name.capacity() * 2 + t.value.nameBytes.capacity();
    // Hash nodes: key, value and two words of bookkeeping each.
    bytes += extras_.size() * (sizeof(EventExtras) + 24) + extras_.bucket_count() * 8;
    for (const auto& [id, d] : eventData_) bytes += d.capacity() + sizeof(d) + 24;
    bytes += eventData_.bucket_count() * 8;
    return bytes;
}

} // namespace host
