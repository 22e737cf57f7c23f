// The lane menu: the lanes the user can choose, those of the kinds the track holds marked " *".
#pragma once

#include "lanes/controller_view.h"
#include "model/note_model.h"
#include "win/win.h"

namespace pianoroll {

// The kinds of event the shown track holds.
using TrackKinds = TrackContent;
TrackKinds FindTrackKinds(mp::TrackAccess& access);

// The nine controllers the first level lists whether the track holds them or not.
constexpr int kFavouriteControllers[] = {1, 2, 4, 5, 7, 8, 10, 11, 64};

// Whether the sub-menu of every controller offers a controller (the mode and parameter-number
// controllers are not lanes one can draw).
bool ControllerChoosable(int controller);

// A pop-up menu whose entries carry lane ids as command ids; the current lane has the radio mark.
// The caller destroys it. Null when the menu cannot be made.
win::HMENU BuildLaneMenu(mp::TrackAccess& access, TrackView& view, int currentLaneId);

} // namespace pianoroll
