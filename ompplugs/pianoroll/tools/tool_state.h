// The tools' state in a view: the tool in force, what every gesture records, and one drag record per
// kind of drag, each written by the file that owns it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/note.h"
#include "tools/tools.h"
#include "win/win.h"

namespace pianoroll {

// The row and note under the point of the last hit test (hit_test.cpp).
struct NoteHit {
    NoteKey note{};
    bool hasNote = false;
    int row = -1;
};

// What a press records and the whole gesture reads (gesture.cpp).
struct Gesture {
    const ToolClass* owner = nullptr; // the tool whose press began the gesture
    win::POINT press{};
    std::int64_t pressTime = 0;
    int pressRow = -1;
    int pressUnit = 0;
    int pressHit = 0;
    NoteKey pressNote{};
    bool pressHasNote = false;
    bool pressRight = false;
    win::POINT last{}; // the last point a drag handled
    // Click kind: a double-click message, and a plain press soon after one nearby (a triple click).
    bool doubleClickMessage = false;
    bool tripleClick = false;
    std::uint64_t doubleClickTime = 0;
    bool doubleClickStored = false;
    win::POINT doubleClickPoint{};
    bool cursorRefresh = false;
    // The range anchor of clicks and range selections; it outlives the gesture.
    std::int64_t anchorTime = 0;
    int anchorRow = 0;
    // The pitch sounding for the gesture (monitoring.cpp), -1 for none.
    int soundingPitch = -1;
};

enum : int { AXIS_FREE = 0, AXIS_TIME = 1, AXIS_PITCH = 2 };

// A move or copy-move of the selected notes (move_size.cpp).
struct MoveDrag {
    std::int64_t applied = 0;    // time offset already applied
    std::int64_t noteOffset = 0; // press time - pressed note's start
    std::int64_t offsetLow = 0, offsetHigh = 0;
    int rowLow = 0, rowHigh = 0;
    int pressedNoteRow = 0;
    std::int64_t pressedNoteStart = 0;
    int pressedItem = -1; // index of the pressed note among the moved events
    int axis = AXIS_FREE; // the Alt constraint
    bool copy = false;
    EventRef pressed;      // the pressed note, or its copy
    std::size_t count = 0; // how many events move
    // The moved notes are every change the edit holds, in queue order, and `moved` stays empty: a move
    // set up on an empty edit, whose steps then rewrite the queue without a list of their own.
    bool wholeEdit = false;
    // Otherwise the moved events: the selected notes, or (copy-move) the copies of the selected events.
    std::vector<EventRef> moved;

    // Forgets the moved events; their list keeps its room for the next move.
    void Forget() noexcept {
        moved.clear();
        count = 0;
        wholeEdit = false;
        pressedItem = -1;
    }
};

// Sizing one note by an edge (move_size.cpp).
struct SizeDrag {
    EventRef note;
    std::int64_t start = 0, duration = 0; // the note before the drag
    std::int64_t offsetLow = 0, offsetHigh = 0;
};

// Band modes of the marquee and the zoom box.
enum : int { BAND_FREE = 0, BAND_TIME = 1, BAND_ROWS = 2 };

// The rubber band of the Selection and Zoom tools (band.cpp). The mode outlives the drags.
struct BandState {
    int mode = BAND_FREE;
    bool active = false;
    bool drawn = false;
    win::RECT rect{};
    std::int64_t anchorTime = 0;
    int anchorUnit = 0;
    win::POINT anchorPoint{};
    int marqueeAnchorRow = 0;
    std::vector<NoteKey> rememberedSelection; // selected when the marquee began
};

// The note the Draw tool creates and sizes (draw_tool.cpp).
struct DrawDrag {
    EventRef drawn; // not Inserted() before the note is made
    std::int64_t start = 0, duration = 0, shift = 0;
};

// A Paint or Erase stroke (stroke_tools.cpp).
struct StrokeDrag {
    int row = -1;
    std::int64_t lastPointerTime = 0;
    std::int64_t firstPaintedStart = 0;
    std::int64_t runEnd = 0;
    bool stepped = false;
};

// Per-view tool state.
struct ToolState {
    int current = TOOL_DRAW;
    int remembered = -1; // the tool a temporary switch returns to
    NoteHit hit;
    Gesture gesture;
    MoveDrag move;
    SizeDrag size;
    BandState band;
    DrawDrag draw;
    StrokeDrag stroke;
};

} // namespace pianoroll
