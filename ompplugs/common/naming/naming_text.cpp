// Formatting module strings and writing naming results into callers' buffers.
#include "naming_text.h"

#include <cstdarg>

#include "mp/module_strings.h"
#include "mp/naming.h"
#include "vor/strings.h"

namespace mp::naming {

std::string Format(std::uint32_t id, ...) {
    char buffer[256];
    std::va_list args;
    va_start(args, id);
    int length = VorStr_FormatV(buffer, sizeof buffer, ModuleString(id), args);
    va_end(args);
    return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

std::string Text(std::uint32_t id) {
    return ModuleString(id);
}

int Emit(const std::string& text, char* buffer, std::size_t capacity) {
    VorStr_Format(buffer, capacity, "%s", text.c_str());
    return NAME_OK;
}

namespace {

bool IsUtf8(const std::uint8_t* data, std::size_t length) {
    for (std::size_t i = 0; i < length;) {
        std::uint8_t c = data[i];
        std::size_t extra;
        if (c < 0x80) {
            extra = 0;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
        } else {
            return false;
        }
        if (extra > length - i - 1) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            if ((data[i + k] & 0xC0) != 0x80) return false;
        }
        i += extra + 1;
    }
    return true;
}

} // namespace

std::string BytesToUtf8(const std::uint8_t* data, std::size_t length) {
    std::string out;
    if (!data) return out;
    bool utf8 = IsUtf8(data, length);
    for (std::size_t i = 0; i < length; ++i) {
        std::uint8_t c = data[i];
        if (c == 0) continue; // an embedded terminator would cut the name short
        if (utf8 || c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

} // namespace mp::naming
