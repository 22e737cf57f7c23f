// Lines and shapes drawn with the current pen and brush through the binary raster operation.
#include "gdi_objects.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <vector>

namespace win::gfx {

namespace {

struct DashPattern {
    const int* runs;
    int count;
};

// On/off runs of one-pixel styled pens, in pixels.
constexpr int kDash[] = {18, 6};
constexpr int kDot[] = {3, 3};
constexpr int kDashDot[] = {9, 6, 3, 6};
constexpr int kDashDotDot[] = {9, 3, 3, 3, 3, 3};
constexpr int kAlternate[] = {1, 1};

DashPattern PatternOf(UINT style) {
    switch (style) {
    case PS_DASH: return {kDash, 2};
    case PS_DOT: return {kDot, 2};
    case PS_DASHDOT: return {kDashDot, 4};
    case PS_DASHDOTDOT: return {kDashDotDot, 6};
    case PS_ALTERNATE: return {kAlternate, 2};
    default: return {nullptr, 0};
    }
}

bool DashOn(const DashPattern& p, int phase) {
    int period = 0;
    for (int i = 0; i < p.count; ++i) period += p.runs[i];
    int pos = phase % period;
    for (int i = 0; i < p.count; ++i) {
        if (pos < p.runs[i]) return (i % 2) == 0;
        pos -= p.runs[i];
    }
    return true;
}

struct PenDraw {
    bool none = true;
    int width = 1;
    std::uint32_t color = 0;
    DashPattern dash{nullptr, 0};
};

PenDraw PenOf(const Dc* dc) {
    PenDraw p;
    const Pen* pen = dc->st.pen;
    if (!pen || pen->style == PS_NULL) return p;
    p.none = false;
    p.width = pen->width;
    p.color = ToPixel(pen->dcPen ? dc->st.dcPenColor : pen->color);
    p.dash = PatternOf(pen->style);
    return p;
}

inline void PlotSurface(Dc* dc, int x, int y, std::uint32_t color) {
    for (const RECT& c : EffectiveClip(dc)) {
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) {
            std::uint32_t& px = dc->surface.pixels[static_cast<std::ptrdiff_t>(y) * dc->surface.stride + x];
            px = Rop2(dc->st.rop2, color, px);
            return;
        }
    }
}

// Visits the pixels of a line from (x0,y0) to (x1,y1), surface coordinates; the end point is
// visited only when includeEnd is set.
template <typename F>
void WalkLine(int x0, int y0, int x1, int y1, bool includeEnd, F&& visit) {
    int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    int sx = x0 < x1 ? 1 : -1, sy = y0 < y1 ? 1 : -1;
    int steps = std::max(dx, dy);
    int x = x0, y = y0;
    if (dx >= dy) {
        int err = 2 * dy - dx;
        for (int i = 0; i < steps; ++i) {
            visit(x, y);
            if (err > 0) {
                y += sy;
                err -= 2 * dx;
            }
            err += 2 * dy;
            x += sx;
        }
    } else {
        int err = 2 * dx - dy;
        for (int i = 0; i < steps; ++i) {
            visit(x, y);
            if (err > 0) {
                x += sx;
                err -= 2 * dy;
            }
            err += 2 * dx;
            y += sy;
        }
    }
    if (includeEnd) visit(x, y);
}

// Wide pens: every covered pixel is changed once, with round ends.
void WideLine(Dc* dc, const PenDraw& pen, POINT a, POINT b) {
    int w = pen.width;
    int r0 = w / 2;
    RECT box{std::min(a.x, b.x) - r0 - 1, std::min(a.y, b.y) - r0 - 1, std::max(a.x, b.x) + w + 1,
             std::max(a.y, b.y) + w + 1};
    int bw = box.right - box.left, bh = box.bottom - box.top;
    if (static_cast<long long>(bw) * bh > 64LL * 1024 * 1024) return;
    std::vector<std::uint8_t> mask(static_cast<std::size_t>(bw) * bh, 0);
    double rad = w / 2.0;
    std::vector<std::pair<int, int>> disc;
    for (int dy = 0; dy < w; ++dy)
        for (int dx = 0; dx < w; ++dx) {
            double fx = dx + 0.5 - rad, fy = dy + 0.5 - rad;
            if (fx * fx + fy * fy <= rad * rad + 0.25) disc.emplace_back(dx - r0, dy - r0);
        }
    WalkLine(a.x, a.y, b.x, b.y, true, [&](int x, int y) {
        for (auto [dx, dy] : disc) {
            int mx = x + dx - box.left, my = y + dy - box.top;
            if (mx >= 0 && mx < bw && my >= 0 && my < bh) mask[static_cast<std::size_t>(my) * bw + mx] = 1;
        }
    });
    for (int my = 0; my < bh; ++my) {
        int mx = 0;
        while (mx < bw) {
            if (!mask[static_cast<std::size_t>(my) * bw + mx]) {
                ++mx;
                continue;
            }
            int start = mx;
            while (mx < bw && mask[static_cast<std::size_t>(my) * bw + mx]) ++mx;
            ApplyRop2Span(dc, box.top + my, box.left + start, box.left + mx, pen.color);
        }
    }
}

// One segment in logical coordinates, end point excluded for one-pixel pens.
void Segment(Dc* dc, POINT a, POINT b) {
    PenDraw pen = PenOf(dc);
    if (pen.none) return;
    POINT o = LogicalToSurface(dc);
    POINT sa{a.x + o.x, a.y + o.y}, sb{b.x + o.x, b.y + o.y};
    if (pen.width > 1) {
        WideLine(dc, pen, sa, sb);
        return;
    }
    if (!pen.dash.runs) {
        if (sa.y == sb.y && dc->st.rop2 == R2_COPYPEN) {
            int x0 = sa.x < sb.x ? sa.x : sb.x + 1;
            int x1 = sa.x < sb.x ? sb.x : sa.x + 1;
            ApplyRop2Span(dc, sa.y, x0, x1, pen.color);
            return;
        }
        WalkLine(sa.x, sa.y, sb.x, sb.y, false, [&](int x, int y) { PlotSurface(dc, x, y, pen.color); });
        return;
    }
    bool opaque = dc->st.bkMode == OPAQUE;
    std::uint32_t bk = ToPixel(dc->st.bkColor);
    WalkLine(sa.x, sa.y, sb.x, sb.y, false, [&](int x, int y) {
        if (DashOn(pen.dash, dc->dashPhase))
            PlotSurface(dc, x, y, pen.color);
        else if (opaque)
            PlotSurface(dc, x, y, bk);
        ++dc->dashPhase;
    });
}

// Scan-converts a polygon (logical points) with pixel centres, filling with the brush through ROP2.
void FillPolygon(Dc* dc, const POINT* pts, int count) {
    BrushSampler s = MakeSampler(dc, dc->st.brush);
    if (s.none || count < 3) return;
    POINT o = LogicalToSurface(dc);
    long minY = pts[0].y, maxY = pts[0].y;
    for (int i = 1; i < count; ++i) {
        minY = std::min<long>(minY, pts[i].y);
        maxY = std::max<long>(maxY, pts[i].y);
    }
    RECT clipBox = RgnBox(EffectiveClip(dc));
    long y0 = std::max<long>(minY, clipBox.top - o.y), y1 = std::min<long>(maxY, clipBox.bottom - o.y);
    std::vector<double> xs; // where the edges cross the row's centre line; pairs of them enclose the inside
    for (long y = y0; y < y1; ++y) {
        double cy = y + 0.5;
        xs.clear();
        for (int i = 0; i < count; ++i) {
            POINT p = pts[i], q = pts[(i + 1) % count];
            if (p.y == q.y) continue;
            double ya = p.y, yb = q.y;
            if (cy < std::min(ya, yb) || cy >= std::max(ya, yb)) continue;
            double x = p.x + (cy - ya) * (q.x - p.x) / (yb - ya);
            xs.push_back(x);
        }
        std::sort(xs.begin(), xs.end());
        auto span = [&](double xa, double xb) {
            int a = static_cast<int>(std::ceil(xa - 0.5)), b = static_cast<int>(std::ceil(xb - 0.5));
            int sy = static_cast<int>(y) + o.y;
            if (s.solid) {
                ApplyRop2Span(dc, sy, a + o.x, b + o.x, s.color);
            } else {
                for (int x = a; x < b; ++x) ApplyRop2Span(dc, sy, x + o.x, x + o.x + 1, s.At(x + o.x, sy));
            }
        };
        for (std::size_t i = 0; i + 1 < xs.size(); i += 2) span(xs[i], xs[i + 1]);
    }
}

} // namespace

} // namespace win::gfx

namespace win {

using namespace gfx;

BOOL LineTo(HDC hdc, int x, int y) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    Segment(dc, dc->st.current, POINT{x, y});
    dc->st.current = POINT{x, y};
    return TRUE;
}

BOOL Polygon(HDC hdc, const POINT* pts, int count) {
    Dc* dc = GetDc(hdc);
    if (!dc || !pts || count < 2) return FALSE;
    FillPolygon(dc, pts, count);
    dc->dashPhase = 0;
    for (int i = 0; i < count; ++i) Segment(dc, pts[i], pts[(i + 1) % count]);
    return TRUE;
}

BOOL Rectangle(HDC hdc, int left, int top, int right, int bottom) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    bool noPen = !dc->st.pen || dc->st.pen->style == PS_NULL;
    // Without a pen the filled area is one pixel smaller on the right and at the bottom.
    if (noPen) {
        right -= 1;
        bottom -= 1;
    }
    if (right <= left || bottom <= top) return TRUE;
    BrushSampler s = MakeSampler(dc, dc->st.brush);
    POINT o = LogicalToSurface(dc);
    int inset = noPen ? 0 : 1;
    if (!s.none) {
        for (int y = top + inset; y < bottom - inset; ++y) {
            int sy = y + o.y;
            if (s.solid) {
                ApplyRop2Span(dc, sy, left + inset + o.x, right - inset + o.x, s.color);
            } else {
                for (int x = left + inset; x < right - inset; ++x)
                    ApplyRop2Span(dc, sy, x + o.x, x + o.x + 1, s.At(x + o.x, sy));
            }
        }
    }
    if (!noPen) {
        POINT pts[4] = {{left, top}, {right - 1, top}, {right - 1, bottom - 1}, {left, bottom - 1}};
        dc->dashPhase = 0;
        if (right - left == 1 || bottom - top == 1) {
            // A frame one pixel thick is a single row or column, drawn once.
            POINT end = right - left == 1 ? POINT{left, bottom} : POINT{right, top};
            Segment(dc, pts[0], end);
        } else {
            for (int i = 0; i < 4; ++i) Segment(dc, pts[i], pts[(i + 1) % 4]);
        }
    }
    return TRUE;
}

BOOL Ellipse(HDC hdc, int left, int top, int right, int bottom) {
    Dc* dc = GetDc(hdc);
    if (!dc) return FALSE;
    if (left > right) std::swap(left, right);
    if (top > bottom) std::swap(top, bottom);
    int w = right - left, h = bottom - top;
    if (w <= 0 || h <= 0 || static_cast<long long>(w) * h > 16LL * 1024 * 1024) return TRUE;
    double cx = w / 2.0, cy = h / 2.0;
    std::vector<std::uint8_t> inside(static_cast<std::size_t>(w) * h, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            double fx = (x + 0.5 - cx) / cx, fy = (y + 0.5 - cy) / cy;
            inside[static_cast<std::size_t>(y) * w + x] = fx * fx + fy * fy <= 1.0 ? 1 : 0;
        }
    // The outline is what erosion by the pen width removes.
    PenDraw pen = PenOf(dc);
    std::vector<std::uint8_t> core = inside;
    int penW = pen.none ? 0 : pen.width;
    for (int k = 0; k < penW; ++k) {
        std::vector<std::uint8_t> next = core;
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (!core[static_cast<std::size_t>(y) * w + x]) continue;
                auto at = [&](int xx, int yy) {
                    return xx >= 0 && xx < w && yy >= 0 && yy < h && core[static_cast<std::size_t>(yy) * w + xx];
                };
                if (!at(x - 1, y) || !at(x + 1, y) || !at(x, y - 1) || !at(x, y + 1))
                    next[static_cast<std::size_t>(y) * w + x] = 0;
            }
        core.swap(next);
    }
    BrushSampler s = MakeSampler(dc, dc->st.brush);
    POINT o = LogicalToSurface(dc);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            std::size_t i = static_cast<std::size_t>(y) * w + x;
            int sx = left + x + o.x, sy = top + y + o.y;
            if (core[i]) {
                if (!s.none) ApplyRop2Span(dc, sy, sx, sx + 1, s.At(sx, sy));
            } else if (inside[i]) {
                ApplyRop2Span(dc, sy, sx, sx + 1, pen.color);
            }
        }
    return TRUE;
}

} // namespace win
