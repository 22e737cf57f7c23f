// Repaints of the note grid that keep the rows the last paint left right.
#include "view/grid_keep.h"

#include <algorithm>

#include "view/grid_paint.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// Past this many changed rows one paint of the whole clip costs no more than the bands.
constexpr std::size_t kMostBands = 16;

bool SameColours(const NoteColours& a, const NoteColours& b) {
    return a.body == b.body && a.light == b.light && a.dark == b.dark;
}

bool SameRecord(const DisplayRecord& a, const DisplayRecord& b) {
    return EqualRect(&a.rect, &b.rect) && a.colour == b.colour && a.flags == b.flags && a.row == b.row;
}

bool Meets(const RECT& a, const RECT& b) {
    return std::max(a.left, b.left) < std::min(a.right, b.right) && std::max(a.top, b.top) < std::min(a.bottom, b.bottom);
}

// Whether the notes of two lists that meet clip are the same, in the same order.
bool SameNotesMeeting(const DisplayRecord* a, const DisplayRecord* aEnd, const DisplayRecord* b, const DisplayRecord* bEnd,
                      const RECT& clip) {
    for (;; ++a, ++b) {
        while (a != aEnd && !Meets(a->rect, clip)) ++a;
        while (b != bEnd && !Meets(b->rect, clip)) ++b;
        if (a == aEnd || b == bEnd) return a == aEnd && b == bEnd;
        if (!SameRecord(*a, *b)) return false;
    }
}

// The notes of [first, last) that meet clip, grouped by row (rows index - firstRow), in list order.
void GroupByRow(const DisplayRecord* first, const DisplayRecord* last, const RECT& clip, int firstRow,
                std::vector<std::vector<const DisplayRecord*>>& rows) {
    for (const DisplayRecord* n = first; n != last; ++n) {
        if (!Meets(n->rect, clip)) continue;
        const int index = n->row - firstRow;
        if (index < 0 || static_cast<std::size_t>(index) >= rows.size()) continue;
        rows[static_cast<std::size_t>(index)].push_back(n);
    }
}

} // namespace

bool GridLook::operator==(const GridLook& o) const noexcept {
    if (surface != o.surface || background != o.background || !EqualRect(&grid, &o.grid) || loopLeft != o.loopLeft || loopColour != o.loopColour ||
        loopRight != o.loopRight || cursor != o.cursor || overlays != o.overlays || shaded != o.shaded)
        return false;
    for (int s = 0; s < 2; ++s)
        for (int h = 0; h < kPaletteHues; ++h)
            if (!SameColours(colours[s][h], o.colours[s][h])) return false;
    return true;
}

bool ChangedRowBands(const TrackView* v, const GridKeep& keep, const GridLook& look, const RECT& clip,
                     std::vector<RECT>* bands) {
    bands->clear();
    if (!keep.valid || look.surface == 0 || look.overlays || !(look == keep.look)) return false;
    RECT inside;
    if (!IntersectRect(&inside, &clip, &keep.rect) || !EqualRect(&inside, &clip)) return false;
    const std::vector<DisplayRecord>& list = v->gridCache.displayList;
    const auto rowCount = static_cast<std::size_t>(v->gridCache.displayRowCount);
    if (rowCount == 0 || keep.rows.empty()) return false;
    // Every row shown now was shown then, just as it is.
    const int firstRow = list.front().row, keptFirst = keep.rows.front().row;
    for (std::size_t i = 0; i < rowCount; ++i) {
        const int at = list[i].row - keptFirst;
        if (at < 0 || static_cast<std::size_t>(at) >= keep.rows.size() || !SameRecord(list[i], keep.rows[static_cast<std::size_t>(at)]))
            return false;
    }
    // Lists that agree note for note agree row for row: the usual repaint of an unchanged grid.
    const DisplayRecord* notes = list.data() + rowCount;
    if (SameNotesMeeting(notes, list.data() + list.size(), keep.notes.data(), keep.notes.data() + keep.notes.size(), clip))
        return true;
    std::vector<std::vector<const DisplayRecord*>> now(rowCount), then(rowCount);
    GroupByRow(notes, list.data() + list.size(), clip, firstRow, now);
    GroupByRow(keep.notes.data(), keep.notes.data() + keep.notes.size(), clip, firstRow, then);
    for (std::size_t r = 0; r < rowCount; ++r) {
        const bool same = std::equal(now[r].begin(), now[r].end(), then[r].begin(), then[r].end(),
                                     [](const DisplayRecord* a, const DisplayRecord* b) { return SameRecord(*a, *b); });
        if (same) continue;
        const RECT band{clip.left, std::max(list[r].rect.top, clip.top), clip.right, std::min(list[r].rect.bottom, clip.bottom)};
        if (band.bottom > band.top) bands->push_back(band);
        if (bands->size() > kMostBands) return false;
    }
    return true;
}

void RememberGridPaint(const TrackView* v, GridKeep* keep, const GridLook& look, const RECT& clip) {
    keep->valid = look.surface != 0 && !look.overlays;
    keep->rect = clip;
    keep->look = look;
    const std::vector<DisplayRecord>& list = v->gridCache.displayList;
    const auto rowCount = static_cast<std::size_t>(v->gridCache.displayRowCount);
    keep->rows.assign(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(rowCount));
    keep->notes.clear();
    for (std::size_t i = rowCount; i < list.size(); ++i) {
        if (Meets(list[i].rect, clip)) keep->notes.push_back(list[i]);
    }
}

} // namespace pianoroll
