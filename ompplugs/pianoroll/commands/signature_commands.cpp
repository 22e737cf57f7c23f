// Inserting and removing the song's time and key signatures from the ruler's menu.
#include "commands/signature_commands.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>

#include "commands/edit_commands.h"
#include "model/key_map.h"
#include "model/song_maps.h"
#include "resources/module_identity.h"
#include "mp/song_maps.h"
#include "resources/command_ids.h"
#include "resources/resource_ids.h"
#include "view/track_view.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kMostBeats = 255;
constexpr int kMostAccidentals = 7;
constexpr const char* kNoteValues[] = {"1", "2", "4", "8", "16", "32"};
constexpr const char* kTonics[] = {"C", "C#", "Db", "D", "D#", "Eb", "E", "F", "F#",
                                   "Gb", "G", "G#", "Ab", "A", "A#", "Bb", "B", "Cb"};
constexpr const char* kModes[] = {"Major", "Minor"};
constexpr const char* kSharpNames[] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
constexpr const char* kFlatNames[] = {"C", "Db", "D", "Eb", "E", "F", "Gb", "G", "Ab", "A", "Bb", "Cb"};

const DialogItemTemplate kTimeItems[] = {
    {"STATIC", "", kSignatureBarText, 7, 7, 150, 8, SS_LEFT},
    {"STATIC", "&Beats per bar:", -1, 7, 23, 60, 8, SS_LEFT},
    {"EDIT", "", kBeatsPerBarEdit, 70, 21, 40, 12, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP},
    {"STATIC", "&Note value:", -1, 7, 39, 60, 8, SS_LEFT},
    {"COMBOBOX", "", kNoteValueList, 70, 37, 40, 100, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {"STATIC", "", kSignatureError, 7, 55, 150, 8, SS_LEFT},
    {"BUTTON", "OK", IDOK, 52, 68, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {"BUTTON", "Cancel", IDCANCEL, 107, 68, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
};
const DialogTemplate kTimeDialog = {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT,
                                    0, 0, 0, 164, 88, "Insert Time Signature", "MS Shell Dlg", 8, kTimeItems,
                                    static_cast<int>(std::size(kTimeItems))};

const DialogItemTemplate kKeyItems[] = {
    {"STATIC", "", kSignatureBarText, 7, 7, 150, 8, SS_LEFT},
    {"STATIC", "&Tonic:", -1, 7, 23, 60, 8, SS_LEFT},
    {"COMBOBOX", "", kTonicList, 70, 21, 50, 150, CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP},
    {"STATIC", "&Mode:", -1, 7, 39, 60, 8, SS_LEFT},
    {"COMBOBOX", "", kModeList, 70, 37, 50, 60, CBS_DROPDOWNLIST | WS_TABSTOP},
    {"STATIC", "", kSignatureError, 7, 55, 150, 8, SS_LEFT},
    {"BUTTON", "OK", IDOK, 52, 68, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP},
    {"BUTTON", "Cancel", IDCANCEL, 107, 68, 50, 14, BS_PUSHBUTTON | WS_TABSTOP},
};
const DialogTemplate kKeyDialog = {WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER | DS_SETFONT,
                                   0, 0, 0, 164, 88, "Insert Key Signature", "MS Shell Dlg", 8, kKeyItems,
                                   static_cast<int>(std::size(kKeyItems))};

// What a dialog starts from and what OK chose.
struct SignatureChoice {
    std::int64_t bar = 0;  // the bar's number from 1, for its text
    int beats = 4;         // time: beats per bar
    int noteValue = 4;     // time: 1 … 32
    std::string tonic = "C";
    bool minor = false;
};

void FillList(HWND dialog, int id, const char* const* texts, std::size_t count, const std::string& chosen) {
    HWND list = GetDlgItem(dialog, id);
    for (std::size_t i = 0; i < count; ++i) {
        const LRESULT item = SendMessage(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(texts[i]));
        if (chosen == texts[i]) SendMessage(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    }
}

std::string ChosenText(HWND dialog, int id) {
    const LRESULT item = SendDlgItemMessage(dialog, id, CB_GETCURSEL, 0, 0);
    char text[16] = {};
    if (item >= 0 && SendDlgItemMessage(dialog, id, CB_GETLBTEXTLEN, static_cast<WPARAM>(item), 0) < LRESULT{sizeof text})
        SendDlgItemMessage(dialog, id, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
    return text;
}

void StartDialog(HWND dialog, const SignatureChoice& c, bool time) {
    char bar[32];
    std::snprintf(bar, sizeof bar, "At bar %lld", static_cast<long long>(c.bar));
    SetDlgItemText(dialog, kSignatureBarText, bar);
    if (time) {
        char beats[8];
        std::snprintf(beats, sizeof beats, "%d", c.beats);
        SetDlgItemText(dialog, kBeatsPerBarEdit, beats);
        FillList(dialog, kNoteValueList, kNoteValues, std::size(kNoteValues), std::to_string(c.noteValue));
    } else {
        FillList(dialog, kTonicList, kTonics, std::size(kTonics), c.tonic);
        FillList(dialog, kModeList, kModes, std::size(kModes), c.minor ? "Minor" : "Major");
    }
}

// Reads the dialog's choice; false (with the reason shown in the dialog) when it is no signature.
bool ReadChoice(HWND dialog, SignatureChoice& c, bool time) {
    const char* problem = nullptr;
    if (time) {
        char text[16] = {};
        GetDlgItemText(dialog, kBeatsPerBarEdit, text, sizeof text);
        char* end = nullptr;
        const long beats = std::strtol(text, &end, 10);
        const std::string value = ChosenText(dialog, kNoteValueList);
        if (end == text || *end || beats < 1 || beats > kMostBeats) problem = "Beats per bar must be a number from 1 to 255.";
        else if (value.empty()) problem = "Choose the note value of a beat.";
        else {
            c.beats = static_cast<int>(beats);
            c.noteValue = std::atoi(value.c_str());
        }
    } else {
        c.tonic = ChosenText(dialog, kTonicList);
        const std::string mode = ChosenText(dialog, kModeList);
        int sharps = 0;
        if (mode.empty() || !SignatureOfTonic(c.tonic, mode == "Minor", &sharps)) problem = "Choose a tonic and a mode.";
        c.minor = mode == "Minor";
    }
    if (problem) SetDlgItemText(dialog, kSignatureError, problem);
    return problem == nullptr;
}

struct DialogContext {
    SignatureChoice* choice;
    bool time;
};

INT_PTR SignatureDialogProc(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        SetWindowLongPtr(dialog, DWLP_USER, lParam);
        const auto* context = reinterpret_cast<const DialogContext*>(lParam);
        StartDialog(dialog, *context->choice, context->time);
        return TRUE;
    }
    case WM_COMMAND: {
        const auto* context = reinterpret_cast<const DialogContext*>(GetWindowLongPtr(dialog, DWLP_USER));
        if (LOWORD(wParam) == IDOK && context) {
            if (ReadChoice(dialog, *context->choice, context->time)) EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    }
    default: return FALSE;
    }
}

bool RunSignatureDialog(HWND owner, SignatureChoice& choice, bool time) {
    const HINSTANCE module = ModuleInstance();
    const int id = time ? kTimeSignatureDialogId : kKeySignatureDialogId;
    const LPCSTR name = MAKEINTRESOURCE(id);
    if (!FindDialogResource(module, name) && !RegisterDialogResource(module, id, time ? &kTimeDialog : &kKeyDialog))
        return false;
    DialogContext context{&choice, time};
    return DialogBoxParam(module, name, owner, SignatureDialogProc, reinterpret_cast<LPARAM>(&context)) == IDOK;
}

// What the host's refusal means to the user; nothing for a success.
void TellFailure(HWND owner, HRESULT hr) {
    if (SUCCEEDED(hr)) return;
    const char* text = "The song's signatures could not be changed.";
    if (hr == mp::MP_E_NOT_ON_BAR_LINE) text = "A time signature can only start on a bar line.";
    else if (hr == E_FAIL) text = "The song has no track to hold the signature.";
    MessageBox(owner, text, MessageBoxCaption(), MB_OK | MB_ICONEXCLAMATION);
}

HRESULT InsertSignature(TrackView* v, bool time) {
    const std::int64_t tick = v->songMaps.menuBar;
    const BarGrid& grid = ViewBars(v);
    SignatureChoice choice;
    choice.bar = grid.PositionOf(tick).bar + 1;
    const MeterSegment& meter = grid.MeterAt(tick);
    choice.beats = meter.beatsPerBar;
    choice.noteValue = meter.noteValue;
    const KeySegment& key = v->songMaps.keys.KeyAt(tick);
    choice.minor = key.scale == kNaturalMinorScale;
    choice.tonic = key.signature ? TonicName(key.sharps, choice.minor) : "C";
    const HWND focus = GetFocus();
    const HWND view = v->hwnd;
    const bool chosen = RunSignatureDialog(view, choice, time);
    if (!IsWindow(view)) return S_FALSE; // the editor closed while the dialog was open
    if (focus && IsWindow(focus)) SetFocus(focus);
    if (!chosen) return S_FALSE;
    if (time) return InsertTimeSignature(v->access, tick, choice.beats, choice.noteValue);
    int sharps = 0;
    SignatureOfTonic(choice.tonic, choice.minor, &sharps);
    return InsertKeySignature(v->access, tick, sharps, choice.minor);
}

} // namespace

bool SignatureOfTonic(const std::string& tonic, bool minor, int* sharps) {
    int pitchClass = -1;
    for (int i = 0; i < 12 && pitchClass < 0; ++i)
        if (tonic == kSharpNames[i] || tonic == kFlatNames[i]) pitchClass = i;
    if (pitchClass < 0) return false;
    const bool flat = tonic.size() > 1 && tonic[1] == 'b';
    const bool sharp = tonic.size() > 1 && tonic[1] == '#';
    int best = 0;
    bool found = false;
    for (int s = -kMostAccidentals; s <= kMostAccidentals; ++s) {
        if (TonicOf(s, minor) != pitchClass) continue;
        const bool spelled = (flat && s < 0) || (sharp && s > 0) || (!flat && !sharp);
        const bool bestSpelled = found && ((flat && best < 0) || (sharp && best > 0) || (!flat && !sharp));
        if (!found || (spelled && !bestSpelled) || (spelled == bestSpelled && std::abs(s) < std::abs(best))) best = s;
        found = true;
    }
    *sharps = best;
    return found;
}

std::string TonicName(int sharps, bool minor) {
    const int tonic = TonicOf(sharps, minor);
    return sharps < 0 ? kFlatNames[tonic] : kSharpNames[tonic];
}

bool HandleSignatureCommand(TrackView* v, int command) {
    if (command < CMD_INSERT_TIME_SIGNATURE || command > CMD_REMOVE_KEY_SIGNATURE) return false;
    if (!v || !v->access) return true;
    CancelViewDrag(v);
    HRESULT hr = S_FALSE;
    switch (command) {
    case CMD_INSERT_TIME_SIGNATURE: hr = InsertSignature(v, true); break;
    case CMD_INSERT_KEY_SIGNATURE: hr = InsertSignature(v, false); break;
    case CMD_REMOVE_TIME_SIGNATURE: hr = RemoveTimeSignature(v->access, v->songMaps.menuBar); break;
    default: hr = RemoveKeySignature(v->access, v->songMaps.menuBar); break;
    }
    TellFailure(v->hwnd, hr);
    if (hr == S_OK) RefreshAfterEdit(v);
    return true;
}

} // namespace pianoroll
