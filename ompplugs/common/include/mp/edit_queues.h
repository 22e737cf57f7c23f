// The edit queues of a plug-in object (inserts, modifications, deletions), indexed by event key so
// that finding, replacing or dropping one queued edit costs the same however long the queues are.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "mp/event_writes.h"
#include "mp/records.h"

namespace mp {

// A queued modification: the key, the record as the editor shows it, and the change mask, laid out as
// the host's bulk write takes them, so that a commit hands the host its queue as it stands.
using QueuedModify = MPEventWrite;

struct EventKeyHash {
    std::size_t operator()(const EventKey& k) const noexcept {
        return (static_cast<std::size_t>(k.event) * 0x9E3779B97F4A7C15ull) ^ (static_cast<std::size_t>(k.block) << 20) ^
               k.track;
    }
};

// Event keys to positions: open addressing with linear probing in one flat array. Runs of
// consecutive event ids land in neighbouring slots, so walking keys in id order walks memory in
// order too. Event id 0 marks an empty slot and is never stored.
class KeyIndex {
public:
    std::size_t Size() const noexcept { return size_; }
    // The position stored for the key, or null.
    std::uint32_t* Find(const EventKey& key) noexcept;
    const std::uint32_t* Find(const EventKey& key) const noexcept;
    // Stores the position unless the key is there already; returns the stored position and whether
    // it was new.
    std::pair<std::uint32_t*, bool> Insert(const EventKey& key, std::uint32_t position);
    bool Erase(const EventKey& key) noexcept;
    void Clear() noexcept;
    // Room for this many keys without growing.
    void Reserve(std::size_t keys);

private:
    struct Slot {
        EventKey key;
        std::uint32_t position;
    };
    std::size_t Home(const EventKey& key) const noexcept;
    void Grow();

    std::vector<Slot> slots_; // a power of two in size, at most half full
    std::size_t size_ = 0;
};

// Keys with event id 0 name no event: they are never queued and never found. Modifications keep the
// order in which their keys were first queued; replacing one keeps its place. [window thread]
class EditQueues {
public:
    // The pending work, in queue order, as a commit takes it.
    struct Work {
        std::vector<MidiEventRecord> inserts;
        std::vector<QueuedModify> modifies;
        std::vector<EventKey> deletes;
    };

    // ---- inserts: addressed by their place in the queue ----
    std::vector<MidiEventRecord>& Inserts() noexcept { return inserts_; }
    const std::vector<MidiEventRecord>& Inserts() const noexcept { return inserts_; }

    // ---- modifications ----
    std::size_t ModifyCount() const noexcept { return modifyIndex_.Size(); }
    // Replaces the queued modification of the key, or appends one.
    void PutModify(const EventKey& key, const MidiEventRecord& record, std::uint32_t mask);
    // Null when the key has none.
    const QueuedModify* FindModify(const EventKey& key) const;
    // Room for this many more modifications without growing.
    void ReserveModifies(std::size_t more);
    bool DropModify(const EventKey& key);
    // The index-th modification in queue order; null past the end.
    const QueuedModify* ModifyAt(std::size_t index);
    // Every queued modification in queue order.
    const std::vector<QueuedModify>& Modifies();
    // The same, to be rewritten where they lie (their keys left as they are).
    std::span<QueuedModify> ModifiesInPlace() {
        Compact();
        return {modifies_.data(), modifies_.size()};
    }

    // ---- deletions ----
    // Appends the key; false (and nothing queued) when it is already there or names no event.
    bool PutDelete(const EventKey& key);
    bool IsDeleteQueued(const EventKey& key) const;
    const std::vector<EventKey>& Deletes() const noexcept { return deletes_; }
    std::vector<EventKey> TakeDeletes();

    bool Empty() const noexcept { return inserts_.empty() && modifyIndex_.Size() == 0 && deletes_.empty(); }
    void Clear();
    // Moves all pending work out; the queues are empty afterwards.
    Work Take();
    // Takes back the room of work done, where the queue is still empty: the next edit of as many
    // events then faults in no fresh pages, as after a discard, and the commit frees nothing.
    void KeepRoom(Work& done) noexcept;

private:
    // Closes the gaps dropped modifications left, keeping the order of the rest.
    void Compact();

    std::vector<MidiEventRecord> inserts_;
    // Dropped entries stay as gaps (event id 0) until an ordered read or a commit needs them gone.
    std::vector<QueuedModify> modifies_;
    KeyIndex modifyIndex_;
    // The last key found, so that reading a queued modification and then replacing it searches once.
    mutable EventKey lastKey_{};
    mutable std::uint32_t lastPosition_ = 0;
    std::vector<EventKey> deletes_;
    KeyIndex deleteIndex_;
};

} // namespace mp
