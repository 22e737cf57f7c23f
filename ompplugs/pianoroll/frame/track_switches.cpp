// The chosen track's solo switch in the host, the editor's monitor switch, and whether the key comes
// from the song (kept with the song's settings).
#include "frame/editor_frame.h"

#include <string>

#include "mp/plugin.h"
#include "mp/host_contract.h"
#include "mp/module_strings.h"
#include "mp/page.h"
#include "mp/settings.h"
#include "mp/settings_extension.h"
#include "mp/track_access.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// The host's record of the chosen track; false when there is none or it cannot be read.
bool ReadChosenTrack(const FrameState& frame, mp::TrackRecord* record) {
    if (!frame.plugin || !frame.access || !frame.access->TrackId()) return false;
    mp::IMPMidiData* data = frame.plugin->MidiData();
    if (!data || FAILED(data->BeginTransaction(mp::TRANSACTION_READ, nullptr))) return false;
    mp::EventKey key{frame.access->TrackId(), 0, 0};
    const bool read = data->Get(&key, mp::LEVEL_TRACK, record, 0) == S_OK;
    data->EndTransaction(FALSE);
    return read;
}

// The name the switch is kept under in the settings of later features.
constexpr char kKeyFromSongSetting[] = "key.from_song";

} // namespace

bool ChosenTrackSolo(const FrameState& frame) {
    mp::TrackRecord record{};
    return ReadChosenTrack(frame, &record) && (record.attributes & mp::TRACK_SOLO) != 0;
}

void ToggleSolo(FrameState& frame) {
    mp::TrackRecord record{};
    if (!ReadChosenTrack(frame, &record)) return;
    record.attributes ^= mp::TRACK_SOLO;
    const std::u16string name = mp::Utf8ToUtf16(mp::ModuleString(mp::IDS_UNDO_SOLO));
    frame.access->SetTrack(mp::EventKey{frame.access->TrackId(), 0, 0}, record, mp::CHANGE_TRACK_ATTRIBUTES,
                           name.c_str());
}

void ToggleMonitor(FrameState& frame) {
    if (!frame.plugin || !frame.access || frame.plugin->QueryMonitoring() != 0) return;
    const bool on = !frame.access->Monitoring();
    frame.access->SetMonitoring(on);
    frame.settings->monitorAtStart = on ? 1 : 0;
}

bool KeyFromSongSetting(const FrameState& frame) {
    mp::SettingsExtension* extension = frame.plugin ? frame.plugin->EditorExtension() : nullptr;
    return extension && extension->GetFlag(kKeyFromSongSetting, false);
}

void ToggleKeyFromSong(FrameState& frame) {
    mp::SettingsExtension* extension = frame.plugin ? frame.plugin->EditorExtension() : nullptr;
    if (!extension) return;
    const bool on = !KeyFromSongSetting(frame);
    // Off is the default: a song that never had it on keeps no entry, and its settings stay as they were.
    if (on) extension->SetFlag(kKeyFromSongSetting, true);
    else extension->Erase(kKeyFromSongSetting);
    if (frame.view) SetKeyFromSong(frame.view.get(), on);
}

} // namespace pianoroll
