// Clip areas as unions of disjoint rectangles: intersection, difference, union and bounding box.
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
