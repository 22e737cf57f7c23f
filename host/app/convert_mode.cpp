// --convert [--allow-damaged] IN OUT: reads a MIDI file into the host model and writes it back out.
#include <algorithm>
#include <cstdio>

#include "model/store.h"
#include "modes.h"
#include "smf/smf.h"

namespace host::app {

int RunConvert(const std::vector<std::string>& args) {
    std::vector<std::string> files;
    bool allowDamaged = false;
    for (const std::string& a : args) {
        if (a == "--allow-damaged") allowDamaged = true;
        else files.push_back(a);
    }
    if (files.size() != 2) {
        std::fputs("pianoroll: --convert needs an input and an output file\n", stderr);
        return 2;
    }
    const std::string& in = files[0];
    const std::string& out = files[1];
    Store store;
    smf::ReadResult read = ReadSongFile(in, store);
    if (!read.ok) return ExitCodeOf(read);
    ReportWarnings(in, read.warnings);
    // A copy of a damaged song would pass for a whole one; the user says when that is what they want.
    const bool damaged = std::any_of(read.warnings.begin(), read.warnings.end(),
                                     [](const smf::ReadWarning& w) { return w.damage; });
    if (damaged && !allowDamaged) {
        ReportError(in, "the song is damaged, so " + out +
                            " was not written (give --allow-damaged to convert what could be read)");
        return 1;
    }
    smf::WriteResult written = smf::WriteFile(store, out);
    if (!written.ok) {
        ReportError(out, written.error);
        return 1;
    }
    if (written.skippedEvents)
        std::fprintf(stderr, "pianoroll: %s: %zu events of kinds a MIDI file cannot hold were left out\n",
                     out.c_str(), written.skippedEvents);
    return 0;
}

} // namespace host::app
