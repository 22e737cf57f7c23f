// The single-line EDIT class: caret, selection, typing, clipboard keys, limits and change notifications.
#include <algorithm>
#include <cctype>

#include "control_proc.h"

namespace win::detail {

namespace {

constexpr size_t kDefaultLimit = 30000;
// Alignment, several lines, case folding, hidden text, read-only and digits-only are not supported.
constexpr DWORD kUnsupportedStyles = 0xFFFF & ~ES_AUTOHSCROLL;

struct EditState {
    std::string text;
    size_t anchor = 0; // selection is [min(anchor, caret), max(anchor, caret))
    size_t caret = 0;
    size_t limit = kDefaultLimit;
    int scrollX = 0;
    bool focus = false;
    bool selecting = false;
    bool caretCreated = false;
    char16_t highSurrogate = 0; // the first half of a character typed as two UTF-16 units
    HFONT font = nullptr;

    size_t SelStart() const { return std::min(anchor, caret); }
    size_t SelEnd() const { return std::max(anchor, caret); }

    void Attach(HWND, const CREATESTRUCT* cs) {
        if (cs && cs->lpszName) text = cs->lpszName;
    }
    void Detach(HWND) {
        if (caretCreated) DestroyCaret();
    }
    void FontChanged(HWND hwnd);
};

bool HasBorder(HWND hwnd) { return (Style(hwnd) & WS_BORDER) || (ExStyle(hwnd) & WS_EX_CLIENTEDGE); }

// The rectangle the text is drawn in. The border itself is the window frame (non-client area); a
// bordered edit keeps a little more room between it and the text.
RECT TextRect(HWND hwnd) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    InflateRect(&rc, HasBorder(hwnd) ? -2 : -1, 0);
    return rc;
}

// Pixel offset of a byte position in the shown text.
int OffsetOf(const EditState* st, size_t pos) {
    return TextWidth(ControlFont(st->font), st->text.substr(0, std::min(pos, st->text.size())));
}

size_t PositionAt(HWND hwnd, const EditState* st, int x) {
    RECT tr = TextRect(hwnd);
    int target = x - tr.left + st->scrollX;
    size_t best = 0;
    int prevWidth = 0;
    for (size_t pos = 0; pos < st->text.size();) {
        size_t next = NextCharBoundary(st->text, pos);
        int w = OffsetOf(st, next);
        if (target < (prevWidth + w) / 2) return pos;
        best = next;
        prevWidth = w;
        pos = next;
    }
    return best;
}

int LineHeight(const EditState* st) {
    int h = 13;
    FontMetrics(ControlFont(st->font), &h, nullptr);
    return h;
}

int TextTop(HWND hwnd, const EditState* st) {
    RECT tr = TextRect(hwnd);
    return tr.top + std::max(0, (static_cast<int>(tr.bottom - tr.top) - LineHeight(st)) / 2);
}

void ScrollToCaret(HWND hwnd, EditState* st) {
    RECT tr = TextRect(hwnd);
    int width = std::max<int>(1, tr.right - tr.left);
    int x = OffsetOf(st, st->caret);
    if (x - st->scrollX > width - 1) st->scrollX = x - width + 1 + width / 4;
    if (x - st->scrollX < 0) st->scrollX = std::max(0, x - width / 4);
    if (st->scrollX > 0 && OffsetOf(st, st->text.size()) - st->scrollX < width - 1)
        st->scrollX = std::max(0, OffsetOf(st, st->text.size()) - width + 1);
}

void PlaceCaret(HWND hwnd, EditState* st) {
    if (!st->focus || !st->caretCreated) return;
    RECT tr = TextRect(hwnd);
    SetCaretPos(tr.left + OffsetOf(st, st->caret) - st->scrollX, TextTop(hwnd, st));
}

void Refresh(HWND hwnd, EditState* st) {
    ScrollToCaret(hwnd, st);
    InvalidateRect(hwnd, nullptr, FALSE);
    PlaceCaret(hwnd, st);
}

void SetSelection(HWND hwnd, EditState* st, size_t anchor, size_t caret) {
    st->anchor = std::min(anchor, st->text.size());
    st->caret = std::min(caret, st->text.size());
    Refresh(hwnd, st);
}

void Changed(HWND hwnd, EditState* st) {
    Refresh(hwnd, st);
    NotifyParent(hwnd, EN_UPDATE);
    if (IsWindow(hwnd)) NotifyParent(hwnd, EN_CHANGE);
}

// A single line ends at the first line break of inserted text.
std::string FirstLine(const std::string& in) { return in.substr(0, in.find_first_of("\r\n")); }

// Replaces the selection with text, within the limit. Returns true when the text changed.
bool ReplaceSelection(HWND hwnd, EditState* st, const std::string& raw, bool filter) {
    std::string ins = filter ? FirstLine(raw) : raw;
    size_t start = st->SelStart(), end = st->SelEnd();
    size_t room = st->limit - std::min(st->limit, st->text.size() - (end - start));
    bool truncated = false;
    if (ins.size() > room) {
        size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(ins[cut]) & 0xC0) == 0x80) --cut;
        ins.resize(cut);
        truncated = true;
    }
    if (ins.empty() && start == end) {
        if (truncated) NotifyParent(hwnd, EN_MAXTEXT);
        return false;
    }
    st->text.replace(start, end - start, ins);
    st->anchor = st->caret = start + ins.size();
    Changed(hwnd, st);
    if (truncated && IsWindow(hwnd)) NotifyParent(hwnd, EN_MAXTEXT);
    return true;
}

bool IsWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || (c & 0x80); }

size_t WordLeft(const std::string& s, size_t pos) {
    while (pos > 0 && !IsWordChar(s[pos - 1])) --pos;
    while (pos > 0 && IsWordChar(s[pos - 1])) --pos;
    return pos;
}

size_t WordRight(const std::string& s, size_t pos) {
    while (pos < s.size() && IsWordChar(s[pos])) ++pos;
    while (pos < s.size() && !IsWordChar(s[pos])) ++pos;
    return pos;
}

void Copy(HWND hwnd, EditState* st) {
    if (st->SelStart() == st->SelEnd()) return;
    PutClipboardText(hwnd, st->text.substr(st->SelStart(), st->SelEnd() - st->SelStart()));
}

void Cut(HWND hwnd, EditState* st) {
    if (st->SelStart() == st->SelEnd()) return;
    Copy(hwnd, st);
    ReplaceSelection(hwnd, st, "", false);
}

void Paste(HWND hwnd, EditState* st) {
    std::string text;
    if (!GetClipboardText(hwnd, &text)) return;
    if (!FirstLine(text).empty() || st->SelStart() != st->SelEnd()) ReplaceSelection(hwnd, st, text, true);
}

void KeyDown(HWND hwnd, EditState* st, WPARAM vk) {
    bool shift = GetKeyState(VK_SHIFT) < 0;
    bool ctrl = GetKeyState(VK_CONTROL) < 0;
    const std::string& s = st->text;
    auto move = [&](size_t to) {
        if (shift) SetSelection(hwnd, st, st->anchor, to);
        else SetSelection(hwnd, st, to, to);
    };
    switch (vk) {
    case VK_LEFT:
        if (!shift && st->anchor != st->caret && !ctrl) move(st->SelStart());
        else move(ctrl ? WordLeft(s, st->caret) : PrevCharBoundary(s, st->caret));
        return;
    case VK_RIGHT:
        if (!shift && st->anchor != st->caret && !ctrl) move(st->SelEnd());
        else move(ctrl ? WordRight(s, st->caret) : NextCharBoundary(s, st->caret));
        return;
    case VK_HOME:
        move(0);
        return;
    case VK_END:
        move(s.size());
        return;
    case VK_DELETE:
        if (shift) {
            Cut(hwnd, st);
            return;
        }
        if (st->anchor == st->caret) {
            if (st->caret >= s.size()) return;
            st->anchor = NextCharBoundary(s, st->caret);
        }
        ReplaceSelection(hwnd, st, "", false);
        return;
    case VK_INSERT:
        if (ctrl) Copy(hwnd, st);
        else if (shift) Paste(hwnd, st);
        return;
    default:
        break;
    }
    if (ctrl && GetKeyState(VK_MENU) >= 0) {
        switch (vk) {
        case 'A':
            SetSelection(hwnd, st, 0, s.size());
            return;
        case 'C':
            Copy(hwnd, st);
            return;
        case 'X':
            Cut(hwnd, st);
            return;
        case 'V':
            Paste(hwnd, st);
            return;
        default:
            return;
        }
    }
}

void Char(HWND hwnd, EditState* st, WPARAM ch) {
    if (ch == VK_BACK) {
        if (st->anchor == st->caret) {
            if (st->caret == 0) return;
            st->anchor = PrevCharBoundary(st->text, st->caret);
        }
        ReplaceSelection(hwnd, st, "", false);
        return;
    }
    // Control characters (Ctrl+letters, Tab, Enter, Escape) are handled as keys or not at all.
    if (ch < 0x20 || ch == 0x7F) return;
    if (GetKeyState(VK_CONTROL) < 0 && GetKeyState(VK_MENU) >= 0) return;
    std::string utf8;
    auto cp = static_cast<char32_t>(ch);
    // Characters past U+FFFF come as a pair of surrogates; a half without its partner is dropped.
    if (cp >= 0xD800 && cp <= 0xDBFF) {
        st->highSurrogate = static_cast<char16_t>(cp);
        return;
    }
    const char16_t high = std::exchange(st->highSurrogate, 0);
    if (cp >= 0xDC00 && cp <= 0xDFFF) {
        if (!high) return;
        cp = 0x10000 + ((static_cast<char32_t>(high) - 0xD800) << 10) + (cp - 0xDC00);
    }
    if (cp < 0x80) {
        utf8 += static_cast<char>(cp);
    } else if (cp < 0x800) {
        utf8 += static_cast<char>(0xC0 | (cp >> 6));
        utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        utf8 += static_cast<char>(0xE0 | (cp >> 12));
        utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        utf8 += static_cast<char>(0xF0 | (cp >> 18));
        utf8 += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        utf8 += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        utf8 += static_cast<char>(0x80 | (cp & 0x3F));
    }
    ReplaceSelection(hwnd, st, utf8, true);
}

void Paint(HWND hwnd, EditState* st, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    bool enabled = IsWindowEnabled(hwnd) != FALSE;
    HBRUSH bg = !enabled ? ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC, COLOR_BTNFACE)
                                       : ParentBrush(hwnd, dc, WM_CTLCOLOREDIT, COLOR_WINDOW);
    FillRect(dc, &rc, bg);

    RECT tr = TextRect(hwnd);
    HGDIOBJ oldFont = SelectObject(dc, ControlFont(st->font));
    SaveDC(dc);
    IntersectClipRect(dc, tr.left, tr.top, tr.right, tr.bottom);
    const std::string& shown = st->text;
    int x = tr.left - st->scrollX;
    int y = TextTop(hwnd, st);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(enabled ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
    TextOut(dc, x, y, shown.c_str(), static_cast<int>(shown.size()));
    if (st->focus && st->SelStart() != st->SelEnd()) {
        int x0 = x + OffsetOf(st, st->SelStart());
        int x1 = x + OffsetOf(st, st->SelEnd());
        RECT sel{x0, y, x1, y + LineHeight(st)};
        FillRect(dc, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
        SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        IntersectClipRect(dc, x0, sel.top, x1, sel.bottom);
        TextOut(dc, x, y, shown.c_str(), static_cast<int>(shown.size()));
    }
    RestoreDC(dc, -1);
    SelectObject(dc, oldFont);
}

// A new font changes the caret's height and where the text scrolls to.
void EditState::FontChanged(HWND hwnd) {
    if (focus && caretCreated) {
        DestroyCaret();
        CreateCaret(hwnd, nullptr, 1, LineHeight(this));
        ShowCaret(hwnd);
    }
    Refresh(hwnd, this);
}

LRESULT EditMessage(HWND hwnd, EditState* st, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE:
        // Only the plain left-aligned single line is drawn; a style this edit would ignore is refused.
        return (reinterpret_cast<const CREATESTRUCT*>(lParam)->style & kUnsupportedStyles) ? -1 : 0;
    case WM_GETDLGCODE:
        return DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    case WM_SIZE:
        Refresh(hwnd, st);
        return 0;
    case WM_SETTEXT: {
        DefWindowProc(hwnd, msg, wParam, lParam);
        auto* text = reinterpret_cast<const char*>(lParam);
        st->text = text ? text : "";
        size_t cut = st->text.find_first_of("\r\n");
        if (cut != std::string::npos) st->text.resize(cut);
        st->anchor = st->caret = 0;
        st->scrollX = 0;
        Refresh(hwnd, st);
        NotifyParent(hwnd, EN_UPDATE);
        if (IsWindow(hwnd)) NotifyParent(hwnd, EN_CHANGE);
        return TRUE;
    }
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<char*>(lParam);
        if (!buffer || wParam == 0) return 0;
        size_t n = std::min<size_t>(st->text.size(), wParam - 1);
        while (n > 0 && n < st->text.size() && (static_cast<unsigned char>(st->text[n]) & 0xC0) == 0x80) --n;
        st->text.copy(buffer, n);
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(st->text.size());
    case WM_SETFOCUS:
        st->focus = true;
        st->caretCreated = CreateCaret(hwnd, nullptr, 1, LineHeight(st)) != FALSE;
        PlaceCaret(hwnd, st);
        ShowCaret(hwnd);
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyParent(hwnd, EN_SETFOCUS);
        return 0;
    case WM_KILLFOCUS:
        st->focus = false;
        st->selecting = false;
        if (st->caretCreated) {
            HideCaret(hwnd);
            DestroyCaret();
            st->caretCreated = false;
        }
        InvalidateRect(hwnd, nullptr, FALSE);
        NotifyParent(hwnd, EN_KILLFOCUS);
        return 0;
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN: {
        if (GetFocus() != hwnd) SetFocus(hwnd);
        size_t pos = PositionAt(hwnd, st, GET_X_LPARAM(lParam));
        if (wParam & MK_SHIFT) SetSelection(hwnd, st, st->anchor, pos);
        else SetSelection(hwnd, st, pos, pos);
        st->selecting = true;
        SetCapture(hwnd);
        return 0;
    }
    case WM_LBUTTONDBLCLK:
        SetSelection(hwnd, st, WordLeft(st->text, st->caret), WordRight(st->text, st->caret));
        return 0;
    case WM_MOUSEMOVE:
        if (st->selecting) SetSelection(hwnd, st, st->anchor, PositionAt(hwnd, st, GET_X_LPARAM(lParam)));
        return 0;
    case WM_LBUTTONUP:
        if (st->selecting) {
            st->selecting = false;
            if (GetCapture() == hwnd) ReleaseCapture();
        }
        return 0;
    case WM_CAPTURECHANGED:
        st->selecting = false;
        return 0;
    case WM_KEYDOWN:
        KeyDown(hwnd, st, wParam);
        return 0;
    case WM_CHAR:
        Char(hwnd, st, wParam);
        return 0;
    case WM_CUT:
        Cut(hwnd, st);
        return 0;
    case WM_COPY:
        Copy(hwnd, st);
        return 0;
    case WM_PASTE:
        Paste(hwnd, st);
        return 0;
    case WM_CLEAR:
        ReplaceSelection(hwnd, st, "", false);
        return 0;
    case EM_GETSEL: {
        auto start = static_cast<DWORD>(st->SelStart()), end = static_cast<DWORD>(st->SelEnd());
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = start;
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = end;
        return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(std::min<DWORD>(start, 0xFFFF)),
                                             static_cast<WORD>(std::min<DWORD>(end, 0xFFFF))));
    }
    case EM_SETSEL: {
        auto start = static_cast<INT_PTR>(static_cast<int>(wParam));
        auto end = static_cast<INT_PTR>(static_cast<int>(lParam));
        if (start < 0) {
            SetSelection(hwnd, st, st->caret, st->caret);
            return 0;
        }
        size_t size = st->text.size();
        size_t a = std::min<size_t>(static_cast<size_t>(start), size);
        size_t b = end < 0 ? size : std::min<size_t>(static_cast<size_t>(end), size);
        SetSelection(hwnd, st, a, b);
        return 0;
    }
    case EM_REPLACESEL: {
        auto* text = reinterpret_cast<const char*>(lParam);
        ReplaceSelection(hwnd, st, text ? text : "", false);
        return 0;
    }
    case EM_LIMITTEXT:
        st->limit = wParam ? static_cast<size_t>(wParam) : 0x7FFFFFFE;
        return 0;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

WNDPROC EditWndProc() { return ControlProc<EditState, Paint, EditMessage>; }

} // namespace win::detail
