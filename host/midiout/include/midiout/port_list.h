// The host's MIDI ports: the built-in synthesizer first, then the ALSA destinations; ALSA sources
// as the input list. Port ids and GUIDs stay the same for the same port across refreshes.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "midiout/output.h"

namespace midiout {

class AlsaSequencer;

enum PortKind : int { kInputPorts = 0, kOutputPorts = 1 };

using PortGuid = std::array<std::uint8_t, 16>; // raw bytes of the port's GUID

struct PortEntry {
    std::uint32_t id = 0;
    PortGuid guid{};
    std::string name;
    bool available = true;
};

// The GUID of a port, derived from its kind and name so that it survives restarts.
PortGuid MakePortGuid(int kind, const std::string& name);
extern const PortGuid kBuiltInSynthGuid;

struct PortListOptions {
    bool builtInSynth = true;  // create the FluidSynth output
    bool openAudio = true;     // let it open an audio device
    bool alsa = true;          // open the sequencer client and list its ports
};

class PortList {
public:
    PortList();
    ~PortList();
    // The list a host starts with. Problems with the synthesizer are kept in Problems().
    static std::unique_ptr<PortList> Create(const PortListOptions& options = {});

    // Adds an output of our own making (tests: a recorder). Returns its id.
    std::uint32_t AddOutput(std::shared_ptr<MidiOutput> output, const PortGuid& guid);

    std::vector<PortEntry> Ports(int kind) const;
    std::shared_ptr<MidiOutput> Output(std::uint32_t id) const;

    // The current output port: the first one until another is chosen; 0 when there is none.
    std::uint32_t CurrentOutputId() const;
    bool SetCurrentOutput(std::uint32_t id);
    std::shared_ptr<MidiOutput> CurrentOutput() const;

    // Lists the ALSA ports again; ports that remain keep their ids, the current one stays when present.
    void Refresh();

    const std::vector<std::string>& Problems() const { return problems_; }
    bool HasSequencer() const { return sequencer_ != nullptr; }

private:
    struct Slot {
        PortEntry entry;
        int kind = kOutputPorts;
        std::shared_ptr<MidiOutput> output;
        bool fromAlsa = false;
    };
    std::uint32_t IdFor(const PortGuid& guid);

    mutable std::mutex mutex_;
    std::vector<Slot> slots_;
    std::vector<std::pair<PortGuid, std::uint32_t>> knownIds_;
    std::uint32_t nextId_ = 1;
    std::uint32_t current_ = 0;
    std::shared_ptr<AlsaSequencer> sequencer_;
    std::vector<std::string> problems_;
};

} // namespace midiout
