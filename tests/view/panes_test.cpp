// The pane framework in a view window of its own: creation and destruction order, layout order and
// strip sizes, hit-testing, routing under capture, focus requests, invalidation groups.
#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "mp/editor_commands.h"
#include "mp/settings.h"
#include "frame/piano_roll_panes.h"
#include "view/track_view.h"
#include "win/backend.h"
#include "win/win.h"

namespace {

using namespace pianoroll;
using namespace win;

// What the recording pane classes saw, by pane number.
struct Journal {
    std::vector<std::string> events;
    std::map<int, int> paints;
    std::map<int, int> hitTests;
    std::vector<std::pair<int, UINT>> mouse;
    std::vector<std::pair<int, UINT>> keys;
    int failInit = -1;
    int focusAnswer = -1;
};
Journal* gJournal = nullptr;

int NumberOf(const Pane* p) { return static_cast<int>(p->id >> 16); }

int RecInit(TrackView*, Pane* p, int flag) {
    gJournal->events.push_back("init" + std::to_string(flag) + ":" + std::to_string(NumberOf(p)));
    return NumberOf(p) == gJournal->failInit ? 0 : 1;
}

void Place(Pane* p, const RECT& rect) {
    p->rect = rect;
    p->width = rect.right - rect.left;
    p->height = rect.bottom - rect.top;
}

// Strips: pane 2 bottom 14, 10 bottom 20, 8 bottom 30, 3 right 16, 4 top 12, 6 top 18.
void RecLayout(TrackView*, Pane* p, RECT* r) {
    gJournal->events.push_back("layout:" + std::to_string(NumberOf(p)));
    const int n = NumberOf(p);
    const int bottomStrip = n == 2 ? 14 : n == 10 ? 20 : n == 8 ? 30 : 0;
    const int topStrip = n == 4 ? 12 : n == 6 ? 18 : 0;
    const int h = std::min<int>(bottomStrip + topStrip, r->bottom - r->top), w = std::min<int>(16, r->right - r->left);
    if (bottomStrip) {
        Place(p, {r->left, r->bottom - h, r->right, r->bottom});
        r->bottom -= h;
    } else if (topStrip) {
        Place(p, {r->left, r->top, r->right, r->top + h});
        r->top += h;
    } else if (n == 3) {
        Place(p, {r->right - w, r->top, r->right, r->bottom});
        r->right -= w;
    } else {
        Place(p, *r);
    }
}

int RecHitTest(TrackView* v, Pane* p, int x, int) {
    ++gJournal->hitTests[NumberOf(p)];
    // The loop bar wants a tip on its left half.
    if (NumberOf(p) == 4 && x < 200) {
        char text[kTipTextCapacity];
        std::snprintf(text, sizeof text, "Loop %d", x);
        SetTipText(v, text);
    }
    return 5;
}

LRESULT RecMouse(TrackView* v, Pane* p, UINT msg, WPARAM, LPARAM) {
    if (msg == WM_CAPTURECHANGED || msg == WM_CANCELMODE) return 0;
    gJournal->mouse.emplace_back(NumberOf(p), msg);
    if (msg == WM_LBUTTONDOWN) {
        SetCapture(v->hwnd);
        v->drag = static_cast<Drag>(NumberOf(p) << kDragStepBits | 1);
    } else if (msg == WM_LBUTTONUP) {
        v->drag = Drag::None;
        ReleaseCapture();
    }
    return 0;
}

void RecPaint(TrackView*, Pane* p, HDC dc, const RECT* clip) {
    ++gJournal->paints[NumberOf(p)];
    FillRect(dc, clip, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

LRESULT RecKey(TrackView*, Pane* p, UINT msg, WPARAM, LPARAM) {
    if (msg == PANE_FOCUS_WHICH) return gJournal->focusAnswer;
    if (msg == PANE_FOCUS_CARET_SIZE || msg == PANE_FOCUS_CARET_POS) return 0;
    gJournal->keys.emplace_back(NumberOf(p), msg);
    return NumberOf(p) == 4 ? 1 : 0; // the loop bar consumes keys; the grid does not
}

PaneClass gRecording{.Init = RecInit, .Layout = RecLayout, .HitTest = RecHitTest, .OnMouse = RecMouse,
                     .Paint = RecPaint, .GetCursor = nullptr, .OnToolChange = nullptr, .OnKey = RecKey,
                     .Reserved = nullptr};

LRESULT TestViewProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return TrackViewWindowProc(hwnd, msg, wParam, lParam);
}

constexpr const char* kTestClass = "ViewPaneTestClass";

class PaneFramework : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        WNDCLASSEX wc{};
        wc.cbSize = sizeof wc;
        wc.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = TestViewProc;
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kTestClass;
        RegisterClassEx(&wc);
    }
    void SetUp() override {
        gJournal = &journal;
        settings.Reset();
        InstallPianoRollPanes(&view);
        view.settings = &settings;
        settings.keyboardWidth = 60;
        RegisterPaneClass(&gRecording);
        for (int n : {2, 3, 4, 6, 8, 10}) view.panes[n].paneClass = &gRecording;
        view.panes[PANE_GRID].paneClass = &gRecording;
    }
    void TearDown() override {
        if (hwnd) DestroyWindow(hwnd);
        headless::PumpUntilIdle();
        gJournal = nullptr;
    }
    HWND Open(int width, int height) {
        hwnd = CreateWindowEx(0, kTestClass, "", WS_POPUP | WS_VISIBLE, 10, 10, width, height, nullptr, nullptr,
                              nullptr, &view);
        headless::PumpUntilIdle();
        return hwnd;
    }
    LRESULT Mouse(UINT msg, int x, int y) { return SendMessage(hwnd, msg, 0, MAKELPARAM(x, y)); }

    Journal journal;
    TrackView view{};
    mp::PianoRollSettings settings{};
    HWND hwnd = nullptr;
};

TEST_F(PaneFramework, CreationAndDestructionCallInitInOrder) {
    ASSERT_NE(Open(600, 400), nullptr);
    std::vector<std::string> inits;
    for (const std::string& e : journal.events)
        if (e.rfind("init", 0) == 0) inits.push_back(e);
    const std::vector<std::string> created{"init0:2", "init0:3", "init0:4", "init0:6", "init0:8", "init0:10", "init0:0"};
    EXPECT_EQ(inits, created);
    journal.events.clear();
    DestroyWindow(hwnd);
    hwnd = nullptr;
    const std::vector<std::string> destroyed{"init1:2", "init1:3", "init1:4", "init1:6", "init1:8", "init1:10", "init1:0"};
    EXPECT_EQ((std::tuple{journal.events, view.hwnd}), (std::tuple{destroyed, nullptr}));
}

TEST_F(PaneFramework, FailingInitAbortsTheWindow) {
    journal.failInit = 6;
    EXPECT_EQ((std::tuple{Open(600, 400), view.hwnd}), (std::tuple{nullptr, nullptr}));
}

TEST_F(PaneFramework, LayoutOrderAndStrips) {
    ASSERT_NE(Open(600, 400), nullptr);
    std::vector<std::string> order;
    for (const std::string& e : journal.events)
        if (e.rfind("layout", 0) == 0) order.push_back(e);
    ASSERT_GE(order.size(), 7u);
    // 1 (keyboard, not recording), 10, 9, 2, 8, 3, 11, 12, 5, 4, 6, 7, then the grid.
    const std::vector<std::string> first{"layout:10", "layout:2", "layout:8", "layout:3", "layout:4", "layout:6",
                                         "layout:0"};
    EXPECT_EQ(std::vector<std::string>(order.begin(), order.begin() + 7), first);
    // The first positive size lays out three times.
    EXPECT_GE(order.size(), 21u);

    // The arrangement: the keyboard takes the full height at the left, leaving the top and bottom pixel
    // rows to no pane; the transport strip, the horizontal bar and the lane area stack up from the
    // bottom, the vertical bar takes the right edge above them, the loop bar and the ruler take the top,
    // each strip as high as its class asked; the grid gets what is left.
    const Pane& keys = view.panes[PANE_KEYBOARD];
    const RECT& grid = view.geo.grid;
    const auto& pane = [&](int n) -> const RECT& { return view.panes[n].rect; };
    EXPECT_EQ(std::tuple(keys.rect.left, keys.width, keys.rect.top, keys.rect.bottom),
              std::tuple(0, settings.keyboardWidth + kColumnSplitterWidth, 1, 400 - 1));
    EXPECT_EQ(std::tuple(pane(PANE_TRANSPORT).bottom, pane(PANE_HSCROLL).bottom, pane(PANE_LANES).bottom, grid.bottom),
              std::tuple(400 - 1, pane(PANE_TRANSPORT).top, pane(PANE_HSCROLL).top, pane(PANE_LANES).top));
    EXPECT_EQ(std::tuple(pane(PANE_VSCROLL).right, pane(PANE_VSCROLL).bottom, grid.right),
              std::tuple(600, pane(PANE_LANES).top, pane(PANE_VSCROLL).left));
    EXPECT_EQ(std::tuple(pane(PANE_LOOP_BAR).top, pane(PANE_RULER).top, grid.top),
              std::tuple(1, pane(PANE_LOOP_BAR).bottom, pane(PANE_RULER).bottom));
    for (int n : {PANE_HSCROLL, PANE_TRANSPORT, PANE_LANES, PANE_LOOP_BAR, PANE_RULER})
        EXPECT_EQ(pane(n).left, keys.rect.right) << n;
    EXPECT_EQ(grid.left, keys.rect.right);
    const std::pair<int, int> strips[] = {{PANE_HSCROLL, 14}, {PANE_TRANSPORT, 20}, {PANE_LANES, 30},
                                          {PANE_LOOP_BAR, 12}, {PANE_RULER, 18}};
    for (const auto& [n, height] : strips) EXPECT_EQ(view.panes[n].height, height) << n;
    EXPECT_EQ(view.panes[PANE_VSCROLL].width, 16);
    EXPECT_EQ(std::tuple(view.geo.gridWidth, view.geo.gridHeight, view.geo.zoomPixels),
              std::tuple(grid.right - grid.left, grid.bottom - grid.top, view.geo.gridWidth - kGridRightMargin));
    // Hidden panes are zero-sized.
    EXPECT_EQ(std::tuple(view.panes[5].height, view.panes[9].height), std::tuple(0, 0));
}

TEST_F(PaneFramework, NarrowWindowShrinksTheKeyboardColumnFirst) {
    settings.keyboardWidth = 200;
    ASSERT_NE(Open(150, 300), nullptr);
    // The column takes at most the available width - 100.
    EXPECT_EQ(std::tuple(view.panes[PANE_KEYBOARD].width, view.geo.grid.left, view.panes[3].width, view.geo.gridWidth),
              std::tuple(50, 50, 16, 84));
    // A tiny column setting keeps the narrowest width the settings allow.
    SetColumnWidth(&view, 0);
    EXPECT_EQ(settings.keyboardWidth, mp::kMinKeyboardWidth);
    EXPECT_EQ(view.panes[PANE_KEYBOARD].width, mp::kMinKeyboardWidth + kColumnSplitterWidth);
    SetColumnWidth(&view, 100000);
    EXPECT_EQ((std::tuple{settings.keyboardWidth, view.panes[PANE_KEYBOARD].width}), (std::tuple{16384, 50}));
}

TEST_F(PaneFramework, AStoredColumnWidthOfZeroIsTheNarrowestAndAnUnsetOneTheDefault) {
    for (const auto& [stored, width] : {std::pair{0, mp::kMinKeyboardWidth + kColumnSplitterWidth},
                                        std::pair{-1, 100 + kColumnSplitterWidth}}) {
        settings.keyboardWidth = stored;
        ASSERT_NE(Open(600, 400), nullptr);
        EXPECT_EQ(view.panes[PANE_KEYBOARD].width, width) << stored;
        DestroyWindow(hwnd);
        hwnd = nullptr;
    }
}

TEST_F(PaneFramework, HitTestRunsOnlyWhenThePointChanges) {
    ASSERT_NE(Open(600, 400), nullptr);
    journal.hitTests.clear();
    Mouse(WM_MOUSEMOVE, 300, 200);
    EXPECT_EQ((std::tuple{journal.hitTests[0], view.hitCode}), (std::tuple{1, 0x00005u}));
    Mouse(WM_MOUSEMOVE, 300, 200);
    Mouse(WM_MOUSEMOVE, 300, 200);
    EXPECT_EQ(journal.hitTests[0], 1);
    Mouse(WM_MOUSEMOVE, 301, 200);
    EXPECT_EQ(journal.hitTests[0], 2);
    Mouse(WM_MOUSEMOVE, 300, 5); // loop bar
    EXPECT_EQ((std::tuple{journal.hitTests[4], view.hitCode}), (std::tuple{1, 0x40005u}));
    Mouse(WM_MOUSEMOVE, 20, 100); // keyboard column: its own hit test
    EXPECT_EQ((std::tuple{view.hitCode >> 16, view.hitPoint.x, view.hitPoint.y}), (std::tuple{1u, 20, 100}));
}

TEST_F(PaneFramework, CaptureKeepsRoutingToThePressingPane) {
    ASSERT_NE(Open(600, 400), nullptr);
    Mouse(WM_MOUSEMOVE, 300, 5);
    Mouse(WM_LBUTTONDOWN, 300, 5);
    EXPECT_EQ(GetCapture(), hwnd);
    Mouse(WM_MOUSEMOVE, 300, 200); // over the grid, still the loop bar's drag
    Mouse(WM_MOUSEMOVE, 590, 390);
    Mouse(WM_LBUTTONUP, 590, 390);
    EXPECT_EQ(GetCapture(), nullptr);
    Mouse(WM_MOUSEMOVE, 300, 201);
    const std::vector<std::pair<int, UINT>> expected{
        {4, WM_MOUSEMOVE}, {4, WM_LBUTTONDOWN}, {4, WM_MOUSEMOVE}, {4, WM_MOUSEMOVE}, {4, WM_LBUTTONUP},
        {0, WM_MOUSEMOVE}};
    EXPECT_EQ(journal.mouse, expected);
}

std::vector<UINT>* gOwnerEdits = nullptr;
LRESULT RecordEdit(TrackView*, UINT msg, WPARAM, LPARAM) {
    gOwnerEdits->push_back(msg);
    return 0;
}

TEST_F(PaneFramework, WhatTheViewTakesAndWhatItPassesOn) {
    std::vector<UINT> edits;
    gOwnerEdits = &edits;
    view.owner.EditMessage = RecordEdit;
    ASSERT_NE(Open(600, 400), nullptr);
    SetDocumentLength(&view, 100'000);
    Mouse(WM_MOUSEMOVE, 300, 200);
    journal.mouse.clear();
    // The wheel over the grid zooms and scrolls the view, Alt with a zoom-in notch included; only the
    // Ctrl wheel is the grid's.
    headless::Wheel(hwnd, 300, 200, 120);
    headless::Wheel(hwnd, 300, 200, 120, headless::MOD_ALT);
    headless::Wheel(hwnd, 300, 200, -120, headless::MOD_SHIFT);
    headless::Wheel(hwnd, 300, 200, 120, headless::MOD_CONTROL);
    headless::PumpUntilIdle();
    std::vector<std::pair<int, UINT>> wheels;
    for (const auto& m : journal.mouse)
        if (m.second == WM_MOUSEWHEEL) wheels.push_back(m);
    EXPECT_EQ(wheels, (std::vector<std::pair<int, UINT>>{{0, WM_MOUSEWHEEL}}));
    // During the middle button's scrolling the pointer's moves still reach the pane, and every press,
    // a double-click as well, only ends the scrolling.
    for (UINT press : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_LBUTTONDBLCLK, WM_RBUTTONDBLCLK,
                       WM_MBUTTONDBLCLK, WM_MBUTTONUP}) {
        journal.mouse.clear();
        Mouse(WM_MBUTTONDOWN, 300, 200);
        ASSERT_NE(view.autoScroll.mode & AS_WHEEL, 0u);
        Mouse(WM_MOUSEMOVE, 310, 200);
        Mouse(press, 310, 200);
        EXPECT_EQ(view.autoScroll.mode, 0u) << press;
        EXPECT_EQ(journal.mouse, (std::vector<std::pair<int, UINT>>{{0, WM_MOUSEMOVE}})) << press;
    }
    // Cut, copy, paste, clear and select-all go to the owner.
    for (UINT msg : {WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR, mp::PRM_SELECT_ALL}) SendMessage(hwnd, msg, 0, 0);
    EXPECT_EQ(edits, (std::vector<UINT>{WM_CUT, WM_COPY, WM_PASTE, WM_CLEAR, mp::PRM_SELECT_ALL}));
    // So do Ctrl+X, C and V, each once; the view keeps the key.
    edits.clear();
    headless::KeyDown(VK_CONTROL);
    headless::PumpUntilIdle();
    for (WPARAM key : {'X', 'C', 'V'}) EXPECT_EQ(SendMessage(hwnd, WM_KEYDOWN, key, 0), 0) << key;
    headless::KeyUp(VK_CONTROL);
    EXPECT_EQ(edits, (std::vector<UINT>{WM_CUT, WM_COPY, WM_PASTE}));
    gOwnerEdits = nullptr;
}

TEST_F(PaneFramework, PressAsksForTheFocusPaneAndKeysGoThere) {
    ASSERT_NE(Open(600, 400), nullptr);
    view.panes[4].flags |= PANE_ASK_FOCUS;
    journal.focusAnswer = 4;
    Mouse(WM_MOUSEMOVE, 300, 5);
    Mouse(WM_LBUTTONDOWN, 300, 5);
    Mouse(WM_LBUTTONUP, 300, 5);
    EXPECT_EQ((std::tuple{view.focusPane, GetFocus()}), (std::tuple{4, hwnd}));
    SendMessage(hwnd, WM_KEYDOWN, VK_LEFT, 0);
    // Consumed by the focus pane: the grid never sees it.
    ASSERT_EQ(journal.keys.size(), 1u);
    EXPECT_EQ(journal.keys[0].first, 4);
    // An answer above 16 leaves the focus alone; a press elsewhere gives it to the grid.
    journal.focusAnswer = 40;
    Mouse(WM_LBUTTONDOWN, 300, 5);
    Mouse(WM_LBUTTONUP, 300, 5);
    EXPECT_EQ(view.focusPane, 4);
    Mouse(WM_MOUSEMOVE, 300, 200);
    Mouse(WM_LBUTTONDOWN, 300, 200);
    Mouse(WM_LBUTTONUP, 300, 200);
    EXPECT_EQ(view.focusPane, PANE_GRID);
    journal.keys.clear();
    SendMessage(hwnd, WM_KEYDOWN, VK_LEFT, 0);
    ASSERT_EQ(journal.keys.size(), 1u);
    EXPECT_EQ(journal.keys[0].first, 0);
    EXPECT_EQ(SendMessage(hwnd, WM_GETDLGCODE, 0, 0), DLGC_WANTALLKEYS);
}

TEST_F(PaneFramework, InvalidationGroupsRepaintTheirPanes) {
    ASSERT_NE(Open(600, 400), nullptr);
    auto paintAfter = [&](std::uint32_t groups) {
        journal.paints.clear();
        InvalidateView(&view, groups);
        headless::PumpUntilIdle();
        std::map<int, int> painted = journal.paints;
        return painted;
    };
    const std::pair<std::uint32_t, int> alone[] = {
        {INV_RULER, 6}, {INV_HSCROLL, 2}, {INV_VSCROLL, 3}, {INV_LOOP_BAR, 4}, {INV_TRANSPORT, 10}};
    for (auto [group, pane] : alone)
        EXPECT_EQ(paintAfter(INV_NO_GRID | group), (std::map<int, int>{{pane, 1}})) << pane;
    EXPECT_TRUE(paintAfter(INV_NO_GRID).empty());
    // Without 0x8000 the grid and the lane area come along.
    const std::map<int, int> gridAndLanes = paintAfter(0);
    EXPECT_EQ(std::tuple(gridAndLanes.count(0), gridAndLanes.count(8), gridAndLanes.count(4)), std::tuple(1u, 1u, 0u));
    // Everything, and the attached window too.
    HWND attached = CreateWindowEx(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr);
    view.attached = attached;
    headless::PumpUntilIdle();
    const std::map<int, int> all = paintAfter(INV_ALL);
    for (int n : {0, 2, 3, 4, 6, 8, 10}) EXPECT_EQ(all.count(n), 1u) << n;
    InvalidateView(&view, INV_ALL);
    RECT update{};
    EXPECT_TRUE(GetUpdateRect(attached, &update, FALSE));
    InvalidateView(&view, INV_NO_GRID | INV_UPDATE_NOW | INV_RULER);
    EXPECT_FALSE(GetUpdateRect(hwnd, &update, FALSE)); // painted at once
    view.attached = nullptr;
    DestroyWindow(attached);
}

TEST_F(PaneFramework, ZeroSizeAndMinimisingDoNotLayOut) {
    ASSERT_NE(Open(600, 400), nullptr);
    const RECT grid = view.geo.grid;
    SendMessage(hwnd, WM_SIZE, SIZE_MINIMIZED, MAKELPARAM(0, 0));
    SendMessage(hwnd, WM_SIZE, SIZE_RESTORED, MAKELPARAM(0, 300));
    EXPECT_TRUE(EqualRect(&grid, &view.geo.grid));
    EXPECT_EQ(view.clientWidth, 600);
}

TEST_F(PaneFramework, GridCaretFollowsTheEditCursor) {
    ASSERT_NE(Open(600, 400), nullptr);
    SetDocumentLength(&view, 100'000);
    SetTimeView(&view, 0, 50'000, TV_PROGRAM);
    SetFocus(hwnd);
    MoveEditCursor(&view, 25'000, 0, MEC_PROGRAM);
    headless::PumpUntilIdle();
    EXPECT_TRUE(view.focus.hasFocus);
    EXPECT_TRUE(view.focus.caretShown);
    POINT pos{};
    ASSERT_TRUE(GetCaretPos(&pos));
    EXPECT_EQ((std::tuple{pos.x, pos.y}), (std::tuple{XOfTick(&view, 25'000), view.geo.grid.top}));
    // Off screen: hidden; following playback: hidden.
    SetTimeView(&view, 60'000, 20'000, TV_PROGRAM);
    EXPECT_FALSE(view.focus.caretShown);
    SetTimeView(&view, 0, 50'000, TV_PROGRAM);
    EXPECT_TRUE(view.focus.caretShown);
    view.follow.following = true;
    RepositionCaret(&view);
    EXPECT_FALSE(view.focus.caretShown);
    view.follow.following = false;
    SetFocus(nullptr);
    headless::PumpUntilIdle();
    EXPECT_FALSE(view.focus.hasFocus || view.focus.caretShown);
}

TEST_F(PaneFramework, HotButtonEndsWhenThePointerLeaves) {
    ASSERT_NE(Open(600, 400), nullptr);
    const RECT button{100, 100, 140, 120};
    HotButton hot{};
    hot.rect = button;
    hot.hitCode = 0x00005;
    BeginHotTracking(&view, hot);
    headless::PumpUntilIdle();
    EXPECT_TRUE(view.hot.active);
    const std::uint32_t face = GetSysColor(COLOR_BTNFACE);
    const std::uint32_t edge = headless::ReadPixel(hwnd, 139, 110) & 0xFFFFFF;
    EXPECT_NE(edge, 0xFFFFFFu); // the raised edge's shadow over the pane's white
    // The pointer goes elsewhere: timer 4 notices and the border returns to the face colour.
    headless::MouseMove(hwnd, 900, 900);
    headless::AdvanceClock(150);
    headless::PumpUntilIdle();
    EXPECT_FALSE(view.hot.active);
    const std::uint32_t after = headless::ReadPixel(hwnd, 139, 110) & 0xFFFFFF;
    EXPECT_EQ(after, ((face & 0xFF) << 16) | (face & 0xFF00) | ((face >> 16) & 0xFF));
}

TEST_F(PaneFramework, TooltipFollowsTheHitPane) {
    ASSERT_NE(Open(600, 400), nullptr);
    ASSERT_NE(view.tip.window, nullptr);
    Mouse(WM_MOUSEMOVE, 150, 5); // the loop bar's left half wants a tip
    EXPECT_TRUE(view.tip.active);
    EXPECT_STREQ(view.tip.text, "Loop 150");
    Mouse(WM_MOUSEMOVE, 300, 5);
    EXPECT_FALSE(view.tip.active);
    Mouse(WM_MOUSEMOVE, 151, 5);
    EXPECT_TRUE(view.tip.active);
    Mouse(WM_MOUSEMOVE, 300, 200);
    EXPECT_FALSE(view.tip.active);
}

void FixedPosition(TrackView*, std::int64_t ticks, char* buffer) {
    std::snprintf(buffer, 32, "%lld.1.000", static_cast<long long>(ticks / 1000));
}

TEST_F(PaneFramework, KeyboardCornerShowsThePosition) {
    view.owner.PositionToText = FixedPosition;
    ASSERT_NE(Open(600, 400), nullptr);
    const Pane& column = view.panes[PANE_KEYBOARD];
    ASSERT_EQ(view.geo.grid.top, 31); // the loop bar and ruler strips leave a corner above the keys
    auto darkInCorner = [&] {
        int dark = 0;
        for (int y = column.rect.top + 2; y < view.geo.grid.top - 1; ++y)
            for (int x = column.rect.left + 2; x < KeyAreaRight(&view) - 2; ++x)
                if ((headless::ReadPixel(hwnd, x, y) & 0xFF) < 0x60) ++dark;
        return dark;
    };
    EXPECT_GT(darkInCorner(), 10);
    // Too narrow for even the smallest font: nothing is drawn.
    SetColumnWidth(&view, 12);
    headless::PumpUntilIdle();
    EXPECT_EQ(darkInCorner(), 0);
}

} // namespace
