// Row and note colours: the palette, the note styles, the selected-note colour, the stems.
#include "view/note_colours.h"

#include <algorithm>

#include "mp/settings.h"
#include "vor/image.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr COLORREF kPalette[kPaletteHues][3] = {
    {RGB(0x00, 0x80, 0x80), RGB(0x00, 0xE1, 0xE1), RGB(0x00, 0xFF, 0xFF)},
    {RGB(0x80, 0x40, 0x00), RGB(0xE1, 0x70, 0x00), RGB(0xFF, 0x80, 0x00)},
    {RGB(0x40, 0x00, 0x80), RGB(0x70, 0x00, 0xE1), RGB(0x80, 0x00, 0xFF)},
    {RGB(0x00, 0x80, 0x00), RGB(0x00, 0xE1, 0x00), RGB(0x00, 0xFF, 0x00)},
    {RGB(0x00, 0x40, 0x80), RGB(0x00, 0x70, 0xE1), RGB(0x00, 0x80, 0xFF)},
    {RGB(0x80, 0x00, 0x00), RGB(0xE1, 0x00, 0x00), RGB(0xFF, 0x00, 0x00)},
    {RGB(0x00, 0x80, 0x40), RGB(0x00, 0xE1, 0x70), RGB(0x00, 0xFF, 0x80)},
    {RGB(0x80, 0x00, 0x40), RGB(0xE1, 0x00, 0x70), RGB(0xFF, 0x00, 0x80)},
    {RGB(0x00, 0x00, 0x80), RGB(0x00, 0x00, 0xE1), RGB(0x00, 0x00, 0xFF)},
    {RGB(0x40, 0x80, 0x00), RGB(0x70, 0xE1, 0x00), RGB(0x80, 0xFF, 0x00)},
    {RGB(0x80, 0x00, 0x80), RGB(0xE1, 0x00, 0xE1), RGB(0xFF, 0x00, 0xFF)},
};

// Stems of the shaded note style keep the hue of the note's colour at these saturations and lightnesses.
constexpr double kSelectedStemSaturation = 0.15;
constexpr double kSelectedStemLightness = 0.5;
constexpr double kPlainStemSaturation = 0.75;
constexpr double kPlainStemLightness = 0.4;

int Channel(COLORREF c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

} // namespace

COLORREF PaletteColour(int index, int shade) {
    index = ((index % kPaletteHues) + kPaletteHues) % kPaletteHues;
    shade = std::clamp(shade, 0, 2);
    return kPalette[index][shade];
}

COLORREF Blend(COLORREF c0, COLORREF c1, int a) {
    COLORREF out = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const int v0 = Channel(c0, shift);
        const int d = (Channel(c1, shift) - v0) * a + 128;
        const int v = std::clamp(v0 + ((d + (d >> 8)) >> 8), 0, 255);
        out |= static_cast<COLORREF>(v) << shift;
    }
    return out;
}

bool ShadedNotes(const mp::PianoRollSettings* settings) { return !settings || settings->noteStyle != 0; }

NoteColours PlainNoteColours(int hue, bool shaded) {
    const COLORREF medium = PaletteColour(hue, SHADE_MEDIUM);
    if (!shaded) return {medium, PaletteColour(hue, SHADE_BRIGHT), PaletteColour(hue, SHADE_DARK)};
    // Three colours from the medium shade: the body, a lighter top edge, a darker bottom and end edge.
    double h, s, l;
    VorColor_RgbToHsl(medium, &h, &s, &l);
    return {VorColor_HslToRgb(h, s * 0.85, std::min(l * 0.95 + 0.06, 0.9)), VorColor_HslToRgb(h, s, std::min(l + 0.28, 0.92)),
            VorColor_HslToRgb(h, s, l * 0.5)};
}

NoteColours SelectedNoteColours(const mp::PianoRollSettings* settings, const NoteColours& plain) {
    const std::uint32_t chosen = settings ? settings->colours.selectedNote : mp::kNoSelectedNoteColour;
    const COLORREF body = chosen != mp::kNoSelectedNoteColour ? static_cast<COLORREF>(chosen) : plain.dark;
    return {body, Blend(body, RGB(255, 255, 255), 96), plain.dark};
}

COLORREF StemColour(int hue, bool selected, bool shaded) {
    if (!shaded) return PaletteColour(hue, selected ? SHADE_BRIGHT : SHADE_DARK);
    double h = 0, s = 0, l = 0;
    VorColor_RgbToHsl(PaletteColour(hue, SHADE_MEDIUM), &h, &s, &l);
    return selected ? VorColor_HslToRgb(h, kSelectedStemSaturation, kSelectedStemLightness)
                    : VorColor_HslToRgb(h, kPlainStemSaturation, kPlainStemLightness);
}

} // namespace pianoroll
