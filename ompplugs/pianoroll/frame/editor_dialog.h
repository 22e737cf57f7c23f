// The editor frame's dialog (template 3): registration and creation.
#pragma once

#include "resources/resource_ids.h"
#include "win/types.h"

namespace pianoroll {

struct TrackView;

// Registers dialog template 3 in the module's resources.
bool RegisterEditorDialog(win::HINSTANCE module) noexcept;
// Creates the editor dialog as a child of parent; param is the page (0 when only measuring).
win::HWND CreateEditorDialogWindow(win::HINSTANCE module, win::HWND parent, win::LPARAM param) noexcept;
// The view of an editor dialog (null before initialisation or without a view).
TrackView* EditorView(win::HWND dialog) noexcept;

} // namespace pianoroll
