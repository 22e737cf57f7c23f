// Rectangle arithmetic of the classic API.
#include "win/gdi.h"

#include <algorithm>

namespace win {

BOOL SetRect(LPRECT rc, int left, int top, int right, int bottom) {
    if (!rc) return FALSE;
    *rc = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rc) { return SetRect(rc, 0, 0, 0, 0); }

BOOL CopyRect(LPRECT dst, const RECT* src) {
    if (!dst || !src) return FALSE;
    *dst = *src;
    return TRUE;
}

BOOL InflateRect(LPRECT rc, int dx, int dy) {
    if (!rc) return FALSE;
    rc->left -= dx;
    rc->top -= dy;
    rc->right += dx;
    rc->bottom += dy;
    return TRUE;
}

BOOL OffsetRect(LPRECT rc, int dx, int dy) {
    if (!rc) return FALSE;
    rc->left += dx;
    rc->right += dx;
    rc->top += dy;
    rc->bottom += dy;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rc) { return (!rc || rc->right <= rc->left || rc->bottom <= rc->top) ? TRUE : FALSE; }

BOOL PtInRect(const RECT* rc, POINT pt) {
    if (!rc) return FALSE;
    return (pt.x >= rc->left && pt.x < rc->right && pt.y >= rc->top && pt.y < rc->bottom) ? TRUE : FALSE;
}

BOOL IntersectRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (IsRectEmpty(&r)) {
        *dst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL UnionRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    bool ea = IsRectEmpty(a), eb = IsRectEmpty(b);
    if (ea && eb) {
        *dst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    if (ea) *dst = *b;
    else if (eb) *dst = *a;
    else
        *dst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                    std::max(a->bottom, b->bottom)};
    return TRUE;
}

// The difference only when b cuts a whole side off a; otherwise a itself, as classic.
BOOL SubtractRect(LPRECT dst, const RECT* a, const RECT* b) {
    if (!dst || !a || !b) return FALSE;
    RECT r = *a;
    RECT i;
    if (IntersectRect(&i, a, b)) {
        if (i.top == r.top && i.bottom == r.bottom) {
            if (i.left == r.left) r.left = i.right;
            else if (i.right == r.right) r.right = i.left;
        } else if (i.left == r.left && i.right == r.right) {
            if (i.top == r.top) r.top = i.bottom;
            else if (i.bottom == r.bottom) r.bottom = i.top;
        }
    }
    if (IsRectEmpty(&r)) {
        *dst = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *dst = r;
    return TRUE;
}

BOOL EqualRect(const RECT* a, const RECT* b) {
    if (!a || !b) return FALSE;
    return (a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom) ? TRUE
                                                                                                     : FALSE;
}

} // namespace win
