// The layer of other tracks' notes behind the note grid: the track palette, the walk over the notes in
// view shared by drawing, hit-testing and counting, and the choice of tracks.
#include "view/ghost_layer.h"

#include <algorithm>
#include <vector>

#include "mp/plugin.h"
#include "mp/track_access.h"
#include "view/brush_cache.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// Hues far apart in tone and lightness, so that neighbouring tracks never look alike.
constexpr COLORREF kTrackPalette[kTrackColourCount] = {
    RGB(0xE6, 0x19, 0x4B), RGB(0x3C, 0xB4, 0x4B), RGB(0x43, 0x63, 0xD8), RGB(0xF5, 0x82, 0x31),
    RGB(0x91, 0x1E, 0xB4), RGB(0x1F, 0xA2, 0xC0), RGB(0xF0, 0x32, 0xE6), RGB(0x8D, 0xB6, 0x00),
    RGB(0xE7, 0x54, 0x80), RGB(0x46, 0x99, 0x90), RGB(0x9A, 0x63, 0x24), RGB(0xD4, 0xA0, 0x17),
    RGB(0x80, 0x00, 0x00), RGB(0x7B, 0x68, 0xEE), RGB(0x80, 0x80, 0x00), RGB(0x00, 0x00, 0x75),
};

// How strongly a track's colour shows over the light face (of 255): clearly behind the shown notes.
constexpr int kGhostStrength = 120;
// A drum note is a mark this wide at its start, whatever its length.
constexpr int kDrumMarkPixels = 3;
// A click this close beside a note still finds it.
constexpr int kHitSlackPixels = 1;

// The rows a walk covers: the bands of the rows that meet an area, from the first such row.
struct RowBands {
    int first = -1;
    std::vector<RECT> bands; // left and right unused
};

RowBands BandsIn(const TrackView* v, const RECT& area) {
    RowBands rows;
    for (int row = std::max(v->geo.topRow, 0); row < v->geo.rowCount; ++row) {
        int top, bottom;
        RowBand(v, row, &top, &bottom);
        if (top >= area.bottom || top >= v->geo.grid.bottom) break;
        if (bottom <= area.top || bottom <= top) {
            if (rows.first >= 0) rows.bands.push_back(RECT{0, top, 0, top});
            continue;
        }
        if (rows.first < 0) rows.first = row;
        rows.bands.push_back(RECT{0, top, 0, bottom});
    }
    return rows;
}

// One note as the layer draws it.
struct GhostBar {
    int slot; // row - first row of the walk
    int left, right;
};

// Calls note(trackIndex, bar, note) for every other-track note drawn inside the area, tracks in the
// song's order (later ones drawn over earlier ones), and trackDone(trackIndex) after each track.
template <class OnNote, class OnTrackDone>
void WalkGhosts(TrackView* v, const RECT& area, OnNote&& note, OnTrackDone&& trackDone) {
    mp::COPTPlugin* plugin = v->access ? v->access->Plugin() : nullptr;
    if (!plugin || !v->ghosts.choice.Shown() || v->geo.timeSpan <= 0) return;
    RECT inside;
    const RECT grid = v->geo.grid;
    if (!IntersectRect(&inside, &area, &grid)) return;
    const RowBands rows = BandsIn(v, inside);
    if (rows.first < 0) return;
    const int lastRow = rows.first + static_cast<int>(rows.bands.size()) - 1;
    const std::int64_t viewStart = v->geo.timeOrigin;
    const std::int64_t viewEnd = v->geo.timeOrigin + v->geo.timeSpan;
    const std::int64_t from = std::max<std::int64_t>(TickOfX(v, inside.left) - 1, viewStart);
    const std::int64_t to = std::min<std::int64_t>(TickOfX(v, inside.right) + 1, viewEnd);
    if (to < from) return;
    const int shown = v->access->TrackIndex();
    const int count = static_cast<int>(plugin->Tracks().size());
    for (int index = 0; index < count; ++index) {
        if (index == shown || !v->ghosts.choice.Shows(plugin->Tracks()[static_cast<std::size_t>(index)].track)) continue;
        const TrackNotes* notes = v->ghosts.tracks.Notes(plugin, index);
        if (!notes) continue;
        notes->ForEachInRange(from, to, [&](const GhostNote& n) {
            const int row = kTopPitch - n.pitch;
            if (row < rows.first || row > lastRow) return;
            GhostBar bar{row - rows.first, 0, 0};
            if (n.drum) {
                // A hit is its start: one that came before the view is not in it.
                if (n.start < viewStart) return;
                bar.left = XOfTick(v, n.start);
                bar.right = bar.left + kDrumMarkPixels;
            } else {
                bar.left = n.start < viewStart ? v->geo.grid.left : XOfTick(v, n.start);
                bar.right = std::max(XOfTickUp(v, std::min(n.End(), viewEnd)), bar.left + 1);
            }
            if (bar.right <= inside.left || bar.left >= inside.right) return;
            note(index, bar, n, rows);
        });
        trackDone(index);
    }
}

// Calls source(s) for each other track the choice shows, in the table's order.
template <class OnSource> void ForEachSource(const TrackView* v, OnSource&& source) {
    const mp::COPTPlugin* plugin = v->access ? v->access->Plugin() : nullptr;
    if (!plugin || !v->ghosts.choice.Shown()) return;
    const int shown = v->access->TrackIndex();
    const std::vector<mp::TrackEntry>& tracks = plugin->Tracks();
    for (std::size_t index = 0; index < tracks.size(); ++index)
        if (static_cast<int>(index) != shown && v->ghosts.choice.Shows(tracks[index].track))
            source(GhostSource{static_cast<int>(index), tracks[index].track, tracks[index].generation});
}

// The part of a row's band a note covers: it leaves the bottom pixel row to the row's separator when
// the band has room for both, as the shown notes do.
int BarBottom(const RECT& band) { return band.bottom - band.top > 3 ? band.bottom - 1 : band.bottom; }

} // namespace

COLORREF TrackColour(int trackIndex) {
    const int i = ((trackIndex % kTrackColourCount) + kTrackColourCount) % kTrackColourCount;
    return kTrackPalette[i];
}

const GhostChoice& GhostChoiceOf(const TrackView* v) { return v->ghosts.choice; }

void SetGhostChoice(TrackView* v, GhostChoice choice) {
    const bool before = v->ghosts.choice.Shown();
    v->ghosts.choice = std::move(choice);
    // Copies of tracks no longer shown are dropped with the layer; the others stay for the next paint.
    if (!v->ghosts.choice.Shown()) v->ghosts.tracks.Clear();
    if (before || v->ghosts.choice.Shown()) InvalidateView(v, INV_GRID);
}

bool GhostsOutdated(const TrackView* v) {
    std::size_t matched = 0;
    bool same = true;
    ForEachSource(v, [&](const GhostSource& source) {
        same = same && matched < v->ghosts.painted.size() && v->ghosts.painted[matched] == source;
        ++matched;
    });
    return !same || matched != v->ghosts.painted.size();
}

bool TakeGhostsChange(TrackView* v) {
    if (!GhostsOutdated(v)) return false;
    v->ghosts.painted.clear();
    ForEachSource(v, [&](const GhostSource& source) { v->ghosts.painted.push_back(source); });
    return true;
}

void PaintGhosts(TrackView* v, HDC dc, const RECT& clip, int ox, int oy) {
    if (!v->ghosts.choice.Shown()) return;
    if (v->access) v->ghosts.tracks.Prune(v->access->Plugin());
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF lightFace = Blend(face, RGB(255, 255, 255), 128);
    BrushCache brushes;
    // Notes of one track that touch in a row are filled as one bar.
    struct Run {
        int left = 0, right = -1;
    };
    std::vector<Run> runs;
    const RowBands* bands = nullptr;
    COLORREF colour = 0;
    auto fill = [&](int slot, const Run& run) {
        if (run.right <= run.left || !bands) return;
        const RECT& band = bands->bands[static_cast<std::size_t>(slot)];
        brushes.Fill(dc, std::max<int>(run.left, clip.left) - ox, std::max<int>(band.top, clip.top) - oy,
                     std::min<int>(run.right, clip.right) - ox,
                     std::min(BarBottom(band), static_cast<int>(clip.bottom)) - oy, colour);
    };
    int track = -1;
    WalkGhosts(
        v, clip,
        [&](int index, const GhostBar& bar, const GhostNote&, const RowBands& rows) {
            if (index != track) {
                track = index;
                bands = &rows;
                colour = Blend(lightFace, TrackColour(index), kGhostStrength);
                runs.assign(rows.bands.size(), Run{});
            }
            Run& run = runs[static_cast<std::size_t>(bar.slot)];
            if (bar.left <= run.right) {
                run.right = std::max(run.right, bar.right);
                return;
            }
            fill(bar.slot, run);
            run = Run{bar.left, bar.right};
        },
        [&](int index) {
            if (index != track) return;
            for (std::size_t slot = 0; slot < runs.size(); ++slot) fill(static_cast<int>(slot), runs[slot]);
            track = -1;
        });
}

bool GhostAt(TrackView* v, int x, int y, GhostHit* hit) {
    const RECT spot{x - kHitSlackPixels, y, x + kHitSlackPixels + 1, y + 1};
    bool found = false;
    WalkGhosts(
        v, spot,
        [&](int index, const GhostBar& bar, const GhostNote& n, const RowBands& rows) {
            const RECT& band = rows.bands[static_cast<std::size_t>(bar.slot)];
            if (y < band.top || y >= band.bottom) return;
            if (x < bar.left - kHitSlackPixels || x >= bar.right + kHitSlackPixels) return;
            const mp::COPTPlugin* plugin = v->access->Plugin();
            *hit = GhostHit{index, mp::EventKey{plugin->Tracks()[static_cast<std::size_t>(index)].track, n.block, n.event}, n};
            found = true;
        },
        [](int) {});
    return found;
}

int CountGhosts(TrackView* v) {
    int count = 0;
    WalkGhosts(v, v->geo.grid, [&](int, const GhostBar&, const GhostNote&, const RowBands&) { ++count; }, [](int) {});
    return count;
}

} // namespace pianoroll
