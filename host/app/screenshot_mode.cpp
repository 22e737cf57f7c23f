// --screenshot OUT.png [--size WxH] [--track N] [FILE.mid]: the editor as it first appears, as a PNG.
#include <cstdio>
#include <cstdlib>

#include "main_window.h"
#include "modes.h"
#include "script.h"
#include "win/backend.h"

namespace host::app {

namespace {

bool ParseSize(const std::string& text, int* width, int* height) {
    int w = 0, h = 0;
    char x = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c", &w, &x, &h, &extra) != 3 || (x != 'x' && x != 'X')) return false;
    if (w < 200 || h < 150 || w > 8192 || h > 8192) return false;
    *width = w;
    *height = h;
    return true;
}

} // namespace

int RunScreenshot(const std::vector<std::string>& args) {
    std::string out, file;
    int width = ScriptRunner::kDefaultWidth, height = ScriptRunner::kDefaultHeight, track = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--size" && i + 1 < args.size()) {
            if (!ParseSize(args[++i], &width, &height)) {
                std::fprintf(stderr, "pianoroll: --size needs WIDTHxHEIGHT from 200x150 to 8192x8192, not '%s'\n",
                             args[i].c_str());
                return 2;
            }
        } else if (a == "--track" && i + 1 < args.size()) {
            char* end = nullptr;
            long n = std::strtol(args[++i].c_str(), &end, 10);
            if (!end || *end || n < 1 || n > 1000000) {
                std::fprintf(stderr, "pianoroll: --track needs a track number from 1, not '%s'\n", args[i].c_str());
                return 2;
            }
            track = static_cast<int>(n);
        } else if (!a.empty() && a[0] == '-' && a.size() > 1) {
            std::fprintf(stderr, "pianoroll: unknown --screenshot option '%s'\n", a.c_str());
            return 2;
        } else if (out.empty()) {
            out = a;
        } else if (file.empty()) {
            file = a;
        } else {
            std::fputs("pianoroll: --screenshot takes one output file and at most one MIDI file\n", stderr);
            return 2;
        }
    }
    if (out.empty()) {
        std::fputs("pianoroll: --screenshot needs an output PNG file\n", stderr);
        return 2;
    }
    int failed = 1;
    std::unique_ptr<Document> doc = OpenSongOrDemo(file, DocumentOptions{}, &failed);
    if (!doc) return failed;
    std::string script = "size " + std::to_string(width) + " " + std::to_string(height) + "\n";
    if (track) script += "track " + std::to_string(track) + "\n";
    script += "screenshot \"" + out + "\"\n";
    return RunScriptOn(std::move(doc), script, std::string());
}

} // namespace host::app
