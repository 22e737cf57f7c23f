// Helpers shared by the controls: parent brushes, text in normal and disabled looks, metrics, clipboard text.
#include "control_util.h"

#include "win/com.h"

#include <cctype>
#include <cstring>

namespace win::detail {

HBRUSH ParentBrush(HWND hwnd, HDC dc, UINT ctlColorMsg, int fallbackColor) {
    HWND parent = GetParent(hwnd);
    if (parent && (Style(hwnd) & WS_CHILD)) {
        LRESULT r = SendMessage(parent, ctlColorMsg, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(hwnd));
        if (r) return reinterpret_cast<HBRUSH>(r);
    }
    SetBkColor(dc, GetSysColor(fallbackColor));
    return GetSysColorBrush(fallbackColor);
}

void AskOwnerToDraw(HWND combo, HDC dc, int item, UINT state, const RECT& rc, LPARAM data) {
    HWND parent = GetParent(combo);
    if (!parent) return;
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_COMBOBOX;
    dis.CtlID = static_cast<UINT>(GetDlgCtrlID(combo));
    dis.itemID = static_cast<UINT>(item);
    dis.itemAction = ODA_DRAWENTIRE;
    dis.itemState = state;
    dis.hwndItem = combo;
    dis.hDC = dc;
    dis.rcItem = rc;
    dis.itemData = static_cast<ULONG_PTR>(data);
    const int saved = SaveDC(dc);
    SendMessage(parent, WM_DRAWITEM, dis.CtlID, reinterpret_cast<LPARAM>(&dis));
    RestoreDC(dc, saved);
}

std::string WindowText(HWND hwnd) {
    int len = GetWindowTextLength(hwnd);
    if (len <= 0) return {};
    std::string s(static_cast<size_t>(len) + 1, '\0');
    int n = GetWindowText(hwnd, s.data(), len + 1);
    s.resize(static_cast<size_t>(n > 0 ? n : 0));
    return s;
}

void DrawControlText(HDC dc, const std::string& text, RECT rc, UINT format, bool enabled, COLORREF color) {
    int oldMode = SetBkMode(dc, TRANSPARENT);
    if (enabled) {
        COLORREF old = SetTextColor(dc, color);
        DrawText(dc, text.c_str(), -1, &rc, format);
        SetTextColor(dc, old);
    } else {
        RECT shifted = rc;
        OffsetRect(&shifted, 1, 1);
        COLORREF old = SetTextColor(dc, GetSysColor(COLOR_3DHILIGHT));
        DrawText(dc, text.c_str(), -1, &shifted, format);
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        DrawText(dc, text.c_str(), -1, &rc, format);
        SetTextColor(dc, old);
    }
    SetBkMode(dc, oldMode);
}

void FontMetrics(HFONT font, int* height, int* avgWidth) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRIC tm{};
    GetTextMetrics(dc, &tm);
    SelectObject(dc, old);
    DeleteDC(dc);
    if (height) *height = tm.tmHeight > 0 ? tm.tmHeight : 13;
    if (avgWidth) *avgWidth = tm.tmAveCharWidth > 0 ? tm.tmAveCharWidth : 6;
}

int TextWidth(HFONT font, const std::string& text) {
    if (text.empty()) return 0;
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE sz{};
    GetTextExtentPoint32(dc, text.c_str(), static_cast<int>(text.size()), &sz);
    SelectObject(dc, old);
    DeleteDC(dc);
    return sz.cx;
}

size_t NextCharBoundary(const std::string& s, size_t pos) {
    if (pos >= s.size()) return s.size();
    ++pos;
    while (pos < s.size() && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) ++pos;
    return pos;
}

size_t PrevCharBoundary(const std::string& s, size_t pos) {
    if (pos == 0) return 0;
    if (pos > s.size()) pos = s.size();
    --pos;
    while (pos > 0 && (static_cast<unsigned char>(s[pos]) & 0xC0) == 0x80) --pos;
    return pos;
}

namespace {

std::u16string ToUtf16(const std::string& s) {
    std::u16string out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp = 0;
        int extra = 0;
        if (c < 0x80) cp = c;
        else if ((c & 0xE0) == 0xC0) cp = c & 0x1F, extra = 1;
        else if ((c & 0xF0) == 0xE0) cp = c & 0x0F, extra = 2;
        else if ((c & 0xF8) == 0xF0) cp = c & 0x07, extra = 3;
        else cp = 0xFFFD;
        ++i;
        for (int k = 0; k < extra; ++k, ++i) {
            if (i >= s.size() || (static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) {
                cp = 0xFFFD;
                break;
            }
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        }
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

std::string ToUtf8(const char16_t* s, size_t n) {
    std::string out;
    for (size_t i = 0; i < n && s[i]; ++i) {
        char32_t cp = s[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < n && s[i + 1] >= 0xDC00 && s[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | (cp >> 6));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | (cp >> 12));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (cp >> 18));
            out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

} // namespace

bool PutClipboardText(HWND owner, const std::string& text) {
    std::u16string wide = ToUtf16(text);
    if (!OpenClipboard(owner)) return false;
    EmptyClipboard();
    size_t bytes = (wide.size() + 1) * sizeof(char16_t);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes);
    bool ok = false;
    if (block) {
        if (void* p = GlobalLock(block)) {
            std::memcpy(p, wide.c_str(), bytes);
            GlobalUnlock(block);
            ok = SetClipboardData(CF_UNICODETEXT, block) != nullptr;
        }
        if (!ok) GlobalFree(block);
    }
    CloseClipboard();
    return ok;
}

bool GetClipboardText(HWND owner, std::string* text) {
    if (!OpenClipboard(owner)) return false;
    bool ok = false;
    if (HANDLE h = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* p = static_cast<const char16_t*>(GlobalLock(h))) {
            *text = ToUtf8(p, GlobalSize(h) / sizeof(char16_t));
            GlobalUnlock(h);
            ok = true;
        }
    }
    CloseClipboard();
    return ok;
}

char LabelMnemonic(const std::string& text) {
    for (size_t i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != '&') continue;
        if (text[i + 1] == '&') {
            ++i;
            continue;
        }
        return static_cast<char>(std::tolower(static_cast<unsigned char>(text[i + 1])));
    }
    return 0;
}

} // namespace win::detail
