// EditorFixture: a song in the host model, the editor module loaded through its entry points, and
// the page opened in a top-level window of the headless backend.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "mp/host_contract.h"
#include "song_fixture.h"
#include "win/com.h"
#include "win/win.h"

namespace harness {

using GetInfoFn = win::HRESULT (*)(win::CLSID*, char16_t*, int, win::DWORD*);
using CreateObjectFn = win::HRESULT (*)(win::IUnknown**);
using CreatePageFn = win::HRESULT (*)(const win::CLSID*, win::IPropertyPage**);

// The module's three entry points, from bin/pianoroll.so loaded once per process.
struct ModuleEntryPoints {
    void* handle = nullptr;
    GetInfoFn getInfo = nullptr;
    CreateObjectFn createObject = nullptr;
    CreatePageFn createPage = nullptr;
    std::string error; // dlopen/dlsym message when something is missing
};
const ModuleEntryPoints& Module();
std::string ModulePath();

// A page site that answers what a host's dialog frame would, and counts status changes.
class TestPageSite final : public win::IPropertyPageSite {
public:
    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    win::ULONG AddRef() override { return ++refs; }
    win::ULONG Release() override { return --refs; } // lives on the fixture, never freed here
    win::HRESULT OnStatusChange(win::DWORD) override { ++statusChanges; return win::S_OK; }
    win::HRESULT GetLocaleID(win::LCID* lcid) override;
    win::HRESULT GetPageContainer(win::IUnknown** container) override;
    win::HRESULT TranslateAccelerator(win::MSG*) override { return win::S_FALSE; }
    int refs = 0;
    int statusChanges = 0;
};

class EditorFixture : public SongFixture {
protected:
    void SetUp() override;
    void TearDown() override;

    // ---- the song, in the host model (tracks and blocks through SongFixture) ----
    std::uint32_t AddNote(std::uint32_t block, std::int64_t time, std::uint32_t duration, int note,
                          int velocity = 100, int channel = 0);
    // Replaces a port list (kind 1 output, 0 the other); the host reports the change.
    void SetPorts(std::uint32_t kind, const std::vector<std::pair<std::uint32_t, std::u16string>>& ports);

    // ---- the module ----
    // Creates the plug-in object through the entry point; plugin and init hold one reference each.
    void CreatePlugin();
    win::HRESULT InitialisePlugin(win::DWORD mode = mp::INIT_MODE_EDITOR);
    void CreatePage();
    // Creates the host's top-level window, gives the page its object and site, and activates it.
    win::HRESULT OpenEditor(int width = 800, int height = 500);
    void CloseEditor();
    // The editor window the page created (a child of hostWindow), or null.
    win::HWND EditorWindow() const;
    int Pump();

    // Interfaces of the plug-in object (each a reference of its own; released in TearDown).
    template <class T> T* Query(const win::IID& iid) {
        T* out = nullptr;
        if (!plugin || win::FAILED(plugin->QueryInterface(iid, reinterpret_cast<void**>(&out)))) return nullptr;
        return out;
    }

    win::IUnknown* plugin = nullptr;
    mp::IMPInitialise* init = nullptr;
    win::IPropertyPage* page = nullptr;
    win::HWND hostWindow = nullptr;
    TestPageSite site;
};

} // namespace harness
