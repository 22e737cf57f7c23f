// Lines and shapes: end points, pens, binary raster operations, rectangles, polygons and ellipses.
#include "canvas.h"

#include <gtest/gtest.h>

#include <string>

using namespace win;
using namespace gfxtest;

TEST(Lines, TheEndPointIsNotDrawn) {
    Canvas c(12, 12);
    MoveToEx(c.dc, 1, 1, nullptr);
    LineTo(c.dc, 8, 1);
    for (int x = 1; x < 8; ++x) EXPECT_EQ(c.At(x, 1), kBlack) << x;
    c.Expect({{8, 1, kWhite}, {0, 1, kWhite}});
    EXPECT_EQ(c.Count(kBlack), 7);
    POINT cur{};
    GetCurrentPositionEx(c.dc, &cur);
    EXPECT_EQ(cur, (POINT{8, 1}));

    // Upward and diagonal (one pixel per step): the start is drawn, the end is not.
    struct Case {
        POINT from, to;
        int count;
    } cases[] = {{{5, 9}, {5, 2}, 7}, {{0, 0}, {6, 6}, 6}};
    for (const Case& k : cases) {
        c.Clear(kWhite);
        MoveToEx(c.dc, k.from.x, k.from.y, nullptr);
        LineTo(c.dc, k.to.x, k.to.y);
        c.Expect({{k.from.x, k.from.y, kBlack}, {k.to.x, k.to.y, kWhite}});
        EXPECT_EQ(c.Count(kBlack), k.count);
    }
    for (int i = 0; i < 6; ++i) EXPECT_EQ(c.At(i, i), kBlack);
}

TEST(Lines, ShallowLinesTakeOnePixelPerColumn) {
    Canvas c(20, 8);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 15, 4);
    for (int x = 0; x < 15; ++x) {
        int n = 0;
        for (int y = 0; y < 8; ++y) n += c.At(x, y) == kBlack;
        EXPECT_EQ(n, 1) << x;
    }
    EXPECT_EQ((std::tuple{c.At(0, 0), c.Count(kBlack)}), (std::tuple{kBlack, 15}));
}

TEST(Lines, ConnectedLinesShareCornersOnce) {
    Canvas c(10, 10);
    SetROP2(c.dc, R2_XORPEN);
    SelectObject(c.dc, GetStockObject(WHITE_PEN));
    MoveToEx(c.dc, 1, 1, nullptr);
    for (POINT p : {POINT{6, 1}, POINT{6, 6}, POINT{1, 6}, POINT{1, 1}}) LineTo(c.dc, p.x, p.y);
    // XOR with white turns white to black; a pixel drawn twice would be white again.
    EXPECT_EQ(c.Count(kBlack), 20);
    c.Expect({{6, 1, kBlack}, {1, 1, kBlack}});
}

TEST(Lines, EveryBinaryRasterOperationFollowsItsTruthTable) {
    // Mode m's colour bit is bit (pen * 2 + destination) of m - 1; the alpha stays when the result
    // depends on the destination. Each mode draws one row over a half-transparent destination.
    const std::uint32_t dest = 0x80306090u, pen = Canvas::Px(RGB(0x0F, 0xF0, 0x55));
    Canvas c(3, 16);
    for (int i = 0; i < 3 * 16; ++i) c.bits[i] = dest;
    c.Use(CreatePen(PS_SOLID, 1, RGB(0x0F, 0xF0, 0x55)));
    for (int mode = R2_BLACK; mode <= R2_WHITE; ++mode) {
        EXPECT_EQ(SetROP2(c.dc, mode), mode == R2_BLACK ? R2_COPYPEN : mode - 1);
        MoveToEx(c.dc, 0, mode - 1, nullptr);
        LineTo(c.dc, 2, mode - 1);
        const int code = mode - 1;
        const bool readsDest = ((code >> 1) & 1) != (code & 1) || ((code >> 3) & 1) != ((code >> 2) & 1);
        std::uint32_t want = readsDest ? (dest & 0xFF000000u) : 0xFF000000u;
        for (int b = 0; b < 24; ++b)
            want |= static_cast<std::uint32_t>((code >> (((pen >> b) & 1) * 2 + ((dest >> b) & 1))) & 1) << b;
        EXPECT_EQ(c.Raw(0, mode - 1), want) << mode;
        EXPECT_EQ(c.Raw(2, mode - 1), dest) << "the end point is not drawn";
    }
    EXPECT_EQ(GetROP2(c.dc), R2_WHITE);
}

TEST(Lines, DottedPenWithOpaqueAndTransparentBackground) {
    Canvas c(14, 2);
    c.Use(CreatePen(PS_DOT, 1, kRed));
    SetBkColor(c.dc, kBlue);
    SetBkMode(c.dc, OPAQUE);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 12, 0);
    const char* expect = "RRRBBBRRRBBBW";
    for (int x = 0; x < 13; ++x) {
        COLORREF want = expect[x] == 'R' ? kRed : expect[x] == 'B' ? kBlue : kWhite;
        EXPECT_EQ(c.At(x, 0), want) << x;
    }
    SetBkMode(c.dc, TRANSPARENT);
    MoveToEx(c.dc, 0, 1, nullptr);
    LineTo(c.dc, 12, 1);
    c.Expect({{3, 1, kWhite}, {6, 1, kRed}});
    // Every dashed style's on and off runs, from the start of the line.
    const std::pair<UINT, const char*> styles[] = {
        {PS_DASH, "##################......####"},
        {PS_DASHDOT, "#########......###......####"},
        {PS_DASHDOTDOT, "#########...###...###...####"},
    };
    for (const auto& [style, runs] : styles) {
        Canvas line(28, 1);
        line.Use(CreatePen(style, 1, kBlack));
        MoveToEx(line.dc, 0, 0, nullptr);
        LineTo(line.dc, 29, 0);
        std::string got;
        for (int x = 0; x < 28; ++x) got += line.At(x, 0) == kBlack ? '#' : '.';
        EXPECT_EQ(got, runs) << style;
    }
    // The dash pattern runs on across joined segments.
    c.Clear(kWhite);
    MoveToEx(c.dc, 0, 0, nullptr);
    LineTo(c.dc, 2, 0);
    LineTo(c.dc, 5, 0);
    c.Expect({{2, 0, kRed}, {3, 0, kWhite}});
}

TEST(Lines, WidePensCoverTheirWidth) {
    Canvas c(20, 20);
    c.Use(CreatePen(PS_SOLID, 3, kBlue));
    MoveToEx(c.dc, 5, 10, nullptr);
    LineTo(c.dc, 15, 10);
    for (int x = 5; x <= 15; ++x)
        for (int y = 9; y <= 11; ++y) EXPECT_EQ(c.At(x, y), kBlue) << x << "," << y;
    c.Expect({{10, 8, kWhite}, {10, 12, kWhite}});
}

TEST(Shapes, RectangleOutlineAndInterior) {
    Canvas c(10, 10);
    c.Use(CreateSolidBrush(kRed));
    Rectangle(c.dc, 1, 1, 6, 5);
    c.Expect({{1, 1, kBlack}, {5, 4, kBlack}, {5, 1, kBlack}, {1, 4, kBlack}, {2, 2, kRed}, {4, 3, kRed},
              {6, 1, kWhite}, {1, 5, kWhite}});
    EXPECT_EQ((std::tuple{c.Count(kBlack), c.Count(kRed)}), (std::tuple{14, 6}));

    // Without a pen the fill is one pixel smaller on the right and bottom.
    c.Clear(kWhite);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    Rectangle(c.dc, 1, 1, 6, 5);
    EXPECT_EQ(c.Count(kRed), 4 * 3);
    c.Expect({{1, 1, kRed}, {4, 3, kRed}, {5, 3, kWhite}});

    // A hollow brush leaves the inside alone.
    c.Clear(kWhite);
    SelectObject(c.dc, GetStockObject(BLACK_PEN));
    SelectObject(c.dc, GetStockObject(NULL_BRUSH));
    Rectangle(c.dc, 0, 0, 4, 4);
    EXPECT_EQ((std::tuple{c.Count(kBlack), c.At(1, 1)}), (std::tuple{12, kWhite}));
    // A rectangle without width or height draws nothing.
    c.Clear(kWhite);
    EXPECT_EQ((std::tuple{bool(Rectangle(c.dc, 3, 1, 3, 6)), bool(Rectangle(c.dc, 1, 3, 6, 3)), c.Count(kWhite)}),
              (std::tuple{true, true, 100}));
}

TEST(Shapes, PolygonFillsItsInteriorWithTheBrush) {
    Canvas c(12, 12);
    SelectObject(c.dc, GetStockObject(NULL_PEN));
    c.Use(CreateSolidBrush(kBlue));
    POINT square[] = {{2, 2}, {8, 2}, {8, 8}, {2, 8}};
    Polygon(c.dc, square, 4);
    EXPECT_EQ(c.Count(kBlue), 36);
    c.Expect({{2, 2, kBlue}, {7, 7, kBlue}, {8, 7, kWhite}});

    c.Clear(kWhite);
    POINT tri[] = {{0, 0}, {10, 0}, {0, 10}};
    Polygon(c.dc, tri, 3);
    c.Expect({{0, 0, kBlue}, {8, 0, kBlue}, {0, 8, kBlue}, {8, 8, kWhite}});
}

TEST(Shapes, EllipseStaysInsideItsBox) {
    Canvas c(20, 20);
    c.Use(CreateSolidBrush(kRed));
    Ellipse(c.dc, 3, 4, 15, 14);
    EXPECT_EQ(c.InkBox(kWhite), (RECT{3, 4, 15, 14}));
    c.Expect({{9, 9, kRed}, {3, 4, kWhite}}); // the box's corner is outside the ellipse

    // A wide pen draws the outline inside the box, as thick as the pen on every side; corners given
    // in any order make the same ellipse; an empty box draws nothing.
    c.Use(CreatePen(PS_SOLID, 3, kBlue));
    c.Clear(kWhite);
    Ellipse(c.dc, 15, 15, 2, 4);
    EXPECT_EQ(c.InkBox(kWhite), (RECT{2, 4, 15, 15}));
    std::string across, down;
    for (int x = 2; x < 15; ++x) across += c.At(x, 9) == kBlue ? 'p' : c.At(x, 9) == kRed ? 'b' : '.';
    for (int y = 4; y < 15; ++y) down += c.At(8, y) == kBlue ? 'p' : c.At(8, y) == kRed ? 'b' : '.';
    EXPECT_EQ((std::tuple{across, down}), (std::tuple{"pppbbbbbbbppp", "pppbbbbbppp"}));
    c.Clear(kWhite);
    EXPECT_TRUE(Ellipse(c.dc, 5, 5, 5, 12));
    EXPECT_TRUE(Ellipse(c.dc, 5, 5, 12, 5));
    EXPECT_TRUE(Ellipse(c.dc, -3000, -3000, 3000, 3000)); // too large to rasterise: skipped
    EXPECT_EQ(c.Count(kWhite), 400);
}
