// Entry point of pianoroll: picks the mode from the command line.
#include <cstdio>
#include <cstring>

#include "modes.h"

namespace {

void Usage(std::FILE* to) {
    std::fputs("usage: pianoroll [FILE.mid]\n"
               "       pianoroll --screenshot OUT.png [--size WxH] [--track N] [FILE.mid]\n"
               "       pianoroll --script SCRIPT [FILE.mid]\n"
               "       pianoroll --convert IN.mid OUT.mid\n"
               "       pianoroll --info FILE.mid\n"
               "       pianoroll --export-wav OUT.wav [FILE.mid]\n"
               "       pianoroll --list-ports\n",
               to);
}

} // namespace

namespace host::app {

void ReportError(const std::string& file, const std::string& problem, long long offset) {
    if (offset >= 0) std::fprintf(stderr, "pianoroll: %s: %s at byte offset %lld\n", file.c_str(), problem.c_str(), offset);
    else std::fprintf(stderr, "pianoroll: %s: %s\n", file.c_str(), problem.c_str());
}

smf::ReadResult ReadSongFile(const std::string& path, Store& store) {
    smf::ReadResult read = smf::ReadFile(path, store);
    if (!read.ok)
        ReportError(path, read.error, read.error.rfind("cannot ", 0) == 0 ? -1 : static_cast<long long>(read.offset));
    return read;
}

} // namespace host::app

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || args[0].empty() || args[0][0] != '-') return host::app::RunWindow(args);
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (args[0] == "--convert") return host::app::RunConvert(rest);
    if (args[0] == "--info") return host::app::RunInfo(rest);
    if (args[0] == "--screenshot") return host::app::RunScreenshot(rest);
    if (args[0] == "--script") return host::app::RunScript(rest);
    if (args[0] == "--export-wav") return host::app::RunExportWav(rest);
    if (args[0] == "--list-ports") return host::app::RunListPorts(rest);
    if (args[0] == "--help" || args[0] == "-h") {
        Usage(stdout);
        return 0;
    }
    std::fprintf(stderr, "pianoroll: unknown option '%s'\n", args[0].c_str());
    Usage(stderr);
    return 2;
}
