// The view's side of bend in semitones: the option in the settings extension, the bend map of the
// shown track kept from paint to paint, and the sounding-pitch line drawn over each bent note.
#include "view/bend_view.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "model/note_model.h"
#include "model/pending_edit.h"
#include "model/semitones.h"
#include "mp/plugin.h"
#include "mp/settings_extension.h"
#include "mp/track_access.h"
#include "view/brush_cache.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// Rows at least this tall get a line two pixels thick.
constexpr int kThickLineRows = 8;
// How much darker than the hue's dark shade the line is (of 255).
constexpr int kLineDarkening = 96;

// The y of a pitch `semitones` above the middle of the row (fractions fall between rows).
int YOfSoundingPitch(const TrackView* v, int row, double semitones) {
    if (v->geo.verticalSpan <= 0) return v->geo.grid.top;
    const double units = (row - v->geo.topRow + 0.5 - semitones) * kUnitsPerRow;
    const double y = v->geo.grid.top + units * v->geo.gridHeight / v->geo.verticalSpan;
    return static_cast<int>(std::clamp<double>(std::round(y), -kPixelClamp, kPixelClamp - 1));
}

int LineThickness(const TrackView* v) {
    if (v->geo.verticalSpan <= 0) return 1;
    return kUnitsPerRow * v->geo.gridHeight >= kThickLineRows * v->geo.verticalSpan ? 2 : 1;
}

// The notes' hue (the rows carry it too), darkened.
COLORREF LineColour(const TrackView* v) {
    const GridPaintCache& cache = v->gridCache;
    const int hue = cache.displayRowCount > 0 ? cache.displayList.front().colour : 0;
    return Blend(PaletteColour(hue, SHADE_DARK), RGB(0, 0, 0), kLineDarkening);
}

struct LinePainter {
    TrackView* v;
    HDC dc;
    RECT area; // the clip within the grid
    const BendMap& map;
    int trackChannel;
    int thickness;
    COLORREF colour;
    BrushCache brushes;

    void Fill(int l, int t, int r, int b) {
        const RECT box{l, t, r, b};
        RECT inside;
        if (IntersectRect(&inside, &box, &area))
            brushes.Fill(dc, inside.left, inside.top, inside.right, inside.bottom, colour);
    }

    // A horizontal run from x0 to x1 at y, and the step up or down to it from the run before.
    void Run(int x0, int x1, int y, int previousY) {
        const int half = thickness / 2;
        Fill(x0, y - half, std::max(x1, x0 + 1), y - half + thickness);
        if (previousY != y)
            Fill(x0, std::min(previousY, y) - half, x0 + thickness, std::max(previousY, y) - half + thickness);
    }

    void Note(const NoteModel& model, const pianoroll::Note& n) {
        const int channel = SoundingChannel(trackChannel, n.channel);
        const std::int64_t start = n.start;
        const std::int64_t end = n.start + std::max<std::int64_t>(n.length, 1);
        const int row = model.RowOfPitch(n.pitch);
        if (row < 0 || !map.BentDuring(channel, start, end)) return;
        // The pitch moves where a bend or the range changes.
        std::vector<std::int64_t> ticks{start};
        for (const TimedValue& b : map.Bends(channel).Between(start, end)) ticks.push_back(b.tick);
        for (const TimedValue& r : map.Ranges(channel).Between(start, end)) ticks.push_back(r.tick);
        std::sort(ticks.begin(), ticks.end());
        ticks.erase(std::unique(ticks.begin(), ticks.end()), ticks.end());
        const std::int64_t viewStart = v->geo.timeOrigin, viewEnd = v->geo.timeOrigin + v->geo.timeSpan;
        const int left = start < viewStart ? v->geo.grid.left : XOfTick(v, start);
        const int right = std::max(XOfTickUp(v, std::min(end, viewEnd)), left + 1);
        int previousY = 0;
        for (std::size_t i = 0; i < ticks.size(); ++i) {
            const std::int64_t t = ticks[i];
            const double semitones = BendSemitones(map.BendAt(channel, t), map.RangeAt(channel, t));
            const int y = YOfSoundingPitch(v, row, semitones);
            const int x0 = i == 0 ? left : std::clamp(XOfTick(v, t), left, right);
            const int x1 = i + 1 < ticks.size() ? std::clamp(XOfTick(v, ticks[i + 1]), left, right) : right;
            Run(x0, x1, y, i == 0 ? y : previousY);
            previousY = y;
        }
    }
};

} // namespace

bool BendInSemitones(const TrackView* v) {
    return v->extension && v->extension->GetFlag(kBendSemitonesSetting, false);
}

void SetBendInSemitones(TrackView* v, bool on) {
    if (!v->extension || on == BendInSemitones(v)) return;
    // Off is the absence of the entry, so a song whose option went on and off again saves as before.
    if (on) v->extension->SetFlag(kBendSemitonesSetting, true);
    else v->extension->Erase(kBendSemitonesSetting);
    if (!v->hwnd || v->clientWidth <= 0) return;
    LayoutView(v, true);
    InvalidateView(v, INV_ALL);
}

const BendMap& ShownBendMap(TrackView* v) {
    BendViewCache& cache = v->bend;
    mp::TrackAccess* a = v->access;
    if (!a) {
        cache = BendViewCache{};
        return cache.map;
    }
    const std::uint64_t generation = a->Plugin() ? a->Plugin()->DataGeneration() : 0;
    if (!cache.valid || cache.generation != generation || cache.trackIndex != a->TrackIndex() ||
        cache.trackId != a->TrackId()) {
        cache.map = ReadBendMap(a, false);
        cache.valid = true;
        cache.generation = generation;
        cache.trackIndex = a->TrackIndex();
        cache.trackId = a->TrackId();
    }
    return cache.map;
}

int LaneBendChannel(TrackView* v) {
    const int channel = v->access ? v->access->TrackChannel() : -1;
    return channel >= 0 && channel < kMidiChannels ? channel : 0;
}

double LaneBendRange(TrackView* v, std::int64_t tick) { return ShownBendMap(v).RangeAt(LaneBendChannel(v), tick); }

void DrawBendLines(TrackView* v, HDC dc, const RECT& clip) {
    mp::TrackAccess* a = v->access;
    const RECT grid = v->geo.grid;
    RECT area;
    if (!BendInSemitones(v) || !a || v->geo.timeSpan <= 0 || !IntersectRect(&area, &clip, &grid)) return;
    // A stroke in the pitch-bend lane moves the lines as it goes.
    const bool pending = a->HasQueuedEdits();
    BendMap pendingMap;
    if (pending) pendingMap = ReadBendMap(a, true);
    LinePainter painter{v, dc, area, pending ? pendingMap : ShownBendMap(v), a->TrackChannel(), LineThickness(v),
                        LineColour(v), {}};
    const std::int64_t from = std::max<std::int64_t>(TickOfX(v, area.left) - 1, v->geo.timeOrigin);
    const std::int64_t to = std::min<std::int64_t>(TickOfX(v, area.right) + 1, v->geo.timeOrigin + v->geo.timeSpan);
    if (to < from) return;
    const NoteModel model(a);
    const PendingEdit edit(a);
    NoteModel::KeyFilter skip;
    if (pending) skip = [&edit](const NoteKey& key) { return edit.IsPending(key); };
    model.ForEachNote(from, to - from, skip, [&](const Note& n) { painter.Note(model, n); });
    if (!pending) return;
    edit.ForEachPendingNote([&](const Note& n) {
        if (n.start <= to && n.start + std::max<std::int64_t>(n.length, 1) >= from) painter.Note(model, n);
    });
}

} // namespace pianoroll
