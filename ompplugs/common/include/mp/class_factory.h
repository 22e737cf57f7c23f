// Class factories for the plug-in object and its property page.
#pragma once

#include <atomic>

#include "win/com.h"

namespace mp {

class CBaseListPage;
class COPTPlugin;

// Common part: reference count, lock count, and the four parameters given at creation.
class CFactoryBase : public win::IClassFactory {
public:
    CFactoryBase(win::DWORD p1, win::DWORD p2, win::DWORD p3, win::DWORD p4) : params_{p1, p2, p3, p4} {}
    virtual ~CFactoryBase() = default;
    // Answers IUnknown and IClassFactory.
    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    win::ULONG AddRef() override;
    win::ULONG Release() override;
    // TRUE increments the lock count, FALSE decrements it, never below 0.
    win::HRESULT LockServer(win::BOOL lock) override;

    win::LONG LockCount() const noexcept { return locks_.load(); }
    win::DWORD Parameter(int index) const noexcept { return index >= 0 && index < 4 ? params_[index] : 0; }

private:
    std::atomic<win::LONG> refs_{0};
    std::atomic<win::LONG> locks_{0};
    win::DWORD params_[4];
};

// Creates plug-in objects through the module's plug-in maker; the outer argument becomes the
// creation argument.
class COMPSPlugClassFactory final : public CFactoryBase {
public:
    // Makes a constructed object with a reference count of 0 in *made (null on failure) and returns
    // Construct's code. Called on whatever thread calls CreateInstance; the object goes to the caller.
    using PluginMaker = win::HRESULT (*)(win::DWORD creationArgument, COPTPlugin** made);
    // A null maker is replaced by one that makes nothing, so the factory answers E_NOINTERFACE.
    COMPSPlugClassFactory(PluginMaker maker, win::DWORD p1, win::DWORD p2, win::DWORD p3, win::DWORD p4);
    // E_NOINTERFACE when Construct does not return S_OK; otherwise the result of querying riid
    // (the new object's only reference comes from that query).
    win::HRESULT CreateInstance(win::IUnknown* outer, win::REFIID riid, void** ppv) override;

private:
    PluginMaker maker_;
};

// Creates property pages through the module's page maker.
class COMPSPageCF final : public CFactoryBase {
public:
    // A new page with a reference count of 0, or null when out of memory. Called on whatever thread
    // calls CreateInstance; the page goes to the caller.
    using PageMaker = CBaseListPage* (*)();
    // A null maker is replaced by one that makes nothing, so the factory answers E_NOINTERFACE.
    COMPSPageCF(PageMaker maker, win::DWORD p1, win::DWORD p2, win::DWORD p3, win::DWORD p4);
    // As the page entry point: any failure destroys the page and gives E_NOINTERFACE.
    win::HRESULT CreateInstance(win::IUnknown* outer, win::REFIID riid, void** ppv) override;

private:
    PageMaker maker_;
};

// Makes a page with `maker`, runs its initialisation hook and queries riid; on any failure the
// page is destroyed and E_NOINTERFACE returned.
win::HRESULT CreatePageObject(COMPSPageCF::PageMaker maker, win::REFIID riid, void** ppv);

} // namespace mp
