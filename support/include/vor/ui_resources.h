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

// The cursor table: the module's cursor ids map to built-in pictures (2 magnifier, 3 pencil, 9 and 10
// the zoom sliders, 11 column splitter, 12 row splitter, 13 and 14 horizontal and vertical double
// arrows, 17 and 18 constrained moves, 100 and 101 note edges, 104 marquee arrow, 110 key selection,
// 129 brush, 130 eraser); a cursor resource of the same id in the module set with
// VorUI_SetCursorModule is preferred. System ids (32512 …) give the system cursors. Unknown ids give
// the arrow, never null.
constexpr int VOR_CURSOR_SPLIT_COLUMNS = 11;
constexpr int VOR_CURSOR_SPLIT_ROWS = 12;
constexpr int VOR_CURSOR_KEY_SELECT = 110;
win::HCURSOR VorUI_LoadCursor(int id) noexcept;
// Whether the id has a built-in picture (not the arrow fallback).
bool VorUI_HasCursor(int id) noexcept;
// The module whose cursor resources VorUI_LoadCursor looks up first (null: none).
void VorUI_SetCursorModule(win::HINSTANCE module) noexcept;

// The millisecond clock: milliseconds from the window system's clock (the headless backend's manual
// clock under tests). [any thread]
std::uint32_t VorClock_Milliseconds() noexcept;
