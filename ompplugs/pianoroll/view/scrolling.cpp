// Zooming and scrolling the time axis: zoom steps, zoom to a range, scrolling the edit cursor into
// view, the view's keys and the mouse wheel.
#include <algorithm>
#include <cstdlib>

#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/track_view.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

// Page Up and Down move the cursor this many pixels' worth (on the grid), or this part of the span.
constexpr int kPagePixels = 10;
constexpr double kPageShareOfSpan = 0.1;
// Scrolling the cursor into view leaves this part of the span beside it.
constexpr int kScrollMarginParts = 10;
// Ctrl+Up from this many ticks per pixel or more zooms to kCoarseTicksPerPixel, else to one tick.
constexpr double kFineZoomBelow = 11;
constexpr std::int64_t kCoarseTicksPerPixel = 10;
// Shift+wheel scrolls this part of the span per step (what 9/10 of the span leaves).
constexpr int kWheelScrollParts = 10;

bool Playing(const TrackView* v) { return v->follow.playing; }

std::int64_t Length(const TrackView* v) { return std::max<std::int64_t>(v->geo.documentLength, 0); }

// Puts a span centred on a tick, the origin clamped into the document.
void CentreSpan(TrackView* v, std::int64_t focus, std::int64_t span) {
    span = std::max<std::int64_t>(span, 1);
    const std::int64_t origin = std::clamp<std::int64_t>(focus - span / 2, 0, Length(v));
    SetTimeView(v, origin, span, TV_PROGRAM);
    InvalidateView(v, INV_ALL);
}

std::int64_t TicksPerStepPixel(const TrackView* v) {
    return std::max<std::int64_t>(v->geo.timeSpan / std::max(v->geo.zoomPixels, 1), 1);
}

// Ten pixels' worth of ticks (on the grid when it has a quantum), or 10 % of the span.
std::int64_t PageTarget(const TrackView* v, bool forward) {
    const SnapContext ctx = SnapContextOf(*v);
    const double q = ctx.gridSpacing;
    if (q > 1) {
        const std::int64_t step = kPagePixels * TicksPerStepPixel(v);
        const std::int64_t t = v->time.editCursor + (forward ? step : -step);
        // Across meter changes: the first line at or after the target, or the last at or before it.
        if (ctx.bars) return forward ? GridAfter(ctx, t - 1) : GridBefore(ctx, t);
        return forward ? QuantumUp(t, q) : QuantumDown(t, q);
    }
    const std::int64_t step = std::max<std::int64_t>(static_cast<std::int64_t>(v->geo.timeSpan * kPageShareOfSpan), 1);
    return forward ? v->time.editCursor + step : v->time.editCursor - step;
}

void MoveCursorAndShow(TrackView* v, std::int64_t t, unsigned flags) {
    MoveEditCursor(v, std::clamp<std::int64_t>(t, 0, Length(v)), 0, flags | MEC_NO_HISTORY);
    ScrollCursorIntoView(v, SCROLL_NEAREST);
}

void PlayOrStop(TrackView* v, bool fromStart, bool pause) {
    if (Playing(v) || (v->access && v->access->IsPlaying())) v->transport.StopOrPause(v, pause);
    else v->transport.Play(v, fromStart);
}

} // namespace

std::int64_t FocusTick(const TrackView* v) {
    return Playing(v) && !v->follow.userMoved ? v->follow.playbackPosition : v->time.editCursor;
}

bool SetTimeZoom(TrackView* v, int steps, int request) {
    int level = v->geo.timeZoomLevel + steps;
    if (request == ZOOM_ALL_OUT) level = v->geo.maxTimeZoomLevel;
    else if (request == ZOOM_ALL_IN) level = 0;
    else if (request == ZOOM_DEFAULT) level = std::min(v->settings ? v->settings->presetZoomLevel : 0, v->geo.maxTimeZoomLevel);
    level = std::clamp(level, 0, std::max(v->geo.maxTimeZoomLevel, 0));
    if (level == v->geo.timeZoomLevel) return false;
    const std::int64_t span = std::max<std::int64_t>(SpanOfTimeLevel(v, level), v->geo.zoomPixels);
    CentreSpan(v, FocusTick(v), span);
    return true;
}

bool ZoomToRange(TrackView* v, std::int64_t start, std::int64_t length) {
    if (length < 0) {
        start += length;
        length = -length;
    }
    if (length == 0 || v->geo.zoomPixels <= 0) return false;
    const std::int64_t margin = static_cast<std::int64_t>(v->geo.gridWidth - v->geo.zoomPixels) * length / v->geo.zoomPixels / 2;
    const std::int64_t origin = std::max<std::int64_t>(start - margin, 0);
    if (origin == v->geo.timeOrigin && length == v->geo.timeSpan) return false;
    SetTimeView(v, origin, length, TV_PROGRAM);
    InvalidateView(v, INV_ALL);
    return true;
}

void ScrollCursorIntoView(TrackView* v, int placement) {
    const std::int64_t t = v->time.editCursor, span = v->geo.timeSpan;
    std::int64_t origin = v->geo.timeOrigin;
    switch (placement) {
    case SCROLL_LEFT: origin = t - span / kScrollMarginParts; break;
    case SCROLL_RIGHT: origin = t + span / kScrollMarginParts - span; break;
    case SCROLL_MIDDLE: origin = t - span / 2; break;
    default:
        if (t >= v->geo.timeOrigin && t <= v->geo.timeOrigin + span - 1) return;
        origin = t < v->geo.timeOrigin ? t - span / kScrollMarginParts : t + span / kScrollMarginParts - span;
        break;
    }
    SetTimeView(v, std::max<std::int64_t>(origin, 0), span, TV_CARET_ONLY);
    InvalidateView(v, INV_ALL);
}

bool NavigationKey(TrackView* v, WPARAM key, LPARAM lParam) {
    const bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT);
    switch (key) {
    case VK_UP:
    case VK_DOWN:
        if (ctrl && shift) return false; // the grid's row height
        if (!ctrl) {
            SetTimeZoom(v, key == VK_UP ? -1 : 1, ZOOM_STEPS);
            return true;
        }
        if (key == VK_DOWN) {
            CentreSpan(v, FocusTick(v), Length(v));
            return true;
        }
        {
            std::int64_t start, length;
            QueryRange(v, true, true, &start, &length);
            if (length != 0) {
                ZoomToRange(v, start, length);
                return true;
            }
            const double tpp = static_cast<double>(v->geo.timeSpan) / std::max(v->geo.zoomPixels, 1);
            const std::int64_t perPixel = tpp < kFineZoomBelow ? 1 : kCoarseTicksPerPixel;
            CentreSpan(v, FocusTick(v), perPixel * std::max(v->geo.zoomPixels, 1));
        }
        return true;
    case VK_LEFT:
    case VK_RIGHT: {
        // The line owns the view while following: the key is only noted until it is let go.
        if (HoldKeyWhileFollowing(v)) return true;
        const std::int64_t count = std::max<std::int64_t>(LOWORD(lParam), 1); // the repeat count
        // With snapping the cursor goes from snap point to snap point: a pixel's step, snapped to the
        // nearest point, would fall back where it was on any grid coarser than two pixels.
        std::int64_t t = v->time.editCursor;
        for (std::int64_t i = 0; i < count; ++i) t = SnapStepTime(*v, t, key == VK_RIGHT);
        if (t != v->time.editCursor) {
            MoveCursorAndShow(v, t, 0);
            return true;
        }
        const std::int64_t step = TicksPerStepPixel(v) * count;
        MoveCursorAndShow(v, v->time.editCursor + (key == VK_LEFT ? -step : step), shift ? 0u : static_cast<unsigned>(MEC_SNAP));
        return true;
    }
    case 'W':
    case 'E':
        if (ctrl || shift) return false;
        [[fallthrough]];
    case VK_HOME:
    case VK_END: {
        const bool home = key == VK_HOME || key == 'W';
        std::int64_t t;
        if (ctrl) t = home ? 0 : Length(v);
        else if (v->time.selectionLength != 0) t = home ? v->time.selectionStart : v->time.selectionStart + v->time.selectionLength;
        else t = home ? v->geo.timeOrigin : v->geo.timeOrigin + v->geo.timeSpan - 1;
        MoveCursorAndShow(v, t, 0);
        return true;
    }
    case VK_PRIOR:
    case VK_NEXT: MoveCursorAndShow(v, PageTarget(v, key == VK_NEXT), 0); return true;
    case VK_SPACE: PlayOrStop(v, shift, false); return true;
    case VK_RETURN: PlayOrStop(v, false, true); return true;
    case VK_INSERT:
        if (shift) SendMessage(v->hwnd, WM_PASTE, 0, 0);
        else if (ctrl) SendMessage(v->hwnd, WM_COPY, 0, 0);
        else return false;
        return true;
    case VK_DELETE: SendMessage(v->hwnd, shift ? WM_CUT : WM_CLEAR, 0, 0); return true;
    case 'X':
    case 'C':
    case 'V':
        if (!ctrl || shift) return false;
        SendMessage(v->hwnd, key == 'X' ? WM_CUT : key == 'C' ? WM_COPY : WM_PASTE, 0, 0);
        return true;
    case 'A':
        if (!ctrl) return false;
        SendMessage(v->hwnd, mp::PRM_SELECT_ALL, shift ? 1 : 0, 0);
        return true;
    case VK_APPS: SendMessage(v->hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(v->hwnd), -1); return true;
    case VK_BACK: StepBackSelectionHistory(v); return true;
    case VK_ESCAPE: {
        if (GetCapture() != v->hwnd && (Playing(v) || (v->access && v->access->IsPlaying()))) PlayOrStop(v, false, false);
        Pane& under = v->panes[PaneOfHit(v->hitCode)];
        under.paneClass->OnMouse(v, &under, WM_CANCELMODE, 0, 0);
        return true;
    }
    case VK_TAB: {
        HWND parent = GetParent(v->hwnd);
        if (HWND next = parent ? GetNextDlgTabItem(parent, v->hwnd, shift) : nullptr) SetFocus(next);
        return true;
    }
    default: return false;
    }
}

bool NavigationWheel(TrackView* v, WPARAM wParam) {
    const bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT), alt = KeyHeld(VK_MENU);
    const int delta = static_cast<short>(HIWORD(wParam));
    const int steps = std::abs(delta) / WHEEL_DELTA;
    if (steps == 0) return true;
    const bool up = delta > 0;
    if (ctrl && shift) {
        MoveCursorAndShow(v, PageTarget(v, !up), 0);
    } else if (shift) {
        const std::int64_t amount = steps * (v->geo.timeSpan - v->geo.timeSpan * (kWheelScrollParts - 1) / kWheelScrollParts);
        SetTimeView(v, std::max<std::int64_t>(v->geo.timeOrigin + (up ? -amount : amount), 0), v->geo.timeSpan, 0);
        InvalidateView(v, INV_ALL);
    } else if (ctrl) {
        ScrollVertically(v, (up ? -1 : 1) * steps * kUnitsPerRow);
        InvalidateView(v, INV_ALL);
    } else {
        if (alt && up) return true;
        SetTimeZoom(v, up ? -steps : steps, ZOOM_STEPS);
    }
    return true;
}

} // namespace pianoroll
