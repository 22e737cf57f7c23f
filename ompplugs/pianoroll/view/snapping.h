// Snapping of times to the grid, the edit cursor and the loop marks, and of pitches to a key and scale.
#pragma once

#include <cstdint>

#include "model/bar_grid.h"
#include "resources/command_ids.h"

namespace mp {
struct PianoRollSettings;
} // namespace mp

namespace pianoroll {

struct TrackView;

// ---- Flags of the snap functions ------------------------------------------------------------------
enum : unsigned {
    SNAP_EDIT_CURSOR = 0x1,
    SNAP_GRID = 0x2,
    SNAP_LOOP_MARKS = 0x4,
    SNAP_BACKWARD = 0x1000, // directional snap only; forward without it
    SNAP_FOR_CLICK = SNAP_GRID | SNAP_LOOP_MARKS,
    SNAP_CURSOR_AND_GRID = SNAP_EDIT_CURSOR | SNAP_GRID,
    SNAP_ALL = SNAP_EDIT_CURSOR | SNAP_GRID | SNAP_LOOP_MARKS,
};

// "Infinite" distance and the bounds a directional snap starts from (returned when nothing applied).
constexpr std::int64_t kSnapFar = std::int64_t{1} << 61;
constexpr std::int64_t kSnapForwardNone = std::int64_t{1} << 61;
constexpr std::int64_t kSnapBackwardNone = -(std::int64_t{1} << 62);

// ---- Setting tables and their commands ---------------------------------------------------------------
constexpr int kGridSpacingCount = 19;
constexpr int kPaintValueCount = 22;
constexpr int kRootCount = 12;
constexpr int kScaleCommandCount = 18; // 7300-7317; the empty scale 18 has no command

// The grid spacing setting of "Measures".
constexpr std::int64_t kMeasuresSpacing = -2;
// Grid spacing setting (> 0 ticks, 0 ruler marks, < 0 a note value) of command 6000 + i.
extern const std::int64_t kGridSpacingValues[kGridSpacingCount];
// Paint note value setting (> 0 ticks, 0 the drawn grid, -8n / -8n+1 / -8n+2 the note 1/n of a whole
// note, plain / dotted / triplet) of command 7000 + i.
extern const std::int64_t kPaintNoteValues[kPaintValueCount];

// Menu marks: the command whose table value equals the setting (first match), 0 when none does.
int GridSpacingCommandOf(std::int64_t value);
int PaintValueCommandOf(std::int64_t value);
// The root and scale items, with the setting clamped into the commands' range.
int RootCommandOf(int root);
int ScaleCommandOf(int scale);

// ---- Encodings in ticks -------------------------------------------------------------------------------
// Beats per measure of a time-signature word (beats x 65536 + note value).
inline int BeatsOfTimeSignature(std::uint32_t timeSignature) { return static_cast<int>(timeSignature >> 16); }
inline int NoteValueOfTimeSignature(std::uint32_t timeSignature) { return static_cast<int>(timeSignature & 0xFFFF); }

// Ticks of a grid spacing setting. drawnSpacing stands for the ruler marks (value 0). Never below 1.
double GridSpacingTicks(std::int64_t value, std::uint32_t ticksPerQuarter, std::uint32_t timeSignature,
                        double drawnSpacing);
// Ticks of a paint note value setting. drawnSpacing stands for the grid (value 0). Never below 1.
double PaintLengthTicks(std::int64_t value, std::uint32_t ticksPerQuarter, double drawnSpacing);

// ---- The spacings in force ---------------------------------------------------------------------------------
struct SnapSpacings {
    double grid = 1;    // the grid spacing in force: the setting's while snapping and grid snapping are on, else 1
    double paint = 1;   // the paint length
    double setting = 1; // the grid spacing setting's ticks, whether the grid acts or not
};
// What the settings make of a tick rate, a time signature and the spacing of the lines drawn at the
// view's zoom (which stands for the ruler marks and the grid).
SnapSpacings SpacingsOf(const mp::PianoRollSettings& settings, std::uint32_t ticksPerQuarter,
                        std::uint32_t timeSignature, double lineStep);
// The same for the view as it is now at a tick: the meter in force there and its zoom's line spacing
// in that meter (view/time_grid.h).
SnapSpacings ViewSpacings(const TrackView& view, std::int64_t at);

// ---- Snapping arithmetic ----------------------------------------------------------------------------------
// Everything the time snaps look at, gathered from the view.
struct SnapContext {
    double gridSpacing = 0;       // 0: the grid leaves times as they are
    std::int64_t editCursor = 0;
    std::int64_t loopStart = 0;
    std::int64_t loopEnd = 0;
    bool playing = false;         // the edit cursor follows playback and is no snap point
    bool loopShown = false;
    bool timeSelection = false;   // a time selection is being made
    int followMode = 1;           // the settings' followMode; the loop marks count only while 0 or 1
    // A song of several meters with a grid in bars, beats or ruler marks: its bar grid (the view's)
    // and the spacing, whose lines restart at each meter's start. Null: the grid's lines lie at
    // multiples of gridSpacing.
    const BarGrid* bars = nullptr;
    LineSpacing lines;
};
SnapContext SnapContextOf(const TrackView& view);

// trunc(t / s + 0.5) x s in whole ticks; t itself when s is 0.
std::int64_t NearestGridPoint(std::int64_t t, double spacing);
// Nearest of the flagged candidates; on equal distance the edit cursor wins over the loop marks and
// both over the grid. t when no candidate applies.
std::int64_t NearestSnap(const SnapContext& ctx, std::int64_t t, unsigned flags);
// Forward: the first candidate strictly after t (a 1-tick grid gives t itself). Backward (SNAP_BACKWARD): the edit cursor or a loop
// mark strictly before t, or the grid line at or before t (never searching below 0), whichever is
// later. Without SNAP_GRID and no candidate: kSnapForwardNone or kSnapBackwardNone.
std::int64_t DirectionalSnap(const SnapContext& ctx, std::int64_t t, unsigned flags);
// Sizing a note's start (end = the note's end) or end (start = the note's start): a snapped edge that
// would pass the other edge goes to the nearest snap point short of it.
std::int64_t StartEdgeSnap(const SnapContext& ctx, std::int64_t t, std::int64_t end);
std::int64_t EndEdgeSnap(const SnapContext& ctx, std::int64_t t, std::int64_t start);
// The grid point at or before t, never below 0; and the grid point after t (a time on a line goes to
// the next line).
std::int64_t GridFloor(double spacing, std::int64_t t);
std::int64_t GridCeiling(double spacing, std::int64_t t);
// The same three over the context's grid, across meter changes: the nearest line (of the meter in
// force, or the next meter's start), the line at or before t, the line after t.
std::int64_t GridNearest(const SnapContext& ctx, std::int64_t t);
std::int64_t GridBefore(const SnapContext& ctx, std::int64_t t);
std::int64_t GridAfter(const SnapContext& ctx, std::int64_t t);
// Whether t lies on one of the context's lines.
bool OnGrid(const SnapContext& ctx, std::int64_t t);

// ---- Pitches ------------------------------------------------------------------------------------------
// Whether the pitch belongs to the settings' root note and scale.
bool PitchInScale(const mp::PianoRollSettings& settings, int pitch);

// ---- What the gestures call --------------------------------------------------------------------------
// Modifier keys as of the message being handled.
// Whether the key is down now (a virtual-key code).
bool KeyHeld(int virtualKey);
bool ShiftHeld();
bool AltHeld();
bool CtrlHeld();
// Time snapping of the gestures: snapping on and Shift not held.
bool SnappingActive(const mp::PianoRollSettings* settings);
// Grid snapping of painting and erasing: also needs the grid-snap flag.
bool GridSnappingActive(const mp::PianoRollSettings* settings);
// Whether a note may be put on the pitch at the tick: scale snapping off, Alt held, or the pitch in the
// scale of the key in force there.
bool ScaleAllowsPitch(const TrackView& view, int pitch, std::int64_t tick);
// Whether ScaleAllowsPitch asks the scale at all (scale snapping on and Alt not held).
bool ScaleLimitsPitches(const TrackView& view);
// The same for a grid row (pitch 127 - row).
bool ScaleAllowsRow(const TrackView& view, int row, std::int64_t tick);

// Each returns t unchanged while snapping is off or Shift is held.
std::int64_t SnapClickTime(const TrackView& view, std::int64_t t);      // grid, loop
std::int64_t SnapCursorGridTime(const TrackView& view, std::int64_t t); // cursor, grid
std::int64_t SnapMoveTime(const TrackView& view, std::int64_t t);       // all three
std::int64_t SnapForwardTime(const TrackView& view, std::int64_t t);    // all, after t
std::int64_t SnapBackwardTime(const TrackView& view, std::int64_t t);   // all, before t
// The edit cursor's keys: the first grid line or loop mark after t, or the last one before it; t when
// the grid is one tick (or there is no such point), so the caller steps by pixels instead.
std::int64_t SnapStepTime(const TrackView& view, std::int64_t t, bool forward);
std::int64_t SnapStartEdgeTime(const TrackView& view, std::int64_t t, std::int64_t end);
std::int64_t SnapEndEdgeTime(const TrackView& view, std::int64_t t, std::int64_t start);

// ---- Commands ---------------------------------------------------------------------------------------------
// What a handled command changed (non-zero = handled).
enum : int {
    SNAPCMD_HANDLED = 0x1,
    SNAPCMD_GRID = 0x2,     // grid spacing: the grid lines and the snap quantum
    SNAPCMD_PAINT = 0x4,    // paint length
    SNAPCMD_SCALE = 0x8,    // root, scale or scale snapping: the rows' shading
    SNAPCMD_SNAPPING = 0x10 // snapping on/off
};
// Grid spacing 6000-6018, paint value 7000-7021, root 7200-7211, scale 7300-7317, toggles 4041 and 4043:
// changes the settings. 0 for any other command.
int ApplySnapCommand(mp::PianoRollSettings& settings, int command);
// The view's part: applies the command, then redraws and tells the frame to refresh its states.
int HandleSnapCommand(TrackView* view, int command);

} // namespace pianoroll
