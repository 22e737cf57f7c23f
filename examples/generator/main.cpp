// Writes the demo song as a Standard MIDI File and as a C++ source holding its bytes.
#include <cstdio>
#include <fstream>
#include <iostream>

#include "compose.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: " << argv[0] << " OUT.mid OUT.cpp\n";
        return 2;
    }
    const auto bytes = demosong::WriteSmf(demosong::ComposeDemoSong(), demosong::kTicksPerQuarter);

    std::ofstream mid(argv[1], std::ios::binary);
    mid.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!mid) {
        std::cerr << argv[1] << ": cannot write the file\n";
        return 1;
    }

    std::ofstream src(argv[2]);
    src << "// The demo song's Standard MIDI File bytes (generated at build time).\n"
           "#include \"demo_song.h\"\n\n"
           "namespace {\nconst unsigned char kData[] = {";
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i % 16 == 0) src << "\n   ";
        src << ' ' << static_cast<unsigned>(bytes[i]) << ',';
    }
    src << "\n};\n} // namespace\n\n"
           "const unsigned char* DemoSongData() { return kData; }\n"
           "std::size_t DemoSongSize() { return sizeof kData; }\n";
    if (!src) {
        std::cerr << argv[2] << ": cannot write the file\n";
        return 1;
    }
    return 0;
}
