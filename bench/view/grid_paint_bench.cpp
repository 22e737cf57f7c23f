// Opening a 1920x1080 editor on a one-track song of 100,000 and 1,000,000 notes against loading the
// song, and painting the note grid of it showing about 2,000 notes, over a track of 10,000 and one
// of 1,000,000 notes: warm (background cached; against a plain painter drawing as much, straight and
// double-buffered), cold (background rebuilt), and a horizontal scroll step; and the 10,000-note
// track in a song of 1,000 meter changes (its paints stay within 1.2 x of those in one meter). The
// editor runs from pianoroll.so through its entry points against the host model.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "bench_editor.h"

namespace {

using benchview::Editor;
using benchview::kQuarter;

// A song of `notes` sixteenths spread over 48 pitches; with `meters`, as many time signatures, 4/4
// and 3/4 in turn every two bars from the start.
Editor* NewSong(int notes, int meters = 0) {
    return new Editor([notes, meters](host::Store& store) {
        benchview::LoadSixteenths(store, 0, 0, notes, [](int i) { return 40 + (i * 7) % 48; });
        if (meters == 0) return;
        // Signatures are edits of a loaded song.
        store.FinishLoad();
        std::int64_t tick = 0;
        for (int i = 0; i < meters; ++i) {
            const std::uint32_t beats = i % 2 ? 3 : 4;
            if (store.InsertTimeSignature(tick, beats, 2) != win::S_OK) std::abort();
            tick += 2 * beats * kQuarter;
        }
    });
}

Editor& EditorOf(int notes, int meters) {
    static Editor* small = nullptr;
    static Editor* large = nullptr;
    static Editor* metered = nullptr;
    Editor*& slot = meters > 0 ? metered : notes > 100000 ? large : small;
    if (!slot) {
        slot = NewSong(notes, meters);
        slot->Open();
        // About 2,000 visible notes: sixteenths over 48 rows, 500 beats on screen.
        slot->ShowView(1000 * kQuarter, 500 * kQuarter, 90, 12);
    }
    return *slot;
}

void WarmPaint(benchmark::State& state) {
    Editor& e = EditorOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) e.Paint();
    state.counters["notes_painted"] = static_cast<double>(e.v->gridCache.displayList.size() - e.v->gridCache.displayRowCount);
}

// A plain painter drawing what the grid shows into a 1920x1080 surface, one brush per colour: rows of
// 12 pixels, a line every 16 pixels and 2,000 notes.
void PlainPaint(win::HDC dc) {
    using namespace win;
    static const HBRUSH rows[2] = {CreateSolidBrush(RGB(236, 236, 232)), CreateSolidBrush(RGB(214, 214, 210))};
    static const HBRUSH line = CreateSolidBrush(RGB(160, 160, 160));
    static const HBRUSH note = CreateSolidBrush(RGB(40, 140, 60));
    for (int y = 0; y < benchview::kHeight; y += 12) {
        const RECT r{0, y, benchview::kWidth, y + 12};
        FillRect(dc, &r, rows[(y / 12) % 2]);
    }
    for (int x = 0; x < benchview::kWidth; x += 16) {
        const RECT r{x, 0, x + 1, benchview::kHeight};
        FillRect(dc, &r, line);
    }
    for (int i = 0; i < 2000; ++i) {
        const int y = (i * 7) % 48 * 12, x = i * 19 / 20;
        const RECT r{x, y, x + 4, y + 11};
        FillRect(dc, &r, note);
    }
}

// The floor of WarmPaint: the plain painter straight into the window.
void PlainPainterFloor(benchmark::State& state) {
    using namespace win;
    static const HWND window = CreateWindowEx(0, WC_DIALOG, "Floor", WS_POPUP | WS_VISIBLE, 0, 0, benchview::kWidth,
                                              benchview::kHeight, nullptr, nullptr, nullptr, nullptr);
    for (auto _ : state) {
        const HDC dc = GetDC(window);
        PlainPaint(dc);
        ReleaseDC(window, dc);
    }
}

// The same plain painter double-buffered, as the editor paints: into a bitmap, then copied to the window.
void BufferedPainterFloor(benchmark::State& state) {
    using namespace win;
    static const HWND window = CreateWindowEx(0, WC_DIALOG, "Floor", WS_POPUP | WS_VISIBLE, 0, 0, benchview::kWidth,
                                              benchview::kHeight, nullptr, nullptr, nullptr, nullptr);
    const HDC windowDC = GetDC(window);
    const HDC dc = CreateCompatibleDC(windowDC);
    const HBITMAP bitmap = CreateCompatibleBitmap(windowDC, benchview::kWidth, benchview::kHeight);
    const HGDIOBJ old = SelectObject(dc, bitmap);
    ReleaseDC(window, windowDC);
    for (auto _ : state) {
        PlainPaint(dc);
        const HDC to = GetDC(window);
        BitBlt(to, 0, 0, benchview::kWidth, benchview::kHeight, dc, 0, 0, SRCCOPY);
        ReleaseDC(window, to);
    }
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

void ColdPaint(benchmark::State& state) {
    Editor& e = EditorOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    for (auto _ : state) {
        pianoroll::MarkBackgroundStale(e.v);
        e.Paint();
    }
}

void ScrollStep(benchmark::State& state) {
    Editor& e = EditorOf(static_cast<int>(state.range(0)), static_cast<int>(state.range(1)));
    std::int64_t origin = 1000 * kQuarter;
    int direction = 1;
    for (auto _ : state) e.ScrollStep(1000 * kQuarter, 500 * kQuarter, &origin, &direction);
}

// Opening the editor on a one-track song, against the floor of loading that song into the model in
// the same run: the editor's first paint should cost about what reading the track costs.
void OpenEditor(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        Editor* e = NewSong(static_cast<int>(state.range(0)));
        state.ResumeTiming();
        e->Open();
        state.PauseTiming();
        delete e;
        state.ResumeTiming();
    }
}

void LoadSongFloor(benchmark::State& state) {
    for (auto _ : state) {
        Editor* e = NewSong(static_cast<int>(state.range(0)));
        state.PauseTiming();
        delete e;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(OpenEditor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(LoadSongFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(WarmPaint)->Args({10000, 0})->Args({1000000, 0})->Args({10000, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(PlainPainterFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BufferedPainterFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(ColdPaint)->Args({10000, 0})->Args({1000000, 0})->Args({10000, 1000})->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollStep)->Args({10000, 0})->Args({1000000, 0})->Args({10000, 1000})->Unit(benchmark::kMillisecond);
