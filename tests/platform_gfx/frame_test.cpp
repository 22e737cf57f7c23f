// Frame elements: edge colours per side, frame controls and the flat theme.
#include "canvas.h"
#include "win/com.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
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

// The pixels of one colour as rows of '#' and '.', for comparing shapes.
using Shape = std::vector<std::string>;
Shape ShapeOf(const Canvas& c, COLORREF ink) {
    Shape s(c.h, std::string(c.w, '.'));
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x)
            if (c.At(x, y) == ink) s[y][x] = '#';
    return s;
}
Shape MirrorX(Shape s) {
    for (auto& row : s) std::reverse(row.begin(), row.end());
    return s;
}
Shape MirrorY(Shape s) {
    std::reverse(s.begin(), s.end());
    return s;
}
Shape Transpose(const Shape& s) {
    Shape t(s[0].size(), std::string(s.size(), '.'));
    for (std::size_t y = 0; y < s.size(); ++y)
        for (std::size_t x = 0; x < s[y].size(); ++x) t[x][y] = s[y][x];
    return t;
}
Shape Shifted(const Shape& s, int dx, int dy) {
    Shape t(s.size(), std::string(s[0].size(), '.'));
    for (std::size_t y = 0; y < s.size(); ++y)
        for (std::size_t x = 0; x < s[y].size(); ++x)
            if (s[y][x] == '#' && y + dy < s.size() && x + dx < s[y].size()) t[y + dy][x + dx] = '#';
    return t;
}
// The shape cut to its ink, or with a frame of `border` pixels blanked.
Shape Cropped(const Shape& s) {
    std::size_t left = s[0].size(), right = 0, top = s.size(), bottom = 0;
    for (std::size_t y = 0; y < s.size(); ++y)
        for (std::size_t x = 0; x < s[y].size(); ++x)
            if (s[y][x] == '#') left = std::min(left, x), right = std::max(right, x + 1), top = std::min(top, y),
                                bottom = std::max(bottom, y + 1);
    Shape t;
    for (std::size_t y = top; y < bottom; ++y) t.push_back(s[y].substr(left, right - left));
    return t;
}
Shape Inside(Shape s, int border) {
    for (int y = 0; y < static_cast<int>(s.size()); ++y)
        for (int x = 0; x < static_cast<int>(s[y].size()); ++x)
            if (y < border || x < border || y >= static_cast<int>(s.size()) - border ||
                x >= static_cast<int>(s[y].size()) - border)
                s[y][x] = '.';
    return s;
}
// Ink in one colour drawn by a frame control into an empty square of the given size.
Shape Drawn(int size, UINT type, UINT state, COLORREF ink, COLORREF back = kWhite) {
    Canvas c(size, size, back);
    RECT r{0, 0, size, size};
    EXPECT_TRUE(DrawFrameControl(c.dc, &r, type, state));
    return ShapeOf(c, ink);
}
// Whether the ink sits in the middle of its square, to a pixel.
::testing::AssertionResult Centred(const Shape& s) {
    int left = 1 << 20, top = 1 << 20, right = -1, bottom = -1;
    for (int y = 0; y < static_cast<int>(s.size()); ++y)
        for (int x = 0; x < static_cast<int>(s[y].size()); ++x)
            if (s[y][x] == '#') left = std::min(left, x), right = std::max(right, x), top = std::min(top, y),
                                bottom = std::max(bottom, y);
    const int w = static_cast<int>(s[0].size()), h = static_cast<int>(s.size());
    if (right < 0) return ::testing::AssertionFailure() << "no ink";
    if (std::abs(left - (w - 1 - right)) > 1 || std::abs(top - (h - 1 - bottom)) > 1)
        return ::testing::AssertionFailure() << "ink from " << left << "," << top << " to " << right << "," << bottom;
    return ::testing::AssertionSuccess();
}

TEST(DrawFrameControl, ArrowsAreOneCentredShapeTurnedFourWays) {
    const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
    for (int size : {11, 15, 17, 21}) {
        SCOPED_TRACE(size);
        const Shape up = Drawn(size, DFC_SCROLL, DFCS_SCROLLUP, ink);
        EXPECT_TRUE(Centred(up));
        EXPECT_EQ(up, MirrorX(up));
        EXPECT_EQ(Drawn(size, DFC_SCROLL, DFCS_SCROLLDOWN, ink), MirrorY(up));
        EXPECT_EQ(Drawn(size, DFC_SCROLL, DFCS_SCROLLCOMBOBOX, ink), MirrorY(up));
        const Shape left = Drawn(size, DFC_SCROLL, DFCS_SCROLLLEFT, ink);
        EXPECT_EQ(left, Transpose(up));
        EXPECT_EQ(Drawn(size, DFC_SCROLL, DFCS_SCROLLRIGHT, ink), MirrorX(left));
        const Shape tip = Cropped(up); // the narrow end is the tip
        EXPECT_LT(std::count(tip.front().begin(), tip.front().end(), '#'),
                  std::count(tip.back().begin(), tip.back().end(), '#'));
        // Pushed moves the arrow one pixel down and right; inactive draws it grey over a highlight.
        EXPECT_EQ(Drawn(size, DFC_SCROLL, DFCS_SCROLLUP | DFCS_PUSHED, ink), Shifted(up, 1, 1));
        const COLORREF shadow = GetSysColor(COLOR_3DSHADOW), light = GetSysColor(COLOR_3DHILIGHT);
        EXPECT_EQ(Inside(Drawn(size, DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE, shadow), 2), up);
        EXPECT_EQ(Cropped(Inside(Drawn(size, DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE, light), 2)).back(),
                  tip.back().substr(1) + "#");
        EXPECT_EQ(Drawn(size, DFC_SCROLL, DFCS_SCROLLUP | DFCS_INACTIVE, ink), Shape(size, std::string(size, '.')));
        // In a longer button the arrow keeps the size of the short side.
        Canvas wide(size + 10, size);
        RECT r{0, 0, size + 10, size};
        DrawFrameControl(wide.dc, &r, DFC_SCROLL, DFCS_SCROLLUP);
        EXPECT_EQ(Cropped(ShapeOf(wide, ink)), tip);
    }
}

TEST(DrawFrameControl, MarksAreCentredAndSymmetric) {
    const COLORREF text = GetSysColor(COLOR_WINDOWTEXT);
    for (int size : {13, 16, 19}) {
        SCOPED_TRACE(size);
        EXPECT_TRUE(Centred(Drawn(size, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED, text)));
        const Shape round = Drawn(size, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED, text);
        EXPECT_EQ((std::tuple{bool(Centred(round)), Cropped(round), Cropped(round)}),
                  (std::tuple{true, MirrorX(Cropped(round)), MirrorY(Cropped(round))}));
    }
    constexpr UINT kMenuMarks = 2; // the classic kind for menu marks, which this layer does not draw
    RECT r{0, 0, 16, 16};
    Canvas c(16, 16);
    EXPECT_FALSE(DrawFrameControl(c.dc, &r, kMenuMarks, 0));
    EXPECT_EQ(c.Count(kWhite), 16 * 16);
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
    COLORREF normalThumb = c.At(20, 8), asked = 0;
    EXPECT_EQ(GetThemeColor(t, SBP_THUMBBTNHORZ, SCRBS_NORMAL, 0, &asked), S_OK);
    EXPECT_EQ(asked, normalThumb) << "the colour a part is drawn in is the one it reports";
    EXPECT_EQ(GetThemeColor(t, SBP_THUMBBTNHORZ, SCRBS_NORMAL, 0, nullptr), E_POINTER);
    RECT clip{0, 0, 20, 17};
    DrawThemeBackground(t, c.dc, SBP_THUMBBTNHORZ, SCRBS_PRESSED, &thumb, &clip);
    EXPECT_NE(c.At(15, 8), normalThumb);
    EXPECT_EQ(c.At(25, 8), normalThumb); // outside the clip rectangle
    // Arrow buttons in their four looks: the pressed arrow is white on the dark thumb colour, the
    // disabled one is lighter than the normal one, the hot one sits on a darker face.
    auto arrow = [&](int state) {
        Canvas b(17, 17);
        RECT r{0, 0, 17, 17};
        DrawThemeBackground(t, b.dc, SBP_ARROWBTN, state, &r, nullptr);
        return std::pair{b.At(8, 8), b.At(1, 1)}; // ink in the middle, face at the corner
    };
    const auto normal = arrow(ABS_UPNORMAL), hot = arrow(ABS_UPHOT), pressed = arrow(ABS_UPPRESSED),
               disabled = arrow(ABS_UPDISABLED);
    EXPECT_EQ((std::tuple{pressed.first, normal.first}), (std::tuple{kWhite, hot.first}));
    EXPECT_GT(GetRValue(disabled.first), GetRValue(normal.first));
    EXPECT_LT(GetRValue(hot.second), GetRValue(normal.second));
    EXPECT_EQ((std::tuple{DrawThemeBackground(t, nullptr, SBP_ARROWBTN, ABS_UPNORMAL, &track, nullptr),
                          DrawThemeBackground(reinterpret_cast<HTHEME>(&c), c.dc, 1, 1, &track, nullptr),
                          CloseThemeData(t), OpenThemeData(nullptr, "NOSUCHCLASS")}),
              (std::tuple{E_INVALIDARG, E_HANDLE, S_OK, nullptr}));

    SetThemeActive(FALSE);
    EXPECT_FALSE(IsThemeActive());
    EXPECT_EQ(OpenThemeData(nullptr, "SCROLLBAR"), nullptr);
    SetThemeActive(TRUE);
}
