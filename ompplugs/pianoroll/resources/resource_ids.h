// The module's resource identifiers: dialog templates, the controls of the editor's dialog, and menus.
// The numbers are part of the module's resources and of what hosts and scripts look for.
#pragma once

namespace pianoroll {

// Dialog templates.
constexpr int kEditorDialogId = 3;

// Controls of the editor's dialog.
constexpr int kTrackChooserId = 1000;
constexpr int kToolbarPlaceholderId = 1001;
constexpr int kViewWindowId = 1002;
constexpr int kMeasureGapId = 1003;

// Menus, with the positions of their sub-menus.
constexpr int kGridMenus = 1050;     // "Event", "Track Header", "NonData", "Track Non-data", "Track Time Selection"
constexpr int kRulerMenu = 1051;     // sub-menus "General" (0) and "Loop" (1)
constexpr int kSettingsMenus = 1052; // "Gr&id Spacing" (0), "&Paint Note Value" (1), "&Key" (2)
enum : int { RULER_MENU_GENERAL = 0, RULER_MENU_LOOP = 1 };

} // namespace pianoroll
