// The built pianoroll binary end to end: screenshots that show the song's notes, scripts
// whose failures write nothing, settings kept in the file,
// and the message when there is no display.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <climits>
#include <cstdio>
#include <sstream>

#include "app_test_util.h"
#include "demo_song.h"
#include "main_window.h"
#include "run_pianoroll.h"
#include "script.h"
#include "smf/smf.h"
#include "song_file.h"

namespace {

using namespace apptest;
using namespace host::app;
using win::POINT;

using Result = runtest::PianorollRun;

Result Pianoroll(const TempDir& dir, const std::vector<std::string>& args, const std::string& env = "") {
    return runtest::RunPianoroll(dir.Path(), args, env);
}

// Where notes land on screen, from the same editor in this process at the same size and track.
class Geometry {
public:
    Geometry(const Bytes& song, int width, int height, int track) {
        UseBuiltModule();
        std::string error;
        auto doc = Document::FromBytes(song.data(), song.size(), "song.mid", DocumentOptions{}, &error);
        EXPECT_TRUE(doc) << error;
        runner_ = std::make_unique<ScriptRunner>(std::move(doc));
        ScriptFailure failure;
        std::string script = "size " + std::to_string(width) + " " + std::to_string(height) + "\n";
        if (track > 1) script += "track " + std::to_string(track) + "\n";
        script += "move 0 0\n";
        EXPECT_TRUE(runner_->Run(script, &failure)) << failure.reason;
    }
    bool At(std::int64_t tick, int note, POINT* out) const {
        return ViewPoint(runner_->Window()->Handle(), tick, note, out);
    }

private:
    std::unique_ptr<ScriptRunner> runner_;
};

// Checks that the visible notes of a track are drawn: the pixel just inside a note's start differs from
// the pixel just before it in the same row, or else from the pixel an octave below or above where no
// note is (the same kind of key, so the same background).
// Returns how many notes were checked.
int CheckNotesShown(const Image& image, const Geometry& geometry, const std::vector<Note>& notes, int track) {
    int checked = 0;
    for (const Note& n : notes) {
        if (n.track != track) continue;
        POINT at{}, end{};
        if (!geometry.At(n.tick, n.pitch, &at)) continue;
        // Stay clear of the vertical scroll bar and the margin at the right of the grid.
        if (at.x < 0 || at.x + 3 >= image.width - 48 || at.y >= image.height) continue;
        if (geometry.At(n.tick + n.duration, n.pitch, &end) && end.x - at.x < 6) continue; // too thin to probe
        // Left of the note in its own row, when no note of that pitch sounds just before it.
        POINT origin{};
        bool freeBefore = geometry.At(0, n.pitch, &origin) && at.x - 2 > origin.x + 1;
        for (const Note& o : notes)
            if (o.track == track && o.pitch == n.pitch && &o != &n && o.tick < n.tick &&
                o.tick + o.duration + n.duration > n.tick)
                freeBefore = false;
        if (freeBefore) {
            EXPECT_NE(image.At(at.x + 3, at.y), image.At(at.x - 2, at.y))
                << "note " << n.pitch << " at tick " << n.tick << " is not drawn at " << at.x + 3 << "," << at.y;
            ++checked;
            continue;
        }
        for (int octave : {-12, 12}) {
            int other = n.pitch + octave;
            bool busy = other < 0 || other > 127;
            for (const Note& o : notes)
                if (o.track == track && o.pitch == other && o.tick < n.tick + n.duration && n.tick < o.tick + o.duration)
                    busy = true;
            POINT compare{};
            if (busy || !geometry.At(n.tick, other, &compare) || compare.y >= image.height) continue;
            EXPECT_NE(image.At(at.x + 3, at.y), image.At(at.x + 3, compare.y))
                << "note " << n.pitch << " at tick " << n.tick << " is not drawn at " << at.x + 3 << "," << at.y;
            ++checked;
            break;
        }
    }
    return checked;
}

TEST(EndToEnd, ScreenshotOfTheDemoSongShowsItsNotes) {
    TempDir dir;
    fs::path png = dir / "demo.png";
    Result r = Pianoroll(dir, {"--screenshot", png.string(), "--size", "1000x600", "--track", "2"});
    ASSERT_EQ(r.status, 0) << r.err;
    Image image;
    ASSERT_TRUE(ReadPng(png, &image));
    EXPECT_EQ((std::tuple{image.width, image.height}), (std::tuple{1000, 600}));
    Bytes demo(DemoSongData(), DemoSongData() + DemoSongSize());
    Geometry geometry(demo, 1000, 600, 2);
    EXPECT_GE(CheckNotesShown(image, geometry, NotesOfBytes(demo), 1), 3);
}

TEST(EndToEnd, ScreenshotOfACorpusFileShowsItsNotes) {
    fs::path corpus = CorpusDir();
    fs::path file = corpus / "freedoom1-D_VICTOR.mid";
    if (!fs::exists(file)) GTEST_SKIP() << "no corpus file " << file;
    Bytes bytes = ReadBytes(file);
    std::vector<Note> notes = NotesOfBytes(bytes);
    ASSERT_FALSE(notes.empty());
    // The track with the most notes in view at the start that are wide enough to probe.
    int track = -1, best = 0;
    for (int t = 0; t <= notes.back().track; ++t) {
        Geometry g(bytes, 1100, 640, t + 1);
        int wide = 0;
        for (const Note& n : notes) {
            POINT a{}, b{};
            if (n.track == t && g.At(n.tick, n.pitch, &a) && (!g.At(n.tick + n.duration, n.pitch, &b) || b.x - a.x >= 6))
                ++wide;
        }
        if (wide > best) {
            best = wide;
            track = t;
        }
    }
    ASSERT_GE(track, 0) << "no notes in view at the start of any track";
    TempDir dir;
    fs::path png = dir / "corpus.png";
    Result r = Pianoroll(dir, {"--screenshot", png.string(), "--size", "1100x640", "--track", std::to_string(track + 1),
                            file.string()});
    ASSERT_EQ(r.status, 0) << r.err;
    Image image;
    ASSERT_TRUE(ReadPng(png, &image));
    EXPECT_EQ((std::tuple{image.width, image.height}), (std::tuple{1100, 640}));
    Geometry geometry(bytes, 1100, 640, track + 1);
    EXPECT_GE(CheckNotesShown(image, geometry, notes, track), 1);
}

// A format 1 song at 480 ticks per quarter: a conductor track with the time signatures (tick, beats,
// note value as a power of two) and a track whose one note ends at `end`.
Bytes MeterSong(const std::vector<std::array<int, 3>>& meters, int end) {
    auto chunk = [](const char* id, const Bytes& body) {
        Bytes out(id, id + 4);
        for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(body.size() >> shift));
        out.insert(out.end(), body.begin(), body.end());
        return out;
    };
    auto delta = [](Bytes& to, int ticks) {
        Bytes groups{static_cast<std::uint8_t>(ticks & 0x7F)};
        for (ticks >>= 7; ticks > 0; ticks >>= 7) groups.insert(groups.begin(), static_cast<std::uint8_t>(0x80 | (ticks & 0x7F)));
        to.insert(to.end(), groups.begin(), groups.end());
    };
    Bytes conductor;
    int at = 0;
    for (const auto& [tick, beats, power] : meters) {
        delta(conductor, tick - at);
        at = tick;
        const std::initializer_list<std::uint8_t> meta{0xFF, 0x58, 4, static_cast<std::uint8_t>(beats), static_cast<std::uint8_t>(power), 24, 8};
        conductor.insert(conductor.end(), meta);
    }
    conductor.insert(conductor.end(), {0, 0xFF, 0x2F, 0});
    Bytes notes{0, 0x90, 60, 100};
    delta(notes, end);
    notes.insert(notes.end(), {0x80, 60, 0, 0, 0xFF, 0x2F, 0});
    Bytes song = chunk("MThd", {0, 1, 0, 2, 480 >> 8, 480 & 0xFF});
    for (const Bytes& track : {conductor, notes}) {
        const Bytes c = chunk("MTrk", track);
        song.insert(song.end(), c.begin(), c.end());
    }
    return song;
}

// The bars --info counts and the bars its meter line names, as a script that checks the editor shows
// the same: each meter's start as beat 1 of its bar, and the song's last tick in its last bar.
std::string BarsOfInfo(const std::string& info) {
    std::string script = "track 2\n";
    std::istringstream lines(info);
    for (std::string line; std::getline(lines, line);) {
        long long end = 0, measures = 0;
        if (std::sscanf(line.c_str(), "length: %lld ticks, %lld measures", &end, &measures) == 2 && end > 0)
            script += "expect-bar " + std::to_string(end - 1) + " " + std::to_string(measures) + "\n";
        if (line.rfind("meter:", 0) != 0) continue;
        unsigned beats = 0, value = 0;
        long long bar = 0, tick = 0;
        int used = 0;
        for (const char* p = line.c_str() + 6; std::sscanf(p, " %u/%u from bar %lld (tick %lld)%n", &beats, &value, &bar, &tick, &used) == 4; p += used) {
            script += "expect-bar " + std::to_string(tick) + " " + std::to_string(bar) + " 1 0\n";
            if (p[used] == ',') ++used;
        }
    }
    return script;
}

TEST(EndToEnd, TheEditorCountsTheBarsInfoCounts) {
    TempDir dir;
    // 4/4, 6/4 from 3840, one 1/4 bar at 72960, 6/4 again from 73440; and a song of 3/8, 5/8 and 7/16.
    std::vector<fs::path> songs{dir / "changes.mid", dir / "odd.mid"};
    WriteBytes(songs[0], MeterSong({{0, 4, 2}, {3840, 6, 2}, {72960, 1, 2}, {73440, 6, 2}}, 92640));
    WriteBytes(songs[1], MeterSong({{0, 3, 3}, {2160, 5, 3}, {4560, 7, 4}}, 20000));
    const fs::path corpusSong = fs::path(CorpusDir()) / "ttsong_iii_imuh3.mid";
    if (fs::exists(corpusSong)) songs.push_back(corpusSong);
    for (const fs::path& song : songs) {
        const Result info = Pianoroll(dir, {"--info", song.string()});
        ASSERT_EQ(info.status, 0) << info.err;
        const std::string script = BarsOfInfo(info.out);
        EXPECT_GE(std::count(script.begin(), script.end(), '\n'), 5) << info.out;
        WriteText(dir / "bars.txt", script);
        const Result run = Pianoroll(dir, {"--script", (dir / "bars.txt").string(), song.string()});
        EXPECT_EQ(run.status, 0) << song << ":\n" << script << run.err;
    }
}

TEST(EndToEnd, AFailingLineExitsNonZeroNamesTheLineAndWritesNothing) {
    TempDir dir;
    WriteBytes(dir / "in.mid", MakeSong({{0, 0, 480, 60}}));
    WriteText(dir / "s.txt", "save " + (dir / "out.mid").string() + "\nscreenshot " + (dir / "out.png").string() +
                                 "\nexpect-notes 7\nsave " + (dir / "late.mid").string() + "\n");
    Result r = Pianoroll(dir, {"--script", (dir / "s.txt").string(), (dir / "in.mid").string()});
    EXPECT_NE(r.status, 0);
    EXPECT_NE(r.err.find("s.txt:3: expected 7 notes, found 1"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(dir / "out.mid"));
    EXPECT_FALSE(fs::exists(dir / "out.png"));
    EXPECT_FALSE(fs::exists(dir / "late.mid"));

    // Without a script, the language.
    Result language = Pianoroll(dir, {"--script"});
    EXPECT_EQ(language.status, 0);
    EXPECT_NE(language.out.find("expect-note TICK NOTE DUR VEL [selected]"), std::string::npos) << language.out;
}

TEST(EndToEnd, EditorSettingsSurviveSaveAndReopen) {
    TempDir dir;
    // A file saved earlier with other settings: preset zoom, saved time zoom level, quantize, lane.
    Bytes start;
    {
        Bytes image = MakeSong({{0, 0, 480, 60}});
        WriteBytes(dir / "plain.mid", image);
        WriteText(dir / "save.txt", "save " + (dir / "with.mid").string() + "\n");
        ASSERT_EQ(Pianoroll(dir, {"--script", (dir / "save.txt").string(), (dir / "plain.mid").string()}).status, 0);
        start = SettingsOfFile(dir / "with.mid");
        ASSERT_EQ(start.size(), 340u);
    }
    // Preset zoom, saved top row, time zoom level and row height level, quantize, lane.
    const std::pair<int, std::int32_t> words[] = {{46, 11}, {64, 40}, {65, 2}, {66, 8}, {72, 3}, {75, 1129}};
    for (const auto& [word, value] : words) SetSettingsWord(start, word, value);
    // Without a saved time span (words 30-31) the saved zoom level decides the span.
    SetSettingsWord(start, 30, 0);
    SetSettingsWord(start, 31, 0);
    // Settings of a later build after the block come back as they went in.
    const std::string later("PRX1\x0D\0\0\0zz.unknown=7\n", 21);
    start.insert(start.end(), later.begin(), later.end());
    Bytes image = MakeSong({{0, 0, 480, 60}});
    ASSERT_TRUE(InsertSettingsEvent(image, start));
    WriteBytes(dir / "set.mid", image);
    WriteText(dir / "resave.txt", "save " + (dir / "again.mid").string() + "\n");
    Result r = Pianoroll(dir, {"--script", (dir / "resave.txt").string(), (dir / "set.mid").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "") << "intact settings open without a note";
    Bytes back = SettingsOfFile(dir / "again.mid");
    for (const auto& [word, value] : words) EXPECT_EQ(SettingsWord(back, word), value) << "settings word " << word;
    ASSERT_EQ(back.size(), 340u + later.size());
    EXPECT_EQ(std::string(back.begin() + 340, back.end()), later);
    EXPECT_EQ(NotesOfFile(dir / "again.mid"), (std::vector<Note>{{0, 0, 480, 60}}));
}

TEST(EndToEnd, ASongOpensWithTheViewItWasSavedWith) {
    TempDir dir;
    WriteBytes(dir / "plain.mid", MakeSong({{0, 0, 480, 60}, {0, 9600, 480, 72}, {0, 96000, 480, 48}}));
    // Zoomed, scrolled in time and rows, taller rows; then saved.
    WriteText(dir / "edit.txt", "size 1000 600\nzoom 6 3000\nrows 12 70\nwheel t:4000 n:60 -120 ctrl\n"
                                "wheel t:4000 n:60 120 shift\nsave " + (dir / "viewed.mid").string() +
                                    "\nscreenshot " + (dir / "before.png").string() + "\n");
    Result r = Pianoroll(dir, {"--script", (dir / "edit.txt").string(), (dir / "plain.mid").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    // The pointer where the wheel left it: the status field names the row under it in both pictures.
    WriteText(dir / "open.txt", "size 1000 600\nmove t:4000 n:60\nscreenshot " + (dir / "after.png").string() + "\n");
    r = Pianoroll(dir, {"--script", (dir / "open.txt").string(), (dir / "viewed.mid").string()});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir / "before.png"), ReadBytes(dir / "after.png"));
    // A wider window shows the same stretch of the song: 2483 (3000 less a tenth of the 5166-tick span that
    // 6 ticks per pixel gave over 861 pixels) onwards, over its own 1061 pixels.
    WriteText(dir / "wide.txt", "size 1200 700\nexpect-view 2483 5166/1061\n");
    r = Pianoroll(dir, {"--script", (dir / "wide.txt").string(), (dir / "viewed.mid").string()});
    EXPECT_EQ(r.status, 0) << r.err;
}

TEST(EndToEnd, CommandLineProblemsAreOneClearLine) {
    TempDir dir;
    Result none = Pianoroll(dir, {}, "env -u DISPLAY -u WAYLAND_DISPLAY -u PIANOROLL_BACKEND");
    EXPECT_EQ(none.status, 1);
    EXPECT_NE(none.err.find("--screenshot"), std::string::npos) << none.err;
    EXPECT_EQ(std::count(none.err.begin(), none.err.end(), '\n'), 1) << none.err;

    Result forced = Pianoroll(dir, {}, "env PIANOROLL_BACKEND=headless");
    EXPECT_EQ(forced.status, 1);
    EXPECT_NE(forced.err.find("--screenshot"), std::string::npos) << forced.err;

    WriteText(dir / "bad.mid", "not a song");
    Result bad = Pianoroll(dir, {"--screenshot", (dir / "x.png").string(), (dir / "bad.mid").string()});
    EXPECT_EQ(bad.status, 1);
    EXPECT_NE(bad.err.find("bad.mid"), std::string::npos) << bad.err;
    EXPECT_FALSE(fs::exists(dir / "x.png"));

    EXPECT_EQ(Pianoroll(dir, {"--screenshot"}).status, 2);
    Result convert = Pianoroll(dir, {"--convert", (dir / "bad.mid").string()});
    EXPECT_EQ(convert.status, 2);
    EXPECT_NE(convert.err.find("--convert needs an input and an output file"), std::string::npos) << convert.err;
    EXPECT_EQ(Pianoroll(dir, {"--screenshot", (dir / "y.png").string(), "--size", "12"}).status, 2);
    Result track = Pianoroll(dir, {"--screenshot", (dir / "z.png").string(), "--track", "40"});
    EXPECT_EQ(track.status, 1);
    EXPECT_NE(track.err.find("no track 40"), std::string::npos) << track.err;
    EXPECT_FALSE(fs::exists(dir / "z.png"));
    Result script = Pianoroll(dir, {"--script", (dir / "missing.txt").string()});
    EXPECT_EQ(script.status, 1);
    EXPECT_NE(script.err.find("missing.txt"), std::string::npos);
}

// The README's example script, as a reader copies it, passes on the song ./run opens.
TEST(EndToEnd, TheReadmeExamplePassesOnTheDemoSong) {
    TempDir dir;
    std::istringstream readme(runtest::Slurp(fs::path(VOR_SOURCE_DIR) / "README.md"));
    std::string line, script;
    bool inside = false;
    while (std::getline(readme, line)) {
        inside = inside || line.rfind("    size 1201 700", 0) == 0;
        if (!inside) continue;
        if (line.rfind("    ", 0) != 0) break;
        script += line.substr(4) + "\n";
    }
    ASSERT_NE(script.find("screenshot out.png"), std::string::npos) << script;
    WriteText(dir / "example.txt", script);
    Result r = Pianoroll(dir, {"--script", "example.txt"}, "cd " + runtest::ShellQuote(dir.Path().string()) + " &&");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(fs::exists(dir / "out.mid"));
    EXPECT_TRUE(fs::exists(dir / "out.png"));
}

} // namespace
