// The view's window procedure: creation and destruction, layout, hit-testing, the drag state, message
// routing to the panes and the owner, and off-screen painting.
#include <algorithm>
#include <cassert>

#include "mp/private_messages.h"
#include "mp/settings.h"
#include "view/offscreen_cache.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kLayoutOrder[] = {PANE_KEYBOARD, PANE_TRANSPORT, PANE_SPARE_ROW_STRIP, PANE_HSCROLL, PANE_LANES,
                                PANE_VSCROLL, PANE_LANE_STRIP_FIRST, PANE_LANE_STRIP_FIRST + 1,
                                PANE_SPARE_TIME_STRIP, PANE_LOOP_BAR, PANE_RULER, PANE_SPARE_RULER_STRIP,
                                PANE_GRID};
// Panes past the ones laid out are never shown.
constexpr int kFirstUnusedPane = PANE_LANE_STRIP_FIRST + 2;
// A menu asked for from the keyboard opens this far inside the grid.
constexpr int kKeyboardMenuInset = 16;

bool PaneShown(const Pane& p) { return p.width > 0 && p.height > 0; }

Pane& HitPane(TrackView* v) { return v->panes[PaneOfHit(v->hitCode)]; }

void ComputeDragThreshold(TrackView* v) {
    v->dragThreshold.x = (GetSystemMetrics(SM_CXDRAG) + 1) / 2;
    v->dragThreshold.y = (GetSystemMetrics(SM_CYDRAG) + 1) / 2;
}

// Init of panes 1 to 15, then the grid; a failure stops a creation, never a destruction.
bool InitPanes(TrackView* v, int flag) {
    const bool creating = flag == PANE_INIT_CREATED;
    for (int i = 1; i < kPaneCount; ++i)
        if (!v->panes[i].paneClass->Init(v, &v->panes[i], flag) && creating) return false;
    return v->panes[PANE_GRID].paneClass->Init(v, &v->panes[PANE_GRID], flag) != 0 || !creating;
}

LRESULT OnCreate(HWND hwnd, const CREATESTRUCT* create) {
    auto* v = static_cast<TrackView*>(create ? create->lpCreateParams : nullptr);
    if (!v) return -1;
    CompleteCallbacks(&v->owner, &v->transport);
    // Panes see the window handle during Init (they may measure text); the user data follows success.
    v->hwnd = hwnd;
    if (!InitPanes(v, PANE_INIT_CREATED)) {
        v->hwnd = nullptr;
        return -1;
    }
    SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(v));
    ComputeDragThreshold(v);
    CreateTooltip(v);
    SetTimeView(v, v->geo.timeOrigin, v->geo.timeSpan, TV_PROGRAM);
    return 0;
}

void OnSize(TrackView* v, WPARAM wParam, LPARAM lParam) {
    const int w = static_cast<short>(LOWORD(lParam));
    const int h = static_cast<short>(HIWORD(lParam));
    if (wParam == SIZE_MINIMIZED || w <= 0 || h <= 0) return;
    v->clientWidth = w;
    v->clientHeight = h;
    LayoutView(v, false);
    if (!(v->flags & TVF_LAID_OUT)) {
        // Panes that depend on each other settle in two more passes.
        v->flags |= TVF_LAID_OUT;
        LayoutView(v, true);
        LayoutView(v, true);
    }
    InvalidateView(v, INV_ALL);
}

void PaintPane(TrackView* v, Pane& pane, HDC dc, const RECT& clip) {
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    pane.paneClass->Paint(v, &pane, dc, &clip);
    RestoreDC(dc, saved);
}

void Paint(TrackView* v) {
    PAINTSTRUCT ps{};
    HDC windowDC = BeginPaint(v->hwnd, &ps);
    if (!windowDC) return;
    BeginViewPaint(v);
    RECT update = ps.rcPaint;
    if (IsRectEmpty(&update)) GetClipBox(windowDC, &update);
    // The off-screen bitmap covers the whole client area at its own origin, so brush patterns line up
    // between paints whatever the update rectangle is.
    update.right = std::min<LONG>(update.right, v->clientWidth);
    update.bottom = std::min<LONG>(update.bottom, v->clientHeight);

    HDC dc = nullptr;
    if (!v->settings || !v->settings->noDoubleBuffer) {
        if (!v->offscreen) v->offscreen = std::make_unique<OffscreenCache>();
        dc = v->offscreen->Get(windowDC, v->clientWidth, v->clientHeight);
    }
    if (!dc) dc = windowDC;
    v->gridCache.surface = dc != windowDC ? v->offscreen->Generation() : 0;

    RECT clip;
    if (PaneShown(v->panes[PANE_GRID]) && IntersectRect(&clip, &update, &v->geo.grid)) {
        PaintPane(v, v->panes[PANE_GRID], dc, clip);
        DrawPlaybackLine(v, dc, clip);
    }
    for (int i = 1; i < kPaneCount; ++i) {
        Pane& pane = v->panes[i];
        if (PaneShown(pane) && IntersectRect(&clip, &update, &pane.rect)) PaintPane(v, pane, dc, clip);
    }
    const RECT top{0, 0, v->clientWidth, 1};
    FillRect(dc, &top, GetSysColorBrush(COLOR_BTNSHADOW));
    // The bottom pixel row belongs to no pane either; give it the face colour rather than stale pixels.
    const RECT bottom{0, v->clientHeight - 1, v->clientWidth, v->clientHeight};
    FillRect(dc, &bottom, GetSysColorBrush(COLOR_BTNFACE));
    if (dc != windowDC)
        BitBlt(windowDC, update.left, update.top, update.right - update.left, update.bottom - update.top, dc,
               update.left, update.top, SRCCOPY);
    v->gridCache.surface = 0;
    EndViewPaint(v);
    EndPaint(v->hwnd, &ps);
}

void OnMouseButtonFocus(TrackView* v) {
    Pane& pane = HitPane(v);
    int focus = PANE_GRID;
    if (pane.flags & PANE_ASK_FOCUS) {
        const LRESULT asked = pane.paneClass->OnKey(v, &pane, PANE_FOCUS_WHICH, 0, static_cast<LPARAM>(v->hitCode));
        focus = asked > kPaneCount || asked < 0 ? v->focusPane : static_cast<int>(asked);
    }
    if (focus >= kPaneCount) focus = v->focusPane;
    SetFocusPane(v, focus);
    if (GetFocus() != v->hwnd) SetFocus(v->hwnd);
}

bool IsPress(UINT msg) {
    return msg == WM_LBUTTONDOWN || msg == WM_RBUTTONDOWN || msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK;
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
    if (IsPress(msg)) OnMouseButtonFocus(v);
    RelayToTooltip(v, msg, wParam, lParam);
    const int number = PaneOfHit(v->hitCode);
    if (msg == WM_MOUSEMOVE && v->hot.active && PaneOfHit(v->hot.button.hitCode) != number) EndHotTracking(v);
    Pane& pane = v->panes[number];
    return pane.paneClass->OnMouse(v, &pane, msg, wParam, lParam);
}

LRESULT RouteWheel(TrackView* v, UINT msg, WPARAM wParam, LPARAM lParam) {
    // Plain Ctrl is the grid tool's; the view zooms and scrolls with the rest.
    const int over = PaneOfHit(v->hitCode);
    const bool ctrl = CtrlHeld(), shift = ShiftHeld();
    if (msg == WM_MOUSEWHEEL && (!ctrl || shift) && (over == PANE_GRID || over == PANE_RULER || over == PANE_LOOP_BAR) &&
        NavigationWheel(v, wParam))
        return 0;
    Pane& pane = HitPane(v);
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
        RequestCursorRefresh(v);
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

LRESULT OnKeyMessage(TrackView* v, UINT msg, WPARAM wParam, LPARAM lParam) {
    if ((msg == WM_KEYDOWN || msg == WM_SYSKEYDOWN) && wParam != VK_SHIFT && (v->autoScroll.mode & AS_WHEEL)) {
        EndAutoScroll(v);
        return 0;
    }
    if (msg == WM_KEYUP && (wParam == VK_LEFT || wParam == VK_RIGHT)) v->follow.keyPending = false;
    const bool taken = RouteKey(v, msg, wParam, lParam);
    if (msg == WM_KEYDOWN) v->focus.noRepeat = false;
    if (taken) return 0;
    if (msg == WM_SYSKEYDOWN || msg == WM_SYSKEYUP) return DefWindowProc(v->hwnd, msg, wParam, lParam);
    return msg == WM_KEYDOWN ? VIEW_KEY_LEFT_ALONE : 0;
}

void OnTimer(TrackView* v, WPARAM id) {
    switch (id) {
    case kRepeatTimer:
        if (v->repeatCallback) v->repeatCallback(v);
        else KillTimer(v->hwnd, kRepeatTimer);
        return;
    case kIdleTimer:
        if (v->autoScroll.mode) AutoScrollStep(v);
        else v->owner.Idle(v);
        return;
    case kHotTimer: {
        POINT pt{};
        GetCursorPos(&pt);
        if (WindowFromPoint(pt) != v->hwnd) {
            SendMessage(v->hwnd, WM_MOUSELEAVE, 0, 0);
            KillTimer(v->hwnd, kHotTimer);
        }
        return;
    }
    default: return;
    }
}

LRESULT OnContextMenu(TrackView* v, WPARAM wParam, LPARAM lParam) {
    if (lParam == static_cast<LPARAM>(-1) || static_cast<DWORD>(lParam) == 0xFFFFFFFFu) {
        // From the keyboard: the grid's menu at the edit cursor, a little inside the grid.
        POINT pt{std::max(XOfTick(v, v->time.editCursor), static_cast<int>(v->geo.grid.left) + kKeyboardMenuInset),
                 v->geo.grid.top + kKeyboardMenuInset};
        ClientToScreen(v->hwnd, &pt);
        Pane& grid = v->panes[PANE_GRID];
        return grid.paneClass->OnMouse(v, &grid, WM_CONTEXTMENU, PANE_CONTEXT_FROM_KEYBOARD, MAKELPARAM(pt.x, pt.y));
    }
    Pane& pane = HitPane(v);
    return pane.paneClass->OnMouse(v, &pane, WM_CONTEXTMENU, wParam, lParam);
}

bool IsOwnerEditMessage(UINT msg) {
    return (msg >= WM_CUT && msg <= WM_DESTROYCLIPBOARD) || (msg >= PRM_EDIT_FIRST && msg <= PRM_EDIT_LAST);
}

// What the view passes on: commands it does not handle, notifications, help, owner drawing, the
// palette, the edit messages; the menu messages go to the parent.
LRESULT OwnerMessage(TrackView* v, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_COMMAND:
        if (v->parts->ToolCommand(v, LOWORD(wParam)) || HandleSnapCommand(v, LOWORD(wParam))) return 0;
        if (LoopBarCommand(v, LOWORD(wParam)) || v->parts->GridCommand(v, LOWORD(wParam))) return 0;
        return v->owner.Command(v, wParam, lParam);
    case WM_NOTIFY: return v->owner.Notify(v, wParam, lParam);
    case WM_HELP: return v->owner.Help(v, wParam, lParam);
    case WM_MEASUREITEM:
    case WM_DRAWITEM: return v->owner.OwnerDraw(v, msg, wParam, lParam);
    case WM_QUERYNEWPALETTE:
    case WM_PALETTEISCHANGING:
    case WM_PALETTECHANGED: return v->owner.Palette(v, msg, wParam, lParam);
    case WM_MENUSELECT:
    case WM_ENTERIDLE:
        if (HWND parent = GetParent(v->hwnd)) return SendMessage(parent, msg, wParam, lParam);
        return 0;
    default:
        if (IsOwnerEditMessage(msg)) return v->owner.EditMessage(v, msg, wParam, lParam);
        return DefWindowProc(v->hwnd, msg, wParam, lParam);
    }
}

} // namespace

TrackView* ViewOfWindow(HWND hwnd) { return reinterpret_cast<TrackView*>(GetWindowLongPtr(hwnd, GWLP_USERDATA)); }

void ReleaseViewWindow(TrackView* v) {
    HWND hwnd = v->hwnd;
    if (!hwnd) return;
    SetWindowLongPtr(hwnd, GWLP_USERDATA, 0);
    for (UINT_PTR timer : {kRepeatTimer, kIdleTimer, kHotTimer}) KillTimer(hwnd, timer);
    v->hot.active = false;
    v->tip.window = nullptr; // owned pop-ups go with their owner
    InitPanes(v, PANE_INIT_DESTROYED);
    v->offscreen.reset();
    v->hwnd = nullptr;
    v->owner.Released(v);
}

void HitTestView(TrackView* v, int x, int y, bool force) {
    if (!force && v->hitPointValid && v->hitPoint.x == x && v->hitPoint.y == y && !(v->flags & TVF_CURSOR_REFRESH))
        return;
    const int oldHover = v->hoverRow;
    const std::uint32_t oldHit = v->hitCode;
    ClearTipWanted(v);
    v->flags &= ~TVF_CURSOR_REFRESH;
    v->hoverRow = -1;
    v->hitCode = 0;
    const POINT pt{x, y};
    for (int i = 0; i < kPaneCount; ++i) {
        Pane& pane = v->panes[i];
        if (!PaneShown(pane) || !PtInRect(&pane.rect, pt)) continue;
        const auto part = static_cast<std::uint32_t>(pane.paneClass->HitTest(v, &pane, x, y));
        v->hitCode = pane.id + static_cast<std::uint32_t>(PartOfHit(part));
        break;
    }
    v->hitPoint = pt;
    v->hitPointValid = true;
    UpdateTooltip(v);
    // The status field names the row under the pointer, or the lane's value at the pointer, which
    // changes with every move over the lane.
    const bool overLanes = PaneOfHit(oldHit) == PANE_LANES || PaneOfHit(v->hitCode) == PANE_LANES;
    if (v->hoverRow != oldHover || overLanes) InvalidateView(v, INV_NO_GRID | INV_TRANSPORT);
}

void RequestCursorRefresh(TrackView* v) { v->flags |= TVF_CURSOR_REFRESH; }

void SetHoverRow(TrackView* v, int row) { v->hoverRow = row; }

void SetDrag(TrackView* v, Drag drag) {
    // One pane's drag is never taken over by another's.
    assert(v->drag == Drag::None || drag == Drag::None || DragOwner(v->drag) == DragOwner(drag));
    v->drag = drag;
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
    for (int i = kFirstUnusedPane; i < kPaneCount; ++i) {
        v->panes[i].width = v->panes[i].height = 0;
        v->panes[i].rect = {0, 0, 0, 0};
    }
    v->offscreen.reset();
    MarkBackgroundStale(v);
    v->geo.grid = remaining;
    ResizeGeometry(v, force);
}

LRESULT TrackViewWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) return OnCreate(hwnd, reinterpret_cast<const CREATESTRUCT*>(lParam));
    TrackView* v = ViewOfWindow(hwnd);
    if (!v) return DefWindowProc(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_DESTROY: ReleaseViewWindow(v); return 0;
    case WM_SIZE: OnSize(v, wParam, lParam); return 0;
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
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL: return RouteWheel(v, msg, wParam, lParam);
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDOWN:
    case WM_RBUTTONUP:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDOWN:
    case WM_MBUTTONUP:
    case WM_MBUTTONDBLCLK: return RouteMouse(v, msg, wParam, lParam);
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP: return OnKeyMessage(v, msg, wParam, lParam);
    case WM_SETCURSOR:
        if (LOWORD(lParam) == HTCLIENT && reinterpret_cast<HWND>(wParam) == hwnd) {
            Pane& pane = HitPane(v);
            SetCursor(VorUI_LoadCursor(pane.paneClass->GetCursor(v, &pane, v->hitCode)));
            return TRUE;
        }
        return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_CANCELMODE: {
        Pane& pane = HitPane(v);
        pane.paneClass->OnMouse(v, &pane, msg, wParam, lParam);
        return 0;
    }
    case WM_CAPTURECHANGED: {
        Pane& pane = HitPane(v);
        return pane.paneClass->OnMouse(v, &pane, msg, wParam, lParam);
    }
    case WM_TIMER: OnTimer(v, wParam); return 0;
    case WM_MOUSELEAVE: EndHotTracking(v); return 0;
    case WM_SETFOCUS: GainFocus(v); return 0;
    case WM_KILLFOCUS: LoseFocus(v); return 0;
    case WM_CONTEXTMENU: return OnContextMenu(v, wParam, lParam);
    case WM_SETFONT:
        v->font = reinterpret_cast<HFONT>(wParam);
        if (LOWORD(lParam)) InvalidateView(v, INV_ALL);
        return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(v->font);
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS;
    case PRM_SCRIPT_POSITION: return v->parts->ScriptQuery(v, wParam, lParam);
    case WM_SYSCOLORCHANGE:
    case WM_SETTINGCHANGE:
        ComputeDragThreshold(v);
        MarkBackgroundStale(v);
        v->owner.SettingsChanged(v, msg);
        InvalidateView(v, INV_ALL);
        return 0;
    default: return OwnerMessage(v, msg, wParam, lParam);
    }
}

} // namespace pianoroll
