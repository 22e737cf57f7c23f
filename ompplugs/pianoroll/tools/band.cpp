// The rubber band of the Selection and Zoom tools: its rectangle, exclusive-or drawing, modes, and the
// marquee selection of the rows and times it covers.
#include "tools/band.h"

#include <algorithm>

#include "mp/plugin.h"
#include "mp/track_access.h"
#include "view/snapping.h"
#include "tools/tool_framework.h"
#include "view/gdi_handle.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kBandModeCount = 3;

// The band from its anchor to the point, kept in the grid; the grid reaches one pixel further on each
// side that has more of the track beyond it.
RECT BandRect(TrackView* v, int x, int y) {
    const BandState& b = ToolsOf(v)->band;
    RECT limit = v->geo.grid;
    if (v->geo.timeOrigin > 0) --limit.left;
    if (v->geo.timeOrigin + v->geo.timeSpan < v->geo.documentLength) ++limit.right;
    if (v->geo.topRow > 0) --limit.top;
    ++limit.bottom;
    const int ax = std::clamp(XOfTick(v, b.anchorTime), -kPixelClamp, kPixelClamp);
    const int ay = YOfUnit(v, b.anchorUnit);
    RECT r{std::clamp<int>(ax, limit.left, limit.right), std::clamp<int>(ay, limit.top, limit.bottom),
           std::clamp<int>(x, limit.left, limit.right), std::clamp<int>(y, limit.top, limit.bottom)};
    if (b.mode == BAND_TIME) {
        r.top = limit.top;
        r.bottom = limit.bottom;
    } else if (b.mode == BAND_ROWS) {
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

} // namespace

void PaintGridAndBand(TrackView* v, Pane* pane, HDC dc, const RECT* clip) {
    // The band is drawn by inverting: the next paint draws the grid again.
    const bool band = v->tools && v->tools->band.drawn;
    PaintGrid(v, pane, dc, clip, !band);
    if (band) DrawBand(v, dc);
}

void DrawBand(TrackView* v, HDC dc) {
    const RECT& r = ToolsOf(v)->band.rect;
    if (r.right <= r.left || r.bottom <= r.top) return;
    // Made before the DC is saved, so that it is selected out again before it is deleted.
    const OwnedPen pen(CreatePen(PS_DOT, 1, RGB(0, 0, 0)));
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, v->geo.grid.left, v->geo.grid.top, v->geo.grid.right, v->geo.grid.bottom);
    SelectObject(dc, pen.Get());
    SelectObject(dc, GetStockObject(NULL_BRUSH));
    SetROP2(dc, R2_XORPEN);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 255, 255));
    Rectangle(dc, r.left, r.top, r.right, r.bottom);
    RestoreDC(dc, saved);
}

void RemoveBand(TrackView* v) {
    BandState& b = ToolsOf(v)->band;
    if (b.drawn) DrawBandOnWindow(v);
    b.drawn = false;
    b.active = false;
}

void UpdateBand(TrackView* v, int x, int y) {
    BandState& b = ToolsOf(v)->band;
    if (b.drawn) DrawBandOnWindow(v);
    b.drawn = false;
    b.rect = BandRect(v, x, y);
    if (b.rect.right > b.rect.left && b.rect.bottom > b.rect.top) {
        DrawBandOnWindow(v);
        b.drawn = true;
    }
}

void BeginBand(TrackView* v, int x, int y, bool marquee) {
    BandState& b = ToolsOf(v)->band;
    b.anchorTime = TickOfX(v, x);
    b.anchorUnit = UnitOfY(v, y);
    b.anchorPoint = {x, y};
    b.drawn = false;
    b.active = true;
    if (marquee) {
        const int row = RowAtY(v, std::clamp<int>(y, v->geo.grid.top, std::max<int>(v->geo.grid.bottom - 1, v->geo.grid.top)));
        b.marqueeAnchorRow = row >= 0 ? row : (y < v->geo.grid.top ? v->geo.topRow : v->geo.rowCount);
        b.rememberedSelection.clear();
        v->access->ForEachMaybeSelected(mp::MEK_NOTE, [&](const mp::TrackAccess::WalkedEvent& e) {
            if (e.record.flags & mp::MEF_SELECTED) b.rememberedSelection.push_back(e.key);
        }, true); // the flags are all it reads
        UpdateMarquee(v, x, y, ShiftHeld());
    } else {
        UpdateBand(v, x, y);
    }
    CaptureGrid(v);
}

void UpdateMarquee(TrackView* v, int x, int y, bool shift) {
    const BandState& b = ToolsOf(v)->band;
    int rowA = std::clamp(b.marqueeAnchorRow, 0, v->geo.rowCount - 1);
    int rowB = ClampedRowAtY(v, y);
    std::int64_t t0 = std::max<std::int64_t>(b.anchorTime, 0);
    std::int64_t t1 = std::max<std::int64_t>(TickOfX(v, x), 0);
    if (b.mode == BAND_TIME) {
        rowA = 0;
        rowB = v->geo.rowCount - 1;
    } else if (b.mode == BAND_ROWS) {
        t0 = 0;
        t1 = std::max(v->geo.timeOrigin + v->geo.timeSpan, v->geo.documentLength);
    }
    const std::int64_t start = std::min(t0, t1), length = std::max(t0, t1) - start;
    const int top = std::min(rowA, rowB), bottom = std::max(rowA, rowB);
    mp::TrackAccess* a = v->access;
    const std::uint64_t generation = a->Plugin() ? a->Plugin()->DataGeneration() : 0;
    a->SelectAll(false);
    if (shift)
        for (const mp::EventKey& key : b.rememberedSelection) SetNoteSelected(v, key, true);
    a->SelectNotesInRange(start, length, PitchOfRow(v, bottom), PitchOfRow(v, top), true);
    // A step that flipped no note's selection heard no report and leaves the notes as they are
    // painted: with many notes a repaint on every pointer move would cost more than the move.
    if (!a->Plugin() || a->Plugin()->DataGeneration() != generation) RedrawGrid(v);
    NotifyRefreshState(v);
    UpdateBand(v, x, y);
}

void CycleBandMode(TrackView* v, int x, int y) {
    BandState& b = ToolsOf(v)->band;
    b.mode = (b.mode + 1) % kBandModeCount;
    if (v->drag == Drag::Marquee) UpdateMarquee(v, x, y, ShiftHeld());
    else UpdateBand(v, x, y);
}

} // namespace pianoroll
