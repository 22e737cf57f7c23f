// The tooltips_class32 class: tools, relayed mouse input, initial, re-show and auto-pop delays, and display.
#include <algorithm>
#include <map>
#include <vector>

#include "control_proc.h"
#include "menu_data.h"

namespace win::detail {

namespace {

constexpr UINT_PTR kShowTimer = 1;
constexpr UINT_PTR kPopTimer = 2;
constexpr UINT_PTR kLeaveTimer = 3;
constexpr UINT kLeaveInterval = 100;

struct Tool {
    UINT flags = 0;
    HWND hwnd = nullptr;
    UINT_PTR id = 0;
    RECT rect{};
    bool callback = false;
    std::string text;
    LPARAM lParam = 0;
    HINSTANCE hinst = nullptr;
};

struct TipState {
    std::vector<Tool> tools;
    bool active = true;
    int delays[4] = {-1, -1, -1, -1}; // by TTDT_ index; -1: derived from the double-click time
    int hot = -1;
    bool shown = false;
    bool suppressed = false; // after a click or an auto-pop, until the pointer reaches another tool
    ULONGLONG hiddenAt = 0;
    bool everShown = false;
    std::string current;
    HFONT font = nullptr;

    void Attach(HWND tip, const CREATESTRUCT*);
    void Detach(HWND tip);
};

TipState* State(HWND tip) { return ControlState<TipState>(tip); }

int Delay(const TipState* st, DWORD which) {
    int base = static_cast<int>(GetDoubleClickTime());
    if (st->delays[TTDT_AUTOMATIC] >= 0) base = st->delays[TTDT_AUTOMATIC];
    if (st->delays[which] >= 0) return st->delays[which];
    switch (which) {
    case TTDT_AUTOPOP: return base * 10;
    case TTDT_RESHOW: return base / 5;
    default: return base;
    }
}

// Windows whose mouse input is relayed to tooltips because a tool asked for TTF_SUBCLASS.
struct Subclass {
    WNDPROC old = nullptr;
    std::vector<HWND> tips;
};
std::map<HWND, Subclass>& Subclasses() {
    static std::map<HWND, Subclass> map;
    return map;
}

HWND ToolWindow(const Tool& t) { return (t.flags & TTF_IDISHWND) ? reinterpret_cast<HWND>(t.id) : t.hwnd; }

LRESULT SubclassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto it = Subclasses().find(hwnd);
    if (it == Subclasses().end()) return DefWindowProc(hwnd, msg, wParam, lParam);
    WNDPROC old = it->second.old;
    if ((msg >= WM_MOUSEFIRST && msg <= WM_MOUSELAST) || msg == WM_MOUSELEAVE) {
        MSG m{hwnd, msg, wParam, lParam, 0, POINT{0, 0}};
        std::vector<HWND> tips = it->second.tips;
        for (HWND tip : tips)
            if (IsWindow(tip)) SendMessage(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
    }
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtr(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(old));
        Subclasses().erase(hwnd);
    }
    return CallWindowProc(old, hwnd, msg, wParam, lParam);
}

void AddSubclass(HWND target, HWND tip) {
    if (!IsWindow(target)) return;
    auto& entry = Subclasses()[target];
    if (!entry.old) {
        entry.old = reinterpret_cast<WNDPROC>(GetWindowLongPtr(target, GWLP_WNDPROC));
        SetWindowLongPtr(target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SubclassProc));
    }
    if (std::find(entry.tips.begin(), entry.tips.end(), tip) == entry.tips.end()) entry.tips.push_back(tip);
}

void RemoveSubclass(HWND target, HWND tip) {
    auto it = Subclasses().find(target);
    if (it == Subclasses().end()) return;
    std::erase(it->second.tips, tip);
    if (it->second.tips.empty()) {
        if (IsWindow(target) && GetWindowLongPtr(target, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(SubclassProc))
            SetWindowLongPtr(target, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(it->second.old));
        Subclasses().erase(it);
    }
}

int FindTool(const TipState* st, HWND hwnd, UINT_PTR id) {
    for (size_t i = 0; i < st->tools.size(); ++i)
        if (st->tools[i].hwnd == hwnd && st->tools[i].id == id) return static_cast<int>(i);
    return -1;
}

int ToolAt(const TipState* st, HWND hwnd, POINT pt) {
    for (size_t i = 0; i < st->tools.size(); ++i) {
        const Tool& t = st->tools[i];
        if (t.flags & TTF_IDISHWND) {
            if (reinterpret_cast<HWND>(t.id) == hwnd) return static_cast<int>(i);
        } else if (t.hwnd == hwnd && PtInRect(&t.rect, pt)) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

void CopyText(Tool* t, LPSTR text) {
    t->callback = text == LPSTR_TEXTCALLBACK;
    t->text.clear();
    if (!t->callback && text && !IS_INTRESOURCE(text)) t->text = text;
}

void Notify(HWND tip, const Tool& t, UINT code) {
    NMHDR hdr{tip, t.id, code};
    if (IsWindow(t.hwnd)) SendMessage(t.hwnd, WM_NOTIFY, t.id, reinterpret_cast<LPARAM>(&hdr));
}

std::string TextOf(HWND tip, const Tool& t) {
    if (!t.callback) return t.text;
    NMTTDISPINFO info{};
    info.hdr = NMHDR{tip, t.id, TTN_GETDISPINFO};
    info.lParam = t.lParam;
    info.uFlags = t.flags;
    if (IsWindow(t.hwnd)) SendMessage(t.hwnd, WM_NOTIFY, t.id, reinterpret_cast<LPARAM>(&info));
    if (info.lpszText && info.lpszText != LPSTR_TEXTCALLBACK && !IS_INTRESOURCE(info.lpszText)) return info.lpszText;
    info.szText[sizeof info.szText - 1] = 0;
    return info.szText;
}

void Hide(HWND tip, TipState* st) {
    KillTimer(tip, kPopTimer);
    KillTimer(tip, kLeaveTimer);
    if (!st->shown) return;
    st->shown = false;
    st->hiddenAt = GetTickCount64();
    ShowWindow(tip, SW_HIDE);
    if (st->hot >= 0 && static_cast<size_t>(st->hot) < st->tools.size()) Notify(tip, st->tools[static_cast<size_t>(st->hot)], TTN_POP);
}

void Show(HWND tip, TipState* st) {
    KillTimer(tip, kShowTimer);
    if (!st->active || st->hot < 0 || static_cast<size_t>(st->hot) >= st->tools.size()) return;
    Tool tool = st->tools[static_cast<size_t>(st->hot)];
    if (!(Style(tip) & TTS_ALWAYSTIP)) {
        HWND root = GetAncestor(ToolWindow(tool) ? ToolWindow(tool) : tool.hwnd, GA_ROOT);
        HWND active = GetActiveWindow();
        if (active && root && active != root) return;
    }
    std::string text = TextOf(tip, tool);
    if (!IsWindow(tip) || text.empty()) return;
    st = State(tip);
    st->current = text;
    SetWindowText(tip, text.c_str());
    HFONT font = ControlFont(st->font);
    int lineH = 13;
    FontMetrics(font, &lineH, nullptr);
    int w = TextWidth(font, (Style(tip) & TTS_NOPREFIX) ? text : StripMnemonic(text)) + 8;
    int h = lineH + 4;
    POINT cursor{0, 0};
    GetCursorPos(&cursor);
    int x = cursor.x, y = cursor.y + 20;
    int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    if (sw > 0 && x + w > sw) x = sw - w;
    if (sh > 0 && y + h > sh) y = cursor.y - h - 2;
    x = std::max(0, x);
    y = std::max(0, y);
    SetWindowPos(tip, HWND_TOPMOST, x, y, w, h, SWP_NOACTIVATE);
    ShowWindow(tip, SW_SHOWNA);
    InvalidateRect(tip, nullptr, FALSE);
    st->shown = true;
    st->everShown = true;
    SetTimer(tip, kPopTimer, static_cast<UINT>(std::max(1, Delay(st, TTDT_AUTOPOP))), nullptr);
    SetTimer(tip, kLeaveTimer, kLeaveInterval, nullptr);
    Notify(tip, tool, TTN_SHOW);
}

void Relay(HWND tip, TipState* st, const MSG* m) {
    if (!m || !IsWindow(m->hwnd)) return;
    switch (m->message) {
    case WM_MOUSEMOVE: {
        POINT pt{GET_X_LPARAM(m->lParam), GET_Y_LPARAM(m->lParam)};
        int found = ToolAt(st, m->hwnd, pt);
        if (found == st->hot) return;
        bool wasShown = st->shown;
        Hide(tip, st);
        st->hot = found;
        st->suppressed = false;
        KillTimer(tip, kShowTimer);
        if (found < 0 || !st->active) return;
        bool recent = wasShown || (st->everShown && GetTickCount64() - st->hiddenAt < static_cast<ULONGLONG>(Delay(st, TTDT_INITIAL)));
        int delay = recent ? Delay(st, TTDT_RESHOW) : Delay(st, TTDT_INITIAL);
        SetTimer(tip, kShowTimer, static_cast<UINT>(std::max(1, delay)), nullptr);
        return;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
    case WM_RBUTTONDBLCLK:
    case WM_MOUSEWHEEL:
        KillTimer(tip, kShowTimer);
        Hide(tip, st);
        st->suppressed = true;
        return;
    case WM_MOUSELEAVE:
        KillTimer(tip, kShowTimer);
        Hide(tip, st);
        st->hot = -1;
        return;
    default:
        return;
    }
}

// The pointer left the tool without a relayed move (it left the window): hide.
void CheckLeave(HWND tip, TipState* st) {
    if (st->hot < 0 || static_cast<size_t>(st->hot) >= st->tools.size()) {
        Hide(tip, st);
        return;
    }
    const Tool& t = st->tools[static_cast<size_t>(st->hot)];
    POINT cursor;
    if (!GetCursorPos(&cursor)) return;
    RECT area;
    HWND wnd = ToolWindow(t);
    if (!IsWindow(wnd)) {
        Hide(tip, st);
        st->hot = -1;
        return;
    }
    if (t.flags & TTF_IDISHWND) {
        GetWindowRect(wnd, &area);
    } else {
        area = t.rect;
        POINT tl{area.left, area.top};
        ClientToScreen(wnd, &tl);
        OffsetRect(&area, tl.x - area.left, tl.y - area.top);
    }
    if (!PtInRect(&area, cursor) || WindowFromPoint(cursor) != wnd) {
        Hide(tip, st);
        st->hot = -1;
    }
}

void Paint(HWND tip, TipState* st, HDC dc) {
    RECT rc;
    GetClientRect(tip, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_INFOBK));
    FrameRect(dc, &rc, GetSysColorBrush(COLOR_WINDOWFRAME));
    HGDIOBJ old = SelectObject(dc, ControlFont(st->font));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
    RECT text = rc;
    InflateRect(&text, -4, -2);
    DrawText(dc, st->current.c_str(), -1, &text,
             DT_LEFT | DT_VCENTER | DT_SINGLELINE | ((Style(tip) & TTS_NOPREFIX) ? DT_NOPREFIX : DT_HIDEPREFIX));
    SelectObject(dc, old);
}

void FillInfo(const Tool& t, TOOLINFO* ti) {
    ti->uFlags = t.flags;
    ti->hwnd = t.hwnd;
    ti->uId = t.id;
    ti->rect = t.rect;
    ti->hinst = t.hinst;
    if (ti->cbSize > TTTOOLINFO_V1_SIZE) ti->lParam = t.lParam;
}

// A tooltip is always a hidden popup at first, whatever style it was created with.
void TipState::Attach(HWND tip, const CREATESTRUCT*) {
    LONG_PTR style = GetWindowLongPtr(tip, GWL_STYLE);
    SetWindowLongPtr(tip, GWL_STYLE, (style & ~static_cast<LONG_PTR>(WS_CHILD | WS_VISIBLE)) | WS_POPUP);
}

// The windows the tooltip watches get their own procedures back.
void TipState::Detach(HWND tip) {
    for (const Tool& t : tools)
        if (t.flags & TTF_SUBCLASS) RemoveSubclass(ToolWindow(t), tip);
}

LRESULT TipMessage(HWND tip, TipState* st, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_NCHITTEST:
        return HTTRANSPARENT;
    case WM_MOUSEACTIVATE:
        return MA_NOACTIVATE;
    case WM_TIMER:
        if (wParam == kShowTimer) {
            KillTimer(tip, kShowTimer);
            if (!st->suppressed) Show(tip, st);
        } else if (wParam == kPopTimer) {
            Hide(tip, st);
            st->suppressed = true;
        } else if (wParam == kLeaveTimer) {
            CheckLeave(tip, st);
        }
        return 0;
    case TTM_ACTIVATE:
        // A switch either way forgets the tool under the pointer, so that the next move over any
        // tool, the last one too, waits for its tip again.
        if ((wParam != 0) != st->active) {
            KillTimer(tip, kShowTimer);
            Hide(tip, st);
            st->hot = -1;
        }
        st->active = wParam != 0;
        return 0;
    case TTM_SETDELAYTIME: {
        int ms = static_cast<SHORT>(LOWORD(lParam));
        if (wParam > TTDT_INITIAL) return 0;
        st->delays[wParam] = ms < 0 ? -1 : static_cast<int>(LOWORD(lParam));
        if (wParam == TTDT_AUTOMATIC) st->delays[TTDT_AUTOPOP] = st->delays[TTDT_RESHOW] = st->delays[TTDT_INITIAL] = -1;
        return 0;
    }
    case TTM_GETDELAYTIME:
        return wParam <= TTDT_INITIAL ? Delay(st, static_cast<DWORD>(wParam)) : 0;
    case TTM_ADDTOOL: {
        auto* ti = reinterpret_cast<TOOLINFO*>(lParam);
        if (!ti || ti->cbSize < TTTOOLINFO_V1_SIZE) return FALSE;
        if (!(ti->uFlags & TTF_IDISHWND) && !IsWindow(ti->hwnd)) return FALSE;
        Tool t;
        t.flags = ti->uFlags;
        t.hwnd = ti->hwnd;
        t.id = ti->uId;
        t.rect = ti->rect;
        t.hinst = ti->hinst;
        if (ti->cbSize > TTTOOLINFO_V1_SIZE) t.lParam = ti->lParam;
        CopyText(&t, ti->lpszText);
        int existing = FindTool(st, t.hwnd, t.id);
        if (existing >= 0) st->tools[static_cast<size_t>(existing)] = t;
        else st->tools.push_back(t);
        if (t.flags & TTF_SUBCLASS) AddSubclass(ToolWindow(t), tip);
        return TRUE;
    }
    case TTM_DELTOOL: {
        auto* ti = reinterpret_cast<TOOLINFO*>(lParam);
        if (!ti) return 0;
        int index = FindTool(st, ti->hwnd, ti->uId);
        if (index < 0) return 0;
        if (index == st->hot) {
            KillTimer(tip, kShowTimer);
            Hide(tip, st);
            st->hot = -1;
        } else if (index < st->hot) {
            --st->hot;
        }
        Tool removed = st->tools[static_cast<size_t>(index)];
        st->tools.erase(st->tools.begin() + index);
        if (removed.flags & TTF_SUBCLASS) {
            bool stillUsed = false;
            for (const Tool& other : st->tools)
                if ((other.flags & TTF_SUBCLASS) && ToolWindow(other) == ToolWindow(removed)) stillUsed = true;
            if (!stillUsed) RemoveSubclass(ToolWindow(removed), tip);
        }
        return 0;
    }
    case TTM_NEWTOOLRECT: {
        auto* ti = reinterpret_cast<TOOLINFO*>(lParam);
        if (!ti) return 0;
        int index = FindTool(st, ti->hwnd, ti->uId);
        if (index >= 0) st->tools[static_cast<size_t>(index)].rect = ti->rect;
        return 0;
    }
    case TTM_UPDATETIPTEXT: {
        auto* ti = reinterpret_cast<TOOLINFO*>(lParam);
        if (!ti) return 0;
        int index = FindTool(st, ti->hwnd, ti->uId);
        if (index < 0) return 0;
        CopyText(&st->tools[static_cast<size_t>(index)], ti->lpszText);
        if (st->shown && index == st->hot) Show(tip, st);
        return 0;
    }
    case TTM_GETTOOLINFO: {
        auto* ti = reinterpret_cast<TOOLINFO*>(lParam);
        if (!ti) return FALSE;
        int index = FindTool(st, ti->hwnd, ti->uId);
        if (index < 0) return FALSE;
        FillInfo(st->tools[static_cast<size_t>(index)], ti);
        return TRUE;
    }
    case TTM_SETTOOLINFO: {
        auto* ti = reinterpret_cast<TOOLINFO*>(lParam);
        if (!ti) return 0;
        int index = FindTool(st, ti->hwnd, ti->uId);
        if (index < 0) return 0;
        Tool& t = st->tools[static_cast<size_t>(index)];
        t.rect = ti->rect;
        CopyText(&t, ti->lpszText);
        if (ti->cbSize > TTTOOLINFO_V1_SIZE) t.lParam = ti->lParam;
        return 0;
    }
    case TTM_GETTEXT: {
        auto* ti = reinterpret_cast<TOOLINFO*>(lParam);
        if (!ti || !ti->lpszText) return 0;
        int index = FindTool(st, ti->hwnd, ti->uId);
        std::string text = index >= 0 ? TextOf(tip, st->tools[static_cast<size_t>(index)]) : std::string();
        size_t cap = wParam ? wParam : 80;
        size_t n = std::min(text.size(), cap - 1);
        text.copy(ti->lpszText, n);
        ti->lpszText[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case TTM_GETTOOLCOUNT:
        return static_cast<LRESULT>(st->tools.size());
    case TTM_RELAYEVENT:
        Relay(tip, st, reinterpret_cast<const MSG*>(lParam));
        return 0;
    case TTM_POP:
        KillTimer(tip, kShowTimer);
        Hide(tip, st);
        return 0;
    case TTM_POPUP:
    case TTM_UPDATE:
        if (st->hot >= 0 && (msg == TTM_POPUP || st->shown)) Show(tip, st);
        return 0;
    case TTM_SETMAXTIPWIDTH:
        return -1;
    case TTM_WINDOWFROMPOINT:
        return reinterpret_cast<LRESULT>(WindowFromPoint(*reinterpret_cast<POINT*>(lParam)));
    }
    return DefWindowProc(tip, msg, wParam, lParam);
}

} // namespace

WNDPROC TooltipWndProc() { return ControlProc<TipState, Paint, TipMessage>; }

} // namespace win::detail
