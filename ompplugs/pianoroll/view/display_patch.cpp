// A paint after a change of the notes' selection alone (each step of a marquee) gives the display
// list's notes their new flags from the plug-in's list, which holds each event's selection, instead
// of reading every note from the host again.
#include <vector>

#include "model/pending_edit.h"
#include "mp/plugin.h"
#include "mp/track_access.h"
#include "view/grid_paint.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

bool SameRow(const DisplayRecord& a, const DisplayRecord& b) {
    return EqualRect(&a.rect, &b.rect) && a.row == b.row && a.colour == b.colour && a.flags == b.flags;
}

bool SameKey(const mp::EventKey& key, const std::uint32_t (&words)[3]) {
    return key.track == words[0] && key.block == words[1] && key.event == words[2];
}

bool Selected(const DisplayRecord& r) { return (r.flags & DR_SELECTED) != 0; }

// The view and rows the list was built for are the ones a build would use now.
bool SameView(const TrackView* v, const GridPaintCache& cache, const RECT& clip, const std::vector<DisplayRecord>& rows) {
    const NoteSource& s = cache.source;
    const RECT grid = v->geo.grid;
    if (!EqualRect(&s.clip, &clip) || !EqualRect(&s.grid, &grid) || s.origin != v->geo.timeOrigin ||
        s.span != v->geo.timeSpan || s.pixels != v->geo.zoomPixels || cache.displayRowCount != static_cast<int>(rows.size()))
        return false;
    for (std::size_t i = 0; i < rows.size(); ++i)
        if (!SameRow(rows[i], cache.displayList[i])) return false;
    return true;
}

} // namespace

bool PatchDisplayList(const TrackView* v, GridPaintCache& cache, const RECT& clip, const std::vector<DisplayRecord>& rows) {
    NoteSource& source = cache.source;
    if (!source.patchable || source.access != v->access || !v->access) return false;
    mp::COPTPlugin* plugin = v->access->Plugin();
    // The list must be the shown track's whole list as a walk would find it, with every report in.
    const std::uint32_t ready = mp::PLF_TRACKS_LOADED | mp::PLF_EVENT_LIST_VALID;
    if (!plugin || (plugin->Flags() & ready) != ready || plugin->CurrentTrack() != v->access->TrackIndex() ||
        plugin->CurrentBlock() != -1 || plugin->KindFilter() != plugin->FilterInForce() ||
        plugin->PendingNotificationCount() != 0 || !PendingEdit(v->access).Empty())
        return false;
    const mp::EntryList& events = plugin->EventList();
    if (plugin->ListLayout() != source.layout || !SameView(v, cache, clip, rows)) return false;
    // The kept notes and the left-out ones are in list order: one pass over the list meets them all.
    std::vector<DisplayRecord>& list = cache.displayList;
    const std::vector<LeftOutNote>& leftOut = source.leftOut;
    std::size_t kept = rows.size(), out = 0;
    for (std::size_t i = plugin->FirstReaching(source.from); i < events.size() && (kept < list.size() || out < leftOut.size()); ++i) {
        const mp::EventEntry& e = events[i];
        if (out < leftOut.size() && leftOut[out].after == static_cast<std::int32_t>(kept)) {
            if (!SameKey(e.key, leftOut[out].key)) continue;
            // Left out, it must still repeat the records it repeated.
            const LeftOutNote& n = leftOut[out++];
            const bool selected = plugin->EntrySelected(e);
            if (selected != Selected(list[static_cast<std::size_t>(n.row)]) ||
                (n.stem >= 0 && selected != Selected(list[static_cast<std::size_t>(n.stem)])))
                return false;
        } else if (kept < list.size() && SameKey(e.key, list[kept].key)) {
            DisplayRecord& r = list[kept++];
            r.flags = plugin->EntrySelected(e) ? (r.flags | DR_SELECTED) : (r.flags & ~DR_SELECTED);
        }
    }
    source.patchable = source.patched = kept == list.size() && out == leftOut.size();
    return source.patched;
}

} // namespace pianoroll
