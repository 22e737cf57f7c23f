// Processor time of one run of the built program, counted by the kernel for the child alone, so that
// other work on a shared machine does not count.
#pragma once

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <initializer_list>
#include <vector>

// Seconds of user and system time of `pianoroll ARGS...`, or a negative value when it failed.
inline double ProgramSeconds(std::initializer_list<const char*> args) {
    std::vector<const char*> argv{VOR_PIANOROLL_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        execv(VOR_PIANOROLL_EXE, const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return -1;
    const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}
