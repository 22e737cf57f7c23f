// The bend map (bend values and the range registered parameter 0 sets, per channel over time) and the
// semitone arithmetic and text of bend values.
#include <gtest/gtest.h>

#include <vector>

#include "model/bend_map.h"
#include "model/semitones.h"

namespace {

using namespace pianoroll;

LaneEvent Cc(std::int64_t tick, int controller, int value, int channel = 0) {
    LaneEvent e;
    e.kind = LaneKind::Controller;
    e.tick = tick;
    e.controller = controller;
    e.value = value;
    e.channel = channel;
    return e;
}

LaneEvent Bend(std::int64_t tick, int value, int channel = 0) {
    LaneEvent e = Cc(tick, 0, value, channel);
    e.kind = LaneKind::PitchBend;
    return e;
}

TEST(BendMapRange, FollowsRegisteredParameterZeroOnlyWhileItIsSelected) {
    const BendMap map = BuildBendMap(
        {
            Cc(0, 6, 24),                                  // no parameter chosen yet
            Cc(100, 101, 0), Cc(100, 100, 0), Cc(100, 6, 12), // 12 semitones
            Cc(200, 38, 50),                               // and 50 cents
            Cc(300, 100, 1), Cc(300, 6, 3),                // fine tuning, not the range
            Cc(400, 100, 0), Cc(400, 99, 0), Cc(400, 6, 5), // a non-registered parameter
            Cc(500, 101, 0), Cc(500, 6, 7),                // registered 0/0 again
            Cc(600, 121, 0), Cc(600, 6, 9),                // reset deselects, keeps the range
            Cc(700, 101, 0), Cc(700, 100, 0), Cc(700, 6, 4), Cc(700, 6, 1), // the last of one tick holds
        },
        -1);
    const std::vector<std::pair<std::int64_t, double>> expected = {
        {0, 2.0}, {99, 2.0}, {100, 12.0}, {250, 12.5}, {350, 12.5}, {450, 12.5}, {500, 7.0}, {650, 7.0}, {700, 1.0}};
    for (const auto& [tick, range] : expected) EXPECT_DOUBLE_EQ(map.RangeAt(0, tick), range) << tick;
    EXPECT_DOUBLE_EQ(map.LargestRange(0), 12.5);
    EXPECT_DOUBLE_EQ(map.LargestRange(1), 2.0);
    EXPECT_DOUBLE_EQ(map.RangeAt(16, 100), 2.0);
}

TEST(BendMapBends, KeepEachChannelApartUnlessTheTrackPlaysThemOnOne) {
    const std::vector<LaneEvent> events = {Cc(0, 101, 0, 1), Cc(0, 100, 0, 1), Cc(0, 6, 12, 1), Bend(100, 12288, 1),
                                           Bend(200, 8192, 1), Bend(300, 0, 2)};
    const BendMap own = BuildBendMap(events, -1);
    EXPECT_DOUBLE_EQ(own.RangeAt(1, 0), 12.0);
    EXPECT_DOUBLE_EQ(own.RangeAt(0, 0), 2.0);
    EXPECT_EQ((std::tuple{own.BendAt(1, 99), own.BendAt(1, 150), own.BendAt(1, 200), own.BendAt(2, 300)}),
              (std::tuple{kBendCentre, 12288, kBendCentre, 0}));
    EXPECT_TRUE(own.BentDuring(1, 0, 101));   // a bend inside the span
    EXPECT_TRUE(own.BentDuring(1, 150, 160)); // one in force from before
    EXPECT_FALSE(own.BentDuring(1, 0, 100));  // the end is not in it
    EXPECT_FALSE(own.BentDuring(1, 200, 5000));
    EXPECT_FALSE(own.BentDuring(0, 0, 5000));
    EXPECT_EQ(own.Bends(1).Between(100, 300).size(), 1u);
    // A track on channel 4 plays everything there.
    const BendMap track = BuildBendMap(events, 3);
    EXPECT_DOUBLE_EQ(track.RangeAt(3, 0), 12.0);
    EXPECT_EQ((std::tuple{track.BendAt(3, 250), track.BendAt(3, 300)}), (std::tuple{kBendCentre, 0}));
    EXPECT_FALSE(track.BentDuring(1, 0, 5000));
    EXPECT_EQ(SoundingChannel(-1, 20), 0);
}

TEST(Semitones, ValuesPitchesSnapsAndText) {
    EXPECT_EQ((std::vector{SemitoneText(BendSemitones(16383, 12)), SemitoneText(BendSemitones(12288, kDefaultBendRange)),
                           SemitoneText(BendSemitones(0, kDefaultBendRange)), SemitoneText(BendSemitones(14336, 2)),
                           SemitoneText(-0.004), SemitoneText(-0.25)}),
              (std::vector<std::string>{"+12.00 st", "+1.00 st", "-2.00 st", "+1.50 st", "0.00 st", "-0.25 st"}));
    // The top is one short of +2.
    EXPECT_EQ((std::vector{BendOfSemitones(1, 2), BendOfSemitones(-2, 2), BendOfSemitones(2, 2), BendOfSemitones(1, 0)}),
              (std::vector{12288, 0, 16383, kBendCentre}));
    // +0.69 to +1, +0.20 to 0, +2.5 stays inside the range: +2.
    EXPECT_EQ((std::vector{SnapBendToSemitone(11000, 2), SnapBendToSemitone(9000, 2), SnapBendToSemitone(16383, 2.5),
                           SnapBendToSemitone(0, 12), SnapBendToSemitone(5000, 0)}),
              (std::vector{12288, 8192, 14746, 0, kBendCentre}));
}

} // namespace
