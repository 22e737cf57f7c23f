// The view's answers to an editing-script runner: where ticks and notes are drawn, exact time and row
// requests, and a read-back of what the view shows.
#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "frame/piano_roll_panes.h"
#include "frame/transport_bar.h"
#include "lanes/lane_area.h"
#include "mp/script_query.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "tools/tools.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

LRESULT XOfVisibleTick(const TrackView* v, std::int64_t tick) {
    if (v->geo.timeSpan <= 0 || tick < v->geo.timeOrigin || tick > v->geo.timeOrigin + v->geo.timeSpan) return mp::SCRIPT_HIDDEN;
    const int x = XOfTick(v, tick);
    return x >= v->geo.grid.left && x < v->geo.grid.right ? x : mp::SCRIPT_HIDDEN;
}

// The middle of the note's row, when that middle lies inside the grid.
LRESULT YOfVisibleNote(const TrackView* v, LPARAM note) {
    if (note < 0 || note > kTopPitch || !v->access) return mp::SCRIPT_HIDDEN;
    const int row = v->access->RowOfNote(static_cast<int>(note));
    if (row < v->geo.topRow || row >= v->geo.rowCount) return mp::SCRIPT_HIDDEN;
    int top, bottom;
    RowBand(v, row, &top, &bottom);
    const int middle = (top + bottom) / 2;
    return bottom > top && middle >= v->geo.grid.top && middle < v->geo.grid.bottom ? middle : mp::SCRIPT_HIDDEN;
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

// The middle of a transport button, or its look, as a script reads it.
LRESULT TransportButtonAnswer(TrackView* v, LPARAM command, bool state) {
    const int i = TransportButtonOf(v->transportBar, static_cast<int>(command));
    if (i < 0) return mp::SCRIPT_HIDDEN;
    const TransportButton& b = v->transportBar.buttons[i];
    if (state) {
        // The loop button's check is the host's looping, as the next paint shows it.
        const bool checked = b.command == CMD_LOOP_PLAYBACK ? v->access && v->access->IsLooping() : (b.state & TBS_CHECKED) != 0;
        LRESULT look = checked ? mp::SCRIPT_BUTTON_CHECKED : 0;
        if (TransportButtonUsable(v, i)) look |= mp::SCRIPT_BUTTON_ENABLED;
        return look;
    }
    if (b.rect.right <= b.rect.left) return mp::SCRIPT_HIDDEN;
    return MAKELONG((b.rect.left + b.rect.right) / 2, (b.rect.top + b.rect.bottom) / 2);
}

LRESULT SetRows(TrackView* v, const mp::ScriptRowsRequest* request) {
    if (!request || v->geo.gridHeight <= 0 || !v->access || request->topNote > kTopPitch) return 0;
    const int level = std::clamp(request->rowHeightLevel, 0, std::max(v->geo.maxRowHeightLevel, 0));
    const int top = request->topNote < 0 ? v->geo.verticalTop : v->access->RowOfNote(request->topNote) * kUnitsPerRow;
    SetRowHeightLevel(v, level, top, VV_PROGRAM);
    InvalidateView(v, INV_ALL);
    return 1;
}

void FillState(TrackView* v, mp::ScriptViewState* state) {
    *state = mp::ScriptViewState{};
    state->timeOrigin = v->geo.timeOrigin;
    state->timeSpan = v->geo.timeSpan;
    state->documentLength = v->geo.documentLength;
    state->editCursor = v->time.editCursor;
    state->zoomPixels = v->geo.zoomPixels;
    state->gridHeight = v->geo.gridHeight;
    state->rowHeightLevel = v->geo.rowHeightLevel;
    state->maxRowHeightLevel = v->geo.maxRowHeightLevel;
    int top = 0, bottom = 0;
    if (v->geo.rowCount > 0) RowBand(v, v->geo.topRow, &top, &bottom);
    state->topRowPixels = bottom - top;
    state->topNote = kTopPitch - v->geo.topRow;
    state->rowCount = v->geo.rowCount;
    state->tool = CurrentTool(v);
    state->dragState = static_cast<std::int32_t>(v->drag);
    if (const ControllerView* lane = CurrentLane(v)) state->laneId = lane->GetLaneId();
}

LRESULT LaneSelector(TrackView* v, POINT* middle) {
    const RECT& box = v->lanes.nameBox;
    if (!middle || IsRectEmpty(&box)) return 0;
    *middle = {(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    return 1;
}

// The three numbers of the position text of the tick, as the position display shows them.
LRESULT BarPositionShown(TrackView* v, mp::ScriptBarPosition* position) {
    if (!position) return 0;
    char text[kPositionTextCapacity] = {};
    v->owner.PositionToText(v, position->tick, text);
    text[kPositionTextCapacity - 1] = 0;
    std::int64_t* parts[] = {&position->bar, &position->beat, &position->ticks};
    const char* p = text;
    for (std::int64_t* part : parts) {
        while (*p && !(*p >= '0' && *p <= '9') && *p != '-') ++p;
        char* end = nullptr;
        *part = std::strtoll(p, &end, 10);
        if (end == p) return 0;
        p = end;
    }
    return 1;
}

} // namespace

LRESULT AnswerScriptQuery(TrackView* v, WPARAM what, LPARAM value) {
    switch (what) {
    case mp::SVQ_X_OF_TICK: return XOfVisibleTick(v, static_cast<std::int64_t>(value));
    case mp::SVQ_Y_OF_NOTE: return YOfVisibleNote(v, value);
    case mp::SVQ_Y_OF_LANE_VALUE: return YOfLaneValue(v, value);
    case mp::SVQ_SET_TIME_VIEW: {
        const auto* request = reinterpret_cast<const mp::ScriptTimeRequest*>(value);
        if (!request || v->geo.gridWidth <= 0) return 0;
        SetTimeView(v, request->origin, request->span, TV_PROGRAM);
        return 1;
    }
    case mp::SVQ_LANE_SELECTOR: return LaneSelector(v, reinterpret_cast<POINT*>(value));
    case mp::SVQ_SET_ROWS: return SetRows(v, reinterpret_cast<const mp::ScriptRowsRequest*>(value));
    case mp::SVQ_STATE: {
        auto* state = reinterpret_cast<mp::ScriptViewState*>(value);
        if (!state) return 0;
        FillState(v, state);
        return 1;
    }
    case mp::SVQ_TRANSPORT_BUTTON: return TransportButtonAnswer(v, value, false);
    case mp::SVQ_TRANSPORT_BUTTON_STATE: return TransportButtonAnswer(v, value, true);
    case mp::SVQ_STATUS_TEXT: {
        auto* status = reinterpret_cast<mp::ScriptStatusText*>(value);
        if (!status) return 0;
        std::snprintf(status->text, sizeof status->text, "%s", v->transportBar.paintedStatus);
        return 1;
    }
    case mp::SVQ_GHOST_COUNT: return CountGhosts(v);
    case mp::SVQ_BAR_POSITION: return BarPositionShown(v, reinterpret_cast<mp::ScriptBarPosition*>(value));
    case mp::SVQ_KEY_AT: {
        const ScaleKey key = KeyInForce(v, static_cast<std::int64_t>(value));
        return MAKELONG(key.root, key.scale);
    }
    default: return mp::SCRIPT_HIDDEN;
    }
}

} // namespace pianoroll
