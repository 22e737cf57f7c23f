// The settings stream format: version, second word, block size, then the block byte for byte.
#include "mp/settings_stream.h"

#include <cstring>
#include <initializer_list>

namespace mp {
namespace {

using win::HRESULT;

// Little-endian word read; S_OK only when all four bytes arrived.
HRESULT ReadWord(win::IStream* stream, std::uint32_t& value) {
    unsigned char bytes[4] = {};
    win::ULONG got = 0;
    HRESULT hr = stream->Read(bytes, sizeof bytes, &got);
    if (win::FAILED(hr)) return hr;
    if (got != sizeof bytes) return win::S_FALSE;
    value = std::uint32_t(bytes[0]) | std::uint32_t(bytes[1]) << 8 | std::uint32_t(bytes[2]) << 16 |
            std::uint32_t(bytes[3]) << 24;
    return hr;
}

HRESULT WriteWord(win::IStream* stream, std::uint32_t value) {
    const unsigned char bytes[4] = {static_cast<unsigned char>(value), static_cast<unsigned char>(value >> 8),
                                    static_cast<unsigned char>(value >> 16),
                                    static_cast<unsigned char>(value >> 24)};
    return stream->Write(bytes, sizeof bytes, nullptr);
}

} // namespace

HRESULT LoadSettingsStream(win::IStream* stream, SettingsHeader& header, PianoRollSettings& block) noexcept {
    ResetSettingsHeader(header);
    block.Reset();
    if (!stream) return win::E_POINTER;

    win::ULARGE_INTEGER start{};
    HRESULT hr = stream->Seek(win::LARGE_INTEGER{0}, win::STREAM_SEEK_CUR, &start);
    if (win::FAILED(hr)) return hr;

    std::uint32_t version = 0;
    hr = ReadWord(stream, version);
    if (win::FAILED(hr)) return hr;

    bool accepted = false;
    std::uint32_t second = 0, size = 0;
    if (hr == win::S_OK && ReadWord(stream, second) == win::S_OK && ReadWord(stream, size) == win::S_OK &&
        size == kSettingsBlockSize) {
        // The block is read straight into place, so a short read keeps what arrived.
        win::ULONG got = 0;
        hr = stream->Read(&block, kSettingsBlockSize, &got);
        accepted = win::SUCCEEDED(hr) && got == kSettingsBlockSize;
    }
    if (accepted) {
        if (version != kSettingsVersion) {
            block.Reset();
            return win::S_FALSE;
        }
        return RepairSettings(block) > 0 ? win::S_FALSE : hr;
    }
    RepairSettings(block);

    win::LARGE_INTEGER back{static_cast<win::LONGLONG>(start.QuadPart)};
    return stream->Seek(back, win::STREAM_SEEK_SET, nullptr);
}

HRESULT SaveSettingsStream(win::IStream* stream, const SettingsHeader& header,
                           const PianoRollSettings& block) noexcept {
    if (!stream) return win::E_POINTER;
    HRESULT hr = stream->Seek(win::LARGE_INTEGER{0}, win::STREAM_SEEK_CUR, nullptr);
    if (win::FAILED(hr)) return hr;
    for (std::uint32_t word : {header.version, header.second, header.size}) {
        hr = WriteWord(stream, word);
        if (win::FAILED(hr)) return hr;
    }
    return stream->Write(&block, kSettingsBlockSize, nullptr);
}

} // namespace mp
