// Quantize: the resolution in ticks, the rounding of starts and durations, the descriptor an Apply
// builds, and the dialog's layout. The quantize scripts drive the dialog and its stored choice.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "command_fixture.h"
#include "commands/quantize.h"
#include "model/bar_grid.h"
#include "model/store.h"
#include "mp/settings.h"
#include "resources/command_ids.h"
#include "win/controls.h"

namespace commandtest {
namespace {

using namespace pianoroll;
using namespace win;
using tooltest::kPpq;

constexpr int kSixteenth = 6, kEighthTriplet = 5;

// The quantize scripts take the half, quarter, 8th-triplet and 16th notes through the dialog.
TEST(QuantizeRules, ResolutionsAreNoteValuesOfAFourQuarterWholeNote) {
    // 7 at 480: (1920 x 2 / 3) / 16, truncated; a coarse time base never gives a zero resolution; outside
    // the list: the whole note.
    const std::tuple<int, int, std::int64_t> rows[] = {{0, 960, 3840},  {3, 960, 640}, {9, 960, 80},   {10, 960, 60},
                                                       {7, 480, 80},    {10, 8, 1},    {-1, 960, 3840},
                                                       {kQuantizeResolutionCount, 960, 3840}};
    for (auto [index, ppq, ticks] : rows) EXPECT_EQ(QuantizeResolutionTicks(index, ppq), ticks) << index << " " << ppq;
}

TEST(QuantizeRules, StartsGoToTheNearestMultipleAndDurationsToALowerOne) {
    const std::tuple<std::int64_t, std::int64_t, std::int64_t> starts[] = {
        {359, 240, 240}, {360, 240, 480},   {361, 240, 480}, {480, 240, 480}, {0, 240, 0},
        {-100, 240, 0},  {-130, 240, -240}, {159, 320, 0},   {160, 320, 320}};
    for (auto [start, resolution, want] : starts) EXPECT_EQ(QuantizeStart(start, resolution), want) << start;
    // Durations are cut to multiples, but never below one resolution, nor past the longest duration.
    const std::tuple<std::uint32_t, std::int64_t, std::uint32_t> lengths[] = {
        {100, 960, 960}, {2000, 960, 1920}, {1920, 960, 1920}, {0, 960, 960}, {4000000000u, 7, 3999999997u},
        {5, std::int64_t{1} << 40, 0xFFFFFFFFu}};
    for (auto [length, resolution, want] : lengths) EXPECT_EQ(QuantizeDuration(length, resolution), want) << length;
}

TEST(QuantizeRules, ApplyRebuildsTheDescriptorKeepingTheCarriedBits) {
    const std::uint32_t carried = (1u << 16) | (1u << 18) | (1u << 28);
    const std::uint32_t old = carried | QD_TRIPLET | QD_STARTS | QD_DURATIONS | 5;
    const std::uint32_t sixteenth = RebuildQuantizeDescriptor(old, kSixteenth, false, false);
    EXPECT_EQ(sixteenth, carried | QD_ACTIVE | 4u);
    EXPECT_EQ(RebuildQuantizeDescriptor(0, kEighthTriplet, true, true), QD_ACTIVE | QD_DURATIONS | QD_STARTS | QD_TRIPLET | 3u);
    for (int index = 0; index < kQuantizeResolutionCount; ++index)
        EXPECT_EQ(QuantizeIndexOf(RebuildQuantizeDescriptor(0xFFFFFFFF, index, true, false)), index);
    EXPECT_EQ(QuantizeIndexOf(QD_TRIPLET | 6u), 0) << "no 64th-note triplet in the list";
    EXPECT_EQ(QuantizeIndexOf(0xFFFF), 0);
}

TEST(QuantizeRules, NotesAreQuantizedOnlyWhileTheDescriptorIsActiveAndEachPartOnlyWhenAsked) {
    pianoroll::Note note{.start = 359, .length = 100};
    const std::uint32_t both = RebuildQuantizeDescriptor(0, kSixteenth, true, true);
    ASSERT_TRUE(QuantizeNote(note, both, 240));
    EXPECT_EQ(std::tuple(note.start, note.length), std::tuple(240, 240));
    pianoroll::Note inactive{.start = 7, .length = 100};
    EXPECT_FALSE(QuantizeNote(inactive, both & ~QD_ACTIVE, 240));
    EXPECT_EQ(inactive.start, 7);
    pianoroll::Note startsOnly{.start = 130, .length = 500};
    ASSERT_TRUE(QuantizeNote(startsOnly, RebuildQuantizeDescriptor(0, kSixteenth, true, false), 240));
    EXPECT_EQ(std::tuple(startsOnly.start, startsOnly.length), std::tuple(240, 500));
    pianoroll::Note lengthsOnly{.start = 130, .length = 500};
    ASSERT_TRUE(QuantizeNote(lengthsOnly, RebuildQuantizeDescriptor(0, kSixteenth, false, true), 240));
    EXPECT_EQ(std::tuple(lengthsOnly.start, lengthsOnly.length), std::tuple(130, 480));
}

TEST(QuantizeRules, InASongOfSeveralMetersStartsCountFromTheMeterInForce) {
    // 480 ticks per quarter: 4/4, one 1/4 bar at 72960, 6/4 from 73440.
    const BarGrid bars(480, {{0, 4, 4}, {72960, 1, 4}, {73440, 6, 4}});
    // Halfway goes to the later line; the 1/4 bar ends at the next meter's start (73200: halfway to it).
    const std::tuple<std::int64_t, std::int64_t, std::int64_t> inMeters[] = {
        {73500, 960, 73440}, {75000, 960, 75360}, {74880, 960, 75360}, {73300, 960, 73440},
        {73200, 960, 73440}, {73199, 960, 72960}, {73440, 960, 73440}, {73500, 1, 73500}};
    for (auto [start, resolution, want] : inMeters) EXPECT_EQ(QuantizeStartIn(bars, start, resolution), want) << start;
    // One meter: multiples of the resolution from the song's start, as always.
    const BarGrid one(480, {{0, 3, 8}});
    EXPECT_EQ(QuantizeStartIn(one, 1500, 960), QuantizeStart(1500, 960));
    EXPECT_EQ(QuantizeStartIn(one, 1440, 960), 1920);
    pianoroll::Note note{.start = 75000, .length = 200};
    ASSERT_TRUE(QuantizeNote(note, RebuildQuantizeDescriptor(0, 1, true, false), 960, &bars));
    EXPECT_EQ(std::tuple(note.start, note.length), std::tuple(75360, 200));
}

using QuantizeCommandTest = CommandFixture;

// The dialog's rows stand evenly spaced down to the buttons and flush left, and the two buttons are
// alike and level.
TEST_F(QuantizeCommandTest, TheDialogLinesUpItsControls) {
    Open();
    std::vector<RECT> rects; // in template order: label, list, the two boxes, Apply, Cancel
    AnswerNextDialog([&](HWND dialog) {
        for (HWND item = GetWindow(dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
            RECT r{};
            GetWindowRect(item, &r);
            rects.push_back(r);
        }
        SendMessage(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    FrameCommand(CMD_QUANTIZE);
    ASSERT_EQ(rects.size(), 6u);
    const RECT &starts = rects[2], &durations = rects[3], &apply = rects[4], &cancel = rects[5];
    EXPECT_EQ(durations.top - starts.bottom, apply.top - durations.bottom);
    EXPECT_GT(durations.top, starts.bottom);
    EXPECT_EQ(starts.left, durations.left);
    EXPECT_EQ(starts.left, rects[0].left) << "the boxes under the list's label";
    EXPECT_EQ((std::tuple{apply.top, apply.bottom, apply.right - apply.left}),
              (std::tuple{cancel.top, cancel.bottom, cancel.right - cancel.left}));
    EXPECT_LT(apply.right, cancel.left);
}

// Each entry of the resolution list says what choosing it does: its note value (a triplet: two thirds
// of it) is the resolution in ticks.
TEST_F(QuantizeCommandTest, EachResolutionTextNamesItsTicks) {
    Open();
    std::vector<std::pair<std::string, LRESULT>> entries;
    AnswerNextDialog([&](HWND dialog) {
        HWND list = GetDlgItem(dialog, 1030);
        for (LRESULT i = 0, n = SendMessage(list, CB_GETCOUNT, 0, 0); i < n; ++i) {
            std::string text(static_cast<std::size_t>(SendMessage(list, CB_GETLBTEXTLEN, i, 0)), '\0');
            SendMessage(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
            entries.emplace_back(text, SendMessage(list, CB_GETITEMDATA, i, 0));
        }
        SendMessage(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    FrameCommand(CMD_QUANTIZE);
    ASSERT_EQ(entries.size(), static_cast<std::size_t>(kQuantizeResolutionCount));
    const std::map<std::string, std::int64_t> named = {{"Whole", 1}, {"Half", 2}, {"Quarter", 4}};
    for (const auto& [text, index] : entries) {
        const std::string value = text.substr(0, text.find(' '));
        const std::int64_t division = named.count(value) ? named.at(value) : std::stoll(value);
        std::int64_t ticks = 4 * kPpq / division;
        if (text.ends_with(" Note Triplet")) ticks = ticks * 2 / 3;
        else EXPECT_TRUE(text.ends_with(" Note")) << text;
        EXPECT_EQ(QuantizeResolutionTicks(static_cast<int>(index), kPpq), ticks) << text;
    }
}

} // namespace
} // namespace commandtest
