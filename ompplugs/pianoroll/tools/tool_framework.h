// What the five tools share: the common slots, the gesture state machine they fall back on, the hit
// tests, selection, moving and sizing, and the sounding of pressed notes; grouped by the file that
// holds each.
#pragma once

#include <cstdint>

#include "tools/tool_state.h"
#include "tools/tools.h"

namespace pianoroll {

// ---- The common slots (tool_choice.cpp) ---------------------------------------------------------------
// Init: opens the snapping and selects the saved tool on creation; frees the tool state at the end.
int ToolInit(TrackView* v, Pane* pane, int flag);
void ToolLayout(TrackView* v, Pane* pane, win::RECT* remaining);

// ---- The hit tests (hit_test.cpp) ---------------------------------------------------------------------
// Store the row and the note under the point in the tool state's hit record.
int PreciseHitTest(TrackView* v, Pane* pane, int x, int y);
int CoarseHitTest(TrackView* v, Pane* pane, int x, int y);
// The cursor of Draw, and of Paint and Erase outside the rows.
int CommonCursor(TrackView* v, std::uint32_t hitCode);
bool NoteSpan(TrackView* v, const mp::EventKey& key, std::int64_t* start, std::int64_t* end);
int PitchOfRow(TrackView* v, int row);
// The row at y kept inside the grid (the top or the last row beyond it).
int ClampedRowAtY(TrackView* v, int y);
// A double-click on a note: the velocity entry over the note the last hit test found.
void OpenVelocityEntryAtHit(TrackView* v);

// ---- The gesture state machine (gesture.cpp) ----------------------------------------------------------
// The common mouse handler every tool falls back on.
win::LRESULT CommonOnMouse(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
// True while a drag holds the mouse or the track cannot be edited.
bool PressIsIgnored(TrackView* v);
// Records whether the message is a double-click and the triple-click state.
void RecordClickKind(TrackView* v, win::UINT msg, int x, int y);
// Records the press of a gesture begun by the current tool.
void RecordPress(TrackView* v, int x, int y, int hit);
bool BeyondThreshold(TrackView* v, int x, int y, int factor);
// x kept over the pixels that show time (the grid without its right margin, where nothing is drawn),
// so a dragged note never goes out of sight.
int ClampToShownTime(const TrackView* v, int x);
// Lets drag auto-scroll follow the pointer past the grid's edges: always in time, `extraMode` adds
// the vertical or row modes.
void FollowWithAutoScroll(TrackView* v, int x, int y, std::uint32_t extraMode);
void CaptureGrid(TrackView* v);
// Leaves the drag state first, so the capture change that follows is no cancel.
void EndDrag(TrackView* v);
// Ends the grid's drag in progress and takes back what it did.
void CancelDrag(TrackView* v);
void RedrawGrid(TrackView* v);
// Commits the pending edit under a string-table name.
void CommitUnder(TrackView* v, std::uint32_t nameId);

// ---- Selection by click and range (selection.cpp) -----------------------------------------------------
void DeselectAll(TrackView* v);
void SelectOnly(TrackView* v, const mp::EventKey& key);
void SetNoteSelected(TrackView* v, const mp::EventKey& key, bool on);
void SelectRectangle(TrackView* v, std::int64_t t0, std::int64_t t1, int row0, int row1, bool replace);
// The click of a release without drag (edit cursor and selection).
void ReleaseAsClick(TrackView* v, int x, int y);
// The flags a click in the grid moves the edit cursor with, by the keys held when it is handled.
unsigned ClickCursorFlags(bool outsideRows);

// ---- Moving and sizing notes (move_size.cpp) ----------------------------------------------------------
bool SetUpMove(TrackView* v, bool copy);
void ApplyMove(TrackView* v, int x, int y);
// Commits a move or copy-move under its name.
void CommitMove(TrackView* v);
bool SetUpSize(TrackView* v, bool start);
void ApplySize(TrackView* v, int x);

// ---- Sounding pressed notes (monitoring.cpp) ----------------------------------------------------------
void SoundNote(TrackView* v, const mp::EventKey& key);
void SoundPitch(TrackView* v, int pitch, std::int64_t duration, int velocity);
void SilenceNote(TrackView* v);

// ---- The grid's keys and wheel (tool_keys.cpp) --------------------------------------------------------
win::LRESULT ToolOnKey(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
win::LRESULT ToolWheel(TrackView* v, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

// ---- The five tools (draw_tool.cpp, selection_tool.cpp, zoom_tool.cpp, stroke_tools.cpp) -------------
ToolClass* DrawTool();
ToolClass* SelectionTool();
ToolClass* ZoomTool();
ToolClass* PaintTool();
ToolClass* EraseTool();

} // namespace pianoroll
