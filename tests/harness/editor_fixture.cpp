// EditorFixture: song building in the host model, module loading and the editor's host window.
#include "editor_fixture.h"

#include <dlfcn.h>

#include "win/backend.h"
#include "win/controls.h"

namespace harness {

using namespace win;

std::string ModulePath() { return std::string(VOR_BINARY_DIR) + "/bin/pianoroll.so"; }

const ModuleEntryPoints& Module() {
    static const ModuleEntryPoints loaded = [] {
        ModuleEntryPoints m;
        m.handle = dlopen(ModulePath().c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m.handle) {
            m.error = dlerror();
            return m;
        }
        m.getInfo = reinterpret_cast<GetInfoFn>(dlsym(m.handle, "VorOPTPlug_GetOPTObjectInfo"));
        m.createObject = reinterpret_cast<CreateObjectFn>(dlsym(m.handle, "VorOPTPlug_CreateOPTObject"));
        m.createPage = reinterpret_cast<CreatePageFn>(dlsym(m.handle, "VorOPTPlug_CreateOPTPropertyPage"));
        if (!m.getInfo || !m.createObject || !m.createPage) m.error = "an entry point is missing";
        return m;
    }();
    return loaded;
}

HRESULT TestPageSite::QueryInterface(REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (riid != IID_IUnknown && riid != IID_IPropertyPageSite) return E_NOINTERFACE;
    *ppv = static_cast<IPropertyPageSite*>(this);
    AddRef();
    return S_OK;
}

HRESULT TestPageSite::GetLocaleID(LCID* lcid) {
    if (!lcid) return E_POINTER;
    *lcid = 0x409;
    return S_OK;
}

HRESULT TestPageSite::GetPageContainer(IUnknown** container) {
    if (container) *container = nullptr;
    return E_NOTIMPL;
}

void EditorFixture::SetUp() {
    const ModuleEntryPoints& m = Module();
    ASSERT_TRUE(m.error.empty()) << m.error;
    SongFixture::SetUp();
}

void EditorFixture::TearDown() {
    CloseEditor();
    if (page) {
        page->SetObjects(0, nullptr);
        page->Release();
        page = nullptr;
    }
    if (init) {
        init->Uninitialise();
        init->Release();
        init = nullptr;
    }
    if (plugin) {
        plugin->Release();
        plugin = nullptr;
    }
    if (hostWindow) {
        DestroyWindow(hostWindow);
        hostWindow = nullptr;
    }
    Pump();
    SongFixture::TearDown();
    EXPECT_EQ(site.refs, 0) << "the page kept a reference on its site";
}

std::uint32_t EditorFixture::AddNote(std::uint32_t block, std::int64_t time, std::uint32_t duration, int note,
                                     int velocity, int channel) {
    return AddEvent(block, time, mp::MEK_NOTE, duration, note, velocity, channel);
}

void EditorFixture::SetPorts(std::uint32_t kind, const std::vector<std::pair<std::uint32_t, std::u16string>>& ports) {
    std::vector<host::PortInfo> infos;
    for (const auto& [id, name] : ports) {
        host::PortInfo info;
        info.id = id;
        info.guid = GUID{0x50000000u + id, 0x1234, 0x5678, {1, 2, 3, 4, 5, 6, 7, static_cast<BYTE>(kind)}};
        info.name = name;
        infos.push_back(info);
    }
    project->WithStore([&](host::Store& store) { store.SetPorts(kind, infos); });
}

void EditorFixture::CreatePlugin() {
    ASSERT_EQ(Module().createObject(&plugin), S_OK);
    ASSERT_NE(plugin, nullptr);
    ASSERT_EQ(plugin->QueryInterface(mp::IID_IMPInitialise, reinterpret_cast<void**>(&init)), S_OK);
}

HRESULT EditorFixture::InitialisePlugin(DWORD mode) {
    DWORD capabilities = 0xFFFFFFFF;
    return init->Initialise(static_cast<mp::IMPMidiData*>(project), midiOut, mode, 0, &capabilities);
}

void EditorFixture::CreatePage() {
    const CLSID pageClass{0xD3EDE25B, 0x24DD, 0x4688, {0xBC, 0xF1, 0xD2, 0xAA, 0xD5, 0x64, 0x38, 0xBA}};
    ASSERT_EQ(Module().createPage(&pageClass, &page), S_OK);
    ASSERT_NE(page, nullptr);
}

HRESULT EditorFixture::OpenEditor(int width, int height) {
    if (!hostWindow) {
        hostWindow = CreateWindowEx(0, WC_DIALOG, "Host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, width, height,
                                    nullptr, nullptr, nullptr, nullptr);
        if (!hostWindow) return E_FAIL;
    }
    IUnknown* objects[] = {plugin};
    HRESULT hr = page->SetObjects(1, objects);
    if (FAILED(hr)) return hr;
    hr = page->SetPageSite(&site);
    if (FAILED(hr)) return hr;
    RECT client{};
    GetClientRect(hostWindow, &client);
    hr = page->Activate(hostWindow, &client, FALSE);
    if (FAILED(hr)) return hr;
    page->Show(SW_SHOW);
    Pump();
    return S_OK;
}

void EditorFixture::CloseEditor() {
    if (page && EditorWindow()) page->Deactivate();
    if (page) page->SetPageSite(nullptr);
}

HWND EditorFixture::EditorWindow() const {
    return hostWindow ? GetWindow(hostWindow, GW_CHILD) : nullptr;
}

int EditorFixture::Pump() { return headless::PumpUntilIdle(); }

} // namespace harness
