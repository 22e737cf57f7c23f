// The "Show Other Tracks" checklist: one check box per track of the song with its colour, a page of 32
// at a time, All and None, and the tracks checked on OK. Built for the song's number of tracks.
#include "frame/editor_frame.h"

#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include "mp/module_strings.h"
#include "mp/plugin.h"
#include "mp/string_ids.h"
#include "resources/module_identity.h"
#include "view/ghost_layer.h"
#include "vor/window_placement.h"
#include "win/controls.h"
#include "win/win.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kPromptId = 1300;
constexpr int kFirstBoxId = 1301;    // the check boxes of a page's slots
constexpr int kFirstSwatchId = 1341; // the swatch beside each
constexpr int kAllId = 1380;
constexpr int kNoneId = 1381;
constexpr int kPreviousId = 1382;
constexpr int kNextId = 1383;

constexpr int kRowsPerColumn = 16;
constexpr int kColumns = 2;
constexpr int kSlots = kRowsPerColumn * kColumns;

// Dialog units.
constexpr short kMargin = 7;
constexpr short kRowPitch = 12;
constexpr short kColumnWidth = 130;
constexpr short kListTop = 20;
constexpr short kButtonHeight = 14;
constexpr short kButtonGap = 4;

struct Checklist {
    std::vector<std::string> labels; // "N: name", one per track
    std::vector<std::uint32_t> ids;
    std::vector<bool> checked;
    int page = 0;
    int rows = 0; // slots in a column on every page
    std::array<HBRUSH, kTrackColourCount> brushes{};

    int Count() const noexcept { return static_cast<int>(ids.size()); }
    int PerPage() const noexcept { return std::min(Count(), kSlots); }
    int Pages() const noexcept { return Count() == 0 ? 1 : (Count() + kSlots - 1) / kSlots; }
    ~Checklist() {
        for (HBRUSH b : brushes)
            if (b) DeleteObject(b);
    }
};

Checklist* ChecklistOf(HWND dialog) { return reinterpret_cast<Checklist*>(GetWindowLongPtr(dialog, DWLP_USER)); }

// The check boxes hold the page's part of the state.
void ReadPage(HWND dialog, Checklist& list) {
    for (int slot = 0; slot < kSlots; ++slot) {
        const int track = list.page * kSlots + slot;
        if (track < list.Count()) list.checked[static_cast<std::size_t>(track)] = IsDlgButtonChecked(dialog, kFirstBoxId + slot) == BST_CHECKED;
    }
}

void ShowPage(HWND dialog, Checklist& list) {
    for (int slot = 0; slot < list.PerPage(); ++slot) {
        const int track = list.page * kSlots + slot;
        const bool used = track < list.Count();
        HWND box = GetDlgItem(dialog, kFirstBoxId + slot);
        HWND swatch = GetDlgItem(dialog, kFirstSwatchId + slot);
        ShowWindow(box, used ? SW_SHOW : SW_HIDE);
        ShowWindow(swatch, used ? SW_SHOW : SW_HIDE);
        EnableWindow(box, used);
        if (!used) continue;
        SetWindowText(box, list.labels[static_cast<std::size_t>(track)].c_str());
        CheckDlgButton(dialog, kFirstBoxId + slot, list.checked[static_cast<std::size_t>(track)] ? BST_CHECKED : BST_UNCHECKED);
        InvalidateRect(swatch, nullptr, TRUE);
    }
    EnableWindow(GetDlgItem(dialog, kPreviousId), list.page > 0);
    EnableWindow(GetDlgItem(dialog, kNextId), list.page + 1 < list.Pages());
}

INT_PTR ChecklistProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    Checklist* list = msg == WM_INITDIALOG ? reinterpret_cast<Checklist*>(lParam) : ChecklistOf(dialog);
    if (!list) return FALSE;
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtr(dialog, DWLP_USER, lParam);
        VorWindow_CenterOnOwner(dialog, GetWindow(dialog, GW_OWNER));
        SetWindowText(dialog, mp::ModuleString(mp::IDS_OTHER_TRACKS_TITLE));
        SetDlgItemText(dialog, kPromptId, mp::ModuleString(mp::IDS_OTHER_TRACKS_PROMPT));
        ShowPage(dialog, *list);
        return TRUE;
    case WM_CTLCOLORSTATIC: {
        const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
        const int track = list->page * kSlots + id - kFirstSwatchId;
        if (id < kFirstSwatchId || id >= kFirstSwatchId + kSlots || track >= list->Count()) return FALSE;
        HBRUSH& brush = list->brushes[static_cast<std::size_t>(track % kTrackColourCount)];
        if (!brush) brush = CreateSolidBrush(TrackColour(track));
        SetBkColor(reinterpret_cast<HDC>(wParam), TrackColour(track));
        return reinterpret_cast<INT_PTR>(brush);
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case kAllId:
        case kNoneId:
            std::fill(list->checked.begin(), list->checked.end(), LOWORD(wParam) == kAllId);
            ShowPage(dialog, *list);
            return TRUE;
        case kPreviousId:
        case kNextId:
            ReadPage(dialog, *list);
            list->page = std::clamp(list->page + (LOWORD(wParam) == kNextId ? 1 : -1), 0, list->Pages() - 1);
            ShowPage(dialog, *list);
            return TRUE;
        case IDOK:
            ReadPage(dialog, *list);
            EndDialog(dialog, IDOK);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

// The template for a song of `count` tracks: as many slots as a page needs, in columns of 16.
struct ChecklistTemplate {
    std::vector<DialogItemTemplate> items;
    DialogTemplate dialog{};
};

void BuildTemplate(const Checklist& list, ChecklistTemplate* t) {
    const int perPage = std::max(list.PerPage(), 1);
    const int columns = (perPage + list.rows - 1) / list.rows;
    const bool paged = list.Pages() > 1;
    const short listWidth = static_cast<short>(columns * kColumnWidth);
    const short buttonsWidth = paged ? 4 * 44 + 2 * 50 + 5 * kButtonGap : 2 * 44 + 2 * 50 + 3 * kButtonGap;
    const short width = static_cast<short>(std::max(listWidth, buttonsWidth) + 2 * kMargin);
    const short buttonsTop = static_cast<short>(kListTop + list.rows * kRowPitch + 6);
    auto& items = t->items;
    items.push_back({"STATIC", "", kPromptId, kMargin, kMargin, static_cast<short>(width - 2 * kMargin), 8, SS_LEFT});
    for (int slot = 0; slot < perPage; ++slot) {
        const short x = static_cast<short>(kMargin + (slot / list.rows) * kColumnWidth);
        const short y = static_cast<short>(kListTop + (slot % list.rows) * kRowPitch);
        items.push_back({"STATIC", "", kFirstSwatchId + slot, x, static_cast<short>(y + 1), 8, 8, SS_LEFT});
        items.push_back({"BUTTON", "", kFirstBoxId + slot, static_cast<short>(x + 11), y, static_cast<short>(kColumnWidth - 16), 10,
                         BS_AUTOCHECKBOX | WS_TABSTOP});
    }
    short x = kMargin;
    auto button = [&](const char* text, int id, short w, DWORD style) {
        items.push_back({"BUTTON", text, id, x, buttonsTop, w, kButtonHeight, style | WS_TABSTOP});
        x = static_cast<short>(x + w + kButtonGap);
    };
    button("&All", kAllId, 44, BS_PUSHBUTTON);
    button("&None", kNoneId, 44, BS_PUSHBUTTON);
    if (paged) {
        button("< &Previous", kPreviousId, 44, BS_PUSHBUTTON);
        button("&Next >", kNextId, 44, BS_PUSHBUTTON);
    }
    x = static_cast<short>(width - kMargin - 2 * 50 - kButtonGap);
    button("OK", IDOK, 50, BS_DEFPUSHBUTTON);
    button("Cancel", IDCANCEL, 50, BS_PUSHBUTTON);
    t->dialog = DialogTemplate{WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT,
                               0,
                               0,
                               0,
                               width,
                               static_cast<short>(buttonsTop + kButtonHeight + kMargin),
                               "",
                               "MS Shell Dlg",
                               8,
                               items.data(),
                               static_cast<int>(items.size())};
}

} // namespace

INT_PTR RunGhostTracksDialog(HWND owner, mp::COPTPlugin& plugin, std::vector<std::uint32_t>* chosen) {
    if (!chosen) return -1;
    Checklist list;
    const std::vector<mp::TrackEntry>& tracks = plugin.Tracks();
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        list.ids.push_back(tracks[i].track);
        list.labels.push_back(std::to_string(i + 1) + ": " + TrackLabel(plugin, static_cast<int>(i)));
        list.checked.push_back(std::find(chosen->begin(), chosen->end(), tracks[i].track) != chosen->end());
    }
    list.rows = std::min(std::max(list.PerPage(), 1), kRowsPerColumn);
    ChecklistTemplate tmpl;
    BuildTemplate(list, &tmpl);
    const INT_PTR answer =
        DialogBoxIndirectParam(ModuleInstance(), &tmpl.dialog, owner, ChecklistProc, reinterpret_cast<LPARAM>(&list));
    if (answer != IDOK) return answer;
    chosen->clear();
    for (int i = 0; i < list.Count(); ++i)
        if (list.checked[static_cast<std::size_t>(i)]) chosen->push_back(list.ids[static_cast<std::size_t>(i)]);
    return answer;
}

} // namespace pianoroll
