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

// The cursor table: the module's cursor ids map to built-in pictures; a cursor resource of the same id
// in the module set with VorUI_SetCursorModule is preferred. System ids (VOR_CURSOR_ARROW …) give the
// system cursors. Unknown ids give the arrow, never null. The ids are those of the module's cursor
// resources, so they never change.
constexpr int VOR_CURSOR_ARROW = 32512;          // the system arrow
constexpr int VOR_CURSOR_MAGNIFIER = 2;          // the Zoom tool
constexpr int VOR_CURSOR_PENCIL = 3;             // the Draw tool over an empty cell; the velocity lane
constexpr int VOR_CURSOR_PEN = 4;                // a colour pen: the pitch-bend and controller lanes
constexpr int VOR_CURSOR_ZOOM_SLIDER_TIME = 9;   // the time bar's zoom slider
constexpr int VOR_CURSOR_ZOOM_SLIDER_ROWS = 10;  // the row bar's zoom slider
constexpr int VOR_CURSOR_SPLIT_COLUMNS = 11;
constexpr int VOR_CURSOR_SPLIT_ROWS = 12;
constexpr int VOR_CURSOR_SIZE_TIME = 13;         // horizontal double arrow: time ranges, thumb edges
constexpr int VOR_CURSOR_SIZE_ROWS = 14;         // vertical double arrow
constexpr int VOR_CURSOR_MOVE_TIME = 17;         // a move held to time
constexpr int VOR_CURSOR_MOVE_PITCH = 18;        // a move held to pitch
constexpr int VOR_CURSOR_NOTE_START = 100;
constexpr int VOR_CURSOR_NOTE_END = 101;
constexpr int VOR_CURSOR_MARQUEE = 104;          // the Selection tool
constexpr int VOR_CURSOR_KEY_SELECT = 110;       // Ctrl over a key: select the key's notes
constexpr int VOR_CURSOR_BRUSH = 129;            // the Paint tool
constexpr int VOR_CURSOR_ERASER = 130;           // the Erase tool
win::HCURSOR VorUI_LoadCursor(int id) noexcept;
// Whether the id has a built-in picture (not the arrow fallback).
bool VorUI_HasCursor(int id) noexcept;
// The module whose cursor resources VorUI_LoadCursor looks up first (null: none).
void VorUI_SetCursorModule(win::HINSTANCE module) noexcept;

// The millisecond clock: milliseconds from the window system's clock (the headless backend's manual
// clock under tests). [any thread]
std::uint32_t VorClock_Milliseconds() noexcept;
