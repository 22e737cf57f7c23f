// The lane's part of the track-header column: the value scale level with the lane, the name box that
// opens the lane menu, and choosing a lane from it.
#include <algorithm>
#include <span>
#include <string>
#include <vector>

#include "lanes/bend_scale.h"
#include "lanes/lane_area.h"
#include "lanes/lane_menu.h"
#include "mp/settings.h"
#include "resources/command_ids.h"
#include "view/brush_cache.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"
#include "win/controls.h"

namespace pianoroll {

using namespace win;

namespace {

// The scale stands this far from the column's right edge; the middle labels' tick marks fill it.
constexpr int kScaleInset = 6;
constexpr int kTickLength = 5;
// Labels sit at these values of a 127-step scale, for every kind of lane.
constexpr int kScaleTop = 127;
constexpr int kTallPositions[] = {0, 32, 64, 96, 127};
constexpr int kShortPositions[] = {0, 64, 127};
constexpr const char* kSevenBitTall[] = {"0", "32", "64", "96", "127"};
constexpr const char* kSevenBitShort[] = {"0", "64", "127"};
constexpr const char* kBendTall[] = {"-8192", "-4096", "0", "4096", "8191"};
constexpr const char* kBendShort[] = {"-8192", "0", "8191"};
constexpr int kTallLines = 6;
// The name box: its margin inside the column, the padding around the text, the arrow image's size.
constexpr int kBoxMargin = 2;
constexpr int kBoxPadding = 2;
constexpr int kArrowSize = 16;
constexpr int kArrowImage = 20;
constexpr int kArrowGap = 4;
// The narrowest box drawn: its arrow and a pixel more.
constexpr int kMinBoxWidth = kArrowSize + 1;
static_assert(mp::kMinKeyboardWidth >= kMinBoxWidth + 2 * kBoxMargin,
              "the narrowest keyboard column the settings allow holds the lane's name box");

// The labels, lowest first, and every text the scale's width must hold.
struct Scale {
    std::vector<ScaleLabel> labels;
    std::vector<std::string> measured;
};

Scale ScaleOf(TrackView* v) {
    Scale scale;
    if (SemitoneScaleShown(v)) {
        scale.labels = SemitoneLabels(v);
        scale.measured = WidestSemitoneLabels(v);
        return scale;
    }
    const RECT& lane = v->lanes.laneRect;
    const int height = lane.bottom - lane.top;
    const bool tall = height >= kTallLines * LaneLineHeight();
    const bool bend = v->lanes.lane && v->lanes.lane->GetLaneId() == kLanePitchBend;
    const std::span<const int> positions = tall ? std::span<const int>(kTallPositions) : std::span<const int>(kShortPositions);
    const char* const* texts = tall ? (bend ? kBendTall : kSevenBitTall) : (bend ? kBendShort : kSevenBitShort);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        scale.labels.push_back({lane.bottom - positions[i] * height / kScaleTop, texts[i]});
        scale.measured.push_back(texts[i]);
    }
    return scale;
}

int ScaleWidth(HDC dc, const Scale& scale) {
    int widest = 0;
    for (const std::string& text : scale.measured) {
        SIZE size{};
        GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &size);
        widest = std::max<int>(widest, size.cx);
    }
    return widest;
}

void PaintScale(HDC dc, const RECT& column, const Scale& scale, BrushCache& brushes) {
    const int line = LaneLineHeight();
    const int right = column.right - kScaleInset;
    for (std::size_t i = 0; i < scale.labels.size(); ++i) {
        const int y = scale.labels[i].y;
        RECT box{column.left, y - line / 2, right, y - line / 2 + line};
        if (i == 0) box = {column.left, y - line, right, y};
        else if (i + 1 == scale.labels.size()) box = {column.left, y, right, y + line};
        else {
            brushes.Fill(dc, column.right - kTickLength, y, column.right, y + 1, GetSysColor(COLOR_WINDOWFRAME));
            brushes.Fill(dc, column.right - kTickLength, y + 1, column.right, y + 2, GetSysColor(COLOR_HIGHLIGHT));
        }
        DrawText(dc, scale.labels[i].text.c_str(), -1, &box, DT_RIGHT | DT_SINGLELINE | DT_NOPREFIX | DT_TOP);
    }
}

// The drop-down arrow is the toolbar strip's, lent by the frame.
void PaintArrow(TrackView* v, HDC dc, int left, int top) {
    if (v->stripImages) ImageList_Draw(v->stripImages, kArrowImage, dc, left, top, ILD_TRANSPARENT);
}

void PaintNameBox(TrackView* v, HDC dc, const RECT& box) {
    if (IsRectEmpty(&box)) return;
    FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
    RECT frame = box;
    DrawEdge(dc, &frame, BDR_SUNKENOUTER, BF_RECT);
    const int arrowLeft = box.right - kBoxPadding - kArrowSize;
    PaintArrow(v, dc, arrowLeft, box.top + (box.bottom - box.top - kArrowSize) / 2);
    char name[kLaneHeaderNameCapacity] = {};
    if (v->lanes.lane) v->lanes.lane->GetName(name, kLaneHeaderNameCapacity);
    RECT text{box.left + kBoxPadding + 1, box.top, arrowLeft - 1, box.bottom};
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    DrawText(dc, name, -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
}

} // namespace

void PlaceLaneSelector(TrackView* v) {
    LaneAreaState& s = v->lanes;
    s.nameBox = {};
    if (IsRectEmpty(&s.laneRect)) return;
    const RECT& column = v->panes[PANE_KEYBOARD].rect;
    HDC dc = GetDC(v->hwnd);
    if (!dc) return;
    HGDIOBJ oldFont = SelectObject(dc, VorUI_GetFont(VOR_FONT_SMALL));
    const int scaleWidth = ScaleWidth(dc, ScaleOf(v));
    SelectObject(dc, oldFont);
    ReleaseDC(v->hwnd, dc);
    // The box stands left of the scale's widest label, at the lane's top; in a column too narrow for
    // both it covers the scale instead, so the lane can still be chosen.
    const int top = s.laneRect.top + kBoxMargin;
    const int left = column.left + kBoxMargin;
    const int right = std::max(column.right - kScaleInset - scaleWidth - kArrowGap,
                               std::min(left + kMinBoxWidth, column.right - kColumnSplitterWidth - kBoxMargin));
    s.nameBox = {left, top, right, top + std::max(LaneLineHeight() + 2 * kBoxPadding, kArrowSize + kBoxPadding)};
    if (right - left < kMinBoxWidth) s.nameBox = {};
}

void PaintLaneHeader(TrackView* v, HDC dc, const RECT& column, const RECT& clip) {
    LaneAreaState& s = v->lanes;
    if (IsRectEmpty(&s.laneRect)) return;
    RECT header{column.left, s.laneRect.top, column.right, s.laneRect.bottom}, area;
    const int saved = SaveDC(dc);
    IntersectClipRect(dc, header.left, header.top, header.right, header.bottom);
    HGDIOBJ oldFont = SelectObject(dc, VorUI_GetFont(VOR_FONT_SMALL));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldText = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    const Scale scale = ScaleOf(v);
    if (IntersectRect(&area, &header, &clip)) {
        BrushCache brushes;
        PaintScale(dc, column, scale, brushes);
        PaintNameBox(v, dc, s.nameBox);
    }
    SetTextColor(dc, oldText);
    SetBkMode(dc, oldMode);
    SelectObject(dc, oldFont);
    RestoreDC(dc, saved);
}

bool OnLaneNameBox(const TrackView* v, int x, int y) {
    const POINT pt{x, y};
    return PtInRect(&v->lanes.nameBox, pt) != 0;
}

void OpenLaneMenu(TrackView* v) {
    if (!v->access || !v->hwnd) return;
    const int current = v->settings ? KnownLaneId(v->settings->laneId) : kLaneVelocity;
    HMENU menu = BuildLaneMenu(*v->access, *v, current);
    if (!menu) return;
    AppendBendOption(menu, v);
    POINT below{v->lanes.nameBox.left, v->lanes.nameBox.bottom};
    ClientToScreen(v->hwnd, &below);
    const HWND view = v->hwnd;
    const int chosen = static_cast<int>(
        TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD | TPM_NONOTIFY, below.x, below.y, 0, view, nullptr));
    DestroyMenu(menu);
    if (!IsWindow(view) || chosen == 0) return;
    if (chosen == CMD_BEND_SEMITONES) SetBendInSemitones(v, !BendInSemitones(v));
    if (chosen == kLaneVelocity || chosen == kLanePitchBend || IsControllerLane(chosen)) SetCurrentLane(v, chosen);
}

} // namespace pianoroll
