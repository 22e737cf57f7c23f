// The colours of rows and notes, decided in one place for every pane that draws a note: the palette of
// eleven hues, the note bars of the grid in both note styles, a selected note's colours, and the
// velocity lane's stems.
#pragma once

#include "win/gdi.h"

namespace mp {
struct PianoRollSettings;
} // namespace mp

namespace pianoroll {

constexpr int kPaletteHues = 11;
enum PaletteShade { SHADE_DARK = 0, SHADE_MEDIUM = 1, SHADE_BRIGHT = 2 };
// The hue's shade (any index wraps into the palette).
win::COLORREF PaletteColour(int index, int shade);
// Mixes two colours channel by channel: a = 0 gives c0, a = 255 gives c1, rounded.
win::COLORREF Blend(win::COLORREF c0, win::COLORREF c1, int a);

// A note bar's colours: the body, the top edge (shaded style) and the edges at its ends.
struct NoteColours {
    win::COLORREF body;
    win::COLORREF light;
    win::COLORREF dark;
};
// Whether notes are drawn in the shaded style (the default) rather than the flat one.
bool ShadedNotes(const mp::PianoRollSettings* settings);
// An unselected note of the hue in the style.
NoteColours PlainNoteColours(int hue, bool shaded);
// The same note selected: its body takes the settings' selected-note colour, or its own dark colour
// when the settings have none; its top edge lightens the body.
NoteColours SelectedNoteColours(const mp::PianoRollSettings* settings, const NoteColours& plain);
// The velocity stem of a note of the hue.
win::COLORREF StemColour(int hue, bool selected, bool shaded);

} // namespace pianoroll
