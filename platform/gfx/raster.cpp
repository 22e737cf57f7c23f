// Raster operations: rectangle fills, pattern and bit-block transfers, stretching, alpha and transparent blits.
#include "gdi_objects.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

namespace win::gfx {

namespace {

constexpr std::uint32_t kRgb = 0x00FFFFFFu;
constexpr std::uint32_t kAlpha = 0xFF000000u;

std::uint8_t RopCode(DWORD rop) { return static_cast<std::uint8_t>((rop >> 16) & 0xFF); }
bool UsesDest(std::uint8_t c) { return ((c >> 1) & 0x55) != (c & 0x55); }
bool UsesSource(std::uint8_t c) { return ((c >> 2) & 0x33) != (c & 0x33); }
bool UsesPattern(std::uint8_t c) { return ((c >> 4) & 0x0F) != (c & 0x0F); }

std::uint32_t Rop3Bits(std::uint8_t code, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    std::uint32_t r = 0;
    for (int i = 0; i < 8; ++i) {
        if (!((code >> i) & 1)) continue;
        r |= ((i & 4) ? p : ~p) & ((i & 2) ? s : ~s) & ((i & 1) ? d : ~d);
    }
    return r;
}

// The colour bits follow the operation; the alpha byte is kept when the operation reads the
// destination (so inverting twice restores), taken from the source for a plain copy, else opaque.
std::uint32_t Rop3Pixel(std::uint8_t code, std::uint32_t p, std::uint32_t s, std::uint32_t d) {
    if (code == 0xCC) return s;
    std::uint32_t a = UsesDest(code) ? (d & kAlpha) : kAlpha;
    return (Rop3Bits(code, p, s, d) & kRgb) | a;
}

inline std::uint32_t* Row(const detail::Surface& s, int y) {
    return s.pixels + static_cast<std::ptrdiff_t>(y) * s.stride;
}

// Solid runs go through the C library's wide-character fill, which is tuned to the memory system
// (wchar_t is 32 bits here). Short runs (stems, edges, grid lines) are stored here: the call would
// cost more than their pixels.
static_assert(sizeof(wchar_t) == sizeof(std::uint32_t));
inline void FillRun(std::uint32_t* p, std::size_t n, std::uint32_t v) {
    if (n <= 16) {
        for (std::size_t k = 0; k < n; ++k) p[k] = v;
        return;
    }
    std::wmemset(reinterpret_cast<wchar_t*>(p), static_cast<wchar_t>(v), n);
}

// Copies a run of pixels making each opaque, four pixels at a time.
inline void CopyOpaque(std::uint32_t* to, const std::uint32_t* from, int n) {
    typedef std::uint32_t V4 __attribute__((vector_size(16)));
    int k = 0;
    for (; k + 4 <= n; k += 4) {
        V4 v;
        std::memcpy(&v, from + k, sizeof v);
        v |= kAlpha;
        std::memcpy(to + k, &v, sizeof v);
    }
    for (; k < n; ++k) to[k] = from[k] | kAlpha;
}

inline unsigned Div255(unsigned v) { return (v + 128 + ((v + 128) >> 8)) >> 8; }

// A negative extent runs back from its origin: make it run forward from the other end.
void Normalise(int& origin, int& extent) {
    if (extent < 0) {
        origin += extent;
        extent = -extent;
    }
}

RECT NormalisedRect(int x, int y, int w, int h) {
    Normalise(x, w);
    Normalise(y, h);
    return RECT{x, y, x + w, y + h};
}

bool IsMono(const Dc* dc) { return dc->memory && dc->st.bitmap && dc->st.bitmap->bpp == 1; }

} // namespace

std::uint32_t Rop2(int rop2, std::uint32_t pen, std::uint32_t dst) {
    int code = rop2 - 1;
    std::uint32_t r = 0;
    if (code & 1) r |= ~pen & ~dst;
    if (code & 2) r |= ~pen & dst;
    if (code & 4) r |= pen & ~dst;
    if (code & 8) r |= pen & dst;
    bool usesDest = ((code >> 1) & 0x5) != (code & 0x5);
    return (r & kRgb) | (usesDest ? (dst & kAlpha) : kAlpha);
}

void ApplyRop2Span(Dc* dc, int y, int x0, int x1, std::uint32_t penPixel) {
    if (x0 >= x1) return;
    int rop2 = dc->st.rop2;
    for (const RECT& c : EffectiveClip(dc)) {
        if (y < c.top || y >= c.bottom) continue;
        int a = std::max<int>(x0, c.left), b = std::min<int>(x1, c.right);
        if (a >= b) continue;
        std::uint32_t* row = Row(dc->surface, y);
        if (rop2 == R2_COPYPEN) {
            FillRun(row + a, static_cast<std::size_t>(b - a), penPixel);
        } else {
            for (int x = a; x < b; ++x) row[x] = Rop2(rop2, penPixel, row[x]);
        }
    }
}

Brush* ResolveBrush(HBRUSH brush) {
    auto v = reinterpret_cast<std::uintptr_t>(brush);
    if (v >= 1 && v <= 31) return static_cast<Brush*>(LookupAny(GetSysColorBrush(static_cast<int>(v) - 1)));
    return static_cast<Brush*>(Lookup(brush, Kind::Brush));
}

BrushSampler MakeSampler(const Dc* dc, const Brush* b) {
    BrushSampler s;
    if (!b || b->style == BS_NULL) {
        s.none = true;
        return s;
    }
    if (b->dcBrush) {
        s.color = ToPixel(dc->st.dcBrushColor);
        return s;
    }
    if (b->style == BS_SOLID || b->pattern.empty()) {
        s.color = ToPixel(b->color);
        return s;
    }
    s.solid = false;
    s.pat = b->pattern.data();
    s.w = b->patW;
    s.h = b->patH;
    s.ox = dc->origin.x + dc->st.brushOrg.x;
    s.oy = dc->origin.y + dc->st.brushOrg.y;
    s.mono = b->mono;
    s.monoColors[0] = ToPixel(dc->st.textColor);
    s.monoColors[1] = ToPixel(dc->st.bkColor);
    return s;
}

namespace {

// Fills i, a part of the surface inside the clip, from the sampler under a raster operation code.
void FillSurfaceArea(Dc* dc, const RECT& i, const BrushSampler& s, std::uint8_t code) {
    const int w = i.right - i.left;
    if ((code == 0xF0 && s.solid) || code == 0x00 || code == 0xFF) {
        // One colour for every pixel: decided once for the rectangle, not per row.
        const std::uint32_t colour = code == 0xF0 ? s.color : code == 0x00 ? kAlpha : 0xFFFFFFFFu;
        for (int y = i.top; y < i.bottom; ++y) FillRun(Row(dc->surface, y) + i.left, static_cast<std::size_t>(w), colour);
        return;
    }
    for (int y = i.top; y < i.bottom; ++y) {
        std::uint32_t* row = Row(dc->surface, y) + i.left;
        switch (code) {
        case 0xF0: // PATCOPY with a pattern
            for (int x = 0; x < w; ++x) row[x] = s.At(i.left + x, y);
            break;
        case 0x55: // DSTINVERT
            for (int x = 0; x < w; ++x) row[x] ^= kRgb;
            break;
        case 0x5A: // PATINVERT
            if (s.solid) {
                std::uint32_t m = s.color & kRgb;
                for (int x = 0; x < w; ++x) row[x] ^= m;
            } else {
                for (int x = 0; x < w; ++x) row[x] ^= s.At(i.left + x, y) & kRgb;
            }
            break;
        default:
            for (int x = 0; x < w; ++x) row[x] = Rop3Pixel(code, s.At(i.left + x, y), 0, row[x]);
            break;
        }
    }
}

} // namespace

void FillSurfaceRect(Dc* dc, RECT r, const BrushSampler& s, DWORD rop) {
    std::uint8_t code = RopCode(rop);
    if (UsesPattern(code) && s.none) return;
    for (const RECT& c : EffectiveClip(dc)) {
        RECT i = Intersect(c, r);
        if (!Empty(i)) FillSurfaceArea(dc, i, s, code);
    }
}

namespace {

// Where each destination column and row reads its source pixel (surface coordinates, -1 outside).
struct Mapping {
    RECT dst{};
    std::vector<int> xs, ys;
};

bool BuildMapping(Dc* d, int x, int y, int w, int h, Dc* s, int xs, int ys, int ws, int hs, Mapping& m) {
    if (w == 0 || h == 0 || ws == 0 || hs == 0) return false;
    bool mirrorX = (w < 0) != (ws < 0);
    bool mirrorY = (h < 0) != (hs < 0);
    Normalise(x, w);
    Normalise(y, h);
    Normalise(xs, ws);
    Normalise(ys, hs);
    if (w > 65536 || h > 65536) return false;
    POINT dorg = LogicalToSurface(d);
    POINT sorg = LogicalToSurface(s);
    m.dst = RECT{x + dorg.x, y + dorg.y, x + dorg.x + w, y + dorg.y + h};
    m.xs.resize(static_cast<std::size_t>(w));
    m.ys.resize(static_cast<std::size_t>(h));
    for (int i = 0; i < w; ++i) {
        int si = static_cast<int>(((2LL * i + 1) * ws) / (2LL * w));
        if (mirrorX) si = ws - 1 - si;
        int sx = sorg.x + xs + si;
        m.xs[static_cast<std::size_t>(i)] = (sx >= 0 && sx < s->surface.width) ? sx : -1;
    }
    for (int j = 0; j < h; ++j) {
        int sj = static_cast<int>(((2LL * j + 1) * hs) / (2LL * h));
        if (mirrorY) sj = hs - 1 - sj;
        int sy = sorg.y + ys + sj;
        m.ys[static_cast<std::size_t>(j)] = (sy >= 0 && sy < s->surface.height) ? sy : -1;
    }
    return true;
}

// A private copy of the source when it shares memory with the destination, so overlapping
// transfers read the pixels as they were before the call.
struct SourceView {
    detail::Surface surf{};
    std::vector<std::uint32_t> copy;
};

SourceView ViewSource(Dc* d, Dc* s) {
    SourceView v;
    v.surf = s->surface;
    if (s->surface.pixels && s->surface.pixels == d->surface.pixels) {
        v.copy.resize(static_cast<std::size_t>(s->surface.width) * s->surface.height);
        for (int y = 0; y < s->surface.height; ++y)
            std::memcpy(v.copy.data() + static_cast<std::size_t>(y) * s->surface.width, Row(s->surface, y),
                        static_cast<std::size_t>(s->surface.width) * 4);
        v.surf.pixels = v.copy.data();
        v.surf.stride = s->surface.width;
    }
    return v;
}

struct SourceConvert {
    bool monoToColor = false;
    bool colorToMono = false;
    std::uint32_t fg = 0, bg = 0, srcBk = 0;
    std::uint32_t operator()(std::uint32_t px) const {
        if (monoToColor) {
            unsigned lum = ((px >> 16) & 0xFF) + ((px >> 8) & 0xFF) + (px & 0xFF);
            return lum >= 384 ? bg : fg;
        }
        if (colorToMono) return ((px & kRgb) == (srcBk & kRgb)) ? 0xFFFFFFFFu : kAlpha;
        return px;
    }
};

SourceConvert MakeConvert(Dc* d, Dc* s) {
    SourceConvert c;
    c.monoToColor = IsMono(s) && !IsMono(d);
    c.colorToMono = !IsMono(s) && IsMono(d);
    c.fg = ToPixel(d->st.textColor);
    c.bg = ToPixel(d->st.bkColor);
    c.srcBk = ToPixel(s->st.bkColor);
    return c;
}

template <typename F>
void ForEachMapped(Dc* d, const Mapping& m, const detail::Surface& src, F&& fn) {
    for (const RECT& c : EffectiveClip(d)) {
        RECT r = Intersect(c, m.dst);
        if (Empty(r)) continue;
        for (int y = r.top; y < r.bottom; ++y) {
            int sy = m.ys[static_cast<std::size_t>(y - m.dst.top)];
            if (sy < 0) continue;
            const std::uint32_t* srow = Row(src, sy);
            std::uint32_t* drow = Row(d->surface, y);
            for (int x = r.left; x < r.right; ++x) {
                int sx = m.xs[static_cast<std::size_t>(x - m.dst.left)];
                if (sx < 0) continue;
                fn(drow[x], srow[sx], x, y);
            }
        }
    }
}

bool Blit(Dc* d, int x, int y, int w, int h, Dc* s, int xs, int ys, int ws, int hs, DWORD rop) {
    std::uint8_t code = RopCode(rop);
    BrushSampler pat = MakeSampler(d, d->st.brush);
    if (UsesPattern(code) && pat.none) return true;
    SourceView src = ViewSource(d, s);
    SourceConvert conv = MakeConvert(d, s);
    bool plain = !conv.monoToColor && !conv.colorToMono;

    // Same-size copies are row copies: the common case of double buffering.
    if (code == 0xCC && plain && w == ws && h == hs && w > 0 && h > 0) {
        POINT dorg = LogicalToSurface(d);
        POINT sorg = LogicalToSurface(s);
        int dx = sorg.x + xs - (x + dorg.x);
        int dy = sorg.y + ys - (y + dorg.y);
        RECT dst{x + dorg.x, y + dorg.y, x + dorg.x + w, y + dorg.y + h};
        RECT srcBounds = Offset(RECT{0, 0, s->surface.width, s->surface.height}, -dx, -dy);
        dst = Intersect(dst, srcBounds);
        if (Empty(dst)) return true;
        for (const RECT& c : EffectiveClip(d)) {
            RECT r = Intersect(c, dst);
            if (Empty(r)) continue;
            std::size_t bytes = static_cast<std::size_t>(r.right - r.left) * 4;
            for (int yy = r.top; yy < r.bottom; ++yy) {
                std::uint32_t* to = Row(d->surface, yy) + r.left;
                const std::uint32_t* from = Row(src.surf, yy + dy) + r.left + dx;
                if (d->opaque) {
                    CopyOpaque(to, from, r.right - r.left);
                } else {
                    std::memcpy(to, from, bytes);
                }
            }
        }
        return true;
    }

    Mapping m;
    if (!BuildMapping(d, x, y, w, h, s, xs, ys, ws, hs, m)) return false;
    const std::uint32_t forceAlpha = d->opaque ? kAlpha : 0;
    ForEachMapped(d, m, src.surf, [&](std::uint32_t& dp, std::uint32_t sp, int px, int py) {
        std::uint32_t sv = conv(sp);
        dp = Rop3Pixel(code, pat.At(px, py), sv, dp) | forceAlpha;
    });
    return true;
}

} // namespace

} // namespace win::gfx

namespace win {

using namespace gfx;

BOOL PatBlt(HDC hdc, int x, int y, int w, int h, DWORD rop) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (UsesSource(static_cast<std::uint8_t>((rop >> 16) & 0xFF))) return FALSE;
    POINT o = LogicalToSurface(dc);
    RECT r = Offset(NormalisedRect(x, y, w, h), o.x, o.y);
    FillSurfaceRect(dc, r, MakeSampler(dc, dc->st.brush), rop);
    return TRUE;
}

BOOL PolyPatBlt(HDC hdc, DWORD rop, const POLYPATBLT* list, DWORD count, ULONG) {
    Dc* dc = GetDc(hdc);
    const std::uint8_t code = RopCode(rop);
    if (!dc || (count > 0 && !list) || UsesSource(code)) return FALSE;
    // One look-up of the context and its clip for all entries, and of a brush for a run of entries.
    const std::vector<RECT>& clip = EffectiveClip(dc);
    const POINT o = LogicalToSurface(dc);
    HBRUSH last = nullptr;
    const Brush* brush = nullptr;
    BrushSampler sampler;
    BOOL ok = TRUE;
    for (DWORD k = 0; k < count; ++k) {
        const POLYPATBLT& p = list[k];
        if (k == 0 || p.hBrush != last) {
            last = p.hBrush;
            brush = p.hBrush ? ResolveBrush(p.hBrush) : dc->st.brush;
            if (brush) sampler = MakeSampler(dc, brush);
        }
        if (!brush) {
            ok = FALSE;
            continue;
        }
        if (UsesPattern(code) && sampler.none) continue;
        const RECT r = Offset(NormalisedRect(p.nXLeft, p.nYLeft, p.nWidth, p.nHeight), o.x, o.y);
        for (const RECT& c : clip) {
            const RECT i = Intersect(c, r);
            if (!Empty(i)) FillSurfaceArea(dc, i, sampler, code);
        }
    }
    return ok;
}

int FillRect(HDC hdc, const RECT* rc, HBRUSH brush) {
    Dc* dc = GetDc(hdc);
    Brush* b = ResolveBrush(brush);
    if (!dc || !rc || !b) return 0;
    POINT o = LogicalToSurface(dc);
    FillSurfaceRect(dc, Offset(*rc, o.x, o.y), MakeSampler(dc, b), PATCOPY);
    return 1;
}

int FrameRect(HDC hdc, const RECT* rc, HBRUSH brush) {
    Dc* dc = GetDc(hdc);
    Brush* b = ResolveBrush(brush);
    if (!dc || !rc || !b) return 0;
    if (Empty(*rc)) return 1;
    POINT o = LogicalToSurface(dc);
    RECT r = Offset(*rc, o.x, o.y);
    BrushSampler s = MakeSampler(dc, b);
    FillSurfaceRect(dc, RECT{r.left, r.top, r.right, r.top + 1}, s, PATCOPY);
    FillSurfaceRect(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, s, PATCOPY);
    FillSurfaceRect(dc, RECT{r.left, r.top + 1, r.left + 1, r.bottom - 1}, s, PATCOPY);
    FillSurfaceRect(dc, RECT{r.right - 1, r.top + 1, r.right, r.bottom - 1}, s, PATCOPY);
    return 1;
}

BOOL InvertRect(HDC hdc, const RECT* rc) {
    Dc* dc = GetDc(hdc);
    if (!dc || !rc) return FALSE;
    POINT o = LogicalToSurface(dc);
    FillSurfaceRect(dc, Offset(*rc, o.x, o.y), BrushSampler{}, DSTINVERT);
    return TRUE;
}

BOOL DrawFocusRect(HDC hdc, const RECT* rc) {
    Dc* dc = GetDc(hdc);
    if (!dc || !rc) return FALSE;
    if (Empty(*rc)) return TRUE;
    POINT o = LogicalToSurface(dc);
    RECT r = Offset(*rc, o.x, o.y);
    // Every other pixel of the border, in a checker phase fixed to the surface, inverted.
    auto invertIf = [&](int x, int y) {
        if (((x + y) & 1) != 0) return;
        for (const RECT& c : EffectiveClip(dc))
            if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
                dc->surface.pixels[static_cast<std::ptrdiff_t>(y) * dc->surface.stride + x] ^= 0x00FFFFFFu;
                break;
            }
    };
    for (int x = r.left; x < r.right; ++x) {
        invertIf(x, r.top);
        if (r.bottom - 1 > r.top) invertIf(x, r.bottom - 1);
    }
    for (int y = r.top + 1; y < r.bottom - 1; ++y) {
        invertIf(r.left, y);
        if (r.right - 1 > r.left) invertIf(r.right - 1, y);
    }
    return TRUE;
}

COLORREF SetPixel(HDC hdc, int x, int y, COLORREF color) {
    Dc* dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    POINT o = LogicalToSurface(dc);
    int sx = x + o.x, sy = y + o.y;
    for (const RECT& c : EffectiveClip(dc))
        if (sx >= c.left && sx < c.right && sy >= c.top && sy < c.bottom) {
            dc->surface.pixels[static_cast<std::ptrdiff_t>(sy) * dc->surface.stride + sx] = ToPixel(color);
            return color & 0xFFFFFF;
        }
    return CLR_INVALID;
}

COLORREF GetPixel(HDC hdc, int x, int y) {
    Dc* dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    POINT o = LogicalToSurface(dc);
    int sx = x + o.x, sy = y + o.y;
    for (const RECT& c : EffectiveClip(dc))
        if (sx >= c.left && sx < c.right && sy >= c.top && sy < c.bottom)
            return ToColorRef(dc->surface.pixels[static_cast<std::ptrdiff_t>(sy) * dc->surface.stride + sx]);
    return CLR_INVALID;
}

BOOL BitBlt(HDC dest, int x, int y, int w, int h, HDC src, int xs, int ys, DWORD rop) {
    Dc* d = GetDc(dest);
    if (!d) return FALSE;
    if (!UsesSource(static_cast<std::uint8_t>((rop >> 16) & 0xFF))) return PatBlt(dest, x, y, w, h, rop);
    Dc* s = GetDc(src);
    if (!s) return FALSE;
    if (w < 0 || h < 0) return FALSE;
    if (w == 0 || h == 0) return TRUE;
    return Blit(d, x, y, w, h, s, xs, ys, w, h, rop) ? TRUE : FALSE;
}

BOOL AlphaBlend(HDC dest, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs,
                BLENDFUNCTION bf) {
    Dc* d = GetDc(dest);
    Dc* s = GetDc(src);
    if (!d || !s || bf.BlendOp != AC_SRC_OVER) return FALSE;
    if (w < 0 || h < 0 || ws < 0 || hs < 0) return FALSE;
    if (w == 0 || h == 0 || ws == 0 || hs == 0) return TRUE;
    // The source rectangle must lie inside the source surface.
    POINT sorg = LogicalToSurface(s);
    if (xs + sorg.x < 0 || ys + sorg.y < 0 || xs + sorg.x + ws > s->surface.width ||
        ys + sorg.y + hs > s->surface.height)
        return FALSE;
    SourceView sv = ViewSource(d, s);
    Mapping m;
    if (!BuildMapping(d, x, y, w, h, s, xs, ys, ws, hs, m)) return FALSE;
    const unsigned sca = bf.SourceConstantAlpha;
    const bool perPixel = (bf.AlphaFormat & AC_SRC_ALPHA) != 0;
    ForEachMapped(d, m, sv.surf, [&](std::uint32_t& dp, std::uint32_t sp, int, int) {
        unsigned sa = perPixel ? (sp >> 24) : 255u;
        unsigned ch[4];
        for (int k = 0; k < 4; ++k) {
            unsigned sc = (k == 3) ? sa : ((sp >> (8 * k)) & 0xFF);
            ch[k] = Div255(sc * sca);
        }
        unsigned a = ch[3];
        std::uint32_t out = 0;
        for (int k = 0; k < 4; ++k) {
            unsigned dc = (dp >> (8 * k)) & 0xFF;
            unsigned v = ch[k] + Div255(dc * (255u - a));
            if (v > 255) v = 255;
            out |= v << (8 * k);
        }
        dp = out;
    });
    return TRUE;
}

BOOL TransparentBlt(HDC dest, int x, int y, int w, int h, HDC src, int xs, int ys, int ws, int hs,
                    UINT transparent) {
    Dc* d = GetDc(dest);
    Dc* s = GetDc(src);
    if (!d || !s) return FALSE;
    if (w < 0 || h < 0 || ws < 0 || hs < 0) return FALSE;
    if (w == 0 || h == 0 || ws == 0 || hs == 0) return TRUE;
    SourceView sv = ViewSource(d, s);
    SourceConvert conv = MakeConvert(d, s);
    Mapping m;
    if (!BuildMapping(d, x, y, w, h, s, xs, ys, ws, hs, m)) return FALSE;
    std::uint32_t key = ToPixel(transparent) & kRgb;
    ForEachMapped(d, m, sv.surf, [&](std::uint32_t& dp, std::uint32_t sp, int, int) {
        if ((sp & kRgb) == key) return;
        dp = conv(sp) | kAlpha;
    });
    return TRUE;
}

} // namespace win
