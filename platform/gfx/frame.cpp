// Frame elements: 3-D edges, frame controls (scroll arrows, buttons, check and radio marks) and the flat theme.
#include "gdi_objects.h"
#include "win/com.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <string>

namespace win::gfx {

namespace {

void Fill(Dc* dc, RECT r, COLORREF c) {
    POINT o = LogicalToSurface(dc);
    BrushSampler s;
    s.color = ToPixel(c);
    FillSurfaceRect(dc, Offset(r, o.x, o.y), s, PATCOPY);
}

void Pixel(Dc* dc, int x, int y, COLORREF c) { Fill(dc, RECT{x, y, x + 1, y + 1}, c); }

// One ring of an edge. The bottom-left and top-right corners belong to the bottom and right sides.
void Ring(Dc* dc, RECT& r, COLORREF tl, COLORREF br, UINT flags) {
    if (Empty(r)) return;
    bool L = flags & BF_LEFT, T = flags & BF_TOP, R = flags & BF_RIGHT, B = flags & BF_BOTTOM;
    if (L) Fill(dc, RECT{r.left, r.top, r.left + 1, B ? r.bottom - 1 : r.bottom}, tl);
    if (T) Fill(dc, RECT{r.left, r.top, R ? r.right - 1 : r.right, r.top + 1}, tl);
    if (R) Fill(dc, RECT{r.right - 1, r.top, r.right, r.bottom}, br);
    if (B) Fill(dc, RECT{r.left, r.bottom - 1, r.right, r.bottom}, br);
    if (L) ++r.left;
    if (T) ++r.top;
    if (R) --r.right;
    if (B) --r.bottom;
}

// Draws a monochrome bit picture (rows of '#') centred in r.
void Picture(Dc* dc, const RECT& r, const char* const* rows, int h, COLORREF c, int dx = 0, int dy = 0) {
    int w = static_cast<int>(std::char_traits<char>::length(rows[0]));
    int x0 = r.left + (r.right - r.left - w) / 2 + dx;
    int y0 = r.top + (r.bottom - r.top - h) / 2 + dy;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            if (rows[y][x] == '#') Pixel(dc, x0 + x, y0 + y, c);
}

const char* const kCheck[] = {"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."};

// Filled triangle pointing in direction dir (0 up, 1 down, 2 left, 3 right), centred in r.
void Arrow(Dc* dc, const RECT& r, int dir, COLORREF c, int shift = 0) {
    int size = std::min(r.right - r.left, r.bottom - r.top);
    int n = std::max(1, (size - 4) / 3); // rows of the triangle
    int cx = r.left + (r.right - r.left) / 2 + shift;
    int cy = r.top + (r.bottom - r.top) / 2 + shift;
    for (int i = 0; i < n; ++i) {
        int half = i; // row i is 2i+1 wide, the tip is row 0
        int along = i - n / 2;
        switch (dir) {
        case 0: Fill(dc, RECT{cx - half, cy + along, cx + half + 1, cy + along + 1}, c); break;
        case 1: Fill(dc, RECT{cx - half, cy - along, cx + half + 1, cy - along + 1}, c); break;
        case 2: Fill(dc, RECT{cx + along, cy - half, cx + along + 1, cy + half + 1}, c); break;
        default: Fill(dc, RECT{cx - along, cy - half, cx - along + 1, cy + half + 1}, c); break;
        }
    }
}

// Pixels of a disc of diameter d whose top-left is (x0, y0), split by the anti-diagonal.
template <typename F>
void Disc(int x0, int y0, int d, double radius, F&& f) {
    double c = d / 2.0;
    for (int y = 0; y < d; ++y)
        for (int x = 0; x < d; ++x) {
            double fx = x + 0.5 - c, fy = y + 0.5 - c;
            if (fx * fx + fy * fy <= radius * radius) f(x0 + x, y0 + y, fx + fy < 0);
        }
}

void RadioMark(Dc* dc, RECT r, UINT state) {
    int d = std::min({r.right - r.left, r.bottom - r.top, 13});
    int x0 = r.left + (r.right - r.left - d) / 2, y0 = r.top + (r.bottom - r.top - d) / 2;
    double R = d / 2.0;
    bool inactive = state & DFCS_INACTIVE;
    COLORREF inside = (inactive || (state & DFCS_PUSHED)) ? GetSysColor(COLOR_BTNFACE) : GetSysColor(COLOR_WINDOW);
    Disc(x0, y0, d, R, [&](int x, int y, bool tl) {
        Pixel(dc, x, y, tl ? GetSysColor(COLOR_3DSHADOW) : GetSysColor(COLOR_3DHILIGHT));
    });
    Disc(x0, y0, d, R - 1, [&](int x, int y, bool tl) {
        Pixel(dc, x, y, tl ? GetSysColor(COLOR_3DDKSHADOW) : GetSysColor(COLOR_3DLIGHT));
    });
    Disc(x0, y0, d, R - 2, [&](int x, int y, bool) { Pixel(dc, x, y, inside); });
    if (state & DFCS_CHECKED) {
        COLORREF dot = inactive ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(COLOR_WINDOWTEXT);
        Disc(x0, y0, d, std::max(1.5, R / 2.6), [&](int x, int y, bool) { Pixel(dc, x, y, dot); });
    }
}

void CheckBox(Dc* dc, RECT r, UINT state) {
    int d = std::min({r.right - r.left, r.bottom - r.top, 13});
    RECT box{r.left + (r.right - r.left - d) / 2, r.top + (r.bottom - r.top - d) / 2, 0, 0};
    box.right = box.left + d;
    box.bottom = box.top + d;
    bool inactive = state & DFCS_INACTIVE;
    Ring(dc, box, GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHILIGHT), BF_RECT);
    Ring(dc, box, GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT), BF_RECT);
    Fill(dc, box, (inactive || (state & DFCS_PUSHED)) ? GetSysColor(COLOR_BTNFACE) : GetSysColor(COLOR_WINDOW));
    if (state & DFCS_CHECKED)
        Picture(dc, box, kCheck, 7, inactive ? GetSysColor(COLOR_GRAYTEXT) : GetSysColor(COLOR_WINDOWTEXT));
}

void ButtonFace(Dc* dc, RECT& r, UINT state) {
    bool down = state & (DFCS_PUSHED | DFCS_CHECKED);
    if (state & DFCS_FLAT) {
        HDC h = reinterpret_cast<HDC>(dc);
        DrawEdge(h, &r, down ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT | BF_ADJUST);
    } else if (state & DFCS_MONO) {
        Ring(dc, r, GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_WINDOWFRAME), BF_RECT);
    } else if (down) {
        Ring(dc, r, GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DSHADOW), BF_RECT);
        Ring(dc, r, GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNFACE), BF_RECT);
    } else {
        Ring(dc, r, GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW), BF_RECT);
        Ring(dc, r, GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DSHADOW), BF_RECT);
    }
    if (!(state & DFCS_TRANSPARENT)) Fill(dc, r, GetSysColor(COLOR_BTNFACE));
}

} // namespace

} // namespace win::gfx

namespace win {

using namespace gfx;

BOOL DrawEdge(HDC hdc, LPRECT rc, UINT edge, UINT flags) {
    Dc* dc = GetDc(hdc);
    if (!dc || !rc) return FALSE;
    RECT r = *rc;
    UINT outer = edge & BDR_OUTER, inner = edge & BDR_INNER;
    COLORREF otl = 0, obr = 0, itl = 0, ibr = 0;
    if (outer == BDR_RAISEDOUTER) {
        otl = GetSysColor((flags & BF_SOFT) ? COLOR_3DHILIGHT : COLOR_3DLIGHT);
        obr = GetSysColor(COLOR_3DDKSHADOW);
    } else if (outer == BDR_SUNKENOUTER) {
        otl = GetSysColor(COLOR_3DSHADOW);
        obr = GetSysColor(COLOR_3DHILIGHT);
    }
    if (inner == BDR_RAISEDINNER) {
        itl = GetSysColor((flags & BF_SOFT) ? COLOR_3DLIGHT : COLOR_3DHILIGHT);
        ibr = GetSysColor(COLOR_3DSHADOW);
    } else if (inner == BDR_SUNKENINNER) {
        itl = GetSysColor(COLOR_3DDKSHADOW);
        ibr = GetSysColor(COLOR_3DLIGHT);
    }
    if (flags & BF_MONO) {
        otl = obr = GetSysColor(COLOR_WINDOWFRAME);
        itl = ibr = GetSysColor(COLOR_WINDOW);
    } else if (flags & BF_FLAT) {
        otl = obr = GetSysColor(COLOR_3DSHADOW);
        itl = ibr = GetSysColor(COLOR_3DFACE);
    }
    UINT sides = flags & BF_RECT;
    if (outer == BDR_RAISEDOUTER || outer == BDR_SUNKENOUTER) Ring(dc, r, otl, obr, sides);
    if (inner == BDR_RAISEDINNER || inner == BDR_SUNKENINNER) Ring(dc, r, itl, ibr, sides);
    if ((flags & BF_MIDDLE) && !Empty(r)) Fill(dc, r, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_BTNFACE));
    if (flags & BF_ADJUST) *rc = r;
    return TRUE;
}

BOOL DrawFrameControl(HDC hdc, LPRECT rc, UINT type, UINT state) {
    Dc* dc = GetDc(hdc);
    if (!dc || !rc) return FALSE;
    RECT r = *rc;
    bool inactive = state & DFCS_INACTIVE;
    switch (type) {
    case DFC_BUTTON: {
        UINT kind = state & 0xFF;
        if (kind & DFCS_BUTTONPUSH) {
            ButtonFace(dc, r, state);
            if (state & DFCS_ADJUSTRECT) *rc = r;
            return TRUE;
        }
        if (kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) {
            RadioMark(dc, r, state);
            return TRUE;
        }
        CheckBox(dc, r, state);
        return TRUE;
    }
    case DFC_SCROLL: {
        UINT kind = state & 0xFF;
        int dir = kind == DFCS_SCROLLUP ? 0 : (kind == DFCS_SCROLLDOWN || kind == DFCS_SCROLLCOMBOBOX) ? 1
                                                                        : kind == DFCS_SCROLLLEFT ? 2
                                                                                                   : 3;
        bool down = state & DFCS_PUSHED;
        RECT face = r;
        ButtonFace(dc, face, state & ~DFCS_CHECKED);
        int shift = down && !(state & DFCS_FLAT) ? 1 : 0;
        if (inactive) {
            Arrow(dc, r, dir, GetSysColor(COLOR_3DHILIGHT), 1);
            Arrow(dc, r, dir, GetSysColor(COLOR_3DSHADOW), 0);
        } else {
            Arrow(dc, r, dir, GetSysColor(COLOR_BTNTEXT), shift);
        }
        return TRUE;
    }
    default: return FALSE;
    }
}

// ---- flat theme -------------------------------------------------------------------------------

namespace {

bool g_themeActive = true;

struct ThemeData {
    int cls; // 1 scroll bar, 2 button
};
ThemeData g_scrollTheme{1};
ThemeData g_buttonTheme{2};

ThemeData* GetTheme(HTHEME t) {
    auto* p = reinterpret_cast<ThemeData*>(t);
    return (p == &g_scrollTheme || p == &g_buttonTheme) ? p : nullptr;
}

constexpr COLORREF kTrack = RGB(240, 240, 240);
constexpr COLORREF kTrackPressed = RGB(218, 218, 218);
constexpr COLORREF kThumb = RGB(205, 205, 205);
constexpr COLORREF kThumbHot = RGB(166, 166, 166);
constexpr COLORREF kThumbPressed = RGB(96, 96, 96);
constexpr COLORREF kArrow = RGB(96, 96, 96);
constexpr COLORREF kArrowDisabled = RGB(191, 191, 191);
constexpr COLORREF kArrowHotBack = RGB(218, 218, 218);
constexpr COLORREF kButton = RGB(225, 225, 225);
constexpr COLORREF kButtonBorder = RGB(173, 173, 173);
constexpr COLORREF kButtonHot = RGB(229, 241, 251);
constexpr COLORREF kAccent = RGB(0, 120, 215);
constexpr COLORREF kButtonPressed = RGB(204, 228, 247);
constexpr COLORREF kAccentDark = RGB(0, 84, 153);
constexpr COLORREF kButtonDisabled = RGB(204, 204, 204);
constexpr COLORREF kBorderDisabled = RGB(191, 191, 191);

COLORREF ThemeFill(const ThemeData* t, int part, int state) {
    if (t->cls == 1) {
        switch (part) {
        case SBP_ARROWBTN: {
            int look = (state - 1) % 4; // normal, hot, pressed, disabled
            return look == 1 ? kArrowHotBack : look == 2 ? kThumbPressed : kTrack;
        }
        case SBP_THUMBBTNHORZ:
        case SBP_THUMBBTNVERT:
            return state == SCRBS_HOT ? kThumbHot : state == SCRBS_PRESSED ? kThumbPressed : kThumb;
        default: return state == SCRBS_PRESSED ? kTrackPressed : kTrack;
        }
    }
    switch (state) {
    case PBS_HOT: return kButtonHot;
    case PBS_PRESSED: return kButtonPressed;
    case PBS_DISABLED: return kButtonDisabled;
    default: return kButton;
    }
}

void DrawThemePart(Dc* dc, const ThemeData* t, int part, int state, RECT r) {
    if (t->cls == 1) {
        if (part == SBP_GRIPPERHORZ || part == SBP_GRIPPERVERT) return;
        Fill(dc, r, ThemeFill(t, part, state));
        if (part == SBP_THUMBBTNHORZ) Fill(dc, r, kTrack), Fill(dc, RECT{r.left, r.top + 2, r.right, r.bottom - 2}, ThemeFill(t, part, state));
        if (part == SBP_THUMBBTNVERT) Fill(dc, r, kTrack), Fill(dc, RECT{r.left + 2, r.top, r.right - 2, r.bottom}, ThemeFill(t, part, state));
        if (part == SBP_ARROWBTN) {
            int dir = (state - 1) / 4; // up, down, left, right
            int look = (state - 1) % 4;
            COLORREF c = look == 3 ? kArrowDisabled : look == 2 ? RGB(255, 255, 255) : kArrow;
            Arrow(dc, r, dir, c);
        }
        return;
    }
    if (part == BP_PUSHBUTTON) {
        COLORREF border = state == PBS_HOT || state == PBS_DEFAULTED ? kAccent
                          : state == PBS_PRESSED                     ? kAccentDark
                          : state == PBS_DISABLED                    ? kBorderDisabled
                                                                     : kButtonBorder;
        Ring(dc, r, border, border, BF_RECT);
        Fill(dc, r, ThemeFill(t, part, state));
        return;
    }
    if (part == BP_CHECKBOX) {
        int d = std::min({r.right - r.left, r.bottom - r.top, 13});
        RECT box{r.left + (r.right - r.left - d) / 2, r.top + (r.bottom - r.top - d) / 2, 0, 0};
        box.right = box.left + d;
        box.bottom = box.top + d;
        bool disabled = state == CBS_UNCHECKEDDISABLED || state == CBS_CHECKEDDISABLED;
        COLORREF border = disabled ? kBorderDisabled : (state == CBS_UNCHECKEDHOT || state == CBS_CHECKEDHOT) ? kAccent : RGB(51, 51, 51);
        Ring(dc, box, border, border, BF_RECT);
        Fill(dc, box, RGB(255, 255, 255));
        if (state >= CBS_CHECKEDNORMAL && state <= CBS_CHECKEDDISABLED)
            Picture(dc, box, kCheck, 7, disabled ? kBorderDisabled : RGB(51, 51, 51));
        return;
    }
    if (part == BP_RADIOBUTTON) {
        int d = std::min({r.right - r.left, r.bottom - r.top, 13});
        int x0 = r.left + (r.right - r.left - d) / 2, y0 = r.top + (r.bottom - r.top - d) / 2;
        bool disabled = state == CBS_UNCHECKEDDISABLED || state == CBS_CHECKEDDISABLED;
        COLORREF border = disabled ? kBorderDisabled : RGB(51, 51, 51);
        Disc(x0, y0, d, d / 2.0, [&](int x, int y, bool) { Pixel(dc, x, y, border); });
        Disc(x0, y0, d, d / 2.0 - 1, [&](int x, int y, bool) { Pixel(dc, x, y, RGB(255, 255, 255)); });
        if (state >= CBS_CHECKEDNORMAL)
            Disc(x0, y0, d, d / 4.0, [&](int x, int y, bool) { Pixel(dc, x, y, border); });
        return;
    }
    Ring(dc, r, kButtonBorder, kButtonBorder, BF_RECT);
}

} // namespace

BOOL IsThemeActive() { return g_themeActive ? TRUE : FALSE; }

void SetThemeActive(BOOL active) { g_themeActive = active != FALSE; }

HTHEME OpenThemeData(HWND, LPCSTR classList) {
    if (!g_themeActive || !classList) return nullptr;
    std::string l = classList;
    for (char& c : l) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (l.find("SCROLLBAR") != std::string::npos) return reinterpret_cast<HTHEME>(&g_scrollTheme);
    if (l.find("BUTTON") != std::string::npos) return reinterpret_cast<HTHEME>(&g_buttonTheme);
    return nullptr;
}

HRESULT CloseThemeData(HTHEME theme) { return GetTheme(theme) ? S_OK : E_HANDLE; }

HRESULT DrawThemeBackground(HTHEME theme, HDC hdc, int part, int state, const RECT* rc, const RECT* clip) {
    ThemeData* t = GetTheme(theme);
    if (!t) return E_HANDLE;
    Dc* dc = GetDc(hdc);
    if (!dc || !rc) return E_INVALIDARG;
    int saved = 0;
    if (clip) {
        saved = SaveDC(hdc);
        IntersectClipRect(hdc, clip->left, clip->top, clip->right, clip->bottom);
    }
    DrawThemePart(dc, t, part, state, *rc);
    if (saved) RestoreDC(hdc, saved);
    return S_OK;
}

HRESULT GetThemeColor(HTHEME theme, int part, int state, int, COLORREF* out) {
    ThemeData* t = GetTheme(theme);
    if (!t) return E_HANDLE;
    if (!out) return E_POINTER;
    *out = ThemeFill(t, part, state);
    return S_OK;
}

} // namespace win
