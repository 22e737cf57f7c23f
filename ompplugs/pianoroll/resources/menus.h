// The module's menu resources: the note grid's menus (1050), the ruler's menus (1051) and the
// grid-spacing, paint-value and key drop-downs (1052).
#pragma once

#include "win/controls.h"

namespace pianoroll {

constexpr int kGridMenus = 1050;     // "Event", "Track Header", "NonData", "Track Non-data", "Track Time Selection"
constexpr int kRulerMenu = 1051;     // sub-menus "General" (0) and "Loop" (1)
constexpr int kSettingsMenus = 1052; // "Gr&id Spacing" (0), "&Paint Note Value" (1), "&Key" (2)
enum : int { RULER_MENU_GENERAL = 0, RULER_MENU_LOOP = 1 };

// A fresh copy of one of the module's menus (registered on first use); null for an unknown id.
win::HMENU LoadModuleMenu(int id);

} // namespace pianoroll
