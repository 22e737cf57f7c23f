// Event naming: pitches, controllers, names, labels and values of every kind, MMC and meta events.
#include "mp/naming.h"

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
    EXPECT_EQ(Pitch(60), "C5");
    EXPECT_EQ(Pitch(0), "C0");
    EXPECT_EQ(Pitch(61), "C#5");
    EXPECT_EQ(Pitch(61, true, true), "Db5");
    EXPECT_EQ(Pitch(127), "G10");
    EXPECT_EQ(Pitch(70, false, true), "Bb");
    EXPECT_EQ(Pitch(71, true, true), "B5"); // white keys are the same in both tables
    EXPECT_EQ(Pitch(11), "B0");
    EXPECT_EQ(Pitch(12), "C1");
    EXPECT_EQ(Pitch(128), "<error>");
    EXPECT_EQ(Pitch(-1), "<error>");
    char small[5];
    EXPECT_EQ(NamePitch(121, true, false, small, sizeof small), NAME_OK); // fits the row table's 4 + 1
    EXPECT_STREQ(small, "C#10");
    EXPECT_EQ(NamePitch(60, true, false, nullptr, 4), NAME_BAD_ARGUMENT);
}

TEST(ControllerNames, TableAndOutOfRange) {
    char buffer[64];
    auto name = [&](int n) {
        NameController(n, buffer, sizeof buffer);
        return std::string(buffer);
    };
    EXPECT_EQ(name(7), "Main Volume MSB");
    EXPECT_EQ(name(64), "Damper Pedal");
    EXPECT_EQ(name(121), "Reset all controllers");
    EXPECT_EQ(name(0), "Bank MSB");
    EXPECT_EQ(name(32), "Bank LSB");
    EXPECT_EQ(name(127), "Poly Mode On");
    EXPECT_EQ(name(128), "Undefined CC");
    EXPECT_EQ(name(-3), "Undefined CC");
}

TEST(VoiceAndSetNames, GeneralMidiAndSets) {
    char buffer[64];
    NameVoice(0, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Acoustic Grand Piano");
    NameVoice(127 + 128, buffer, sizeof buffer); // program & 127
    EXPECT_STREQ(buffer, "Gunshot");
    NameVoice(33, buffer, sizeof buffer);
    EXPECT_STREQ(buffer, "Electric Bass (finger)");
    ASSERT_EQ(NameVoiceSet(1, buffer, sizeof buffer), NAME_OK);
    EXPECT_STREQ(buffer, "Yamaha XG Voices");
    ASSERT_EQ(NameDrumSet(7, buffer, sizeof buffer), NAME_OK);
    EXPECT_STREQ(buffer, "Orchestra Set");
    EXPECT_EQ(NameVoiceSet(4, buffer, sizeof buffer), NAME_BAD_ARGUMENT);
    EXPECT_EQ(NameDrumSet(9, buffer, sizeof buffer), NAME_BAD_ARGUMENT);
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

TEST(EventNames, NoteFields) {
    MidiEventRecord note = Short(MEK_NOTE, 60, 100, 64);
    note.length = 960;
    EXPECT_EQ(Name(note), "60 (C5)");
    EXPECT_EQ(Name(note, NAME_LABEL1), "N&ote:");
    EXPECT_EQ(Name(note, NAME_LABEL2), "On &velocity:");
    EXPECT_EQ(Name(note, NAME_LABEL3), "O&ff velocity:");
    EXPECT_EQ(Name(note, NAME_LABEL4), "&Duration:");
    EXPECT_EQ(Name(note, NAME_VALUE1), "C5");
    EXPECT_EQ(Name(note, NAME_VALUE1 | NAME_PLAIN_NUMBERS), "60");
    EXPECT_EQ(Name(note, NAME_VALUE2), "On Velocity (100)");
    EXPECT_EQ(Name(note, NAME_VALUE3), "Off Velocity (64)");
    EXPECT_EQ(Name(note, NAME_VALUE4), "960");
    EXPECT_EQ(Name(Short(MEK_NOTE, 61)), "61 (C#5)"); // sharps in the name

    MidiEventRecord off = Short(MEK_NOTE_OFF, 62, 40);
    EXPECT_EQ(Name(off), "62 (D5)");
    EXPECT_EQ(Name(off, NAME_VALUE2), "Off Velocity (40)");
    EXPECT_EQ(Name(off, NAME_LABEL2), "O&ff velocity:");
    EXPECT_EQ(Name(off, NAME_VALUE3), "<error 1>");
    EXPECT_EQ(Name(off, NAME_LABEL4), "<error 1>");

    EXPECT_EQ(Name(Short(MEK_NOTE, 200)), "<error 2>");   // no name above pitch 127
    EXPECT_EQ(Name(Short(MEK_NOTE, 60), 3), "<error 1>"); // two fields at once
    EXPECT_EQ(Name(Short(MEK_NOTE, 60), 512), "<error 1>");
}

TEST(EventNames, ChannelMessageFields) {
    MidiEventRecord poly = Short(MEK_POLY_PRESSURE, 61, 33);
    EXPECT_EQ(Name(poly), "Db5"); // flats for pressure
    EXPECT_EQ(Name(poly, NAME_LABEL2), "&Pressure:");
    EXPECT_EQ(Name(poly, NAME_VALUE1), "61");
    EXPECT_EQ(Name(poly, NAME_VALUE2), "33");

    MidiEventRecord cc = Short(MEK_CONTROL, 7, 90);
    EXPECT_EQ(Name(cc), "Main Volume MSB");
    EXPECT_EQ(Name(cc, NAME_LABEL1), "Co&ntroller:");
    EXPECT_EQ(Name(cc, NAME_LABEL2), "&Value:");
    EXPECT_EQ(Name(cc, NAME_VALUE2), "90");
    EXPECT_EQ(Name(cc, NAME_LABEL3), "<error 1>");
    EXPECT_EQ(Name(Short(MEK_CONTROL, 200, 0)), "Undefined CC");

    EXPECT_EQ(Name(Short(MEK_PROGRAM, 19)), "19");
    EXPECT_EQ(Name(Short(MEK_PROGRAM, 19), NAME_VALUE1), "<error 1>");

    MidiEventRecord touch = Short(MEK_AFTERTOUCH, 77);
    EXPECT_EQ(Name(touch), "Aftertouch");
    EXPECT_EQ(Name(touch, NAME_LABEL1), "&Pressure:");
    EXPECT_EQ(Name(touch, NAME_VALUE1), "77");

    EXPECT_EQ(Name(Short(MEK_PITCH_BEND, 0, 64)), "Pitch Bend");
    EXPECT_EQ(Name(Short(MEK_PITCH_BEND, 0, 64), NAME_LABEL1), "&Pitch +/-:");
    EXPECT_EQ(Name(Short(MEK_PITCH_BEND, 0, 64), NAME_VALUE1), "0"); // 8192 is no bend
    EXPECT_EQ(Name(Short(MEK_PITCH_BEND, 127, 127), NAME_VALUE1), "8191");
    EXPECT_EQ(Name(Short(MEK_PITCH_BEND, 0, 0), NAME_VALUE1), "-8192");
}

TEST(EventNames, BankProgramFields) {
    MidiEventRecord bank = Short(MEK_BANK_PROGRAM, 1, 2, 24);
    EXPECT_EQ(Name(bank), "Program Change");
    EXPECT_EQ(Name(bank, NAME_LABEL1), "Bank &MSB:");
    EXPECT_EQ(Name(bank, NAME_LABEL2), "&Bank LSB:");
    EXPECT_EQ(Name(bank, NAME_LABEL3), "&Program:");
    EXPECT_EQ(Name(bank, NAME_VALUE1), "MSB: 1");
    EXPECT_EQ(Name(bank, NAME_VALUE2), "LSB: 2");
    EXPECT_EQ(Name(bank, NAME_VALUE3), "24");
    EXPECT_EQ(Name(bank, NAME_VALUE4), "Acoustic Guitar (nylon)");
    EXPECT_EQ(Name(bank, NAME_VALUE4 | NAME_PLAIN_NUMBERS), "130:24");
}

TEST(EventNames, PackedParameters) {
    EXPECT_EQ(Name(Short(MEK_PACKED_RPN, 0, 0, 2, 0)), "Pitch Bend Sensitivity");
    EXPECT_EQ(Name(Short(MEK_PACKED_RPN, 0, 1)), "Fine Tuning");
    EXPECT_EQ(Name(Short(MEK_PACKED_RPN, 0, 4)), "Tuning Bank Select");
    EXPECT_EQ(Name(Short(MEK_PACKED_RPN, 0, 5)), "Unknown RPN");
    EXPECT_EQ(Name(Short(MEK_PACKED_RPN, 1, 0)), "Unknown RPN");
    EXPECT_EQ(Name(Short(MEK_PACKED_RPN, 0, 0, 12, 5), NAME_VALUE1), "12");
    EXPECT_EQ(Name(Short(MEK_PACKED_RPN, 0, 0, 12, 5), NAME_VALUE2), "5");
    EXPECT_EQ(Name(Short(MEK_PACKED_RPN, 0, 0), NAME_LABEL1), "<error 1>");

    MidiEventRecord nrpn = Short(MEK_PACKED_NRPN, 1, 8, 3, 4);
    EXPECT_EQ(Name(nrpn), "136");
    EXPECT_EQ(Name(nrpn, NAME_LABEL1), "N&RP MSB:");
    EXPECT_EQ(Name(nrpn, NAME_LABEL2), "NR&P LSB:");
    EXPECT_EQ(Name(nrpn, NAME_LABEL3), "&Data MSB:");
    EXPECT_EQ(Name(nrpn, NAME_LABEL4), "Data LSB");
    EXPECT_EQ(Name(nrpn, NAME_VALUE4), "4");
}

TEST(EventNames, MachineControl) {
    VarRecord locate(MEK_SYSEX, {0x7F, 0x7F, 0x06, 68, 0xF7});
    EXPECT_EQ(Name(locate.r), "MMC Locate");
    VarRecord stop(MEK_SYSEX, {0x7F, 0x01, 0x06, 1, 0xF7});
    EXPECT_EQ(Name(stop.r), "MMC Stop");
    VarRecord strobe(MEK_SYSEX_CONTINUE, {0x7F, 0x01, 0x06, 85, 0xF7, 0x00});
    EXPECT_EQ(Name(strobe.r), "MMC Record Strobe Variable");
    VarRecord unknown(MEK_SYSEX, {0x7F, 0x7F, 0x06, 14, 0xF7});
    EXPECT_EQ(Name(unknown.r), "MMC 0x0E");
    VarRecord response(MEK_SYSEX, {0x7F, 0x7F, 0x07, 2, 0xF7});
    EXPECT_EQ(Name(response.r), "MMC 0x02");

    VarRecord tooShort(MEK_SYSEX, {0x7F, 0x7F, 0x06, 2});
    EXPECT_EQ(Name(tooShort.r), "Sysex");
    VarRecord noEnd(MEK_SYSEX_CONTINUE, {0x7F, 0x7F, 0x06, 2, 0x00});
    EXPECT_EQ(Name(noEnd.r), "Sysex Continue");
    VarRecord otherSub(MEK_SYSEX, {0x7F, 0x7F, 0x04, 1, 0xF7});
    EXPECT_EQ(Name(otherSub.r), "Sysex");
    VarRecord notRealTime(MEK_SYSEX, {0x7E, 0x7F, 0x06, 2, 0xF7});
    EXPECT_EQ(Name(notRealTime.r), "Sysex");
    VarRecord empty(MEK_SYSEX, {});
    EXPECT_EQ(Name(empty.r), "Sysex");
    EXPECT_EQ(Name(locate.r, NAME_VALUE1), "<error 1>");

    // A length beyond the data block is not read past its end.
    VarRecord lying(MEK_SYSEX, {0x7F, 0x7F, 0x06});
    lying.r.length = 5000;
    EXPECT_EQ(Name(lying.r), "Sysex");
}

TEST(EventNames, MetaEvents) {
    VarRecord tempo(MEK_META, {81, 0x07, 0xA1, 0x20}); // 500000 us per quarter
    EXPECT_EQ(Name(tempo.r), "Tempo");
    EXPECT_EQ(Name(tempo.r, NAME_LABEL1), "Te&mpo:");
    EXPECT_EQ(Name(tempo.r, NAME_VALUE1), "120.000 BPM");
    VarRecord sig(MEK_META, {88, 6, 3, 24, 8});
    EXPECT_EQ(Name(sig.r), "Time Signature");
    EXPECT_EQ(Name(sig.r, NAME_VALUE1), "6/8");
    EXPECT_EQ(Name(sig.r, NAME_LABEL1), "Ti&me sig:");
    VarRecord key(MEK_META, {89, 0xFD, 1});
    EXPECT_EQ(Name(key.r, NAME_VALUE1), "-3");
    EXPECT_EQ(Name(key.r, NAME_VALUE2), "Minor");
    EXPECT_EQ(Name(key.r, NAME_LABEL1), "&Key sig:");
    EXPECT_EQ(Name(key.r, NAME_LABEL2), "&Major/Minor:");
    VarRecord smpte(MEK_META, {84, 0x61, 2, 3, 4, 5}); // hour byte with a rate in bits 5-6
    EXPECT_EQ(Name(smpte.r), "SMPTE Offset");
    EXPECT_EQ(Name(smpte.r, NAME_VALUE1), "01:02:03.04.05");
    VarRecord prefix(MEK_META, {32, 9});
    EXPECT_EQ(Name(prefix.r), "Channel Prefix");
    EXPECT_EQ(Name(prefix.r, NAME_LABEL1), "Channel &prefix:");
    EXPECT_EQ(Name(prefix.r, NAME_VALUE1), "9");
    VarRecord number(MEK_META, {0, 1, 2});
    EXPECT_EQ(Name(number.r), "Sequence Number");
    EXPECT_EQ(Name(number.r, NAME_VALUE1), "258");

    VarRecord name(MEK_META, {3, 'L', 'e', 'a', 'd'});
    EXPECT_EQ(Name(name.r), "Sequence Name");
    EXPECT_EQ(Name(name.r, NAME_EVENT, false), "Track Name");
    EXPECT_EQ(Name(name.r, NAME_LABEL1), "Te&xt event:");
    EXPECT_EQ(Name(name.r, NAME_VALUE1), "Lead");
    VarRecord notice(MEK_META, {2, 'x'});
    EXPECT_EQ(Name(notice.r, NAME_LABEL1), "&Copyright:");
    VarRecord latin(MEK_META, {5, 'c', 0xE9}); // not UTF-8: read as Latin-1
    EXPECT_EQ(Name(latin.r), "Lyric");
    EXPECT_EQ(Name(latin.r, NAME_VALUE1), "c\xC3\xA9");
    VarRecord utf8(MEK_META, {6, 0xC3, 0xA9, 't', 0xC3, 0xA9});
    EXPECT_EQ(Name(utf8.r), "Marker");
    EXPECT_EQ(Name(utf8.r, NAME_VALUE1), "\xC3\xA9t\xC3\xA9");
    VarRecord cue(MEK_META, {7});
    EXPECT_EQ(Name(cue.r), "Cue Point");
    VarRecord instrument(MEK_META, {4});
    EXPECT_EQ(Name(instrument.r), "Instrument Name");
    VarRecord text(MEK_META, {1});
    EXPECT_EQ(Name(text.r), "Text Event");

    VarRecord ours(MEK_META, {127, 0x7D, 3, 1, 2});
    EXPECT_EQ(Name(ours.r), "Vantrel Summary Info");
    VarRecord attributes(MEK_META, {127, 0x7D, 0});
    EXPECT_EQ(Name(attributes.r), "Orvane Track Attributes");
    VarRecord undefined(MEK_META, {127, 0x7D, 0x2A});
    EXPECT_EQ(Name(undefined.r), "Vantrel Undefined 0x2A");
    VarRecord foreign(MEK_META, {127, 0x41, 1});
    EXPECT_EQ(Name(foreign.r), "Sequencer Specific");
    VarRecord endOfTrack(MEK_META, {47});
    EXPECT_EQ(Name(endOfTrack.r), "Unknown Meta: 47");
    EXPECT_EQ(Name(endOfTrack.r, NAME_VALUE1), "<error 1>");
}

TEST(EventNames, MalformedMetaDataIsAnError) {
    VarRecord shortTempo(MEK_META, {81, 0x07});
    EXPECT_EQ(Name(shortTempo.r), "Tempo");
    EXPECT_EQ(Name(shortTempo.r, NAME_VALUE1), "<error 2>");
    VarRecord zeroTempo(MEK_META, {81, 0, 0, 0});
    EXPECT_EQ(Name(zeroTempo.r, NAME_VALUE1), "<error 2>");
    VarRecord hugeDenominator(MEK_META, {88, 4, 200});
    EXPECT_EQ(Name(hugeDenominator.r, NAME_VALUE1), "<error 2>");
    VarRecord noData(MEK_META, {});
    EXPECT_EQ(Name(noData.r), "<error 2>");
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
