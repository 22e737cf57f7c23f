// Runs the built pianoroll binary as a person would from a shell, with its output captured.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace runtest {

struct PianorollRun {
    int status = -1; // the exit code, -1 when killed by a signal
    std::string out, err;
};

inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

inline std::string Slurp(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Runs the binary with args in a shell, env (assignments or an `env ...` prefix) before it, sound
// off and no input; dir takes the captured output.
inline PianorollRun RunPianoroll(const std::filesystem::path& dir, const std::vector<std::string>& args,
                                 const std::string& env = "") {
    std::string cmd = env + " PIANOROLL_AUDIO=none " + ShellQuote(VOR_PIANOROLL_EXE);
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    const auto out = dir / "stdout.txt", err = dir / "stderr.txt";
    cmd += " >" + ShellQuote(out.string()) + " 2>" + ShellQuote(err.string()) + " </dev/null";
    PianorollRun r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = Slurp(out);
    r.err = Slurp(err);
    return r;
}

} // namespace runtest
