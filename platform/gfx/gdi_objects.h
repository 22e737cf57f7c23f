// Internal representation of the drawing objects: pens, brushes, bitmaps, fonts, regions and device contexts.
#pragma once

#include "win/detail/surface.h"
#include "win/gdi.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace win::gfx {

enum class Kind : std::uint32_t { Pen = 1, Brush, Bitmap, Font, Dc };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;
    int selections = 0; // number of DCs this object is selected into
};

// Every live object is registered so that a stale or foreign handle is recognised and refused.
void Register(Object* o);
void Unregister(Object* o);
Object* Lookup(const void* handle, Kind kind);
Object* LookupAny(const void* handle);

struct Pen : Object {
    Pen() : Object(Kind::Pen) {}
    UINT style = PS_SOLID;
    int width = 1;
    COLORREF color = 0;
    bool dcPen = false; // DC_PEN stock pen: colour comes from the DC
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    UINT style = BS_SOLID;
    COLORREF color = 0;
    bool dcBrush = false;
    bool mono = false; // monochrome pattern: 0 bits take the text colour, 1 bits the back colour
    int patW = 0, patH = 0;
    std::vector<std::uint32_t> pattern; // 0xAARRGGBB, or 0/1 for monochrome
    HBITMAP sourceBitmap = nullptr;     // reported by GetObject
};

struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    int width = 0, height = 0;
    int bpp = 32; // 1 (stored one value 0/1 per pixel) or 32
    bool dib = false;
    bool topDown = true;
    std::uint32_t* memory = nullptr; // owned allocation, first row in memory order
    detail::Surface surface{};       // row 0 is the top row whatever the memory order
    ~Bitmap() override;
};

struct FontInstance; // text engine, text.cpp

struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONT lf{};
    FontInstance* instance = nullptr; // shared, owned by the text engine
};

struct DcState {
    Pen* pen = nullptr;
    Brush* brush = nullptr;
    Font* font = nullptr;
    Bitmap* bitmap = nullptr;
    COLORREF textColor = 0;
    COLORREF bkColor = 0xFFFFFF;
    COLORREF dcBrushColor = 0xFFFFFF;
    COLORREF dcPenColor = 0;
    int bkMode = OPAQUE;
    int rop2 = R2_COPYPEN;
    UINT textAlign = TA_LEFT | TA_TOP;
    POINT brushOrg{0, 0};
    POINT current{0, 0};
    POINT viewportOrg{0, 0};
    bool hasClip = false;
    std::vector<RECT> clip; // application clip in device coordinates (relative to the DC origin)
};

struct Dc : Object {
    Dc() : Object(Kind::Dc) {}
    HWND hwnd = nullptr;
    bool memory = false;
    bool opaque = false;         // a window framebuffer: its pixels stay opaque whatever is copied in
    detail::Surface surface{};
    POINT origin{0, 0};          // device (0,0) in surface coordinates
    std::vector<RECT> baseClip;  // surface coordinates
    DcState st;
    std::vector<DcState> saved;
    int dashPhase = 0;           // position inside the dash pattern of styled pens
    // Effective clip in surface coordinates, recomputed when dirty.
    std::vector<RECT> effClip;
    bool clipDirty = true;
};

Dc* GetDc(HDC hdc);
const std::vector<RECT>& EffectiveClip(Dc* dc);
void MarkClipDirty(Dc* dc);
void SelectInitial(Dc* dc); // stock pen, brush, font

Bitmap* NewBitmap(int width, int height, int bpp, bool dib, bool topDown);
Bitmap* DefaultMonoBitmap();

// Colour helpers
inline std::uint32_t ToPixel(COLORREF c) {
    return 0xFF000000u | (static_cast<std::uint32_t>(GetRValue(c)) << 16) |
           (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
}
inline COLORREF ToColorRef(std::uint32_t px) {
    return RGB(static_cast<BYTE>(px >> 16), static_cast<BYTE>(px >> 8), static_cast<BYTE>(px));
}

// Rectangle helpers
inline bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
inline RECT Intersect(const RECT& a, const RECT& b) {
    RECT r{a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
           a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return r;
}
inline RECT Offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// Arithmetic on disjoint rectangle lists (clip areas)
std::vector<RECT> RgnIntersect(const std::vector<RECT>& a, const std::vector<RECT>& b);
std::vector<RECT> RgnSubtract(const std::vector<RECT>& a, const std::vector<RECT>& b);
std::vector<RECT> RgnUnion(const std::vector<RECT>& a, const std::vector<RECT>& b);
RECT RgnBox(const std::vector<RECT>& rs);

// Device offset of logical coordinates: logical + this = surface coordinates.
inline POINT LogicalToSurface(const Dc* dc) {
    return POINT{dc->origin.x + dc->st.viewportOrg.x, dc->origin.y + dc->st.viewportOrg.y};
}

// Brush sampling: the colour of brush b at surface pixel (x, y) of dc.
struct BrushSampler {
    bool solid = true;
    bool none = false;
    std::uint32_t color = 0;
    const std::uint32_t* pat = nullptr;
    int w = 1, h = 1;
    int ox = 0, oy = 0; // surface coordinates of the pattern origin
    std::uint32_t monoColors[2] = {0, 0};
    bool mono = false;
    std::uint32_t At(int x, int y) const {
        if (solid) return color;
        int px = (x - ox) % w;
        int py = (y - oy) % h;
        if (px < 0) px += w;
        if (py < 0) py += h;
        std::uint32_t v = pat[py * w + px];
        return mono ? monoColors[v & 1] : v;
    }
};
BrushSampler MakeSampler(const Dc* dc, const Brush* b);
Brush* ResolveBrush(HBRUSH brush); // handles (HBRUSH)(COLOR_x + 1)

// Internal raster entry points shared between files
void FillSurfaceRect(Dc* dc, RECT surfaceRect, const BrushSampler& s, DWORD rop);
void ApplyRop2Span(Dc* dc, int y, int x0, int x1, std::uint32_t penPixel); // clipped
std::uint32_t Rop2(int rop2, std::uint32_t pen, std::uint32_t dst);

} // namespace win::gfx
