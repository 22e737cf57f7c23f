// The editor frame's state and the operations its parts share: the command table and the states of
// the commands, the toolbar and its images, the drop-downs, the track chooser, solo, monitor, help.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "mp/script_query.h"
#include "resources/resource_ids.h"
#include "vor/theme.h"
#include "win/controls.h"
#include "win/types.h"

namespace mp {
class COPTPlugin;
struct PianoRollSettings;
struct EventKey;
class TrackAccess;
class CBaseListPage;
} // namespace mp

namespace pianoroll {

struct TrackView;

struct ImageListRelease {
    void operator()(win::HIMAGELIST list) const noexcept { win::ImageList_Destroy(list); }
};
using ImageListHandle = std::unique_ptr<std::remove_pointer_t<win::HIMAGELIST>, ImageListRelease>;

// The toolbar's pictures: the normal, hot and disabled looks of the 25 images of the strip.
struct ToolbarImages {
    int width = 16;
    int height = 16;
    ImageListHandle normal;
    ImageListHandle hot;
    ImageListHandle disabled;
};

// One per frame, made at dialog initialisation and freed at destruction (the dialog's user data holds
// it). The frame owns the track access and the view record: the view lets go of its window first, then
// the view goes, then the access it borrows (members go in reverse order).
struct FrameState {
    FrameState();
    ~FrameState();
    FrameState(const FrameState&) = delete;
    FrameState& operator=(const FrameState&) = delete;

    mp::CBaseListPage* page = nullptr;         // the page that made the frame; outlives it
    mp::COPTPlugin* plugin = nullptr;            // the page's plug-in object; outlives it
    mp::PianoRollSettings* settings = nullptr;   // its settings block; set with it
    std::unique_ptr<mp::TrackAccess> access;
    std::unique_ptr<TrackView> view;
    win::HWND viewWindow = nullptr; // child 1002; the view lets go of it in DestroyFrame
    VorThemeHandle theme;
    ToolbarImages images;
    win::HWND toolbar = nullptr; // child 1001 in the placeholder's place; goes with the dialog
};
// Posted to itself at initialisation: the view takes the saved view state (the frame's own message).
constexpr win::UINT kRestoreSavedView = win::WM_APP + 0x19;

// ---- Lifecycle and layout (frame_lifecycle.cpp, frame_layout.cpp) ---------------------------------------
// The frame state of an editor dialog; null before initialisation and after destruction.
FrameState* FrameOf(win::HWND dialog);
// Dialog initialisation with the page as param (0 when the dialog is only measured): theme, toolbar,
// kind filter, chooser, view, the chosen track, layout, playback following, monitor, toolbar states.
win::BOOL InitFrame(win::HWND dialog, win::LPARAM param);
// The view saves its state and goes, then the track access, the image lists and the state.
void DestroyFrame(win::HWND dialog, FrameState* frame);
void LayoutFrame(win::HWND dialog, FrameState& frame);
// The chooser's selection changed: the editor shows the chosen track.
void OnTrackChosen(win::HWND dialog, FrameState& frame);

// ---- Private messages (frame_messages.cpp) ---------------------------------------------------------------
// PRM_REFRESH_STATE … PRM_TIMEBASE_CHANGED, PRM_TRACK_LIST_CHANGED, PRM_TRANSPORT_TICK and a host's
// PRM_SELECT_ALL. False for any other message.
bool HandlePrivateMessage(win::HWND dialog, FrameState& frame, win::UINT msg, win::WPARAM wParam,
                          win::LPARAM lParam, win::LRESULT* result);

// ---- Track chooser (track_chooser.cpp) ----------------------------------------------------------------
// Refills the chooser from the plug-in's track table: the host's names, "Track %d" for unnamed ones.
// With keepSelection the previously chosen track stays chosen; otherwise the first track is chosen.
void FillTrackChooser(FrameState* frame, win::HWND chooser, bool keepSelection);
// The track-table index of the chosen item, -1 when nothing is chosen.
int ChosenTrackIndex(win::HWND chooser);
// The chooser's text of the track at a track-table index: the host's name, else "Track %d".
std::string TrackLabel(mp::COPTPlugin& plugin, int index);

// ---- Other tracks behind the grid (ghost_tracks.cpp, ghost_tracks_dialog.cpp) -----------------------------
// Commands 4070-4072: Off, All Tracks, and Chosen Tracks... (the checklist). The choice is kept in the
// plug-in's settings extension.
win::LRESULT GhostCommand(win::HWND dialog, FrameState& frame, int command);
// The states of 4070-4072 (a radio group), and of the toolbar's button (checked while any are shown).
win::LRESULT GhostCommandState(const FrameState& frame, int command);
win::LRESULT GhostButtonState(const FrameState& frame);
// The choice kept with the song, given to a new view.
void OpenGhostChoice(win::HWND dialog, FrameState& frame);
// After tracks came or went: the chosen tracks that left are dropped and the kept numbers follow the
// song's order.
void KeepGhostChoice(win::HWND dialog, FrameState& frame);
// The view's ShowTrackNote: the track chosen through the chooser, the note selected, the rows kept.
bool ShowTrackNote(TrackView* view, int trackIndex, const mp::EventKey& key);
// WM_DRAWITEM of the track chooser (owner-drawn while other tracks are shown): the track's swatch
// before its name. False for another control.
bool DrawChooserItem(const win::DRAWITEMSTRUCT* item);
// Runs the checklist of the song's tracks over owner with *chosen (host track ids) checked; on OK
// *chosen holds the checked ones. IDOK, IDCANCEL, or -1 when the dialog cannot be shown.
win::INT_PTR RunGhostTracksDialog(win::HWND owner, mp::COPTPlugin& plugin, std::vector<std::uint32_t>* chosen);

// ---- Solo, monitor and key from the song (track_switches.cpp) --------------------------------------------------------------
// Flips the solo bit of the chosen track in the host, as one edit named "Solo MIDI sub track".
void ToggleSolo(FrameState& frame);
// Whether the chosen track's solo bit is set.
bool ChosenTrackSolo(const FrameState& frame);
// Flips the plug-in's monitor flag and stores it in the settings, only while the host's monitoring
// query returns exactly 0.
void ToggleMonitor(FrameState& frame);
// "From the Song" (command 7212): the root and scale of scale snapping and shading follow the song's
// key signatures. Kept with the song as `key.from_song`; off by default.
bool KeyFromSongSetting(const FrameState& frame);
void ToggleKeyFromSong(FrameState& frame);

// ---- Commands (command_table.cpp) -----------------------------------------------------------------------
// Carries out a command of the toolbar, the transport bar, the drop-downs or a host's menu, with the
// command's result in *result. False when the frame does not act on the id.
bool RunFrameCommand(win::HWND dialog, FrameState& frame, int command, win::LRESULT* result);
// Who acts on a command id as the editor's toolbar, transport bar and menus send it: the frame, the
// view (an id only the view's own menus carry), or nobody (SCT_NONE).
win::LRESULT CommandTargetOf(int id);

// ---- States of the commands (command_state.cpp) ----------------------------------------------------------
// The mp::EditorCommandState bits of a command now: known, enabled, checked, radio. 0 for an id the
// editor does not carry.
win::LRESULT CommandState(win::HWND dialog, const FrameState& frame, int command);
// Greys and checks every item of a menu (and its sub-menus) by CommandState.
void ApplyCommandStates(win::HWND dialog, const FrameState& frame, win::HMENU menu);

// ---- Toolbar (toolbar.cpp, toolbar_images.cpp) ---------------------------------------------------------
constexpr int kToolbarImageCount = 25;
// Decodes the module's image strip into the three image lists; false (and empty lists) when the strip
// cannot be decoded.
bool LoadToolbarImages(ToolbarImages* images);
// Makes the toolbar in place of control 1001 (its rectangle and its place in the tab order).
win::HWND CreateFrameToolbar(win::HWND dialog, FrameState& frame);
// Sets every button's enabled and checked state from CommandState, keeping its pressed bit.
void RefreshToolbar(win::HWND dialog, const FrameState& frame);
// The toolbar's notifications: drop-downs and tooltip texts. Returns the notification's result.
win::LRESULT ToolbarNotify(win::HWND dialog, FrameState& frame, const win::NMHDR* header);
// The tooltip of a command (at most 79 characters), null for a command without one.
const char* ToolbarTooltip(int command);
// The toolbar's buttons, left to right (separators left out).
std::vector<int> ToolbarCommands();

// ---- Drop-downs (drop_downs.cpp) -------------------------------------------------------------------------
// Which sub-menu of menu 1052 a drop-down button opens, -1 for a button without one.
int DropDownMenuOf(int command);
// A fresh copy of sub-menu `position` of menu 1052 with its radio marks set; the caller owns it.
win::HMENU LoadSettingsMenu(win::HWND dialog, const FrameState& frame, int position);
// Shows the drop-down of a toolbar button one pixel below the button's lower-left corner; a chosen
// entry is sent to the frame as a command.
void ShowDropDown(win::HWND dialog, FrameState& frame, int command, const win::RECT& buttonInToolbar);

// ---- Help (help_window.cpp) ------------------------------------------------------------------------------
// Opens the help window listing the editor's keys, gestures and toolbar buttons; 0 when it cannot.
win::LRESULT ShowFrameHelp(win::HWND dialog);

} // namespace pianoroll
