// The frame's layout on every size: the toolbar centred on the chooser row, the view filling the rest.
#include "frame/editor_dialog.h"
#include "frame/editor_frame.h"

#include <algorithm>

#include "vor/ui_resources.h"
#include "win/gdi.h"
#include "win/win.h"

namespace pianoroll {

using namespace win;

namespace {

// The frame's smallest client area, in average characters and lines of the label font.
constexpr int kMinWidthChars = 35;
constexpr int kMinHeightLines = 10;
// The view starts this far below the chooser row, besides the measured gap.
constexpr int kViewTopMargin = 2;
// What the client area counts as taller than it is.
constexpr int kExtraHeight = 2;

RECT ChildRect(HWND dialog, int id) {
    RECT r{0, 0, 0, 0};
    HWND child = GetDlgItem(dialog, id);
    if (!child) return r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE LabelFontCell(HWND dialog) {
    SIZE cell{6, 13};
    if (HDC dc = GetDC(dialog)) {
        HGDIOBJ old = SelectObject(dc, VorUI_GetFont(VOR_FONT_LABEL));
        TEXTMETRIC tm{};
        if (GetTextMetrics(dc, &tm))
            cell = SIZE{std::max<int>(tm.tmAveCharWidth, 1), std::max<int>(tm.tmHeight, 1)};
        SelectObject(dc, old);
        ReleaseDC(dialog, dc);
    }
    return cell;
}

} // namespace

void LayoutFrame(HWND dialog, FrameState& frame) {
    RECT client{};
    GetClientRect(dialog, &client);
    const SIZE cell = LabelFontCell(dialog);
    const int minWidth = kMinWidthChars * cell.cx;
    const int minHeight = kMinHeightLines * cell.cy;
    const int width = std::max<int>(client.right - client.left, minWidth);
    const int height = std::max<int>(client.bottom - client.top, minHeight) + kExtraHeight;

    const RECT chooser = ChildRect(dialog, kTrackChooserId);
    const RECT gapControl = ChildRect(dialog, kMeasureGapId);
    const int gap = std::max<int>(gapControl.bottom - chooser.bottom, 0);
    if (HWND toolbar = GetDlgItem(dialog, kToolbarPlaceholderId)) {
        const RECT tr = ChildRect(dialog, kToolbarPlaceholderId);
        const int th = tr.bottom - tr.top;
        const int top = (chooser.top + chooser.bottom - th) / 2;
        SetWindowPos(toolbar, nullptr, tr.left, top, tr.right - tr.left, th, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    const RECT toolbarRect = ChildRect(dialog, kToolbarPlaceholderId);
    const int rowBottom = std::max<int>(chooser.bottom, toolbarRect.bottom);
    if (!frame.viewWindow) return;
    const int top = rowBottom + kViewTopMargin + gap;
    const int viewHeight = std::max(height - top, minHeight - top);
    MoveWindow(frame.viewWindow, 0, top, width, std::max(viewHeight, 0), TRUE);
}

} // namespace pianoroll
