// A packed queue of notification records: a run of records that differ only in their event id (one
// key in both key fields) and follow each other in the host's numbering (or are all unnumbered)
// keeps four bytes for each record after its first, so a large edit queues a few bytes per event.
// The host collects a transaction's records in one; the plug-in object keeps its pending ones in another.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

#include "mp/host_contract.h"
#include "mp/records.h"

namespace mp {

class NotificationQueue {
public:
    // Appends a copy of the record; `listed` is a mark kept with it (the plug-in's: the event-key list
    // has already taken it in). May throw std::bad_alloc.
    void Push(const NotificationRecord& record, bool listed = false) {
        if (!PushJoining(record, listed)) {
            runs_.push_back(Run{record, 1, static_cast<std::uint32_t>(ids_.size()), false, listed});
            ++size_;
        }
    }
    // Appends the record only when it joins the last run (equal to its first record but for the event
    // ids and the number, with the same mark); false, with nothing added, otherwise. May throw
    // std::bad_alloc.
    bool PushJoining(const NotificationRecord& record, bool listed = false) {
        if (runs_.empty() || !Extends(runs_.back(), record, listed)) return false;
        Run& run = runs_.back();
        ids_.push_back(record.oldKey.event);
        // The second record tells whether the records are numbered.
        if (run.count == 1) run.numbered = Sequence(record) != 0 || Sequence(run.first) != 0;
        ++run.count;
        ++size_;
        return true;
    }
    // Appends a record equal to the last one pushed but for its event id, as a large edit reports
    // event after event. The last record must be unnumbered, unlisted and name one key in both key
    // fields. May throw std::bad_alloc.
    void PushNext(std::uint32_t event) {
        ids_.push_back(event);
        ++runs_.back().count;
        ++size_;
    }
    // Room for `more` records added by PushNext, so that a large edit's ids take just their room.
    void ReserveNext(std::size_t more) {
        if (ids_.capacity() - ids_.size() < more) ids_.reserve(ids_.size() + more);
    }
    // Appends the other queue's records after these, in order, leaving the other as it is: its first
    // run joins the last one here when each of its records would have. May throw std::bad_alloc
    // (before anything is added).
    void Append(const NotificationQueue& other) {
        Room(runs_, other.runs_.size());
        Room(ids_, other.ids_.size() + 1);
        std::size_t from = 0;
        if (!runs_.empty() && !other.runs_.empty() && Extends(runs_.back(), other.runs_[0].first, other.runs_[0].listed)) {
            Run& last = runs_.back();
            const Run& joining = other.runs_[0];
            const bool numbered = last.count == 1 ? Sequence(joining.first) != 0 || Sequence(last.first) != 0 : last.numbered;
            if (joining.count == 1 || joining.numbered == numbered) {
                last.numbered = numbered;
                ids_.push_back(joining.first.oldKey.event);
                for (std::uint32_t n = 1; n < joining.count; ++n) ids_.push_back(other.ids_[joining.idsFrom + n - 1]);
                last.count += joining.count;
                from = 1;
            }
        }
        for (std::size_t r = from; r < other.runs_.size(); ++r) {
            Run run = other.runs_[r];
            const auto at = static_cast<std::uint32_t>(ids_.size());
            for (std::uint32_t n = 1; n < run.count; ++n) ids_.push_back(other.ids_[run.idsFrom + n - 1]);
            run.idsFrom = at;
            runs_.push_back(run);
        }
        size_ += other.size_;
    }
    std::size_t Size() const noexcept { return size_; }
    bool Empty() const noexcept { return size_ == 0; }
    // Room held, in bytes, so that a large batch's room can be kept for the next one.
    std::size_t Capacity() const noexcept { return runs_.capacity() * sizeof(Run) + ids_.capacity() * 4; }
    void Clear() noexcept {
        runs_.clear();
        ids_.clear();
        size_ = 0;
    }
    void Swap(NotificationQueue& other) noexcept {
        runs_.swap(other.runs_);
        ids_.swap(other.ids_);
        std::swap(size_, other.size_);
    }
    // Calls f(record, listed) for every record in the order queued; the record is a copy made for
    // the call.
    template <class F> void ForEach(F&& f) const {
        for (const Run& run : runs_) Expand(run, 0, f);
    }
    // As ForEach, but a run of records that differ only in their event ids and numbers is first offered
    // whole: whole(first, ids, count, listed) gets its first record and the event ids of the count - 1
    // records after it, and answers false to have them called one by one instead.
    template <class Whole, class F> void ForEachRun(Whole&& whole, F&& f) const {
        for (const Run& run : runs_)
            if (!whole(run.first, ids_.data() + run.idsFrom, run.count, run.listed)) Expand(run, 0, f);
    }
    // Moves the records from the `from`th on (counting from 0) to `into` (emptied first), in order;
    // the first `from` stay. May throw std::bad_alloc (before anything is moved out).
    void MoveTail(std::size_t from, NotificationQueue& into) {
        into.Clear();
        if (from >= size_) return;
        std::size_t r = 0, at = 0;
        while (at + runs_[r].count <= from) at += runs_[r++].count;
        const auto kept = static_cast<std::uint32_t>(from - at); // records of run r that stay
        NotificationQueue tail;
        for (std::size_t i = r; i < runs_.size(); ++i)
            Expand(runs_[i], i == r ? kept : 0, [&](const NotificationRecord& rec, bool listed) { tail.Push(rec, listed); });
        if (kept == 0) {
            ids_.resize(runs_[r].idsFrom);
            runs_.resize(r);
        } else {
            runs_[r].count = kept;
            ids_.resize(runs_[r].idsFrom + kept - 1);
            runs_.resize(r + 1);
        }
        size_ = from;
        into.Swap(tail);
    }

private:
    template <class T> static void Room(std::vector<T>& v, std::size_t more) {
        if (v.capacity() - v.size() < more) v.reserve(std::max(v.size() + more, 2 * v.capacity()));
    }
    struct Run {
        NotificationRecord first;
        std::uint32_t count;   // records in the run, the first included
        std::uint32_t idsFrom; // the event ids of the others start here in ids_
        bool numbered;         // the host numbers its records (else all numbers are 0)
        bool listed;
    };
    // Calls f(record, listed) for the run's records from its `from`th on.
    template <class F> void Expand(const Run& run, std::uint32_t from, F&& f) const {
        for (std::uint32_t n = from; n < run.count; ++n) {
            NotificationRecord record = run.first;
            if (n > 0) {
                record.oldKey.event = record.newKey.event = ids_[run.idsFrom + n - 1];
                SetSequence(record, Sequence(run.first) + (run.numbered ? n : 0));
            }
            f(record, run.listed);
        }
    }
    static std::uint32_t Sequence(const NotificationRecord& r) noexcept {
        std::uint32_t s;
        std::memcpy(&s, reinterpret_cast<const std::uint8_t*>(&r) + NOTIFY_SEQUENCE_OFFSET, 4);
        return s;
    }
    static void SetSequence(NotificationRecord& r, std::uint32_t s) noexcept {
        std::memcpy(reinterpret_cast<std::uint8_t*>(&r) + NOTIFY_SEQUENCE_OFFSET, &s, 4);
    }
    static bool SameKeys(const NotificationRecord& r) noexcept {
        return r.oldKey.track == r.newKey.track && r.oldKey.block == r.newKey.block && r.oldKey.event == r.newKey.event;
    }
    bool Extends(const Run& run, const NotificationRecord& record, bool listed) const noexcept {
        if (run.listed != listed || !SameKeys(record) || !SameKeys(run.first)) return false;
        // Numbered records follow each other by one; unnumbered ones are all 0.
        const std::uint32_t sequence = Sequence(record), first = Sequence(run.first);
        const bool next = sequence == first + run.count;
        const bool unnumbered = sequence == 0 && first == 0;
        if (run.count == 1 ? !(next || unnumbered) : (run.numbered ? !next : !unnumbered)) return false;
        // Equal to the run's first record but for the event id and the number.
        return SameOutsideRunWords(run.first, record);
    }
    // Word by word and inline, as a large edit compares every record it queues, with the bytes that
    // differ within a run (the number and the two event ids) masked out.
    static constexpr std::size_t kWords = sizeof(NotificationRecord) / 8;
    static_assert(sizeof(NotificationRecord) % 8 == 0);
    struct RunMask {
        std::uint64_t words[kWords];
    };
    static constexpr RunMask MakeRunMask() {
        RunMask m{};
        for (std::uint64_t& w : m.words) w = ~std::uint64_t{0};
        const std::size_t free[] = {NOTIFY_SEQUENCE_OFFSET, offsetof(NotificationRecord, oldKey) + offsetof(EventKey, event),
                                    offsetof(NotificationRecord, newKey) + offsetof(EventKey, event)};
        for (std::size_t at : free)
            for (std::size_t b = at; b < at + 4; ++b) m.words[b / 8] &= ~(std::uint64_t{0xFF} << (b % 8 * 8));
        return m;
    }
    static bool SameOutsideRunWords(const NotificationRecord& a, const NotificationRecord& b) noexcept {
        const auto* pa = reinterpret_cast<const unsigned char*>(&a);
        const auto* pb = reinterpret_cast<const unsigned char*>(&b);
        // Spelled out word by word: a loop the compiler keeps costs a branch per word.
        return [&]<std::size_t... I>(std::index_sequence<I...>) {
            return (Differ<I>(pa, pb) | ...) == 0;
        }(std::make_index_sequence<kWords>{});
    }
    // A word whose free bytes are one half of it loads only the other half: the sender has just
    // written the free fields alone, and a wider load over them waits for those writes to land.
    template <std::size_t I> static std::uint64_t Differ(const unsigned char* pa, const unsigned char* pb) noexcept {
        constexpr std::uint64_t mask = MakeRunMask().words[I];
        constexpr std::uint64_t low = 0xFFFFFFFFu, high = ~low;
        if constexpr (mask == 0) {
            return 0;
        } else if constexpr (mask == low || mask == high) {
            std::uint32_t x, y;
            std::memcpy(&x, pa + I * 8 + (mask == low ? 0 : 4), 4);
            std::memcpy(&y, pb + I * 8 + (mask == low ? 0 : 4), 4);
            return x ^ y;
        } else {
            std::uint64_t x, y;
            std::memcpy(&x, pa + I * 8, 8);
            std::memcpy(&y, pb + I * 8, 8);
            return (x ^ y) & mask;
        }
    }

    std::vector<Run> runs_;
    std::vector<std::uint32_t> ids_;
    std::size_t size_ = 0;
};

} // namespace mp
