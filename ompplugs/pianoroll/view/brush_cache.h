// Solid brushes made on demand during one paint and deleted with it: a paint uses a few dozen colours.
#pragma once

#include <algorithm>
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

// Fills gathered and drawn in one call, in the order added: the same pixels as filling each at once,
// as long as nothing else draws before Draw.
class FillBatch {
public:
    explicit FillBatch(BrushCache& brushes) : brushes_(brushes) {}
    // [l, r) x [t, b) in colour c; empty rectangles do nothing. A fill that meets the one just before
    // it, in its colour over the same rows, joins it: side-by-side stems or notes become one fill.
    void Add(int l, int t, int r, int b, win::COLORREF c) {
        if (r <= l || b <= t) return;
        const win::HBRUSH brush = brushes_.Get(c);
        if (!list_.empty()) {
            win::POLYPATBLT& last = list_.back();
            const int lastRight = last.nXLeft + last.nWidth;
            if (last.hBrush == brush && last.nYLeft == t && last.nHeight == b - t && l <= lastRight && r >= last.nXLeft) {
                last.nXLeft = std::min(last.nXLeft, l);
                last.nWidth = std::max(lastRight, r) - last.nXLeft;
                return;
            }
        }
        list_.push_back({l, t, r - l, b - t, brush});
    }
    void Draw(win::HDC dc) {
        if (!list_.empty()) win::PolyPatBlt(dc, win::PATCOPY, list_.data(), static_cast<win::DWORD>(list_.size()), 0);
        list_.clear();
    }

private:
    BrushCache& brushes_;
    std::vector<win::POLYPATBLT> list_;
};

} // namespace pianoroll
