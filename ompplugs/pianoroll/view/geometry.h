// The view's geometry: the grid rectangle, the time axis (origin, span, zoom) and the row axis (rows,
// row height, vertical units), with the conversions between ticks, rows and pixels and the setters that
// keep them consistent.
#pragma once

#include <cstdint>

#include "win/win.h"

namespace pianoroll {

struct TrackView;

// Vertical units of one row; a row is this many units whatever its height in pixels.
constexpr int kUnitsPerRow = 45;
// Rows are (row height level + this) pixels high.
constexpr int kRowPixelsAtLevelZero = 5;
// Row r shows pitch kTopPitch - r.
constexpr int kTopPitch = 127;
// Pixel positions are kept within ±this.
constexpr int kPixelClamp = 16384;
// Pixels at the grid's right that show no time, so the last note stays clear of the scroll bar.
constexpr int kGridRightMargin = 24;

// Written by geometry.cpp, and the grid rectangle by the layout of the view's window procedure.
struct ViewGeometry {
    win::RECT grid{};
    int gridWidth = 1;
    int gridHeight = 1;
    int rightMargin = kGridRightMargin;
    int bottomMargin = 0;
    // Time: the zoom pixels (grid width without the right margin) show timeSpan ticks from timeOrigin.
    int zoomPixels = 1;
    std::int64_t timeOrigin = 0;
    std::int64_t timeSpan = 0;
    double ticksPerPixel = 0;
    std::int64_t documentLength = 0;
    int timeZoomLevel = 1;
    int maxTimeZoomLevel = 0;
    // Rows: verticalSpan units of the verticalExtent are shown from verticalTop (the top of topRow).
    int rowCount = 128;
    int rowHeightLevel = 1;
    int maxRowHeightLevel = 0;
    int defaultRowHeightLevel = 1;
    int verticalTop = 0;
    int topRow = 0;
    int verticalSpan = 0;
    double unitsPerPixel = 0;
    int verticalExtent = 0;
    int verticalStep = 0;
    bool fixedHeight = false;
};

int MulDiv(int a, int b, int c);
int XOfTick(const TrackView* v, std::int64_t t);
int XOfTickUp(const TrackView* v, std::int64_t t);
std::int64_t TickOfX(const TrackView* v, int x);
std::int64_t TicksOfWidth(const TrackView* v, int w);
int YOfUnit(const TrackView* v, int u);
int UnitOfY(const TrackView* v, int y);
int UnitsOfHeight(const TrackView* v, int h);
// Band [top, bottom) of row r.
void RowBand(const TrackView* v, int row, int* top, int* bottom);
// The row at y, or one of the codes below.
enum : int { ROW_NONE = -2, ROW_ABOVE_GRID = -3, ROW_BELOW_GRID = -4 };
int RowAtY(const TrackView* v, int y);

// Zoom level arithmetic.
std::int64_t SpanOfTimeLevel(const TrackView* v, int level);
int TimeLevelOfSpan(const TrackView* v, std::int64_t span);
int VerticalSpanOfLevel(const TrackView* v, int level);
int RowLevelOfSpan(const TrackView* v, int span);
int ComputeVerticalExtent(const TrackView* v);

constexpr int TV_PROGRAM = 1;     // a change made by the program
constexpr int TV_CARET_ONLY = 2;  // nothing changed: only refresh the caret
constexpr int VV_FIXED_SPAN = 4;  // the span is a new fixed span
constexpr int VV_PROGRAM = 1;

void SetTimeView(TrackView* v, std::int64_t start, std::int64_t span, int flags);
void SetVerticalView(TrackView* v, int top, int span, int flags);
void SetDocumentLength(TrackView* v, std::int64_t length);
void ScrollVertically(TrackView* v, int units);
void MakeRowVisible(TrackView* v, int row);
// Rows of `level` with the top at `top` units (SetVerticalView with the level's span and `flags`).
void SetRowHeightLevel(TrackView* v, int level, int top, int flags);
// The level the row height returns to from fully out, and the level in force; no relayout.
void SetDefaultRowHeightLevel(TrackView* v, int level);
void SetRowCount(TrackView* v, int rows);
// After layout; force = a forced relayout.
void ResizeGeometry(TrackView* v, bool force);

// Grid quantum rounding (q in ticks; q = 0 leaves t unchanged).
std::int64_t QuantumNearest(std::int64_t t, double q);
std::int64_t QuantumUp(std::int64_t t, double q);
std::int64_t QuantumDown(std::int64_t t, double q);

} // namespace pianoroll
