// Module-wide state of pianoroll.so: instance handle, folder, message-box caption, logo bitmaps.
#pragma once

#include <string>

#include "win/com.h"
#include "win/types.h"

namespace pianoroll {

constexpr const char* kTrackViewClass = "pianorollBld0TrackviewClass";
constexpr const char* kLogoClass = "pianorollBld0LogoClass";
constexpr const char* kFontResourceFile = "vorhandle.fnt";

// The module's instance handle (null before load and after unload).
win::HINSTANCE ModuleInstance() noexcept;
// The folder holding pianoroll.so, with a trailing '/'.
const std::string& ModuleFolder() noexcept;
// Caption of every message box the module shows.
const char* MessageBoxCaption() noexcept;

// Bitmap resource ids the logo window shows, chosen by the user-interface locale index:
// 0 -> 5 and 7, 1 -> 6 and 8, any other -> none (both 0). Returns whether a pair was chosen.
bool ChooseLogoBitmaps(int localeIndex, int* first, int* second) noexcept;
// The pair chosen at load (0, 0 when the logo class did not register).
void LogoBitmaps(int* first, int* second) noexcept;

// Registers / unregisters the module's window classes in its instance.
bool RegisterModuleClasses() noexcept;
void UnregisterModuleClasses() noexcept;

// Removes the module's font resource file from its folder when present; a no-op otherwise.
// Returns whether a file was removed.
bool RemoveFontResourceFile(const std::string& folder) noexcept;

// Class factories cached by the module, created on first request.
win::HRESULT GetModuleClassFactory(win::REFCLSID clsid, win::REFIID riid, void** ppv) noexcept;
// Releases every cached factory whose lock count is 0; returns how many stay held.
int ReleaseModuleClassFactories() noexcept;

} // namespace pianoroll
