// A 16-bit PCM WAV file writer that replaces its target only when the whole file is written.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace midiout {

class WavWriter {
public:
    WavWriter() = default;
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;
    ~WavWriter(); // an uncommitted file is removed

    // Opens a temporary file beside `path`. Returns an error line, or empty on success.
    std::string Open(const std::string& path, int sampleRate, int channels);
    // Appends interleaved frames.
    bool Write(const std::int16_t* frames, int frameCount);
    // Fills in the header sizes and renames the file over the target.
    std::string Commit();

    std::int64_t Frames() const { return frames_; }

private:
    void Abandon();

    std::FILE* file_ = nullptr;
    std::string path_, tempPath_;
    int channels_ = 2;
    std::int64_t frames_ = 0;
};

} // namespace midiout
