// Editing scripts run in-process: coordinates through the view, failures with line numbers, files
// written only after success, and the editing commands.
#include <gtest/gtest.h>

#include <climits>

#include "app_test_util.h"
#include "main_window.h"
#include "script.h"
#include "win/backend.h"

namespace {

using namespace apptest;
using namespace host::app;
using namespace win;

class ScriptTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { UseBuiltModule(); }

    std::unique_ptr<ScriptRunner> Runner(const Bytes& song) {
        std::string error;
        auto doc = Document::FromBytes(song.data(), song.size(), "song.mid", DocumentOptions{}, &error);
        EXPECT_TRUE(doc) << error;
        return std::make_unique<ScriptRunner>(std::move(doc));
    }
    // Runs a script; returns "" on success or "LINE: reason".
    static std::string Run(ScriptRunner& runner, const std::string& text) {
        ScriptFailure failure;
        if (runner.Run(text, &failure)) return "";
        return std::to_string(failure.line) + ": " + failure.reason;
    }
    static HWND View(ScriptRunner& runner) { return FindTrackView(runner.Window()->Handle()); }
    // Where the view puts a tick and a note, in the main window's client pixels.
    static POINT At(ScriptRunner& runner, std::int64_t tick, int note) {
        POINT p{INT_MIN, INT_MIN};
        ViewPoint(runner.Window()->Handle(), tick, note, &p);
        return p;
    }
};

TEST_F(ScriptTest, TicksAndNotesResolveThroughTheViewAndPixelsArePlain) {
    auto runner = Runner(MakeSong({{0, 480, 480, 72}}));
    TempDir dir;
    std::string shot = (dir / "shot.png").string();
    ASSERT_EQ(Run(*runner, "size 900 560\nmove t:480 n:72\nscreenshot " + shot + "\n"), "");
    ASSERT_NE(View(*runner), nullptr);
    POINT p = At(*runner, 480, 72);
    ASSERT_NE(p.x, INT_MIN);
    POINT cursor{};
    GetCursorPos(&cursor);
    ScreenToClient(runner->Window()->Handle(), &cursor);
    EXPECT_EQ(cursor.x, p.x);
    EXPECT_EQ(cursor.y, p.y);
    ASSERT_EQ(Run(*runner, "move 17 40\n"), "");
    GetCursorPos(&cursor);
    ScreenToClient(runner->Window()->Handle(), &cursor);
    EXPECT_EQ(cursor.x, 17);
    EXPECT_EQ(cursor.y, 40);

    // Nothing is on disk until the outputs are written; then the picture has the window's size.
    EXPECT_FALSE(fs::exists(shot));
    std::string error;
    ASSERT_TRUE(runner->WriteOutputs(&error)) << error;
    Image image;
    ASSERT_TRUE(ReadPng(shot, &image));
    EXPECT_EQ(image.width, 900);
    EXPECT_EQ(image.height, 560);
    // The note's row at its start is drawn differently from the same row where no note is.
    POINT late = At(*runner, 1440, 72);
    ASSERT_NE(late.x, INT_MIN);
    EXPECT_NE(image.At(p.x + 3, p.y), image.At(late.x + 3, late.y));
}

TEST_F(ScriptTest, FailuresNameTheLineAndTheReason) {
    struct Case {
        std::string script;
        std::string expected;
    } cases[] = {
        {"# comment\n\nfrobnicate 1\n", "3: unknown command 'frobnicate'"},
        {"move 10\n", "1: usage: move X Y [MODS]"},
        {"move t:abc 5\n", "1: 't:abc' has no valid number"},
        {"move n:60 5\n", "1: 'n:60' is not a x coordinate (pixels or t:TICK)"},
        {"move 5 n:200\n", "1: 'n:200' has no valid number"},
        {"click left 5 5 hyper\n", "1: 'hyper' is not a set of modifier keys (shift, ctrl, alt joined by +)"},
        {"click thumb 5 5\n", "1: 'thumb' is not a button (left, right, middle)"},
        {"key nosuchkey\n", "1: 'nosuchkey' is not a key name"},
        {"tool hammer\n", "1: 'hammer' is not a tool (draw, select, zoom, paint, erase)"},
        {"track 9\n", "1: there is no track 9 (the chooser lists 1)"},
        {"move 1 1\nsize 800 600\n", "2: size must come before any line that uses the editor"},
        {"size 10 10\n", "1: '10' is not a number from 200 to 8192"},
        {"undo\n", "1: there is nothing to undo"},
        {"expect-notes 5\n", "1: expected 5 notes, found 1"},
        {"expect-undo \"Move MIDI Event\"\n", "1: expected the undo step \"Move MIDI Event\", found none"},
        {"menu 4000\nmove 1 1\n", "2: no pop-up menu opened to take the answer of line 1"},
        {"dialog 11 1001=3 ok\n", "1: no dialog opened to take the answer of line 1"},
        {"drag left 1 1 2 2 steps=0\n", "1: 'steps=0' needs a step count from 1 to 1000"},
        {"expect-undo \"open\n", "1: a quoted text is not closed"},
    };
    for (const Case& c : cases) {
        auto runner = Runner(MakeSong({{0, 0, 480, 60}}));
        EXPECT_EQ(Run(*runner, c.script), c.expected) << c.script;
    }
}

TEST_F(ScriptTest, AModalWindowTheScriptDidNotAnswerFailsTheLineInsteadOfWaiting) {
    auto runner = Runner(MakeSong({{0, 0, 480, 60}}));
    // Ctrl+O opens the file dialog, which nobody answers.
    EXPECT_EQ(Run(*runner, "key o ctrl\nexpect-notes 1\n"), "1: a menu or dialog opened that the script did not answer");
    EXPECT_NE(runner->Window(), nullptr);
    EXPECT_EQ(runner->Window()->Doc().DisplayName(), "song.mid");
}

TEST_F(ScriptTest, ZoomAndRowsMoveWhatIsVisible) {
    auto runner = Runner(MakeSong({{0, 0, 480, 60}, {0, 7680, 480, 60}}));
    EXPECT_EQ(Run(*runner, "zoom 2 960\nrows 10 80\nmove t:1000 n:70\n"), "");
    EXPECT_NE(Run(*runner, "move t:100 n:70\n").find("not visible"), std::string::npos);
    EXPECT_NE(Run(*runner, "move t:1000 n:90\n").find("not visible"), std::string::npos);
    EXPECT_EQ(Run(*runner, "zoom 8\nrows 6 100\nmove t:100 n:90\n"), "");
}

} // namespace
