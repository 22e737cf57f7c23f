// The time ruler (pane 6) with its mark spacing, and the loop bar (pane 4) with the loop region
// (time_ruler.cpp, loop_bar.cpp).
#pragma once

#include <cstdint>

#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;
struct PaneClass;
struct Pane;

// Written by time_ruler.cpp.
struct RulerState {
    int dragX = 0; // last pointer x of a ruler drag
};

// Written by time_ruler.cpp.
struct LoopBarState {
    std::int64_t dragStart = 0; // the loop region being dragged
    std::int64_t dragLength = 0;
    std::int64_t dragAnchor = 0; // tick under the pointer at the press
    // The region's edges in pixels as last drawn, -1 when none.
    int startX = -1;
    int endX = -1;
};

// ---- What the ruler and the loop bar share (time_ruler.cpp) -------------------------------------------
// The owner's position text of `ticks`, always terminated, in a buffer of kPositionTextCapacity.
void StripPositionText(TrackView* v, std::int64_t ticks, char* buffer);
void FillSolid(win::HDC dc, int l, int t, int r, int b, win::COLORREF colour);
// The height of the strips' label font.
int StripFontHeight();
// The right button of the ruler and the loop bar: the press captures, the release opens the menu
// ("Loop" over the region, else "General") unless the pane has none.
win::LRESULT LoopMenuButton(TrackView* v, Pane* pane, win::UINT msg, win::LPARAM lParam, bool overRegion);

// Loop bar part codes.
// 0xFD-0xFF: near a time selection's start, end or inside it (a loop bar without the region option).
enum : int { LB_BODY = 8, LB_START_EDGE = 9, LB_END_EDGE = 10, LB_SELECTION_START = 0xFD, LB_SELECTION_END = 0xFE };
// Loop bar options: the bar shows the loop region (else only time selections).
constexpr std::uint32_t LOOP_BAR_SHOWS_REGION = 0x40;
// Ruler and loop bar option: no context menu.
constexpr std::uint32_t RULER_NO_MENU = 0x8;

PaneClass* TimeRulerPaneClass();
PaneClass* LoopBarPaneClass();
// The loop menu of the ruler and loop bar at a client point; runs the chosen command.
void ShowLoopMenu(TrackView* v, int x, int y, bool overRegion);

} // namespace pianoroll
