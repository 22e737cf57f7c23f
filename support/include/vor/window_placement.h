// Window placement of the support library: centring a window on its owner.
#pragma once

#include "win/win.h"

// Moves the window (keeping its size) so that its middle lies on the middle of the owner's window, or
// of the screen when owner is null, then back inside the screen where it would stick out. A child
// window is placed in its parent's client coordinates. False for a window that does not exist.
// [ui thread]
bool VorWindow_CenterOnOwner(win::HWND window, win::HWND owner) noexcept;
