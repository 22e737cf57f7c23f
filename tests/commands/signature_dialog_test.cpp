// A tonic as spelled in the key signature dialog becomes the key signature so spelled.
#include <gtest/gtest.h>

#include "commands/signature_commands.h"

namespace commandtest {
namespace {

using namespace pianoroll;

// A tonic spelled with a flat gets the flats' signature and one with a sharp the sharps'; a tonic no
// signature spells as named takes the one that does, with the fewest accidentals.
TEST(SignatureSpelling, TheTonicsAccidentalChoosesBetweenEnharmonicKeys) {
    struct Case {
        const char* tonic;
        bool minor;
        int sharps;
    } cases[] = {
        {"C", false, 0},   {"F#", false, 6},  {"Gb", false, -6}, {"C#", false, 7},  {"Db", false, -5},
        {"B", false, 5},   {"Cb", false, -7}, {"G#", false, -4}, {"A#", true, 7},   {"Bb", true, -5},
        {"D#", true, 6},   {"Eb", true, -6},  {"D", true, -1},   {"Ab", true, -7},  {"G#", true, 5},
    };
    for (const Case& c : cases) {
        int sharps = 99;
        EXPECT_TRUE(SignatureOfTonic(c.tonic, c.minor, &sharps)) << c.tonic;
        EXPECT_EQ(sharps, c.sharps) << c.tonic << (c.minor ? " minor" : " major");
    }
    int sharps = 0;
    EXPECT_FALSE(SignatureOfTonic("H", false, &sharps));
}

} // namespace
} // namespace commandtest
