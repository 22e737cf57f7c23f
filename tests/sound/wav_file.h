// Test helper: reads a 16-bit PCM WAV file and measures its level.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

namespace soundtest {

struct Wav {
    int rate = 0, channels = 0, bits = 0;
    std::vector<std::int16_t> samples; // interleaved
    std::size_t Frames() const { return channels ? samples.size() / channels : 0; }
    // RMS over [from, to) seconds, both channels, full scale = 1.
    double Rms(double from, double to) const {
        const std::size_t a = static_cast<std::size_t>(std::max(0.0, from) * rate) * channels;
        const std::size_t b = std::min(samples.size(), static_cast<std::size_t>(to * rate) * channels);
        if (b <= a) return 0;
        double sum = 0;
        for (std::size_t i = a; i < b; ++i) sum += double(samples[i]) * samples[i];
        return std::sqrt(sum / double(b - a)) / 32768.0;
    }
};

inline std::uint32_t Le(const std::vector<std::uint8_t>& b, std::size_t at, int n) {
    std::uint32_t v = 0;
    for (int i = n - 1; i >= 0; --i) v = (v << 8) | b[at + i];
    return v;
}

inline Wav ReadWav(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Wav w;
    if (b.size() < 44 || std::memcmp(b.data(), "RIFF", 4) || std::memcmp(b.data() + 8, "WAVE", 4)) return w;
    EXPECT_EQ(Le(b, 4, 4), b.size() - 8);
    EXPECT_EQ(std::memcmp(b.data() + 12, "fmt ", 4), 0);
    EXPECT_EQ(Le(b, 16, 4), 16u);
    EXPECT_EQ(Le(b, 20, 2), 1u); // PCM
    w.channels = static_cast<int>(Le(b, 22, 2));
    w.rate = static_cast<int>(Le(b, 24, 4));
    w.bits = static_cast<int>(Le(b, 34, 2));
    EXPECT_EQ(w.bits, 16);
    EXPECT_EQ(Le(b, 28, 4), static_cast<std::uint32_t>(w.rate * w.channels * 2)); // bytes a second
    EXPECT_EQ(Le(b, 32, 2), static_cast<std::uint32_t>(w.channels * 2));        // bytes a frame
    EXPECT_EQ(std::memcmp(b.data() + 36, "data", 4), 0);
    const std::uint32_t dataBytes = Le(b, 40, 4);
    EXPECT_EQ(dataBytes, b.size() - 44);
    w.samples.resize(dataBytes / 2);
    std::memcpy(w.samples.data(), b.data() + 44, w.samples.size() * 2);
    return w;
}

} // namespace soundtest
