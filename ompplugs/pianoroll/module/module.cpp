// Loading and unloading of pianoroll.so: support start-up, window classes, resources, clean-up.
#include "module/module.h"

#include <dlfcn.h>

#include <filesystem>
#include <mutex>
#include <new>
#include <string>

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
int gLogoFirst = 0;
int gLogoSecond = 0;
bool gTrackViewRegistered = false;
bool gLogoRegistered = false;

std::mutex gFactoryLock;
mp::CFactoryBase* gPluginFactory = nullptr;
mp::CFactoryBase* gPageFactory = nullptr;

LRESULT LogoWindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

int UserInterfaceLocaleIndex() {
    const char* language = VorStr_GetLanguage();
    return language && std::string(language) == "en" ? 0 : -1;
}

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
    RegisterModuleClasses();
}

// Runs when the module is unmapped.
__attribute__((destructor)) void ModuleUnload() {
    UnregisterModuleClasses();
    RemoveFontResourceFile(Folder());
    ReleaseModuleClassFactories();
    if (gInstance) UnregisterModuleResources(gInstance);
    gInstance = nullptr;
}

} // namespace

HINSTANCE ModuleInstance() noexcept { return gInstance; }
const std::string& ModuleFolder() noexcept { return Folder(); }
const char* MessageBoxCaption() noexcept { return Caption().c_str(); }

bool ChooseLogoBitmaps(int localeIndex, int* first, int* second) noexcept {
    int a = 0, b = 0;
    if (localeIndex == 0) a = 5, b = 7;
    else if (localeIndex == 1) a = 6, b = 8;
    if (first) *first = a;
    if (second) *second = b;
    return a != 0;
}

void LogoBitmaps(int* first, int* second) noexcept {
    if (first) *first = gLogoFirst;
    if (second) *second = gLogoSecond;
}

bool RegisterModuleClasses() noexcept {
    WNDCLASSEX logo{};
    logo.cbSize = sizeof logo;
    logo.style = CS_GLOBALCLASS | CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    logo.lpfnWndProc = LogoWindowProc;
    logo.cbWndExtra = 4;
    logo.hInstance = gInstance;
    logo.hCursor = LoadCursor(nullptr, IDC_ARROW);
    logo.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(5 /* COLOR_WINDOW */ + 1));
    logo.lpszClassName = kLogoClass;
    gLogoRegistered = RegisterClassEx(&logo) != 0;
    if (gLogoRegistered) ChooseLogoBitmaps(UserInterfaceLocaleIndex(), &gLogoFirst, &gLogoSecond);

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
    gLogoFirst = gLogoSecond = 0;
}

bool RemoveFontResourceFile(const std::string& folder) noexcept {
    std::error_code error;
    const std::filesystem::path file = std::filesystem::path(folder) / kFontResourceFile;
    if (!std::filesystem::is_regular_file(file, error)) return false;
    return std::filesystem::remove(file, error);
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
