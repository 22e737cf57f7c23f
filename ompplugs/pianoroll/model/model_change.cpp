// The model's change record, made from what the plug-in object's list upkeep touched.
#include "model/model_change.h"

#include "model/note.h"
#include "mp/plugin.h"
#include "mp/track_access.h"

namespace pianoroll {

ModelChange TakeModelChange(mp::TrackAccess* access) {
    ModelChange change;
    mp::COPTPlugin* plugin = access ? access->Plugin() : nullptr;
    if (!plugin) return change;
    const mp::ListDamage damage = plugin->TakeListDamage();
    if (damage.tracks) change.what |= MODEL_TRACKS;
    if (damage.kinds & mp::MEK_NOTE) change.what |= MODEL_NOTES;
    if (damage.kinds & (mp::MEK_CONTROL | mp::MEK_PITCH_BEND)) change.what |= MODEL_LANE_EVENTS;
    if (damage.kinds & ~(mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_PITCH_BEND)) change.what |= MODEL_OTHER_EVENTS;
    if (damage.to >= damage.from) {
        change.from = damage.from;
        change.to = damage.to;
    }
    if (damage.highPitch >= damage.lowPitch) {
        // Stored pitches are shown with the track's pitch offset, which may wrap: then any row may show them.
        if (access->Offsets().pitch == 0) {
            change.topRow = kHighestPitch - std::min(damage.highPitch, kHighestPitch);
            change.bottomRow = kHighestPitch - std::min(damage.lowPitch, kHighestPitch);
        } else {
            change.topRow = 0;
            change.bottomRow = kHighestPitch;
        }
    }
    return change;
}

} // namespace pianoroll
