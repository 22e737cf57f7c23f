// The three exported entry points through which the host learns and creates the plug-in.
#include <cstring>

#include "module/pianoroll_plugin.h"
#include "mp/class_factory.h"
#include "page/pianoroll_page.h"
#include "win/com.h"

using namespace win;

namespace {
constexpr DWORD kPluginFlags = 0x52;
}

extern "C" {

__attribute__((visibility("default"))) HRESULT VorOPTPlug_GetOPTObjectInfo(CLSID* clsid, char16_t* name,
                                                                            int length, DWORD* flags) {
    if (!clsid || !flags || (length > 0 && !name)) return E_POINTER;
    if (length > 0) {
        const char16_t source[] = u"Piano Roll";
        const int available = static_cast<int>(std::size(source)) - 1;
        const int n = length - 1 < available ? length - 1 : available;
        std::memcpy(name, source, static_cast<std::size_t>(n) * sizeof(char16_t));
        name[n] = 0;
    }
    *clsid = mp::CLSID_PianoRollPlugin;
    *flags = kPluginFlags;
    return S_OK;
}

__attribute__((visibility("default"))) HRESULT VorOPTPlug_CreateOPTObject(IUnknown** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    mp::COPTPianoRollPlugin* plugin = nullptr;
    HRESULT hr = mp::NewPianoRollPlugin(0, &plugin);
    if (FAILED(hr)) return hr;
    plugin->AddRef();
    hr = plugin->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(out));
    plugin->Release();
    return hr;
}

__attribute__((visibility("default"))) HRESULT VorOPTPlug_CreateOPTPropertyPage(const CLSID* clsid,
                                                                                 IPropertyPage** out) {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (!clsid || *clsid != mp::CLSID_PianoRollPage) return E_NOINTERFACE;
    return mp::CreatePageObject(&pianoroll::MakePianoRollPage, IID_IPropertyPage, reinterpret_cast<void**>(out));
}

} // extern "C"
