// The port list: order, stable ids, the current port, and absent devices.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "midiout/alsa_output.h"
#include "midiout/fluid_synth_output.h"
#include "midiout/port_list.h"
#include "midiout/recorder_output.h"

using namespace midiout;

TEST(PortList, BuiltInSynthesizerComesFirstAndKeepsItsIdAcrossRefreshes) {
    PortListOptions o;
    o.openAudio = false; // tests never make noise
    auto list = PortList::Create(o);
    auto ports = list->Ports(kOutputPorts);
    ASSERT_FALSE(ports.empty());
    EXPECT_EQ(ports[0].name, "Built-in Synthesizer");
    EXPECT_EQ(ports[0].guid, kBuiltInSynthGuid);
    EXPECT_FALSE(ports[0].available) << "without audio the synthesizer says so";
    EXPECT_FALSE(list->Problems().empty());
    EXPECT_EQ(list->CurrentOutputId(), ports[0].id);

    auto rec = std::make_shared<RecorderOutput>(RecorderOutput::TimeSource{}, "Test Recorder");
    const std::uint32_t recId = list->AddOutput(rec, MakePortGuid(kOutputPorts, "Test Recorder"));
    EXPECT_NE(recId, ports[0].id);
    ASSERT_TRUE(list->SetCurrentOutput(recId));
    EXPECT_FALSE(list->SetCurrentOutput(0xDEAD)) << "an unknown id leaves the current port";
    list->Refresh();
    EXPECT_EQ((std::tuple{list->CurrentOutputId(), list->Ports(kOutputPorts)[0].id, list->Ports(kOutputPorts)[1].name}),
              (std::tuple{recId, ports[0].id, "Test Recorder"}));
    list->CurrentOutput()->SendShort(0x90, 60, 100);
    EXPECT_EQ((std::tuple{rec->Count(), list->Output(0xDEAD)}), (std::tuple{1u, nullptr}));
}

TEST(PortList, GuidsDependOnKindAndName) {
    // The same in every build, so that a port chosen once is found again after a restart.
    EXPECT_EQ(MakePortGuid(1, "Synth: Port 0"), (PortGuid{0xF3, 0x05, 0xB9, 0xE8, 0x5B, 0xC7, 0xEC, 0x52, //
                                                           0x9E, 0xC9, 0x99, 0x09, 0x2C, 0xBC, 0xD9, 0x2B}));
    EXPECT_NE(MakePortGuid(1, "Synth: Port 0"), MakePortGuid(1, "Synth: Port 1"));
    EXPECT_NE(MakePortGuid(0, "Synth: Port 0"), MakePortGuid(1, "Synth: Port 0"));
}

TEST(PortList, SequencerPortsAppearOnlyWithASequencer) {
    PortListOptions o;
    o.builtInSynth = false;
    auto list = PortList::Create(o);
    if (::access("/dev/snd/seq", R_OK | W_OK) != 0) {
        EXPECT_FALSE(list->HasSequencer());
        EXPECT_TRUE(list->Ports(kOutputPorts).empty());
        EXPECT_EQ(list->CurrentOutput(), nullptr);
        GTEST_SKIP() << "no ALSA sequencer here";
    }
    ASSERT_TRUE(list->HasSequencer());
    // Our own client is never listed as a destination of itself.
    for (const auto& p : list->Ports(kOutputPorts)) EXPECT_EQ(p.name.rfind("Piano Roll:", 0), std::string::npos);
}

// Sets an environment variable for the scope of a test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { old_ ? ::setenv(name_, old_->c_str(), 1) : ::unsetenv(name_); }

private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(BuiltInSynthesizer, SearchesTheUsersFoldersThenEachDataFolderThenTheSystem) {
    ScopedEnv font("PIANOROLL_SOUNDFONT", nullptr), home("HOME", "/h"), data("XDG_DATA_DIRS", ":/x::/y:");
    const std::vector<std::string> paths = SoundFontSearchPaths();
    ASSERT_EQ(paths.size(), 20u); // two file names in ten folders; empty data folders add none
    EXPECT_EQ((std::vector{paths[0], paths[2], paths[5], paths[6], paths[10]}),
              (std::vector<std::string>{"/h/.local/share/soundfonts/TimGM6mb.sf2", "/x/sounds/sf2/TimGM6mb.sf2",
                                        "/y/soundfonts/TimGM6mb.sf2", "/usr/share/sounds/sf2/TimGM6mb.sf2",
                                        "/h/.local/share/soundfonts/default-GM.sf2"}));
}

TEST(BuiltInSynthesizer, FindsTheSoundFontOrSaysWhatIsMissing) {
    const char* saved = std::getenv("PIANOROLL_SOUNDFONT");
    const std::string keep = saved ? saved : "";
    ::setenv("PIANOROLL_SOUNDFONT", "/nonexistent/none.sf2", 1);
    auto paths = SoundFontSearchPaths();
    ASSERT_FALSE(paths.empty());
    EXPECT_EQ(paths.front(), "/nonexistent/none.sf2");
    if (saved) ::setenv("PIANOROLL_SOUNDFONT", keep.c_str(), 1);
    else ::unsetenv("PIANOROLL_SOUNDFONT");
    EXPECT_NE(MissingSoundFontMessage().find("timgm6mb-soundfont"), std::string::npos);

    if (!VOR_SYNTH_BUILT) GTEST_SKIP() << "built without FluidSynth: no built-in synthesizer";
    FluidSynthOptions o;
    o.soundFont = "/nonexistent/none.sf2";
    o.openAudio = false;
    auto synth = FluidSynthOutput::Create(o);
    EXPECT_FALSE(synth->IsAvailable());
    EXPECT_NE(synth->Problem().find("none.sf2"), std::string::npos) << synth->Problem();
    synth->SendShort(0x90, 60, 100); // harmless when unavailable
}

// Without a sound card the audio libraries' own complaints (a dozen lines from libasound) must not
// reach the terminal: they end up in the one problem line that names the output.
TEST(BuiltInSynthesizer, NoAudioDeviceIsOneLineAndNoLibraryNoise) {
    if (!VOR_SYNTH_BUILT) GTEST_SKIP() << "built without FluidSynth: no built-in synthesizer";
    std::error_code ec;
    if (std::filesystem::exists("/dev/snd", ec)) GTEST_SKIP() << "a sound card is present";
    if (!midiout::FindSoundFont()) GTEST_SKIP() << midiout::MissingSoundFontMessage();
    const char* chosen = std::getenv("PIANOROLL_AUDIO");
    const std::string saved = chosen ? chosen : "";
    ::unsetenv("PIANOROLL_AUDIO");
    std::fflush(stderr);
    const int terminal = ::dup(2);
    std::FILE* captured = std::tmpfile();
    ::dup2(::fileno(captured), 2);
    midiout::FluidSynthOptions o;
    o.openAudio = true;
    auto synth = midiout::FluidSynthOutput::Create(o);
    std::fflush(stderr);
    ::dup2(terminal, 2);
    ::close(terminal);
    if (chosen) ::setenv("PIANOROLL_AUDIO", saved.c_str(), 1);
    std::fseek(captured, 0, SEEK_END);
    const long noise = std::ftell(captured);
    std::fclose(captured);
    if (synth->IsAvailable()) GTEST_SKIP() << "an audio server took the output";
    EXPECT_EQ((std::tuple{noise, synth->Problem().find('\n')}), (std::tuple{0L, std::string::npos}));
    EXPECT_EQ(synth->Problem().rfind("no audio device could be opened", 0), 0u) << synth->Problem();
}
