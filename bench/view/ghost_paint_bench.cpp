// Repainting a 1920x1080 editor over a song of 16 tracks and 1,000,000 notes with the other tracks shown
// behind the grid (All Tracks) and without (Off), in one run: warm (copies of the other tracks read, the
// background cached), cold (the background and the other tracks drawn again) and a horizontal scroll
// step. The editor runs from pianoroll.so through its entry points against the host model.
#include <benchmark/benchmark.h>

#include "bench_editor.h"
#include "resources/command_ids.h"

namespace {

using benchview::Editor;
using benchview::kQuarter;

constexpr int kTracks = 16;
constexpr int kNotes = 1000000;

// 16 tracks of sixteenths, each over its own 24 pitches (the drums on channel 10), every track as long
// as the others; 500 beats over every pitch they use: about 2,000 notes of the shown track in view.
Editor& TheEditor() {
    static Editor* editor = [] {
        auto* e = new Editor([](host::Store& store) {
            for (int t = 0; t < kTracks; ++t)
                benchview::LoadSixteenths(store, t, static_cast<std::uint32_t>(t + 1), kNotes / kTracks,
                                          [t](int i) { return 30 + 4 * t + (i * 7) % 24; });
        });
        e->Open();
        e->ShowView(1000 * kQuarter, 500 * kQuarter, 115, 3);
        return e;
    }();
    return *editor;
}

// Shows the other tracks or not, and paints once: the first paint with them reads them.
Editor& Showing(const benchmark::State& state) {
    Editor& e = TheEditor();
    const int command = state.range(0) != 0 ? pianoroll::CMD_GHOSTS_ALL : pianoroll::CMD_GHOSTS_OFF;
    win::SendMessage(e.editor, win::WM_COMMAND, win::MAKEWPARAM(command, 0), 0);
    e.Paint();
    return e;
}

void WarmRepaint(benchmark::State& state) {
    Editor& e = Showing(state);
    for (auto _ : state) e.Paint();
    state.counters["ghosts"] = pianoroll::CountGhosts(e.v);
    state.counters["shown_notes"] =
        static_cast<double>(e.v->gridCache.displayList.size() - static_cast<std::size_t>(e.v->gridCache.displayRowCount));
}

void ColdRepaint(benchmark::State& state) {
    Editor& e = Showing(state);
    for (auto _ : state) {
        pianoroll::MarkBackgroundStale(e.v);
        e.Paint();
    }
}

void ScrollStep(benchmark::State& state) {
    Editor& e = Showing(state);
    std::int64_t origin = 1000 * kQuarter;
    int direction = 1;
    for (auto _ : state) e.ScrollStep(1000 * kQuarter, 500 * kQuarter, &origin, &direction);
}

} // namespace

// Arg 0: Off; arg 1: All Tracks.
BENCHMARK(WarmRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ColdRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
