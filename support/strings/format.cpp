// Formatted printing with the library's escapes for the language's musical-time separators.
#include "vor/strings.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace {

bool IsConversion(char c) {
    return std::strchr("diouxXeEfFgGaAcspn%", c) != nullptr;
}

void AppendLiteral(std::string& out, const char* text) {
    for (; *text; ++text) {
        if (*text == '%') out += '%';
        out += *text;
    }
}

// Turns the escapes into plain text, leaving the printf conversions untouched.
std::string ExpandEscapes(const char* format) {
    std::string out;
    for (const char* p = format; *p;) {
        if (*p == '%') {
            out += *p++;
            while (*p && !IsConversion(*p))
                out += *p++;
            if (*p) out += *p++;
        } else if (p[0] == '$' && p[1] == '$') {
            out += '$';
            p += 2;
        } else if (p[0] == '$' && p[1] == '&' && (p[2] == ':' || p[2] == '.')) {
            const char* separator = "";
            VorLang_GetItem(p[2] == ':' ? VOR_LANG_TIME_SEPARATOR1 : VOR_LANG_TIME_SEPARATOR2, &separator);
            AppendLiteral(out, separator);
            p += 3;
        } else {
            out += *p++;
        }
    }
    return out;
}

} // namespace

int VorStr_FormatV(char* buffer, std::size_t capacity, const char* format, std::va_list args) noexcept {
    if (!format || (!buffer && capacity > 0)) return -1;
    if (capacity == 0) return 0;
    try {
        std::string expanded = ExpandEscapes(format);
        std::va_list copy;
        va_copy(copy, args);
        int needed = std::vsnprintf(nullptr, 0, expanded.c_str(), copy);
        va_end(copy);
        if (needed < 0) {
            buffer[0] = '\0';
            return -1;
        }
        std::string text(static_cast<std::size_t>(needed) + 1, '\0');
        std::vsnprintf(text.data(), text.size(), expanded.c_str(), args);
        std::size_t length = static_cast<std::size_t>(needed);
        if (length >= capacity) {
            // Truncated: cut before a UTF-8 sequence rather than through it.
            length = capacity - 1;
            while (length > 0 && (static_cast<unsigned char>(text[length]) & 0xC0) == 0x80)
                --length;
        }
        std::memcpy(buffer, text.data(), length);
        buffer[length] = '\0';
        return static_cast<int>(length);
    } catch (...) {
        buffer[0] = '\0';
        return -1;
    }
}

int VorStr_Format(char* buffer, std::size_t capacity, const char* format, ...) noexcept {
    std::va_list args;
    va_start(args, format);
    int result = VorStr_FormatV(buffer, capacity, format, args);
    va_end(args);
    return result;
}
