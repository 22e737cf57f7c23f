// Zooming and scrolling the time axis: zoom steps, zoom to a range, scrolling the edit cursor into
// view, the view's keys and the mouse wheel.
#include <algorithm>
#include <cstdlib>

#include "commands/edit_commands.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/navigation.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

bool KeyHeld(int vk) { return (GetKeyState(vk) & 0x8000) != 0; }

bool Playing(const TrackView* v) { return (v->flags & TVF_PLAYING) != 0; }

std::int64_t Length(const TrackView* v) { return std::max<std::int64_t>(v->documentLength, 0); }

// Puts a span centred on a tick, the origin clamped into the document.
void CentreSpan(TrackView* v, std::int64_t focus, std::int64_t span) {
    span = std::max<std::int64_t>(span, 1);
    const std::int64_t origin = std::clamp<std::int64_t>(focus - span / 2, 0, Length(v));
    SetTimeView(v, origin, span, TV_PROGRAM);
    InvalidateView(v, INV_ALL);
}

std::int64_t TicksPerStepPixel(const TrackView* v) {
    return std::max<std::int64_t>(v->timeSpan / std::max(v->zoomPixels, 1), 1);
}

// Ten pixels' worth of ticks (on the grid when it has a quantum), or 10 % of the span.
std::int64_t PageTarget(const TrackView* v, bool forward) {
    const double q = v->snap.gridSpacing;
    if (q > 1) {
        const std::int64_t step = 10 * TicksPerStepPixel(v);
        return forward ? QuantumUp(v->editCursor + step, q) : QuantumDown(v->editCursor - step, q);
    }
    const std::int64_t step = std::max<std::int64_t>(static_cast<std::int64_t>(v->timeSpan * 100 * 0.001), 1);
    return forward ? v->editCursor + step : v->editCursor - step;
}

void MoveCursorAndShow(TrackView* v, std::int64_t t, unsigned flags) {
    MoveEditCursor(v, std::clamp<std::int64_t>(t, 0, Length(v)), 0, flags | MEC_NO_HISTORY);
    ScrollCursorIntoView(v, SCROLL_NEAREST);
}

void PlayOrStop(TrackView* v, bool fromStart) {
    if (Playing(v) || (v->access && v->access->IsPlaying())) {
        if (v->transport.StopOrPause) v->transport.StopOrPause(v);
        else if (v->access) v->access->SetPlaying(false);
        return;
    }
    if (v->transport.Play) {
        v->transport.Play(v, fromStart);
        return;
    }
    if (!v->access) return;
    v->access->SetPlaybackPosition(fromStart ? 0 : v->editCursor);
    v->access->SetPlaying(true);
}

} // namespace

std::int64_t FocusTick(const TrackView* v) {
    return Playing(v) && !(v->flags & TVF_USER_MOVED) ? v->playbackPosition : v->editCursor;
}

bool SetTimeZoom(TrackView* v, int steps, int request) {
    int level = v->timeZoomLevel + steps;
    if (request == ZOOM_ALL_OUT) level = v->maxTimeZoomLevel;
    else if (request == ZOOM_ALL_IN) level = 0;
    else if (request == ZOOM_DEFAULT) level = std::min(v->settings ? v->settings->presetZoomLevel : 0, v->maxTimeZoomLevel);
    level = std::clamp(level, 0, std::max(v->maxTimeZoomLevel, 0));
    if (level == v->timeZoomLevel) return false;
    const std::int64_t span = std::max<std::int64_t>(SpanOfTimeLevel(v, level), v->zoomPixels);
    CentreSpan(v, FocusTick(v), span);
    return true;
}

bool ZoomToRange(TrackView* v, std::int64_t start, std::int64_t length) {
    if (length < 0) {
        start += length;
        length = -length;
    }
    if (length == 0 || v->zoomPixels <= 0) return false;
    const std::int64_t margin = static_cast<std::int64_t>(v->gridWidth - v->zoomPixels) * length / v->zoomPixels / 2;
    const std::int64_t origin = std::max<std::int64_t>(start - margin, 0);
    if (origin == v->timeOrigin && length == v->timeSpan) return false;
    SetTimeView(v, origin, length, TV_PROGRAM);
    InvalidateView(v, INV_ALL);
    return true;
}

void ScrollCursorIntoView(TrackView* v, int placement) {
    const std::int64_t t = v->editCursor, span = v->timeSpan;
    std::int64_t origin = v->timeOrigin;
    switch (placement) {
    case SCROLL_LEFT: origin = t - span / 10; break;
    case SCROLL_RIGHT: origin = t + span / 10 - span; break;
    case SCROLL_MIDDLE: origin = t - span / 2; break;
    default:
        if (t >= v->timeOrigin && t <= v->timeOrigin + span - 1) return;
        origin = t < v->timeOrigin ? t - span / 10 : t + span / 10 - span;
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
            const double tpp = static_cast<double>(v->timeSpan) / std::max(v->zoomPixels, 1);
            const std::int64_t perPixel = tpp < 11 ? 1 : 10;
            CentreSpan(v, FocusTick(v), perPixel * std::max(v->zoomPixels, 1));
        }
        return true;
    case VK_LEFT:
    case VK_RIGHT: {
        if (Playing(v) && (v->flags & TVF_FOLLOWING) && !(v->flags & TVF_USER_MOVED)) {
            // The line owns the view while following: the key is only noted until it is let go.
            v->flags |= TVF_KEY_PENDING;
            return true;
        }
        const std::int64_t count = std::max<std::int64_t>(lParam & 0xFFFF, 1);
        const std::int64_t step = TicksPerStepPixel(v) * count;
        MoveCursorAndShow(v, v->editCursor + (key == VK_LEFT ? -step : step), shift ? 0u : static_cast<unsigned>(MEC_SNAP));
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
        else if (v->selectionLength != 0) t = home ? v->selectionStart : v->selectionStart + v->selectionLength;
        else t = home ? v->timeOrigin : v->timeOrigin + v->timeSpan - 1;
        MoveCursorAndShow(v, t, 0);
        return true;
    }
    case VK_PRIOR:
    case VK_NEXT: MoveCursorAndShow(v, PageTarget(v, key == VK_NEXT), 0); return true;
    case VK_SPACE: PlayOrStop(v, shift); return true;
    case VK_RETURN: PlayOrStop(v, false); return true;
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
        SendMessage(v->hwnd, PRM_GRID_SELECT_ALL, shift ? 1 : 0, 0);
        return true;
    case VK_APPS: SendMessage(v->hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(v->hwnd), -1); return true;
    case VK_BACK: StepBackSelectionHistory(v); return true;
    case VK_ESCAPE: {
        if (GetCapture() != v->hwnd && (Playing(v) || (v->access && v->access->IsPlaying()))) PlayOrStop(v, false);
        Pane& under = v->panes[(v->hitCode >> 16) & 15];
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

bool FollowPlayback(TrackView* v, std::int64_t ticks) {
    if (!Playing(v) || !(v->flags & TVF_FOLLOWING) || (v->flags & TVF_USER_MOVED) || v->timeSpan <= 0) return false;
    const int x = XOfTick(v, ticks);
    int d;
    if (v->flags & TVF_FOLLOW_CENTRED) {
        const int middle = v->gridWidth / 2;
        if (v->flags & TVF_RECENTRE) {
            v->flags &= ~TVF_RECENTRE;
            // Where the line is now becomes the offset, so the view glides to the middle instead of
            // jumping; from far away it jumps.
            const int offset = x - v->grid.left - middle;
            v->followOffset = std::abs(offset) <= middle ? offset : 0;
        } else if (v->followOffset != 0) {
            v->followOffset += v->followOffset > 0 ? -1 : 1;
        }
        d = middle + v->followOffset;
    } else {
        const int margin = (v->gridWidth - v->zoomPixels) / 2;
        if (x < v->grid.left) d = v->zoomPixels;
        else if (x > v->grid.right - margin) d = v->gridWidth - v->zoomPixels;
        else return false;
    }
    const std::int64_t origin = std::max<std::int64_t>(ticks - TicksOfWidth(v, std::max(d, 0)), 0);
    if (origin == v->timeOrigin) return false;
    SetTimeView(v, origin, v->timeSpan, TV_PROGRAM);
    InvalidateView(v, INV_ALL);
    return true;
}

namespace {
constexpr UINT kAutoScrollMs = 100;

// Which way the pointer asks to scroll along one axis: −1, 0 (inside) or 1.
int Direction(int at, int low, int high, bool reverse) {
    const int d = at < low ? -1 : at >= high ? 1 : 0;
    return reverse ? -d : d;
}

// How far the pointer lies outside [low, high).
int Distance(int at, int low, int high) { return at < low ? low - at : at >= high ? at - high + 1 : 0; }

int Speed(const TrackView* v) { return v->settings && v->settings->autoScrollSpeed > 0 ? v->settings->autoScrollSpeed : 5; }

// Pixels to scroll for a pointer `distance` pixels past the edge after `elapsed` ms. A maximised
// window leaves the pointer little room beyond the grid, so even the edge itself scrolls at a useful
// pace (about 150 pixels a second at the default speed of 5), and farther out goes faster.
std::int64_t AutoScrollPixels(const TrackView* v, std::int64_t distance, std::uint32_t elapsed) {
    return std::max<std::int64_t>((distance + 8) * Speed(v) * elapsed / (240 * 3), 1);
}

} // namespace

void EndAutoScroll(TrackView* v) {
    if (!v->autoScrollMode) return;
    v->autoScrollMode = 0;
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
        if (dx < 0 && v->timeOrigin <= 0) stop = true;
        if (dx > 0 && v->timeOrigin + v->timeSpan >= v->documentLength && !(mode & AS_BEYOND_END)) stop = true;
    }
    if (stop) {
        EndAutoScroll(v);
        return;
    }
    v->autoScrollRect = area;
    if (!v->autoScrollMode) {
        v->autoScrollLast = v->autoScrollRowLast = GetTickCount();
        v->autoScrollCarry = 0;
        if (v->hwnd) SetTimer(v->hwnd, kIdleTimer, kAutoScrollMs, nullptr);
    }
    v->autoScrollMode = mode | 0x80000000u;
}

void AutoScrollStep(TrackView* v) {
    if (!v->autoScrollMode || !v->hwnd) return;
    POINT pt{};
    GetCursorPos(&pt);
    ScreenToClient(v->hwnd, &pt);
    const RECT& area = v->autoScrollRect;
    const std::uint32_t mode = v->autoScrollMode;
    const std::uint32_t now = GetTickCount();
    const std::uint32_t elapsed = std::min<std::uint32_t>(now - v->autoScrollLast, 1000);
    v->autoScrollLast = now;
    if (mode & AS_WHEEL) {
        // Around the press point: rows by the vertical distance, time by the horizontal one.
        if (pt.y < area.top || pt.y >= area.bottom) {
            const int dy = pt.y < area.top ? pt.y - area.top : pt.y - area.bottom + 1;
            ScrollVertically(v, dy * kUnitsPerRow / 8);
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
        std::int64_t origin = v->timeOrigin + dx * ticks;
        if (!(mode & AS_BEYOND_END)) origin = std::min(origin, std::max<std::int64_t>(Length(v) - v->timeSpan, 0));
        origin = std::max<std::int64_t>(origin, 0);
        if (origin != v->timeOrigin) {
            SetTimeView(v, origin, v->timeSpan, TV_PROGRAM);
            scrolled = true;
        }
    }
    if (dy != 0) {
        const int distance = Distance(pt.y, area.top, area.bottom);
        const int before = v->verticalTop;
        if (mode & AS_ROWS) {
            // One row at a time, more often the farther out the pointer is.
            const std::uint32_t interval = static_cast<std::uint32_t>((100 - std::min(distance / 2, 75)) * 1000 / 240);
            if (now - v->autoScrollRowLast >= interval) {
                v->autoScrollRowLast = now;
                ScrollVertically(v, dy * kUnitsPerRow);
            }
        } else {
            // Rows scroll whole, so the units gather until they make one.
            const int pixels = static_cast<int>(std::min<std::int64_t>(AutoScrollPixels(v, distance, elapsed), kPixelClamp));
            v->autoScrollCarry += std::max(UnitsOfHeight(v, pixels), 1);
            const int rows = v->autoScrollCarry / kUnitsPerRow;
            v->autoScrollCarry -= rows * kUnitsPerRow;
            if (rows > 0) ScrollVertically(v, dy * rows * kUnitsPerRow);
        }
        scrolled = scrolled || v->verticalTop != before;
    }
    if (scrolled) InvalidateView(v, INV_ALL);
    if (mode & AS_WHEEL) return;
    // The pane under the pointer carries its drag on at the new scroll position.
    const int number = static_cast<int>((v->hitCode >> 16) & 15);
    Pane& pane = v->panes[number];
    pane.paneClass->OnMouse(v, &pane, PANE_AUTOSCROLLED, 0, MAKELPARAM(pt.x, pt.y));
}

bool WheelAutoScrollMouse(TrackView* v, UINT msg, int x, int y) {
    const bool press = msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_MBUTTONDOWN ||
                       msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK || msg == WM_MBUTTONDBLCLK;
    if (v->autoScrollMode & AS_WHEEL) {
        // Releasing the middle button, pressing any button or a key ends it.
        if (!press && msg != WM_MBUTTONUP) return false;
        EndAutoScroll(v);
        return true;
    }
    if (msg != WM_MBUTTONDOWN || v->drag != Drag::None || !v->hwnd) return false;
    constexpr int kDeadZone = 8;
    v->autoScrollRect = {x - kDeadZone, y - kDeadZone, x + kDeadZone + 1, y + kDeadZone + 1};
    v->autoScrollLast = GetTickCount();
    v->autoScrollMode = AS_WHEEL | AS_HORIZONTAL | AS_VERTICAL | 0x80000000u;
    SetTimer(v->hwnd, kIdleTimer, kAutoScrollMs, nullptr);
    return true;
}

bool NavigationWheel(TrackView* v, WPARAM wParam) {
    const bool ctrl = KeyHeld(VK_CONTROL), shift = KeyHeld(VK_SHIFT), alt = KeyHeld(VK_MENU);
    const int delta = static_cast<short>(HIWORD(wParam));
    const int steps = std::abs(delta) / 120;
    if (steps == 0) return true;
    const bool up = delta > 0;
    if (ctrl && shift) {
        MoveCursorAndShow(v, PageTarget(v, !up), 0);
    } else if (shift) {
        const std::int64_t amount = steps * (v->timeSpan - v->timeSpan * 9 / 10);
        SetTimeView(v, std::max<std::int64_t>(v->timeOrigin + (up ? -amount : amount), 0), v->timeSpan, 0);
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
