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
    const PendingEdit edit(&access_);
    const bool pending = !edit.Empty();
    // Stems are drawn in list order down to the lane's bottom, so in each column a stem shows only
    // above the tops of the stems after it: walking the list backwards, only that part is filled, and a
    // hidden stem not at all, which leaves the same pixels at a fraction of the cost when many notes
    // share a column.
    std::vector<int> lowestTop(static_cast<std::size_t>(area.right - area.left), area.bottom);
    win::COLORREF colours[2][kPaletteHues];
    bool known[2][kPaletteHues] = {};
    BrushCache brushes;
    FillBatch fills(brushes);
    const std::vector<DisplayRecord>& list = view_.gridCache.displayList;
    // Many notes share a few velocities: each stem top is worked out once.
    const auto topOf = [&](int velocity) { return std::max<int>(lane.bottom - velocity * height / kVelocityScale, area.top); };
    int tops[kVelocityScale + 1];
    for (int velocity = 0; velocity <= kVelocityScale; ++velocity) tops[velocity] = topOf(velocity);
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        const DisplayRecord& note = *it;
        // Rows have no stem, and a note that starts left of the view has its start elsewhere.
        if ((note.flags & DR_ROW) || !(note.flags & DR_START_INSIDE)) continue;
        const int x = note.rect.left;
        if (x < area.left || x >= area.right) continue;
        int& below = lowestTop[static_cast<std::size_t>(x - area.left)];
        // A stroke in progress shows the velocity it has queued.
        int velocity = note.velocity;
        if (pending) {
            const NoteKey key{note.key[0], note.key[1], note.key[2]};
            if (Note queued; edit.IsChanged(key) && edit.Read(EventRef{key}, &queued)) velocity = queued.velocity;
        }
        const int top = velocity >= 0 && velocity <= kVelocityScale ? tops[velocity] : topOf(velocity);
        if (top >= below) continue;
        const bool selected = (note.flags & DR_SELECTED) != 0;
        const int hue = note.colour;
        win::COLORREF colour;
        if (hue >= 0 && hue < kPaletteHues) {
            if (!known[selected][hue]) {
                colours[selected][hue] = StemColour(hue, selected, shaded);
                known[selected][hue] = true;
            }
            colour = colours[selected][hue];
        } else {
            colour = StemColour(hue, selected, shaded);
        }
        fills.Add(x, top, x + 1, below, colour);
        below = top;
    }
    fills.Draw(dc);
}

} // namespace pianoroll
