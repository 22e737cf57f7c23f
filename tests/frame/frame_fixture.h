// FrameFixture: an opened editor with its toolbar at hand: button states, clicks on buttons and on
// their drop-down arrows, the tooltip shown, and the host's track record.
#pragma once

#include <functional>
#include <string>

#include "view_fixture.h"
#include "win/controls.h"

namespace harness {

class FrameFixture : public ViewFixture {
  public:
    // The text of a combo box's item, and of a window.
    static std::string ItemText(win::HWND combo, int item);
    static std::string WindowTextOf(win::HWND window);

  protected:

    // A piano track with a few notes, opened in a 1200 x 700 editor.
    void OpenSong();
    win::HWND Toolbar() const;
    win::HWND Chooser() const;
    // TBSTATE bits of a button, -1 when the toolbar has none.
    int ButtonState(int command) const;
    bool Enabled(int command) const { return (ButtonState(command) & win::TBSTATE_ENABLED) != 0; }
    bool Checked(int command) const { return (ButtonState(command) & win::TBSTATE_CHECKED) != 0; }
    // A button's rectangle in toolbar coordinates.
    win::RECT ButtonRect(int command) const;
    // Clicks the middle of a button, or the drop-down arrow at its right, as the user does.
    void ClickButton(int command);
    void ClickArrow(int command);
    // Answers the next pop-up menu: `look` sees it as shown, and the command returned is chosen (0: none).
    void AnswerMenu(std::function<win::UINT(win::HMENU)> look);
    // The text of the tooltip shown, "" when none is.
    std::string ShownTooltip() const;
    // The command of the entry of a menu (searched in its sub-menus) that shows the check mark; 0 when
    // none does, -1 when more than one does.
    static int MarkedEntry(win::HMENU menu);
    // The undo name of the host's last edit, as UTF-8.
    std::uint32_t TrackAttributes(std::uint32_t trackId);
    // The state bits the editor answers a host's menus for a command.
    win::LRESULT CommandState(int command) const;

    std::uint32_t block = 0;
};

} // namespace harness
