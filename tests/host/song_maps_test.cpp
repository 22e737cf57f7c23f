// The song's meter and key maps: what the host publishes, the bar arithmetic it follows, and the
// undoable edits that insert and remove signatures, saved into the file.
#include <gtest/gtest.h>

#include "host_test_util.h"
#include "mp/song_maps.h"
#include "smf/smf.h"

namespace host::test {
namespace {

struct MeterMap {
    win::HRESULT result;
    mp::MPSongMapHeader header;
    std::vector<mp::MPMeterEntry> entries;
};
struct KeyMap {
    win::HRESULT result;
    std::vector<mp::MPKeyEntry> entries;
};

class SongMaps : public ::testing::Test {
protected:
    void Load(const std::vector<std::uint8_t>& bytes) {
        ASSERT_TRUE(project->WithStore([&](Store& s) { return smf::Read(bytes.data(), bytes.size(), s).ok; }));
        advised = std::make_unique<Advised>(project, &sink);
    }
    void TearDown() override {
        advised.reset();
        project->Release();
    }
    MeterMap Meters(std::size_t room = 64) {
        std::vector<std::uint8_t> buffer(sizeof(mp::MPSongMapHeader) + room * sizeof(mp::MPMeterEntry), 0xEE);
        MeterMap map{};
        map.result = project->GetProperty(mp::PID_METER_MAP, 0, 0, 0, static_cast<win::DWORD>(buffer.size()), buffer.data());
        std::memcpy(&map.header, buffer.data(), sizeof map.header);
        map.entries.resize(std::min<std::size_t>(room, map.header.count));
        if (!map.entries.empty())
            std::memcpy(map.entries.data(), buffer.data() + sizeof map.header, map.entries.size() * sizeof(mp::MPMeterEntry));
        return map;
    }
    KeyMap Keys() {
        std::vector<std::uint8_t> buffer(sizeof(mp::MPSongMapHeader) + 16 * sizeof(mp::MPKeyEntry));
        KeyMap map{};
        map.result = project->GetProperty(mp::PID_KEY_MAP, 0, 0, 0, static_cast<win::DWORD>(buffer.size()), buffer.data());
        mp::MPSongMapHeader header;
        std::memcpy(&header, buffer.data(), sizeof header);
        EXPECT_EQ(header.entrySize, sizeof(mp::MPKeyEntry));
        map.entries.resize(header.count);
        if (!map.entries.empty())  // memcpy to the null data() of an empty vector is undefined
            std::memcpy(map.entries.data(), buffer.data() + sizeof header, header.count * sizeof(mp::MPKeyEntry));
        return map;
    }
    win::HRESULT Meter(std::uint32_t selector, std::int64_t tick, std::uint32_t beats = 4, std::uint32_t exponent = 2) {
        const mp::MPMeterEntry e{tick, 0, beats, static_cast<std::uint16_t>(exponent), 0};
        return project->SetProperty(mp::PID_METER_MAP, selector, 0, sizeof e, &e);
    }
    win::HRESULT Key(std::uint32_t selector, std::int64_t tick, std::int32_t sharps = 0, std::uint32_t minor = 0) {
        const mp::MPKeyEntry e{tick, sharps, minor};
        return project->SetProperty(mp::PID_KEY_MAP, selector, 0, sizeof e, &e);
    }
    std::array<win::LONG, 3> Split(std::int64_t tick) {
        std::array<win::LONG, 3> out{-1, -1, -1};
        EXPECT_EQ(project->SplitTicks(tick, 0, &out[0], &out[1], &out[2]), win::S_OK);
        return out;
    }
    std::u16string UndoName() {
        return project->WithStore([](Store& s) { return s.UndoName(); });
    }
    // The ids of the notifications since the last call, Data1 only.
    std::vector<std::uint32_t> Told() {
        std::vector<std::uint32_t> ids;
        for (const auto& r : sink.Take()) ids.push_back(r.id.Data1);
        return ids;
    }
    // Every note of the song as (absolute tick, key, length).
    std::vector<std::array<std::int64_t, 3>> Notes() {
        return project->WithStore([](Store& s) {
            std::vector<std::array<std::int64_t, 3>> notes;
            for (std::uint32_t t : s.TracksInOrder())
                for (std::uint32_t b : s.BlocksOf(t))
                    for (std::uint32_t e : s.EventsOf(b))
                        if (s.EventKind(e) == mp::MEK_NOTE) {
                            const EventValue v = s.Event(e);
                            notes.push_back({s.Block(b)->start + v.time, v.data[0], v.length});
                        }
            return notes;
        });
    }
    HostProject* project = HostProject::Create();
    RecordingSink sink;
    std::unique_ptr<Advised> advised;
};

constexpr std::uint32_t kTimebase = 0x9DD48DE4;
constexpr std::uint32_t kData = 0x9DD48DE0;
const std::uint32_t kKeys = mp::NID_KEY_MAP_CHANGED.Data1;

TEST_F(SongMaps, TheMapsOfARealSongArePublishedWithTheBarsTheyStart) {
    Load(MeterChangeSong());
    const MeterMap map = Meters();
    ASSERT_EQ(map.result, win::S_OK);
    EXPECT_EQ(map.header.entrySize, sizeof(mp::MPMeterEntry));
    ASSERT_EQ(map.entries.size(), 4u);
    const std::int64_t ticks[] = {0, 3840, 72960, 73440}, measures[] = {0, 2, 26, 27};
    const std::uint32_t beats[] = {4, 6, 1, 6};
    for (std::size_t i = 0; i < 4; ++i) {
        const auto& e = map.entries[i];
        EXPECT_EQ(std::tuple(e.tick, e.measure, e.beatsPerBar, e.noteValueExponent, e.flags),
                  std::tuple(ticks[i], measures[i], beats[i], 2u, mp::METER_SIGNED))
            << i;
    }
    // Bar 5 (from 1) starts at 9600, bar 27 is the one 1/4 bar, bar 28 follows it.
    EXPECT_EQ(Split(9600), (std::array<win::LONG, 3>{4, 0, 0}));
    EXPECT_EQ(Split(9599), (std::array<win::LONG, 3>{3, 5, 479}));
    EXPECT_EQ(Split(72960), (std::array<win::LONG, 3>{26, 0, 0}));
    EXPECT_EQ(Split(73439), (std::array<win::LONG, 3>{26, 0, 479}));
    EXPECT_EQ(Split(73440 + 2880 + 481), (std::array<win::LONG, 3>{28, 1, 1}));

    const KeyMap keys = Keys();
    ASSERT_EQ(keys.result, win::S_OK);
    ASSERT_EQ(keys.entries.size(), 2u);
    // D major, then B flat major.
    EXPECT_EQ(std::tuple(keys.entries[0].tick, keys.entries[0].sharps, keys.entries[1].tick, keys.entries[1].sharps,
                         keys.entries[1].minor),
              std::tuple(0, 2, 9600, -2, 0u));

    // Too little room: the count says how many there are, and nothing is written past the room.
    const MeterMap cut = Meters(1);
    EXPECT_EQ(std::tuple(cut.result, cut.header.count), std::tuple(win::S_FALSE, 4u));
    mp::MPSongMapHeader header{};
    EXPECT_EQ(project->GetProperty(mp::PID_METER_MAP, 0, 0, 0, sizeof header, &header), win::S_FALSE);
    EXPECT_EQ(project->GetProperty(mp::PID_METER_MAP, 0, 0, 0, 4, &header), win::E_INVALIDARG);
    EXPECT_EQ(project->GetProperty(mp::PID_KEY_MAP, 1, 0, 0, sizeof header, &header), win::E_INVALIDARG);
    std::vector<std::uint8_t> room(sizeof header + sizeof(mp::MPMeterEntry) + 3, 0xEE);
    project->GetProperty(mp::PID_METER_MAP, 0, 0, 0, static_cast<win::DWORD>(room.size()), room.data());
    EXPECT_EQ(room.back(), 0xEE) << "a part of an entry is not written";
}

TEST_F(SongMaps, ASongWithoutSignaturesHasTheDefaultMeterAndNoKeys) {
    Load(SmfBuilder(1, 96).Track({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}).Bytes());
    const MeterMap map = Meters();
    ASSERT_EQ(map.entries.size(), 1u);
    // The default meter: no signature to remove.
    EXPECT_EQ(std::tuple(map.entries[0].tick, map.entries[0].beatsPerBar, map.entries[0].noteValueExponent,
                         map.entries[0].flags),
              std::tuple(0, 4u, 2u, 0u));
    EXPECT_TRUE(Keys().entries.empty());
}

// A beat of 2^-31 of a whole note is the shortest a meter may have (one tick); a shorter one is left out.
TEST_F(SongMaps, TheShortestBeatIsKeptAndAShorterOneLeftOut) {
    Load(SmfBuilder(1, 96)
             .Track({0x00, 0xFF, 0x58, 0x04, 3, 31, 24, 8, 0x60, 0xFF, 0x58, 0x04, 5, 32, 24, 8, 0x00, 0x90, 60, 100,
                     0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00})
             .Bytes());
    const MeterMap map = Meters();
    ASSERT_EQ(map.entries.size(), 1u);
    EXPECT_EQ(std::tuple(map.entries[0].beatsPerBar, map.entries[0].noteValueExponent), std::tuple(3u, 31u));
    EXPECT_EQ(Split(100), (std::array<win::LONG, 3>{33, 1, 0})) << "bars of three one-tick beats";
}

TEST_F(SongMaps, InsertingATimeSignatureMovesLaterBarsOnlyAndIsOneUndoableEdit) {
    Load(SmfBuilder(1, 480)
             .Track({0x00, 0xFF, 0x58, 0x04, 0x04, 0x02, 0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00})
             .Track(Cat(Cat({0x00, 0x90, 60, 100}, Cat(Vlq(9000), {0x80, 60, 0})), kEndOfTrack))
             .Bytes());
    const auto notes = Notes();
    // 3/4 at bar 3 (tick 3840): bars of 1440 ticks after it.
    EXPECT_EQ(Meter(mp::SONG_MAP_INSERT, 3840, 3, 2), win::S_OK);
    EXPECT_EQ(UndoName(), u"Insert Time Signature");
    const auto told = Told();
    EXPECT_NE(std::find(told.begin(), told.end(), kData), told.end());
    EXPECT_NE(std::find(told.begin(), told.end(), kTimebase), told.end());
    EXPECT_EQ(std::find(told.begin(), told.end(), kKeys), told.end());
    EXPECT_EQ(Notes(), notes) << "notes keep their ticks";
    EXPECT_EQ(Meters().entries.size(), 2u);
    EXPECT_EQ(Split(3840 + 1440), (std::array<win::LONG, 3>{3, 0, 0}));

    // Only on a bar line of the map before it: 5760 was one in 4/4 and is not in 3/4.
    const std::size_t steps = project->WithStore([](Store& s) { return s.UndoCount(); });
    EXPECT_EQ(Meter(mp::SONG_MAP_INSERT, 5760, 2, 2), mp::MP_E_NOT_ON_BAR_LINE);
    EXPECT_EQ(Meter(mp::SONG_MAP_INSERT, 3840 + 2 * 1440, 0, 2), win::E_INVALIDARG) << "no beats";
    EXPECT_EQ(Meter(mp::SONG_MAP_INSERT, 3840 + 2 * 1440, 4, 6), win::E_INVALIDARG) << "a 64th beat";
    EXPECT_EQ(Meter(mp::SONG_MAP_INSERT, -1920, 4, 2), win::E_INVALIDARG);
    EXPECT_EQ(Meter(3, 3840), win::E_INVALIDARG) << "no such edit";
    EXPECT_TRUE(Told().empty());
    EXPECT_EQ(project->WithStore([](Store& s) { return s.UndoCount(); }), steps);

    // Saved and read back, the meta event stands at its tick with the metronome bytes it was given.
    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(project->WithStore([&](Store& s) { return smf::Write(s, saved).ok; }));
    Store back;
    ASSERT_TRUE(smf::Read(saved.data(), saved.size(), back).ok);
    ASSERT_EQ(back.Time().Meters().size(), 2u);
    EXPECT_EQ(std::tuple(back.Time().Meters()[1].meter.tick, back.Time().Meters()[1].meter.beats), std::tuple(3840, 3u));
    const std::vector<std::uint32_t> at = project->WithStore([](Store& s) {
        std::vector<std::uint32_t> ids;
        for (std::uint32_t e : s.EventsOf(s.BlocksOf(s.TracksInOrder().front()).front()))
            if (s.EventKind(e) == mp::MEK_META && s.EventTime(e) == 3840) ids.push_back(e);
        return ids;
    });
    ASSERT_EQ(at.size(), 1u) << "in the conductor track";
    EXPECT_EQ(project->WithStore([&](Store& s) { return s.Event(at[0]).bytes; }),
              (std::vector<std::uint8_t>{0x58, 3, 2, 24, 8}));

    // Changing the one that starts there keeps one event; undo and redo travel the whole edit.
    EXPECT_EQ(Meter(mp::SONG_MAP_INSERT, 3840, 5, 3), win::S_OK);
    EXPECT_EQ(std::tuple(Meters().entries.size(), Meters().entries[1].beatsPerBar), std::tuple(2u, 5u));
    ASSERT_EQ(project->Undo(), win::S_OK);
    EXPECT_EQ(Meters().entries[1].beatsPerBar, 3u);
    ASSERT_EQ(project->Undo(), win::S_OK);
    EXPECT_EQ(Meters().entries.size(), 1u);
    EXPECT_EQ(Split(5760), (std::array<win::LONG, 3>{3, 0, 0}));
    sink.Take();
    ASSERT_EQ(project->Redo(), win::S_OK);
    const auto redone = Told();
    EXPECT_NE(std::find(redone.begin(), redone.end(), kTimebase), redone.end());
    EXPECT_EQ(Meters().entries.size(), 2u);
}

TEST_F(SongMaps, RemovingASignatureTakesOutTheEventsThatStartThere) {
    Load(MeterChangeSong());
    EXPECT_EQ((std::tuple{Meter(mp::SONG_MAP_REMOVE, 72960), UndoName(), Meters().entries.size()}),
              (std::tuple{win::S_OK, u"Remove Time Signature", 3u}));
    // 6/4 now runs on from 3840; the signature at 73440 lands inside a bar and starts a bar of its own.
    EXPECT_EQ(Split(73440), (std::array<win::LONG, 3>{27, 0, 0}));
    sink.Take();
    EXPECT_EQ(Meter(mp::SONG_MAP_REMOVE, 72960), win::S_FALSE) << "none starts there any more";
    EXPECT_EQ((std::tuple{Key(mp::SONG_MAP_REMOVE, 100), bool(Told().empty()), UndoName()}),
              (std::tuple{win::S_FALSE, true, u"Remove Time Signature"}));
    EXPECT_EQ(Meter(mp::SONG_MAP_REMOVE, 0), win::S_OK) << "the first one too: the default meter stands in";
    EXPECT_EQ(std::tuple(Meters().entries[0].beatsPerBar, Meters().entries[0].flags), std::tuple(4u, 0u));
    EXPECT_EQ(Split(1920), (std::array<win::LONG, 3>{1, 0, 0}));
}

TEST_F(SongMaps, KeySignaturesAreEditedAndToldApart) {
    Load(MeterChangeSong());
    EXPECT_EQ(Key(mp::SONG_MAP_INSERT, 2880 * 10, -3, 1), win::S_OK) << "C minor, anywhere";
    EXPECT_EQ(UndoName(), u"Insert Key Signature");
    EXPECT_EQ(Told(), (std::vector<std::uint32_t>{kData, kKeys})) << "no time base change";
    ASSERT_EQ(Keys().entries.size(), 3u);
    EXPECT_EQ(std::tuple(Keys().entries[2].sharps, Keys().entries[2].minor), std::tuple(-3, 1u));
    EXPECT_EQ(Key(mp::SONG_MAP_INSERT, 9600, 5, 0), win::S_OK) << "replaces B flat major";
    EXPECT_EQ(std::tuple(Keys().entries.size(), Keys().entries[1].sharps), std::tuple(3u, 5));
    EXPECT_EQ((std::tuple{Key(mp::SONG_MAP_REMOVE, 0), UndoName(), Keys().entries.size()}),
              (std::tuple{win::S_OK, u"Remove Key Signature", 2u}));
    sink.Take();
    ASSERT_EQ(project->Undo(), win::S_OK);
    EXPECT_EQ(Told(), (std::vector<std::uint32_t>{kData, kKeys}));
    EXPECT_EQ(Keys().entries[0].sharps, 2);

    for (auto [sharps, minor] : {std::pair{8, 0u}, std::pair{-8, 0u}, std::pair{0, 2u}})
        EXPECT_EQ(Key(mp::SONG_MAP_INSERT, 0, sharps, minor), win::E_INVALIDARG) << sharps << " " << minor;
    const mp::MPKeyEntry e{0, 0, 0};
    EXPECT_EQ(project->SetProperty(mp::PID_KEY_MAP, mp::SONG_MAP_INSERT, 1, sizeof e, &e), win::E_INVALIDARG);
    EXPECT_EQ(project->SetProperty(mp::PID_KEY_MAP, mp::SONG_MAP_INSERT, 0, sizeof e - 1, &e), win::E_INVALIDARG);
    EXPECT_EQ(project->SetProperty(mp::PID_KEY_MAP, mp::SONG_MAP_INSERT, 0, sizeof e, nullptr), win::E_POINTER);
    EXPECT_TRUE(Told().empty());
}

TEST_F(SongMaps, ASongWithoutTracksHasNowhereToHoldASignature) {
    advised = std::make_unique<Advised>(project, &sink);
    EXPECT_EQ((std::tuple{Meter(mp::SONG_MAP_INSERT, 0, 3, 2), Key(mp::SONG_MAP_INSERT, 0, 1), bool(Told().empty())}),
              (std::tuple{win::E_FAIL, win::E_FAIL, true}));
}

} // namespace
} // namespace host::test
