// Build tool: turns the toolbar's text-art icons into the 400 x 16 PNG strip and into a source file
// that carries the PNG's bytes into the module's resources.
//
//   make_toolbar_strip ART.txt STRIP.png STRIP.cpp [PREVIEW.png]
//
// PREVIEW.png, when asked for, shows the strip eight times larger on the toolbar's face colour, for
// whoever edits the art.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "win/window_pixels.h"

namespace {

constexpr int kIconSide = 16;
constexpr int kIconCount = 25;
constexpr int kStripWidth = kIconSide * kIconCount;
constexpr int kPreviewScale = 8;
constexpr std::uint32_t kPreviewFace = 0xF0F0F0FF; // RGBA
constexpr int kBytesPerSourceLine = 16;

struct Rgba {
    std::uint8_t r, g, b, a;
};

struct Strip {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;
};

bool Fail(const std::string& where, const std::string& what) {
    std::fprintf(stderr, "make_toolbar_strip: %s: %s\n", where.c_str(), what.c_str());
    return false;
}

bool ParseColour(const std::string& hex, Rgba* out) {
    if (hex.size() != 8) return false;
    std::uint32_t value = 0;
    for (char c : hex) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    *out = Rgba{static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)};
    return true;
}

// Lines: "# comment", "colour C RRGGBBAA", "icon N name" followed by 16 rows of 16 colour letters.
bool ReadArt(const std::string& path, Strip* strip) {
    std::ifstream in(path);
    if (!in) return Fail(path, "cannot be read");
    std::map<char, Rgba> palette;
    strip->width = kStripWidth;
    strip->height = kIconSide;
    strip->pixels.assign(static_cast<std::size_t>(kStripWidth * kIconSide), Rgba{0, 0, 0, 0});
    std::string line;
    int lineNumber = 0;
    int nextIcon = 0;
    int row = kIconSide; // rows of the current icon still to read: none
    auto where = [&] { return path + ":" + std::to_string(lineNumber); };
    while (std::getline(in, line)) {
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (row < kIconSide) {
            if (static_cast<int>(line.size()) != kIconSide)
                return Fail(where(), "an icon row has 16 letters");
            for (int x = 0; x < kIconSide; ++x) {
                auto colour = palette.find(line[static_cast<std::size_t>(x)]);
                if (colour == palette.end())
                    return Fail(where(), std::string("no colour is named '") + line[x] + "'");
                const int px = (nextIcon - 1) * kIconSide + x;
                strip->pixels[static_cast<std::size_t>(row * kStripWidth + px)] = colour->second;
            }
            ++row;
            continue;
        }
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string keyword;
        words >> keyword;
        if (keyword == "colour") {
            std::string name, hex;
            Rgba colour{};
            if (!(words >> name >> hex) || name.size() != 1 || !ParseColour(hex, &colour))
                return Fail(where(), "a colour line is 'colour LETTER RRGGBBAA'");
            palette[name[0]] = colour;
        } else if (keyword == "icon") {
            int index = -1;
            if (!(words >> index) || index != nextIcon || index >= kIconCount)
                return Fail(where(),
                            "icons are numbered 0 to " + std::to_string(kIconCount - 1) +
                                           " in order; expected icon " + std::to_string(nextIcon));
            ++nextIcon;
            row = 0;
        } else {
            return Fail(where(), "unknown line '" + line + "'");
        }
    }
    if (row < kIconSide) return Fail(path, "the last icon is cut short");
    if (nextIcon != kIconCount)
        return Fail(path, "the art holds " + std::to_string(nextIcon) + " icons, not " + std::to_string(kIconCount));
    return true;
}

// The window system's PNG encoder: it takes premultiplied 0xAARRGGBB pixels and writes straight RGBA.
bool EncodePng(const Strip& strip, std::vector<std::uint8_t>* out) {
    win::WindowPixels pixels;
    pixels.width = strip.width;
    pixels.height = strip.height;
    pixels.bgra.reserve(strip.pixels.size());
    for (const Rgba& p : strip.pixels) {
        auto premultiplied = [&](std::uint8_t c) { return static_cast<std::uint32_t>((c * p.a + 127) / 255); };
        pixels.bgra.push_back(static_cast<std::uint32_t>(p.a) << 24 | premultiplied(p.r) << 16 |
                              premultiplied(p.g) << 8 | premultiplied(p.b));
    }
    return win::EncodePng(pixels, out);
}

bool WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return out.good() || Fail(path, "cannot be written");
}

std::string SourceOf(const std::vector<std::uint8_t>& png) {
    std::ostringstream s;
    s << "// Generated by make_toolbar_strip from toolbar_icons.txt: the toolbar's image strip as PNG "
         "bytes.\n"
         "#include <cstddef>\n\nnamespace pianoroll {\n\nextern const unsigned char kToolbarStripPng[] = {";
    for (std::size_t i = 0; i < png.size(); ++i) {
        s << (i % kBytesPerSourceLine == 0 ? "\n   " : "") << " " << static_cast<unsigned>(png[i]) << ",";
    }
    s << "\n};\nextern const std::size_t kToolbarStripPngSize = sizeof kToolbarStripPng;\n\n} // namespace "
         "pianoroll\n";
    return s.str();
}

Strip Preview(const Strip& strip) {
    Strip big;
    big.width = strip.width * kPreviewScale;
    big.height = strip.height * kPreviewScale;
    big.pixels.resize(static_cast<std::size_t>(big.width * big.height));
    const Rgba face{static_cast<std::uint8_t>(kPreviewFace >> 24),
                    static_cast<std::uint8_t>(kPreviewFace >> 16),
                    static_cast<std::uint8_t>(kPreviewFace >> 8), 0xFF};
    for (int y = 0; y < big.height; ++y)
        for (int x = 0; x < big.width; ++x) {
            const Rgba p =
                strip.pixels[static_cast<std::size_t>((y / kPreviewScale) * strip.width + x / kPreviewScale)];
            auto over = [&](std::uint8_t c, std::uint8_t f) {
                return static_cast<std::uint8_t>((c * p.a + f * (255 - p.a) + 127) / 255);
            };
            big.pixels[static_cast<std::size_t>(y * big.width + x)] =
                Rgba{over(p.r, face.r), over(p.g, face.g), over(p.b, face.b), 0xFF};
        }
    return big;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::fprintf(stderr, "usage: make_toolbar_strip ART.txt STRIP.png STRIP.cpp [PREVIEW.png]\n");
        return 2;
    }
    Strip strip;
    if (!ReadArt(argv[1], &strip)) return 1;
    std::vector<std::uint8_t> png;
    if (!EncodePng(strip, &png)) return Fail(argv[2], "the PNG could not be encoded"), 1;
    if (!WriteFile(argv[2], std::string(png.begin(), png.end())) || !WriteFile(argv[3], SourceOf(png)))
        return 1;
    if (argc == 5) {
        std::vector<std::uint8_t> preview;
        if (!EncodePng(Preview(strip), &preview) ||
            !WriteFile(argv[4], std::string(preview.begin(), preview.end())))
            return 1;
    }
    return 0;
}
