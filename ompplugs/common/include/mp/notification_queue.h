// The plug-in object's queue of pending notifications, packed: a run of records that differ only in
// their event id (one key in both key fields) and follow each other in the host's numbering keeps
// four bytes for each record after its first, so a large edit queues a few bytes per event.
#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "mp/host_contract.h"
#include "mp/record_helpers.h"
#include "mp/records.h"

namespace mp {

class NotificationQueue {
public:
    // Appends a copy of the record; `listed` says the event-key list has already taken it in (the
    // immediate phase let a deleted key go). May throw std::bad_alloc.
    void Push(const NotificationRecord& record, bool listed);
    std::size_t Size() const noexcept { return size_; }
    bool Empty() const noexcept { return size_ == 0; }
    // Room held, in bytes, so that a large batch's room can be kept for the next one.
    std::size_t Capacity() const noexcept { return runs_.capacity() * sizeof(Run) + ids_.capacity() * 4; }
    void Clear() noexcept;
    // Calls f(record, listed) for every record in the order queued; the record is a copy made for
    // the call.
    template <class F> void ForEach(F&& f) const {
        for (const Run& run : runs_) {
            NotificationRecord record = run.first;
            f(record, run.listed);
            for (std::uint32_t n = 1; n < run.count; ++n) {
                record = run.first;
                const std::uint32_t event = ids_[run.idsFrom + n - 1];
                record.oldKey.event = record.newKey.event = event;
                SetSequence(record, Sequence(run.first) + (run.numbered ? n : 0));
                f(record, run.listed);
            }
        }
    }

private:
    struct Run {
        NotificationRecord first;
        std::uint32_t count;   // records in the run, the first included
        std::uint32_t idsFrom; // the event ids of the others start here in ids_
        bool numbered;         // the host numbers its records (else all numbers are 0)
        bool listed;
    };
    static std::uint32_t Sequence(const NotificationRecord& r) noexcept {
        std::uint32_t s;
        std::memcpy(&s, reinterpret_cast<const std::uint8_t*>(&r) + NOTIFY_SEQUENCE_OFFSET, 4);
        return s;
    }
    static void SetSequence(NotificationRecord& r, std::uint32_t s) noexcept {
        std::memcpy(reinterpret_cast<std::uint8_t*>(&r) + NOTIFY_SEQUENCE_OFFSET, &s, 4);
    }
    bool Extends(const Run& run, const NotificationRecord& record, bool listed) const noexcept;

    std::vector<Run> runs_;
    std::vector<std::uint32_t> ids_;
    std::size_t size_ = 0;
};

} // namespace mp
