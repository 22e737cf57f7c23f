// Quantizing the selected notes: the resolution list, the descriptor the dialog builds, the
// resolution in ticks, the rounding of starts and durations, and the dialog and command.
#pragma once

#include <cstdint>

#include "model/note.h"
#include "win/types.h"

namespace mp {
class TrackAccess;
struct PianoRollSettings;
} // namespace mp

namespace pianoroll {

class BarGrid;
struct TrackView;

// One entry of the resolution list: the note 1/2^level of a whole note, or its triplet.
struct QuantizeResolution {
    std::uint32_t textId;
    int level;
    bool triplet;
};
constexpr int kQuantizeResolutionCount = 11;
// The entry at a list index; index 0 ("Whole Note") for an index outside the list.
const QuantizeResolution& QuantizeResolutionAt(int index);

// The quantize descriptor: a 32-bit word the track keeps while it is open.
enum : std::uint32_t {
    QD_LEVEL_MASK = 0xFFFF,   // bits 0-15: the level, 0xFFFF when no resolution is chosen
    QD_TRIPLET = 1u << 17,
    QD_CARRIED = (1u << 16) | (0x7FFu << 18), // bits 16 and 18-28 pass from one descriptor to the next
    QD_STARTS = 1u << 29,
    QD_DURATIONS = 1u << 30,
    QD_ACTIVE = 1u << 31,     // set by every Apply; nothing is quantized without it
};
// The descriptor an Apply makes from the previous one and the dialog's choices.
std::uint32_t RebuildQuantizeDescriptor(std::uint32_t previous, int index, bool starts, bool durations);
// The list index the descriptor's level and triplet bit name (0 for a level not in the list).
int QuantizeIndexOf(std::uint32_t descriptor);

// The resolution of a list index in ticks, at least 1. A whole note is four quarter notes whatever
// the time signature, so a 16th note is a quarter of a quarter note in 6/8 as well as in 4/4.
std::int64_t QuantizeResolutionTicks(int index, std::uint32_t ticksPerQuarter);
// The nearest multiple of the resolution; a start exactly halfway goes to the later one.
std::int64_t QuantizeStart(std::int64_t start, std::int64_t resolution);
// The same in a song of several meters: the multiples count again from the start of the meter in
// force, and the next meter's start counts as one.
std::int64_t QuantizeStartIn(const BarGrid& bars, std::int64_t start, std::int64_t resolution);
// Cut down to a multiple of the resolution, but never below one resolution.
std::uint32_t QuantizeDuration(std::uint32_t duration, std::int64_t resolution);
// Quantizes a note as the descriptor says, only while the descriptor is active (returns whether it
// was processed). Starts go to the song's meters when there are any.
bool QuantizeNote(Note& note, std::uint32_t descriptor, std::int64_t resolution, const BarGrid* meters = nullptr);

// Quantizes every selected note of the track as the track's descriptor says, as one edit "Quantize
// MIDI events" (every selected event is part of it; other kinds keep their values). S_FALSE without
// a selected event. Starts count from the start of the meter of `bars` in force.
win::HRESULT QuantizeSelection(mp::TrackAccess& access, const BarGrid& bars);

// The "MIDI Quantize" dialog (template 12), modal over `owner`: on Apply stores the choices in the
// settings (quantizeResolution, quantizeStarts, quantizeDurations) and the rebuilt descriptor in the track. True after Apply.
bool RunQuantizeDialog(win::HWND owner, mp::PianoRollSettings& settings, mp::TrackAccess& access);
// Command 4005: the dialog, then the selection quantized, redrawn and the frame told. Non-zero when
// the dialog could be shown.
int QuantizeCommand(TrackView* v);

} // namespace pianoroll
