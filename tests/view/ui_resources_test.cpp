// The support library's user-interface resources by id: fonts, the loop colour, the pattern brush,
// the cursor table and the millisecond clock.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "vor/ui_resources.h"
#include "win/backend.h"
#include "win/gdi.h"

namespace {

using namespace win;

int TextWidth(HFONT font, const char* text) {
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE size{};
    GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &size);
    SelectObject(dc, old);
    DeleteDC(dc);
    return size.cx;
}

TEST(UiResources, FontsByIdAreSharedAndOrderedBySize) {
    for (int id : {VOR_FONT_LABEL, VOR_FONT_COMPACT, VOR_FONT_SMALL, VOR_FONT_POSITION}) {
        ASSERT_NE(VorUI_GetFont(id), nullptr) << id;
        EXPECT_EQ(VorUI_GetFont(id), VorUI_GetFont(id)) << id; // made once
        EXPECT_GE(VorUI_GetFontHeight(id), 9) << id;           // legible
        EXPECT_GT(TextWidth(VorUI_GetFont(id), "C4"), 4) << id;
    }
    // The fallbacks of the keyboard labels and the position display get smaller in turn.
    EXPECT_GT(VorUI_GetFontHeight(VOR_FONT_LABEL), VorUI_GetFontHeight(VOR_FONT_SMALL));
    EXPECT_GE(VorUI_GetFontHeight(VOR_FONT_POSITION), VorUI_GetFontHeight(VOR_FONT_COMPACT));
    EXPECT_GT(VorUI_GetFontHeight(VOR_FONT_COMPACT), VorUI_GetFontHeight(VOR_FONT_SMALL));
    EXPECT_GT(TextWidth(VorUI_GetFont(VOR_FONT_POSITION), "999.99.999qq"),
              TextWidth(VorUI_GetFont(VOR_FONT_SMALL), "999.99.999qq"));
    EXPECT_EQ((std::tuple{VorUI_GetFont(5), VorUI_GetFontHeight(5)}), (std::tuple{nullptr, 0}));
}

TEST(UiResources, ColoursAndBrushes) {
    const COLORREF loop = VorUI_GetColor(VOR_COLOR_LOOP);
    EXPECT_NE(loop, CLR_INVALID);
    EXPECT_NE(loop, GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(VorUI_GetColor(1), CLR_INVALID);
    HBRUSH pattern = VorUI_GetBrush(VOR_BRUSH_GRID_PATTERN);
    ASSERT_NE(pattern, nullptr);
    EXPECT_EQ(VorUI_GetBrush(VOR_BRUSH_GRID_PATTERN), pattern);
    EXPECT_EQ(VorUI_GetBrush(10002), nullptr);
    // The pattern draws in the caller's text and background colours.
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(dc, 8, 8);
    HGDIOBJ old = SelectObject(dc, bitmap);
    SetTextColor(dc, RGB(255, 0, 0));
    SetBkColor(dc, RGB(0, 0, 255));
    const RECT all{0, 0, 8, 8};
    FillRect(dc, &all, pattern);
    EXPECT_NE(GetPixel(dc, 0, 0), GetPixel(dc, 1, 0));
    EXPECT_EQ(GetPixel(dc, 0, 0), GetPixel(dc, 1, 1));
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

TEST(UiResources, CursorTable) {
    // Every id has a picture of its own, and its hot spot lies within the drawn shape.
    std::vector<std::vector<std::uint32_t>> pictures;
    for (int id : {VOR_CURSOR_MAGNIFIER, VOR_CURSOR_PENCIL, VOR_CURSOR_ZOOM_SLIDER_TIME, VOR_CURSOR_ZOOM_SLIDER_ROWS,
                   VOR_CURSOR_SPLIT_COLUMNS, VOR_CURSOR_SPLIT_ROWS, VOR_CURSOR_SIZE_TIME, VOR_CURSOR_SIZE_ROWS,
                   VOR_CURSOR_MOVE_TIME, VOR_CURSOR_MOVE_PITCH, VOR_CURSOR_NOTE_START, VOR_CURSOR_NOTE_END,
                   VOR_CURSOR_MARQUEE, VOR_CURSOR_KEY_SELECT, VOR_CURSOR_BRUSH, VOR_CURSOR_ERASER}) {
        EXPECT_TRUE(VorUI_HasCursor(id)) << id;
        HCURSOR cursor = VorUI_LoadCursor(id);
        ASSERT_NE(cursor, nullptr);
        EXPECT_EQ(VorUI_LoadCursor(id), cursor); // made once
        backend::CursorImage image{};
        ASSERT_TRUE(backend::QueryCursorImage(cursor, &image));
        EXPECT_EQ((std::tuple{image.systemId, image.width}), (std::tuple{0u, 32}));
        RECT shape{image.width, image.height, -1, -1};
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x)
                if (image.pixels[y * image.width + x] >> 24)
                    shape = {std::min<LONG>(shape.left, x), std::min<LONG>(shape.top, y), std::max<LONG>(shape.right, x),
                             std::max<LONG>(shape.bottom, y)};
        EXPECT_TRUE(image.hotX >= shape.left && image.hotX <= shape.right && image.hotY >= shape.top &&
                    image.hotY <= shape.bottom)
            << id;
        std::vector<std::uint32_t> picture(image.pixels, image.pixels + image.width * image.height);
        for (const auto& other : pictures) EXPECT_NE(picture, other) << id;
        pictures.push_back(std::move(picture));
    }
    EXPECT_NE(VorUI_LoadCursor(VOR_CURSOR_SPLIT_COLUMNS), VorUI_LoadCursor(VOR_CURSOR_SPLIT_ROWS));
    // System ids and unknown ids give system cursors, never null.
    backend::CursorImage image{};
    ASSERT_TRUE(backend::QueryCursorImage(VorUI_LoadCursor(32512), &image));
    EXPECT_EQ(image.systemId, 32512u);
    ASSERT_TRUE(backend::QueryCursorImage(VorUI_LoadCursor(9999), &image));
    EXPECT_EQ(image.systemId, 32512u);
    EXPECT_FALSE(VorUI_HasCursor(9999));
    // A cursor resource of the chosen module takes the place of the built-in picture.
    static int moduleTag = 0;
    HINSTANCE module = reinterpret_cast<HINSTANCE>(&moduleTag);
    std::uint32_t pixels[16 * 16];
    for (std::uint32_t& p : pixels) p = 0xFF00FF00u;
    ASSERT_TRUE(RegisterCursorResource(module, 13, 16, 16, 8, 8, pixels));
    VorUI_SetCursorModule(module);
    ASSERT_TRUE(backend::QueryCursorImage(VorUI_LoadCursor(13), &image));
    EXPECT_EQ(image.width, 16);
    ASSERT_TRUE(backend::QueryCursorImage(VorUI_LoadCursor(14), &image));
    EXPECT_EQ(image.width, 32); // no resource: the built-in picture
    VorUI_SetCursorModule(nullptr);
    ASSERT_TRUE(backend::QueryCursorImage(VorUI_LoadCursor(13), &image));
    EXPECT_EQ(image.width, 32);
    UnregisterCursorResources(module);
}

TEST(UiResources, ClockFollowsTheWindowSystem) {
    const std::uint32_t before = VorClock_Milliseconds();
    headless::AdvanceClock(250);
    EXPECT_EQ(VorClock_Milliseconds() - before, 250u);
}

} // namespace
