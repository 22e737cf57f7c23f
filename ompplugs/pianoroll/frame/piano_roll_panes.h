// The piano-roll view as composed from its parts: which panes, tools and lanes it has, and what the
// view asks of them (view/view_parts.h).
#pragma once

#include "win/win.h"

namespace pianoroll {

struct TrackView;

// Installs the piano-roll view's pane classes and options in a new view, and its parts.
void InstallPianoRollPanes(TrackView* view);
// Answer to PRM_SCRIPT_POSITION, the script runner's questions (mp/script_query.h).
win::LRESULT AnswerScriptQuery(TrackView* v, win::WPARAM what, win::LPARAM value);

} // namespace pianoroll
