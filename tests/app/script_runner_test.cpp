// Editing scripts run in-process: coordinates through the view, failures with line numbers, files
// written only after success, and the editing commands.
#include <gtest/gtest.h>

#include <climits>
#include <tuple>

#include "app_test_util.h"
#include "main_window.h"
#include "mp/script_query.h"
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
    EXPECT_EQ((std::tuple{cursor.x, cursor.y}), (std::tuple{p.x, p.y}));
    ASSERT_EQ(Run(*runner, "move 17 40\n"), "");
    GetCursorPos(&cursor);
    ScreenToClient(runner->Window()->Handle(), &cursor);
    EXPECT_EQ((std::tuple{cursor.x, cursor.y}), (std::tuple{17, 40}));

    // Nothing is on disk until the outputs are written; then the picture has the window's size.
    EXPECT_FALSE(fs::exists(shot));
    ScriptFailure failure;
    ASSERT_TRUE(runner->WriteOutputs(&failure)) << failure.reason;
    Image image;
    ASSERT_TRUE(ReadPng(shot, &image));
    EXPECT_EQ((std::tuple{image.width, image.height}), (std::tuple{900, 560}));
    // The note's row at its start is drawn differently from the same row where no note is.
    POINT late = At(*runner, 1440, 72);
    ASSERT_NE(late.x, INT_MIN);
    EXPECT_NE(image.At(p.x + 3, p.y), image.At(late.x + 3, late.y));
}

TEST_F(ScriptTest, FailuresNameTheLineAndTheReason) {
    struct Case {
        std::string script;
        std::string expected; // the whole message, or its start when it ends in "..."
    } cases[] = {
        {"# comment\n\nfrobnicate 1\n", "3: unknown command 'frobnicate'"},
        {"move 10\n", "1: usage: move X Y [MODS]"},
        {"move t:abc 5\n", "1: 't:abc' has no valid number"},
        {"move n:60 5\n", "1: 'n:60' is not an x coordinate (pixels, t:TICK, button:ID or arrow:ID)"},
        {"move button:4039 5\n", "1: neither the toolbar nor the transport bar shows a button 4039"},
        {"move button:65535 5\n", "1: neither the toolbar nor the transport bar shows a button 65535"},
        {"move button:65536 5\n", "1: 'button:65536' has no valid command id"},
        {"click left arrow:4000 button:4000\n", "1: the toolbar button 4000 has no drop-down arrow"},
        {"expect-button 4000 enabled\n", "1: the toolbar button 4000 is disabled and unchecked"},
        {"expect-tooltip \"Cut (Ctrl+X)\"\n", "1: the tooltip shown is none"},
        {"menu 6009 mark=x\n", "1: 'x' is not a number from 1 to 65535"},
        {"menu 6009 mark=6011\nclick left arrow:4041 button:4041\n",
         "2: the pop-up menu answered on line 1 shows its check mark at 6005, not at 6011"},
        {"menu 6009 mark=none\nclick left arrow:4041 button:4041\n",
         "2: the pop-up menu answered on line 1 shows its check mark at 6005, not nowhere"},
        // In a menu of several groups, only the mark of the answer's own group is named.
        {"menu 6009 mark=6011\nkey o alt\n", "2: the pop-up menu answered on line 1 shows its check mark at 6005, not at 6011"},
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
        {"menu 4000\nmove 1 1\nmove 2 2\n", "2: no pop-up menu opened to take the answer of line 1"},
        {"dialog 11 ok\nmove 1 1\nmove 2 2\n", "2: no dialog opened to take the answer of line 1"},
        {"wheel 5 5 120 shift x\n", "1: usage: wheel X Y DELTA [MODS]"},
        {"dialog 11 1001=3 ok\n", "1: no dialog opened to take the answer of line 1"},
        {"dialog 11 1001 ok\n", "1: '1001' is not ITEM=VALUE"},
        {"dialog 11 x=3 ok\n", "1: 'x=3' is not ITEM=VALUE"},
        {"dialog 11 -1=3 ok\n", "1: '-1=3' is not ITEM=VALUE"},
        {"dialog 11 65536=3 ok\n", "1: '65536=3' is not ITEM=VALUE"},
        {"drag left 1 1 2 2 steps=0\n", "1: 'steps=0' needs a step count from 1 to 1000"},
        {"expect-undo \"open\n", "1: a quoted text is not closed"},
        {"press left t:0 n:60\ntool select\n", "2: a drag is in progress: the editor keeps the tool draw until the button is released"},
        {"command 99999\n", "1: no menu, toolbar or transport button of the editor carries the command 99999"},
        {"command 4009\n", "1: no menu, toolbar or transport button of the editor carries the command 4009"},
        {"type 90\n", "1: no text box has the keyboard to take the typing"},
        {"command 0\n", "1: '0' is not a command id"},
        {"expect-note 0 60 480 64\n", "1: no note 60 at tick 0, 480 long, velocity 64; notes of pitch 60: 0 (480 long, velocity 100)"},
        {"expect-note 0 61 480 100\n", "1: no note 61 at tick 0, 480 long, velocity 100; notes of pitch 61: none"},
        {"expect-note 0 60 480 100 selected\n", "1: no note 60 at tick 0, 480 long, velocity 100, selected; notes of pitch 60: 0 (480 long, velocity 100)"},
        {"expect-note 0 60 480 100 chosen\n", "1: 'chosen' is not 'selected'"},
        {"expect-selected 1\n", "1: expected 1 selected events, found 0"},
        {"expect-selected -1\n", "1: '-1' is not a number from 0 to ..."},
        {"dialog 12 1030=2 junk ok\n", "1: 'junk' is not ITEM=VALUE"},
        {"expect-tool zoom\n", "1: expected the tool zoom, found draw"},
        {"expect-cursor 480\n", "1: expected the edit cursor at tick 480, found 0"},
        {"expect-view 0 10\n", "1: expected the view at tick 0 with 10 ticks per pixel, found tick 0 with ..."},
        {"rows 10 80\nexpect-rows 11 80\n", "2: expected rows 11 pixels tall from note 80, found 10 pixels from note 80"},
        {"expect-loop 0 480\n", "1: expected the loop region 0 to 480, found none"},
        {"expect-loop off 5\n", "1: usage: expect-loop FROM TO|off"},
        {"menu 4000\nclick right t:100 80\n", "2: the pop-up menu answered on line 1 has no entry 4000"},
        {"move 5000 10\n", "1: the x coordinate 5000 lies outside the window (1200x700 pixels)"},
        {"move 10 -1\n", "1: the y coordinate -1 lies outside the window (1200x700 pixels)"},
        {"expect-event cc 7 0 64 1\n", "1: usage: expect-event cc N TICK VALUE ..."},
        {"expect-bar 1920 1 1 0\n", "1: expected tick 1920 in bar 1, beat 1, 0 ticks; found bar 2, beat 1, 0 ticks"},
        {"expect-bar 1919 2\n", "1: expected tick 1919 in bar 2; found bar 1, beat 4, 479 ticks"},
        {"expect-bar 0 1 1\n", "1: expect-bar needs both BEAT and TICKS, or neither"},
        {"expect-bar 0 1 1 0 0\n", "1: usage: expect-bar TICK BAR [BEAT TICKS]"},
        {"expect-bar 0 0\n", "1: '0' is not a number from 1 to ..."},
        {"expect-key 0 2 0\n", "1: expected root 2 and scale 0 at tick 0, found root 0 and scale 0"},
        {"expect-key 0 12 0\n", "1: '12' is not a number from 0 to 11"},
        {"expect-key 0 0 0 0\n", "1: usage: expect-key TICK ROOT SCALE"},
        {"expect-ghosts 3\n", "1: expected 3 notes of other tracks drawn, found 0"},
        {"dclick t:abc 5\n", "1: 't:abc' has no valid number"},
        {"expect-notes x\n", "1: 'x' is not a number from 0 to ..."},
    };
    for (const Case& c : cases) {
        auto runner = Runner(MakeSong({{0, 0, 480, 60}}));
        const std::string got = Run(*runner, c.script);
        const bool start = c.expected.ends_with("...");
        const std::size_t n = start ? c.expected.size() - 3 : std::string::npos;
        EXPECT_EQ(got.substr(0, n), c.expected.substr(0, n)) << c.script;
    }
}

TEST_F(ScriptTest, AModalWindowTheScriptDidNotAnswerFailsTheLineInsteadOfWaiting) {
    auto runner = Runner(MakeSong({{0, 0, 480, 60}}));
    // Ctrl+O opens the file dialog, which nobody answers.
    EXPECT_EQ(Run(*runner, "key o ctrl\nexpect-notes 1\n"), "1: a menu or dialog opened that the script did not answer");
    EXPECT_NE(runner->Window(), nullptr);
    EXPECT_EQ(runner->Window()->Doc().DisplayName(), "song.mid");
}

TEST_F(ScriptTest, ZoomAndRowsAreExactAndSayWhatClampedThem) {
    auto runner = Runner(MakeSong({{0, 0, 480, 60}, {0, 7680, 480, 60}}));
    ASSERT_EQ(Run(*runner, "zoom 2 960\nrows 10 80\nexpect-view 960 2\nmove t:1000 n:70\n"), "");
    // Exactly 2 ticks per pixel: a tick 20 ticks in lies 10 pixels in, and the rows are 10 pixels.
    EXPECT_EQ(At(*runner, 980, 80).x - At(*runner, 960, 80).x, 10);
    EXPECT_EQ(At(*runner, 980, 79).y - At(*runner, 980, 80).y, 10);
    EXPECT_NE(Run(*runner, "move t:100 n:70\n").find("t:100 is not visible"), std::string::npos);
    EXPECT_NE(Run(*runner, "move t:1000 n:90\n").find("n:90 is not visible"), std::string::npos);

    // The song (with the end the view gives it) is 8160 ticks long.
    EXPECT_EQ(Run(*runner, "zoom 8\n").rfind("1: the song is only 8160 ticks long: the view shows at most ", 0), 0u);
    EXPECT_EQ(Run(*runner, "zoom 1 8000\n").rfind("1: the view cannot start at tick 8000: the song ends at tick 8160", 0), 0u);
    EXPECT_EQ(Run(*runner, "zoom 0\n"), "1: the view shows at least 1 tick per pixel, not 0");
    EXPECT_EQ(Run(*runner, "zoom 0.5\n"), "1: the view shows at least 1 tick per pixel, not 0.5");
    EXPECT_EQ(Run(*runner, "zoom 7,5\n"), "1: '7,5' is not a number of ticks per pixel (e.g. 10, 7.5 or 1920/1062)");
    EXPECT_EQ(Run(*runner, "zoom 7/0\n"), "1: '7/0' is not a number of ticks per pixel (e.g. 10, 7.5 or 1920/1062)");
    // A fractional rate needs a zoom width it divides into whole ticks.
    mp::ScriptViewState state{};
    SendMessage(View(*runner), mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_STATE, reinterpret_cast<LPARAM>(&state));
    const std::string half = Run(*runner, "zoom 1.5\nexpect-view 0 1.5\n");
    if (state.zoomPixels % 2 == 0) EXPECT_EQ(half, "");
    else EXPECT_NE(half.find("do not span a whole number of ticks"), std::string::npos) << half;

    EXPECT_EQ(Run(*runner, "rows 4\n"), "1: rows are at least 5 pixels tall, not 4");
    EXPECT_EQ(Run(*runner, "rows 5000\n").rfind("1: rows are at most ", 0), 0u);
    EXPECT_EQ(Run(*runner, "rows 10 0\n").rfind("1: the top row shows note ", 0), 0u);
    EXPECT_NE(Run(*runner, "rows 10 0\n").find(", not 0: the lowest rows are already in view"), std::string::npos);
}

TEST_F(ScriptTest, EventsAreCheckedByValueAndOnlyOneMayMatch) {
    auto runner = Runner(MakeSong({{0, 0, 480, 60}}));
    ASSERT_EQ(Run(*runner, "expect-notes 1\n"), "");
    runner->Window()->Doc().Project()->WithStore([](host::Store& store) {
        const std::uint32_t block = store.BlocksOf(store.TracksInOrder()[0])[0];
        const std::tuple<std::uint32_t, std::int64_t, std::uint8_t, std::uint8_t> events[] = {
            {mp::MEK_CONTROL, 480, 7, 100}, {mp::MEK_CONTROL, 960, 10, 100}, {mp::MEK_PITCH_BEND, 480, 0x7F, 0x3F},
            {mp::MEK_NOTE, 0, 62, 100}, {mp::MEK_NOTE, 0, 62, 100}};
        for (const auto& [kind, tick, d0, d1] : events) {
            host::EventValue e;
            e.block = block;
            e.time = tick;
            e.kind = kind;
            e.channel = 0;
            e.data[0] = d0;
            e.data[1] = d1;
            e.length = kind == mp::MEK_NOTE ? 480 : 0;
            std::uint32_t id = 0;
            ASSERT_EQ(store.InsertEvent(e, &id), S_OK);
        }
    });
    EXPECT_EQ(Run(*runner, "expect-event cc 7 480 100\nexpect-event pitchbend 480 8191\n"), "");
    EXPECT_EQ(Run(*runner, "expect-event cc 7 960 100\n"), "1: no controller 7 event of value 100 at tick 960; found 100 at 480");
    EXPECT_EQ(Run(*runner, "expect-event pitchbend 480 8192\n"),
              "1: no pitch-bend event of value 8192 at tick 480; found 8191 at 480");
    EXPECT_EQ(Run(*runner, "expect-event cc 1 0 0\n"), "1: no controller 1 event of value 0 at tick 0; found none");
    EXPECT_EQ(Run(*runner, "expect-note 0 62 480 100\n"), "1: 2 notes match 62 at tick 0, not one");
    EXPECT_EQ(Run(*runner, "expect-event note 62 0 100\n"), "1: 2 pitch 62 notes of velocity 100 at tick 0, not one");
    EXPECT_EQ(Run(*runner, "expect-event velocity 62 0 90\n"),
              "1: no pitch 62 note of velocity 90 at tick 0; found 100 at 0, 100 at 0");
    EXPECT_EQ(Run(*runner, "expect-event aftertouch 0 0\n"),
              "1: usage: expect-event cc N TICK VALUE | expect-event pitchbend TICK VALUE | expect-event note N TICK "
              "VELOCITY");
}

} // namespace
