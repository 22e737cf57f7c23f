// COPTPianoRollPlugin: the piano-roll plug-in's identity, settings stream and notification reactions.
#include "module/pianoroll_plugin.h"

#include <cstring>
#include <new>

#include "mp/page.h"
#include "mp/private_messages.h"
#include "mp/settings_stream.h"
#include "mp/song_maps.h"

namespace mp {

using namespace win;

HRESULT NewPianoRollPlugin(DWORD creationArgument, COPTPianoRollPlugin** made) {
    if (!made) return E_POINTER;
    *made = nullptr;
    auto* plugin = new (std::nothrow) COPTPianoRollPlugin(creationArgument);
    if (!plugin) return E_OUTOFMEMORY;
    HRESULT hr = plugin->Construct();
    if (FAILED(hr)) {
        delete plugin;
        return hr;
    }
    *made = plugin;
    return hr;
}

HRESULT MakePianoRollPlugin(DWORD creationArgument, COPTPlugin** made) {
    if (!made) return E_POINTER;
    COPTPianoRollPlugin* plugin = nullptr;
    const HRESULT hr = NewPianoRollPlugin(creationArgument, &plugin);
    *made = plugin;
    return hr;
}

HRESULT COPTPianoRollPlugin::Construct() {
    const char16_t name[] = u"Piano Roll";
    std::memcpy(name_, name, sizeof name);
    ResetSettingsHeader(header_);
    settings_.Reset();
    HRESULT hr = COPTPlugin::Construct();
    if (FAILED(hr)) return hr;
    persist_ = new (std::nothrow) COPTPluginPersit(this);
    if (!persist_) return E_OUTOFMEMORY;
    persist_->AddRef();
    return S_OK;
}

HRESULT COPTPianoRollPlugin::GetPages(CAUUID* pages) {
    if (!pages) return E_POINTER;
    auto* ids = static_cast<GUID*>(CoTaskMemAlloc(sizeof(GUID)));
    if (!ids) {
        pages->cElems = 0;
        pages->pElems = nullptr;
        return E_OUTOFMEMORY;
    }
    ids[0] = CLSID_PianoRollPage;
    pages->cElems = 1;
    pages->pElems = ids;
    return S_OK;
}

HRESULT COPTPianoRollPlugin::Initialise(IUnknown* hostObject, IMPMidiOut* midiOut, DWORD modeFlags,
                                        DWORD reserved, DWORD* capabilities) {
    if (!(modeFlags & INIT_MODE_EDITOR)) {
        Uninitialise();
        return E_FAIL;
    }
    HRESULT hr = COPTPlugin::Initialise(hostObject, midiOut, modeFlags, reserved, capabilities);
    if (FAILED(hr)) return hr;
    ReloadTicksPerQuarter();
    RefreshPorts(PORT_KIND_OUTPUT);
    return S_OK;
}

bool COPTPianoRollPlugin::RaiseSongLengthFromBlock() {
    if (!midiData_ || tracks_.empty()) return false;
    std::size_t index = currentTrack_ >= 0 ? static_cast<std::size_t>(currentTrack_) : 0;
    if (index >= tracks_.size() || tracks_[index].blocks.empty()) return false;
    // The data stays as it is while a batch runs: one look at a block serves all its records.
    const EventKey& first = tracks_[index].blocks[0];
    if (entryContext_.active) {
        if (entryContext_.lengthBlock == first) return false;
        entryContext_.lengthBlock = first;
    }
    BlockRecord block{};
    if (midiData_->Get(&first, LEVEL_BLOCK, &block, TIME_FORMAT_TICKS) != S_OK) return false;
    const std::int64_t length = block.end - block.start;
    if (length <= settings_.songLength) return false;
    settings_.songLength = length;
    return true;
}

HRESULT COPTPianoRollPlugin::OnDataChanged(const NotificationRecord& record, bool immediate) {
    HRESULT hr = COPTPlugin::OnDataChanged(record, immediate);
    if (!immediate && RaiseSongLengthFromBlock()) SendToView(PRM_TRACK_CONTENT_CHANGED);
    return hr;
}

void COPTPianoRollPlugin::OnDataChangedRun(const NotificationRecord& first, const std::uint32_t* ids, std::uint32_t count) {
    COPTPlugin::OnDataChangedRun(first, ids, count);
    if (RaiseSongLengthFromBlock()) SendToView(PRM_TRACK_CONTENT_CHANGED);
}

HRESULT COPTPianoRollPlugin::OnTimebaseChanged(const NotificationRecord& record, bool immediate) {
    if (immediate) return QueueNotification(&record);
    SendToView(PRM_TIMEBASE_CHANGED);
    return S_FALSE;
}

HRESULT COPTPianoRollPlugin::OnUnknownNotify(const NotificationRecord& record, bool immediate) {
    if (!(record.id == NID_KEY_MAP_CHANGED)) return COPTPlugin::OnUnknownNotify(record, immediate);
    return OnTimebaseChanged(record, immediate);
}

HRESULT COPTPianoRollPlugin::OnRefreshState(const NotificationRecord& record, bool immediate) {
    if (immediate) return QueueNotification(&record);
    SendToView(PRM_REFRESH_STATE);
    return S_FALSE;
}

HRESULT COPTPianoRollPlugin::OnTransportState(const NotificationRecord& record, bool immediate) {
    if (immediate) return QueueNotification(&record);
    return SendToView(PRM_PLAYBACK_STOPPED, record.value);
}

HRESULT COPTPianoRollPlugin::OnSelectionChanged(const NotificationRecord& record, bool immediate) {
    if (immediate) return QueueNotification(&record);
    return SendToView(PRM_SELECTION_CHANGED);
}

HRESULT COPTPianoRollPlugin::QueryInterface(REFIID riid, void** ppv) {
    if (ppv && riid == IID_IMPSettingsReport) {
        *ppv = static_cast<IMPSettingsReport*>(this);
        AddRef();
        return S_OK;
    }
    return COPTPlugin::QueryInterface(riid, ppv);
}

HRESULT COPTPianoRollPlugin::Load(IStream* stream) {
    extension_.Clear();
    const HRESULT block = LoadSettingsStream(stream, header_, settings_, &defaultedSettings_);
    if (FAILED(block)) return block;
    const HRESULT extension = LoadSettingsExtension(stream, extension_);
    if (FAILED(extension)) return extension;
    return block == S_OK ? extension : block;
}

HRESULT COPTPianoRollPlugin::GetDefaultedSettings(char16_t** names) {
    if (!names) return E_POINTER;
    *names = nullptr;
    if (defaultedSettings_.empty()) return S_FALSE;
    const std::u16string text = Utf8ToUtf16(defaultedSettings_.c_str());
    auto* out = static_cast<char16_t*>(CoTaskMemAlloc((text.size() + 1) * sizeof(char16_t)));
    if (!out) return E_OUTOFMEMORY;
    std::memcpy(out, text.c_str(), (text.size() + 1) * sizeof(char16_t));
    *names = out;
    return S_OK;
}

HRESULT COPTPianoRollPlugin::Save(IStream* stream, BOOL clearDirty) {
    if (view_) SendToView(PRM_SAVE_VIEW_STATE);
    HRESULT hr = SaveSettingsStream(stream, header_, settings_);
    if (SUCCEEDED(hr)) hr = SaveSettingsExtension(stream, extension_);
    if (FAILED(hr)) return hr;
    if (clearDirty) dirty_ = 0;
    return hr;
}

HRESULT COPTPianoRollPlugin::GetSizeMax(ULARGE_INTEGER* size) {
    if (!size) return E_POINTER;
    size->QuadPart = kSettingsSizeMax + SettingsExtensionSize(extension_);
    return S_OK;
}

} // namespace mp
