// The view's tooltip: one tool over the hit pane, whose text a pane's HitTest sets.
#pragma once

#include "win/win.h"

namespace pianoroll {

struct TrackView;

constexpr int kTipTextCapacity = 60;

// Written by tooltip.cpp.
struct ViewTooltip {
    win::HWND window = nullptr; // owned by the view window, which destroys it
    char text[kTipTextCapacity] = {};
    bool wanted = false; // the last hit test asked for a tip
    bool active = false;
    bool textChanged = false;
};

void CreateTooltip(TrackView* v);
// A pane's HitTest wants a tip with this text (cut to the buffer).
void SetTipText(TrackView* v, const char* text);
// Starts the hit test: no tip is wanted until a pane asks again.
void ClearTipWanted(TrackView* v);
// After a hit test: the tool follows the hit pane, its text and whether it is wanted.
void UpdateTooltip(TrackView* v);
// Mouse messages go to the tooltip while it is active.
void RelayToTooltip(TrackView* v, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

} // namespace pianoroll
