// UI fonts, colours, brushes and the cursor table of the support library, made on first use.
#include "vor/ui_resources.h"

#include <array>
#include <mutex>
#include <vector>

namespace {

using namespace win;

struct FontSpec {
    int id;
    int height; // character height in pixels (negative LOGFONT height)
    LONG weight;
};

constexpr std::array<FontSpec, 4> kFonts{{
    {VOR_FONT_LABEL, 11, FW_NORMAL},
    {VOR_FONT_COMPACT, 10, FW_NORMAL},
    {VOR_FONT_SMALL, 9, FW_NORMAL},
    {VOR_FONT_POSITION, 12, FW_BOLD},
}};

struct FontSlot {
    HFONT font = nullptr;
    int cellHeight = 0;
};

std::mutex gLock;
std::array<FontSlot, kFonts.size()> gFonts;
HBRUSH gPatternBrush = nullptr;

int FontIndex(int id) {
    for (std::size_t i = 0; i < kFonts.size(); ++i)
        if (kFonts[i].id == id) return static_cast<int>(i);
    return -1;
}

FontSlot* EnsureFont(int id) {
    const int index = FontIndex(id);
    if (index < 0) return nullptr;
    FontSlot& slot = gFonts[static_cast<std::size_t>(index)];
    if (slot.font) return &slot;
    const FontSpec& spec = kFonts[static_cast<std::size_t>(index)];
    slot.font = CreateFont(-spec.height, 0, 0, 0, spec.weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, "DejaVu Sans");
    if (!slot.font) return nullptr;
    slot.cellHeight = spec.height + 3;
    if (HDC dc = CreateCompatibleDC(nullptr)) {
        HGDIOBJ old = SelectObject(dc, slot.font);
        TEXTMETRIC tm{};
        if (GetTextMetrics(dc, &tm) && tm.tmHeight > 0) slot.cellHeight = static_cast<int>(tm.tmHeight);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    return &slot;
}

// Cursor images are drawn here rather than shipped: 32 x 32 BGRA, black shapes with a white outline.
constexpr int kCursorSize = 32;
constexpr std::uint32_t kBlack = 0xFF000000u;
constexpr std::uint32_t kWhite = 0xFFFFFFFFu;

struct CursorCanvas {
    std::vector<std::uint32_t> pixels = std::vector<std::uint32_t>(kCursorSize * kCursorSize, 0);
    void Set(int x, int y, std::uint32_t c) {
        if (x >= 0 && y >= 0 && x < kCursorSize && y < kCursorSize) pixels[static_cast<std::size_t>(y * kCursorSize + x)] = c;
    }
    void Fill(int l, int t, int r, int b, std::uint32_t c) {
        for (int y = t; y < b; ++y)
            for (int x = l; x < r; ++x) Set(x, y, c);
    }
    // A white border around every black pixel keeps the shape visible on dark and light grounds.
    void Outline() {
        std::vector<std::uint32_t> out = pixels;
        for (int y = 0; y < kCursorSize; ++y)
            for (int x = 0; x < kCursorSize; ++x) {
                if (pixels[static_cast<std::size_t>(y * kCursorSize + x)] != 0) continue;
                bool near = false;
                for (int dy = -1; dy <= 1 && !near; ++dy)
                    for (int dx = -1; dx <= 1 && !near; ++dx) {
                        const int nx = x + dx, ny = y + dy;
                        if (nx >= 0 && ny >= 0 && nx < kCursorSize && ny < kCursorSize &&
                            pixels[static_cast<std::size_t>(ny * kCursorSize + nx)] == kBlack)
                            near = true;
                    }
                if (near) out[static_cast<std::size_t>(y * kCursorSize + x)] = kWhite;
            }
        pixels.swap(out);
    }
};

// Two bars with arrows pointing away from them, horizontal (columns) or vertical (rows).
CursorCanvas SplitterImage(bool columns) {
    CursorCanvas c;
    for (int i = 0; i < 2; ++i) {
        const int bar = 14 + i * 3;
        if (columns)
            c.Fill(bar, 8, bar + 1, 24, kBlack);
        else
            c.Fill(8, bar, 24, bar + 1, kBlack);
    }
    for (int k = 0; k < 5; ++k) {
        for (int s = -k; s <= k; ++s) {
            if (columns) {
                c.Set(6 + k, 16 + s, kBlack);
                c.Set(25 - k, 16 + s, kBlack);
            } else {
                c.Set(16 + s, 6 + k, kBlack);
                c.Set(16 + s, 25 - k, kBlack);
            }
        }
    }
    if (columns) {
        c.Fill(10, 16, 14, 17, kBlack);
        c.Fill(18, 16, 22, 17, kBlack);
    } else {
        c.Fill(16, 10, 17, 14, kBlack);
        c.Fill(16, 18, 17, 22, kBlack);
    }
    c.Outline();
    return c;
}

// An arrow with a small key beside it: the click selects the key's notes.
CursorCanvas KeySelectImage() {
    CursorCanvas c;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x <= y / 2 + (y < 12 ? y / 2 : 0) && x < 12; ++x) c.Set(1 + x, 1 + y, kBlack);
    c.Fill(16, 14, 28, 29, kBlack);
    c.Fill(18, 16, 26, 27, kWhite);
    c.Fill(18, 16, 22, 23, kBlack);
    c.Outline();
    return c;
}

struct CursorSlot {
    int id;
    HCURSOR cursor;
};
std::vector<CursorSlot> gCursors;

HCURSOR MakeCursor(int id) {
    CursorCanvas image;
    int hotX = 16, hotY = 16;
    switch (id) {
    case VOR_CURSOR_SPLIT_COLUMNS: image = SplitterImage(true); break;
    case VOR_CURSOR_SPLIT_ROWS: image = SplitterImage(false); break;
    case VOR_CURSOR_KEY_SELECT:
        image = KeySelectImage();
        hotX = hotY = 1;
        break;
    default: return nullptr;
    }
    return CreateCursorFromPixels(kCursorSize, kCursorSize, hotX, hotY, image.pixels.data());
}

} // namespace

HFONT VorUI_GetFont(int id) noexcept {
    std::lock_guard<std::mutex> lock(gLock);
    FontSlot* slot = EnsureFont(id);
    return slot ? slot->font : nullptr;
}

int VorUI_GetFontHeight(int id) noexcept {
    std::lock_guard<std::mutex> lock(gLock);
    FontSlot* slot = EnsureFont(id);
    return slot ? slot->cellHeight : 0;
}

COLORREF VorUI_GetColor(int id) noexcept {
    // A warm orange stands out against every row hue and the grey grid lines.
    if (id == VOR_COLOR_LOOP) return RGB(0xFF, 0x80, 0x00);
    return CLR_INVALID;
}

HBRUSH VorUI_GetBrush(int id) noexcept {
    if (id != VOR_BRUSH_GRID_PATTERN) return nullptr;
    std::lock_guard<std::mutex> lock(gLock);
    if (!gPatternBrush) {
        // An 8 x 8 monochrome checker: drawn with text colour on background colour, so the caller's
        // two colours make the pattern.
        static const WORD kRows[8] = {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55};
        if (HBITMAP bits = CreateBitmap(8, 8, 1, 1, kRows)) {
            gPatternBrush = CreatePatternBrush(bits);
            DeleteObject(bits);
        }
    }
    return gPatternBrush;
}

bool VorUI_HasCursor(int id) noexcept {
    return id == VOR_CURSOR_SPLIT_COLUMNS || id == VOR_CURSOR_SPLIT_ROWS || id == VOR_CURSOR_KEY_SELECT;
}

HCURSOR VorUI_LoadCursor(int id) noexcept {
    if (id >= 32512 && id <= 32651) {
        if (HCURSOR system = LoadCursor(nullptr, MAKEINTRESOURCE(id))) return system;
        return LoadCursor(nullptr, IDC_ARROW);
    }
    std::lock_guard<std::mutex> lock(gLock);
    for (const CursorSlot& slot : gCursors)
        if (slot.id == id) return slot.cursor;
    HCURSOR made = MakeCursor(id);
    if (!made) return LoadCursor(nullptr, IDC_ARROW);
    gCursors.push_back({id, made});
    return made;
}

std::uint32_t VorClock_Milliseconds() noexcept { return static_cast<std::uint32_t>(GetTickCount64()); }
