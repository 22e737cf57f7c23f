// Device contexts: creation on surfaces and bitmaps, object selection, saved states, attributes and clipping.
#include "gdi_objects.h"

#include <algorithm>

namespace win::gfx {

namespace {

constexpr LONG kHuge = 0x3FFFFFFF;

std::vector<RECT> SurfaceBounds(const detail::Surface& s) {
    if (!s.pixels || s.width <= 0 || s.height <= 0) return {};
    return {RECT{0, 0, s.width, s.height}};
}

void Retain(Object* o) {
    if (o) ++o->selections;
}
void Release(Object* o) {
    if (o && o->selections > 0) --o->selections;
}

void RetainState(DcState& st) {
    Retain(st.pen);
    Retain(st.brush);
    Retain(st.font);
    Retain(st.bitmap);
}
void ReleaseState(DcState& st) {
    Release(st.pen);
    Release(st.brush);
    Release(st.font);
    Release(st.bitmap);
}

void AttachBitmap(Dc* dc, Bitmap* b) {
    dc->surface = b->surface;
    dc->baseClip = SurfaceBounds(dc->surface);
    MarkClipDirty(dc);
}

} // namespace

Dc* GetDc(HDC hdc) { return static_cast<Dc*>(Lookup(hdc, Kind::Dc)); }

void MarkClipDirty(Dc* dc) { dc->clipDirty = true; }

const std::vector<RECT>& EffectiveClip(Dc* dc) {
    if (dc->clipDirty) {
        if (dc->st.hasClip) {
            std::vector<RECT> app;
            app.reserve(dc->st.clip.size());
            for (const RECT& r : dc->st.clip) app.push_back(Offset(r, dc->origin.x, dc->origin.y));
            dc->effClip = RgnIntersect(dc->baseClip, app);
        } else {
            dc->effClip = dc->baseClip;
        }
        dc->clipDirty = false;
    }
    return dc->effClip;
}

void SelectInitial(Dc* dc) {
    dc->st.pen = static_cast<Pen*>(LookupAny(GetStockObject(BLACK_PEN)));
    dc->st.brush = static_cast<Brush*>(LookupAny(GetStockObject(WHITE_BRUSH)));
    dc->st.font = static_cast<Font*>(LookupAny(GetStockObject(DEFAULT_GUI_FONT)));
    RetainState(dc->st);
}

} // namespace win::gfx

namespace win::detail {

using namespace gfx;

HDC CreateSurfaceDC(HWND hwnd, const Surface& s, POINT origin, const RECT* clip, int clipCount) {
    auto* dc = new Dc();
    dc->hwnd = hwnd;
    dc->opaque = true;
    dc->surface = s;
    dc->origin = origin;
    std::vector<RECT> bounds = SurfaceBounds(s);
    if (!clip) {
        dc->baseClip = bounds;
    } else {
        std::vector<RECT> u;
        for (int i = 0; i < clipCount; ++i)
            if (!Empty(clip[i])) u = RgnUnion(u, {clip[i]});
        dc->baseClip = RgnIntersect(u, bounds);
    }
    SelectInitial(dc);
    Register(dc);
    return reinterpret_cast<HDC>(dc);
}

void DestroySurfaceDC(HDC hdc) {
    Dc* dc = GetDc(hdc);
    if (!dc || dc->memory) return;
    ReleaseState(dc->st);
    for (DcState& s : dc->saved) ReleaseState(s);
    Unregister(dc);
    delete dc;
}

HWND WindowFromSurfaceDC(HDC hdc) {
    Dc* dc = GetDc(hdc);
    return dc ? dc->hwnd : nullptr;
}

} // namespace win::detail

namespace win {

using namespace gfx;

HDC CreateCompatibleDC(HDC hdc) {
    if (hdc && !GetDc(hdc)) return nullptr;
    auto* dc = new Dc();
    dc->memory = true;
    SelectInitial(dc);
    Bitmap* mono = DefaultMonoBitmap();
    dc->st.bitmap = mono;
    Retain(mono);
    AttachBitmap(dc, mono);
    Register(dc);
    return reinterpret_cast<HDC>(dc);
}

BOOL DeleteDC(HDC hdc) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (!dc->memory) {
        detail::DestroySurfaceDC(hdc);
        return TRUE;
    }
    ReleaseState(dc->st);
    for (DcState& s : dc->saved) ReleaseState(s);
    Unregister(dc);
    delete dc;
    return TRUE;
}

HWND WindowFromDC(HDC hdc) { return detail::WindowFromSurfaceDC(hdc); }

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ obj) {
    Dc* dc = GetDc(hdc);
    Object* o = LookupAny(obj);
    if (!dc || !o) return nullptr;
    DcState& st = dc->st;
    switch (o->kind) {
    case Kind::Pen: {
        Pen* old = st.pen;
        st.pen = static_cast<Pen*>(o);
        Retain(st.pen);
        Release(old);
        return old;
    }
    case Kind::Brush: {
        Brush* old = st.brush;
        st.brush = static_cast<Brush*>(o);
        Retain(st.brush);
        Release(old);
        return old;
    }
    case Kind::Font: {
        Font* old = st.font;
        st.font = static_cast<Font*>(o);
        Retain(st.font);
        Release(old);
        return old;
    }
    case Kind::Bitmap: {
        auto* b = static_cast<Bitmap*>(o);
        if (!dc->memory) return nullptr;
        if (b == st.bitmap) return b;
        // A bitmap lives in one DC at a time (the shared monochrome default excepted).
        bool elsewhere = b->selections > 0 && !b->stock;
        if (elsewhere) {
            bool onlyHere = false;
            int here = 0;
            for (const DcState& s : dc->saved) here += s.bitmap == b;
            onlyHere = here == b->selections;
            if (!onlyHere) return nullptr;
        }
        Bitmap* old = st.bitmap;
        st.bitmap = b;
        Retain(b);
        Release(old);
        AttachBitmap(dc, b);
        return old;
    }
    case Kind::Dc: return nullptr;
    }
    return nullptr;
}

HGDIOBJ GetCurrentObject(HDC hdc, UINT type) {
    Dc* dc = GetDc(hdc);
    if (!dc) return nullptr;
    switch (type) {
    case OBJ_PEN: return dc->st.pen;
    case OBJ_BRUSH: return dc->st.brush;
    case OBJ_FONT: return dc->st.font;
    case OBJ_BITMAP: return dc->st.bitmap;
    default: return nullptr;
    }
}

int SaveDC(HDC hdc) {
    Dc* dc = GetDc(hdc);
    if (!dc) return 0;
    dc->saved.push_back(dc->st);
    RetainState(dc->saved.back());
    return static_cast<int>(dc->saved.size());
}

BOOL RestoreDC(HDC hdc, int savedLevel) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    int count = static_cast<int>(dc->saved.size());
    int level = savedLevel < 0 ? count + 1 + savedLevel : savedLevel;
    if (level < 1 || level > count) return FALSE;
    while (static_cast<int>(dc->saved.size()) > level) {
        ReleaseState(dc->saved.back());
        dc->saved.pop_back();
    }
    Bitmap* before = dc->st.bitmap;
    ReleaseState(dc->st);
    dc->st = std::move(dc->saved.back());
    dc->saved.pop_back();
    if (dc->memory && dc->st.bitmap && dc->st.bitmap != before) AttachBitmap(dc, dc->st.bitmap);
    MarkClipDirty(dc);
    return TRUE;
}

COLORREF SetTextColor(HDC hdc, COLORREF color) {
    Dc* dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->st.textColor;
    dc->st.textColor = color & 0xFFFFFF;
    return old;
}
COLORREF GetTextColor(HDC hdc) {
    Dc* dc = GetDc(hdc);
    return dc ? dc->st.textColor : CLR_INVALID;
}
COLORREF SetBkColor(HDC hdc, COLORREF color) {
    Dc* dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->st.bkColor;
    dc->st.bkColor = color & 0xFFFFFF;
    return old;
}
COLORREF GetBkColor(HDC hdc) {
    Dc* dc = GetDc(hdc);
    return dc ? dc->st.bkColor : CLR_INVALID;
}
int SetBkMode(HDC hdc, int mode) {
    Dc* dc = GetDc(hdc);
    if (!dc || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    int old = dc->st.bkMode;
    dc->st.bkMode = mode;
    return old;
}
int GetBkMode(HDC hdc) {
    Dc* dc = GetDc(hdc);
    return dc ? dc->st.bkMode : 0;
}
int SetROP2(HDC hdc, int rop2) {
    Dc* dc = GetDc(hdc);
    if (!dc || rop2 < R2_BLACK || rop2 > R2_WHITE) return 0;
    int old = dc->st.rop2;
    dc->st.rop2 = rop2;
    return old;
}
int GetROP2(HDC hdc) {
    Dc* dc = GetDc(hdc);
    return dc ? dc->st.rop2 : 0;
}
UINT SetTextAlign(HDC hdc, UINT align) {
    Dc* dc = GetDc(hdc);
    if (!dc) return GDI_ERROR;
    UINT old = dc->st.textAlign;
    dc->st.textAlign = align;
    return old;
}
UINT GetTextAlign(HDC hdc) {
    Dc* dc = GetDc(hdc);
    return dc ? dc->st.textAlign : GDI_ERROR;
}
BOOL SetBrushOrgEx(HDC hdc, int x, int y, LPPOINT old) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (old) *old = dc->st.brushOrg;
    dc->st.brushOrg = POINT{x, y};
    return TRUE;
}
BOOL GetBrushOrgEx(HDC hdc, LPPOINT out) {
    Dc* dc = GetDc(hdc);
    if (!dc || !out) return FALSE;
    *out = dc->st.brushOrg;
    return TRUE;
}
COLORREF SetDCBrushColor(HDC hdc, COLORREF color) {
    Dc* dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->st.dcBrushColor;
    dc->st.dcBrushColor = color & 0xFFFFFF;
    return old;
}
COLORREF SetDCPenColor(HDC hdc, COLORREF color) {
    Dc* dc = GetDc(hdc);
    if (!dc) return CLR_INVALID;
    COLORREF old = dc->st.dcPenColor;
    dc->st.dcPenColor = color & 0xFFFFFF;
    return old;
}
BOOL SetViewportOrgEx(HDC hdc, int x, int y, LPPOINT old) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (old) *old = dc->st.viewportOrg;
    dc->st.viewportOrg = POINT{x, y};
    return TRUE;
}
BOOL OffsetViewportOrgEx(HDC hdc, int dx, int dy, LPPOINT old) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (old) *old = dc->st.viewportOrg;
    dc->st.viewportOrg.x += dx;
    dc->st.viewportOrg.y += dy;
    return TRUE;
}
BOOL GetViewportOrgEx(HDC hdc, LPPOINT out) {
    Dc* dc = GetDc(hdc);
    if (!dc || !out) return FALSE;
    *out = dc->st.viewportOrg;
    return TRUE;
}
BOOL MoveToEx(HDC hdc, int x, int y, LPPOINT old) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (old) *old = dc->st.current;
    dc->st.current = POINT{x, y};
    dc->dashPhase = 0;
    return TRUE;
}
BOOL GetCurrentPositionEx(HDC hdc, LPPOINT out) {
    Dc* dc = GetDc(hdc);
    if (!dc || !out) return FALSE;
    *out = dc->st.current;
    return TRUE;
}

// ---- clipping -------------------------------------------------------------------------------

namespace {

int ClipComplexity(Dc* dc) {
    const auto& c = EffectiveClip(dc);
    return c.empty() ? NULLREGION : c.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

RECT LogicalRectToDevice(Dc* dc, int l, int t, int r, int b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    return Offset(RECT{l, t, r, b}, dc->st.viewportOrg.x, dc->st.viewportOrg.y);
}

} // namespace

int IntersectClipRect(HDC hdc, int left, int top, int right, int bottom) {
    Dc* dc = GetDc(hdc);
    if (!dc) return ERROR;
    RECT r = LogicalRectToDevice(dc, left, top, right, bottom);
    if (dc->st.hasClip) {
        dc->st.clip = RgnIntersect(dc->st.clip, {r});
    } else {
        dc->st.clip = Empty(r) ? std::vector<RECT>{} : std::vector<RECT>{r};
        dc->st.hasClip = true;
    }
    MarkClipDirty(dc);
    return ClipComplexity(dc);
}

int ExcludeClipRect(HDC hdc, int left, int top, int right, int bottom) {
    Dc* dc = GetDc(hdc);
    if (!dc) return ERROR;
    RECT r = LogicalRectToDevice(dc, left, top, right, bottom);
    if (!dc->st.hasClip) {
        dc->st.clip = {RECT{-kHuge, -kHuge, kHuge, kHuge}};
        dc->st.hasClip = true;
    }
    if (!Empty(r)) dc->st.clip = RgnSubtract(dc->st.clip, {r});
    MarkClipDirty(dc);
    return ClipComplexity(dc);
}

int GetClipBox(HDC hdc, LPRECT out) {
    Dc* dc = GetDc(hdc);
    if (!dc || !out) return ERROR;
    const auto& c = EffectiveClip(dc);
    POINT o = LogicalToSurface(dc);
    *out = c.empty() ? RECT{0, 0, 0, 0} : Offset(RgnBox(c), -o.x, -o.y);
    return ClipComplexity(dc);
}

} // namespace win
