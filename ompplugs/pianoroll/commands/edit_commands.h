// The note grid's edit commands as the rest of the editor reaches them: the data interface (cut, copy,
// paste, clear and select-all messages), the context menu and its commands, the velocity commands
// with the in-place entry, and the operations behind them.
#pragma once

#include <cstdint>
#include <string_view>

#include "mp/editor_commands.h"
#include "mp/records.h"
#include "win/win.h"

namespace pianoroll {

struct TrackView;

// The private select-all message of the data interface: wParam 0 selects every note, non-zero
// deselects everything. The view's keys send it for Ctrl+A and Ctrl+Shift+A.
constexpr win::UINT PRM_GRID_SELECT_ALL = mp::PRM_SELECT_ALL;

// ---- The data interface and the commands (edit_commands.cpp) -------------------------------------------
// The owner's edit-message callback of the view: cut, copy, paste, clear and PRM_GRID_SELECT_ALL,
// each after any drag in progress is cancelled. Other messages are left alone (0).
win::LRESULT GridEditMessage(TrackView* v, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
// Ends any pane's drag in progress as a cancel would, taking back what it did.
void CancelViewDrag(TrackView* v);
// The grid is redrawn and the frame told to refresh its toolbar.
void RefreshAfterEdit(TrackView* v);

// Each returns S_FALSE when there is nothing to do (no selection, nothing to paste), and the
// failure of the clipboard or the edit otherwise (the view is then left as it was).
win::HRESULT CutSelection(TrackView* v);
win::HRESULT CopySelection(TrackView* v);
// The clipboard's events go to the edit cursor, selected; the cursor moves to their end.
win::HRESULT PasteAtEditCursor(TrackView* v);
win::HRESULT DeleteSelection(TrackView* v);
// Every note of the track selected (on) or everything deselected.
win::HRESULT SelectAllNotes(TrackView* v, bool on);
// Exactly the notes of the row's pitch selected, the whole track long.
win::HRESULT SelectAllOnRow(TrackView* v, int row);

// ---- The context menu (grid_menu.cpp) ---------------------------------------------------------------
// What a context-menu command acts on: the row under the click and the note there, if any.
struct GridTarget {
    int row = -1;
    bool hasNote = false;
    mp::EventKey note{};
};
// The sub-menus of menu 1050, by position.
enum GridMenu : int {
    GRID_MENU_EVENT = 0,
    GRID_MENU_TRACK_HEADER = 1,
    GRID_MENU_NON_DATA = 2,
    GRID_MENU_TRACK_NON_DATA = 3,
    GRID_MENU_TIME_SELECTION = 4,
};
// The grid's context menu at a client point of the view (from the keyboard: the point the view chose
// at the edit cursor); the chosen command is carried out with the row and note under the point.
void ShowGridContextMenu(TrackView* v, int x, int y, bool fromKeyboard);
// The commands the grid carries out itself (4000-4004, 4006, 4041, 4043, 4060-4063, 5000, 5001);
// false for any other.
bool RunGridCommand(TrackView* v, int command, const GridTarget& target);
// The same for a command message to the view: the target is what the pointer was last over.
bool HandleGridCommand(TrackView* v, int command);

// ---- Velocities (velocity.cpp, velocity_entry.cpp) --------------------------------------------------
constexpr int kDefaultVelocity = 64;
// The velocity of 4060 (1), 4061 (127) and 4062 (64); 0 for other commands.
int VelocityOfCommand(int command);
// The leading number of an entered text (after spaces), 64 when it does not begin with one, limited
// to 1-127.
int ParseVelocityText(std::string_view text);
// Every selected note gets the velocity, as one edit.
win::HRESULT SetSelectionVelocity(TrackView* v, int velocity);
bool AnyNoteSelected(TrackView* v);
// The in-place number entry over a note (or, without one, at the grid's first visible row): runs until
// accepted or cancelled, then sets the selection's velocity to the accepted number.
void RunVelocityEntry(TrackView* v, const mp::EventKey* note);

} // namespace pianoroll
