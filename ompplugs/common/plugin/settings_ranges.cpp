// The range each settings field may hold, and the repair of a loaded block whose fields stray from it.
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "mp/settings.h"

namespace mp {

namespace {

using Block = PianoRollSettings;

// Bounds chosen so that every sum and product the views form from a field fits its type.
constexpr std::int32_t kMaxPixels = 16384;                 // widths, heights and distances on screen
constexpr std::int32_t kMaxAutoScrollSpeed = 240;          // the divisor it is used with
constexpr std::int32_t kMaxSongWholeNotes = 100000;
constexpr std::int32_t kMaxZoomLevel = 127;                // time zoom doubles every two levels
constexpr std::int32_t kMaxRowHeightLevel = kMaxPixels;
constexpr std::int32_t kLastRow = 127;
constexpr std::int32_t kLastTool = 4;                      // the five tools, Draw first
constexpr std::int32_t kLastQuantizeResolution = 10;       // "64th Note"
constexpr std::int32_t kLastRoot = 11;
constexpr std::int32_t kMaxFollowMode = 2;
constexpr std::int64_t kMaxSpacingTicks = std::int64_t{1} << 40;
constexpr std::int64_t kLongestSong = std::int64_t{1} << 48; // ticks of a saved view's edge and span
constexpr std::int64_t kLowestGridNoteValue = -65;         // "96th" of the grid spacing encoding
constexpr std::int64_t kLowestPaintNoteValue = -8 * 64;    // a 64th, the shortest paint value
constexpr std::uint32_t kColourMask = 0x00FFFFFF;          // 0x00BBGGRR
constexpr std::int32_t kMaxSampleRate = 1000000;
constexpr double kMaxTempo = 1000.0;
constexpr std::uint32_t kMaxBeats = 255;                   // a MIDI time signature's numerator is a byte
constexpr std::uint32_t kMaxNoteValue = 128;
constexpr std::uint32_t kMaxTicksPerQuarter = 1u << 24;

bool In(std::int64_t v, std::int64_t lo, std::int64_t hi) { return v >= lo && v <= hi; }
bool Flag(std::int32_t v) { return v == 0 || v == 1; }
bool Any(const Block&) { return true; }

bool FaceNameEnds(const Block& b) {
    for (char16_t c : b.faceName)
        if (c == 0) return true;
    return false;
}

bool TimeFormatSound(const Block& b) {
    const TimeDisplayFormat& f = b.timeFormat;
    const std::uint32_t beats = f.timeSignature >> 16;
    const std::uint32_t noteValue = f.timeSignature & 0xFFFF;
    return In(f.sampleRate, 1, kMaxSampleRate) && std::isfinite(f.one) && std::isfinite(f.tempo) && f.tempo > 0 &&
           f.tempo <= kMaxTempo && In(beats, 1, kMaxBeats) && In(noteValue, 1, kMaxNoteValue) &&
           (noteValue & (noteValue - 1)) == 0 && In(f.ticksPerQuarter, 1, kMaxTicksPerQuarter);
}

bool LaneKnown(std::int32_t id) {
    return id == kLaneVelocity || id == kLanePitchBend || In(id, kLaneControllerBase, kLaneControllerBase + 127);
}

struct FieldRange {
    std::size_t offset; // bytes into the block
    std::size_t size;
    const char* name;   // as a user's note names it; "" for fields that take any value
    bool (*ok)(const Block&);
};

#define FIELD(member, name, test) \
    {offsetof(Block, member), sizeof(Block::member), name, [](const Block& b) { return (void)b, (test); }}

// Every field of the block; the view-state words hold whatever their owners put there.
constexpr FieldRange kFields[] = {
    FIELD(viewState0, "", true),
    FIELD(snapEnabled, "snapping", Flag(b.snapEnabled)),
    FIELD(gridSnap, "grid snapping", Flag(b.gridSnap)),
    FIELD(snapEditCursor, "cursor snapping", Flag(b.snapEditCursor)),
    FIELD(gridSpacing, "grid spacing", In(b.gridSpacing, kLowestGridNoteValue, kMaxSpacingTicks)),
    FIELD(paintNoteValue, "paint note value", In(b.paintNoteValue, kLowestPaintNoteValue, kMaxSpacingTicks)),
    FIELD(minGridPixels, "grid line distance", In(b.minGridPixels, 0, kMaxPixels)),
    FIELD(viewState9, "", true),
    FIELD(autoScrollSpeed, "auto-scroll speed", In(b.autoScrollSpeed, 1, kMaxAutoScrollSpeed)),
    {offsetof(Block, faceName), sizeof(Block::faceName), "font name", FaceNameEnds},
    FIELD(viewState27, "", true),
    FIELD(savedTimeOrigin, "view start", In(b.savedTimeOrigin, 0, kLongestSong)),
    FIELD(savedTimeSpan, "view span", In(b.savedTimeSpan, 0, kLongestSong)),
    {offsetof(Block, viewState32), sizeof(Block::viewState32), "", Any},
    FIELD(minSongWholeNotes, "shortest song", In(b.minSongWholeNotes, 0, kMaxSongWholeNotes)),
    // Negative: measured when the grid first opens.
    FIELD(keyboardWidth, "keyboard width", b.keyboardWidth < 0 || In(b.keyboardWidth, kMinKeyboardWidth, kMaxKeyboardWidth)),
    FIELD(laneHeight, "lane height", In(b.laneHeight, 0, kMaxPixels)),
    FIELD(presetZoomLevel, "preset zoom", In(b.presetZoomLevel, 0, kMaxZoomLevel)),
    FIELD(viewState47, "", true),
    {offsetof(Block, timeFormat), sizeof(Block::timeFormat), "time display format", TimeFormatSound},
    FIELD(viewState58, "", true),
    FIELD(noDoubleBuffer, "", true), // any non-zero value turns it off
    {offsetof(Block, colours.first), 4, "first colour", [](const Block& b) { return (b.colours.first & ~kColourMask) == 0; }},
    {offsetof(Block, colours.second), 4, "second colour", [](const Block& b) { return (b.colours.second & ~kColourMask) == 0; }},
    {offsetof(Block, colours.selectedNote), 4, "selection colour",
     [](const Block& b) { return (b.colours.selectedNote & ~kColourMask) == 0 || b.colours.selectedNote == kNoSelectedNoteColour; }},
    FIELD(followMode, "follow mode", In(b.followMode, 0, kMaxFollowMode)),
    FIELD(savedTopRow, "top row", In(b.savedTopRow, -1, kLastRow)),
    FIELD(savedZoomLevel, "zoom level", In(b.savedZoomLevel, -1, kMaxZoomLevel)),
    FIELD(savedRowHeightLevel, "row height", In(b.savedRowHeightLevel, -1, kMaxRowHeightLevel)),
    FIELD(savedViewWord, "tool", In(b.savedViewWord, 0, kLastTool)),
    FIELD(monitorAtStart, "monitor", Flag(b.monitorAtStart)),
    FIELD(viewState69, "", true),
    FIELD(songLength, "song length", b.songLength >= -1),
    FIELD(quantizeResolution, "quantize resolution", In(b.quantizeResolution, 0, kLastQuantizeResolution)),
    FIELD(quantizeStarts, "quantize start times", Flag(b.quantizeStarts)),
    FIELD(quantizeDurations, "quantize durations", Flag(b.quantizeDurations)),
    FIELD(laneId, "controller lane", LaneKnown(b.laneId)),
    FIELD(scaleSnap, "scale snapping", Flag(b.scaleSnap)),
    FIELD(scaleRoot, "root note", In(b.scaleRoot, 0, kLastRoot)),
    FIELD(scaleIndex, "", true), // clamped into the scale table where it is used
    FIELD(rowLines, "", true),   // any non-zero value draws the lines
    FIELD(noteStyle, "note style", Flag(b.noteStyle)),
    FIELD(viewState81, "", true),
};

#undef FIELD

constexpr std::size_t FieldBytes() {
    std::size_t total = 0;
    for (const FieldRange& f : kFields) total += f.size;
    return total;
}
static_assert(FieldBytes() == kSettingsBlockSize, "every byte of the block belongs to one checked field");

} // namespace

int RepairSettings(PianoRollSettings& block, std::string* names) {
    PianoRollSettings defaults;
    defaults.Reset();
    auto* bytes = reinterpret_cast<unsigned char*>(&block);
    const auto* fallback = reinterpret_cast<const unsigned char*>(&defaults);
    int repaired = 0;
    for (const FieldRange& f : kFields) {
        if (f.ok(block)) continue;
        std::memcpy(bytes + f.offset, fallback + f.offset, f.size);
        if (names) *names += std::string(names->empty() ? "" : ", ") + f.name;
        ++repaired;
    }
    return repaired;
}

} // namespace mp
