// The frame's two small modal dialogs: the preferences (template 11), where the output the editor sounds
// notes through is chosen, and the About box (template 9964).
#pragma once

#include "win/controls.h"
#include "win/types.h"

namespace mp {
class COPTPlugin;
}

namespace pianoroll {

constexpr int kPreferencesDialogId = 11;
constexpr int kOutputChooserId = 1020;
// The chooser's item for no output.
constexpr win::LPARAM kNoPortItem = -1;

constexpr int kAboutBoxId = 9964;
constexpr int kAboutVersionId = 1101;
constexpr int kAboutProductId = 1102;
constexpr int kAboutNoticeId = 1103;
constexpr int kAboutLegalId = 1104;
constexpr int kAboutLinkId = 1105;

// Register the templates in the module's resources (at module load).
bool RegisterPreferencesDialog(win::HINSTANCE module) noexcept;
bool RegisterAboutBox(win::HINSTANCE module) noexcept;

// Runs the preferences dialog over owner: "(None)" and, while the plug-in offers monitoring, its output
// ports with the current one chosen. A pick is set at once; OK sets it again, Cancel keeps it. IDOK or
// IDCANCEL, -1 when the dialog cannot be shown.
win::INT_PTR RunPreferencesDialog(win::HWND owner, mp::COPTPlugin* plugin);
// Runs the About box over owner: 1 for OK, 0 for Cancel, -1 when it cannot be shown.
win::INT_PTR RunAboutBox(win::HWND owner);

} // namespace pianoroll
