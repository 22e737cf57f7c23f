// The property page base: the object through which the host shows the editor window.
#pragma once

#include <atomic>
#include <string>

#include "mp/records.h"
#include "win/com.h"
#include "win/types.h"

namespace mp {

class COPTPlugin;

// UTF-8 (the user interface's text) to UTF-16 (the contract's and the page's text).
std::u16string Utf8ToUtf16(const char* text);

// IPropertyPage over the plug-in object. The editor window exists from Activate to Deactivate;
// subclasses say how to create it. Only DataNotify and TimeNotify may run on a host thread.
class CBaseListPage : public win::IPropertyPage {
public:
    CBaseListPage() = default;

    // IUnknown: answers IUnknown and IPropertyPage.
    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    win::ULONG AddRef() override;
    win::ULONG Release() override;
    // IPropertyPage
    win::HRESULT SetPageSite(win::IPropertyPageSite* site) override;
    win::HRESULT Activate(win::HWND parent, win::LPCRECT rect, win::BOOL modal) override;
    win::HRESULT Deactivate() override;
    win::HRESULT GetPageInfo(win::PROPPAGEINFO* info) override;
    win::HRESULT SetObjects(win::ULONG count, win::IUnknown** objects) override;
    win::HRESULT Show(win::UINT cmdShow) override;
    win::HRESULT Move(win::LPCRECT rect) override;
    win::HRESULT IsPageDirty() override;
    win::HRESULT Apply() override;
    win::HRESULT Help(win::LPCOLESTR helpDir) override;
    win::HRESULT TranslateAccelerator(win::MSG* msg) override;

    // [last Release] Destroys the editor window and releases the object and the site.
    virtual ~CBaseListPage();
    // [creating thread] Called once by the creator before the page is handed out; a failure makes the
    // creator destroy the page.
    virtual win::HRESULT Initialize() { return win::S_OK; }
    // [any thread] From the plug-in object's OnTimeNotify: posts PRM_TRANSPORT_TICK unless one is
    // outstanding.
    virtual void TimeNotify(win::DWORD positionLow, win::DWORD positionHigh);
    // [any thread] From the plug-in object's OnNotify: posts PRM_TRACK_LIST_CHANGED unless one is
    // outstanding. The record stays the caller's.
    virtual void DataNotify(const NotificationRecord* record);
    virtual win::HRESULT Reserved18() { return win::E_NOTIMPL; }

    win::HWND EditorWindow() const noexcept { return window_.load(); }
    COPTPlugin* Plugin() const noexcept { return plugin_.load(); }
    win::IPropertyPageSite* Site() const noexcept { return site_; }
    win::SIZE PageSize() const noexcept { return size_; }

protected:
    // [ui thread] Creates the editor dialog as a child of parent with `param` as its creation
    // parameter (0 when the page only measures it). Null on failure; the page owns the window.
    virtual win::HWND CreateEditorDialog(win::HWND parent, win::LPARAM param) = 0;
    // [ui thread] The help file path (may be empty), kept by the page; the caller copies it.
    virtual const char16_t* HelpFilePath() const { return u""; }
    // [ui thread] Hooks around attaching and detaching the plug-in object; the object is the
    // caller's (a subclass that keeps it takes its own reference).
    virtual void OnObjectAttached(win::IUnknown*) {}
    virtual void OnObjectDetached() {}

private:
    void DropObject();

    std::atomic<win::LONG> refs_{0};
    win::IUnknown* object_ = nullptr;         // the object given to SetObjects, held
    std::atomic<COPTPlugin*> plugin_{nullptr}; // its IMPInitialise, held
    win::IPropertyPageSite* site_ = nullptr;  // held
    std::atomic<win::HWND> window_{nullptr};
    win::SIZE size_{0, 0};
};

} // namespace mp
