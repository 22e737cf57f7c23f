// Regions as unions of disjoint rectangles: arithmetic and the region functions.
#include "gdi_objects.h"

#include <algorithm>

namespace win::gfx {

namespace {

void SubtractOne(const RECT& r, const RECT& cut, std::vector<RECT>& out) {
    RECT i = Intersect(r, cut);
    if (Empty(i)) {
        out.push_back(r);
        return;
    }
    if (r.top < i.top) out.push_back(RECT{r.left, r.top, r.right, i.top});
    if (r.left < i.left) out.push_back(RECT{r.left, i.top, i.left, i.bottom});
    if (i.right < r.right) out.push_back(RECT{i.right, i.top, r.right, i.bottom});
    if (i.bottom < r.bottom) out.push_back(RECT{r.left, i.bottom, r.right, r.bottom});
}

// Joins vertically adjacent rectangles of equal horizontal extent so that repeated edits do not
// fragment a region without end.
void Coalesce(std::vector<RECT>& rs) {
    bool merged = true;
    while (merged && rs.size() > 1) {
        merged = false;
        for (std::size_t i = 0; i < rs.size() && !merged; ++i) {
            for (std::size_t j = 0; j < rs.size(); ++j) {
                if (i == j) continue;
                RECT& a = rs[i];
                const RECT& b = rs[j];
                bool vertical = a.left == b.left && a.right == b.right && (a.bottom == b.top || b.bottom == a.top);
                bool horizontal = a.top == b.top && a.bottom == b.bottom && (a.right == b.left || b.right == a.left);
                if (vertical || horizontal) {
                    a = RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                             std::max(a.bottom, b.bottom)};
                    rs.erase(rs.begin() + static_cast<std::ptrdiff_t>(j));
                    merged = true;
                    break;
                }
            }
        }
    }
}

} // namespace

std::vector<RECT> RgnIntersect(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    std::vector<RECT> out;
    for (const RECT& ra : a)
        for (const RECT& rb : b) {
            RECT i = Intersect(ra, rb);
            if (!Empty(i)) out.push_back(i);
        }
    if (out.size() > 1 && out.size() < 64) Coalesce(out);
    return out;
}

std::vector<RECT> RgnSubtract(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    std::vector<RECT> cur = a, next;
    for (const RECT& cut : b) {
        next.clear();
        for (const RECT& r : cur) SubtractOne(r, cut, next);
        cur.swap(next);
    }
    if (cur.size() > 1 && cur.size() < 64) Coalesce(cur);
    return cur;
}

std::vector<RECT> RgnUnion(const std::vector<RECT>& a, const std::vector<RECT>& b) {
    std::vector<RECT> out = a;
    std::vector<RECT> extra = RgnSubtract(b, a);
    out.insert(out.end(), extra.begin(), extra.end());
    if (out.size() > 1 && out.size() < 64) Coalesce(out);
    return out;
}

RECT RgnBox(const std::vector<RECT>& rs) {
    if (rs.empty()) return RECT{0, 0, 0, 0};
    RECT box = rs[0];
    for (const RECT& r : rs) {
        box.left = std::min(box.left, r.left);
        box.top = std::min(box.top, r.top);
        box.right = std::max(box.right, r.right);
        box.bottom = std::max(box.bottom, r.bottom);
    }
    return box;
}

} // namespace win::gfx

namespace win {

using namespace gfx;

namespace {

Region* GetRgn(HRGN h) { return static_cast<Region*>(Lookup(h, Kind::Region)); }

int Complexity(const std::vector<RECT>& rs) {
    return rs.empty() ? NULLREGION : rs.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

std::vector<RECT> Normalised(int l, int t, int r, int b) {
    if (l > r) std::swap(l, r);
    if (t > b) std::swap(t, b);
    RECT rc{l, t, r, b};
    if (Empty(rc)) return {};
    return {rc};
}

} // namespace

HRGN CreateRectRgn(int left, int top, int right, int bottom) {
    auto* r = new Region();
    r->rects = Normalised(left, top, right, bottom);
    Register(r);
    return reinterpret_cast<HRGN>(r);
}

HRGN CreateRectRgnIndirect(const RECT* rc) {
    if (!rc) return nullptr;
    return CreateRectRgn(rc->left, rc->top, rc->right, rc->bottom);
}

BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom) {
    Region* r = GetRgn(rgn);
    if (!r) return FALSE;
    r->rects = Normalised(left, top, right, bottom);
    return TRUE;
}

int CombineRgn(HRGN dest, HRGN src1, HRGN src2, int mode) {
    Region* d = GetRgn(dest);
    Region* a = GetRgn(src1);
    if (!d || !a) return ERROR;
    if (mode == RGN_COPY) {
        d->rects = a->rects;
        return Complexity(d->rects);
    }
    Region* b = GetRgn(src2);
    if (!b) return ERROR;
    std::vector<RECT> out;
    switch (mode) {
    case RGN_AND: out = RgnIntersect(a->rects, b->rects); break;
    case RGN_OR: out = RgnUnion(a->rects, b->rects); break;
    case RGN_DIFF: out = RgnSubtract(a->rects, b->rects); break;
    case RGN_XOR: out = RgnUnion(RgnSubtract(a->rects, b->rects), RgnSubtract(b->rects, a->rects)); break;
    default: return ERROR;
    }
    d->rects = std::move(out);
    return Complexity(d->rects);
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
    Region* r = GetRgn(rgn);
    if (!r) return ERROR;
    for (RECT& rc : r->rects) rc = Offset(rc, dx, dy);
    return Complexity(r->rects);
}

int GetRgnBox(HRGN rgn, LPRECT out) {
    Region* r = GetRgn(rgn);
    if (!r || !out) return ERROR;
    *out = RgnBox(r->rects);
    return Complexity(r->rects);
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
    Region* r = GetRgn(rgn);
    if (!r) return FALSE;
    for (const RECT& rc : r->rects)
        if (x >= rc.left && x < rc.right && y >= rc.top && y < rc.bottom) return TRUE;
    return FALSE;
}

BOOL RectInRegion(HRGN rgn, const RECT* rc) {
    Region* r = GetRgn(rgn);
    if (!r || !rc) return FALSE;
    for (const RECT& x : r->rects)
        if (!Empty(Intersect(x, *rc))) return TRUE;
    return FALSE;
}

BOOL EqualRgn(HRGN a, HRGN b) {
    Region* ra = GetRgn(a);
    Region* rb = GetRgn(b);
    if (!ra || !rb) return FALSE;
    return RgnSubtract(ra->rects, rb->rects).empty() && RgnSubtract(rb->rects, ra->rects).empty() ? TRUE : FALSE;
}

int GetRegionRects(HRGN rgn, RECT* out, int max) {
    Region* r = GetRgn(rgn);
    if (!r) return 0;
    int n = static_cast<int>(r->rects.size());
    if (out)
        for (int i = 0; i < n && i < max; ++i) out[i] = r->rects[static_cast<std::size_t>(i)];
    return n;
}

BOOL FillRgn(HDC hdc, HRGN rgn, HBRUSH brush) {
    Region* r = GetRgn(rgn);
    if (!r || !GetDc(hdc)) return FALSE;
    for (const RECT& rc : r->rects)
        if (!FillRect(hdc, &rc, brush)) return FALSE;
    return TRUE;
}

BOOL InvertRgn(HDC hdc, HRGN rgn) {
    Region* r = GetRgn(rgn);
    if (!r || !GetDc(hdc)) return FALSE;
    for (const RECT& rc : r->rects) InvertRect(hdc, &rc);
    return TRUE;
}

} // namespace win
