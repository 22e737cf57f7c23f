// PNG decoding with libpng into premultiplied 32-bit pixels and DIB sections.
#include "vor/image.h"

#include <png.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

namespace {

struct Reader {
    const png_byte* data;
    std::size_t size;
    std::size_t pos;
};

void ReadBytes(png_structp png, png_bytep out, png_size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (n > r->size - r->pos) png_error(png, "truncated");
    std::memcpy(out, r->data + r->pos, n);
    r->pos += n;
}

void Warning(png_structp, png_const_charp) {}

} // namespace

bool VorImage_DecodePng(const void* data, std::size_t size, int* width, int* height,
                        std::vector<std::uint32_t>* pixels) {
    if (!data || size < 8 || !width || !height || !pixels) return false;
    if (png_sig_cmp(static_cast<png_const_bytep>(data), 0, 8) != 0) return false;
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, Warning);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_read_struct(&png, nullptr, nullptr);
        return false;
    }
    Reader reader{static_cast<const png_byte*>(data), size, 0};
    // Declared before setjmp so that a longjmp out of libpng finds them intact.
    std::vector<png_byte> rgba;
    std::vector<png_bytep> rows;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return false;
    }
    png_set_read_fn(png, &reader, ReadBytes);
    png_set_user_limits(png, 16384, 16384);
    png_read_info(png, info);
    png_uint_32 w = png_get_image_width(png, info), h = png_get_image_height(png, info);
    int colorType = png_get_color_type(png, info);
    int depth = png_get_bit_depth(png, info);
    if (depth == 16) png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE) png_set_palette_to_rgb(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8) png_set_expand_gray_1_2_4_to_8(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS)) png_set_tRNS_to_alpha(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) png_set_gray_to_rgb(png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    if (png_get_rowbytes(png, info) != static_cast<png_size_t>(w) * 4) png_error(png, "unexpected layout");
    rgba.resize(static_cast<std::size_t>(w) * h * 4);
    rows.resize(h);
    for (png_uint_32 y = 0; y < h; ++y) rows[y] = rgba.data() + static_cast<std::size_t>(y) * w * 4;
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    std::vector<std::uint32_t> out(static_cast<std::size_t>(w) * h);
    for (std::size_t i = 0; i < out.size(); ++i) {
        unsigned r = rgba[4 * i], g = rgba[4 * i + 1], b = rgba[4 * i + 2], a = rgba[4 * i + 3];
        r = (r * a + 127) / 255;
        g = (g * a + 127) / 255;
        b = (b * a + 127) / 255;
        out[i] = (a << 24) | (r << 16) | (g << 8) | b;
    }
    *width = static_cast<int>(w);
    *height = static_cast<int>(h);
    pixels->swap(out);
    return true;
}

win::HBITMAP VorImage_LoadPng(const void* data, std::size_t size) {
    int w = 0, h = 0;
    std::vector<std::uint32_t> px;
    if (!VorImage_DecodePng(data, size, &w, &h, &px)) return nullptr;
    win::BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
    bi.bmiHeader.biWidth = w;
    bi.bmiHeader.biHeight = -h;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = win::BI_RGB;
    void* bits = nullptr;
    win::HBITMAP bmp = win::CreateDIBSection(nullptr, &bi, win::DIB_RGB_COLORS, &bits, nullptr, 0);
    if (!bmp || !bits) return nullptr;
    std::memcpy(bits, px.data(), px.size() * sizeof(std::uint32_t));
    return bmp;
}

win::HBITMAP VorImage_LoadPngFile(const char* path) {
    if (!path) return nullptr;
    std::ifstream in(path, std::ios::binary);
    if (!in) return nullptr;
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return VorImage_LoadPng(bytes.data(), bytes.size());
}
