// MIDI file speed and room: a format-1 file of 1,000,000 notes (16 tracks, running status,
// controllers and pitch bend mixed in) read into the model, written back and converted file to file,
// each against a floor in the same run: a bare loop that walks the file and pairs notes, the same loop
// keeping each event in a 16-byte record (the floor of bytes per event), and a copy of the file that
// reads, walks and saves it. 10,000,000 notes show the scaling; JavaScript parsers compare when present.
// Every case runs once untimed, then single runs repeated, and the medians count: the first touch of
// memory the system has not handed out before costs several times what later ones do and would
// decide a mean of a few runs on its own. The floors keep their bytes in the same kind of room as the
// model and the reader, so that both grow alike. A table at the end puts each case's growth from
// 1,000,000 to 10,000,000 notes next to its floor's.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <set>
#include <utility>
#include <string>
#include <vector>

#include <unistd.h>

#include "model/slot_array.h"
#include "model/store.h"
#include "smf/smf.h"
#include "win/file_replacement.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void PutVlq(Bytes& out, std::uint32_t v) {
    std::uint8_t buf[5];
    int n = 0;
    buf[n++] = v & 0x7F;
    while (v >>= 7) buf[n++] = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
    while (n) out.push_back(buf[--n]);
}

// Each track plays three-note chords on its own channel; note-offs are note-ons of velocity 0 so
// running status carries through; a controller every 4 chords and a pitch bend every 8.
Bytes MakeFile(std::size_t notes) {
    constexpr int kTracks = 16;
    Bytes out = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, kTracks, 0x01, 0xE0};
    const std::size_t chordsPerTrack = notes / kTracks / 3;
    for (int t = 0; t < kTracks; ++t) {
        Bytes body;
        const auto on = static_cast<std::uint8_t>(0x90 | t);
        std::uint8_t running = 0;
        auto status = [&](std::uint8_t s) {
            if (s != running) body.push_back(s);
            running = s;
        };
        for (std::size_t c = 0; c < chordsPerTrack; ++c) {
            const auto root = static_cast<std::uint8_t>(36 + (c * 7 + t) % 48);
            if (c % 4 == 0) {
                PutVlq(body, 0);
                status(static_cast<std::uint8_t>(0xB0 | t));
                body.insert(body.end(), {7, static_cast<std::uint8_t>(c % 128)});
            }
            if (c % 8 == 0) {
                PutVlq(body, 0);
                status(static_cast<std::uint8_t>(0xE0 | t));
                body.insert(body.end(), {static_cast<std::uint8_t>(c % 128), 0x40});
            }
            for (int k = 0; k < 3; ++k) {
                PutVlq(body, 0);
                status(on);
                body.insert(body.end(), {static_cast<std::uint8_t>(root + k * 4), 100});
            }
            for (int k = 0; k < 3; ++k) {
                PutVlq(body, k == 0 ? 240 : 0);
                status(on);
                body.insert(body.end(), {static_cast<std::uint8_t>(root + k * 4), 0});
            }
        }
        body.insert(body.end(), {0x00, 0xFF, 0x2F, 0x00});
        out.insert(out.end(), {'M', 'T', 'r', 'k'});
        const auto n = static_cast<std::uint32_t>(body.size());
        out.insert(out.end(), {static_cast<std::uint8_t>(n >> 24), static_cast<std::uint8_t>(n >> 16),
                               static_cast<std::uint8_t>(n >> 8), static_cast<std::uint8_t>(n)});
        out.insert(out.end(), body.begin(), body.end());
    }
    return out;
}

const Bytes& File(std::size_t notes) {
    static std::map<std::size_t, Bytes> files;
    auto it = files.find(notes);
    if (it == files.end()) it = files.emplace(notes, MakeFile(notes)).first;
    return it->second;
}

// The floor of a model: every event kept as a 16-byte record (tick, length, status and data bytes),
// notes paired into one record, with nothing else held per event.
struct FloorRecord {
    std::uint32_t tick, length;
    std::uint8_t status, d0, d1, d2;
    std::uint32_t spare;
};
static_assert(sizeof(FloorRecord) == 16);

// The floors: walk every event with running status and pair notes first-in-first-out per key,
// keeping only counts, or (kKeep) keeping every event as a record. Anything that reads into a model
// does at least this.
using FloorRecords = host::SlotArray<FloorRecord>;

template <bool kKeep>
std::size_t Walk(const std::uint8_t* f, std::size_t size, FloorRecords& kept) {
    std::size_t pairs = 0, p = 14;
    if constexpr (kKeep) {
        kept.clear();
        kept.reserve(size / 5);
    }
    static std::vector<std::uint32_t> open[16 * 128];
    while (p + 8 <= size) {
        const std::size_t len = (std::size_t(f[p + 4]) << 24) | (f[p + 5] << 16) | (f[p + 6] << 8) | f[p + 7];
        std::size_t q = p + 8;
        const std::size_t end = q + len;
        std::uint32_t tick = 0;
        std::uint8_t running = 0;
        for (auto& o : open) o.clear();
        std::size_t head[16 * 128] = {};
        while (q < end) {
            std::uint32_t d = 0;
            std::uint8_t b;
            do {
                b = f[q++];
                d = (d << 7) | (b & 0x7F);
            } while (b & 0x80);
            tick += d;
            std::uint8_t s = f[q];
            if (s & 0x80) ++q;
            else s = running;
            if (s == 0xFF) {
                const std::uint8_t type = f[q++];
                std::uint32_t l = 0;
                do {
                    b = f[q++];
                    l = (l << 7) | (b & 0x7F);
                } while (b & 0x80);
                q += l;
                if (type == 0x2F) break;
                continue;
            }
            running = s;
            const int type = s & 0xF0, key = (s & 0x0F) * 128 + f[q];
            const bool off = type == 0x80 || (type == 0x90 && !f[q + 1]);
            if (off && head[key] < open[key].size()) {
                ++pairs;
                if constexpr (kKeep) {
                    FloorRecord& on = kept[open[key][head[key]]];
                    on.length = tick - on.tick;
                    on.d2 = f[q + 1];
                }
                ++head[key];
            } else {
                if (type == 0x90 && !off) open[key].push_back(kKeep ? static_cast<std::uint32_t>(kept.size()) : tick);
                if constexpr (kKeep) kept.push_back({tick, 0, s, f[q], f[q + 1], 0, 0});
            }
            q += (type == 0xC0 || type == 0xD0) ? 1 : 2;
        }
        p = end;
    }
    return kKeep ? kept.size() : pairs;
}

std::size_t WalkAndPair(const std::uint8_t* f, std::size_t size) {
    static FloorRecords none;
    return Walk<false>(f, size, none);
}

std::size_t WalkPairAndKeep(const Bytes& f, FloorRecords& kept) { return Walk<true>(f.data(), f.size(), kept); }

// Whether this is a case's first call for its size: then it runs its work once untimed.
bool FirstCall(const char* name, const benchmark::State& state) {
    static std::set<std::pair<std::string, std::int64_t>> called;
    return called.emplace(name, state.range(0)).second;
}

void BM_Floor(benchmark::State& state) {
    const Bytes& f = File(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) benchmark::DoNotOptimize(WalkAndPair(f.data(), f.size()));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size()));
}

void BM_FloorKeep(benchmark::State& state) {
    const Bytes& f = File(static_cast<std::size_t>(state.range(0)));
    if (FirstCall("keep", state)) {
        FloorRecords kept;
        WalkPairAndKeep(f, kept);
    }
    std::size_t events = 0, memory = 0;
    for (auto _ : state) {
        FloorRecords kept;
        events = WalkPairAndKeep(f, kept);
        kept.shrink_to_fit();
        memory = kept.capacity() * sizeof(FloorRecord);
        state.PauseTiming();
        kept = {};
        state.ResumeTiming();
    }
    state.counters["events"] = static_cast<double>(events);
    state.counters["bytes_per_event"] = events ? static_cast<double>(memory) / static_cast<double>(events) : 0;
}

// The song file written once per size, in a folder of this run's own that goes when the run ends.
std::string SongPath(std::size_t notes) {
    static const struct Folder {
        std::filesystem::path path =
            std::filesystem::temp_directory_path() / ("vor_bench_smf_" + std::to_string(::getpid()));
        Folder() { std::filesystem::create_directories(path); }
        ~Folder() {
            std::error_code ignored;
            std::filesystem::remove_all(path, ignored);
        }
    } folder;
    const std::filesystem::path path = folder.path / (std::to_string(notes) + ".mid");
    if (!std::filesystem::exists(path)) {
        const Bytes& f = File(notes);
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
    }
    return path.string();
}

// What --convert does: read the file into the model and save it safely as another file.
void BM_Convert(benchmark::State& state) {
    const std::string in = SongPath(static_cast<std::size_t>(state.range(0)));
    const std::string out = in + ".out.mid";
    auto convert = [&] {
        host::Store store;
        if (!host::smf::ReadFile(in, store).ok) state.SkipWithError("the file did not read");
        if (!host::smf::WriteFile(store, out).ok) state.SkipWithError("the file did not write");
    };
    if (FirstCall("convert", state)) convert();
    for (auto _ : state) convert();
}

// The floor of a conversion: read the file, walk it and pair its notes, save its bytes the same safe
// way. The bytes are read as the reader reads them: into room not cleared first, a large file's
// into large pages.
void BM_ConvertFloor(benchmark::State& state) {
    const std::string in = SongPath(static_cast<std::size_t>(state.range(0)));
    const std::string out = in + ".floor.mid";
    auto copy = [&] {
        const std::size_t size = std::filesystem::file_size(in);
        std::unique_ptr<std::uint8_t[]> heap;
        host::SlotRoom mapped;
        std::uint8_t* bytes;
        if (size >= (std::size_t{32} << 20)) {
            mapped.Resize(size, 0);
            bytes = static_cast<std::uint8_t*>(mapped.Data());
        } else {
            heap.reset(new std::uint8_t[size]);
            bytes = heap.get();
        }
        std::ifstream(in, std::ios::binary).read(reinterpret_cast<char*>(bytes), static_cast<std::streamsize>(size));
        benchmark::DoNotOptimize(WalkAndPair(bytes, size));
        std::string error;
        if (!win::files::ReplaceFileContents(out, bytes, size, &error)) state.SkipWithError(error.c_str());
    };
    if (FirstCall("convert floor", state)) copy();
    for (auto _ : state) copy();
}

void BM_ReadIntoModel(benchmark::State& state) {
    const Bytes& f = File(static_cast<std::size_t>(state.range(0)));
    if (FirstCall("read", state)) {
        host::Store store;
        host::smf::Read(f.data(), f.size(), store);
    }
    std::size_t events = 0, memory = 0;
    for (auto _ : state) {
        auto store = std::make_unique<host::Store>();
        if (!host::smf::Read(f.data(), f.size(), *store).ok) state.SkipWithError("the file did not read");
        events = store->EventCount();
        memory = store->MemoryBytes();
        state.PauseTiming();
        store.reset();
        state.ResumeTiming();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * f.size()));
    state.counters["events"] = static_cast<double>(events);
    state.counters["bytes_per_event"] = events ? static_cast<double>(memory) / static_cast<double>(events) : 0;
}

// Writing into a buffer the caller keeps from write to write, as a saving program would.
void BM_Write(benchmark::State& state) {
    const auto notes = static_cast<std::size_t>(state.range(0));
    static std::map<std::size_t, std::pair<std::unique_ptr<host::Store>, Bytes>> songs;
    auto& [store, out] = songs[notes];
    if (!store) {
        store = std::make_unique<host::Store>();
        const Bytes& f = File(notes);
        if (!host::smf::Read(f.data(), f.size(), *store).ok) state.SkipWithError("the file did not read");
        host::smf::Write(*store, out);
    }
    for (auto _ : state) {
        if (!host::smf::Write(*store, out).ok) state.SkipWithError("the file did not write");
        benchmark::DoNotOptimize(out.data());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * out.size()));
}

// A JavaScript parser on the same file, timed inside node (file already in memory).
void BM_PeerNode(benchmark::State& state, const char* package) {
    const std::string dir = VOR_BENCH_HOST_DIR;
    const std::filesystem::path module = std::filesystem::path(dir) / "node_modules" / package;
    if (std::system("command -v node >/dev/null 2>&1") != 0 || !std::filesystem::exists(module)) {
        state.SkipWithError("node or the package is missing (npm install --prefix bench/host)");
        for (auto _ : state) {
        }
        return;
    }
    const Bytes& f = File(static_cast<std::size_t>(state.range(0)));
    const std::string path = "/tmp/vor_bench_peer_" + std::to_string(::getpid()) + ".mid";
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
    const std::string cmd = "node '" + dir + "/peers.js' '" + package + "' '" + path + "' 1";
    for (auto _ : state) {
        std::FILE* p = ::popen(cmd.c_str(), "r");
        double ms = -1;
        if (p) {
            if (std::fscanf(p, "%lf", &ms) != 1) ms = -1;
            ::pclose(p);
        }
        if (ms < 0) {
            state.SkipWithError("the peer parser failed");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
    }
    std::remove(path.c_str());
}


constexpr std::int64_t kSmall = 1'000'000, kLarge = 10'000'000;
constexpr int kRuns = 7;

// Single timed runs, repeated; the display shows their statistics, the median among them.
void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(kSmall)->Arg(kLarge)->Iterations(1)->Repetitions(kRuns)->DisplayAggregatesOnly()->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Floor)->Apply(Sizes);
BENCHMARK(BM_FloorKeep)->Apply(Sizes);
BENCHMARK(BM_ReadIntoModel)->Apply(Sizes);
BENCHMARK(BM_Write)->Apply(Sizes);
BENCHMARK(BM_ConvertFloor)->Apply(Sizes);
BENCHMARK(BM_Convert)->Apply(Sizes);
BENCHMARK_CAPTURE(BM_PeerNode, midi_file, "midi-file")->Arg(1'000'000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PeerNode, tonejs_midi, "@tonejs/midi")->Arg(1'000'000)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

// The console report, then each case's growth from the small song to the large one beside its floor's.
class GrowthReporter : public benchmark::ConsoleReporter {
public:
    GrowthReporter() : ConsoleReporter(::isatty(1) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median" && !r.error_occurred)
                medians_[r.run_name.function_name][r.run_name.args] = r.GetAdjustedCPUTime();
    }
    void PrintGrowth() const {
        static const char* const kCases[][2] = {{"BM_ReadIntoModel", "BM_FloorKeep"},
                                                {"BM_Convert", "BM_ConvertFloor"},
                                                {"BM_Write", "BM_Floor"},
                                                {"BM_FloorKeep", ""},
                                                {"BM_ConvertFloor", ""},
                                                {"BM_Floor", ""}};
        std::printf("\nmedian CPU ms      %11s %11s %8s  %-16s %8s\n", "1M notes", "10M notes", "growth", "floor", "growth");
        for (const auto& [name, floor] : kCases) {
            const double small = Median(name, kSmall), large = Median(name, kLarge);
            if (small <= 0 || large <= 0) continue;
            const double floorSmall = *floor ? Median(floor, kSmall) : 0, floorLarge = *floor ? Median(floor, kLarge) : 0;
            char floorGrowth[16] = "";
            if (floorSmall > 0 && floorLarge > 0) std::snprintf(floorGrowth, sizeof floorGrowth, "%.1fx", floorLarge / floorSmall);
            std::printf("%-18s %11.1f %11.1f %7.1fx  %-16s %8s\n", name + 3, small, large, large / small,
                        *floorGrowth ? floor + 3 : "", floorGrowth);
        }
    }

private:
    double Median(const std::string& name, std::int64_t notes) const {
        const auto c = medians_.find(name);
        if (c == medians_.end()) return 0;
        const auto m = c->second.find(std::to_string(notes));
        return m == c->second.end() ? 0 : m->second;
    }
    std::map<std::string, std::map<std::string, double>> medians_;
};

} // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    GrowthReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintGrowth();
    benchmark::Shutdown();
    return 0;
}
