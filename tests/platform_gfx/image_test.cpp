// Images: PNG encoding and decoding round trips, skin-image variants and HSL conversion.
#include "canvas.h"
#include "vor/image.h"
#include "win/detail/surface.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using namespace win;

namespace {

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string TempPath(const char* name) { return std::string(VOR_BINARY_DIR) + "/" + name; }

} // namespace

TEST(Png, EncodeDecodeRoundTripKeepsPremultipliedPixels) {
    const int w = 7, h = 5;
    std::vector<std::uint32_t> px(w * h);
    for (int i = 0; i < w * h; ++i) {
        unsigned a = (i * 37) % 256;
        // premultiplied: every channel at most alpha; opaque and transparent pixels included
        if (i == 0) a = 255;
        if (i == 1) a = 0;
        unsigned r = a * ((i * 5) % 11) / 10, g = a * ((i * 3) % 7) / 6, b = a;
        px[i] = (a << 24) | (std::min(r, a) << 16) | (std::min(g, a) << 8) | b;
    }
    detail::Surface s{px.data(), w, h, w};
    std::string path = TempPath("gfx_roundtrip.png");
    ASSERT_TRUE(detail::WritePng(path.c_str(), s));
    std::vector<char> bytes = ReadFile(path);
    int dw = 0, dh = 0;
    std::vector<std::uint32_t> out;
    ASSERT_TRUE(VorImage_DecodePng(bytes.data(), bytes.size(), &dw, &dh, &out));
    ASSERT_EQ(dw, w);
    ASSERT_EQ(dh, h);
    for (int i = 0; i < w * h; ++i) {
        unsigned a = px[i] >> 24;
        EXPECT_EQ(out[i] >> 24, a) << i;
        for (int k = 0; k < 3; ++k) {
            int want = (px[i] >> (8 * k)) & 0xFF, got = (out[i] >> (8 * k)) & 0xFF;
            // Straight alpha in the file loses at most one step per unit of 255/alpha.
            int tolerance = a == 0 ? 0 : 1;
            EXPECT_LE(std::abs(want - got), tolerance) << i << " channel " << k;
        }
    }
    // Opaque pixels survive exactly.
    EXPECT_EQ(out[0], px[0]);
    std::remove(path.c_str());
}

TEST(Png, LoadsIntoATopDownDibSection) {
    std::vector<std::uint32_t> px = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0x80404040u};
    detail::Surface s{px.data(), 2, 2, 2};
    std::string path = TempPath("gfx_dib.png");
    ASSERT_TRUE(detail::WritePng(path.c_str(), s));
    HBITMAP bmp = VorImage_LoadPngFile(path.c_str());
    ASSERT_NE(bmp, nullptr);
    DIBSECTION ds{};
    ASSERT_EQ(GetObject(bmp, sizeof ds, &ds), static_cast<int>(sizeof ds));
    EXPECT_EQ(ds.dsBm.bmWidth, 2);
    EXPECT_LT(ds.dsBmih.biHeight, 0);
    auto* bits = static_cast<std::uint32_t*>(ds.dsBm.bmBits);
    EXPECT_EQ(bits[0], 0xFFFF0000u);
    EXPECT_EQ(bits[2], 0xFF0000FFu);
    EXPECT_EQ(bits[3], 0x80404040u);
    DeleteObject(bmp);
    std::remove(path.c_str());
}

TEST(Png, MalformedDataIsRefused) {
    int w = -1, h = -1;
    std::vector<std::uint32_t> out = {42};
    const char junk[] = "definitely not a png image";
    EXPECT_FALSE(VorImage_DecodePng(junk, sizeof junk, &w, &h, &out));
    EXPECT_EQ(w, -1);
    EXPECT_EQ(out.size(), 1u);
    // A real file cut short fails cleanly too.
    std::vector<std::uint32_t> px(64 * 64, 0xFF123456u);
    detail::Surface s{px.data(), 64, 64, 64};
    std::string path = TempPath("gfx_cut.png");
    ASSERT_TRUE(detail::WritePng(path.c_str(), s));
    std::vector<char> bytes = ReadFile(path);
    for (std::size_t cut : {std::size_t{8}, std::size_t{40}, bytes.size() / 2, bytes.size() - 13})
        EXPECT_FALSE(VorImage_DecodePng(bytes.data(), cut, &w, &h, &out)) << cut;
    EXPECT_EQ(VorImage_LoadPng(bytes.data(), 20), nullptr);
    EXPECT_EQ(VorImage_LoadPngFile("/nonexistent/file.png"), nullptr);
    EXPECT_FALSE(detail::WritePng("/nonexistent/dir/x.png", s));
    std::remove(path.c_str());
}

TEST(SkinImage, HotBrightensDisabledGreysAndAlphaIsKept) {
    std::vector<std::uint32_t> px = {0xFF804020u, 0x80402010u, 0xFF000000u, 0x00000000u, 0xFFFFFFFFu};
    std::vector<std::uint32_t> hot = px, dis = px;
    VorImage_SkinPixels(hot.data(), hot.size(), 0.5, VOR_SKIN_HOT);
    VorImage_SkinPixels(dis.data(), dis.size(), 0.2, VOR_SKIN_DISABLED);
    EXPECT_EQ(hot[0], 0xFFC06030u); // x1.5
    EXPECT_EQ(hot[1], 0x80603018u);
    EXPECT_EQ(hot[2], 0xFF000000u); // black stays black
    EXPECT_EQ(hot[4], 0xFFFFFFFFu); // clamped to alpha
    for (std::size_t i = 0; i < px.size(); ++i) {
        EXPECT_EQ(hot[i] >> 24, px[i] >> 24);
        EXPECT_EQ(dis[i] >> 24, px[i] >> 24);
        unsigned r = (dis[i] >> 16) & 0xFF, g = (dis[i] >> 8) & 0xFF, b = dis[i] & 0xFF;
        EXPECT_EQ(r, g);
        EXPECT_EQ(g, b);
        EXPECT_LE(r, dis[i] >> 24); // still premultiplied
    }
    // Y * 0.2 + 0.6 * a * 0.8 for black and white
    EXPECT_EQ(dis[2] & 0xFF, 122u);
    EXPECT_EQ(dis[4] & 0xFF, 173u);
    EXPECT_EQ(dis[3], 0u);

    gfxtest::Canvas c(3, 1);
    HBITMAP variant = VorImage_SkinVariant(c.bmp, 0.2, VOR_SKIN_DISABLED);
    ASSERT_NE(variant, nullptr);
    BITMAP bm{};
    GetObject(variant, sizeof bm, &bm);
    EXPECT_EQ(bm.bmWidth, 3);
    EXPECT_EQ(static_cast<std::uint32_t*>(bm.bmBits)[0], 0xFFADADADu);
    DeleteObject(variant);
    EXPECT_EQ(VorImage_SkinVariant(c.bmp, 0.5, 7), nullptr);
}

TEST(Hsl, ConversionRoundTripsAndKnownValues) {
    double h = 0, s = 0, l = 0;
    VorColor_RgbToHsl(RGB(255, 0, 0), &h, &s, &l);
    EXPECT_DOUBLE_EQ(h, 0.0);
    EXPECT_DOUBLE_EQ(s, 1.0);
    EXPECT_DOUBLE_EQ(l, 0.5);
    VorColor_RgbToHsl(RGB(0, 0, 255), &h, &s, &l);
    EXPECT_DOUBLE_EQ(h, 240.0);
    VorColor_RgbToHsl(RGB(128, 128, 128), &h, &s, &l);
    EXPECT_DOUBLE_EQ(s, 0.0);
    EXPECT_EQ(VorColor_HslToRgb(120.0, 1.0, 0.25), RGB(0, 128, 0));
    EXPECT_EQ(VorColor_HslToRgb(-240.0, 1.0, 0.5), RGB(0, 255, 0)); // hue wraps
    EXPECT_EQ(VorColor_HslToRgb(30.0, 2.0, -1.0), RGB(0, 0, 0));  // out-of-range clamps
    for (int r = 0; r < 256; r += 17)
        for (int g = 0; g < 256; g += 51)
            for (int b = 0; b < 256; b += 85) {
                COLORREF c = RGB(r, g, b);
                VorColor_RgbToHsl(c, &h, &s, &l);
                EXPECT_EQ(VorColor_HslToRgb(h, s, l), c) << r << "," << g << "," << b;
            }
}
