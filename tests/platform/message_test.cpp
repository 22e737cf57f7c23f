// Sent and posted messages: re-entrancy, retrieval order, filters, WM_QUIT, nested loops, WM_PAINT.
#include "fixture.h"

#include "win/backend.h"
#include "win/window_pixels.h"

#include <cstdio>
#include <cstring>
#include <string>

using namespace vortest;

namespace {

class MessageTest : public PlatformTest {};

constexpr UINT kOuter = WM_USER + 1;
constexpr UINT kInner = WM_USER + 2;
constexpr UINT kLoop = WM_USER + 3;
constexpr UINT kEnd = WM_USER + 4;

TEST_F(MessageTest, SendMessageIsADirectReentrantCall) {
    Behaviour b;
    b.hook = [](HWND h, UINT m, WPARAM w, LPARAM, bool* handled) -> LRESULT {
        if (m == kOuter) {
            *handled = true;
            return SendMessage(h, kInner, w + 1, 0) * 10;
        }
        if (m == kInner) {
            *handled = true;
            return static_cast<LRESULT>(w);
        }
        return 0;
    };
    SetNextBehaviour(b);
    HWND h = TopLevel(0, 0, 10, 10, WS_OVERLAPPED);
    rec().Clear();
    EXPECT_EQ(SendMessage(h, kOuter, 4, 0), 50);
    EXPECT_TRUE(MatchSequence({{0, kOuter, kSent | kWParam, 4}, {0, kInner, kSent | kWParam, 5}}, {h}));
    EXPECT_EQ(SendMessage(reinterpret_cast<HWND>(0x1234), kOuter, 0, 0), 0);
}

TEST_F(MessageTest, PostedMessagesKeepTheirOrderAndPaintWaitsWhileHandlersKeepPosting) {
    // 1 and 2 are posted up front; handling 2 posts 3, which still comes before the paint.
    Behaviour b;
    b.hook = [](HWND h, UINT m, WPARAM w, LPARAM, bool*) -> LRESULT {
        if (m == WM_USER && w == 2) PostMessage(h, WM_USER, 3, 0);
        return 0;
    };
    SetNextBehaviour(b);
    HWND h = TopLevel(0, 0, 50, 50);
    Pump();
    InvalidateRect(h, nullptr, FALSE);
    EXPECT_TRUE(PostMessage(h, WM_USER, 1, 0));
    EXPECT_TRUE(PostMessage(h, WM_USER, 2, 0));
    rec().Clear();
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_USER, kPosted | kWParam, 1},
                               {0, WM_USER, kPosted | kWParam, 2},
                               {0, WM_USER, kPosted | kWParam, 3},
                               {0, WM_PAINT, kPosted}},
                              {h}));
}

TEST_F(MessageTest, PeekFiltersAndNoRemove) {
    HWND top = TopLevel(0, 0, 50, 50, WS_OVERLAPPED);
    HWND child = Child(top, 0, 0, 10, 10);
    HWND other = TopLevel(0, 0, 50, 50, WS_OVERLAPPED);
    PostMessage(other, WM_USER + 7, 0, 0);
    PostMessage(child, WM_USER + 5, 0, 0);
    PostMessage(nullptr, WM_USER + 9, 0, 0);
    MSG m{};
    EXPECT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(m.message, WM_USER + 7u);
    EXPECT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) << "PM_NOREMOVE leaves it queued";
    EXPECT_EQ(m.message, WM_USER + 7u);
    EXPECT_TRUE(PeekMessage(&m, top, 0, 0, PM_REMOVE)) << "a window filter includes its children";
    EXPECT_EQ(m.hwnd, child);
    EXPECT_TRUE(PeekMessage(&m, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) << "-1: thread messages only";
    EXPECT_EQ((std::tuple{m.message, m.hwnd}), (std::tuple{WM_USER + 9u, nullptr}));
    EXPECT_FALSE(PeekMessage(&m, nullptr, WM_USER + 8, WM_USER + 20, PM_REMOVE)) << "range filter";
    EXPECT_EQ((std::vector{PeekMessage(&m, nullptr, WM_USER + 7, WM_USER + 7, PM_REMOVE),
                           PeekMessage(&m, nullptr, 0, 0, PM_REMOVE), PeekMessage(nullptr, nullptr, 0, 0, PM_REMOVE),
                           PeekMessage(&m, reinterpret_cast<HWND>(0x99), 0, 0, PM_REMOVE)}),
              (std::vector<BOOL>{TRUE, FALSE, FALSE, FALSE}));
    ShowWindow(other, SW_SHOWNA);
    InvalidateRect(other, nullptr, FALSE);
    EXPECT_TRUE(PeekMessage(&m, other, WM_PAINT, WM_PAINT, PM_NOREMOVE)) << "a window filter finds its paint";
}

TEST_F(MessageTest, QuitComesAfterPostedMessagesAndBeforePaint) {
    HWND h = TopLevel(0, 0, 50, 50);
    Pump();
    InvalidateRect(h, nullptr, FALSE);
    PostQuitMessage(3);
    PostMessage(h, WM_USER, 0, 0);
    MSG m;
    EXPECT_EQ((std::tuple{GetMessage(&m, nullptr, 0, 0), m.message}), (std::tuple{TRUE, WM_USER}));
    EXPECT_EQ((std::tuple{GetMessage(&m, nullptr, 0, 0), m.message, m.wParam}), (std::tuple{FALSE, WM_QUIT, 3u}));
    EXPECT_EQ((std::tuple{GetMessage(&m, nullptr, 0, 0), m.message}), (std::tuple{TRUE, WM_PAINT}));
    DispatchMessage(&m);
    EXPECT_EQ(GetMessage(nullptr, nullptr, 0, 0), -1);
    EXPECT_EQ(GetMessage(&m, reinterpret_cast<HWND>(0x99), 0, 0), -1);
}

// A handler that runs its own loop until kEnd arrives, as a modal dialog or a drag loop does.
TEST_F(MessageTest, NestedModalLoopDispatchesAndReturns) {
    static std::vector<WPARAM> order;
    order.clear();
    Behaviour b;
    b.hook = [](HWND h, UINT m, WPARAM w, LPARAM, bool* handled) -> LRESULT {
        if (m == kLoop) {
            *handled = true;
            order.push_back(100);
            PostMessage(h, kInner, 1, 0);
            PostMessage(h, kInner, 2, 0);
            PostMessage(h, kEnd, 0, 0);
            MSG msg;
            while (GetMessage(&msg, nullptr, 0, 0) > 0) {
                if (msg.message == kEnd) break;
                DispatchMessage(&msg);
            }
            order.push_back(200);
            return 0;
        }
        if (m == kInner) order.push_back(w);
        return 0;
    };
    SetNextBehaviour(b);
    HWND h = TopLevel(0, 0, 50, 50);
    PostMessage(h, kLoop, 0, 0);
    PostMessage(h, kInner, 3, 0);
    Pump();
    EXPECT_EQ(order, (std::vector<WPARAM>{100, 3, 1, 2, 200}));
}

TEST_F(MessageTest, PostToMissingWindowsFailsAndQueuedMessagesDieWithTheirWindow) {
    EXPECT_FALSE(PostMessage(reinterpret_cast<HWND>(0x77), WM_USER, 0, 0));
    HWND a = TopLevel(0, 0, 50, 50, WS_OVERLAPPED);
    HWND b = TopLevel(0, 0, 50, 50, WS_OVERLAPPED);
    PostMessage(a, WM_USER, 0, 0);
    PostMessage(b, WM_USER, 0, 0);
    DestroyWindow(a);
    EXPECT_FALSE(PostMessage(a, WM_USER, 0, 0));
    rec().Clear();
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_USER, kPosted}}, {a, b}));
}

TEST_F(MessageTest, BroadcastReachesEveryTopLevelWindowButNoChild) {
    HWND a = TopLevel(0, 0, 50, 50, WS_OVERLAPPED);
    HWND b = TopLevel(0, 0, 50, 50, WS_OVERLAPPED);
    HWND c = Child(a, 0, 0, 10, 10);
    rec().Clear();
    EXPECT_TRUE(PostMessage(HWND_BROADCAST, WM_USER + 11, 0, 0));
    Pump();
    SendMessage(HWND_BROADCAST, WM_USER + 12, 0, 0);
    EXPECT_TRUE(MatchSequence({{1, WM_USER + 11, kPosted},
                               {0, WM_USER + 11, kPosted},
                               {1, WM_USER + 12, kSent},
                               {0, WM_USER + 12, kSent}},
                              {a, b, c}));
}

TEST_F(MessageTest, TranslateMessagePostsCharactersAfterTheKey) {
    HWND h = TopLevel(0, 0, 50, 50);
    Pump();
    rec().Clear();
    headless::PressKey('A', headless::MOD_SHIFT);
    headless::PressKey('B');
    Pump();
    EXPECT_EQ(rec().Params(WM_CHAR), (std::vector<WPARAM>{'A', 'b'}));
    MSG up{h, WM_KEYUP, 'C', 0, 0, {}};
    EXPECT_FALSE(TranslateMessage(&up)) << "only key-down messages translate";
}

TEST_F(MessageTest, PaintIsGeneratedFromTheAccumulatedUpdateRegion) {
    static RECT painted;
    Behaviour b;
    b.hook = [](HWND h, UINT m, WPARAM, LPARAM, bool* handled) -> LRESULT {
        if (m != WM_PAINT) return 0;
        *handled = true;
        PAINTSTRUCT ps;
        BeginPaint(h, &ps);
        painted = ps.rcPaint;
        EndPaint(h, &ps);
        return 0;
    };
    SetNextBehaviour(b);
    HWND h = TopLevel(0, 0, 200, 100);
    Pump();
    RECT r;
    EXPECT_FALSE(GetUpdateRect(h, &r, FALSE));
    RECT a{10, 10, 20, 20};
    RECT c{50, 40, 60, 90};
    InvalidateRect(h, &a, FALSE);
    InvalidateRect(h, &c, FALSE);
    EXPECT_TRUE(GetUpdateRect(h, &r, FALSE));
    EXPECT_EQ(r, (RECT{10, 10, 60, 90}));
    RECT outside{150, 50, 400, 400};
    InvalidateRect(h, &outside, FALSE);
    GetUpdateRect(h, &r, FALSE);
    EXPECT_EQ(r, (RECT{10, 10, 200, 100})) << "clipped to the client area";
    rec().Clear();
    EXPECT_EQ((std::tuple{Pump(), painted}), (std::tuple{1, (RECT{10, 10, 200, 100})}));
    EXPECT_FALSE(GetUpdateRect(h, &r, FALSE)) << "BeginPaint validates";
    EXPECT_EQ(Pump(), 0);

    // Validating the whole area cancels the paint; validating part keeps the rest.
    InvalidateRect(h, &a, FALSE);
    ValidateRect(h, nullptr);
    EXPECT_EQ(Pump(), 0);
    RECT wide{0, 0, 100, 50};
    InvalidateRect(h, &wide, FALSE);
    RECT left{0, 0, 60, 50};
    ValidateRect(h, &left);
    GetUpdateRect(h, &r, FALSE);
    EXPECT_EQ(r, (RECT{60, 0, 100, 50}));
    Pump();

    // Invalidating the client area of a framed window leaves its frame alone.
    HWND framed = Child(h, 0, 0, 50, 50, 1, WS_CHILD | WS_VISIBLE | WS_BORDER);
    Pump();
    rec().Clear();
    InvalidateRect(framed, nullptr, FALSE);
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_PAINT, kPosted}}, {framed}));
}

TEST_F(MessageTest, UpdateWindowPaintsAtOnceAndHiddenWindowsWait) {
    HWND h = TopLevel(0, 0, 100, 100);
    Pump();
    InvalidateRect(h, nullptr, TRUE);
    rec().Clear();
    EXPECT_TRUE(UpdateWindow(h));
    EXPECT_TRUE(MatchSequence({{0, WM_PAINT, kSent}, {0, WM_ERASEBKGND, kSent}}, {h}));
    rec().Clear();
    UpdateWindow(h);
    EXPECT_TRUE(rec().Log().empty()) << "nothing to paint, nothing sent";

    ShowWindow(h, SW_HIDE);
    Pump();
    InvalidateRect(h, nullptr, FALSE);
    rec().Clear();
    Pump();
    EXPECT_TRUE(rec().Log().empty()) << "no WM_PAINT while hidden";
    ShowWindow(h, SW_SHOWNA);
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_SHOWWINDOW, kSent},
                               {0, WM_WINDOWPOSCHANGING, kSent},
                               {0, WM_WINDOWPOSCHANGED, kSent},
                               {0, WM_PAINT, kPosted},
                               {0, WM_ERASEBKGND, kSent}},
                              {h}));
}

TEST_F(MessageTest, AProcedureThatIgnoresPaintGetsItOnce) {
    Behaviour b;
    b.paint = false;
    SetNextBehaviour(b);
    HWND h = TopLevel(0, 0, 100, 100);
    rec().Clear();
    EXPECT_EQ((std::tuple{Pump(), Pump()}), (std::tuple{1, 0}));
    RECT r;
    EXPECT_FALSE(GetUpdateRect(h, &r, FALSE));
}

TEST_F(MessageTest, ParentsPaintBeforeChildrenAndClipChildrenStopsInvalidation) {
    HWND top = TopLevel(0, 0, 200, 200);
    HWND child = Child(top, 50, 50, 50, 50);
    Pump();
    rec().Clear();
    InvalidateRect(top, nullptr, FALSE);
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_PAINT, kPosted}, {1, WM_PAINT, kPosted}}, {top, child}));

    SetWindowLongPtr(top, GWL_STYLE, GetWindowLongPtr(top, GWL_STYLE) | WS_CLIPCHILDREN);
    rec().Clear();
    InvalidateRect(top, nullptr, FALSE);
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_PAINT, kPosted}}, {top, child}));
    rec().Clear();
    RECT r;
    InvalidateRect(child, nullptr, FALSE);
    EXPECT_FALSE(GetUpdateRect(top, &r, FALSE)) << "a child's invalidation stays in the child";
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_PAINT, kPosted}}, {top, child}));
    // No window: every top-level window and all its children, clipped or not.
    rec().Clear();
    EXPECT_TRUE(InvalidateRect(nullptr, nullptr, FALSE));
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_PAINT, kPosted}, {1, WM_PAINT, kPosted}}, {top, child}));
}

TEST_F(MessageTest, PaintingReachesTheFramebufferClippedToTheUpdateRect) {
    Behaviour b;
    b.paintColour = 0x0000FF;
    SetNextBehaviour(b);
    HWND top = TopLevel(0, 0, 100, 100);
    Pump();
    BehaviourFor(top).paintColour = 0xFF0000;
    RECT part{10, 10, 20, 20};
    InvalidateRect(top, &part, FALSE);
    Pump();
    // Inside the update rect, left and right of it, and outside the framebuffer.
    for (auto [x, want] : {std::pair{15, 0xFF0000u}, {25, 0x0000FFu}, {9, 0x0000FFu}, {100, 0u}})
        EXPECT_EQ(headless::ReadPixel(top, x, 15) & 0xFFFFFF, want) << x;

    std::string path = std::string(VOR_BINARY_DIR) + "/platform_core_snapshot.png";
    ASSERT_TRUE(headless::Snapshot(top, path.c_str()));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_TRUE(f);
    unsigned char sig[8] = {};
    EXPECT_EQ(std::fread(sig, 1, 8, f), 8u);
    std::fclose(f);
    std::remove(path.c_str());
    EXPECT_EQ(std::memcmp(sig, "\x89PNG\r\n\x1a\n", 8), 0);

    // The public copy: a child's handle gives its top-level window's whole framebuffer, row by row.
    HWND child = CreateWindowEx(0, kRecClass, "", WS_CHILD | WS_VISIBLE, 50, 60, 10, 10, top, nullptr, nullptr, nullptr);
    WindowPixels pixels;
    ASSERT_TRUE(GetWindowPixels(child, &pixels));
    ASSERT_EQ(pixels.width, 100);
    ASSERT_EQ(pixels.height, 100);
    ASSERT_EQ(pixels.bgra.size(), 100u * 100u);
    EXPECT_EQ(pixels.bgra[15 * 100 + 15] & 0xFFFFFF, 0xFF0000u);
    EXPECT_EQ(pixels.bgra[15 * 100 + 25] & 0xFFFFFF, 0x0000FFu);
    std::vector<std::uint8_t> png;
    ASSERT_TRUE(EncodePng(pixels, &png));
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(std::memcmp(png.data(), "\x89PNG\r\n\x1a\n", 8), 0);
    pixels.bgra.pop_back();
    EXPECT_FALSE(EncodePng(pixels, &png)) << "a size that does not match the pixels";
    EXPECT_TRUE(png.empty());
    EXPECT_FALSE(EncodePng(pixels, nullptr));
}

TEST_F(MessageTest, RedrawWindowFlags) {
    HWND h = TopLevel(0, 0, 100, 100);
    HWND child = CreateWindowEx(WS_EX_CLIENTEDGE, kRecClass, "", WS_CHILD | WS_VISIBLE, 10, 10, 30, 30, h, nullptr,
                                nullptr, nullptr);
    Pump();
    rec().Clear();
    RECT r{0, 0, 10, 10};
    EXPECT_TRUE(RedrawWindow(h, &r, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW));
    EXPECT_TRUE(MatchSequence({{0, WM_PAINT, kSent}, {0, WM_ERASEBKGND, kSent}}, {h, child}))
        << "painted at once; the child is outside the rectangle";

    rec().Clear();
    RedrawWindow(h, nullptr, nullptr, RDW_INVALIDATE);
    RedrawWindow(h, nullptr, nullptr, RDW_VALIDATE | RDW_NOCHILDREN);
    Pump();
    EXPECT_TRUE(MatchSequence({{1, WM_PAINT, kPosted}}, {h, child})) << "validating the parent leaves the child";

    rec().Clear();
    RedrawWindow(h, nullptr, nullptr, RDW_INTERNALPAINT);
    Pump();
    EXPECT_TRUE(MatchSequence({{0, WM_PAINT, kPosted}}, {h, child})) << "a paint with nothing to update";

    rec().Clear();
    RedrawWindow(child, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME | RDW_UPDATENOW);
    EXPECT_TRUE(MatchSequence({{1, WM_PAINT, kSent}, {1, WM_NCPAINT, kSent}}, {h, child}))
        << "a bordered window repaints its frame first";
    EXPECT_NE(headless::ReadPixel(h, 10, 10) & 0xFFFFFF, 0xFFFFFFu) << "the client edge is drawn";
}

TEST_F(MessageTest, AWaitingLoopRunsTheIdleHook) {
    HWND h = TopLevel(0, 0, 50, 50);
    Pump();
    struct Ctx {
        HWND hwnd;
        int calls;
    };
    static Ctx ctx;
    ctx = Ctx{h, 0};
    headless::SetIdleHook(
        [](void* p) {
            auto* c = static_cast<Ctx*>(p);
            if (++c->calls == 2) PostMessage(c->hwnd, kEnd, 0, 0);
        },
        &ctx);
    MSG m;
    ASSERT_EQ(GetMessage(&m, nullptr, 0, 0), TRUE) << "the hook ends the wait by posting";
    EXPECT_EQ((std::tuple{m.message, ctx.calls}), (std::tuple{kEnd, 2}));
    headless::SetIdleHook(nullptr, nullptr);
}

} // namespace
