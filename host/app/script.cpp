// Editing scripts: parsing, coordinates through the view's own geometry, injected input, checks.
#include "script.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "main_window.h"
#include "song_file.h"
#include "win/backend.h"
#include "win/controls.h"
#include "win/detail/surface.h"

namespace host::app {

using namespace win;

namespace {

// The view answers this with positions in its client pixels (INT_MIN when not visible):
// wParam 0 tick -> x, 1 note -> y of the row's centre, 2 lane value -> y.
constexpr UINT kViewPositionQuery = 0x0BF0;
constexpr WPARAM kQueryTick = 0, kQueryNote = 1, kQueryLane = 2;
constexpr const char* kViewClass = "pianorollBld0TrackviewClass";
constexpr int kTrackChooserId = 1000;
constexpr int kDefaultDragSteps = 8;

struct ToolCommand {
    const char* name;
    int command;
};
constexpr ToolCommand kTools[] = {
    {"draw", 4010}, {"select", 4011}, {"zoom", 4012}, {"paint", 4013}, {"erase", 4014},
};

struct KeyName {
    const char* name;
    int vk;
};
constexpr KeyName kKeys[] = {
    {"space", VK_SPACE},     {"enter", VK_RETURN},      {"return", VK_RETURN}, {"escape", VK_ESCAPE},
    {"esc", VK_ESCAPE},      {"tab", VK_TAB},           {"backspace", VK_BACK}, {"delete", VK_DELETE},
    {"del", VK_DELETE},      {"insert", VK_INSERT},     {"home", VK_HOME},     {"end", VK_END},
    {"pageup", VK_PRIOR},    {"pagedown", VK_NEXT},     {"left", VK_LEFT},     {"right", VK_RIGHT},
    {"up", VK_UP},           {"down", VK_DOWN},         {"plus", VK_ADD},      {"minus", VK_SUBTRACT},
    {"add", VK_ADD},         {"subtract", VK_SUBTRACT}, {"comma", VK_OEM_COMMA}, {"period", VK_OEM_PERIOD},
    {"shift", VK_SHIFT},     {"ctrl", VK_CONTROL},      {"alt", VK_MENU},
};

bool ParseInt(const std::string& text, long long* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    long long v = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || !end || *end != '\0') return false;
    *out = v;
    return true;
}

int KeyCode(const std::string& name) {
    std::string lower;
    for (char c : name) lower += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower.size() == 1) {
        char c = lower[0];
        if (c >= 'a' && c <= 'z') return 'A' + (c - 'a');
        if (c >= '0' && c <= '9') return c;
        switch (c) {
        case ',': return VK_OEM_COMMA;
        case '.': return VK_OEM_PERIOD;
        case '-': return VK_OEM_MINUS;
        case '=': return VK_OEM_PLUS;
        case ';': return VK_OEM_1;
        case '/': return VK_OEM_2;
        case '[': return VK_OEM_4;
        case ']': return VK_OEM_6;
        default: break;
        }
    }
    if (lower.size() >= 2 && lower[0] == 'f') {
        long long n = 0;
        if (ParseInt(lower.substr(1), &n) && n >= 1 && n <= 12) return VK_F1 + static_cast<int>(n) - 1;
    }
    for (const KeyName& k : kKeys)
        if (lower == k.name) return k.vk;
    return 0;
}

int ButtonOf(const std::string& name) {
    if (name == "left") return backend::BUTTON_LEFT;
    if (name == "right") return backend::BUTTON_RIGHT;
    if (name == "middle") return backend::BUTTON_MIDDLE;
    return -1;
}

HWND FindChildOfClass(HWND parent, const char* className) {
    struct Search {
        const char* name;
        HWND found;
    } search{className, nullptr};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM lParam) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lParam);
            char name[64] = {};
            GetClassName(child, name, sizeof name);
            if (std::strcmp(name, s->name) == 0) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A modal loop waits for input nobody is going to give: the script did not expect it.
struct IdleGuard {
    static int& Calls() {
        static int calls = 0;
        return calls;
    }
    static std::string& Problem() {
        static std::string problem;
        return problem;
    }
    static void Hook(void*) {
        if (Problem().empty()) Problem() = "a menu or dialog opened that the script did not answer";
        if (++Calls() > 1000) {
            std::fputs("pianoroll: a modal window could not be closed; giving up\n", stderr);
            std::_Exit(1);
        }
        EndMenu();
        EnumWindows(
            [](HWND top, LPARAM) -> BOOL {
                char name[32] = {};
                GetClassName(top, name, sizeof name);
                if (std::strcmp(name, WC_DIALOG) == 0 && IsWindowVisible(top) && !FindChildOfClass(top, kViewClass))
                    EndDialog(top, IDCANCEL);
                return TRUE;
            },
            0);
    }
};

std::string Utf8(const std::u16string& text) { return EncodeUtf8(text); }

} // namespace

bool SplitScriptLine(const std::string& line, std::vector<std::string>* words, std::string* reason) {
    words->clear();
    std::string current;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (quoted) {
            if (c == '"') quoted = false;
            else current += c;
            continue;
        }
        if (c == '#') break;
        if (c == '"') {
            quoted = true;
            inWord = true;
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words->push_back(current);
            current.clear();
            inWord = false;
            continue;
        }
        current += c;
        inWord = true;
    }
    if (quoted) {
        if (reason) *reason = "a quoted text is not closed";
        return false;
    }
    if (inWord) words->push_back(current);
    return true;
}

bool ChooseEditorTrack(MainWindow& window, int track, std::string* reason) { return window.ChooseTrack(track, reason); }

ScriptRunner::ScriptRunner(std::unique_ptr<Document> document) : pending_(std::move(document)) {}

ScriptRunner::~ScriptRunner() {
    if (window_ && IsWindow(window_->Handle())) DestroyWindow(window_->Handle());
    window_ = nullptr;
    MainWindow::PumpMessages();
    // The main window ends the loop when it goes; nothing else runs one here.
    MSG quit;
    while (PeekMessage(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
}

void ScriptRunner::Pump() { MainWindow::PumpMessages(); }

bool ScriptRunner::EnsureWindow(std::string* reason) {
    if (window_) return true;
    DocumentOptions options;
    window_ = MainWindow::Create(std::move(pending_), options, width_, height_);
    if (!window_) {
        *reason = "the editor could not be opened";
        return false;
    }
    Pump();
    return true;
}

bool ScriptRunner::Coordinate(const std::string& text, bool vertical, int* out, std::string* reason) {
    long long value = 0;
    if (ParseInt(text, &value)) {
        if (value < INT_MIN / 2 || value > INT_MAX / 2) {
            *reason = "the coordinate " + text + " is out of range";
            return false;
        }
        *out = static_cast<int>(value);
        return true;
    }
    std::size_t colon = text.find(':');
    std::string kind = colon == std::string::npos ? std::string() : text.substr(0, colon);
    std::string number = colon == std::string::npos ? std::string() : text.substr(colon + 1);
    WPARAM query;
    if (kind == "t" && !vertical) query = kQueryTick;
    else if (kind == "n" && vertical) query = kQueryNote;
    else if (kind == "lane" && vertical) query = kQueryLane;
    else {
        *reason = "'" + text + "' is not a " + (vertical ? "y coordinate (pixels, n:NOTE or lane:VALUE)"
                                                        : "x coordinate (pixels or t:TICK)");
        return false;
    }
    if (!ParseInt(number, &value) || (query == kQueryNote && (value < 0 || value > 127)) ||
        (query == kQueryTick && value < 0)) {
        *reason = "'" + text + "' has no valid number";
        return false;
    }
    HWND view = FindChildOfClass(window_->Handle(), kViewClass);
    if (!view) {
        *reason = "the editor shows no piano-roll view";
        return false;
    }
    LRESULT answer = SendMessage(view, kViewPositionQuery, query, static_cast<LPARAM>(value));
    if (static_cast<int>(answer) == INT_MIN) {
        *reason = text + " is not visible in the view";
        return false;
    }
    POINT p{vertical ? 0 : static_cast<int>(answer), vertical ? static_cast<int>(answer) : 0};
    MapWindowPoints(view, window_->Handle(), &p, 1);
    *out = vertical ? p.y : p.x;
    return true;
}

bool ScriptRunner::PointArg(const std::string& xs, const std::string& ys, POINT* out, std::string* reason) {
    int x = 0, y = 0;
    if (!Coordinate(xs, false, &x, reason) || !Coordinate(ys, true, &y, reason)) return false;
    *out = POINT{x, y};
    return true;
}

bool ScriptRunner::Mods(const std::vector<std::string>& words, std::size_t from, unsigned* mods, int* steps,
                        std::string* reason) {
    *mods = 0;
    for (std::size_t i = from; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (steps && w.rfind("steps=", 0) == 0) {
            long long n = 0;
            if (!ParseInt(w.substr(6), &n) || n < 1 || n > 1000) {
                *reason = "'" + w + "' needs a step count from 1 to 1000";
                return false;
            }
            *steps = static_cast<int>(n);
            continue;
        }
        std::size_t pos = 0;
        while (pos <= w.size()) {
            std::size_t plus = w.find('+', pos);
            if (plus == std::string::npos) plus = w.size();
            std::string m = w.substr(pos, plus - pos);
            if (m == "shift") *mods |= headless::MOD_SHIFT;
            else if (m == "ctrl") *mods |= headless::MOD_CONTROL;
            else if (m == "alt") *mods |= headless::MOD_ALT;
            else {
                *reason = "'" + w + "' is not a set of modifier keys (shift, ctrl, alt joined by +)";
                return false;
            }
            pos = plus + 1;
        }
    }
    return true;
}

// Separate press lines are separate clicks: let more than the double-click time pass since the last
// button event, as it would between a person's deliberate clicks.
void ScriptRunner::BeforeButton() {
    std::uint64_t gap = GetDoubleClickTime() + 1;
    std::uint64_t now = headless::Now();
    if (anyButton_ && now - lastButton_ < gap) headless::AdvanceClock(static_cast<DWORD>(gap - (now - lastButton_)));
    Pump();
}

bool ScriptRunner::ButtonArg(const std::string& text, int* button, std::string* reason) {
    *button = ButtonOf(text);
    if (*button >= 0) return true;
    *reason = "'" + text + "' is not a button (left, right, middle)";
    return false;
}

// One pointer gesture with the modifier keys held: move to `from`, press, move to `to` in `steps`
// steps, release. A lone press or release leaves out the other half.
void ScriptRunner::Gesture(int button, unsigned mods, POINT from, POINT to, int steps, bool press, bool release) {
    HWND main = window_->Handle();
    if (press) BeforeButton();
    if (mods & headless::MOD_SHIFT) headless::KeyDown(VK_SHIFT);
    if (mods & headless::MOD_CONTROL) headless::KeyDown(VK_CONTROL);
    if (mods & headless::MOD_ALT) headless::KeyDown(VK_MENU);
    headless::MouseMove(main, from.x, from.y);
    Pump();
    if (press) {
        headless::MouseDown(button);
        Pump();
    }
    for (int i = 1; i <= steps; ++i) {
        int x = from.x + static_cast<int>(static_cast<long long>(to.x - from.x) * i / steps);
        int y = from.y + static_cast<int>(static_cast<long long>(to.y - from.y) * i / steps);
        headless::MouseMove(main, x, y);
        Pump();
    }
    if (release) {
        headless::MouseUp(button);
        Pump();
    }
    if (mods & headless::MOD_ALT) headless::KeyUp(VK_MENU);
    if (mods & headless::MOD_CONTROL) headless::KeyUp(VK_CONTROL);
    if (mods & headless::MOD_SHIFT) headless::KeyUp(VK_SHIFT);
    Pump();
    lastButton_ = headless::Now();
    anyButton_ = true;
}

bool ScriptRunner::CheckAnswers(std::string* reason) {
    if (menuAnsweredAt_ >= 0 && GetPopupMenuCount() == menuAnsweredAt_) {
        ClearPopupMenuAnswer();
        *reason = "no pop-up menu opened to take the answer of line " + std::to_string(menuLine_);
        menuAnsweredAt_ = -1;
        return false;
    }
    menuAnsweredAt_ = -1;
    if (dialogPending_) {
        ClearDialogAnswer();
        dialogPending_ = false;
        *reason = "no dialog opened to take the answer of line " + std::to_string(dialogLine_);
        return false;
    }
    if (!dialogProblem_.empty()) {
        *reason = dialogProblem_;
        dialogProblem_.clear();
        return false;
    }
    return true;
}

bool ScriptRunner::Run(const std::string& text, ScriptFailure* failure) {
    std::istringstream in(text);
    std::string line;
    line_ = 0;
    IdleGuard::Problem().clear();
    IdleGuard::Calls() = 0;
    headless::SetIdleHook(&IdleGuard::Hook, nullptr);
    bool ok = true;
    std::string reason;
    while (ok && std::getline(in, line)) {
        ++line_;
        std::vector<std::string> words;
        if (!SplitScriptLine(line, &words, &reason)) {
            ok = false;
            break;
        }
        if (words.empty()) continue;
        ok = RunLine(words, &reason);
        if (ok && !IdleGuard::Problem().empty()) {
            reason = IdleGuard::Problem();
            ok = false;
        }
        if (ok && words[0] != "menu" && words[0] != "dialog" && (menuAnsweredAt_ >= 0 || dialogPending_) &&
            words[0] != "size") {
            // An answer must be taken by the line right after it (or a later answer line).
            ok = CheckAnswers(&reason);
        }
    }
    if (ok) {
        ++line_;
        ok = CheckAnswers(&reason);
        if (!ok) --line_;
    }
    headless::SetIdleHook(nullptr, nullptr);
    if (!ok && failure) {
        failure->line = line_;
        failure->reason = reason;
    }
    return ok;
}

bool ScriptRunner::RunLine(const std::vector<std::string>& w, std::string* reason) {
    const std::string& cmd = w[0];
    auto need = [&](std::size_t min, std::size_t max, const char* usage) {
        if (w.size() - 1 < min || w.size() - 1 > max) {
            *reason = std::string("usage: ") + usage;
            return false;
        }
        return true;
    };
    auto number = [&](const std::string& text, long long lo, long long hi, long long* out) {
        if (!ParseInt(text, out) || *out < lo || *out > hi) {
            *reason = "'" + text + "' is not a number from " + std::to_string(lo) + " to " + std::to_string(hi);
            return false;
        }
        return true;
    };

    if (cmd == "size") {
        if (!need(2, 2, "size WIDTH HEIGHT")) return false;
        if (window_) {
            *reason = "size must come before any line that uses the editor";
            return false;
        }
        long long width = 0, height = 0;
        if (!number(w[1], 200, 8192, &width) || !number(w[2], 150, 8192, &height)) return false;
        width_ = static_cast<int>(width);
        height_ = static_cast<int>(height);
        return true;
    }
    if (!EnsureWindow(reason)) return false;
    HWND main = window_->Handle();
    HWND editor = window_->Doc().EditorWindow();

    if (cmd == "track") {
        long long n = 0;
        if (!need(1, 1, "track N") || !number(w[1], 1, 1 << 20, &n)) return false;
        if (!ChooseEditorTrack(*window_, static_cast<int>(n), reason)) return false;
        Pump();
        return true;
    }
    if (cmd == "tool") {
        if (!need(1, 1, "tool draw|select|zoom|paint|erase")) return false;
        for (const ToolCommand& t : kTools)
            if (w[1] == t.name) {
                SendMessage(editor, WM_COMMAND, MAKEWPARAM(t.command, 0), 0);
                Pump();
                return true;
            }
        *reason = "'" + w[1] + "' is not a tool (draw, select, zoom, paint, erase)";
        return false;
    }
    if (cmd == "zoom" || cmd == "rows") {
        // The view takes these through its position query's set requests: 3 = time view
        // {ticks per pixel, origin}, 4 = rows {row height, top note}; non-zero when done.
        bool zoom = cmd == "zoom";
        if (!need(1, 2, zoom ? "zoom TICKS_PER_PIXEL [ORIGIN]" : "rows PIXELS [TOPNOTE]")) return false;
        long long a = 0, b = zoom ? 0 : -1;
        if (!number(w[1], 1, zoom ? (1ll << 40) : 200, &a)) return false;
        if (w.size() > 2 && !number(w[2], zoom ? 0 : 0, zoom ? (1ll << 62) : 127, &b)) return false;
        HWND view = FindChildOfClass(main, kViewClass);
        if (!view) {
            *reason = "the editor shows no piano-roll view";
            return false;
        }
        std::int64_t request[2] = {a, b};
        if (!SendMessage(view, kViewPositionQuery, zoom ? 3 : 4, reinterpret_cast<LPARAM>(request))) {
            *reason = std::string("the view did not accept the ") + (zoom ? "time zoom" : "row height");
            return false;
        }
        Pump();
        return true;
    }
    if (cmd == "move") {
        POINT p;
        unsigned mods = 0;
        if (w.size() < 3) return need(2, 3, "move X Y [MODS]");
        if (!PointArg(w[1], w[2], &p, reason) || !Mods(w, 3, &mods, nullptr, reason)) return false;
        headless::MouseMove(main, p.x, p.y);
        Pump();
        return true;
    }
    if (cmd == "press" || cmd == "release" || cmd == "click") {
        if (w.size() < 4) return need(3, 4, "press|release|click BUTTON X Y [MODS]");
        int button = 0;
        POINT p;
        unsigned mods = 0;
        if (!ButtonArg(w[1], &button, reason) || !PointArg(w[2], w[3], &p, reason) ||
            !Mods(w, 4, &mods, nullptr, reason))
            return false;
        Gesture(button, mods, p, p, 0, cmd != "release", cmd != "press");
        return true;
    }
    if (cmd == "dclick") {
        if (w.size() < 3) return need(2, 3, "dclick X Y [MODS]");
        POINT p;
        unsigned mods = 0;
        if (!PointArg(w[1], w[2], &p, reason) || !Mods(w, 3, &mods, nullptr, reason)) return false;
        BeforeButton();
        headless::DoubleClick(main, p.x, p.y, backend::BUTTON_LEFT, mods);
        Pump();
        lastButton_ = headless::Now();
        anyButton_ = true;
        return true;
    }
    if (cmd == "drag") {
        if (w.size() < 6) return need(5, 7, "drag BUTTON X1 Y1 X2 Y2 [MODS] [steps=N]");
        int button = 0;
        POINT from, to;
        unsigned mods = 0;
        int steps = kDefaultDragSteps;
        if (!ButtonArg(w[1], &button, reason) || !PointArg(w[2], w[3], &from, reason) ||
            !PointArg(w[4], w[5], &to, reason) || !Mods(w, 6, &mods, &steps, reason))
            return false;
        Gesture(button, mods, from, to, steps, true, true);
        return true;
    }
    if (cmd == "wheel") {
        if (w.size() < 4) return need(3, 4, "wheel X Y DELTA [MODS]");
        POINT p;
        long long delta = 0;
        unsigned mods = 0;
        if (!PointArg(w[1], w[2], &p, reason) || !number(w[3], -12000, 12000, &delta) || !Mods(w, 4, &mods, nullptr, reason))
            return false;
        headless::Wheel(main, p.x, p.y, static_cast<int>(delta), mods);
        Pump();
        return true;
    }
    if (cmd == "key") {
        if (!need(1, 2, "key NAME [MODS]")) return false;
        int vk = KeyCode(w[1]);
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
    if (cmd == "type") {
        if (w.size() < 2) return need(1, 1, "type TEXT");
        std::string text = w[1];
        for (std::size_t i = 2; i < w.size(); ++i) text += " " + w[i];
        headless::TypeText(text.c_str());
        Pump();
        return true;
    }
    if (cmd == "command") {
        long long id = 0;
        if (!need(1, 1, "command ID") || !number(w[1], 1, 0xFFFF, &id)) return false;
        if (!editor) {
            *reason = "the editor window is not open";
            return false;
        }
        SendMessage(editor, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), 0), 0);
        Pump();
        return true;
    }
    if (cmd == "menu") {
        long long id = 0;
        if (!need(1, 1, "menu ID") || !number(w[1], 0, 0xFFFF, &id)) return false;
        AnswerNextPopupMenu(static_cast<UINT>(id));
        menuAnsweredAt_ = GetPopupMenuCount();
        menuLine_ = line_;
        return true;
    }
    if (cmd == "dialog") {
        if (w.size() < 3) return need(2, 64, "dialog ID ITEM=VALUE ... ok|cancel");
        long long id = 0;
        if (!number(w[1], 0, 0xFFFF, &id)) return false;
        int button;
        if (w.back() == "ok") button = IDOK;
        else if (w.back() == "cancel") button = IDCANCEL;
        else {
            *reason = "a dialog answer ends with ok or cancel";
            return false;
        }
        std::vector<std::pair<int, std::string>> items;
        for (std::size_t i = 2; i + 1 < w.size(); ++i) {
            std::size_t eq = w[i].find('=');
            long long item = 0;
            if (eq == std::string::npos || !ParseInt(w[i].substr(0, eq), &item) || item < 0 || item > 0xFFFF) {
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
                    if (dialogProblem_.empty())
                        dialogProblem_ = "the dialog answered on line " + std::to_string(dialogLine_) +
                                         " has no item " + std::to_string(item) + " that takes '" + value + "'";
                    EndDialog(dlg, IDCANCEL);
                    return;
                }
            HWND control = GetDlgItem(dlg, button);
            SendMessage(dlg, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), reinterpret_cast<LPARAM>(control));
        });
        return true;
    }
    if (cmd == "wait") {
        long long ms = 0;
        if (!need(1, 1, "wait MS") || !number(w[1], 0, 3600000, &ms)) return false;
        Pump();
        headless::AdvanceClock(static_cast<DWORD>(ms));
        Pump();
        return true;
    }
    if (cmd == "undo" || cmd == "redo") {
        if (!need(0, 0, cmd == "undo" ? "undo" : "redo")) return false;
        HRESULT hr = cmd == "undo" ? window_->Doc().Undo() : window_->Doc().Redo();
        if (hr != S_OK) {
            *reason = cmd == "undo" ? "there is nothing to undo" : "there is nothing to redo";
            return false;
        }
        Pump();
        return true;
    }
    if (cmd == "save") {
        if (!need(1, 1, "save FILE")) return false;
        Pump();
        Output out;
        out.path = w[1];
        std::string error;
        if (!window_->Doc().Serialize(&out.bytes, &error)) {
            *reason = "cannot save: " + error;
            return false;
        }
        outputs_.push_back(std::move(out));
        return true;
    }
    if (cmd == "screenshot") {
        if (!need(1, 1, "screenshot FILE.png")) return false;
        Pump();
        detail::Surface s{};
        if (!detail::GetWindowSurface(main, &s, nullptr) || !s.pixels) {
            *reason = "the window has no pixels to take";
            return false;
        }
        Output out;
        out.path = w[1];
        out.width = s.width;
        out.height = s.height;
        out.pixels.resize(static_cast<std::size_t>(s.width) * s.height);
        for (int y = 0; y < s.height; ++y)
            std::memcpy(out.pixels.data() + static_cast<std::size_t>(y) * s.width,
                        s.pixels + static_cast<std::size_t>(y) * s.stride, sizeof(std::uint32_t) * s.width);
        outputs_.push_back(std::move(out));
        return true;
    }
    if (cmd == "expect-notes") {
        long long expected = 0;
        if (!need(1, 1, "expect-notes N") || !number(w[1], 0, 1ll << 40, &expected)) return false;
        Pump();
        HWND chooser = editor ? GetDlgItem(editor, kTrackChooserId) : nullptr;
        LRESULT sel = chooser ? SendMessage(chooser, CB_GETCURSEL, 0, 0) : -1;
        LRESULT index = sel >= 0 ? SendMessage(chooser, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0) : -1;
        long long count = window_->Doc().Project()->WithStore([&](Store& store) {
            long long n = 0;
            const auto& tracks = store.TracksInOrder();
            for (std::size_t t = 0; t < tracks.size(); ++t) {
                if (index >= 0 && static_cast<std::size_t>(index) != t) continue;
                for (std::uint32_t b : store.BlocksOf(tracks[t]))
                    for (std::uint32_t e : store.EventsOf(b))
                        if (store.EventKind(e) == mp::MEK_NOTE) ++n;
            }
            return n;
        });
        if (count != expected) {
            *reason = "expected " + std::to_string(expected) + " notes, found " + std::to_string(count);
            return false;
        }
        return true;
    }
    if (cmd == "expect-undo") {
        if (!need(1, 1, "expect-undo \"NAME\"")) return false;
        Pump();
        std::string name = Utf8(window_->Doc().UndoName());
        if (name != w[1]) {
            *reason = "expected the undo step \"" + w[1] + "\", found " +
                      (name.empty() ? std::string("none") : "\"" + name + "\"");
            return false;
        }
        return true;
    }
    *reason = "unknown command '" + cmd + "'";
    return false;
}

bool ScriptRunner::WriteOutputs(std::string* error) {
    for (const Output& out : outputs_) {
        if (out.pixels.empty()) {
            std::string why;
            if (!WriteFileAtomically(out.path, out.bytes, &why)) {
                *error = out.path + ": " + why;
                return false;
            }
            continue;
        }
        detail::Surface s{const_cast<std::uint32_t*>(out.pixels.data()), out.width, out.height, out.width};
        if (!detail::WritePng(out.path.c_str(), s)) {
            *error = out.path + ": cannot write the PNG file";
            return false;
        }
    }
    return true;
}

} // namespace host::app
