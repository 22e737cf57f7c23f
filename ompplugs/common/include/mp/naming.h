// Display names of MIDI events, their fields, pitches, controllers, parameters and voices.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mp/records.h"

namespace mp {

// Field selectors of NameEvent: one of these, optionally with NAME_PLAIN_NUMBERS.
enum : std::uint32_t {
    NAME_EVENT = 0,
    NAME_VALUE1 = 1,
    NAME_VALUE2 = 2,
    NAME_VALUE3 = 4,
    NAME_VALUE4 = 8,
    NAME_LABEL1 = 16,
    NAME_LABEL2 = 32,
    NAME_LABEL3 = 64,
    NAME_LABEL4 = 128,
    NAME_TYPE = 1024,
    NAME_PLAIN_NUMBERS = 0x10000000, // numbers instead of pitch and voice names
};

// Results of the naming functions.
enum : int {
    NAME_OK = 0,
    NAME_NO_SUCH_FIELD = 1, // the event kind has no such selector, or the kind is unknown
    NAME_BAD_ARGUMENT = 2,  // null buffer, zero capacity, pitch out of range, malformed data
};

// Writes the text the selector asks for (truncated to capacity - 1 bytes, always terminated) and
// returns NAME_OK; on any other result nothing is written. `firstTrack` tells a sequence name from
// a track name for meta type 3. Variable-length data is read through the record's task-memory handle.
int NameEvent(const MidiEventRecord& event, char* buffer, std::size_t capacity, std::uint32_t selector,
              bool firstTrack = true);

// The name of pitch 0..127 ("C#5", or "Db" without octave and with flats); NAME_BAD_ARGUMENT and
// nothing written for other pitches.
int NamePitch(int pitch, bool withOctave, bool withFlats, char* buffer, std::size_t capacity);

// "Bank MSB" ... "Poly Mode On" for 0..127, "Undefined CC" otherwise.
int NameController(int controller, char* buffer, std::size_t capacity);
// The General MIDI level 1 name of program & 127.
int NameVoice(int program, char* buffer, std::size_t capacity);
// The registered parameter named by its MSB and LSB ("Unknown RPN" for any other).
int NameRpn(int msb, int lsb, char* buffer, std::size_t capacity);
// A voice-set name (0-3) and a drum-set name (0-8); NAME_BAD_ARGUMENT out of range.
int NameVoiceSet(int set, char* buffer, std::size_t capacity);
int NameDrumSet(int set, char* buffer, std::size_t capacity);

// Machine-control naming of system-exclusive data (stored without the leading F0). Returns false,
// writing nothing, when the data is not a machine-control message.
bool NameMachineControl(const std::uint8_t* data, std::size_t length, char* buffer, std::size_t capacity);

// Sequencer-specific records of the module's own manufacturer id carry a record byte after it.
constexpr std::uint8_t SEQSPEC_MANUFACTURER = 0x7D;
enum : std::uint8_t {
    SEQSPEC_TRACK_ATTRIBUTES = 0,
    SEQSPEC_DLS_FILE = 1,
    SEQSPEC_KEYNOTE = 2,
    SEQSPEC_SUMMARY = 3,
};

} // namespace mp
