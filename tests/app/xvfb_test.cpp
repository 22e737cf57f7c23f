// The desktop backend under a virtual X server: the application shows its window, takes a click and
// a key sent through the X server, and quits cleanly when the window is asked to close.
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <png.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "run_pianoroll.h"

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

using runtest::Slurp;

// The application on its own virtual X server, with its main window found on the screen.
struct DesktopApp {
    Child server, app;
    std::string display;
    Display* d = nullptr;
    Window w = 0;
    XWindowAttributes attrs{};
    fs::path dir, err;

    ~DesktopApp() {
        if (d) XCloseDisplay(d);
        if (!dir.empty()) fs::remove_all(dir);
    }

    // False (with a reason) when Xvfb cannot run here; the window's absence is the caller's failure.
    bool Start(std::string* skip) {
        if (!VOR_SDL_BUILT) {
            *skip = "built without SDL2: there is no desktop backend to test";
            return false;
        }
        d = StartXvfb(server, &display);
        if (!d) {
            *skip = "Xvfb is not installed or could not be started";
            return false;
        }
        dir = fs::temp_directory_path() / ("vor_xvfb_" + std::to_string(getpid()));
        fs::create_directories(dir);
        XSetErrorHandler(IgnoreXError);
        err = dir / "stderr.txt";
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
        Window seen = 0;
        for (int i = 0, stable = 0; i < 2400 && stable < 6 && !app.Ended(); ++i) {
            std::this_thread::sleep_for(50ms);
            w = FindWindowNamed(d, DefaultRootWindow(d), "Piano Roll");
            const bool shown = w && XGetWindowAttributes(d, w, &attrs) && attrs.map_state == IsViewable;
            stable = shown && w == seen ? stable + 1 : 0;
            seen = shown ? w : 0;
        }
        return true;
    }
};

// The window's pixels as 0xRRGGBB, row by row.
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> rgb;
    std::uint32_t At(int x, int y) const { return rgb[static_cast<std::size_t>(y) * width + x]; }
};

Picture Grab(Display* d, Window w, int width, int height) {
    Picture p;
    XImage* image = XGetImage(d, w, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) return p;
    p.width = width;
    p.height = height;
    p.rgb.resize(static_cast<std::size_t>(width) * height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) p.rgb[static_cast<std::size_t>(y) * width + x] = XGetPixel(image, x, y) & 0xFFFFFF;
    XDestroyImage(image);
    return p;
}

// One 16 x 16 picture of the toolbar strip the build made: RGBA, row by row.
constexpr int kStripImage = 16;
std::vector<std::uint32_t> StripImage(int index) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, VOR_TOOLBAR_STRIP_PNG)) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return {};
    std::vector<std::uint32_t> out;
    for (int y = 0; y < kStripImage; ++y)
        for (int x = index * kStripImage; x < (index + 1) * kStripImage; ++x) {
            const std::uint8_t* px = &bytes[(static_cast<std::size_t>(y) * image.width + x) * 4];
            out.push_back(static_cast<std::uint32_t>(px[3]) << 24 | px[0] << 16 | px[1] << 8 | px[2]);
        }
    return out;
}

bool Near(std::uint32_t a, std::uint32_t b) {
    for (int shift : {0, 8, 16})
        if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > 8) return false;
    return true;
}

// Where the picture shows the image (its opaque pixels), searched from the bottom up; false when nowhere.
bool FindImage(const Picture& p, const std::vector<std::uint32_t>& image, int* left, int* top) {
    int opaque = 0;
    for (std::uint32_t px : image) opaque += (px >> 24) == 0xFF;
    if (opaque < 8) return false;
    for (int y = p.height - kStripImage; y >= 0; --y)
        for (int x = 0; x + kStripImage <= p.width; ++x) {
            bool all = true;
            for (int i = 0; i < kStripImage * kStripImage && all; ++i)
                if ((image[i] >> 24) == 0xFF) all = Near(p.At(x + i % kStripImage, y + i / kStripImage), image[i]);
            if (all) {
                *left = x;
                *top = y;
                return true;
            }
        }
    return false;
}

// The rightmost column in which most of the rows [top, bottom) are inverted against `before`: the
// playback line. -1 when there is none.
int InvertedColumn(const Picture& before, const Picture& now, int top, int bottom) {
    int found = -1;
    for (int x = 0; x < now.width; ++x) {
        int inverted = 0;
        for (int y = top; y < bottom; ++y) inverted += Near(now.At(x, y), ~before.At(x, y) & 0xFFFFFF);
        if (inverted * 10 >= (bottom - top) * 9) found = x;
    }
    return found;
}

// Each test starts the application on a display of its own; without one the test is skipped.
class DesktopBackend : public ::testing::Test {
protected:
    void SetUp() override {
        std::string skip;
        if (!desktop.Start(&skip)) GTEST_SKIP() << skip;
        d = desktop.d;
        w = desktop.w;
        ASSERT_NE(w, 0u) << "no window appeared; stderr:\n" << Slurp(desktop.err);
    }
    DesktopApp desktop;
    Display* d = nullptr;
    Window w = 0;
};

TEST_F(DesktopBackend, ShowsTheWindowTakesInputAndClosesCleanly) {
    Child& app = desktop.app;
    const fs::path& err = desktop.err;
    const XWindowAttributes& attrs = desktop.attrs;
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
}

TEST_F(DesktopBackend, PlayInTheTransportBarMovesThePlaybackLine) {
    const int width = desktop.attrs.width, height = desktop.attrs.height;

    // The Play button is the play image of the toolbar strip, in the transport bar at the bottom.
    const std::vector<std::uint32_t> play = StripImage(11);
    ASSERT_FALSE(play.empty()) << "cannot read " << VOR_TOOLBAR_STRIP_PNG;
    Picture before;
    int left = 0, top = 0;
    bool found = false;
    for (int i = 0; i < 200 && !found; ++i) {
        std::this_thread::sleep_for(50ms);
        before = Grab(d, w, width, height);
        found = before.width > 0 && FindImage(before, play, &left, &top);
    }
    ASSERT_TRUE(found) << "no Play button in the window";
    EXPECT_GT(top, height / 2) << "the transport bar runs along the bottom";

    const int x = left + kStripImage / 2, y = top + kStripImage / 2;
    Send(d, w, MotionNotify, PointerMotionMask, x, y, 0);
    Send(d, w, ButtonPress, ButtonPressMask, x, y, Button1);
    Send(d, w, ButtonRelease, ButtonReleaseMask, x, y, Button1, Button1Mask);
    XFlush(d);

    // The line inverts one column of the grid and moves right as the song plays: three looks, each
    // further right than the one before. The middle band of the window is grid.
    const int bandTop = height * 3 / 10, bandBottom = height / 2;
    std::vector<int> columns;
    for (int i = 0; i < 400 && columns.size() < 3; ++i) {
        std::this_thread::sleep_for(25ms);
        const int column = InvertedColumn(before, Grab(d, w, width, height), bandTop, bandBottom);
        if (column >= 0 && (columns.empty() || column > columns.back())) columns.push_back(column);
    }
    ASSERT_EQ(columns.size(), 3u) << "the playback line did not move; stderr:\n" << Slurp(desktop.err);
    EXPECT_LT(columns[0], columns[1]);
    EXPECT_LT(columns[1], columns[2]);
}

// The mapped top-level windows other than w, with their places on the screen.
std::vector<XWindowAttributes> OtherMappedWindows(Display* d, Window w, std::vector<Window>* found) {
    std::vector<XWindowAttributes> out;
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return out;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes a{};
        if (children[i] == w || !XGetWindowAttributes(d, children[i], &a) || a.map_state != IsViewable) continue;
        Window child = 0;
        XTranslateCoordinates(d, children[i], DefaultRootWindow(d), 0, 0, &a.x, &a.y, &child);
        out.push_back(a);
        if (found) found->push_back(children[i]);
    }
    if (children) XFree(children);
    return out;
}

// The track chooser's list opens under its box, the first time as every time, and when it closes the editor's window has the keyboard
// again without a window manager to hand it back.
TEST_F(DesktopBackend, TheDropDownOpensUnderItsBoxAndTheKeyboardComesBackWhenItCloses) {
    int wx = 0, wy = 0;
    Window child = 0;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &wx, &wy, &child);
    XSetInputFocus(d, w, RevertToNone, CurrentTime);
    // The chooser's box spans x 57-263 below the menu bar, its bottom edge at y 46.
    const int boxLeft = 57, boxBottom = 46;
    for (int round = 0; round < 2; ++round) {
        Send(d, w, MotionNotify, PointerMotionMask, 150, 37, 0);
        Send(d, w, ButtonPress, ButtonPressMask, 150, 37, Button1);
        Send(d, w, ButtonRelease, ButtonReleaseMask, 150, 37, Button1, Button1Mask);
        XFlush(d);
        std::vector<XWindowAttributes> lists;
        std::vector<Window> ids;
        for (int i = 0; i < 200 && lists.empty(); ++i) {
            std::this_thread::sleep_for(25ms);
            ids.clear();
            lists = OtherMappedWindows(d, w, &ids);
        }
        ASSERT_EQ(lists.size(), 1u) << "round " << round << ": no list opened; stderr:\n" << Slurp(desktop.err);
        // Where the window system put it may settle a moment after it appears.
        std::this_thread::sleep_for(300ms);
        lists = OtherMappedWindows(d, w, nullptr);
        ASSERT_EQ(lists.size(), 1u);
        EXPECT_NEAR(lists[0].x, wx + boxLeft, 2) << "round " << round;
        EXPECT_NEAR(lists[0].y, wy + boxBottom, 3) << "round " << round;
        // Escape closes the list; the keyboard goes back to the editor's window.
        const unsigned escape = XKeysymToKeycode(d, XK_Escape);
        Send(d, ids[0], KeyPress, KeyPressMask, 0, 0, escape);
        Send(d, ids[0], KeyRelease, KeyReleaseMask, 0, 0, escape);
        XFlush(d);
        for (int i = 0; i < 200 && !OtherMappedWindows(d, w, nullptr).empty(); ++i) std::this_thread::sleep_for(25ms);
        ASSERT_TRUE(OtherMappedWindows(d, w, nullptr).empty()) << "round " << round << ": the list stayed open";
        Window focus = 0;
        int revert = 0;
        for (int i = 0; i < 100; ++i) {
            XGetInputFocus(d, &focus, &revert);
            if (focus == w) break;
            std::this_thread::sleep_for(25ms);
        }
        EXPECT_EQ(focus, w) << "round " << round << ": the keyboard went elsewhere";
    }
}

} // namespace
