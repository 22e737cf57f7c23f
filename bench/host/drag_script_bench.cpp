// What a marquee over every note of a one-track song of 100,000 notes and one drag of them add to an
// editing script, run by the built program as `pianoroll --script`: the same script without the
// marquee and the drag (start, read, editor, first paint) is the floor, run in turn with it so that
// both see the same machine. Prints medians of 5 runs of each (processor time of the program, so
// that other work on a shared machine does not count) and what the gestures add.
// Argument: the note count (default 100000).
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "program_cpu.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kRuns = 5;
constexpr int kSpacing = 9;   // ticks between note starts
constexpr int kPitches = 90;  // pitches 30 to 119 in turn: each note lasts until its pitch comes again
constexpr int kLowest = 30;

void PutVarLen(Bytes& out, std::uint32_t v) {
    std::uint8_t bytes[5];
    int n = 0;
    do {
        bytes[n++] = static_cast<std::uint8_t>(v & 0x7F);
        v >>= 7;
    } while (v);
    while (n-- > 0) out.push_back(static_cast<std::uint8_t>(bytes[n] | (n ? 0x80 : 0)));
}

// One track of `notes` notes, and a little room after them up to a volume change (the view shows
// the song with room to spare at most).
Bytes MakeSong(int notes) {
    struct Edge {
        int tick;
        bool on;
        std::uint8_t pitch;
    };
    std::vector<Edge> edges;
    for (int i = 0; i < notes; ++i) {
        const auto pitch = static_cast<std::uint8_t>(kLowest + i % kPitches);
        edges.push_back({i * kSpacing, true, pitch});
        edges.push_back({i * kSpacing + kSpacing * kPitches, false, pitch});
    }
    std::stable_sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) {
        return a.tick != b.tick ? a.tick < b.tick : (!a.on && b.on);
    });
    Bytes body;
    int last = 0;
    for (const Edge& e : edges) {
        PutVarLen(body, static_cast<std::uint32_t>(e.tick - last));
        last = e.tick;
        for (std::uint8_t b : {std::uint8_t(e.on ? 0x90 : 0x80), e.pitch, std::uint8_t(e.on ? 100 : 0)}) body.push_back(b);
    }
    PutVarLen(body, static_cast<std::uint32_t>(notes * kSpacing / 15));
    for (std::uint8_t b : {0xB0, 7, 100, 0x00, 0xFF, 0x2F, 0x00}) body.push_back(b);
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 1, 0x03, 0xC0, 'M', 'T', 'r', 'k'};
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(body.size() >> shift));
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

// The whole song in view, the select tool, then a closer view; with the gestures a marquee from
// above the highest note to below the lowest while the whole song shows, then (closer) a drag of the
// selection 4,000 ticks later and two semitones up.
std::string Script(int notes, bool gestures) {
    std::string s = "size 1201 700\nzoom " + std::to_string(notes * kSpacing / 1000) + "\nrows 5 122\ntool select\n";
    if (gestures) {
        // The marquee begins where the pointer first moves: one row down from the press, then eight
        // steps to the end, as a hand drags it.
        const int end = notes * kSpacing;
        s += "press left t:0 n:121\nmove t:0 n:120\n";
        for (int step = 1; step <= 8; ++step)
            s += "move t:" + std::to_string(end / 8 * step) + " n:" + std::to_string(120 - 92 * step / 8) + "\n";
        s += "release left t:" + std::to_string(end / 8 * 8) + " n:28\n";
        s += "expect-selected " + std::to_string(notes) + "\n";
    }
    s += "zoom 10\n";
    if (gestures) {
        // Unsnapped (Shift held while moving), in eight steps.
        s += "press left t:4000 n:43\n";
        for (int step = 1; step <= 8; ++step)
            s += "move t:" + std::to_string(4000 + 500 * step) + " n:" + std::to_string(43 + step / 4) + " shift\n";
        s += "release left t:8000 n:45 shift\n";
        s += "expect-undo \"Move MIDI Events\"\n";
        s += "expect-selected " + std::to_string(notes) + "\n";
    }
    s += "expect-notes " + std::to_string(notes) + "\n";
    return s;
}

// Processor time of one `pianoroll --script` run, or a negative value when it failed.
double ScriptSeconds(const std::string& script, const std::string& song) {
    return ProgramSeconds({"--script", script.c_str(), song.c_str()});
}

} // namespace

int main(int argc, char** argv) {
    const int notes = argc > 1 ? std::atoi(argv[1]) : 100000;
    if (notes < 2000 || notes > 1000000) {
        std::fputs("bench_drag_script: the note count must be 2000 to 1000000\n", stderr);
        return 2;
    }
    const std::string stem = "/tmp/bench_drag_script." + std::to_string(getpid());
    const std::string song = stem + ".mid", base = stem + ".base.txt", full = stem + ".full.txt";
    const Bytes bytes = MakeSong(notes);
    std::ofstream(song, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    std::ofstream(base) << Script(notes, false);
    std::ofstream(full) << Script(notes, true);
    std::vector<double> floors, runs;
    for (int i = 0; i < kRuns; ++i) {
        floors.push_back(ScriptSeconds(base, song));
        runs.push_back(ScriptSeconds(full, song));
    }
    for (const std::string& f : {song, base, full}) std::remove(f.c_str());
    std::sort(floors.begin(), floors.end());
    std::sort(runs.begin(), runs.end());
    if (floors.front() < 0 || runs.front() < 0) {
        std::fprintf(stderr, "bench_drag_script: a script failed (%s --script)\n", VOR_PIANOROLL_EXE);
        return 1;
    }
    const double floor = floors[kRuns / 2] * 1e3, with = runs[kRuns / 2] * 1e3;
    std::printf("%d notes: script without the gestures %.1f ms, with the marquee and the drag %.1f ms, added %.1f ms\n",
                notes, floor, with, with - floor);
    return 0;
}
