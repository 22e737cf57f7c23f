// The command-line modes of the application, each in its own file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "document.h"
#include "smf/smf.h"

namespace host::app {

// Each takes the arguments after the mode's option and returns the process exit code.
int RunConvert(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunExportWav(const std::vector<std::string>& args);
int RunListPorts(const std::vector<std::string>& args);
// The desktop window (no option, or a file to open).
int RunWindow(const std::vector<std::string>& args);
int RunScreenshot(const std::vector<std::string>& args);
int RunScript(const std::vector<std::string>& args);

// The song in path, or the built-in demo song when path is empty; reports problems on stderr, and
// the warnings of a damaged song and a note about damaged editor settings once. On failure returns
// null and sets *exitCode (when given) to the process exit code for it.
std::unique_ptr<Document> OpenSongOrDemo(const std::string& path, const DocumentOptions& options,
                                         int* exitCode = nullptr);

// "pianoroll: FILE: problem at byte offset N" on stderr; without the file when it is empty.
void ReportError(const std::string& file, const std::string& problem, long long offset = -1);

// Reads a MIDI file into store; a failure is reported on stderr (with the byte offset of a
// malformed file) and returned with ok false. Warnings are left to the caller.
smf::ReadResult ReadSongFile(const std::string& path, Store& store);
// The process exit code for a read: 0 when it succeeded, 2 for something that is not a file, else 1.
int ExitCodeOf(const smf::ReadResult& read);
// Each warning of a damaged song as one line on stderr.
void ReportWarnings(const std::string& file, const std::vector<smf::ReadWarning>& warnings);

// Runs a script on doc and writes what it asked for. A failure is reported on stderr, with the
// script file's name and line when scriptName is given. Returns the process exit code.
int RunScriptOn(std::unique_ptr<Document> doc, const std::string& text, const std::string& scriptName);

} // namespace host::app
