// Clipping, saved states, rectangle arithmetic and device contexts on window surfaces.
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
    // Random clip operations, each followed by a fill of everything: the painted pixels and the clip box
    // match the same operations on sets of pixels. Saved states bring earlier clips back.
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
    std::vector<Cells> saved{Cells(kSize * kSize, true)};
    Cells allowed = saved.back();
    for (int step = 0; step < 200; ++step) {
        const RECT r = randomRect();
        const Cells cells = cellsOf(r);
        const int op = static_cast<int>(rng() % 4);
        auto apply = [&](auto keep) {
            for (int i = 0; i < kSize * kSize; ++i) allowed[i] = keep(static_cast<bool>(allowed[i]), static_cast<bool>(cells[i]));
        };
        switch (op) {
        case 0: IntersectClipRect(c.dc, r.left, r.top, r.right, r.bottom), apply([](bool a, bool b) { return a && b; }); break;
        case 1: ExcludeClipRect(c.dc, r.left, r.top, r.right, r.bottom), apply([](bool a, bool b) { return a && !b; }); break;
        case 2:
            ASSERT_EQ(SaveDC(c.dc), static_cast<int>(saved.size()));
            saved.push_back(allowed);
            break;
        default:
            if (saved.size() > 1) {
                ASSERT_TRUE(RestoreDC(c.dc, -1));
                allowed = saved.back();
                saved.pop_back();
            }
            break;
        }
        c.Clear(kWhite);
        FillAll(c.dc, kRed);
        RECT box{kSize, kSize, 0, 0}, got{};
        int count = 0;
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                ASSERT_EQ(c.At(x, y) == kRed, allowed[y * kSize + x]) << step << " op " << op << " at " << x << "," << y;
                if (!allowed[y * kSize + x]) continue;
                ++count;
                box = RECT{std::min<LONG>(box.left, x), std::min<LONG>(box.top, y), std::max<LONG>(box.right, x + 1),
                           std::max<LONG>(box.bottom, y + 1)};
            }
        const int kind = GetClipBox(c.dc, &got);
        if (count == 0) {
            EXPECT_EQ(kind, NULLREGION) << step;
        } else {
            // The clip may reach past the bitmap; inside it, the box is the painted pixels' box.
            RECT inside{};
            const RECT bitmap{0, 0, kSize, kSize};
            IntersectRect(&inside, &got, &bitmap);
            EXPECT_EQ(inside, box) << step;
            EXPECT_NE(kind, NULLREGION) << step;
        }
    }
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
    EXPECT_EQ((std::tuple{bool(RestoreDC(c.dc, level)), GetTextColor(c.dc), GetCurrentObject(c.dc, OBJ_PEN)}),
              (std::tuple{true, kBlack, GetStockObject(BLACK_PEN)}));
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
    EXPECT_EQ((std::tuple{detail::WindowFromSurfaceDC(dc), WindowFromDC(dc)}), (std::tuple{fake, fake}));
    RECT box{};
    GetClipBox(dc, &box);
    EXPECT_EQ(box, (RECT{0, 0, 10, 6}));
    RECT all{0, 0, 100, 100};
    InvertRect(dc, &all);
    int inverted = 0;
    for (std::uint32_t p : fb) inverted += (p & 0xFFFFFF) == 0;
    EXPECT_EQ(inverted, 20 + 28 - 4);
    EXPECT_EQ((std::tuple{fb[2 * 20 + 5] & 0xFFFFFF, fb[2 * 20 + 4] & 0xFFFFFF, GetPixel(dc, 0, 0)}),
              (std::tuple{0u, 0xFFFFFFu, kBlack}));
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
    EXPECT_EQ((std::tuple{IntersectRect(nullptr, &r, &r), UnionRect(&r, nullptr, &r), PtInRect(nullptr, POINT{0, 0})}),
              (std::tuple{FALSE, FALSE, FALSE}));
}
