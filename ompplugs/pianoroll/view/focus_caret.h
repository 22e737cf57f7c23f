// The keyboard focus of the view and its panes, and the caret the focus pane places.
#pragma once

#include "win/win.h"

namespace pianoroll {

struct TrackView;

// Written by focus_caret.cpp (the window procedure clears noRepeat on the next key).
struct FocusState {
    bool hasFocus = false;   // the view window has the keyboard focus
    bool caretShown = false;
    bool noRepeat = false;   // the next key press does not count as a repeat
};

void RepositionCaret(TrackView* v);
// The grid's answer to the caret size and position questions (a 1-pixel line at the edit cursor);
// false for any other message.
bool AnswerGridCaret(const TrackView* v, win::UINT msg, win::LPARAM lParam);
void SetFocusPane(TrackView* v, int pane);
// The view window got or lost the keyboard focus: the caret comes or goes, the frame refreshes.
void GainFocus(TrackView* v);
void LoseFocus(TrackView* v);

} // namespace pianoroll
