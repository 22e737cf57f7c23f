// Text helpers shared by the naming files: formatting module strings and writing results.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace mp::naming {

// The module string `id` used as a printf format.
std::string Format(std::uint32_t id, ...);
// The module string `id` itself.
std::string Text(std::uint32_t id);
// Copies text into buffer, truncated without splitting a UTF-8 sequence; returns NAME_OK.
int Emit(const std::string& text, char* buffer, std::size_t capacity);
// Bytes of a text meta event as UTF-8: valid UTF-8 is kept, anything else is read as Latin-1.
std::string BytesToUtf8(const std::uint8_t* data, std::size_t length);

std::string PitchName(int pitch, bool withOctave, bool withFlats); // "" for pitches outside 0..127
std::string ControllerName(int controller);
std::string VoiceName(int program);
std::string RpnName(int msb, int lsb);
// The MMC name of system-exclusive data, or "" when it is not a machine-control message.
std::string MachineControlName(const std::uint8_t* data, std::size_t length);

// Meta events: data is the stored event data (meta type first). Returns nullopt for a field the meta
// type lacks; sets *malformed when the data is too short or invalid for the type.
std::optional<std::string> NameMeta(const std::uint8_t* data, std::size_t length, std::uint32_t field,
                                    bool firstTrack, bool* malformed);

} // namespace mp::naming
