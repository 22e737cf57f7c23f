// Module-wide state of pianoroll.so: instance handle, folder, message-box caption, window classes, factories.
#pragma once

#include <string>

#include "win/com.h"
#include "win/types.h"

namespace pianoroll {

constexpr const char* kTrackViewClass = "pianorollBld0TrackviewClass";
constexpr const char* kLogoClass = "pianorollBld0LogoClass";
// Window data of the logo class's windows.
constexpr int kLogoWindowBytes = 4;

// The module's instance handle (null before load and after unload).
win::HINSTANCE ModuleInstance() noexcept;
// The folder holding pianoroll.so, with a trailing '/'.
const std::string& ModuleFolder() noexcept;
// Caption of every message box the module shows.
const char* MessageBoxCaption() noexcept;

// Registers / unregisters the module's window classes in its instance.
bool RegisterModuleClasses() noexcept;
void UnregisterModuleClasses() noexcept;

// Class factories cached by the module, created on first request.
win::HRESULT GetModuleClassFactory(win::REFCLSID clsid, win::REFIID riid, void** ppv) noexcept;
// Releases every cached factory whose lock count is 0; returns how many stay held.
int ReleaseModuleClassFactories() noexcept;

} // namespace pianoroll
