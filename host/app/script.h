// Editing scripts: one command a line, driving the editor as a person would through input injected
// in the headless window system, each line checked for its effect. Files a script saves or
// screenshots are written only when every line succeeded.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <string>
#include <vector>

#include "document.h"
#include "mp/script_query.h"
#include "win/window_pixels.h"

namespace host::app {

class MainWindow;

struct ScriptFailure {
    int line = 0;
    std::string reason;
};

// One command line split into words; quoted words ("Draw MIDI Event") keep their spaces, '#' outside
// quotes starts a comment. False with reason set for an unterminated quote.
bool SplitScriptLine(const std::string& line, std::vector<std::string>* words, std::string* reason);

// The script language, one command a line with what it does, as `pianoroll --script` prints it.
std::string ScriptLanguage();

class ScriptRunner {
public:
    static constexpr int kDefaultWidth = 1200;
    static constexpr int kDefaultHeight = 700;
    using Words = std::vector<std::string>;
    using Handler = bool (ScriptRunner::*)(const Words& words, std::string* reason);

    // The runner opens the document's editor in a main window when the first line that needs it runs.
    explicit ScriptRunner(std::unique_ptr<Document> document);
    ~ScriptRunner();

    // Runs the whole script; stops at the first failing line. Output files are kept in memory.
    bool Run(const std::string& text, ScriptFailure* failure);
    // Writes the saved songs and screenshots, all or none: each goes to a unique temporary beside
    // its target, and only when every one is written whole are they renamed into place. False with
    // failure set on the first file that cannot be written (its line and why); then no target has changed.
    bool WriteOutputs(ScriptFailure* failure);

    MainWindow* Window() const { return window_; }

    // ---- the commands (script_commands.cpp, script_checks.cpp) ----
    bool Size(const Words& w, std::string* reason);
    bool Track(const Words& w, std::string* reason);
    bool Tool(const Words& w, std::string* reason);
    bool Zoom(const Words& w, std::string* reason);
    bool Rows(const Words& w, std::string* reason);
    bool Lane(const Words& w, std::string* reason);
    bool Move(const Words& w, std::string* reason);
    bool Button(const Words& w, std::string* reason); // press, release, click
    bool DoubleClick(const Words& w, std::string* reason);
    bool Drag(const Words& w, std::string* reason);
    bool Wheel(const Words& w, std::string* reason);
    bool Key(const Words& w, std::string* reason);
    bool Type(const Words& w, std::string* reason);
    bool Command(const Words& w, std::string* reason);
    bool Menu(const Words& w, std::string* reason);
    bool Dialog(const Words& w, std::string* reason);
    bool Wait(const Words& w, std::string* reason);
    bool UndoRedo(const Words& w, std::string* reason);
    bool Save(const Words& w, std::string* reason);
    bool Screenshot(const Words& w, std::string* reason);
    bool ExpectNotes(const Words& w, std::string* reason);
    bool ExpectNote(const Words& w, std::string* reason);
    bool ExpectEvent(const Words& w, std::string* reason);
    bool ExpectSelected(const Words& w, std::string* reason);
    bool ExpectGhosts(const Words& w, std::string* reason);
    bool ExpectUndo(const Words& w, std::string* reason);
    bool ExpectTool(const Words& w, std::string* reason);
    bool ExpectCursor(const Words& w, std::string* reason);
    bool ExpectBar(const Words& w, std::string* reason);
    bool ExpectKey(const Words& w, std::string* reason);
    bool ExpectView(const Words& w, std::string* reason);
    bool ExpectRows(const Words& w, std::string* reason);
    bool ExpectLoop(const Words& w, std::string* reason);
    bool ExpectTooltip(const Words& w, std::string* reason);
    bool ExpectStatus(const Words& w, std::string* reason);
    bool ExpectButton(const Words& w, std::string* reason);
    bool ExpectPlayed(const Words& w, std::string* reason);

private:
    struct Output {
        std::string path;
        std::vector<std::uint8_t> bytes;
        int line = 0; // the script line that asked for it
    };
    bool RunLine(const Words& words, std::string* reason);
    // Reads and runs the next line that holds a command, with its checks; false at the end of the
    // script or when it failed (failure_ then says where and why).
    bool RunNextLine();
    static void IdleHook(void* context);
    bool EnsureWindow(std::string* reason);
    bool PointArg(const std::string& xs, const std::string& ys, win::POINT* out, std::string* reason);
    bool Coordinate(const std::string& text, bool vertical, int* out, std::string* reason);
    bool Mods(const Words& words, std::size_t from, unsigned* mods, int* steps, std::string* reason);
    void BeforeButton();
    void Gesture(int button, unsigned mods, win::POINT from, win::POINT to, int steps, bool press, bool release);
    void HoldMods(unsigned mods, bool down);
    void Pump();
    bool CheckAnswers(std::string* reason);
    win::HWND ViewWindow(std::string* reason) const;
    // The editor's toolbar (script_toolbar.cpp); button:ID is the middle of a button, arrow:ID a point
    // in its drop-down arrow, in main-window pixels.
    win::HWND Toolbar(std::string* reason) const;
    // The middle of the transport bar's button of command id, in main-window pixels; false when not shown.
    bool TransportCoordinate(int id, bool vertical, int* out);
    bool ToolbarCoordinate(const std::string& kind, const std::string& number, bool vertical, int* out,
                           std::string* reason);
    // Draws the visible pop-ups of the main window (tooltips, menus) over a picture of it.
    void DrawPopupsOver(win::WindowPixels* picture) const;
    bool ViewState(mp::ScriptViewState* state, std::string* reason);
    // The track the chooser shows (0-based, in the host's track order), -1 when none.
    int ShownTrack();
    // Every event of the track the chooser shows, with its absolute tick.
    using EventVisitor = std::function<void(std::int64_t tick, const EventValue& event)>;
    void ForEachShownEvent(const EventVisitor& visit);

    std::unique_ptr<Document> pending_; // until the window takes it
    MainWindow* window_ = nullptr;
    int width_ = kDefaultWidth;
    int height_ = kDefaultHeight;
    std::vector<Output> outputs_;
    std::uint64_t lastButton_ = 0;
    bool anyButton_ = false;
    int menuAnsweredAt_ = -1; // popup count when a `menu` answer was queued
    int menuLine_ = 0;
    bool dialogPending_ = false;
    int dialogLine_ = 0;
    std::string answerProblem_;
    int line_ = 0;
    std::istream* input_ = nullptr; // the script being run
    bool failed_ = false;
    ScriptFailure failure_;
    bool feedingEntry_ = false; // a line is running as the input of a waiting entry
};

// Chooses a track (1-based) in the editor's track chooser as a person would. False with reason set
// when there is no chooser or no such track.
bool ChooseEditorTrack(MainWindow& window, int track, std::string* reason);

} // namespace host::app
