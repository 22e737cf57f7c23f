// Track generations: which tracks a batch of the host's reports gives a new one, and how many new
// ones it takes (one per touched track and batch, however many of its events changed).
#include <gtest/gtest.h>

#include <vector>

#include "track_fixture.h"

namespace {

class Generations : public harness::TrackFixture {
protected:
    void SetUp() override {
        TrackFixture::SetUp();
        for (int t = 0; t < 3; ++t) {
            tracks[t] = AddTrack(u"T", t);
            blocks[t] = AddBlock(tracks[t], 0, 3840);
            for (int i = 0; i < 20; ++i) notes[t].push_back(AddNote(blocks[t], i * 120, 60, 60 + t));
        }
        Connect();
        Deliver();
    }
    std::uint64_t Of(int t) const { return plugin->Tracks()[static_cast<std::size_t>(plugin->TrackIndexOf(tracks[t]))].generation; }
    // Changes `count` notes of track t in one batch.
    void Transpose(int t, int count) {
        project->WithStore([&](host::Store& store) {
            for (int i = 0; i < count; ++i) {
                host::EventValue value = store.Event(notes[t][static_cast<std::size_t>(i)]);
                value.data[0] = static_cast<std::uint8_t>(value.data[0] + 1);
                store.SetEvent(notes[t][static_cast<std::size_t>(i)], value);
            }
        });
    }

    std::uint32_t tracks[3]{}, blocks[3]{};
    std::vector<std::uint32_t> notes[3];
};

TEST_F(Generations, ABatchGivesEachTrackItTouchesOneNewGeneration) {
    const std::uint64_t first = Of(0), second = Of(1), third = Of(2);
    const std::uint64_t before = mp::NewTrackGeneration();
    Transpose(1, 20);
    Transpose(2, 5);
    Deliver();
    const std::uint64_t after = mp::NewTrackGeneration();
    EXPECT_EQ(Of(0), first) << "an untouched track keeps its generation";
    EXPECT_NE(Of(1), second);
    EXPECT_NE(Of(2), third);
    EXPECT_NE(Of(1), Of(2));
    EXPECT_EQ(after - before, 3u) << "one new generation per touched track, not per event";

    // The next batch touches the same track again.
    const std::uint64_t last = Of(1), other = Of(2);
    Transpose(1, 1);
    Deliver();
    EXPECT_NE(Of(1), last);
    EXPECT_EQ(Of(2), other);
}

TEST_F(Generations, ABlockRemovedTouchesItsTrack) {
    const std::uint64_t first = Of(0), second = Of(1);
    project->WithStore([&](host::Store& store) { store.DeleteBlock(blocks[1]); });
    Deliver();
    EXPECT_EQ(Of(0), first);
    EXPECT_NE(Of(1), second);
}

TEST_F(Generations, ATracksOwnSettingsTouchItAloneAndTheSongsPitchOffsetTouchesAll) {
    const std::uint64_t first = Of(0), second = Of(1), third = Of(2);
    ChangeTrack(tracks[1], [](host::TrackValue& value) { value.channel = 9; }); // now drums
    Deliver();
    EXPECT_EQ(Of(0), first);
    EXPECT_NE(Of(1), second);
    EXPECT_EQ(Of(2), third);

    const std::uint64_t before[3] = {Of(0), Of(1), Of(2)};
    project->WithStore([&](host::Store& store) { store.SetPitchOffset(12); });
    Deliver();
    for (int t = 0; t < 3; ++t) EXPECT_NE(Of(t), before[t]) << "every track's notes sound elsewhere";
}

} // namespace
