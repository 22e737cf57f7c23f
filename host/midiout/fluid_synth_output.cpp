// The built-in synthesizer on FluidSynth: live output through its audio driver, and offline WAV rendering.
#include "midiout/fluid_synth_output.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>

#include "midiout/wav_writer.h"

#if VOR_HAVE_FLUIDSYNTH
#include <fluidsynth.h>
#endif
#if VOR_HAVE_ALSA
#include <alsa/asoundlib.h>
#include <cstdarg>
#endif

namespace midiout {

namespace fs = std::filesystem;

std::vector<std::string> SoundFontSearchPaths() {
    std::vector<std::string> dirs;
    if (const char* home = std::getenv("HOME"); home && *home) {
        dirs.push_back(std::string(home) + "/.local/share/soundfonts");
        dirs.push_back(std::string(home) + "/.local/share/sounds/sf2");
    }
    if (const char* xdg = std::getenv("XDG_DATA_DIRS"); xdg && *xdg) {
        std::string all = xdg;
        std::size_t start = 0;
        while (start <= all.size()) {
            std::size_t end = all.find(':', start);
            if (end == std::string::npos) end = all.size();
            if (end > start) {
                std::string d = all.substr(start, end - start);
                dirs.push_back(d + "/sounds/sf2");
                dirs.push_back(d + "/soundfonts");
            }
            start = end + 1;
        }
    }
    for (const char* d : {"/usr/share/sounds/sf2", "/usr/share/soundfonts", "/usr/local/share/soundfonts",
                          "/usr/local/share/sounds/sf2"})
        dirs.emplace_back(d);

    std::vector<std::string> paths;
    if (const char* env = std::getenv("PIANOROLL_SOUNDFONT"); env && *env) paths.emplace_back(env);
    for (const char* file : {"TimGM6mb.sf2", "default-GM.sf2"})
        for (const auto& d : dirs) paths.push_back(d + "/" + file);
    return paths;
}

std::optional<std::string> FindSoundFont() {
    for (const auto& p : SoundFontSearchPaths()) {
        std::error_code ec;
        if (fs::is_regular_file(p, ec)) return p;
    }
    return std::nullopt;
}

std::string MissingSoundFontMessage() {
    return "no General MIDI sound font found (install the timgm6mb-soundfont package, or set "
           "PIANOROLL_SOUNDFONT to an .sf2 file)";
}

#if VOR_HAVE_FLUIDSYNTH

namespace {

// FluidSynth logs to stderr on its own; its complaints become our one-line messages instead.
std::once_flag g_quietLogs;
void QuietLogs() {
    std::call_once(g_quietLogs, [] {
        for (int level : {FLUID_PANIC, FLUID_ERR, FLUID_WARN, FLUID_INFO, FLUID_DBG})
            fluid_set_log_function(level, nullptr, nullptr);
    });
}

// The sound library's own complaints while audio drivers are tried. Left to itself libasound prints
// a dozen lines of its configuration parser for a machine without a sound card; instead the first
// one is kept and becomes part of our one-line message.
class AudioLibraryErrors {
public:
    AudioLibraryErrors() {
#if VOR_HAVE_ALSA
        std::lock_guard lock(Mutex());
        First().clear();
        snd_lib_error_set_handler(&Collect);
#endif
    }
    ~AudioLibraryErrors() {
#if VOR_HAVE_ALSA
        // Later errors (the sequencer sets its own handler) are not ours to keep.
        snd_lib_error_set_handler(&Drop);
#endif
    }
    AudioLibraryErrors(const AudioLibraryErrors&) = delete;
    AudioLibraryErrors& operator=(const AudioLibraryErrors&) = delete;
    // "(ALSA: cannot find card '0')", or empty when the library said nothing.
    std::string Reason() const {
        std::lock_guard lock(Mutex());
        return First().empty() ? std::string() : " (ALSA: " + First() + ")";
    }

private:
    static std::mutex& Mutex() {
        static std::mutex m;
        return m;
    }
    static std::string& First() {
        static std::string first;
        return first;
    }
#if VOR_HAVE_ALSA
    static void Collect(const char*, int, const char*, int, const char* format, ...) {
        char text[256];
        va_list args;
        va_start(args, format);
        std::vsnprintf(text, sizeof text, format, args);
        va_end(args);
        std::lock_guard lock(Mutex());
        if (First().empty()) First() = text;
    }
    static void Drop(const char*, int, const char*, int, const char*, ...) {}
#endif
};

// Sends one message to a synth; the caller serialises.
void Dispatch(fluid_synth_t* synth, std::uint8_t status, std::uint8_t d1, std::uint8_t d2) {
    const int ch = status & 0x0F;
    switch (status & 0xF0) {
    case 0x80: fluid_synth_noteoff(synth, ch, d1); break;
    case 0x90:
        if (d2 == 0)
            fluid_synth_noteoff(synth, ch, d1);
        else
            fluid_synth_noteon(synth, ch, d1, d2);
        break;
    case 0xA0: fluid_synth_key_pressure(synth, ch, d1, d2); break;
    case 0xB0: fluid_synth_cc(synth, ch, d1, d2); break;
    case 0xC0: fluid_synth_program_change(synth, ch, d1); break;
    case 0xD0: fluid_synth_channel_pressure(synth, ch, d1); break;
    case 0xE0: fluid_synth_pitch_bend(synth, ch, d2 * 128 + d1); break;
    case 0xF0:
        if (status == 0xFF) fluid_synth_system_reset(synth);
        break;
    default: break;
    }
}

void DispatchLong(fluid_synth_t* synth, const std::uint8_t* bytes, std::size_t size) {
    if (size < 2 || bytes[0] != 0xF0) return;
    std::size_t n = size - 1;
    if (bytes[size - 1] == 0xF7) --n;
    if (n == 0) return;
    fluid_synth_sysex(synth, reinterpret_cast<const char*>(bytes + 1), static_cast<int>(n), nullptr, nullptr,
                      nullptr, 0);
}

std::int16_t ToPcm16(float v) {
    const float scaled = std::round(v * 32767.0f);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0f, 32767.0f));
}

struct SynthParts {
    fluid_settings_t* settings = nullptr;
    fluid_synth_t* synth = nullptr;
    ~SynthParts() {
        if (synth) delete_fluid_synth(synth);
        if (settings) delete_fluid_settings(settings);
    }
};

// Creates a synth with the sound font loaded; returns an error line on failure.
std::string MakeSynth(SynthParts& parts, const std::string& soundFont, double sampleRate, double gain) {
    QuietLogs();
    parts.settings = new_fluid_settings();
    if (!parts.settings) return "cannot create the synthesizer settings";
    fluid_settings_setnum(parts.settings, "synth.sample-rate", sampleRate);
    fluid_settings_setnum(parts.settings, "synth.gain", gain);
    fluid_settings_setint(parts.settings, "synth.cpu-cores", 1);
    parts.synth = new_fluid_synth(parts.settings);
    if (!parts.synth) return "cannot create the synthesizer";
    // Anything but a RIFF sound bank is refused here: the loader's fallback for other files
    // prints its own complaints to stderr.
    char head[12] = {};
    {
        std::ifstream in(soundFont, std::ios::binary);
        in.read(head, sizeof head);
        if (!in) return soundFont + ": cannot load the sound font";
    }
    if (std::memcmp(head, "RIFF", 4) != 0 || (std::memcmp(head + 8, "sfbk", 4) != 0 && std::memcmp(head + 8, "DLS ", 4) != 0))
        return soundFont + ": cannot load the sound font (not a SoundFont 2 or DLS file)";
    if (fluid_synth_sfload(parts.synth, soundFont.c_str(), 1) == FLUID_FAILED)
        return soundFont + ": cannot load the sound font";
    return {};
}

} // namespace

struct FluidSynthOutput::Impl {
    SynthParts parts;
    fluid_audio_driver_t* driver = nullptr;
    std::mutex mutex;
    ~Impl() {
        if (driver) delete_fluid_audio_driver(driver);
    }
};

std::unique_ptr<FluidSynthOutput> FluidSynthOutput::Create(const FluidSynthOptions& options) {
    std::unique_ptr<FluidSynthOutput> out(new FluidSynthOutput());
    auto sf = options.soundFont.empty() ? FindSoundFont() : std::optional<std::string>(options.soundFont);
    if (!sf) {
        out->problem_ = MissingSoundFontMessage();
        return out;
    }
    out->soundFont_ = *sf;
    auto impl = std::make_unique<Impl>();
    if (auto err = MakeSynth(impl->parts, *sf, options.sampleRate, options.gain); !err.empty()) {
        out->problem_ = err;
        return out;
    }
    const char* audioEnv = std::getenv("PIANOROLL_AUDIO");
    const bool wantAudio = options.openAudio && !(audioEnv && std::strcmp(audioEnv, "none") == 0);
    if (!wantAudio) {
        out->problem_ = "audio output is switched off";
    } else {
        // The compiled-in default first, then the drivers a desktop usually has.
        std::vector<std::string> drivers = {""};
        if (audioEnv && *audioEnv) drivers = {audioEnv};
        else
            for (const char* d : {"pulseaudio", "pipewire", "alsa", "sdl2"}) drivers.emplace_back(d);
        AudioLibraryErrors libraryErrors;
        for (const auto& d : drivers) {
            if (!d.empty() && fluid_settings_setstr(impl->parts.settings, "audio.driver", d.c_str()) != FLUID_OK)
                continue;
            impl->driver = new_fluid_audio_driver(impl->parts.settings, impl->parts.synth);
            if (impl->driver) break;
        }
        if (!impl->driver)
            out->problem_ = "no audio device could be opened" + libraryErrors.Reason() + ", so it stays silent";
    }
    out->impl_ = std::move(impl);
    return out;
}

FluidSynthOutput::~FluidSynthOutput() = default;

bool FluidSynthOutput::IsAvailable() const { return impl_ && impl_->driver; }

void FluidSynthOutput::SendShort(std::uint8_t status, std::uint8_t data1, std::uint8_t data2) {
    if (!IsAvailable()) return;
    std::lock_guard lock(impl_->mutex);
    Dispatch(impl_->parts.synth, status, data1, data2);
}

void FluidSynthOutput::SendLong(const std::uint8_t* bytes, std::size_t size) {
    if (!IsAvailable() || !bytes) return;
    std::lock_guard lock(impl_->mutex);
    DispatchLong(impl_->parts.synth, bytes, size);
}

RenderResult RenderToWav(const std::vector<TimedMessage>& messages, const std::string& path,
                         const RenderOptions& options) {
    RenderResult result;
    auto sf = options.soundFont.empty() ? FindSoundFont() : std::optional<std::string>(options.soundFont);
    if (!sf) {
        result.error = MissingSoundFontMessage();
        return result;
    }
    if (options.sampleRate < 8000 || options.sampleRate > 192000) {
        result.error = "unsupported sample rate";
        return result;
    }
    SynthParts parts;
    if (auto err = MakeSynth(parts, *sf, options.sampleRate, options.gain); !err.empty()) {
        result.error = err;
        return result;
    }
    WavWriter wav;
    if (auto err = wav.Open(path, options.sampleRate, 2); !err.empty()) {
        result.error = err;
        return result;
    }
    constexpr int kBlock = 512;
    std::vector<float> left(kBlock), right(kBlock);
    std::vector<std::int16_t> buffer(kBlock * 2);
    std::int64_t rendered = 0;
    auto renderTo = [&](std::int64_t frame) -> bool {
        while (rendered < frame) {
            const int n = static_cast<int>(std::min<std::int64_t>(kBlock, frame - rendered));
            // Float output converted here: the synthesizer's own 16-bit path adds dither noise,
            // and silence must stay exactly silent.
            fluid_synth_write_float(parts.synth, n, left.data(), 0, 1, right.data(), 0, 1);
            for (int i = 0; i < n; ++i) {
                buffer[2 * i] = ToPcm16(left[i]);
                buffer[2 * i + 1] = ToPcm16(right[i]);
            }
            if (!wav.Write(buffer.data(), n)) return false;
            rendered += n;
        }
        return true;
    };
    double last = 0;
    for (const auto& tm : messages) {
        const double t = std::max(tm.seconds, last);
        last = t;
        if (!renderTo(static_cast<std::int64_t>(t * options.sampleRate + 0.5))) {
            result.error = wav.WriteError();
            return result;
        }
        const auto& m = tm.message;
        if (m.IsLong()) {
            if (m.bytes) DispatchLong(parts.synth, m.bytes->data(), m.bytes->size());
        } else {
            Dispatch(parts.synth, m.status, m.data1, m.data2);
        }
    }
    const double end = std::max(last + std::max(0.0, options.tailSeconds), options.minSeconds);
    if (!renderTo(static_cast<std::int64_t>(end * options.sampleRate + 0.5))) {
        result.error = wav.WriteError();
        return result;
    }
    if (auto err = wav.Commit(); !err.empty()) {
        result.error = err;
        return result;
    }
    result.ok = true;
    result.frames = rendered;
    return result;
}

#else // built without FluidSynth

struct FluidSynthOutput::Impl {};

std::unique_ptr<FluidSynthOutput> FluidSynthOutput::Create(const FluidSynthOptions&) {
    std::unique_ptr<FluidSynthOutput> out(new FluidSynthOutput());
    out->problem_ = "built without FluidSynth: the built-in synthesizer is not available";
    return out;
}
FluidSynthOutput::~FluidSynthOutput() = default;
bool FluidSynthOutput::IsAvailable() const { return false; }
void FluidSynthOutput::SendShort(std::uint8_t, std::uint8_t, std::uint8_t) {}
void FluidSynthOutput::SendLong(const std::uint8_t*, std::size_t) {}

RenderResult RenderToWav(const std::vector<TimedMessage>&, const std::string&, const RenderOptions&) {
    RenderResult r;
    r.error = "built without FluidSynth: cannot render audio";
    return r;
}

#endif

} // namespace midiout
