// The editor frame's state and the operations of its dialog procedure.
#pragma once

#include "mp/script_query.h"
#include "win/types.h"

namespace mp {
class COPTPianoRollPlugin;
class TrackAccess;
class CBaseListPage;
} // namespace mp

namespace pianoroll {

struct TrackView;

// One per frame, made at dialog initialisation and freed at destruction.
struct FrameState {
    mp::CBaseListPage* page = nullptr;
    mp::COPTPianoRollPlugin* plugin = nullptr;
    mp::TrackAccess* access = nullptr;
    TrackView* view = nullptr;
    win::HWND viewWindow = nullptr;
};

constexpr int kViewWindowId = 1002;

// Refills the chooser from the plug-in's track table: the host's names, "Track %d" for unnamed ones.
// With keepSelection the previously chosen track stays chosen; otherwise the first track is chosen.
void FillTrackChooser(FrameState* frame, win::HWND chooser, bool keepSelection);
// The track-table index of the chosen item, -1 when nothing is chosen.
int ChosenTrackIndex(win::HWND chooser);

// Whether the frame passes the command on to the view, which carries it out (tools, snapping, grid
// spacing, paint note value, key).
bool ViewCarriesOut(int id);
// Who acts on a command id as the editor's toolbar, transport bar and menus send it: the frame, the
// view (an id only the view's own menus carry), or nobody (SCT_NONE).
win::LRESULT CommandTargetOf(int id);

} // namespace pianoroll
