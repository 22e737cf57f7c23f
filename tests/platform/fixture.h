// Shared test fixture of the window system: a clean headless world per test, a message recorder
// and message-sequence tables.
#pragma once

#include "win/backend.h"
#include "win/win.h"
#include "win_expect.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace vortest {

using namespace win;
using namespace wintest;

// How a message reached the window procedure.
enum Via : int {
    kSent = 1,     // a direct call (SendMessage or the system calling the procedure)
    kPosted = 2,   // retrieved from the queue and dispatched
    kWParam = 4,   // compare wParam
    kLParam = 8,   // compare lParam
    kOptional = 16 // may be absent
};

// One row of an expected message sequence. `who` indexes the window list handed to the check.
struct Expect {
    int who;
    UINT msg;
    int flags;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

struct Recorded {
    HWND hwnd;
    UINT msg;
    bool posted;
    WPARAM wParam;
    LPARAM lParam;
};

// Records every message reaching windows of the recording classes.
class Recorder {
public:
    static Recorder& Get();
    void Clear() { log_.clear(); }
    const std::vector<Recorded>& Log() const { return log_; }
    void Add(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    // The next procedure call for (hwnd, msg) is the dispatch of a queued message.
    void ExpectDispatch(HWND hwnd, UINT msg) {
        dispatchHwnd_ = hwnd;
        dispatchMsg_ = msg;
        dispatchPending_ = true;
    }
    void DispatchDone() { dispatchPending_ = false; }
    // The wParam of every recorded msg, in order (the characters of WM_CHAR, say).
    std::vector<WPARAM> Params(UINT msg) const {
        std::vector<WPARAM> out;
        for (const Recorded& r : log_)
            if (r.msg == msg) out.push_back(r.wParam);
        return out;
    }
    // Messages never recorded (noise such as WM_NCHITTEST), set per test.
    std::vector<UINT> ignore;

private:
    std::vector<Recorded> log_;
    HWND dispatchHwnd_ = nullptr;
    UINT dispatchMsg_ = 0;
    bool dispatchPending_ = false;
};

// Compares the recorded messages (of the windows in `windows`, others dropped) to a table and
// reports the first difference with both sequences.
::testing::AssertionResult MatchSequence(const std::vector<Expect>& expected, const std::vector<HWND>& windows);

std::string MessageName(UINT msg);

// Recording window procedures: "RecWindow" (CS_DBLCLKS off) and "RecDblWindow" (CS_DBLCLKS on).
// Per-window behaviour hooks are set through the Behaviour of a window (by handle).
struct Behaviour {
    LRESULT createResult = 0;   // WM_CREATE result
    BOOL ncCreateResult = TRUE; // WM_NCCREATE result (after DefWindowProc)
    bool paint = true;          // WM_PAINT calls BeginPaint/EndPaint
    std::uint32_t paintColour = 0; // when non-zero, fills the paint rectangle with this 0x00RRGGBB colour
    LRESULT (*hook)(HWND, UINT, WPARAM, LPARAM, bool* handled) = nullptr;
};
Behaviour& BehaviourFor(HWND hwnd);
void SetNextBehaviour(const Behaviour& b); // applies to the next window created (from WM_NCCREATE on)

extern const char* const kRecClass;
extern const char* const kRecDblClass;

class PlatformTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    HWND TopLevel(int x, int y, int w, int h, DWORD style = WS_OVERLAPPED | WS_VISIBLE, const char* cls = nullptr);
    HWND Child(HWND parent, int x, int y, int w, int h, int id = 0, DWORD style = WS_CHILD | WS_VISIBLE,
               const char* cls = nullptr);
    // Dispatches every queued message the way a message loop does, marking dispatched calls as posted.
    int Pump();
    Recorder& rec() { return Recorder::Get(); }
};

} // namespace vortest
