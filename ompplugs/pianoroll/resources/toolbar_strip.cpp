// The toolbar's image strip: the PNG bytes the build drew from the text art.
#include "resources/toolbar_strip.h"

namespace pianoroll {

extern const unsigned char kToolbarStripPng[];
extern const std::size_t kToolbarStripPngSize;

std::span<const unsigned char> ToolbarStripPng() noexcept {
    return {kToolbarStripPng, kToolbarStripPngSize};
}

} // namespace pianoroll
