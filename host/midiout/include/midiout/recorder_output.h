// An output that keeps every message it is sent, with the time it arrived.
#pragma once

#include <functional>
#include <mutex>
#include <vector>

#include "midiout/output.h"

namespace midiout {

struct RecordedMessage {
    std::int64_t micros; // from the time source given to the recorder
    MidiMessage message;
};

class RecorderOutput : public MidiOutput {
public:
    using TimeSource = std::function<std::int64_t()>;
    // Without a time source the stamps are microseconds of the steady clock.
    explicit RecorderOutput(TimeSource now = {}, std::string name = "Recorder");

    std::string Name() const override { return name_; }
    bool IsAvailable() const override { return true; }
    void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
    void SendLong(const std::uint8_t* bytes, std::size_t size) override;

    std::vector<RecordedMessage> Messages() const;
    std::size_t Count() const;
    void Clear();

private:
    void Add(MidiMessage m);

    TimeSource now_;
    std::string name_;
    mutable std::mutex mutex_;
    std::vector<RecordedMessage> messages_;
};

} // namespace midiout
