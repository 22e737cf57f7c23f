// Tempo map, event encoding and the tick-domain sequencer.
#include <gtest/gtest.h>

#include "midiout/message.h"
#include "playback/sequencer.h"
#include "song_builder.h"

using namespace soundtest;
using midiout::MidiMessage;
using playback::Sequencer;
using playback::Song;
using playback::TempoMap;

TEST(TempoMap, ConvertsAcrossTempoChangesBothWays) {
    const TempoMap map(480, {{1920, 250000}, {960, 1000000}, {960, 0}, {3840, 250000}});
    EXPECT_EQ(map.TickToMicros(0), 0);
    EXPECT_EQ(map.TickToMicros(960), 1'000'000);   // two quarters at 120
    EXPECT_EQ(map.TickToMicros(1920), 3'000'000);  // then two at 60
    EXPECT_EQ(map.TickToMicros(2400), 3'250'000);  // then at 240
    EXPECT_EQ(map.MicrosPerQuarterAt(5000), 250000u); // the repeated tempo adds nothing
    EXPECT_EQ(TempoMap(480, {{960, 1000000}, {960, 250000}}).MicrosPerQuarterAt(960), 250000u) << "the later one holds";
    for (std::int64_t us : {0LL, 1LL, 999'999LL, 1'000'000LL, 2'345'678LL, 3'000'000LL, 9'999'999LL}) {
        const std::int64_t t = map.MicrosToTick(us);
        EXPECT_LE(map.TickToMicros(t), us);
        EXPECT_GT(map.TickToMicros(t + 1), us) << us;
    }
    // Fine division and long songs do not overflow.
    const TempoMap fine(24576, {{0, 60'000'000}});
    EXPECT_EQ(fine.TickToMicros(24576LL * 1'000'000), 60'000'000LL * 1'000'000);
    EXPECT_EQ(fine.MicrosToTick(60'000'000LL * 1'000'000), 24576LL * 1'000'000);
    EXPECT_EQ(TempoMap(0).TicksPerQuarter(), 480);
}

TEST(EventEncoding, KindsBecomeTheirWireMessages) {
    auto encode = [](std::uint32_t kind, std::vector<std::uint8_t> d, int channel = 2,
                     std::vector<std::uint8_t> data = {}) {
        midiout::EventFields f;
        f.kind = kind;
        f.channel = channel;
        for (std::size_t i = 0; i < d.size(); ++i) f.d[i] = d[i];
        f.data = data.empty() ? nullptr : data.data();
        f.dataSize = data.size();
        std::vector<MidiMessage> out;
        midiout::AppendMessages(f, out);
        std::vector<std::vector<int>> bytes;
        for (const auto& m : out) {
            if (m.IsLong()) bytes.push_back(std::vector<int>(m.bytes->begin(), m.bytes->end()));
            else if (m.size == 2) bytes.push_back({m.status, m.data1});
            else bytes.push_back({m.status, m.data1, m.data2});
        }
        return bytes;
    };
    using V = std::vector<std::vector<int>>;
    EXPECT_EQ(encode(0x40, {60, 100}), (V{{0x92, 60, 100}}));
    EXPECT_EQ(encode(0x40, {60, 0}), V{}) << "a silent note is not a note-off";
    EXPECT_EQ(encode(0x20, {60, 1}), (V{{0x82, 60, 1}}));
    EXPECT_EQ(encode(0x800, {0, 64}, 15), (V{{0xEF, 0, 64}}));
    EXPECT_EQ(encode(0x200, {200}), (V{{0xC2, 72}})) << "data bytes keep 7 bits";
    EXPECT_EQ(encode(0x8, {5, 1, 2}), (V{{0xB2, 0, 1}, {0xB2, 32, 2}, {0xC2, 5}}));
    EXPECT_EQ(encode(0x4, {0, 0, 12, 0}), (V{{0xB2, 101, 0}, {0xB2, 100, 0}, {0xB2, 6, 12}, {0xB2, 38, 0}}));
    EXPECT_EQ(encode(0x10, {0x93, 61, 70}), (V{{0x93, 61, 70}}));
    EXPECT_EQ(encode(0x10, {0x40, 1, 2}), V{}) << "a raw message without a status byte is dropped";
    EXPECT_EQ(encode(0x10000, {}, 0, {0x7E, 0x7F, 9, 1}), (V{{0xF0, 0x7E, 0x7F, 9, 1, 0xF7}}));
    EXPECT_EQ(encode(0x10000, {}, 0, {0xF0, 0x43, 0xF7}), (V{{0xF0, 0x43, 0xF7}}));
    EXPECT_EQ(encode(0x10000, {}, 0, {}), V{});
    EXPECT_EQ(encode(0x100000, {}, 0, {0x51, 7, 0xA1, 0x20}), V{}) << "meta events are not sent";
}

namespace {
std::vector<std::pair<std::int64_t, MidiMessage>> PlayAll(const Song& s, std::int64_t from = 0) {
    std::vector<std::pair<std::int64_t, MidiMessage>> out;
    Sequencer seq(playback::BuildSchedule(s));
    auto emit = [&](std::int64_t t, const MidiMessage& m) { out.emplace_back(t, m); };
    seq.Locate(from, emit);
    while (seq.NextTick() != Sequencer::kNever) seq.EmitNext(emit);
    return out;
}
} // namespace

TEST(Sequencer, OrdersOffsBeforeOnsAndKeepsOverlappingNotesOfOneKeyUntilTheLastEnds) {
    Song s;
    // A repeated note, an overlap of one key, a zero-length note and a controller at a note's tick.
    s.tracks.push_back(Track(0, {Note(0, 480, 60), Note(480, 480, 60), Note(100, 500, 64), Note(200, 200, 64),
                                 Note(300, 0, 70), Note(300, 10, 71), Event(480, 0x100, 7, 50)}));
    const auto all = PlayAll(s);
    std::vector<std::tuple<std::int64_t, int, int>> seen; // tick, type, note
    for (const auto& [t, m] : all) seen.emplace_back(t, m.IsNoteOn() ? 1 : m.IsNoteOff() ? 0 : 2, m.data1);
    const std::vector<std::tuple<std::int64_t, int, int>> expected = {
        {0, 1, 60},   {100, 1, 64}, {200, 1, 64}, {300, 1, 70}, {300, 0, 70}, {300, 1, 71},
        {310, 0, 71}, {480, 0, 60}, {480, 2, 7},  {480, 1, 60}, {600, 0, 64}, {960, 0, 60}};
    EXPECT_EQ(seen, expected);
}

TEST(Sequencer, LocateSendsOnlyTheStateThatDiffersAndSilenceCoversUsedChannels) {
    Song s;
    s.tracks.push_back(Track(1, {Event(0, 0x100, 7, 90), Event(0, 0x200, 0), Note(0, 2000, 50), Event(50, 0x100, 7, 60),
                                 Event(50, 0x100, 0, 3), Event(1000, 0x100, 7, 90)}));
    Sequencer seq(playback::BuildSchedule(s));
    std::vector<MidiMessage> sent;
    auto emit = [&](std::int64_t, const MidiMessage& m) { sent.push_back(m); };
    seq.Locate(0, emit);
    EXPECT_TRUE(sent.empty());
    while (seq.NextTick() < 100) seq.EmitNext(emit);
    sent.clear();
    seq.Locate(20, emit); // back before the changes: the note ends, volume returns to 90, no bank is chosen
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].IsNoteOff());
    EXPECT_EQ((std::tuple{sent[1].data1, sent[1].data2}), (std::tuple{7, 90}));
    sent.clear();
    seq.Locate(30, emit); // same state: nothing to send
    EXPECT_TRUE(sent.empty());
    seq.Silence(emit);
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ((std::tuple{sent[0].status, sent[1].data1, seq.ChannelsUsed()}),
              (std::tuple{0xB1, 123, 1u << 1}));

    // Parameter numbers, data entry and channel-mode messages depend on their order and are not
    // chased; the controllers next to them are.
    std::vector<playback::SongEvent> controls;
    for (int cc : {6, 38, 95, 96, 101, 102, 119, 120, 121}) controls.push_back(Event(0, 0x100, cc, 1));
    s.tracks.push_back(Track(2, controls));
    Sequencer fresh(playback::BuildSchedule(s));
    sent.clear();
    fresh.Locate(20, emit);
    std::vector<std::pair<int, int>> got;
    for (const MidiMessage& m : sent) got.emplace_back(m.status, m.data1);
    EXPECT_EQ(got, (std::vector<std::pair<int, int>>{{0xC1, 0}, {0xB1, 7}, {0xB2, 95}, {0xB2, 102}, {0xB2, 119}}));
}

TEST(Schedule, TrackChannelOverridesEventChannelsAndEndCountsNoteEnds) {
    Song s;
    auto e = Note(10, 90, 60);
    e.channel = 4;
    s.tracks.push_back(Track(-1, {e}));
    s.tracks.push_back(Track(0, {e}));
    s.tracks.push_back(Track(-1, {Event(-5, 0x100, 1, 1)})); // before the start: dropped
    auto schedule = playback::BuildSchedule(s);
    ASSERT_EQ(schedule->events.size(), 2u);
    EXPECT_EQ(schedule->events[0].message.Channel(), 4);
    EXPECT_EQ((std::tuple{schedule->events[1].message.Channel(), schedule->endTick, s.EndTick()}),
              (std::tuple{0, 100, 100}));
}
