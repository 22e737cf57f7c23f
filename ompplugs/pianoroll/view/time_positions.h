// The view's time positions: the edit cursor, the time selection and its history, and the loop region
// with the commands of the loop bar.
#pragma once

#include <cstdint>

namespace pianoroll {

struct TrackView;

constexpr int kSelectionHistorySize = 5;

// Written by time_positions.cpp.
struct TimePositions {
    std::int64_t editCursor = 0;
    std::int64_t selectionStart = 0; // time selection; length 0 = none
    std::int64_t selectionLength = 0;
    // The track's loop region, and whether the host has one (shown whether looping or not).
    std::int64_t loopStart = 0;
    std::int64_t loopEnd = 0;
    bool loopShown = false;
    // The loop region saved by the loop bar's commands.
    std::int64_t previousLoopStart = 0;
    std::int64_t previousLoopLength = 0;
    bool previousLoopSaved = false;
    // A ring of the last time selections.
    std::int64_t historyStart[kSelectionHistorySize] = {};
    std::int64_t historyLength[kSelectionHistorySize] = {};
    int historyCount = 0;
    int historyNext = 0;
    int historyIndex = 0;
    bool gestureRecorded = false;
};

enum : unsigned {
    MEC_PROGRAM = 0x1,
    MEC_KEEP_FOLLOWING = 0x2,
    MEC_SNAP = 0x8,
    MEC_EXTEND = 0x10,
    MEC_OPTION = 0x20,
    MEC_NO_HISTORY = 0x40,
    MEC_GESTURE_STEP = 0x80,
    MEC_MOVE_LOOP = 0x100,
};
// The loop region as the host reports it: repaints the ruler and loop bar and tells the owner;
// unchanged values do nothing.
void SetLoopRegion(TrackView* v, std::int64_t start, std::int64_t end, bool on);
// The track's loop region from a start and a length; tells the owner and the host; unchanged values
// do nothing.
void SetLoopRange(TrackView* v, std::int64_t start, std::int64_t length);
// The time selection, or with `loop` the loop region when the edit cursor stands on one of its ends
// (inside it too with `inside`); an empty range at the edit cursor otherwise.
void QueryRange(const TrackView* v, bool loop, bool inside, std::int64_t* start, std::int64_t* length);
void AddSelectionHistory(TrackView* v, std::int64_t start, std::int64_t length);
// Applies the previous history entry; false when the history is empty.
bool StepBackSelectionHistory(TrackView* v);
void MoveEditCursor(TrackView* v, std::int64_t t, std::int64_t length, unsigned flags);
// A time-selection drag from `anchor` (the loop bar's and the grid's): it starts with the edit cursor
// at the anchor, the selection follows the pointer's time, and the finished selection becomes the
// loop region.
void BeginTimeSelection(TrackView* v, std::int64_t anchor);
void ExtendTimeSelection(TrackView* v, std::int64_t anchor, std::int64_t t);
void FinishTimeSelection(TrackView* v, std::int64_t anchor);
// What Zoom Selection zooms to: the time selection while one is being made, else the loop region,
// which a finished selection becomes. False when there is neither.
bool ZoomSelectionRange(const TrackView* v, std::int64_t* start, std::int64_t* length);
// Commands of the loop bar and the zooms to a range: CMD_LOOP_PLAYBACK, CMD_SELECTION_TO_VIEW,
// CMD_SELECTION_TO_PROJECT, CMD_ZOOM_TO_SELECTION, CMD_ZOOM_TO_LOOP. False for others.
bool LoopBarCommand(TrackView* v, int command);

} // namespace pianoroll
