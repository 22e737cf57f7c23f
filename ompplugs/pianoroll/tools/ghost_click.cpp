// Switching to another track's note from the grid: a double-click on it, or an Alt+press with the Draw or
// Selection tool.
#include "tools/ghost_click.h"

#include "view/ghost_layer.h"
#include "view/snapping.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

bool GhostClick(TrackView* v, UINT msg, int x, int y) {
    if (msg != WM_LBUTTONDBLCLK && !(msg == WM_LBUTTONDOWN && AltHeld())) return false;
    GhostHit hit;
    if (!GhostAt(v, x, y, &hit)) return false;
    return v->owner.ShowTrackNote(v, hit.trackIndex, hit.key);
}

} // namespace pianoroll
