// Note grid painting: the display list, derived colours, the cached background of rows and grid
// lines, note bars in flat and shaded styles, loop lines and the edit cursor line.
#include <algorithm>
#include <cmath>
#include <vector>

#include "model/note_model.h"
#include "model/pending_edit.h"
#include "mp/plugin.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/bend_view.h"
#include "view/brush_cache.h"
#include "view/grid_keep.h"
#include "view/note_colours.h"
#include "view/scale.h"
#include "view/tick_columns.h"
#include "view/time_grid.h"
#include "view/track_view.h"
#include "vor/image.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

// Row tints: how strongly the hue shows in rows of the scale and in the others.
constexpr int kStrongTint = 48;
constexpr int kFaintTint = 8;

struct Colours {
    COLORREF face;
    COLORREF lightFace;
    COLORREF gridLine;
    COLORREF belowRows;
    COLORREF highlight;
    COLORREF loop;
};

int Channel(COLORREF c, int shift) { return static_cast<int>((c >> shift) & 0xFF); }

Colours DeriveColours() {
    Colours c{};
    c.face = GetSysColor(COLOR_BTNFACE);
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    c.lightFace = Blend(c.face, RGB(255, 255, 255), 128);
    c.gridLine = RGB((6 * Channel(shadow, 0) + 4 * Channel(c.face, 0)) / 10,
                     (6 * Channel(shadow, 8) + 4 * Channel(c.face, 8)) / 10,
                     (6 * Channel(shadow, 16) + 4 * Channel(c.face, 16)) / 10);
    c.belowRows = RGB((Channel(shadow, 0) + Channel(c.face, 0) + 1) / 2, (Channel(shadow, 8) + Channel(c.face, 8) + 1) / 2,
                      (Channel(shadow, 16) + Channel(c.face, 16) + 1) / 2);
    c.highlight = GetSysColor(COLOR_HIGHLIGHT);
    c.loop = VorUI_GetColor(VOR_COLOR_LOOP);
    return c;
}

bool ScaleSnapOn(const TrackView* v) { return v->settings && v->settings->scaleSnap != 0; }

// The rectangle tests of the loops over every note, here where they can be inlined.
bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}
bool Meets(const RECT& a, const RECT& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// The scale flags of a row in a key: in the scale, and a separator below when the next row agrees.
std::uint32_t ScaleFlags(const TrackView* v, int row, const ScaleKey& key) {
    const bool in = NoteInScale(kTopPitch - row, key.root, key.scale);
    std::uint32_t flags = in ? std::uint32_t{DR_IN_SCALE} : 0u;
    if (row + 1 < v->geo.rowCount && NoteInScale(kTopPitch - row - 1, key.root, key.scale) == in) flags |= DR_SEPARATOR;
    return flags;
}

int RowColour(const TrackView* v) {
    const int channel = v->access ? v->access->TrackChannel() : 0;
    return (channel < 0 ? 0 : channel) % kPaletteHues;
}

int KeyShape(const TrackView* v, int row) {
    mp::PitchRow pitch{};
    if (v->access && v->access->GetPitchRow(row, &pitch) == S_OK) return pitch.keyShape;
    static constexpr int kShapes[12] = {1, 2, 0, 2, 0, 1, 2, 0, 2, 0, 2, 0};
    return kShapes[(kTopPitch - row) % 12];
}

COLORREF RowFill(const TrackView* v, const Colours& c, const DisplayRecord& r) {
    const COLORREF bright = PaletteColour(r.colour, SHADE_BRIGHT);
    if (ScaleSnapOn(v)) return Blend(c.lightFace, bright, (r.flags & DR_IN_SCALE) ? kStrongTint : kFaintTint);
    return (r.flags & DR_BLACK_KEY) ? Blend(c.face, bright, kFaintTint) : Blend(c.lightFace, bright, kFaintTint);
}

COLORREF SeparatorTint(const TrackView* v, const Colours& c, const DisplayRecord& r) {
    const COLORREF bright = PaletteColour(r.colour, SHADE_BRIGHT);
    if (ScaleSnapOn(v)) return Blend(c.lightFace, bright, (r.flags & DR_IN_SCALE) ? kFaintTint : kStrongTint);
    return Blend(c.face, bright, kFaintTint);
}

// Draws rows, separators and grid lines for `clip` (client coordinates) into dc, whose origin is
// the client point (ox, oy).
void DrawBackground(TrackView* v, HDC dc, const RECT& clip, int ox, int oy, const Colours& c, BrushCache& brushes) {
    const std::vector<DisplayRecord>& list = v->gridCache.displayList;
    int rowsBottom = v->geo.grid.top;
    if (v->geo.rowCount > 0) {
        int top, bottom;
        RowBand(v, v->geo.rowCount - 1, &top, &bottom);
        rowsBottom = std::max<int>(bottom, v->geo.grid.top);
    }
    const bool hasSelection = v->gridCache.selectionLeft >= 0 && v->gridCache.selectionRight > v->gridCache.selectionLeft;
    FillBatch fills(brushes);
    auto fillSpan = [&](int l, int t, int r, int b, COLORREF fill) {
        l = std::max<int>(l, clip.left);
        r = std::min<int>(r, clip.right);
        t = std::max<int>(t, clip.top);
        b = std::min<int>(b, clip.bottom);
        if (r <= l || b <= t) return;
        if (!hasSelection || v->gridCache.selectionRight <= l || v->gridCache.selectionLeft >= r) {
            fills.Add(l - ox, t - oy, r - ox, b - oy, fill);
            return;
        }
        const int sl = std::max(l, v->gridCache.selectionLeft), sr = std::min(r, v->gridCache.selectionRight);
        fills.Add(l - ox, t - oy, sl - ox, b - oy, fill);
        fills.Add(sl - ox, t - oy, sr - ox, b - oy, c.highlight);
        fills.Add(sr - ox, t - oy, r - ox, b - oy, fill);
    };
    if (clip.bottom > rowsBottom) fillSpan(clip.left, rowsBottom, clip.right, clip.bottom, c.belowRows);

    const bool allLines = v->settings && v->settings->rowLines != 0;
    // A row between two columns, its scale flags those of the key there.
    auto drawRow = [&](const DisplayRecord& r, int left, int right) {
        fillSpan(std::max<int>(r.rect.left, left), r.rect.top, std::min<int>(r.rect.right, right), r.rect.bottom,
                 RowFill(v, c, r));
        if (r.rect.bottom - r.rect.top < 2) return;
        const int y = r.rect.bottom - 1;
        left = std::max<int>(left, clip.left);
        right = std::min<int>(right, clip.right);
        if (y < clip.top || y >= clip.bottom || right <= left) return;
        if (allLines)
            fills.Add(left - ox, y - oy, right - ox, y + 1 - oy, c.gridLine);
        else if (r.flags & DR_SEPARATOR)
            fills.Add(left - ox, y - oy, right - ox, y + 1 - oy, SeparatorTint(v, c, r));
    };
    const bool keyVaries = ScaleSnapOn(v) && KeyVaries(v) && v->geo.timeSpan > 0;
    for (int i = 0; i < v->gridCache.displayRowCount; ++i) {
        const DisplayRecord& r = list[static_cast<std::size_t>(i)];
        if (!keyVaries) {
            drawRow(r, clip.left, clip.right);
            continue;
        }
        // Where the song's key changes, the row's shading changes with it.
        const KeyMap& keys = v->songMaps.keys;
        for (std::size_t k = keys.IndexAt(TickOfX(v, clip.left)); k < keys.Segments().size(); ++k) {
            const KeySegment& key = keys.Segments()[k];
            const int left = k == 0 ? clip.left : XOfTick(v, key.start);
            if (left >= clip.right) break;
            const int right = k + 1 < keys.Segments().size() ? XOfTick(v, keys.Segments()[k + 1].start) : clip.right;
            DisplayRecord keyed = r;
            keyed.flags = (r.flags & ~(DR_IN_SCALE | DR_SEPARATOR)) | ScaleFlags(v, r.row, {key.root, key.scale});
            drawRow(keyed, std::max<int>(left, clip.left), std::min<int>(right, clip.right));
        }
    }

    if (v->geo.timeSpan > 0) {
        // The grid's lines are the ruler's marks.
        const int linesBottom = std::min<int>(clip.bottom, rowsBottom);
        ViewBars(v).ForEachLine(ViewLineSpacing(v), TickOfX(v, clip.left), 1, [&](std::int64_t tick, bool) {
            const int x = XOfTick(v, tick);
            if (x >= clip.right || x >= v->geo.grid.right) return false;
            if (x >= clip.left) fills.Add(x - ox, clip.top - oy, x + 1 - ox, linesBottom - oy, c.gridLine);
            return true;
        });
    }
    fills.Draw(dc);
}

void DrawNotes(TrackView* v, HDC dc, const RECT& clip, BrushCache& brushes) {
    const std::vector<DisplayRecord>& list = v->gridCache.displayList;
    const bool shaded = ShadedNotes(v->settings);
    NoteColours cache[2][kPaletteHues]; // plain, selected
    bool cached[kPaletteHues] = {};
    // Rows never overlap, so a note drawn just like the last one drawn in its row would only paint
    // the same pixels again: at coarse zoom many notes of a row fall on the same few pixels.
    struct LastDrawn {
        RECT rect;
        int hue;
        std::uint32_t look;
    };
    const auto rows = static_cast<std::size_t>(std::max(v->geo.rowCount, 0));
    std::vector<LastDrawn> lastInRow(rows, LastDrawn{{0, 0, 0, 0}, -1, 0});
    // For the same reason a row's fills may wait while other rows draw, as long as they keep their
    // order within the row: a fill of one colour that touches the row's waiting one joins it, so the
    // side-by-side notes of a zoomed-out row cost one fill.
    struct FillRun {
        RECT rect;
        COLORREF colour;
        bool open;
    };
    std::vector<FillRun> runs(rows, FillRun{{0, 0, 0, 0}, 0, false});
    FillBatch fills(brushes);
    auto flush = [&](FillRun& run) {
        if (run.open) fills.Add(run.rect.left, run.rect.top, run.rect.right, run.rect.bottom, run.colour);
        run.open = false;
    };
    // Fills stay inside the clip, also where the device context would not clip them.
    auto fill = [&](int row, int l, int t, int r, int b, COLORREF c) {
        l = std::max<int>(l, clip.left);
        t = std::max<int>(t, clip.top);
        r = std::min<int>(r, clip.right);
        b = std::min<int>(b, clip.bottom);
        if (r <= l || b <= t) return;
        if (row < 0 || static_cast<std::size_t>(row) >= rows) {
            for (FillRun& run : runs) flush(run);
            fills.Add(l, t, r, b, c);
            return;
        }
        FillRun& run = runs[static_cast<std::size_t>(row)];
        if (run.open && run.colour == c && run.rect.top == t && run.rect.bottom == b && l >= run.rect.left &&
            l <= run.rect.right) {
            run.rect.right = std::max<int>(run.rect.right, r);
            return;
        }
        flush(run);
        run = FillRun{{l, t, r, b}, c, true};
    };
    for (std::size_t i = static_cast<std::size_t>(v->gridCache.displayRowCount); i < list.size(); ++i) {
        const DisplayRecord& n = list[i];
        if (!Meets(n.rect, clip)) continue;
        const int hue = n.colour;
        if (n.row >= 0 && static_cast<std::size_t>(n.row) < lastInRow.size()) {
            LastDrawn& last = lastInRow[static_cast<std::size_t>(n.row)];
            const std::uint32_t look = n.flags & (DR_SELECTED | DR_START_INSIDE | DR_END_INSIDE);
            if (last.hue == hue && last.look == look && SameRect(last.rect, n.rect)) continue;
            last = LastDrawn{n.rect, hue, look};
        }
        if (!cached[hue]) {
            cache[0][hue] = PlainNoteColours(hue, shaded);
            cache[1][hue] = SelectedNoteColours(v->settings, cache[0][hue]);
            cached[hue] = true;
        }
        const bool selected = (n.flags & DR_SELECTED) != 0;
        const NoteColours& col = cache[selected][hue];
        const COLORREF body = col.body;
        const RECT& b = n.rect;
        const int row = n.row;
        // A note leaves its row's bottom pixel row to the separator when the band has room for both.
        const int bottom = (b.bottom - b.top) > 3 ? b.bottom - 1 : b.bottom;
        if (b.right - b.left <= 2) {
            // Too narrow for edges and body: the edge colour marks a visible end, the selection wins.
            const bool edge = (n.flags & (DR_START_INSIDE | DR_END_INSIDE)) != 0;
            fill(row, b.left, b.top, b.right, bottom, selected || !edge ? body : col.dark);
            continue;
        }
        fill(row, b.left, b.top, b.right, bottom, body);
        if (shaded && bottom - b.top > 2) {
            fill(row, b.left, b.top, b.right, b.top + 1, col.light);
            fill(row, b.left, bottom - 1, b.right, bottom, col.dark);
        } else if (!shaded) {
            fill(row, b.left, b.top, b.right, b.top + 1, col.dark);
            fill(row, b.left, bottom - 1, b.right, bottom, col.dark);
        }
        if (n.flags & DR_START_INSIDE) fill(row, b.left, b.top, b.left + 1, bottom, col.dark);
        if ((n.flags & DR_END_INSIDE) && b.right - b.left > 1) fill(row, b.right - 1, b.top, b.right, bottom, col.dark);
    }
    for (FillRun& run : runs) flush(run);
    fills.Draw(dc);
}

void DrawLoopLines(TrackView* v, Pane* pane, HDC dc, const RECT& clip, BrushCache& brushes, const Colours& c) {
    if (!(pane->flags & PANE_LOOP_LINES) || !v->time.loopShown) return;
    for (std::int64_t t : {v->time.loopStart, v->time.loopEnd}) {
        const int x = XOfTick(v, t);
        if (x >= clip.left && x < clip.right) brushes.Fill(dc, x, clip.top, x + 1, clip.bottom, c.loop);
    }
}

// Pixel span of the time selection, clipped to the grid, for the highlight of the background.
void MeasureTimeSelection(TrackView* v) {
    GridPaintCache& cache = v->gridCache;
    cache.selectionLeft = cache.selectionRight = -1;
    if (v->time.selectionLength <= 0 || v->geo.timeSpan <= 0) return;
    cache.selectionLeft = std::max<int>(XOfTick(v, v->time.selectionStart), v->geo.grid.left);
    cache.selectionRight = std::min<int>(XOfTickUp(v, v->time.selectionStart + v->time.selectionLength), v->geo.grid.right);
}

GridLook LookOf(TrackView* v, Pane* pane, std::uint64_t surface, int cursorX, COLORREF loopColour) {
    GridLook look;
    look.loopColour = loopColour;
    look.surface = surface;
    look.background = v->gridCache.backgroundDraws;
    look.grid = v->geo.grid;
    if ((pane->flags & PANE_LOOP_LINES) && v->time.loopShown) {
        look.loopLeft = XOfTick(v, v->time.loopStart);
        look.loopRight = XOfTick(v, v->time.loopEnd);
    }
    look.cursor = cursorX;
    // The playback line and the bend lines are drawn over the notes, the first by inverting.
    look.overlays = v->follow.playing || BendInSemitones(v);
    look.shaded = ShadedNotes(v->settings);
    for (int hue = 0; hue < kPaletteHues; ++hue) {
        look.colours[0][hue] = PlainNoteColours(hue, look.shaded);
        look.colours[1][hue] = SelectedNoteColours(v->settings, look.colours[0][hue]);
    }
    return look;
}

} // namespace

void ForgetGridPaint(TrackView* v) { v->gridCache.keep.valid = false; }

void MarkBackgroundStale(TrackView* v) { v->gridCache.stale = true; }

void BeginViewPaint(TrackView* v) {
    v->gridCache.painting = true;
    ++v->gridCache.paint;
}

void EndViewPaint(TrackView* v) { v->gridCache.painting = false; }

void UseDisplayList(TrackView* v, const RECT* clip) {
    const GridPaintCache& cache = v->gridCache;
    if (cache.painting && cache.listPaint == cache.paint && EqualRect(&cache.listRect, clip)) return;
    BuildDisplayList(v, clip);
}

namespace {

void SwapAside(GridPaintCache& cache) {
    cache.displayList.swap(cache.aside.list);
    std::swap(cache.displayRowCount, cache.aside.rowCount);
    std::swap(cache.source, cache.aside.source);
}

// Before a list is built for clip: the patchable one built for a clip holding it is set aside, and any
// other list set aside is let go.
void SetAsideList(GridPaintCache& cache, const RECT& clip) {
    RECT joined;
    UnionRect(&joined, &cache.source.clip, &clip);
    const bool inside = cache.source.patchable && EqualRect(&joined, &cache.source.clip) && !EqualRect(&clip, &cache.source.clip);
    if (inside) {
        SwapAside(cache);
        cache.aside.valid = true;
    } else if (cache.aside.valid) {
        cache.aside = {};
    }
}

// The list set aside for clip, back in place for a patch.
bool TakeAsideList(GridPaintCache& cache, const RECT& clip) {
    if (!cache.aside.valid || !EqualRect(&cache.aside.source.clip, &clip)) return false;
    SwapAside(cache);
    cache.aside = {};
    return true;
}

} // namespace

void BuildDisplayList(TrackView* v, const RECT* clip) {
    GridPaintCache& cache = v->gridCache;
    std::vector<DisplayRecord>& rows = cache.rows;
    rows.clear();
    cache.listPaint = cache.paint;
    cache.listRect = *clip;
    const int colour = RowColour(v);
    const bool scaleOn = ScaleSnapOn(v);
    int firstRow = -1, lastRow = -1;
    for (int row = std::max(v->geo.topRow, 0); row < v->geo.rowCount; ++row) {
        int top, bottom;
        RowBand(v, row, &top, &bottom);
        if (top >= clip->bottom || top >= v->geo.grid.bottom) break;
        if (bottom <= clip->top || bottom <= top) continue;
        DisplayRecord r{};
        r.rect = {v->geo.grid.left, top, v->geo.grid.right, bottom};
        r.row = row;
        r.colour = colour;
        r.flags = DR_ROW;
        const int shape = KeyShape(v, row);
        if (shape == 2) r.flags |= DR_BLACK_KEY;
        if (scaleOn) {
            r.flags |= ScaleFlags(v, row, KeyInForce(v, v->geo.timeOrigin));
        } else if (shape == 1) {
            r.flags |= DR_SEPARATOR;
        }
        rows.push_back(r);
        if (firstRow < 0) firstRow = row;
        lastRow = row;
    }
    if (PatchDisplayList(v, cache, *clip, rows)) return;
    if (TakeAsideList(cache, *clip) && PatchDisplayList(v, cache, *clip, rows)) return;
    SetAsideList(cache, *clip);
    NoteSource& source = cache.source;
    source.patchable = source.patched = false;
    source.leftOut.clear();
    // The rows become the list; the old list's room serves the next paint's rows.
    cache.displayRowCount = static_cast<int>(rows.size());
    cache.displayList.swap(rows);
    std::vector<DisplayRecord>& list = cache.displayList;
    if (!v->access || firstRow < 0 || v->geo.timeSpan <= 0) return;

    const std::int64_t viewStart = v->geo.timeOrigin;
    const std::int64_t viewEnd = v->geo.timeOrigin + v->geo.timeSpan;
    const std::int64_t from = std::max<std::int64_t>(TickOfX(v, std::max<int>(clip->left, v->geo.grid.left)) - 1, viewStart);
    const std::int64_t to = std::min<std::int64_t>(TickOfX(v, std::min<int>(clip->right, v->geo.grid.right)) + 1, viewEnd);
    if (to < from) return;
    const NoteModel model(v->access);
    // With nothing queued no note can be pending, and a paint of many notes need not ask for each.
    const PendingEdit edit(v->access);
    // Zoomed out, many notes of a row fall on the same pixels. A note is left out when it would draw
    // exactly what the last note kept in its row drew, and its velocity stem exactly what the last stem
    // kept in its column drew: painting it again could change no pixel of the grid or the lane.
    const bool cull = edit.Empty();
    std::vector<std::int32_t>& lastInRow = v->gridCache.lastInRow;
    std::vector<std::int32_t>& lastStem = v->gridCache.lastStem;
    if (cull) {
        lastInRow.assign(static_cast<std::size_t>(lastRow - firstRow + 1), -1);
        lastStem.assign(static_cast<std::size_t>(std::max<int>(v->geo.grid.right - v->geo.grid.left, 0)), -1);
    }
    auto redundant = [&](const DisplayRecord& n) {
        const std::int32_t same = lastInRow[static_cast<std::size_t>(n.row - firstRow)];
        if (same < 0) return false;
        const DisplayRecord& p = list[static_cast<std::size_t>(same)];
        if (!SameRect(p.rect, n.rect) || p.colour != n.colour || p.flags != n.flags) return false;
        if (!(n.flags & DR_START_INSIDE)) return true;
        const std::int32_t stem = lastStem[static_cast<std::size_t>(n.rect.left - v->geo.grid.left)];
        if (stem < 0) return false;
        const DisplayRecord& s = list[static_cast<std::size_t>(stem)];
        return s.velocity == n.velocity && s.colour == n.colour && (s.flags & DR_SELECTED) == (n.flags & DR_SELECTED);
    };
    auto keep = [&](const DisplayRecord& n) {
        const auto at = static_cast<std::int32_t>(list.size());
        lastInRow[static_cast<std::size_t>(n.row - firstRow)] = at;
        if ((n.flags & DR_START_INSIDE) && n.rect.left >= v->geo.grid.left && n.rect.left < v->geo.grid.right)
            lastStem[static_cast<std::size_t>(n.rect.left - v->geo.grid.left)] = at;
    };
    // A patch needs every left-out note; past this many their record costs more than it saves.
    constexpr std::size_t kMostLeftOut = std::size_t{1} << 18;
    auto leaveOut = [&](const DisplayRecord& n) {
        if (source.leftOut.size() >= kMostLeftOut) return;
        const std::int32_t stem = lastStem[static_cast<std::size_t>(n.rect.left - v->geo.grid.left)];
        source.leftOut.push_back(LeftOutNote{{n.key[0], n.key[1], n.key[2]}, static_cast<std::int32_t>(list.size()),
                                             lastInRow[static_cast<std::size_t>(n.row - firstRow)],
                                             (n.flags & DR_START_INSIDE) ? stem : -1});
    };
    TickColumns columns(v);
    auto addNote = [&](const Note& note) {
        const int row = model.RowOfPitch(note.pitch);
        if (row < firstRow || row > lastRow) return;
        const std::int64_t start = note.start;
        const std::int64_t duration = std::max<std::int64_t>(note.length, 1);
        std::int64_t end = start + duration;
        if (end < viewStart || end < from || start > to) return;
        DisplayRecord n{};
        n.flags = 0;
        int left;
        if (start < viewStart) {
            left = v->geo.grid.left;
            n.flags |= DR_CUT_LEFT;
        } else {
            left = columns.Start(start);
            n.flags |= DR_START_INSIDE;
        }
        if (end > viewEnd) {
            end = viewEnd;
            n.flags |= DR_CUT_RIGHT;
        } else {
            n.flags |= DR_END_INSIDE;
        }
        int right = columns.End(end);
        if (right <= left) right = left + 1;
        const DisplayRecord& rowRecord = list[static_cast<std::size_t>(row - firstRow)];
        n.rect = {left, rowRecord.rect.top, right, rowRecord.rect.bottom};
        n.key[0] = note.Key().track;
        n.key[1] = note.Key().block;
        n.key[2] = note.Key().event;
        n.row = row;
        n.velocity = note.velocity;
        n.colour = colour;
        if (note.selected) n.flags |= DR_SELECTED;
        if (cull) {
            const bool stemKnown = n.rect.left >= v->geo.grid.left && n.rect.left < v->geo.grid.right;
            if (stemKnown && redundant(n)) {
                leaveOut(n);
                return;
            }
            keep(n);
        }
        list.push_back(n);
    };
    NoteModel::KeyFilter pending;
    if (!edit.Empty()) pending = [&edit](const NoteKey& key) { return edit.IsPending(key); };
    model.ForEachNote(from, to - from, pending, addNote);
    // The notes of a gesture in progress show where the gesture puts them.
    edit.ForEachPendingNote(addNote, from, to);
    const mp::COPTPlugin* plugin = v->access->Plugin();
    if (!cull || !plugin || source.leftOut.size() >= kMostLeftOut) return;
    source.patchable = true;
    source.access = v->access;
    source.layout = plugin->ListLayout();
    source.clip = *clip;
    source.grid = v->geo.grid;
    source.origin = viewStart;
    source.span = v->geo.timeSpan;
    source.from = from;
    source.pixels = v->geo.zoomPixels;
}

void PaintGrid(TrackView* v, Pane* pane, HDC dc, const RECT* clipBox, bool remember) {
    RefreshPlaybackPosition(v);
    MeasureTimeSelection(v);
    RECT clip;
    if (!IntersectRect(&clip, clipBox, &pane->rect)) return;
    const COLORREF oldText = GetTextColor(dc);
    const COLORREF oldBack = GetBkColor(dc);
    const UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_TOP);
    HGDIOBJ oldFont = SelectObject(dc, VorUI_GetFont(VOR_FONT_SMALL));

    BuildDisplayList(v, &clip);
    const Colours colours = DeriveColours();
    BrushCache brushes;

    const int width = std::max<int>(v->geo.grid.right - v->geo.grid.left, 1);
    const int height = std::max<int>(v->geo.grid.bottom - v->geo.grid.top, 1);
    GridPaintCache& cache = v->gridCache;
    // The other tracks' notes are part of the cached background.
    if (TakeGhostsChange(v)) cache.stale = true;
    if (cache.background && (cache.backgroundWidth != width || cache.backgroundHeight != height)) cache.background.Reset();
    if (!cache.background) {
        cache.background.Reset(CreateCompatibleBitmap(dc, width, height));
        cache.backgroundWidth = width;
        cache.backgroundHeight = height;
        cache.stale = true;
    }
    HDC bgDC = cache.background ? CreateCompatibleDC(dc) : nullptr;
    HGDIOBJ oldBitmap = nullptr;
    if (bgDC) {
        oldBitmap = SelectObject(bgDC, cache.background.Get());
        RECT drawn = cache.backgroundDrawn;
        if (cache.stale) SetRectEmpty(&drawn);
        RECT joined;
        UnionRect(&joined, &drawn, &clip);
        if (!EqualRect(&joined, &drawn)) {
            // Rows of the union that the display list does not cover are built for it first.
            if (!EqualRect(&joined, &clip)) BuildDisplayList(v, &joined);
            DrawBackground(v, bgDC, joined, v->geo.grid.left, v->geo.grid.top, colours, brushes);
            PaintGhosts(v, bgDC, joined, v->geo.grid.left, v->geo.grid.top);
            if (!EqualRect(&joined, &clip)) BuildDisplayList(v, &clip);
            cache.backgroundDrawn = joined;
            cache.stale = false;
            ++cache.backgroundDraws;
        }
    }
    // While the caret stands at the edit cursor it is the cursor line: the caret does not blink, so
    // inverting a black line under it would leave a white line on the light rows.
    const bool caretIsCursor = v->focus.caretShown && v->focusPane == PANE_GRID;
    const int cursorX = v->geo.timeSpan > 0 && !caretIsCursor ? XOfTickUp(v, v->time.editCursor) : -1;
    const GridLook look = LookOf(v, pane, bgDC ? cache.surface : 0, cursorX, colours.loop);
    // Rows the last paint left as they are now are not drawn again.
    std::vector<RECT>& bands = cache.bands;
    if (!ChangedRowBands(v, cache.keep, look, clip, &bands)) bands.assign(1, clip);
    for (const RECT& band : bands) {
        if (bgDC) {
            BitBlt(dc, band.left, band.top, band.right - band.left, band.bottom - band.top, bgDC,
                   band.left - v->geo.grid.left, band.top - v->geo.grid.top, SRCCOPY);
        } else {
            DrawBackground(v, dc, band, 0, 0, colours, brushes);
            PaintGhosts(v, dc, band);
        }
        DrawNotes(v, dc, band, brushes);
        DrawBendLines(v, dc, band);
        DrawLoopLines(v, pane, dc, band, brushes, colours);
        if (cursorX >= band.left && cursorX < band.right)
            brushes.Fill(dc, cursorX, band.top, cursorX + 1, band.bottom, RGB(0, 0, 0));
    }
    if (remember) RememberGridPaint(v, &cache.keep, look, clip);
    else ForgetGridPaint(v);
    if (bgDC) {
        SelectObject(bgDC, oldBitmap);
        DeleteDC(bgDC);
    }
    SelectObject(dc, oldFont);
    SetTextAlign(dc, oldAlign);
    SetBkColor(dc, oldBack);
    SetTextColor(dc, oldText);
}

} // namespace pianoroll
