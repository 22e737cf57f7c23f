// Installing the piano-roll view's panes: the tools in the grid, the keyboard column, the ruler and
// loop bar, the scroll bars, the controller lane, the transport strip, and the options of each.
#include "frame/transport_bar.h"
#include "lanes/lane_area.h"
#include "tools/tools.h"
#include "view/track_view.h"

namespace pianoroll {

void InstallPianoRollPanes(TrackView* v) {
    InstallPane(v, PANE_GRID, &ToolClassOf(TOOL_DRAW)->pane, PANE_LOOP_LINES);
    InstallPane(v, PANE_KEYBOARD, KeyboardPaneClass(), 0);
    InstallPane(v, PANE_LOOP_BAR, LoopBarPaneClass(), PANE_LOOP_BAR_SLIM | LOOP_BAR_SHOWS_REGION);
    InstallPane(v, PANE_RULER, TimeRulerPaneClass(), PANE_LOOP_LINES);
    InstallPane(v, PANE_LANES, LaneAreaPaneClass(), PANE_LOOP_LINES);
    // The horizontal bar has a corner box and a resizable thumb; the vertical one neither.
    InstallPane(v, PANE_HSCROLL, ScrollBarPaneClass(), SB_WITH_CORNER);
    InstallPane(v, PANE_VSCROLL, ScrollBarPaneClass(), SB_VERTICAL_OPTIONS);
    InstallPane(v, PANE_TRANSPORT, TransportBarPaneClass(), 0);
}

} // namespace pianoroll
