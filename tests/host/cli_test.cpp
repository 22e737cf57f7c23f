// The window-less modes of the pianoroll binary: --convert, --info, --export-wav and --list-ports,
// run as a person would run them.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

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
    EXPECT_EQ(a.EventCount(), b.EventCount());
    EXPECT_EQ(a.TrackCount(), b.TrackCount());
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

    // Missing songs and targets that cannot be replaced: cli_bad_input_test.cpp.
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
    EXPECT_EQ(w.rate, 44100);
    EXPECT_EQ(w.channels, 2);
    EXPECT_EQ(w.bits, 16);

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

} // namespace
