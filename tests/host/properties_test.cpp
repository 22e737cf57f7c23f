// Host properties and time formats: values, refusals, the notifications each change sends, the
// time signature written into the song.
#include <gtest/gtest.h>

#include "host_test_util.h"
#include "smf/smf.h"

namespace host::test {
namespace {

class Properties : public SongProject {
protected:
    template <class T>
    win::HRESULT Set(const win::GUID& id, const T& value) {
        return project->SetProperty(id, 0, 0, sizeof value, &value);
    }
    template <class T>
    T Get(const win::GUID& id) {
        T value{};
        EXPECT_EQ(project->GetProperty(id, 0, 0, 0, sizeof value, &value), win::S_OK);
        return value;
    }
    // The one notification the last change sent.
    mp::NotificationRecord Only() {
        auto records = sink.Take();
        EXPECT_EQ(records.size(), 1u);
        return records.empty() ? mp::NotificationRecord{} : records.back();
    }
};

TEST_F(Properties, EachPropertyReadsBackAndSendsItsNotification) {
    EXPECT_EQ(Set(mp::PID_LOOP_REGION, mp::MPLoopRegion{480, 1920, mp::TIME_FORMAT_TICKS, 0}), win::S_OK);
    EXPECT_TRUE(Only().id == mp::NID_SELECTION_CHANGED);
    const auto loop = Get<mp::MPLoopRegion>(mp::PID_LOOP_REGION);
    EXPECT_EQ(std::tuple(loop.start, loop.end, loop.timeFormat), std::tuple(480, 1920, mp::TIME_FORMAT_TICKS));
    EXPECT_EQ(Set(mp::PID_LOOP_REGION, mp::MPLoopRegion{480, 1920, mp::TIME_FORMAT_TICKS, 0}), win::S_OK);
    EXPECT_TRUE(sink.Take().empty()) << "the same region again: no notification";
    EXPECT_EQ(Set(mp::PID_LOOP_REGION, mp::MPLoopRegion{960, 1920, mp::TIME_FORMAT_TICKS, 0}), win::S_OK);
    EXPECT_TRUE(Only().id == mp::NID_SELECTION_CHANGED);
    EXPECT_EQ(Get<mp::MPLoopRegion>(mp::PID_LOOP_REGION).start, 960) << "a new start alone";

    EXPECT_EQ(Set(mp::PID_TRANSPORT_FLAGS, std::uint32_t{mp::TRANSPORT_PLAYING | mp::TRANSPORT_LOOPING}), win::S_OK);
    mp::NotificationRecord r = Only();
    EXPECT_TRUE(r.id == mp::NID_TRANSPORT_STATE);
    EXPECT_EQ(r.value, mp::TRANSPORT_PLAYING | mp::TRANSPORT_LOOPING) << "the new state word";
    EXPECT_EQ(Get<std::uint32_t>(mp::PID_TRANSPORT_FLAGS), mp::TRANSPORT_PLAYING | mp::TRANSPORT_LOOPING);
    EXPECT_EQ(Set(mp::PID_TRANSPORT_FLAGS, std::uint32_t{mp::TRANSPORT_PLAYING | mp::TRANSPORT_LOOPING}), win::S_OK);
    EXPECT_TRUE(sink.Take().empty()) << "no change, no notification";

    EXPECT_EQ(Set(mp::PID_TRANSPORT_POSITION, mp::MPTransportPosition{777, mp::TIME_FORMAT_TICKS, 0}), win::S_OK);
    EXPECT_EQ(Get<mp::MPTransportPosition>(mp::PID_TRANSPORT_POSITION).time, 777);
    {
        std::lock_guard lock(sink.mutex);
        ASSERT_FALSE(sink.times.empty());
        EXPECT_EQ(sink.times.back(), 777) << "the time sink hears the position";
    }
    // A position in nanoseconds: one second at 120 BPM is 960 ticks.
    EXPECT_EQ(Set(mp::PID_TRANSPORT_POSITION, mp::MPTransportPosition{1'000'000'000, mp::TIME_FORMAT_NANOSECONDS, 0}),
              win::S_OK);
    EXPECT_EQ(Get<mp::MPTransportPosition>(mp::PID_TRANSPORT_POSITION).time, 960);

    EXPECT_EQ(Set(mp::PID_PITCH_OFFSET, std::int32_t{-12}), win::S_OK);
    r = Only();
    EXPECT_TRUE(r.id == mp::NID_DATA_CHANGED);
    EXPECT_EQ(r.changeFlags & mp::NCF_OTHER, mp::NCF_OTHER);
    EXPECT_EQ(Get<std::int32_t>(mp::PID_PITCH_OFFSET), -12);

    project->WithStore([](Store& s) { s.SetPorts(mp::PORT_KIND_OUTPUT, {PortInfo{1, {}, u"Synth"}}); });
    r = Only();
    EXPECT_TRUE(r.id == mp::NID_PORTS_CHANGED);
    std::lock_guard lock(sink.mutex);
    EXPECT_EQ(sink.times, (std::vector<std::int64_t>{777, 960})) << "each position is heard once";
}

TEST_F(Properties, BadWritesAreRefusedAndChangeNothing) {
    const std::uint32_t word = 1;
    const win::GUID unknown{0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 1}};
    EXPECT_EQ(project->SetProperty(unknown, 0, 0, 4, &word), win::E_INVALIDARG);
    std::uint32_t out = 0;
    EXPECT_EQ(project->GetProperty(unknown, 0, 0, 0, 4, &out), win::E_INVALIDARG);
    EXPECT_EQ(project->SetProperty(mp::PID_TRANSPORT_FLAGS, 1, 0, 4, &word), win::E_INVALIDARG) << "selector";
    EXPECT_EQ(project->SetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 2, &word), win::E_INVALIDARG) << "size";
    EXPECT_EQ(project->SetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 4, nullptr), win::E_POINTER);
    EXPECT_EQ(project->GetProperty(mp::PID_TRANSPORT_FLAGS, 0, 0, 0, 4, nullptr), win::E_POINTER);
    EXPECT_EQ(Set(mp::PID_TRANSPORT_FLAGS, std::uint32_t{0x2}), win::E_INVALIDARG) << "unknown flag bit";
    EXPECT_EQ(Set(mp::PID_LOOP_REGION, mp::MPLoopRegion{960, 480, mp::TIME_FORMAT_TICKS, 0}), win::E_INVALIDARG);
    EXPECT_EQ(Set(mp::PID_LOOP_REGION, mp::MPLoopRegion{0, 480, 7, 0}), win::E_INVALIDARG) << "time format";
    EXPECT_EQ(Set(mp::PID_TRANSPORT_POSITION, mp::MPTransportPosition{-5, mp::TIME_FORMAT_TICKS, 0}), win::E_INVALIDARG);
    EXPECT_EQ(Set(mp::PID_PITCH_OFFSET, std::int32_t{200}), win::E_INVALIDARG);
    EXPECT_EQ(Set(mp::PID_TIME_SIGNATURE, mp::MPTimeSignature{0, 3, 2}), win::E_INVALIDARG) << "not marked written";
    EXPECT_EQ(Set(mp::PID_TIME_SIGNATURE, mp::MPTimeSignature{1, 0, 2}), win::E_INVALIDARG);
    EXPECT_EQ(Set(mp::PID_TIME_SIGNATURE, mp::MPTimeSignature{1, 4, 6}), win::E_INVALIDARG);
    EXPECT_TRUE(sink.Take().empty());
    EXPECT_EQ(Get<std::uint32_t>(mp::PID_TRANSPORT_FLAGS), 0u);
    EXPECT_EQ(Get<std::int32_t>(mp::PID_PITCH_OFFSET), 0);
    EXPECT_EQ(Get<mp::MPTimeSignature>(mp::PID_TIME_SIGNATURE).beatsPerBar, 4u);
}

TEST_F(Properties, TimeSignatureIsAnUndoableEditOfTheSongThatSavesWithIt) {
    auto ts = Get<mp::MPTimeSignature>(mp::PID_TIME_SIGNATURE);
    EXPECT_EQ(std::tuple(ts.written, ts.beatsPerBar, ts.noteValueExponent), std::tuple(1u, 4u, 2u));

    EXPECT_EQ(Set(mp::PID_TIME_SIGNATURE, mp::MPTimeSignature{1, 6, 3}), win::S_OK);
    bool timeBase = false, dataChanged = false;
    for (const auto& r : sink.Take()) {
        timeBase |= r.id == mp::NID_TIMEBASE_CHANGED;
        dataChanged |= r.id == mp::NID_DATA_CHANGED && (r.changeFlags & mp::NCF_MODIFIED);
    }
    EXPECT_TRUE(timeBase);
    EXPECT_TRUE(dataChanged) << "the time-signature event of the song changed";
    ts = Get<mp::MPTimeSignature>(mp::PID_TIME_SIGNATURE);
    EXPECT_EQ(std::tuple(ts.beatsPerBar, ts.noteValueExponent), std::tuple(6u, 3u));

    std::vector<std::uint8_t> saved;
    ASSERT_TRUE(project->WithStore([&](Store& s) { return smf::Write(s, saved).ok; }));
    Store back;
    ASSERT_TRUE(smf::Read(saved.data(), saved.size(), back).ok);
    EXPECT_EQ(std::tuple(back.Time().MeterAt(0).beats, back.Time().MeterAt(0).noteExp), std::tuple(6u, 3u));

    EXPECT_EQ(project->Undo(), win::S_OK);
    EXPECT_EQ(Get<mp::MPTimeSignature>(mp::PID_TIME_SIGNATURE).beatsPerBar, 4u);

    // A song without tracks has no event to hold it: its default meter takes it.
    HostProject* empty = HostProject::Create();
    ts = mp::MPTimeSignature{1, 6, 3};
    EXPECT_EQ(empty->SetProperty(mp::PID_TIME_SIGNATURE, 0, 0, sizeof ts, &ts), win::S_OK);
    ts = {};
    EXPECT_EQ(empty->GetProperty(mp::PID_TIME_SIGNATURE, 0, 0, 0, sizeof ts, &ts), win::S_OK);
    EXPECT_EQ(std::tuple(ts.beatsPerBar, ts.noteValueExponent), std::tuple(6u, 3u));
    empty->Release();
}

TEST_F(Properties, TimeFormatsFollowTheTempoAndMeterMaps) {
    mp::IMPTimeFormat* tf = project;
    std::int64_t out = 0;
    // 1920 ticks at 120 BPM are 2 s; 480 more at 60 BPM are 1 s.
    EXPECT_EQ(tf->ConvertTime(2400, mp::TIME_FORMAT_TICKS, 0, &out, mp::TIME_FORMAT_NANOSECONDS, 0), win::S_OK);
    EXPECT_EQ(out, 3'000'000'000);
    EXPECT_EQ(tf->ConvertTime(3'000'000'000, mp::TIME_FORMAT_NANOSECONDS, 0, &out, mp::TIME_FORMAT_TICKS, 0), win::S_OK);
    EXPECT_EQ(out, 2400);
    EXPECT_EQ(tf->ConvertTime(5, 3, 0, &out, mp::TIME_FORMAT_TICKS, 0), win::E_INVALIDARG);
    EXPECT_EQ(tf->ConvertTime(5, mp::TIME_FORMAT_TICKS, 0, nullptr, mp::TIME_FORMAT_TICKS, 0), win::E_POINTER);

    // Bar 0 is 4/4 (1920 ticks), then 3/4 bars of 1440 ticks; measures and beats count from 0.
    win::LONG measure = -1, beat = -1, tick = -1;
    EXPECT_EQ(tf->SplitTicks(1920 + 1440 + 480 + 7, 0, &measure, &beat, &tick), win::S_OK);
    EXPECT_EQ(std::tuple(measure, beat, tick), std::tuple(2, 1, 7));
    EXPECT_EQ(tf->SplitTicks(1919, 0, &measure, &beat, &tick), win::S_OK);
    EXPECT_EQ(std::tuple(measure, beat, tick), std::tuple(0, 3, 479));
    // The new meter holds from its own tick on.
    const auto beatsAt = [&](std::int64_t t) {
        return project->WithStore([&](Store& s) { return s.Time().MeterAt(t).beats; });
    };
    EXPECT_EQ((std::tuple{beatsAt(1919), beatsAt(1920)}), (std::tuple{4u, 3u}));
    // A meter change inside a bar starts a measure of its own at its tick; a tempo at tick 0 holds from the start.
    Store mid;
    const auto bytes = SmfBuilder(1, 480)
                           .Track({0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40, 0x83, 0x60, 0xFF, 0x58, 0x04, 0x03, 0x02,
                                   0x18, 0x08, 0x00, 0xFF, 0x2F, 0x00})
                           .Bytes();
    ASSERT_TRUE(smf::Read(bytes.data(), bytes.size(), mid).ok);
    EXPECT_EQ(mid.Time().TicksToNanoseconds(480), 1'000'000'000);
    std::int64_t atChange = -1, after = -1, beatAt = -1, tickAt = -1;
    mid.Time().Split(480, &atChange, &beatAt, &tickAt);
    mid.Time().Split(481, &after, nullptr, nullptr);
    EXPECT_EQ(std::tuple(atChange, beatAt, tickAt), std::tuple(after, 0, 0));

    EXPECT_EQ(tf->TextToTime(u"2:1:17", 0, mp::TIME_FORMAT_TICKS, &out), win::S_OK); // digits add up in tens
    EXPECT_EQ(out, 1920 + 1440 + 480 + 17);
    EXPECT_EQ(tf->TextToTime(u" 1:0.0 ", 0, mp::TIME_FORMAT_TICKS, &out), win::S_OK);
    EXPECT_EQ(out, 1920);
    EXPECT_EQ(tf->TextToTime(u"1", 0, mp::TIME_FORMAT_NANOSECONDS, &out), win::S_OK);
    EXPECT_EQ(out, 2'000'000'000);
    for (const char16_t* bad : {u"", u"x", u"1:3:0", u"1:0:480", u"1::2", u"1:2:3:4", u"1.2", u"-1"})
        EXPECT_EQ(tf->TextToTime(bad, 0, mp::TIME_FORMAT_TICKS, &out), win::E_INVALIDARG) << std::u16string(bad).size();

    win::DWORD ppq = 0;
    EXPECT_EQ(tf->GetTicksPerQuarter(mp::TIME_FORMAT_TICKS, &ppq), win::S_OK);
    EXPECT_EQ(ppq, 480u);
    EXPECT_EQ(tf->GetTicksPerQuarter(mp::TIME_FORMAT_NANOSECONDS, &ppq), win::E_INVALIDARG);
}

} // namespace
} // namespace host::test
