// Drag auto-scroll: while a drag's pointer is past a pane's edges the view scrolls toward it on timer 3,
// faster the farther out it is; and the middle button's wheel auto-scroll around its press point.
#include "view/auto_scroll.h"

#include <algorithm>

#include "mp/settings.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr UINT kAutoScrollMs = 100;
// The speed when the settings' autoScrollSpeed has none.
constexpr int kDefaultSpeed = 5;
// The edge itself scrolls as if the pointer were this far out.
constexpr int kEdgeHeadStartPixels = 8;
// Pixels per millisecond and speed step: 1 / kSpeedDivisor.
constexpr int kSpeedDivisor = 240 * 3;
// A late timer scrolls no more than this many milliseconds' worth.
constexpr std::uint32_t kLongestStepMs = 1000;
// Row mode moves a row every (kSlowestRowUnits - min(distance / 2, kFastestRowGain)) units of
// 1/kRowUnitsPerSecond seconds.
constexpr int kSlowestRowUnits = 100;
constexpr int kFastestRowGain = 75;
constexpr int kRowUnitsPerSecond = 240;
// The wheel auto-scroll scrolls nothing while the pointer is this close to the press.
constexpr int kWheelDeadZone = 8;
// Vertical units the wheel auto-scroll moves per pixel past the dead zone: a row per this many pixels.
constexpr int kWheelPixelsPerRow = 8;

std::int64_t Length(const TrackView* v) { return std::max<std::int64_t>(v->geo.documentLength, 0); }

// Which way the pointer asks to scroll along one axis: −1, 0 (inside) or 1.
int Direction(int at, int low, int high, bool reverse) {
    const int d = at < low ? -1 : at >= high ? 1 : 0;
    return reverse ? -d : d;
}

// How far the pointer lies outside [low, high).
int Distance(int at, int low, int high) { return at < low ? low - at : at >= high ? at - high + 1 : 0; }

int Speed(const TrackView* v) { return v->settings && v->settings->autoScrollSpeed > 0 ? v->settings->autoScrollSpeed : kDefaultSpeed; }

// Pixels to scroll for a pointer `distance` pixels past the edge after `elapsed` ms. A maximised
// window leaves the pointer little room beyond the grid, so even the edge itself scrolls at a useful
// pace (about 150 pixels a second at the default speed of 5), and farther out goes faster.
std::int64_t AutoScrollPixels(const TrackView* v, std::int64_t distance, std::uint32_t elapsed) {
    return std::max<std::int64_t>((distance + kEdgeHeadStartPixels) * Speed(v) * elapsed / kSpeedDivisor, 1);
}

} // namespace

void EndAutoScroll(TrackView* v) {
    if (!v->autoScroll.mode) return;
    v->autoScroll.mode = 0;
    if (v->hwnd) KillTimer(v->hwnd, kIdleTimer);
}

void AutoScrollForPoint(TrackView* v, int x, int y, const RECT& inner, int margin, std::uint32_t mode) {
    RECT area{inner.left - margin, inner.top - margin, inner.right + margin, inner.bottom + margin};
    const bool reverse = (mode & AS_REVERSE) != 0;
    const int dx = (mode & AS_HORIZONTAL) ? Direction(x, area.left, area.right, reverse) : 0;
    const int dy = (mode & AS_VERTICAL) ? Direction(y, area.top, area.bottom, reverse) : 0;
    bool stop = dx == 0 && dy == 0;
    // Time alone has nowhere to go at either end of the document.
    if (!stop && dy == 0 && !(mode & AS_VERTICAL)) {
        if (dx < 0 && v->geo.timeOrigin <= 0) stop = true;
        if (dx > 0 && v->geo.timeOrigin + v->geo.timeSpan >= v->geo.documentLength && !(mode & AS_BEYOND_END)) stop = true;
    }
    if (stop) {
        EndAutoScroll(v);
        return;
    }
    v->autoScroll.rect = area;
    if (!v->autoScroll.mode) {
        v->autoScroll.last = v->autoScroll.rowLast = GetTickCount();
        v->autoScroll.carry = 0;
        if (v->hwnd) SetTimer(v->hwnd, kIdleTimer, kAutoScrollMs, nullptr);
    }
    v->autoScroll.mode = mode | AS_RUNNING;
}

void AutoScrollStep(TrackView* v) {
    if (!v->autoScroll.mode || !v->hwnd) return;
    POINT pt{};
    GetCursorPos(&pt);
    ScreenToClient(v->hwnd, &pt);
    const RECT& area = v->autoScroll.rect;
    const std::uint32_t mode = v->autoScroll.mode;
    const std::uint32_t now = GetTickCount();
    const std::uint32_t elapsed = std::min<std::uint32_t>(now - v->autoScroll.last, kLongestStepMs);
    v->autoScroll.last = now;
    if (mode & AS_WHEEL) {
        // Around the press point: rows by the vertical distance, time by the horizontal one.
        if (pt.y < area.top || pt.y >= area.bottom) {
            const int dy = pt.y < area.top ? pt.y - area.top : pt.y - area.bottom + 1;
            ScrollVertically(v, dy * kUnitsPerRow / kWheelPixelsPerRow);
            InvalidateView(v, INV_ALL);
        }
        if (pt.x >= area.left && pt.x < area.right) return;
    }
    const bool reverse = (mode & AS_REVERSE) != 0;
    const int dx = (mode & AS_HORIZONTAL) ? Direction(pt.x, area.left, area.right, reverse) : 0;
    const int dy = (mode & AS_VERTICAL) && !(mode & AS_WHEEL) ? Direction(pt.y, area.top, area.bottom, reverse) : 0;
    if (dx == 0 && dy == 0) {
        EndAutoScroll(v);
        return;
    }
    bool scrolled = false;
    if (dx != 0) {
        const std::int64_t pixels = AutoScrollPixels(v, Distance(pt.x, area.left, area.right), elapsed);
        const std::int64_t ticks = std::max<std::int64_t>(TicksOfWidth(v, static_cast<int>(std::min<std::int64_t>(pixels, kPixelClamp))), 1);
        std::int64_t origin = v->geo.timeOrigin + dx * ticks;
        if (!(mode & AS_BEYOND_END)) origin = std::min(origin, std::max<std::int64_t>(Length(v) - v->geo.timeSpan, 0));
        origin = std::max<std::int64_t>(origin, 0);
        if (origin != v->geo.timeOrigin) {
            SetTimeView(v, origin, v->geo.timeSpan, TV_PROGRAM);
            scrolled = true;
        }
    }
    if (dy != 0) {
        const int distance = Distance(pt.y, area.top, area.bottom);
        const int before = v->geo.verticalTop;
        if (mode & AS_ROWS) {
            // One row at a time, more often the farther out the pointer is.
            const std::uint32_t interval = static_cast<std::uint32_t>((kSlowestRowUnits - std::min(distance / 2, kFastestRowGain)) * 1000 / kRowUnitsPerSecond);
            if (now - v->autoScroll.rowLast >= interval) {
                v->autoScroll.rowLast = now;
                ScrollVertically(v, dy * kUnitsPerRow);
            }
        } else {
            // Rows scroll whole, so the units gather until they make one.
            const int pixels = static_cast<int>(std::min<std::int64_t>(AutoScrollPixels(v, distance, elapsed), kPixelClamp));
            v->autoScroll.carry += std::max(UnitsOfHeight(v, pixels), 1);
            const int rows = v->autoScroll.carry / kUnitsPerRow;
            v->autoScroll.carry -= rows * kUnitsPerRow;
            if (rows > 0) ScrollVertically(v, dy * rows * kUnitsPerRow);
        }
        scrolled = scrolled || v->geo.verticalTop != before;
    }
    if (scrolled) InvalidateView(v, INV_ALL);
    if (mode & AS_WHEEL) return;
    // The pane under the pointer carries its drag on at the new scroll position.
    Pane& pane = v->panes[PaneOfHit(v->hitCode)];
    pane.paneClass->OnMouse(v, &pane, PANE_AUTOSCROLLED, 0, MAKELPARAM(pt.x, pt.y));
}

bool WheelAutoScrollMouse(TrackView* v, UINT msg, int x, int y) {
    const bool press = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
                       msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
    if (v->autoScroll.mode & AS_WHEEL) {
        // Releasing the middle button, pressing any button or a key ends it.
        if (!press && msg != WM_MBUTTONUP) return false;
        EndAutoScroll(v);
        return true;
    }
    if (msg != WM_MBUTTONDOWN || v->drag != Drag::None || !v->hwnd) return false;
    v->autoScroll.rect = {x - kWheelDeadZone, y - kWheelDeadZone, x + kWheelDeadZone + 1, y + kWheelDeadZone + 1};
    v->autoScroll.last = GetTickCount();
    v->autoScroll.mode = AS_WHEEL | AS_HORIZONTAL | AS_VERTICAL | AS_RUNNING;
    SetTimer(v->hwnd, kIdleTimer, kAutoScrollMs, nullptr);
    return true;
}

} // namespace pianoroll
