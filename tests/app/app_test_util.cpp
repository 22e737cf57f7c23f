// Helpers of the application tests.
#include "app_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <tuple>

#include <unistd.h>

#include "document.h"
#include "mp/script_query.h"
#include "smf/smf.h"
#include "song_file.h"
#include "vor/image.h"

namespace apptest {

void UseBuiltModule() { setenv("PIANOROLL_MODULE", VOR_BINARY_DIR "/bin/pianoroll.so", 1); }

TempDir::TempDir() {
    static int counter = 0;
    path_ = fs::temp_directory_path() /
            ("vor_app_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
    fs::remove_all(path_);
    fs::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

Bytes ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

void WriteText(const fs::path& path, const std::string& text) {
    std::ofstream out(path);
    out << text;
}

bool Note::operator<(const Note& o) const {
    return std::tie(track, tick, pitch, duration) < std::tie(o.track, o.tick, o.pitch, o.duration);
}

std::vector<Note> NotesOf(const host::Store& store) {
    std::vector<Note> notes;
    int index = 0;
    for (std::uint32_t t : store.TracksInOrder()) {
        for (std::uint32_t b : store.BlocksOf(t))
            for (std::uint32_t e : store.EventsOf(b))
                if (store.EventKind(e) == mp::MEK_NOTE) {
                    host::EventValue v = store.Event(e);
                    notes.push_back(Note{index, store.Block(b)->start + v.time, v.length, v.data[0]});
                }
        ++index;
    }
    std::sort(notes.begin(), notes.end());
    return notes;
}

std::vector<Note> NotesOfBytes(const Bytes& image) {
    host::Store store;
    host::smf::ReadResult read = host::smf::Read(image.data(), image.size(), store);
    EXPECT_TRUE(read.ok) << read.error;
    return NotesOf(store);
}

std::vector<Note> NotesOfFile(const fs::path& path) { return NotesOfBytes(ReadBytes(path)); }

Bytes MakeSong(const std::vector<Note>& notes, int tracks) {
    host::Store store;
    store.SetTicksPerQuarter(480);
    std::vector<std::uint32_t> blocks;
    for (int t = 0; t < tracks; ++t) {
        host::TrackValue track;
        track.name = t == 0 ? u"Lead" : u"Track " + std::u16string(1, static_cast<char16_t>(u'1' + t));
        track.order = static_cast<std::uint32_t>(t + 1);
        std::uint32_t id = 0;
        store.InsertTrack(track, &id);
        std::int64_t end = 1920 * 4;
        for (const Note& n : notes)
            if (n.track == t) end = std::max(end, n.tick + n.duration + 480);
        host::BlockValue block;
        block.track = id;
        block.start = 0;
        block.end = end;
        std::uint32_t blockId = 0;
        store.InsertBlock(block, &blockId);
        blocks.push_back(blockId);
    }
    for (const Note& n : notes) {
        host::EventValue v;
        v.block = blocks.at(static_cast<std::size_t>(n.track));
        v.time = n.tick;
        v.kind = mp::MEK_NOTE;
        v.channel = 0;
        v.length = n.duration;
        v.data[0] = static_cast<std::uint8_t>(n.pitch);
        v.data[1] = 100;
        std::uint32_t id = 0;
        store.InsertEvent(v, &id);
    }
    Bytes out;
    host::smf::WriteResult written = host::smf::Write(store, out);
    EXPECT_TRUE(written.ok) << written.error;
    return out;
}

Bytes SettingsOfBytes(const Bytes& image) {
    host::Store store;
    host::smf::ReadResult read = host::smf::Read(image.data(), image.size(), store);
    EXPECT_TRUE(read.ok) << read.error;
    bool found = false;
    return host::app::TakeSettingsEvent(store, &found);
}

Bytes SettingsOfFile(const fs::path& path) { return SettingsOfBytes(ReadBytes(path)); }

std::int32_t SettingsWord(const Bytes& settings, int index) {
    std::size_t at = 12 + static_cast<std::size_t>(index) * 4;
    if (settings.size() < at + 4) return 0x7FFFFFFF;
    return static_cast<std::int32_t>(settings[at] | (settings[at + 1] << 8) | (settings[at + 2] << 16) |
                                     (static_cast<std::uint32_t>(settings[at + 3]) << 24));
}

void SetSettingsWord(Bytes& settings, int index, std::int32_t value) {
    const std::size_t at = 12 + static_cast<std::size_t>(index) * 4;
    for (int i = 0; i < 4; ++i) settings[at + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> (8 * i));
}

void AddNoteEdit(host::app::Document& doc, int pitch, const std::u16string& name) {
    doc.Project()->WithStore([&](host::Store& store) {
        store.BeginTransaction(1, name);
        host::EventValue v;
        v.block = store.BlocksOf(store.TracksInOrder()[0])[0];
        v.kind = mp::MEK_NOTE;
        v.channel = 0;
        v.length = 240;
        v.data[0] = static_cast<std::uint8_t>(pitch);
        v.data[1] = 100;
        std::uint32_t id = 0;
        store.InsertEvent(v, &id);
        store.EndTransaction(true);
    });
}

win::HWND FindTrackView(win::HWND main) {
    win::HWND found = nullptr;
    win::EnumChildWindows(
        main,
        [](win::HWND child, win::LPARAM lParam) -> win::BOOL {
            char name[64] = {};
            win::GetClassName(child, name, sizeof name);
            if (std::string(name) != "pianorollBld0TrackviewClass") return win::TRUE;
            *reinterpret_cast<win::HWND*>(lParam) = child;
            return win::FALSE;
        },
        reinterpret_cast<win::LPARAM>(&found));
    return found;
}

bool ViewPoint(win::HWND main, std::int64_t tick, int note, win::POINT* out) {
    win::HWND view = FindTrackView(main);
    if (!view) return false;
    win::POINT p{static_cast<int>(win::SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_X_OF_TICK,
                                                   static_cast<win::LPARAM>(tick))),
                 static_cast<int>(win::SendMessage(view, mp::PRM_SCRIPT_VIEW_QUERY, mp::SVQ_Y_OF_NOTE, note))};
    if (p.x == mp::SCRIPT_HIDDEN || p.y == mp::SCRIPT_HIDDEN) return false;
    win::MapWindowPoints(view, main, &p, 1);
    *out = p;
    return true;
}

bool ReadPng(const fs::path& path, Image* out) {
    Bytes bytes = ReadBytes(path);
    return !bytes.empty() && VorImage_DecodePng(bytes.data(), bytes.size(), &out->width, &out->height, &out->pixels);
}

std::string CorpusDir() { return VOR_CORPUS_DIR; }

} // namespace apptest
