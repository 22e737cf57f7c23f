// The clipboard: registered formats, ownership while open, data blocks held by the clipboard.
#include "../core/internal.h"
#include "win/com.h"

#include <cstring>
#include <strings.h>

namespace win {
namespace {

struct ClipboardState {
    std::vector<std::string> formatNames; // index i is format 0xC000 + i
    bool open = false;
    HWND openedBy = nullptr;
    HWND owner = nullptr;
    std::vector<std::pair<UINT, HANDLE>> data; // in the order set
    bool taken = false; // emptied since it was opened: the system clipboard follows on closing
    // The text last handed to (or taken from) the system clipboard. Other text there means another
    // program has copied since, and the in-process contents are stale.
    std::string systemText;
    bool systemKnown = false;
};

ClipboardState& C() {
    static auto* c = new ClipboardState;
    return *c;
}

HANDLE Find(UINT format) {
    for (auto& [f, h] : C().data)
        if (f == format) return h;
    return nullptr;
}

// The system clipboard's text, or false when it holds none.
bool SystemText(std::string* utf8) {
    const auto& b = backend::Current();
    int n = b.GetClipboardText(nullptr, 0);
    if (n < 0) return false;
    utf8->assign(static_cast<std::size_t>(n) + 1, '\0');
    int again = b.GetClipboardText(utf8->data(), n + 1);
    if (again < 0) return false;
    utf8->resize(static_cast<std::size_t>(std::min(n, again)));
    return true;
}

// UTF-8 text as a CF_UNICODETEXT block (null when out of memory).
HANDLE TextBlock(const std::string& utf8) {
    std::u16string wide;
    for (std::size_t i = 0; i < utf8.size();) {
        auto c = static_cast<unsigned char>(utf8[i]);
        std::uint32_t cp = c;
        int extra = c < 0x80 ? 0 : (c & 0xE0) == 0xC0 ? 1 : (c & 0xF0) == 0xE0 ? 2 : (c & 0xF8) == 0xF0 ? 3 : -1;
        ++i;
        if (extra < 0) continue;
        if (extra) cp = c & (0x3F >> extra);
        for (int k = 0; k < extra && i < utf8.size(); ++k, ++i) cp = (cp << 6) | (static_cast<unsigned char>(utf8[i]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            wide.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            wide.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            wide.push_back(static_cast<char16_t>(cp));
        }
    }
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(char16_t));
    if (!mem) return nullptr;
    auto* p = static_cast<char16_t*>(GlobalLock(mem));
    std::memcpy(p, wide.c_str(), (wide.size() + 1) * sizeof(char16_t));
    GlobalUnlock(mem);
    return mem;
}

std::string BlockText(HANDLE mem) {
    auto* p = static_cast<const char16_t*>(GlobalLock(mem));
    if (!p) return std::string();
    std::size_t max = GlobalSize(mem) / sizeof(char16_t);
    std::string utf8;
    for (std::size_t i = 0; i < max && p[i]; ++i) {
        std::uint32_t cp = p[i];
        if (cp >= 0xD800 && cp < 0xDC00 && i + 1 < max && p[i + 1] >= 0xDC00 && p[i + 1] < 0xE000) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (p[i + 1] - 0xDC00);
            ++i;
        }
        if (cp < 0x80) {
            utf8.push_back(static_cast<char>(cp));
        } else if (cp < 0x800) {
            utf8.push_back(static_cast<char>(0xC0 | (cp >> 6)));
            utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else if (cp < 0x10000) {
            utf8.push_back(static_cast<char>(0xE0 | (cp >> 12)));
            utf8.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        } else {
            utf8.push_back(static_cast<char>(0xF0 | (cp >> 18)));
            utf8.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
            utf8.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
        }
    }
    GlobalUnlock(mem);
    return utf8;
}

void FreeData() {
    for (auto& [f, h] : C().data) GlobalFree(h);
    C().data.clear();
}

// When another program has put text on the system clipboard since we last exchanged with it, that
// text replaces the in-process contents (as a copy elsewhere empties the clipboard).
void SyncFromSystem() {
    auto& c = C();
    if (c.open && c.taken) return; // being filled right now
    std::string text;
    if (!SystemText(&text)) return;
    if (c.systemKnown && text == c.systemText) return;
    HANDLE block = TextBlock(text);
    if (!block) return;
    FreeData();
    c.data.emplace_back(CF_UNICODETEXT, block);
    HWND previous = c.owner;
    c.owner = nullptr;
    c.systemText = text;
    c.systemKnown = true;
    if (previous && IsWindow(previous)) SendMessage(previous, WM_DESTROYCLIPBOARD, 0, 0);
}

} // namespace

UINT RegisterClipboardFormat(LPCSTR name) {
    if (!name || !*name) return 0;
    auto& names = C().formatNames;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (strcasecmp(names[i].c_str(), name) == 0) return static_cast<UINT>(0xC000 + i);
    if (names.size() >= 0x3FFF) return 0;
    names.emplace_back(name);
    return static_cast<UINT>(0xC000 + names.size() - 1);
}

BOOL OpenClipboard(HWND owner) {
    auto& c = C();
    if (owner && !IsWindow(owner)) return FALSE;
    // A window destroyed while holding the clipboard open must not lock everyone else out.
    if (c.open && c.openedBy && !IsWindow(c.openedBy)) CloseClipboard();
    if (c.open) return c.openedBy == owner ? TRUE : FALSE;
    c.open = true;
    c.openedBy = owner;
    c.taken = false;
    return TRUE;
}

BOOL CloseClipboard() {
    auto& c = C();
    if (!c.open) return FALSE;
    c.open = false;
    c.openedBy = nullptr;
    if (c.taken) {
        // The system clipboard gets the new text, or is cleared when there is none, so that text
        // another program copied earlier is not mistaken for newer than ours.
        c.taken = false;
        HANDLE text = Find(CF_UNICODETEXT);
        c.systemText = text ? BlockText(text) : std::string();
        c.systemKnown = true;
        backend::Current().SetClipboardText(c.systemText.c_str());
    }
    return TRUE;
}

BOOL EmptyClipboard() {
    auto& c = C();
    if (!c.open) return FALSE;
    HWND previous = c.owner;
    c.owner = c.openedBy;
    c.taken = true;
    if (previous && previous != c.openedBy && IsWindow(previous)) SendMessage(previous, WM_DESTROYCLIPBOARD, 0, 0);
    FreeData();
    return TRUE;
}

HANDLE SetClipboardData(UINT format, HANDLE data) {
    auto& c = C();
    if (!c.open || format == 0 || !data) return nullptr;
    if (!GlobalLock(data)) return nullptr; // only global memory blocks can be handed over
    GlobalUnlock(data);
    for (auto& [f, h] : c.data) {
        if (f != format) continue;
        if (h != data) GlobalFree(h);
        h = data;
        return data;
    }
    c.data.emplace_back(format, data);
    return data;
}

HANDLE GetClipboardData(UINT format) {
    auto& c = C();
    if (!c.open) return nullptr;
    SyncFromSystem();
    return Find(format);
}

BOOL IsClipboardFormatAvailable(UINT format) {
    SyncFromSystem();
    return Find(format) ? TRUE : FALSE;
}

} // namespace win
