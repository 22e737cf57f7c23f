// The MIDI output abstraction: something that plays one message now.
#pragma once

#include <cstdint>
#include <string>

#include "midiout/message.h"

namespace midiout {

// Outputs may be called from the playback thread and the user-interface thread at once; every
// implementation serialises its own sends.
class MidiOutput {
public:
    virtual ~MidiOutput() = default;

    virtual std::string Name() const = 0;
    // False when the output exists but cannot make sound (no audio device, port gone).
    virtual bool IsAvailable() const = 0;
    virtual void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) = 0;
    // A complete system-exclusive message (F0 ... F7) or a raw long message.
    virtual void SendLong(const std::uint8_t* bytes, std::size_t size) = 0;

    void Send(const MidiMessage& m) {
        if (m.IsLong()) {
            if (m.bytes && !m.bytes->empty()) SendLong(m.bytes->data(), m.bytes->size());
        } else {
            SendShort(m.status, m.data1, m.data2);
        }
    }
    // Note-offs for every key and CC 123 on one channel.
    void SilenceChannel(int channel) {
        const auto ch = static_cast<std::uint8_t>(channel & 0x0F);
        SendShort(0xB0 | ch, 64, 0);
        SendShort(0xB0 | ch, 123, 0);
    }
};

} // namespace midiout
