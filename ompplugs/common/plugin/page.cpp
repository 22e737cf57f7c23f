// CBaseListPage: the property page that creates the editor window inside the host's window.
#include "mp/page.h"

#include <cstring>
#include <string>

#include "mp/host_contract.h"
#include "mp/module_strings.h"
#include "mp/plugin.h"
#include "mp/private_messages.h"
#include "win/com_helpers.h"
#include "win/controls.h"
#include "win/win.h"

namespace mp {

using namespace win;

namespace {

constexpr std::size_t kHelpPathChars = 520;
constexpr std::size_t kHelpPathLimit = 259;

} // namespace

std::u16string Utf8ToUtf16(const char* text) {
    std::u16string out;
    if (!text) return out;
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    while (*p) {
        char32_t c = *p++;
        int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
        if (extra) c &= 0x3F >> extra;
        for (; extra > 0 && (*p & 0xC0) == 0x80; --extra) c = (c << 6) | (*p++ & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
    }
    return out;
}

namespace {

LPOLESTR TaskMemCopy(const std::u16string& text, std::size_t capacity) {
    auto* out = static_cast<LPOLESTR>(CoTaskMemAlloc(capacity * sizeof(char16_t)));
    if (!out) return nullptr;
    std::size_t n = std::min(text.size(), capacity - 1);
    std::memcpy(out, text.data(), n * sizeof(char16_t));
    out[n] = 0;
    return out;
}

} // namespace

CBaseListPage::~CBaseListPage() {
    if (HWND window = window_.exchange(nullptr)) DestroyWindow(window);
    DropObject();
    if (site_) site_->Release();
}

HRESULT CBaseListPage::QueryInterface(REFIID riid, void** ppv) {
    return QueryInterfaceFrom(riid, ppv, {{IID_IPropertyPage, this}});
}

ULONG CBaseListPage::AddRef() { return static_cast<ULONG>(refs_.fetch_add(1) + 1); }

ULONG CBaseListPage::Release() {
    LONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return static_cast<ULONG>(left < 0 ? 0 : left);
}

HRESULT CBaseListPage::SetPageSite(IPropertyPageSite* site) {
    if (site) site->AddRef();
    if (site_) site_->Release();
    site_ = site;
    if (site && !window_.load()) {
        // The dialog is a child window; where the window system has no desktop window to parent it,
        // a hidden top-level window stands in while it is measured.
        HWND parent = GetDesktopWindow();
        HWND standIn = nullptr;
        if (!parent) parent = standIn = CreateWindowEx(0, WC_DIALOG, "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
        if (HWND probe = parent ? CreateEditorDialog(parent, 0) : nullptr) {
            RECT r{};
            GetWindowRect(probe, &r);
            size_ = SIZE{r.right - r.left, r.bottom - r.top};
            DestroyWindow(probe);
        }
        if (standIn) DestroyWindow(standIn);
    }
    return S_OK;
}

HRESULT CBaseListPage::Activate(HWND parent, LPCRECT rect, BOOL) {
    if (!rect) return E_POINTER;
    COPTPlugin* plugin = plugin_.load();
    if (!plugin) return E_UNEXPECTED;
    const bool discarded = plugin->ProcessNotifications(true) == S_OK;
    plugin->ReloadTracks(discarded);
    // A second Activate replaces the window instead of leaking the first.
    if (HWND old = window_.exchange(nullptr)) DestroyWindow(old);
    HWND window = CreateEditorDialog(parent, reinterpret_cast<LPARAM>(this));
    if (!window) return E_FAIL;
    window_.store(window);
    ShowWindow(window, SW_HIDE);
    MoveWindow(window, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

HRESULT CBaseListPage::Deactivate() {
    HWND window = window_.exchange(nullptr);
    if (!window) return E_UNEXPECTED;
    DestroyWindow(window);
    return S_OK;
}

HRESULT CBaseListPage::GetPageInfo(PROPPAGEINFO* info) {
    if (!info) return E_POINTER;
    if (info->cb > sizeof(PROPPAGEINFO)) info->cb = sizeof(PROPPAGEINFO);
    bool found = false;
    const char* title = ModuleString(IDS_DISPLAY_NAME, &found);
    if (!found || !title) title = "Piano Roll Editor";
    std::u16string wide = Utf8ToUtf16(title);
    LPOLESTR titleCopy = TaskMemCopy(wide, wide.size() + 1);
    std::u16string help = HelpFilePath();
    if (help.size() > kHelpPathLimit) help.resize(kHelpPathLimit);
    LPOLESTR helpCopy = TaskMemCopy(help, kHelpPathChars);
    if (!titleCopy || !helpCopy) {
        CoTaskMemFree(titleCopy);
        CoTaskMemFree(helpCopy);
        return E_OUTOFMEMORY;
    }
    info->pszTitle = titleCopy;
    info->size = size_;
    info->pszDocString = nullptr;
    info->pszHelpFile = helpCopy;
    info->dwHelpContext = 0;
    return S_OK;
}

void CBaseListPage::DropObject() {
    COPTPlugin* plugin = plugin_.exchange(nullptr);
    if (plugin) {
        plugin->DetachView(this);
        OnObjectDetached();
        plugin->Release();
    }
    if (object_) {
        IUnknown* object = object_;
        object_ = nullptr;
        object->Release();
    }
}

HRESULT CBaseListPage::SetObjects(ULONG count, IUnknown** objects) {
    if (count == 0) {
        DropObject();
        return S_OK;
    }
    if (count != 1) return E_UNEXPECTED;
    if (!objects || !objects[0]) return E_POINTER;
    IUnknown* object = objects[0];
    IMPInitialise* main = nullptr;
    HRESULT hr = object->QueryInterface(IID_IMPInitialise, reinterpret_cast<void**>(&main));
    if (FAILED(hr)) return hr;
    // The page reaches into the plug-in object, so only our own objects are accepted.
    COPTPlugin* plugin = COPTPlugin::FromInterface(main);
    if (!plugin) {
        if (main) main->Release();
        return E_NOINTERFACE;
    }
    object->AddRef();
    DropObject();
    object_ = object;
    plugin_.store(plugin);
    plugin->AttachView(this);
    OnObjectAttached(main);
    return S_OK;
}

HRESULT CBaseListPage::Show(UINT cmdShow) {
    if (HWND window = window_.load()) ShowWindow(window, static_cast<int>(cmdShow));
    return S_OK;
}

HRESULT CBaseListPage::Move(LPCRECT rect) {
    if (!rect) return E_POINTER;
    if (HWND window = window_.load())
        MoveWindow(window, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
    return S_OK;
}

HRESULT CBaseListPage::IsPageDirty() { return S_FALSE; }
HRESULT CBaseListPage::Apply() { return S_OK; }
HRESULT CBaseListPage::Help(LPCOLESTR) { return E_NOTIMPL; }

HRESULT CBaseListPage::TranslateAccelerator(MSG* msg) {
    if (!msg) return E_POINTER;
    HWND window = window_.load();
    if (!window || !SendMessage(window, PRM_QUERY_BUSY, 0, 0)) return S_FALSE;
    return SendMessage(window, msg->message, msg->wParam, msg->lParam) ? S_OK : S_FALSE;
}

void CBaseListPage::DataNotify(const NotificationRecord* record) {
    COPTPlugin* plugin = plugin_.load();
    if (!plugin || !record) return;
    // Without an editor window there is nobody to post to; the records wait in the queue.
    if (!window_.load()) return;
    if (!(plugin->FetchSetFlags(PLF_DATA_POSTED) & PLF_DATA_POSTED)) {
        const WPARAM wParam = (record->changeFlags & NCF_IMMEDIATE) ? 1 : 0;
        const LPARAM lParam = static_cast<LPARAM>(record->changeFlags);
        if (!PostMessage(window_.load(), PRM_TRACK_LIST_CHANGED, wParam, lParam)) plugin->ClearFlags(PLF_DATA_POSTED);
    }
    if (plugin->Flags() & PLF_DATA_POSTED) plugin->ClearFlags(PLF_NOTIFY_PENDING);
}

void CBaseListPage::TimeNotify(DWORD, DWORD) {
    COPTPlugin* plugin = plugin_.load();
    if (!plugin || !window_.load()) return;
    if (!(plugin->FetchSetFlags(PLF_TIME_POSTED) & PLF_TIME_POSTED))
        if (!PostMessage(window_.load(), PRM_TRANSPORT_TICK, 0, 0)) plugin->ClearFlags(PLF_TIME_POSTED);
}

} // namespace mp
