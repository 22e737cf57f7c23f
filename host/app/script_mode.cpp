// --script SCRIPT [FILE.mid]: runs an editing script on the song in the headless window system;
// without a script it prints the script language.
#include <cstdio>
#include <cstring>

#include "modes.h"
#include "script.h"
#include "win/file_reading.h"

namespace host::app {

namespace {

// A script longer than this is no editing script but a file given by mistake.
constexpr std::uint64_t kMaxScriptBytes = 16u << 20;
constexpr char kUtf8ByteOrderMark[] = "\xEF\xBB\xBF";

// The script's text without a leading byte-order mark; returns 0, or the exit code with error set.
int ReadScriptFile(const std::string& path, std::string* text, std::string* error) {
    win::files::ReadableFile file;
    win::files::OpenProblem problem = win::files::OpenProblem::none;
    if (!file.Open(path, "a script", &problem, error)) return problem == win::files::OpenProblem::notAFile ? 2 : 1;
    if (file.Size() > kMaxScriptBytes) {
        *error = "the file is " + std::to_string(file.Size()) + " bytes; a script can be at most " +
                 std::to_string(kMaxScriptBytes) + " bytes";
        return 1;
    }
    text->resize(static_cast<std::size_t>(file.Size()));
    std::size_t got = 0;
    if (!file.Read(text->data(), text->size(), &got, error)) return 1;
    text->resize(got);
    if (text->compare(0, 3, kUtf8ByteOrderMark) == 0) text->erase(0, 3);
    return 0;
}

// A message line as the terminal should show it: control bytes (a NUL would cut the line short,
// others move the cursor) written as \xNN; UTF-8 text stays as it is.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c >= 0x20 && c != 0x7F) {
            out += static_cast<char>(c);
            continue;
        }
        char escaped[5];
        std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
        out += escaped;
    }
    return out;
}

} // namespace

int RunScript(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::fputs("usage: pianoroll --script SCRIPT [FILE.mid]\n\n", stdout);
        std::fputs(ScriptLanguage().c_str(), stdout);
        return 0;
    }
    if (args.size() > 2) {
        std::fputs("pianoroll: --script needs a script file and at most one MIDI file\n", stderr);
        return 2;
    }
    std::string text, error;
    if (const int failed = ReadScriptFile(args[0], &text, &error)) {
        ReportError(args[0], error);
        return failed;
    }
    int failed = 1;
    DocumentOptions options;
    options.recordedSound = true;
    std::unique_ptr<Document> doc = OpenSongOrDemo(args.size() > 1 ? args[1] : std::string(), options, &failed);
    if (!doc) return failed;
    return RunScriptOn(std::move(doc), text, args[0]);
}

int RunScriptOn(std::unique_ptr<Document> doc, const std::string& text, const std::string& scriptName) {
    ScriptRunner runner(std::move(doc));
    ScriptFailure failure;
    if (runner.Run(text, &failure) && runner.WriteOutputs(&failure)) return 0;
    const std::string reason = Printable(failure.reason);
    if (scriptName.empty()) std::fprintf(stderr, "pianoroll: %s\n", reason.c_str());
    else std::fprintf(stderr, "pianoroll: %s:%d: %s\n", Printable(scriptName).c_str(), failure.line, reason.c_str());
    return 1;
}

} // namespace host::app
