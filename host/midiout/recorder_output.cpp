// The recording output used by tests and diagnostics.
#include "midiout/recorder_output.h"

#include <chrono>

namespace midiout {

RecorderOutput::RecorderOutput(TimeSource now, std::string name) : now_(std::move(now)), name_(std::move(name)) {
    if (!now_) {
        now_ = [] {
            return std::chrono::duration_cast<std::chrono::microseconds>(
                       std::chrono::steady_clock::now().time_since_epoch())
                .count();
        };
    }
}

void RecorderOutput::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    Add(MidiMessage::Short(status, data1, data2));
}

void RecorderOutput::SendLong(const std::uint8_t* bytes, std::size_t size) {
    if (!bytes || size == 0) return;
    Add(MidiMessage::Long(std::vector<std::uint8_t>(bytes, bytes + size)));
}

void RecorderOutput::Add(MidiMessage m) {
    const std::int64_t t = now_();
    std::lock_guard lock(mutex_);
    messages_.push_back({t, std::move(m)});
}

std::vector<RecordedMessage> RecorderOutput::Messages() const {
    std::lock_guard lock(mutex_);
    return messages_;
}

std::size_t RecorderOutput::Count() const {
    std::lock_guard lock(mutex_);
    return messages_.size();
}

void RecorderOutput::Clear() {
    std::lock_guard lock(mutex_);
    messages_.clear();
}

} // namespace midiout
