// Monitoring single events: note-offs after the note's length, everything else as it is.
#include <gtest/gtest.h>

#include "playback/monitor.h"
#include "song_builder.h"

using namespace soundtest;

TEST(Monitor, NoteEndsAfterItsLengthAtTheTempoInForce) {
    playback::TestClock clock(1'000'000);
    auto out = std::make_shared<midiout::RecorderOutput>([&] { return clock.NowMicros(); });
    playback::Monitor monitor(clock);
    const playback::TempoMap tempo(480, {{960, 250000}});

    auto e = Note(0, 480, 61, 90);
    e.channel = 3;
    monitor.Play(out, e, tempo, 0);        // a quarter at 120: 500 ms
    monitor.Play(out, Note(0, 480, 62), tempo, 960); // a quarter at 240: 250 ms
    monitor.Play(out, Event(0, 0x100, 64, 127), tempo);
    monitor.Play(out, Note(0, 0, 63), tempo); // no length: held until a note-off arrives
    EXPECT_EQ(monitor.PendingNotes(), 2u);
    clock.AdvanceTo(2'000'000);
    EXPECT_EQ(monitor.PendingNotes(), 0u);

    const auto all = out->Messages();
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all[0].message.status, 0x93);
    EXPECT_EQ(all[2].message.status, 0xB0);
    EXPECT_TRUE(all[3].message.IsNoteOn());
    EXPECT_EQ(all[4].message.data1, 62);
    EXPECT_TRUE(all[4].message.IsNoteOff());
    EXPECT_EQ(all[4].micros, 1'250'000);
    EXPECT_EQ(all[5].message.status, 0x83);
    EXPECT_EQ(all[5].micros, 1'500'000);
}

TEST(Monitor, StopAllAndDestructionEndHeldNotes) {
    playback::TestClock clock;
    auto out = std::make_shared<midiout::RecorderOutput>([&] { return clock.NowMicros(); });
    {
        playback::Monitor monitor(clock);
        monitor.Play(out, Note(0, 4800, 70), playback::TempoMap(480));
        monitor.Play(out, Note(0, 4800, 71), playback::TempoMap(480));
        monitor.StopAll();
        EXPECT_EQ(monitor.PendingNotes(), 0u);
        EXPECT_TRUE(AllNotesEnded(out->Messages()));
        monitor.Play(out, Note(0, 4800, 72), playback::TempoMap(480));
        monitor.Play(nullptr, Note(0, 4800, 73), playback::TempoMap(480)); // no port: nothing
        clock.Settle();
    }
    EXPECT_TRUE(AllNotesEnded(out->Messages()));
    EXPECT_EQ(NoteOns(out->Messages()).size(), 3u);
}
