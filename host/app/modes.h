// The command-line modes of the application, each in its own file.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "document.h"

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

// The song in path, or the built-in demo song when path is empty; reports problems on stderr.
std::unique_ptr<Document> OpenSongOrDemo(const std::string& path, const DocumentOptions& options);

// "FILE: problem at byte offset N" on stderr.
void ReportError(const std::string& file, const std::string& problem, long long offset = -1);

} // namespace host::app
