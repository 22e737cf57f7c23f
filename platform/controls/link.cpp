// The SysLink class: one line of text in which the parts marked <a href="URL">…</a> are links, drawn in
// the link colour and underlined, that tell the parent when they are clicked.
#include <cstring>
#include <string>
#include <vector>

#include "control_proc.h"

namespace win::detail {

namespace {

struct LinkPiece {
    std::string text;
    int link; // index into the links, -1 for plain text
};

struct LinkTarget {
    std::string id;
    std::string url;
};

struct LinkState {
    HFONT font = nullptr;
    std::vector<LinkPiece> pieces;
    std::vector<LinkTarget> links;
    int pressed = -1; // the link the left button went down on
    bool focused = false;

    // The window text is not set yet when the state attaches: read the text being created with.
    void Attach(HWND, const CREATESTRUCT* cs) { Parse(cs && cs->lpszName ? cs->lpszName : ""); }
    void Parse(const std::string& text);
};

// The value of name="..." inside an <a ...> tag, "" when absent.
std::string Attribute(const std::string& tag, const char* name) {
    const std::string key = std::string(name) + "=\"";
    const std::size_t at = tag.find(key);
    if (at == std::string::npos) return {};
    const std::size_t start = at + key.size();
    const std::size_t end = tag.find('"', start);
    return end == std::string::npos ? tag.substr(start) : tag.substr(start, end - start);
}

void LinkState::Parse(const std::string& text) {
    pieces.clear();
    links.clear();
    std::size_t pos = 0;
    while (pos < text.size()) {
        const std::size_t open = text.find("<a", pos);
        const std::size_t tagEnd = open == std::string::npos ? std::string::npos : text.find('>', open);
        const std::size_t close = tagEnd == std::string::npos ? std::string::npos : text.find("</a>", tagEnd);
        if (close == std::string::npos) {
            // Unmarked or malformed markup stays plain text as it stands.
            pieces.push_back({text.substr(pos), -1});
            break;
        }
        if (open > pos) pieces.push_back({text.substr(pos, open - pos), -1});
        const std::string tag = text.substr(open, tagEnd - open);
        links.push_back({Attribute(tag, "id"), Attribute(tag, "href")});
        pieces.push_back({text.substr(tagEnd + 1, close - tagEnd - 1), static_cast<int>(links.size()) - 1});
        pos = close + 4;
    }
}

// Calls visit(piece, left, right) for each piece at its place on the line.
template <class Visit>
void ForEachPiece(const LinkState& st, Visit&& visit) {
    const HFONT font = ControlFont(st.font);
    int x = 0;
    for (const LinkPiece& piece : st.pieces) {
        const int width = TextWidth(font, piece.text);
        visit(piece, x, x + width);
        x += width;
    }
}

int LinkAt(HWND hwnd, const LinkState& st, int x, int y) {
    int height = 0;
    FontMetrics(ControlFont(st.font), &height, nullptr);
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (y < rc.top || y >= std::min<LONG>(rc.bottom, height)) return -1;
    int found = -1;
    ForEachPiece(st, [&](const LinkPiece& piece, int left, int right) {
        if (piece.link >= 0 && x >= left && x < right) found = piece.link;
    });
    return found;
}

void PaintLink(HWND hwnd, LinkState* st, HDC dc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, ParentBrush(hwnd, dc, WM_CTLCOLORSTATIC, COLOR_BTNFACE));
    const HFONT font = ControlFont(st->font);
    HGDIOBJ oldFont = SelectObject(dc, font);
    int height = 0;
    FontMetrics(font, &height, nullptr);
    const bool enabled = IsWindowEnabled(hwnd) != FALSE;
    SetBkMode(dc, TRANSPARENT);
    ForEachPiece(*st, [&](const LinkPiece& piece, int left, int right) {
        const bool link = piece.link >= 0;
        const COLORREF colour = GetSysColor(!enabled ? COLOR_GRAYTEXT : link ? COLOR_HOTLIGHT : COLOR_WINDOWTEXT);
        SetTextColor(dc, colour);
        TextOut(dc, left, 0, piece.text.c_str(), static_cast<int>(piece.text.size()));
        if (!link) return;
        RECT underline{left, height - 1, right, height};
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dc, &underline, brush);
        DeleteObject(brush);
        if (st->focused && piece.link == 0) {
            RECT focus{left - 1, 0, right + 1, height + 1};
            DrawFocusRect(dc, &focus);
        }
    });
    SelectObject(dc, oldFont);
}

void NotifyLink(HWND hwnd, const LinkState& st, UINT code, int link) {
    if (link < 0 || link >= static_cast<int>(st.links.size())) return;
    NMLINK note{};
    note.item.iLink = link;
    const LinkTarget& target = st.links[static_cast<std::size_t>(link)];
    std::strncpy(note.item.szID, target.id.c_str(), sizeof note.item.szID - 1);
    std::strncpy(note.item.szUrl, target.url.c_str(), sizeof note.item.szUrl - 1);
    SendNotify(GetParent(hwnd), hwnd, code, &note.hdr);
}

LRESULT LinkMessage(HWND hwnd, LinkState* st, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_GETDLGCODE: {
        const auto* asked = reinterpret_cast<const MSG*>(lParam);
        const bool enter = asked && asked->message == WM_KEYDOWN && asked->wParam == VK_RETURN;
        return enter && !st->links.empty() ? DLGC_WANTMESSAGE : 0;
    }
    case WM_NCHITTEST:
        return HTCLIENT;
    case WM_SETTEXT: {
        const LRESULT r = SetTextAndRedraw(hwnd, wParam, lParam);
        st->Parse(WindowText(hwnd));
        return r;
    }
    case WM_ENABLE:
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        st->focused = msg == WM_SETFOCUS;
        InvalidateRect(hwnd, nullptr, TRUE);
        return 0;
    case WM_SETCURSOR: {
        POINT p;
        GetCursorPos(&p);
        ScreenToClient(hwnd, &p);
        SetCursor(LoadCursor(nullptr, LinkAt(hwnd, *st, p.x, p.y) >= 0 ? IDC_HAND : IDC_ARROW));
        return TRUE;
    }
    case WM_LBUTTONDOWN:
        st->pressed = LinkAt(hwnd, *st, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
        if (st->pressed >= 0) {
            if (GetWindowLong(hwnd, GWL_STYLE) & WS_TABSTOP) SetFocus(hwnd);
            SetCapture(hwnd);
        }
        return 0;
    case WM_LBUTTONUP: {
        const int pressed = st->pressed;
        st->pressed = -1;
        if (GetCapture() == hwnd) ReleaseCapture();
        if (pressed >= 0 && LinkAt(hwnd, *st, GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)) == pressed)
            NotifyLink(hwnd, *st, NM_CLICK, pressed);
        return 0;
    }
    case WM_CAPTURECHANGED:
    case WM_CANCELMODE:
        st->pressed = -1;
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_RETURN || wParam == VK_SPACE) NotifyLink(hwnd, *st, NM_RETURN, 0);
        return 0;
    default:
        break;
    }
    return DefWindowProc(hwnd, msg, wParam, lParam);
}

} // namespace

WNDPROC LinkWndProc() { return ControlProc<LinkState, PaintLink, LinkMessage>; }

} // namespace win::detail
