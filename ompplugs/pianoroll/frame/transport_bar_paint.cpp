// Painting the transport strip: its raised face, the sunken status field with the name under the
// pointer, and the buttons with the toolbar strip's images in their hot, pushed, checked and disabled looks.
#include <cstring>

#include "frame/editor_frame.h"
#include "frame/transport_bar.h"
#include "mp/track_access.h"
#include "resources/command_ids.h"
#include "view/track_view.h"
#include "vor/ui_resources.h"

namespace pianoroll {

using namespace win;

namespace {

constexpr int kSeparatorInset = 3; // the etched line stands this far in from a separator's left
constexpr int kFieldTextInset = 3; // text keeps this far from the field's border
void PaintStatusField(TrackView* v, HDC dc, const RECT& field) {
    char* text = v->transportBar.paintedStatus;
    text[0] = 0;
    if (IsRectEmpty(&field)) return;
    RECT r = field;
    DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    bool right = false;
    StatusFieldText(v, text, kStatusTextCapacity, &right);
    if (!text[0]) return;
    InflateRect(&r, -kFieldTextInset, 0);
    HGDIOBJ oldFont = SelectObject(dc, VorUI_GetFont(VOR_FONT_LABEL));
    const COLORREF oldColour = SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    DrawText(dc, text, static_cast<int>(std::strlen(text)), &r,
             DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | (right ? DT_RIGHT : DT_LEFT));
    SetBkMode(dc, oldMode);
    SetTextColor(dc, oldColour);
    SelectObject(dc, oldFont);
}

void PaintSeparator(HDC dc, const RECT& rect) {
    RECT line{rect.left + kSeparatorInset, rect.top, rect.left + kSeparatorInset + 2, rect.bottom};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
}

void PaintButton(TrackView* v, HDC dc, int index) {
    const TransportBarState& bar = v->transportBar;
    const TransportButton& b = bar.buttons[index];
    RECT r = b.rect;
    const bool usable = TransportButtonUsable(v, index);
    const bool hot = usable && bar.hot == index && (bar.pressed < 0 || bar.pressed == index);
    const bool pushed = hot && bar.pressed == index;
    const bool checked = (b.state & TBS_CHECKED) != 0;
    if (checked && !pushed) {
        RECT inside = r;
        InflateRect(&inside, -1, -1);
        FillRect(dc, &inside, GetSysColorBrush(hot ? COLOR_BTNFACE : COLOR_3DHIGHLIGHT));
    }
    if (pushed || checked) DrawEdge(dc, &r, BDR_SUNKENOUTER, BF_RECT);
    else if (hot) DrawEdge(dc, &r, BDR_RAISEDINNER, BF_RECT);

    const ToolbarImages* images = v->frame ? &v->frame->images : nullptr;
    if (!images || b.image < 0) return;
    HIMAGELIST list = !usable ? images->disabled.get() : hot ? images->hot.get() : images->normal.get();
    if (!list) list = images->normal.get();
    if (!list) return;
    // A pushed or checked button's picture sits one pixel down and right, as if pressed in.
    const int shift = pushed || checked ? 1 : 0;
    const int x = r.left + (r.right - r.left - images->width) / 2 + shift;
    const int y = r.top + (r.bottom - r.top - images->height) / 2 + shift;
    ImageList_Draw(list, b.image, dc, x, y, ILD_TRANSPARENT);
}

} // namespace

void PaintTransportBar(TrackView* v, Pane*, HDC dc, const RECT*) {
    BringTransportBarUpToDate(v);
    const TransportBarState& bar = v->transportBar;
    RECT face = bar.bar;
    FillRect(dc, &face, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &face, BDR_RAISEDINNER, BF_TOP);
    if (!IsRectEmpty(&bar.leftField)) {
        RECT left = bar.leftField;
        DrawEdge(dc, &left, BDR_SUNKENOUTER, BF_RECT);
    }
    PaintStatusField(v, dc, bar.statusField);
    for (int i = 0; i < bar.buttonCount; ++i) {
        const TransportButton& b = bar.buttons[i];
        if (b.rect.right <= b.rect.left || (b.state & TBS_HIDDEN)) continue;
        if (b.style & TBY_SEPARATOR) PaintSeparator(dc, b.rect);
        else PaintButton(v, dc, i);
    }
}

} // namespace pianoroll
