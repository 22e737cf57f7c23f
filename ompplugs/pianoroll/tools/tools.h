// The note grid's tools as the rest of the editor sees them: the tool record and its slots, the tool
// indexes, hit codes and cursors, choosing a tool, and the pending edit of a gesture as it will look.
#pragma once

#include <cstdint>
#include <functional>

#include "mp/records.h"
#include "resources/command_ids.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"

namespace pianoroll {

struct ToolState;

enum ToolIndex : int {
    TOOL_DRAW = 0,
    TOOL_SELECTION = 1,
    TOOL_ZOOM = 2,
    TOOL_PAINT = 3,
    TOOL_ERASE = 4,
};
constexpr int kToolCount = 5;

// Hit codes of the note grid (the grid is pane 0, so these are whole codes).
enum : int {
    HitOutside = 1,
    HitEmpty = 2,
    HitNote = 4,
    HitNoteStart = 5,
    HitNoteEnd = 6,
};

// A tool: the grid pane's class while it is chosen, and the slots through which the common gesture
// handling reaches the drags the tool starts itself (the drag states the common handling does not
// know). Every slot runs on the UI thread. Slots left empty are filled when the tool is registered:
// pane slots with the ones every tool shares (Init, Layout, the precise HitTest, the grid's Paint,
// OnKey) or the pane defaults, the others as said below; callers never test for null.
struct ToolClass {
    PaneClass pane;
    // The pointer moved, or the view scrolled under a still pointer, during one of the tool's drags.
    void (*OnDragMove)(TrackView* v, int x, int y) = nullptr;
    // The left button came up in one of the tool's drags; the drag state is still set, and the
    // common handling ends the drag afterwards. Default: nothing.
    void (*OnDragEnd)(TrackView* v, int x, int y) = nullptr;
    // Escape or a lost capture ended one of the tool's drags (`state`, already cleared in the view):
    // take back what the drag did. Default: silence a sounding note.
    void (*OnCancel)(TrackView* v, Drag state) = nullptr;
};

// Fills the empty slots of a tool (pane slots included) with defaults, in place, and returns it.
ToolClass* RegisterTool(ToolClass* tool);

// ---- Tools of a view ---------------------------------------------------------------------------------
// The tool `index` (null for an index outside 0-4).
ToolClass* ToolClassOf(int index);
// The view's tool state, made on first use; freed by the grid's Init when the window goes.
ToolState* ToolsOf(TrackView* v);
// The index of the tool in force.
int CurrentTool(TrackView* v);
// Refused (0) for an index of 5 or more; otherwise switches, refreshes the cursor, forgets a tool
// remembered for a temporary switch and returns 1.
int SelectTool(TrackView* v, int index);
// Through the ring Draw, Selection, Paint, Erase, Zoom.
void StepTool(TrackView* v, bool forward);
// Temporary switch to the Zoom tool for one gesture (the tool in force comes back after it).
void BeginTemporaryZoom(TrackView* v);
// The tool remembered by a temporary switch comes back; nothing when none is remembered.
void ReturnFromTemporaryZoom(TrackView* v);
// Tool commands CMD_TOOL_FIRST … CMD_TOOL_LAST; non-zero when handled.
int HandleToolCommand(TrackView* v, int command);

} // namespace pianoroll
