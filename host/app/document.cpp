// One open song: loading, the plug-in object and its page, saving with the editor's settings.
#include "document.h"

#include <dlfcn.h>
#include <unistd.h>

#include <cstring>

#include "midiout/port_list.h"
#include "midiout/recorder_output.h"
#include "playback/clock.h"
#include "playback/host_sound.h"
#include "smf/smf.h"
#include "win/com_helpers.h"
#include "win/controls.h"
#include "script_clock.h"
#include "song_file.h"

namespace host::app {

using namespace win;

namespace {

constexpr std::size_t kSettingsHeaderBytes = 12;
constexpr std::uint32_t kSettingsBlockBytes = 328;

std::string ExecutableDir() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    buffer[n] = '\0';
    std::string path(buffer);
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

// Checks a stored settings stream before the plug-in sees it: its header must announce the block
// size the editor uses and the whole block must be there; what follows the block is the editor's own
// to judge.
bool SettingsLookValid(const std::vector<std::uint8_t>& bytes) {
    static_assert(kSettingsHeaderBytes + kSettingsBlockBytes == kSettingsFixedBytes);
    if (bytes.size() < kSettingsFixedBytes) return false;
    std::uint32_t size = static_cast<std::uint32_t>(bytes[8]) | (static_cast<std::uint32_t>(bytes[9]) << 8) |
                         (static_cast<std::uint32_t>(bytes[10]) << 16) | (static_cast<std::uint32_t>(bytes[11]) << 24);
    return size == kSettingsBlockBytes;
}

HRESULT StreamFromBytes(const std::vector<std::uint8_t>& bytes, IStream** out) {
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
    if (!mem) return E_OUTOFMEMORY;
    void* p = GlobalLock(mem);
    if (!bytes.empty()) std::memcpy(p, bytes.data(), bytes.size());
    GlobalUnlock(mem);
    HRESULT hr = CreateStreamOnHGlobal(mem, TRUE, out);
    if (FAILED(hr)) GlobalFree(mem);
    return hr;
}

// The first property page the editor object names: a host learns the page through the object.
HRESULT FirstPageClass(IUnknown* object, CLSID* clsid) {
    ISpecifyPropertyPages* specify = nullptr;
    HRESULT hr = object->QueryInterface(IID_ISpecifyPropertyPages, reinterpret_cast<void**>(&specify));
    if (FAILED(hr) || !specify) return FAILED(hr) ? hr : E_NOINTERFACE;
    CAUUID pages{};
    hr = specify->GetPages(&pages);
    specify->Release();
    if (FAILED(hr)) return hr;
    const bool named = pages.cElems > 0 && pages.pElems;
    if (named) *clsid = pages.pElems[0];
    CoTaskMemFree(pages.pElems);
    return named ? S_OK : E_FAIL;
}

HRESULT BytesFromStream(IStream* stream, std::vector<std::uint8_t>* out) {
    ULARGE_INTEGER end{};
    HRESULT hr = stream->Seek(LARGE_INTEGER{0}, STREAM_SEEK_CUR, &end);
    if (FAILED(hr)) return hr;
    HGLOBAL mem = nullptr;
    hr = GetHGlobalFromStream(stream, &mem);
    if (FAILED(hr)) return hr;
    std::size_t size = std::min<std::size_t>(static_cast<std::size_t>(end.QuadPart), GlobalSize(mem));
    const auto* p = static_cast<const std::uint8_t*>(GlobalLock(mem));
    out->assign(p, p + size);
    GlobalUnlock(mem);
    return S_OK;
}

// The note for stored editor settings that had to take their defaults, naming them when the editor can.
std::string DefaultedSettingsNote(IUnknown* plugin) {
    std::string names;
    mp::IMPSettingsReport* report = nullptr;
    if (plugin && SUCCEEDED(plugin->QueryInterface(mp::IID_IMPSettingsReport, reinterpret_cast<void**>(&report))) &&
        report) {
        char16_t* text = nullptr;
        if (report->GetDefaultedSettings(&text) == S_OK && text) names = EncodeUtf8(text);
        CoTaskMemFree(text);
        report->Release();
    }
    if (names.empty()) return "some editor settings stored in the file are out of range; those use their defaults";
    return "editor settings stored in the file are out of range and use their defaults: " + names;
}

playback::SystemClock& SoundClock() {
    static auto* clock = new playback::SystemClock;
    return *clock;
}

} // namespace

const EditorModule& LoadEditorModule() {
    static const EditorModule loaded = [] {
        EditorModule m;
        const char* over = std::getenv("PIANOROLL_MODULE");
        m.path = over && *over ? over : ExecutableDir() + "/pianoroll.so";
        m.handle = dlopen(m.path.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!m.handle) {
            const char* why = dlerror();
            m.error = "cannot load the editor module " + m.path + (why ? std::string(": ") + why : std::string());
            return m;
        }
        m.getInfo = reinterpret_cast<GetInfoFn>(dlsym(m.handle, "VorOPTPlug_GetOPTObjectInfo"));
        m.createObject = reinterpret_cast<CreateObjectFn>(dlsym(m.handle, "VorOPTPlug_CreateOPTObject"));
        m.createPage = reinterpret_cast<CreatePageFn>(dlsym(m.handle, "VorOPTPlug_CreateOPTPropertyPage"));
        if (!m.getInfo || !m.createObject || !m.createPage)
            m.error = "the editor module " + m.path + " lacks an entry point";
        return m;
    }();
    return loaded;
}

// The page's site: the host frame around the editor page.
class Document::Site final : public IPropertyPageSite {
public:
    HRESULT QueryInterface(REFIID riid, void** ppv) override {
        return QueryInterfaceFrom(riid, ppv, {{IID_IPropertyPageSite, this}});
    }
    ULONG AddRef() override { return ++refs_; }
    ULONG Release() override { return --refs_; } // owned by the document
    HRESULT OnStatusChange(DWORD) override { return S_OK; }
    HRESULT GetLocaleID(LCID* lcid) override {
        if (!lcid) return E_POINTER;
        *lcid = 0x409;
        return S_OK;
    }
    HRESULT GetPageContainer(IUnknown** container) override {
        if (container) *container = nullptr;
        return E_NOTIMPL;
    }
    HRESULT TranslateAccelerator(MSG*) override { return S_FALSE; }

private:
    ULONG refs_ = 0;
};

Document::Document() : site_(std::make_unique<Site>()) {}

Document::~Document() {
    CloseEditor();
    sound_.reset();
    if (init_) {
        init_->Uninitialise();
        init_->Release();
    }
    if (plugin_) plugin_->Release();
    if (midiOut_) midiOut_->Release();
    if (project_) project_->Release();
}

template <class ReadFn>
std::unique_ptr<Document> Document::Load(ReadFn read, const std::string& name, const DocumentOptions& options,
                                         std::string* error, smf::ReadFailure* failure) {
    std::unique_ptr<Document> doc(new Document);
    doc->name_ = name;
    doc->project_ = HostProject::Create();
    smf::ReadResult result;
    bool found = false;
    std::vector<std::uint8_t> settings;
    doc->project_->WithStore([&](Store& store) {
        result = read(store);
        if (result.ok) settings = TakeSettingsEvent(store, &found);
    });
    if (failure) *failure = result.failure;
    if (!result.ok) {
        if (error)
            *error = result.failure == smf::ReadFailure::malformed
                         ? result.error + " at byte offset " + std::to_string(result.offset)
                         : result.error;
        return nullptr;
    }
    doc->readWarnings_ = std::move(result.warnings);
    if (found && !SettingsLookValid(settings)) {
        doc->settingsNote_ = "the editor settings stored in the file are damaged; using the defaults";
        found = false;
    }
    if (!doc->Connect(found ? &settings : nullptr, options, error)) return nullptr;
    doc->MarkSaved();
    return doc;
}

std::unique_ptr<Document> Document::Open(const std::string& path, const DocumentOptions& options, std::string* error,
                                         smf::ReadFailure* failure) {
    auto doc = Load([&](Store& store) { return smf::ReadFile(path, store); }, BaseName(path), options, error, failure);
    if (doc) doc->path_ = path;
    return doc;
}

std::unique_ptr<Document> Document::FromBytes(const std::uint8_t* data, std::size_t size, const std::string& name,
                                              const DocumentOptions& options, std::string* error) {
    return Load([&](Store& store) { return smf::Read(data, size, store); }, name, options, error, nullptr);
}

std::vector<std::string> Document::OpenNotes(const std::string& file) const {
    std::vector<std::string> notes;
    for (const smf::ReadWarning& w : readWarnings_)
        notes.push_back(file + ": " + w.message + " at byte offset " + std::to_string(w.offset));
    if (!settingsNote_.empty()) notes.push_back(file + ": " + settingsNote_);
    return notes;
}

bool Document::Connect(const std::vector<std::uint8_t>* settings, const DocumentOptions& options, std::string* error) {
    const EditorModule& module = LoadEditorModule();
    if (!module.error.empty()) {
        if (error) *error = module.error;
        return false;
    }
    if (options.recordedSound) {
        auto ports = std::make_unique<midiout::PortList>();
        recorder_ = std::make_shared<midiout::RecorderOutput>([] { return ScriptClock().NowMicros(); },
                                                              kScriptRecorderName);
        ports->AddOutput(recorder_, midiout::MakePortGuid(midiout::kOutputPorts, kScriptRecorderName));
        sound_ = std::make_unique<playback::HostSound>(project_, std::move(ports), ScriptClock());
        midiOut_ = HostMidiOut::Create(sound_->MidiOutSender());
    } else if (options.sound) {
        std::unique_ptr<midiout::PortList> ports = midiout::PortList::Create();
        soundProblems_ = ports->Problems();
        sound_ = std::make_unique<playback::HostSound>(project_, std::move(ports), SoundClock());
        midiOut_ = HostMidiOut::Create(sound_->MidiOutSender());
    } else {
        // Without sound the editor's monitored notes are accepted and dropped.
        midiOut_ = HostMidiOut::Create([](const mp::MidiEventRecord&, const std::uint8_t*, std::size_t) { return S_OK; });
    }
    if (FAILED(module.createObject(&plugin_)) || !plugin_) {
        if (error) *error = "the editor module could not create its object";
        return false;
    }
    if (FAILED(plugin_->QueryInterface(mp::IID_IMPInitialise, reinterpret_cast<void**>(&init_))) || !init_) {
        if (error) *error = "the editor object lacks its main interface";
        return false;
    }
    if (settings) {
        IPersistStream* persist = nullptr;
        IStream* stream = nullptr;
        if (SUCCEEDED(plugin_->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist))) && persist &&
            SUCCEEDED(StreamFromBytes(*settings, &stream))) {
            const HRESULT loaded = persist->Load(stream);
            if (FAILED(loaded))
                settingsNote_ = "the editor settings stored in the file could not be read; using the defaults";
            else if (loaded == S_FALSE)
                settingsNote_ = DefaultedSettingsNote(plugin_);
        }
        if (stream) stream->Release();
        if (persist) persist->Release();
    }
    DWORD capabilities = 0xFFFFFFFF;
    HRESULT hr = init_->Initialise(static_cast<mp::IMPMidiData*>(project_), midiOut_, mp::INIT_MODE_EDITOR, 0,
                                   &capabilities);
    if (FAILED(hr)) {
        if (error) *error = "the editor could not connect to the song";
        return false;
    }
    return true;
}

HRESULT Document::ShowEditor(HWND parent, const RECT& rect) {
    CloseEditor();
    if (!plugin_) return E_UNEXPECTED;
    const EditorModule& module = LoadEditorModule();
    CLSID pageClass{};
    HRESULT hr = FirstPageClass(plugin_, &pageClass);
    if (SUCCEEDED(hr)) hr = module.createPage(&pageClass, &page_);
    if (FAILED(hr) || !page_) {
        page_ = nullptr;
        return FAILED(hr) ? hr : E_FAIL;
    }
    IUnknown* objects[] = {plugin_};
    hr = page_->SetObjects(1, objects);
    if (SUCCEEDED(hr)) hr = page_->SetPageSite(site_.get());
    RECT r = rect;
    if (SUCCEEDED(hr)) hr = page_->Activate(parent, &r, FALSE);
    if (FAILED(hr)) {
        CloseEditor();
        return hr;
    }
    parent_ = parent;
    page_->Show(SW_SHOW);
    return S_OK;
}

void Document::MoveEditor(const RECT& rect) {
    if (!page_) return;
    RECT r = rect;
    page_->Move(&r);
}

void Document::CloseEditor() {
    if (!page_) return;
    if (EditorWindow()) page_->Deactivate();
    page_->SetPageSite(nullptr);
    page_->SetObjects(0, nullptr);
    page_->Release();
    page_ = nullptr;
    parent_ = nullptr;
}

HWND Document::EditorWindow() const {
    if (!page_ || !parent_) return nullptr;
    // The page creates exactly one child of the window it is activated in that is a dialog.
    for (HWND child = GetWindow(parent_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char name[32] = {};
        GetClassName(child, name, sizeof name);
        if (std::strcmp(name, WC_DIALOG) == 0) return child;
    }
    return nullptr;
}

bool Document::TranslateAccelerator(MSG* msg) { return page_ && page_->TranslateAccelerator(msg) == S_OK; }

bool Document::Serialize(std::vector<std::uint8_t>* out, std::string* error) {
    std::vector<std::uint8_t> settings;
    IPersistStream* persist = nullptr;
    IStream* stream = nullptr;
    HRESULT hr = plugin_->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist));
    if (SUCCEEDED(hr)) hr = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (SUCCEEDED(hr)) hr = persist->Save(stream, TRUE);
    if (SUCCEEDED(hr)) hr = BytesFromStream(stream, &settings);
    if (stream) stream->Release();
    if (persist) persist->Release();
    if (FAILED(hr)) {
        if (error) *error = "the editor could not save its settings";
        return false;
    }
    smf::WriteResult written = project_->WithStore([&](Store& store) { return smf::Write(store, *out); });
    if (!written.ok) {
        if (error) *error = written.error;
        return false;
    }
    // A song without tracks has nowhere to keep the settings; it is still a valid file.
    InsertSettingsEvent(*out, settings);
    return true;
}

bool Document::Save(const std::string& path, std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (!Serialize(&bytes, error)) return false;
    if (!WriteFileAtomically(path, bytes, error)) return false;
    path_ = path;
    name_ = BaseName(path);
    MarkSaved();
    return true;
}

std::string Document::DisplayName() const { return name_; }

void Document::MarkSaved() {
    savedUndo_ = project_->WithStore([](Store& store) { return store.UndoCount(); });
    lastUndo_ = savedUndo_;
    savedReachable_ = true;
}

bool Document::Dirty() {
    std::size_t undo = project_->WithStore([](Store& store) { return store.UndoCount(); });
    // Only Undo and Redo below move the history without an edit, so any other change of the undo
    // count is a new edit; made while the saved state was among the redo steps, it drops them and
    // the saved state can no longer be reached.
    if (undo != lastUndo_ && lastUndo_ < savedUndo_) savedReachable_ = false;
    lastUndo_ = undo;
    return !savedReachable_ || undo != savedUndo_;
}

HRESULT Document::Undo() {
    Dirty();
    HRESULT hr = project_->Undo();
    lastUndo_ = project_->WithStore([](Store& store) { return store.UndoCount(); });
    return hr;
}

HRESULT Document::Redo() {
    Dirty();
    HRESULT hr = project_->Redo();
    lastUndo_ = project_->WithStore([](Store& store) { return store.UndoCount(); });
    return hr;
}

std::u16string Document::UndoName() {
    return project_->WithStore([](Store& store) { return store.UndoName(); });
}

std::u16string Document::RedoName() {
    return project_->WithStore([](Store& store) { return store.RedoName(); });
}

std::uint32_t Document::TransportFlags() {
    return project_->WithStore([](Store& store) { return store.TransportFlags(); });
}

void Document::SetTransportFlags(std::uint32_t flags) {
    project_->WithStore([&](Store& store) { store.SetTransportFlags(flags); });
}

bool Document::Playing() { return (TransportFlags() & mp::TRANSPORT_PLAYING) != 0; }

bool Document::PlayedNoteOns(std::size_t* count) const {
    if (!recorder_) return false;
    std::size_t n = 0;
    for (const midiout::RecordedMessage& m : recorder_->Messages())
        if (m.message.IsNoteOn()) ++n;
    *count = n;
    return true;
}

std::size_t Document::TrackCount() {
    return project_->WithStore([](Store& store) { return store.TrackCount(); });
}

} // namespace host::app
