// Playback in editing scripts runs on the script's clock and follows the song's tempo map: what has
// been played after `wait` depends on the tempos alone, never on how fast the machine is.
#include <gtest/gtest.h>

#include <algorithm>

#include "../host/host_test_util.h"
#include "app_test_util.h"
#include "document.h"
#include "script.h"

namespace {

using namespace apptest;
using namespace host::app;

constexpr std::uint16_t kTicksPerQuarter = 480;

// One track: 60 beats a minute until tick 480, 120 from there; a short note at each of `starts`.
Bytes TempoChangingSong(const std::vector<std::uint32_t>& starts) {
    struct Timed {
        std::uint32_t tick;
        Bytes bytes;
    };
    std::vector<Timed> events = {
        {0, {0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40}},   // 1 000 000 microseconds a quarter
        {480, {0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20}}, // 500 000
    };
    for (std::uint32_t start : starts) {
        events.push_back({start, {0x90, 60, 100}});
        events.push_back({start + 10, {0x80, 60, 0}});
    }
    std::stable_sort(events.begin(), events.end(), [](const Timed& a, const Timed& b) { return a.tick < b.tick; });
    Bytes track;
    std::uint32_t now = 0;
    for (const Timed& e : events) {
        track = host::test::Cat(track, host::test::Vlq(e.tick - now));
        now = e.tick;
        track.insert(track.end(), e.bytes.begin(), e.bytes.end());
    }
    track = host::test::Cat(track, host::test::kEndOfTrack);
    return host::test::SmfBuilder(0, kTicksPerQuarter).Track(track).Bytes();
}

class ScriptClockTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { UseBuiltModule(); }

    static std::string Run(const Bytes& song, const std::string& text) {
        DocumentOptions options;
        options.recordedSound = true;
        std::string error;
        auto doc = Document::FromBytes(song.data(), song.size(), "song.mid", options, &error);
        if (!doc) return "song: " + error;
        ScriptRunner runner(std::move(doc));
        ScriptFailure failure;
        if (runner.Run(text, &failure)) return "";
        return std::to_string(failure.line) + ": " + failure.reason;
    }
};

TEST_F(ScriptClockTest, WaitPlaysTheSongOnAsFarAsItsTempoMapReaches) {
    // Seconds: tick 470 at 0.979, 500 at 1.021, 900 at 1.438, 1000 at 1.542 (at one steady tempo the
    // counts below would differ).
    const Bytes song = TempoChangingSong({0, 470, 500, 900, 1000});
    EXPECT_EQ(Run(song,
                  "expect-played 0\n"
                  "menu 40020\nkey t alt\n" // Transport > Play
                  "wait 1000\nexpect-played 2\n"
                  "wait 500\nexpect-played 4\n"
                  "wait 100\nexpect-played 5\n"),
              "");
}

TEST_F(ScriptClockTest, NothingPlaysWhileStoppedHoweverLongTheWait) {
    const Bytes song = TempoChangingSong({0, 470, 500});
    EXPECT_EQ(Run(song,
                  "menu 40020\nkey t alt\n"
                  "wait 990\nexpect-played 2\n"
                  "menu 40021\nkey t alt\n" // Transport > Stop
                  "wait 5000\nexpect-played 2\n"),
              "");
    // The count is checked, not only taken: a wrong one fails the line.
    EXPECT_EQ(Run(song, "expect-played 1\n").substr(0, 3), "1: ");
}

} // namespace
