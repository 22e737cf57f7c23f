// The five tool records: the shared slots and each tool's mouse handler, cursor and hit test.
#include "tools/tools.h"

namespace pianoroll {

namespace {

int NoToolChange(TrackView*, Pane*, int) { return 0; }

PaneClass gTools[kToolCount] = {
    {ToolInit, ToolLayout, PreciseHitTest, DrawOnMouse, ToolPaint, DrawGetCursor, NoToolChange, ToolOnKey, ToolReserved},
    {ToolInit, ToolLayout, PreciseHitTest, SelectionOnMouse, ToolPaint, SelectionGetCursor, NoToolChange, ToolOnKey,
     ToolReserved},
    {ToolInit, ToolLayout, PreciseHitTest, ZoomOnMouse, ToolPaint, ZoomGetCursor, NoToolChange, ToolOnKey, ToolReserved},
    {ToolInit, ToolLayout, CoarseHitTest, PaintOnMouse, ToolPaint, PaintGetCursor, NoToolChange, ToolOnKey, nullptr},
    {ToolInit, ToolLayout, CoarseHitTest, EraseOnMouse, ToolPaint, EraseGetCursor, NoToolChange, ToolOnKey, nullptr},
};

} // namespace

PaneClass* ToolClassOf(int index) {
    static const bool registered = [] {
        for (PaneClass& tool : gTools) RegisterPaneClass(&tool);
        return true;
    }();
    (void)registered;
    if (index < 0 || index >= kToolCount) return nullptr;
    return &gTools[index];
}

} // namespace pianoroll
