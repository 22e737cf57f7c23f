// --export-wav OUT.wav [FILE.mid]: renders a song (or the built-in demo song) through the built-in
// synthesizer into a 44.1 kHz 16-bit stereo WAV file, faster than real time.
#include <algorithm>
#include <cstdio>

#include "demo_song.h"
#include "model/store.h"
#include "modes.h"
#include "playback/model_song.h"
#include "playback/song.h"
#include "smf/smf.h"

namespace host::app {

int RunExportWav(const std::vector<std::string>& args) {
    if (args.empty() || args.size() > 2) {
        std::fputs("pianoroll: --export-wav needs an output file and at most one MIDI file\n", stderr);
        return 2;
    }
    const std::string& out = args[0];
    Store store;
    if (args.size() == 2) {
        smf::ReadResult read = ReadSongFile(args[1], store);
        if (!read.ok) return ExitCodeOf(read);
        ReportWarnings(args[1], read.warnings);
    } else {
        smf::ReadResult read = smf::Read(DemoSongData(), DemoSongSize(), store);
        if (!read.ok) {
            ReportError("demo song", read.error, static_cast<long long>(read.offset));
            return 1;
        }
    }
    const playback::Song song = playback::SongFromStore(store);
    midiout::RenderOptions options;
    options.sampleRate = 44100;
    // The song ends where its last track ends, even when that is after the last note.
    std::int64_t endTick = 0;
    for (std::uint32_t t : store.TracksInOrder())
        for (std::uint32_t b : store.BlocksOf(t)) endTick = std::max(endTick, store.Block(b)->end);
    options.minSeconds = song.tempo.TickToSeconds(endTick);
    midiout::RenderResult result = playback::RenderSongToWav(song, out, options);
    if (!result.ok) {
        ReportError(out, result.error);
        return 1;
    }
    return 0;
}

} // namespace host::app
