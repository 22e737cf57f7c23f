// UTF-16 to UTF-8.
#include "vor/utf16.h"

#include <cstdint>

namespace {

constexpr std::uint32_t kHighSurrogate = 0xD800;
constexpr std::uint32_t kLowSurrogate = 0xDC00;
constexpr std::uint32_t kSurrogateEnd = 0xE000;
constexpr std::uint32_t kReplacement = 0xFFFD;

void AppendUtf8(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

} // namespace

std::string VorStr_Utf16ToUtf8(const char16_t* text, std::size_t maxUnits) {
    std::string out;
    if (!text) return out;
    for (std::size_t i = 0; i < maxUnits && text[i]; ++i) {
        std::uint32_t c = text[i];
        const bool paired = c >= kHighSurrogate && c < kLowSurrogate && i + 1 < maxUnits &&
                            text[i + 1] >= kLowSurrogate && text[i + 1] < kSurrogateEnd;
        if (paired) {
            c = 0x10000 + ((c - kHighSurrogate) << 10) + (static_cast<std::uint32_t>(text[i + 1]) - kLowSurrogate);
            ++i;
        } else if (c >= kHighSurrogate && c < kSurrogateEnd) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}
