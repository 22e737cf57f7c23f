// Text: font sizes, metrics, extents against drawn ink, alignment, ExtTextOut and DrawText layouts.
#include "canvas.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace win;
using namespace gfxtest;

namespace {

struct FontScope {
    HDC dc;
    HFONT font;
    HGDIOBJ old;
    FontScope(HDC d, int height, const char* face = "MS Shell Dlg", int weight = FW_NORMAL, bool italic = false)
        : dc(d) {
        font = CreateFont(height, 0, 0, 0, weight, italic, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, face);
        old = SelectObject(dc, font);
    }
    ~FontScope() {
        SelectObject(dc, old);
        DeleteObject(font);
    }
};

bool Inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

} // namespace

TEST(Fonts, HeightSignConvention) {
    Canvas c(4, 4);
    for (int height : {20, -20, 0}) { // positive: the cell height; negative: the character height; 0: default
        FontScope f(c.dc, height);
        TEXTMETRIC tm{};
        GetTextMetrics(c.dc, &tm);
        if (height) {
            EXPECT_EQ(height > 0 ? tm.tmHeight : tm.tmHeight - tm.tmInternalLeading, 20) << height;
        }
        EXPECT_GT(tm.tmDescent, 0) << height;
        EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
        EXPECT_GT(tm.tmInternalLeading, 0);
        EXPECT_GT(tm.tmAveCharWidth, 4);
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
    }
}

TEST(Fonts, DialogFacesAndUnknownFacesMapToTheDefaultSans) {
    Canvas c(4, 4);
    char name[64];
    for (const char* face : {"Tahoma", "MS Shell Dlg", "No Such Face 123", ""}) {
        FontScope f(c.dc, -11, face);
        ASSERT_GT(GetTextFace(c.dc, sizeof name, name), 0);
        EXPECT_STREQ(name, "DejaVu Sans") << face;
    }
    {
        FontScope f(c.dc, -11, "DejaVu Serif"); // a face the system has is kept
        ASSERT_GT(GetTextFace(c.dc, sizeof name, name), 0);
        EXPECT_STREQ(name, "DejaVu Serif");
    }
    SIZE normal{}, bold{};
    {
        FontScope f(c.dc, -14, "Tahoma");
        GetTextExtentPoint32(c.dc, "Weight test", 11, &normal);
    }
    {
        FontScope f(c.dc, -14, "Tahoma", FW_BOLD);
        GetTextExtentPoint32(c.dc, "Weight test", 11, &bold);
    }
    EXPECT_GT(bold.cx, normal.cx);
}

TEST(Text, NoInkOutsideTheMeasuredBox) {
    for (int height : {-9, -11, -14, 22}) {
        for (bool italic : {false, true}) {
            Canvas c(400, 60);
            FontScope f(c.dc, height, "Tahoma", FW_NORMAL, italic);
            const char* s = "Piano Roll 120 bpm: C#4 Velocity";
            SIZE sz{};
            ASSERT_TRUE(GetTextExtentPoint32(c.dc, s, static_cast<int>(std::strlen(s)), &sz));
            SetBkMode(c.dc, TRANSPARENT);
            TextOut(c.dc, 10, 10, s, -1);
            RECT ink = c.InkBox(kWhite);
            ASSERT_LT(ink.left, ink.right) << "nothing drawn";
            RECT box{10, 10, 10 + sz.cx, 10 + sz.cy};
            if (!italic) {
                EXPECT_TRUE(Inside(ink, box)) << height << ": ink " << ink.left << "," << ink.top << "," << ink.right
                                              << "," << ink.bottom << " box " << box.right << "," << box.bottom;
            }
            EXPECT_GE(ink.top, box.top);
            EXPECT_LE(ink.bottom, box.bottom);
            // The ink fills most of the measured width: the measure is not generous either.
            EXPECT_GT(ink.right - ink.left, sz.cx * 9 / 10);
        }
    }
}

TEST(Text, OpaqueBackgroundFillsExactlyTheExtent) {
    Canvas c(120, 30);
    FontScope f(c.dc, -12);
    SetBkMode(c.dc, OPAQUE);
    SetBkColor(c.dc, kBlue);
    SetTextColor(c.dc, kRed);
    SIZE sz{};
    GetTextExtentPoint32(c.dc, "Quantize", 8, &sz);
    TextOut(c.dc, 5, 3, "Quantize", 8);
    EXPECT_EQ(c.InkBox(kWhite), (RECT{5, 3, 5 + sz.cx, 3 + sz.cy}));
    // Glyph pixels blend the text colour over the background: at least some are fully covered.
    EXPECT_GT(c.Count(kRed), 0);
    int inked = 0;
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) inked += c.At(x, y) != kBlue && c.At(x, y) != kWhite;
    EXPECT_GT(inked, 30);
}

TEST(Text, AlignmentPlacesTheBoxAroundTheReferencePoint) {
    Canvas c(200, 60);
    FontScope f(c.dc, -12);
    SetBkMode(c.dc, OPAQUE);
    SetBkColor(c.dc, kBlue);
    TEXTMETRIC tm{};
    GetTextMetrics(c.dc, &tm);
    SIZE sz{};
    GetTextExtentPoint32(c.dc, "Loop", 4, &sz);

    SetTextAlign(c.dc, TA_RIGHT | TA_BASELINE);
    TextOut(c.dc, 150, 40, "Loop", 4);
    EXPECT_EQ(c.InkBox(kWhite), (RECT{150 - sz.cx, 40 - tm.tmAscent, 150, 40 + tm.tmDescent}));

    c.Clear(kWhite);
    SetTextAlign(c.dc, TA_CENTER | TA_BOTTOM);
    TextOut(c.dc, 100, 50, "Loop", 4);
    RECT ink = c.InkBox(kWhite);
    EXPECT_EQ((std::tuple{ink.left, ink.bottom, GetTextAlign(c.dc)}),
              (std::tuple{100 - sz.cx / 2, 50, TA_CENTER | TA_BOTTOM}));
}

TEST(Text, ExtTextOutOpaqueRectangleAndClipping) {
    Canvas c(100, 30);
    FontScope f(c.dc, -14);
    SetBkColor(c.dc, kBlue);
    SetBkMode(c.dc, TRANSPARENT);
    RECT r{10, 5, 30, 25};
    ExtTextOut(c.dc, 12, 6, ETO_OPAQUE | ETO_CLIPPED, &r, "Wide text that overflows", 24, nullptr);
    EXPECT_EQ(c.InkBox(kWhite), r);
    EXPECT_GT(c.Count(kBlue), 100);
}

TEST(Text, ExtentsAddUpAndMeasureUtf8Characters) {
    Canvas c(4, 4);
    FontScope f(c.dc, -12);
    SIZE a{}, b{}, ab{};
    GetTextExtentPoint32(c.dc, "Note", 4, &a);
    GetTextExtentPoint32(c.dc, "Velocity", 8, &b);
    GetTextExtentPoint32(c.dc, "NoteVelocity", 12, &ab);
    // Glyph overhang at a run's ends may add a pixel or two; the advances themselves add up.
    EXPECT_NEAR(a.cx + b.cx, ab.cx, 2);
    SIZE empty{};
    GetTextExtentPoint32(c.dc, "", 0, &empty);
    EXPECT_EQ(empty.cx, 0);
    EXPECT_GT(empty.cy, 0);
    // "é" is two bytes but one character.
    SIZE e1{}, e2{};
    GetTextExtentPoint32(c.dc, "\xC3\xA9", 2, &e1);
    GetTextExtentPoint32(c.dc, "e", 1, &e2);
    EXPECT_EQ(e1.cx, e2.cx);
    // A lead byte without its continuation, counted alone, is not the character it would begin.
    SIZE lone{};
    GetTextExtentPoint32(c.dc, "\xC3\xA9", 1, &lone);
    EXPECT_NE(lone.cx, e1.cx);
    // Three- and four-byte characters reach glyphs of their own, not the box of a missing glyph.
    Canvas ink(48, 32);
    FontScope big(ink.dc, -20);
    auto drawn = [&](const char* text) {
        ink.Clear(kWhite);
        TextOut(ink.dc, 4, 4, text, -1);
        return std::vector<std::uint32_t>(ink.bits, ink.bits + ink.w * ink.h);
    };
    const auto missing = drawn("\xCD\xB8"); // U+0378 is no character
    // Each is one character, not a replacement mark for each of its bytes.
    const std::string replacement = "\xEF\xBF\xBD";
    for (const std::string ch : {"\xC3\xA9", "\xE2\x82\xAC", "\xE2\x99\xAA", "\xF0\x9D\x94\xB8"}) {
        EXPECT_NE(drawn(ch.c_str()), missing) << ch; // e acute, euro sign, eighth note, double-struck A
        EXPECT_NE(drawn(ch.c_str()), drawn(replacement.c_str())) << ch;
        std::string marks;
        for (std::size_t i = 0; i < ch.size(); ++i) marks += replacement;
        EXPECT_NE(drawn(ch.c_str()), drawn(marks.c_str())) << ch;
    }
    // Malformed UTF-8 is measured, not read past.
    SIZE bad{};
    EXPECT_TRUE(GetTextExtentPoint32(c.dc, "\xE2\x82", 2, &bad));
    EXPECT_GT(bad.cx, 0);
}

TEST(DrawText, EndEllipsisFitsTheRectangle) {
    Canvas c(200, 30);
    FontScope f(c.dc, -12);
    SetBkMode(c.dc, TRANSPARENT);
    const char* s = "Acoustic Grand Piano on channel 1";
    for (int width : {120, 60, 25, 8}) {
        c.Clear(kWhite);
        RECT r{10, 5, 10 + width, 25};
        DrawText(c.dc, s, -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        RECT ink = c.InkBox(kWhite);
        if (ink.left < ink.right) {
            EXPECT_GE(ink.left, 10) << width;
            EXPECT_LE(ink.right, 10 + width) << width;
        }
    }
    // Even without clipping, the shortened text stays inside.
    c.Clear(kWhite);
    RECT r{10, 5, 70, 25};
    DrawText(c.dc, s, -1, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOCLIP);
    EXPECT_LE(c.InkBox(kWhite).right, 70);
    // Text that fits is left whole: same ink with and without the flag.
    Canvas a(200, 30), b(200, 30);
    FontScope fa(a.dc, -12), fb(b.dc, -12);
    RECT wide{0, 0, 200, 30};
    DrawText(a.dc, "Short", -1, &wide, DT_SINGLELINE);
    DrawText(b.dc, "Short", -1, &wide, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(std::memcmp(a.bits, b.bits, 200 * 30 * 4), 0);
}

TEST(DrawText, CalcRectAndAlignment) {
    Canvas c(200, 100);
    FontScope f(c.dc, -12);
    SIZE sz{};
    GetTextExtentPoint32(c.dc, "Snap to grid", 12, &sz);
    RECT r{5, 5, 5, 5};
    int h = DrawText(c.dc, "Snap to grid", -1, &r, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_EQ((std::tuple{h, r}), (std::tuple{sz.cy, (RECT{5, 5, 5 + sz.cx, 5 + sz.cy})}));
    EXPECT_EQ(c.Count(kWhite), 200 * 100); // nothing drawn

    RECT two{0, 0, 50, 0};
    int h2 = DrawText(c.dc, "one\ntwo", -1, &two, DT_CALCRECT);
    EXPECT_EQ(h2, 2 * sz.cy);

    // Word wrap is greedy: as many words a line as fit; a word wider than the box stands alone.
    SIZE pair{};
    GetTextExtentPoint32(c.dc, "aa aa", 5, &pair);
    RECT wrap{0, 0, pair.cx, 0};
    EXPECT_EQ(DrawText(c.dc, "aa aa aa aa aa", -1, &wrap, DT_WORDBREAK | DT_CALCRECT), 3 * sz.cy);
    wrap = RECT{0, 0, pair.cx - 1, 0};
    EXPECT_EQ(DrawText(c.dc, "aa aa aa aa aa", -1, &wrap, DT_WORDBREAK | DT_CALCRECT), 5 * sz.cy);
    RECT narrow{0, 0, 10, 0};
    EXPECT_EQ(DrawText(c.dc, "Quantization", -1, &narrow, DT_WORDBREAK | DT_CALCRECT), sz.cy);
    EXPECT_GT(narrow.right, 10);

    SetBkMode(c.dc, OPAQUE);
    SetBkColor(c.dc, kBlue);
    RECT box{0, 0, 200, 100};
    DrawText(c.dc, "Snap to grid", -1, &box, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    int left = (200 - sz.cx) / 2, top = (100 - sz.cy) / 2;
    EXPECT_EQ(c.InkBox(kWhite), (RECT{left, top, left + sz.cx, top + sz.cy}));
    c.Clear(kWhite);
    DrawText(c.dc, "Snap to grid", -1, &box, DT_SINGLELINE | DT_RIGHT | DT_BOTTOM);
    EXPECT_EQ(c.InkBox(kWhite), (RECT{200 - sz.cx, 100 - sz.cy, 200, 100}));
}

TEST(DrawText, MnemonicsAreUnderlinedAndPrefixesRemoved) {
    Canvas a(120, 30), b(120, 30), d(120, 30);
    FontScope fa(a.dc, -12), fb(b.dc, -12), fd(d.dc, -12);
    RECT r{2, 2, 120, 30};
    DrawText(a.dc, "&File", -1, &r, DT_SINGLELINE);
    DrawText(b.dc, "File", -1, &r, DT_SINGLELINE);
    DrawText(d.dc, "&File", -1, &r, DT_SINGLELINE | DT_HIDEPREFIX);
    // Same glyphs, plus an underline below the F in the first.
    RECT inkA = a.InkBox(kWhite), inkB = b.InkBox(kWhite);
    EXPECT_LE(inkA.left, inkB.left);
    EXPECT_GE(inkA.left, 2);
    EXPECT_GT(inkA.bottom, inkB.bottom);
    EXPECT_EQ(std::memcmp(d.bits, b.bits, 120 * 30 * 4), 0);
    SIZE f{};
    GetTextExtentPoint32(a.dc, "F", 1, &f);
    TEXTMETRIC tm{};
    GetTextMetrics(a.dc, &tm);
    int underlineRow = inkA.bottom - 1;
    a.Expect({{2, underlineRow, kBlack}, {2 + f.cx + 1, underlineRow, kWhite}});
    // "&&" is a literal ampersand; DT_NOPREFIX keeps the text as it is.
    SIZE amp{}, noPrefix{};
    RECT calc{0, 0, 0, 0};
    DrawText(a.dc, "A&&B", -1, &calc, DT_SINGLELINE | DT_CALCRECT);
    GetTextExtentPoint32(a.dc, "A&B", 3, &amp);
    EXPECT_EQ(calc.right, amp.cx);
    calc = RECT{0, 0, 0, 0};
    DrawText(a.dc, "A&&B", -1, &calc, DT_SINGLELINE | DT_CALCRECT | DT_NOPREFIX);
    GetTextExtentPoint32(a.dc, "A&&B", 4, &noPrefix);
    EXPECT_EQ(calc.right, noPrefix.cx);
    // Only the underline, where the mnemonic's would be.
    Canvas only(120, 30);
    FontScope fo(only.dc, -12);
    DrawText(only.dc, "&File", -1, &r, DT_SINGLELINE | DT_PREFIXONLY);
    const RECT line = only.InkBox(kWhite);
    EXPECT_EQ((std::tuple{line.bottom, line.left}), (std::tuple{inkA.bottom, 2}));
    EXPECT_LE(line.bottom - line.top, 2);
}

TEST(DrawText, TabsLineBreaksAndTheCurrentPosition) {
    Canvas c(200, 60);
    FontScope f(c.dc, -12);
    SIZE spaced{}, line{};
    GetTextExtentPoint32(c.dc, "a    b", 6, &spaced);
    GetTextExtentPoint32(c.dc, "a", 1, &line);
    RECT calc{0, 0, 0, 0};
    DrawText(c.dc, "a\tb", -1, &calc, DT_SINGLELINE | DT_CALCRECT | DT_EXPANDTABS);
    EXPECT_EQ(calc.right, spaced.cx); // a tab is four spaces
    // CR LF, LF and CR each end a line; a single line takes none of them.
    RECT lines{0, 0, 100, 0};
    EXPECT_EQ(DrawText(c.dc, "a\r\nb\nc\rd", -1, &lines, DT_CALCRECT), 4 * line.cy);
    RECT single{0, 0, 100, 0};
    EXPECT_EQ(DrawText(c.dc, "a\r\nb", -1, &single, DT_CALCRECT | DT_SINGLELINE), line.cy);
    SIZE ab{};
    GetTextExtentPoint32(c.dc, "ab", 2, &ab);
    EXPECT_EQ(single.right, ab.cx);
    // With TA_UPDATECP text starts at the current position and moves it past the text (or before it
    // when aligned right).
    SetTextAlign(c.dc, TA_UPDATECP);
    MoveToEx(c.dc, 10, 5, nullptr);
    TextOut(c.dc, 999, 999, "ab", 2);
    POINT at{};
    GetCurrentPositionEx(c.dc, &at);
    EXPECT_EQ(at, (POINT{10 + ab.cx, 5}));
    EXPECT_GE(c.InkBox(kWhite).left, 10) << "drawn at the current position, not at the given one";
    SetTextAlign(c.dc, TA_UPDATECP | TA_RIGHT);
    TextOut(c.dc, 0, 0, "ab", 2);
    GetCurrentPositionEx(c.dc, &at);
    EXPECT_EQ(at.x, 10);
    SetTextAlign(c.dc, TA_LEFT);
}
