// The desktop application: the main window on the chosen display backend, running until it closes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "demo_song.h"
#include "main_window.h"
#include "modes.h"
#include "win/backend.h"
#if VOR_HAVE_SDL
#include "win/sdl_backend.h"
#endif

namespace host::app {

std::unique_ptr<Document> OpenSongOrDemo(const std::string& path, const DocumentOptions& options, int* exitCode) {
    std::string error;
    smf::ReadFailure failure = smf::ReadFailure::none;
    std::unique_ptr<Document> doc =
        path.empty() ? Document::FromBytes(DemoSongData(), DemoSongSize(), "Demo Song", options, &error)
                     : Document::Open(path, options, &error, &failure);
    if (!doc) {
        ReportError(path.empty() ? std::string("demo song") : path, error);
        if (exitCode) *exitCode = failure == smf::ReadFailure::notAFile ? 2 : 1;
        return nullptr;
    }
    for (const std::string& note : doc->OpenNotes(path.empty() ? doc->DisplayName() : path))
        std::fprintf(stderr, "pianoroll: %s\n", note.c_str());
    return doc;
}

bool UseDesktopBackend(std::string* why) {
    const char* choice = std::getenv("PIANOROLL_BACKEND");
    if (choice && std::strcmp(choice, "headless") == 0) {
        *why = "PIANOROLL_BACKEND=headless asks for no display";
        return false;
    }
    if (choice && *choice && std::strcmp(choice, "sdl") != 0) {
        *why = std::string("PIANOROLL_BACKEND=") + choice + " is not a backend (sdl or headless)";
        return false;
    }
#if VOR_HAVE_SDL
    bool forced = choice && std::strcmp(choice, "sdl") == 0;
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (!forced && !(x11 && *x11) && !(wayland && *wayland)) {
        *why = "no display is available (DISPLAY is not set)";
        return false;
    }
    std::string error;
    if (!win::sdl::Install(&error)) {
        *why = "the display cannot be opened (" + error + ")";
        return false;
    }
    return true;
#else
    *why = "this build has no desktop backend";
    return false;
#endif
}

int RunWindow(const std::vector<std::string>& args) {
    if (args.size() > 1) {
        std::fputs("pianoroll: give at most one MIDI file to open\n", stderr);
        return 2;
    }
    std::string path = args.empty() ? std::string() : args[0];
    std::string why;
    if (!UseDesktopBackend(&why)) {
        std::fprintf(stderr, "pianoroll: %s; try 'pianoroll --screenshot OUT.png [FILE.mid]' to render the editor to a PNG file\n",
                     why.c_str());
        return 1;
    }
    DocumentOptions options;
    options.sound = true;
    int code = 1;
    std::unique_ptr<Document> doc = OpenSongOrDemo(path, options, &code);
    // Playing still works without sound (the position moves); the user hears why there is none.
    if (doc)
        for (const std::string& problem : doc->SoundProblems()) std::fprintf(stderr, "pianoroll: %s\n", problem.c_str());
    if (doc) {
        MainWindow* window = MainWindow::Create(std::move(doc), options, 1200, 760);
        if (!window) {
            std::fputs("pianoroll: the main window could not be created\n", stderr);
            code = 1;
        } else {
            window->SetShowOpenNotes(true);
            window->ShowOpenNotes();
            code = MainWindow::RunMessageLoop();
        }
    }
#if VOR_HAVE_SDL
    win::sdl::Shutdown();
#endif
    return code;
}

} // namespace host::app
