// The velocity lane: the velocity ramp drawn across the notes, and the stems of the notes the grid
// shows, in the note style of the grid.
#include "lanes/velocity_lane.h"

#include <algorithm>
#include <vector>

#include "model/pending_edit.h"
#include "mp/module_strings.h"
#include "mp/track_access.h"
#include "view/brush_cache.h"
#include "view/note_colours.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"

namespace pianoroll {

namespace {

constexpr int kVelocityScale = 127;
} // namespace

void VelocityControllerView::GetName(char* buffer, int capacity) const {
    if (buffer && capacity >= 1) mp::LoadModuleString(mp::IDS_LANE_VELOCITY, buffer, static_cast<std::size_t>(capacity));
}

int VelocityControllerView::GetLaneCursor() const { return VOR_CURSOR_PENCIL; }

void VelocityControllerView::DrawStroke(int fromOffset, int toOffset, int height, std::int64_t fromTick,
                                        std::int64_t toTick, std::int64_t ticksPerPixel, bool) {
    if (height <= 0) return;
    const int to = toOffset * kVelocityScale / height;
    // A move that stays on one tick sets the notes there to where the pointer went, as the value lanes do.
    const int from = fromTick == toTick ? to : fromOffset * kVelocityScale / height;
    PendingEdit(&access_).DrawVelocityLine(from, to, fromTick, toTick, ticksPerPixel);
}

void VelocityControllerView::PaintLane(win::HDC dc, const win::RECT& lane, const win::RECT& clip) {
    win::RECT area;
    if (!win::IntersectRect(&area, &lane, &clip)) return;
    // The stems follow the notes the grid shows over the same columns; the grid's own last paint may
    // have covered other columns only.
    const win::RECT columns{area.left, view_.geo.grid.top, area.right, view_.geo.grid.bottom};
    if (columns.bottom <= columns.top) return;
    UseDisplayList(&view_, &columns);
    const bool shaded = ShadedNotes(view_.settings);
    const int height = lane.bottom - lane.top;
    struct Stem {
        int x, top, hue;
        bool selected;
    };
    std::vector<Stem> stems;
    stems.reserve(view_.gridCache.displayList.size());
    const PendingEdit edit(&access_);
    const bool pending = !edit.Empty();
    for (const DisplayRecord& note : view_.gridCache.displayList) {
        // Rows have no stem, and a note that starts left of the view has its start elsewhere.
        if ((note.flags & DR_ROW) || !(note.flags & DR_START_INSIDE)) continue;
        const int x = note.rect.left;
        if (x < area.left || x >= area.right) continue;
        // A stroke in progress shows the velocity it has queued.
        int velocity = note.velocity;
        const NoteKey key{note.key[0], note.key[1], note.key[2]};
        if (Note queued; pending && edit.IsChanged(key) && edit.Read(EventRef{key}, &queued)) velocity = queued.velocity;
        const int top = std::max<int>(lane.bottom - velocity * height / kVelocityScale, area.top);
        stems.push_back(Stem{x, top, note.colour, (note.flags & DR_SELECTED) != 0});
    }
    // Stems are drawn in list order down to the lane's bottom, so in each column a stem shows only
    // above the tops of the stems after it: only that part is filled, and a hidden stem not at all,
    // which leaves the same pixels at a fraction of the cost when many notes share a column.
    std::vector<int> lowestTop(static_cast<std::size_t>(area.right - area.left), area.bottom);
    win::COLORREF colours[2][kPaletteHues];
    bool known[2][kPaletteHues] = {};
    BrushCache brushes;
    FillBatch fills(brushes);
    for (auto it = stems.rbegin(); it != stems.rend(); ++it) {
        int& below = lowestTop[static_cast<std::size_t>(it->x - area.left)];
        if (it->top >= below) continue;
        win::COLORREF colour;
        if (it->hue >= 0 && it->hue < kPaletteHues) {
            if (!known[it->selected][it->hue]) {
                colours[it->selected][it->hue] = StemColour(it->hue, it->selected, shaded);
                known[it->selected][it->hue] = true;
            }
            colour = colours[it->selected][it->hue];
        } else {
            colour = StemColour(it->hue, it->selected, shaded);
        }
        fills.Add(it->x, it->top, it->x + 1, below, colour);
        below = it->top;
    }
    fills.Draw(dc);
}

} // namespace pianoroll
