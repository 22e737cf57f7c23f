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

// Everything besides the notes that decides the grid's pixels. A paint may keep what an earlier one
// drew only when all of it is the same.
struct GridLook {
    std::uint64_t surface = 0;    // the off-screen bitmap painted into; 0 for any other target
    std::uint64_t background = 0; // how many times the cached background was drawn
    win::RECT grid{};
    int loopLeft = -1, loopRight = -1; // loop lines drawn, -1 for none
    win::COLORREF loopColour = 0;
    int cursor = -1;                   // the edit cursor line, -1 when none is drawn
    bool overlays = false;             // lines drawn over the notes by inverting (playback, bend lines)
    bool shaded = false;
    NoteColours colours[2][kPaletteHues]{};

    bool operator==(const GridLook& o) const noexcept;
};

struct GridKeep {
    bool valid = false;
    win::RECT rect{}; // the area whose pixels the records below describe
    GridLook look;
    std::vector<DisplayRecord> rows;  // the display list's rows then
    std::vector<DisplayRecord> notes; // its notes that met rect, in list order
};

// A note the display list left out, as it repeated what a kept record drew: it follows the first
// `after` records of the list, and repeats records `row` and (its velocity stem) `stem`, -1 none.
struct LeftOutNote {
    std::uint32_t key[3];
    std::int32_t after;
    std::int32_t row;
    std::int32_t stem;
};

// What the display list's notes were read for, so that a paint after the notes' selection alone
// changed patches their flags from the plug-in's list instead of reading every note again.
struct NoteSource {
    bool patchable = false;
    bool patched = false; // the list now is a patch of the one read last
    const void* access = nullptr;
    std::uint64_t layout = 0; // the plug-in list's layout then
    win::RECT clip{};
    win::RECT grid{};
    std::int64_t origin = 0, span = 0, from = 0;
    int pixels = 0;
    std::vector<LeftOutNote> leftOut;
};

// Written by grid_paint.cpp.
struct GridPaintCache {
    // Rows first (displayRowCount of them), then notes; kept until the next paint.
    std::vector<DisplayRecord> displayList;
    int displayRowCount = 0;
    // While the list is built: the index of the last note kept in each shown row and of the last
    // velocity stem kept in each pixel column of the grid, -1 for none.
    std::vector<std::int32_t> lastInRow;
    std::vector<std::int32_t> lastStem;
    std::vector<DisplayRecord> rows; // the rows of the list being built
    NoteSource source;
    // A patchable list set aside while a paint of part of its clip (the edit cursor's column) builds
    // its own, for the next paint of the whole clip to patch instead of reading every note again.
    struct {
        bool valid = false;
        std::vector<DisplayRecord> list;
        int rowCount = 0;
        NoteSource source;
    } aside;
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
    // The off-screen bitmap the view paints into now (set around each paint, 0 for any other target),
    // how many times the background was drawn, and what the last paint of the grid left there.
    std::uint64_t surface = 0;
    std::uint64_t backgroundDraws = 0;
    GridKeep keep;
    std::vector<win::RECT> bands;
};

// The note grid's Paint slot, shared by every tool. Without `remember` the next paint draws everything
// again (something is drawn over the grid after it), and the paint spends nothing on keeping it.
void PaintGrid(TrackView* v, Pane* pane, win::HDC dc, const win::RECT* clip, bool remember);
inline void PaintGrid(TrackView* v, Pane* pane, win::HDC dc, const win::RECT* clip) { PaintGrid(v, pane, dc, clip, true); }
// Builds the display list for the clip (rows and notes); kept in the view until the next paint.
void BuildDisplayList(TrackView* v, const win::RECT* clip);
// Gives the display list's notes the selection the plug-in's list holds now, when the list was built
// with the same rows (`rows` as they are now) and view and nothing but selection changed since;
// false when it must be built again (the caller then drops the patch state).
bool PatchDisplayList(const TrackView* v, GridPaintCache& cache, const win::RECT& clip,
                      const std::vector<DisplayRecord>& rows);
// The display list for the clip: the one already built in this paint when it was built for the same
// rectangle, else a new one.
void UseDisplayList(TrackView* v, const win::RECT* clip);
// Brackets one paint of the view, inside which display lists are shared.
void BeginViewPaint(TrackView* v);
void EndViewPaint(TrackView* v);
// The next paint of the grid draws all it covers: something was drawn over the grid's pixels.
void ForgetGridPaint(TrackView* v);
// The background bitmap is drawn again at the next paint (the rows, lines or selection moved).
void MarkBackgroundStale(TrackView* v);


} // namespace pianoroll
