// The view's bar grid and the spacing of its marks and lines at the current zoom.
#include "view/time_grid.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/snapping.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kMinDrawnStepPixels = 8;
// A label's digits when they cannot be measured.
constexpr int kFallbackDigitWidth = 8;
// Marks stand at least this many label widths (plus 2 pixels) apart.
constexpr double kLabelSpacing = 1.6;
constexpr double kFarthestStep = 1e15;

// The width of `length` "2"s in the labels' font.
int MeasureLabel(int length) {
    char digits[32];
    std::memset(digits, '2', sizeof digits);
    int width = length * kFallbackDigitWidth;
    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return width;
    HGDIOBJ old = nullptr;
    if (HFONT font = VorUI_GetFont(VOR_FONT_SMALL)) old = SelectObject(dc, font);
    SIZE size{};
    if (GetTextExtentPoint32(dc, digits, length, &size) && size.cx > 0) width = size.cx;
    if (old) SelectObject(dc, old);
    DeleteDC(dc);
    return width;
}

int LabelWidth(const TrackView* v) {
    // The widest label is that of the furthest time shown.
    char text[kPositionTextCapacity];
    StripPositionText(const_cast<TrackView*>(v), std::max(v->geo.documentLength, v->geo.timeOrigin + v->geo.timeSpan), text);
    const int length = std::clamp<int>(static_cast<int>(std::strlen(text)), 1, 32);
    if (length != v->timeGrid.labelLength) {
        v->timeGrid.labelWidth = MeasureLabel(length);
        v->timeGrid.labelLength = length;
    }
    return v->timeGrid.labelWidth;
}

} // namespace

const BarGrid& ViewBars(const TrackView* v) {
    const TimeGridState& grid = v->timeGrid;
    if (!v->access) return grid.bars;
    const std::uint32_t tpq = v->access->TicksPerQuarter();
    const std::uint32_t signature = v->access->GetTimeSignature();
    if (tpq != grid.ticksPerQuarter || signature != grid.signature) {
        grid.bars = BarGrid::OfTimeSignature(tpq, signature);
        grid.ticksPerQuarter = tpq;
        grid.signature = signature;
    }
    return grid.bars;
}

GridStep ViewLineStep(const TrackView* v) {
    GridStep out;
    const double tpp = v->geo.ticksPerPixel > 0 ? v->geo.ticksPerPixel : 1.0;
    const double minPixels = (LabelWidth(v) + 2) * kLabelSpacing;
    const BarGrid& bars = ViewBars(v);
    if (!v->settings || v->settings->gridSpacing == 0) {
        out = bars.MarkStep(static_cast<std::int64_t>(minPixels * tpp));
    } else {
        const MeterSegment& meter = bars.MeterAt(0);
        const std::uint32_t signature = static_cast<std::uint32_t>(meter.beatsPerBar) << 16 | static_cast<std::uint32_t>(meter.noteValue);
        double step = std::max(GridSpacingTicks(v->settings->gridSpacing, bars.TicksPerQuarter(), signature, 1), 1.0);
        const int minGrid = std::max(v->settings->minGridPixels, 1);
        while (step / tpp < minGrid && step < kFarthestStep) step *= 2;
        out.step = step;
        out.subdivisions = std::max(1, static_cast<int>(std::ceil(minPixels / (step / tpp))));
        out.labelled = true;
    }
    out.step = std::max(out.step, 1.0);
    v->timeGrid.lines = out;
    return out;
}

bool LinesDrawn(const TrackView* v, double step) {
    const double tpp = v->geo.ticksPerPixel > 0 ? v->geo.ticksPerPixel : 1.0;
    return v->geo.timeSpan > 0 && step / tpp > kMinDrawnStepPixels;
}

} // namespace pianoroll
