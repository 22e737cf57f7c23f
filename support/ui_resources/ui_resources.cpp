// UI fonts, colours, brushes and the cursor table of the support library, made on first use.
#include "vor/ui_resources.h"

#include "cursor_images.h"

#include <array>
#include <mutex>
#include <vector>

namespace {

using namespace win;

struct FontChoice {
    int id;
    int height; // character height in pixels (negative LOGFONT height)
    LONG weight;
};

constexpr std::array<FontChoice, 4> kFonts{{
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
HINSTANCE gCursorModule = nullptr;

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
    const FontChoice& face = kFonts[static_cast<std::size_t>(index)];
    slot.font = CreateFont(-face.height, 0, 0, 0, face.weight, 0, 0, 0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                           CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH | FF_SWISS, "DejaVu Sans");
    if (!slot.font) return nullptr;
    slot.cellHeight = face.height + 3;
    if (HDC dc = CreateCompatibleDC(nullptr)) {
        HGDIOBJ old = SelectObject(dc, slot.font);
        TEXTMETRIC tm{};
        if (GetTextMetrics(dc, &tm) && tm.tmHeight > 0) slot.cellHeight = static_cast<int>(tm.tmHeight);
        SelectObject(dc, old);
        DeleteDC(dc);
    }
    return &slot;
}

struct CursorSlot {
    int id;
    HCURSOR cursor;
};
std::vector<CursorSlot> gCursors;

HCURSOR MakeCursor(int id) {
    VorCursorImage image;
    if (!VorUI_DrawCursor(id, &image)) return nullptr;
    return CreateCursorFromPixels(VorCursorImage::kSize, VorCursorImage::kSize, image.hotX, image.hotY,
                                  image.pixels.data());
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
    VorCursorImage image;
    return VorUI_DrawCursor(id, &image);
}

void VorUI_SetCursorModule(HINSTANCE module) noexcept {
    std::lock_guard<std::mutex> lock(gLock);
    gCursorModule = module;
}

HCURSOR VorUI_LoadCursor(int id) noexcept {
    // The system's own cursors take the ids from the arrow up.
    constexpr int kLastSystemCursor = 32651;
    if (id >= VOR_CURSOR_ARROW && id <= kLastSystemCursor) {
        if (HCURSOR system = LoadCursor(nullptr, MAKEINTRESOURCE(id))) return system;
        return LoadCursor(nullptr, IDC_ARROW);
    }
    std::lock_guard<std::mutex> lock(gLock);
    // A cursor resource of the module wins over the built-in picture of the same id.
    if (gCursorModule && id > 0 && id < 0x10000)
        if (HCURSOR resource = LoadCursor(gCursorModule, MAKEINTRESOURCE(id))) return resource;
    for (const CursorSlot& slot : gCursors)
        if (slot.id == id) return slot.cursor;
    HCURSOR made = MakeCursor(id);
    if (!made) return LoadCursor(nullptr, IDC_ARROW);
    gCursors.push_back({id, made});
    return made;
}

std::uint32_t VorClock_Milliseconds() noexcept { return static_cast<std::uint32_t>(GetTickCount64()); }
