// Helpers of the application tests: temporary folders, song building, files, PNG pixels, the module.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "model/store.h"
#include "win/win.h"

namespace host::app {
class Document;
class MainWindow;
} // namespace host::app

namespace apptest {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

// Points the application at the freshly built editor module (once per process).
void UseBuiltModule();

// A folder removed again when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    const fs::path& Path() const { return path_; }
    fs::path operator/(const std::string& name) const { return path_ / name; }

private:
    fs::path path_;
};

Bytes ReadBytes(const fs::path& path);
void WriteBytes(const fs::path& path, const Bytes& bytes);
void WriteText(const fs::path& path, const std::string& text);

// A note as the tests compare them: track order index, absolute tick, duration, pitch.
struct Note {
    int track;
    std::int64_t tick;
    std::uint32_t duration;
    int pitch;
    bool operator==(const Note&) const = default;
    bool operator<(const Note& o) const;
};
std::vector<Note> NotesOf(const host::Store& store);
// Reads a file (image) into a store (the settings event stays in it); fails the test when unreadable.
std::vector<Note> NotesOfBytes(const Bytes& image);
std::vector<Note> NotesOfFile(const fs::path& path);

// A small format-1 song: a named first track with the given notes (480 ticks per quarter).
Bytes MakeSong(const std::vector<Note>& notes, int tracks = 1);

// The settings payload of a file (image) (the bytes after the manufacturer id), empty when absent.
Bytes SettingsOfBytes(const Bytes& image);
Bytes SettingsOfFile(const fs::path& path);
std::int32_t SettingsWord(const Bytes& settings, int index); // index into the 328-byte block
void SetSettingsWord(Bytes& settings, int index, std::int32_t value);

// One undoable edit named name: a note of the given pitch added at the start of the first track.
void AddNoteEdit(host::app::Document& doc, int pitch, const std::u16string& name = u"Draw MIDI Event");

// The editor's track view inside a main window, or null.
win::HWND FindTrackView(win::HWND main);
// Where the view draws a tick and a note, in the main window's client pixels; false when not in view.
bool ViewPoint(win::HWND main, std::int64_t tick, int note, win::POINT* out);

struct Image {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
    std::uint32_t At(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x] & 0xFFFFFF; }
};
bool ReadPng(const fs::path& path, Image* out);

std::string CorpusDir();

} // namespace apptest
