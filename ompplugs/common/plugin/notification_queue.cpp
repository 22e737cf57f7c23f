// The packed queue of pending notifications.
#include "mp/notification_queue.h"

namespace mp {

bool NotificationQueue::Extends(const Run& run, const NotificationRecord& record, bool listed) const noexcept {
    if (run.listed != listed || !(record.oldKey == record.newKey) || !(run.first.oldKey == run.first.newKey))
        return false;
    // Numbered records follow each other by one; unnumbered ones are all 0.
    const std::uint32_t sequence = Sequence(record), first = Sequence(run.first);
    const bool next = sequence == first + run.count;
    const bool unnumbered = sequence == 0 && first == 0;
    if (run.count == 1 ? !(next || unnumbered) : (run.numbered ? !next : !unnumbered)) return false;
    // Equal to the run's first record but for the event id and the number.
    NotificationRecord expected = run.first;
    expected.oldKey.event = expected.newKey.event = record.oldKey.event;
    SetSequence(expected, sequence);
    return std::memcmp(&expected, &record, sizeof record) == 0;
}

void NotificationQueue::Push(const NotificationRecord& record, bool listed) {
    if (!runs_.empty() && Extends(runs_.back(), record, listed)) {
        Run& run = runs_.back();
        ids_.push_back(record.oldKey.event);
        // The second record tells whether the host numbers them.
        if (run.count == 1) run.numbered = Sequence(record) != 0 || Sequence(run.first) != 0;
        ++run.count;
    } else {
        runs_.push_back(Run{record, 1, static_cast<std::uint32_t>(ids_.size()), false, listed});
    }
    ++size_;
}

void NotificationQueue::Clear() noexcept {
    runs_.clear();
    ids_.clear();
    size_ = 0;
}

} // namespace mp
