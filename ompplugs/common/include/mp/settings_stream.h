// Reading and writing the settings block through an IStream (12-byte header + 328-byte block).
#pragma once

#include "mp/settings.h"
#include "win/com.h"

namespace mp {

// Resets header and block to their defaults, then reads them from the stream. A stream whose
// size word is not 328, or that ends inside the header or the block, is refused without error:
// the stream goes back to where it was, the defaults stay (plus whatever part of the block was
// read) and the result of that seek is returned. A failing first read is returned at once.
// What is kept is checked field by field (RepairSettings); a block whose version word is not 5 has
// an unknown layout and is not kept at all. A whole block that had to be repaired or dropped so
// returns S_FALSE, so that the host can tell the user.
win::HRESULT LoadSettingsStream(win::IStream* stream, SettingsHeader& header, PianoRollSettings& block) noexcept;

// Writes the header and the block at the stream's current position; the first failure is returned.
win::HRESULT SaveSettingsStream(win::IStream* stream, const SettingsHeader& header,
                                const PianoRollSettings& block) noexcept;

} // namespace mp
