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

TEST(TimeText, FourFourPositions) {
    auto f = Format(4, 4);
    EXPECT_EQ(Text(f, 0), "0:0.000");
    EXPECT_EQ(Text(f, 4 * Q), "1:0.000");
    EXPECT_EQ(Text(f, Q - 1), "0:0.767");
    EXPECT_EQ(Text(f, Q), "0:1.000");
    EXPECT_EQ(Text(f, 3 * Q + 32 * 5), "0:3.005");
    EXPECT_EQ(Text(f, 4 * Q * 123 + 2 * Q), "123:2.000");
}

TEST(TimeText, NegativeTicksUseFloorDivision) {
    auto f = Format(4, 4);
    EXPECT_EQ(Text(f, -1), "-1:3.767");
    EXPECT_EQ(Text(f, -4 * Q), "-1:0.000");
    EXPECT_EQ(Text(f, -4 * Q - 1), "-2:3.767");
    EXPECT_EQ(Text(f, -Q), "-1:3.000");
}

TEST(TimeText, OtherSignaturesAndRates) {
    auto sixEight = Format(6, 8);
    EXPECT_EQ(Text(sixEight, 12288), "0:1.000");
    EXPECT_EQ(Text(sixEight, 6 * 12288), "1:0.000");
    EXPECT_EQ(Text(sixEight, 6 * 12288 - 1), "0:5.383");
    auto threeFour = Format(3, 4, 96);
    EXPECT_EQ(Text(threeFour, 3 * 96 + 95, 0, 0, 1), "1:0.095");
    EXPECT_EQ(Text(Format(2, 2, 480), 960, 0, 0, 1), "0:1.000"); // half-note beats
}

TEST(TimeText, BaseOneSkipsMeasureZero) {
    auto f = Format(4, 4);
    EXPECT_EQ(Text(f, 0, 1), "1:1.000");
    EXPECT_EQ(Text(f, 4 * Q, 1), "2:1.000");
    EXPECT_EQ(Text(f, -1, 1), "-1:4.767");
    EXPECT_EQ(Text(f, -4 * Q - 1, 1), "-2:4.767");
    EXPECT_EQ(Text(f, 0, 2), "0:0.000"); // only base 1 shifts
}

TEST(TimeText, ShortFormAndDivisor) {
    auto f = Format(4, 4);
    EXPECT_EQ(Text(f, 2 * Q + 100, 0, 1), "0:2");
    EXPECT_EQ(Text(f, 5 * Q, 1, 1), "2:2");
    EXPECT_EQ(Text(f, Q / 2, 0, 0, 1), "0:0.12288");
    EXPECT_EQ(Text(f, Q / 2, 0, 0, 0), "0:0.12288"); // a divisor below 1 counts as 1
    EXPECT_EQ(Text(f, 100, 0, 0, 1000), "0:0.000");
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
    EXPECT_EQ(Text(f, Q + 64), "0|1,002");
    EXPECT_EQ(Text(f, Q + 64, 0, 1), "0|1");
    ASSERT_TRUE(VorStr_SetLanguage("en"));
    EXPECT_EQ(Text(f, Q + 64), "0:1.002");
}
