// The module's menu resources: the note grid's menus (1050), the ruler's menus (1051) and the
// grid-spacing, paint-value and key drop-downs (1052).
#pragma once

#include "resources/resource_ids.h"
#include "win/controls.h"

namespace pianoroll {

// A fresh copy of one of the module's menus (registered on first use); null for an unknown id.
win::HMENU LoadModuleMenu(int id);

} // namespace pianoroll
