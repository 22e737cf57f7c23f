// The note grid's tools: the tool records, hit codes, drag states, the per-drag fields of the view and
// the shared press/drag/release handling the five tools fall back on.
#pragma once

#include <cstdint>
#include <vector>

#include "mp/records.h"
#include "resources/command_ids.h"
#include "view/track_view.h"

namespace pianoroll {

// A tool is a pane class of the note grid.
using ToolClass = PaneClass;

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

// Cursor identifiers the tools return.
enum : int {
    CURSOR_ARROW = 32512,
    CURSOR_MAGNIFIER = 2,
    CURSOR_PENCIL = 3,
    CURSOR_TIME_RANGE = 13,
    CURSOR_MOVE_TIME = 17,
    CURSOR_MOVE_PITCH = 18,
    CURSOR_NOTE_START = 100,
    CURSOR_NOTE_END = 101,
    CURSOR_MARQUEE = 104,
    CURSOR_BRUSH = 129,
    CURSOR_ERASER = 130,
};


// Band modes of the marquee and the zoom box.
enum : int { BAND_FREE = 0, BAND_TIME = 1, BAND_ROWS = 2 };

// A note a move drags: an event of the host, or (copy-move) a queued copy by its insert index.
struct MovedNote {
    mp::EventKey key;
    int insert; // -1 for a host event
};

// Per-view tool state: which tool, the last hit, and the fields of the drag in progress.
struct ToolState {
    int current = TOOL_DRAW;
    int remembered = -1; // the tool a temporary switch returns to
    PaneClass* classes[kToolCount] = {};

    // Last hit test.
    mp::EventKey hitNote{};
    bool hitHasNote = false;
    int hitRow = -1;

    // Press.
    win::POINT press{};
    std::int64_t pressTime = 0;
    int pressRow = -1;
    int pressUnit = 0;
    int pressHit = 0;
    mp::EventKey pressNote{};
    bool pressHasNote = false;
    bool pressRight = false;
    win::POINT last{};
    bool doubleClickMessage = false;
    bool tripleClick = false;
    std::uint64_t doubleClickTime = 0;
    bool doubleClickStored = false;
    win::POINT doubleClickPoint{};
    bool cursorRefresh = false;

    // Range anchor of click and range selection.
    std::int64_t anchorTime = 0;
    int anchorRow = 0;

    // Move and size.
    std::int64_t applied = 0;       // time offset already applied
    std::int64_t noteOffset = 0;    // press time - pressed note's start
    std::int64_t offsetLow = 0, offsetHigh = 0;
    int rowLow = 0, rowHigh = 0;
    int pressedNoteRow = 0;
    std::int64_t pressedNoteStart = 0;
    int pressedItem = -1;           // index of the pressed note in `moved`
    int axis = 0;                   // 0 none, 1 time only, 2 pitch only
    bool copy = false;
    std::vector<MovedNote> moved;
    std::vector<std::int64_t> moveBases; // start of the block each moved note's time counts from
    std::int64_t sizeStart = 0, sizeDuration = 0;
    int soundingPitch = -1;

    // Marquee, zoom box and their band.
    int bandMode = BAND_FREE;
    bool bandActive = false;
    bool bandDrawn = false;
    win::RECT band{};
    std::int64_t bandAnchorTime = 0;
    int bandAnchorUnit = 0;
    win::POINT bandAnchorPoint{};
    int marqueeAnchorRow = 0;
    std::vector<mp::EventKey> remembered_selection;

    // Draw.
    int drawInsert = -1;
    std::int64_t drawStart = 0, drawDuration = 0, drawShift = 0;
    std::int64_t drawBase = 0; // start of the block the new note's time counts from

    // Paint and erase strokes.
    int strokeRow = -1;
    std::int64_t lastPointerTime = 0;
    std::int64_t firstPaintedStart = 0;
    std::int64_t runEnd = 0;
    bool strokeStepped = false;
    bool strokeBaseKnown = false;
    std::int64_t strokeBase = 0;

    // Start of the block that queued inserts count their times from, once a gesture has inserted.
    bool insertBaseKnown = false;
    std::int64_t insertBase = 0;
};

// The notes of a gesture's pending edit, as they will be once committed (absolute record times):
// modified host notes and new notes. The grid shows these instead of the host's versions.
using PendingNoteVisitor = void (*)(void* context, const mp::EventKey& key, const mp::MidiEventRecord& record);
void ForEachPendingNote(TrackView* v, PendingNoteVisitor visit, void* context);
// Whether the host note is replaced or removed by the pending edit.
bool NoteIsPending(TrackView* v, const mp::EventKey& key);

// ---- Tools of a view ---------------------------------------------------------------------------------
// The class of tool `index` (null for an index outside 0-4).
PaneClass* ToolClassOf(int index);
ToolState* ToolsOf(TrackView* v);
// Refused (0) for an index of 5 or more; otherwise switches, refreshes the cursor, forgets a tool
// remembered for a temporary switch and returns 1.
int SelectTool(TrackView* v, int index);
// Through the ring Draw, Selection, Paint, Erase, Zoom.
void StepTool(TrackView* v, bool forward);
// Temporary switch to the Zoom tool for one gesture (the tool in force comes back after it).
void BeginTemporaryZoom(TrackView* v);
// Tool commands 4010-4014; non-zero when handled.
int HandleToolCommand(TrackView* v, int command);
// Posts PRM_REFRESH_STATE to the view's parent.
void NotifyRefreshState(TrackView* v);

// ---- Shared slots and the common handler (tool_framework.cpp) ---------------------------------------
int ToolInit(TrackView* v, Pane* pane, int flag);
void ToolLayout(TrackView* v, Pane* pane, win::RECT* remaining);
int PreciseHitTest(TrackView* v, Pane* pane, int x, int y);
int CoarseHitTest(TrackView* v, Pane* pane, int x, int y);
void ToolPaint(TrackView* v, Pane* pane, win::HDC dc, const win::RECT* clip);
win::LRESULT ToolOnKey(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
int CommonCursor(TrackView* v, std::uint32_t hitCode);
win::LRESULT CommonOnMouse(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
void ToolReserved(TrackView* v, Pane* pane);

// Pieces the tools share.
bool PressIsIgnored(TrackView* v);
// Records whether the message is a double-click and the triple-click state.
void RecordClickKind(TrackView* v, win::UINT msg, int x, int y);
void RecordPress(TrackView* v, int x, int y, int hit);
// x kept over the pixels that show time (the grid without its right margin, where nothing is drawn),
// so a dragged note never goes out of sight.
int ClampToShownTime(const TrackView* v, int x);
// Lets drag auto-scroll follow the pointer past the grid's edges: always in time, `extraMode` adds
// the vertical or row modes.
void FollowWithAutoScroll(TrackView* v, int x, int y, std::uint32_t extraMode);
void CaptureGrid(TrackView* v);
// Leaves the drag state first, so the capture change that follows is no cancel.
void EndDrag(TrackView* v);
void DeselectAll(TrackView* v);
void SelectOnly(TrackView* v, const mp::EventKey& key);
void SetNoteSelected(TrackView* v, const mp::EventKey& key, bool on);
void SelectRectangle(TrackView* v, std::int64_t t0, std::int64_t t1, int row0, int row1, bool replace);
void SoundNote(TrackView* v, const mp::EventKey& key);
void SoundPitch(TrackView* v, int pitch, std::int64_t duration, int velocity);
void SilenceNote(TrackView* v);
bool NoteSpan(TrackView* v, const mp::EventKey& key, std::int64_t* start, std::int64_t* end);
int PitchOfRow(TrackView* v, int row);
int ClampedRowAtY(TrackView* v, int y);
// The click of a release without drag (edit cursor and selection).
void ReleaseAsClick(TrackView* v, int x, int y);
void RedrawGrid(TrackView* v);
// Commits the pending edit under a string-table name.
void CommitUnder(TrackView* v, std::uint32_t nameId);
void CancelDrag(TrackView* v);
int ToolPressShift(win::WPARAM wParam);
int ToolPressCtrl(win::WPARAM wParam);

bool BeyondThreshold(TrackView* v, int x, int y, int factor);

// Moves (selection and draw tools).
bool SetUpMove(TrackView* v, bool copy);
void ApplyMove(TrackView* v, int x, int y);
bool SetUpSize(TrackView* v, bool start);
void ApplySize(TrackView* v, int x);

// ---- The band of the selection and zoom tools (selection_tool.cpp) -----------------------------------
void DrawBand(TrackView* v, win::HDC dc);
void RemoveBand(TrackView* v);
void BeginBand(TrackView* v, int x, int y, bool marquee);
void UpdateBand(TrackView* v, int x, int y);
void UpdateMarquee(TrackView* v, int x, int y, bool shift);
void CycleBandMode(TrackView* v, int x, int y);

// ---- Per-tool slots ----------------------------------------------------------------------------------
win::LRESULT DrawOnMouse(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
int DrawGetCursor(TrackView* v, Pane* pane, std::uint32_t hitCode);
// DrawArmed and DrawSize, reached through the common handler.
void DrawArmedMove(TrackView* v, int x, int y);
void DrawSizeApply(TrackView* v, int x);
void DrawSizeRelease(TrackView* v, int x);
void DrawCancel(TrackView* v);
win::LRESULT SelectionOnMouse(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
int SelectionGetCursor(TrackView* v, Pane* pane, std::uint32_t hitCode);
win::LRESULT ZoomOnMouse(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
int ZoomGetCursor(TrackView* v, Pane* pane, std::uint32_t hitCode);
win::LRESULT PaintOnMouse(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
int PaintGetCursor(TrackView* v, Pane* pane, std::uint32_t hitCode);
win::LRESULT EraseOnMouse(TrackView* v, Pane* pane, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
int EraseGetCursor(TrackView* v, Pane* pane, std::uint32_t hitCode);

// Cursor images of the tools, registered as cursor resources of the module `instance`, which the
// cursor table prefers (tool_cursors.cpp).
void RegisterToolCursors(win::HINSTANCE instance);


} // namespace pianoroll
