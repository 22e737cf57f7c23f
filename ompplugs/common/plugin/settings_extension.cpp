// The name=value settings of later features: lookup, validation and the text of the body.
#include "mp/settings_extension.h"

#include <algorithm>
#include <charconv>

namespace mp {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

Entries::const_iterator Find(const Entries& entries, std::string_view name) {
    auto it = std::lower_bound(entries.begin(), entries.end(), name,
                               [](const auto& entry, std::string_view key) { return entry.first < key; });
    return it != entries.end() && it->first == name ? it : entries.end();
}

} // namespace

bool SettingsExtension::ValidName(std::string_view name) noexcept {
    if (name.empty() || name.size() > 64) return false;
    return std::all_of(name.begin(), name.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
    });
}

bool SettingsExtension::ValidValue(std::string_view value) noexcept {
    return value.find_first_of(std::string_view("\n\r\0", 3)) == std::string_view::npos;
}

std::string_view SettingsExtension::Get(std::string_view name, std::string_view fallback) const {
    auto it = Find(entries_, name);
    return it == entries_.end() ? fallback : std::string_view(it->second);
}

bool SettingsExtension::GetFlag(std::string_view name, bool fallback) const {
    std::string_view value = Get(name);
    if (value == "1") return true;
    if (value == "0") return false;
    return fallback;
}

long long SettingsExtension::GetInteger(std::string_view name, long long fallback, long long low,
                                        long long high) const {
    std::string_view value = Get(name);
    long long parsed = 0;
    auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (value.empty() || error != std::errc() || end != value.data() + value.size()) return fallback;
    return parsed < low || parsed > high ? fallback : parsed;
}

bool SettingsExtension::Set(std::string_view name, std::string_view value) {
    if (!ValidName(name) || !ValidValue(value)) return false;
    auto it = std::lower_bound(entries_.begin(), entries_.end(), name,
                               [](const auto& entry, std::string_view key) { return entry.first < key; });
    if (it != entries_.end() && it->first == name)
        it->second.assign(value);
    else
        entries_.emplace(it, std::string(name), std::string(value));
    return true;
}

bool SettingsExtension::SetInteger(std::string_view name, long long value) {
    return Set(name, std::to_string(value));
}

void SettingsExtension::Erase(std::string_view name) {
    auto it = Find(entries_, name);
    if (it != entries_.end()) entries_.erase(it);
}

std::string SettingsExtension::Body() const {
    std::string body;
    for (const auto& [name, value] : entries_) {
        body += name;
        body += '=';
        body += value;
        body += '\n';
    }
    return body;
}

int SettingsExtension::ParseBody(std::string_view body) {
    entries_.clear();
    int skipped = 0;
    while (!body.empty()) {
        std::size_t end = body.find('\n');
        std::string_view line = body.substr(0, end);
        body.remove_prefix(end == std::string_view::npos ? body.size() : end + 1);
        if (line.empty()) continue;
        std::size_t equals = line.find('=');
        // A repeated name keeps its first value: the writer never repeats one, so a repeat is damage.
        if (equals == std::string_view::npos || Find(entries_, line.substr(0, equals)) != entries_.end() ||
            !Set(line.substr(0, equals), line.substr(equals + 1)))
            ++skipped;
    }
    return skipped;
}

} // namespace mp
