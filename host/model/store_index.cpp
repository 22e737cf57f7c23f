// The store's per-block time indexes: edits note which events may change place, and the next read
// folds all of them in at once, one pass over each touched block.
#include <algorithm>
#include <unordered_map>

#include "model/store.h"

namespace host {

namespace {

enum : std::uint8_t {
    kFixPending = 0x1, // the event has an entry in indexFixes_
    kDropMark = 0x2,   // during a fold: listed in the block being folded and to leave it
};

// Up to this many changes in one block are applied one by one (a search and a shift each); more
// are folded in with one filtering pass and one merge.
constexpr std::size_t kFewChanges = 16;

// Takes the entries at the sorted indices `at` out of the list, the runs between them shifted once.
void EraseAt(std::vector<std::uint32_t>& list, const std::vector<std::size_t>& at) {
    if (at.empty()) return;
    std::size_t out = at[0];
    for (std::size_t j = 0; j < at.size(); ++j) {
        const std::size_t from = at[j] + 1, to = j + 1 < at.size() ? at[j + 1] : list.size();
        std::move(list.begin() + static_cast<std::ptrdiff_t>(from), list.begin() + static_cast<std::ptrdiff_t>(to),
                  list.begin() + static_cast<std::ptrdiff_t>(out));
        out += to - from;
    }
    list.resize(out);
}

} // namespace

bool Store::EventBefore(std::uint32_t a, std::uint32_t b) const noexcept {
    const EventSlot& x = events_[a - eventBase_];
    const EventSlot& y = events_[b - eventBase_];
    return x.time < y.time || (x.time == y.time && a < b);
}

std::size_t Store::IndexInBlock(std::uint32_t event) const {
    Settle();
    auto* e = EventSlotOf(event);
    if (!e || !e->block) return npos;
    const auto& list = BlockSlotOf(e->block)->events;
    auto it = std::lower_bound(list.begin(), list.end(), event,
                               [this](std::uint32_t a, std::uint32_t b) { return EventBefore(a, b); });
    return it != list.end() && *it == event ? static_cast<std::size_t>(it - list.begin()) : npos;
}

void Store::NoteIndexChange(std::uint32_t event) {
    EventSlot& s = events_[event - eventBase_];
    // The first note of a batch knows where the event is listed; later ones add nothing.
    if (s.indexState & kFixPending) return;
    s.indexState |= kFixPending;
    indexFixes_.push_back(IndexFix{event, s.block, s.time});
}

void Store::DropDeleted(std::vector<std::uint32_t>& blocks, std::span<const mp::EventKey> keys) {
    std::sort(blocks.begin(), blocks.end());
    blocks.erase(std::unique(blocks.begin(), blocks.end()), blocks.end());
    // A few events of one long block, its index in order: each is found by a search and the rest
    // shift down once, with no look at the events kept.
    if (blocks.size() == 1 && indexFixes_.empty() && keys.size() * 64 < BlockSlotOf(blocks[0])->events.size()) {
        std::vector<std::uint32_t>& list = BlockSlotOf(blocks[0])->events;
        const auto before = [this](std::uint32_t a, std::uint32_t b) { return EventBefore(a, b); };
        std::vector<std::size_t> at;
        at.reserve(keys.size());
        for (const mp::EventKey& k : keys) {
            const auto it = std::lower_bound(list.begin(), list.end(), k.event, before);
            if (it == list.end() || *it != k.event) break;
            at.push_back(static_cast<std::size_t>(it - list.begin()));
        }
        if (at.size() == keys.size()) {
            std::sort(at.begin(), at.end());
            EraseAt(list, at);
            return;
        }
    }
    // A deleted event with a noted fix may go here too: the fold then finds it gone.
    for (std::uint32_t b : blocks)
        std::erase_if(BlockSlotOf(b)->events, [this](std::uint32_t id) { return !events_[id - eventBase_].block; });
}

// Merges the sorted `entering` into the sorted list in place, from the back, without a second copy.
void Store::MergeFromBack(std::vector<std::uint32_t>& list, const std::vector<std::uint32_t>& entering) const {
    std::size_t kept = list.size(), in = entering.size();
    list.resize(kept + in);
    for (std::size_t out = list.size(); in > 0;) {
        if (kept > 0 && EventBefore(entering[in - 1], list[kept - 1])) list[--out] = list[--kept];
        else list[--out] = entering[--in];
    }
}

void Store::MergeBySearch(std::vector<std::uint32_t>& list, const std::vector<std::uint32_t>& entering) const {
    const auto before = [this](std::uint32_t a, std::uint32_t b) { return EventBefore(a, b); };
    std::size_t kept = list.size(), in = entering.size();
    list.resize(kept + in);
    for (std::size_t out = list.size(); in > 0;) {
        const std::uint32_t id = entering[--in];
        const auto first = list.begin();
        const std::size_t after =
            static_cast<std::size_t>(std::upper_bound(first, first + static_cast<std::ptrdiff_t>(kept), id, before) - first);
        std::move_backward(first + static_cast<std::ptrdiff_t>(after), first + static_cast<std::ptrdiff_t>(kept),
                           first + static_cast<std::ptrdiff_t>(out));
        out -= kept - after;
        kept = after;
        list[--out] = id;
    }
}

void Store::FixIndexes() {
    std::vector<IndexFix> fixes;
    fixes.swap(indexFixes_);
    indexFixes_.swap(spareFixes_);
    struct BlockWork {
        std::vector<const IndexFix*> leave; // listed here under their old place
        std::vector<std::uint32_t> enter;   // alive here now
    };
    std::unordered_map<std::uint32_t, BlockWork> work;
    // The first block met takes the kept room: an edit of many events mostly touches one block.
    auto workOf = [&](std::uint32_t block) -> BlockWork& {
        auto [at, fresh] = work.try_emplace(block);
        if (fresh && work.size() == 1) {
            at->second.leave.swap(spareLeaving_);
            at->second.enter.swap(spareEntering_);
        }
        return at->second;
    };
    for (const IndexFix& f : fixes) {
        if (f.block && BlockAlive(f.block)) workOf(f.block).leave.push_back(&f);
        const EventSlot& s = events_[f.event - eventBase_];
        if (s.block) workOf(s.block).enter.push_back(f.event);
    }
    auto before = [this](std::uint32_t a, std::uint32_t b) { return EventBefore(a, b); };
    for (auto& entry : work) {
        // A named reference, not a structured binding: lambdas below capture it, which clang 14 refuses.
        auto& w = entry.second;
        auto& list = BlockSlotOf(entry.first)->events;
        if (w.leave.size() + w.enter.size() <= kFewChanges) {
            // Entries still listed under an old time are found by that time; every other entry's
            // slot time is the one it is listed under.
            auto listedTime = [&](std::uint32_t id) {
                const EventSlot& s = events_[id - eventBase_];
                if (s.indexState & kFixPending)
                    for (const IndexFix* f : w.leave)
                        if (f->event == id) return f->time;
                return s.time;
            };
            for (const IndexFix* f : w.leave) {
                auto it = std::lower_bound(list.begin(), list.end(), f->event, [&](std::uint32_t a, std::uint32_t id) {
                    const std::int64_t ta = listedTime(a);
                    return ta < f->time || (ta == f->time && a < id);
                });
                if (it != list.end() && *it == f->event) list.erase(it);
            }
            for (std::uint32_t id : w.enter) {
                if (list.empty() || before(list.back(), id)) list.push_back(id);
                else list.insert(std::lower_bound(list.begin(), list.end(), id, before), id);
            }
            continue;
        }
        // A few changes of a long block find their places by search; more are folded by passes.
        const bool few = (w.leave.size() + w.enter.size()) * 64 <= list.size();
        if (few) {
            std::unordered_map<std::uint32_t, std::int64_t> listedAt;
            listedAt.reserve(w.leave.size());
            for (const IndexFix* f : w.leave) listedAt.emplace(f->event, f->time);
            auto listedBefore = [&](std::uint32_t a, const IndexFix* f) {
                const EventSlot& s = events_[a - eventBase_];
                std::int64_t ta = s.time;
                if (s.indexState & kFixPending)
                    if (const auto it = listedAt.find(a); it != listedAt.end()) ta = it->second;
                return ta < f->time || (ta == f->time && a < f->event);
            };
            std::vector<std::size_t> at;
            at.reserve(w.leave.size());
            for (const IndexFix* f : w.leave) {
                const auto it = std::lower_bound(list.begin(), list.end(), f, listedBefore);
                if (it != list.end() && *it == f->event) at.push_back(static_cast<std::size_t>(it - list.begin()));
            }
            std::sort(at.begin(), at.end());
            EraseAt(list, at);
        } else {
            for (const IndexFix* f : w.leave) events_[f->event - eventBase_].indexState |= kDropMark;
            std::erase_if(list, [this](std::uint32_t id) { return (events_[id - eventBase_].indexState & kDropMark) != 0; });
            for (const IndexFix* f : w.leave) events_[f->event - eventBase_].indexState &= ~kDropMark;
        }
        // A move keeps the order of the events it moves, and undo replays them backwards.
        if (!std::is_sorted(w.enter.begin(), w.enter.end(), before)) {
            if (std::is_sorted(w.enter.rbegin(), w.enter.rend(), before)) std::reverse(w.enter.begin(), w.enter.end());
            else std::sort(w.enter.begin(), w.enter.end(), before);
        }
        if (few) MergeBySearch(list, w.enter);
        else MergeFromBack(list, w.enter);
    }
    for (const IndexFix& f : fixes) events_[f.event - eventBase_].indexState &= ~kFixPending;
    // The largest room serves the next edit.
    for (auto& entry : work) {
        BlockWork& w = entry.second;
        w.leave.clear();
        w.enter.clear();
        if (w.leave.capacity() > spareLeaving_.capacity()) spareLeaving_.swap(w.leave);
        if (w.enter.capacity() > spareEntering_.capacity()) spareEntering_.swap(w.enter);
    }
    fixes.clear();
    spareFixes_.swap(fixes);
}

} // namespace host
