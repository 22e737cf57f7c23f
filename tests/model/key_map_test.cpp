// The key map: tonics of key signatures and the key in force at each tick.
#include <gtest/gtest.h>

#include "model/key_map.h"

namespace {

using pianoroll::KeyMap;
using pianoroll::KeySignature;
using pianoroll::TonicOf;

TEST(KeyMapTonics, FollowTheCircleOfFifthsAndTheRelativeMinor) {
    // C G D A E B F# C# and, flat side, F Bb Eb Ab Db Gb Cb.
    const int major[15] = {11, 6, 1, 8, 3, 10, 5, 0, 7, 2, 9, 4, 11, 6, 1};
    for (int sharps = -7; sharps <= 7; ++sharps) {
        EXPECT_EQ(TonicOf(sharps, false), major[sharps + 7]) << sharps;
        EXPECT_EQ(TonicOf(sharps, true), (major[sharps + 7] + 9) % 12) << sharps << " minor";
    }
    EXPECT_EQ(TonicOf(0, true), 9) << "A minor";
    EXPECT_EQ(TonicOf(-2, false), 10) << "B flat major";
}

TEST(KeyMapSegments, HoldFromTheirTickWithCMajorBeforeTheFirst) {
    const KeyMap none;
    EXPECT_FALSE(none.FromSignatures());
    ASSERT_EQ(none.Segments().size(), 1u);
    EXPECT_EQ(std::tuple(none.KeyAt(123456).root, none.KeyAt(123456).scale), std::tuple(0, pianoroll::kMajorScale));

    // D major, B flat major from 9600, then (given out of order) E minor from 20000.
    const KeyMap song({{0, 2, false}, {20000, 1, true}, {9600, -2, false}});
    EXPECT_TRUE(song.FromSignatures());
    ASSERT_EQ(song.Segments().size(), 3u);
    // Before the start: the first key.
    EXPECT_EQ(std::tuple(song.KeyAt(-5).root, song.KeyAt(9599).root, song.KeyAt(9600).root, song.IndexAt(19999),
                         song.KeyAt(20000).root, song.KeyAt(20000).scale),
              std::tuple(2, 2, 10, 1u, 4, pianoroll::kNaturalMinorScale));

    // A first key later in the song leaves C major before it; of two at one tick the later holds;
    // signatures out of range are left out.
    const KeyMap late({{480, 3, false}, {480, -1, false}, {960, 8, false}, {-1, 2, false}});
    ASSERT_EQ(late.Segments().size(), 2u);
    // C major, then F major; the C major before the first signature is no signature.
    EXPECT_EQ(std::tuple(late.KeyAt(479).root, late.KeyAt(480).root, late.KeyAt(1000).root), std::tuple(0, 5, 5));
    EXPECT_EQ(std::tuple(late.SignatureAt(0), late.SignatureAt(480), late.SignatureAt(481)),
              std::tuple(false, true, false));
    EXPECT_TRUE(song.SignatureAt(0));
    EXPECT_FALSE(KeyMap({{0, -8, false}}).FromSignatures());
}

} // namespace
