// Editing scripts: the line loop, coordinates through the view's own geometry, injected input with
// the modifier keys each event holds, answers to menus and dialogs, and the outputs.
#include "script.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "main_window.h"
#include "playback/clock.h"
#include "script_clock.h"
#include "script_words.h"
#include "song_file.h"
#include "win/backend.h"
#include "win/controls.h"
#include "win/file_replacement.h"

namespace host::app {

using namespace win;
using script::ParseInt;

namespace {

constexpr const char* kViewClass = "pianorollBld0TrackviewClass";
constexpr int kMaxDragSteps = 1000;
constexpr int kModalGiveUp = 1000;

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
        if (++Calls() > kModalGiveUp) {
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

} // namespace

bool SplitScriptLine(const std::string& line, std::vector<std::string>* words, std::string* reason) {
    words->clear();
    std::string current;
    bool inWord = false;
    bool quoted = false;
    for (char c : line) {
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

// While a line runs as the input of a waiting entry, that entry's own loop takes the messages: what
// the line injected reaches it in order, as a person's input would.
void ScriptRunner::Pump() {
    // What playback posted for the time that has passed is handled now, not some lines later.
    ScriptClock().Settle();
    if (!feedingEntry_) MainWindow::PumpMessages();
}

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

HWND ScriptRunner::ViewWindow(std::string* reason) const {
    HWND view = window_ ? FindChildOfClass(window_->Handle(), kViewClass) : nullptr;
    if (!view && reason) *reason = "the editor shows no piano-roll view";
    return view;
}

bool ScriptRunner::ViewState(mp::ScriptViewState* state, std::string* reason) {
    HWND view = ViewWindow(reason);
    if (!view) return false;
    Pump();
    if (!SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_STATE, reinterpret_cast<LPARAM>(state))) {
        *reason = "the view did not report what it shows";
        return false;
    }
    return true;
}

bool ScriptRunner::Coordinate(const std::string& text, bool vertical, int* out, std::string* reason) {
    long long value = 0;
    RECT client{};
    GetClientRect(window_->Handle(), &client);
    if (ParseInt(text, &value)) {
        const long long limit = vertical ? client.bottom : client.right;
        if (value < 0 || value >= limit) {
            *reason = std::string("the ") + (vertical ? "y" : "x") + " coordinate " + text + " lies outside the window (" +
                      std::to_string(client.right) + "x" + std::to_string(client.bottom) + " pixels)";
            return false;
        }
        *out = static_cast<int>(value);
        return true;
    }
    const std::size_t colon = text.find(':');
    const std::string kind = colon == std::string::npos ? std::string() : text.substr(0, colon);
    const std::string number = colon == std::string::npos ? std::string() : text.substr(colon + 1);
    if (kind == "button" || kind == "arrow") return ToolbarCoordinate(kind, number, vertical, out, reason);
    WPARAM query;
    if (kind == "t" && !vertical) query = mp::SVQ_X_OF_TICK;
    else if (kind == "n" && vertical) query = mp::SVQ_Y_OF_NOTE;
    else if (kind == "lane" && vertical) query = mp::SVQ_Y_OF_LANE_VALUE;
    else {
        *reason = "'" + text + "' is not " + (vertical ? "a y coordinate (pixels, n:NOTE, lane:VALUE or button:ID)"
                                                       : "an x coordinate (pixels, t:TICK, button:ID or arrow:ID)");
        return false;
    }
    if (!ParseInt(number, &value) || (query == mp::SVQ_Y_OF_NOTE && (value < 0 || value > 127)) ||
        (query == mp::SVQ_X_OF_TICK && value < 0)) {
        *reason = "'" + text + "' has no valid number";
        return false;
    }
    HWND view = ViewWindow(reason);
    if (!view) return false;
    const LRESULT answer = SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, query, static_cast<LPARAM>(value));
    if (answer == mp::SCRIPT_HIDDEN) {
        *reason = query == mp::SVQ_Y_OF_LANE_VALUE
                      ? text + " is not a value of the controller lane shown (0-127, pitch bend 0-16383), or no lane is shown"
                      : text + " is not visible in the view";
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

bool ScriptRunner::Mods(const Words& words, std::size_t from, unsigned* mods, int* steps, std::string* reason) {
    *mods = 0;
    for (std::size_t i = from; i < words.size(); ++i) {
        const std::string& w = words[i];
        if (steps && w.rfind("steps=", 0) == 0) {
            long long n = 0;
            if (!ParseInt(w.substr(6), &n) || n < 1 || n > kMaxDragSteps) {
                *reason = "'" + w + "' needs a step count from 1 to " + std::to_string(kMaxDragSteps);
                return false;
            }
            *steps = static_cast<int>(n);
            continue;
        }
        std::size_t pos = 0;
        while (pos <= w.size()) {
            std::size_t plus = w.find('+', pos);
            if (plus == std::string::npos) plus = w.size();
            const std::string m = w.substr(pos, plus - pos);
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
    const std::uint64_t gap = GetDoubleClickTime() + 1;
    const std::uint64_t now = headless::Now();
    if (anyButton_ && now - lastButton_ < gap) AdvanceScriptTime(static_cast<std::uint32_t>(gap - (now - lastButton_)));
    Pump();
}

void ScriptRunner::HoldMods(unsigned mods, bool down) {
    constexpr struct {
        unsigned mod;
        int vk;
    } kModKeys[] = {{headless::MOD_SHIFT, VK_SHIFT}, {headless::MOD_CONTROL, VK_CONTROL}, {headless::MOD_ALT, VK_MENU}};
    for (const auto& k : kModKeys) {
        if (!(mods & k.mod)) continue;
        if (down) headless::KeyDown(k.vk);
        else headless::KeyUp(k.vk);
    }
    Pump();
}

// One pointer gesture with the modifier keys held: move to `from`, press, move to `to` in `steps`
// steps, release. A lone press or release leaves out the other half; a lone move neither.
void ScriptRunner::Gesture(int button, unsigned mods, POINT from, POINT to, int steps, bool press, bool release) {
    HWND main = window_->Handle();
    if (press) BeforeButton();
    HoldMods(mods, true);
    headless::MouseMove(main, from.x, from.y);
    Pump();
    if (press) {
        headless::MouseDown(button);
        Pump();
    }
    for (int i = 1; i <= steps; ++i) {
        const int x = from.x + static_cast<int>(static_cast<long long>(to.x - from.x) * i / steps);
        const int y = from.y + static_cast<int>(static_cast<long long>(to.y - from.y) * i / steps);
        headless::MouseMove(main, x, y);
        Pump();
    }
    if (release) {
        headless::MouseUp(button);
        Pump();
    }
    HoldMods(mods, false);
    if (press || release) {
        lastButton_ = headless::Now();
        anyButton_ = true;
    }
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
    if (!answerProblem_.empty()) {
        *reason = answerProblem_;
        answerProblem_.clear();
        return false;
    }
    return true;
}

bool ScriptRunner::RunNextLine() {
    std::string text;
    while (!failed_ && input_ && std::getline(*input_, text)) {
        const int number = ++line_;
        Words words;
        std::string reason;
        bool ok = SplitScriptLine(text, &words, &reason);
        if (ok && words.empty()) continue;
        if (ok) ok = RunLine(words, &reason);
        // A line run while this one waited (typing into an entry it opened) failed first.
        if (failed_) return false;
        if (ok && !IdleGuard::Problem().empty()) {
            reason = IdleGuard::Problem();
            ok = false;
        }
        // An answer must be taken by the line right after it (or a later answer line).
        const bool answerLine = ok && (words[0] == "menu" || words[0] == "dialog" || words[0] == "size");
        if (ok && !answerLine && (menuAnsweredAt_ >= 0 || dialogPending_ || !answerProblem_.empty()))
            ok = CheckAnswers(&reason);
        if (!ok) {
            failed_ = true;
            failure_ = {number, reason};
        }
        return ok;
    }
    return false;
}

// A message loop waits for input. When it is an entry of the editor's view (the keyboard focus is in
// a window inside the view), the script's next lines are that input, as a person would type them;
// any other modal window is one the script did not answer.
void ScriptRunner::IdleHook(void* context) {
    auto* runner = static_cast<ScriptRunner*>(context);
    HWND view = runner->ViewWindow(nullptr);
    HWND focus = GetFocus();
    if (!view || !focus || focus == view || !IsChild(view, focus)) {
        IdleGuard::Hook(nullptr);
        return;
    }
    runner->feedingEntry_ = true;
    const bool ran = runner->RunNextLine();
    runner->feedingEntry_ = false;
    if (ran) return;
    if (!runner->failed_) {
        runner->failed_ = true;
        runner->failure_ = {runner->line_, "the script ended while the editor waited for typing"};
    }
    if (++IdleGuard::Calls() > kModalGiveUp) {
        std::fputs("pianoroll: a modal window could not be closed; giving up\n", stderr);
        std::_Exit(1);
    }
    // Escape leaves the entry without a change.
    headless::PressKey(VK_ESCAPE);
}

bool ScriptRunner::Run(const std::string& text, ScriptFailure* failure) {
    std::istringstream in(text);
    input_ = &in;
    line_ = 0;
    failed_ = false;
    failure_ = {};
    IdleGuard::Problem().clear();
    IdleGuard::Calls() = 0;
    headless::SetIdleHook(&ScriptRunner::IdleHook, this);
    while (RunNextLine()) {
    }
    if (!failed_) {
        std::string reason;
        if (!CheckAnswers(&reason)) {
            failed_ = true;
            failure_ = {line_, reason};
        }
    }
    headless::SetIdleHook(nullptr, nullptr);
    input_ = nullptr;
    if (failed_ && failure) *failure = failure_;
    return !failed_;
}

bool ScriptRunner::WriteOutputs(ScriptFailure* failure) {
    auto fail = [&](const Output& out, const std::string& why) {
        *failure = {out.line, out.path.empty() ? why : out.path + ": " + why};
        return false;
    };
    // Replacements not committed remove their temporaries when they go.
    std::vector<win::files::Replacement> pending(outputs_.size());
    for (std::size_t i = 0; i < outputs_.size(); ++i) {
        std::string why;
        if (!pending[i].Begin(outputs_[i].path, &why) ||
            !pending[i].Write(outputs_[i].bytes.data(), outputs_[i].bytes.size(), &why))
            return fail(outputs_[i], why);
    }
    for (std::size_t i = 0; i < pending.size(); ++i) {
        std::string why;
        if (!pending[i].Commit(&why)) return fail(outputs_[i], why);
    }
    return true;
}

} // namespace host::app
