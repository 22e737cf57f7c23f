// --convert IN OUT: reads a MIDI file into the host model and writes it back out.
#include <cstdio>

#include "model/store.h"
#include "modes.h"
#include "smf/smf.h"

namespace host::app {

int RunConvert(const std::vector<std::string>& args) {
    if (args.size() != 2) {
        std::fputs("pianoroll: --convert needs an input and an output file\n", stderr);
        return 2;
    }
    Store store;
    smf::ReadResult read = ReadSongFile(args[0], store);
    if (!read.ok) return 1;
    smf::WriteResult written = smf::WriteFile(store, args[1]);
    if (!written.ok) {
        ReportError(args[1], written.error);
        return 1;
    }
    if (written.skippedEvents)
        std::fprintf(stderr, "pianoroll: %s: %zu events of kinds a MIDI file cannot hold were left out\n",
                     args[1].c_str(), written.skippedEvents);
    return 0;
}

} // namespace host::app
