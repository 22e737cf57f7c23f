// The scale table and the test of a pitch against a root and scale.
#include "view/scale.h"

#include <initializer_list>

namespace pianoroll {

namespace {

constexpr int Mask(std::initializer_list<int> semitones) {
    int mask = 0;
    for (int s : semitones) mask |= 1 << s;
    return mask;
}

constexpr int kScales[kScaleCount] = {
    Mask({0, 2, 4, 5, 7, 9, 11}),    Mask({0, 2, 3, 5, 7, 8, 10}), Mask({0, 2, 4, 7, 9}),
    Mask({0, 3, 5, 7, 10}),          Mask({0, 2, 4, 6, 7, 9, 11}), Mask({0, 2, 4, 5, 7, 9, 10}),
    Mask({0, 2, 3, 5, 7, 9, 10}),    Mask({0, 1, 3, 5, 7, 8, 10}), Mask({0, 1, 3, 5, 6, 8, 10}),
    Mask({0, 2, 4, 6, 8, 10}),       Mask({0, 3, 5, 6, 7, 10}),    Mask({0, 2, 3, 5, 7, 9, 11}),
    Mask({0, 2, 3, 5, 7, 8, 11}),    Mask({0, 1, 4, 6, 8, 10, 11}), Mask({0, 2, 3, 5, 6, 8, 9, 11}),
    Mask({0, 3, 4, 7, 8, 11}),       Mask({0, 3, 6, 9}),           Mask({0, 4, 8}),
    0,
};

} // namespace

int ScaleMask(int scaleIndex) {
    if (scaleIndex < 0) scaleIndex = 0;
    if (scaleIndex > kScaleCount - 1) scaleIndex = kScaleCount - 1;
    return kScales[scaleIndex];
}

bool NoteInScale(int pitch, int root, int scaleIndex) {
    const int k = ((pitch - root) % 12 + 12) % 12;
    return (ScaleMask(scaleIndex) >> k) & 1;
}

} // namespace pianoroll
