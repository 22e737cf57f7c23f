// One open song: the host project, the editor plug-in object connected to it, the property page
// that shows the editor, and the file the song came from.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/host_project.h"
#include "model/midi_out.h"
#include "mp/host_contract.h"
#include "smf/smf.h"
#include "win/com.h"
#include "win/win.h"

namespace midiout {
class RecorderOutput;
}
namespace playback {
class HostSound;
}

namespace host::app {

using GetInfoFn = win::HRESULT (*)(win::CLSID*, char16_t*, int, win::DWORD*);
using CreateObjectFn = win::HRESULT (*)(win::IUnknown**);
using CreatePageFn = win::HRESULT (*)(const win::CLSID*, win::IPropertyPage**);

// The editor module's entry points, loaded once per process (pianoroll.so beside the executable,
// or the file PIANOROLL_MODULE names). error is set when it cannot be loaded.
struct EditorModule {
    void* handle = nullptr;
    GetInfoFn getInfo = nullptr;
    CreateObjectFn createObject = nullptr;
    CreatePageFn createPage = nullptr;
    std::string path;
    std::string error;
};
const EditorModule& LoadEditorModule();

struct DocumentOptions {
    bool sound = false; // play through the built-in synthesizer and the system's MIDI ports
    // Editing scripts: play on the script clock into one recording output, the only port.
    bool recordedSound = false;
};

// The name of the recording output that scripts play into.
constexpr const char* kScriptRecorderName = "Script Recorder";

class Document {
public:
    // Reads a song file. Returns null with error set ("cannot open ...", "not a MIDI file ...") and
    // *failure (when given) saying what kind of failure it was.
    static std::unique_ptr<Document> Open(const std::string& path, const DocumentOptions& options, std::string* error,
                                          smf::ReadFailure* failure = nullptr);
    // A song from bytes in memory (the demo song); it has no file until saved.
    static std::unique_ptr<Document> FromBytes(const std::uint8_t* data, std::size_t size, const std::string& name,
                                               const DocumentOptions& options, std::string* error);
    ~Document();
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    // ---- the editor ----
    // Creates the page, gives it the plug-in object and a site, and activates it in parent.
    win::HRESULT ShowEditor(win::HWND parent, const win::RECT& rect);
    void MoveEditor(const win::RECT& rect);
    // Deactivates and releases the page (the plug-in object stays).
    void CloseEditor();
    win::HWND EditorWindow() const; // the window the page created, or null
    // Offers a keyboard message to the page first; true when it took it.
    bool TranslateAccelerator(win::MSG* msg);

    // ---- the song ----
    // The file image as Save would write it: the song with the editor's settings in its first track.
    bool Serialize(std::vector<std::uint8_t>* out, std::string* error);
    // Writes the song to path (atomic replace); on success path becomes the document's file.
    bool Save(const std::string& path, std::string* error);
    const std::string& Path() const { return path_; }
    std::string DisplayName() const; // file name, or the name given for an in-memory song
    // True when the song differs from what was last opened or saved.
    bool Dirty();
    win::HRESULT Undo();
    win::HRESULT Redo();
    std::u16string UndoName();
    std::u16string RedoName();
    std::uint32_t TransportFlags();
    void SetTransportFlags(std::uint32_t flags);
    std::size_t TrackCount();
    // Whether the host's transport plays.
    bool Playing();
    // Note-ons the recording output has been sent (playback and monitored notes); false when the
    // document plays into no recording output.
    bool PlayedNoteOns(std::size_t* count) const;

    HostProject* Project() const { return project_; }
    win::IUnknown* Plugin() const { return plugin_; }
    // A note about the settings found in the file (damaged and ignored), empty when none.
    const std::string& SettingsNote() const { return settingsNote_; }
    // Outputs that cannot sound, one line each ("Built-in Synthesizer: no audio device ..."); empty
    // without sound or when every output works.
    const std::vector<std::string>& SoundProblems() const { return soundProblems_; }
    // What the reader could not read of a damaged song; empty for an intact one.
    const std::vector<smf::ReadWarning>& ReadWarnings() const { return readWarnings_; }
    // The warnings and the settings note as lines for the user, each naming file; empty when there is none.
    std::vector<std::string> OpenNotes(const std::string& file) const;

private:
    class Site;
    Document();
    // Reads the song with read into a new document's project and connects the editor to it.
    template <class ReadFn>
    static std::unique_ptr<Document> Load(ReadFn read, const std::string& name, const DocumentOptions& options,
                                          std::string* error, smf::ReadFailure* failure);
    bool Connect(const std::vector<std::uint8_t>* settings, const DocumentOptions& options, std::string* error);
    void MarkSaved();

    HostProject* project_ = nullptr;
    HostMidiOut* midiOut_ = nullptr;
    std::shared_ptr<midiout::RecorderOutput> recorder_; // with recorded sound
    std::unique_ptr<playback::HostSound> sound_;
    win::IUnknown* plugin_ = nullptr;
    mp::IMPInitialise* init_ = nullptr;
    win::IPropertyPage* page_ = nullptr;
    win::HWND parent_ = nullptr;
    std::unique_ptr<Site> site_;
    std::string path_;
    std::string name_;
    std::string settingsNote_;
    std::vector<smf::ReadWarning> readWarnings_;
    std::vector<std::string> soundProblems_;
    std::size_t savedUndo_ = 0;
    std::size_t lastUndo_ = 0;
    bool savedReachable_ = true;
};

} // namespace host::app
