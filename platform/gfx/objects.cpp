// Drawing objects: the handle registry, stock objects, pens, brushes, bitmaps, fonts and their queries.
#include "gdi_objects.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <unordered_set>

namespace win::gfx {

namespace {

std::unordered_set<const void*>& Live() {
    static auto* live = new std::unordered_set<const void*>();
    return *live;
}

} // namespace

void Register(Object* o) { Live().insert(o); }
void Unregister(Object* o) { Live().erase(o); }

Object* LookupAny(const void* handle) {
    if (!handle) return nullptr;
    auto& live = Live();
    if (live.find(handle) == live.end()) return nullptr;
    return static_cast<Object*>(const_cast<void*>(handle));
}

Object* Lookup(const void* handle, Kind kind) {
    Object* o = LookupAny(handle);
    return (o && o->kind == kind) ? o : nullptr;
}

Bitmap::~Bitmap() { std::free(memory); }

Bitmap* NewBitmap(int width, int height, int bpp, bool dib, bool topDown) {
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768) return nullptr;
    std::size_t count = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    auto* mem = static_cast<std::uint32_t*>(std::calloc(count, sizeof(std::uint32_t)));
    if (!mem) return nullptr;
    auto* b = new (std::nothrow) Bitmap();
    if (!b) {
        std::free(mem);
        return nullptr;
    }
    b->width = width;
    b->height = height;
    b->bpp = bpp;
    b->dib = dib;
    b->topDown = topDown;
    b->memory = mem;
    b->surface.width = width;
    b->surface.height = height;
    if (topDown) {
        b->surface.pixels = mem;
        b->surface.stride = width;
    } else {
        b->surface.pixels = mem + static_cast<std::size_t>(height - 1) * width;
        b->surface.stride = -width;
    }
    Register(b);
    return b;
}

Bitmap* DefaultMonoBitmap() {
    static Bitmap* b = [] {
        Bitmap* m = NewBitmap(1, 1, 1, false, true);
        m->stock = true;
        m->memory[0] = 0xFF000000u;
        return m;
    }();
    return b;
}

namespace {

Pen* MakeStockPen(UINT style, COLORREF c, bool dc = false) {
    auto* p = new Pen();
    p->style = style;
    p->color = c;
    p->stock = true;
    p->dcPen = dc;
    Register(p);
    return p;
}

Brush* MakeStockBrush(UINT style, COLORREF c, bool dc = false) {
    auto* b = new Brush();
    b->style = style;
    b->color = c;
    b->stock = true;
    b->dcBrush = dc;
    Register(b);
    return b;
}

Font* MakeStockFont(const char* face, int height, LONG weight) {
    auto* f = new Font();
    f->lf.lfHeight = height;
    f->lf.lfWeight = weight;
    f->lf.lfCharSet = DEFAULT_CHARSET;
    std::strncpy(f->lf.lfFaceName, face, LF_FACESIZE - 1);
    f->stock = true;
    Register(f);
    return f;
}

} // namespace

} // namespace win::gfx

namespace win {

using namespace gfx;

HGDIOBJ GetStockObject(int index) {
    static Object* stock[20] = {};
    static bool made = false;
    if (!made) {
        made = true;
        stock[WHITE_BRUSH] = MakeStockBrush(BS_SOLID, RGB(255, 255, 255));
        stock[LTGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(192, 192, 192));
        stock[GRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(128, 128, 128));
        stock[DKGRAY_BRUSH] = MakeStockBrush(BS_SOLID, RGB(64, 64, 64));
        stock[BLACK_BRUSH] = MakeStockBrush(BS_SOLID, RGB(0, 0, 0));
        stock[NULL_BRUSH] = MakeStockBrush(BS_NULL, 0);
        stock[WHITE_PEN] = MakeStockPen(PS_SOLID, RGB(255, 255, 255));
        stock[BLACK_PEN] = MakeStockPen(PS_SOLID, RGB(0, 0, 0));
        stock[NULL_PEN] = MakeStockPen(PS_NULL, 0);
        stock[OEM_FIXED_FONT] = MakeStockFont("DejaVu Sans Mono", -12, FW_NORMAL);
        stock[ANSI_FIXED_FONT] = MakeStockFont("DejaVu Sans Mono", -12, FW_NORMAL);
        stock[ANSI_VAR_FONT] = MakeStockFont("MS Shell Dlg", -11, FW_NORMAL);
        stock[SYSTEM_FONT] = MakeStockFont("MS Shell Dlg", -12, FW_BOLD);
        stock[DEVICE_DEFAULT_FONT] = MakeStockFont("MS Shell Dlg", -12, FW_NORMAL);
        stock[SYSTEM_FIXED_FONT] = MakeStockFont("DejaVu Sans Mono", -12, FW_NORMAL);
        stock[DEFAULT_GUI_FONT] = MakeStockFont("MS Shell Dlg", -11, FW_NORMAL);
        stock[DC_BRUSH] = MakeStockBrush(BS_SOLID, RGB(255, 255, 255), true);
        stock[DC_PEN] = MakeStockPen(PS_SOLID, 0, true);
    }
    if (index < 0 || index >= 20) return nullptr;
    return stock[index];
}

DWORD GetObjectType(HGDIOBJ obj) {
    Object* o = LookupAny(obj);
    if (!o) return 0;
    switch (o->kind) {
    case Kind::Pen: return OBJ_PEN;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Font: return OBJ_FONT;
    case Kind::Dc: return static_cast<Dc*>(o)->memory ? OBJ_MEMDC : OBJ_DC;
    }
    return 0;
}

BOOL DeleteObject(HGDIOBJ obj) {
    Object* o = LookupAny(obj);
    if (!o || o->kind == Kind::Dc) return FALSE;
    if (o->stock) return TRUE; // stock objects are never freed
    if (o->selections > 0) return FALSE;
    Unregister(o);
    delete o;
    return TRUE;
}

int GetObject(HGDIOBJ obj, int size, LPVOID out) {
    Object* o = LookupAny(obj);
    if (!o) return 0;
    switch (o->kind) {
    case Kind::Pen: {
        auto* p = static_cast<Pen*>(o);
        if (!out) return sizeof(LOGPEN);
        if (size < static_cast<int>(sizeof(LOGPEN))) return 0;
        LOGPEN lp{p->style, POINT{p->width, 0}, p->color};
        std::memcpy(out, &lp, sizeof lp);
        return sizeof lp;
    }
    case Kind::Brush: {
        auto* b = static_cast<Brush*>(o);
        if (!out) return sizeof(LOGBRUSH);
        if (size < static_cast<int>(sizeof(LOGBRUSH))) return 0;
        LOGBRUSH lb{b->style, b->color, reinterpret_cast<ULONG_PTR>(b->sourceBitmap)};
        std::memcpy(out, &lb, sizeof lb);
        return sizeof lb;
    }
    case Kind::Font: {
        auto* f = static_cast<Font*>(o);
        if (!out) return sizeof(LOGFONT);
        int n = std::min<int>(size, sizeof(LOGFONT));
        if (n <= 0) return 0;
        std::memcpy(out, &f->lf, n);
        return n;
    }
    case Kind::Bitmap: {
        auto* b = static_cast<Bitmap*>(o);
        BITMAP bm{};
        bm.bmType = 0;
        bm.bmWidth = b->width;
        bm.bmHeight = b->height;
        bm.bmPlanes = 1;
        bm.bmBitsPixel = static_cast<WORD>(b->bpp);
        bm.bmWidthBytes = b->bpp == 1 ? ((b->width + 15) / 16) * 2 : b->width * 4;
        bm.bmBits = b->dib ? b->memory : nullptr;
        if (!out) return b->dib ? sizeof(DIBSECTION) : sizeof(BITMAP);
        if (b->dib && size >= static_cast<int>(sizeof(DIBSECTION))) {
            DIBSECTION ds{};
            ds.dsBm = bm;
            ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
            ds.dsBmih.biWidth = b->width;
            ds.dsBmih.biHeight = b->topDown ? -b->height : b->height;
            ds.dsBmih.biPlanes = 1;
            ds.dsBmih.biBitCount = 32;
            ds.dsBmih.biCompression = BI_RGB;
            ds.dsBmih.biSizeImage = static_cast<DWORD>(b->width * b->height * 4);
            std::memcpy(out, &ds, sizeof ds);
            return sizeof ds;
        }
        if (size < static_cast<int>(sizeof(BITMAP))) return 0;
        std::memcpy(out, &bm, sizeof bm);
        return sizeof bm;
    }
    case Kind::Dc: return 0;
    }
    return 0;
}

HPEN CreatePen(int style, int width, COLORREF color) {
    UINT s = static_cast<UINT>(style) & PS_STYLE_MASK;
    if (s > PS_ALTERNATE || s == 7) return nullptr;
    auto* p = new Pen();
    p->style = s;
    p->width = width < 1 ? 1 : width;
    // Styled lines exist only one pixel wide; wider ones are solid.
    if (p->width > 1 && s != PS_NULL) p->style = PS_SOLID;
    if (s == PS_INSIDEFRAME) p->style = PS_SOLID;
    p->color = color & 0xFFFFFF;
    Register(p);
    return reinterpret_cast<HPEN>(p);
}

HPEN CreatePenIndirect(const LOGPEN* lp) {
    if (!lp) return nullptr;
    return CreatePen(static_cast<int>(lp->lopnStyle), lp->lopnWidth.x, lp->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF color) {
    auto* b = new Brush();
    b->style = BS_SOLID;
    b->color = color & 0xFFFFFF;
    Register(b);
    return reinterpret_cast<HBRUSH>(b);
}

HBRUSH CreatePatternBrush(HBITMAP bitmap) {
    auto* bm = static_cast<Bitmap*>(Lookup(bitmap, Kind::Bitmap));
    if (!bm) return nullptr;
    auto* b = new Brush();
    b->style = BS_PATTERN;
    b->mono = bm->bpp == 1;
    b->patW = bm->width;
    b->patH = bm->height;
    b->sourceBitmap = bitmap;
    b->pattern.resize(static_cast<std::size_t>(bm->width) * bm->height);
    for (int y = 0; y < bm->height; ++y) {
        const std::uint32_t* row = bm->surface.pixels + static_cast<std::ptrdiff_t>(y) * bm->surface.stride;
        for (int x = 0; x < bm->width; ++x) {
            std::uint32_t v = row[x];
            if (b->mono) {
                unsigned lum = ((v >> 16) & 0xFF) + ((v >> 8) & 0xFF) + (v & 0xFF);
                v = lum >= 384 ? 1u : 0u;
            }
            b->pattern[static_cast<std::size_t>(y) * bm->width + x] = v;
        }
    }
    Register(b);
    return reinterpret_cast<HBRUSH>(b);
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* lb) {
    if (!lb) return nullptr;
    switch (lb->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(lb->lbColor);
    case BS_NULL: {
        auto* b = new Brush();
        b->style = BS_NULL;
        Register(b);
        return reinterpret_cast<HBRUSH>(b);
    }
    case BS_PATTERN: return CreatePatternBrush(reinterpret_cast<HBITMAP>(lb->lbHatch));
    default: return nullptr;
    }
}

HFONT CreateFontIndirect(const LOGFONT* lf) {
    if (!lf) return nullptr;
    auto* f = new Font();
    f->lf = *lf;
    f->lf.lfFaceName[LF_FACESIZE - 1] = '\0';
    Register(f);
    return reinterpret_cast<HFONT>(f);
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, LPCSTR faceName) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic != 0);
    lf.lfUnderline = static_cast<BYTE>(underline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName) std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int width, int height) {
    Dc* dc = GetDc(hdc);
    if (!dc) return nullptr;
    // A memory DC that still holds its monochrome default makes monochrome bitmaps, as classic.
    bool mono = dc->memory && dc->st.bitmap && dc->st.bitmap->bpp == 1;
    Bitmap* b = NewBitmap(width, height, mono ? 1 : 32, false, true);
    if (!b) return nullptr;
    std::fill_n(b->memory, static_cast<std::size_t>(width) * height, 0xFF000000u);
    return reinterpret_cast<HBITMAP>(b);
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, LPCVOID bits) {
    if (planes != 1 || (bitsPerPixel != 1 && bitsPerPixel != 32)) return nullptr;
    Bitmap* b = NewBitmap(width, height, static_cast<int>(bitsPerPixel), false, true);
    if (!b) return nullptr;
    std::size_t count = static_cast<std::size_t>(width) * height;
    if (bitsPerPixel == 32) {
        if (bits) std::memcpy(b->memory, bits, count * 4);
    } else {
        const auto* src = static_cast<const BYTE*>(bits);
        int rowBytes = ((width + 15) / 16) * 2;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                bool white = src && (src[y * rowBytes + x / 8] & (0x80 >> (x % 8)));
                b->memory[static_cast<std::size_t>(y) * width + x] = white ? 0xFFFFFFFFu : 0xFF000000u;
            }
        }
    }
    return reinterpret_cast<HBITMAP>(b);
}

HBITMAP CreateDIBSection(HDC, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section, DWORD) {
    if (bits) *bits = nullptr;
    if (!bmi || usage != DIB_RGB_COLORS || section) return nullptr;
    const BITMAPINFOHEADER& h = bmi->bmiHeader;
    if (h.biBitCount != 32 || (h.biCompression != BI_RGB && h.biCompression != BI_BITFIELDS) || h.biPlanes != 1)
        return nullptr;
    if (h.biHeight == INT32_MIN) return nullptr;
    bool topDown = h.biHeight < 0;
    int height = topDown ? -h.biHeight : h.biHeight;
    Bitmap* b = NewBitmap(h.biWidth, height, 32, true, topDown);
    if (!b) return nullptr;
    if (bits) *bits = b->memory;
    return reinterpret_cast<HBITMAP>(b);
}

LONG GetBitmapBits(HBITMAP bitmap, LONG bytes, LPVOID out) {
    auto* b = static_cast<Bitmap*>(Lookup(bitmap, Kind::Bitmap));
    if (!b || !out || bytes <= 0) return 0;
    LONG rowBytes = b->width * 4;
    LONG rows = std::min<LONG>(b->height, bytes / rowBytes);
    for (LONG y = 0; y < rows; ++y)
        std::memcpy(static_cast<BYTE*>(out) + static_cast<std::size_t>(y) * rowBytes,
                    b->surface.pixels + static_cast<std::ptrdiff_t>(y) * b->surface.stride, rowBytes);
    return rows * rowBytes;
}

} // namespace win
