// User-interface resources of the support library by numeric id: fonts, colours, brushes, cursors, the clock.
#pragma once

#include <cstdint>

#include "win/gdi.h"
#include "win/win.h"

// UI fonts. 100 is the labels' face, 104 a compact one, 110 the small face of dense labels (ruler,
// keyboard fallback), 129 the position display's. Fonts are made once and shared; never delete them.
constexpr int VOR_FONT_LABEL = 100;
constexpr int VOR_FONT_COMPACT = 104;
constexpr int VOR_FONT_SMALL = 110;
constexpr int VOR_FONT_POSITION = 129;
// Null for an unknown id.
win::HFONT VorUI_GetFont(int id) noexcept;
// The cell height in pixels of a UI font (0 for an unknown id).
int VorUI_GetFontHeight(int id) noexcept;

// UI colours: 138 is the loop-boundary colour. CLR_INVALID (0xFFFFFFFF) for an unknown id.
constexpr int VOR_COLOR_LOOP = 138;
win::COLORREF VorUI_GetColor(int id) noexcept;

// UI brushes: 10001 is the grid's light dither pattern. Shared; never delete. Null for an unknown id.
constexpr int VOR_BRUSH_GRID_PATTERN = 10001;
win::HBRUSH VorUI_GetBrush(int id) noexcept;

// The cursor table: the module's cursor ids (11 column splitter, 12 row splitter, 110 key selection,
// and the tools' ids 100-109) map to built-in images; system ids (32512 …) to the system cursors.
// Unknown ids give the arrow, never null.
constexpr int VOR_CURSOR_SPLIT_COLUMNS = 11;
constexpr int VOR_CURSOR_SPLIT_ROWS = 12;
constexpr int VOR_CURSOR_KEY_SELECT = 110;
win::HCURSOR VorUI_LoadCursor(int id) noexcept;
// Whether the id has an image of its own in the table (not the arrow fallback).
bool VorUI_HasCursor(int id) noexcept;

// The millisecond clock: milliseconds from the window system's clock (the headless backend's manual
// clock under tests). [any thread]
std::uint32_t VorClock_Milliseconds() noexcept;
