// KeyMap: the song's keys over ticks, as the root note and scale of the scale table that each key
// signature names (a major key: the major scale on its tonic; a minor key: the natural minor).
#pragma once

#include <cstdint>
#include <vector>

namespace pianoroll {

// Scale indexes of the scale table that key signatures name.
constexpr int kMajorScale = 0;
constexpr int kNaturalMinorScale = 1;

// A key signature: sharps when positive, flats when negative (-7 … 7), and major or minor.
struct KeySignature {
    std::int64_t tick = 0;
    int sharps = 0;
    bool minor = false;
};

// The key in force from `start` on.
struct KeySegment {
    std::int64_t start = 0;
    int root = 0; // 0-11 from C
    int scale = kMajorScale;
    bool signature = false; // a key signature starts it (else the C major before the first one)
    int sharps = 0;         // the signature's sharps, flats negative: how its tonic is spelled
};

// The tonic (0-11 from C) of a key signature.
int TonicOf(int sharps, bool minor);

class KeyMap {
public:
    // A song without key signatures: C major throughout.
    KeyMap();
    // Signatures in any order; of two at one tick the later holds; those out of range are left out.
    explicit KeyMap(const std::vector<KeySignature>& signatures);

    // Whether the song has key signatures at all.
    bool FromSignatures() const noexcept { return signed_; }
    // The segments in start order, the first at tick 0 (C major up to the first signature).
    const std::vector<KeySegment>& Segments() const noexcept { return segments_; }
    // The key in force at the tick (the first one before the song's start).
    const KeySegment& KeyAt(std::int64_t tick) const;
    // The index of that key's segment.
    std::size_t IndexAt(std::int64_t tick) const;
    // Whether a key signature starts at the tick.
    bool SignatureAt(std::int64_t tick) const;

private:
    std::vector<KeySegment> segments_;
    bool signed_ = false;
};

} // namespace pianoroll
