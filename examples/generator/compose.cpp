// The demo song's composition.
#include "compose.h"

#include <sstream>
#include <string>

namespace demosong {

namespace {
constexpr int kEighth = kTicksPerQuarter / 2;
constexpr int kBar = kTicksPerQuarter * 4;

constexpr std::uint8_t kMelody = 0, kBass = 1, kChords = 2, kDrums = 9;

std::vector<std::uint8_t> Meta(std::uint8_t type, std::vector<std::uint8_t> data) {
    data.insert(data.begin(), {0xFF, type});
    return data;
}
std::vector<std::uint8_t> Text(std::uint8_t type, const std::string& s) {
    return Meta(type, std::vector<std::uint8_t>(s.begin(), s.end()));
}

struct Writer {
    SmfTrack track;
    void Add(std::int64_t tick, std::vector<std::uint8_t> bytes) { track.events.push_back({tick, std::move(bytes)}); }
    void Note(std::uint8_t ch, std::int64_t tick, std::int64_t length, int note, int velocity) {
        Add(tick, {static_cast<std::uint8_t>(0x90 | ch), static_cast<std::uint8_t>(note), static_cast<std::uint8_t>(velocity)});
        Add(tick + length, {static_cast<std::uint8_t>(0x90 | ch), static_cast<std::uint8_t>(note), 0});
    }
    void Cc(std::uint8_t ch, std::int64_t tick, int cc, int value) {
        Add(tick, {static_cast<std::uint8_t>(0xB0 | ch), static_cast<std::uint8_t>(cc), static_cast<std::uint8_t>(value)});
    }
    void Bend(std::uint8_t ch, std::int64_t tick, int value) {
        Add(tick, {static_cast<std::uint8_t>(0xE0 | ch), static_cast<std::uint8_t>(value & 0x7F),
                   static_cast<std::uint8_t>((value >> 7) & 0x7F)});
    }
    void Setup(std::uint8_t ch, const std::string& name, int program, int volume, int pan) {
        Add(0, Text(0x03, name));
        Add(0, {static_cast<std::uint8_t>(0xC0 | ch), static_cast<std::uint8_t>(program)});
        Cc(ch, 0, 7, volume);
        Cc(ch, 0, 10, pan);
    }
};

int NoteNumber(const std::string& name) {
    static const int base[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    int n = base[name[0] - 'A'];
    std::size_t i = 1;
    if (i < name.size() && (name[i] == '#' || name[i] == 'b')) n += name[i++] == '#' ? 1 : -1;
    return n + 12 * (std::stoi(name.substr(i)) + 1);
}

// "E5:2 C5:1 r:2": note names with lengths in eighths; r is a rest.
void Phrase(Writer& w, std::uint8_t ch, std::int64_t start, const std::string& text, int velocity) {
    std::istringstream in(text);
    std::string item;
    std::int64_t t = start;
    int index = 0;
    while (in >> item) {
        const auto colon = item.find(':');
        const std::int64_t length = std::stoi(item.substr(colon + 1)) * kEighth;
        const std::string name = item.substr(0, colon);
        if (name != "r") {
            // Notes on the beat a little louder; slightly detached.
            const int accent = (t % kTicksPerQuarter == 0) ? 8 : 0;
            w.Note(ch, t, length - kEighth / 8, NoteNumber(name), velocity + accent - (index % 3) * 2);
        }
        t += length;
        ++index;
    }
}

const char* const kMelodyBars[] = {
    "E5:2 C5:1 D5:1 E5:2 A4:2", "F5:3 E5:1 D5:2 C5:2", "E5:2 G5:2 E5:1 D5:1 C5:2", "D5:3 B4:1 G4:2 r:2",
    "A5:2 G5:1 E5:1 C5:2 E5:2", "F5:2 A5:2 G5:2 F5:2", "G5:3 F5:1 D5:2 B4:2",     "A4:6 r:2",
    "r:8",
};

struct Chord {
    int root; // bass note
    int fifth;
    int voicing[3];
};
const Chord kProgression[] = {
    {45, 52, {57, 60, 64}}, // Am
    {41, 48, {57, 60, 65}}, // F
    {48, 43, {55, 60, 64}}, // C
    {43, 50, {55, 59, 62}}, // G
    {45, 52, {57, 60, 64}}, // Am
    {41, 48, {57, 60, 65}}, // F
    {43, 50, {55, 59, 62}}, // G
    {45, 52, {57, 60, 64}}, // Am
    {45, 52, {57, 60, 64}}, // Am, the last chord held
};

} // namespace

std::vector<SmfTrack> ComposeDemoSong() {
    std::vector<SmfTrack> tracks;

    Writer conductor;
    conductor.Add(0, Text(0x03, "Demo Song"));
    conductor.Add(0, Meta(0x58, {4, 2, 24, 8}));
    conductor.Add(0, Meta(0x59, {0, 1})); // A minor
    conductor.Add(0, Meta(0x51, {static_cast<std::uint8_t>(kMicrosPerQuarter >> 16),
                                 static_cast<std::uint8_t>(kMicrosPerQuarter >> 8),
                                 static_cast<std::uint8_t>(kMicrosPerQuarter)}));
    conductor.Add(kBar * kBars, Text(0x06, "End"));
    tracks.push_back(std::move(conductor.track));

    Writer melody;
    melody.Setup(kMelody, "Melody", 81, 100, 72); // sawtooth lead
    for (int bar = 0; bar < kBars; ++bar) Phrase(melody, kMelody, bar * kBar, kMelodyBars[bar], 92);
    // A scoop up into the high A of bar 5, and a vibrato on the long note of bar 8.
    for (int i = 0; i <= 8; ++i) melody.Bend(kMelody, 4 * kBar + i * 15, 8192 - 2048 + i * 256);
    for (int i = 0; i < 16; ++i) {
        static const int wave[] = {0, 500, 700, 500, 0, -500, -700, -500};
        melody.Bend(kMelody, 7 * kBar + kTicksPerQuarter + i * kEighth / 4, 8192 + wave[i % 8]);
    }
    melody.Bend(kMelody, 7 * kBar + 6 * kEighth, 8192);
    tracks.push_back(std::move(melody.track));

    Writer chords;
    chords.Setup(kChords, "Chords", 4, 84, 48); // electric piano
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& c = kProgression[bar];
        const bool last = bar == kBars - 1;
        for (int half = 0; half < (last ? 1 : 2); ++half)
            for (int v : c.voicing)
                chords.Note(kChords, bar * kBar + half * 2 * kTicksPerQuarter, last ? kBar : 2 * kTicksPerQuarter - 20, v,
                            half == 0 ? 76 : 64);
    }
    // Expression swells from soft to full over the first eight bars.
    for (int step = 0; step < 8 * 16; ++step)
        chords.Cc(kChords, step * (kTicksPerQuarter / 4), 11, 40 + step * 87 / (8 * 16 - 1));
    tracks.push_back(std::move(chords.track));

    Writer bass;
    bass.Setup(kBass, "Bass", 33, 104, 64); // fingered bass
    for (int bar = 0; bar < kBars; ++bar) {
        const Chord& c = kProgression[bar];
        const std::int64_t t = bar * kBar;
        if (bar == kBars - 1) {
            bass.Note(kBass, t, kBar, c.root, 100);
            continue;
        }
        bass.Note(kBass, t, 2 * kEighth - 30, c.root, 104);
        bass.Note(kBass, t + 2 * kEighth, kEighth - 20, c.root, 88);
        bass.Note(kBass, t + 3 * kEighth, kEighth - 20, c.root + 12, 92);
        bass.Note(kBass, t + 4 * kEighth, 2 * kEighth - 30, c.fifth, 98);
        bass.Note(kBass, t + 6 * kEighth, 2 * kEighth - 30, c.root, 94);
    }
    tracks.push_back(std::move(bass.track));

    Writer drums;
    drums.Add(0, Text(0x03, "Drums"));
    drums.Cc(kDrums, 0, 7, 100);
    constexpr int kKick = 36, kSnare = 38, kClosedHat = 42, kOpenHat = 46, kCrash = 49;
    const int hit = kTicksPerQuarter / 4;
    for (int bar = 0; bar < kBars; ++bar) {
        const std::int64_t t = bar * kBar;
        if (bar == 0 || bar == 4 || bar == kBars - 1) drums.Note(kDrums, t, hit, kCrash, 100);
        if (bar == kBars - 1) {
            drums.Note(kDrums, t, hit, kKick, 110);
            break;
        }
        drums.Note(kDrums, t, hit, kKick, 112);
        drums.Note(kDrums, t + 2 * kTicksPerQuarter, hit, kKick, 104);
        drums.Note(kDrums, t + 5 * kEighth, hit, kKick, 84);
        drums.Note(kDrums, t + kTicksPerQuarter, hit, kSnare, 106);
        drums.Note(kDrums, t + 3 * kTicksPerQuarter, hit, kSnare, 110);
        for (int e = 0; e < 8; ++e) {
            const bool open = (bar % 2 == 1) && e == 7;
            drums.Note(kDrums, t + e * kEighth, hit, open ? kOpenHat : kClosedHat, e % 2 == 0 ? 84 : 64);
        }
    }
    tracks.push_back(std::move(drums.track));
    return tracks;
}

} // namespace demosong
