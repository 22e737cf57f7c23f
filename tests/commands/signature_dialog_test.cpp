// The ruler's signature dialogs as a user sees them: each one's two choices stand under one another,
// equally wide, beside their labels; a tonic as spelled there becomes the key signature so spelled.
#include <gtest/gtest.h>

#include <vector>

#include "command_fixture.h"
#include "commands/signature_commands.h"
#include "resources/command_ids.h"
#include "view/track_view.h"
#include "win/controls.h"

namespace commandtest {
namespace {

using namespace pianoroll;
using namespace win;

using SignatureDialog = CommandFixture;

TEST_F(SignatureDialog, EachLinesUpItsChoicesWithTheirLabels) {
    Open();
    const RECT& ruler = View()->panes[PANE_RULER].rect;
    for (const int command : {CMD_INSERT_TIME_SIGNATURE, CMD_INSERT_KEY_SIGNATURE}) {
        std::vector<RECT> rects; // in template order: the bar's text, label, choice, label, choice, ...
        AnswerNextDialog([&](HWND dialog) {
            for (HWND item = GetWindow(dialog, GW_CHILD); item; item = GetWindow(item, GW_HWNDNEXT)) {
                RECT r{};
                GetWindowRect(item, &r);
                rects.push_back(r);
            }
            SendMessage(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        RightClickMenu(ruler.left + 40, (ruler.top + ruler.bottom) / 2, command);
        ASSERT_GE(rects.size(), 5u) << command;
        const RECT &firstLabel = rects[1], &first = rects[2], &secondLabel = rects[3], &second = rects[4];
        EXPECT_EQ(first.left, second.left) << command;
        EXPECT_EQ(first.right, second.right) << command;
        EXPECT_EQ(firstLabel.left, secondLabel.left) << command;
        EXPECT_LT(firstLabel.left, first.left) << command;
        EXPECT_GT(second.top, first.top) << command;
    }
}

// A tonic spelled with a flat gets the flats' signature and one with a sharp the sharps'; a tonic no
// signature spells as named takes the one that does, with the fewest accidentals.
TEST(SignatureSpelling, TheTonicsAccidentalChoosesBetweenEnharmonicKeys) {
    struct Case {
        const char* tonic;
        bool minor;
        int sharps;
    } cases[] = {
        {"C", false, 0},   {"F#", false, 6},  {"Gb", false, -6}, {"C#", false, 7},  {"Db", false, -5},
        {"B", false, 5},   {"Cb", false, -7}, {"G#", false, -4}, {"A#", true, 7},   {"Bb", true, -5},
        {"D#", true, 6},   {"Eb", true, -6},  {"D", true, -1},   {"Ab", true, -7},  {"G#", true, 5},
    };
    for (const Case& c : cases) {
        int sharps = 99;
        EXPECT_TRUE(SignatureOfTonic(c.tonic, c.minor, &sharps)) << c.tonic;
        EXPECT_EQ(sharps, c.sharps) << c.tonic << (c.minor ? " minor" : " major");
    }
    int sharps = 0;
    EXPECT_FALSE(SignatureOfTonic("H", false, &sharps));
}

} // namespace
} // namespace commandtest
