// COPTPlugin: construction, reference counting, QueryInterface, Initialise and the attached view.
#include "mp/plugin.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>

#include "mp/module_strings.h"
#include "mp/page.h"
#include "mp/private_messages.h"
#include "vor/strings.h"
#include "win/com_helpers.h"
#include "win/win.h"

namespace mp {
namespace {

using namespace win;

constexpr const char* kClipboardFormatName = "Vantrel OPT 1.0";

// Plug-in objects alive in this module; lets a page tell our objects from foreign ones.
std::mutex& LiveLock() {
    static std::mutex lock;
    return lock;
}
std::unordered_set<COPTPlugin*>& LiveObjects() {
    static std::unordered_set<COPTPlugin*> objects;
    return objects;
}

template <class T> void ReleaseAndClear(T*& p) {
    if (p) {
        T* old = p;
        p = nullptr;
        old->Release();
    }
}

} // namespace

COPTPlugin::COPTPlugin(const CLSID& classId, DWORD creationArgument)
    : creationArgument_(creationArgument), classId_(classId) {
    std::lock_guard<std::mutex> guard(LiveLock());
    LiveObjects().insert(this);
}

COPTPlugin::~COPTPlugin() {
    {
        std::lock_guard<std::mutex> guard(LiveLock());
        LiveObjects().erase(this);
    }
    DestroyTrackTable();
    events_.clear();
    ClearListChanges();
    Uninitialise();
    if (view_) {
        CBaseListPage* view = view_;
        view_ = nullptr;
        view->Release();
    }
    ReleaseCompanions();
    FreePortList(outputPorts_);
    FreePortList(inputPorts_);
}

COPTPlugin* COPTPlugin::FromInterface(IUnknown* object) noexcept {
    if (!object) return nullptr;
    auto* candidate = static_cast<COPTPlugin*>(static_cast<IMPInitialise*>(object));
    std::lock_guard<std::mutex> guard(LiveLock());
    return LiveObjects().count(candidate) ? candidate : nullptr;
}

void COPTPlugin::ReleaseCompanions() {
    if (notifySink_) notifySink_->Detach();
    if (timeSink_) timeSink_->Detach();
    if (pages_) pages_->Detach();
    if (persist_) persist_->Detach();
    ReleaseAndClear(notifySink_);
    ReleaseAndClear(timeSink_);
    ReleaseAndClear(pages_);
    ReleaseAndClear(persist_);
}

HRESULT COPTPlugin::QueryInterface(REFIID riid, void** ppv) {
    const HRESULT hr = QueryInterfaceFrom(riid, ppv, {{IID_IMPInitialise, static_cast<IMPInitialise*>(this)},
                                                      {IID_IVorTranslationInfo, static_cast<IVorTranslationInfo*>(this)}});
    if (hr != E_NOINTERFACE) return hr;
    // Everything else is answered by the companion objects (absent before Construct).
    IUnknown* companion = riid == IID_IMPOptionalDelegate                     ? delegate_
                          : riid == IID_IPersistStream || riid == IID_IPersist ? static_cast<IUnknown*>(persist_)
                                                                               : pages_;
    return companion ? companion->QueryInterface(riid, ppv) : E_NOINTERFACE;
}

ULONG COPTPlugin::AddRef() { return static_cast<ULONG>(refs_.fetch_add(1) + 1); }

ULONG COPTPlugin::Release() {
    LONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return static_cast<ULONG>(left < 0 ? 0 : left);
}

HRESULT COPTPlugin::Construct() {
    queueLock_.reset(new (std::nothrow) std::mutex);
    viewLock_.reset(new (std::nothrow) std::mutex);
    if (!queueLock_ || !viewLock_) return E_OUTOFMEMORY;
    Hook46();
    notifySink_ = new (std::nothrow) CMPNotificationSink(this);
    timeSink_ = new (std::nothrow) CMPTimeSink(this);
    pages_ = new (std::nothrow) CSpecifyPropertyPages(this);
    for (IUnknown* made : {static_cast<IUnknown*>(notifySink_), static_cast<IUnknown*>(timeSink_),
                           static_cast<IUnknown*>(pages_)})
        if (made) made->AddRef();
    if (!notifySink_ || !timeSink_ || !pages_) {
        ReleaseCompanions();
        return E_OUTOFMEMORY;
    }
    clipboardFormat_ = RegisterClipboardFormat(kClipboardFormatName);
    return S_OK;
}

HRESULT COPTPlugin::GetPages(CAUUID*) { return E_NOTIMPL; }

void COPTPlugin::ReloadTicksPerQuarter() {
    DWORD ticks = 0;
    if (timeFormat_ && SUCCEEDED(timeFormat_->GetTicksPerQuarter(TIME_FORMAT_TICKS, &ticks))) ticksPerQuarter_ = ticks;
}

HRESULT COPTPlugin::Initialise(IUnknown* hostObject, IMPMidiOut* midiOut, DWORD, DWORD, DWORD* capabilities) {
    // A second Initialise without Uninitialise would leak the first connection.
    if (host_) Uninitialise();
    if (capabilities) *capabilities &= capabilityMask_;
    if (!hostObject) return E_POINTER;
    host_ = hostObject;
    host_->AddRef();
    midiOut_ = midiOut;
    if (midiOut_) midiOut_->AddRef();

    HRESULT hr = host_->QueryInterface(IID_IMPMidiData, reinterpret_cast<void**>(&midiData_));
    if (SUCCEEDED(hr)) hr = host_->QueryInterface(IID_IMPProperties, reinterpret_cast<void**>(&properties_));
    if (SUCCEEDED(hr)) hr = host_->QueryInterface(IID_IMPTimeFormat, reinterpret_cast<void**>(&timeFormat_));
    if (SUCCEEDED(hr)) hr = host_->QueryInterface(IID_IMPPortList, reinterpret_cast<void**>(&portList_));
    if (SUCCEEDED(hr)) hr = AdviseSink(IID_IMPNotificationSink, notifySink_, &notifyCookie_);
    if (SUCCEEDED(hr)) hr = AdviseSink(IID_IMPTimeSink, timeSink_, &timeCookie_);
    if (FAILED(hr)) {
        Uninitialise();
        return hr;
    }
    return S_OK;
}

HRESULT COPTPlugin::AdviseSink(REFIID iid, IUnknown* sink, DWORD* cookie) {
    if (!host_ || !sink) return E_UNEXPECTED;
    IConnectionPointContainer* container = nullptr;
    HRESULT hr = host_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
    if (FAILED(hr)) return hr;
    if (!container) return E_NOINTERFACE;
    IConnectionPoint* point = nullptr;
    hr = container->FindConnectionPoint(iid, &point);
    if (SUCCEEDED(hr) && point) {
        DWORD got = 0;
        hr = point->Advise(sink, &got);
        if (SUCCEEDED(hr)) *cookie = got;
        point->Release();
    } else if (SUCCEEDED(hr)) {
        hr = E_NOINTERFACE;
    }
    container->Release();
    return hr;
}

void COPTPlugin::UnadviseSink(REFIID iid, DWORD* cookie) {
    if (!*cookie || !host_) {
        *cookie = 0;
        return;
    }
    IConnectionPointContainer* container = nullptr;
    if (SUCCEEDED(host_->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container))) &&
        container) {
        IConnectionPoint* point = nullptr;
        if (SUCCEEDED(container->FindConnectionPoint(iid, &point)) && point) {
            point->Unadvise(*cookie);
            point->Release();
        }
        container->Release();
    }
    *cookie = 0;
}

HRESULT COPTPlugin::Uninitialise() {
    ReleaseAndClear(midiData_);
    ReleaseAndClear(properties_);
    ReleaseAndClear(timeFormat_);
    ReleaseAndClear(portList_);
    UnadviseSink(IID_IMPNotificationSink, &notifyCookie_);
    UnadviseSink(IID_IMPTimeSink, &timeCookie_);
    ReleaseAndClear(midiOut_);
    ReleaseAndClear(host_);
    return S_OK;
}

HRESULT COPTPlugin::SetLanguage(DWORD languageId) {
    constexpr DWORD kPrimaryEnglish = 0x09;
    if (languageId != 0 && (languageId & 0x3FF) != kPrimaryEnglish) return E_FAIL;
    RegisterModuleStrings();
    return VorStr_SetLanguage("en") ? S_OK : E_FAIL;
}

HRESULT COPTPlugin::DetachView(CBaseListPage* view) {
    if (!viewLock_) return E_UNEXPECTED;
    CBaseListPage* old = nullptr;
    {
        std::lock_guard<std::mutex> guard(*viewLock_);
        if (view != view_) {
            // A page that is no longer the attached one must not detach its successor.
            return view ? S_FALSE : E_UNEXPECTED;
        }
        old = view_;
        view_ = nullptr;
        viewAttached_.store(false);
    }
    if (old) old->Release();
    return S_OK;
}

HRESULT COPTPlugin::AttachView(CBaseListPage* view) {
    if (!viewLock_) return E_UNEXPECTED;
    if (view) view->AddRef();
    CBaseListPage* old = nullptr;
    {
        std::lock_guard<std::mutex> guard(*viewLock_);
        old = view_;
        view_ = view;
        viewAttached_.store(view != nullptr);
    }
    if (old) old->Release();
    return S_OK;
}

HRESULT COPTPlugin::SendToView(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = view_ ? view_->EditorWindow() : nullptr;
    if (!window) return E_FAIL;
    return SendMessage(window, message, wParam, lParam) ? E_FAIL : S_OK;
}

HRESULT COPTPlugin::IsDirty() { return dirty_ ? S_OK : S_FALSE; }
HRESULT COPTPlugin::Load(IStream*) { return E_NOTIMPL; }
HRESULT COPTPlugin::Save(IStream*, BOOL) { return E_NOTIMPL; }
HRESULT COPTPlugin::GetSizeMax(ULARGE_INTEGER*) { return E_NOTIMPL; }

HRESULT COPTPlugin::SelectListed(std::vector<MPSelectListEntry>& list, bool on, std::size_t first) {
    if (!properties_ || !bulkReads_ || list.size() < kSelectListHeadRoom || transactionDepth_ == 0) return E_NOTIMPL;
    const auto count = static_cast<std::uint32_t>(list.size() - kSelectListHeadRoom);
    // The host writes the changed keys straight into the names its reports will be matched against;
    // they are reported only when the transaction ends.
    const std::size_t at = ownSelectionWrites_.size();
    ownSelectionWrites_.resize(at + count);
    std::uint32_t changed = 0;
    const MPSelectListHeader header{count, sizeof(MPSelectListEntry), ownSelectionWrites_.data() + at, &changed, 0};
    std::memcpy(list.data(), &header, sizeof header);
    const HRESULT hr = properties_->SetProperty(PID_SELECT_EVENT_LIST, on ? SELECT_SET : SELECT_CLEAR, 0,
                                                static_cast<DWORD>(list.size() * sizeof(MPSelectListEntry)), list.data());
    ownSelectionWrites_.resize(at + (SUCCEEDED(hr) ? std::min(changed, count) : 0));
    // Their reports skip the list's upkeep: the entries of the changed events, named in the order
    // listed, take the flag here; a name out of that order leaves the flags unknown instead.
    std::size_t i = listChanges_.empty() && listLeaving_.empty() && SUCCEEDED(hr) ? first : SIZE_MAX;
    for (std::size_t w = at; w < ownSelectionWrites_.size(); ++w) {
        while (i < events_.size() && !(events_[i].key == ownSelectionWrites_[w])) ++i;
        if (i >= events_.size()) {
            ++listLayout_;
            entryFlagsUnread_ = true;
            break;
        }
        SetEntrySelected(events_[i++], on);
    }
    return SUCCEEDED(hr) ? S_OK : E_NOTIMPL;
}

} // namespace mp
