// What every part of the module takes from the module itself: the instance handle its resources are
// loaded from, its folder, the caption of its message boxes and the names of its window classes. The
// module defines them (module/module.cpp); a test that links the editor's parts without the module
// brings an instance of its own.
#pragma once

#include <string>

#include "win/types.h"

namespace pianoroll {

constexpr const char* kTrackViewClass = "pianorollBld0TrackviewClass";
constexpr const char* kLogoClass = "pianorollBld0LogoClass";

// The module's instance handle (null before load and after unload).
win::HINSTANCE ModuleInstance() noexcept;
// The folder holding pianoroll.so, with a trailing '/'.
const std::string& ModuleFolder() noexcept;
// Caption of every message box the module shows.
const char* MessageBoxCaption() noexcept;

} // namespace pianoroll
