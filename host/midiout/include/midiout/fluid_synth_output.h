// The built-in General MIDI synthesizer output, its sound-font lookup, and offline rendering.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "midiout/output.h"

namespace midiout {

// Where the General MIDI sound font is looked for: $PIANOROLL_SOUNDFONT, then TimGM6mb.sf2 and
// default-GM.sf2 in the usual sound-font folders (user data, XDG data dirs, /usr/share/sounds/sf2,
// /usr/share/soundfonts, /usr/local/share/soundfonts).
std::vector<std::string> SoundFontSearchPaths();
// The first existing sound font, or nullopt.
std::optional<std::string> FindSoundFont();
// One line naming what is missing and how to get it.
std::string MissingSoundFontMessage();

struct FluidSynthOptions {
    std::string soundFont;       // empty: FindSoundFont()
    bool openAudio = true;       // false: no audio driver is tried (the output reports unavailable)
    double sampleRate = 44100.0;
    double gain = 0.4;
};

class FluidSynthOutput : public MidiOutput {
public:
    // Never fails: a synthesizer that cannot play reports itself unavailable and says why in
    // Problem(). Set PIANOROLL_AUDIO=none to skip the audio device.
    static std::unique_ptr<FluidSynthOutput> Create(const FluidSynthOptions& options = {});
    ~FluidSynthOutput() override;

    std::string Name() const override { return "Built-in Synthesizer"; }
    bool IsAvailable() const override;
    void SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) override;
    void SendLong(const std::uint8_t* bytes, std::size_t size) override;

    const std::string& Problem() const { return problem_; }
    const std::string& SoundFontPath() const { return soundFont_; }

private:
    FluidSynthOutput() = default;
    struct Impl;
    std::unique_ptr<Impl> impl_;
    std::string problem_;
    std::string soundFont_;
};

// A message at a point of time, for offline rendering.
struct TimedMessage {
    double seconds;
    MidiMessage message;
};

struct RenderOptions {
    std::string soundFont; // empty: FindSoundFont()
    int sampleRate = 44100;
    double tailSeconds = 1.0; // rendered after the last message so that releases ring out
    double minSeconds = 0.0;  // the file is at least this long (a song's silent ending is kept)
    double gain = 0.4;
};

struct RenderResult {
    bool ok = false;
    std::string error; // one line when !ok
    std::int64_t frames = 0;
};

// Renders the messages (sorted by time; ties keep their order) through the synthesizer, faster
// than real time, into a 16-bit stereo PCM WAV file. The file is written to a temporary name and
// renamed over `path`, so a failed render leaves no partial file.
RenderResult RenderToWav(const std::vector<TimedMessage>& messages, const std::string& path,
                         const RenderOptions& options = {});

} // namespace midiout
