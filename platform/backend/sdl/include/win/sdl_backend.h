// The desktop backend: each top-level window is an SDL window, input comes from SDL, the clock is
// real, the clipboard is the system's.
#pragma once

#include <string>

namespace win::sdl {

// Opens the display and installs the backend. Call on the user-interface thread before any window
// is created. False with error set (and the headless backend still installed) when there is no
// display. Installing again after success does nothing and returns true.
bool Install(std::string* error);

// Whether Install succeeded in this process.
bool Installed();

// Closes every SDL window and the display (at exit, after the windows were destroyed).
void Shutdown();

} // namespace win::sdl
