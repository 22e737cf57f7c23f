// The LISTBOX class (single selection, vertical scroll bar, keyboard and type-ahead) and combo pop-up lists.
#include <algorithm>
#include <cctype>

#include "control_proc.h"
#include "list_data.h"

namespace win::detail {

namespace {

struct ListItem {
    std::string text;
    ULONG_PTR data = 0;
};

struct ListState {
    std::vector<ListItem> items;
    int cur = -1;
    int top = 0;
    int itemHeight = 0; // 0: from the font
    HFONT font = nullptr;
    bool focus = false;
    bool tracking = false;
    int thumbGrab = -1; // pixel offset inside the thumb while dragging it
    std::string typed;
    DWORD typedTime = 0;
    HWND combo = nullptr;
};

int ItemHeight(const ListState* st) {
    if (st->itemHeight > 0) return st->itemHeight;
    int h = 13;
    FontMetrics(ControlFont(st->font), &h, nullptr);
    return h + 2;
}

RECT Inner(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    return rc;
}

int VisibleCount(HWND hwnd, const ListState* st) {
    RECT in = Inner(hwnd);
    return std::max(1, static_cast<int>(in.bottom - in.top) / ItemHeight(st));
}

int Count(const ListState* st) { return static_cast<int>(st->items.size()); }

bool HasScrollBar(HWND hwnd, const ListState* st) {
    DWORD style = Style(hwnd);
    if (!(style & WS_VSCROLL)) return false;
    return (style & LBS_DISABLENOSCROLL) || Count(st) > VisibleCount(hwnd, st);
}

int ScrollWidth() {
    int w = GetSystemMetrics(SM_CXVSCROLL);
    return w > 0 ? w : 17;
}

RECT ItemsRect(HWND hwnd, const ListState* st) {
    RECT in = Inner(hwnd);
    if (HasScrollBar(hwnd, st)) in.right = std::max(in.left, in.right - ScrollWidth());
    return in;
}

RECT ScrollRect(HWND hwnd) {
    RECT in = Inner(hwnd);
    in.left = std::max(in.left, in.right - ScrollWidth());
    return in;
}

int MaxTop(HWND hwnd, const ListState* st) { return std::max(0, Count(st) - VisibleCount(hwnd, st)); }

// Thumb rectangle within the scroll rectangle; empty when nothing can scroll.
RECT ThumbRect(HWND hwnd, const ListState* st) {
    RECT sr = ScrollRect(hwnd);
    int arrow = std::min<int>(ScrollWidth(), (sr.bottom - sr.top) / 2);
    int track = (sr.bottom - sr.top) - 2 * arrow;
    int maxTop = MaxTop(hwnd, st);
    if (maxTop == 0 || track < 8) return RECT{0, 0, 0, 0};
    int thumb = std::max(8, track * VisibleCount(hwnd, st) / std::max(1, Count(st)));
    int y = sr.top + arrow + (track - thumb) * st->top / maxTop;
    return RECT{sr.left, y, sr.right, y + thumb};
}

void SetTop(HWND hwnd, ListState* st, int top) {
    top = std::clamp(top, 0, MaxTop(hwnd, st));
    if (top == st->top) return;
    st->top = top;
    InvalidateRect(hwnd, nullptr, FALSE);
}

void EnsureVisible(HWND hwnd, ListState* st, int index) {
    if (index < 0) return;
    int vis = VisibleCount(hwnd, st);
    if (index < st->top) SetTop(hwnd, st, index);
    else if (index >= st->top + vis) SetTop(hwnd, st, index - vis + 1);
}

void SetCurrent(HWND hwnd, ListState* st, int index) {
    if (index >= Count(st)) index = -1;
    if (index < -1) index = -1;
    if (index != st->cur) {
        st->cur = index;
        InvalidateRect(hwnd, nullptr, FALSE);
    }
    EnsureVisible(hwnd, st, index);
}

void NotifySelChange(HWND hwnd, ListState* st) {
    if (st->combo) return;
    if (Style(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, LBN_SELCHANGE);
}

int FindPrefix(const ListState* st, const std::string& prefix, int after, bool exact) {
    int n = Count(st);
    if (n == 0 || prefix.empty()) return -1;
    auto lower = [](std::string s) {
        for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    };
    std::string want = lower(prefix);
    for (int k = 1; k <= n; ++k) {
        int i = ((after < 0 ? -1 : after) + k) % n;
        std::string text = lower(st->items[static_cast<size_t>(i)].text);
        if (exact ? text == want : text.compare(0, want.size(), want) == 0) return i;
    }
    return -1;
}

int InsertAt(HWND hwnd, ListState* st, int index, const char* text) {
    ListItem item;
    item.text = text ? text : "";
    int n = Count(st);
    if (index < 0 || index > n) index = n;
    st->items.insert(st->items.begin() + index, std::move(item));
    if (st->cur >= index) ++st->cur;
    InvalidateRect(hwnd, nullptr, FALSE);
    return index;
}

int SortedIndex(const ListState* st, const char* text) {
    std::string t = text ? text : "";
    auto lessCi = [](const std::string& a, const std::string& b) {
        return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
            return std::tolower(static_cast<unsigned char>(x)) < std::tolower(static_cast<unsigned char>(y));
        });
    };
    int i = 0;
    while (i < Count(st) && !lessCi(t, st->items[static_cast<size_t>(i)].text)) ++i;
    return i;
}

// Handles a navigation key; returns true when the current item changed.
bool NavigateKey(HWND hwnd, ListState* st, WPARAM vk) {
    int n = Count(st);
    if (n == 0) return false;
    int page = std::max(1, VisibleCount(hwnd, st) - 1);
    int cur = st->cur;
    int next = cur;
    switch (vk) {
    case VK_UP:
    case VK_LEFT:
        next = cur < 0 ? 0 : std::max(0, cur - 1);
        break;
    case VK_DOWN:
    case VK_RIGHT:
        next = cur < 0 ? 0 : std::min(n - 1, cur + 1);
        break;
    case VK_PRIOR:
        next = std::max(0, (cur < 0 ? 0 : cur) - page);
        break;
    case VK_NEXT:
        next = std::min(n - 1, (cur < 0 ? 0 : cur) + page);
        break;
    case VK_HOME:
        next = 0;
        break;
    case VK_END:
        next = n - 1;
        break;
    default:
        return false;
    }
    SetCurrent(hwnd, st, next);
    return next != cur;
}

// Type-ahead: characters typed within a second form a prefix; a repeated single letter cycles.
bool TypeAhead(HWND hwnd, ListState* st, WPARAM ch) {
    if (ch < 0x20 || ch > 0x7E) return false;
    DWORD now = GetTickCount();
    if (now - st->typedTime > 1000) st->typed.clear();
    st->typedTime = now;
    char c = static_cast<char>(ch);
    bool repeat = st->typed.size() == 1 &&
                  std::tolower(static_cast<unsigned char>(st->typed[0])) == std::tolower(static_cast<unsigned char>(c));
    if (!repeat) st->typed += c;
    int from = (st->typed.size() == 1) ? st->cur : st->cur - 1;
    int found = FindPrefix(st, st->typed, from, false);
    if (found < 0 || found == st->cur) return false;
    SetCurrent(hwnd, st, found);
    return true;
}

int ItemAt(HWND hwnd, const ListState* st, POINT pt) {
    RECT ir = ItemsRect(hwnd, st);
    if (!PtInRect(&ir, pt)) return -1;
    int index = st->top + (pt.y - ir.top) / ItemHeight(st);
    return index < Count(st) ? index : -1;
}

void Paint(HWND hwnd, ListState* st, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    bool enabled = IsWindowEnabled(hwnd) != FALSE;
    HBRUSH bg = st->combo ? GetSysColorBrush(COLOR_WINDOW) : ParentBrush(hwnd, dc, WM_CTLCOLORLISTBOX, COLOR_WINDOW);
    FillRect(dc, &rc, bg); // the border, if any, is the window frame

    RECT ir = ItemsRect(hwnd, st);
    HGDIOBJ oldFont = SelectObject(dc, ControlFont(st->font));
    SaveDC(dc);
    IntersectClipRect(dc, ir.left, ir.top, ir.right, ir.bottom);
    SetBkMode(dc, TRANSPARENT);
    int h = ItemHeight(st);
    for (int i = st->top; i < Count(st); ++i) {
        int y = ir.top + (i - st->top) * h;
        if (y >= ir.bottom) break;
        RECT row{ir.left, y, ir.right, y + h};
        bool selected = i == st->cur;
        if (st->combo && (Style(st->combo) & CBS_OWNERDRAWFIXED)) {
            // A combo box's owner draws the items of its list.
            AskOwnerToDraw(st->combo, dc, i, (selected ? ODS_SELECTED : 0) | (enabled ? 0 : ODS_DISABLED), row,
                           static_cast<LPARAM>(st->items[static_cast<size_t>(i)].data));
            continue;
        }
        if (selected) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(!enabled ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
        RECT textRc = row;
        textRc.left += 2;
        DrawText(dc, st->items[static_cast<size_t>(i)].text.c_str(), -1, &textRc,
                 DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
        if (selected && st->focus && !st->combo) DrawFocusRect(dc, &row);
    }
    if (st->cur < 0 && st->focus && !st->combo) {
        RECT row{ir.left, ir.top, ir.right, ir.top + h};
        DrawFocusRect(dc, &row);
    }
    RestoreDC(dc, -1);
    SelectObject(dc, oldFont);

    if (HasScrollBar(hwnd, st)) {
        RECT sr = ScrollRect(hwnd);
        int arrow = std::min<int>(ScrollWidth(), (sr.bottom - sr.top) / 2);
        bool canScroll = MaxTop(hwnd, st) > 0 && enabled;
        FillRect(dc, &sr, GetSysColorBrush(COLOR_SCROLLBAR));
        RECT up{sr.left, sr.top, sr.right, sr.top + arrow};
        RECT down{sr.left, sr.bottom - arrow, sr.right, sr.bottom};
        DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP | (canScroll ? 0 : DFCS_INACTIVE));
        DrawFrameControl(dc, &down, DFC_SCROLL, DFCS_SCROLLDOWN | (canScroll ? 0 : DFCS_INACTIVE));
        RECT thumb = ThumbRect(hwnd, st);
        if (canScroll && !IsRectEmpty(&thumb)) {
            FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
            DrawEdge(dc, &thumb, EDGE_RAISED, BF_RECT);
        }
    }
}

// A press in the scroll bar: arrows step, the track pages, the thumb starts a drag.
void ScrollBarPress(HWND hwnd, ListState* st, POINT pt) {
    RECT sr = ScrollRect(hwnd);
    int arrow = std::min<int>(ScrollWidth(), (sr.bottom - sr.top) / 2);
    RECT thumb = ThumbRect(hwnd, st);
    int page = std::max(1, VisibleCount(hwnd, st) - 1);
    if (pt.y < sr.top + arrow) SetTop(hwnd, st, st->top - 1);
    else if (pt.y >= sr.bottom - arrow) SetTop(hwnd, st, st->top + 1);
    else if (!IsRectEmpty(&thumb) && pt.y < thumb.top) SetTop(hwnd, st, st->top - page);
    else if (!IsRectEmpty(&thumb) && pt.y >= thumb.bottom) SetTop(hwnd, st, st->top + page);
    else if (!IsRectEmpty(&thumb)) {
        st->thumbGrab = pt.y - thumb.top;
        SetCapture(hwnd);
    }
}

void ThumbDrag(HWND hwnd, ListState* st, int y) {
    RECT sr = ScrollRect(hwnd);
    int arrow = std::min<int>(ScrollWidth(), (sr.bottom - sr.top) / 2);
    RECT thumb = ThumbRect(hwnd, st);
    int track = (sr.bottom - sr.top) - 2 * arrow - (thumb.bottom - thumb.top);
    if (track <= 0) return;
    int pos = y - st->thumbGrab - (sr.top + arrow);
    int maxTop = MaxTop(hwnd, st);
    SetTop(hwnd, st, (pos * maxTop + track / 2) / track);
}

LRESULT GetText(const ListState* st, WPARAM index, LPARAM buffer) {
    if (index >= st->items.size()) return LB_ERR;
    const std::string& t = st->items[index].text;
    if (buffer) {
        t.copy(reinterpret_cast<char*>(buffer), t.size());
        reinterpret_cast<char*>(buffer)[t.size()] = 0;
    }
    return static_cast<LRESULT>(t.size());
}

LRESULT ListMessage(HWND hwnd, ListState* st, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_SIZE:
        SetTop(hwnd, st, st->top);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_SETFOCUS:
        st->focus = true;
        InvalidateRect(hwnd, nullptr, FALSE);
        if (Style(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, LBN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        st->focus = false;
        InvalidateRect(hwnd, nullptr, FALSE);
        if (Style(hwnd) & LBS_NOTIFY) NotifyParent(hwnd, LBN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_MOUSEACTIVATE:
        return st->combo ? MA_NOACTIVATE : DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        RECT client;
        GetClientRect(hwnd, &client);
        if (st->combo && !PtInRect(&client, pt)) {
            SendMessage(st->combo, CBLB_DISMISS, 0, 0);
            return 0;
        }
        if (!st->combo && GetFocus() != hwnd) SetFocus(hwnd);
        if (HasScrollBar(hwnd, st)) {
            RECT sr = ScrollRect(hwnd);
            if (PtInRect(&sr, pt)) {
                if (MaxTop(hwnd, st) > 0) ScrollBarPress(hwnd, st, pt);
                return 0;
            }
        }
        int index = ItemAt(hwnd, st, pt);
        if (index >= 0) {
            bool changed = index != st->cur;
            SetCurrent(hwnd, st, index);
            if (changed) NotifySelChange(hwnd, st);
            if (msg == WM_LBUTTONDBLCLK && !st->combo && (Style(hwnd) & LBS_NOTIFY)) NotifyParent(hwnd, LBN_DBLCLK);
        }
        if (!st->combo) {
            st->tracking = true;
            SetCapture(hwnd);
        }
        return 0;
    }
    case WM_MOUSEMOVE: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (st->thumbGrab >= 0) {
            ThumbDrag(hwnd, st, pt.y);
            return 0;
        }
        int index = ItemAt(hwnd, st, pt);
        if (st->combo) {
            if (index >= 0) SetCurrent(hwnd, st, index);
        } else if (st->tracking && index >= 0 && index != st->cur) {
            SetCurrent(hwnd, st, index);
            NotifySelChange(hwnd, st);
        }
        return 0;
    }
    case WM_LBUTTONUP: {
        POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        if (st->thumbGrab >= 0) {
            st->thumbGrab = -1;
            if (!st->combo && GetCapture() == hwnd) ReleaseCapture();
            return 0;
        }
        if (st->combo) {
            int index = ItemAt(hwnd, st, pt);
            if (index >= 0) SendMessage(st->combo, CBLB_CHOSEN, static_cast<WPARAM>(index), 0);
            return 0;
        }
        if (st->tracking) {
            st->tracking = false;
            if (GetCapture() == hwnd) ReleaseCapture();
        }
        return 0;
    }
    case WM_CAPTURECHANGED:
        st->tracking = false;
        st->thumbGrab = -1;
        return 0;
    case WM_MOUSEWHEEL: {
        int steps = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
        SetTop(hwnd, st, st->top - steps * 3);
        return 0;
    }
    case WM_KEYDOWN:
        if (NavigateKey(hwnd, st, wParam)) NotifySelChange(hwnd, st);
        return 0;
    case WM_CHAR:
        if (TypeAhead(hwnd, st, wParam)) NotifySelChange(hwnd, st);
        return 0;
    case CBLB_KEY:
        return lParam ? (TypeAhead(hwnd, st, wParam) ? 1 : 0) : (NavigateKey(hwnd, st, wParam) ? 1 : 0);
    case CBLB_SETCOMBO:
        st->combo = reinterpret_cast<HWND>(lParam);
        return 0;
    case CBLB_SHOWCURRENT:
        st->top = std::clamp(st->top, 0, MaxTop(hwnd, st));
        EnsureVisible(hwnd, st, st->cur);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case LB_ADDSTRING: {
        auto* text = reinterpret_cast<const char*>(lParam);
        int at = (Style(hwnd) & LBS_SORT) ? SortedIndex(st, text) : Count(st);
        return InsertAt(hwnd, st, at, text);
    }
    case LB_INSERTSTRING: {
        int index = static_cast<int>(wParam);
        if (index > Count(st)) return LB_ERR;
        return InsertAt(hwnd, st, index, reinterpret_cast<const char*>(lParam));
    }
    case LB_DELETESTRING: {
        int index = static_cast<int>(wParam);
        if (index < 0 || index >= Count(st)) return LB_ERR;
        st->items.erase(st->items.begin() + index);
        if (st->cur == index) st->cur = -1;
        else if (st->cur > index) --st->cur;
        st->top = std::clamp(st->top, 0, MaxTop(hwnd, st));
        InvalidateRect(hwnd, nullptr, FALSE);
        return Count(st);
    }
    case LB_RESETCONTENT:
        st->items.clear();
        st->cur = -1;
        st->top = 0;
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case LB_SETCURSEL: {
        int index = static_cast<int>(wParam);
        if (index < -1 || index >= Count(st)) {
            SetCurrent(hwnd, st, -1);
            return LB_ERR;
        }
        SetCurrent(hwnd, st, index);
        return index < 0 ? LB_ERR : index;
    }
    case LB_GETCURSEL:
        return st->cur;
    case LB_GETSEL: {
        int index = static_cast<int>(wParam);
        if (index < 0 || index >= Count(st)) return LB_ERR;
        return index == st->cur ? 1 : 0;
    }
    case LB_GETTEXT:
        return GetText(st, wParam, lParam);
    case LB_GETTEXTLEN:
        return wParam < st->items.size() ? static_cast<LRESULT>(st->items[wParam].text.size()) : LB_ERR;
    case LB_GETCOUNT:
        return Count(st);
    case LB_GETITEMDATA:
        return wParam < st->items.size() ? static_cast<LRESULT>(st->items[wParam].data) : LB_ERR;
    case LB_SETITEMDATA:
        if (wParam >= st->items.size()) return LB_ERR;
        st->items[wParam].data = static_cast<ULONG_PTR>(lParam);
        return 0;
    case LB_FINDSTRING:
    case LB_FINDSTRINGEXACT: {
        auto* text = reinterpret_cast<const char*>(lParam);
        int r = FindPrefix(st, text ? text : "", static_cast<int>(wParam), msg == LB_FINDSTRINGEXACT);
        if (r < 0 && text && !*text && Count(st) > 0 && msg == LB_FINDSTRING) r = 0;
        return r < 0 ? LB_ERR : r;
    }
    case LB_SELECTSTRING: {
        auto* text = reinterpret_cast<const char*>(lParam);
        int r = FindPrefix(st, text ? text : "", static_cast<int>(wParam), false);
        if (r < 0) return LB_ERR;
        SetCurrent(hwnd, st, r);
        return r;
    }
    case LB_GETTOPINDEX:
        return st->top;
    case LB_SETTOPINDEX:
        if (static_cast<int>(wParam) < 0 || static_cast<int>(wParam) >= std::max(1, Count(st))) return LB_ERR;
        SetTop(hwnd, st, static_cast<int>(wParam));
        return 0;
    case LB_GETITEMRECT: {
        int index = static_cast<int>(wParam);
        if (index < 0 || index >= Count(st) || !lParam) return LB_ERR;
        RECT ir = ItemsRect(hwnd, st);
        int y = ir.top + (index - st->top) * ItemHeight(st);
        *reinterpret_cast<RECT*>(lParam) = RECT{ir.left, y, ir.right, y + ItemHeight(st)};
        return 0;
    }
    case LB_SETITEMHEIGHT:
        if (LOWORD(lParam) == 0 || LOWORD(lParam) > 255) return LB_ERR;
        st->itemHeight = LOWORD(lParam);
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case LB_GETITEMHEIGHT:
        return ItemHeight(st);
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

WNDPROC ListBoxWndProc() { return ControlProc<ListState, Paint, ListMessage>; }

} // namespace win::detail
