// "Show Other Tracks" in the frame: the three commands and their states, the choice kept in the settings
// extension, the track chooser's swatches, and switching to another track's note from the grid.
#include "frame/editor_frame.h"

#include <algorithm>

#include "model/note_model.h"
#include "mp/editor_commands.h"
#include "mp/plugin.h"
#include "mp/private_messages.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

// Room around a chooser item's swatch, and its frame.
constexpr int kSwatchMargin = 2;
constexpr COLORREF kSwatchFrame = RGB(0x40, 0x40, 0x40);

// Each chooser item shows its track's swatch while other tracks are shown, and the plain text otherwise.
void ShowChooserSwatches(HWND dialog, bool on) {
    HWND chooser = GetDlgItem(dialog, kTrackChooserId);
    if (!chooser) return;
    const LONG_PTR style = GetWindowLongPtr(chooser, GWL_STYLE);
    const LONG_PTR wanted = on ? (style | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS) : (style & ~LONG_PTR{CBS_OWNERDRAWFIXED});
    if (wanted == style) return;
    SetWindowLongPtr(chooser, GWL_STYLE, wanted);
    InvalidateRect(chooser, nullptr, FALSE);
}

// Writes the choice into the settings kept with the song (when the plug-in object keeps any).
void KeepWithSong(const FrameState& frame, const GhostChoice& choice) {
    mp::SettingsExtension* extension = frame.plugin ? frame.plugin->EditorExtension() : nullptr;
    if (extension) WriteGhostChoice(choice, frame.plugin, *extension);
}

void ApplyChoice(HWND dialog, FrameState& frame, GhostChoice choice) {
    KeepWithSong(frame, choice);
    ShowChooserSwatches(dialog, choice.Shown());
    if (frame.view) SetGhostChoice(frame.view.get(), std::move(choice));
}

// The chooser's item that shows a track-table index; -1 when none does.
LRESULT ChooserItemOf(HWND chooser, int trackIndex) {
    const LRESULT count = SendMessage(chooser, CB_GETCOUNT, 0, 0);
    for (LRESULT item = 0; item < count; ++item)
        if (SendMessage(chooser, CB_GETITEMDATA, static_cast<WPARAM>(item), 0) == trackIndex) return item;
    return -1;
}

} // namespace

LRESULT GhostCommand(HWND dialog, FrameState& frame, int command) {
    if (!frame.view) return 0;
    GhostChoice choice = GhostChoiceOf(frame.view.get());
    switch (command) {
    case CMD_GHOSTS_OFF: choice.mode = GhostMode::Off; break;
    case CMD_GHOSTS_ALL: choice.mode = GhostMode::All; break;
    case CMD_GHOSTS_CHOSEN: {
        if (!frame.plugin) return 0;
        std::vector<std::uint32_t> chosen = choice.chosen;
        // Never chosen before: the list starts with every other track checked.
        if (chosen.empty() && choice.mode != GhostMode::Chosen)
            for (const mp::TrackEntry& entry : frame.plugin->Tracks())
                if (!frame.access || entry.track != frame.access->TrackId()) chosen.push_back(entry.track);
        const INT_PTR answer = RunGhostTracksDialog(dialog, *frame.plugin, &chosen);
        if (answer != IDOK) return answer;
        choice.mode = GhostMode::Chosen;
        choice.chosen = std::move(chosen);
        ApplyChoice(dialog, frame, std::move(choice));
        return answer;
    }
    default: return 0;
    }
    ApplyChoice(dialog, frame, std::move(choice));
    return 0;
}

LRESULT GhostCommandState(const FrameState& frame, int command) {
    if (!frame.view) return mp::ECS_KNOWN;
    const GhostMode mode = GhostChoiceOf(frame.view.get()).mode;
    const GhostMode of = command == CMD_GHOSTS_OFF ? GhostMode::Off : command == CMD_GHOSTS_ALL ? GhostMode::All : GhostMode::Chosen;
    return mp::ECS_KNOWN | mp::ECS_ENABLED | mp::ECS_RADIO | (mode == of ? LRESULT{mp::ECS_CHECKED} : 0);
}

LRESULT GhostButtonState(const FrameState& frame) {
    if (!frame.view) return mp::ECS_KNOWN;
    return mp::ECS_KNOWN | mp::ECS_ENABLED | (GhostChoiceOf(frame.view.get()).Shown() ? LRESULT{mp::ECS_CHECKED} : 0);
}

void OpenGhostChoice(HWND dialog, FrameState& frame) {
    mp::SettingsExtension* extension = frame.plugin ? frame.plugin->EditorExtension() : nullptr;
    if (!extension || !frame.view) return;
    GhostChoice choice = ReadGhostChoice(*extension, frame.plugin);
    ShowChooserSwatches(dialog, choice.Shown());
    SetGhostChoice(frame.view.get(), std::move(choice));
}

void KeepGhostChoice(HWND dialog, FrameState& frame) {
    if (!frame.plugin || !frame.view) return;
    GhostChoice choice = GhostChoiceOf(frame.view.get());
    const std::size_t before = choice.chosen.size();
    std::erase_if(choice.chosen, [&](std::uint32_t id) { return frame.plugin->TrackIndexOf(id) < 0; });
    // The numbers kept with the song follow tracks that moved, whatever else changed.
    KeepWithSong(frame, choice);
    if (choice.chosen.size() != before) SetGhostChoice(frame.view.get(), std::move(choice));
    ShowChooserSwatches(dialog, GhostChoiceOf(frame.view.get()).Shown());
}

bool ShowTrackNote(TrackView* v, int trackIndex, const mp::EventKey& key) {
    HWND dialog = v->hwnd ? GetParent(v->hwnd) : nullptr;
    HWND chooser = dialog ? GetDlgItem(dialog, kTrackChooserId) : nullptr;
    const LRESULT item = chooser ? ChooserItemOf(chooser, trackIndex) : -1;
    if (item < 0 || !v->access) return false;
    // The rows stay where they are, so the note stays under the pointer.
    const int top = v->geo.verticalTop;
    const int span = v->geo.verticalSpan;
    SendMessage(chooser, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    SendMessage(dialog, WM_COMMAND, MAKEWPARAM(kTrackChooserId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(chooser));
    if (v->access->TrackIndex() != trackIndex) return false;
    SetVerticalView(v, top, span, VV_PROGRAM);
    NoteModel model(v->access);
    model.SelectAll(false);
    model.Select(key, true);
    InvalidateView(v, INV_ALL);
    PostMessage(dialog, mp::PRM_REFRESH_STATE, 0, 0);
    return true;
}

bool DrawChooserItem(const DRAWITEMSTRUCT* item) {
    if (!item || item->CtlType != ODT_COMBOBOX || item->CtlID != static_cast<UINT>(kTrackChooserId)) return false;
    HDC dc = item->hDC;
    const RECT& rc = item->rcItem;
    const bool selected = (item->itemState & ODS_SELECTED) != 0;
    FillRect(dc, &rc, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
    if (item->itemID == static_cast<UINT>(-1)) return true;
    const int side = std::max<int>(rc.bottom - rc.top - 2 * kSwatchMargin, 1);
    RECT swatch{rc.left + kSwatchMargin, rc.top + kSwatchMargin, rc.left + kSwatchMargin + side, rc.top + kSwatchMargin + side};
    HBRUSH fill = CreateSolidBrush(TrackColour(static_cast<int>(item->itemData)));
    HBRUSH frame = CreateSolidBrush(kSwatchFrame);
    FillRect(dc, &swatch, fill);
    FrameRect(dc, &swatch, frame);
    DeleteObject(fill);
    DeleteObject(frame);
    const LRESULT length = SendMessage(item->hwndItem, CB_GETLBTEXTLEN, item->itemID, 0);
    std::string text(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
    if (length > 0) SendMessage(item->hwndItem, CB_GETLBTEXT, item->itemID, reinterpret_cast<LPARAM>(text.data()));
    const bool disabled = (item->itemState & ODS_DISABLED) != 0;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(disabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
    RECT textRc{swatch.right + kSwatchMargin + 1, rc.top, rc.right, rc.bottom};
    DrawText(dc, text.c_str(), -1, &textRc, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    if (item->itemState & ODS_FOCUS) DrawFocusRect(dc, &rc);
    return true;
}

} // namespace pianoroll
