// Repainting a 1920x1080 editor over a song of 16 tracks and 1,000,000 notes with the other tracks shown
// behind the grid (All Tracks) and without (Off), in one run: warm (copies of the other tracks read, the
// background cached), and a horizontal scroll step. The editor runs from pianoroll.so through its entry
// points against the host model.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "model/host_project.h"
#include "model/midi_out.h"
#include "mp/host_contract.h"
#include "resources/command_ids.h"
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
constexpr int kTracks = 16;
constexpr int kNotes = 1000000;

// One open editor over 16 tracks of sixteenths, each track over its own 24 pitches (the drums on channel
// 10), every track as long as the others.
struct Editor {
    host::HostProject* project = nullptr;
    host::HostMidiOut* midiOut = nullptr;
    IUnknown* plugin = nullptr;
    mp::IMPInitialise* init = nullptr;
    IPropertyPage* page = nullptr;
    HWND host = nullptr;
    HWND editor = nullptr;
    HWND view = nullptr;
    pianoroll::TrackView* v = nullptr;

    Editor() {
        static void* module = dlopen((std::string(VOR_BINARY_DIR) + "/bin/pianoroll.so").c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!module) {
            std::fprintf(stderr, "cannot load the module: %s\n", dlerror());
            std::abort();
        }
        auto createObject = reinterpret_cast<CreateObjectFn>(dlsym(module, "VorOPTPlug_CreateOPTObject"));
        auto createPage = reinterpret_cast<CreatePageFn>(dlsym(module, "VorOPTPlug_CreateOPTPropertyPage"));
        project = host::HostProject::Create();
        midiOut = host::HostMidiOut::Create();
        project->WithStore([&](host::Store& store) {
            const int perTrack = kNotes / kTracks;
            for (int t = 0; t < kTracks; ++t) {
                host::TrackValue track;
                track.name = u"Part";
                track.channel = t;
                track.order = static_cast<std::uint32_t>(t + 1);
                const std::uint32_t trackId = store.LoadTrack(track);
                host::BlockValue block;
                block.track = trackId;
                block.start = 0;
                block.end = static_cast<std::int64_t>(perTrack) * kQuarter / 4 + kQuarter;
                const std::uint32_t blockId = store.LoadBlock(block);
                store.ReserveBlockEvents(blockId, static_cast<std::size_t>(perTrack));
                for (int i = 0; i < perTrack; ++i) {
                    const std::uint8_t data[4] = {static_cast<std::uint8_t>(30 + 4 * t + (i * 7) % 24), 100, 0, 0};
                    store.LoadEvent(blockId, static_cast<std::int64_t>(i) * kQuarter / 4, mp::MEK_NOTE, t, kQuarter / 4, data);
                }
            }
            store.FinishLoad();
        });
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
        editor = GetWindow(host, GW_CHILD);
        view = GetDlgItem(editor, 1002);
        v = reinterpret_cast<pianoroll::TrackView*>(GetWindowLongPtr(view, GWLP_USERDATA));
        // 500 beats over every pitch the 16 tracks use: about 2,000 notes of the shown track in view.
        pianoroll::SetTimeView(v, 1000 * kQuarter, 500 * kQuarter, pianoroll::TV_PROGRAM);
        v->geo.rowHeightLevel = 3;
        pianoroll::SetVerticalView(v, (127 - 115) * pianoroll::kUnitsPerRow, pianoroll::VerticalSpanOfLevel(v, 3),
                                   pianoroll::VV_PROGRAM | pianoroll::VV_FIXED_SPAN);
        Paint();
    }
    void Show(bool others) {
        SendMessage(editor, WM_COMMAND, MAKEWPARAM(others ? pianoroll::CMD_GHOSTS_ALL : pianoroll::CMD_GHOSTS_OFF, 0), 0);
        Paint(); // the first paint with the layer reads the other tracks once
    }
    void Paint() {
        InvalidateRect(view, nullptr, FALSE);
        UpdateWindow(view);
    }
};

Editor& TheEditor() {
    static Editor* editor = new Editor();
    return *editor;
}

void WarmRepaint(benchmark::State& state) {
    Editor& e = TheEditor();
    e.Show(state.range(0) != 0);
    for (auto _ : state) e.Paint();
    state.counters["ghosts"] = pianoroll::CountGhosts(e.v);
    state.counters["shown_notes"] =
        static_cast<double>(e.v->gridCache.displayList.size() - static_cast<std::size_t>(e.v->gridCache.displayRowCount));
}

void ScrollStep(benchmark::State& state) {
    Editor& e = TheEditor();
    e.Show(state.range(0) != 0);
    std::int64_t origin = 1000 * kQuarter;
    int direction = 1;
    for (auto _ : state) {
        origin += direction * kQuarter;
        if (origin > 1100 * kQuarter || origin < 1000 * kQuarter) direction = -direction;
        pianoroll::SetTimeView(e.v, origin, 500 * kQuarter, pianoroll::TV_PROGRAM);
        UpdateWindow(e.view);
    }
}

} // namespace

// Arg 0: Off; arg 1: All Tracks.
BENCHMARK(WarmRepaint)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollStep)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
