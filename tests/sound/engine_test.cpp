// The transport clock thread against a recorder output on the test clock, and the monitor of single
// events: note-offs after the note's length, everything else as it is.
#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <set>
#include <thread>

#include "playback/engine.h"
#include "playback/monitor.h"
#include "song_builder.h"

using namespace soundtest;
using midiout::RecordedMessage;
using playback::PlaybackEngine;
using playback::Song;
using playback::TempoMap;

namespace {

constexpr std::uint32_t kControl = 0x100, kProgram = 0x200, kBend = 0x800;

struct Rig {
    playback::TestClock clock;
    std::shared_ptr<midiout::RecorderOutput> out =
        std::make_shared<midiout::RecorderOutput>([this] { return clock.NowMicros(); });
    PlaybackEngine engine{clock};

    Rig() { engine.SetOutput(out); }
    void Play(Song song, std::int64_t from = 0) {
        engine.SetSong(std::make_shared<const Song>(std::move(song)));
        engine.Start(from);
        clock.Settle();
    }
};

// One bar of quarter notes C D E F at 120 beats per minute (a quarter is 500 ms).
Song Scale(int channel = 0) {
    Song s;
    s.tempo = TempoMap(480);
    s.tracks.push_back(Track(channel, {Note(0, 240, 60), Note(480, 240, 62), Note(960, 240, 64), Note(1440, 240, 65)}));
    return s;
}

} // namespace

TEST(PlaybackEngine, EventsArriveInOrderAtTheirTimesThroughTheTempoMap) {
    Rig rig;
    Song s;
    s.tempo = TempoMap(480, {{960, 250000}}); // twice as fast from beat 3
    s.tracks.push_back(Track(-1, {Note(0, 480, 60), Event(720, kControl, 7, 90), Note(480, 480, 62),
                                  Note(960, 480, 64), Note(1440, 480, 65)}));
    rig.Play(s);
    rig.clock.AdvanceTo(3'000'000);

    const auto all = rig.out->Messages();
    std::int64_t last = -1;
    for (const auto& r : all) {
        EXPECT_GE(r.micros, last);
        last = r.micros;
    }
    // Beats 1 and 2 at 120 BPM, 3 and 4 at 240.
    EXPECT_EQ(Ons(*rig.out), (OnList{{0, 0, 60}, {500'000, 0, 62}, {1'000'000, 0, 64}, {1'250'000, 0, 65}}));
    // Each note ends one quarter later at the tempo in force, before the next one starts.
    for (const auto& r : all) {
        if (r.message.IsNoteOff() && r.message.data1 == 64) {
            EXPECT_EQ(r.micros, 1'250'000);
        }
    }
    auto cc = std::find_if(all.begin(), all.end(), [](const RecordedMessage& r) { return r.message.Type() == 0xB0; });
    ASSERT_NE(cc, all.end());
    EXPECT_EQ(cc->micros, 750'000);
    EXPECT_TRUE(AllNotesEnded(all));
}

TEST(PlaybackEngine, LoopJumpsBackWithoutLosingDoublingOrDrifting) {
    Rig rig;
    rig.engine.SetLoop(true, 0, 1920);
    Song s = Scale();
    s.tracks[0].events.push_back(Note(1920, 240, 72)); // at the loop's end: never reached
    rig.Play(s);
    rig.clock.AdvanceTo(2'000'000);
    EXPECT_EQ(rig.engine.Position(), 0) << "the end of the loop is its start";
    constexpr int kPasses = 25;
    rig.clock.AdvanceTo(kPasses * 2'000'000 - 1);

    const auto ons = NoteOns(rig.out->Messages());
    ASSERT_EQ(ons.size(), 4u * kPasses);
    for (int pass = 0; pass < kPasses; ++pass)
        for (int i = 0; i < 4; ++i) {
            const auto& r = ons[pass * 4 + i];
            static const int kNotes[] = {60, 62, 64, 65};
            EXPECT_EQ(r.message.data1, kNotes[i]);
            // Exactly on the grid after many passes: no accumulated drift.
            EXPECT_EQ(r.micros, pass * 2'000'000LL + i * 500'000LL);
        }
    EXPECT_EQ(rig.engine.Position(), 1919);
}

// The position read between the loop's end and the clock thread's jump is already back at the start.
TEST(PlaybackEngine, PositionWrapsAtTheLoopEndBeforeTheJumpIsMade) {
    struct AheadClock : playback::TestClock {
        std::atomic<std::int64_t> ahead{0}; // what readers see beyond the time the thread sleeps on
        std::int64_t NowMicros() override { return TestClock::NowMicros() + ahead.load(); }
    } clock;
    PlaybackEngine engine{clock};
    engine.SetOutput(std::make_shared<midiout::RecorderOutput>([&clock] { return clock.NowMicros(); }));
    engine.SetLoop(true, 0, 1920);
    engine.SetSong(std::make_shared<const Song>(Scale()));
    engine.Start(0);
    clock.AdvanceTo(1'500'000);
    clock.ahead = 500'000;
    EXPECT_EQ(engine.Position(), 0);
    clock.ahead = 0;
    engine.Stop();
}

TEST(PlaybackEngine, NoteCrossingTheLoopEndIsStoppedAtTheJump) {
    Rig rig;
    Song s;
    s.tracks.push_back(Track(0, {Note(0, 240, 60), Note(1440, 960, 72)}));
    rig.engine.SetLoop(true, 0, 1920);
    rig.Play(s);
    rig.clock.AdvanceTo(4'500'000);

    const auto all = rig.out->Messages();
    std::vector<std::int64_t> offs72, ons72;
    for (const auto& r : all) {
        if (r.message.data1 != 72 || r.message.Type() == 0xB0) continue;
        (r.message.IsNoteOn() ? ons72 : offs72).push_back(r.micros);
    }
    ASSERT_EQ(ons72.size(), 2u);
    ASSERT_GE(offs72.size(), 1u);
    EXPECT_EQ(ons72[0], 1'500'000);
    EXPECT_EQ(offs72[0], 2'000'000); // at the jump, not half a second later
    EXPECT_EQ(ons72[1], 3'500'000);
    EXPECT_EQ(NoteOns(all).size(), 5u); // 60 at 0, 2 and 4 s; 72 at 1.5 and 3.5 s
}

TEST(PlaybackEngine, StopEndsSoundingNotesAndSilencesEveryChannelUsed) {
    Rig rig;
    Song s;
    s.tracks.push_back(Track(0, {Note(0, 4000, 60)}));
    s.tracks.push_back(Track(9, {Note(0, 4000, 36), Note(480, 100, 38)}));
    s.tracks.push_back(Track(5, {Note(100000, 100, 50)})); // never reached
    rig.Play(s);
    rig.clock.AdvanceTo(700'000);
    rig.engine.Stop();
    EXPECT_FALSE(rig.engine.IsPlaying());

    const auto all = rig.out->Messages();
    EXPECT_TRUE(AllNotesEnded(all));
    std::map<int, bool> allOff;
    for (const auto& r : all)
        if (r.message.Type() == 0xB0 && r.message.data1 == 123) allOff[r.message.Channel()] = true;
    EXPECT_TRUE(allOff[0]);
    EXPECT_TRUE(allOff[9]);
    EXPECT_FALSE(allOff.count(5)) << "a channel that never played is left alone";

    // Nothing more after the stop, and the position stays where it stopped.
    const std::size_t count = rig.out->Count();
    rig.clock.AdvanceTo(5'000'000);
    EXPECT_EQ(rig.out->Count(), count);
    EXPECT_EQ(rig.engine.Position(), TempoMap(480).MicrosToTick(700'000));
}

TEST(PlaybackEngine, SoloAndMuteChooseTheTracksThatSound) {
    auto channelsHeard = [](Song s) {
        Rig rig;
        rig.Play(std::move(s));
        rig.clock.AdvanceTo(3'000'000);
        std::set<int> channels;
        for (const auto& r : NoteOns(rig.out->Messages())) channels.insert(r.message.Channel());
        return channels;
    };
    Song s;
    for (int ch : {0, 1, 2}) s.tracks.push_back(Track(ch, {Note(0, 100, 60), Note(480, 100, 62)}));
    EXPECT_EQ(channelsHeard(s), (std::set<int>{0, 1, 2}));

    s.tracks[2].mute = true;
    EXPECT_EQ(channelsHeard(s), (std::set<int>{0, 1}));

    s.tracks[1].solo = true;
    EXPECT_EQ(channelsHeard(s), (std::set<int>{1}));

    s.tracks[2].solo = true; // soloed but muted
    EXPECT_EQ(channelsHeard(s), (std::set<int>{1}));
}

TEST(PlaybackEngine, TimeCallbackReportsThePositionAboutEvery20Milliseconds) {
    Rig rig;
    std::mutex m;
    std::vector<std::pair<std::int64_t, std::int64_t>> calls; // clock, tick
    rig.engine.SetTimeCallback([&](std::int64_t tick) {
        std::lock_guard lock(m);
        calls.emplace_back(rig.clock.NowMicros(), tick);
    });
    rig.Play(Scale(), 480);
    rig.clock.AdvanceTo(1'000'000);
    rig.engine.Stop();

    std::lock_guard lock(m);
    ASSERT_GE(calls.size(), 50u);
    ASSERT_LE(calls.size(), 51u);
    const TempoMap tempo(480);
    for (std::size_t i = 1; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].first - calls[i - 1].first, 20'000);
        EXPECT_EQ(calls[i].second, 480 + tempo.MicrosToTick(calls[i].first));
    }
    const std::size_t n = calls.size();
    rig.clock.AdvanceTo(2'000'000);
    EXPECT_EQ(calls.size(), n) << "no calls once stopped";
}

TEST(PlaybackEngine, SeekWhilePlayingJumpsAndEndsTheNotesThatWereSounding) {
    Rig rig;
    Song s;
    s.tracks.push_back(Track(0, {Note(0, 960, 60), Note(1920, 240, 67), Note(2400, 240, 69)}));
    rig.Play(s);
    rig.clock.AdvanceTo(250'000);
    rig.engine.Seek(1920);
    rig.clock.AdvanceTo(1'000'000);

    const auto all = rig.out->Messages();
    EXPECT_EQ(Ons(*rig.out), (OnList{{0, 0, 60}, {250'000, 0, 67}, {750'000, 0, 69}}));
    auto off60 = std::find_if(all.begin(), all.end(), [](const RecordedMessage& r) {
        return r.message.IsNoteOff() && r.message.data1 == 60;
    });
    ASSERT_NE(off60, all.end());
    EXPECT_EQ((std::tuple{off60->micros, rig.engine.Position()}), (std::tuple{250'000, 1920 + 720}));

    rig.engine.Start(0); // Start while playing is a jump too
    rig.clock.Settle();
    EXPECT_EQ(rig.engine.Position(), 0);
    EXPECT_TRUE(rig.engine.IsPlaying());
}

TEST(PlaybackEngine, StartingInTheMiddleBringsProgramsControllersAndBendUpToDate) {
    Rig rig;
    Song s;
    s.tracks.push_back(Track(3, {Event(0, kProgram, 33), Event(0, kControl, 7, 100), Event(100, kControl, 7, 80),
                                 Event(200, kBend, 0, 80), Event(300, kControl, 6, 12), Note(960, 100, 40)}));
    rig.Play(s, 960);
    rig.clock.AdvanceTo(10'000);
    const auto all = rig.out->Messages();
    ASSERT_GE(all.size(), 4u);
    std::vector<std::tuple<int, int, int>> before;
    for (const auto& r : all) {
        if (r.message.IsNoteOn()) break;
        before.emplace_back(r.message.status, r.message.data1, r.message.data2);
    }
    EXPECT_EQ(before, (std::vector<std::tuple<int, int, int>>{{0xC3, 33, 0}, {0xB3, 7, 80}, {0xE3, 0, 80}}))
        << "data entry is not replayed out of its sequence";
}

TEST(PlaybackEngine, NewSongWhilePlayingContinuesFromThePosition) {
    Rig rig;
    rig.Play(Scale());
    rig.clock.AdvanceTo(600'000); // after the second note has started
    Song edited = Scale();
    edited.tracks[0].events[2].d[0] = 76; // the third note moves up
    edited.tracks[0].events.push_back(Note(240, 100, 90)); // already in the past: not played
    rig.engine.SetSong(std::make_shared<const Song>(edited));
    rig.clock.AdvanceTo(1'000'000);
    // Arriving just as a note has started, a song does not play that note again.
    rig.engine.SetSong(std::make_shared<const Song>(edited));
    rig.clock.Settle();
    rig.clock.AdvanceTo(1'900'000);

    EXPECT_EQ(Ons(*rig.out), (OnList{{0, 0, 60}, {500'000, 0, 62}, {1'000'000, 0, 76}, {1'500'000, 0, 65}}));
    EXPECT_TRUE(AllNotesEnded(rig.out->Messages()));
}

TEST(PlaybackEngine, ALoopThatCannotPlayIsIgnoredUntilItCan) {
    Rig empty;
    empty.engine.SetLoop(true, 100, 100); // too short to play
    empty.Play(Scale());
    empty.clock.AdvanceTo(2'000'000);
    EXPECT_EQ(NoteOns(empty.out->Messages()).size(), 4u);
    Rig off;
    off.engine.SetLoop(false, 0, 960); // a region with looping switched off
    off.Play(Scale());
    off.clock.AdvanceTo(2'000'000);
    EXPECT_EQ(NoteOns(off.out->Messages()).size(), 4u);

    Rig rig;
    rig.Play(Scale());
    rig.clock.AdvanceTo(1'200'000); // tick 1152, past the loop below
    rig.engine.SetLoop(true, 0, 960);
    rig.clock.AdvanceTo(1'900'000);
    EXPECT_EQ(NoteOns(rig.out->Messages()).size(), 4u) << "switched on past its end: plays on";

    rig.engine.Seek(0); // back before the end: now it loops
    rig.clock.AdvanceTo(1'900'000 + 2'500'000);
    EXPECT_EQ(NoteOns(rig.out->Messages()).size(), 4u + 6u);
}

TEST(PlaybackEngine, StopFromTheTimeCallbackEndsPlaybackAndAllowsARestart) {
    Rig rig;
    std::atomic<int> calls{0};
    rig.engine.SetTimeCallback([&](std::int64_t tick) {
        if (++calls == 3) rig.engine.Stop();
        (void)tick;
    });
    rig.Play(Scale());
    rig.clock.AdvanceTo(500'000);
    EXPECT_EQ((std::tuple{bool(rig.engine.IsPlaying()), calls.load(), bool(AllNotesEnded(rig.out->Messages()))}),
              (std::tuple{false, 3, true}));

    rig.engine.SetTimeCallback({});
    rig.engine.Start(rig.engine.Position());
    rig.clock.Settle();
    EXPECT_TRUE(rig.engine.IsPlaying());
}

TEST(PlaybackEngine, ChangingTheOutputStopsNotesOnTheOldOne) {
    Rig rig;
    Song s;
    s.tracks.push_back(Track(0, {Note(0, 2000, 60), Note(960, 100, 64)}));
    rig.Play(s);
    rig.clock.AdvanceTo(100'000);
    auto second = std::make_shared<midiout::RecorderOutput>([&] { return rig.clock.NowMicros(); });
    rig.engine.SetOutput(second);
    rig.clock.AdvanceTo(1'500'000);
    EXPECT_TRUE(AllNotesEnded(rig.out->Messages()));
    EXPECT_EQ(Ons(*second), (OnList{{1'000'000, 0, 64}}));
}

TEST(PlaybackEngine, RunsOnTheRealClock) {
    playback::SystemClock clock;
    auto out = std::make_shared<midiout::RecorderOutput>([&] { return clock.NowMicros(); });
    PlaybackEngine engine(clock);
    engine.SetOutput(out);
    Song s;
    s.tempo = TempoMap(480, {{0, 100000}}); // a quarter is 100 ms
    s.tracks.push_back(Track(0, {Note(0, 120, 60), Note(240, 120, 62), Note(480, 120, 64)}));
    engine.SetSong(std::make_shared<const Song>(s));
    const std::int64_t start = clock.NowMicros();
    engine.Start(0);
    while (NoteOns(out->Messages()).size() < 3 && clock.NowMicros() - start < 5'000'000)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    engine.Stop();
    const auto ons = NoteOns(out->Messages());
    ASSERT_EQ(ons.size(), 3u);
    // In song order; a late wake-up may send two of them within the same microsecond.
    for (std::size_t i = 0; i < ons.size(); ++i) EXPECT_EQ(ons[i].message.data1, 60 + 2 * static_cast<int>(i));
    EXPECT_LE(ons[0].micros, ons[1].micros);
    EXPECT_LE(ons[1].micros, ons[2].micros);
    // The third note is 100 ms of music after the start. A loaded machine may send the first note
    // late, which shortens the gap between them, so measure from the start; 2 ms allows a timer
    // that fires a little ahead.
    EXPECT_GE(ons[2].micros - start, 98'000);
    EXPECT_TRUE(AllNotesEnded(out->Messages()));
}

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
    EXPECT_EQ((std::tuple{all[0].message.status, all[2].message.status, bool(all[3].message.IsNoteOn()),
                          all[4].message.data1, bool(all[4].message.IsNoteOff()), all[4].micros, all[5].message.status,
                          all[5].micros}),
              (std::tuple{0x93, 0xB0, true, 62, true, 1'250'000, 0x83, 1'500'000}));
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
