// Hot-tracking of a pane's button: the raised edge while the pointer is over it, and the watch that
// ends it when the pointer leaves the view.
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr UINT kHotWatchMs = 100;
// The border a hot button's edge is drawn in, in pixels.
constexpr int kHotBorder = 2;

} // namespace

void BeginHotTracking(TrackView* v, const HotButton& button) {
    if (v->hotActive && v->hot.hitCode == button.hitCode && EqualRect(&v->hot.rect, &button.rect)) return;
    if (v->hotActive) EndHotTracking(v);
    v->hot = button;
    v->hotActive = true;
    if (HDC dc = GetDC(v->hwnd)) {
        if (button.hasClip) IntersectClipRect(dc, button.clip.left, button.clip.top, button.clip.right, button.clip.bottom);
        RECT r = button.rect;
        if (button.Draw) button.Draw(v, dc, &r, 1);
        else DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);
        ReleaseDC(v->hwnd, dc);
    }
    SetTimer(v->hwnd, kHotTimer, kHotWatchMs, nullptr);
}

void EndHotTracking(TrackView* v) {
    if (!v->hotActive) return;
    v->hotActive = false;
    if (HDC dc = GetDC(v->hwnd)) {
        if (v->hot.hasClip) IntersectClipRect(dc, v->hot.clip.left, v->hot.clip.top, v->hot.clip.right, v->hot.clip.bottom);
        RECT r = v->hot.rect;
        if (v->hot.Draw) {
            v->hot.Draw(v, dc, &r, 0);
        } else {
            HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
            for (int i = 0; i < kHotBorder; ++i) {
                FrameRect(dc, &r, face);
                InflateRect(&r, -1, -1);
            }
        }
        ReleaseDC(v->hwnd, dc);
    }
    KillTimer(v->hwnd, kHotTimer);
}

} // namespace pianoroll
