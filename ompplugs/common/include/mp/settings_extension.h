// The settings of features beyond the fixed block: `name=value` lines kept after it in the settings
// stream, behind the tag PRX1 and a length word.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mp {

// Names are lower-case letters, digits, '.', '_' and '-'; values are UTF-8 without line breaks or
// NUL. Entries a build does not know are kept as they came, so that a round trip through it loses
// nothing a newer build wrote. [ui thread]
class SettingsExtension {
public:
    static constexpr char kTag[4] = {'P', 'R', 'X', '1'};
    // The most body bytes a stream may announce; more is taken for damage, not for settings.
    static constexpr std::uint32_t kMaxBodyBytes = 64 * 1024;

    // The value stored under the name, or the fallback when there is none.
    std::string_view Get(std::string_view name, std::string_view fallback = {}) const;
    // "1" and "0"; anything else (or nothing) gives the fallback.
    bool GetFlag(std::string_view name, bool fallback) const;
    // A decimal integer inside [low, high]; anything else gives the fallback.
    long long GetInteger(std::string_view name, long long fallback, long long low, long long high) const;

    // False, and nothing changed, for a name or value the format cannot carry.
    bool Set(std::string_view name, std::string_view value);
    bool SetFlag(std::string_view name, bool on) { return Set(name, on ? "1" : "0"); }
    bool SetInteger(std::string_view name, long long value);
    void Erase(std::string_view name);
    void Clear() noexcept { entries_.clear(); }
    bool Empty() const noexcept { return entries_.empty(); }
    const std::vector<std::pair<std::string, std::string>>& Entries() const noexcept { return entries_; }

    // The body: one `name=value\n` line per entry, in name order.
    std::string Body() const;
    // Replaces the entries with those of a body. Lines that are not `name=value` with a valid name
    // and value are skipped; returns how many were.
    int ParseBody(std::string_view body);

    static bool ValidName(std::string_view name) noexcept;
    static bool ValidValue(std::string_view value) noexcept;

private:
    std::vector<std::pair<std::string, std::string>> entries_; // sorted by name, names unique
};

} // namespace mp
