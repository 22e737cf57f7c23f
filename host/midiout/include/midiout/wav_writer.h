// A 16-bit PCM WAV file writer that replaces its target only when the whole file is written.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "win/file_replacement.h"

namespace midiout {

class WavWriter {
public:
    WavWriter() = default;
    WavWriter(const WavWriter&) = delete;
    WavWriter& operator=(const WavWriter&) = delete;
    ~WavWriter() = default; // an uncommitted file is removed with its replacement

    // Opens a temporary file beside `path`. Returns an error line without the file's name (the
    // caller names it once), or empty on success.
    std::string Open(const std::string& path, int sampleRate, int channels);
    // Appends interleaved frames.
    bool Write(const std::int16_t* frames, int frameCount);
    // Fills in the header sizes and renames the file over the target. Error line as for Open.
    std::string Commit();
    // The reason the last Write failed.
    const std::string& WriteError() const { return writeError_; }

    std::int64_t Frames() const { return frames_; }

private:
    bool Flush();

    win::files::Replacement file_;
    std::vector<std::uint8_t> pending_; // samples not yet handed to the file
    std::string writeError_;
    int channels_ = 2;
    std::int64_t frames_ = 0;
};

} // namespace midiout
