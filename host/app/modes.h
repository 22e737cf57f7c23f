// The command-line modes of the application, each in its own file.
#pragma once

#include <string>
#include <vector>

namespace host::app {

// Each takes the arguments after the mode's option and returns the process exit code.
int RunConvert(const std::vector<std::string>& args);
int RunInfo(const std::vector<std::string>& args);
int RunExportWav(const std::vector<std::string>& args);
int RunListPorts(const std::vector<std::string>& args);

// "FILE: problem at byte offset N" on stderr.
void ReportError(const std::string& file, const std::string& problem, long long offset = -1);

} // namespace host::app
