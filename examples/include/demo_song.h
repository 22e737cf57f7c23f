// The built-in demo song: a Standard MIDI File composed by the generator at build time.
#pragma once

#include <cstddef>

const unsigned char* DemoSongData();
std::size_t DemoSongSize();
