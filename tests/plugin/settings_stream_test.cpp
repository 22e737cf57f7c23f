// The settings stream of the plug-in object: format, defaults, refusals and the round trip.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "editor_fixture.h"
#include "memory_stream.h"
#include "mp/settings.h"
#include "mp/settings_extension.h"

namespace {

using namespace win;
using Bytes = std::vector<std::uint8_t>;

void PutWord(Bytes& bytes, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
std::uint32_t GetWord(const Bytes& bytes, std::size_t offset) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(bytes[offset + i]) << (8 * i);
    return v;
}

Bytes Header(std::uint32_t size) {
    Bytes header(12, 0);
    PutWord(header, 0, 5);
    PutWord(header, 8, size);
    return header;
}

// A block in which every field differs from its default and stays inside its range.
mp::PianoRollSettings Customised() {
    mp::PianoRollSettings b;
    b.Reset();
    b.viewState0 = -7;
    b.snapEnabled = b.gridSnap = b.snapEditCursor = 0;
    b.gridSpacing = 0x12345678LL;
    b.paintNoteValue = -16;
    b.minGridPixels = 12;
    b.autoScrollSpeed = 9;
    const char16_t face[] = u"DejaVu Sans";
    std::memcpy(b.faceName, face, sizeof face);
    b.viewState27 = -3;
    b.viewState32[10] = 0x7FFFFFFF;
    b.savedTimeOrigin = std::int64_t{1} << 40;
    b.savedTimeSpan = 123456789;
    b.minSongWholeNotes = 64;
    b.keyboardWidth = 140;
    b.laneHeight = 90;
    b.presetZoomLevel = 20;
    b.timeFormat.one = 0.75;
    b.timeFormat.tempo = 96.5;
    b.timeFormat.timeSignature = 0x60008;
    b.timeFormat.ticksPerQuarter = 960;
    b.noDoubleBuffer = 3;
    b.colours.first = 0x102030;
    b.colours.selectedNote = 0xFFFFFFFF;
    b.followMode = 2;
    b.savedTopRow = 127;
    b.savedZoomLevel = 31;
    b.savedRowHeightLevel = 0;
    b.savedViewWord = 4;
    b.monitorAtStart = 1;
    b.songLength = 0x123456789ALL;
    b.quantizeResolution = 10;
    b.quantizeStarts = 0;
    b.quantizeDurations = 1;
    b.laneId = 1127;
    b.scaleSnap = 1;
    b.scaleRoot = 11;
    b.scaleIndex = 40;
    b.rowLines = 1;
    b.noteStyle = 0;
    return b;
}

Bytes BlockBytes(const mp::PianoRollSettings& b) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&b);
    return Bytes(p, p + sizeof b);
}

// A whole settings stream: the header of a version-5 block of 328 bytes, then the block.
Bytes StreamOf(const mp::PianoRollSettings& b) {
    Bytes stream = Header(328);
    const Bytes block = BlockBytes(b);
    stream.insert(stream.end(), block.begin(), block.end());
    return stream;
}

class SettingsStream : public harness::EditorFixture {
protected:
    void SetUp() override {
        harness::EditorFixture::SetUp();
        CreatePlugin();
        persist = Query<IPersistStream>(IID_IPersistStream);
        ASSERT_NE(persist, nullptr);
        const Bytes fresh = Saved();
        ASSERT_EQ(fresh.size(), 340u);
        defaults.assign(fresh.begin() + 12, fresh.end());
    }
    // The settings block part of what the object saves now.
    Bytes SavedBlock() {
        const Bytes saved = Saved();
        return Bytes(saved.begin() + 12, saved.end());
    }
    void TearDown() override {
        if (persist) persist->Release();
        harness::EditorFixture::TearDown();
    }
    Bytes Saved() {
        harness::MemoryStream out;
        EXPECT_EQ(persist->Save(&out, TRUE), S_OK);
        return out.Bytes();
    }
    IPersistStream* persist = nullptr;
    Bytes defaults; // the block of a fresh object
};

TEST_F(SettingsStream, FreshObjectWritesHeaderAndDefaults) {
    Bytes saved = Saved();
    EXPECT_EQ(GetWord(saved, 0), 5u);
    EXPECT_EQ(GetWord(saved, 4), 0u);
    EXPECT_EQ(GetWord(saved, 8), 328u);
    // A few defaults that other programs reading the block rely on: the face name, the time format's
    // tempo and signature, and the lane id.
    EXPECT_EQ(std::u16string(reinterpret_cast<const char16_t*>(defaults.data() + 44)), u"Tahoma");
    double tempo = 0;
    std::memcpy(&tempo, defaults.data() + 208, 8);
    EXPECT_EQ(tempo, 120.0);
    EXPECT_EQ(GetWord(defaults, 56 * 4), 0x40004u);
    EXPECT_EQ(GetWord(defaults, 57 * 4), 24576u);
    EXPECT_EQ(GetWord(defaults, 75 * 4), 1128u);

    ULARGE_INTEGER size{};
    EXPECT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 344u);
    EXPECT_EQ(persist->GetSizeMax(nullptr), E_POINTER);
    EXPECT_EQ(persist->IsDirty(), S_FALSE);
    CLSID clsid{};
    EXPECT_EQ(persist->GetClassID(&clsid), S_OK);
    EXPECT_TRUE(clsid == (CLSID{0x302237E3, 0x3036, 0x49B9, {0x8F, 0x2A, 0x49, 0x20, 0xE8, 0xAF, 0x8E, 0x2F}}));
}

TEST_F(SettingsStream, EveryWordSurvivesTheRoundTrip) {
    const Bytes stream = StreamOf(Customised());
    harness::MemoryStream in(stream);
    ASSERT_EQ(persist->Load(&in), S_OK);
    EXPECT_EQ(in.Position(), 340u);
    EXPECT_EQ(Saved(), stream);
}

TEST_F(SettingsStream, WrongBlockSizeIsRefusedQuietly) {
    Bytes stream(7, 0xEE); // data before the settings in a larger stream
    Bytes header = Header(327);
    stream.insert(stream.end(), header.begin(), header.end());
    stream.insert(stream.end(), 328, 0x11);
    harness::MemoryStream in(stream);
    in.Seek(LARGE_INTEGER{7}, STREAM_SEEK_SET, nullptr);
    EXPECT_EQ(persist->Load(&in), S_OK);
    EXPECT_EQ(in.Position(), 7u) << "the stream goes back to where the settings began";
    EXPECT_EQ(SavedBlock(), defaults);
}

TEST_F(SettingsStream, ShortBlockKeepsWhatWasRead) {
    const Bytes block = BlockBytes(Customised());
    harness::MemoryStream in(StreamOf(Customised()));
    in.CutAfter(12 + 100);
    EXPECT_EQ(persist->Load(&in), S_OK);
    EXPECT_EQ(in.Position(), 0u);
    Bytes expected = defaults;
    std::copy(block.begin(), block.begin() + 100, expected.begin());
    EXPECT_EQ(SavedBlock(), expected);
}

TEST_F(SettingsStream, LoadStartsFromTheDefaultsEveryTime) {
    harness::MemoryStream first(StreamOf(Customised()));
    ASSERT_EQ(persist->Load(&first), S_OK);
    harness::MemoryStream empty;
    EXPECT_EQ(persist->Load(&empty), S_OK) << "an empty stream is refused without error";
    EXPECT_EQ(SavedBlock(), defaults);
}

TEST_F(SettingsStream, StreamErrorsComeBackAsTheyAre) {
    harness::MemoryStream failing(Header(328));
    failing.FailReads(STG_E_READFAULT);
    EXPECT_EQ(persist->Load(&failing), STG_E_READFAULT);
    harness::MemoryStream noSeek(Header(328));
    noSeek.FailSeeks(STG_E_INVALIDFUNCTION);
    EXPECT_EQ(persist->Load(&noSeek), STG_E_INVALIDFUNCTION);
    EXPECT_EQ(persist->Save(&noSeek, FALSE), STG_E_INVALIDFUNCTION);
    harness::MemoryStream full;
    full.FailWrites(STG_E_MEDIUMFULL);
    EXPECT_EQ(persist->Save(&full, TRUE), STG_E_MEDIUMFULL);
    EXPECT_EQ(persist->Load(nullptr), E_POINTER);
    EXPECT_EQ(persist->Save(nullptr, TRUE), E_POINTER);
}

// Damaged blocks: each field that leaves its range takes its default alone, and Load says so with
// S_FALSE; the fields around it keep what was stored.
TEST_F(SettingsStream, FieldsOutsideTheirRangeTakeTheirDefaults) {
    struct Damage {
        const char* what;
        void (*spoil)(mp::PianoRollSettings&);
        std::size_t offset, size; // the field that must come back as its default
    };
#define AT(member) offsetof(mp::PianoRollSettings, member), sizeof(mp::PianoRollSettings::member)
    const Damage cases[] = {
        {"a flag of 2", [](mp::PianoRollSettings& b) { b.snapEnabled = 2; }, AT(snapEnabled)},
        {"a grid spacing below the note values", [](mp::PianoRollSettings& b) { b.gridSpacing = -66; }, AT(gridSpacing)},
        {"a huge grid spacing", [](mp::PianoRollSettings& b) { b.gridSpacing = INT64_MAX; }, AT(gridSpacing)},
        {"an auto-scroll speed of 0", [](mp::PianoRollSettings& b) { b.autoScrollSpeed = 0; }, AT(autoScrollSpeed)},
        {"a face name without its end", [](mp::PianoRollSettings& b) { std::fill(std::begin(b.faceName), std::end(b.faceName), u'x'); }, AT(faceName)},
        {"a keyboard 2^31-1 pixels wide", [](mp::PianoRollSettings& b) { b.keyboardWidth = INT32_MAX; }, AT(keyboardWidth)},
        {"a keyboard too narrow for the lane's chooser", [](mp::PianoRollSettings& b) { b.keyboardWidth = mp::kMinKeyboardWidth - 1; }, AT(keyboardWidth)},
        {"a negative lane height", [](mp::PianoRollSettings& b) { b.laneHeight = -5; }, AT(laneHeight)},
        {"a tempo that is not a number", [](mp::PianoRollSettings& b) { b.timeFormat.tempo = std::nan(""); }, AT(timeFormat)},
        {"a time signature of 0 beats", [](mp::PianoRollSettings& b) { b.timeFormat.timeSignature = 4; }, AT(timeFormat)},
        {"a note value of 3", [](mp::PianoRollSettings& b) { b.timeFormat.timeSignature = 0x40003; }, AT(timeFormat)},
        {"0 ticks per quarter note", [](mp::PianoRollSettings& b) { b.timeFormat.ticksPerQuarter = 0; }, AT(timeFormat)},
        {"a colour with a high byte", [](mp::PianoRollSettings& b) { b.colours.second = 0x01000000; }, offsetof(mp::PianoRollSettings, colours) + 4, 4},
        {"follow mode 3", [](mp::PianoRollSettings& b) { b.followMode = 3; }, AT(followMode)},
        {"top row 2^31-1", [](mp::PianoRollSettings& b) { b.savedTopRow = INT32_MAX; }, AT(savedTopRow)},
        {"top row -2", [](mp::PianoRollSettings& b) { b.savedTopRow = -2; }, AT(savedTopRow)},
        {"zoom level 2^31-1", [](mp::PianoRollSettings& b) { b.savedZoomLevel = INT32_MAX; }, AT(savedZoomLevel)},
        {"row height level 2^31-1", [](mp::PianoRollSettings& b) { b.savedRowHeightLevel = INT32_MAX; }, AT(savedRowHeightLevel)},
        {"a sixth tool", [](mp::PianoRollSettings& b) { b.savedViewWord = 5; }, AT(savedViewWord)},
        {"a view left of the song", [](mp::PianoRollSettings& b) { b.savedTimeOrigin = -1; }, AT(savedTimeOrigin)},
        {"a view 2^62 ticks wide", [](mp::PianoRollSettings& b) { b.savedTimeSpan = INT64_C(1) << 62; }, AT(savedTimeSpan)},
        {"a song length of -2", [](mp::PianoRollSettings& b) { b.songLength = -2; }, AT(songLength)},
        {"quantize resolution 11", [](mp::PianoRollSettings& b) { b.quantizeResolution = 11; }, AT(quantizeResolution)},
        {"lane 1130", [](mp::PianoRollSettings& b) { b.laneId = 1130; }, AT(laneId)},
        {"root 12", [](mp::PianoRollSettings& b) { b.scaleRoot = 12; }, AT(scaleRoot)},
    };
#undef AT
    const Bytes good = BlockBytes(Customised());
    for (const Damage& c : cases) {
        mp::PianoRollSettings damaged = Customised();
        c.spoil(damaged);
        harness::MemoryStream in(StreamOf(damaged));
        EXPECT_EQ(persist->Load(&in), S_FALSE) << c.what;
        Bytes expected = good;
        std::copy(defaults.begin() + c.offset, defaults.begin() + c.offset + c.size, expected.begin() + c.offset);
        EXPECT_EQ(SavedBlock(), expected) << c.what;
    }

    // The edges of the keyboard's range, and a width still to be measured, load as they are.
    for (std::int32_t width : {mp::kMinKeyboardWidth, mp::kMaxKeyboardWidth, -1}) {
        mp::PianoRollSettings edge = Customised();
        edge.keyboardWidth = width;
        harness::MemoryStream in(StreamOf(edge));
        EXPECT_EQ(persist->Load(&in), S_OK) << width;
    }

    // The version word is not looked at: the fields decide, and the object names what it defaulted.
    mp::PianoRollSettings spoilt = Customised();
    spoilt.laneHeight = -1;
    spoilt.scaleRoot = 12;
    Bytes stream = StreamOf(spoilt);
    PutWord(stream, 0, 6);
    harness::MemoryStream other(stream);
    EXPECT_EQ(persist->Load(&other), S_FALSE);
    EXPECT_EQ(other.Position(), 340u);
    Bytes expected = good;
    for (std::size_t at : {offsetof(mp::PianoRollSettings, laneHeight), offsetof(mp::PianoRollSettings, scaleRoot)})
        std::copy(defaults.begin() + at, defaults.begin() + at + 4, expected.begin() + at);
    EXPECT_EQ(SavedBlock(), expected);
    auto* report = Query<mp::IMPSettingsReport>(mp::IID_IMPSettingsReport);
    ASSERT_NE(report, nullptr);
    char16_t* names = nullptr;
    ASSERT_EQ(report->GetDefaultedSettings(&names), S_OK);
    EXPECT_EQ(std::u16string(names), u"lane height, root note");
    CoTaskMemFree(names);
    // A block kept whole leaves nothing to name.
    harness::MemoryStream clean(StreamOf(Customised()));
    EXPECT_EQ(persist->Load(&clean), S_OK);
    EXPECT_EQ(report->GetDefaultedSettings(&names), S_FALSE);
    EXPECT_EQ(names, nullptr);
    EXPECT_EQ(report->GetDefaultedSettings(nullptr), E_POINTER);
    report->Release();
}

// The settings of later features follow the block as PRX1, a length and name=value lines; entries
// this build does not know come back as they went in, and an empty extension writes nothing.
TEST_F(SettingsStream, ExtendedSettingsFollowTheBlockAndComeBackWhole) {
    const auto extension = [](const std::string& body, std::uint32_t length) {
        Bytes bytes(8 + body.size());
        std::copy_n("PRX1", 4, bytes.begin());
        PutWord(bytes, 4, length);
        std::copy(body.begin(), body.end(), bytes.begin() + 8);
        return bytes;
    };
    const auto withExtension = [&](const Bytes& tail) {
        Bytes stream = StreamOf(Customised());
        stream.insert(stream.end(), tail.begin(), tail.end());
        return stream;
    };
    const std::string body = "a.flag=1\nfuture.thing=some value = with equals\nghosts=all\n";
    const Bytes stream = withExtension(extension(body, static_cast<std::uint32_t>(body.size())));
    harness::MemoryStream in(stream);
    ASSERT_EQ(persist->Load(&in), S_OK);
    EXPECT_EQ(in.Position(), stream.size());
    EXPECT_EQ(Saved(), stream);
    ULARGE_INTEGER size{};
    ASSERT_EQ(persist->GetSizeMax(&size), S_OK);
    EXPECT_EQ(size.QuadPart, 344u + 8 + body.size());

    // Whatever follows that is not an extension is left where it is.
    const Bytes other = withExtension({'M', 'T', 'r', 'k', 1, 2, 3, 4});
    harness::MemoryStream notOurs(other);
    EXPECT_EQ(persist->Load(&notOurs), S_OK);
    EXPECT_EQ(notOurs.Position(), 340u);
    EXPECT_EQ(Saved(), StreamOf(Customised())) << "the earlier extension is gone";

    const std::string lines = "=1\nx=1\nNoUpper=2\nx=2\nno equals\ny=\n";
    struct Damage {
        const char* what;
        Bytes tail;
        std::size_t kept; // entries that survive
    };
    const Damage damages[] = {
        {"a length past the stream", extension("x=1\n", 5), 0},
        {"a length past the limit", extension("x=1\n", 64 * 1024 + 1), 0},
        {"a cut length word", {'P', 'R', 'X', '1', 4, 0}, 0},
        {"lines without a name", extension(lines, static_cast<std::uint32_t>(lines.size())), 2},
    };
    for (const Damage& d : damages) {
        harness::MemoryStream damaged(withExtension(d.tail));
        EXPECT_EQ(persist->Load(&damaged), S_FALSE) << d.what;
        const Bytes saved = Saved();
        EXPECT_EQ(Bytes(saved.begin(), saved.begin() + 340), StreamOf(Customised())) << d.what << ": the block stays";
        const std::string kept(saved.begin() + 340 + (saved.size() > 340 ? 8 : 0), saved.end());
        EXPECT_EQ(static_cast<std::size_t>(std::count(kept.begin(), kept.end(), '\n')), d.kept) << d.what;
    }
    const Bytes last = Saved();
    EXPECT_EQ(std::string(last.begin() + 348, last.end()), "x=1\ny=\n");
}

TEST(SettingsExtension, ValuesReadBackOnlyWhenTheyAreWhatWasAsked) {
    mp::SettingsExtension x;
    EXPECT_TRUE(x.SetFlag("key.from_song", true));
    EXPECT_TRUE(x.SetInteger("n", -12));
    EXPECT_TRUE(x.Set("word", "abc"));
    EXPECT_FALSE(x.Set("Upper", "1"));
    EXPECT_FALSE(x.Set("", "1"));
    EXPECT_FALSE(x.Set("line", "a\nb"));
    EXPECT_FALSE(x.Set(std::string(65, 'a'), "1"));
    EXPECT_TRUE(x.GetFlag("key.from_song", false));
    EXPECT_TRUE(x.GetFlag("word", true)) << "not a flag: the fallback";
    EXPECT_FALSE(x.GetFlag("missing", false));
    EXPECT_EQ(x.GetInteger("n", 5, -12, 0), -12);
    EXPECT_EQ(x.GetInteger("n", 5, -11, 0), 5) << "out of range";
    EXPECT_EQ(x.GetInteger("word", 5, 0, 9), 5);
    EXPECT_TRUE(x.SetInteger("n", 3));
    EXPECT_EQ(x.Body(), "key.from_song=1\nn=3\nword=abc\n") << "one line per name, in name order";
    x.Erase("n");
    EXPECT_EQ(x.Get("n", "gone"), "gone");
    EXPECT_EQ(x.ParseBody("b=1\nb=2\na=\n"), 1) << "a repeated name is damage";
    EXPECT_EQ(x.Body(), "a=\nb=1\n");
}

} // namespace
