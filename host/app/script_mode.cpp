// --script SCRIPT [FILE.mid]: runs an editing script on the song in the headless window system;
// without a script it prints the script language.
#include <cstdio>
#include <fstream>
#include <sstream>

#include "modes.h"
#include "script.h"

namespace host::app {

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
    std::ifstream in(args[0]);
    if (!in) {
        ReportError(args[0], "cannot open the script");
        return 1;
    }
    std::stringstream text;
    text << in.rdbuf();
    int failed = 1;
    std::unique_ptr<Document> doc =
        OpenSongOrDemo(args.size() > 1 ? args[1] : std::string(), DocumentOptions{}, &failed);
    if (!doc) return failed;
    return RunScriptOn(std::move(doc), text.str(), args[0]);
}

int RunScriptOn(std::unique_ptr<Document> doc, const std::string& text, const std::string& scriptName) {
    ScriptRunner runner(std::move(doc));
    ScriptFailure failure;
    if (!runner.Run(text, &failure)) {
        if (scriptName.empty()) std::fprintf(stderr, "pianoroll: %s\n", failure.reason.c_str());
        else std::fprintf(stderr, "pianoroll: %s:%d: %s\n", scriptName.c_str(), failure.line, failure.reason.c_str());
        return 1;
    }
    std::string error;
    if (!runner.WriteOutputs(&error)) {
        std::fprintf(stderr, "pianoroll: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace host::app
