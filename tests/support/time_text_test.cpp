// Musical time text: measure, beat and sub-beat of tick positions.
#include "vor/time_text.h"

#include "vor/strings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

_vorposfmt Format(std::uint16_t beats, std::uint16_t noteValue, std::int32_t ppq = 24576) {
    _vorposfmt f{};
    f.format = 5;
    f.sampleRate = 44100;
    f.unknown = 1.0;
    f.tempo = 120.0;
    f.noteValue = noteValue;
    f.beatsPerMeasure = beats;
    f.ticksPerQuarter = ppq;
    return f;
}

std::string Text(const _vorposfmt& f, std::int64_t ticks, int base = 0, int shortForm = 0, int divisor = 32) {
    char buffer[VOR_TIME_TEXT_CAPACITY];
    int length = VorTicksToText(buffer, &f, ticks, base, shortForm, divisor);
    EXPECT_EQ(length, static_cast<int>(std::string(buffer).size()));
    return buffer;
}

constexpr std::int64_t Q = 24576;

} // namespace

TEST(TimeText, PositionsInEverySignatureAndForm) {
    struct Case {
        std::uint16_t beats, noteValue;
        std::int32_t ppq;
        std::int64_t ticks;
        int base, shortForm, divisor;
        const char* expected;
    } cases[] = {
        {4, 4, Q, 0, 0, 0, 32, "0:0.000"}, {4, 4, Q, 4 * Q, 0, 0, 32, "1:0.000"},
        {4, 4, Q, Q - 1, 0, 0, 32, "0:0.767"}, {4, 4, Q, Q, 0, 0, 32, "0:1.000"},
        {4, 4, Q, 3 * Q + 32 * 5, 0, 0, 32, "0:3.005"}, {4, 4, Q, 4 * Q * 123 + 2 * Q, 0, 0, 32, "123:2.000"},
        // Negative ticks use floor division.
        {4, 4, Q, -1, 0, 0, 32, "-1:3.767"}, {4, 4, Q, -4 * Q, 0, 0, 32, "-1:0.000"},
        {4, 4, Q, -4 * Q - 1, 0, 0, 32, "-2:3.767"}, {4, 4, Q, -Q, 0, 0, 32, "-1:3.000"},
        // Other signatures and rates; half-note beats.
        {6, 8, Q, 12288, 0, 0, 32, "0:1.000"}, {6, 8, Q, 6 * 12288, 0, 0, 32, "1:0.000"},
        {6, 8, Q, 6 * 12288 - 1, 0, 0, 32, "0:5.383"}, {3, 4, 96, 3 * 96 + 95, 0, 0, 1, "1:0.095"},
        {2, 2, 480, 960, 0, 0, 1, "0:1.000"},
        // Base 1 skips measure zero; no other base shifts.
        {4, 4, Q, 0, 1, 0, 32, "1:1.000"}, {4, 4, Q, 4 * Q, 1, 0, 32, "2:1.000"},
        {4, 4, Q, -1, 1, 0, 32, "-1:4.767"}, {4, 4, Q, -4 * Q - 1, 1, 0, 32, "-2:4.767"},
        {4, 4, Q, 0, 2, 0, 32, "0:0.000"},
        // The short form and the divisor (below 1 counts as 1).
        {4, 4, Q, 2 * Q + 100, 0, 1, 32, "0:2"}, {4, 4, Q, 5 * Q, 1, 1, 32, "2:2"},
        {4, 4, Q, Q / 2, 0, 0, 1, "0:0.12288"}, {4, 4, Q, Q / 2, 0, 0, 0, "0:0.12288"},
        {4, 4, Q, 100, 0, 0, 1000, "0:0.000"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.beats << "/" << c.noteValue << " at " << c.ticks << " base " << c.base
                                          << " short " << c.shortForm << " divisor " << c.divisor);
        EXPECT_EQ(Text(Format(c.beats, c.noteValue, c.ppq), c.ticks, c.base, c.shortForm, c.divisor), c.expected);
    }
}

TEST(TimeText, MeasuresAndTicksDirectly) {
    auto f = Format(4, 4);
    char buffer[VOR_TIME_TEXT_CAPACITY];
    EXPECT_EQ(VorMeasuresAndTicksToText(buffer, &f, 3, -1, 0, 0, 32), 7);
    EXPECT_STREQ(buffer, "2:3.767");
    VorMeasuresAndTicksToText(buffer, &f, 0, 5 * Q, 0, 0, 32); // beats wrap within the measure
    EXPECT_STREQ(buffer, "0:1.000");
    VorMeasuresAndTicksToText(buffer, &f, 0, -9 * Q, 0, 0, 32); // far back stays a valid position
    EXPECT_STREQ(buffer, "-3:3.000");
    EXPECT_EQ(VorMeasuresAndTicksToText(nullptr, &f, 0, 0, 0, 0, 32), 0);
}

TEST(TimeText, BadFormatsAndExtremes) {
    char buffer[VOR_TIME_TEXT_CAPACITY] = "junk";
    auto noBeats = Format(0, 4);
    EXPECT_EQ(VorTicksToText(buffer, &noBeats, 100, 0, 0, 32), 0);
    EXPECT_STREQ(buffer, "");
    auto noNote = Format(4, 0);
    EXPECT_EQ(VorTicksToText(buffer, &noNote, 100, 0, 0, 32), 0);
    EXPECT_EQ(VorTicksToText(buffer, nullptr, 100, 0, 0, 32), 0);
    auto beatShorterThanATick = Format(4, 8, 1);
    EXPECT_EQ(VorTicksToText(buffer, &beatShorterThanATick, 100, 0, 0, 32), 0);
    auto f = Format(4, 4);
    // Extreme positions fit the callers' buffers and stay terminated.
    for (std::int64_t t : {INT64_MAX, INT64_MIN, INT64_MIN + 1}) {
        int length = VorTicksToText(buffer, &f, t, 1, 0, 1);
        EXPECT_GT(length, 0);
        EXPECT_LT(length, static_cast<int>(VOR_TIME_TEXT_CAPACITY));
        EXPECT_EQ(static_cast<std::size_t>(length), std::string(buffer).size());
    }
    char tiny[4];
    EXPECT_EQ(VorTicksToText(tiny, &f, 4 * Q * 1000, 0, 0, 32, sizeof tiny), 3);
    EXPECT_STREQ(tiny, "100");
}

TEST(TimeText, SeparatorsComeFromTheLanguage) {
    ASSERT_TRUE(VorLang_SetItem("xx-time", VOR_LANG_TIME_SEPARATOR1, "|"));
    ASSERT_TRUE(VorLang_SetItem("xx-time", VOR_LANG_TIME_SEPARATOR2, ","));
    ASSERT_TRUE(VorStr_SetLanguage("xx-time"));
    auto f = Format(4, 4);
    EXPECT_EQ((std::tuple{Text(f, Q + 64), Text(f, Q + 64, 0, 1)}), (std::tuple{"0|1,002", "0|1"}));
    ASSERT_TRUE(VorStr_SetLanguage("en"));
    EXPECT_EQ(Text(f, Q + 64), "0:1.002");
}
