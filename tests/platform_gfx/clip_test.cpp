// Clipping, regions, saved states and device contexts on window surfaces.
#include "canvas.h"
#include "win/detail/surface.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <vector>

using namespace win;
using namespace gfxtest;

namespace {

void FillAll(HDC dc, COLORREF c) {
    HBRUSH b = CreateSolidBrush(c);
    RECT r{-1000, -1000, 1000, 1000};
    FillRect(dc, &r, b);
    DeleteObject(b);
}

} // namespace

TEST(Clipping, EveryClipOperationLeavesExactlyItsPointsDrawable) {
    // Random clip operations, each followed by a fill of everything: the painted pixels, the clip box,
    // the visibility queries and the clip region match the same operations on sets of pixels.
    static constexpr int kSize = 12;
    using Cells = std::vector<bool>;
    auto cellsOf = [](const RECT& r) {
        Cells c(kSize * kSize);
        for (int y = std::max<LONG>(r.top, 0); y < std::min<LONG>(r.bottom, kSize); ++y)
            for (int x = std::max<LONG>(r.left, 0); x < std::min<LONG>(r.right, kSize); ++x) c[y * kSize + x] = true;
        return c;
    };
    std::mt19937 rng(9);
    auto randomRect = [&] {
        int l = static_cast<int>(rng() % kSize) - 1, t = static_cast<int>(rng() % kSize) - 1;
        return RECT{l, t, l + 1 + static_cast<int>(rng() % 7), t + 1 + static_cast<int>(rng() % 7)};
    };
    Canvas c(kSize, kSize);
    Cells allowed(kSize * kSize, true);
    bool clipped = false;
    HRGN current = CreateRectRgn(0, 0, 0, 0);
    for (int step = 0; step < 200; ++step) {
        const RECT r = randomRect();
        const Cells cells = cellsOf(r);
        const int op = static_cast<int>(rng() % 7);
        HRGN rgn = CreateRectRgnIndirect(&r);
        auto apply = [&](auto keep) {
            for (int i = 0; i < kSize * kSize; ++i) allowed[i] = keep(static_cast<bool>(allowed[i]), static_cast<bool>(cells[i]));
        };
        switch (op) {
        case 0: IntersectClipRect(c.dc, r.left, r.top, r.right, r.bottom), apply([](bool a, bool b) { return a && b; }); break;
        case 1: ExcludeClipRect(c.dc, r.left, r.top, r.right, r.bottom), apply([](bool a, bool b) { return a && !b; }); break;
        case 2: ExtSelectClipRgn(c.dc, rgn, RGN_OR), apply([](bool a, bool b) { return a || b; }); break;
        case 3: ExtSelectClipRgn(c.dc, rgn, RGN_XOR), apply([](bool a, bool b) { return a != b; }); break;
        case 4: ExtSelectClipRgn(c.dc, rgn, RGN_DIFF), apply([](bool a, bool b) { return a && !b; }); break;
        case 5:
            SelectClipRgn(c.dc, rgn), apply([](bool, bool b) { return b; });
            SetRectRgn(rgn, 0, 0, kSize, kSize); // the context keeps its own copy
            break;
        default: SelectClipRgn(c.dc, nullptr), allowed.assign(kSize * kSize, true); break;
        }
        clipped = op != 6;
        DeleteObject(rgn);
        c.Clear(kWhite);
        FillAll(c.dc, kRed);
        RECT box{kSize, kSize, 0, 0}, got{};
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                ASSERT_EQ(c.At(x, y) == kRed, allowed[y * kSize + x]) << step << " op " << op << " at " << x << "," << y;
                ASSERT_EQ(PtVisible(c.dc, x, y) != FALSE, allowed[y * kSize + x]) << step;
                if (allowed[y * kSize + x])
                    box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                               std::max<LONG>(box.bottom, y + 1)};
            }
        const bool any = std::find(allowed.begin(), allowed.end(), true) != allowed.end();
        const int kind = GetClipBox(c.dc, &got);
        EXPECT_NE(kind, ERROR);
        if (any && clipped) {
            EXPECT_EQ(got, box) << step;
        }
        const RECT probe = randomRect();
        const Cells under = cellsOf(probe);
        bool seen = false;
        for (int i = 0; i < kSize * kSize; ++i) seen |= under[i] && allowed[i];
        EXPECT_EQ(RectVisible(c.dc, &probe) != FALSE, seen) << step;
        EXPECT_EQ(GetClipRgn(c.dc, current), clipped ? 1 : 0) << step;
    }
    EXPECT_EQ(ExtSelectClipRgn(c.dc, nullptr, RGN_AND), ERROR);
    EXPECT_EQ(ExtSelectClipRgn(c.dc, reinterpret_cast<HRGN>(0x44), RGN_OR), ERROR);
    DeleteObject(current);
}

TEST(Regions, FillInvertAndHitTestFollowTheRegion) {
    Canvas c(10, 10);
    HRGN a = CreateRectRgn(1, 1, 4, 4), b = CreateRectRgn(6, 2, 9, 5), u = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(u, a, b, RGN_OR);
    HBRUSH red = CreateSolidBrush(kRed);
    EXPECT_TRUE(FillRgn(c.dc, u, red));
    EXPECT_EQ(c.Count(kRed), 9 + 9);
    c.Expect({{1, 1, kRed}, {3, 3, kRed}, {4, 3, kWhite}, {8, 4, kRed}, {5, 2, kWhite}});
    EXPECT_TRUE(InvertRgn(c.dc, u));
    EXPECT_EQ(c.Count(RGB(0, 255, 255)), 18);
    InvertRgn(c.dc, u);
    EXPECT_EQ(c.Count(kRed), 18);
    for (const auto& [r, hit] : {std::pair{RECT{4, 1, 6, 9}, false}, std::pair{RECT{3, 3, 7, 4}, true},
                                 std::pair{RECT{8, 4, 9, 5}, true}, std::pair{RECT{0, 0, 1, 10}, false}})
        EXPECT_EQ(RectInRegion(u, &r) != FALSE, hit) << r.left << "," << r.top;
    EXPECT_FALSE(FillRgn(c.dc, reinterpret_cast<HRGN>(0x44), red));
    EXPECT_FALSE(InvertRgn(nullptr, u));
    for (HRGN h : {a, b, u}) DeleteObject(h);
    DeleteObject(red);
}

TEST(Clipping, SaveAndRestoreBringBackClipAndAttributes) {
    Canvas c(8, 8);
    int level = SaveDC(c.dc);
    EXPECT_EQ(level, 1);
    IntersectClipRect(c.dc, 0, 0, 2, 2);
    SetTextColor(c.dc, kRed);
    HPEN pen = CreatePen(PS_SOLID, 1, kBlue);
    SelectObject(c.dc, pen);
    EXPECT_EQ(SaveDC(c.dc), 2);
    SetViewportOrgEx(c.dc, 3, 3, nullptr);
    EXPECT_TRUE(RestoreDC(c.dc, -1));
    POINT vp{};
    GetViewportOrgEx(c.dc, &vp);
    EXPECT_EQ(vp.x, 0);
    EXPECT_TRUE(RestoreDC(c.dc, level));
    EXPECT_EQ(GetTextColor(c.dc), kBlack);
    EXPECT_EQ(GetCurrentObject(c.dc, OBJ_PEN), GetStockObject(BLACK_PEN));
    EXPECT_FALSE(RestoreDC(c.dc, 1)); // nothing left to restore
    FillAll(c.dc, kRed);
    EXPECT_EQ(c.Count(kRed), 64);
    EXPECT_TRUE(DeleteObject(pen));
}

TEST(Clipping, ViewportOriginMovesDrawingButNotRegionClip) {
    Canvas c(10, 10);
    SetViewportOrgEx(c.dc, 2, 6, nullptr);
    POINT old{};
    ASSERT_TRUE(OffsetViewportOrgEx(c.dc, 3, -1, &old));
    EXPECT_EQ(old, (POINT{2, 6}));
    HBRUSH b = CreateSolidBrush(kRed);
    RECT r{0, 0, 2, 2};
    FillRect(c.dc, &r, b);
    c.Expect({{5, 5, kRed}, {0, 0, kWhite}});
    EXPECT_EQ(GetPixel(c.dc, 0, 0), kRed);
    DeleteObject(b);
}

TEST(SurfaceDc, DrawsAtTheOriginAndOnlyInsideTheClipRectangles) {
    std::vector<std::uint32_t> fb(20 * 10, 0xFFFFFFFFu);
    detail::Surface s{fb.data(), 20, 10, 20};
    RECT clips[] = {{5, 2, 10, 6}, {8, 4, 15, 8}}; // overlapping: each pixel still changes once
    HWND fake = reinterpret_cast<HWND>(0x1000);
    HDC dc = detail::CreateSurfaceDC(fake, s, POINT{5, 2}, clips, 2);
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(detail::WindowFromSurfaceDC(dc), fake);
    EXPECT_EQ(WindowFromDC(dc), fake);
    RECT box{};
    GetClipBox(dc, &box);
    EXPECT_EQ(box, (RECT{0, 0, 10, 6}));
    RECT all{0, 0, 100, 100};
    InvertRect(dc, &all);
    int inverted = 0;
    for (std::uint32_t p : fb) inverted += (p & 0xFFFFFF) == 0;
    EXPECT_EQ(inverted, 20 + 28 - 4);
    EXPECT_EQ(fb[2 * 20 + 5] & 0xFFFFFF, 0u);
    EXPECT_EQ(fb[2 * 20 + 4] & 0xFFFFFF, 0xFFFFFFu);
    EXPECT_EQ(GetPixel(dc, 0, 0), kBlack);
    detail::DestroySurfaceDC(dc);
    EXPECT_EQ(GetPixel(dc, 0, 0), CLR_INVALID);
    Canvas memory(2, 2);
    detail::DestroySurfaceDC(memory.dc); // not a window's context: left alone
    EXPECT_NE(GetPixel(memory.dc, 0, 0), CLR_INVALID);
}

TEST(Rectangles, ArithmeticMatchesSetsOfCells) {
    // Every rectangle of a 4 x 4 grid, empty ones included, against every other.
    std::vector<RECT> all;
    for (int l = 0; l <= 4; ++l)
        for (int r = l; r <= 4; ++r)
            for (int t = 0; t <= 4; t += 2)
                for (int b = t; b <= 4; ++b) all.push_back(RECT{l, t, r, b});
    using Cells = std::uint32_t; // bit y * 4 + x
    auto cells = [](const RECT& r) {
        Cells c = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x) c |= 1u << (y * 4 + x);
        return c;
    };
    auto box = [](Cells c) { // the bounding rectangle of some cells
        RECT r{4, 4, 0, 0};
        for (int i = 0; i < 16; ++i)
            if (c >> i & 1) r = RECT{std::min<LONG>(r.left, i % 4), std::min<LONG>(r.top, i / 4),
                                     std::max<LONG>(r.right, i % 4 + 1), std::max<LONG>(r.bottom, i / 4 + 1)};
        return c ? r : RECT{0, 0, 0, 0};
    };
    for (const RECT& a : all) {
        EXPECT_EQ(IsRectEmpty(&a) != FALSE, cells(a) == 0);
        for (int y = -1; y <= 4; ++y)
            for (int x = -1; x <= 4; ++x)
                EXPECT_EQ(PtInRect(&a, POINT{x, y}) != FALSE, x >= 0 && x < 4 && y >= 0 && y < 4 && (cells(a) >> (y * 4 + x) & 1));
        for (const RECT& b : all) {
            RECT out{9, 9, 9, 9};
            const Cells both = cells(a) & cells(b), rest = cells(a) & ~cells(b);
            EXPECT_EQ(IntersectRect(&out, &a, &b) != FALSE, both != 0);
            ASSERT_EQ(out, box(both));
            EXPECT_EQ(UnionRect(&out, &a, &b) != FALSE, (cells(a) | cells(b)) != 0);
            ASSERT_EQ(out, box(cells(a) | cells(b)));
            // Subtraction gives the rest only when it is one rectangle; otherwise a itself.
            EXPECT_EQ(SubtractRect(&out, &a, &b) != FALSE, rest != 0);
            const RECT difference = rest == 0 ? RECT{0, 0, 0, 0} : cells(box(rest)) == rest ? box(rest) : a;
            ASSERT_EQ(out, difference);
            EXPECT_EQ(EqualRect(&a, &b) != FALSE, a == b);
        }
    }
    RECT r{1, 2, 3, 4};
    InflateRect(&r, 2, -1);
    EXPECT_EQ(r, (RECT{-1, 3, 5, 3}));
    OffsetRect(&r, -3, 4);
    EXPECT_EQ(r, (RECT{-4, 7, 2, 7}));
    EXPECT_FALSE(IntersectRect(nullptr, &r, &r));
    EXPECT_FALSE(UnionRect(&r, nullptr, &r));
    EXPECT_FALSE(PtInRect(nullptr, POINT{0, 0}));
}

TEST(Regions, CombinedRegionsHoldExactlyThePointsOfTheirSetOperation) {
    // Random rectangles on a small grid, combined every way and compared point by point with the same
    // operation on sets of cells; a result that is one rectangle says so.
    std::mt19937 rng(5);
    constexpr int kGrid = 12;
    auto randomRect = [&] {
        int l = static_cast<int>(rng() % kGrid), t = static_cast<int>(rng() % kGrid);
        return RECT{l, t, l + 1 + static_cast<int>(rng() % 6), t + 1 + static_cast<int>(rng() % 6)};
    };
    auto in = [](const RECT& r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; };
    for (int round = 0; round < 300; ++round) {
        const RECT ra = randomRect(), rb = randomRect();
        HRGN a = CreateRectRgnIndirect(&ra), b = CreateRectRgnIndirect(&rb), r = CreateRectRgn(0, 0, 0, 0);
        for (int mode : {RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF}) {
            const int kind = CombineRgn(r, a, b, mode);
            RECT box{kGrid * 2, kGrid * 2, -1, -1};
            int cells = 0;
            for (int y = 0; y < kGrid * 2; ++y)
                for (int x = 0; x < kGrid * 2; ++x) {
                    const bool ia = in(ra, x, y), ib = in(rb, x, y);
                    const bool want = mode == RGN_AND ? ia && ib : mode == RGN_OR ? ia || ib : mode == RGN_XOR ? ia != ib
                                                                                                             : ia && !ib;
                    ASSERT_EQ(PtInRegion(r, x, y) != FALSE, want) << round << " mode " << mode << " at " << x << "," << y;
                    if (want) {
                        ++cells;
                        box = RECT{std::min(box.left, x), std::min(box.top, y), std::max<LONG>(box.right, x + 1),
                                   std::max<LONG>(box.bottom, y + 1)};
                    }
                }
            RECT got{};
            GetRgnBox(r, &got);
            if (cells == 0) {
                EXPECT_EQ(kind, NULLREGION) << round << " mode " << mode;
                continue;
            }
            EXPECT_EQ(got, box) << round << " mode " << mode;
            const bool rectangular = cells == (box.right - box.left) * (box.bottom - box.top);
            EXPECT_EQ(kind, rectangular ? SIMPLEREGION : COMPLEXREGION) << round << " mode " << mode;
        }
        for (HRGN h : {a, b, r}) DeleteObject(h);
    }
}

TEST(Regions, CombineModesAndQueries) {
    HRGN a = CreateRectRgn(0, 0, 10, 10);
    HRGN b = CreateRectRgn(5, 5, 15, 15);
    HRGN r = CreateRectRgn(0, 0, 0, 0);
    EXPECT_EQ(CombineRgn(r, a, b, RGN_AND), SIMPLEREGION);
    RECT box{};
    GetRgnBox(r, &box);
    EXPECT_EQ(box, (RECT{5, 5, 10, 10}));
    EXPECT_EQ(CombineRgn(r, a, b, RGN_DIFF), COMPLEXREGION);
    EXPECT_TRUE(PtInRegion(r, 2, 8));
    EXPECT_FALSE(PtInRegion(r, 7, 7));
    EXPECT_EQ(CombineRgn(r, a, b, RGN_XOR), COMPLEXREGION);
    EXPECT_FALSE(PtInRegion(r, 7, 7));
    EXPECT_TRUE(PtInRegion(r, 12, 12));
    // The rectangles of a region: all of them counted, as many as there is room for given.
    RECT rects[8];
    const int count = GetRegionRects(r, rects, 8);
    ASSERT_GT(count, 2);
    int area = 0;
    for (int i = 0; i < count; ++i) area += (rects[i].right - rects[i].left) * (rects[i].bottom - rects[i].top);
    EXPECT_EQ(area, 100 + 100 - 2 * 25);
    RECT one[2] = {{}, {-1, -1, -1, -1}};
    EXPECT_EQ(GetRegionRects(r, one, 1), count);
    EXPECT_EQ(one[0], rects[0]);
    EXPECT_EQ(one[1], (RECT{-1, -1, -1, -1}));
    EXPECT_EQ(GetRegionRects(reinterpret_cast<HRGN>(0x40), rects, 8), 0);
    EXPECT_EQ(CombineRgn(r, a, a, RGN_DIFF), NULLREGION);
    HRGN u = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(u, a, b, RGN_OR);
    HRGN parts = CreateRectRgn(0, 0, 0, 0);
    CombineRgn(parts, b, a, RGN_OR);
    EXPECT_TRUE(EqualRgn(u, parts));
    OffsetRgn(u, 1, 0);
    EXPECT_FALSE(EqualRgn(u, parts));
    EXPECT_EQ(CombineRgn(r, a, reinterpret_cast<HRGN>(0x40), RGN_AND), ERROR);
    for (HRGN h : {a, b, r, u, parts}) EXPECT_TRUE(DeleteObject(h));
}
