// The pixel columns of many ticks of one view, for the loops of a paint.
#pragma once

#include <algorithm>
#include <cstdint>

#include "view/geometry.h"

namespace pianoroll {

// XOfTick (Start) and XOfTickUp (End) of one view for the many ticks of a paint, column for column
// the same: in integers where the doubles those compute with are exact (products below 2^52), and
// for starts given in rising order mostly without a division (the ticks of the last start's column
// are kept).
class TickColumns {
public:
    explicit TickColumns(const TrackView* v);
    int Start(std::int64_t t) {
        if (t >= low_ && t < high_) return column_;
        if (!Exact(t)) return XOfTick(v_, t);
        const std::int64_t k = (2 * (t - origin_) * pixels_ + span_) / (2 * span_);
        // Column k takes the ticks from origin + (2k - 1) * span / (2 * pixels), rounded up.
        low_ = k == 0 ? origin_ : origin_ + CeilDiv((2 * k - 1) * span_, 2 * pixels_);
        high_ = std::min(origin_ + CeilDiv((2 * k + 1) * span_, 2 * pixels_), origin_ + limit_ + 1);
        column_ = Clamp(k);
        return column_;
    }
    int End(std::int64_t t) const {
        if (!Exact(t)) return XOfTickUp(v_, t);
        return Clamp(((t - origin_) * pixels_ + span_ - 1) / span_);
    }

private:
    static std::int64_t CeilDiv(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }
    bool Exact(std::int64_t t) const { return exact_ && t >= origin_ && t - origin_ <= limit_; }
    int Clamp(std::int64_t k) const {
        return static_cast<int>(std::clamp<std::int64_t>(left_ + k, -kPixelClamp, kPixelClamp - 1));
    }

    const TrackView* v_;
    std::int64_t origin_ = 0, span_ = 1, pixels_ = 1, limit_ = -1, left_ = 0;
    bool exact_ = false;
    std::int64_t low_ = 0, high_ = 0; // ticks [low_, high_) lie in column_
    int column_ = 0;
};

} // namespace pianoroll
