// Editing scripts: one command a line, driving the editor as a person would through input injected
// in the headless window system. Files a script saves or screenshots are written only when every
// line succeeded.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "document.h"

namespace host::app {

class MainWindow;

struct ScriptFailure {
    int line = 0;
    std::string reason;
};

// One command line split into words; quoted words ("Draw MIDI Event") keep their spaces, '#' outside
// quotes starts a comment. False with reason set for an unterminated quote.
bool SplitScriptLine(const std::string& line, std::vector<std::string>* words, std::string* reason);

class ScriptRunner {
public:
    static constexpr int kDefaultWidth = 1200;
    static constexpr int kDefaultHeight = 700;

    // The runner opens the document's editor in a main window when the first line that needs it runs.
    explicit ScriptRunner(std::unique_ptr<Document> document);
    ~ScriptRunner();

    // Runs the whole script; stops at the first failing line. Output files are kept in memory.
    bool Run(const std::string& text, ScriptFailure* failure);
    // Writes the saved songs and screenshots, in script order. False with error set on the first
    // file that cannot be written.
    bool WriteOutputs(std::string* error);

    MainWindow* Window() const { return window_; }

private:
    struct Output {
        std::string path;
        std::vector<std::uint8_t> bytes;        // a song
        std::vector<std::uint32_t> pixels;      // a screenshot
        int width = 0, height = 0;
    };
    bool RunLine(const std::vector<std::string>& words, std::string* reason);
    bool EnsureWindow(std::string* reason);
    bool PointArg(const std::string& xs, const std::string& ys, win::POINT* out, std::string* reason);
    bool Coordinate(const std::string& text, bool vertical, int* out, std::string* reason);
    bool Mods(const std::vector<std::string>& words, std::size_t from, unsigned* mods, int* steps,
              std::string* reason);
    bool ButtonArg(const std::string& text, int* button, std::string* reason);
    void BeforeButton();
    void Gesture(int button, unsigned mods, win::POINT from, win::POINT to, int steps, bool press, bool release);
    void Pump();
    bool CheckAnswers(std::string* reason);

    std::unique_ptr<Document> pending_; // until the window takes it
    MainWindow* window_ = nullptr;
    int width_ = kDefaultWidth;
    int height_ = kDefaultHeight;
    std::vector<Output> outputs_;
    std::uint64_t lastButton_ = 0;
    bool anyButton_ = false;
    int menuAnsweredAt_ = -1;   // popup count when a `menu` answer was queued
    int menuLine_ = 0;
    bool dialogPending_ = false;
    int dialogLine_ = 0;
    std::string dialogProblem_;
    int line_ = 0;
};

// Chooses a track (1-based) in the editor's track chooser as a person would. False with reason set
// when there is no chooser or no such track.
bool ChooseEditorTrack(MainWindow& window, int track, std::string* reason);

} // namespace host::app
