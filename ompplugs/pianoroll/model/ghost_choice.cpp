// The other-tracks choice and its settings: modes by name, chosen tracks by their numbers in the song.
#include "model/ghost_choice.h"

#include <algorithm>
#include <charconv>

#include "mp/plugin.h"
#include "mp/settings_extension.h"

namespace pianoroll {

namespace {

constexpr std::string_view kModeNames[] = {"off", "all", "chosen"};

} // namespace

bool GhostChoice::IsChosen(std::uint32_t trackId) const noexcept {
    return std::find(chosen.begin(), chosen.end(), trackId) != chosen.end();
}

bool GhostChoice::Shows(std::uint32_t trackId) const noexcept {
    switch (mode) {
    case GhostMode::All: return true;
    case GhostMode::Chosen: return IsChosen(trackId);
    default: return false;
    }
}

GhostChoice ReadGhostChoice(const mp::SettingsExtension& extension, const mp::COPTPlugin* plugin) {
    GhostChoice choice;
    const std::string_view mode = extension.Get(kGhostModeSetting);
    for (std::size_t i = 0; i < std::size(kModeNames); ++i)
        if (mode == kModeNames[i]) choice.mode = static_cast<GhostMode>(i);
    std::string_view numbers = extension.Get(kGhostTracksSetting);
    const std::size_t count = plugin ? plugin->Tracks().size() : 0;
    while (!numbers.empty()) {
        const std::size_t comma = numbers.find(',');
        const std::string_view item = numbers.substr(0, comma);
        numbers = comma == std::string_view::npos ? std::string_view{} : numbers.substr(comma + 1);
        std::size_t number = 0;
        const auto [end, error] = std::from_chars(item.data(), item.data() + item.size(), number);
        if (error != std::errc{} || end != item.data() + item.size() || number < 1 || number > count) continue;
        const std::uint32_t id = plugin->Tracks()[number - 1].track;
        if (!choice.IsChosen(id)) choice.chosen.push_back(id);
    }
    return choice;
}

std::string TrackNumbersText(const std::vector<std::uint32_t>& ids, const mp::COPTPlugin* plugin) {
    std::vector<int> numbers;
    for (std::uint32_t id : ids) {
        const int index = plugin ? plugin->TrackIndexOf(id) : -1;
        if (index >= 0) numbers.push_back(index + 1);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    std::string text;
    for (int n : numbers) {
        if (!text.empty()) text += ',';
        text += std::to_string(n);
    }
    return text;
}

void WriteGhostChoice(const GhostChoice& choice, const mp::COPTPlugin* plugin, mp::SettingsExtension& extension) {
    if (choice.mode == GhostMode::Off) extension.Erase(kGhostModeSetting);
    else extension.Set(kGhostModeSetting, kModeNames[static_cast<std::size_t>(choice.mode)]);
    const std::string numbers = TrackNumbersText(choice.chosen, plugin);
    if (numbers.empty()) extension.Erase(kGhostTracksSetting);
    else extension.Set(kGhostTracksSetting, numbers);
}

} // namespace pianoroll
