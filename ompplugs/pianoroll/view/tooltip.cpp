// The view's tooltip: a pop-up owned by the view window with one tool over the hit pane; a pane's
// HitTest asks for it with a text, and every hit test moves it, changes its text and switches it on
// or off.
#include "view/tooltip.h"

#include <algorithm>
#include <cstring>

#include "view/track_view.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

// A tip stays up this long while the pointer rests.
constexpr int kTipShownMs = 60000;

TOOLINFO ToolOf(const TrackView* v) {
    TOOLINFO info{};
    info.cbSize = sizeof info;
    info.hwnd = v->hwnd;
    info.uId = 0;
    return info;
}

} // namespace

void CreateTooltip(TrackView* v) {
    ViewTooltip& tip = v->tip;
    tip.window = CreateWindowEx(0, TOOLTIPS_CLASS, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0, v->hwnd, nullptr,
                                nullptr, nullptr);
    if (!tip.window) return;
    TOOLINFO info = ToolOf(v);
    info.lpszText = tip.text;
    SendMessage(tip.window, TTM_ADDTOOL, 0, reinterpret_cast<LPARAM>(&info));
    SendMessage(tip.window, TTM_SETDELAYTIME, TTDT_AUTOPOP, kTipShownMs);
    SendMessage(tip.window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), 0);
    SendMessage(tip.window, TTM_ACTIVATE, FALSE, 0);
}

void SetTipText(TrackView* v, const char* text) {
    ViewTooltip& tip = v->tip;
    if (std::strncmp(tip.text, text, sizeof tip.text) != 0) {
        // Long texts are cut to the buffer.
        const std::size_t n = std::min(std::strlen(text), sizeof tip.text - 1);
        std::memcpy(tip.text, text, n);
        tip.text[n] = 0;
        tip.textChanged = true;
    }
    tip.wanted = true;
}

void ClearTipWanted(TrackView* v) { v->tip.wanted = false; }

void UpdateTooltip(TrackView* v) {
    ViewTooltip& tip = v->tip;
    if (!tip.window) return;
    TOOLINFO info = ToolOf(v);
    info.rect = v->panes[PaneOfHit(v->hitCode)].rect;
    SendMessage(tip.window, TTM_NEWTOOLRECT, 0, reinterpret_cast<LPARAM>(&info));
    if (tip.textChanged) {
        info.lpszText = tip.text;
        SendMessage(tip.window, TTM_UPDATETIPTEXT, 0, reinterpret_cast<LPARAM>(&info));
        tip.textChanged = false;
    }
    if (tip.wanted != tip.active) {
        SendMessage(tip.window, TTM_ACTIVATE, tip.wanted ? TRUE : FALSE, 0);
        tip.active = tip.wanted;
    }
}

void RelayToTooltip(TrackView* v, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (!v->tip.window || !v->tip.active) return;
    MSG relay{};
    relay.hwnd = v->hwnd;
    relay.message = msg;
    relay.wParam = wParam;
    relay.lParam = lParam;
    SendMessage(v->tip.window, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relay));
}

} // namespace pianoroll
