// The tool framework: the shared slots of the grid's tools, choosing a tool, the hit tests, and the
// common press/drag/release handling (selection by click and range, moving, copy-moving, sizing).
#include <algorithm>
#include <climits>
#include <cstdlib>

#include "mp/module_strings.h"
#include "mp/page.h"
#include "mp/private_messages.h"
#include "mp/settings.h"
#include "mp/track_access.h"
#include "tools/snapping.h"
#include "tools/tools.h"
#include "view/navigation.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr std::int64_t kFarTicks = std::int64_t{1} << 61;
constexpr int kRing[kToolCount] = {TOOL_DRAW, TOOL_SELECTION, TOOL_PAINT, TOOL_ERASE, TOOL_ZOOM};

bool CtrlHeld() { return GetKeyState(VK_CONTROL) < 0; }

int DefaultColumnWidth(TrackView* v) {
    HDC dc = v->hwnd ? GetDC(v->hwnd) : nullptr;
    if (!dc) return 100;
    HGDIOBJ old = SelectObject(dc, VorUI_GetFont(VOR_FONT_POSITION));
    SIZE extent{};
    const bool measured = GetTextExtentPoint32(dc, "999.99.999qq", 12, &extent) && extent.cx > 0;
    SelectObject(dc, old);
    ReleaseDC(v->hwnd, dc);
    return measured ? extent.cx : 100;
}

bool SameKey(const mp::EventKey& a, const mp::EventKey& b) {
    return a.track == b.track && a.block == b.block && a.event == b.event;
}

// The current record of a moved note (its queued state) and the start of the block its time counts from.
bool ItemRecord(TrackView* v, const MovedNote& item, mp::MidiEventRecord* record) {
    if (item.insert >= 0) return v->access->GetQueuedInsert(item.insert, record);
    if (const mp::MidiEventRecord* queued = v->access->GetQueuedModify(item.key)) {
        *record = *queued;
        return true;
    }
    return v->access->GetEvent(item.key, record) == S_OK;
}

void WriteItem(TrackView* v, const MovedNote& item, const mp::MidiEventRecord& record) {
    if (item.insert >= 0) v->access->SetQueuedInsert(item.insert, record);
    else v->access->QueueModify(item.key, record, mp::CHANGE_ALL);
}

void SetCursorFor(TrackView* v, int id) { SetCursor(VorUI_LoadCursor(id)); (void)v; }

void RefreshCursorNow(TrackView* v) {
    v->flags |= TVF_CURSOR_REFRESH;
    if (!v->hwnd) return;
    POINT pt{};
    if (!GetCursorPos(&pt)) return;
    ScreenToClient(v->hwnd, &pt);
    HitTestView(v, pt.x, pt.y, true);
    Pane& pane = v->panes[(v->hitCode >> 16) & 15];
    SetCursor(VorUI_LoadCursor(pane.paneClass->GetCursor(v, &pane, v->hitCode)));
}

void ChangeRowHeight(TrackView* v, int steps) {
    const int level = std::clamp(v->rowHeightLevel + steps, 0, std::max(v->gridHeight - 5, 0));
    if (level == v->rowHeightLevel) return;
    v->rowHeightLevel = level;
    SetVerticalView(v, v->verticalTop, VerticalSpanOfLevel(v, level), VV_PROGRAM | VV_FIXED_SPAN);
    InvalidateView(v, INV_ALL);
}

// The time a time-selection drag stands at: the pointer's, kept within the grid's width.
std::int64_t TimeSelectTick(TrackView* v, int x) {
    return std::max<std::int64_t>(TickOfX(v, ClampToShownTime(v, x)), 0);
}

// ---- press, move, release ------------------------------------------------------------------------------

void CommonPress(TrackView* v, Pane* pane, UINT msg, int x, int y) {
    ToolState* s = ToolsOf(v);
    if (PressIsIgnored(v)) return;
    EndAutoScroll(v);
    RecordClickKind(v, msg, x, y);
    const int hit = pane->paneClass->HitTest(v, pane, x, y);
    RecordPress(v, x, y, hit);
    const bool ctrl = CtrlHeld(), shift = ShiftHeld();
    if ((ctrl && shift) || hit == HitOutside || hit == HitEmpty) {
        DeselectAll(v);
        v->drag = Drag::TimeSelectArmed;
    } else if (shift) {
        SoundNote(v, s->pressNote);
        if (!v->access->AnyEventSelected()) {
            s->anchorRow = s->pressRow;
            s->anchorTime = s->pressTime;
        }
        SelectRectangle(v, s->anchorTime, s->pressTime, s->anchorRow, s->pressRow, true);
        v->drag = Drag::RangeSelect;
    } else if (!s->pressHasNote) {
        v->drag = Drag::Inert;
    } else {
        SoundNote(v, s->pressNote);
        if (!ctrl && !v->access->IsEventSelected(s->pressNote)) {
            SelectOnly(v, s->pressNote);
            s->anchorRow = s->pressRow;
            s->anchorTime = s->pressTime;
        }
        v->drag = Drag::Pressed;
    }
    CaptureGrid(v);
}

// A press that turns into a drag: sizing from an edge, moving or copy-moving from the body.
void StartPressedDrag(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    v->drag = Drag::Inert;
    if (s->pressRight || !s->pressHasNote) return;
    std::int64_t start = 0, end = 0;
    if (!NoteSpan(v, s->pressNote, &start, &end)) return;
    if (s->pressHit == HitNoteStart || s->pressHit == HitNoteEnd) {
        const bool atStart = s->pressHit == HitNoteStart;
        SelectOnly(v, s->pressNote);
        s->anchorRow = s->pressRow;
        s->anchorTime = atStart ? start : end;
        if (SetUpSize(v, atStart)) {
            v->drag = atStart ? Drag::SizeStart : Drag::SizeEnd;
            ApplySize(v, x);
        }
        return;
    }
    if (s->pressHit != HitNote) return;
    s->axis = 0;
    if (AltHeld()) {
        s->axis = std::abs(x - s->press.x) <= v->dragThreshold.x ? 2 : 1;
        s->cursorRefresh = true;
    }
    const bool copy = CtrlHeld();
    if (copy) {
        if (!v->access->IsEventSelected(s->pressNote)) SetNoteSelected(v, s->pressNote, true);
    } else if (!v->access->IsEventSelected(s->pressNote)) {
        SelectOnly(v, s->pressNote);
        s->anchorRow = s->pressRow;
        s->anchorTime = start;
    }
    if (!SetUpMove(v, copy)) return;
    v->drag = Drag::MoveNotes;
    ApplyMove(v, x, y);
    if (s->axis) SetCursorFor(v, s->axis == 1 ? CURSOR_MOVE_TIME : CURSOR_MOVE_PITCH);
}

void CommonMove(TrackView* v, WPARAM wParam, int x, int y) {
    ToolState* s = ToolsOf(v);
    switch (v->drag) {
    case Drag::Pressed: {
        if (!((wParam & MK_LBUTTON) || !(wParam & MK_RBUTTON))) return;
        if (!BeyondThreshold(v, x, y, 1)) return;
        StartPressedDrag(v, x, y);
        break;
    }
    case Drag::RangeSelect:
        SelectRectangle(v, s->anchorTime, TickOfX(v, x), s->anchorRow, ClampedRowAtY(v, y), true);
        break;
    case Drag::MoveNotes:
    case Drag::SizeStart:
    case Drag::SizeEnd:
    case Drag::DrawSize:
        if (x == s->last.x && y == s->last.y) return;
        if (v->drag == Drag::MoveNotes) ApplyMove(v, x, y);
        else if (v->drag == Drag::DrawSize) DrawSizeApply(v, x);
        else ApplySize(v, x);
        FollowWithAutoScroll(v, x, y, v->drag == Drag::MoveNotes && s->axis != 1 ? std::uint32_t{AS_VERTICAL} : 0u);
        break;
    case Drag::TimeSelectArmed:
        if (std::abs(x - s->press.x) <= 2 * v->dragThreshold.x) return;
        v->drag = Drag::TimeSelect;
        if (!s->doubleClickMessage) SetCursorFor(v, CURSOR_TIME_RANGE);
        BeginTimeSelection(v, s->pressTime);
        ExtendTimeSelection(v, s->pressTime, TimeSelectTick(v, x));
        FollowWithAutoScroll(v, x, y, 0);
        break;
    case Drag::TimeSelect:
        ExtendTimeSelection(v, s->pressTime, TimeSelectTick(v, x));
        FollowWithAutoScroll(v, x, y, 0);
        break;
    case Drag::DrawArmed: DrawArmedMove(v, x, y); break;
    default: break;
    }
    s->last = {x, y};
}

// The view scrolled under a drag: the same point now stands for another time (or row).
void AutoScrolled(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    switch (v->drag) {
    case Drag::MoveNotes:
    case Drag::SizeStart:
    case Drag::SizeEnd:
    case Drag::DrawSize:
    case Drag::TimeSelect:
        s->last = {INT_MIN, INT_MIN};
        CommonMove(v, MK_LBUTTON, x, y);
        break;
    default: EndAutoScroll(v); break;
    }
}

void CommitMove(TrackView* v) {
    ToolState* s = ToolsOf(v);
    const std::size_t count = s->moved.size();
    const bool copy = s->copy;
    s->moved.clear();
    s->copy = false;
    if (copy) CommitUnder(v, count >= 2 ? mp::IDS_UNDO_PASTE_EVENTS : mp::IDS_UNDO_PASTE_EVENT);
    else CommitUnder(v, count >= 2 ? mp::IDS_UNDO_MOVE_EVENTS : mp::IDS_UNDO_MOVE_EVENT);
}

void CommonRelease(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    const Drag state = v->drag;
    if (!IsGridDrag(state)) return;
    switch (state) {
    case Drag::Pressed:
    case Drag::TimeSelectArmed:
    case Drag::DrawArmed:
        if (state != Drag::TimeSelectArmed) SilenceNote(v);
        v->drag = Drag::None;
        ReleaseAsClick(v, x, y);
        break;
    case Drag::RangeSelect:
        SelectRectangle(v, s->anchorTime, TickOfX(v, x), s->anchorRow, ClampedRowAtY(v, y), true);
        SilenceNote(v);
        break;
    case Drag::MoveNotes:
        if (x != s->last.x || y != s->last.y) ApplyMove(v, x, y);
        SilenceNote(v);
        v->drag = Drag::None;
        CommitMove(v);
        break;
    case Drag::SizeStart:
    case Drag::SizeEnd:
        ApplySize(v, x);
        v->drag = Drag::None;
        CommitUnder(v, mp::IDS_UNDO_SIZE_EVENT);
        break;
    case Drag::TimeSelect:
        ExtendTimeSelection(v, s->pressTime, TimeSelectTick(v, x));
        FinishTimeSelection(v, s->pressTime);
        break;
    case Drag::DrawSize: DrawSizeRelease(v, x); break;
    default: break;
    }
    s->axis = 0;
    EndDrag(v);
}

void RightPress(TrackView* v, Pane* pane, WPARAM wParam, int x, int y) {
    ToolState* s = ToolsOf(v);
    if (v->drag != Drag::None || (wParam & MK_LBUTTON)) return;
    const int hit = pane->paneClass->HitTest(v, pane, x, y);
    RecordPress(v, x, y, hit);
    s->pressRight = true;
    CaptureGrid(v);
    if (hit == HitNote && s->pressHasNote) {
        if (!v->access->IsEventSelected(s->pressNote)) SelectOnly(v, s->pressNote);
        v->drag = Drag::Pressed;
    } else if (hit == HitEmpty) {
        DeselectAll(v);
        v->drag = Drag::Pressed;
    } else {
        v->drag = Drag::Inert;
    }
}

void RightRelease(TrackView* v, WPARAM wParam) {
    if (wParam & MK_LBUTTON) return;
    const Drag state = v->drag;
    if (!IsGridDrag(state)) return;
    if (state == Drag::MoveNotes) return; // the left button's move carries on
    // The grid's context menu opens here once the edit commands exist; until then the release only
    // ends the gesture.
    EndDrag(v);
}

LRESULT Wheel(TrackView* v, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!CtrlHeld() || ShiftHeld()) return DefWindowProc(v->hwnd, msg, wParam, lParam);
    const int delta = static_cast<short>(HIWORD(wParam));
    const int steps = std::abs(delta) / 120;
    if (steps == 0) return 105;
    if (!AltHeld()) {
        ScrollVertically(v, (delta > 0 ? -1 : 1) * steps * 3 * std::max(v->verticalStep, kUnitsPerRow));
        InvalidateView(v, INV_ALL);
    } else {
        // Up (a positive delta) makes rows taller.
        ChangeRowHeight(v, delta > 0 ? steps : -steps);
    }
    return 105;
}

} // namespace

// ---- tools of a view ----------------------------------------------------------------------------------

ToolState* ToolsOf(TrackView* v) {
    if (!v->tools) v->tools = new ToolState;
    return v->tools;
}

void NotifyRefreshState(TrackView* v) {
    if (!v->hwnd) return;
    if (HWND parent = GetParent(v->hwnd)) PostMessage(parent, mp::PRM_REFRESH_STATE, 0, 0);
}

int SelectTool(TrackView* v, int index) {
    PaneClass* next = ToolClassOf(index);
    if (!next) return 0;
    ToolState* s = ToolsOf(v);
    Pane& grid = v->panes[PANE_GRID];
    if (index != s->current || grid.paneClass != next) {
        if (grid.paneClass) grid.paneClass->OnToolChange(v, &grid, 1);
        s->current = index;
        grid.paneClass = next;
        next->OnToolChange(v, &grid, 2);
        if (v->settings) v->settings->savedViewWord = index;
    }
    if (!v->hwnd || GetCapture() != v->hwnd) RefreshCursorNow(v);
    s->remembered = -1;
    return 1;
}

void StepTool(TrackView* v, bool forward) {
    ToolState* s = ToolsOf(v);
    int at = 0;
    for (int i = 0; i < kToolCount; ++i)
        if (kRing[i] == s->current) at = i;
    for (int n = 1; n <= kToolCount; ++n) {
        const int i = ((at + (forward ? n : -n)) % kToolCount + kToolCount) % kToolCount;
        if (SelectTool(v, kRing[i])) return;
    }
}

void BeginTemporaryZoom(TrackView* v) {
    ToolState* s = ToolsOf(v);
    const int was = s->current;
    if (was == TOOL_ZOOM) return;
    SelectTool(v, TOOL_ZOOM);
    s->remembered = was;
}

int HandleToolCommand(TrackView* v, int command) {
    const int index = command - CMD_TOOL_FIRST;
    if (index < 0 || index >= kToolCount) return 0;
    if (IsGridDrag(v->drag)) return 1;
    SelectTool(v, index);
    NotifyRefreshState(v);
    return 1;
}

// ---- shared slots ---------------------------------------------------------------------------------------

int ToolInit(TrackView* v, Pane*, int flag) {
    if (flag == 0) {
        if (v->hwnd) RegisterToolCursors(reinterpret_cast<HINSTANCE>(GetWindowLongPtr(v->hwnd, GWLP_HINSTANCE)));
        ToolState* s = ToolsOf(v);
        if (v->settings && v->settings->keyboardWidth < 0) {
            v->settings->keyboardWidth = DefaultColumnWidth(v);
            v->panes[PANE_KEYBOARD].data[0] = v->settings->keyboardWidth;
        }
        if (v->settings && v->access)
            OpenSnapState(v->snap, *v->settings, v->access->TicksPerQuarter(), v->access->GetTimeSignature());
        const int saved = v->settings ? v->settings->savedViewWord : 0;
        s->current = -1;
        if (!SelectTool(v, saved >= 0 && saved < kToolCount ? saved : TOOL_DRAW)) SelectTool(v, TOOL_DRAW);
        return 1;
    }
    delete v->tools;
    v->tools = nullptr;
    return 1;
}

void ToolLayout(TrackView*, Pane* pane, RECT* remaining) {
    pane->rect = *remaining;
    pane->width = std::max<int>(remaining->right - remaining->left, 0);
    pane->height = std::max<int>(remaining->bottom - remaining->top, 0);
}

bool NoteSpan(TrackView* v, const mp::EventKey& key, std::int64_t* start, std::int64_t* end) {
    mp::MidiEventRecord record{};
    if (!v->access || v->access->GetEvent(key, &record) != S_OK) return false;
    if (!v->access->EventStart(key, start)) return false;
    *end = *start + record.length;
    return true;
}

namespace {

// Steps 1 and 2 of both hit tests: the row, and the note of the row near the point.
int FindHit(TrackView* v, int x, int y, std::int64_t tolerance) {
    ToolState* s = ToolsOf(v);
    s->hitHasNote = false;
    s->hitNote = {};
    const int row = RowAtY(v, y);
    s->hitRow = row;
    if (row >= 0) v->hoverRow = row;
    if (row < 0 || row >= v->rowCount || !v->access || v->timeSpan <= 0) return HitOutside;
    mp::EventKey key{};
    if (v->access->FindNoteAt(TickOfX(v, x), tolerance, row, &key) != S_OK) return HitEmpty;
    s->hitNote = key;
    s->hitHasNote = true;
    return HitNote;
}

} // namespace

int PreciseHitTest(TrackView* v, Pane*, int x, int y) {
    const int found = FindHit(v, x, y, TicksOfWidth(v, 8) / 2);
    if (found != HitNote) return found;
    ToolState* s = ToolsOf(v);
    std::int64_t start = 0, end = 0;
    if (!NoteSpan(v, s->hitNote, &start, &end)) return HitEmpty;
    const int xs = XOfTick(v, start), xe = XOfTick(v, end);
    if (xe - xs < 3) {
        // Too narrow for a body: the two edges meet in the middle.
        return x <= xs + (xe - xs) / 2 ? HitNoteStart : HitNoteEnd;
    }
    const int e = std::min((xe - xs) / 3, 8) / 2;
    if (x >= xs - 4 && x <= xs + e) return HitNoteStart;
    if (x < xe - e || x > xe + 4) return HitNote;
    return HitNoteEnd;
}

int CoarseHitTest(TrackView* v, Pane*, int x, int y) { return FindHit(v, x, y, TicksOfWidth(v, 4)); }

void ToolPaint(TrackView* v, Pane* pane, HDC dc, const RECT* clip) {
    PaintGrid(v, pane, dc, clip);
    if (v->tools && v->tools->bandDrawn) DrawBand(v, dc);
}

void ToolReserved(TrackView*, Pane*) {}

int CommonCursor(TrackView* v, std::uint32_t hitCode) {
    switch (hitCode) {
    case HitNote:
        if (v->tools && v->drag == Drag::MoveNotes && v->tools->axis)
            return v->tools->axis == 1 ? CURSOR_MOVE_TIME : CURSOR_MOVE_PITCH;
        return CURSOR_ARROW;
    case HitNoteStart: return CURSOR_NOTE_START;
    case HitNoteEnd: return CURSOR_NOTE_END;
    default: return CURSOR_ARROW;
    }
}

LRESULT ToolOnKey(TrackView* v, Pane*, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (AnswerGridCaret(v, msg, lParam)) return 1;
    if (msg != WM_KEYDOWN) return 0;
    const bool shift = ShiftHeld(), ctrl = CtrlHeld();
    const bool dragging = IsGridDrag(v->drag);
    switch (wParam) {
    case VK_ESCAPE:
        if (dragging) {
            CancelDrag(v);
            return 1;
        }
        // With nothing to cancel, Escape in the Selection tool stops playback.
        if (v->tools && v->tools->current == TOOL_SELECTION && v->access && v->access->IsPlaying()) {
            v->access->SetPlaying(false);
            return 1;
        }
        return 0;
    case 'Q':
    case 'L':
        if (!shift && !ctrl) {
            if (HWND parent = v->hwnd ? GetParent(v->hwnd) : nullptr)
                SendMessage(parent, WM_COMMAND, CMD_LOOP_PLAYBACK, 0);
            return 1;
        }
        if (wParam == 'L' && shift && !ctrl) {
            SetLoopRange(v, v->loopStart, v->loopEnd - v->loopStart);
            return 1;
        }
        return 0;
    default: break;
    }
    if (dragging) return 0;
    switch (wParam) {
    case 'D':
        if (ctrl) SelectTool(v, TOOL_DRAW);
        else StepTool(v, !shift);
        NotifyRefreshState(v);
        return 1;
    case VK_UP:
    case VK_DOWN:
        if (!shift || !ctrl) return 0;
        ChangeRowHeight(v, wParam == VK_UP ? 1 : -1);
        return 1;
    case VK_F5:
        InvalidateView(v, INV_ALL);
        NotifyRefreshState(v);
        return 1;
    default: return 0;
    }
}

// ---- pieces the tools share ------------------------------------------------------------------------------

bool PressIsIgnored(TrackView* v) { return v->drag != Drag::None || !v->access; }

void RecordClickKind(TrackView* v, UINT msg, int x, int y) {
    ToolState* s = ToolsOf(v);
    s->doubleClickMessage = msg == WM_LBUTTONDBLCLK || msg == WM_RBUTTONDBLCLK;
    s->tripleClick = false;
    const std::uint64_t now = GetTickCount64();
    if (s->doubleClickMessage) {
        s->doubleClickTime = now;
        s->doubleClickStored = true;
        s->doubleClickPoint = {x, y};
        return;
    }
    if (s->doubleClickStored && now - s->doubleClickTime <= static_cast<std::uint64_t>(GetDoubleClickTime()) &&
        std::abs(x - s->doubleClickPoint.x) * 2 <= GetSystemMetrics(SM_CXDOUBLECLK) &&
        std::abs(y - s->doubleClickPoint.y) * 2 <= GetSystemMetrics(SM_CYDOUBLECLK))
        s->tripleClick = true;
    s->doubleClickStored = false;
}

void RecordPress(TrackView* v, int x, int y, int hit) {
    ToolState* s = ToolsOf(v);
    s->insertBaseKnown = false;
    s->press = {x, y};
    s->last = {x, y};
    s->pressTime = std::max<std::int64_t>(TickOfX(v, x), 0);
    s->pressRow = s->hitRow;
    s->pressUnit = UnitOfY(v, y);
    s->pressHit = hit;
    s->pressNote = s->hitNote;
    s->pressHasNote = s->hitHasNote;
    s->pressRight = false;
    s->applied = 0;
    s->axis = 0;
    s->copy = false;
    s->moved.clear();
}

int ClampToShownTime(const TrackView* v, int x) {
    return std::clamp<int>(x, v->grid.left, v->grid.left + std::max(v->zoomPixels, 1) - 1);
}

void FollowWithAutoScroll(TrackView* v, int x, int y, std::uint32_t extraMode) {
    // The right margin shows no notes, so reaching it already scrolls.
    RECT shown = v->grid;
    shown.right = std::min<LONG>(shown.right, v->grid.left + std::max(v->zoomPixels, 1));
    AutoScrollForPoint(v, x, y, shown, 0, AS_HORIZONTAL | extraMode);
}

void CaptureGrid(TrackView* v) {
    if (v->hwnd && GetCapture() != v->hwnd) SetCapture(v->hwnd);
}

void EndDrag(TrackView* v) {
    EndAutoScroll(v);
    v->drag = Drag::None;
    if (v->hwnd && GetCapture() == v->hwnd) ReleaseCapture();
    v->flags |= TVF_CURSOR_REFRESH;
}

void DeselectAll(TrackView* v) {
    if (v->access && v->access->AnyEventSelected()) v->access->SelectAll(false);
    RedrawGrid(v);
    NotifyRefreshState(v);
}

void SelectOnly(TrackView* v, const mp::EventKey& key) {
    if (!v->access) return;
    v->access->SelectAll(false);
    SetNoteSelected(v, key, true);
    RedrawGrid(v);
    NotifyRefreshState(v);
}

// Selection is no edit of its own: the unnamed write leaves no step in the host's undo history.
void SetNoteSelected(TrackView* v, const mp::EventKey& key, bool on) {
    if (v->access) v->access->SelectEvent(key, on);
}

void SelectRectangle(TrackView* v, std::int64_t t0, std::int64_t t1, int row0, int row1, bool replace) {
    if (!v->access) return;
    if (replace) v->access->SelectAll(false);
    const int top = std::clamp(std::min(row0, row1), 0, v->rowCount - 1);
    const int bottom = std::clamp(std::max(row0, row1), 0, v->rowCount - 1);
    const std::int64_t start = std::max<std::int64_t>(std::min(t0, t1), 0);
    const std::int64_t length = std::max(t0, t1) - start + 1;
    v->access->SelectRange(start, length, PitchOfRow(v, bottom), PitchOfRow(v, top), true);
    RedrawGrid(v);
    NotifyRefreshState(v);
}

void SoundPitch(TrackView* v, int pitch, std::int64_t duration, int velocity) {
    ToolState* s = ToolsOf(v);
    SilenceNote(v);
    if (!v->access || pitch < 0 || pitch > 127) return;
    if (v->access->PlayNote(pitch, duration, velocity, true) == S_OK) s->soundingPitch = pitch;
}

void SoundNote(TrackView* v, const mp::EventKey& key) {
    mp::MidiEventRecord record{};
    if (!v->access || v->access->GetEvent(key, &record) != S_OK || record.kind != mp::MEK_NOTE) return;
    SoundPitch(v, record.data[0], record.length, record.data[1]);
}

void SilenceNote(TrackView* v) {
    ToolState* s = ToolsOf(v);
    if (s->soundingPitch < 0) return;
    if (v->access) v->access->PlayNote(s->soundingPitch, 0, 0, false);
    s->soundingPitch = -1;
}

int PitchOfRow(TrackView* v, int row) {
    mp::PitchRow pitchRow{};
    if (v->access && v->access->GetPitchRow(row, &pitchRow) == S_OK) return pitchRow.note;
    return 127 - row;
}

int ClampedRowAtY(TrackView* v, int y) {
    y = std::clamp<int>(y, v->grid.top, std::max<int>(v->grid.bottom - 1, v->grid.top));
    const int row = RowAtY(v, y);
    if (row >= 0) return std::min(row, v->rowCount - 1);
    return row == -3 ? std::max(v->topRow, 0) : v->rowCount - 1;
}

void ReleaseAsClick(TrackView* v, int x, int) {
    ToolState* s = ToolsOf(v);
    std::int64_t clickTime = SnapClickTime(*v, v->snap, std::max<std::int64_t>(TickOfX(v, x), 0));
    std::int64_t start = 0, end = 0;
    if (s->pressHasNote && NoteSpan(v, s->pressNote, &start, &end)) {
        if (s->pressHit == HitNoteStart) clickTime = start;
        else if (s->pressHit == HitNoteEnd) clickTime = end;
    }
    const bool ctrl = CtrlHeld(), shift = ShiftHeld();
    if (ctrl && !shift && s->pressHasNote) {
        SetNoteSelected(v, s->pressNote, !v->access->IsEventSelected(s->pressNote));
        RedrawGrid(v);
        NotifyRefreshState(v);
        return;
    }
    if (s->pressHasNote) {
        SelectOnly(v, s->pressNote);
        s->anchorRow = s->pressRow;
        s->anchorTime = clickTime;
    }
    if (s->doubleClickMessage) return;
    // Ctrl takes the loop region along, Shift extends the range, and a click off the rows counts as
    // a programmatic move (it does not stop playback from following).
    unsigned flags = 0;
    if (ctrl) flags |= MEC_MOVE_LOOP;
    if (shift) flags |= MEC_EXTEND;
    if (s->pressHit == HitOutside) flags |= MEC_PROGRAM;
    MoveEditCursor(v, clickTime, 0, flags);
}

void RedrawGrid(TrackView* v) { InvalidateView(v, 0); }

void CommitUnder(TrackView* v, std::uint32_t nameId) {
    if (!v->access) return;
    const std::u16string name = mp::Utf8ToUtf16(mp::ModuleString(nameId));
    v->access->CommitEdits(name.c_str());
    RedrawGrid(v);
    NotifyRefreshState(v);
}

void CancelDrag(TrackView* v) {
    ToolState* s = ToolsOf(v);
    const Drag state = v->drag;
    if (!IsGridDrag(state)) return;
    v->drag = Drag::None;
    switch (state) {
    case Drag::MoveNotes:
    case Drag::SizeStart:
    case Drag::SizeEnd:
    case Drag::PaintStroke:
    case Drag::EraseStroke:
        SilenceNote(v);
        if (v->access) v->access->DiscardEdits();
        s->moved.clear();
        s->copy = false;
        break;
    case Drag::DrawSize: DrawCancel(v); break;
    case Drag::Marquee:
    case Drag::MarqueeArmed:
        RemoveBand(v);
        for (const mp::EventKey& key : s->remembered_selection) SetNoteSelected(v, key, true);
        s->remembered_selection.clear();
        break;
    case Drag::ZoomBox:
        RemoveBand(v);
        if (s->remembered >= 0) {
            const int back = s->remembered;
            SelectTool(v, back);
            NotifyRefreshState(v);
        }
        break;
    case Drag::TimeSelect:
        // An unfinished time selection does not become the loop region; it goes away.
        ExtendTimeSelection(v, s->pressTime, s->pressTime);
        break;
    default: SilenceNote(v); break;
    }
    s->axis = 0;
    EndDrag(v);
    RedrawGrid(v);
}

// ---- the pending edit as shown -------------------------------------------------------------------------------

bool NoteIsPending(TrackView* v, const mp::EventKey& key) {
    return v->access && (v->access->GetQueuedModify(key) != nullptr || v->access->IsQueuedDelete(key));
}

void ForEachPendingNote(TrackView* v, PendingNoteVisitor visit, void* context) {
    mp::TrackAccess* a = v->access;
    if (!a || !v->tools) return;
    const int modifies = a->QueuedModifyCount();
    for (int i = 0; i < modifies; ++i) {
        mp::EventKey key{};
        mp::MidiEventRecord record{};
        std::uint32_t mask = 0;
        if (!a->GetQueuedModify(i, &key, &record, &mask) || record.kind != mp::MEK_NOTE || a->IsQueuedDelete(key))
            continue;
        if (mask == mp::CHANGE_FLAGS) {
            // Only the selection changes: the host's record with the queued flags.
            const std::uint32_t flags = record.flags;
            if (a->GetEvent(key, &record) != S_OK) continue;
            record.flags = flags;
        }
        record.time += a->BlockStart(key);
        visit(context, key, record);
    }
    if (!v->tools->insertBaseKnown) return;
    const int inserts = a->QueuedInsertCount();
    for (int i = 0; i < inserts; ++i) {
        mp::MidiEventRecord record{};
        if (!a->GetQueuedInsert(i, &record) || record.kind != mp::MEK_NOTE) continue;
        record.time += v->tools->insertBase;
        visit(context, mp::EventKey{}, record);
    }
}

// ---- move ---------------------------------------------------------------------------------------------------

bool SetUpMove(TrackView* v, bool copy) {
    ToolState* s = ToolsOf(v);
    mp::TrackAccess* a = v->access;
    s->moved.clear();
    s->copy = copy;
    s->applied = 0;
    s->pressedItem = -1;
    std::vector<std::int64_t> bases;
    if (copy) {
        const int first = a->QueuedInsertCount();
        std::vector<mp::EventKey> originals;
        if (a->DuplicateSelected(&originals) != S_OK) {
            a->DiscardEdits();
            return false;
        }
        for (std::size_t i = 0; i < originals.size(); ++i) {
            const int insert = first + static_cast<int>(i);
            mp::MidiEventRecord copyRecord{}, original{};
            std::int64_t start = 0;
            if (!a->GetQueuedInsert(insert, &copyRecord) || a->GetEvent(originals[i], &original) != S_OK ||
                !a->EventStart(originals[i], &start))
                continue;
            // The originals stay where they are, deselected; the copies carry the selection.
            original.flags &= ~mp::MEF_SELECTED;
            a->QueueModify(originals[i], original, mp::CHANGE_FLAGS);
            if (SameKey(originals[i], s->pressNote)) s->pressedItem = static_cast<int>(s->moved.size());
            s->moved.push_back({originals[i], insert});
            bases.push_back(start - copyRecord.time);
            s->insertBase = start - copyRecord.time;
            s->insertBaseKnown = true;
        }
    } else {
        int cursor = -1;
        mp::EventKey key{};
        mp::MidiEventRecord record{};
        while (a->NextEventInRange(&cursor, -1, 0, mp::MEK_NOTE, false, &key, &record) == S_OK) {
            if (!(record.flags & mp::MEF_SELECTED)) continue;
            a->QueueModify(key, record, mp::CHANGE_ALL);
            if (SameKey(key, s->pressNote)) s->pressedItem = static_cast<int>(s->moved.size());
            s->moved.push_back({key, -1});
            bases.push_back(a->BlockStart(key));
        }
    }
    if (s->pressedItem < 0) {
        a->DiscardEdits();
        s->moved.clear();
        return false;
    }
    // Limits: no note before tick 0, every note on a row.
    std::int64_t earliest = kFarTicks, latest = 0;
    mp::MidiEventRecord pressed{};
    ItemRecord(v, s->moved[static_cast<std::size_t>(s->pressedItem)], &pressed);
    s->pressedNoteStart = bases[static_cast<std::size_t>(s->pressedItem)] + pressed.time;
    s->pressedNoteRow = a->RowOfNote(pressed.data[0]);
    int low = 0, high = v->rowCount - 1;
    int largest = -v->rowCount, smallest = v->rowCount;
    for (std::size_t i = 0; i < s->moved.size(); ++i) {
        mp::MidiEventRecord record{};
        if (!ItemRecord(v, s->moved[i], &record)) continue;
        const std::int64_t start = bases[i] + record.time;
        earliest = std::min(earliest, start);
        latest = std::max(latest, start + static_cast<std::int64_t>(record.length));
        if (record.kind != mp::MEK_NOTE) continue;
        const int diff = s->pressedNoteRow - a->RowOfNote(record.data[0]);
        largest = std::max(largest, diff);
        smallest = std::min(smallest, diff);
    }
    if (largest > -v->rowCount) low = largest;
    if (smallest < v->rowCount) high = v->rowCount - 1 + smallest;
    s->rowLow = low;
    s->rowHigh = high;
    s->offsetLow = -earliest;
    s->offsetHigh = kFarTicks - latest;
    s->noteOffset = s->pressTime - s->pressedNoteStart;
    s->sizeStart = 0;
    // Bases are kept in the items' keys' place for inserts: remember them alongside.
    s->moveBases = std::move(bases);
    return true;
}

void ApplyMove(TrackView* v, int x, int y) {
    ToolState* s = ToolsOf(v);
    mp::TrackAccess* a = v->access;
    if (s->pressedItem < 0 || static_cast<std::size_t>(s->pressedItem) >= s->moved.size()) return;
    x = ClampToShownTime(v, x);
    y = std::clamp<int>(y, v->grid.top, std::max<int>(v->grid.bottom - 1, v->grid.top));
    s->last = {x, y};
    std::int64_t offset = std::clamp(TickOfX(v, x) - s->pressTime, s->offsetLow, s->offsetHigh);
    if (!ShiftHeld()) {
        offset = SnapMoveTime(*v, v->snap, s->pressedNoteStart + offset) - s->pressedNoteStart;
        offset = std::clamp(offset, s->offsetLow, s->offsetHigh);
    }
    const int rowOffset = ClampedRowAtY(v, y) - s->pressedNoteRow;
    const int newRow = std::clamp(s->pressedNoteRow + rowOffset, s->rowLow, s->rowHigh);
    mp::MidiEventRecord pressed{};
    if (!ItemRecord(v, s->moved[static_cast<std::size_t>(s->pressedItem)], &pressed)) return;
    const int pitchOffset = PitchOfRow(v, newRow) - pressed.data[0];
    const std::int64_t increment = s->axis == 2 ? 0 : offset - s->applied;
    if (s->axis == 1 && increment == 0) return;
    const bool movePitch = s->axis != 1 && pitchOffset != 0;
    if (increment == 0 && !movePitch) return;
    for (std::size_t i = 0; i < s->moved.size(); ++i) {
        mp::MidiEventRecord record{};
        if (!ItemRecord(v, s->moved[i], &record)) continue;
        const std::int64_t base = s->moveBases[i];
        const std::int64_t start = std::max<std::int64_t>(base + record.time + increment, 0);
        record.time = start - base;
        if (movePitch && record.kind == mp::MEK_NOTE) {
            const int pitch = record.data[0] + pitchOffset;
            if (pitch >= 0 && pitch <= 127 && ScaleAllowsPitch(v->settings, pitch)) {
                if (static_cast<int>(i) == s->pressedItem && s->soundingPitch >= 0)
                    SoundPitch(v, pitch, record.length, record.data[1]);
                record.data[0] = static_cast<std::uint8_t>(pitch);
            }
        }
        WriteItem(v, s->moved[i], record);
    }
    if (s->axis != 2) s->applied = offset;
    (void)a;
    RedrawGrid(v);
}

// ---- size -----------------------------------------------------------------------------------------------------

bool SetUpSize(TrackView* v, bool atStart) {
    ToolState* s = ToolsOf(v);
    std::int64_t start = 0, end = 0;
    if (!NoteSpan(v, s->pressNote, &start, &end)) return false;
    s->sizeStart = start;
    s->sizeDuration = end - start;
    if (atStart) {
        s->offsetLow = -start;
        s->offsetHigh = kFarTicks - 1 - start;
    } else {
        s->offsetLow = 1 - s->sizeDuration;
        s->offsetHigh = kFarTicks;
    }
    if (s->offsetLow > s->offsetHigh) return false;
    mp::MidiEventRecord record{};
    if (v->access->GetEvent(s->pressNote, &record) != S_OK) return false;
    v->access->QueueModify(s->pressNote, record, mp::CHANGE_ALL);
    s->applied = 0;
    return true;
}

void ApplySize(TrackView* v, int x) {
    ToolState* s = ToolsOf(v);
    mp::TrackAccess* a = v->access;
    x = ClampToShownTime(v, x);
    s->last.x = x;
    const std::int64_t offset = std::clamp(TickOfX(v, x) - s->pressTime, s->offsetLow, s->offsetHigh);
    const std::int64_t end = s->sizeStart + s->sizeDuration;
    std::int64_t start = s->sizeStart, duration = s->sizeDuration;
    if (v->drag == Drag::SizeStart) {
        start = SnapStartEdgeTime(*v, v->snap, s->sizeStart + offset, end);
        start = std::clamp<std::int64_t>(start, 0, kFarTicks - 1);
        duration = end - start;
        if (duration <= 0) {
            start = end - 1;
            duration = 1;
        }
    } else {
        std::int64_t newEnd = SnapEndEdgeTime(*v, v->snap, end + offset, s->sizeStart);
        newEnd = std::min(newEnd, s->sizeStart + s->sizeDuration + kFarTicks);
        duration = std::max<std::int64_t>(newEnd - s->sizeStart, 1);
    }
    const mp::MidiEventRecord* queued = a->GetQueuedModify(s->pressNote);
    if (!queued) return;
    mp::MidiEventRecord record = *queued;
    const std::int64_t base = a->BlockStart(s->pressNote);
    const std::int64_t newTime = start - base;
    const auto newLength = static_cast<std::uint32_t>(std::clamp<std::int64_t>(duration, 1, UINT32_MAX));
    if (record.time == newTime && record.length == newLength) return;
    record.time = newTime;
    record.length = newLength;
    a->QueueModify(s->pressNote, record, mp::CHANGE_ALL);
    RedrawGrid(v);
}

// ---- the common mouse handler ------------------------------------------------------------------------------

bool BeyondThreshold(TrackView* v, int x, int y, int factor) {
    const ToolState* s = ToolsOf(v);
    return std::abs(x - s->press.x) > v->dragThreshold.x * factor || std::abs(y - s->press.y) > v->dragThreshold.y * factor;
}

int ToolPressShift(WPARAM wParam) { return (wParam & MK_SHIFT) ? 1 : 0; }
int ToolPressCtrl(WPARAM wParam) { return (wParam & MK_CONTROL) ? 1 : 0; }

LRESULT CommonOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: CommonPress(v, pane, msg, x, y); return 0;
    case WM_MOUSEMOVE:
        if (v->hwnd && GetCapture() == v->hwnd) CommonMove(v, wParam, x, y);
        return 0;
    case WM_LBUTTONUP: CommonRelease(v, x, y); return 0;
    case WM_RBUTTONDOWN:
    case WM_RBUTTONDBLCLK: RightPress(v, pane, wParam, x, y); return 0;
    case WM_RBUTTONUP: RightRelease(v, wParam); return 0;
    case WM_MOUSEWHEEL: return Wheel(v, msg, wParam, lParam);
    case PANE_AUTOSCROLLED: AutoScrolled(v, x, y); return 0;
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED: CancelDrag(v); return 0;
    default: return v->hwnd ? DefWindowProc(v->hwnd, msg, wParam, lParam) : 0;
    }
}

} // namespace pianoroll
