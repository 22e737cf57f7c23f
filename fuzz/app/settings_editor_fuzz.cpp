// Fuzz target: any byte string is a song's stored editor settings; the editor opens on the song in
// a headless window, paints, saves its settings again, and closes without fault.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "document.h"
#include "main_window.h"
#include "song_file.h"
#include "win/win.h"

namespace {

constexpr std::size_t kStreamBytes = 12 + 328;
constexpr std::size_t kSizeWord = 8;
constexpr int kWidth = 480;
constexpr int kHeight = 320;

// Two tracks: a tempo track and a few notes, so that the view has something to place and draw.
std::vector<std::uint8_t> SmallSong() {
    return {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 1, 0, 2, 0x01, 0xE0,
            'M', 'T', 'r', 'k', 0, 0, 0, 11, 0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x00, 0xFF, 0x2F, 0x00,
            'M', 'T', 'r', 'k', 0, 0, 0, 26, 0x00, 0x90, 60, 100, 0x83, 0x60, 0x80, 60, 0, 0x00, 0x90, 64, 90,
            0x87, 0x40, 0x80, 64, 0, 0x00, 0xB0, 7, 100, 0x00, 0xFF, 0x2F, 0x00};
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The host refuses a stream of the wrong length before the editor sees it; the fuzzer's bytes
    // are fitted to the length, so every input reaches the editor's own checks.
    std::vector<std::uint8_t> stream(data, data + size);
    if (stream.size() != kStreamBytes) {
        stream.resize(kStreamBytes);
        stream[kSizeWord] = 328 & 0xFF;
        stream[kSizeWord + 1] = 328 >> 8;
        stream[kSizeWord + 2] = stream[kSizeWord + 3] = 0;
    }
    std::vector<std::uint8_t> song = SmallSong();
    if (!host::app::InsertSettingsEvent(song, stream)) std::abort();
    std::string error;
    std::unique_ptr<host::app::Document> doc =
        host::app::Document::FromBytes(song.data(), song.size(), "fuzz.mid", host::app::DocumentOptions{}, &error);
    if (!doc) std::abort();
    host::app::MainWindow* window =
        host::app::MainWindow::Create(std::move(doc), host::app::DocumentOptions{}, kWidth, kHeight);
    if (!window) std::abort();
    host::app::MainWindow::PumpMessages();
    std::vector<std::uint8_t> saved;
    if (!window->Doc().Serialize(&saved, &error)) std::abort();
    win::DestroyWindow(window->Handle());
    host::app::MainWindow::PumpMessages();
    win::MSG quit;
    while (win::PeekMessage(&quit, nullptr, win::WM_QUIT, win::WM_QUIT, win::PM_REMOVE)) {
    }
    return 0;
}
