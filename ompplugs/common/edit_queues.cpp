// The plug-in object's edit queues with their key indexes.
#include "mp/edit_queues.h"

#include <cstdint>
#include <utility>

#include "mp/large_pages.h"

namespace mp {

namespace {

bool SameKey(const EventKey& a, const EventKey& b) noexcept {
    return a.event == b.event && a.block == b.block && a.track == b.track;
}

// Ids within one group of this many stay neighbours in the table; groups are spread by a hash.
constexpr unsigned kGroupBits = 4;
constexpr std::size_t kFirstCapacity = 64;


} // namespace

// ---- KeyIndex ----

std::size_t KeyIndex::Home(const EventKey& key) const noexcept {
    std::uint64_t h = std::uint64_t{key.event >> kGroupBits} * 0x9E3779B97F4A7C15ull ^
                      std::uint64_t{key.block} * 0xC2B2AE3D27D4EB4Full ^ std::uint64_t{key.track} * 0x165667B19E3779F9ull;
    h ^= h >> 29;
    const std::uint64_t low = key.event & ((1u << kGroupBits) - 1);
    return static_cast<std::size_t>((h << kGroupBits) + low) & (slots_.size() - 1);
}

std::uint32_t* KeyIndex::Find(const EventKey& key) noexcept {
    if (!key.event || slots_.empty()) return nullptr;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(key);; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (!slot.key.event) return nullptr;
        if (SameKey(slot.key, key)) return &slot.position;
    }
}

const std::uint32_t* KeyIndex::Find(const EventKey& key) const noexcept { return const_cast<KeyIndex*>(this)->Find(key); }

std::pair<std::uint32_t*, bool> KeyIndex::Insert(const EventKey& key, std::uint32_t position) {
    if (!key.event) return {nullptr, false};
    if (2 * (size_ + 1) > slots_.size()) Grow();
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = Home(key);; i = (i + 1) & mask) {
        Slot& slot = slots_[i];
        if (SameKey(slot.key, key)) return {&slot.position, false};
        if (!slot.key.event) {
            slot = Slot{key, position};
            ++size_;
            return {&slot.position, true};
        }
    }
}

bool KeyIndex::Erase(const EventKey& key) noexcept {
    if (!key.event || slots_.empty()) return false;
    const std::size_t mask = slots_.size() - 1;
    std::size_t hole = Home(key);
    for (;; hole = (hole + 1) & mask) {
        if (!slots_[hole].key.event) return false;
        if (SameKey(slots_[hole].key, key)) break;
    }
    // Moves later entries of the run back into the hole when their home allows, so that no search
    // stops early at a gap.
    for (std::size_t next = (hole + 1) & mask; slots_[next].key.event; next = (next + 1) & mask) {
        const std::size_t home = Home(slots_[next].key);
        const bool homeInGap = hole <= next ? (home <= hole || home > next) : (home <= hole && home > next);
        if (homeInGap) {
            slots_[hole] = slots_[next];
            hole = next;
        }
    }
    slots_[hole] = Slot{};
    --size_;
    return true;
}

void KeyIndex::Clear() noexcept {
    slots_.clear();
    size_ = 0;
}

void KeyIndex::Reserve(std::size_t keys) {
    std::size_t capacity = kFirstCapacity;
    while (capacity < 2 * keys) capacity *= 2;
    if (capacity <= slots_.size()) return;
    std::vector<Slot> old = std::move(slots_);
    slots_.clear();
    slots_.reserve(capacity);
    AdviseLargePages(slots_.data(), capacity * sizeof(Slot));
    slots_.resize(capacity);
    size_ = 0;
    for (const Slot& slot : old)
        if (slot.key.event) Insert(slot.key, slot.position);
}

void KeyIndex::Grow() { Reserve(slots_.empty() ? kFirstCapacity / 2 : slots_.size()); }

// ---- EditQueues ----

void EditQueues::PutModify(const EventKey& key, const MidiEventRecord& record, std::uint32_t mask) {
    if (!key.event) return;
    std::uint32_t position = 0;
    if (lastKey_.event && SameKey(lastKey_, key)) {
        position = lastPosition_;
    } else {
        const auto [stored, fresh] = modifyIndex_.Insert(key, static_cast<std::uint32_t>(modifies_.size()));
        if (fresh) {
            modifies_.push_back(QueuedModify{key, record, mask});
            return;
        }
        position = *stored;
    }
    QueuedModify& entry = modifies_[position];
    entry.record = record;
    entry.mask = mask;
}

const QueuedModify* EditQueues::FindModify(const EventKey& key) const {
    // Walks over the moved notes ask for them in the order they were queued, often twice in a row.
    if (key.event && lastKey_.event) {
        for (std::size_t at = lastPosition_; at <= lastPosition_ + 1 && at < modifies_.size(); ++at) {
            if (!SameKey(modifies_[at].key, key)) continue;
            lastKey_ = key;
            lastPosition_ = static_cast<std::uint32_t>(at);
            return &modifies_[at];
        }
    }
    const std::uint32_t* position = modifyIndex_.Find(key);
    if (!position) return nullptr;
    lastKey_ = key;
    lastPosition_ = *position;
    return &modifies_[*position];
}

void EditQueues::ReserveModifies(std::size_t more) {
    const std::size_t room = modifies_.capacity();
    modifies_.reserve(modifies_.size() + more);
    if (modifies_.capacity() != room) AdviseLargePages(modifies_.data(), modifies_.capacity() * sizeof(QueuedModify));
    modifyIndex_.Reserve(modifyIndex_.Size() + more);
}

bool EditQueues::DropModify(const EventKey& key) {
    const std::uint32_t* position = modifyIndex_.Find(key);
    if (!position) return false;
    modifies_[*position].key.event = 0;
    modifyIndex_.Erase(key);
    lastKey_ = EventKey{};
    // Gaps never outnumber live entries, so the vector stays within twice the queue's length.
    if (modifies_.size() > 2 * modifyIndex_.Size() + 16) Compact();
    return true;
}

void EditQueues::Compact() {
    if (modifies_.size() == modifyIndex_.Size()) return;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < modifies_.size(); ++i) {
        if (!modifies_[i].key.event) continue;
        if (kept != i) modifies_[kept] = modifies_[i];
        *modifyIndex_.Find(modifies_[kept].key) = static_cast<std::uint32_t>(kept);
        ++kept;
    }
    modifies_.resize(kept);
    lastKey_ = EventKey{};
}

const QueuedModify* EditQueues::ModifyAt(std::size_t index) {
    Compact();
    return index < modifies_.size() ? &modifies_[index] : nullptr;
}

const std::vector<QueuedModify>& EditQueues::Modifies() {
    Compact();
    return modifies_;
}

bool EditQueues::PutDelete(const EventKey& key) {
    if (!key.event || !deleteIndex_.Insert(key, 0).second) return false;
    deletes_.push_back(key);
    return true;
}

bool EditQueues::IsDeleteQueued(const EventKey& key) const { return deleteIndex_.Find(key) != nullptr; }

std::vector<EventKey> EditQueues::TakeDeletes() {
    std::vector<EventKey> taken = std::move(deletes_);
    deletes_.clear();
    deleteIndex_.Clear();
    return taken;
}

void EditQueues::Clear() {
    inserts_.clear();
    modifies_.clear();
    modifyIndex_.Clear();
    lastKey_ = EventKey{};
    deletes_.clear();
    deleteIndex_.Clear();
}

EditQueues::Work EditQueues::Take() {
    Compact();
    Work work{std::move(inserts_), std::move(modifies_), std::move(deletes_)};
    Clear();
    return work;
}

void EditQueues::KeepRoom(Work& done) noexcept {
    const auto keep = [](auto& queue, auto& room) {
        if (!queue.empty() || queue.capacity() >= room.capacity()) return;
        room.clear();
        queue.swap(room);
    };
    keep(inserts_, done.inserts);
    keep(modifies_, done.modifies);
    keep(deletes_, done.deletes);
}

} // namespace mp
