// The event cache on a track of 1,000,000 notes: SelectTrack from scratch, the notes of a
// 2,000-note window at the end of the track, a commit of 10,000 inserts with the processing of
// their notifications, and selecting and deselecting everything.
#include <benchmark/benchmark.h>

#include <memory>

#include "model/host_project.h"
#include "module/pianoroll_plugin.h"
#include "mp/track_access.h"

namespace {

using namespace win;

constexpr std::uint32_t kEvents = 1000000;
constexpr std::int64_t kSpacing = 120;

struct Song {
    host::HostProject* project = nullptr;
    mp::COPTPianoRollPlugin* plugin = nullptr;
    std::unique_ptr<mp::TrackAccess> access;

    Song() {
        project = host::HostProject::Create();
        project->WithStore([](host::Store& s) {
            host::TrackValue track;
            track.channel = 0;
            track.order = 1;
            const std::uint32_t id = s.LoadTrack(track);
            host::BlockValue block;
            block.track = id;
            block.end = kEvents * kSpacing + 960;
            const std::uint32_t b = s.LoadBlock(block);
            s.ReserveBlockEvents(b, kEvents);
            for (std::uint32_t i = 0; i < kEvents; ++i) {
                const std::uint8_t data[4] = {static_cast<std::uint8_t>(36 + i % 60), 100, 0, 0};
                s.LoadEvent(b, static_cast<std::int64_t>(i) * kSpacing, mp::MEK_NOTE, 0, 240, data);
            }
            s.FinishLoad();
        });
        mp::NewPianoRollPlugin(0, &plugin);
        plugin->AddRef();
        DWORD caps = 0;
        plugin->Initialise(static_cast<mp::IMPMidiData*>(project), nullptr, mp::INIT_MODE_EDITOR, 0, &caps);
        plugin->SetKindFilter(mp::MEK_NOTE | mp::MEK_CONTROL | mp::MEK_PITCH_BEND);
        plugin->ReloadTracks(true);
        access = std::make_unique<mp::TrackAccess>(mp::TrackAccess::HostOf(plugin));
        access->GetEventCount();
    }
    ~Song() {
        access.reset();
        plugin->Uninitialise();
        plugin->Release();
        project->Release();
    }
};

Song& TheSong() {
    static Song song;
    return song;
}

void BM_SelectTrackFromScratch(benchmark::State& state) {
    Song& song = TheSong();
    for (auto _ : state) {
        song.plugin->ClearFlags(mp::PLF_EVENT_LIST_VALID);
        song.plugin->SelectTrack(0, -1);
        benchmark::DoNotOptimize(song.plugin->EventList().size());
    }
}
BENCHMARK(BM_SelectTrackFromScratch)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_VisibleWindowAtTheEnd(benchmark::State& state) {
    Song& song = TheSong();
    const std::int64_t end = static_cast<std::int64_t>(kEvents) * kSpacing;
    const std::int64_t length = 2000 * kSpacing;
    int count = 0;
    for (auto _ : state) {
        count = 0;
        int cursor = -1;
        mp::EventKey key{};
        mp::MidiEventRecord record{};
        while (song.access->NextEventInRange(&cursor, end - length, length, &key, &record) == S_OK) ++count;
        benchmark::DoNotOptimize(count);
    }
    state.counters["notes"] = count;
}
BENCHMARK(BM_VisibleWindowAtTheEnd)->Unit(benchmark::kMillisecond);

// Inserts spread over the whole track: the host places each in its block (its own cost), then the
// cache absorbs the 10,000 notifications in one pass (measured alone in the second benchmark).
void CommitInserts(Song& song, bool atTheEnd) {
    const std::int64_t end = static_cast<std::int64_t>(kEvents) * kSpacing;
    for (int i = 0; i < 10000; ++i)
        song.access->InsertNote(atTheEnd ? end + i * 10 : (i * 7919LL * kSpacing) % end, 100, 127 - 80, false);
    song.access->CommitEdits(u"Insert");
}

void BM_CommitTenThousandInsertsAndTheirNotifications(benchmark::State& state) {
    Song& song = TheSong();
    for (auto _ : state) {
        CommitInserts(song, true);
        song.plugin->ProcessNotifications(false);
        benchmark::DoNotOptimize(song.plugin->EventList().size());
        state.PauseTiming();
        song.project->Undo();
        song.plugin->ProcessNotifications(false);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CommitTenThousandInsertsAndTheirNotifications)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_AbsorbTenThousandScatteredInserts(benchmark::State& state) {
    Song& song = TheSong();
    for (auto _ : state) {
        state.PauseTiming();
        CommitInserts(song, false);
        state.ResumeTiming();
        song.plugin->ProcessNotifications(false);
        benchmark::DoNotOptimize(song.plugin->EventList().size());
        state.PauseTiming();
        song.project->Undo();
        song.plugin->ProcessNotifications(false);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AbsorbTenThousandScatteredInserts)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_SelectAll(benchmark::State& state) {
    Song& song = TheSong();
    const bool on = state.range(0) != 0;
    for (auto _ : state) {
        song.access->SelectAll(on);
        state.PauseTiming();
        song.plugin->ProcessNotifications(false);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SelectAll)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace
