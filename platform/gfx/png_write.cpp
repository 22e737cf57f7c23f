// PNG encoding of surfaces and window pictures, and PNG files written through a safe replacement.
#include "win/detail/surface.h"

#include <png.h>

#include <string>
#include <vector>

#include "win/file_replacement.h"
#include "win/window_pixels.h"

namespace win::detail {

namespace {

void AppendBytes(png_structp png, png_bytep data, png_size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

} // namespace

// Pixels are premultiplied; the file gets straight RGBA so that viewers show what was drawn.
bool EncodePng(const Surface& s, std::vector<std::uint8_t>* out) {
    if (!out || !s.pixels || s.width <= 0 || s.height <= 0) return false;
    std::vector<png_byte> rows(static_cast<std::size_t>(s.width) * s.height * 4);
    for (int y = 0; y < s.height; ++y) {
        const std::uint32_t* src = s.pixels + static_cast<std::ptrdiff_t>(y) * s.stride;
        png_byte* dst = rows.data() + static_cast<std::size_t>(y) * s.width * 4;
        for (int x = 0; x < s.width; ++x) {
            std::uint32_t p = src[x];
            unsigned a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
            if (a != 255 && a != 0) {
                r = (r * 255 + a / 2) / a;
                g = (g * 255 + a / 2) / a;
                b = (b * 255 + a / 2) / a;
                if (r > 255) r = 255;
                if (g > 255) g = 255;
                if (b > 255) b = 255;
            } else if (a == 0) {
                r = g = b = 0;
            }
            dst[4 * x + 0] = static_cast<png_byte>(r);
            dst[4 * x + 1] = static_cast<png_byte>(g);
            dst[4 * x + 2] = static_cast<png_byte>(b);
            dst[4 * x + 3] = static_cast<png_byte>(a);
        }
    }
    std::vector<png_bytep> pointers(static_cast<std::size_t>(s.height));
    for (int y = 0; y < s.height; ++y) pointers[static_cast<std::size_t>(y)] = rows.data() + static_cast<std::size_t>(y) * s.width * 4;

    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (!png) return false;
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    out->clear();
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        out->clear();
        return false;
    }
    png_set_write_fn(png, out, AppendBytes, nullptr);
    png_set_IHDR(png, info, static_cast<png_uint_32>(s.width), static_cast<png_uint_32>(s.height), 8,
                 PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 6);
    png_write_info(png, info);
    png_write_image(png, pointers.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

bool WritePng(const char* path, const Surface& s, std::string* error) {
    std::vector<std::uint8_t> bytes;
    if (!EncodePng(s, &bytes)) {
        if (error) *error = "cannot encode the picture";
        return false;
    }
    return files::ReplaceFileContents(path ? path : "", bytes.data(), bytes.size(), error);
}

} // namespace win::detail

namespace win {

bool EncodePng(const WindowPixels& pixels, std::vector<std::uint8_t>* out) {
    if (!out) return false;
    out->clear();
    if (pixels.width <= 0 || pixels.height <= 0 ||
        pixels.bgra.size() != static_cast<std::size_t>(pixels.width) * static_cast<std::size_t>(pixels.height))
        return false;
    const detail::Surface s{const_cast<std::uint32_t*>(pixels.bgra.data()), pixels.width, pixels.height, pixels.width};
    return detail::EncodePng(s, out);
}

} // namespace win
