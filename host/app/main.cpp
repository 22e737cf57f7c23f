// Entry point of pianoroll: picks the mode from the command line.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

#include "modes.h"

namespace {

void Usage(std::FILE* to) {
    std::fputs("usage: pianoroll [FILE.mid]\n"
               "       pianoroll --screenshot OUT.png [--size WxH] [--track N] [FILE.mid]\n"
               "       pianoroll --script SCRIPT [FILE.mid]\n"
               "       pianoroll --convert [--allow-damaged] IN.mid OUT.mid\n"
               "       pianoroll --info FILE.mid\n"
               "       pianoroll --export-wav OUT.wav [FILE.mid]\n"
               "       pianoroll --list-ports\n",
               to);
}

// Exit status of a failure the program did not foresee (an internal error, not the user's input).
constexpr int kInternalErrorExit = 70;

[[noreturn]] void LastResort() {
    const char* what = "an unknown error";
    std::string text;
    if (std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            text = e.what();
            what = text.c_str();
        } catch (...) {
        }
    }
    std::fprintf(stderr, "pianoroll: internal error (%s); stopping\n", what);
    std::_Exit(kInternalErrorExit);
}

int Dispatch(const std::vector<std::string>& args) {
    if (args.empty() || args[0].empty() || args[0][0] != '-') return host::app::RunWindow(args);
    for (std::size_t i = 1; i < args.size(); ++i)
        if (args[i].empty()) {
            std::fprintf(stderr, "pianoroll: %s was given an empty file name\n", args[0].c_str());
            return 2;
        }
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

} // namespace

namespace host::app {

void ReportError(const std::string& file, const std::string& problem, long long offset) {
    if (file.empty()) std::fprintf(stderr, "pianoroll: %s\n", problem.c_str());
    else if (offset >= 0) std::fprintf(stderr, "pianoroll: %s: %s at byte offset %lld\n", file.c_str(), problem.c_str(), offset);
    else std::fprintf(stderr, "pianoroll: %s: %s\n", file.c_str(), problem.c_str());
}

smf::ReadResult ReadSongFile(const std::string& path, Store& store) {
    smf::ReadResult read = smf::ReadFile(path, store);
    if (!read.ok)
        ReportError(path, read.error,
                    read.failure == smf::ReadFailure::malformed ? static_cast<long long>(read.offset) : -1);
    return read;
}

int ExitCodeOf(const smf::ReadResult& read) {
    if (read.ok) return 0;
    return read.failure == smf::ReadFailure::notAFile ? 2 : 1;
}

void ReportWarnings(const std::string& file, const std::vector<smf::ReadWarning>& warnings) {
    for (const smf::ReadWarning& w : warnings) ReportError(file, w.message, static_cast<long long>(w.offset));
}

} // namespace host::app

int main(int argc, char** argv) {
    // Whatever escapes, here or on another thread, ends in one line and a non-zero status.
    std::set_terminate(LastResort);
    // A write past the file-size limit (ulimit -f) then fails with EFBIG, and the save says so and
    // removes its temporary, instead of the signal ending the process halfway.
    std::signal(SIGXFSZ, SIG_IGN);
    try {
        return Dispatch(std::vector<std::string>(argv + 1, argv + argc));
    } catch (...) {
        LastResort();
    }
}
