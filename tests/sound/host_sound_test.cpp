// Sound of a host project: the contract's transport properties drive the playback engine, solo and
// edits reach it, the time sinks follow playback, and IMPMidiOut plays single events on a port.
#include <gtest/gtest.h>

#include <cstring>

#include "../host/host_test_util.h"
#include "midiout/recorder_output.h"
#include "model/midi_out.h"
#include "playback/host_sound.h"
#include "playback/model_song.h"
#include "smf/smf.h"
#include "song_builder.h"

namespace {

using host::test::SmfBuilder;
using midiout::RecordedMessage;

// Two tracks at 120 BPM, 480 ticks a quarter (a quarter is 500 ms):
// track 1 on channel 1: C4 at 0, D4 at 480, E4 at 960, F4 at 1440, each an eighth long;
// track 2 on channel 2: G3 at 240 and 1200.
std::vector<std::uint8_t> TwoTracks() {
    return SmfBuilder(1, 480)
        .Track({0x00, 0x90, 60, 100, 0x81, 0x70, 0x80, 60, 0, 0x81, 0x70, 0x90, 62, 100, 0x81, 0x70, 0x80, 62, 0,
                0x81, 0x70, 0x90, 64, 100, 0x81, 0x70, 0x80, 64, 0, 0x81, 0x70, 0x90, 65, 100, 0x81, 0x70, 0x80,
                65, 0, 0x00, 0xFF, 0x2F, 0x00})
        .Track({0x81, 0x70, 0x91, 55, 90, 0x81, 0x70, 0x81, 55, 0, 0x85, 0x50, 0x91, 55, 90, 0x81, 0x70, 0x81, 55,
                0, 0x00, 0xFF, 0x2F, 0x00})
        .Bytes();
}

struct Rig {
    playback::TestClock clock;
    std::shared_ptr<midiout::RecorderOutput> out =
        std::make_shared<midiout::RecorderOutput>([this] { return clock.NowMicros(); }, "Recorder A");
    std::shared_ptr<midiout::RecorderOutput> other =
        std::make_shared<midiout::RecorderOutput>([this] { return clock.NowMicros(); }, "Recorder B");
    std::uint32_t outId = 0, otherId = 0;
    host::HostProject* project = host::HostProject::Create();
    host::test::RecordingSink sink;
    std::unique_ptr<host::test::Advised> advised;
    std::unique_ptr<playback::HostSound> sound;

    explicit Rig(const std::vector<std::uint8_t>& file = TwoTracks()) {
        const auto bytes = file;
        EXPECT_TRUE(project->WithStore([&](host::Store& s) { return host::smf::Read(bytes.data(), bytes.size(), s).ok; }));
        auto ports = std::make_unique<midiout::PortList>();
        outId = ports->AddOutput(out, midiout::MakePortGuid(1, "Recorder A"));
        otherId = ports->AddOutput(other, midiout::MakePortGuid(1, "Recorder B"));
        sound = std::make_unique<playback::HostSound>(project, std::move(ports), clock);
        advised = std::make_unique<host::test::Advised>(project, &sink);
    }
    ~Rig() {
        sound.reset();
        advised.reset();
        project->Release();
    }
    win::HRESULT SetFlags(std::uint32_t flags) {
        const win::HRESULT hr = project->SetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 4, &flags);
        clock.Settle();
        return hr;
    }
    void SetPosition(std::int64_t tick) {
        mp::MPTransportPosition p{tick, mp::TIME_FORMAT_TICKS, 0};
        EXPECT_EQ(project->SetProperty(mp::PID_TRANSPORT_POSITION, 0, 0, sizeof p, &p), win::S_OK);
        clock.Settle();
    }
    std::int64_t Position() {
        mp::MPTransportPosition p{};
        EXPECT_EQ(project->GetProperty(mp::PID_TRANSPORT_POSITION, 0, 0, 0, sizeof p, &p), win::S_OK);
        return p.time;
    }
    void SetSolo(std::size_t trackIndex, bool solo) {
        mp::EventKey key{0, 0, 0};
        ASSERT_EQ(project->FindFirst(&key, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
        for (std::size_t i = 0; i < trackIndex; ++i)
            ASSERT_EQ(project->FindNext(&key, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
        mp::TrackRecord r{};
        r.attributes = solo ? mp::TRACK_SOLO : 0;
        ASSERT_EQ(project->Set(&key, mp::LEVEL_TRACK, &r, mp::CHANGE_TRACK_ATTRIBUTES), win::S_OK);
        clock.Settle();
    }
};

using soundtest::OnList;
using soundtest::Ons;

TEST(HostSound, TheSongReadFromTheStoreCarriesOffsetsClampedToTheMidiRange) {
    host::test::LoadedSong store(96, u"Up", 3);
    store.Bytes(0, mp::MEK_META, {0x51, 0x03, 0xD0, 0x90}); // 250000 us a quarter
    store.Note(0, 3, 60, 100, 48, 7);
    store.Note(0, 3, 126, 10, 48); // pitch and velocity pushed past the ends
    store.Event(10, mp::MEK_NOTE_OFF, 3, 60, 40);
    store.Event(10, mp::MEK_POLY_PRESSURE, 3, 62, 30);
    store.Event(10, mp::MEK_CONTROL, 3, 7, 100); // not a pitch
    store.store.SetLoadedBlockEnd(store.block, 100);
    store.Block(200, 300); // a later block: its times become song times
    store.Bytes(5, mp::MEK_SYSEX, {0xF0, 0x01, 0xF7});
    host::TrackValue up = *store.store.Track(store.track);
    up.pitchOffset = 2;
    up.velocityOffset = -20;
    up.attributes = mp::TRACK_SOLO;
    store.store.SetLoadedTrack(store.track, up);
    store.Track(u"Down");
    store.Note(0, 5, 3, 100, 10);
    host::TrackValue down = *store.store.Track(store.track);
    down.pitchOffset = -5;
    down.velocityOffset = 40;
    down.attributes = playback::kTrackMuteAttribute;
    store.store.SetLoadedTrack(store.track, down);
    store.Finish(10);
    ASSERT_EQ(store.store.SetPitchOffset(1), win::S_OK);

    const playback::Song song = playback::SongFromStore(store.store);
    EXPECT_EQ(song.tempo.TickToMicros(96), 250000);
    ASSERT_EQ(song.tracks.size(), 2u);
    const playback::SongTrack& first = song.tracks[0];
    EXPECT_EQ((std::tuple{first.name, first.channel}), (std::tuple{"Up", 3}));
    EXPECT_TRUE(first.solo && !first.mute);
    using Row = std::tuple<std::int64_t, std::uint32_t, int, int, int, std::int64_t>;
    std::vector<Row> rows;
    for (const auto& e : first.events) rows.emplace_back(e.tick, e.kind, e.d[0], e.d[1], e.d[2], e.duration);
    EXPECT_EQ(rows, (std::vector<Row>{{0, mp::MEK_META, 0, 0, 0, 0},
                                      {0, mp::MEK_NOTE, 63, 80, 7, 48},
                                      {0, mp::MEK_NOTE, 127, 1, 0, 48},
                                      {10, mp::MEK_NOTE_OFF, 63, 40, 0, 0},
                                      {10, mp::MEK_POLY_PRESSURE, 65, 30, 0, 0},
                                      {10, mp::MEK_CONTROL, 7, 100, 0, 0},
                                      {205, mp::MEK_SYSEX, 0, 0, 0, 0}}));
    ASSERT_NE(first.events.back().data, nullptr);
    EXPECT_EQ(*first.events.back().data, (std::vector<std::uint8_t>{0xF0, 0x01, 0xF7}));
    const playback::SongTrack& second = song.tracks[1];
    EXPECT_TRUE(second.mute && !second.solo);
    ASSERT_EQ(second.events.size(), 1u);
    EXPECT_EQ((std::tuple{second.events[0].d[0], second.events[0].d[1]}), (std::tuple{0, 127}));
}

TEST(HostSound, PlayingBitPlaysTheSongOnTheCurrentPortAndClearingItSilences) {
    Rig rig;
    ASSERT_EQ(rig.SetFlags(mp::TRANSPORT_PLAYING), win::S_OK);
    rig.clock.AdvanceTo(1'100'000);
    EXPECT_EQ(Ons(*rig.out), (OnList{{0, 0, 60}, {250'000, 1, 55}, {500'000, 0, 62}, {1'000'000, 0, 64}}));
    EXPECT_EQ(rig.other->Count(), 0u) << "only the current port plays";

    // The position follows playback: the last report was at most 20 ms ago.
    const std::int64_t pos = rig.Position();
    EXPECT_LE(pos, 1056);
    EXPECT_GE(pos, 1056 - 20);
    {
        std::lock_guard lock(rig.sink.mutex);
        ASSERT_GE(rig.sink.times.size(), 50u) << "the time sink hears about every 20 ms";
        EXPECT_TRUE(std::is_sorted(rig.sink.times.begin(), rig.sink.times.end()));
        EXPECT_EQ(rig.sink.times.back(), pos);
    }

    // Stopping is the engine's (tested with it); here: the bit reaches it and the position stays.
    ASSERT_EQ(rig.SetFlags(0), win::S_OK);
    EXPECT_TRUE(soundtest::AllNotesEnded(rig.out->Messages()));
    rig.clock.AdvanceTo(3'000'000);
    EXPECT_EQ(rig.Position(), 1056) << "the position stays where playback stopped";

    // Playing again goes on from there.
    rig.out->Clear();
    ASSERT_EQ(rig.SetFlags(mp::TRANSPORT_PLAYING), win::S_OK);
    rig.clock.AdvanceTo(3'500'000);
    rig.SetFlags(0);
    EXPECT_EQ(Ons(*rig.out), (OnList{{3'000'000 + (1200 - 1056) * 1'000'000 / 960, 1, 55},
                                       {3'000'000 + (1440 - 1056) * 1'000'000 / 960, 0, 65}}));
}

TEST(HostSound, PositionWritesJumpAndLoopRegionLoops) {
    Rig rig;
    rig.SetFlags(mp::TRANSPORT_PLAYING);
    rig.clock.AdvanceTo(100'000);
    rig.SetPosition(960); // a client jumps to E4
    rig.clock.AdvanceTo(200'000);
    EXPECT_EQ(Ons(*rig.out), (OnList{{0, 0, 60}, {100'000, 0, 64}}));
    rig.SetFlags(0);

    // Loop the first beat (C4 and G3) three times.
    rig.out->Clear();
    rig.SetPosition(0);
    mp::MPLoopRegion loop{0, 480, mp::TIME_FORMAT_TICKS, 0};
    ASSERT_EQ(rig.project->SetProperty(mp::PID_LOOP_REGION, 0, 0, sizeof loop, &loop), win::S_OK);
    const std::int64_t t0 = rig.clock.NowMicros();
    rig.SetFlags(mp::TRANSPORT_PLAYING | mp::TRANSPORT_LOOPING);
    rig.clock.AdvanceTo(t0 + 1'400'000);
    rig.SetFlags(0);
    EXPECT_EQ(Ons(*rig.out), (OnList{{t0, 0, 60},
                                       {t0 + 250'000, 1, 55},
                                       {t0 + 500'000, 0, 60},
                                       {t0 + 750'000, 1, 55},
                                       {t0 + 1'000'000, 0, 60},
                                       {t0 + 1'250'000, 1, 55}}));
    EXPECT_TRUE(soundtest::AllNotesEnded(rig.out->Messages()));
}

TEST(HostSound, SoloAndEditsReachPlayback) {
    Rig rig;
    rig.SetSolo(1, true);
    rig.SetFlags(mp::TRANSPORT_PLAYING);
    rig.clock.AdvanceTo(700'000);
    EXPECT_EQ(Ons(*rig.out), (OnList{{250'000, 1, 55}})) << "only the soloed track sounds";

    // Unsoloed while playing: the other track joins from the position on.
    rig.SetSolo(1, false);
    rig.clock.AdvanceTo(1'100'000);
    rig.SetFlags(0);
    EXPECT_EQ(Ons(*rig.out), (OnList{{250'000, 1, 55}, {1'000'000, 0, 64}}));

    // An edit (a note moved by a client) is heard at the next start.
    rig.out->Clear();
    mp::EventKey track{0, 0, 0}, block{}, ev{};
    ASSERT_EQ(rig.project->FindFirst(&track, mp::LEVEL_TRACK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    block = track;
    ASSERT_EQ(rig.project->FindFirst(&block, mp::LEVEL_BLOCK, nullptr, nullptr, mp::FIND_ALL_ITEMS), win::S_OK);
    ev = block;
    mp::MidiEventRecord r{};
    ASSERT_EQ(rig.project->FindFirst(&ev, mp::LEVEL_EVENT, &r, nullptr, mp::MEK_NOTE), win::S_OK);
    r.data[0] = 72;
    ASSERT_EQ(rig.project->BeginTransaction(1, u"Change Note"), win::S_OK);
    ASSERT_EQ(rig.project->Set(&ev, mp::LEVEL_EVENT, &r, mp::CHANGE_DATA), win::S_OK);
    ASSERT_EQ(rig.project->EndTransaction(1), win::S_OK);
    rig.SetPosition(0);
    const std::int64_t t0 = rig.clock.NowMicros();
    rig.SetFlags(mp::TRANSPORT_PLAYING);
    rig.clock.AdvanceTo(t0 + 100'000);
    rig.SetFlags(0);
    EXPECT_EQ(Ons(*rig.out), (OnList{{t0, 0, 72}}));
}

TEST(HostSound, MidiOutPlaysOneEventNowOnTheNamedOrCurrentPort) {
    Rig rig;
    host::HostMidiOut* midiOut = host::HostMidiOut::Create(rig.sound->MidiOutSender());

    // An eighth: 250 ms at 120 BPM.
    const mp::MidiEventRecord note = host::test::EventRecord(mp::MEK_NOTE, 0, 67, 80, 240, 4);
    ASSERT_EQ(midiOut->SendEvent(&note, 1), win::S_OK);
    rig.clock.AdvanceTo(1'000'000);
    auto all = rig.out->Messages();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ((std::tuple{all[0].micros, all[0].message.status, all[0].message.data1, all[0].message.data2}),
              (std::tuple{0, 0x94, 67, 80}));
    EXPECT_TRUE(all[1].message.IsNoteOff());
    EXPECT_EQ(all[1].micros, 250'000);

    // A port named in the record; controllers go out as they are; sysex bytes come from task memory.
    mp::MidiEventRecord cc = host::test::EventRecord(mp::MEK_CONTROL, 0, 7, 99, 0, 2);
    cc.port = rig.otherId;
    ASSERT_EQ(midiOut->SendEvent(&cc, 1), win::S_OK);
    const std::uint8_t gmOn[] = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    mp::MidiEventRecord sysex{};
    sysex.kind = mp::MEK_SYSEX;
    sysex.length = sizeof gmOn;
    sysex.dataHandle = host::test::NewHandle(gmOn, sizeof gmOn);
    sysex.port = rig.otherId;
    ASSERT_EQ(midiOut->SendEvent(&sysex, 1), win::S_OK);
    win::CoTaskMemFreeHandle(sysex.dataHandle);
    all = rig.other->Messages();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ((std::tuple{all[0].message.status, all[0].message.data2}), (std::tuple{0xB2, 99}));
    ASSERT_TRUE(all[1].message.IsLong());
    EXPECT_EQ(*all[1].message.bytes, std::vector<std::uint8_t>(gmOn, gmOn + sizeof gmOn));

    // Refused: a port that does not exist, a record that is not one kind, a channel out of range.
    for (void (*spoil)(mp::MidiEventRecord&) : {+[](mp::MidiEventRecord& r) { r.port = 999; },
                                                 +[](mp::MidiEventRecord& r) { r.kind = mp::MEK_NOTE | mp::MEK_CONTROL; },
                                                 +[](mp::MidiEventRecord& r) { r.channel = 16; }}) {
        mp::MidiEventRecord bad = cc;
        spoil(bad);
        EXPECT_EQ(midiOut->SendEvent(&bad, 1), win::E_INVALIDARG);
    }
    EXPECT_EQ(midiOut->SendEvent(nullptr, 1), win::E_POINTER);
    EXPECT_EQ(rig.other->Count(), 2u);
    midiOut->Release();
}

TEST(HostSound, PortListIsPublishedToTheProject) {
    Rig rig;
    win::DWORD count = 0;
    mp::MPPortEntry* entries = nullptr;
    ASSERT_EQ(rig.project->GetPorts(1, &count, &entries), win::S_OK);
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(entries[0].id, rig.outId);
    EXPECT_EQ(entries[1].id, rig.otherId);
    EXPECT_EQ(std::u16string(static_cast<char16_t*>(win::CoTaskMemHandlePtr(entries[1].nameHandle))), u"Recorder B");
    for (win::DWORD i = 0; i < count; ++i) win::CoTaskMemFreeHandle(entries[i].nameHandle);
    win::CoTaskMemFree(entries);

    // A change of current port moves playback there.
    ASSERT_TRUE(rig.sound->Ports().SetCurrentOutput(rig.otherId));
    rig.sound->UseCurrentPort();
    rig.SetFlags(mp::TRANSPORT_PLAYING);
    rig.clock.AdvanceTo(100'000);
    rig.SetFlags(0);
    EXPECT_EQ((std::tuple{rig.out->Count(), Ons(*rig.other)}), (std::tuple{0u, (OnList{{0, 0, 60}})}));
}

// Notifications delivered from a host thread: playback's own position reports arrive late there,
// and must not pull playback back.
TEST(HostSound, ThreadedDeliveryKeepsPlaybackMovingForward) {
    Rig rig;
    rig.project->SetThreadedDelivery(true);
    std::uint32_t flags = mp::TRANSPORT_PLAYING;
    ASSERT_EQ(rig.project->SetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 4, &flags), win::S_OK);
    rig.project->FlushNotifications();
    rig.clock.Settle();
    for (std::int64_t t = 50'000; t <= 1'600'000; t += 50'000) {
        rig.clock.AdvanceTo(t);
        rig.project->FlushNotifications();
    }
    flags = 0;
    ASSERT_EQ(rig.project->SetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 4, &flags), win::S_OK);
    rig.project->FlushNotifications();
    rig.clock.Settle();
    rig.project->SetThreadedDelivery(false);
    EXPECT_EQ(Ons(*rig.out), (OnList{{0, 0, 60}, {250'000, 1, 55}, {500'000, 0, 62}, {1'000'000, 0, 64},
                                       {1'250'000, 1, 55}, {1'500'000, 0, 65}}));
}

} // namespace
