// Offline rendering of songs into WAV files through the built-in synthesizer.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "../host/host_test_util.h"
#include "midiout/fluid_synth_output.h"
#include "playback/song.h"
#include "song_builder.h"
#include "wav_file.h"

using namespace soundtest;
namespace fs = std::filesystem;

namespace {

class Render : public host::test::TempDirTest {
protected:
    void SetUp() override {
        if (!VOR_SYNTH_BUILT) GTEST_SKIP() << "built without FluidSynth: nothing renders audio";
        if (!midiout::FindSoundFont()) GTEST_SKIP() << midiout::MissingSoundFontMessage();
        TempDirTest::SetUp();
    }
};

// One piano note from 1 s to 2 s.
playback::Song OneNote() {
    playback::Song s;
    s.tracks.push_back(Track(0, {Event(0, 0x200, 0), Note(960, 960, 69, 110)}));
    s.tracks.push_back(Track(1, {}));
    return s;
}

} // namespace

// The command line's --export-wav tests check the sound itself; here the tail and the temporary file.
TEST_F(Render, TheTailFollowsTheLastNoteAndNoTemporaryIsLeft) {
    const fs::path out = dir_ / "one.wav";
    midiout::RenderOptions o;
    o.tailSeconds = 2.0;
    auto r = playback::RenderSongToWav(OneNote(), out, o);
    ASSERT_TRUE(r.ok) << r.error;
    const Wav w = ReadWav(out);
    EXPECT_EQ(w.Frames(), static_cast<std::size_t>(4.0 * 44100)); // note end at 2 s + 2 s tail
    EXPECT_GT(w.Rms(1.05, 1.95), 0.01);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_), fs::directory_iterator()), 1);
}

TEST_F(Render, FailuresLeaveNoFileAndSayWhy) {
    auto r = playback::RenderSongToWav(OneNote(), (dir_ / "no" / "such" / "dir.wav").string());
    EXPECT_FALSE(r.ok);
    // The operation and the system's reason; the caller names the file, once.
    EXPECT_NE(r.error.find("No such file or directory"), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find("dir.wav"), std::string::npos) << r.error;

    midiout::RenderOptions o;
    o.soundFont = (dir_ / "missing.sf2").string();
    r = playback::RenderSongToWav(OneNote(), (dir_ / "x.wav").string(), o);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(fs::exists(dir_ / "x.wav"));
}
