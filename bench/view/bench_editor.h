// The editor the view benchmarks paint: pianoroll.so loaded and driven through its entry points
// against the host model, in a 1920x1080 host window, over a song of sixteenths.
#pragma once

#include <dlfcn.h>

#include <cstdint>
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

namespace benchview {

constexpr std::uint32_t kQuarter = 960;
constexpr int kWidth = 1920, kHeight = 1080;

// One track of `notes` sixteenths in a row on `channel`, the i-th at pitch(i), in one block that
// ends a quarter after the last note.
template <class Pitch> void LoadSixteenths(host::Store& store, int channel, std::uint32_t order, int notes, Pitch&& pitch) {
    host::TrackValue track;
    track.name = u"Part";
    track.channel = channel;
    track.order = order;
    const std::uint32_t trackId = store.LoadTrack(track);
    host::BlockValue block;
    block.track = trackId;
    block.start = 0;
    block.end = static_cast<std::int64_t>(notes) * kQuarter / 4 + kQuarter;
    const std::uint32_t blockId = store.LoadBlock(block);
    store.ReserveBlockEvents(blockId, static_cast<std::size_t>(notes));
    for (int i = 0; i < notes; ++i) {
        const std::uint8_t data[4] = {static_cast<std::uint8_t>(pitch(i)), 100, 0, 0};
        store.LoadEvent(blockId, static_cast<std::int64_t>(i) * kQuarter / 4, mp::MEK_NOTE, channel, kQuarter / 4, data);
    }
}

// The module, loaded once; the process ends when it cannot be.
inline void* Module() {
    static void* module = dlopen((std::string(VOR_BINARY_DIR) + "/bin/pianoroll.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!module) {
        std::fprintf(stderr, "cannot load the module: %s\n", dlerror());
        std::abort();
    }
    return module;
}

struct Editor {
    using CreateObjectFn = win::HRESULT (*)(win::IUnknown**);
    using CreatePageFn = win::HRESULT (*)(const win::CLSID*, win::IPropertyPage**);

    host::HostProject* project = nullptr;
    host::HostMidiOut* midiOut = nullptr;
    win::IUnknown* plugin = nullptr;
    mp::IMPInitialise* init = nullptr;
    win::IPropertyPage* page = nullptr;
    win::HWND host = nullptr;
    win::HWND editor = nullptr;
    win::HWND view = nullptr;
    pianoroll::TrackView* v = nullptr;
    CreateObjectFn createObject = nullptr;
    CreatePageFn createPage = nullptr;

    // Loads the song `load` writes into the host's store; the editor is not open yet.
    template <class Load> explicit Editor(Load&& load) {
        void* module = Module();
        createObject = reinterpret_cast<CreateObjectFn>(dlsym(module, "VorOPTPlug_CreateOPTObject"));
        createPage = reinterpret_cast<CreatePageFn>(dlsym(module, "VorOPTPlug_CreateOPTPropertyPage"));
        project = host::HostProject::Create();
        midiOut = host::HostMidiOut::Create();
        project->WithStore([&](host::Store& store) {
            load(store);
            store.FinishLoad();
        });
    }
    ~Editor() {
        if (page) Close();
        midiOut->Release();
        project->Release();
    }
    // What a user waits for when the editor opens on the loaded song: the plug-in object, the page,
    // the editor window reading the track, and its first paint.
    void Open() {
        using namespace win;
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
    }
    void Close() {
        page->Deactivate();
        page->SetObjects(0, nullptr);
        page->Release();
        page = nullptr;
        init->Uninitialise();
        init->Release();
        plugin->Release();
        win::DestroyWindow(host);
        win::headless::PumpUntilIdle();
    }
    // `span` ticks from `origin` across, rows of `level` from `topNote` down.
    void ShowView(std::int64_t origin, std::int64_t span, int topNote, int level) {
        pianoroll::SetTimeView(v, origin, span, pianoroll::TV_PROGRAM);
        v->geo.rowHeightLevel = level;
        pianoroll::SetVerticalView(v, (127 - topNote) * pianoroll::kUnitsPerRow, pianoroll::VerticalSpanOfLevel(v, level),
                                   pianoroll::VV_PROGRAM | pianoroll::VV_FIXED_SPAN);
        Paint();
    }
    void Paint() {
        win::InvalidateRect(view, nullptr, win::FALSE);
        win::UpdateWindow(view);
    }
    // A scroll step to the right or back, between `from` and a hundred quarters after it.
    void ScrollStep(std::int64_t from, std::int64_t span, std::int64_t* origin, int* direction) {
        *origin += *direction * kQuarter;
        if (*origin > from + 100 * kQuarter || *origin < from) *direction = -*direction;
        pianoroll::SetTimeView(v, *origin, span, pianoroll::TV_PROGRAM);
        win::UpdateWindow(view);
    }
};

} // namespace benchview
