// The Selection and Zoom tools: the rubber band (marquee and zoom box), its modes, and the moves of
// selected notes that the Selection tool starts.
#include <algorithm>
#include <cstdlib>

#include "mp/settings.h"
#include "mp/track_access.h"
#include "tools/snapping.h"
#include "tools/tools.h"
#include "view/navigation.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kZoomClickBox = 10;

bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

RECT BandRect(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    RECT limit = v->grid;
    if (v->timeOrigin > 0) --limit.left;
    if (v->timeOrigin + v->timeSpan < v->documentLength) ++limit.right;
    if (v->topRow > 0) --limit.top;
    ++limit.bottom;
    const int ax = std::clamp(XOfTick(v, s->bandAnchorTime), -kPixelClamp, kPixelClamp);
    const int ay = YOfUnit(v, s->bandAnchorUnit);
    RECT r{std::clamp<int>(ax, limit.left, limit.right), std::clamp<int>(ay, limit.top, limit.bottom),
           std::clamp<int>(x, limit.left, limit.right), std::clamp<int>(y, limit.top, limit.bottom)};
    if (s->bandMode == BAND_TIME) {
        r.top = limit.top;
        r.bottom = limit.bottom;
    } else if (s->bandMode == BAND_ROWS) {
        r.left = limit.left;
        r.right = limit.right;
    }
    if (r.left > r.right) std::swap(r.left, r.right);
    if (r.top > r.bottom) std::swap(r.top, r.bottom);
    return r;
}

void DrawBandOnWindow(TrackView* v) {
    if (!v->hwnd) return;
    if (HDC dc = GetDC(v->hwnd)) {
        DrawBand(v, dc);
        ReleaseDC(v->hwnd, dc);
    }
}

void BeginMarqueeOrPress(TrackView* v, Pane* pane, UINT msg, int x, int y) {
    ToolState* s = ToolsOf(v);
    if (PressIsIgnored(v)) return;
    const int hit = pane->paneClass->HitTest(v, pane, x, y);
    // A double-click on a note body belongs to the velocity entry of the velocity commands.
    if ((msg == WM_LBUTTONDBLCLK) && hit == HitNote) return;
    RecordClickKind(v, msg, x, y);
    RecordPress(v, x, y, hit);
    if (!ShiftHeld() && !CtrlHeld() && s->pressHasNote && v->access->IsEventSelected(s->pressNote)) {
        SoundNote(v, s->pressNote);
        v->drag = Drag::Pressed;
    } else {
        v->drag = Drag::MarqueeArmed;
    }
    CaptureGrid(v);
}

void SelectionRelease(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    ToolState* s = ToolsOf(v);
    const int x = static_cast<short>(LOWORD(lParam));
    switch (v->drag) {
    case Drag::Marquee:
        RemoveBand(v);
        s->remembered_selection.clear();
        EndDrag(v);
        RedrawGrid(v);
        return;
    case Drag::Pressed:
    case Drag::MarqueeArmed: {
        if (v->drag == Drag::Pressed) SilenceNote(v);
        if (!ShiftHeld()) {
            if (s->pressHit == HitOutside || s->pressHit == HitEmpty) DeselectAll(v);
            v->drag = Drag::None;
            ReleaseAsClick(v, x, static_cast<short>(HIWORD(lParam)));
            EndDrag(v);
            return;
        }
        if (s->pressHasNote) {
            const std::int64_t t = std::max<std::int64_t>(TickOfX(v, x), 0);
            if (!v->access->AnyEventSelected()) {
                s->anchorRow = s->pressRow;
                s->anchorTime = t;
            }
            SelectRectangle(v, s->anchorTime, t, s->anchorRow, s->pressRow, true);
        }
        EndDrag(v);
        return;
    }
    default: CommonOnMouse(v, pane, msg, wParam, lParam); return;
    }
}

void ZoomTo(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    if (std::abs(x - s->press.x) <= kZoomClickBox && std::abs(y - s->press.y) <= kZoomClickBox) {
        if (s->doubleClickMessage) {
            SetTimeView(v, 0, v->documentLength, TV_PROGRAM);
            SetVerticalView(v, 0, v->verticalExtent, VV_PROGRAM);
        }
        return;
    }
    if (s->bandMode != BAND_ROWS) {
        const std::int64_t t = std::max<std::int64_t>(TickOfX(v, x), 0);
        const std::int64_t from = std::min(t, s->pressTime), to = std::max(t, s->pressTime);
        SetTimeView(v, from, to - from, TV_PROGRAM);
    }
    if (s->bandMode != BAND_TIME) {
        const int unit = UnitOfY(v, y);
        const int top = std::min(unit, s->pressUnit), bottom = std::max(unit, s->pressUnit);
        SetVerticalView(v, top, std::max(bottom - top, kUnitsPerRow), VV_PROGRAM | VV_FIXED_SPAN);
    }
}

void EndZoomGesture(TrackView* v) {
    ToolState* s = ToolsOf(v);
    if (s->remembered >= 0) {
        SelectTool(v, s->remembered);
        NotifyRefreshState(v);
    }
    InvalidateView(v, INV_ALL);
}

} // namespace

// ---- the band ----------------------------------------------------------------------------------------------

void DrawBand(TrackView* v, HDC dc) {
    ToolState* s = ToolsOf(v);
    const RECT& r = s->band;
    if (r.right <= r.left || r.bottom <= r.top) return;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, v->grid.left, v->grid.top, v->grid.right, v->grid.bottom);
    HPEN pen = CreatePen(PS_DOT, 1, RGB(0, 0, 0));
    SelectObject(dc, pen);
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetROP2(dc, R2_XORPEN);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 255));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    RestoreDC(dc, saved);
    DeleteObject(pen);
}

void RemoveBand(TrackView* v) {
    ToolState* s = ToolsOf(v);
    if (s->bandDrawn) DrawBandOnWindow(v);
    s->bandDrawn = false;
    s->bandActive = false;
}

void UpdateBand(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    if (s->bandDrawn) DrawBandOnWindow(v);
    s->bandDrawn = false;
    s->band = BandRect(v, x, y);
    if (s->band.right > s->band.left && s->band.bottom > s->band.top) {
        DrawBandOnWindow(v);
        s->bandDrawn = true;
    }
}

void BeginBand(TrackView* v, int x, int y, bool marquee) {
    ToolState* s = ToolsOf(v);
    s->bandAnchorTime = TickOfX(v, x);
    s->bandAnchorUnit = UnitOfY(v, y);
    s->bandAnchorPoint = {x, y};
    s->bandDrawn = false;
    s->bandActive = true;
    if (marquee) {
        const int row = RowAtY(v, std::clamp<int>(y, v->grid.top, std::max<int>(v->grid.bottom - 1, v->grid.top)));
        s->marqueeAnchorRow = row >= 0 ? row : (y < v->grid.top ? v->topRow : v->rowCount);
        s->remembered_selection.clear();
        int cursor = -1;
        mp::EventKey key{};
        mp::MidiEventRecord record{};
        while (v->access->NextEventInRange(&cursor, -1, 0, mp::MEK_NOTE, false, &key, &record) == S_OK)
            if (record.flags & mp::MEF_SELECTED) s->remembered_selection.push_back(key);
        UpdateMarquee(v, x, y, ShiftHeld());
    } else {
        UpdateBand(v, x, y);
    }
    CaptureGrid(v);
}

void UpdateMarquee(TrackView* v, int x, int y, bool shift) {
    ToolState* s = ToolsOf(v);
    int rowA = std::clamp(s->marqueeAnchorRow, 0, v->rowCount - 1);
    int rowB = ClampedRowAtY(v, y);
    std::int64_t t0 = std::max<std::int64_t>(s->bandAnchorTime, 0);
    std::int64_t t1 = std::max<std::int64_t>(TickOfX(v, x), 0);
    if (s->bandMode == BAND_TIME) {
        rowA = 0;
        rowB = v->rowCount - 1;
    } else if (s->bandMode == BAND_ROWS) {
        t0 = 0;
        t1 = std::max(v->timeOrigin + v->timeSpan, v->documentLength);
    }
    const std::int64_t start = std::min(t0, t1), length = std::max(t0, t1) - start;
    const int top = std::min(rowA, rowB), bottom = std::max(rowA, rowB);
    mp::TrackAccess* a = v->access;
    a->SelectAll(false);
    if (shift)
        for (const mp::EventKey& key : s->remembered_selection) SetNoteSelected(v, key, true);
    a->SelectRange(start, length, PitchOfRow(v, bottom), PitchOfRow(v, top), true);
    RedrawGrid(v);
    NotifyRefreshState(v);
    UpdateBand(v, x, y);
}

void CycleBandMode(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    s->bandMode = (s->bandMode + 1) % 3;
    if (v->drag == Drag::Marquee) UpdateMarquee(v, x, y, ShiftHeld());
    else UpdateBand(v, x, y);
}

// ---- the Selection tool ---------------------------------------------------------------------------------------

LRESULT SelectionOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    ToolState* s = ToolsOf(v);
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    const bool captured = v->hwnd && GetCapture() == v->hwnd;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: BeginMarqueeOrPress(v, pane, msg, x, y); return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if ((wParam & MK_LBUTTON) && (v->drag == Drag::Marquee || v->drag == Drag::MarqueeArmed)) {
            if (v->drag == Drag::MarqueeArmed) {
                v->drag = Drag::Marquee;
                BeginBand(v, x, y, true);
            }
            CycleBandMode(v, x, y);
            return 0;
        }
        return CommonOnMouse(v, pane, msg, wParam, lParam);
    case WM_MOUSEMOVE:
        if (!captured) return 0;
        switch (v->drag) {
        case Drag::Pressed: {
            const bool right = (wParam & MK_RBUTTON) != 0;
            if (!BeyondThreshold(v, x, y, right ? 2 : 1)) return 0;
            if (right) return CommonOnMouse(v, pane, msg, wParam, lParam);
            v->drag = Drag::Inert;
            if (s->pressHit == HitNote && SetUpMove(v, false)) {
                v->drag = Drag::MoveNotes;
                ApplyMove(v, x, y);
            }
            return 0;
        }
        case Drag::MoveNotes:
            if (x == s->last.x && y == s->last.y) return 0;
            ApplyMove(v, x, y);
            FollowWithAutoScroll(v, x, y, s->axis != 1 ? std::uint32_t{AS_VERTICAL} : 0u);
            if (!ShiftHeld() && !CtrlHeld()) UpdateWindow(v->hwnd);
            return 0;
        case Drag::MarqueeArmed:
            if (x == s->press.x && y == s->press.y) return 0; // no movement yet
            v->drag = Drag::Marquee;
            BeginBand(v, x, y, true);
            s->last = {x, y};
            return 0;
        case Drag::Marquee:
            if (x == s->last.x && y == s->last.y) return 0;
            s->last = {x, y};
            UpdateMarquee(v, x, y, ShiftHeld());
            FollowWithAutoScroll(v, x, y, AS_VERTICAL);
            return 0;
        default: return CommonOnMouse(v, pane, msg, wParam, lParam);
        }
    case PANE_AUTOSCROLLED:
        if (v->drag != Drag::Marquee) return CommonOnMouse(v, pane, msg, wParam, lParam);
        s->last = {x, y};
        UpdateMarquee(v, x, y, ShiftHeld());
        return 0;
    case WM_LBUTTONUP: SelectionRelease(v, pane, msg, wParam, lParam); return 0;
    default: return CommonOnMouse(v, pane, msg, wParam, lParam);
    }
}

int SelectionGetCursor(TrackView*, Pane*, std::uint32_t) { return CURSOR_MARQUEE; }

// ---- the Zoom tool --------------------------------------------------------------------------------------------

LRESULT ZoomOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    ToolState* s = ToolsOf(v);
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    const bool captured = v->hwnd && GetCapture() == v->hwnd;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (PressIsIgnored(v)) return 0;
        RecordClickKind(v, msg, x, y);
        RecordPress(v, x, y, pane->paneClass->HitTest(v, pane, x, y));
        v->drag = Drag::ZoomBox;
        BeginBand(v, x, y, false);
        return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK:
        if ((wParam & MK_LBUTTON) && v->drag == Drag::ZoomBox) {
            CycleBandMode(v, x, y);
            return 0;
        }
        return CommonOnMouse(v, pane, msg, wParam, lParam);
    case WM_MOUSEMOVE:
    case PANE_AUTOSCROLLED:
        if ((captured || msg == PANE_AUTOSCROLLED) && v->drag == Drag::ZoomBox) {
            s->last = {x, y};
            UpdateBand(v, x, y);
            FollowWithAutoScroll(v, x, y, AS_VERTICAL);
            return 0;
        }
        return CommonOnMouse(v, pane, msg, wParam, lParam);
    case WM_LBUTTONUP:
        if (v->drag != Drag::ZoomBox) return CommonOnMouse(v, pane, msg, wParam, lParam);
        RemoveBand(v);
        EndDrag(v);
        ZoomTo(v, x, y);
        EndZoomGesture(v);
        return 0;
    default: return CommonOnMouse(v, pane, msg, wParam, lParam);
    }
}

int ZoomGetCursor(TrackView*, Pane*, std::uint32_t) { return CURSOR_MAGNIFIER; }

} // namespace pianoroll
