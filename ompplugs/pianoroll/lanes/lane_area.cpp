// The lane area pane: its lane object, layout under the grid, hit test, cursors, painting, the choice of
// lane and its height, and where a lane value lies for the editing scripts.
#include "lanes/lane_area.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "lanes/bend_scale.h"
#include "mp/script_query.h"
#include "mp/settings.h"
#include "view/brush_cache.h"
#include "view/time_ruler.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

// The splitter strip is this tall; the area takes the stored height plus kAreaExtra pixels.
constexpr int kSplitterHeight = 6;
constexpr int kAreaExtra = 5;
// The stored height is at least this many lines; the view shows no lane below kShownLines lines.
constexpr int kMinLines = 4;
constexpr int kShownLines = 12;
// The splitter keeps the lane and the grid at least this many lines tall.
constexpr int kSplitterLines = 3;
// Scale lines: tall lanes get three.
constexpr int kTallLines = 6;
constexpr int kScaleTop = 127;
constexpr int kScaleValuesTall[] = {32, 64, 96};
constexpr int kScaleValueShort = 64;

int StoredHeight(const TrackView* v) { return v->settings ? v->settings->laneHeight : 0; }

int LaneHeight(const TrackView* v) { return v->lanes.laneRect.bottom - v->lanes.laneRect.top; }

void CreateLane(TrackView* v) {
    v->lanes.lane.reset();
    if (!v->access || !v->settings) return;
    v->lanes.lane = CreateControllerView(v->settings->laneId, *v->access, *v);
}

int LaneInit(TrackView* v, Pane*, int flag) {
    if (flag == PANE_INIT_CREATED) CreateLane(v);
    else v->lanes.lane.reset();
    return 1;
}

void LaneLayout(TrackView* v, Pane* pane, RECT* remaining) {
    LaneAreaState& s = v->lanes;
    const int line = LaneLineHeight();
    int stored = StoredHeight(v);
    if (stored < kMinLines * line) {
        stored = kMinLines * line;
        if (v->settings) v->settings->laneHeight = stored;
    }
    const int available = std::max<int>(remaining->bottom - remaining->top, 0);
    pane->rect = {remaining->left, remaining->bottom, remaining->right, remaining->bottom};
    pane->width = std::max<int>(remaining->right - remaining->left, 0);
    pane->height = 0;
    s.laneRect = {};
    s.nameBox = {};
    s.splitterTop = remaining->bottom;
    if (stored == 0 || available < kShownLines * line) return;
    // A stored height the window cannot hold still leaves the grid its lines.
    const int taken = std::min(stored + kAreaExtra, available - kSplitterLines * line);
    const int bottom = remaining->bottom;
    s.splitterTop = bottom - taken;
    pane->rect.top = s.splitterTop;
    pane->height = taken;
    s.laneRect = {remaining->left, s.splitterTop + kSplitterHeight,
                  std::max<int>(remaining->right - GetSystemMetrics(SM_CYVSCROLL), remaining->left), bottom};
    remaining->bottom = s.splitterTop;
    PlaceLaneSelector(v);
}

int LaneHitTest(TrackView* v, Pane*, int x, int y) {
    LaneAreaState& s = v->lanes;
    if (y >= s.splitterTop - 2 && y <= s.splitterTop + kAreaExtra) return LaneSplitterHit;
    const POINT pt{x, y};
    if (!PtInRect(&s.laneRect, pt)) return LaneNoHit;
    const int height = LaneHeight(v);
    if (height > 0 && s.lane) s.readout = s.lane->ValueFromOffset(std::max<int>(0, s.laneRect.bottom - y), height);
    return LaneBodyHit;
}

int LaneCursor(TrackView* v, Pane*, std::uint32_t hitCode) {
    switch (PartOfHit(hitCode)) {
    case LaneSplitterHit: return VOR_CURSOR_SPLIT_ROWS;
    case LaneBodyHit: return v->lanes.lane ? v->lanes.lane->GetLaneCursor() : VOR_CURSOR_ARROW;
    default: return VOR_CURSOR_ARROW;
    }
}

COLORREF ScaleLineColour() {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), face = GetSysColor(COLOR_BTNFACE);
    auto channel = [&](int shift) { return ((shadow >> shift & 0xFF) + 4 * (face >> shift & 0xFF)) / 5; };
    return RGB(channel(0), channel(8), channel(16));
}

void PaintScaleLines(TrackView* v, HDC dc, const RECT& area, BrushCache& brushes) {
    const RECT& lane = v->lanes.laneRect;
    const int height = LaneHeight(v);
    const COLORREF colour = ScaleLineColour();
    if (SemitoneScaleShown(v)) {
        PaintSemitoneLines(v, dc, area, brushes, colour);
        return;
    }
    auto line = [&](int value) {
        const int y = lane.bottom - value * height / kScaleTop;
        if (y >= area.top && y < area.bottom) brushes.Fill(dc, area.left, y, area.right, y + 1, colour);
    };
    if (height >= kTallLines * LaneLineHeight() + 3) {
        for (int value : kScaleValuesTall) line(value);
    } else {
        line(kScaleValueShort);
    }
}

void PaintTimeLines(TrackView* v, HDC dc, const RECT& area, BrushCache& brushes) {
    if (v->geo.timeSpan <= 0) return;
    // The same marks as the grid's lines, so the two line up to the pixel.
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW), face = GetSysColor(COLOR_BTNFACE);
    auto channel = [&](int shift) { return (6 * (shadow >> shift & 0xFF) + 4 * (face >> shift & 0xFF)) / 10; };
    const COLORREF colour = RGB(channel(0), channel(8), channel(16));
    ViewBars(v).ForEachLine(ViewLineSpacing(v), TickOfX(v, area.left), 1, [&](std::int64_t tick, bool) {
        const int x = XOfTick(v, tick);
        if (x >= area.right) return false;
        if (x >= area.left) brushes.Fill(dc, x, area.top, x + 1, area.bottom, colour);
        return true;
    });
}

void PaintLoopLines(TrackView* v, Pane* pane, HDC dc, const RECT& area, BrushCache& brushes) {
    if (!(pane->flags & PANE_LOOP_LINES) || !v->time.loopShown || v->geo.timeSpan <= 0) return;
    for (std::int64_t tick : {v->time.loopStart, v->time.loopEnd}) {
        const int x = XOfTick(v, tick);
        if (x >= area.left && x < area.right) brushes.Fill(dc, x, area.top, x + 1, area.bottom, VorUI_GetColor(VOR_COLOR_LOOP));
    }
}

void PaintScrollFiller(TrackView* v, Pane* pane, HDC dc, const RECT* clip) {
    const RECT& lane = v->lanes.laneRect;
    RECT filler{lane.right, lane.top, pane->rect.right, lane.bottom}, area;
    if (!IntersectRect(&area, &filler, clip)) return;
    if (IsThemeActive()) {
        if (HTHEME theme = OpenThemeData(v->hwnd, "SCROLLBAR")) {
            DrawThemeBackground(theme, dc, SBP_LOWERTRACKVERT, 1, &filler, &area);
            CloseThemeData(theme);
            return;
        }
    }
    HBRUSH pattern = VorUI_GetBrush(VOR_BRUSH_GRID_PATTERN);
    if (!pattern) {
        FillRect(dc, &area, GetSysColorBrush(COLOR_SCROLLBAR));
        return;
    }
    const COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_SCROLLBAR));
    const COLORREF oldBack = SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    FillRect(dc, &area, pattern);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
}

void LanePaint(TrackView* v, Pane* pane, HDC dc, const RECT* clip) {
    LaneAreaState& s = v->lanes;
    BrushCache brushes;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    RECT splitter{pane->rect.left, s.splitterTop, pane->rect.right, s.splitterTop + kSplitterHeight};
    brushes.Fill(dc, splitter.left, splitter.top, splitter.right, splitter.bottom, face);
    DrawEdge(dc, &splitter, BDR_RAISEDINNER, BF_TOP | BF_BOTTOM);
    PaintScrollFiller(v, pane, dc, clip);
    RECT lane = s.laneRect;
    if (IsRectEmpty(&lane)) return;
    brushes.Fill(dc, lane.left, lane.top, lane.right, lane.bottom, face);
    DrawEdge(dc, &lane, BDR_RAISEDINNER, BF_RECT);
    RECT area;
    if (!IntersectRect(&area, &lane, clip)) return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, area.left, area.top, area.right, area.bottom);
    const bool stemsOnTop = s.lane && s.lane->GetLaneId() == kLaneVelocity;
    if (s.lane && !stemsOnTop) s.lane->PaintLane(dc, lane, area);
    PaintScaleLines(v, dc, area, brushes);
    PaintTimeLines(v, dc, area, brushes);
    if (s.lane && stemsOnTop) s.lane->PaintLane(dc, lane, area);
    PaintLoopLines(v, pane, dc, area, brushes);
    RestoreDC(dc, saved);
}

// The script runner's question: the pixel of the lane whose value is nearest to the one asked.
LRESULT LaneOnKey(TrackView* v, Pane*, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != PRM_SCRIPT_POSITION || wParam != mp::SVQ_Y_OF_LANE_VALUE || !lParam) return 0;
    ControllerView* lane = CurrentLane(v);
    const int height = LaneHeight(v);
    auto* pt = reinterpret_cast<POINT*>(lParam);
    if (!lane || height <= 0 || pt->y < lane->GetMinValue() || pt->y > lane->GetMaxValue()) return 0;
    const std::int64_t scale = lane->GetFullScale();
    // Offsets 1..height are the lane's own pixel rows; offset 0 lies just below it.
    int best = 1;
    std::int64_t bestDistance = -1;
    for (int offset = 1; offset <= height; ++offset) {
        const std::int64_t distance = std::llabs(offset * scale / height - pt->y);
        if (bestDistance < 0 || distance < bestDistance) best = offset, bestDistance = distance;
    }
    pt->y = v->lanes.laneRect.bottom - best;
    return 1;
}

PaneClass gLaneAreaClass{
    .Init = LaneInit,
    .Layout = LaneLayout,
    .HitTest = LaneHitTest,
    .OnMouse = LaneAreaMouse,
    .Paint = LanePaint,
    .GetCursor = LaneCursor,
    .OnToolChange = nullptr,
    .OnKey = LaneOnKey,
    .Reserved = nullptr,
};

} // namespace


PaneClass* LaneAreaPaneClass() {
    static PaneClass* registered = RegisterPaneClass(&gLaneAreaClass);
    return registered;
}

int LaneLineHeight() { return std::max(VorUI_GetFontHeight(VOR_FONT_SMALL), 1); }

ControllerView* CurrentLane(TrackView* v) { return v->lanes.lane.get(); }

void SetCurrentLane(TrackView* v, int laneId) {
    const int known = KnownLaneId(laneId);
    if (v->settings) v->settings->laneId = known;
    v->lanes.lane.reset();
    if (v->access) v->lanes.lane = CreateControllerView(known, *v->access, *v);
    v->lanes.readout = kNoReadout;
    if (!v->hwnd || v->clientWidth <= 0) return;
    LayoutView(v, true);
    InvalidateView(v, INV_ALL);
}

int LaneReadout(const TrackView* v) {
    const LaneAreaState& s = v->lanes;
    if (s.mouse == LaneMouse::Drawing || s.mouse == LaneMouse::Erasing) return s.readout;
    const bool over = PaneOfHit(v->hitCode) == PANE_LANES && PartOfHit(v->hitCode) == LaneBodyHit;
    return over ? s.readout : kNoReadout;
}

std::string LaneReadoutText(TrackView* v) {
    const int value = LaneReadout(v);
    if (value == kNoReadout) return {};
    std::string semitones;
    return SemitoneReadoutText(v, value, &semitones) ? semitones : std::to_string(value);
}

void SetLaneAreaHeight(TrackView* v, int height) {
    const int line = LaneLineHeight();
    const int shown = v->panes[PANE_LANES].height > 0 ? v->panes[PANE_LANES].height - kAreaExtra : 0;
    // What leaves the grid its lines: the grid gives up what the lane gains.
    const int most = std::max(shown + v->geo.gridHeight - kSplitterLines * line, kSplitterLines * line);
    height = std::clamp(height, kSplitterLines * line, most);
    if (!v->settings || height == v->settings->laneHeight) return;
    v->settings->laneHeight = height;
    if (!v->hwnd || v->clientWidth <= 0) return;
    LayoutView(v, true);
    InvalidateView(v, INV_ALL);
}

} // namespace pianoroll
