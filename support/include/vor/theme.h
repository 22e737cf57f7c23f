// Visual-theme data of a window, and the dialog-font and theme-change handling the editor's windows
// hand to the support library.
#pragma once

#include <memory>

#include "win/gdi.h"
#include "win/win.h"

// The theme parts a window draws with (null parts while themes are off). Made for one window.
struct VorThemeData {
    win::HWND window = nullptr;
    win::HTHEME button = nullptr;
    win::HTHEME scrollBar = nullptr;
};

// Opens the theme data of the window; null only when out of memory. [ui thread]
VorThemeData* XPTheme_Initialize(win::HWND window) noexcept;
// The theme changed: the parts are opened again and the window is redrawn with its children.
// Returns 1 (handled); 0 for null data.
win::LRESULT XPTheme_ThemeChanged(VorThemeData* theme) noexcept;
// Closes the parts and frees the data (null does nothing).
void XPTheme_Release(VorThemeData* theme) noexcept;

struct VorThemeRelease {
    void operator()(VorThemeData* theme) const noexcept { XPTheme_Release(theme); }
};
using VorThemeHandle = std::unique_ptr<VorThemeData, VorThemeRelease>;

// A dialog's font was set (WM_SETFONT): every child the dialog has now takes it too, so that a font
// changed after creation reaches the controls and the views made in code. [ui thread]
void VorDialog_InitFont(win::HWND dialog, win::HFONT font, bool redraw) noexcept;
