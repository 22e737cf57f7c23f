// Installing the piano-roll view's panes: the tools in the grid, the keyboard column, the ruler and
// loop bar, the scroll bars, and the options of each.
#include "tools/tools.h"
#include "view/navigation.h"
#include "view/track_view.h"

namespace pianoroll {

void InstallPianoRollPanes(TrackView* v) {
    v->panes[PANE_GRID].paneClass = &ToolClassOf(TOOL_DRAW)->pane;
    v->panes[PANE_GRID].flags = PANE_LOOP_LINES;
    v->panes[PANE_KEYBOARD].paneClass = KeyboardPaneClass();
    v->panes[PANE_LOOP_BAR].flags = PANE_LOOP_BAR_SLIM;
    v->panes[PANE_RULER].flags = PANE_LOOP_LINES;
    v->panes[PANE_LANES].flags = PANE_LOOP_LINES;
    v->rightMargin = kGridRightMargin;
    InstallNavigationPanes(v);
}

} // namespace pianoroll
