// Choosing a tool: the five tool records, the tool in force and the temporary Zoom, the tool commands,
// and the slots every tool shares (Init, Layout) with the defaults of empty slots.
#include <algorithm>

#include "mp/private_messages.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/snapping.h"
#include "tools/tool_framework.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// The order D and Shift+D step through.
constexpr int kRing[kToolCount] = {TOOL_DRAW, TOOL_SELECTION, TOOL_PAINT, TOOL_ERASE, TOOL_ZOOM};

// OnToolChange codes.
constexpr int kLosingTool = 1;
constexpr int kGainingTool = 2;

void NoDragMove(TrackView*, int, int) {}
void NoDragEnd(TrackView*, int, int) {}
void SilenceOnCancel(TrackView* v, Drag) { SilenceNote(v); }

void RefreshCursorNow(TrackView* v) {
    RequestCursorRefresh(v);
    if (!v->hwnd) return;
    POINT pt{};
    if (!GetCursorPos(&pt)) return;
    ScreenToClient(v->hwnd, &pt);
    HitTestView(v, pt.x, pt.y, true);
    Pane& pane = v->panes[PaneOfHit(v->hitCode)];
    SetCursor(VorUI_LoadCursor(pane.paneClass->GetCursor(v, &pane, v->hitCode)));
}

} // namespace

ToolClass* RegisterTool(ToolClass* tool) {
    PaneClass& pane = tool->pane;
    if (!pane.Init) pane.Init = ToolInit;
    if (!pane.Layout) pane.Layout = ToolLayout;
    if (!pane.HitTest) pane.HitTest = PreciseHitTest;
    if (!pane.Paint) pane.Paint = PaintGrid;
    if (!pane.OnKey) pane.OnKey = ToolOnKey;
    RegisterPaneClass(&pane);
    if (!tool->OnDragMove) tool->OnDragMove = NoDragMove;
    if (!tool->OnDragEnd) tool->OnDragEnd = NoDragEnd;
    if (!tool->OnCancel) tool->OnCancel = SilenceOnCancel;
    return tool;
}

ToolClass* ToolClassOf(int index) {
    static ToolClass* const tools[kToolCount] = {DrawTool(), SelectionTool(), ZoomTool(), PaintTool(),
                                                       EraseTool()};
    if (index < 0 || index >= kToolCount) return nullptr;
    return tools[index];
}

ToolState* ToolsOf(TrackView* v) {
    if (!v->tools) v->tools = std::make_unique<ToolState>();
    return v->tools.get();
}

int CurrentTool(TrackView* v) { return ToolsOf(v)->current; }

int SelectTool(TrackView* v, int index) {
    ToolClass* next = ToolClassOf(index);
    if (!next) return 0;
    ToolState* s = ToolsOf(v);
    Pane& grid = v->panes[PANE_GRID];
    PaneClass* nextClass = &next->pane;
    if (index != s->current || grid.paneClass != nextClass) {
        if (grid.paneClass) grid.paneClass->OnToolChange(v, &grid, kLosingTool);
        s->current = index;
        SetPaneClass(v, PANE_GRID, nextClass);
        nextClass->OnToolChange(v, &grid, kGainingTool);
        if (v->settings) v->settings->savedViewWord = index;
    }
    if (!v->hwnd || GetCapture() != v->hwnd) RefreshCursorNow(v);
    s->remembered = -1;
    return 1;
}

void StepTool(TrackView* v, bool forward) {
    ToolState* s = ToolsOf(v);
    int at = 0;
    for (int i = 0; i < kToolCount; ++i)
        if (kRing[i] == s->current) at = i;
    for (int n = 1; n <= kToolCount; ++n) {
        const int i = ((at + (forward ? n : -n)) % kToolCount + kToolCount) % kToolCount;
        if (SelectTool(v, kRing[i])) return;
    }
}

void BeginTemporaryZoom(TrackView* v) {
    ToolState* s = ToolsOf(v);
    const int was = s->current;
    if (was == TOOL_ZOOM) return;
    SelectTool(v, TOOL_ZOOM);
    s->remembered = was;
}

void ReturnFromTemporaryZoom(TrackView* v) {
    const ToolState* s = ToolsOf(v);
    if (s->remembered < 0) return;
    SelectTool(v, s->remembered);
    NotifyRefreshState(v);
}

int HandleToolCommand(TrackView* v, int command) {
    if (command < CMD_TOOL_FIRST || command > CMD_TOOL_LAST) return 0;
    if (IsGridDrag(v->drag)) return 1;
    SelectTool(v, command - CMD_TOOL_FIRST);
    NotifyRefreshState(v);
    return 1;
}

int ToolInit(TrackView* v, Pane*, int flag) {
    if (flag == PANE_INIT_DESTROYED) {
        v->tools.reset();
        return 1;
    }
    ToolState* s = ToolsOf(v);
    EnsureColumnWidth(v);
    const int saved = v->settings ? v->settings->savedViewWord : TOOL_DRAW;
    s->current = -1;
    if (!SelectTool(v, saved >= 0 && saved < kToolCount ? saved : TOOL_DRAW)) SelectTool(v, TOOL_DRAW);
    return 1;
}

void ToolLayout(TrackView*, Pane* pane, RECT* remaining) {
    pane->rect = *remaining;
    pane->width = std::max<int>(remaining->right - remaining->left, 0);
    pane->height = std::max<int>(remaining->bottom - remaining->top, 0);
}

} // namespace pianoroll
