// Questions an editing-script runner asks the editor window and its view, and the records of the
// answers: where a tick or a note is drawn, exact view requests, and what the view shows now.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>

#include "win/types.h"

namespace mp {

// Sent (never posted) to the piano-roll view window [ui thread]. wParam is one of ScriptViewQuery.
constexpr win::UINT PRM_SCRIPT_VIEW_QUERY = 0x0BF0;

enum ScriptViewQuery : win::WPARAM {
    // lParam a tick: the x of that tick in the view's client pixels, or SCRIPT_HIDDEN when it is not
    // inside the grid.
    SVQ_X_OF_TICK = 0,
    // lParam a note 0-127: the y of the middle of its row, or SCRIPT_HIDDEN.
    SVQ_Y_OF_NOTE = 1,
    // lParam a value of the controller lane's range (0-127, pitch bend 0-16383): the y of the lane's
    // pixel row that draws the value nearest to it, or SCRIPT_HIDDEN outside the range or the lane.
    SVQ_Y_OF_LANE_VALUE = 2,
    // lParam a ScriptTimeRequest*: the view sets that time view (it clamps as it always does).
    // 1 when applied, 0 for a null pointer or a view without a grid.
    SVQ_SET_TIME_VIEW = 3,
    // lParam a ScriptRowsRequest*: the view sets that row height and top row (clamped as always).
    // 1 when applied, 0 for a null pointer, a view without a grid or an unreadable track.
    SVQ_SET_ROWS = 4,
    // lParam a ScriptViewState* the view fills; 1, or 0 for a null pointer.
    SVQ_STATE = 5,
    // lParam a POINT* the view sets to the middle of the controller lane's selector (the box whose
    // click opens the lane menu); 1, or 0 for a null pointer or a view that shows no lane.
    SVQ_LANE_SELECTOR = 6,
    // lParam a command id: the middle of the transport strip's button for it, x in the low and y in
    // the high 16 bits, or SCRIPT_HIDDEN when the strip shows no such button.
    SVQ_TRANSPORT_BUTTON = 7,
    // lParam a command id: the transport button's look, SCRIPT_BUTTON_ENABLED and SCRIPT_BUTTON_CHECKED
    // bits, or SCRIPT_HIDDEN when the strip has no such button.
    SVQ_TRANSPORT_BUTTON_STATE = 8,
    // lParam a ScriptStatusText* the view fills with the text its status field was last painted
    // with (empty when it shows none); 1, or 0 for a null pointer.
    SVQ_STATUS_TEXT = 9,
    // lParam 0: how many notes of other tracks the grid draws behind the shown track now.
    SVQ_GHOST_COUNT = 10,
    // lParam a ScriptBarPosition* whose tick the view sets the rest of: bar, beat and ticks into the
    // beat as the position display shows that tick. 1, or 0 for a null pointer or a text without them.
    SVQ_BAR_POSITION = 11,
    // lParam a tick: the key that scale snapping and row shading use there, the root (0-11 from C) in
    // the low and the scale index in the high 16 bits.
    SVQ_KEY_AT = 12,
};

struct ScriptBarPosition {
    std::int64_t tick; // asked
    std::int64_t bar;  // answered, as shown (from 1)
    std::int64_t beat;
    std::int64_t ticks;
};
static_assert(sizeof(ScriptBarPosition) == 32);

constexpr win::LRESULT SCRIPT_BUTTON_ENABLED = 1;
constexpr win::LRESULT SCRIPT_BUTTON_CHECKED = 2;

constexpr win::LRESULT SCRIPT_HIDDEN = INT_MIN;

struct ScriptTimeRequest {
    std::int64_t origin; // tick at the grid's left edge
    std::int64_t span;   // ticks over the zoom pixels
};
static_assert(sizeof(ScriptTimeRequest) == 16);

struct ScriptRowsRequest {
    std::int32_t rowHeightLevel; // a row is level + 5 pixels
    std::int32_t topNote;        // note of the top row, or -1 to keep the top row
};
static_assert(sizeof(ScriptRowsRequest) == 8);

struct ScriptStatusText {
    char text[64]; // UTF-8, terminated
};

// What the view shows. Ticks are absolute; pixels are the view's client pixels.
struct ScriptViewState {
    std::int64_t timeOrigin;
    std::int64_t timeSpan;
    std::int64_t documentLength;
    std::int64_t editCursor;
    std::int32_t zoomPixels;     // grid width less the right margin: the span's pixels
    std::int32_t gridHeight;
    std::int32_t rowHeightLevel; // 0 … maxRowHeightLevel
    std::int32_t maxRowHeightLevel;
    std::int32_t topRowPixels;   // height of the top row's band
    std::int32_t topNote;        // note of the top row (127 − top row)
    std::int32_t rowCount;
    std::int32_t tool;           // 0 draw, 1 selection, 2 zoom, 3 paint, 4 erase
    std::int32_t dragState;      // 0 when no gesture holds the mouse
    std::int32_t laneId;         // the controller lane shown (1128 velocity, 1129 pitch bend, 1000 + n), 0 for none
};
static_assert(sizeof(ScriptViewState) == 72);
static_assert(offsetof(ScriptViewState, zoomPixels) == 32);
static_assert(offsetof(ScriptViewState, dragState) == 64);

// Sent (never posted) to the editor window, the page's dialog [ui thread]. wParam is a command id.
// The answer says who acts on it, as the editor's menus, toolbar and transport bar send it.
constexpr win::UINT PRM_SCRIPT_COMMAND_TARGET = 0x0BF1;

enum ScriptCommandTarget : win::LRESULT {
    SCT_NONE = 0,  // no menu, toolbar or transport button of the editor carries the id
    SCT_FRAME = 1, // the toolbar, the transport bar or a drop-down of the frame: sent to the editor window
    SCT_VIEW = 2,  // only a context menu of the view carries it: sent to the view window
};

} // namespace mp
