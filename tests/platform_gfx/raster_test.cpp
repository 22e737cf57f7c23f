// Raster operations: fills, pattern and bit-block transfers, stretching, alpha and transparent blits.
#include "canvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>

using namespace win;
using namespace gfxtest;

TEST(FillRect, FillsExactlyTheHalfOpenRectangle) {
    Canvas c(10, 10);
    HBRUSH red = c.Own(CreateSolidBrush(kRed));
    RECT r{2, 3, 5, 7};
    EXPECT_EQ(FillRect(c.dc, &r, red), 1);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) {
            bool inside = x >= 2 && x < 5 && y >= 3 && y < 7;
            EXPECT_EQ(c.At(x, y), inside ? kRed : kWhite) << x << "," << y;
        }
}

TEST(FillRect, ClipsToTheBitmapTakesSystemColourIndexesAndRefusesBadHandles) {
    Canvas c(6, 6);
    HBRUSH blue = c.Own(CreateSolidBrush(kBlue));
    RECT r{-100, -100, 100, 3};
    FillRect(c.dc, &r, blue);
    EXPECT_EQ(c.Count(kBlue), 18);
    // A system colour index plus one stands for that colour's brush.
    FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(static_cast<std::uintptr_t>(COLOR_HIGHLIGHT + 1)));
    EXPECT_EQ(c.Count(GetSysColor(COLOR_HIGHLIGHT)), 18);
    EXPECT_EQ((std::tuple{FillRect(nullptr, &r, blue), FillRect(c.dc, &r, reinterpret_cast<HBRUSH>(0x12345678)),
                          FillRect(c.dc, nullptr, blue)}),
              (std::tuple{0, 0, 0}));
}

namespace {

// What a ternary raster operation makes of one pixel: each colour bit is bit (p * 4 + s * 2 + d) of
// the code; the alpha byte is the destination's when the result depends on it, the source's for a
// plain copy, else opaque.
std::uint32_t Ternary(std::uint8_t code, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    auto bit = [&](int ps, int dd) { return (code >> (ps * 2 + dd)) & 1; };
    bool readsDest = false;
    for (int ps = 0; ps < 4; ++ps) readsDest |= bit(ps, 0) != bit(ps, 1);
    std::uint32_t out = code == 0xCC ? (s & 0xFF000000u) : readsDest ? (d & 0xFF000000u) : 0xFF000000u;
    for (int b = 0; b < 24; ++b)
        out |= static_cast<std::uint32_t>(bit(((p >> b) & 1) * 2 + ((s >> b) & 1), (d >> b) & 1)) << b;
    return out;
}

} // namespace

TEST(RasterOperations, EveryCodeFollowsItsTruthTable) {
    const std::uint32_t dest[4] = {0x80F00F55u, 0xFF123456u, 0x00FFFFFFu, 0x40000000u};
    const std::uint32_t source[4] = {0xFFC35A0Fu, 0x7F0F0F0Fu, 0x00000000u, 0xFFFFFFFFu};
    const COLORREF brushColour = RGB(0x12, 0x34, 0x56);
    const std::uint32_t pattern = Canvas::Px(brushColour);
    Canvas src(4, 1), dst(4, 1);
    dst.Use(CreateSolidBrush(brushColour));
    for (int code = 0; code < 256; ++code) {
        const auto c = static_cast<std::uint8_t>(code);
        std::copy(source, source + 4, src.bits);
        std::copy(dest, dest + 4, dst.bits);
        ASSERT_TRUE(BitBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, static_cast<DWORD>(code) << 16));
        for (int i = 0; i < 4; ++i) ASSERT_EQ(dst.bits[i], Ternary(c, pattern, source[i], dest[i])) << code << " " << i;
        // Without a source only the codes that do not read one draw.
        const bool readsSource = ((c >> 2) & 0x33) != (c & 0x33);
        std::copy(dest, dest + 4, dst.bits);
        ASSERT_EQ(PatBlt(dst.dc, 0, 0, 4, 1, static_cast<DWORD>(code) << 16), readsSource ? FALSE : TRUE) << code;
        for (int i = 0; i < 4; ++i)
            ASSERT_EQ(dst.bits[i], readsSource ? dest[i] : Ternary(c, pattern, 0, dest[i])) << code << " " << i;
    }
    // The named operations are the classic codes.
    const std::pair<DWORD, int> named[] = {{SRCCOPY, 0xCC},   {SRCPAINT, 0xEE},  {SRCAND, 0x88},    {SRCINVERT, 0x66},
                                           {NOTSRCCOPY, 0x33}, {PATCOPY, 0xF0},   {PATINVERT, 0x5A}, {DSTINVERT, 0x55},
                                           {BLACKNESS, 0x00},  {WHITENESS, 0xFF}};
    for (auto [rop, code] : named) EXPECT_EQ(static_cast<int>(rop >> 16), code);
    // A negative extent counts from the other corner.
    dst.Clear(kWhite);
    PatBlt(dst.dc, 3, 1, -2, -1, PATCOPY);
    dst.Expect({{0, 0, kWhite}, {1, 0, brushColour}, {2, 0, brushColour}, {3, 0, kWhite}});
}

TEST(PatBlt, InvertingOperationsRestoreWhenRepeated) {
    Canvas c(8, 8);
    for (int i = 0; i < 64; ++i) c.bits[i] = 0xFF000000u | (i * 0x030507u);
    std::vector<std::uint32_t> before(c.bits, c.bits + 64);
    c.Use(CreateSolidBrush(RGB(200, 100, 50)));
    for (DWORD rop : {DSTINVERT, PATINVERT}) {
        PatBlt(c.dc, 1, 1, 6, 5, rop);
        EXPECT_NE(std::vector<std::uint32_t>(c.bits, c.bits + 64), before);
        PatBlt(c.dc, 1, 1, 6, 5, rop);
        EXPECT_EQ(std::vector<std::uint32_t>(c.bits, c.bits + 64), before);
    }
    RECT r{0, 2, 8, 4};
    InvertRect(c.dc, &r);
    InvertRect(c.dc, &r);
    EXPECT_EQ(std::vector<std::uint32_t>(c.bits, c.bits + 64), before);
}

TEST(PolyPatBlt, PaintsWhatOnePatBltPerEntryPaintsInTurn) {
    Canvas batch(8, 6), single(8, 6);
    HBRUSH red = CreateSolidBrush(kRed), blue = CreateSolidBrush(kBlue);
    const auto bad = reinterpret_cast<HBRUSH>(0x12345678);
    // Overlaps, a negative extent, the selected brush (null), a bad brush, past the clip.
    const POLYPATBLT list[] = {{0, 0, 5, 4, red}, {3, 1, 4, 4, blue}, {6, 5, -3, -2, nullptr}, {0, 0, 8, 6, bad}, {1, 2, 2, 9, red}};
    for (DWORD rop : {PATCOPY, PATINVERT}) {
        for (Canvas* c : {&batch, &single}) {
            SelectObject(c->dc, GetStockObject(BLACK_BRUSH));
            IntersectClipRect(c->dc, 0, 0, 7, 5);
        }
        EXPECT_EQ(PolyPatBlt(batch.dc, rop, list, 5, 0), FALSE); // the bad entry alone fails
        for (const POLYPATBLT& p : list) {
            if (p.hBrush == bad) continue;
            SelectObject(single.dc, p.hBrush ? p.hBrush : GetStockObject(BLACK_BRUSH));
            PatBlt(single.dc, p.nXLeft, p.nYLeft, p.nWidth, p.nHeight, rop);
        }
        EXPECT_EQ(std::vector<std::uint32_t>(batch.bits, batch.bits + 48), std::vector<std::uint32_t>(single.bits, single.bits + 48));
    }
    EXPECT_EQ((std::tuple{batch.Count(kBlue) > 0, PolyPatBlt(batch.dc, PATCOPY, list, 2, 0), PolyPatBlt(batch.dc, SRCCOPY, list, 2, 0),
                          PolyPatBlt(nullptr, PATCOPY, list, 2, 0), PolyPatBlt(batch.dc, PATCOPY, nullptr, 2, 0)}),
              (std::tuple{true, TRUE, FALSE, FALSE, FALSE}));
    for (Canvas* c : {&batch, &single}) SelectObject(c->dc, GetStockObject(WHITE_BRUSH));
    DeleteObject(red);
    DeleteObject(blue);
}

TEST(Outlines, FrameAndFocusRectanglesCoverEachBorderPixelOnce) {
    // FrameRect paints the border; DrawFocusRect inverts the border pixels whose x + y is even, each
    // once, so that drawing it twice restores; the focus rectangle keeps to the clip (here x < 5).
    const RECT rects[] = {{1, 1, 7, 6}, {2, 3, 8, 4}, {4, 1, 5, 7}, {3, 3, 4, 4}, {2, 2, 4, 4}, {5, 5, 5, 9}};
    for (const RECT& r : rects) {
        SCOPED_TRACE(::testing::Message() << r.left << "," << r.top << "," << r.right << "," << r.bottom);
        Canvas framed(10, 10), focus(10, 10);
        EXPECT_EQ(FrameRect(framed.dc, &r, framed.Own(CreateSolidBrush(kRed))), 1);
        IntersectClipRect(focus.dc, 0, 0, 5, 10);
        EXPECT_TRUE(DrawFocusRect(focus.dc, &r));
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool inside = x >= r.left && x < r.right && y >= r.top && y < r.bottom;
                const bool border = inside && (x == r.left || x == r.right - 1 || y == r.top || y == r.bottom - 1);
                EXPECT_EQ(framed.At(x, y), border ? kRed : kWhite) << x << "," << y;
                EXPECT_EQ(focus.At(x, y), border && (x + y) % 2 == 0 && x < 5 ? kBlack : kWhite) << x << "," << y;
            }
        DrawFocusRect(focus.dc, &r);
        EXPECT_EQ(focus.Count(kWhite), 100);
    }
}

TEST(Shapes, PolygonsAreSampledAtPixelCentres) {
    // A pixel is inside when its centre is: for the triangle (1,1) (11,1) (1,6) that is x >= 1,
    // y >= 1 and x + 0.5 + 2 (y + 0.5) < 13.
    Canvas c(14, 8);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    SelectObject(c.dc, GetStockObject(BLACK_BRUSH));
    const POINT tri[] = {{1, 1}, {11, 1}, {1, 6}};
    Polygon(c.dc, tri, 3);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 14; ++x) EXPECT_EQ(c.At(x, y) == kBlack, x >= 1 && y >= 1 && x + 2 * y <= 11) << x << "," << y;
}

TEST(PatternBrush, FollowsTheBrushOrigin) {
    // 8x8 pattern: one red pixel at (0,0), the rest blue.
    std::uint32_t pat[64];
    for (auto& p : pat) p = Canvas::Px(kBlue);
    pat[0] = Canvas::Px(kRed);
    HBITMAP pb = CreateBitmap(8, 8, 1, 32, pat);
    HBRUSH brush = CreatePatternBrush(pb);
    ASSERT_NE(brush, nullptr);
    Canvas c(16, 16);
    RECT all{0, 0, 16, 16};
    FillRect(c.dc, &all, brush);
    c.Expect({{0, 0, kRed}, {8, 8, kRed}, {1, 0, kBlue}});
    EXPECT_EQ(c.Count(kRed), 4);
    SetBrushOrgEx(c.dc, 3, 5, nullptr);
    FillRect(c.dc, &all, brush);
    c.Expect({{3, 5, kRed}, {11, 13, kRed}, {0, 0, kBlue}});
    EXPECT_EQ(c.Count(kRed), 4);
    DeleteObject(brush);
    DeleteObject(pb);
}

TEST(PatternBrush, MonochromePatternUsesTextAndBackColours) {
    // Checkerboard rows 0xAA / 0x55, word-aligned.
    BYTE rows[16];
    for (int y = 0; y < 8; ++y) {
        rows[2 * y] = (y % 2) ? 0x55 : 0xAA;
        rows[2 * y + 1] = 0;
    }
    HBITMAP mono = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH brush = CreatePatternBrush(mono);
    Canvas c(8, 2);
    SetTextColor(c.dc, kRed);   // 0 bits
    SetBkColor(c.dc, kBlue);    // 1 bits
    RECT r{0, 0, 8, 2};
    FillRect(c.dc, &r, brush);
    c.Expect({{0, 0, kBlue}, {1, 0, kRed}, {0, 1, kRed}, {1, 1, kBlue}});
    DeleteObject(brush);
    DeleteObject(mono);
}

TEST(BitBlt, SourceInvertTwiceRestoresAndCopiesRespectOffsets) {
    Canvas src(6, 6), dst(6, 6);
    for (int i = 0; i < 36; ++i) src.bits[i] = 0xFF000000u | (i * 0x070301u);
    for (int i = 0; i < 36; ++i) dst.bits[i] = 0xFF000000u | (i * 0x010911u);
    std::vector<std::uint32_t> before(dst.bits, dst.bits + 36);
    BitBlt(dst.dc, 0, 0, 6, 6, src.dc, 0, 0, SRCINVERT);
    BitBlt(dst.dc, 0, 0, 6, 6, src.dc, 0, 0, SRCINVERT);
    EXPECT_EQ(std::vector<std::uint32_t>(dst.bits, dst.bits + 36), before);
    BitBlt(dst.dc, 1, 2, 3, 2, src.dc, 2, 1, SRCCOPY);
    EXPECT_EQ((std::tuple{dst.Raw(1, 2), dst.Raw(3, 3), dst.Raw(0, 2), dst.Raw(4, 2)}),
              (std::tuple{src.Raw(2, 1), src.Raw(4, 2), before[2 * 6 + 0], before[2 * 6 + 4]}));
}

TEST(BitBlt, OverlappingCopyWithinOneBitmapReadsTheOriginal) {
    Canvas c(8, 1);
    for (int i = 0; i < 8; ++i) c.bits[i] = 0xFF000000u | static_cast<std::uint32_t>(i + 1);
    BitBlt(c.dc, 2, 0, 6, 1, c.dc, 0, 0, SRCCOPY);
    for (int i = 2; i < 8; ++i) EXPECT_EQ(c.bits[i] & 0xFF, static_cast<std::uint32_t>(i - 1));
    BitBlt(c.dc, 0, 0, 6, 1, c.dc, 2, 0, SRCCOPY);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(c.bits[i] & 0xFF, static_cast<std::uint32_t>(i + 1));
}

TEST(BitBlt, MonochromeSourceTakesTheDestinationColours) {
    BYTE rows[2] = {0x80, 0}; // first pixel white (1), second black (0)
    HBITMAP mono = CreateBitmap(2, 1, 1, 1, rows);
    HDC mdc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(mdc, mono);
    Canvas dst(2, 1);
    SetTextColor(dst.dc, kRed);
    SetBkColor(dst.dc, kBlue);
    BitBlt(dst.dc, 0, 0, 2, 1, mdc, 0, 0, SRCCOPY);
    dst.Expect({{0, 0, kBlue}, {1, 0, kRed}});
    SelectObject(mdc, old);
    DeleteDC(mdc);
    DeleteObject(mono);
}

TEST(AlphaBlend, BlendsLikeTheFormulaForEveryAlpha) {
    // dst = src * c / 255 + dst * (255 - srcAlpha * c / 255) / 255 for each channel and the alpha,
    // rounded; without per-pixel alpha the source counts as opaque.
    Canvas src(64, 1), dst(64, 1);
    for (int sca : {255, 200, 128, 17, 0})
        for (bool perPixel : {true, false}) {
            for (int i = 0; i < 64; ++i) {
                const unsigned a = (i * 67) % 256, r = a * (i % 5) / 4, g = a * ((i * 3) % 7) / 6, b = a;
                src.bits[i] = a << 24 | r << 16 | g << 8 | b;
                dst.bits[i] = ((i * 29) % 256) << 24 | ((i * 53) % 256) << 16 | ((i * 91) % 256) << 8 | ((i * 13) % 256);
            }
            const std::vector<std::uint32_t> before(dst.bits, dst.bits + 64);
            BLENDFUNCTION bf{AC_SRC_OVER, 0, static_cast<BYTE>(sca), static_cast<BYTE>(perPixel ? AC_SRC_ALPHA : 0)};
            ASSERT_TRUE(AlphaBlend(dst.dc, 0, 0, 64, 1, src.dc, 0, 0, 64, 1, bf));
            for (int i = 0; i < 64; ++i) {
                const double sa = (perPixel ? (src.bits[i] >> 24) : 255u) * sca / 255.0;
                for (int k = 0; k < 4; ++k) {
                    const double sc = k == 3 ? sa : ((src.bits[i] >> (8 * k)) & 0xFF) * sca / 255.0;
                    const double want = std::min(255.0, sc + ((before[i] >> (8 * k)) & 0xFF) * (255.0 - sa) / 255.0);
                    EXPECT_NEAR((dst.bits[i] >> (8 * k)) & 0xFF, want, 2) // the source is rounded before blending
                        << "alpha " << sca << " pixel " << i << " byte " << k;
                }
            }
        }
    // Source rectangles outside the source are refused and nothing is drawn.
    dst.Clear(kWhite);
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, 3, 1, src.dc, 62, 0, 3, 1, bf));
    EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, 3, 1, src.dc, -1, 0, 3, 1, bf));
    EXPECT_EQ(dst.Count(kWhite), 64);
}

TEST(TransparentBlt, SkipsTheKeyColourAndStretches) {
    Canvas src(2, 1), dst(4, 1);
    src.bits[0] = Canvas::Px(RGB(255, 0, 255));
    src.bits[1] = Canvas::Px(kBlue);
    dst.Clear(kWhite);
    ASSERT_TRUE(TransparentBlt(dst.dc, 0, 0, 4, 1, src.dc, 0, 0, 2, 1, RGB(255, 0, 255)));
    dst.Expect({{0, 0, kWhite}, {1, 0, kWhite}, {2, 0, kBlue}, {3, 0, kBlue}});
}
