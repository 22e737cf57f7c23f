// The embedded demo song: a valid file with the parts the editor shows off.
#include <gtest/gtest.h>

#include <set>

#include "compose.h"
#include "demo_song.h"
#include "playback/model_song.h"
#include "smf/smf.h"

TEST(DemoSong, EmbeddedBytesAreTheComposition) {
    const auto fresh = demosong::WriteSmf(demosong::ComposeDemoSong(), demosong::kTicksPerQuarter);
    ASSERT_EQ(DemoSongSize(), fresh.size());
    EXPECT_TRUE(std::equal(fresh.begin(), fresh.end(), DemoSongData()));
}

TEST(DemoSong, HasMelodyChordsBassOnTwoDrumsOnTenASweepAndBends) {
    host::Store store;
    const auto read = host::smf::Read(DemoSongData(), DemoSongSize(), store);
    ASSERT_TRUE(read.ok) << read.error;
    ASSERT_EQ(read.tracks, 5);
    const playback::Song song = playback::SongFromStore(store);
    EXPECT_EQ((std::tuple{song.tempo.TicksPerQuarter(), song.tempo.MicrosPerQuarterAt(0), song.EndTick()}),
              (std::tuple{480, demosong::kMicrosPerQuarter, 480 * 4 * demosong::kBars}));

    std::vector<std::string> names;
    for (const auto& t : song.tracks) names.push_back(t.name);
    EXPECT_EQ(names, (std::vector<std::string>{"Demo Song", "Melody", "Chords", "Bass", "Drums"}));

    auto notesOn = [&](const playback::SongTrack& t, int channel) {
        int n = 0;
        for (const auto& e : t.events)
            if (e.kind == 0x40) {
                EXPECT_EQ(e.channel, channel);
                EXPECT_GT(e.duration, 0);
                ++n;
            }
        return n;
    };
    EXPECT_GT(notesOn(song.tracks[1], 0), 30);
    EXPECT_GT(notesOn(song.tracks[2], 2), 40);
    EXPECT_GT(notesOn(song.tracks[3], 1), 30) << "bass on channel 2";
    EXPECT_GT(notesOn(song.tracks[4], 9), 80) << "drums on channel 10";

    std::set<int> drumKeys;
    for (const auto& e : song.tracks[4].events)
        if (e.kind == 0x40) drumKeys.insert(e.d[0]);
    EXPECT_TRUE(drumKeys.count(36) && drumKeys.count(38) && drumKeys.count(42));

    // The chords' expression rises steadily over many steps.
    std::vector<int> sweep;
    for (const auto& e : song.tracks[2].events)
        if (e.kind == 0x100 && e.d[0] == 11) sweep.push_back(e.d[1]);
    ASSERT_GE(sweep.size(), 64u);
    EXPECT_TRUE(std::is_sorted(sweep.begin(), sweep.end()));
    EXPECT_GE(sweep.back() - sweep.front(), 60);

    // The melody bends away from the centre and comes back to it.
    std::vector<int> bends;
    for (const auto& e : song.tracks[1].events)
        if (e.kind == 0x800) bends.push_back(e.d[1] * 128 + e.d[0]);
    ASSERT_GE(bends.size(), 10u);
    EXPECT_LT(*std::min_element(bends.begin(), bends.end()), 8192);
    EXPECT_GT(*std::max_element(bends.begin(), bends.end()), 8192);
    EXPECT_EQ(bends.back(), 8192);
}
