// The grid's data interface and the edit operations behind it: cut, copy, paste, delete, select all
// and select all on one note.
#include "commands/edit_commands.h"

#include "mp/plugin.h"
#include "mp/track_access.h"
#include "tools/tools.h"
#include "view/drag_state.h"
#include "view/track_view.h"

namespace pianoroll {

using namespace win;

namespace {

mp::COPTPlugin* PluginOf(TrackView* v) { return v->access ? v->access->Plugin() : nullptr; }

HRESULT CopyOrCut(TrackView* v, bool cut) {
    mp::COPTPlugin* plugin = PluginOf(v);
    if (!plugin || !plugin->HasSelection()) return S_FALSE;
    const HRESULT hr = plugin->CopySelection(v->hwnd, cut);
    if (hr == S_OK) RefreshAfterEdit(v);
    return hr;
}

} // namespace

void RefreshAfterEdit(TrackView* v) {
    InvalidateView(v, INV_GRID);
    NotifyRefreshState(v);
}

void CancelViewDrag(TrackView* v) {
    const int owner = DragOwner(v->drag);
    if (v->drag == Drag::None || owner < 0 || owner >= kPaneCount) return;
    Pane& pane = v->panes[owner];
    pane.paneClass->OnMouse(v, &pane, WM_CANCELMODE, 0, 0);
}

HRESULT CutSelection(TrackView* v) { return CopyOrCut(v, true); }
HRESULT CopySelection(TrackView* v) { return CopyOrCut(v, false); }

HRESULT PasteAtEditCursor(TrackView* v) {
    mp::COPTPlugin* plugin = PluginOf(v);
    if (!plugin || !plugin->CanPaste()) return S_FALSE;
    std::int64_t position = v->time.editCursor;
    const HRESULT hr = v->access->PasteAt(v->hwnd, &position);
    if (FAILED(hr)) return hr;
    // The time extent grows to the pasted end before the cursor goes there (the host's report of the
    // new events comes later).
    if (position > v->geo.documentLength) SetDocumentLength(v, position);
    MoveEditCursor(v, position, 0, MEC_PROGRAM | MEC_NO_HISTORY);
    ScrollCursorIntoView(v, SCROLL_NEAREST);
    RefreshAfterEdit(v);
    return hr;
}

HRESULT DeleteSelection(TrackView* v) {
    if (!v->access) return S_FALSE;
    const HRESULT hr = v->access->DeleteSelected();
    if (hr == S_OK) RefreshAfterEdit(v);
    return hr;
}

HRESULT SelectAllNotes(TrackView* v, bool on) {
    if (!v->access) return S_FALSE;
    const HRESULT hr = v->access->SelectAll(on);
    if (SUCCEEDED(hr)) RefreshAfterEdit(v);
    return hr;
}

HRESULT SelectAllOnRow(TrackView* v, int row) {
    mp::PitchRow pitch{};
    if (!v->access || v->access->GetPitchRow(row, &pitch) != S_OK) return S_FALSE;
    HRESULT hr = v->access->SelectAll(false);
    if (SUCCEEDED(hr)) hr = v->access->SelectNotesInRange(-1, -1, pitch.note, pitch.note, true);
    RefreshAfterEdit(v);
    return hr;
}

namespace {

// The host keeps the undo history: the request goes to the window it gave the editor, as its own
// Undo command would come.
void AskHostToUndo(TrackView* v) {
    const HWND frame = v->hwnd ? GetParent(v->hwnd) : nullptr;
    if (const HWND host = frame ? GetParent(frame) : nullptr) SendMessage(host, WM_UNDO, 0, 0);
}

} // namespace

LRESULT GridEditMessage(TrackView* v, UINT msg, WPARAM wParam, LPARAM) {
    if (msg != WM_CUT && msg != WM_COPY && msg != WM_PASTE && msg != WM_CLEAR && msg != WM_UNDO &&
        msg != PRM_GRID_SELECT_ALL)
        return 0;
    CancelViewDrag(v);
    switch (msg) {
    case WM_UNDO: AskHostToUndo(v); break;
    case WM_CUT: CutSelection(v); break;
    case WM_COPY: CopySelection(v); break;
    case WM_PASTE: PasteAtEditCursor(v); break;
    case WM_CLEAR: DeleteSelection(v); break;
    default: SelectAllNotes(v, wParam == 0); break;
    }
    return 0;
}

} // namespace pianoroll
