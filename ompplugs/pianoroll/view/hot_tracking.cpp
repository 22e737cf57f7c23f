// Hot-tracking of a pane's button: the raised edge while the pointer is over it, and the watch that
// ends it when the pointer leaves the view.
#include "view/hot_tracking.h"

#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr UINT kHotWatchMs = 100;
// The border a hot button's edge is drawn in, in pixels.
constexpr int kHotBorder = 2;

// Draws the button in the view window, clipped as the button asks.
void DrawButton(TrackView* v, const HotButton& button, int state) {
    HDC dc = GetDC(v->hwnd);
    if (!dc) return;
    if (button.hasClip) IntersectClipRect(dc, button.clip.left, button.clip.top, button.clip.right, button.clip.bottom);
    RECT r = button.rect;
    button.Draw(v, dc, &r, state);
    ReleaseDC(v->hwnd, dc);
}

} // namespace

void DrawRaisedHotButton(TrackView*, HDC dc, const RECT* rect, int state) {
    RECT r = *rect;
    if (state) {
        DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
        return;
    }
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    for (int i = 0; i < kHotBorder; ++i) {
        FrameRect(dc, &r, face);
        InflateRect(&r, -1, -1);
    }
}

void BeginHotTracking(TrackView* v, const HotButton& button) {
    HotTracking& hot = v->hot;
    if (hot.active && hot.button.hitCode == button.hitCode && EqualRect(&hot.button.rect, &button.rect)) return;
    if (hot.active) EndHotTracking(v);
    hot.button = button;
    hot.active = true;
    DrawButton(v, button, 1);
    SetTimer(v->hwnd, kHotTimer, kHotWatchMs, nullptr);
}

void EndHotTracking(TrackView* v) {
    HotTracking& hot = v->hot;
    if (!hot.active) return;
    hot.active = false;
    DrawButton(v, hot.button, 0);
    KillTimer(v->hwnd, kHotTimer);
}

} // namespace pianoroll
