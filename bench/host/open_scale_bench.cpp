// What opening a song costs as its track count grows: songs of 4,096, 16,384 and 65,535 small tracks,
// each opened and painted by the built program as `pianoroll --screenshot` (start, read, editor, first
// paint, PNG), against a
// floor measured in the same run: the file reader alone on the same bytes. Prints medians of 3 runs
// (processor time, so that other work on a shared machine does not count), the ratio to the floor and
// the growth from the next smaller song; a cost that grows with the square of the track count shows
// as a growth well above the 4x of the track count. Argument: the largest track count (default 65535).
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <string>
#include <vector>

#include "program_cpu.h"

#include "model/store.h"
#include "smf/smf.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr int kRuns = 3;

// Appends byte by byte: a range insert of a short list trips a false bounds warning of the compiler.
void Add(Bytes& out, std::initializer_list<std::uint8_t> bytes) {
    for (std::uint8_t b : bytes) out.push_back(b);
}

void Put32(Bytes& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// A format-1 song of `tracks` tracks, each named, holding one controller and two notes on its own
// channel, the way a file of many short parts looks.
Bytes MakeSong(int tracks) {
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, static_cast<std::uint8_t>(tracks >> 8),
                 static_cast<std::uint8_t>(tracks), 0x01, 0xE0};
    for (int t = 0; t < tracks; ++t) {
        const auto ch = static_cast<std::uint8_t>(t % 16);
        const auto pitch = static_cast<std::uint8_t>(36 + t % 48);
        const std::string name = "part " + std::to_string(t + 1);
        Bytes body;
        Add(body, {0x00, 0xFF, 0x03, static_cast<std::uint8_t>(name.size())});
        for (char c : name) body.push_back(static_cast<std::uint8_t>(c));
        Add(body, {0x00, static_cast<std::uint8_t>(0xB0 | ch), 7, 100});
        Add(body, {0x00, static_cast<std::uint8_t>(0x90 | ch), pitch, 90});
        Add(body, {0x83, 0x60, pitch, 0}); // running status, 480 ticks later
        Add(body, {0x00, static_cast<std::uint8_t>(pitch + 4), 80});
        Add(body, {0x83, 0x60, static_cast<std::uint8_t>(pitch + 4), 0});
        Add(body, {0x00, 0xFF, 0x2F, 0x00});
        Add(out, {'M', 'T', 'r', 'k'});
        Put32(out, static_cast<std::uint32_t>(body.size()));
        for (std::uint8_t b : body) out.push_back(b);
    }
    return out;
}

double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

template <class F>
double Median(F&& f) {
    std::vector<double> runs;
    for (int i = 0; i < kRuns; ++i) {
        const double start = CpuSeconds();
        f();
        runs.push_back(CpuSeconds() - start);
    }
    std::sort(runs.begin(), runs.end());
    return runs[kRuns / 2];
}

// Processor time of one `pianoroll --screenshot` run, or a negative value when it failed.
double ScreenshotSeconds(const std::string& picture, const std::string& song) {
    return ProgramSeconds({"--screenshot", picture.c_str(), "--size", "600x400", song.c_str()});
}

struct Row {
    int tracks;
    double floor, open;
};

} // namespace

int main(int argc, char** argv) {
    const int largest = argc > 1 ? std::atoi(argv[1]) : 65535;
    if (largest < 16 || largest > 65535) {
        std::fputs("bench_open_scale: the largest track count must be 16 to 65535\n", stderr);
        return 2;
    }
    const std::string dir = "/tmp/bench_open_scale." + std::to_string(getpid());
    const std::string song = dir + ".mid", picture = dir + ".png";
    std::vector<Row> rows;
    for (int tracks : {(largest + 1) / 16, (largest + 1) / 4, largest}) {
        const Bytes bytes = MakeSong(tracks);
        std::ofstream(song, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<std::streamsize>(bytes.size()));
        Row row{tracks, 0, 0};
        row.floor = Median([&] {
            host::Store store;
            const host::smf::ReadResult r = host::smf::Read(bytes.data(), bytes.size(), store);
            if (!r.ok || store.TrackCount() != static_cast<std::size_t>(tracks)) std::abort();
        });
        std::vector<double> runs;
        for (int i = 0; i < kRuns; ++i) runs.push_back(ScreenshotSeconds(picture, song));
        std::sort(runs.begin(), runs.end());
        if (runs.front() < 0) {
            std::fprintf(stderr, "bench_open_scale: %s --screenshot failed on %d tracks\n", VOR_PIANOROLL_EXE, tracks);
            return 1;
        }
        row.open = runs[kRuns / 2];
        rows.push_back(row);
    }
    std::remove(song.c_str());
    std::remove(picture.c_str());
    std::printf("%-8s %12s %12s %8s %14s %14s\n", "tracks", "reader s", "open s", "x floor", "reader growth",
                "open growth");
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& r = rows[i];
        std::printf("%-8d %12.4f %12.4f %8.1f", r.tracks, r.floor, r.open, r.open / r.floor);
        if (i == 0) std::printf(" %14s %14s\n", "-", "-");
        else
            std::printf(" %13.2fx %13.2fx\n", r.floor / rows[i - 1].floor, r.open / rows[i - 1].open);
    }
    std::printf("tracks grow %.2fx from the second song to the last; opening must grow about as much, not "
                "with the square (%.1fx)\n",
                static_cast<double>(rows[2].tracks) / rows[1].tracks,
                static_cast<double>(rows[2].tracks) * rows[2].tracks / (static_cast<double>(rows[1].tracks) * rows[1].tracks));
    return 0;
}
