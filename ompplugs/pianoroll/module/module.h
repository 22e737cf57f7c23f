// Module-wide state of pianoroll.so: its identity (resources/module_identity.h), window classes, factories.
#pragma once

#include "resources/module_identity.h"
#include "win/com.h"
#include "win/types.h"

namespace pianoroll {

// Window data of the logo class's windows.
constexpr int kLogoWindowBytes = 4;

// Registers / unregisters the module's window classes in its instance.
bool RegisterModuleClasses() noexcept;
void UnregisterModuleClasses() noexcept;

// Class factories cached by the module, created on first request.
win::HRESULT GetModuleClassFactory(win::REFCLSID clsid, win::REFIID riid, void** ppv) noexcept;
// Releases every cached factory whose lock count is 0; returns how many stay held.
int ReleaseModuleClassFactories() noexcept;

} // namespace pianoroll
