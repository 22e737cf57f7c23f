// --list-ports: prints the MIDI output ports (and the input ports) the host offers.
#include <cstdio>

#include "midiout/fluid_synth_output.h"
#include "midiout/port_list.h"
#include "modes.h"

namespace host::app {

int RunListPorts(const std::vector<std::string>& args) {
    if (!args.empty()) {
        std::fputs("pianoroll: --list-ports takes no arguments\n", stderr);
        return 2;
    }
    // Listing needs no sound: the synthesizer is created without an audio device.
    midiout::PortListOptions options;
    options.openAudio = false;
    std::unique_ptr<midiout::PortList> ports = midiout::PortList::Create(options);
    const bool haveSoundFont = midiout::FindSoundFont().has_value();

    std::printf("Output ports:\n");
    for (const midiout::PortEntry& p : ports->Ports(midiout::kOutputPorts)) {
        std::printf("  %u  %s", p.id, p.name.c_str());
        if (p.id == ports->CurrentOutputId()) std::printf("  (current)");
        if (p.guid == midiout::kBuiltInSynthGuid && !haveSoundFont)
            std::printf("  (unavailable: %s)", midiout::MissingSoundFontMessage().c_str());
        std::printf("\n");
    }
    std::printf("Input ports:\n");
    const auto inputs = ports->Ports(midiout::kInputPorts);
    for (const midiout::PortEntry& p : inputs) std::printf("  %u  %s\n", p.id, p.name.c_str());
    if (!ports->HasSequencer()) std::printf("(no ALSA sequencer: /dev/snd/seq is not available)\n");
    else if (inputs.empty()) std::printf("  (none)\n");
    return 0;
}

} // namespace host::app
