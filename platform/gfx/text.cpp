// Text: fonts through fontconfig and FreeType, a glyph cache, and TextOut/ExtTextOut/DrawText and the measures.
#include "gdi_objects.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace win::gfx {

struct Glyph {
    int left = 0, top = 0, w = 0, h = 0, advance = 0;
    std::vector<std::uint8_t> cover;
};

struct FontInstance {
    FT_Face face = nullptr;
    std::string family;
    bool synthBold = false, synthItalic = false;
    bool underline = false, strikeOut = false;
    int em = 11;
    int ascent = 9, descent = 2, height = 11, internalLeading = 0;
    int aveWidth = 5, maxWidth = 11, weight = FW_NORMAL;
    bool italic = false;
    Glyph ascii[128];
    bool asciiReady[128] = {};
    std::unordered_map<char32_t, Glyph> others;

    const Glyph& Get(char32_t cp);
};

namespace {

constexpr const char* kDefaultFamily = "DejaVu Sans";
constexpr const char* kFallbackFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

struct Engine {
    FT_Library lib = nullptr;
    bool fcReady = false;
    std::map<std::string, std::unique_ptr<FontInstance>> instances;
};

Engine& TheEngine() {
    static Engine* e = [] {
        auto* en = new Engine();
        if (FT_Init_FreeType(&en->lib) != 0) en->lib = nullptr;
        en->fcReady = FcInit() == FcTrue;
        // Font configuration keeps its data behind encoded offsets that leak checkers cannot follow;
        // release it at exit (faces opened from its file names do not depend on it).
        if (en->fcReady) std::atexit([] { FcFini(); });
        return en;
    }();
    return *e;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// The dialog and interface faces of the classic platform have no counterpart here; they and any
// face that fontconfig does not really have are drawn in the default sans face.
std::string MapFamily(const char* face) {
    std::string f = face ? face : "";
    std::string l = Lower(f);
    if (l.empty() || l == "tahoma" || l == "ms shell dlg" || l == "ms shell dlg 2" || l == "ms sans serif" ||
        l == "segoe ui" || l == "system")
        return kDefaultFamily;
    return f;
}

bool FindFile(const std::string& family, bool bold, bool italic, std::string* file, int* index,
              std::string* foundFamily) {
    Engine& e = TheEngine();
    if (!e.fcReady) return false;
    FcPattern* pat = FcPatternCreate();
    FcPatternAddString(pat, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pat, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pat, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pat, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pat, FcMatchPattern);
    FcDefaultSubstitute(pat);
    FcResult res = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pat, &res);
    FcPatternDestroy(pat);
    if (!match) return false;
    bool ok = false;
    FcChar8* path = nullptr;
    FcChar8* fam = nullptr;
    int idx = 0;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch &&
        FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch) {
        FcPatternGetInteger(match, FC_INDEX, 0, &idx);
        // Accept the match only for the family asked for; substitutes would change metrics silently.
        bool same = false;
        for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &fam) == FcResultMatch; ++i)
            if (Lower(reinterpret_cast<const char*>(fam)) == Lower(family)) same = true;
        if (same) {
            *file = reinterpret_cast<const char*>(path);
            *index = idx;
            *foundFamily = family;
            ok = true;
        }
    }
    FcPatternDestroy(match);
    return ok;
}

int RoundDiv(long long num, long long den) { return static_cast<int>((num + den / 2) / den); }

FontInstance* Resolve(const LOGFONT& lf) {
    Engine& e = TheEngine();
    std::string family = MapFamily(lf.lfFaceName);
    bool bold = lf.lfWeight >= FW_SEMIBOLD;
    bool italic = lf.lfItalic != 0;
    std::string key = Lower(family) + "|" + std::to_string(lf.lfHeight) + "|" + (bold ? "b" : "") +
                      (italic ? "i" : "") + (lf.lfUnderline ? "u" : "") + (lf.lfStrikeOut ? "s" : "");
    auto it = e.instances.find(key);
    if (it != e.instances.end()) return it->second.get();

    auto inst = std::make_unique<FontInstance>();
    inst->underline = lf.lfUnderline != 0;
    inst->strikeOut = lf.lfStrikeOut != 0;
    inst->weight = lf.lfWeight == 0 ? FW_NORMAL : lf.lfWeight;
    inst->italic = italic;
    std::string file, found;
    int index = 0;
    if (!FindFile(family, bold, italic, &file, &index, &found) &&
        !FindFile(kDefaultFamily, bold, italic, &file, &index, &found)) {
        file = kFallbackFile;
        found = kDefaultFamily;
        index = 0;
    }
    inst->family = found;
    if (e.lib && FT_New_Face(e.lib, file.c_str(), index, &inst->face) != 0) inst->face = nullptr;

    FT_Face f = inst->face;
    long upem = f ? f->units_per_EM : 2048;
    long winAscent = f ? f->ascender : 1901, winDescent = f ? -f->descender : 483;
    if (f) {
        if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2))) {
            if (os2->usWinAscent + os2->usWinDescent > 0) {
                winAscent = os2->usWinAscent;
                winDescent = os2->usWinDescent;
            }
        }
    }
    if (upem <= 0) upem = 2048;
    int em;
    if (lf.lfHeight < 0)
        em = -lf.lfHeight;
    else if (lf.lfHeight > 0)
        em = RoundDiv(static_cast<long long>(lf.lfHeight) * upem, winAscent + winDescent);
    else
        em = 11;
    em = std::clamp(em, 1, 2000);
    inst->em = em;
    inst->ascent = RoundDiv(winAscent * em, upem);
    inst->descent = RoundDiv(winDescent * em, upem);
    if (lf.lfHeight > 0) inst->descent = std::max(0, static_cast<int>(lf.lfHeight) - inst->ascent);
    inst->height = inst->ascent + inst->descent;
    inst->internalLeading = std::max(0, inst->height - em);
    if (f) {
        FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(em));
        inst->synthBold = bold && !(f->style_flags & FT_STYLE_FLAG_BOLD);
        inst->synthItalic = italic && !(f->style_flags & FT_STYLE_FLAG_ITALIC);
        inst->maxWidth = RoundDiv(static_cast<long long>(f->max_advance_width) * em, upem);
        auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(f, FT_SFNT_OS2));
        if (os2 && os2->xAvgCharWidth > 0)
            inst->aveWidth = RoundDiv(static_cast<long long>(os2->xAvgCharWidth) * em, upem);
        else
            inst->aveWidth = inst->Get('x').advance;
    } else {
        inst->aveWidth = std::max(1, em / 2);
        inst->maxWidth = em;
    }
    FontInstance* raw = inst.get();
    e.instances.emplace(key, std::move(inst));
    return raw;
}

} // namespace

const Glyph& FontInstance::Get(char32_t cp) {
    Glyph* g;
    if (cp < 128) {
        g = &ascii[cp];
        if (asciiReady[cp]) return *g;
        asciiReady[cp] = true;
    } else {
        auto it = others.find(cp);
        if (it != others.end()) return it->second;
        g = &others[cp];
    }
    if (!face) {
        g->advance = cp == ' ' ? std::max(1, em / 3) : std::max(1, em / 2);
        return *g;
    }
    if (FT_Load_Char(face, cp, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT) != 0) {
        g->advance = std::max(1, em / 2);
        return *g;
    }
    FT_GlyphSlot slot = face->glyph;
    if (synthBold) FT_GlyphSlot_Embolden(slot);
    if (synthItalic) FT_GlyphSlot_Oblique(slot);
    g->advance = static_cast<int>((slot->advance.x + 32) >> 6);
    if (cp == '\n' || cp == '\r') return *g;
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return *g;
    const FT_Bitmap& bm = slot->bitmap;
    g->left = slot->bitmap_left;
    g->top = slot->bitmap_top;
    g->w = static_cast<int>(bm.width);
    g->h = static_cast<int>(bm.rows);
    g->cover.resize(static_cast<std::size_t>(g->w) * g->h);
    for (int y = 0; y < g->h; ++y) {
        const unsigned char* src = bm.buffer + static_cast<std::ptrdiff_t>(y) * bm.pitch;
        if (bm.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (int x = 0; x < g->w; ++x)
                g->cover[static_cast<std::size_t>(y) * g->w + x] = (src[x / 8] & (0x80 >> (x % 8))) ? 255 : 0;
        } else {
            std::memcpy(&g->cover[static_cast<std::size_t>(y) * g->w], src, static_cast<std::size_t>(g->w));
        }
    }
    return *g;
}

namespace {

struct Decoded {
    char32_t cp;
    int offset; // byte offset of the character
    int length; // bytes
};

// UTF-8 decoding; malformed bytes become U+FFFD one byte at a time.
std::vector<Decoded> DecodeUtf8(const char* s, int n) {
    std::vector<Decoded> out;
    out.reserve(static_cast<std::size_t>(n));
    const auto* u = reinterpret_cast<const unsigned char*>(s);
    int i = 0;
    while (i < n) {
        unsigned c = u[i];
        int len = 1;
        char32_t cp = 0xFFFD;
        if (c < 0x80) {
            cp = c;
        } else if ((c & 0xE0) == 0xC0 && i + 1 < n && (u[i + 1] & 0xC0) == 0x80) {
            cp = ((c & 0x1F) << 6) | (u[i + 1] & 0x3F);
            len = cp >= 0x80 ? 2 : 1;
            if (len == 1) cp = 0xFFFD;
        } else if ((c & 0xF0) == 0xE0 && i + 2 < n && (u[i + 1] & 0xC0) == 0x80 && (u[i + 2] & 0xC0) == 0x80) {
            cp = ((c & 0x0F) << 12) | ((u[i + 1] & 0x3F) << 6) | (u[i + 2] & 0x3F);
            len = (cp >= 0x800 && (cp < 0xD800 || cp > 0xDFFF)) ? 3 : 1;
            if (len == 1) cp = 0xFFFD;
        } else if ((c & 0xF8) == 0xF0 && i + 3 < n && (u[i + 1] & 0xC0) == 0x80 && (u[i + 2] & 0xC0) == 0x80 &&
                   (u[i + 3] & 0xC0) == 0x80) {
            cp = ((c & 0x07) << 18) | ((u[i + 1] & 0x3F) << 12) | ((u[i + 2] & 0x3F) << 6) | (u[i + 3] & 0x3F);
            len = (cp >= 0x10000 && cp <= 0x10FFFF) ? 4 : 1;
            if (len == 1) cp = 0xFFFD;
        }
        out.push_back(Decoded{cp, i, len});
        i += len;
    }
    return out;
}

FontInstance* FontOf(Dc* dc) {
    Font* f = dc->st.font;
    if (!f) f = static_cast<Font*>(LookupAny(GetStockObject(DEFAULT_GUI_FONT)));
    if (!f->instance) f->instance = Resolve(f->lf);
    return f->instance;
}

// Horizontal layout of a run: glyph ink may reach left of the pen start or beyond the last advance
// (a descender's tail, an oblique shear); the measured box covers that ink, so text drawn at a point
// stays within the extent measured for it.
struct RunBox {
    int width = 0; // of the box
    int lead = 0;  // from the box's left edge to the first pen position
};

RunBox Layout(FontInstance* fi, const std::vector<Decoded>& chars) {
    int pen = 0, minInk = 0, maxInk = 0;
    for (const Decoded& d : chars) {
        const Glyph& g = fi->Get(d.cp);
        if (g.w > 0) {
            minInk = std::min(minInk, pen + g.left);
            maxInk = std::max(maxInk, pen + g.left + g.w);
        }
        pen += g.advance;
    }
    RunBox box;
    box.lead = -minInk;
    box.width = std::max(pen, maxInk) + box.lead;
    return box;
}

int Measure(FontInstance* fi, const std::vector<Decoded>& chars) { return Layout(fi, chars).width; }

int Advance(FontInstance* fi, const std::string& s) {
    int w = 0;
    for (const Decoded& d : DecodeUtf8(s.data(), static_cast<int>(s.size()))) w += fi->Get(d.cp).advance;
    return w;
}

int Measure(FontInstance* fi, const std::string& s) {
    return Measure(fi, DecodeUtf8(s.data(), static_cast<int>(s.size())));
}

// Blends the glyphs of one run with its pen at (x, baseline), surface coordinates.
void DrawRun(Dc* dc, FontInstance* fi, const std::vector<Decoded>& chars, int x, int baseline,
             std::uint32_t color, const RECT* extraClip, const INT* dx) {
    const auto& clip = EffectiveClip(dc);
    std::vector<RECT> clips;
    if (extraClip) {
        for (const RECT& c : clip) {
            RECT r = Intersect(c, *extraClip);
            if (!Empty(r)) clips.push_back(r);
        }
    }
    const std::vector<RECT>& use = extraClip ? clips : clip;
    unsigned cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
    int pen = x;
    for (std::size_t k = 0; k < chars.size(); ++k) {
        const Glyph& g = fi->Get(chars[k].cp);
        RECT gr{pen + g.left, baseline - g.top, pen + g.left + g.w, baseline - g.top + g.h};
        for (const RECT& c : use) {
            RECT r = Intersect(c, gr);
            if (Empty(r)) continue;
            for (int y = r.top; y < r.bottom; ++y) {
                const std::uint8_t* cov = &g.cover[static_cast<std::size_t>(y - gr.top) * g.w];
                std::uint32_t* row = dc->surface.pixels + static_cast<std::ptrdiff_t>(y) * dc->surface.stride;
                for (int xx = r.left; xx < r.right; ++xx) {
                    unsigned a = cov[xx - gr.left];
                    if (!a) continue;
                    std::uint32_t d = row[xx];
                    if (a == 255) {
                        row[xx] = color | 0xFF000000u;
                        continue;
                    }
                    unsigned ia = 255 - a;
                    unsigned nr = (cr * a + ((d >> 16) & 0xFF) * ia + 127) / 255;
                    unsigned ng = (cg * a + ((d >> 8) & 0xFF) * ia + 127) / 255;
                    unsigned nb = (cb * a + (d & 0xFF) * ia + 127) / 255;
                    unsigned na = (255 * a + (d >> 24) * ia + 127) / 255;
                    row[xx] = (na << 24) | (nr << 16) | (ng << 8) | nb;
                }
            }
        }
        pen += dx ? dx[k] : g.advance;
    }
}

void FillSolid(Dc* dc, RECT r, std::uint32_t color, const RECT* extraClip) {
    if (extraClip) r = Intersect(r, *extraClip);
    BrushSampler s;
    s.color = color;
    FillSurfaceRect(dc, r, s, PATCOPY);
}

int UnderlineOffset(const FontInstance* fi) { return std::min(fi->descent > 1 ? 1 + fi->em / 12 : 0, fi->descent); }
int LineThickness(const FontInstance* fi) { return std::max(1, fi->em / 14); }

void Decorations(Dc* dc, const FontInstance* fi, int x, int baseline, int width, std::uint32_t color,
                 const RECT* clip) {
    int t = LineThickness(fi);
    if (fi->underline) {
        int y = baseline + UnderlineOffset(fi);
        FillSolid(dc, RECT{x, y, x + width, y + t}, color, clip);
    }
    if (fi->strikeOut) {
        int y = baseline - fi->ascent / 3;
        FillSolid(dc, RECT{x, y, x + width, y + t}, color, clip);
    }
}

// Text output shared by TextOut and ExtTextOut: (x, y) logical, aligned by the DC's alignment.
bool OutputText(Dc* dc, int x, int y, UINT options, const RECT* rc, const char* text, int count, const INT* dx) {
    FontInstance* fi = FontOf(dc);
    std::vector<Decoded> chars = DecodeUtf8(text ? text : "", text ? count : 0);
    int width = 0, lead = 0;
    if (dx) {
        for (std::size_t k = 0; k < chars.size(); ++k) width += dx[k];
    } else {
        RunBox box = Layout(fi, chars);
        width = box.width;
        lead = box.lead;
    }
    UINT align = dc->st.textAlign;
    if (align & TA_UPDATECP) {
        x = dc->st.current.x;
        y = dc->st.current.y;
    }
    int left = x;
    UINT h = align & TA_CENTER;
    if (h == TA_RIGHT) left = x - width;
    else if (h == TA_CENTER) left = x - width / 2;
    int baseline;
    UINT v = align & TA_BASELINE;
    if (v == TA_BASELINE) baseline = y;
    else if (v == TA_BOTTOM) baseline = y - fi->descent;
    else baseline = y + fi->ascent;
    if (align & TA_UPDATECP) {
        if (h == TA_LEFT) dc->st.current.x = x + width;
        else if (h == TA_RIGHT) dc->st.current.x = x - width;
    }

    POINT o = LogicalToSurface(dc);
    RECT clipRect{};
    const RECT* clip = nullptr;
    if (rc && (options & ETO_CLIPPED)) {
        clipRect = Offset(*rc, o.x, o.y);
        clip = &clipRect;
    }
    if (rc && (options & ETO_OPAQUE)) FillSolid(dc, Offset(*rc, o.x, o.y), ToPixel(dc->st.bkColor), nullptr);
    int sx = left + o.x, sb = baseline + o.y;
    if (dc->st.bkMode == OPAQUE && !(rc && (options & ETO_OPAQUE)))
        FillSolid(dc, RECT{sx, sb - fi->ascent, sx + width, sb + fi->descent}, ToPixel(dc->st.bkColor), clip);
    std::uint32_t color = ToPixel(dc->st.textColor);
    DrawRun(dc, fi, chars, sx + lead, sb, color, clip, dx);
    Decorations(dc, fi, sx, sb, width, color, clip);
    return true;
}

int Length(const char* text, int count) {
    if (!text) return 0;
    return count < 0 ? static_cast<int>(std::strlen(text)) : count;
}

// DrawText lines: text with the prefix characters removed and the byte range to underline.
struct TextLine {
    std::string text;
    int ulStart = -1, ulLength = 0;
};

TextLine StripPrefix(const std::string& in, bool noPrefix) {
    TextLine line;
    if (noPrefix) {
        line.text = in;
        return line;
    }
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] == '&') {
            if (i + 1 < in.size() && in[i + 1] == '&') {
                line.text += '&';
                ++i;
                continue;
            }
            if (i + 1 < in.size()) {
                line.ulStart = static_cast<int>(line.text.size());
                std::size_t len = 1;
                auto c = static_cast<unsigned char>(in[i + 1]);
                if (c >= 0xF0) len = 4;
                else if (c >= 0xE0) len = 3;
                else if (c >= 0xC0) len = 2;
                line.ulLength = static_cast<int>(std::min(len, in.size() - (i + 1)));
            }
            continue;
        }
        line.text += in[i];
    }
    return line;
}

// Cuts a line to the longest run of whole characters that leaves room for "..." within width.
void EndEllipsis(FontInstance* fi, TextLine& line, int width) {
    if (Measure(fi, line.text) <= width) return;
    static const std::string dots = "...";
    std::vector<Decoded> chars = DecodeUtf8(line.text.data(), static_cast<int>(line.text.size()));
    std::string tail = dots;
    while (!tail.empty() && Measure(fi, tail) > width) tail.pop_back();
    int room = width - Measure(fi, tail);
    int used = 0;
    std::size_t keep = 0;
    for (const Decoded& d : chars) {
        int a = fi->Get(d.cp).advance;
        if (used + a > room) break;
        used += a;
        ++keep;
    }
    // Ink overhanging the last kept character may still cross the edge: give up characters until not.
    auto bytesOf = [&](std::size_t n) { return n == 0 ? std::size_t{0} : static_cast<std::size_t>(chars[n - 1].offset + chars[n - 1].length); };
    while (keep > 0 && Measure(fi, line.text.substr(0, bytesOf(keep)) + tail) > width) --keep;
    std::size_t keepBytes = bytesOf(keep);
    line.text = line.text.substr(0, keepBytes) + tail;
    if (line.ulStart >= static_cast<int>(keepBytes)) line.ulStart = -1;
}

std::vector<TextLine> LayOut(FontInstance* fi, const std::string& text, UINT format, int width) {
    std::string src = text;
    if (format & DT_EXPANDTABS) {
        std::string t;
        for (char c : src) t += c == '\t' ? std::string("    ") : std::string(1, c);
        src.swap(t);
    }
    std::vector<std::string> paragraphs;
    if (format & DT_SINGLELINE) {
        std::string one;
        for (char c : src)
            if (c != '\r' && c != '\n') one += c;
        paragraphs.push_back(one);
    } else {
        std::string cur;
        for (std::size_t i = 0; i < src.size(); ++i) {
            if (src[i] == '\r' || src[i] == '\n') {
                paragraphs.push_back(cur);
                cur.clear();
                if (src[i] == '\r' && i + 1 < src.size() && src[i + 1] == '\n') ++i;
                continue;
            }
            cur += src[i];
        }
        paragraphs.push_back(cur);
    }
    bool noPrefix = (format & DT_NOPREFIX) != 0;
    std::vector<TextLine> lines;
    for (const std::string& p : paragraphs) {
        if (!(format & DT_WORDBREAK) || (format & DT_SINGLELINE)) {
            lines.push_back(StripPrefix(p, noPrefix));
            continue;
        }
        // Greedy word wrap on spaces; a word wider than the rectangle stands alone on its line.
        std::size_t pos = 0;
        std::string cur;
        bool any = false;
        while (pos <= p.size()) {
            std::size_t next = p.find(' ', pos);
            std::string word = p.substr(pos, next == std::string::npos ? std::string::npos : next - pos);
            std::string candidate = cur.empty() && !any ? word : cur + " " + word;
            if (any && Measure(fi, StripPrefix(candidate, noPrefix).text) > width) {
                lines.push_back(StripPrefix(cur, noPrefix));
                cur = word;
            } else {
                cur = candidate;
            }
            any = true;
            if (next == std::string::npos) break;
            pos = next + 1;
        }
        lines.push_back(StripPrefix(cur, noPrefix));
    }
    if (format & (DT_END_ELLIPSIS | DT_WORD_ELLIPSIS | DT_PATH_ELLIPSIS))
        for (TextLine& l : lines) EndEllipsis(fi, l, width);
    return lines;
}

} // namespace

} // namespace win::gfx

namespace win {

using namespace gfx;

BOOL TextOut(HDC hdc, int x, int y, LPCSTR text, int count) {
    Dc* dc = GetDc(hdc);
    if (!dc || (!text && count != 0)) return FALSE;
    return OutputText(dc, x, y, 0, nullptr, text, Length(text, count), nullptr) ? TRUE : FALSE;
}

BOOL ExtTextOut(HDC hdc, int x, int y, UINT options, const RECT* rc, LPCSTR text, UINT count, const INT* dx) {
    Dc* dc = GetDc(hdc);
    if (!dc || (!text && count != 0)) return FALSE;
    return OutputText(dc, x, y, options, rc, text, static_cast<int>(count), dx) ? TRUE : FALSE;
}

BOOL GetTextExtentPoint32(HDC hdc, LPCSTR text, int count, SIZE* size) {
    Dc* dc = GetDc(hdc);
    if (!dc || !size || (!text && count != 0) || count < 0) return FALSE;
    FontInstance* fi = FontOf(dc);
    size->cx = Measure(fi, DecodeUtf8(text, count));
    size->cy = fi->height;
    return TRUE;
}

BOOL GetTextMetrics(HDC hdc, TEXTMETRIC* tm) {
    Dc* dc = GetDc(hdc);
    if (!dc || !tm) return FALSE;
    FontInstance* fi = FontOf(dc);
    *tm = TEXTMETRIC{};
    tm->tmHeight = fi->height;
    tm->tmAscent = fi->ascent;
    tm->tmDescent = fi->descent;
    tm->tmInternalLeading = fi->internalLeading;
    tm->tmExternalLeading = 0;
    tm->tmAveCharWidth = fi->aveWidth;
    tm->tmMaxCharWidth = fi->maxWidth;
    tm->tmWeight = fi->weight;
    tm->tmDigitizedAspectX = 96;
    tm->tmDigitizedAspectY = 96;
    tm->tmFirstChar = 0x20;
    tm->tmLastChar = 0xFFFC;
    tm->tmDefaultChar = 0xFFFD;
    tm->tmBreakChar = 0x20;
    tm->tmItalic = fi->italic ? 1 : 0;
    tm->tmUnderlined = fi->underline ? 1 : 0;
    tm->tmStruckOut = fi->strikeOut ? 1 : 0;
    tm->tmPitchAndFamily = VARIABLE_PITCH | FF_SWISS;
    tm->tmCharSet = DEFAULT_CHARSET;
    return TRUE;
}

int GetTextFace(HDC hdc, int count, LPSTR name) {
    Dc* dc = GetDc(hdc);
    if (!dc) return 0;
    FontInstance* fi = FontOf(dc);
    int n = static_cast<int>(fi->family.size());
    if (!name) return n + 1;
    if (count <= 0) return 0;
    int c = std::min(n, count - 1);
    std::memcpy(name, fi->family.data(), static_cast<std::size_t>(c));
    name[c] = '\0';
    return c;
}

int DrawText(HDC hdc, LPCSTR text, int count, LPRECT rc, UINT format) {
    Dc* dc = GetDc(hdc);
    if (!dc || !rc || (!text && count != 0)) return 0;
    int n = Length(text, count);
    FontInstance* fi = FontOf(dc);
    int width = rc->right - rc->left;
    std::vector<TextLine> lines = LayOut(fi, std::string(text ? text : "", static_cast<std::size_t>(n)), format, width);
    int lineH = fi->height;
    int total = lineH * static_cast<int>(lines.size());
    if (format & DT_CALCRECT) {
        int maxW = 0;
        for (const TextLine& l : lines) maxW = std::max(maxW, Measure(fi, l.text));
        rc->right = rc->left + maxW;
        rc->bottom = rc->top + total;
        return total;
    }
    int top = rc->top;
    bool single = (format & DT_SINGLELINE) != 0;
    if (single && (format & DT_VCENTER)) top = rc->top + (rc->bottom - rc->top - total) / 2;
    else if (single && (format & DT_BOTTOM)) top = rc->bottom - total;

    POINT o = LogicalToSurface(dc);
    RECT clipRect = Offset(*rc, o.x, o.y);
    const RECT* clip = (format & DT_NOCLIP) ? nullptr : &clipRect;
    std::uint32_t color = ToPixel(dc->st.textColor);
    bool hideUl = (format & DT_HIDEPREFIX) != 0;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const TextLine& l = lines[i];
        std::vector<Decoded> chars = DecodeUtf8(l.text.data(), static_cast<int>(l.text.size()));
        RunBox box = Layout(fi, chars);
        int w = box.width;
        int x = rc->left;
        if (format & DT_CENTER) x = rc->left + (width - w) / 2;
        else if (format & DT_RIGHT) x = rc->right - w;
        int y = top + static_cast<int>(i) * lineH;
        int sx = x + o.x, sy = y + o.y, sb = sy + fi->ascent;
        if (dc->st.bkMode == OPAQUE)
            FillSolid(dc, RECT{sx, sy, sx + w, sy + lineH}, ToPixel(dc->st.bkColor), clip);
        if (!(format & DT_PREFIXONLY)) {
            DrawRun(dc, fi, chars, sx + box.lead, sb, color, clip, nullptr);
            Decorations(dc, fi, sx, sb, w, color, clip);
        }
        if (l.ulStart >= 0 && !hideUl) {
            int ux = sx + box.lead + Advance(fi, l.text.substr(0, static_cast<std::size_t>(l.ulStart)));
            int uw = Advance(fi, l.text.substr(static_cast<std::size_t>(l.ulStart), static_cast<std::size_t>(l.ulLength)));
            int uy = sb + UnderlineOffset(fi);
            FillSolid(dc, RECT{ux, uy, ux + uw, uy + LineThickness(fi)}, color, clip);
        }
    }
    if (single && (format & (DT_VCENTER | DT_BOTTOM))) return top - rc->top + total;
    return total;
}

} // namespace win
