// The desktop backend under a virtual X server: the application shows its window, takes a click and
// a key sent through the X server, and quits cleanly when the window is asked to close.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Starts a program (looked up on PATH) with stdin and stdout on /dev/null and stderr into errFile (or /dev/null).
pid_t Spawn(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& errFile) {
    pid_t pid = fork();
    if (pid != 0) return pid;
    int null = open("/dev/null", O_RDWR);
    dup2(null, 0);
    dup2(null, 1);
    int err = errFile.empty() ? null : open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(err, 2);
    for (const std::string& e : env) putenv(const_cast<char*>(e.c_str()));
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
}

// Ends a child still running when the test leaves, however it leaves.
struct Child {
    pid_t pid = -1;
    ~Child() {
        if (pid <= 0) return;
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    // Whether it has ended (and is reaped: its id is no longer ours to signal).
    bool Ended() {
        if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == pid) pid = -1;
        return pid <= 0;
    }
};

// Starts Xvfb on a display number it chooses itself and connects to it. Choosing the number
// ourselves could meet another test's server on it and talk to that one while ours gave up.
Display* StartXvfb(Child& server, std::string* display) {
    int fds[2];
    if (pipe(fds) != 0) return nullptr;
    server.pid = Spawn({"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
                       {}, "");
    close(fds[1]);
    // Xvfb writes the number once it takes connections; a loaded sanitizer run may take a while.
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 60'000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    close(fds[0]);
    if (number.empty() || c != '\n') return nullptr;
    *display = ":" + number;
    return XOpenDisplay(display->c_str());
}

// Waits for a child; -1 when it is still running after the timeout.
int WaitExit(pid_t pid, std::chrono::milliseconds timeout) {
    auto end = std::chrono::steady_clock::now() + timeout;
    while (std::chrono::steady_clock::now() < end) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128;
        std::this_thread::sleep_for(20ms);
    }
    return -1;
}

Window FindWindowNamed(Display* d, Window w, const std::string& part) {
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        std::string n = name;
        XFree(name);
        if (n.find(part) != std::string::npos) return w;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, w, &root, &parent, &children, &count)) return 0;
    Window found = 0;
    for (unsigned i = 0; i < count && !found; ++i) found = FindWindowNamed(d, children[i], part);
    if (children) XFree(children);
    return found;
}

// Sends a pointer or key event to w as the X server would deliver it.
void Send(Display* d, Window w, int type, long mask, int x, int y, unsigned detail, unsigned state = 0) {
    XEvent e{};
    e.xkey.type = type; // key, button and motion events share this layout
    e.xkey.display = d;
    e.xkey.window = w;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.x = x;
    e.xkey.y = y;
    e.xkey.keycode = detail; // the button number for button events
    e.xkey.state = state;
    e.xkey.same_screen = True;
    e.xkey.time = CurrentTime;
    XSendEvent(d, w, True, mask, &e);
}

// A window that went away between finding it and sending to it must fail the test, not abort it.
int IgnoreXError(Display*, XErrorEvent*) { return 0; }

std::string Slurp(const fs::path& p) {
    std::ifstream in(p);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(DesktopBackend, ShowsTheWindowTakesInputAndClosesCleanly) {
    Child server, app;
    std::string display;
    Display* d = StartXvfb(server, &display);
    if (!d) GTEST_SKIP() << "Xvfb is not installed or could not be started";
    fs::path dir = fs::temp_directory_path() / ("vor_xvfb_" + std::to_string(getpid()));
    fs::create_directories(dir);
    XSetErrorHandler(IgnoreXError);

    fs::path err = dir / "stderr.txt";
    // The display libraries keep some allocations until the process ends (the connection is left to
    // close with it); a leak check of the application must not count those.
    fs::path suppressions = dir / "lsan.supp";
    {
        std::ofstream supp(suppressions);
        supp << "leak:libX11.so\nleak:libdbus-1.so\nleak:libSDL2\n";
    }
    app.pid = Spawn({VOR_PIANOROLL_EXE},
                      {"DISPLAY=" + display, "PIANOROLL_BACKEND=sdl", "PIANOROLL_SDL_TRACE=1", "PIANOROLL_AUDIO=none",
                       "SDL_AUDIODRIVER=dummy", "LSAN_OPTIONS=suppressions=" + suppressions.string()},
                      err.string());
    // The main window once it is on the screen and stays the same window a moment later (the
    // title may come before the window is mapped; input goes to a window on the screen). Generous:
    // a sanitizer build on a busy machine takes many seconds to load the song and the editor.
    Window w = 0, seen = 0;
    XWindowAttributes attrs{};
    for (int i = 0, stable = 0; i < 2400 && stable < 6 && !app.Ended(); ++i) {
        std::this_thread::sleep_for(50ms);
        w = FindWindowNamed(d, DefaultRootWindow(d), "Piano Roll");
        const bool shown = w && XGetWindowAttributes(d, w, &attrs) && attrs.map_state == IsViewable;
        stable = shown && w == seen ? stable + 1 : 0;
        seen = shown ? w : 0;
    }
    ASSERT_NE(w, 0u) << "no window appeared; stderr:\n" << Slurp(err);
    EXPECT_GE(attrs.width, 800);
    EXPECT_EQ(attrs.map_state, IsViewable) << "the window was never shown; stderr:\n" << Slurp(err);
    ASSERT_FALSE(app.Ended()) << "the application ended early; stderr:\n" << Slurp(err);

    // A click on the track label and the Escape key: neither changes the song.
    XSetInputFocus(d, w, RevertToParent, CurrentTime);
    const unsigned escape = XKeysymToKeycode(d, XK_Escape);
    Send(d, w, MotionNotify, PointerMotionMask, 12, 36, 0);
    Send(d, w, ButtonPress, ButtonPressMask, 12, 36, Button1);
    Send(d, w, ButtonRelease, ButtonReleaseMask, 12, 36, Button1, Button1Mask);
    Send(d, w, KeyPress, KeyPressMask, 0, 0, escape);
    Send(d, w, KeyRelease, KeyReleaseMask, 0, 0, escape);
    XFlush(d);
    std::string trace;
    for (int i = 0; i < 200; ++i) {
        std::this_thread::sleep_for(25ms);
        trace = Slurp(err);
        if (trace.find("key 0x1B up") != std::string::npos) break;
    }
    EXPECT_NE(trace.find("button 0 down at 12,36"), std::string::npos) << "window 0x" << std::hex << w << ":\n" << trace;
    EXPECT_NE(trace.find("button 0 up at 12,36"), std::string::npos) << trace;
    EXPECT_NE(trace.find("key 0x1B down"), std::string::npos) << trace;

    // The window manager's close request.
    XEvent close{};
    close.xclient.type = ClientMessage;
    close.xclient.window = w;
    close.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    close.xclient.format = 32;
    close.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
    close.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &close);
    XFlush(d);
    int code = WaitExit(app.pid, 60s);
    if (code >= 0) app.pid = -1; // reaped
    EXPECT_EQ(code, 0) << Slurp(err);
    EXPECT_NE(Slurp(err).find("close requested"), std::string::npos);

    XCloseDisplay(d);
    fs::remove_all(dir);
}

} // namespace
