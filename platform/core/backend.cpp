// The installed backend: a record of functions with safe defaults for empty slots.
#include "internal.h"

namespace win::backend {
namespace {

ULONGLONG NoClock() { return 0; }
void NoWait(DWORD) {}
void Nothing() {}
void NoWindow(HWND, int, int) {}
void NoShown(HWND, bool) {}
void NoDestroyed(HWND) {}
void NoPresent(HWND, const RECT&) {}
void NoCursor(HCURSOR) {}
void NoCapture(bool) {}
void NoSetText(const char*) {}
int NoGetText(char*, int) { return -1; }
SIZE DefaultScreen() { return SIZE{1920, 1080}; }

Backend& Slot() {
    static auto* b = new Backend{};
    return *b;
}
std::once_flag& DefaultOnce() {
    static std::once_flag once;
    return once;
}
bool& Installed() {
    static bool installed = false;
    return installed;
}

} // namespace

void Install(const Backend& backend) {
    Backend b = backend;
    if (!b.name) b.name = "unnamed";
    if (!b.Now) b.Now = NoClock;
    if (!b.WaitForEvents) b.WaitForEvents = NoWait;
    if (!b.Wake) b.Wake = Nothing;
    if (!b.WindowCreated) b.WindowCreated = NoWindow;
    if (!b.WindowResized) b.WindowResized = NoWindow;
    if (!b.WindowShown) b.WindowShown = NoShown;
    if (!b.WindowDestroyed) b.WindowDestroyed = NoDestroyed;
    if (!b.Present) b.Present = NoPresent;
    if (!b.CursorChanged) b.CursorChanged = NoCursor;
    if (!b.CaptureChanged) b.CaptureChanged = NoCapture;
    if (!b.SetClipboardText) b.SetClipboardText = NoSetText;
    if (!b.GetClipboardText) b.GetClipboardText = NoGetText;
    if (!b.ScreenSize) b.ScreenSize = DefaultScreen;
    Installed() = true;
    Slot() = b;
}

const Backend& Current() {
    std::call_once(DefaultOnce(), [] {
        if (!Installed()) headless::Install();
    });
    return Slot();
}

} // namespace win::backend
