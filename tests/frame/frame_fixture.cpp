// FrameFixture: the toolbar of an opened editor, as the user reaches it.
#include "frame_fixture.h"

#include <cstring>

#include "frame/editor_dialog.h"
#include "mp/editor_commands.h"
#include "win/backend.h"

namespace harness {

using namespace win;

void FrameFixture::OpenSong() {
    block = AddPianoTrack(16 * kQuarter);
    AddNote(block, 0, kQuarter, 60);
    AddNote(block, kQuarter, kQuarter, 62);
    AddNote(block, 2 * kQuarter, kQuarter, 64);
    OpenView(1200, 700);
}

HWND FrameFixture::Toolbar() const {
    return GetDlgItem(EditorWindow(), pianoroll::kToolbarPlaceholderId);
}
HWND FrameFixture::Chooser() const {
    return GetDlgItem(EditorWindow(), pianoroll::kTrackChooserId);
}

int FrameFixture::ButtonState(int command) const {
    return static_cast<int>(SendMessage(Toolbar(), TB_GETSTATE, static_cast<WPARAM>(command), 0));
}

RECT FrameFixture::ButtonRect(int command) const {
    RECT r{};
    SendMessage(Toolbar(), TB_GETRECT, static_cast<WPARAM>(command), reinterpret_cast<LPARAM>(&r));
    return r;
}

void FrameFixture::ClickButton(int command) {
    const RECT r = ButtonRect(command);
    headless::Click(Toolbar(), (r.left + r.right) / 2, (r.top + r.bottom) / 2);
    Pump();
}

void FrameFixture::ClickArrow(int command) {
    const RECT r = ButtonRect(command);
    headless::Click(Toolbar(), r.right - 3, (r.top + r.bottom) / 2);
    Pump();
}

void FrameFixture::AnswerMenu(std::function<UINT(HMENU)> look) {
    AnswerNextPopupMenu([look = std::move(look)](HMENU menu, HWND) { return look(menu); });
}

std::string FrameFixture::ShownTooltip() const {
    HWND tips = reinterpret_cast<HWND>(SendMessage(Toolbar(), TB_GETTOOLTIPS, 0, 0));
    if (!tips || !IsWindowVisible(tips)) return {};
    char text[256] = {};
    GetWindowText(tips, text, sizeof text);
    return text;
}

int FrameFixture::MarkedEntry(HMENU menu) {
    int found = 0;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        int here = 0;
        if (HMENU sub = GetSubMenu(menu, i))
            here = MarkedEntry(sub);
        else if (GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION) & MF_CHECKED)
            here = static_cast<int>(GetMenuItemID(menu, i));
        if (here == -1 || (here && found)) return -1;
        if (here) found = here;
    }
    return found;
}

std::string FrameFixture::ItemText(HWND combo, int item) {
    char text[300] = {};
    SendMessage(combo, CB_GETLBTEXT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(text));
    return text;
}

std::string FrameFixture::WindowTextOf(HWND window) {
    char text[300] = {};
    GetWindowText(window, text, sizeof text);
    return text;
}

std::uint32_t FrameFixture::TrackAttributes(std::uint32_t trackId) {
    return project->WithStore([&](host::Store& store) { return store.Track(trackId)->attributes; });
}

LRESULT FrameFixture::CommandState(int command) const {
    return SendMessage(EditorWindow(), mp::PRM_COMMAND_STATE, static_cast<WPARAM>(command), 0);
}

} // namespace harness
