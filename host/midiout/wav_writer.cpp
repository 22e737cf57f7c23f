// The WAV file writer.
#include "midiout/wav_writer.h"

#include <cerrno>
#include <cstring>
#include <unistd.h>
#include <vector>

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
} // namespace

WavWriter::~WavWriter() { Abandon(); }

void WavWriter::Abandon() {
    if (file_) {
        std::fclose(file_);
        file_ = nullptr;
        std::remove(tempPath_.c_str());
    }
}

std::string WavWriter::Open(const std::string& path, int sampleRate, int channels) {
    Abandon();
    if (path.empty()) return "no output file named";
    path_ = path;
    tempPath_ = path + ".part" + std::to_string(::getpid());
    channels_ = channels;
    frames_ = 0;
    file_ = std::fopen(tempPath_.c_str(), "wb");
    if (!file_) return path + ": cannot create the file (" + std::strerror(errno) + ")";
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
    if (std::fwrite(h, 1, kHeaderSize, file_) != kHeaderSize) {
        Abandon();
        return path + ": cannot write the file";
    }
    return {};
}

bool WavWriter::Write(const std::int16_t* frames, int frameCount) {
    if (!file_ || frameCount < 0) return false;
    const std::size_t samples = static_cast<std::size_t>(frameCount) * channels_;
    std::vector<std::uint8_t> bytes(samples * 2);
    for (std::size_t i = 0; i < samples; ++i) Put16(&bytes[i * 2], static_cast<std::uint16_t>(frames[i]));
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size()) return false;
    frames_ += frameCount;
    return true;
}

std::string WavWriter::Commit() {
    if (!file_) return path_ + ": nothing to write";
    const std::uint64_t dataBytes = static_cast<std::uint64_t>(frames_) * channels_ * 2;
    if (dataBytes > 0xFFFFFFFFull - kHeaderSize) {
        Abandon();
        return path_ + ": the audio is too long for a WAV file";
    }
    std::uint8_t size[4];
    bool ok = true;
    Put32(size, static_cast<std::uint32_t>(dataBytes + kHeaderSize - 8));
    ok = ok && std::fseek(file_, 4, SEEK_SET) == 0 && std::fwrite(size, 1, 4, file_) == 4;
    Put32(size, static_cast<std::uint32_t>(dataBytes));
    ok = ok && std::fseek(file_, 40, SEEK_SET) == 0 && std::fwrite(size, 1, 4, file_) == 4;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (!ok || std::rename(tempPath_.c_str(), path_.c_str()) != 0) {
        std::remove(tempPath_.c_str());
        return path_ + ": cannot write the file";
    }
    return {};
}

} // namespace midiout
