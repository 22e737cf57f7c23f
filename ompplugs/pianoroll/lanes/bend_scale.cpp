// The pitch-bend lane in semitones: scale labels and lines at whole semitones of the bend range in
// force, the readout as "+1.50 st", and the option's lane-menu entry.
#include "lanes/bend_scale.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "lanes/lane_area.h"
#include "model/note.h"
#include "model/semitones.h"
#include "resources/command_ids.h"
#include "view/brush_cache.h"
#include "view/track_view.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

// Semitone spacings the lines and labels thin out to, so they fall on octaves and their divisions.
constexpr int kSpacings[] = {1, 2, 3, 4, 6, 12, 24, 48, 96};
// Lines closer than this many pixels are thinned.
constexpr int kMinLineGap = 8;
constexpr int kLabelGap = 2;
constexpr const char* kOptionText = "Bend in Semitones";

int LaneHeight(const TrackView* v) { return v->lanes.laneRect.bottom - v->lanes.laneRect.top; }

// The pixel row of a bend value, as the lane's curve draws it.
int YOfBend(const TrackView* v, int value) {
    return v->lanes.laneRect.bottom - static_cast<int>(static_cast<std::int64_t>(value) * LaneHeight(v) / kBendMax);
}

// The smallest spacing of whole semitones at least `gap` pixels apart; 0 when even the widest is not.
int SpacingFor(double range, int height, int gap) {
    if (range <= 0) return 0;
    const double pixelsPerSemitone = height / (2 * range);
    for (int spacing : kSpacings)
        if (spacing * pixelsPerSemitone >= gap) return spacing;
    return 0;
}

std::string SignedText(double semitones) {
    char text[24];
    const double magnitude = std::fabs(semitones);
    if (magnitude == std::floor(magnitude)) std::snprintf(text, sizeof text, "%.0f", magnitude);
    else std::snprintf(text, sizeof text, "%.2f", magnitude);
    std::string s = text;
    // 2.50 reads 2.5
    if (s.find('.') != std::string::npos) s.erase(s.find_last_not_of('0') + 1);
    if (semitones == 0) return s;
    return (semitones > 0 ? "+" : "-") + s;
}

} // namespace

bool SemitoneScaleShown(const TrackView* v) {
    return BendInSemitones(v) && v->lanes.lane && v->lanes.lane->GetLaneId() == kLanePitchBend;
}

std::vector<ScaleLabel> SemitoneLabels(TrackView* v) {
    const double range = LaneBendRange(v, v->geo.timeOrigin);
    const int height = LaneHeight(v);
    // Labels keep a gap of a few pixels between them.
    const int line = LaneLineHeight() + kLabelGap;
    std::vector<ScaleLabel> labels{{YOfBend(v, 0), SignedText(-range)}};
    if (const int spacing = SpacingFor(range, height, line); spacing > 0) {
        const int whole = static_cast<int>(std::floor(range));
        for (int k = -whole / spacing * spacing; k <= whole; k += spacing) {
            const int y = YOfBend(v, BendOfSemitones(k, range));
            // Centred on its line, clear of the end labels, which stand on and hang from the lane's edges.
            if (2 * y <= 2 * labels.front().y - 3 * line && 2 * y >= 2 * YOfBend(v, kBendMax) + 3 * line)
                labels.push_back({y, SignedText(k)});
        }
    }
    labels.push_back({YOfBend(v, kBendMax), SignedText(range)});
    return labels;
}

std::vector<std::string> WidestSemitoneLabels(TrackView* v) {
    const double range = ShownBendMap(v).LargestRange(LaneBendChannel(v));
    return {SignedText(-range), SignedText(range)};
}

void PaintSemitoneLines(TrackView* v, HDC dc, const RECT& area, BrushCache& brushes, COLORREF colour) {
    if (v->geo.timeSpan <= 0) return;
    const BendMap& map = ShownBendMap(v);
    const int channel = LaneBendChannel(v);
    const std::int64_t viewStart = v->geo.timeOrigin, viewEnd = v->geo.timeOrigin + v->geo.timeSpan;
    // Each stretch of one bend range gets its own lines.
    std::vector<std::int64_t> changes{viewStart};
    for (const TimedValue& r : map.Ranges(channel).Between(viewStart, viewEnd)) changes.push_back(r.tick);
    for (std::size_t i = 0; i < changes.size(); ++i) {
        const int left = std::max<int>(area.left, i == 0 ? v->lanes.laneRect.left : XOfTick(v, changes[i]));
        const int right = i + 1 < changes.size() ? std::min<int>(area.right, XOfTick(v, changes[i + 1])) : area.right;
        const double range = map.RangeAt(channel, changes[i]);
        const int spacing = SpacingFor(range, LaneHeight(v), kMinLineGap);
        if (spacing == 0 || right <= left) continue;
        const int whole = static_cast<int>(std::floor(range));
        for (int k = -whole / spacing * spacing; k <= whole; k += spacing) {
            const int y = YOfBend(v, BendOfSemitones(k, range));
            if (y >= area.top && y < area.bottom) brushes.Fill(dc, left, y, right, y + 1, colour);
        }
    }
}

bool SemitoneReadoutText(TrackView* v, int signedBend, std::string* text) {
    if (!SemitoneScaleShown(v)) return false;
    const LaneAreaState& s = v->lanes;
    const bool gesture = s.mouse == LaneMouse::Drawing || s.mouse == LaneMouse::Erasing;
    const std::int64_t tick = gesture ? s.lastTick : TickOfX(v, v->hitPoint.x);
    *text = SemitoneText(BendSemitones(signedBend + kBendCentre, LaneBendRange(v, tick)));
    return true;
}

void AppendBendOption(HMENU menu, const TrackView* v) {
    AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenu(menu, MF_STRING | (BendInSemitones(v) ? MF_CHECKED : MF_UNCHECKED), CMD_BEND_SEMITONES, kOptionText);
}

} // namespace pianoroll
