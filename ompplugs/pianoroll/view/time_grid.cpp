// The view's bar grid and the spacing of its marks and lines at the current zoom.
#include "view/time_grid.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

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
    const SongMapState& maps = v->songMaps;
    const std::uint32_t signature = maps.meterMapRead ? 0 : v->access->GetTimeSignature();
    if (tpq != grid.ticksPerQuarter || signature != grid.signature || maps.generation != grid.mapGeneration) {
        grid.bars = maps.meterMapRead ? BarGrid(tpq, maps.meters) : BarGrid::OfTimeSignature(tpq, signature);
        grid.ticksPerQuarter = tpq;
        grid.signature = signature;
        grid.mapGeneration = maps.generation;
    }
    return grid.bars;
}

LineSpacing ViewLineSpacing(const TrackView* v) {
    LineSpacing out;
    out.ticksPerPixel = v->geo.ticksPerPixel > 0 ? v->geo.ticksPerPixel : 1.0;
    out.minLabelPixels = (LabelWidth(v) + 2) * kLabelSpacing;
    out.minDrawnPixels = v->geo.timeSpan > 0 ? kMinDrawnStepPixels : std::numeric_limits<int>::max();
    if (!v->settings || v->settings->gridSpacing == 0) {
        out.rule = LineSpacing::Rule::Marks;
        out.markDistance = static_cast<std::int64_t>(out.minLabelPixels * out.ticksPerPixel);
        return out;
    }
    const std::int64_t value = v->settings->gridSpacing;
    out.minLinePixels = std::max(v->settings->minGridPixels, 1);
    if (value == kMeasuresSpacing) {
        out.rule = LineSpacing::Rule::Bars;
        return out;
    }
    const BarGrid& bars = ViewBars(v);
    const MeterSegment& meter = bars.MeterAt(0);
    const std::uint32_t signature = static_cast<std::uint32_t>(meter.beatsPerBar) << 16 | static_cast<std::uint32_t>(meter.noteValue);
    out.ticks = GridSpacingTicks(value, bars.TicksPerQuarter(), signature, 1);
    // Spacings in real time run on through the meters.
    out.fromSongStart = value > 0;
    return out;
}

GridStep ViewLineStep(const TrackView* v, std::int64_t at) {
    const BarGrid& bars = ViewBars(v);
    GridStep out = bars.StepIn(ViewLineSpacing(v), bars.MeterAt(at));
    out.step = std::max(out.step, 1.0);
    return out;
}

} // namespace pianoroll
