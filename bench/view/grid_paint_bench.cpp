// Opening a 1920x1080 editor on a one-track song of 100,000 and 1,000,000 notes against loading the
// song, and painting the note grid of it showing about 2,000 notes, over a track of 10,000 and one
// of 1,000,000 notes: warm (background cached), cold (background rebuilt), and a horizontal scroll
// step. The editor runs from pianoroll.so through its entry points against the host model.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/host_project.h"
#include "model/midi_out.h"
#include "mp/host_contract.h"
#include "view/track_view.h"
#include "win/backend.h"
#include "win/com.h"
#include "win/controls.h"

namespace {

using namespace win;

using CreateObjectFn = HRESULT (*)(IUnknown**);
using CreatePageFn = HRESULT (*)(const CLSID*, IPropertyPage**);

constexpr std::uint32_t kQuarter = 960;
constexpr int kWidth = 1920, kHeight = 1080;

// One open editor over a song of `notes` notes: sixteenths spread over 48 pitches.
struct Editor {
    host::HostProject* project = nullptr;
    host::HostMidiOut* midiOut = nullptr;
    IUnknown* plugin = nullptr;
    mp::IMPInitialise* init = nullptr;
    IPropertyPage* page = nullptr;
    HWND host = nullptr;
    HWND view = nullptr;
    pianoroll::TrackView* v = nullptr;
    CreateObjectFn createObject = nullptr;
    CreatePageFn createPage = nullptr;

    // Loads the song; opens the editor on it and sets the benchmarks' view unless `open` is false.
    explicit Editor(int notes, bool open = true) {
        static void* module = dlopen((std::string(VOR_BINARY_DIR) + "/bin/pianoroll.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            std::fprintf(stderr, "cannot load the module: %s\n", dlerror());
            std::abort();
        }
        createObject = reinterpret_cast<CreateObjectFn>(dlsym(module, "VorOPTPlug_CreateOPTObject"));
        createPage = reinterpret_cast<CreatePageFn>(dlsym(module, "VorOPTPlug_CreateOPTPropertyPage"));
        project = host::HostProject::Create();
        midiOut = host::HostMidiOut::Create();
        project->WithStore([&](host::Store& store) {
            host::TrackValue track;
            track.name = u"Dense";
            track.channel = 0;
            const std::uint32_t trackId = store.LoadTrack(track);
            host::BlockValue block;
            block.track = trackId;
            block.start = 0;
            block.end = static_cast<std::int64_t>(notes) * kQuarter / 4 + kQuarter;
            const std::uint32_t blockId = store.LoadBlock(block);
            store.ReserveBlockEvents(blockId, static_cast<std::size_t>(notes));
            for (int i = 0; i < notes; ++i) {
                const std::uint8_t data[4] = {static_cast<std::uint8_t>(40 + (i * 7) % 48), 100, 0, 0};
                store.LoadEvent(blockId, static_cast<std::int64_t>(i) * kQuarter / 4, mp::MEK_NOTE, 0, kQuarter / 4, data);
            }
            store.FinishLoad();
        });
        if (!open) return;
        Open();
        // About 2,000 visible notes: 40 notes a beat... sixteenths over 48 rows, 500 beats on screen.
        pianoroll::SetTimeView(v, 1000 * kQuarter, 500 * kQuarter, pianoroll::TV_PROGRAM);
        v->geo.rowHeightLevel = 12;
        pianoroll::SetVerticalView(v, (127 - 90) * pianoroll::kUnitsPerRow, pianoroll::VerticalSpanOfLevel(v, 12),
                                   pianoroll::VV_PROGRAM | pianoroll::VV_FIXED_SPAN);
        Paint();
    }
    // What a user waits for when the editor opens on the loaded song: the plug-in object, the page,
    // the editor window reading the track, and its first paint.
    void Open() {
        createObject(&plugin);
        plugin->QueryInterface(mp::IID_IMPInitialise, reinterpret_cast<void**>(&init));
        DWORD capabilities = 0;
        init->Initialise(static_cast<mp::IMPMidiData*>(project), midiOut, mp::INIT_MODE_EDITOR, 0, &capabilities);
        const CLSID pageClass{0xD3EDE25B, 0x24DD, 0x4688, {0xBC, 0xF1, 0xD2, 0xAA, 0xD5, 0x64, 0x38, 0xBA}};
        createPage(&pageClass, &page);
        host = CreateWindowEx(0, WC_DIALOG, "Host", WS_POPUP | WS_VISIBLE, 0, 0, kWidth, kHeight, nullptr, nullptr,
                              nullptr, nullptr);
        IUnknown* objects[] = {plugin};
        page->SetObjects(1, objects);
        RECT client{0, 0, kWidth, kHeight};
        page->Activate(host, &client, FALSE);
        page->Show(SW_SHOW);
        headless::PumpUntilIdle();
        view = GetDlgItem(GetWindow(host, GW_CHILD), 1002);
        v = reinterpret_cast<pianoroll::TrackView*>(GetWindowLongPtr(view, GWLP_USERDATA));
    }
    ~Editor() {
        if (page) Close();
        midiOut->Release();
        project->Release();
    }
    void Close() {
        page->Deactivate();
        page->SetObjects(0, nullptr);
        page->Release();
        init->Uninitialise();
        init->Release();
        plugin->Release();
        DestroyWindow(host);
        headless::PumpUntilIdle();
    }
    void Paint() {
        InvalidateRect(view, nullptr, FALSE);
        UpdateWindow(view);
    }
};

Editor& EditorOf(int notes) {
    static Editor* small = nullptr;
    static Editor* large = nullptr;
    Editor*& slot = notes > 100000 ? large : small;
    if (!slot) slot = new Editor(notes);
    return *slot;
}

void WarmPaint(benchmark::State& state) {
    Editor& e = EditorOf(static_cast<int>(state.range(0)));
    for (auto _ : state) e.Paint();
    state.counters["notes_painted"] = static_cast<double>(e.v->gridCache.displayList.size() - e.v->gridCache.displayRowCount);
}

void ColdPaint(benchmark::State& state) {
    Editor& e = EditorOf(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        pianoroll::MarkBackgroundStale(e.v);
        e.Paint();
    }
}

void ScrollStep(benchmark::State& state) {
    Editor& e = EditorOf(static_cast<int>(state.range(0)));
    std::int64_t origin = 1000 * kQuarter;
    int direction = 1;
    for (auto _ : state) {
        origin += direction * kQuarter;
        if (origin > 1100 * kQuarter || origin < 1000 * kQuarter) direction = -direction;
        pianoroll::SetTimeView(e.v, origin, 500 * kQuarter, pianoroll::TV_PROGRAM);
        UpdateWindow(e.view);
    }
}

// Opening the editor on a one-track song, against the floor of loading that song into the model in
// the same run: the editor's first paint should cost about what reading the track costs.
void OpenEditor(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto* e = new Editor(static_cast<int>(state.range(0)), false);
        state.ResumeTiming();
        e->Open();
        state.PauseTiming();
        delete e;
        state.ResumeTiming();
    }
}

void LoadSongFloor(benchmark::State& state) {
    for (auto _ : state) {
        auto* e = new Editor(static_cast<int>(state.range(0)), false);
        state.PauseTiming();
        delete e;
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(OpenEditor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(LoadSongFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(WarmPaint)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(ColdPaint)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollStep)->Arg(10000)->Arg(1000000)->Unit(benchmark::kMillisecond);
