// The window-less modes of the pianoroll binary: --convert, --info, --export-wav and --list-ports, run
// as a person would run them; and what it must refuse or handle with care: folders, devices, pipes and
// huge files as songs, damaged songs and settings, read-only and linked targets. Exit codes, messages
// and the files left behind, as a person at a shell would see them.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>

#include "../app/run_pianoroll.h"
#include "../sound/wav_file.h"
#include "demo_song.h"
#include "host_test_util.h"
#include "midiout/fluid_synth_output.h"
#include "model/store.h"
#include "playback/model_song.h"
#include "playback/song.h"
#include "smf/smf.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using host::Store;
using host::test::Cat;
using host::test::SmfBuilder;

using CliRun = runtest::PianorollRun;
using runtest::ShellQuote;
using runtest::Slurp;

class Cli : public host::test::TempDirTest {
protected:

    CliRun Pianoroll(const std::vector<std::string>& args, const std::string& env = "") {
        return runtest::RunPianoroll(dir_, args, env);
    }
    fs::path Write(const std::string& name, const Bytes& bytes) { return WriteFile(dir_ / name, bytes); }
    static std::size_t Lines(const std::string& s) { return static_cast<std::size_t>(std::count(s.begin(), s.end(), '\n')); }
};

Bytes TwoTrackSong() {
    return SmfBuilder(1, 96)
        .Track({0x00, 0xFF, 0x03, 0x05, 'T', 'e', 'm', 'p', 'o', 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                0x00, 0xFF, 0x58, 0x04, 0x03, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00})
        .Track({0x00, 0xFF, 0x03, 0x04, 'B', 'a', 's', 's', 0x00, 0xC2, 0x21, 0x00, 0x92, 40, 90,
                0x60, 0x82, 40, 0, 0x00, 0x92, 43, 90, 0x81, 0x40, 0x82, 43, 0, 0x00, 0xB2, 0x07, 0x64,
                0x00, 0xFF, 0x2F, 0x00})
        .Bytes();
}

TEST_F(Cli, ConvertWritesAFileThatReadsBackTheSame) {
    const fs::path in = Write("in.mid", TwoTrackSong()), out = dir_ / "out.mid";
    CliRun r = Pianoroll({"--convert", in.string(), out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    host::Store a, b;
    ASSERT_TRUE(host::smf::ReadFile(in.string(), a).ok);
    ASSERT_TRUE(host::smf::ReadFile(out.string(), b).ok);
    EXPECT_EQ((std::tuple{a.EventCount(), a.TrackCount()}), (std::tuple{b.EventCount(), b.TrackCount()}));
    // Converting the output again gives the same bytes.
    const fs::path again = dir_ / "again.mid";
    ASSERT_EQ(Pianoroll({"--convert", out.string(), again.string()}).status, 0);
    EXPECT_EQ(Slurp(out), Slurp(again));
}

TEST_F(Cli, InfoListsTracksChannelsCountsAndLength) {
    const fs::path in = Write("song.mid", TwoTrackSong());
    CliRun r = Pianoroll({"--info", in.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("format 1, 2 tracks, 96 ticks per quarter note, 3/4, 120.00 BPM"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("track 1 \"Tempo\": channel none, 2 events: 2 Meta"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("track 2 \"Bass\": channel 3, 4 events: 2 Note On, 1 Control Change, 1 Program Change"),
              std::string::npos)
        << r.out;
    // The last note ends at 96 + 192 = 288 ticks: one bar of 3/4 at 96 ticks a quarter.
    EXPECT_NE(r.out.find("length: 288 ticks, 1 measures"), std::string::npos) << r.out;
}

TEST_F(Cli, InfoCountsTheBarsOfEveryMeterAndListsTheMaps) {
    const fs::path in = Write("meters.mid", host::test::MeterChangeSong());
    CliRun r = Pianoroll({"--info", in.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("length: 136800 ticks, 49 measures"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("meter: 4/4 from bar 1 (tick 0), 6/4 from bar 3 (tick 3840), 1/4 from bar 27 (tick 72960), "
                         "6/4 from bar 28 (tick 73440)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("key: D major from bar 1 (tick 0), Bb major from bar 5 (tick 9600)\n"), std::string::npos)
        << r.out;
    // A song of one meter and no key says nothing more than before.
    r = Pianoroll({"--info", Write("plain.mid", TwoTrackSong()).string()});
    EXPECT_EQ(r.out.find("meter:"), std::string::npos) << r.out;
    EXPECT_EQ(r.out.find("key:"), std::string::npos) << r.out;
}

TEST_F(Cli, BadInputGivesOneLineNamingFileProblemAndOffsetAndWritesNothing) {
    Bytes bad = SmfBuilder(1, 0).Track({0x00, 0xFF, 0x2F, 0x00}).Bytes(); // a header no song can be read by
    const fs::path in = Write("bad.mid", bad), out = dir_ / "out.mid", wav = dir_ / "out.wav";
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--convert", in.string(), out.string()}, {"--info", in.string()}, {"--export-wav", wav.string(), in.string()}}) {
        CliRun r = Pianoroll(args);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(Lines(r.err), 1u) << args[0] << ": " << r.err;
        EXPECT_NE(r.err.find(in.string()), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("time division of 0 ticks per quarter note at byte offset 12"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << args[0];
    }
    EXPECT_FALSE(fs::exists(out));
    EXPECT_FALSE(fs::exists(wav));

    // Missing songs and targets that cannot be replaced: CliBadInput below.
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"--convert", in.string()}, {"--info"}, {"--export-wav"}, {"--list-ports", "x"}, {"--frobnicate"}}) {
        CliRun r = Pianoroll(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_FALSE(r.err.empty()) << args[0];
    }
}

TEST_F(Cli, ListPortsPutsTheBuiltInSynthesizerFirst) {
    CliRun r = Pianoroll({"--list-ports"});
    ASSERT_EQ(r.status, 0) << r.err;
    const std::size_t outputs = r.out.find("Output ports:\n");
    ASSERT_EQ(outputs, 0u) << r.out;
    EXPECT_EQ(r.out.find("  1  Built-in Synthesizer"), outputs + 14) << r.out;
    EXPECT_NE(r.out.find("Input ports:"), std::string::npos);
    std::error_code ec;
    if (!fs::exists("/dev/snd/seq", ec)) {
        EXPECT_NE(r.out.find("no ALSA sequencer"), std::string::npos) << r.out;
        GTEST_SKIP() << "no /dev/snd/seq: sequencer ports not checked";
    }
    // With a sequencer, its system-wide through port (when loaded) is a destination like any other.
    EXPECT_EQ(r.out.find("no ALSA sequencer"), std::string::npos) << r.out;
}

class ExportWav : public Cli {
protected:
    void SetUp() override {
        if (!VOR_SYNTH_BUILT) GTEST_SKIP() << "built without FluidSynth: --export-wav cannot render";
        if (!midiout::FindSoundFont()) GTEST_SKIP() << midiout::MissingSoundFontMessage();
        Cli::SetUp();
    }
};

TEST_F(ExportWav, DemoSongRendersAtItsLengthWellAboveSilence) {
    const fs::path out = dir_ / "demo.wav";
    CliRun r = Pianoroll({"--export-wav", out.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const soundtest::Wav w = soundtest::ReadWav(out);
    EXPECT_EQ((std::tuple{w.rate, w.channels, w.bits}), (std::tuple{44100, 2, 16}));

    host::Store store;
    ASSERT_TRUE(host::smf::Read(DemoSongData(), DemoSongSize(), store).ok);
    const playback::Song song = playback::SongFromStore(store);
    const double seconds = song.tempo.TickToSeconds(song.EndTick());
    ASSERT_GT(seconds, 5.0);
    // The song plus one second for the last notes to ring out.
    EXPECT_NEAR(static_cast<double>(w.Frames()) / 44100.0, seconds + 1.0, 0.01);
    const double rms = w.Rms(0, seconds);
    EXPECT_GT(rms, 0.02) << "the demo song is clearly audible";
    // Sound all the way through: no second-long gap of silence inside the song.
    for (double t = 0; t + 1.0 <= seconds; t += 1.0) EXPECT_GT(w.Rms(t, t + 1.0), 0.001) << "at " << t << " s";
}

TEST_F(ExportWav, OneNoteFileSoundsOnlyDuringTheNote) {
    // At 120 BPM and 480 ticks a quarter: silence for 1 s, then A4 for 1 s.
    const fs::path in = Write("one.mid", SmfBuilder(0, 480)
                                             .Track({0x00, 0xC0, 0x00, 0x87, 0x40, 0x90, 69, 110, 0x87, 0x40, 0x80,
                                                     69, 0, 0x00, 0xFF, 0x2F, 0x00})
                                             .Bytes());
    const fs::path out = dir_ / "one.wav";
    CliRun r = Pianoroll({"--export-wav", out.string(), in.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    const soundtest::Wav w = soundtest::ReadWav(out);
    EXPECT_EQ(w.Frames(), static_cast<std::size_t>(3 * 44100));
    EXPECT_EQ(w.Rms(0.0, 0.999), 0.0) << "nothing before the note";
    const double during = w.Rms(1.02, 1.98);
    EXPECT_GT(during, 0.01);
    EXPECT_LT(w.Rms(2.6, 3.0), during / 20) << "the note has died away after it ends";

    // A silent ending after the note (end of track at 6 s) is part of the song.
    const fs::path tail = Write("tail.mid", SmfBuilder(0, 480)
                                                .Track({0x00, 0x90, 69, 110, 0x83, 0x60, 0x80, 69, 0, 0xA9, 0x20,
                                                        0xFF, 0x2F, 0x00})
                                                .Bytes());
    ASSERT_EQ(Pianoroll({"--export-wav", out.string(), tail.string()}).status, 0);
    EXPECT_EQ(soundtest::ReadWav(out).Frames(), static_cast<std::size_t>(6 * 44100));
}

TEST_F(ExportWav, ASoundFontThatDoesNotLoadIsOneErrorLineAndNoFile) {
    const fs::path bogus = Write("bogus.sf2", {'n', 'o', 't', ' ', 's', 'f', '2'});
    const fs::path out = dir_ / "x.wav";
    CliRun r = Pianoroll({"--export-wav", out.string()}, "PIANOROLL_SOUNDFONT=" + ShellQuote(bogus.string()));
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Lines(r.err), 1u) << r.err;
    EXPECT_NE(r.err.find("cannot load the sound font"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(out));
}

Bytes OneNoteSong() { return SmfBuilder(1, 96).Track({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}).Bytes(); }

// Three tracks announced, one present: a copy cut after its first track.
Bytes CutSong() {
    Bytes b = OneNoteSong();
    b[11] = 3;
    return b;
}

// Two tracks of one note each, the file cut inside the second one's note-off.
Bytes CutInsideTrack() {
    const Bytes note = {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00};
    Bytes b = SmfBuilder(1, 96).Track(note).Track(note).Bytes();
    b.erase(b.end() - 7, b.end());
    return b;
}

// A track of three notes that never end.
Bytes HeldNotesSong() {
    return SmfBuilder(1, 96).Track({0x00, 0x90, 60, 100, 0x00, 0x90, 64, 100, 0x00, 0x90, 67, 100, 0x00, 0xFF, 0x2F, 0x00}).Bytes();
}

// A settings event whose block puts keyboardWidth into the keyboard width and 2^31 - 1 into the saved
// top row, and zero everywhere else (which several fields do not allow).
Bytes DamagedSettingsSong(std::uint32_t keyboardWidth = 0x7FFFFFFF) {
    Bytes payload(12 + 328, 0);
    auto put = [&](std::size_t at, std::uint32_t v) {
        for (int i = 0; i < 4; ++i) payload[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    };
    put(0, 5);
    put(8, 328);
    put(12 + 44 * 4, keyboardWidth);
    put(12 + 64 * 4, 0x7FFFFFFF);
    Bytes track = {0x00, 0xFF, 0x7F, 0x82, 0x55, 0x7D}; // 1 + 340 bytes of sequencer-specific data
    track.insert(track.end(), payload.begin(), payload.end());
    track.insert(track.end(), {0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00});
    return SmfBuilder(1, 96).Track(track).Bytes();
}

class CliBadInput : public host::test::TempDirTest {
public:
    fs::path Write(const std::string& name, const Bytes& bytes) const { return WriteFile(work_ / name, bytes); }
    // A file of size bytes that takes no room on disk, starting with head.
    fs::path Sparse(const std::string& name, const Bytes& head, off_t size) {
        fs::path p = Write(name, head);
        EXPECT_EQ(::truncate(p.c_str(), size), 0);
        return p;
    }
    static int Mode(const fs::path& p) {
        struct stat st {};
        return ::stat(p.c_str(), &st) == 0 ? static_cast<int>(st.st_mode & 07777) : -1;
    }
    fs::path work_; // where a case's files go
};

struct Case {
    const char* what;
    // Prepares the files in dir and returns the arguments.
    std::function<std::vector<std::string>(CliBadInput&, const fs::path&)> prepare;
    int status;
    const char* message;  // a part of the one line on stderr ("" when stderr stays empty)
    std::size_t lines;    // lines on stderr
    // What must hold of the files afterwards.
    std::function<void(const fs::path&, const runtest::PianorollRun&)> check;
};

// A case that converts a song written under `name` into out.mid, with --allow-damaged when asked.
auto Convert(const char* name, const Bytes& song, bool allowDamaged = false) {
    return [=](CliBadInput& t, const fs::path& d) {
        std::vector<std::string> args{"--convert", t.Write(name, song).string(), (d / "out.mid").string()};
        if (allowDamaged) args.insert(args.begin() + 1, "--allow-damaged");
        return args;
    };
}

TEST_F(CliBadInput, EachFaultGivesItsExitCodeMessageAndFiles) {
    auto nothing = [](const fs::path&, const runtest::PianorollRun&) {};
    auto noOut = [](const fs::path& d, const runtest::PianorollRun&) { EXPECT_FALSE(fs::exists(d / "out.mid")); };
    const std::vector<Case> cases = {
        {"a folder as the song of a screenshot",
         [](CliBadInput&, const fs::path& d) {
             fs::create_directory(d / "songs");
             return std::vector<std::string>{"--screenshot", (d / "o.png").string(), (d / "songs").string()};
         },
         2, "songs: it is a folder, not a MIDI file", 1,
         [](const fs::path& d, const runtest::PianorollRun&) { EXPECT_FALSE(fs::exists(d / "o.png")); }},
        {"a device as the song",
         [](CliBadInput&, const fs::path&) { return std::vector<std::string>{"--info", "/dev/zero"}; }, 2,
         "/dev/zero: it is not a regular file", 1, nothing},
        {"a pipe nobody writes to",
         [](CliBadInput&, const fs::path& d) {
             EXPECT_EQ(::mkfifo((d / "pipe.mid").c_str(), 0600), 0);
             return std::vector<std::string>{"--convert", (d / "pipe.mid").string(), (d / "out.mid").string()};
         },
         2, "pipe.mid: it is not a regular file", 1, noOut},
        {"a missing song",
         [](CliBadInput&, const fs::path& d) { return std::vector<std::string>{"--info", (d / "none.mid").string()}; },
         1, "none.mid: cannot open the file: No such file or directory", 1, nothing},
        {"2 GiB without a MIDI header is refused from its first bytes",
         [](CliBadInput& t, const fs::path&) {
             return std::vector<std::string>{"--info", t.Sparse("big.mid", {'R', 'I', 'F', 'F'}, off_t{1} << 31).string()};
         },
         1, "big.mid: missing MThd header at byte offset 0", 1, nothing},
        {"a song larger than the reader holds is refused unread",
         [](CliBadInput& t, const fs::path&) {
             return std::vector<std::string>{"--info", t.Sparse("huge.mid", OneNoteSong(), (off_t{1} << 30) + 1).string()};
         },
         1, "huge.mid: the file is 1073741825 bytes; a song can be at most 1073741824 bytes", 1, nothing},
        {"a cut song is not converted", Convert("cut.mid", CutSong()), 1,
         "cut.mid: the header announces 3 tracks but the file holds 1; the rest is missing at byte offset 34", 2, noOut},
        {"a cut song is converted when the user allows it", Convert("cut.mid", CutSong(), true), 0, "announces 3 tracks", 1,
         [](const fs::path& d, const runtest::PianorollRun&) { EXPECT_TRUE(fs::exists(d / "out.mid")); }},
        {"--info lists what a damaged song lacks",
         [](CliBadInput& t, const fs::path&) { return std::vector<std::string>{"--info", t.Write("cut.mid", CutSong()).string()}; },
         0, "", 0,
         [](const fs::path&, const runtest::PianorollRun& r) {
             EXPECT_NE(r.out.find("damaged: the header announces 3 tracks but the file holds 1; the rest is missing at "
                                  "byte offset 34\n"),
                       std::string::npos)
                 << r.out;
         }},
        {"a song cut inside a track is converted up to the cut when the user allows it",
         Convert("cut.mid", CutInsideTrack(), true), 0,
         "cut.mid: track 2: the file ends inside this track; it was read up to its last complete event at byte offset 46", 2,
         [](const fs::path& d, const runtest::PianorollRun&) {
             Store store;
             ASSERT_TRUE(host::smf::ReadFile((d / "out.mid").string(), store).ok);
             EXPECT_EQ(store.TrackCount(), 2u);
             EXPECT_EQ(store.EventCount(), 2u); // both notes; the second one's end is where the file ends
         }},
        {"the editor opens a song cut inside a track and says so once",
         [](CliBadInput& t, const fs::path& d) {
             return std::vector<std::string>{"--screenshot", (d / "o.png").string(), "--size", "400x300",
                                             t.Write("cut.mid", CutInsideTrack()).string()};
         },
         0, "cut.mid: track 2: 1 note never ends; it ends at the track's end at byte offset 43\n", 2,
         [](const fs::path& d, const runtest::PianorollRun& r) {
             EXPECT_TRUE(fs::exists(d / "o.png"));
             EXPECT_NE(r.err.find("cut.mid: track 2: the file ends inside this track"), std::string::npos) << r.err;
         }},
        {"notes that never end are named, and the song still converts", Convert("held.mid", HeldNotesSong()), 0,
         "held.mid: track 1: 3 notes never end; they end at the track's end at byte offset 23", 1,
         [](const fs::path& d, const runtest::PianorollRun&) { EXPECT_TRUE(fs::exists(d / "out.mid")); }},
        {"--info names notes that never end as a warning",
         [](CliBadInput& t, const fs::path&) { return std::vector<std::string>{"--info", t.Write("held.mid", HeldNotesSong()).string()}; },
         0, "", 0,
         [](const fs::path&, const runtest::PianorollRun& r) {
             EXPECT_NE(r.out.find("\nwarning: track 1: 3 notes never end; they end at the track's end at byte offset 23\n"),
                       std::string::npos)
                 << r.out;
         }},
        {"events after an early end of track",
         Convert("early.mid", SmfBuilder(1, 96).Track({0x00, 0xFF, 0x2F, 0x00, 0x00, 0x90, 60, 100}).Bytes()), 1,
         "early.mid: track 1: 4 bytes after its end-of-track event were left out at byte offset 26", 2, noOut},
        {"a note too long for the store", Convert("long.mid", SmfBuilder(1, 96).Track(host::test::EndlessNotes(1)).Bytes()),
         1, "long.mid: track 1: 1 note was longer than 4294967295 ticks and shortened to that length at byte offset 149",
         3, noOut},
        {"a read-only target is refused and kept",
         [](CliBadInput& t, const fs::path& d) {
             t.Write("out.mid", {'o', 'l', 'd'});
             fs::permissions(d / "out.mid", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
             return std::vector<std::string>{"--convert", t.Write("in.mid", OneNoteSong()).string(), (d / "out.mid").string()};
         },
         1, "out.mid: the file is read-only", 1,
         [](const fs::path& d, const runtest::PianorollRun&) {
             EXPECT_EQ(runtest::Slurp(d / "out.mid"), "old");
             EXPECT_EQ(Mode(d / "out.mid"), 0444);
         }},
        {"a private target stays private",
         [](CliBadInput& t, const fs::path& d) {
             t.Write("out.mid", {'o', 'l', 'd'});
             ::chmod((d / "out.mid").c_str(), 0600);
             return std::vector<std::string>{"--convert", t.Write("in.mid", OneNoteSong()).string(), (d / "out.mid").string()};
         },
         0, "", 0,
         [](const fs::path& d, const runtest::PianorollRun&) {
             EXPECT_EQ(Mode(d / "out.mid"), 0600);
             EXPECT_EQ(runtest::Slurp(d / "out.mid").substr(0, 4), "MThd");
         }},
        {"a linked target: the link stays, the real file is replaced",
         [](CliBadInput& t, const fs::path& d) {
             fs::create_directory(d / "real");
             t.Write("real/song.mid", {'o', 'l', 'd'});
             fs::create_symlink("real/song.mid", d / "out.mid");
             return std::vector<std::string>{"--convert", t.Write("in.mid", OneNoteSong()).string(), (d / "out.mid").string()};
         },
         0, "", 0,
         [](const fs::path& d, const runtest::PianorollRun&) {
             EXPECT_TRUE(fs::is_symlink(d / "out.mid"));
             EXPECT_EQ(runtest::Slurp(d / "real" / "song.mid").substr(0, 4), "MThd");
             EXPECT_EQ(std::distance(fs::directory_iterator(d / "real"), fs::directory_iterator()), 1);
         }},
        {"a screenshot leaves a user's file of the old temporary name alone",
         [](CliBadInput& t, const fs::path& d) {
             t.Write("o.png.part", {'m', 'i', 'n', 'e'});
             return std::vector<std::string>{"--screenshot", (d / "o.png").string(), "--size", "300x200"};
         },
         0, "", 0,
         [](const fs::path& d, const runtest::PianorollRun&) {
             EXPECT_EQ(runtest::Slurp(d / "o.png.part"), "mine");
             EXPECT_EQ(runtest::Slurp(d / "o.png").substr(1, 3), "PNG");
         }},
        {"a save removes the temporaries killed runs left beside its target, and nothing else",
         [](CliBadInput& t, const fs::path& d) {
             const pid_t gone = ::fork();
             if (gone == 0) ::_exit(0);
             ::waitpid(gone, nullptr, 0);
             t.Write(".out.mid.save-" + std::to_string(gone) + "-AbC123", {'x'});
             t.Write(".out.mid.save-" + std::to_string(::getpid()) + "-AbC123", {'x'}); // a writer still at work
             t.Write(".out.mid.save-" + std::to_string(gone) + "-AbC", {'x'});          // not a temporary's name
             return std::vector<std::string>{"--convert", t.Write("in.mid", OneNoteSong()).string(), (d / "out.mid").string()};
         },
         0, "", 0,
         [](const fs::path& d, const runtest::PianorollRun&) {
             std::vector<std::string> left;
             for (const auto& e : fs::directory_iterator(d)) left.push_back(e.path().filename().string());
             EXPECT_EQ(left.size(), 4u);
             EXPECT_TRUE(fs::exists(d / (".out.mid.save-" + std::to_string(::getpid()) + "-AbC123")));
             EXPECT_EQ(std::count_if(left.begin(), left.end(), [](const std::string& n) { return n.ends_with("-AbC"); }), 1);
             EXPECT_TRUE(fs::exists(d / "out.mid"));
         }},
        {"an empty output name",
         [](CliBadInput& t, const fs::path&) {
             return std::vector<std::string>{"--convert", t.Write("in.mid", OneNoteSong()).string(), ""};
         },
         2, "pianoroll: --convert was given an empty file name", 1, nothing},
        {"a WAV file that cannot be written is named once",
         [](CliBadInput& t, const fs::path& d) {
             return std::vector<std::string>{"--export-wav", (d / "no" / "x.wav").string(),
                                             t.Write("in.mid", OneNoteSong()).string()};
         },
         1, "x.wav: ", 1,
         [](const fs::path&, const runtest::PianorollRun& r) {
             EXPECT_EQ(r.err.find("x.wav"), r.err.rfind("x.wav")) << r.err;
         }},
        {"damaged editor settings open with their defaults and one note",
         [](CliBadInput& t, const fs::path& d) {
             return std::vector<std::string>{"--screenshot", (d / "o.png").string(), "--size", "400x300",
                                             t.Write("set.mid", DamagedSettingsSong()).string()};
         },
         0, "set.mid: editor settings stored in the file are out of range and use their defaults: auto-scroll speed, "
         "keyboard width, time display format, top row, controller lane",
         1, [](const fs::path& d, const runtest::PianorollRun&) { EXPECT_TRUE(fs::exists(d / "o.png")); }},
        {"a keyboard column too narrow for the lane's chooser is widened, and the lane can be chosen",
         [](CliBadInput& t, const fs::path& d) {
             std::ofstream(d / "lane.txt") << "lane pitchbend\nlane cc 7\n";
             return std::vector<std::string>{"--script", (d / "lane.txt").string(),
                                             t.Write("narrow.mid", DamagedSettingsSong(5)).string()};
         },
         0, "narrow.mid: editor settings stored in the file are out of range and use their defaults: auto-scroll speed, "
         "keyboard width,", 1, nothing},
    };
    for (const Case& c : cases) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        work_ = dir_ / "work";
        fs::create_directory(work_);
        const std::vector<std::string> args = c.prepare(*this, work_);
        // Nothing may wait for input that never comes: a hang ends the run and fails the case.
        const runtest::PianorollRun r = runtest::RunPianoroll(dir_, args, "timeout 60 env");
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(static_cast<std::size_t>(std::count(r.err.begin(), r.err.end(), '\n')), c.lines) << c.what << ": " << r.err;
        c.check(work_, r);
    }
}

// A write stopped by the file-size limit fails like any other write: a message, the old file kept,
// no temporary left behind.
TEST_F(CliBadInput, AWriteBeyondTheFileSizeLimitFailsAndLeavesNoTemporary) {
    work_ = dir_ / "work";
    fs::create_directories(work_);
    const Bytes sysex = Cat(Cat(Cat({0x00, 0xF0}, host::test::Vlq(100001)), Bytes(100000, 0x42)), {0xF7});
    const Bytes big = SmfBuilder(1, 96).Track(Cat(sysex, {0x00, 0xFF, 0x2F, 0x00})).Bytes();
    const fs::path in = Write("in.mid", big), out = Write("out.mid", {'o', 'l', 'd'});
    const runtest::PianorollRun r = runtest::RunPianoroll(dir_, {"--convert", in.string(), out.string()},
                                                          "ulimit -f 16; timeout 60 env");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_NE(r.err.find("out.mid: cannot write the file: File too large"), std::string::npos) << r.err;
    EXPECT_EQ((std::tuple{runtest::Slurp(out), FilesIn(work_)}), (std::tuple{"old", 2u}));
}

// Scripts given as a folder, with a byte-order mark, or with bytes a terminal must not see raw.
TEST_F(CliBadInput, ScriptsAreReadSafelyAndTheirMessagesPrintable) {
    struct ScriptCase {
        const char* what;
        std::string text; // written as the script; empty: the script is a folder
        int status;
        const char* message;
    };
    const std::vector<ScriptCase> cases = {
        {"a folder as the script", "", 2, "script.txt: it is a folder, not a script"},
        {"a leading byte-order mark", "\xEF\xBB\xBFtool draw\n", 0, ""},
        {"a NUL byte in a command", std::string("frob\0nicate\n", 12), 1, "unknown command 'frob\\x00nicate'"},
        {"an escape sequence in a command", "x\x1B[2J\n", 1, "unknown command 'x\\x1B[2J'"},
        // All or nothing: the song is not written when the later picture cannot be.
        {"a failing write after a save", "save DIR/out.mid\nscreenshot DIR/nodir/a.png\n", 1,
         "script.txt:2: DIR/nodir/a.png: cannot create a temporary file beside it: No such file or directory"},
        // Targets that cannot be written name the line that asked for them.
        {"a folder as the target", "tool draw\nsave DIR\n", 1, "script.txt:2: DIR: it is a folder, not a file"},
        {"a device as the target", "screenshot /dev/full\n", 1, "script.txt:1: /dev/full: it is not a regular file"},
        {"an empty target", "save DIR/out.mid\n\nsave \"\"\n", 1, "script.txt:3: no file name was given"},
        {"a target name too long", "save DIR/" + std::string(300, 'x') + "\n", 1, "script.txt:1: DIR/xxx"},
    };
    for (const ScriptCase& c : cases) {
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        const fs::path script = dir_ / "script.txt";
        if (c.text.empty()) fs::create_directory(script);
        else {
            std::string text = c.text;
            for (std::size_t at; (at = text.find("DIR")) != std::string::npos;) text.replace(at, 3, dir_.string());
            std::ofstream(script, std::ios::binary) << text;
        }
        const runtest::PianorollRun r = runtest::RunPianoroll(dir_, {"--script", script.string()}, "timeout 60 env");
        EXPECT_EQ(r.status, c.status) << c.what << ": " << r.err;
        std::string message = c.message;
        for (std::size_t at; (at = message.find("DIR")) != std::string::npos;) message.replace(at, 3, dir_.string());
        if (*c.message) EXPECT_NE(r.err.find(message), std::string::npos) << c.what << ": " << r.err;
        else EXPECT_EQ(r.err, "") << c.what;
        EXPECT_LE(std::count(r.err.begin(), r.err.end(), '\n'), 1) << c.what << ": " << r.err;
        EXPECT_FALSE(fs::exists(dir_ / "out.mid")) << c.what;
        // The script, its captured output, and nothing the run left behind.
        EXPECT_EQ(FilesIn(dir_), 3u) << c.what;
    }
}

} // namespace
