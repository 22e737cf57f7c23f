// Frame elements: edge colours per side, frame controls and the flat theme.
#include "canvas.h"
#include "win/com.h"

#include <gtest/gtest.h>

#include <vector>

using namespace win;
using namespace gfxtest;

namespace {

struct Sides {
    COLORREF left, top, right, bottom;
    bool operator==(const Sides&) const = default;
};

// Reads the colour in the middle of each side of ring k (0 = outermost) of r.
Sides Ring(const Canvas& c, RECT r, int k) {
    int mx = (r.left + r.right) / 2, my = (r.top + r.bottom) / 2;
    return Sides{c.At(r.left + k, my), c.At(mx, r.top + k), c.At(r.right - 1 - k, my), c.At(mx, r.bottom - 1 - k)};
}

} // namespace

TEST(DrawEdge, ColoursPerSideForEachEdgeKind) {
    const COLORREF light = GetSysColor(COLOR_3DLIGHT), hilight = GetSysColor(COLOR_3DHILIGHT);
    const COLORREF shadow = GetSysColor(COLOR_3DSHADOW), dark = GetSysColor(COLOR_3DDKSHADOW);
    struct Case {
        UINT edge;
        Sides outer, inner;
    } cases[] = {
        {EDGE_RAISED, {light, light, dark, dark}, {hilight, hilight, shadow, shadow}},
        {EDGE_SUNKEN, {shadow, shadow, hilight, hilight}, {dark, dark, light, light}},
        {EDGE_ETCHED, {shadow, shadow, hilight, hilight}, {hilight, hilight, shadow, shadow}},
        {EDGE_BUMP, {light, light, dark, dark}, {dark, dark, light, light}},
    };
    for (const Case& k : cases) {
        Canvas c(20, 20, RGB(1, 2, 3));
        RECT r{2, 3, 18, 16};
        RECT adj = r;
        ASSERT_TRUE(DrawEdge(c.dc, &adj, k.edge, BF_RECT | BF_MIDDLE | BF_ADJUST));
        SCOPED_TRACE(k.edge);
        EXPECT_TRUE(Ring(c, r, 0) == k.outer);
        EXPECT_TRUE(Ring(c, r, 1) == k.inner);
        EXPECT_EQ(adj, (RECT{r.left + 2, r.top + 2, r.right - 2, r.bottom - 2}));
        // Face in the middle, nothing outside; the bottom-left and top-right corners belong to the bottom
        // and right sides.
        c.Expect({{10, 10, GetSysColor(COLOR_BTNFACE)}, {1, 10, RGB(1, 2, 3)}, {r.left, r.bottom - 1, k.outer.bottom},
                  {r.right - 1, r.top, k.outer.right}});
    }
}

TEST(DrawEdge, OnlyTheRequestedSides) {
    Canvas c(12, 12);
    RECT r{1, 1, 11, 11};
    DrawEdge(c.dc, &r, EDGE_SUNKEN, BF_BOTTOM);
    c.Expect({{5, 10, GetSysColor(COLOR_3DHILIGHT)}, {5, 9, GetSysColor(COLOR_3DLIGHT)}, {1, 5, kWhite},
              {5, 1, kWhite}, {10, 5, kWhite}});
    Canvas f(12, 12);
    DrawEdge(f.dc, &r, EDGE_RAISED, BF_RECT | BF_FLAT);
    f.Expect({{1, 5, GetSysColor(COLOR_3DSHADOW)}, {10, 5, GetSysColor(COLOR_3DSHADOW)}});
}

TEST(DrawFrameControl, ScrollArrowsPointTheirWay) {
    // Compare the ink of the arrow's first and last rows: the tip row is the narrow one.
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    RECT r{0, 0, 17, 17};
    for (bool pointsUp : {true, false}) {
        Canvas c(17, 17);
        DrawFrameControl(c.dc, &r, DFC_SCROLL, pointsUp ? DFCS_SCROLLUP : DFCS_SCROLLDOWN);
        std::vector<int> widths; // of the rows holding ink, top to bottom
        for (int y = 0; y < c.h; ++y) {
            int n = 0;
            for (int x = 0; x < c.w; ++x) n += c.At(x, y) == ink;
            if (n) widths.push_back(n);
        }
        ASSERT_FALSE(widths.empty());
        EXPECT_EQ(widths.front() < widths.back(), pointsUp) << pointsUp;
        EXPECT_NE(widths.front(), widths.back());
    }
    // Inactive arrows are drawn grey instead.
    Canvas off(17, 17);
    DrawFrameControl(off.dc, &r, DFC_SCROLL, DFCS_SCROLLLEFT | DFCS_INACTIVE);
    EXPECT_EQ(off.Count(ink), 0);
    EXPECT_GT(off.Count(GetSysColor(COLOR_3DSHADOW)), 3);
}

TEST(DrawFrameControl, ButtonsChecksAndRadios) {
    RECT r{0, 0, 20, 16};
    Canvas up(20, 16), pushed(20, 16);
    DrawFrameControl(up.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH);
    DrawFrameControl(pushed.dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | DFCS_PUSHED);
    up.Expect({{10, 8, GetSysColor(COLOR_BTNFACE)}, {19, 8, GetSysColor(COLOR_3DDKSHADOW)}});
    EXPECT_EQ(pushed.At(0, 8), GetSysColor(COLOR_3DSHADOW));
    EXPECT_NE(up.At(0, 8), pushed.At(0, 8));

    RECT box{0, 0, 13, 13};
    Canvas unchecked(13, 13), checked(13, 13);
    DrawFrameControl(unchecked.dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK);
    DrawFrameControl(checked.dc, &box, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    EXPECT_EQ(unchecked.Count(GetSysColor(COLOR_WINDOWTEXT)), 0);
    EXPECT_GT(checked.Count(GetSysColor(COLOR_WINDOWTEXT)), 10);

    Canvas radio(13, 13, RGB(9, 9, 9));
    DrawFrameControl(radio.dc, &box, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
    radio.Expect({{0, 0, RGB(9, 9, 9)}, {6, 6, GetSysColor(COLOR_WINDOWTEXT)}}); // round: corners untouched
}

TEST(Theme, ActiveThemeDrawsScrollPartsAndInactiveOneIsAbsent) {
    SetThemeActive(TRUE);
    HTHEME t = OpenThemeData(nullptr, "SCROLLBAR");
    ASSERT_NE(t, nullptr);
    Canvas c(40, 17);
    RECT track{0, 0, 40, 17};
    EXPECT_EQ(DrawThemeBackground(t, c.dc, SBP_LOWERTRACKHORZ, SCRBS_NORMAL, &track, nullptr), S_OK);
    COLORREF trackColour = c.At(20, 8);
    RECT thumb{10, 0, 30, 17};
    DrawThemeBackground(t, c.dc, SBP_THUMBBTNHORZ, SCRBS_NORMAL, &thumb, nullptr);
    EXPECT_NE(c.At(20, 8), trackColour);
    COLORREF normalThumb = c.At(20, 8);
    RECT clip{0, 0, 20, 17};
    DrawThemeBackground(t, c.dc, SBP_THUMBBTNHORZ, SCRBS_PRESSED, &thumb, &clip);
    EXPECT_NE(c.At(15, 8), normalThumb);
    EXPECT_EQ(c.At(25, 8), normalThumb); // outside the clip rectangle
    EXPECT_EQ(DrawThemeBackground(t, nullptr, SBP_ARROWBTN, ABS_UPNORMAL, &track, nullptr), E_INVALIDARG);
    EXPECT_EQ(DrawThemeBackground(reinterpret_cast<HTHEME>(&c), c.dc, 1, 1, &track, nullptr), E_HANDLE);
    EXPECT_EQ(CloseThemeData(t), S_OK);
    EXPECT_EQ(OpenThemeData(nullptr, "NOSUCHCLASS"), nullptr);

    SetThemeActive(FALSE);
    EXPECT_FALSE(IsThemeActive());
    EXPECT_EQ(OpenThemeData(nullptr, "SCROLLBAR"), nullptr);
    SetThemeActive(TRUE);
}
