// The note grid's class before the tools exist: the slots every tool shares (Init, Layout, HitTest,
// Paint, OnKey) with no mouse editing; and the installation of the piano-roll view's panes.
#include <algorithm>

#include "mp/settings.h"
#include "tools/tools.h"
#include "view/navigation.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

// The keyboard column's default width fits the longest position text the corner shows.
int DefaultColumnWidth(TrackView* v) {
    HDC dc = v->hwnd ? GetDC(v->hwnd) : nullptr;
    if (!dc) return 100;
    HGDIOBJ old = SelectObject(dc, VorUI_GetFont(VOR_FONT_POSITION));
    SIZE extent{};
    const bool measured = GetTextExtentPoint32(dc, "999.99.999qq", 12, &extent) && extent.cx > 0;
    SelectObject(dc, old);
    ReleaseDC(v->hwnd, dc);
    return measured ? extent.cx : 100;
}

int GridInit(TrackView* v, Pane*, int flag) {
    if (flag == 0 && v->settings && v->settings->keyboardWidth == -1) {
        v->settings->keyboardWidth = DefaultColumnWidth(v);
        v->panes[PANE_KEYBOARD].data[0] = v->settings->keyboardWidth;
    }
    return 1;
}

void GridLayout(TrackView*, Pane* pane, RECT* remaining) {
    pane->rect = *remaining;
    pane->width = std::max<int>(remaining->right - remaining->left, 0);
    pane->height = std::max<int>(remaining->bottom - remaining->top, 0);
}

int GridHitTest(TrackView* v, Pane*, int, int y) {
    const int row = RowAtY(v, y);
    if (row >= 0) v->hoverRow = row;
    return 0;
}

LRESULT GridOnMouse(TrackView* v, Pane*, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CONTEXTMENU || msg == WM_MOUSEWHEEL || msg == WM_MOUSEHWHEEL)
        return DefWindowProc(v->hwnd, msg, wParam, lParam);
    return 0;
}

LRESULT GridOnKey(TrackView* v, Pane*, UINT msg, WPARAM, LPARAM lParam) { return AnswerGridCaret(v, msg, lParam) ? 1 : 0; }

PaneClass gGridClass{
    .Init = GridInit,
    .Layout = GridLayout,
    .HitTest = GridHitTest,
    .OnMouse = GridOnMouse,
    .Paint = PaintGrid,
    .GetCursor = nullptr,
    .OnToolChange = nullptr,
    .OnKey = GridOnKey,
    .Reserved = nullptr,
};

} // namespace

bool AnswerGridCaret(const TrackView* v, UINT msg, LPARAM lParam) {
    if (msg == PANE_FOCUS_CARET_SIZE) {
        auto* size = reinterpret_cast<SIZE*>(lParam);
        *size = {1, std::max<int>(v->grid.bottom - v->grid.top, 1)};
        return true;
    }
    if (msg == PANE_FOCUS_CARET_POS) {
        auto* pos = reinterpret_cast<POINT*>(lParam);
        *pos = {XOfTick(v, v->editCursor), v->grid.top};
        return true;
    }
    return false;
}

PaneClass* GridToolClass() {
    static PaneClass* registered = RegisterPaneClass(&gGridClass);
    return registered;
}

void InstallPianoRollPanes(TrackView* v) {
    v->panes[PANE_GRID].paneClass = ToolClassOf(TOOL_DRAW);
    v->panes[PANE_GRID].flags = PANE_LOOP_LINES;
    v->panes[PANE_KEYBOARD].paneClass = KeyboardPaneClass();
    v->panes[PANE_LOOP_BAR].flags = PANE_LOOP_BAR_SLIM;
    v->panes[PANE_RULER].flags = PANE_LOOP_LINES;
    v->panes[PANE_LANES].flags = PANE_LOOP_LINES;
    v->rightMargin = 24;
    InstallNavigationPanes(v);
}

} // namespace pianoroll
