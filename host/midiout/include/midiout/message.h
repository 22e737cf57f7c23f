// MIDI messages as the outputs take them, and the encoding of event kinds into wire messages.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace midiout {

// One message on the wire: a short message of 1 to 3 bytes, or a system-exclusive / long message
// whose bytes are shared so that copies of a schedule stay cheap.
struct MidiMessage {
    std::uint8_t status = 0;
    std::uint8_t data1 = 0;
    std::uint8_t data2 = 0;
    std::uint8_t size = 0; // 1-3 for a short message, 0 for a long one
    std::shared_ptr<const std::vector<std::uint8_t>> bytes;

    bool IsLong() const { return size == 0; }
    int Channel() const { return status >= 0x80 && status < 0xF0 ? (status & 0x0F) : -1; }
    int Type() const { return status & 0xF0; }
    bool IsNoteOn() const { return Type() == 0x90 && size == 3 && data2 > 0; }
    bool IsNoteOff() const { return size == 3 && (Type() == 0x80 || (Type() == 0x90 && data2 == 0)); }

    static MidiMessage Short(std::uint8_t status, std::uint8_t d1 = 0, std::uint8_t d2 = 0);
    static MidiMessage Long(std::vector<std::uint8_t> data);
};

// The fields of an event that decide what goes on the wire. `kind` is one of the event-kind bits of
// the MIDI event record; `channel` is 0-15; `data`/`dataSize` hold the bytes of variable-length kinds.
struct EventFields {
    std::uint32_t kind = 0;
    int channel = 0;
    std::uint8_t d[4] = {0, 0, 0, 0};
    const std::uint8_t* data = nullptr;
    std::size_t dataSize = 0;
};

// Appends the wire messages for one event. A note (kind 0x40) yields only its note-on; the caller
// schedules the note-off. Kinds that have no wire form (meta, MCI, wave data, empty) append nothing.
// Returns the number of messages appended.
std::size_t AppendMessages(const EventFields& ev, std::vector<MidiMessage>& out);

// Number of data bytes that follow a status byte in a short message (-1 for 0xF0/0xF7 and
// undefined system bytes).
int ShortMessageDataBytes(std::uint8_t status);

} // namespace midiout
