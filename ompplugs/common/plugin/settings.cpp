// Defaults and by-index access of the persisted settings block.
#include "mp/settings.h"

#include <cstring>

namespace mp {

std::int32_t PianoRollSettings::GetWord(int index) const noexcept {
    if (index < 0 || index >= static_cast<int>(kSettingsWordCount)) return 0;
    std::int32_t value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(this) + index * 4, sizeof value);
    return value;
}

void PianoRollSettings::SetWord(int index, std::int32_t value) noexcept {
    if (index < 0 || index >= static_cast<int>(kSettingsWordCount)) return;
    std::memcpy(reinterpret_cast<unsigned char*>(this) + index * 4, &value, sizeof value);
}

void PianoRollSettings::Reset() noexcept {
    std::memset(static_cast<void*>(this), 0, sizeof *this);
    snapEnabled = 1;
    gridSnap = 1;
    snapEditCursor = 1;
    minGridPixels = 9;
    viewState9 = 1;
    autoScrollSpeed = 5;
    const char16_t face[] = u"Tahoma";
    std::memcpy(faceName, face, sizeof face);
    minSongWholeNotes = 2;
    keyboardWidth = -1;
    laneHeight = 50;
    presetZoomLevel = 15;
    timeFormat.formatCode = 5;
    timeFormat.sampleRate = 44100;
    timeFormat.one = 1.0;
    timeFormat.tempo = 120.0;
    timeFormat.timeSignature = 0x40004;
    timeFormat.ticksPerQuarter = 24576;
    colours.first = 0xDCDCDC;
    colours.second = 0xC0C0C0;
    colours.selectedNote = 0x404040;
    followMode = 1;
    savedTopRow = -1;
    savedZoomLevel = -1;
    savedRowHeightLevel = 5;
    songLength = -1;
    quantizeResolution = 6;
    quantizeStarts = 1;
    laneId = kLaneVelocity;
    noteStyle = 1;
}

void ResetSettingsHeader(SettingsHeader& header) noexcept {
    header.version = kSettingsVersion;
    header.second = 0;
    header.size = kSettingsBlockSize;
}

} // namespace mp
