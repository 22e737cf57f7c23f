// View geometry: time and pitch to pixel conversions, zoom levels, and the clamping setters.
#include <algorithm>
#include <cmath>

#include "view/tick_columns.h"
#include "view/track_view.h"

namespace pianoroll {

namespace {

int ClampPixel(double x) {
    if (x < -kPixelClamp) return -kPixelClamp;
    if (x > kPixelClamp - 1) return kPixelClamp - 1;
    return static_cast<int>(x);
}

int ClampPixel(long long x) {
    return static_cast<int>(std::clamp<long long>(x, -kPixelClamp, kPixelClamp - 1));
}

constexpr std::int64_t kMaxDocumentLength = std::int64_t{1} << 62;
// Row height levels of a view with a fixed height.
constexpr int kFixedHeightLevels = 24;

int MaxTopRow(const TrackView* v, int span) { return std::max(0, v->geo.rowCount - span / kUnitsPerRow + 1); }

} // namespace

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    const long long num = static_cast<long long>(a) * b;
    long long q = num / c;
    const long long r = num % c;
    // Half away from zero: |2r| >= |c| moves one step away from zero.
    if (r != 0 && 2 * std::llabs(r) >= std::llabs(static_cast<long long>(c))) q += ((num < 0) != (c < 0)) ? -1 : 1;
    if (q > INT32_MAX || q < INT32_MIN) return -1;
    return static_cast<int>(q);
}

int XOfTick(const TrackView* v, std::int64_t t) {
    if (v->geo.timeSpan == 0) return -1;
    const double offset = std::trunc(static_cast<double>(t - v->geo.timeOrigin) * v->geo.zoomPixels /
                                         static_cast<double>(v->geo.timeSpan) +
                                     0.5);
    return ClampPixel(v->geo.grid.left + offset);
}

int XOfTickUp(const TrackView* v, std::int64_t t) {
    if (v->geo.timeSpan == 0) return -1;
    const double span = static_cast<double>(v->geo.timeSpan);
    const double offset =
        std::trunc((static_cast<double>(t - v->geo.timeOrigin) * v->geo.zoomPixels + span - 1) / span);
    return ClampPixel(v->geo.grid.left + offset);
}

TickColumns::TickColumns(const TrackView* v) : v_(v) {
    const ViewGeometry& g = v->geo;
    constexpr std::int64_t kExactProduct = std::int64_t{1} << 52;
    exact_ = g.timeSpan > 0 && g.timeSpan < kExactProduct / 4 && g.zoomPixels > 0;
    if (!exact_) return;
    origin_ = g.timeOrigin;
    span_ = g.timeSpan;
    pixels_ = g.zoomPixels;
    left_ = g.grid.left;
    // Beyond this the products lose their exactness as doubles; ticks there are left to XOfTick.
    limit_ = (kExactProduct - 1 - span_) / pixels_;
}

std::int64_t TickOfX(const TrackView* v, int x) {
    if (v->geo.zoomPixels == 0) return v->geo.timeOrigin;
    return v->geo.timeOrigin + static_cast<std::int64_t>(std::trunc(static_cast<double>(x - v->geo.grid.left) *
                                                                     static_cast<double>(v->geo.timeSpan) /
                                                                     v->geo.zoomPixels +
                                                                 0.5));
}

std::int64_t TicksOfWidth(const TrackView* v, int w) {
    if (v->geo.zoomPixels == 0) return 0;
    return static_cast<std::int64_t>(
        std::trunc(static_cast<double>(v->geo.timeSpan) * w / v->geo.zoomPixels + 0.5));
}

int YOfUnit(const TrackView* v, int u) { return v->geo.grid.top + MulDiv(u - v->geo.verticalTop, v->geo.gridHeight, v->geo.verticalSpan); }

int UnitOfY(const TrackView* v, int y) { return v->geo.verticalTop + MulDiv(y - v->geo.grid.top, v->geo.verticalSpan, v->geo.gridHeight); }

int UnitsOfHeight(const TrackView* v, int h) { return MulDiv(h, v->geo.verticalSpan, v->geo.gridHeight); }

void RowBand(const TrackView* v, int row, int* top, int* bottom) {
    if (row < v->geo.topRow) {
        *top = *bottom = v->geo.grid.top;
        return;
    }
    const long long unit = v->geo.verticalTop + static_cast<long long>(row - v->geo.topRow) * kUnitsPerRow;
    const long long clampedUnit = std::min<long long>(unit, INT32_MAX - kUnitsPerRow);
    const int u = static_cast<int>(clampedUnit);
    int t = ClampPixel(static_cast<long long>(YOfUnit(v, u)));
    int b = ClampPixel(static_cast<long long>(YOfUnit(v, u + kUnitsPerRow)));
    if (t >= v->geo.grid.bottom) b = t;
    *top = t;
    *bottom = b;
}

int RowAtY(const TrackView* v, int y) {
    if (v->geo.rowCount <= 0) return ROW_NONE;
    if (y < v->geo.grid.top) return ROW_ABOVE_GRID;
    if (y >= v->geo.grid.bottom) return ROW_BELOW_GRID;
    // Start from the row the unit mapping names, then step to the band that holds y.
    int row = v->geo.topRow;
    if (v->geo.verticalSpan > 0) row = v->geo.topRow + std::max(0, (UnitOfY(v, y) - v->geo.verticalTop) / kUnitsPerRow - 1);
    row = std::clamp(row, v->geo.topRow, std::max(v->geo.topRow, v->geo.rowCount - 1));
    for (; row < v->geo.rowCount; ++row) {
        int top, bottom;
        RowBand(v, row, &top, &bottom);
        if (y < top) {
            if (row > v->geo.topRow) {
                // The estimate overshot: walk back.
                for (int r = row - 1; r >= v->geo.topRow; --r) {
                    RowBand(v, r, &top, &bottom);
                    if (y >= top && y < bottom) return r;
                    if (y >= bottom) break;
                }
            }
            return ROW_NONE;
        }
        if (y < bottom) return row;
    }
    return ROW_NONE;
}

std::int64_t SpanOfTimeLevel(const TrackView* v, int level) {
    std::int64_t m = 2;
    if (level >= 0) {
        const int shift = std::min(level / 2, 56);
        m = (level % 2 == 0) ? (std::int64_t{2} << shift) : (std::int64_t{3} << shift);
    }
    const double span = static_cast<double>(v->geo.zoomPixels) * static_cast<double>(m) / 2.0;
    std::int64_t result = span >= 9.2e18 ? INT64_MAX : static_cast<std::int64_t>(span);
    return std::min(result, v->geo.documentLength);
}

int TimeLevelOfSpan(const TrackView* v, std::int64_t span) {
    const int zp = std::max(v->geo.zoomPixels, 1);
    std::int64_t q = static_cast<std::int64_t>(std::trunc(2.0 * static_cast<double>(span) / zp + 0.5));
    if (q < 2) return 0;
    int level = 0;
    while (q >= 4) {
        q /= 2;
        level += 2;
    }
    if (q == 3) level += 1;
    if (span == v->geo.documentLength) level += 1;
    return level;
}

int VerticalSpanOfLevel(const TrackView* v, int level) {
    return static_cast<int>(std::trunc(static_cast<double>(v->geo.gridHeight) / (level + kRowPixelsAtLevelZero) * kUnitsPerRow));
}

int RowLevelOfSpan(const TrackView* v, int span) {
    const int maxLevel = std::max(v->geo.gridHeight - kRowPixelsAtLevelZero, 0);
    if (span <= 0) return maxLevel;
    const int level = static_cast<int>(std::trunc(v->geo.gridHeight / (span / static_cast<double>(kUnitsPerRow)))) - kRowPixelsAtLevelZero;
    return std::clamp(level, 0, maxLevel);
}

int ComputeVerticalExtent(const TrackView* v) {
    constexpr int kHighestCountedLevel = 40;
    const int level = std::clamp(v->geo.rowHeightLevel, 0, kHighestCountedLevel);
    const double rows = static_cast<double>(v->geo.gridHeight) / (level + kRowPixelsAtLevelZero);
    const double fraction = rows - std::floor(rows);
    const int extent = (v->geo.rowCount + 1) * kUnitsPerRow + static_cast<int>(std::trunc(fraction * kUnitsPerRow));
    return std::max(extent, v->geo.verticalSpan);
}

void SetTimeView(TrackView* v, std::int64_t start, std::int64_t span, int flags) {
    start = std::max<std::int64_t>(start, 0);
    span = std::max<std::int64_t>(span, 0);
    if (v->geo.documentLength <= 0) {
        start = span = 0;
    } else {
        span = std::max<std::int64_t>(span, v->geo.zoomPixels);
        span = std::min(span, v->geo.documentLength);
        if (start + span > v->geo.documentLength) start = std::max<std::int64_t>(v->geo.documentLength - span, 0);
    }
    v->owner.AdjustRange(v, &start, &span);
    v->geo.maxTimeZoomLevel = TimeLevelOfSpan(v, v->geo.documentLength);
    v->geo.timeZoomLevel = TimeLevelOfSpan(v, span);
    if (!(flags & TV_PROGRAM)) {
        // The caret comes back once the view no longer follows playback.
        if (StopFollowingForUser(v) && !v->focus.caretShown && v->focusPane == PANE_GRID) RepositionCaret(v);
    }
    if ((flags & TV_CARET_ONLY) && start == v->geo.timeOrigin && span == v->geo.timeSpan) {
        RepositionCaret(v);
        return;
    }
    v->geo.timeOrigin = start;
    v->geo.timeSpan = span;
    MarkBackgroundStale(v);
    v->geo.ticksPerPixel = static_cast<double>(span) / std::max(v->geo.zoomPixels, 1);
    RepositionCaret(v);
    InvalidateView(v, INV_LOOP_BAR | INV_SPARE_TIME_STRIP | INV_RULER | INV_HSCROLL);
}

void SetDocumentLength(TrackView* v, std::int64_t length) {
    length = std::clamp<std::int64_t>(length, 0, kMaxDocumentLength);
    if (length == v->geo.documentLength) return;
    std::int64_t origin = v->geo.timeOrigin;
    std::int64_t span = v->geo.timeSpan;
    if (length == 0) {
        origin = span = 0;
    } else if (span == 0 || span > v->geo.documentLength) {
        origin = 0;
        span = length;
    } else if (origin + span > length) {
        origin = span < length ? length - span : 0;
    }
    v->geo.documentLength = length;
    SetTimeView(v, origin, span, TV_PROGRAM);
}

void SetVerticalView(TrackView* v, int top, int span, int flags) {
    top = std::max(top, 0);
    span = std::max(span, 0);
    if (flags & VV_FIXED_SPAN) {
        v->geo.verticalSpan = span;
        v->geo.verticalExtent = ComputeVerticalExtent(v);
    }
    const int extent = v->geo.verticalExtent;
    if (extent <= 0) {
        top = span = 0;
    } else {
        span = std::min(std::max(span, v->geo.gridHeight), extent);
        if (top + span > extent) top = std::max(extent - span, 0);
    }
    v->geo.topRow = std::clamp(top / kUnitsPerRow, 0, MaxTopRow(v, span));
    v->geo.verticalTop = v->geo.topRow * kUnitsPerRow;
    v->geo.verticalStep = kUnitsPerRow;
    if (!v->geo.fixedHeight) v->geo.rowHeightLevel = RowLevelOfSpan(v, span);
    v->geo.verticalSpan = span;
    v->geo.unitsPerPixel = static_cast<double>(span) / std::max(v->geo.gridHeight, 1);
    MarkBackgroundStale(v);
    if (!(flags & VV_FIXED_SPAN)) v->geo.verticalExtent = ComputeVerticalExtent(v);
    RepositionCaret(v);
    InvalidateView(v, INV_KEYBOARD | INV_VSCROLL | INV_HSCROLL | INV_SPARE_ROW_STRIP);
}

void ScrollVertically(TrackView* v, int units) {
    const long long wanted = (static_cast<long long>(v->geo.verticalTop) + units) / kUnitsPerRow;
    const int row = static_cast<int>(std::clamp<long long>(wanted, 0, MaxTopRow(v, v->geo.verticalSpan)));
    if (row == v->geo.topRow) return;
    v->geo.topRow = row;
    v->geo.verticalTop = row * kUnitsPerRow;
    v->geo.verticalExtent = ComputeVerticalExtent(v);
    MarkBackgroundStale(v);
    RepositionCaret(v);
    InvalidateView(v, INV_ALL | INV_UPDATE_NOW);
}

void MakeRowVisible(TrackView* v, int row) {
    if (row == -1) row = v->geo.rowCount - 1;
    if (row < 0 || row >= v->geo.rowCount) return;
    const int top = row * kUnitsPerRow;
    const int bottom = top + kUnitsPerRow;
    const int visibleBottom = v->geo.verticalTop + v->geo.verticalSpan;
    if (top >= v->geo.verticalTop && bottom <= visibleBottom) return;
    if (top >= v->geo.verticalTop) {
        const int rows = (bottom - visibleBottom + kUnitsPerRow - 1) / kUnitsPerRow;
        ScrollVertically(v, rows * kUnitsPerRow);
    } else {
        ScrollVertically(v, top - v->geo.verticalTop);
    }
}

void SetRowHeightLevel(TrackView* v, int level, int top, int flags) {
    v->geo.rowHeightLevel = level;
    SetVerticalView(v, top, VerticalSpanOfLevel(v, level), flags | VV_FIXED_SPAN);
}

void SetDefaultRowHeightLevel(TrackView* v, int level) {
    v->geo.rowHeightLevel = level;
    v->geo.defaultRowHeightLevel = level;
}

void SetRowCount(TrackView* v, int rows) { v->geo.rowCount = rows; }

void ResizeGeometry(TrackView* v, bool force) {
    v->geo.gridWidth = std::max<int>(v->geo.grid.right - v->geo.grid.left, 1);
    const int rectHeight = std::max<int>(v->geo.grid.bottom - v->geo.grid.top, 1);
    const int zoomPixels = std::max(v->geo.gridWidth - v->geo.rightMargin, 1);
    const int gridHeight = std::max(rectHeight - v->geo.bottomMargin, 1);
    if (zoomPixels != v->geo.zoomPixels) {
        const int old = v->geo.zoomPixels;
        v->geo.zoomPixels = zoomPixels;
        if (old != 0) {
            const std::int64_t span = static_cast<std::int64_t>(
                std::trunc(static_cast<double>(v->geo.timeSpan) * zoomPixels / old));
            SetTimeView(v, v->geo.timeOrigin, span, TV_PROGRAM);
        }
        v->geo.maxTimeZoomLevel = TimeLevelOfSpan(v, v->geo.documentLength);
        v->geo.timeZoomLevel = TimeLevelOfSpan(v, v->geo.timeSpan);
    }
    if (gridHeight != v->geo.gridHeight || force) {
        v->geo.gridHeight = gridHeight;
        int span;
        if (v->geo.fixedHeight) {
            v->geo.maxRowHeightLevel = kFixedHeightLevels;
            span = gridHeight;
        } else {
            v->geo.maxRowHeightLevel = std::max(gridHeight - kRowPixelsAtLevelZero, 0);
            v->geo.rowHeightLevel = std::clamp(v->geo.rowHeightLevel, 0, v->geo.maxRowHeightLevel);
            span = VerticalSpanOfLevel(v, v->geo.rowHeightLevel);
        }
        SetVerticalView(v, v->geo.verticalTop, span, VV_PROGRAM | VV_FIXED_SPAN);
    }
    v->geo.ticksPerPixel = static_cast<double>(v->geo.timeSpan) / std::max(v->geo.zoomPixels, 1);
    v->geo.unitsPerPixel = static_cast<double>(v->geo.verticalSpan) / std::max(v->geo.gridHeight, 1);
    if (v->focus.hasFocus) RepositionCaret(v);
}

std::int64_t QuantumNearest(std::int64_t t, double q) {
    if (q == 0) return t;
    return static_cast<std::int64_t>(std::trunc(std::trunc(static_cast<double>(t) / q + 0.5) * q));
}

std::int64_t QuantumUp(std::int64_t t, double q) {
    if (q == 0) return t;
    return static_cast<std::int64_t>(std::trunc(std::trunc((static_cast<double>(t) + q - 0.9) / q) * q));
}

std::int64_t QuantumDown(std::int64_t t, double q) {
    if (q == 0) return t;
    return static_cast<std::int64_t>(std::trunc(std::trunc(static_cast<double>(t) / q) * q));
}

} // namespace pianoroll
