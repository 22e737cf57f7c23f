// --info FILE: prints the tracks of a MIDI file with names, channels, event counts and length, and
// what a damaged file lacks.
#include <bit>
#include <cstdio>
#include <map>
#include <string>

#include "model/store.h"
#include "modes.h"
#include "smf/smf.h"

namespace host::app {

namespace {

const char* KindName(std::uint32_t kind) {
    switch (kind) {
    case mp::MEK_NONE: return "(None)";
    case mp::MEK_PACKED_NRPN: return "Packed NRPN";
    case mp::MEK_PACKED_RPN: return "Packed RPN";
    case mp::MEK_BANK_PROGRAM: return "Program Change with bank";
    case mp::MEK_SHORT_MSG: return "Short Msg";
    case mp::MEK_NOTE_OFF: return "Note Off";
    case mp::MEK_NOTE: return "Note On";
    case mp::MEK_POLY_PRESSURE: return "Poly Pressure";
    case mp::MEK_CONTROL: return "Control Change";
    case mp::MEK_PROGRAM: return "Program Change";
    case mp::MEK_AFTERTOUCH: return "Aftertouch";
    case mp::MEK_PITCH_BEND: return "Pitch Bend";
    case mp::MEK_SYSEX: return "Sysex";
    case mp::MEK_SYSEX_CONTINUE: return "Sysex Continue";
    case mp::MEK_MCI: return "MCI";
    case mp::MEK_LONG_MSG: return "Long Msg";
    case mp::MEK_META: return "Meta";
    case mp::MEK_WAVE: return "Wave Data";
    default: return "?";
    }
}

// The tonic of a key signature: sharps (flats negative) and major or minor.
std::string KeyName(const TimeBase::KeyChange& k) {
    static const char* const kMajor[15] = {"Cb", "Gb", "Db", "Ab", "Eb", "Bb", "F", "C",
                                           "G",  "D",  "A",  "E",  "B",  "F#", "C#"};
    static const char* const kMinor[15] = {"Ab", "Eb", "Bb", "F", "C",  "G",  "D", "A",
                                           "E",  "B",  "F#", "C#", "G#", "D#", "A#"};
    return std::string((k.minor ? kMinor : kMajor)[k.sharps + 7]) + (k.minor ? " minor" : " major");
}

// The meter changes after the first and every key signature, each with the bar (from 1) it falls in.
void PrintSongMaps(const TimeBase& time) {
    const auto& meters = time.Meters();
    if (meters.size() > 1) {
        std::printf("meter:");
        for (const TimeBase::MeterSegment& s : meters)
            std::printf("%s %u/%u from bar %lld (tick %lld)", &s == &meters.front() ? "" : ",", s.meter.beats,
                        1u << s.meter.noteExp, static_cast<long long>(s.firstMeasure + 1),
                        static_cast<long long>(s.meter.tick));
        std::printf("\n");
    }
    if (time.Keys().empty()) return;
    std::printf("key:");
    const char* sep = " ";
    for (const TimeBase::KeyChange& k : time.Keys()) {
        std::int64_t measure = 0;
        time.Split(k.tick, &measure, nullptr, nullptr);
        std::printf("%s%s from bar %lld (tick %lld)", sep, KeyName(k).c_str(), static_cast<long long>(measure + 1),
                    static_cast<long long>(k.tick));
        sep = ", ";
    }
    std::printf("\n");
}

} // namespace

int RunInfo(const std::vector<std::string>& args) {
    if (args.size() != 1) {
        std::fputs("pianoroll: --info needs one file\n", stderr);
        return 2;
    }
    Store store;
    smf::ReadResult read = ReadSongFile(args[0], store);
    if (!read.ok) return ExitCodeOf(read);
    const TimeBase& time = store.Time();
    TimeBase::MeterChange meter = time.MeterAt(0);
    std::printf("%s: format %d, %d tracks, %u ticks per quarter note, %u/%u, %.2f BPM\n", args[0].c_str(), read.format,
                read.tracks, read.ticksPerQuarter, meter.beats, 1u << meter.noteExp, 60000000.0 / time.TempoAt(0));
    PrintSongMaps(time);
    std::int64_t songEnd = 0;
    int index = 0;
    for (std::uint32_t t : store.TracksInOrder()) {
        const TrackValue& track = *store.Track(t);
        std::map<std::uint32_t, std::size_t> counts;
        std::size_t total = 0;
        std::int64_t trackEnd = 0;
        for (std::uint32_t b : store.BlocksOf(t)) {
            trackEnd = std::max(trackEnd, store.Block(b)->end);
            for (std::uint32_t e : store.EventsOf(b)) {
                ++counts[store.EventKind(e)];
                ++total;
            }
        }
        songEnd = std::max(songEnd, trackEnd);
        std::string name = EncodeUtf8(track.name);
        std::printf("track %d \"%s\": ", ++index, name.c_str());
        if (track.channel >= 0) std::printf("channel %d", track.channel + 1);
        else std::printf("channel none");
        std::printf(", %zu events", total);
        const char* sep = ": ";
        for (const auto& [kind, n] : counts) {
            std::printf("%s%zu %s", sep, n, KindName(kind));
            sep = ", ";
        }
        std::printf("\n");
    }
    std::int64_t measure, beat, tick;
    time.Split(songEnd, &measure, &beat, &tick);
    std::printf("length: %lld ticks, %lld measures\n", static_cast<long long>(songEnd),
                static_cast<long long>(measure + ((beat || tick) ? 1 : 0)));
    for (const smf::ReadWarning& w : read.warnings)
        std::printf("%s: %s at byte offset %zu\n", w.damage ? "damaged" : "warning", w.message.c_str(), w.offset);
    return 0;
}

} // namespace host::app
