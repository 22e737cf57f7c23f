// Editing scripts: the table of commands (the language as `pianoroll --script` prints it) and the
// commands that give input, answer menus and dialogs, undo, and keep songs and pictures.
#include <sstream>
#include <vector>

#include "main_window.h"
#include "script.h"
#include "script_clock.h"
#include "script_words.h"
#include "win/backend.h"
#include "win/controls.h"
#include "win/window_pixels.h"

namespace host::app {

using namespace win;
using script::NumberArg;

namespace {

constexpr int kDefaultDragSteps = 8;
constexpr long long kMaxWheelDelta = 12000;
constexpr long long kMaxWaitMs = 3600000;
// While the song plays, time passes in steps of this many milliseconds (as often as playback reports its
// position), so the view follows playback as it does on a desktop.
constexpr long long kPlaybackStepMs = 20;
constexpr long long kMaxWindowSide = 8192;
constexpr std::size_t kMaxDialogItems = 64;
constexpr std::size_t kHelpColumn = 29; // where the language's help texts start

struct CommandEntry {
    const char* name;
    std::size_t minArgs;
    std::size_t maxArgs;
    const char* usage;
    const char* help;
    ScriptRunner::Handler run;
};

using R = ScriptRunner;
constexpr std::size_t kMods = 1; // the optional MODS word

const CommandEntry kCommands[] = {
    {"size", 2, 2, "size WIDTH HEIGHT", "window size in pixels, before any line that uses the editor", &R::Size},
    {"track", 1, 1, "track N", "choose track N (from 1) in the track chooser", &R::Track},
    {"tool", 1, 1, "tool draw|select|zoom|paint|erase", "choose a tool as its toolbar button does", &R::Tool},
    {"zoom", 1, 2, "zoom TPP [ORIGIN]", "exactly TPP ticks per pixel (10, 7.5, 1920/1062), left edge at tick ORIGIN (0)",
     &R::Zoom},
    {"rows", 1, 2, "rows PIXELS [TOPNOTE]", "rows PIXELS tall, note TOPNOTE (0-127) in the top row", &R::Rows},
    {"lane", 1, 2, "lane velocity|pitchbend|cc N", "show that controller lane, chosen from the lane menu", &R::Lane},
    {"move", 2, 2 + kMods, "move X Y [MODS]", "move the pointer", &R::Move},
    {"press", 3, 3 + kMods, "press BUTTON X Y [MODS]", "press left, right or middle", &R::Button},
    {"release", 3, 3 + kMods, "release BUTTON X Y [MODS]", "release the button", &R::Button},
    {"click", 3, 3 + kMods, "click BUTTON X Y [MODS]", "press and release at one point", &R::Button},
    {"dclick", 2, 2 + kMods, "dclick X Y [MODS]", "double-click the left button", &R::DoubleClick},
    {"drag", 5, 7, "drag BUTTON X1 Y1 X2 Y2 [MODS] [steps=N]", "press, move in N steps (8), release", &R::Drag},
    {"wheel", 3, 3 + kMods, "wheel X Y DELTA [MODS]", "turn the wheel; 120 is one notch up", &R::Wheel},
    {"key", 1, 1 + kMods, "key NAME [MODS]", "press and release a key (names below)", &R::Key},
    {"type", 1, 64, "type TEXT", "type characters, e.g. into the velocity entry", &R::Type},
    {"command", 1, 1, "command ID", "a command as the editor's toolbar, transport bar or menus send it", &R::Command},
    {"menu", 1, 2, "menu ID [mark=ID|none]",
     "answer the next pop-up menu with this command (which shows its check mark at ID, or none)", &R::Menu},
    {"dialog", 2, kMaxDialogItems, "dialog ID ITEM=VALUE ... ok|cancel", "answer the next modal dialog", &R::Dialog},
    {"wait", 1, 1, "wait MS", "let MS milliseconds pass (the song plays on meanwhile)", &R::Wait},
    {"undo", 0, 0, "undo", "undo the last edit", &R::UndoRedo},
    {"redo", 0, 0, "redo", "redo the last undone edit", &R::UndoRedo},
    {"save", 1, 1, "save FILE", "save the song as FILE", &R::Save},
    {"screenshot", 1, 1, "screenshot FILE.png", "a picture of the window", &R::Screenshot},
    {"expect-notes", 1, 1, "expect-notes N", "the shown track has N notes", &R::ExpectNotes},
    {"expect-note", 4, 5, "expect-note TICK NOTE DUR VEL [selected]", "exactly one note so (and selected)",
     &R::ExpectNote},
    {"expect-event", 3, 4, script::kExpectEventUsage,
     "exactly one such event (pitch bend 0-16383, 8192 the centre; note N: the velocity of pitch N)",
     &R::ExpectEvent},
    {"expect-selected", 1, 1, "expect-selected N", "N events of the shown track are selected", &R::ExpectSelected},
    {"expect-ghosts", 1, 1, "expect-ghosts N", "the grid draws N notes of other tracks behind the shown one",
     &R::ExpectGhosts},
    {"expect-undo", 1, 1, "expect-undo \"NAME\"", "the edit Undo would undo is named NAME", &R::ExpectUndo},
    {"expect-tool", 1, 1, "expect-tool NAME", "the current tool", &R::ExpectTool},
    {"expect-cursor", 1, 1, "expect-cursor TICK", "the edit cursor stands at TICK", &R::ExpectCursor},
    {"expect-bar", 2, 4, "expect-bar TICK BAR [BEAT TICKS]",
     "the position display shows TICK in bar BAR, at beat BEAT (both from 1) and TICKS into the beat", &R::ExpectBar},
    {"expect-key", 3, 3, "expect-key TICK ROOT SCALE",
     "scale snapping and shading use root ROOT (0-11 from C) and scale SCALE at TICK", &R::ExpectKey},
    {"expect-view", 2, 2, "expect-view ORIGIN TPP", "the view starts at tick ORIGIN with exactly TPP ticks per pixel",
     &R::ExpectView},
    {"expect-rows", 2, 2, "expect-rows PIXELS TOPNOTE", "rows are PIXELS tall and note TOPNOTE is in the top row",
     &R::ExpectRows},
    {"expect-tooltip", 1, 1, "expect-tooltip \"TEXT\"|none", "the tooltip shown (hover a button, then wait)",
     &R::ExpectTooltip},
    {"expect-status", 1, 1, "expect-status \"TEXT\"", "the transport bar's status field shows TEXT (\"\": nothing)",
     &R::ExpectStatus},
    {"expect-readout", 1, 1, "expect-readout \"TEXT\"",
     "expect-status for a lane's value: the field shows TEXT (\"\": nothing)", &R::ExpectStatus},
    {"expect-button", 2, 3, "expect-button ID enabled|disabled [checked|unchecked]", "a toolbar or transport bar button's state",
     &R::ExpectButton},
    {"expect-played", 1, 1, "expect-played N", "N note-ons went to the recording output (playback and monitoring)",
     &R::ExpectPlayed},
    {"expect-loop", 1, 2, "expect-loop FROM TO|off", "the loop region runs from tick FROM to TO, or there is none",
     &R::ExpectLoop},
};

constexpr const char* kLanguageIntro =
    "An editing script drives the editor as a person would: one command a line, # starts a comment,\n"
    "\"quoted words\" keep their spaces. Every line checks that it took effect; the first line that\n"
    "fails stops the script with its number and the reason, and no file is written.\n\n";

constexpr const char* kLanguageNotes =
    "\nX and Y are pixels of the window, or t:TICK for X and n:NOTE (0-127) or lane:VALUE for Y,\n"
    "resolved through the editor's own geometry (t:TICK is the pixel nearest to the tick, lane:VALUE\n"
    "the lane's pixel row nearest to the value: 0-127, pitch bend 0-16383 with 8192 the centre);\n"
    "button:ID is the middle of the toolbar or transport bar button of command ID, arrow:ID (X) its\n"
    "drop-down arrow.\n"
    "MODS are the keys held for that event: shift, ctrl and alt joined by +, e.g. shift+alt.\n"
    "Key names: a-z, 0-9, f1-f12, space, enter, escape, tab, backspace, delete, insert, home, end,\n"
    "pageup, pagedown, left, right, up, down, plus, minus, comma, period, shift, ctrl, alt.\n";

// The entries of a menu (and its sub-menus) that show a check mark, and the sub-menu that holds `id`.
void MarkedEntries(HMENU menu, UINT id, std::vector<UINT>* marked, HMENU* holder) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            MarkedEntries(sub, id, marked, holder);
            continue;
        }
        const UINT item = GetMenuItemID(menu, i);
        if (item == id) *holder = menu;
        if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED) marked->push_back(item);
    }
}

// "" when the entry `mark` shows the check mark and no other entry of its sub-menu does (mark 0: no
// entry of the whole menu shows one); else what the menu shows instead.
std::string MarkProblem(HMENU menu, UINT mark) {
    std::vector<UINT> marked, group;
    HMENU holder = nullptr;
    MarkedEntries(menu, mark, &marked, &holder);
    if (holder) MarkedEntries(holder, mark, &group, &holder);
    if (mark == 0 ? marked.empty() : group == std::vector<UINT>{mark}) return {};
    std::string shown;
    for (UINT id : mark == 0 || group.empty() ? marked : group) shown += (shown.empty() ? "" : ", ") + std::to_string(id);
    return " shows its check mark " + (shown.empty() ? std::string("nowhere") : "at " + shown) + ", not " +
           (mark == 0 ? std::string("nowhere") : "at " + std::to_string(mark));
}

} // namespace

std::string ScriptLanguage() {
    std::ostringstream out;
    out << kLanguageIntro;
    for (const CommandEntry& c : kCommands) {
        std::string usage = c.usage;
        if (usage.size() < kHelpColumn) usage.resize(kHelpColumn, ' ');
        else usage += "\n" + std::string(kHelpColumn, ' ');
        out << usage << c.help << "\n";
    }
    out << kLanguageNotes;
    return out.str();
}

bool ScriptRunner::RunLine(const Words& w, std::string* reason) {
    for (const CommandEntry& c : kCommands) {
        if (w[0] != c.name) continue;
        if (w.size() - 1 < c.minArgs || w.size() - 1 > c.maxArgs) {
            *reason = std::string("usage: ") + c.usage;
            return false;
        }
        if (c.run != &R::Size && !EnsureWindow(reason)) return false;
        return (this->*c.run)(w, reason);
    }
    *reason = "unknown command '" + w[0] + "'";
    return false;
}

bool ScriptRunner::Size(const Words& w, std::string* reason) {
    if (window_) {
        *reason = "size must come before any line that uses the editor";
        return false;
    }
    long long width = 0, height = 0;
    if (!NumberArg(w[1], 200, kMaxWindowSide, &width, reason) || !NumberArg(w[2], 150, kMaxWindowSide, &height, reason))
        return false;
    width_ = static_cast<int>(width);
    height_ = static_cast<int>(height);
    return true;
}

bool ScriptRunner::Move(const Words& w, std::string* reason) {
    POINT p;
    unsigned mods = 0;
    if (!PointArg(w[1], w[2], &p, reason) || !Mods(w, 3, &mods, nullptr, reason)) return false;
    Gesture(backend::BUTTON_LEFT, mods, p, p, 0, false, false);
    return true;
}

bool ScriptRunner::Button(const Words& w, std::string* reason) {
    const int button = script::ButtonOf(w[1]);
    if (button < 0) {
        *reason = "'" + w[1] + "' is not a button (left, right, middle)";
        return false;
    }
    POINT p;
    unsigned mods = 0;
    if (!PointArg(w[2], w[3], &p, reason) || !Mods(w, 4, &mods, nullptr, reason)) return false;
    Gesture(button, mods, p, p, 0, w[0] != "release", w[0] != "press");
    return true;
}

bool ScriptRunner::DoubleClick(const Words& w, std::string* reason) {
    POINT p;
    unsigned mods = 0;
    if (!PointArg(w[1], w[2], &p, reason) || !Mods(w, 3, &mods, nullptr, reason)) return false;
    BeforeButton();
    headless::DoubleClick(window_->Handle(), p.x, p.y, backend::BUTTON_LEFT, mods);
    Pump();
    lastButton_ = headless::Now();
    anyButton_ = true;
    return true;
}

bool ScriptRunner::Drag(const Words& w, std::string* reason) {
    const int button = script::ButtonOf(w[1]);
    if (button < 0) {
        *reason = "'" + w[1] + "' is not a button (left, right, middle)";
        return false;
    }
    POINT from, to;
    unsigned mods = 0;
    int steps = kDefaultDragSteps;
    if (!PointArg(w[2], w[3], &from, reason) || !PointArg(w[4], w[5], &to, reason) || !Mods(w, 6, &mods, &steps, reason))
        return false;
    Gesture(button, mods, from, to, steps, true, true);
    return true;
}

bool ScriptRunner::Wheel(const Words& w, std::string* reason) {
    POINT p;
    long long delta = 0;
    unsigned mods = 0;
    if (!PointArg(w[1], w[2], &p, reason) || !NumberArg(w[3], -kMaxWheelDelta, kMaxWheelDelta, &delta, reason) ||
        !Mods(w, 4, &mods, nullptr, reason))
        return false;
    headless::Wheel(window_->Handle(), p.x, p.y, static_cast<int>(delta), mods);
    Pump();
    return true;
}

bool ScriptRunner::Key(const Words& w, std::string* reason) {
    const int vk = script::KeyCode(w[1]);
    if (!vk) {
        *reason = "'" + w[1] + "' is not a key name";
        return false;
    }
    unsigned mods = 0;
    if (!Mods(w, 2, &mods, nullptr, reason)) return false;
    headless::PressKey(vk, mods);
    Pump();
    return true;
}

bool ScriptRunner::Type(const Words& w, std::string* reason) {
    // Typing needs a text box with the keyboard, such as the velocity entry; the grid takes no text.
    HWND focus = GetFocus();
    if (!focus || !(SendMessage(focus, WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS)) {
        *reason = "no text box has the keyboard to take the typing";
        return false;
    }
    std::string text = w[1];
    for (std::size_t i = 2; i < w.size(); ++i) text += " " + w[i];
    headless::TypeText(text.c_str());
    Pump();
    return true;
}

bool ScriptRunner::Command(const Words& w, std::string* reason) {
    long long id = 0;
    if (!script::ParseInt(w[1], &id) || id < 1) {
        *reason = "'" + w[1] + "' is not a command id";
        return false;
    }
    HWND editor = window_->Doc().EditorWindow();
    if (!editor) {
        *reason = "the editor window is not open";
        return false;
    }
    const LRESULT target = id > 0xFFFF ? mp::SCT_NONE : SendMessage(editor, mp::PRM_SCRIPT_COMMAND_TARGET, static_cast<WPARAM>(id), 0);
    HWND to = target == mp::SCT_FRAME ? editor : target == mp::SCT_VIEW ? ViewWindow(nullptr) : nullptr;
    if (!to) {
        *reason = "no menu, toolbar or transport button of the editor carries the command " + w[1];
        return false;
    }
    SendMessage(to, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
    Pump();
    return true;
}

bool ScriptRunner::Menu(const Words& w, std::string* reason) {
    long long id = 0;
    if (!NumberArg(w[1], 1, 0xFFFF, &id, reason)) return false;
    // mark=ID: the entry that must show the check mark; mark=none: no entry shows one.
    long long mark = -1;
    if (w.size() > 2) {
        if (w[2] == "mark=none") {
            mark = 0;
        } else if (w[2].rfind("mark=", 0) != 0) {
            *reason = "'" + w[2] + "' is not mark=ID or mark=none";
            return false;
        } else if (!NumberArg(w[2].substr(5), 1, 0xFFFF, &mark, reason)) {
            return false;
        }
    }
    menuAnsweredAt_ = GetPopupMenuCount();
    menuLine_ = line_;
    // A choice the menu does not offer, or offers greyed, would choose nothing.
    AnswerNextPopupMenu([this, id, mark](HMENU menu, HWND) -> UINT {
        const UINT command = static_cast<UINT>(id);
        const UINT state = GetMenuState(menu, command, MF_BYCOMMAND);
        std::string problem;
        if (state == static_cast<UINT>(-1)) problem = " has no entry " + std::to_string(id);
        else if (state & (MF_GRAYED | MF_DISABLED)) problem = " has its entry greyed: " + std::to_string(id);
        else if (mark >= 0) problem = MarkProblem(menu, static_cast<UINT>(mark));
        if (!problem.empty() && answerProblem_.empty())
            answerProblem_ = "the pop-up menu answered on line " + std::to_string(menuLine_) + problem;
        return command;
    });
    return true;
}

bool ScriptRunner::Dialog(const Words& w, std::string* reason) {
    long long id = 0;
    if (!NumberArg(w[1], 0, 0xFFFF, &id, reason)) return false;
    int button;
    if (w.back() == "ok") button = IDOK;
    else if (w.back() == "cancel") button = IDCANCEL;
    else {
        *reason = "a dialog answer ends with ok or cancel";
        return false;
    }
    std::vector<std::pair<int, std::string>> items;
    for (std::size_t i = 2; i + 1 < w.size(); ++i) {
        const std::size_t eq = w[i].find('=');
        long long item = 0;
        if (eq == std::string::npos || !script::ParseInt(w[i].substr(0, eq), &item) || item < 0 || item > 0xFFFF) {
            *reason = "'" + w[i] + "' is not ITEM=VALUE";
            return false;
        }
        items.emplace_back(static_cast<int>(item), w[i].substr(eq + 1));
    }
    dialogPending_ = true;
    dialogLine_ = line_;
    AnswerNextDialog([this, items, button](HWND dlg) {
        dialogPending_ = false;
        for (const auto& [item, value] : items)
            if (!SetDialogItemAsUser(dlg, item, value)) {
                if (answerProblem_.empty())
                    answerProblem_ = "the dialog answered on line " + std::to_string(dialogLine_) + " has no item " +
                                     std::to_string(item) + " that takes '" + value + "'";
                EndDialog(dlg, IDCANCEL);
                return;
            }
        HWND control = GetDlgItem(dlg, button);
        SendMessage(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
    });
    return true;
}

bool ScriptRunner::Wait(const Words& w, std::string* reason) {
    long long ms = 0;
    if (!NumberArg(w[1], 0, kMaxWaitMs, &ms, reason)) return false;
    Pump();
    for (long long left = ms; left > 0;) {
        const long long step = window_->Doc().Playing() ? std::min(left, kPlaybackStepMs) : left;
        AdvanceScriptTime(static_cast<std::uint32_t>(step));
        Pump();
        left -= step;
    }
    return true;
}

bool ScriptRunner::UndoRedo(const Words& w, std::string* reason) {
    const bool undo = w[0] == "undo";
    if ((undo ? window_->Doc().Undo() : window_->Doc().Redo()) != S_OK) {
        *reason = undo ? "there is nothing to undo" : "there is nothing to redo";
        return false;
    }
    Pump();
    return true;
}

bool ScriptRunner::Save(const Words& w, std::string* reason) {
    Pump();
    Output out;
    out.path = w[1];
    out.line = line_;
    std::string error;
    if (!window_->Doc().Serialize(&out.bytes, &error)) {
        *reason = "cannot save: " + error;
        return false;
    }
    outputs_.push_back(std::move(out));
    return true;
}

bool ScriptRunner::Screenshot(const Words& w, std::string* reason) {
    Pump();
    WindowPixels pixels;
    Output out;
    out.path = w[1];
    out.line = line_;
    if (!GetWindowPixels(window_->Handle(), &pixels)) {
        *reason = "the window has no pixels to take";
        return false;
    }
    DrawPopupsOver(&pixels);
    if (!EncodePng(pixels, &out.bytes)) {
        *reason = "the window has no pixels to take";
        return false;
    }
    outputs_.push_back(std::move(out));
    return true;
}

} // namespace host::app
