// ALSA sequencer outputs: one client of ours with one output port, and the destinations it reaches.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "midiout/output.h"

namespace midiout {

struct AlsaPortInfo {
    int client = 0;
    int port = 0;
    std::string name; // "client name: port name"
};

// The host's sequencer client. Absent (Open returns null) when there is no sequencer device.
class AlsaSequencer : public std::enable_shared_from_this<AlsaSequencer> {
public:
    // Opens client "Piano Roll" with one output port "Piano Roll"; null without /dev/snd/seq.
    static std::shared_ptr<AlsaSequencer> Open();
    ~AlsaSequencer();

    // Ports other clients accept MIDI on (output ports for us), and ports that send MIDI.
    std::vector<AlsaPortInfo> Destinations() const;
    std::vector<AlsaPortInfo> Sources() const;
    std::unique_ptr<MidiOutput> MakeOutput(const AlsaPortInfo& destination);

    int ClientId() const { return clientId_; }
    int PortId() const { return portId_; }

private:
    AlsaSequencer() = default;
    std::vector<AlsaPortInfo> List(unsigned needCaps) const;
    friend class AlsaOutput;

    void* handle_ = nullptr; // snd_seq_t
    int clientId_ = -1;
    int portId_ = -1;
};

} // namespace midiout
