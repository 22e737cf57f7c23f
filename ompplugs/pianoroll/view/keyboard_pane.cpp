// The keyboard column: keys lined up with the rows, C labels, the middle-C marker, the position
// display, the column splitter, and sounding a key while it is held.
#include <algorithm>
#include <cstring>

#include "mp/settings.h"
#include "mp/track_access.h"
#include "view/brush_cache.h"
#include "view/track_view.h"
#include "vor/time_text.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

// Where the white-key edge crosses a row, in sevenths of its band from the top (0 = none).
constexpr int kBoundary[12] = {7, 2, 0, 4, 0, 6, 1, 0, 3, 0, 5, 0};
constexpr int kMiddleC = 60;
constexpr COLORREF kWhite = RGB(0xFF, 0xFF, 0xFF);
constexpr COLORREF kSoundingWhite = RGB(0xE0, 0xE0, 0xE0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kSoundingBlack = RGB(0x80, 0x80, 0x80);
constexpr COLORREF kHighlight = RGB(0xC0, 0xC0, 0xC0);
constexpr COLORREF kMarker = RGB(0x80, 0x80, 0x80);

// A column width setting of none stands for this width; the grid keeps at least as much.
constexpr int kUnsetColumnWidth = 100;
constexpr int kMinGridWidth = 100;
// Velocity of a key sounded from the column.
constexpr int kKeyVelocity = 64;

int ColumnSetting(const TrackView* v) { return v->settings ? v->settings->keyboardWidth : -1; }

const Pane& Column(const TrackView* v) { return v->panes[PANE_KEYBOARD]; }

int RowShape(const TrackView* v, int row) {
    mp::PitchRow pitch{};
    if (v->access && v->access->GetPitchRow(row, &pitch) == S_OK) return pitch.keyShape;
    static constexpr int kShapes[12] = {1, 2, 0, 2, 0, 1, 2, 0, 2, 0, 2, 0};
    return kShapes[(kTopPitch - row) % 12];
}

void RowName(const TrackView* v, int row, char* name, std::size_t capacity) {
    mp::PitchRow pitch{};
    name[0] = 0;
    if (v->access && v->access->GetPitchRow(row, &pitch) == S_OK) {
        std::strncpy(name, pitch.name, capacity - 1);
        name[capacity - 1] = 0;
    }
}

int SplitY(int top, int bottom, int row) {
    const int t = kBoundary[(kTopPitch - row) % 12];
    return top + ((bottom - top) * t) / 7 - (t == 7 ? 1 : 0);
}

bool LaneAreaShown(const TrackView* v) { return v->panes[PANE_LANES].height > 0; }

void ColumnLayout(TrackView* v, Pane* pane, RECT* remaining) {
    const int available = remaining->right - remaining->left;
    const int setting =
        ColumnSetting(v) < 0 ? kUnsetColumnWidth : std::clamp(ColumnSetting(v), mp::kMinKeyboardWidth, mp::kMaxKeyboardWidth);
    int width = std::min(setting + kColumnSplitterWidth, available - kMinGridWidth);
    width = std::clamp(width, 0, std::max(available, 0));
    pane->rect = {remaining->left, remaining->top, remaining->left + width, remaining->bottom};
    pane->width = width;
    pane->height = std::max<int>(remaining->bottom - remaining->top, 0);
    remaining->left += width;
    (void)v;
}

int ColumnHitTest(TrackView* v, Pane* pane, int x, int y) {
    // Level with the lane: the lane splitter's own rows, the lane selector.
    if (LaneAreaShown(v) && y >= v->lanes.splitterTop - 2 && y <= v->lanes.splitterTop + 5) return KP_LANE_SPLITTER;
    if (v->parts->OnLaneNameBox(v, x, y)) return KP_LANE_SELECTOR;
    if (x >= pane->rect.right - 7) return KP_RIGHT_SPLITTER;
    if (y < v->geo.grid.top) return KP_ABOVE;
    if (y < v->geo.grid.bottom) {
        const int row = KeyAtPoint(v, x, y);
        if (row < 0) return KP_NO_ROW;
        SetHoverRow(v, row);
        return KP_KEY;
    }
    return KP_BELOW;
}

int ColumnGetCursor(TrackView*, Pane*, std::uint32_t hitCode) {
    switch (PartOfHit(hitCode)) {
    case KP_RIGHT_SPLITTER: return VOR_CURSOR_SPLIT_COLUMNS;
    case KP_LANE_SPLITTER: return VOR_CURSOR_SPLIT_ROWS;
    case KP_KEY: return CtrlHeld() ? VOR_CURSOR_KEY_SELECT : VOR_CURSOR_ARROW;
    default: return VOR_CURSOR_ARROW;
    }
}

void StopSounding(TrackView* v) {
    if (v->keyboard.soundingNote < 0) return;
    // The note off always follows a note on that went out, even if monitoring was switched off since.
    if (v->access && v->keyboard.soundingSent) v->access->PlayNote(v->keyboard.soundingNote, 0, 0, false, true);
    v->keyboard.soundingSent = false;
    v->keyboard.soundingNote = -1;
    v->keyboard.soundingRow = -1;
    InvalidateView(v, INV_NO_GRID | INV_KEYBOARD);
}

LRESULT ColumnOnMouse(TrackView* v, Pane* pane, UINT msg, WPARAM wParam, LPARAM lParam) {
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    // The lane splitter resizes the lane as the lane area's own splitter does.
    if (v->drag == Drag::LaneResize && v->parts->LaneSplitterMouse(v, msg, x, y)) return 0;
    switch (msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        if (v->drag != Drag::None) return 0;
        EndHotTracking(v);
        SetCapture(v->hwnd);
        const int part = PartOfHit(v->hitCode);
        if (part == KP_RIGHT_SPLITTER) {
            SetDrag(v, Drag::ColumnResize);
            v->keyboard.sizeAtPress = ColumnSetting(v) >= 0 ? ColumnSetting(v) : pane->width - kColumnSplitterWidth;
            v->keyboard.pressAt = x;
        } else if (part == KP_LANE_SPLITTER) {
            v->parts->PressLaneSplitter(v, x, y);
            SetDrag(v, Drag::LaneResize);
        } else if (part == KP_LANE_SELECTOR) {
            ReleaseCapture();
            v->parts->OpenLaneMenu(v);
        } else if (part == KP_KEY && !(wParam & MK_CONTROL)) {
            const int row = KeyAtPoint(v, x, y);
            if (row >= 0) {
                v->keyboard.soundingRow = row;
                v->keyboard.soundingNote = kTopPitch - row;
                v->keyboard.soundingSent = v->access && v->access->PlayNote(v->keyboard.soundingNote, 0, kKeyVelocity, true) == S_OK;
                SetDrag(v, Drag::KeyHeld);
                InvalidateView(v, INV_NO_GRID | INV_KEYBOARD);
            }
        }
        return 0;
    }
    case WM_MOUSEMOVE:
        if (v->drag == Drag::ColumnResize) SetColumnWidth(v, v->keyboard.sizeAtPress + x - v->keyboard.pressAt);
        return 0;
    case WM_LBUTTONUP:
        if (v->drag == Drag::KeyHeld) StopSounding(v);
        else if (v->drag == Drag::ColumnResize) SetColumnWidth(v, v->keyboard.sizeAtPress + x - v->keyboard.pressAt);
        SetDrag(v, Drag::None);
        if (GetCapture() == v->hwnd) ReleaseCapture();
        return 0;
    case WM_RBUTTONDOWN:
        if (v->drag != Drag::None) return 0;
        EndHotTracking(v);
        SetCapture(v->hwnd);
        return 0;
    case WM_RBUTTONUP: {
        if (GetCapture() == v->hwnd) ReleaseCapture();
        if (v->drag != Drag::None) return 0;
        POINT pt{x, y};
        ClientToScreen(v->hwnd, &pt);
        SendMessage(v->hwnd, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(v->hwnd), MAKELPARAM(pt.x, pt.y));
        return 0;
    }
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
        if (v->drag == Drag::KeyHeld) StopSounding(v);
        if (v->drag == Drag::KeyHeld || v->drag == Drag::ColumnResize) SetDrag(v, Drag::None);
        if (msg == WM_CANCELMODE && GetCapture() == v->hwnd) ReleaseCapture();
        return 0;
    default: return DefWindowProc(v->hwnd, msg, wParam, lParam);
    }
}

void DrawPosition(TrackView* v, HDC dc, const RECT& box) {
    if (box.right <= box.left || box.bottom <= box.top) return;
    char text[kPositionTextCapacity] = {};
    const std::int64_t position = v->follow.playing ? v->follow.playbackPosition : v->time.editCursor;
    v->owner.PositionToText(v, position, text);
    text[kPositionTextCapacity - 1] = 0;
    if (!text[0]) return;
    const int boxWidth = box.right - box.left - 4;
    const int boxHeight = box.bottom - box.top;
    for (int id : {VOR_FONT_POSITION, VOR_FONT_COMPACT, VOR_FONT_SMALL}) {
        HFONT font = VorUI_GetFont(id);
        if (!font || VorUI_GetFontHeight(id) > boxHeight) continue;
        HGDIOBJ old = SelectObject(dc, font);
        SIZE extent{};
        GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &extent);
        if (extent.cx <= boxWidth) {
            SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
            SetBkMode(dc, TRANSPARENT);
            RECT r{box.left, box.top, box.right - 3, box.bottom};
            DrawText(dc, text, -1, &r, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(dc, old);
            return;
        }
        SelectObject(dc, old);
    }
}

void DrawLabel(TrackView* v, HDC dc, const char* name, int top, int bottom, int right) {
    const int band = bottom - top;
    for (int id : {VOR_FONT_LABEL, VOR_FONT_SMALL}) {
        const int height = VorUI_GetFontHeight(id);
        if (height <= 0 || height > band + 2) continue;
        HGDIOBJ old = SelectObject(dc, VorUI_GetFont(id));
        SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
        SetBkMode(dc, TRANSPARENT);
        RECT r{v->panes[PANE_KEYBOARD].rect.left, top + (band - height) / 2, right - 3, top + (band - height) / 2 + height};
        DrawText(dc, name, -1, &r, DT_RIGHT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
        SelectObject(dc, old);
        return;
    }
}

void DrawMiddleCMarker(BrushCache& brushes, HDC dc, int x, int top, int bottom) {
    static constexpr int kWidths[7] = {1, 2, 3, 4, 3, 2, 1};
    const int y0 = top + (bottom - top - 7) / 2;
    for (int i = 0; i < 7; ++i) brushes.Fill(dc, x, y0 + i, x + kWidths[i], y0 + i + 1, kMarker);
}

void ColumnPaint(TrackView* v, Pane* pane, HDC dc, const RECT* clip) {
    const int left = pane->rect.left;
    const int keyRight = KeyAreaRight(v);
    const int blackRight = BlackKeyRight(v);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    BrushCache brushes;

    // Face and edges around the keys: the splitter strip, the corner above, the part below.
    brushes.Fill(dc, keyRight, pane->rect.top, pane->rect.right, pane->rect.bottom, face);
    RECT splitter{keyRight, pane->rect.top, pane->rect.right, pane->rect.bottom};
    DrawEdge(dc, &splitter, EDGE_RAISED, BF_LEFT | BF_RIGHT);
    RECT above{left, pane->rect.top, keyRight, v->geo.grid.top};
    if (above.bottom > above.top) {
        brushes.Fill(dc, above.left, above.top, above.right, above.bottom, face);
        DrawEdge(dc, &above, BDR_RAISEDINNER, BF_RECT);
        DrawPosition(v, dc, above);
    }
    RECT below{left, v->geo.grid.bottom, keyRight, pane->rect.bottom};
    if (below.bottom > below.top) {
        brushes.Fill(dc, below.left, below.top, below.right, below.bottom, face);
        DrawEdge(dc, &below, BDR_RAISEDINNER, BF_RECT);
    }
    v->parts->PaintLaneHeader(v, dc, pane->rect, *clip);
    if (keyRight <= left) return;

    int rowsBottom = v->geo.grid.top;
    char name[8];
    // The last row is cut where the grid ends; the lane's part of the column lies below it.
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, left, v->geo.grid.top, keyRight, v->geo.grid.bottom);
    for (int row = std::max(v->geo.topRow, 0); row < v->geo.rowCount; ++row) {
        int top, bottom;
        RowBand(v, row, &top, &bottom);
        if (top >= clip->bottom || top >= v->geo.grid.bottom) break;
        rowsBottom = bottom;
        if (bottom <= clip->top) continue;
        const int shape = RowShape(v, row);
        const bool sounding = v->keyboard.soundingRow == row;
        if (shape != 2) {
            brushes.Fill(dc, left, top, keyRight, bottom, sounding ? kSoundingWhite : kWhite);
        } else {
            brushes.Fill(dc, left, top, blackRight, bottom, sounding ? kSoundingBlack : kBlack);
            if (bottom - top > 6) brushes.Fill(dc, left, top + 1, blackRight - 1, top + 2, kHighlight);
            const int split = SplitY(top, bottom, row);
            brushes.Fill(dc, blackRight, top, keyRight, bottom, kWhite);
            if (v->keyboard.soundingRow == row - 1) brushes.Fill(dc, blackRight, top, keyRight, split, kSoundingWhite);
            if (v->keyboard.soundingRow == row + 1) brushes.Fill(dc, blackRight, split + 1, keyRight, bottom, kSoundingWhite);
        }
        if (shape == 1 || shape == 2) brushes.Fill(dc, blackRight, SplitY(top, bottom, row), keyRight, SplitY(top, bottom, row) + 1, kBlack);
        if (shape != 2) {
            RowName(v, row, name, sizeof name);
            if (name[0] == 'C') DrawLabel(v, dc, name, top, bottom, keyRight);
        }
        if (kTopPitch - row == kMiddleC) DrawMiddleCMarker(brushes, dc, blackRight + 2, top, bottom);
    }
    if (rowsBottom < v->geo.grid.bottom) brushes.Fill(dc, left, std::max(rowsBottom, v->geo.grid.top), keyRight, v->geo.grid.bottom, face);
    RestoreDC(dc, saved);
}

PaneClass gColumnClass{
    .Init = nullptr,
    .Layout = ColumnLayout,
    .HitTest = ColumnHitTest,
    .OnMouse = ColumnOnMouse,
    .Paint = ColumnPaint,
    .GetCursor = ColumnGetCursor,
    .OnToolChange = nullptr,
    .OnKey = nullptr,
    .Reserved = nullptr,
};

} // namespace

void EnsureColumnWidth(TrackView* v) {
    if (!v->settings || v->settings->keyboardWidth >= 0) return;
    // Wide enough for the longest position text the corner shows.
    constexpr const char* kWidestPosition = "999.99.999qq";
    constexpr int kUnmeasuredWidth = 100;
    int width = kUnmeasuredWidth;
    if (HDC dc = v->hwnd ? GetDC(v->hwnd) : nullptr) {
        HGDIOBJ old = SelectObject(dc, VorUI_GetFont(VOR_FONT_POSITION));
        SIZE extent{};
        if (GetTextExtentPoint32(dc, kWidestPosition, static_cast<int>(std::strlen(kWidestPosition)), &extent) &&
            extent.cx > 0)
            width = extent.cx;
        SelectObject(dc, old);
        ReleaseDC(v->hwnd, dc);
    }
    v->settings->keyboardWidth = std::clamp(width, mp::kMinKeyboardWidth, mp::kMaxKeyboardWidth);
}

int KeyAreaRight(const TrackView* v) { return Column(v).rect.right - kColumnSplitterWidth; }

int BlackKeyRight(const TrackView* v) {
    const int left = Column(v).rect.left;
    const int width = KeyAreaRight(v) - left;
    return left + (width * 3) / 5;
}

int KeyAtPoint(const TrackView* v, int x, int y) {
    const int row = RowAtY(v, y);
    if (row < 0) return -1;
    if (RowShape(v, row) != 2 || x < BlackKeyRight(v)) return row;
    int top, bottom;
    RowBand(v, row, &top, &bottom);
    if (y < SplitY(top, bottom, row)) return std::max(row - 1, 0);
    return std::min(row + 1, v->geo.rowCount - 1);
}

void SetColumnWidth(TrackView* v, int width) {
    width = std::clamp(width, mp::kMinKeyboardWidth, mp::kMaxKeyboardWidth);
    if (v->settings) v->settings->keyboardWidth = width;
    if (!v->hwnd || v->clientWidth <= 0) return;
    LayoutView(v, true);
    InvalidateView(v, INV_ALL);
}

PaneClass* KeyboardPaneClass() {
    static PaneClass* registered = RegisterPaneClass(&gColumnClass);
    return registered;
}

} // namespace pianoroll
