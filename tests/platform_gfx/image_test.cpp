// Images: PNG encoding and decoding round trips, skin-image variants and HSL conversion.
#include "canvas.h"
#include "vor/image.h"
#include "win/detail/surface.h"

#include <gtest/gtest.h>
#include <png.h>

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

// A PNG image of any colour type and depth, encoded by the PNG library into memory.
struct PngImage {
    int width, height, colorType, depth;
    std::vector<std::vector<png_byte>> rows; // packed as the file stores them
    std::vector<png_color> palette = {};
    std::vector<png_byte> alphas = {}; // tRNS of palette images
    png_color_16 key = {};             // tRNS of grey and RGB images (used when keyed)
    bool keyed = false;
    bool interlaced = false;
};

void AppendBytes(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<char>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

std::vector<char> Encode(PngImage image) {
    std::vector<char> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendBytes, nullptr);
    png_set_IHDR(png, info, image.width, image.height, image.depth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!image.palette.empty()) png_set_PLTE(png, info, image.palette.data(), static_cast<int>(image.palette.size()));
    if (!image.alphas.empty())
        png_set_tRNS(png, info, image.alphas.data(), static_cast<int>(image.alphas.size()), nullptr);
    if (image.keyed) png_set_tRNS(png, info, nullptr, 0, &image.key);
    std::vector<png_bytep> rows;
    for (auto& row : image.rows) rows.push_back(row.data());
    png_set_rows(png, info, rows.data());
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

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
    EXPECT_EQ((std::tuple{bits[0], bits[2], bits[3]}), (std::tuple{0xFFFF0000u, 0xFF0000FFu, 0x80404040u}));
    DeleteObject(bmp);
    std::remove(path.c_str());
}

TEST(Png, EveryColourTypeAndDepthBecomesPremultipliedArgb) {
    const struct Case {
        const char* what;
        PngImage image;
        std::vector<std::uint32_t> expected;
    } cases[] = {
        {"grey, 1 bit", {3, 1, PNG_COLOR_TYPE_GRAY, 1, {{0xA0}}}, {0xFFFFFFFFu, 0xFF000000u, 0xFFFFFFFFu}},
        {"grey, 4 bits", {3, 1, PNG_COLOR_TYPE_GRAY, 4, {{0x08, 0xF0}}}, {0xFF000000u, 0xFF888888u, 0xFFFFFFFFu}},
        {"grey with a transparent key",
         {2, 1, PNG_COLOR_TYPE_GRAY, 8, {{0x40, 0x41}}, {}, {}, {0, 0, 0, 0, 0x40}, true},
         {0x00000000u, 0xFF414141u}},
        {"grey and alpha, 16 bits",
         {1, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 16, {{0xFF, 0xFF, 0x80, 0x80}}},
         {0x80808080u}},
        {"palette of 2 bits with alphas",
         {3, 1, PNG_COLOR_TYPE_PALETTE, 2, {{0x18}}, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {0xFF, 0x80}},
         {0xFFFF0000u, 0x80008000u, 0xFF0000FFu}},
        {"RGB, 16 bits", {1, 1, PNG_COLOR_TYPE_RGB, 16, {{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC}}}, {0xFF12569Au}},
        {"RGB with a transparent key",
         {2, 1, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 1, 2, 4}}, {}, {}, {0, 1, 2, 3, 0}, true},
         {0x00000000u, 0xFF010204u}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<char> bytes = Encode(c.image);
        ASSERT_FALSE(bytes.empty());
        int w = 0, h = 0;
        std::vector<std::uint32_t> out;
        ASSERT_TRUE(VorImage_DecodePng(bytes.data(), bytes.size(), &w, &h, &out));
        EXPECT_EQ((std::tuple{w, h, out}), (std::tuple{c.image.width, c.image.height, c.expected}));
    }
    // Interlaced rows come out in image order.
    PngImage interlaced{9, 9, PNG_COLOR_TYPE_RGB_ALPHA, 8, {}};
    interlaced.interlaced = true;
    std::vector<std::uint32_t> expected;
    for (int y = 0; y < 9; ++y) {
        interlaced.rows.emplace_back();
        for (int x = 0; x < 9; ++x) {
            const auto v = static_cast<png_byte>(y * 9 + x);
            interlaced.rows.back().insert(interlaced.rows.back().end(), {v, 0, 0, 255});
            expected.push_back(0xFF000000u | std::uint32_t{v} << 16);
        }
    }
    const std::vector<char> bytes = Encode(interlaced);
    int w = 0, h = 0;
    std::vector<std::uint32_t> out;
    ASSERT_TRUE(VorImage_DecodePng(bytes.data(), bytes.size(), &w, &h, &out));
    EXPECT_EQ(out, expected);
    // Any missing argument is refused before anything is read.
    EXPECT_FALSE(VorImage_DecodePng(nullptr, bytes.size(), &w, &h, &out));
    EXPECT_FALSE(VorImage_DecodePng(bytes.data(), bytes.size(), nullptr, &h, &out));
    EXPECT_FALSE(VorImage_DecodePng(bytes.data(), bytes.size(), &w, nullptr, &out));
    EXPECT_FALSE(VorImage_DecodePng(bytes.data(), bytes.size(), &w, &h, nullptr));
}

TEST(Png, MalformedDataIsRefused) {
    int w = -1, h = -1;
    std::vector<std::uint32_t> out = {42};
    const char junk[] = "definitely not a png image";
    EXPECT_FALSE(VorImage_DecodePng(junk, sizeof junk, &w, &h, &out));
    EXPECT_EQ((std::tuple{w, out.size()}), (std::tuple{-1, 1u}));
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
        EXPECT_EQ((std::tuple{hot[i] >> 24, dis[i] >> 24}), (std::tuple{px[i] >> 24, px[i] >> 24}));
        unsigned r = (dis[i] >> 16) & 0xFF, g = (dis[i] >> 8) & 0xFF, b = dis[i] & 0xFF;
        EXPECT_EQ((std::tuple{r, g}), (std::tuple{g, b}));
        EXPECT_LE(r, dis[i] >> 24); // still premultiplied
    }
    // Y * 0.2 + 0.6 * a * 0.8 for black and white
    EXPECT_EQ((std::tuple{dis[2] & 0xFF, dis[4] & 0xFF, dis[3]}), (std::tuple{122u, 173u, 0u}));

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
