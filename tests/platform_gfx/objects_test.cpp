// Drawing objects: creation, selection, queries, stock objects and refusal of invalid handles.
#include "canvas.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace win;
using namespace gfxtest;

TEST(Objects, SelectReturnsThePreviousObjectOfItsKind) {
    Canvas c(2, 2);
    HPEN pen = CreatePen(PS_SOLID, 2, RGB(1, 2, 3));
    HGDIOBJ oldPen = SelectObject(c.dc, pen);
    EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), pen);
    // Selected objects are not deleted from under the DC.
    EXPECT_FALSE(DeleteObject(pen));
    EXPECT_EQ(GetObjectType(pen), OBJ_PEN);
    SelectObject(c.dc, oldPen);
    EXPECT_TRUE(DeleteObject(pen));
    EXPECT_EQ((std::tuple{GetObjectType(pen), SelectObject(c.dc, pen)}), (std::tuple{0u, nullptr}));
}

TEST(Objects, ContextAttributesIndirectObjectsAndTheContextsOwnColours) {
    Canvas c(4, 2);
    EXPECT_EQ(SetBkColor(c.dc, kRed), kWhite);
    EXPECT_EQ((std::tuple{GetBkColor(c.dc), SetBkMode(c.dc, TRANSPARENT), GetBkMode(c.dc)}),
              (std::tuple{kRed, OPAQUE, TRANSPARENT}));
    POINT org{}, old{};
    SetBrushOrgEx(c.dc, 3, 5, nullptr);
    ASSERT_TRUE(SetBrushOrgEx(c.dc, 1, 2, &old));
    ASSERT_TRUE(GetBrushOrgEx(c.dc, &org));
    EXPECT_EQ((std::tuple{old, org}), (std::tuple{(POINT{3, 5}), (POINT{1, 2})}));
    // The stock DC brush and pen take the colours the context is given.
    SelectObject(c.dc, GetStockObject(DC_BRUSH));
    SelectObject(c.dc, GetStockObject(DC_PEN));
    EXPECT_EQ(SetDCBrushColor(c.dc, kBlue), kWhite);
    SetDCPenColor(c.dc, kGreen);
    PatBlt(c.dc, 0, 0, 4, 1, PATCOPY);
    MoveToEx(c.dc, 0, 1, nullptr);
    LineTo(c.dc, 4, 1);
    c.Expect({{2, 0, kBlue}, {2, 1, kGreen}});
    // Indirect descriptions make the same objects.
    const LOGBRUSH lb{BS_SOLID, kRed, 0};
    const LOGPEN lp{PS_SOLID, {1, 0}, kRed};
    SelectObject(c.dc, CreateBrushIndirect(&lb));
    SelectObject(c.dc, CreatePenIndirect(&lp));
    Rectangle(c.dc, 0, 0, 4, 2);
    EXPECT_EQ(c.Count(kRed), 8);
    DeleteObject(SelectObject(c.dc, GetStockObject(WHITE_BRUSH)));
    DeleteObject(SelectObject(c.dc, GetStockObject(BLACK_PEN)));
    EXPECT_EQ(CreateBrushIndirect(nullptr), nullptr);
    EXPECT_EQ(CreatePenIndirect(nullptr), nullptr);
    // A bitmap's bits read back as they were drawn, in as many whole rows as the buffer holds.
    std::uint32_t bits[8] = {};
    EXPECT_EQ(GetBitmapBits(c.bmp, sizeof bits, bits), static_cast<LONG>(sizeof bits));
    EXPECT_EQ(bits[0], Canvas::Px(kRed));
    EXPECT_EQ((std::tuple{GetBitmapBits(c.bmp, 20, bits), GetBitmapBits(nullptr, 8, bits)}), (std::tuple{16, 0}));
}

TEST(Objects, StockObjectsSurviveDeletion) {
    HGDIOBJ white = GetStockObject(WHITE_BRUSH);
    EXPECT_TRUE(DeleteObject(white));
    EXPECT_EQ((std::tuple{GetObjectType(white), GetStockObject(99), GetSysColorBrush(COLOR_BTNFACE)}),
              (std::tuple{OBJ_BRUSH, nullptr, GetSysColorBrush(COLOR_BTNFACE)}));
    LOGBRUSH lb{};
    ASSERT_EQ(GetObject(GetSysColorBrush(COLOR_BTNFACE), sizeof lb, &lb), static_cast<int>(sizeof lb));
    EXPECT_EQ(lb.lbColor, GetSysColor(COLOR_BTNFACE));
}

TEST(Objects, GetObjectDescribesPensFontsAndBitmaps) {
    HPEN pen = CreatePen(PS_DOT, 1, RGB(10, 20, 30));
    LOGPEN lp{};
    ASSERT_EQ(GetObject(pen, sizeof lp, &lp), static_cast<int>(sizeof lp));
    EXPECT_EQ((std::tuple{lp.lopnStyle, lp.lopnColor}), (std::tuple{PS_DOT, RGB(10, 20, 30)}));
    DeleteObject(pen);

    HFONT font = CreateFont(-13, 0, 0, 0, FW_BOLD, TRUE, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
    LOGFONT lf{};
    ASSERT_EQ(GetObject(font, sizeof lf, &lf), static_cast<int>(sizeof lf));
    EXPECT_EQ((std::tuple{lf.lfHeight, lf.lfWeight, lf.lfItalic}), (std::tuple{-13, FW_BOLD, 1}));
    EXPECT_STREQ(lf.lfFaceName, "Tahoma");
    HFONT again = CreateFontIndirect(&lf);
    LOGFONT back{};
    ASSERT_EQ(GetObject(again, sizeof back, &back), static_cast<int>(sizeof back));
    EXPECT_EQ(std::memcmp(&back, &lf, sizeof lf), 0);
    DeleteObject(again);
    // A short buffer gets the start of the description and nothing past its end.
    unsigned char head[12];
    std::memset(head, 0xEE, sizeof head);
    EXPECT_EQ((std::tuple{GetObject(font, 8, head), std::memcmp(head, &lf, 8), head[8]}),
              (std::tuple{8, 0, 0xEE}));
    DeleteObject(font);

    Canvas c(1, 1);
    HBITMAP bmp = CreateCompatibleBitmap(c.dc, 7, 5);
    BITMAP bm{};
    ASSERT_EQ(GetObject(bmp, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ((std::tuple{bm.bmWidth, bm.bmHeight, bm.bmBitsPixel}), (std::tuple{7, 5, 32}));
    DeleteObject(bmp);
}

TEST(Objects, BitmapsLiveInOneDcAtATime) {
    Canvas c(1, 1);
    HBITMAP bmp = CreateCompatibleBitmap(c.dc, 4, 4);
    HDC a = CreateCompatibleDC(nullptr);
    HDC b = CreateCompatibleDC(nullptr);
    HGDIOBJ oldA = SelectObject(a, bmp);
    ASSERT_NE(oldA, nullptr);
    EXPECT_EQ(SelectObject(b, bmp), nullptr);
    SelectObject(a, oldA);
    HGDIOBJ oldB = SelectObject(b, bmp);
    EXPECT_NE(oldB, nullptr);
    SelectObject(b, oldB);
    DeleteDC(a);
    DeleteDC(b);
    EXPECT_TRUE(DeleteObject(bmp));
}

TEST(Objects, BottomUpDibSectionsStoreTheLastRowFirst) {
    void* bits = nullptr;
    HBITMAP bmp = gfxtest::Dib32(3, 2, &bits, /*topDown=*/false);
    ASSERT_NE(bmp, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    SetPixel(dc, 0, 0, RGB(255, 0, 0));
    auto* px = static_cast<std::uint32_t*>(bits);
    EXPECT_EQ(px[3] & 0xFFFFFF, 0xFF0000u); // memory row 1 is the top row
    EXPECT_EQ(px[0] & 0xFFFFFF, 0u);
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bmp);
    EXPECT_EQ(gfxtest::Dib32(3, 2, &bits, false, 8), nullptr) << "only 32-bit sections";
    EXPECT_EQ(bits, nullptr);
}

TEST(SysColors, OneConsistentLightScheme) {
    auto lum = [](COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c); };
    EXPECT_GT(lum(GetSysColor(COLOR_BTNHIGHLIGHT)), lum(GetSysColor(COLOR_3DLIGHT)));
    EXPECT_GE(lum(GetSysColor(COLOR_3DLIGHT)), lum(GetSysColor(COLOR_BTNFACE)) - 60);
    EXPECT_GT(lum(GetSysColor(COLOR_BTNFACE)), lum(GetSysColor(COLOR_BTNSHADOW)));
    EXPECT_GT(lum(GetSysColor(COLOR_BTNSHADOW)), lum(GetSysColor(COLOR_3DDKSHADOW)));
    EXPECT_GT(lum(GetSysColor(COLOR_WINDOW)), lum(GetSysColor(COLOR_WINDOWTEXT)));
    EXPECT_GT(lum(GetSysColor(COLOR_HIGHLIGHTTEXT)), lum(GetSysColor(COLOR_HIGHLIGHT)));
    EXPECT_NE(GetSysColor(COLOR_GRAYTEXT), GetSysColor(COLOR_BTNFACE));
}
