// The piano-roll view's record (TrackView): what every part needs, the typed records each concern owns,
// and the framework's operations (invalidation, layout, hit-testing, focus and caret).
#pragma once

#include <cstdint>
#include <memory>

#include "view/auto_scroll.h"
#include "view/bend_view.h"
#include "view/drag_state.h"
#include "view/focus_caret.h"
#include "view/geometry.h"
#include "view/ghost_layer.h"
#include "view/grid_paint.h"
#include "view/hot_tracking.h"
#include "view/keyboard_pane.h"
#include "view/lane_state.h"
#include "view/owner_callbacks.h"
#include "view/pane.h"
#include "view/pane_numbers.h"
#include "view/playback_follow.h"
#include "view/scroll_bars.h"
#include "view/scrolling.h"
#include "view/snapping.h"
#include "view/time_grid.h"
#include "view/song_map_state.h"
#include "view/time_positions.h"
#include "view/time_ruler.h"
#include "view/tooltip.h"
#include "view/transport_state.h"
#include "view/view_messages.h"
#include "view/view_parts.h"
#include "win/gdi.h"
#include "win/win.h"

struct _vorposfmt;

namespace pianoroll {
struct ModelChange;
} // namespace pianoroll

namespace mp {
class TrackAccess;
class SettingsExtension;
struct PianoRollSettings;
} // namespace mp

namespace pianoroll {

struct ToolState;
struct FrameState;
class OffscreenCache;

// ---- View flags (written by the window procedure) ----------------------------------------------
enum : std::uint32_t {
    TVF_CURSOR_REFRESH = 0x40, // the next hit test runs even at the same point
    TVF_LAID_OUT = 0x2000,     // the window has had a positive size
};

// Invalidation groups.
enum : std::uint32_t {
    INV_GRID = 0, // the grid and the lane area: every call invalidates them unless INV_NO_GRID is set
    INV_ALL = 0x7FFF,
    INV_LOOP_BAR = 0x0001,
    INV_SPARE_TIME_STRIP = 0x0002,
    INV_RULER = 0x0004,
    INV_TRANSPORT = 0x0008,
    INV_SPARE_ROW_STRIP = 0x0800,
    INV_KEYBOARD = 0x1000,
    INV_VSCROLL = 0x2000,
    INV_HSCROLL = 0x4000,
    INV_NO_GRID = 0x8000,
    INV_UPDATE_NOW = 0x100000,
};

// The view's window timers: the held scroll-bar part's repeat (calls the repeat callback), drag
// auto-scroll or else the owner's idle callback, and the hot-tracking watch.
constexpr win::UINT_PTR kRepeatTimer = 2;
constexpr win::UINT_PTR kIdleTimer = 3;
constexpr win::UINT_PTR kHotTimer = 4;

// ---- The view record ----------------------------------------------------------------------------
// Made by the owner (the editor frame) before the window, which it outlives; the owner sets the
// owner fields and the callbacks, then creates the window with the record as creation parameter. The
// window procedure writes the core fields; each sub-record is written by the file named with its type
// and by the window procedure. One UI thread touches all of it.
struct TrackView {
    TrackView();
    ~TrackView();
    TrackView(const TrackView&) = delete;
    TrackView& operator=(const TrackView&) = delete;

    // ---- Core: the window, its panes, the hit and the drag ----
    win::HWND hwnd = nullptr;
    win::HWND attached = nullptr; // repainted with the view; owned by whoever attached it
    win::HFONT font = nullptr;    // set with WM_SETFONT; owned by the sender
    int clientWidth = 0;
    int clientHeight = 0;
    Pane panes[kPaneCount]; // panes.cpp
    std::uint32_t hitCode = 0;
    win::POINT hitPoint{};
    bool hitPointValid = false;
    Drag drag = Drag::None; // written through SetDrag only
    int focusPane = PANE_GRID; // written by focus_caret.cpp
    int hoverRow = -1; // the row under the pointer as the last hit test found it
    std::uint32_t flags = 0;
    win::POINT dragThreshold{};
    // Timer 2 calls it while a scroll-bar part is held.
    void (*repeatCallback)(TrackView* view) = nullptr; // scroll_bars.cpp
    // The client-sized bitmap every paint draws into, dropped by each layout.
    std::unique_ptr<OffscreenCache> offscreen;

    // ---- Records of the concerns ----
    FocusState focus;          // focus_caret.cpp
    ViewGeometry geo;          // geometry.cpp
    GridPaintCache gridCache;  // grid_paint.cpp
    TimePositions time;        // time_positions.cpp
    PlaybackFollow follow;     // playback_follow.cpp
    AutoScrollState autoScroll; // auto_scroll.cpp
    KeyboardState keyboard;    // keyboard_pane.cpp
    RulerState ruler;          // time_ruler.cpp
    LoopBarState loopBar;      // loop_bar.cpp
    ScrollBarsState scrollBars; // scroll_bars.cpp
    ViewTooltip tip;           // tooltip.cpp
    HotTracking hot;           // hot_tracking.cpp
    TimeGridState timeGrid;    // time_grid.cpp: the meter and the line spacing at the zoom
    SongMapState songMaps;     // song_map_state.cpp: the song's meters and keys
    std::shared_ptr<ToolState> tools; // the tools (tool_choice.cpp makes it; shared: the view need not know them)
    LaneAreaState lanes;       // the lane framework: lanes/
    TransportBarState transportBar; // the transport bar: transport_bar.cpp
    BendViewCache bend;        // bend_view.cpp
    GhostLayer ghosts;         // other tracks' notes behind the grid: ghost_layer.cpp

    // ---- Lent by the owner, set once before the window is made (frame_lifecycle.cpp) ----
    OwnerCallbacks owner = DefaultOwnerCallbacks(); // frame_lifecycle.cpp
    TransportCallbacks transport = DefaultTransportCallbacks();
    // The frame that owns the view, null when there is none.
    FrameState* frame = nullptr; // frame_lifecycle.cpp
    // Owned by the frame, which destroys the view first.
    mp::TrackAccess* access = nullptr; // frame_lifecycle.cpp
    // What the view asks of the tools, lanes, transport and scripts above it (the composition sets it).
    const ViewParts* parts = NoViewParts(); // piano_roll_panes.cpp
    // The plug-in object's settings, which outlive the view.
    mp::PianoRollSettings* settings = nullptr; // frame_lifecycle.cpp
    // The toolbar strip's images in their normal look, owned by the frame; null without a frame.
    win::HIMAGELIST stripImages = nullptr; // frame_lifecycle.cpp
    // The plug-in object's settings of features beyond the block; null when there is none.
    mp::SettingsExtension* extension = nullptr; // frame_lifecycle.cpp
};

// ---- Framework ----------------------------------------------------------------------------------
void InvalidateView(TrackView* v, std::uint32_t groups);
// Hit-tests the point (client coordinates) unless it equals the stored one and no refresh is asked.
void HitTestView(TrackView* v, int x, int y, bool force);
// The next hit test runs again even at the same point (the cursor may have changed).
void RequestCursorRefresh(TrackView* v);
// A pane's HitTest found the pointer over a row.
void SetHoverRow(TrackView* v, int row);
// Begins, changes or ends the drag. A pane only changes its own drag or begins one while none runs.
void SetDrag(TrackView* v, Drag drag);
void LayoutView(TrackView* v, bool force);
// Posts PRM_REFRESH_STATE to the view's parent (the tool, the selection or the snap changed).
void NotifyRefreshState(TrackView* v);

// The view's window procedure (class pianorollBld0TrackviewClass). A key-down message it returns
// VIEW_KEY_LEFT_ALONE for was taken by no pane and no key of the view, so the host may act on it.
constexpr win::LRESULT VIEW_KEY_LEFT_ALONE = 1;
win::LRESULT TrackViewWindowProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
TrackView* ViewOfWindow(win::HWND hwnd);
// The view lets go of its window: every pane's Init(PANE_INIT_DESTROYED), then the owner's Released.
// The window's WM_DESTROY does it; an owner that frees the record while the window still stands (its
// children are destroyed after it) does it first, and the window's later messages find no view.
void ReleaseViewWindow(TrackView* v);

// ---- The shown track ---------------------------------------------------------------------------
// The minimum extent (the settings' minSongWholeNotes whole notes) and the document length of the shown track.
std::int64_t MinimumDocumentLength(const TrackView* v);
void RefreshDocumentLength(TrackView* v);
// Repaints what the host changed: the columns of the changed ticks in the grid (in the changed rows)
// and in the lane area (to the right edge for lane events, whose values hold until the next one); the
// whole view when tracks changed or nothing says what changed.
void RepaintChange(TrackView* v, const ModelChange& change);
// After the access shows a new track: rows, document length, transport state, repaint.
void ShowTrackInView(TrackView* v);
// The saved time edge and span (savedTimeOrigin, savedTimeSpan), top row, time zoom level and row
// height level (savedTopRow, savedZoomLevel, savedRowHeightLevel): written on PRM_SAVE_VIEW_STATE, restored through the setters (clamped to the shown song).
void RestoreViewState(TrackView* v);
void SaveViewState(TrackView* v);
// Scrolls the rows so that the shown track's notes (or middle C) are in the middle.
void CentreOnNotes(TrackView* v);
// Position text of the settings' time format (the owner's default position-to-text callback).
void DefaultPositionToText(TrackView* v, std::int64_t ticks, char* buffer);
// The settings' time format with the shown track's tick rate and time signature.
void ViewTimeFormat(TrackView* v, _vorposfmt* format);
// Musical time text of a tick (VorTicksToText's arguments), its bars and beats counted by the song's
// meters. The text's length.
int ViewTicksToText(TrackView* v, char* buffer, std::int64_t ticks, int base, int shortForm, int divisor);

} // namespace pianoroll
