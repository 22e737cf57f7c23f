// The view's one drag state: which pane's gesture holds the mouse and how far it has got.
#pragma once

#include "view/pane_numbers.h"

namespace pianoroll {

// A drag's value carries the number of the pane that owns it above its low byte, so a drag of one
// pane can never be taken for another's.
constexpr int kDragStepBits = 8;

enum class Drag : int {
    None = 0,

    // The note grid's tools (pane 0).
    Pressed = 1,          // a press that is not yet a drag
    RangeSelect = 2,      // Shift: the selection rectangle follows the pointer
    MoveNotes = 4,
    SizeStart = 6,
    SizeEnd = 7,
    PaintStroke = 10,
    EraseStroke = 11,
    TimeSelectArmed = 16, // a press on empty grid that becomes a time selection once it moves
    TimeSelect = 17,
    Inert = 19,           // a press that does nothing until its release
    MarqueeArmed = 24,
    Marquee = 25,
    ZoomBox = 26,
    DrawArmed = 29,       // the Draw tool's press on an empty cell
    DrawSize = 30,        // the drawn note follows the pointer

    // The keyboard column (pane 1).
    ColumnResize = PANE_KEYBOARD << kDragStepBits | 1,
    LaneResize = PANE_KEYBOARD << kDragStepBits | 2,
    KeyHeld = PANE_KEYBOARD << kDragStepBits | 3,

    // A held part of a scroll bar (panes 2 and 3).
    HorizontalBar = PANE_HSCROLL << kDragStepBits | 1,
    VerticalBar = PANE_VSCROLL << kDragStepBits | 1,

    // The loop bar (pane 4).
    LoopBody = PANE_LOOP_BAR << kDragStepBits | 1,
    LoopStart = PANE_LOOP_BAR << kDragStepBits | 2,
    LoopEnd = PANE_LOOP_BAR << kDragStepBits | 3,
    LoopSelect = PANE_LOOP_BAR << kDragStepBits | 4,

    // The time ruler (pane 6).
    RulerArmed = PANE_RULER << kDragStepBits | 1,
    RulerScroll = PANE_RULER << kDragStepBits | 2,

    // The controller-lane area (pane 8): its splitter, drawing and erasing values.
    LaneSplitter = PANE_LANES << kDragStepBits | 1,
    LaneDraw = PANE_LANES << kDragStepBits | 2,
    LaneErase = PANE_LANES << kDragStepBits | 3,

    // A transport button held down (pane 10).
    TransportButton = PANE_TRANSPORT << kDragStepBits | 1,
};

// The pane whose gesture the drag is.
constexpr int DragOwner(Drag drag) { return static_cast<int>(drag) >> kDragStepBits; }
// A gesture of the note grid's tool (the tools' keys and commands look at this).
constexpr bool IsGridDrag(Drag drag) { return drag != Drag::None && DragOwner(drag) == PANE_GRID; }

} // namespace pianoroll
