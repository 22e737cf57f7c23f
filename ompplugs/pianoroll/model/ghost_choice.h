// Which other tracks the grid shows behind the shown one (none, all, or a chosen set), and how that
// choice is kept with the song: `ghosts=all|chosen` and `ghosts.tracks=2,5` (track numbers from 1)
// in the settings extension.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mp {
class COPTPlugin;
class SettingsExtension;
} // namespace mp

namespace pianoroll {

enum class GhostMode : std::uint8_t { Off, All, Chosen };

// Names in the settings extension.
inline constexpr std::string_view kGhostModeSetting = "ghosts";
inline constexpr std::string_view kGhostTracksSetting = "ghosts.tracks";

struct GhostChoice {
    GhostMode mode = GhostMode::Off;
    // Host track ids of the chosen tracks (kept, and unused, while the mode is not Chosen).
    std::vector<std::uint32_t> chosen;

    bool Shown() const noexcept { return mode != GhostMode::Off; }
    // Whether a track other than the shown one is drawn behind it.
    bool Shows(std::uint32_t trackId) const noexcept;
    bool IsChosen(std::uint32_t trackId) const noexcept;
};

// The choice kept in the extension, with track numbers turned into the ids of the plug-in object's
// track table; unknown modes read as Off and numbers outside the table are dropped.
GhostChoice ReadGhostChoice(const mp::SettingsExtension& extension, const mp::COPTPlugin* plugin);
// Writes the choice: nothing for Off (an untouched song keeps its settings as they were) and the
// chosen tracks by their numbers now, for as long as any is chosen.
void WriteGhostChoice(const GhostChoice& choice, const mp::COPTPlugin* plugin, mp::SettingsExtension& extension);
// "2,5": the numbers (from 1) of the chosen tracks in the table, ascending.
std::string TrackNumbersText(const std::vector<std::uint32_t>& ids, const mp::COPTPlugin* plugin);

} // namespace pianoroll
