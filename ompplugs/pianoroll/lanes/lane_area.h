// The controller-lane area (pane 8) as the view holds it: the current lane object, the lane's
// rectangle, the mouse gesture in progress and the readout; the lane area's pane class and the
// operations the rest of the editor reaches the lanes through.
#pragma once

#include <cstdint>
#include <string>

#include "lanes/controller_view.h"
#include "view/lane_state.h"
#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;
struct PaneClass;
struct Pane;

// The lane area's pane class.
PaneClass* LaneAreaPaneClass();
// Its mouse slot: drawing, erasing and the splitter (lane_mouse.cpp).
win::LRESULT LaneAreaMouse(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);

// The lane object in use, or null.
ControllerView* CurrentLane(TrackView* v);
// Makes the lane of laneId (any unknown id: velocity) current, stores the id in the settings, lays the
// view out again and repaints it.
void SetCurrentLane(TrackView* v, int laneId);
// The value under the pointer while it is over the lane (or a lane gesture runs), for the status field;
// kNoReadout otherwise.
int LaneReadout(const TrackView* v);
// The same value as the status field shows it ("%d", or "+1.50 st" in semitones), or empty when there
// is none.
std::string LaneReadoutText(TrackView* v);

// The line height the lane area's sizes are counted in (UI font 110).
int LaneLineHeight();
// Sets the stored lane height, kept between 3 lines and what leaves the grid 3 lines; lays out and
// repaints when it changed.
void SetLaneAreaHeight(TrackView* v, int height);

// The splitter drag, shared by the lane area's strip and the track-header column's.
void PressLaneSplitter(TrackView* v, int x, int y);
// Handles a mouse message of a splitter drag; false when no splitter drag is in progress.
bool LaneSplitterMouse(TrackView* v, win::UINT msg, int x, int y);

// The lane's part of the track-header column: the name box and the value scale, level with the lane.
// The box is placed by each layout.
void PlaceLaneSelector(TrackView* v);
void PaintLaneHeader(TrackView* v, win::HDC dc, const win::RECT& column, const win::RECT& clip);
// Whether a point of the column lies on the lane's name box.
bool OnLaneNameBox(const TrackView* v, int x, int y);
// Opens the lane menu below the name box and makes the chosen lane current.
void OpenLaneMenu(TrackView* v);

} // namespace pianoroll
