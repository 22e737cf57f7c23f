// Snapping of times to the grid, the edit cursor and the loop marks, and of pitches to a key and scale.
#include "view/snapping.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "mp/private_messages.h"
#include "mp/settings.h"
#include "view/scale.h"
#include "view/time_grid.h"
#include "view/track_view.h"
#include "win/win.h"

namespace pianoroll {

const std::int64_t kGridSpacingValues[kGridSpacingCount] = {
    10000, 10000000, 600000000, 1, 1, 0, -1, -2, -3, -4, -5, -8, -9, -16, -17, -32, -33, -64, -65,
};

const std::int64_t kPaintNoteValues[kPaintValueCount] = {
    0,    -7,   -8,   -6,   -15,  -16,  -14,  -31,  -32,  -30,  -63,
    -64,  -62,  -127, -128, -126, -255, -256, -254, -511, -512, -510,
};

namespace {

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

// Whole ticks of a double, truncated; values beyond the 64-bit range saturate instead of overflowing.
std::int64_t ToTicks(double d) {
    if (std::isnan(d)) return 0;
    if (d >= 9223372036854775807.0) return kMax;
    if (d <= -9223372036854775808.0) return kMin;
    return static_cast<std::int64_t>(d);
}

std::int64_t AddSat(std::int64_t a, std::int64_t b) {
    std::int64_t r;
    if (__builtin_add_overflow(a, b, &r)) return b > 0 ? kMax : kMin;
    return r;
}

std::uint64_t Distance(std::int64_t a, std::int64_t b) {
    return a > b ? static_cast<std::uint64_t>(a) - static_cast<std::uint64_t>(b)
                 : static_cast<std::uint64_t>(b) - static_cast<std::uint64_t>(a);
}

// Half a grid step in whole ticks: the spacing rounded, then halved as an integer.
std::int64_t HalfStep(double spacing) { return ToTicks(std::trunc(spacing + 0.5)) / 2; }

double WholeNote(std::uint32_t ticksPerQuarter) {
    return 4.0 * static_cast<double>(ticksPerQuarter ? ticksPerQuarter : kDefaultTicksPerQuarter);
}

double AtLeastOneTick(double ticks) { return ticks >= 1.0 ? ticks : 1.0; }

bool LoopMarksApply(const SnapContext& ctx) {
    return ctx.loopShown && !ctx.timeSelection && (ctx.followMode == 0 || ctx.followMode == 1);
}

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

} // namespace

// ---- Tables ---------------------------------------------------------------------------------------------

int GridSpacingCommandOf(std::int64_t value) {
    for (int i = 0; i < kGridSpacingCount; ++i)
        if (kGridSpacingValues[i] == value) return CMD_GRID_SPACING_FIRST + i;
    return 0;
}

int PaintValueCommandOf(std::int64_t value) {
    for (int i = 0; i < kPaintValueCount; ++i)
        if (kPaintNoteValues[i] == value) return CMD_PAINT_VALUE_FIRST + i;
    return 0;
}

int RootCommandOf(int root) { return CMD_ROOT_FIRST + Clamp(root, 0, kRootCount - 1); }

int ScaleCommandOf(int scale) { return CMD_SCALE_FIRST + Clamp(scale, 0, kScaleCommandCount - 1); }

double GridSpacingTicks(std::int64_t value, std::uint32_t ticksPerQuarter, std::uint32_t timeSignature,
                        double drawnSpacing) {
    if (value > 0) return static_cast<double>(value);
    if (value == 0) return AtLeastOneTick(drawnSpacing);
    const double w = WholeNote(ticksPerQuarter);
    double ticks = 1;
    switch (value) {
    case -2: ticks = w / 4 * BeatsOfTimeSignature(timeSignature); break;
    case -3: ticks = w / 2; break;
    case -4: ticks = w / 4; break;
    case -5: ticks = w / 6; break;
    case -8: ticks = w / 8; break;
    case -9: ticks = w / 12; break;
    case -16: ticks = w / 16; break;
    case -17: ticks = w / 24; break;
    case -32: ticks = w / 32; break;
    case -33: ticks = w / 48; break;
    case -64: ticks = w / 64; break;
    case -65: ticks = w / 96; break;
    default: break;
    }
    return AtLeastOneTick(ticks);
}

double PaintLengthTicks(std::int64_t value, std::uint32_t ticksPerQuarter, double drawnSpacing) {
    if (value > 0) return static_cast<double>(value);
    if (value == 0) return AtLeastOneTick(drawnSpacing);
    if (value < -(8 * 64)) return 1;
    // -value = 8n - form, with form 0 plain, 1 dotted, 2 triplet.
    const std::int64_t magnitude = -value;
    const std::int64_t n = (magnitude + 2) / 8;
    const std::int64_t form = 8 * n - magnitude;
    if (n < 1 || n > 64 || (n & (n - 1)) != 0) return 1;
    const double w = WholeNote(ticksPerQuarter);
    const double d = static_cast<double>(n);
    switch (form) {
    case 0: return AtLeastOneTick(w / d);
    case 1: return AtLeastOneTick(w * 3 / (2 * d));
    case 2: return AtLeastOneTick(w * 2 / (3 * d));
    default: return 1;
    }
}

// ---- The spacings in force -----------------------------------------------------------------------------

SnapSpacings SpacingsOf(const mp::PianoRollSettings& settings, std::uint32_t ticksPerQuarter,
                        std::uint32_t timeSignature, double lineStep) {
    lineStep = AtLeastOneTick(lineStep);
    SnapSpacings out;
    out.setting = GridSpacingTicks(settings.gridSpacing, ticksPerQuarter, timeSignature, lineStep);
    out.grid = settings.snapEnabled != 0 && settings.gridSnap != 0 ? out.setting : 1;
    out.paint = PaintLengthTicks(settings.paintNoteValue, ticksPerQuarter, lineStep);
    return out;
}

SnapSpacings ViewSpacings(const TrackView& view, std::int64_t at) {
    if (!view.settings) return SnapSpacings{};
    const BarGrid& bars = ViewBars(&view);
    const MeterSegment& meter = bars.MeterAt(at);
    const std::uint32_t signature = static_cast<std::uint32_t>(meter.beatsPerBar) << 16 | static_cast<std::uint32_t>(meter.noteValue);
    return SpacingsOf(*view.settings, bars.TicksPerQuarter(), signature, ViewLineStep(&view, at).step);
}

// ---- Snapping arithmetic ------------------------------------------------------------------------------------

SnapContext SnapContextOf(const TrackView& view) {
    SnapContext ctx;
    // The song's first meter; with several, only whether the grid acts is read from it (ctx.bars).
    ctx.gridSpacing = ViewSpacings(view, 0).grid;
    ctx.editCursor = view.time.editCursor;
    ctx.loopStart = view.time.loopStart;
    ctx.loopEnd = view.time.loopEnd;
    ctx.playing = view.follow.playing;
    ctx.loopShown = view.time.loopShown;
    ctx.timeSelection = view.time.selectionLength != 0;
    ctx.followMode = view.settings ? view.settings->followMode : 1;
    const BarGrid& bars = ViewBars(&view);
    if (bars.Meters().size() > 1 && ctx.gridSpacing > 1 && view.settings->gridSpacing <= 0) {
        ctx.bars = &bars;
        // The spacing itself, not doubled for the zoom as the drawn lines are.
        ctx.lines = ViewLineSpacing(&view);
        ctx.lines.minLinePixels = 0;
    }
    return ctx;
}

std::int64_t NearestGridPoint(std::int64_t t, double spacing) {
    if (spacing == 0) return t;
    return ToTicks(std::trunc(static_cast<double>(t) / spacing + 0.5) * spacing);
}

std::int64_t NearestSnap(const SnapContext& ctx, std::int64_t t, unsigned flags) {
    bool found = false;
    std::int64_t best = t;
    std::uint64_t distance = static_cast<std::uint64_t>(kSnapFar);
    auto consider = [&](std::int64_t candidate) {
        const std::uint64_t d = Distance(candidate, t);
        if (d < distance) {
            best = candidate;
            distance = d;
            found = true;
        }
    };
    if ((flags & SNAP_EDIT_CURSOR) && !ctx.playing) {
        best = ctx.editCursor;
        distance = Distance(ctx.editCursor, t);
        found = true;
    }
    if ((flags & SNAP_LOOP_MARKS) && LoopMarksApply(ctx)) {
        consider(ctx.loopStart);
        consider(ctx.loopEnd);
    }
    if (flags & SNAP_GRID) consider(GridNearest(ctx, t));
    return found ? best : t;
}

std::int64_t DirectionalSnap(const SnapContext& ctx, std::int64_t t, unsigned flags) {
    const bool backward = (flags & SNAP_BACKWARD) != 0;
    std::int64_t best = backward ? kSnapBackwardNone : kSnapForwardNone;
    auto onWantedSide = [&](std::int64_t x) { return backward ? x < t : x > t; };
    auto nearer = [&](std::int64_t x) { return backward ? x > best : x < best; };

    if ((flags & SNAP_EDIT_CURSOR) && !ctx.playing && onWantedSide(ctx.editCursor)) best = ctx.editCursor;
    if ((flags & SNAP_LOOP_MARKS) && LoopMarksApply(ctx)) {
        for (std::int64_t mark : {ctx.loopStart, ctx.loopEnd})
            if (onWantedSide(mark) && nearer(mark)) best = mark;
    }
    if (!(flags & SNAP_GRID)) return best;
    if (ctx.bars) {
        const std::int64_t g = backward ? GridBefore(ctx, t) : GridAfter(ctx, t);
        return backward ? std::max(best, g) : std::min(best, g);
    }

    const std::int64_t half = HalfStep(ctx.gridSpacing);
    std::int64_t g = NearestGridPoint(t, ctx.gridSpacing);
    if (!backward) {
        if (g <= t) {
            g = NearestGridPoint(AddSat(t, half), ctx.gridSpacing);
            // A spacing that does not round to an even tick count leaves half short of half a step, so
            // the line after a point on the grid would be missed.
            if (g <= t && half > 0) g = NearestGridPoint(AddSat(t, half + 1), ctx.gridSpacing);
        }
        return best <= g ? best : g;
    }
    if (g >= t && g > 0) g = NearestGridPoint(AddSat(t, -half), ctx.gridSpacing);
    return best >= g ? best : g;
}

std::int64_t StartEdgeSnap(const SnapContext& ctx, std::int64_t t, std::int64_t end) {
    const std::int64_t r = NearestSnap(ctx, t, SNAP_ALL);
    if (r < end) return r;
    return DirectionalSnap(ctx, AddSat(end, -1), SNAP_ALL | SNAP_BACKWARD);
}

std::int64_t EndEdgeSnap(const SnapContext& ctx, std::int64_t t, std::int64_t start) {
    const std::int64_t r = NearestSnap(ctx, t, SNAP_ALL);
    if (r > start) return r;
    return DirectionalSnap(ctx, AddSat(start, 1), SNAP_ALL);
}

std::int64_t GridFloor(double spacing, std::int64_t t) {
    const std::int64_t half = HalfStep(spacing);
    const std::int64_t g = NearestGridPoint(t, spacing);
    if (g < t) return g > 0 ? g : 0;
    if (g <= 0) return 0;
    const std::int64_t before = NearestGridPoint(AddSat(t, -half), spacing);
    return before > 0 ? before : 0;
}

std::int64_t GridCeiling(double spacing, std::int64_t t) {
    const std::int64_t g = NearestGridPoint(t, spacing);
    if (g > t) return g;
    const std::int64_t half = HalfStep(spacing);
    std::int64_t next = NearestGridPoint(AddSat(t, half), spacing);
    // Painting and erasing step by the ceiling, so it must always move on, also for spacings that
    // do not halve into whole ticks.
    if (next <= t && spacing > 0) next = NearestGridPoint(AddSat(t, half + 1), spacing);
    return next;
}

namespace {

// The lines of meter i of a context with a bar grid: from its start to the next meter's start.
struct MeterLines {
    std::int64_t start;
    std::int64_t end;
    double step;
};

MeterLines LinesOfMeterAt(const SnapContext& ctx, std::int64_t t) {
    const std::size_t i = ctx.bars->MeterIndexAt(t);
    const MeterSegment& meter = ctx.bars->Meters()[i];
    return {meter.start, ctx.bars->MeterEnd(i), AtLeastOneTick(ctx.bars->StepIn(ctx.lines, meter).step)};
}

} // namespace

std::int64_t GridNearest(const SnapContext& ctx, std::int64_t t) {
    if (!ctx.bars) return NearestGridPoint(t, ctx.gridSpacing);
    const MeterLines m = LinesOfMeterAt(ctx, t);
    const std::int64_t g = m.start + NearestGridPoint(t - m.start, m.step);
    // A meter cut short ends on the next one's first line; halfway goes to the later line.
    return g >= m.end || Distance(m.end, t) <= Distance(g, t) ? m.end : g;
}

std::int64_t GridBefore(const SnapContext& ctx, std::int64_t t) {
    if (!ctx.bars) return GridFloor(ctx.gridSpacing, t);
    const MeterLines m = LinesOfMeterAt(ctx, t);
    return m.start + GridFloor(m.step, t - m.start);
}

std::int64_t GridAfter(const SnapContext& ctx, std::int64_t t) {
    if (!ctx.bars) return GridCeiling(ctx.gridSpacing, t);
    const MeterLines m = LinesOfMeterAt(ctx, t);
    return std::min(m.start + GridCeiling(m.step, t - m.start), m.end);
}

bool OnGrid(const SnapContext& ctx, std::int64_t t) { return GridNearest(ctx, t) == t; }

// ---- Pitches -----------------------------------------------------------------------------------------------

bool PitchInScale(const mp::PianoRollSettings& settings, int pitch) {
    return NoteInScale(pitch, settings.scaleRoot, settings.scaleIndex);
}

// ---- What the gestures call ----------------------------------------------------------------------------------

bool KeyHeld(int virtualKey) {
    // The high bit of the key state says the key is down.
    constexpr unsigned kDownBit = 0x8000;
    return (static_cast<unsigned>(win::GetKeyState(virtualKey)) & kDownBit) != 0;
}

bool ShiftHeld() { return KeyHeld(win::VK_SHIFT); }

bool AltHeld() { return KeyHeld(win::VK_MENU); }

bool CtrlHeld() { return KeyHeld(win::VK_CONTROL); }

bool SnappingActive(const mp::PianoRollSettings* settings) {
    return settings && settings->snapEnabled != 0 && !ShiftHeld();
}

bool GridSnappingActive(const mp::PianoRollSettings* settings) {
    return SnappingActive(settings) && settings->gridSnap != 0;
}

bool ScaleLimitsPitches(const TrackView& view) {
    return view.settings && view.settings->scaleSnap != 0 && !AltHeld();
}

bool ScaleAllowsPitch(const TrackView& view, int pitch, std::int64_t tick) {
    return !ScaleLimitsPitches(view) || PitchInKeyAt(&view, pitch, tick);
}

bool ScaleAllowsRow(const TrackView& view, int row, std::int64_t tick) {
    return ScaleAllowsPitch(view, 127 - row, tick);
}

std::int64_t SnapClickTime(const TrackView& view, std::int64_t t) {
    if (!SnappingActive(view.settings)) return t;
    return NearestSnap(SnapContextOf(view), t, SNAP_FOR_CLICK);
}

std::int64_t SnapCursorGridTime(const TrackView& view, std::int64_t t) {
    if (!SnappingActive(view.settings)) return t;
    return NearestSnap(SnapContextOf(view), t, SNAP_CURSOR_AND_GRID);
}

std::int64_t SnapMoveTime(const TrackView& view, std::int64_t t) {
    if (!SnappingActive(view.settings)) return t;
    return NearestSnap(SnapContextOf(view), t, SNAP_ALL);
}

std::int64_t SnapForwardTime(const TrackView& view, std::int64_t t) {
    if (!SnappingActive(view.settings)) return t;
    return DirectionalSnap(SnapContextOf(view), t, SNAP_ALL);
}

std::int64_t SnapBackwardTime(const TrackView& view, std::int64_t t) {
    if (!SnappingActive(view.settings)) return t;
    return DirectionalSnap(SnapContextOf(view), t, SNAP_ALL | SNAP_BACKWARD);
}

std::int64_t SnapStepTime(const TrackView& view, std::int64_t t, bool forward) {
    if (!SnappingActive(view.settings)) return t;
    const SnapContext ctx = SnapContextOf(view);
    if (ctx.gridSpacing <= 1) return t;
    if (forward) {
        const std::int64_t next = DirectionalSnap(ctx, t, SNAP_GRID | SNAP_LOOP_MARKS);
        return next > t ? next : t;
    }
    if (t <= 0) return t;
    // Marks strictly before t; grid lines at or before t - 1, so a cursor on a line leaves it.
    const std::int64_t mark = DirectionalSnap(ctx, t, SNAP_LOOP_MARKS | SNAP_BACKWARD);
    const std::int64_t line = DirectionalSnap(ctx, t - 1, SNAP_GRID | SNAP_BACKWARD);
    const std::int64_t previous = std::max(mark, line);
    return previous < t ? previous : t;
}

std::int64_t SnapStartEdgeTime(const TrackView& view, std::int64_t t, std::int64_t end) {
    if (!SnappingActive(view.settings)) return t;
    return StartEdgeSnap(SnapContextOf(view), t, end);
}

std::int64_t SnapEndEdgeTime(const TrackView& view, std::int64_t t, std::int64_t start) {
    if (!SnappingActive(view.settings)) return t;
    return EndEdgeSnap(SnapContextOf(view), t, start);
}

// ---- Commands -------------------------------------------------------------------------------------------------

int ApplySnapCommand(mp::PianoRollSettings& settings, int command) {
    if (command >= CMD_GRID_SPACING_FIRST && command < CMD_GRID_SPACING_FIRST + kGridSpacingCount) {
        settings.gridSpacing = kGridSpacingValues[command - CMD_GRID_SPACING_FIRST];
        return SNAPCMD_HANDLED | SNAPCMD_GRID;
    }
    if (command >= CMD_PAINT_VALUE_FIRST && command < CMD_PAINT_VALUE_FIRST + kPaintValueCount) {
        settings.paintNoteValue = kPaintNoteValues[command - CMD_PAINT_VALUE_FIRST];
        return SNAPCMD_HANDLED | SNAPCMD_PAINT;
    }
    if (command >= CMD_ROOT_FIRST && command < CMD_ROOT_FIRST + kRootCount) {
        settings.scaleRoot = Clamp(command - CMD_ROOT_FIRST, 0, kRootCount - 1);
        return SNAPCMD_HANDLED | SNAPCMD_SCALE;
    }
    if (command >= CMD_SCALE_FIRST && command < CMD_SCALE_FIRST + kScaleCommandCount) {
        const int index = command - CMD_SCALE_FIRST;
        settings.scaleIndex = index > 0 ? index : 0;
        return SNAPCMD_HANDLED | SNAPCMD_SCALE;
    }
    if (command == CMD_TOGGLE_SNAPPING) {
        settings.snapEnabled = settings.snapEnabled ? 0 : 1;
        return SNAPCMD_HANDLED | SNAPCMD_SNAPPING | SNAPCMD_GRID;
    }
    if (command == CMD_TOGGLE_SCALE_SNAPPING) {
        settings.scaleSnap = settings.scaleSnap ? 0 : 1;
        return SNAPCMD_HANDLED | SNAPCMD_SCALE;
    }
    return 0;
}

int HandleSnapCommand(TrackView* view, int command) {
    if (!view || !view->settings) return 0;
    const int result = ApplySnapCommand(*view->settings, command);
    if (!result) return 0;
    if (result & (SNAPCMD_GRID | SNAPCMD_SCALE)) MarkBackgroundStale(view);
    if (result & (SNAPCMD_GRID | SNAPCMD_SCALE | SNAPCMD_SNAPPING)) InvalidateView(view, INV_ALL);
    if ((result & (SNAPCMD_SCALE | SNAPCMD_SNAPPING)) && view->hwnd) {
        if (win::HWND parent = win::GetParent(view->hwnd)) win::PostMessage(parent, mp::PRM_REFRESH_STATE, 0, 0);
    }
    return result;
}

} // namespace pianoroll
