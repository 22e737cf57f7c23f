// Sounding the note a gesture presses or moves, through the host's preview output, and silencing it.
#include "model/note_model.h"
#include "mp/track_access.h"
#include "tools/tool_framework.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

void SoundPitch(TrackView* v, int pitch, std::int64_t duration, int velocity) {
    Gesture& g = ToolsOf(v)->gesture;
    SilenceNote(v);
    if (!v->access || pitch < 0 || pitch > kTopPitch) return;
    if (v->access->PlayNote(pitch, duration, velocity, true) == S_OK) g.soundingPitch = pitch;
}

void SoundNote(TrackView* v, const NoteKey& key) {
    Note note;
    if (NoteModel(v->access).Read(key, &note)) SoundPitch(v, note.pitch, note.length, note.velocity);
}

void SilenceNote(TrackView* v) {
    Gesture& g = ToolsOf(v)->gesture;
    if (g.soundingPitch < 0) return;
    if (v->access) v->access->PlayNote(g.soundingPitch, 0, 0, false);
    g.soundingPitch = -1;
}

} // namespace pianoroll
