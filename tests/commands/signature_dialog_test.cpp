// The ruler's signature dialogs as a user sees them: each one's two choices stand under one another,
// equally wide, beside their labels.
#include <gtest/gtest.h>

#include <vector>

#include "command_fixture.h"
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

} // namespace
} // namespace commandtest
