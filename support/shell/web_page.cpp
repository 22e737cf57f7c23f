// Opening addresses through xdg-open, detached so that the opener never holds up the user interface.
#include "vor/web_page.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "win/backend.h"

namespace {

VorShellOpener gOpener = nullptr;

bool HasDisplay() {
    const char* name = win::backend::Current().name;
    return name && std::strcmp(name, "headless") != 0;
}

// Starts xdg-open in a grandchild, so nobody has to wait for it to end; the child is reaped at once.
bool StartDesktopOpener(const char* url) {
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        setsid();
        if (fork() == 0) {
            execlp("xdg-open", "xdg-open", url, static_cast<char*>(nullptr));
            _exit(127);
        }
        _exit(0);
    }
    int status = 0;
    pid_t done;
    do {
        done = waitpid(child, &status, 0);
    } while (done < 0 && errno == EINTR);
    return done == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

bool VorShell_OpenWebPage(const char* url) noexcept {
    if (!url || !*url) return false;
    if (gOpener) return gOpener(url);
    return HasDisplay() && StartDesktopOpener(url);
}

void VorShell_SetOpener(VorShellOpener opener) noexcept { gOpener = opener; }
