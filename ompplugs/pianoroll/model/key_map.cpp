// The song's keys over ticks.
#include "model/key_map.h"

#include <algorithm>

namespace pianoroll {

namespace {
constexpr int kMostAccidentals = 7;
// A fifth up is one sharp more; the relative minor lies a minor third below its major.
constexpr int kFifth = 7;
constexpr int kMinorBelowMajor = 3;
constexpr int kOctave = 12;
} // namespace

int TonicOf(int sharps, bool minor) {
    const int major = ((sharps * kFifth) % kOctave + kOctave) % kOctave;
    return minor ? (major + kOctave - kMinorBelowMajor) % kOctave : major;
}

KeyMap::KeyMap() : segments_{KeySegment{}} {}

KeyMap::KeyMap(const std::vector<KeySignature>& signatures) : KeyMap() {
    std::vector<KeySignature> sorted;
    for (const KeySignature& k : signatures)
        if (k.tick >= 0 && k.sharps >= -kMostAccidentals && k.sharps <= kMostAccidentals) sorted.push_back(k);
    std::stable_sort(sorted.begin(), sorted.end(), [](const KeySignature& a, const KeySignature& b) { return a.tick < b.tick; });
    signed_ = !sorted.empty();
    for (const KeySignature& k : sorted) {
        const KeySegment segment{k.tick, TonicOf(k.sharps, k.minor), k.minor ? kNaturalMinorScale : kMajorScale, true, k.sharps};
        if (segments_.back().start == k.tick) segments_.back() = segment;
        else segments_.push_back(segment);
    }
}

std::size_t KeyMap::IndexAt(std::int64_t tick) const {
    const auto after = std::upper_bound(segments_.begin() + 1, segments_.end(), tick,
                                        [](std::int64_t t, const KeySegment& s) { return t < s.start; });
    return static_cast<std::size_t>(after - segments_.begin()) - 1;
}

const KeySegment& KeyMap::KeyAt(std::int64_t tick) const { return segments_[IndexAt(tick)]; }

bool KeyMap::SignatureAt(std::int64_t tick) const {
    const KeySegment& k = KeyAt(tick);
    return k.signature && k.start == tick;
}

} // namespace pianoroll
