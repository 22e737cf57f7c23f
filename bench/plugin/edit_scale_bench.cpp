// What large edits cost on tracks of 10,000, 100,000 and 1,000,000 notes, each case against a floor
// measured in the same run (a plain loop copying and changing as many 64-byte records): selecting
// all, a marquee over all notes, one drag step of every note, the commit of that move, its undo and
// redo, 10,000 scattered inserts, one drawn note and its undo, deleting, moving, duplicating and copying
// 1,000 notes from the middle, and
// deleting every note (with the peak memory it adds per note, as the first edit of a song just opened
// and when repeated after its undo). Every case includes the cache's upkeep of the notifications, as
// the editor window runs it before it paints. Prints medians of 5 runs (processor time, so that other
// work on a shared machine does not count), the ratio to the floor and the growth from the next
// smaller track.
// Arguments: the largest track (default 1000000) and, for profiling, the name of the one case to run.
#include <malloc.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "model/host_project.h"
#include "module/pianoroll_plugin.h"
#include "mp/track_access.h"

namespace {

using namespace win;

constexpr int kRuns = 5;
constexpr std::int64_t kSpacing = 120;
constexpr std::uint32_t kDuration = 240;
constexpr int kScatteredInserts = 10000;
constexpr std::int64_t kDragStep = 30;

// One track of `notes` notes in one block: two notes share every start and pitches repeat every
// 60 notes, so equal times and equal pitches are common.
struct Song {
    host::HostProject* project = nullptr;
    mp::COPTPianoRollPlugin* plugin = nullptr;
    std::unique_ptr<mp::TrackAccess> access;
    std::uint32_t notes;

    explicit Song(std::uint32_t count) : notes(count) {
        project = host::HostProject::Create();
        project->WithStore([count](host::Store& s) {
            host::TrackValue track;
            track.channel = 0;
            track.order = 1;
            const std::uint32_t id = s.LoadTrack(track);
            host::BlockValue block;
            block.track = id;
            block.end = count / 2 * kSpacing + kDuration;
            const std::uint32_t b = s.LoadBlock(block);
            s.ReserveBlockEvents(b, count);
            for (std::uint32_t i = 0; i < count; ++i) {
                const std::uint8_t data[4] = {static_cast<std::uint8_t>(36 + i % 60), 100, 0, 0};
                s.LoadEvent(b, static_cast<std::int64_t>(i / 2) * kSpacing, mp::MEK_NOTE, 0, kDuration, data);
            }
            s.FinishLoad();
        });
        mp::NewPianoRollPlugin(0, &plugin);
        plugin->AddRef();
        DWORD caps = 0;
        plugin->Initialise(static_cast<mp::IMPMidiData*>(project), nullptr, mp::INIT_MODE_EDITOR, 0, &caps);
        plugin->SetKindFilter(mp::TrackAccess::kDefaultKindFilter);
        plugin->ReloadTracks(true);
        access = std::make_unique<mp::TrackAccess>(mp::TrackAccess::HostOf(plugin));
        access->GetEventCount();
    }
    ~Song() {
        access.reset();
        plugin->Uninitialise();
        plugin->Release();
        project->Release();
    }
    Song(const Song&) = delete;
    Song& operator=(const Song&) = delete;

    std::int64_t End() const { return static_cast<std::int64_t>(notes / 2) * kSpacing + kDuration; }
    // The deferred phase, as the editor window runs it on PRM_TRACK_LIST_CHANGED.
    void Upkeep() { plugin->ProcessNotifications(false); }
    std::vector<mp::EventKey> Keys() {
        std::vector<mp::EventKey> keys;
        for (const mp::EventEntry& e : plugin->EventList()) keys.push_back(e.key);
        return keys;
    }
};

double NowMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// Median of kRuns timings of `work`, each after an untimed `prepare` and followed by an untimed `reset`.
double Median(const std::function<void()>& prepare, const std::function<void()>& work, const std::function<void()>& reset) {
    std::vector<double> times;
    // More runs on request, so that a profile of one case is mostly that case.
    static const int runs = std::getenv("VOR_BENCH_RUNS") ? std::max(1, std::atoi(std::getenv("VOR_BENCH_RUNS"))) : kRuns;
    for (int run = 0; run < runs; ++run) {
        prepare();
        const double start = NowMs();
        work();
        times.push_back(NowMs() - start);
        reset();
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// The floor: read, change and write back as many records as the track has notes.
double Floor(std::uint32_t notes) {
    std::vector<mp::MidiEventRecord> from(notes), to(notes);
    for (std::uint32_t i = 0; i < notes; ++i) from[i].time = i;
    volatile std::int64_t sink = 0;
    const double ms = Median([] {},
                             [&] {
                                 for (std::uint32_t i = 0; i < notes; ++i) {
                                     mp::MidiEventRecord r = from[i];
                                     r.time += kDragStep;
                                     to[i] = r;
                                 }
                                 sink = sink + to[notes - 1].time;
                             },
                             [] {});
    return ms;
}

// Bytes the program holds through new and delete now, and the most since the last reset: the
// memory an edit adds, whether or not the allocator had room left over from earlier work.
std::atomic<std::size_t> heldBytes{0}, peakBytes{0};
void ResetPeak() { peakBytes = heldBytes.load(); }
double PeakBytes() { return static_cast<double>(peakBytes.load()); }
double ResidentBytes() { return static_cast<double>(heldBytes.load()); }

struct Result {
    std::string name;
    double ms; // negative when the case was not run
};

// Extra peak bytes per note of the last delete of every note.
double deletePeakPerNote = -1;

void Nothing() {}

const char* onlyCase = nullptr;

std::vector<Result> Measure(Song& song) {
    mp::TrackAccess& a = *song.access;
    std::vector<Result> results;
    auto run = [&](const char* name, const std::function<void()>& prepare, const std::function<void()>& work,
                   const std::function<void()>& reset) {
        const bool wanted = !onlyCase || std::string(name) == onlyCase;
        results.push_back({name, wanted ? Median(prepare, work, reset) : -1.0});
    };
    auto deselect = [&] {
        a.SelectAll(false);
        song.Upkeep();
    };
    run("select all", Nothing, [&] { a.SelectAll(true); song.Upkeep(); }, deselect);
    run("marquee over all notes", Nothing,
        [&] {
            a.SelectAll(false);
            a.SelectRange(0, song.End(), 0, 127, true);
            song.Upkeep();
        },
        deselect);

    // The move as the tools queue it: every selected note in the modify queue, then one step each.
    a.SelectAll(true);
    song.Upkeep();
    const std::vector<mp::EventKey> keys = song.Keys();
    auto queueAll = [&] {
        for (const mp::EventKey& key : keys) {
            mp::MidiEventRecord record{};
            a.GetEvent(key, &record);
            a.QueueModify(key, record, mp::CHANGE_ALL);
        }
    };
    auto step = [&] {
        for (const mp::EventKey& key : keys) {
            mp::MidiEventRecord record = *a.GetQueuedModify(key);
            record.time += kDragStep;
            a.QueueModify(key, record, mp::CHANGE_ALL);
        }
    };
    run("drag step of every note", queueAll, step, [&] { a.DiscardEdits(); });
    auto commit = [&] {
        a.CommitEdits(u"Move MIDI Events");
        song.Upkeep();
    };
    auto undo = [&] {
        song.project->Undo();
        song.Upkeep();
    };
    auto redo = [&] {
        song.project->Redo();
        song.Upkeep();
    };
    run("commit of that move", [&] { queueAll(); step(); }, commit, undo);
    run("undo of the move", [&] { queueAll(); step(); commit(); }, undo, Nothing);
    run("redo of the move", [&] { queueAll(); step(); commit(); undo(); }, redo, undo);
    deselect();

    auto scatter = [&] {
        const std::int64_t end = song.End();
        for (int i = 0; i < kScatteredInserts; ++i)
            a.InsertNote((i * 7919LL * kSpacing) % end + 7, 100, 127 - 80, false);
    };
    run("10,000 scattered inserts", scatter, commit, undo);

    // One note drawn in the middle and its undo, with the song's length the editor asks after each.
    run("draw and undo of one note", Nothing,
        [&] {
            a.InsertNote(song.End() / 2 + 7, 100, 60, false);
            a.CommitEdits(u"Draw MIDI Event");
            song.Upkeep();
            a.TrackEnd();
            undo();
            a.TrackEnd();
        },
        Nothing);

    // A few notes in the middle of the track: the cost should follow the notes edited, not the track.
    auto selectMiddle = [&] {
        a.SelectRange(song.End() / 2, 500 * kSpacing, 0, 127, true);
        song.Upkeep();
    };
    run("delete of 1,000 notes", selectMiddle,
        [&] {
            a.DeleteSelected();
            song.Upkeep();
        },
        [&] {
            undo();
            deselect();
        });

    // A drag of those notes by a step, committed, and the first page of the block read as the next
    // paint reads it (which settles the host's index of the block).
    run("move of 1,000 notes", [&] {
            selectMiddle();
            for (const mp::EventEntry& e : song.plugin->EntriesMaybeSelected()) {
                mp::MidiEventRecord record{};
                a.GetEvent(e.key, &record);
                record.time += kDragStep;
                a.QueueModify(e.key, record, mp::CHANGE_ALL);
            }
        },
        [&] {
            commit();
            std::vector<mp::MPBlockEvent> page;
            std::uint32_t count = 0;
            song.plugin->ReadBlockPage(keys[0].block, 0, page, &count);
        },
        [&] {
            undo();
            deselect();
        });

    // Copies of a few notes: a copy-move's duplicates, and the clipboard's copy.
    run("duplicate of 1,000 notes", selectMiddle,
        [&] {
            std::vector<mp::EventKey> originals;
            a.DuplicateSelected(&originals);
        },
        [&] {
            a.DiscardEdits();
            deselect();
        });
    run("copy of 1,000 notes", selectMiddle, [&] { song.plugin->CopySelection(nullptr, false); }, deselect);

    // Ctrl+A then Delete, as the editor's keys run them, with the upkeep before the next paint.
    double base = 0;
    run("delete of every note",
        [&] {
            a.SelectAll(true);
            song.Upkeep();
            base = ResidentBytes();
            ResetPeak();
        },
        [&] {
            a.DeleteSelected();
            song.Upkeep();
        },
        [&] {
            // The largest of the runs: the first one finds no room kept from an earlier edit.
            deletePeakPerNote = std::max(deletePeakPerNote, (PeakBytes() - base) / song.notes);
            undo();
            deselect();
        });
    return results;
}

} // namespace

void* operator new(std::size_t size) {
    void* p = std::malloc(size ? size : 1);
    if (!p) throw std::bad_alloc();
    const std::size_t now = heldBytes += malloc_usable_size(p);
    for (std::size_t peak = peakBytes.load(); now > peak && !peakBytes.compare_exchange_weak(peak, now);) {
    }
    return p;
}
void operator delete(void* p) noexcept {
    if (!p) return;
    heldBytes -= malloc_usable_size(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept { operator delete(p); }

int main(int argc, char** argv) {
    const unsigned long largest = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 1000000;
    if (argc > 2) onlyCase = argv[2];
    std::vector<std::uint32_t> sizes;
    for (std::uint32_t notes = 10000; notes <= largest && notes <= 1000000; notes *= 10) sizes.push_back(notes);
    std::vector<std::vector<Result>> all;
    std::vector<double> floors;
    for (std::uint32_t notes : sizes) {
        Song song(notes);
        floors.push_back(Floor(notes));
        all.push_back(Measure(song));
    }
    // Earlier cases leave room in the vectors a delete fills; a song just opened has none.
    double freshPeakPerNote = -1;
    if (!onlyCase || std::string(onlyCase) == "delete of every note") {
        Song fresh(sizes.back());
        fresh.access->SelectAll(true);
        fresh.Upkeep();
        const double base = ResidentBytes();
        ResetPeak();
        fresh.access->DeleteSelected();
        fresh.Upkeep();
        freshPeakPerNote = (PeakBytes() - base) / fresh.notes;
    }
    std::printf("%-26s %9s %10s %8s %8s\n", "case", "notes", "ms", "floor x", "growth");
    for (std::size_t c = 0; c < all[0].size(); ++c) {
        for (std::size_t s = 0; s < all.size(); ++s) {
            const Result& r = all[s][c];
            if (r.ms < 0) continue;
            char growth[16] = "";
            if (s > 0 && all[s - 1][c].ms > 0) std::snprintf(growth, sizeof growth, "%.1f", r.ms / all[s - 1][c].ms);
            std::printf("%-26s %9u %10.3f %8.1f %8s\n", r.name.c_str(), sizes[s], r.ms, r.ms / floors[s], growth);
        }
    }
    for (std::size_t s = 0; s < floors.size(); ++s) std::printf("floor at %u notes: %.3f ms\n", sizes[s], floors[s]);
    if (freshPeakPerNote >= 0)
        std::printf("delete of every note at %u notes: %.0f bytes of peak memory per note as the first edit of a song "
                    "just opened, %.0f at most when repeated after its undo\n",
                    sizes.back(), freshPeakPerNote, deletePeakPerNote);
    return 0;
}
