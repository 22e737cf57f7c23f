// Panes of the view: the pane record, the pane class with its nine slots and their defaults, and the
// option bits a pane's class reads.
#pragma once

#include <cstdint>

#include "view/pane_numbers.h"
#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;
struct Pane;

enum : int { PANE_INIT_CREATED = 0, PANE_INIT_DESTROYED = 1 };

// Nine slots; every slot receives the view and the pane first and runs on the view's UI thread.
// Records are static and shared by every view; the view only points at them. Slots left empty are
// filled with safe defaults by RegisterPaneClass, so callers never test for null.
struct PaneClass {
    // PANE_INIT_CREATED when the window is created (0 fails the creation), PANE_INIT_DESTROYED when it
    // goes; non-zero = success. Default: success.
    int (*Init)(TrackView* view, Pane* pane, int flag) = nullptr;
    // Sets the pane's left, top, width, height and cuts its strip off `remaining`. Default: hidden.
    void (*Layout)(TrackView* view, Pane* pane, win::RECT* remaining) = nullptr;
    // Part code 0 … 0xFFFF for a point inside the pane; may set the tooltip text. Default: 0.
    int (*HitTest)(TrackView* view, Pane* pane, int x, int y) = nullptr;
    // Mouse messages routed to the pane. Default: the default window procedure.
    win::LRESULT (*OnMouse)(TrackView* view, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) = nullptr;
    // Draws the pane into dc (the view's off-screen bitmap), clipped to `clip`. Default: nothing.
    void (*Paint)(TrackView* view, Pane* pane, win::HDC dc, const win::RECT* clip) = nullptr;
    // Cursor identifier for the hit code (VOR_CURSOR_ARROW = the system arrow). Default: the arrow.
    int (*GetCursor)(TrackView* view, Pane* pane, std::uint32_t hitCode) = nullptr;
    // Used by the tools only: 1 losing the grid, 2 gaining it. Default: 0.
    int (*OnToolChange)(TrackView* view, Pane* pane, int change) = nullptr;
    // Window key messages, and the focus requests of view_messages.h (caret size, caret position,
    // which pane takes the keyboard focus). Non-zero = consumed. Default: 0.
    win::LRESULT (*OnKey)(TrackView* view, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) = nullptr;
    // Not called by the framework.
    void (*Reserved)(TrackView* view, Pane* pane) = nullptr;
};

// Fills the empty slots of a class with safe defaults (in place) and returns it.
PaneClass* RegisterPaneClass(PaneClass* paneClass);
// The class of hidden panes: Layout sets height 0, OnMouse goes to the default window procedure,
// Paint does nothing.
PaneClass* EmptyPaneClass();

// Pane option bits (the low bits are the pane class's own, named with the class).
constexpr std::uint32_t PANE_ASK_FOCUS = 0x8000000;  // asked with OnKey(PANE_FOCUS_WHICH) on a press
constexpr std::uint32_t PANE_LOOP_LINES = 0x10000000; // draws the loop boundary lines
constexpr std::uint32_t PANE_RULER_AT_BOTTOM = 0x2;
constexpr std::uint32_t PANE_LOOP_BAR_SLIM = 0x20;

// A pane's class keeps the pane's own state in the view's record for that concern (the keyboard's in
// TrackView::keyboard, the scroll bars' in TrackView::scrollBars …).
struct Pane {
    PaneClass* paneClass = nullptr;
    std::uint32_t flags = 0;
    win::RECT rect{}; // right = left + width, bottom = top + height
    int width = 0;
    int height = 0;
    std::uint32_t id = 0; // pane number x 0x10000
};

// Puts a class in a pane of the view (the grid's class changes with the tool); a relayout or repaint
// by the caller follows. A null class hides the pane.
void SetPaneClass(TrackView* v, int number, PaneClass* paneClass);
// Puts a class and its option bits in a pane of a new view.
void InstallPane(TrackView* v, int number, PaneClass* paneClass, std::uint32_t flags);

} // namespace pianoroll
