// COMPSPlugClassFactory and COMPSPageCF.
#include "mp/class_factory.h"

#include <cstdint>

#include "mp/page.h"
#include "mp/plugin.h"
#include "win/com_helpers.h"

namespace mp {

using namespace win;

namespace {

HRESULT MakeNoPlugin(DWORD, COPTPlugin** made) {
    *made = nullptr;
    return E_NOTIMPL;
}
CBaseListPage* MakeNoPage() { return nullptr; }

} // namespace

HRESULT CFactoryBase::QueryInterface(REFIID riid, void** ppv) {
    return QueryInterfaceFrom(riid, ppv, {{IID_IClassFactory, this}});
}

ULONG CFactoryBase::AddRef() { return static_cast<ULONG>(refs_.fetch_add(1) + 1); }

ULONG CFactoryBase::Release() {
    LONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return static_cast<ULONG>(left < 0 ? 0 : left);
}

HRESULT CFactoryBase::LockServer(BOOL lock) {
    if (lock) {
        locks_.fetch_add(1);
        return S_OK;
    }
    LONG now = locks_.load();
    while (now > 0 && !locks_.compare_exchange_weak(now, now - 1)) {
    }
    return S_OK;
}

COMPSPlugClassFactory::COMPSPlugClassFactory(PluginMaker maker, DWORD p1, DWORD p2, DWORD p3, DWORD p4)
    : CFactoryBase(p1, p2, p3, p4), maker_(maker ? maker : &MakeNoPlugin) {}

HRESULT COMPSPlugClassFactory::CreateInstance(IUnknown* outer, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    COPTPlugin* plugin = nullptr;
    const auto argument = static_cast<DWORD>(reinterpret_cast<std::uintptr_t>(outer));
    HRESULT hr = maker_(argument, &plugin);
    if (hr != S_OK || !plugin) {
        delete plugin;
        return E_NOINTERFACE;
    }
    hr = plugin->QueryInterface(riid, ppv);
    if (FAILED(hr)) delete plugin;
    return hr;
}

HRESULT CreatePageObject(COMPSPageCF::PageMaker maker, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    CBaseListPage* page = maker ? maker() : nullptr;
    if (!page) return E_NOINTERFACE;
    if (FAILED(page->Initialize()) || FAILED(page->QueryInterface(riid, ppv))) {
        *ppv = nullptr;
        delete page;
        return E_NOINTERFACE;
    }
    return S_OK;
}

COMPSPageCF::COMPSPageCF(PageMaker maker, DWORD p1, DWORD p2, DWORD p3, DWORD p4)
    : CFactoryBase(p1, p2, p3, p4), maker_(maker ? maker : &MakeNoPage) {}

HRESULT COMPSPageCF::CreateInstance(IUnknown*, REFIID riid, void** ppv) { return CreatePageObject(maker_, riid, ppv); }

} // namespace mp
