// The WAV file writer.
#include "midiout/wav_writer.h"

#include <cstring>

namespace midiout {

namespace {
void Put16(std::uint8_t* p, std::uint32_t v) {
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}
void Put32(std::uint8_t* p, std::uint32_t v) {
    Put16(p, v & 0xFFFF);
    Put16(p + 2, v >> 16);
}
constexpr int kHeaderSize = 44;
constexpr int kRiffSizeOffset = 4;
constexpr int kDataSizeOffset = 40;
// Samples are handed to the file in pieces of this size rather than one system call per block.
constexpr std::size_t kFlushBytes = 1 << 16;
} // namespace

std::string WavWriter::Open(const std::string& path, int sampleRate, int channels) {
    channels_ = channels;
    frames_ = 0;
    pending_.clear();
    writeError_.clear();
    std::string error;
    if (!file_.Begin(path, &error)) return error;
    std::uint8_t h[kHeaderSize] = {};
    std::memcpy(h, "RIFF", 4);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    Put32(h + 16, 16);
    Put16(h + 20, 1); // PCM
    Put16(h + 22, static_cast<std::uint32_t>(channels));
    Put32(h + 24, static_cast<std::uint32_t>(sampleRate));
    Put32(h + 28, static_cast<std::uint32_t>(sampleRate * channels * 2));
    Put16(h + 32, static_cast<std::uint32_t>(channels * 2));
    Put16(h + 34, 16);
    std::memcpy(h + 36, "data", 4);
    if (!file_.Write(h, kHeaderSize, &error)) return error;
    return {};
}

bool WavWriter::Flush() {
    if (pending_.empty()) return true;
    const bool ok = file_.Write(pending_.data(), pending_.size(), &writeError_);
    pending_.clear();
    return ok;
}

bool WavWriter::Write(const std::int16_t* frames, int frameCount) {
    if (!file_.Active() || frameCount < 0) {
        if (writeError_.empty()) writeError_ = "the file is not open for writing";
        return false;
    }
    const std::size_t samples = static_cast<std::size_t>(frameCount) * channels_;
    const std::size_t at = pending_.size();
    pending_.resize(at + samples * 2);
    for (std::size_t i = 0; i < samples; ++i) Put16(&pending_[at + i * 2], static_cast<std::uint16_t>(frames[i]));
    frames_ += frameCount;
    return pending_.size() < kFlushBytes || Flush();
}

std::string WavWriter::Commit() {
    if (!file_.Active()) return writeError_.empty() ? "nothing was written" : writeError_;
    if (!Flush()) return writeError_;
    const std::uint64_t dataBytes = static_cast<std::uint64_t>(frames_) * channels_ * 2;
    if (dataBytes > 0xFFFFFFFFull - kHeaderSize) {
        file_.Abandon();
        return "the audio is too long for a WAV file";
    }
    std::uint8_t size[4];
    std::string error;
    Put32(size, static_cast<std::uint32_t>(dataBytes + kHeaderSize - 8));
    if (!file_.WriteAt(kRiffSizeOffset, size, 4, &error)) return error;
    Put32(size, static_cast<std::uint32_t>(dataBytes));
    if (!file_.WriteAt(kDataSizeOffset, size, 4, &error)) return error;
    if (!file_.Commit(&error)) return error;
    return {};
}

} // namespace midiout
