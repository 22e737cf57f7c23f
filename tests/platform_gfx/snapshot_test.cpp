// A window-sized surface drawing every primitive and text in several fonts, saved as a PNG to look at.
// Themed parts and real controls are in the controls' dialog snapshot.
#include "canvas.h"
#include "win/detail/surface.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace win;

namespace {

void Label(HDC dc, int x, int y, const char* s) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
    TextOut(dc, x, y, s, -1);
}

void DrawScene(HDC dc) {
    RECT all{0, 0, 640, 440};
    FillRect(dc, &all, GetSysColorBrush(COLOR_BTNFACE));

    // Lines: solid, wide, dotted with opaque background, XOR.
    Label(dc, 10, 4, "Lines");
    for (int i = 0; i < 8; ++i) {
        MoveToEx(dc, 10, 24 + i * 3, nullptr);
        LineTo(dc, 10 + i * 12, 24 + 24);
    }
    HPEN wide = CreatePen(PS_SOLID, 4, RGB(200, 30, 30));
    HGDIOBJ oldPen = SelectObject(dc, wide);
    MoveToEx(dc, 120, 24, nullptr);
    LineTo(dc, 190, 60);
    HPEN dot = CreatePen(PS_DOT, 1, RGB(0, 0, 160));
    SelectObject(dc, dot);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, RGB(255, 220, 0));
    MoveToEx(dc, 10, 70, nullptr);
    LineTo(dc, 190, 70);
    SetBkMode(dc, TRANSPARENT);
    MoveToEx(dc, 10, 76, nullptr);
    LineTo(dc, 190, 76);
    SelectObject(dc, oldPen);

    // Shapes.
    Label(dc, 210, 4, "Shapes");
    HBRUSH teal = CreateSolidBrush(RGB(0, 150, 150));
    HGDIOBJ oldBrush = SelectObject(dc, teal);
    Rectangle(dc, 210, 24, 260, 70);
    Ellipse(dc, 270, 24, 330, 70);
    POINT star[] = {{365, 22}, {378, 66}, {340, 38}, {390, 38}, {352, 66}};
    SetPolyFillMode(dc, WINDING);
    Polygon(dc, star, 5);
    SelectObject(dc, oldBrush);

    // Raster operations and pattern brush.
    Label(dc, 410, 4, "Raster ops");
    RECT stripes{410, 24, 630, 70};
    FillRect(dc, &stripes, GetSysColorBrush(COLOR_HIGHLIGHT));
    BYTE rows[16];
    for (int y = 0; y < 8; ++y) {
        rows[2 * y] = (y % 2) ? 0x55 : 0xAA;
        rows[2 * y + 1] = 0;
    }
    HBITMAP mono = CreateBitmap(8, 8, 1, 1, rows);
    HBRUSH checker = CreatePatternBrush(mono);
    SetTextColor(dc, GetSysColor(COLOR_SCROLLBAR));
    SetBkColor(dc, GetSysColor(COLOR_3DHILIGHT));
    RECT pat{430, 30, 500, 64};
    FillRect(dc, &pat, checker);
    PatBlt(dc, 520, 30, 40, 34, DSTINVERT);
    RECT inv{570, 30, 620, 64};
    InvertRect(dc, &inv);
    RECT focus{415, 28, 625, 67};
    DrawFocusRect(dc, &focus);

    // Edges and frame controls.
    Label(dc, 10, 90, "Edges and frame controls");
    UINT edges[] = {EDGE_RAISED, EDGE_SUNKEN, EDGE_ETCHED, EDGE_BUMP};
    for (int i = 0; i < 4; ++i) {
        RECT r{10 + i * 50, 110, 55 + i * 50, 150};
        DrawEdge(dc, &r, edges[i], BF_RECT | BF_MIDDLE);
    }
    UINT arrows[] = {DFCS_SCROLLUP, DFCS_SCROLLDOWN, DFCS_SCROLLLEFT, DFCS_SCROLLRIGHT | DFCS_PUSHED,
                     DFCS_SCROLLUP | DFCS_INACTIVE};
    for (int i = 0; i < 5; ++i) {
        RECT r{220 + i * 20, 110, 237 + i * 20, 127};
        DrawFrameControl(dc, &r, DFC_SCROLL, arrows[i]);
    }
    RECT push{220, 132, 300, 155};
    DrawFrameControl(dc, &push, DFC_BUTTON, DFCS_BUTTONPUSH);
    RECT check{310, 135, 323, 148};
    DrawFrameControl(dc, &check, DFC_BUTTON, DFCS_BUTTONCHECK | DFCS_CHECKED);
    RECT radio{330, 135, 343, 148};
    DrawFrameControl(dc, &radio, DFC_BUTTON, DFCS_BUTTONRADIO | DFCS_CHECKED);
    RECT grip{350, 132, 367, 149};
    DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);

    SetTextColor(dc, 0);
    DrawText(dc, "&OK", -1, &push, DT_SINGLELINE | DT_CENTER | DT_VCENTER);

    // Text in several fonts.
    Label(dc, 10, 170, "Text");
    struct F {
        const char* face;
        int height, weight;
        bool italic;
    } fonts[] = {{"MS Shell Dlg", -11, FW_NORMAL, false}, {"Tahoma", -13, FW_BOLD, false},
                 {"DejaVu Serif", -16, FW_NORMAL, true}, {"DejaVu Sans Mono", -14, FW_NORMAL, false},
                 {"Tahoma", 28, FW_NORMAL, false}};
    int y = 190;
    for (const F& f : fonts) {
        HFONT font = CreateFont(f.height, 0, 0, 0, f.weight, f.italic, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, f.face);
        HGDIOBJ old = SelectObject(dc, font);
        SetTextColor(dc, RGB(20, 20, 20));
        // The large sample is shorter so it stays clear of the boxes on the right.
        std::string sample = f.height > 20 ? ": Quick fox \xE2\x99\xAA" : ": The quick brown fox, C#4 \xE2\x99\xAA";
        std::string s = std::string(f.face) + " " + std::to_string(f.height) + sample;
        TextOut(dc, 10, y, s.c_str(), -1);
        SIZE sz{};
        GetTextExtentPoint32(dc, s.c_str(), static_cast<int>(s.size()), &sz);
        HBRUSH red = CreateSolidBrush(RGB(255, 120, 120));
        RECT box{10, y, 10 + sz.cx, y + sz.cy};
        FrameRect(dc, &box, red);
        DeleteObject(red);
        y += sz.cy + 6;
        SelectObject(dc, old);
        DeleteObject(font);
    }
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
    SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    TextOut(dc, 400, 190, "Selected text", -1);
    RECT ell{400, 215, 520, 235};
    FillRect(dc, &ell, GetSysColorBrush(COLOR_WINDOW));
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    DrawText(dc, "A label far too long for its box", -1, &ell, DT_SINGLELINE | DT_END_ELLIPSIS | DT_VCENTER);
    RECT wrap{400, 245, 560, 320};
    FillRect(dc, &wrap, GetSysColorBrush(COLOR_INFOBK));
    DrawText(dc, "Word-wrapped text in a tooltip-like box, centred line by line.", -1, &wrap,
             DT_WORDBREAK | DT_CENTER);

    // Alpha blend of a premultiplied gradient over the face colour.
    Label(dc, 10, 350, "AlphaBlend / TransparentBlt / StretchBlt");
    void* bits = nullptr;
    HBITMAP grad = gfxtest::Dib32(64, 16, &bits);
    auto* px = static_cast<std::uint32_t*>(bits);
    for (int yy = 0; yy < 16; ++yy)
        for (int xx = 0; xx < 64; ++xx) {
            unsigned a = xx * 4;
            px[yy * 64 + xx] = (a << 24) | (((a * 200) / 255) << 8) | ((a * 60) / 255);
        }
    HDC mem = CreateCompatibleDC(dc);
    HGDIOBJ oldBmp = SelectObject(mem, grad);
    BLENDFUNCTION bf{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    AlphaBlend(dc, 10, 370, 128, 32, mem, 0, 0, 64, 16, bf);
    RECT key{0, 0, 16, 16};
    HBRUSH magenta = CreateSolidBrush(RGB(255, 0, 255));
    FillRect(mem, &key, magenta);
    TransparentBlt(dc, 150, 370, 64, 16, mem, 0, 0, 64, 16, RGB(255, 0, 255));
    StretchBlt(dc, 230, 370, 64, 48, mem, 0, 0, 64, 16, SRCCOPY);
    SelectObject(mem, oldBmp);
    DeleteDC(mem);

    DeleteObject(magenta);
    DeleteObject(grad);
    DeleteObject(checker);
    DeleteObject(mono);
    DeleteObject(teal);
    DeleteObject(wide);
    DeleteObject(dot);
}

} // namespace

TEST(Snapshot, PrimitivesAndTextWindow) {
    std::vector<std::uint32_t> fb(640 * 440, 0);
    detail::Surface s{fb.data(), 640, 440, 640};
    HDC dc = detail::CreateSurfaceDC(nullptr, s, POINT{0, 0}, nullptr, 0);
    ASSERT_NE(dc, nullptr);
    DrawScene(dc);
    detail::DestroySurfaceDC(dc);
    std::string path = gfxtest::SnapshotPath("gfx_primitives.png");
    ASSERT_TRUE(detail::WritePng(path.c_str(), s));
    EXPECT_GT(gfxtest::FileSize(path), 2000);
    // Probes: face background, the teal rectangle's inside, the sunken edge's outer shadow.
    auto at = [&](int x, int y) { return fb[static_cast<std::size_t>(y) * 640 + x] & 0xFFFFFF; };
    auto px = [](COLORREF c) { return gfxtest::Canvas::Px(c) & 0xFFFFFF; };
    EXPECT_EQ(at(635, 435), px(GetSysColor(COLOR_BTNFACE)));
    EXPECT_EQ(at(235, 47), px(RGB(0, 150, 150)));
    EXPECT_EQ(at(60, 130), px(GetSysColor(COLOR_3DSHADOW)));
    for (std::uint32_t p : fb) ASSERT_EQ(p >> 24, 0xFFu); // everything painted opaque
}
