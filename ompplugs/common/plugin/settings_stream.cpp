// The settings stream format: version, second word, block size, the block byte for byte, then the
// optional extension (tag, length, body).
#include "mp/settings_stream.h"

#include <cstring>
#include <initializer_list>
#include <new>
#include <string>

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

HRESULT LoadSettingsStream(win::IStream* stream, SettingsHeader& header, PianoRollSettings& block,
                           std::string* defaulted) noexcept {
    ResetSettingsHeader(header);
    block.Reset();
    if (defaulted) defaulted->clear();
    if (!stream) return win::E_POINTER;

    win::ULARGE_INTEGER start{};
    HRESULT hr = stream->Seek(win::LARGE_INTEGER{0}, win::STREAM_SEEK_CUR, &start);
    if (win::FAILED(hr)) return hr;

    // The version word is not checked: the fields' own ranges decide what is kept.
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
        try {
            return RepairSettings(block, defaulted) > 0 ? win::S_FALSE : hr;
        } catch (const std::bad_alloc&) {
            // Only naming a repaired field allocates: one was repaired.
            RepairSettings(block);
            return win::S_FALSE;
        }
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

HRESULT LoadSettingsExtension(win::IStream* stream, SettingsExtension& extension) noexcept {
    extension.Clear();
    if (!stream) return win::E_POINTER;
    win::ULARGE_INTEGER start{};
    HRESULT hr = stream->Seek(win::LARGE_INTEGER{0}, win::STREAM_SEEK_CUR, &start);
    if (win::FAILED(hr)) return hr;
    const auto back = [&] {
        return stream->Seek(win::LARGE_INTEGER{static_cast<win::LONGLONG>(start.QuadPart)}, win::STREAM_SEEK_SET,
                            nullptr);
    };

    char tag[sizeof SettingsExtension::kTag] = {};
    win::ULONG got = 0;
    hr = stream->Read(tag, sizeof tag, &got);
    if (win::FAILED(hr)) return hr;
    if (got != sizeof tag || std::memcmp(tag, SettingsExtension::kTag, sizeof tag) != 0) return back();

    std::uint32_t length = 0;
    hr = ReadWord(stream, length);
    if (win::FAILED(hr)) return hr;
    if (hr != win::S_OK || length > SettingsExtension::kMaxBodyBytes) return win::S_FALSE;
    try {
        std::string body(length, '\0');
        hr = stream->Read(body.data(), length, &got);
        if (win::FAILED(hr)) return hr;
        if (got != length) return win::S_FALSE;
        return extension.ParseBody(body) > 0 ? win::S_FALSE : win::S_OK;
    } catch (const std::bad_alloc&) {
        extension.Clear();
        return win::E_OUTOFMEMORY;
    }
}

HRESULT SaveSettingsExtension(win::IStream* stream, const SettingsExtension& extension) noexcept {
    if (!stream) return win::E_POINTER;
    if (extension.Empty()) return win::S_OK;
    try {
        const std::string body = extension.Body();
        if (body.size() > SettingsExtension::kMaxBodyBytes) return win::E_INVALIDARG;
        HRESULT hr = stream->Write(SettingsExtension::kTag, sizeof SettingsExtension::kTag, nullptr);
        if (win::SUCCEEDED(hr)) hr = WriteWord(stream, static_cast<std::uint32_t>(body.size()));
        if (win::SUCCEEDED(hr)) hr = stream->Write(body.data(), static_cast<win::ULONG>(body.size()), nullptr);
        return hr;
    } catch (const std::bad_alloc&) {
        return win::E_OUTOFMEMORY;
    }
}

std::uint32_t SettingsExtensionSize(const SettingsExtension& extension) {
    if (extension.Empty()) return 0;
    return static_cast<std::uint32_t>(sizeof SettingsExtension::kTag + 4 + extension.Body().size());
}

} // namespace mp
