// The toolbar's image strip among the module's resources: a 400 x 16 PNG of 25 icons of 16 x 16, drawn
// from the text art in toolbar_strip/toolbar_icons.txt when the module is built.
#pragma once

#include <cstddef>
#include <span>

namespace pianoroll {

constexpr int kToolbarStripWidth = 400;
constexpr int kToolbarStripHeight = 16;

// The PNG file's bytes.
std::span<const unsigned char> ToolbarStripPng() noexcept;

} // namespace pianoroll
