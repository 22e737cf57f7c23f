// The transport strip's pane class: its button records, layout, hit test and tooltips, the mouse on its
// buttons, and the status field's text.
#include "frame/transport_bar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "lanes/lane_area.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "view/track_view.h"
#include "vor/time_text.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

// Pixel sizes around the strip's parts.
constexpr int kBarPadding = 16;     // the strip is the label line plus this
constexpr int kFieldPadding = 4;    // the status field is the label line plus this
constexpr int kFieldTextSlack = 6;  // added to the widest time text
constexpr int kFieldMinChars = 10;  // the status field is at least this many average characters
constexpr int kButtonPadding = 8;   // a button is its image plus this
constexpr int kButtonFrame = 6;     // a button is its image plus this high
constexpr int kSeparatorWidth = 8;
constexpr int kImageSize = 16;      // the toolbar strip's images
// The status field's time text: measures, beats and 32-tick steps, counted from 0.
constexpr int kTimeTextBase = 0;
constexpr int kTimeTextDivisor = 32;
constexpr int kStatusNameLimit = 40;
// The notification code a transport button's command carries.
constexpr WORD kButtonNotification = 3;

struct ButtonEntry {
    int command;
    int image;
    std::uint32_t style;
    const char* tooltip;
};

constexpr ButtonEntry kButtons[] = {
    {CMD_LOOP_PLAYBACK, 9, TBY_CHECK, "Loop Playback (Q)"},
    {0, -1, TBY_SEPARATOR, nullptr},
    {CMD_PLAY_FROM_START, 10, 0, "Play from Start (Shift+Space)"},
    {CMD_PLAY, 11, 0, "Play (Space)"},
    {CMD_PAUSE, 12, 0, "Pause (Enter)"},
    {CMD_STOP, 13, 0, "Stop (Space)"},
    {0, -1, TBY_SEPARATOR, nullptr},
    {CMD_GO_TO_START, 14, 0, "Go to Start (Ctrl+Home)"},
    {CMD_GO_TO_END, 15, 0, "Go to End (Ctrl+End)"},
};
static_assert(std::size(kButtons) <= kTransportButtonCapacity);

bool NeedsHostTransport(int command) { return command >= CMD_PLAY_FROM_START && command <= CMD_STOP; }

// Average character width and line height of the label font.
SIZE LabelCell(TrackView* v) {
    SIZE cell{6, std::max(VorUI_GetFontHeight(VOR_FONT_LABEL), 1)};
    HDC dc = GetDC(v->hwnd);
    if (!dc) return cell;
    HGDIOBJ old = SelectObject(dc, VorUI_GetFont(VOR_FONT_LABEL));
    TEXTMETRIC tm{};
    if (GetTextMetrics(dc, &tm)) cell = SIZE{std::max<int>(tm.tmAveCharWidth, 1), std::max<int>(tm.tmHeight, 1)};
    SelectObject(dc, old);
    ReleaseDC(v->hwnd, dc);
    return cell;
}

// Width of the time text of twice the track's length: room for the positions the track grows into.
int TimeTextWidth(TrackView* v) {
    if (!v->access || !v->settings) return 0;
    char text[VOR_TIME_TEXT_CAPACITY] = {};
    const std::int64_t length = std::max<std::int64_t>(v->access->TrackEnd(), 0);
    ViewTicksToText(v, text, 2 * length, kTimeTextBase, 0, kTimeTextDivisor);
    text[VOR_TIME_TEXT_CAPACITY - 1] = 0;
    HDC dc = GetDC(v->hwnd);
    if (!dc) return 0;
    HGDIOBJ old = SelectObject(dc, VorUI_GetFont(VOR_FONT_LABEL));
    SIZE extent{};
    GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &extent);
    SelectObject(dc, old);
    ReleaseDC(v->hwnd, dc);
    return extent.cx;
}

int ButtonWidth(const TransportButton& b) { return (b.style & TBY_SEPARATOR) ? kSeparatorWidth : kImageSize + kButtonPadding; }

void LayoutBar(TrackView* v, const RECT& rect) {
    TransportBarState& bar = v->transportBar;
    const SIZE cell = LabelCell(v);
    const int halfChar = static_cast<int>(cell.cx / 2);
    const int barHeight = rect.bottom - rect.top;
    bar.bar = rect;
    bar.leftField = RECT{};
    bar.laidOutLength = v->access ? v->access->TrackEnd() : 0;
    const int left = rect.left + halfChar, right = rect.right - halfChar;

    int buttonsEnd = left;
    for (int i = 0; i < bar.buttonCount; ++i)
        if (!(bar.buttons[i].state & TBS_HIDDEN)) buttonsEnd += ButtonWidth(bar.buttons[i]);
    // The field goes before any button does: it needs the room the buttons leave.
    const int fieldWidth = std::max<int>(kFieldMinChars * cell.cx, TimeTextWidth(v)) + kFieldTextSlack;
    const int fieldHeight = cell.cy + kFieldPadding;
    bar.statusField = RECT{};
    if (right - left >= fieldWidth && right - buttonsEnd >= fieldWidth) {
        const int bottom = rect.bottom - (barHeight - fieldHeight) / 2;
        bar.statusField = RECT{right - fieldWidth, bottom - fieldHeight, right, bottom};
    }
    const int limit = IsRectEmpty(&bar.statusField) ? right : static_cast<int>(bar.statusField.left);

    const int top = rect.top + (barHeight - kImageSize - kButtonFrame) / 2;
    const int height = kImageSize + kButtonFrame;
    int x = left;
    bool fits = true;
    for (int i = 0; i < bar.buttonCount; ++i) {
        TransportButton& b = bar.buttons[i];
        const int width = ButtonWidth(b);
        fits = fits && x + width <= limit;
        if (!fits || (b.state & TBS_HIDDEN)) {
            b.rect = RECT{x, top, x, top + height};
            continue;
        }
        b.rect = RECT{x, top, x + width, top + height};
        x += width;
    }
}

int TransportInit(TrackView* v, Pane*, int flag) {
    if (flag != PANE_INIT_CREATED) return 1;
    TransportBarState& bar = v->transportBar;
    bar = TransportBarState{};
    for (const ButtonEntry& entry : kButtons) {
        TransportButton& b = bar.buttons[bar.buttonCount++];
        b.command = entry.command;
        b.image = entry.image;
        b.style = entry.style;
        b.tooltip = entry.tooltip;
        b.state = (entry.style & TBY_SEPARATOR) ? 0u : TBS_ENABLED;
    }
    return 1;
}

void TransportLayout(TrackView* v, Pane* pane, RECT* remaining) {
    const int available = std::max<int>(remaining->bottom - remaining->top, 0);
    // The same line height as the status field's, so the bar stays 12 pixels taller than the field.
    const int height = std::min(static_cast<int>(LabelCell(v).cy) + kBarPadding, available);
    pane->rect = RECT{remaining->left, remaining->bottom - height, remaining->right, remaining->bottom};
    pane->width = std::max<int>(remaining->right - remaining->left, 0);
    pane->height = height;
    remaining->bottom -= height;
    RECT rect = pane->rect;
    rect.right = rect.left + pane->width;
    LayoutBar(v, rect);
}

int ButtonAt(const TransportBarState& bar, int x, int y) {
    const POINT pt{x, y};
    for (int i = 0; i < bar.buttonCount; ++i) {
        const TransportButton& b = bar.buttons[i];
        if (!(b.style & TBY_SEPARATOR) && PtInRect(&b.rect, pt)) return i;
    }
    return -1;
}

int TransportHitTest(TrackView* v, Pane*, int x, int y) {
    const TransportBarState& bar = v->transportBar;
    const POINT pt{x, y};
    if (PtInRect(&bar.statusField, pt)) {
        SetTipText(v, "Note");
        return TRANSPORT_HIT_STATUS;
    }
    const int i = ButtonAt(bar, x, y);
    if (i < 0) return TRANSPORT_HIT_NONE;
    SetTipText(v, bar.buttons[i].tooltip);
    return TRANSPORT_HIT_BUTTON + i;
}

void RepaintBar(TrackView* v) { InvalidateView(v, INV_NO_GRID | INV_TRANSPORT); }

// The hot look ends when the pointer leaves the view or moves to another pane.
void HotButtonChanged(TrackView* v, HDC, const RECT*, int state) {
    if (state) return;
    if (v->transportBar.pressed < 0) v->transportBar.hot = -1;
    RepaintBar(v);
}

void SetHot(TrackView* v, int index) {
    TransportBarState& bar = v->transportBar;
    if (bar.hot == index) return;
    // The previous button's watch ends first, so that its end does not clear the new hot button.
    if (bar.pressed < 0) EndHotTracking(v);
    bar.hot = index;
    RepaintBar(v);
    if (index < 0 || bar.pressed >= 0) return;
    HotButton hot;
    hot.rect = bar.buttons[index].rect;
    hot.hitCode = PaneIdOf(PANE_TRANSPORT) + TRANSPORT_HIT_BUTTON + static_cast<std::uint32_t>(index);
    hot.Draw = HotButtonChanged;
    BeginHotTracking(v, hot);
}

void EndPress(TrackView* v) {
    TransportBarState& bar = v->transportBar;
    bar.pressed = -1;
    if (v->drag == Drag::TransportButton) SetDrag(v, Drag::None);
    if (GetCapture() == v->hwnd) ReleaseCapture();
}

LRESULT TransportMouse(TrackView* v, Pane*, UINT msg, WPARAM, LPARAM lParam) {
    TransportBarState& bar = v->transportBar;
    const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        const int i = ButtonAt(bar, x, y);
        if (i < 0 || !TransportButtonUsable(v, i) || v->drag != Drag::None) return 0;
        EndHotTracking(v);
        bar.pressed = i;
        bar.hot = i;
        SetDrag(v, Drag::TransportButton);
        SetCapture(v->hwnd);
        RepaintBar(v);
        return 0;
    }
    case WM_MOUSEMOVE:
        if (bar.pressed >= 0) SetHot(v, ButtonAt(bar, x, y) == bar.pressed ? bar.pressed : -1);
        else SetHot(v, ButtonAt(bar, x, y));
        return 0;
    case WM_LBUTTONUP: {
        if (bar.pressed < 0) return 0;
        const int pressed = bar.pressed;
        const bool over = ButtonAt(bar, x, y) == pressed;
        EndPress(v);
        bar.hot = -1;
        SetHot(v, over ? pressed : -1);
        RepaintBar(v);
        // A release off the pressed button sends nothing.
        if (over && TransportButtonUsable(v, pressed))
            if (HWND frame = GetParent(v->hwnd))
                SendMessage(frame, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(bar.buttons[pressed].command), kButtonNotification),
                            reinterpret_cast<LPARAM>(v->hwnd));
        return 0;
    }
    case WM_RBUTTONUP:
        if (bar.pressed < 0) ShowLoopMenu(v, x, y, false);
        return 0;
    case WM_CONTEXTMENU:
        return 0; // the right button's release opens the menu
    case WM_CAPTURECHANGED:
        if (bar.pressed >= 0 && GetCapture() != v->hwnd) {
            bar.pressed = bar.hot = -1;
            if (v->drag == Drag::TransportButton) SetDrag(v, Drag::None);
            RepaintBar(v);
        }
        return 0;
    case WM_CANCELMODE:
        EndPress(v);
        bar.hot = -1;
        RepaintBar(v);
        return 0;
    default: return 0;
    }
}

int TransportCursor(TrackView*, Pane*, std::uint32_t) { return VOR_CURSOR_ARROW; }

PaneClass gTransportClass{
    .Init = TransportInit,
    .Layout = TransportLayout,
    .HitTest = TransportHitTest,
    .OnMouse = TransportMouse,
    .Paint = PaintTransportBar,
    .GetCursor = TransportCursor,
};

} // namespace

PaneClass* TransportBarPaneClass() { return RegisterPaneClass(&gTransportClass); }

void RelayoutTransportBar(TrackView* v) {
    const Pane& pane = v->panes[PANE_TRANSPORT];
    if (pane.height > 0) LayoutBar(v, pane.rect);
}

void BringTransportBarUpToDate(TrackView* v) {
    TransportBarState& bar = v->transportBar;
    if (v->access && v->access->TrackEnd() != bar.laidOutLength) {
        // The track grew or shrank since the layout: the status field is sized for its length.
        RelayoutTransportBar(v);
        InvalidateView(v, INV_NO_GRID | INV_TRANSPORT);
    }
    // The loop button shows the host's looping, whoever changed it.
    const int loop = TransportButtonOf(bar, CMD_LOOP_PLAYBACK);
    if (loop >= 0) {
        if (v->access && v->access->IsLooping()) bar.buttons[loop].state |= TBS_CHECKED;
        else bar.buttons[loop].state &= ~TBS_CHECKED;
    }
}

int TransportButtonOf(const TransportBarState& bar, int command) {
    for (int i = 0; i < bar.buttonCount; ++i)
        if (bar.buttons[i].command == command && !(bar.buttons[i].style & TBY_SEPARATOR)) return i;
    return -1;
}

bool TransportButtonUsable(TrackView* v, int index) {
    const TransportBarState& bar = v->transportBar;
    if (index < 0 || index >= bar.buttonCount) return false;
    const TransportButton& b = bar.buttons[index];
    if ((b.style & TBY_SEPARATOR) || !(b.state & TBS_ENABLED) || (b.state & TBS_HIDDEN)) return false;
    return !NeedsHostTransport(b.command) || (v->access && v->access->TransportAvailable());
}

void StatusFieldText(TrackView* v, char* buffer, int capacity, bool* rightAligned) {
    *rightAligned = false;
    if (capacity <= 0) return;
    buffer[0] = 0;
    mp::PitchRow row{};
    if (v->hoverRow >= 0 && v->access && v->access->GetPitchRow(v->hoverRow, &row) == S_OK) {
        std::snprintf(buffer, static_cast<std::size_t>(std::min(capacity, kStatusNameLimit + 1)), "%s", row.name);
        return;
    }
    const std::string readout = LaneReadoutText(v);
    if (readout.empty()) return;
    std::snprintf(buffer, static_cast<std::size_t>(capacity), "%s", readout.c_str());
    *rightAligned = true;
}

} // namespace pianoroll
