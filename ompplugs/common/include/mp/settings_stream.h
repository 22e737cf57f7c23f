// Reading and writing the settings through an IStream: 12-byte header, 328-byte block, then the
// optional extension of later features.
#pragma once

#include "mp/settings.h"
#include "mp/settings_extension.h"
#include "win/com.h"

namespace mp {

// Resets header and block to their defaults, then reads them from the stream. A stream whose
// size word is not 328, or that ends inside the header or the block, is refused without error:
// the stream goes back to where it was, the defaults stay (plus whatever part of the block was
// read) and the result of that seek is returned. A failing first read is returned at once.
// The version word is read and not checked. What is kept is checked field by field (RepairSettings),
// and the names of the fields that took their defaults go to *defaulted (", " between them). A whole
// block with repaired fields returns S_FALSE, so that the host can tell the user.
win::HRESULT LoadSettingsStream(win::IStream* stream, SettingsHeader& header, PianoRollSettings& block,
                                std::string* defaulted = nullptr) noexcept;

// Writes the header and the block at the stream's current position; the first failure is returned.
win::HRESULT SaveSettingsStream(win::IStream* stream, const SettingsHeader& header,
                                const PianoRollSettings& block) noexcept;

// Reads an extension at the stream's position into `extension` (emptied first). No extension there
// (the stream ends, or another tag follows): S_OK, the stream back where it was. An extension whose
// length runs past the stream or past kMaxBodyBytes: S_FALSE with no entries. Damaged lines are
// skipped and give S_FALSE too. A failing read is returned.
win::HRESULT LoadSettingsExtension(win::IStream* stream, SettingsExtension& extension) noexcept;

// Writes tag, length and body at the stream's position; writes nothing for an empty extension, so
// that a stream without extended settings is byte for byte what it was before they existed.
win::HRESULT SaveSettingsExtension(win::IStream* stream, const SettingsExtension& extension) noexcept;

// The bytes SaveSettingsExtension writes.
std::uint32_t SettingsExtensionSize(const SettingsExtension& extension);

} // namespace mp
