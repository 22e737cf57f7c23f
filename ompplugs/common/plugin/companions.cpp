// The plug-in object's companion objects: the two sinks, the property-pages object and the
// persistence object. Each keeps a plain pointer to the plug-in object, cleared when it goes.
#include "mp/plugin.h"

#include "win/com_helpers.h"

namespace mp {

using namespace win;

HRESULT CMPNotificationSink::QueryInterface(REFIID riid, void** ppv) {
    return QueryInterfaceFrom(riid, ppv, {{IID_IMPNotificationSink, this}, {IID_IMPNotificationRunSink, this}});
}
HRESULT CMPNotificationSink::OnNotify(const NotificationRecord* record) {
    COPTPlugin* owner = Owner();
    if (!owner) return E_UNEXPECTED;
    if (!record) return E_POINTER;
    return owner->OnNotify(record, true);
}
HRESULT CMPNotificationSink::BeginNotifications(DWORD count) {
    COPTPlugin* owner = Owner();
    return owner ? owner->BeginNotifyRun(count) : E_UNEXPECTED;
}
HRESULT CMPNotificationSink::EndNotifications() {
    COPTPlugin* owner = Owner();
    return owner ? owner->EndNotifyRun() : E_UNEXPECTED;
}

HRESULT CMPTimeSink::QueryInterface(REFIID riid, void** ppv) {
    return QueryInterfaceFrom(riid, ppv, {{IID_IMPTimeSink, this}});
}
HRESULT CMPTimeSink::OnTimeNotify(DWORD positionLow, DWORD positionHigh) {
    COPTPlugin* owner = Owner();
    return owner ? owner->OnTimeNotify(positionLow, positionHigh) : E_UNEXPECTED;
}

HRESULT CSpecifyPropertyPages::QueryInterface(REFIID riid, void** ppv) {
    return QueryInterfaceFrom(riid, ppv, {{IID_ISpecifyPropertyPages, this}});
}
HRESULT CSpecifyPropertyPages::GetPages(CAUUID* pages) {
    COPTPlugin* owner = Owner();
    return owner ? owner->GetPages(pages) : E_UNEXPECTED;
}

HRESULT COPTPluginPersit::QueryInterface(REFIID riid, void** ppv) {
    const HRESULT hr = QueryInterfaceFrom(riid, ppv, {{IID_IPersistStream, this}, {IID_IPersist, this}});
    if (hr != E_NOINTERFACE) return hr;
    COPTPlugin* owner = Owner();
    return owner ? owner->QueryInterface(riid, ppv) : E_NOINTERFACE;
}
COPTPluginPersit::COPTPluginPersit(COPTPlugin* owner) : CCompanion(owner), classId_(owner->ClassId()) {}
HRESULT COPTPluginPersit::GetClassID(CLSID* clsid) {
    if (!clsid) return E_POINTER;
    *clsid = classId_;
    return S_OK;
}
HRESULT COPTPluginPersit::IsDirty() {
    COPTPlugin* owner = Owner();
    return owner ? owner->IsDirty() : E_UNEXPECTED;
}
HRESULT COPTPluginPersit::Load(IStream* stream) {
    COPTPlugin* owner = Owner();
    return owner ? owner->Load(stream) : E_UNEXPECTED;
}
HRESULT COPTPluginPersit::Save(IStream* stream, BOOL clearDirty) {
    COPTPlugin* owner = Owner();
    return owner ? owner->Save(stream, clearDirty) : E_UNEXPECTED;
}
HRESULT COPTPluginPersit::GetSizeMax(ULARGE_INTEGER* size) {
    COPTPlugin* owner = Owner();
    return owner ? owner->GetSizeMax(size) : E_UNEXPECTED;
}

} // namespace mp
