// The view's window procedure: creation, layout, hit-testing, message routing, focus and caret,
// hot-tracking, the tooltip and off-screen painting.
#include <algorithm>
#include <cstring>

#include "commands/edit_commands.h"
#include "mp/private_messages.h"
#include "mp/settings.h"
#include "tools/tools.h"
#include "view/navigation.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kLayoutOrder[] = {1, 10, 9, 2, 8, 3, 11, 12, 5, 4, 6, 7, 0};

// The off-screen bitmap a paint draws into; kept between paints and dropped by every layout.
struct OffscreenCache {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    int width = 0;
    int height = 0;
};

OffscreenCache* CacheOf(TrackView* v) { return static_cast<OffscreenCache*>(v->offscreen); }

void FreeOffscreen(TrackView* v) {
    OffscreenCache* cache = CacheOf(v);
    if (!cache) return;
    if (cache->dc) {
        SelectObject(cache->dc, cache->old);
        DeleteDC(cache->dc);
    }
    if (cache->bitmap) DeleteObject(cache->bitmap);
    delete cache;
    v->offscreen = nullptr;
}

HDC OffscreenDC(TrackView* v, HDC windowDC) {
    OffscreenCache* cache = CacheOf(v);
    if (cache && cache->width >= v->clientWidth && cache->height >= v->clientHeight) return cache->dc;
    FreeOffscreen(v);
    cache = new OffscreenCache;
    cache->dc = CreateCompatibleDC(windowDC);
    cache->bitmap = cache->dc ? CreateCompatibleBitmap(windowDC, v->clientWidth, v->clientHeight) : nullptr;
    if (!cache->bitmap) {
        if (cache->dc) DeleteDC(cache->dc);
        delete cache;
        return nullptr;
    }
    cache->old = SelectObject(cache->dc, cache->bitmap);
    cache->width = v->clientWidth;
    cache->height = v->clientHeight;
    v->offscreen = cache;
    return cache->dc;
}

bool PaneShown(const Pane& p) { return p.width > 0 && p.height > 0; }

void UpdateTooltip(TrackView* v) {
    if (!v->tooltip) return;
    const bool wanted = (v->flags & TVF_TIP_WANTED) != 0;
    const Pane& pane = v->panes[PaneOfHit(v->hitCode)];
    TOOLINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = v->hwnd;
    info.uId = 0;
    info.rect = pane.rect;
    SendMessage(v->tooltip, TTM_NEWTOOLRECT, 0, reinterpret_cast<LPARAM>(&info));
    if (v->flags & TVF_TIP_TEXT_CHANGED) {
        info.lpszText = v->tipText;
        SendMessage(v->tooltip, TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&info));
        v->flags &= ~TVF_TIP_TEXT_CHANGED;
    }
    if (wanted != ((v->flags & TVF_TIP_ACTIVE) != 0)) {
        SendMessage(v->tooltip, TTM_ACTIVATE, wanted ? TRUE : FALSE, 0);
        v->flags = wanted ? (v->flags | TVF_TIP_ACTIVE) : (v->flags & ~TVF_TIP_ACTIVE);
    }
}

void CreateTooltip(TrackView* v) {
    v->tooltip = CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, v->hwnd, nullptr,
                                nullptr, nullptr);
    if (!v->tooltip) return;
    TOOLINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = v->hwnd;
    info.uId = 0;
    info.lpszText = v->tipText;
    SendMessage(v->tooltip, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&info));
    SendMessage(v->tooltip, TTM_SETDELAYTIME, TTDT_AUTOPOP, 60000);
    SendMessage(v->tooltip, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    SendMessage(v->tooltip, TTM_ACTIVATE, FALSE, 0);
}

void ComputeDragThreshold(TrackView* v) {
    v->dragThreshold.x = (GetSystemMetrics(SM_CXDRAG) + 1) / 2;
    v->dragThreshold.y = (GetSystemMetrics(SM_CYDRAG) + 1) / 2;
}

LRESULT OnCreate(HWND hwnd, const CREATESTRUCT* create) {
    auto* v = static_cast<TrackView*>(create ? create->lpCreateParams : nullptr);
    if (!v) return -1;
    // Panes see the window handle during Init (they may measure text); the user data follows success.
    v->hwnd = hwnd;
    for (int i = 1; i < kPaneCount; ++i)
        if (!v->panes[i].paneClass->Init(v, &v->panes[i], 0)) {
            v->hwnd = nullptr;
            return -1;
        }
    if (!v->panes[PANE_GRID].paneClass->Init(v, &v->panes[PANE_GRID], 0)) {
        v->hwnd = nullptr;
        return -1;
    }
    SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(v));
    ComputeDragThreshold(v);
    CreateTooltip(v);
    SetTimeView(v, v->timeOrigin, v->timeSpan, TV_PROGRAM);
    return 0;
}

void OnDestroy(HWND hwnd, TrackView* v) {
    SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    if (v->hotActive) KillTimer(hwnd, kHotTimer);
    v->hotActive = false;
    v->tooltip = nullptr; // owned pop-ups go with their owner
    for (int i = 1; i < kPaneCount; ++i) v->panes[i].paneClass->Init(v, &v->panes[i], 1);
    v->panes[PANE_GRID].paneClass->Init(v, &v->panes[PANE_GRID], 1);
    FreeOffscreen(v);
    v->hwnd = nullptr;
    if (v->owner.Released) v->owner.Released(v);
}

void Paint(TrackView* v) {
    PAINTSTRUCT ps{};
    HDC windowDC = BeginPaint(v->hwnd, &ps);
    if (!windowDC) return;
    RECT update = ps.rcPaint;
    if (IsRectEmpty(&update)) GetClipBox(windowDC, &update);
    // The off-screen bitmap covers the whole client area at its own origin, so brush patterns line up
    // between paints whatever the update rectangle is.
    update.right = std::min<LONG>(update.right, v->clientWidth);
    update.bottom = std::min<LONG>(update.bottom, v->clientHeight);

    // Pixel span of the time selection, clipped to the grid.
    v->selectionLeft = v->selectionRight = -1;
    if (v->selectionLength > 0 && v->timeSpan > 0) {
        v->selectionLeft = std::max<int>(XOfTick(v, v->selectionStart), v->grid.left);
        v->selectionRight =
            std::min<int>(XOfTickUp(v, v->selectionStart + v->selectionLength), v->grid.right);
    }

    const bool direct = v->settings && v->settings->noDoubleBuffer;
    HDC dc = direct ? nullptr : OffscreenDC(v, windowDC);
    if (!dc) dc = windowDC;

    RECT clip;
    if (PaneShown(v->panes[PANE_GRID]) && IntersectRect(&clip, &update, &v->grid)) {
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        v->panes[PANE_GRID].paneClass->Paint(v, &v->panes[PANE_GRID], dc, &clip);
        RestoreDC(dc, saved);
        if ((v->flags & TVF_PLAYING) && v->timeSpan > 0) {
            const int x = XOfTick(v, v->playbackPosition);
            if (x >= v->grid.left && x < v->grid.right && x >= clip.left && x < clip.right) {
                PatBlt(dc, x, clip.top, 1, clip.bottom - clip.top, DSTINVERT);
                v->playbackX = x;
            }
        }
    }
    for (int i = 1; i < kPaneCount; ++i) {
        Pane& pane = v->panes[i];
        if (!PaneShown(pane) || !IntersectRect(&clip, &update, &pane.rect)) continue;
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
        pane.paneClass->Paint(v, &pane, dc, &clip);
        RestoreDC(dc, saved);
    }
    const RECT top{0, 0, v->clientWidth, 1};
    FillRect(dc, &top, GetSysColorBrush(COLOR_BTNSHADOW));
    // The bottom pixel row belongs to no pane either; give it the face colour rather than stale pixels.
    const RECT bottom{0, v->clientHeight - 1, v->clientWidth, v->clientHeight};
    FillRect(dc, &bottom, GetSysColorBrush(COLOR_BTNFACE));
    if (dc != windowDC)
        BitBlt(windowDC, update.left, update.top, update.right - update.left, update.bottom - update.top, dc,
               update.left, update.top, SRCCOPY);
    EndPaint(v->hwnd, &ps);
}

void OnMouseButtonFocus(TrackView* v) {
    const int number = PaneOfHit(v->hitCode);
    Pane& pane = v->panes[number];
    int focus = PANE_GRID;
    if (pane.flags & PANE_ASK_FOCUS) {
        const LRESULT asked = pane.paneClass->OnKey(v, &pane, PANE_FOCUS_WHICH, 0, static_cast<LPARAM>(v->hitCode));
        focus = asked > 16 || asked < 0 ? v->focusPane : static_cast<int>(asked);
    }
    if (focus >= kPaneCount) focus = v->focusPane;
    SetFocusPane(v, focus);
    if (GetFocus() != v->hwnd) SetFocus(v->hwnd);
}

LRESULT RouteMouse(TrackView* v, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    // The middle button scrolls the view by itself around the press point; any other press ends it.
    if (WheelAutoScrollMouse(v, msg, x, y)) return 0;
    // While a pane holds the capture the stored hit code stays, so the drag stays with it.
    if (GetCapture() != v->hwnd) {
        if (msg == WM_MOUSEMOVE) HitTestView(v, x, y, false);
        else if ((v->flags & TVF_CURSOR_REFRESH) || !v->hitPointValid) HitTestView(v, x, y, true);
    }
    if (msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK)
        OnMouseButtonFocus(v);
    if (v->tooltip && (v->flags & TVF_TIP_ACTIVE)) {
        MSG relay{};
        relay.hwnd = v->hwnd;
        relay.message = msg;
        relay.wParam = wParam;
        relay.lParam = lParam;
        SendMessage(v->tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
    }
    const int number = PaneOfHit(v->hitCode);
    if (msg == WM_MOUSEMOVE && v->hotActive && PaneOfHit(v->hot.hitCode) != number) EndHotTracking(v);
    Pane& pane = v->panes[number];
    return pane.paneClass->OnMouse(v, &pane, msg, wParam, lParam);
}

// True when a pane or the view's key table took the key.
bool RouteKey(TrackView* v, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (v->focusPane != PANE_GRID) {
        Pane& focus = v->panes[v->focusPane];
        if (focus.paneClass->OnKey(v, &focus, msg, wParam, lParam)) return true;
    }
    const bool alt = (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP);
    if (alt && wParam == VK_MENU) {
        v->flags |= TVF_CURSOR_REFRESH;
        return true;
    }
    if (msg == WM_SYSKEYDOWN && wParam == VK_BACK) {
        SendMessage(v->hwnd, WM_UNDO, 0, 0);
        return true;
    }
    // Alt with the arrows (and Alt+F8, scale snapping) acts as the plain key with Alt held, so the grid
    // sees a key message.
    UINT asKey = msg;
    if (alt && ((wParam >= VK_LEFT && wParam <= VK_DOWN) || wParam == VK_F8))
        asKey = msg == WM_SYSKEYDOWN ? WM_KEYDOWN : WM_KEYUP;
    Pane& grid = v->panes[PANE_GRID];
    if (grid.paneClass->OnKey(v, &grid, asKey, wParam, lParam)) return true;
    return asKey == WM_KEYDOWN && NavigationKey(v, wParam, lParam);
}

bool IsOwnerEditMessage(UINT msg) {
    return (msg >= WM_CUT && msg <= WM_DESTROYCLIPBOARD) || (msg >= 0x7F00 && msg <= 0x7F09);
}

} // namespace

TrackView* ViewOfWindow(HWND hwnd) { return reinterpret_cast<TrackView*>(GetWindowLongPtr(hwnd, GWLP_USERDATA)); }

void HitTestView(TrackView* v, int x, int y, bool force) {
    if (!force && v->hitPointValid && v->hitPoint.x == x && v->hitPoint.y == y && !(v->flags & TVF_CURSOR_REFRESH))
        return;
    const int oldHover = v->hoverRow;
    v->flags &= ~(TVF_TIP_WANTED | TVF_CURSOR_REFRESH);
    v->hoverRow = -1;
    v->hitCode = 0;
    const POINT pt{x, y};
    for (int i = 0; i < kPaneCount; ++i) {
        Pane& pane = v->panes[i];
        if (!PaneShown(pane) || !PtInRect(&pane.rect, pt)) continue;
        v->hitCode = pane.id + (static_cast<std::uint32_t>(pane.paneClass->HitTest(v, &pane, x, y)) & 0xFFFF);
        break;
    }
    v->hitPoint = pt;
    v->hitPointValid = true;
    UpdateTooltip(v);
    if (v->hoverRow != oldHover) InvalidateView(v, INV_NO_GRID | INV_TRANSPORT);
}

void LayoutView(TrackView* v, bool force) {
    RECT remaining{0, 1, v->clientWidth, v->clientHeight - 1};
    for (int number : kLayoutOrder) {
        Pane& pane = v->panes[number];
        pane.paneClass->Layout(v, &pane, &remaining);
        pane.width = std::max(pane.width, 0);
        pane.height = std::max(pane.height, 0);
        pane.rect.right = pane.rect.left + pane.width;
        pane.rect.bottom = pane.rect.top + pane.height;
    }
    for (int i = 13; i < kPaneCount; ++i) {
        v->panes[i].width = v->panes[i].height = 0;
        v->panes[i].rect = {0, 0, 0, 0};
    }
    FreeOffscreen(v);
    MarkBackgroundStale(v);
    v->grid = remaining;
    ResizeGeometry(v, force);
}

namespace {
// The grid draws the cursor line only while the caret is not standing in for it, so the column is
// repainted whenever the caret comes or goes.
void InvalidateCursorColumn(TrackView* v, bool wasShown) {
    if (!v->hwnd || ((v->flags & TVF_CARET_SHOWN) != 0) == wasShown) return;
    const int x = XOfTickUp(v, v->editCursor);
    const RECT column{x, v->grid.top, x + 1, v->grid.bottom};
    InvalidateRect(v->hwnd, &column, FALSE);
}
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

void RepositionCaret(TrackView* v) {
    if (!v->hwnd || !(v->flags & TVF_HAS_FOCUS)) return;
    const bool wasShown = (v->flags & TVF_CARET_SHOWN) != 0;
    if (wasShown) {
        HideCaret(v->hwnd);
        v->flags &= ~TVF_CARET_SHOWN;
    }
    POINT pos{0, 0};
    bool show = false;
    if (v->focusPane == PANE_GRID) {
        const int x = XOfTick(v, v->editCursor);
        pos = {x, v->grid.top};
        show = v->timeSpan > 0 && x >= v->grid.left && x < v->grid.right && !(v->flags & TVF_FOLLOWING);
    } else {
        Pane& pane = v->panes[v->focusPane];
        show = pane.paneClass->OnKey(v, &pane, PANE_FOCUS_CARET_POS, 0, reinterpret_cast<LPARAM>(&pos)) != 0;
    }
    if (show) {
        SetCaretPos(pos.x, pos.y);
        ShowCaret(v->hwnd);
        v->flags |= TVF_CARET_SHOWN;
    }
    InvalidateCursorColumn(v, wasShown);
}

void SetFocusPane(TrackView* v, int pane) {
    if (pane < 0 || pane >= kPaneCount) return;
    v->focusPane = pane;
    if (!(v->flags & TVF_HAS_FOCUS)) return;
    // The caret's size depends on the pane that holds the keyboard.
    const bool wasShown = (v->flags & TVF_CARET_SHOWN) != 0;
    DestroyCaret();
    v->flags &= ~TVF_CARET_SHOWN;
    InvalidateCursorColumn(v, wasShown);
    SIZE size{1, std::max(v->gridHeight, 1)};
    if (pane != PANE_GRID) {
        Pane& p = v->panes[pane];
        if (!p.paneClass->OnKey(v, &p, PANE_FOCUS_CARET_SIZE, 0, reinterpret_cast<LPARAM>(&size))) size = {1, 1};
    } else {
        size.cy = std::max<int>(v->grid.bottom - v->grid.top, 1);
    }
    CreateCaret(v->hwnd, nullptr, size.cx, size.cy);
    RepositionCaret(v);
}

void SetPlaybackPosition(TrackView* v, std::int64_t ticks) {
    if (FollowPlayback(v, ticks)) {
        v->playbackPosition = ticks;
        return;
    }
    const int oldX = (v->flags & TVF_PLAYING) ? XOfTick(v, v->playbackPosition) : -1;
    v->playbackPosition = ticks;
    const int newX = (v->flags & TVF_PLAYING) ? XOfTick(v, ticks) : -1;
    if (oldX == newX || !v->hwnd) return;
    for (int x : {oldX, newX}) {
        if (x < v->grid.left || x >= v->grid.right) continue;
        const RECT column{x, v->grid.top, x + 1, v->grid.bottom};
        InvalidateRect(v->hwnd, &column, FALSE);
    }
}

void SetLoopRegion(TrackView* v, std::int64_t start, std::int64_t end, bool on) {
    const bool was = (v->flags & TVF_LOOP_ON) != 0;
    if (start == v->loopStart && end == v->loopEnd && was == on) return;
    v->loopStart = start;
    v->loopEnd = end;
    v->flags = on ? (v->flags | TVF_LOOP_ON) : (v->flags & ~TVF_LOOP_ON);
    InvalidateView(v, INV_RULER | INV_LOOP_BAR);
    if (v->owner.LoopChanged) v->owner.LoopChanged(v);
}

LRESULT TrackViewWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) return OnCreate(hwnd, reinterpret_cast<const CREATESTRUCT*>(lParam));
    TrackView* v = ViewOfWindow(hwnd);
    if (!v) return DefWindowProc(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_DESTROY: OnDestroy(hwnd, v); return 0;
    case WM_SIZE: {
        const int w = static_cast<short>(LOWORD(lParam));
        const int h = static_cast<short>(HIWORD(lParam));
        if (wParam == SIZE_MINIMIZED || w <= 0 || h <= 0) return 0;
        v->clientWidth = w;
        v->clientHeight = h;
        LayoutView(v, false);
        if (!(v->flags & TVF_LAID_OUT)) {
            v->flags |= TVF_LAID_OUT;
            LayoutView(v, true);
            LayoutView(v, true);
        }
        InvalidateView(v, INV_ALL);
        return 0;
    }
    case WM_PAINT: Paint(v); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_NCHITTEST: {
        const LRESULT result = DefWindowProc(hwnd, msg, wParam, lParam);
        if (GetCapture() != hwnd) {
            POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
            ScreenToClient(hwnd, &pt);
            HitTestView(v, pt.x, pt.y, false);
        }
        return result;
    }
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: {
        if (msg == WM_MOUSEWHEEL || msg == WM_MOUSEHWHEEL) {
            // Plain Ctrl is the grid tool's; the view zooms and scrolls with the rest.
            const int over = PaneOfHit(v->hitCode);
            const bool ctrl = (GetKeyState(VK_CONTROL) & 0x8000) != 0, shift = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
            if (msg == WM_MOUSEWHEEL && (!ctrl || shift) &&
                (over == PANE_GRID || over == PANE_RULER || over == PANE_LOOP_BAR) && NavigationWheel(v, wParam))
                return 0;
            Pane& pane = v->panes[PaneOfHit(v->hitCode)];
            return pane.paneClass->OnMouse(v, &pane, msg, wParam, lParam);
        }
        return RouteMouse(v, msg, wParam, lParam);
    }
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: {
        if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && wParam != VK_SHIFT && (v->autoScrollMode & AS_WHEEL)) {
            EndAutoScroll(v);
            return 0;
        }
        if (msg == WM_KEYUP && (wParam == VK_LEFT || wParam == VK_RIGHT)) v->flags &= ~TVF_KEY_PENDING;
        const bool taken = RouteKey(v, msg, wParam, lParam);
        if (msg == WM_KEYDOWN) v->flags &= ~TVF_NO_REPEAT;
        if (taken) return 0;
        if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) return DefWindowProc(hwnd, msg, wParam, lParam);
        return msg == WM_KEYDOWN ? VIEW_KEY_LEFT_ALONE : 0;
    }
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd) {
            Pane& pane = v->panes[PaneOfHit(v->hitCode)];
            SetCursor(VorUI_LoadCursor(pane.paneClass->GetCursor(v, &pane, v->hitCode)));
            return TRUE;
        }
        return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_CANCELMODE: {
        Pane& pane = v->panes[PaneOfHit(v->hitCode)];
        pane.paneClass->OnMouse(v, &pane, msg, wParam, lParam);
        return 0;
    }
    case WM_CAPTURECHANGED: {
        Pane& pane = v->panes[PaneOfHit(v->hitCode)];
        return pane.paneClass->OnMouse(v, &pane, msg, wParam, lParam);
    }
    case WM_TIMER:
        switch (wParam) {
        case kRepeatTimer:
            if (v->repeatCallback) v->repeatCallback(v);
            else KillTimer(hwnd, kRepeatTimer);
            return 0;
        case kIdleTimer:
            if (v->autoScrollMode) AutoScrollStep(v);
            else if (v->owner.Idle) v->owner.Idle(v);
            else KillTimer(hwnd, kIdleTimer);
            return 0;
        case kHotTimer: {
            POINT pt{};
            GetCursorPos(&pt);
            if (WindowFromPoint(pt) != hwnd) {
                SendMessage(hwnd, WM_MOUSELEAVE, 0, 0);
                KillTimer(hwnd, kHotTimer);
            }
            return 0;
        }
        default: return DefWindowProc(hwnd, msg, wParam, lParam);
        }
    case WM_MOUSELEAVE: EndHotTracking(v); return 0;
    case WM_SETFOCUS:
        v->flags |= TVF_HAS_FOCUS | TVF_NO_REPEAT;
        SetFocusPane(v, v->focusPane);
        if (HWND parent = GetParent(hwnd)) PostMessage(parent, mp::PRM_REFRESH_STATE, 0, 0);
        return 0;
    case WM_KILLFOCUS: {
        const bool wasShown = (v->flags & TVF_CARET_SHOWN) != 0;
        if (wasShown) HideCaret(hwnd);
        DestroyCaret();
        v->flags &= ~(TVF_HAS_FOCUS | TVF_CARET_SHOWN);
        InvalidateCursorColumn(v, wasShown);
        if (HWND parent = GetParent(hwnd)) PostMessage(parent, mp::PRM_REFRESH_STATE, 0, 0);
        return 0;
    }
    case WM_CONTEXTMENU: {
        if (lParam == static_cast<LPARAM>(-1) || static_cast<DWORD>(lParam) == 0xFFFFFFFFu) {
            // From the keyboard: the grid's menu at the edit cursor, a little inside the grid.
            POINT pt{std::max(XOfTick(v, v->editCursor), static_cast<int>(v->grid.left) + 16), v->grid.top + 16};
            ClientToScreen(hwnd, &pt);
            Pane& grid = v->panes[PANE_GRID];
            return grid.paneClass->OnMouse(v, &grid, msg, PANE_CONTEXT_FROM_KEYBOARD, MAKELPARAM(pt.x, pt.y));
        }
        Pane& pane = v->panes[PaneOfHit(v->hitCode)];
        return pane.paneClass->OnMouse(v, &pane, msg, wParam, lParam);
    }
    case WM_SETFONT:
        v->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateView(v, INV_ALL);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(v->font);
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case PRM_SCRIPT_POSITION: return AnswerScriptQuery(v, wParam, lParam);
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        ComputeDragThreshold(v);
        MarkBackgroundStale(v);
        if (v->owner.SettingsChanged) v->owner.SettingsChanged(v, msg);
        InvalidateView(v, INV_ALL);
        return 0;
    case WM_COMMAND:
        if (HandleToolCommand(v, LOWORD(wParam)) || HandleSnapCommand(v, v->snap, LOWORD(wParam))) return 0;
        if (LoopBarCommand(v, LOWORD(wParam)) || HandleGridCommand(v, LOWORD(wParam))) return 0;
        return v->owner.Command ? v->owner.Command(v, wParam, lParam) : 0;
    case WM_NOTIFY: return v->owner.Notify ? v->owner.Notify(v, wParam, lParam) : 0;
    case WM_HELP: return v->owner.Help ? v->owner.Help(v, wParam, lParam) : 0;
    case WM_MEASUREITEM:
    case WM_DRAWITEM: return v->owner.OwnerDraw ? v->owner.OwnerDraw(v, msg, wParam, lParam) : 0;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTEISCHANGING:
    case WM_PALETTECHANGED: return v->owner.Palette ? v->owner.Palette(v, msg, wParam, lParam) : 0;
    case WM_MENUSELECT:
    case WM_ENTERIDLE:
        if (HWND parent = GetParent(hwnd)) return SendMessage(parent, msg, wParam, lParam);
        return 0;
    default:
        if (IsOwnerEditMessage(msg))
            return v->owner.EditMessage ? v->owner.EditMessage(v, msg, wParam, lParam) : 0;
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

} // namespace pianoroll
