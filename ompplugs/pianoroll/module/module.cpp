// Loading and unloading of pianoroll.so: support start-up, window classes, resources, clean-up.
#include "module/module.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <new>
#include <string>

#include "frame/dialogs.h"
#include "frame/editor_dialog.h"
#include "module/pianoroll_plugin.h"
#include "mp/class_factory.h"
#include "mp/module_strings.h"
#include "page/pianoroll_page.h"
#include "view/track_view.h"
#include "vor/strings.h"
#include "win/controls.h"
#include "win/win.h"

namespace pianoroll {
namespace {

using namespace win;

HINSTANCE gInstance = nullptr;
// Built on first use and never destroyed: ModuleLoad runs before this file's static initialisers, and
// ModuleUnload after the process's static destructors may have run.
std::string& Folder() {
    static std::string* folder = new std::string;
    return *folder;
}
std::string& Caption() {
    static std::string* caption = new std::string("MIDI Piano Roll Editor");
    return *caption;
}
bool gTrackViewRegistered = false;
bool gLogoRegistered = false;

std::mutex gFactoryLock;
mp::CFactoryBase* gPluginFactory = nullptr;
mp::CFactoryBase* gPageFactory = nullptr;

// Runs when the module is mapped into the process.
__attribute__((constructor)) void ModuleLoad() {
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&ModuleLoad), &info) && info.dli_fname) {
        gInstance = reinterpret_cast<HINSTANCE>(info.dli_fbase);
        std::filesystem::path path(info.dli_fname);
        Folder() = path.has_parent_path() ? path.parent_path().string() + "/" : std::string("./");
    } else {
        gInstance = reinterpret_cast<HINSTANCE>(&gInstance);
        Folder() = "./";
    }
    mp::RegisterModuleStrings();
    VorStr_SetLanguage("en");
    bool found = false;
    const char* caption = mp::ModuleString(mp::IDS_CAPTION, &found);
    if (found && caption && *caption) Caption() = caption;
    RegisterEditorDialog(gInstance);
    RegisterPreferencesDialog(gInstance);
    RegisterAboutBox(gInstance);
    RegisterModuleClasses();
}

// Runs when the module is unmapped.
__attribute__((destructor)) void ModuleUnload() {
    UnregisterModuleClasses();
    ReleaseModuleClassFactories();
    if (gInstance) UnregisterModuleResources(gInstance);
    gInstance = nullptr;
}

} // namespace

HINSTANCE ModuleInstance() noexcept { return gInstance; }
const std::string& ModuleFolder() noexcept { return Folder(); }
const char* MessageBoxCaption() noexcept { return Caption().c_str(); }

bool RegisterModuleClasses() noexcept {
    // A global class the module offers to the whole process; the editor itself makes no logo window.
    WNDCLASSEX logo{};
    logo.cbSize = sizeof logo;
    logo.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    logo.lpfnWndProc = DefWindowProc;
    logo.cbWndExtra = kLogoWindowBytes;
    logo.hInstance = gInstance;
    logo.hCursor = LoadCursor(nullptr, IDC_ARROW);
    logo.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_WINDOW + 1));
    logo.lpszClassName = kLogoClass;
    gLogoRegistered = RegisterClassEx(&logo) != 0;

    WNDCLASSEX view{};
    view.cbSize = sizeof view;
    view.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    view.lpfnWndProc = TrackViewWindowProc;
    view.hInstance = gInstance;
    view.hCursor = LoadCursor(nullptr, IDC_ARROW);
    view.lpszClassName = kTrackViewClass;
    gTrackViewRegistered = RegisterClassEx(&view) != 0;
    return gLogoRegistered && gTrackViewRegistered;
}

void UnregisterModuleClasses() noexcept {
    if (gTrackViewRegistered) UnregisterClass(kTrackViewClass, gInstance);
    if (gLogoRegistered) UnregisterClass(kLogoClass, gInstance);
    gTrackViewRegistered = gLogoRegistered = false;
}

HRESULT GetModuleClassFactory(REFCLSID clsid, REFIID riid, void** ppv) noexcept {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    std::lock_guard<std::mutex> guard(gFactoryLock);
    mp::CFactoryBase** slot = nullptr;
    if (clsid == mp::CLSID_PianoRollPlugin) slot = &gPluginFactory;
    else if (clsid == mp::CLSID_PianoRollPage) slot = &gPageFactory;
    else return CLASS_E_CLASSNOTAVAILABLE;
    if (!*slot) {
        mp::CFactoryBase* made = nullptr;
        if (slot == &gPluginFactory) made = new (std::nothrow) mp::COMPSPlugClassFactory(&mp::MakePianoRollPlugin, 0, 0, 0, 0);
        else made = new (std::nothrow) mp::COMPSPageCF(&MakePianoRollPage, 0, 0, 0, 0);
        if (!made) return E_OUTOFMEMORY;
        made->AddRef();
        *slot = made;
    }
    return (*slot)->QueryInterface(riid, ppv);
}

int ReleaseModuleClassFactories() noexcept {
    std::lock_guard<std::mutex> guard(gFactoryLock);
    int held = 0;
    for (mp::CFactoryBase** slot : {&gPluginFactory, &gPageFactory}) {
        if (!*slot) continue;
        if ((*slot)->LockCount() == 0) {
            (*slot)->Release();
            *slot = nullptr;
        } else {
            ++held;
        }
    }
    return held;
}

} // namespace pianoroll
