// The parts of a view that has none.
#include "view/view_parts.h"

namespace pianoroll {

namespace {

int NoCommand(TrackView*, int) { return 0; }
void NoAction(TrackView*) {}
void NoMenu(TrackView*, int, int, bool) {}
void NoEntry(TrackView*, const mp::EventKey*) {}
bool NoNameBox(const TrackView*, int, int) { return false; }
void NoPress(TrackView*, int, int) {}
bool NoSplitterDrag(TrackView*, win::UINT, int, int) { return false; }
void NoHeader(TrackView*, win::HDC, const win::RECT&, const win::RECT&) {}
void NoPlay(TrackView*, bool) {}
bool NoStop(TrackView*, bool) { return false; }
win::LRESULT NoAnswer(TrackView*, win::WPARAM, win::LPARAM) { return 0; }

constexpr ViewParts kNone{
    .ToolCommand = NoCommand,
    .GridCommand = NoCommand,
    .BeginTemporaryZoom = NoAction,
    .ReturnFromTemporaryZoom = NoAction,
    .ShowGridContextMenu = NoMenu,
    .RunVelocityEntry = NoEntry,
    .OnLaneNameBox = NoNameBox,
    .OpenLaneMenu = NoAction,
    .PressLaneSplitter = NoPress,
    .LaneSplitterMouse = NoSplitterDrag,
    .PaintLaneHeader = NoHeader,
    .Play = NoPlay,
    .Stop = NoStop,
    .ScriptQuery = NoAnswer,
};

} // namespace

const ViewParts* NoViewParts() { return &kNone; }

} // namespace pianoroll
