// Context help of the support library: a small modeless window with a scrolling list of lines (keys,
// gestures, buttons) that a window shows about itself.
#pragma once

#include "win/win.h"

// Shows the help window of the owner's top-level window with this title and these lines (UTF-8),
// made on the first call and refilled and brought forward on the next ones; it closes with Escape or
// its close box and goes with its owner. Returns the help window, null for a null owner or when the
// window cannot be made. [ui thread]
win::HWND VorHelp_ShowContextHelp(win::HWND owner, const char* title, const char* const* lines,
                                  int count) noexcept;
// The help window open for the owner's top-level window, null when none is. [ui thread]
win::HWND VorHelp_FindWindow(win::HWND owner) noexcept;
// The list control of a help window (its lines, one item each).
constexpr int VOR_HELP_LIST_ID = 100;
