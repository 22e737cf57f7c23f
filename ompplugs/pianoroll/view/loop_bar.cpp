// The loop bar pane (4): the loop region's hit zones and tooltip, dragging the region or its edges with
// snapping, and a time selection from a press elsewhere.
#include <algorithm>
#include <cstdio>

#include "mp/track_access.h"
#include "view/snapping.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

// Heights: the slim bar of the piano-roll view, or the label font's plus this.
constexpr int kLoopBarExtraHeight = 10;
constexpr int kSlimLoopBarHeight = 12;

void LoopBarLayout(TrackView* v, Pane* pane, RECT* remaining) {
    const int wanted = (pane->flags & PANE_LOOP_BAR_SLIM) ? kSlimLoopBarHeight : StripFontHeight() + kLoopBarExtraHeight;
    const int height = std::min<int>(wanted, std::max<int>(remaining->bottom - remaining->top, 0));
    const int width = std::max<int>(remaining->right - remaining->left, 0);
    pane->rect = {remaining->left, remaining->top, remaining->left + width, remaining->top + height};
    pane->width = width;
    pane->height = height;
    remaining->top += height;
    (void)v;
}

int RegionTop(const Pane* pane) {
    const int top = pane->rect.top, bottom = pane->rect.bottom;
    return std::min((top + 2 + bottom - 2) / 2, bottom - 12);
}

void RefreshLoopX(TrackView* v) {
    if (!v->time.loopShown || v->geo.timeSpan <= 0) {
        v->loopBar.startX = v->loopBar.endX = -1;
        return;
    }
    v->loopBar.startX = XOfTick(v, v->time.loopStart);
    v->loopBar.endX = XOfTick(v, v->time.loopEnd);
}

int LoopBarHitTest(TrackView* v, Pane* pane, int x, int y) {
    if (y < pane->rect.top + 2 || y >= pane->rect.bottom - 2) return 0;
    if (!(pane->flags & LOOP_BAR_SHOWS_REGION) || !v->time.loopShown || y < RegionTop(pane)) return 0;
    RefreshLoopX(v);
    if (x < v->loopBar.startX - 2 || x > v->loopBar.endX + 2) return 0;
    const int e = std::clamp((v->loopBar.endX - v->loopBar.startX) / 3, 1, 8);
    int part;
    if (x <= v->loopBar.startX + e) part = LB_START_EDGE;
    else if (x < v->loopBar.endX - e) part = LB_BODY;
    else part = LB_END_EDGE;
    char from[kPositionTextCapacity], to[kPositionTextCapacity], tip[3 * kPositionTextCapacity];
    StripPositionText(v, v->time.loopStart, from);
    StripPositionText(v, v->time.loopEnd, to);
    std::snprintf(tip, sizeof tip, "Loop Region: %s to %s", from, to);
    SetTipText(v, tip);
    return part;
}

int LoopBarCursor(TrackView*, Pane* pane, std::uint32_t hitCode) {
    const int part = PartOfHit(hitCode);
    if (part == LB_START_EDGE || part == LB_END_EDGE || part == LB_SELECTION_START || part == LB_SELECTION_END) return VOR_CURSOR_SIZE_TIME;
    if ((pane->flags & LOOP_BAR_SHOWS_REGION) && part != LB_BODY) return VOR_CURSOR_MOVE_TIME;
    return VOR_CURSOR_ARROW;
}

void LoopBarPaint(TrackView* v, Pane* pane, HDC dc, const RECT* clip) {
    const RECT& r = pane->rect;
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    FillSolid(dc, clip->left, r.top, clip->right, r.bottom, face);
    FillSolid(dc, clip->left, r.bottom - 1, clip->right, r.bottom, shadow);
    if (v->drag == Drag::LoopBody || v->drag == Drag::LoopStart || v->drag == Drag::LoopEnd) {
        v->loopBar.startX = XOfTick(v, v->loopBar.dragStart);
        v->loopBar.endX = XOfTick(v, v->loopBar.dragStart + v->loopBar.dragLength);
    } else {
        RefreshLoopX(v);
    }
    if (v->loopBar.startX < 0 && v->loopBar.endX < 0) return;
    const COLORREF loop = VorUI_GetColor(VOR_COLOR_LOOP);
    const int left = std::max<int>({v->loopBar.startX, clip->left, v->geo.grid.left});
    const int right = std::min<int>({v->loopBar.endX + 1, clip->right, v->geo.grid.right});
    const int top = RegionTop(pane);
    // The band is stronger while playback loops over it.
    const bool looping = v->access && v->access->IsLooping();
    FillSolid(dc, left, top, right, r.bottom - 2, Blend(face, loop, looping ? 128 : 48));
    for (int x : {v->loopBar.startX, v->loopBar.endX})
        if (x >= std::max<int>(clip->left, v->geo.grid.left) && x < std::min<int>(clip->right, v->geo.grid.right))
            FillSolid(dc, x, r.top + 1, x + 1, r.bottom - 1, loop);
}

std::int64_t SnapLoopTime(TrackView* v, std::int64_t t) {
    if (!SnappingActive(v->settings)) return t;
    return NearestSnap(SnapContextOf(*v), t, SNAP_GRID);
}

bool LoopDrag(Drag state) { return state == Drag::LoopBody || state == Drag::LoopStart || state == Drag::LoopEnd; }

std::int64_t BarTime(TrackView* v, int x) {
    const std::int64_t t = TickOfX(v, std::clamp<int>(x, v->geo.grid.left, v->geo.grid.right));
    return std::clamp<std::int64_t>(SnapLoopTime(v, t), 0, std::max<std::int64_t>(v->geo.documentLength, 0));
}

LRESULT LoopBarMouse(TrackView* v, Pane* pane, UINT msg, WPARAM, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int part = PartOfHit(v->hitCode);
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (v->drag != Drag::None) return 0;
        SetCapture(v->hwnd);
        v->loopBar.dragAnchor = TickOfX(v, x);
        if (part == LB_BODY || part == LB_START_EDGE || part == LB_END_EDGE) {
            SetDrag(v, part == LB_BODY ? Drag::LoopBody : part == LB_START_EDGE ? Drag::LoopStart : Drag::LoopEnd);
            v->loopBar.dragStart = v->time.loopStart;
            v->loopBar.dragLength = v->time.loopEnd - v->time.loopStart;
            return 0;
        }
        // Elsewhere the bar selects time from the press.
        SetDrag(v, Drag::LoopSelect);
        v->loopBar.dragAnchor = BarTime(v, x);
        BeginTimeSelection(v, v->loopBar.dragAnchor);
        return 0;
    case WM_MOUSEMOVE:
    case PANE_AUTOSCROLLED: {
        if (v->drag == Drag::LoopSelect) {
            if (msg == WM_MOUSEMOVE) AutoScrollForPoint(v, x, static_cast<short>(HIWORD(lParam)), v->geo.grid, 0, AS_HORIZONTAL);
            ExtendTimeSelection(v, v->loopBar.dragAnchor, BarTime(v, x));
            return 0;
        }
        if (!LoopDrag(v->drag)) return 0;
        const std::int64_t t = TickOfX(v, std::clamp<int>(x, v->geo.grid.left, v->geo.grid.right));
        const std::int64_t end = std::max<std::int64_t>(v->geo.documentLength, 0);
        const std::int64_t length = v->time.loopEnd - v->time.loopStart;
        if (v->drag == Drag::LoopBody) {
            std::int64_t start = SnapLoopTime(v, v->time.loopStart + t - v->loopBar.dragAnchor);
            start = std::clamp<std::int64_t>(start, 0, std::max<std::int64_t>(end - length, 0));
            v->loopBar.dragStart = start;
            v->loopBar.dragLength = length;
        } else if (v->drag == Drag::LoopStart) {
            const std::int64_t start = std::clamp<std::int64_t>(SnapLoopTime(v, t), 0, v->time.loopEnd);
            v->loopBar.dragStart = start;
            v->loopBar.dragLength = v->time.loopEnd - start;
        } else {
            const std::int64_t stop = std::clamp<std::int64_t>(SnapLoopTime(v, t), v->time.loopStart, std::max(end, v->time.loopStart));
            v->loopBar.dragStart = v->time.loopStart;
            v->loopBar.dragLength = stop - v->time.loopStart;
        }
        InvalidateView(v, INV_LOOP_BAR | INV_NO_GRID);
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
        const Drag state = v->drag;
        if (!LoopDrag(state) && state != Drag::LoopSelect) return 0;
        SetDrag(v, Drag::None);
        EndAutoScroll(v);
        if (msg == WM_LBUTTONUP && GetCapture() == v->hwnd) ReleaseCapture();
        if (state == Drag::LoopSelect) {
            FinishTimeSelection(v, v->loopBar.dragAnchor);
        } else if (msg == WM_LBUTTONUP) {
            SetLoopRange(v, v->loopBar.dragStart, v->loopBar.dragLength);
        }
        InvalidateView(v, INV_LOOP_BAR);
        return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
        return LoopMenuButton(v, pane, msg, lParam, part == LB_BODY || part == LB_START_EDGE || part == LB_END_EDGE);
    default: return 0;
    }
}

PaneClass gLoopBarClass{
    .Layout = LoopBarLayout,
    .HitTest = LoopBarHitTest,
    .OnMouse = LoopBarMouse,
    .Paint = LoopBarPaint,
    .GetCursor = LoopBarCursor,
};

} // namespace

PaneClass* LoopBarPaneClass() {
    static PaneClass* registered = RegisterPaneClass(&gLoopBarClass);
    return registered;
}

} // namespace pianoroll
