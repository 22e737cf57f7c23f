// Reading and writing the settings block through an IStream (12-byte header + 328-byte block).
#pragma once

#include "mp/settings.h"
#include "win/com.h"

namespace mp {

// Resets header and block to their defaults, then reads them from the stream. A stream whose
// size word is not 328, or that ends inside the header or the block, is refused without error:
// the stream goes back to where it was, the defaults stay (plus whatever part of the block was
// read) and the result of that seek is returned. A failing first read is returned at once.
win::HRESULT LoadSettingsStream(win::IStream* stream, SettingsHeader& header, PianoRollSettings& block) noexcept;

// Writes the header and the block at the stream's current position; the first failure is returned.
win::HRESULT SaveSettingsStream(win::IStream* stream, const SettingsHeader& header,
                                const PianoRollSettings& block) noexcept;

} // namespace mp
