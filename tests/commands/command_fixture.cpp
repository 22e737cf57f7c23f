// CommandFixture: events read back from the host, a second track, menus and the velocity entry driven
// as a person would.
#include "command_fixture.h"

#include <algorithm>
#include <tuple>

#include "model/store.h"
#include "win/backend.h"
#include "win/com.h"
#include "win/controls.h"

namespace commandtest {

using namespace win;

namespace {

void EmptyTheClipboard() {
    if (!OpenClipboard(nullptr)) return;
    EmptyClipboard();
    CloseClipboard();
}

void Collect(HMENU menu, ShownMenu* shown) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        if (HMENU sub = GetSubMenu(menu, i)) {
            Collect(sub, shown);
            continue;
        }
        const int id = static_cast<int>(GetMenuItemID(menu, i));
        if (id == 0 || id == -1) continue;
        shown->commands.push_back(id);
        const UINT state = GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION);
        if (state & MF_GRAYED) shown->greyed.push_back(id);
        if (state & MF_CHECKED) shown->checked.push_back(id);
    }
}

// Answers the next pop-up menu with `command` after noting what it shows.
void AnswerMenu(ShownMenu* shown, int command) {
    AnswerNextPopupMenu([shown, command](HMENU menu, HWND) {
        Collect(menu, shown);
        return static_cast<UINT>(command);
    });
}

struct Typist {
    std::vector<std::function<void()>>* steps;
    std::size_t next;
    int* extra;
    static void Hook(void* context) {
        auto* t = static_cast<Typist*>(context);
        if (t->next < t->steps->size()) {
            (*t->steps)[t->next++]();
            return;
        }
        ++*t->extra;
        headless::PressKey(VK_ESCAPE);
    }
};

} // namespace

bool ShownMenu::Has(int command) const { return std::count(commands.begin(), commands.end(), command) > 0; }
bool ShownMenu::Greyed(int command) const { return std::count(greyed.begin(), greyed.end(), command) > 0; }
bool ShownMenu::Checked(int command) const { return std::count(checked.begin(), checked.end(), command) > 0; }

void CommandFixture::SetUp() {
    ToolFixture::SetUp();
    EmptyTheClipboard();
}

void CommandFixture::TearDown() {
    ClearPopupMenuAnswer();
    ClearDialogAnswer();
    headless::SetIdleHook(nullptr, nullptr);
    EmptyTheClipboard();
    ToolFixture::TearDown();
}

void CommandFixture::Controller(std::int64_t time, int controller, int value, bool selected) {
    AddEvent(block, time, mp::MEK_CONTROL, 0, controller, value, 0, selected);
}

std::vector<Event> CommandFixture::Events(std::uint32_t trackId) {
    Pump();
    if (trackId == 0) trackId = track;
    std::vector<Event> events;
    ForEachStoredEvent(trackId, [&](std::uint32_t, std::int64_t base, const host::EventValue& v) {
        events.push_back(
            {base + v.time, v.length, v.kind, v.data[0], v.data[1], v.channel, (v.flags & mp::MEF_SELECTED) != 0});
    });
    std::sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        return std::tie(a.time, a.kind, a.data1) < std::tie(b.time, b.kind, b.data1);
    });
    return events;
}

std::vector<Event> CommandFixture::NotesOf(std::uint32_t trackId) {
    std::vector<Event> events = Events(trackId);
    std::erase_if(events, [](const Event& e) { return e.kind != mp::MEK_NOTE; });
    return events;
}

void CommandFixture::FrameCommand(int id) {
    SendMessage(EditorWindow(), WM_COMMAND, static_cast<WPARAM>(id), 0);
    Pump();
}

ShownMenu CommandFixture::RightClickMenu(int x, int y, int command) {
    ShownMenu shown;
    Down(x, y, backend::BUTTON_RIGHT);
    AnswerMenu(&shown, command);
    headless::MouseUp(backend::BUTTON_RIGHT);
    Pump();
    Wait();
    return shown;
}

ShownMenu CommandFixture::KeyboardMenu(int command) {
    ShownMenu shown;
    AnswerMenu(&shown, command);
    Key(VK_APPS);
    return shown;
}

void CommandFixture::DoubleClickThen(int x, int y, std::vector<std::function<void()>> steps) {
    Typist typist{&steps, 0, &extraWaits};
    headless::SetIdleHook(&Typist::Hook, &typist);
    headless::DoubleClick(ViewWindow(), x, y);
    Pump();
    headless::SetIdleHook(nullptr, nullptr);
    Wait();
}

std::function<void()> TypeText(const char* text) {
    return [text] { headless::TypeText(text); };
}

std::function<void()> PressKey(int vk) {
    return [vk] { headless::PressKey(vk); };
}

} // namespace commandtest
