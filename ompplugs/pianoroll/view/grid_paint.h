// Painting the note grid: the display list of rows and notes, the cached background of rows and grid
// lines, the palette of row and note colours.
#pragma once

#include <cstdint>
#include <vector>

#include "view/gdi_handle.h"
#include "view/note_colours.h"
#include "win/gdi.h"

namespace pianoroll {

struct TrackView;
struct Pane;

// 44 bytes per record.
struct DisplayRecord {
    win::RECT rect;
    std::uint32_t key[3]; // the note's event key (0 for rows)
    std::int32_t row;
    std::int32_t velocity;
    std::int32_t colour; // 0-10
    std::uint32_t flags;
};
static_assert(sizeof(DisplayRecord) == 44);

enum : std::uint32_t {
    DR_ROW = 0x1,
    DR_SELECTED = 0x4,
    DR_START_INSIDE = 0x80,
    DR_END_INSIDE = 0x100,
    DR_CUT_LEFT = 0x200,
    DR_CUT_RIGHT = 0x400,
    DR_BLACK_KEY = 0x1000,
    DR_IN_SCALE = 0x2000,
    DR_SEPARATOR = 0x4000,
};

// Written by grid_paint.cpp.
struct GridPaintCache {
    // Rows first (displayRowCount of them), then notes; kept until the next paint.
    std::vector<DisplayRecord> displayList;
    int displayRowCount = 0;
    // Rows and grid lines of the grid's size, drawn once and copied by later paints until stale.
    OwnedBitmap background;
    win::RECT backgroundDrawn{};
    int backgroundWidth = 0;
    int backgroundHeight = 0;
    bool stale = false;
    // Pixel span of the time selection clipped to the grid, -1 when none.
    int selectionLeft = -1;
    int selectionRight = -1;
    // Nothing changes the notes while the view paints, so within one paint a list built for a
    // rectangle serves every later pane that asks for the same one.
    bool painting = false;
    std::uint64_t paint = 0;
    std::uint64_t listPaint = 0;
    win::RECT listRect{};
};

// The note grid's Paint slot, shared by every tool.
void PaintGrid(TrackView* v, Pane* pane, win::HDC dc, const win::RECT* clip);
// Builds the display list for the clip (rows and notes); kept in the view until the next paint.
void BuildDisplayList(TrackView* v, const win::RECT* clip);
// The display list for the clip: the one already built in this paint when it was built for the same
// rectangle, else a new one.
void UseDisplayList(TrackView* v, const win::RECT* clip);
// Brackets one paint of the view, inside which display lists are shared.
void BeginViewPaint(TrackView* v);
void EndViewPaint(TrackView* v);
// The background bitmap is drawn again at the next paint (the rows, lines or selection moved).
void MarkBackgroundStale(TrackView* v);


} // namespace pianoroll
