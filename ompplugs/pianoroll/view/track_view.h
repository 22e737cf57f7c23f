// The piano-roll view's record (TrackView), its panes and pane classes, and the view's operations.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/snapping.h"
#include "view/drag_state.h"
#include "view/pane_numbers.h"
#include "win/gdi.h"
#include "win/win.h"

namespace mp {
class TrackAccess;
struct PianoRollSettings;
} // namespace mp

namespace pianoroll {

struct TrackView;
struct Pane;
struct ToolState;

// ---- Pane classes -------------------------------------------------------------------------------
// Nine slots; every slot receives the view and the pane first. Slots left empty are filled with safe
// no-ops by RegisterPaneClass, so callers never test for null.
enum : int { PANE_INIT_CREATED = 0, PANE_INIT_DESTROYED = 1 };

struct PaneClass {
    // flag PANE_INIT_CREATED or PANE_INIT_DESTROYED. Non-zero = success.
    int (*Init)(TrackView* view, Pane* pane, int flag) = nullptr;
    // Sets the pane's left, top, width, height and cuts its strip off `remaining`.
    void (*Layout)(TrackView* view, Pane* pane, win::RECT* remaining) = nullptr;
    // Part code 0 … 0xFFFF for a point inside the pane; may set the tooltip text.
    int (*HitTest)(TrackView* view, Pane* pane, int x, int y) = nullptr;
    win::LRESULT (*OnMouse)(TrackView* view, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) = nullptr;
    void (*Paint)(TrackView* view, Pane* pane, win::HDC dc, const win::RECT* clip) = nullptr;
    // Cursor identifier for the hit code (VOR_CURSOR_ARROW = the system arrow).
    int (*GetCursor)(TrackView* view, Pane* pane, std::uint32_t hitCode) = nullptr;
    // Used by the tools only.
    int (*OnToolChange)(TrackView* view, Pane* pane, int change) = nullptr;
    // Window key messages, and the focus requests 0x401 (caret size), 0x402 (caret position) and
    // 0x403 (which pane takes the keyboard focus). Non-zero = consumed.
    win::LRESULT (*OnKey)(TrackView* view, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) = nullptr;
    // Not called by the framework.
    void (*Reserved)(TrackView* view, Pane* pane) = nullptr;
};

// Fills the empty slots of a class with safe defaults (in place) and returns it.
PaneClass* RegisterPaneClass(PaneClass* paneClass);
// The class of hidden panes: Layout sets height 0, OnMouse goes to the default window procedure,
// Paint does nothing.
PaneClass* EmptyPaneClass();

constexpr win::UINT PANE_FOCUS_CARET_SIZE = 0x401;
constexpr win::UINT PANE_FOCUS_CARET_POS = 0x402;
constexpr win::UINT PANE_FOCUS_WHICH = 0x403;
// The context-menu message a pane gets carries the clicked window in wParam, or this when the menu
// was asked for from the keyboard (lParam is then the point the view chose, in screen pixels).
constexpr win::WPARAM PANE_CONTEXT_FROM_KEYBOARD = 0;

// Questions of the editing-script runner (mp/script_query.h). The lane area's class is asked for a lane
// value's pixel with OnKey(PRM_SCRIPT_POSITION, SVQ_Y_OF_LANE_VALUE, POINT*): point.y holds the value on
// entry and the pixel on return; a zero result means no lane.
constexpr win::UINT PRM_SCRIPT_POSITION = 0x0BF0;


// Pane option bits.
constexpr std::uint32_t PANE_ASK_FOCUS = 0x8000000;  // asked with OnKey(0x403) on a press
constexpr std::uint32_t PANE_LOOP_LINES = 0x10000000; // draws the loop boundary lines
constexpr std::uint32_t PANE_RULER_AT_BOTTOM = 0x2;
constexpr std::uint32_t PANE_LOOP_BAR_SLIM = 0x20;

struct Pane {
    PaneClass* paneClass;
    std::uint32_t flags;
    win::RECT rect; // right = left + width, bottom = top + height
    int width;
    int height;
    std::uint32_t id; // pane number x 0x10000
    // Pane data owned by the pane's class.
    std::intptr_t data[8];
};

// ---- Owner callbacks ----------------------------------------------------------------------------
struct OwnerCallbacks {
    win::LRESULT (*Help)(TrackView* view, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT (*Command)(TrackView* view, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT (*Notify)(TrackView* view, win::WPARAM wParam, win::LPARAM lParam);
    // 0x300-0x307 and the editor's private messages 0x7F00-0x7F09.
    win::LRESULT (*EditMessage)(TrackView* view, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void (*SettingsChanged)(TrackView* view, win::UINT msg);
    win::LRESULT (*Palette)(TrackView* view, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    win::LRESULT (*OwnerDraw)(TrackView* view, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void (*EditCursorMoved)(TrackView* view);
    void (*LoopChanged)(TrackView* view);
    // Writes the position text of `ticks` into `buffer` (32 characters with the terminator).
    void (*PositionToText)(TrackView* view, std::int64_t ticks, char* buffer);
    void (*AdjustRange)(TrackView* view, std::int64_t* start, std::int64_t* span);
    void (*AdjustCursor)(TrackView* view, std::int64_t* position);
    // Called on timer 3; without it the timer is killed.
    void (*Idle)(TrackView* view);
    // Called last when the window is destroyed, after every pane's Init(1): the owner frees the record
    // and what it lent it. The view is not touched afterwards.
    void (*Released)(TrackView* view);
};

struct TransportCallbacks {
    void (*Play)(TrackView* view, bool fromStart);
    bool (*StopOrPause)(TrackView* view); // whether playback was running
    void (*ContinueFrom)(TrackView* view, std::int64_t position);
    std::int64_t (*GetPosition)(TrackView* view);
};

// ---- Display list ---------------------------------------------------------------------------------
// 44 bytes per record.
struct DisplayRecord {
    win::RECT rect;
    std::uint32_t key[3]; // the note's event key (0 for rows)
    std::int32_t row;
    std::int32_t velocity;
    std::int32_t colour; // 0-10
    std::uint32_t flags;
};
static_assert(sizeof(DisplayRecord) == 44);

enum : std::uint32_t {
    DR_ROW = 0x1,
    DR_SELECTED = 0x4,
    DR_START_INSIDE = 0x80,
    DR_END_INSIDE = 0x100,
    DR_CUT_LEFT = 0x200,
    DR_CUT_RIGHT = 0x400,
    DR_BLACK_KEY = 0x1000,
    DR_IN_SCALE = 0x2000,
    DR_SEPARATOR = 0x4000,
};

// ---- View flags ---------------------------------------------------------------------------------
enum : std::uint32_t {
    TVF_CARET_SHOWN = 0x1,
    TVF_PLAYING = 0x2,
    TVF_USER_MOVED = 0x4,
    TVF_TIP_WANTED = 0x8,
    TVF_TIP_ACTIVE = 0x10,
    TVF_TIP_TEXT_CHANGED = 0x20,
    TVF_CURSOR_REFRESH = 0x40,
    TVF_WHEEL_SCROLL = 0x80,
    TVF_LOOP_ON = 0x100,      // the loop-region flag: the host has a region (looping or not)
    TVF_BACKGROUND_STALE = 0x200,
    TVF_FOLLOWING = 0x400,    // following the playback position
    TVF_HAS_FOCUS = 0x800,
    TVF_NO_REPEAT = 0x1000,   // the next key press does not count as a repeat
    TVF_LAID_OUT = 0x2000,    // the window has had a positive size
    TVF_FOLLOW_CENTRED = 0x4000, // following keeps the playback line in the middle of the grid
    TVF_RECENTRE = 0x8000,       // the next followed position sets the follow offset
    TVF_KEY_PENDING = 0x10000,   // Left/Right held while following; cleared on key-up
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

// Vertical units of one row; a row is this many units whatever its height in pixels.
// The view window's timers: the held scroll-bar part's repeat (calls the repeat callback), drag
// auto-scroll or else the owner's idle callback, and the hot-tracking watch.
constexpr win::UINT_PTR kRepeatTimer = 2;
constexpr win::UINT_PTR kIdleTimer = 3;
constexpr win::UINT_PTR kHotTimer = 4;

constexpr int kUnitsPerRow = 45;
// Rows are (row height level + this) pixels high.
constexpr int kRowPixelsAtLevelZero = 5;
// Row r shows pitch kTopPitch - r.
constexpr int kTopPitch = 127;
constexpr int kPixelClamp = 16384;
// Pixels at the grid's right that show no time, so the last note stays clear of the scroll bar.
constexpr int kGridRightMargin = 24;

// Hot-tracked button of a pane.
struct HotButton {
    win::RECT rect;
    std::uint32_t hitCode;
    win::RECT clip;
    bool hasClip;
    void (*Draw)(TrackView* view, win::HDC dc, const win::RECT* rect, int state);
};

// ---- The view record ----------------------------------------------------------------------------
struct TrackView {
    // Geometry
    int clientWidth;
    int clientHeight;
    win::RECT grid;
    int gridWidth;
    int gridHeight;
    int rightMargin;
    int bottomMargin;
    int zoomPixels;
    std::int64_t timeOrigin;
    std::int64_t timeSpan;
    double ticksPerPixel;
    std::int64_t documentLength;
    int timeZoomLevel;
    int maxTimeZoomLevel;
    int rowCount;
    int rowHeightLevel;
    int maxRowHeightLevel;
    int defaultRowHeightLevel;
    int verticalTop;
    int topRow;
    int verticalSpan;
    double unitsPerPixel;
    int verticalExtent;
    int verticalStep;
    bool fixedHeight;

    // Window and panes
    win::HWND hwnd;
    win::HWND attached; // repainted with the view
    win::HFONT font;
    Pane panes[kPaneCount];
    std::uint32_t hitCode;
    win::POINT hitPoint;
    bool hitPointValid;
    Drag drag; // the gesture holding the mouse, with its owning pane
    int focusPane;
    int hoverRow;
    std::uint32_t flags;
    win::HWND tooltip;
    char tipText[60];
    HotButton hot;
    bool hotActive;
    win::POINT dragThreshold;
    void (*repeatCallback)(TrackView* view);

    // Off-screen painting: the client-sized bitmap every paint draws into (dropped by each layout).
    void* offscreen;
    bool persistentBackground;

    // Grid
    std::int64_t editCursor;
    std::int64_t playbackPosition;
    int playbackX; // -1: no line drawn
    std::int64_t loopStart;
    std::int64_t loopEnd;
    int loopStartX;
    int loopEndX;
    std::int64_t selectionStart; // time selection; length 0 = none
    std::int64_t selectionLength;
    int selectionLeft;
    int selectionRight;
    win::POINT brushOrigin;
    std::vector<DisplayRecord>* displayList;
    int displayRowCount;
    win::HBITMAP background;
    win::RECT backgroundDrawn;
    int backgroundWidth;
    int backgroundHeight;

    // Keyboard column
    int columnWidthAtPress; // or the lane area's height at the press
    int pressX;
    int soundingNote; // -1: none
    int soundingRow;
    bool soundingSent; // the note on went out (monitoring was on)

    // Owner
    OwnerCallbacks owner;
    TransportCallbacks transport;
    void* ownerData;
    mp::TrackAccess* access;
    mp::PianoRollSettings* settings;

    // Tools: the snap spacings in force and the tools' drag state (made by the grid's Init).
    SnapState snap;
    ToolState* tools;

    // Time positions: the loop region saved by the loop bar's commands, a ring of the last time
    // selections, and the ruler's mark spacing as last computed.
    std::int64_t previousLoopStart;
    std::int64_t previousLoopLength;
    bool previousLoopSaved;
    std::int64_t historyStart[5];
    std::int64_t historyLength[5];
    int historyCount;
    int historyNext;
    int historyIndex;
    bool gestureRecorded;
    double rulerStep;
    int rulerSubdivisions;
    bool rulerLabelled;
    int dragX; // last pointer x of a ruler or loop bar drag
    std::int64_t dragStart; // the loop region being dragged
    std::int64_t dragLength;
    std::int64_t dragAnchor; // tick under the pointer at the press
    // Drag auto-scroll: mode bits (0 = off), the no-scroll rectangle, the last step's time.
    std::uint32_t autoScrollMode;
    win::RECT autoScrollRect;
    std::uint32_t autoScrollLast;
    std::uint32_t autoScrollRowLast; // when row mode last moved a row
    int autoScrollCarry; // vertical units scrolled toward the next whole row
    int followOffset; // pixels from the middle where centred following keeps the line; eases to 0
};

// Zero-fills the view and sets the initial geometry (zoom pixels 1, grid height 1, time zoom level 1,
// row height level 1, right margin 24), installs the empty class in every pane and numbers them.
void PrepareTrackView(TrackView* view);
// Frees what the view owns outside the window (display list, background bitmap).
void ReleaseTrackView(TrackView* view);

// ---- Geometry ---------------------------------------------------------------------------------
int MulDiv(int a, int b, int c);
int XOfTick(const TrackView* v, std::int64_t t);
int XOfTickUp(const TrackView* v, std::int64_t t);
std::int64_t TickOfX(const TrackView* v, int x);
std::int64_t TicksOfWidth(const TrackView* v, int w);
int YOfUnit(const TrackView* v, int u);
int UnitOfY(const TrackView* v, int y);
int UnitsOfHeight(const TrackView* v, int h);
// Band [top, bottom) of row r.
void RowBand(const TrackView* v, int row, int* top, int* bottom);
// The row at y, or one of the codes below.
enum : int { ROW_NONE = -2, ROW_ABOVE_GRID = -3, ROW_BELOW_GRID = -4 };
int RowAtY(const TrackView* v, int y);

// Zoom level arithmetic.
std::int64_t SpanOfTimeLevel(const TrackView* v, int level);
int TimeLevelOfSpan(const TrackView* v, std::int64_t span);
int VerticalSpanOfLevel(const TrackView* v, int level);
int RowLevelOfSpan(const TrackView* v, int span);
int ComputeVerticalExtent(const TrackView* v);

constexpr int TV_PROGRAM = 1;     // a change made by the program
constexpr int TV_CARET_ONLY = 2;  // nothing changed: only refresh the caret
constexpr int VV_FIXED_SPAN = 4;  // the span is a new fixed span
constexpr int VV_PROGRAM = 1;

void SetTimeView(TrackView* v, std::int64_t start, std::int64_t span, int flags);
void SetVerticalView(TrackView* v, int top, int span, int flags);
void SetDocumentLength(TrackView* v, std::int64_t length);
void ScrollVertically(TrackView* v, int units);
void MakeRowVisible(TrackView* v, int row);
// After layout; force = a forced relayout.
void ResizeGeometry(TrackView* v, bool force);

// Grid quantum rounding (q in ticks; q = 0 leaves t unchanged).
std::int64_t QuantumNearest(std::int64_t t, double q);
std::int64_t QuantumUp(std::int64_t t, double q);
std::int64_t QuantumDown(std::int64_t t, double q);

// ---- Framework ----------------------------------------------------------------------------------
void InvalidateView(TrackView* v, std::uint32_t groups);
// Hit-tests the point (client coordinates) unless it equals the stored one and no refresh is asked.
void HitTestView(TrackView* v, int x, int y, bool force);
void LayoutView(TrackView* v, bool force);
void RepositionCaret(TrackView* v);
// The grid's answer to the caret size and position questions (a 1-pixel line at the edit cursor);
// false for any other message.
bool AnswerGridCaret(const TrackView* v, win::UINT msg, win::LPARAM lParam);
void SetFocusPane(TrackView* v, int pane);
// Hot-tracking of a pane's button; EndHotTracking repaints its border and kills timer 4.
void BeginHotTracking(TrackView* v, const HotButton& button);
void EndHotTracking(TrackView* v);
// Ends the playback line drawing (inverts it away when drawn) and moves it.
void SetPlaybackPosition(TrackView* v, std::int64_t ticks);
void SetLoopRegion(TrackView* v, std::int64_t start, std::int64_t end, bool on);

// The view's window procedure (class pianorollBld0TrackviewClass). A key-down message it returns
// VIEW_KEY_LEFT_ALONE for was taken by no pane and no key of the view, so the host may act on it.
constexpr win::LRESULT VIEW_KEY_LEFT_ALONE = 1;
win::LRESULT TrackViewWindowProc(win::HWND hwnd, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
TrackView* ViewOfWindow(win::HWND hwnd);

// ---- The shown track ---------------------------------------------------------------------------
// The minimum extent (settings word 43 whole notes) and the document length of the shown track.
std::int64_t MinimumDocumentLength(const TrackView* v);
void RefreshDocumentLength(TrackView* v);
// After the access shows a new track: rows, document length, transport state, repaint.
void ShowTrackInView(TrackView* v);
// The saved time edge and span (words 27-30), top row, time zoom level and row height level (words
// 64-66): written on PRM_SAVE_VIEW_STATE, restored through the setters (clamped to the shown song).
void RestoreViewState(TrackView* v);
void SaveViewState(TrackView* v);
// Scrolls the rows so that the shown track's notes (or middle C) are in the middle.
void CentreOnNotes(TrackView* v);
// Starts or ends the playback line.
void SetPlaying(TrackView* v, bool playing);
// Position text of the settings' time format (the owner's default position-to-text callback).
void DefaultPositionToText(TrackView* v, std::int64_t ticks, char* buffer);
// Answer to PRM_SCRIPT_POSITION, the script runner's questions (mp/script_query.h).
win::LRESULT AnswerScriptQuery(TrackView* v, win::WPARAM what, win::LPARAM value);

// ---- Panes of the piano-roll view ---------------------------------------------------------------
PaneClass* KeyboardPaneClass();
// Installs the piano-roll view's pane classes and options in a prepared view.
void InstallPianoRollPanes(TrackView* view);
// The note grid's Paint slot, shared by every tool.
void PaintGrid(TrackView* v, Pane* pane, win::HDC dc, const win::RECT* clip);
// Builds the display list for the clip (rows and notes); kept in the view until the next paint.
void BuildDisplayList(TrackView* v, const win::RECT* clip);
// Marks the background bitmap stale.
inline void MarkBackgroundStale(TrackView* v) { v->flags |= TVF_BACKGROUND_STALE; }

// Colours
win::COLORREF Blend(win::COLORREF c0, win::COLORREF c1, int a);
enum PaletteShade { SHADE_DARK = 0, SHADE_MEDIUM = 1, SHADE_BRIGHT = 2 };
win::COLORREF PaletteColour(int index, int shade);

// Keyboard column
constexpr int kColumnSplitterWidth = 6;
int KeyAreaRight(const TrackView* v);
// The row of the key at a point in the key area, -1 for none.
int KeyAtPoint(const TrackView* v, int x, int y);
int BlackKeyRight(const TrackView* v);
// Gives the column width setting its default when it has none: the width of the longest position
// text the corner shows.
void EnsureColumnWidth(TrackView* v);
// Sets the column width setting (clamped 2 … 16384) and lays the view out.
void SetColumnWidth(TrackView* v, int width);
// Sets the controller-lane area's height (settings word 45) and lays the view out.
void SetLaneAreaHeight(TrackView* v, int height);

// Keyboard column part codes
enum : int {
    KP_RIGHT_SPLITTER = 1,
    KP_LANE_SPLITTER = 6,
    KP_KEY = 7,
    KP_ABOVE = 0x11,
    KP_BELOW = 0x20,
    KP_BELOW_CHOOSER = 0x21,
    KP_NO_ROW = 0x40,
};


} // namespace pianoroll
