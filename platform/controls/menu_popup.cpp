// Pop-up menus: layout and painting, TrackPopupMenu's modal loop, mouse and keyboard navigation.
#include <algorithm>
#include <cctype>
#include <memory>
#include <vector>

#include "control_proc.h"
#include "menu_data.h"

namespace win::detail {

extern const char* const kMenuPopupClass;
const char* const kMenuPopupClass = "#32768";

bool TakePopupMenuAnswer(std::function<UINT(HMENU, HWND)>* out);

namespace {

constexpr int kBorder = 3;
constexpr int kCheckColumn = 20;
constexpr int kArrowColumn = 18;
constexpr int kKeyGap = 24;
constexpr int kSeparatorHeight = 8;
constexpr int kColumnBarWidth = 6;
constexpr UINT_PTR kOpenTimer = 1;
constexpr UINT kOpenDelay = 400;

struct ItemBox {
    RECT rc; // client coordinates of the level's window
    int column;
};

struct Level {
    HMENU menu = nullptr;
    HWND wnd = nullptr;
    int selected = -1;
    int parentItem = -1; // the item of the level above that opened this one
    std::vector<ItemBox> boxes;
    std::vector<int> columnBars; // x of the bar before a column started with MF_MENUBARBREAK
    SIZE size{0, 0};
    int keyColumn = 0; // right edge offset of key texts within each column
};

struct Tracker {
    HWND owner = nullptr;
    UINT flags = 0;
    std::vector<std::unique_ptr<Level>> levels;
    bool done = false;
    UINT chosen = 0;
    bool armed = false; // a button release may choose once the pointer moved or a button went down inside
    POINT openedAt{0, 0};
    int pendingLevel = -1; // level whose selected item's sub-menu opens when the timer fires
};

Tracker* g_tracker = nullptr;

HFONT MenuFont() {
    static HFONT font = CreateFont(-12, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "MS Shell Dlg");
    return font;
}

int ItemHeight() {
    int h = 13;
    FontMetrics(MenuFont(), &h, nullptr);
    return std::max(h + 7, 19);
}

bool Notifies(const Tracker* t) { return !(t->flags & TPM_NONOTIFY); }

void Layout(Level* level) {
    Menu* m = MenuFromHandle(level->menu);
    level->boxes.clear();
    level->columnBars.clear();
    if (!m) return;
    HFONT font = MenuFont();
    int itemH = ItemHeight();
    struct Column {
        int first, last, labelW, keyW, height;
        bool bar;
    };
    std::vector<Column> cols;
    for (size_t i = 0; i < m->items.size(); ++i) {
        const MenuItem& it = m->items[i];
        bool breakHere = i > 0 && (it.type & (MFT_MENUBREAK | MFT_MENUBARBREAK));
        if (cols.empty() || breakHere)
            cols.push_back({static_cast<int>(i), static_cast<int>(i), 0, 0, 0, (it.type & MFT_MENUBARBREAK) != 0});
        Column& c = cols.back();
        c.last = static_cast<int>(i);
        if (it.IsSeparator()) {
            c.height += kSeparatorHeight;
            continue;
        }
        c.height += itemH;
        c.labelW = std::max(c.labelW, TextWidth(font, StripMnemonic(it.Label())));
        c.keyW = std::max(c.keyW, TextWidth(font, it.KeyText()));
    }
    int x = kBorder;
    int maxH = 0;
    level->boxes.resize(m->items.size());
    for (size_t ci = 0; ci < cols.size(); ++ci) {
        Column& c = cols[ci];
        if (ci > 0) {
            if (c.bar) level->columnBars.push_back(x + kColumnBarWidth / 2 - 1);
            x += kColumnBarWidth;
        }
        int width = kCheckColumn + c.labelW + (c.keyW ? kKeyGap + c.keyW : 0) + kArrowColumn;
        width = std::max(width, 80);
        int y = kBorder;
        for (int i = c.first; i <= c.last; ++i) {
            int h = m->items[static_cast<size_t>(i)].IsSeparator() ? kSeparatorHeight : itemH;
            level->boxes[static_cast<size_t>(i)] = {RECT{x, y, x + width, y + h}, static_cast<int>(ci)};
            y += h;
        }
        maxH = std::max(maxH, y);
        x += width;
    }
    level->size = SIZE{x + kBorder, std::max(maxH, kBorder + 4) + kBorder};
}

void DrawCheck(HDC dc, RECT box, bool radio, COLORREF color) {
    int cx = box.left + kCheckColumn / 2, cy = (box.top + box.bottom) / 2;
    HBRUSH brush = CreateSolidBrush(color);
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    if (radio) {
        Ellipse(dc, cx - 3, cy - 3, cx + 4, cy + 4);
    } else {
        for (int k = 0; k < 3; ++k) {
            MoveToEx(dc, cx - 4, cy - 1 + k, nullptr);
            LineTo(dc, cx - 1, cy + 2 + k);
            LineTo(dc, cx + 5, cy - 4 + k);
        }
    }
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void DrawArrow(HDC dc, RECT box, COLORREF color) {
    int x = box.right - kArrowColumn / 2 - 2, cy = (box.top + box.bottom) / 2;
    HBRUSH brush = CreateSolidBrush(color);
    HPEN pen = CreatePen(PS_SOLID, 1, color);
    HGDIOBJ oldBrush = SelectObject(dc, brush);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    POINT tri[3] = {{x, cy - 4}, {x + 4, cy}, {x, cy + 4}};
    Polygon(dc, tri, 3);
    SelectObject(dc, oldPen);
    SelectObject(dc, oldBrush);
    DeleteObject(pen);
    DeleteObject(brush);
}

void PaintLevel(Level* level, HDC dc) {
    RECT rc{0, 0, level->size.cx, level->size.cy};
    FillRect(dc, &rc, GetSysColorBrush(COLOR_MENU));
    DrawEdge(dc, &rc, EDGE_RAISED, BF_RECT);
    Menu* m = MenuFromHandle(level->menu);
    if (!m) return;
    HGDIOBJ oldFont = SelectObject(dc, MenuFont());
    for (int bar : level->columnBars) {
        RECT line{bar, kBorder, bar + 2, level->size.cy - kBorder};
        DrawEdge(dc, &line, EDGE_ETCHED, BF_LEFT);
    }
    for (size_t i = 0; i < m->items.size() && i < level->boxes.size(); ++i) {
        const MenuItem& it = m->items[i];
        RECT box = level->boxes[i].rc;
        if (it.IsSeparator()) {
            RECT line{box.left + 1, box.top + kSeparatorHeight / 2 - 1, box.right - 1, box.top + kSeparatorHeight / 2 + 1};
            DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
            continue;
        }
        bool hot = static_cast<int>(i) == level->selected;
        bool disabled = it.IsDisabled();
        if (hot) FillRect(dc, &box, GetSysColorBrush(COLOR_HIGHLIGHT));
        COLORREF textColor = GetSysColor(hot ? (disabled ? COLOR_GRAYTEXT : COLOR_HIGHLIGHTTEXT) : COLOR_MENUTEXT);
        bool embossed = disabled && !hot;
        RECT label{box.left + kCheckColumn, box.top, box.right - kArrowColumn, box.bottom};
        DrawControlText(dc, it.Label(), label, DT_LEFT | DT_VCENTER | DT_SINGLELINE, !embossed, textColor);
        std::string key = it.KeyText();
        if (!key.empty())
            DrawControlText(dc, key, label, DT_RIGHT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX, !embossed, textColor);
        COLORREF markColor = embossed ? GetSysColor(COLOR_GRAYTEXT) : textColor;
        if (it.state & MFS_CHECKED) DrawCheck(dc, box, (it.type & MFT_RADIOCHECK) != 0, markColor);
        if (it.subMenu) DrawArrow(dc, box, markColor);
    }
    SelectObject(dc, oldFont);
}

Level* LevelOf(HWND wnd, int* index = nullptr) {
    if (!g_tracker) return nullptr;
    for (size_t i = 0; i < g_tracker->levels.size(); ++i)
        if (g_tracker->levels[i]->wnd == wnd) {
            if (index) *index = static_cast<int>(i);
            return g_tracker->levels[i].get();
        }
    return nullptr;
}

void OpenSubMenu(Tracker* t, int levelIndex, bool selectFirst);

LRESULT PopupProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_TIMER:
        // The hover delay ran out: open the sub-menu of the item still selected. Handled here rather than
        // in the loop so the timer works however the message reaches the window.
        if (wParam == kOpenTimer) {
            KillTimer(hwnd, kOpenTimer);
            int li = -1;
            if (g_tracker && LevelOf(hwnd, &li) && li == g_tracker->pendingLevel) {
                g_tracker->pendingLevel = -1;
                OpenSubMenu(g_tracker, li, false);
            }
            return 0;
        }
        return DefWindowProc(hwnd, msg, wParam, lParam);
    case WM_PAINT:
        PaintWindow(hwnd, [&](HDC dc) {
            if (Level* level = LevelOf(hwnd)) PaintLevel(level, dc);
        });
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    default:
        return DefWindowProc(hwnd, msg, wParam, lParam);
    }
}

void Repaint(Level* level) {
    if (level->wnd) InvalidateRect(level->wnd, nullptr, FALSE);
}

UINT ItemFlags(const MenuItem& it) {
    UINT f = MF_HILITE;
    if (it.subMenu) f |= MF_POPUP;
    if (it.state & MFS_DISABLED) f |= it.state & (MF_GRAYED | MF_DISABLED);
    if (it.state & MFS_CHECKED) f |= MF_CHECKED;
    return f;
}

void Select(Tracker* t, int levelIndex, int item, bool mouse) {
    Level* level = t->levels[static_cast<size_t>(levelIndex)].get();
    if (level->selected == item) return;
    level->selected = item;
    Repaint(level);
    if (!Notifies(t)) return;
    Menu* m = MenuFromHandle(level->menu);
    if (m && item >= 0 && static_cast<size_t>(item) < m->items.size()) {
        const MenuItem& it = m->items[static_cast<size_t>(item)];
        UINT flags = ItemFlags(it) | (mouse ? MF_MOUSESELECT : 0);
        UINT id = it.subMenu ? static_cast<UINT>(item) : it.id;
        SendMessage(t->owner, WM_MENUSELECT, MAKEWPARAM(static_cast<WORD>(id), static_cast<WORD>(flags)),
                    reinterpret_cast<LPARAM>(level->menu));
    }
}

void CloseLevelsAbove(Tracker* t, int keep) {
    while (static_cast<int>(t->levels.size()) > keep + 1) {
        std::unique_ptr<Level> top = std::move(t->levels.back());
        t->levels.pop_back();
        if (top->wnd) DestroyWindow(top->wnd);
        if (Notifies(t)) SendMessage(t->owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(top->menu), 0);
    }
    if (!t->levels.empty() && t->levels.back()->wnd && GetCapture() != t->levels.back()->wnd)
        SetCapture(t->levels.back()->wnd);
}

SIZE ScreenSize() {
    int w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
    return SIZE{w > 0 ? w : 1 << 15, h > 0 ? h : 1 << 15};
}

bool OpenLevel(Tracker* t, HMENU menu, POINT at, int parentItem, const RECT* parentBox) {
    auto level = std::make_unique<Level>();
    level->menu = menu;
    level->parentItem = parentItem;
    Layout(level.get());
    SIZE screen = ScreenSize();
    int w = level->size.cx, h = level->size.cy;
    int x = at.x, y = at.y;
    if (parentBox) {
        if (x + w > screen.cx) x = parentBox->left - w + kBorder;
    } else {
        if (t->flags & TPM_CENTERALIGN) x -= w / 2;
        else if (t->flags & TPM_RIGHTALIGN) x -= w;
        if (t->flags & TPM_VCENTERALIGN) y -= h / 2;
        else if (t->flags & TPM_BOTTOMALIGN) y -= h;
        if (x + w > screen.cx) x = (x - w >= 0 && !(t->flags & (TPM_CENTERALIGN | TPM_RIGHTALIGN))) ? x - w : screen.cx - w;
    }
    if (y + h > screen.cy) y = (!parentBox && at.y - h >= 0) ? at.y - h : screen.cy - h;
    x = std::max(0, x);
    y = std::max(0, y);
    level->wnd = CreateWindowEx(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kMenuPopupClass, "", WS_POPUP, x, y, w, h, t->owner,
                                nullptr, nullptr, nullptr);
    if (!level->wnd) return false;
    HWND wnd = level->wnd;
    t->levels.push_back(std::move(level));
    ShowWindow(wnd, SW_SHOWNA);
    UpdateWindow(wnd);
    SetCapture(wnd);
    return true;
}

// Opens the sub-menu of the selected item of a level; keyboard opening selects its first item.
void OpenSubMenu(Tracker* t, int levelIndex, bool selectFirst) {
    Level* level = t->levels[static_cast<size_t>(levelIndex)].get();
    Menu* m = MenuFromHandle(level->menu);
    if (!m || level->selected < 0) return;
    const MenuItem& it = m->items[static_cast<size_t>(level->selected)];
    if (!it.subMenu || it.IsDisabled()) return;
    if (static_cast<int>(t->levels.size()) > levelIndex + 1 && t->levels[static_cast<size_t>(levelIndex) + 1]->menu == it.subMenu) {
        if (selectFirst) Select(t, levelIndex + 1, 0, false);
        return;
    }
    CloseLevelsAbove(t, levelIndex);
    HMENU sub = it.subMenu;
    int parentItem = level->selected;
    if (Notifies(t))
        SendMessage(t->owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), MAKELPARAM(static_cast<WORD>(parentItem), FALSE));
    if (t->done || !MenuFromHandle(sub)) return;
    level = t->levels[static_cast<size_t>(levelIndex)].get();
    RECT box = level->boxes[static_cast<size_t>(parentItem)].rc;
    POINT topRight{box.right - kBorder, box.top - kBorder};
    ClientToScreen(level->wnd, &topRight);
    RECT screenBox = box;
    POINT tl{box.left, box.top};
    ClientToScreen(level->wnd, &tl);
    OffsetRect(&screenBox, tl.x - box.left, tl.y - box.top);
    if (!OpenLevel(t, sub, topRight, parentItem, &screenBox)) return;
    if (selectFirst) {
        Menu* sm = MenuFromHandle(sub);
        for (size_t i = 0; sm && i < sm->items.size(); ++i)
            if (!sm->items[i].IsSeparator()) {
                Select(t, levelIndex + 1, static_cast<int>(i), false);
                break;
            }
    }
}

void Choose(Tracker* t, int levelIndex, int item) {
    Menu* m = MenuFromHandle(t->levels[static_cast<size_t>(levelIndex)]->menu);
    if (!m || item < 0 || static_cast<size_t>(item) >= m->items.size()) return;
    const MenuItem& it = m->items[static_cast<size_t>(item)];
    if (it.IsSeparator() || it.IsDisabled()) return;
    if (it.subMenu) {
        Select(t, levelIndex, item, false);
        OpenSubMenu(t, levelIndex, true);
        return;
    }
    t->chosen = it.id;
    t->done = true;
}

void Cancel(Tracker* t) {
    t->chosen = 0;
    t->done = true;
}

// The level and item under a screen point; false when the point is outside every level.
bool HitTest(Tracker* t, POINT screen, int* levelIndex, int* item) {
    for (int li = static_cast<int>(t->levels.size()) - 1; li >= 0; --li) {
        Level* level = t->levels[static_cast<size_t>(li)].get();
        RECT wr;
        GetWindowRect(level->wnd, &wr);
        if (!PtInRect(&wr, screen)) continue;
        *levelIndex = li;
        *item = -1;
        POINT pt{screen.x - wr.left, screen.y - wr.top};
        for (size_t i = 0; i < level->boxes.size(); ++i)
            if (PtInRect(&level->boxes[i].rc, pt)) *item = static_cast<int>(i);
        return true;
    }
    return false;
}

bool HasOpenSub(Tracker* t, int levelIndex) { return static_cast<int>(t->levels.size()) > levelIndex + 1; }

void MouseMessage(Tracker* t, const MSG& msg) {
    POINT screen{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
    ClientToScreen(msg.hwnd, &screen);
    int li = -1, item = -1;
    bool inside = HitTest(t, screen, &li, &item);
    switch (msg.message) {
    case WM_MOUSEMOVE:
        if (screen.x != t->openedAt.x || screen.y != t->openedAt.y) t->armed = true;
        if (!inside) {
            if (!HasOpenSub(t, static_cast<int>(t->levels.size()) - 1)) Select(t, static_cast<int>(t->levels.size()) - 1, -1, true);
            return;
        }
        if (item < 0) return;
        if (HasOpenSub(t, li) && t->levels[static_cast<size_t>(li)]->selected == item) {
            CloseLevelsAbove(t, li + 1);
            return;
        }
        Select(t, li, item, true);
        {
            Menu* m = MenuFromHandle(t->levels[static_cast<size_t>(li)]->menu);
            const MenuItem& it = m->items[static_cast<size_t>(item)];
            if (it.subMenu && !it.IsDisabled()) {
                t->pendingLevel = li;
                SetTimer(t->levels[static_cast<size_t>(li)]->wnd, kOpenTimer, kOpenDelay, nullptr);
            } else {
                t->pendingLevel = -1;
                if (HasOpenSub(t, li)) CloseLevelsAbove(t, li);
            }
        }
        return;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
        if (!inside) {
            Cancel(t);
            return;
        }
        t->armed = true;
        if (item >= 0) {
            Select(t, li, item, true);
            Menu* m = MenuFromHandle(t->levels[static_cast<size_t>(li)]->menu);
            if (m->items[static_cast<size_t>(item)].subMenu) OpenSubMenu(t, li, false);
        }
        return;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (msg.message == WM_RBUTTONUP && !(t->flags & TPM_RIGHTBUTTON) && !t->armed) return;
        if (!inside || item < 0 || !t->armed) return;
        {
            Menu* m = MenuFromHandle(t->levels[static_cast<size_t>(li)]->menu);
            if (m->items[static_cast<size_t>(item)].subMenu) return;
        }
        Choose(t, li, item);
        return;
    default:
        return;
    }
}

int NextSelectable(Menu* m, int from, int step) {
    int n = static_cast<int>(m->items.size());
    for (int k = 1; k <= n; ++k) {
        int i = (((from < 0 ? (step > 0 ? -1 : 0) : from) + step * k) % n + n) % n;
        if (!m->items[static_cast<size_t>(i)].IsSeparator()) return i;
    }
    return -1;
}

// The item of another column nearest in height to the selected one.
int ColumnNeighbour(Level* level, int step) {
    if (level->selected < 0 || level->boxes.empty()) return -1;
    const ItemBox& cur = level->boxes[static_cast<size_t>(level->selected)];
    int target = cur.column + step;
    int best = -1, bestDist = 1 << 30;
    Menu* m = MenuFromHandle(level->menu);
    for (size_t i = 0; i < level->boxes.size(); ++i) {
        if (level->boxes[i].column != target || m->items[i].IsSeparator()) continue;
        int dist = std::abs(static_cast<int>(level->boxes[i].rc.top - cur.rc.top));
        if (dist < bestDist) best = static_cast<int>(i), bestDist = dist;
    }
    return best;
}

void Mnemonic(Tracker* t, char ch) {
    int li = static_cast<int>(t->levels.size()) - 1;
    Level* level = t->levels.back().get();
    Menu* m = MenuFromHandle(level->menu);
    if (!m) return;
    char want = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    std::vector<int> matches;
    for (size_t i = 0; i < m->items.size(); ++i)
        if (!m->items[i].IsSeparator() && m->items[i].Mnemonic() == want) matches.push_back(static_cast<int>(i));
    if (matches.size() == 1) {
        Select(t, li, matches[0], false);
        if (m->items[static_cast<size_t>(matches[0])].IsDisabled()) return;
        Choose(t, li, matches[0]);
        return;
    }
    if (matches.size() > 1) {
        auto next = std::upper_bound(matches.begin(), matches.end(), level->selected);
        Select(t, li, next == matches.end() ? matches[0] : *next, false);
        return;
    }
    if (Notifies(t)) {
        auto r = static_cast<DWORD>(SendMessage(t->owner, WM_MENUCHAR, MAKEWPARAM(static_cast<WORD>(ch), MF_POPUP),
                                                reinterpret_cast<LPARAM>(level->menu)));
        if (HIWORD(r) == MNC_EXECUTE) Choose(t, li, LOWORD(r));
        else if (HIWORD(r) == MNC_SELECT) Select(t, li, LOWORD(r), false);
        else if (HIWORD(r) == MNC_CLOSE) Cancel(t);
        else MessageBeep(0);
    }
}

void KeyMessage(Tracker* t, const MSG& msg) {
    int li = static_cast<int>(t->levels.size()) - 1;
    Level* level = t->levels.back().get();
    Menu* m = MenuFromHandle(level->menu);
    if (!m) return;
    if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
        if (msg.wParam >= 0x20 && msg.wParam < 0x80) Mnemonic(t, static_cast<char>(msg.wParam));
        return;
    }
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return;
    switch (msg.wParam) {
    case VK_UP:
    case VK_DOWN:
        Select(t, li, NextSelectable(m, level->selected, msg.wParam == VK_DOWN ? 1 : -1), false);
        return;
    case VK_HOME:
        Select(t, li, NextSelectable(m, -1, 1), false);
        return;
    case VK_END:
        Select(t, li, NextSelectable(m, 0, -1), false);
        return;
    case VK_RIGHT: {
        if (level->selected >= 0 && m->items[static_cast<size_t>(level->selected)].subMenu) {
            OpenSubMenu(t, li, true);
            return;
        }
        int n = ColumnNeighbour(level, 1);
        if (n >= 0) Select(t, li, n, false);
        return;
    }
    case VK_LEFT: {
        int n = ColumnNeighbour(level, -1);
        if (n >= 0) {
            Select(t, li, n, false);
        } else if (li > 0) {
            CloseLevelsAbove(t, li - 1);
        }
        return;
    }
    case VK_RETURN:
        if (level->selected >= 0) Choose(t, li, level->selected);
        return;
    case VK_ESCAPE:
        if (li > 0) CloseLevelsAbove(t, li - 1);
        else Cancel(t);
        return;
    case VK_MENU:
    case VK_F10:
        Cancel(t);
        return;
    default:
        return;
    }
}

UINT RunTracker(Tracker* t) {
    bool idleSent = false;
    while (!t->done) {
        if (t->levels.empty() || GetCapture() != t->levels.back()->wnd) {
            Cancel(t); // something else took the mouse (a cancel-mode or another capture)
            break;
        }
        MSG msg;
        if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!idleSent && Notifies(t)) {
                idleSent = true;
                SendMessage(t->owner, WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(t->levels.back()->wnd));
                continue;
            }
            BOOL got = GetMessage(&msg, nullptr, 0, 0);
            if (got <= 0) {
                if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
                Cancel(t);
                break;
            }
        } else if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            Cancel(t);
            break;
        }
        idleSent = false;
        if (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST && msg.message != WM_MOUSEWHEEL &&
            msg.message != WM_MOUSEHWHEEL) {
            MouseMessage(t, msg);
        } else if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
            TranslateMessage(&msg);
            KeyMessage(t, msg);
        } else if (msg.message == WM_CHAR || msg.message == WM_SYSCHAR) {
            KeyMessage(t, msg);
        } else if (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP) {
            // eaten while the menu is up
        } else {
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
    }
    return t->chosen;
}

BOOL Finish(UINT flags, HWND owner, UINT chosen) {
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(chosen);
    if (chosen) PostMessage(owner, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(chosen), 0), 0);
    return TRUE;
}

// The answer of the test hook: the owner prepares the menu as for a person; then the command is
// taken only when a person could have clicked it.
BOOL AnswerWith(const std::function<UINT(HMENU, HWND)>& answer, HMENU menu, UINT flags, HWND owner) {
    bool notify = !(flags & TPM_NONOTIFY);
    if (notify) {
        SendMessage(owner, WM_ENTERMENULOOP, TRUE, 0);
        SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
    }
    UINT command = answer(menu, owner);
    UINT chosen = 0;
    HMENU holder = nullptr;
    int position = 0;
    if (command && FindMenuItem(menu, command, MF_BYCOMMAND, &holder, &position)) {
        if (holder != menu && notify)
            SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(holder), MAKELPARAM(static_cast<WORD>(position), FALSE));
        MenuItem* it = FindMenuItem(menu, command, MF_BYCOMMAND, &holder, &position);
        if (it && !it->subMenu && !it->IsDisabled() && !it->IsSeparator()) {
            chosen = command;
            if (notify)
                SendMessage(owner, WM_MENUSELECT, MAKEWPARAM(static_cast<WORD>(command), static_cast<WORD>(ItemFlags(*it))),
                            reinterpret_cast<LPARAM>(holder));
        }
    }
    if (notify && IsWindow(owner)) {
        SendMessage(owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        SendMessage(owner, WM_UNINITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
        SendMessage(owner, WM_EXITMENULOOP, TRUE, 0);
    }
    return Finish(flags, owner, chosen);
}

} // namespace

WNDPROC MenuPopupWndProc() { return PopupProc; }

} // namespace win::detail

namespace win {

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params) {
    detail::EnsureControlClasses();
    if (!detail::MenuFromHandle(menu) || !IsWindow(owner)) return FALSE;
    if (detail::g_tracker) return FALSE; // one menu at a time
    std::function<UINT(HMENU, HWND)> answer;
    if (detail::TakePopupMenuAnswer(&answer)) return detail::AnswerWith(answer, menu, flags, owner);

    detail::Tracker tracker;
    tracker.owner = owner;
    tracker.flags = flags;
    tracker.openedAt = POINT{x, y};
    GetCursorPos(&tracker.openedAt);
    bool notify = !(flags & TPM_NONOTIFY);
    detail::g_tracker = &tracker;
    if (notify) {
        SendMessage(owner, WM_ENTERMENULOOP, TRUE, 0);
        SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(0, FALSE));
    }
    UINT chosen = 0;
    if (detail::MenuFromHandle(menu) && IsWindow(owner)) {
        POINT at{x, y};
        if (params && params->cbSize >= sizeof(TPMPARAMS)) {
            RECT ex = params->rcExclude;
            if (PtInRect(&ex, at)) at.y = ex.bottom;
        }
        if (detail::OpenLevel(&tracker, menu, at, -1, nullptr)) chosen = detail::RunTracker(&tracker);
    }
    detail::CloseLevelsAbove(&tracker, -1);
    if (GetCapture() && detail::LevelOf(GetCapture())) ReleaseCapture();
    detail::g_tracker = nullptr;
    if (notify && IsWindow(owner)) {
        SendMessage(owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
        SendMessage(owner, WM_EXITMENULOOP, TRUE, 0);
    }
    if (!IsWindow(owner)) return FALSE;
    return detail::Finish(flags, owner, chosen);
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL EndMenu() {
    if (!detail::g_tracker) return FALSE;
    detail::g_tracker->chosen = 0;
    detail::g_tracker->done = true;
    PostMessage(detail::g_tracker->owner, WM_NULL, 0, 0);
    return TRUE;
}

} // namespace win
