// What the view asks of the parts composed over it: the tools in the grid, the lane's part of the
// track-header column, the transport and the answers to scripts. The composition at the top
// (frame/piano_roll_panes.cpp) fills the table, so the view includes none of the parts; a view
// without parts leaves each of these things undone.
#pragma once

#include <cstdint>
#include <functional>

#include "mp/records.h"
#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;

struct ViewParts {
    // ---- the tools ----
    // A command of the tools (asked first) or of the grid's menus (asked after the view's snap and loop
    // commands); non-zero when taken.
    int (*ToolCommand)(TrackView* v, int command);
    int (*GridCommand)(TrackView* v, int command);
    // The corner box of the time scroll bar takes up the Zoom tool for one zoom box, and gives it back.
    void (*BeginTemporaryZoom)(TrackView* v);
    void (*ReturnFromTemporaryZoom)(TrackView* v);

    // ---- the commands the tools open ----
    // The grid's context menu at a client point (from the keyboard: the point the view chose).
    void (*ShowGridContextMenu)(TrackView* v, int x, int y, bool fromKeyboard);
    // The in-place velocity entry over a note (null: at the grid's first visible row).
    void (*RunVelocityEntry)(TrackView* v, const mp::EventKey* note);

    // ---- the lane's part of the track-header column ----
    bool (*OnLaneNameBox)(const TrackView* v, int x, int y);
    void (*OpenLaneMenu)(TrackView* v);
    void (*PressLaneSplitter)(TrackView* v, int x, int y);
    // False when no splitter drag is in progress.
    bool (*LaneSplitterMouse)(TrackView* v, win::UINT msg, int x, int y);
    void (*PaintLaneHeader)(TrackView* v, win::HDC dc, const win::RECT& column, const win::RECT& clip);

    // ---- the transport: the view's default play and stop ----
    void (*Play)(TrackView* v, bool fromStart);
    // Whether the song was playing.
    bool (*Stop)(TrackView* v, bool pause);

    // ---- scripts: the answer to PRM_SCRIPT_POSITION (mp/script_query.h) ----
    win::LRESULT (*ScriptQuery)(TrackView* v, win::WPARAM what, win::LPARAM value);
};

// The table of a view without parts: every entry does nothing.
const ViewParts* NoViewParts();

} // namespace pianoroll
