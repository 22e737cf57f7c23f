// The editor's persisted settings block (82 words), its stream header, and the defaults.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace mp {

// Stream header kept just before the block: written as three little-endian words.
struct SettingsHeader {
    std::uint32_t version;
    std::uint32_t second;
    std::uint32_t size;
};
static_assert(sizeof(SettingsHeader) == 12);

constexpr std::uint32_t kSettingsVersion = 5;
constexpr std::uint32_t kSettingsBlockSize = 328;
constexpr std::uint32_t kSettingsWordCount = 82;
constexpr std::uint32_t kSettingsStreamSize = 12 + kSettingsBlockSize; // what Save writes
constexpr std::uint32_t kSettingsSizeMax = 344;                        // what GetSizeMax reports

// Time display format block (words 48-57): copied whole into each view and handed to the
// position-to-text conversion. The time signature word is beats x 65536 + note value.
struct TimeDisplayFormat {
    std::int32_t formatCode;
    std::int32_t sampleRate;
    double one;
    double tempo;
    std::int32_t reserved0;
    std::int32_t reserved1;
    std::uint32_t timeSignature;
    std::uint32_t ticksPerQuarter;
};
static_assert(sizeof(TimeDisplayFormat) == 40);
static_assert(offsetof(TimeDisplayFormat, one) == 8 && offsetof(TimeDisplayFormat, tempo) == 16);
static_assert(offsetof(TimeDisplayFormat, timeSignature) == 32);
static_assert(offsetof(TimeDisplayFormat, ticksPerQuarter) == 36);

// Controller lane ids stored in `laneId`.
constexpr std::int32_t kLaneVelocity = 1128;
constexpr std::int32_t kLanePitchBend = 1129;
constexpr std::int32_t kLaneControllerBase = 1000;

// The keyboard column's width (`keyboardWidth`, without its splitter) that a drag may set and a stored
// block may hold: room at least for the lane's name box with its arrow, so the lane can always be chosen.
constexpr std::int32_t kMinKeyboardWidth = 21;
constexpr std::int32_t kMaxKeyboardWidth = 16384;

// Word indices of the fields other parts address by number.
enum SettingsWord : int {
    SW_VIEW_STATE_0 = 0,
    SW_SNAP_ENABLED = 1,
    SW_GRID_SNAP = 2,
    SW_SNAP_EDIT_CURSOR = 3,
    SW_GRID_SPACING = 4,
    SW_PAINT_NOTE_VALUE = 6,
    SW_MIN_GRID_PIXELS = 8,
    SW_VIEW_STATE_9 = 9,
    SW_AUTO_SCROLL_SPEED = 10,
    SW_FACE_NAME = 11,
    SW_VIEW_STATE_27 = 27,
    SW_SAVED_TIME_ORIGIN = 28,
    SW_SAVED_TIME_SPAN = 30,
    SW_VIEW_STATE_32 = 32,
    SW_MIN_SONG_WHOLE_NOTES = 43,
    SW_KEYBOARD_WIDTH = 44,
    SW_LANE_HEIGHT = 45,
    SW_PRESET_ZOOM_LEVEL = 46,
    SW_VIEW_STATE_47 = 47,
    SW_TIME_FORMAT = 48,
    SW_VIEW_STATE_58 = 58,
    SW_NO_DOUBLE_BUFFER = 59,
    SW_COLOURS = 60,
    SW_FOLLOW_MODE = 63,
    SW_SAVED_TOP_ROW = 64,
    SW_SAVED_ZOOM_LEVEL = 65,
    SW_SAVED_ROW_HEIGHT_LEVEL = 66,
    SW_SAVED_VIEW_WORD = 67,
    SW_MONITOR_AT_START = 68,
    SW_VIEW_STATE_69 = 69,
    SW_SONG_LENGTH = 70,
    SW_QUANTIZE_RESOLUTION = 72,
    SW_QUANTIZE_STARTS = 73,
    SW_QUANTIZE_DURATIONS = 74,
    SW_LANE_ID = 75,
    SW_SCALE_SNAP = 76,
    SW_SCALE_ROOT = 77,
    SW_SCALE_INDEX = 78,
    SW_ROW_LINES = 79,
    SW_NOTE_STYLE = 80,
    SW_VIEW_STATE_81 = 81,
};

// The block's three colours (0x00BBGGRR), by role. Only the selected notes' fill is drawn with; the
// first two are kept as stored.
constexpr std::uint32_t kNoSelectedNoteColour = 0xFFFFFFFF; // selected notes keep their own dark shade
struct SettingsColours {
    std::uint32_t first;
    std::uint32_t second;
    std::uint32_t selectedNote; // the fill of selected notes, or kNoSelectedNoteColour
};
static_assert(sizeof(SettingsColours) == 12);

// 328 bytes, stored and streamed byte for byte (little-endian). Fields are named for their use;
// GetWord/SetWord read and write a field by its word index (SW_...), for checks of the stored layout.
struct PianoRollSettings {
    std::int32_t viewState0;
    std::int32_t snapEnabled;
    std::int32_t gridSnap;
    std::int32_t snapEditCursor;
    std::int64_t gridSpacing;
    std::int64_t paintNoteValue;
    std::int32_t minGridPixels;
    std::int32_t viewState9;
    std::int32_t autoScrollSpeed;
    char16_t faceName[32];
    std::int32_t viewState27;
    std::int64_t savedTimeOrigin; // the view's left edge in ticks, written with words 64-66 on message 1739
    std::int64_t savedTimeSpan;   // ticks across the view's zoom pixels then; 0 = none saved
    std::int32_t viewState32[11];
    std::int32_t minSongWholeNotes;
    std::int32_t keyboardWidth;
    std::int32_t laneHeight;
    std::int32_t presetZoomLevel;
    std::int32_t viewState47;
    TimeDisplayFormat timeFormat;
    std::int32_t viewState58;
    std::int32_t noDoubleBuffer;
    SettingsColours colours;
    std::int32_t followMode;
    std::int32_t savedTopRow;
    std::int32_t savedZoomLevel;
    std::int32_t savedRowHeightLevel;
    std::int32_t savedViewWord;
    std::int32_t monitorAtStart;
    std::int32_t viewState69;
    std::int64_t songLength; // -1 = not yet known
    std::int32_t quantizeResolution;
    std::int32_t quantizeStarts;
    std::int32_t quantizeDurations;
    std::int32_t laneId;
    std::int32_t scaleSnap;
    std::int32_t scaleRoot;
    std::int32_t scaleIndex;
    std::int32_t rowLines;
    std::int32_t noteStyle;
    std::int32_t viewState81;

    // Word `index` (0-81) as stored; out-of-range indices read 0 and ignore writes.
    std::int32_t GetWord(int index) const noexcept;
    void SetWord(int index, std::int32_t value) noexcept;
    // Resets every word to its default.
    void Reset() noexcept;
};
static_assert(sizeof(PianoRollSettings) == kSettingsBlockSize);
static_assert(offsetof(PianoRollSettings, snapEnabled) == 4);
static_assert(offsetof(PianoRollSettings, gridSpacing) == 16);
static_assert(offsetof(PianoRollSettings, paintNoteValue) == 24);
static_assert(offsetof(PianoRollSettings, minGridPixels) == 32);
static_assert(offsetof(PianoRollSettings, autoScrollSpeed) == 40);
static_assert(offsetof(PianoRollSettings, faceName) == 44);
static_assert(offsetof(PianoRollSettings, viewState27) == 108);
static_assert(offsetof(PianoRollSettings, savedTimeOrigin) == 112);
static_assert(offsetof(PianoRollSettings, savedTimeSpan) == 120);
static_assert(offsetof(PianoRollSettings, viewState32) == 128);
static_assert(offsetof(PianoRollSettings, minSongWholeNotes) == 172);
static_assert(offsetof(PianoRollSettings, keyboardWidth) == 176);
static_assert(offsetof(PianoRollSettings, laneHeight) == 180);
static_assert(offsetof(PianoRollSettings, presetZoomLevel) == 184);
static_assert(offsetof(PianoRollSettings, timeFormat) == 192);
static_assert(offsetof(PianoRollSettings, timeFormat) + offsetof(TimeDisplayFormat, one) == 200);
static_assert(offsetof(PianoRollSettings, timeFormat) + offsetof(TimeDisplayFormat, tempo) == 208);
static_assert(offsetof(PianoRollSettings, viewState58) == 232);
static_assert(offsetof(PianoRollSettings, noDoubleBuffer) == 236);
static_assert(offsetof(PianoRollSettings, colours) == 240);
static_assert(offsetof(PianoRollSettings, colours.selectedNote) == 248);
static_assert(offsetof(PianoRollSettings, followMode) == 252);
static_assert(offsetof(PianoRollSettings, savedTopRow) == 256);
static_assert(offsetof(PianoRollSettings, savedViewWord) == 268);
static_assert(offsetof(PianoRollSettings, monitorAtStart) == 272);
static_assert(offsetof(PianoRollSettings, songLength) == 280);
static_assert(offsetof(PianoRollSettings, quantizeResolution) == 288);
static_assert(offsetof(PianoRollSettings, laneId) == 300);
static_assert(offsetof(PianoRollSettings, scaleIndex) == 312);
static_assert(offsetof(PianoRollSettings, noteStyle) == 320);
static_assert(offsetof(PianoRollSettings, viewState81) == 324);

// Fills the header with 5, 0, 328.
void ResetSettingsHeader(SettingsHeader& header) noexcept;

// Gives every field whose value lies outside its range (a flag that is neither 0 nor 1, a row past
// 127, a width no screen has, a face name without its terminating zero …) its default, so that no
// stored value reaches the views' arithmetic. Returns how many fields were replaced; with names, their
// names are appended to it, separated by ", ".
int RepairSettings(PianoRollSettings& block, std::string* names = nullptr);

} // namespace mp
