// The in-place velocity entry: a small number box over a note with its own message loop, accepted by
// Enter, Tab, a press elsewhere, the wheel, a system key, a cancel or a loss of focus, cancelled by
// Escape; an accepted number becomes the velocity of the selected notes.
#include <algorithm>
#include <string>

#include "commands/edit_commands.h"
#include "model/note_model.h"
#include "mp/track_access.h"
#include "tools/tools.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"
#include "win/controls.h"
#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kEntryId = 0x7F40;
constexpr int kEntryCharacters = 19;
constexpr int kBoxCharacters = 10; // the box is this many average characters wide
constexpr int kBoxOffsetX = 4;     // from the note's start
constexpr int kBoxOffsetY = 3;     // from the row's top
constexpr int kBoxExtraHeight = 3; // below the text
constexpr int kEditExtraHeight = 4;
constexpr int kEditLeftOverhang = 2;

enum class EntryEnd { Open, Accept, Cancel };

// The one entry open: its edit control and how it ended.
struct Entry {
    HWND edit = nullptr;
    EntryEnd end = EntryEnd::Open;
};
Entry* g_entry = nullptr;
// The edit class's own procedure, which the entry's messages go on to.
WNDPROC g_editProc = nullptr;

void End(EntryEnd how) {
    if (g_entry && g_entry->end == EntryEnd::Open) g_entry->end = how;
}

LRESULT EntryProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE: return DLGC_WANTALLKEYS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_TAB) {
            End(EntryEnd::Accept);
            return 0;
        }
        if (wParam == VK_ESCAPE) {
            End(EntryEnd::Cancel);
            return 0;
        }
        break;
    case WM_CHAR:
        // The keys that end the entry type nothing.
        if (wParam == '\r' || wParam == '\t' || wParam == 0x1B) return 0;
        break;
    case WM_SYSKEYDOWN:
    case WM_MOUSEWHEEL:
        End(EntryEnd::Accept);
        return 0;
    case WM_KILLFOCUS:
    case WM_CANCELMODE: End(EntryEnd::Accept); break;
    default: break;
    }
    return CallWindowProc(g_editProc, hwnd, msg, wParam, lParam);
}

// Presses and the wheel end the entry wherever they go.
bool EndsEntry(UINT msg) {
    switch (msg) {
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MBUTTONDBLCLK:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_NCMBUTTONDOWN: return true;
    default: return false;
    }
}

// Runs the entry's messages until it ends. A press or the wheel outside the box ends it and stays
// queued, so it then does what it would have done.
void RunLoop(Entry& entry) {
    while (entry.end == EntryEnd::Open) {
        if (!IsWindow(entry.edit)) {
            entry.end = EntryEnd::Cancel;
            break;
        }
        MSG msg{};
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            WaitMessage();
            continue;
        }
        if (msg.message == WM_QUIT) {
            entry.end = EntryEnd::Cancel;
            break;
        }
        if (EndsEntry(msg.message) && msg.hwnd != entry.edit) {
            entry.end = EntryEnd::Accept;
            break;
        }
        PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE);
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

struct FontSize {
    int charWidth = 6;
    int height = 13;
};

FontSize MeasureFont(HWND hwnd, HFONT font) {
    FontSize size;
    if (HDC dc = GetDC(hwnd)) {
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRIC tm{};
        if (GetTextMetrics(dc, &tm)) {
            size.charWidth = std::max<int>(tm.tmAveCharWidth, 1);
            size.height = std::max<int>(tm.tmHeight, 1);
        }
        SelectObject(dc, old);
        ReleaseDC(hwnd, dc);
    }
    return size;
}

// The box over the held note (or the first visible row at the grid's left edge) and the value to
// start from.
RECT PlaceBox(TrackView* v, const mp::EventKey* note, const FontSize& font, int* startValue) {
    *startValue = kDefaultVelocity;
    int row = v->geo.topRow;
    int x = v->geo.grid.left;
    const NoteModel model(v->access);
    if (Note held; note && model.Read(*note, &held)) {
        x = XOfTick(v, held.start);
        row = model.RowOfPitch(held.pitch);
        *startValue = held.velocity;
    }
    int top = 0, bottom = 0;
    RowBand(v, std::max(row, 0), &top, &bottom);
    const int width = kBoxCharacters * font.charWidth;
    // A note that starts left of the view still gets its box where it can be seen.
    const int left = std::clamp(x + kBoxOffsetX, static_cast<int>(v->geo.grid.left),
                                std::max<int>(v->geo.grid.left, v->geo.grid.right - width));
    return RECT{left, top + kBoxOffsetY, left + width, top + kBoxOffsetY + font.height + kBoxExtraHeight};
}

} // namespace

void RunVelocityEntry(TrackView* v, const mp::EventKey* note) {
    if (!v || !v->hwnd || g_entry) return;
    CancelViewDrag(v);
    const HFONT font = VorUI_GetFont(VOR_FONT_LABEL);
    const FontSize size = MeasureFont(v->hwnd, font);
    int value = kDefaultVelocity;
    const RECT box = PlaceBox(v, note, size, &value);
    const int editHeight = size.height + kEditExtraHeight;
    const int editTop = box.top + (box.bottom - box.top - editHeight) / 2 - 1;
    Entry entry;
    entry.edit = CreateWindowEx(0, "EDIT", std::to_string(value).c_str(), WS_CHILD | WS_VISIBLE | WS_BORDER | ES_LEFT | ES_AUTOHSCROLL,
                                box.left - kEditLeftOverhang, editTop, box.right - box.left + kEditLeftOverhang, editHeight,
                                v->hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEntryId)), nullptr, nullptr);
    if (!entry.edit) return;
    SendMessage(entry.edit, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    SendMessage(entry.edit, EM_LIMITTEXT, kEntryCharacters, 0);
    SendMessage(entry.edit, EM_SETSEL, 0, -1);
    g_editProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtr(entry.edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&EntryProc)));
    g_entry = &entry;
    const HWND view = v->hwnd;
    SetFocus(entry.edit);
    RunLoop(entry);
    g_entry = nullptr;
    // The editor may have closed meanwhile, taking the entry and the view record with it.
    if (!IsWindow(view)) return;

    std::string text;
    if (IsWindow(entry.edit)) {
        const int length = GetWindowTextLength(entry.edit);
        text.resize(static_cast<std::size_t>(std::max(length, 0)) + 1);
        text.resize(static_cast<std::size_t>(GetWindowText(entry.edit, text.data(), static_cast<int>(text.size()))));
        // Keys go back to the grid unless a press elsewhere has taken them.
        if (GetFocus() == entry.edit) SetFocus(v->hwnd);
        DestroyWindow(entry.edit);
    }
    SetCursor(LoadCursor(nullptr, IDC_ARROW));
    if (entry.end == EntryEnd::Accept && !text.empty()) SetSelectionVelocity(v, ParseVelocityText(text));
    RefreshAfterEdit(v);
}

} // namespace pianoroll
