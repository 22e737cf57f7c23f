// ToolFixture: the song, the opened editor, input with held modifiers, and the host's notes and undo.
#include "tool_fixture.h"

#include <algorithm>

#include "model/store.h"
#include "mp/page.h"
#include "win/controls.h"

namespace tooltest {

using namespace win;

void ToolFixture::SetUp() {
    ViewFixture::SetUp();
    project->WithStore([](host::Store& store) { store.SetTicksPerQuarter(kPpq); });
    block = AddPianoTrack(kPpq * 64);
}

void ToolFixture::Note(std::int64_t time, std::int64_t length, int pitch) {
    AddNote(block, time, static_cast<std::uint32_t>(length), pitch);
}

void ToolFixture::Open(bool snapping) {
    OpenView(1000, 600);
    pianoroll::TrackView* v = View();
    ASSERT_NE(v, nullptr);
    project->WithStore([](host::Store& store) { store.ClearHistory(); });
    ShowSong(64, static_cast<std::int64_t>(v->geo.zoomPixels) * kTicksPerPixel);
    if (!snapping) Command(pianoroll::CMD_TOGGLE_SNAPPING);
    ASSERT_EQ(Settings()->snapEnabled != 0, snapping);
    SetRows(127 - kTopNote, 11);
    ASSERT_EQ(v->geo.timeOrigin, 0);
    ASSERT_DOUBLE_EQ(v->geo.ticksPerPixel, kTicksPerPixel);
    Wait();
}

std::vector<HostNote> ToolFixture::Notes() {
    Pump();
    std::vector<HostNote> notes;
    ForEachStoredEvent(track, [&](std::uint32_t, std::int64_t base, const host::EventValue& v) {
        if (v.kind == mp::MEK_NOTE) notes.push_back({base + v.time, v.length, v.data[0], (v.flags & mp::MEF_SELECTED) != 0});
    });
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::vector<HostNote> ToolFixture::Selected() {
    std::vector<HostNote> all = Notes();
    std::erase_if(all, [](const HostNote& n) { return !n.selected; });
    return all;
}

void ToolFixture::Hold(unsigned mods) {
    if (mods & MOD_SHIFT) headless::KeyDown(VK_SHIFT);
    if (mods & MOD_CONTROL) headless::KeyDown(VK_CONTROL);
    if (mods & MOD_ALT) headless::KeyDown(VK_MENU);
    Pump();
}

void ToolFixture::Let(unsigned mods) {
    if (mods & MOD_ALT) headless::KeyUp(VK_MENU);
    if (mods & MOD_CONTROL) headless::KeyUp(VK_CONTROL);
    if (mods & MOD_SHIFT) headless::KeyUp(VK_SHIFT);
    Pump();
}

void ToolFixture::Down(int x, int y, int button, unsigned mods) {
    Move(x, y);
    Hold(mods);
    headless::MouseDown(button);
    Pump();
}

void ToolFixture::Up(int x, int y, int button, unsigned mods) {
    Move(x, y);
    // A right release may open the grid's context menu: it is dismissed, as Escape would.
    if (button == backend::BUTTON_RIGHT) AnswerNextPopupMenu(0u);
    headless::MouseUp(button);
    Pump();
    ClearPopupMenuAnswer();
    Let(mods);
}

void ToolFixture::Drag(int x0, int y0, int x1, int y1, unsigned mods, int steps, int button) {
    Down(x0, y0, button, mods);
    for (int i = 1; i <= steps; ++i) Move(x0 + (x1 - x0) * i / steps, y0 + (y1 - y0) * i / steps);
    Up(x1, y1, button, mods);
    Wait();
}

void ToolFixture::Click(int x, int y, unsigned mods, int button) {
    Down(x, y, button, mods);
    Up(x, y, button, mods);
    Wait();
}

void ToolFixture::Wait() {
    headless::AdvanceClock(2000);
    Pump();
}

void ToolFixture::Command(int id) {
    SendMessage(ViewWindow(), WM_COMMAND, static_cast<WPARAM>(id), 0);
    Pump();
}

int ToolFixture::CurrentTool() { return View()->tools ? View()->tools->current : -1; }

pianoroll::Drag ToolFixture::DragState() { return View()->drag; }

int ToolFixture::HitAt(int x, int y) {
    pianoroll::TrackView* v = View();
    pianoroll::Pane& grid = v->panes[pianoroll::PANE_GRID];
    return grid.paneClass->HitTest(v, &grid, x, y);
}

} // namespace tooltest
