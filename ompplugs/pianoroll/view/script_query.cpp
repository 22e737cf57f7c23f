// The view's answers to an editing-script runner: where ticks and notes are drawn, exact time and row
// requests, and a read-back of what the view shows.
#include <algorithm>

#include "mp/script_query.h"
#include "mp/track_access.h"
#include "tools/tools.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

LRESULT XOfVisibleTick(const TrackView* v, std::int64_t tick) {
    if (v->timeSpan <= 0 || tick < v->timeOrigin || tick > v->timeOrigin + v->timeSpan) return mp::SCRIPT_HIDDEN;
    const int x = XOfTick(v, tick);
    return x >= v->grid.left && x < v->grid.right ? x : mp::SCRIPT_HIDDEN;
}

// The middle of the note's row, when that middle lies inside the grid.
LRESULT YOfVisibleNote(const TrackView* v, LPARAM note) {
    if (note < 0 || note > 127 || !v->access) return mp::SCRIPT_HIDDEN;
    const int row = v->access->RowOfNote(static_cast<int>(note));
    if (row < v->topRow || row >= v->rowCount) return mp::SCRIPT_HIDDEN;
    int top, bottom;
    RowBand(v, row, &top, &bottom);
    const int middle = (top + bottom) / 2;
    return bottom > top && middle >= v->grid.top && middle < v->grid.bottom ? middle : mp::SCRIPT_HIDDEN;
}

// The lane area maps its own values (OnKey with the query: point.y holds the value, then the pixel).
LRESULT YOfLaneValue(TrackView* v, LPARAM value) {
    Pane& lanes = v->panes[PANE_LANES];
    if (lanes.height <= 0 || lanes.width <= 0) return mp::SCRIPT_HIDDEN;
    POINT pt{0, static_cast<int>(value)};
    if (!lanes.paneClass->OnKey(v, &lanes, PRM_SCRIPT_POSITION, mp::SVQ_Y_OF_LANE_VALUE, reinterpret_cast<LPARAM>(&pt)))
        return mp::SCRIPT_HIDDEN;
    return pt.y >= lanes.rect.top && pt.y < lanes.rect.bottom ? pt.y : mp::SCRIPT_HIDDEN;
}

LRESULT SetRows(TrackView* v, const mp::ScriptRowsRequest* request) {
    if (!request || v->gridHeight <= 0 || !v->access || request->topNote > 127) return 0;
    const int level = std::clamp(request->rowHeightLevel, 0, std::max(v->maxRowHeightLevel, 0));
    const int top = request->topNote < 0 ? v->verticalTop : v->access->RowOfNote(request->topNote) * kUnitsPerRow;
    v->rowHeightLevel = level;
    SetVerticalView(v, top, VerticalSpanOfLevel(v, level), VV_PROGRAM | VV_FIXED_SPAN);
    InvalidateView(v, INV_ALL);
    return 1;
}

void FillState(TrackView* v, mp::ScriptViewState* state) {
    *state = mp::ScriptViewState{};
    state->timeOrigin = v->timeOrigin;
    state->timeSpan = v->timeSpan;
    state->documentLength = v->documentLength;
    state->editCursor = v->editCursor;
    state->zoomPixels = v->zoomPixels;
    state->gridHeight = v->gridHeight;
    state->rowHeightLevel = v->rowHeightLevel;
    state->maxRowHeightLevel = v->maxRowHeightLevel;
    int top = 0, bottom = 0;
    if (v->rowCount > 0) RowBand(v, v->topRow, &top, &bottom);
    state->topRowPixels = bottom - top;
    state->topNote = 127 - v->topRow;
    state->rowCount = v->rowCount;
    state->tool = CurrentTool(v);
    state->dragState = static_cast<std::int32_t>(v->drag);
}

} // namespace

LRESULT AnswerScriptQuery(TrackView* v, WPARAM what, LPARAM value) {
    switch (what) {
    case mp::SVQ_X_OF_TICK: return XOfVisibleTick(v, static_cast<std::int64_t>(value));
    case mp::SVQ_Y_OF_NOTE: return YOfVisibleNote(v, value);
    case mp::SVQ_Y_OF_LANE_VALUE: return YOfLaneValue(v, value);
    case mp::SVQ_SET_TIME_VIEW: {
        const auto* request = reinterpret_cast<const mp::ScriptTimeRequest*>(value);
        if (!request || v->gridWidth <= 0) return 0;
        SetTimeView(v, request->origin, request->span, TV_PROGRAM);
        return 1;
    }
    case mp::SVQ_SET_ROWS: return SetRows(v, reinterpret_cast<const mp::ScriptRowsRequest*>(value));
    case mp::SVQ_STATE: {
        auto* state = reinterpret_cast<mp::ScriptViewState*>(value);
        if (!state) return 0;
        FillState(v, state);
        return 1;
    }
    default: return mp::SCRIPT_HIDDEN;
    }
}

} // namespace pianoroll
