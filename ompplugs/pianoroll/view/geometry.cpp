// View geometry: time and pitch to pixel conversions, zoom levels, and the clamping setters.
#include <algorithm>
#include <cmath>

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

int MaxTopRow(const TrackView* v, int span) { return std::max(0, v->rowCount - span / kUnitsPerRow + 1); }

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
    if (v->timeSpan == 0) return -1;
    const double offset = std::trunc(static_cast<double>(t - v->timeOrigin) * v->zoomPixels /
                                         static_cast<double>(v->timeSpan) +
                                     0.5);
    return ClampPixel(v->grid.left + offset);
}

int XOfTickUp(const TrackView* v, std::int64_t t) {
    if (v->timeSpan == 0) return -1;
    const double span = static_cast<double>(v->timeSpan);
    const double offset =
        std::trunc((static_cast<double>(t - v->timeOrigin) * v->zoomPixels + span - 1) / span);
    return ClampPixel(v->grid.left + offset);
}

std::int64_t TickOfX(const TrackView* v, int x) {
    if (v->zoomPixels == 0) return v->timeOrigin;
    return v->timeOrigin + static_cast<std::int64_t>(std::trunc(static_cast<double>(x - v->grid.left) *
                                                                     static_cast<double>(v->timeSpan) /
                                                                     v->zoomPixels +
                                                                 0.5));
}

std::int64_t TicksOfWidth(const TrackView* v, int w) {
    if (v->zoomPixels == 0) return 0;
    return static_cast<std::int64_t>(
        std::trunc(static_cast<double>(v->timeSpan) * w / v->zoomPixels + 0.5));
}

int YOfUnit(const TrackView* v, int u) { return v->grid.top + MulDiv(u - v->verticalTop, v->gridHeight, v->verticalSpan); }

int UnitOfY(const TrackView* v, int y) { return v->verticalTop + MulDiv(y - v->grid.top, v->verticalSpan, v->gridHeight); }

int UnitsOfHeight(const TrackView* v, int h) { return MulDiv(h, v->verticalSpan, v->gridHeight); }

void RowBand(const TrackView* v, int row, int* top, int* bottom) {
    if (row < v->topRow) {
        *top = *bottom = v->grid.top;
        return;
    }
    const long long unit = v->verticalTop + static_cast<long long>(row - v->topRow) * kUnitsPerRow;
    const long long clampedUnit = std::min<long long>(unit, INT32_MAX - kUnitsPerRow);
    const int u = static_cast<int>(clampedUnit);
    int t = ClampPixel(static_cast<long long>(YOfUnit(v, u)));
    int b = ClampPixel(static_cast<long long>(YOfUnit(v, u + kUnitsPerRow)));
    if (t >= v->grid.bottom) b = t;
    *top = t;
    *bottom = b;
}

int RowAtY(const TrackView* v, int y) {
    if (v->rowCount <= 0) return ROW_NONE;
    if (y < v->grid.top) return ROW_ABOVE_GRID;
    if (y >= v->grid.bottom) return ROW_BELOW_GRID;
    // Start from the row the unit mapping names, then step to the band that holds y.
    int row = v->topRow;
    if (v->verticalSpan > 0) row = v->topRow + std::max(0, (UnitOfY(v, y) - v->verticalTop) / kUnitsPerRow - 1);
    row = std::clamp(row, v->topRow, std::max(v->topRow, v->rowCount - 1));
    for (; row < v->rowCount; ++row) {
        int top, bottom;
        RowBand(v, row, &top, &bottom);
        if (y < top) {
            if (row > v->topRow) {
                // The estimate overshot: walk back.
                for (int r = row - 1; r >= v->topRow; --r) {
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
    const double span = static_cast<double>(v->zoomPixels) * static_cast<double>(m) / 2.0;
    std::int64_t result = span >= 9.2e18 ? INT64_MAX : static_cast<std::int64_t>(span);
    return std::min(result, v->documentLength);
}

int TimeLevelOfSpan(const TrackView* v, std::int64_t span) {
    const int zp = std::max(v->zoomPixels, 1);
    std::int64_t q = static_cast<std::int64_t>(std::trunc(2.0 * static_cast<double>(span) / zp + 0.5));
    if (q < 2) return 0;
    int level = 0;
    while (q >= 4) {
        q /= 2;
        level += 2;
    }
    if (q == 3) level += 1;
    if (span == v->documentLength) level += 1;
    return level;
}

int VerticalSpanOfLevel(const TrackView* v, int level) {
    return static_cast<int>(std::trunc(static_cast<double>(v->gridHeight) / (level + 5) * 45.0));
}

int RowLevelOfSpan(const TrackView* v, int span) {
    const int maxLevel = std::max(v->gridHeight - 5, 0);
    if (span <= 0) return maxLevel;
    const int level = static_cast<int>(std::trunc(v->gridHeight / (span / 45.0))) - 5;
    return std::clamp(level, 0, maxLevel);
}

int ComputeVerticalExtent(const TrackView* v) {
    const int level = std::clamp(v->rowHeightLevel, 0, 40);
    const double rows = static_cast<double>(v->gridHeight) / (level + 5);
    const double fraction = rows - std::floor(rows);
    const int extent = (v->rowCount + 1) * kUnitsPerRow + static_cast<int>(std::trunc(fraction * 45));
    return std::max(extent, v->verticalSpan);
}

void SetTimeView(TrackView* v, std::int64_t start, std::int64_t span, int flags) {
    start = std::max<std::int64_t>(start, 0);
    span = std::max<std::int64_t>(span, 0);
    if (v->documentLength <= 0) {
        start = span = 0;
    } else {
        span = std::max<std::int64_t>(span, v->zoomPixels);
        span = std::min(span, v->documentLength);
        if (start + span > v->documentLength) start = std::max<std::int64_t>(v->documentLength - span, 0);
    }
    if (v->owner.AdjustRange) v->owner.AdjustRange(v, &start, &span);
    v->maxTimeZoomLevel = TimeLevelOfSpan(v, v->documentLength);
    v->timeZoomLevel = TimeLevelOfSpan(v, span);
    if (!(flags & TV_PROGRAM)) {
        const bool wasMoved = (v->flags & TVF_USER_MOVED) != 0;
        v->flags |= TVF_USER_MOVED;
        v->flags &= ~TVF_FOLLOWING;
        if (!wasMoved && !(v->flags & TVF_CARET_SHOWN) && v->focusPane == PANE_GRID) RepositionCaret(v);
    }
    if ((flags & TV_CARET_ONLY) && start == v->timeOrigin && span == v->timeSpan) {
        RepositionCaret(v);
        return;
    }
    v->timeOrigin = start;
    v->timeSpan = span;
    MarkBackgroundStale(v);
    v->ticksPerPixel = static_cast<double>(span) / std::max(v->zoomPixels, 1);
    RepositionCaret(v);
    InvalidateView(v, INV_LOOP_BAR | INV_SPARE_TIME_STRIP | INV_RULER | INV_HSCROLL);
}

void SetDocumentLength(TrackView* v, std::int64_t length) {
    length = std::clamp<std::int64_t>(length, 0, kMaxDocumentLength);
    if (length == v->documentLength) return;
    std::int64_t origin = v->timeOrigin;
    std::int64_t span = v->timeSpan;
    if (length == 0) {
        origin = span = 0;
    } else if (span == 0 || span > v->documentLength) {
        origin = 0;
        span = length;
    } else if (origin + span > length) {
        origin = span < length ? length - span : 0;
    }
    v->documentLength = length;
    SetTimeView(v, origin, span, TV_PROGRAM);
}

void SetVerticalView(TrackView* v, int top, int span, int flags) {
    top = std::max(top, 0);
    span = std::max(span, 0);
    if (flags & VV_FIXED_SPAN) {
        v->verticalSpan = span;
        v->verticalExtent = ComputeVerticalExtent(v);
    }
    const int extent = v->verticalExtent;
    if (extent <= 0) {
        top = span = 0;
    } else {
        span = std::min(std::max(span, v->gridHeight), extent);
        if (top + span > extent) top = std::max(extent - span, 0);
    }
    v->topRow = std::clamp(top / kUnitsPerRow, 0, MaxTopRow(v, span));
    v->verticalTop = v->topRow * kUnitsPerRow;
    v->verticalStep = kUnitsPerRow;
    if (!v->fixedHeight) v->rowHeightLevel = RowLevelOfSpan(v, span);
    v->verticalSpan = span;
    v->unitsPerPixel = static_cast<double>(span) / std::max(v->gridHeight, 1);
    MarkBackgroundStale(v);
    if (!(flags & VV_FIXED_SPAN)) v->verticalExtent = ComputeVerticalExtent(v);
    RepositionCaret(v);
    InvalidateView(v, INV_KEYBOARD | INV_VSCROLL | INV_HSCROLL | INV_SPARE_ROW_STRIP);
}

void ScrollVertically(TrackView* v, int units) {
    const long long wanted = (static_cast<long long>(v->verticalTop) + units) / kUnitsPerRow;
    const int row = static_cast<int>(std::clamp<long long>(wanted, 0, MaxTopRow(v, v->verticalSpan)));
    if (row == v->topRow) return;
    v->topRow = row;
    v->verticalTop = row * kUnitsPerRow;
    v->verticalExtent = ComputeVerticalExtent(v);
    MarkBackgroundStale(v);
    RepositionCaret(v);
    InvalidateView(v, INV_ALL | INV_UPDATE_NOW);
}

void MakeRowVisible(TrackView* v, int row) {
    if (row == -1) row = v->rowCount - 1;
    if (row < 0 || row >= v->rowCount) return;
    const int top = row * kUnitsPerRow;
    const int bottom = top + kUnitsPerRow;
    const int visibleBottom = v->verticalTop + v->verticalSpan;
    if (top >= v->verticalTop && bottom <= visibleBottom) return;
    if (top >= v->verticalTop) {
        const int rows = (bottom - visibleBottom + kUnitsPerRow - 1) / kUnitsPerRow;
        ScrollVertically(v, rows * kUnitsPerRow);
    } else {
        ScrollVertically(v, top - v->verticalTop);
    }
}

void ResizeGeometry(TrackView* v, bool force) {
    v->gridWidth = std::max<int>(v->grid.right - v->grid.left, 1);
    const int rectHeight = std::max<int>(v->grid.bottom - v->grid.top, 1);
    const int zoomPixels = std::max(v->gridWidth - v->rightMargin, 1);
    const int gridHeight = std::max(rectHeight - v->bottomMargin, 1);
    if (zoomPixels != v->zoomPixels) {
        const int old = v->zoomPixels;
        v->zoomPixels = zoomPixels;
        if (old != 0) {
            const std::int64_t span = static_cast<std::int64_t>(
                std::trunc(static_cast<double>(v->timeSpan) * zoomPixels / old));
            SetTimeView(v, v->timeOrigin, span, TV_PROGRAM);
        }
        v->maxTimeZoomLevel = TimeLevelOfSpan(v, v->documentLength);
        v->timeZoomLevel = TimeLevelOfSpan(v, v->timeSpan);
    }
    if (gridHeight != v->gridHeight || force) {
        v->gridHeight = gridHeight;
        int span;
        if (v->fixedHeight) {
            v->maxRowHeightLevel = 24;
            span = gridHeight;
        } else {
            v->maxRowHeightLevel = std::max(gridHeight - 5, 0);
            v->rowHeightLevel = std::clamp(v->rowHeightLevel, 0, v->maxRowHeightLevel);
            span = VerticalSpanOfLevel(v, v->rowHeightLevel);
        }
        SetVerticalView(v, v->verticalTop, span, VV_PROGRAM | VV_FIXED_SPAN);
    }
    v->ticksPerPixel = static_cast<double>(v->timeSpan) / std::max(v->zoomPixels, 1);
    v->unitsPerPixel = static_cast<double>(v->verticalSpan) / std::max(v->gridHeight, 1);
    if (v->flags & TVF_HAS_FOCUS) RepositionCaret(v);
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
