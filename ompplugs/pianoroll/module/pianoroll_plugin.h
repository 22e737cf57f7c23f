// COPTPianoRollPlugin: the piano-roll plug-in object, its class ids, and how the module makes one.
#pragma once

#include "mp/plugin.h"
#include "mp/settings.h"
#include "mp/settings_extension.h"

namespace mp {

// Class ids of this module.
inline constexpr win::CLSID CLSID_PianoRollPlugin{
    0x302237E3, 0x3036, 0x49B9, {0x8F, 0x2A, 0x49, 0x20, 0xE8, 0xAF, 0x8E, 0x2F}};
inline constexpr win::CLSID CLSID_PianoRollPage{
    0xD3EDE25B, 0x24DD, 0x4688, {0xBC, 0xF1, 0xD2, 0xAA, 0xD5, 0x64, 0x38, 0xBA}};

// The piano-roll plug-in: name, settings block and its stream, and the piano-roll reactions to
// notifications.
class COPTPianoRollPlugin : public COPTPlugin, public IMPSettingsReport {
public:
    explicit COPTPianoRollPlugin(win::DWORD creationArgument)
        : COPTPlugin(CLSID_PianoRollPlugin, creationArgument) {}

    win::HRESULT QueryInterface(win::REFIID riid, void** ppv) override;
    win::ULONG AddRef() override { return COPTPlugin::AddRef(); }
    win::ULONG Release() override { return COPTPlugin::Release(); }
    win::HRESULT GetDefaultedSettings(char16_t** names) override;

    win::HRESULT Initialise(win::IUnknown* hostObject, IMPMidiOut* midiOut, win::DWORD modeFlags,
                            win::DWORD reserved, win::DWORD* capabilities) override;
    win::HRESULT Construct() override;
    win::HRESULT GetPages(win::CAUUID* pages) override;
    win::HRESULT OnDataChanged(const NotificationRecord& record, bool immediate) override;
    void OnDataChangedRun(const NotificationRecord& first, const std::uint32_t* ids, std::uint32_t count) override;
    win::HRESULT OnTimebaseChanged(const NotificationRecord& record, bool immediate) override;
    // The song's key map changed (NID_KEY_MAP_CHANGED): the view reads the song's maps again, as for
    // a change of the time base.
    win::HRESULT OnUnknownNotify(const NotificationRecord& record, bool immediate) override;
    win::HRESULT OnRefreshState(const NotificationRecord& record, bool immediate) override;
    win::HRESULT OnTransportState(const NotificationRecord& record, bool immediate) override;
    win::HRESULT OnSelectionChanged(const NotificationRecord& record, bool immediate) override;
    win::HRESULT Load(win::IStream* stream) override;
    win::HRESULT Save(win::IStream* stream, win::BOOL clearDirty) override;
    win::HRESULT GetSizeMax(win::ULARGE_INTEGER* size) override;
    PianoRollSettings* EditorSettings() noexcept override { return &settings_; }

    PianoRollSettings& Settings() noexcept { return settings_; }
    // The settings of features beyond the block; saved and loaded with it.
    SettingsExtension& Extension() noexcept { return extension_; }
    SettingsExtension* EditorExtension() noexcept override { return &extension_; }
    const SettingsHeader& Header() const noexcept { return header_; }

private:
    // Raises the settings' song length to the length of the first block of the editor's track.
    bool RaiseSongLengthFromBlock();

    SettingsHeader header_{};
    PianoRollSettings settings_{};
    SettingsExtension extension_;
    std::string defaultedSettings_; // what the last Load defaulted, by name
};

// Allocates a plug-in object with the creation argument and runs Construct. On success *made is
// the new object with a reference count of 0; on failure the object is destroyed, *made is null
// and Construct's code (or E_OUTOFMEMORY) is returned.
win::HRESULT NewPianoRollPlugin(win::DWORD creationArgument, COPTPianoRollPlugin** made);
// The same, as the plug-in maker of the module's class factory.
win::HRESULT MakePianoRollPlugin(win::DWORD creationArgument, COPTPlugin** made);

} // namespace mp
