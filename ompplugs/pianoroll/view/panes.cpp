// Pane classes (slot defaults, the empty class), making a view record, and invalidation by group.
#include "mp/private_messages.h"
#include "view/offscreen_cache.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

int DefaultInit(TrackView*, Pane*, int) { return 1; }
void DefaultLayout(TrackView*, Pane* pane, RECT* remaining) {
    pane->rect = {remaining->left, remaining->top, remaining->left, remaining->top};
    pane->width = 0;
    pane->height = 0;
}
int DefaultHitTest(TrackView*, Pane*, int, int) { return 0; }
LRESULT DefaultOnMouse(TrackView* view, Pane*, UINT msg, WPARAM wParam, LPARAM lParam) {
    return view->hwnd ? DefWindowProc(view->hwnd, msg, wParam, lParam) : 0;
}
void DefaultPaint(TrackView*, Pane*, HDC, const RECT*) {}
int DefaultGetCursor(TrackView*, Pane*, std::uint32_t) { return VOR_CURSOR_ARROW; }
int DefaultOnToolChange(TrackView*, Pane*, int) { return 0; }
LRESULT DefaultOnKey(TrackView*, Pane*, UINT, WPARAM, LPARAM) { return 0; }
void DefaultReserved(TrackView*, Pane*) {}

PaneClass gEmptyClass{};

void InvalidatePane(const TrackView* v, int number) {
    const Pane& pane = v->panes[number];
    if (pane.width <= 0 || pane.height <= 0) return;
    InvalidateRect(v->hwnd, &pane.rect, FALSE);
}

} // namespace

PaneClass* RegisterPaneClass(PaneClass* c) {
    if (!c) return EmptyPaneClass();
    if (!c->Init) c->Init = DefaultInit;
    if (!c->Layout) c->Layout = DefaultLayout;
    if (!c->HitTest) c->HitTest = DefaultHitTest;
    if (!c->OnMouse) c->OnMouse = DefaultOnMouse;
    if (!c->Paint) c->Paint = DefaultPaint;
    if (!c->GetCursor) c->GetCursor = DefaultGetCursor;
    if (!c->OnToolChange) c->OnToolChange = DefaultOnToolChange;
    if (!c->OnKey) c->OnKey = DefaultOnKey;
    if (!c->Reserved) c->Reserved = DefaultReserved;
    return c;
}

PaneClass* EmptyPaneClass() {
    if (!gEmptyClass.Layout) {
        gEmptyClass.Layout = DefaultLayout;
        gEmptyClass.OnMouse = DefaultOnMouse;
        gEmptyClass.Paint = DefaultPaint;
        RegisterPaneClass(&gEmptyClass);
    }
    return &gEmptyClass;
}

TrackView::TrackView() {
    for (int i = 0; i < kPaneCount; ++i) {
        panes[i].paneClass = EmptyPaneClass();
        panes[i].id = PaneIdOf(i);
    }
}

// The off-screen cache is complete here.
TrackView::~TrackView() = default;

void NotifyRefreshState(TrackView* v) {
    if (!v->hwnd) return;
    if (HWND parent = GetParent(v->hwnd)) PostMessage(parent, mp::PRM_REFRESH_STATE, 0, 0);
}

void SetPaneClass(TrackView* v, int number, PaneClass* paneClass) {
    if (number < 0 || number >= kPaneCount) return;
    v->panes[number].paneClass = paneClass ? paneClass : EmptyPaneClass();
}

void InstallPane(TrackView* v, int number, PaneClass* paneClass, std::uint32_t flags) {
    if (number < 0 || number >= kPaneCount) return;
    SetPaneClass(v, number, paneClass);
    v->panes[number].flags = flags;
}

void InvalidateView(TrackView* v, std::uint32_t groups) {
    if (!v->hwnd) return;
    if ((groups & INV_ALL) == INV_ALL) {
        InvalidateRect(v->hwnd, nullptr, FALSE);
        if (v->attached) InvalidateRect(v->attached, nullptr, FALSE);
    } else {
        if (!(groups & INV_NO_GRID)) {
            InvalidatePane(v, PANE_GRID);
            InvalidatePane(v, PANE_LANES);
        }
        if (groups & INV_LOOP_BAR) {
            InvalidatePane(v, PANE_LOOP_BAR);
            for (int i = PANE_LANE_STRIP_FIRST; i < kPaneCount; ++i) InvalidatePane(v, i);
        }
        if (groups & INV_SPARE_TIME_STRIP) InvalidatePane(v, PANE_SPARE_TIME_STRIP);
        if (groups & INV_RULER) {
            InvalidatePane(v, PANE_RULER);
            InvalidatePane(v, PANE_SPARE_RULER_STRIP);
        }
        if (groups & INV_TRANSPORT) InvalidatePane(v, PANE_TRANSPORT);
        if (groups & INV_SPARE_ROW_STRIP) InvalidatePane(v, PANE_SPARE_ROW_STRIP);
        if (groups & INV_KEYBOARD) {
            InvalidatePane(v, PANE_KEYBOARD);
            if (v->attached) InvalidateRect(v->attached, nullptr, FALSE);
        }
        if (groups & INV_VSCROLL) InvalidatePane(v, PANE_VSCROLL);
        if (groups & INV_HSCROLL) InvalidatePane(v, PANE_HSCROLL);
    }
    if (groups & INV_UPDATE_NOW) {
        UpdateWindow(v->hwnd);
        if (v->attached) UpdateWindow(v->attached);
    }
}

} // namespace pianoroll
