// The frame's toolbar: its 19 entries, made in place of control 1001, its tooltips, and the refresh of
// its buttons' states.
#include "frame/editor_frame.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "frame/editor_dialog.h"
#include "resources/module_identity.h"
#include "mp/editor_commands.h"
#include "mp/module_strings.h"
#include "mp/string_ids.h"
#include "resources/command_ids.h"

namespace pianoroll {

using namespace win;

namespace {

struct ButtonEntry {
    int command; // 0 for a separator
    int image;
    BYTE style;
};

constexpr BYTE kPush = BTNS_BUTTON | BTNS_AUTOSIZE;
constexpr BYTE kCheck = BTNS_CHECK | BTNS_AUTOSIZE;
constexpr BYTE kCheckDropDown = BTNS_CHECK | BTNS_DROPDOWN | BTNS_AUTOSIZE;
constexpr BYTE kTool = BTNS_CHECKGROUP | BTNS_AUTOSIZE;
constexpr BYTE kToolDropDown = BTNS_CHECKGROUP | BTNS_DROPDOWN | BTNS_AUTOSIZE;
constexpr BYTE kMenuButton = BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN | BTNS_AUTOSIZE;
constexpr ButtonEntry kSeparator{0, 0, BTNS_SEP};

// Images by their place in the strip.
enum StripImage : int {
    IMG_CUT = 0,
    IMG_COPY = 1,
    IMG_PASTE = 2,
    IMG_SNAP = 3,
    IMG_DRAW = 4,
    IMG_SELECT = 5,
    IMG_ZOOM = 6,
    IMG_SOLO = 7,
    IMG_MONITOR = 8,
    IMG_SCALE_SNAP = 16,
    IMG_PAINT = 17,
    IMG_ERASE = 18,
    IMG_QUANTIZE = 19,
    IMG_HELP = 21,
    IMG_OTHER_TRACKS = 24,
};

constexpr ButtonEntry kButtons[] = {
    {CMD_CUT, IMG_CUT, kPush},
    {CMD_COPY, IMG_COPY, kPush},
    {CMD_PASTE, IMG_PASTE, kPush},
    kSeparator,
    {CMD_TOGGLE_SNAPPING, IMG_SNAP, kCheckDropDown},
    {CMD_TOGGLE_SCALE_SNAPPING, IMG_SCALE_SNAP, kCheckDropDown},
    kSeparator,
    {CMD_TOOL_FIRST + 0, IMG_DRAW, kTool},
    {CMD_TOOL_FIRST + 1, IMG_SELECT, kTool},
    {CMD_TOOL_FIRST + 3, IMG_PAINT, kToolDropDown},
    {CMD_TOOL_FIRST + 4, IMG_ERASE, kTool},
    {CMD_TOOL_FIRST + 2, IMG_ZOOM, kTool},
    kSeparator,
    {CMD_QUANTIZE, IMG_QUANTIZE, kPush},
    kSeparator,
    {CMD_SOLO, IMG_SOLO, kCheck},
    {CMD_TOGGLE_MONITOR, IMG_MONITOR, kCheck},
    kSeparator,
    {CMD_HELP, IMG_HELP, kPush},
    kSeparator,
    {CMD_GHOSTS_ALL, IMG_OTHER_TRACKS, kMenuButton},
};

struct Tooltip {
    int command;
    std::uint32_t text;
};

// Commands 4000-4043 with a tooltip; the Help button has none.
constexpr Tooltip kTooltips[] = {
    {CMD_CUT, mp::IDS_TIP_CUT},
    {CMD_COPY, mp::IDS_TIP_COPY},
    {CMD_PASTE, mp::IDS_TIP_PASTE},
    {CMD_QUANTIZE, mp::IDS_TIP_QUANTIZE},
    {CMD_TOOL_FIRST + 0, mp::IDS_TIP_DRAW_TOOL},
    {CMD_TOOL_FIRST + 1, mp::IDS_TIP_SELECT_TOOL},
    {CMD_TOOL_FIRST + 2, mp::IDS_TIP_ZOOM_TOOL},
    {CMD_TOOL_FIRST + 3, mp::IDS_TIP_PAINT_TOOL},
    {CMD_TOOL_FIRST + 4, mp::IDS_TIP_ERASE_TOOL},
    {CMD_PLAY_FROM_START, mp::IDS_TIP_PLAY_FROM_START},
    {CMD_PLAY, mp::IDS_TIP_PLAY},
    {CMD_PAUSE, mp::IDS_TIP_PAUSE},
    {CMD_STOP, mp::IDS_TIP_STOP},
    {CMD_GO_TO_START, mp::IDS_TIP_GO_TO_START},
    {CMD_GO_TO_END, mp::IDS_TIP_GO_TO_END},
    {CMD_SOLO, mp::IDS_TIP_SOLO},
    {CMD_LOOP_PLAYBACK, mp::IDS_TIP_LOOP},
    {CMD_PREFERENCES, mp::IDS_TIP_PREFERENCES},
    {CMD_TOGGLE_SNAPPING, mp::IDS_TIP_SNAP},
    {CMD_TOGGLE_MONITOR, mp::IDS_TIP_MONITOR},
    {CMD_TOGGLE_SCALE_SNAPPING, mp::IDS_TIP_SCALE_SNAP},
    {CMD_GHOSTS_ALL, mp::IDS_TIP_OTHER_TRACKS},
};

// The tip's buffer holds 79 bytes and the terminator; a cut never splits a UTF-8 sequence.
void CopyTip(const char* text, NMTTDISPINFO* info) {
    constexpr std::size_t kMax = sizeof info->szText - 1;
    std::size_t n = std::strlen(text);
    if (n > kMax) {
        n = kMax;
        while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
            --n;
    }
    std::memcpy(info->szText, text, n);
    info->szText[n] = 0;
    info->lpszText = info->szText;
}

RECT ChildRectIn(HWND dialog, HWND child) {
    RECT r{0, 0, 0, 0};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

} // namespace

const char* ToolbarTooltip(int command) {
    for (const Tooltip& tip : kTooltips)
        if (tip.command == command) return mp::ModuleString(tip.text);
    return nullptr;
}

std::vector<int> ToolbarCommands() {
    std::vector<int> commands;
    for (const ButtonEntry& entry : kButtons)
        if (entry.command) commands.push_back(entry.command);
    return commands;
}

HWND CreateFrameToolbar(HWND dialog, FrameState& frame) {
    HWND placeholder = GetDlgItem(dialog, kToolbarPlaceholderId);
    if (!placeholder) return nullptr;
    const RECT place = ChildRectIn(dialog, placeholder);
    HWND toolbar = CreateWindowEx(0, TOOLBARCLASSNAME, "",
                                  WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_NODIVIDER |
                                      CCS_NORESIZE | CCS_NOPARENTALIGN,
                                  place.left, place.top, place.right - place.left, place.bottom - place.top,
                                  dialog, nullptr, ModuleInstance(), nullptr);
    if (!toolbar) return nullptr;
    SendMessage(toolbar, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
    SendMessage(toolbar, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    // Without its pictures the toolbar still works; its buttons are then empty.
    if (frame.images.normal) {
        SendMessage(toolbar, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(frame.images.normal.get()));
        SendMessage(toolbar, TB_SETHOTIMAGELIST, 0, reinterpret_cast<LPARAM>(frame.images.hot.get()));
        SendMessage(toolbar, TB_SETDISABLEDIMAGELIST, 0,
                    reinterpret_cast<LPARAM>(frame.images.disabled.get()));
    }
    TBBUTTON buttons[std::size(kButtons)] = {};
    for (std::size_t i = 0; i < std::size(kButtons); ++i) {
        buttons[i].iBitmap = kButtons[i].command ? kButtons[i].image : 0;
        buttons[i].idCommand = kButtons[i].command;
        buttons[i].fsState = kButtons[i].command ? TBSTATE_ENABLED : 0;
        buttons[i].fsStyle = kButtons[i].style;
        buttons[i].iString = -1;
    }
    SendMessage(toolbar, TB_ADDBUTTONS, std::size(buttons), reinterpret_cast<LPARAM>(buttons));
    SIZE size{};
    SendMessage(toolbar, TB_GETMAXSIZE, 0, reinterpret_cast<LPARAM>(&size));
    // The toolbar takes the placeholder's rectangle (wide enough for every button) and its place in the
    // tab order, then its id.
    const int width = std::max<int>(place.right - place.left, size.cx);
    const int height = std::max<int>(place.bottom - place.top, size.cy);
    SetWindowPos(toolbar, placeholder, place.left, place.top, width, height, SWP_NOACTIVATE);
    DestroyWindow(placeholder);
    SetWindowLongPtr(toolbar, GWLP_ID, kToolbarPlaceholderId);
    if (HWND tips = reinterpret_cast<HWND>(SendMessage(toolbar, TB_GETTOOLTIPS, 0, 0)))
        SendMessage(tips, TTM_SETMAXTIPWIDTH, 0, 600);
    return toolbar;
}

void RefreshToolbar(HWND dialog, const FrameState& frame) {
    if (!frame.toolbar) return;
    for (const ButtonEntry& entry : kButtons) {
        if (!entry.command) continue;
        const LRESULT before = SendMessage(frame.toolbar, TB_GETSTATE, static_cast<WPARAM>(entry.command), 0);
        if (before < 0) continue;
        // The Show Other Tracks button opens its menu; it shows whether any other track is drawn.
        const LRESULT state =
            entry.command == CMD_GHOSTS_ALL ? GhostButtonState(frame) : CommandState(dialog, frame, entry.command);
        BYTE bits = static_cast<BYTE>(before) & static_cast<BYTE>(~(TBSTATE_ENABLED | TBSTATE_CHECKED));
        if (state & mp::ECS_ENABLED) bits |= TBSTATE_ENABLED;
        if (state & mp::ECS_CHECKED) bits |= TBSTATE_CHECKED;
        if (bits != static_cast<BYTE>(before))
            SendMessage(frame.toolbar, TB_SETSTATE, static_cast<WPARAM>(entry.command), MAKELONG(bits, 0));
    }
}

LRESULT ToolbarNotify(HWND dialog, FrameState& frame, const NMHDR* header) {
    if (!header || !frame.toolbar) return 0;
    const HWND tips = reinterpret_cast<HWND>(SendMessage(frame.toolbar, TB_GETTOOLTIPS, 0, 0));
    if (header->code == TTN_GETDISPINFO && header->hwndFrom == tips) {
        auto* info = reinterpret_cast<NMTTDISPINFO*>(const_cast<NMHDR*>(header));
        const char* tip = ToolbarTooltip(static_cast<int>(header->idFrom));
        CopyTip(tip ? tip : "", info);
        return 0;
    }
    if (header->code == TBN_DROPDOWN && header->hwndFrom == frame.toolbar) {
        const auto* drop = reinterpret_cast<const NMTOOLBAR*>(header);
        ShowDropDown(dialog, frame, drop->iItem, drop->rcButton);
        return TBDDRET_DEFAULT;
    }
    return 0;
}

} // namespace pianoroll
