// The track chooser: one item per track of the plug-in's track table, named by the host or "Track %d".
#include "frame/editor_frame.h"

#include <string>

#include "mp/plugin.h"
#include "mp/module_strings.h"
#include "vor/strings.h"
#include "vor/utf16.h"
#include "win/com.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

// The host's name of a track ("" when it has none or cannot be read).
std::string TrackName(mp::COPTPlugin* plugin, std::uint32_t trackId) {
    mp::IMPMidiData* data = plugin->MidiData();
    if (!data) return {};
    if (FAILED(data->BeginTransaction(mp::TRANSACTION_READ, nullptr))) return {};
    mp::EventKey key{trackId, 0, 0};
    mp::TrackRecord record{};
    std::string name;
    if (data->Get(&key, mp::LEVEL_TRACK, &record, mp::GET_WITH_NAME) == S_OK && record.nameHandle) {
        const auto* text = static_cast<const char16_t*>(CoTaskMemHandlePtr(record.nameHandle));
        const std::size_t units = CoTaskMemHandleSize(record.nameHandle) / sizeof(char16_t);
        if (text) name = VorStr_Utf16ToUtf8(text, units);
        CoTaskMemFreeHandle(record.nameHandle);
    }
    data->EndTransaction(FALSE);
    return name;
}

} // namespace

std::string TrackLabel(mp::COPTPlugin& plugin, int index) {
    const std::vector<mp::TrackEntry>& tracks = plugin.Tracks();
    std::string name;
    if (index >= 0 && static_cast<std::size_t>(index) < tracks.size())
        name = TrackName(&plugin, tracks[static_cast<std::size_t>(index)].track);
    if (!name.empty()) return name;
    char text[64];
    VorStr_Format(text, sizeof text, mp::ModuleString(mp::IDS_TRACK_N), index + 1);
    return text;
}

void FillTrackChooser(FrameState* frame, HWND chooser, bool keepSelection) {
    if (!chooser) return;
    LRESULT previous = -1;
    if (keepSelection) {
        const LRESULT selected = SendMessage(chooser, CB_GETCURSEL, 0, 0);
        if (selected != CB_ERR)
            previous = SendMessage(chooser, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    }
    SendMessage(chooser, CB_RESETCONTENT, 0, 0);
    if (!frame || !frame->plugin) return;
    const std::vector<mp::TrackEntry>& tracks = frame->plugin->Tracks();
    LRESULT select = 0;
    for (std::size_t index = 0; index < tracks.size(); ++index) {
        const std::string name = TrackLabel(*frame->plugin, static_cast<int>(index));
        const LRESULT item = SendMessage(chooser, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        if (item < 0) continue;
        SendMessage(chooser, CB_SETITEMDATA, static_cast<WPARAM>(item), static_cast<LPARAM>(index));
        if (static_cast<LRESULT>(index) == previous) select = item;
    }
    if (!tracks.empty()) SendMessage(chooser, CB_SETCURSEL, static_cast<WPARAM>(select), 0);
}

int ChosenTrackIndex(HWND chooser) {
    if (!chooser) return -1;
    const LRESULT selected = SendMessage(chooser, CB_GETCURSEL, 0, 0);
    if (selected == CB_ERR) return -1;
    const LRESULT data = SendMessage(chooser, CB_GETITEMDATA, static_cast<WPARAM>(selected), 0);
    return data == CB_ERR ? -1 : static_cast<int>(data);
}

} // namespace pianoroll
