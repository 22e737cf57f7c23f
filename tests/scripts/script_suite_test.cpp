// Runs every editing script of this folder through the built pianoroll binary on a generated song,
// saves the result, reads it back both with the product's own MIDI file reader and straight from its
// bytes, and compares what each finds with the list beside the script (NAME.notes: "TICK NOTE DURATION VELOCITY CHANNEL" a line for track 1,
// "track N" before the notes of another track, "cc TICK CONTROLLER VALUE CHANNEL" and "bend TICK VALUE
// CHANNEL" for control changes and pitch bends (0-16383); every listed track is compared whole; an optional
// "song TICKS_PER_QUARTER BEATS/NOTE_VALUE" line gives the song another resolution and time signature;
// "given cc ..." or "given bend ..." lines put a value into the track's song before the script runs;
// "song-meter TICK BEATS/NOTE_VALUE" and "song-key TICK SHARPS major|minor" lines add signatures to its
// first track, and "meter …" and "key …" lines, when there are any, list every signature the saved song
// must hold).
//
// The song, 480 ticks per quarter note in 4/4 unless its list says otherwise, with the same ticks:
//   track 1 "Lead", channel 1: 60 at 0 (480 long), 64 at 960 (480), 67 at 1920 (960), 72 at 3840 (240),
//                              60 at 92160 (480), all velocity 100; the last one keeps the song 49
//                              measures long, so that the view can show up to 64 ticks per pixel;
//   track 2 "Bass", channel 2: 48 at 0 (1920), velocity 90.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <bit>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "../app/run_pianoroll.h"
#include "model/store.h"
#include "raw_smf.h"
#include "smf/smf.h"

namespace {

namespace fs = std::filesystem;

constexpr std::uint32_t kTicksPerQuarter = 480;
constexpr std::int64_t kMeasure = 4 * kTicksPerQuarter;

struct Note {
    std::int64_t tick;
    int note;
    std::uint32_t duration;
    int velocity;
    int channel; // 1-16
    auto operator<=>(const Note&) const = default;
};
using Song = std::map<int, std::vector<Note>>; // by track, from 1

// A control change (controller 0-127) or a pitch bend (controller kBend).
struct Value {
    std::int64_t tick;
    int controller;
    int value;
    int channel; // 1-16
    auto operator<=>(const Value&) const = default;
};
constexpr int kBend = -1;
using Values = std::map<int, std::vector<Value>>; // by track, from 1

// What a saved song or a list holds.
struct Contents {
    Song notes;
    Values values;
    // Each track's notes and values in order, so that lists compare whatever order they came in.
    Contents& Sorted() {
        for (auto& [track, list] : notes) std::sort(list.begin(), list.end());
        for (auto& [track, list] : values) std::sort(list.begin(), list.end());
        return *this;
    }
};

// A track's entries of a map by track, none when the track is not there.
template <class Entry>
std::vector<Entry> OfTrack(const std::map<int, std::vector<Entry>>& byTrack, int track) {
    const auto found = byTrack.find(track);
    return found == byTrack.end() ? std::vector<Entry>{} : found->second;
}

const Song kBaseSong = {
    {1, {{0, 60, 480, 100, 1}, {960, 64, 480, 100, 1}, {1920, 67, 960, 100, 1}, {3840, 72, 240, 100, 1},
         {48 * kMeasure, 60, 480, 100, 1}}},
    {2, {{0, 48, 1920, 90, 2}}},
};
const char* const kTrackNames[] = {"Lead", "Bass"};

// A time signature (beats, note value) or a key signature (sharps, minor) at a tick.
struct Signature {
    bool meter = true;
    std::int64_t tick = 0;
    int a = 0; // beats, or sharps (flats negative)
    int b = 0; // note value, or 1 for minor
    auto operator<=>(const Signature&) const = default;
};

// The resolution and time signature of the generated song, the values it holds beside the notes, and its
// further signatures.
struct SongShape {
    std::uint32_t ticksPerQuarter = kTicksPerQuarter;
    std::uint32_t beats = 4;
    std::uint32_t noteValue = 4;
    Values given;
    std::vector<Signature> signatures;
};

std::vector<std::uint8_t> BaseSongFile(const SongShape& shape) {
    host::Store store;
    store.SetTicksPerQuarter(shape.ticksPerQuarter);
    for (const auto& [track, notes] : kBaseSong) {
        host::TrackValue value;
        const std::string name = kTrackNames[track - 1];
        value.name = std::u16string(name.begin(), name.end());
        value.order = static_cast<std::uint32_t>(track);
        std::uint32_t trackId = 0;
        store.InsertTrack(value, &trackId);
        host::BlockValue block;
        block.track = trackId;
        block.end = notes.back().tick + notes.back().duration;
        std::uint32_t blockId = 0;
        store.InsertBlock(block, &blockId);
        for (const Note& n : notes) {
            host::EventValue e;
            e.block = blockId;
            e.time = n.tick;
            e.kind = mp::MEK_NOTE;
            e.channel = n.channel - 1;
            e.length = n.duration;
            e.data[0] = static_cast<std::uint8_t>(n.note);
            e.data[1] = static_cast<std::uint8_t>(n.velocity);
            std::uint32_t id = 0;
            store.InsertEvent(e, &id);
        }
        for (const Value& v : OfTrack(shape.given, track)) {
            host::EventValue e;
            e.block = blockId;
            e.time = v.tick;
            e.channel = v.channel - 1;
            e.kind = v.controller == kBend ? mp::MEK_PITCH_BEND : mp::MEK_CONTROL;
            e.data[0] = static_cast<std::uint8_t>(v.controller == kBend ? v.value & 0x7F : v.controller);
            e.data[1] = static_cast<std::uint8_t>(v.controller == kBend ? v.value >> 7 : v.value);
            std::uint32_t id = 0;
            store.InsertEvent(e, &id);
        }
    }
    if (shape.beats != 4 || shape.noteValue != 4) {
        const auto exponent = static_cast<std::uint32_t>(std::countr_zero(shape.noteValue));
        EXPECT_EQ(store.SetTimeSignature(shape.beats, exponent), win::S_OK);
    }
    for (const Signature& g : shape.signatures) {
        const win::HRESULT hr =
            g.meter ? store.InsertTimeSignature(g.tick, static_cast<std::uint32_t>(g.a),
                                                static_cast<std::uint32_t>(std::countr_zero(static_cast<unsigned>(g.b))))
                    : store.InsertKeySignature(g.tick, g.a, g.b == 1);
        EXPECT_EQ(hr, win::S_OK) << "the song's signature at tick " << g.tick;
    }
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(host::smf::Write(store, bytes).ok);
    return bytes;
}

// The signatures a saved song holds, as its maps give them.
std::vector<Signature> SignaturesOfFile(const fs::path& path) {
    host::Store store;
    EXPECT_TRUE(host::smf::ReadFile(path.string(), store).ok) << path;
    std::vector<Signature> out;
    for (const auto& m : store.Time().Meters())
        if (m.signed_) out.push_back({true, m.meter.tick, static_cast<int>(m.meter.beats), 1 << m.meter.noteExp});
    for (const auto& k : store.Time().Keys()) out.push_back({false, k.tick, k.sharps, k.minor ? 1 : 0});
    std::sort(out.begin(), out.end());
    return out;
}

Contents ContentsOfFile(const fs::path& path) {
    host::Store store;
    const host::smf::ReadResult read = host::smf::ReadFile(path.string(), store);
    EXPECT_TRUE(read.ok) << path << ": " << read.error;
    Contents contents;
    Song& song = contents.notes;
    const auto& tracks = store.TracksInOrder();
    for (std::size_t t = 0; t < tracks.size(); ++t)
        for (std::uint32_t b : store.BlocksOf(tracks[t]))
            for (std::uint32_t id : store.EventsOf(b)) {
                const host::EventValue e = store.Event(id);
                const std::int64_t tick = store.Block(b)->start + e.time;
                const int track = static_cast<int>(t) + 1;
                if (e.kind == mp::MEK_NOTE) song[track].push_back({tick, e.data[0], e.length, e.data[1], e.channel + 1});
                if (e.kind == mp::MEK_CONTROL) contents.values[track].push_back({tick, e.data[0], e.data[1], e.channel + 1});
                if (e.kind == mp::MEK_PITCH_BEND)
                    contents.values[track].push_back({tick, kBend, (e.data[1] & 0x7F) * 128 + (e.data[0] & 0x7F), e.channel + 1});
            }
    return contents.Sorted();
}

// The same song read from the file's bytes without the product's reader.
Contents ContentsOfBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    Contents contents;
    std::vector<rawsmf::Track> tracks;
    try {
        tracks = rawsmf::Read(bytes);
    } catch (const std::exception& e) {
        ADD_FAILURE() << path << ": " << e.what();
    }
    for (std::size_t t = 0; t < tracks.size(); ++t) {
        const int track = static_cast<int>(t) + 1;
        for (const rawsmf::Note& n : tracks[t].notes)
            contents.notes[track].push_back(
                {n.tick, n.note, static_cast<std::uint32_t>(n.duration), n.velocity, n.channel});
        for (const rawsmf::Value& v : tracks[t].values)
            contents.values[track].push_back(
                {v.tick, v.controller == rawsmf::kBend ? kBend : v.controller, v.value, v.channel});
    }
    return contents.Sorted();
}

// "TICK BEATS/NOTE_VALUE" or "TICK SHARPS major|minor" after a meter or key word.
bool ReadSignature(std::istringstream& words, bool meter, Signature* g) {
    g->meter = meter;
    std::string rest;
    if (meter) {
        char slash = 0;
        return (words >> g->tick >> g->a >> slash >> g->b) && slash == '/' && g->a > 0 &&
               std::has_single_bit(static_cast<unsigned>(g->b)) && !(words >> rest);
    }
    std::string mode;
    if (!(words >> g->tick >> g->a >> mode) || (mode != "major" && mode != "minor") || (words >> rest)) return false;
    g->b = mode == "minor" ? 1 : 0;
    return true;
}

// NAME.notes: comments after '#', "track N" lines, a "song" line, five numbers a note, "cc" and "bend" lines,
// "given" ones, signatures of the song and of the saved song.
Contents ExpectedContents(const fs::path& path, SongShape* shape, std::vector<Signature>* saved) {
    std::ifstream in(path);
    EXPECT_TRUE(in) << "no list of expected notes: " << path;
    Contents contents;
    Song& song = contents.notes;
    song[1];
    int track = 1, lineNumber = 0;
    for (std::string line; std::getline(in, line);) {
        ++lineNumber;
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string first;
        if (!(words >> first)) continue;
        if (first == "track") {
            EXPECT_TRUE(words >> track) << path << ":" << lineNumber;
            song[track];
            continue;
        }
        if (first == "song") {
            char slash = 0;
            std::string rest;
            const bool read = (words >> shape->ticksPerQuarter >> shape->beats >> slash >> shape->noteValue) &&
                              slash == '/' && !(words >> rest);
            EXPECT_TRUE(read && shape->ticksPerQuarter > 0 && shape->beats > 0 &&
                        std::has_single_bit(shape->noteValue))
                << path << ":" << lineNumber << ": not song TICKS_PER_QUARTER BEATS/NOTE_VALUE";
            continue;
        }
        if (first == "song-meter" || first == "song-key" || first == "meter" || first == "key") {
            Signature g;
            EXPECT_TRUE(ReadSignature(words, first.ends_with("meter"), &g))
                << path << ":" << lineNumber << ": not " << first << " TICK BEATS/NOTE_VALUE or TICK SHARPS major|minor";
            (first.starts_with("song-") ? shape->signatures : *saved).push_back(g);
            continue;
        }
        const bool given = first == "given";
        if (given && !(words >> first)) first.clear();
        if (first == "cc" || first == "bend") {
            Value v{};
            v.controller = kBend;
            std::string rest;
            const bool read = first == "cc" ? static_cast<bool>(words >> v.tick >> v.controller >> v.value >> v.channel)
                                            : static_cast<bool>(words >> v.tick >> v.value >> v.channel);
            EXPECT_TRUE(read && !(words >> rest))
                << path << ":" << lineNumber << ": not cc TICK CONTROLLER VALUE CHANNEL or bend TICK VALUE CHANNEL";
            (given ? shape->given : contents.values)[track].push_back(v);
            continue;
        }
        if (given) {
            ADD_FAILURE() << path << ":" << lineNumber << ": not given cc ... or given bend ...";
            continue;
        }
        Note n{};
        std::istringstream all(line);
        std::string rest;
        EXPECT_TRUE((all >> n.tick >> n.note >> n.duration >> n.velocity >> n.channel) && !(all >> rest))
            << path << ":" << lineNumber << ": not TICK NOTE DURATION VELOCITY CHANNEL";
        song[track].push_back(n);
    }
    return contents.Sorted();
}

std::string Listing(const std::vector<Note>& notes) {
    std::ostringstream out;
    for (const Note& n : notes)
        out << "  " << n.tick << " " << n.note << " " << n.duration << " " << n.velocity << " " << n.channel << "\n";
    return notes.empty() ? "  (none)\n" : out.str();
}

std::string Listing(const std::vector<Value>& values) {
    std::ostringstream out;
    for (const Value& v : values) {
        if (v.controller == kBend) out << "  bend " << v.tick << " " << v.value << " " << v.channel << "\n";
        else out << "  cc " << v.tick << " " << v.controller << " " << v.value << " " << v.channel << "\n";
    }
    return values.empty() ? "  (none)\n" : out.str();
}

std::vector<std::string> ScriptNames() {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(VOR_SCRIPTS_DIR))
        if (entry.path().extension() == ".script") names.push_back(entry.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

class EditingScript : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("vor_script_" + std::to_string(getpid()) + "_" + GetParam());
        fs::remove_all(dir);
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_P(EditingScript, GivesTheListedNotes) {
    const fs::path script = fs::path(VOR_SCRIPTS_DIR) / (GetParam() + ".script");
    SongShape shape;
    std::vector<Signature> signatures;
    const Contents expected = ExpectedContents(fs::path(VOR_SCRIPTS_DIR) / (GetParam() + ".notes"), &shape, &signatures);
    {
        std::ofstream song(dir / "base.mid", std::ios::binary);
        const std::vector<std::uint8_t> bytes = BaseSongFile(shape);
        song.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        // The script's own lines keep their numbers; the save comes last.
        std::ofstream(dir / (GetParam() + ".script")) << runtest::Slurp(script) << "\nsave out.mid\n";
    }
    // Run from the song's folder, where the script's relative file names point.
    const runtest::PianorollRun run = runtest::RunPianoroll(dir, {"--script", GetParam() + ".script", "base.mid"},
                                                            "cd " + runtest::ShellQuote(dir.string()) + " &&");
    ASSERT_EQ(run.status, 0) << run.err;
    if (!signatures.empty()) {
        std::sort(signatures.begin(), signatures.end());
        EXPECT_TRUE(SignaturesOfFile(dir / "out.mid") == signatures) << "the saved song holds other signatures";
    }
    for (const auto& [reader, saved] : {std::pair{"the song's reader", ContentsOfFile(dir / "out.mid")},
                                        std::pair{"its bytes", ContentsOfBytes(dir / "out.mid")}}) {
        SCOPED_TRACE(std::string("saved song read through ") + reader);
        for (const auto& [track, listed] : expected.notes) {
            const std::vector<Note> notes = OfTrack(saved.notes, track);
            EXPECT_TRUE(notes == listed) << "track " << track << " holds\n"
                                         << Listing(notes) << "instead of\n" << Listing(listed);
            const std::vector<Value> want = OfTrack(expected.values, track), have = OfTrack(saved.values, track);
            EXPECT_TRUE(have == want) << "track " << track << " holds the values\n"
                                      << Listing(have) << "instead of\n" << Listing(want);
        }
    }
}

std::string CaseName(const ::testing::TestParamInfo<std::string>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Scripts, EditingScript, ::testing::ValuesIn(ScriptNames()), CaseName);

} // namespace
