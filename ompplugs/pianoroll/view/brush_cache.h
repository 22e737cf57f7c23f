// Solid brushes made on demand during one paint and deleted with it: a paint uses a few dozen colours.
#pragma once

#include <vector>

#include "win/gdi.h"

namespace pianoroll {

class BrushCache {
public:
    BrushCache() = default;
    BrushCache(const BrushCache&) = delete;
    BrushCache& operator=(const BrushCache&) = delete;
    ~BrushCache() {
        for (Entry& e : entries_) win::DeleteObject(e.brush);
    }
    win::HBRUSH Get(win::COLORREF c) {
        for (Entry& e : entries_)
            if (e.colour == c) return e.brush;
        win::HBRUSH b = win::CreateSolidBrush(c);
        entries_.push_back({c, b});
        return b;
    }
    // Fills [l, r) x [t, b) in colour c; empty rectangles do nothing.
    void Fill(win::HDC dc, int l, int t, int r, int b, win::COLORREF c) {
        if (r <= l || b <= t) return;
        const win::RECT rc{l, t, r, b};
        win::FillRect(dc, &rc, Get(c));
    }

private:
    struct Entry {
        win::COLORREF colour;
        win::HBRUSH brush;
    };
    std::vector<Entry> entries_;
};

} // namespace pianoroll
