// Reading the words of script lines: numbers, ticks-per-pixel ratios, key, button and tool names.
#include "script_words.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "win/backend.h"
#include "win/win.h"

namespace host::app::script {

using namespace win;

namespace {

struct KeyName {
    const char* name;
    int vk;
};
constexpr KeyName kKeys[] = {
    {"space", VK_SPACE},     {"enter", VK_RETURN},      {"return", VK_RETURN},   {"escape", VK_ESCAPE},
    {"esc", VK_ESCAPE},      {"tab", VK_TAB},           {"backspace", VK_BACK},  {"delete", VK_DELETE},
    {"del", VK_DELETE},      {"insert", VK_INSERT},     {"home", VK_HOME},       {"end", VK_END},
    {"pageup", VK_PRIOR},    {"pagedown", VK_NEXT},     {"left", VK_LEFT},       {"right", VK_RIGHT},
    {"up", VK_UP},           {"down", VK_DOWN},         {"plus", VK_ADD},        {"minus", VK_SUBTRACT},
    {"add", VK_ADD},         {"subtract", VK_SUBTRACT}, {"comma", VK_OEM_COMMA}, {"period", VK_OEM_PERIOD},
    {"shift", VK_SHIFT},     {"ctrl", VK_CONTROL},      {"alt", VK_MENU},
};

struct PunctuationKey {
    char c;
    int vk;
};
constexpr PunctuationKey kPunctuation[] = {
    {',', VK_OEM_COMMA}, {'.', VK_OEM_PERIOD}, {'-', VK_OEM_MINUS}, {'=', VK_OEM_PLUS},
    {';', VK_OEM_1},     {'/', VK_OEM_2},      {'[', VK_OEM_4},     {']', VK_OEM_6},
};

constexpr const char* kTools[] = {"draw", "select", "zoom", "paint", "erase"};
constexpr int kMaxDecimals = 6;
constexpr int kFunctionKeys = 12;
constexpr long long kLargestNumerator = 1ll << 50;

} // namespace

bool ParseInt(const std::string& text, long long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || !end || *end != '\0' || std::isspace(static_cast<unsigned char>(text[0]))) return false;
    *out = v;
    return true;
}

bool NumberArg(const std::string& text, long long lo, long long hi, long long* out, std::string* reason) {
    if (ParseInt(text, out) && *out >= lo && *out <= hi) return true;
    *reason = "'" + text + "' is not a number from " + std::to_string(lo) + " to " + std::to_string(hi);
    return false;
}

bool ParseRatio(const std::string& text, Ratio* out) {
    const std::size_t slash = text.find('/');
    if (slash != std::string::npos) {
        long long numerator = 0, denominator = 0;
        const std::string top = text.substr(0, slash), bottom = text.substr(slash + 1);
        for (const std::string& part : {top, bottom})
            if (part.empty() || !std::isdigit(static_cast<unsigned char>(part[0]))) return false;
        if (!ParseInt(top, &numerator) || !ParseInt(bottom, &denominator) || denominator <= 0 ||
            numerator > kLargestNumerator || denominator > kLargestNumerator)
            return false;
        *out = Ratio{numerator, denominator};
        return true;
    }
    const std::size_t dot = text.find('.');
    const std::string whole = text.substr(0, dot);
    const std::string fraction = dot == std::string::npos ? std::string() : text.substr(dot + 1);
    if (whole.empty() || (dot != std::string::npos && fraction.empty()) ||
        fraction.size() > static_cast<std::size_t>(kMaxDecimals))
        return false;
    for (char c : whole + fraction)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    long long numerator = 0, denominator = 1;
    if (!ParseInt(whole + fraction, &numerator) || numerator > kLargestNumerator) return false;
    for (std::size_t i = 0; i < fraction.size(); ++i) denominator *= 10;
    *out = Ratio{numerator, denominator};
    return true;
}

std::string FormatRatio(long long numerator, long long denominator) {
    if (denominator != 0 && numerator % denominator == 0) return std::to_string(numerator / denominator);
    char text[64];
    std::snprintf(text, sizeof text, "%.4f", denominator ? static_cast<double>(numerator) / denominator : 0.0);
    std::string s = text;
    while (!s.empty() && s.back() == '0') s.pop_back();
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

int KeyCode(const std::string& name) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.size() == 1) {
        const char c = lower[0];
        if (c >= 'a' && c <= 'z') return 'A' + (c - 'a');
        if (c >= '0' && c <= '9') return c;
        for (const PunctuationKey& p : kPunctuation)
            if (p.c == c) return p.vk;
    }
    long long n = 0;
    if (lower.size() >= 2 && lower[0] == 'f' && ParseInt(lower.substr(1), &n) && n >= 1 && n <= kFunctionKeys)
        return VK_F1 + static_cast<int>(n) - 1;
    for (const KeyName& k : kKeys)
        if (lower == k.name) return k.vk;
    return 0;
}

int ButtonOf(const std::string& name) {
    if (name == "left") return backend::BUTTON_LEFT;
    if (name == "right") return backend::BUTTON_RIGHT;
    if (name == "middle") return backend::BUTTON_MIDDLE;
    return -1;
}

int ToolIndex(const std::string& name) {
    for (int i = 0; i < static_cast<int>(std::size(kTools)); ++i)
        if (name == kTools[i]) return i;
    return -1;
}

const char* ToolName(int index) {
    return index >= 0 && index < static_cast<int>(std::size(kTools)) ? kTools[index] : "";
}

} // namespace host::app::script
