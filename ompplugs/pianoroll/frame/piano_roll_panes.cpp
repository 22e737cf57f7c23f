// Composing the piano-roll view: the tools in the grid, the keyboard column with the lane's header,
// the ruler and loop bar, the scroll bars, the controller lane, the transport strip, the options of
// each, and the parts the view calls on.
#include "frame/piano_roll_panes.h"

#include "commands/edit_commands.h"
#include "commands/signature_commands.h"
#include "frame/transport_bar.h"
#include "lanes/lane_area.h"
#include "tools/tools.h"
#include "view/track_view.h"

namespace pianoroll {

namespace {

int GridCommand(TrackView* v, int command) {
    return HandleGridCommand(v, command) || HandleSignatureCommand(v, command) ? 1 : 0;
}
void PlayTrack(TrackView* v, bool fromStart) { Play(v, fromStart ? PLAY_FROM_START : PLAY_FROM_CURSOR); }

constexpr ViewParts kPianoRollParts{
    .ToolCommand = HandleToolCommand,
    .GridCommand = GridCommand,
    .BeginTemporaryZoom = BeginTemporaryZoom,
    .ReturnFromTemporaryZoom = ReturnFromTemporaryZoom,
    .ShowGridContextMenu = ShowGridContextMenu,
    .RunVelocityEntry = RunVelocityEntry,
    .OnLaneNameBox = OnLaneNameBox,
    .OpenLaneMenu = OpenLaneMenu,
    .PressLaneSplitter = PressLaneSplitter,
    .LaneSplitterMouse = LaneSplitterMouse,
    .PaintLaneHeader = PaintLaneHeader,
    .Play = PlayTrack,
    .Stop = Stop,
    .ScriptQuery = AnswerScriptQuery,
};

} // namespace

void InstallPianoRollPanes(TrackView* v) {
    v->parts = &kPianoRollParts;
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
