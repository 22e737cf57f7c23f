// Event naming: pitches, controllers, names, labels and values of every kind, MMC and meta events.
#include "mp/naming.h"
#include "mp/record_helpers.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace mp;

namespace {

MidiEventRecord Short(std::uint32_t kind, std::uint8_t d1 = 0, std::uint8_t d2 = 0, std::uint8_t d3 = 0,
                      std::uint8_t d4 = 0) {
    MidiEventRecord r{};
    r.kind = kind;
    r.timeFormat = TIME_FORMAT_TICKS;
    r.data[0] = d1;
    r.data[1] = d2;
    r.data[2] = d3;
    r.data[3] = d4;
    return r;
}

// A record owning a copy of variable-length data; frees it when done.
struct VarRecord {
    MidiEventRecord r{};
    VarRecord(std::uint32_t kind, std::vector<std::uint8_t> bytes) {
        r.kind = kind;
        r.length = static_cast<std::uint32_t>(bytes.size());
        if (!bytes.empty()) {
            r.dataHandle = win::CoTaskMemAllocHandle(bytes.size());
            std::memcpy(win::CoTaskMemHandlePtr(r.dataHandle), bytes.data(), bytes.size());
        }
    }
    ~VarRecord() { ClearRecord(r); }
};

std::string Name(const MidiEventRecord& r, std::uint32_t selector = NAME_EVENT, bool firstTrack = true) {
    char buffer[128];
    std::strcpy(buffer, "untouched");
    int result = NameEvent(r, buffer, sizeof buffer, selector, firstTrack);
    if (result != NAME_OK) {
        EXPECT_STREQ(buffer, "untouched") << "a failed naming wrote into the buffer";
        return "<error " + std::to_string(result) + ">";
    }
    return buffer;
}

std::string Pitch(int pitch, bool octave = true, bool flats = false) {
    char buffer[8] = "x";
    if (NamePitch(pitch, octave, flats, buffer, sizeof buffer) != NAME_OK) return "<error>";
    return buffer;
}

} // namespace

TEST(PitchNames, SharpsFlatsAndOctaves) {
    // Every pitch class in both spellings; the white keys are spelled alike.
    std::string sharps, flats;
    for (int pitch = 60; pitch < 72; ++pitch) {
        sharps += Pitch(pitch, false) + " ";
        flats += Pitch(pitch, false, true) + " ";
    }
    EXPECT_EQ(sharps, "C C# D D# E F F# G G# A A# B ");
    EXPECT_EQ(flats, "C Db D Eb E F Gb G Ab A Bb B ");
    struct Case {
        int pitch;
        bool octave, flats;
        const char* expected;
    } cases[] = {
        {60, true, false, "C5"}, {0, true, false, "C0"},    {61, true, true, "Db5"},     {127, true, false, "G10"},
        {11, true, false, "B0"}, {12, true, false, "C1"},   {128, true, false, "<error>"},
        {-1, true, false, "<error>"},
    };
    for (const Case& c : cases) EXPECT_EQ(Pitch(c.pitch, c.octave, c.flats), c.expected) << c.pitch;
    char small[5];
    EXPECT_EQ(NamePitch(121, true, false, small, sizeof small), NAME_OK); // fits the row table's 4 + 1
    EXPECT_STREQ(small, "C#10");
    EXPECT_EQ(NamePitch(60, true, false, nullptr, 4), NAME_BAD_ARGUMENT);
}

TEST(ControllerAndVoiceNames, LookUpTheTablesAndFallBackOutOfRange) {
    char buffer[64];
    const std::pair<int, const char*> controllers[] = {
        {0, "Bank MSB"}, {32, "Bank LSB"}, {127, "Poly Mode On"}, {128, "Undefined CC"}, {-3, "Undefined CC"}};
    for (auto [number, text] : controllers) {
        NameController(number, buffer, sizeof buffer);
        EXPECT_STREQ(buffer, text) << number;
    }
    // Each call's result with the text it leaves in the buffer (a program number wraps at 128).
    using Named = std::pair<int, std::string>;
    const auto named = [&](int result) { return Named{result, buffer}; };
    const std::size_t size = sizeof buffer;
    EXPECT_EQ((std::vector{named(NameVoice(0, buffer, size)), named(NameVoice(127 + 128, buffer, size)),
                           named(NameVoiceSet(1, buffer, size)), named(NameDrumSet(7, buffer, size)),
                           named(NameRpn(0, 2, buffer, size)), named(NameRpn(0, 3, buffer, size))}),
              (std::vector<Named>{{NAME_OK, "Acoustic Grand Piano"}, {NAME_OK, "Gunshot"},
                                  {NAME_OK, "Yamaha XG Voices"}, {NAME_OK, "Orchestra Set"},
                                  {NAME_OK, "Coarse Tuning"}, {NAME_OK, "Tuning Program Select"}}));
    EXPECT_EQ(NameVoiceSet(4, buffer, sizeof buffer), NAME_BAD_ARGUMENT);
    EXPECT_EQ(NameDrumSet(9, buffer, sizeof buffer), NAME_BAD_ARGUMENT);
    for (int set : {-1, 0, 3})
        EXPECT_EQ(NameVoiceSet(set, buffer, sizeof buffer), set < 0 ? NAME_BAD_ARGUMENT : NAME_OK) << set;
    EXPECT_EQ(NameDrumSet(8, buffer, sizeof buffer), NAME_OK);
    EXPECT_EQ(NameDrumSet(-1, buffer, sizeof buffer), NAME_BAD_ARGUMENT);
    for (auto* name : {&NameController, &NameVoice, &NameVoiceSet, &NameDrumSet}) {
        EXPECT_EQ(name(0, nullptr, 8), NAME_BAD_ARGUMENT);
        EXPECT_EQ(name(0, buffer, 0), NAME_BAD_ARGUMENT);
    }
    EXPECT_EQ(NameRpn(0, 0, nullptr, 8), NAME_BAD_ARGUMENT);
    EXPECT_EQ(NameRpn(0, 0, buffer, 0), NAME_BAD_ARGUMENT);
}

TEST(EventNames, TypeNamesOfEveryKind) {
    const std::pair<std::uint32_t, const char*> kinds[] = {
        {1, "(None)"},           {2, "Packed NRPN"},         {4, "Packed RPN"},    {8, "Program Change"},
        {16, "Short Msg"},       {32, "Note Off"},           {64, "Note On"},      {128, "Poly Pressure"},
        {256, "Control Change"}, {512, "Program Change"},    {1024, "Aftertouch"}, {2048, "Pitch Bend"},
        {65536, "Sysex"},        {131072, "Sysex Continue"}, {262144, "MCI"},      {524288, "Long Msg"},
        {1048576, "Meta"},       {2097152, "Wave Data"},
    };
    for (auto [kind, text] : kinds)
        EXPECT_EQ(Name(Short(kind), NAME_TYPE), text) << kind;
    EXPECT_EQ(Name(Short(0x3000), NAME_TYPE), "<error 1>"); // not a kind
    EXPECT_EQ(Name(Short(0)), "<error 1>");
}

TEST(EventNames, KindsNamedOnlyByType) {
    for (std::uint32_t kind :
         std::initializer_list<std::uint32_t>{MEK_NONE, MEK_SHORT_MSG, MEK_MCI, MEK_LONG_MSG, MEK_WAVE}) {
        MidiEventRecord r = Short(kind, 60, 64);
        EXPECT_EQ(Name(r), Name(r, NAME_TYPE)) << kind;
        EXPECT_EQ(Name(r, NAME_VALUE1), "<error 1>") << kind;
        EXPECT_EQ(Name(r, NAME_LABEL1), "<error 1>") << kind;
    }
}

// One field of one record and the text expected for it ("<error N>" for a refusal).
struct FieldCase {
    MidiEventRecord record;
    std::uint32_t selector;
    const char* expected;
};

void ExpectFields(std::initializer_list<FieldCase> cases) {
    for (const FieldCase& c : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << c.record.kind << " d1 " << int(c.record.data[0])
                                          << " selector " << c.selector);
        EXPECT_EQ(Name(c.record, c.selector), c.expected);
    }
}

TEST(EventNames, NoteFields) {
    MidiEventRecord note = Short(MEK_NOTE, 60, 100, 64);
    note.length = 960;
    const MidiEventRecord off = Short(MEK_NOTE_OFF, 62, 40);
    ExpectFields({
        {note, NAME_EVENT, "60 (C5)"},          {note, NAME_LABEL1, "N&ote:"},
        {note, NAME_LABEL2, "On &velocity:"},   {note, NAME_LABEL3, "O&ff velocity:"},
        {note, NAME_LABEL4, "&Duration:"},      {note, NAME_VALUE1, "C5"},
        {note, NAME_VALUE1 | NAME_PLAIN_NUMBERS, "60"},
        {note, NAME_VALUE2, "On Velocity (100)"}, {note, NAME_VALUE3, "Off Velocity (64)"},
        {note, NAME_VALUE4, "960"},             {Short(MEK_NOTE, 61), NAME_EVENT, "61 (C#5)"},
        {Short(MEK_NOTE, 61), NAME_VALUE1, "C#5"}, {Short(MEK_NOTE, 127), NAME_EVENT, "127 (G10)"},
        {off, NAME_EVENT, "62 (D5)"},           {off, NAME_VALUE2, "Off Velocity (40)"},
        {off, NAME_LABEL2, "O&ff velocity:"},   {off, NAME_VALUE3, "<error 1>"},
        {off, NAME_LABEL4, "<error 1>"},
        {Short(MEK_NOTE, 200), NAME_EVENT, "<error 2>"}, // no name above pitch 127
        {Short(MEK_NOTE, 60), 3, "<error 1>"},           // two fields at once
        {Short(MEK_NOTE, 60), 512, "<error 1>"},
    });
}

TEST(EventNames, ChannelMessageFields) {
    const MidiEventRecord poly = Short(MEK_POLY_PRESSURE, 61, 33);
    const MidiEventRecord cc = Short(MEK_CONTROL, 7, 90);
    const MidiEventRecord touch = Short(MEK_AFTERTOUCH, 77);
    const MidiEventRecord bend = Short(MEK_PITCH_BEND, 0, 64);
    const MidiEventRecord bank = Short(MEK_BANK_PROGRAM, 1, 2, 24);
    ExpectFields({
        {poly, NAME_EVENT, "Db5"}, // flats for pressure
        {poly, NAME_LABEL2, "&Pressure:"},   {poly, NAME_VALUE1, "61"},        {poly, NAME_VALUE2, "33"},
        {cc, NAME_EVENT, "Main Volume MSB"}, {cc, NAME_LABEL1, "Co&ntroller:"}, {cc, NAME_LABEL2, "&Value:"},
        {cc, NAME_VALUE2, "90"},             {cc, NAME_LABEL3, "<error 1>"},
        {Short(MEK_CONTROL, 200, 0), NAME_EVENT, "Undefined CC"},
        {Short(MEK_PROGRAM, 19), NAME_EVENT, "19"}, {Short(MEK_PROGRAM, 19), NAME_VALUE1, "<error 1>"},
        {touch, NAME_EVENT, "Aftertouch"},   {touch, NAME_LABEL1, "&Pressure:"}, {touch, NAME_VALUE1, "77"},
        {bend, NAME_EVENT, "Pitch Bend"},    {bend, NAME_LABEL1, "&Pitch +/-:"},
        {bend, NAME_VALUE1, "0"}, // 8192 is no bend
        {Short(MEK_PITCH_BEND, 127, 127), NAME_VALUE1, "8191"},
        {Short(MEK_PITCH_BEND, 0, 0), NAME_VALUE1, "-8192"},
        {bank, NAME_EVENT, "Program Change"}, {bank, NAME_LABEL1, "Bank &MSB:"}, {bank, NAME_LABEL2, "&Bank LSB:"},
        {bank, NAME_LABEL3, "&Program:"},     {bank, NAME_VALUE1, "MSB: 1"},     {bank, NAME_VALUE2, "LSB: 2"},
        {bank, NAME_VALUE3, "24"},            {bank, NAME_VALUE4, "Acoustic Guitar (nylon)"},
        {bank, NAME_VALUE4 | NAME_PLAIN_NUMBERS, "130:24"},
    });
}

TEST(EventNames, PackedParameters) {
    const MidiEventRecord nrpn = Short(MEK_PACKED_NRPN, 1, 8, 3, 4);
    ExpectFields({
        {Short(MEK_PACKED_RPN, 0, 0, 2, 0), NAME_EVENT, "Pitch Bend Sensitivity"},
        {Short(MEK_PACKED_RPN, 0, 1), NAME_EVENT, "Fine Tuning"},
        {Short(MEK_PACKED_RPN, 0, 4), NAME_EVENT, "Tuning Bank Select"},
        {Short(MEK_PACKED_RPN, 0, 5), NAME_EVENT, "Unknown RPN"},
        {Short(MEK_PACKED_RPN, 1, 0), NAME_EVENT, "Unknown RPN"},
        {Short(MEK_PACKED_RPN, 0, 0, 12, 5), NAME_VALUE1, "12"},
        {Short(MEK_PACKED_RPN, 0, 0, 12, 5), NAME_VALUE2, "5"},
        {Short(MEK_PACKED_RPN, 0, 0), NAME_LABEL1, "<error 1>"},
        {nrpn, NAME_EVENT, "136"},          {nrpn, NAME_LABEL1, "N&RP MSB:"}, {nrpn, NAME_LABEL2, "NR&P LSB:"},
        {nrpn, NAME_LABEL3, "&Data MSB:"},  {nrpn, NAME_LABEL4, "Data LSB"},  {nrpn, NAME_VALUE4, "4"},
    });
}

// Variable-length records: kind and data bytes, then fields (NAME_EVENT on a later track is
// NAME_EVENT | kLaterTrack) with the text expected for each.
constexpr std::uint32_t kLaterTrack = 0x80000000u;
struct VarCase {
    std::uint32_t kind;
    std::vector<std::uint8_t> bytes;
    std::vector<std::pair<std::uint32_t, const char*>> fields;
};

void ExpectVarFields(const std::vector<VarCase>& cases) {
    for (const VarCase& c : cases) {
        VarRecord record(c.kind, c.bytes);
        for (const auto& [selector, expected] : c.fields) {
            SCOPED_TRACE(::testing::Message() << "kind " << c.kind << " first byte "
                                              << (c.bytes.empty() ? -1 : int(c.bytes[0])) << " selector " << selector);
            EXPECT_EQ(Name(record.r, selector & ~kLaterTrack, !(selector & kLaterTrack)), expected);
        }
    }
}

TEST(EventNames, MachineControl) {
    ExpectVarFields({
        {MEK_SYSEX, {0x7F, 0x7F, 0x06, 68, 0xF7}, {{NAME_EVENT, "MMC Locate"}, {NAME_VALUE1, "<error 1>"}}},
        {MEK_SYSEX, {0x7F, 0x01, 0x06, 1, 0xF7}, {{NAME_EVENT, "MMC Stop"}}},
        {MEK_SYSEX_CONTINUE, {0x7F, 0x01, 0x06, 85, 0xF7, 0x00}, {{NAME_EVENT, "MMC Record Strobe Variable"}}},
        {MEK_SYSEX, {0x7F, 0x7F, 0x06, 14, 0xF7}, {{NAME_EVENT, "MMC 0x0E"}}},
        {MEK_SYSEX, {0x7F, 0x7F, 0x07, 2, 0xF7}, {{NAME_EVENT, "MMC 0x02"}}},
        // Not machine control after all: too short, unterminated, another sub-id, not real-time, empty.
        {MEK_SYSEX, {0x7F, 0x7F, 0x06, 2}, {{NAME_EVENT, "Sysex"}}},
        {MEK_SYSEX_CONTINUE, {0x7F, 0x7F, 0x06, 2, 0x00}, {{NAME_EVENT, "Sysex Continue"}}},
        {MEK_SYSEX, {0x7F, 0x7F, 0x04, 1, 0xF7}, {{NAME_EVENT, "Sysex"}}},
        {MEK_SYSEX, {0x7E, 0x7F, 0x06, 2, 0xF7}, {{NAME_EVENT, "Sysex"}}},
        {MEK_SYSEX, {}, {{NAME_EVENT, "Sysex"}}},
    });
    // Exactly the commands of the standard have names of their own.
    std::vector<int> named;
    char buffer[64];
    for (int command = 0; command < 128; ++command) {
        const std::uint8_t mmc[] = {0x7F, 0x7F, 0x06, static_cast<std::uint8_t>(command), 0xF7};
        ASSERT_TRUE(NameMachineControl(mmc, sizeof mmc, buffer, sizeof buffer));
        if (std::strncmp(buffer, "MMC 0x", 6) != 0) named.push_back(command);
    }
    EXPECT_EQ(named, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 68, 69, 70, 71, 72, 84, 85}));
    const std::uint8_t stop[] = {0x7F, 0x7F, 0x06, 0x01, 0xF7};
    EXPECT_FALSE(NameMachineControl(stop, 4, buffer, sizeof buffer));
    EXPECT_FALSE(NameMachineControl(stop, sizeof stop, nullptr, 8));
    EXPECT_FALSE(NameMachineControl(stop, sizeof stop, buffer, 0));
    // A length beyond the data block is not read past its end.
    VarRecord lying(MEK_SYSEX, {0x7F, 0x7F, 0x06});
    lying.r.length = 5000;
    EXPECT_EQ(Name(lying.r), "Sysex");
}

TEST(EventNames, MetaEvents) {
    ExpectVarFields({
        {MEK_META, {81, 0x07, 0xA1, 0x20}, // 500000 us per quarter
         {{NAME_EVENT, "Tempo"}, {NAME_LABEL1, "Te&mpo:"}, {NAME_VALUE1, "120.000 BPM"}}},
        {MEK_META, {88, 6, 3},
         {{NAME_EVENT, "Time Signature"}, {NAME_VALUE1, "6/8"}, {NAME_LABEL1, "Ti&me sig:"}}},
        {MEK_META, {89, 0xFD, 1},
         {{NAME_VALUE1, "-3"}, {NAME_VALUE2, "Minor"}, {NAME_LABEL1, "&Key sig:"}, {NAME_LABEL2, "&Major/Minor:"}}},
        {MEK_META, {84, 0x61, 2, 3, 4, 5}, // a rate in bits 5-6 of the hour
         {{NAME_EVENT, "SMPTE Offset"}, {NAME_VALUE1, "01:02:03.04.05"}}},
        {MEK_META, {32, 9}, {{NAME_EVENT, "Channel Prefix"}, {NAME_LABEL1, "Channel &prefix:"}, {NAME_VALUE1, "9"}}},
        {MEK_META, {0, 1, 2}, {{NAME_EVENT, "Sequence Number"}, {NAME_VALUE1, "258"}}},
        {MEK_META, {3, 'L', 'e', 'a', 'd'},
         {{NAME_EVENT, "Sequence Name"}, {NAME_EVENT | kLaterTrack, "Track Name"}, {NAME_LABEL1, "Te&xt event:"},
          {NAME_VALUE1, "Lead"}}},
        {MEK_META, {2, 'x'}, {{NAME_LABEL1, "&Copyright:"}}},
        {MEK_META, {5, 'c', 0xE9}, {{NAME_EVENT, "Lyric"}, {NAME_VALUE1, "c\xC3\xA9"}}}, // not UTF-8: Latin-1
        {MEK_META, {6, 0xC3, 0xA9, 't', 0xC3, 0xA9}, {{NAME_EVENT, "Marker"}, {NAME_VALUE1, "\xC3\xA9t\xC3\xA9"}}},
        // Valid UTF-8 with the first and last lead byte of every sequence length is kept as it is;
        // overlong and out-of-range leads and a cut-off sequence make the whole text Latin-1.
        {MEK_META,
         {1, 0xC2, 0x80, 0xDF, 0xBF, 0xE0, 0xA0, 0x80, 0xEF, 0xBF, 0xBF, 0xF0, 0x90, 0x80, 0x80, 0xF4, 0x8F, 0xBF, 0xBF},
         {{NAME_VALUE1, "\xC2\x80\xDF\xBF\xE0\xA0\x80\xEF\xBF\xBF\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"}}},
        {MEK_META, {1, 0xC1, 0x81}, {{NAME_VALUE1, "\xC3\x81\xC2\x81"}}},
        {MEK_META, {1, 0xF5, 0x80, 0x80, 0x80}, {{NAME_VALUE1, "\xC3\xB5\xC2\x80\xC2\x80\xC2\x80"}}},
        {MEK_META, {1, 'a', 0, 0xC3}, {{NAME_VALUE1, "a\xC3\x83"}}}, // the zero byte is dropped
        {MEK_META, {7}, {{NAME_EVENT, "Cue Point"}}},
        {MEK_META, {4}, {{NAME_EVENT, "Instrument Name"}}},
        {MEK_META, {1}, {{NAME_EVENT, "Text Event"}}},
        {MEK_META, {127, 0x7D, 3, 1, 2}, {{NAME_EVENT, "Vantrel Summary Info"}}},
        {MEK_META, {127, 0x7D, 0}, {{NAME_EVENT, "Orvane Track Attributes"}}},
        {MEK_META, {127, 0x7D, 1}, {{NAME_EVENT, "Orvane 3 DLS File"}}},
        {MEK_META, {127, 0x7D, 2}, {{NAME_EVENT, "Orvane 3 Keynote"}}},
        {MEK_META, {127, 0x7D, 0x2A}, {{NAME_EVENT, "Vantrel Undefined 0x2A"}}},
        {MEK_META, {127, 0x41, 1}, {{NAME_EVENT, "Sequencer Specific"}}},
        {MEK_META, {47}, {{NAME_EVENT, "Unknown Meta: 47"}, {NAME_VALUE1, "<error 1>"}}},
        // Malformed data: named by type, but no value.
        {MEK_META, {81, 0x07}, {{NAME_EVENT, "Tempo"}, {NAME_VALUE1, "<error 2>"}}},
        {MEK_META, {81, 0, 0, 0}, {{NAME_VALUE1, "<error 2>"}}},
        {MEK_META, {88, 4, 31}, {{NAME_VALUE1, "<error 2>"}}},
        // The shortest data each value needs.
        {MEK_META, {88, 2, 30}, {{NAME_VALUE1, "2/1073741824"}}},
        {MEK_META, {89, 2}, {{NAME_VALUE1, "2"}, {NAME_VALUE2, "<error 2>"}}},
        {MEK_META, {0, 1}, {{NAME_VALUE1, "<error 2>"}}},
        {MEK_META, {32}, {{NAME_VALUE1, "<error 2>"}}},
        {MEK_META, {84, 1, 2, 3, 4}, {{NAME_VALUE1, "<error 2>"}}},
        {MEK_META, {127, 0x7D}, {{NAME_EVENT, "Sequencer Specific"}}},
        {MEK_META, {}, {{NAME_EVENT, "<error 2>"}}},
    });
    MidiEventRecord stale = Short(MEK_META);
    stale.length = 4;
    stale.dataHandle = 0x7FFFFFF0; // not a live handle
    EXPECT_EQ(Name(stale), "<error 2>");
}

TEST(EventNames, BufferRules) {
    MidiEventRecord cc = Short(MEK_CONTROL, 7, 1);
    char small[5];
    EXPECT_EQ(NameEvent(cc, small, sizeof small, NAME_EVENT), NAME_OK);
    EXPECT_STREQ(small, "Main");
    EXPECT_EQ(NameEvent(cc, nullptr, 10, NAME_EVENT), NAME_BAD_ARGUMENT);
    EXPECT_EQ(NameEvent(cc, small, 0, NAME_EVENT), NAME_BAD_ARGUMENT);
}
