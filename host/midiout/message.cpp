// Encoding of event kinds into wire messages.
#include "midiout/message.h"

namespace midiout {

namespace {
constexpr std::uint32_t kPackedNrpn = 0x2, kPackedRpn = 0x4, kBankProgram = 0x8, kShortMsg = 0x10,
                        kNoteOff = 0x20, kNote = 0x40, kPolyPressure = 0x80, kControl = 0x100,
                        kProgram = 0x200, kAftertouch = 0x400, kPitchBend = 0x800, kSysex = 0x10000,
                        kSysexContinue = 0x20000, kLongMsg = 0x80000;

std::uint8_t Seven(std::uint8_t v) { return v & 0x7F; }
} // namespace

MidiMessage MidiMessage::Short(std::uint8_t status, std::uint8_t d1, std::uint8_t d2) {
    MidiMessage m;
    m.status = status;
    int n = ShortMessageDataBytes(status);
    m.size = static_cast<std::uint8_t>(1 + (n < 0 ? 0 : n));
    m.data1 = n >= 1 ? Seven(d1) : 0;
    m.data2 = n >= 2 ? Seven(d2) : 0;
    return m;
}

MidiMessage MidiMessage::Long(std::vector<std::uint8_t> data) {
    MidiMessage m;
    m.status = data.empty() ? 0 : data.front();
    m.size = 0;
    m.bytes = std::make_shared<const std::vector<std::uint8_t>>(std::move(data));
    return m;
}

int ShortMessageDataBytes(std::uint8_t status) {
    if (status < 0x80) return -1;
    switch (status & 0xF0) {
    case 0xC0:
    case 0xD0: return 1;
    case 0xF0: break;
    default: return 2;
    }
    switch (status) {
    case 0xF1:
    case 0xF3: return 1;
    case 0xF2: return 2;
    case 0xF6:
    case 0xF8:
    case 0xFA:
    case 0xFB:
    case 0xFC:
    case 0xFE:
    case 0xFF: return 0;
    default: return -1;
    }
}

std::size_t AppendMessages(const EventFields& ev, std::vector<MidiMessage>& out) {
    const std::size_t before = out.size();
    const auto ch = static_cast<std::uint8_t>(ev.channel & 0x0F);
    auto cc = [&](std::uint8_t controller, std::uint8_t value) {
        out.push_back(MidiMessage::Short(0xB0 | ch, controller, value));
    };
    switch (ev.kind) {
    case kNote:
        // A note-on with velocity 0 would be heard as a note-off; such a note is silent.
        if (Seven(ev.d[1]) != 0) out.push_back(MidiMessage::Short(0x90 | ch, ev.d[0], ev.d[1]));
        break;
    case kNoteOff: out.push_back(MidiMessage::Short(0x80 | ch, ev.d[0], ev.d[1])); break;
    case kPolyPressure: out.push_back(MidiMessage::Short(0xA0 | ch, ev.d[0], ev.d[1])); break;
    case kControl: cc(ev.d[0], ev.d[1]); break;
    case kProgram: out.push_back(MidiMessage::Short(0xC0 | ch, ev.d[0])); break;
    case kAftertouch: out.push_back(MidiMessage::Short(0xD0 | ch, ev.d[0])); break;
    case kPitchBend: out.push_back(MidiMessage::Short(0xE0 | ch, ev.d[0], ev.d[1])); break;
    case kBankProgram:
        // data 1 program, data 2 bank MSB, data 3 bank LSB
        cc(0, ev.d[1]);
        cc(32, ev.d[2]);
        out.push_back(MidiMessage::Short(0xC0 | ch, ev.d[0]));
        break;
    case kPackedRpn:
    case kPackedNrpn: {
        const bool rpn = ev.kind == kPackedRpn;
        cc(rpn ? 101 : 99, ev.d[0]);
        cc(rpn ? 100 : 98, ev.d[1]);
        cc(6, ev.d[2]);
        cc(38, ev.d[3]);
        break;
    }
    case kShortMsg: {
        // Raw message: data 1 is the status byte. Running status is not allowed here.
        const std::uint8_t status = ev.d[0];
        const int n = ShortMessageDataBytes(status);
        if (n >= 0) out.push_back(MidiMessage::Short(status, ev.d[1], ev.d[2]));
        break;
    }
    case kSysex:
        if (ev.data && ev.dataSize > 0) {
            std::vector<std::uint8_t> bytes;
            bytes.reserve(ev.dataSize + 2);
            if (ev.data[0] != 0xF0) bytes.push_back(0xF0);
            bytes.insert(bytes.end(), ev.data, ev.data + ev.dataSize);
            if (bytes.back() != 0xF7) bytes.push_back(0xF7);
            out.push_back(MidiMessage::Long(std::move(bytes)));
        }
        break;
    case kSysexContinue:
    case kLongMsg:
        if (ev.data && ev.dataSize > 0)
            out.push_back(MidiMessage::Long(std::vector<std::uint8_t>(ev.data, ev.data + ev.dataSize)));
        break;
    default: break;
    }
    return out.size() - before;
}

} // namespace midiout
