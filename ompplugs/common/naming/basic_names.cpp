// Names of pitches, controllers, General MIDI voices, registered parameters, voice and drum sets.
#include "naming_text.h"

#include "mp/module_strings.h"
#include "mp/naming.h"

namespace mp {
namespace naming {

std::string PitchName(int pitch, bool withOctave, bool withFlats) {
    if (pitch < 0 || pitch > 127) return {};
    int step = pitch % 12;
    // Only the black keys differ between the two tables; 1, 3, 6, 8 and 10 are those steps.
    static constexpr int kFlatIndex[12] = {-1, 0, -1, 1, -1, -1, 2, -1, 3, -1, 4, -1};
    std::string name = withFlats && kFlatIndex[step] >= 0 ? Text(IDS_PITCH_FLAT_FIRST + kFlatIndex[step])
                                                          : Text(IDS_PITCH_SHARP_FIRST + step);
    if (withOctave) name += std::to_string(pitch / 12);
    return name;
}

std::string ControllerName(int controller) {
    if (controller < 0 || controller > 127) return Text(IDS_CONTROLLER_UNDEFINED);
    return Text(IDS_CONTROLLER_FIRST + controller);
}

std::string VoiceName(int program) {
    return Text(IDS_GM_VOICE_FIRST + (program & 127));
}

std::string RpnName(int msb, int lsb) {
    if (msb == 0 && lsb >= 0 && lsb <= 4) return Text(IDS_RPN_PITCH_BEND_SENSITIVITY + lsb);
    return Text(IDS_RPN_UNKNOWN);
}

} // namespace naming

int NamePitch(int pitch, bool withOctave, bool withFlats, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0 || pitch < 0 || pitch > 127) return NAME_BAD_ARGUMENT;
    return naming::Emit(naming::PitchName(pitch, withOctave, withFlats), buffer, capacity);
}

int NameController(int controller, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return NAME_BAD_ARGUMENT;
    return naming::Emit(naming::ControllerName(controller), buffer, capacity);
}

int NameVoice(int program, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return NAME_BAD_ARGUMENT;
    return naming::Emit(naming::VoiceName(program), buffer, capacity);
}

int NameRpn(int msb, int lsb, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return NAME_BAD_ARGUMENT;
    return naming::Emit(naming::RpnName(msb, lsb), buffer, capacity);
}

int NameVoiceSet(int set, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0 || set < 0 || set > 3) return NAME_BAD_ARGUMENT;
    return naming::Emit(naming::Text(IDS_VOICESET_GM + set), buffer, capacity);
}

int NameDrumSet(int set, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0 || set < 0 || set > static_cast<int>(IDS_DRUMSET_LAST - IDS_DRUMSET_FIRST))
        return NAME_BAD_ARGUMENT;
    return naming::Emit(naming::Text(IDS_DRUMSET_FIRST + set), buffer, capacity);
}

} // namespace mp
